// The arithmetic of the adjustment tool: brightness, contrast and gamma as
// three 256-entry tables applied in one pass, and saturation per pixel. The
// tool reads the committed image (the backup pixels) and writes the working
// image, so every application starts from the same source.
#pragma once

#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <functional>

namespace facette {

struct TZrDoublePoint
{
  double X = 0;
  double Y = 0;
};

// A table following the straight line through P0 and P1: Lut[i] is the
// line's y at x = i, clamped and rounded. A line closer to vertical than
// 0.001 in x is tilted by that much so that it stays a function.
void BuildLineLut(uint8_t *Lut, TZrDoublePoint P0, TZrDoublePoint P1);

// Slider value -50..50 to the gamma exponent: 3.333 at -50, 1 at 0, about
// 0.3 at +50.
double GammaExponent(int32_t V);

// The tables of one channel for a slider value V. Brightness adds
// k = 5.1 V to every value: Lut[i] = ByteRound(i + k).
void BuildBrightnessLut(uint8_t *Lut, int32_t V);
// Pivots on the channel's Mean: V = 50 thresholds at the mean, V = -50 maps
// everything to it.
void BuildContrastLut(uint8_t *Lut, int32_t V, float Mean);
void BuildGammaLut(uint8_t *Lut, int32_t V);

// Every pixel of Image inside Backup takes (LutBlue[B], LutGreen[G],
// LutRed[R]) of the backup pixel at the same place. With Copy the result
// is written there too, in the same pass (where Copy covers it): a finished
// adjustment's new backup costs no second pass over the image.
void ApplyLuts(const TZrPixels &Backup, TZrPixels &Image, const uint8_t *LutBlue,
               const uint8_t *LutGreen, const uint8_t *LutRed, TZrPixels *Copy = nullptr);

// Reported as (rows done, rows in all), always from the calling thread.
using TZrAdjustmentProgress = std::function<void(int32_t Done, int32_t Total)>;

// Moves the HSV saturation of every pixel by the slider of its largest
// channel, keeping value and hue; grey pixels and pixels whose slider is 0
// are copied.
void ApplySaturation(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                     int32_t GreenValue, int32_t BlueValue,
                     const TZrAdjustmentProgress &Progress = {}, TZrPixels *Copy = nullptr);

// The four kinds of adjustment, as the tool numbers them.
enum : int32_t
{
  atBrightness = 0,
  atContrast = 1,
  atGamma = 2,
  atSaturation = 3,
};

// The adjustment tool's state between applications: the last tables and
// the channel means that contrast pivots on.
class TZrAdjustmentEngine
{
public:
  uint8_t LutRed[256] = {};
  uint8_t LutGreen[256] = {};
  uint8_t LutBlue[256] = {};
  bool MeansPending = true;
  float MeanBlue = 0;
  float MeanGreen = 0;
  float MeanRed = 0;

  // Each fills the three tables for the slider values and applies them
  // (also into Copy when given, see ApplyLuts).
  void ApplyBrightness(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                       int32_t GreenValue, int32_t BlueValue, TZrPixels *Copy = nullptr);
  // Computes the means first when they are pending.
  void ApplyContrast(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                     int32_t GreenValue, int32_t BlueValue, TZrPixels *Copy = nullptr);
  void ApplyGamma(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue, int32_t GreenValue,
                  int32_t BlueValue, TZrPixels *Copy = nullptr);
  // The adjustment of Type (atBrightness .. atSaturation; others do
  // nothing). Only saturation reports progress.
  void Apply(int32_t Type, const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
             int32_t GreenValue, int32_t BlueValue, const TZrAdjustmentProgress &Progress = {},
             TZrPixels *Copy = nullptr);
  // The mean of every channel over the backup pixels; an empty image has
  // means 0.
  void ComputeMeans(const TZrPixels &Backup);
  void ApplyLuts(const TZrPixels &Backup, TZrPixels &Image, TZrPixels *Copy = nullptr) const
  {
    facette::ApplyLuts(Backup, Image, LutBlue, LutGreen, LutRed, Copy);
  }
};

} // namespace facette
