#include "imaging/ui/ZrJPEGOptionsForm.h"

#include "framework/ui/ZrLocalizerQt.h"
#include "imaging/ZrGraphicsFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace facette {

namespace {

// A whole number in 0..100 written with digits only (blanks around it
// allowed when Trim is set).
bool ParseQuality(QString Text, bool Trim, int32_t &Value)
{
  if (Trim)
    Text = Text.trimmed();
  if (Text.isEmpty() || Text.size() > 3)
    return false;
  for (const QChar C : Text)
    if (C < QLatin1Char('0') || C > QLatin1Char('9'))
      return false;
  Value = Text.toInt();
  return Value <= 100;
}

} // namespace

TZrJPEGOptionsForm::TZrJPEGOptionsForm(QWidget *Parent) : TZrFormT<QDialog>(Parent)
{
  setModal(true);
  QualityLabel = new QLabel(this);
  QualityEdit = new QLineEdit(this);
  QualityEdit->setMaxLength(4);
  QualityEdit->setFixedWidth(QualityEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                             12);
  QualityComboBox = new QComboBox(this);
  for (size_t I = 0; I < JpegQualityPresets.size(); ++I)
    QualityComboBox->addItem(QString());
  QualityTrackBar = new QSlider(Qt::Horizontal, this);
  QualityTrackBar->setRange(0, 100);
  QualityTrackBar->setTickInterval(5);
  QualityTrackBar->setTickPosition(QSlider::TicksBelow);
  QualityTrackBar->setPageStep(5);
  SmallFileLabel = new QLabel(this);
  LargeFileLabel = new QLabel(this);
  LargeFileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  DisplayCheckbox = new QCheckBox(this);
  DisplayCheckbox->setVisible(false);
  MinimalLossCheckBox = new QCheckBox(this);
  MinimalLossCheckBox->setVisible(false);
  OkButton = new QPushButton(this);
  OkButton->setDefault(true);
  CancelButton = new QPushButton(this);

  auto *Top = new QHBoxLayout;
  Top->addWidget(QualityLabel);
  Top->addWidget(QualityEdit);
  Top->addWidget(QualityComboBox, 1);
  auto *Ends = new QHBoxLayout;
  Ends->addWidget(SmallFileLabel);
  Ends->addStretch(1);
  Ends->addWidget(LargeFileLabel);
  auto *Buttons = new QHBoxLayout;
  Buttons->addStretch(1);
  Buttons->addWidget(OkButton);
  Buttons->addWidget(CancelButton);
  auto *Layout = new QVBoxLayout(this);
  Layout->addLayout(Top);
  Layout->addWidget(QualityTrackBar);
  Layout->addLayout(Ends);
  Layout->addWidget(DisplayCheckbox);
  Layout->addWidget(MinimalLossCheckBox);
  Layout->addLayout(Buttons);

  connect(QualityEdit, &QLineEdit::textChanged, this, [this] { QualityEditChange(); });
  connect(QualityTrackBar, &QSlider::valueChanged, this, [this] { QualityTrackBarChange(); });
  connect(QualityComboBox, qOverload<int>(&QComboBox::activated), this,
          [this] { QualityComboBoxChange(); });
  connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  SetQuality(80);
  Initialize();
}

void TZrJPEGOptionsForm::Localize()
{
  setWindowTitle(LocalString(205));
  DisplayCheckbox->setText(LocalString(206));
  QualityLabel->setText(LocalString(207) + QLatin1Char(':'));
  static const int PresetNames[] = {208, 209, 210, 211, 212};
  for (int I = 0; I < 5; ++I)
    QualityComboBox->setItemText(I, LocalString(PresetNames[I]));
  MinimalLossCheckBox->setText(
      LocalString(1240, QStringLiteral("Keep unedited areas exactly as they are")));
  MinimalLossCheckBox->setToolTip(LocalString(
      1241, QStringLiteral("Only the areas you edited are compressed again, with the photo's own "
                           "quality; everything else keeps its original JPEG data. Works at the "
                           "photo's own quality.")));
  SmallFileLabel->setText(LocalString(213));
  LargeFileLabel->setText(LocalString(214));
  OkButton->setText(LocalString(1));
  CancelButton->setText(LocalString(2));
}

