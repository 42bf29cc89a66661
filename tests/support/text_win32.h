// The tests' text conversions and quoting under Windows, where wchar_t is a UTF-16 unit.
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace langsetup::test {

inline std::u16string ToU16(std::wstring_view text) {
    return {text.begin(), text.end()};
}
inline std::wstring ToWide(std::u16string_view text) {
    return {text.begin(), text.end()};
}
// `text` in double quotes, as a command line holds a path.
inline std::wstring Quoted(std::wstring_view text) {
    return L"\"" + std::wstring(text) + L"\"";
}

}  // namespace langsetup::test
