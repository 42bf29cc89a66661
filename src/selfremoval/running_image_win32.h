// The tool's own executable, held by a handle that is proved to be the very file the running
// process was started from.
#pragma once

#include <windows.h>

#include <string>

#include "app/opened_folder_win32.h"

namespace langsetup {

// Whether `file` (opened with read and execute access) is the file the running process's image
// was loaded from: the same file, not a copy of it, whatever name it has now.
bool IsRunningImage(HANDLE file);

// The running executable, `ownPath` as the platform reports it, opened through its folder without
// following a link, with the right to delete it and sharing everything. Invalid when the file
// there is not the running image (the folder was renamed or swapped since the tool started, or
// the name is a link the system would open as itself).
OpenedFile OpenRunningImage(const std::u16string& ownPath);

}  // namespace langsetup
