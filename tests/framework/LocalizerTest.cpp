#include "framework/ZrLocalizer.h"

#include "framework/LanguageTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette {
namespace {

using testing_support::LanguageFileText;
using testing_support::TScratchFolder;

// A folder with English, German and French files; string 3 exists only in
// English, string 4 nowhere.
class LocalizerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Folder.Write("English.ini",
                 LanguageFileText(1033, "English", "1=OK\n2=Cancel\n3=Only English\n"));
    Folder.Write("German.ini", LanguageFileText(1031, "Deutsch", "1=OK\n2=Abbrechen\n"));
    Folder.Write("French.ini", LanguageFileText(1036, "Français", "1=D'accord\n2=Annuler\n"));
  }

  TScratchFolder Folder;
};

TEST_F(LocalizerTest, UserLanguageBecomesTheBase)
{
  TZrLocalizer L(Folder.Path, 1031);
  EXPECT_EQ(L.BaseLanguage(), 1031);
  EXPECT_EQ(L.CurrentLanguage(), 1031);
  EXPECT_EQ(L.LocalStringUtf8(2), "Abbrechen");
  // Missing in German, which is the base: the caller's default.
  EXPECT_EQ(L.LocalStringUtf8(3, "fallback"), "fallback");
  EXPECT_EQ(L.CurrentStrings().Count(), 0);
}

TEST(LocalizerStart, BaseLanguageChoice)
{
  const struct
  {
    std::vector<std::pair<int, const char *>> Files; // identifier, file name
    std::uint16_t User;
    std::uint16_t Base;
  } Cases[] = {
      {{{1033, "English.ini"}, {1036, "French.ini"}}, 1031, 1033}, // not installed: US English
      {{{1036, "French.ini"}, {1031, "German.ini"}}, 1049, 1036},  // no English: the first file
      {{{1036, "French.ini"}, {1033, "English.ini"}}, 1036, 1036},
      {{}, 1033, 0},
  };
  for (const auto &C : Cases) {
    TScratchFolder Folder;
    for (const auto &[Id, Name] : C.Files)
      Folder.Write(Name, LanguageFileText(Id, Name, "1=x\n"));
    TZrLocalizer L(Folder.Path, C.User);
    EXPECT_EQ(L.BaseLanguage(), C.Base) << C.User;
    EXPECT_EQ(L.CurrentLanguage(), C.Base) << C.User;
  }
}

TEST(LocalizerStart, MissingFolderGivesDefaults)
{
  TScratchFolder Folder;
  TZrLocalizer L(Folder.Path / "no such folder", 1033);
  EXPECT_EQ(L.BaseLanguage(), 0);
  EXPECT_TRUE(L.Languages().empty());
  EXPECT_EQ(L.LocalStringUtf8(1, "Default"), "Default");
  EXPECT_EQ(L.LocalStringUtf8(1), "");
  EXPECT_FALSE(L.SetLanguage(1033));
}

TEST(LocalizerStart, OnlyUsableLanguageFilesCount)
{
  TScratchFolder Folder;
  Folder.Write("NoId.ini", "\xEF\xBB\xBF[Language]\nLanguage=Nothing\n");
  Folder.Write("Zero.ini", LanguageFileText(0, "Zero", ""));
  Folder.Write("Huge.ini", LanguageFileText(70000, "Huge", ""));
  Folder.Write("Text.ini", "[Language]\nLangId=abc\n");
  Folder.Write("German.txt", LanguageFileText(1031, "Deutsch", ""));
  Folder.Write("Folder.ini/inner.ini", LanguageFileText(1040, "Italiano", ""));
  Folder.Write("UPPER.INI", LanguageFileText(1049, "Русский", ""));
  Folder.Write("Nameless.ini", LanguageFileText(1036, "", ""));
  TZrLocalizer L(Folder.Path, 1033);

  TZrLanguageList List;
  L.GetLanguages(List);
  ASSERT_EQ(List.size(), 2u);
  // In file name order; a language without a name is called after its file.
  EXPECT_EQ(List[0].first, "Nameless");
  EXPECT_EQ(List[0].second->LangId, 1036);
  EXPECT_EQ(List[1].first, "Русский");
  EXPECT_EQ(List[1].second->FileName, std::filesystem::absolute(Folder.Path / "UPPER.INI"));
  // Neither is US English: the first becomes the base.
  EXPECT_EQ(L.BaseLanguage(), 1036);
}

