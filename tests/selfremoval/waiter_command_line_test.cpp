#include "selfremoval/waiter_command_line.h"

#include <limits>

#include <gtest/gtest.h>

#include "app/arg_list.h"
#include "app/command_mode.h"
#include "app/number_rule.h"

namespace langsetup {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// What the copy makes of the line: its mode and its three arguments.
void ExpectCopySeesWaiter(const std::u16string& line, std::u16string_view copyPath,
                          std::int32_t handleValue, std::u16string_view ownPath) {
    const ArgList args = ArgList::Split(line);
    ASSERT_EQ(args.Count(), 3u);
    EXPECT_EQ(ChooseMode(args), CommandMode::kWaiter);
    EXPECT_EQ(args.ItemView(0), copyPath);
    EXPECT_EQ(args.ItemView(1), DecimalText(handleValue));
    EXPECT_EQ(ParseWholeNumber(args.ItemView(1)), handleValue);
    EXPECT_EQ(args.ItemView(2), ownPath);
}

TEST(WaiterCommandLine, QuotesBothPathsAroundTheHandleNumber) {
    EXPECT_EQ(BuildWaiterCommandLine(u"C:\\Temp\\DelA1.tmp", 76, u"C:\\Apps\\langsetup.exe"),
              u"\"C:\\Temp\\DelA1.tmp\" 76 \"C:\\Apps\\langsetup.exe\"");
    EXPECT_EQ(BuildWaiterCommandLine(u"D.tmp", -2, u"x"), u"\"D.tmp\" -2 \"x\"");
}

TEST(WaiterCommandLine, PathsWithBlanksReachTheCopyWhole) {
    // Unquoted, this temporary path would give the copy the arguments "0" and "decoy": a waiter
    // that deletes a file named by a fragment of the path.
    const std::u16string copyPath = u"C:\\Users\\A B\\tmp 0 decoy more\\Del1F2E.tmp";
    const std::u16string ownPath = u"C:\\Program Files\\My Tool 2\\langsetup.exe";
    const auto line = BuildWaiterCommandLine(copyPath, 76, ownPath);
    ASSERT_TRUE(line.has_value());
    ExpectCopySeesWaiter(*line, copyPath, 76, ownPath);

    const std::u16string tabs = u"C:\\t\tu\\\u00A0x\u3000y\\Del1.tmp";
    const auto tabLine = BuildWaiterCommandLine(tabs, 8, tabs);
    ASSERT_TRUE(tabLine.has_value());
    ExpectCopySeesWaiter(*tabLine, tabs, 8, tabs);
}

TEST(WaiterCommandLine, EveryHandleValueRoundTrips) {
    for (const std::int32_t value : {1, 4, 76, 1000, 65532, 0x00FFFFFC, kMax}) {
        const auto line = BuildWaiterCommandLine(u"C:\\T\\Del1.tmp", value, u"C:\\a.exe");
        ASSERT_TRUE(line.has_value()) << value;
        ExpectCopySeesWaiter(*line, u"C:\\T\\Del1.tmp", value, u"C:\\a.exe");
    }
}

TEST(WaiterCommandLine, LongPathsFitUpToTheCommandLineLimitAndNeverBeyond) {
    // Two paths of 259 units each did not fit a line of 512.
    const std::u16string path259(259, u'p');
    const auto line = BuildWaiterCommandLine(path259, kMin, path259);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->size(), 259u * 2 + 11 + 6);
    ExpectCopySeesWaiter(*line, path259, kMin, path259);

    // "-2147483648" and the quotes and blanks take 17 units.
    const std::size_t room = kMaxCommandLineLength - 17;
    const std::u16string copyPath(room / 2, u'c');
    const std::u16string ownPath(room - room / 2, u'o');
    const auto longest = BuildWaiterCommandLine(copyPath, kMin, ownPath);
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(longest->size(), kMaxCommandLineLength);
    EXPECT_FALSE(BuildWaiterCommandLine(copyPath + u"c", kMin, ownPath).has_value());
    EXPECT_FALSE(BuildWaiterCommandLine(copyPath, kMin, ownPath + u"o").has_value());
    EXPECT_TRUE(BuildWaiterCommandLine(copyPath + u"c", 1, ownPath).has_value());
}

TEST(WaiterCommandLine, PathsThatCannotBeQuotedGiveNoLine) {
    // Empty, or holding a quote or a zero: as the copy's path and as the own path.
    constexpr std::u16string_view kBad[] = {u"", u"C:\\T\\\" 0 \"x", u"C:\\a\" b.exe",
                                            std::u16string_view(u"C:\\T\0x", 6)};
    for (const std::u16string_view bad : kBad) {
        EXPECT_FALSE(BuildWaiterCommandLine(bad, 4, u"C:\\a.exe").has_value());
        EXPECT_FALSE(BuildWaiterCommandLine(u"C:\\T\\Del1.tmp", 4, bad).has_value());
    }
}

