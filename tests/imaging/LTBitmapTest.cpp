#include "imaging/ZrLTBitmap.h"
#include "imaging/ZrResample.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

namespace facette {
namespace {

// Pixel (X, Y) of an image made by MakeImage: distinct in every channel, so
// any misplaced byte shows.
uint8_t Code(int32_t X, int32_t Y, int C)
{
  return static_cast<uint8_t>(X * 3 + Y * 101 + C * 37 + 1);
}

void MakeImage(TZrLTBitmap &B, int32_t Width, int32_t Height)
{
  ASSERT_TRUE(B.SetSize(Width, Height, pf24bit));
  for (int32_t Y = 0; Y < Height; ++Y)
    for (int32_t X = 0; X < Width; ++X)
      for (int C = 0; C < 3; ++C)
        B.GetPixels()->PixelPtr(X, Y)[C] = Code(X, Y, C);
}

// True when pixel (X, Y) of B holds the code of the old pixel (OldX, OldY).
bool Holds(const TZrLTBitmap &B, int32_t X, int32_t Y, int32_t OldX, int32_t OldY)
{
  const uint8_t *P = B.GetPixels()->PixelPtr(X, Y);
  return P[0] == Code(OldX, OldY, 0) && P[1] == Code(OldX, OldY, 1) && P[2] == Code(OldX, OldY, 2);
}

// The handle and the pixel window must describe the same memory.
void ExpectConsistent(const TZrLTBitmap &B)
{
  const TZrBitmapHandle &H = B.GetHandle();
  ASSERT_NE(B.GetPixels(), nullptr);
  EXPECT_EQ(H.Bits, B.GetPixels()->Bits);
  EXPECT_EQ(H.Stride, B.GetPixels()->Stride);
  EXPECT_EQ(B.GetPixels()->GetBounds(), MakeRect(0, 0, H.Width, H.Height));
  EXPECT_EQ(H.Stride, (24 * H.Width + 31) / 32 * 4);
  EXPECT_EQ(H.BitsPerPixel, 24);
}

TEST(LTBitmap, QuarterTurnsOfASmallImage)
{
  TZrLTBitmap B;
  MakeImage(B, 4, 2);
  ASSERT_TRUE(B.RotateLeft());
  EXPECT_EQ(B.GetWidth(), 2);
  EXPECT_EQ(B.GetHeight(), 4);
  EXPECT_TRUE(Holds(B, 0, 3, 0, 0)); // the old top-left is now bottom-left

  MakeImage(B, 4, 2);
  ASSERT_TRUE(B.RotateRight());
  EXPECT_EQ(B.GetWidth(), 2);
  EXPECT_EQ(B.GetHeight(), 4);
  EXPECT_TRUE(Holds(B, 1, 0, 0, 0)); // the old top-left is now top-right
}

// A turn into a second buffer's memory: the bitmap takes that memory, the
// buffer the old image; a buffer too small, or the bitmap's own memory, is
// refused without a change.
TEST(LTBitmap, TurningIntoAnotherBufferSwapsTheMemory)
{
  TZrLTBitmap B;
  MakeImage(B, 7, 3);
  TZrPixelBuffer Spare;
  ASSERT_TRUE(Spare.Allocate(pf24bit, MakeRect(0, 0, 7, 3)));
  uint8_t *const SpareMemory = Spare.Bits;
  uint8_t *const OldMemory = B.GetPixels()->Bits;
  ASSERT_TRUE(B.RotateUsing(Spare, true));
  ExpectConsistent(B);
  EXPECT_EQ(B.GetPixels()->Bits, SpareMemory);
  EXPECT_EQ(B.GetWidth(), 3);
  for (int32_t Y = 0; Y < 7; ++Y)
    for (int32_t X = 0; X < 3; ++X)
      ASSERT_TRUE(Holds(B, X, Y, Y, 2 - X));
  EXPECT_EQ(Spare.Bits, OldMemory);
  EXPECT_EQ(Spare.GetBounds(), MakeRect(0, 0, 7, 3));
  EXPECT_EQ(Spare.PixelPtr(4, 1)[2], Code(4, 1, 2));
  ASSERT_TRUE(B.RotateUsing(Spare, false));
  EXPECT_EQ(B.GetWidth(), 7);
  EXPECT_TRUE(Holds(B, 6, 2, 6, 2));

  TZrPixelBuffer Small;
  ASSERT_TRUE(Small.Allocate(pf24bit, MakeRect(0, 0, 1, 1)));
  TZrLTBitmap Large;
  MakeImage(Large, 2000, 3);
  EXPECT_FALSE(Large.RotateUsing(Small, true));
  EXPECT_EQ(Large.GetWidth(), 2000);
  EXPECT_TRUE(Holds(Large, 1999, 2, 1999, 2));
}

// Every pixel of every operation on sizes whose rows end in padding of each
// kind, and on one image large enough to be split into tiles and bands.
TEST(LTBitmap, FlipsAndTurnsMoveEveryPixel)
{
  struct Size
  {
    int32_t W, H;
  } Sizes[] = {{1, 1}, {1, 3}, {3, 1}, {5, 2}, {4, 2}, {3, 5}, {37, 70}, {1400, 1100}};
  for (const Size &S : Sizes) {
    const int32_t W = S.W, H = S.H;
    TZrLTBitmap B;

    MakeImage(B, W, H);
    ASSERT_TRUE(B.RotateLeft());
    ExpectConsistent(B);
    ASSERT_EQ(B.GetBounds(), MakeRect(0, 0, H, W));
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X)
        ASSERT_TRUE(Holds(B, Y, W - 1 - X, X, Y)) << W << "x" << H << " left " << X << "," << Y;

    MakeImage(B, W, H);
    ASSERT_TRUE(B.RotateRight());
    ExpectConsistent(B);
    ASSERT_EQ(B.GetBounds(), MakeRect(0, 0, H, W));
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X)
        ASSERT_TRUE(Holds(B, H - 1 - Y, X, X, Y)) << W << "x" << H << " right " << X << "," << Y;

