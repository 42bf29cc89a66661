#include "registry/reg_value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry/reg_test_values.h"

namespace langsetup::test {
namespace {

// `value` holds `expected`, with a data address exactly when it has a type, and a string's
// data zero-terminated.
void ExpectValue(const CRegValue& value, const ValueRecord& expected) {
    EXPECT_EQ(RecordOf(value), expected);
    EXPECT_EQ(value.GetData() != nullptr, expected.type != kRegNone);
    if (expected.type == kRegSz && value.GetData() != nullptr) {
        EXPECT_EQ(reinterpret_cast<const char16_t*>(value.GetData())[value.GetSize() / 2], u'\0');
    }
}

// What SetData of a type makes of `size` bytes at `data`, in a new value.
struct SetDataRow {
    const std::uint8_t* data;
    std::uint32_t size;
    ValueRecord value;
};

void ExpectSetData(std::uint32_t type, const std::vector<SetDataRow>& rows) {
    for (const auto& [data, size, expected] : rows) {
        CRegValue value;
        EXPECT_TRUE(value.SetData(data, size, type)) << size;
        ExpectValue(value, expected);
    }
}

// What ParseLine makes of `line`, in a value that had the name "earlier" and four bytes of data.
struct ParseRow {
    std::u16string line;
    ValueRecord value;  // type 0: ParseLine fails
};

void ExpectParsed(const std::vector<ParseRow>& rows) {
    for (const auto& [line, expected] : rows) {
        SCOPED_TRACE(::testing::PrintToString(line));
        CRegValue value = ValueOf(BinaryRecord(u"earlier", {1, 2, 3, 4}));
        std::u16string parsed = line;
        EXPECT_EQ(value.ParseLine(parsed), expected.type != kRegNone);
        ExpectValue(value, expected);
    }
}

// --- The value's state through Clear, SetName and SetData ---

TEST(RegValueState, NewValueHasNoNameAndNoData) {
    ExpectValue(CRegValue(), NoData(u""));
}

TEST(RegValueState, SetNameDropsDataAndClearKeepsName) {
    CRegValue value = ValueOf(BinaryRecord(u"", {1, 2, 3}));
    EXPECT_TRUE(value.SetName(u"Folder"));
    ExpectValue(value, NoData(u"Folder"));

    value = ValueOf(BinaryRecord(u"Folder", {1, 2, 3}));
    value.Clear();
    ExpectValue(value, NoData(u"Folder"));
}

TEST(RegValueState, OtherTypesAreRefusedAndChangeNothing) {
    CRegValue value = ValueOf(NoData(u"x"));
    const std::uint8_t bytes[] = {'a', 0, 0, 0};
    for (const std::uint32_t type : {0u, 2u, 5u, 7u, 11u}) {
        EXPECT_FALSE(value.SetData(bytes, 4, type)) << type;
        ExpectValue(value, NoData(u"x"));
    }
    ASSERT_TRUE(value.SetData(bytes, 4, kRegDword));
    EXPECT_FALSE(value.SetData(bytes, 4, 2));
    EXPECT_EQ(RecordOf(value), DwordRecord(u"x", 0x61));
}

TEST(RegValueSetData, StringStopsAtItsTerminatorAndAtAnOddByte) {
    // "abc" and its terminator, as the registry returns it; then the same less its last byte;
    // a zero character inside; and, without a terminator, exactly size / 2 characters from an
    // unaligned start.
    const std::uint8_t withTerminator[] = {'a', 0, 'b', 0, 'c', 0, 0, 0};
    const std::uint8_t inner[] = {'a', 0, 0, 0, 'b', 0};
    const std::uint8_t unaligned[] = {0xEE, 'x', 0, 0x34, 0x12};
    ExpectSetData(kRegSz, {{withTerminator, 8, StringRecord(u"", u"abc")},
                           {withTerminator, 7, StringRecord(u"", u"abc")},
                           {inner, 6, StringRecord(u"", u"a")},
                           {unaligned + 1, 4, StringRecord(u"", std::u16string{u'x', u'\x1234'})}});
}

TEST(RegValueSetData, BinaryReplacesAnEarlierBuffer) {
    CRegValue value = ValueOf(BinaryRecord(u"", {9, 9, 9, 9, 9}));
    const std::uint8_t second[] = {1, 2};
    ASSERT_TRUE(value.SetData(second, 2, kRegBinary));
    EXPECT_EQ(RecordOf(value), BinaryRecord(u"", {1, 2}));

    ASSERT_TRUE(value.SetData(second, 0, kRegBinary));
    ExpectValue(value, BinaryRecord(u"", {}));
}

TEST(RegValueSetData, DwordTakesFourBytesAndNeverReadsPastShortData) {
    const std::uint8_t eight[] = {0x1f, 0, 0, 0x80, 0xff, 0xff, 0xff, 0xff};
    // Exactly two bytes on the heap: the sanitizer catches any read beyond them.
    const auto two = std::make_unique<std::uint8_t[]>(2);
    two[0] = 0x34;
    two[1] = 0x12;
    ExpectSetData(kRegDword, {{eight, 8, DwordRecord(u"", 0x8000001f)},
                              {two.get(), 2, DwordRecord(u"", 0x1234)},
                              {nullptr, 4, DwordRecord(u"", 0)}});
}

// --- ParseLine: the name part ---

TEST(RegValueParseName, AtQuotedAndUnquotedNames) {
    ExpectParsed({
        {u"@=dword:0000001f", DwordRecord(u"", 0x1f)},
        {u"\"Language Folder\"=\"x\"", StringRecord(u"Language Folder", u"x")},
        // No quote and no "@": the earlier name stays and the data is still read.
        {u"bare=\"y\"", StringRecord(u"earlier", u"y")},
        {u"=\"z\"", StringRecord(u"earlier", u"z")},
    });
}

TEST(RegValueParseName, LastCharacterIsDroppedWhateverItIs) {
    ExpectParsed({
        // A blank before the "=": the blank goes, the closing quote stays in the name.
        {u"\"n\" =\"v\"", StringRecord(u"n\"", u"v")},
        {u"\"\"=\"v\"", StringRecord(u"", u"v")},
        // A lone quote gives the empty name.
        {u"\"=\"v\"", StringRecord(u"", u"v")},
    });
}

TEST(RegValueParseName, FirstEqualsSplitsAndIsReplacedInPlace) {
    CRegValue value;
    std::u16string line = u"\"a=b\"=\"c\"";
    ASSERT_FALSE(value.ParseLine(line));  // data part b"="c" begins with a letter
    EXPECT_EQ(value.GetName(), u"");      // name part "a less its last character
    EXPECT_EQ(line, std::u16string(u"\"a\0b\"=\"c\"", 9));
}

// --- ParseLine: string data ---

TEST(RegValueParseString, NoEscapesAndNoCheckOfTheClosingQuote) {
    ExpectParsed({
        {u"\"p\"=\"C:\\\\a\\\"b\"", StringRecord(u"p", u"C:\\\\a\\\"b")},
        {u"\"p\"=\"abc\"ignored", StringRecord(u"p", u"abc\"ignore")},
        {u"\"p\"=\"\"", StringRecord(u"p", u"")},
        // A lone opening quote gives the empty string.
        {u"\"p\"=\"", StringRecord(u"p", u"")},
    });
}

TEST(RegValueParseString, LineEndsAtItsFirstZeroCharacter) {
    ExpectParsed({
        {std::u16string(u"\"p\"=\"ab\"\0\"tail\"", 15), StringRecord(u"p", u"ab")},
        // An "=" after the zero character does not count.
        {std::u16string(u"\"p\"\0=\"x\"", 8), NoData(u"earlier")},
    });
}

// --- ParseLine: hex and DWORD digit pairing ---

TEST(RegValueParseHex, LowercasePairsAcrossSeparatorsOnly) {
    ExpectParsed({
        {u"\"b\"=hex:01,ab,FF", BinaryRecord(u"b", {0x01, 0xab})},
        {u"\"b\"=hex:0A,1B", BinaryRecord(u"b", {0x01})},
        {u"\"b\"=hex:", BinaryRecord(u"b", {})},
        // The unpaired last digit is dropped; the tag is not compared.
        {u"\"b\"=hXYZ12,3", BinaryRecord(u"b", {0x12})},
        // Continuation characters of a joined value are skipped.
        {u"\"b\"=hex:00,ff,\\\r\n  10,7f", BinaryRecord(u"b", {0x00, 0xff, 0x10, 0x7f})},
    });
}

TEST(RegValueParseHex, DigitsWithoutSeparatorsKeepEveryPair) {
    ExpectParsed({
        {u"\"b\"=hex:0123456789abcdef",
         BinaryRecord(u"b", {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef})},
        {u"@=hex:" + std::u16string(4000, u'f'), BinaryRecord(u"", Bytes(2000, 0xff))},
    });
}

TEST(RegValueParseDword, PairsFillFromTheTopAndAFifthAddsIntoTheTopAgain) {
    ExpectParsed({
        {u"\"d\"=dword:ff", DwordRecord(u"d", 0xff000000)},
        {u"\"d\"=dword:12345678", {u"d", kRegDword, {0x78, 0x56, 0x34, 0x12}}},
        {u"\"d\"=dword:0000000101", DwordRecord(u"d", 0x01000001)},
        // The top byte wraps modulo 2^32.
        {u"\"d\"=dword:ff000000ff", DwordRecord(u"d", 0xfe000000)},
        {u"\"d\"=dword:0000ABCD", DwordRecord(u"d", 0)},
        {u"\"d\"=dword:", DwordRecord(u"d", 0)},
    });
}

// --- ParseLine: failures ---

TEST(RegValueParseFailure, NoDataAndTheLinesNameKept) {
    ExpectParsed({
        {u"no equals sign", NoData(u"earlier")},
        {u"\"n\"=", NoData(u"n")},
        {u"\"n\"=x:00", NoData(u"n")},
        {u"\"n\"= \"v\"", NoData(u"n")},
        {u"\"n\"=Hex:00", NoData(u"n")},
        // Too short to hold "hex:" or "dword:".
        {u"\"n\"=h", NoData(u"n")},
        {u"\"n\"=hex", NoData(u"n")},
        {u"\"n\"=d", NoData(u"n")},
        {u"\"n\"=dword", NoData(u"n")},
    });
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
}  // namespace langsetup::test
