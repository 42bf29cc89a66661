#include "app/command_mode.h"

#include <gtest/gtest.h>

namespace langsetup {
namespace {

CommandMode ModeOf(std::u16string_view line) {
    return ChooseMode(ArgList::Split(line));
}

TEST(ChooseMode, SwitchesAreExactAndCaseSensitive) {
    EXPECT_EQ(ModeOf(u"tool.exe /install"), CommandMode::kInstall);
    EXPECT_EQ(ModeOf(u"tool.exe /install 1031 x y"), CommandMode::kInstall);
    EXPECT_EQ(ModeOf(u"tool.exe \"/install\""), CommandMode::kInstall);
    EXPECT_EQ(ModeOf(u"tool.exe /clean"), CommandMode::kClean);
    EXPECT_EQ(ModeOf(u"tool.exe /clean x y"), CommandMode::kClean);
    for (const auto* line :
         {u"tool.exe /INSTALL", u"tool.exe /Install", u"tool.exe -install", u"tool.exe install",
          u"tool.exe /install2", u"tool.exe /Clean", u"tool.exe /clean\u00A0"}) {
        EXPECT_EQ(ModeOf(line), CommandMode::kNothing) << "two arguments do nothing";
    }
}

TEST(ChooseMode, ArgumentCountsDecideTheOtherForms) {
    EXPECT_EQ(ModeOf(u""), CommandMode::kNothing);
    EXPECT_EQ(ModeOf(u"tool.exe"), CommandMode::kNothing);
    EXPECT_EQ(ModeOf(u"tool.exe 12"), CommandMode::kNothing);
    EXPECT_EQ(ModeOf(u"tool.exe 12 C:\\x.exe"), CommandMode::kWaiter);
    EXPECT_EQ(ModeOf(u"tool.exe /INSTALL 1031"), CommandMode::kWaiter);
    EXPECT_EQ(ModeOf(u"tool.exe a b c d"), CommandMode::kWaiter);
    EXPECT_EQ(ModeOf(u"tool.exe  "), CommandMode::kNothing);  // program and one empty argument
}

TEST(LocaleFromArguments, OnlyExactlyThreeArgumentsNameALocale) {
    EXPECT_EQ(LocaleFromArguments(ArgList::Split(u"t /install 1031")), 1031);
    EXPECT_EQ(LocaleFromArguments(ArgList::Split(u"t /install de")), 0);
    EXPECT_EQ(LocaleFromArguments(ArgList::Split(u"t /install \"\"")), 0);
    EXPECT_EQ(LocaleFromArguments(ArgList::Split(u"t /install \u00A0-5")), -5);
    EXPECT_FALSE(LocaleFromArguments(ArgList::Split(u"t /install")));
    EXPECT_FALSE(LocaleFromArguments(ArgList::Split(u"t /install 1031 x")));
}

}  // namespace
}  // namespace langsetup
