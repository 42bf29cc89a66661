// /install through the built tool: real modules (tests/sample_module.exe copies) are copied, run
// and deleted, and the language folder is emptied and removed.
#include <functional>
#include <initializer_list>
#include <map>
#include <ranges>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

constexpr wchar_t kRecordName[] = L"module-record.txt";
constexpr wchar_t kSample[] = L"sample_module.exe";

// One run of the sample module, as it recorded it: its "module", "command line", "current
// directory" and "bits".
using ModuleRun = std::map<std::string, std::wstring>;

// The record's "name: value" lines; each "module" line begins another run.
std::vector<ModuleRun> ReadRuns(const std::wstring& folder) {
    std::vector<ModuleRun> runs;
    std::istringstream record(ReadTextFile(folder + L"\\" + kRecordName).value_or(""));
    for (std::string line; std::getline(record, line);) {
        const std::size_t colon = line.find(": ");
        if (line.starts_with("module: ")) {
            runs.emplace_back();
        }
        if (!runs.empty() && colon != std::string::npos) {
            runs.back()[line.substr(0, colon)] = Widen(line.substr(colon + 2));
        }
    }
    return runs;
}

std::vector<std::wstring> Names(const TreeSnapshot& tree) {
    const auto names = std::views::keys(tree);
    return {names.begin(), names.end()};
}

class InstallEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDirectory(elsewhere_);
        UseToolFolder(L"tool");
    }

    // Makes a tool folder named `name` inside the scratch folder and copies the tool there.
    void UseToolFolder(const std::wstring& name) {
        toolFolder_ = scratch_ / name;
        tool_ = toolFolder_ + L"\\langsetup.exe";
        MakeDirectory(toolFolder_);
        CopyFileOrFail(ToolPath(), tool_);
    }

    std::wstring Languages() const { return toolFolder_ + L"\\Languages"; }

    // Places sample modules (of the tests' own kind, or `program`) as Languages\<name>.
    void PlantModules(std::initializer_list<std::wstring> names,
                      const std::wstring& program = kSample) {
        ::CreateDirectoryW(Languages().c_str(), nullptr);  // where it is missing
        for (const std::wstring& name : names) {
            CopyFileOrFail(TestProgramPath(program), Languages() + L"\\" + name);
        }
    }

    // Runs `script` in the Linux shell with $tool, $languages and $elsewhere set to the Linux
    // paths of those folders.
    bool Linux(const std::string& script) {
        return RunLinuxShell("tool=" + ShellQuoted(LinuxPath(toolFolder_)) +
                             "; languages=" + ShellQuoted(LinuxPath(Languages())) +
                             "; elsewhere=" + ShellQuoted(LinuxPath(elsewhere_)) + "; " + script);
    }

    // Runs the tool with `arguments`, started from a folder other than its own, after the record
    // of earlier module runs is gone.
    void Install(const std::wstring& arguments = L"/install 1031",
                 const std::map<std::wstring, std::wstring>& environment = {}) {
        ::DeleteFileW((toolFolder_ + L"\\" + kRecordName).c_str());
        ProcessOptions options(elsewhere_);
        options.environment = environment;
        EXPECT_TRUE(EndedWithExitZero(
            ChildProcess(tool_, Quoted(tool_) + L" " + arguments, options).Wait()));
    }

    // Expects exactly one module run: `code`.exe, copied beside the tool, started from the tool's
    // folder with its quoted path as the whole command line, and deleted afterwards. The language
    // folder is then gone, or not when something in it stays.
    void ExpectOnlyModuleRan(const std::wstring& code, bool languagesRemoved = true) {
        const std::wstring target = toolFolder_ + L"\\" + code + L".exe";
        const std::vector<ModuleRun> runs = ReadRuns(toolFolder_);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].at("module"), target);
        EXPECT_EQ(runs[0].at("command line"), Quoted(target));
        EXPECT_EQ(runs[0].at("current directory"), toolFolder_);
        EXPECT_FALSE(FileExists(target)) << "the copy must be deleted";
        EXPECT_TRUE(ReadRuns(elsewhere_).empty());
        EXPECT_EQ(DirectoryExists(Languages()), !languagesRemoved);
    }

    // With de.exe and `code`.exe in the language folder, /install with `arguments` runs `code`.
    void ExpectArgumentsSelect(const std::wstring& arguments, const std::wstring& code) {
        SCOPED_TRACE(Narrow(arguments));
        PlantModules({L"de.exe", code + L".exe"});
        Install(L"/install " + arguments);
        ExpectOnlyModuleRan(code);
    }

    ScratchDir scratch_{L"langsetup-install"};
    std::wstring elsewhere_ = scratch_ / L"elsewhere";
    std::wstring toolFolder_;
    std::wstring tool_;
};

