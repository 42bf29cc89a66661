#include "language/module_command_line.h"

#include <gtest/gtest.h>

namespace langsetup {
namespace {

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
