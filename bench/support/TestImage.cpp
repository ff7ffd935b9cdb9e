#include "support/TestImage.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace facette::bench {

namespace {

struct Sample
{
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb;
};

// Reads the sample PNG as 8-bit RGB.
Sample LoadSample()
{
  const std::string Path = std::string(FACETTE_SAMPLE_DATA) + "/portrait.png";
  png_image Image{};
  Image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&Image, Path.c_str()))
    throw std::runtime_error("cannot read " + Path);
  Image.format = PNG_FORMAT_RGB;
  Sample S;
  S.Width = static_cast<int32_t>(Image.width);
  S.Height = static_cast<int32_t>(Image.height);
  S.Rgb.resize(PNG_IMAGE_SIZE(Image));
  if (!png_image_finish_read(&Image, nullptr, S.Rgb.data(), 0, nullptr))
    throw std::runtime_error("cannot decode " + Path);
  return S;
}

} // namespace

void MakePhoto(TZrPixelBuffer &Buffer, int32_t Width, int32_t Height)
{
  static const Sample S = LoadSample();
  if (!Buffer.Allocate(pf24bit, Bounds(0, 0, Width, Height)))
    throw std::runtime_error("out of memory for the test photo");
  // Bilinear enlargement of the sample, cropped to the target's aspect, plus
  // deterministic grain of about +-6 levels so flat areas are not flat.
  const double Scale =
      std::max(static_cast<double>(Width) / S.Width, static_cast<double>(Height) / S.Height);
  const double OffsetX = (S.Width - Width / Scale) / 2;
  const double OffsetY = (S.Height - Height / Scale) / 2;
  uint32_t Seed = 12345;
  for (int32_t Y = 0; Y < Height; ++Y) {
    const double SY = std::clamp(OffsetY + (Y + 0.5) / Scale - 0.5, 0.0, S.Height - 1.0);
    const int32_t Y0 = static_cast<int32_t>(SY);
    const int32_t Y1 = std::min(Y0 + 1, S.Height - 1);
    const double FY = SY - Y0;
    uint8_t *Row = Buffer.PixelPtr(0, Y);
    for (int32_t X = 0; X < Width; ++X) {
      const double SX = std::clamp(OffsetX + (X + 0.5) / Scale - 0.5, 0.0, S.Width - 1.0);
      const int32_t X0 = static_cast<int32_t>(SX);
      const int32_t X1 = std::min(X0 + 1, S.Width - 1);
      const double FX = SX - X0;
      Seed = Seed * 1664525u + 1013904223u;
      const int Grain = static_cast<int>((Seed >> 24) % 13) - 6;
      for (int C = 0; C < 3; ++C) {
        auto At = [&](int32_t PX, int32_t PY) {
          return S.Rgb[(static_cast<size_t>(PY) * S.Width + PX) * 3 + C];
        };
        const double V = (At(X0, Y0) * (1 - FX) + At(X1, Y0) * FX) * (1 - FY) +
                         (At(X0, Y1) * (1 - FX) + At(X1, Y1) * FX) * FY;
        // Stored blue, green, red.
        Row[X * 3 + (2 - C)] = static_cast<uint8_t>(std::clamp(V + Grain, 0.0, 255.0));
      }
    }
  }
}

const TZrPixelBuffer &Photo24MP()
{
  static TZrPixelBuffer Photo = [] {
    TZrPixelBuffer B;
    MakePhoto(B, PhotoWidth, PhotoHeight);
    return B;
  }();
  return Photo;
}

} // namespace facette::bench
