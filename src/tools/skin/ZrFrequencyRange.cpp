#include "tools/skin/ZrFrequencyRange.h"

#include "imaging/ZrRowLanes.h"
#include "imaging/ZrWorkers.h"

#include <cstring>
#include <vector>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace facette {

namespace {

using namespace lanes;

// Rows that run side by side, one per lane.
constexpr int32_t Lanes = 4;

// Below this many pixels a blur runs on one thread.
constexpr int64_t ParallelPixels = 1 << 18;

int32_t WindowCount(int32_t P, int32_t Length, int32_t Radius)
{
  return std::min(Length - 1, P + Radius) - std::max(0, P - Radius) + 1;
}

struct TBlurJob
{
  const uint8_t *Source = nullptr;
  ptrdiff_t SourceStride = 0;
  uint8_t *Dest = nullptr;
  ptrdiff_t DestStride = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Radius = 0;
  int32_t Values = 0;                // 3 * Width
  int32_t Chunks = 0;                // groups of four values per row (rows are padded to them)
  std::vector<float> RowCount;       // samples in the window of each row
  std::vector<double> ColumnCount;   // samples in the window of each column
  std::vector<double> ColumnInverse; // their reciprocals

  const uint8_t *Row(int32_t Y) const { return Source + Y * SourceStride; }
};

// The mean Sum / Count rounded to single precision. Multiplying by the
// reciprocal is within two units of the last place of the quotient; where
// that could change the single-precision result (the quotient lies next to
// a point halfway between two floats) the quotient is computed exactly.
inline F4 MeanOf(const D4 &Sum, double Count, double Inverse)
{
  const D4 Approx = Sum * SplatD4(Inverse);
  F4 Mean = __builtin_convertvector(Approx, F4);
  const U4 Low = __builtin_convertvector(lanes::Load<U4L>(&Approx), U4);
  const U4 Off = (Low & 0x1FFFFFFFu) - (0x10000000u - 16u);
  const auto Near = Off < 33u;
  uint64_t Any[2];
  std::memcpy(Any, &Near, sizeof(Any));
  if (Any[0] | Any[1]) {
    for (int L = 0; L < 4; ++L)
      if (Near[L])
        Mean[L] = static_cast<float>(Sum[L] / Count);
  }
  return Mean;
}

void BlurStripe(const TBlurJob &Job, int32_t Y0, int32_t Y1,
                const std::function<void(int32_t Done)> &Report)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t Q = Job.Radius;
  const size_t Padded = static_cast<size_t>(Job.Chunks) * 4;

  // Integer column sums are exact, so a stripe may start them anywhere.
  std::vector<int32_t> Sums(Padded, 0);
  for (int32_t Y = std::max(0, Y0 - Q); Y <= std::min(H - 1, Y0 + Q); ++Y) {
    const uint8_t *Source = Job.Row(Y);
    for (size_t I = 0; I < Padded; ++I)
      Sums[I] += Source[I];
  }

  std::vector<D4> Columns(Padded, SplatD4(0.0));
  std::vector<F4> Means(Padded, SplatF4(0.0f));

