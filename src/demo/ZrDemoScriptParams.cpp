#include "demo/ZrDemoScriptParams.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace facette {

namespace {

bool IsBlank(char C)
{
  return C == ' ' || C == '\t';
}

bool IsSeparatorBlank(char C)
{
  return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

bool IsNumberChar(char C)
{
  return (C >= '0' && C <= '9') || C == '+' || C == '-' || C == '.' || C == 'E';
}

std::string Trimmed(std::string_view Text)
{
  size_t Begin = 0, End = Text.size();
  while (Begin < End && static_cast<unsigned char>(Text[Begin]) <= ' ')
    ++Begin;
  while (End > Begin && static_cast<unsigned char>(Text[End - 1]) <= ' ')
    --End;
  return std::string(Text.substr(Begin, End - Begin));
}

[[noreturn]] void NotANumber(std::string_view Token)
{
  throw EZrDemoScriptError("Invalid number: " + std::string(Token));
}

// Stores a number-like token as an integer or a decimal.
void StoreNumber(TZrDemoScriptParams &Params, uint32_t Id, std::string_view Token)
{
  // from_chars takes no plus sign.
  std::string_view Digits = Token;
  if (!Digits.empty() && Digits.front() == '+')
    Digits.remove_prefix(1);
  if (Digits.empty() || Digits.front() == '+')
    NotANumber(Token);
  const char *First = Digits.data();
  const char *Last = First + Digits.size();
  if (Token.find_first_of(".E") == std::string_view::npos) {
    int32_t Value = 0;
    const auto [End, Error] = std::from_chars(First, Last, Value);
    if (Error != std::errc() || End != Last)
      NotANumber(Token);
    Params.StoreInteger(Id, Value);
    return;
  }
  double Value = 0;
  const auto [End, Error] = std::from_chars(First, Last, Value, std::chars_format::general);
  if (Error != std::errc() || End != Last || !std::isfinite(Value))
    NotANumber(Token);
  Params.StoreDouble(Id, Value);
}

// A quoted string from just after its opening quote; Pos ends after the
// closing quote, or at the end when there is none (Closed false).
std::string QuotedString(std::string_view Text, size_t &Pos, char Quote, bool &Closed)
{
  const size_t End = Text.find(Quote, Pos);
  Closed = End != std::string_view::npos;
  const std::string_view Body = Text.substr(Pos, Closed ? End - Pos : std::string_view::npos);
  Pos = Closed ? End + 1 : Text.size();
  std::string Result;
  Result.reserve(Body.size());
  for (size_t I = 0; I < Body.size(); ++I) {
    if (Body[I] == '\\' && I + 1 < Body.size() && Body[I + 1] == 'n') {
      Result += '\n';
      ++I;
    } else {
      Result += Body[I];
    }
  }
  return Result;
}

} // namespace

void TZrDemoScriptParams::Parse(std::string_view Source)
{
  Clear();
  const std::string Text = Trimmed(Source);
  size_t Pos = 0;
  uint32_t Id = 0;
  const auto SkipBlanks = [&] {
    while (Pos < Text.size() && IsSeparatorBlank(Text[Pos]))
      ++Pos;
  };
  SkipBlanks();
  if (Pos >= Text.size())
    return;
  for (;;) {
    const char C = Pos < Text.size() ? Text[Pos] : '\0';
    if (C == '"' || C == '\'') {
      ++Pos;
      bool Closed = false;
      StoreString(Id, QuotedString(Text, Pos, C, Closed));
      if (!Closed)
        return;
    } else if (C == '+' || C == '-' || (C >= '0' && C <= '9')) {
      const size_t Begin = Pos;
      while (Pos < Text.size() && IsNumberChar(Text[Pos]))
        ++Pos;
      StoreNumber(*this, Id, std::string_view(Text).substr(Begin, Pos - Begin));
    } else if (Text.compare(Pos, 5, "false") == 0) {
      StoreInteger(Id, 0);
      Pos += 5;
    } else if (Text.compare(Pos, 4, "true") == 0) {
      StoreInteger(Id, -1);
      Pos += 4;
    } else {
      const size_t Begin = Pos;
      while (Pos < Text.size() && !IsSeparatorBlank(Text[Pos]) && Text[Pos] != ',')
        ++Pos;
      StoreString(Id, std::string_view(Text).substr(Begin, Pos - Begin));
    }
    ++Id;
    SkipBlanks();
    if (Pos >= Text.size() || Text[Pos] != ',')
      return;
    ++Pos;
    SkipBlanks();
    // A comma at the very end introduces nothing.
    if (Pos >= Text.size())
      return;
  }
}

bool TZrDemoScriptParams::IsNumeric(int Index) const
{
  const TZrVariant Value = GetVariant(IndexOf(static_cast<uint32_t>(Index)));
  return std::holds_alternative<int32_t>(Value) || std::holds_alternative<double>(Value);
}

std::optional<int32_t> TZrDemoScriptParams::IntegerArgument(int Index) const
{
  const TZrVariant Value = GetVariant(IndexOf(static_cast<uint32_t>(Index)));
  if (const auto *I = std::get_if<int32_t>(&Value))
    return *I;
  if (const auto *D = std::get_if<double>(&Value)) {
    const double R = std::nearbyint(*D);
    if (!(R >= std::numeric_limits<int32_t>::min() && R <= std::numeric_limits<int32_t>::max()))
      return std::nullopt;
    return static_cast<int32_t>(R);
  }
  return std::nullopt;
}

std::optional<double> TZrDemoScriptParams::NumberArgument(int Index) const
{
  const TZrVariant Value = GetVariant(IndexOf(static_cast<uint32_t>(Index)));
  if (const auto *I = std::get_if<int32_t>(&Value))
    return *I;
  if (const auto *D = std::get_if<double>(&Value))
    return *D;
  return std::nullopt;
}

std::string TZrDemoScriptParams::StringArgument(int Index) const
{
  const TZrVariant Value = GetVariant(IndexOf(static_cast<uint32_t>(Index)));
  if (const auto *S = std::get_if<std::string>(&Value))
    return *S;
  if (const auto *I = std::get_if<int32_t>(&Value))
    return std::to_string(*I);
  if (const auto *D = std::get_if<double>(&Value)) {
    // Independent of the C locale, which the window system may have set.
    char Buffer[32];
    const auto Result =
        std::to_chars(Buffer, Buffer + sizeof Buffer, *D, std::chars_format::general, 15);
    return std::string(Buffer, Result.ptr);
  }
  return {};
}

bool SplitDemoLine(std::string_view Line, std::string &Command, std::string &Arguments)
{
  Command.clear();
  Arguments.clear();
  size_t Pos = 0;
  while (Pos < Line.size() && IsBlank(Line[Pos]))
    ++Pos;
  const size_t Begin = Pos;
  while (Pos < Line.size() && !IsBlank(Line[Pos]) && Line[Pos] != '(')
    ++Pos;
  Command.assign(Line.substr(Begin, Pos - Begin));
  for (char &C : Command)
    if (C >= 'a' && C <= 'z')
      C = static_cast<char>(C - 'a' + 'A');
  while (Pos < Line.size() && IsBlank(Line[Pos]))
    ++Pos;
  Arguments.assign(Line.substr(Pos));
  if (Command.empty())
    return false;
  const char First = Command.front();
  return !(First == '#' || First == '*' || First == '/' || First == ';');
}

} // namespace facette
