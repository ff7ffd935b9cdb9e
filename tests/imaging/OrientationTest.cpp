// Photos taken with the camera turned: every EXIF orientation opens
// upright, is saved upright with the orientation 1, and the setting that
// takes the pixels as stored keeps both as they were.
#include "ImageTestSupport.h"
#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrImageCodecs.h"

#include <gtest/gtest.h>

namespace facette {
namespace {

using test::TScratchTest;

// The upright picture: four flat quarters, red, green, blue and white
// (blue-green-red bytes), so that any turn or mirror shows.
constexpr int32_t UprightWidth = 32, UprightHeight = 16;
const uint8_t Quarters[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};

const uint8_t *UprightColour(int32_t X, int32_t Y)
{
  return Quarters[(Y >= UprightHeight / 2 ? 2 : 0) + (X >= UprightWidth / 2 ? 1 : 0)];
}

// Where stored pixel (X, Y) of a W x H file is shown under the orientation.
void Shown(int32_t Orientation, int32_t X, int32_t Y, int32_t W, int32_t H, int32_t &SX,
           int32_t &SY)
{
  switch (Orientation) {
  case 2:
    SX = W - 1 - X, SY = Y;
    break;
  case 3:
    SX = W - 1 - X, SY = H - 1 - Y;
    break;
  case 4:
    SX = X, SY = H - 1 - Y;
    break;
  case 5:
    SX = Y, SY = X;
    break;
  case 6:
    SX = H - 1 - Y, SY = X;
    break;
  case 7:
    SX = H - 1 - Y, SY = W - 1 - X;
    break;
  case 8:
    SX = Y, SY = W - 1 - X;
    break;
  default:
    SX = X, SY = Y;
  }
}

// An EXIF block (TIFF structure) holding only the orientation.
std::vector<uint8_t> ExifWithOrientation(int32_t Orientation)
{
  return {'I',
          'I',
          42,
          0,
          8,
          0,
          0,
          0,
          1,
          0,
          0x12,
          0x01,
          3,
          0,
          1,
          0,
          0,
          0,
          static_cast<uint8_t>(Orientation),
          0,
          0,
          0,
          0,
          0,
          0,
          0};
}

class Orientation : public TScratchTest
{
protected:
  // The upright picture stored as the orientation says a camera would
  // store it, in Format, with that orientation in its EXIF data.
  std::filesystem::path StoredFile(int32_t Orientation, int32_t Format)
  {
    const bool Across = Orientation >= 5;
    const int32_t W = Across ? UprightHeight : UprightWidth;
    const int32_t H = Across ? UprightWidth : UprightHeight;
    TZrLTBitmap Stored;
    EXPECT_TRUE(Stored.SetSize(W, H, pf24bit));
    for (int32_t Y = 0; Y < H; ++Y)
      for (int32_t X = 0; X < W; ++X) {
        int32_t SX = 0, SY = 0;
        Shown(Orientation, X, Y, W, H, SX, SY);
        std::memcpy(Stored.GetPixels()->PixelPtr(X, Y), UprightColour(SX, SY), 3);
      }
    std::vector<uint8_t> Bytes;
    EXPECT_TRUE(Format == gfJPEG ? EncodeJPEG(*Stored.GetPixels(), 100, js444, Bytes)
                                 : EncodeTIFF(*Stored.GetPixels(), Bytes));
    TZrGraphicsDocumentProperties Properties;
    const std::vector<uint8_t> Exif = ExifWithOrientation(Orientation);
    EXPECT_TRUE(Properties.SetExifBlock(Exif.data(), Exif.size()));
    EXPECT_TRUE(Properties.WriteTo(Bytes, W, H));
    std::string Name = std::to_string(Orientation);
    Name += Format == gfJPEG ? ".jpg" : ".tif";
    test::WriteBytes(File(Name), Bytes);
    return File(Name);
  }

  // Whether the middle of every quarter shows its colour (exactly, or
  // within what JPEG changes of a flat colour).
  static bool ShowsUpright(const TZrPixels &P, int32_t Tolerance)
  {
    if (P.Width != UprightWidth || P.Height != UprightHeight)
      return false;
    for (const int32_t Y : {UprightHeight / 4, UprightHeight * 3 / 4})
      for (const int32_t X : {UprightWidth / 4, UprightWidth * 3 / 4})
        for (int C = 0; C < 3; ++C)
          if (std::abs(P.PixelPtr(X, Y)[C] - UprightColour(X, Y)[C]) > Tolerance)
            return false;
    return true;
  }

  TZrGraphicsFormats Formats;
};

TEST_F(Orientation, EveryOrientationOpensAndSavesUpright)
{
  for (const int32_t Format : {gfJPEG, gfTIFF}) {
    for (int32_t N = 1; N <= 8; ++N) {
      SCOPED_TRACE(testing::Message() << "format " << Format << ", orientation " << N);
      TZrGraphicsImage Image;
      int32_t Read = -2;
      ASSERT_TRUE(Formats.LoadImage(Image, StoredFile(N, Format), Read));
      EXPECT_TRUE(ShowsUpright(*Image.Image.GetPixels(), Format == gfJPEG ? 8 : 0));
      EXPECT_EQ(Image.Properties.Orientation(), 1);

      std::vector<uint8_t> Bytes;
      bool Lossless = false;
      ASSERT_TRUE(Formats.EncodeImage(Image, Format, Bytes, nullptr, &Lossless));
      // An unchanged JPEG is turned in its coded blocks.
      EXPECT_EQ(Lossless, Format == gfJPEG);
      test::WriteBytes(File("saved"), Bytes);
      TZrGraphicsImage Saved;
      ASSERT_TRUE(Formats.LoadImage(Saved, File("saved"), Read));
      EXPECT_EQ(Saved.Properties.Orientation(), 1);
      EXPECT_TRUE(ShowsUpright(*Saved.Image.GetPixels(), Format == gfJPEG ? 8 : 0));
    }
  }
}

TEST_F(Orientation, TheOldWayKeepsPixelsAndOrientationAsStored)
{
  Formats.ApplyOrientation = false;
  TZrGraphicsImage Image;
  int32_t Read = -2;
  ASSERT_TRUE(Formats.LoadImage(Image, StoredFile(6, gfTIFF), Read));
  EXPECT_EQ(Image.Width(), UprightHeight);
  EXPECT_EQ(Image.Height(), UprightWidth);
  EXPECT_EQ(Image.Properties.Orientation(), 6);
  ASSERT_TRUE(Formats.SaveImage(Image, File("kept.tif"), gfTIFF));
  TZrGraphicsImage Saved;
  ASSERT_TRUE(Formats.LoadImage(Saved, File("kept.tif"), Read));
  EXPECT_EQ(Saved.Properties.Orientation(), 6);
}

} // namespace
} // namespace facette
