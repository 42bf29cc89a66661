#include "app/held_copy_win32.h"

#include <winternl.h>

#include <algorithm>

#include "app/path_parts.h"

namespace langsetup {
namespace {

// The writer shares delete access, which the held handle needs, and the held handle shares write,
// which the writer needs; between them nobody else gets to write, rename or delete the copy.
constexpr ACCESS_MASK kWriterAccess = FILE_WRITE_DATA | FILE_READ_ATTRIBUTES;
constexpr ULONG kWriterShare = FILE_SHARE_READ | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kHeldAccess = DELETE | FILE_READ_ATTRIBUTES;
constexpr ULONG kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Names tried before giving up (each one taken by another file), spread over all of them.
constexpr int kNameAttempts = 16;
constexpr std::uint32_t kNameStride = 0x9E3779B9;

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes = bytes.subspan(written);
    }
    return true;
}

}  // namespace

void HeldCopy::Fail(DWORD error) {
    error_ = error == 0 ? ERROR_GEN_FAILURE : error;
    if (held_) {
        MarkForDeletion();
    }
    Close();
}

HeldCopy HeldCopy::Create(const OpenedFolder& folder, std::u16string_view name,
                          std::span<const std::uint8_t> bytes, bool deleteOnClose) {
    HeldCopy copy;
    copy.writer_ = folder.CreateNewFile(name, kWriterAccess, kWriterShare, &copy.error_);
    if (!copy.writer_) {
        return copy;
    }
    // Held at once, through the writer: no path is looked up.
    copy.held_ = ReopenFile(copy.writer_.Get(), kHeldAccess, kHeldShare,
                            FILE_NON_DIRECTORY_FILE | (deleteOnClose ? FILE_DELETE_ON_CLOSE : 0),
                            &copy.error_);
    if (!copy.held_) {
        // Someone opened the new file in its first moment: it goes as soon as they let it go.
        ReopenFile(copy.writer_.Get(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                   FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE);
        copy.Fail(copy.error_);
        return copy;
    }
    if (!WriteAll(copy.writer_.Get(), bytes)) {
        copy.Fail(::GetLastError());
    }
    return copy;
}

HeldCopy HeldCopy::CreateNamed(const OpenedFolder& folder, std::u16string_view prefix,
                              std::span<const std::uint8_t> bytes, bool deleteOnClose,
                              std::u16string& name) {
    // The time, the process and where the system put this process's stack.
    const auto stack = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&folder));
    std::uint32_t number = ::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ stack;
    HeldCopy copy;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt, number += kNameStride) {
        name = NumberedName(prefix, number);
        copy = Create(folder, name, bytes, deleteOnClose);
        if (copy || copy.Error() != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return copy;
}

bool HeldCopy::MoveTo(const OpenedFolder& folder, std::u16string_view name) {
    const DWORD error = folder.MoveInto(held_.Get(), name);
    if (error != 0) {
        Fail(error);
    }
    return error == 0;
}

DWORD HeldCopy::Seal() {
    writer_.Reset();
    DWORD error = 0;
    sealed_ = ReopenFile(held_.Get(), FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE,
                         FILE_NON_DIRECTORY_FILE, &error);
    return error;
}

void HeldCopy::Close() {
    writer_.Reset();
    sealed_.Reset();
    held_.Reset();
}

}  // namespace langsetup
