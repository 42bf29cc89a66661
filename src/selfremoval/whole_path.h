// Reading a path from a platform call that cuts it to the buffer it is given, with buffers that
// grow until the whole path fits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>

namespace langsetup {

// The first buffer (MAX_PATH) and the last: the longest path the platform can hand out, in UTF-16
// units with the terminator.
inline constexpr std::size_t kFirstPathCapacity = 260;
inline constexpr std::size_t kLongestPathCapacity = 32768;

// The buffer to try after one of `capacity` units: twice as large, the last step exactly the
// longest path's. 0 after that.
constexpr std::size_t NextPathCapacity(std::size_t capacity) {
    return capacity >= kLongestPathCapacity ? 0 : std::min(capacity * 2, kLongestPathCapacity);
}

// `read(buffer, capacity)` writes the path and returns its length, or `capacity` when it had to
// cut it, or 0 on failure. The whole path, or nothing when it fails or fits no buffer.
template <typename Read>
std::optional<std::u16string> ReadWholePath(Read read) {
    for (std::size_t capacity = kFirstPathCapacity; capacity != 0;
         capacity = NextPathCapacity(capacity)) {
        std::u16string buffer(capacity, u'\0');
        const std::size_t length = read(buffer.data(), capacity);
        if (length == 0) {
            return std::nullopt;
        }
        // A path that filled the buffer to the brim may have been cut: try a bigger one.
        if (length < capacity) {
            buffer.resize(length);
            return buffer;
        }
    }
    return std::nullopt;
}

}  // namespace langsetup
