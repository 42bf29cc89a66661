// The key writer's journal, on the real registry: one entry per created key and per written value,
// each value entry holding what the value was before.
#include <gtest/gtest.h>

#include "registry/registry_test_key.h"
#include "registry/registry_win32.h"

namespace langsetup::test {
namespace {

using Journal = std::vector<JournalRecord>;

TEST(RegistryJournal, CreatedKeyGetsOneEntryWithoutPreviousValueAndExistingKeyNone) {
    ScratchKey key;
    const Journal created = {{HKEY_CURRENT_USER, key.Subkey16(), std::nullopt}};
    {
        CRegistry registry;
        ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.Subkey()));
        EXPECT_EQ(JournalOf(registry), created);
        // Opening it again in the same writer adds nothing.
        ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
        EXPECT_EQ(JournalOf(registry), created);
    }
    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    EXPECT_TRUE(registry.Journal().empty());
}

TEST(RegistryJournal, ValueEntriesHoldTheContentBeforeEachWrite) {
    ScratchKey key;
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Other", REG_SZ, L"x", 2));

    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    CRegValue first = ValueOf(StringRecord(u"Colour", u"red"));
    ASSERT_TRUE(registry.SetValue(first));
    // The journal keeps its own copy: changing the caller's value later does not reach it.
    first.SetName(u"Changed");
    ASSERT_TRUE(registry.SetValue(ValueOf(StringRecord(u"Colour", u"green"))));

    // The key existed: no key entry.
    EXPECT_EQ(JournalOf(registry),
              (Journal{{HKEY_CURRENT_USER, key.Subkey16(), NoData(u"Colour")},
                       {HKEY_CURRENT_USER, key.Subkey16(), StringRecord(u"Colour", u"red")}}));
    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Colour"), StoredString(u"green"));
}

TEST(RegistryJournal, EntriesFollowTheOrderOfTheChangesAcrossKeys) {
    ScratchKey key;
    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    ASSERT_TRUE(registry.SetValue(ValueOf(StringRecord(u"", u"default"))));
    const std::u16string child = key.Subkey16() + u"\\Child";
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, child));
    ASSERT_TRUE(registry.SetValue(ValueOf(StringRecord(u"", u"child default"))));

    EXPECT_EQ(JournalOf(registry), (Journal{{HKEY_CURRENT_USER, key.Subkey16(), std::nullopt},
                                            {HKEY_CURRENT_USER, key.Subkey16(), NoData(u"")},
                                            {HKEY_CURRENT_USER, child, std::nullopt},
                                            {HKEY_CURRENT_USER, child, NoData(u"")}}));
}

TEST(RegistryJournal, PreviousValueOfATypeTheValueCannotHoldKeepsOnlyTheName) {
    ScratchKey key;
    const std::u16string expandable = u"%TEMP%\\x";
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Path", REG_EXPAND_SZ,
                              expandable.c_str(), (expandable.size() + 1) * 2));
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Empty", REG_BINARY, nullptr, 0));

    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    ASSERT_TRUE(registry.SetValue(ValueOf(StringRecord(u"Path", u"plain"))));
    ASSERT_TRUE(registry.SetValue(ValueOf(StringRecord(u"Empty", u"now full"))));
    EXPECT_EQ(JournalOf(registry),
              (Journal{{HKEY_CURRENT_USER, key.Subkey16(), NoData(u"Path")},
                       {HKEY_CURRENT_USER, key.Subkey16(), NoData(u"Empty")}}));
}

TEST(RegistryJournal, FailedWritesLeaveJournalAndRegistryUnchanged) {
    ScratchKey key;
    CRegistry registry;
    // No key open.
    EXPECT_FALSE(registry.SetValue(ValueOf(StringRecord(u"Name", u"text"))));
    EXPECT_TRUE(registry.Journal().empty());

    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    const std::size_t entries = registry.Journal().size();
    // A value without data; a value the registry refuses (its name is longer than any value name
    // may be).
    EXPECT_FALSE(registry.SetValue(ValueOf(NoData(u"Name"))));
    EXPECT_FALSE(registry.SetValue(ValueOf(StringRecord(std::u16string(16384, u'n'), u"text"))));

    EXPECT_EQ(registry.Journal().size(), entries);
    EXPECT_TRUE(registry.IsOpen());
    EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Name").has_value());
    DWORD values = 99;
    ASSERT_EQ(::RegQueryInfoKeyW(registry.OpenKeyHandle(), nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
}

}  // namespace
}  // namespace langsetup::test
