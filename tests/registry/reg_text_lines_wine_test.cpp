// The registry-text writers and CRegValue::ParseLine against a real peer: Wine's reg.exe
// imports what the writers write and exports what ParseLine reads.
#include "registry/reg_text_lines.h"

#include <shlwapi.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/unique_handle_win32.h"
#include "app/wide_win32.h"
#include "registry/reg_text_join.h"
#include "registry/reg_text_lines_win32.h"
#include "registry/reg_value.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const wchar_t kRegTool[] = L"C:\\windows\\system32\\reg.exe";

// A key under HKEY_CURRENT_USER\Software of this test alone, deleted with everything below it.
class TestKey {
public:
    explicit TestKey(const std::wstring& hint) {
        path_ = L"Software\\langsetup-test-" + hint + L"-" +
                std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(::GetTickCount64());
        ::SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
    }
    ~TestKey() { ::SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring FullPath() const { return L"HKEY_CURRENT_USER\\" + path_; }

private:
    std::wstring path_;
};

UniqueFileHandle CreateNewFile(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The start of a registry file, written by its own caller as the writers expect.
void WriteFileStart(HANDLE file) {
    const std::u16string start = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file, start.data(), static_cast<DWORD>(start.size() * 2), &written, nullptr));
}

std::u16string ReadUtf16File(const std::wstring& path) {
    const std::optional<std::string> bytes = ReadTextFile(path);
    EXPECT_TRUE(bytes.has_value()) << Narrow(path);
    if (!bytes) {
        return {};
    }
    std::u16string text(bytes->size() / 2, u'\0');
    std::memcpy(text.data(), bytes->data(), text.size() * 2);
    if (!text.empty() && text.front() == u'\xFEFF') {
        text.erase(0, 1);
    }
    return text;
}

void RunReg(const std::wstring& arguments) {
    const ProcessResult result = RunProcess(kRegTool, L"reg " + arguments);
    ASSERT_TRUE(result.started);
    ASSERT_FALSE(result.timedOut);
    ASSERT_EQ(result.exitCode, 0u) << Narrow(arguments);
}

// A value read through the registry API, in CRegValue form.
CRegValue QueryValue(const TestKey& key, const std::u16string& name) {
    CRegValue value;
    value.SetName(name);
    UniqueHkey opened;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_QUERY_VALUE, opened.Put()) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot open " << Narrow(key.Path());
        return value;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(opened.Get(), AsWide(name), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "no value " << Narrow(AsWide(name));
        return value;
    }
    Bytes data(size + 1);
    ::RegQueryValueExW(opened.Get(), AsWide(name), nullptr, &type, data.data(), &size);
    value.SetData(data.data(), size, type);
    return value;
}

void SetValue(HKEY key, const std::u16string& name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(::RegSetValueExW(key, AsWide(name), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

void ExpectSameValue(const CRegValue& actual, const CRegValue& expected) {
    const std::string name = Narrow(AsWide(expected.GetName()));
    EXPECT_EQ(actual.GetName(), expected.GetName()) << name;
    ASSERT_EQ(actual.GetType(), expected.GetType()) << name;
    ASSERT_EQ(actual.GetSize(), expected.GetSize()) << name;
    EXPECT_EQ(std::memcmp(actual.GetData(), expected.GetData(), expected.GetSize()), 0) << name;
}

Bytes Sequence(std::size_t count, std::uint8_t seed) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 29 + seed);
    }
    return bytes;
}

CRegValue Expected(const std::u16string& name, const void* data, std::uint32_t size,
                   std::uint32_t type) {
    CRegValue value;
    value.SetName(name);
    value.SetData(static_cast<const std::uint8_t*>(data), size, type);
    return value;
}

std::u16string Utf16(const std::wstring& text) {
    return std::u16string(AsU16View(text.c_str()));
}

// --- The WriteFile edge ---

TEST(RegTextLinesOnFile, EveryRootByHandleAndTheLinesAsFormatted) {
    ScratchDir dir(L"langsetup reg text");
    const std::wstring path = dir / L"lines.reg";
    UniqueHkey software;
    ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, software.Put()),
              ERROR_SUCCESS);
    {
        UniqueFileHandle file = CreateNewFile(path);
        ASSERT_TRUE(file.IsValid());
        for (const HKEY root :
             {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
              HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA, software.Get()}) {
            WriteKeyHeader(root, u"Software\\Pexalo", file.Get());
        }
        WriteStringLine(u"", u"C:\\a \"b\"", file.Get());
        const std::uint8_t dword[] = {0x1f, 0, 0, 0};
        WriteDwordLine(u"d", dword, file.Get());
        const Bytes bytes = Sequence(23, 1);
        WriteHexLine(u"abc", bytes.data(), 23, file.Get());
    }
    EXPECT_EQ(ReadUtf16File(path),
              u"[HKEY_CLASSES_ROOT\\Software\\Pexalo]\r\n"
              u"[HKEY_CURRENT_USER\\Software\\Pexalo]\r\n"
              u"[HKEY_LOCAL_MACHINE\\Software\\Pexalo]\r\n"
              u"[HKEY_USERS\\Software\\Pexalo]\r\n"
              u"[HKEY_CURRENT_CONFIG\\Software\\Pexalo]\r\n"
              u"@=\"C:\\a \"b\"\"\r\n"
              u"\"d\"=dword:0000001f\r\n"
              u"\"abc\"=hex:01,1e,3b,58,75,92,af,cc,e9,06,23,40,5d,7a,97,b4,d1,ee,0b,28,45,62,"
              u"7f\\\r\n  \r\n");
}

// --- Wine's reg import reads what the writers write ---

