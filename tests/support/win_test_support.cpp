#include "support/win_test_support.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "app/system_function_win32.h"

namespace langsetup::test {

namespace {

// Windows path of a Linux path ("Z:" maps to "/").
std::wstring FromUnixPath(const std::string& unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    std::ranges::replace(path, L'/', L'\\');
    return path;
}

// A name under the temporary folder that no other test, or test process, uses.
std::wstring UniqueTempName(const std::wstring& hint) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        ADD_FAILURE() << "no temporary folder";
        return {};
    }
    return std::wstring(temp) + hint + L"-" + UniqueSuffix();
}

// Calls `visit` with every entry of `folder` but "." and "..".
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!search) {
        return;
    }
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") {
            visit(data);
        }
    } while (::FindNextFileW(search.Get(), &data));
}

// Adds what `folder` holds to `out`, each named `prefix` and its path inside `folder`.
void SnapshotInto(const std::wstring& folder, const std::wstring& prefix, TreeSnapshot& out) {
    ForEachEntry(folder, [&](const WIN32_FIND_DATAW& data) {
        const std::wstring name = prefix + data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            out[name] = static_cast<std::int64_t>(
                (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            out[name] = -2;
        } else {
            out[name] = -1;
            SnapshotInto(folder + L"\\" + data.cFileName, name + L"\\", out);
        }
    });
}

}  // namespace

std::wstring UniqueSuffix() {
    static std::atomic<unsigned> counter{0};
    return std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) +
           L"-" + std::to_wstring(counter++);
}

std::wstring ToolPath() {
    // Another file of the tool to run end to end, such as a signed copy (scripts/test-release).
    char other[4096];
    const DWORD length =
        ::GetEnvironmentVariableA("LANGSETUP_TOOL_UNDER_TEST", other, sizeof(other));
    if (length > 0 && length < sizeof(other)) {
        return FromUnixPath(other);
    }
    return FromUnixPath(LANGSETUP_TOOL_PATH);
}

std::wstring TestProgramPath(const std::wstring& fileName) {
    return FromUnixPath(LANGSETUP_TEST_BINARY_DIR) + L"\\" + fileName;
}

ScratchDir::ScratchDir(const std::wstring& nameHint) : path_(UniqueTempName(nameHint)) {
    if (!path_.empty() && !::CreateDirectoryW(path_.c_str(), nullptr)) {
        ADD_FAILURE() << "cannot create " << Narrow(path_) << ": " << ::GetLastError();
    }
}

ScratchDir::~ScratchDir() {
    if (!path_.empty()) {
        RemoveTree(path_);
    }
}

void RemoveTree(const std::wstring& path) {
    ForEachEntry(path, [&](const WIN32_FIND_DATAW& data) {
        const std::wstring child = path + L"\\" + data.cFileName;
        // A link is left to the Linux shell, which removes the link itself; a name that holds a
        // backslash would name something elsewhere.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            std::wstring_view(data.cFileName).find_first_of(L"\\/") != std::wstring_view::npos) {
            return;
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(child);
        } else {
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(child.c_str());
        }
    });
    if (!::RemoveDirectoryW(path.c_str()) && DirectoryExists(path)) {
        RunLinuxShell("rm -rf -- " + ShellQuoted(LinuxPath(path)));
    }
}

std::string LinuxPath(const std::wstring& windowsPath) {
    // Wine's own mapping; the result lives on the process heap.
    using ToUnixFunction = char* CDECL(const wchar_t*);
    const auto toUnix =
        FindSystemFunction<ToUnixFunction>(L"kernel32.dll", "wine_get_unix_file_name");
    char* unixPath = toUnix == nullptr ? nullptr : toUnix(windowsPath.c_str());
    if (unixPath == nullptr) {
        ADD_FAILURE() << "no Linux path for " << Narrow(windowsPath);
        return "/nonexistent";
    }
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool RunLinuxShell(const std::string& script) {
    // Wine starts Linux programs but cannot wait for them: the shell reports the script's exit
    // status in a file of its own, which appears whole once the script has ended.
    const std::wstring file = UniqueTempName(L"langsetup-shell");
    const std::wstring done = file + L".status";
    const std::string status = ShellQuoted(LinuxPath(done));
    const std::string partial = ShellQuoted(LinuxPath(done) + ".part");
    WriteTextFile(file, "(" + script + "\n); echo $? > " + partial + " && mv " + partial + " " +
                            status + "\n");
    // The temporary folder's Linux path holds no quote.
    const ChildProcess shell(L"Z:\\bin\\sh", L"sh \"" + Widen(LinuxPath(file)) + L"\"");
    const bool ended = WaitFor([&] { return FileExists(done); });
    const std::optional<std::string> exitStatus = ReadTextFile(done);
    ::DeleteFileW(done.c_str());
    ::DeleteFileW(file.c_str());
    const bool ok = ended && exitStatus == "0\n";
    EXPECT_TRUE(ok) << script;
    return ok;
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteTextFile(const std::wstring& path, const std::string& content) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid()) << "cannot create " << Narrow(path);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()),
                            &written, nullptr));
    ASSERT_EQ(written, content.size());
}

std::string ReadToEnd(HANDLE source) {
    std::string content;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(source, chunk, sizeof(chunk), &read, nullptr) && read > 0) {
        content.append(chunk, read);
    }
    return content;
}

