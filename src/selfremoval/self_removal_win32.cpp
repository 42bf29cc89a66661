#include "selfremoval/self_removal_win32.h"

#include <vector>

#include "app/held_copy_win32.h"
#include "app/module_directory_win32.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/running_image_win32.h"
#include "app/trail_win32.h"
#include "app/system_function_win32.h"
#include "app/unique_handle_win32.h"
#include "app/whole_path.h"
#include "app/verified_start_win32.h"
#include "app/wide_win32.h"
#include "selfremoval/named_file_win32.h"
#include "selfremoval/self_removal.h"
#include "selfremoval/waiter_command_line.h"

namespace langsetup {
namespace {

// The access the first process gives the waiter on itself: SYNCHRONIZE to wait for it (all the
// waiter needs), and the query right so that even systems that cannot compare handles can see
// that the handle names another process than the waiter's own.
constexpr DWORD kWaiterAccess = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;


// Whether `process`, a process handle whose id cannot be read, names the waiter's own process,
// which never ends while the waiter waits on it. Only systems that can compare two handles'
// objects (Windows 10 and later) can tell; elsewhere the answer is yes, and the handle is refused.
bool IsOwnProcess(HANDLE process) {
    using CompareObjectHandlesFunction = BOOL WINAPI(HANDLE, HANDLE);
    const auto compare =
        FindSystemFunction<CompareObjectHandlesFunction>(L"kernelbase.dll", "CompareObjectHandles");
    return compare == nullptr || compare(process, ::GetCurrentProcess()) != FALSE;
}

// What the number a waiter was given names, settled before anything is opened: a new handle
// could take the value of one that is not open. Nothing: it must not be used. An empty owner:
// there is nothing to wait for.
std::optional<UniqueHandle> TakeAwaitedProcess(const WaiterHandleArgument& argument) {
    std::optional<UniqueHandle> process(std::in_place);
    if (argument.kind == WaiterHandleKind::kValue) {
        HANDLE handle = HandleFromValue(argument.value);
        switch (CheckWaiterHandle(handle)) {
            case WaiterHandleCheck::kNotOpen:
                break;  // nothing to wait for, as with 0
            case WaiterHandleCheck::kUnusable:
                return std::nullopt;
            case WaiterHandleCheck::kProcess:
                process->Reset(handle);  // inherited from the first process
                break;
        }
    }
    return process;
}

// Waits for `process` (if any) to end, then deletes `file`: marking it for deletion is retried
// for a moment, since a scanner or the system can still map the file of a process that has just
// ended. It goes when the waiter's handle closes.
void DeleteOnceEnded(UniqueHandle process, OpenedFile file, std::u16string_view path) {
    DWORD error = 0;
    DWORD retries = 0;
    if (process && ::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
        error = ::GetLastError();
    } else {
        process.Reset();
        retries = RetryWhile(kReleaseRetryMs, [&] {
            error = file.MarkForDeletion() ? 0 : ::GetLastError();
            return error != 0;
        });
    }
    file = {};  // the file goes now, before anything is told
    if (error == 0) {
        Trail::Line("deleted % (% retries)", {path, retries});
    } else {
        Trail::Line("gave up on % after % retries: %", {path, retries, TrailPart::Error(error)});
    }
}

// The form stage 1 passes: the file and the process are the handles it was handed, and no path
// is looked up. The first process learns through `ready` that it can end.
bool FinishHandOver(const HandedOverHandles& handles, std::u16string_view path) {
    HANDLE process = HandleFromValue(handles.process);
    HANDLE file = HandleFromValue(handles.file);
    if (CheckWaiterHandle(process) != WaiterHandleCheck::kProcess ||
        ::GetFileType(file) != FILE_TYPE_DISK) {
        return false;
    }
    UniqueHandle awaited(process);
    OpenedFile image = OpenedFile::Adopt(UniqueFileHandle(file));
    if (!image) {
        return false;
    }
    HANDLE ready = HandleFromValue(handles.ready);
    if (::SetEvent(ready)) {
        const UniqueHandle signalled(ready);  // the first process holds its own
    }
    DeleteOnceEnded(std::move(awaited), std::move(image), path);
    return true;
}

// The form `<number> "<file>"`, typed by hand or passed by an older tool: the file is opened
// before the wait, and that very file is deleted after it, so whatever happens to its folder
// meanwhile cannot send the deletion elsewhere. It is shared with everyone, so the first process
// runs on undisturbed.
bool FinishByPath(const WaiterHandleArgument& argument, const PathSteps& steps,
                  std::u16string_view path) {
    std::optional<UniqueHandle> process = TakeAwaitedProcess(argument);
    OpenedFile file = process ? OpenFileAlongRealFolders(steps) : OpenedFile();
    if (!file) {
        return false;
    }
    DeleteOnceEnded(std::move(*process), std::move(file), path);
    return true;
}

}  // namespace

std::optional<std::u16string> OwnExecutablePath() {
    return ModuleFilePath(nullptr);
}

std::optional<std::u16string> TemporaryFolder() {
    // The reported size includes the terminator; the folder can change between the calls.
    DWORD capacity = ::GetTempPathW(0, nullptr);
    for (int attempt = 0; attempt < 4 && capacity != 0 && capacity <= kLongestPathCapacity;
         ++attempt) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        const DWORD length = ::GetTempPathW(capacity, buffer.data());
        if (length == 0) {
            return std::nullopt;
        }
        if (length < capacity) {
            return std::u16string(AsU16(buffer.data()), length);
        }
        capacity = length;
    }
    return std::nullopt;
}

