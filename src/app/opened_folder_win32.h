// Folders opened once and then used only through their handles. What the tool lists in such a
// folder, opens in it and deletes from it is reached relative to the handle, so a folder that is
// renamed, or swapped for a link, after it was opened can never redirect a deletion elsewhere.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/unique_handle_win32.h"

namespace langsetup {

// The object a handle or a listing names: its volume and its id on that volume.
struct FileIdentity {
    DWORD volume = 0;
    std::uint64_t fileId = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// An entry as its folder's own listing shows it.
struct FolderEntry {
    std::u16string_view name;
    DWORD attributes = 0;
    std::uint64_t fileId = 0;
    std::u16string_view shortName;  // the 8.3 name, where the entry has one besides its name

    bool IsFolder() const { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

enum class EntryState {
    kOpened,    // a plain file that lies directly in the folder, under the name it was opened by
    kMissing,   // no entry of that name
    kNotPlain,  // a folder, a link, a name that leads elsewhere, or another object than expected
    kHeld,      // there, but it could not be opened or marked (held by a program, read-only, ...)
};

// The identity of the file or folder behind `handle`; nothing when the system cannot tell.
std::optional<FileIdentity> IdentifyFile(HANDLE handle);

// Marks the file or folder behind `handle` (opened with delete access) for deletion: with POSIX
// semantics, its name goes at once even while other programs still have it open; where the
// system lacks them, it goes when the last handle to it is closed. A folder must be empty.
bool MarkForDeletion(HANDLE handle);

// The whole content of the file behind `handle` (opened with read access), read from its start;
// nothing when it cannot be read whole or holds more than `largest` bytes (64 MiB: more than any
// program the tool copies, and little enough to hold in memory twice).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(HANDLE handle,
                                                       std::uint64_t largest = 64ULL << 20);

// The file behind `handle` opened once more, through that handle (no path is looked up), with
// `access`, `share` and the NT create `options`. The platform's error in `error` on failure.
UniqueFileHandle ReopenFile(HANDLE handle, ACCESS_MASK access, ULONG share, ULONG options,
                            DWORD* error = nullptr);

// Where the object behind `handle` is now, in the system's own spelling (\\?\C:\... or
// \\?\UNC\server\...), with links resolved; empty when the system cannot tell.
std::u16string FinalPathOf(HANDLE handle);

// A plain file opened in a folder with the right to delete it. Closing it deletes it once it has
// been marked.
class OpenedFile {
public:
    OpenedFile() = default;
    // An entry that could not be opened, for the reason `state`.
    explicit OpenedFile(EntryState state) : state_(state) {}

    // Takes `handle` when it is a plain file (not a folder, not a link) that can tell its
    // identity; kNotPlain otherwise.
    static OpenedFile Adopt(UniqueFileHandle handle);

    EntryState State() const { return state_; }
    // Why it could not be opened, when the platform said so: its error.
    DWORD Error() const { return error_; }
    HANDLE Get() const { return handle_.Get(); }
    explicit operator bool() const { return state_ == EntryState::kOpened; }
    const FileIdentity& Identity() const { return identity_; }
    bool MarkForDeletion() const { return langsetup::MarkForDeletion(handle_.Get()); }

private:
    friend class OpenedFolder;
    UniqueFileHandle handle_;
    FileIdentity identity_;
    EntryState state_ = EntryState::kMissing;
    DWORD error_ = 0;
};

class OpenedFolder {
public:
    OpenedFolder() = default;

    // The folder at `path`. It is shared with nobody who would rename or delete it while it is
    // held. Links on the way are followed; with `followLastLink` false, a link or junction that
    // `path` itself names is refused instead of being followed.
    static OpenedFolder Open(const std::u16string& path, bool followLastLink = true);

    explicit operator bool() const { return handle_.IsValid(); }
    const FileIdentity& Identity() const { return identity_; }

    // The subfolder `listed` (from a FolderListing of this folder) opened relative to this folder
    // without following a link, shared with nobody who would rename or delete it, and only when it
    // is still the very folder the listing showed. It can be marked for deletion unless someone
    // else uses it (as the current directory of a program, say).
    OpenedFolder OpenSubfolder(const FolderEntry& listed) const;
    // The same, only to look into it: it is never marked for deletion, so no delete access is
    // asked for (a folder on the way to a file grants it rarely).
    OpenedFolder OpenSubfolderToLookInto(const FolderEntry& listed) const;

    // The file `name` opened relative to this folder without following a link, with `access`,
    // sharing everything; invalid when it cannot be opened or is a folder.
    UniqueFileHandle OpenFileHandle(std::u16string_view name, ACCESS_MASK access) const;

    // The file `name` opened relative to this folder without following a link, with `access`
    // (delete access unless told otherwise), sharing everything. Anything but a plain file whose
    // final path lies directly in this folder is refused as kNotPlain.
    OpenedFile OpenEntry(std::u16string_view name, ACCESS_MASK access = DELETE) const;
    // The same with `access` and `share`; the file is created when the name is free.
    OpenedFile OpenOrCreateEntry(std::u16string_view name, ACCESS_MASK access, ULONG share) const;

    // A new file `name` created in this folder with `access` and `share`: never an existing file,
    // folder or link of that name (then ERROR_ALREADY_EXISTS). The platform's error in `error`.
    UniqueFileHandle CreateNewFile(std::u16string_view name, ACCESS_MASK access, ULONG share,
                                   DWORD* error) const;

    // Gives the file behind `file` (opened with delete access) the name `name` in this folder,
    // replacing the entry of that name (a file, or a link itself, never what it points to). The
    // platform's error on failure (a file held open, a folder or a read-only file there), else 0.
    DWORD MoveInto(HANDLE file, std::u16string_view name) const;

    // Deletes the file `name` through its handle when OpenEntry accepts it and, when `expected` is
    // given, it is that very object. kOpened: marked for deletion.
    EntryState DeleteEntry(std::u16string_view name, const FileIdentity* expected = nullptr) const;

    // Marks this folder for deletion once it is closed; fails while it holds anything.
    bool MarkForDeletion() const { return langsetup::MarkForDeletion(handle_.Get()); }

private:
    friend class FolderListing;
    // Takes `handle` when it is a folder (not a link) and can tell its identity and final path.
    static OpenedFolder Adopt(UniqueFileHandle handle);
    OpenedFolder OpenListedSubfolder(const FolderEntry& listed, ACCESS_MASK extraAccess) const;
    OpenedFile OpenPlainEntry(std::u16string_view name, ACCESS_MASK access, ULONG share,
                              bool create) const;

    UniqueFileHandle handle_;
    FileIdentity identity_;
    std::u16string finalPath_;  // where the folder was when it was opened, without a last "\"
};

// The entries of a folder read through its handle, one at a time ("." and ".." left out). After
// a swap of the folder's name it still lists the original. Each handle is listed once.
class FolderListing {
public:
    explicit FolderListing(const OpenedFolder& folder) : folder_(folder.handle_.Get()) {}

    // The next entry, valid until the next call; null after the last.
    const FolderEntry* Next();

private:
    bool ReadRecord();  // the next record, "." and ".." among them, into current_

    HANDLE folder_;
    // The records hold 64-bit fields: the buffer is kept 8-byte aligned.
    std::vector<std::uint64_t> buffer_;
    std::size_t offset_ = 0;  // of the next record in the buffer; 0: read more
    FolderEntry current_;
};

}  // namespace langsetup
