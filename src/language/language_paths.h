// Paths of the language folder and its modules, built by appending to the tool's folder (which
// ends in a backslash).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace langsetup {

// <folder>Languages
std::u16string LanguageFolderPath(std::u16string_view toolFolder);
// <folder>Languages\<name>
std::u16string LanguageFolderEntryPath(std::u16string_view toolFolder, std::u16string_view name);
// <folder>Languages\*.exe: the search for the modules in the same folder that the cleanup empties
std::u16string LanguageModuleSearchPattern(std::u16string_view toolFolder);
// <folder>Languages\<code>.exe: the module as shipped
std::u16string LanguageModuleSourcePath(std::u16string_view toolFolder, std::u16string_view code);
// <folder><code>.exe: the copy beside the tool that is run and then deleted
std::u16string LanguageModuleTargetPath(std::u16string_view toolFolder, std::u16string_view code);
// <folder><code>.exe.<unique number>.tmp: the new file beside the tool that the module is copied
// to before it takes the target's name
std::u16string LanguageModuleCopyPath(std::u16string_view toolFolder, std::u16string_view code,
                                      std::uint32_t unique);

}  // namespace langsetup
