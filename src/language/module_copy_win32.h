// The copy of a language module beside the tool: put in place without writing through whatever
// stands under the target's name, and deleted through the tool's folder once the module has run.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/opened_folder_win32.h"

namespace langsetup {

enum class ModulePlacement {
    kPlaced,    // a fresh copy of Languages\<code>.exe now stands under <folder><code>.exe
    kNoModule,  // Languages\<code>.exe does not exist; nothing was changed
    kFailed,    // the module exists but could not be put in place; nothing was changed
};

// Copies Languages\<code>.exe to a new file in the tool's folder (`folder`, opened from
// `folderPath`) and moves that file over the name <code>.exe, which replaces the name (also a
// hard or symbolic link of that name), never the file it pointed to. The new file loses a
// read-only attribute taken over from the module. On failure it is removed again, through the
// folder's handle: no partial copy stays beside the tool.
ModulePlacement PlaceModuleCopy(const OpenedFolder& folder, std::u16string_view folderPath,
                                std::u16string_view code);

// Deletes the file `name` of `folder` through its handle while it is still `copy`, retrying for
// up to `retryMs` while it is held: the platform's crash handling can keep a crashed module's
// file open for a moment after its process has ended.
void DeleteModuleCopy(const OpenedFolder& folder, std::u16string_view name,
                      const FileIdentity& copy, DWORD retryMs);

}  // namespace langsetup
