#include "tools/reshape/ZrLiquifySequence.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace facette {

// ---------------------------------------------------------------------------
// TZrFieldCheckpoint

void TZrFieldCheckpoint::Reset(const TZrRect &Grid)
{
  Forget();
  Grid_ = Grid.IsEmpty() ? TZrRect{} : Grid;
  Columns = (Grid_.Width() + TileSide - 1) / TileSide;
  Rows = (Grid_.Height() + TileSide - 1) / TileSide;
  Tiles.clear();
  Tiles.resize(static_cast<size_t>(Columns) * static_cast<size_t>(Rows));
}

void TZrFieldCheckpoint::Forget()
{
  for (int32_t Index : KeptList)
    Tiles[static_cast<size_t>(Index)].reset();
  KeptList.clear();
}

TZrRect TZrFieldCheckpoint::TileRect(int32_t Column, int32_t Row) const
{
  return IntersectRect(
      Bounds(Grid_.Left + Column * TileSide, Grid_.Top + Row * TileSide, TileSide, TileSide),
      Grid_);
}

size_t TZrFieldCheckpoint::TileOffset(const TZrRect &Tile, int32_t X, int32_t Y)
{
  return static_cast<size_t>(Y - Tile.Top) * TileSide + static_cast<size_t>(X - Tile.Left);
}

void TZrFieldCheckpoint::Keep(const TZrDisplacementField &Field, const TZrRect &Rect)
{
  const TZrRect R = IntersectRect(IntersectRect(Rect, Grid_), Field.GetBounds());
  if (R.IsEmpty())
    return;
  const int32_t FirstColumn = (R.Left - Grid_.Left) / TileSide;
  const int32_t LastColumn = (R.Right - 1 - Grid_.Left) / TileSide;
  const int32_t FirstRow = (R.Top - Grid_.Top) / TileSide;
  const int32_t LastRow = (R.Bottom - 1 - Grid_.Top) / TileSide;
  for (int32_t Row = FirstRow; Row <= LastRow; ++Row)
    for (int32_t Column = FirstColumn; Column <= LastColumn; ++Column) {
      const int32_t Index = Row * Columns + Column;
      std::unique_ptr<TZrDisplacement[]> &Tile = Tiles[static_cast<size_t>(Index)];
      if (Tile)
        continue;
      // Only the part of the tile inside the field is ever read back.
      const TZrRect Whole = TileRect(Column, Row);
      const TZrRect T = IntersectRect(Whole, Field.GetBounds());
      Tile = std::make_unique_for_overwrite<TZrDisplacement[]>(static_cast<size_t>(TileSide) *
                                                               TileSide);
      KeptList.push_back(Index);
      for (int32_t Y = T.Top; Y < T.Bottom; ++Y)
        std::memcpy(&Tile[TileOffset(Whole, T.Left, Y)], &Field.At(T.Left, Y),
                    static_cast<size_t>(T.Width()) * sizeof(TZrDisplacement));
    }
}

void TZrFieldCheckpoint::Read(const TZrDisplacementField &Field, TZrDisplacementField &Out) const
{
  const TZrRect R = IntersectRect(IntersectRect(Out.GetBounds(), Grid_), Field.GetBounds());
  if (R.IsEmpty())
    return;
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const int32_t Row = (Y - Grid_.Top) / TileSide;
    // The row runs through the tiles it crosses, each piece from the kept
    // tile or, where none was kept, from the live field.
    for (int32_t X = R.Left; X < R.Right;) {
      const int32_t Column = (X - Grid_.Left) / TileSide;
      const int32_t End = std::min(R.Right, Grid_.Left + (Column + 1) * TileSide);
      const std::unique_ptr<TZrDisplacement[]> &Tile =
          Tiles[static_cast<size_t>(Row * Columns + Column)];
      const TZrDisplacement *From =
          Tile ? &Tile[TileOffset(TileRect(Column, Row), X, Y)] : &Field.At(X, Y);
      std::memcpy(&Out.At(X, Y), From, static_cast<size_t>(End - X) * sizeof(TZrDisplacement));
      X = End;
    }
  }
}

// ---------------------------------------------------------------------------
// TZrLiquifySequence

bool TZrLiquifySequence::Start(const TZrPixels &Image)
{
  Kept.Forget();
  if (!Field.Start(Image)) {
    Clear();
    return false;
  }
  Kept.Reset(Field.Delta.GetBounds());
  return true;
}

void TZrLiquifySequence::Clear()
{
  Kept.Reset({});
  Field.Clear();
}

bool TZrLiquifySequence::Covers(const TZrRect &ImageBounds) const
{
  return Field.Source.Bits != nullptr && Field.Source.GetBounds() == ImageBounds &&
         Field.Delta.GetBounds() == ImageBounds;
}

TZrRect TZrLiquifySequence::Warp(TZrPixels &Image, const TZrRect &StampRect,
                                 const TZrPixelMask &Stamp, TZrPoint Prev, TZrPoint Cur)
{
  const int32_t DX = Prev.X - Cur.X;
  const int32_t DY = Prev.Y - Cur.Y;
  // The brush square without its last column and row is all a warp can
  // change (the fall-off has no entry beyond); a one-pixel brush none.
  const int32_t H = Brush.Size / 2;
  const TZrRect R = IntersectRect(
      IntersectRect(IntersectRect(StampRect, Image.GetBounds()), Field.Delta.GetBounds()),
      MakeRect(Cur.X - H, Cur.Y - H, Cur.X + H, Cur.Y + H));
  if ((DX == 0 && DY == 0) || R.IsEmpty())
    return {};
  Kept.Keep(Field.Delta, R);
  Field.WarpRect(Image, R, Brush, Cur, Stamp, DX, DY);
  return R;
}

TZrRect TZrLiquifySequence::Bloat(TZrPixels &Image, int32_t BrushSize, const TZrPixelMask &Stamp,
                                  TZrPoint Start, TZrPoint Cur, double &AppliedAmount)
{
  const int32_t DX = Start.X - Cur.X;
  const int32_t DY = Start.Y - Cur.Y;
  const double Distance =
      std::min(std::sqrt(static_cast<double>(DX) * DX + static_cast<double>(DY) * DY), 100.0);
  // The same for the square around the start point.
  const int32_t H = BrushSize / 2;
  const TZrRect R =
      IntersectRect(IntersectRect(Field.BloatSquare(Start, BrushSize), Image.GetBounds()),
                    Bounds(Start.X - H, Start.Y - H, BrushSize - 1, BrushSize - 1));
  if (Distance == AppliedAmount || R.IsEmpty()) {
    AppliedAmount = Distance;
    return {};
  }
  Kept.Keep(Field.Delta, R);
  AppliedAmount = Field.BloatRect(Image, R, Brush, Start, Stamp, DX, DY, AppliedAmount);
  return R;
}

void TZrLiquifySequence::RevertToCheckpoint(const TZrRect &Rect)
{
  const TZrRect R = IntersectRect(Rect, Field.Delta.GetBounds());
  if (R.IsEmpty())
    return;
  TZrDisplacementField Old;
  Old.SetBounds(R);
  Kept.Read(Field.Delta, Old);
  Field.Delta.CopyFrom(Old);
}

} // namespace facette
