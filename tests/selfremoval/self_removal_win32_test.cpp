// The Win32 pieces of self-removal, in the test's own process.
#include "selfremoval/self_removal_win32.h"

#include <gtest/gtest.h>

#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

TEST(SelfRemovalWin32, TemporaryFolderIsNeverCut) {
    ScratchDir scratch;
    // Longer than MAX_PATH: a 260-unit buffer would cut it.
    std::wstring longFolder = scratch.Path();
    while (longFolder.size() < 300) {
        longFolder += L"\\a-rather-long-folder-name";
    }
    const ScopedVariable tmp(L"TMP", longFolder);
    const ScopedVariable temp(L"TEMP", longFolder);
    // The platform may refuse it (it reports at most MAX_PATH + 1 units), but never in part.
    if (const std::optional<std::u16string> folder = TemporaryFolder()) {
        EXPECT_EQ(ToWide(*folder), longFolder + L"\\");
    }
}

TEST(SelfRemovalWin32, FolderTooLongForATemporaryFileNameMakesNoFile) {
    ScratchDir scratch;
    std::wstring folder = scratch.Path() + L"\\";
    folder += std::wstring(MAX_PATH - 14 + 1 - folder.size(), L'f');
    MakeDirectory(folder);
    EXPECT_FALSE(CreateTemporaryFile(ToU16(folder)).has_value());
    EXPECT_FALSE(CreateTemporaryFile(ToU16(folder + L"\\")).has_value());
    EXPECT_EQ(SnapshotTree(scratch.Path()).size(), 1u);  // the folder alone
}

TEST(SelfRemovalWin32, TemporaryFileIsNewAndEmptyInTheFolder) {
    ScratchDir scratch(L"temp with blanks");
    const std::optional<std::u16string> path = CreateTemporaryFile(ToU16(scratch.Path() + L"\\"));
    ASSERT_TRUE(path.has_value());
    const std::wstring file = ToWide(*path);
    EXPECT_EQ(file.rfind(scratch.Path() + L"\\Del", 0), 0u) << Narrow(file);
    EXPECT_EQ(file.substr(file.size() - 4), L".tmp");
    const TreeSnapshot tree = SnapshotTree(scratch.Path());
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.begin()->second, 0);
}

// Wine keeps the attribute only on a copy to a new file, so the test copies to one; on Windows
// the copy over the temporary file takes the tool's attributes too.
TEST(SelfRemovalWin32, CopyOfAReadOnlyToolIsStillDeletedOnClose) {
    ScratchDir scratch;
    const std::wstring tool = scratch / L"langsetup.exe";
    const std::wstring copy = scratch / L"Del1.tmp";
    CopyFileOrFail(ToolPath(), tool);
    ASSERT_TRUE(::SetFileAttributesW(tool.c_str(), FILE_ATTRIBUTE_READONLY));

    UniqueFileHandle deleteOnClose = OpenDeleteOnCloseCopy(ToU16(tool), ToU16(copy));
    EXPECT_TRUE(deleteOnClose.IsValid());
    deleteOnClose.Reset();

    EXPECT_FALSE(FileExists(copy));
    EXPECT_NE(::GetFileAttributesW(tool.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

UniqueHandle Duplicate(HANDLE source, DWORD access) {
    UniqueHandle copy;
    ::DuplicateHandle(::GetCurrentProcess(), source, ::GetCurrentProcess(), copy.Put(), access,
                      FALSE, 0);
    return copy;
}

TEST(SelfRemovalWin32, OnlyAHandleToAnotherProcessIsWaitedOn) {
    const ChildProcess sleeper = StartTestProgram(L"selfremoval_sleeper.exe");
    ASSERT_TRUE(sleeper.Started());
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueFileHandle file(::CreateFileW(TestProgramPath(L"selfremoval_sleeper.exe").c_str(),
                                              GENERIC_READ | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(event.IsValid() && file.IsValid());
    EXPECT_EQ(CheckWaiterHandle(::GetCurrentProcess()), WaiterHandleCheck::kUnusable);

    // A process handle needs no more than SYNCHRONIZE. Threads, events, files and the waiter's
    // own process are never signalled while the waiter waits, whatever the handle's rights.
    const struct {
        const char* what;
        HANDLE source;
        DWORD rights;
        WaiterHandleCheck expected;
    } cases[] = {
        {"other process", sleeper.Handle(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
         WaiterHandleCheck::kProcess},
        {"other process, SYNCHRONIZE only", sleeper.Handle(), SYNCHRONIZE,
         WaiterHandleCheck::kProcess},
        {"own process", ::GetCurrentProcess(), PROCESS_ALL_ACCESS, WaiterHandleCheck::kUnusable},
        {"own process, SYNCHRONIZE only", ::GetCurrentProcess(), SYNCHRONIZE,
         WaiterHandleCheck::kUnusable},
        {"thread", ::GetCurrentThread(), THREAD_ALL_ACCESS, WaiterHandleCheck::kUnusable},
        {"thread, SYNCHRONIZE only", ::GetCurrentThread(), SYNCHRONIZE,
         WaiterHandleCheck::kUnusable},
        {"event, SYNCHRONIZE only", event.Get(), SYNCHRONIZE, WaiterHandleCheck::kUnusable},
        {"file, SYNCHRONIZE only", file.Get(), SYNCHRONIZE, WaiterHandleCheck::kUnusable},
    };
    for (const auto& c : cases) {
        const UniqueHandle handle = Duplicate(c.source, c.rights);
        ASSERT_TRUE(handle.IsValid()) << c.what;
        EXPECT_EQ(CheckWaiterHandle(handle.Get()), c.expected) << c.what;
    }

    // A value that names nothing (any more).
    UniqueHandle closed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE closedValue = closed.Get();
    closed.Reset();
    EXPECT_EQ(CheckWaiterHandle(closedValue), WaiterHandleCheck::kNotOpen);
    EXPECT_EQ(CheckWaiterHandle(HandleFromValue(0x7FFFFFFC)), WaiterHandleCheck::kNotOpen);
    EXPECT_EQ(CheckWaiterHandle(nullptr), WaiterHandleCheck::kNotOpen);
}

TEST(SelfRemovalWin32, HandleValuesAreSignExtended) {
    EXPECT_EQ(HandleFromValue(-1), INVALID_HANDLE_VALUE);
    EXPECT_EQ(HandleFromValue(-1), ::GetCurrentProcess());
    EXPECT_EQ(HandleFromValue(-2), ::GetCurrentThread());
    EXPECT_EQ(reinterpret_cast<INT_PTR>(HandleFromValue(76)), 76);
}

}  // namespace
}  // namespace langsetup::test
