#include "registry/registry_win32.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "app/wide_win32.h"
#include "app/zero_terminated.h"

namespace langsetup {
namespace {

// The registry functions count a zero character that directly follows string data as part of
// the value (a courtesy to callers that forgot the terminator), and a string value's characters
// are always followed by one. The stored form is the characters alone, so they are handed over
// from a copy whose next unit is not zero.
std::vector<std::uint8_t> StringBytesWithGuard(const CRegValue& value) {
    std::vector<std::uint8_t> bytes(value.GetData(), value.GetData() + value.GetSize());
    bytes.push_back(0xFF);
    bytes.push_back(0xFF);
    return bytes;
}

}  // namespace

CRegistry::CRegistry()
    : rootKeyTable{{{u"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                    {u"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                    {u"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                    {u"HKEY_USERS", HKEY_USERS},
                    {u"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}}} {}

CRegistry::~CRegistry() {
    Close();
}

bool CRegistry::OpenKeyPath(std::u16string& path) {
    const std::u16string_view text = UpToFirstZero(path);
    const std::size_t backslash = text.find(u'\\');
    if (backslash == std::u16string_view::npos) {
        Close();
        return false;
    }
    path[backslash] = u'\0';
    const std::u16string_view rootName = text.substr(0, backslash);
    const std::u16string_view subkey = text.substr(backslash + 1);

    HKEY root = nullptr;
    for (const RootKey& entry : rootKeyTable) {
        if (entry.name == rootName) {
            root = entry.handle;
        }
    }
    if (root == nullptr) {
        Close();
        return false;
    }
    return CreateKey(root, subkey);
}

bool CRegistry::CreateKey(HKEY root, std::u16string_view subkey) {
    Close();
    // Copy first: `subkey` may point into the path of the key that was open.
    std::u16string path(UpToFirstZero(subkey));
    if (path.size() >= kSubkeyPathCapacity) {
        return false;
    }
    HKEY created = nullptr;
    DWORD disposition = 0;
    const LSTATUS status =
        ::RegCreateKeyExW(root, AsWide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &created, &disposition);
    if (status != ERROR_SUCCESS) {
        return false;
    }
    openKey.Reset(created);
    rootKey.Reset(root);
    subkeyPath = std::move(path);
    if (disposition == REG_CREATED_NEW_KEY && journalEnabled) {
        AddJournalEntry(std::nullopt);
    }
    return true;
}

bool CRegistry::SetValue(const CRegValue& value) {
    if (!IsOpen() || value.GetType() == kRegNone) {
        return false;
    }
    std::optional<CRegValue> previous;
    if (journalEnabled) {
        previous.emplace();
        previous->SetName(value.GetName());
        // A value that does not exist yet (or cannot be held) leaves the copy at type 0.
        QueryValue(*previous);
    }
    const std::vector<std::uint8_t> guarded =
        value.GetType() == kRegSz ? StringBytesWithGuard(value) : std::vector<std::uint8_t>{};
    const std::uint8_t* data = guarded.empty() ? value.GetData() : guarded.data();
    const LSTATUS status = ::RegSetValueExW(openKey.Get(), AsWide(value.GetName()), 0,
                                            value.GetType(), data, value.GetSize());
    if (status != ERROR_SUCCESS) {
        return false;
    }
    if (journalEnabled) {
        AddJournalEntry(std::move(previous));
    }
    return true;
}

bool CRegistry::QueryValue(CRegValue& value) {
    if (!IsOpen()) {
        return false;
    }
    const wchar_t* name = AsWide(value.GetName());
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(openKey.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return false;
    }
    // At least four zero-filled bytes: a DWORD stored with fewer than four bytes then reads as its
    // own bytes, zero-extended, and nothing beyond the buffer is ever read.
    std::vector<std::uint8_t> buffer(std::max<DWORD>(size, sizeof(std::uint32_t)), 0);
    if (::RegQueryValueExW(openKey.Get(), name, nullptr, &type, buffer.data(), &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return false;
    }
    // False, and nothing changed, for types the value cannot hold.
    return value.SetData(buffer.data(), size, type);
}

void CRegistry::Close() {
    openKey.Reset();
    rootKey.Reset();
}

bool CRegistry::DeleteKey(HKEY root, std::u16string_view subkey) {
    const std::u16string path(UpToFirstZero(subkey));
    // An empty subkey names the root itself: deleting it would empty the whole root.
    if (path.empty()) {
        return false;
    }
    return ::SHDeleteKeyW(root, AsWide(path)) == ERROR_SUCCESS;
}

void CRegistry::AddJournalEntry(std::optional<CRegValue> previousValue) {
    journal.push_back(JournalEntry{rootKey.Get(), subkeyPath, std::move(previousValue)});
}

}  // namespace langsetup
