#include "language/module_entry_rule.h"

#include "app/path_parts.h"

namespace langsetup {

bool HasModuleExtension(std::u16string_view name) {
    constexpr std::u16string_view kExtension = u".exe";
    return name.size() >= kExtension.size() &&
           EqualIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
}

bool IsDeletableModuleEntry(const LanguageFolderEntry& entry) {
    return !entry.isFolder && !entry.isReparsePoint && IsPlainEntryName(entry.name) &&
           HasModuleExtension(entry.name);
}

}  // namespace langsetup
