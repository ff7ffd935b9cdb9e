// Positioned pixel windows, owned pixel buffers and 8-bit stroke masks, the
// pixel-format code rule and a few per-pixel helpers.
//
// A window sits at (Left, Top) in image coordinates: an undo snapshot of a
// 40 x 30 region at (200, 100) is a buffer whose Left is 200 and Top is 100,
// and it is copied back by coordinates, never by offsets.
#pragma once

#include "framework/ZrTypes.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace facette {

// The two formats the program uses: 24 bits, bytes blue, green, red; and the
// same with an alpha byte after them.
constexpr int32_t pf24bit = 4114; // hex 1012
constexpr int32_t pf32bit = 4370; // hex 1112

// Bits per pixel of a format code; 0 for an unknown one.
int32_t PixelFormatBits(int32_t PixelFormat);

// Row stride of an owned buffer: the row's bit count rounded up to 32 bits.
// Returns -1 when the row would not fit a 32-bit stride.
int64_t BufferStride(int32_t PixelFormat, int32_t Width);

// A rectangular window of pixels over memory owned by someone else.
class TZrPixels
{
public:
  uint8_t *Bits = nullptr; // pixel at (Left, Top)
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Stride = 0;
  int32_t PixelFormat = 0;
  int32_t BytesPerPixel = 0;

  TZrPixels() = default;
  virtual ~TZrPixels() = default;
  // Copying a window copies the view, never the pixels.
  TZrPixels(const TZrPixels &) = default;
  TZrPixels &operator=(const TZrPixels &) = default;

  void Init(const TZrRect &Rect, uint8_t *Memory, int32_t Format, int32_t RowStride);

  // Address of pixel (X, Y) in image coordinates. Unchecked: test GetBounds
  // first where the point may lie outside.
  uint8_t *PixelPtr(int32_t X, int32_t Y) const
  {
    return Bits + static_cast<ptrdiff_t>(X - Left) * BytesPerPixel +
           static_cast<ptrdiff_t>(Y - Top) * Stride;
  }

  TZrRect GetBounds() const { return Bounds(Left, Top, Width, Height); }

  // Copies the part of Source inside SourceRect so that SourceRect's
  // top-left lands on (DestX, DestY) of this window. Formats must match; no
  // conversion is ever made.
  void CopyRect(int32_t DestX, int32_t DestY, const TZrPixels &Source, const TZrRect &SourceRect);
  // Copies the overlap of the two windows at the same image coordinates.
  void CopyFrom(const TZrPixels &Source)
  {
    CopyRect(Source.Left, Source.Top, Source, Source.GetBounds());
  }
};

// Memory of a device bitmap, and of the view's paint surface.
class TZrLTPixels : public TZrPixels
{};
class TZrCanvasPixels : public TZrPixels
{};

// A pixel window that owns its memory: whole pages from the operating
// system, zero-filled, returned on Clear and destruction.
class TZrPixelBuffer : public TZrPixels
{
public:
  TZrPixelBuffer() = default;
  ~TZrPixelBuffer() override;
  TZrPixelBuffer(const TZrPixelBuffer &) = delete;
  TZrPixelBuffer &operator=(const TZrPixelBuffer &) = delete;
  TZrPixelBuffer(TZrPixelBuffer &&Other) noexcept;
  TZrPixelBuffer &operator=(TZrPixelBuffer &&Other) noexcept;

  // Re-dimensions the buffer to Rect. With Preserve the old content inside
  // the new rectangle stays at its image coordinates; otherwise the memory
  // is all zero. The current rectangle again changes nothing. Returns false
  // when the memory could not be had (Bits is then nil, the geometry set).
  bool SetBounds(const TZrRect &Rect, bool Preserve);
  bool Resize(const TZrRect &Rect) { return SetBounds(Rect, false); }
  void SetPixelFormat(int32_t Format);
  bool Allocate(int32_t Format, const TZrRect &Rect)
  {
    SetPixelFormat(Format);
    return SetBounds(Rect, false);
  }
  void Clear();

  // Whether the memory held can take a window of Rect in this format.
  bool CanHold(const TZrRect &Rect) const;
  // Re-dimensions the buffer to Rect inside the memory it already holds
  // when that is large enough (the pixels are then whatever the memory
  // held), else as Resize. False when the memory could not be had.
  bool Reshape(const TZrRect &Rect);

  // Size in bytes of the memory held (whole pages).
  size_t AllocatedBytes() const { return Allocated; }

private:
  size_t Allocated = 0;
};

// A growable 8-bit coverage map: 0 not covered, 255 fully covered; rows of
// exactly Width bytes.
class TZrPixelMask
{
public:
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Bits;

  // A negative width or height is taken as 0; the memory is zero-filled.
  void SetBounds(int32_t NewLeft, int32_t NewTop, int32_t NewWidth, int32_t NewHeight);
  TZrRect GetBounds() const { return Bounds(Left, Top, Width, Height); }
  // The byte for (X, Y), or nil outside the mask.
  uint8_t *PixelPtr(int32_t X, int32_t Y);
  const uint8_t *PixelPtr(int32_t X, int32_t Y) const;
  // Grows the mask to cover Rect, keeping every byte at its coordinates.
  void Include(const TZrRect &Rect);
  // Grows to cover Mask, then raises each byte to Mask's where larger.
  void MergeMax(const TZrPixelMask &Mask);
  void Clear();
};

// Blends a 00RRGGBB colour into a 24-bit pixel with an 8-bit alpha.
void BlendPixel(uint8_t *Pixel, int32_t Alpha, int32_t Color);
// Writes the colour scaled by Numerator / Denominator into a 24-bit pixel.
void ScaleColor(int32_t Numerator, int32_t Denominator, uint8_t *Pixel, int32_t Color);

// Value limited to [Min, Max], the lower bound tested first.
inline int32_t ClampInt(int32_t Value, int32_t Min, int32_t Max)
{
  if (Value < Min)
    return Min;
  if (Value > Max)
    return Max;
  return Value;
}

// (A * B) / C with a 64-bit intermediate, rounded to nearest with halves
// away from zero; -1 when C is 0 or the result does not fit 32 bits.
int32_t MulDiv(int32_t A, int32_t B, int32_t C);

// The largest size of the image's aspect ratio that fits the box; false
// (nothing written) when the box or the image has no area.
bool FitSize(int32_t Width, int32_t Height, int32_t BoxWidth, int32_t BoxHeight, int32_t &FitWidth,
             int32_t &FitHeight);

// Clamp to 0..255, then round half to even; NaN gives 0.
inline uint8_t ByteRound(double X)
{
  if (!(X > 0.0)) // also catches NaN
    return 0;
  if (X >= 255.0)
    return 255;
  return static_cast<uint8_t>(std::nearbyint(X));
}

} // namespace facette
