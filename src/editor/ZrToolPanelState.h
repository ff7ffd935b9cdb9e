// The stored state of the tool panel: a fixed 47-byte little-endian record
// (settings element 1 of the panel's node). Only the floating or only the
// docked fields mean something, according to Floating.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace facette {

struct TZrToolPanelState
{
  static constexpr int32_t RecordSize = 47;

  // Sides of the window a panel is docked at.
  enum : uint8_t
  {
    dpTop = 0,
    dpBottom = 1,
    dpLeft = 2,
    dpRight = 3,
  };

  bool Visible = true;
  bool Floating = false;
  int32_t FloatingLeft = 0;
  int32_t FloatingTop = 0;
  int32_t FloatingWidth = 0;
  int32_t FloatingHeight = 0;
  uint8_t DockSide = dpRight;
  int32_t DockPos = 0;
  int32_t DockRow = 0;
  int32_t DockedWidth = 0;
  int32_t DockedHeight = 0;
  int32_t SplitWidth = 0;
  int32_t SplitHeight = 0;

  friend bool operator==(const TZrToolPanelState &, const TZrToolPanelState &) = default;

  std::array<uint8_t, RecordSize> Encode() const;
  // False, State untouched, unless Data holds exactly one record whose
  // first field is its size (47): anything else was written by something
  // else and is ignored.
  static bool Decode(const uint8_t *Data, size_t Size, TZrToolPanelState &State);
};

} // namespace facette
