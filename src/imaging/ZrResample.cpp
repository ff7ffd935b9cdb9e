#include "imaging/ZrResample.h"

#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <numbers>
#include <stdexcept>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define FACETTE_RESAMPLE_AVX2 1
#include <immintrin.h>
#endif

namespace facette {

bool QuickDraftResampling = false;

namespace {

TResampleCode TuningCode = TResampleCode::Best;
int32_t TuningThreads = 0;

} // namespace

void SetResampleTuning(TResampleCode Code, int32_t Threads)
{
  TuningCode = Code;
  TuningThreads = std::max(Threads, 0);
}

double Sinc(double X)
{
  if (X == 0.0)
    return 1.0;
  // sin(pi X) = (-1)^n sin(pi r) with n the integer nearest X and r = X - n
  // (exact), and sin(pi r) = cos(pi (1/2 - |r|)) with the sign of r: the
  // argument stays within pi/4, where the extended-precision sine and cosine
  // need no costly range reduction. Weight tables call this a few hundred
  // thousand times for a large image.
  constexpr long double Pi = std::numbers::pi_v<long double>;
  const long double Value = X;
  const long double Whole = std::nearbyint(Value);
  const long double Fraction = Value - Whole;
  long double Sine = std::fabs(Fraction) <= 0.25L
                         ? std::sin(Pi * Fraction)
                         : std::copysign(std::cos(Pi * (0.5L - std::fabs(Fraction))), Fraction);
  const bool Odd = std::fabs(Whole) < 0x1p62L ? (static_cast<int64_t>(Whole) & 1) != 0
                                              : std::fmod(Whole, 2.0L) != 0.0L;
  if (Odd)
    Sine = -Sine;
  return static_cast<double>(Sine / (Pi * Value));
}

double TWindowedSincResampler::Weight(double X) const
{
  X = std::fabs(X);
  if (X >= Radius())
    return 0.0;
  return Sinc(X) * Window(X);
}

// --- weight tables -------------------------------------------------------

namespace {

int32_t ClampIndex(double Value, int32_t First, int32_t Last)
{
  // Done in doubles first: a far-off index must not wrap in 32 bits.
  return static_cast<int32_t>(
      std::clamp(Value, static_cast<double>(First), static_cast<double>(Last)));
}

// Makes the weights of a cluster sum to exactly 256 by giving the rounding
// error to its middle pair.
void Normalize(TCluster &Cluster)
{
  int64_t Sum = 0;
  for (const TContribution &C : Cluster)
    Sum += C.Weight;
  if (Sum != 256)
    Cluster[(Cluster.size() - 1) / 2].Weight += static_cast<int32_t>(256 - Sum);
}

} // namespace

void BuildMappingTable(int32_t DestStart, int32_t DestEnd, int32_t ClipStart, int32_t ClipEnd,
                       int32_t SourceStart, int32_t SourceEnd, const TPixelResampler &Resampler,
                       TMappingTable &Table)
{
  Table.clear();
  const int64_t S = static_cast<int64_t>(SourceEnd) - SourceStart;
  const int64_t D = static_cast<int64_t>(DestEnd) - DestStart;
  // An inverted source span holds no pixel to sample, like an empty one.
  if (S <= 0)
    return;
  const int64_t N = std::max<int64_t>(static_cast<int64_t>(ClipEnd) - ClipStart, 0);
  Table.resize(static_cast<size_t>(N));
  if (S == 1) {
    for (TCluster &Cluster : Table)
      Cluster.assign(1, TContribution{SourceStart, 256});
    return;
  }
  if (N == 0)
    return;

  const double h = static_cast<double>(D) / static_cast<double>(S);
  const double l = 1.0 / h;
  const double r = Resampler.Radius();
  const int32_t Last = SourceEnd - 1;

  if (h == 0.0) {
    // A span without extent can only be asked for its one pixel.
    if (N != 1)
      throw std::logic_error("Assertion failure");
    Table[0].assign(
        1, TContribution{static_cast<int32_t>((static_cast<int64_t>(SourceStart) + SourceEnd) / 2),
                         256});
    return;
  }

  const bool Enlarging = h >= 1.0;
  const double Support = Enlarging ? r : l * r;
  for (int64_t i = 0; i < N; ++i) {
    TCluster &Cluster = Table[static_cast<size_t>(i)];
    const double c = SourceStart - 0.5 + l * (static_cast<double>(i + ClipStart - DestStart) + 0.5);
    const double First = std::floor(c - Support);
    const double Final = std::ceil(c + Support);
    for (double j = First; j <= Final; j += 1.0) {
      const double W = Enlarging ? Resampler.Weight(c - j) : h * Resampler.Weight(h * (c - j));
      const int32_t Weight = static_cast<int32_t>(std::nearbyint(W * 256));
      if (Weight != 0)
        Cluster.push_back(TContribution{ClampIndex(j, SourceStart, Last), Weight});
    }
    // No tap at all is the point-sampling case of the quick-draft kernel. It
    // is met when enlarging with that kernel too, where there is no middle
    // pair to correct, and is handled the same way. The index is kept inside
    // the span: a clip reaching past the destination span would otherwise
    // read outside the source.
    if (Cluster.empty())
      Cluster.assign(1, TContribution{ClampIndex(std::floor(c), SourceStart, Last), 256});
    else
      Normalize(Cluster);
  }
}

// --- the pixel pass ------------------------------------------------------

namespace {

constexpr int64_t Full = 255 * 65536;

inline uint8_t FinalByte(int64_t Total, bool Clamp)
{
  if (Clamp)
    return static_cast<uint8_t>(std::clamp<int64_t>(Total, 0, Full) >> 16);
  return static_cast<uint8_t>(Total >> 16);
}

// The smallest and largest source index a table refers to.
void IndexRange(const TMappingTable &Table, int32_t &Min, int32_t &Max)
{
  Min = std::numeric_limits<int32_t>::max();
  Max = std::numeric_limits<int32_t>::min();
  for (const TCluster &Cluster : Table)
    for (const TContribution &C : Cluster) {
      Min = std::min(Min, C.Index);
      Max = std::max(Max, C.Index);
    }
}

// The straightforward pass: for each destination row, every touched source
// column is filtered vertically into a scratch row, which is then filtered
// horizontally. Sums are kept in 64 bits so that no table can overflow them.
void DirectPass(TZrPixels &Dest, const TZrRect &Clip, const TMappingTable &HTable,
                const TMappingTable &VTable, const TZrPixels &Source, bool Clamp)
{
  int32_t MinColumn, MaxColumn;
  IndexRange(HTable, MinColumn, MaxColumn);
  const size_t Columns = static_cast<size_t>(MaxColumn - MinColumn + 1);
  const int64_t Work = static_cast<int64_t>(Clip.Height()) * static_cast<int64_t>(Columns) *
                       static_cast<int64_t>(VTable.front().size() + HTable.front().size());
  const int32_t Bands = TuningThreads > 0 ? TuningThreads : BandCount(Work, int64_t{1} << 22);
  std::vector<std::vector<int64_t>> Scratch(static_cast<size_t>(Bands));
  for (std::vector<int64_t> &S : Scratch)
    S.resize(Columns * 3);

  RunBands(Clip.Height(), Bands, [&](int32_t Band, int32_t Begin, int32_t End) {
    int64_t *Sums = Scratch[static_cast<size_t>(Band)].data();
    for (int32_t Row = Begin; Row < End; ++Row) {
      const TCluster &Vertical = VTable[static_cast<size_t>(Row)];
      std::fill(Sums, Sums + Columns * 3, 0);
      for (const TContribution &V : Vertical) {
        const uint8_t *From = Source.PixelPtr(MinColumn, V.Index);
        for (size_t I = 0; I < Columns * 3; ++I)
          Sums[I] += static_cast<int64_t>(From[I]) * V.Weight;
      }
      uint8_t *To = Dest.PixelPtr(Clip.Left, Clip.Top + Row);
      for (const TCluster &Horizontal : HTable) {
        int64_t Total[3] = {0, 0, 0};
        for (const TContribution &H : Horizontal) {
          const int64_t *S = Sums + static_cast<size_t>(H.Index - MinColumn) * 3;
          for (int C = 0; C < 3; ++C)
            Total[C] += S[C] * H.Weight;
        }
        for (int C = 0; C < 3; ++C)
          To[C] = FinalByte(Total[C], Clamp);
        To += 3;
      }
    }
  });
}

// A table laid out for the fast pass: each entry's weights over consecutive
// source indices from its start (repeated indices merged, gaps zero), all
// entries padded to the same length.
struct TDenseTable
{
  int32_t Entries = 0;
  int32_t Length = 0; // weights per entry
  int32_t MinIndex = 0;
  int32_t MaxIndex = 0;
  int64_t MaxAbsSum = 0; // the largest sum of |weight| of an entry
  int64_t MaxAbsWeight = 0;
  std::vector<int32_t> Starts;
  std::vector<int32_t> Weights; // Entries x Length

