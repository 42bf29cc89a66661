#include "app/trail_win32.h"

#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/pipe_budget.h"
#include "app/utf8_text.h"
#include "app/wide_win32.h"
#include "selfremoval/waiter_command_line.h"

namespace langsetup {
namespace {

// The process's trail, while there is one.
Trail* gTrail = nullptr;

// A file with one name (not a hard link to a file elsewhere) that is not read-only: not every
// system stops every user from writing to a read-only file (Wine run as root does not).
// (OpenedFile checks that it is a plain file: no folder, no link.)
bool IsWritableLoneFile(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    return ::GetFileInformationByHandle(handle, &information) && information.nNumberOfLinks == 1 &&
           (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
}

// The file LANGSETUP_LOG names, opened to append; none when it is refused.
OpenedFile OpenNamedLog() {
    constexpr wchar_t kVariable[] = L"LANGSETUP_LOG";
    const DWORD size = ::GetEnvironmentVariableW(kVariable, nullptr, 0);
    if (size <= 1) {
        return {};  // not set, or empty
    }
    std::u16string path(size, u'\0');
    path.resize(::GetEnvironmentVariableW(kVariable, AsWide(path.data()), size));
    // A full path whose names all stay in their folders: a relative path would name a file in
    // whatever folder the tool happens to be in.
    if (!ReadWaiterFile(path)) {
        return {};
    }
    const std::optional<FolderAndName> parts = SplitAtLastSeparator(path);
    OpenedFile file =
        OpenedFolder::Open(std::u16string(parts->folder))
            .OpenOrCreateEntry(parts->name, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE);
    return file && IsWritableLoneFile(file.Get()) ? std::move(file) : OpenedFile();
}

// `handle` when it is a plain disk file with one name, not read-only; none otherwise, and then it
// stays open.
OpenedFile AdoptInheritedLog(HANDLE handle) {
    return ::GetFileType(handle) == FILE_TYPE_DISK && IsWritableLoneFile(handle)
               ? OpenedFile::Adopt(UniqueFileHandle(handle))
               : OpenedFile();
}

std::u16string SystemText(std::uint32_t code) {
    // Longer texts than this are left out: the number still tells.
    wchar_t text[512];
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text, static_cast<DWORD>(std::size(text)), nullptr);
    return {AsU16(text), length};
}

std::u16string LineNow(std::u16string_view step, std::string_view format,
                       std::span<const TrailPart> values) {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    TrailLineHead head{{}, ::GetCurrentProcessId(), step};
    static_assert(sizeof(head.time) == sizeof(now), "the same fields in the same order");
    std::memcpy(&head.time, &now, sizeof(now));
    return FormatTrailLine(head, format, values, SystemText);
}

// The last line a pipe gets when the next one would not fit.
std::u16string CutLine(std::u16string_view step) {
    return LineNow(step, "trail cut here", {});
}

// A line in UTF-8.
struct EncodedLine {
    explicit EncodedLine(std::u16string_view line)
        : bytes(new char[line.size() * kUtf8BytesPerUnit]), size(EncodeUtf8(line, bytes.get())) {}

    // Whether all of it was written.
    bool WriteTo(HANDLE handle) const {
        DWORD written = 0;
        return ::WriteFile(handle, bytes.get(), static_cast<DWORD>(size), &written, nullptr) &&
               written == size;
    }

    std::unique_ptr<char[]> bytes;
    std::size_t size;
};

}  // namespace

Trail::Trail(std::u16string_view step, TrailLog log, HANDLE inheritedLog)
    : Trail(step, log == TrailLog::kNamed ? OpenNamedLog() : AdoptInheritedLog(inheritedLog)) {}

Trail::Trail(std::u16string_view step, OpenedFile log) : step_(step), log_(std::move(log)) {
    // The caller's standard output when it is a pipe or a disk file. A GUI program started from
    // Explorer has none, and a console is no place for it.
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = ::GetFileType(output);
    if (type == FILE_TYPE_PIPE) {
        // What the caller's pipe can take, where the system tells.
        FILE_PIPE_LOCAL_INFORMATION pipe{};
        IO_STATUS_BLOCK io{};
        ::NtQueryInformationFile(output, &io, &pipe, sizeof(pipe), FilePipeLocalInformation);
        output_ = output;
        outputBudget_ = PipeBudget(PipeBudgetFor(pipe.OutboundQuota, pipe.WriteQuotaAvailable));
    } else if (type == FILE_TYPE_DISK) {
        output_ = output;
        outputBudget_ = PipeBudget(std::numeric_limits<std::size_t>::max());
    }
    gTrail = this;
}

Trail::~Trail() {
    gTrail = nullptr;
}

bool Trail::IsOn() {
    return gTrail != nullptr && (gTrail->output_ != nullptr || gTrail->log_);
}

void Trail::Line(const char* format, std::initializer_list<TrailPart> values) {
    if (IsOn()) {
        gTrail->Write(format, {values.begin(), values.size()});
    }
}

HANDLE Trail::LogHandle() {
    return gTrail != nullptr && gTrail->log_ ? gTrail->log_.Get() : nullptr;
}

void Trail::Write(std::string_view format, std::span<const TrailPart> values) {
    const EncodedLine line(LineNow(step_, format, values));
    if (log_ && !line.WriteTo(log_.Get())) {
        log_ = {};
    }
    if (output_ == nullptr) {
        return;
    }
    switch (outputBudget_.Take(line.size)) {
        case PipeBudget::Verdict::kWrite:
            if (!line.WriteTo(output_)) {
                output_ = nullptr;
            }
            break;
        case PipeBudget::Verdict::kCut:
            if (const EncodedLine cut(CutLine(step_)); cut.size <= kCutLineRoom) {
                cut.WriteTo(output_);
            }
            output_ = nullptr;
            break;
        case PipeBudget::Verdict::kDrop:
            output_ = nullptr;
            break;
    }
}

}  // namespace langsetup
