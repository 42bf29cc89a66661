// The program's entry point (app/main_win32.cpp), like the run time's start-up, first calls
// _pei386_runtime_relocator to patch "pseudo-relocations": the places where a program uses data
// that a DLL exports without a declaration saying so. This program has none, and for none the run
// time's relocator does nothing; yet it brings about 3 KiB of error reporting and section lookups
// with it. This one takes its place and only checks that the list is empty: should a change ever
// bring a pseudo-relocation in, the program ends at once, before anything else runs, and every
// test of it fails.
//
// Linked into langsetup.exe only, as the run time's other replacements are.
#include <windows.h>

// Bounds of the list, set by the linker.
// NOLINTBEGIN(bugprone-reserved-identifier, readability-identifier-naming)
extern "C" {
extern const char __RUNTIME_PSEUDO_RELOC_LIST__;
extern const char __RUNTIME_PSEUDO_RELOC_LIST_END__;

void _pei386_runtime_relocator() {
    // Read through volatile: only the linker knows that the two bounds can be the same place, and
    // the compiler must not take two declarations for two distinct objects.
    const char* volatile start = &__RUNTIME_PSEUDO_RELOC_LIST__;
    const char* volatile end = &__RUNTIME_PSEUDO_RELOC_LIST_END__;
    if (start != end) {
        ::ExitProcess(ERROR_BAD_EXE_FORMAT);
    }
}
}
// NOLINTEND(bugprone-reserved-identifier, readability-identifier-naming)
