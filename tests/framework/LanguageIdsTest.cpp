#include "framework/ZrLanguageIds.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

TEST(LanguageIds, FromLocaleNames)
{
  const struct
  {
    const char *Name;
    std::uint16_t LangId;
  } Cases[] = {
      {"en_US", 1033},      {"en", 1033},
      {"en_GB", 2057},      {"en_GB.UTF-8", 2057},
      {"C", 1033},          {"POSIX", 1033},
      {"C.UTF-8", 1033},    {"de_DE", 1031},
      {"de", 1031},         {"de_AT", 3079},
      {"de_CH", 2055},      {"de_BE", 1031},
      {"de_DE@euro", 1031}, {"fr", 1036},
      {"fr_CA", 3084},      {"ru_RU.UTF-8", 1049},
      {"ru", 1049},         {"es_ES", 3082},
      {"es", 3082},         {"es_MX", 2058},
      {"it_IT", 1040},      {"nl_NL", 1043},
      {"pt_PT", 2070},      {"pt_BR", 1046},
      {"pt-BR", 1046},      {"pl_PL", 1045},
      {"cs_CZ", 1029},      {"ja_JP", 1041},
      {"zh_CN", 2052},      {"zh", 2052},
      {"zh_TW", 1028},      {"zh_Hant", 1028},
      {"zh_Hant_HK", 3076}, {"ZH-hans-cn", 2052},
      {"uk_UA", 1058},      {"sv_SE", 1053},
      {"nb_NO", 1044},      {"ko_KR", 1042},
      {"tr_TR", 1055},      {"sr_Latn_RS", 9242},
      {"xx_YY", 0},         {"", 0},
      {"_US", 0},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(LangIdFromLocaleName(C.Name), C.LangId) << C.Name;
}

TEST(LanguageIds, ToLocaleNames)
{
  const struct
  {
    std::uint16_t LangId;
    const char *Name;
  } Cases[] = {
      {1033, "en_US"},
      {2057, "en_GB"},
      {1031, "de_DE"},
      {1036, "fr_FR"},
      {1049, "ru_RU"},
      {1034, "es_ES"},
      {3082, "es_ES"},
      {1046, "pt_BR"},
      {2052, "zh_Hans_CN"},
      {0x0C07 + 0x1000, "de_DE"}, // an unlisted German territory: the main German name
      {0, "C"},
      {0x03FF, "C"},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(LocaleNameFromLangId(C.LangId), C.Name) << C.LangId;
}

TEST(LanguageIds, ListedIdentifiersRoundTrip)
{
  for (std::uint16_t LangId : {1033, 2057, 1031, 3079, 1036, 3084, 1049, 3082, 2058, 1040,
                               1043, 2070, 1046, 1045, 1029, 1041, 2052, 1028, 1042, 1058})
    EXPECT_EQ(LangIdFromLocaleName(LocaleNameFromLangId(LangId)), LangId) << LangId;
}

} // namespace
} // namespace facette
