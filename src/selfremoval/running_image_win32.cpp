#include "selfremoval/running_image_win32.h"

#include <winternl.h>

#include <optional>

#include "app/path_parts.h"
#include "app/unique_handle_win32.h"

// Compares the files behind two mapped views; in ntdll since the first NT, but in no header.
extern "C" NTSTATUS NTAPI NtAreMappedFilesTheSame(PVOID mappedAsImage, PVOID mappedAsFile);

namespace langsetup {
namespace {

// Mapping a file as an image needs read and execute access; the waiter needs delete access.
constexpr ACCESS_MASK kImageAccess =
    DELETE | FILE_READ_DATA | FILE_EXECUTE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

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

OpenedFile OpenRunningImage(const std::u16string& ownPath) {
    const std::optional<FolderAndName> place = SplitAtLastSeparator(ownPath);
    if (!place) {
        return {};
    }
    const OpenedFolder folder = OpenedFolder::Open(std::u16string(place->folder));
    OpenedFile image = OpenedFile::Adopt(folder.OpenFileHandle(place->name, kImageAccess));
    if (!image || !IsRunningImage(image.Get())) {
        return {};
    }
    return image;
}

}  // namespace langsetup
