#include "imaging/ZrBitmap.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace facette {

namespace {

// Page memory: large images must neither fragment the heap nor need
// clearing, and the system hands out zero-filled pages.
size_t PageSize()
{
#ifdef _WIN32
  SYSTEM_INFO Info;
  GetSystemInfo(&Info);
  return Info.dwPageSize;
#else
  static const size_t Size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return Size;
#endif
}

// Buffers from this size on ask for large pages.
constexpr size_t LargePageThreshold = size_t{4} << 20;

uint8_t *AllocatePages(size_t Bytes)
{
#ifdef _WIN32
  return static_cast<uint8_t *>(
      VirtualAlloc(nullptr, Bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
#else
  void *Memory = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Memory == MAP_FAILED)
    return nullptr;
  // A photo's memory taken in large pages is filled without a fault every
  // four kilobytes: the first write into a new 24-megapixel image costs a
  // fraction of what it would. Where the system does not grant them, the
  // advice changes nothing.
  if (Bytes >= LargePageThreshold)
    madvise(Memory, Bytes, MADV_HUGEPAGE);
  return static_cast<uint8_t *>(Memory);
#endif
}

void FreePages(uint8_t *Memory, size_t Bytes)
{
  if (!Memory)
    return;
#ifdef _WIN32
  (void)Bytes;
  VirtualFree(Memory, 0, MEM_RELEASE);
#else
  munmap(Memory, Bytes);
#endif
}

} // namespace

int32_t PixelFormatBits(int32_t PixelFormat)
{
  int32_t Bits;
  switch (PixelFormat & 0xF) {
  case 1:
    Bits = 8;
    break;
  case 2:
  case 3:
  case 4:
  case 5:
  case 7:
  case 8:
    Bits = 24;
    break;
  case 6:
    Bits = 32;
    break;
  default:
    return 0;
  }
  if (((PixelFormat >> 8) & 0xF) == 1)
    Bits += 8;
  switch ((PixelFormat >> 4) & 0xF) {
  case 2:
  case 3:
    Bits *= 2;
    break;
  case 4:
    Bits *= 4;
    break;
  default:
    break;
  }
  return Bits;
}

int64_t BufferStride(int32_t PixelFormat, int32_t Width)
{
  const int64_t Stride =
      (static_cast<int64_t>(PixelFormatBits(PixelFormat)) * std::max<int32_t>(Width, 0) + 31) / 32 *
      4;
  return Stride > std::numeric_limits<int32_t>::max() ? -1 : Stride;
}

// --- TZrPixels ---------------------------------------------------------

void TZrPixels::Init(const TZrRect &Rect, uint8_t *Memory, int32_t Format, int32_t RowStride)
{
  Left = Rect.Left;
  Top = Rect.Top;
  Width = Rect.Width();
  Height = Rect.Height();
  PixelFormat = Format;
  BytesPerPixel = PixelFormatBits(Format) / 8;
  Stride = RowStride;
  Bits = Memory;
}

void TZrPixels::CopyRect(int32_t DestX, int32_t DestY, const TZrPixels &Source,
                         const TZrRect &SourceRect)
{
  if (Source.PixelFormat != PixelFormat)
    return;
  // A window whose memory could not be had holds nothing and takes nothing.
  if (!Bits || !Source.Bits)
    return;
  TZrRect R = IntersectRect(SourceRect, Source.GetBounds());
  if (R.IsEmpty())
    return;
  R = IntersectRect(OffsetRect(R, DestX - SourceRect.Left, DestY - SourceRect.Top), GetBounds());
  if (R.IsEmpty())
    return;
  const int32_t SourceX = SourceRect.Left + R.Left - DestX;
  const int32_t SourceY = SourceRect.Top + R.Top - DestY;
  const size_t RowBytes = static_cast<size_t>(R.Width()) * static_cast<size_t>(BytesPerPixel);
  const uint8_t *From = Source.PixelPtr(SourceX, SourceY);
  uint8_t *To = PixelPtr(R.Left, R.Top);
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    std::memmove(To, From, RowBytes);
    From += Source.Stride;
    To += Stride;
  }
}

// --- TZrPixelBuffer ----------------------------------------------------

TZrPixelBuffer::~TZrPixelBuffer()
{
  Clear();
}

