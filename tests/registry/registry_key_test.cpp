// Opening, creating, closing and deleting keys with the key writer, on the real registry.
#include <string>

#include <gtest/gtest.h>

#include "registry/registry_test_key.h"
#include "registry/registry_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

// A key that is closed can no longer be queried; the handle value may already have been handed
// out again for the key opened after it.
bool WasClosed(HKEY before, HKEY now) {
    return before == now ||
           ::RegQueryInfoKeyW(before, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr) == ERROR_INVALID_HANDLE;
}

// The machine's Software key has a view for each bitness (a 32-bit program's keys show in the
// 64-bit view under Software\WOW6432Node); the user's Software key is one for both.
TEST(RegistryKey, CreatesKeysInTheRegistryViewOfItsBitness) {
    const bool is32Bit = sizeof(void*) == 4;
    const std::wstring leaf = L"langsetup-test-view-" + UniqueSuffix();
    const std::wstring inSoftware = L"Software\\" + leaf;
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        const bool shared = root == HKEY_CURRENT_USER;
        SCOPED_TRACE(shared ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE");
        const auto removeFromBothViews = [&] {
            for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
                ::RegDeleteKeyExW(root, inSoftware.c_str(), view, 0);
            }
        };
        removeFromBothViews();
        CRegistry registry;
        ASSERT_TRUE(registry.CreateKey(root, ToU16(inSoftware)));
        registry.Close();

        const REGSAM own = is32Bit ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        const REGSAM other = is32Bit ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
        EXPECT_TRUE(KeyExists(root, inSoftware, own));
        EXPECT_EQ(KeyExists(root, inSoftware, other), shared);
        EXPECT_EQ(KeyExists(root, L"Software\\WOW6432Node\\" + leaf, KEY_WOW64_64KEY),
                  is32Bit && !shared);
        removeFromBothViews();
    }
}

TEST(RegistryKey, OpenKeyPathKnowsEachRootByName) {
    const std::wstring leaf = L"langsetup-test-" + UniqueSuffix();
    const struct {
        std::u16string name;
        HKEY root;
        std::wstring subkey;
    } roots[] = {
        {u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, L"Software\\" + leaf},
        {u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, leaf},
        {u"HKEY_CURRENT_USER", HKEY_CURRENT_USER, L"Software\\" + leaf},
        {u"HKEY_USERS", HKEY_USERS, L".DEFAULT\\Software\\" + leaf},
        {u"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, L"Software\\" + leaf},
    };
    for (const auto& root : roots) {
        SCOPED_TRACE(::testing::PrintToString(root.name));
        ::RegDeleteTreeW(root.root, root.subkey.c_str());
        std::u16string path = root.name + u"\\" + ToU16(root.subkey);

        CRegistry registry;
        EXPECT_TRUE(registry.OpenKeyPath(path));
        EXPECT_TRUE(registry.IsOpen());
        EXPECT_TRUE(KeyExists(root.root, root.subkey));
        EXPECT_EQ(JournalOf(registry),
                  (std::vector<JournalRecord>{{root.root, ToU16(root.subkey), std::nullopt}}));
        // Only the first backslash of the caller's text became a zero character.
        EXPECT_EQ(path, root.name + u'\0' + ToU16(root.subkey));

        registry.Close();
        ::RegDeleteTreeW(root.root, root.subkey.c_str());
    }
}

TEST(RegistryKey, OpenKeyPathRefusesUnknownRootsAndPathsWithoutBackslash) {
    ScratchKey key;
    const std::u16string subkey = key.Subkey16();
    for (const std::u16string& text :
         {u"hkey_current_user\\" + subkey, u"HKEY_Current_User\\" + subkey,
          u"HKEY_PERFORMANCE_DATA\\" + subkey, u"HKCU\\" + subkey, u"\\" + subkey,
          std::u16string(u"HKEY_CURRENT_USER")}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        CRegistry registry;
        ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, u"Software"));
        const HKEY before = registry.OpenKeyHandle();
        std::u16string path = text;
        EXPECT_FALSE(registry.OpenKeyPath(path));
        EXPECT_FALSE(registry.IsOpen());
        EXPECT_TRUE(WasClosed(before, registry.OpenKeyHandle()));
        // The first backslash, if any, became a zero character.
        std::u16string expected = text;
        if (const std::size_t backslash = text.find(u'\\'); backslash != std::u16string::npos) {
            expected[backslash] = u'\0';
        }
        EXPECT_EQ(path, expected);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.Subkey()));
        EXPECT_TRUE(registry.Journal().empty());
    }
}

