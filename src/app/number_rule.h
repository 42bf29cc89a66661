// The decimal number rule shared by the install driver (locale identifier) and the waiter
// (handle number): leading white space, one optional sign, decimal digits of any script.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace langsetup {

// White space for numbers: the Unicode White_Space characters of the BMP. Wider than the
// argument separators on purpose (U+00A0 among it).
bool IsNumberWhitespace(char16_t c);

// The value 0..9 of a decimal digit of any script in the BMP (Unicode category Nd), or -1.
int DecimalDigitValue(char16_t c);

struct ParsedNumber {
    std::int32_t value = 0;  // clamped to the signed 32-bit bounds; 0 without digits
    bool hasDigits = false;  // at least one digit was read
    std::size_t end = 0;     // index of the first character after the digits (or the sign)
};

// Reads a number from the start of `text` up to the first character that is not a digit.
ParsedNumber ParseDecimal(std::u16string_view text);

// The locale identifier rule: whatever follows the digits is ignored; no digit gives 0.
std::int32_t ParseLocaleIdentifier(std::u16string_view text);

// A whole number: at least one digit and nothing after the digits. Otherwise nothing.
std::optional<std::int32_t> ParseWholeNumber(std::u16string_view text);

// `magnitude` in ASCII digits, after a minus sign when `negative`. 32-bit arithmetic only: the
// shipped program carries no 64-bit division.
std::u16string DecimalText(std::uint32_t magnitude, bool negative = false);
// `value` in the form the rule reads back: ASCII digits, a minus sign before negative numbers.
std::u16string DecimalText(std::int32_t value);

}  // namespace langsetup
