// The tests' text conversions and quoting under Windows, where wchar_t is a UTF-16 unit. Header
// only, so that the programs the tests start can use it too.
#pragma once

#include <windows.h>

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

// UTF-8, for messages and records.
inline std::string Narrow(std::wstring_view text) {
    const int length = static_cast<int>(text.size());
    std::string out(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), length,
                                                                   nullptr, 0, nullptr, nullptr)),
                    '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), static_cast<int>(out.size()),
                          nullptr, nullptr);
    return out;
}
// From UTF-8.
inline std::wstring Widen(std::string_view text) {
    const int length = static_cast<int>(text.size());
    std::wstring out(static_cast<std::size_t>(
                         ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0)),
                     L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(),
                          static_cast<int>(out.size()));
    return out;
}

}  // namespace langsetup::test
