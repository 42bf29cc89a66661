#include "language/res_manager.h"

namespace langsetup {

CResManager::~CResManager() { RemoveLanguageFolder(); }

void CResManager::InstallForLocale(std::int32_t /*localeId*/) {}

void CResManager::RunLanguageModule(std::int32_t /*index*/) {}

void CResManager::RemoveLanguageFolder() {}

}  // namespace langsetup