  const int32_t *WeightsOf(int32_t Entry) const
  {
    return Weights.data() + static_cast<size_t>(Entry) * static_cast<size_t>(Length);
  }
};

// False when the layout would be unreasonably large.
bool MakeDense(const TMappingTable &Table, TDenseTable &Dense)
{
  Dense.Entries = static_cast<int32_t>(Table.size());
  IndexRange(Table, Dense.MinIndex, Dense.MaxIndex);
  Dense.Starts.resize(Table.size());
  int64_t Length = 1;
  for (size_t E = 0; E < Table.size(); ++E) {
    int32_t Min = std::numeric_limits<int32_t>::max();
    int32_t Max = std::numeric_limits<int32_t>::min();
    for (const TContribution &C : Table[E]) {
      Min = std::min(Min, C.Index);
      Max = std::max(Max, C.Index);
    }
    if (Table[E].empty())
      Min = Max = Dense.MinIndex;
    Dense.Starts[E] = Min;
    Length = std::max<int64_t>(Length, static_cast<int64_t>(Max) - Min + 1);
  }
  if (Length * static_cast<int64_t>(Table.size()) > (int64_t{1} << 26))
    return false;
  Dense.Length = static_cast<int32_t>(Length);
  Dense.Weights.assign(static_cast<size_t>(Length) * Table.size(), 0);
  for (size_t E = 0; E < Table.size(); ++E) {
    std::vector<int64_t> Merged(static_cast<size_t>(Length), 0);
    for (const TContribution &C : Table[E])
      Merged[static_cast<size_t>(C.Index - Dense.Starts[E])] += C.Weight;
    int64_t AbsSum = 0;
    for (size_t K = 0; K < Merged.size(); ++K) {
      AbsSum += std::abs(Merged[K]);
      Dense.MaxAbsWeight = std::max(Dense.MaxAbsWeight, std::abs(Merged[K]));
      if (std::abs(Merged[K]) > std::numeric_limits<int32_t>::max())
        return false;
      Dense.Weights[E * static_cast<size_t>(Length) + K] = static_cast<int32_t>(Merged[K]);
    }
    Dense.MaxAbsSum = std::max(Dense.MaxAbsSum, AbsSum);
  }
  return true;
}

// --- kernels of the fast pass -------------------------------------------
//
// The fast pass filters each needed source row horizontally once into a row
// of 32-bit sums (one per channel of each destination column), keeps the
// last few such rows in a ring, and combines them vertically for each
// destination row. The sums are the exact integers of the table arithmetic.

struct THorizontalPlan
{
  const TDenseTable *Table = nullptr;
  std::vector<int32_t> Offsets; // byte offset of each entry's first pixel in the row copy
  int32_t Groups = 0;           // groups of four taps
  std::vector<int16_t> Packed;  // per entry and group: the vector layout below
};

void HorizontalPortable(const THorizontalPlan &Plan, const uint8_t *Row, int32_t *Out)
{
  const TDenseTable &T = *Plan.Table;
  for (int32_t E = 0; E < T.Entries; ++E) {
    const uint8_t *P = Row + Plan.Offsets[static_cast<size_t>(E)];
    const int32_t *W = T.WeightsOf(E);
    int32_t B = 0, G = 0, R = 0;
    for (int32_t K = 0; K < T.Length; ++K, P += 3) {
      B += P[0] * W[K];
      G += P[1] * W[K];
      R += P[2] * W[K];
    }
    Out[0] = B;
    Out[1] = G;
    Out[2] = R;
    Out += 3;
  }
}

// Combines the values [Begin, End) of the tap rows into output bytes.
void VerticalPortable(const int32_t *const *Rows, const int32_t *Weights, int32_t Taps,
                      int32_t Begin, int32_t End, uint8_t *Out)
{
  for (int32_t I = Begin; I < End; ++I) {
    int32_t Total = 0;
    for (int32_t T = 0; T < Taps; ++T)
      Total += Rows[T][I] * Weights[T];
    Out[I] = static_cast<uint8_t>(std::clamp<int32_t>(Total, 0, Full) >> 16);
  }
}

#ifdef FACETTE_RESAMPLE_AVX2

bool HaveAvx2()
{
  static const bool Have = __builtin_cpu_supports("avx2");
  return Have;
}

// Packed weights of one group of four taps a..a+3, as 16 int16: for the low
// half (taps a, a+1) and the high half (taps a+2, a+3) the pattern
// w0 w1 w0 w1 w0 w1 0 0, matching the byte shuffle below which spreads the
// blue, green and red bytes of two neighbouring pixels into pairs.
void PackHorizontal(THorizontalPlan &Plan)
{
  const TDenseTable &T = *Plan.Table;
  Plan.Groups = (T.Length + 3) / 4;
  Plan.Packed.assign(static_cast<size_t>(T.Entries) * static_cast<size_t>(Plan.Groups) * 16, 0);
  for (int32_t E = 0; E < T.Entries; ++E) {
    const int32_t *W = T.WeightsOf(E);
    for (int32_t G = 0; G < Plan.Groups; ++G) {
      int16_t *P =
          Plan.Packed.data() + (static_cast<size_t>(E) * static_cast<size_t>(Plan.Groups) + G) * 16;
      for (int Half = 0; Half < 2; ++Half) {
        const int32_t A = G * 4 + Half * 2;
        const int16_t W0 = static_cast<int16_t>(A < T.Length ? W[A] : 0);
        const int16_t W1 = static_cast<int16_t>(A + 1 < T.Length ? W[A + 1] : 0);
        for (int C = 0; C < 3; ++C) {
          P[Half * 8 + C * 2] = W0;
          P[Half * 8 + C * 2 + 1] = W1;
        }
      }
    }
  }
}

__attribute__((target("avx2"))) void HorizontalAvx2(const THorizontalPlan &Plan, const uint8_t *Row,
                                                    int32_t *Out)
{
  const int32_t Entries = Plan.Table->Entries;
  const int32_t Groups = Plan.Groups;
  const __m256i Spread =
      _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1, 6, -1, 9, -1, 7,
                       -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  const int16_t *Packed = Plan.Packed.data();
  for (int32_t E = 0; E < Entries; ++E) {
    const uint8_t *P = Row + Plan.Offsets[static_cast<size_t>(E)];
    __m256i Sum = _mm256_setzero_si256();
    for (int32_t G = 0; G < Groups; ++G, P += 12, Packed += 16) {
      const __m256i Pixels = _mm256_shuffle_epi8(
          _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(P))),
          Spread);
      Sum = _mm256_add_epi32(
          Sum,
          _mm256_madd_epi16(Pixels, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(Packed))));
    }
    const __m128i Channels =
        _mm_add_epi32(_mm256_castsi256_si128(Sum), _mm256_extracti128_si256(Sum, 1));
    // Writes one int32 past the three channels; the next entry or the row's
    // slack takes it.
    _mm_storeu_si128(reinterpret_cast<__m128i *>(Out), Channels);
    Out += 3;
  }
}

