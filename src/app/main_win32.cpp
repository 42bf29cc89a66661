// Entry point of langsetup.exe: a GUI-subsystem program without a window.
#include <windows.h>

#include "app/run_command_win32.h"

namespace {

// Later DLL loads come from System32 only, never from the tool's folder or the current
// directory (DLL planting). Looked up at run time: older systems lack the function.
void RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) {
        constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
        setDefault(kSearchSystem32);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    RestrictDllSearchToSystem32();
    return langsetup::RunCommand(instance);
}
