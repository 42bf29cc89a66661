// CResManager inside the test process, with tool folders that a run of the built tool cannot give
// it here, and the module command line as the platform splits it.
#include "language/res_manager.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/module_directory.h"
#include "app/module_directory_win32.h"
#include "app/wide_win32.h"
#include "language/module_command_line.h"
#include "support/scoped_module_directory.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

// Runs with the scratch folder as the current directory, which holds a Languages folder of its own
// with a module in it and a stale module copy: none of it belongs to the tool.
class ResManagerFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ::GetCurrentDirectoryW(MAX_PATH + 1, savedDirectory_);
        ASSERT_TRUE(::SetCurrentDirectoryW(scratch_.Path().c_str()));
        MakeDirectory(scratch_ / L"Languages");
        CopyFileOrFail(TestProgramPath(L"sample_module.exe"), scratch_ / L"Languages\\de.exe");
        CopyFileOrFail(TestProgramPath(L"sample_module.exe"), scratch_ / L"de.exe");
    }
    void TearDown() override { ::SetCurrentDirectoryW(savedDirectory_); }

    bool CurrentDirectoryUntouched() {
        return FileExists(scratch_ / L"Languages\\de.exe") && FileExists(scratch_ / L"de.exe") &&
               !FileExists(scratch_ / L"module-record.txt");
    }

    // Installs for German through a manager whose end runs the cleanup.
    static void InstallGerman() { CResManager().InstallForLocale(1031); }

    const ScopedModuleDirectory restoreModuleDirectory_;
    wchar_t savedDirectory_[MAX_PATH + 1] = {};
    ScratchDir scratch_{L"langsetup-manager"};
};

TEST_F(ResManagerFolders, UnknownToolFolderRunsAndDeletesNothing) {
    FillModuleDirectory(u"", true);
    const TreeSnapshot before = SnapshotTree(scratch_.Path());
    InstallGerman();
    EXPECT_EQ(SnapshotTree(scratch_.Path()), before);
    EXPECT_TRUE(CurrentDirectoryUntouched());
}

// Only a folder that holds the running program (here the test itself, by another name) is the
// tool's: a copy of the program, or a path without a folder, proves nothing, and then nothing is
// deleted. Without a module run the current directory stays where the process started; the
// cleanup searches and deletes in the tool's own Languages folder only.
TEST_F(ResManagerFolders, CleanupHappensOnlyBesideTheRunningProgram) {
    const std::wstring self = ToWide(ModuleFilePath(nullptr).value_or(u""));
    const std::wstring toolFolder = scratch_ / L"tool";
    const std::wstring tool = toolFolder + L"\\langsetup.exe";
    const struct {
        const char* what;
        std::function<BOOL()> place;  // puts the program beside Languages
        bool cleaned;
    } cases[] = {
        {"a second name of the running program",
         [&] { return ::CreateHardLinkW(tool.c_str(), self.c_str(), nullptr); }, true},
        {"a copy of it", [&] { return ::CopyFileW(self.c_str(), tool.c_str(), TRUE); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeDirectory(toolFolder);
        MakeDirectory(toolFolder + L"\\Languages");
        for (const wchar_t* name : {L"en.exe", L"fr.exe"}) {
            CopyFileOrFail(TestProgramPath(L"sample_module.exe"), toolFolder + L"\\Languages\\" + name);
        }
        ASSERT_TRUE(c.place());
        ASSERT_EQ(FillModuleDirectory(ToU16(tool), false), ModuleDirectoryState::kFolder);
        { CResManager manager; }
        EXPECT_EQ(DirectoryExists(toolFolder + L"\\Languages"), !c.cleaned);
        EXPECT_TRUE(CurrentDirectoryUntouched());
        RemoveTree(toolFolder);
    }
    // The uncut path of a program without a folder names nothing to clean beside.
    ASSERT_EQ(FillModuleDirectory(u"tool.exe", false), ModuleDirectoryState::kNoBackslash);
    MakeDirectory(scratch_ / L"tool.exeLanguages");
    CopyFileOrFail(TestProgramPath(L"sample_module.exe"), scratch_ / L"tool.exeLanguages\\fr.exe");
    InstallGerman();
    EXPECT_TRUE(FileExists(scratch_ / L"tool.exeLanguages\\fr.exe"));
    EXPECT_TRUE(CurrentDirectoryUntouched());
}

std::vector<std::wstring> SplitAsThePlatformDoes(const std::u16string& line) {
    int count = 0;
    LPWSTR* items = ::CommandLineToArgvW(AsWide(line), &count);
    std::vector<std::wstring> args;
    if (items != nullptr) {
        args.assign(items, items + count);
        ::LocalFree(items);
    }
    return args;
}

TEST(ModuleCommandLineOnWindows, ThePlatformReadsTheWholePathAsOneArgument) {
    for (const std::wstring path :
         {L"C:\\My Tool\\de.exe", L"C:\\Program Files (x86)\\Pexalo 2\\en.exe",
          L"C:\\a  b\\\tc\\fr.exe", L"\\\\server\\share name\\x\\nl.exe", L"C:\\Tool\\ru.exe",
          L"C:\\\U0001F600 x\\de.exe"}) {
        SCOPED_TRACE(Narrow(path));
        EXPECT_EQ(SplitAsThePlatformDoes(ModuleCommandLine(ToU16(path))),
                  std::vector<std::wstring>{path});
    }
}

}  // namespace
}  // namespace langsetup::test
