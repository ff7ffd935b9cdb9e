#include "imaging/ZrImageCodecs.h"
#include "scanner/ZrSaneScanner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace facette {
namespace {

// Blue, green, red of pixel (X, Y).
std::vector<int> Pixel(const TZrPixelBuffer &Image, int32_t X, int32_t Y)
{
  const uint8_t *P = Image.PixelPtr(X, Y);
  return {P[0], P[1], P[2]};
}

TZrScanFrame Frame(int32_t Format, int32_t Depth, int32_t Pixels, int32_t BytesPerLine,
                   std::vector<uint8_t> Data)
{
  return TZrScanFrame{Format, Depth, BytesPerLine, Pixels, std::move(Data)};
}

TEST(ScanFrames, EveryFrameKindBecomesBlueGreenRed)
{
  const uint16_t Hi = 0xAB12; // 16-bit samples keep their high byte
  std::vector<uint8_t> Rgb16(12);
  const uint16_t Samples16[6] = {Hi, 0x0100, 0xFFFF, 0, 0x8000, 0x7FFF};
  std::memcpy(Rgb16.data(), Samples16, 12);

  struct Case
  {
    const char *Name;
    std::vector<TZrScanFrame> Frames;
    int32_t Width, Height;
    std::vector<int> First, Last; // B, G, R of the first and the last pixel
  };
  const Case Cases[] = {
      {"grey 8-bit", {Frame(sfGray, 8, 2, 2, {10, 200, 30, 40})}, 2, 2, {10, 10, 10}, {40, 40, 40}},
      {"colour 8-bit, padded lines",
       {Frame(sfRGB, 8, 1, 4, {1, 2, 3, 0, 4, 5, 6, 0})},
       1,
       2,
       {3, 2, 1},
       {6, 5, 4}},
      {"line art: a set bit is black",
       {Frame(sfGray, 1, 10, 2, {0x80, 0x40})},
       10,
       1,
       {0, 0, 0},
       {0, 0, 0}},
      {"colour 16-bit",
       {Frame(sfRGB, 16, 2, 12, Rgb16)},
       2,
       1,
       {0xFF, 0x01, 0xAB},
       {0x7F, 0x80, 0}},
      {"three passes in any order",
       {Frame(sfBlue, 8, 2, 2, {30, 31}), Frame(sfRed, 8, 2, 2, {10, 11}),
        Frame(sfGreen, 8, 2, 2, {20, 21})},
       2,
       1,
       {30, 20, 10},
       {31, 21, 11}},
      {"a cut-off last line is dropped",
       {Frame(sfGray, 8, 2, 2, {1, 2, 3})},
       2,
       1,
       {1, 1, 1},
       {2, 2, 2}},
  };
  for (const Case &C : Cases) {
    TZrPixelBuffer Image;
    ASSERT_TRUE(ScanFramesToImage(C.Frames, Image)) << C.Name;
    EXPECT_EQ(Image.PixelFormat, pf24bit) << C.Name;
    EXPECT_EQ(Image.GetBounds(), MakeRect(0, 0, C.Width, C.Height)) << C.Name;
    EXPECT_EQ(Pixel(Image, 0, 0), C.First) << C.Name;
    EXPECT_EQ(Pixel(Image, C.Width - 1, C.Height - 1), C.Last) << C.Name;
  }
  // Line art: the second pixel (bit clear) is white, the tenth (set) black.
  TZrPixelBuffer Art;
  ASSERT_TRUE(ScanFramesToImage({Frame(sfGray, 1, 10, 2, {0x80, 0x40})}, Art));
  EXPECT_EQ(Pixel(Art, 1, 0), (std::vector<int>{255, 255, 255}));
}

TEST(ScanFrames, RefusesFramesThatMakeNoImage)
{
  const std::vector<std::vector<TZrScanFrame>> Cases = {
      {},
      {Frame(sfRed, 8, 2, 2, {1, 2})}, // one pass of three
      {Frame(sfRed, 8, 2, 2, {1, 2}), Frame(sfRed, 8, 2, 2, {1, 2}),
       Frame(sfBlue, 8, 2, 2, {1, 2})},            // a colour twice
      {Frame(sfRGB, 8, 4, 6, {1, 2, 3, 4, 5, 6})}, // line too short
      {Frame(sfGray, 8, 2, 2, {1})},               // no whole line
      {Frame(sfGray, 12, 2, 4, {1, 2, 3, 4})},     // unknown depth
      {Frame(sfRGB, 1, 2, 1, {0xFF})},             // colour line art
      {Frame(sfGray, 8, 0, 2, {1, 2})},            // no pixels
  };
  for (size_t I = 0; I < Cases.size(); ++I) {
    TZrPixelBuffer Image;
    EXPECT_FALSE(ScanFramesToImage(Cases[I], Image)) << "case " << I;
    EXPECT_EQ(Image.Bits, nullptr) << "case " << I;
  }
}

TEST(ScanFrames, TheBmpFileRecordsTheScanResolution)
{
  TZrPixelBuffer Image;
  ASSERT_TRUE(ScanFramesToImage({Frame(sfGray, 8, 3, 3, {1, 2, 3, 4, 5, 6})}, Image));
  std::vector<uint8_t> Bytes;
  ASSERT_TRUE(EncodeScanBMP(Image, 300, Bytes));
  TZrDecodeInfo Info;
  ASSERT_TRUE(ReadBMPHeader(Bytes.data(), Bytes.size(), Info));
  EXPECT_EQ(Info.Width, 3);
  EXPECT_EQ(Info.Height, 2);
  EXPECT_NEAR(Info.HorizontalResolution, 300, 0.01);
  EXPECT_NEAR(Info.VerticalResolution, 300, 0.01);
}

} // namespace
} // namespace facette
