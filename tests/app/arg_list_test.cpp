#include "app/arg_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

std::vector<std::u16string> SplitToStrings(std::u16string_view line) {
    const ArgList args = ArgList::Split(line);
    std::vector<std::u16string> out;
    for (std::size_t i = 0; i < args.Count(); ++i) {
        out.emplace_back(args.ItemView(i));
    }
    return out;
}

using Args = std::vector<std::u16string>;

TEST(ArgListSplit, QuotedProgramPathLosesItsQuotes) {
    EXPECT_EQ(SplitToStrings(u"\"C:\\Program Files\\Tool\\tool.exe\" /install 1031"),
              (Args{u"C:\\Program Files\\Tool\\tool.exe", u"/install", u"1031"}));
    // A backslash is an ordinary character, also before a quote.
    EXPECT_EQ(SplitToStrings(u"\"C:\\dir\\\" x"), (Args{u"C:\\dir\\", u"x"}));
}

TEST(ArgListSplit, EmptyAndBlankCommandLines) {
    EXPECT_EQ(ArgList::Split(u"").Count(), 0u);
    EXPECT_EQ(SplitToStrings(u"   "), (Args{u""}));
    EXPECT_EQ(SplitToStrings(u"\t\r\n"), (Args{u""}));
}

TEST(ArgListSplit, TrailingSeparatorsDecideAboutAnEmptyLastArgument) {
    EXPECT_EQ(SplitToStrings(u"tool.exe   /clean"), (Args{u"tool.exe", u"/clean"}));
    EXPECT_EQ(SplitToStrings(u"a b "), (Args{u"a", u"b"}));
    EXPECT_EQ(SplitToStrings(u"a b  "), (Args{u"a", u"b", u""}));
    // After a closing quote the one separator is skipped, the next one starts an empty argument.
    EXPECT_EQ(SplitToStrings(u"x \"a\"  "), (Args{u"x", u"a", u""}));
    EXPECT_EQ(SplitToStrings(u"x \"a\" "), (Args{u"x", u"a"}));
}

TEST(ArgListSplit, QuoteRules) {
    // A quote not followed by a separator or the end stays inside a quoted argument.
    EXPECT_EQ(SplitToStrings(u"x \"a\"b c\""), (Args{u"x", u"a\"b c"}));
    // A quote inside an unquoted argument is an ordinary character.
    EXPECT_EQ(SplitToStrings(u"x ab\"c"), (Args{u"x", u"ab\"c"}));
    EXPECT_EQ(SplitToStrings(u"x ab\" c"), (Args{u"x", u"ab\"", u"c"}));
    EXPECT_EQ(SplitToStrings(u"x \"\" y"), (Args{u"x", u"", u"y"}));
    EXPECT_EQ(SplitToStrings(u"x \"a b"), (Args{u"x", u"a b"}));
    EXPECT_EQ(SplitToStrings(u"x \"a\"  y"), (Args{u"x", u"a", u"y"}));
    EXPECT_EQ(SplitToStrings(u"\""), (Args{u""}));
    EXPECT_EQ(SplitToStrings(u"\"\""), (Args{u""}));
    EXPECT_EQ(SplitToStrings(u"\"a\"\"b\""), (Args{u"a\"\"b"}));
}

TEST(ArgListSplit, OnlyTheSixAsciiWhitespaceCharactersSeparate) {
    EXPECT_EQ(SplitToStrings(u"a\tb\nc\rd\ve\ff g"),
              (Args{u"a", u"b", u"c", u"d", u"e", u"f", u"g"}));
    EXPECT_EQ(SplitToStrings(u"a\u00A0b\u3000c\u2003d\x1F"), (Args{u"a\u00A0b\u3000c\u2003d\x1F"}));
}

TEST(ArgListSplit, ItemsStayValidWhenTheListIsMoved) {
    // A short command line: a buffer kept inside the object would move with it.
    ArgList original = ArgList::Split(u"a bc");
    ArgList moved = std::move(original);
    ASSERT_EQ(moved.Count(), 2u);
    EXPECT_EQ(moved.ItemView(0), u"a");
    EXPECT_EQ(moved.ItemView(1), u"bc");
    const auto buffer = moved.Buffer();
    for (std::size_t i = 0; i < moved.Count(); ++i) {
        EXPECT_GE(moved.Item(i), buffer.data());
        EXPECT_LT(moved.Item(i), buffer.data() + buffer.size());
    }
    EXPECT_EQ(original.Count(), 0u);  // NOLINT(bugprone-use-after-move): moved-from is empty
}

}  // namespace
}  // namespace langsetup
