#include "selfremoval/waiter_command_line.h"

#include "app/arg_list.h"
#include "app/number_rule.h"

namespace langsetup {
namespace {

bool CanBeQuoted(std::u16string_view path) {
    return !path.empty() && path.find(u'"') == std::u16string_view::npos &&
           path.find(u'\0') == std::u16string_view::npos;
}

}  // namespace

std::optional<std::u16string> BuildWaiterCommandLine(std::u16string_view copyPath,
                                                     std::int32_t handleValue,
                                                     std::u16string_view ownPath) {
    if (!CanBeQuoted(copyPath) || !CanBeQuoted(ownPath)) {
        return std::nullopt;
    }
    const std::u16string handleText = DecimalText(handleValue);
    // Two quoted paths, the number and the two blanks between them.
    const std::size_t length = copyPath.size() + ownPath.size() + handleText.size() + 6;
    if (length > kMaxCommandLineLength) {
        return std::nullopt;
    }
    std::u16string line;
    line.reserve(length);
    line += u'"';
    line += copyPath;
    line += u"\" ";
    line += handleText;
    line += u" \"";
    line += ownPath;
    line += u'"';

    // The copy splits its command line by the tool's own rules: start it only with a line that
    // gives back exactly the three intended arguments.
    const ArgList args = ArgList::Split(line);
    if (args.Count() != 3 || args.ItemView(0) != copyPath || args.ItemView(1) != handleText ||
        args.ItemView(2) != ownPath) {
        return std::nullopt;
    }
    return line;
}

WaiterHandleArgument ReadWaiterHandle(std::u16string_view text) {
    const std::optional<std::int32_t> number = ParseWholeNumber(text);
    if (!number || *number < 0) {
        return {};
    }
    if (*number == 0) {
        return {WaiterHandleKind::kNone, 0};
    }
    return {WaiterHandleKind::kValue, *number};
}

std::optional<FolderAndName> ReadWaiterFile(std::u16string_view path) {
    if (!IsFullPath(path)) {
        return std::nullopt;
    }
    const std::optional<FolderAndName> parts = SplitAtLastSeparator(path);
    if (!parts || !IsPlainEntryName(parts->name)) {
        return std::nullopt;
    }
    return parts;
}

}  // namespace langsetup
