// /clean and the waiter form, run end to end with copies of the built tool.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

constexpr DWORD kBoundMs = 15000;

class CleanEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDirectory(root_ / L"app");
        MakeDirectory(temp_);
    }

    // How /clean starts: from the root, with TMP and TEMP naming temp_.
    ProcessOptions CleanOptions() const {
        ProcessOptions options(root_.Path());
        options.environment = {{L"TMP", temp_}, {L"TEMP", temp_}};
        return options;
    }
    // Runs the tool with /clean as `options` say, started by the spelling `startAs` of its path.
    ProcessResult Clean(const ProcessOptions& options, std::wstring startAs = {}) {
        if (startAs.empty()) {
            startAs = tool_;
        }
        return ChildProcess(startAs, Quoted(startAs) + L" /clean", options).Wait(kBoundMs);
    }
    ProcessResult Clean(HANDLE job = nullptr) {
        ProcessOptions options = CleanOptions();
        options.job = job;
        return Clean(options);
    }

    // Places the tool at `relativeTool` under the root, without running it.
    void Place(const std::wstring& relativeTool = L"app\\langsetup.exe") {
        relativeTool_ = relativeTool;
        tool_ = root_ / relativeTool;
        CopyFileOrFail(ToolPath(), tool_);
    }
    // The path of the tool's temporary copy, while there is one.
    std::optional<std::wstring> TemporaryCopy() const {
        WIN32_FIND_DATAW data;
        if (!UniqueFindHandle(::FindFirstFileW((temp_ + L"\\Del*.tmp").c_str(), &data))) {
            return std::nullopt;
        }
        return temp_ + L"\\" + data.cFileName;
    }
    bool CopyGone() const { return !TemporaryCopy(); }

    // Places the tool at `relativeTool` under the root and runs /clean. Returns the root's files
    // from before the run.
    TreeSnapshot PlaceAndClean(const std::wstring& relativeTool = L"app\\langsetup.exe",
                               HANDLE job = nullptr) {
        Place(relativeTool);
        const TreeSnapshot before = SnapshotTree(root_.Path());
        EXPECT_TRUE(EndedWithExitZero(Clean(job)));
        return before;
    }

    // The tool and its temporary copy are gone; every other file under the root is as before.
    void ExpectOnlyTheToolRemoved(TreeSnapshot before) {
        EXPECT_TRUE(WaitFor([&] { return !FileExists(tool_); }, kBoundMs)) << Narrow(tool_);
        EXPECT_TRUE(WaitFor([&] { return CopyGone(); }, kBoundMs));
        before.erase(relativeTool_);
        EXPECT_EQ(SnapshotTree(root_.Path()), before);
    }

    ScratchDir root_{L"langsetup-clean"};
    std::wstring temp_ = root_ / L"temp";
    std::wstring relativeTool_;
    std::wstring tool_;
};

TEST_F(CleanEndToEnd, RemovesTheToolAndThenItsTemporaryCopy) {
    MakeDirectory(root_ / L"app\\Languages");
    WriteTextFile(root_ / L"app\\Languages\\de.exe", "a module");
    WriteTextFile(root_ / L"app\\readme.txt", "beside the tool");
    WriteTextFile(root_ / L"temp\\Del0.tmp.keep", "someone else's file");
    ExpectOnlyTheToolRemoved(PlaceAndClean());
}

TEST_F(CleanEndToEnd, ToolInAFolderWithBlanksIsRemovedWhole) {
    MakeDirectory(root_ / L"My Tool 2");
    // What an unquoted own path would split into, as seen from the current folder.
    for (const wchar_t* decoy : {L"My", L"My.exe", L"Tool", L"Tool 2"}) {
        WriteTextFile(root_ / decoy, "decoy");
    }
    MakeDirectory(root_ / L"2");
    WriteTextFile(root_ / L"2\\langsetup.exe", "decoy");
    ExpectOnlyTheToolRemoved(PlaceAndClean(L"My Tool 2\\langsetup.exe"));
}

TEST_F(CleanEndToEnd, TemporaryFolderWithBlanksDeletesNoFragment) {
    // Unquoted, the copy's path would give it the arguments "0" and "decoy": a waiter that
    // deletes "decoy" at once.
    temp_ = root_ / L"tmp 0 decoy more";
    MakeDirectory(temp_);
    for (const wchar_t* decoy : {L"tmp", L"tmp.exe", L"0", L"decoy", L"decoy more"}) {
        WriteTextFile(root_ / decoy, "decoy");
    }
    MakeDirectory(root_ / L"more");
    WriteTextFile(root_ / L"more\\keep.txt", "decoy");
    ExpectOnlyTheToolRemoved(PlaceAndClean());
}

