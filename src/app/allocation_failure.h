// How the tool ends when memory runs out, its only failure that is not ignored.
#pragma once

namespace langsetup {

// The exit code of a process that ran out of memory: ERROR_NOT_ENOUGH_MEMORY. Every other way
// out of the tool ends with 0.
inline constexpr unsigned kAllocationFailureExitCode = 8;

}  // namespace langsetup
