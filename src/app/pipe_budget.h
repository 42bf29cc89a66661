// How much of a trail goes to a pipe that its reader may never read. A write to a full pipe
// waits until the reader takes something, so a run writes no more than a pipe's buffer holds:
// whole lines while they fit, then one short line that says the trail was cut there, then
// nothing. An anonymous pipe made with the default size takes 4096 bytes before a writer waits.
#pragma once

#include <cstddef>

namespace langsetup {

// What a run writes to a pipe at most: 4096 bytes less an eighth, left for whatever else the
// caller's pipe holds.
inline constexpr std::size_t kPipeBudgetBytes = 3584;

// Room kept for the cut line: its head (time, process id, a step of a few letters) and
// "trail cut here" take about 60 bytes.
inline constexpr std::size_t kCutLineRoom = 64;

// The budget for a pipe whose buffer takes `quota` bytes (0: unknown) and has `free` of them free
// now (0: unknown; some systems never say): kPipeBudgetBytes at most, and an eighth less than
// what the pipe can take, so that a smaller pipe never holds the tool up either.
std::size_t PipeBudgetFor(std::size_t quota, std::size_t free);

class PipeBudget {
public:
    enum class Verdict {
        kWrite,  // the line fits
        kCut,    // the first line that does not fit: write the cut line instead, when it takes
                 // no more than kCutLineRoom bytes
        kDrop,   // after the cut
    };

    // `bytes` for the whole run, kCutLineRoom of them kept for the cut line.
    explicit PipeBudget(std::size_t bytes) : left_(bytes) {}

    Verdict Take(std::size_t lineBytes);

private:
    std::size_t left_;
    bool cut_ = false;
};

}  // namespace langsetup
