// UTF-16 text as UTF-8, for what the tool writes for people to read.
#pragma once

#include <cstddef>
#include <string_view>

namespace langsetup {

// UTF-8 takes at most this many bytes for each UTF-16 unit.
inline constexpr std::size_t kUtf8BytesPerUnit = 3;

// Writes `text` in UTF-8 to `out`, which holds at least kUtf8BytesPerUnit * text.size() bytes,
// and returns the number of bytes written. A surrogate without its partner becomes U+FFFD, so
// that the result is always valid UTF-8.
std::size_t EncodeUtf8(std::u16string_view text, char* out);

}  // namespace langsetup
