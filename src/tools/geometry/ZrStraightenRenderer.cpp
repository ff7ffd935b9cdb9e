#include "tools/geometry/ZrStraightenRenderer.h"

#include "imaging/ZrHermiteKernel.h"
#include "imaging/ZrInterpolationFilters.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#if defined(__x86_64__) || defined(__i386__)
#include "imaging/ZrHermiteAvx2.h"
#define FACETTE_X86 1
#endif

namespace facette {

namespace {

// A real coordinate limited to [Low, High] before it becomes an integer.
int32_t ClampToInt(double Value, int32_t Low, int32_t High)
{
  if (!(Value > Low)) // also NaN
    return Low;
  if (Value > High)
    return High;
  return static_cast<int32_t>(Value);
}

// How many rows ahead the source is fetched into the cache.
constexpr double PrefetchRows = 4;

// What one row of a rendering needs besides its positions.
struct TZrRowJob
{
  const TZrPixels &Source; // positions are relative to its top-left
  int32_t Filter;
  double MaxX, MaxY;
};

// Columns From..N-1 of one result row: each position is used, then
// advanced by its step.
void RenderRow(const TZrRowJob &Job, double *PX, double *PY, const double *StepX,
               const double *StepY, size_t From, size_t N, uint8_t *Out, int32_t OutBpp,
               uint8_t *Flags)
{
  Out += From * static_cast<size_t>(OutBpp);
  for (size_t K = From; K < N; ++K, Out += OutBpp) {
    const double SX = PX[K];
    const double SY = PY[K];
    PX[K] = SX + StepX[K];
    PY[K] = SY + StepY[K];
    if ((K & 3) == 0) { // the source a few rows ahead, see RenderRowAvx2
      const double AX = std::clamp(SX + StepX[K] * PrefetchRows, 0.0, Job.MaxX);
      const double AY = std::clamp(SY + StepY[K] * PrefetchRows, 0.0, Job.MaxY);
      __builtin_prefetch(Job.Source.PixelPtr(static_cast<int32_t>(AX), static_cast<int32_t>(AY)));
    }
    const double RX = RoundHalfEven(SX);
    const double RY = RoundHalfEven(SY);
    if (!(RX >= 0.0 && RX <= Job.MaxX && RY >= 0.0 && RY <= Job.MaxY)) {
      Flags[K] = 1;
      Out[0] = Out[1] = Out[2] = 255;
    } else if (Job.Filter == ifNone) {
      std::memcpy(Out, Job.Source.PixelPtr(static_cast<int32_t>(RX), static_cast<int32_t>(RY)), 3);
    } else if (Job.Filter == ifHermite) {
      if (!HermiteSample(Job.Source, SX, SY, Out))
        Out[0] = Out[1] = Out[2] = 0;
    } else {
      TZrStraightenRenderer::SampleFiltered(Job.Source, Job.Filter, SX, SY, Out);
    }
  }
}

#ifdef FACETTE_X86
// The outside flags of four lanes from the mask of lanes inside.
constexpr uint32_t OutsideFlags(int Inside)
{
  uint32_t Word = 0;
  for (int L = 0; L < 4; ++L)
    if (!(Inside >> L & 1))
      Word |= uint32_t{1} << (8 * L);
  return Word;
}

// Four columns at a time of a nearest or Hermite row with 24-bit output;
// returns how many columns it did (the rest is left to RenderRow).
FACETTE_AVX2 size_t RenderRowAvx2(const TZrRowJob &Job, double *PX, double *PY, const double *StepX,
                                  const double *StepY, size_t N, uint8_t *Out, uint8_t *Flags)
{
  static constexpr uint32_t FlagWords[16] = {
      OutsideFlags(0),  OutsideFlags(1),  OutsideFlags(2),  OutsideFlags(3),
      OutsideFlags(4),  OutsideFlags(5),  OutsideFlags(6),  OutsideFlags(7),
      OutsideFlags(8),  OutsideFlags(9),  OutsideFlags(10), OutsideFlags(11),
      OutsideFlags(12), OutsideFlags(13), OutsideFlags(14), OutsideFlags(15)};
  const avx2::TWindow Window(Job.Source);
  const __m256d Zero = _mm256_setzero_pd();
  const __m256d MaxX = _mm256_set1_pd(Job.MaxX);
  const __m256d MaxY = _mm256_set1_pd(Job.MaxY);
  const __m128i LaneBits = _mm_setr_epi32(1, 2, 4, 8);
  const __m128i White = _mm_set1_epi32(0x00FFFFFF);
  const __m256d Ahead = _mm256_set1_pd(PrefetchRows);
  size_t K = 0;
  for (; K + 4 <= N; K += 4) {
    const __m256d X = _mm256_loadu_pd(PX + K);
    const __m256d Y = _mm256_loadu_pd(PY + K);
    _mm256_storeu_pd(PX + K, _mm256_add_pd(X, _mm256_loadu_pd(StepX + K)));
    _mm256_storeu_pd(PY + K, _mm256_add_pd(Y, _mm256_loadu_pd(StepY + K)));
    // Each row reads every source row it crosses a little further along, a
    // pattern too scattered for the hardware prefetcher: ask for the
    // pixels of a few rows ahead now.
    {
      const __m256d AX = _mm256_add_pd(X, _mm256_mul_pd(_mm256_loadu_pd(StepX + K), Ahead));
      const __m256d AY = _mm256_add_pd(Y, _mm256_mul_pd(_mm256_loadu_pd(StepY + K), Ahead));
      alignas(16) int32_t At[4];
      _mm_store_si128(
          reinterpret_cast<__m128i *>(At),
          _mm_add_epi32(avx2::ClampedOffset(AX, Window.Left, Window.Right, Window.Bpp),
                        avx2::ClampedOffset(AY, Window.Top, Window.Bottom, Window.Stride)));
      _mm_prefetch(reinterpret_cast<const char *>(Window.Base + At[0]), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char *>(Window.Base + At[3]), _MM_HINT_T0);
    }
    const __m256d RX = _mm256_round_pd(X, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m256d RY = _mm256_round_pd(Y, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const int Inside = _mm256_movemask_pd(
        _mm256_and_pd(avx2::Between(RX, Zero, MaxX), avx2::Between(RY, Zero, MaxY)));
    std::memcpy(Flags + K, &FlagWords[Inside], 4);
    __m128i Pixels;
    if (Job.Filter == ifNone) {
      Pixels = avx2::LoadPixels(
          Window, _mm_add_epi32(avx2::ClampedOffset(RX, Window.Left, Window.Right, Window.Bpp),
                                avx2::ClampedOffset(RY, Window.Top, Window.Bottom, Window.Stride)));
    } else {
      __m128 SumW;
      Pixels = avx2::HermiteFour(Window, X, Y, SumW);
    }
    const __m128i InLanes =
        _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(Inside), LaneBits), LaneBits);
    avx2::StoreTwelve(Out + 3 * K, _mm_blendv_epi8(White, Pixels, InLanes));
  }
  return K;
}
#endif

} // namespace

void TZrStraightenRenderer::SetSourceSize(int32_t Width, int32_t Height)
{
  SourceWidth = Width;
  SourceHeight = Height;
  Diagonal = std::sqrt(static_cast<double>(Width) * Width + static_cast<double>(Height) * Height);
  DiagonalAngle = std::atan(static_cast<double>(Height) / std::max(Width, 1));
}

void TZrStraightenRenderer::ComputeResultSize(double Angle)
{
  if (SourceWidth <= 0 || SourceHeight <= 0) {
    // An empty source has no rotated image, not a one-pixel white line.
    ResultWidth = ResultHeight = 0;
    return;
  }
  const double T = Angle;
  const double D = DiagonalAngle;
  const double W = Diagonal * std::max(std::fabs(std::cos(T + D)), std::fabs(std::cos(T - D)));
  const double H = Diagonal * std::max(std::fabs(std::sin(T + D)), std::fabs(std::sin(T - D)));
  ResultWidth = static_cast<int32_t>(std::nearbyint(W));
  ResultHeight = static_cast<int32_t>(std::nearbyint(H));
}

void TZrStraightenRenderer::SampleFiltered(const TZrPixels &Source, int32_t FilterIndex, double X,
                                           double Y, uint8_t *Pixel)
{
  if (FilterIndex < 0 || FilterIndex >= InterpolationFilterCount)
    throw std::invalid_argument("unknown interpolation filter");
  const TZrInterpolationFilter &F = InterpolationFilters[static_cast<size_t>(FilterIndex)];
  const double S = F.Support;
  const int32_t I0 = ClampToInt(std::floor(X - S), 0, Source.Width);
  const int32_t I1 = ClampToInt(std::ceil(X + S), -1, Source.Width - 1);
  const int32_t J0 = ClampToInt(std::floor(Y - S), 0, Source.Height);
  const int32_t J1 = ClampToInt(std::ceil(Y + S), -1, Source.Height - 1);
  // Every filter but the first weighs exactly 0 from its support on; such
  // pixels change no sum and are skipped.
  const bool Skip = FilterIndex != ifNone;
  const double Reach = S * S;
  float SumB = 0.0f, SumG = 0.0f, SumR = 0.0f, SumW = 0.0f;
  for (int32_t I = I0; I <= I1; ++I) {
    const double EX = X - I;
    for (int32_t J = J0; J <= J1; ++J) {
      const double EY = Y - J;
      const double Q = EX * EX + EY * EY;
      if (Skip && Q >= Reach)
        continue;
      const double W = F.Weight(std::sqrt(Q));
      const uint8_t *P = Source.PixelPtr(Source.Left + I, Source.Top + J);
      SumB = static_cast<float>(SumB + W * P[0]);
      SumG = static_cast<float>(SumG + W * P[1]);
      SumR = static_cast<float>(SumR + W * P[2]);
      SumW = static_cast<float>(SumW + W);
    }
  }
  if (SumW == 0.0f) {
    Pixel[0] = Pixel[1] = Pixel[2] = 0;
    return;
  }
  // Filters with negative lobes can overshoot: clamp rather than wrap.
  Pixel[0] = ByteRound(SumB / SumW);
  Pixel[1] = ByteRound(SumG / SumW);
  Pixel[2] = ByteRound(SumR / SumW);
}

void TZrStraightenRenderer::Render(const TZrPixels &Source, double Angle, int32_t FilterIndex,
                                   TZrPixels &Image, const std::function<void(int32_t)> &Progress)
{
  if (FilterIndex < 0 || FilterIndex >= InterpolationFilterCount)
    throw std::invalid_argument("unknown interpolation filter");
  SetSourceSize(Source.Width, Source.Height);
  ComputeResultSize(Angle);
  const int32_t RW = ResultWidth;
  const int32_t RH = ResultHeight;
  Outside.assign(static_cast<size_t>(RW) * static_cast<size_t>(RH), 0);
  if (RW <= 0 || RH <= 0)
    return;
  if (Source.Bits == nullptr || Source.BytesPerPixel < 3)
    throw std::invalid_argument("straighten: no 24-bit source");
  if (Image.Bits == nullptr || Image.BytesPerPixel < 3 || Image.Width < RW || Image.Height < RH)
    throw std::invalid_argument("straighten: the image is smaller than the result");

  const double CXR = (RW - 1) / 2.0;
  const double CYR = (RH - 1) / 2.0;
  const double CXS = (SourceWidth - 1) / 2.0;
  const double CYS = (SourceHeight - 1) / 2.0;
  const double SinT = std::sin(Angle);
  const double CosT = std::cos(Angle);
  const int32_t RowSteps = std::max(RH - 1, 1);
  const double MaxX = SourceWidth - 1;
  const double MaxY = SourceHeight - 1;
  const int32_t OutBpp = Image.BytesPerPixel;

  // Positions are relative to the source's top-left.
  TZrPixels Src = Source;
  Src.Left = 0;
  Src.Top = 0;

  // Each column's source positions come from its top position by repeated
  // addition of a per-row step. Columns are independent, so they are cut
  // into chunks for the threads; inside a chunk the rows run top to bottom
  // with one running position per column, which reads the source along its
  // rows and gives the same sums as walking each column on its own.
  const TZrRowJob Job{Src, FilterIndex, MaxX, MaxY};
#ifdef FACETTE_X86
  const bool Vectors = (FilterIndex == ifNone || FilterIndex == ifHermite) && OutBpp == 3 &&
                       VectorKernelsEnabled() && avx2::TWindow::Fits(Src);
#endif
  constexpr int32_t ChunkColumns = 512;
  SplitWork(
      RW, ChunkColumns,
      [&](int32_t Begin, int32_t End) {
        const size_t N = static_cast<size_t>(End - Begin);
        std::vector<double> PX(N), PY(N), StepX(N), StepY(N);
        for (size_t K = 0; K < N; ++K) {
          const double DX = (Begin + static_cast<int32_t>(K)) - CXR;
          const double Y0 = 0 - CYR;
          const double Y1 = (RH - 1) - CYR;
          const double SX0 = DX * CosT - Y0 * SinT + CXS;
          const double SY0 = DX * SinT + Y0 * CosT + CYS;
          const double SX1 = DX * CosT - Y1 * SinT + CXS;
          const double SY1 = DX * SinT + Y1 * CosT + CYS;
          PX[K] = SX0;
          PY[K] = SY0;
          StepX[K] = (SX1 - SX0) / RowSteps;
          StepY[K] = (SY1 - SY0) / RowSteps;
        }
        for (int32_t Y = 0; Y < RH; ++Y) {
          uint8_t *Out = Image.PixelPtr(Image.Left + Begin, Image.Top + Y);
          uint8_t *Flags = Outside.data() + static_cast<size_t>(Y) * static_cast<size_t>(RW) +
                           static_cast<size_t>(Begin);
          size_t Done = 0;
#ifdef FACETTE_X86
          if (Vectors)
            Done =
                RenderRowAvx2(Job, PX.data(), PY.data(), StepX.data(), StepY.data(), N, Out, Flags);
#endif
          RenderRow(Job, PX.data(), PY.data(), StepX.data(), StepY.data(), Done, N, Out, OutBpp,
                    Flags);
        }
      },
      Progress);
}

TZrRect TZrStraightenRenderer::FindAutoCropRect() const
{
  const int32_t W = ResultWidth;
  const int32_t H = ResultHeight;
  if (W <= 0 || H <= 0 || Outside.size() < static_cast<size_t>(W) * static_cast<size_t>(H))
    return TZrRect{};
  auto Out = [&](int32_t X, int32_t Y) { return IsOutside(X, Y); };
  auto RowClean = [&](int32_t Y, int32_t From, int32_t To) {
    for (int32_t X = From; X < To; ++X)
      if (Out(X, Y))
        return false;
    return true;
  };
  auto ColumnClean = [&](int32_t X, int32_t From, int32_t To) {
    for (int32_t Y = From; Y < To; ++Y)
      if (Out(X, Y))
        return false;
    return true;
  };

  const int32_t CX = W / 2;
  const int32_t CY = H / 2;
  TZrRect R{CX, CY, CX, CY};

  // A cross through the centre as far as the clean area reaches.
  while (R.Top > 0 && !Out(CX, R.Top))
    --R.Top;
  while (R.Bottom < H && !Out(CX, R.Bottom))
    ++R.Bottom;
  while (R.Left > 0 && !Out(R.Left, CY))
    --R.Left;
  while (R.Right < W && !Out(R.Right, CY))
    ++R.Right;

  // Shrink: peel off sides that touch an outside pixel.
  bool Changed = true;
  while (Changed && R.Top < R.Bottom - 1 && R.Left < R.Right - 1) {
    Changed = false;
    if (!RowClean(R.Top, R.Left, R.Right)) {
      ++R.Top;
      Changed = true;
    }
    if (!RowClean(R.Bottom - 1, R.Left, R.Right)) {
      --R.Bottom;
      Changed = true;
    }
    if (!ColumnClean(R.Left, R.Top, R.Bottom)) {
      ++R.Left;
      Changed = true;
    }
    if (!ColumnClean(R.Right - 1, R.Top, R.Bottom)) {
      --R.Right;
      Changed = true;
    }
  }

  // Grow: add clean rows and columns back.
  Changed = true;
  while (Changed) {
    Changed = false;
    if (R.Top > 0 && RowClean(R.Top - 1, R.Left, R.Right)) {
      --R.Top;
      Changed = true;
    }
    if (R.Bottom < H && RowClean(R.Bottom, R.Left, R.Right)) {
      ++R.Bottom;
      Changed = true;
    }
    if (R.Left > 0 && ColumnClean(R.Left - 1, R.Top, R.Bottom)) {
      --R.Left;
      Changed = true;
    }
    if (R.Right < W && ColumnClean(R.Right, R.Top, R.Bottom)) {
      ++R.Right;
      Changed = true;
    }
  }
  return R;
}

bool TZrStraightenRenderer::ApplyAutoCrop(TZrPixels &Image, const TZrRect &CropRect)
{
  if (CropRect.IsEmpty() || CropRect.Left < 0 || CropRect.Top < 0 ||
      CropRect.Right > std::min(ResultWidth, Image.Width) ||
      CropRect.Bottom > std::min(ResultHeight, Image.Height) || Image.Bits == nullptr)
    return false;
  const size_t Row =
      static_cast<size_t>(CropRect.Width()) * static_cast<size_t>(Image.BytesPerPixel);
  for (int32_t Y = CropRect.Top; Y < CropRect.Bottom; ++Y)
    std::memmove(Image.PixelPtr(Image.Left, Image.Top + Y - CropRect.Top),
                 Image.PixelPtr(Image.Left + CropRect.Left, Image.Top + Y), Row);
  // The map follows, so it keeps describing the (now clean) result.
  if (Outside.size() == static_cast<size_t>(ResultWidth) * static_cast<size_t>(ResultHeight)) {
    std::vector<uint8_t> Cropped;
    Cropped.reserve(static_cast<size_t>(CropRect.Width()) * static_cast<size_t>(CropRect.Height()));
    for (int32_t Y = CropRect.Top; Y < CropRect.Bottom; ++Y) {
      const auto First = Outside.begin() + static_cast<ptrdiff_t>(Y) * ResultWidth + CropRect.Left;
      Cropped.insert(Cropped.end(), First, First + CropRect.Width());
    }
    Outside = std::move(Cropped);
  } else {
    Outside.assign(static_cast<size_t>(CropRect.Width()) * static_cast<size_t>(CropRect.Height()),
                   0);
  }
  ResultWidth = CropRect.Width();
  ResultHeight = CropRect.Height();
  return true;
}

} // namespace facette
