#include "tools/skin/ZrFrequencyRange.h"

#include "imaging/ZrParallel.h"
#include "imaging/ZrRowLanes.h"

#include <cstring>
#include <vector>

#pragma GCC diagnostic ignored "-Wpsabi"

namespace facette {

namespace {

using namespace lanes;

// Rows that run side by side, one per lane.
constexpr int32_t Lanes = 4;
constexpr int32_t IntegerLanes = 8;

// Up to this many samples in a window the blur is computed from exact
// integer window sums (see BlurStripeInteger).
constexpr int64_t IntegerSamples = 3000;
// Half the width of the band around k + 1/2 in which a mean computed from
// the integer sum is checked against the single-precision steps.
constexpr float TieMargin = 1.0e-4f;

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
  std::vector<float> RowInverse;     // their reciprocals
  std::vector<float> ColumnInverseF; // reciprocals of the column counts
  std::vector<double> ColumnCount;   // samples in the window of each column
  std::vector<double> ColumnInverse; // their reciprocals

  const uint8_t *Row(int32_t Y) const { return Source + Y * SourceStride; }
};

// Where a blur writes its rows: row Y at Base + ((Y - Top) & Mask) * Stride,
// so a Mask of -1 addresses a whole image and 7 a ring of eight rows (no
// kernel writes more than eight rows before it reports them). Written hears
// of every run of finished rows, in order, before the ring is reused.
struct TRowSink
{
  uint8_t *Base = nullptr;
  ptrdiff_t Stride = 0;
  int32_t Top = 0;
  int32_t Mask = -1;
  std::function<void(int32_t From, int32_t To)> Written;

  uint8_t *Row(int32_t Y) const { return Base + static_cast<ptrdiff_t>((Y - Top) & Mask) * Stride; }
  void Done(int32_t From, int32_t To) const
  {
    if (Written)
      Written(From, To);
  }
};

// What a kernel carries from one run of rows to the next, so that a stripe
// may be blurred a piece at a time: the column sums of the window of row
// Row (-1 before the first run).
struct TBlurState
{
  std::vector<int32_t> Sums;
  std::vector<uint16_t> Columns;
  int32_t Row = -1;
};

// Blurs rows Y0 .. Y1 - 1 of a stripe; a later call on the same state goes
// on with the next rows.
using TBlurKernel = void (*)(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &State,
                             const TRowSink &Sink);

// The mean Sum / Count rounded to single precision. Multiplying by the
// reciprocal lands within three units of the last place of the quotient;
// only where a point halfway between two floats lies that close (the 29
// bits that the conversion drops are near 1000...0) could the two round
// differently, and there the quotient is computed exactly.
inline F4 MeanOf(const D4 &Sum, double Count, double Inverse)
{
  const D4 Approx = Sum * SplatD4(Inverse);
  F4 Mean = __builtin_convertvector(Approx, F4);
  const U4 Low = __builtin_convertvector(lanes::Load<U4L>(&Approx), U4);
  const U4 Off = (Low & 0x1FFFFFFFu) - (0x10000000u - 4u);
  const auto Near = Off < 9u;
  uint64_t Any[2];
  std::memcpy(Any, &Near, sizeof(Any));
  if (Any[0] | Any[1]) {
    for (int L = 0; L < 4; ++L)
      if (Near[L])
        Mean[L] = static_cast<float>(Sum[L] / Count);
  }
  return Mean;
}

// The column sums of the window around row Y0: every byte of the rows
// within the radius, clipped to the image. Integer sums are exact, so a
// stripe may start them anywhere.
std::vector<int32_t> FirstColumnSums(const TBlurJob &Job, int32_t Y0, size_t Padded)
{
  std::vector<int32_t> Sums(Padded, 0);
  const int32_t Q = Job.Radius;
  for (int32_t Y = std::max(0, Y0 - Q); Y <= std::min(Job.Height - 1, Y0 + Q); ++Y) {
    const uint8_t *Source = Job.Row(Y);
    for (size_t I = 0; I < Padded; ++I)
      Sums[I] += Source[I];
  }
  return Sums;
}

FACETTE_LANE_KERNEL
void BlurStripe(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &State,
                const TRowSink &Sink)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t Q = Job.Radius;
  const size_t Padded = static_cast<size_t>(Job.Chunks) * 4;

  if (State.Row < 0) {
    State.Sums = FirstColumnSums(Job, Y0, Padded);
    State.Row = Y0;
  }
  std::vector<int32_t> &Sums = State.Sums;

