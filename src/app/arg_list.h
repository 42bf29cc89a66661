// The tool's own command-line splitting. The platform's and the run time's splitting rules are
// deliberately not used: these rules decide what the command modes and the waiter see.
#pragma once

#include <cstddef>
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
    // Moving a std::u16string may move its characters (small-string storage), which would leave
    // `items_` dangling, so a move re-points the items into the new buffer.
    ArgList(ArgList&& other) noexcept;
    ArgList& operator=(ArgList&& other) noexcept;

    std::size_t Count() const { return items_.size(); }
    // Zero-terminated argument; `index` must be below Count().
    const char16_t* Item(std::size_t index) const { return items_[index]; }
    std::u16string_view ItemView(std::size_t index) const { return items_[index]; }

    // The split buffer: the command line with terminators written over the separators.
    std::u16string_view Buffer() const { return {buffer_.data(), buffer_.size() + 1}; }

private:
    void Rebase(const char16_t* oldBase);

    // Declared in this order so that at exit the buffer is released first, then the list.
    std::vector<const char16_t*> items_;
    std::u16string buffer_;
};

// The process-wide list, built from the process command line before RunCommand runs.
const ArgList& ProcessArgs();

}  // namespace langsetup
