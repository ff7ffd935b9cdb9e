#include "tools/geometry/ui/ZrTextTool.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrToolPanel.h"
#include "editor/ui/ZrViewControls.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/geometry/ui/ZrToolParts.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace facette {

namespace {

// The colours of the colour box, 00BBGGRR, with the numbers of their names:
// the sixteen standard colours, then four more.
struct TListedColor
{
  int32_t Color;
  int NameId;
  const char *Name;
};
constexpr TListedColor ListedColors[] = {
    {0x000000, 1220, "Black"}, {0x000080, 1221, "Maroon"},      {0x008000, 1222, "Green"},
    {0x008080, 1223, "Olive"}, {0x800000, 1224, "Navy"},        {0x800080, 1225, "Purple"},
    {0x808000, 1226, "Teal"},  {0x808080, 1227, "Gray"},        {0xC0C0C0, 1228, "Silver"},
    {0x0000FF, 1229, "Red"},   {0x00FF00, 1230, "Lime"},        {0x00FFFF, 1231, "Yellow"},
    {0xFF0000, 1232, "Blue"},  {0xFF00FF, 1233, "Fuchsia"},     {0xFFFF00, 1234, "Aqua"},
    {0xFFFFFF, 1235, "White"}, {0xC0DCC0, 1236, "Money Green"}, {0xF0CAA6, 1237, "Sky Blue"},
    {0xF0FBFF, 1238, "Cream"}, {0xA4A0A0, 1239, "Medium Gray"},
};

QColor ToQColor(int32_t Color)
{
  return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

QIcon Swatch(int32_t Color)
{
  QPixmap Picture(16, 12);
  Picture.fill(ToQColor(Color));
  QPainter Painter(&Picture);
  Painter.setPen(Qt::black);
  Painter.drawRect(0, 0, 15, 11);
  return QIcon(Picture);
}

// The font list shows every family in its own face, each row as high as
// that face needs; faces are only loaded for the rows drawn.
class TFontNameDelegate : public QStyledItemDelegate
{
public:
  using QStyledItemDelegate::QStyledItemDelegate;

protected:
  void initStyleOption(QStyleOptionViewItem *Option, const QModelIndex &Index) const override
  {
    QStyledItemDelegate::initStyleOption(Option, Index);
    QFont Face(Index.data(Qt::DisplayRole).toString());
    Face.setPointSizeF(Option->font.pointSizeF());
    Option->font = Face;
    Option->fontMetrics = QFontMetrics(Face);
  }
  QSize sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const override
  {
    QStyleOptionViewItem Face = Option;
    initStyleOption(&Face, Index);
    const QSize Size = QStyledItemDelegate::sizeHint(Face, Index);
    return QSize(Size.width(), Face.fontMetrics.height() + 4);
  }
};

QToolButton *StyleButton(const QString &Caption, QWidget *Parent)
{
  auto *Button = new QToolButton(Parent);
  Button->setText(Caption);
  Button->setCheckable(true);
  Button->setAutoRaise(true);
  Button->setFixedSize(26, 26);
  return Button;
}

// Pixels of the text bitmap at most: larger text is rendered smaller, and
// only its sharpness suffers.
constexpr int64_t MaxTextPixels = int64_t{16} << 20;
constexpr int32_t MaxTextSide = 16384;

} // namespace

// --- frame ---------------------------------------------------------------

TZrTextFrame::TZrTextFrame(QWidget *Parent) : TZrFrame(Parent)
{
  TitleLabel = new QLabel(QStringLiteral("Text"), this);
  QFont TitleFont = TitleLabel->font();
  TitleFont.setUnderline(true);
  TitleFont.setBold(true);
  TitleLabel->setFont(TitleFont);

  FontTntGroupBox = new QGroupBox(QStringLiteral("Font"), this);
  FontNameComboBox = new QComboBox(FontTntGroupBox);
  FontNameComboBox->setItemDelegate(new TFontNameDelegate(FontNameComboBox));
  FontNameComboBox->setMaxVisibleItems(16);
  FontNameComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  FontNameComboBox->setMinimumContentsLength(12);

  SizeTBXLabel = new QLabel(QStringLiteral("Size:"), FontTntGroupBox);
  SizeTBXLabel->installEventFilter(this);
  SizeSpinEdit = new QSpinBox(FontTntGroupBox);
  SizeSpinEdit->setRange(8, 400);
  SizeSpinEdit->setValue(72);
  // Sizes are chosen with the arrows only.
  if (auto *Entry = SizeSpinEdit->findChild<QLineEdit *>())
    Entry->setReadOnly(true);

  BoldTBXButton = StyleButton(QStringLiteral("B"), FontTntGroupBox);
  ItalicTBXButton = StyleButton(QStringLiteral("I"), FontTntGroupBox);
  UnderlineTBXButton = StyleButton(QStringLiteral("U"), FontTntGroupBox);
  StrikeoutTBXButton = StyleButton(QStringLiteral("S"), FontTntGroupBox);
  // Each caption in its own style.
  QFont Caption(QStringLiteral("Times New Roman"));
  Caption.setStyleHint(QFont::Serif);
  Caption.setPixelSize(23);
  QFont Bold = Caption, Italic = Caption, Underline = Caption, Strikeout = Caption;
  Bold.setBold(true);
  Italic.setItalic(true);
  Underline.setUnderline(true);
  Strikeout.setStrikeOut(true);
  BoldTBXButton->setFont(Bold);
  ItalicTBXButton->setFont(Italic);
  UnderlineTBXButton->setFont(Underline);
  StrikeoutTBXButton->setFont(Strikeout);

  FontColorTntRadioGroup = new QGroupBox(QStringLiteral("Color"), FontTntGroupBox);
  SelectedRadioButton = new QRadioButton(QStringLiteral("Selected"), FontColorTntRadioGroup);
  InvertedRadioButton = new QRadioButton(QStringLiteral("Inverted"), FontColorTntRadioGroup);
  FontColorButtons = new QButtonGroup(FontColorTntRadioGroup);
  FontColorButtons->addButton(SelectedRadioButton, 0);
  FontColorButtons->addButton(InvertedRadioButton, 1);
  SelectedRadioButton->setChecked(true);
  auto *ColorColumn = new QVBoxLayout(FontColorTntRadioGroup);
  ColorColumn->addWidget(SelectedRadioButton);
  ColorColumn->addWidget(InvertedRadioButton);

  ColorBox = new QComboBox(FontTntGroupBox);
  ColorBox->setMaxVisibleItems(20);
  // The narrow panel decides the width, not the longest colour name.
  ColorBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ColorBox->setMinimumContentsLength(6);
  for (const TListedColor &Listed : ListedColors)
    ColorBox->addItem(Swatch(Listed.Color), QString::fromLatin1(Listed.Name), Listed.Color);
  ColorBox->setCurrentIndex(15);
  MaxInverseTBXCheckBox = new QCheckBox(QStringLiteral("MaxInverseTBXCheckBox"), FontTntGroupBox);
  MaxInverseTBXCheckBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  auto *Grid = new QGridLayout(FontTntGroupBox);
  Grid->addWidget(FontNameComboBox, 0, 0, 1, 2);
  auto *SizeRow = new QHBoxLayout;
  SizeRow->addWidget(SizeTBXLabel);
  SizeRow->addWidget(SizeSpinEdit);
  SizeRow->addStretch(1);
  for (QToolButton *Button :
       {BoldTBXButton, ItalicTBXButton, UnderlineTBXButton, StrikeoutTBXButton})
    SizeRow->addWidget(Button);
  Grid->addLayout(SizeRow, 1, 0, 1, 2);
  Grid->addWidget(FontColorTntRadioGroup, 2, 0);
  Grid->addWidget(ColorBox, 2, 1, Qt::AlignTop);
  Grid->addWidget(MaxInverseTBXCheckBox, 3, 0, 1, 2);
  Grid->setColumnStretch(1, 1);

  TextTntMemo = new QPlainTextEdit(this);
  TextTntMemo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
  TextTntMemo->setMinimumHeight(80);
  TextTntMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  TextTntMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  TextTntMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont MemoFont = TextTntMemo->font();
  MemoFont.setPixelSize(13);
  TextTntMemo->setFont(MemoFont);

  auto *Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(FontTntGroupBox);
  Layout->addWidget(TextTntMemo, 1);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

void TZrTextFrame::FillFontNames()
{
  const QSignalBlocker Quiet(FontNameComboBox);
  FontNameComboBox->clear();
  FontNameComboBox->addItems(QFontDatabase::families());
}

void TZrTextFrame::SelectColor(int32_t Color)
{
  int Index = ColorBox->findData(Color);
  if (Index < 0) {
    // A colour from the settings or a demonstration that is not listed
    // gets an entry of its own, named by its value.
    ColorBox->addItem(Swatch(Color), ToQColor(Color).name(QColor::HexRgb).toUpper(), Color);
    Index = ColorBox->count() - 1;
  }
  ColorBox->setCurrentIndex(Index);
}

int32_t TZrTextFrame::SelectedColor() const
{
  return ColorBox->currentIndex() < 0 ? 0 : ColorBox->currentData().toInt();
}

void TZrTextFrame::LocalizeColorNames()
{
  for (int I = 0; I < static_cast<int>(std::size(ListedColors)) && I < ColorBox->count(); ++I)
    ColorBox->setItemText(
        I, LocalString(ListedColors[I].NameId, QString::fromLatin1(ListedColors[I].Name)));
}

bool TZrTextFrame::eventFilter(QObject *Watched, QEvent *Event)
{
  // A double click on the size label gives the main window a standard size,
  // for pictures of the program taken at that size.
  if (Watched == SizeTBXLabel && Event->type() == QEvent::MouseButtonDblClick) {
    if (TMainForm *Main = MainForm())
      Main->resize(800, 600);
    return true;
  }
  return TZrFrame::eventFilter(Watched, Event);
}

// --- control -------------------------------------------------------------

TZrTextToolControl::TZrTextToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View)
    : TZrGraphicsToolControl(Tool, View)
{}

TZrTextTool *TZrTextToolControl::TextTool() const
{
  return static_cast<TZrTextTool *>(Tool);
}

TZrPoint TZrTextToolControl::ToImage(TZrPoint Point) const
{
  return View.MapMode().DeviceToLogical(Point);
}

TZrRect TZrTextToolControl::VisibleRect() const
{
  return View.Document.GetVisibleRect();
}

TZrRect TZrTextToolControl::ViewRect() const
{
  return View.MapMode().LogicalToDeviceRect(TextFrameRect);
}

int32_t TZrTextToolControl::HitCode(TZrPoint ViewPoint) const
{
  return TextHitCode(ViewRect(), ViewPoint);
}

void TZrTextToolControl::Activate()
{
  TZrGraphicsToolControl::Activate();
  SetVisible(true);
}

void TZrTextToolControl::Deactivate()
{
  SetVisible(false);
  TZrGraphicsToolControl::Deactivate();
}

bool TZrTextToolControl::GetCursor(TZrShiftState, TZrPoint Point, int32_t &Cursor)
{
  if (!Active)
    return false;
  if (State == Idle) {
    Cursor = crCross;
  } else if (State == Placed) {
    switch (HitCode(Point)) {
    case thInside:
      Cursor = crSizeAll;
      break;
    case thTop:
    case thBottom:
      Cursor = crSizeNS;
      break;
    case thTopRight:
    case thBottomLeft:
      Cursor = crSizeNESW;
      break;
    case thRight:
    case thLeft:
      Cursor = crSizeWE;
      break;
    case thBottomRight:
    case thTopLeft:
      Cursor = crSizeNWSE;
      break;
    default:
      break;
    }
  }
  return true;
}

bool TZrTextToolControl::MouseDown(int32_t Button, TZrShiftState, TZrPoint Point)
{
  TZrTextTool *T = TextTool();
  if (!Active || !T || Button != mbLeft)
    return false;
  if (State == Idle) {
    if (!View.MapMode().LogicalToDeviceRect(VisibleRect()).Contains(Point.X, Point.Y))
      return false;
    // The text lives in an edit of its own from here on: nothing else
    // edits the image, undo waits, and ending the edit keeps the text.
    T->BeginEdit(View);
    if (TZrGraphicsEditor *Editor = GraphicsEditor())
      Editor->LockTool();
    Anchor = ToImage(Point);
    TextFrameRect = MakeRect(Anchor.X, Anchor.Y, Anchor.X + 1, Anchor.Y + 1);
    T->MirrorHorizontal = T->MirrorVertical = false;
    State = Drawing;
    // Typed before any image was open, the text is rendered only now.
    T->RenderText();
    Invalidate();
    return true;
  }
  if (State != Placed)
    return false;
  const int32_t Code = HitCode(Point);
  if (Code < thInside)
    return false;
  DragHandle = Code;
  Edges = TextHandleEdges(Code);
  SavedMirrorHorizontal = T->MirrorHorizontal;
  SavedMirrorVertical = T->MirrorVertical;
  DragStartRect = TextFrameRect;
  Anchor = ToImage(Point);
  State = Dragging;
  return true;
}

bool TZrTextToolControl::MouseMove(TZrShiftState, TZrPoint Point)
{
  TZrTextTool *T = TextTool();
  if (!Active || !T || !(State == Drawing || (State == Dragging && DragHandle >= thInside)))
    return false;
  const TZrPoint Q = ToImage(Point);
  TZrTextPlacement F;
  if (State == Drawing)
    F = DrawTextFrame(Anchor, Q, VisibleRect());
  else
    F = DragTextFrame(TZrTextPlacement{DragStartRect, SavedMirrorHorizontal, SavedMirrorVertical},
                      DragHandle, Anchor, Q, VisibleRect());
  if (F.Rect == TextFrameRect && F.MirrorHorizontal == T->MirrorHorizontal &&
      F.MirrorVertical == T->MirrorVertical)
    return true;
  const bool Resized =
      F.Rect.Width() != TextFrameRect.Width() || F.Rect.Height() != TextFrameRect.Height() ||
      F.MirrorHorizontal != T->MirrorHorizontal || F.MirrorVertical != T->MirrorVertical;
  Invalidate();
  TextFrameRect = F.Rect;
  T->MirrorHorizontal = F.MirrorHorizontal;
  T->MirrorVertical = F.MirrorVertical;
  if (Resized)
    T->StretchText();
  T->RefreshText();
  Invalidate();
  if (TZrGraphicsEditor *Editor = GraphicsEditor(); Editor && !TextFrameRect.IsEmpty()) {
    Editor->SetWidthStatus(QString::number(TextFrameRect.Width()));
    Editor->SetHeightStatus(QString::number(TextFrameRect.Height()));
  }
  return true;
}

bool TZrTextToolControl::MouseUp(int32_t Button, TZrShiftState, TZrPoint Point)
{
  TZrTextTool *T = TextTool();
  if (!Active || !T)
    return false;
  if (Button == mbLeft && (State == Drawing || State == Dragging)) {
    State = Placed;
    Invalidate();
    // A click without a drag places nothing.
    if (TextFrameRect.Width() < 2 && TextFrameRect.Height() < 2)
      T->CancelEdit();
    return true;
  }
  if (State != Placed)
    return false;
  if (Button == mbLeft && HitCode(Point) == thNone) {
    T->Confirm();
    return true;
  }
  if (Button == mbRight) {
    T->CancelEdit();
    return true;
  }
  return false;
}

bool TZrTextToolControl::KeyDown(int32_t Key, TZrShiftState)
{
  TZrTextTool *T = TextTool();
  if (!Active || !T || State != Placed)
    return false;
  if (Key == 13) {
    T->Confirm();
    return true;
  }
  if (Key == 27) {
    T->CancelEdit();
    return true;
  }
  return false;
}

TZrRect TZrTextToolControl::GetOverlayBounds(const TZrMapMode &MapMode) const
{
  if (State == Idle)
    return {};
  // The handles reach 4 pixels before and 5 past their centres.
  const TZrRect R = MapMode.LogicalToDeviceRect(TextFrameRect);
  return MakeRect(R.Left - 5, R.Top - 5, R.Right + 5, R.Bottom + 5);
}

void TZrTextToolControl::PaintOverlay(TZrViewCanvas &Canvas)
{
  QPainter *Painter = CanvasPainter(Canvas);
  if (State == Idle || !Painter)
    return;
  const TZrRect R = Canvas.MapMode.LogicalToDeviceRect(TextFrameRect);
  Painter->save();
  // Inverted, so that the frame shows on any picture.
  Painter->setCompositionMode(QPainter::RasterOp_NotDestination);
  Painter->setRenderHint(QPainter::Antialiasing, false);
  Painter->setPen(QPen(Qt::black, 0, Qt::DotLine));
  Painter->setBrush(Qt::NoBrush);
  Painter->drawRect(QRect(R.Left, R.Top, std::max(0, R.Width() - 1), std::max(0, R.Height() - 1)));
  if (State == Placed) {
    Painter->setPen(Qt::NoPen);
    Painter->setBrush(Qt::black);
    for (int32_t Code = thTop; Code <= thTopLeft; ++Code) {
      const TZrPoint C = TextHandleCentre(R, Code);
      // A 9 x 9 square inverted, then its inner 7 x 7 back: a hollow
      // handle.
      Painter->drawRect(QRect(C.X - 4, C.Y - 4, 9, 9));
      Painter->drawRect(QRect(C.X - 3, C.Y - 3, 7, 7));
    }
  }
  Painter->restore();
}

// --- tool ----------------------------------------------------------------

const char *const TZrTextTool::DefaultFontNames[4] = {"Times New Roman", "Verdana", "Arial",
                                                      "Courier New"};

TZrTextTool::TZrTextTool()
{
  PlugInAvailable = true;
  Button = brushparts::CreateToolButton(*this, 2864, true);
  if (TZrToolPanelModule *Panel = ToolPanel()) {
    Frame = Panel->CreateToolFrame<TZrTextFrame>();
    QObject::connect(Frame->TextTntMemo, &QPlainTextEdit::textChanged, this,
                     [this] { TextMemoChange(); });
    QObject::connect(Frame->FontNameComboBox, &QComboBox::currentIndexChanged, this,
                     [this] { TextMemoChange(); });
    for (QToolButton *Style : {Frame->BoldTBXButton, Frame->ItalicTBXButton,
                               Frame->UnderlineTBXButton, Frame->StrikeoutTBXButton})
      QObject::connect(Style, &QToolButton::clicked, this, [this] { BITBXButtonClick(); });
    QObject::connect(Frame->ColorBox, &QComboBox::activated, this, [this] { ColorBoxSelect(); });
    QObject::connect(Frame->FontColorButtons, &QButtonGroup::idClicked, this,
                     [this] { FontColorTntRadioGroupClick(); });
    QObject::connect(Frame->MaxInverseTBXCheckBox, &QCheckBox::clicked, this,
                     [this] { MaxInverseTBXCheckBoxChange(); });
    QObject::connect(Frame->SizeSpinEdit, &QSpinBox::valueChanged, this,
                     [this] { SizeSpinEditChange(); });
    Frame->FillFontNames();
    // Room for the style buttons beside the size.
    Panel->SetPanelWidth(272);
  }
  DemoName = QStringLiteral("Text");
  ControlClass = ControlClassOf<TZrTextToolControl>();
  Exclusive = true;
  SelectDefaultFont();
  SetFontSize(32);
  if (Frame)
    Frame->SelectColor(TextColor);
}

TZrTextTool::~TZrTextTool() = default;

TZrTextToolControl *TZrTextTool::TextControl() const
{
  return static_cast<TZrTextToolControl *>(GetControl(0));
}

void TZrTextTool::RecordValue(const QString &Name, int32_t Value)
{
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(Name);
  Registry.RecordDemoLine(Name + QLatin1Char(' ') + QString::number(Value));
}

void TZrTextTool::SetFontSize(int32_t Value)
{
  if (Value == FontSize)
    return;
  FontSize = Value;
  if (Frame)
    Frame->SizeSpinEdit->setValue(Value);
  RecordValue(QStringLiteral("TextFontSize"), Value);
  RenderText();
}

void TZrTextTool::SetFontColorMode(int32_t Value)
{
  if (Value != tcSelected && Value != tcInverted)
    return;
  const bool Changed = Value != FontColorMode;
  FontColorMode = Value;
  if (Frame)
    Frame->FontColorButtons->button(Value)->setChecked(true);
  if (Changed)
    RefreshText();
}

void TZrTextTool::SetTextColor(int32_t Value)
{
  Value &= 0xFFFFFF;
  if (Value == TextColor)
    return;
  TextColor = Value;
  if (Frame)
    Frame->SelectColor(Value);
  RecordValue(QStringLiteral("TextColor"), Value);
  RefreshText();
}

void TZrTextTool::SetMaxInverse(bool Value)
{
  const bool Changed = Value != MaxInverse;
  MaxInverse = Value;
  if (Frame)
    Frame->MaxInverseTBXCheckBox->setChecked(Value);
  if (Changed)
    RefreshText();
}

void TZrTextTool::SetFontStyle(int32_t Value)
{
  Value &= 15;
  if (Value == FontStyle)
    return;
  FontStyle = Value;
  if (Frame) {
    Frame->BoldTBXButton->setChecked((Value & 1) != 0);
    Frame->ItalicTBXButton->setChecked((Value & 2) != 0);
    Frame->UnderlineTBXButton->setChecked((Value & 4) != 0);
    Frame->StrikeoutTBXButton->setChecked((Value & 8) != 0);
  }
  RecordValue(QStringLiteral("TextFontBI"), Value);
  RenderText();
}

QString TZrTextTool::DefaultFontFamily()
{
  const QStringList Installed = QFontDatabase::families();
  for (const char *Name : DefaultFontNames)
    if (Installed.contains(QString::fromLatin1(Name), Qt::CaseInsensitive))
      return QString::fromLatin1(Name);
  // None of them: the serif face the system puts in for "serif".
  QFont Serif(QStringLiteral("serif"));
  Serif.setStyleHint(QFont::Serif);
  return QFontInfo(Serif).family();
}

void TZrTextTool::SelectDefaultFont()
{
  if (!Frame)
    return;
  const QString Family = DefaultFontFamily();
  const int Index = Frame->FontNameComboBox->findText(Family, Qt::MatchFixedString);
  if (Index >= 0)
    Frame->FontNameComboBox->setCurrentIndex(Index);
}

QFont TZrTextTool::TextFont() const
{
  QFont Font(Frame ? Frame->FontNameComboBox->currentText() : DefaultFontFamily());
  // Points at 96 dots per inch, as the size is meant everywhere.
  Font.setPixelSize(std::max(1, MulDiv(FontSize, 96, 72)));
  Font.setBold((FontStyle & 1) != 0);
  Font.setItalic((FontStyle & 2) != 0);
  Font.setUnderline((FontStyle & 4) != 0);
  Font.setStrikeOut((FontStyle & 8) != 0);
  // Grey levels only: the coverage is one value per pixel.
  Font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoSubpixelAntialias));
  return Font;
}

