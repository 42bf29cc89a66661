#include "app/trail_line.h"

#include <algorithm>
#include <array>

#include "app/number_rule.h"

namespace langsetup {
namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400 shows NUL, U+2401 SOH, ...
constexpr char16_t kDeletePicture = 0x2421;

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

// `value` in decimal, with leading zeros to at least `width` digits.
void AppendDecimal(std::u16string& line, std::uint32_t value, std::size_t width = 1) {
    const std::u16string digits = DecimalText(value);
    line.append(width - std::min(width, digits.size()), u'0');
    line += digits;
}

// Characters that can break a line or turn text around as a reader shows it, besides the C0
// controls: the C1 controls (U+0085 among them), the line and paragraph separators, and the
// bidirectional embeddings, overrides and isolates.
bool IsHiddenControl(char16_t c) {
    return (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

// `text`, each C0 control character as its visible symbol, and the other controls as U+FFFD.
void AppendVisible(std::u16string& line, std::u16string_view text) {
    for (const char16_t c : text) {
        if (c < 0x20) {
            line += static_cast<char16_t>(kControlPictures + c);
        } else {
            line += c == 0x7F ? kDeletePicture : IsHiddenControl(c) ? u'\uFFFD' : c;
        }
    }
}

void AppendTime(std::u16string& line, const TrailTime& time) {
    struct Field {
        std::uint16_t TrailTime::*value;
        std::uint8_t width;
        char16_t after;
    };
    static constexpr std::array<Field, 7> kFields = {{{&TrailTime::year, 4, u'-'},
                                                      {&TrailTime::month, 2, u'-'},
                                                      {&TrailTime::day, 2, u'T'},
                                                      {&TrailTime::hour, 2, u':'},
                                                      {&TrailTime::minute, 2, u':'},
                                                      {&TrailTime::second, 2, u'.'},
                                                      {&TrailTime::millisecond, 3, u'Z'}}};
    for (const Field& field : kFields) {
        AppendDecimal(line, time.*field.value, field.width);
        line += field.after;
    }
}

}  // namespace

void AppendErrorPhrase(std::u16string& line, std::uint32_t code, std::u16string_view systemText) {
    line += u"error ";
    AppendDecimal(line, code);
    while (!systemText.empty() && (systemText.back() == u' ' || systemText.back() == u'\t' ||
                                   IsLineBreak(systemText.back()))) {
        systemText.remove_suffix(1);
    }
    if (systemText.empty()) {
        return;
    }
    line += u" (";
    bool afterBreak = false;
    for (const char16_t c : systemText) {
        if (!IsLineBreak(c)) {
            AppendVisible(line, {&c, 1});
        } else if (!afterBreak) {
            line += u' ';
        }
        afterBreak = IsLineBreak(c);
    }
    line += u')';
}

std::u16string FormatTrailLine(const TrailLineHead& head, std::string_view format,
                               std::span<const TrailPart> values, SystemErrorText systemText) {
    std::u16string line;
    AppendTime(line, head.time);
    line += u' ';
    AppendDecimal(line, head.processId);
    line += u' ';
    line += head.step;
    line += u": ";
    const TrailPart* value = values.data();
    for (const char c : format) {
        if (c != '%' || value == values.data() + values.size()) {
            line += static_cast<char16_t>(static_cast<unsigned char>(c));
            continue;
        }
        const TrailPart& part = *value++;
        switch (part.GetKind()) {
            case TrailPart::Kind::kText:
                AppendVisible(line, part.Text());
                break;
            case TrailPart::Kind::kNumber:
            case TrailPart::Kind::kNegative:
                if (part.GetKind() == TrailPart::Kind::kNegative) {
                    line += u'-';
                }
                AppendDecimal(line, part.Value());
                break;
            case TrailPart::Kind::kError:
                AppendErrorPhrase(line, part.Value(),
                                  systemText == nullptr ? u"" : systemText(part.Value()));
                break;
        }
    }
    line += u"\r\n";
    return line;
}

}  // namespace langsetup
