#include "tools/makeup/ZrMakeUpSurface.h"

#include "imaging/ZrParallel.h"
#include "imaging/ZrRowLanes.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace facette {

const char *BlendModeName(int32_t Mode)
{
  static const char *const Names[] = {"NormalMode", "ColorMode", "LuminosityMode", "HueMode",
                                      "SaturationMode"};
  return Mode >= 0 && Mode < 5 ? Names[Mode] : "";
}

namespace {

using namespace lanes;

// The window of position P covers P - 8 .. P + 9: it starts as 0 .. 9, and
// moving on to P drops P - 9 and takes in P + 9.
constexpr int32_t Above = 9;
constexpr int32_t Below = 9;

int32_t WindowCount(int32_t P, int32_t Length)
{
  return std::min(Length - 1, P + Below) - std::max(0, P - (Above - 1)) + 1;
}

// Rows that run side by side, one per lane.
constexpr int32_t Lanes = 8;

// Below this many pixels the rows are worked out on one thread.
constexpr int64_t ParallelPixels = 1 << 18;

struct TBuildJob
{
  // Packed blue, green, red rows; row Y is at Bits + (Y - FirstRow) * Stride.
  const uint8_t *Bits = nullptr;
  ptrdiff_t Stride = 0;
  int32_t FirstRow = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Values = 0; // 3 * Width
  int32_t Chunks = 0; // groups of four values per row
  // Where row Y of the layer goes.
  std::function<float *(int32_t Y)> OutRow;
  const float *RowInverse = nullptr;    // 1 / window count per row
  const float *ColumnInverse = nullptr; // 1 / window count per column

  const uint8_t *Row(int32_t Y) const { return Bits + (Y - FirstRow) * Stride; }

  F4 Load(int32_t Y, int32_t Chunk) const
  {
    const int32_t K = Chunk * 4;
    if (K + 4 <= Values)
      return BytesToF4(Row(Y) + K);
    return BytesToF4(Row(Y) + K, Values - K);
  }
};

FACETTE_LANE_KERNEL
void BuildStripe(const TBuildJob &Job, int32_t Y0, int32_t Y1,
                 const std::function<void(int32_t Done)> &Report)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t K = Job.Values;
  std::vector<float> Sums(static_cast<size_t>(Job.Chunks) * 4, 0.0f);

  // Column sums of the window of the first row. The sums are of whole
  // numbers far below 2^24, so they are exact: starting from them anywhere
  // gives the same sums as running down from row 0.
  for (int32_t Y = std::max(0, Y0 - (Above - 1)); Y <= std::min(Y0 + Below, H - 1); ++Y) {
    const uint8_t *Source = Job.Row(Y);
    for (int32_t I = 0; I < K; ++I)
      Sums[I] += static_cast<float>(Source[I]);
  }

  // Column means and row means of a group of rows, one row per lane, laid
  // out value by value.
  std::vector<float> Columns(static_cast<size_t>(Job.Chunks) * 4 * Lanes, 0.0f);
  std::vector<float> Means(static_cast<size_t>(Job.Chunks) * 4 * Lanes, 0.0f);
  const float *RowInverse = Job.RowInverse;
  const float *ColumnInverse = Job.ColumnInverse;

