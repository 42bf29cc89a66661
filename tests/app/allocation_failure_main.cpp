// Runs out of memory on purpose, built like the shipped program (a windowless GUI program without
// exceptions, with the tool's own allocation-failure handling): "new" asks operator new for more
// than there is, "length" a string for more than it may hold. Either way the process must end at
// once with the tool's exit code for running out of memory; reaching the end returns 0.
#include <windows.h>

#include <cstddef>
#include <limits>
#include <new>
#include <string>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR arguments, int /*show*/) {
    const std::wstring how = arguments;
    // Through a volatile, so that the compiler cannot see the size coming.
    volatile std::size_t huge = std::numeric_limits<std::size_t>::max() - 0xFFFF;
    if (how == L"new") {
        void* memory = ::operator new(huge);
        ::operator delete(memory);
    } else if (how == L"length") {
        std::u16string text;
        text.resize(huge);
    }
    return 0;
}
