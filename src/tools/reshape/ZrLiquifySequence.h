// One liquify sequence as the tool drives it: the starting image and the
// displacement field, the brush tables, and what an undo step needs of the
// field as it was at the last step.
//
// Each stroke is an undo step that saves the field over its changed
// rectangle before and after. Rather than a second whole-image field of the
// last step (8 bytes a pixel), the sequence keeps tiles of the live field as
// they were the first time a stroke is about to change them: the field at
// the last step is those tiles where kept and the live field elsewhere.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"
#include "tools/reshape/ZrLiquifyField.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace facette {

// Tiles of a displacement field saved before they change.
class TZrFieldCheckpoint
{
public:
  static constexpr int32_t TileSide = 64;

  // A new tile grid over Grid, nothing kept.
  void Reset(const TZrRect &Grid);
  // Drops every kept tile: the live field is the checkpoint again.
  void Forget();
  // Keeps the tiles of Field touching Rect that are not kept yet. Call it
  // before Field changes inside Rect.
  void Keep(const TZrDisplacementField &Field, const TZrRect &Rect);
  // Out (already given its bounds) := the field at the checkpoint: kept
  // tiles where there are some, Field elsewhere. Outside the grid Out is
  // left alone.
  void Read(const TZrDisplacementField &Field, TZrDisplacementField &Out) const;
  int32_t KeptCount() const { return static_cast<int32_t>(KeptList.size()); }

private:
  TZrRect TileRect(int32_t Column, int32_t Row) const;
  // Where (X, Y) of the tile whose rectangle is Tile is stored in it.
  static size_t TileOffset(const TZrRect &Tile, int32_t X, int32_t Y);

  TZrRect Grid_;
  int32_t Columns = 0;
  int32_t Rows = 0;
  // TileSide x TileSide displacements each, rows of TileSide; nil where
  // not kept.
  std::vector<std::unique_ptr<TZrDisplacement[]>> Tiles;
  std::vector<int32_t> KeptList;
};

class TZrLiquifySequence
{
public:
  TZrLiquifyField Field;
  TZrLiquifyBrush Brush;

  // Copies Image as the starting image, zeroes the field and forgets the
  // checkpoint. False (and nothing kept) when the memory cannot be had.
  bool Start(const TZrPixels &Image);
  void Clear();
  // A starting image of exactly these bounds is held.
  bool Covers(const TZrRect &ImageBounds) const;

  // One warp stamp: the brush rectangle StampRect around Cur (Stamp placed
  // on it) drags the image by Prev - Cur scaled by the brush's fall-off.
  // Returns the rectangle that may have changed: the part of the brush
  // square the fall-off covers, inside the image; empty when the mouse did
  // not move or the stamp lies beside the image.
  TZrRect Warp(TZrPixels &Image, const TZrRect &StampRect, const TZrPixelMask &Stamp, TZrPoint Prev,
               TZrPoint Cur);
  // One bloat or pucker stamp: the brush square around Start takes the
  // vector field in proportion to the drag distance from Start to Cur (full
  // at 100 pixels), less the AppliedAmount this stroke applied already,
  // which is updated. Stamp is placed on the brush rectangle around Cur.
  // Returns the rectangle that may have changed, as for Warp (empty when
  // the distance did not change).
  TZrRect Bloat(TZrPixels &Image, int32_t BrushSize, const TZrPixelMask &Stamp, TZrPoint Start,
                TZrPoint Cur, double &AppliedAmount);
  // Re-renders Rect with the Hermite filter (Field.ResampleChanged).
  void Resample(TZrPixels &Image, const TZrRect &Rect,
                const std::function<void(int32_t)> &Progress = {}) const
  {
    Field.ResampleChanged(Image, Rect, Progress);
  }

  // The field as of the last step over Out's bounds.
  void FieldAtCheckpoint(TZrDisplacementField &Out) const { Kept.Read(Field.Delta, Out); }
  // The field over Rect goes back to the last step (a stroke cancelled).
  void RevertToCheckpoint(const TZrRect &Rect);
  // A step was recorded: the live field is the checkpoint from here on.
  void Checkpoint() { Kept.Forget(); }
  const TZrFieldCheckpoint &CheckpointTiles() const { return Kept; }

private:
  TZrFieldCheckpoint Kept;
};

} // namespace facette
