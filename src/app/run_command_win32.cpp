#include "run_command.h"

#include <array>

#include "app/arg_list.h"
#include "app/command_mode.h"
#include "app/module_directory.h"
#include "app/wide_win32.h"
#include "language/res_manager.h"
#include "selfremoval/self_removal.h"

namespace langsetup {
namespace {

// Held for the module-path query of the install driver.
HINSTANCE gInstance = nullptr;

// Fills ModuleDirectory from the running executable's path. A path that does not fit the
// 2048-unit buffer is detected (the call then fills the buffer to the brim) and never used.
ModuleDirectoryState FillModuleDirectoryFromInstance() {
    std::array<wchar_t, kModuleDirectoryCapacity> buffer{};
    const DWORD length =
        ::GetModuleFileNameW(gInstance, buffer.data(), static_cast<DWORD>(buffer.size()));
    const bool unusable = length == 0 || length >= buffer.size();
    return FillModuleDirectory(std::u16string_view{AsU16(buffer.data()), unusable ? 0 : length},
                               unusable);
}

void RunInstallDriver(const ArgList& args) {
    CResManager manager;  // its end of life removes the language modules
    if (FillModuleDirectoryFromInstance() != ModuleDirectoryState::kFolder) {
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
            FinishSelfRemoval(args.ItemView(1), args.ItemView(2));
            break;
        case CommandMode::kNothing:
            break;
    }
    return 0;
}

}  // namespace langsetup
