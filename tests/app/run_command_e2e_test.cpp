// The built tool, run under Windows with real command lines.
#include <gtest/gtest.h>

#include "app/allocation_failure.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

using RunCommandEndToEnd = ToolCopyTest;

TEST_F(RunCommandEndToEnd, FormsThatDoNothingExitZeroAndTouchNoFile) {
    for (const wchar_t* arguments : {L"", L"/INSTALL", L"/Install", L"-install", L"install",
                                     L"/clean2", L"1031", L"de.exe", L"\"\"", L"/Clean"}) {
        ExpectRunChangesNothing(Quoted(tool_) + L" " + arguments);
    }
}

TEST_F(RunCommandEndToEnd, CommandLinesWithoutAProgramPathExitZero) {
    for (const wchar_t* line : {L"", L"   ", L"x"}) {
        ExpectRunChangesNothing(line);
    }
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
    EXPECT_TRUE(EndedWithExitZero(RunProcess(probe, L"probe none")));
}

}  // namespace
}  // namespace langsetup::test