WaiterHandleCheck CheckWaiterHandle(HANDLE handle) {
    DWORD flags = 0;
    if (!::GetHandleInformation(handle, &flags)) {
        return WaiterHandleCheck::kNotOpen;
    }
    const DWORD processId = ::GetProcessId(handle);
    if (processId != 0) {
        return processId == ::GetCurrentProcessId() ? WaiterHandleCheck::kUnusable
                                                    : WaiterHandleCheck::kProcess;
    }
    // A process handle without the right to query its id (SYNCHRONIZE alone is enough to wait)
    // is refused for lack of access; threads, events, files and the like are refused as handles
    // of the wrong kind.
    if (::GetLastError() != ERROR_ACCESS_DENIED) {
        return WaiterHandleCheck::kUnusable;
    }
    return IsOwnProcess(handle) ? WaiterHandleCheck::kUnusable : WaiterHandleCheck::kProcess;
}

void StartSelfRemoval() {
    const std::optional<std::u16string> ownPath = OwnExecutablePath();
    const std::optional<std::u16string> tempPath = TemporaryFolder();
    // Why no waiter starts, in the platform's words; the tool then stays.
    const auto stays = [&](DWORD error) {
        Trail::Line("no waiter started in %: %", {tempPath.value_or(u""), TrailPart::Error(error)});
    };
    if (!ownPath || !tempPath || tempPath->size() > kLongestTemporaryFolder) {
        stays(ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    // What the waiter deletes is settled here, once: the very file this process runs from, and
    // the copy is made of the bytes read through that handle. Nothing looks its path up again.
    const RunningImage image = RunningImage::Open(*ownPath);
    if (!image) {
        Trail::Line("%% is not the running program: nothing done", {*ownPath, u""});
        return;
    }
    const std::optional<std::vector<std::uint8_t>> bytes = image.Bytes();
    const OpenedFolder temp = OpenedFolder::Open(*tempPath);
    PeImage program;
    if (!bytes || !temp || !program.Read(*bytes)) {
        stays(::GetLastError());
        return;
    }
    // A new Del*.tmp, deleted once it is closed and no process runs it any more.
    std::u16string copyName;
    HeldCopy copy = HeldCopy::CreateNamed(temp, u"Del", *bytes, true, copyName);
    if (!copy) {
        stays(copy.Error());
        return;
    }
    const std::u16string copyPath = *tempPath + copyName;
    Trail::Line("% is the running program, copied to %", {*ownPath, copyPath});

    // The waiter inherits these, under the same values, and nothing else: the first process, the
    // tool's file, a "ready" event and the trail's log, if there is one.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const UniqueHandle ownProcess(::OpenProcess(kWaiterAccess, TRUE, ::GetCurrentProcessId()));
    const UniqueHandle ready(::CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    // The log goes to no other process: only the waiter is started with a list of what it
    // inherits.
    HANDLE log = Trail::LogHandle();
    if (!ownProcess || !ready ||
        !::SetHandleInformation(image.File().Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        (log != nullptr && !::SetHandleInformation(log, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))) {
        stays(::GetLastError());
        return;  // closing the copy removes it
    }
    const HANDLE handed[] = {ownProcess.Get(), image.File().Get(), ready.Get(), log};
    const std::span<const HANDLE> inherited(handed, log ? 4 : 3);
    const std::optional<std::int32_t> values[] = {HandleValue(handed[0]), HandleValue(handed[1]),
                                                  HandleValue(handed[2]),
                                                  log ? HandleValue(handed[3]) : 0};
    std::optional<std::u16string> line;
    if (values[0] && values[1] && values[2] && values[3]) {
        line = BuildWaiterCommandLine(copyPath, {*values[0], *values[1], *values[2], *values[3]},
                                      *ownPath);
    }
    if (!line) {
        stays(ERROR_FILENAME_EXCED_RANGE);
        return;
    }

    // Exactly the copy runs, and only with the bytes it was given. It runs in the temporary
    // folder, so that it keeps no folder of the caller's in use.
    StartedProgram waiter;
    waiter.error = copy.Seal();
    if (waiter.error == 0) {
        waiter = StartHeldProgram({.program = copyPath, .commandLine = *line, .folder = *tempPath,
                                   .flags = 0, .inherited = inherited, .leaveJob = true},
                                  program);
    }
    TellStart(copyPath, waiter);
    if (waiter.outcome == StartOutcome::kStarted) {
        const HANDLE readyOrEnded[] = {ready.Get(), waiter.process.Process()};
        const DWORD woken = ::WaitForMultipleObjects(2, readyOrEnded, FALSE, kWaiterReadyMs);
        Trail::Line("waiter %", {woken == WAIT_OBJECT_0       ? u"ready"
                                 : woken == WAIT_OBJECT_0 + 1 ? u"ended"
                                                              : u"silent for 5 s"});
    }
    // Closing the copy, opened to be deleted on close, removes its file once the waiter has ended.
}

void FinishSelfRemoval(const ArgList& args) {
    const WaiterRequest request = ReadWaiterRequest(args);
    const bool finished =
        request.form == WaiterRequest::Form::kHandOver
            ? FinishHandOver(request.handles, args.ItemView(2))
            : request.form == WaiterRequest::Form::kByPath &&
                  FinishByPath(request.process, *request.path, args.ItemView(2));
    if (!finished) {
        // A line typed by hand or an attempt to misuse the waiter: handles that are no process
        // or file of its own, or a path that is no plain file along real folders.
        Trail::Line("refused: nothing deleted");
    }
}

HANDLE WaiterLog(const ArgList& args) {
    const WaiterRequest request = ReadWaiterRequest(args);
    return request.form == WaiterRequest::Form::kHandOver && request.handles.log != 0
               ? HandleFromValue(request.handles.log)
               : nullptr;
}

}  // namespace langsetup
