#include "app/arg_list.h"

#include <algorithm>

#include "app/zero_terminated.h"

namespace langsetup {

ArgList ArgList::Split(std::u16string_view commandLine) {
    ArgList list;
    // A zero inside the view ends the command line, as it would for the platform's string.
    const std::u16string_view line = UpToFirstZero(commandLine);
    list.length_ = line.size();
    list.buffer_ = std::make_unique<char16_t[]>(line.size() + 1);  // zero-filled: terminated
    std::copy(line.begin(), line.end(), list.buffer_.get());

    char16_t* cursor = list.buffer_.get();
    while (*cursor != u'\0') {
        while (IsArgumentSeparator(*cursor)) {
            ++cursor;
        }
        const bool quoted = *cursor == u'"';
        if (quoted) {
            ++cursor;
        }
        list.items_.push_back(cursor);  // may be empty: the cursor can rest on the terminator

        if (quoted) {
            // Only a quote followed by a separator or the end closes the argument.
            while (*cursor != u'\0' &&
                   !(*cursor == u'"' && (cursor[1] == u'\0' || IsArgumentSeparator(cursor[1])))) {
                ++cursor;
            }
            if (*cursor == u'"') {
                *cursor = u'\0';
                if (cursor[1] != u'\0') {
                    cursor += 2;  // past the closing quote and the one separator after it
                }
            }
        } else {
            while (*cursor != u'\0' && !IsArgumentSeparator(*cursor)) {
                ++cursor;
            }
            if (*cursor != u'\0') {
                *cursor = u'\0';
                ++cursor;
            }
        }
    }
    return list;
}

}  // namespace langsetup
