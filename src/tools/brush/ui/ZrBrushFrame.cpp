#include "tools/brush/ui/ZrBrushFrame.h"

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QSlider>
#include <QToolBar>
#include <QVBoxLayout>

namespace facette {

namespace {

// The brush preview with the check box beside it, or below it where the
// panel is too narrow for the caption in the current language: the caption
// is never cut.
class TPreviewRow : public QWidget
{
public:
  explicit TPreviewRow(QWidget *Parent) : QWidget(Parent) {}

  void Fill(QWidget *Preview, QCheckBox *Check)
  {
    this->Preview = Preview;
    this->Check = Check;
    Row = new QBoxLayout(QBoxLayout::LeftToRight, this);
    Row->setContentsMargins(0, 0, 0, 0);
    Row->setSpacing(Spacing);
    Row->addWidget(Preview, 0, Qt::AlignLeft | Qt::AlignVCenter);
    Row->addWidget(Check, 1, Qt::AlignLeft | Qt::AlignVCenter);
    Place();
  }

protected:
  bool event(QEvent *Event) override
  {
    // A new caption (another language) asks for a new layout.
    if (Event->type() == QEvent::LayoutRequest && Row)
      Place();
    return QWidget::event(Event);
  }
  void resizeEvent(QResizeEvent *Event) override
  {
    QWidget::resizeEvent(Event);
    Place();
  }

private:
  static constexpr int RowHeight = 80;
  static constexpr int Spacing = 6;

