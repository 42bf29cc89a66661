#include "language/language_table.h"

#include <cstddef>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace langsetup {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

std::u16string CodeForLocale(std::int32_t localeId) {
    return std::u16string{LanguageCode(LocaleToLanguageIndex(localeId))};
}

struct Mapped {
    std::int32_t localeId;
    int index;
    std::u16string_view code;
};

constexpr Mapped kMapped[] = {
    {1031, 2, u"de"},  {1036, 5, u"fr"}, {1040, 6, u"it"},  {1041, 29, u"jp"},
    {1042, 30, u"ko"}, {1043, 7, u"nl"}, {1049, 10, u"ru"}, {2052, 1, u"ct"},
    {2070, 9, u"pt"},  {3076, 0, u"cs"}, {3082, 3, u"es"},
};

TEST(LanguageTable, ElevenLocalesSelectTheirOwnLanguage) {
    for (const Mapped& m : kMapped) {
        SCOPED_TRACE(m.localeId);
        EXPECT_EQ(LocaleToLanguageIndex(m.localeId), m.index);
        EXPECT_EQ(LanguageCode(m.index), m.code);
    }
}

TEST(LanguageTable, SortOrderBitsOrOtherSublanguagesSelectTheDefault) {
    for (const Mapped& m : kMapped) {
        SCOPED_TRACE(m.localeId);
        for (const std::uint32_t high : {0x10000u, 0x7FFF0000u, 0x80000000u}) {
            const auto localeId =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(m.localeId) | high);
            EXPECT_EQ(LocaleToLanguageIndex(localeId), kDefaultLanguageIndex) << high;
        }
    }
    EXPECT_EQ(CodeForLocale(1031 + 0x400), u"en");  // German (Switzerland)
    EXPECT_EQ(CodeForLocale(1030), u"en");          // Danish, although "dk" is in the table
    EXPECT_EQ(CodeForLocale(1044), u"en");          // Norwegian, although "no" is in the table
}

TEST(LanguageTable, LanguagesInTheTableButWithoutALocaleSelectTheDefault) {
    // Polish, Brazilian Portuguese, and US English (the default anyway).
    for (const std::int32_t localeId : {1045, 1046, 1033}) {
        EXPECT_EQ(CodeForLocale(localeId), u"en") << localeId;
    }
}

TEST(LanguageTable, ZeroNegativeAndExtremeLocalesSelectTheDefault) {
    for (const std::int32_t localeId : {0, -1, -1031, kMin, kMax}) {
        EXPECT_EQ(LocaleToLanguageIndex(localeId), kDefaultLanguageIndex) << localeId;
    }
}

TEST(LanguageTable, EveryCodeStandsAtItsIndex) {
    // The 46 codes in index order, ten to a row; "tr" stands at 11 and at 41.
    constexpr std::u16string_view kCodes =
        u"cs ct de es en fr it nl pl pt "
        u"ru tr al ar am az by ba bg ca "
        u"hr cz dk fa fi gl gr he hu jp "
        u"ko lt mk no br ro sr sk sl se "
        u"th tr uk uz va vn";
    ASSERT_EQ(kCodes.size(), std::size_t{kLanguageCount} * 3 - 1);
    for (std::int32_t i = 0; i < kLanguageCount; ++i) {
        EXPECT_EQ(LanguageCode(i), kCodes.substr(static_cast<std::size_t>(i) * 3, 2)) << i;
    }
}

TEST(LanguageTable, IndicesOutsideTheTableGiveEnglish) {
    for (const std::int32_t index : {kDefaultLanguageIndex, -1, kMin, 46, kMax}) {
        EXPECT_EQ(LanguageCode(index), u"en") << index;
    }
}

}  // namespace
}  // namespace langsetup
