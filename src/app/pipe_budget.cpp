#include "app/pipe_budget.h"

#include <initializer_list>

namespace langsetup {

std::size_t PipeBudgetFor(std::size_t quota, std::size_t free) {
    std::size_t budget = kPipeBudgetBytes;
    for (const std::size_t room : {quota, free}) {
        if (room != 0 && room - room / 8 < budget) {
            budget = room - room / 8;
        }
    }
    return budget;
}

PipeBudget::Verdict PipeBudget::Take(std::size_t lineBytes) {
    if (cut_) {
        return Verdict::kDrop;
    }
    if (lineBytes <= left_ && left_ - lineBytes >= kCutLineRoom) {
        left_ -= lineBytes;
        return Verdict::kWrite;
    }
    cut_ = true;
    return left_ >= kCutLineRoom ? Verdict::kCut : Verdict::kDrop;
}

}  // namespace langsetup