void TZrTextTool::RenderText()
{
  if (!TextControl() || !Frame)
    return;
  const QStringList Lines = Frame->TextTntMemo->toPlainText().split(QLatin1Char('\n'));
  // Empty lines at the end add no height.
  int Last = static_cast<int>(Lines.size()) - 1;
  while (Last >= 0 && Lines[Last].isEmpty())
    --Last;
  TextBitmap.Clear();
  if (Last >= 0) {
    QFont Font = TextFont();
    const auto Measure = [&](int32_t &Width, int32_t &Height) {
      const QFontMetrics Metrics(Font);
      Width = 0;
      for (int I = 0; I <= Last; ++I)
        if (!Lines[I].isEmpty())
          Width = std::max({Width, Metrics.horizontalAdvance(Lines[I]),
                            Metrics.boundingRect(Lines[I]).right() + 1});
      Height = (Last + 1) * Metrics.height();
    };
    int32_t Width = 0, Height = 0;
    Measure(Width, Height);
    const double Pixels = static_cast<double>(Width) * Height;
    if (Pixels > MaxTextPixels || Width > MaxTextSide || Height > MaxTextSide) {
      const double Scale =
          std::min({std::sqrt(MaxTextPixels / Pixels), static_cast<double>(MaxTextSide) / Width,
                    static_cast<double>(MaxTextSide) / Height});
      Font.setPixelSize(std::max(1, static_cast<int>(Font.pixelSize() * Scale * 0.95)));
      Measure(Width, Height);
    }
    if (Width > 0 && Height > 0) {
      QImage Picture(Width, Height, QImage::Format_RGB32);
      Picture.fill(Qt::black);
      {
        QPainter Painter(&Picture);
        Painter.setFont(Font);
        Painter.setPen(Qt::white);
        const QFontMetrics Metrics(Font);
        for (int I = 0; I <= Last; ++I)
          if (!Lines[I].isEmpty())
            Painter.drawText(0, I * Metrics.height() + Metrics.ascent(), Lines[I]);
      }
      TextBitmap.SetBounds(0, 0, Width, Height);
      for (int32_t Y = 0; Y < Height; ++Y) {
        const auto *Row = reinterpret_cast<const QRgb *>(Picture.constScanLine(Y));
        uint8_t *Out = TextBitmap.Bits.data() + static_cast<size_t>(Y) * Width;
        for (int32_t X = 0; X < Width; ++X)
          Out[X] = static_cast<uint8_t>(qBlue(Row[X]));
      }
    }
  }
  StretchText();
  RefreshText();
}

