#include "imaging/ui/ZrBitmapPainter.h"

#include <QRect>
#include <QRectF>
#include <QtGlobal>

namespace facette {

namespace {

QRect ToQRect(const TZrRect &R)
{
  return QRect(R.Left, R.Top, R.Width(), R.Height());
}

QImage::Format QtFormat(int32_t PixelFormat)
{
  if (PixelFormat == pf24bit)
    return QImage::Format_BGR888;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
  // Bytes blue, green, red, alpha are a little-endian 0xAARRGGBB word.
  if (PixelFormat == pf32bit)
    return QImage::Format_ARGB32;
#endif
  return QImage::Format_Invalid;
}

} // namespace

QImage BitmapImage(const TZrBitmapHandle &Handle)
{
  const QImage::Format Format = QtFormat(Handle.PixelFormat);
  if (!Handle.Bits || Format == QImage::Format_Invalid)
    return QImage();
  // The const constructor: the image reads the bitmap's memory in place and
  // never writes to it or frees it.
  return QImage(static_cast<const uchar *>(Handle.Bits), Handle.Width, Handle.Height, Handle.Stride,
                Format);
}

bool TZrPainterContext::DrawBitmap(const TZrBitmapHandle &Handle, const TZrRect *SourceRect,
                                   const TZrRect &DestRect, const TZrRect &DestClip)
{
  const QImage Image = BitmapImage(Handle);
  if (Image.isNull() || !Painter.isActive())
    return false;
  const QRect Source = SourceRect ? ToQRect(*SourceRect) : Image.rect();
  Painter.save();
  Painter.setClipRect(ToQRect(DestClip), Qt::IntersectClip);
  Painter.drawImage(QRectF(ToQRect(DestRect)), Image, QRectF(Source));
  Painter.restore();
  return true;
}

bool TZrPainterContext::PrintBitmap(const TZrBitmapHandle &Handle, const TZrRect &Rect)
{
  const QImage Image = BitmapImage(Handle);
  if (Image.isNull() || !Painter.isActive())
    return false;
  Painter.drawImage(QRectF(ToQRect(Rect)), Image, QRectF(Image.rect()));
  return true;
}

} // namespace facette
