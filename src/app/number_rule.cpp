#include "app/number_rule.h"

#include <algorithm>
#include <array>
#include <limits>

namespace langsetup {
namespace {

// The zero of every block of ten decimal digits (Unicode Nd) in the BMP, ascending.
constexpr std::array<char16_t, 37> kDigitZeros = {
    0x0030, 0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6,
    0x0C66, 0x0CE6, 0x0D66, 0x0DE6, 0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0,
    0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0, 0x1C40, 0x1C50, 0xA620,
    0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10,
};

}  // namespace

bool IsNumberWhitespace(char16_t c) {
    switch (c) {
        case 0x0009:
        case 0x000A:
        case 0x000B:
        case 0x000C:
        case 0x000D:
        case 0x0020:
        case 0x0085:
        case 0x00A0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

int DecimalDigitValue(char16_t c) {
    // The last zero not above `c`; `c` is a digit when it lies within ten of it.
    const auto after = std::upper_bound(kDigitZeros.begin(), kDigitZeros.end(), c);
    if (after == kDigitZeros.begin()) {
        return -1;
    }
    const int offset = c - *(after - 1);
    return offset < 10 ? offset : -1;
}

ParsedNumber ParseDecimal(std::u16string_view text) {
    ParsedNumber result;
    std::size_t i = 0;
    while (i < text.size() && IsNumberWhitespace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate the magnitude with a saturating 64-bit sum, then clamp once.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DecimalDigitValue(text[i]);
        if (digit < 0) {
            break;
        }
        result.hasDigits = true;
        magnitude = std::min<std::int64_t>(magnitude * 10 + digit, kLimit);
    }
    result.end = i;
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    result.value = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(signedValue, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
    return result;
}

std::int32_t ParseLocaleIdentifier(std::u16string_view text) {
    return ParseDecimal(text).value;
}

std::optional<std::int32_t> ParseWholeNumber(std::u16string_view text) {
    const ParsedNumber parsed = ParseDecimal(text);
    if (!parsed.hasDigits || parsed.end != text.size()) {
        return std::nullopt;
    }
    return parsed.value;
}

std::u16string DecimalText(std::uint32_t magnitude, bool negative) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) {
        digits.insert(digits.begin(), u'-');
    }
    return digits;
}

std::u16string DecimalText(std::int32_t value) {
    // The magnitude in unsigned arithmetic, so that the lowest value has one too.
    const auto bits = static_cast<std::uint32_t>(value);
    return DecimalText(value < 0 ? 0 - bits : bits, value < 0);
}

}  // namespace langsetup