  for (int32_t Y = Y0; Y < Y1; Y += Lanes) {
    const int32_t Rows = std::min(Lanes, Y1 - Y);

    // Down the columns: the same steps as one column at a time; sixteen
    // values per load while whole blocks lie inside the row.
    int32_t Chunk = 0;
    for (; (Chunk + 4) * 4 <= K; Chunk += 4) {
      const size_t At = static_cast<size_t>(Chunk) * 4;
      F4 Sum[4], Step[4];
      for (int J = 0; J < 4; ++J)
        Sum[J] = lanes::Load<F4>(&Sums[At + 4 * J]);
      F4 Out[4][Lanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > Y0) {
          if (Row - Above >= 0) {
            BytesToF4x4(Job.Row(Row - Above) + At, Step);
            for (int J = 0; J < 4; ++J)
              Sum[J] -= Step[J];
          }
          if (Row + Below < H) {
            BytesToF4x4(Job.Row(Row + Below) + At, Step);
            for (int J = 0; J < 4; ++J)
              Sum[J] += Step[J];
          }
        }
        const F4 Inverse = SplatF4(RowInverse[Row]);
        for (int J = 0; J < 4; ++J)
          Out[J][R] = Sum[J] * Inverse;
      }
      for (int J = 0; J < 4; ++J) {
        for (int32_t R = Rows; R < Lanes; ++R)
          Out[J][R] = Out[J][Rows - 1];
        lanes::Store(&Sums[At + 4 * J], Sum[J]);
        Transpose8x4(Out[J], &Columns[(At + 4 * J) * Lanes]);
      }
    }
    for (; Chunk < Job.Chunks; ++Chunk) {
      F4 Sum = lanes::Load<F4>(&Sums[static_cast<size_t>(Chunk) * 4]);
      F4 Out[Lanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > Y0) {
          if (Row - Above >= 0)
            Sum -= Job.Load(Row - Above, Chunk);
          if (Row + Below < H)
            Sum += Job.Load(Row + Below, Chunk);
        }
        Out[R] = Sum * SplatF4(RowInverse[Row]);
      }
      for (int32_t R = Rows; R < Lanes; ++R)
        Out[R] = Out[Rows - 1];
      lanes::Store(&Sums[static_cast<size_t>(Chunk) * 4], Sum);
      Transpose8x4(Out, &Columns[static_cast<size_t>(Chunk) * 4 * Lanes]);
    }

    // Along the rows, every lane one row.
    // Value K of every lane is at C + K * Lanes.
    const float *C = Columns.data();
    float *M = Means.data();
    F8 S0 = SplatF8(0.0f), S1 = SplatF8(0.0f), S2 = SplatF8(0.0f);
    for (int32_t X = 0; X <= std::min(Below, W - 1); ++X) {
      const float *New = C + 3 * X * Lanes;
      S0 += lanes::Load<F8>(New);
      S1 += lanes::Load<F8>(New + Lanes);
      S2 += lanes::Load<F8>(New + 2 * Lanes);
    }
    for (int32_t X = 0; X < W; ++X) {
      if (X >= 1) {
        if (X - Above >= 0) {
          const float *Old = C + 3 * (X - Above) * Lanes;
          S0 -= lanes::Load<F8>(Old);
          S1 -= lanes::Load<F8>(Old + Lanes);
          S2 -= lanes::Load<F8>(Old + 2 * Lanes);
        }
        if (X + Below < W) {
          const float *New = C + 3 * (X + Below) * Lanes;
          S0 += lanes::Load<F8>(New);
          S1 += lanes::Load<F8>(New + Lanes);
          S2 += lanes::Load<F8>(New + 2 * Lanes);
        }
      }
      const F8 Inverse = SplatF8(ColumnInverse[X]);
      float *Out = M + 3 * X * Lanes;
      lanes::Store(Out, S0 * Inverse);
      lanes::Store(Out + Lanes, S1 * Inverse);
      lanes::Store(Out + 2 * Lanes, S2 * Inverse);
    }

    // Back to rows: pixel minus mean.
    for (Chunk = 0; (Chunk + 4) * 4 <= K; Chunk += 4) {
      const size_t At = static_cast<size_t>(Chunk) * 4;
      F4 Mean[4][Lanes];
      for (int J = 0; J < 4; ++J)
        Transpose4x8(&Means[(At + 4 * J) * Lanes], Mean[J]);
      for (int32_t R = 0; R < Rows; ++R) {
        F4 Pixel[4];
        BytesToF4x4(Job.Row(Y + R) + At, Pixel);
        float *Target = Job.OutRow(Y + R) + At;
        for (int J = 0; J < 4; ++J)
          lanes::Store(Target + 4 * J, Pixel[J] - Mean[J][R]);
      }
    }
    for (; Chunk < Job.Chunks; ++Chunk) {
      F4 Mean[Lanes];
      Transpose4x8(&Means[static_cast<size_t>(Chunk) * 4 * Lanes], Mean);
      for (int32_t R = 0; R < Rows; ++R) {
        float *Target = Job.OutRow(Y + R) + Chunk * 4;
        lanes::Store(Target, Job.Load(Y + R, Chunk) - Mean[R]);
      }
    }
    if (Report)
      Report(Y + Rows - Y0);
  }
}

} // namespace

