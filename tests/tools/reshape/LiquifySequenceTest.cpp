#include "tools/reshape/ZrLiquifySequence.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace facette {
namespace {

void FillRandom(TZrDisplacementField &Field, const TZrRect &Rect, std::mt19937 &Rng)
{
  std::uniform_real_distribution<float> Value(-30.0f, 30.0f);
  const TZrRect R = IntersectRect(Rect, Field.GetBounds());
  for (int32_t Y = R.Top; Y < R.Bottom; ++Y)
    for (int32_t X = R.Left; X < R.Right; ++X)
      Field.At(X, Y) = {Value(Rng), Value(Rng)};
}

::testing::AssertionResult SameField(const TZrDisplacementField &A, const TZrDisplacementField &B)
{
  if (A.GetBounds() != B.GetBounds())
    return ::testing::AssertionFailure() << "bounds differ";
  for (int32_t Y = A.Top; Y < A.Top + A.Height; ++Y)
    for (int32_t X = A.Left; X < A.Left + A.Width; ++X)
      if (!(A.At(X, Y) == B.At(X, Y)))
        return ::testing::AssertionFailure() << "(" << X << ", " << Y << ") differs";
  return ::testing::AssertionSuccess();
}

// The checkpoint against a plain copy of the whole field taken at the same
// moment: changes in rectangles across tile borders, at the field's edges
// and over one another, each announced with Keep, read back over the whole
// field and over pieces of it.
TEST(FieldCheckpoint, GivesTheFieldAsItWasWhereverItChanged)
{
  std::mt19937 Rng(1604);
  const TZrRect Whole = Bounds(3, -2, 150, 131); // not a multiple of the tile side
  TZrDisplacementField Live;
  Live.SetBounds(Whole);
  FillRandom(Live, Whole, Rng);
  TZrFieldCheckpoint Checkpoint;
  Checkpoint.Reset(Whole);

  const TZrRect Changes[][3] = {
      {MakeRect(60, 50, 70, 80), MakeRect(0, 0, 0, 0), MakeRect(0, 0, 0, 0)},
      {MakeRect(-40, -40, 10, 10), MakeRect(140, 100, 400, 400), MakeRect(66, 62, 67, 63)},
      {Whole, MakeRect(0, 0, 0, 0), MakeRect(0, 0, 0, 0)},
      {MakeRect(131, 61, 132, 129), MakeRect(131, 61, 150, 70), MakeRect(-500, 0, -400, 9)},
  };
  const TZrRect Reads[] = {Whole, MakeRect(60, 55, 140, 70), MakeRect(130, 125, 153, 129),
                           MakeRect(3, -2, 4, -1)};
  for (const auto &Step : Changes) {
    TZrDisplacementField Copy;
    Copy.SetBounds(Whole);
    Copy.CopyFrom(Live);
    for (const TZrRect &R : Step) {
      Checkpoint.Keep(Live, R);
      FillRandom(Live, R, Rng);
    }
    for (const TZrRect &R : Reads) {
      TZrDisplacementField Read, Expected;
      Read.SetBounds(R);
      Expected.SetBounds(R);
      Expected.CopyFrom(Copy);
      Checkpoint.Read(Live, Read);
      EXPECT_TRUE(SameField(Read, Expected)) << R.Left << ", " << R.Top;
    }
    // Recorded: from here on the live field is the checkpoint.
    Checkpoint.Forget();
    EXPECT_EQ(Checkpoint.KeptCount(), 0);
    TZrDisplacementField Read;
    Read.SetBounds(Whole);
    Checkpoint.Read(Live, Read);
    EXPECT_TRUE(SameField(Read, Live));
  }
}

// Only the tiles a stroke touches are kept, each once.
TEST(FieldCheckpoint, KeepsOnlyTouchedTilesOnce)
{
  TZrDisplacementField Live;
  Live.SetBounds(Bounds(0, 0, 1000, 700));
  TZrFieldCheckpoint Checkpoint;
  Checkpoint.Reset(Live.GetBounds());
  Checkpoint.Keep(Live, MakeRect(70, 70, 120, 120)); // inside one tile
  EXPECT_EQ(Checkpoint.KeptCount(), 1);
  Checkpoint.Keep(Live, MakeRect(110, 100, 126, 140)); // that tile and the one below
  EXPECT_EQ(Checkpoint.KeptCount(), 2);
  Checkpoint.Keep(Live, MakeRect(960, 690, 2000, 2000)); // the corner tile
  EXPECT_EQ(Checkpoint.KeptCount(), 3);
  Checkpoint.Keep(Live, MakeRect(1000, 0, 1100, 50)); // beside the field
  EXPECT_EQ(Checkpoint.KeptCount(), 3);
}

class LiquifySequenceTest : public testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(Image.Allocate(pf24bit, Bounds(0, 0, 80, 60)));
    for (int32_t Y = 0; Y < 60; ++Y)
      for (int32_t X = 0; X < 80; ++X) {
        uint8_t *P = Image.PixelPtr(X, Y);
        P[0] = static_cast<uint8_t>(X * 3);
        P[1] = static_cast<uint8_t>(Y * 4);
        P[2] = static_cast<uint8_t>((X ^ Y) * 5);
      }
    ASSERT_TRUE(Sequence.Start(Image));
  }
  // A full-strength stamp on the brush rectangle around Centre.
  TZrPixelMask StampAround(TZrPoint Centre, int32_t Size) const
  {
    TZrPixelMask Stamp;
    Stamp.SetBounds(Centre.X - Size / 2, Centre.Y - Size / 2, Size / 2 * 2 + 1, Size / 2 * 2 + 1);
    std::fill(Stamp.Bits.begin(), Stamp.Bits.end(), uint8_t{255});
    return Stamp;
  }

  TZrPixelBuffer Image;
  TZrLiquifySequence Sequence;
};

