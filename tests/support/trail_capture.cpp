#include "support/trail_capture.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include <gtest/gtest.h>

#include "support/text_win32.h"
#include "support/win_test_support.h"

namespace langsetup::test {

namespace {

// Whether `text` has the form of `pattern`, in which "9" stands for any digit.
bool HasForm(std::string_view text, std::string_view pattern) {
    return text.size() == pattern.size() &&
           std::equal(text.begin(), text.end(), pattern.begin(),
                      [](char c, char p) { return p == '9' ? c >= '0' && c <= '9' : c == p; });
}

// The line `text` (without its end) split at its fields; nothing when it is out of the format.
std::optional<TrailLine> SplitLine(std::string_view text) {
    constexpr std::string_view kTimeForm = "9999-99-99T99:99:99.999Z ";
    const std::size_t idEnd = text.find(' ', kTimeForm.size());
    const std::size_t stepEnd = text.find(": ", idEnd);
    if (!HasForm(text.substr(0, kTimeForm.size()), kTimeForm) || idEnd == std::string_view::npos ||
        stepEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view id = text.substr(kTimeForm.size(), idEnd - kTimeForm.size());
    const std::string_view step = text.substr(idEnd + 1, stepEnd - idEnd - 1);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isLetter = [](char c) { return c >= 'a' && c <= 'z'; };
    if (id.empty() || !std::all_of(id.begin(), id.end(), isDigit) || step.empty() ||
        !std::all_of(step.begin(), step.end(), isLetter) ||
        text.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return TrailLine{std::string(text.substr(0, kTimeForm.size() - 1)),
                     static_cast<DWORD>(std::stoul(std::string(id))), std::string(step),
                     std::string(text.substr(stepEnd + 2))};
}

}  // namespace

std::vector<TrailLine> ReadTrail(const std::string& trail) {
    std::vector<TrailLine> lines;
    for (std::size_t at = 0; at < trail.size();) {
        const std::size_t end = trail.find("\r\n", at);
        const std::optional<TrailLine> line =
            end == std::string::npos ? std::nullopt
                                     : SplitLine(std::string_view(trail).substr(at, end - at));
        if (!line) {
            ADD_FAILURE() << "out of the line format: " << trail.substr(at, 200);
            break;
        }
        lines.push_back(*line);
        at = end + 2;
    }
    return lines;
}

std::string UtcNow() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

std::string StartedText(const std::wstring& commandLine) {
    return "langsetup " LANGSETUP_VERSION " started: " + Narrow(commandLine);
}

OutputPipe::OutputPipe() {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    EXPECT_TRUE(::CreatePipe(read_.Put(), write_.Put(), &inheritable, 0));
    ::SetHandleInformation(read_.Get(), HANDLE_FLAG_INHERIT, 0);
}

std::string OutputPipe::ReadAll() {
    write_.Reset();
    return ReadToEnd(read_.Get());
}

UniqueFileHandle InheritableFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.IsValid()) << "cannot create " << Narrow(path);
    return file;
}

}  // namespace langsetup::test
