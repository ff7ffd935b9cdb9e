// The print dialog and the Print command: the photo's size and place in
// real units, the keys the fields take, centring and fitting, what happens
// to a photo that does not fit, and a real print into a PDF file that is
// read back to find the photo where it was asked for.
#include "../../editor/ui/EditorTestSupport.h"

#include "framework/ZrSDF.h"
#include "framework/ZrStream.h"
#include "print/ui/ZrGraphicsPrintForm.h"
#include "print/ui/ZrGraphicsPrintModule.h"
#include "print/ui/ZrPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QProcess>
#include <QPushButton>
#include <QTest>

namespace facette::test {
namespace {

// A photo of one colour at a given resolution (small files with the print
// sizes of large photos: 600 x 400 pixels at 60 dpi print like 3000 x 2000
// at 300).
QString WritePhoto(const QTemporaryDir &Folder, const QString &Name, int Width, int Height, int Dpi)
{
  QImage Picture(Width, Height, QImage::Format_RGB888);
  Picture.fill(QColor(90, 60, 40));
  Picture.setDotsPerMeterX(qRound(Dpi / 0.0254));
  Picture.setDotsPerMeterY(qRound(Dpi / 0.0254));
  const QString Path = Folder.filePath(Name);
  EXPECT_TRUE(Picture.save(Path));
  return Path;
}

class PrintTest : public GraphicsEditorFixture
{
protected:
  void SetUp() override
  {
    GraphicsEditorFixture::SetUp();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Printer.UsePdf();
    Printer.setPageSize(QPageSize(QPageSize::A4));
    Printer.setPageOrientation(QPageLayout::Portrait);
    Printer.setOutputFileName(Folder.filePath(QStringLiteral("out.pdf")));
  }
  void TearDown() override
  {
    QLocale::setDefault(QLocale::system());
    GraphicsEditorFixture::TearDown();
  }
  // The dialog over the open photo, every field in centimetres.
  std::unique_ptr<TZrGraphicsPrintForm> OpenForm()
  {
    auto Form = std::make_unique<TZrGraphicsPrintForm>(Printer);
    for (QComboBox *Box : Form->UnitBoxes())
      Box->setCurrentIndex(puCentimetres);
    Form->SetDocument(Doc());
    return Form;
  }
  static void Type(QLineEdit *Edit, const QString &Text)
  {
    Edit->setFocus();
    Edit->selectAll();
    QTest::keyClicks(Edit, Text);
  }

  TZrPrinter Printer;
};

TEST_F(PrintTest, OpensAtTheNaturalSizeCentredOnThePaper)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("big.png"), 600, 400, 60)));
  auto Form = OpenForm();
  EXPECT_EQ(Form->Layout.NaturalWidth, 25400);
  EXPECT_EQ(Form->Layout.NaturalHeight, 16933);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("25.4"));
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("16.933"));
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("100%"));
  const TZrPoint Paper = Printer.MapMode().PaperCorner();
  EXPECT_EQ(Form->Layout.PrintLeft, (Paper.X - 25400) / 2);
  EXPECT_EQ(Form->Layout.PrintTop, (Paper.Y - 16933) / 2);
  EXPECT_TRUE(Form->PrinterLabel->text().contains(QStringLiteral("PDF")));
  EXPECT_TRUE(Form->PrinterLabel->text().contains(QStringLiteral("A4")));

  // Another unit rewrites its own field only.
  Form->WidthUnitsComboBox->setCurrentIndex(puInches);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("10"));
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("16.933"));
  Form->WidthUnitsComboBox->setCurrentIndex(puMillimetres);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("254"));
}

