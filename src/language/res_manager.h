// Installs the host application's language module for a locale and removes the language folder
// when its lifetime ends.
#pragma once

#include <cstdint>
#include <memory>

namespace langsetup {

class OpenedFolder;

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
    // The folder that holds Languages, opened at its first use and held until the manager ends:
    // whatever the manager deletes, it reaches through this handle.
    const OpenedFolder& ToolFolder();

    std::unique_ptr<OpenedFolder> toolFolder_;
};

}  // namespace langsetup
