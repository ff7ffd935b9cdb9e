#include "ImageTestSupport.h"
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrLosslessJPEG.h"

#include <gtest/gtest.h>

#include <random>
#include <turbojpeg.h>

namespace facette {
namespace {

std::vector<uint8_t> MakeJPEG(int32_t W, int32_t H, int32_t Quality, int32_t Sampling)
{
  TZrLTBitmap Image;
  EXPECT_TRUE(Image.SetSize(W, H, pf24bit));
  test::FillSmooth(*Image.GetPixels());
  // Some detail, so that blocks differ.
  for (int32_t Y = 0; Y < H; Y += 3)
    Image.GetPixels()->PixelPtr((Y * 7) % W, Y)[1] = 255;
  std::vector<uint8_t> Bytes;
  EXPECT_TRUE(EncodeJPEG(*Image.GetPixels(), Quality, Sampling, Bytes));
  return Bytes;
}

bool Decoded(const std::vector<uint8_t> &Bytes, TZrLTBitmap &Image)
{
  return DecodeJPEG(Bytes.data(), Bytes.size(), Image);
}

void Apply(char Op, TZrLosslessJPEG &J, TZrLTBitmap &B, const TZrRect &Rect = {})
{
  switch (Op) {
  case 'L':
    J.RotateLeft();
    ASSERT_TRUE(B.RotateLeft());
    break;
  case 'R':
    J.RotateRight();
    ASSERT_TRUE(B.RotateRight());
    break;
  case 'H':
    J.FlipHorizontal();
    ASSERT_TRUE(B.FlipHorizontal());
    break;
  case 'V':
    J.FlipVertical();
    ASSERT_TRUE(B.FlipVertical());
    break;
  case 'C':
    J.Crop(Rect);
    ASSERT_TRUE(B.Crop(Rect));
    break;
  }
}

TEST(LosslessJPEG, RecordedOperationsGiveTheSamePixelsAsTheBitmap)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(48, 32, 90, js420);
  std::mt19937 Random(7);
  for (int Round = 0; Round < 40; ++Round) {
    TZrLosslessJPEG J;
    ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
    TZrLTBitmap B;
    ASSERT_TRUE(Decoded(Bytes, B));
    std::string Done;
    for (int Step = 0; Step < 6; ++Step) {
      const char Op = "LRHVC"[Random() % 5];
      TZrRect Rect;
      if (Op == 'C') {
        const int32_t W = B.GetWidth(), H = B.GetHeight();
        if (W < 2 || H < 2)
          continue;
        const int32_t L = static_cast<int32_t>(Random() % (W / 2));
        const int32_t T = static_cast<int32_t>(Random() % (H / 2));
        Rect = MakeRect(L, T, L + 1 + static_cast<int32_t>(Random() % (W - L)),
                        T + 1 + static_cast<int32_t>(Random() % (H - T)));
      }
      Apply(Op, J, B, Rect);
      Done += Op;
    }
    SCOPED_TRACE(Done);
    ASSERT_EQ(J.ImageWidth(), B.GetWidth());
    ASSERT_EQ(J.ImageHeight(), B.GetHeight());
    TZrLTBitmap Out;
    ASSERT_TRUE(Out.SetSize(J.ImageWidth(), J.ImageHeight(), pf24bit));
    ASSERT_TRUE(J.Decode(*Out.GetPixels()));
    EXPECT_TRUE(test::SamePixels(*Out.GetPixels(), *B.GetPixels()));
  }
}

TEST(LosslessJPEG, TurnsAndFlipsAreWrittenFromTheCoefficients)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(48, 32, 85, js420);
  struct TCase
  {
    const char *Ops;
    int TJOp;
  };
  const TCase Cases[] = {{"R", TJXOP_ROT90},       {"L", TJXOP_ROT270},  {"H", TJXOP_HFLIP},
                         {"V", TJXOP_VFLIP},       {"RR", TJXOP_ROT180}, {"RH", TJXOP_TRANSPOSE},
                         {"HR", TJXOP_TRANSVERSE}, {"RRRR", TJXOP_NONE}};
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Ops);
    TZrLosslessJPEG J;
    ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
    TZrLTBitmap B;
    ASSERT_TRUE(Decoded(Bytes, B));
    for (const char *Op = C.Ops; *Op; ++Op)
      Apply(*Op, J, B);
    // Handed the pixels the document shows (unedited), and handed none.
    for (const TZrPixels *Pixels :
         {static_cast<const TZrPixels *>(B.GetPixels()), static_cast<const TZrPixels *>(nullptr)}) {
      std::vector<uint8_t> Out;
      bool Lossless = false;
      ASSERT_TRUE(J.Save(Pixels, Out, &Lossless));
      EXPECT_TRUE(Lossless);
      TZrLTBitmap Saved, Expected;
      ASSERT_TRUE(Decoded(Out, Saved));
      ASSERT_TRUE(Decoded(test::TurboTransformed(Bytes, C.TJOp), Expected));
      EXPECT_TRUE(test::SamePixels(*Saved.GetPixels(), *Expected.GetPixels()));
    }
  }
  // Four quarter turns give back exactly the pixels of the original.
  TZrLosslessJPEG J;
  ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
  for (int I = 0; I < 4; ++I)
    J.RotateRight();
  std::vector<uint8_t> Out;
  ASSERT_TRUE(J.Save(nullptr, Out));
  TZrLTBitmap A, B;
  ASSERT_TRUE(Decoded(Out, A));
  ASSERT_TRUE(Decoded(Bytes, B));
  EXPECT_TRUE(test::SamePixels(*A.GetPixels(), *B.GetPixels()));
}

