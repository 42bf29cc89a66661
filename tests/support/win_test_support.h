// Helpers for tests that run under Windows (Wine): scratch folders, real processes, files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "app/unique_handle_win32.h"
#include "support/text_win32.h"

namespace langsetup::test {

// "<process id>-<tick count>-<counter>": no other test, or test process, makes the same one.
std::wstring UniqueSuffix();

// Windows path of the built langsetup.exe, or of the Linux path LANGSETUP_TOOL_UNDER_TEST names.
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

// The 8.3 spelling of an existing path, as the platform makes it (Windows starts programs by such
// paths when it is given them).
std::wstring ShortPath(const std::wstring& path);

// A second drive letter for `folder`, as subst or a mapped share give one: a link in the Wine
// prefix's dosdevices, made and removed from the Linux side. The first free letter from M on.
class ScopedDriveLetter {
public:
    explicit ScopedDriveLetter(const std::wstring& folder);
    ~ScopedDriveLetter();
    ScopedDriveLetter(const ScopedDriveLetter&) = delete;
    ScopedDriveLetter& operator=(const ScopedDriveLetter&) = delete;

    // `relative` below the folder, spelled through the letter ("M:\relative").
    std::wstring operator/(const std::wstring& relative) const { return root_ + L"\\" + relative; }

private:
    std::string link_;   // the Linux path of the link
    std::wstring root_;  // "M:"
};

// Sets an environment variable of the test process for one scope.
class ScopedVariable {
public:
    ScopedVariable(std::wstring name, const std::wstring& value);
    ~ScopedVariable() { ::SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring name_;
    std::optional<std::wstring> old_;  // none: it was not set
};

struct ProcessResult {
    bool started = false;
    bool timedOut = false;  // the process was killed after the time limit
    DWORD exitCode = 0;
};

// How a ChildProcess starts.
struct ProcessOptions {
    explicit ProcessOptions(std::wstring folder = {}) : currentDirectory(std::move(folder)) {}

    std::wstring currentDirectory;  // the test's own when empty
    // Variables set for the process over the test's own.
    std::map<std::wstring, std::wstring> environment;
    bool inheritHandles = false;  // pass the test's inheritable handles on
    HANDLE job = nullptr;         // a job the process is put in before it runs
    bool suspended = false;       // it waits for Resume() before it runs
    HANDLE output = nullptr;      // an inheritable handle for standard output and error
    HANDLE error = nullptr;       // standard error, when it is not `output`
};

// A process the test started. It is ended at the end of the scope if it still runs, so that no
// test leaves a process behind.
class ChildProcess {
public:
    // Starts `application` (exactly that file) with `commandLine` as its whole command line.
    ChildProcess(const std::wstring& application, const std::wstring& commandLine,
                 const ProcessOptions& options = ProcessOptions());
    ~ChildProcess() { End(); }
    ChildProcess(ChildProcess&&) = default;
    ChildProcess& operator=(ChildProcess&&) = delete;

