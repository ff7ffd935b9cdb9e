#include "framework/ZrIniFile.h"

#include <limits>
#include <unordered_map>

namespace facette {

namespace {

char LowerAscii(char C)
{
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C - 'A' + 'a') : C;
}

// Splits a kept line into key and value at its first "=".
bool SplitKeyValue(std::string_view Line, std::string_view &Key, std::string_view &Value)
{
  const size_t Eq = Line.find('=');
  if (Eq == std::string_view::npos)
    return false;
  Key = Line.substr(0, Eq);
  Value = Line.substr(Eq + 1);
  return true;
}

} // namespace

bool SameIniName(std::string_view A, std::string_view B)
{
  if (A.size() != B.size())
    return false;
  for (size_t I = 0; I < A.size(); ++I)
    if (LowerAscii(A[I]) != LowerAscii(B[I]))
      return false;
  return true;
}

std::string_view TrimIni(std::string_view Text)
{
  auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  size_t Begin = 0, End = Text.size();
  while (Begin < End && Blank(Text[Begin]))
    ++Begin;
  while (End > Begin && Blank(Text[End - 1]))
    --End;
  return Text.substr(Begin, End - Begin);
}

bool ParseIniInteger(std::string_view Text, long long &Value)
{
  Text = TrimIni(Text);
  bool Negative = false;
  if (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) {
    Negative = Text[0] == '-';
    Text.remove_prefix(1);
  }
  if (Text.empty())
    return false;
  // Accumulate as a negative number so that the smallest value fits too.
  long long Result = 0;
  constexpr long long Min = std::numeric_limits<long long>::min();
  for (char C : Text) {
    if (C < '0' || C > '9')
      return false;
    const int Digit = C - '0';
    if (Result < (Min + Digit) / 10)
      return false;
    Result = Result * 10 - Digit;
  }
  if (!Negative) {
    if (Result == Min)
      return false;
    Result = -Result;
  }
  Value = Result;
  return true;
}

std::vector<std::string> SplitLines(std::string_view Text)
{
  std::vector<std::string> Lines;
  size_t Start = 0;
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] != '\r' && Text[I] != '\n')
      continue;
    Lines.emplace_back(Text.substr(Start, I - Start));
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n')
      ++I;
    Start = I + 1;
  }
  if (Start < Text.size())
    Lines.emplace_back(Text.substr(Start));
  return Lines;
}

void TZrMemIniFile::SetStrings(const std::vector<std::string> &Lines)
{
  Sections_.clear();
  // Section index by lower-cased name, so that files with many sections
  // load in linear time.
  std::unordered_map<std::string, size_t> Index;
  size_t Current = 0;
  bool InSection = false;
  for (const std::string &Raw : Lines) {
    const std::string_view Line = TrimIni(Raw);
    if (Line.empty() || Line[0] == ';')
      continue;
    if (Line.size() >= 2 && Line.front() == '[' && Line.back() == ']') {
      const std::string_view Name = TrimIni(Line.substr(1, Line.size() - 2));
      std::string Folded(Name);
      for (char &C : Folded)
        C = LowerAscii(C);
      auto [It, Added] = Index.try_emplace(std::move(Folded), Sections_.size());
      if (Added)
        Sections_.push_back(TSection{std::string(Name), {}});
      Current = It->second;
      InSection = true;
      continue;
    }
    if (!InSection)
      continue;
    std::string_view Key, Value;
    if (SplitKeyValue(Line, Key, Value)) {
      std::string Kept(TrimIni(Key));
      Kept += '=';
      Kept += TrimIni(Value);
      Sections_[Current].Lines.push_back(std::move(Kept));
    } else {
      Sections_[Current].Lines.emplace_back(Line);
    }
  }
}

const TZrMemIniFile::TSection *TZrMemIniFile::FindSection(std::string_view Name) const
{
  for (const TSection &S : Sections_)
    if (SameIniName(S.Name, Name))
      return &S;
  return nullptr;
}

std::string TZrMemIniFile::ReadString(std::string_view Section, std::string_view Key,
                                      std::string_view Default) const
{
  if (const TSection *S = FindSection(Section)) {
    for (const std::string &Line : S->Lines) {
      std::string_view K, V;
      if (SplitKeyValue(Line, K, V) && SameIniName(K, Key))
        return std::string(V);
    }
  }
  return std::string(Default);
}

std::vector<std::pair<std::string, std::string>>
TZrMemIniFile::ReadSectionValues(std::string_view Section) const
{
  std::vector<std::pair<std::string, std::string>> Values;
  if (const TSection *S = FindSection(Section)) {
    Values.reserve(S->Lines.size());
    for (const std::string &Line : S->Lines) {
      std::string_view K, V;
      if (SplitKeyValue(Line, K, V))
        Values.emplace_back(K, V);
    }
  }
  return Values;
}

} // namespace facette