__attribute__((target("avx2"))) void VerticalAvx2(const int32_t *const *Rows,
                                                  const int32_t *Weights, int32_t Taps,
                                                  int32_t Count, uint8_t *Out)
{
  const __m256i Zero = _mm256_setzero_si256();
  const __m256i Top = _mm256_set1_epi32(static_cast<int32_t>(Full));
  const __m256i Order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
  int32_t I = 0;
  for (; I + 32 <= Count; I += 32) {
    __m256i A0 = Zero, A1 = Zero, A2 = Zero, A3 = Zero;
    for (int32_t T = 0; T < Taps; ++T) {
      const __m256i W = _mm256_set1_epi32(Weights[T]);
      const __m256i *R = reinterpret_cast<const __m256i *>(Rows[T] + I);
      A0 = _mm256_add_epi32(A0, _mm256_mullo_epi32(_mm256_loadu_si256(R), W));
      A1 = _mm256_add_epi32(A1, _mm256_mullo_epi32(_mm256_loadu_si256(R + 1), W));
      A2 = _mm256_add_epi32(A2, _mm256_mullo_epi32(_mm256_loadu_si256(R + 2), W));
      A3 = _mm256_add_epi32(A3, _mm256_mullo_epi32(_mm256_loadu_si256(R + 3), W));
    }
    A0 = _mm256_srli_epi32(_mm256_min_epi32(_mm256_max_epi32(A0, Zero), Top), 16);
    A1 = _mm256_srli_epi32(_mm256_min_epi32(_mm256_max_epi32(A1, Zero), Top), 16);
    A2 = _mm256_srli_epi32(_mm256_min_epi32(_mm256_max_epi32(A2, Zero), Top), 16);
    A3 = _mm256_srli_epi32(_mm256_min_epi32(_mm256_max_epi32(A3, Zero), Top), 16);
    const __m256i Bytes =
        _mm256_packus_epi16(_mm256_packs_epi32(A0, A1), _mm256_packs_epi32(A2, A3));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(Out + I),
                        _mm256_permutevar8x32_epi32(Bytes, Order));
  }
  VerticalPortable(Rows, Weights, Taps, I, Count, Out);
}