TEST(RegistryKey, SubkeyPathsOf2048UnitsOrMoreAreRefusedUncut) {
    ScratchKey key;
    // Components of 200 units, so that only the writer's own limit can refuse the path.
    auto pathOfLength = [&](std::size_t length) {
        std::u16string path = key.Subkey16();
        while (path.size() < length) {
            path += u'\\';
            path += std::u16string(std::min<std::size_t>(200, length - path.size()), u'k');
        }
        return path;
    };
    const std::u16string longest = pathOfLength(2047);
    const std::u16string tooLong = pathOfLength(2048);
    ASSERT_EQ(longest.size(), 2047u);
    ASSERT_EQ(tooLong.size(), 2048u);

    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, u"Software"));
    EXPECT_FALSE(registry.CreateKey(HKEY_CURRENT_USER, tooLong));
    EXPECT_FALSE(registry.IsOpen());
    std::u16string full = u"HKEY_CURRENT_USER\\" + tooLong;
    EXPECT_FALSE(registry.OpenKeyPath(full));
    EXPECT_FALSE(registry.IsOpen());
    EXPECT_EQ(full, u"HKEY_CURRENT_USER" + std::u16string(1, u'\0') + tooLong);
    // Nothing was created, not even a key of the path cut to fit.
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.Subkey()));
    EXPECT_TRUE(registry.Journal().empty());

    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, longest));
    EXPECT_EQ(registry.SubkeyPath(), longest);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ToWide(longest)));
}

TEST(RegistryKey, CreateKeyClosesTheOpenKeyAndLeavesNothingOpenWhenItFails) {
    ScratchKey key;
    const std::wstring parent = key / L"Volatile";
    const DWORD one = 1;
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), L"Lasting", REG_DWORD, &one, 4));
    // A volatile key: the registry refuses to create a non-volatile key below it.
    UniqueHkey volatileKey;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, volatileKey.Put(), nullptr),
              ERROR_SUCCESS);

    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16() + u"\\First"));
    const HKEY first = registry.OpenKeyHandle();
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16() + u"\\Second"));
    EXPECT_TRUE(WasClosed(first, registry.OpenKeyHandle()));
    EXPECT_EQ(registry.SubkeyPath(), key.Subkey16() + u"\\Second");

    const HKEY second = registry.OpenKeyHandle();
    EXPECT_FALSE(registry.CreateKey(HKEY_CURRENT_USER, ToU16(parent) + u"\\Lasting"));
    EXPECT_FALSE(registry.IsOpen());
    EXPECT_TRUE(WasClosed(second, nullptr));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, parent + L"\\Lasting"));
    EXPECT_EQ(registry.Journal().size(), 2u);  // First and Second
    CRegValue value = ValueOf(NoData(u"Name"));
    EXPECT_FALSE(registry.QueryValue(value));

    // Closing the predefined root as well does not stop later use of it.
    ASSERT_TRUE(registry.CreateKey(HKEY_CURRENT_USER, key.Subkey16()));
    registry.Close();
    EXPECT_FALSE(registry.IsOpen());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.Subkey()));
}

TEST(RegistryKey, DeleteKeyRemovesTheWholeTreeAndNothingBeside) {
    ScratchKey key;
    const DWORD one = 1;
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key / L"Tree", L"Top", REG_DWORD, &one, 4));
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key / L"Tree\\A\\B", L"", REG_SZ, L"ab", 4));
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key / L"Tree\\C", L"Bin", REG_BINARY, "xyz", 3));
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key / L"Treehouse", L"Keep", REG_DWORD, &one, 4));

    CRegistry registry;
    EXPECT_TRUE(registry.DeleteKey(HKEY_CURRENT_USER, key.Subkey16() + u"\\Tree"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key / L"Tree"));
    EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, key / L"Treehouse", L"Keep").has_value());
    EXPECT_TRUE(registry.Journal().empty());
    EXPECT_FALSE(registry.IsOpen());

    EXPECT_FALSE(registry.DeleteKey(HKEY_CURRENT_USER, key.Subkey16() + u"\\Tree"));
}

TEST(RegistryKey, DeleteKeyRefusesAnEmptySubkeyThatWouldEmptyTheRoot) {
    ScratchKey key;
    const DWORD one = 1;
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key / L"Child", L"Keep", REG_DWORD, &one, 4));
    UniqueHkey scratch;
    ASSERT_EQ(
        ::RegOpenKeyExW(HKEY_CURRENT_USER, key.Subkey().c_str(), 0, KEY_ALL_ACCESS, scratch.Put()),
        ERROR_SUCCESS);

    CRegistry registry;
    EXPECT_FALSE(registry.DeleteKey(scratch.Get(), u""));
    scratch.Reset();
    EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, key / L"Child", L"Keep").has_value());
}

}  // namespace
}  // namespace langsetup::test
