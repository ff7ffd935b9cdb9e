// Shared by the image-file harnesses: loads bytes through the same path as
// opening a file, then checks what came out and writes it back in the
// given format, decoding that again.
#pragma once

#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageCodecs.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace facette {

inline void FuzzCheck(bool Condition)
{
  if (!Condition)
    __builtin_trap();
}

inline bool SamePixels(const TZrPixels &A, const TZrPixels &B)
{
  if (A.Width != B.Width || A.Height != B.Height)
    return false;
  for (int32_t Y = 0; Y < A.Height; ++Y)
    if (std::memcmp(A.PixelPtr(A.Left, A.Top + Y), B.PixelPtr(B.Left, B.Top + Y),
                    static_cast<size_t>(A.Width) * 3) != 0)
      return false;
  return true;
}

// Loads Data; when it opens as an image of modest size, writes it in
// SaveFormat and opens the result, which must give the same size (and for
// lossless formats the same pixels).
inline void FuzzLoad(const uint8_t *Data, size_t Size, int32_t SaveFormat)
{
  static TZrGraphicsFormats Formats;
  TZrGraphicsImage Image;
  int32_t Format = -2;
  // Half the inputs open as the editor opens them, taking a partial
  // picture of a damaged JPEG.
  TZrLoadOptions Options;
  Options.AcceptPartial = Size % 2 == 1;
  TZrLoadReport Report;
  if (!Formats.LoadImageData(Image, std::vector<uint8_t>(Data, Data + Size), Format, Options,
                             nullptr, &Report)) {
    FuzzCheck(Image.Empty() && Report.Problem != TZrImageProblem::None);
    return;
  }
  FuzzCheck(Report.Problem == TZrImageProblem::None ||
            (Options.AcceptPartial && Report.Problem == TZrImageProblem::Damaged));
  FuzzCheck(Format >= gfJPEG && Format <= gfZRI);
  const TZrLTBitmap &Bitmap = Image.Image;
  FuzzCheck(Bitmap.GetPixels() && Bitmap.GetWidth() > 0 && Bitmap.GetHeight() > 0);
  if (int64_t{Bitmap.GetWidth()} * Bitmap.GetHeight() > 256 * 256)
    return;
  // A quarter turn makes the JPEG path go through the lossless transform.
  FuzzCheck(Image.RotateRight());
  std::vector<uint8_t> Bytes;
  FuzzCheck(Formats.EncodeImage(Image, SaveFormat, Bytes));
  TZrGraphicsImage Again;
  int32_t AgainFormat = -2;
  FuzzCheck(Formats.LoadImageData(Again, Bytes, AgainFormat));
  FuzzCheck(Again.Image.GetWidth() == Bitmap.GetWidth() &&
            Again.Image.GetHeight() == Bitmap.GetHeight());
  if (SaveFormat != gfJPEG && SaveFormat != gfZRI)
    FuzzCheck(SamePixels(*Again.Image.GetPixels(), *Bitmap.GetPixels()));
}

} // namespace facette