  // Value K of every lane is at K * Lanes.
  std::vector<double> Columns(Padded * Lanes, 0.0);
  std::vector<float> Means(Padded * Lanes, 0.0f);

  for (int32_t Y = Y0; Y < Y1; Y += Lanes) {
    const int32_t Rows = std::min(Lanes, Y1 - Y);
    // The sums describe this row's window; every later row slides it.
    const int32_t SumsRow = State.Row;

    for (int32_t Chunk = 0; Chunk < Job.Chunks; ++Chunk) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      I4 Sum = lanes::Load<I4>(&Sums[K]);
      F4 Out[Lanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > SumsRow) {
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
        lanes::Store(&Columns[(K + J) * Lanes], __builtin_convertvector(Lane[J], D4));
    }

    const double *C = Columns.data();
    D4 S0 = SplatD4(0.0), S1 = SplatD4(0.0), S2 = SplatD4(0.0);
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X) {
      const double *New = C + 3 * X * Lanes;
      S0 += lanes::Load<D4>(New);
      S1 += lanes::Load<D4>(New + Lanes);
      S2 += lanes::Load<D4>(New + 2 * Lanes);
    }
    for (int32_t X = 0; X < W; ++X) {
      if (X - Q > 0) {
        const double *Old = C + 3 * (X - Q - 1) * Lanes;
        S0 -= lanes::Load<D4>(Old);
        S1 -= lanes::Load<D4>(Old + Lanes);
        S2 -= lanes::Load<D4>(Old + 2 * Lanes);
      }
      if (X + Q < W) {
        const double *New = C + 3 * (X + Q) * Lanes;
        S0 += lanes::Load<D4>(New);
        S1 += lanes::Load<D4>(New + Lanes);
        S2 += lanes::Load<D4>(New + 2 * Lanes);
      }
      const double Count = Job.ColumnCount[X];
      const double Inverse = Job.ColumnInverse[X];
      float *Out = &Means[3 * X * Lanes];
      lanes::Store(Out, MeanOf(S0, Count, Inverse));
      lanes::Store(Out + Lanes, MeanOf(S1, Count, Inverse));
      lanes::Store(Out + 2 * Lanes, MeanOf(S2, Count, Inverse));
    }

    for (int32_t Chunk = 0; Chunk < Job.Chunks; ++Chunk) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      F4 Lane[4], Row[4];
      for (int J = 0; J < 4; ++J)
        Lane[J] = lanes::Load<F4>(&Means[(K + J) * Lanes]);
      Transpose4(Lane, Row);
      for (int32_t R = 0; R < Rows; ++R)
        StoreBytes(Sink.Row(Y + R) + K, RoundToBytes(Row[R]));
    }
    State.Row = Y + Rows - 1;
    Sink.Done(Y, Y + Rows);
  }
}

// One output byte computed the way the filter defines it: the column sums
// of the window's columns, each divided in single precision, summed in
// double precision (exactly, at these window sizes) and divided again.
uint8_t ExactValue(const TBlurJob &Job, int32_t X, int32_t Y, int32_t C)
{
  const int32_t Q = Job.Radius;
  const int32_t Top = std::max(0, Y - Q), Bottom = std::min(Job.Height - 1, Y + Q);
  const int32_t Left = std::max(0, X - Q), Right = std::min(Job.Width - 1, X + Q);
  const double Rows = Bottom - Top + 1;
  double Sum = 0;
  for (int32_t Column = Left; Column <= Right; ++Column) {
    int32_t S = 0;
    for (int32_t Row = Top; Row <= Bottom; ++Row)
      S += Job.Row(Row)[3 * Column + C];
    Sum += static_cast<float>(S / Rows);
  }
  return ByteRound(static_cast<float>(Sum / (Right - Left + 1)));
}

