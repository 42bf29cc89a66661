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

// The buffer to try after one of `capacity` units: twice as large, the last step exactly
// `longest`. 0 after that.
constexpr std::size_t NextPathCapacity(std::size_t capacity,
                                       std::size_t longest = kLongestPathCapacity) {
    return capacity >= longest ? 0 : std::min(capacity * 2, longest);
}

// `read(buffer, capacity)` writes the path and returns its length, or `capacity` when it had to
// cut it, or 0 on failure. The whole path, or nothing when it fails or fits no buffer of at most
// `longest` units: a path that filled a buffer to the brim is never taken, since it may be cut.
template <typename Read>
std::optional<std::u16string> ReadWholePath(Read read, std::size_t longest = kLongestPathCapacity) {
    for (std::size_t capacity = std::min(kFirstPathCapacity, longest); capacity != 0;
         capacity = NextPathCapacity(capacity, longest)) {
        std::u16string buffer(capacity, u'\0');
        const std::size_t length = read(buffer.data(), capacity);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < capacity) {
            buffer.resize(length);
            return buffer;
        }
    }
    return std::nullopt;
}

}  // namespace langsetup
