// Painting and printing device bitmaps with Qt: a QImage laid over the
// bitmap's own memory (no copy) drawn with a QPainter, whether the painter is
// on a widget, an image or a printer page.
#pragma once

#include "imaging/ZrLTBitmap.h"

#include <QImage>
#include <QPainter>

namespace facette {

// A QImage over the bitmap's memory: same bytes, bytes per line = the stride.
// Null for an empty bitmap or a format Qt has no equivalent for. It is only
// valid while the bitmap keeps that memory (until its next size change).
QImage BitmapImage(const TZrBitmapHandle &Handle);

// The device context of a QPainter that is already active.
class TZrPainterContext : public TZrDeviceContext
{
public:
  explicit TZrPainterContext(QPainter &Painter) : Painter(Painter) {}
  bool DrawBitmap(const TZrBitmapHandle &Handle, const TZrRect *SourceRect, const TZrRect &DestRect,
                  const TZrRect &DestClip) override;
  bool PrintBitmap(const TZrBitmapHandle &Handle, const TZrRect &Rect) override;

private:
  QPainter &Painter;
};

} // namespace facette
