#include "ImageTestSupport.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrJPEGCoefficients.h"
#include "imaging/ZrLosslessJPEG.h"

#include <gtest/gtest.h>

#include <random>
#include <turbojpeg.h>

namespace facette {
namespace {

// A small photo with texture, so that every block codes something of its
// own, as a JPEG file of the given sampling.
std::vector<uint8_t> MakeJPEG(int32_t W, int32_t H, int32_t Sampling, bool Progressive = false)
{
  TZrLTBitmap Image;
  EXPECT_TRUE(Image.SetSize(W, H, pf24bit));
  const TZrPixels &P = *Image.GetPixels();
  test::FillSmooth(P);
  std::mt19937 Random(11);
  for (int32_t Y = 0; Y < H; ++Y)
    for (int32_t X = 0; X < W; ++X) {
      uint8_t *Px = P.PixelPtr(X, Y);
      const int Grain = static_cast<int>(Random() % 41) - 20;
      for (int C = 0; C < 3; ++C)
        Px[C] = static_cast<uint8_t>(std::clamp(Px[C] + Grain, 0, 255));
    }
  tjhandle Handle = tjInitCompress();
  unsigned char *Buffer = nullptr;
  unsigned long Size = 0;
  EXPECT_EQ(tjCompress2(Handle, P.Bits, W, P.Stride, H, TJPF_BGR, &Buffer, &Size, Sampling, 85,
                        Progressive ? TJFLAG_PROGRESSIVE : 0),
            0);
  std::vector<uint8_t> Bytes(Buffer, Buffer + Size);
  tjFree(Buffer);
  tjDestroy(Handle);
  return Bytes;
}

TZrJPEGCoefficients Coefficients(const std::vector<uint8_t> &Bytes)
{
  TZrJPEGCoefficients Result;
  std::string Error;
  EXPECT_TRUE(ReadJPEGCoefficients(Bytes.data(), Bytes.size(), Result, &Error)) << Error;
  return Result;
}

struct TOpened
{
  TZrLosslessJPEG J;
  TZrLTBitmap Image;
};

void Open(const std::vector<uint8_t> &Bytes, TOpened &O)
{
  ASSERT_TRUE(O.J.Load(std::vector<uint8_t>(Bytes)));
  ASSERT_TRUE(O.Image.SetSize(O.J.ImageWidth(), O.J.ImageHeight(), pf24bit));
  ASSERT_TRUE(O.J.Decode(*O.Image.GetPixels()));
}

// Paints a 3 x 3 white patch into the MCU at (McuX, McuY).
void PaintMcu(TOpened &O, int32_t McuX, int32_t McuY)
{
  const TZrPixels &P = *O.Image.GetPixels();
  for (int32_t Y = 2; Y < 5; ++Y)
    for (int32_t X = 2; X < 5; ++X)
      std::memset(P.PixelPtr(McuX * O.J.BlockWidth() + X, McuY * O.J.BlockHeight() + Y), 255, 3);
}

// The MCUs where the two files' blocks differ, as "x,y" pairs.
std::vector<std::pair<int32_t, int32_t>> DifferentMcus(const TZrJPEGCoefficients &A,
                                                       const TZrJPEGCoefficients &B)
{
  EXPECT_EQ(A.Width, B.Width);
  EXPECT_EQ(A.Height, B.Height);
  EXPECT_EQ(A.McuWidth, B.McuWidth);
  std::vector<std::pair<int32_t, int32_t>> Result;
  for (int32_t Y = 0; Y < A.McusDown(); ++Y)
    for (int32_t X = 0; X < A.McusAcross(); ++X)
      if (!A.SameMcu(B, X, Y))
        Result.emplace_back(X, Y);
  return Result;
}

using TMcus = std::vector<std::pair<int32_t, int32_t>>;

TEST(MinimalLossJPEG, OnlyThePaintedMcuIsCodedAnew)
{
  struct TCase
  {
    const char *Name;
    int32_t Sampling;
    bool Progressive;
  };
  const TCase Cases[] = {
      {"4:2:0", js420, false},
      {"4:4:4", js444, false},
      {"greyscale", jsGray, false},
      {"progressive 4:2:0", js420, true},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    // 70 x 52: partial MCUs at the right and bottom edges too.
    const std::vector<uint8_t> Bytes = MakeJPEG(70, 52, C.Sampling, C.Progressive);
    TOpened O;
    Open(Bytes, O);
    std::vector<uint8_t> Out;
    TZrJPEGWriteReport Report;
    ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
    EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::Transformed);

    PaintMcu(O, 1, 1);
    ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
    EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::MinimalLoss);
    EXPECT_EQ(Report.McusCoded, 1);
    EXPECT_EQ(Report.Mcus, int64_t{(70 + O.J.BlockWidth() - 1) / O.J.BlockWidth()} *
                               ((52 + O.J.BlockHeight() - 1) / O.J.BlockHeight()));
    const TZrJPEGCoefficients Before = Coefficients(Bytes), After = Coefficients(Out);
    EXPECT_EQ(DifferentMcus(Before, After), (TMcus{{1, 1}}));
    EXPECT_EQ(After.Progressive, C.Progressive);
    EXPECT_EQ(After.Tables, Before.Tables);

    // The patch is in the saved picture.
    TZrLTBitmap Saved;
    ASSERT_TRUE(DecodeJPEG(Out.data(), Out.size(), Saved));
    EXPECT_GT(Saved.GetPixels()->PixelPtr(O.J.BlockWidth() + 3, O.J.BlockHeight() + 3)[1], 200);
  }
}