    bool Started() const { return info_.IsValid(); }
    // Lets a process started suspended run.
    void Resume() const { ::ResumeThread(info_.Thread()); }
    HANDLE Handle() const { return info_.Process(); }
    // Whether it has ended, or ends within `timeoutMs`.
    bool EndsWithin(DWORD timeoutMs) const {
        return ::WaitForSingleObject(Handle(), timeoutMs) == WAIT_OBJECT_0;
    }
    // Waits at most `timeoutMs` for it to end by itself, then ends it.
    ProcessResult Wait(DWORD timeoutMs = 60000) {
        ProcessResult result;
        result.started = Started();
        if (result.started) {
            result.timedOut = !EndsWithin(timeoutMs);
            End();
            ::GetExitCodeProcess(Handle(), &result.exitCode);
        }
        return result;
    }
    // Ends it now if it still runs.
    void End() {
        if (Started() && !EndsWithin(0)) {
            ::TerminateProcess(Handle(), 99);
            ::WaitForSingleObject(Handle(), 5000);
        }
    }

private:
    UniqueProcessInformation info_;
};

// Whether a program of the tests' own kind (the tool's) can check the image of a 64-bit process
// it started: a 32-bit one can only where the system tells it where that image lies, which
// Wine's 32-bit half does not. The tool then starts no 64-bit module.
inline bool ChecksSixtyFourBitImages() {
    return sizeof(void*) == 8 ||
           ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtWow64QueryInformationProcess64") !=
               nullptr;
}

// Starts a program built beside the tests with its quoted path as its command line.
inline ChildProcess StartTestProgram(const std::wstring& fileName) {
    return ChildProcess(TestProgramPath(fileName), Quoted(TestProgramPath(fileName)));
}

// Runs `application` with `commandLine` in `currentDirectory` (the test's own when empty) and
// waits at most `timeoutMs`.
inline ProcessResult RunProcess(const std::wstring& application, const std::wstring& commandLine,
                                const std::wstring& currentDirectory = L"",
                                DWORD timeoutMs = 60000) {
    return ChildProcess(application, commandLine, ProcessOptions(currentDirectory)).Wait(timeoutMs);
}

// Whether the process ran and ended by itself with exit code 0.
inline ::testing::AssertionResult EndedWithExitZero(const ProcessResult& result) {
    if (result.started && !result.timedOut && result.exitCode == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "started " << result.started << ", timed out "
                                         << result.timedOut << ", exit code " << result.exitCode;
}

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

bool FileExists(const std::wstring& path);       // a file, not a folder
bool DirectoryExists(const std::wstring& path);  // a folder
void WriteTextFile(const std::wstring& path, const std::string& content);
// Everything left to read from a file or the read end of a pipe.
std::string ReadToEnd(HANDLE source);

std::optional<std::string> ReadTextFile(const std::wstring& path);
void CopyFileOrFail(const std::wstring& from, const std::wstring& to);
void MakeDirectory(const std::wstring& path);

// Relative path -> size of every file and folder under `root` (folders have size -1, links to
// folders -2: they are not followed).
using TreeSnapshot = std::map<std::wstring, std::int64_t>;
TreeSnapshot SnapshotTree(const std::wstring& root);

// Relative path -> content of every file under `root` ("<folder>" for folders, "<link>" for links
// to folders, which are not followed).
using TreeContents = std::map<std::wstring, std::string>;
TreeContents ReadTree(const std::wstring& root);

// tests/path_swapper, a Linux program started beside the tool: it exchanges `a` and `b`
// (renameat2) when `trigger` fires in `folder`, with no hook in the tool: "open" when the folder
// itself is opened (listed), "entry" when an entry named `name` is opened or created in it; "now"
// (with no folder) exchanges them at once. Its watch is in place when the constructor returns.
// With `repeat`, it goes on exchanging them until Stop() or the end of the scope.
class PathSwap {
public:
    PathSwap(const std::wstring& a, const std::wstring& b, const std::string& trigger,
             const std::wstring& folder, const std::string& name = "", bool repeat = false);
    ~PathSwap() {
        Stop();
        ::DeleteFileW(status_.c_str());
    }
    PathSwap(const PathSwap&) = delete;
    PathSwap& operator=(const PathSwap&) = delete;

    // Whether the paths were exchanged, or are within `timeoutMs`.
    bool Happened(DWORD timeoutMs = 20000) const {
        return WaitFor([&] { return ReadTextFile(status_) == "swapped\n"; }, timeoutMs);
    }
    // Ends repeated exchanges, after an even number of them when both paths are still there.
    void Stop();

private:
    std::wstring status_;
    std::string process_;  // the Linux process id of repeated exchanges
};

// Expects that `run` (which runs a process and gives its ProcessResult) sees the process end by
// itself with exit code 0 and that, `settleMs` later, every file under `folder` is as it was.
template <typename Run>
void ExpectRunLeavesFolderUnchanged(const std::wstring& folder, Run run, DWORD settleMs = 0) {
    const TreeSnapshot before = SnapshotTree(folder);
    EXPECT_TRUE(EndedWithExitZero(run()));
    ::Sleep(settleMs);
    EXPECT_EQ(SnapshotTree(folder), before);
}

// A copy of the built tool in a scratch folder (with blanks in its name), beside files named like
// its arguments ("1031", "de.exe") that a run which does nothing must leave alone.
class ToolCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFileOrFail(ToolPath(), tool_);
        WriteTextFile(folder_ / L"1031", "a file named like an argument");
        WriteTextFile(folder_ / L"de.exe", "a file named like a module");
    }
    // Starts the copy with `line` as its whole command line, from its folder, passing the test's
    // inheritable handles on.
    ChildProcess StartTool(const std::wstring& line) const {
        ProcessOptions options(folder_.Path());
        options.inheritHandles = true;
        return ChildProcess(tool_, line, options);
    }
    // Expects that the copy, run with `line`, ends within `timeoutMs` with exit code 0 and
    // changes no file in its folder.
    void ExpectRunChangesNothing(const std::wstring& line, DWORD timeoutMs = 60000) const {
        SCOPED_TRACE(Narrow(line));
        ExpectRunLeavesFolderUnchanged(folder_.Path(),
                                       [&] { return StartTool(line).Wait(timeoutMs); });
    }

    ScratchDir folder_{L"langsetup tool copy"};
    std::wstring tool_ = folder_ / L"langsetup.exe";
};

}  // namespace langsetup::test