TEST(LosslessJPEG, CropsOnTheBlockGridAreLosslessOthersAreExact)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(64, 48, 88, js420);
  struct TCase
  {
    const char *Ops;
    TZrRect Rect;
    bool Lossless;
    tjregion Region;
    int TJOp;
  };
  const TCase Cases[] = {
      {"C", MakeRect(16, 16, 50, 40), true, {16, 16, 34, 24}, TJXOP_NONE},
      {"C", MakeRect(3, 5, 40, 30), false, {}, TJXOP_NONE},
      // After a flip the crop's left edge is the original's right edge 64-16.
      {"HC", MakeRect(16, 0, 64, 48), true, {16, 0, 48, 48}, TJXOP_HFLIP},
      {"RC", MakeRect(0, 32, 48, 64), true, {0, 32, 48, 32}, TJXOP_ROT90},
  };
  for (const TCase &C : Cases) {
    SCOPED_TRACE(C.Ops);
    TZrLosslessJPEG J;
    ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
    TZrLTBitmap B;
    ASSERT_TRUE(Decoded(Bytes, B));
    for (const char *Op = C.Ops; *Op; ++Op)
      Apply(*Op, J, B, C.Rect);
    EXPECT_EQ(J.TransformIsLossless(), C.Lossless);
    std::vector<uint8_t> Out;
    bool Lossless = !C.Lossless;
    ASSERT_TRUE(J.Save(B.GetPixels(), Out, &Lossless));
    EXPECT_EQ(Lossless, C.Lossless);
    TZrLTBitmap Saved;
    ASSERT_TRUE(Decoded(Out, Saved));
    EXPECT_EQ(Saved.GetWidth(), B.GetWidth());
    EXPECT_EQ(Saved.GetHeight(), B.GetHeight());
    if (C.Lossless) {
      TZrLTBitmap Expected;
      ASSERT_TRUE(Decoded(test::TurboTransformed(Bytes, C.TJOp, &C.Region), Expected));
      EXPECT_TRUE(test::SamePixels(*Saved.GetPixels(), *Expected.GetPixels()));
    } else {
      EXPECT_EQ(EstimateJPEGQuality(Out.data(), Out.size()), 88);
    }
  }
}

