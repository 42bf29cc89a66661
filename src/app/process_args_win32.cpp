// The process-wide argument list, split from the real command line before wWinMain runs and
// released at process exit.
#include <windows.h>

#include "app/arg_list.h"
#include "app/wide_win32.h"

namespace langsetup {
namespace {

const ArgList gProcessArgs = ArgList::Split(AsU16View(::GetCommandLineW()));

}  // namespace

const ArgList& ProcessArgs() {
    return gProcessArgs;
}

}  // namespace langsetup
