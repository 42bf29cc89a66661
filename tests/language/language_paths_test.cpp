#include "language/language_paths.h"

#include <gtest/gtest.h>

#include "language/module_command_line.h"

namespace langsetup {
namespace {

constexpr std::u16string_view kFolder = u"C:\\My Tool\\";

TEST(LanguagePaths, ModuleSearchAndDeletionConcernTheFolderBesideTheTool) {
    EXPECT_EQ(LanguageFolderPath(kFolder), u"C:\\My Tool\\Languages");
    EXPECT_EQ(LanguageModuleSearchPattern(kFolder), u"C:\\My Tool\\Languages\\*.exe");
    EXPECT_EQ(LanguageFolderEntryPath(kFolder, u"FR.EXE"), u"C:\\My Tool\\Languages\\FR.EXE");
}

TEST(LanguagePaths, ModuleIsCopiedFromTheLanguageFolderToBesideTheTool) {
    EXPECT_EQ(LanguageModuleSourcePath(kFolder, u"de"), u"C:\\My Tool\\Languages\\de.exe");
    EXPECT_EQ(LanguageModuleTargetPath(kFolder, u"de"), u"C:\\My Tool\\de.exe");
}

TEST(ModuleCommandLine, IsTheWholePathInQuotes) {
    EXPECT_EQ(ModuleCommandLine(u"C:\\My Tool\\de.exe"), u"\"C:\\My Tool\\de.exe\"");
    EXPECT_EQ(ModuleCommandLine(u"C:\\Tool\\de.exe"), u"\"C:\\Tool\\de.exe\"");
    EXPECT_EQ(ModuleCommandLine(u"\\\\server\\a b\\c d\\en.exe"),
              u"\"\\\\server\\a b\\c d\\en.exe\"");
    // Text outside the Basic Multilingual Plane passes unchanged.
    EXPECT_EQ(ModuleCommandLine(u"C:\\\U0001F600 x\\de.exe"), u"\"C:\\\U0001F600 x\\de.exe\"");
}

}  // namespace
}  // namespace langsetup