TEST_F(LiquifySequenceTest, WarpStampsReportWhatTheyChangedAndCanBeTakenBack)
{
  Sequence.Brush.Build(20, lbCos, leWarp);
  const TZrPoint Centre{40, 30};
  const TZrPixelMask Stamp = StampAround(Centre, 20);
  const TZrRect StampRect = Stamp.GetBounds();

  // The mouse did not move: nothing changes, nothing to report.
  EXPECT_TRUE(Sequence.Warp(Image, StampRect, Stamp, Centre, Centre).IsEmpty());
  EXPECT_EQ(Sequence.CheckpointTiles().KeptCount(), 0);

  // Dragged 3 pixels right: the centre takes the pixel 3 to its left. The
  // stamp's last column and row lie beyond the fall-off.
  EXPECT_EQ(Sequence.Warp(Image, StampRect, Stamp, TZrPoint{37, 30}, Centre),
            MakeRect(30, 20, 50, 40));
  EXPECT_EQ(Sequence.Field.Delta.At(40, 30), (TZrDisplacement{-3.0f, 0.0f}));
  EXPECT_EQ(Image.PixelPtr(40, 30)[0], 37 * 3);

  // The stroke cancelled: the field of its rectangle is as before it.
  Sequence.RevertToCheckpoint(StampRect);
  EXPECT_EQ(Sequence.Field.Delta.At(40, 30), (TZrDisplacement{}));

  // At the image's corner only the part inside is changed and reported.
  const TZrPixelMask Corner = StampAround(TZrPoint{2, 1}, 20);
  EXPECT_EQ(Sequence.Warp(Image, Corner.GetBounds(), Corner, TZrPoint{0, 0}, TZrPoint{2, 1}),
            MakeRect(0, 0, 12, 11));
  // A one-pixel brush has no strength: nothing to report.
  Sequence.Brush.Build(1, lbCos, leWarp);
  const TZrPixelMask Dot = StampAround(Centre, 1);
  EXPECT_TRUE(Sequence.Warp(Image, Dot.GetBounds(), Dot, TZrPoint{30, 30}, Centre).IsEmpty());
}

TEST_F(LiquifySequenceTest, BloatChangesTheSquareAroundTheStartOnlyWhenTheDistanceChanges)
{
  Sequence.Brush.Build(20, lbCos2, leBloat);
  const TZrPoint Start{40, 30};
  double Applied = 0.0;
  // At the start point: no distance, nothing applied.
  EXPECT_TRUE(Sequence.Bloat(Image, 20, StampAround(Start, 20), Start, Start, Applied).IsEmpty());
  EXPECT_EQ(Applied, 0.0);

  const TZrPoint Far{40, 80};
  EXPECT_EQ(Sequence.Bloat(Image, 20, StampAround(Far, 20), Start, Far, Applied),
            MakeRect(30, 20, 49, 39));
  EXPECT_EQ(Applied, 50.0);
  // Moving sideways at the same distance applies nothing more.
  const TZrPoint Beside{70, 70};
  EXPECT_TRUE(Sequence.Bloat(Image, 20, StampAround(Beside, 20), Start, Beside, Applied).IsEmpty());
  EXPECT_EQ(Applied, 50.0);
}

TEST_F(LiquifySequenceTest, CoversOnlyTheImageItStartedFrom)
{
  EXPECT_TRUE(Sequence.Covers(Image.GetBounds()));
  EXPECT_FALSE(Sequence.Covers(Bounds(0, 0, 60, 80)));
  Sequence.Clear();
  EXPECT_FALSE(Sequence.Covers(Image.GetBounds()));
}

} // namespace
} // namespace facette
