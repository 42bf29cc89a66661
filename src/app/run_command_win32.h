// The tool's entry operation.
#pragma once

#include <windows.h>

namespace langsetup {

// Runs the one mode that the process arguments choose. Always returns the exit code 0.
int RunCommand(HINSTANCE instance);

}  // namespace langsetup
