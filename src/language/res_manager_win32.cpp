#include "language/res_manager.h"

#include <windows.h>

#include <optional>
#include <string>

#include "app/module_directory.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/retry_win32.h"
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
namespace {

struct LanguageFolderPlace {
    std::u16string folder;  // the folder that holds Languages
    std::u16string name;    // Languages' name in it
};

// Where Languages lies: the module directory and "Languages"; without a backslash in the module
// directory, the current directory and "<uncut path>Languages".
LanguageFolderPlace PlaceOfLanguages() {
    const std::u16string path = LanguageFolderPath(ModuleDirectory().path);
    const std::optional<FolderAndName> parts = SplitAtLastSeparator(path);
    if (!parts) {
        return {u".", path};
    }
    return {std::u16string(parts->folder), std::u16string(parts->name)};
}

}  // namespace

CResManager::CResManager() = default;

CResManager::~CResManager() {
    RemoveLanguageFolder();
}

const OpenedFolder& CResManager::ToolFolder() {
    if (!toolFolder_) {
        toolFolder_ = std::make_unique<OpenedFolder>(OpenedFolder::Open(PlaceOfLanguages().folder));
    }
    return *toolFolder_;
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
    const OpenedFolder& folder = ToolFolder();
    const std::u16string_view code = LanguageCode(index);
    const std::u16string name = LanguageModuleFileName(code);
    const std::u16string target = directory.path + name;

    // A module that is there but cannot be put in place runs nothing: an older file of the
    // target's name must never run instead of it. A missing module still lets a file of the
    // target's name that already stands beside the tool run.
    if (!folder || PlaceModuleCopy(folder, directory.path, code) == ModulePlacement::kFailed) {
        return;
    }
    // What now stands under the target's name is what runs, and the one file deleted afterwards:
    // a plain file of the tool's folder (never a link), recognised again by its identity.
    const std::optional<FileIdentity> copy = folder.IdentifyEntry(name);
    if (!copy) {
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
        releaseMs = kReleaseRetryMs;
    }

    DeleteModuleCopy(folder, name, *copy, releaseMs);
}

void CResManager::RemoveLanguageFolder() {
    // An unknown folder would turn every path below into one relative to the current directory.
    if (ModuleDirectory().state == ModuleDirectoryState::kUnknown) {
        return;
    }
    const std::u16string name = PlaceOfLanguages().name;

    // Languages as the tool's folder lists it: a real folder, never a link or junction, which
    // would lead elsewhere. Opened through the tool's folder, and only while it is that folder.
    const OpenedFolder& toolFolder = ToolFolder();
    OpenedFolder languages;
    FolderListing toolListing(toolFolder);
    while (const FolderEntry* entry = toolListing.Next()) {
        if (entry->IsFolder() && !entry->IsLink() && EqualIgnoringAsciiCase(entry->name, name)) {
            languages = toolFolder.OpenSubfolder(*entry);
            break;
        }
    }
    if (!languages) {
        return;
    }

    // Each module is deleted through its own handle, opened in Languages itself, and only while
    // it is the plain file the listing showed.
    FolderListing listing(languages);
    while (const FolderEntry* entry = listing.Next()) {
        if (IsDeletableModuleEntry({entry->name, entry->IsFolder(), entry->IsLink()})) {
            const FileIdentity listed{languages.Identity().volume, entry->fileId};
            languages.DeleteEntry(entry->name, &listed);
        }
    }
    // Goes when the handle closes, and only when nothing else stands in the folder.
    languages.MarkForDeletion();
}

}  // namespace langsetup
