#include "selfremoval/waiter_command_line.h"

#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/arg_list.h"
#include "app/command_mode.h"
#include "app/number_rule.h"

namespace langsetup {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

using Form = WaiterRequest::Form;

bool operator==(const HandedOverHandles& a, const HandedOverHandles& b) {
    return a.process == b.process && a.file == b.file && a.ready == b.ready && a.log == b.log;
}

// What the copy makes of the line: the waiter mode, its two paths, and the handles handed over.
void ExpectCopySeesHandOver(const std::u16string& line, std::u16string_view copyPath,
                            const HandedOverHandles& handles, std::u16string_view ownPath) {
    const ArgList args = ArgList::Split(line);
    ASSERT_EQ(args.Count(), 5u);
    EXPECT_EQ(ChooseMode(args), CommandMode::kWaiter);
    EXPECT_EQ(args.ItemView(0), copyPath);
    EXPECT_EQ(args.ItemView(2), ownPath);
    const WaiterRequest request = ReadWaiterRequest(args);
    EXPECT_EQ(request.form, Form::kHandOver);
    EXPECT_TRUE(request.handles == handles);
}

constexpr HandedOverHandles kHandles{76, 80, 84};

TEST(WaiterCommandLine, QuotesBothPathsAroundTheProcessAndPutsTheOtherHandlesLast) {
    EXPECT_EQ(BuildWaiterCommandLine(u"C:\\Temp\\DelA1.tmp", kHandles, u"C:\\Apps\\langsetup.exe"),
              u"\"C:\\Temp\\DelA1.tmp\" 76 \"C:\\Apps\\langsetup.exe\" 80 84");
    EXPECT_EQ(BuildWaiterCommandLine(u"C:\\T\\Del1.tmp", {76, 80, 84, 88}, u"C:\\l.exe"),
              u"\"C:\\T\\Del1.tmp\" 76 \"C:\\l.exe\" 80 84 88");
}

TEST(WaiterCommandLine, PathsWithBlanksReachTheCopyWhole) {
    // Unquoted, this temporary path would give the copy the arguments "0" and "decoy": a waiter
    // that deletes a file named by a fragment of the path.
    const std::u16string copyPath = u"C:\\Users\\A B\\tmp 0 decoy more\\Del1F2E.tmp";
    const std::u16string ownPath = u"C:\\Program Files\\My Tool 2\\langsetup.exe";
    const std::u16string tabs = u"C:\\t\tu\\\u00A0x\u3000y\\Del1.tmp";
    for (const auto& [copy, own] : {std::pair{copyPath, ownPath}, std::pair{tabs, tabs}}) {
        const auto line = BuildWaiterCommandLine(copy, kHandles, own);
        ASSERT_TRUE(line.has_value());
        ExpectCopySeesHandOver(*line, copy, kHandles, own);
    }
}

TEST(WaiterCommandLine, EveryHandleValueRoundTrips) {
    for (const std::int32_t value : {1, 4, 76, 1000, 65532, 0x00FFFFFC, kMax}) {
        const HandedOverHandles handles{value, value == 1 ? 2 : value - 1, value == 4 ? 8 : 4};
        const auto line = BuildWaiterCommandLine(u"C:\\T\\Del1.tmp", handles, u"C:\\a.exe");
        ASSERT_TRUE(line.has_value()) << value;
        ExpectCopySeesHandOver(*line, u"C:\\T\\Del1.tmp", handles, u"C:\\a.exe");
    }
}

TEST(WaiterCommandLine, LongPathsFitUpToTheCommandLineLimitAndNeverBeyond) {
    constexpr HandedOverHandles kWidest{kMax, kMax - 1, kMax - 2};
    // Two paths of 259 units each did not fit a line of 512.
    const std::u16string path259(259, u'p');
    const auto line = BuildWaiterCommandLine(path259, kWidest, path259);
    ASSERT_TRUE(line.has_value());
    ExpectCopySeesHandOver(*line, path259, kWidest, path259);

    // Three numbers of ten digits, four quotes and four blanks take 38 units.
    const std::size_t room = kMaxCommandLineLength - 38;
    const std::u16string copyPath(room / 2, u'c');
    const std::u16string ownPath(room - room / 2, u'o');
    const auto longest = BuildWaiterCommandLine(copyPath, kWidest, ownPath);
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(longest->size(), kMaxCommandLineLength);
    EXPECT_FALSE(BuildWaiterCommandLine(copyPath + u"c", kWidest, ownPath).has_value());
    EXPECT_FALSE(BuildWaiterCommandLine(copyPath, kWidest, ownPath + u"o").has_value());
    EXPECT_TRUE(BuildWaiterCommandLine(copyPath + u"c", {1, 2, 3}, ownPath).has_value());
}

TEST(WaiterCommandLine, PathsThatCannotBeQuotedGiveNoLine) {
    // Empty, or holding a quote or a zero: as the copy's path and as the own path.
    constexpr std::u16string_view kBad[] = {u"", u"C:\\T\\\" 0 \"x", u"C:\\a\" b.exe",
                                            std::u16string_view(u"C:\\T\0x", 6)};
    for (const std::u16string_view bad : kBad) {
        EXPECT_FALSE(BuildWaiterCommandLine(bad, kHandles, u"C:\\a.exe").has_value());
        EXPECT_FALSE(BuildWaiterCommandLine(u"C:\\T\\Del1.tmp", kHandles, bad).has_value());
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
TEST(WaiterFile, OnlyAFullPathToAFileNamesOneAndItIsTakenApartFromItsRoot) {
    const struct {
        std::u16string_view path, root;
        std::vector<std::u16string_view> names;
    } kTaken[] = {
        {u"C:\\Apps\\Pexalo\\langsetup.exe", u"C:\\", {u"Apps", u"Pexalo", u"langsetup.exe"}},
        {u"z:\\x.exe", u"z:\\", {u"x.exe"}},
        {u"C:\\PROGRA~1\\a/b.exe", u"C:\\", {u"PROGRA~1", u"a", u"b.exe"}},
        {u"\\\\server\\share\\langsetup.exe", u"\\\\server\\share\\", {u"langsetup.exe"}},
        {u"\\\\?\\C:\\a b\\l.exe", u"\\\\?\\C:\\", {u"a b", u"l.exe"}},
        {u"\\\\.\\D:\\l.exe", u"\\\\.\\D:\\", {u"l.exe"}},
        {u"\\\\?\\unc\\srv\\s\\l.exe", u"\\\\?\\unc\\srv\\s\\", {u"l.exe"}},
    };
    for (const auto& taken : kTaken) {
        const auto steps = ReadWaiterFile(taken.path);
        ASSERT_TRUE(steps.has_value()) << std::string(taken.path.begin(), taken.path.end());
        EXPECT_EQ(steps->root, taken.root);
        std::vector<std::u16string_view> names;
        for (std::u16string_view rest = steps->names; !rest.empty();) {
            names.push_back(TakeFirstName(rest));
        }
        EXPECT_EQ(names, taken.names);
    }
    constexpr std::u16string_view kRefused[] = {u"data\\langsetup.exe",
                                                u"langsetup.exe",
                                                u".\\x.exe",
                                                u"\\x.exe",
                                                u"C:x.exe",
                                                u"C:langsetup.exe",
                                                u"1:\\x.exe",
                                                u"",
                                                u"C:\\",
                                                u"C:\\dir\\",
                                                u"C:\\dir\\..",
                                                u"C:\\a\\de.exe:stream",
                                                u"C:\\a\\..\\x.exe",
                                                u"C:\\a\\\\x.exe",
                                                u"C:\\.\\x.exe",
                                                u"\\\\server\\x.exe",
                                                u"\\\\\\share\\x.exe",
                                                u"\\\\?\\x.exe",
                                                u"\\\\.\\pipe\\x",
                                                u"\\\\?\\UNC\\srv\\x.exe"};
    for (const std::u16string_view path : kRefused) {
        EXPECT_FALSE(ReadWaiterFile(path).has_value()) << std::string(path.begin(), path.end());
    }
}

// The form stage 1 passes, the form typed by hand, and lines that are neither.
TEST(WaiterRequest, FiveOrSixArgumentsEndingInNumbersAreTheHandOverAndAnythingElseGoesByPath) {
    const struct {
        std::u16string_view line;
        Form form;
    } kCases[] = {
        {u"c 76 \"C:\\a\\l.exe\" 80 84", Form::kHandOver},
        {u"c 76 whatever 80 84", Form::kHandOver},  // the path is not looked at
        {u"c 76 \"C:\\a\\l.exe\"", Form::kByPath},
        {u"c 0 \"C:\\a\\l.exe\"", Form::kByPath},
        {u"c 76 \"C:\\a\\l.exe\" extra", Form::kByPath},
        {u"c 76 \"C:\\a\\l.exe\" 80 x", Form::kByPath},
        {u"c 76 \"C:\\a\\l.exe\" 80 84 88", Form::kHandOver},  // with the trail's log
        {u"c 76 \"C:\\a\\l.exe\" 80 84 x", Form::kByPath},
        {u"c 76 \"C:\\a\\l.exe\" 80 84 88 92", Form::kByPath},
        // A hand-over needs different positive handles, and a process to wait for.
        {u"c 76 \"C:\\a\\l.exe\" 80 84 0", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 80 84 80", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 80 84 76", Form::kRefused},
        {u"c 0 \"C:\\a\\l.exe\" 80 84", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 0 84", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 80 -1", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 76 84", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 80 80", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" 80 76", Form::kRefused},
        {u"c -1 \"C:\\a\\l.exe\" 80 84", Form::kRefused},
        // By path: a usable number and a full path.
        {u"c x \"C:\\a\\l.exe\"", Form::kRefused},
        {u"c 76 data\\l.exe", Form::kRefused},
        {u"c 76 \"C:\\a\\l.exe\" x 84", Form::kByPath},
    };
    for (const auto& c : kCases) {
        const ArgList args = ArgList::Split(c.line);
        EXPECT_EQ(ReadWaiterRequest(args).form, c.form)
            << std::string(c.line.begin(), c.line.end());
    }
    const HandedOverHandles handles =
        ReadWaiterRequest(ArgList::Split(u"c 76 \"C:\\a\\l.exe\" 80 84 88")).handles;
    EXPECT_EQ(handles.process + handles.file + handles.ready + handles.log, 76 + 80 + 84 + 88);
    EXPECT_EQ(handles.log, 88);
    const ArgList byPath = ArgList::Split(u"c 76 \"C:\\a\\l.exe\"");
    const WaiterRequest request = ReadWaiterRequest(byPath);
    EXPECT_EQ(request.process.value, 76);
    EXPECT_EQ(request.path->root, u"C:\\");
    EXPECT_EQ(request.path->names, u"a\\l.exe");
}

}  // namespace
}  // namespace langsetup