// The blur from exact integer window sums T over N samples. The filter's
// single-precision steps stay within 3.1e-5 of T / N, and the mean computed
// here (T times two rounded reciprocals) within 6.1e-5. Unless T / N is
// exactly k + 1/2 it lies at least 1 / (2 N) >= 1.67e-4 from there (N up to
// IntegerSamples), more than that error and TieMargin together: so the byte
// is T / N rounded, and only means found within the margin of k + 1/2 are
// computed step by step. With 2q + 1 rows and columns N is odd and such a
// tie cannot occur at all.
FACETTE_LANE_KERNEL
void BlurStripeInteger(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &State,
                       const TRowSink &Sink)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t Q = Job.Radius;
  const size_t Padded = static_cast<size_t>(Job.Chunks) * 4;

  if (State.Row < 0) {
    State.Sums = FirstColumnSums(Job, Y0, Padded);
    State.Row = Y0;
  }
  std::vector<int32_t> &Sums = State.Sums;
  // Value K of every lane is at K * IntegerLanes.
  std::vector<int32_t> Columns(Padded * IntegerLanes, 0);
  // The result bytes, eight rows per value; padded to whole blocks of
  // eight values.
  const size_t Blocks = (Padded + 7) / 8;
  std::vector<uint8_t> Out(Blocks * 8 * IntegerLanes, 0);
  const F8 Magic = SplatF8(8388608.0f);
  const F8 Edge = SplatF8(0.5f - TieMargin);

  for (int32_t Y = Y0; Y < Y1; Y += IntegerLanes) {
    const int32_t Rows = std::min(IntegerLanes, Y1 - Y);
    const int32_t SumsRow = State.Row;
    F8 RowInverse;
    for (int32_t R = 0; R < IntegerLanes; ++R)
      RowInverse[R] = Job.RowInverse[Y + std::min(R, Rows - 1)];

    // Sixteen values at a time while whole blocks fit the padded row, then
    // four at a time.
    int32_t Chunk = 0;
    for (; Chunk + 4 <= Job.Chunks; Chunk += 4) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      I4 Sum[4], Step[4];
      for (int J = 0; J < 4; ++J)
        Sum[J] = lanes::Load<I4>(&Sums[K + 4 * J]);
      I4 Column[4][IntegerLanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > SumsRow) {
          if (Row - Q > 0) {
            BytesToI4x4(Job.Row(Row - Q - 1) + K, Step);
            for (int J = 0; J < 4; ++J)
              Sum[J] -= Step[J];
          }
          if (Row + Q < H) {
            BytesToI4x4(Job.Row(Row + Q) + K, Step);
            for (int J = 0; J < 4; ++J)
              Sum[J] += Step[J];
          }
        }
        for (int J = 0; J < 4; ++J)
          Column[J][R] = Sum[J];
      }
      for (int J = 0; J < 4; ++J) {
        for (int32_t R = Rows; R < IntegerLanes; ++R)
          Column[J][R] = Column[J][Rows - 1];
        lanes::Store(&Sums[K + 4 * J], Sum[J]);
        Transpose8x4(Column[J], &Columns[(K + 4 * J) * IntegerLanes]);
      }
    }
    for (; Chunk < Job.Chunks; ++Chunk) {
      const size_t K = static_cast<size_t>(Chunk) * 4;
      I4 Sum = lanes::Load<I4>(&Sums[K]);
      I4 Column[IntegerLanes];
      for (int32_t R = 0; R < Rows; ++R) {
        const int32_t Row = Y + R;
        if (Row > SumsRow) {
          if (Row - Q > 0)
            Sum -= BytesToI4(Job.Row(Row - Q - 1) + K);
          if (Row + Q < H)
            Sum += BytesToI4(Job.Row(Row + Q) + K);
        }
        Column[R] = Sum;
      }
      for (int32_t R = Rows; R < IntegerLanes; ++R)
        Column[R] = Column[Rows - 1];
      lanes::Store(&Sums[K], Sum);
      Transpose8x4(Column, &Columns[K * IntegerLanes]);
    }

    // A window of 2q + 1 rows and 2q + 1 columns holds an odd number of
    // samples, whose exact mean is never k + 1/2: only windows cut by an
    // edge need the check.
    bool FullRows = true;
    for (int32_t R = 0; R < Rows; ++R)
      FullRows = FullRows && Job.RowCount[Y + R] == static_cast<float>(2 * Q + 1);
    const int32_t InnerBegin = std::min(Q, W);
    const int32_t InnerEnd = std::max(InnerBegin, W - Q);

    const int32_t *C = Columns.data();
    auto At = [C](int32_t K) { return lanes::Load<I8>(C + static_cast<size_t>(K) * IntegerLanes); };
    I8 S[3] = {SplatI8(0), SplatI8(0), SplatI8(0)};
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X)
      for (int Ch = 0; Ch < 3; ++Ch)
        S[Ch] += At(3 * X + Ch);
    for (int32_t X = 0; X < W; ++X) {
      for (int Ch = 0; Ch < 3; ++Ch) {
        if (X - Q > 0)
          S[Ch] -= At(3 * (X - Q - 1) + Ch);
        if (X + Q < W)
          S[Ch] += At(3 * (X + Q) + Ch);
      }
      const F8 Inverse = SplatF8(Job.ColumnInverseF[X]) * RowInverse;
      const bool Check = !FullRows || X < InnerBegin || X >= InnerEnd;
      for (int Ch = 0; Ch < 3; ++Ch) {
        const F8 Mean = __builtin_convertvector(S[Ch], F8) * Inverse;
        const F8 Rounded = (Mean + Magic) - Magic;
        I8 Bytes = __builtin_convertvector(Rounded, I8);
        if (Check) {
          const F8 Off = Mean - Rounded;
          const auto Near = (Off > Edge) | (Off < -Edge);
          uint64_t Any[4];
          std::memcpy(Any, &Near, sizeof(Any));
          if (Any[0] | Any[1] | Any[2] | Any[3]) {
            for (int32_t R = 0; R < Rows; ++R)
              if (Near[R])
                Bytes[R] = ExactValue(Job, X, Y + R, Ch);
          }
        }
        StoreLaneBytes(&Out[(3 * static_cast<size_t>(X) + Ch) * IntegerLanes], Bytes);
      }
    }

    uint8_t *Target[IntegerLanes];
    for (int32_t R = 0; R < Rows; ++R)
      Target[R] = Sink.Row(Y + R);
    for (size_t Block = 0; Block < Blocks; ++Block) {
      // The last block may reach past the padded row; it writes only what
      // the row holds.
      const size_t K = Block * 8;
      TransposeBytes8x8(&Out[K * IntegerLanes], Target, Rows,
                        static_cast<int32_t>(std::min<size_t>(8, Padded - K)));
      for (int32_t R = 0; R < Rows; ++R)
        Target[R] += 8;
    }
    State.Row = Y + Rows - 1;
    Sink.Done(Y, Y + Rows);
  }
}

