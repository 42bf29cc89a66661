// Recording the language folder in HKEY_CURRENT_USER\Software\Pexalo\General, on the real registry
// of the test prefix.
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "app/module_directory.h"
#include "app/unique_handle_win32.h"
#include "language/res_manager.h"
#include "registry/registry_test_key.h"
#include "support/scoped_module_directory.h"

namespace langsetup::test {
namespace {

constexpr wchar_t kHostKey[] = L"Software\\Pexalo";
constexpr wchar_t kSettingsKey[] = L"Software\\Pexalo\\General";

// Every test here works on the one host key: the fixture holds a mutex shared by all test
// processes so that tests run in parallel never meet there, and removes the key before and after.
class LanguageFolderRecord : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hostKeyLock_.IsValid());
        ASSERT_NE(::WaitForSingleObject(hostKeyLock_.Get(), 60000), WAIT_TIMEOUT);
        locked_ = true;
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kHostKey);
        ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kHostKey));
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kHostKey);
        if (locked_) {
            ::ReleaseMutex(hostKeyLock_.Get());
        }
    }

    static std::optional<RawValue> Recorded() {
        return ReadRawValue(HKEY_CURRENT_USER, kSettingsKey, L"LanguageFolder");
    }

    UniqueHandle hostKeyLock_{::CreateMutexW(nullptr, FALSE, L"langsetup-test-pexalo-key")};
    bool locked_ = false;
    const ScopedModuleDirectory restoreModuleDirectory_;
    CResManager manager_;
};

TEST_F(LanguageFolderRecord, CreatesTheKeyAndThenReplacesTheValue) {
    ASSERT_EQ(FillModuleDirectory(u"C:\\Apps\\Tool\\langsetup.exe", false),
              ModuleDirectoryState::kFolder);
    EXPECT_TRUE(manager_.RecordLanguageFolder(2));
    EXPECT_EQ(Recorded(), StoredString(u"C:\\Apps\\Tool\\Languages\\de"));
    // The user's Software key is shared: 32- and 64-bit builds record in the same key.
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, kSettingsKey, L"LanguageFolder", view),
                  Recorded());
    }

    const DWORD other = 7;
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSettingsKey, L"Other", REG_DWORD, &other, 4));
    EXPECT_TRUE(manager_.RecordLanguageFolder(5));
    EXPECT_EQ(Recorded(), StoredString(u"C:\\Apps\\Tool\\Languages\\fr"));
    EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, kSettingsKey, L"Other").has_value());
}

TEST_F(LanguageFolderRecord, ReplacesAValueOfAnotherType) {
    ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, kSettingsKey, L"LanguageFolder", REG_EXPAND_SZ,
                              L"%OLD%", 12));
    FillModuleDirectory(u"D:\\t.exe", false);
    EXPECT_TRUE(manager_.RecordLanguageFolder(0));
    EXPECT_EQ(Recorded(), StoredString(u"D:\\Languages\\cs"));
}

TEST_F(LanguageFolderRecord, FolderWithBlanksIsRecordedUnchanged) {
    FillModuleDirectory(u"C:\\some dir\\my tool\\tool.exe", false);
    EXPECT_TRUE(manager_.RecordLanguageFolder(29));
    EXPECT_EQ(Recorded(), StoredString(u"C:\\some dir\\my tool\\Languages\\jp"));
}

TEST_F(LanguageFolderRecord, IndicesOutsideTheTableRecordTheDefaultLanguage) {
    FillModuleDirectory(u"C:\\some dir\\tool.exe", false);
    const std::pair<std::int32_t, std::u16string> cases[] = {
        {-1, u"en"}, {INT32_MIN, u"en"}, {11, u"tr"}, {41, u"tr"},
        {45, u"vn"}, {46, u"en"},        {47, u"en"}, {INT32_MAX, u"en"}};
    for (const auto& [index, code] : cases) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(manager_.RecordLanguageFolder(index));
        EXPECT_EQ(Recorded(), StoredString(u"C:\\some dir\\Languages\\" + code));
    }
}

TEST_F(LanguageFolderRecord, KeyThatCannotBeCreatedGivesFalse) {
    // Below a volatile key the registry refuses the non-volatile settings key.
    UniqueHkey host;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kHostKey, 0, nullptr, REG_OPTION_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, host.Put(), nullptr),
              ERROR_SUCCESS);
    host.Reset();
    FillModuleDirectory(u"C:\\Apps\\Tool\\langsetup.exe", false);
    EXPECT_FALSE(manager_.RecordLanguageFolder(2));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
}

TEST_F(LanguageFolderRecord, NothingIsRecordedWithoutAKnownToolFolder) {
    FillModuleDirectory(u"langsetup.exe", false);  // no backslash
    ASSERT_EQ(ModuleDirectory().state, ModuleDirectoryState::kNoBackslash);
    EXPECT_FALSE(manager_.RecordLanguageFolder(2));
    FillModuleDirectory(u"C:\\Apps\\Tool\\langsetup.exe", true);  // did not fit
    ASSERT_EQ(ModuleDirectory().state, ModuleDirectoryState::kUnknown);
    EXPECT_FALSE(manager_.RecordLanguageFolder(2));
    ModuleDirectory() = ModuleDirectoryInfo{};  // never filled
    EXPECT_FALSE(manager_.RecordLanguageFolder(2));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kHostKey));
}

}  // namespace
}  // namespace langsetup::test
