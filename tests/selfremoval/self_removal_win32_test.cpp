// The Win32 pieces of self-removal, in the test's own process.
#include "selfremoval/self_removal_win32.h"

#include <algorithm>
#include <cwctype>

#include <gtest/gtest.h>

#include "app/running_image_win32.h"
#include "selfremoval/named_file_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

// The platform reports a temporary folder of at most 258 units and its backslash (Wine), or a
// few more (Windows): the tool takes the folder whole or not at all, never a part of it.
TEST(SelfRemovalWin32, TemporaryFolderIsTakenWholeOrNotAtAll) {
    for (const std::size_t length : {258, 300}) {
        SCOPED_TRACE(length);
        const std::wstring folder = L"C:\\" + std::wstring(length - 3, L't');
        const ScopedVariable tmp(L"TMP", folder);
        const ScopedVariable temp(L"TEMP", folder);
        const std::u16string whole = ToU16(folder + L"\\");
        const std::optional<std::u16string> taken = TemporaryFolder();
        EXPECT_TRUE(taken.has_value() || length > 258);  // every platform reports 258 units
        EXPECT_EQ(taken.value_or(whole), whole);
    }
}

// Only the file the running program was loaded from is taken for its image: another name of that
// file (a hard link) is, a byte-for-byte copy is not, nor anything that is no program.
TEST(SelfRemovalWin32, OnlyTheVeryFileOfTheRunningProgramIsItsImage) {
    ScratchDir scratch;
    const std::wstring self = ToWide(OwnExecutablePath().value_or(u""));
    CopyFileOrFail(self, scratch / L"copy.exe");
    WriteTextFile(scratch / L"text.exe", "not a program");
    ASSERT_TRUE(RunLinuxShell("ln " + ShellQuoted(LinuxPath(self)) + " " +
                              ShellQuoted(LinuxPath(scratch / L"hard link.exe"))));
    const std::pair<std::wstring, bool> cases[] = {
        {self, true},
        {scratch / L"hard link.exe", true},
        {scratch / L"copy.exe", false},
        {scratch / L"text.exe", false},
        {scratch / L"missing.exe", false},
    };
    for (const auto& [path, image] : cases) {
        EXPECT_EQ(static_cast<bool>(RunningImage::Open(ToU16(path))), image) << Narrow(path);
    }
}

// A waiter started by hand finds its file one folder at a time from the root: every spelling of
// the real place serves (short names, letter case, another drive letter for a folder on the way),
// and no link leads anywhere.
TEST(SelfRemovalWin32, AFileIsFoundAlongRealFoldersByEverySpellingOfItsPlace) {
    ScratchDir scratch;
    const std::wstring folder = scratch / L"\u00DCbersetzung f\u00FCr Pexalo";
    const std::wstring file = folder + L"\\the file.txt";
    MakeDirectory(folder);
    WriteTextFile(file, "the file");
    const std::string linux = LinuxPath(scratch.Path());
    ASSERT_TRUE(RunLinuxShell("cd " + ShellQuoted(linux) + "/*Pexalo && ln -s 'the file.txt' " +
                              "link.txt && ln -s \"$PWD\" ../link"));
    const ScopedDriveLetter drive(scratch.Path());
    std::wstring upper = file;
    std::ranges::transform(upper, upper.begin(), [](wchar_t c) { return std::towupper(c); });

    const std::pair<std::wstring, bool> cases[] = {
        {file, true},
        {ShortPath(file), true},
        {upper, true},
        {drive / L"\u00FCbersetzung f\u00FCr Pexalo\\the file.txt", true},
        {L"\\\\?\\" + file, true},
        {scratch / L"link\\the file.txt", false},
        {folder + L"\\link.txt", false},
        {folder, false},
        {folder + L"\\missing.txt", false},
    };
    for (const auto& [path, found] : cases) {
        const std::u16string text = ToU16(path);
        const std::optional<PathSteps> steps = ReadWaiterFile(text);
        ASSERT_TRUE(steps.has_value()) << Narrow(path);
        EXPECT_EQ(static_cast<bool>(OpenFileAlongRealFolders(*steps)), found) << Narrow(path);
    }
}

TEST(SelfRemovalWin32, OnlyAHandleToAnotherProcessIsWaitedOn) {
    using enum WaiterHandleCheck;
    const ChildProcess sleeper = StartTestProgram(L"selfremoval_sleeper.exe");
    const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const UniqueFileHandle file(::CreateFileW(TestProgramPath(L"selfremoval_sleeper.exe").c_str(),
                                              GENERIC_READ | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(sleeper.Started() && event.IsValid() && file.IsValid());
    EXPECT_EQ(CheckWaiterHandle(::GetCurrentProcess()), kUnusable);

    // A process handle needs no more than SYNCHRONIZE. Threads, events, files and the waiter's
    // own process are never signalled while the waiter waits, whatever the handle's rights.
    const struct {
        const char* what;
        HANDLE source;
        DWORD rights;
        WaiterHandleCheck expected;
    } cases[] = {
        {"other process", sleeper.Handle(), SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
         kProcess},
        {"other process, SYNCHRONIZE only", sleeper.Handle(), SYNCHRONIZE, kProcess},
        {"own process", ::GetCurrentProcess(), PROCESS_ALL_ACCESS, kUnusable},
        {"own process, SYNCHRONIZE only", ::GetCurrentProcess(), SYNCHRONIZE, kUnusable},
        {"thread", ::GetCurrentThread(), THREAD_ALL_ACCESS, kUnusable},
        {"thread, SYNCHRONIZE only", ::GetCurrentThread(), SYNCHRONIZE, kUnusable},
        {"event, SYNCHRONIZE only", event.Get(), SYNCHRONIZE, kUnusable},
        {"file, SYNCHRONIZE only", file.Get(), SYNCHRONIZE, kUnusable},
    };
    for (const auto& c : cases) {
        UniqueHandle handle;
        ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), c.source, ::GetCurrentProcess(),
                                      handle.Put(), c.rights, FALSE, 0))
            << c.what;
        EXPECT_EQ(CheckWaiterHandle(handle.Get()), c.expected) << c.what;
    }

    // A value that names nothing (any more).
    UniqueHandle closed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE closedValue = closed.Get();
    closed.Reset();
    EXPECT_EQ(CheckWaiterHandle(closedValue), kNotOpen);
    EXPECT_EQ(CheckWaiterHandle(HandleFromValue(0x7FFFFFFC)), kNotOpen);
    EXPECT_EQ(CheckWaiterHandle(nullptr), kNotOpen);
}

}  // namespace
}  // namespace langsetup::test
