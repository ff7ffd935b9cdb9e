#include "demo/ZrDemoLanguage.h"

#include "demo/ZrDemoScriptParams.h"
#include "framework/ZrIniFile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

namespace facette {

namespace {

constexpr std::string_view ShortPause = "Pause 0.5";

std::string Upper(std::string_view Text)
{
  std::string Out(Text);
  for (char &C : Out)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  return Out;
}

std::vector<std::string> Tokens(std::string_view Line)
{
  std::vector<std::string> Result;
  size_t Pos = 0;
  for (;;) {
    while (Pos < Line.size() && (Line[Pos] == ' ' || Line[Pos] == '\t'))
      ++Pos;
    if (Pos >= Line.size())
      return Result;
    const size_t Begin = Pos;
    while (Pos < Line.size() && Line[Pos] != ' ' && Line[Pos] != '\t')
      ++Pos;
    Result.emplace_back(Line.substr(Begin, Pos - Begin));
  }
}

// Replaces every occurrence of Word, in any letter case, by Value.
std::string ReplaceWord(std::string_view Line, std::string_view Word, std::string_view Value)
{
  const std::string UpperLine = Upper(Line);
  std::string Result;
  size_t Pos = 0;
  for (;;) {
    const size_t Found = UpperLine.find(Word, Pos);
    if (Found == std::string::npos) {
      Result.append(Line.substr(Pos));
      return Result;
    }
    Result.append(Line.substr(Pos, Found - Pos));
    Result.append(Value);
    Pos = Found + Word.size();
  }
}

// Builds the lines of one directive.
class TExpansion
{
public:
  TExpansion(std::string Directive, std::vector<std::string> Arguments)
      : Directive(std::move(Directive)), Arguments(std::move(Arguments))
  {}

  std::vector<std::string> Lines;

  void Require(size_t Count) const
  {
    if (Arguments.size() < Count)
      throw EZrDemoScriptError("Missing arguments of " + Directive + ".");
  }
  const std::string &Argument(size_t Index) const { return Arguments[Index]; }
  size_t ArgumentCount() const { return Arguments.size(); }

  void Add(std::string Line)
  {
    if (Lines.size() >= TZrDemoLanguage::MaxExpansion)
      throw EZrDemoScriptError(Directive + " makes too many lines.");
    Lines.push_back(std::move(Line));
  }
  void Pause() { Add(std::string(ShortPause)); }
  void MoveTo(const std::string &Target)
  {
    Pause();
    Add("MouseCurvedMove " + Target);
    Pause();
  }
  // "Message m" and a pause for every argument from First on.
  void Messages(size_t First)
  {
    for (size_t I = First; I < Arguments.size(); ++I) {
      Add("Message " + Arguments[I]);
      Pause();
    }
  }

  int32_t Integer(size_t Index) const
  {
    long long Value = 0;
    if (!ParseIniInteger(Arguments[Index], Value) || Value < std::numeric_limits<int32_t>::min() ||
        Value > std::numeric_limits<int32_t>::max())
      throw EZrDemoScriptError("Not a whole number in " + Directive + ": " + Arguments[Index]);
    return static_cast<int32_t>(Value);
  }

