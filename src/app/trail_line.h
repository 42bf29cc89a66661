// One line of a run's trail: "<time> <process id> <step>: <text>" and CR LF, the time in UTC with
// milliseconds (2026-12-10T13:37:02.123Z). The text is the tool's own words with values put in
// (paths, numbers, platform errors), so that a caller builds no string for a trail that nobody
// reads. The line is built in UTF-16 and written out in UTF-8 (app/utf8_text.h).
#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace langsetup {

// A moment in UTC, broken down field for field as the platform gives it.
struct TrailTime {
    std::uint16_t year;
    std::uint16_t month;
    std::uint16_t dayOfWeek;  // not written
    std::uint16_t day;
    std::uint16_t hour;
    std::uint16_t minute;
    std::uint16_t second;
    std::uint16_t millisecond;
};

// What every line of a process starts with.
struct TrailLineHead {
    TrailTime time{};
    std::uint32_t processId = 0;
    std::u16string_view step;  // "install", "clean", "waiter", ...
};

// Numbers of at most 32 bits: the shipped program carries no 64-bit division.
template <typename Number>
concept SmallInteger = std::integral<Number> && !std::same_as<Number, bool> && sizeof(Number) <= 4;

// A value that a line's text (ASCII, the tool's own words) names with "%": UTF-16 text (control
// characters, line breaks among them, are written as their visible symbols, U+2400..., so that
// no text can start a line of its own), a decimal number, or a platform error by its number,
// written as `error 5 (Access is denied.)` with the system's text, which is only looked up when
// the line is written. Small, and holds views: the text must outlive the line's formatting.
class TrailPart {
public:
    enum class Kind : std::uint8_t { kText, kNumber, kNegative, kError };

    TrailPart(std::u16string_view text)
        : data_(text.data()), value_(static_cast<std::uint32_t>(text.size())) {}
    TrailPart(const char16_t* text)
        : TrailPart(text == nullptr ? std::u16string_view() : std::u16string_view(text)) {}
    TrailPart(const std::u16string& text) : TrailPart(std::u16string_view(text)) {}
    template <SmallInteger Number>
    TrailPart(Number number) : value_(static_cast<std::uint32_t>(number)), kind_(Kind::kNumber) {
        if constexpr (std::is_signed_v<Number>) {
            if (number < 0) {
                kind_ = Kind::kNegative;
                value_ = 0 - value_;
            }
        }
    }

    // A platform error (GetLastError, a status the platform returned).
    static TrailPart Error(std::uint32_t code) {
        TrailPart part(code);
        part.kind_ = Kind::kError;
        return part;
    }

    Kind GetKind() const { return kind_; }
    std::u16string_view Text() const { return {data_, value_}; }
    // The number's magnitude, or the error's code.
    std::uint32_t Value() const { return value_; }

private:
    const char16_t* data_ = nullptr;
    std::uint32_t value_ = 0;  // the text's length, the number's magnitude or the error's code
    Kind kind_ = Kind::kText;
};

// The system's text for a platform error, empty when it has none.
using SystemErrorText = std::u16string (*)(std::uint32_t code);

// The line, with CR LF: `format` with each "%" replaced by the next of `values` (a "%" with no
// value left stays as it is).
std::u16string FormatTrailLine(const TrailLineHead& head, std::string_view format,
                               std::span<const TrailPart> values, SystemErrorText systemText);

// Appends `error <code>` and, when the system has a text for it, ` (<text>)`: the text trimmed
// of trailing blanks and line breaks, each run of inner line breaks one blank.
void AppendErrorPhrase(std::u16string& line, std::uint32_t code, std::u16string_view systemText);

}  // namespace langsetup