#endif

// What the fast pass needs of a pair of tables, worked out before any pixel
// is touched.
struct TFastSetup
{
  TDenseTable H, V;
  THorizontalPlan Plan;
  bool Vector = false;
  int32_t Span = 0;     // source pixels a row copy holds
  size_t RowBytes = 0;  // a row copy with its padding
  int32_t Values = 0;   // int32 sums of one filtered row
  size_t SumStride = 0; // a filtered row with its slack
  int32_t RingRows = 0; // filtered rows kept

  // The horizontal filter of the source row Row (starting at pixel MinIndex)
  // copied into Copy, into Sums.
  void Horizontal(const uint8_t *Row, uint8_t *Copy, int32_t *Sums) const
  {
    std::memcpy(Copy, Row, static_cast<size_t>(Span) * 3);
#ifdef FACETTE_RESAMPLE_AVX2
    if (Vector) {
      HorizontalAvx2(Plan, Copy, Sums);
      return;
    }
#endif
    HorizontalPortable(Plan, Copy, Sums);
  }

  void Vertical(const int32_t *const *Rows, const int32_t *Weights, int32_t Taps,
                uint8_t *Out) const
  {
#ifdef FACETTE_RESAMPLE_AVX2
    if (Vector) {
      VerticalAvx2(Rows, Weights, Taps, Values, Out);
      return;
    }
#endif
    VerticalPortable(Rows, Weights, Taps, 0, Values, Out);
  }
};

