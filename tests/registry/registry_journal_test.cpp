// The key writer's journal, on the real registry: one entry per created key and per written value,
// each value entry holding what the value was before.
#include <cstring>

#include <gtest/gtest.h>

#include "registry/registry_test_key.h"
#include "registry/registry_win32.h"

namespace langsetup::test {
namespace {

CRegValue StringValue(std::u16string_view name, const std::u16string& text) {
    CRegValue value;
    value.SetName(name);
    value.SetData(reinterpret_cast<const std::uint8_t*>(text.data()),
                  static_cast<std::uint32_t>(text.size() * 2), kRegSz);
    return value;
}

std::u16string StringOf(const CRegValue& value) {
    return {reinterpret_cast<const char16_t*>(value.GetData()), value.GetSize() / 2};
}

TEST(RegistryJournal, CreatedKeyGetsOneEntryWithoutPreviousValueAndExistingKeyNone) {
    ScratchKey key;
    {
        CRegistry registry;
        ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.Subkey()));
        ASSERT_EQ(registry.Journal().size(), 1u);
        const JournalEntry& entry = registry.Journal()[0];
        EXPECT_EQ(entry.entryRoot, HKEY_CURRENT_USER);
        EXPECT_EQ(entry.entryPath, key.Subkey16());
        EXPECT_FALSE(entry.previousValue.has_value());

        // Opening it again in the same writer adds nothing.
        ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
        EXPECT_EQ(registry.Journal().size(), 1u);
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
    CRegValue first = StringValue(u"Colour", u"red");
    ASSERT_TRUE(registry.SetValue(first));
    // The journal keeps its own copy: changing the caller's value later does not reach it.
    first.SetName(u"Changed");
    ASSERT_TRUE(registry.SetValue(StringValue(u"Colour", u"green")));

    ASSERT_EQ(registry.Journal().size(), 2u);  // the key existed: no key entry
    for (const JournalEntry& entry : registry.Journal()) {
        EXPECT_EQ(entry.entryRoot, HKEY_CURRENT_USER);
        EXPECT_EQ(entry.entryPath, key.Subkey16());
        ASSERT_TRUE(entry.previousValue.has_value());
        EXPECT_EQ(entry.previousValue->GetName(), u"Colour");
    }
    const CRegValue& beforeFirst = *registry.Journal()[0].previousValue;
    EXPECT_EQ(beforeFirst.GetType(), kRegNone);
    EXPECT_EQ(beforeFirst.GetSize(), 0u);
    const CRegValue& beforeSecond = *registry.Journal()[1].previousValue;
    EXPECT_EQ(beforeSecond.GetType(), kRegSz);
    EXPECT_EQ(beforeSecond.GetSize(), 6u);
    EXPECT_EQ(StringOf(beforeSecond), u"red");

    EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Colour"), StoredString(u"green"));
}

TEST(RegistryJournal, EntriesFollowTheOrderOfTheChangesAcrossKeys) {
    ScratchKey key;
    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    ASSERT_TRUE(registry.SetValue(StringValue(u"", u"default")));
    const std::u16string child = key.Subkey16() + u"\\Child";
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, child));
    ASSERT_TRUE(registry.SetValue(StringValue(u"", u"child default")));

    const auto& journal = registry.Journal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(journal[0].entryPath, key.Subkey16());
    EXPECT_FALSE(journal[0].previousValue.has_value());
    EXPECT_EQ(journal[1].entryPath, key.Subkey16());
    ASSERT_TRUE(journal[1].previousValue.has_value());
    EXPECT_EQ(journal[1].previousValue->GetName(), u"");
    EXPECT_EQ(journal[2].entryPath, child);
    EXPECT_FALSE(journal[2].previousValue.has_value());
    EXPECT_EQ(journal[3].entryPath, child);
    EXPECT_TRUE(journal[3].previousValue.has_value());
}

TEST(RegistryJournal, PreviousValueOfATypeTheValueCannotHoldKeepsOnlyTheName) {
    ScratchKey key;
    const std::u16string expandable = u"%TEMP%\\x";
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Path", REG_EXPAND_SZ,
                              expandable.c_str(), (expandable.size() + 1) * 2));
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Empty", REG_BINARY, nullptr, 0));

    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    ASSERT_TRUE(registry.SetValue(StringValue(u"Path", u"plain")));
    ASSERT_TRUE(registry.SetValue(StringValue(u"Empty", u"now full")));
    ASSERT_EQ(registry.Journal().size(), 2u);
    for (const JournalEntry& entry : registry.Journal()) {
        ASSERT_TRUE(entry.previousValue.has_value());
        EXPECT_EQ(entry.previousValue->GetType(), kRegNone);
    }
    EXPECT_EQ(registry.Journal()[0].previousValue->GetName(), u"Path");
    EXPECT_EQ(registry.Journal()[1].previousValue->GetName(), u"Empty");
}

TEST(RegistryJournal, FailedWritesLeaveJournalAndRegistryUnchanged) {
    ScratchKey key;
    CRegistry registry;
    // No key open.
    EXPECT_FALSE(registry.SetValue(StringValue(u"Name", u"text")));
    EXPECT_TRUE(registry.Journal().empty());

    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    const std::size_t entries = registry.Journal().size();
    // A value without data.
    CRegValue named;
    named.SetName(u"Name");
    EXPECT_FALSE(registry.SetValue(named));
    // A value the registry refuses (its name is longer than any value name may be).
    EXPECT_FALSE(registry.SetValue(StringValue(std::u16string(16384, u'n'), u"text")));

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
