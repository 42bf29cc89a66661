// /install through the built tool: real modules (tests/sample_module.exe copies) are copied, run
// and deleted, and the language folder is emptied and removed.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/wide_win32.h"
#include "language/language_table.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

constexpr wchar_t kRecordName[] = L"module-record.txt";

// One run of the sample module, as it recorded it.
struct ModuleRun {
    std::wstring module;
    std::wstring commandLine;
    std::wstring currentDirectory;
    std::wstring bits;
};

// The record's "name: value" lines; each "module" line begins another run.
std::vector<ModuleRun> ReadRuns(const std::wstring& folder) {
    std::vector<ModuleRun> runs;
    const std::string text = ReadTextFile(folder + L"\\" + kRecordName).value_or("");
    for (std::size_t start = 0, end = 0; start < text.size(); start = end + 2) {
        end = std::min(text.find("\r\n", start), text.size());
        const std::string line = text.substr(start, end - start);
        const std::size_t colon = line.find(": ");
        const std::string name = line.substr(0, colon);
        const std::wstring value = colon == std::string::npos ? L"" : Widen(line.substr(colon + 2));
        if (name == "module") {
            runs.emplace_back().module = value;
        } else if (!runs.empty()) {
            ModuleRun& run = runs.back();
            if (name == "command line") {
                run.commandLine = value;
            } else if (name == "current directory") {
                run.currentDirectory = value;
            } else if (name == "bits") {
                run.bits = value;
            }
        }
    }
    return runs;
}

std::vector<std::wstring> Names(const TreeSnapshot& tree) {
    std::vector<std::wstring> names;
    for (const auto& [name, size] : tree) {
        names.push_back(name);
    }
    return names;
}

class InstallEndToEnd : public ::testing::Test {
protected:
    // A tool folder of its own, inside the scratch folder.
    void UseToolFolder(const std::wstring& folder) {
        toolFolder_ = folder;
        tool_ = toolFolder_ + L"\\langsetup.exe";
    }

    void SetUp() override {
        UseToolFolder(scratch_ / L"tool");
        MakeDirectory(toolFolder_);
        MakeDirectory(elsewhere_);
    }

    void CopyTool() { CopyFileOrFail(ToolPath(), tool_); }

    std::wstring Languages() const { return toolFolder_ + L"\\Languages"; }

    // Places a sample module (of the tests' own kind, or `program`) as Languages\<name>.
    void PlantModule(const std::wstring& name, const std::wstring& program = L"sample_module.exe") {
        if (!DirectoryExists(Languages())) {
            MakeDirectory(Languages());
        }
        CopyFileOrFail(TestProgramPath(program), Languages() + L"\\" + name);
    }

    void ForgetRuns() { ::DeleteFileW((toolFolder_ + L"\\" + kRecordName).c_str()); }

    // Runs `script` in the Linux shell with $tool, $languages and $elsewhere set to the Linux
    // paths of those folders.
    bool Linux(const std::string& script) {
        return RunLinuxShell("tool=" + ShellQuoted(LinuxPath(toolFolder_)) +
                             "; languages=" + ShellQuoted(LinuxPath(Languages())) +
                             "; elsewhere=" + ShellQuoted(LinuxPath(elsewhere_)) + "; " + script);
    }

    // Runs the tool with `arguments`, started from a folder other than its own.
    void Install(const std::wstring& arguments) {
        EXPECT_TRUE(
            EndedWithExitZero(RunProcess(tool_, Quoted(tool_) + L" " + arguments, elsewhere_)));
    }

    // Expects exactly one module run: `code`.exe, copied beside the tool, started from the tool's
    // folder with its quoted path as the whole command line, and deleted afterwards.
    void ExpectOnlyModuleRan(const std::wstring& code) {
        const std::wstring target = toolFolder_ + L"\\" + code + L".exe";
        const std::vector<ModuleRun> runs = ReadRuns(toolFolder_);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].module, target);
        EXPECT_EQ(runs[0].commandLine, Quoted(target));
        EXPECT_EQ(runs[0].currentDirectory, toolFolder_);
        EXPECT_FALSE(FileExists(target)) << "the copy must be deleted";
        EXPECT_TRUE(ReadRuns(elsewhere_).empty());
    }

    ScratchDir scratch_{L"langsetup-install"};
    std::wstring elsewhere_ = scratch_ / L"elsewhere";
    std::wstring toolFolder_;
    std::wstring tool_;
};