  for (int32_t Y = Y0; Y < Y1; Y += Lanes) {
    const int32_t Rows = std::min(Lanes, Y1 - Y);

    for (int32_t Chunk = 0; Chunk < Job.Chunks; ++Chunk) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      I4 Sum = lanes::Load<I4>(&Sums[K]);
      F4 Out[Lanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > Y0) {
          if (Row - Q > 0)
            Sum -= BytesToI4(Job.Row(Row - Q - 1) + K);
          if (Row + Q < H)
            Sum += BytesToI4(Job.Row(Row + Q) + K);
        }
        // Sums stay below 2^24, so this single-precision quotient is the
        // exact one rounded once.
        Out[R] = __builtin_convertvector(Sum, F4) / SplatF4(Job.RowCount[Row]);
      }
      for (int32_t R = Rows; R < Lanes; ++R)
        Out[R] = Out[Rows - 1];
      lanes::Store(&Sums[K], Sum);
      F4 Lane[4];
      Transpose4(Out, Lane);
      for (int J = 0; J < 4; ++J)
        Columns[K + J] = __builtin_convertvector(Lane[J], D4);
    }

    const D4 *C = Columns.data();
    D4 S0 = SplatD4(0.0), S1 = SplatD4(0.0), S2 = SplatD4(0.0);
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X) {
      S0 += C[3 * X];
      S1 += C[3 * X + 1];
      S2 += C[3 * X + 2];
    }
    for (int32_t X = 0; X < W; ++X) {
      if (X - Q > 0) {
        const D4 *Old = C + 3 * (X - Q - 1);
        S0 -= Old[0];
        S1 -= Old[1];
        S2 -= Old[2];
      }
      if (X + Q < W) {
        const D4 *New = C + 3 * (X + Q);
        S0 += New[0];
        S1 += New[1];
        S2 += New[2];
      }
      const double Count = Job.ColumnCount[X];
      const double Inverse = Job.ColumnInverse[X];
      Means[3 * X] = MeanOf(S0, Count, Inverse);
      Means[3 * X + 1] = MeanOf(S1, Count, Inverse);
      Means[3 * X + 2] = MeanOf(S2, Count, Inverse);
    }

    for (int32_t Chunk = 0; Chunk < Job.Chunks; ++Chunk) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      F4 Row[4];
      Transpose4(&Means[K], Row);
      for (int32_t R = 0; R < Rows; ++R) {
        const I4 V = RoundToBytes(Row[R]);
        const uint8_t Bytes[4] = {static_cast<uint8_t>(V[0]), static_cast<uint8_t>(V[1]),
                                  static_cast<uint8_t>(V[2]), static_cast<uint8_t>(V[3])};
        std::memcpy(Job.Dest + (Y + R) * Job.DestStride + K, Bytes, 4);
      }
    }
    if (Report)
      Report(Y + Rows - Y0);
  }
}

// The blur step by step, one column and one row at a time: for sums that
// could leave the range where the lane kernel is exact.
void BlurPlain(const TBlurJob &Job)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t Q = Job.Radius;
  std::vector<float> Temp(static_cast<size_t>(W) * H * 3);
  for (int32_t X = 0; X < W; ++X) {
    int64_t S[3] = {0, 0, 0};
    int64_t N = 0;
    for (int32_t Y = 0; Y <= std::min(Q - 1, H - 1); ++Y, ++N)
      for (int C = 0; C < 3; ++C)
        S[C] += Job.Row(Y)[3 * X + C];
    for (int32_t Y = 0; Y < H; ++Y) {
      if (Y - Q > 0) {
        for (int C = 0; C < 3; ++C)
          S[C] -= Job.Row(Y - Q - 1)[3 * X + C];
        --N;
      }
      if (Y + Q < H) {
        for (int C = 0; C < 3; ++C)
          S[C] += Job.Row(Y + Q)[3 * X + C];
        ++N;
      }
      for (int C = 0; C < 3; ++C)
        Temp[(static_cast<size_t>(Y) * W + X) * 3 + C] =
            static_cast<float>(static_cast<double>(S[C]) / static_cast<double>(N));
    }
  }
  for (int32_t Y = 0; Y < H; ++Y) {
    const float *T = &Temp[static_cast<size_t>(Y) * W * 3];
    double S[3] = {0, 0, 0};
    int64_t N = 0;
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X, ++N)
      for (int C = 0; C < 3; ++C)
        S[C] += T[3 * X + C];
    uint8_t *Out = Job.Dest + Y * Job.DestStride;
    for (int32_t X = 0; X < W; ++X) {
      if (X - Q > 0) {
        for (int C = 0; C < 3; ++C)
          S[C] -= T[3 * (X - Q - 1) + C];
        --N;
      }
      if (X + Q < W) {
        for (int C = 0; C < 3; ++C)
          S[C] += T[3 * (X + Q) + C];
        ++N;
      }
      for (int C = 0; C < 3; ++C)
        Out[3 * X + C] = ByteRound(static_cast<float>(S[C] / static_cast<double>(N)));
    }
  }
}

} // namespace

void TFrequencyRange::Prepare(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB,
                              const TProgress &Progress)
{
  TZrRect Rect = Pixels.GetBounds();
  if (Pixels.Bits == nullptr || Pixels.BytesPerPixel < 3 || Rect.IsEmpty())
    Rect = TZrRect{};
  if (Rect != Source_.GetBounds() || Source_.PixelFormat != pf24bit) {
    Width = Rect.Width();
    Height = Rect.Height();
    for (TZrPixelBuffer *Buffer : {&Source_, &LowA_, &LowB_})
      Buffer->Allocate(pf24bit, Rect);
    MarkDirty(2);
  }
  if (DirtyLevel > 1 && Source_.Bits != nullptr) {
    for (int32_t Y = 0; Y < Height; ++Y) {
      const uint8_t *From = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
      uint8_t *To = Source_.Bits + static_cast<ptrdiff_t>(Y) * Source_.Stride;
      if (Pixels.BytesPerPixel == 3) {
        std::memcpy(To, From, static_cast<size_t>(Width) * 3);
      } else {
        for (int32_t X = 0; X < Width; ++X, From += Pixels.BytesPerPixel, To += 3) {
          To[0] = From[0];
          To[1] = From[1];
          To[2] = From[2];
        }
      }
    }
  }
  Blur(LowA_, RadiusA, Progress);
  Blur(LowB_, RadiusB, Progress);
  DirtyLevel = 0;
}

