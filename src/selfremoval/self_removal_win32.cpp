#include "selfremoval/self_removal.h"

namespace langsetup {

void StartSelfRemoval() {}

void FinishSelfRemoval(std::u16string_view /*handleText*/, std::u16string_view /*path*/) {}

}  // namespace langsetup