TEST_F(InstallEndToEnd, GermanLocaleRunsTheGermanModuleAndRemovesTheLanguageFolder) {
    CopyTool();
    for (const wchar_t* name : {L"de.exe", L"fr.exe", L"en.exe"}) {
        PlantModule(name);
    }
    // A module folder in the current directory the tool starts from is none of its business.
    MakeDirectory(elsewhere_ + L"\\Languages");
    CopyFileOrFail(TestProgramPath(L"sample_module.exe"), elsewhere_ + L"\\Languages\\de.exe");
    const TreeSnapshot elsewhereBefore = SnapshotTree(elsewhere_);

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    EXPECT_FALSE(DirectoryExists(Languages()));
    EXPECT_EQ(Names(SnapshotTree(toolFolder_)),
              (std::vector<std::wstring>{L"langsetup.exe", kRecordName}));
    EXPECT_EQ(SnapshotTree(elsewhere_), elsewhereBefore);
}

// A 32-bit tool starts 64-bit modules, and a 64-bit tool 32-bit ones.
TEST_F(InstallEndToEnd, RunsAModuleOfTheOtherBitness) {
    const std::wstring other = L"sample_module_other.exe";
    const bool platformRunsIt =
        RunProcess(TestProgramPath(other), L"x", elsewhere_).exitCode == 0 &&
        ReadRuns(elsewhere_).size() == 1;
    ::DeleteFileW((elsewhere_ + L"\\" + kRecordName).c_str());
    if (!platformRunsIt) {
        // Only a 64-bit tool can meet this: a Wine without its 32-bit half.
        GTEST_SKIP() << "this Windows runs no 32-bit programs";
    }
    CopyTool();
    PlantModule(L"de.exe", other);

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    ASSERT_EQ(ReadRuns(toolFolder_).size(), 1u);
    EXPECT_EQ(ReadRuns(toolFolder_)[0].bits, sizeof(void*) == 4 ? L"64" : L"32");
    EXPECT_FALSE(DirectoryExists(Languages()));
}

TEST_F(InstallEndToEnd, MissingLanguageFolderRunsNothingAndChangesNothing) {
    CopyTool();
    WriteTextFile(toolFolder_ + L"\\fr.exe", "not the target");
    ExpectRunLeavesFolderUnchanged(toolFolder_, [&] {
        return RunProcess(tool_, Quoted(tool_) + L" /install 1031", elsewhere_);
    });
    EXPECT_TRUE(ReadRuns(elsewhere_).empty());
}

TEST_F(InstallEndToEnd, StaleTargetBesideTheToolRunsWhenTheModuleIsMissing) {
    CopyTool();
    PlantModule(L"fr.exe");
    CopyFileOrFail(TestProgramPath(L"sample_module.exe"), toolFolder_ + L"\\de.exe");

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    EXPECT_FALSE(DirectoryExists(Languages()));
}

TEST_F(InstallEndToEnd, OtherFilesAndExeNamedSubfoldersStayAndKeepTheFolder) {
    CopyTool();
    PlantModule(L"de.exe");
    PlantModule(L"fr.exe");
    WriteTextFile(Languages() + L"\\readme.txt", "keep me");
    WriteTextFile(Languages() + L"\\de.exe.bak", "keep me too");
    MakeDirectory(Languages() + L"\\x.exe");
    WriteTextFile(Languages() + L"\\x.exe\\inside.exe", "inside a subfolder");

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    const TreeSnapshot left = SnapshotTree(Languages());
    EXPECT_EQ(left.size(), 4u);
    EXPECT_EQ(left.count(L"readme.txt"), 1u);
    EXPECT_EQ(left.count(L"de.exe.bak"), 1u);
    EXPECT_EQ(left.count(L"x.exe"), 1u);
    EXPECT_EQ(left.count(L"x.exe\\inside.exe"), 1u);
}

