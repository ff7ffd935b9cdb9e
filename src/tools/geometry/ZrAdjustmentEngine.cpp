#include "tools/geometry/ZrAdjustmentEngine.h"

#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cmath>

namespace facette {

namespace {

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t ParallelPixels = 1 << 18;

// The part of Image that Backup covers, or an empty rectangle.
TZrRect Overlap(const TZrPixels &Backup, const TZrPixels &Image)
{
  if (Backup.Bits == nullptr || Image.Bits == nullptr || Backup.BytesPerPixel < 3 ||
      Image.BytesPerPixel < 3)
    return TZrRect{};
  return IntersectRect(Backup.GetBounds(), Image.GetBounds());
}

int32_t WorkersFor(const TZrRect &R)
{
  const int64_t Pixels = static_cast<int64_t>(R.Width()) * R.Height();
  return Pixels >= ParallelPixels ? std::min(WorkerCount(), R.Height()) : 1;
}

// The slider value 5.1 * V as the tool computes it.
double SliderStep(int32_t V)
{
  return V * 255.0 / 50.0;
}

} // namespace

void BuildLineLut(uint8_t *Lut, TZrDoublePoint P0, TZrDoublePoint P1)
{
  if (std::fabs(P1.X - P0.X) <= 0.001)
    P1.X = P0.X + 0.001;
  double A = P1.Y - P0.Y;
  double B = P0.X - P1.X;
  double C = -(P0.X * A + P0.Y * B);
  const double Largest = std::max({std::fabs(A), std::fabs(B), std::fabs(C)});
  A /= Largest;
  B /= Largest;
  C /= Largest;
  for (int32_t I = 0; I < 256; ++I)
    Lut[I] = ByteRound(-(A * I + C) / B);
}

double GammaExponent(int32_t V)
{
  if (V > 0)
    return 1 - V * 0.6999699969997 / 50;
  return 1 - V * 2.333 / 50;
}

void BuildBrightnessLut(uint8_t *Lut, int32_t V)
{
  const double K = SliderStep(V);
  BuildLineLut(Lut, {-K, 0}, {255 - K, 255});
}

void BuildContrastLut(uint8_t *Lut, int32_t V, float Mean)
{
  const double K = SliderStep(V);
  const double M = Mean;
  if (V >= 0)
    BuildLineLut(Lut, {K * M / 255, 0}, {255 - K * (255 - M) / 255, 255});
  else
    BuildLineLut(Lut, {0, -K * M / 255}, {255, 255 + K * (255 - M) / 255});
}

void BuildGammaLut(uint8_t *Lut, int32_t V)
{
  const double G = GammaExponent(V);
  for (int32_t I = 0; I < 256; ++I)
    Lut[I] = ByteRound(255 * std::pow(I / 255.0, G));
}

void ApplyLuts(const TZrPixels &Backup, TZrPixels &Image, const uint8_t *LutBlue,
               const uint8_t *LutGreen, const uint8_t *LutRed)
{
  const TZrRect R = Overlap(Backup, Image);
  if (R.IsEmpty())
    return;
  const int32_t Workers = WorkersFor(R);
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = R.Top + StripeBegin(R.Height(), Workers, Index);
    const int32_t Y1 = R.Top + StripeBegin(R.Height(), Workers, Index + 1);
    const int32_t SourceStep = Backup.BytesPerPixel;
    const int32_t TargetStep = Image.BytesPerPixel;
    for (int32_t Y = Y0; Y < Y1; ++Y) {
      const uint8_t *Source = Backup.PixelPtr(R.Left, Y);
      uint8_t *Target = Image.PixelPtr(R.Left, Y);
      for (int32_t X = R.Left; X < R.Right; ++X) {
        Target[0] = LutBlue[Source[0]];
        Target[1] = LutGreen[Source[1]];
        Target[2] = LutRed[Source[2]];
        Source += SourceStep;
        Target += TargetStep;
      }
    }
  });
}

namespace {

void SaturatePixel(const uint8_t *Source, uint8_t *Target, const int32_t *Sliders)
{
  const int32_t V[3] = {Source[0], Source[1], Source[2]};
  Target[0] = Source[0];
  Target[1] = Source[1];
  Target[2] = Source[2];
  // Rank by pairwise comparison; a tie goes to the lower index.
  int32_t Wins[3] = {0, 0, 0};
  ++Wins[V[0] >= V[1] ? 0 : 1];
  ++Wins[V[0] >= V[2] ? 0 : 2];
  ++Wins[V[1] >= V[2] ? 1 : 2];
  int32_t Max = 0, Mid = 0, Min = 0;
  for (int32_t C = 0; C < 3; ++C) {
    if (Wins[C] == 2)
      Max = C;
    else if (Wins[C] == 1)
      Mid = C;
    else
      Min = C;
  }
  if (V[Max] == V[Min])
    return;
  const int32_t E = Sliders[Max];
  if (E == 0)
    return;
  const double Hi = V[Max], Md = V[Mid], Lo = V[Min];
  const double F = (Hi - Lo) / Hi;
  const double F2 = E < 0 ? F + F * E / 50 : F + E * (1 - F) / 50;
  const double N = (1 - F2) * Hi;
  // Slider values beyond -50..50 would leave the byte range: clamp.
  Target[Mid] = ByteRound((N - Lo) * (Hi - Md) / (Hi - Lo) + Md);
  Target[Min] = ByteRound(N);
}

} // namespace

