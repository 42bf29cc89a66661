// The tool's own executable, held through its folder and proved to be the very file the running
// process was started from. Only this owner makes the proof, so no handle can pass for the
// running image without it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/opened_folder_win32.h"

namespace langsetup {

// Whether `file` (opened with read and execute access) is the file the running process's image
// was loaded from: the same file, not a copy of it, whatever name it has now.
bool IsRunningImage(HANDLE file);

class RunningImage {
public:
    RunningImage() = default;

    // The executable `name` in the folder `folder`, as the platform reports the running one. The
    // folder is opened without following a link that it is itself, and held so that nobody
    // renames it meanwhile; the file is opened in it without following a link, with the right to
    // read, run and delete it, sharing everything. Invalid unless that file is the running image
    // (the folder was renamed or swapped since the tool started, or the name is a link).
    static RunningImage Open(const std::u16string& folder, std::u16string_view name);
    // The same for the running executable's full path.
    static RunningImage Open(std::u16string_view ownPath);

    explicit operator bool() const { return static_cast<bool>(file_); }
    // The folder that holds the running image.
    const OpenedFolder& Folder() const { return folder_; }
    const OpenedFile& File() const { return file_; }
    // The file's bytes, read through its handle.
    std::optional<std::vector<std::uint8_t>> Bytes() const { return ReadWholeFile(file_.Get()); }

private:
    OpenedFolder folder_;
    OpenedFile file_;
};

}  // namespace langsetup