void TZrJPEGOptionsForm::Apply(int32_t Value, bool Edit, bool TrackBar, bool ComboBox)
{
  Updating = true;
  if (Edit)
    QualityEdit->setText(QString::number(Value));
  if (TrackBar)
    QualityTrackBar->setValue(Value);
  if (ComboBox)
    QualityComboBox->setCurrentIndex(JpegQualityPresetIndex(Value));
  // At another quality than the photo's own everything is compressed anew.
  MinimalLossCheckBox->setEnabled(Value == OwnQuality);
  Updating = false;
}

void TZrJPEGOptionsForm::SetQuality(int32_t Value)
{
  Apply(std::clamp(Value, 0, 100), true, true, true);
}

int32_t TZrJPEGOptionsForm::GetQuality() const
{
  int32_t Value = 0;
  return ParseQuality(QualityEdit->text(), true, Value) ? Value : QualityTrackBar->value();
}

void TZrJPEGOptionsForm::SetOptions(const TZrJpegOptions &Options)
{
  OwnQuality = Options.MinimalLossOffered ? Options.OwnQuality : 0;
  MinimalLossCheckBox->setVisible(Options.MinimalLossOffered);
  MinimalLossCheckBox->setChecked(Options.MinimalLoss);
  SetQuality(Options.Quality);
}

void TZrJPEGOptionsForm::GetOptions(TZrJpegOptions &Options) const
{
  Options.Quality = GetQuality();
  if (Options.MinimalLossOffered)
    Options.MinimalLoss = MinimalLossCheckBox->isChecked();
}

void TZrJPEGOptionsForm::QualityEditChange()
{
  if (Updating)
    return;
  int32_t Value = 0;
  if (ParseQuality(QualityEdit->text(), false, Value))
    Apply(Value, false, true, true);
}

void TZrJPEGOptionsForm::QualityTrackBarChange()
{
  if (!Updating)
    Apply(QualityTrackBar->value(), true, false, true);
}

void TZrJPEGOptionsForm::QualityComboBoxChange()
{
  if (Updating)
    return;
  const int Index = QualityComboBox->currentIndex();
  if (Index >= 0 && Index < static_cast<int>(JpegQualityPresets.size()))
    Apply(JpegQualityPresets[static_cast<size_t>(Index)], true, true, false);
}

void TZrJPEGOptionsForm::OkButtonClick()
{
  int32_t Value = 0;
  if (ParseQuality(QualityEdit->text(), true, Value)) {
    accept();
    return;
  }
  if (TZrApplication::Exists())
    ZrApplication().MessageBox(
        LocalString(216, QStringLiteral("Please enter a whole number from 0 to 100.")),
        windowTitle(), mb::OK | mb::IconError);
  else
    QMessageBox::critical(
        this, windowTitle(),
        LocalString(216, QStringLiteral("Please enter a whole number from 0 to 100.")));
  // Bring a number out of range back into it; anything else falls back to
  // what the slider shows.
  bool IsNumber = false;
  const qlonglong Number = QualityEdit->text().trimmed().toLongLong(&IsNumber);
  SetQuality(IsNumber ? static_cast<int32_t>(std::clamp<qlonglong>(Number, 0, 100))
                      : QualityTrackBar->value());
  QualityEdit->setFocus();
  QualityEdit->selectAll();
}

bool ExecuteJPEGOptions(QWidget *Parent, TZrJpegOptions &Options)
{
  TZrJPEGOptionsForm Form(Parent);
  Form.SetOptions(Options);
  if (Form.exec() != QDialog::Accepted)
    return false;
  Form.GetOptions(Options);
  return true;
}

bool ExecuteJPEGOptions(QWidget *Parent, int32_t &Quality)
{
  TZrJpegOptions Options;
  Options.Quality = Quality;
  if (!ExecuteJPEGOptions(Parent, Options))
    return false;
  Quality = Options.Quality;
  return true;
}

} // namespace facette
