#include "language/res_manager.h"

#include <windows.h>

#include <string>

#include "app/module_directory.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/running_image_win32.h"
#include "app/verified_start_win32.h"
#include "app/wide_win32.h"
#include "language/language_paths.h"
#include "language/language_table.h"
#include "language/module_command_line.h"
#include "language/module_copy_win32.h"
#include "language/module_entry_rule.h"

namespace langsetup {

CResManager::CResManager() = default;

CResManager::~CResManager() {
    RemoveLanguageFolder();
}

const OpenedFolder* CResManager::ToolFolder() {
    if (!tool_) {
        const ModuleDirectoryInfo& directory = ModuleDirectory();
        tool_ = std::make_unique<RunningImage>(
            directory.state == ModuleDirectoryState::kFolder
                ? RunningImage::Open(directory.path, directory.fileName)
                : RunningImage());
    }
    return *tool_ ? &tool_->Folder() : nullptr;
}

const OpenedFolder& CResManager::LanguagesFolder() {
    if (!languages_) {
        languages_ = std::make_unique<OpenedFolder>();
        if (const OpenedFolder* toolFolder = ToolFolder()) {
            FolderListing listing(*toolFolder);
            while (const FolderEntry* entry = listing.Next()) {
                if (entry->IsFolder() && !entry->IsLink() &&
                    EqualIgnoringAsciiCase(entry->name, kLanguageFolderName)) {
                    *languages_ = toolFolder->OpenSubfolder(*entry);
                    break;
                }
            }
        }
    }
    return *languages_;
}

void CResManager::InstallForLocale(std::int32_t localeId) {
    RunLanguageModule(LocaleToLanguageIndex(localeId));
}

void CResManager::RunLanguageModule(std::int32_t index) {
    const ModuleDirectoryInfo& directory = ModuleDirectory();
    const OpenedFolder* folder = ToolFolder();
    if (folder == nullptr) {
        return;
    }
    const std::u16string_view code = LanguageCode(index);
    ModuleCopy module = ModuleCopy::Place(*folder, LanguagesFolder(), code);
    if (module.Placement() != ModulePlacement::kPlaced &&
        module.Placement() != ModulePlacement::kStale) {
        return;
    }

    // The module runs from the tool's folder, gets null standard handles, inherits nothing and
    // opens no console window. The quoted path on its command line lets it read its own path as
    // one argument.
    const std::u16string target = directory.path + LanguageModuleFileName(code);
    std::u16string commandLine = ModuleCommandLine(target);
    ::SetCurrentDirectoryW(AsWide(directory.path));
    module.Seal();
    StartedProgram started = StartHeldProgram(
        {.program = target, .commandLine = commandLine, .folder = directory.path,
         .flags = CREATE_NO_WINDOW, .inherited = {}, .leaveJob = false},
        module.Bytes());
    DWORD releaseMs = 0;
    if (started.outcome == StartOutcome::kStarted) {
        module.Started();
        // No time limit: a module that never ends keeps the tool waiting.
        ::WaitForSingleObject(started.process.Process(), INFINITE);
        started.process.Reset();
        releaseMs = kReleaseRetryMs;
    }
    module.Delete(*folder, code, releaseMs);
}

void CResManager::RemoveLanguageFolder() {
    const OpenedFolder& languages = LanguagesFolder();
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
