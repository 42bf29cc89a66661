// Splitting paths into a folder and a name, and the names that stay inside a folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace langsetup {

// A name that stays inside the folder it is opened in: not empty, not "." or "..", and free of
// the path separators "\" and "/" and of the stream separator ":". A Linux file system can hold
// such names, and opened relative to a folder they would name something elsewhere.
bool IsPlainEntryName(std::u16string_view name);

struct FolderAndName {
    std::u16string_view folder;  // up to and with the last separator
    std::u16string_view name;    // what follows it
};

// `path` split at its last "\" or "/"; nothing when it holds neither.
std::optional<FolderAndName> SplitAtLastSeparator(std::u16string_view path);

// `prefix`, `number` as eight hexadecimal digits, ".tmp": a name for a new file of the tool's.
std::u16string NumberedName(std::u16string_view prefix, std::uint32_t number);

// The two names are the same when ASCII letters are compared without regard to case.
bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace langsetup
