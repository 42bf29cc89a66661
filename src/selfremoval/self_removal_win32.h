// The Win32 pieces of self-removal, exposed for the tests of the tool.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/arg_list.h"
#include "app/unique_handle_win32.h"

namespace langsetup {

// The full path of the running executable, never cut: the buffer grows until the whole path
// fits. Nothing when the platform cannot report it.
std::optional<std::u16string> OwnExecutablePath();

// The user's temporary folder as the platform reports it (TMP, TEMP, USERPROFILE, ...), whole.
std::optional<std::u16string> TemporaryFolder();

// The log handle that stage 1 handed the waiter whose command line `args` is; null when none.
HANDLE WaiterLog(const ArgList& args);

// The longest temporary folder (with its last backslash) that /clean uses: with "DelXXXXXXXX.tmp"
// added, the copy's path stays below MAX_PATH, from which every system can start a program.
inline constexpr std::size_t kLongestTemporaryFolder = MAX_PATH - 18;

enum class WaiterHandleCheck {
    kNotOpen,   // names no open handle: there is nothing to wait for
    kUnusable,  // open, but not a process (a thread, an event, a file, ...), or the waiter's own
                // process, or one the system cannot tell from it: waiting could last for ever
    kProcess,   // a handle to another process, signalled when that process ends
};

// What `handle`, a value given to the waiter, names in the waiter's process. A process handle
// needs no right beyond SYNCHRONIZE: without the query right its id stays hidden, and the system
// then compares it with the waiter's own process where it can (Windows 10 and later).
WaiterHandleCheck CheckWaiterHandle(HANDLE handle);

// The handle with the value that the waiter command line holds as a signed 32-bit decimal.
// Handle values fit in 32 bits (so 32- and 64-bit processes can share them).
inline HANDLE HandleFromValue(std::int32_t value) {
    // A handle is a number here, not an address.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value));
}

// The value of `handle` for the waiter command line: positive, since the waiter takes nothing
// else for a handle to use. Nothing for a value that does not fit.
inline std::optional<std::int32_t> HandleValue(HANDLE handle) {
    const INT_PTR bits = reinterpret_cast<INT_PTR>(handle);
    const auto value = static_cast<std::int32_t>(bits);
    if (value <= 0 || static_cast<INT_PTR>(value) != bits) {
        return std::nullopt;
    }
    return value;
}

// How long /clean waits for its waiter to report that it is ready: a slow start must never hold
// up an installer for long.
inline constexpr DWORD kWaiterReadyMs = 5000;

}  // namespace langsetup
