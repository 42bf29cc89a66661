// Trying again for a moment: a virus scanner, the system's crash handling or its image cache can
// hold a file for a moment after the process that ran it has ended.
#pragma once

#include <windows.h>

namespace langsetup {

// How long the tool keeps trying to delete a program that has just ended.
inline constexpr DWORD kReleaseRetryMs = 2000;
inline constexpr DWORD kRetryStepMs = 50;

// Calls `tryAgain` until it returns false, every 50 ms for up to `retryMs`.
template <typename TryAgain>
void RetryWhile(DWORD retryMs, TryAgain tryAgain) {
    for (DWORD waited = 0; tryAgain() && waited < retryMs; waited += kRetryStepMs) {
        ::Sleep(kRetryStepMs);
    }
}

}  // namespace langsetup
