#include "language/module_entry_rule.h"

#include "app/path_parts.h"

namespace langsetup {

bool HasModuleExtension(std::u16string_view name) {
    constexpr std::u16string_view kExtension = u".exe";
    return name.size() >= kExtension.size() &&
           EqualIgnoringAsciiCase(name.substr(name.size() - kExtension.size()), kExtension);
}

std::u16string_view WhyKept(const LanguageFolderEntry& entry) {
    if (entry.isReparsePoint) {
        return u"a link or junction";
    }
    if (entry.isFolder) {
        return u"a folder";
    }
    if (!IsPlainEntryName(entry.name)) {
        return u"a name leading elsewhere";
    }
    return HasModuleExtension(entry.name) ? u"" : u"not a module";
}

}  // namespace langsetup