// False when the fast pass does not apply (the caller then runs the direct
// pass).
bool PrepareFast(const TMappingTable &HTable, const TMappingTable &VTable, TFastSetup &F)
{
  if (!MakeDense(HTable, F.H) || !MakeDense(VTable, F.V))
    return false;
  // Every partial sum must fit 32 bits: 255 x the horizontal weights x the
  // vertical ones at worst.
  if (255.0 * static_cast<double>(F.H.MaxAbsSum) * static_cast<double>(F.V.MaxAbsSum) >=
      2147483647.0)
    return false;

#ifdef FACETTE_RESAMPLE_AVX2
  F.Vector = TuningCode == TResampleCode::Best && HaveAvx2() && F.H.MaxAbsWeight <= 32767;
#endif

  F.Plan.Table = &F.H;
  F.Plan.Offsets.resize(F.H.Starts.size());
  for (size_t E = 0; E < F.H.Starts.size(); ++E)
    F.Plan.Offsets[E] = (F.H.Starts[E] - F.H.MinIndex) * 3;
#ifdef FACETTE_RESAMPLE_AVX2
  if (F.Vector)
    PackHorizontal(F.Plan);
#endif

  F.Span = F.H.MaxIndex - F.H.MinIndex + 1;
  // Every entry reads Length (or its groups of four) pixels from its start,
  // the padding weights included; the row copy has room for that past the
  // last pixel, and for the vector loads' spare bytes.
  F.RowBytes = (static_cast<size_t>(F.Span) + std::max(F.H.Length, 4 * F.Plan.Groups) + 4) * 3;
  F.Values = F.H.Entries * 3;
  F.SumStride = static_cast<size_t>(F.Values) + 8;
  F.RingRows = F.V.Length;
  const double RingBytes = static_cast<double>(F.SumStride) * 4.0 * F.RingRows;
  return RingBytes <= 96.0 * 1024 * 1024;
}

