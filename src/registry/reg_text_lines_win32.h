// The registry-text line writers on an open file: every piece of a line goes to the file with
// its own WriteFile call. Write errors are not detected: a failed piece does not stop the
// pieces after it, and nothing is reported.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace langsetup {

// [HKEY_CURRENT_USER\subkey] and so on for HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
// HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_CONFIG; nothing for any other key.
void WriteKeyHeader(HKEY root, std::u16string_view subkey, HANDLE file);
void WriteStringLine(std::u16string_view name, std::u16string_view data, HANDLE file);
// `data`: the four bytes of the value, little-endian.
void WriteDwordLine(std::u16string_view name, const std::uint8_t* data, HANDLE file);
void WriteHexLine(std::u16string_view name, const std::uint8_t* data, std::uint32_t length,
                  HANDLE file);

}  // namespace langsetup
