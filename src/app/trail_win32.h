// The trail of a run: one line per decision and outcome, for a caller who asks for it. Two
// channels: the standard output the caller handed the tool, when it is a pipe (within the pipe
// budget) or a disk file, and the file that the environment variable LANGSETUP_LOG names. With
// neither, nothing is formatted or written. Whatever goes wrong with a channel drops that channel;
// the tool works exactly the same with or without a trail.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string_view>

#include "app/opened_folder_win32.h"
#include "app/pipe_budget.h"
#include "app/trail_line.h"

namespace langsetup {

// Where a trail's file comes from.
enum class TrailLog {
    kNamed,      // the file that LANGSETUP_LOG names
    kInherited,  // a log handle that the first process handed on to its waiter
};

// The process's trail while it lives (one at a time); the static functions reach it from
// anywhere, and do nothing while there is none.
class Trail {
public:
    // Opens the channels; `step` (ASCII, a literal: u"install", u"clean", ...) marks each line.
    // kNamed: LANGSETUP_LOG must be a full path (X:\..., \\server\share\..., \\?\...): the file
    // is opened relative to its folder without following a link, created when the name is free,
    // and refused when it is a link or junction, a folder, a file with more than one name (a hard
    // link), read-only, or no plain file lying directly in that folder. Lines are appended;
    // others may read and append to the file meanwhile.
    // kInherited: the file is `inheritedLog`, used when it is a plain disk file with one name,
    // not read-only; LANGSETUP_LOG is not opened again by name. The trail owns the handle once
    // it takes it; a refused handle is left alone. Null: no file.
    Trail(std::u16string_view step, TrailLog log, HANDLE inheritedLog = nullptr);
    ~Trail();
    Trail(const Trail&) = delete;
    Trail& operator=(const Trail&) = delete;

    // Whether a channel is open, for callers that would otherwise compute what they tell.
    static bool IsOn();
    // Writes one line: `format` (ASCII, a literal) with each "%" replaced by the next of
    // `values`. Returns at once when no channel is open.
    static void Line(const char* format, std::initializer_list<TrailPart> values = {});
    // The log file's handle (to hand an inheritable duplicate to the waiter), or null.
    static HANDLE LogHandle();

private:
    Trail(std::u16string_view step, OpenedFile log);
    void Write(std::string_view format, std::span<const TrailPart> values);

    std::u16string_view step_;
    HANDLE output_ = nullptr;  // the caller's standard output, which the tool never closes
    PipeBudget outputBudget_{0};
    OpenedFile log_;
};

}  // namespace langsetup
