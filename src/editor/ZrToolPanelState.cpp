#include "editor/ZrToolPanelState.h"

namespace facette {

namespace {

void PutInt(uint8_t *&P, int32_t Value)
{
  const auto U = static_cast<uint32_t>(Value);
  for (int I = 0; I < 4; ++I)
    *P++ = static_cast<uint8_t>(U >> (8 * I));
}

int32_t GetInt(const uint8_t *&P)
{
  uint32_t U = 0;
  for (int I = 0; I < 4; ++I)
    U |= static_cast<uint32_t>(*P++) << (8 * I);
  return static_cast<int32_t>(U);
}

} // namespace

std::array<uint8_t, TZrToolPanelState::RecordSize> TZrToolPanelState::Encode() const
{
  std::array<uint8_t, RecordSize> Record{};
  uint8_t *P = Record.data();
  PutInt(P, RecordSize);
  *P++ = Visible ? 1 : 0;
  *P++ = Floating ? 1 : 0;
  PutInt(P, FloatingLeft);
  PutInt(P, FloatingTop);
  PutInt(P, FloatingWidth);
  PutInt(P, FloatingHeight);
  *P++ = DockSide;
  PutInt(P, DockPos);
  PutInt(P, DockRow);
  PutInt(P, DockedWidth);
  PutInt(P, DockedHeight);
  PutInt(P, SplitWidth);
  PutInt(P, SplitHeight);
  return Record;
}

bool TZrToolPanelState::Decode(const uint8_t *Data, size_t Size, TZrToolPanelState &State)
{
  if (!Data || Size != RecordSize)
    return false;
  const uint8_t *P = Data;
  if (GetInt(P) != RecordSize)
    return false;
  TZrToolPanelState S;
  S.Visible = *P++ != 0;
  S.Floating = *P++ != 0;
  S.FloatingLeft = GetInt(P);
  S.FloatingTop = GetInt(P);
  S.FloatingWidth = GetInt(P);
  S.FloatingHeight = GetInt(P);
  S.DockSide = *P++;
  S.DockPos = GetInt(P);
  S.DockRow = GetInt(P);
  S.DockedWidth = GetInt(P);
  S.DockedHeight = GetInt(P);
  S.SplitWidth = GetInt(P);
  S.SplitHeight = GetInt(P);
  State = S;
  return true;
}

} // namespace facette
