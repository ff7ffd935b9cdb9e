// The pixel work of the make-up brushes: the skin's detail layer (each
// pixel minus its local 18 x 18 mean) and the colouring of a brushed
// rectangle through the stroke's paint mask.
//
// The make-up tools share one detail layer (MakeUpDetailLayer): it is built
// once per change of the image, and strokes of any make-up tool only read
// it.
#pragma once

#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace facette {

// Blend modes as the tools name them; only Normal and Luminosity paint.
enum TZrMakeUpBlendMode : int32_t
{
  NormalMode = 0,
  ColorMode = 1,
  LuminosityMode = 2,
  HueMode = 3,
  SaturationMode = 4
};

// The names under which the modes appear in recorded demo lines, or "" for
// an unknown mode.
const char *BlendModeName(int32_t Mode);

class TZrMakeUpDetail
{
public:
  // Reported as (steps done, steps in all), always from the calling thread.
  using TProgress = std::function<void(int32_t Done, int32_t Total)>;

  // Rows are worked out and kept in bands of this many.
  static constexpr int32_t BandRows = 32;

  // True: the layer no longer matches the image and must be reset before
  // it is used.
  bool DetailStale = false;

  // Builds the whole layer for a 24-bit image: each pixel minus the mean of
  // the window of rows y - 8 .. y + 9 and columns x - 8 .. x + 9 clipped to
  // the image, in single precision with running sums (first down the
  // columns, then along the rows). Progress counts Width + Height steps.
  // Throws std::bad_alloc when the memory cannot be had.
  void BuildDetail(const TZrPixels &Pixels, const TProgress &Progress = {});

  // Makes the layer stand for the image Pixels holds now without working
  // anything out: EnsureRows works out rows as they are needed, with the
  // same values BuildDetail would give. A layer of the same size keeps its
  // memory.
  void Reset(const TZrPixels &Pixels);
  // Works out the rows of RowTop .. RowBottom - 1 (image coordinates;
  // clipped to the layer) not worked out yet. A row depends on the pixels
  // from 8 rows above to 9 below it: those must still be as they were at
  // Reset. Pixels of other bounds than the layer's are not read. Throws
  // std::bad_alloc when the memory cannot be had.
  void EnsureRows(const TZrPixels &Pixels, int32_t RowTop, int32_t RowBottom);
  // Whether every row of RowTop .. RowBottom - 1 inside the layer is
  // worked out.
  bool RowsReady(int32_t RowTop, int32_t RowBottom) const;

  // The image rectangle the layer stands for.
  TZrRect GetBounds() const { return Bounds(Left, Top, Width, Height); }
  bool Empty() const { return Width == 0 || Height == 0; }
  // True when the layer stands for an image of exactly these bounds and is
  // not stale.
  bool IsCurrentFor(const TZrPixels &Pixels) const
  {
    return !DetailStale && GetBounds() == Pixels.GetBounds();
  }

  // Blue, green and red detail of the pixels of row Y (image coordinates),
  // Width triples; nil outside the layer and for rows not worked out.
  const float *Row(int32_t Y) const;
  // The detail at (X, Y) into D (blue, green, red); zeros where Row has
  // none.
  void At(int32_t X, int32_t Y, float *D) const;

  void Clear();

private:
  // Works out the bands FirstBand .. EndBand - 1; Report(rows done).
  void ComputeBands(const TZrPixels &Pixels, int32_t FirstBand, int32_t EndBand,
                    const std::function<void(int32_t Rows)> &Report);

  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  size_t RowFloats = 0; // floats from one row to the next (3 * Width, padded)
  std::vector<std::unique_ptr<float[]>> Bands;
  std::vector<uint8_t> Built;       // per band
  std::vector<float> RowInverse;    // 1 / window count per row
  std::vector<float> ColumnInverse; // 1 / window count per column
};

// The detail layer shared by the make-up tools.
TZrMakeUpDetail &MakeUpDetailLayer();

// Colours the pixels of Rect that the paint mask covers: reads BackupPixels,
// writes ImagePixels. Colour is R * 65536 + G * 256 + B. Normal mode lays
// the colour (and, with KeepTexture, puts the skin detail back on top);
// Luminosity mode rescales the colour to each pixel's brightness. Pixels
// outside either image, outside the mask or under a zero mask are left
// alone, and so is everything in a mode that does not paint. Detail outside
// the layer counts as none.
void ApplyColour(const TZrRect &Rect, const TZrPixels &BackupPixels, const TZrPixelMask &PaintMask,
                 const TZrMakeUpDetail &Detail, int32_t Colour, int32_t BlendMode, bool KeepTexture,
                 TZrPixels &ImagePixels);

} // namespace facette
