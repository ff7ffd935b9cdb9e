#include "imaging/ZrGraphicsImage.h"

#include "imaging/ZrImageCodecs.h"

#include <cstdint>

namespace facette {

void TZrGraphicsImage::Clear()
{
  Image.Clear();
  Properties.ClearAll();
  LosslessJPEG.reset();
  CropRect = {};
  Format = gfJPEG;
  PixelsPending = false;
}

int32_t TZrGraphicsImage::Width() const
{
  return PixelsPending && LosslessJPEG ? LosslessJPEG->ImageWidth() : Image.GetWidth();
}

int32_t TZrGraphicsImage::Height() const
{
  return PixelsPending && LosslessJPEG ? LosslessJPEG->ImageHeight() : Image.GetHeight();
}

TZrRect TZrGraphicsImage::GetVisibleRect() const
{
  return CropRect.IsEmpty() ? MakeRect(0, 0, Width(), Height()) : CropRect;
}

void TZrGraphicsImage::SetCropRect(const TZrRect &Rect)
{
  const TZrRect Whole = MakeRect(0, 0, Width(), Height());
  CropRect = IntersectRect(Rect, Whole);
  if (CropRect == Whole)
    CropRect = {};
}

bool TZrGraphicsImage::EnsurePixels()
{
  if (!PixelsPending)
    return true;
  if (!LosslessJPEG)
    return false;
  if (!Image.SetSize(LosslessJPEG->ImageWidth(), LosslessJPEG->ImageHeight(), pf24bit))
    return false;
  if (!LosslessJPEG->Decode(*Image.GetPixels())) {
    Image.Clear();
    return false;
  }
  PixelsPending = false;
  return true;
}

bool TZrGraphicsImage::PendingDataDamaged() const
{
  if (!PixelsPending || !LosslessJPEG || !LosslessJPEG->HasImage())
    return false;
  const std::vector<uint8_t> &Bytes = LosslessJPEG->OriginalBytes();
  return CheckJPEGData(Bytes.data(), Bytes.size()) != TZrJPEGIntegrity::Whole;
}

bool TZrGraphicsImage::RotateLeft()
{
  const int32_t W = Width();
  if (!PixelsPending && !Image.RotateLeft())
    return false;
  if (!CropRect.IsEmpty())
    CropRect = MakeRect(CropRect.Top, W - CropRect.Right, CropRect.Bottom, W - CropRect.Left);
  if (LosslessJPEG)
    LosslessJPEG->RotateLeft();
  return true;
}

bool TZrGraphicsImage::RotateRight()
{
  const int32_t H = Height();
  if (!PixelsPending && !Image.RotateRight())
    return false;
  if (!CropRect.IsEmpty())
    CropRect = MakeRect(H - CropRect.Bottom, CropRect.Left, H - CropRect.Top, CropRect.Right);
  if (LosslessJPEG)
    LosslessJPEG->RotateRight();
  return true;
}

bool TZrGraphicsImage::FlipHorizontal()
{
  const int32_t W = Width();
  if (!PixelsPending && !Image.FlipHorizontal())
    return false;
  if (!CropRect.IsEmpty())
    CropRect = MakeRect(W - CropRect.Right, CropRect.Top, W - CropRect.Left, CropRect.Bottom);
  if (LosslessJPEG)
    LosslessJPEG->FlipHorizontal();
  return true;
}

bool TZrGraphicsImage::FlipVertical()
{
  const int32_t H = Height();
  if (!PixelsPending && !Image.FlipVertical())
    return false;
  if (!CropRect.IsEmpty())
    CropRect = MakeRect(CropRect.Left, H - CropRect.Bottom, CropRect.Right, H - CropRect.Top);
  if (LosslessJPEG)
    LosslessJPEG->FlipVertical();
  return true;
}

bool TZrGraphicsImage::Crop(const TZrRect &Rect)
{
  const TZrRect R = IntersectRect(Rect, MakeRect(0, 0, Width(), Height()));
  if (R.IsEmpty())
    return false;
  if (!PixelsPending && !Image.Crop(R))
    return false;
  CropRect = {};
  // The object keeps exactly this rectangle: cutting it on the block grid
  // instead would shift the saved picture against what is shown. Saving
  // decides whether it can be written without recompression.
  if (LosslessJPEG)
    LosslessJPEG->Crop(R);
  return true;
}

bool TZrGraphicsImage::Resample(int32_t NewWidth, int32_t NewHeight, bool ScaleCrop)
{
  if (!EnsurePixels())
    return false;
  const int32_t W0 = Image.GetWidth(), H0 = Image.GetHeight();
  if (W0 <= 0 || H0 <= 0 || !Image.Resample(NewWidth, NewHeight))
    return false;
  if (!CropRect.IsEmpty() && ScaleCrop) {
    // Left and top round up, right and bottom down: the scaled rectangle
    // never grows past the scaled image.
    auto Up = [](int64_t V, int64_t N, int64_t D) {
      return static_cast<int32_t>((V * N + D - 1) / D);
    };
    auto Down = [](int64_t V, int64_t N, int64_t D) { return static_cast<int32_t>(V * N / D); };
    SetCropRect(MakeRect(Up(CropRect.Left, NewWidth, W0), Up(CropRect.Top, NewHeight, H0),
                         Down(CropRect.Right, NewWidth, W0), Down(CropRect.Bottom, NewHeight, H0)));
  } else {
    CropRect = {};
  }
  if (LosslessJPEG)
    LosslessJPEG->PixelsReplaced();
  return true;
}

bool TZrGraphicsImage::SetCanvasSize(int32_t NewWidth, int32_t NewHeight)
{
  if (!EnsurePixels() || !Image.SetCanvasSize(NewWidth, NewHeight))
    return false;
  CropRect = {};
  if (LosslessJPEG)
    LosslessJPEG->Crop(MakeRect(0, 0, NewWidth, NewHeight));
  return true;
}

bool TZrGraphicsImage::TurnUpright(int32_t Orientation)
{
  // Orientation 5 stores the picture transposed, 7 transversed: a quarter
  // turn clockwise and a mirror make them upright.
  switch (Orientation) {
  case 2:
    return FlipHorizontal();
  case 3:
    return FlipHorizontal() && FlipVertical();
  case 4:
    return FlipVertical();
  case 5:
    return RotateRight() && FlipHorizontal();
  case 6:
    return RotateRight();
  case 7:
    return RotateRight() && FlipVertical();
  case 8:
    return RotateLeft();
  default:
    return true;
  }
}

} // namespace facette