void TZrTextTool::StretchText()
{
  const TZrTextToolControl *Control = TextControl();
  if (!Control || !HasText()) {
    StretchedBitmap.Clear();
    return;
  }
  StretchCoverage(TextBitmap, Control->TextFrameRect.Width(), Control->TextFrameRect.Height(),
                  StretchedBitmap);
}

void TZrTextTool::RestoreUnderText()
{
  if (TextShown && ImagePixels && BackupPixels)
    ImagePixels->CopyRect(TextRect.Left, TextRect.Top, *BackupPixels, TextRect);
}

void TZrTextTool::RefreshText()
{
  TZrTextToolControl *Control = TextControl();
  if (!Control || Control->State == TZrTextToolControl::Idle || !ImagePixels || !BackupPixels)
    return;
  const TZrRect Old = TextShown ? TextRect : TZrRect{};
  const TZrTextPlacement Placed{Control->TextFrameRect, MirrorHorizontal, MirrorVertical};
  RestoreAround(*BackupPixels, *ImagePixels, Old, Placed.Rect);
  PaintTextLayer(*BackupPixels, *ImagePixels, Placed, StretchedBitmap,
                 TZrTextLook{FontColorMode, TextColor, MaxInverse});
  TextRect = Placed.Rect;
  TextShown = true;
  // Each part repainted on its own: the old and new place may lie far
  // apart.
  const TZrRect Image = ImagePixels->GetBounds();
  ChangeRect(IntersectRect(Old, Image), false);
  ChangeRect(IntersectRect(Placed.Rect, Image), false);
}

