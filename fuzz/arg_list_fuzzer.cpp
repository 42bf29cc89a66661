// Splits arbitrary command lines and checks the list's invariants: every argument lies inside
// the buffer and ends at a terminator there, each argument starts after the previous one's
// terminator (no overlap), and there are never more arguments than characters plus one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/arg_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string line(size / 2, u'\0');
    std::memcpy(line.data(), data, line.size() * 2);
    const auto nul = line.find(u'\0');
    const std::size_t length = nul == std::u16string::npos ? line.size() : nul;

    const langsetup::ArgList args = langsetup::ArgList::Split(line);
    const std::u16string_view buffer = args.Buffer();
    if (buffer.size() != length + 1 || buffer.back() != u'\0' || args.Count() > length + 1) {
        std::abort();
    }
    const char16_t* const begin = buffer.data();
    const char16_t* const last = begin + length;  // the final terminator
    const char16_t* previousTerminator = nullptr;
    for (std::size_t i = 0; i < args.Count(); ++i) {
        const char16_t* item = args.Item(i);
        if (item < begin || item > last) {
            std::abort();
        }
        const char16_t* terminator = item;
        while (*terminator != u'\0') {
            ++terminator;
        }
        if (terminator > last || (previousTerminator != nullptr && item <= previousTerminator)) {
            std::abort();
        }
        previousTerminator = terminator;
    }
    return 0;
}