std::optional<std::string> ReadTextFile(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    return ReadToEnd(file.Get());
}

void CopyFileOrFail(const std::wstring& from, const std::wstring& to) {
    ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE))
        << "cannot copy " << Narrow(from) << " to " << Narrow(to) << ": " << ::GetLastError();
}

void MakeDirectory(const std::wstring& path) {
    ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr)) << "cannot create " << Narrow(path);
}

TreeSnapshot SnapshotTree(const std::wstring& root) {
    TreeSnapshot snapshot;
    SnapshotInto(root, L"", snapshot);
    return snapshot;
}

TreeContents ReadTree(const std::wstring& root) {
    TreeContents contents;
    const std::wstring folder = root + L"\\";
    for (const auto& [name, size] : SnapshotTree(root)) {
        contents[name] = size == -1   ? "<folder>"
                         : size == -2 ? "<link>"
                                      : ReadTextFile(folder + name).value_or("<unreadable>");
    }
    return contents;
}

PathSwap::PathSwap(const std::wstring& a, const std::wstring& b, const std::string& trigger,
                   const std::wstring& folder, const std::string& name, bool repeat)
    : status_(UniqueTempName(L"langsetup-swap")) {
    std::string command = ShellQuoted(LANGSETUP_PATH_SWAPPER) + (repeat ? " -r" : "");
    for (const std::string& word : {LinuxPath(status_), LinuxPath(a), LinuxPath(b), trigger,
                                    folder.empty() ? std::string() : LinuxPath(folder), name}) {
        if (!word.empty()) {
            command += " " + ShellQuoted(word);
        }
    }
    const std::wstring process = status_ + L".pid";
    EXPECT_TRUE(RunLinuxShell(command + " > " + ShellQuoted(LinuxPath(process))));
    if (repeat) {
        process_ = ReadTextFile(process).value_or("");
        std::erase(process_, '\n');
    }
    ::DeleteFileW(process.c_str());
}

void PathSwap::Stop() {
    if (process_.empty()) {
        return;
    }
    RunLinuxShell("kill " + process_ + " 2>/dev/null; true");
    EXPECT_TRUE(WaitFor([&] {
        const std::string status = ReadTextFile(status_).value_or("");
        return status.starts_with("stopped") || status.starts_with("failed");
    }));
    process_.clear();
}

std::wstring ShortPath(const std::wstring& path) {
    std::wstring shortPath(path.size() + 1, L'\0');
    shortPath.resize(
        ::GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size())));
    EXPECT_FALSE(shortPath.empty()) << "no short path for " << Narrow(path);
    return shortPath;
}

ScopedDriveLetter::ScopedDriveLetter(const std::wstring& folder) {
    const std::wstring chosen = UniqueTempName(L"langsetup-drive");
    const std::string script = "for l in m n o p q r s t u v w x y; do ln -sT " +
                               ShellQuoted(LinuxPath(folder)) +
                               " \"$WINEPREFIX/dosdevices/$l:\" 2>/dev/null && echo \"$l\" > " +
                               ShellQuoted(LinuxPath(chosen)) + " && exit 0; done; exit 1";
    if (RunLinuxShell(script)) {
        const std::string letter = ReadTextFile(chosen).value_or("?").substr(0, 1);
        root_ = Widen(letter) + L":";
        link_ = "\"$WINEPREFIX/dosdevices/" + letter + ":\"";
    }
    ::DeleteFileW(chosen.c_str());
}

ScopedDriveLetter::~ScopedDriveLetter() {
    if (!link_.empty()) {
        RunLinuxShell("rm -f " + link_);
    }
}

ScopedVariable::ScopedVariable(std::wstring name, const std::wstring& value)
    : name_(std::move(name)) {
    if (const DWORD size = ::GetEnvironmentVariableW(name_.c_str(), nullptr, 0); size > 0) {
        std::wstring old(size, L'\0');
        old.resize(::GetEnvironmentVariableW(name_.c_str(), old.data(), size));
        old_ = old;
    }
    ::SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

ChildProcess::ChildProcess(const std::wstring& application, const std::wstring& commandLine,
                           const ProcessOptions& options) {
    // The process inherits the test's environment with these set while it starts.
    std::deque<ScopedVariable> environment;
    for (const auto& [name, value] : options.environment) {
        environment.emplace_back(name, value);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const bool standardHandles = options.output != nullptr || options.error != nullptr;
    if (standardHandles) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = options.output;
        startup.hStdError = options.error != nullptr ? options.error : options.output;
    }
    std::wstring line = commandLine;  // CreateProcessW may write to it
    const wchar_t* folder =
        options.currentDirectory.empty() ? nullptr : options.currentDirectory.c_str();
    const bool started = ::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr,
                                          options.inheritHandles || standardHandles ? TRUE : FALSE,
                                          options.job || options.suspended ? CREATE_SUSPENDED : 0,
                                          nullptr, folder, &startup, info_.Put()) != FALSE;
    if (started && options.job != nullptr) {  // suspended until it is in the job
        EXPECT_TRUE(::AssignProcessToJobObject(options.job, info_.Process()));
        if (!options.suspended) {
            Resume();
        }
    }
}

}  // namespace langsetup::test
