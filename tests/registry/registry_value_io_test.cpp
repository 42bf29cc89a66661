// Writing and reading values with the key writer, on the real registry.
#include <cstring>
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

    ScratchKey key_;
    CRegistry registry_;
};

std::vector<std::uint8_t> DataOf(const CRegValue& value) {
    return {value.GetData(), value.GetData() + value.GetSize()};
}

TEST_F(RegistryValueIo, FiveCharacterStringIsWrittenAsTenBytes) {
    const std::u16string text = u"hello";
    CRegValue value;
    value.SetName(u"Five");
    value.SetData(reinterpret_cast<const std::uint8_t*>(text.c_str()), 12, kRegSz);
    ASSERT_EQ(value.GetSize(), 10u);
    ASSERT_TRUE(registry_.SetValue(value));
    // Ten bytes stored: the registry must not count the zero that follows the characters.
    EXPECT_EQ(Read(L"Five"), StoredString(text));
    ASSERT_EQ(Read(L"Five")->bytes.size(), 10u);

    CRegValue back;
    back.SetName(u"Five");
    ASSERT_TRUE(registry_.QueryValue(back));
    EXPECT_EQ(back.GetType(), kRegSz);
    EXPECT_EQ(back.GetSize(), 10u);
    EXPECT_EQ(DataOf(back), BytesOf(text));

    // The platform's own reg.exe sees the same five characters.
    ScratchDir folder(L"langsetup reg query");
    const std::wstring output = folder / L"query.txt";
    const std::wstring line = L"cmd.exe /c C:\\windows\\system32\\reg.exe query \"HKCU\\" +
                              key_.Subkey() + L"\" /v Five > \"" + output + L"\"";
    const ProcessResult result = RunProcess(L"C:\\windows\\system32\\cmd.exe", line);
    ASSERT_TRUE(result.started);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0u);
    const std::optional<std::string> printed = ReadTextFile(output);
    ASSERT_TRUE(printed.has_value());
    EXPECT_NE(printed->find("    Five    REG_SZ    hello\r\n"), std::string::npos) << *printed;
}

TEST_F(RegistryValueIo, BinaryAndDwordValuesRoundTrip) {
    const std::uint8_t bytes[] = {0x00, 0xff, 0x10, 0x00, 0x7f};
    CRegValue binary;
    binary.SetName(u"Bytes");
    binary.SetData(bytes, sizeof bytes, kRegBinary);
    const std::uint32_t number = 0x12345678;
    CRegValue dword;
    dword.SetName(u"");  // the key's default value
    dword.SetData(reinterpret_cast<const std::uint8_t*>(&number), 4, kRegDword);
    ASSERT_TRUE(registry_.SetValue(binary));
    ASSERT_TRUE(registry_.SetValue(dword));

    EXPECT_EQ(Read(L"Bytes"), (RawValue{REG_BINARY, {bytes, bytes + sizeof bytes}}));
    EXPECT_EQ(Read(L""), (RawValue{REG_DWORD, {0x78, 0x56, 0x34, 0x12}}));

    CRegValue back;
    back.SetName(u"Bytes");
    ASSERT_TRUE(registry_.QueryValue(back));
    EXPECT_EQ(back.GetType(), kRegBinary);
    EXPECT_EQ(DataOf(back), DataOf(binary));
    back.SetName(u"");
    ASSERT_TRUE(registry_.QueryValue(back));
    EXPECT_EQ(back.GetType(), kRegDword);
    EXPECT_EQ(DataOf(back), DataOf(dword));
}

TEST_F(RegistryValueIo, ValuesOfOtherTypesAreNotReadAndLeaveTheValueUnchanged) {
    const std::u16string expandable = u"%TEMP%\\x";
    const std::u16string multi(u"a\0b\0\0", 5);
    const std::uint64_t quad = 7;
    ASSERT_TRUE(Write(L"Expand", REG_EXPAND_SZ, expandable.c_str(), (expandable.size() + 1) * 2));
    ASSERT_TRUE(Write(L"Multi", REG_MULTI_SZ, multi.data(), multi.size() * 2));
    ASSERT_TRUE(Write(L"Quad", REG_QWORD, &quad, sizeof quad));

    for (const char16_t* name : {u"Expand", u"Multi", u"Quad"}) {
        SCOPED_TRACE(Narrow(std::wstring(name, name + std::char_traits<char16_t>::length(name))));
        CRegValue named;
        named.SetName(name);
        EXPECT_FALSE(registry_.QueryValue(named));
        EXPECT_EQ(named.GetType(), kRegNone);
        EXPECT_EQ(named.GetSize(), 0u);
        EXPECT_EQ(named.GetName(), name);
    }
}

TEST_F(RegistryValueIo, MissingAndEmptyValuesAreNotRead) {
    ASSERT_TRUE(Write(L"EmptyString", REG_SZ, L"", 0));
    ASSERT_TRUE(Write(L"EmptyBinary", REG_BINARY, nullptr, 0));
    for (const char16_t* name : {u"EmptyString", u"EmptyBinary", u"Missing"}) {
        CRegValue named;
        named.SetName(name);
        EXPECT_FALSE(registry_.QueryValue(named));
        EXPECT_EQ(named.GetType(), kRegNone);
    }
    registry_.Close();
    CRegValue named;
    named.SetName(u"EmptyString");
    EXPECT_FALSE(registry_.QueryValue(named));
}

TEST_F(RegistryValueIo, ShortDwordIsReadFromItsOwnBytesOnly) {
    const std::uint8_t twoBytes[] = {0x34, 0x12};
    ASSERT_TRUE(Write(L"Short", REG_DWORD, twoBytes, 2));
    ASSERT_EQ(Read(L"Short"), (RawValue{REG_DWORD, {0x34, 0x12}}));

    CRegValue value;
    value.SetName(u"Short");
    ASSERT_TRUE(registry_.QueryValue(value));
    EXPECT_EQ(value.GetType(), kRegDword);
    EXPECT_EQ(value.GetSize(), 4u);
    std::uint32_t number = 0;
    std::memcpy(&number, value.GetData(), 4);
    EXPECT_EQ(number, 0x1234u);

    // The journal reads the previous content the same way.
    const std::uint32_t replacement = 5;
    CRegValue next;
    next.SetName(u"Short");
    next.SetData(reinterpret_cast<const std::uint8_t*>(&replacement), 4, kRegDword);
    ASSERT_TRUE(registry_.SetValue(next));
    const CRegValue& previous = *registry_.Journal().back().previousValue;
    std::memcpy(&number, previous.GetData(), 4);
    EXPECT_EQ(number, 0x1234u);
}

}  // namespace
}  // namespace langsetup::test