TZrPixelBuffer::TZrPixelBuffer(TZrPixelBuffer &&Other) noexcept : TZrPixels(Other)
{
  Allocated = std::exchange(Other.Allocated, 0);
  static_cast<TZrPixels &>(Other) = TZrPixels();
}

TZrPixelBuffer &TZrPixelBuffer::operator=(TZrPixelBuffer &&Other) noexcept
{
  if (this != &Other) {
    Clear();
    static_cast<TZrPixels &>(*this) = Other;
    Allocated = std::exchange(Other.Allocated, 0);
    static_cast<TZrPixels &>(Other) = TZrPixels();
  }
  return *this;
}

bool TZrPixelBuffer::SetBounds(const TZrRect &Rect, bool Preserve)
{
  if (Rect == GetBounds())
    return Bits != nullptr || Width <= 0 || Height <= 0;

  const int32_t NewWidth = std::max(Rect.Width(), 0);
  const int32_t NewHeight = std::max(Rect.Height(), 0);
  const int64_t NewStride = BufferStride(PixelFormat, NewWidth);
  uint8_t *NewBits = nullptr;
  size_t NewAllocated = 0;
  bool Ok = true;
  if (NewStride < 0) {
    Ok = false;
  } else if (NewStride > 0 && NewHeight > 0) {
    // 64-bit sizes: a 32-bit product would wrap and under-allocate.
    const uint64_t Bytes = static_cast<uint64_t>(NewStride) * static_cast<uint64_t>(NewHeight);
    const uint64_t Page = PageSize();
    if (Bytes > std::numeric_limits<size_t>::max() - Page) {
      Ok = false;
    } else {
      NewAllocated = static_cast<size_t>((Bytes + Page - 1) / Page * Page);
      NewBits = AllocatePages(NewAllocated);
      if (!NewBits) {
        NewAllocated = 0;
        Ok = false;
      }
    }
  }

  if (Preserve && Bits && NewBits) {
    TZrPixels Target;
    Target.Init(Bounds(Rect.Left, Rect.Top, NewWidth, NewHeight), NewBits, PixelFormat,
                static_cast<int32_t>(NewStride));
    Target.CopyFrom(*this);
  }
  FreePages(Bits, Allocated);
  Left = Rect.Left;
  Top = Rect.Top;
  Width = NewWidth;
  Height = NewHeight;
  Stride = NewStride > 0 ? static_cast<int32_t>(NewStride) : 0;
  Bits = NewBits;
  Allocated = NewAllocated;
  return Ok;
}

bool TZrPixelBuffer::CanHold(const TZrRect &Rect) const
{
  const int64_t NewStride = BufferStride(PixelFormat, std::max(Rect.Width(), 0));
  return Bits && NewStride >= 0 &&
         static_cast<uint64_t>(NewStride) * static_cast<uint64_t>(std::max(Rect.Height(), 0)) <=
             Allocated;
}

bool TZrPixelBuffer::Reshape(const TZrRect &Rect)
{
  if (Rect == GetBounds() && Bits)
    return true;
  if (!CanHold(Rect) || Rect.IsEmpty())
    return SetBounds(Rect, false);
  Left = Rect.Left;
  Top = Rect.Top;
  Width = Rect.Width();
  Height = Rect.Height();
  Stride = static_cast<int32_t>(BufferStride(PixelFormat, Width));
  return true;
}

void TZrPixelBuffer::SetPixelFormat(int32_t Format)
{
  PixelFormat = Format;
  BytesPerPixel = PixelFormatBits(Format) / 8;
}

void TZrPixelBuffer::Clear()
{
  FreePages(Bits, Allocated);
  Bits = nullptr;
  Allocated = 0;
  Left = Top = Width = Height = Stride = 0;
}

// --- TZrPixelMask ------------------------------------------------------

void TZrPixelMask::SetBounds(int32_t NewLeft, int32_t NewTop, int32_t NewWidth, int32_t NewHeight)
{
  Left = NewLeft;
  Top = NewTop;
  Width = std::max(NewWidth, 0);
  Height = std::max(NewHeight, 0);
  Bits.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), 0);
}

uint8_t *TZrPixelMask::PixelPtr(int32_t X, int32_t Y)
{
  return const_cast<uint8_t *>(std::as_const(*this).PixelPtr(X, Y));
}

const uint8_t *TZrPixelMask::PixelPtr(int32_t X, int32_t Y) const
{
  if (Bits.empty() || !GetBounds().Contains(X, Y))
    return nullptr;
  return Bits.data() + static_cast<size_t>(Y - Top) * static_cast<size_t>(Width) +
         static_cast<size_t>(X - Left);
}