// The platform reports the folder with its backslash, and the tool adds "DelXXXXXXXX.tmp" to it:
// with more than 242 units the copy's path could reach MAX_PATH. Then no copy starts and the tool
// stays, also for a folder that the platform reports whole (252) and one that it refuses (300).
TEST_F(CleanEndToEnd, TemporaryFolderOfUpTo242UnitsWithItsBackslashServes) {
    for (const std::size_t length : {241, 242, 252, 300}) {
        SCOPED_TRACE(length);
        temp_ = root_ / (L"temp-" + std::to_wstring(length));
        MakeDirectory(temp_);
        while (temp_.size() < length) {
            const std::size_t left = length - temp_.size() - 1;  // after the next backslash
            temp_ += L"\\" + std::wstring(left > 100 ? 50 : left, L't');
            MakeDirectory(temp_);
        }
        if (length + 1 <= 242) {
            ExpectOnlyTheToolRemoved(PlaceAndClean());
        } else {
            // A second after /clean has ended every file, the tool among them, is as before.
            tool_ = root_ / L"app\\langsetup.exe";
            CopyFileOrFail(ToolPath(), tool_);
            ExpectRunLeavesFolderUnchanged(
                root_.Path(), [&] { return Clean(); }, 1000);
        }
    }
}

// Windows starts the tool by the spelling it was given: another drive letter for a folder above
// it (subst, a mapped share), or 8.3 short names.
TEST_F(CleanEndToEnd, RemovesTheToolStartedThroughAnotherDriveLetter) {
    const ScopedDriveLetter drive(root_.Path());
    Place();
    const TreeSnapshot before = SnapshotTree(root_.Path());
    EXPECT_TRUE(EndedWithExitZero(Clean(CleanOptions(), drive / L"app\\langsetup.exe")));
    ExpectOnlyTheToolRemoved(before);
}

TEST_F(CleanEndToEnd, RemovesTheToolStartedByItsShortPath) {
    Place();
    // Whether a program started by a short path is told that path: Windows tells it, Wine hands
    // every program its long path.
    const std::wstring sample = root_ / L"app\\sample module.exe";
    CopyFileOrFail(TestProgramPath(L"sample_module.exe"), sample);
    ASSERT_TRUE(EndedWithExitZero(RunProcess(ShortPath(sample), L"x", temp_)));
    const std::string record = ReadTextFile(temp_ + L"\\module-record.txt").value_or("");
    if (record.find("module: " + Narrow(ShortPath(sample)) + "\n") == std::string::npos) {
        GTEST_SKIP() << "this platform hands a program started by its short path the long one, "
                        "so the tool runs exactly as when started by its long path: "
                     << record;
    }
    ::DeleteFileW(sample.c_str());
    const TreeSnapshot before = SnapshotTree(root_.Path());
    EXPECT_TRUE(EndedWithExitZero(Clean(CleanOptions(), ShortPath(tool_))));
    ExpectOnlyTheToolRemoved(before);
}

