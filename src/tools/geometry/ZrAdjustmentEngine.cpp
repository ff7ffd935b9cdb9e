#include "tools/geometry/ZrAdjustmentEngine.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define FACETTE_X86_64 1
#endif

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
  // The line through (-k, 0) and (255 - k, 255) is y = x + k, but taken
  // through the normalised line equation its values miss the exact halves
  // that odd slider values give (k = 25.5 at 5), and those must round to
  // even like every other value: the sum is rounded directly.
  const double K = SliderStep(V);
  for (int32_t I = 0; I < 256; ++I)
    Lut[I] = ByteRound(I + K);
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

namespace {

// The three tables as the row kernels take them.
struct TLuts
{
  const uint8_t *Blue;
  const uint8_t *Green;
  const uint8_t *Red;
};

void LutPixels(const uint8_t *Source, int32_t SourceStep, uint8_t *Target, int32_t TargetStep,
               int32_t Count, const TLuts &L)
{
  for (int32_t X = 0; X < Count; ++X) {
    Target[0] = L.Blue[Source[0]];
    Target[1] = L.Green[Source[1]];
    Target[2] = L.Red[Source[2]];
    Source += SourceStep;
    Target += TargetStep;
  }
}

#ifdef FACETTE_X86_64

bool HaveByteLookups()
{
  static const bool Have = __builtin_cpu_supports("avx512vbmi") &&
                           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f");
  return Have;
}

#define FACETTE_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// A 256-entry byte table in four registers, looked up 64 bytes at a time:
// the low seven bits pick from two 128-byte halves, the high bit chooses.
struct TVectorLut
{
  __m512i Q0, Q1, Q2, Q3;
};

FACETTE_VBMI TVectorLut LoadVectorLut(const uint8_t *Lut)
{
  return TVectorLut{_mm512_loadu_si512(Lut), _mm512_loadu_si512(Lut + 64),
                    _mm512_loadu_si512(Lut + 128), _mm512_loadu_si512(Lut + 192)};
}

FACETTE_VBMI inline __m512i LookUp(const TVectorLut &T, __m512i Index, __mmask64 High)
{
  const __m512i Low = _mm512_permutex2var_epi8(T.Q0, Index, T.Q1);
  const __m512i Top = _mm512_permutex2var_epi8(T.Q2, Index, T.Q3);
  return _mm512_mask_blend_epi8(High, Low, Top);
}

// Packed 24-bit rows (three bytes per pixel, a row starting with blue):
// 64 pixels are three vectors, and in vector V byte J is channel
// (J + V) mod 3, since 64 leaves 1 over 3. ChannelBytes(V, C) marks the
// bytes of channel C in vector V.
constexpr uint64_t ChannelBytes(int V, int C)
{
  uint64_t Mask = 0;
  for (int J = 0; J < 64; ++J)
    if ((J + V) % 3 == C)
      Mask |= uint64_t{1} << J;
  return Mask;
}

FACETTE_VBMI void LutRowVector(const uint8_t *Source, uint8_t *Target, uint8_t *Copy, int32_t Count,
                               const TLuts &L)
{
  static constexpr uint64_t Channel[3][3] = {
      {ChannelBytes(0, 0), ChannelBytes(0, 1), ChannelBytes(0, 2)},
      {ChannelBytes(1, 0), ChannelBytes(1, 1), ChannelBytes(1, 2)},
      {ChannelBytes(2, 0), ChannelBytes(2, 1), ChannelBytes(2, 2)}};
  const TVectorLut Tables[3] = {LoadVectorLut(L.Blue), LoadVectorLut(L.Green),
                                LoadVectorLut(L.Red)};
  const int32_t Blocks = Count / 64;
  for (int32_t B = 0; B < Blocks; ++B) {
    const size_t Offset = static_cast<size_t>(B) * 192;
    for (int V = 0; V < 3; ++V) {
      const __m512i Index = _mm512_loadu_si512(Source + Offset + 64 * V);
      const __mmask64 High = _mm512_movepi8_mask(Index);
      __m512i Result = LookUp(Tables[0], Index, High);
      Result = _mm512_mask_mov_epi8(Result, Channel[V][1], LookUp(Tables[1], Index, High));
      Result = _mm512_mask_mov_epi8(Result, Channel[V][2], LookUp(Tables[2], Index, High));
      _mm512_storeu_si512(Target + Offset + 64 * V, Result);
      if (Copy)
        _mm512_storeu_si512(Copy + Offset + 64 * V, Result);
    }
  }
  const int32_t Done = Blocks * 64;
  const size_t Offset = static_cast<size_t>(Done) * 3;
  LutPixels(Source + Offset, 3, Target + Offset, 3, Count - Done, L);
  if (Copy)
    std::memcpy(Copy + Offset, Target + Offset, static_cast<size_t>(Count - Done) * 3);
}

#endif

// One row of Count pixels; Copy (may be nil) receives the result too.
void LutRow(const uint8_t *Source, int32_t SourceStep, uint8_t *Target, int32_t TargetStep,
            uint8_t *Copy, int32_t CopyStep, int32_t Count, const TLuts &L)
{
#ifdef FACETTE_X86_64
  if (SourceStep == 3 && TargetStep == 3 && (!Copy || CopyStep == 3) && VectorKernelsEnabled() &&
      HaveByteLookups()) {
    LutRowVector(Source, Target, Copy, Count, L);
    return;
  }
#endif
  LutPixels(Source, SourceStep, Target, TargetStep, Count, L);
  if (Copy)
    LutPixels(Source, SourceStep, Copy, CopyStep, Count, L);
}

// The rows of R in stripes over the workers: Row(Stripe, Y0, Y1, Y) for
// every row Y of the stripe [Y0, Y1).
template <class TRow> void ForEachRow(const TZrRect &R, const TRow &Row)
{
  const int32_t Workers = WorkersFor(R);
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t Y0 = R.Top + StripeBegin(R.Height(), Workers, Index);
    const int32_t Y1 = R.Top + StripeBegin(R.Height(), Workers, Index + 1);
    for (int32_t Y = Y0; Y < Y1; ++Y)
      Row(Index, Y0, Y1, Y);
  });
}

