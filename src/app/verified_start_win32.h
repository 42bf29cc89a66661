// Starting a program the tool holds, so that exactly the bytes it wrote run. A start goes by
// path, and what a path names can change above a held file; so the new process is created
// suspended, the image it was given is compared with those bytes, and it runs only when they are
// the same. Otherwise it is ended before it has run a single instruction.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "app/pe_image.h"
#include "app/unique_handle_win32.h"

namespace langsetup {

struct ProgramStart {
    const std::u16string& program;      // the held file's path
    std::u16string& commandLine;        // which the platform may change
    const std::u16string& folder;       // the new process's current directory
    DWORD flags = 0;                    // creation flags such as CREATE_NO_WINDOW
    std::span<const HANDLE> inherited;  // the only handles it inherits; empty: none at all
    bool leaveJob = false;  // started outside the tool's job where the job lets it leave
};

enum class StartOutcome {
    kStarted,        // it runs, and its image is the one meant
    kNotStarted,     // the platform refused to start it (error)
    kNotTheProgram,  // its image was not the one meant, or could not be read: ended before it ran
};

struct StartedProgram {
    UniqueProcessInformation process;
    StartOutcome outcome = StartOutcome::kNotStarted;
    DWORD error = 0;
};

// Tells the trail how the start of `program` went.
void TellStart(const std::u16string& program, const StartedProgram& started);

// Starts `start.program`, which holds the bytes `image` was read from, with null standard
// handles, its loader taking system DLLs from System32 before the program's own folder where the
// system supports that. Takes no memory once the process exists.
StartedProgram StartHeldProgram(const ProgramStart& start, PeImage& image);

}  // namespace langsetup