// A scanner or the system can map the tool's file for a moment after its process has ended: the
// waiter keeps trying for two seconds. Meanwhile a caller reading /clean's output is not kept
// waiting: the waiter holds no handle of the caller's.
TEST_F(CleanEndToEnd, AToolMappedForAMomentAfterItEndedStillGoesButNotOneHeldLonger) {
    for (const bool heldLonger : {false, true}) {
        SCOPED_TRACE(heldLonger ? "held past the retries" : "held for a second");
        Place();
        const TreeSnapshot before = SnapshotTree(root_.Path());
        const std::optional<std::string> toolBytes = ReadTextFile(tool_);
        UniqueFileHandle file(::CreateFileW(tool_.c_str(), GENERIC_READ | GENERIC_EXECUTE,
                                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        UniqueHandle section(
            ::CreateFileMappingW(file.Get(), nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
        UniqueMappedView view(::MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0));
        ASSERT_TRUE(view);
        file.Reset();
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        UniqueHandle reader;
        UniqueHandle writer;
        ASSERT_TRUE(::CreatePipe(reader.Put(), writer.Put(), &inherit, 0));
        ProcessOptions options = CleanOptions();
        options.output = writer.Get();

        EXPECT_TRUE(EndedWithExitZero(Clean(options)));
        writer.Reset();
        const auto pipeClosed = [&] {
            // /clean's trail is read first: a pipe that still holds something is not closed.
            char trail[4096];
            DWORD available = 0;
            DWORD read = 0;
            while (::PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, &available, nullptr) &&
                   available > 0 &&
                   ::ReadFile(reader.Get(), trail, sizeof(trail), &read, nullptr)) {
            }
            return !::PeekNamedPipe(reader.Get(), nullptr, 0, nullptr, nullptr, nullptr) &&
                   ::GetLastError() == ERROR_BROKEN_PIPE;
        };
        EXPECT_TRUE(WaitFor(pipeClosed, 500));
        // The copy that waits is the tool byte for byte: a signed tool has a signed copy.
        EXPECT_EQ(ReadTextFile(TemporaryCopy().value_or(L"")), toolBytes);
        if (heldLonger) {
            EXPECT_TRUE(WaitFor([&] { return CopyGone(); }, kBoundMs));  // the waiter gave up
        } else {
            ::Sleep(1000);
        }
        view.Reset();
        section.Reset();
        if (heldLonger) {
            ::Sleep(500);
            EXPECT_TRUE(FileExists(tool_));
        } else {
            ExpectOnlyTheToolRemoved(before);
        }
    }
}

// The tool's folder is exchanged for a link to a folder that holds another langsetup.exe (a copy
// of the tool) the moment the running tool first opens the folder: under Wine that is its own
// loader looking for a DLL beside it, or else /clean opening the folder to find its own file.
TEST_F(CleanEndToEnd, ToolFolderSwappedWhenTheToolOpensItNeverCostsTheOtherFolderItsTool) {
    Place();
    MakeDirectory(root_ / L"other");
    CopyFileOrFail(ToolPath(), root_ / L"other\\langsetup.exe");
    ASSERT_TRUE(RunLinuxShell("ln -s other " + ShellQuoted(LinuxPath(root_ / L"link"))));
    ProcessOptions options = CleanOptions();
    options.suspended = true;  // the program is in place before anything is swapped
    ChildProcess clean(tool_, Quoted(tool_) + L" /clean", options);
    const PathSwap swap(root_ / L"app", root_ / L"link", "open", root_ / L"app");
    clean.Resume();
    EXPECT_TRUE(EndedWithExitZero(clean.Wait(kBoundMs)));
    EXPECT_TRUE(swap.Happened(kBoundMs));
    EXPECT_TRUE(WaitFor([&] { return CopyGone(); }, kBoundMs));
    EXPECT_TRUE(FileExists(root_ / L"other\\langsetup.exe"));
}

// Another program of the tool's folder has its name exchanged with the tool's, again and again,
// while /clean runs: the copy that waits is made of the bytes of the file proved to be the
// running tool, never the other program, which therefore never runs.
TEST_F(CleanEndToEnd, NameExchangedWithAnotherProgramNeverRunsTheOther) {
    const std::wstring other = root_ / L"app\\other.exe";
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE(run);
        Place();
        CopyFileOrFail(TestProgramPath(L"intruder.exe"), other);
        PathSwap swap(tool_, other, "now", L"", "", true);
        EXPECT_TRUE(EndedWithExitZero(Clean()));
        swap.Stop();
        EXPECT_TRUE(WaitFor([&] { return CopyGone(); }, kBoundMs));
        EXPECT_FALSE(FileExists(temp_ + L"\\intruder-record.txt"));
        for (const std::wstring& file : {tool_, other}) {
            ::DeleteFileW(file.c_str());
        }
    }
}

// Started with its path unquoted and nothing else, "...\Pexalo 0 data\langsetup.exe" splits into
// the waiter form: handle 0 and the path "data\langsetup.exe", relative to the current directory.
TEST_F(CleanEndToEnd, UnquotedOwnPathReadAsAWaiterWithARelativePathDeletesNothing) {
    MakeDirectory(root_ / L"Pexalo 0 data");
    MakeDirectory(root_ / L"data");
    WriteTextFile(root_ / L"data\\langsetup.exe", "someone else's tool");
    tool_ = root_ / L"Pexalo 0 data\\langsetup.exe";
    CopyFileOrFail(ToolPath(), tool_);
    ExpectRunLeavesFolderUnchanged(
        root_.Path(), [&] { return RunProcess(tool_, tool_, root_.Path(), kBoundMs); });
}

// Installers and CI runners start the tool in a job that ends every process left in it when the
// job is closed, which can happen as soon as the tool has ended.
TEST_F(CleanEndToEnd, RemovesTheToolFromInsideAJobThatKillsOnClose) {
    for (const bool breakawayAllowed : {true, false}) {
        SCOPED_TRACE(breakawayAllowed ? "breakaway allowed" : "breakaway refused");
        UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
            (breakawayAllowed ? JOB_OBJECT_LIMIT_BREAKAWAY_OK : 0);
        ASSERT_TRUE(::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                              sizeof(limits)));

        const TreeSnapshot before = PlaceAndClean(L"app\\langsetup.exe", job.Get());
        // The tool has ended. A waiter that left the job outlives it; one that could not leave
        // it (as before) needs the job to stay open until it is done.
        if (!breakawayAllowed) {
            EXPECT_TRUE(WaitFor([&] { return !FileExists(tool_); }, kBoundMs));
        }
        job.Reset();
        ExpectOnlyTheToolRemoved(before);
    }
}