void ApplySaturation(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                     int32_t GreenValue, int32_t BlueValue, const TZrAdjustmentProgress &Progress)
{
  const TZrRect R = Overlap(Backup, Image);
  if (R.IsEmpty())
    return;
  const int32_t Sliders[3] = {BlueValue, GreenValue, RedValue};
  const int32_t Workers = WorkersFor(R);
  const int32_t Total = R.Height();
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = R.Top + StripeBegin(R.Height(), Workers, Index);
    const int32_t Y1 = R.Top + StripeBegin(R.Height(), Workers, Index + 1);
    for (int32_t Y = Y0; Y < Y1; ++Y) {
      const uint8_t *Source = Backup.PixelPtr(R.Left, Y);
      uint8_t *Target = Image.PixelPtr(R.Left, Y);
      for (int32_t X = R.Left; X < R.Right; ++X) {
        SaturatePixel(Source, Target, Sliders);
        Source += Backup.BytesPerPixel;
        Target += Image.BytesPerPixel;
      }
      // The first stripe stands for all of them in the progress report.
      if (Index == 0 && Progress)
        Progress(static_cast<int32_t>(static_cast<int64_t>(Y - Y0 + 1) * Total / (Y1 - Y0)), Total);
    }
  });
}

void TZrAdjustmentEngine::ApplyBrightness(const TZrPixels &Backup, TZrPixels &Image,
                                          int32_t RedValue, int32_t GreenValue, int32_t BlueValue)
{
  BuildBrightnessLut(LutRed, RedValue);
  BuildBrightnessLut(LutGreen, GreenValue);
  BuildBrightnessLut(LutBlue, BlueValue);
  ApplyLuts(Backup, Image);
}

void TZrAdjustmentEngine::ApplyContrast(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                                        int32_t GreenValue, int32_t BlueValue)
{
  if (MeansPending)
    ComputeMeans(Backup);
  BuildContrastLut(LutRed, RedValue, MeanRed);
  BuildContrastLut(LutGreen, GreenValue, MeanGreen);
  BuildContrastLut(LutBlue, BlueValue, MeanBlue);
  ApplyLuts(Backup, Image);
}

void TZrAdjustmentEngine::ApplyGamma(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                                     int32_t GreenValue, int32_t BlueValue)
{
  BuildGammaLut(LutRed, RedValue);
  BuildGammaLut(LutGreen, GreenValue);
  BuildGammaLut(LutBlue, BlueValue);
  ApplyLuts(Backup, Image);
}

void TZrAdjustmentEngine::ComputeMeans(const TZrPixels &Backup)
{
  // Summed exactly: a single-precision running sum stops growing once it
  // is large (a 24-megapixel photo of mid grey would come out near 89), and
  // contrast pivots on these means.
  uint64_t Sums[3] = {0, 0, 0};
  const int64_t Pixels = static_cast<int64_t>(Backup.Width) * Backup.Height;
  if (Backup.Bits != nullptr && Backup.BytesPerPixel >= 3 && Pixels > 0) {
    for (int32_t Y = 0; Y < Backup.Height; ++Y) {
      const uint8_t *Source = Backup.Bits + static_cast<ptrdiff_t>(Y) * Backup.Stride;
      uint32_t Row[3] = {0, 0, 0};
      for (int32_t X = 0; X < Backup.Width; ++X, Source += Backup.BytesPerPixel) {
        Row[0] += Source[0];
        Row[1] += Source[1];
        Row[2] += Source[2];
      }
      for (int32_t C = 0; C < 3; ++C)
        Sums[C] += Row[C];
    }
  }
  float Means[3] = {0, 0, 0};
  if (Pixels > 0 && Backup.Bits != nullptr && Backup.BytesPerPixel >= 3) {
    for (int32_t C = 0; C < 3; ++C)
      Means[C] = static_cast<float>(static_cast<double>(Sums[C]) / static_cast<double>(Pixels));
  }
  MeanBlue = Means[0];
  MeanGreen = Means[1];
  MeanRed = Means[2];
  MeansPending = false;
}

} // namespace facette
