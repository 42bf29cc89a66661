#include <cstdint>
#include <string>

#include "app/module_directory.h"
#include "language/language_paths.h"
#include "language/language_table.h"
#include "language/res_manager.h"
#include "registry/reg_value.h"
#include "registry/registry_win32.h"

namespace langsetup {

// Writes HKEY_CURRENT_USER\Software\Pexalo\General, value LanguageFolder: the module directory,
// "Languages\" and the language's code, stored as its characters without a terminating zero.
// Indices outside the language table record the default language. Nothing is recorded (false)
// unless the module directory is a known folder.
bool CResManager::RecordLanguageFolder(std::int32_t index) {
    const ModuleDirectoryInfo& directory = ModuleDirectory();
    if (directory.state != ModuleDirectoryState::kFolder) {
        return false;
    }
    CRegistry registry;
    CRegValue value;
    const std::u16string folder = LanguageFolderEntryPath(directory.path, LanguageCode(index));

    value.SetName(u"LanguageFolder");
    value.SetData(reinterpret_cast<const std::uint8_t*>(folder.data()),
                  static_cast<std::uint32_t>(folder.size() * sizeof(char16_t)), kRegSz);
    if (!registry.CreateKey(HKEY_CURRENT_USER, u"Software\\Pexalo\\General")) {
        return false;
    }
    return registry.SetValue(value);
}

}  // namespace langsetup
