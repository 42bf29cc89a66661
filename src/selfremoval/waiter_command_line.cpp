#include "selfremoval/waiter_command_line.h"

#include "app/number_rule.h"
#include "app/path_parts.h"

namespace langsetup {
namespace {

constexpr std::size_t kHandOverArguments = 5;

bool CanBeQuoted(std::u16string_view path) {
    return !path.empty() && path.find(u'"') == std::u16string_view::npos &&
           path.find(u'\0') == std::u16string_view::npos;
}

// The length of "X:\" at `at` in `path`, or 0.
std::size_t DriveRootEnd(std::u16string_view path, std::size_t at) {
    const bool letter = path.size() >= at + 3 && (path[at] | 0x20) >= u'a' &&
                        (path[at] | 0x20) <= u'z' && path[at + 1] == u':' && path[at + 2] == u'\\';
    return letter ? at + 3 : 0;
}

// Where the root of `path` ends: after "X:\", "\\server\share\", "\\?\X:\" or
// "\\?\UNC\server\share\" (also with "\\.\"). 0 for anything else, which depends on the current
// directory or drive, or names a device.
std::size_t RootEnd(std::u16string_view path) {
    if (!path.starts_with(u"\\\\")) {
        return DriveRootEnd(path, 0);
    }
    std::size_t at = 2;
    const std::u16string_view rest = path.substr(at);
    if (rest.starts_with(u"?\\") || rest.starts_with(u".\\")) {
        if (!EqualIgnoringAsciiCase(path.substr(4, 4), u"UNC\\")) {
            return DriveRootEnd(path, 4);
        }
        at = 8;
    }
    for (int part = 0; part < 2; ++part) {  // the server and the share
        const std::size_t end = path.find(u'\\', at);
        if (end == std::u16string_view::npos || !IsPlainEntryName(path.substr(at, end - at))) {
            return 0;
        }
        at = end + 1;
    }
    return at;
}

}  // namespace

std::optional<std::u16string> BuildWaiterCommandLine(std::u16string_view copyPath,
                                                     const HandedOverHandles& handles,
                                                     std::u16string_view ownPath) {
    if (!CanBeQuoted(copyPath) || !CanBeQuoted(ownPath)) {
        return std::nullopt;
    }
    std::u16string line;
    const auto appendQuoted = [&line](std::u16string_view path) {
        line += u'"';
        line += path;
        line += u'"';
    };
    appendQuoted(copyPath);
    line += u' ';
    line += DecimalText(handles.process);
    line += u' ';
    appendQuoted(ownPath);
    const std::int32_t numbers[] = {handles.file, handles.ready, handles.log};
    const std::size_t count = handles.log == 0 ? 2 : 3;
    for (std::size_t i = 0; i < count; ++i) {
        line += u' ';
        line += DecimalText(numbers[i]);
    }
    if (line.size() > kMaxCommandLineLength) {
        return std::nullopt;
    }

    // The copy splits its command line by the tool's own rules: start it only with a line that
    // gives back exactly the intended arguments.
    const ArgList args = ArgList::Split(line);
    const bool whole = args.Count() == kHandOverArguments + count - 2 &&
                       args.ItemView(0) == copyPath && args.ItemView(2) == ownPath &&
                       ParseWholeNumber(args.ItemView(1)) == handles.process &&
                       ParseWholeNumber(args.ItemView(3)) == handles.file &&
                       ParseWholeNumber(args.ItemView(4)) == handles.ready &&
                       (count == 2 || ParseWholeNumber(args.ItemView(5)) == handles.log);
    if (!whole) {
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

std::u16string_view TakeFirstName(std::u16string_view& names) {
    const std::size_t end = names.find_first_of(u"\\/");
    const std::u16string_view name = names.substr(0, end);
    names.remove_prefix(end == std::u16string_view::npos ? names.size() : end + 1);
    return name;
}

std::optional<PathSteps> ReadWaiterFile(std::u16string_view path) {
    const std::size_t rootEnd = RootEnd(path);
    if (rootEnd == 0) {
        return std::nullopt;
    }
    const PathSteps steps{path.substr(0, rootEnd), path.substr(rootEnd)};
    // Also an empty name is refused: "\\" inside the path, or a separator at its end.
    for (std::u16string_view names = steps.names; !names.empty();) {
        if (!IsPlainEntryName(TakeFirstName(names))) {
            return std::nullopt;
        }
    }
    if (steps.names.empty() || steps.names.ends_with(u'\\') || steps.names.ends_with(u'/')) {
        return std::nullopt;
    }
    return steps;
}

WaiterRequest ReadWaiterRequest(const ArgList& args) {
    WaiterRequest request;
    request.process = ReadWaiterHandle(args.ItemView(1));
    const std::size_t count = args.Count();
    if (count == kHandOverArguments || count == kHandOverArguments + 1) {
        // The handles: the process, the file, the event and perhaps the log.
        std::optional<std::int32_t> values[4] = {request.process.value};
        bool numbers = request.process.kind != WaiterHandleKind::kRefused;
        for (std::size_t i = 3; i < count; ++i) {
            values[i - 2] = ParseWholeNumber(args.ItemView(i));
            numbers = numbers && values[i - 2].has_value();
        }
        if (numbers) {
            bool usable = true;
            for (std::size_t i = 0; i + 2 < count; ++i) {
                usable = usable && *values[i] > 0;
                for (std::size_t j = 0; j < i; ++j) {
                    usable = usable && *values[i] != *values[j];
                }
            }
            if (usable) {
                request.form = WaiterRequest::Form::kHandOver;
                request.handles = {*values[0], *values[1], *values[2], values[3].value_or(0)};
            }
            return request;
        }
    }
    request.path = ReadWaiterFile(args.ItemView(2));
    if (request.process.kind != WaiterHandleKind::kRefused && request.path) {
        request.form = WaiterRequest::Form::kByPath;
    }
    return request;
}

}  // namespace langsetup
