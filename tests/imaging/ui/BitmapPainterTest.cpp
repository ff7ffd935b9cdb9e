#include "imaging/ui/ZrBitmapPainter.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFileInfo>
#include <QPrinter>
#include <QTemporaryDir>

namespace facette {
namespace {

const QColor Grey(90, 90, 90);

// A 4 x 2 bitmap of distinct colours; the bytes in memory are blue, green,
// red, so pixel (X, Y) shows as red = 10 + X * 50, green = 20 + Y * 100,
// blue = 200 - X * 40.
QColor Expected(int X, int Y)
{
  return QColor(10 + X * 50, 20 + Y * 100, 200 - X * 40);
}

void MakeBitmap(TZrLTBitmap &B)
{
  ASSERT_TRUE(B.SetSize(4, 2, pf24bit));
  for (int Y = 0; Y < 2; ++Y)
    for (int X = 0; X < 4; ++X) {
      uint8_t *P = B.GetPixels()->PixelPtr(X, Y);
      P[0] = static_cast<uint8_t>(Expected(X, Y).blue());
      P[1] = static_cast<uint8_t>(Expected(X, Y).green());
      P[2] = static_cast<uint8_t>(Expected(X, Y).red());
    }
}

QImage GreyCanvas(int Width, int Height)
{
  QImage Canvas(Width, Height, QImage::Format_RGB32);
  Canvas.fill(Grey);
  return Canvas;
}

TEST(BitmapPainter, ImageSharesTheBitmapMemory)
{
  TZrLTBitmap B;
  MakeBitmap(B);
  const QImage Image = BitmapImage(B.GetHandle());
  ASSERT_FALSE(Image.isNull());
  EXPECT_EQ(Image.format(), QImage::Format_BGR888);
  EXPECT_EQ(Image.constBits(), B.GetPixels()->Bits);
  EXPECT_EQ(Image.bytesPerLine(), B.GetPixels()->Stride);
  EXPECT_EQ(Image.size(), QSize(4, 2));
  for (int Y = 0; Y < 2; ++Y)
    for (int X = 0; X < 4; ++X)
      EXPECT_EQ(Image.pixelColor(X, Y), Expected(X, Y)) << X << "," << Y;
  // A change made through the pixel window shows in the image at once.
  B.GetPixels()->PixelPtr(3, 1)[2] = 255;
  EXPECT_EQ(Image.pixelColor(3, 1).red(), 255);

  EXPECT_TRUE(BitmapImage(TZrBitmapHandle{}).isNull());
}

TEST(BitmapPainter, PaintPlacesScalesAndClips)
{
  TZrLTBitmap B;
  MakeBitmap(B);

  // One to one at an offset.
  QImage Canvas = GreyCanvas(10, 6);
  {
    QPainter Painter(&Canvas);
    TZrPainterContext DC(Painter);
    ASSERT_TRUE(B.Paint(DC, MakeRect(3, 2, 7, 4), MakeRect(0, 0, 10, 6), nullptr));
  }
  for (int Y = 0; Y < 6; ++Y)
    for (int X = 0; X < 10; ++X) {
      const bool Inside = X >= 3 && X < 7 && Y >= 2 && Y < 4;
      EXPECT_EQ(Canvas.pixelColor(X, Y), Inside ? Expected(X - 3, Y - 2) : Grey) << X << "," << Y;
    }

  // Doubled, clipped to the left half of the destination.
  Canvas = GreyCanvas(8, 4);
  {
    QPainter Painter(&Canvas);
    TZrPainterContext DC(Painter);
    ASSERT_TRUE(B.Paint(DC, MakeRect(0, 0, 8, 4), MakeRect(0, 0, 4, 4), nullptr));
  }
  for (int Y = 0; Y < 4; ++Y)
    for (int X = 0; X < 8; ++X)
      EXPECT_EQ(Canvas.pixelColor(X, Y), X < 4 ? Expected(X / 2, Y / 2) : Grey) << X << "," << Y;

  // Part of the bitmap only.
  Canvas = GreyCanvas(4, 2);
  {
    QPainter Painter(&Canvas);
    TZrPainterContext DC(Painter);
    const TZrRect Source = MakeRect(2, 1, 4, 2);
    ASSERT_TRUE(B.Paint(DC, MakeRect(0, 0, 2, 1), MakeRect(0, 0, 4, 2), &Source));
  }
  EXPECT_EQ(Canvas.pixelColor(0, 0), Expected(2, 1));
  EXPECT_EQ(Canvas.pixelColor(1, 0), Expected(3, 1));
  EXPECT_EQ(Canvas.pixelColor(2, 0), Grey);
}

TEST(BitmapPainter, NothingToPaintOrNoActivePainterFails)
{
  TZrLTBitmap B;
  QImage Canvas = GreyCanvas(4, 4);
  QPainter Painter(&Canvas);
  TZrPainterContext DC(Painter);
  EXPECT_FALSE(B.Paint(DC, MakeRect(0, 0, 4, 4), MakeRect(0, 0, 4, 4), nullptr));
  Painter.end();
  MakeBitmap(B);
  EXPECT_FALSE(B.Paint(DC, MakeRect(0, 0, 4, 4), MakeRect(0, 0, 4, 4), nullptr));
  EXPECT_FALSE(B.Print(DC, MakeRect(0, 0, 4, 4)));
}

TEST(BitmapPainter, PrintFillsTheRectangleOfThePage)
{
  TZrLTBitmap B;
  MakeBitmap(B);
  // A page stand-in whose pixels can be checked.
  QImage Page = GreyCanvas(20, 10);
  {
    QPainter Painter(&Page);
    TZrPainterContext DC(Painter);
    ASSERT_TRUE(B.Print(DC, MakeRect(4, 2, 12, 6)));
  }
  EXPECT_EQ(Page.pixelColor(4, 2), Expected(0, 0));
  EXPECT_EQ(Page.pixelColor(11, 5), Expected(3, 1));
  EXPECT_EQ(Page.pixelColor(12, 5), Grey);
  EXPECT_EQ(Page.pixelColor(3, 2), Grey);

  // And a real printer writing a PDF file.
  QTemporaryDir Dir;
  ASSERT_TRUE(Dir.isValid());
  const QString File = Dir.filePath("page.pdf");
  QPrinter Printer(QPrinter::HighResolution);
  Printer.setOutputFormat(QPrinter::PdfFormat);
  Printer.setOutputFileName(File);
  {
    QPainter Painter;
    ASSERT_TRUE(Painter.begin(&Printer));
    TZrPainterContext DC(Painter);
    EXPECT_TRUE(B.Print(DC, MakeRect(0, 0, 400, 200)));
  }
  EXPECT_GT(QFileInfo(File).size(), 0);
}

} // namespace
} // namespace facette
