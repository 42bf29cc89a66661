// Scratch registry keys for tests, raw reads and writes through the Win32 API (independent of
// the key writer under test), and the key writer's journal as comparable records.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/unique_handle_win32.h"
#include "registry/reg_test_values.h"
#include "registry/registry_win32.h"
#include "support/text_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {

// A key name under HKEY_CURRENT_USER\Software that no other test (or test process) uses. The key
// tree is removed before and after the test.
class ScratchKey {
public:
    ScratchKey() : subkey_(UniqueName()) { Remove(); }
    ~ScratchKey() { Remove(); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    // "Software\langsetup-test-...", relative to HKEY_CURRENT_USER.
    const std::wstring& Subkey() const { return subkey_; }
    std::u16string Subkey16() const { return ToU16(subkey_); }
    std::wstring operator/(const std::wstring& relative) const {
        return subkey_ + L"\\" + relative;
    }

private:
    static std::wstring UniqueName() { return L"Software\\langsetup-test-" + UniqueSuffix(); }
    void Remove() const { ::RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str()); }

    std::wstring subkey_;
};

// `view` may name a registry view (KEY_WOW64_32KEY or KEY_WOW64_64KEY); 0 is the program's own.
inline bool KeyExists(HKEY root, const std::wstring& subkey, REGSAM view = 0) {
    UniqueHkey key;
    return ::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

struct RawValue {
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const RawValue&) const = default;
};

// For test failure messages: type and bytes in hex.
inline void PrintTo(const RawValue& value, std::ostream* out) {
    *out << "type " << value.type << ", ";
    PrintBytes(value.bytes, out);
}

// The value exactly as the registry holds it, or none when the key or value does not exist.
inline std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& subkey,
                                            const std::wstring& name, REGSAM view = 0) {
    UniqueHkey key;
    if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    DWORD size = 0;
    LSTATUS status =
        ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.bytes.resize(size);
        status = ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &value.type,
                                    value.bytes.data(), &size);
        value.bytes.resize(size);
    }
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// Creates the key if needed and writes the value; true on success.
inline bool WriteRawValue(HKEY root, const std::wstring& subkey, const std::wstring& name,
                          DWORD type, const void* data, std::size_t size) {
    UniqueHkey key;
    if (::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                            static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

// A string value as the key writer stores it: its characters, without a terminating zero.
inline RawValue StoredString(const std::u16string& text) {
    return {REG_SZ, BytesOf(text)};
}

// A journal entry of the key writer.
struct JournalRecord {
    HKEY root = nullptr;
    std::u16string path;
    std::optional<ValueRecord> previous;  // none for a key that was created
    bool operator==(const JournalRecord&) const = default;
};

inline void PrintTo(const JournalRecord& entry, std::ostream* out) {
    *out << entry.root << ' ' << ::testing::PrintToString(entry.path) << ", "
         << ::testing::PrintToString(entry.previous);
}

inline std::vector<JournalRecord> JournalOf(const CRegistry& registry) {
    std::vector<JournalRecord> records;
    for (const JournalEntry& entry : registry.Journal()) {
        records.push_back({entry.entryRoot, entry.entryPath, std::nullopt});
        if (entry.previousValue) {
            records.back().previous = RecordOf(*entry.previousValue);
        }
    }
    return records;
}

}  // namespace langsetup::test
