// Writers of registry-text lines: a key header and string, DWORD and hex value lines, in the
// form that CRegValue::ParseLine reads back. Text is UTF-16 little-endian without terminator,
// lines end with CR LF, hex digits are lowercase, and nothing is escaped. The writers emit no
// byte-order mark and no file header; a whole file's start belongs to the caller.
//
// These are the OS-free formatters: each hands every piece of a line to a sink on its own. The
// Win32 edge (reg_text_lines_win32.h) writes each piece with its own WriteFile call.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace langsetup {

// Root keys as the 32-bit values of the platform's predefined key handles.
inline constexpr std::uint32_t kRootClassesRoot = 0x80000000;
inline constexpr std::uint32_t kRootCurrentUser = 0x80000001;
inline constexpr std::uint32_t kRootLocalMachine = 0x80000002;
inline constexpr std::uint32_t kRootUsers = 0x80000003;
inline constexpr std::uint32_t kRootCurrentConfig = 0x80000005;

// Receives the pieces of registry text, one call per piece (a piece may be empty).
class RegTextSink {
public:
    virtual void Write(std::u16string_view piece) = 0;

protected:
    ~RegTextSink() = default;
};

// The two lowercase hex digits of `byte`, high digit first.
std::array<char16_t, 2> HexByte(std::uint8_t byte);

// The opening of a key header for `root`, "[" + the root's name + "\"; empty for a root that
// has no name here.
std::u16string_view KeyHeaderStart(std::uint32_t root);

// Texts are taken up to their first zero character, as the C strings they stand for.

// [ROOT\subkey] for the five named roots; nothing at all for any other root.
void WriteKeyHeader(std::uint32_t root, std::u16string_view subkey, RegTextSink& sink);
// "name"="data", or @="data" for the empty name.
void WriteStringLine(std::u16string_view name, std::u16string_view data, RegTextSink& sink);
// "name"=dword:0000001f from the four bytes at `data` (little-endian). The name is quoted also
// when empty.
void WriteDwordLine(std::u16string_view name, const std::uint8_t* data, RegTextSink& sink);
// "name"=hex:01,ab,... wrapped with a backslash, CR LF and two blanks once the line passes
// column 76; that test also runs after the last byte, which then leaves a line of two blanks.
void WriteHexLine(std::u16string_view name, const std::uint8_t* data, std::uint32_t length,
                  RegTextSink& sink);

}  // namespace langsetup
