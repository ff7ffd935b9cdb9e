#include "demo/ZrDemoScript.h"

#include "framework/ZrCodePage.h"
#include "framework/ZrIniFile.h"
#include "framework/ZrLanguageIds.h"
#include "framework/ZrLocalizer.h"
#include "framework/ZrStream.h"
#include "imaging/ZrImageFile.h"

#include <algorithm>

namespace facette {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view InfoSection = "Info";
constexpr std::string_view ScriptSection = "Script";
// Demo files are small; anything larger is not one.
constexpr uint64_t MaxDemoFileSize = uint64_t{16} << 20;

// The value of Key among key=value lines; false when no line has the key.
bool FindValue(const std::vector<std::string> &Lines, std::string_view Key, std::string &Value)
{
  for (const std::string &Line : Lines) {
    const size_t Eq = Line.find('=');
    if (Eq != std::string::npos && SameIniName(std::string_view(Line).substr(0, Eq), Key)) {
      Value = Line.substr(Eq + 1);
      return true;
    }
  }
  return false;
}

} // namespace

TZrDemoScript::TZrDemoScript()
{
  EnsureStandardSections();
}

void TZrDemoScript::EnsureStandardSections()
{
  int Index = 0;
  if (!FindSection(InfoSection, Index))
    Sections.insert(Sections.begin(), TSection{std::string(InfoSection), {}, {}});
  if (!FindSection(ScriptSection, Index))
    Sections.insert(Sections.begin() + 1, TSection{std::string(ScriptSection), {}, {}});
}

const TZrDemoScript::TSection *TZrDemoScript::Section(std::string_view Name) const
{
  int Index = 0;
  return FindSection(Name, Index) ? &Sections[static_cast<size_t>(Index)] : nullptr;
}

std::vector<std::string> &TZrDemoScript::Lines()
{
  int Index = 0;
  FindSection(ScriptSection, Index);
  return Sections[static_cast<size_t>(Index)].Lines;
}

const std::vector<std::string> &TZrDemoScript::Lines() const
{
  return Section(ScriptSection)->Lines;
}

int TZrDemoScript::FileLineOf(size_t Index) const
{
  const TSection *Script = Section(ScriptSection);
  // Lines edited without InsertLine no longer match their numbers.
  if (Script->FileLines.size() != Script->Lines.size() || Index >= Script->FileLines.size())
    return 0;
  return Script->FileLines[Index];
}

void TZrDemoScript::InsertLine(size_t Index, std::string Line)
{
  int SectionIndex = 0;
  FindSection(ScriptSection, SectionIndex);
  TSection &Script = Sections[static_cast<size_t>(SectionIndex)];
  Index = std::min(Index, Script.Lines.size());
  if (Script.FileLines.size() == Script.Lines.size())
    Script.FileLines.insert(Script.FileLines.begin() + static_cast<std::ptrdiff_t>(Index), 0);
  Script.Lines.insert(Script.Lines.begin() + static_cast<std::ptrdiff_t>(Index), std::move(Line));
}

bool TZrDemoScript::LoadFromFile(const std::filesystem::path &Name)
{
  std::vector<uint8_t> Bytes;
  const bool Read = ReadFileBytes(Name, Bytes, MaxDemoFileSize);
  LoadFromBytes(std::string_view(reinterpret_cast<const char *>(Bytes.data()), Bytes.size()));
  FileName = Name;
  return Read;
}

void TZrDemoScript::LoadFromStream(TZrStream &Stream)
{
  std::string Bytes;
  char Buffer[4096];
  for (;;) {
    const size_t Count = Stream.Read(Buffer, sizeof Buffer);
    if (Count == 0)
      break;
    Bytes.append(Buffer, Count);
  }
  LoadFromBytes(Bytes);
}

void TZrDemoScript::LoadFromBytes(std::string_view Bytes)
{
  LoadFromStrings(SplitLines(Bytes));
}

void TZrDemoScript::LoadFromStrings(const std::vector<std::string> &List)
{
  Sections.clear();
  IsUtf8 = !List.empty() && List.front().starts_with(Utf8Mark);
  TSection *Current = nullptr;
  for (size_t I = 0; I < List.size(); ++I) {
    std::string_view Raw = List[I];
    if (I == 0 && IsUtf8)
      Raw.remove_prefix(Utf8Mark.size());
    const std::string_view Line = TrimIni(Raw);
    if (Line.empty() || Line.front() == ';')
      continue;
    if (Line.size() >= 2 && Line.front() == '[' && Line.back() == ']') {
      const std::string_view Name = TrimIni(Line.substr(1, Line.size() - 2));
      int Index = 0;
      // A section named twice goes on where it left off.
      if (!FindSection(Name, Index))
        Index = AddSection(Name);
      Current = &Sections[static_cast<size_t>(Index)];
      continue;
    }
    if (!Current)
      continue;
    std::string Kept;
    if (const size_t Eq = Line.find('='); Eq != std::string_view::npos) {
      Kept.append(TrimIni(Line.substr(0, Eq)));
      Kept += '=';
      Kept.append(TrimIni(Line.substr(Eq + 1)));
    } else {
      Kept.assign(Line);
    }
    Current->Lines.push_back(std::move(Kept));
    Current->FileLines.push_back(static_cast<int>(I + 1));
  }
  EnsureStandardSections();
}

