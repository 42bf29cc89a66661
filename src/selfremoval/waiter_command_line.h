// The command line with which the first process starts its temporary copy as the waiter, and how
// the waiter reads the handle number it was given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/path_parts.h"

namespace langsetup {

// The longest command line a new process can be given, in UTF-16 units without the terminator.
inline constexpr std::size_t kMaxCommandLineLength = 32766;

// `"<copyPath>" <handleValue> "<ownPath>"`: both paths quoted, so the copy sees exactly three
// arguments whatever blanks the paths hold. Nothing when a path is empty or holds a quote or a
// NUL, when the line would be longer than a command line may be, or when the tool's own
// splitting of the line would not give back exactly these three arguments.
std::optional<std::u16string> BuildWaiterCommandLine(std::u16string_view copyPath,
                                                     std::int32_t handleValue,
                                                     std::u16string_view ownPath);

enum class WaiterHandleKind {
    kRefused,  // not a whole number, or a pseudo-handle (negative): the waiter deletes nothing
    kNone,     // 0: nothing to wait for; the waiter deletes at once
    kValue,    // a handle value; what it names decides whether the waiter waits
};

struct WaiterHandleArgument {
    WaiterHandleKind kind = WaiterHandleKind::kRefused;
    std::int32_t value = 0;
};

// Argument 1 of the waiter form. It must be a whole number (digits and nothing after them), so
// that a mistyped switch such as `/INSTALL 1031` never names a file to delete. Negative values
// are the pseudo-handles of the waiter itself (-1 its process, -2 its thread, and others), which
// are never signalled while it waits; the first process never passes one.
WaiterHandleArgument ReadWaiterHandle(std::u16string_view text);

// Argument 2 of the waiter form, as the folder to open and the file's name in it. Only a full path
// is taken (the first process always passes one): a relative path means a command line split
// where nobody meant it, such as an unquoted "C:\Pexalo 0 data\langsetup.exe", and would name a
// file in whatever the current directory is.
std::optional<FolderAndName> ReadWaiterFile(std::u16string_view path);

}  // namespace langsetup
