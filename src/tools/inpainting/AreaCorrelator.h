// The patch engine of the blemish remover. A TAreaCorrelator holds one
// defect: a square of the image with a per-pixel defect mask. It splits the
// defect pixels into a reference ring (those touching good skin) and an
// interior, picks the rotation or mirroring of a source square that
// correlates best with the ring, and refills the interior from the source
// square, optionally with a smooth colour correction fitted on the ring.
//
// It reads only Source (the image as committed) and writes only Dest (the
// working image), both 24-bit; ring pixels are never written.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <vector>

namespace facette {

// ByteRound without the library call: clamp to 0..255, round half to even,
// NaN gives 0. Adding and taking away 2^52 leaves no fraction bits, so the
// sum is rounded in the current rounding mode exactly as std::nearbyint
// rounds; the fill does this three times a pixel.
inline uint8_t RoundToByte(double X)
{
  if (!(X > 0.0))
    return 0;
  if (X >= 255.0)
    return 255;
  constexpr double TwoPow52 = 4503599627370496.0;
  return static_cast<uint8_t>((X + TwoPow52) - TwoPow52);
}

// Pearson correlation of pairs (a, b).
class TCorrelator
{
public:
  void Reset();
  void Add(double A, double B);
  int64_t Count() const { return static_cast<int64_t>(N); }
  // 0 when either side has no spread (the square root is at most 1e-10).
  double Coefficient() const;

  // The coefficient from the count and the sums of a, b, ab, a^2 and b^2.
  static double CoefficientOf(double N, double SumA, double SumB, double SumAB, double SumAA,
                              double SumBB);

private:
  double N = 0, SumA = 0, SumB = 0, SumAB = 0, SumAA = 0, SumBB = 0;
};

// The eight transforms of a source square, in the order of the tool's
// reflection buttons: north, north mirrored, east, east mirrored, south,
// south mirrored, west, west mirrored.
constexpr int32_t ReflectionCount = 8;

// Position, relative to a Width x Height square, that transform T takes the
// square's relative position (A, B) to. Transform 0 is the identity.
inline TZrPoint ReflectPlace(int32_t T, int32_t A, int32_t B, int32_t Width, int32_t Height)
{
  switch (T) {
  case 1:
    return {Width - 1 - A, B};
  case 2:
    return {B, Width - 1 - A};
  case 3:
    return {B, A};
  case 4:
    return {Width - 1 - A, Height - 1 - B};
  case 5:
    return {A, Height - 1 - B};
  case 6:
    return {Height - 1 - B, Width - 1 - A};
  case 7:
    return {Height - 1 - B, A};
  default:
    return {A, B};
  }
}

struct TBorderEntry
{
  int32_t A = 0, B = 0; // position relative to the square
  bool Excluded = false;
  int32_t InteriorWeight = 0;
  int32_t RingWeight = 0;
};

// A list of defect pixels of one square, in the order they were added, each
// with its eight transformed places and its blending weights.
class TBorderArea8
{
public:
  TBorderArea8(const TZrPoint &Origin, int32_t Width, int32_t Height);

  int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
  const TZrPoint &Origin() const { return Origin_; }
  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  const TBorderEntry &Entry(int32_t I) const { return Entries[I]; }

  // Place T of entry I, relative to the square and in image coordinates;
  // place 0 is the entry's own position.
  TZrPoint Place(int32_t I, int32_t T) const
  {
    return ReflectPlace(T, Entries[I].A, Entries[I].B, Width_, Height_);
  }
  TZrPoint AbsolutePlace(int32_t I, int32_t T) const
  {
    const TZrPoint P = Place(I, T);
    return {P.X + Origin_.X, P.Y + Origin_.Y};
  }

  void Clear();
  // Appends the pixel at relative (A, B); returns its index.
  int32_t Add(int32_t A, int32_t B);
  // First entry whose own position is (X, Y) in image coordinates, else -1.
  int32_t IndexOf(int32_t X, int32_t Y) const;
  bool Contains(int32_t X, int32_t Y) const { return IndexOf(X, Y) >= 0; }
  bool HasRingContact(int32_t I) const { return Entries[I].RingWeight > 0; }
  void SetExcluded(int32_t I, bool Value) { Entries[I].Excluded = Value; }
  // Removes the excluded entries, keeping the order of the others.
  void Compact();
  // Blending weights of these (interior) entries against Ring: a side
  // neighbour counts 2, a corner 1. RingWeight sums the neighbours in Ring;
  // then, for entries with ring contact, InteriorWeight sums the neighbours
  // among these entries that have none.
  void ComputeWeights(const TBorderArea8 &Ring);

private:
  void Index(int32_t I);

