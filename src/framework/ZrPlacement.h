// The 44-byte window placement record kept in the settings file: length,
// flags, show command, minimised and maximised positions, and the restored
// (normal) rectangle, each a 32-bit little-endian number.
#pragma once

#include "framework/ZrTypes.h"

#include <array>
#include <cstdint>
#include <optional>

namespace facette {

struct TZrWindowPlacement
{
  static constexpr uint32_t RecordSize = 44;
  // Show commands.
  static constexpr uint32_t ShowNormal = 1;
  static constexpr uint32_t ShowMinimized = 2;
  static constexpr uint32_t ShowMaximized = 3;
  // Flag: a minimised window returns to the maximised state.
  static constexpr uint32_t RestoreToMaximized = 2;

  uint32_t Length = RecordSize;
  uint32_t Flags = 0;
  uint32_t ShowCmd = ShowNormal;
  TZrPoint MinPosition{-1, -1};
  TZrPoint MaxPosition{-1, -1};
  TZrRect NormalPosition;

  std::array<uint8_t, RecordSize> ToBytes() const;
  // Any 44 bytes decode; callers check the fields they rely on.
  static TZrWindowPlacement FromBytes(const std::array<uint8_t, RecordSize> &Bytes);
};

} // namespace facette
