// The user's guide shipped in data/help: every link inside it leads to a
// page (and an anchor) that exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace facette {
namespace {

const std::filesystem::path English = std::filesystem::path(FACETTE_TEST_DATA) / "help" / "en";

std::string Read(const std::filesystem::path &File)
{
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

TEST(HelpPages, EveryLinkLeadsToAPageAndAnchorThatExist)
{
  std::map<std::string, std::set<std::string>> Anchors; // page -> its ids
  std::map<std::string, std::string> Texts;
  for (const auto &Entry : std::filesystem::directory_iterator(English))
    if (Entry.path().extension() == ".html") {
      const std::string Name = Entry.path().filename().string();
      Texts[Name] = Read(Entry.path());
      const std::regex Id(R"re(\bid="([^"]+)")re");
      for (std::sregex_iterator I(Texts[Name].begin(), Texts[Name].end(), Id), End; I != End; ++I)
        Anchors[Name].insert((*I)[1]);
    }
  ASSERT_GE(Texts.size(), 20u);

  const std::regex Link(R"re(\b(?:href|src)="([^"]*)")re");
  int Checked = 0;
  for (const auto &[Page, Text] : Texts) {
    EXPECT_NE(Text.find("<title>"), std::string::npos) << Page;
    for (std::sregex_iterator I(Text.begin(), Text.end(), Link), End; I != End; ++I) {
      const std::string Target = (*I)[1];
      if (Target.rfind("https://", 0) == 0 || Target.rfind("http://", 0) == 0)
        continue;
      const size_t Hash = Target.find('#');
      const std::string File = Hash == std::string::npos ? Target : Target.substr(0, Hash);
      const std::string Anchor = Hash == std::string::npos ? "" : Target.substr(Hash + 1);
      const std::string Into = File.empty() ? Page : File;
      EXPECT_TRUE(std::filesystem::is_regular_file(English / Into))
          << Page << " links to the missing " << Target;
      if (!Anchor.empty()) {
        EXPECT_TRUE(Anchors[Into].count(Anchor)) << Page << " links to the missing " << Target;
      }
      ++Checked;
    }
  }
  EXPECT_GT(Checked, 100);
}

} // namespace
} // namespace facette
