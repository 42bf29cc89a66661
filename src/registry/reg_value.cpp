#include "registry/reg_value.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "app/zero_terminated.h"

namespace langsetup {

// GetData hands out the DWORD's own bytes as its little-endian form.
static_assert(std::endian::native == std::endian::little);

namespace {

// Registry text holds lowercase hex digits only; uppercase letters are not digits here.
bool IsLowerHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
}

// Calls `onByte` for every complete pair of hex digits in `text`, skipping every other
// character; a last unpaired digit is dropped.
template <typename PairValue, typename OnByte>
void ForEachHexPair(std::u16string_view text, PairValue pairValue, OnByte onByte) {
    char16_t high = 0;
    bool haveHigh = false;
    for (const char16_t c : text) {
        if (!IsLowerHexDigit(c)) {
            continue;
        }
        if (haveHigh) {
            onByte(pairValue(high, c));
            haveHigh = false;
        } else {
            high = c;
            haveHigh = true;
        }
    }
}

// The text after an opening quote, less its last character (normally the closing quote, but it
// is not checked). A lone quote gives the empty text.
std::u16string_view BetweenQuotes(std::u16string_view quoted) {
    return quoted.size() < 2 ? std::u16string_view{} : quoted.substr(1, quoted.size() - 2);
}

constexpr std::u16string_view kHexTag = u"hex:";
constexpr std::u16string_view kDwordTag = u"dword:";

}  // namespace

void CRegValue::Clear() {
    std::vector<std::uint8_t>().swap(binaryData);
    dwordData = 0;
    stringData.clear();
    valueType = kRegNone;
    dataSize = 0;
}

bool CRegValue::SetName(std::u16string_view name) {
    Clear();
    valueName.assign(name);
    return true;
}

bool CRegValue::SetData(const std::uint8_t* data, std::uint32_t size, std::uint32_t type) {
    if (data == nullptr) {
        size = 0;
    }
    switch (type) {
        case kRegSz: {
            // Registry data need not be aligned: take the characters byte by byte.
            const std::uint32_t count = size / 2;
            std::u16string text;
            for (std::size_t i = 0; i < count; ++i) {
                const auto c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
                if (c == u'\0') {
                    break;
                }
                text.push_back(c);
            }
            stringData = std::move(text);
            dataSize = static_cast<std::uint32_t>(stringData.size() * 2);
            break;
        }
        case kRegBinary:
            binaryData.assign(data, data + size);
            dataSize = size;
            break;
        case kRegDword: {
            // Short data leaves the missing high bytes zero instead of reading past it.
            std::uint32_t value = 0;
            for (std::uint32_t i = 0; i < std::min<std::uint32_t>(size, 4); ++i) {
                value |= static_cast<std::uint32_t>(data[i]) << (8 * i);
            }
            dwordData = value;
            dataSize = 4;
            break;
        }
        default:
            return false;
    }
    valueType = type;
    return true;
}

bool CRegValue::ParseLine(std::u16string& line) {
    Clear();
    const std::u16string_view text = UpToFirstZero(line);
    const std::size_t equals = text.find(u'=');
    if (equals == std::u16string_view::npos) {
        Clear();
        return false;
    }
    line[equals] = u'\0';
    const std::u16string_view namePart = text.substr(0, equals);
    const std::u16string_view dataPart = text.substr(equals + 1);

    if (!namePart.empty()) {
        if (namePart.front() == u'@') {
            valueName.clear();
        } else if (namePart.front() == u'"') {
            valueName.assign(BetweenQuotes(namePart));
        }
    }

    bool understood = false;
    if (!dataPart.empty()) {
        switch (dataPart.front()) {
            case u'h':
                // The tag itself is not compared; a part too short to hold it is not a value.
                understood =
                    dataPart.size() >= kHexTag.size() && ParseHex(dataPart.substr(kHexTag.size()));
                break;
            case u'd':
                understood = dataPart.size() >= kDwordTag.size() &&
                             ParseDword(dataPart.substr(kDwordTag.size()));
                break;
            case u'"':
                // No escapes: backslashes and quotes inside stay as written.
                stringData.assign(BetweenQuotes(dataPart));
                dataSize = static_cast<std::uint32_t>(stringData.size() * 2);
                valueType = kRegSz;
                understood = true;
                break;
            default:
                break;
        }
    }
    if (!understood) {
        Clear();
    }
    return understood;
}

const std::uint8_t* CRegValue::GetData() const {
    switch (valueType) {
        case kRegSz:
            return reinterpret_cast<const std::uint8_t*>(stringData.c_str());
        case kRegBinary: {
            // Zero bytes still get a valid address, as an allocation of zero bytes would.
            static constexpr std::uint8_t kNoBytes = 0;
            return binaryData.empty() ? &kNoBytes : binaryData.data();
        }
        case kRegDword:
            return reinterpret_cast<const std::uint8_t*>(&dwordData);
        default:
            return nullptr;
    }
}

bool CRegValue::ParseHex(std::u16string_view text) {
    // Three characters per byte in the comma form; digits without separators grow the buffer
    // instead of running past it.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 3 + 1);
    ForEachHexPair(text, &HexPairValue, [&bytes](std::uint8_t b) { bytes.push_back(b); });
    binaryData = std::move(bytes);
    dataSize = static_cast<std::uint32_t>(binaryData.size());
    valueType = kRegBinary;
    return true;
}

bool CRegValue::ParseDword(std::u16string_view text) {
    // The first pair is the most significant byte; a fifth pair adds into the top byte again.
    std::uint32_t value = 0;
    std::uint32_t pairIndex = 0;
    ForEachHexPair(text, &HexPairValue, [&](std::uint8_t b) {
        value += static_cast<std::uint32_t>(b) << (8 * (3 - pairIndex % 4));
        ++pairIndex;
    });
    dwordData = value;
    dataSize = 4;
    valueType = kRegDword;
    return true;
}

std::uint8_t CRegValue::HexPairValue(char16_t high, char16_t low) {
    const auto digit = [](char16_t c) -> unsigned {
        return (c >= u'0' && c <= u'9') ? static_cast<unsigned>(c - u'0')
                                        : static_cast<unsigned>(c) - 87u;
    };
    return static_cast<std::uint8_t>(16u * digit(high) + digit(low));
}

}  // namespace langsetup
