// The shipped program is built without exceptions: only running out of memory could raise one.
// These replace the run time's operator new and its throw helpers, so that an allocation failure
// ends the process at once with kAllocationFailureExitCode. The run time's own way out (an
// uncaught exception, then abort) can show a message box in a GUI program, which would block an
// installer that waits for this windowless tool; it would also pull the C++ exception machinery
// and the thread library into the program.
//
// Linked into langsetup.exe only: the tests keep the run time's throwing versions.
#include "app/allocation_failure.h"

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void EndOnAllocationFailure() {
    ::TerminateProcess(::GetCurrentProcess(), langsetup::kAllocationFailureExitCode);
    // Terminating the own process does not return; should it ever, leave without clean-up.
    ::ExitProcess(langsetup::kAllocationFailureExitCode);
}

void* Allocate(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        EndOnAllocationFailure();
    }
    return memory;
}

}  // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t /*size*/) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t /*size*/) noexcept {
    std::free(memory);
}

// The helpers the standard containers and strings call when a size is out of range or memory
// runs out. Declared by the run time's own headers; these definitions take their place.
// NOLINTBEGIN(bugprone-reserved-identifier, cert-dcl58-cpp, readability-identifier-naming)
namespace std {
void __throw_bad_alloc() {
    EndOnAllocationFailure();
}
void __throw_bad_array_new_length() {
    EndOnAllocationFailure();
}
void __throw_length_error(const char* /*what*/) {
    EndOnAllocationFailure();
}
void __throw_logic_error(const char* /*what*/) {
    EndOnAllocationFailure();
}
void __throw_out_of_range(const char* /*what*/) {
    EndOnAllocationFailure();
}
void __throw_out_of_range_fmt(const char* /*format*/, ...) {
    EndOnAllocationFailure();
}
}  // namespace std
// NOLINTEND(bugprone-reserved-identifier, cert-dcl58-cpp, readability-identifier-naming)