TEST_F(InstallEndToEnd, GermanLocaleRunsTheGermanModuleAndRemovesTheLanguageFolder) {
    PlantModules({L"de.exe", L"fr.exe", L"en.exe"});
    // A module folder in the current directory the tool starts from is none of its business.
    MakeDirectory(elsewhere_ + L"\\Languages");
    CopyFileOrFail(TestProgramPath(kSample), elsewhere_ + L"\\Languages\\de.exe");
    const TreeSnapshot elsewhereBefore = SnapshotTree(elsewhere_);

    Install();

    ExpectOnlyModuleRan(L"de");
    EXPECT_EQ(Names(SnapshotTree(toolFolder_)),
              (std::vector<std::wstring>{L"langsetup.exe", kRecordName}));
    EXPECT_EQ(SnapshotTree(elsewhere_), elsewhereBefore);
}

// A 32-bit tool starts 64-bit modules, and a 64-bit tool 32-bit ones; a 32-bit tool that cannot
// check a 64-bit module's image (under Wine) starts none, and still cleans up.
TEST_F(InstallEndToEnd, RunsAModuleOfTheOtherBitness) {
    const std::wstring other = L"sample_module_other.exe";
    if (RunProcess(TestProgramPath(other), L"x", scratch_.Path()).exitCode != 0 ||
        ReadRuns(scratch_.Path()).size() != 1) {
        // Only a 64-bit tool can meet this: a Wine without its 32-bit half.
        GTEST_SKIP() << "this Windows runs no 32-bit programs";
    }
    PlantModules({L"de.exe"}, other);

    Install();

    if (!ChecksSixtyFourBitImages()) {
        EXPECT_TRUE(ReadRuns(toolFolder_).empty());
        EXPECT_FALSE(FileExists(toolFolder_ + L"\\de.exe"));
        EXPECT_FALSE(DirectoryExists(Languages()));
        return;
    }
    ExpectOnlyModuleRan(L"de");
    EXPECT_EQ(ReadRuns(toolFolder_).at(0).at("bits"), sizeof(void*) == 4 ? L"64" : L"32");
}

// The current directory the tool starts from has a Languages folder with a German module of its
// own: none of the tool's business.
TEST_F(InstallEndToEnd, MissingLanguageFolderRunsNothingAndChangesNothing) {
    MakeDirectory(elsewhere_ + L"\\Languages");
    CopyFileOrFail(TestProgramPath(kSample), elsewhere_ + L"\\Languages\\de.exe");
    CopyFileOrFail(TestProgramPath(kSample), elsewhere_ + L"\\de.exe");
    const TreeSnapshot elsewhereBefore = SnapshotTree(elsewhere_);
    ExpectRunLeavesFolderUnchanged(toolFolder_, [&] {
        return RunProcess(tool_, Quoted(tool_) + L" /install 1031", elsewhere_);
    });
    EXPECT_TRUE(ReadRuns(elsewhere_).empty());
    EXPECT_EQ(SnapshotTree(elsewhere_), elsewhereBefore);
}