TEST_F(PrintTest, ScaleAndSidesKeepTheProportionsAndTheCentre)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("big.png"), 600, 400, 60)));
  auto Form = OpenForm();
  Form->CenterImageCheckBox->setChecked(true);
  EXPECT_FALSE(Form->LeftEdit->isEnabled());

  Type(Form->ScaleEdit, QStringLiteral("50%"));
  EXPECT_EQ(Form->Layout.PrintWidth, 12700);
  EXPECT_EQ(Form->Layout.PrintHeight, 8466);
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("12.7"));
  const TZrPoint Paper = Printer.MapMode().PaperCorner();
  EXPECT_EQ(Form->Layout.PrintLeft, (Paper.X - 12700) / 2);
  EXPECT_EQ(Form->LeftEdit->text(), TZrGraphicsPrintForm::FormatUnits(Form->Layout.PrintLeft, 1));

  Type(Form->WidthEdit, QStringLiteral("10"));
  EXPECT_EQ(Form->Layout.PrintHeight, 6667);
  EXPECT_EQ(Form->HeightEdit->text(), QStringLiteral("6.667"));
  EXPECT_EQ(Form->Layout.PrintLeft, (Paper.X - 10000) / 2); // still centred
  EXPECT_EQ(Form->ScaleEdit->text(), QStringLiteral("39.37%"));

  Type(Form->HeightEdit, QStringLiteral("20"));
  EXPECT_EQ(Form->Layout.PrintWidth, 30001); // 30000.59
  EXPECT_EQ(Form->Layout.PrintTop, (Paper.Y - 20000) / 2);

  // Text that is no number changes nothing, and shows the value again
  // when the field is left.
  Form->CenterImageCheckBox->setChecked(false);
  const int32_t Left = Form->Layout.PrintLeft;
  Type(Form->LeftEdit, QStringLiteral("-"));
  EXPECT_EQ(Form->Layout.PrintLeft, Left);
  Form->EditExit(Form->LeftEdit);
  EXPECT_EQ(Form->LeftEdit->text(), TZrGraphicsPrintForm::FormatUnits(Left, puCentimetres));
}

TEST_F(PrintTest, ScaleToFitTakesOverSizeAndCentre)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("big.png"), 600, 400, 60)));
  auto Form = OpenForm();
  Form->ScaleToFitMediaCheckBox->setChecked(true);
  EXPECT_TRUE(Form->CenterImageCheckBox->isChecked());
  EXPECT_FALSE(Form->CenterImageCheckBox->isEnabled());
  for (QLineEdit *Edit :
       {Form->ScaleEdit, Form->WidthEdit, Form->HeightEdit, Form->LeftEdit, Form->TopEdit})
    EXPECT_FALSE(Edit->isEnabled());
  const TZrHiMetric Map = Printer.MapMode();
  EXPECT_TRUE(Form->Layout.FitsPage(Map));
  EXPECT_LT(Form->Layout.PrintWidth, 21000);
  EXPECT_NE(Form->ScaleEdit->text(), QStringLiteral("100%"));

  // Turning the paper fits the photo to the new page at once.
  Printer.setPageOrientation(QPageLayout::Landscape);
  Form->PageChanged();
  EXPECT_GT(Form->Layout.PrintWidth, 21000);
  EXPECT_TRUE(Form->Layout.FitsPage(Printer.MapMode()));

  Form->ScaleToFitMediaCheckBox->setChecked(false);
  EXPECT_TRUE(Form->CenterImageCheckBox->isEnabled());
  EXPECT_TRUE(Form->WidthEdit->isEnabled());
}

TEST_F(PrintTest, FieldsTakeOnlyWhatMakesANumber)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("small.png"), 300, 200, 300)));
  auto Form = OpenForm();
  struct Case
  {
    const char *Field;
    const char *Keys;
    const char *Text; // what the field holds afterwards (starting empty)
  };
  const Case Cases[] = {
      {"width", "12.5", "12.5"}, {"width", ".5", "5"},    {"width", "1,5", "1.5"},
      {"width", "-3", "3"},      {"width", "4x%", "4"},   {"left", "-3", "-3"},
      {"left", "3-", "3"},       {"scale", "50%", "50%"}, {"scale", "50%5", "50%"},
      {"scale", "%50", "50"},    {"scale", "5%%", "5%"},  {"top", "7e2", "72"},
  };
  for (const Case &C : Cases) {
    const QString Field = QString::fromLatin1(C.Field);
    QLineEdit *Edit = Field == QLatin1String("width")  ? Form->WidthEdit
                      : Field == QLatin1String("left") ? Form->LeftEdit
                      : Field == QLatin1String("top")  ? Form->TopEdit
                                                       : Form->ScaleEdit;
    Form->CenterImageCheckBox->setChecked(false);
    Edit->setFocus();
    Edit->clear();
    QTest::keyClicks(Edit, QString::fromLatin1(C.Keys));
    EXPECT_EQ(Edit->text(), QString::fromLatin1(C.Text)) << C.Field << " typed " << C.Keys;
  }

  // German writes decimals with a comma: both keys give it.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  Form->WidthEdit->clear();
  QTest::keyClicks(Form->WidthEdit, QStringLiteral("2.5"));
  EXPECT_EQ(Form->WidthEdit->text(), QStringLiteral("2,5"));
  EXPECT_EQ(Form->Layout.PrintWidth, 2500);
}

