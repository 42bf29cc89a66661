// Entry point of langsetup.exe: a GUI-subsystem program without a window.
#include <windows.h>

#include <cstdlib>

#include "app/run_command.h"

// An uncaught exception (only an allocation failure can raise one) ends the process at once.
// The run time's default handler would print the exception's demangled name to a console this
// program never has, and the demangler adds about 25 KiB to the executable.
namespace __gnu_cxx {
// NOLINTNEXTLINE(bugprone-reserved-identifier): replaces the run time's own handler
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

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
