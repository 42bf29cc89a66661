#include "registry/reg_text_lines.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "registry/reg_test_values.h"

namespace langsetup::test {
namespace {

using Lines = std::vector<std::u16string>;

std::u16string HexText(const Bytes& bytes, std::u16string_view name = u"abc") {
    PieceCollector out;
    WriteHexLine(name, bytes.data(), static_cast<std::uint32_t>(bytes.size()), out);
    return out.text;
}

std::u16string HexPair(std::uint8_t byte) {
    const auto digits = HexByte(byte);
    return {digits[0], digits[1]};
}

// The hex digit pairs of a physical line, after the "=hex:" of the first.
std::size_t BytesOnLine(const std::u16string& line) {
    return LowercaseHexDigits(line.substr(line.find(u':') + 1)) / 2;  // npos + 1 is 0
}

// `text` is one line once joined, and ParseLine reads `expected` from it.
void ExpectReadBack(std::u16string_view text, const ValueRecord& expected) {
    const Lines lines = JoinedLines(text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(ParsedRecord(lines[0]), expected);
}

// --- Fixed forms ---

TEST(RegTextHexByte, LowercaseHighDigitFirst) {
    EXPECT_EQ(HexByte(0x00), (std::array<char16_t, 2>{u'0', u'0'}));
    EXPECT_EQ(HexByte(0x0f), (std::array<char16_t, 2>{u'0', u'f'}));
    EXPECT_EQ(HexByte(0xa9), (std::array<char16_t, 2>{u'a', u'9'}));
    EXPECT_EQ(HexByte(0xff), (std::array<char16_t, 2>{u'f', u'f'}));
}

TEST(RegTextKeyHeader, FiveNamedRootsAndNothingForOthers) {
    const std::pair<std::uint32_t, std::u16string_view> named[] = {
        {kRootClassesRoot, u"[HKEY_CLASSES_ROOT\\Software\\Pexalo]\r\n"},
        {kRootCurrentUser, u"[HKEY_CURRENT_USER\\Software\\Pexalo]\r\n"},
        {kRootLocalMachine, u"[HKEY_LOCAL_MACHINE\\Software\\Pexalo]\r\n"},
        {kRootUsers, u"[HKEY_USERS\\Software\\Pexalo]\r\n"},
        {kRootCurrentConfig, u"[HKEY_CURRENT_CONFIG\\Software\\Pexalo]\r\n"},
    };
    for (const auto& [root, expected] : named) {
        PieceCollector out;
        WriteKeyHeader(root, u"Software\\Pexalo", out);
        EXPECT_EQ(out.text, expected);
    }
    // HKEY_PERFORMANCE_DATA, HKEY_DYN_DATA, an opened key: not even the header's start.
    for (const std::uint32_t other : {0x80000004u, 0x80000006u, 0u, 0x1234u}) {
        PieceCollector out;
        WriteKeyHeader(other, u"Software", out);
        EXPECT_TRUE(out.pieces.empty()) << other;
    }
}

TEST(RegTextValueLines, EmptyNamesUnescapedTextAndDwordDigitsMostSignificantFirst) {
    PieceCollector out;
    WriteStringLine(u"", u"v", out);
    const std::uint8_t dword[] = {0x1f, 0, 0, 0};
    WriteDwordLine(u"", dword, out);
    WriteHexLine(u"", nullptr, 0, out);
    WriteStringLine(u"a\"b", u"C:\\x\"", out);
    WriteHexLine(u"n", dword, 0, out);
    const std::uint8_t ordered[] = {0x78, 0x56, 0x34, 0x12};
    WriteDwordLine(u"d", ordered, out);
    EXPECT_EQ(out.text,
              u"@=\"v\"\r\n"
              u"\"\"=dword:0000001f\r\n"
              u"\"\"=hex:\r\n"
              u"\"a\"b\"=\"C:\\x\"\"\r\n"
              u"\"n\"=hex:\r\n"
              u"\"d\"=dword:12345678\r\n");
}

TEST(RegTextValueLines, EveryPieceIsWrittenOnItsOwn) {
    PieceCollector out;
    const std::uint8_t bytes[] = {0x01, 0xab};
    WriteHexLine(u"n", bytes, 2, out);
    EXPECT_EQ(out.pieces, (Lines{u"\"", u"n", u"\"=hex:", u"01", u",", u"ab", u"\r\n"}));

    PieceCollector dword;
    const std::uint8_t four[] = {0x0d, 0x0c, 0x0b, 0x0a};
    WriteDwordLine(u"", four, dword);
    EXPECT_EQ(dword.pieces, (Lines{u"\"", u"", u"\"=dword:", u"0a", u"0b", u"0c", u"0d", u"\r\n"}));
}

TEST(RegTextValueLines, TextsEndAtTheirFirstZeroCharacter) {
    PieceCollector out;
    WriteStringLine(std::u16string_view(u"na\0me", 5), std::u16string_view(u"x\0y", 3), out);
    WriteKeyHeader(kRootCurrentUser, std::u16string_view(u"K\0junk", 6), out);
    EXPECT_EQ(out.text, u"\"na\"=\"x\"\r\n[HKEY_CURRENT_USER\\K]\r\n");
}

// --- Hex wrapping: column arithmetic ---

TEST(RegTextHexWrap, ThreeCharacterNameHolds23ThenLinesOf25) {
    const Lines lines = PhysicalLines(HexText(Sequence(23 + 25 + 25 + 3)));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(BytesOnLine(lines[0]), 23u);
    EXPECT_EQ(lines[0].size(), 80u);  // 79 characters and the backslash
    EXPECT_EQ(lines[0].back(), u'\\');
    EXPECT_EQ(BytesOnLine(lines[1]), 25u);
    EXPECT_EQ(lines[1].substr(0, 2), u"  ");
    EXPECT_EQ(lines[1].size(), 78u);
    EXPECT_EQ(BytesOnLine(lines[2]), 25u);
    const Bytes all = Sequence(76);
    EXPECT_EQ(lines[3],
              u"  " + HexPair(all[73]) + u"," + HexPair(all[74]) + u"," + HexPair(all[75]));

    // 22 bytes fit on one line; 24 put exactly one byte on the second.
    EXPECT_EQ(PhysicalLines(HexText(Sequence(22))).size(), 1u);
    const Lines twentyFour = PhysicalLines(HexText(Sequence(24)));
    ASSERT_EQ(twentyFour.size(), 2u);
    EXPECT_EQ(twentyFour[1].size(), 4u);  // two blanks and one byte, no comma
}

TEST(RegTextHexWrap, LastByteAcrossTheColumnLeavesALineOfTwoBlanks) {
    const std::u16string text = HexText(Sequence(23));
    EXPECT_TRUE(text.ends_with(u"\\\r\n  \r\n")) << ::testing::PrintToString(text);
    const Lines lines = PhysicalLines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 79u);  // 78 characters and the backslash
    EXPECT_EQ(lines[1], u"  ");

    // On a further line the last (25th) byte reaches column 76 only: no blank line.
    const std::u16string fortyEight = HexText(Sequence(48));
    EXPECT_EQ(PhysicalLines(fortyEight).size(), 2u);
    EXPECT_FALSE(fortyEight.ends_with(u"  \r\n"));
}

// --- Round trips: writer -> ParseLine ---

TEST(RegTextRoundTrip, StringAndDwordLinesReadBack) {
    const std::u16string strings[] = {u"",    u"C:\\Pexalo\\Languages\\de", u"with \"quotes\"",
                                      u"a=b", std::u16string(2000, u'x'),   u"\u00e4\u4e2d"};
    for (const auto& data : strings) {
        PieceCollector out;
        WriteStringLine(u"LanguageFolder", data, out);
        ExpectReadBack(out.text, StringRecord(u"LanguageFolder", data));
    }
    for (const std::uint32_t dword : {0u, 0x1fu, 0x80000000u, 0xffffffffu, 0x00a1b2c3u}) {
        const ValueRecord expected = DwordRecord(u"Count", dword);
        PieceCollector out;
        WriteDwordLine(u"Count", expected.data.data(), out);
        ExpectReadBack(out.text, expected);
    }
}

TEST(RegTextRoundTrip, HexLinesOfEveryWrapShapeReadBack) {
    // Name lengths around the wrap column, sizes from empty to many lines (incl. the ones whose
    // last byte wraps).
    for (const std::size_t nameLength : {0u, 1u, 3u, 4u, 5u, 40u, 69u, 70u, 90u}) {
        for (std::size_t size = 0; size <= 130; ++size) {
            SCOPED_TRACE(std::to_string(nameLength) + " " + std::to_string(size));
            const ValueRecord expected =
                BinaryRecord(std::u16string(nameLength, u'k'), Sequence(size));
            const std::u16string text = HexText(expected.data, expected.name);
            ExpectReadBack(text, expected);
            // The lines as written, joined into one without dropping anything, read the same.
            EXPECT_EQ(ParsedRecord(text), expected);
            // No physical line passes 80 characters (79 and the backslash).
            for (const auto& physical : PhysicalLines(text)) {
                if (physical.find(u'=') == std::u16string::npos) {
                    EXPECT_LE(physical.size(), 80u);
                }
            }
        }
    }
}

}  // namespace
}  // namespace langsetup::test
