// Entry point of langsetup.exe: a GUI-subsystem program without a window.
//
// The program starts at LangsetupStart, its own entry point, instead of the C run time's start-up
// (crt2.o and its helpers, about 8 KiB): that start-up prepares what this program never uses
// (argc and argv, stdio modes, thread-local storage callbacks, a crash filter for signal(),
// exit-time destructors). msvcrt.dll, whose malloc and free the program calls, initialises itself
// when it is loaded. Built with LANGSETUP_OWN_ENTRY_POINT off (only to measure what it saves:
// scripts/size-report), the run time's start-up runs and calls wWinMain.
#include <windows.h>

#include <cstddef>

#include "app/run_command_win32.h"
#include "app/system_function_win32.h"

// Set by the linker, and the checked relocator (app/runtime_relocator_win32.cpp).
// NOLINTBEGIN(bugprone-reserved-identifier, readability-identifier-naming)
extern "C" {
extern IMAGE_DOS_HEADER __ImageBase;  // the first byte of the program's image
extern void (*__CTOR_LIST__[])();     // -1, the static constructors, 0
void _pei386_runtime_relocator();
}
// NOLINTEND(bugprone-reserved-identifier, readability-identifier-naming)

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

int Run(HINSTANCE instance) {
    RestrictDllSearchToSystem32();
    return langsetup::RunCommand(instance);
}

// Calls the static constructors, the last first, as the run time does. Nothing registers their
// destructors: the program has no exit-time destructors, and the link fails on one (atexit stays
// undefined, see src/CMakeLists.txt).
void RunStaticConstructors() {
    std::size_t count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) {
        ++count;
    }
    for (; count > 0; --count) {
        __CTOR_LIST__[count]();
    }
}

}  // namespace

// 32-bit Windows enters it with the stack aligned to 4 bytes only; the compiler counts on 16.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void LangsetupStart() {
    _pei386_runtime_relocator();
    RunStaticConstructors();
    ::ExitProcess(static_cast<UINT>(Run(reinterpret_cast<HINSTANCE>(&__ImageBase))));
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    return Run(instance);
}