// Runs the fast pass; false when it does not apply (the caller then runs the
// direct pass).
bool FastPass(TZrPixels &Dest, const TZrRect &Clip, const TMappingTable &HTable,
              const TMappingTable &VTable, const TZrPixels &Source)
{
  // The plan points into the setup's table: the setup stays where it is.
  auto Setup = std::make_unique<TFastSetup>();
  TFastSetup &F = *Setup;
  if (!PrepareFast(HTable, VTable, F))
    return false;
  const TDenseTable &H = F.H, &V = F.V;
  const int32_t RingRows = F.RingRows;

  const int64_t Work = static_cast<int64_t>(Clip.Width()) * Clip.Height() * (H.Length + V.Length);
  int32_t Bands = TuningThreads > 0 ? TuningThreads : BandCount(Work, int64_t{1} << 22);
  Bands = std::min(Bands, Clip.Height());

  // All working memory is taken before any pixel is written.
  struct TBandMemory
  {
    std::vector<uint8_t> Row;
    std::vector<int32_t> Ring;
    std::vector<int32_t> Tags;
  };
  std::vector<TBandMemory> Memory(static_cast<size_t>(Bands));
  for (TBandMemory &M : Memory) {
    M.Row.assign(F.RowBytes, 0);
    M.Ring.assign(F.SumStride * static_cast<size_t>(RingRows), 0);
    M.Tags.assign(static_cast<size_t>(RingRows), std::numeric_limits<int32_t>::min());
  }

  RunBands(Clip.Height(), Bands, [&](int32_t Band, int32_t Begin, int32_t End) {
    TBandMemory &M = Memory[static_cast<size_t>(Band)];
    std::vector<const int32_t *> TapRows(static_cast<size_t>(V.Length));
    std::vector<int32_t> TapWeights(static_cast<size_t>(V.Length));
    for (int32_t Y = Begin; Y < End; ++Y) {
      const int32_t Start = V.Starts[static_cast<size_t>(Y)];
      const int32_t *W = V.WeightsOf(Y);
      int32_t Taps = 0;
      for (int32_t K = 0; K < V.Length; ++K) {
        if (W[K] == 0)
          continue;
        const int32_t SourceRow = Start + K;
        // Consecutive rows land in distinct slots, and an entry spans at
        // most RingRows of them, so no row of this entry evicts another.
        const size_t Slot = static_cast<size_t>(SourceRow - V.MinIndex) % RingRows;
        int32_t *Sums = M.Ring.data() + Slot * F.SumStride;
        if (M.Tags[Slot] != SourceRow) {
          F.Horizontal(Source.PixelPtr(H.MinIndex, SourceRow), M.Row.data(), Sums);
          M.Tags[Slot] = SourceRow;
        }
        TapRows[static_cast<size_t>(Taps)] = Sums;
        TapWeights[static_cast<size_t>(Taps)] = W[K];
        ++Taps;
      }
      F.Vertical(TapRows.data(), TapWeights.data(), Taps, Dest.PixelPtr(Clip.Left, Clip.Top + Y));
    }
  });
  return true;
}

} // namespace

