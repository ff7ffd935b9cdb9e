#include "tools/brush/ZrBrushKernels.h"

#include "imaging/ZrRowLanes.h"
#include "tools/brush/ZrBrushMasks.h"

#include <algorithm>
#include <vector>

// The lane vectors pass between functions built for different processors.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace facette {

namespace {

// ((255 - M) x S + M x T) / 255 rounded to nearest. The numerator is an
// integer that never ends in exactly one half when divided by 255, so
// adding 127 and dividing rounds it; (V + 1 + (V >> 8)) >> 8 is V / 255 for
// every V below 65535.
inline uint8_t Mix(int32_t M, int32_t S, int32_t T)
{
  const int32_t V = (255 - M) * S + M * T + 127;
  return static_cast<uint8_t>((V + 1 + (V >> 8)) >> 8);
}

// Sum / Count rounded to nearest, ties to even (Count > 0).
inline uint8_t RoundedMean(int32_t Sum, int32_t Count)
{
  int32_t Q = Sum / Count;
  const int32_t Twice = 2 * (Sum - Q * Count);
  if (Twice > Count || (Twice == Count && (Q & 1) != 0))
    ++Q;
  return static_cast<uint8_t>(Q);
}

inline bool IsUsableCache(const TZrPixelBuffer &Cache)
{
  return Cache.Bits != nullptr && Cache.PixelFormat == pf32bit;
}

inline int32_t MaskAt(const TZrPixelMask &Mask, int32_t X, int32_t Y)
{
  const uint8_t *M = Mask.PixelPtr(X, Y);
  return M ? *M : 0;
}

// A stretch of non-zero footprint pixels in footprint row Row, columns
// [Begin, End).
struct TRun
{
  int32_t Row;
  int32_t Begin;
  int32_t End;
};

std::vector<TRun> FootprintRuns(const TZrPixelMask &Footprint)
{
  std::vector<TRun> Runs;
  for (int32_t Row = 0; Row < Footprint.Height; ++Row) {
    const uint8_t *F = Footprint.Bits.data() + static_cast<size_t>(Row) * Footprint.Width;
    for (int32_t X = 0; X < Footprint.Width;) {
      if (F[X] == 0) {
        ++X;
        continue;
      }
      const int32_t Begin = X;
      while (X < Footprint.Width && F[X] != 0)
        ++X;
      Runs.push_back({Row, Begin, X});
    }
  }
  return Runs;
}

// Acc[J] += Hi[J] - Lo[J] for J < Count.
FACETTE_LANE_KERNEL
void AddDifference(int32_t *Acc, const int32_t *Hi, const int32_t *Lo, int32_t Count)
{
  using lanes::I8;
  int32_t J = 0;
  for (; J + 8 <= Count; J += 8)
    lanes::Store(Acc + J,
                 lanes::Load<I8>(Acc + J) + lanes::Load<I8>(Hi + J) - lanes::Load<I8>(Lo + J));
  for (; J < Count; ++J)
    Acc[J] += Hi[J] - Lo[J];
}

// Computes the blurred colours of the pixels of Rect (inside Backup and
// Cache) whose Mask value is not 0 and which Cache does not know yet, and
// stores them in Cache.
//
// A footprint is a stack of row runs, so the sum under it is, per run, the
// difference of two running sums along one image row. The running sums of
// the rows the footprint can reach are taken once (blue, green, red and
// the number of image pixels, side by side), then every output row adds up
// its runs' differences for all its pixels at once.
void FillBlurCache(TZrPixelBuffer &Cache, const TZrPixelMask &Footprint, const TZrPixels &Backup,
                   const TZrRect &Rect, const TZrPixelMask &Mask)
{
  // Which pixels need a colour: per row the first and last one.
  const int32_t Rows = Rect.Height();
  thread_local std::vector<int32_t> First, Last;
  First.assign(static_cast<size_t>(Rows), Rect.Right);
  Last.assign(static_cast<size_t>(Rows), Rect.Left - 1);
  TZrRect Need{Rect.Right, Rect.Bottom, Rect.Left, Rect.Top};
  for (int32_t Y = Rect.Top; Y < Rect.Bottom; ++Y) {
    const uint8_t *C = Cache.PixelPtr(Rect.Left, Y);
    int32_t &F = First[static_cast<size_t>(Y - Rect.Top)];
    int32_t &L = Last[static_cast<size_t>(Y - Rect.Top)];
    for (int32_t X = Rect.Left; X < Rect.Right; ++X, C += 4)
      if (C[3] == 0 && MaskAt(Mask, X, Y) != 0) {
        F = std::min(F, X);
        L = X;
      }
    if (L >= F) {
      Need.Left = std::min(Need.Left, F);
      Need.Right = std::max(Need.Right, L + 1);
      Need.Top = std::min(Need.Top, Y);
      Need.Bottom = Y + 1;
    }
  }
  if (Need.IsEmpty() || Footprint.Width == 0 || Footprint.Height == 0)
    return;

  const int32_t H = Footprint.Width / 2;
  const int32_t V = Footprint.Height / 2;
  const std::vector<TRun> Runs = FootprintRuns(Footprint);
  const TZrRect Image = Backup.GetBounds();

  // Running sums over the columns [D0, D0 + W) of the image rows the
  // footprint reaches; columns outside the image add nothing.
  const int32_t D0 = Need.Left - H;
  const int32_t W = Need.Width() + Footprint.Width - 1;
  const int32_t Y0 = std::max(Need.Top - V, Image.Top);
  const int32_t Y1 = std::min(Need.Bottom - V + Footprint.Height - 1, Image.Bottom);
  const size_t RowInts = static_cast<size_t>(W + 1) * 4;
  thread_local std::vector<int32_t> Prefix;
  Prefix.assign(RowInts * static_cast<size_t>(std::max(Y1 - Y0, 0)), 0);
  const int32_t X0 = std::max(D0, Image.Left);
  const int32_t X1 = std::min(D0 + W, Image.Right);
  for (int32_t Y = Y0; Y < Y1; ++Y) {
    int32_t *P = Prefix.data() + static_cast<size_t>(Y - Y0) * RowInts;
    int32_t B = 0, G = 0, R = 0, N = 0;
    const uint8_t *S = X1 > X0 ? Backup.PixelPtr(X0, Y) : nullptr;
    for (int32_t K = 0; K < W; ++K) {
      const int32_t X = D0 + K;
      if (X >= X0 && X < X1) {
        B += S[0];
        G += S[1];
        R += S[2];
        ++N;
        S += Backup.BytesPerPixel;
      }
      int32_t *Q = P + static_cast<size_t>(K + 1) * 4;
      Q[0] = B;
      Q[1] = G;
      Q[2] = R;
      Q[3] = N;
    }
  }

  thread_local std::vector<int32_t> Acc;
  for (int32_t Y = Need.Top; Y < Need.Bottom; ++Y) {
    const int32_t F = First[static_cast<size_t>(Y - Rect.Top)];
    const int32_t L = Last[static_cast<size_t>(Y - Rect.Top)];
    if (L < F)
      continue;
    const int32_t Count = L - F + 1;
    Acc.assign(static_cast<size_t>(Count) * 4, 0);
    // Pixel X's run [Begin, End) covers the columns X - H + Begin ..,
    // which are running-sum entries X - Need.Left + Begin ...
    const int32_t Offset = F - Need.Left;
    for (const TRun &Run : Runs) {
      const int32_t SY = Y - V + Run.Row;
      if (SY < Y0 || SY >= Y1)
        continue;
      const int32_t *P = Prefix.data() + static_cast<size_t>(SY - Y0) * RowInts;
      AddDifference(Acc.data(), P + static_cast<size_t>(Offset + Run.End) * 4,
                    P + static_cast<size_t>(Offset + Run.Begin) * 4, Count * 4);
    }
    uint8_t *C = Cache.PixelPtr(F, Y);
    const int32_t *A = Acc.data();
    for (int32_t X = F; X <= L; ++X, C += 4, A += 4) {
      if (C[3] != 0 || A[3] == 0 || MaskAt(Mask, X, Y) == 0)
        continue;
      C[0] = RoundedMean(A[0], A[3]);
      C[1] = RoundedMean(A[1], A[3]);
      C[2] = RoundedMean(A[2], A[3]);
      C[3] = 255;
    }
  }
}

} // namespace

