#include "language/res_manager.h"

#include <windows.h>

#include <string>

#include "app/module_directory.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/running_image_win32.h"
#include "app/trail_win32.h"
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
        tool_ = std::make_unique<RunningImage>();
        if (directory.state == ModuleDirectoryState::kFolder) {
            *tool_ = RunningImage::Open(directory.path, directory.fileName);
            if (!*tool_) {
                Trail::Line("%% is not the running program: nothing done",
                            {directory.path, directory.fileName});
            }
        }
    }
    return *tool_ ? &tool_->Folder() : nullptr;
}

const OpenedFolder& CResManager::LanguagesFolder() {
    if (!languages_) {
        languages_ = std::make_unique<OpenedFolder>();
        if (const OpenedFolder* toolFolder = ToolFolder()) {
            FolderListing listing(*toolFolder);
            const FolderEntry* entry = nullptr;
            while ((entry = listing.Next()) != nullptr &&
                   !EqualIgnoringAsciiCase(entry->name, kLanguageFolderName)) {
            }
            if (entry == nullptr || !entry->IsFolder()) {
                Trail::Line("no Languages folder");
            } else if (entry->IsLink()) {
                Trail::Line("Languages is a link: left alone");
            } else {
                *languages_ = toolFolder->OpenSubfolder(*entry);
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
    const std::u16string name = LanguageModuleFileName(code);
    const std::u16string target = directory.path + name;
    ModuleCopy module = ModuleCopy::Place(*folder, LanguagesFolder(), code);
    const ModulePlacement placement = module.Placement();
    // What each placement tells, in the order of ModulePlacement.
    static constexpr const char* kTold[] = {
        "copied %Languages\\% to %", "no module %Languages\\%: running %",
        "no module %Languages\\%, no %: nothing runs",
        "%Languages\\% not copied to %, nothing runs: %"};
    Trail::Line(kTold[static_cast<int>(placement)],
                {directory.path, name, target,
                 module.Error() == 0 ? TrailPart(u"not a plain file")
                                     : TrailPart::Error(module.Error())});
    if (placement != ModulePlacement::kPlaced && placement != ModulePlacement::kStale) {
        return;
    }

    // The module runs from the tool's folder, gets null standard handles, inherits nothing and
    // opens no console window. The quoted path on its command line lets it read its own path as
    // one argument.
    std::u16string commandLine = ModuleCommandLine(target);
    StartedProgram started;
    started.error = module.Seal();
    if (started.error == 0) {
        started = StartHeldProgram({.program = target, .commandLine = commandLine,
                                    .folder = directory.path, .flags = CREATE_NO_WINDOW,
                                    .inherited = {}, .leaveJob = false},
                                   module.Image());
    }
    TellStart(target, started);
    DWORD releaseMs = 0;
    if (started.outcome == StartOutcome::kStarted) {
        module.Started();
        // No time limit: a module that never ends keeps the tool waiting.
        const DWORD begun = ::GetTickCount();
        ::WaitForSingleObject(started.process.Process(), INFINITE);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(started.process.Process(), &exitCode);
        Trail::Line("module ended: % ms, exit code %", {::GetTickCount() - begun, exitCode});
        started.process.Reset();
        releaseMs = kReleaseRetryMs;
    }
    module.Delete(*folder, target, releaseMs);
}

void CResManager::RemoveLanguageFolder() {
    const OpenedFolder& languages = LanguagesFolder();
    if (!languages) {
        return;
    }
    // Each module is deleted through its own handle, opened in Languages itself, and only while
    // it is the plain file the listing showed.
    const std::u16string& folder = ModuleDirectory().path;
    FolderListing listing(languages);
    while (const FolderEntry* entry = listing.Next()) {
        std::u16string_view kept = WhyKept({entry->name, entry->IsFolder(), entry->IsLink()});
        if (kept.empty()) {
            const FileIdentity listed{languages.Identity().volume, entry->fileId};
            switch (languages.DeleteEntry(entry->name, &listed)) {
                case EntryState::kOpened:
                case EntryState::kMissing:
                    break;
                case EntryState::kNotPlain:
                    kept = u"replaced";
                    break;
                case EntryState::kHeld:
                    kept = u"held open or read-only";
                    break;
            }
        }
        Trail::Line(kept.empty() ? "deleted %Languages\\%%" : "kept %Languages\\%: %",
                    {folder, entry->name, kept});
    }
    // Goes when the handle closes, and only when nothing else stands in the folder.
    const bool removed = languages.MarkForDeletion();
    Trail::Line(removed ? "removed %Languages%" : "kept %Languages: %",
                {folder, removed ? TrailPart(u"") : TrailPart::Error(::GetLastError())});
}

}  // namespace langsetup