void TZrPixelMask::Include(const TZrRect &Rect)
{
  const TZrRect Old = GetBounds();
  const TZrRect New = Old.IsEmpty() ? Rect : UnionRect(Old, Rect);
  if (New == Old || New.IsEmpty())
    return;
  std::vector<uint8_t> NewBits(static_cast<size_t>(New.Width()) * static_cast<size_t>(New.Height()),
                               0);
  if (!Bits.empty()) {
    for (int32_t Y = 0; Y < Height; ++Y)
      std::memcpy(NewBits.data() +
                      static_cast<size_t>(Y + Top - New.Top) * static_cast<size_t>(New.Width()) +
                      static_cast<size_t>(Left - New.Left),
                  Bits.data() + static_cast<size_t>(Y) * static_cast<size_t>(Width),
                  static_cast<size_t>(Width));
  }
  Bits = std::move(NewBits);
  Left = New.Left;
  Top = New.Top;
  Width = New.Width();
  Height = New.Height();
}

void TZrPixelMask::MergeMax(const TZrPixelMask &Mask)
{
  Include(Mask.GetBounds());
  if (Mask.Bits.empty() || Bits.empty())
    return;
  for (int32_t Y = 0; Y < Mask.Height; ++Y) {
    const uint8_t *From =
        Mask.Bits.data() + static_cast<size_t>(Y) * static_cast<size_t>(Mask.Width);
    uint8_t *To = PixelPtr(Mask.Left, Mask.Top + Y);
    for (int32_t X = 0; X < Mask.Width; ++X)
      To[X] = std::max(To[X], From[X]);
  }
}

void TZrPixelMask::Clear()
{
  Bits.clear();
  Bits.shrink_to_fit();
  Left = Top = Width = Height = 0;
}

// --- colour helpers ----------------------------------------------------

void BlendPixel(uint8_t *Pixel, int32_t Alpha, int32_t Color)
{
  if (Alpha == 0)
    return;
  for (int C = 0; C < 3; ++C) {
    const int32_t Channel = (Color >> (8 * C)) & 0xFF;
    if (Alpha == 255) {
      Pixel[C] = static_cast<uint8_t>(Channel);
    } else {
      const int32_t Old = Pixel[C];
      // Arithmetic shift: halves round towards minus infinity.
      Pixel[C] = static_cast<uint8_t>(Old + ((Alpha * (Channel - Old)) >> 8));
    }
  }
}

void ScaleColor(int32_t Numerator, int32_t Denominator, uint8_t *Pixel, int32_t Color)
{
  for (int C = 0; C < 3; ++C)
    Pixel[C] = static_cast<uint8_t>(
        ClampInt(MulDiv((Color >> (8 * C)) & 0xFF, Numerator, Denominator), 0, 255));
}

int32_t MulDiv(int32_t A, int32_t B, int32_t C)
{
  if (C == 0)
    return -1;
  const int64_t Product = static_cast<int64_t>(A) * B;
  int64_t Quotient = Product / C;
  const int64_t Remainder = Product % C;
  // Halves go away from zero.
  if (2 * (Remainder < 0 ? -Remainder : Remainder) >= (C < 0 ? -static_cast<int64_t>(C) : C))
    Quotient += ((Product < 0) != (C < 0)) ? -1 : 1;
  if (Quotient > std::numeric_limits<int32_t>::max() ||
      Quotient < std::numeric_limits<int32_t>::min())
    return -1;
  return static_cast<int32_t>(Quotient);
}

bool FitSize(int32_t Width, int32_t Height, int32_t BoxWidth, int32_t BoxHeight, int32_t &FitWidth,
             int32_t &FitHeight)
{
  if (BoxWidth == 0 || BoxHeight == 0)
    return false;
  // An image without area has no aspect ratio to keep.
  if (Width <= 0 || Height <= 0)
    return false;
  if (static_cast<double>(Height) / BoxHeight >= static_cast<double>(Width) / BoxWidth) {
    FitHeight = BoxHeight;
    FitWidth = MulDiv(Width, BoxHeight, Height);
  } else {
    FitWidth = BoxWidth;
    FitHeight = MulDiv(Height, BoxWidth, Width);
  }
  return true;
}

} // namespace facette
