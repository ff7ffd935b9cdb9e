#include "demo/ZrDemoScriptParams.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace facette {

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

std::string TZrDemoScriptParams::StringArgument(int Index) const
{
  const TZrVariant Value = GetVariant(IndexOf(static_cast<uint32_t>(Index)));
  if (const auto *S = std::get_if<std::string>(&Value))
    return *S;
  if (const auto *I = std::get_if<int32_t>(&Value))
    return std::to_string(*I);
  if (const auto *D = std::get_if<double>(&Value)) {
    char Buffer[32];
    std::snprintf(Buffer, sizeof Buffer, "%.15g", *D);
    return Buffer;
  }
  return {};
}

} // namespace facette
