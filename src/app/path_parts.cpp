#include "app/path_parts.h"

#include <algorithm>

namespace langsetup {
namespace {

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

bool IsPlainEntryName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find_first_of(u"\\/:") == std::u16string_view::npos;
}

std::optional<FolderAndName> SplitAtLastSeparator(std::u16string_view path) {
    const std::size_t last = path.find_last_of(u"\\/");
    if (last == std::u16string_view::npos) {
        return std::nullopt;
    }
    return FolderAndName{path.substr(0, last + 1), path.substr(last + 1)};
}

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return std::ranges::equal(
        a, b, [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

std::u16string NumberedName(std::u16string_view prefix, std::uint32_t number) {
    std::u16string name(prefix);
    for (int shift = 28; shift >= 0; shift -= 4) {
        name += u"0123456789ABCDEF"[(number >> shift) & 0xF];
    }
    return name + u".tmp";
}

}  // namespace langsetup
