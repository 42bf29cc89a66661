#include "app/module_directory.h"

#include <string>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

TEST(ModuleDirectory, CutDirectlyAfterTheLastBackslash) {
    EXPECT_EQ(FillModuleDirectory(u"C:\\Apps\\My Tool\\tool.exe", false),
              ModuleDirectoryState::kFolder);
    EXPECT_EQ(ModuleDirectory().path, u"C:\\Apps\\My Tool\\");
    EXPECT_EQ(FillModuleDirectory(u"\\\\server\\share\\t.exe", false),
              ModuleDirectoryState::kFolder);
    EXPECT_EQ(ModuleDirectory().path, u"\\\\server\\share\\");
}

TEST(ModuleDirectory, PathWithoutBackslashStaysUncut) {
    EXPECT_EQ(FillModuleDirectory(u"tool.exe", false), ModuleDirectoryState::kNoBackslash);
    EXPECT_EQ(ModuleDirectory().path, u"tool.exe");
}

TEST(ModuleDirectory, APathThatDoesNotFitIsNeverUsed) {
    // The longest path that fits: 2047 units and its terminator.
    const std::u16string fits =
        u"C:\\" + std::u16string(kModuleDirectoryCapacity - 13, u'a') + u"\\tool.exe";
    ASSERT_EQ(fits.size(), kModuleDirectoryCapacity - 1);
    EXPECT_EQ(FillModuleDirectory(fits, false), ModuleDirectoryState::kFolder);
    EXPECT_EQ(ModuleDirectory().path, fits.substr(0, fits.size() - 8));

    // One unit more, or a query that reported truncation: a cut path would name another folder.
    EXPECT_EQ(FillModuleDirectory(fits + u"x", false), ModuleDirectoryState::kUnknown);
    EXPECT_TRUE(ModuleDirectory().path.empty());
    FillModuleDirectory(fits, false);
    EXPECT_EQ(FillModuleDirectory(u"C:\\cut\\", true), ModuleDirectoryState::kUnknown);
    EXPECT_TRUE(ModuleDirectory().path.empty());
}

}  // namespace
}  // namespace langsetup
