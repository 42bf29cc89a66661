#include "app/number_rule.h"

#include <limits>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(NumberRule, PlainDecimalWithSignAndTrailingText) {
    EXPECT_EQ(ParseLocaleIdentifier(u"1031"), 1031);
    EXPECT_EQ(ParseLocaleIdentifier(u"+1031"), 1031);
    EXPECT_EQ(ParseLocaleIdentifier(u"-7"), -7);
    EXPECT_EQ(ParseLocaleIdentifier(u"1031abc"), 1031);
    EXPECT_EQ(ParseLocaleIdentifier(u"10 31"), 10);
    EXPECT_EQ(ParseLocaleIdentifier(u"0x407"), 0);
}

TEST(NumberRule, NoDigitGivesZero) {
    // "+-1": one sign only.
    for (const std::u16string_view text : {u"", u"de", u"-", u"+-1", u"   "}) {
        EXPECT_EQ(ParseLocaleIdentifier(text), 0) << std::string(text.begin(), text.end());
    }
}

TEST(NumberRule, WhitespaceIsWiderThanTheArgumentSeparators) {
    EXPECT_EQ(ParseLocaleIdentifier(u" \t\n\v\f\r1031"), 1031);
    EXPECT_EQ(ParseLocaleIdentifier(u"\u00A01031"), 1031);
    EXPECT_EQ(ParseLocaleIdentifier(u"\u3000\u2003\u202F-12"), -12);
    EXPECT_EQ(ParseLocaleIdentifier(u"- 12"), 0);  // no white space after the sign
    EXPECT_EQ(ParseLocaleIdentifier(u"\x1F"
                                    u"12"),
              0);  // a control character is not white space
}

TEST(NumberRule, DigitsOfOtherScripts) {
    EXPECT_EQ(ParseLocaleIdentifier(u"\u0661\u0660\u0663\u0661"), 1031);  // Arabic-Indic
    EXPECT_EQ(ParseLocaleIdentifier(u"\u06F1\u06F0\u06F3\u06F1"), 1031);  // Extended Arabic-Indic
    EXPECT_EQ(ParseLocaleIdentifier(u"\u0967\u0966\u0969\u0967"), 1031);  // Devanagari
    EXPECT_EQ(ParseLocaleIdentifier(u"\uFF11\uFF10\uFF13\uFF11"), 1031);  // fullwidth
    EXPECT_EQ(ParseLocaleIdentifier(u"1\u0660\uFF13\u09E7"), 1031);       // mixed scripts
    EXPECT_EQ(ParseLocaleIdentifier(u"\u0E59\u0ED9"), 99);                // Thai, Lao nines
    // Neighbours of digit blocks, superscripts and Roman numerals are not decimal digits.
    for (const std::u16string_view text :
         {u"1\u065F", u"1\u066A", u"1\u00B2", u"1\u2167", u"1\uFF1A"}) {
        EXPECT_EQ(ParseLocaleIdentifier(text), 1) << static_cast<int>(text[1]);
    }
}

TEST(NumberRule, ClampsToTheSigned32BitBounds) {
    EXPECT_EQ(ParseLocaleIdentifier(u"2147483647"), kMax);
    EXPECT_EQ(ParseLocaleIdentifier(u"2147483648"), kMax);
    EXPECT_EQ(ParseLocaleIdentifier(u"-2147483648"), kMin);
    EXPECT_EQ(ParseLocaleIdentifier(u"-2147483649"), kMin);
    EXPECT_EQ(ParseLocaleIdentifier(u"99999999999999999999999999999999"), kMax);
    EXPECT_EQ(ParseLocaleIdentifier(u"-00000000000000000000000000000001"), -1);
}

TEST(NumberRule, WholeNumberNeedsDigitsAndNothingAfterThem) {
    EXPECT_EQ(ParseWholeNumber(u"1031"), 1031);
    EXPECT_EQ(ParseWholeNumber(u" -12"), -12);
    EXPECT_EQ(ParseWholeNumber(u"\uFF10"), 0);
    EXPECT_EQ(ParseWholeNumber(u"99999999999"), kMax);
    for (const std::u16string_view text : {u"", u"-", u"de.exe", u"12 ", u"12x"}) {
        EXPECT_FALSE(ParseWholeNumber(text)) << std::string(text.begin(), text.end());
    }
}

TEST(NumberRule, DecimalTextIsReadBackAsTheSameNumber) {
    const std::pair<std::int32_t, std::u16string_view> cases[] = {
        {0, u"0"}, {-1, u"-1"}, {1031, u"1031"}, {kMax, u"2147483647"}, {kMin, u"-2147483648"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(DecimalText(value), text) << value;
        EXPECT_EQ(ParseWholeNumber(DecimalText(value)), value) << value;
    }
    EXPECT_EQ(DecimalText(std::numeric_limits<std::uint32_t>::max()), u"4294967295");
}

}  // namespace
}  // namespace langsetup
