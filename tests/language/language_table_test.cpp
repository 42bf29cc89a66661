#include "language/language_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

namespace langsetup {
namespace {

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
        EXPECT_EQ(LocaleToLanguageIndex(m.localeId | 0x10000), kDefaultLanguageIndex);
        EXPECT_EQ(LocaleToLanguageIndex(m.localeId | 0x7FFF0000), kDefaultLanguageIndex);
        EXPECT_EQ(LocaleToLanguageIndex(static_cast<std::int32_t>(
                      static_cast<std::uint32_t>(m.localeId) | 0x80000000u)),
                  kDefaultLanguageIndex);
    }
    EXPECT_EQ(CodeForLocale(1031 + 0x400), u"en");  // German (Switzerland)
    EXPECT_EQ(CodeForLocale(1030), u"en");          // Danish, although "dk" is in the table
    EXPECT_EQ(CodeForLocale(1044), u"en");          // Norwegian, although "no" is in the table
}

TEST(LanguageTable, LanguagesInTheTableButWithoutALocaleSelectTheDefault) {
    EXPECT_EQ(CodeForLocale(1045), u"en");  // Polish
    EXPECT_EQ(CodeForLocale(1046), u"en");  // Brazilian Portuguese
    EXPECT_EQ(CodeForLocale(1033), u"en");  // US English, the default anyway
}

TEST(LanguageTable, ZeroNegativeAndExtremeLocalesSelectTheDefault) {
    EXPECT_EQ(LocaleToLanguageIndex(0), kDefaultLanguageIndex);
    EXPECT_EQ(LocaleToLanguageIndex(-1), kDefaultLanguageIndex);
    EXPECT_EQ(LocaleToLanguageIndex(-1031), kDefaultLanguageIndex);
    EXPECT_EQ(LocaleToLanguageIndex(std::numeric_limits<std::int32_t>::min()),
              kDefaultLanguageIndex);
    EXPECT_EQ(LocaleToLanguageIndex(std::numeric_limits<std::int32_t>::max()),
              kDefaultLanguageIndex);
}

TEST(LanguageTable, CodesAreTwoLowercaseLettersAndOnlyTrStandsTwice) {
    std::set<std::u16string_view> seen;
    std::set<std::u16string_view> repeated;
    for (std::int32_t i = 0; i < kLanguageCount; ++i) {
        const std::u16string_view code = LanguageCode(i);
        ASSERT_EQ(code.size(), 2u) << i;
        for (const char16_t c : code) {
            EXPECT_TRUE(c >= u'a' && c <= u'z') << i;
        }
        if (!seen.insert(code).second) {
            repeated.insert(code);
        }
    }
    EXPECT_EQ(repeated, std::set<std::u16string_view>{u"tr"});
    EXPECT_EQ(LanguageCode(11), u"tr");
    EXPECT_EQ(LanguageCode(41), u"tr");
    EXPECT_EQ(LanguageCode(0), u"cs");
    EXPECT_EQ(LanguageCode(34), u"br");
    EXPECT_EQ(LanguageCode(45), u"vn");
}

TEST(LanguageTable, IndicesOutsideTheTableGiveEnglish) {
    EXPECT_EQ(LanguageCode(kDefaultLanguageIndex), u"en");
    EXPECT_EQ(LanguageCode(-1), u"en");
    EXPECT_EQ(LanguageCode(std::numeric_limits<std::int32_t>::min()), u"en");
    EXPECT_EQ(LanguageCode(46), u"en");
    EXPECT_EQ(LanguageCode(std::numeric_limits<std::int32_t>::max()), u"en");
}

}  // namespace
}  // namespace langsetup
