// Entry point of langsetup.exe: a GUI-subsystem program without a window.
#include <windows.h>

#include "app/run_command_win32.h"
#include "app/system_function_win32.h"

namespace {

// Later DLL loads come from System32 only, never from the tool's folder or the current
// directory (DLL planting). Looked up at run time: older systems lack the function.
void RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFunction = BOOL WINAPI(DWORD);
    const auto setDefault = langsetup::FindSystemFunction<SetDefaultDllDirectoriesFunction>(
        L"kernel32.dll", "SetDefaultDllDirectories");
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
