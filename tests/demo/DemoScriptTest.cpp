#include "demo/ZrDemoLanguage.h"
#include "demo/ZrDemoScript.h"
#include "demo/ZrDemoScriptParams.h"

#include "framework/ZrStream.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

namespace facette {
namespace {

// ---------------------------------------------------------------------------
// Arguments

using TArgument = std::variant<int32_t, double, std::string>;

std::vector<TArgument> Arguments(const TZrDemoScriptParams &Params)
{
  std::vector<TArgument> Result;
  for (int I = 0; I < Params.ArgumentCount(); ++I) {
    const TZrVariant V = Params.GetVariant(Params.IndexOf(static_cast<uint32_t>(I)));
    if (const auto *Int = std::get_if<int32_t>(&V))
      Result.emplace_back(*Int);
    else if (const auto *D = std::get_if<double>(&V))
      Result.emplace_back(*D);
    else
      Result.emplace_back(std::get<std::string>(V));
  }
  return Result;
}

struct TArgumentCase
{
  const char *Text;
  std::vector<TArgument> Expected;
};

TEST(DemoScriptParams, ParsesArgumentTexts)
{
  using S = std::string;
  const TArgumentCase Cases[] = {
      {"", {}},
      {"   ", {}},
      {"10, 20", {10, 20}},
      {"Image, 10, 20", {S("Image"), 10, 20}},
      {"  Image ,\t10 ,\r\n 20  ", {S("Image"), 10, 20}},
      {"-5, +7", {-5, 7}},
      {"0.5", {0.5}},
      {"1E3", {1000.0}},
      // A small e is no part of a number: the list ends after 1.
      {"1e3", {1}},
      {"2.5E-1", {0.25}},
      {"\"Hello, world\", 3", {S("Hello, world"), 3}},
      {"'single', \"double\"", {S("single"), S("double")}},
      {"\"two\\nlines\"", {S("two\nlines")}},
      // No other escape: a backslash stays as it is.
      {"\"a\\tb\\\\\"", {S("a\\tb\\\\")}},
      // Quotes are not doubled to escape them: 'it''s' is "it" and the end.
      {"'it''s'", {S("it")}},
      {"\"unterminated, 5", {S("unterminated, 5")}},
      {"true, false", {-1, 0}},
      {"True", {S("True")}},
      {"word other, 5", {S("word")}},
      {"a,,b", {S("a"), S(""), S("b")}},
      {"5,", {5}},
      {"&392, 2, 3", {S("&392"), 2, 3}},
      {"%Hello", {S("%Hello")}},
      {"(10, 20)", {S("(10"), 20}},
  };
  for (const TArgumentCase &Case : Cases) {
    TZrDemoScriptParams Params;
    Params.Parse(Case.Text);
    EXPECT_EQ(Arguments(Params), Case.Expected) << "text: " << Case.Text;
  }
}

TEST(DemoScriptParams, NumberLikeArgumentsThatAreNoNumbersAreErrors)
{
  for (const char *Text : {"-", "+", "1-2", "1E", "1.2.3", "--1", "99999999999", "5, 1-2"}) {
    TZrDemoScriptParams Params;
    EXPECT_THROW(Params.Parse(Text), EZrDemoScriptError) << Text;
  }
}

TEST(DemoScriptParams, ArgumentsReadAsNumbersAndText)
{
  TZrDemoScriptParams Params;
  Params.Parse("2.5, 3.5, word, 1E3");
  // Decimals round half to even.
  EXPECT_EQ(Params.IntegerArgument(0), 2);
  EXPECT_EQ(Params.IntegerArgument(1), 4);
  EXPECT_EQ(Params.IntegerArgument(2), std::nullopt);
  EXPECT_EQ(Params.NumberArgument(0), 2.5);
  EXPECT_EQ(Params.StringArgument(0), "2.5");
  EXPECT_EQ(Params.StringArgument(3), "1000");
  EXPECT_EQ(Params.StringArgument(7), "");
}

struct TLineCase
{
  const char *Line;
  bool IsCommand;
  const char *Command;
  const char *Arguments;
};

TEST(DemoScriptParams, SplitsLinesIntoCommandAndArguments)
{
  const TLineCase Cases[] = {
      {"MouseTo Image, 10, 20", true, "MOUSETO", "Image, 10, 20"},
      {" \t mousedown", true, "MOUSEDOWN", ""},
      {"Message\t\t\"Hi\"", true, "MESSAGE", "\"Hi\""},
      {"Pause(2)", true, "PAUSE", "(2)"},
      {"", false, "", ""},
      {"   ", false, "", ""},
      {"#comment", false, "#COMMENT", ""},
      {"* note", false, "*", "note"},
      {"// note", false, "//", "note"},
      {";note", false, ";NOTE", ""},
  };
  for (const TLineCase &Case : Cases) {
    std::string Command, Args;
    EXPECT_EQ(SplitDemoLine(Case.Line, Command, Args), Case.IsCommand) << Case.Line;
    EXPECT_EQ(Command, Case.Command) << Case.Line;
    EXPECT_EQ(Args, Case.Arguments) << Case.Line;
  }
}

// ---------------------------------------------------------------------------
// Directives

struct TDirectiveCase
{
  std::vector<std::string> Script; // the directive is line 1
  std::vector<std::string> Expected;
  size_t Resume;
};

TEST(DemoLanguage, ExpandsDirectives)
{
  const std::string P = "Pause 0.5";
  const TDirectiveCase Cases[] = {
      {{"Before", "#FOR 0.2 Size 10 30 10"},
       {"Pause 0.2", "Size 10", "Pause 0.2", "Size 20", "Pause 0.2", "Size 30"},
       1},
      // Counting down corrects the step's sign.
      {{"Before", "#FOR 0.2 Size 30 10 10"},
       {"Pause 0.2", "Size 30", "Pause 0.2", "Size 20", "Pause 0.2", "Size 10"},
       1},
      {{"Before", "#for 1 Size 1 3 -1"},
       {"Pause 1", "Size 1", "Pause 1", "Size 2", "Pause 1", "Size 3"},
       1},
      {{"Before", "#FOR 1 Size 3 0 -2"}, {"Pause 1", "Size 3", "Pause 1", "Size 1"}, 1},
      {{"Before", "#FOR 1 Size 5 5"}, {"Pause 1", "Size 5"}, 1},
      {{"Before", "#EACH 1 MouseMove 10,20 30,40"},
       {"Pause 1", "MouseMove Image, 10,20", "Pause 1", "MouseMove Image, 30,40"},
       1},
      {{"Before", "#EACH 0 SmudgeSize 8 16"},
       {"Pause 0", "SmudgeSize 8", "Pause 0", "SmudgeSize 16"},
       1},
      {{"Before", "#EACH 1 Size"}, {}, 1},
      {{"Before", "#TO ZoomIn &392 Look"},
       {P, "MouseCurvedMove ZoomIn", P, "Message &392", P, "Message Look", P},
       1},
      {{"Before", "#TOIMAGE 100,200"}, {P, "MouseCurvedMove Image, 100,200", P}, 1},
      {{"Before", "#START 5,6 Hi"},
       {"MouseSpeed 5", "MouseTo Image, 0, 0", P, "MouseCurvedMove Image, 5,6", P, "Message Hi", P},
       1},
      {{"Before", "#USE ZoomIn First Second"},
       {P, "MouseCurvedMove ZoomIn", P, "Message First", P, "ZoomIn", P, "Message Second", P},
       1},
      {{"Before", "#USE ZoomIn"}, {P, "MouseCurvedMove ZoomIn", P, "ZoomIn", P}, 1},
      {{"Before", "#SET SmudgeSize 20 &1"},
       {P, "MouseCurvedMove SmudgeSize", P, "Message &1", P, "SmudgeSize 20", P},
       1},
      {{"Before", "#FINISH"},
       {"MouseSpeed 5", "MouseCurvedMove OriginalImageButton", "MouseDown", "Message &392",
        "MouseUp", "Message &393", "MouseDown", P, "MouseUp", P, "MouseDown", P, "MouseUp", P,
        "MouseDown", P, "MouseUp", P},
       1},
      {{"Before", "#DOEACH A B", "Message #EACH", "Pause 1", "#OD", "After"},
       {"Message A", "Pause 1", "Message B", "Pause 1"},
       4},
      {{"Before", "#DOFOR 1 3 2", "Size #for", "#Od", "After"}, {"Size 1", "Size 3"}, 3},
      // A block ends at its first #OD; directives in it are not expanded.
      {{"Before", "#DOEACH X", "#TO Y", "#OD", "#OD"}, {"#TO Y"}, 3},
      {{"Before", "#DOEACH", "Size 1", "#OD"}, {}, 3},
  };
  for (const TDirectiveCase &Case : Cases) {
    TZrDemoLanguage Language;
    ASSERT_TRUE(Language.ExpandDirective(Case.Script, 1)) << Case.Script[1];
    EXPECT_EQ(std::vector<std::string>(Language.Pending.begin(), Language.Pending.end()),
              Case.Expected)
        << Case.Script[1];
    EXPECT_EQ(Language.ResumeIndex, Case.Resume) << Case.Script[1];
  }
}

TEST(DemoLanguage, OtherLinesAreNoDirectives)
{
  const std::vector<std::string> Lines = {"MouseTo 1, 2", "#OD", "#unknown", "", "#TOX 1"};
  TZrDemoLanguage Language;
  for (size_t I = 0; I < Lines.size() + 1; ++I)
    EXPECT_FALSE(Language.ExpandDirective(Lines, I)) << I;
  EXPECT_TRUE(Language.IsEmpty());
}

TEST(DemoLanguage, BrokenDirectivesAreErrors)
{
  const std::vector<std::vector<std::string>> Scripts = {
      {"#TO"},
      {"#SET Size"},
      {"#FOR 1 Size 1"},
      {"#FOR 1 Size a 3"},
      {"#FOR 1 Size 1.5 3"},
      {"#FOR 1 Size 1 3 0"},
      {"#FOR 0 Size 0 2000000000"},
      {"#DOFOR 1 3", "Size #FOR"},
      {"#DOEACH A", "Size #EACH"},
      {"#DOFOR 1 100000", "A", "B", "#OD"},
  };
  for (const auto &Script : Scripts) {
    TZrDemoLanguage Language;
    EXPECT_THROW(Language.ExpandDirective(Script, 0), EZrDemoScriptError) << Script[0];
    EXPECT_TRUE(Language.IsEmpty()) << Script[0];
  }
}

TEST(DemoLanguage, PendingLinesComeOutInOrder)
{
  TZrDemoLanguage Language;
  ASSERT_TRUE(Language.ExpandDirective({"#EACH 0 A 1 2"}, 0));
  EXPECT_EQ(Language.NextPendingLine(), "Pause 0");
  EXPECT_EQ(Language.NextPendingLine(), "A 1");
  Language.Clear();
  EXPECT_TRUE(Language.IsEmpty());
  EXPECT_EQ(Language.NextPendingLine(), "");
}

// ---------------------------------------------------------------------------
// Demo files

TZrDemoScript ScriptOf(const std::string &Bytes)
{
  TZrDemoScript Script;
  Script.LoadFromBytes(Bytes);
  return Script;
}

TEST(DemoScript, ReadsSectionsWithTheIniRules)
{
  const TZrDemoScript Script = ScriptOf("stray line\n"
                                        "[Info]\n"
                                        "Title = Smudge\n"
                                        "\n"
                                        "[Script]\n"
                                        "  MouseTo Image, 1, 2  \n"
                                        "; a comment\n"
                                        "Message \"1 = 2\"\r\n"
                                        "[1033]\n"
                                        "Hello=Hi\n"
                                        "[script]\n"
                                        "Pause 1\n");
  EXPECT_FALSE(Script.IsUtf8);
  ASSERT_EQ(Script.Sections.size(), 3u);
  EXPECT_EQ(Script.Sections[0].Name, "Info");
  EXPECT_EQ(Script.Sections[2].Name, "1033");
  EXPECT_EQ(Script.InfoValue("title"), "Smudge");
  EXPECT_EQ(Script.InfoValue("Image"), "");
  // Blanks around the first "=" go, even inside a message; a section named
  // twice goes on.
  EXPECT_EQ(Script.Lines(),
            (std::vector<std::string>{"MouseTo Image, 1, 2", "Message \"1=2\"", "Pause 1"}));
  EXPECT_EQ(Script.FileLineOf(0), 6);
  EXPECT_EQ(Script.FileLineOf(1), 8);
  EXPECT_EQ(Script.FileLineOf(2), 12);
  EXPECT_EQ(Script.FileLineOf(3), 0);
}

TEST(DemoScript, MissingSectionsAreMadeEmpty)
{
  for (const std::string Bytes : {"", "[1031]\nTitle=X\n", "[Script]\nPause\n"}) {
    const TZrDemoScript Script = ScriptOf(Bytes);
    int Info = -1, Lines = -1;
    EXPECT_TRUE(Script.FindSection("Info", Info)) << Bytes;
    EXPECT_TRUE(Script.FindSection("Script", Lines)) << Bytes;
    EXPECT_EQ(Info, 0) << Bytes;
  }
  TZrDemoScript Script = ScriptOf("[Info]\n[Script]\nA\n[1031]\n");
  Script.Clear();
  EXPECT_EQ(Script.Sections.size(), 2u);
  EXPECT_TRUE(Script.Lines().empty());
}

TEST(DemoScript, TextsFollowTheLanguageAndItsEncoding)
{
  // Without the mark the texts are in the language's ANSI code page.
  const TZrDemoScript Ansi = ScriptOf("[1049]\nTitle=\xCF\xF0\xE8\xE2\xE5\xF2\n"
                                      "[1031]\nTitle=Gr\xF6\xDF"
                                      "e\n"
                                      "[1033]\nTitle=Size\nOnly=English\n");
  EXPECT_EQ(Ansi.Text("Title", 1049, 1033), "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
  EXPECT_EQ(Ansi.Text("Title", 1031, 1033), "Gr\xC3\xB6\xC3\x9F"
                                            "e");
  // A language without a section falls back to the base language.
  EXPECT_EQ(Ansi.Text("Title", 1036, 1033), "Size");
  // The language's section is used even when it lacks the key.
  EXPECT_EQ(Ansi.Text("Only", 1031, 1033), "");
  EXPECT_EQ(Ansi.Text("Title", 1036, 1040), "");

  const TZrDemoScript Utf8 = ScriptOf("\xEF\xBB\xBF[1049]\nTitle=\xD0\x9F\xD1\x80\xD0\xB8\n");
  EXPECT_TRUE(Utf8.IsUtf8);
  EXPECT_EQ(Utf8.Text("Title", 1049, 1033), "\xD0\x9F\xD1\x80\xD0\xB8");

  // Made UTF-8 for editing, every section from its own code page: the texts
  // read the same, and the script lines are decoded as the playback would.
  TZrDemoScript Edited = Ansi;
  Edited.Lines().push_back("Message \"Gr\xF6\xDF"
                           "e\"");
  Edited.MakeUtf8(1031);
  EXPECT_TRUE(Edited.IsUtf8);
  for (uint16_t Language : {1049, 1031, 1036})
    EXPECT_EQ(Edited.Text("Title", Language, 1033), Ansi.Text("Title", Language, 1033));
  EXPECT_EQ(Edited.Lines().back(), "Message \"Gr\xC3\xB6\xC3\x9F"
                                   "e\"");
  // A second call changes nothing.
  const TZrDemoScript Once = Edited;
  Edited.MakeUtf8(1049);
  EXPECT_EQ(Edited.Lines(), Once.Lines());
  EXPECT_EQ(Edited.Sections.front().Lines, Once.Sections.front().Lines);
}

TEST(DemoScript, TitleFallsBackToInfoAndFileName)
{
  TZrDemoScript Script = ScriptOf("[Info]\nTitle=From info\n[1031]\nTitle=Deutsch\n");
  EXPECT_EQ(Script.Title(1031, 1033), "Deutsch");
  EXPECT_EQ(Script.Title(1033, 1033), "From info");
  Script = ScriptOf("[Script]\n");
  Script.FileName = "/demos/Open and zoom.dsc";
  EXPECT_EQ(Script.Title(1033, 1033), "Open and zoom");
  // An interface string that does not exist leaves the reference shown.
  Script = ScriptOf("[Info]\nTitle=&987654\n");
  EXPECT_EQ(Script.Title(1033, 1033), "&987654");
}

TEST(DemoScript, SavesAndReadsBackTheSameScript)
{
  const std::filesystem::path Folder =
      std::filesystem::temp_directory_path() / ("facette-demo-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Folder);
  const std::filesystem::path File = Folder / "round.dsc";

  TZrDemoScript Script = ScriptOf("\xEF\xBB\xBF[Info]\nTitle=T\n[Script]\nPause 1\n"
                                  "[1031]\nTitle=Gr\xC3\xB6\xC3\x9F"
                                  "e\n");
  Script.InsertLine(0, "MouseTo 1, 2");
  Script.InsertLine(99, "Pause 2");
  ASSERT_TRUE(Script.SaveToFile(File));
  TZrDemoScript Again;
  ASSERT_TRUE(Again.LoadFromFile(File));
  EXPECT_EQ(Again.FileName, File);
  EXPECT_EQ(Again.Lines(), (std::vector<std::string>{"MouseTo 1, 2", "Pause 1", "Pause 2"}));
  // The texts read as UTF-8 again.
  EXPECT_EQ(Again.Title(1031, 1033), "Gr\xC3\xB6\xC3\x9F"
                                     "e");

  TZrFileStream Stream(File, TZrFileMode::Read);
  TZrDemoScript FromStream;
  FromStream.LoadFromStream(Stream);
  EXPECT_EQ(FromStream.Lines(), Again.Lines());

  TZrDemoScript Missing;
  EXPECT_FALSE(Missing.LoadFromFile(Folder / "missing.dsc"));
  EXPECT_TRUE(Missing.Lines().empty());
  std::filesystem::remove_all(Folder);
}

TEST(ShippedDemos, HaveEveryTextInTheFourLanguages)
{
  int Count = 0;
  for (const auto &Entry : std::filesystem::directory_iterator(
           std::filesystem::path(FACETTE_SOURCE_DIR) / "data" / "Demo")) {
    if (Entry.path().extension() != ".dsc")
      continue;
    ++Count;
    SCOPED_TRACE(Entry.path().filename().string());
    TZrDemoScript Script;
    ASSERT_TRUE(Script.LoadFromFile(Entry.path()));
    EXPECT_TRUE(Script.IsUtf8);
    // The texts a script line refers to (%key, in messages and directives).
    std::vector<std::string> Keys = {"Title"};
    for (const std::string &Line : Script.Lines())
      for (size_t At = Line.find('%'); At != std::string::npos; At = Line.find('%', At + 1)) {
        size_t End = At + 1;
        while (End < Line.size() &&
               (std::isalnum(static_cast<unsigned char>(Line[End])) || Line[End] == '_'))
          ++End;
        Keys.push_back(Line.substr(At + 1, End - At - 1));
      }
    for (const uint16_t Language : {1033, 1031, 1036, 1049}) {
      int Section = -1;
      EXPECT_TRUE(Script.FindSection(std::to_string(Language), Section)) << Language;
      for (const std::string &Key : Keys)
        EXPECT_FALSE(Script.Text(Key, Language, 1033).empty()) << Language << " " << Key;
    }
  }
  EXPECT_GE(Count, 3);
}

TEST(DemoScript, SectionsAreAddedAndDeleted)
{
  TZrDemoScript Script;
  const int Index = Script.AddSection("1036");
  int Found = -1;
  EXPECT_TRUE(Script.FindSection("1036", Found));
  EXPECT_EQ(Found, Index);
  Script.DeleteSection(Index);
  EXPECT_FALSE(Script.FindSection("1036", Found));
  Script.DeleteSection(42);
  EXPECT_EQ(Script.Sections.size(), 2u);
}

} // namespace
} // namespace facette
