#include "print/ui/ZrPrinter.h"

#include <QPageLayout>
#include <QPrinterInfo>

#include <cmath>

namespace facette {

TZrPrinter::TZrPrinter() : QPrinter(QPrinter::HighResolution)
{
  // Photos print at the sizes the user chose: the printable area is the
  // painter's origin, the paper's margins are the printer's.
  setFullPage(false);
}

TZrPrinterMetrics TZrPrinter::Metrics() const
{
  TZrPrinterMetrics M;
  const QRect Paper = paperRect(QPrinter::DevicePixel).toRect();
  const QRect Page = pageRect(QPrinter::DevicePixel).toRect();
  const QRectF PageMm = pageRect(QPrinter::Millimeter);
  M.PageWidth = Page.width();
  M.PageHeight = Page.height();
  M.PhysicalWidth = Paper.width();
  M.PhysicalHeight = Paper.height();
  M.PhysicalOffsetX = Page.left() - Paper.left();
  M.PhysicalOffsetY = Page.top() - Paper.top();
  M.PrintableWidth = static_cast<int32_t>(std::nearbyint(PageMm.width() * 100));
  M.PrintableHeight = static_cast<int32_t>(std::nearbyint(PageMm.height() * 100));
  return M;
}

TZrPoint TZrPrinter::PhysicalOffset() const
{
  const TZrPrinterMetrics M = Metrics();
  return TZrPoint{M.PhysicalOffsetX, M.PhysicalOffsetY};
}

bool TZrPrinter::HasPrinters()
{
  return !QPrinterInfo::availablePrinterNames().isEmpty();
}

void TZrPrinter::UsePdf()
{
  setOutputFormat(QPrinter::PdfFormat);
}

} // namespace facette
