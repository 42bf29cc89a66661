#include "registry/reg_value.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes DataOf(const CRegValue& value) {
    const std::uint8_t* data = value.GetData();
    return data == nullptr ? Bytes{} : Bytes(data, data + value.GetSize());
}

std::u16string StringOf(const CRegValue& value) {
    std::u16string text(value.GetSize() / 2, u'\0');
    std::memcpy(text.data(), value.GetData(), value.GetSize());
    return text;
}

std::uint32_t DwordOf(const CRegValue& value) {
    std::uint32_t dword = 0;
    std::memcpy(&dword, value.GetData(), sizeof dword);
    return dword;
}

void ExpectNoData(const CRegValue& value) {
    EXPECT_EQ(value.GetType(), kRegNone);
    EXPECT_EQ(value.GetSize(), 0u);
    EXPECT_EQ(value.GetData(), nullptr);
}

// Parses a copy of `line` into `value`.
bool Parse(CRegValue& value, std::u16string line) {
    return value.ParseLine(line);
}

// --- The value's state through Clear, SetName and SetData ---

TEST(RegValueState, NewValueHasNoNameAndNoData) {
    const CRegValue value;
    EXPECT_TRUE(value.GetName().empty());
    ExpectNoData(value);
}

TEST(RegValueState, SetNameDropsDataAndClearKeepsName) {
    CRegValue value;
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(value.SetData(bytes, 3, kRegBinary));
    EXPECT_TRUE(value.SetName(u"Folder"));
    EXPECT_EQ(value.GetName(), u"Folder");
    ExpectNoData(value);

    ASSERT_TRUE(value.SetData(bytes, 3, kRegBinary));
    value.Clear();
    EXPECT_EQ(value.GetName(), u"Folder");
    ExpectNoData(value);
}

TEST(RegValueState, OtherTypesAreRefusedAndChangeNothing) {
    CRegValue value;
    value.SetName(u"x");
    const std::uint8_t bytes[] = {'a', 0, 0, 0};
    for (const std::uint32_t type : {0u, 2u, 5u, 7u, 11u}) {
        EXPECT_FALSE(value.SetData(bytes, 4, type)) << type;
        ExpectNoData(value);
    }
    ASSERT_TRUE(value.SetData(bytes, 4, kRegDword));
    EXPECT_FALSE(value.SetData(bytes, 4, 2));
    EXPECT_EQ(value.GetType(), kRegDword);
    EXPECT_EQ(DwordOf(value), 0x61u);
}

TEST(RegValueSetData, StringStopsAtItsTerminatorAndAtAnOddByte) {
    // "abc" and its terminator, as the registry returns it.
    const std::uint8_t withTerminator[] = {'a', 0, 'b', 0, 'c', 0, 0, 0};
    CRegValue value;
    ASSERT_TRUE(value.SetData(withTerminator, 8, kRegSz));
    EXPECT_EQ(value.GetType(), kRegSz);
    EXPECT_EQ(value.GetSize(), 6u);
    EXPECT_EQ(StringOf(value), u"abc");
    // GetData is zero-terminated for a string.
    EXPECT_EQ(reinterpret_cast<const char16_t*>(value.GetData())[3], u'\0');

    CRegValue odd;
    ASSERT_TRUE(odd.SetData(withTerminator, 7, kRegSz));
    EXPECT_EQ(StringOf(odd), u"abc");

    const std::uint8_t inner[] = {'a', 0, 0, 0, 'b', 0};
    CRegValue cut;
    ASSERT_TRUE(cut.SetData(inner, 6, kRegSz));
    EXPECT_EQ(StringOf(cut), u"a");

    // Without a terminator, exactly size / 2 characters; an unaligned start is fine.
    const std::uint8_t unaligned[] = {0xEE, 'x', 0, 0x34, 0x12};
    CRegValue exact;
    ASSERT_TRUE(exact.SetData(unaligned + 1, 4, kRegSz));
    EXPECT_EQ(exact.GetSize(), 4u);
    EXPECT_EQ(StringOf(exact), std::u16string({u'x', u'\x1234'}));
}

TEST(RegValueSetData, BinaryReplacesAnEarlierBuffer) {
    CRegValue value;
    const std::uint8_t first[] = {9, 9, 9, 9, 9};
    const std::uint8_t second[] = {1, 2};
    ASSERT_TRUE(value.SetData(first, 5, kRegBinary));
    ASSERT_TRUE(value.SetData(second, 2, kRegBinary));
    EXPECT_EQ(DataOf(value), (Bytes{1, 2}));

    ASSERT_TRUE(value.SetData(first, 0, kRegBinary));
    EXPECT_EQ(value.GetType(), kRegBinary);
    EXPECT_EQ(value.GetSize(), 0u);
    EXPECT_NE(value.GetData(), nullptr);
}

