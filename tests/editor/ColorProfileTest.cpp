// A photo with an ICC profile is shown as the profile means its numbers,
// converted for the screen; its pixels, and what is saved, stay as opened.
#include "editor/GraphicsTestSupport.h"
#include "editor/ZrGraphicDocumentView.h"
#include "imaging/ImageTestSupport.h"
#include "imaging/ZrColorTransform.h"
#include "imaging/ZrImageCodecs.h"
#include "support/IccProfiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace facette {
namespace {

using namespace test;
using test::TScratchTest;

TEST(ColorTransform, OnlyProfilesThatChangeSomethingGiveATransform)
{
  const std::vector<uint8_t> SRGB = SRGBProfile(), Linear = LinearRGBProfile();
  ASSERT_FALSE(SRGB.empty());
  ASSERT_FALSE(Linear.empty());
  EXPECT_EQ(TZrColorTransform::Create({}, {}), nullptr);           // no profile
  EXPECT_EQ(TZrColorTransform::Create({1, 2, 3, 4}, {}), nullptr); // not a profile
  EXPECT_EQ(TZrColorTransform::Create(SRGB, {}), nullptr);         // sRGB on sRGB
  EXPECT_EQ(TZrColorTransform::Create(Linear, Linear), nullptr);

  // Linear light: the numbers of a mid grey mean a much lighter grey in
  // sRGB; black and white stay.
  const auto Transform = TZrColorTransform::Create(Linear, {});
  ASSERT_NE(Transform, nullptr);
  uint8_t Pixels[] = {128, 128, 128, 0, 0, 0, 255, 255, 255, 0, 0, 255};
  Transform->Apply(Pixels, 4);
  for (int C = 0; C < 3; ++C) {
    EXPECT_NEAR(Pixels[C], 188, 2);
    EXPECT_EQ(Pixels[3 + C], 0);
    EXPECT_NEAR(Pixels[6 + C], 255, 1);
  }
  EXPECT_NEAR(Pixels[11], 255, 1); // pure red stays red
  EXPECT_LE(Pixels[9] + Pixels[10], 2);

  // A grey profile converts the grey of each pixel.
  const auto Grey = TZrColorTransform::Create(LinearGreyProfile(), {});
  ASSERT_NE(Grey, nullptr);
  uint8_t GreyPixel[] = {128, 128, 128};
  Grey->Apply(GreyPixel, 1);
  EXPECT_NEAR(GreyPixel[1], 188, 3);
  EXPECT_EQ(GreyPixel[0], GreyPixel[1]);
  EXPECT_EQ(GreyPixel[2], GreyPixel[1]);
}

// A document opened from a JPEG file that carries the linear profile.
class ColorProfileView : public TScratchTest
{
protected:
  void SetUp() override
  {
    TScratchTest::SetUp();
    TZrLTBitmap Picture;
    ASSERT_TRUE(Picture.SetSize(64, 48, pf24bit));
    TZrPixels &P = *Picture.GetPixels();
    FillCoded(P);
    std::vector<uint8_t> Jpeg;
    ASSERT_TRUE(EncodeJPEG(P, 95, js444, Jpeg));
    WriteBytes(File("profiled.jpg"), WithProfile(Jpeg, LinearRGBProfile()));
    Editor.Images.AskJpegQuality = [](TZrJpegOptions &) { return true; };
    ASSERT_TRUE(Doc.LoadFromFile(File("profiled.jpg"))) << Editor.Images.LastError;
    const auto *Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Doc.Properties());
    ASSERT_NE(Properties, nullptr);
    ASSERT_EQ(Properties->IccProfile(), LinearRGBProfile());
    CopyPixels(*Doc.ImagePixels(), Opened);
    View.ImageChanged();
    Transform = TZrColorTransform::Create(LinearRGBProfile(), {});
    ASSERT_NE(Transform, nullptr);
  }

