#include "app/trail_line.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/utf8_text.h"

namespace langsetup {
namespace {

std::string Utf8(std::u16string_view text) {
    const auto buffer = std::make_unique<char[]>(text.size() * kUtf8BytesPerUnit);
    return {buffer.get(), EncodeUtf8(text, buffer.get())};
}

// The system's texts of the tests: 5 a text of one line, 1 one of two lines, 87 one of blanks.
std::u16string TestSystemText(std::uint32_t code) {
    switch (code) {
        case 5:
            return u"Access is denied.\r\n";
        case 1:
            return u"First line.\r\n\r\nSecond line. \r\n";
        case 87:
            return u" \t\r\n";
        default:
            return {};
    }
}

constexpr TrailTime kTime{2026, 12, 4, 10, 13, 37, 2, 123};

std::string Line(std::string_view format, std::vector<TrailPart> values,
                 const TrailTime& time = kTime) {
    return Utf8(FormatTrailLine({time, 4242, u"install"}, format, values, TestSystemText));
}

TEST(TrailLine, TimeProcessAndStepLeadEveryLine) {
    EXPECT_EQ(Line("ended", {}), "2026-12-10T13:37:02.123Z 4242 install: ended\r\n");
    EXPECT_EQ(Line("", {}, {7, 1, 0, 2, 3, 4, 5, 6}),
              "0007-01-02T03:04:05.006Z 4242 install: \r\n");
    EXPECT_EQ(Utf8(FormatTrailLine({kTime, 4294967295u, u"waiter"}, "x", {}, nullptr)),
              "2026-12-10T13:37:02.123Z 4294967295 waiter: x\r\n");
}

TEST(TrailLine, ValuesTakeThePlacesOfThePercentSigns) {
    using namespace std::string_view_literals;
    constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::lowest();
    const std::u16string smiley = u"\U0001F600";
    const struct {
        std::string_view format;
        std::vector<TrailPart> values;
        std::string_view text;
    } cases[] = {
        {"started: %",
         {u"\"C:\\Program Files\\Pexalo\\langsetup.exe\" /install 1031"},
         "started: \"C:\\Program Files\\Pexalo\\langsetup.exe\" /install 1031"},
        {"% % % % %",
         {0, -5, 4294967295u, kLowest, std::int16_t{-1}},
         "0 -5 4294967295 -2147483648 -1"},
        {"% and % and %", {u"\u00C5", smiley}, "\xC3\x85 and \xF0\x9F\x98\x80 and %"},
        {"100%", {}, "100%"},
        // No text starts a line of its own: control characters show as their symbols.
        {"%",
         {u"a\r\n2026-12-10T13:37:02.123Z 1 install: forged\tb\x7F"
          u"c\0d"sv},
         "a\xE2\x90\x8D\xE2\x90\x8A"
         "2026-12-10T13:37:02.123Z 1 install: forged\xE2\x90\x89"
         "b\xE2\x90\xA1"
         "c\xE2\x90\x80"
         "d"},
        // Nor do the other line breaks, and no text turns itself around.
        {"%", {u"a\u0085b\u2028c\u2029d\u202Ee\u2066f"}, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "c\xEF\xBF\xBD" "d\xEF\xBF\xBD" "e\xEF\xBF\xBD" "f"},
        {"copy not placed: %",
         {TrailPart::Error(5)},
         "copy not placed: error 5 (Access is denied.)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Line(c.format, c.values),
                  "2026-12-10T13:37:02.123Z 4242 install: " + std::string(c.text) + "\r\n");
    }
}

TEST(TrailLine, AnErrorIsItsNumberAndTheSystemsTextOnOneLine) {
    const struct {
        std::uint32_t code;
        std::u16string_view systemText;
        std::string_view phrase;
    } cases[] = {
        {5, u"Access is denied.\r\n", "error 5 (Access is denied.)"},
        {1, u"First line.\r\n\r\nSecond line. \r\n", "error 1 (First line. Second line.)"},
        {3, u"Bell\a and\ttab", "error 3 (Bell\xE2\x90\x87 and\xE2\x90\x89tab)"},
        {87, u" \t\r\n", "error 87"},
        {2147942405u, u"", "error 2147942405"},
    };
    for (const auto& c : cases) {
        std::u16string line;
        AppendErrorPhrase(line, c.code, c.systemText);
        EXPECT_EQ(Utf8(line), c.phrase);
    }
    // Looked up through the line's own function, or left out without one.
    EXPECT_EQ(Line("%", {TrailPart::Error(1)}),
              "2026-12-10T13:37:02.123Z 4242 install: error 1 (First line. Second line.)\r\n");
    EXPECT_EQ(Utf8(FormatTrailLine({kTime, 1, u"clean"}, "%", {{TrailPart::Error(5)}}, nullptr)),
              "2026-12-10T13:37:02.123Z 1 clean: error 5\r\n");
}

}  // namespace
}  // namespace langsetup
