#include "selfremoval/self_removal_win32.h"

#include <vector>

#include "app/copied_file_win32.h"
#include "app/module_directory_win32.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/retry_win32.h"
#include "app/system_function_win32.h"
#include "app/unique_handle_win32.h"
#include "app/whole_path.h"
#include "app/wide_win32.h"
#include "selfremoval/named_file_win32.h"
#include "selfremoval/running_image_win32.h"
#include "selfremoval/self_removal.h"
#include "selfremoval/waiter_command_line.h"
#include "selfremoval/waiter_start_win32.h"

namespace langsetup {
namespace {

// The access the first process gives the waiter on itself: SYNCHRONIZE to wait for it (all the
// waiter needs), and the query right so that even systems that cannot compare handles can see
// that the handle names another process than the waiter's own.
constexpr DWORD kWaiterAccess = SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION;

// GetTempFileNameW takes at most this many units of folder (it appends "DelXXXX.tmp").
constexpr std::size_t kLongestTempFileFolder = MAX_PATH - 14;

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
void DeleteOnceEnded(UniqueHandle process, const OpenedFile& file) {
    if (process && ::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
        return;
    }
    process.Reset();
    RetryWhile(kReleaseRetryMs, [&] { return !file.MarkForDeletion(); });
}

// The form stage 1 passes: the file and the process are the handles it was handed, and no path
// is looked up. The first process learns through `ready` that it can end.
void FinishHandOver(const HandedOverHandles& handles) {
    HANDLE process = HandleFromValue(handles.process);
    HANDLE file = HandleFromValue(handles.file);
    if (CheckWaiterHandle(process) != WaiterHandleCheck::kProcess ||
        ::GetFileType(file) != FILE_TYPE_DISK) {
        return;
    }
    UniqueHandle awaited(process);
    const OpenedFile image = OpenedFile::Adopt(UniqueFileHandle(file));
    if (!image) {
        return;
    }
    HANDLE ready = HandleFromValue(handles.ready);
    if (::SetEvent(ready)) {
        const UniqueHandle signalled(ready);  // the first process holds its own
    }
    DeleteOnceEnded(std::move(awaited), image);
}

// The form `<number> "<file>"`, typed by hand or passed by an older tool: the file is opened
// before the wait, and that very file is deleted after it, so whatever happens to its folder
// meanwhile cannot send the deletion elsewhere. It is shared with everyone, so the first process
// runs on undisturbed.
void FinishByPath(const WaiterHandleArgument& argument, const PathSteps& path) {
    std::optional<UniqueHandle> process = TakeAwaitedProcess(argument);
    if (!process) {
        return;
    }
    const OpenedFile file = OpenFileAlongRealFolders(path);
    if (file) {
        DeleteOnceEnded(std::move(*process), file);
    }
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

std::optional<std::u16string> CreateTemporaryFile(const std::u16string& folder) {
    if (folder.empty() || folder.size() > kLongestTempFileFolder) {
        return std::nullopt;
    }
    // Room for the folder, a backslash, "Del", four hex digits, ".tmp" and the terminator, even
    // where a platform would not keep within MAX_PATH.
    std::vector<wchar_t> buffer(folder.size() + MAX_PATH, L'\0');
    if (::GetTempFileNameW(AsWide(folder), L"Del", 0, buffer.data()) == 0) {
        return std::nullopt;
    }
    std::u16string path(AsU16(buffer.data()));
    if (path.size() <= folder.size()) {
        return std::nullopt;
    }
    return path;
}

UniqueFileHandle OpenDeleteOnCloseCopy(const std::u16string& ownPath,
                                       const std::u16string& copyPath) {
    // A read-only copy could not be opened to be deleted on close (it would stay behind).
    UniqueFileHandle deleteOnClose;
    if (::CopyFileW(AsWide(ownPath), AsWide(copyPath), FALSE) && ClearReadOnlyAttribute(copyPath)) {
        // A link put in its place would be opened (and deleted) itself, never followed.
        deleteOnClose.Reset(
            ::CreateFileW(AsWide(copyPath), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    }
    // Until the delete-on-close handle holds it, the temporary file is removed by hand: through
    // its folder, and only while it is a plain file there.
    const std::optional<FolderAndName> place = SplitAtLastSeparator(copyPath);
    if (!deleteOnClose && place) {
        OpenedFolder::Open(std::u16string(place->folder)).DeleteEntry(place->name);
    }
    return deleteOnClose;
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
    const std::optional<std::u16string> folder = TemporaryFolder();
    if (!ownPath || !folder) {
        return;
    }
    // What the waiter deletes is settled here, once: a handle to the very file this process runs
    // from. Nothing looks its path up again, here or in the waiter.
    const OpenedFile image = OpenRunningImage(*ownPath);
    if (!image) {
        return;
    }
    const std::optional<std::u16string> copyPath = CreateTemporaryFile(*folder);
    if (!copyPath) {
        return;
    }
    const UniqueFileHandle deleteOnClose = OpenDeleteOnCloseCopy(*ownPath, *copyPath);
    if (!deleteOnClose) {
        return;
    }

    // The waiter inherits these three, under the same values, and nothing else.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const UniqueHandle ownProcess(::OpenProcess(kWaiterAccess, TRUE, ::GetCurrentProcessId()));
    const UniqueHandle ready(::CreateEventW(&inheritable, TRUE, FALSE, nullptr));
    if (!ownProcess || !ready ||
        !::SetHandleInformation(image.Get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
        return;  // closing the delete-on-close handle removes the copy
    }
    const HANDLE inherited[] = {ownProcess.Get(), image.Get(), ready.Get()};
    const std::optional<std::int32_t> values[] = {
        HandleValue(inherited[0]), HandleValue(inherited[1]), HandleValue(inherited[2])};
    if (!values[0] || !values[1] || !values[2]) {
        return;
    }
    std::optional<std::u16string> line =
        BuildWaiterCommandLine(*copyPath, {*values[0], *values[1], *values[2]}, *ownPath);
    if (!line) {
        return;
    }

    // The copy is named as the program to run, so exactly that file runs whatever the line
    // holds. It runs in the temporary folder, so that it keeps no folder of the caller's in use.
    const UniqueProcessInformation waiter =
        StartWaiterProcess(*copyPath, *line, *folder, inherited);
    if (waiter) {
        const HANDLE readyOrEnded[] = {ready.Get(), waiter.Process()};
        ::WaitForMultipleObjects(2, readyOrEnded, FALSE, kWaiterReadyMs);
    }
    // Closing the delete-on-close handle marks the copy's file for deletion once the copy has
    // ended.
}

void FinishSelfRemoval(const ArgList& args) {
    const WaiterRequest request = ReadWaiterRequest(args);
    switch (request.form) {
        case WaiterRequest::Form::kHandOver:
            FinishHandOver(request.handles);
            break;
        case WaiterRequest::Form::kByPath:
            FinishByPath(request.process, *request.path);
            break;
        case WaiterRequest::Form::kRefused:
            break;
    }
}

}  // namespace langsetup