  // Paints the whole image at N/D into a fresh canvas.
  void PaintAt(TZrViewCanvas &Canvas, int32_t N, int32_t D)
  {
    Canvas.MapMode.ViewportExtX = Canvas.MapMode.ViewportExtY = N;
    Canvas.MapMode.WindowExtX = Canvas.MapMode.WindowExtY = D;
    ASSERT_TRUE(
        Canvas.BeginSurface(TZrRegion(Canvas.MapMode.LogicalToDeviceRect(Doc.ImageBounds()))));
    View.PaintContent(Canvas);
  }

  TImageEditor Editor;
  TZrGraphicsDocument Doc{Editor, nullptr};
  TZrGraphicDocumentView View{Doc};
  TZrPixelBuffer Opened;
  std::shared_ptr<const TZrColorTransform> Transform;
};

TEST_F(ColorProfileView, ShowsConvertedColoursAndKeepsThePixels)
{
  TZrViewCanvas Canvas;
  PaintAt(Canvas, 1, 1);
  for (int32_t Y = 0; Y < 48; ++Y)
    for (int32_t X = 0; X < 64; ++X) {
      uint8_t Want[3];
      std::memcpy(Want, Doc.ImagePixels()->PixelPtr(X, Y), 3);
      Transform->Apply(Want, 1);
      ASSERT_EQ(std::memcmp(Canvas.Pixels.PixelPtr(X, Y), Want, 3), 0) << X << ", " << Y;
    }
  EXPECT_TRUE(SameImage(*Doc.ImagePixels(), Opened));

  // Zoomed out, the reduced copy holds converted averages.
  TZrViewCanvas Half;
  PaintAt(Half, 1, 2);
  const TZrPixels &Image = *Doc.ImagePixels();
  for (int32_t V = 0; V < 24; ++V)
    for (int32_t U = 0; U < 32; ++U) {
      uint8_t Want[3];
      for (int C = 0; C < 3; ++C)
        Want[C] = static_cast<uint8_t>(
            (Image.PixelPtr(2 * U, 2 * V)[C] + Image.PixelPtr(2 * U + 1, 2 * V)[C] +
             Image.PixelPtr(2 * U, 2 * V + 1)[C] + Image.PixelPtr(2 * U + 1, 2 * V + 1)[C] + 2) /
            4);
      Transform->Apply(Want, 1);
      for (int C = 0; C < 3; ++C)
        ASSERT_NEAR(Half.Pixels.PixelPtr(U, V)[C], Want[C], 3) << U << ", " << V;
    }
}

// What is saved is the file's own numbers with its own profile, whatever
// the view showed: losslessly written formats give back the opened pixels,
// an unedited JPEG its own coded blocks.
TEST_F(ColorProfileView, SavesThePixelsAsOpenedWithTheProfileUnchanged)
{
  TZrViewCanvas Canvas;
  PaintAt(Canvas, 1, 1);
  ASSERT_FALSE(SamePixels(Canvas.Pixels, *Doc.ImagePixels(), Doc.ImageBounds()));
  for (const int32_t Format : {gfPNG, gfTIFF, gfJPEG}) {
    SCOPED_TRACE(Format);
    const std::filesystem::path Out = File("saved" + std::to_string(Format));
    ASSERT_TRUE(Doc.SaveToFile(Out, Format)) << Editor.Images.LastError;
    TZrGraphicsImage Saved;
    int32_t Read = -2;
    ASSERT_TRUE(Editor.Images.LoadImage(Saved, Out, Read));
    EXPECT_TRUE(SameImage(*Saved.Image.GetPixels(), Opened));
    EXPECT_EQ(Saved.Properties.IccProfile(), LinearRGBProfile());
  }
}

TEST_F(ColorProfileView, TheScreensProfileIsTheTarget)
{
  // A screen that itself works in linear light shows the numbers as they
  // are.
  View.SetDisplayProfile(LinearRGBProfile());
  TZrViewCanvas Canvas;
  PaintAt(Canvas, 1, 1);
  EXPECT_TRUE(SamePixels(Canvas.Pixels, *Doc.ImagePixels(), Doc.ImageBounds()));
}

} // namespace
} // namespace facette