// Small radii: the same exact integer means, row by row without moving
// data into lanes. The column sums of the current window (at most
// 255 * 15) and the window sums (at most 255 * 225) fit 16 bits; a window
// sum is 2q + 1 column sums side by side, read from a row padded with q
// empty pixels on either side so that the windows at the edges clip.
constexpr int32_t RowRadius = 7;

typedef uint16_t U16 __attribute__((vector_size(32)));
typedef uint16_t U8h __attribute__((vector_size(16)));

// Halves are joined in registers: going through memory would make the
// processor wait for two narrow stores before one wide load.
inline U16 WidenBytes(const uint8_t *P)
{
#ifdef __SSE2__
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(P));
  const U8h Lo = std::bit_cast<U8h>(_mm_unpacklo_epi8(Bytes, Zero));
  const U8h Hi = std::bit_cast<U8h>(_mm_unpackhi_epi8(Bytes, Zero));
  return __builtin_shufflevector(Lo, Hi, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
#else
  U16 R;
  for (int J = 0; J < 16; ++J)
    R[J] = P[J];
  return R;
#endif
}

// Eight 16-bit sums times their reciprocals, rounded to bytes.
inline I8 MeansOf(const uint16_t *T, const float *Inverse)
{
#ifdef __SSE2__
  const __m128i Sums = _mm_loadu_si128(reinterpret_cast<const __m128i *>(T));
  const __m128i Zero = _mm_setzero_si128();
  const I4 Lo = std::bit_cast<I4>(_mm_unpacklo_epi16(Sums, Zero));
  const I4 Hi = std::bit_cast<I4>(_mm_unpackhi_epi16(Sums, Zero));
  const I8 Wide = __builtin_shufflevector(Lo, Hi, 0, 1, 2, 3, 4, 5, 6, 7);
#else
  I8 Wide;
  for (int J = 0; J < 8; ++J)
    Wide[J] = T[J];
#endif
  const F8 Mean = __builtin_convertvector(Wide, F8) * lanes::Load<F8>(Inverse);
  const F8 Magic = SplatF8(8388608.0f);
  return __builtin_convertvector((Mean + Magic) - Magic, I8);
}