// Copy when it can take the result of all of R, else nil (then the callers
// fill what it covers afterwards).
TZrPixels *WholeCopy(TZrPixels *Copy, const TZrRect &R)
{
  if (!Copy || !Copy->Bits || Copy->PixelFormat != pf24bit)
    return nullptr;
  return IntersectRect(Copy->GetBounds(), R) == R ? Copy : nullptr;
}

// The part of Image inside R that Copy covers, copied into it.
void CopyResult(const TZrPixels &Image, const TZrRect &R, TZrPixels *Copy)
{
  if (Copy && Copy->Bits)
    Copy->CopyRect(R.Left, R.Top, Image, R);
}

} // namespace

void ApplyLuts(const TZrPixels &Backup, TZrPixels &Image, const uint8_t *LutBlue,
               const uint8_t *LutGreen, const uint8_t *LutRed, TZrPixels *Copy)
{
  const TZrRect R = Overlap(Backup, Image);
  if (R.IsEmpty())
    return;
  const TLuts L{LutBlue, LutGreen, LutRed};
  TZrPixels *Together = WholeCopy(Copy, R);
  ForEachRow(R, [&](int32_t, int32_t, int32_t, int32_t Y) {
    LutRow(Backup.PixelPtr(R.Left, Y), Backup.BytesPerPixel, Image.PixelPtr(R.Left, Y),
           Image.BytesPerPixel, Together ? Together->PixelPtr(R.Left, Y) : nullptr,
           Together ? Together->BytesPerPixel : 0, R.Width(), L);
  });
  if (!Together)
    CopyResult(Image, R, Copy);
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
                     int32_t GreenValue, int32_t BlueValue, const TZrAdjustmentProgress &Progress,
                     TZrPixels *Copy)
{
  const TZrRect R = Overlap(Backup, Image);
  if (R.IsEmpty())
    return;
  const int32_t Sliders[3] = {BlueValue, GreenValue, RedValue};
  const int32_t Total = R.Height();
  TZrPixels *Together = WholeCopy(Copy, R);
  ForEachRow(R, [&](int32_t Stripe, int32_t Y0, int32_t Y1, int32_t Y) {
    const uint8_t *Source = Backup.PixelPtr(R.Left, Y);
    uint8_t *Target = Image.PixelPtr(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right; ++X) {
      SaturatePixel(Source, Target, Sliders);
      Source += Backup.BytesPerPixel;
      Target += Image.BytesPerPixel;
    }
    // The row is still in the cache.
    if (Together)
      Together->CopyRect(R.Left, Y, Image, MakeRect(R.Left, Y, R.Right, Y + 1));
    // The first stripe stands for all of them in the progress report.
    if (Stripe == 0 && Progress)
      Progress(static_cast<int32_t>(static_cast<int64_t>(Y - Y0 + 1) * Total / (Y1 - Y0)), Total);
  });
  if (!Together)
    CopyResult(Image, R, Copy);
}

void TZrAdjustmentEngine::ApplyBrightness(const TZrPixels &Backup, TZrPixels &Image,
                                          int32_t RedValue, int32_t GreenValue, int32_t BlueValue,
                                          TZrPixels *Copy)
{
  BuildBrightnessLut(LutRed, RedValue);
  BuildBrightnessLut(LutGreen, GreenValue);
  BuildBrightnessLut(LutBlue, BlueValue);
  ApplyLuts(Backup, Image, Copy);
}

void TZrAdjustmentEngine::ApplyContrast(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                                        int32_t GreenValue, int32_t BlueValue, TZrPixels *Copy)
{
  if (MeansPending)
    ComputeMeans(Backup);
  BuildContrastLut(LutRed, RedValue, MeanRed);
  BuildContrastLut(LutGreen, GreenValue, MeanGreen);
  BuildContrastLut(LutBlue, BlueValue, MeanBlue);
  ApplyLuts(Backup, Image, Copy);
}

void TZrAdjustmentEngine::ApplyGamma(const TZrPixels &Backup, TZrPixels &Image, int32_t RedValue,
                                     int32_t GreenValue, int32_t BlueValue, TZrPixels *Copy)
{
  BuildGammaLut(LutRed, RedValue);
  BuildGammaLut(LutGreen, GreenValue);
  BuildGammaLut(LutBlue, BlueValue);
  ApplyLuts(Backup, Image, Copy);
}

void TZrAdjustmentEngine::Apply(int32_t Type, const TZrPixels &Backup, TZrPixels &Image,
                                int32_t RedValue, int32_t GreenValue, int32_t BlueValue,
                                const TZrAdjustmentProgress &Progress, TZrPixels *Copy)
{
  switch (Type) {
  case atBrightness:
    ApplyBrightness(Backup, Image, RedValue, GreenValue, BlueValue, Copy);
    break;
  case atContrast:
    ApplyContrast(Backup, Image, RedValue, GreenValue, BlueValue, Copy);
    break;
  case atGamma:
    ApplyGamma(Backup, Image, RedValue, GreenValue, BlueValue, Copy);
    break;
  case atSaturation:
    ApplySaturation(Backup, Image, RedValue, GreenValue, BlueValue, Progress, Copy);
    break;
  default:
    break;
  }
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
