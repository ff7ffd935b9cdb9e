// The device bitmap: the working image (or the original) of a document, in
// memory the program owns, seen by the program as a pixel window and by the
// display layer through a handle describing the same bytes. Whole-image
// geometry (crop, flips, quarter turns, resampling, canvas size) is done
// here on the raw pixels.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>

namespace facette {

// What the display layer needs to know of a device bitmap's memory: rows top
// to bottom, Stride bytes apart, in the program's pixel format. All zero
// when the bitmap is empty.
struct TZrBitmapHandle
{
  uint8_t *Bits = nullptr;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 0;
  int32_t Stride = 0;
  int32_t PixelFormat = 0;
};

// A surface device bitmaps are drawn onto: a widget, an image or a printer
// page. The user-interface layer supplies it; the core never draws.
class TZrDeviceContext
{
public:
  virtual ~TZrDeviceContext() = default;
  // Draws SourceRect of the bitmap (the whole bitmap when nil) scaled into
  // DestRect, touching nothing outside DestClip.
  virtual bool DrawBitmap(const TZrBitmapHandle &Handle, const TZrRect *SourceRect,
                          const TZrRect &DestRect, const TZrRect &DestClip) = 0;
  // Prints the whole bitmap into Rect of the page.
  virtual bool PrintBitmap(const TZrBitmapHandle &Handle, const TZrRect &Rect) = 0;
};

class TZrBitmap
{
public:
  virtual ~TZrBitmap() = default;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  // The pixel window over the bitmap's memory; nil when empty.
  virtual TZrPixels *GetPixels() const = 0;
  // Draws SourceRect (all when nil) scaled into DestRect, clipped to DestClip.
  virtual bool Paint(TZrDeviceContext &DC, const TZrRect &DestRect, const TZrRect &DestClip,
                     const TZrRect *SourceRect) const = 0;
  // Prints the whole bitmap into Rect.
  virtual bool Print(TZrDeviceContext &DC, const TZrRect &Rect) const = 0;

  // (0, 0, width, height).
  TZrRect GetBounds() const { return MakeRect(0, 0, GetWidth(), GetHeight()); }
};

class TZrLTBitmap : public TZrBitmap
{
public:
  TZrLTBitmap() = default;
  ~TZrLTBitmap() override;
  TZrLTBitmap(const TZrLTBitmap &) = delete;
  TZrLTBitmap &operator=(const TZrLTBitmap &) = delete;

  int32_t GetWidth() const override { return Handle.Width; }
  int32_t GetHeight() const override { return Handle.Height; }
  // Replaced by every operation that changes the size or turns the image:
  // fetch it again afterwards. Flips keep it.
  TZrLTPixels *GetPixels() const override { return Pixels.get(); }
  bool Paint(TZrDeviceContext &DC, const TZrRect &DestRect, const TZrRect &DestClip,
             const TZrRect *SourceRect) const override;
  bool Print(TZrDeviceContext &DC, const TZrRect &Rect) const override;

  const TZrBitmapHandle &GetHandle() const { return Handle; }

  // Releases the current image and creates a zeroed one. A size of 0 gives
  // an empty bitmap. False, leaving the bitmap empty, for a negative size,
  // an unknown format or memory that cannot be had.
  bool SetSize(int32_t Width, int32_t Height, int32_t Format);
  // SetSize to the buffer's size and format, then a copy of its pixels.
  bool Assign(const TZrPixels &Buffer);
  // Re-allocates Buffer to the bitmap's format and bounds and copies the
  // pixels into it.
  bool SaveTo(TZrPixelBuffer &Buffer) const;
  // A new bitmap with a copy of the pixels; nil when memory is short.
  std::unique_ptr<TZrLTBitmap> Clone() const;

  // These return false and leave the bitmap as it was when they cannot be
  // done: nothing to crop, a size that is not positive, a format the
  // operation does not handle, or memory that cannot be had.
  bool Crop(const TZrRect &Rect);
  bool FlipHorizontal();
  bool FlipVertical();
  bool RotateLeft();
  bool RotateRight();
  // A quarter turn into Buffer's memory, which the bitmap then takes over;
  // Buffer gets the bitmap's old memory, its window the old image's bounds
  // (and pixels). No memory is taken, so nothing can fail for want of it.
  // False, nothing changed, when Buffer cannot hold the turned image (see
  // TZrPixelBuffer::CanHold) or the image is not 24-bit.
  bool RotateUsing(TZrPixelBuffer &Buffer, bool Clockwise);
  bool Resample(int32_t Width, int32_t Height);
  bool SetCanvasSize(int32_t Width, int32_t Height);

  void Clear();
  // Exchanges the images of two bitmaps (no pixel is copied).
  void Swap(TZrLTBitmap &Other) noexcept;

private:
  // The memory and both views of it, always replaced together.
  struct TImage
  {
    TZrPixelBuffer Memory;
    std::unique_ptr<TZrLTPixels> Pixels;
    TZrBitmapHandle Handle;
  };
  static bool CreateHandle(int32_t Width, int32_t Height, int32_t Format, TImage &Image);
  void Adopt(TImage &Image);
  bool Rotate(bool Clockwise);

  std::unique_ptr<TZrLTPixels> Pixels;
  TZrBitmapHandle Handle;
  TZrPixelBuffer Memory;
};

} // namespace facette