TEST_F(InstallEndToEnd, ModuleNamesInCapitalsAreFoundAndDeleted) {
    CopyTool();
    PlantModule(L"DE.EXE");
    PlantModule(L"Fr.Exe");

    Install(L"/install 1031");

    const std::vector<ModuleRun> runs = ReadRuns(toolFolder_);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].commandLine, Quoted(toolFolder_ + L"\\de.exe"));
    EXPECT_FALSE(FileExists(toolFolder_ + L"\\de.exe"));
    EXPECT_FALSE(FileExists(toolFolder_ + L"\\DE.EXE"));
    EXPECT_FALSE(DirectoryExists(Languages()));
}

// For C:\...\My Tool\de.exe, a start that reads the unquoted path up to its blank runs
// C:\...\My.exe instead.
TEST_F(InstallEndToEnd, BlankInTheToolFolderNeverRunsTheProgramAtTheBlank) {
    UseToolFolder(scratch_ / L"My Tool");
    MakeDirectory(toolFolder_);
    CopyTool();
    PlantModule(L"de.exe");
    const std::wstring decoy = scratch_ / L"My.exe";
    CopyFileOrFail(TestProgramPath(L"sample_module.exe"), decoy);

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    EXPECT_TRUE(ReadRuns(scratch_.Path()).empty());
    EXPECT_TRUE(FileExists(decoy));
    EXPECT_FALSE(DirectoryExists(Languages()));
}

TEST_F(InstallEndToEnd, LocaleWithoutDigitsOrNegativeSelectsEnglish) {
    CopyTool();
    for (const wchar_t* arguments : {L"de", L"-1031"}) {
        SCOPED_TRACE(Narrow(arguments));
        PlantModule(L"de.exe");
        PlantModule(L"en.exe");
        ForgetRuns();

        Install(L"/install " + std::wstring(arguments));

        ExpectOnlyModuleRan(L"en");
        EXPECT_FALSE(DirectoryExists(Languages()));
    }
}

TEST_F(InstallEndToEnd, WithoutExactlyOneLocaleArgumentTheSystemDefaultDecides) {
    const std::u16string_view code =
        LanguageCode(LocaleToLanguageIndex(static_cast<std::int32_t>(::GetSystemDefaultLCID())));
    const std::wstring expected(AsWide(std::u16string(code).c_str()));
    ASSERT_NE(expected, L"de") << "the system default must differ from the locale given";
    CopyTool();
    for (const wchar_t* arguments : {L"1031 x", L"", L"1031 1031 1031"}) {
        SCOPED_TRACE(Narrow(arguments));
        PlantModule(L"de.exe");
        PlantModule(expected + L".exe");
        ForgetRuns();

        Install(L"/install " + std::wstring(arguments));

        ExpectOnlyModuleRan(expected);
        EXPECT_FALSE(DirectoryExists(Languages()));
    }
}