TEST_F(PrintTest, UnitsFollowTheMeasurementSystem)
{
  EXPECT_EQ(DefaultPrintUnit(QLocale::ImperialUSSystem), puInches);
  EXPECT_EQ(DefaultPrintUnit(QLocale::MetricSystem), puCentimetres);
  EXPECT_EQ(DefaultPrintUnit(QLocale::ImperialUKSystem), puCentimetres);
}

// Rendered at 127 dots per inch, one pixel of the page is 0.2 mm.
QImage RenderPdf(const QString &Pdf, const QString &Base)
{
  QProcess Render;
  Render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("127"),
                                            QStringLiteral("-singlefile"), Pdf, Base});
  if (!Render.waitForFinished(60000) || Render.exitCode() != 0)
    return {};
  return QImage(Base + QStringLiteral(".ppm"));
}

// The rectangle of everything that is not (nearly) white.
QRect InkBounds(const QImage &Rendered)
{
  const QImage Page = Rendered.convertToFormat(QImage::Format_RGB32);
  QRect Ink;
  for (int Y = 0; Y < Page.height(); ++Y) {
    const auto *Row = reinterpret_cast<const QRgb *>(Page.constScanLine(Y));
    for (int X = 0; X < Page.width(); ++X)
      if (qRed(Row[X]) < 235 || qGreen(Row[X]) < 235 || qBlue(Row[X]) < 235) {
        int Last = Page.width() - 1;
        while (qRed(Row[Last]) >= 235 && qGreen(Row[Last]) >= 235 && qBlue(Row[Last]) >= 235)
          --Last;
        Ink |= QRect(X, Y, Last - X + 1, 1);
        break;
      }
  }
  return Ink;
}

TEST_F(PrintTest, ThePdfHoldsThePhotoWhereAndAsLargeAsAsked)
{
  ASSERT_TRUE(Open(QStringLiteral(FACETTE_SOURCE_DIR "/data/samples/portrait.png")));
  auto Form = OpenForm();
  Form->CenterImageCheckBox->setChecked(false);
  Type(Form->LeftEdit, QStringLiteral("3"));
  Type(Form->TopEdit, QStringLiteral("5"));
  Form->WidthUnitsComboBox->setCurrentIndex(puMillimetres);
  Type(Form->WidthEdit, QStringLiteral("100"));
  EXPECT_EQ(Form->Layout.Rect(), MakeRect(3000, 5000, 13000, 15000));

  const QString Pdf = Printer.outputFileName();
  QFile::remove(Pdf);
  Form->PrintButtonClick();
  EXPECT_EQ(Form->result(), QDialog::Accepted);
  ASSERT_TRUE(QFile::exists(Pdf));
  // Nothing but the PDF is left in the folder.
  const QStringList Left = QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(Left.filter(QStringLiteral(".pdf")), QStringList{QStringLiteral("out.pdf")});

  const QImage Page = RenderPdf(Pdf, Folder.filePath(QStringLiteral("page")));
  ASSERT_FALSE(Page.isNull());
  EXPECT_NEAR(Page.width(), 1050, 1); // A4 in fifths of a millimetre
  EXPECT_NEAR(Page.height(), 1485, 1);
  const QRect Ink = InkBounds(Page);
  // Within a millimetre (five pixels) on every edge.
  EXPECT_NEAR(Ink.left(), 150, 5);
  EXPECT_NEAR(Ink.top(), 250, 5);
  EXPECT_NEAR(Ink.right() + 1, 650, 5);
  EXPECT_NEAR(Ink.bottom() + 1, 750, 5);
}

TEST_F(PrintTest, APhotoOffThePageIsAdjustedWhenTheAnswerIsNo)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("big.png"), 600, 400, 20))); // 76 cm wide
  auto Form = OpenForm();
  const QString Pdf = Printer.outputFileName();
  QFile::remove(Pdf);
  Answer = id::No;
  Form->PrintButtonClick();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("36:")));
  EXPECT_FALSE(QFile::exists(Pdf));
  // Too large: scaled to the printable area, the dialog still open.
  const TZrHiMetric Map = Printer.MapMode();
  EXPECT_TRUE(Form->Layout.FitsPage(Map));
  EXPECT_EQ(Form->result(), 0);

  // Only misplaced: moved to the printable area's corner.
  Form->CenterImageCheckBox->setChecked(false);
  Type(Form->WidthEdit, QStringLiteral("5"));
  Type(Form->LeftEdit, QStringLiteral("19"));
  Form->PrintButtonClick();
  EXPECT_EQ(Form->Layout.PrintLeft, Map.PrintableRect().Left);
  EXPECT_EQ(Form->Layout.PrintTop, Map.PrintableRect().Top);
  EXPECT_FALSE(QFile::exists(Pdf));

  // Yes prints as it stands.
  Type(Form->LeftEdit, QStringLiteral("19"));
  Answer = id::Yes;
  Form->PrintButtonClick();
  EXPECT_TRUE(QFile::exists(Pdf));
  EXPECT_EQ(Form->result(), QDialog::Accepted);
}

