#include "app/arg_list.h"

#include <utility>

#include "app/zero_terminated.h"

namespace langsetup {

ArgList ArgList::Split(std::u16string_view commandLine) {
    ArgList list;
    // A zero inside the view ends the command line, as it would for the platform's string.
    list.buffer_.assign(UpToFirstZero(commandLine));

    char16_t* cursor = list.buffer_.data();  // buffer_ is terminated by std::u16string
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

ArgList::ArgList(ArgList&& other) noexcept {
    *this = std::move(other);
}

ArgList& ArgList::operator=(ArgList&& other) noexcept {
    if (this != &other) {
        const char16_t* oldBase = other.buffer_.data();
        buffer_ = std::move(other.buffer_);
        items_ = std::move(other.items_);
        other.buffer_.clear();
        other.items_.clear();
        Rebase(oldBase);
    }
    return *this;
}

void ArgList::Rebase(const char16_t* oldBase) {
    const char16_t* newBase = buffer_.data();
    if (newBase == oldBase) {
        return;
    }
    for (auto& item : items_) {
        item = newBase + (item - oldBase);
    }
}

}  // namespace langsetup
