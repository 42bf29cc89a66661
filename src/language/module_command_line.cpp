#include "language/module_command_line.h"

namespace langsetup {

std::u16string ModuleCommandLine(std::u16string_view modulePath) {
    std::u16string line;
    line.reserve(modulePath.size() + 2);
    line += u'"';
    line += modulePath;
    line += u'"';
    return line;
}

}  // namespace langsetup
