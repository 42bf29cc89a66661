// Text handed on as a C string ends at its first zero character, whatever follows it.
#pragma once

#include <string_view>

namespace langsetup {

// The part of `text` that a C string of the same characters would hold.
constexpr std::u16string_view UpToFirstZero(std::u16string_view text) {
    return text.substr(0, text.find(u'\0'));
}

}  // namespace langsetup
