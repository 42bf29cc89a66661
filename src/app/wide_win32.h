// The one place where the tool's UTF-16 text (char16_t) meets the Win32 API (wchar_t).
#pragma once

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

namespace langsetup {

inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const wchar_t* AsWide(const std::u16string& text) {
    return AsWide(text.c_str());
}
inline const char16_t* AsU16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}
inline std::u16string_view AsU16View(const wchar_t* text) {
    return text == nullptr ? std::u16string_view{} : std::u16string_view{AsU16(text)};
}

}  // namespace langsetup
