#include "app/module_directory.h"

namespace langsetup {

ModuleDirectoryInfo& ModuleDirectory() {
    // Lives until the process ends and is never destroyed: the shipped program has no exit-time
    // destructors (app/main_win32.cpp).
    static ModuleDirectoryInfo* const directory = new ModuleDirectoryInfo;
    return *directory;
}

bool CutAfterLastBackslash(std::u16string& path) {
    const auto last = path.rfind(u'\\');
    if (last == std::u16string::npos) {
        return false;
    }
    path.resize(last + 1);
    return true;
}

ModuleDirectoryState FillModuleDirectory(std::u16string_view path, bool truncated) {
    ModuleDirectoryInfo& directory = ModuleDirectory();
    directory.fileName.clear();
    if (truncated || path.size() >= kModuleDirectoryCapacity) {
        directory.path.clear();
        directory.state = ModuleDirectoryState::kUnknown;
    } else {
        directory.path.assign(path);
        directory.state = CutAfterLastBackslash(directory.path)
                              ? ModuleDirectoryState::kFolder
                              : ModuleDirectoryState::kNoBackslash;
        if (directory.state == ModuleDirectoryState::kFolder) {
            directory.fileName.assign(path.substr(directory.path.size()));
        }
    }
    return directory.state;
}

}  // namespace langsetup
