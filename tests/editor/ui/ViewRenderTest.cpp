// Renders the sample portrait through the view at a few zooms into PNG
// files under /tmp, to be looked at, and checks what can be checked of
// them: where the image and where the background shows, that a brush dab
// shows at once even zoomed out, and that a crop leaves the background.
#include "editor/GraphicsTestSupport.h"
#include "editor/ui/ZrGraphicsView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <string>

namespace facette {
namespace {

using namespace test;

class TPlainHost : public TFakeHost, public IZrGraphicsViewHost
{
public:
  std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Doc) override
  {
    return facette::CreateGraphicsView(Doc, this);
  }
  void ShowPointerStatus(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  IZrDemoPlayback *RecordingPlayback() override { return nullptr; }
};

class ViewRender : public ::testing::Test
{
protected:
  TFakeEditor Editor;
  TPlainHost Host;
  TZrGraphicsDocument Doc{Editor, &Host};
  TZrGraphicsView *View = nullptr;

  void SetUp() override
  {
    // Decoding the sample is the test's business only; the program reads
    // files through its own codecs.
    QImage Photo(QStringLiteral(FACETTE_TEST_DATA "/samples/portrait.png"));
    ASSERT_FALSE(Photo.isNull());
    Photo = Photo.convertToFormat(QImage::Format_BGR888);
    TZrLoadedImage Loaded;
    Loaded.Image = std::make_unique<TZrLTBitmap>();
    ASSERT_TRUE(Loaded.Image->SetSize(Photo.width(), Photo.height(), pf24bit));
    for (int Y = 0; Y < Photo.height(); ++Y)
      std::memcpy(Loaded.Image->GetPixels()->PixelPtr(0, Y), Photo.constScanLine(Y),
                  static_cast<size_t>(Photo.width()) * 3);
    ASSERT_TRUE(Doc.AdoptLoadedImage(std::move(Loaded)));
    View = static_cast<TZrGraphicsView *>(Doc.GetView());
    View->resize(640, 480);
    View->DocumentView->SetVisible(true);
    View->UpdateScrollRange();
    View->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(View));
  }

  QImage Render(const char *Name)
  {
    const QImage Shot = View->grab().toImage();
    const std::string File = std::string("/tmp/facette-view-") + Name + ".png";
    EXPECT_TRUE(Shot.save(QString::fromStdString(File)));
    return Shot;
  }

  QRgb Source(int32_t X, int32_t Y) const
  {
    const uint8_t *P = Doc.ImagePixels()->PixelPtr(X, Y);
    return qRgb(P[2], P[1], P[0]);
  }

  TZrPoint DeviceOf(int32_t X, int32_t Y) const
  {
    return View->MapMode().LogicalToDevice(TZrPoint{X, Y});
  }
};

const QRgb Background = qRgb(0x40, 0x40, 0x40);

TEST_F(ViewRender, ActualSizeShowsThePixelsCentred)
{
  View->SetZoom(1, 1);
  const QImage Shot = Render("100");
  const TZrPoint O = DeviceOf(0, 0);
  EXPECT_EQ(O.X, (View->ClientWidth() - 512) / 2); // beside the vertical bar
  EXPECT_EQ(O.Y, 0);                               // 512 > 480: scrolled, a vertical bar
  EXPECT_EQ(Shot.pixel(O.X + 300, O.Y + 200), Source(300, 200));
  EXPECT_EQ(Shot.pixel(5, 5), Background);
}

TEST_F(ViewRender, ZoomedOutTheImageIsAveragedAndDabsShowAtOnce)
{
  // Best fit for this window: 480 / 512.
  View->SetZoom(480, 512);
  Render("best-fit");
  View->SetZoom(1, 3);
  QImage Shot = Render("one-third");
  const TZrPoint O = DeviceOf(0, 0);
  EXPECT_EQ(Shot.pixel(O.X - 2, O.Y + 20), Background);
  EXPECT_NE(Shot.pixel(O.X + 80, O.Y + 80), Background);

  // A red dab as a tool paints it, reported through the edit protocol.
  const TZrRect Dab = MakeRect(200, 200, 260, 230);
  Doc.BeginEdit(nullptr);
  TZrPixels &Image = *Doc.ImagePixels();
  for (int32_t Y = Dab.Top; Y < Dab.Bottom; ++Y)
    for (int32_t X = Dab.Left; X < Dab.Right; ++X) {
      uint8_t *P = Image.PixelPtr(X, Y);
      P[0] = 0;
      P[1] = 0;
      P[2] = 255;
    }
  Doc.AddChangedRect(Dab, true);
  Doc.ClearEdit();
  Shot = Render("one-third-dab");
  const TZrPoint Middle = DeviceOf(230, 215);
  EXPECT_EQ(Shot.pixel(Middle.X, Middle.Y), qRgb(255, 0, 0));
}

TEST_F(ViewRender, ZoomedInPixelsBecomeSquares)
{
  View->SetZoom(3, 1);
  View->CenterOn(TZrPoint{256, 190});
  const QImage Shot = Render("300");
  const TZrPoint P = DeviceOf(256, 190);
  for (int D = 0; D < 3; ++D)
    EXPECT_EQ(Shot.pixel(P.X + D, P.Y + 2 - D), Source(256, 190));
}

TEST_F(ViewRender, CropShowsOnlyTheVisibleRectangle)
{
  View->SetZoom(3, 4);
  Doc.SetCropRect(MakeRect(128, 64, 384, 448));
  const QImage Shot = Render("crop");
  const TZrPoint Outside = DeviceOf(100, 100);
  const TZrPoint Inside = DeviceOf(200, 100);
  EXPECT_EQ(Shot.pixel(Outside.X, Outside.Y), Background);
  EXPECT_NE(Shot.pixel(Inside.X, Inside.Y), Background);
}

} // namespace
} // namespace facette