FACETTE_LANE_KERNEL
void BlurStripeRows(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &State,
                    const TRowSink &Sink)
{
  const int32_t W = Job.Width;
  const int32_t H = Job.Height;
  const int32_t Q = Job.Radius;
  const int32_t K = Job.Values;
  const int32_t Blocks = (K + 15) / 16;
  const int32_t Margin = 3 * Q;
  // Column sums with Margin empty values on either side, and the window
  // sums and reciprocals of one row, all padded to whole blocks.
  const bool Fresh = State.Row < 0;
  if (Fresh)
    State.Columns.assign(static_cast<size_t>(Margin) * 2 + Blocks * 16 + 16, 0);
  uint16_t *V = State.Columns.data() + Margin;
  std::vector<uint16_t> Sums(static_cast<size_t>(Blocks) * 16, 0);
  std::vector<float> Inverse(static_cast<size_t>(Blocks) * 16, 0.0f);
  int32_t InverseRows = -1; // the row count Inverse was made for

  // A row's bytes, sixteen at a time; the last block reads only what the
  // row holds.
  auto Widen = [&](int32_t Y, int32_t Block, U16 &Out) {
    const int32_t At = Block * 16;
    if (At + 16 <= K) {
      Out = WidenBytes(Job.Row(Y) + At);
    } else {
      uint8_t Tail[16] = {};
      std::memcpy(Tail, Job.Row(Y) + At, static_cast<size_t>(K - At));
      Out = WidenBytes(Tail);
    }
  };
  U16 Step;
  if (Fresh) {
    for (int32_t Y = std::max(0, Y0 - Q); Y <= std::min(H - 1, Y0 + Q); ++Y)
      for (int32_t Block = 0; Block < Blocks; ++Block) {
        Widen(Y, Block, Step);
        lanes::Store(V + Block * 16, lanes::Load<U16>(V + Block * 16) + Step);
      }
    State.Row = Y0;
  }

  // Columns whose window is cut by an edge; the rest have 2q + 1.
  const int32_t InnerBegin = 3 * std::min(Q, W);
  const int32_t InnerEnd = std::max(InnerBegin, 3 * (W - Q));
  const F8 Edge = SplatF8(0.5f - TieMargin);
  const F8 Magic = SplatF8(8388608.0f);

  for (int32_t Y = Y0; Y < Y1; ++Y) {
    if (Y > State.Row) {
      const bool Drop = Y - Q > 0, Take = Y + Q < H;
      for (int32_t Block = 0; Block < Blocks; ++Block) {
        U16 Column = lanes::Load<U16>(V + Block * 16);
        if (Drop) {
          Widen(Y - Q - 1, Block, Step);
          Column -= Step;
        }
        if (Take) {
          Widen(Y + Q, Block, Step);
          Column += Step;
        }
        lanes::Store(V + Block * 16, Column);
      }
      State.Row = Y;
    }
    const int32_t Rows = static_cast<int32_t>(Job.RowCount[Y]);
    if (Rows != InverseRows) {
      for (int32_t X = 0; X < W; ++X)
        for (int32_t C = 0; C < 3; ++C)
          Inverse[3 * X + C] = Job.ColumnInverseF[X] * Job.RowInverse[Y];
      InverseRows = Rows;
    }
    for (int32_t Block = 0; Block < Blocks; ++Block) {
      U16 Sum = lanes::Load<U16>(V + Block * 16 - Margin);
      for (int32_t J = -Q + 1; J <= Q; ++J)
        Sum += lanes::Load<U16>(V + Block * 16 + 3 * J);
      lanes::Store(&Sums[Block * 16], Sum);
    }
    // An odd row count and a full row of columns make an odd sample
    // count, which needs no check.
    const bool CheckRow = Rows % 2 == 0;
    uint8_t *Target = Sink.Row(Y);
    for (int32_t At = 0; At < K; At += 8) {
      const I8 Rounded = MeansOf(&Sums[At], &Inverse[At]);
      I8 Out = Rounded;
      if (CheckRow || At < InnerBegin || At + 8 > InnerEnd) {
        I8 Wide;
        for (int32_t J = 0; J < 8; ++J)
          Wide[J] = Sums[At + J];
        const F8 Mean = __builtin_convertvector(Wide, F8) * lanes::Load<F8>(&Inverse[At]);
        const F8 Off = Mean - ((Mean + Magic) - Magic);
        const auto Near = (Off > Edge) | (Off < -Edge);
        for (int32_t J = 0; J < 8 && At + J < K; ++J)
          if (Near[J])
            Out[J] = ExactValue(Job, (At + J) / 3, Y, (At + J) % 3);
      }
      if (At + 8 <= K) {
        StoreLaneBytes(Target + At, Out);
      } else {
        uint8_t Tail[8];
        StoreLaneBytes(Tail, Out);
        std::memcpy(Target + At, Tail, static_cast<size_t>(K - At));
      }
    }
    Sink.Done(Y, Y + 1);
  }
}

// The blur step by step, one column and one row at a time: for sums that
// could leave the range where the lane kernel is exact. It works out the
// whole image's columns at once, so it runs as one piece over all rows.
void BlurPlain(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &, const TRowSink &Sink)
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
  for (int32_t Y = Y0; Y < Y1; ++Y) {
    const float *T = &Temp[static_cast<size_t>(Y) * W * 3];
    double S[3] = {0, 0, 0};
    int64_t N = 0;
    for (int32_t X = 0; X <= std::min(Q - 1, W - 1); ++X, ++N)
      for (int C = 0; C < 3; ++C)
        S[C] += T[3 * X + C];
    uint8_t *Out = Sink.Row(Y);
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
    Sink.Done(Y, Y + 1);
  }
}

