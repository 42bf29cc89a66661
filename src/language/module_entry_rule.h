// Which entries of the Languages folder the cleanup may delete. A search for "*.exe" matches
// short 8.3 names too and, on some file systems, returns names that Windows itself never would:
// only a plain long name ending in ".exe" names a module of the folder.
#pragma once

#include <string_view>

namespace langsetup {

// An entry as the folder's listing reports it.
struct LanguageFolderEntry {
    std::u16string_view name;  // the long name
    bool isFolder = false;
    bool isReparsePoint = false;  // a link or junction: it leads somewhere else
};

// The name ends in ".exe", in any letter case.
bool HasModuleExtension(std::u16string_view name);

// Why the cleanup keeps `entry`, in the words of a trail line ("a folder", "a link or junction",
// "a name leading elsewhere", "not a module"); empty for a module it deletes: a file (no
// folder, no link) with a plain name (IsPlainEntryName) that ends in ".exe".
std::u16string_view WhyKept(const LanguageFolderEntry& entry);

inline bool IsDeletableModuleEntry(const LanguageFolderEntry& entry) {
    return WhyKept(entry).empty();
}

}  // namespace langsetup