  TZrPoint Origin_;
  int32_t Width_, Height_;
  std::vector<TBorderEntry> Entries;
  // First entry at each position of the square (row-major), -1 for none:
  // looking a position up must not cost a pass over the list, which would
  // make classifying and weighting quadratic in the defect's size.
  std::vector<int32_t> Positions;
  int32_t Outside = 0; // entries added outside the square, found by a scan
};

// Fill types.
constexpr int32_t FillCopy = 0;       // copy the source pixels
constexpr int32_t FillBrightness = 1; // plus one correction for all channels
constexpr int32_t FillPerChannel = 2; // plus a correction per channel

class TAreaCorrelator
{
public:
  // Source and Dest must be 24-bit and outlive the correlator; they are not
  // owned. Rect is the defect square; Radius2 the squared neighbourhood
  // radius that decides which defect pixels touch good skin (2: the eight
  // neighbours). Throws std::invalid_argument for another pixel format.
  TAreaCorrelator(const TZrRect &Rect, const TZrPixels &Source, TZrPixels &Dest, int32_t Radius2);
  TAreaCorrelator(const TAreaCorrelator &) = delete;
  TAreaCorrelator &operator=(const TAreaCorrelator &) = delete;

  const TZrRect &Rect() const { return Rect_; }
  TZrPoint Origin() const { return {Rect_.Left, Rect_.Top}; }
  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  int32_t Radius2() const { return Radius2_; }
  // The source's bounds: pixels outside are neither read nor written.
  const TZrRect &ImageBounds() const { return ImageBounds_; }
  const TBorderArea8 &Ring() const { return Ring_; }
  const TBorderArea8 &Interior() const { return Interior_; }

  // Marks (X, Y), in image coordinates, as defect or not; ignored outside
  // the square.
  void SetMask(int32_t X, int32_t Y, bool Value);
  bool Mask(int32_t X, int32_t Y) const;

  // Splits the defect pixels into ring and interior (column by column).
  void Classify();
  // Drops from the ring the pixels of its smaller colour cluster when that
  // cluster holds at most Fraction of the ring: a hair or scratch crossing
  // the brush's edge is not reference skin.
  void PruneRing(double Fraction);
  // Blending weights of the interior against the ring (anti-aliasing).
  void ComputeWeights();
  // The transform 0..7 under which the source square at SourceRect's
  // top-left correlates best with the ring; ties keep the lower index.
  int32_t BestReflection(const TZrRect &SourceRect) const;
  // Fills the interior from the source square at SourceTopLeft under
  // transform T with one of the fill types; Level is the degree of the
  // colour correction. Pixels whose source or own position lies outside the
  // image are skipped. False, with nothing written, for an unknown type,
  // transform or level.
  bool Fill(const TZrPoint &SourceTopLeft, int32_t T, bool AntiAliasing, int32_t Type,
            int32_t Level);

private:
  // Own minus source colour (B, G, R) of ring entry I under transform T;
  // 0 where either pixel lies outside the image.
  void RingDifference(int32_t I, int32_t SX, int32_t SY, int32_t T, int32_t *D) const;
  bool InSquare(int32_t A, int32_t B) const
  {
    return A >= 0 && A < Width_ && B >= 0 && B < Height_;
  }

  TZrRect Rect_;
  int32_t Width_, Height_;
  int32_t Radius2_;
  TZrRect ImageBounds_;
  const TZrPixels *Source;
  TZrPixels *Dest;
  std::vector<uint8_t> Mask_; // row-major, 1 = defect
  TBorderArea8 Ring_;
  TBorderArea8 Interior_;
  // The interior row by row. The list runs column by column, and on a wide
  // image every row lies on its own memory page: filling in list order
  // would cost a page lookup for nearly every pixel read or written.
  std::vector<int32_t> RowOrder;
};

} // namespace facette
