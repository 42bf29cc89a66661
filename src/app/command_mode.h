// Choosing the one mode a run performs from its arguments.
#pragma once

#include <cstdint>
#include <optional>

#include "app/arg_list.h"

namespace langsetup {

enum class CommandMode {
    kNothing,  // fewer than two arguments, or two with argument 1 not a switch
    kInstall,  // argument 1 is "/install"
    kClean,    // argument 1 is "/clean"
    kWaiter,   // more than two arguments, argument 1 not a switch
};

// Switches are compared exactly and case-sensitively: "/INSTALL" is not a switch.
CommandMode ChooseMode(const ArgList& args);

// The locale identifier that an /install run names: argument 2 by the number rule when there are
// exactly three arguments. Otherwise none, and the system default locale decides.
std::optional<std::int32_t> LocaleFromArguments(const ArgList& args);

}  // namespace langsetup
