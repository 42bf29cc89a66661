#include "app/running_image_win32.h"

#include <winternl.h>

#include "app/path_parts.h"
#include "app/unique_handle_win32.h"

// Compares the files behind two mapped views; in ntdll since the first NT, but in no header.
extern "C" NTSTATUS NTAPI NtAreMappedFilesTheSame(PVOID mappedAsImage, PVOID mappedAsFile);

namespace langsetup {
namespace {

// Mapping a file as an image and reading it need read and execute access; the waiter needs
// delete access.
constexpr ACCESS_MASK kImageAccess = FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES;

}  // namespace

bool IsRunningImage(HANDLE file) {
    const UniqueHandle section(
        ::CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
    if (!section) {
        return false;
    }
    const UniqueMappedView view(::MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
    return view && ::NtAreMappedFilesTheSame(::GetModuleHandleW(nullptr), view.Get()) == 0;
}

RunningImage RunningImage::Open(const std::u16string& folder, std::u16string_view name) {
    RunningImage image;
    image.folder_ = OpenedFolder::Open(folder, false);
    image.file_ = OpenedFile::Adopt(image.folder_.OpenFileHandle(name, DELETE | kImageAccess));
    if (!image.file_ || !IsRunningImage(image.file_.Get())) {
        return {};
    }
    return image;
}

RunningImage RunningImage::Open(std::u16string_view ownPath) {
    const std::optional<FolderAndName> place = SplitAtLastSeparator(ownPath);
    if (!place) {
        return {};
    }
    return Open(std::u16string(place->folder), place->name);
}

}  // namespace langsetup
