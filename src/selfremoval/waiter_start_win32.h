// Starting the waiter: the copy of the tool gets exactly the handles it is handed and nothing
// else of the first process, so that nobody who waits for the first process's output or handles
// waits for the waiter too.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/unique_handle_win32.h"

namespace langsetup {

// The handles a new process inherits, and no others (a platform attribute list). The handles must
// be inheritable and stay open, and the span's storage must outlive the list.
class InheritedHandleList {
public:
    explicit InheritedHandleList(std::span<const HANDLE> handles);
    ~InheritedHandleList() { Reset(); }

    InheritedHandleList(const InheritedHandleList&) = delete;
    InheritedHandleList& operator=(const InheritedHandleList&) = delete;
    // The list stays in the same heap block when it moves.
    InheritedHandleList(InheritedHandleList&& other) noexcept;
    InheritedHandleList& operator=(InheritedHandleList&& other) noexcept;

    explicit operator bool() const { return ready_; }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const {
        return ready_ ? reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(
                            const_cast<std::uint64_t*>(buffer_.data()))
                      : nullptr;
    }

private:
    void Reset();

    std::vector<std::uint64_t> buffer_;  // the opaque list, kept 8-byte aligned
    bool ready_ = false;
};

// Starts the copy at `copyPath` with `line` (which the platform may change) in `folder`, with no
// standard handles and inheriting only `inherited`. Outside any job the tool runs in, so that a
// job that kills its processes when it is closed cannot end the waiter before it has deleted the
// tool; a job that does not let its processes leave refuses that with "access denied", and then
// the waiter starts inside it. Invalid when it cannot be started.
UniqueProcessInformation StartWaiterProcess(const std::u16string& copyPath, std::u16string& line,
                                            const std::u16string& folder,
                                            std::span<const HANDLE> inherited);

}  // namespace langsetup
