// A program the tool copies into a new file of its own and holds until a process runs it: from
// its creation on, nobody else can rewrite, rename or delete it, and the copy holds exactly the
// bytes the tool wrote.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/opened_folder_win32.h"
#include "app/unique_handle_win32.h"

namespace langsetup {

class HeldCopy {
public:
    HeldCopy() = default;

    // Creates `name` in `folder` as a new file, never meeting a file or link that stood there
    // before (then ERROR_ALREADY_EXISTS), and writes `bytes` into it. With `deleteOnClose`, the
    // file goes once the copy is closed and no process runs it any more. On failure nothing of it
    // stays (unless someone else held it open from its first moment).
    static HeldCopy Create(const OpenedFolder& folder, std::u16string_view name,
                           std::span<const std::uint8_t> bytes, bool deleteOnClose);
    // The same under a new name `prefix`XXXXXXXX.tmp (eight hexadecimal digits), which it puts in
    // `name`: names taken by other files are passed over, and the first one tried is
    // unpredictable, so that nobody can take in advance all the names it tries.
    static HeldCopy CreateNamed(const OpenedFolder& folder, std::u16string_view prefix,
                                std::span<const std::uint8_t> bytes, bool deleteOnClose,
                                std::u16string& name);

    explicit operator bool() const { return held_.IsValid(); }
    // Why the copy could not be made, or moved: the platform's error.
    DWORD Error() const { return error_; }
    HANDLE Get() const { return held_.Get(); }

    // Gives the copy the name `name` in `folder`, replacing what stood there (a file, or a link
    // itself, never the file it pointed to). On failure (a file of that name held open, a folder,
    // a read-only file) the copy is removed and Error() says why.
    bool MoveTo(const OpenedFolder& folder, std::u16string_view name);
    // Lets go of the writer, which no program may be started with, and holds the copy against
    // writers from then on: call it right before the start. The platform's error when someone
    // opened the copy to write in that moment (then it must not be started), else 0.
    DWORD Seal();
    // Marks the copy for deletion: it goes when the copy is closed.
    bool MarkForDeletion() const { return langsetup::MarkForDeletion(held_.Get()); }
    // Closes the copy (removing it when it was marked, or opened to be deleted on close).
    void Close();

private:
    void Fail(DWORD error);

    // The writer shares read and delete; the held handle has delete access and shares read and
    // write. Together they let nobody else write, rename or delete the copy.
    UniqueFileHandle writer_;
    UniqueFileHandle held_;
    UniqueFileHandle sealed_;  // read access, sharing read and delete: no writer can come in
    DWORD error_ = 0;
};

}  // namespace langsetup
