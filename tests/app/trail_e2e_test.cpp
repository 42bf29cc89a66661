// The trail of the built tool: which channels get it, what a log file must be, and that a pipe
// nobody reads holds nothing up.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/pipe_budget.h"
#include "support/trail_capture.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

class TrailEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::wstring& folder : {toolFolder_, elsewhere_, logs_, outside_}) {
            MakeDirectory(folder);
        }
        CopyFileOrFail(ToolPath(), tool_);
    }

    // Languages\de.exe, a sample module that /install 1031 runs; it records its run in the
    // tool's folder.
    void PlantModule() const {
        ::CreateDirectoryW((toolFolder_ + L"\\Languages").c_str(), nullptr);
        CopyFileOrFail(TestProgramPath(L"sample_module.exe"), toolFolder_ + L"\\Languages\\de.exe");
    }
    // Whether the module ran since the last call.
    bool ModuleRan() const {
        return ::DeleteFileW((toolFolder_ + L"\\module-record.txt").c_str()) != FALSE;
    }

    std::wstring CommandLine(const std::wstring& arguments) const {
        return Quoted(tool_) + L" " + arguments;
    }
    // Starts the tool with `arguments` from another folder than its own, with LANGSETUP_LOG set
    // to `log` (empty: nobody asks) and the standard handles of `options`.
    ChildProcess Start(const std::wstring& arguments, const std::wstring& log,
                       ProcessOptions options = ProcessOptions()) const {
        options.currentDirectory = elsewhere_;
        options.environment[L"LANGSETUP_LOG"] = log;
        return {tool_, CommandLine(arguments), options};
    }
    // The same, until it ends with exit code 0; its process id.
    DWORD Run(const std::wstring& arguments, const std::wstring& log,
              const ProcessOptions& options = ProcessOptions()) const {
        ChildProcess tool = Start(arguments, log, options);
        const DWORD id = ::GetProcessId(tool.Handle());
        EXPECT_TRUE(EndedWithExitZero(tool.Wait(30000)));
        return id;
    }

    // Expects `lines` to be a whole run's: each from process `id` and marked `step`, each at a
    // time between `since` and now, the first telling that it started with `arguments`, the
    // last that it ended.
    void ExpectRun(const std::vector<TrailLine>& lines, DWORD id, const std::string& step,
                   const std::wstring& arguments, const std::string& since) const {
        ASSERT_GE(lines.size(), 2u);
        const std::string now = UtcNow();
        for (const TrailLine& line : lines) {
            EXPECT_EQ(line.processId, id);
            EXPECT_EQ(line.step, step);
            EXPECT_TRUE(since <= line.time && line.time <= now) << line.time;
        }
        EXPECT_EQ(lines.front().text, StartedText(CommandLine(arguments)));
        EXPECT_EQ(lines.back().text, "ended, exit code 0");
    }

    // Runs `script` in the Linux shell inside the folder of logs, with $outside set.
    bool Linux(const std::string& script) const {
        return RunLinuxShell("cd " + ShellQuoted(LinuxPath(logs_)) +
                             " && outside=" + ShellQuoted(LinuxPath(outside_)) + " && " + script);
    }

    ScratchDir scratch_{L"langsetup trail"};
    std::wstring toolFolder_ = scratch_ / L"tool";
    std::wstring tool_ = toolFolder_ + L"\\langsetup.exe";
    std::wstring elsewhere_ = scratch_ / L"elsewhere";
    std::wstring logs_ = scratch_ / L"logs";
    std::wstring outside_ = scratch_ / L"outside";
};

TEST_F(TrailEndToEnd, AStandardOutputThatIsAPipeOrADiskFileGetsTheTrail) {
    for (const bool toFile : {false, true}) {
        SCOPED_TRACE(toFile ? "disk file" : "pipe");
        PlantModule();
        OutputPipe pipe;
        UniqueFileHandle file = InheritableFile(scratch_ / L"output.txt");
        ProcessOptions options;
        options.output = toFile ? file.Get() : pipe.WriteEnd();
        const std::string since = UtcNow();
        const DWORD id = Run(L"/install 1031", L"", options);
        file.Reset();
        const std::string trail =
            toFile ? ReadTextFile(scratch_ / L"output.txt").value_or("") : pipe.ReadAll();
        ExpectRun(ReadTrail(trail), id, "install", L"/install 1031", since);
        EXPECT_TRUE(ModuleRan());
    }
}

TEST_F(TrailEndToEnd, TheLogIsCreatedWhenMissingAndAppendedTo) {
    const std::wstring log = logs_ + L"\\trail.log";
    const std::string since = UtcNow();
    const DWORD first = Run(L"/Install", log);
    const DWORD second = Run(L"1031", log);
    const std::vector<TrailLine> lines = ReadTrail(ReadTextFile(log).value_or(""));
    ASSERT_EQ(lines.size(), 4u);
    ExpectRun({lines[0], lines[1]}, first, "nothing", L"/Install", since);
    ExpectRun({lines[2], lines[3]}, second, "nothing", L"1031", since);
}

