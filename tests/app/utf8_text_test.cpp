#include "app/utf8_text.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

// `text` in UTF-8, encoded into a buffer of exactly the promised size (AddressSanitizer sees
// any byte written past it).
std::string Encoded(std::u16string_view text) {
    const auto buffer = std::make_unique<char[]>(text.size() * kUtf8BytesPerUnit);
    return {buffer.get(), EncodeUtf8(text, buffer.get())};
}

TEST(Utf8Text, EncodesEveryLengthAndReplacesLoneSurrogates) {
    const struct {
        std::u16string_view text;
        std::string_view utf8;
    } cases[] = {
        {u"", ""},
        {u"C:\\Pexalo 1.0", "C:\\Pexalo 1.0"},
        {u"\u007F\u0080\u07FF\u0800\uFFFF", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        {u"Gr\u00FC\u00DFe \u20AC",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC"},
        {u"\U0001F600\U0010FFFF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
        // A high surrogate at the end, before another character or a second high one; a low
        // one alone or before its high one.
        {u"a\xD83D", "a\xEF\xBF\xBD"},
        {u"\xD83D"
         u"a",
         "\xEF\xBF\xBD"
         "a"},
        {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {u"\xDFFF\xDC00\xDBFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Encoded(c.text), c.utf8) << c.utf8;
    }
}

TEST(Utf8Text, ThreeBytesForEveryUnitIsTheMostItTakes) {
    // Lone surrogates and the characters just below and above the surrogates take three bytes
    // for one unit, the most there is.
    const std::u16string worst(u"\xDFFF\xD800\uD7FF\uE000\uFFFD");
    EXPECT_EQ(Encoded(worst).size(), worst.size() * kUtf8BytesPerUnit);
}

}  // namespace
}  // namespace langsetup
