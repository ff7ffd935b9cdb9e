// The argument list of one demo script line: argument i is the entry with
// identifier i (from 0); integers are stored as type 5, decimal numbers as
// type 10, strings as type 11.
//
// Argument text: arguments are separated by commas (blanks, tabs and line
// breaks around them skipped). "text" and 'text' are strings up to the next
// quote of the same kind, in which the two characters \n stand for a line
// feed (there is no other escape; a missing closing quote takes the rest of
// the line and ends the list). An argument starting with +, - or a digit is
// a number made of the characters + - . 0-9 E: decimal when it holds "." or
// "E", else an integer. "false" and "true" are the integers 0 and -1.
// Anything else is a word up to the next blank, comma or line break. The
// decimal separator is "." whatever the locale. After an argument, anything
// but a comma ends the list.
#pragma once

#include "framework/ZrProperties.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace facette {

// A script line that cannot be read (a number-like argument that is no
// number, a directive without what it needs).
class EZrDemoScriptError : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

class TZrDemoScriptParams : public TZrProperties
{
public:
  static constexpr uint32_t TypeInteger = 5;
  static constexpr uint32_t TypeDouble = 10;
  static constexpr uint32_t TypeString = 11;

  // Replaces the arguments by those of an argument text. Throws
  // EZrDemoScriptError for a number-like argument that is not a number
  // ("-", "1-2", "1E", an integer beyond 32 bits).
  void Parse(std::string_view Text);

  // Number of arguments: entries are numbered from 0 without gaps.
  int ArgumentCount() const { return Count(); }
  // Whether argument Index holds a number (integer or decimal).
  bool IsNumeric(int Index) const;
  // The number of argument Index, rounded half to even for a decimal;
  // nothing when it is missing or not a number.
  std::optional<int32_t> IntegerArgument(int Index) const;
  // The number of argument Index as a decimal; nothing when it is missing
  // or not a number.
  std::optional<double> NumberArgument(int Index) const;
  // Argument Index as text (numbers in their plain decimal form); empty
  // when missing.
  std::string StringArgument(int Index) const;
};

// Splits a script line into its command word, in upper case, and the text
// of its arguments. The word runs up to the first blank, tab or "(". False
// for a comment: an empty word or one starting with "#", "*", "/" or ";".
bool SplitDemoLine(std::string_view Line, std::string &Command, std::string &Arguments);

} // namespace facette
