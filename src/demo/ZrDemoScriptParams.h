// The argument list of one demo script line: argument i is the entry with
// identifier i (from 0); integers are stored as type 5, decimal numbers as
// type 10, strings as type 11.
#pragma once

#include "framework/ZrProperties.h"

#include <cstdint>
#include <optional>
#include <string>

namespace facette {

class TZrDemoScriptParams : public TZrProperties
{
public:
  static constexpr uint32_t TypeInteger = 5;
  static constexpr uint32_t TypeDouble = 10;
  static constexpr uint32_t TypeString = 11;

  // Number of arguments: entries are numbered from 0 without gaps.
  int ArgumentCount() const { return Count(); }
  // Whether argument Index holds a number (integer or decimal).
  bool IsNumeric(int Index) const;
  // The number of argument Index, rounded half to even for a decimal;
  // nothing when it is missing or not a number.
  std::optional<int32_t> IntegerArgument(int Index) const;
  // Argument Index as text (numbers in their plain decimal form); empty
  // when missing.
  std::string StringArgument(int Index) const;
};

} // namespace facette