  void Place()
  {
    const bool Beside = width() >= Preview->width() + Spacing + Check->sizeHint().width();
    Row->setDirection(Beside ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    setFixedHeight(Beside ? RowHeight : RowHeight + Spacing + Check->sizeHint().height());
  }

  QBoxLayout *Row = nullptr;
  QWidget *Preview = nullptr;
  QCheckBox *Check = nullptr;
};

} // namespace

// --- frames --------------------------------------------------------------

TZrBrushFrame::TZrBrushFrame(const QString &Title, bool WithSmoothing, QWidget *Parent)
    : TZrFrame(Parent)
{
  TitleLabel = brushparts::NewTitleLabel(Title, this);

  auto *PreviewRow = new TPreviewRow(this);
  PreviewAlignmentPanel = PreviewRow;
  PreviewPaintBox = new TZrPaintBox(PreviewAlignmentPanel);
  PreviewPaintBox->setFixedSize(69, 69);
  ExpertModeTBXCheckBox = new QCheckBox(QStringLiteral("Expert Mode"), PreviewAlignmentPanel);
  // A long caption in some language must not make the narrow panel scroll
  // sideways: the check box goes below the preview instead.
  ExpertModeTBXCheckBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  PreviewRow->Fill(PreviewPaintBox, ExpertModeTBXCheckBox);

  SizeLabel = new QLabel(QStringLiteral("Size:"), this);
  SizeTrackBar = brushparts::NewSlider(this);
  OpacityLabel = new QLabel(QStringLiteral("Opacity:"), this);
  OpacityTrackBar = brushparts::NewSlider(this);
  HardnessLabel = new QLabel(QStringLiteral("Hardness:"), this);
  HardnessTrackBar = brushparts::NewSlider(this);
  if (WithSmoothing) {
    SmoothingLabel = new QLabel(QStringLiteral("Smoothing:"), this);
    SmoothingTrackBar = brushparts::NewSlider(this);
  }

  Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 2, 0, 2);
  Layout->setSpacing(4);
  Arrange(true);
  // The frame belongs to the tool panel, not to the application.
  Initialize();
}

void TZrBrushFrame::Arrange(bool ExpertMode)
{
  while (Layout->count() > 0)
    delete Layout->takeAt(0);
  Layout->addWidget(TitleLabel);
  Layout->addWidget(PreviewAlignmentPanel);
  Layout->addWidget(SizeLabel);
  Layout->addWidget(SizeTrackBar);
  Layout->addWidget(OpacityLabel);
  Layout->addWidget(OpacityTrackBar);
  Layout->addWidget(HardnessLabel);
  Layout->addWidget(HardnessTrackBar);
  if (SmoothingLabel) {
    Layout->addWidget(SmoothingLabel);
    Layout->addWidget(SmoothingTrackBar);
  }
  Layout->addStretch(1);
  for (QWidget *Expert :
       {static_cast<QWidget *>(OpacityLabel), static_cast<QWidget *>(OpacityTrackBar),
        static_cast<QWidget *>(HardnessLabel), static_cast<QWidget *>(HardnessTrackBar)})
    Expert->setVisible(ExpertMode);
}

TZrSmudgeFrame::TZrSmudgeFrame(QWidget *Parent)
    : TZrBrushFrame(QStringLiteral("Smudge"), true, Parent)
{}

TZrUndoBrushFrame::TZrUndoBrushFrame(QWidget *Parent)
    : TZrBrushFrame(QStringLiteral("Undo Brush"), false, Parent)
{}

// --- shared parts of the two tools ---------------------------------------

namespace brushparts {

QLabel *NewTitleLabel(const QString &Title, QWidget *Parent)
{
  auto *Label = new QLabel(Title, Parent);
  QFont TitleFont = Label->font();
  TitleFont.setUnderline(true);
  TitleFont.setBold(true);
  Label->setFont(TitleFont);
  return Label;
}

QSlider *NewSlider(QWidget *Parent)
{
  auto *Slider = new QSlider(Qt::Horizontal, Parent);
  Slider->setTickPosition(QSlider::TicksBelow);
  return Slider;
}

QAction *CreateToolButton(TZrGraphicsTool &Tool, int CaptionId, bool OnToolPanel)
{
  QWidget *Toolbar = nullptr;
  if (OnToolPanel && ToolPanel())
    Toolbar = ToolPanel()->Toolbar;
  else if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Toolbar = Editor->StandardToolbar;
  auto *Button = new QAction(LocalString(CaptionId), Toolbar ? static_cast<QObject *>(Toolbar)
                                                             : static_cast<QObject *>(&Tool));
  Button->setToolTip(LocalString(CaptionId));
  Button->setCheckable(true);
  QObject::connect(Button, &QAction::triggered, &Tool, [&Tool, Button] {
    // Chosen the way a script chooses it, so that a recording writes the
    // choice down.
    if (TZrGraphicsEditor *Editor = GraphicsEditor(); Editor && Editor->CanSelectTool(&Tool))
      Tool.SelectFromDemo();
    // Checked exactly while the tool is current, whatever the click did.
    Button->setChecked(Tool.Active);
  });
  if (Toolbar)
    Toolbar->addAction(Button);
  return Button;
}

void BindFrame(TZrBrushTool &Tool, TZrBrushFrame &Frame)
{
  Tool.BindSizeBar(Frame.SizeTrackBar);
  Frame.SizeTrackBar->setTickInterval(8);
  Tool.BindOpacityBar(Frame.OpacityTrackBar);
  Tool.BindHardnessBar(Frame.HardnessTrackBar);
  Tool.BindPreviewBox(Frame.PreviewPaintBox);
}

void LayoutFrame(TZrBrushTool &Tool, TZrBrushFrame *Frame, bool ExpertMode, int32_t SimpleHardness)
{
  if (Frame)
    Frame->Arrange(ExpertMode);
  if (!ExpertMode) {
    Tool.SetOpacity(255);
    Tool.SetHardness(SimpleHardness);
  }
}

void Localize(QAction *Button, TZrBrushFrame *Frame, int TitleId)
{
  if (Button) {
    Button->setText(LocalString(TitleId));
    // With the tool's key, when it has one.
    Button->setToolTip(ShortcutHint(LocalString(TitleId), Button->shortcut()));
  }
  if (!Frame)
    return;
  Frame->TitleLabel->setText(LocalString(TitleId));
  Frame->SizeLabel->setText(LocalString(154) + QLatin1Char(':'));
  Frame->OpacityLabel->setText(LocalString(2008) + QLatin1Char(':'));
  Frame->HardnessLabel->setText(LocalString(2009) + QLatin1Char(':'));
  Frame->ExpertModeTBXCheckBox->setText(LocalString(2650));
}

void ShowValue(QLabel *Label, int Id, const QSlider *Bar)
{
  // The label of the size slider explains it as the slider does.
  if (HasSizeHint(Bar))
    AddSizeHint(Label);
  const QString Text = LocalString(Id) + QStringLiteral(": ") + QString::number(Bar->value());
  if (Label->text() != Text)
    Label->setText(Text);
}

bool UpdateToolButton(TZrGraphicsTool &Tool, QAction *Button)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool Current = Editor && Editor->CurrentTool() == &Tool;
  const bool Selectable = Editor && Editor->CanSelectTool(&Tool) && Tool.Enabled;
  if (Button) {
    Button->setChecked(Current);
    Button->setEnabled(Selectable);
  }
  return Selectable && Current;
}

void UpdateControls(TZrBrushTool &Tool, QAction *Button, TZrBrushFrame *Frame)
{
  const bool FrameEnabled = UpdateToolButton(Tool, Button);
  if (!Frame)
    return;
  Frame->setEnabled(FrameEnabled);
  ShowValue(Frame->SizeLabel, 154, Frame->SizeTrackBar);
  ShowValue(Frame->OpacityLabel, 2008, Frame->OpacityTrackBar);
  ShowValue(Frame->HardnessLabel, 2009, Frame->HardnessTrackBar);
}

void RecordExpertMode(const QString &DemoName, bool ExpertMode)
{
  const QString Name = DemoName + QStringLiteral("ExpertMode");
  DemoRegistry().RecordDemoMove(Name);
  DemoRegistry().RecordDemoLine(Name + QLatin1Char(' ') + QString::number(ExpertMode ? 1 : 0));
}

void SaveSettings(TZrSDFWriter &Writer, const TZrGuid &Guid, const TZrBrushTool &Tool,
                  bool ExpertMode, const std::function<void(TZrSDFWriter &)> &More)
{
  Writer.BeginNode(1, Guid);
  Writer.WriteInteger(1, Tool.BrushSize);
  Writer.WriteInteger(2, Tool.Opacity);
  Writer.WriteInteger(3, Tool.Hardness);
  Writer.WriteBoolean(4, ExpertMode);
  if (More)
    More(Writer);
  Writer.EndNode();
}

void BringToFront(QWidget *Frame)
{
  if (Frame && ToolPanel())
    ToolPanel()->BringFrameToFront(Frame);
}

void SetVisible(QAction *Button, QWidget *Frame, bool Value)
{
  if (Button)
    Button->setVisible(Value);
  if (Frame)
    Frame->setVisible(Value);
}

} // namespace brushparts

} // namespace facette
