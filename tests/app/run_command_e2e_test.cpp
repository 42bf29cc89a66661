// The built tool, run under Windows with real command lines.
#include <gtest/gtest.h>

#include "app/allocation_failure.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

class RunCommandEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFileOrFail(ToolPath(), tool_);
        WriteTextFile(folder_ / L"1031", "a file named like an argument");
        WriteTextFile(folder_ / L"de.exe", "a file named like a module");
    }

    // Runs the tool with `line` as its whole command line, from its own folder.
    void ExpectExitZeroAndFolderUnchanged(const std::wstring& line) {
        const TreeSnapshot before = SnapshotTree(folder_.Path());
        const ProcessResult result = RunProcess(tool_, line, folder_.Path());
        ASSERT_TRUE(result.started) << Narrow(line);
        ASSERT_FALSE(result.timedOut) << Narrow(line);
        EXPECT_EQ(result.exitCode, 0u) << Narrow(line);
        EXPECT_EQ(SnapshotTree(folder_.Path()), before) << Narrow(line);
    }

    ScratchDir folder_{L"langsetup run"};
    std::wstring tool_ = folder_ / L"langsetup.exe";
};

TEST_F(RunCommandEndToEnd, FormsThatDoNothingExitZeroAndTouchNoFile) {
    for (const wchar_t* arguments : {L"", L"/INSTALL", L"/Install", L"-install", L"install",
                                     L"/clean2", L"1031", L"de.exe", L"\"\"", L"/Clean"}) {
        ExpectExitZeroAndFolderUnchanged(L"\"" + tool_ + L"\" " + std::wstring(arguments));
    }
}

TEST_F(RunCommandEndToEnd, CommandLinesWithoutAProgramPathExitZero) {
    ExpectExitZeroAndFolderUnchanged(L"");
    ExpectExitZeroAndFolderUnchanged(L"   ");
    ExpectExitZeroAndFolderUnchanged(L"x");
}

// Running out of memory ends a program built like the tool at once, with its own exit code and no
// message box (which would keep an installer waiting for ever).
TEST(AllocationFailure, EndsTheProcessAtOnceWithItsExitCode) {
    const std::wstring probe = TestProgramPath(L"allocation_failure_probe.exe");
    for (const wchar_t* how : {L"new", L"length"}) {
        const ProcessResult result = RunProcess(probe, L"probe " + std::wstring(how), L"", 15000);
        ASSERT_TRUE(result.started);
        EXPECT_FALSE(result.timedOut) << Narrow(how);
        EXPECT_EQ(result.exitCode, kAllocationFailureExitCode) << Narrow(how);
    }
    EXPECT_EQ(RunProcess(probe, L"probe none").exitCode, 0u);
}

}  // namespace
}  // namespace langsetup::test
