#include "help/ZrHelpTopics.h"
#include "help/ZrSystemInfo.h"

#include <gtest/gtest.h>

#include <fstream>

namespace facette {
namespace {

TEST(SystemInfo, ReleaseNumbers)
{
  struct Case
  {
    const char *Release;
    int32_t Major, Minor, Build;
  };
  const Case Cases[] = {
      {"6.1.0-18-amd64", 6, 1, 0},
      {"5.15.153.1-microsoft-standard-WSL2", 5, 15, 153},
      {"4.19", 4, 19, 0},
      {"10", 10, 0, 0},
      {"", 0, 0, 0},
      {"rolling", 0, 0, 0},
  };
  for (const Case &C : Cases) {
    int32_t Major = -1, Minor = -1, Build = -1;
    ParseRelease(C.Release, Major, Minor, Build);
    EXPECT_EQ(Major, C.Major) << C.Release;
    EXPECT_EQ(Minor, C.Minor) << C.Release;
    EXPECT_EQ(Build, C.Build) << C.Release;
  }
}

TEST(SystemInfo, DistributionDescription)
{
  EXPECT_EQ(OsReleaseDescription("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                 "(bookworm)\"\nVERSION_ID=\"12\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleaseDescription("NAME='Some OS'\nVERSION=\"1 \\\"Quoted\\\"\"\n"),
            "Some OS 1 \"Quoted\"");
  EXPECT_EQ(OsReleaseDescription("ID=arch\n"), "");

  TZrVersionInfo Info;
  ReadSystemVersion(Info);
  EXPECT_FALSE(Info.SystemName.empty());
  EXPECT_GT(Info.MajorVersion, 0);
  EXPECT_NE(SystemSummary(Info).find(Info.Release), std::string::npos);
}

TEST(HelpTopics, TopicsOpenTheirPagesInTheLanguageElseInEnglish)
{
  EXPECT_EQ(HelpTopicPage(htContents), "index.html");
  EXPECT_EQ(HelpTopicPage(htGettingStarted), "getting-started.html");
  EXPECT_EQ(HelpTopicPage(htTechnicalSupport), "support.html");
  EXPECT_EQ(HelpTopicPage(htOrderingInformation), "ordering.html");
  EXPECT_EQ(HelpTopicPage(12345), "index.html");

  EXPECT_EQ(HelpLanguageFolder(1031), "de");
  EXPECT_EQ(HelpLanguageFolder(2055), "de"); // Swiss German
  EXPECT_EQ(HelpLanguageFolder(1049), "ru");
  EXPECT_EQ(HelpLanguageFolder(1041), "en");

  const std::filesystem::path Folder =
      std::filesystem::path(testing::TempDir()) / "facette-help-topics";
  std::filesystem::remove_all(Folder);
  std::filesystem::create_directories(Folder / "en");
  std::filesystem::create_directories(Folder / "de");
  std::ofstream(Folder / "en" / "index.html") << "en";
  std::ofstream(Folder / "en" / "crop.html") << "en";
  std::ofstream(Folder / "de" / "index.html") << "de";
  EXPECT_EQ(ResolveHelpPage(Folder, "de", "index.html"), Folder / "de" / "index.html");
  EXPECT_EQ(ResolveHelpPage(Folder, "de", "crop.html#ratio"), Folder / "en" / "crop.html");
  EXPECT_EQ(ResolveHelpPage(Folder, "fr", "index.html"), Folder / "en" / "index.html");
  EXPECT_EQ(ResolveHelpPage(Folder, "de", "missing.html"), std::filesystem::path());
  std::filesystem::remove_all(Folder);
}

// Every page a topic opens ships in English.
TEST(HelpTopics, ShippedPagesCoverEveryTopic)
{
  const std::filesystem::path Folder = std::filesystem::path(FACETTE_TEST_DATA) / "help";
  for (int32_t Topic : {htContents, htGettingStarted, htTechnicalSupport, htOrderingInformation})
    EXPECT_FALSE(ResolveHelpPage(Folder, "en", HelpTopicPage(Topic)).empty()) << Topic;
}

} // namespace
} // namespace facette
