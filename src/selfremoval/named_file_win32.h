// The file a waiter started by hand names by its path: found one folder at a time from the root,
// so that every spelling of its real place is taken and no link leads the waiter elsewhere.
#pragma once

#include "app/opened_folder_win32.h"
#include "selfremoval/waiter_command_line.h"

namespace langsetup {

// Opens the file that `steps` name, with the right to delete it. From the root on, each name must
// be found in its folder's own listing, by its name or its 8.3 name in any letter case, as a real
// folder (the last one as a plain file), and each is opened relative to the folder before it,
// without following a link, as the very entry listed. A path through a link or junction, or
// through a folder swapped for one, opens nothing.
OpenedFile OpenFileAlongRealFolders(const PathSteps& steps);

}  // namespace langsetup
