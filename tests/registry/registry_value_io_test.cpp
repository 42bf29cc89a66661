// Writing and reading values with the key writer, on the real registry.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "registry/registry_test_key.h"
#include "registry/registry_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

class RegistryValueIo : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry_.CreateKey(HKEY_CURRENT_USER, key_.Subkey16())); }

    bool Write(const std::wstring& name, DWORD type, const void* data, std::size_t size) {
        return WriteRawValue(HKEY_CURRENT_USER, key_.Subkey(), name, type, data, size);
    }
    std::optional<RawValue> Read(const std::wstring& name) {
        return ReadRawValue(HKEY_CURRENT_USER, key_.Subkey(), name);
    }
    // What QueryValue reads into a value named `name`; none when it fails, which must leave the
    // value unchanged.
    std::optional<ValueRecord> Query(std::u16string_view name) {
        CRegValue value = ValueOf(NoData(name));
        if (registry_.QueryValue(value)) {
            return RecordOf(value);
        }
        EXPECT_EQ(RecordOf(value), NoData(name));
        return std::nullopt;
    }

    ScratchKey key_;
    CRegistry registry_;
};

TEST_F(RegistryValueIo, FiveCharacterStringIsWrittenAsTenBytes) {
    // "hello" given with its terminator: twelve bytes, of which the value keeps ten.
    const std::u16string text = u"hello";
    const CRegValue value = ValueOf({u"Five", kRegSz, BytesOf(text + u'\0')});
    ASSERT_EQ(value.GetSize(), 10u);
    ASSERT_TRUE(registry_.SetValue(value));
    // Ten bytes stored: the registry must not count the zero that follows the characters.
    EXPECT_EQ(Read(L"Five"), StoredString(text));
    EXPECT_EQ(Query(u"Five"), StringRecord(u"Five", text));

    // The platform's own reg.exe sees the same five characters.
    ScratchDir folder(L"langsetup reg query");
    const std::wstring output = folder / L"query.txt";
    const std::wstring line = L"cmd.exe /c C:\\windows\\system32\\reg.exe query \"HKCU\\" +
                              key_.Subkey() + L"\" /v Five > " + Quoted(output);
    const ProcessResult result = RunProcess(L"C:\\windows\\system32\\cmd.exe", line);
    ASSERT_TRUE(result.started);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    const std::optional<std::string> printed = ReadTextFile(output);
    ASSERT_TRUE(printed.has_value());
    EXPECT_NE(printed->find("    Five    REG_SZ    hello\r\n"), std::string::npos) << *printed;
}

TEST_F(RegistryValueIo, BinaryAndDwordValuesRoundTrip) {
    const ValueRecord binary = BinaryRecord(u"Bytes", {0x00, 0xff, 0x10, 0x00, 0x7f});
    const ValueRecord dword = DwordRecord(u"", 0x12345678);  // the key's default value
    ASSERT_TRUE(registry_.SetValue(ValueOf(binary)));
    ASSERT_TRUE(registry_.SetValue(ValueOf(dword)));

    EXPECT_EQ(Read(L"Bytes"), (RawValue{REG_BINARY, binary.data}));
    EXPECT_EQ(Read(L""), (RawValue{REG_DWORD, {0x78, 0x56, 0x34, 0x12}}));
    EXPECT_EQ(Query(u"Bytes"), binary);
    EXPECT_EQ(Query(u""), dword);
}

TEST_F(RegistryValueIo, ValuesOfOtherTypesAreNotReadAndLeaveTheValueUnchanged) {
    const std::u16string expandable = u"%TEMP%\\x";
    const std::u16string multi(u"a\0b\0\0", 5);
    const std::uint64_t quad = 7;
    ASSERT_TRUE(Write(L"Expand", REG_EXPAND_SZ, expandable.c_str(), (expandable.size() + 1) * 2));
    ASSERT_TRUE(Write(L"Multi", REG_MULTI_SZ, multi.data(), multi.size() * 2));
    ASSERT_TRUE(Write(L"Quad", REG_QWORD, &quad, sizeof quad));
    for (const char16_t* name : {u"Expand", u"Multi", u"Quad"}) {
        EXPECT_EQ(Query(name), std::nullopt);
    }
}

TEST_F(RegistryValueIo, MissingAndEmptyValuesAreNotRead) {
    ASSERT_TRUE(Write(L"EmptyString", REG_SZ, L"", 0));
    ASSERT_TRUE(Write(L"EmptyBinary", REG_BINARY, nullptr, 0));
    for (const char16_t* name : {u"EmptyString", u"EmptyBinary", u"Missing"}) {
        EXPECT_EQ(Query(name), std::nullopt);
    }
    registry_.Close();
    EXPECT_EQ(Query(u"EmptyString"), std::nullopt);
}

TEST_F(RegistryValueIo, ShortDwordIsReadFromItsOwnBytesOnly) {
    const std::uint8_t twoBytes[] = {0x34, 0x12};
    ASSERT_TRUE(Write(L"Short", REG_DWORD, twoBytes, 2));
    ASSERT_EQ(Read(L"Short"), (RawValue{REG_DWORD, {0x34, 0x12}}));
    EXPECT_EQ(Query(u"Short"), DwordRecord(u"Short", 0x1234));

    // The journal reads the previous content the same way.
    ASSERT_TRUE(registry_.SetValue(ValueOf(DwordRecord(u"Short", 5))));
    EXPECT_EQ(JournalOf(registry_).back().previous, DwordRecord(u"Short", 0x1234));
}

}  // namespace
}  // namespace langsetup::test
