// Trying again for a moment: a virus scanner, the system's crash handling or its image cache can
// hold a file for a moment after the process that ran it has ended.
#pragma once

#include <windows.h>

namespace langsetup {

// How long the tool keeps trying to delete a program that has just ended.
inline constexpr DWORD kReleaseRetryMs = 2000;
inline constexpr DWORD kRetryStepMs = 50;

// Calls `tryAgain` until it returns false, every 50 ms for up to `retryMs`. Returns how often it
// was called again after the first time.
template <typename TryAgain>
DWORD RetryWhile(DWORD retryMs, TryAgain tryAgain) {
    DWORD retries = 0;
    for (DWORD waited = 0; tryAgain() && waited < retryMs; waited += kRetryStepMs, ++retries) {
        ::Sleep(kRetryStepMs);
    }
    return retries;
}

}  // namespace langsetup
