// /clean and the waiter form, run end to end with copies of the built tool.
#include <gtest/gtest.h>

#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

constexpr DWORD kBoundMs = 15000;

bool HasTemporaryCopies(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    const UniqueFindHandle search(::FindFirstFileW((folder + L"\\Del*.tmp").c_str(), &data));
    return search.IsValid();
}

class CleanEndToEnd : public ::testing::Test {
protected:
    // Places the tool at `relativeTool` under the root and runs it with /clean from the root, in
    // `job` when there is one, with TMP and TEMP naming `relativeTemp`. Returns the root's files
    // from before the run.
    TreeSnapshot PlaceAndClean(const std::wstring& relativeTool, const std::wstring& relativeTemp,
                               HANDLE job = nullptr) {
        tool_ = root_ / relativeTool;
        temp_ = root_ / relativeTemp;
        CopyFileOrFail(ToolPath(), tool_);
        const TreeSnapshot before = SnapshotTree(root_.Path());
        EXPECT_TRUE(EndedWithExitZero(Clean(job)));
        return before;
    }

    // Runs the tool with /clean from the root, in `job` when there is one, with TMP and TEMP
    // naming temp_.
    ProcessResult Clean(HANDLE job = nullptr) {
        ProcessOptions options(root_.Path());
        options.environment = {{L"TMP", temp_}, {L"TEMP", temp_}};
        options.job = job;
        return ChildProcess(tool_, Quoted(tool_) + L" /clean", options).Wait(kBoundMs);
    }

    // The tool and its temporary copy are gone; every other file under the root is as before.
    void ExpectOnlyTheToolRemoved(TreeSnapshot before, const std::wstring& relativeTool) {
        EXPECT_TRUE(WaitFor([&] { return !FileExists(tool_); }, kBoundMs)) << Narrow(tool_);
        EXPECT_TRUE(WaitFor([&] { return !HasTemporaryCopies(temp_); }, kBoundMs));
        before.erase(relativeTool);
        EXPECT_EQ(SnapshotTree(root_.Path()), before);
    }

    // Makes nested folders "temp\<segment>\<segment>..." under the root until the full path is
    // at least `minLength` units long; returns it relative to the root.
    std::wstring MakeNestedTemp(std::size_t minLength, const std::wstring& segment) {
        std::wstring temp = L"temp";
        MakeDirectory(root_ / temp);
        while ((root_ / temp).size() < minLength) {
            temp += L"\\" + segment;
            MakeDirectory(root_ / temp);
        }
        return temp;
    }

    // With TMP and TEMP naming `relativeTemp`, /clean starts no copy: a second later every
    // file under the root, the tool among them, is as before.
    void ExpectCleanStartsNoCopy(const std::wstring& relativeTemp) {
        MakeDirectory(root_ / L"tool");
        tool_ = root_ / L"tool\\langsetup.exe";
        temp_ = root_ / relativeTemp;
        CopyFileOrFail(ToolPath(), tool_);
        ExpectRunLeavesFolderUnchanged(
            root_.Path(), [&] { return Clean(); }, 1000);
    }

    ScratchDir root_{L"langsetup-clean"};
    std::wstring tool_;
    std::wstring temp_;
};

TEST_F(CleanEndToEnd, RemovesTheToolAndThenItsTemporaryCopy) {
    MakeDirectory(root_ / L"tool");
    MakeDirectory(root_ / L"temp");
    MakeDirectory(root_ / L"tool\\Languages");
    WriteTextFile(root_ / L"tool\\Languages\\de.exe", "a module");
    WriteTextFile(root_ / L"tool\\readme.txt", "beside the tool");
    WriteTextFile(root_ / L"temp\\Del0.tmp.keep", "someone else's file");
    const TreeSnapshot before = PlaceAndClean(L"tool\\langsetup.exe", L"temp");
    ExpectOnlyTheToolRemoved(before, L"tool\\langsetup.exe");
}