// Elevated installers may name a log in a folder that others can write: the tool writes only to
// a plain file of its own there. A refused log leaves the run as it is, standard output included.
TEST_F(TrailEndToEnd, ALogThatIsNoPlainFileOfItsOwnIsRefusedAndTheRunStaysTheSame) {
    WriteTextFile(outside_ + L"\\victim.txt", "someone else's file\r\n");
    WriteTextFile(logs_ + L"\\plain.log", "an earlier trail\r\n");
    WriteTextFile(logs_ + L"\\read-only.log", "an earlier trail\r\n");
    ASSERT_TRUE(
        ::SetFileAttributesW((logs_ + L"\\read-only.log").c_str(), FILE_ATTRIBUTE_READONLY));
    MakeDirectory(logs_ + L"\\folder.log");
    ASSERT_TRUE(::CreateHardLinkW((logs_ + L"\\hard.log").c_str(),
                                  (outside_ + L"\\victim.txt").c_str(), nullptr));
    ASSERT_TRUE(
        Linux("ln -s \"$outside/victim.txt\" file-link.log && "
              "ln -s \"$outside/missing.txt\" dangling.log && "
              "ln -s \"$outside\" folder-link.log"));
    for (const std::wstring& log : {
             logs_ + L"\\file-link.log",
             logs_ + L"\\dangling.log",
             logs_ + L"\\folder-link.log",
             logs_ + L"\\hard.log",
             logs_ + L"\\folder.log",
             logs_ + L"\\read-only.log",
             logs_ + L"\\no such folder\\trail.log",
             logs_ + L"\\plain.log:stream",
             logs_ + L"\\..\\outside\\victim.txt",
             std::wstring(L"trail.log"),  // relative to wherever the tool is
             std::wstring(L"..\\logs\\plain.log"),
         }) {
        SCOPED_TRACE(Narrow(log));
        const TreeContents logsBefore = ReadTree(logs_);
        const TreeContents outsideBefore = ReadTree(outside_);
        PlantModule();
        UniqueFileHandle output = InheritableFile(scratch_ / L"output.txt");
        ProcessOptions options;
        options.output = output.Get();
        const std::string since = UtcNow();
        const DWORD id = Run(L"/install 1031", log, options);
        output.Reset();
        EXPECT_TRUE(ModuleRan());
        ExpectRun(ReadTrail(ReadTextFile(scratch_ / L"output.txt").value_or("")), id, "install",
                  L"/install 1031", since);
        EXPECT_EQ(ReadTree(logs_), logsBefore);
        EXPECT_EQ(ReadTree(outside_), outsideBefore);
        EXPECT_TRUE(ReadTree(elsewhere_).empty());
        EXPECT_FALSE(FileExists(toolFolder_ + L"\\trail.log"));
    }
}

// What goes to a pipe fits its buffer, so that a caller who never reads it never holds the tool
// up; a disk file gets everything.
TEST_F(TrailEndToEnd, APipeNobodyReadsGetsNoMoreThanItsBufferAndHoldsNothingUp) {
    const std::wstring longArguments(30000, L'x');
    // A disk file takes a line that no pipe would.
    {
        UniqueFileHandle file = InheritableFile(scratch_ / L"output.txt");
        ProcessOptions options;
        options.output = file.Get();
        const std::string since = UtcNow();
        const DWORD id = Run(longArguments, L"", options);
        file.Reset();
        ExpectRun(ReadTrail(ReadTextFile(scratch_ / L"output.txt").value_or("")), id, "nothing",
                  longArguments, since);
    }
    const struct {
        std::wstring arguments;
        std::string step;
        bool cut;  // the first line alone is longer than the pipe's budget
    } cases[] = {
        {L"/install 1031", "install", false},
        {longArguments, "nothing", true},
        {L"/clean", "clean", false},  // the last: the tool is gone afterwards
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.arguments.substr(0, 20)));
        PlantModule();
        OutputPipe pipe;
        ProcessOptions options;
        options.output = pipe.WriteEnd();
        const std::string since = UtcNow();
        const DWORD id = Run(c.arguments, L"", options);
        const std::string trail = pipe.ReadAll();
        EXPECT_LE(trail.size(), kPipeBudgetBytes);
        const std::vector<TrailLine> lines = ReadTrail(trail);
        if (!c.cut) {
            ExpectRun(lines, id, c.step, c.arguments, since);
        } else {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0].text, "trail cut here");
        }
    }
}

