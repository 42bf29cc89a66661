#include "selfremoval/waiter_start_win32.h"

#include <utility>

#include "app/wide_win32.h"

namespace langsetup {

InheritedHandleList::InheritedHandleList(std::span<const HANDLE> handles) {
    SIZE_T bytes = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);  // fails, telling the size
    buffer_.resize((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (bytes == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &bytes)) {
        return;
    }
    ready_ = true;
    // The platform keeps a pointer to the handles, not a copy.
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                     const_cast<HANDLE*>(handles.data()), handles.size_bytes(),
                                     nullptr, nullptr)) {
        Reset();
    }
}

InheritedHandleList::InheritedHandleList(InheritedHandleList&& other) noexcept
    : buffer_(std::move(other.buffer_)), ready_(std::exchange(other.ready_, false)) {}

InheritedHandleList& InheritedHandleList::operator=(InheritedHandleList&& other) noexcept {
    if (this != &other) {
        Reset();
        buffer_ = std::move(other.buffer_);
        ready_ = std::exchange(other.ready_, false);
    }
    return *this;
}

void InheritedHandleList::Reset() {
    if (std::exchange(ready_, false)) {
        ::DeleteProcThreadAttributeList(
            reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data()));
    }
}

UniqueProcessInformation StartWaiterProcess(const std::u16string& copyPath, std::u16string& line,
                                            const std::u16string& folder,
                                            std::span<const HANDLE> inherited) {
    UniqueProcessInformation started;
    const InheritedHandleList list(inherited);
    if (!list) {
        return started;
    }
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;  // all three null: none of the caller's
    startup.lpAttributeList = list.Get();
    for (const DWORD flags : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        if (::CreateProcessW(AsWide(copyPath), AsWide(line.data()), nullptr, nullptr, TRUE,
                             flags | EXTENDED_STARTUPINFO_PRESENT, nullptr, AsWide(folder),
                             &startup.StartupInfo, started.Put()) ||
            ::GetLastError() != ERROR_ACCESS_DENIED) {
            break;
        }
    }
    return started;
}

}  // namespace langsetup