TEST(LosslessJPEG, EditedOrReplacedPixelsAreCompressedWithTheOriginalsSettings)
{
  const std::vector<uint8_t> Bytes = MakeJPEG(32, 32, 77, js422);
  TZrLosslessJPEG J;
  ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
  EXPECT_EQ(J.Quality(), 77);
  EXPECT_EQ(J.Subsampling(), js422);
  EXPECT_EQ(J.BlockWidth(), 16);
  EXPECT_EQ(J.BlockHeight(), 8);
  TZrLTBitmap B;
  ASSERT_TRUE(Decoded(Bytes, B));
  J.RotateRight();
  ASSERT_TRUE(B.RotateRight());
  EXPECT_EQ(J.BlockWidth(), 8); // the block turns with the image
  EXPECT_EQ(J.BlockHeight(), 16);

  B.GetPixels()->PixelPtr(5, 5)[0] ^= 1; // one painted pixel
  std::vector<uint8_t> Out;
  bool Lossless = true;
  ASSERT_TRUE(J.Save(B.GetPixels(), Out, &Lossless));
  EXPECT_FALSE(Lossless);
  TZrJPEGHeader Header;
  ASSERT_TRUE(ReadJPEGHeader(Out.data(), Out.size(), Header));
  EXPECT_EQ(Header.Subsampling, js422);
  EXPECT_EQ(EstimateJPEGQuality(Out.data(), Out.size()), 77);

  B.GetPixels()->PixelPtr(5, 5)[0] ^= 1;
  J.PixelsReplaced();
  ASSERT_TRUE(J.Save(B.GetPixels(), Out, &Lossless));
  EXPECT_FALSE(Lossless);
}

TEST(LosslessJPEG, PartialEdgeBlocksThatWouldMoveForceCompression)
{
  // 50 is no multiple of 16: mirroring would need the partial right
  // column at the left, which cannot be written without recompression.
  const std::vector<uint8_t> Bytes = MakeJPEG(50, 32, 90, js420);
  TZrLosslessJPEG J;
  ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
  EXPECT_TRUE(J.TransformIsLossless());
  J.RotateLeft(); // the right edge becomes the top
  EXPECT_FALSE(J.TransformIsLossless());
  J.RotateRight();
  J.FlipVertical(); // the bottom edge (32) is whole
  EXPECT_TRUE(J.TransformIsLossless());
  J.FlipHorizontal();
  EXPECT_FALSE(J.TransformIsLossless());
  // Cutting the partial column off makes it possible again.
  J.Crop(MakeRect(2, 0, 50, 32));
  EXPECT_TRUE(J.TransformIsLossless());
  std::vector<uint8_t> Out;
  bool Lossless = false;
  ASSERT_TRUE(J.Save(nullptr, Out, &Lossless));
  EXPECT_TRUE(Lossless);
}

// A file found by fuzzing: it decodes cleanly, but its DC values add up far
// beyond the range of 8-bit samples. Turned block by block, the blocks get
// neighbours whose difference no encoder can code; the save must go through
// the pixels and give a file that reads back.
TEST(LosslessJPEG, BlocksBeyondTheCodableRangeAreSavedThroughThePixels)
{
  const std::vector<uint8_t> Bytes = test::FileBytes(test::OddFile("jpeg-dc-beyond-range.jpg"));
  TZrLosslessJPEG J;
  ASSERT_TRUE(J.Load(std::vector<uint8_t>(Bytes)));
  TZrLTBitmap B;
  ASSERT_TRUE(Decoded(Bytes, B));
  Apply('R', J, B);
  std::vector<uint8_t> Out;
  bool Lossless = true;
  ASSERT_TRUE(J.Save(B.GetPixels(), Out, &Lossless));
  EXPECT_FALSE(Lossless);
  TZrLTBitmap Saved;
  ASSERT_TRUE(Decoded(Out, Saved));
  EXPECT_EQ(Saved.GetWidth(), B.GetWidth());
  EXPECT_EQ(Saved.GetHeight(), B.GetHeight());
}

TEST(LosslessJPEG, RefusesWhatItCannotHold)
{
  TZrLosslessJPEG J;
  EXPECT_FALSE(J.Load({}));
  EXPECT_FALSE(J.Load({0xFF, 0xD8, 0xFF, 0xD9}));
  EXPECT_FALSE(J.HasImage());
  std::vector<uint8_t> Out;
  EXPECT_FALSE(J.Save(nullptr, Out));
  // A crop reaching outside (a larger canvas) means the original is gone.
  ASSERT_TRUE(J.Load(MakeJPEG(16, 16, 90, js420)));
  J.Crop(MakeRect(0, 0, 20, 16));
  EXPECT_TRUE(J.IsReplaced());
  EXPECT_FALSE(J.Save(nullptr, Out)); // and there are no pixels to write
}

} // namespace
} // namespace facette
