// Folders held by handle: what is deleted through them, and what a rename or swap of the folder
// cannot redirect.
#include <string>

#include <gtest/gtest.h>

#include "app/opened_folder_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {
namespace {

class OpenedFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeDirectory(folder_);
        MakeDirectory(outside_);
        WriteTextFile(outside_ + L"\\victim.exe", "someone else's file");
    }

    OpenedFolder Open() const { return OpenedFolder::Open(ToU16(folder_)); }
    std::wstring In(const std::wstring& name) const { return folder_ + L"\\" + name; }
    // Runs `script` in the Linux shell inside the folder, with $outside set.
    bool Linux(const std::string& script) const {
        return RunLinuxShell("cd " + ShellQuoted(LinuxPath(folder_)) +
                             " && outside=" + ShellQuoted(LinuxPath(outside_)) + " && " + script);
    }

    ScratchDir scratch_{L"langsetup-folder"};
    std::wstring folder_ = scratch_ / L"folder";
    std::wstring outside_ = scratch_ / L"outside";
};

// Where the system has no POSIX deletion (as under Wine), the classic way deletes the file.
TEST_F(OpenedFolderTest, DeletesOnlyPlainFilesThatLieDirectlyInTheFolder) {
    WriteTextFile(In(L"plain.exe"), "ours");
    WriteTextFile(In(L"read-only.exe"), "ours, but kept");
    ASSERT_TRUE(::SetFileAttributesW(In(L"read-only.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteTextFile(In(L"held.exe"), "held without delete sharing");
    const UniqueFileHandle held(::CreateFileW(In(L"held.exe").c_str(), GENERIC_READ,
                                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    MakeDirectory(In(L"sub.exe"));
    WriteTextFile(In(L"sibling.txt"), "beside the link");
    ASSERT_TRUE(Linux("ln -s \"$outside/victim.exe\" out.exe && ln -s sibling.txt sibling.exe"));
    const TreeSnapshot outsideBefore = SnapshotTree(outside_);

    const struct {
        const wchar_t* name;
        EntryState state;
        bool gone;
    } cases[] = {
        {L"plain.exe", EntryState::kOpened, true},
        {L"read-only.exe", EntryState::kHeld, false},
        {L"held.exe", EntryState::kHeld, false},
        {L"sub.exe", EntryState::kNotPlain, false},
        // Links to files look like plain files here; their final path gives them away.
        {L"out.exe", EntryState::kNotPlain, false},
        {L"sibling.exe", EntryState::kNotPlain, false},
        {L"missing.exe", EntryState::kMissing, true},
        {L"..\\outside\\victim.exe", EntryState::kNotPlain, false},
    };
    const OpenedFolder folder = Open();
    ASSERT_TRUE(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        EXPECT_EQ(folder.DeleteEntry(ToU16(c.name)), c.state);
        EXPECT_EQ(::GetFileAttributesW(In(c.name).c_str()) == INVALID_FILE_ATTRIBUTES, c.gone);
    }
    EXPECT_EQ(ReadTextFile(In(L"sibling.txt")), "beside the link");
    EXPECT_EQ(SnapshotTree(outside_), outsideBefore);
}

TEST_F(OpenedFolderTest, DeletesAnEntryOnlyWhileItIsTheObjectExpected) {
    WriteTextFile(In(L"de.exe"), "the copy");
    const OpenedFolder folder = Open();
    const std::optional<FileIdentity> copy = IdentifyFile(folder.OpenEntry(u"de.exe").Get());
    ASSERT_TRUE(copy.has_value());
    // Replaced by another file of the same name (made while the first exists, so that no file
    // system can give it the first one's id).
    WriteTextFile(In(L"other"), "another file");
    ASSERT_TRUE(
        ::MoveFileExW(In(L"other").c_str(), In(L"de.exe").c_str(), MOVEFILE_REPLACE_EXISTING));

    EXPECT_EQ(folder.DeleteEntry(u"de.exe", &*copy), EntryState::kNotPlain);
    EXPECT_EQ(ReadTextFile(In(L"de.exe")), "another file");
    const std::optional<FileIdentity> other = IdentifyFile(folder.OpenEntry(u"de.exe").Get());
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(folder.DeleteEntry(u"de.exe", &*other), EntryState::kOpened);
    EXPECT_FALSE(FileExists(In(L"de.exe")));
}

// The folder cannot be renamed from Windows while it is held; a rename from the Linux side (which
// ignores that) and a new folder in its place are never reached through the handle.
TEST_F(OpenedFolderTest, AFolderSwappedAfterItWasOpenedIsNeverReachedThroughTheHandle) {
    MakeDirectory(In(L"Languages"));
    WriteTextFile(In(L"Languages\\de.exe"), "a module");
    const OpenedFolder tool = Open();
    FolderListing listing(tool);
    const FolderEntry* listed = listing.Next();
    ASSERT_TRUE(listed != nullptr);
    ASSERT_EQ(listed->name, u"Languages");
    const OpenedFolder languages = tool.OpenSubfolder(*listed);
    ASSERT_TRUE(languages);
    EXPECT_FALSE(tool.OpenSubfolder({listed->name, listed->attributes, listed->fileId + 1, {}}));
    EXPECT_FALSE(::MoveFileW(In(L"Languages").c_str(), In(L"moved").c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    ASSERT_TRUE(Linux("mv Languages moved && mkdir Languages && echo victim > Languages/de.exe"));
    FolderListing original(languages);
    const FolderEntry* entry = original.Next();
    ASSERT_TRUE(entry != nullptr);
    EXPECT_EQ(entry->name, u"de.exe");
    EXPECT_EQ(original.Next(), nullptr);
    const FileIdentity listedModule{languages.Identity().volume, entry->fileId};
    languages.DeleteEntry(u"de.exe", &listedModule);
    EXPECT_EQ(ReadTextFile(In(L"Languages\\de.exe")), "victim\n");
}

TEST_F(OpenedFolderTest, OnlyAnEmptyFolderGoesWhenItsHandleCloses) {
    MakeDirectory(In(L"empty"));
    MakeDirectory(In(L"full"));
    WriteTextFile(In(L"full\\readme.txt"), "keeps the folder");
    {
        const OpenedFolder tool = Open();
        FolderListing listing(tool);
        while (const FolderEntry* entry = listing.Next()) {
            EXPECT_EQ(tool.OpenSubfolder(*entry).MarkForDeletion(), entry->name == u"empty");
        }
    }
    EXPECT_FALSE(DirectoryExists(In(L"empty")));
    EXPECT_TRUE(FileExists(In(L"full\\readme.txt")));
}

}  // namespace
}  // namespace langsetup::test
