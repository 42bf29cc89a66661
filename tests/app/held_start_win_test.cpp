// The tool's own copies of programs and how it starts them: a copy is a new file that holds what
// the tool wrote and that nobody else can change while it is held; a started program runs only
// when the image its process was given is the bytes the tool meant.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/held_copy_win32.h"
#include "app/verified_start_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

const std::wstring kSample = L"sample_module.exe";

std::vector<std::uint8_t> BytesOf(const std::wstring& path) {
    const std::string text = ReadTextFile(path).value_or("");
    return {text.begin(), text.end()};
}

class HeldStart : public ::testing::Test {
protected:
    OpenedFolder Folder() const { return OpenedFolder::Open(ToU16(scratch_.Path())); }
    bool Linux(const std::string& script) const {
        return RunLinuxShell("cd " + ShellQuoted(LinuxPath(scratch_.Path())) + " && " + script);
    }

    ScratchDir scratch_{L"langsetup held"};
    std::vector<std::uint8_t> sample_ = BytesOf(TestProgramPath(L"sample_module.exe"));
};

// A copy never meets what stood under its name, a file or a link.
TEST_F(HeldStart, ACopyIsAlwaysANewProgramFile) {
    WriteTextFile(scratch_ / L"taken.exe", "someone else's file");
    WriteTextFile(scratch_ / L"outside.txt", "someone else's file");
    ASSERT_TRUE(Linux("ln -s outside.txt link.exe && ln -s missing.txt dangling.exe"));
    const TreeContents before = ReadTree(scratch_.Path());
    const OpenedFolder folder = Folder();
    for (const char16_t* name : {u"taken.exe", u"link.exe", u"dangling.exe"}) {
        const HeldCopy copy = HeldCopy::Create(folder, name, sample_, false);
        EXPECT_FALSE(copy);
        EXPECT_EQ(copy.Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    }
    EXPECT_EQ(ReadTree(scratch_.Path()), before);
}

// While it is held nobody can write, rename or delete it; closed, it goes when it was made to be
// deleted on close.
TEST_F(HeldStart, AHeldCopyCannotBeChangedAndGoesWhenClosedIfAsked) {
    const std::wstring path = scratch_ / L"copy.exe";
    for (const bool deleteOnClose : {true, false}) {
        SCOPED_TRACE(deleteOnClose);
        HeldCopy copy = HeldCopy::Create(Folder(), u"copy.exe", sample_, deleteOnClose);
        ASSERT_TRUE(copy);
        EXPECT_EQ(BytesOf(path), sample_);
        for (const DWORD access : {DWORD{GENERIC_WRITE}, DWORD{DELETE}}) {
            EXPECT_FALSE(UniqueFileHandle(::CreateFileW(path.c_str(), access,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                            FILE_SHARE_DELETE,
                                                        nullptr, OPEN_EXISTING, 0, nullptr)))
                << access;
        }
        EXPECT_FALSE(::MoveFileW(path.c_str(), (scratch_ / L"moved.exe").c_str()));
        copy.Close();
        EXPECT_EQ(FileExists(path), !deleteOnClose);
        ::DeleteFileW(path.c_str());
    }
}

// Moved to its name, the copy replaces the entry (a link itself, never the file it points to);
// where that name cannot be replaced, the copy is gone and the older file stays.
TEST_F(HeldStart, AMovedCopyReplacesTheNameOrIsRemoved) {
    const std::wstring target = scratch_ / L"de.exe";
    const struct {
        const char* what;
        std::function<UniqueFileHandle()> make;  // makes `target`, perhaps holding it
        bool moves;
    } cases[] = {
        {"a file", [&] { WriteTextFile(target, "older"); return UniqueFileHandle(); }, true},
        {"a link", [&] { Linux("ln -sf outside.txt de.exe"); return UniqueFileHandle(); }, true},
        {"a file held open", [&] {
             WriteTextFile(target, "older");
             return UniqueFileHandle(::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                   nullptr, OPEN_EXISTING, 0, nullptr));
         }, false},
        {"a folder", [&] { MakeDirectory(target); return UniqueFileHandle(); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTextFile(scratch_ / L"outside.txt", "someone else's file");
        UniqueFileHandle held = c.make();
        const TreeContents before = ReadTree(scratch_.Path());
        const OpenedFolder folder = Folder();
        HeldCopy copy = HeldCopy::Create(folder, u"de.exe.1.tmp", sample_, false);
        ASSERT_TRUE(copy);
        EXPECT_EQ(copy.MoveTo(folder, u"de.exe"), c.moves);
        copy.Close();
        TreeContents expected = before;
        if (c.moves) {
            expected[L"de.exe"] = std::string(sample_.begin(), sample_.end());
        }
        EXPECT_TRUE(ReadTree(scratch_.Path()) == expected);  // (no dump of a program's bytes)
        held.Reset();
        ::DeleteFileW(target.c_str());
        RemoveTree(target);
    }
}

// A program runs only when its process's image is the bytes given, whatever its kind; anything
// else ends before it has run (the sample module would leave a record).
TEST_F(HeldStart, AProgramRunsOnlyWithTheBytesGiven) {
    const std::wstring other = L"sample_module_other.exe";
    const bool otherRuns = RunProcess(TestProgramPath(other), L"x", scratch_.Path()).exitCode == 0;
    const std::vector<std::uint8_t> otherBytes = BytesOf(TestProgramPath(other));
    const std::vector<std::uint8_t> sleeper = BytesOf(TestProgramPath(L"selfremoval_sleeper.exe"));
    const StartOutcome otherKind = ChecksSixtyFourBitImages()
                                       ? StartOutcome::kStarted
                                       : StartOutcome::kNotTheProgram;
    const struct {
        const char* what;
        std::wstring program;
        const std::vector<std::uint8_t>& bytes;
        StartOutcome outcome;
    } cases[] = {
        {"its own bytes", kSample, sample_, StartOutcome::kStarted},
        {"another program's bytes", kSample, sleeper, StartOutcome::kNotTheProgram},
        {"the other kind's own bytes", other, otherBytes, otherKind},
        {"bytes of the other kind", other, sample_, StartOutcome::kNotTheProgram},
        {"a missing program", L"missing.exe", sample_, StartOutcome::kNotStarted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.program == other && !otherRuns) {
            continue;  // a Wine without its 32-bit half
        }
        ::DeleteFileW((scratch_ / L"module-record.txt").c_str());
        const std::u16string program = ToU16(TestProgramPath(c.program));
        std::u16string line = u"x";
        const std::u16string folder = ToU16(scratch_.Path());
        PeImage image;
        ASSERT_TRUE(image.Read(c.bytes));
        StartedProgram started = StartHeldProgram(
            {.program = program, .commandLine = line, .folder = folder, .flags = 0, .inherited = {},
             .leaveJob = false},
            image);
        EXPECT_EQ(started.outcome, c.outcome);
        EXPECT_EQ(started.process.IsValid(), c.outcome == StartOutcome::kStarted);
        if (started.process) {
            EXPECT_EQ(::WaitForSingleObject(started.process.Process(), 20000), WAIT_OBJECT_0);
        }
        ::Sleep(c.outcome == StartOutcome::kStarted ? 0 : 500);
        EXPECT_EQ(FileExists(scratch_ / L"module-record.txt"),
                  c.outcome == StartOutcome::kStarted);
    }
    PeImage text;
    EXPECT_FALSE(text.Read(std::vector<std::uint8_t>{'M', 'Z', 'n', 'o'}));
}

}  // namespace
}  // namespace langsetup::test
