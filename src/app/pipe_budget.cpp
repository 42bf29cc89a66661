#include "app/pipe_budget.h"

namespace langsetup {

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
