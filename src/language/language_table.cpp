#include "language/language_table.h"

#include <array>

namespace langsetup {
namespace {

struct LocaleLanguage {
    std::int32_t localeId;
    int index;
};

constexpr std::array<LocaleLanguage, 11> kLocaleLanguages = {{
    {1031, 2},   // 0x0407 German: "de"
    {1036, 5},   // 0x040C French: "fr"
    {1040, 6},   // 0x0410 Italian: "it"
    {1041, 29},  // 0x0411 Japanese: "jp"
    {1042, 30},  // 0x0412 Korean: "ko"
    {1043, 7},   // 0x0413 Dutch: "nl"
    {1049, 10},  // 0x0419 Russian: "ru"
    {2052, 1},   // 0x0804 Chinese (simplified): "ct"
    {2070, 9},   // 0x0816 Portuguese (Portugal): "pt"
    {3076, 0},   // 0x0C04 Chinese (Hong Kong): "cs"
    {3082, 3},   // 0x0C0A Spanish (modern sort): "es"
}};

// The language codes, addressed by language index.
constexpr std::array<std::u16string_view, kLanguageCount> LanguageCodeTable = {
    u"cs", u"ct", u"de", u"es", u"en", u"fr", u"it", u"nl", u"pl", u"pt",  // 0-9
    u"ru", u"tr", u"al", u"ar", u"am", u"az", u"by", u"ba", u"bg", u"ca",  // 10-19
    u"hr", u"cz", u"dk", u"fa", u"fi", u"gl", u"gr", u"he", u"hu", u"jp",  // 20-29
    u"ko", u"lt", u"mk", u"no", u"br", u"ro", u"sr", u"sk", u"sl", u"se",  // 30-39
    u"th", u"tr", u"uk", u"uz", u"va", u"vn",                              // 40-45
};

}  // namespace

int LocaleToLanguageIndex(std::int32_t localeId) {
    for (const LocaleLanguage& entry : kLocaleLanguages) {
        if (entry.localeId == localeId) {
            return entry.index;
        }
    }
    return kDefaultLanguageIndex;
}

std::u16string_view LanguageCode(std::int32_t index) {
    if (index < 0 || index >= kLanguageCount) {
        index = kDefaultLanguageIndex;
    }
    return LanguageCodeTable[static_cast<std::size_t>(index)];
}

}  // namespace langsetup
