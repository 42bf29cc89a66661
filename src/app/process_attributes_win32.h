// The extra attributes a new process is started with (a platform attribute list): the handles it
// inherits, and the mitigation policy that makes its loader take system DLLs from System32 first.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <vector>

namespace langsetup {

class ProcessAttributes {
public:
    // `inherited`: the only handles the new process inherits (empty: none is listed). With
    // `preferSystemDlls`, DLLs of system names come from System32 before the program's folder.
    // The handles must be inheritable and stay open, and the span's storage must outlive the list.
    ProcessAttributes(std::span<const HANDLE> inherited, bool preferSystemDlls);
    ~ProcessAttributes() { Reset(); }

    ProcessAttributes(const ProcessAttributes&) = delete;
    ProcessAttributes& operator=(const ProcessAttributes&) = delete;
    ProcessAttributes(ProcessAttributes&&) = delete;
    ProcessAttributes& operator=(ProcessAttributes&&) = delete;

    // False when the platform refused the list or one of its attributes.
    explicit operator bool() const { return ready_; }
    LPPROC_THREAD_ATTRIBUTE_LIST Get() const {
        return ready_ ? reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(
                            const_cast<std::uint64_t*>(buffer_.data()))
                      : nullptr;
    }

private:
    void Reset();

    std::vector<std::uint64_t> buffer_;  // the opaque list, kept 8-byte aligned
    // The loader looks in System32 before the program's folder (Windows 10 and later; the
    // headers for older systems do not name it).
    DWORD64 policy_ = DWORD64{1} << 60;
    bool ready_ = false;
};

}  // namespace langsetup