void BuildBlurFootprint(TZrPixelMask &Footprint, int32_t Smoothing, bool IncludeCentre)
{
  BuildHardDisc(Footprint, Smoothing, 255);
  if (!IncludeCentre) {
    const int32_t H = Footprint.Width / 2;
    Footprint.Bits[static_cast<size_t>(H) * Footprint.Width + H] = 0;
  }
}

int32_t BlurColour(TZrPixelBuffer &Cache, const TZrPixelMask &Footprint, const TZrPixels &Backup,
                   int32_t X, int32_t Y)
{
  const bool Cached = IsUsableCache(Cache) && Cache.GetBounds().Contains(X, Y);
  if (Cached) {
    const uint8_t *C = Cache.PixelPtr(X, Y);
    if (C[3] != 0)
      return C[0] | (C[1] << 8) | (C[2] << 16);
  }
  const TZrRect Image = Backup.GetBounds();
  if (!Backup.Bits || !Image.Contains(X, Y))
    return 0;
  const uint8_t *Own = Backup.PixelPtr(X, Y);
  const int32_t H = Footprint.Width / 2;
  const int32_t V = Footprint.Height / 2;
  const TZrRect Area = IntersectRect(
      MakeRect(X - H, Y - V, X - H + Footprint.Width, Y - V + Footprint.Height), Image);
  int32_t B = 0, G = 0, R = 0, N = 0;
  for (int32_t SY = Area.Top; SY < Area.Bottom; ++SY) {
    const uint8_t *F = Footprint.Bits.data() + static_cast<size_t>(SY - (Y - V)) * Footprint.Width +
                       (Area.Left - (X - H));
    const uint8_t *S = Backup.PixelPtr(Area.Left, SY);
    for (int32_t SX = Area.Left; SX < Area.Right; ++SX, ++F, S += Backup.BytesPerPixel)
      if (*F != 0) {
        B += S[0];
        G += S[1];
        R += S[2];
        ++N;
      }
  }
  if (N == 0)
    return Own[0] | (Own[1] << 8) | (Own[2] << 16);
  const uint8_t Mean[3] = {RoundedMean(B, N), RoundedMean(G, N), RoundedMean(R, N)};
  if (Cached) {
    uint8_t *C = Cache.PixelPtr(X, Y);
    C[0] = Mean[0];
    C[1] = Mean[1];
    C[2] = Mean[2];
    C[3] = 255;
  }
  return Mean[0] | (Mean[1] << 8) | (Mean[2] << 16);
}