void TFrequencyRange::Blur(TZrPixelBuffer &Dest, int32_t Radius, const TProgress &Progress)
{
  const int32_t W = Width, H = Height;
  const int32_t Total = W + H;
  if (Progress)
    Progress(0, Total);
  if (Dest.GetBounds() != Source_.GetBounds() || Dest.PixelFormat != pf24bit)
    Dest.Allocate(pf24bit, Source_.GetBounds());
  if (W > 0 && H > 0 && Source_.Bits != nullptr && Dest.Bits != nullptr) {
    TBlurJob Job;
    Job.Source = Source_.Bits;
    Job.SourceStride = Source_.Stride;
    Job.Dest = Dest.Bits;
    Job.DestStride = Dest.Stride;
    Job.Width = W;
    Job.Height = H;
    // A radius beyond the image gives the same windows as one reaching
    // just across it.
    Job.Radius = std::clamp(Radius, 0, std::max(W, H));
    Job.Values = 3 * W;
    Job.Chunks = (3 * W + 3) / 4;
    Job.RowCount.resize(static_cast<size_t>(H));
    for (int32_t Y = 0; Y < H; ++Y)
      Job.RowCount[Y] = static_cast<float>(WindowCount(Y, H, Job.Radius));
    Job.ColumnCount.resize(static_cast<size_t>(W));
    Job.ColumnInverse.resize(static_cast<size_t>(W));
    for (int32_t X = 0; X < W; ++X) {
      Job.ColumnCount[X] = WindowCount(X, W, Job.Radius);
      Job.ColumnInverse[X] = 1.0 / Job.ColumnCount[X];
    }
    // The lane kernel divides the column sums in single precision, which
    // is exact only while they stay below 2^24.
    const int64_t MaxRows = std::min<int64_t>(2 * static_cast<int64_t>(Job.Radius) + 1, H);
    if (255 * MaxRows >= (int64_t{1} << 24)) {
      BlurPlain(Job);
    } else {
      int32_t Workers = 1;
      if (static_cast<int64_t>(W) * H >= ParallelPixels)
        Workers = std::min(WorkerCount(), std::max(1, H / 16));
      RunWorkers(Workers, [&](int32_t Index) {
        const int32_t Y0 = StripeBegin(H, Workers, Index);
        const int32_t Y1 = StripeBegin(H, Workers, Index + 1);
        std::function<void(int32_t)> Report;
        if (Index == 0 && Progress && Y1 > Y0)
          Report = [&](int32_t Done) {
            Progress(static_cast<int32_t>(static_cast<int64_t>(Done) * Total / (Y1 - Y0)), Total);
          };
        if (Y1 > Y0)
          BlurStripe(Job, Y0, Y1, Report);
      });
    }
  }
  if (Progress)
    Progress(Total, Total);
}

bool TFrequencyRange::Pixel(int32_t X, int32_t Y, bool RemoveBand, uint8_t &B, uint8_t &G,
                            uint8_t &R) const
{
  if (!Source_.GetBounds().Contains(X, Y) || Source_.Bits == nullptr || LowA_.Bits == nullptr ||
      LowB_.Bits == nullptr)
    return false;
  const uint8_t *S = Source_.PixelPtr(X, Y);
  const uint8_t *Add = RemoveBand ? LowB_.PixelPtr(X, Y) : LowA_.PixelPtr(X, Y);
  const uint8_t *Sub = RemoveBand ? LowA_.PixelPtr(X, Y) : LowB_.PixelPtr(X, Y);
  uint8_t Out[3];
  for (int C = 0; C < 3; ++C)
    Out[C] = static_cast<uint8_t>(ClampInt(S[C] + Add[C] - Sub[C], 0, 255));
  B = Out[0];
  G = Out[1];
  R = Out[2];
  return true;
}

} // namespace facette
