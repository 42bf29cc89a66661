// Reading what the tool tells: its trail through a pipe or a file given as its standard output,
// or through the file LANGSETUP_LOG names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/unique_handle_win32.h"

namespace langsetup::test {

// One line of a trail, split at its fields.
struct TrailLine {
    std::string time;  // 2026-12-10T13:37:02.123Z
    DWORD processId = 0;
    std::string step;
    std::string text;  // what follows "<step>: ", without the line end
};

// The lines of `trail`. A line out of the format (or a last one without CR LF) fails the test.
std::vector<TrailLine> ReadTrail(const std::string& trail);

// The time now as a trail writes it; such times sort as text.
std::string UtcNow();

// "langsetup <version> started: <commandLine>": the first line of every run.
std::string StartedText(const std::wstring& commandLine);

// An anonymous pipe of the default size whose write end a process inherits as its standard
// output.
class OutputPipe {
public:
    OutputPipe();

    HANDLE WriteEnd() const { return write_.Get(); }
    // What the pipe holds once every writer has ended (the test's own write end is closed).
    std::string ReadAll();

private:
    UniqueHandle read_;
    UniqueHandle write_;
};

// A new file at `path`, opened to write by a process that inherits the handle (as `> file`).
UniqueFileHandle InheritableFile(const std::wstring& path);

}  // namespace langsetup::test
