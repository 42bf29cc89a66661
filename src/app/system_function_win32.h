// Functions that only newer versions of Windows have, looked up when they are needed, so that the
// program still starts where they are missing.
#pragma once

#include <windows.h>

namespace langsetup {

// `name` from the loaded system DLL `module`, as a `Function` (a function type with its calling
// convention), or null where the system lacks it.
template <typename Function>
Function* FindSystemFunction(const wchar_t* module, const char* name) {
    const HMODULE loaded = ::GetModuleHandleW(module);
    if (loaded == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(::GetProcAddress(loaded, name)));
}

}  // namespace langsetup