void TZrTextTool::Confirm()
{
  TZrTextToolControl *Control = TextControl();
  if (!Control || Control->State == TZrTextToolControl::Idle)
    return;
  if (!Document)
    BeginEdit(Control->View);
  EndEdit();
}

void TZrTextTool::EndEdit()
{
  TZrTextToolControl *Control = TextControl();
  const bool Placing = Control && Control->State != TZrTextToolControl::Idle;
  // The undo step holds the rectangle only: everywhere else the pixels
  // are back as they were.
  if (Placing && Document)
    ChangeRect(IntersectRect(Control->TextFrameRect, Document->ImageBounds()), true);
  TZrGraphicsTool::EndEdit();
  if (Placing)
    ResetControl();
}

void TZrTextTool::CancelEdit()
{
  RestoreUnderText();
  ResetControl();
  TZrGraphicsTool::CancelEdit();
}

void TZrTextTool::ResetControl()
{
  if (TZrTextToolControl *Control = TextControl()) {
    Control->Invalidate();
    Control->State = TZrTextToolControl::Idle;
    Control->DragHandle = thNone;
  }
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Editor->UnlockTool();
  TextShown = false;
}

void TZrTextTool::DocumentClosing(TZrGraphicsDocument &Doc)
{
  if (TZrTextToolControl *Control = TextControl();
      Control && Control->State != TZrTextToolControl::Idle)
    CancelEdit();
  TZrGraphicsTool::DocumentClosing(Doc);
}