bool TZrDemoScript::SaveToFile(const std::filesystem::path &Name) const
{
  // The mark goes back on when the texts were read as UTF-8, so that they
  // read the same when the file is opened again.
  std::string Text(IsUtf8 ? Utf8Mark : std::string_view());
  for (const TSection &S : Sections) {
    Text += '[' + S.Name + "]\n";
    for (const std::string &Line : S.Lines)
      Text += Line + '\n';
  }
  return WriteFileAtomic(Name, Text.data(), Text.size());
}

void TZrDemoScript::Clear()
{
  Sections.clear();
  IsUtf8 = false;
  FileName.clear();
  EnsureStandardSections();
}

bool TZrDemoScript::FindSection(std::string_view Name, int &Index) const
{
  for (size_t I = 0; I < Sections.size(); ++I)
    if (SameIniName(Sections[I].Name, Name)) {
      Index = static_cast<int>(I);
      return true;
    }
  return false;
}

int TZrDemoScript::AddSection(std::string_view Name)
{
  Sections.push_back(TSection{std::string(Name), {}, {}});
  return static_cast<int>(Sections.size()) - 1;
}

void TZrDemoScript::DeleteSection(int Index)
{
  if (Index < 0 || Index >= static_cast<int>(Sections.size()))
    return;
  Sections.erase(Sections.begin() + Index);
  EnsureStandardSections();
}

std::string TZrDemoScript::InfoValue(std::string_view Key) const
{
  std::string Value;
  FindValue(Section(InfoSection)->Lines, Key, Value);
  return Value;
}

std::string TZrDemoScript::Decode(std::string_view Raw, uint16_t Language) const
{
  if (IsUtf8)
    return std::string(Raw);
  unsigned CodePage = AnsiCodePageOfLangId(Language);
  // Without a code page of its own the language takes the Western one,
  // the usual system code page of these files.
  if (CodePage == 0)
    CodePage = 1252;
  return CodePageToUtf8(Raw, CodePage);
}

void TZrDemoScript::MakeUtf8(uint16_t Language)
{
  if (IsUtf8)
    return;
  for (TSection &S : Sections) {
    long long Id = 0;
    const uint16_t Own = ParseIniInteger(S.Name, Id) && Id > 0 && Id <= 0xFFFF
                             ? static_cast<uint16_t>(Id)
                             : Language;
    for (std::string &Line : S.Lines)
      Line = Decode(Line, Own);
  }
  IsUtf8 = true;
}

std::string TZrDemoScript::Text(std::string_view Key) const
{
  return Text(Key, CurrentLanguage(), BaseLanguage());
}

std::string TZrDemoScript::Text(std::string_view Key, uint16_t Language,
                                uint16_t BaseLanguage) const
{
  const TSection *Texts = Section(std::to_string(Language));
  uint16_t TextLanguage = Language;
  if (!Texts) {
    Texts = Section(std::to_string(BaseLanguage));
    TextLanguage = BaseLanguage;
  }
  std::string Value;
  if (!Texts || !FindValue(Texts->Lines, Key, Value))
    return {};
  return Decode(Value, TextLanguage);
}

std::string TZrDemoScript::Title() const
{
  return Title(CurrentLanguage(), BaseLanguage());
}

std::string TZrDemoScript::Title(uint16_t Language, uint16_t BaseLanguage) const
{
  std::string Result = Text("Title", Language, BaseLanguage);
  if (Result.empty())
    Result = Decode(InfoValue("Title"), Language);
  if (Result.empty())
    Result = FileName.stem().string();
  if (Result.size() > 1 && Result.front() == '&') {
    long long Id = 0;
    if (ParseIniInteger(std::string_view(Result).substr(1), Id) && Id >= 0 && Id <= 0x7FFFFFFF)
      Result = LocalStringUtf8(static_cast<int>(Id), Result);
  }
  return Result;
}

std::filesystem::path FindDemoFolder(const std::filesystem::path &ProgramDir)
{
  const std::filesystem::path Candidates[] = {
      ProgramDir / "Demo",
      ProgramDir / ".." / "share" / "facette" / "Demo",
  };
  for (const auto &Candidate : Candidates) {
    std::error_code Error;
    if (std::filesystem::is_directory(Candidate, Error))
      return Candidate.lexically_normal();
  }
  return Candidates[0].lexically_normal();
}

} // namespace facette
