#include "language/language_paths.h"


namespace langsetup {
namespace {

constexpr std::u16string_view kModuleExtension = u".exe";

std::u16string Join(std::initializer_list<std::u16string_view> parts) {
    std::u16string path;
    for (const std::u16string_view part : parts) {
        path += part;
    }
    return path;
}

}  // namespace

std::u16string LanguageFolderEntryPath(std::u16string_view toolFolder, std::u16string_view name) {
    return Join({toolFolder, kLanguageFolderName, u"\\", name});
}

std::u16string LanguageModuleFileName(std::u16string_view code) {
    return Join({code, kModuleExtension});
}

}  // namespace langsetup