    MakeImage(B, W, H);
    ASSERT_TRUE(B.FlipHorizontal());
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X)
        ASSERT_TRUE(Holds(B, X, Y, W - 1 - X, Y)) << W << "x" << H << " mirror " << X << "," << Y;

    MakeImage(B, W, H);
    ASSERT_TRUE(B.FlipVertical());
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X)
        ASSERT_TRUE(Holds(B, X, Y, X, H - 1 - Y)) << W << "x" << H << " flip " << X << "," << Y;
  }
}

TEST(LTBitmap, FlippingTwiceRestoresTheImageInPlace)
{
  TZrLTBitmap B;
  MakeImage(B, 9, 4);
  TZrLTPixels *Window = B.GetPixels();
  ASSERT_TRUE(B.FlipHorizontal());
  ASSERT_TRUE(B.FlipHorizontal());
  ASSERT_TRUE(B.FlipVertical());
  ASSERT_TRUE(B.FlipVertical());
  EXPECT_EQ(B.GetPixels(), Window);
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 9; ++X)
      EXPECT_TRUE(Holds(B, X, Y, X, Y));
}

TEST(LTBitmap, SizeChangesReplaceThePixelWindow)
{
  TZrLTBitmap B;
  MakeImage(B, 6, 4);
  using Operation = bool (*)(TZrLTBitmap &);
  const Operation Operations[] = {
      [](TZrLTBitmap &X) { return X.RotateLeft(); },
      [](TZrLTBitmap &X) { return X.RotateRight(); },
      [](TZrLTBitmap &X) { return X.Crop(MakeRect(1, 1, 3, 3)); },
      [](TZrLTBitmap &X) { return X.SetCanvasSize(5, 5); },
      [](TZrLTBitmap &X) { return X.Resample(7, 3); },
  };
  for (Operation Op : Operations) {
    const TZrLTPixels *Before = B.GetPixels();
    ASSERT_TRUE(Op(B));
    EXPECT_NE(B.GetPixels(), Before);
    ExpectConsistent(B);
  }
}

TEST(LTBitmap, CanvasSizeCropsOrAddsBlack)
{
  TZrLTBitmap B;
  MakeImage(B, 5, 3);
  ASSERT_TRUE(B.SetCanvasSize(7, 4));
  for (int32_t Y = 0; Y < 4; ++Y)
    for (int32_t X = 0; X < 7; ++X) {
      if (X < 5 && Y < 3) {
        EXPECT_TRUE(Holds(B, X, Y, X, Y));
      } else {
        const uint8_t *P = B.GetPixels()->PixelPtr(X, Y);
        EXPECT_EQ(P[0] | P[1] | P[2], 0) << X << "," << Y;
      }
    }
  ASSERT_TRUE(B.SetCanvasSize(2, 2));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 2, 2));
  EXPECT_TRUE(Holds(B, 1, 1, 1, 1));
  EXPECT_FALSE(B.SetCanvasSize(0, 5));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 2, 2));
}

