#include "language/module_entry_rule.h"

#include <string>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

// A plain file goes by its name; folders and links are never deleted, whatever their name.
void ExpectDeletedAsAPlainFileOnly(std::u16string_view name, bool deleted) {
    const std::string shown(name.begin(), name.end());  // the names below are ASCII
    EXPECT_EQ(IsDeletableModuleEntry({name, false, false}), deleted) << shown;
    EXPECT_FALSE(IsDeletableModuleEntry({name, true, false})) << shown;
    EXPECT_FALSE(IsDeletableModuleEntry({name, false, true})) << shown;
    EXPECT_FALSE(IsDeletableModuleEntry({name, true, true})) << shown;
}

TEST(ModuleEntryRule, OnlyPlainLongNamesEndingInExeAreDeleted) {
    constexpr std::u16string_view kDeleted[] = {u"de.exe",    u"DE.EXE", u"Fr.eXe", u".exe",
                                                u"a b.c.exe", u"..exe",  u"...exe"};
    constexpr std::u16string_view kKept[] = {
        // Matched by "*.exe" through their short 8.3 names only.
        u"notes.exec", u"backup.exe_old", u"de.exe~", u"de.exe.", u"de.exe ", u"exe", u"de.ex", u"",
        // Names that, appended to the folder, would name something elsewhere.
        u"..\\..\\x.exe", u"..\\de.exe", u"sub/de.exe", u"\\de.exe", u".", u"..",
        // A stream of another file.
        u"de.exe:x.exe"};
    for (const std::u16string_view name : kDeleted) {
        ExpectDeletedAsAPlainFileOnly(name, true);
    }
    for (const std::u16string_view name : kKept) {
        ExpectDeletedAsAPlainFileOnly(name, false);
    }
}

// What the trail says of an entry the cleanup keeps.
TEST(ModuleEntryRule, KeptEntriesAreToldWhy) {
    const struct {
        LanguageFolderEntry entry;
        std::u16string_view why;
    } kCases[] = {
        {{u"de.exe", false, false}, u""},
        {{u"x.exe", true, false}, u"a folder"},
        {{u"x.exe", true, true}, u"a link or junction"},
        {{u"x.exe", false, true}, u"a link or junction"},
        {{u"..\\x.exe", false, false}, u"a name leading elsewhere"},
        {{u"readme.txt", false, false}, u"not a module"},
    };
    for (const auto& c : kCases) {
        EXPECT_TRUE(WhyKept(c.entry) == c.why)
            << std::string(c.entry.name.begin(), c.entry.name.end());
    }
}

}  // namespace
}  // namespace langsetup
