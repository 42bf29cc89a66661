// Reads arbitrary UTF-16 lines with CRegValue::ParseLine and checks the value's invariants:
// success exactly when there is data; type 0 has size 0 and no data, a string's size is twice
// its length and its data is zero-terminated, binary data holds one byte per lowercase digit
// pair, a DWORD has size 4; the line keeps its length and only its first "=" becomes zero; the
// name follows the name part. A value read successfully is written again with the line writers
// and must read back the same. The raw bytes also go through SetData.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "registry/reg_text_lines.h"
#include "registry/reg_value.h"

namespace {

using langsetup::CRegValue;

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class TextCollector final : public langsetup::RegTextSink {
public:
    void Write(std::u16string_view piece) override { text.append(piece); }
    std::u16string text;
};

std::size_t LowercaseHexDigits(std::u16string_view text) {
    std::size_t count = 0;
    for (const char16_t c : text) {
        count += (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
    }
    return count;
}

void CheckShape(const CRegValue& value) {
    const std::uint8_t* data = value.GetData();
    switch (value.GetType()) {
        case langsetup::kRegNone:
            Check(value.GetSize() == 0 && data == nullptr);
            break;
        case langsetup::kRegSz: {
            Check(value.GetSize() % 2 == 0 && data != nullptr);
            const auto* text = reinterpret_cast<const char16_t*>(data);
            const std::size_t length = value.GetSize() / 2;
            Check(std::u16string_view(text, length).find(u'\0') == std::u16string_view::npos);
            Check(text[length] == u'\0');
            break;
        }
        case langsetup::kRegBinary: {
            Check(data != nullptr);
            volatile std::uint8_t sum = 0;
            for (std::uint32_t i = 0; i < value.GetSize(); ++i) {
                sum = sum + data[i];  // every byte must be readable
            }
            break;
        }
        case langsetup::kRegDword:
            Check(value.GetSize() == 4 && data != nullptr);
            break;
        default:
            Check(false);
    }
}

// Writes `value` as a value line and reads it back.
void CheckRoundTrip(const CRegValue& value) {
    TextCollector out;
    const std::u16string& name = value.GetName();
    switch (value.GetType()) {
        case langsetup::kRegSz:
            langsetup::WriteStringLine(
                name,
                std::u16string_view(reinterpret_cast<const char16_t*>(value.GetData()),
                                    value.GetSize() / 2),
                out);
            break;
        case langsetup::kRegBinary:
            langsetup::WriteHexLine(name, value.GetData(), value.GetSize(), out);
            break;
        case langsetup::kRegDword:
            langsetup::WriteDwordLine(name, value.GetData(), out);
            break;
        default:
            return;
    }
    std::u16string line = out.text.substr(0, out.text.size() - 2);  // without the last CR LF
    CRegValue again;
    Check(again.ParseLine(line));
    Check(again.GetName() == name);
    Check(again.GetType() == value.GetType() && again.GetSize() == value.GetSize());
    Check(std::memcmp(again.GetData(), value.GetData(), value.GetSize()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string line(size / 2, u'\0');
    std::memcpy(line.data(), data, line.size() * 2);
    const std::u16string original = line;
    const std::u16string_view text(original.data(),
                                   std::min(original.find(u'\0'), original.size()));
    const std::size_t equals = text.find(u'=');

    CRegValue value;
    value.SetName(u"earlier name");
    const bool understood = value.ParseLine(line);
    CheckShape(value);
    Check(understood == (value.GetType() != langsetup::kRegNone));

    Check(line.size() == original.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        Check(line[i] == (i == equals ? u'\0' : original[i]));
    }
    if (equals == std::u16string_view::npos) {
        Check(!understood && value.GetName() == u"earlier name");
        return 0;
    }
    const std::u16string_view namePart = text.substr(0, equals);
    const std::u16string_view dataPart = text.substr(equals + 1);
    if (namePart.starts_with(u'@')) {
        Check(value.GetName().empty());
    } else if (namePart.starts_with(u'"')) {
        Check(value.GetName() ==
              (namePart.size() < 2 ? u"" : namePart.substr(1, namePart.size() - 2)));
    } else {
        Check(value.GetName() == u"earlier name");
    }
    if (value.GetType() == langsetup::kRegBinary) {
        Check(value.GetSize() == LowercaseHexDigits(dataPart.substr(4)) / 2);
    }
    // A name holding "=" cannot come back from a line; every other value must.
    if (understood && value.GetName().find(u'=') == std::u16string::npos) {
        CheckRoundTrip(value);
    }

    for (const std::uint32_t type : {1u, 3u, 4u}) {
        CRegValue raw;
        Check(raw.SetData(data, static_cast<std::uint32_t>(size), type));
        CheckShape(raw);
        Check(raw.GetSize() <= (type == 4 ? 4 : size));
    }
    return 0;
}