TEST(LocalizerStrings, KeysAndDuplicates)
{
  TZrLanguageFile File;
  File.SetBytes("[Strings]\n"
                "10=first\n"
                "Title=not a number\n"
                "12abc=not a number either\n"
                "; 11=commented out\n"
                " 11 = eleven \n"
                "10=second\n"
                "-5=negative\n"
                "99999999999=too large\n"
                "12=a = b\n");
  TZrLocalStringList List;
  LoadStrings(File, List);
  EXPECT_TRUE(List.Sorted());
  ASSERT_EQ(List.Count(), 4);
  EXPECT_EQ(*List.Find(10), "second");
  EXPECT_EQ(*List.Find(11), "eleven");
  EXPECT_EQ(*List.Find(12), "a = b"); // only the first "=" splits
  EXPECT_EQ(*List.Find(-5), "negative");
  EXPECT_EQ(List.Find(13), nullptr);
}

TEST(LocalStringList, AddKeepsLookupsRightSortedOrNot)
{
  TZrLocalStringList List;
  List.Add(30, "c");
  List.Add(10, "a");
  EXPECT_FALSE(List.Sorted());
  EXPECT_EQ(*List.Find(10), "a"); // linear search
  List.Add(30, "C");              // replaces, stays one entry
  EXPECT_EQ(List.Count(), 2);
  List.Sort();
  EXPECT_TRUE(List.Sorted());
  EXPECT_EQ(List.Item(0).Id, 10);
  EXPECT_EQ(*List.Find(30), "C"); // binary search
  EXPECT_EQ(List.Find(20), nullptr);
  List.Add(20, "b");
  EXPECT_FALSE(List.Sorted());
  EXPECT_EQ(*List.Find(20), "b");
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
  EXPECT_EQ(List.Find(10), nullptr);
}

TEST_F(LocalizerTest, SwitchingFallsBackToTheBase)
{
  TZrLocalizer L(Folder.Path, 1033);
  ASSERT_TRUE(L.SetLanguage(1036));
  EXPECT_EQ(L.CurrentLanguage(), 1036);
  EXPECT_EQ(L.BaseLanguage(), 1033);
  EXPECT_EQ(L.LocalStringUtf8(2), "Annuler");
  EXPECT_EQ(L.LocalStringUtf8(3), "Only English");
  EXPECT_EQ(L.LocalStringUtf8(4, "none"), "none");
  EXPECT_EQ(L.CurrentStrings().Count(), 2);

  // Back to the base: the current list is emptied, lookups read the base.
  ASSERT_TRUE(L.SetLanguage(1033));
  EXPECT_EQ(L.CurrentStrings().Count(), 0);
  EXPECT_EQ(L.LocalStringUtf8(2), "Cancel");
}

TEST_F(LocalizerTest, UnknownLanguageChangesNothing)
{
  TZrLocalizer L(Folder.Path, 1033);
  ASSERT_TRUE(L.SetLanguage(1031));
  int Calls = 0;
  L.RegisterLocalizeHandler(TZrMethod::Bind(this, [&] { ++Calls; }));
  EXPECT_FALSE(L.SetLanguage(1049));
  EXPECT_EQ(Calls, 1); // only the call at registration
  EXPECT_EQ(L.CurrentLanguage(), 1031);
  EXPECT_EQ(L.LocalStringUtf8(2), "Abbrechen");
}

TEST_F(LocalizerTest, LanguageNames)
{
  TZrLocalizer L(Folder.Path, 1033);
  std::string Name = "unchanged";
  EXPECT_FALSE(L.LanguageName(1049, Name));
  EXPECT_EQ(Name, "unchanged");
  EXPECT_TRUE(L.LanguageName(1036, Name));
  EXPECT_EQ(Name, "Français");

  TZrLanguageList List = {{"stale", nullptr}};
  L.GetLanguages(List);
  std::vector<std::string> Names;
  for (const auto &[N, Language] : List)
    Names.push_back(N + "/" + std::to_string(Language->LangId));
  // In the order of their file names.
  EXPECT_EQ(Names, (std::vector<std::string>{"English/1033", "Français/1036", "Deutsch/1031"}));
}