void SmudgeRect(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixelMask &Mask,
                TZrPixelBuffer &Cache, const TZrPixelMask &Footprint, TZrPixels &Image)
{
  if (!Backup.Bits || !Image.Bits || Backup.BytesPerPixel < 3 || Image.BytesPerPixel < 3)
    return;
  const TZrRect R = IntersectRect(IntersectRect(Rect, Backup.GetBounds()), Image.GetBounds());
  if (R.IsEmpty())
    return;
  // A cache that does not hold the whole rectangle is not used: the
  // colours are worked out in a scratch buffer of the rectangle instead.
  TZrPixelBuffer Scratch;
  TZrPixelBuffer *Colours = &Cache;
  if (!IsUsableCache(Cache) || IntersectRect(Cache.GetBounds(), R) != R) {
    if (!Scratch.Allocate(pf32bit, R) || !Scratch.Bits)
      return;
    Colours = &Scratch;
  }
  FillBlurCache(*Colours, Footprint, Backup, R, Mask);
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t *S = Backup.PixelPtr(R.Left, Y);
    const uint8_t *C = Colours->PixelPtr(R.Left, Y);
    uint8_t *D = Image.PixelPtr(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right;
         ++X, S += Backup.BytesPerPixel, C += 4, D += Image.BytesPerPixel) {
      const int32_t M = MaskAt(Mask, X, Y);
      // Without a known colour (nothing to average) a pixel keeps its own.
      if (M == 0 || C[3] == 0) {
        D[0] = S[0];
        D[1] = S[1];
        D[2] = S[2];
        continue;
      }
      D[0] = Mix(M, S[0], C[0]);
      D[1] = Mix(M, S[1], C[1]);
      D[2] = Mix(M, S[2], C[2]);
    }
  }
}

void UndoBrushRect(const TZrRect &Rect, const TZrPixels &Backup, const TZrPixels &Original,
                   const TZrPixelMask &Mask, TZrPixels &Image)
{
  if (!Backup.Bits || !Image.Bits || Backup.BytesPerPixel < 3 || Image.BytesPerPixel < 3)
    return;
  const TZrRect R = IntersectRect(IntersectRect(Rect, Backup.GetBounds()), Image.GetBounds());
  const TZrRect Known =
      Original.Bits && Original.BytesPerPixel >= 3 ? Original.GetBounds() : TZrRect{};
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
    const uint8_t *S = Backup.PixelPtr(R.Left, Y);
    uint8_t *D = Image.PixelPtr(R.Left, Y);
    for (int32_t X = R.Left; X < R.Right;
         ++X, S += Backup.BytesPerPixel, D += Image.BytesPerPixel) {
      const int32_t M = MaskAt(Mask, X, Y);
      if (M == 0 || !Known.Contains(X, Y)) {
        D[0] = S[0];
        D[1] = S[1];
        D[2] = S[2];
        continue;
      }
      const uint8_t *O = Original.PixelPtr(X, Y);
      D[0] = Mix(M, S[0], O[0]);
      D[1] = Mix(M, S[1], O[1]);
      D[2] = Mix(M, S[2], O[2]);
    }
  }
}

} // namespace facette
