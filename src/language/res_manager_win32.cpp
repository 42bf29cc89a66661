#include "language/res_manager.h"

#include <windows.h>

#include <string>

#include "app/module_directory.h"
#include "app/unique_handle_win32.h"
#include "app/wide_win32.h"
#include "language/language_paths.h"
#include "language/language_table.h"
#include "language/module_command_line.h"
#include "language/module_copy_win32.h"
#include "language/module_entry_rule.h"

// The start-up record the module gets is the platform's full record (68 bytes in the 32-bit tool).
static_assert(sizeof(void*) != 4 || sizeof(STARTUPINFOW) == 68);

namespace langsetup {

CResManager::~CResManager() {
    RemoveLanguageFolder();
}

void CResManager::InstallForLocale(std::int32_t localeId) {
    RunLanguageModule(LocaleToLanguageIndex(localeId));
}

void CResManager::RunLanguageModule(std::int32_t index) {
    const ModuleDirectoryInfo& directory = ModuleDirectory();
    // Only a folder with its trailing backslash gives the module a place to run from.
    if (directory.state != ModuleDirectoryState::kFolder) {
        return;
    }
    const std::u16string_view code = LanguageCode(index);
    const std::u16string target = LanguageModuleTargetPath(directory.path, code);

    // A module that is there but cannot be put in place runs nothing: an older file of the
    // target's name must never run instead of it. A missing module still lets a file of the
    // target's name that already stands beside the tool run.
    if (PlaceModuleCopy(directory.path, code) == ModulePlacement::kFailed) {
        return;
    }

    // The module gets null standard handles and no console window.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    UniqueProcessInformation started;

    ::SetCurrentDirectoryW(AsWide(directory.path));

    // The application name makes exactly the target run, whatever blanks its path holds; the
    // quoted copy on the command line lets the module read its own path as one argument.
    std::u16string commandLine = ModuleCommandLine(target);
    DWORD releaseMs = 0;
    if (::CreateProcessW(AsWide(target), AsWide(commandLine.data()), nullptr, nullptr, TRUE,
                         CREATE_NO_WINDOW, nullptr, nullptr, &startup, started.Put())) {
        // No time limit: a module that never ends keeps the tool waiting.
        ::WaitForSingleObject(started.Process(), INFINITE);
        started.Reset();
        releaseMs = kModuleCopyReleaseMs;
    }

    DeleteModuleCopy(target, releaseMs);
}

void CResManager::RemoveLanguageFolder() {
    const ModuleDirectoryInfo& directory = ModuleDirectory();
    // An unknown folder would turn every path below into one relative to the current directory.
    if (directory.state == ModuleDirectoryState::kUnknown) {
        return;
    }
    // A Languages folder that is a link or junction leads elsewhere: nothing is searched,
    // deleted or removed through it.
    const std::u16string folder = LanguageFolderPath(directory.path);
    const DWORD folderAttributes = ::GetFileAttributesW(AsWide(folder));
    if (folderAttributes == INVALID_FILE_ATTRIBUTES ||
        (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (folderAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return;
    }

    // Search and deletion both address the folder beside the tool, whatever the current
    // directory is.
    const std::u16string pattern = LanguageModuleSearchPattern(directory.path);
    WIN32_FIND_DATAW match{};
    UniqueFindHandle search(::FindFirstFileW(AsWide(pattern), &match));
    if (search) {
        do {
            const LanguageFolderEntry entry{
                AsU16View(match.cFileName),
                (match.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                (match.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
            if (IsDeletableModuleEntry(entry)) {
                ::DeleteFileW(AsWide(LanguageFolderEntryPath(directory.path, entry.name)));
            }
        } while (::FindNextFileW(search.Get(), &match));
    }
    search.Reset();

    // Succeeds only when nothing else stands in the folder.
    ::RemoveDirectoryW(AsWide(folder));
}

}  // namespace langsetup
