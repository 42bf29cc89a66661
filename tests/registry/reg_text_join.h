// Test helpers for registry text: collecting written pieces, and splitting text into value
// lines with wrapped hex values joined again, as a reader of a whole file does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "registry/reg_text_lines.h"

namespace langsetup::test {

// Collects what the writers emit, piece by piece.
class PieceCollector final : public RegTextSink {
public:
    void Write(std::u16string_view piece) override {
        text.append(piece);
        pieces.emplace_back(piece);
    }
    std::u16string text;
    std::vector<std::u16string> pieces;
};

// The lines of `text` (split at CR LF, line ends dropped); a line ending in a backslash is
// joined with the next one, whose leading blanks are dropped.
inline std::vector<std::u16string> JoinedLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::u16string current;
    bool continuing = false;
    while (!text.empty()) {
        const std::size_t end = text.find(u"\r\n");
        std::u16string_view line = text.substr(0, end);
        text = end == std::u16string_view::npos ? std::u16string_view{} : text.substr(end + 2);
        if (continuing) {
            line.remove_prefix(std::min(line.find_first_not_of(u' '), line.size()));
        }
        current.append(line);
        continuing = !current.empty() && current.back() == u'\\';
        if (continuing) {
            current.pop_back();
        } else {
            lines.push_back(std::move(current));
            current.clear();
        }
    }
    if (continuing) {
        lines.push_back(std::move(current));
    }
    return lines;
}

// The physical lines of `text`, without their CR LF.
inline std::vector<std::u16string> PhysicalLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(u"\r\n", start);
        lines.emplace_back(text.substr(start, end - start));
        start = end == std::u16string_view::npos ? text.size() : end + 2;
    }
    return lines;
}

}  // namespace langsetup::test
