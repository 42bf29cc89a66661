#include "app/utf8_text.h"

namespace langsetup {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::size_t EncodeUtf8(std::u16string_view text, char* out) {
    char* next = out;
    const auto put = [&next](char32_t bits) { *next++ = static_cast<char>(bits); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t{text[++i]} - 0xDC00);
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = kReplacement;
        }
        // The lead byte carries the length; each further byte six bits, highest first.
        int more = 0;
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            more = 1;
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            more = 2;
        } else {
            put(0xF0 | (c >> 18));
            more = 3;
        }
        while (more > 0) {
            put(0x80 | ((c >> (6 * --more)) & 0x3F));
        }
    }
    return static_cast<std::size_t>(next - out);
}

}  // namespace langsetup
