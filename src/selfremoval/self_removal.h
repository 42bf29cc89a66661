// Removing the tool's own executable: a running program cannot delete its own file, so a
// temporary copy of the tool waits for the first process to end and deletes it.
#pragma once

#include <string_view>

namespace langsetup {

// Stage 1 (/clean): starts the temporary copy in waiter mode and returns at once.
void StartSelfRemoval();

// Stage 2 (the waiter form): waits for the process named by `handleText`, then deletes `path`.
void FinishSelfRemoval(std::u16string_view handleText, std::u16string_view path);

}  // namespace langsetup
