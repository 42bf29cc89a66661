// Installs the host application's language module for a locale and removes the language folder
// when its lifetime ends.
#pragma once

#include <cstdint>
#include <memory>

namespace langsetup {

class OpenedFolder;
class RunningImage;

class CResManager {
public:
    CResManager();
    // Removes the language modules and, when it is then empty, the Languages folder.
    virtual ~CResManager();

    CResManager(const CResManager&) = delete;
    CResManager& operator=(const CResManager&) = delete;
    CResManager(CResManager&&) = delete;
    CResManager& operator=(CResManager&&) = delete;

    // Runs the module of the language that `localeId` selects.
    void InstallForLocale(std::int32_t localeId);
    // Copies Languages\<code>.exe beside the tool, runs it, waits for it and deletes the copy.
    void RunLanguageModule(std::int32_t index);
    // Records the language's folder in the host's per-user settings.
    bool RecordLanguageFolder(std::int32_t index);

private:
    void RemoveLanguageFolder();
    // The tool's own folder, opened at its first use and held until the manager ends, and only
    // when the tool's executable in it is proved to be the running one: whatever the manager
    // copies, runs and deletes, it reaches through this handle. Null when the proof fails.
    const OpenedFolder* ToolFolder();
    // Languages as the tool's folder lists it, opened through that folder: a real folder, never a
    // link or junction. Invalid when there is none.
    const OpenedFolder& LanguagesFolder();

    std::unique_ptr<RunningImage> tool_;
    std::unique_ptr<OpenedFolder> languages_;
};

}  // namespace langsetup
