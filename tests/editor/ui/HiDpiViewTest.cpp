// The view on a screen with a scale factor: at 1:1 every image pixel has a
// screen pixel of its own, and the pointer addresses single screen pixels.
// CTest runs these tests once more with QT_SCALE_FACTOR=2.
#include "editor/GraphicsTestSupport.h"
#include "editor/ui/ZrGraphicsView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <cmath>

namespace facette {
namespace {

using namespace test;

class TStatusHost : public TFakeHost, public IZrGraphicsViewHost
{
public:
  TZrPoint Pointer{-1, -1};
  std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Doc) override
  {
    return facette::CreateGraphicsView(Doc, this);
  }
  void ShowPointerStatus(int32_t X, int32_t Y, int32_t, int32_t, int32_t) override
  {
    Pointer = TZrPoint{X, Y};
  }
  IZrDemoPlayback *RecordingPlayback() override { return nullptr; }
};

class HiDpiView : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(LoadCoded(Doc, 64, 48));
    View = static_cast<TZrGraphicsView *>(Doc.GetView());
    ASSERT_NE(View, nullptr);
    View->resize(200, 150);
    View->DocumentView->SetVisible(true);
    View->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(View));
    View->SetZoom(1, 1);
    // The run under a scale factor must really have one.
    const QByteArray Asked = qgetenv("QT_SCALE_FACTOR");
    if (!Asked.isEmpty()) {
      ASSERT_EQ(View->PixelRatio(), Asked.toDouble());
    }
  }

  TFakeEditor Editor;
  TStatusHost Host;
  TZrGraphicsDocument Doc{Editor, &Host};
  TZrGraphicsView *View = nullptr;
};

TEST_F(HiDpiView, AtActualSizeEveryImagePixelIsOneScreenPixel)
{
  const qreal Ratio = View->PixelRatio();
  // The whole control in screen pixels; the image is centred in them.
  EXPECT_EQ(View->DeviceWidth(), std::lround(200 * Ratio));
  const int32_t OrgX = View->MapMode().ViewportOrgX, OrgY = View->MapMode().ViewportOrgY;
  EXPECT_EQ(OrgX, (View->ClientWidth() - 64) / 2);
  EXPECT_EQ(OrgY, (View->ClientHeight() - 48) / 2);

  const QImage Shown = View->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(Shown.width(), View->DeviceWidth());
  const TZrPixels &Image = *Doc.ImagePixels();
  int Wrong = 0;
  for (int32_t Y = 0; Y < 48; ++Y)
    for (int32_t X = 0; X < 64; ++X) {
      const QRgb Got = Shown.pixel(OrgX + X, OrgY + Y);
      const uint8_t *Want = Image.PixelPtr(X, Y);
      if (qBlue(Got) != Want[0] || qGreen(Got) != Want[1] || qRed(Got) != Want[2])
        ++Wrong;
    }
  EXPECT_EQ(Wrong, 0);
  // Around the image the background shows, right up to its edge.
  const QRgb Outside = Shown.pixel(OrgX - 1, OrgY + 10);
  EXPECT_EQ(qRed(Outside), 0x40);
  EXPECT_EQ(qRed(Shown.pixel(OrgX + 64, OrgY + 10)), 0x40);
}

TEST_F(HiDpiView, ThePointerAddressesScreenPixels)
{
  const qreal Ratio = View->PixelRatio();
  const int32_t OrgX = View->MapMode().ViewportOrgX, OrgY = View->MapMode().ViewportOrgY;
  // The window system reports a pointer on a screen pixel as that pixel
  // divided by the scale factor; every screen pixel is a position of its
  // own, the odd ones between widget pixels included.
  for (const int32_t Device : {121, 122, 123}) {
    const QPointF At(Device / Ratio, 80 / Ratio);
    QMouseEvent Move(QEvent::MouseMove, At, View->mapToGlobal(At), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(View, &Move);
    EXPECT_EQ(Host.Pointer.X, Device - OrgX);
    EXPECT_EQ(Host.Pointer.Y, 80 - OrgY);
  }
}

} // namespace
} // namespace facette
