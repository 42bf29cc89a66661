// The folder of the running executable, with its trailing backslash. Language modules and the
// language folder are found by appending to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace langsetup {

// The longest executable path (in UTF-16 units) the install driver accepts.
inline constexpr std::size_t kModuleDirectoryCapacity = 2048;

enum class ModuleDirectoryState {
    kUnknown,      // not filled, or the executable path did not fit: nothing may use it
    kNoBackslash,  // the path held no backslash: it stays uncut and no module runs
    kFolder,       // cut directly after the last backslash
};

struct ModuleDirectoryInfo {
    std::u16string path;      // ends in a backslash when state is kFolder
    std::u16string fileName;  // kFolder: the executable's name, which followed the backslash
    ModuleDirectoryState state = ModuleDirectoryState::kUnknown;
};

// The process-wide module directory; filled by the install driver.
ModuleDirectoryInfo& ModuleDirectory();

// Cuts `path` directly after its last backslash. Returns false, leaving `path` whole, when it
// holds none.
bool CutAfterLastBackslash(std::u16string& path);

// Fills the process-wide module directory from the executable's full path. A path that does not
// fit the capacity (`truncated`, or `path` of kModuleDirectoryCapacity units or more) is never
// used: the directory stays empty and the state kUnknown.
ModuleDirectoryState FillModuleDirectory(std::u16string_view path, bool truncated);

}  // namespace langsetup
