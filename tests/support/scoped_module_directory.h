// Gives a test the process-wide module directory to change: what it held before comes back when
// the test ends.
#pragma once

#include "app/module_directory.h"

namespace langsetup::test {

class ScopedModuleDirectory {
public:
    ScopedModuleDirectory() : saved_(ModuleDirectory()) {}
    ~ScopedModuleDirectory() { ModuleDirectory() = saved_; }
    ScopedModuleDirectory(const ScopedModuleDirectory&) = delete;
    ScopedModuleDirectory& operator=(const ScopedModuleDirectory&) = delete;

private:
    ModuleDirectoryInfo saved_;
};

}  // namespace langsetup::test
