// Checks of the language files shipped in data/Languages and of the
// numbers the program's sources use.
#include "framework/ZrLocalizer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace facette {
namespace {

const std::filesystem::path LanguageFolder = std::filesystem::path(FACETTE_TEST_DATA) / "Languages";

std::string ReadBytes(const std::filesystem::path &File)
{
  std::ifstream In(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> ShippedFiles()
{
  std::vector<std::filesystem::path> Files;
  for (const auto &Entry : std::filesystem::directory_iterator(LanguageFolder))
    if (Entry.path().extension() == ".ini")
      Files.push_back(Entry.path());
  std::sort(Files.begin(), Files.end());
  return Files;
}

// The numbered texts of a file in line order, duplicates and all.
std::vector<std::pair<std::string, std::string>> RawStrings(const std::filesystem::path &File)
{
  return TZrLanguageFile(File).ReadSectionValues("Strings");
}

std::map<int, std::string> Strings(const std::filesystem::path &File)
{
  std::map<int, std::string> Map;
  for (const auto &[Key, Value] : RawStrings(File)) {
    long long Id = 0;
    if (ParseIniInteger(Key, Id))
      Map[static_cast<int>(Id)] = Value;
  }
  return Map;
}

bool IsDigit(char C)
{
  return C >= '0' && C <= '9';
}

bool IsLetter(char C)
{
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}

// The format markers of a text in order ("%s", "%d", "%0:s", "%-5.2f", "%%").
std::vector<std::string> FormatMarkers(const std::string &Text)
{
  std::vector<std::string> Markers;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] != '%')
      continue;
    size_t J = I + 1;
    if (J < Text.size() && Text[J] == '%') {
      Markers.push_back("%%");
      I = J;
      continue;
    }
    size_t K = J;
    while (K < Text.size() && IsDigit(Text[K]))
      ++K;
    if (K < Text.size() && Text[K] == ':' && K > J)
      J = K + 1; // argument index
    if (J < Text.size() && Text[J] == '-')
      ++J;
    while (J < Text.size() && IsDigit(Text[J]))
      ++J;
    if (J + 1 < Text.size() && Text[J] == '.' && IsDigit(Text[J + 1])) {
      ++J;
      while (J < Text.size() && IsDigit(Text[J]))
        ++J;
    }
    if (J < Text.size() && IsLetter(Text[J])) {
      Markers.push_back(Text.substr(I, J - I + 1));
      I = J;
    }
  }
  return Markers;
}

// The numbers passed literally as the first argument of LocalString or
// LocalStringUtf8 in one line of source.
std::vector<long long> LiteralStringNumbers(const std::string &Line)
{
  std::vector<long long> Numbers;
  const std::string Name = "LocalString";
  for (size_t At = Line.find(Name); At != std::string::npos; At = Line.find(Name, At + 1)) {
    if (At > 0 && (IsLetter(Line[At - 1]) || IsDigit(Line[At - 1]) || Line[At - 1] == '_'))
      continue;
    size_t I = At + Name.size();
    if (Line.compare(I, 4, "Utf8") == 0)
      I += 4;
    while (I < Line.size() && Line[I] == ' ')
      ++I;
    if (I >= Line.size() || Line[I] != '(')
      continue;
    ++I;
    while (I < Line.size() && Line[I] == ' ')
      ++I;
    const size_t Digits = I;
    while (I < Line.size() && IsDigit(Line[I]) && I - Digits < 12)
      ++I;
    if (I == Digits)
      continue;
    const long long Id = std::stoll(Line.substr(Digits, I - Digits));
    while (I < Line.size() && Line[I] == ' ')
      ++I;
    if (I < Line.size() && (Line[I] == ',' || Line[I] == ')'))
      Numbers.push_back(Id);
  }
  return Numbers;
}

TEST(ShippedLanguages, MarkerAndCallScanners)
{
  EXPECT_EQ(FormatMarkers("%s of %d, %0:s %-5.2f 50% off %%"),
            (std::vector<std::string>{"%s", "%d", "%0:s", "%-5.2f", "%%"}));
  EXPECT_EQ(LiteralStringNumbers("a(LocalString(12) + LocalStringUtf8( 7, \"x\")); "
                                 "MyLocalString(3); LocalString(Id); LocalString(5 + 1)"),
            (std::vector<long long>{12, 7}));
}

// How many access keys ("&" before a character other than a blank or "&")
// a caption marks.
int AccessKeys(const std::string &Text)
{
  int Count = 0;
  for (size_t I = 0; I + 1 < Text.size(); ++I) {
    if (Text[I] != '&')
      continue;
    if (Text[I + 1] == '&') {
      ++I;
      continue;
    }
    if (Text[I + 1] != ' ')
      ++Count;
  }
  return Count;
}

