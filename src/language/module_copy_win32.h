// What runs for a language: the module in Languages, copied by the tool into a new file beside
// the tool and held there until it has run; or, where Languages holds no such module, a file of
// the copy's name that already stands beside the tool. Either is run only with the bytes the tool
// read through its handle, and deleted through that handle afterwards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/held_copy_win32.h"
#include "app/opened_folder_win32.h"
#include "app/pe_image.h"

namespace langsetup {

enum class ModulePlacement {
    kPlaced,    // a fresh copy of Languages\<code>.exe stands under <code>.exe beside the tool
    kStale,     // Languages holds no such module: the plain file already under <code>.exe runs
    kNoModule,  // neither exists: nothing runs and nothing changes
    kFailed,    // the module is there but could not be read, is no program the tool can check
                // (ERROR_BAD_EXE_FORMAT), or could not be put in place: nothing runs, and no part
                // of a copy stays (an older file must never run in the module's place)
};

class ModuleCopy {
public:
    // Puts the module of `code` in place beside the tool: read from `languages` (a plain file
    // there, never a link), written into a new file of `toolFolder`, which then takes the name
    // <code>.exe, replacing the entry of that name (a file, or a link itself, never the file it
    // pointed to). A file of that name that is held open, read-only or a folder makes it fail.
    static ModuleCopy Place(const OpenedFolder& toolFolder, const OpenedFolder& languages,
                            std::u16string_view code);

    ModulePlacement Placement() const { return placement_; }
    // Why it failed: the platform's error, where there is one.
    DWORD Error() const { return error_; }
    // The image of what the file under <code>.exe holds, to start it with.
    PeImage& Image() { return image_; }

    // Right before it is started: see HeldCopy::Seal.
    DWORD Seal() { return copy_ ? copy_.Seal() : 0; }
    // Once a process runs it, that process holds the file: the tool lets go of it (a crash
    // handler that opens the program's file must find it free) and keeps only its identity.
    void Started();
    // Deletes the file at `path` (<code>.exe in `toolFolder`) only while it is still the file it
    // held, retrying for up to `retryMs` while it is held (the system's crash handling can keep a
    // crashed module's file for a moment after it ended).
    void Delete(const OpenedFolder& toolFolder, const std::u16string& path, DWORD retryMs);

private:
    void Fail(ModulePlacement placement, DWORD error);

    HeldCopy copy_;                  // kPlaced
    OpenedFile stale_;               // kStale
    std::optional<FileIdentity> identity_;  // of either, once it has started
    std::vector<std::uint8_t> bytes_;
    PeImage image_;  // of bytes_
    ModulePlacement placement_ = ModulePlacement::kNoModule;
    DWORD error_ = 0;
};

}  // namespace langsetup