TEST_F(PrintTest, APdfWithoutANameIsAskedForAndCancellingPrintsNothing)
{
  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("holiday.png"), 300, 200, 300)));
  auto Form = OpenForm();
  Printer.setOutputFileName(QString());
  QString Proposed;
  Form->ChoosePdfFile = [&](QString &FileName) {
    Proposed = FileName;
    return false;
  };
  Form->PrintButtonClick();
  EXPECT_EQ(Proposed, Folder.filePath(QStringLiteral("holiday.pdf")));
  EXPECT_TRUE(Messages.isEmpty()); // cancelling is no error
  EXPECT_EQ(Form->result(), 0);

  const QString Chosen = Folder.filePath(QStringLiteral("chosen.pdf"));
  Form->ChoosePdfFile = [&](QString &FileName) {
    FileName = Chosen;
    return true;
  };
  Form->PrintButtonClick();
  EXPECT_TRUE(QFile::exists(Chosen));
  EXPECT_TRUE(Printer.outputFileName().isEmpty()); // asked again next time

  // A folder that cannot be written: an error, and nothing left behind.
  Form->ChoosePdfFile = [&](QString &FileName) {
    FileName = Folder.filePath(QStringLiteral("no-such-folder/x.pdf"));
    return true;
  };
  Form->PrintButtonClick();
  ASSERT_EQ(Messages.size(), 1);
  EXPECT_TRUE(Messages[0].startsWith(QStringLiteral("16:")));
}

TEST_F(PrintTest, ThePrintCommandNeedsAPhotoAndRemembersTheChoices)
{
  TZrGraphicsPrintModule *Module = nullptr;
  App.CreateModule(Module);
  Module->Initialize();
  Module->UpdateControls();
  EXPECT_FALSE(Module->PrintMenuItem->isEnabled());
  EXPECT_EQ(Module->PrintMenuItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  EXPECT_EQ(Module->PrintMenuItem->text(), QStringLiteral("Print..."));
  EXPECT_FALSE(Module->PrintToolButton->isVisible());

  ASSERT_TRUE(Open(WritePhoto(Folder, QStringLiteral("small.png"), 300, 200, 300)));
  Module->UpdateControls();
  EXPECT_TRUE(Module->PrintMenuItem->isEnabled());

  int Shown = 0;
  Module->ExecForm = [&](TZrGraphicsPrintForm &Form) {
    ++Shown;
    EXPECT_EQ(Form.Document, Doc());
    if (!TZrPrinter::HasPrinters()) {
      EXPECT_TRUE(Module->Printer().PrintsToPdf());
    }
    Form.ScaleToFitMediaCheckBox->setChecked(true);
    Form.WidthUnitsComboBox->setCurrentIndex(puPoints);
    return QDialog::Rejected;
  };
  Module->PrintMenuItem->trigger();
  EXPECT_EQ(Shown, 1);
  EXPECT_TRUE(Module->ScaleToFitMedia);
  EXPECT_EQ(Module->Units[2], puPoints);

  // The choices outlive the session.
  TZrMemoryStream Stream;
  {
    TZrSDFWriter Writer(&Stream);
    Module->SaveSettings(Writer);
  }
  Module->ScaleToFitMedia = false;
  Module->Units[2] = puCentimetres;
  Stream.Seek(0);
  TZrSDFReader Reader(&Stream);
  Module->LoadSettings(Reader);
  EXPECT_TRUE(Module->ScaleToFitMedia);
  EXPECT_EQ(Module->Units[2], puPoints);

  Module->ExecForm = [&](TZrGraphicsPrintForm &Form) {
    EXPECT_TRUE(Form.ScaleToFitMediaCheckBox->isChecked());
    EXPECT_EQ(Form.WidthUnitsComboBox->currentIndex(), puPoints);
    return QDialog::Rejected;
  };
  Module->PrintCommand();

  // Not for an image handed over by another program.
  Editor->SetPlugInMode(true);
  Module->UpdateControls();
  EXPECT_FALSE(Module->PrintMenuItem->isEnabled());
}

} // namespace
} // namespace facette::test
