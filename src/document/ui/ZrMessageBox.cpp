#include "document/ui/ZrMessageBox.h"

#include "framework/ui/ZrApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace facette {

namespace {

QPixmap IconPicture(const TZrMessageIcon &Icon, const QStyle *Style)
{
  if (Icon.IsNull())
    return {};
  if (Icon.SystemId > 0 && Icon.SystemId <= 32516) {
    QStyle::StandardPixmap Kind = QStyle::SP_MessageBoxInformation;
    switch (Icon.SystemId) {
    case 32513:
      Kind = QStyle::SP_MessageBoxCritical;
      break;
    case 32514:
      Kind = QStyle::SP_MessageBoxQuestion;
      break;
    case 32515:
      Kind = QStyle::SP_MessageBoxWarning;
      break;
    case 32512:
      return QApplication::windowIcon().pixmap(32, 32);
    default:
      break;
    }
    return Style->standardIcon(Kind).pixmap(32, 32);
  }
  return QIcon(QStringLiteral(":/images/") + Icon.ResourceName + QStringLiteral(".svg"))
      .pixmap(32, 32);
}

} // namespace

TZrMessageBox::TZrMessageBox(const QString &Caption, const QString &Text,
                             const QStringList &Buttons, int LastButton, const QString &CheckText,
                             bool Checked, const TZrMessageIcon &Icon, QWidget *Parent)
    : QDialog(Parent), Text(Text)
{
  setWindowTitle(Caption);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  const QFontMetrics Metrics(font());
  const QRect Measured =
      Metrics.boundingRect(QRect(0, 0, WrapWidth, 100000), Qt::TextWordWrap, Text);
  TextWidth = Measured.width();
  TextHeight = Measured.height();
  IconPixmap = IconPicture(Icon, style());
  const QSize IconSize =
      IconPixmap.isNull() ? QSize() : IconPixmap.deviceIndependentSize().toSize();

  const int Count = LastButton >= 0 ? LastButton + 1 : 0;
  const int RowWidth = Count > 0 ? LastButton * (ButtonWidth + ButtonSpacing) + ButtonWidth : 0;

  int CheckHeight = 0;
  if (!CheckText.isEmpty()) {
    CheckBox = new QCheckBox(CheckText, this);
    CheckBox->setChecked(Checked);
    CheckBox->adjustSize();
    CheckHeight = CheckBox->height();
  }

  int Width, Height, TextLeft;
  if (!IconPixmap.isNull()) {
    const int H = std::max(IconSize.height(), TextHeight);
    Width = IconSize.width() + std::max(RowWidth, TextWidth) + 48;
    Height = H + 66 + CheckHeight;
    if (CheckBox)
      CheckBox->move(IconSize.width() + 32, H + 24);
    TextLeft = IconSize.width() + 32;
  } else {
    Width = std::max(RowWidth, TextWidth) + 32;
    Height = TextHeight + 66 + CheckHeight;
    if (CheckBox)
      CheckBox->move(16, TextHeight + 20);
    TextLeft = 16;
  }
  // Text beside a taller icon sits in the middle of it.
  const int TextTop = 16 + std::max(0, IconSize.height() - TextHeight) / 2;
  TextRect = QRect(TextLeft, TextTop, TextWidth, TextHeight);

  int Left = (Width - RowWidth) / 2;
  for (int I = 0; I < Count; ++I) {
    auto *Button = new QPushButton(Buttons.value(I), this);
    Button->setGeometry(Left, Height - 34, ButtonWidth, ButtonHeight);
    Button->setAutoDefault(I == 0);
    connect(Button, &QPushButton::clicked, this, [this, I] { done(I + 1); });
    ButtonWidgets << Button;
    Left += ButtonWidth + ButtonSpacing;
  }
  setFixedSize(Width, Height);
}

void TZrMessageBox::paintEvent(QPaintEvent *Event)
{
  QDialog::paintEvent(Event);
  QPainter Painter(this);
  if (!IconPixmap.isNull())
    Painter.drawPixmap(16, 16, IconPixmap);
  Painter.drawText(TextRect, Qt::TextWordWrap, Text);
}

int ShowMessageBox(const QString &Caption, const QString &Text, const QStringList &Buttons,
                   bool *Checked, const QString &CheckText, const TZrMessageIcon &Icon,
                   int LastButton)
{
  QWidget *Main = TZrApplication::Exists() ? ZrApplication().MainForm() : nullptr;
  TZrMessageBox Box(Caption, Text, Buttons, LastButton, CheckText, Checked && *Checked, Icon, Main);
  if (Main) {
    Box.adjustSize();
    Box.move(Main->geometry().center() - QPoint(Box.width() / 2, Box.height() / 2));
  }
  // Closing without a button is the cancel result (2), one less than that.
  const int Result = Box.exec();
  if (Checked && Box.CheckBox)
    *Checked = Box.CheckBox->isChecked();
  return (Result == QDialog::Rejected ? 2 : Result) - 1;
}

} // namespace facette