TEST_F(CleanEndToEnd, ToolInAFolderWithBlanksIsRemovedWhole) {
    MakeDirectory(root_ / L"My Tool 2");
    MakeDirectory(root_ / L"temp");
    // What an unquoted own path would split into, as seen from the current folder.
    for (const wchar_t* decoy : {L"My", L"My.exe", L"Tool", L"Tool 2"}) {
        WriteTextFile(root_ / decoy, "decoy");
    }
    MakeDirectory(root_ / L"2");
    WriteTextFile(root_ / L"2\\langsetup.exe", "decoy");
    const TreeSnapshot before = PlaceAndClean(L"My Tool 2\\langsetup.exe", L"temp");
    ExpectOnlyTheToolRemoved(before, L"My Tool 2\\langsetup.exe");
}

TEST_F(CleanEndToEnd, TemporaryFolderWithBlanksDeletesNoFragment) {
    // Unquoted, the copy's path would give it the arguments "0" and "decoy": a waiter that
    // deletes "decoy" at once.
    MakeDirectory(root_ / L"tool");
    MakeDirectory(root_ / L"tmp 0 decoy more");
    for (const wchar_t* decoy : {L"tmp", L"tmp.exe", L"0", L"decoy", L"decoy more"}) {
        WriteTextFile(root_ / decoy, "decoy");
    }
    MakeDirectory(root_ / L"more");
    WriteTextFile(root_ / L"more\\keep.txt", "decoy");
    const TreeSnapshot before = PlaceAndClean(L"tool\\langsetup.exe", L"tmp 0 decoy more");
    ExpectOnlyTheToolRemoved(before, L"tool\\langsetup.exe");
}

TEST_F(CleanEndToEnd, TemporaryFolderTooLongForATemporaryFileNameStartsNoCopy) {
    // The platform reports the folder whole, but a temporary file name in it would not fit
    // MAX_PATH: no copy starts and the tool stays.
    std::wstring temp = MakeNestedTemp(230, L"long-folder");
    temp += L"\\" + std::wstring(252 - (root_ / temp).size() - 1, L't');
    MakeDirectory(root_ / temp);
    ASSERT_EQ((root_ / temp).size(), 252u);
    ExpectCleanStartsNoCopy(temp);
}

TEST_F(CleanEndToEnd, TemporaryFolderLongerThanMaxPathStartsNoCopy) {
    ExpectCleanStartsNoCopy(MakeNestedTemp(300, L"a-long-folder-name"));
}

// Installers and CI runners start the tool in a job that ends every process left in it when the
// job is closed, which can happen as soon as the tool has ended.
TEST_F(CleanEndToEnd, RemovesTheToolFromInsideAJobThatKillsOnClose) {
    for (const bool breakawayAllowed : {true, false}) {
        SCOPED_TRACE(breakawayAllowed ? "breakaway allowed" : "breakaway refused");
        const std::wstring tool = breakawayAllowed ? L"tool-a" : L"tool-b";
        MakeDirectory(root_ / tool);
        if (!DirectoryExists(root_ / L"temp")) {
            MakeDirectory(root_ / L"temp");
        }
        UniqueHandle job(::CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
            (breakawayAllowed ? JOB_OBJECT_LIMIT_BREAKAWAY_OK : 0);
        ASSERT_TRUE(::SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                              sizeof(limits)));

        const TreeSnapshot before = PlaceAndClean(tool + L"\\langsetup.exe", L"temp", job.Get());
        // The tool has ended. A waiter that left the job outlives it; one that could not leave
        // it (as before) needs the job to stay open until it is done.
        if (!breakawayAllowed) {
            EXPECT_TRUE(WaitFor([&] { return !FileExists(tool_); }, kBoundMs));
        }
        job.Reset();
        ExpectOnlyTheToolRemoved(before, tool + L"\\langsetup.exe");
    }
}

// The waiter form typed by hand or passed by a test.
class WaiterEndToEnd : public ToolCopyTest {
protected:
    void SetUp() override {
        ToolCopyTest::SetUp();
        WriteTextFile(victim_, "the file the waiter is told to delete");
    }

