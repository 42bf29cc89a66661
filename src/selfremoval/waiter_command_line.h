// The command line with which the first process starts its temporary copy as the waiter, and how
// the waiter reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/arg_list.h"

namespace langsetup {

// The longest command line a new process can be given, in UTF-16 units without the terminator.
inline constexpr std::size_t kMaxCommandLineLength = 32766;

// The handles the first process hands to the waiter, by inheritance, as their values.
struct HandedOverHandles {
    std::int32_t process = 0;  // the first process, signalled when it ends
    std::int32_t file = 0;     // the tool's own executable, opened with the right to delete it
    std::int32_t ready = 0;    // an event the waiter sets once it holds all it needs
    std::int32_t log = 0;      // the trail's log file, to append to; 0: there is none
};

// `"<copyPath>" <process> "<ownPath>" <file> <ready> [<log>]`: both paths quoted, so the copy
// sees exactly five arguments (six with a log) whatever blanks the paths hold. The own path is there for people who
// look at the process; the waiter goes by the handles alone. Nothing when a path is empty or
// holds a quote or a NUL, when the line would be longer than a command line may be, or when the
// tool's own splitting of the line would not give back exactly these five arguments.
std::optional<std::u16string> BuildWaiterCommandLine(std::u16string_view copyPath,
                                                     const HandedOverHandles& handles,
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

// A full path, split so that it can be opened one folder at a time from its root.
struct PathSteps {
    std::u16string_view root;   // "C:\", "\\server\share\", "\\?\C:\", ...
    std::u16string_view names;  // the rest: names, each one that stays inside its folder,
                                // between single separators; the last one is the file's
};

// The first name of `names` (as PathSteps holds them); `names` loses it and its separator.
std::u16string_view TakeFirstName(std::u16string_view& names);

// Argument 2 of the waiter form, the file to delete. Only a full path is taken: a relative path
// means a command line split where nobody meant it, such as an unquoted
// "C:\Pexalo 0 data\langsetup.exe", and would name a file in whatever the current directory is.
// Every name on the way must stay inside its folder ("..", "." and streams are refused).
std::optional<PathSteps> ReadWaiterFile(std::u16string_view path);

// What a waiter-mode command line (three arguments or more) asks for.
struct WaiterRequest {
    enum class Form {
        kRefused,   // nothing is waited for and nothing is deleted
        kByPath,    // `<number> "<file>"`: wait for the number's process, delete the named file
        kHandOver,  // the form stage 1 passes: every handle inherited, no path looked at
    };
    Form form = Form::kRefused;
    WaiterHandleArgument process;   // argument 1
    std::optional<PathSteps> path;  // kByPath: argument 2
    HandedOverHandles handles;      // kHandOver: arguments 1, 3 and 4
};

// Exactly five arguments whose last two are whole numbers, or six whose last three are, are the
// hand-over: then the handle values must be positive and differ from each other, or nothing
// happens. Any other line
// is read by its arguments 1 and 2 alone, as a waiter started by hand or by an older tool.
WaiterRequest ReadWaiterRequest(const ArgList& args);

}  // namespace langsetup