TEST(RegTextLinesInterop, RegImportStoresTheWrittenValues) {
    TestKey key(L"import");
    ScratchDir dir(L"langsetup reg import");
    const std::wstring path = dir / L"import.reg";

    std::vector<CRegValue> expected;
    {
        UniqueFileHandle file = CreateNewFile(path);
        ASSERT_TRUE(file.IsValid());
        WriteFileStart(file.Get());
        WriteKeyHeader(HKEY_CURRENT_USER, Utf16(key.Path()), file.Get());

        const std::pair<std::u16string, std::u16string> strings[] = {
            {u"", u"default value"},
            {u"LanguageFolder", u"C:/Pexalo/Languages/de"},
            {u"Empty", u""},
            {u"Non-ASCII \u00e4\u4e2d", u"\u00fc\u00df \u20ac"},
            {u"Long", std::u16string(1500, u'x')},
        };
        for (const auto& [name, data] : strings) {
            WriteStringLine(name, data, file.Get());
            expected.push_back(
                Expected(name, data.data(), static_cast<std::uint32_t>(data.size() * 2), kRegSz));
        }
        const std::uint32_t dwords[] = {0, 0x1f, 0x80000000, 0xffffffff, 0x00a1b2c3};
        for (const std::uint32_t dword : dwords) {
            const std::u16string name = u"dword " + Utf16(std::to_wstring(dword));
            WriteDwordLine(name, reinterpret_cast<const std::uint8_t*>(&dword), file.Get());
            expected.push_back(Expected(name, &dword, 4, kRegDword));
        }
        // Hex values of one to many lines, for several name lengths; left out: the shapes whose
        // last byte wraps, which Wine's reg import drops (the round trip covers them).
        int leftOut = 0;
        for (const std::size_t nameLength : {1u, 3u, 10u, 60u}) {
            for (std::size_t size = 0; size <= 130; ++size) {
                const std::u16string name =
                    std::u16string(nameLength - 1, u'h') + Utf16(std::to_wstring(size % 10));
                const std::u16string uniqueName = name + u"-" + Utf16(std::to_wstring(size));
                const Bytes bytes = Sequence(size, static_cast<std::uint8_t>(nameLength));
                PieceCollector formatted;
                WriteHexLine(uniqueName, bytes.data(), static_cast<std::uint32_t>(size), formatted);
                if (formatted.text.ends_with(u"\\\r\n  \r\n")) {
                    ++leftOut;
                    continue;
                }
                WriteHexLine(uniqueName, bytes.data(), static_cast<std::uint32_t>(size),
                             file.Get());
                expected.push_back(Expected(uniqueName, bytes.data(),
                                            static_cast<std::uint32_t>(size), kRegBinary));
            }
        }
        EXPECT_GT(leftOut, 0);
    }
    RunReg(L"import \"" + path + L"\"");

    for (const CRegValue& value : expected) {
        ExpectSameValue(QueryValue(key, value.GetName()), value);
    }
}

// --- ParseLine reads what Wine's reg export writes ---

TEST(RegTextLinesInterop, ParseLineReadsRegExport) {
    TestKey key(L"export");
    std::vector<CRegValue> expected;
    {
        UniqueHkey created;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, created.Put(), nullptr),
                  ERROR_SUCCESS);
        const std::pair<std::u16string, std::u16string> strings[] = {
            {u"", u"default value"},
            {u"LanguageFolder", u"C:/Pexalo/Languages/de"},
            {u"Empty", u""},
            {u"Non-ASCII \u00e4", u"\u00fc\u00df \u20ac"},
        };
        for (const auto& [name, data] : strings) {
            // Stored with its terminator, as programs usually do.
            SetValue(created.Get(), name, REG_SZ, data.c_str(),
                     static_cast<DWORD>((data.size() + 1) * 2));
            expected.push_back(
                Expected(name, data.data(), static_cast<std::uint32_t>(data.size() * 2), kRegSz));
        }
        for (const std::uint32_t dword : {0u, 0x1fu, 0xffffffffu, 0x12345678u}) {
            const std::u16string name = u"dword " + Utf16(std::to_wstring(dword));
            SetValue(created.Get(), name, REG_DWORD, &dword, 4);
            expected.push_back(Expected(name, &dword, 4, kRegDword));
        }
        for (const std::size_t size : {0u, 1u, 22u, 23u, 24u, 48u, 49u, 100u, 1000u}) {
            const std::u16string name = u"abc" + Utf16(std::to_wstring(size));
            const Bytes bytes = Sequence(size, 7);
            SetValue(created.Get(), name, REG_BINARY, bytes.data(), static_cast<DWORD>(size));
            expected.push_back(
                Expected(name, bytes.data(), static_cast<std::uint32_t>(size), kRegBinary));
        }
    }
    ScratchDir dir(L"langsetup reg export");
    const std::wstring path = dir / L"export.reg";
    RunReg(L"export \"" + key.FullPath() + L"\" \"" + path + L"\" /y");

    std::map<std::u16string, CRegValue> parsed;
    for (std::u16string line : JoinedLines(ReadUtf16File(path))) {
        if (line.empty() || (line.front() != u'"' && line.front() != u'@')) {
            continue;  // the file header, blank lines and the key header
        }
        CRegValue value;
        EXPECT_TRUE(value.ParseLine(line));
        parsed.emplace(value.GetName(), std::move(value));
    }
    EXPECT_EQ(parsed.size(), expected.size());
    for (const CRegValue& value : expected) {
        const auto found = parsed.find(value.GetName());
        ASSERT_NE(found, parsed.end()) << Narrow(AsWide(value.GetName()));
        ExpectSameValue(found->second, value);
        // And the API agrees with both.
        ExpectSameValue(QueryValue(key, value.GetName()), value);
    }
}

}  // namespace
}  // namespace langsetup::test
