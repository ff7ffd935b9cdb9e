#include "help/ZrUpdateInfo.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

const std::vector<std::string> Sections = UpdateSections("Lustre", "English");

TEST(UpdateInfo, SectionsNameTheLanguageFirst)
{
  EXPECT_EQ(Sections, (std::vector<std::string>{"Lustre-English", "Lustre"}));
}

TEST(UpdateInfo, ReadsTheFirstSectionThatNamesAVersion)
{
  struct Case
  {
    const char *Name;
    const char *File;
    const char *Expected;
  };
  const Case Cases[] = {
      {"language section", "[Lustre-English]\nVersion=2.3\n[Lustre]\nVersion=2.4\n", "2.3"},
      {"language section wins even when lower",
       "[Lustre]\nVersion=9.9\n[Lustre-English]\nVersion=2.3", "2.3"},
      {"product section alone", "[Other]\nVersion=5\n[Lustre]\nVersion=2.2.10\n", "2.2.10"},
      {"names without regard to case", "[lustre-ENGLISH]\nversion = 2.3\n", "2.3"},
      {"language section without Version falls through",
       "[Lustre-English]\nDate=2026\n[Lustre]\nVersion=2.4\n", "2.4"},
      {"blank Version falls through", "[Lustre-English]\nVersion=  \n[Lustre]\nVersion=2.4\n",
       "2.4"},
      {"section without keys is absent", "[Lustre-English]\njust text\n[Lustre]\nVersion=2.4\n",
       "2.4"},
      {"value trimmed", "[Lustre]\r\nVersion=\t2.3 beta \r\n", "2.3 beta"},
      {"no matching section", "[Photo-English]\nVersion=3\n", ""},
      {"not an INI file at all", "<html><body>Not found</body></html>", ""},
      {"empty file", "", ""},
  };
  for (const Case &C : Cases)
    EXPECT_EQ(ReadAvailableVersion(C.File, Sections), C.Expected) << C.Name;
}

TEST(UpdateInfo, VersionsCompareAsTextNotAsNumbers)
{
  EXPECT_FALSE(IsNewerVersion("2.2.9", "2.2.9"));
  EXPECT_FALSE(IsNewerVersion("2.2.9", "2.2.10")); // "1" sorts before "9"
  EXPECT_TRUE(IsNewerVersion("2.2.9", "2.3"));
  EXPECT_TRUE(IsNewerVersion("2.2.9", "2.2.9 beta"));
  EXPECT_FALSE(IsNewerVersion("2.2.9", "2.2"));
  EXPECT_FALSE(IsNewerVersion("2.2.9", ""));
  EXPECT_TRUE(IsNewerVersion("2.2.9", "2.2.9\xE9")); // bytes above 127 sort high
}

TEST(UpdateInfo, TimeStampIsDayMonthYearHourMinuteSecond)
{
  std::tm T{};
  T.tm_mday = 9;
  T.tm_mon = 11; // December
  T.tm_year = 2026 - 1900;
  T.tm_hour = 14;
  T.tm_min = 5;
  T.tm_sec = 7;
  EXPECT_EQ(UpdateTimeStamp(T), "09122026140507");
  EXPECT_EQ(AppendTimeStamp("http://127.0.0.1:8080/update.ini", T),
            "http://127.0.0.1:8080/update.ini?09122026140507");
  // One second later gives another request.
  T.tm_sec = 8;
  EXPECT_EQ(UpdateTimeStamp(T), "09122026140508");
}

} // namespace
} // namespace facette
