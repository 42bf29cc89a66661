#include "app/run_command_win32.h"

#include "app/arg_list.h"
#include "app/command_mode.h"
#include "app/module_directory_win32.h"
#include "language/res_manager.h"
#include "selfremoval/self_removal.h"

namespace langsetup {
namespace {

// Held for the module-path query of the install driver.
HINSTANCE gInstance = nullptr;

void RunInstallDriver(const ArgList& args) {
    CResManager manager;  // its end of life removes the language modules
    if (FillModuleDirectoryFromModule(gInstance) != ModuleDirectoryState::kFolder) {
        return;
    }
    const std::int32_t locale =
        LocaleFromArguments(args).value_or(static_cast<std::int32_t>(::GetSystemDefaultLCID()));
    manager.InstallForLocale(locale);
}

}  // namespace

int RunCommand(HINSTANCE instance) {
    gInstance = instance;
    const ArgList& args = ProcessArgs();
    switch (ChooseMode(args)) {
        case CommandMode::kInstall:
            RunInstallDriver(args);
            break;
        case CommandMode::kClean:
            StartSelfRemoval();
            break;
        case CommandMode::kWaiter:
            FinishSelfRemoval(args);
            break;
        case CommandMode::kNothing:
            break;
    }
    return 0;
}

}  // namespace langsetup
