#include "app/process_attributes_win32.h"

#include <utility>

namespace langsetup {

ProcessAttributes::ProcessAttributes(std::span<const HANDLE> inherited, bool preferSystemDlls) {
    const DWORD count = (inherited.empty() ? 0 : 1) + (preferSystemDlls ? 1 : 0);
    SIZE_T bytes = 0;
    ::InitializeProcThreadAttributeList(nullptr, count, 0, &bytes);  // fails, telling the size
    buffer_.resize((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (bytes == 0 || !::InitializeProcThreadAttributeList(list, count, 0, &bytes)) {
        return;
    }
    ready_ = true;
    // The platform keeps pointers to the values, not copies.
    if ((!inherited.empty() &&
         !::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                      const_cast<HANDLE*>(inherited.data()),
                                      inherited.size_bytes(), nullptr, nullptr)) ||
        (preferSystemDlls &&
         !::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_MITIGATION_POLICY, &policy_,
                                      sizeof(policy_), nullptr, nullptr))) {
        Reset();
    }
}

void ProcessAttributes::Reset() {
    if (std::exchange(ready_, false)) {
        ::DeleteProcThreadAttributeList(
            reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data()));
    }
}

}  // namespace langsetup
