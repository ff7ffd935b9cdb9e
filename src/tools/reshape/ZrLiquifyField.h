// The pixel engine of the liquify tool: a displacement field over the whole
// image for one liquify sequence, the brush fall-off it is changed with, and
// the rendering of the field over the image as it was when the sequence
// began.
//
// Every output pixel (i, j) is the starting image sampled at (i + dx, j + dy)
// where (dx, dy) is the field's displacement there: by nearest neighbour
// while the mouse drags (cheap enough per stamp), with the Hermite filter
// over a stroke's changed rectangle once the button is released.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace facette {

// One displacement in single precision, as the field stores it.
struct TZrDisplacement
{
  float DX = 0.0f;
  float DY = 0.0f;
  friend bool operator==(const TZrDisplacement &, const TZrDisplacement &) = default;
};

// A rectangle of displacements positioned in image coordinates, like a
// pixel buffer: the whole image for the live field, a changed rectangle for
// an undo snapshot, copied back by coordinates.
//
// The memory comes zero-filled from the system and is only touched where
// written: a whole-image field of a 24-megapixel photo (192 MB) costs
// nothing until strokes reach its pages, and starting a new sequence does
// not have to clear it.
class TZrDisplacementField
{
public:
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  // Re-dimensions to Rect, all zero (also for the current rectangle).
  // Throws std::bad_alloc when the memory cannot be had (the field is then
  // empty).
  void SetBounds(const TZrRect &Rect);
  TZrRect GetBounds() const { return Bounds(Left, Top, Width, Height); }
  void Zero() { SetBounds(GetBounds()); }
  void Clear();
  // Row-major, Width per row; Count() elements.
  TZrDisplacement *Data() const { return Memory.get(); }
  size_t Count() const { return static_cast<size_t>(Width) * static_cast<size_t>(Height); }
  // Unchecked: (X, Y) must lie inside the bounds.
  TZrDisplacement &At(int32_t X, int32_t Y)
  {
    return Memory[static_cast<size_t>(Y - Top) * static_cast<size_t>(Width) +
                  static_cast<size_t>(X - Left)];
  }
  const TZrDisplacement &At(int32_t X, int32_t Y) const
  {
    return Memory[static_cast<size_t>(Y - Top) * static_cast<size_t>(Width) +
                  static_cast<size_t>(X - Left)];
  }
  // Copies the overlap of the two fields at the same image coordinates.
  void CopyFrom(const TZrDisplacementField &Source);

private:
  struct TFree
  {
    void operator()(TZrDisplacement *P) const;
  };
  std::unique_ptr<TZrDisplacement[], TFree> Memory;
};

// Brush fall-off shapes and effects.
constexpr int32_t lbCos4 = 0;
constexpr int32_t lbCos2 = 1;
constexpr int32_t lbCos = 2;
constexpr int32_t lbCos12 = 3;

constexpr int32_t leWarp = 0;
constexpr int32_t leBloat = 1;
constexpr int32_t lePucker = 2;

// The fall-off of a liquify brush (Profile) and, for Bloat and Pucker, the
// direction each pixel of the brush square is pushed (VectorField): away
// from the centre for Bloat, towards it for Pucker.
class TZrLiquifyBrush
{
public:
  int32_t Size = 0;
  int32_t Type = -1;           // what the tables were built for; -1 before the first build
  int32_t Effect = -1;         //
  std::vector<double> Profile; // Size x Size, row-major [j][i]
  std::vector<TZrDisplacement> VectorField; // the same, empty for Warp

  // Rebuilds the tables unless they were built for these values already.
  // Returns whether it rebuilt them.
  bool Build(int32_t BrushSize, int32_t BrushType, int32_t BrushEffect);

  // Offsets (I, J) from the brush square's top-left, both in 0..Size-1.
  double ProfileAt(int32_t I, int32_t J) const
  {
    return Profile[static_cast<size_t>(J) * static_cast<size_t>(Size) + static_cast<size_t>(I)];
  }
  const TZrDisplacement &VectorAt(int32_t I, int32_t J) const
  {
    return VectorField[static_cast<size_t>(J) * static_cast<size_t>(Size) + static_cast<size_t>(I)];
  }
};

// The starting image of a sequence and the current displacement field.
class TZrLiquifyField
{
public:
  TZrPixelBuffer Source; // the image at the start of the sequence (24-bit)
  TZrDisplacementField Delta;

  // Copies Image as the new starting image and zeroes the field over its
  // bounds. Returns false when the memory could not be had.
  bool Start(const TZrPixels &Image);
  void Clear();

  // Image(X, Y) := the starting image at the nearest pixel to the displaced
  // position, clamped to the image. (X, Y) must lie inside the field.
  void RenderPixel(TZrPixels &Image, int32_t X, int32_t Y) const;

  // Warp: drags the pixels of the brush around Centre by (DX, DY) scaled by
  // the fall-off, where Stamp (in image coordinates) is non-zero, and renders
  // them. Rect is the stamp's brush rectangle clipped to the image.
  void WarpRect(TZrPixels &Image, const TZrRect &Rect, const TZrLiquifyBrush &Brush,
                const TZrPoint &Centre, const TZrPixelMask &Stamp, int32_t DX, int32_t DY);

  // The square Bloat and Pucker work on: side Size around the start point,
  // clipped to the field.
  TZrRect BloatSquare(const TZrPoint &StartPoint, int32_t BrushSize) const;

  // Bloat/Pucker: DX, DY is the start point minus the current point; the
  // vector field is applied in proportion to the drag distance (full at 100
  // pixels) minus what this stroke applied already (AppliedAmount). Stamp is
  // looked up at (i - DX, j - DY). Returns the new applied amount.
  double BloatRect(TZrPixels &Image, const TZrRect &Rect, const TZrLiquifyBrush &Brush,
                   const TZrPoint &StartPoint, const TZrPixelMask &Stamp, int32_t DX, int32_t DY,
                   double AppliedAmount);

  // Re-renders Rect with the Hermite filter. Progress receives the number
  // of columns done (out of Rect's width) on the calling thread.
  void ResampleChanged(TZrPixels &Image, const TZrRect &Rect,
                       const std::function<void(int32_t)> &Progress = {}) const;

  // The Hermite value of one pixel with displacement (DX, DY) written to
  // Pixel; falls back to the nearest-neighbour value when no source pixel
  // lies within the filter's reach.
  void ResamplePixel(uint8_t *Pixel, int32_t X, int32_t Y, float DX, float DY) const;

private:
  // The source column (row) nearest to X + DX (Y + DY), clamped to the
  // image.
  int32_t NearestColumn(int32_t X, float DX) const;
  int32_t NearestRow(int32_t Y, float DY) const;
};

} // namespace facette