// Radius 0: every window is the pixel itself.
void BlurCopy(const TBlurJob &Job, int32_t Y0, int32_t Y1, TBlurState &, const TRowSink &Sink)
{
  for (int32_t Y = Y0; Y < Y1; ++Y) {
    std::memcpy(Sink.Row(Y), Job.Row(Y), static_cast<size_t>(Job.Values));
    Sink.Done(Y, Y + 1);
  }
}

// How one blur of a Width x Height image is made: the window counts and
// their reciprocals, and the kernel that is exact for the radius.
struct TBlurPlan
{
  TBlurJob Job;
  TBlurKernel Kernel = nullptr;
  // The kernel must see all rows in one call (and so one thread).
  bool Whole = false;
};

TBlurPlan PlanBlur(const uint8_t *Source, ptrdiff_t Stride, int32_t W, int32_t H, int32_t Radius)
{
  TBlurPlan Plan;
  TBlurJob &Job = Plan.Job;
  Job.Source = Source;
  Job.SourceStride = Stride;
  Job.Width = W;
  Job.Height = H;
  // A radius beyond the image gives the same windows as one reaching just
  // across it.
  Job.Radius = std::clamp(Radius, 0, std::max(W, H));
  Job.Values = 3 * W;
  Job.Chunks = (3 * W + 3) / 4;
  Job.RowCount.resize(static_cast<size_t>(H));
  Job.RowInverse.resize(static_cast<size_t>(H));
  for (int32_t Y = 0; Y < H; ++Y) {
    Job.RowCount[Y] = static_cast<float>(WindowCount(Y, H, Job.Radius));
    Job.RowInverse[Y] = 1.0f / Job.RowCount[Y];
  }
  Job.ColumnCount.resize(static_cast<size_t>(W));
  Job.ColumnInverse.resize(static_cast<size_t>(W));
  Job.ColumnInverseF.resize(static_cast<size_t>(W));
  for (int32_t X = 0; X < W; ++X) {
    Job.ColumnCount[X] = WindowCount(X, W, Job.Radius);
    Job.ColumnInverse[X] = 1.0 / Job.ColumnCount[X];
    Job.ColumnInverseF[X] = static_cast<float>(Job.ColumnInverse[X]);
  }
  // The lane kernel divides the column sums in single precision, which is
  // exact only while they stay below 2^24.
  const int64_t MaxRows = std::min<int64_t>(2 * static_cast<int64_t>(Job.Radius) + 1, H);
  const int64_t MaxColumns = std::min<int64_t>(2 * static_cast<int64_t>(Job.Radius) + 1, W);
  const bool Integer = MaxRows * MaxColumns <= IntegerSamples;
  if (Job.Radius == 0) {
    Plan.Kernel = BlurCopy;
  } else if (!Integer && 255 * MaxRows >= (int64_t{1} << 24)) {
    Plan.Kernel = BlurPlain;
    Plan.Whole = true;
  } else if (Integer) {
    Plan.Kernel = Job.Radius <= RowRadius ? BlurStripeRows : BlurStripeInteger;
  } else {
    Plan.Kernel = BlurStripe;
  }
  return Plan;
}

// Threads for whole-image work on W x H pixels.
int32_t BlurWorkers(int32_t W, int32_t H)
{
  if (static_cast<int64_t>(W) * H < ParallelPixels)
    return 1;
  return std::min(WorkerCount(), std::max(1, H / 16));
}

// Progress of a stripe's first worker as (done, total) of the whole job:
// Rows rows make Total steps; reported every sixteen rows and at the end.
std::function<void(int32_t)> StripeProgress(const TFrequencyRange::TProgress &Progress,
                                            int32_t Rows, int32_t Total)
{
  if (!Progress || Rows <= 0)
    return {};
  return [&Progress, Rows, Total, Last = -1](int32_t Done) mutable {
    if (Done != Rows && Last >= 0 && Done - Last < 16)
      return;
    Last = Done;
    Progress(static_cast<int32_t>(static_cast<int64_t>(Done) * Total / Rows), Total);
  };
}

