#include "language/module_entry_rule.h"

namespace langsetup {
namespace {

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

bool IsPlainEntryName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(u"\\/") == std::u16string_view::npos;
}

bool HasModuleExtension(std::u16string_view name) {
    constexpr std::u16string_view kExtension = u".exe";
    if (name.size() < kExtension.size()) {
        return false;
    }
    const std::u16string_view tail = name.substr(name.size() - kExtension.size());
    for (std::size_t i = 0; i < kExtension.size(); ++i) {
        if (AsciiLower(tail[i]) != kExtension[i]) {
            return false;
        }
    }
    return true;
}

bool IsDeletableModuleEntry(const LanguageFolderEntry& entry) {
    return !entry.isFolder && !entry.isReparsePoint && IsPlainEntryName(entry.name) &&
           HasModuleExtension(entry.name);
}

}  // namespace langsetup
