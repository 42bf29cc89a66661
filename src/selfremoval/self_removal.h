// Removing the tool's own executable: a running program cannot delete its own file, so a
// temporary copy of the tool waits for the first process to end and deletes it.
#pragma once

#include "app/arg_list.h"

namespace langsetup {

// Stage 1 (/clean): starts the temporary copy in waiter mode and returns once the copy is ready
// to wait (or has ended, or a few seconds have passed).
void StartSelfRemoval();

// Stage 2 (the waiter form, `args` holding three arguments or more): waits for the first
// process to end, then deletes the file it was handed or named.
void FinishSelfRemoval(const ArgList& args);

}  // namespace langsetup
