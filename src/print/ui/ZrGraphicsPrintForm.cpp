#include "print/ui/ZrGraphicsPrintForm.h"

#include "editor/ZrGraphicsDocument.h"
#include "framework/ui/ZrApplication.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"
#include "imaging/ui/ZrBitmapPainter.h"
#include "imaging/ZrImageMetadata.h"
#include "print/ui/ZrPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QTemporaryFile>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>

namespace facette {

namespace {

// Numbers as the user's language writes them, without group separators
// (they would only get in the way of typing).
QLocale NumberLocale()
{
  QLocale Locale;
  Locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return Locale;
}

// Value with at most Decimals decimals and no trailing zeros ("0.###").
QString FormatNumber(double Value, int Decimals)
{
  const QLocale Locale = NumberLocale();
  QString Text = Locale.toString(Value, 'f', Decimals);
  const QString Point = Locale.decimalPoint();
  if (Text.contains(Point)) {
    while (Text.endsWith(QLatin1Char('0')))
      Text.chop(1);
    if (Text.endsWith(Point))
      Text.chop(Point.size());
  }
  if (Text == QStringLiteral("-0"))
    Text = QStringLiteral("0");
  return Text;
}

bool ParseNumber(const QString &Text, double &Value)
{
  bool Ok = false;
  Value = NumberLocale().toDouble(Text.trimmed(), &Ok);
  return Ok && std::isfinite(Value);
}

QImage Thumbnail(const TZrGraphicsDocument &Doc)
{
  const QImage Image = BitmapImage(Doc.Image().GetHandle());
  if (Image.isNull())
    return {};
  // A copy small enough to redraw at every keystroke.
  return Image.scaled(QSize(480, 480), Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

TZrPrintPreview::TZrPrintPreview(QWidget *Parent) : QWidget(Parent)
{
  setMinimumSize(160, 200);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TZrPrintPreview::SetPage(const TZrHiMetric &Map)
{
  Paper = Map.PaperCorner();
  Printable = Map.PrintableRect();
  update();
}

void TZrPrintPreview::SetPicture(const QImage &Value)
{
  Picture = Value;
  update();
}

void TZrPrintPreview::SetPlacement(const TZrRect &Rect, bool Value)
{
  Placement = Rect;
  Fits = Value;
  update();
}

QRectF TZrPrintPreview::ToWidget(const TZrRect &Rect) const
{
  constexpr double Margin = 10;
  if (Paper.X <= 0 || Paper.Y <= 0)
    return {};
  const double Scale =
      std::min((width() - 2 * Margin) / Paper.X, (height() - 2 * Margin) / Paper.Y);
  const double Left = (width() - Paper.X * Scale) / 2;
  const double Top = (height() - Paper.Y * Scale) / 2;
  return QRectF(Left + Rect.Left * Scale, Top + Rect.Top * Scale, Rect.Width() * Scale,
                Rect.Height() * Scale);
}

void TZrPrintPreview::paintEvent(QPaintEvent *)
{
  QPainter P(this);
  const QRectF Sheet = ToWidget(MakeRect(0, 0, Paper.X, Paper.Y));
  if (Sheet.isEmpty())
    return;
  P.setRenderHint(QPainter::Antialiasing, false);
  P.fillRect(Sheet.translated(3, 3), QColor(0, 0, 0, 60));
  P.fillRect(Sheet, Qt::white);
  P.setPen(QColor(150, 150, 150));
  P.drawRect(Sheet.adjusted(0, 0, -1, -1));

  const QRectF Photo = ToWidget(Placement);
  const QRectF Area = ToWidget(Printable);
  if (!Photo.isEmpty()) {
    P.save();
    P.setClipRect(Sheet);
    P.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!Picture.isNull())
      P.drawImage(Photo, Picture);
    else
      P.fillRect(Photo, QColor(128, 128, 128));
    // What falls outside the printable area does not print.
    QRegion Outside = QRegion(Photo.toAlignedRect()).subtracted(QRegion(Area.toAlignedRect()));
    P.setClipRegion(Outside, Qt::IntersectClip);
    P.fillRect(Photo, QColor(255, 255, 255, 170));
    P.restore();
  }
  QPen Dashed(QColor(120, 120, 120));
  Dashed.setStyle(Qt::DashLine);
  P.setPen(Dashed);
  P.drawRect(Area.adjusted(0, 0, -1, -1));
  if (!Fits && !Photo.isEmpty()) {
    P.setPen(QPen(QColor(210, 0, 0), 2));
    P.drawRect(Photo.intersected(Sheet).adjusted(0, 0, -1, -1));
  }
}

int32_t DefaultPrintUnit(QLocale::MeasurementSystem System)
{
  return System == QLocale::ImperialUSSystem ? puInches : puCentimetres;
}

TZrGraphicsPrintForm::TZrGraphicsPrintForm(TZrPrinter &Printer, QWidget *Parent)
    : TZrFormT<QDialog>(Parent), Printer(Printer)
{
  setModal(true);
  PositionAndSizeGroupBox = new QGroupBox(this);
  auto *Grid = new QGridLayout(PositionAndSizeGroupBox);
  const auto AddEdit = [&](QLabel *&Label, QLineEdit *&Edit, QComboBox **Units, int Row) {
    Label = new QLabel(PositionAndSizeGroupBox);
    Edit = new QLineEdit(PositionAndSizeGroupBox);
    Edit->setMaxLength(12);
    Edit->setFixedWidth(Edit->fontMetrics().horizontalAdvance(QStringLiteral("0000.000")) + 16);
    Edit->installEventFilter(this);
    Label->setBuddy(Edit);
    Grid->addWidget(Label, Row, 0);
    Grid->addWidget(Edit, Row, 1);
    QLineEdit *Self = Edit;
    connect(Edit, &QLineEdit::textEdited, this, [this, Self] { EditChange(Self); });
    connect(Edit, &QLineEdit::editingFinished, this, [this, Self] { EditExit(Self); });
    if (Units) {
      *Units = new QComboBox(PositionAndSizeGroupBox);
      for (int32_t I = 0; I < PrintUnitCount; ++I)
        (*Units)->addItem(QString());
      QComboBox *Box = *Units;
      connect(Box, &QComboBox::currentIndexChanged, this, [this, Box] { UnitsChange(Box); });
      Grid->addWidget(Box, Row, 2);
    }
  };
  AddEdit(LeftLabel, LeftEdit, &LeftUnitsComboBox, 0);
  AddEdit(TopLabel, TopEdit, &TopUnitsComboBox, 1);
  CenterImageCheckBox = new QCheckBox(PositionAndSizeGroupBox);
  Grid->addWidget(CenterImageCheckBox, 2, 0, 1, 3);
  Grid->setRowMinimumHeight(3, 8);
  AddEdit(ScaleLabel, ScaleEdit, nullptr, 4);
  AddEdit(WidthLabel, WidthEdit, &WidthUnitsComboBox, 5);
  AddEdit(HeightLabel, HeightEdit, &HeightUnitsComboBox, 6);
  ScaleToFitMediaCheckBox = new QCheckBox(PositionAndSizeGroupBox);
  Grid->addWidget(ScaleToFitMediaCheckBox, 7, 0, 1, 3);
  Grid->setRowStretch(8, 1);
  connect(CenterImageCheckBox, &QCheckBox::toggled, this, [this] { OptionsChange(); });
  connect(ScaleToFitMediaCheckBox, &QCheckBox::toggled, this, [this] { OptionsChange(); });

  Preview = new TZrPrintPreview(this);
  PrinterLabel = new QLabel(this);
  PrinterLabel->setWordWrap(true);
  PrinterButton = new QPushButton(this);
  PageSetupButton = new QPushButton(this);
  PrintButton = new QPushButton(this);
  PrintButton->setDefault(true);
  CancelButton = new QPushButton(this);
  connect(PrinterButton, &QPushButton::clicked, this, [this] { PrinterButtonClick(); });
  connect(PageSetupButton, &QPushButton::clicked, this, [this] { PageSetupButtonClick(); });
  connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  auto *Left = new QVBoxLayout;
  Left->addWidget(PositionAndSizeGroupBox, 1);
  auto *Right = new QVBoxLayout;
  Right->addWidget(Preview, 1);
  Right->addWidget(PrinterLabel);
  auto *Top = new QHBoxLayout;
  Top->addLayout(Left);
  Top->addLayout(Right, 1);
  auto *Buttons = new QHBoxLayout;
  Buttons->addWidget(PrinterButton);
  Buttons->addWidget(PageSetupButton);
  Buttons->addStretch(1);
  Buttons->addWidget(PrintButton);
  Buttons->addWidget(CancelButton);
  auto *Layout_ = new QVBoxLayout(this);
  Layout_->addLayout(Top, 1);
  Layout_->addLayout(Buttons);

  // Every unit list starts with the unit of the user's measurement system.
  const int32_t Unit = DefaultPrintUnit(QLocale::system().measurementSystem());
  for (QComboBox *Box : UnitBoxes())
    Box->setCurrentIndex(Unit);

  ChoosePdfFile = [this](QString &FileName) {
    FileName = QFileDialog::getSaveFileName(this, LocalString(21), FileName,
                                            LocalString(1305) + QStringLiteral(" (*.pdf)"), nullptr,
                                            QFileDialog::DontUseNativeDialog);
    return !FileName.isEmpty();
  };
  Initialize();
  PageChanged();
}

TZrGraphicsPrintForm::~TZrGraphicsPrintForm() = default;

std::array<QComboBox *, 4> TZrGraphicsPrintForm::UnitBoxes() const
{
  return {LeftUnitsComboBox, TopUnitsComboBox, WidthUnitsComboBox, HeightUnitsComboBox};
}

QComboBox *TZrGraphicsPrintForm::UnitBoxOf(QLineEdit *Edit) const
{
  if (Edit == LeftEdit)
    return LeftUnitsComboBox;
  if (Edit == TopEdit)
    return TopUnitsComboBox;
  if (Edit == WidthEdit)
    return WidthUnitsComboBox;
  if (Edit == HeightEdit)
    return HeightUnitsComboBox;
  return nullptr;
}

QString TZrGraphicsPrintForm::FormatUnits(int32_t Value, int32_t UnitIndex)
{
  if (UnitIndex < 0 || UnitIndex >= PrintUnitCount)
    return {};
  return FormatNumber(HiMetricToUnits(Value, UnitIndex), 3);
}

bool TZrGraphicsPrintForm::ParseUnits(const QString &Text, int32_t UnitIndex, int32_t &Value)
{
  double Number;
  return ParseNumber(Text, Number) && UnitsToHiMetric(Number, UnitIndex, Value);
}

void TZrGraphicsPrintForm::SetDocument(TZrGraphicsDocument *Doc)
{
  Document = Doc;
  if (!Doc || !Doc->HasImage())
    return;
  const auto *Properties = dynamic_cast<const TZrGraphicsDocumentProperties *>(Doc->Properties());
  Layout.SetImage(Doc->Image().GetWidth(), Doc->Image().GetHeight(),
                  Properties ? Properties->HorizontalResolution : 0,
                  Properties ? Properties->VerticalResolution : 0);
  Preview->SetPicture(Thumbnail(*Doc));
  Center();
  WriteSize();
  WriteScale();
  // The check boxes may come checked from the last time.
  OptionsChange();
}

void TZrGraphicsPrintForm::WriteLeftTop()
{
  Updating = true;
  LeftEdit->setText(FormatUnits(Layout.PrintLeft, LeftUnitsComboBox->currentIndex()));
  TopEdit->setText(FormatUnits(Layout.PrintTop, TopUnitsComboBox->currentIndex()));
  Updating = false;
  UpdatePreview();
}

void TZrGraphicsPrintForm::WriteSize()
{
  Updating = true;
  WidthEdit->setText(FormatUnits(Layout.PrintWidth, WidthUnitsComboBox->currentIndex()));
  HeightEdit->setText(FormatUnits(Layout.PrintHeight, HeightUnitsComboBox->currentIndex()));
  Updating = false;
  UpdatePreview();
}

void TZrGraphicsPrintForm::WriteScale()
{
  Updating = true;
  ScaleEdit->setText(FormatNumber(Layout.ScalePercent(), 2) + QLatin1Char('%'));
  Updating = false;
}

void TZrGraphicsPrintForm::Center()
{
  Layout.Center(Printer.MapMode());
  WriteLeftTop();
}

void TZrGraphicsPrintForm::MoveToOrigin()
{
  Layout.MoveToOrigin(Printer.MapMode());
  WriteLeftTop();
}

void TZrGraphicsPrintForm::ScaleToFit()
{
  Layout.ScaleToFit(Printer.MapMode());
  WriteLeftTop();
  WriteSize();
  WriteScale();
}

void TZrGraphicsPrintForm::UpdatePreview()
{
  const TZrHiMetric Map = Printer.MapMode();
  Preview->SetPlacement(Layout.Rect(), Layout.FitsPage(Map));
  // A photo of no size would give an empty page.
  PrintButton->setEnabled(Document && Layout.PrintWidth > 0 && Layout.PrintHeight > 0);
}

void TZrGraphicsPrintForm::PageChanged()
{
  Preview->SetPage(Printer.MapMode());
  UpdatePrinterLabel();
  OptionsChange();
  UpdatePreview();
}

void TZrGraphicsPrintForm::UpdatePrinterLabel()
{
  QString Output;
  if (Printer.PrintsToPdf()) {
    Output = LocalString(1301);
    if (!Printer.outputFileName().isEmpty())
      Output += QStringLiteral(" ") + QFileInfo(Printer.outputFileName()).fileName();
    if (!TZrPrinter::HasPrinters())
      Output += QStringLiteral(" (") + LocalString(170) + QLatin1Char(')');
  } else {
    Output = Printer.printerName();
  }
  const QPageLayout Page = Printer.pageLayout();
  const QRectF Mm = Page.fullRect(QPageLayout::Millimeter);
  const QString Paper = QStringLiteral("%1 (%2 × %3 %4), %5")
                            .arg(Page.pageSize().name(), FormatNumber(Mm.width(), 1),
                                 FormatNumber(Mm.height(), 1), LocalString(509),
                                 Page.orientation() == QPageLayout::Landscape ? LocalString(1308)
                                                                              : LocalString(1307));
  PrinterLabel->setText(LocalString(1306) + QStringLiteral(": ") + Output + QLatin1Char('\n') +
                        LocalString(1309) + QStringLiteral(": ") + Paper);
}

void TZrGraphicsPrintForm::OptionsChange()
{
  if (InOptionsChange)
    return;
  InOptionsChange = true;
  const bool Fit = ScaleToFitMediaCheckBox->isChecked();
  CenterImageCheckBox->setEnabled(!Fit);
  if (Fit)
    CenterImageCheckBox->setChecked(true);
  if (Document) {
    if (Fit)
      ScaleToFit();
    else if (CenterImageCheckBox->isChecked())
      Center();
  }
  const bool Centred = CenterImageCheckBox->isChecked();
  LeftEdit->setEnabled(!Centred);
  TopEdit->setEnabled(!Centred);
  ScaleEdit->setEnabled(!Fit);
  WidthEdit->setEnabled(!Fit);
  HeightEdit->setEnabled(!Fit);
  InOptionsChange = false;
}

void TZrGraphicsPrintForm::PrinterButtonClick()
{
  QPrintDialog Dialog(&Printer, this);
  Dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  Dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  Dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  if (Dialog.exec() == QDialog::Accepted)
    PageChanged();
}

void TZrGraphicsPrintForm::PageSetupButtonClick()
{
  QPageSetupDialog Dialog(&Printer, this);
  if (Dialog.exec() == QDialog::Accepted)
    PageChanged();
}

void TZrGraphicsPrintForm::UnitsChange(QComboBox *Box)
{
  if (Box == LeftUnitsComboBox || Box == TopUnitsComboBox)
    WriteLeftTop();
  else
    WriteSize();
}

bool TZrGraphicsPrintForm::EditKeyPress(QLineEdit *Edit, QKeyEvent *Event)
{
  const QString Typed = Event->text();
  // Keys without a character (arrows, Home, ...) and shortcuts keep their
  // usual meaning; so do backspace and the other control characters.
  if (Typed.isEmpty() || (Event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
    return false;
  const QChar C = Typed.at(0);
  if (C.unicode() < 32 || C.unicode() == 127)
    return false;
  const QString Text = Edit->text();
  const int Start = Edit->hasSelectedText() ? Edit->selectionStart() : Edit->cursorPosition();
  const int End = Edit->hasSelectedText() ? Edit->selectionEnd() : Edit->cursorPosition();
  const bool IsScale = Edit == ScaleEdit;
  const bool Percent = Text.endsWith(QLatin1Char('%'));
  if (C == QLatin1Char('%'))
    return !(IsScale && !Text.isEmpty() && End == Text.size() && !Percent);
  if (C == QLatin1Char(',') || C == QLatin1Char('.')) {
    if (Start > 0)
      Edit->insert(NumberLocale().decimalPoint());
    return true;
  }
  if (C == QLatin1Char('-'))
    return !((Edit == LeftEdit || Edit == TopEdit) && Start == 0);
  if (C >= QLatin1Char('0') && C <= QLatin1Char('9'))
    return IsScale && Percent && Start == Text.size();
  return true;
}

void TZrGraphicsPrintForm::EditChange(QLineEdit *Edit)
{
  if (Updating || !Document)
    return;
  const bool Centred = CenterImageCheckBox->isChecked();
  int32_t Value;
  if (Edit == ScaleEdit) {
    QString Text = Edit->text();
    if (Text.endsWith(QLatin1Char('%')))
      Text.chop(1);
    double Percent;
    if (!ParseNumber(Text, Percent))
      return;
    Layout.SetScalePercent(Percent);
    if (Centred)
      Center();
    WriteSize();
  } else if (Edit == LeftEdit || Edit == TopEdit) {
    if (!ParseUnits(Edit->text(), UnitBoxOf(Edit)->currentIndex(), Value))
      return;
    (Edit == LeftEdit ? Layout.PrintLeft : Layout.PrintTop) = Value;
    UpdatePreview();
  } else if (Edit == WidthEdit || Edit == HeightEdit) {
    if (!ParseUnits(Edit->text(), UnitBoxOf(Edit)->currentIndex(), Value) || Value < 0)
      return;
    if (Edit == WidthEdit)
      Layout.SetWidthKeepingProportions(Value);
    else
      Layout.SetHeightKeepingProportions(Value);
    // A centred photo stays centred whichever side changed.
    if (Centred)
      Center();
    Updating = true;
    if (Edit == WidthEdit)
      HeightEdit->setText(FormatUnits(Layout.PrintHeight, HeightUnitsComboBox->currentIndex()));
    else
      WidthEdit->setText(FormatUnits(Layout.PrintWidth, WidthUnitsComboBox->currentIndex()));
    Updating = false;
    WriteScale();
    UpdatePreview();
  }
}

void TZrGraphicsPrintForm::EditExit(QLineEdit *Edit)
{
  QString Text = Edit->text();
  Text.remove(QLatin1Char('%'));
  const QString Point = NumberLocale().decimalPoint();
  if (Text.endsWith(Point))
    Text.chop(Point.size());
  double Number;
  Updating = true;
  if (ParseNumber(Text, Number)) {
    Text = NumberLocale().toString(Number, 'f', QLocale::FloatingPointShortest);
    if (Edit == ScaleEdit)
      Text += QLatin1Char('%');
    Edit->setText(Text);
  } else if (Edit == ScaleEdit) {
    // Text that is no number shows the value in force again.
    Updating = false;
    WriteScale();
  } else if (Edit == LeftEdit || Edit == TopEdit) {
    Updating = false;
    WriteLeftTop();
  } else {
    Updating = false;
    WriteSize();
  }
  Updating = false;
}

bool TZrGraphicsPrintForm::PrintDocument(bool &Cancelled)
{
  Cancelled = false;
  const TZrHiMetric Map = Printer.MapMode();
  const TZrRect Rect = Layout.DeviceRect(Map);
  QString Target;
  const QString OutputFileName = Printer.outputFileName();
  std::unique_ptr<QTemporaryFile> Temporary;
  if (Printer.PrintsToPdf()) {
    Target = OutputFileName;
    if (Target.isEmpty()) {
      Target = QFileInfo(ToQString(Document->FileName.string())).completeBaseName();
      if (Target.isEmpty())
        Target = ToQString(Document->DisplayName());
      if (!Document->FileName.empty())
        Target = QFileInfo(ToQString(Document->FileName.string())).dir().filePath(Target);
      Target += QStringLiteral(".pdf");
      if (!ChoosePdfFile || !ChoosePdfFile(Target)) {
        Cancelled = true;
        return false;
      }
    }
    // The PDF is written beside its place and moved there once complete,
    // so a failed print never destroys a file of that name.
    Temporary = std::make_unique<QTemporaryFile>(QFileInfo(Target).absolutePath() +
                                                 QStringLiteral("/.facette-XXXXXX.pdf"));
    if (!Temporary->open())
      return false;
    Temporary->close();
    Printer.setOutputFileName(Temporary->fileName());
  }
  Printer.setDocName(ToQString(Document->DisplayName()));
  QPainter Painter;
  bool Ok = Painter.begin(&Printer);
  if (Ok) {
    Painter.setRenderHint(QPainter::SmoothPixmapTransform);
    TZrPainterContext DC(Painter);
    Ok = Document->Image().Print(DC, Rect);
    Ok = Painter.end() && Ok;
  }
  if (Temporary) {
    // A file chosen here is asked for again next time, so that a second
    // print never replaces the first one unasked.
    Printer.setOutputFileName(OutputFileName);
    if (Ok) {
      std::error_code Error;
      std::filesystem::rename(Temporary->fileName().toStdString(), Target.toStdString(), Error);
      Ok = !Error;
    }
  }
  return Ok;
}

void TZrGraphicsPrintForm::PrintButtonClick()
{
  if (!Document)
    return;
  const TZrHiMetric Map = Printer.MapMode();
  if (!Layout.FitsPage(Map)) {
    const int Answer = TZrApplication::Exists()
                           ? ZrApplication().MessageBox(LocalString(761), windowTitle(),
                                                        mb::YesNo | mb::IconQuestion)
                           : id::No;
    if (Answer != id::Yes) {
      if (Layout.LargerThanPage(Map))
        ScaleToFit();
      else
        MoveToOrigin();
      return;
    }
  }
  bool Cancelled = false;
  if (PrintDocument(Cancelled)) {
    accept();
    return;
  }
  if (Cancelled)
    return;
  if (TZrApplication::Exists())
    ZrApplication().MessageBox(LocalString(1304), windowTitle(), mb::OK | mb::IconError);
  else
    QMessageBox::critical(this, windowTitle(), LocalString(1304));
}

bool TZrGraphicsPrintForm::eventFilter(QObject *Watched, QEvent *Event)
{
  if (Event->type() == QEvent::KeyPress)
    if (auto *Edit = qobject_cast<QLineEdit *>(Watched))
      if (EditKeyPress(Edit, static_cast<QKeyEvent *>(Event)))
        return true;
  return TZrFormT<QDialog>::eventFilter(Watched, Event);
}

void TZrGraphicsPrintForm::Localize()
{
  setWindowTitle(LocalString(21));
  PositionAndSizeGroupBox->setTitle(LocalString(746));
  LeftLabel->setText(LocalString(149) + QLatin1Char(':'));
  TopLabel->setText(LocalString(148) + QLatin1Char(':'));
  ScaleLabel->setText(LocalString(35) + QLatin1Char(':'));
  WidthLabel->setText(LocalString(505) + QLatin1Char(':'));
  HeightLabel->setText(LocalString(506) + QLatin1Char(':'));
  CenterImageCheckBox->setText(LocalString(757));
  ScaleToFitMediaCheckBox->setText(LocalString(758));
  PrinterButton->setText(LocalString(524) + QStringLiteral("..."));
  PageSetupButton->setText(LocalString(1303) + QStringLiteral("..."));
  PrintButton->setText(LocalString(21));
  CancelButton->setText(LocalString(2));
  const QString UnitNames[PrintUnitCount] = {LocalString(509), LocalString(510), LocalString(759),
                                             LocalString(760)};
  for (QComboBox *Box : UnitBoxes())
    for (int32_t I = 0; I < PrintUnitCount; ++I)
      Box->setItemText(I, UnitNames[I] + QLatin1Char('.'));
  UpdatePrinterLabel();
}

} // namespace facette
