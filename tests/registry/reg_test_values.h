// OS-free helpers for the registry tests: CRegValue built from and read back as comparable
// records, and registry text collected piece by piece and split into lines.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry/reg_text_lines.h"
#include "registry/reg_value.h"

namespace langsetup::test {

using Bytes = std::vector<std::uint8_t>;

// A value's name, type and bytes as GetName, GetType and GetData give them.
struct ValueRecord {
    std::u16string name;
    std::uint32_t type = kRegNone;
    Bytes data;
    bool operator==(const ValueRecord&) const = default;
};

inline void PrintBytes(const Bytes& bytes, std::ostream* out) {
    *out << bytes.size() << " bytes:" << std::hex;
    for (const std::uint8_t byte : bytes) {
        *out << ' ' << static_cast<unsigned>(byte);
    }
    *out << std::dec;
}

// For test failure messages: the name (other than printable ASCII as \x{..}), type and bytes.
inline void PrintTo(const ValueRecord& value, std::ostream* out) {
    *out << '"' << std::hex;
    for (const char16_t c : value.name) {
        if (c >= 0x20 && c < 0x7f) {
            *out << static_cast<char>(c);
        } else {
            *out << "\\x{" << static_cast<unsigned>(c) << '}';
        }
    }
    *out << "\" type " << std::dec << value.type << ", ";
    PrintBytes(value.data, out);
}

inline ValueRecord RecordOf(const CRegValue& value) {
    const std::uint8_t* data = value.GetData();
    return {value.GetName(), value.GetType(),
            data == nullptr ? Bytes{} : Bytes(data, data + value.GetSize())};
}

// The UTF-16 units of `text`, without a terminator.
inline std::vector<std::uint8_t> BytesOf(const std::u16string& text) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(text.data());
    return {first, first + text.size() * sizeof(char16_t)};
}

inline ValueRecord StringRecord(std::u16string_view name, const std::u16string& text) {
    return {std::u16string(name), kRegSz, BytesOf(text)};
}
inline ValueRecord DwordRecord(std::u16string_view name, std::uint32_t number) {
    Bytes bytes(4);
    std::memcpy(bytes.data(), &number, 4);
    return {std::u16string(name), kRegDword, std::move(bytes)};
}
inline ValueRecord BinaryRecord(std::u16string_view name, Bytes bytes) {
    return {std::u16string(name), kRegBinary, std::move(bytes)};
}
// A value that has a name and no data.
inline ValueRecord NoData(std::u16string_view name) {
    return {std::u16string(name), kRegNone, {}};
}

// The value of `record`, built with SetName and SetData.
inline CRegValue ValueOf(const ValueRecord& record) {
    CRegValue value;
    value.SetName(record.name);
    value.SetData(record.data.data(), static_cast<std::uint32_t>(record.data.size()), record.type);
    return value;
}

// The value that ParseLine reads from `line`, with the name "earlier" before; type 0 when it
// fails.
inline ValueRecord ParsedRecord(std::u16string line) {
    CRegValue value;
    value.SetName(u"earlier");
    value.ParseLine(line);
    return RecordOf(value);
}

// `count` bytes that differ from their neighbours.
inline Bytes Sequence(std::size_t count, std::uint8_t seed = 5) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 29 + seed);
    }
    return bytes;
}

// The lowercase hex digits in `text`: the only ones registry text holds.
inline std::size_t LowercaseHexDigits(std::u16string_view text) {
    return std::count_if(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    });
}

// Collects what the writers emit, piece by piece.
class PieceCollector final : public RegTextSink {
public:
    void Write(std::u16string_view piece) override {
        text.append(piece);
        pieces.emplace_back(piece);
    }
    std::u16string text;
    std::vector<std::u16string> pieces;
};

// Writes `value` with the line writer of its type (a DWORD's record holds four bytes).
inline void WriteValueLine(const ValueRecord& value, RegTextSink& sink) {
    const std::uint8_t* data = value.data.data();
    if (value.type == kRegSz) {
        WriteStringLine(value.name,
                        {reinterpret_cast<const char16_t*>(data), value.data.size() / 2}, sink);
    } else if (value.type == kRegDword) {
        WriteDwordLine(value.name, data, sink);
    } else if (value.type == kRegBinary) {
        WriteHexLine(value.name, data, static_cast<std::uint32_t>(value.data.size()), sink);
    }
}

// The physical lines of `text`, without their CR LF.
inline std::vector<std::u16string> PhysicalLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(u"\r\n", start);
        lines.emplace_back(text.substr(start, end - start));
        start = end == std::u16string_view::npos ? text.size() : end + 2;
    }
    return lines;
}

// The lines of `text` as a reader of a whole file sees them: a line ending in a backslash is
// joined with the next one, whose leading blanks are dropped.
inline std::vector<std::u16string> JoinedLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    bool continuing = false;
    for (std::u16string line : PhysicalLines(text)) {
        if (continuing) {
            lines.back() += line.erase(0, line.find_first_not_of(u' '));
        } else {
            lines.push_back(std::move(line));
        }
        continuing = lines.back().ends_with(u'\\');
        if (continuing) {
            lines.back().pop_back();
        }
    }
    return lines;
}

}  // namespace langsetup::test
