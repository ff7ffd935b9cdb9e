// The pixel engine of the straighten tool: rotates the image as it was when
// the edit began by an arbitrary angle about its centre into a canvas just
// large enough to hold it, marks the result pixels whose source lies outside
// the image (they are painted white), and finds the largest clean upright
// rectangle for the optional crop.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace facette {

class TZrStraightenRenderer
{
public:
  int32_t SourceWidth = 0;
  int32_t SourceHeight = 0;
  double Diagonal = 0.0;      // of the source
  double DiagonalAngle = 0.0; // arctan(height / width), radians
  int32_t ResultWidth = 0;
  int32_t ResultHeight = 0;
  // ResultWidth x ResultHeight, row-major: 1 where the result pixel's
  // rounded source position lies outside the source.
  std::vector<uint8_t> Outside;

  // Records the source size and derives Diagonal and DiagonalAngle.
  void SetSourceSize(int32_t Width, int32_t Height);
  // ResultWidth and ResultHeight for a rotation by Angle radians; the
  // source size at Angle 0, nothing for an empty source.
  void ComputeResultSize(double Angle);

  // Rotates Source by Angle into the top-left ResultWidth x ResultHeight
  // pixels of Image (which must be at least that large, 24-bit, and not
  // share memory with Source).
  // FilterIndex 0 takes the nearest source pixel, any other index of
  // InterpolationFilters weights the neighbours with that filter. Progress
  // receives the number of result columns done, on the calling thread.
  // Throws std::invalid_argument for an unusable image or filter index.
  void Render(const TZrPixels &Source, double Angle, int32_t FilterIndex, TZrPixels &Image,
              const std::function<void(int32_t)> &Progress = {});

  // The filtered colour of Source at the real position (X, Y) relative to
  // its top-left, written to Pixel (blue, green, red).
  static void SampleFiltered(const TZrPixels &Source, int32_t FilterIndex, double X, double Y,
                             uint8_t *Pixel);

  // The largest clean upright rectangle around the result's centre found on
  // Outside, in result pixel coordinates; empty for an empty result.
  TZrRect FindAutoCropRect() const;

  // Moves the pixels of CropRect to the top-left of Image and makes its
  // size the result size. Returns false, changing nothing, for a rectangle
  // that is empty or not inside the result: the image is never cut to
  // nothing.
  bool ApplyAutoCrop(TZrPixels &Image, const TZrRect &CropRect);

  bool IsOutside(int32_t X, int32_t Y) const
  {
    return Outside[static_cast<size_t>(Y) * static_cast<size_t>(ResultWidth) +
                   static_cast<size_t>(X)] != 0;
  }
};

} // namespace facette
