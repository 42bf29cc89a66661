// The registry key writer: opens or creates one key at a time under a predefined root, writes and
// reads CRegValue values, deletes key trees, and journals every key it created and every value it
// wrote together with the content that value had before.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/unique_handle_win32.h"
#include "registry/reg_value.h"

namespace langsetup {

// Subkey paths of this many UTF-16 units or more are refused.
inline constexpr std::size_t kSubkeyPathCapacity = 2048;

// One change made by the key writer.
struct JournalEntry {
    HKEY entryRoot = nullptr;  // the root under which the change was made (not owned)
    std::u16string entryPath;  // the subkey path of the key that was open
    // None for a key that was created. For a value that was written: the value's name and, when
    // it existed before with data of a type the value can hold, its previous type and data.
    std::optional<CRegValue> previousValue;
};

struct RootKey {
    std::u16string_view name;
    HKEY handle = nullptr;
};

// The roots that OpenKeyPath knows, by their exact names.
using RootKeyTable = std::array<RootKey, 5>;

class CRegistry {
public:
    CRegistry();
    virtual ~CRegistry();

    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;
    CRegistry(CRegistry&&) = delete;
    CRegistry& operator=(CRegistry&&) = delete;

    // Opens or creates the key named by "<root name>\<subkey path>". The first backslash of `path`
    // is overwritten with a zero character, which stays. The text counts up to its first zero.
    bool OpenKeyPath(std::u16string& path);
    // Opens or creates `subkey` (up to its first zero character) under `root` and makes it the open
    // key; a key that was open is closed first. On failure nothing is open.
    bool CreateKey(HKEY root, std::u16string_view subkey);
    // Writes `value` into the open key with the value's own size: a string is stored as its
    // characters alone, without a terminating zero. False for a value without data or with no key
    // open.
    bool SetValue(const CRegValue& value);
    // Reads the open key's value named like `value` into it. False, `value` unchanged, when there
    // is no such value, it has no data, or its type is not one that CRegValue holds.
    bool QueryValue(CRegValue& value);
    // Closes the open key and the root handle it was opened under.
    void Close();
    // Deletes `subkey` under `root` with all its subkeys and values. Uses no state of the writer.
    bool DeleteKey(HKEY root, std::u16string_view subkey);

    bool IsOpen() const { return openKey.IsValid(); }
    HKEY OpenKeyHandle() const { return openKey.Get(); }
    const std::u16string& SubkeyPath() const { return subkeyPath; }
    const RootKeyTable& RootKeys() const { return rootKeyTable; }
    const std::vector<JournalEntry>& Journal() const { return journal; }

private:
    void AddJournalEntry(std::optional<CRegValue> previousValue);

    UniqueHkey rootKey;  // closed with the open key, although it is normally a predefined root
    UniqueHkey openKey;
    RootKeyTable rootKeyTable;
    std::u16string subkeyPath;
    bool journalEnabled = true;
    std::vector<JournalEntry> journal;  // oldest first; only grows
};

}  // namespace langsetup
