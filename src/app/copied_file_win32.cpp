#include "app/copied_file_win32.h"

#include <windows.h>

#include "app/wide_win32.h"

namespace langsetup {

bool ClearReadOnlyAttribute(const std::u16string& path) {
    const DWORD attributes = ::GetFileAttributesW(AsWide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return true;
    }
    // Every other attribute stays; a file without any is "normal".
    const DWORD cleared = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    return ::SetFileAttributesW(AsWide(path), cleared == 0 ? FILE_ATTRIBUTE_NORMAL : cleared) != 0;
}

}  // namespace langsetup
