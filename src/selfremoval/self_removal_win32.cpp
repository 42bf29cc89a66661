#include "selfremoval/self_removal_win32.h"

#include <vector>

#include "app/copied_file_win32.h"
#include "app/module_directory_win32.h"
#include "app/opened_folder_win32.h"
#include "app/path_parts.h"
#include "app/system_function_win32.h"
#include "app/unique_handle_win32.h"
#include "app/whole_path.h"
#include "app/wide_win32.h"
#include "selfremoval/self_removal.h"
#include "selfremoval/waiter_command_line.h"

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

// Starts the waiter outside any job the tool runs in, so that a job that kills its processes
// when it is closed cannot end the waiter before it has deleted the tool. A job that does not
// let its processes leave refuses that with "access denied": then the waiter starts inside it.
void StartWaiter(const std::u16string& copyPath, std::u16string& line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    UniqueProcessInformation started;  // the waiter needs none of these handles
    for (const DWORD flags : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        if (::CreateProcessW(AsWide(copyPath), AsWide(line.data()), nullptr, nullptr, TRUE, flags,
                             nullptr, nullptr, &startup, started.Put()) ||
            ::GetLastError() != ERROR_ACCESS_DENIED) {
            return;
        }
    }
}

// Whether `file`, opened by the path that the first process passed, is that process's file: it
// lies at `path` itself or, where that path leads through a link or junction, where the awaited
// `process` runs from. A folder swapped for a link before the waiter opened the file leads
// elsewhere; then nothing is deleted.
bool IsTheNamedFile(const OpenedFile& file, std::u16string_view path, HANDLE process) {
    const std::u16string finalPath = file.FinalPath();
    if (FinalPathIs(finalPath, path)) {
        return true;
    }
    std::vector<wchar_t> image(kLongestPathCapacity);
    auto size = static_cast<DWORD>(image.size());
    return process != nullptr && ::QueryFullProcessImageNameW(process, 0, image.data(), &size) &&
           FinalPathIs(finalPath, std::u16string_view(AsU16(image.data()), size));
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
    const std::optional<std::u16string> copyPath = CreateTemporaryFile(*folder);
    if (!copyPath) {
        return;
    }

    UniqueFileHandle deleteOnClose = OpenDeleteOnCloseCopy(*ownPath, *copyPath);
    if (!deleteOnClose) {
        return;
    }

    // Inheritable, so the copy receives it under the same value.
    UniqueHandle ownProcess(::OpenProcess(kWaiterAccess, TRUE, ::GetCurrentProcessId()));
    if (!ownProcess) {
        return;  // closing the delete-on-close handle removes the copy
    }
    const INT_PTR handleBits = reinterpret_cast<INT_PTR>(ownProcess.Get());
    const auto handleValue = static_cast<std::int32_t>(handleBits);
    // The waiter takes only a positive value for a handle to wait on.
    if (handleValue <= 0 || static_cast<INT_PTR>(handleValue) != handleBits) {
        return;
    }
    std::optional<std::u16string> line = BuildWaiterCommandLine(*copyPath, handleValue, *ownPath);
    if (!line) {
        return;
    }

    // The copy is named as the program to run, so exactly that file runs whatever the line
    // holds. CreateProcessW may write into the line: it is ours to change.
    StartWaiter(*copyPath, *line);
    // The copy keeps its own handle to the first process; closing the delete-on-close handle
    // marks the copy's file for deletion once the copy has ended.
    ownProcess.Reset();
    deleteOnClose.Reset();
}

void FinishSelfRemoval(std::u16string_view handleText, std::u16string_view path) {
    const WaiterHandleArgument argument = ReadWaiterHandle(handleText);
    const std::optional<FolderAndName> place = ReadWaiterFile(path);
    if (argument.kind == WaiterHandleKind::kRefused || !place) {
        return;
    }
    // What the number names is settled before anything is opened: a new handle could take the
    // value of one that is not open.
    UniqueHandle process;
    if (argument.kind == WaiterHandleKind::kValue) {
        HANDLE handle = HandleFromValue(argument.value);
        switch (CheckWaiterHandle(handle)) {
            case WaiterHandleCheck::kNotOpen:
                break;  // nothing to wait for, as with 0
            case WaiterHandleCheck::kUnusable:
                return;
            case WaiterHandleCheck::kProcess:
                process.Reset(handle);  // inherited from the first process
                break;
        }
    }
    // The file is opened before the wait, and that very file is deleted after it: whatever
    // happens to its folder meanwhile cannot send the deletion elsewhere. It is shared with
    // everyone, so the first process runs on undisturbed.
    const OpenedFolder folder = OpenedFolder::Open(std::u16string(place->folder));
    const OpenedFile file = folder.OpenEntry(place->name);
    if (!file || !IsTheNamedFile(file, path, process.Get())) {
        return;
    }
    if (process && ::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) {
        return;
    }
    file.MarkForDeletion();  // it goes when the handle closes
}

}  // namespace langsetup
