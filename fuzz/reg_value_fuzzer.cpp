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

#include "registry/reg_test_values.h"
#include "registry/reg_value.h"

namespace langsetup::test {
namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckShape(const CRegValue& value) {
    const std::uint8_t* data = value.GetData();
    switch (value.GetType()) {
        case kRegNone:
            Check(value.GetSize() == 0 && data == nullptr);
            break;
        case kRegSz: {
            Check(value.GetSize() % 2 == 0 && data != nullptr);
            // The first zero character is the terminator.
            const std::u16string_view text(reinterpret_cast<const char16_t*>(data),
                                           value.GetSize() / 2 + 1);
            Check(text.find(u'\0') == text.size() - 1);
            break;
        }
        case kRegBinary:
            // Copying the bytes reads every one of them.
            Check(data != nullptr && RecordOf(value).data.size() == value.GetSize());
            break;
        case kRegDword:
            Check(value.GetSize() == 4 && data != nullptr);
            break;
        default:
            Check(false);
    }
}

// Writes `value` as a value line and reads it back.
void CheckRoundTrip(const CRegValue& value) {
    PieceCollector out;
    WriteValueLine(RecordOf(value), out);
    // The line without its CR LF.
    Check(ParsedRecord(out.text.substr(0, out.text.size() - 2)) == RecordOf(value));
}

void CheckInput(const std::uint8_t* data, std::size_t size) {
    // The raw bytes as data of each type.
    for (const std::uint32_t type : {kRegSz, kRegBinary, kRegDword}) {
        CRegValue raw;
        Check(raw.SetData(data, static_cast<std::uint32_t>(size), type));
        CheckShape(raw);
        Check(raw.GetSize() <= (type == kRegDword ? 4 : size));
    }

    // The bytes as a line.
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
    Check(understood == (value.GetType() != kRegNone));

    Check(line.size() == original.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        Check(line[i] == (i == equals ? u'\0' : original[i]));
    }
    if (equals == std::u16string_view::npos) {
        Check(!understood && value.GetName() == u"earlier name");
        return;
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
    if (value.GetType() == kRegBinary) {
        Check(value.GetSize() == LowercaseHexDigits(dataPart.substr(4)) / 2);
    }
    // A name holding "=" cannot come back from a line; every other value must.
    if (understood && value.GetName().find(u'=') == std::u16string::npos) {
        CheckRoundTrip(value);
    }
}

}  // namespace
}  // namespace langsetup::test

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    langsetup::test::CheckInput(data, size);
    return 0;
}