void TZrTextTool::DemoPause(int Milliseconds)
{
  int64_t Wait = Milliseconds;
  if (const IZrDemoPlayback *Running = DemoRegistry().Playback)
    Wait = Running->ScaledPause(Wait);
  if (Wait <= 0)
    return;
  QEventLoop Loop;
  QTimer::singleShot(static_cast<int>(Wait), &Loop, &QEventLoop::quit);
  Loop.exec();
}

void TZrTextTool::TypeDemoText()
{
  if (!Frame)
    return;
  QPointer<TZrTextTool> Self(this);
  SelectDefaultFont();
  Frame->TextTntMemo->clear();
  DemoPause(500);
  static const char *const Steps[] = {"Y", "Ya", "Yal", "Yalt"};
  for (const char *Step : Steps) {
    if (!Self)
      return;
    Frame->TextTntMemo->setPlainText(QString::fromLatin1(Step));
    DemoPause(500);
  }
  if (Self)
    Frame->TextTntMemo->setPlainText(QStringLiteral("Yalta"));
}

// Frame handlers

void TZrTextTool::TextMemoChange()
{
  RenderText();
}

void TZrTextTool::BITBXButtonClick()
{
  SetFontStyle((Frame->BoldTBXButton->isChecked() ? 1 : 0) |
               (Frame->ItalicTBXButton->isChecked() ? 2 : 0) |
               (Frame->UnderlineTBXButton->isChecked() ? 4 : 0) |
               (Frame->StrikeoutTBXButton->isChecked() ? 8 : 0));
}

