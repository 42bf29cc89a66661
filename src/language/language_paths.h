// Paths of the language folder and its modules, built by appending to the tool's folder (which
// ends in a backslash).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace langsetup {

// The folder beside the tool that holds the modules.
inline constexpr std::u16string_view kLanguageFolderName = u"Languages";

// <folder>Languages\<name>
std::u16string LanguageFolderEntryPath(std::u16string_view toolFolder, std::u16string_view name);
// <code>.exe: the name of a module, and of its copy beside the tool that is run and then deleted
std::u16string LanguageModuleFileName(std::u16string_view code);

}  // namespace langsetup
