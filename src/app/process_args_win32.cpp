// The process-wide argument list, split from the real command line at its first use.
#include <windows.h>

#include "app/arg_list.h"
#include "app/wide_win32.h"

namespace langsetup {

const ArgList& ProcessArgs() {
    // Lives until the process ends and is never destroyed: the program has no exit-time
    // destructors (app/main_win32.cpp).
    static const ArgList* const args = new ArgList(ArgList::Split(AsU16View(::GetCommandLineW())));
    return *args;
}

}  // namespace langsetup
