#include "app/module_directory_win32.h"

#include <vector>

#include "app/wide_win32.h"

namespace langsetup {

ModuleDirectoryState FillModuleDirectoryFromModule(HMODULE module, DWORD capacity) {
    std::vector<wchar_t> buffer(capacity, L'\0');
    const DWORD length = capacity == 0 ? 0 : ::GetModuleFileNameW(module, buffer.data(), capacity);
    // A cut path is the buffer filled to the brim (the platform then reports the capacity).
    const bool unusable = length == 0 || length >= capacity;
    return FillModuleDirectory(std::u16string_view{AsU16(buffer.data()), unusable ? 0 : length},
                               unusable);
}

}  // namespace langsetup
