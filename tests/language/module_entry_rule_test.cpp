#include "language/module_entry_rule.h"

#include <string>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

std::string Show(std::u16string_view name) {
    return std::string(name.begin(), name.end());  // the names below are ASCII
}

TEST(ModuleEntryRule, OnlyPlainLongNamesEndingInExeAreDeleted) {
    const struct {
        std::u16string_view name;
        bool deleted;
    } cases[] = {
        {u"de.exe", true},
        {u"DE.EXE", true},
        {u"Fr.eXe", true},
        {u".exe", true},
        {u"a b.c.exe", true},
        {u"..exe", true},
        {u"...exe", true},
        // Matched by "*.exe" through their short 8.3 names only.
        {u"notes.exec", false},
        {u"backup.exe_old", false},
        {u"de.exe~", false},
        {u"de.exe.", false},
        {u"de.exe ", false},
        {u"exe", false},
        {u"de.ex", false},
        {u"", false},
        // Names that, appended to the folder, would name something elsewhere.
        {u"..\\..\\x.exe", false},
        {u"..\\de.exe", false},
        {u"sub/de.exe", false},
        {u"\\de.exe", false},
        {u".", false},
        {u"..", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsDeletableModuleEntry({c.name, false, false}), c.deleted) << Show(c.name);
        // Folders and links are never deleted, whatever their name.
        EXPECT_FALSE(IsDeletableModuleEntry({c.name, true, false})) << Show(c.name);
        EXPECT_FALSE(IsDeletableModuleEntry({c.name, false, true})) << Show(c.name);
        EXPECT_FALSE(IsDeletableModuleEntry({c.name, true, true})) << Show(c.name);
    }
}

}  // namespace
}  // namespace langsetup
