// The program's printer: Qt's printer with the page described in the
// program's own terms (hundredths of a millimetre from the paper's corner,
// printer pixels from the printable area's corner).
#pragma once

#include "print/ZrHiMetric.h"

#include <QPrinter>

namespace facette {

class TZrPrinter : public QPrinter
{
public:
  TZrPrinter();

  // The current page's measures; asked again each time, since the printer
  // and the page may change between calls.
  TZrPrinterMetrics Metrics() const;
  // The map of the current page.
  TZrHiMetric MapMode() const { return TZrHiMetric(Metrics()); }

  int32_t PhysicalWidth() const { return Metrics().PhysicalWidth; }
  int32_t PhysicalHeight() const { return Metrics().PhysicalHeight; }
  TZrPoint PhysicalOffset() const;

  // Whether the system knows any printer. Printing to a PDF file needs
  // none.
  static bool HasPrinters();
  // Prints into a PDF file from now on (the file is asked for when
  // printing, unless set).
  void UsePdf();
  bool PrintsToPdf() const { return outputFormat() == QPrinter::PdfFormat; }
};

} // namespace facette
