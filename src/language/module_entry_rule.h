// Which entries of the Languages folder the cleanup may delete. The folder search matches
// "*.exe" against short 8.3 names too and, on some file systems, returns names that Windows
// itself never would: only a plain long name ending in ".exe" names a module of the folder.
#pragma once

#include <string_view>

namespace langsetup {

// An entry as the folder search reports it.
struct LanguageFolderEntry {
    std::u16string_view name;  // the long name
    bool isFolder = false;
    bool isReparsePoint = false;  // a link or junction: it leads somewhere else
};

// A name that stays inside the folder it is appended to: not empty, not "." or "..", and free of
// the path separators "\" and "/".
bool IsPlainEntryName(std::u16string_view name);

// The name ends in ".exe", in any letter case.
bool HasModuleExtension(std::u16string_view name);

// A file (no folder, no link) with a plain name that ends in ".exe".
bool IsDeletableModuleEntry(const LanguageFolderEntry& entry);

}  // namespace langsetup