const float *TZrMakeUpDetail::Row(int32_t Y) const
{
  if (Y < Top || Y >= Top + Height || Width == 0)
    return nullptr;
  const size_t Band = static_cast<size_t>((Y - Top) / BandRows);
  if (!Built[Band])
    return nullptr;
  return Bands[Band].get() + static_cast<size_t>((Y - Top) % BandRows) * RowFloats;
}

void TZrMakeUpDetail::At(int32_t X, int32_t Y, float *D) const
{
  const float *R = Row(Y);
  if (R == nullptr || X < Left || X >= Left + Width) {
    D[0] = D[1] = D[2] = 0.0f;
    return;
  }
  R += static_cast<size_t>(X - Left) * 3;
  D[0] = R[0];
  D[1] = R[1];
  D[2] = R[2];
}

void TZrMakeUpDetail::Clear()
{
  Bands.clear();
  Built.clear();
  RowInverse.clear();
  ColumnInverse.clear();
  RowFloats = 0;
  Left = Top = Width = Height = 0;
}

void TZrMakeUpDetail::Reset(const TZrPixels &Pixels)
{
  int32_t W = Pixels.Width;
  int32_t H = Pixels.Height;
  if (Pixels.Bits == nullptr || Pixels.BytesPerPixel < 3 || W <= 0 || H <= 0)
    W = H = 0;
  // The rows already in memory are kept for an image of the same size:
  // they are overwritten, not taken from the system again.
  if (W != Width || H != Height) {
    Clear();
    Width = W;
    Height = H;
    RowFloats = (static_cast<size_t>(W) * 3 + 3) & ~static_cast<size_t>(3);
    const size_t BandCount = static_cast<size_t>((H + BandRows - 1) / BandRows);
    Bands.resize(BandCount);
    Built.assign(BandCount, 0);
    RowInverse.resize(static_cast<size_t>(H));
    for (int32_t Y = 0; Y < H; ++Y)
      RowInverse[Y] = 1.0f / static_cast<float>(WindowCount(Y, H));
    ColumnInverse.resize(static_cast<size_t>(W));
    for (int32_t X = 0; X < W; ++X)
      ColumnInverse[X] = 1.0f / static_cast<float>(WindowCount(X, W));
  } else {
    std::fill(Built.begin(), Built.end(), 0);
  }
  Left = Pixels.Left;
  Top = Pixels.Top;
  DetailStale = false;
}

bool TZrMakeUpDetail::RowsReady(int32_t RowTop, int32_t RowBottom) const
{
  const int32_t From = std::max(RowTop, Top) - Top;
  const int32_t To = std::min(RowBottom, Top + Height) - Top;
  for (int32_t Band = From / BandRows; From < To && Band <= (To - 1) / BandRows; ++Band)
    if (!Built[static_cast<size_t>(Band)])
      return false;
  return true;
}

void TZrMakeUpDetail::EnsureRows(const TZrPixels &Pixels, int32_t RowTop, int32_t RowBottom)
{
  const int32_t From = std::max(RowTop, Top) - Top;
  const int32_t To = std::min(RowBottom, Top + Height) - Top;
  // Rows are only ever worked out from the image the layer stands for.
  if (From >= To || Pixels.Bits == nullptr || Pixels.BytesPerPixel < 3 ||
      !(Pixels.GetBounds() == GetBounds()))
    return;
  // Each run of bands not worked out yet at once.
  int32_t Band = From / BandRows;
  const int32_t Last = (To - 1) / BandRows;
  while (Band <= Last) {
    if (Built[static_cast<size_t>(Band)]) {
      ++Band;
      continue;
    }
    int32_t End = Band;
    while (End + 1 <= Last && !Built[static_cast<size_t>(End + 1)])
      ++End;
    ComputeBands(Pixels, Band, End + 1, {});
    Band = End + 1;
  }
}

