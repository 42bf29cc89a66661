#include "app/run_command_win32.h"

#include "app/arg_list.h"
#include "app/command_mode.h"
#include "app/module_directory_win32.h"
#include "app/trail_win32.h"
#include "app/wide_win32.h"
#include "language/res_manager.h"
#include "selfremoval/self_removal.h"
#include "selfremoval/self_removal_win32.h"

namespace langsetup {
namespace {

// Held for the module-path query of the install driver.
HINSTANCE gInstance = nullptr;

void RunInstallDriver(const ArgList& args) {
    CResManager manager;  // its end of life removes the language modules
    if (FillModuleDirectoryFromModule(gInstance) != ModuleDirectoryState::kFolder) {
        Trail::Line("no folder of the tool's own: nothing done");
        return;
    }
    const std::optional<std::int32_t> given = LocaleFromArguments(args);
    const std::int32_t locale = given.value_or(static_cast<std::int32_t>(::GetSystemDefaultLCID()));
    Trail::Line(given ? "locale % (command line)" : "locale % (system default)", {locale});
    manager.InstallForLocale(locale);
}

// The step that marks the lines of a run in `mode`.
std::u16string_view TrailStep(CommandMode mode) {
    switch (mode) {
        case CommandMode::kInstall:
            return u"install";
        case CommandMode::kClean:
            return u"clean";
        case CommandMode::kWaiter:
            return u"waiter";
        case CommandMode::kNothing:
            break;
    }
    return u"nothing";
}

}  // namespace

int RunCommand(HINSTANCE instance) {
    gInstance = instance;
    const ArgList& args = ProcessArgs();
    const CommandMode mode = ChooseMode(args);
    // The waiter writes to the log that /clean hands it, never to LANGSETUP_LOG opened again by
    // name.
    const Trail trail(TrailStep(mode),
                      mode == CommandMode::kWaiter ? TrailLog::kInherited : TrailLog::kNamed,
                      mode == CommandMode::kWaiter ? WaiterLog(args) : nullptr);
    Trail::Line("langsetup " LANGSETUP_VERSION " started: %", {AsU16View(::GetCommandLineW())});
    switch (mode) {
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
    Trail::Line("ended, exit code 0");
    return 0;
}

}  // namespace langsetup
