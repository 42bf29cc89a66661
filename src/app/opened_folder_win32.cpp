#include "app/opened_folder_win32.h"

#include <winternl.h>

#include <algorithm>

#include "app/path_parts.h"
#include "app/wide_win32.h"

namespace langsetup {
namespace {

constexpr NTSTATUS kStatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS kStatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS kStatusSharingViolation = static_cast<NTSTATUS>(0xC0000043);
constexpr NTSTATUS kStatusObjectNameInvalid = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS kStatusObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kStatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);
constexpr NTSTATUS kStatusOplockBreakInProgress = static_cast<NTSTATUS>(0x00000108);

// POSIX deletion (Windows 10 and later), which the headers for older systems do not declare.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
struct FileDispositionInfoExRecord {
    DWORD flags;
};
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionPosixSemantics = 0x2;

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Others may read and write in a folder the tool holds, but neither rename nor delete it.
constexpr ULONG kShareButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// What every entry is opened with besides the access its use needs: enough to tell what it is.
constexpr ACCESS_MASK kEntryAccess = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr std::size_t kListingBytes = 65536;
// A counted name holds at most this many UTF-16 units.
constexpr std::size_t kLongestName = 32767;

struct RelativeOpen {
    UniqueFileHandle handle;
    NTSTATUS status = 0;
};

// The counted form of `name` (which must outlive it).
UNICODE_STRING CountedName(std::u16string_view name) {
    UNICODE_STRING text{};
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(char16_t));
    text.Length = bytes;
    text.MaximumLength = bytes;
    text.Buffer = const_cast<PWSTR>(AsWide(name.data()));
    return text;
}

DWORD ErrorOf(NTSTATUS status) {
    return NT_SUCCESS(status) ? 0 : ::RtlNtStatusToDosError(status);
}

// `name` opened (or, with `disposition` FILE_CREATE, created) relative to `root`, a folder or,
// with an empty name, the file itself: the name is looked up in that folder itself, wherever its
// path now leads. A link is opened as itself, not followed.
RelativeOpen OpenRelative(HANDLE root, std::u16string_view name, ACCESS_MASK access, ULONG share,
                          ULONG options, ULONG disposition = FILE_OPEN) {
    RelativeOpen opened;
    if (name.size() > kLongestName) {
        opened.status = kStatusObjectNameNotFound;
        return opened;
    }
    UNICODE_STRING text = CountedName(name);
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof(attributes);
    attributes.RootDirectory = root;
    attributes.ObjectName = &text;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    HANDLE handle = INVALID_HANDLE_VALUE;
    // An opportunistic lock that someone else holds on the file never holds the tool up: the
    // open completes at once, and the file then counts as held.
    opened.status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, share, disposition,
                                   options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                                       FILE_COMPLETE_IF_OPLOCKED,
                                   nullptr, 0);
    if (NT_SUCCESS(opened.status)) {
        opened.handle.Reset(handle);
    }
    if (opened.status == kStatusOplockBreakInProgress) {
        opened.handle.Reset();
        opened.status = kStatusSharingViolation;
    }
    return opened;
}