void TZrMakeUpDetail::ComputeBands(const TZrPixels &Pixels, int32_t FirstBand, int32_t EndBand,
                                   const std::function<void(int32_t Rows)> &Report)
{
  const int32_t W = Width;
  const int32_t H = Height;
  const int32_t Y0 = FirstBand * BandRows;
  const int32_t Y1 = std::min(H, EndBand * BandRows);
  for (int32_t Band = FirstBand; Band < EndBand; ++Band)
    if (!Bands[static_cast<size_t>(Band)])
      Bands[static_cast<size_t>(Band)] =
          std::make_unique_for_overwrite<float[]>(RowFloats * BandRows);

  // The kernel reads packed blue, green, red rows; other layouts are
  // repacked first, as far as the rows' windows reach.
  const int32_t SourceTop = std::max(0, Y0 - Above);
  const int32_t SourceBottom = std::min(H, Y1 + Below);
  TZrPixelBuffer Packed;
  TBuildJob Job;
  if (Pixels.BytesPerPixel == 3) {
    Job.Bits = Pixels.Bits;
    Job.Stride = Pixels.Stride;
  } else {
    if (!Packed.Allocate(pf24bit, Bounds(0, SourceTop, W, SourceBottom - SourceTop)) ||
        Packed.Bits == nullptr)
      throw std::bad_alloc();
    for (int32_t Y = SourceTop; Y < SourceBottom; ++Y) {
      const uint8_t *Source = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
      uint8_t *Target = Packed.Bits + static_cast<ptrdiff_t>(Y - SourceTop) * Packed.Stride;
      for (int32_t X = 0; X < W; ++X, Source += Pixels.BytesPerPixel, Target += 3) {
        Target[0] = Source[0];
        Target[1] = Source[1];
        Target[2] = Source[2];
      }
    }
    Job.Bits = Packed.Bits;
    Job.Stride = Packed.Stride;
    Job.FirstRow = SourceTop;
  }
  Job.Width = W;
  Job.Height = H;
  Job.Values = 3 * W;
  Job.Chunks = (3 * W + 3) / 4;
  Job.OutRow = [this](int32_t Y) {
    return Bands[static_cast<size_t>(Y / BandRows)].get() +
           static_cast<size_t>(Y % BandRows) * RowFloats;
  };
  Job.RowInverse = RowInverse.data();
  Job.ColumnInverse = ColumnInverse.data();

  // Whole bands per worker; the first runs here and reports.
  const int32_t BandCount = EndBand - FirstBand;
  int32_t Workers = 1;
  if (static_cast<int64_t>(W) * (Y1 - Y0) >= ParallelPixels)
    Workers = std::min(WorkerCount(), BandCount);
  RunWorkers(Workers, [&](int32_t Index) {
    const int32_t B0 = FirstBand + StripeBegin(BandCount, Workers, Index);
    const int32_t B1 = FirstBand + StripeBegin(BandCount, Workers, Index + 1);
    const int32_t S0 = B0 * BandRows;
    const int32_t S1 = std::min(H, B1 * BandRows);
    if (S1 > S0)
      BuildStripe(Job, S0, S1,
                  Index == 0 && Report ? std::function<void(int32_t)>([&](int32_t Done) {
                    Report(Done * (Y1 - Y0) / (S1 - S0));
                  })
                                       : std::function<void(int32_t)>());
  });
  for (int32_t Band = FirstBand; Band < EndBand; ++Band)
    Built[static_cast<size_t>(Band)] = 1;
}

void TZrMakeUpDetail::BuildDetail(const TZrPixels &Pixels, const TProgress &Progress)
{
  Reset(Pixels);
  // Progress counts a step per column and per row, as the two passes of
  // the layer's definition would.
  const int32_t Total = Width + Height;
  if (Progress)
    Progress(0, Total);
  if (Height > 0)
    ComputeBands(Pixels, 0, static_cast<int32_t>(Bands.size()), [&](int32_t Rows) {
      if (Progress)
        Progress(static_cast<int32_t>(static_cast<int64_t>(Rows) * Total / Height), Total);
    });
  if (Progress)
    Progress(Total, Total);
}