struct Caption
{
  std::string *Log;
  char Name;
  void Localize() { *Log += Name; }
};

TEST_F(LocalizerTest, LocalizeHandlers)
{
  TZrLocalizer L(Folder.Path, 1033);
  std::string Log;
  Caption A{&Log, 'a'}, B{&Log, 'b'};
  // Registering calls the handler at once.
  L.RegisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&A));
  EXPECT_EQ(Log, "a");
  L.RegisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&B));
  L.RegisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&A));
  EXPECT_EQ(Log, "aba");

  // A switch calls every handler in registration order.
  Log.clear();
  ASSERT_TRUE(L.SetLanguage(1031));
  EXPECT_EQ(Log, "aba");

  // Unregistering removes the last matching entry only.
  L.UnregisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&A));
  Log.clear();
  ASSERT_TRUE(L.SetLanguage(1033));
  EXPECT_EQ(Log, "ab");
  EXPECT_EQ(L.LocalizeHandlers().Count(), 2);
}

TEST_F(LocalizerTest, HandlerMayUnregisterAnotherDuringASwitch)
{
  TZrLocalizer L(Folder.Path, 1033);
  std::string Log;
  Caption B{&Log, 'b'};
  bool Armed = false;
  L.RegisterLocalizeHandler(TZrMethod::Bind(this, [&] {
    Log += 'a';
    if (Armed)
      L.UnregisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&B));
  }));
  L.RegisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&B));
  Log.clear();
  Armed = true;
  ASSERT_TRUE(L.SetLanguage(1036));
  EXPECT_EQ(Log, "a"); // the removed handler is not called any more
}

TEST(LanguageFolder, SearchOrder)
{
  TScratchFolder Root;
  const auto Program = Root.Path / "prefix" / "bin";
  std::filesystem::create_directories(Program);
  const auto Translations = Root.Path / "prefix" / "Translations" / "Languages";
  const auto Installed = Root.Path / "prefix" / "share" / "facette" / "Languages";
  const auto Beside = Program / "Languages";

  // With nothing there the last candidate is named anyway.
  EXPECT_EQ(FindLanguageFolder(Program), Translations.lexically_normal());
  std::filesystem::create_directories(Translations);
  EXPECT_EQ(FindLanguageFolder(Program), Translations.lexically_normal());
  std::filesystem::create_directories(Installed);
  EXPECT_EQ(FindLanguageFolder(Program), Installed.lexically_normal());
  std::filesystem::create_directories(Beside);
  EXPECT_EQ(FindLanguageFolder(Program), Beside.lexically_normal());
}

TEST(ProgramLocalizer, InitialisedFromTheProgramFolder)
{
  TScratchFolder Root;
  Root.Write("bin/Languages/English.ini", LanguageFileText(1033, "English", "7=Seven\n"));
  Root.Write("bin/Languages/German.ini", LanguageFileText(1031, "Deutsch", "7=Sieben\n"));
  InitLocalizer(Root.Path / "bin", 1049);
  EXPECT_EQ(BaseLanguage(), 1033);
  EXPECT_EQ(LocalStringUtf8(7), "Seven");
  std::string Log;
  Caption A{&Log, 'a'};
  RegisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&A));
  EXPECT_TRUE(SetLanguage(1031));
  EXPECT_EQ(CurrentLanguage(), 1031);
  EXPECT_EQ(LocalStringUtf8(7), "Sieben");
  EXPECT_EQ(Log, "aa");
  UnregisterLocalizeHandler(TZrMethod::Of<&Caption::Localize>(&A));
  TZrLanguageList List;
  GetLanguages(List);
  EXPECT_EQ(List.size(), 2u);
  std::string Name;
  EXPECT_TRUE(LanguageName(1031, Name));
  EXPECT_EQ(Name, "Deutsch");

  // Leave the program's localizer empty for other tests.
  InitLocalizer(Root.Path / "nowhere", 1033);
  EXPECT_EQ(BaseLanguage(), 0);
  EXPECT_EQ(Localizer().LocalizeHandlers().Count(), 0);
}

} // namespace
} // namespace facette