// Out := Image + Add - Sub per byte, clamped to 0..255 (Out may be Add or
// Sub).
void CombineRow(const uint8_t *Image, const uint8_t *Add, const uint8_t *Sub, uint8_t *Out,
                int32_t Count)
{
  for (int32_t I = 0; I < Count; ++I) {
    const int32_t V = Image[I] + Add[I] - Sub[I];
    Out[I] = static_cast<uint8_t>(V < 0 ? 0 : (V > 255 ? 255 : V));
  }
}

// B, G and R of every pixel of From (24 or 32 bits) into the 24-bit To of
// the same size.
void CopyColours(const TZrPixels &From, TZrPixelBuffer &To)
{
  for (int32_t Y = 0; Y < To.Height; ++Y) {
    const uint8_t *In = From.Bits + static_cast<ptrdiff_t>(Y) * From.Stride;
    uint8_t *Out = To.Bits + static_cast<ptrdiff_t>(Y) * To.Stride;
    if (From.BytesPerPixel == 3) {
      std::memcpy(Out, In, static_cast<size_t>(To.Width) * 3);
    } else {
      for (int32_t X = 0; X < To.Width; ++X, In += From.BytesPerPixel, Out += 3) {
        Out[0] = In[0];
        Out[1] = In[1];
        Out[2] = In[2];
      }
    }
  }
}

// Rows a filter's worker blurs with both radii before it puts them
// together: few enough that they are still in the cache then.
constexpr int32_t FilterChunkRows = 64;

} // namespace

