#include "selfremoval/named_file_win32.h"

#include <string>

#include "app/wide_win32.h"

namespace langsetup {
namespace {

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return ::CompareStringOrdinal(AsWide(a.data()), static_cast<int>(a.size()), AsWide(b.data()),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The entry of `listing` that `name` names, by its name or its 8.3 name; null when none does.
const FolderEntry* FindEntry(FolderListing& listing, std::u16string_view name) {
    while (const FolderEntry* entry = listing.Next()) {
        if (SameNameIgnoringCase(name, entry->name) ||
            (!entry->shortName.empty() && SameNameIgnoringCase(name, entry->shortName))) {
            return entry;
        }
    }
    return nullptr;
}

}  // namespace

OpenedFile OpenFileAlongRealFolders(const PathSteps& steps) {
    OpenedFolder folder = OpenedFolder::Open(std::u16string(steps.root));
    for (std::u16string_view names = steps.names; folder && !names.empty();) {
        const std::u16string_view name = TakeFirstName(names);
        const bool isFile = names.empty();
        FolderListing listing(folder);
        const FolderEntry* entry = FindEntry(listing, name);
        if (entry == nullptr || entry->IsLink() || entry->IsFolder() == isFile) {
            break;
        }
        if (isFile) {
            OpenedFile file = folder.OpenEntry(entry->name);
            if (file && file.Identity().fileId == entry->fileId) {
                return file;
            }
            break;
        }
        folder = folder.OpenSubfolderToLookInto(*entry);
    }
    return {};
}

}  // namespace langsetup
