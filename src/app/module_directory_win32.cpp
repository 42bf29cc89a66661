#include "app/module_directory_win32.h"

#include "app/wide_win32.h"

namespace langsetup {

std::optional<std::u16string> ModuleFilePath(HMODULE module, std::size_t longest) {
    return ReadWholePath(
        [module](char16_t* buffer, std::size_t size) -> std::size_t {
            return ::GetModuleFileNameW(module, AsWide(buffer), static_cast<DWORD>(size));
        },
        longest);
}

ModuleDirectoryState FillModuleDirectoryFromModule(HMODULE module, DWORD capacity) {
    const std::optional<std::u16string> path = ModuleFilePath(module, capacity);
    return FillModuleDirectory(path.value_or(u""), !path);
}

}  // namespace langsetup