bool ResampleVectorCodeRuns()
{
#ifdef FACETTE_RESAMPLE_AVX2
  return HaveAvx2();
#else
  return false;
#endif
}

bool ResamplePixels(TZrPixels &Dest, const TZrRect &DestRect, const TZrRect &DestClip,
                    const TPixelResampler &Resampler, const TZrRect &SourceRect,
                    const TZrPixels &Source)
{
  if (Dest.PixelFormat != pf24bit || Source.PixelFormat != pf24bit)
    return false;
  const TZrRect SourceBounds = Source.GetBounds();
  if (SourceRect.IsEmpty() || !Source.Bits || IntersectRect(SourceRect, SourceBounds) != SourceRect)
    return false;
  const TZrRect Clip = IntersectRect(DestClip, Dest.GetBounds());
  // Nothing maps onto a destination rectangle without area.
  if (Clip.IsEmpty() || DestRect.IsEmpty() || !Dest.Bits)
    return true;
  try {
    TMappingTable HTable, VTable;
    BuildMappingTable(DestRect.Left, DestRect.Right, Clip.Left, Clip.Right, SourceRect.Left,
                      SourceRect.Right, Resampler, HTable);
    BuildMappingTable(DestRect.Top, DestRect.Bottom, Clip.Top, Clip.Bottom, SourceRect.Top,
                      SourceRect.Bottom, Resampler, VTable);
    if (HTable.empty() || VTable.empty())
      return true;
    const bool Clamp = Resampler.NeedsClamp();
    if (!Clamp || TuningCode == TResampleCode::Direct ||
        !FastPass(Dest, Clip, HTable, VTable, Source))
      DirectPass(Dest, Clip, HTable, VTable, Source, Clamp);
    return true;
  } catch (const std::bad_alloc &) {
    return false;
  } catch (const std::length_error &) {
    return false;
  }
}

// --- row by row ------------------------------------------------------------

struct TZrRowResampler::TState
{
  TFastSetup F;
  TZrPixels Dest;
  std::vector<uint8_t> Copy;
  std::vector<int32_t> Ring;
  // For each destination row, the last source row it needs.
  std::vector<int32_t> LastRow;
  std::vector<const int32_t *> TapRows;
  std::vector<int32_t> TapWeights;
  int32_t SourceWidth = 0;
  int64_t RingRows = 0;   // filtered rows kept
  int32_t NextSource = 0; // the row AddRow takes next
  int32_t NextDest = 0;   // the first destination row not written yet
};

TZrRowResampler::TZrRowResampler() = default;
TZrRowResampler::~TZrRowResampler() = default;