TEST(RegValueSetData, DwordTakesFourBytesAndNeverReadsPastShortData) {
    const std::uint8_t eight[] = {0x1f, 0, 0, 0x80, 0xff, 0xff, 0xff, 0xff};
    CRegValue value;
    ASSERT_TRUE(value.SetData(eight, 8, kRegDword));
    EXPECT_EQ(value.GetSize(), 4u);
    EXPECT_EQ(DwordOf(value), 0x8000001fu);
    EXPECT_EQ(DataOf(value), (Bytes{0x1f, 0, 0, 0x80}));

    // Exactly two bytes on the heap: the sanitizer catches any read beyond them.
    const auto two = std::make_unique<std::uint8_t[]>(2);
    two[0] = 0x34;
    two[1] = 0x12;
    CRegValue shortValue;
    ASSERT_TRUE(shortValue.SetData(two.get(), 2, kRegDword));
    EXPECT_EQ(shortValue.GetSize(), 4u);
    EXPECT_EQ(DwordOf(shortValue), 0x1234u);

    CRegValue none;
    ASSERT_TRUE(none.SetData(nullptr, 4, kRegDword));
    EXPECT_EQ(DwordOf(none), 0u);
}

// --- ParseLine: the name part ---

TEST(RegValueParseName, AtQuotedAndUnquotedNames) {
    CRegValue value;
    value.SetName(u"before");
    ASSERT_TRUE(Parse(value, u"@=dword:0000001f"));
    EXPECT_TRUE(value.GetName().empty());
    EXPECT_EQ(value.GetType(), kRegDword);
    EXPECT_EQ(DwordOf(value), 0x1fu);

    ASSERT_TRUE(Parse(value, u"\"Language Folder\"=\"x\""));
    EXPECT_EQ(value.GetName(), u"Language Folder");

    // No quote and no "@": the earlier name stays and the data is still read.
    ASSERT_TRUE(Parse(value, u"bare=\"y\""));
    EXPECT_EQ(value.GetName(), u"Language Folder");
    EXPECT_EQ(StringOf(value), u"y");
    ASSERT_TRUE(Parse(value, u"=\"z\""));
    EXPECT_EQ(value.GetName(), u"Language Folder");
}

TEST(RegValueParseName, LastCharacterIsDroppedWhateverItIs) {
    CRegValue value;
    // A blank before the "=": the blank goes, the closing quote stays in the name.
    ASSERT_TRUE(Parse(value, u"\"n\" =\"v\""));
    EXPECT_EQ(value.GetName(), u"n\"");
    ASSERT_TRUE(Parse(value, u"\"\"=\"v\""));
    EXPECT_EQ(value.GetName(), u"");
    // A lone quote gives the empty name.
    value.SetName(u"before");
    ASSERT_TRUE(Parse(value, u"\"=\"v\""));
    EXPECT_EQ(value.GetName(), u"");
    EXPECT_EQ(StringOf(value), u"v");
}

TEST(RegValueParseName, FirstEqualsSplitsAndIsReplacedInPlace) {
    CRegValue value;
    std::u16string line = u"\"a=b\"=\"c\"";
    const std::size_t length = line.size();
    ASSERT_FALSE(value.ParseLine(line));  // data part b"="c" begins with a letter
    EXPECT_EQ(value.GetName(), u"");      // name part "a less its last character
    EXPECT_EQ(line.size(), length);
    EXPECT_EQ(line, std::u16string(u"\"a\0b\"=\"c\"", length));
}

// --- ParseLine: string data ---

TEST(RegValueParseString, NoEscapesAndNoCheckOfTheClosingQuote) {
    CRegValue value;
    ASSERT_TRUE(Parse(value, u"\"p\"=\"C:\\\\a\\\"b\""));
    EXPECT_EQ(StringOf(value), u"C:\\\\a\\\"b");
    EXPECT_EQ(value.GetSize(), 16u);

    ASSERT_TRUE(Parse(value, u"\"p\"=\"abc\"ignored"));
    EXPECT_EQ(StringOf(value), u"abc\"ignore");

    ASSERT_TRUE(Parse(value, u"\"p\"=\"\""));
    EXPECT_EQ(value.GetType(), kRegSz);
    EXPECT_EQ(value.GetSize(), 0u);
    EXPECT_EQ(*reinterpret_cast<const char16_t*>(value.GetData()), u'\0');

    // A lone opening quote gives the empty string.
    ASSERT_TRUE(Parse(value, u"\"p\"=\""));
    EXPECT_EQ(value.GetType(), kRegSz);
    EXPECT_EQ(value.GetSize(), 0u);
}

TEST(RegValueParseString, LineEndsAtItsFirstZeroCharacter) {
    CRegValue value;
    std::u16string line(u"\"p\"=\"ab\"\0\"tail\"", 15);
    ASSERT_TRUE(value.ParseLine(line));
    EXPECT_EQ(StringOf(value), u"ab");
    // An "=" after the zero character does not count.
    std::u16string hidden(u"\"p\"\0=\"x\"", 8);
    EXPECT_FALSE(value.ParseLine(hidden));
}