TEST(LTBitmap, CropKeepsTheOverlapOnly)
{
  TZrLTBitmap B;
  MakeImage(B, 6, 5);
  EXPECT_FALSE(B.Crop(MakeRect(6, 0, 9, 5)));
  EXPECT_FALSE(B.Crop(MakeRect(2, 2, 2, 4)));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 6, 5));
  ASSERT_TRUE(B.Crop(MakeRect(3, -2, 10, 2)));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 3, 2));
  for (int32_t Y = 0; Y < 2; ++Y)
    for (int32_t X = 0; X < 3; ++X)
      EXPECT_TRUE(Holds(B, X, Y, X + 3, Y));
}

TEST(LTBitmap, ResampleUsesLanczosOrTheQuickDraft)
{
  TZrLTBitmap B;
  MakeImage(B, 30, 20);
  TZrPixelBuffer Original;
  ASSERT_TRUE(B.SaveTo(Original));

  for (const bool Draft : {false, true}) {
    ASSERT_TRUE(B.Assign(Original));
    QuickDraftResampling = Draft;
    const bool Done = B.Resample(13, 9);
    QuickDraftResampling = false;
    ASSERT_TRUE(Done);
    TZrPixelBuffer Expected;
    ASSERT_TRUE(Expected.Allocate(pf24bit, Bounds(0, 0, 13, 9)));
    const TZrRect All = Expected.GetBounds();
    if (Draft)
      ResamplePixels(Expected, All, All, TQuickDraftResampler(), Original.GetBounds(), Original);
    else
      ResamplePixels(Expected, All, All, TLanczosResampler(), Original.GetBounds(), Original);
    for (int32_t Y = 0; Y < 9; ++Y)
      EXPECT_EQ(0, std::memcmp(B.GetPixels()->PixelPtr(0, Y), Expected.PixelPtr(0, Y), 13 * 3))
          << Draft << " row " << Y;
  }
  EXPECT_FALSE(B.Resample(0, 4));
  EXPECT_FALSE(B.Resample(4, -1));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 13, 9));
}

TEST(LTBitmap, AssignSaveToAndCloneCopyThePixels)
{
  TZrPixelBuffer Buffer;
  // A positioned buffer: its pixels land at the bitmap's origin.
  ASSERT_TRUE(Buffer.Allocate(pf24bit, Bounds(40, 30, 3, 2)));
  for (int32_t Y = 0; Y < 2; ++Y)
    for (int32_t X = 0; X < 3; ++X)
      for (int C = 0; C < 3; ++C)
        Buffer.PixelPtr(40 + X, 30 + Y)[C] = Code(X, Y, C);
  TZrLTBitmap B;
  ASSERT_TRUE(B.Assign(Buffer));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 3, 2));
  EXPECT_TRUE(Holds(B, 2, 1, 2, 1));

  auto Copy = B.Clone();
  ASSERT_NE(Copy, nullptr);
  EXPECT_NE(Copy->GetPixels()->Bits, B.GetPixels()->Bits);
  EXPECT_TRUE(Holds(*Copy, 2, 1, 2, 1));
  Copy->GetPixels()->PixelPtr(0, 0)[0] = 0;
  EXPECT_TRUE(Holds(B, 0, 0, 0, 0));

  TZrPixelBuffer Saved;
  ASSERT_TRUE(B.SaveTo(Saved));
  EXPECT_EQ(Saved.GetBounds(), MakeRect(0, 0, 3, 2));
  EXPECT_EQ(Saved.PixelFormat, pf24bit);
  EXPECT_EQ(Saved.PixelPtr(1, 1)[2], Code(1, 1, 2));

  TZrLTBitmap Empty;
  auto EmptyCopy = Empty.Clone();
  ASSERT_NE(EmptyCopy, nullptr);
  EXPECT_EQ(EmptyCopy->GetPixels(), nullptr);
}

TEST(LTBitmap, OtherFormatsAreNotTurnedOrFlipped)
{
  TZrLTBitmap B;
  ASSERT_TRUE(B.SetSize(4, 2, pf32bit));
  EXPECT_EQ(B.GetHandle().BitsPerPixel, 32);
  EXPECT_EQ(B.GetHandle().Stride, 16);
  B.GetPixels()->PixelPtr(0, 0)[3] = 77;
  EXPECT_FALSE(B.RotateLeft());
  EXPECT_FALSE(B.RotateRight());
  EXPECT_FALSE(B.FlipHorizontal());
  EXPECT_FALSE(B.FlipVertical());
  EXPECT_FALSE(B.Resample(2, 1));
  EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 4, 2));
  EXPECT_EQ(B.GetPixels()->PixelPtr(0, 0)[3], 77);
  // Crop and canvas size do not care about the format.
  EXPECT_TRUE(B.Crop(MakeRect(0, 0, 1, 1)));
  EXPECT_EQ(B.GetPixels()->PixelPtr(0, 0)[3], 77);
}

