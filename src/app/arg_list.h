// The tool's own command-line splitting. The platform's and the run time's splitting rules are
// deliberately not used: these rules decide what the command modes and the waiter see.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace langsetup {

// True for exactly U+0009..U+000D and U+0020; nothing above U+007F separates arguments.
constexpr bool IsArgumentSeparator(char16_t c) {
    return (c >= u'\t' && c <= u'\r') || c == u' ';
}

class ArgList {
public:
    ArgList() = default;

    // Copies `commandLine` into a private buffer and splits it in place.
    static ArgList Split(std::u16string_view commandLine);

    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;
    // The characters stay where they are when the list moves, so the items stay valid.
    ArgList(ArgList&&) noexcept = default;
    ArgList& operator=(ArgList&&) noexcept = default;

    std::size_t Count() const { return items_.size(); }
    // Zero-terminated argument; `index` must be below Count().
    const char16_t* Item(std::size_t index) const { return items_[index]; }
    std::u16string_view ItemView(std::size_t index) const { return items_[index]; }

    // The split buffer with its final terminator: the command line with terminators written over
    // the separators. Empty for a list that was never split.
    std::u16string_view Buffer() const {
        return buffer_ ? std::u16string_view{buffer_.get(), length_ + 1} : std::u16string_view{};
    }

private:
    // Declared in this order so that a list being destroyed frees the buffer first, then the list.
    std::vector<const char16_t*> items_;
    std::size_t length_ = 0;  // the command line's length, without the terminator
    std::unique_ptr<char16_t[]> buffer_;
};

// The process-wide list, built from the process command line at the first call.
const ArgList& ProcessArgs();

}  // namespace langsetup