void TZrTextTool::ColorBoxSelect()
{
  SetTextColor(Frame->SelectedColor());
}

void TZrTextTool::FontColorTntRadioGroupClick()
{
  const int32_t Mode = Frame->FontColorButtons->checkedId();
  RecordValue(QStringLiteral("TextFontColor"), Mode);
  SetFontColorMode(Mode);
}

void TZrTextTool::MaxInverseTBXCheckBoxChange()
{
  const bool Checked = Frame->MaxInverseTBXCheckBox->isChecked();
  DemoRegistry().RecordDemoCommand(QStringLiteral("TextMaxInverse"),
                                   Checked ? QStringLiteral("1") : QStringLiteral("0"));
  SetMaxInverse(Checked);
}

void TZrTextTool::SizeSpinEditChange()
{
  const int32_t Value = Frame->SizeSpinEdit->value();
  SetFontSize(Value);
  Frame->SizeSpinEdit->setSingleStep(FontSizeIncrement(Value));
}

// Module

void TZrTextTool::Localize()
{
  if (Button) {
    Button->setText(LocalString(2864));
    Button->setToolTip(LocalString(2864));
  }
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(2864));
  Frame->FontTntGroupBox->setTitle(LocalString(151));
  const struct
  {
    QToolButton *Button;
    int Caption;
  } Styles[] = {{Frame->BoldTBXButton, 2870},
                {Frame->ItalicTBXButton, 2872},
                {Frame->UnderlineTBXButton, 2874},
                {Frame->StrikeoutTBXButton, 2876}};
  for (const auto &Style : Styles) {
    Style.Button->setText(LocalString(Style.Caption));
    Style.Button->setToolTip(LocalString(Style.Caption + 1));
  }
  Frame->SizeTBXLabel->setText(LocalString(154) + QLatin1Char(':'));
  Frame->FontColorTntRadioGroup->setTitle(LocalString(2012));
  Frame->SelectedRadioButton->setText(LocalString(2880));
  Frame->InvertedRadioButton->setText(LocalString(2881));
  Frame->MaxInverseTBXCheckBox->setText(LocalString(2882));
  Frame->LocalizeColorNames();
}