TEST(LTBitmap, EmptyBitmapsRefuseEverything)
{
  TZrLTBitmap B;
  EXPECT_EQ(B.GetPixels(), nullptr);
  EXPECT_TRUE(B.SetSize(0, 5, pf24bit));
  EXPECT_EQ(B.GetPixels(), nullptr);
  EXPECT_EQ(B.GetHandle().Bits, nullptr);
  EXPECT_FALSE(B.Crop(MakeRect(0, 0, 1, 1)));
  EXPECT_FALSE(B.FlipHorizontal());
  EXPECT_FALSE(B.FlipVertical());
  EXPECT_FALSE(B.RotateLeft());
  EXPECT_FALSE(B.RotateRight());
  EXPECT_FALSE(B.Resample(3, 3));
  EXPECT_FALSE(B.SetCanvasSize(3, 3));
  EXPECT_FALSE(B.SetSize(3, 3, 0x1009)); // unknown format
  EXPECT_FALSE(B.SetSize(-1, 3, pf24bit));
  EXPECT_EQ(B.GetPixels(), nullptr);
}

// Sizes whose byte count overflows 32 or 64 bits, or that no machine has
// memory for, fail cleanly: SetSize leaves the bitmap empty, the other
// operations leave it as it was.
TEST(LTBitmap, ImpossibleSizesFailWithoutHarm)
{
  const int32_t Max = std::numeric_limits<int32_t>::max();
  struct Size
  {
    int32_t W, H;
  } Huge[] = {{Max, Max}, {Max / 3, 2}, {100000, 100000000}, {1 << 30, 1 << 30}};
  for (const Size &S : Huge) {
    TZrLTBitmap B;
    MakeImage(B, 4, 3);
    EXPECT_FALSE(B.SetCanvasSize(S.W, S.H));
    EXPECT_FALSE(B.Resample(S.W, S.H));
    EXPECT_EQ(B.GetBounds(), MakeRect(0, 0, 4, 3));
    EXPECT_TRUE(Holds(B, 3, 2, 3, 2));
    EXPECT_FALSE(B.SetSize(S.W, S.H, pf24bit));
    EXPECT_EQ(B.GetPixels(), nullptr);
    EXPECT_EQ(B.GetWidth(), 0);
  }
}

// A device context that records what it is asked to draw.
class TRecordingContext : public TZrDeviceContext
{
public:
  TZrBitmapHandle Handle;
  bool WholeSource = false;
  TZrRect Source, Dest, Clip;
  int Calls = 0;
  bool DrawBitmap(const TZrBitmapHandle &H, const TZrRect *SourceRect, const TZrRect &DestRect,
                  const TZrRect &DestClip) override
  {
    ++Calls;
    Handle = H;
    WholeSource = SourceRect == nullptr;
    if (SourceRect)
      Source = *SourceRect;
    Dest = DestRect;
    Clip = DestClip;
    return true;
  }
  bool PrintBitmap(const TZrBitmapHandle &H, const TZrRect &Rect) override
  {
    ++Calls;
    Handle = H;
    Dest = Rect;
    return true;
  }
};

TEST(LTBitmap, PaintAndPrintHandTheMemoryToTheDeviceContext)
{
  TZrLTBitmap B;
  MakeImage(B, 5, 3);
  TRecordingContext DC;
  const TZrRect Part = MakeRect(1, 1, 3, 2);
  ASSERT_TRUE(B.Paint(DC, MakeRect(0, 0, 50, 30), MakeRect(0, 0, 20, 30), &Part));
  EXPECT_EQ(DC.Handle.Bits, B.GetPixels()->Bits);
  EXPECT_EQ(DC.Handle.Width, 5);
  EXPECT_EQ(DC.Handle.Stride, 16);
  EXPECT_FALSE(DC.WholeSource);
  EXPECT_EQ(DC.Source, Part);
  EXPECT_EQ(DC.Clip, MakeRect(0, 0, 20, 30));
  ASSERT_TRUE(B.Paint(DC, MakeRect(0, 0, 5, 3), MakeRect(0, 0, 5, 3), nullptr));
  EXPECT_TRUE(DC.WholeSource);
  ASSERT_TRUE(B.Print(DC, MakeRect(100, 100, 600, 460)));
  EXPECT_EQ(DC.Dest, MakeRect(100, 100, 600, 460));

  TZrLTBitmap Empty;
  const int Calls = DC.Calls;
  EXPECT_FALSE(Empty.Paint(DC, MakeRect(0, 0, 5, 3), MakeRect(0, 0, 5, 3), nullptr));
  EXPECT_FALSE(Empty.Print(DC, MakeRect(0, 0, 5, 3)));
  EXPECT_EQ(DC.Calls, Calls);
}

} // namespace
} // namespace facette