  // The values a, a + s, ... up to b of a count whose bounds are arguments
  // First and First + 1, with the optional step after them.
  std::vector<int64_t> Count(size_t First, size_t LinesPerValue) const
  {
    const int64_t From = Integer(First);
    const int64_t To = Integer(First + 1);
    int64_t Step = ArgumentCount() > First + 2 ? Integer(First + 2) : 1;
    if (Step == 0)
      throw EZrDemoScriptError("A step of 0 never ends the count of " + Directive + ".");
    const bool Down = To < From;
    if (Down == (Step > 0))
      Step = -Step;
    const int64_t Values = (Down ? From - To : To - From) / (Step < 0 ? -Step : Step) + 1;
    if (Values > static_cast<int64_t>(TZrDemoLanguage::MaxExpansion / LinesPerValue))
      throw EZrDemoScriptError(Directive + " makes too many lines.");
    std::vector<int64_t> Result;
    for (int64_t K = From; Down ? K >= To : K <= To; K += Step)
      Result.push_back(K);
    return Result;
  }

private:
  std::string Directive;
  std::vector<std::string> Arguments;
};

} // namespace

bool TZrDemoLanguage::ExpandDirective(const std::vector<std::string> &Lines, size_t Index)
{
  if (Index >= Lines.size())
    return false;
  std::vector<std::string> Words = Tokens(Lines[Index]);
  if (Words.empty())
    return false;
  const std::string Directive = Upper(Words.front());
  Words.erase(Words.begin());
  TExpansion E(Directive, Words);
  size_t Resume = Index;

  if (Directive == "#START" || Directive == "#TOIMAGE") {
    E.Require(1);
    if (Directive == "#START") {
      E.Add("MouseSpeed 5");
      E.Add("MouseTo Image, 0, 0");
    }
    E.MoveTo("Image, " + E.Argument(0));
    E.Messages(1);
  } else if (Directive == "#TO") {
    E.Require(1);
    E.MoveTo(E.Argument(0));
    E.Messages(1);
  } else if (Directive == "#USE" || Directive == "#SET") {
    const bool Set = Directive == "#SET";
    const size_t First = Set ? 2 : 1;
    E.Require(First);
    E.MoveTo(E.Argument(0));
    if (E.ArgumentCount() > First) {
      E.Add("Message " + E.Argument(First));
      E.Pause();
    }
    E.Add(Set ? E.Argument(0) + ' ' + E.Argument(1) : E.Argument(0));
    E.Pause();
    E.Messages(First + 1);
  } else if (Directive == "#FOR") {
    E.Require(4);
    for (const int64_t K : E.Count(2, 2)) {
      E.Add("Pause " + E.Argument(0));
      E.Add(E.Argument(1) + ' ' + std::to_string(K));
    }
  } else if (Directive == "#EACH") {
    E.Require(2);
    std::string Command = E.Argument(1);
    const std::string UpperCommand = Upper(Command);
    if (UpperCommand == "MOUSEMOVE" || UpperCommand == "MOUSECURVEDMOVE")
      Command += " Image,";
    for (size_t I = 2; I < E.ArgumentCount(); ++I) {
      E.Add("Pause " + E.Argument(0));
      E.Add(Command + ' ' + E.Argument(I));
    }
  } else if (Directive == "#FINISH") {
    E.Add("MouseSpeed 5");
    E.Add("MouseCurvedMove OriginalImageButton");
    E.Add("MouseDown");
    E.Add("Message &392");
    E.Add("MouseUp");
    E.Add("Message &393");
    for (int I = 0; I < 3; ++I) {
      E.Add("MouseDown");
      E.Pause();
      E.Add("MouseUp");
      E.Pause();
    }
  } else if (Directive == "#DOFOR" || Directive == "#DOEACH") {
    size_t End = Index + 1;
    while (End < Lines.size()) {
      const std::vector<std::string> Words = Tokens(Lines[End]);
      if (!Words.empty() && Upper(Words.front()) == "#OD")
        break;
      ++End;
    }
    if (End >= Lines.size())
      throw EZrDemoScriptError(Directive + " without #OD.");
    const size_t BlockLines = std::max<size_t>(End - Index - 1, 1);
    std::vector<std::string> Values;
    if (Directive == "#DOFOR") {
      E.Require(2);
      for (const int64_t K : E.Count(0, BlockLines))
        Values.push_back(std::to_string(K));
    } else {
      Values = Words;
    }
    const std::string_view Word = Directive == "#DOFOR" ? "#FOR" : "#EACH";
    for (const std::string &Value : Values)
      for (size_t I = Index + 1; I < End; ++I)
        E.Add(ReplaceWord(Lines[I], Word, Value));
    Resume = End;
  } else {
    return false;
  }

  Pending.insert(Pending.end(), E.Lines.begin(), E.Lines.end());
  ResumeIndex = Resume;
  return true;
}

std::string TZrDemoLanguage::NextPendingLine()
{
  if (Pending.empty())
    return {};
  std::string Line = std::move(Pending.front());
  Pending.pop_front();
  return Line;
}

TZrDemoLanguage &DemoLanguage()
{
  static TZrDemoLanguage Instance;
  return Instance;
}

} // namespace facette