std::wstring HandleText(HANDLE handle) {
    return std::to_wstring(static_cast<long>(reinterpret_cast<INT_PTR>(handle)));
}

// The waiter form typed by hand or passed by a test.
class WaiterEndToEnd : public ToolCopyTest {
protected:
    void SetUp() override {
        ToolCopyTest::SetUp();
        WriteTextFile(victim_, "the file the waiter is told to delete");
    }

    // Starts the tool as the waiter on the sleeper's process, through an inherited handle with
    // `access`, to delete `file`.
    ChildProcess StartWaiter(const ChildProcess& sleeper, const std::wstring& file,
                             DWORD access = SYNCHRONIZE) const {
        UniqueHandle inherited;
        EXPECT_TRUE(::DuplicateHandle(::GetCurrentProcess(), sleeper.Handle(),
                                      ::GetCurrentProcess(), inherited.Put(), access, TRUE, 0));
        return StartTool(Quoted(tool_) + L" " + HandleText(inherited.Get()) + L" " + Quoted(file));
    }

    std::wstring victim_ = folder_ / L"victim file.txt";
};

// Zero, and a number that names no handle, leave nothing to wait for.
TEST_F(WaiterEndToEnd, HandTypedZeroOrNumberThatNamesNoHandleDeletesTheFileAtOnce) {
    for (const std::wstring handle : {L"0", L"2147483644"}) {
        SCOPED_TRACE(Narrow(handle));
        WriteTextFile(victim_, "the file the waiter is told to delete");
        const std::wstring line = Quoted(tool_) + L" " + handle + L" " + Quoted(victim_);
        EXPECT_TRUE(EndedWithExitZero(StartTool(line).Wait(kBoundMs)));
        EXPECT_FALSE(FileExists(victim_));
        EXPECT_TRUE(FileExists(folder_ / L"1031"));
    }
}

// A path that leads through a link names a file elsewhere, as after a swap of the tool's folder
// for a link before the waiter opened the file.
TEST_F(WaiterEndToEnd, AFileReachedThroughALinkIsNeverDeleted) {
    MakeDirectory(folder_ / L"other");
    WriteTextFile(folder_ / L"other\\langsetup.exe", "someone else's tool");
    ASSERT_TRUE(RunLinuxShell("ln -s other " + ShellQuoted(LinuxPath(folder_.Path()) + "/app")));
    ExpectRunChangesNothing(Quoted(tool_) + L" 0 " + Quoted(folder_ / L"app\\langsetup.exe"),
                            kBoundMs);
}

TEST_F(WaiterEndToEnd, MistypedSwitchesAndOtherTextDeleteNothing) {
    const std::wstring victim = Quoted(victim_);
    for (const std::wstring& arguments : std::initializer_list<std::wstring>{
             L"/INSTALL 1031", L"/Install de.exe", L"-install 1031", L"de.exe 1031",
             L"12x " + victim, L"\"\" " + victim, L"0x0 " + victim, L"\"0 \" " + victim,
             // The form /clean passes, with handles that are not there: it never falls back to
             // the path.
             L"0 " + victim + L" 8 12", L"2147483644 " + victim + L" 2147483640 2147483636"}) {
        ExpectRunChangesNothing(Quoted(tool_) + L" " + arguments, kBoundMs);
    }
}