TEST_F(InstallEndToEnd, StaleTargetBesideTheToolRunsWhenTheModuleIsMissing) {
    PlantModules({L"fr.exe"});
    CopyFileOrFail(TestProgramPath(kSample), toolFolder_ + L"\\de.exe");

    Install();

    ExpectOnlyModuleRan(L"de");
}

// With the module missing, a link of the copy's name beside the tool is neither run nor deleted
// through: it is no file of the tool's folder.
TEST_F(InstallEndToEnd, LinkNamedLikeTheCopyNeverRunsWhenTheModuleIsMissing) {
    PlantModules({L"fr.exe"});
    CopyFileOrFail(TestProgramPath(kSample), elsewhere_ + L"\\outside.exe");
    ASSERT_TRUE(Linux("ln -s \"$elsewhere/outside.exe\" \"$tool/de.exe\""));

    Install();

    EXPECT_TRUE(ReadRuns(toolFolder_).empty());
    EXPECT_TRUE(ReadRuns(elsewhere_).empty());
    EXPECT_TRUE(FileExists(elsewhere_ + L"\\outside.exe"));
}

// A folder that is a program's current directory (an installer's, say) cannot be removed; the
// modules in it still go.
TEST_F(InstallEndToEnd, LanguagesInUseAsACurrentDirectoryLosesItsModulesAndStays) {
    PlantModules({L"de.exe", L"fr.exe"});
    const ChildProcess user(TestProgramPath(L"selfremoval_sleeper.exe"), L"sleeper",
                            ProcessOptions(Languages()));
    ASSERT_TRUE(user.Started());

    Install();

    ExpectOnlyModuleRan(L"de", false);
    EXPECT_TRUE(SnapshotTree(Languages()).empty());
}

TEST_F(InstallEndToEnd, OtherFilesAndExeNamedSubfoldersStayAndKeepTheFolder) {
    PlantModules({L"de.exe", L"fr.exe"});
    WriteTextFile(Languages() + L"\\readme.txt", "keep me");
    WriteTextFile(Languages() + L"\\de.exe.bak", "keep me too");
    MakeDirectory(Languages() + L"\\x.exe");
    WriteTextFile(Languages() + L"\\x.exe\\inside.exe", "inside a subfolder");

    Install();

    ExpectOnlyModuleRan(L"de", false);
    EXPECT_EQ(
        Names(SnapshotTree(Languages())),
        (std::vector<std::wstring>{L"de.exe.bak", L"readme.txt", L"x.exe", L"x.exe\\inside.exe"}));
}

TEST_F(InstallEndToEnd, ModuleNamesInCapitalsAreFoundAndDeleted) {
    PlantModules({L"DE.EXE", L"Fr.Exe"});

    Install();

    ExpectOnlyModuleRan(L"de");
}

// For C:\...\My Tool\de.exe, a start that reads the unquoted path up to its blank runs
// C:\...\My.exe instead.
TEST_F(InstallEndToEnd, BlankInTheToolFolderNeverRunsTheProgramAtTheBlank) {
    UseToolFolder(L"My Tool");
    PlantModules({L"de.exe"});
    const std::wstring decoy = scratch_ / L"My.exe";
    CopyFileOrFail(TestProgramPath(kSample), decoy);

    Install();

    ExpectOnlyModuleRan(L"de");
    EXPECT_TRUE(ReadRuns(scratch_.Path()).empty());
    EXPECT_TRUE(FileExists(decoy));
}

TEST_F(InstallEndToEnd, LocaleWithoutDigitsOrNegativeSelectsEnglish) {
    for (const wchar_t* arguments : {L"de", L"-1031"}) {
        ExpectArgumentsSelect(arguments, L"en");
    }
}

