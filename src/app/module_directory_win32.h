// Filling the module directory from the platform's module-path query.
#pragma once

#include <windows.h>

#include "app/module_directory.h"

namespace langsetup {

// Fills the process-wide module directory with the folder of `module` (null: the running
// executable), read into a buffer of `capacity` units. A path that does not fit (the query fills
// the buffer to the brim) or that cannot be read is never used: the state is then kUnknown.
ModuleDirectoryState FillModuleDirectoryFromModule(HMODULE module,
                                                   DWORD capacity = kModuleDirectoryCapacity);

}  // namespace langsetup
