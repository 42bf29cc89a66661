#include "registry/reg_text_lines.h"

#include <algorithm>

#include "app/zero_terminated.h"

namespace langsetup {
namespace {

constexpr std::u16string_view kKeyHeaderEnd = u"]\r\n";
constexpr std::u16string_view kQuote = u"\"";
constexpr std::u16string_view kDefaultName = u"@";
constexpr std::u16string_view kStringSeparator = u"=\"";
constexpr std::u16string_view kStringEnd = u"\"\r\n";
constexpr std::u16string_view kDwordSeparator = u"\"=dword:";
constexpr std::u16string_view kHexSeparator = u"\"=hex:";
constexpr std::u16string_view kByteSeparator = u",";
constexpr std::u16string_view kHexContinuation = u"\\\r\n  ";
constexpr std::u16string_view kLineEnd = u"\r\n";

// A hex line is wrapped once it holds more characters than this.
constexpr std::size_t kHexWrapColumn = 76;
// The two blanks that start a continuation line.
constexpr std::size_t kContinuationIndent = 2;

void WriteHexByte(std::uint8_t byte, RegTextSink& sink) {
    const std::array<char16_t, 2> digits = HexByte(byte);
    sink.Write(std::u16string_view(digits.data(), digits.size()));
}

}  // namespace

std::array<char16_t, 2> HexByte(std::uint8_t byte) {
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    return {kDigits[byte >> 4], kDigits[byte & 0x0f]};
}

std::u16string_view KeyHeaderStart(std::uint32_t root) {
    switch (root) {
        case kRootClassesRoot:
            return u"[HKEY_CLASSES_ROOT\\";
        case kRootCurrentUser:
            return u"[HKEY_CURRENT_USER\\";
        case kRootLocalMachine:
            return u"[HKEY_LOCAL_MACHINE\\";
        case kRootUsers:
            return u"[HKEY_USERS\\";
        case kRootCurrentConfig:
            return u"[HKEY_CURRENT_CONFIG\\";
        default:
            return {};
    }
}

void WriteKeyHeader(std::uint32_t root, std::u16string_view subkey, RegTextSink& sink) {
    const std::u16string_view start = KeyHeaderStart(root);
    if (start.empty()) {
        return;  // half a header would corrupt the file; leave it out entirely
    }
    sink.Write(start);
    sink.Write(UpToFirstZero(subkey));
    sink.Write(kKeyHeaderEnd);
}

void WriteStringLine(std::u16string_view name, std::u16string_view data, RegTextSink& sink) {
    name = UpToFirstZero(name);
    if (name.empty()) {
        sink.Write(kDefaultName);
    } else {
        sink.Write(kQuote);
        sink.Write(name);
        sink.Write(kQuote);
    }
    sink.Write(kStringSeparator);
    sink.Write(UpToFirstZero(data));
    sink.Write(kStringEnd);
}

void WriteDwordLine(std::u16string_view name, const std::uint8_t* data, RegTextSink& sink) {
    sink.Write(kQuote);
    sink.Write(UpToFirstZero(name));
    sink.Write(kDwordSeparator);
    for (int i = 3; i >= 0; --i) {
        WriteHexByte(data[i], sink);
    }
    sink.Write(kLineEnd);
}

void WriteHexLine(std::u16string_view name, const std::uint8_t* data, std::uint32_t length,
                  RegTextSink& sink) {
    name = UpToFirstZero(name);
    sink.Write(kQuote);
    sink.Write(name);
    sink.Write(kHexSeparator);
    std::size_t column = name.size() + kQuote.size() + kHexSeparator.size();
    for (std::uint32_t i = 0; i < length; ++i) {
        WriteHexByte(data[i], sink);
        column += 2;
        if (i + 1 < length) {
            sink.Write(kByteSeparator);
            column += kByteSeparator.size();
        }
        if (column > kHexWrapColumn) {
            sink.Write(kHexContinuation);
            column = kContinuationIndent;
        }
    }
    sink.Write(kLineEnd);
}

}  // namespace langsetup