TEST_F(WaiterEndToEnd, PseudoHandlesEndInBoundedTimeAndDeleteNothing) {
    for (const wchar_t* handle : {L"-1", L"-2", L"-3", L"-4", L"-5", L"-6"}) {
        ExpectRunChangesNothing(Quoted(tool_) + L" " + handle + L" " + Quoted(victim_), kBoundMs);
    }
}

TEST_F(WaiterEndToEnd, InheritedHandleThatIsNotAProcessDoesNotHang) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const UniqueHandle event(::CreateEventW(&inherit, TRUE, FALSE, nullptr));  // never set
    ASSERT_TRUE(event.IsValid());
    ExpectRunChangesNothing(Quoted(tool_) + L" " + HandleText(event.Get()) + L" " + Quoted(victim_),
                            kBoundMs);
}

// A waiter started by hand or by an older tool, with the file's path in 8.3 short names or in
// another drive letter for a folder above it: every spelling of the real place is taken.
TEST_F(WaiterEndToEnd, HandTypedFormDeletesTheFileWhateverSpellingNamesIt) {
    const ScopedDriveLetter drive(folder_.Path());
    for (const bool shortNames : {false, true}) {
        SCOPED_TRACE(shortNames ? "short names" : "second drive letter");
        WriteTextFile(victim_, "the file the waiter is told to delete");
        const std::wstring path = shortNames ? ShortPath(victim_) : drive / L"victim file.txt";
        EXPECT_TRUE(EndedWithExitZero(StartTool(Quoted(tool_) + L" 0 " + Quoted(path)).Wait()));
        EXPECT_FALSE(FileExists(victim_)) << Narrow(path);
    }
}

TEST_F(WaiterEndToEnd, InheritedProcessHandleKeepsTheFileUntilThatProcessEnds) {
    // The rights the first process passes to its copy, and SYNCHRONIZE alone: all a wait needs,
    // the second time with the file named in 8.3 short names.
    for (const DWORD access :
         {DWORD{SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION}, DWORD{SYNCHRONIZE}}) {
        SCOPED_TRACE(access);
        WriteTextFile(victim_, "the file the waiter is told to delete");
        ChildProcess sleeper = StartTestProgram(L"selfremoval_sleeper.exe");
        ASSERT_TRUE(sleeper.Started());
        const std::wstring path = access == SYNCHRONIZE ? ShortPath(victim_) : victim_;
        const ChildProcess waiter = StartWaiter(sleeper, path, access);
        ASSERT_TRUE(waiter.Started());

        EXPECT_FALSE(waiter.EndsWithin(1500));
        EXPECT_TRUE(FileExists(victim_));

        sleeper.End();
        EXPECT_TRUE(waiter.EndsWithin(kBoundMs));
        EXPECT_FALSE(FileExists(victim_));
        EXPECT_TRUE(FileExists(folder_ / L"1031"));
    }
}

// While the waiter waits, the tool's folder is exchanged for a link to another folder (a waiter
// that looked the file up again only after its wait would delete through the link).
TEST_F(WaiterEndToEnd, ToolFolderSwappedForALinkWhileTheWaiterWaitsLeavesTheOtherFolder) {
    const std::wstring app = folder_ / L"app";
    const std::wstring other = folder_ / L"other";
    MakeDirectory(app);
    MakeDirectory(other);
    CopyFileOrFail(ToolPath(), app + L"\\langsetup.exe");
    WriteTextFile(other + L"\\langsetup.exe", "someone else's tool");
    ASSERT_TRUE(RunLinuxShell("ln -s " + ShellQuoted(LinuxPath(other)) + " " +
                              ShellQuoted(LinuxPath(folder_ / L"link"))));
    ChildProcess sleeper = StartTestProgram(L"selfremoval_sleeper.exe");
    ASSERT_TRUE(sleeper.Started());
    const ChildProcess waiter = StartWaiter(sleeper, app + L"\\langsetup.exe");
    ASSERT_TRUE(waiter.Started());
    ASSERT_FALSE(waiter.EndsWithin(1000));

    const PathSwap swap(app, folder_ / L"link", "now", L"");
    ASSERT_TRUE(swap.Happened(kBoundMs));
    sleeper.End();
    EXPECT_TRUE(waiter.EndsWithin(kBoundMs));
    EXPECT_EQ(ReadTextFile(other + L"\\langsetup.exe"), "someone else's tool");
}

}  // namespace
}  // namespace langsetup::test