TEST(MinimalLossJPEG, EdgeMcusAndSeveralBandsAreCodedInPlace)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(70, 52, js420);
  TOpened O;
  Open(Bytes, O);
  // Two runs of MCU rows, one of them at the partial bottom-right corner.
  PaintMcu(O, 0, 0);
  PaintMcu(O, 3, 0);
  {
    const TZrPixels &P = *O.Image.GetPixels();
    std::memset(P.PixelPtr(69, 51), 0, 3);
  }
  std::vector<uint8_t> Out;
  TZrJPEGWriteReport Report;
  ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
  EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::MinimalLoss);
  EXPECT_EQ(DifferentMcus(Coefficients(Bytes), Coefficients(Out)), (TMcus{{0, 0}, {3, 0}, {4, 3}}));
}

TEST(MinimalLossJPEG, TurnedFlippedOrCutTheKeptBlocksAreTheLosslessTransforms)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(64, 48, js420);
  const tjregion Cut{16, 16, 48, 32};
  struct TCase
  {
    const char *Name;
    char Op;
    int TJOp;
    const tjregion *Crop;
  };
  const TCase Cases[] = {
      {"turned right", 'R', TJXOP_ROT90, nullptr},
      {"turned left", 'L', TJXOP_ROT270, nullptr},
      {"flipped", 'H', TJXOP_HFLIP, nullptr},
      {"cut on the block grid", 'C', TJXOP_NONE, &Cut},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Name);
    TZrLosslessJPEG J;
    ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
    switch (C.Op) {
    case 'R':
      J.RotateRight();
      break;
    case 'L':
      J.RotateLeft();
      break;
    case 'H':
      J.FlipHorizontal();
      break;
    default:
      J.Crop(MakeRect(Cut.x, Cut.y, Cut.x + Cut.w, Cut.y + Cut.h));
    }
    TZrLTBitmap Image;
    ASSERT_TRUE(Image.SetSize(J.ImageWidth(), J.ImageHeight(), pf24bit));
    ASSERT_TRUE(J.Decode(*Image.GetPixels()));
    std::memset(Image.GetPixels()->PixelPtr(J.BlockWidth() + 1, 2), 255, 3);

    std::vector<uint8_t> Out;
    TZrJPEGWriteReport Report;
    ASSERT_TRUE(J.Save(Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
    EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::MinimalLoss);
    EXPECT_EQ(DifferentMcus(Coefficients(test::TurboTransformed(Bytes, C.TJOp, C.Crop)),
                            Coefficients(Out)),
              (TMcus{{1, 0}}));
  }
}

TEST(MinimalLossJPEG, RepeatedSavesKeepTheUntouchedBlocksOfTheFirstFile)
{
  const std::vector<uint8_t> First = MakeJPEG(48, 48, js420);
  std::vector<uint8_t> Bytes = First;
  for (int Round = 0; Round < 3; ++Round) {
    SCOPED_TRACE(Round);
    TOpened O;
    Open(Bytes, O);
    PaintMcu(O, 2, 1);
    std::vector<uint8_t> Out;
    ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions()));
    Bytes = std::move(Out);
    EXPECT_EQ(DifferentMcus(Coefficients(First), Coefficients(Bytes)), (TMcus{{2, 1}}));
  }
}

TEST(MinimalLossJPEG, SwitchedOffOrAtAnotherQualityEverythingIsCodedAnew)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(48, 32, js422);
  TOpened O;
  Open(Bytes, O);
  PaintMcu(O, 0, 0);

  std::vector<uint8_t> Out, Plain;
  TZrJPEGWriteReport Report;
  ASSERT_TRUE(
      O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions{.MinimalLoss = false}, &Report));
  EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::Reencoded);
  // What saving an edited JPEG gave before: the pixels compressed anew at
  // the file's estimated quality and sampling.
  ASSERT_TRUE(EncodeJPEG(*O.Image.GetPixels(), O.J.Quality(), O.J.Subsampling(), Plain));
  EXPECT_EQ(Out, Plain);

  ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions{.Quality = 50}, &Report));
  EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::Reencoded);
  EXPECT_EQ(EstimateJPEGQuality(Out.data(), Out.size()), 50);
  TZrJPEGHeader Header;
  ASSERT_TRUE(ReadJPEGHeader(Out.data(), Out.size(), Header));
  EXPECT_EQ(Header.Subsampling, js422);

  // Another size (a resize) cannot keep blocks either.
  O.J.PixelsReplaced();
  ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
  EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::Reencoded);
}

TEST(MinimalLossJPEG, ColourPaintedIntoAGreyscalePhotoIsKept)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(32, 32, jsGray);
  TOpened O;
  Open(Bytes, O);
  uint8_t *Px = O.Image.GetPixels()->PixelPtr(4, 4);
  Px[0] = 0;
  Px[1] = 0;
  Px[2] = 255;
  std::vector<uint8_t> Out;
  TZrJPEGWriteReport Report;
  ASSERT_TRUE(O.J.Save(O.Image.GetPixels(), Out, TZrJPEGWriteOptions(), &Report));
  EXPECT_EQ(Report.Mode, TZrJPEGWriteMode::Reencoded);
  TZrJPEGHeader Header;
  ASSERT_TRUE(ReadJPEGHeader(Out.data(), Out.size(), Header));
  EXPECT_NE(Header.Subsampling, jsGray);
}

} // namespace
} // namespace facette
