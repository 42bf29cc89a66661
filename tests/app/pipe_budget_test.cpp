#include "app/pipe_budget.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

using Verdict = PipeBudget::Verdict;

// The verdicts for lines of `sizes`, one after the other, within `budget` bytes.
std::vector<Verdict> Verdicts(std::size_t budget, const std::vector<std::size_t>& sizes) {
    PipeBudget pipe(budget);
    std::vector<Verdict> verdicts;
    for (const std::size_t size : sizes) {
        verdicts.push_back(pipe.Take(size));
    }
    return verdicts;
}

TEST(PipeBudget, WholeLinesWhileTheyLeaveRoomForTheCutLineThenOneCutThenNothing) {
    constexpr std::size_t kRoom = kCutLineRoom;
    const struct {
        std::size_t budget;
        std::vector<std::size_t> sizes;
        std::vector<Verdict> verdicts;
    } cases[] = {
        // Exactly the room for the cut line left, then one byte too many.
        {100 + kRoom,
         {60, 40, 1, 1},
         {Verdict::kWrite, Verdict::kWrite, Verdict::kCut, Verdict::kDrop}},
        {100 + kRoom, {60, 41, 1}, {Verdict::kWrite, Verdict::kCut, Verdict::kDrop}},
        // A line that does not fit is never written later, even when a shorter one would.
        {100 + kRoom, {200, 1}, {Verdict::kCut, Verdict::kDrop}},
        // No room even for the cut line.
        {kRoom - 1, {1, 1}, {Verdict::kDrop, Verdict::kDrop}},
        {kRoom, {0, 1}, {Verdict::kWrite, Verdict::kCut}},
        // A disk file: no limit.
        {std::numeric_limits<std::size_t>::max(),
         {1 << 20, 1 << 30},
         {Verdict::kWrite, Verdict::kWrite}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Verdicts(c.budget, c.sizes), c.verdicts) << c.budget << " " << c.sizes[0];
    }
}

// A pipe smaller than the default, or one that already holds something, gets less.
TEST(PipeBudget, NeverMoreThanThePipeCanTakeWhereTheSystemTells) {
    const struct {
        std::size_t quota;
        std::size_t free;
        std::size_t budget;
    } cases[] = {{0, 0, kPipeBudgetBytes},      {4096, 0, kPipeBudgetBytes},
                 {65536, 65536, kPipeBudgetBytes}, {512, 0, 448},
                 {64, 0, 56},                   {4096, 1024, 896},
                 {1, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(PipeBudgetFor(c.quota, c.free), c.budget) << c.quota << " " << c.free;
    }
}

}  // namespace
}  // namespace langsetup
