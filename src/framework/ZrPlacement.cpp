#include "framework/ZrPlacement.h"

namespace facette {

namespace {

void Put(std::array<uint8_t, TZrWindowPlacement::RecordSize> &Bytes, size_t &At, uint32_t Value)
{
  for (int I = 0; I < 4; ++I)
    Bytes[At++] = static_cast<uint8_t>(Value >> (8 * I));
}

uint32_t Get(const std::array<uint8_t, TZrWindowPlacement::RecordSize> &Bytes, size_t &At)
{
  uint32_t Value = 0;
  for (int I = 0; I < 4; ++I)
    Value |= static_cast<uint32_t>(Bytes[At++]) << (8 * I);
  return Value;
}

} // namespace

std::array<uint8_t, TZrWindowPlacement::RecordSize> TZrWindowPlacement::ToBytes() const
{
  std::array<uint8_t, RecordSize> Bytes{};
  size_t At = 0;
  const uint32_t Fields[] = {Length,
                             Flags,
                             ShowCmd,
                             static_cast<uint32_t>(MinPosition.X),
                             static_cast<uint32_t>(MinPosition.Y),
                             static_cast<uint32_t>(MaxPosition.X),
                             static_cast<uint32_t>(MaxPosition.Y),
                             static_cast<uint32_t>(NormalPosition.Left),
                             static_cast<uint32_t>(NormalPosition.Top),
                             static_cast<uint32_t>(NormalPosition.Right),
                             static_cast<uint32_t>(NormalPosition.Bottom)};
  for (uint32_t Field : Fields)
    Put(Bytes, At, Field);
  return Bytes;
}

TZrWindowPlacement TZrWindowPlacement::FromBytes(const std::array<uint8_t, RecordSize> &Bytes)
{
  TZrWindowPlacement P;
  size_t At = 0;
  P.Length = Get(Bytes, At);
  P.Flags = Get(Bytes, At);
  P.ShowCmd = Get(Bytes, At);
  P.MinPosition.X = static_cast<int32_t>(Get(Bytes, At));
  P.MinPosition.Y = static_cast<int32_t>(Get(Bytes, At));
  P.MaxPosition.X = static_cast<int32_t>(Get(Bytes, At));
  P.MaxPosition.Y = static_cast<int32_t>(Get(Bytes, At));
  P.NormalPosition.Left = static_cast<int32_t>(Get(Bytes, At));
  P.NormalPosition.Top = static_cast<int32_t>(Get(Bytes, At));
  P.NormalPosition.Right = static_cast<int32_t>(Get(Bytes, At));
  P.NormalPosition.Bottom = static_cast<int32_t>(Get(Bytes, At));
  return P;
}

} // namespace facette
