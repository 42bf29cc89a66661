#include "language/module_copy_win32.h"

#include <string>

#include "app/copied_file_win32.h"
#include "app/retry_win32.h"
#include "app/wide_win32.h"
#include "language/language_paths.h"

namespace langsetup {
namespace {

// Names tried for the new file before giving up (each one already taken by another file).
constexpr std::uint32_t kCopyNameAttempts = 16;

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

ModulePlacement PlaceModuleCopy(const OpenedFolder& folder, std::u16string_view folderPath,
                                std::u16string_view code) {
    const std::u16string source = LanguageModuleSourcePath(folderPath, code);
    const std::u16string target = std::u16string(folderPath) + LanguageModuleFileName(code);
    if (::GetFileAttributesW(AsWide(source)) == INVALID_FILE_ATTRIBUTES &&
        IsMissing(::GetLastError())) {
        return ModulePlacement::kNoModule;
    }

    // A name nobody uses: the copy only ever creates a new file, so it cannot write into an
    // existing one (or through a link) by accident. Names taken by other files are left alone.
    const std::uint32_t first = ::GetCurrentProcessId();
    for (std::uint32_t attempt = 0; attempt < kCopyNameAttempts; ++attempt) {
        const std::u16string name = LanguageModuleCopyName(code, first + attempt);
        const std::u16string copy = std::u16string(folderPath) + name;
        if (::GetFileAttributesW(AsWide(copy)) != INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        if (!::CopyFileW(AsWide(source), AsWide(copy), TRUE)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
                continue;
            }
            folder.DeleteEntry(name);  // whatever part of it was made
            return ModulePlacement::kFailed;
        }
        ClearReadOnlyAttribute(copy);
        // Replaces the directory entry: a file held open, a folder or a read-only file of the
        // target's name makes it fail, and then that older file must not run in its place.
        if (!::MoveFileExW(AsWide(copy), AsWide(target), MOVEFILE_REPLACE_EXISTING)) {
            folder.DeleteEntry(name);
            return ModulePlacement::kFailed;
        }
        return ModulePlacement::kPlaced;
    }
    return ModulePlacement::kFailed;
}

void DeleteModuleCopy(const OpenedFolder& folder, std::u16string_view name,
                      const FileIdentity& copy, DWORD retryMs) {
    RetryWhile(retryMs, [&] { return folder.DeleteEntry(name, &copy) == EntryState::kHeld; });
}

}  // namespace langsetup