// Wine shows a Linux link to a folder as a reparse point, as Windows shows a link or junction.
TEST_F(InstallEndToEnd, LanguagesFolderThatIsALinkIsNeverEmptiedThroughIt) {
    CopyTool();
    for (const std::wstring& linked : {elsewhere_, toolFolder_}) {
        SCOPED_TRACE(Narrow(linked));
        CopyFileOrFail(TestProgramPath(L"sample_module.exe"), linked + L"\\fr.exe");
        WriteTextFile(linked + L"\\notes.txt", "keep me");
        ASSERT_TRUE(Linux("ln -sfn " + ShellQuoted(LinuxPath(linked)) + " \"$languages\""));
        const TreeSnapshot before = SnapshotTree(linked);

        Install(L"/install 1031");

        EXPECT_EQ(SnapshotTree(linked), before);
        EXPECT_NE(::GetFileAttributesW(Languages().c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    }
}

TEST_F(InstallEndToEnd, OnlyPlainLongNamesEndingInExeAreDeletedFromLanguages) {
    CopyTool();
    PlantModule(L"de.exe");
    PlantModule(L"FR.EXE");
    // "*.exe" matches these through their short names.
    for (const wchar_t* name : {L"notes.exec", L"backup.exe_old", L"de.exe~"}) {
        WriteTextFile(Languages() + L"\\" + name, "keep me");
    }
    // Linux names that, appended to the folder, would name files beside the tool and beside
    // the tool's folder.
    WriteTextFile(toolFolder_ + L"\\victim.exe", "keep me");
    WriteTextFile(scratch_ / L"victim.exe", "keep me");
    ASSERT_TRUE(Linux("cd \"$languages\" && touch '..\\victim.exe' '..\\..\\victim.exe'"));

    Install(L"/install 1031");

    ExpectOnlyModuleRan(L"de");
    EXPECT_EQ(Names(SnapshotTree(Languages())),
              (std::vector<std::wstring>{L"..\\..\\victim.exe", L"..\\victim.exe",
                                         L"backup.exe_old", L"de.exe~", L"notes.exec"}));
    EXPECT_TRUE(FileExists(toolFolder_ + L"\\victim.exe"));
    EXPECT_TRUE(FileExists(scratch_ / L"victim.exe"));
}

TEST_F(InstallEndToEnd, LinkNamedLikeTheCopyIsReplacedNotWrittenThrough) {
    CopyTool();
    const std::wstring outside = elsewhere_ + L"\\outside.exe";
    const std::wstring target = toolFolder_ + L"\\de.exe";
    const std::pair<const char*, std::function<bool()>> links[] = {
        {"hard link", [&] { return ::CreateHardLinkW(target.c_str(), outside.c_str(), nullptr); }},
        {"symbolic link",
         [&] { return Linux("ln -s \"$elsewhere/outside.exe\" \"$tool/de.exe\""); }},
    };
    for (const auto& [kind, makeLink] : links) {
        SCOPED_TRACE(kind);
        PlantModule(L"de.exe");
        WriteTextFile(outside, "someone else's file");
        ASSERT_TRUE(makeLink());
        ForgetRuns();

        Install(L"/install 1031");

        ExpectOnlyModuleRan(L"de");
        EXPECT_EQ(ReadTextFile(outside), "someone else's file");
    }
}

TEST_F(InstallEndToEnd, OlderCopyNeverRunsWhenTheModuleCannotBePutInPlace) {
    CopyTool();
    const std::wstring target = toolFolder_ + L"\\de.exe";
    const std::wstring module = Languages() + L"\\de.exe";
    const struct {
        const char* what;
        std::wstring held;  // opened by the test, with this sharing
        DWORD sharing;
    } cases[] = {
        {"older copy held open without delete sharing", target, FILE_SHARE_READ},
        {"module held open without read sharing", module, 0},
        {"folder of the copy's name", L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PlantModule(L"de.exe");
        if (c.held.empty()) {
            MakeDirectory(target);
        } else {
            CopyFileOrFail(TestProgramPath(L"sample_module.exe"), target);
        }
        UniqueFileHandle held(::CreateFileW(c.held.c_str(), GENERIC_READ, c.sharing, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_EQ(held.IsValid(), !c.held.empty());
        TreeSnapshot before = SnapshotTree(toolFolder_);

        Install(L"/install 1031");

        EXPECT_TRUE(ReadRuns(toolFolder_).empty());
        // Beside the tool nothing changed; only the cleanup of Languages ran.
        TreeSnapshot after = SnapshotTree(toolFolder_);
        std::erase_if(before, [](const auto& e) { return e.first.starts_with(L"Languages"); });
        std::erase_if(after, [](const auto& e) { return e.first.starts_with(L"Languages"); });
        EXPECT_EQ(after, before);

        held.Reset();
        RemoveTree(target);
        ::DeleteFileW(target.c_str());
    }
}

// A read-only copy could not be deleted; a crashed module's file stays held for a moment.
TEST_F(InstallEndToEnd, CopyOfACrashingOrReadOnlyModuleIsDeleted) {
    CopyTool();
    const std::wstring crashMarker = toolFolder_ + L"\\module-crash.txt";
    for (const bool crash : {true, false}) {
        SCOPED_TRACE(crash ? "crashing module" : "read-only module");
        PlantModule(L"de.exe");
        if (crash) {
            WriteTextFile(crashMarker, "crash after the record");
        } else {
            ::DeleteFileW(crashMarker.c_str());
            ASSERT_TRUE(
                ::SetFileAttributesW((Languages() + L"\\de.exe").c_str(), FILE_ATTRIBUTE_READONLY));
        }
        ForgetRuns();

        Install(L"/install 1031");

        ExpectOnlyModuleRan(L"de");
    }
    // The module itself keeps its attribute, and with it its place.
    EXPECT_NE(::GetFileAttributesW((Languages() + L"\\de.exe").c_str()) & FILE_ATTRIBUTE_READONLY,
              0u);
}

}  // namespace
}  // namespace langsetup::test
