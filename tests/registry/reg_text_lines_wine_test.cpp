// The registry-text writers and CRegValue::ParseLine against a real peer: Wine's reg.exe
// imports what the writers write and exports what ParseLine reads.
#include "registry/reg_text_lines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/unique_handle_win32.h"
#include "registry/reg_test_values.h"
#include "registry/reg_text_lines_win32.h"
#include "registry/registry_test_key.h"
#include "support/text_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

UniqueFileHandle CreateNewFile(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The file's UTF-16 text, without a byte-order mark; empty when it cannot be read.
std::u16string ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadTextFile(path).value_or("");
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text.starts_with(u'\xFEFF') ? text.substr(1) : text;
}

void RunReg(const std::wstring& arguments) {
    const ProcessResult result = RunProcess(L"C:\\windows\\system32\\reg.exe", L"reg " + arguments);
    ASSERT_TRUE(result.started);
    ASSERT_FALSE(result.timedOut);
    ASSERT_EQ(result.exitCode, 0u) << Narrow(arguments);
}

// A value of `key` read through the registry API, in CRegValue form (a string without its
// terminator).
ValueRecord StoredRecord(const ScratchKey& key, const std::u16string& name) {
    const auto raw = ReadRawValue(HKEY_CURRENT_USER, key.Subkey(), ToWide(name));
    return raw ? RecordOf(ValueOf({name, raw->type, raw->bytes})) : NoData(name);
}

// Writes `value` to `file` with the Win32 line writer of its type.
void WriteLine(const ValueRecord& value, HANDLE file) {
    const std::uint8_t* data = value.data.data();
    const auto size = static_cast<std::uint32_t>(value.data.size());
    if (value.type == kRegSz) {
        WriteStringLine(value.name, {reinterpret_cast<const char16_t*>(data), size / 2}, file);
    } else if (value.type == kRegDword) {
        WriteDwordLine(value.name, data, file);
    } else {
        WriteHexLine(value.name, data, size, file);
    }
}

// Strings and DWORDs for both directions: the default value, empty, non-ASCII and long ones.
std::vector<ValueRecord> StringAndDwordRecords() {
    std::vector<ValueRecord> records = {
        StringRecord(u"", u"default value"),
        StringRecord(u"LanguageFolder", u"C:/Pexalo/Languages/de"),
        StringRecord(u"Empty", u""),
        StringRecord(u"Non-ASCII \u00e4\u4e2d", u"\u00fc\u00df \u20ac"),
        StringRecord(u"Long", std::u16string(1500, u'x')),
    };
    for (const std::uint32_t dword :
         {0u, 0x1fu, 0x80000000u, 0xffffffffu, 0xa1b2c3u, 0x12345678u}) {
        records.push_back(DwordRecord(u"dword " + ToU16(std::to_wstring(dword)), dword));
    }
    return records;
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
        WriteLine(StringRecord(u"", u"C:\\a \"b\""), file.Get());
        WriteLine(DwordRecord(u"d", 0x1f), file.Get());
        WriteLine(BinaryRecord(u"abc", Sequence(23, 1)), file.Get());
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
    std::vector<ValueRecord> expected = StringAndDwordRecords();
    // Hex values of one to many lines, for several name lengths; left out: the shapes whose
    // last byte wraps, which Wine's reg import drops (the round trip covers them).
    int leftOut = 0;
    for (const std::size_t nameLength : {1u, 3u, 10u, 60u}) {
        for (std::size_t size = 0; size <= 130; ++size) {
            const ValueRecord hex =
                BinaryRecord(std::u16string(nameLength, u'h') + ToU16(std::to_wstring(size)),
                             Sequence(size, static_cast<std::uint8_t>(nameLength)));
            PieceCollector formatted;
            WriteValueLine(hex, formatted);
            if (formatted.text.ends_with(u"\\\r\n  \r\n")) {
                ++leftOut;
            } else {
                expected.push_back(hex);
            }
        }
    }
    EXPECT_GT(leftOut, 0);

    ScratchKey key;
    ScratchDir dir(L"langsetup reg import");
    const std::wstring path = dir / L"import.reg";
    {
        UniqueFileHandle file = CreateNewFile(path);
        ASSERT_TRUE(file.IsValid());
        // The start of a registry file, written by the caller of the writers.
        const std::u16string start = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.Get(), start.data(), static_cast<DWORD>(start.size() * 2),
                                &written, nullptr));
        WriteKeyHeader(HKEY_CURRENT_USER, key.Subkey16(), file.Get());
        for (const ValueRecord& value : expected) {
            WriteLine(value, file.Get());
        }
    }
    RunReg(L"import " + Quoted(path));
    for (const ValueRecord& value : expected) {
        EXPECT_EQ(StoredRecord(key, value.name), value);
    }
}

// --- ParseLine reads what Wine's reg export writes ---

TEST(RegTextLinesInterop, ParseLineReadsRegExport) {
    ScratchKey key;
    std::vector<ValueRecord> expected = StringAndDwordRecords();
    for (const std::size_t size : {0u, 1u, 22u, 23u, 24u, 48u, 49u, 100u, 1000u}) {
        expected.push_back(BinaryRecord(u"abc" + ToU16(std::to_wstring(size)), Sequence(size, 7)));
    }
    for (const ValueRecord& value : expected) {
        // Strings stored with their terminator, as programs usually do.
        Bytes data = value.data;
        if (value.type == kRegSz) {
            data.insert(data.end(), {0, 0});
        }
        ASSERT_TRUE(WriteRawValue(HKEY_CURRENT_USER, key.Subkey(), ToWide(value.name), value.type,
                                  data.data(), data.size()));
        // The API agrees.
        EXPECT_EQ(StoredRecord(key, value.name), value);
    }
    ScratchDir dir(L"langsetup reg export");
    const std::wstring path = dir / L"export.reg";
    RunReg(L"export " + Quoted(L"HKEY_CURRENT_USER\\" + key.Subkey()) + L" " + Quoted(path) +
           L" /y");

    std::vector<ValueRecord> parsed;
    for (const std::u16string& line : JoinedLines(ReadUtf16File(path))) {
        // Value lines only: not the file header, blank lines or the key header.
        if (line.starts_with(u'"') || line.starts_with(u'@')) {
            parsed.push_back(ParsedRecord(line));
        }
    }
    std::ranges::sort(parsed, {}, &ValueRecord::name);
    std::ranges::sort(expected, {}, &ValueRecord::name);
    EXPECT_EQ(parsed, expected);
}

}  // namespace
}  // namespace langsetup::test
