// Helpers for tests that run under Windows (Wine): scratch folders, real processes, files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "app/unique_handle_win32.h"
#include "support/text_win32.h"

namespace langsetup::test {

// Windows path of the built langsetup.exe.
std::wstring ToolPath();
// Windows path of a program built beside the tests (for example a sample language module).
std::wstring TestProgramPath(const std::wstring& fileName);

// A new, empty folder under the temporary folder, removed with everything in it at the end.
class ScratchDir {
public:
    // `nameHint` becomes part of the folder's name (it may hold blanks).
    explicit ScratchDir(const std::wstring& nameHint = L"langsetup-test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder's full path without a trailing backslash.
    const std::wstring& Path() const { return path_; }
    // Path() + "\" + relative.
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// Removes `path` and what it holds. Links are removed, never followed, and names that hold a
// backslash (Linux files) are not appended to a path; the Linux shell removes what remains.
void RemoveTree(const std::wstring& path);

// The Linux side of Wine, for links and names that Windows cannot make.
// The Linux path (UTF-8) of a Windows path.
std::string LinuxPath(const std::wstring& windowsPath);
// `text` in single quotes for the shell.
std::string ShellQuoted(const std::string& text);
// Runs `script` with /bin/sh; true when it ends with exit code 0.
bool RunLinuxShell(const std::string& script);

struct ProcessResult {
    bool started = false;
    bool timedOut = false;  // the process was killed after the time limit
    DWORD exitCode = 0;
};

// Starts `application` (exactly that file) with `commandLine` as its whole command line, in
// `currentDirectory` (or the test's own when empty), and waits at most `timeoutMs`.
ProcessResult RunProcess(const std::wstring& application, const std::wstring& commandLine,
                         const std::wstring& currentDirectory = L"", DWORD timeoutMs = 60000);

// Runs a copy of the tool at `toolPath` with `arguments` after its quoted path.
ProcessResult RunTool(const std::wstring& toolPath, const std::wstring& arguments,
                      const std::wstring& currentDirectory = L"", DWORD timeoutMs = 60000);

bool FileExists(const std::wstring& path);       // a file, not a folder
bool DirectoryExists(const std::wstring& path);  // a folder
void WriteTextFile(const std::wstring& path, const std::string& content);
std::optional<std::string> ReadTextFile(const std::wstring& path);
void CopyFileOrFail(const std::wstring& from, const std::wstring& to);
void MakeDirectory(const std::wstring& path);

// Relative path -> size of every file and folder under `root` (folders have size -1, links to
// folders -2: they are not followed).
using TreeSnapshot = std::map<std::wstring, std::int64_t>;
TreeSnapshot SnapshotTree(const std::wstring& root);

// Polls `condition` until it holds or `timeoutMs` has passed; returns its last result.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 20000) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() >= deadline) {
            return condition();
        }
        ::Sleep(20);
    }
    return true;
}

// How StartProcess and RunProcessWith start a process.
struct ProcessOptions {
    std::wstring currentDirectory;  // the test's own when empty
    // Variables set for the process (names compared without case), over the inherited ones.
    std::map<std::wstring, std::wstring> environment;
    bool inheritHandles = false;  // pass the test's inheritable handles on
    HANDLE job = nullptr;         // a job the process is put in before it runs
};

// Starts `application` (exactly that file) with `commandLine` and does not wait. The handle is
// invalid when the process could not be started.
UniqueHandle StartProcess(const std::wstring& application, const std::wstring& commandLine,
                          const ProcessOptions& options);

// Like RunProcess, with options.
ProcessResult RunProcessWith(const std::wstring& application, const std::wstring& commandLine,
                             const ProcessOptions& options, DWORD timeoutMs = 60000);

}  // namespace langsetup::test