std::vector<toolparts::TIntegerSetting> TZrTextTool::Settings()
{
  return {
      {1, [this] { return FontSize; },
       [this](int32_t V) {
         if (V >= 8 && V <= 400)
           SetFontSize(V);
       }},
      {2, [this] { return FontColorMode; }, [this](int32_t V) { SetFontColorMode(V); }},
      {3, [this] { return TextColor; }, [this](int32_t V) { SetTextColor(V); }},
      {4, [this] { return MaxInverse ? 1 : 0; }, [this](int32_t V) { SetMaxInverse(V != 0); }},
      {5, [this] { return FontStyle; }, [this](int32_t V) { SetFontStyle(V); }},
  };
}

void TZrTextTool::LoadSettings(TZrSDFReader &Reader)
{
  toolparts::LoadIntegers(Reader, SettingsGuid, Settings());
}

void TZrTextTool::SaveSettings(TZrSDFWriter &Writer)
{
  toolparts::SaveIntegers(Writer, SettingsGuid, Settings());
}

void TZrTextTool::UpdateControls()
{
  toolparts::UpdateButtonAndFrame(*this, Button, Frame);
}

void TZrTextTool::InitializeTool()
{
  TZrGraphicsTool::InitializeTool();
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RegisterDemoComponent(DemoName, Button);
  if (Frame) {
    Registry.RegisterDemoComponent(QStringLiteral("TextFontColor"), Frame->FontColorTntRadioGroup);
    Registry.RegisterDemoComponent(QStringLiteral("TextColor"), Frame->ColorBox);
    Registry.RegisterDemoComponent(QStringLiteral("TextMaxInverse"), Frame->MaxInverseTBXCheckBox);
    Registry.RegisterDemoComponent(QStringLiteral("TextFontSize"), Frame->SizeSpinEdit);
    Registry.RegisterDemoComponent(QStringLiteral("TextFontBI"), Frame->BoldTBXButton);
    Registry.RegisterDemoComponent(QStringLiteral("TextMemo"), Frame->TextTntMemo);
  }
  // The registry outlives the tools.
  const QPointer<TZrTextTool> Self(this);
  Registry.RegisterDemoIntegerCommand(
      QStringLiteral("TextFontColor"),
      [Self](int V) {
        if (Self)
          Self->SetFontColorMode(V);
      },
      FontColorMode);
  Registry.RegisterDemoIntegerCommand(
      QStringLiteral("TextColor"),
      [Self](int V) {
        if (Self)
          Self->SetTextColor(V);
      },
      TextColor);
  Registry.RegisterDemoBooleanCommand(
      QStringLiteral("TextMaxInverse"),
      [Self](bool V) {
        if (Self)
          Self->SetMaxInverse(V);
      },
      MaxInverse);
  Registry.RegisterDemoIntegerCommand(
      QStringLiteral("TextFontSize"),
      [Self](int V) {
        if (Self && V >= 8 && V <= 400)
          Self->SetFontSize(V);
      },
      FontSize);
  Registry.RegisterDemoIntegerCommand(
      QStringLiteral("TextFontBI"),
      [Self](int V) {
        if (Self)
          Self->SetFontStyle(V);
      },
      FontStyle);
  Registry.RegisterDemoCommand(QStringLiteral("TextMemoYalta"), [Self] {
    if (Self)
      Self->TypeDemoText();
  });
}

void TZrTextTool::SetEnabled(bool Value)
{
  brushparts::SetVisible(Button, Frame, Value);
  TZrGraphicsTool::SetEnabled(Value);
}

void TZrTextTool::Activate()
{
  TZrGraphicsTool::Activate();
  brushparts::BringToFront(Frame);
}

} // namespace facette