std::optional<BY_HANDLE_FILE_INFORMATION> QueryInformation(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    return information;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber,
            (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

bool ShowsAFolder(const BY_HANDLE_FILE_INFORMATION& information) {
    return (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool ShowsAPlainFile(const BY_HANDLE_FILE_INFORMATION& information) {
    return (information.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

// Why a file could not be opened: it is not there, it is no file of this folder, or something
// holds it (a program that shares it with nobody, a pending deletion, missing rights).
EntryState StateOfFailedOpen(NTSTATUS status) {
    switch (status) {
        case kStatusObjectNameNotFound:
        case kStatusObjectPathNotFound:
            return EntryState::kMissing;
        case kStatusObjectNameInvalid:
        case kStatusFileIsADirectory:
            return EntryState::kNotPlain;
        default:
            return EntryState::kHeld;
    }
}

}  // namespace

std::optional<FileIdentity> IdentifyFile(HANDLE handle) {
    const std::optional<BY_HANDLE_FILE_INFORMATION> information = QueryInformation(handle);
    return information ? std::optional<FileIdentity>(IdentityOf(*information)) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(HANDLE handle, std::uint64_t largest) {
    FILE_STANDARD_INFORMATION size{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        ::NtQueryInformationFile(handle, &io, &size, sizeof(size), FileStandardInformation);
    if (!NT_SUCCESS(status) || static_cast<std::uint64_t>(size.EndOfFile.QuadPart) > largest) {
        ::SetLastError(NT_SUCCESS(status) ? ERROR_FILE_TOO_LARGE : ErrorOf(status));
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.EndOfFile.QuadPart));
    std::size_t done = 0;
    OVERLAPPED from{};  // each read says where it starts: the handle's position is never used
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20));
        from.Offset = static_cast<DWORD>(done);
        from.OffsetHigh = static_cast<DWORD>(std::uint64_t{done} >> 32);
        DWORD read = 0;
        if (!::ReadFile(handle, bytes.data() + done, chunk, &read, &from) || read == 0) {
            return std::nullopt;
        }
        done += read;
    }
    return bytes;
}

UniqueFileHandle ReopenFile(HANDLE handle, ACCESS_MASK access, ULONG share, ULONG options,
                            DWORD* error) {
    RelativeOpen opened = OpenRelative(handle, u"", access, share, options);
    if (error != nullptr) {
        *error = ErrorOf(opened.status);
    }
    return std::move(opened.handle);
}

std::u16string FinalPathOf(HANDLE handle) {
    const DWORD needed = ::GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
    std::u16string path(needed, u'\0');
    const DWORD length =
        ::GetFinalPathNameByHandleW(handle, AsWide(path.data()), needed, FILE_NAME_NORMALIZED);
    path.resize(length < needed ? length : 0);
    return path;
}

bool MarkForDeletion(HANDLE handle) {
    // Windows 10 and later on NTFS; elsewhere the call fails and the classic way is taken.
    FileDispositionInfoExRecord posix{kDispositionDelete | kDispositionPosixSemantics};
    if (::SetFileInformationByHandle(handle, kFileDispositionInfoEx, &posix, sizeof(posix))) {
        return true;
    }
    FILE_DISPOSITION_INFO classic{TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &classic, sizeof(classic)) !=
           FALSE;
}

OpenedFolder OpenedFolder::Adopt(UniqueFileHandle handle) {
    OpenedFolder folder;
    const std::optional<BY_HANDLE_FILE_INFORMATION> information = QueryInformation(handle.Get());
    std::u16string finalPath = FinalPathOf(handle.Get());
    if (!information || !ShowsAFolder(*information) || finalPath.empty()) {
        return folder;
    }
    if (finalPath.back() == u'\\') {  // a volume's root
        finalPath.pop_back();
    }
    folder.handle_ = std::move(handle);
    folder.identity_ = IdentityOf(*information);
    folder.finalPath_ = std::move(finalPath);
    return folder;
}

OpenedFolder OpenedFolder::Open(const std::u16string& path, bool followLastLink) {
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLastLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    return Adopt(UniqueFileHandle(::CreateFileW(AsWide(path), kFolderAccess, kShareButDelete,
                                                nullptr, OPEN_EXISTING, flags, nullptr)));
}

const FolderEntry* FolderListing::Next() {
    do {
        if (!ReadRecord()) {
            return nullptr;
        }
    } while (current_.name == u"." || current_.name == u"..");
    return &current_;
}

bool FolderListing::ReadRecord() {
    if (offset_ == 0) {
        buffer_.resize(kListingBytes / sizeof(buffer_[0]));
        if (folder_ == nullptr || !::GetFileInformationByHandleEx(folder_, FileIdBothDirectoryInfo,
                                                                  buffer_.data(), kListingBytes)) {
            return false;  // the last entry was read, or the folder cannot be listed
        }
    }
    const auto* record = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(
        reinterpret_cast<const unsigned char*>(buffer_.data()) + offset_);
    offset_ = record->NextEntryOffset == 0 ? 0 : offset_ + record->NextEntryOffset;
    current_ = {
        std::u16string_view(AsU16(record->FileName), record->FileNameLength / sizeof(char16_t)),
        record->FileAttributes, static_cast<std::uint64_t>(record->FileId.QuadPart),
        std::u16string_view(AsU16(record->ShortName), record->ShortNameLength / sizeof(char16_t))};
    return true;
}

OpenedFolder OpenedFolder::OpenSubfolder(const FolderEntry& listed) const {
    return OpenListedSubfolder(listed, DELETE);
}

OpenedFolder OpenedFolder::OpenSubfolderToLookInto(const FolderEntry& listed) const {
    return OpenListedSubfolder(listed, 0);
}

OpenedFolder OpenedFolder::OpenListedSubfolder(const FolderEntry& listed,
                                               ACCESS_MASK extraAccess) const {
    if (!handle_ || !IsPlainEntryName(listed.name)) {
        return {};
    }
    // With the extra access (delete access, so that the folder can go once it is empty); without
    // it when someone else uses the folder (a program's current directory refuses to share it).
    RelativeOpen opened;
    for (const ACCESS_MASK access : {kFolderAccess | extraAccess, kFolderAccess}) {
        opened =
            OpenRelative(handle_.Get(), listed.name, access, kShareButDelete, FILE_DIRECTORY_FILE);
        if (opened.status != kStatusSharingViolation || extraAccess == 0) {
            break;
        }
    }
    // The very folder listed: opened relative to this one, it is on this folder's volume. (Wine
    // reports a volume serial for the drive letter that spells a path, which differs when a second
    // letter names a folder in between; so only the id is compared.)
    OpenedFolder folder = Adopt(std::move(opened.handle));
    if (!folder || folder.identity_.fileId != listed.fileId) {
        return {};
    }
    return folder;
}

UniqueFileHandle OpenedFolder::OpenFileHandle(std::u16string_view name, ACCESS_MASK access) const {
    if (!handle_ || !IsPlainEntryName(name)) {
        return {};
    }
    return OpenRelative(handle_.Get(), name, access, kShareAll, FILE_NON_DIRECTORY_FILE).handle;
}

OpenedFile OpenedFile::Adopt(UniqueFileHandle handle) {
    OpenedFile file;
    const std::optional<BY_HANDLE_FILE_INFORMATION> information = QueryInformation(handle.Get());
    if (!information || !ShowsAPlainFile(*information)) {
        file.state_ = EntryState::kNotPlain;
        return file;
    }
    file.handle_ = std::move(handle);
    file.identity_ = IdentityOf(*information);
    file.state_ = EntryState::kOpened;
    return file;
}

OpenedFile OpenedFolder::OpenEntry(std::u16string_view name, ACCESS_MASK access) const {
    return OpenPlainEntry(name, access, kShareAll, false);
}

OpenedFile OpenedFolder::OpenOrCreateEntry(std::u16string_view name, ACCESS_MASK access,
                                           ULONG share) const {
    return OpenPlainEntry(name, access, share, true);
}

OpenedFile OpenedFolder::OpenPlainEntry(std::u16string_view name, ACCESS_MASK access, ULONG share,
                                        bool create) const {
    OpenedFile file;
    if (!handle_ || !IsPlainEntryName(name)) {
        file.state_ = EntryState::kNotPlain;
        return file;
    }
    const auto open = [&](ULONG disposition) {
        return OpenRelative(handle_.Get(), name, access | kEntryAccess, share,
                            FILE_NON_DIRECTORY_FILE, disposition);
    };
    RelativeOpen opened = open(FILE_OPEN);
    // A new file only where the name is free: a link to a missing file is an entry too, and
    // nothing is created through it. Another run may make the file in between.
    if (create && opened.status == kStatusObjectNameNotFound) {
        opened = open(FILE_CREATE);
        if (opened.status == kStatusObjectNameCollision) {
            opened = open(FILE_OPEN);
        }
    }
    if (!NT_SUCCESS(opened.status)) {
        file.state_ = StateOfFailedOpen(opened.status);
        file.error_ = ErrorOf(opened.status);
        return file;
    }
    // Through a link to a file some systems open its target: only the final path shows where
    // the file really is. It must be this folder's entry of that very name.
    std::u16string expected = finalPath_;
    expected += u'\\';
    expected += name;
    if (!EqualIgnoringAsciiCase(FinalPathOf(opened.handle.Get()), expected)) {
        file.state_ = EntryState::kNotPlain;
        return file;
    }
    return OpenedFile::Adopt(std::move(opened.handle));
}

UniqueFileHandle OpenedFolder::CreateNewFile(std::u16string_view name, ACCESS_MASK access,
                                             ULONG share, DWORD* error) const {
    RelativeOpen created{{}, kStatusObjectNameInvalid};
    if (handle_ && IsPlainEntryName(name)) {
        created = OpenRelative(handle_.Get(), name, access, share, FILE_NON_DIRECTORY_FILE,
                               FILE_CREATE);
    }
    *error = ErrorOf(created.status);
    return std::move(created.handle);
}

DWORD OpenedFolder::MoveInto(HANDLE file, std::u16string_view name) const {
    if (!handle_ || !IsPlainEntryName(name) || name.size() > kLongestName) {
        return ERROR_INVALID_NAME;
    }
    // The record ends in the name, in place of its one-character array.
    std::vector<std::uint64_t> record(
        (sizeof(FILE_RENAME_INFORMATION) + name.size() * sizeof(char16_t)) / sizeof(std::uint64_t) +
        1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(record.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = handle_.Get();
    rename->FileNameLength = static_cast<ULONG>(name.size() * sizeof(char16_t));
    std::copy(name.begin(), name.end(), reinterpret_cast<char16_t*>(rename->FileName));
    IO_STATUS_BLOCK io{};
    return ErrorOf(::NtSetInformationFile(file, &io, rename,
                                          static_cast<ULONG>(record.size() * sizeof(record[0])),
                                          FileRenameInformation));
}

EntryState OpenedFolder::DeleteEntry(std::u16string_view name, const FileIdentity* expected) const {
    const OpenedFile file = OpenEntry(name);
    if (!file) {
        return file.State();
    }
    if (expected != nullptr && file.Identity() != *expected) {
        return EntryState::kNotPlain;
    }
    return file.MarkForDeletion() ? EntryState::kOpened : EntryState::kHeld;
}

}  // namespace langsetup