TEST(WaiterHandle, OnlyAWholeNonNegativeNumberIsAccepted) {
    // The waiter deletes nothing for these.
    constexpr std::u16string_view kRefused[] = {
        // Mistyped switches and file names.
        u"/INSTALL", u"/Install", u"-install", u"de.exe", u"1031x", u"12 ", u"0x10", u"", u" ",
        u"-", u"+", u"1.0", u"C:\\Temp\\Del1.tmp", u"12\\Del1.tmp",
        // Pseudo-handles of the waiter itself.
        u"-1", u"-2", u"-3", u"-6", u"-2147483648", u"-99999999999"};
    for (const std::u16string_view text : kRefused) {
        EXPECT_EQ(ReadWaiterHandle(text).kind, WaiterHandleKind::kRefused)
            << std::string(text.begin(), text.end());
    }
    for (const std::u16string_view zero : {u"0", u"-0", u"000"}) {
        EXPECT_EQ(ReadWaiterHandle(zero).kind, WaiterHandleKind::kNone);
    }

    const WaiterHandleArgument plain = ReadWaiterHandle(u"76");
    EXPECT_EQ(plain.kind, WaiterHandleKind::kValue);
    EXPECT_EQ(plain.value, 76);
    // The number rule: leading white space, a sign, digits of other scripts.
    EXPECT_EQ(ReadWaiterHandle(u"\u00A0+76").value, 76);
    EXPECT_EQ(ReadWaiterHandle(u"\u0667\u0666").value, 76);
    EXPECT_EQ(ReadWaiterHandle(u"99999999999").value, kMax);  // clamped, names no handle
}

// Split where nobody meant it, an unquoted "C:\Pexalo 0 data\langsetup.exe" gives the waiter
// "data\langsetup.exe": a file in whatever the current directory is.
TEST(WaiterFile, OnlyAFullPathToAFileNamesOne) {
    const struct {
        std::u16string_view path, folder, name;
    } kTaken[] = {
        {u"C:\\Apps\\Pexalo\\langsetup.exe", u"C:\\Apps\\Pexalo\\", u"langsetup.exe"},
        {u"z:\\x.exe", u"z:\\", u"x.exe"},
        {u"\\\\server\\share\\langsetup.exe", u"\\\\server\\share\\", u"langsetup.exe"},
        {u"\\\\?\\C:\\a b\\l.exe", u"\\\\?\\C:\\a b\\", u"l.exe"},
        {u"C:\\a/b.exe", u"C:\\a/", u"b.exe"},
    };
    for (const auto& taken : kTaken) {
        const auto place = ReadWaiterFile(taken.path);
        ASSERT_TRUE(place.has_value()) << std::string(taken.path.begin(), taken.path.end());
        EXPECT_EQ(place->folder, taken.folder);
        EXPECT_EQ(place->name, taken.name);
    }
    constexpr std::u16string_view kRefused[] = {
        u"data\\langsetup.exe", u"langsetup.exe",       u".\\x.exe", u"\\x.exe", u"C:x.exe",
        u"C:langsetup.exe",     u"1:\\x.exe",           u"",         u"C:\\",    u"C:\\dir\\",
        u"C:\\dir\\..",         u"C:\\a\\de.exe:stream"};
    for (const std::u16string_view path : kRefused) {
        EXPECT_FALSE(ReadWaiterFile(path).has_value()) << std::string(path.begin(), path.end());
    }
}

// The system spells a handle's place with a prefix of its own; a path through a link or into
// another folder is another place.
TEST(WaiterFile, TheFinalPathOfTheFileMustBeThePathGiven) {
    const struct {
        std::u16string_view finalPath, path;
        bool same;
    } kCases[] = {
        {u"\\\\?\\C:\\Apps\\Pexalo\\langsetup.exe", u"C:\\Apps\\Pexalo\\langsetup.exe", true},
        {u"\\\\?\\C:\\APPS\\pexalo\\LangSetup.exe", u"c:\\apps\\Pexalo\\langsetup.exe", true},
        {u"\\\\?\\UNC\\srv\\share\\l.exe", u"\\\\srv\\share\\l.exe", true},
        {u"C:\\a\\l.exe", u"C:\\a\\l.exe", true},
        {u"\\\\?\\C:\\Apps\\other\\langsetup.exe", u"C:\\Apps\\Pexalo\\langsetup.exe", false},
        {u"\\\\?\\C:\\Apps\\Pexalo\\langsetup.exe", u"C:\\Apps\\Pexalo\\langsetup.ex", false},
        {u"\\\\?\\UNC\\srv\\share\\l.exe", u"C:\\srv\\share\\l.exe", false},
        {u"\\\\?\\C:\\\u00C4\\l.exe", u"C:\\\u00E4\\l.exe", false},  // only ASCII letters fold
        {u"", u"C:\\a\\l.exe", false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(FinalPathIs(c.finalPath, c.path), c.same)
            << std::string(c.path.begin(), c.path.end());
    }
}

}  // namespace
}  // namespace langsetup
