#include "framework/ZrCodePage.h"
#include "framework/ZrLanguageFile.h"

#include "framework/LanguageTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace facette {
namespace {

using testing_support::TScratchFolder;

TZrLanguageFile FromBytes(std::string_view Bytes)
{
  TZrLanguageFile File;
  File.SetBytes(Bytes);
  return File;
}

TEST(LanguageFile, ByteOrderMarkWinsOverACodePageLine)
{
  // The same bytes once with and once without the mark: only without it
  // is the CodePage line obeyed.
  const std::string Body = "[Language]\nCodePage=1251\nLanguage=Русский\n";
  const TZrLanguageFile Marked = FromBytes("\xEF\xBB\xBF" + Body);
  EXPECT_EQ(Marked.ReadString("Language", "Language"), "Русский");
  EXPECT_EQ(Marked.CodePage(), 0u);
  EXPECT_EQ(Marked.ReadString("Language", "CodePage"), "1251");

  const TZrLanguageFile Unmarked = FromBytes(Body);
  EXPECT_EQ(Unmarked.CodePage(), 1251u);
  EXPECT_NE(Unmarked.ReadString("Language", "Language"), "Русский");
}

TEST(LanguageFile, CodePageLineAnywhereConvertsEveryLine)
{
  // Windows-1251 bytes of "Русский" and "Привет"; the CodePage key is in
  // another letter case, after the strings and in a section of its own.
  const TZrLanguageFile File = FromBytes("[Language]\r\n"
                                         "LangId=1049\r\n"
                                         "Language=\xD0\xF3\xF1\xF1\xEA\xE8\xE9\r\n"
                                         "[Strings]\r\n"
                                         "1=\xCF\xF0\xE8\xE2\xE5\xF2\r\n"
                                         "[Encoding]\r\n"
                                         " codepage = 1251 \r\n");
  EXPECT_EQ(File.CodePage(), 1251u);
  EXPECT_EQ(File.ReadString("Language", "Language"), "Русский");
  EXPECT_EQ(File.ReadString("Strings", "1"), "Привет");
}

TEST(LanguageFile, ZeroOrUtf8CodePageLeavesTheText)
{
  for (const char *Line : {"CodePage=0", "CodePage=65001", "CodePage=abc"}) {
    const TZrLanguageFile File = FromBytes(std::string("[Strings]\n1=Grüße\n") + Line + "\n");
    EXPECT_EQ(File.ReadString("Strings", "1"), "Grüße") << Line;
    EXPECT_EQ(File.CodePage(), 0u) << Line;
  }
}

TEST(LanguageFile, UnknownCodePageKeepsTheFile)
{
  const TZrLanguageFile File = FromBytes("[Language]\nCodePage=99999\nLangId=1031\n"
                                         "[Strings]\n5=Gr\xFC\xDF"
                                         "e\n");
  EXPECT_EQ(File.ReadString("Language", "LangId"), "1031");
  EXPECT_EQ(File.ReadString("Strings", "5"), "Gr\xFC\xDF"
                                             "e");
}

TEST(CodePage, CharsetNames)
{
  const struct
  {
    unsigned CodePage;
    const char *Charset;
  } Cases[] = {
      {1251, "CP1251"},  {932, "CP932"},        {20866, "KOI8-R"},
      {21866, "KOI8-U"}, {28591, "ISO-8859-1"}, {28605, "ISO-8859-15"},
      {20127, "ASCII"},  {65000, "UTF-7"},      {65001, ""},
      {1200, ""},        {51932, "EUC-JP"},     {54936, "GB18030"},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(CodePageCharset(C.CodePage), C.Charset) << C.CodePage;
}

TEST(CodePage, ConvertsToUtf8)
{
  const struct
  {
    unsigned CodePage;
    const char *Bytes;
    const char *Utf8;
  } Cases[] = {
      {1252, "caf\xE9 \x80", "café €"},
      {1251, "\xDF\xE7\xFB\xEA", "Язык"},
      {866, "\x8F\xE0\xA8", "При"},
      {20866, "\xF0\xD2\xC9", "При"},
      {28605, "\xA4", "€"},
      {932, "\x82\xA0", "あ"},
      {65001, "ü", "ü"},
  };
  for (const auto &C : Cases)
    EXPECT_EQ(CodePageToUtf8(C.Bytes, C.CodePage), C.Utf8) << C.CodePage;
}

TEST(CodePage, InvalidBytesBecomeReplacementCharacters)
{
  // A lead byte followed by a byte that cannot trail it, and a lead byte
  // cut off at the end: the rest of the text survives.
  EXPECT_EQ(CodePageToUtf8("\x82 ok", 932), "\xEF\xBF\xBD ok");
  EXPECT_EQ(CodePageToUtf8("ab\x82", 932), "ab\xEF\xBF\xBD");
  // A code page the system does not know leaves the bytes alone.
  EXPECT_EQ(CodePageToUtf8("a\xFF", 4242), "a\xFF");
}

TEST(LanguageFile, MissingFileIsEmpty)
{
  TScratchFolder Folder;
  const TZrLanguageFile File(Folder.Path / "nothing.ini");
  EXPECT_TRUE(File.Sections().empty());
  EXPECT_EQ(File.ReadString("Language", "LangId", "none"), "none");
}

TEST(LanguageFile, ReadsFromDisk)
{
  TScratchFolder Folder;
  const auto Path = Folder.Write("x.ini", "\xEF\xBB\xBF[Language]\nLangId=1031\n");
  const TZrLanguageFile File(Path);
  EXPECT_EQ(File.ReadString("Language", "LangId"), "1031");
}

TEST(LanguageFile, IniLayoutIsReadLeniently)
{
  const TZrLanguageFile File = FromBytes("orphan=before any section\n"
                                         "[ Strings ]\r"
                                         "; a comment=1\r\n"
                                         "  1  =  padded text  \n"
                                         "2=a=b\n"
                                         "\n"
                                         "[Other]\n"
                                         "1=other\n"
                                         "[STRINGS]\n"
                                         "3=continued\n"
                                         "a line without equals\n");
  ASSERT_EQ(File.Sections().size(), 2u);
  EXPECT_EQ(File.ReadString("strings", "1"), "padded text");
  EXPECT_EQ(File.ReadString("Strings", "2"), "a=b");
  EXPECT_EQ(File.ReadString("Strings", "3"), "continued");
  EXPECT_EQ(File.ReadString("Strings", "orphan", "-"), "-");
  EXPECT_EQ(File.ReadString("Other", "1"), "other");
  const std::vector<std::string> Kept = {"1=padded text", "2=a=b", "3=continued",
                                         "a line without equals"};
  EXPECT_EQ(File.FindSection("Strings")->Lines, Kept);
  EXPECT_EQ(File.ReadSectionValues("Strings").size(), 3u);
}

TEST(LanguageFile, FilledFromLines)
{
  TZrLanguageFile File;
  File.SetStrings({"\xEF\xBB\xBF[Language]", "LangId=1036", "Language=Français", "CodePage=1252"});
  EXPECT_EQ(File.ReadString("Language", "Language"), "Français");
  EXPECT_EQ(File.CodePage(), 0u);

  File.SetStrings({"[Language]",
                   "Language=Fran\xE7"
                   "ais",
                   "CodePage=1252"});
  EXPECT_EQ(File.ReadString("Language", "Language"), "Français");
}

TEST(IniFile, ParsesWholeIntegers)
{
  const struct
  {
    const char *Text;
    bool Ok;
    long long Value;
  } Cases[] = {
      {"42", true, 42},
      {" -7 ", true, -7},
      {"+3", true, 3},
      {"", false, 0},
      {"-", false, 0},
      {"1e3", false, 0},
      {"0x10", false, 0},
      {"12a", false, 0},
      {"9223372036854775807", true, 9223372036854775807LL},
      {"9223372036854775808", false, 0},
      {"-9223372036854775808", true, INT64_MIN},
  };
  for (const auto &C : Cases) {
    long long Value = 0;
    EXPECT_EQ(ParseIniInteger(C.Text, Value), C.Ok) << C.Text;
    if (C.Ok) {
      EXPECT_EQ(Value, C.Value) << C.Text;
    }
  }
}

} // namespace
} // namespace facette
