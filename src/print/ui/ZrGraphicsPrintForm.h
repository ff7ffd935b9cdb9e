// The print dialog: where the photo goes on the paper and how large, in
// millimetres, centimetres, inches or points, with a picture of the page
// that follows every change. The photo keeps its proportions; it can be
// centred on the paper or scaled to the printable area.
#pragma once

#include "framework/ui/ZrModule.h"
#include "print/ZrPrintLayout.h"

#include <QDialog>
#include <QImage>
#include <QLocale>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace facette {

class TZrGraphicsDocument;
class TZrPrinter;

// The page as the dialog shows it: the paper, its printable area (dashed)
// and the photo at its place; parts of the photo that the printer cannot
// reach are dimmed and a photo that does not fit has a red frame.
class TZrPrintPreview : public QWidget
{
public:
  explicit TZrPrintPreview(QWidget *Parent = nullptr);

  void SetPage(const TZrHiMetric &Map);
  void SetPicture(const QImage &Picture);
  void SetPlacement(const TZrRect &Rect, bool Fits);

  QSize sizeHint() const override { return {270, 340}; }
  // The widget rectangle of a logical rectangle (for tests).
  QRectF ToWidget(const TZrRect &Rect) const;

protected:
  void paintEvent(QPaintEvent *Event) override;

private:
  TZrPoint Paper;
  TZrRect Printable;
  TZrRect Placement;
  bool Fits = true;
  QImage Picture;
};

// The unit list index that the user's measurement system starts with:
// inches for U.S. units, centimetres otherwise.
int32_t DefaultPrintUnit(QLocale::MeasurementSystem System);

class TZrGraphicsPrintForm : public TZrFormT<QDialog>
{
public:
  TZrGraphicsPrintForm(TZrPrinter &Printer, QWidget *Parent = nullptr);
  ~TZrGraphicsPrintForm() override;

  QPushButton *PrinterButton = nullptr;
  QPushButton *PageSetupButton = nullptr;
  QPushButton *PrintButton = nullptr;
  QPushButton *CancelButton = nullptr;
  QGroupBox *PositionAndSizeGroupBox = nullptr;
  QLabel *TopLabel = nullptr;
  QLabel *LeftLabel = nullptr;
  QLineEdit *LeftEdit = nullptr;
  QLineEdit *TopEdit = nullptr;
  QCheckBox *CenterImageCheckBox = nullptr;
  QComboBox *LeftUnitsComboBox = nullptr;
  QComboBox *TopUnitsComboBox = nullptr;
  QLineEdit *ScaleEdit = nullptr;
  QLabel *ScaleLabel = nullptr;
  QLabel *WidthLabel = nullptr;
  QLineEdit *WidthEdit = nullptr;
  QLabel *HeightLabel = nullptr;
  QLineEdit *HeightEdit = nullptr;
  QComboBox *WidthUnitsComboBox = nullptr;
  QComboBox *HeightUnitsComboBox = nullptr;
  QCheckBox *ScaleToFitMediaCheckBox = nullptr;
  // What the photo is printed on: the printer (or the PDF file) and paper.
  QLabel *PrinterLabel = nullptr;
  TZrPrintPreview *Preview = nullptr;

  TZrGraphicsDocument *Document = nullptr;
  TZrPrintLayout Layout;
  // Set while the dialog writes its own fields.
  bool Updating = false;

  // Asks for the PDF file to print into when the printer has none; false
  // when the user cancels. Tests replace it.
  std::function<bool(QString &FileName)> ChoosePdfFile;

  void SetDocument(TZrGraphicsDocument *Doc);
  // The four unit lists in the order left, top, width, height.
  std::array<QComboBox *, 4> UnitBoxes() const;

  // Value in the unit as "0.###" in the current locale; empty for an
  // unknown unit.
  static QString FormatUnits(int32_t Value, int32_t UnitIndex);
  // The text as a number in the unit, to hundredths of a millimetre.
  static bool ParseUnits(const QString &Text, int32_t UnitIndex, int32_t &Value);

  void Center();
  void ScaleToFit();
  void MoveToOrigin();

  void PrinterButtonClick();
  void PageSetupButtonClick();
  void UnitsChange(QComboBox *Box);
  void OptionsChange();
  // True when the key was taken care of (refused or replaced).
  bool EditKeyPress(QLineEdit *Edit, QKeyEvent *Event);
  void EditChange(QLineEdit *Edit);
  void EditExit(QLineEdit *Edit);
  void PrintButtonClick();

  // The printer or the page changed: the fields, label and picture follow.
  void PageChanged();

  void Localize() override;

protected:
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  void WriteLeftTop();
  void WriteSize();
  void WriteScale();
  void UpdatePrinterLabel();
  void UpdatePreview();
  // Prints the whole image at the chosen place; false when it failed or
  // the user cancelled the choice of a PDF file (Cancelled then set).
  bool PrintDocument(bool &Cancelled);
  QComboBox *UnitBoxOf(QLineEdit *Edit) const;

  TZrPrinter &Printer;
  bool InOptionsChange = false;
};

} // namespace facette
