#include "app/command_mode.h"

#include <string_view>

#include "app/number_rule.h"

namespace langsetup {

CommandMode ChooseMode(const ArgList& args) {
    if (args.Count() < 2) {
        return CommandMode::kNothing;
    }
    const std::u16string_view first = args.ItemView(1);
    if (first == u"/install") {
        return CommandMode::kInstall;
    }
    if (first == u"/clean") {
        return CommandMode::kClean;
    }
    return args.Count() > 2 ? CommandMode::kWaiter : CommandMode::kNothing;
}

std::optional<std::int32_t> LocaleFromArguments(const ArgList& args) {
    if (args.Count() != 3) {
        return std::nullopt;
    }
    return ParseLocaleIdentifier(args.ItemView(2));
}

}  // namespace langsetup