// What the trail tells of a fault: its key line, with the platform's error where there is one.
TEST_F(TrailEndToEnd, EachFaultIsToldByItsLine) {
    const std::wstring log = logs_ + L"\\trail.log";
    const std::string folder = Narrow(toolFolder_);
    UniqueFileHandle held;
    const struct {
        const char* what;
        std::function<void()> make;
        std::string line;  // the start of the line that tells it
    } faults[] = {
        {"no module",
         [&] { MakeDirectory(toolFolder_ + L"\\Languages"); },
         "no module " + folder + "\\Languages\\de.exe, no " + folder + "\\de.exe"},
        {"a folder of the copy's name",
         [&] { PlantModule(); MakeDirectory(toolFolder_ + L"\\de.exe"); },
         folder + "\\Languages\\de.exe not copied to " + folder + "\\de.exe, nothing runs: error "},
        {"a module held open by another program",
         [&] {
             PlantModule();
             held.Reset(::CreateFileW((toolFolder_ + L"\\Languages\\de.exe").c_str(), GENERIC_READ,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr));
         },
         folder + "\\Languages\\de.exe not copied to " + folder + "\\de.exe, nothing runs: error 32 ("},
        {"a module that crashes",
         [&] { PlantModule(); WriteTextFile(toolFolder_ + L"\\module-crash.txt", "crash"); },
         "module ended: "},
        {"Languages a link",
         [&] { Linux("ln -s \"$outside\" " + ShellQuoted(LinuxPath(toolFolder_ + L"\\Languages"))); },
         "Languages is a link"},
    };
    for (const auto& c : faults) {
        SCOPED_TRACE(c.what);
        RemoveTree(toolFolder_);
        ::DeleteFileW(log.c_str());
        MakeDirectory(toolFolder_);
        CopyFileOrFail(ToolPath(), tool_);
        c.make();
        Run(L"/install 1031", log);
        held.Reset();
        const std::string trail = ReadTextFile(log).value_or("");
        bool told = false;
        for (const TrailLine& line : ReadTrail(trail)) {
            told = told || line.text.starts_with(c.line);
        }
        EXPECT_TRUE(told) << trail;
        if (std::string(c.what) == "a module that crashes") {
            EXPECT_NE(trail.find(", exit code 3221225477"), std::string::npos) << trail;
        }
    }
}

// /clean's first process and its waiter append to the one log, the waiter through the handle it
// was handed: its lines tell how the tool's file went, or that it stayed.
TEST_F(TrailEndToEnd, StageOneAndTheWaiterAppendToOneLog) {
    const std::wstring log = logs_ + L"\\trail.log";
    const std::wstring temp = scratch_ / L"temp";
    MakeDirectory(temp);
    for (const bool heldLonger : {false, true}) {
        SCOPED_TRACE(heldLonger ? "the tool's file held past the retries" : "the tool goes");
        ::DeleteFileW(log.c_str());
        CopyFileOrFail(ToolPath(), tool_);
        UniqueFileHandle file(::CreateFileW(tool_.c_str(), GENERIC_READ | GENERIC_EXECUTE,
                                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        UniqueHandle section(
            ::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
        UniqueMappedView view(heldLonger ? ::MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0)
                                         : nullptr);
        file.Reset();
        section.Reset();
        ProcessOptions options;
        options.environment = {{L"TMP", temp}, {L"TEMP", temp}};
        const DWORD first = Run(L"/clean", log, options);
        const std::string last = heldLonger ? "gave up on " : "deleted ";
        std::vector<TrailLine> lines;
        EXPECT_TRUE(WaitFor([&] {
            lines = ReadTrail(ReadTextFile(log).value_or(""));
            return !lines.empty() && lines.back().step == "waiter" &&
                   lines.back().text == "ended, exit code 0";
        }));
        view.Reset();
        bool ready = false;
        bool told = false;
        for (const TrailLine& line : lines) {
            ready = ready || (line.processId == first && line.text == "waiter ready");
            told = told || (line.processId != first && line.step == "waiter" &&
                            line.text.starts_with(last + Narrow(tool_)));
        }
        EXPECT_TRUE(ready && told) << ReadTextFile(log).value_or("");
        EXPECT_EQ(FileExists(tool_), heldLonger);
    }
}

// A GUI program started from Explorer or by an installer has no standard output; one started
// from a console has a character device. Standard error is never used.
TEST_F(TrailEndToEnd, NobodyAskingMeansNoFileAndNoOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const UniqueFileHandle nul(::CreateFileW(L"NUL", GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                             OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(nul.IsValid());
    for (const HANDLE output : {INVALID_HANDLE_VALUE, nul.Get()}) {
        OutputPipe error;
        ProcessOptions options;
        options.output = output;
        options.error = error.WriteEnd();
        ExpectRunLeavesFolderUnchanged(scratch_.Path(),
                                       [&] { return Start(L"/Install", L"", options).Wait(); });
        EXPECT_EQ(error.ReadAll(), "");
    }
}

}  // namespace
}  // namespace langsetup::test