TEST(ShippedLanguages, FilesIdentifyTheirLanguage)
{
  const std::map<std::string, std::pair<int, std::string>> Expected = {
      {"English.ini", {1033, "English"}},
      {"German.ini", {1031, "Deutsch"}},
      {"French.ini", {1036, "Français"}},
      {"Russian.ini", {1049, "Русский"}},
  };
  std::set<std::string> Seen;
  std::set<long long> Ids;
  for (const auto &File : ShippedFiles()) {
    SCOPED_TRACE(File.filename().string());
    EXPECT_TRUE(ReadBytes(File).starts_with("\xEF\xBB\xBF")) << "saved without the UTF-8 mark";
    const TZrLanguageFile Ini(File);
    long long LangId = 0;
    ASSERT_TRUE(ParseIniInteger(Ini.ReadString("Language", "LangId"), LangId));
    EXPECT_GT(LangId, 0);
    EXPECT_LE(LangId, 0xFFFF);
    EXPECT_TRUE(Ids.insert(LangId).second) << "two files for language " << LangId;
    const std::string Name = Ini.ReadString("Language", "Language");
    EXPECT_FALSE(Name.empty());
    if (auto It = Expected.find(File.filename().string()); It != Expected.end()) {
      EXPECT_EQ(LangId, It->second.first);
      EXPECT_EQ(Name, It->second.second);
      Seen.insert(It->first);
    }
  }
  EXPECT_EQ(Seen.size(), Expected.size());
}

TEST(ShippedLanguages, EveryFileHasEveryText)
{
  const auto English = Strings(LanguageFolder / "English.ini");
  ASSERT_FALSE(English.empty());
  for (const auto &File : ShippedFiles()) {
    SCOPED_TRACE(File.filename().string());
    // A mistyped or repeated number would silently lose a text.
    std::set<int> Numbers;
    for (const auto &[Key, Value] : RawStrings(File)) {
      long long Id = 0;
      EXPECT_TRUE(ParseIniInteger(Key, Id)) << "key " << Key << " is not a number";
      EXPECT_TRUE(Numbers.insert(static_cast<int>(Id)).second) << "string " << Key << " twice";
    }
    const auto Texts = Strings(File);
    for (const auto &[Id, EnglishText] : English) {
      auto It = Texts.find(Id);
      if (It == Texts.end()) {
        ADD_FAILURE() << "string " << Id << " (" << EnglishText << ") is missing";
        continue;
      }
      EXPECT_FALSE(It->second.empty()) << "string " << Id << " is empty";
      EXPECT_EQ(FormatMarkers(It->second), FormatMarkers(EnglishText))
          << "string " << Id << ": " << It->second;
      EXPECT_EQ(AccessKeys(It->second), AccessKeys(EnglishText))
          << "string " << Id << ": " << It->second;
    }
    for (const auto &[Id, Text] : Texts)
      EXPECT_TRUE(English.count(Id))
          << "string " << Id << " (" << Text << ") is not in English.ini";
  }
}

TEST(ShippedLanguages, LocalizerStartsInTheUsersLanguage)
{
  TZrLocalizer L(LanguageFolder, 1031);
  EXPECT_EQ(L.BaseLanguage(), 1031);
  EXPECT_EQ(L.Languages().size(), ShippedFiles().size());
  EXPECT_EQ(L.LocalStringUtf8(2), "Abbrechen");
  ASSERT_TRUE(L.SetLanguage(1049));
  EXPECT_EQ(L.LocalStringUtf8(2), "Отмена");
}

// The program refers to interface texts by a literal number in a call of
// LocalString or LocalStringUtf8; every such number needs an English text.
TEST(ShippedLanguages, NumbersUsedByTheSourcesExist)
{
  const auto English = Strings(LanguageFolder / "English.ini");
  const auto Sources = std::filesystem::path(FACETTE_SOURCE_DIR) / "src";
  int Calls = 0;
  for (const auto &Entry : std::filesystem::recursive_directory_iterator(Sources)) {
    const auto Extension = Entry.path().extension();
    if (!Entry.is_regular_file() || (Extension != ".cpp" && Extension != ".h"))
      continue;
    std::ifstream In(Entry.path());
    std::string Line;
    for (int LineNo = 1; std::getline(In, Line); ++LineNo) {
      for (const long long Id : LiteralStringNumbers(Line)) {
        ++Calls;
        EXPECT_TRUE(Id <= INT32_MAX && English.count(static_cast<int>(Id)))
            << std::filesystem::relative(Entry.path(), Sources).string() << ":" << LineNo
            << " uses string " << Id << ", which English.ini lacks";
      }
    }
  }
  // The localizer's own documentation shows the convention, so the scan
  // always finds something; none found means the pattern no longer matches.
  EXPECT_GT(Calls, 0);
}

} // namespace
} // namespace facette
