// The language codes that name the language modules, and the locales that select them.
#pragma once

#include <cstdint>
#include <string_view>

namespace langsetup {

inline constexpr std::int32_t kLanguageCount = 46;
// "en": chosen for every locale that selects no other language and for indices outside the table.
inline constexpr std::int32_t kDefaultLanguageIndex = 4;

// The language index for a locale identifier: an exact match of the whole 32-bit value against
// the eleven locales with a module of their own, else the default index. Identifiers that differ
// only in their sort-order bits select the default.
int LocaleToLanguageIndex(std::int32_t localeId);

// The two-letter lowercase code at `index` in the language code table (where "tr" stands twice,
// at 11 and 41); an index outside 0..45 (negative or too large) gives "en".
std::u16string_view LanguageCode(std::int32_t index);

}  // namespace langsetup