void TFrequencyRange::Prepare(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB,
                              const TProgress &Progress)
{
  TZrRect Rect = Pixels.GetBounds();
  if (Pixels.Bits == nullptr || Pixels.BytesPerPixel < 3 || Rect.IsEmpty())
    Rect = TZrRect{};
  // A buffer whose memory could not be had last time is tried again.
  const bool Missing = !Rect.IsEmpty() &&
                       (Source_.Bits == nullptr || LowA_.Bits == nullptr || LowB_.Bits == nullptr);
  if (Rect != Source_.GetBounds() || Source_.PixelFormat != pf24bit || Missing) {
    Width = Rect.Width();
    Height = Rect.Height();
    for (TZrPixelBuffer *Buffer : {&Source_, &LowA_, &LowB_}) {
      Buffer->Clear();
      Buffer->Allocate(pf24bit, Rect);
    }
    MarkDirty(2);
  }
  if (DirtyLevel > 1 && Source_.Bits != nullptr)
    CopyColours(Pixels, Source_);
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
  if (Dest.GetBounds() != Source_.GetBounds() || Dest.PixelFormat != pf24bit ||
      Dest.Bits == nullptr) {
    Dest.Clear();
    Dest.Allocate(pf24bit, Source_.GetBounds());
  }
  if (W > 0 && H > 0 && Source_.Bits != nullptr && Dest.Bits != nullptr) {
    const TBlurPlan Plan = PlanBlur(Source_.Bits, Source_.Stride, W, H, Radius);
    const int32_t Workers = Plan.Whole ? 1 : BlurWorkers(W, H);
    RunWorkers(Workers, [&](int32_t Index) {
      const int32_t Y0 = StripeBegin(H, Workers, Index);
      const int32_t Y1 = StripeBegin(H, Workers, Index + 1);
      if (Y1 <= Y0)
        return;
      TRowSink Sink;
      Sink.Base = Dest.Bits;
      Sink.Stride = Dest.Stride;
      if (Index == 0)
        if (auto Report = StripeProgress(Progress, Y1 - Y0, Total))
          Sink.Written = [Report, Y0](int32_t, int32_t To) mutable { Report(To - Y0); };
      TBlurState State;
      Plan.Kernel(Plan.Job, Y0, Y1, State, Sink);
    });
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

namespace {

TZrRect FilterBounds(const TZrPixels &Pixels)
{
  if (Pixels.Bits == nullptr || Pixels.BytesPerPixel < 3)
    return {};
  const TZrRect Rect = Pixels.GetBounds();
  return Rect.IsEmpty() ? TZrRect{} : Rect;
}

} // namespace

bool TFrequencyFilter::Current(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB) const
{
  const TZrRect Rect = FilterBounds(Pixels);
  return !IsDirty() && Rect == Filtered_.GetBounds() && (Rect.IsEmpty() || Filtered_.Bits) &&
         std::max(RadiusA, 0) == PreparedA && std::max(RadiusB, 0) == PreparedB;
}

bool TFrequencyFilter::Prepare(const TZrPixels &Pixels, int32_t RadiusA, int32_t RadiusB,
                               const TProgress &Progress)
{
  RadiusA = std::max(RadiusA, 0);
  RadiusB = std::max(RadiusB, 0);
  const TZrRect Rect = FilterBounds(Pixels);
  if (Rect != Filtered_.GetBounds() || Filtered_.PixelFormat != pf24bit ||
      (!Rect.IsEmpty() && Filtered_.Bits == nullptr)) {
    Filtered_.Clear();
    Filtered_.Allocate(pf24bit, Rect);
    MarkDirty(2);
  }
  if (!Rect.IsEmpty() && Filtered_.Bits == nullptr) {
    Filtered_.Clear();
    return false;
  }
  if (!IsDirty() && RadiusA == PreparedA && RadiusB == PreparedB)
    return true;

  const int32_t W = Rect.Width(), H = Rect.Height();
  if (Progress)
    Progress(0, H);
  if (W > 0 && H > 0) {
    // The kernels read whole groups of four bytes, up to three past a row's
    // last pixel: other images are taken through a copy.
    const size_t Padded = static_cast<size_t>((3 * W + 3) / 4) * 4;
    const uint8_t *Image = Pixels.Bits;
    ptrdiff_t ImageStride = Pixels.Stride;
    TZrPixelBuffer Copy;
    if (Pixels.BytesPerPixel != 3 || static_cast<size_t>(Pixels.Stride) < Padded) {
      if (!Copy.Allocate(pf24bit, Rect) || Copy.Bits == nullptr) {
        MarkDirty(2);
        return false;
      }
      CopyColours(Pixels, Copy);
      Image = Copy.Bits;
      ImageStride = Copy.Stride;
    }
    const TBlurPlan PlanA = PlanBlur(Image, ImageStride, W, H, RadiusA);
    const TBlurPlan PlanB = PlanBlur(Image, ImageStride, W, H, RadiusB);
    const bool Whole = PlanA.Whole || PlanB.Whole;
    const int32_t Workers = Whole ? 1 : BlurWorkers(W, H);
    RunWorkers(Workers, [&](int32_t Index) {
      const int32_t Y0 = StripeBegin(H, Workers, Index);
      const int32_t Y1 = StripeBegin(H, Workers, Index + 1);
      if (Y1 <= Y0)
        return;
      // The narrow blur goes straight into the result; the wide one into a
      // ring of eight rows, each row put together with the image and the
      // narrow blur as soon as it is done.
      TRowSink SinkA;
      SinkA.Base = Filtered_.Bits;
      SinkA.Stride = Filtered_.Stride;
      std::vector<uint8_t> Ring(8 * Padded);
      TRowSink SinkB;
      SinkB.Base = Ring.data();
      SinkB.Stride = static_cast<ptrdiff_t>(Padded);
      SinkB.Top = Y0;
      SinkB.Mask = 7;
      SinkB.Written = [&, Y0](int32_t From, int32_t To) {
        for (int32_t Y = From; Y < To; ++Y) {
          const uint8_t *Source = Image + Y * ImageStride;
          const uint8_t *Wide = Ring.data() + static_cast<ptrdiff_t>((Y - Y0) & 7) * Padded;
          uint8_t *Out = Filtered_.Bits + static_cast<ptrdiff_t>(Y) * Filtered_.Stride;
          if (RemoveBand)
            CombineRow(Source, Wide, Out, Out, 3 * W);
          else
            CombineRow(Source, Out, Wide, Out, 3 * W);
        }
      };
      auto Report = Index == 0 ? StripeProgress(Progress, Y1 - Y0, H) : nullptr;
      TBlurState StateA, StateB;
      const int32_t Chunk = Whole ? Y1 - Y0 : FilterChunkRows;
      for (int32_t C0 = Y0; C0 < Y1; C0 += Chunk) {
        const int32_t C1 = std::min(Y1, C0 + Chunk);
        PlanA.Kernel(PlanA.Job, C0, C1, StateA, SinkA);
        PlanB.Kernel(PlanB.Job, C0, C1, StateB, SinkB);
        if (Report)
          Report(C1 - Y0);
      }
    });
  }
  if (Progress)
    Progress(H, H);
  PreparedA = RadiusA;
  PreparedB = RadiusB;
  DirtyLevel = 0;
  return true;
}

bool TFrequencyFilter::Pixel(int32_t X, int32_t Y, uint8_t &B, uint8_t &G, uint8_t &R) const
{
  if (Filtered_.Bits == nullptr || !Filtered_.GetBounds().Contains(X, Y))
    return false;
  const uint8_t *P = Filtered_.PixelPtr(X, Y);
  B = P[0];
  G = P[1];
  R = P[2];
  return true;
}

} // namespace facette
