// The command line a language module is started with.
#pragma once

#include <string>
#include <string_view>

namespace langsetup {

// The module's full path in double quotes and nothing else. Unquoted, a path with a blank, such
// as C:\My Tool\de.exe, would be read by the module as two arguments, and a start that searches
// the line would try C:\My.exe first. A Windows path cannot hold a double quote, and the path ends
// in ".exe", so no backslash stands before the closing quote.
std::u16string ModuleCommandLine(std::u16string_view modulePath);

}  // namespace langsetup