// --- ParseLine: hex and DWORD digit pairing ---

TEST(RegValueParseHex, LowercasePairsAcrossSeparatorsOnly) {
    CRegValue value;
    ASSERT_TRUE(Parse(value, u"\"b\"=hex:01,ab,FF"));
    EXPECT_EQ(value.GetType(), kRegBinary);
    EXPECT_EQ(DataOf(value), (Bytes{0x01, 0xab}));

    ASSERT_TRUE(Parse(value, u"\"b\"=hex:0A,1B"));
    EXPECT_EQ(DataOf(value), (Bytes{0x01}));

    ASSERT_TRUE(Parse(value, u"\"b\"=hex:"));
    EXPECT_EQ(value.GetType(), kRegBinary);
    EXPECT_EQ(value.GetSize(), 0u);

    // The unpaired last digit is dropped; the tag is not compared.
    ASSERT_TRUE(Parse(value, u"\"b\"=hXYZ12,3"));
    EXPECT_EQ(DataOf(value), (Bytes{0x12}));

    // Continuation characters of a joined value are skipped.
    ASSERT_TRUE(Parse(value, u"\"b\"=hex:00,ff,\\\r\n  10,7f"));
    EXPECT_EQ(DataOf(value), (Bytes{0x00, 0xff, 0x10, 0x7f}));
}

TEST(RegValueParseHex, DigitsWithoutSeparatorsKeepEveryPair) {
    CRegValue value;
    ASSERT_TRUE(Parse(value, u"\"b\"=hex:0123456789abcdef"));
    EXPECT_EQ(DataOf(value), (Bytes{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}));

    const std::u16string digits(4000, u'f');
    ASSERT_TRUE(Parse(value, u"@=hex:" + digits));
    EXPECT_EQ(value.GetSize(), 2000u);
    EXPECT_EQ(DataOf(value), Bytes(2000, 0xff));
}

TEST(RegValueParseDword, PairsFillFromTheTopAndAFifthAddsIntoTheTopAgain) {
    CRegValue value;
    ASSERT_TRUE(Parse(value, u"\"d\"=dword:ff"));
    EXPECT_EQ(DwordOf(value), 0xff000000u);
    EXPECT_EQ(value.GetSize(), 4u);

    ASSERT_TRUE(Parse(value, u"\"d\"=dword:12345678"));
    EXPECT_EQ(DataOf(value), (Bytes{0x78, 0x56, 0x34, 0x12}));

    ASSERT_TRUE(Parse(value, u"\"d\"=dword:0000000101"));
    EXPECT_EQ(DwordOf(value), 0x01000001u);
    // The top byte wraps modulo 2^32.
    ASSERT_TRUE(Parse(value, u"\"d\"=dword:ff000000ff"));
    EXPECT_EQ(DwordOf(value), 0xfe000000u);

    ASSERT_TRUE(Parse(value, u"\"d\"=dword:0000ABCD"));
    EXPECT_EQ(DwordOf(value), 0u);
    ASSERT_TRUE(Parse(value, u"\"d\"=dword:"));
    EXPECT_EQ(value.GetType(), kRegDword);
    EXPECT_EQ(DwordOf(value), 0u);
}

// --- ParseLine: failures ---

TEST(RegValueParseFailure, NoDataAndTheLinesNameKept) {
    const std::u16string failing[] = {
        u"no equals sign",
        u"\"n\"=",
        u"\"n\"=x:00",
        u"\"n\"= \"v\"",
        u"\"n\"=Hex:00",
        // Too short to hold "hex:" or "dword:".
        u"\"n\"=h",
        u"\"n\"=hex",
        u"\"n\"=d",
        u"\"n\"=dword",
    };
    for (const auto& line : failing) {
        CRegValue value;
        value.SetName(u"old");
        const std::uint8_t bytes[] = {1, 2, 3, 4};
        ASSERT_TRUE(value.SetData(bytes, 4, kRegBinary));
        EXPECT_FALSE(Parse(value, line)) << std::string(line.begin(), line.end());
        ExpectNoData(value);
        const bool hasName = line.find(u'=') != std::u16string::npos;
        EXPECT_EQ(value.GetName(), hasName ? u"n" : u"old");
    }
}

TEST(RegValueParseFailure, ShortTagsAtTheVeryEndOfTheLine) {
    // Heap strings too long for the small-string buffer, so that a read past the line's end
    // lands outside its allocation.
    CRegValue value;
    const std::u16string name(40, u'n');
    for (const std::u16string tag : {u"h", u"he", u"hex", u"d", u"dwo", u"dword"}) {
        std::u16string line = u"\"" + name + u"\"=" + tag;
        line.shrink_to_fit();
        EXPECT_FALSE(value.ParseLine(line));
        EXPECT_EQ(value.GetName(), name);
    }
}

}  // namespace
}  // namespace langsetup