bool TZrRowResampler::Start(int32_t SourceWidth, int32_t SourceHeight, const TZrPixels &Dest,
                            const TPixelResampler &Resampler)
{
  State.reset();
  if (SourceWidth <= 0 || SourceHeight <= 0 || Dest.PixelFormat != pf24bit || !Dest.Bits ||
      Dest.Width <= 0 || Dest.Height <= 0 || !Resampler.NeedsClamp() ||
      TuningCode == TResampleCode::Direct)
    return false;
  try {
    auto S = std::make_unique<TState>();
    TMappingTable HTable, VTable;
    BuildMappingTable(0, Dest.Width, 0, Dest.Width, 0, SourceWidth, Resampler, HTable);
    BuildMappingTable(0, Dest.Height, 0, Dest.Height, 0, SourceHeight, Resampler, VTable);
    if (HTable.empty() || VTable.empty() || !PrepareFast(HTable, VTable, S->F))
      return false;
    const TDenseTable &V = S->F.V;
    // Rows arrive in order and are kept in a ring. Destination rows are
    // written in order, each once every row up to the last one it needs has
    // arrived (and the rows above it are written); the ring is long enough
    // to hold its rows then.
    S->LastRow.resize(static_cast<size_t>(V.Entries));
    S->RingRows = 1;
    int32_t Written = std::numeric_limits<int32_t>::min();
    for (int32_t Y = 0; Y < V.Entries; ++Y) {
      const int32_t *W = V.WeightsOf(Y);
      const int32_t Start = V.Starts[static_cast<size_t>(Y)];
      int32_t First = -1, Last = Start;
      for (int32_t K = 0; K < V.Length; ++K)
        if (W[K] != 0) {
          if (First < 0)
            First = Start + K;
          Last = Start + K;
        }
      S->LastRow[static_cast<size_t>(Y)] = Last;
      Written = std::max(Written, Last);
      if (First >= 0)
        S->RingRows = std::max<int64_t>(S->RingRows, int64_t{Written} - First + 1);
    }
    if (static_cast<double>(S->F.SumStride) * 4.0 * S->RingRows > 96.0 * 1024 * 1024)
      return false;
    if (S->F.H.MinIndex < 0 || S->F.H.MaxIndex >= SourceWidth || V.MinIndex < 0 ||
        V.MaxIndex >= SourceHeight)
      return false;
    S->Copy.assign(S->F.RowBytes, 0);
    S->Ring.assign(S->F.SumStride * static_cast<size_t>(S->RingRows), 0);
    S->TapRows.resize(static_cast<size_t>(V.Length));
    S->TapWeights.resize(static_cast<size_t>(V.Length));
    S->Dest = Dest;
    S->SourceWidth = SourceWidth;
    State = std::move(S);
    return true;
  } catch (const std::bad_alloc &) {
    return false;
  } catch (const std::length_error &) {
    return false;
  }
}

void TZrRowResampler::AddRow(const uint8_t *Row)
{
  if (!State || Finished())
    return;
  TState &S = *State;
  const TFastSetup &F = S.F;
  const TDenseTable &V = F.V;
  const int32_t SourceRow = S.NextSource++;
  // Rows no destination row refers to are skipped.
  if (SourceRow >= V.MinIndex && SourceRow <= V.MaxIndex) {
    const size_t Slot = static_cast<size_t>(SourceRow - V.MinIndex) % S.RingRows;
    F.Horizontal(Row + static_cast<size_t>(F.H.MinIndex) * 3, S.Copy.data(),
                 S.Ring.data() + Slot * F.SumStride);
  }
  while (S.NextDest < V.Entries && S.LastRow[static_cast<size_t>(S.NextDest)] <= SourceRow) {
    const int32_t Y = S.NextDest++;
    const int32_t Start = V.Starts[static_cast<size_t>(Y)];
    const int32_t *W = V.WeightsOf(Y);
    int32_t Taps = 0;
    for (int32_t K = 0; K < V.Length; ++K) {
      if (W[K] == 0)
        continue;
      const size_t Slot = static_cast<size_t>(Start + K - V.MinIndex) % S.RingRows;
      S.TapRows[static_cast<size_t>(Taps)] = S.Ring.data() + Slot * F.SumStride;
      S.TapWeights[static_cast<size_t>(Taps)] = W[K];
      ++Taps;
    }
    F.Vertical(S.TapRows.data(), S.TapWeights.data(), Taps, S.Dest.PixelPtr(0, Y));
  }
}

bool TZrRowResampler::Finished() const
{
  return State && State->NextDest >= State->F.V.Entries;
}

} // namespace facette