// Wine takes the system's locale from LC_ALL when it is started from Linux (a Windows parent
// cannot change it for its child).
TEST_F(InstallEndToEnd, WithoutExactlyOneLocaleArgumentTheSystemDefaultDecides) {
    for (const auto& [locale, code] : {std::pair{"fr_FR.UTF-8", L"fr"}, {"it_IT.UTF-8", L"it"}}) {
        for (const char* arguments : {"1031 x", "", "1031 1031 1031"}) {
            SCOPED_TRACE(std::string(locale) + " /install " + arguments);
            PlantModules({L"de.exe", std::wstring(code) + L".exe"});
            ::DeleteFileW((toolFolder_ + L"\\" + kRecordName).c_str());
            ASSERT_TRUE(Linux(std::string("cd \"$elsewhere\" && LC_ALL=") + locale +
                              " wine \"$tool/langsetup.exe\" /install " + arguments +
                              " </dev/null >/dev/null 2>&1"));
            ExpectOnlyModuleRan(code);
        }
    }
}

// Wine shows a Linux link to a folder as a reparse point, as Windows shows a link or junction.
TEST_F(InstallEndToEnd, LanguagesFolderThatIsALinkIsNeverEmptiedThroughIt) {
    for (const std::wstring& linked : {elsewhere_, toolFolder_}) {
        SCOPED_TRACE(Narrow(linked));
        CopyFileOrFail(TestProgramPath(kSample), linked + L"\\fr.exe");
        WriteTextFile(linked + L"\\notes.txt", "keep me");
        ASSERT_TRUE(Linux("ln -sfn " + ShellQuoted(LinuxPath(linked)) + " \"$languages\""));
        const TreeSnapshot before = SnapshotTree(linked);

        Install();

        EXPECT_EQ(SnapshotTree(linked), before);
        EXPECT_NE(::GetFileAttributesW(Languages().c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    }
}

// Under Wine a Linux link to a file looks like a plain file, and deleting it by name deletes the
// file it points to.
TEST_F(InstallEndToEnd, LinkInLanguagesToAFileOutsideLeavesThatFile) {
    PlantModules({L"de.exe"});
    WriteTextFile(elsewhere_ + L"\\outside.exe", "someone else's file");
    ASSERT_TRUE(Linux("ln -s \"$elsewhere/outside.exe\" \"$languages/x.exe\""));

    Install();

    ExpectOnlyModuleRan(L"de", false);
    EXPECT_EQ(ReadTextFile(elsewhere_ + L"\\outside.exe"), "someone else's file");
}

// Folders exchanged from the Linux side while the tool works (the tool has no hook for it): every
// deletion must reach only what the tool found before. Under Wine a deletion through a handle
// opened before the exchange deletes nothing, so these check the other folder and the module's
// run, never that the tool's own files went.
TEST_F(InstallEndToEnd, LanguagesSwappedForALinkWhenTheToolListsItLeavesTheOtherFolder) {
    PlantModules({L"de.exe"});
    for (const wchar_t* name : {L"de.exe", L"fr.exe", L"en.exe", L"x.exe", L"it.exe", L"ko.exe",
                                L"nl.exe", L"ru.exe", L"es.exe", L"notes.txt"}) {
        WriteTextFile(elsewhere_ + L"\\" + name, "someone else's file");
        if (!FileExists(Languages() + L"\\" + name)) {
            WriteTextFile(Languages() + L"\\" + name, "not a module of this test");
        }
    }
    ASSERT_TRUE(Linux("ln -s \"$elsewhere\" \"$tool/link\""));
    const TreeContents before = ReadTree(elsewhere_);
    const PathSwap swap(Languages(), toolFolder_ + L"\\link", "open", Languages());

    Install();

    // Swapped the moment the tool opens it, Languages may look like a place elsewhere to the
    // tool: then no module runs. Never does anything outside run or change.
    ASSERT_TRUE(swap.Happened());
    EXPECT_EQ(ReadTree(elsewhere_), before);
    EXPECT_LE(ReadRuns(toolFolder_).size(), 1u);
    EXPECT_TRUE(ReadRuns(elsewhere_).empty());
    EXPECT_FALSE(FileExists(toolFolder_ + L"\\de.exe"));
}

TEST_F(InstallEndToEnd, ToolFolderReplacedWhileTheModuleRunsLeavesTheReplacement) {
    PlantModules({L"de.exe", L"fr.exe"});
    const std::wstring replacement = scratch_ / L"replacement";
    MakeDirectory(replacement);
    MakeDirectory(replacement + L"\\Languages");
    for (const wchar_t* name : {L"de.exe", L"langsetup.exe", L"Languages\\de.exe",
                                L"Languages\\fr.exe", L"Languages\\en.exe"}) {
        WriteTextFile(replacement + L"\\" + name, "someone else's file");
    }
    const TreeContents before = ReadTree(replacement);
    const PathSwap swap(toolFolder_, replacement, "entry", toolFolder_, Narrow(kRecordName));

    Install();

    ASSERT_TRUE(swap.Happened());
    EXPECT_EQ(ReadTree(toolFolder_), before) << "the replacement, now at the tool's path";
    EXPECT_EQ(ReadRuns(replacement).size(), 1u) << "the tool's folder, now at the other path";
}

TEST_F(InstallEndToEnd, OnlyPlainLongNamesEndingInExeAreDeletedFromLanguages) {
    PlantModules({L"de.exe", L"FR.EXE"});
    // "*.exe" matches these through their short names.
    for (const wchar_t* name : {L"notes.exec", L"backup.exe_old", L"de.exe~"}) {
        WriteTextFile(Languages() + L"\\" + name, "keep me");
    }
    // Linux names that, appended to the folder, would name files beside the tool and beside
    // the tool's folder.
    WriteTextFile(toolFolder_ + L"\\victim.exe", "keep me");
    WriteTextFile(scratch_ / L"victim.exe", "keep me");
    ASSERT_TRUE(Linux("cd \"$languages\" && touch '..\\victim.exe' '..\\..\\victim.exe'"));

    Install();

    ExpectOnlyModuleRan(L"de", false);
    EXPECT_EQ(Names(SnapshotTree(Languages())),
              (std::vector<std::wstring>{L"..\\..\\victim.exe", L"..\\victim.exe",
                                         L"backup.exe_old", L"de.exe~", L"notes.exec"}));
    EXPECT_TRUE(FileExists(toolFolder_ + L"\\victim.exe"));
    EXPECT_TRUE(FileExists(scratch_ / L"victim.exe"));
}

TEST_F(InstallEndToEnd, LinkNamedLikeTheCopyIsReplacedNotWrittenThrough) {
    const std::wstring outside = elsewhere_ + L"\\outside.exe";
    const std::wstring target = toolFolder_ + L"\\de.exe";
    const std::pair<const char*, std::function<bool()>> links[] = {
        {"hard link", [&] { return ::CreateHardLinkW(target.c_str(), outside.c_str(), nullptr); }},
        {"symbolic link",
         [&] { return Linux("ln -s \"$elsewhere/outside.exe\" \"$tool/de.exe\""); }},
    };
    for (const auto& [kind, makeLink] : links) {
        SCOPED_TRACE(kind);
        PlantModules({L"de.exe"});
        WriteTextFile(outside, "someone else's file");
        ASSERT_TRUE(makeLink());

        Install();

        ExpectOnlyModuleRan(L"de");
        EXPECT_EQ(ReadTextFile(outside), "someone else's file");
    }
}

TEST_F(InstallEndToEnd, OlderCopyNeverRunsWhenTheModuleCannotBePutInPlace) {
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
        PlantModules({L"de.exe"});
        if (c.held.empty()) {
            MakeDirectory(target);
        } else {
            CopyFileOrFail(TestProgramPath(kSample), target);
        }
        UniqueFileHandle held(::CreateFileW(c.held.c_str(), GENERIC_READ, c.sharing, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_EQ(held.IsValid(), !c.held.empty());
        TreeSnapshot before = SnapshotTree(toolFolder_);

        Install();

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
    const std::wstring crashMarker = toolFolder_ + L"\\module-crash.txt";
    for (const bool crash : {true, false}) {
        SCOPED_TRACE(crash ? "crashing module" : "read-only module");
        PlantModules({L"de.exe"});
        if (crash) {
            WriteTextFile(crashMarker, "crash after the record");
        } else {
            ::DeleteFileW(crashMarker.c_str());
            ASSERT_TRUE(
                ::SetFileAttributesW((Languages() + L"\\de.exe").c_str(), FILE_ATTRIBUTE_READONLY));
        }

        Install();

        ExpectOnlyModuleRan(L"de", crash);
    }
    // The module itself keeps its attribute, and with it its place.
    EXPECT_NE(::GetFileAttributesW((Languages() + L"\\de.exe").c_str()) & FILE_ATTRIBUTE_READONLY,
              0u);
}

}  // namespace
}  // namespace langsetup::test

namespace langsetup::test {
namespace {

// The moment the module's copy takes its name, someone else's program is exchanged into that name:
// the tool either started its copy before, or sees that the program it would start is not its
// copy and runs nothing. The other program never runs, and the language folder goes either way.
TEST_F(InstallEndToEnd, ProgramExchangedIntoTheCopysNameNeverRuns) {
    const std::wstring intruder = toolFolder_ + L"\\intruder.exe";
    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE(run);
        PlantModules({L"de.exe", L"fr.exe"});
        CopyFileOrFail(TestProgramPath(L"intruder.exe"), intruder);
        const PathSwap swap(toolFolder_ + L"\\de.exe", intruder, "entry", toolFolder_, "de.exe");

        Install();

        EXPECT_TRUE(swap.Happened());
        EXPECT_FALSE(FileExists(toolFolder_ + L"\\intruder-record.txt"));
        EXPECT_LE(ReadRuns(toolFolder_).size(), 1u);
        EXPECT_FALSE(DirectoryExists(Languages()));
        for (const wchar_t* name : {L"de.exe", L"intruder.exe"}) {
            ::DeleteFileW((toolFolder_ + L"\\" + name).c_str());
        }
    }
}

// The tool's folder is exchanged for a link to another folder right after the system has loaded
// the tool, at the first open of the folder: that folder does not hold the running program (only a
// copy of it), so the tool copies, runs and deletes nothing there.
TEST_F(InstallEndToEnd, ToolFolderSwappedForALinkAtItsFirstOpenLeavesTheOtherFolder) {
    PlantModules({L"de.exe"});
    const std::wstring other = scratch_ / L"other";
    MakeDirectory(other);
    MakeDirectory(other + L"\\Languages");
    CopyFileOrFail(ToolPath(), other + L"\\langsetup.exe");
    CopyFileOrFail(TestProgramPath(kSample), other + L"\\Languages\\de.exe");
    WriteTextFile(other + L"\\Languages\\fr.exe", "someone else's file");
    WriteTextFile(other + L"\\de.exe", "someone else's file");
    ASSERT_TRUE(Linux("ln -s other \"$tool/../link\""));
    const TreeContents before = ReadTree(other);
    ProcessOptions options(elsewhere_);
    options.suspended = true;  // the program is in place before anything is swapped
    ChildProcess tool(tool_, Quoted(tool_) + L" /install 1031", options);
    const PathSwap swap(toolFolder_, scratch_ / L"link", "open", toolFolder_);

    tool.Resume();

    EXPECT_TRUE(EndedWithExitZero(tool.Wait()));
    EXPECT_TRUE(swap.Happened());
    EXPECT_TRUE(ReadTree(other) == before) << "the other folder changed";
    EXPECT_TRUE(ReadRuns(other).empty());
}

}  // namespace
}  // namespace langsetup::test
