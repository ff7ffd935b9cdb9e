#include "imaging/ZrLTBitmap.h"

#include "imaging/ZrGeometry.h"
#include "imaging/ZrResample.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace facette {

TZrLTBitmap::~TZrLTBitmap()
{
  Clear();
}

bool TZrLTBitmap::CreateHandle(int32_t Width, int32_t Height, int32_t Format, TImage &Image)
{
  if (Width < 0 || Height < 0 || PixelFormatBits(Format) == 0)
    return false;
  try {
    Image.Pixels = std::make_unique<TZrLTPixels>();
  } catch (const std::bad_alloc &) {
    return false;
  }
  Image.Memory.SetPixelFormat(Format);
  // SetBounds refuses sizes whose byte count overflows and memory the system
  // will not give.
  if (!Image.Memory.SetBounds(Bounds(0, 0, Width, Height), false))
    return false;
  Image.Pixels->Init(Bounds(0, 0, Width, Height), Image.Memory.Bits, Format, Image.Memory.Stride);
  if (Width > 0 && Height > 0)
    Image.Handle = TZrBitmapHandle{Image.Memory.Bits,   Width, Height, PixelFormatBits(Format),
                                   Image.Memory.Stride, Format};
  return true;
}

void TZrLTBitmap::Adopt(TImage &Image)
{
  // A bitmap without area has no memory and no pixel window.
  if (Image.Handle.Bits == nullptr) {
    Clear();
    return;
  }
  Memory = std::move(Image.Memory);
  Pixels = std::move(Image.Pixels);
  Handle = Image.Handle;
}

void TZrLTBitmap::Clear()
{
  Pixels.reset();
  Handle = TZrBitmapHandle{};
  Memory.Clear();
}

bool TZrLTBitmap::Paint(TZrDeviceContext &DC, const TZrRect &DestRect, const TZrRect &DestClip,
                        const TZrRect *SourceRect) const
{
  if (!Handle.Bits)
    return false;
  return DC.DrawBitmap(Handle, SourceRect, DestRect, DestClip);
}

bool TZrLTBitmap::Print(TZrDeviceContext &DC, const TZrRect &Rect) const
{
  if (!Handle.Bits)
    return false;
  return DC.PrintBitmap(Handle, Rect);
}

bool TZrLTBitmap::SetSize(int32_t Width, int32_t Height, int32_t Format)
{
  // The old image goes first so that a large new one has room.
  Clear();
  TImage Image;
  if (!CreateHandle(Width, Height, Format, Image))
    return false;
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::Assign(const TZrPixels &Buffer)
{
  if (!SetSize(Buffer.Width, Buffer.Height, Buffer.PixelFormat))
    return false;
  if (Pixels)
    Pixels->CopyRect(0, 0, Buffer, Buffer.GetBounds());
  return true;
}

bool TZrLTBitmap::SaveTo(TZrPixelBuffer &Buffer) const
{
  if (!Buffer.Allocate(Handle.PixelFormat, GetBounds()))
    return false;
  if (Pixels)
    Buffer.CopyFrom(*Pixels);
  return true;
}

std::unique_ptr<TZrLTBitmap> TZrLTBitmap::Clone() const
{
  std::unique_ptr<TZrLTBitmap> Copy;
  try {
    Copy = std::make_unique<TZrLTBitmap>();
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
  if (!Pixels)
    return Copy;
  if (!Copy->Assign(*Pixels))
    return nullptr;
  return Copy;
}

bool TZrLTBitmap::Crop(const TZrRect &Rect)
{
  const TZrRect R = IntersectRect(Rect, GetBounds());
  if (R.IsEmpty() || !Pixels)
    return false;
  TImage Image;
  if (!CreateHandle(R.Width(), R.Height(), Handle.PixelFormat, Image))
    return false;
  Image.Pixels->CopyRect(0, 0, *Pixels, R);
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::SetCanvasSize(int32_t Width, int32_t Height)
{
  if (Width <= 0 || Height <= 0 || !Pixels)
    return false;
  TImage Image;
  if (!CreateHandle(Width, Height, Handle.PixelFormat, Image))
    return false;
  // What the old pixels do not cover stays zero: black.
  Image.Pixels->CopyFrom(*Pixels);
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::Resample(int32_t Width, int32_t Height)
{
  if (Width <= 0 || Height <= 0 || !Pixels || Handle.PixelFormat != pf24bit)
    return false;
  TImage Image;
  if (!CreateHandle(Width, Height, Handle.PixelFormat, Image))
    return false;
  const TZrRect Target = Bounds(0, 0, Width, Height);
  bool Done;
  if (QuickDraftResampling)
    Done =
        ResamplePixels(*Image.Pixels, Target, Target, TQuickDraftResampler(), GetBounds(), *Pixels);
  else
    Done = ResamplePixels(*Image.Pixels, Target, Target, TLanczosResampler(), GetBounds(), *Pixels);
  if (!Done)
    return false;
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::FlipHorizontal()
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  // In place: the memory, its size and the pixel window stay.
  return FlipPixelsHorizontal(*Pixels);
}

bool TZrLTBitmap::FlipVertical()
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  return FlipPixelsVertical(*Pixels);
}

bool TZrLTBitmap::RotateLeft()
{
  return Rotate(false);
}

bool TZrLTBitmap::RotateRight()
{
  return Rotate(true);
}

bool TZrLTBitmap::Rotate(bool Clockwise)
{
  if (!Pixels || Handle.PixelFormat != pf24bit)
    return false;
  TImage Image;
  if (!CreateHandle(Handle.Height, Handle.Width, Handle.PixelFormat, Image))
    return false;
  if (!RotatePixels(*Pixels, *Image.Pixels, Clockwise))
    return false;
  Adopt(Image);
  return true;
}

bool TZrLTBitmap::RotateUsing(TZrPixelBuffer &Buffer, bool Clockwise)
{
  const TZrRect Turned = Bounds(0, 0, Handle.Height, Handle.Width);
  if (!Pixels || Handle.PixelFormat != pf24bit || Buffer.PixelFormat != pf24bit ||
      !Buffer.CanHold(Turned) || Buffer.Bits == Memory.Bits)
    return false;
  std::unique_ptr<TZrLTPixels> NewPixels;
  try {
    NewPixels = std::make_unique<TZrLTPixels>();
  } catch (const std::bad_alloc &) {
    return false;
  }
  Buffer.Reshape(Turned);
  NewPixels->Init(Turned, Buffer.Bits, pf24bit, Buffer.Stride);
  if (!RotatePixels(*Pixels, *NewPixels, Clockwise))
    return false;
  std::swap(Memory, Buffer);
  Pixels = std::move(NewPixels);
  Handle = TZrBitmapHandle{Memory.Bits,   Turned.Width(), Turned.Height(), PixelFormatBits(pf24bit),
                           Memory.Stride, pf24bit};
  return true;
}

void TZrLTBitmap::Swap(TZrLTBitmap &Other) noexcept
{
  std::swap(Pixels, Other.Pixels);
  std::swap(Handle, Other.Handle);
  std::swap(Memory, Other.Memory);
}

} // namespace facette