namespace {

// ByteRound for single-precision values without a library call: adding and
// taking away 2^23 rounds to an integer in the current (nearest, ties to
// even) rounding mode, as nearbyint does.
inline uint8_t RoundByte(float V)
{
  if (!(V > 0.0f)) // also catches NaN
    return 0;
  if (V >= 255.0f)
    return 255;
  return static_cast<uint8_t>((V + 8388608.0f) - 8388608.0f);
}

} // namespace

TZrMakeUpDetail &MakeUpDetailLayer()
{
  static TZrMakeUpDetail Layer;
  return Layer;
}

void ApplyColour(const TZrRect &Rect, const TZrPixels &BackupPixels, const TZrPixelMask &PaintMask,
                 const TZrMakeUpDetail &Detail, int32_t Colour, int32_t BlendMode, bool KeepTexture,
                 TZrPixels &ImagePixels)
{
  if (BlendMode != NormalMode && BlendMode != LuminosityMode)
    return;
  if (BackupPixels.Bits == nullptr || ImagePixels.Bits == nullptr ||
      BackupPixels.BytesPerPixel < 3 || ImagePixels.BytesPerPixel < 3)
    return;
  TZrRect R = IntersectRect(Rect, BackupPixels.GetBounds());
  R = IntersectRect(R, ImagePixels.GetBounds());
  R = IntersectRect(R, PaintMask.GetBounds()); // no mask, no paint
  if (R.IsEmpty() || PaintMask.Bits.empty())
    return;

  const float Target[3] = {static_cast<float>(Colour & 255),
                           static_cast<float>((Colour >> 8) & 255),
                           static_cast<float>((Colour >> 16) & 255)};
  const bool UseDetail = BlendMode == NormalMode && KeepTexture;
  const bool Luminosity = BlendMode == LuminosityMode;
  // A black colour divides by 1 and so scales to black.
  const float Largest = std::max({Target[0], Target[1], Target[2]});
  const float Divisor = Largest >= 1.0f ? Largest : 1.0f;
  const TZrRect DetailBounds = Detail.GetBounds();

  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t *Mask = PaintMask.PixelPtr(R.Left, Y);
    const uint8_t *Source = BackupPixels.PixelPtr(R.Left, Y);
    uint8_t *Out = ImagePixels.PixelPtr(R.Left, Y);
    const float *DetailRow = UseDetail ? Detail.Row(Y) : nullptr;
    for (int32_t X = R.Left; X < R.Right;
         ++X, ++Mask, Source += BackupPixels.BytesPerPixel, Out += ImagePixels.BytesPerPixel) {
      const uint8_t W = *Mask;
      if (W == 0)
        continue;
      float D[3] = {0.0f, 0.0f, 0.0f};
      if (DetailRow != nullptr && X >= DetailBounds.Left && X < DetailBounds.Right) {
        const float *P = DetailRow + static_cast<size_t>(X - DetailBounds.Left) * 3;
        D[0] = P[0];
        D[1] = P[1];
        D[2] = P[2];
      }
      float B[3];
      for (int C = 0; C < 3; ++C)
        B[C] = static_cast<float>(Source[C]) - D[C];
      float T[3] = {Target[0], Target[1], Target[2]};
      if (Luminosity) {
        const float Bright = std::max({B[0], B[1], B[2]});
        for (int C = 0; C < 3; ++C)
          T[C] = Target[C] * Bright / Divisor;
      }
      const float Weight = static_cast<float>(W) / 255.0f;
      for (int C = 0; C < 3; ++C) {
        const float Step = Weight * (T[C] - B[C]);
        const float Mixed = B[C] + Step;
        Out[C] = RoundByte(Mixed + D[C]);
      }
    }
  }
}

} // namespace facette