    std::wstring victim_ = folder_ / L"victim file.txt";
};

TEST_F(WaiterEndToEnd, HandTypedZeroDeletesTheFileAtOnce) {
    EXPECT_TRUE(
        EndedWithExitZero(StartTool(Quoted(tool_) + L" 0 " + Quoted(victim_)).Wait(kBoundMs)));
    EXPECT_FALSE(FileExists(victim_));
    EXPECT_TRUE(FileExists(folder_ / L"1031"));
}

TEST_F(WaiterEndToEnd, HandTypedNumberThatNamesNoHandleDeletesAtOnce) {
    const std::wstring line = Quoted(tool_) + L" 2147483644 " + Quoted(victim_);
    EXPECT_TRUE(EndedWithExitZero(StartTool(line).Wait(kBoundMs)));
    EXPECT_FALSE(FileExists(victim_));
}

TEST_F(WaiterEndToEnd, MistypedSwitchesAndOtherTextDeleteNothing) {
    const std::wstring victim = Quoted(victim_);
    for (const std::wstring& arguments : std::initializer_list<std::wstring>{
             L"/INSTALL 1031", L"/Install de.exe", L"-install 1031", L"de.exe 1031",
             L"12x " + victim, L"\"\" " + victim, L"0x0 " + victim, L"\"0 \" " + victim}) {
        ExpectRunChangesNothing(Quoted(tool_) + L" " + arguments, kBoundMs);
    }
}

TEST_F(WaiterEndToEnd, PseudoHandlesEndInBoundedTimeAndDeleteNothing) {
    for (const wchar_t* handle : {L"-1", L"-2", L"-3", L"-4", L"-5", L"-6"}) {
        ExpectRunChangesNothing(Quoted(tool_) + L" " + handle + L" " + Quoted(victim_), kBoundMs);
    }
}

std::wstring HandleText(HANDLE handle) {
    return std::to_wstring(static_cast<long>(reinterpret_cast<INT_PTR>(handle)));
}

UniqueHandle InheritableEvent() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    return UniqueHandle(::CreateEventW(&inherit, TRUE, FALSE, nullptr));
}

TEST_F(WaiterEndToEnd, InheritedHandleThatIsNotAProcessDoesNotHang) {
    const UniqueHandle event = InheritableEvent();  // never set
    ASSERT_TRUE(event.IsValid());
    ExpectRunChangesNothing(Quoted(tool_) + L" " + HandleText(event.Get()) + L" " + Quoted(victim_),
                            kBoundMs);
}

TEST_F(WaiterEndToEnd, InheritedProcessHandleKeepsTheFileUntilThatProcessEnds) {
    // The rights the first process passes to its copy, and SYNCHRONIZE alone: all a wait needs.
    for (const DWORD access :
         {DWORD{SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION}, DWORD{SYNCHRONIZE}}) {
        SCOPED_TRACE(access);
        WriteTextFile(victim_, "the file the waiter is told to delete");
        ChildProcess sleeper = StartTestProgram(L"selfremoval_sleeper.exe");
        ASSERT_TRUE(sleeper.Started());
        UniqueHandle inherited;
        ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), sleeper.Handle(),
                                      ::GetCurrentProcess(), inherited.Put(), access, TRUE, 0));
        const ChildProcess waiter =
            StartTool(Quoted(tool_) + L" " + HandleText(inherited.Get()) + L" " + Quoted(victim_));
        ASSERT_TRUE(waiter.Started());
        inherited.Reset();

        EXPECT_FALSE(waiter.EndsWithin(1500));
        EXPECT_TRUE(FileExists(victim_));

        sleeper.End();
        EXPECT_TRUE(waiter.EndsWithin(kBoundMs));
        EXPECT_FALSE(FileExists(victim_));
        EXPECT_TRUE(FileExists(folder_ / L"1031"));
    }
}

}  // namespace
}  // namespace langsetup::test
