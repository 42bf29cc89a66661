// The language codes that name the language modules, and the locales that select them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace langsetup {

inline constexpr std::int32_t kLanguageCount = 46;
// "en": chosen for every locale that selects no other language and for indices outside the table.
inline constexpr std::int32_t kDefaultLanguageIndex = 4;

// Two-letter lowercase codes, addressed by language index. "tr" stands twice (11 and 41).
inline constexpr std::array<std::u16string_view, kLanguageCount> LanguageCodeTable = {
    u"cs", u"ct", u"de", u"es", u"en", u"fr", u"it", u"nl", u"pl", u"pt",  // 0-9
    u"ru", u"tr", u"al", u"ar", u"am", u"az", u"by", u"ba", u"bg", u"ca",  // 10-19
    u"hr", u"cz", u"dk", u"fa", u"fi", u"gl", u"gr", u"he", u"hu", u"jp",  // 20-29
    u"ko", u"lt", u"mk", u"no", u"br", u"ro", u"sr", u"sk", u"sl", u"se",  // 30-39
    u"th", u"tr", u"uk", u"uz", u"va", u"vn",                              // 40-45
};

// The language index for a locale identifier: an exact match of the whole 32-bit value against
// the eleven locales with a module of their own, else the default index. Identifiers that differ
// only in their sort-order bits select the default.
int LocaleToLanguageIndex(std::int32_t localeId);

// The code at `index`; an index outside 0..45 (negative or too large) gives "en".
std::u16string_view LanguageCode(std::int32_t index);

}  // namespace langsetup
