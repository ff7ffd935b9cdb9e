// What loading an image file produces and saving writes: the working
// image, the file's metadata, the lossless-JPEG object of a JPEG file, the
// pending crop and the format it was read as. The graphics document owns
// one and keeps its original, backup and history around it.
//
// The whole-image operations here keep the pixels, the crop rectangle and
// the lossless-JPEG object in step. A JPEG may be opened without decoding
// its pixels (the command line's quarter turns and flips never need them);
// EnsurePixels decodes them when something does.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrImageMetadata.h"
#include "imaging/ZrLosslessJPEG.h"
#include "imaging/ZrLTBitmap.h"

#include <cstdint>
#include <memory>

namespace facette {

// Format identifiers of the graphics formats.
constexpr int32_t gfExchange = -1; // the plug-in exchange file
constexpr int32_t gfJPEG = 0;
constexpr int32_t gfTIFF = 1;
constexpr int32_t gfPNG = 2;
constexpr int32_t gfBMP = 3;
constexpr int32_t gfZRI = 4;

class TZrGraphicsImage
{
public:
  TZrLTBitmap Image; // always 24-bit
  TZrGraphicsDocumentProperties Properties;
  // Present for a file opened as JPEG or ZRI whose coefficients we hold.
  std::unique_ptr<TZrLosslessJPEG> LosslessJPEG;
  // The pending crop in image coordinates; empty when none.
  TZrRect CropRect;
  int32_t Format = gfJPEG;
  // The JPEG was opened without decoding; Image is empty until EnsurePixels.
  bool PixelsPending = false;

  void Clear();
  bool Empty() const { return !PixelsPending && Image.GetWidth() == 0; }
  int32_t Width() const;
  int32_t Height() const;
  // The crop rectangle, or the whole image when none is set.
  TZrRect GetVisibleRect() const;
  // Sets the crop rectangle to Rect inside the image; the whole image
  // clears it.
  void SetCropRect(const TZrRect &Rect);
  bool EnsurePixels();
  // Whether the coded data of a JPEG opened without decoding is damaged:
  // why a save from it failed, when it was opened without the check.
  bool PendingDataDamaged() const;

  // Quarter turns and flips turn the crop rectangle with the image.
  bool RotateLeft();
  bool RotateRight();
  bool FlipHorizontal();
  bool FlipVertical();
  // Cuts the image to Rect inside it and clears the crop rectangle.
  bool Crop(const TZrRect &Rect);
  // Lanczos resampling to Width x Height; with ScaleCrop a crop rectangle
  // is scaled with the image (never growing past it), otherwise cleared.
  bool Resample(int32_t NewWidth, int32_t NewHeight, bool ScaleCrop = true);
  // Pixels stay at the top left; new area is black; the crop is cleared.
  bool SetCanvasSize(int32_t NewWidth, int32_t NewHeight);
  // Turns and mirrors stored pixels of the EXIF orientation (1 .. 8) so
  // that they stand upright; the lossless object records it.
  bool TurnUpright(int32_t Orientation);
};

} // namespace facette
