// The user's guide shipped in data/help: every link inside it leads to a
// page (and an anchor) that exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace facette {
namespace {

const std::filesystem::path English = std::filesystem::path(FACETTE_TEST_DATA) / "help" / "en";

std::string Read(const std::filesystem::path &File)
{
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

// The values of an attribute (written name="value") throughout a page.
std::vector<std::string> Attributes(const std::string &Text, const std::string &Name)
{
  std::vector<std::string> Values;
  const std::string Opening = " " + Name + "=\"";
  for (size_t At = Text.find(Opening); At != std::string::npos; At = Text.find(Opening, At + 1)) {
    const size_t Start = At + Opening.size();
    const size_t End = Text.find('"', Start);
    if (End == std::string::npos)
      break;
    Values.push_back(Text.substr(Start, End - Start));
  }
  return Values;
}

TEST(HelpPages, EveryLinkLeadsToAPageAndAnchorThatExist)
{
  std::map<std::string, std::set<std::string>> Anchors; // page -> its ids
  std::map<std::string, std::string> Texts;
  for (const auto &Entry : std::filesystem::directory_iterator(English))
    if (Entry.path().extension() == ".html") {
      const std::string Name = Entry.path().filename().string();
      Texts[Name] = Read(Entry.path());
      for (const std::string &Id : Attributes(Texts[Name], "id"))
        Anchors[Name].insert(Id);
    }
  ASSERT_GE(Texts.size(), 20u);

  int Checked = 0;
  for (const auto &[Page, Text] : Texts) {
    EXPECT_NE(Text.find("<title>"), std::string::npos) << Page;
    std::vector<std::string> Links = Attributes(Text, "href");
    for (const std::string &Source : Attributes(Text, "src"))
      Links.push_back(Source);
    for (const std::string &Target : Links) {
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
