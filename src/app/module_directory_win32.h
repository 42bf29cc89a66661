// The platform's module-path query, and the module directory filled from it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

#include "app/module_directory.h"
#include "app/whole_path.h"

namespace langsetup {

// The full path of `module` (null: the running executable), never cut: nothing when it cannot
// be read or is longer than fits `longest` units with its terminator.
std::optional<std::u16string> ModuleFilePath(HMODULE module,
                                             std::size_t longest = kLongestPathCapacity);

// Fills the process-wide module directory with the folder of `module` (null: the running
// executable), read into buffers of at most `capacity` units. A path that does not fit or that
// cannot be read is never used: the state is then kUnknown.
ModuleDirectoryState FillModuleDirectoryFromModule(HMODULE module,
                                                   DWORD capacity = kModuleDirectoryCapacity);

}  // namespace langsetup
