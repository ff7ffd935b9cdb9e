#include "editor/ui/ZrOriginalImageTool.h"

#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "framework/ui/MainForm.h"
#include "framework/ui/ZrLocalizerQt.h"
#include "framework/ui/ZrQtStrings.h"

#include <QAction>
#include <QToolBar>
#include <QToolButton>

namespace facette {

// Control

TZrOriginalImageToolControl::TZrOriginalImageToolControl(TZrGraphicsTool &Tool,
                                                         TZrGraphicsView &View)
    : TZrGraphicsToolControl(Tool, View)
{
  InitFlags();
}

TZrRect TZrOriginalImageToolControl::OriginalBounds() const
{
  const TZrPixels *Original = View.Document.OriginalPixels();
  return Original ? Original->GetBounds() : TZrRect{};
}

void TZrOriginalImageToolControl::Initialize()
{
  Bounds = OriginalBounds();
}

void TZrOriginalImageToolControl::Activate()
{
  View.DocumentView->Flags = vfContent | vfNoExtent;
  View.DocumentView->SetVisible(false);
  Flags = vfContent;
  // The original as it is now: geometric operations replace it.
  Bounds = OriginalBounds();
  SetVisible(true);
  View.UpdateScrollRange();
  TZrGraphicsToolControl::Activate();
}

void TZrOriginalImageToolControl::Deactivate()
{
  InitFlags();
  if (Tool)
    for (TZrGraphicsToolControl *Control : Tool->Controls)
      Control->SetVisible(false);
  View.DocumentView->InitFlags();
  View.DocumentView->SetVisible(true);
  View.UpdateScrollRange();
  TZrGraphicsToolControl::Deactivate();
}

void TZrOriginalImageToolControl::PaintContent(TZrViewCanvas &Canvas)
{
  const TZrPixels *Original = View.Document.OriginalPixels();
  if (!Original || !Original->Bits)
    return;
  Canvas.ExcludeClipRect(Painter.Paint(Canvas, *Original, Original->GetBounds()));
}

bool TZrOriginalImageToolControl::KeyDown(int32_t Pressed, TZrShiftState Shift)
{
  // Ctrl+O and Alt+O belong to the menus.
  if (Pressed != Key || (Shift & (ssCtrl | ssAlt)) || Active || !Tool)
    return false;
  static_cast<TZrOriginalImageTool *>(Tool)->ShowOriginal();
  return true;
}

bool TZrOriginalImageToolControl::KeyUp(int32_t Released, TZrShiftState)
{
  if (Released != Key || !Active || !Tool)
    return false;
  static_cast<TZrOriginalImageTool *>(Tool)->ShowWorkingImage();
  return true;
}

// Tool

TZrOriginalImageTool::TZrOriginalImageTool()
{
  ControlClass = ControlClassOf<TZrOriginalImageToolControl>();
  PlugInAvailable = true;
  TZrGraphicsEditor *Editor = GraphicsEditor();
  TMainForm *Main = MainForm();
  if (!Editor || !Main)
    return;
  QToolBar *Toolbar = Editor->StandardToolbar;
  Main->AddToolbarItem(Toolbar, nullptr, nullptr, QString(), -1, nullptr, OriginalImageToolButton);
  OriginalImageToolButton->setCheckable(true);
  // Held down it shows the original; let go, the working image again. A
  // click does nothing more.
  if (auto *Button =
          qobject_cast<QToolButton *>(Toolbar->widgetForAction(OriginalImageToolButton))) {
    Button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(Button, &QToolButton::pressed, this, &TZrOriginalImageTool::ShowOriginal);
    connect(Button, &QToolButton::released, this, &TZrOriginalImageTool::ShowWorkingImage);
  }
}

bool TZrOriginalImageTool::IsActive() const
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  return Editor && Editor->CurrentTool() == this;
}

void TZrOriginalImageTool::ShowOriginal()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor || IsActive() || !Editor->ActiveDocument())
    return;
  ReturnTool = Editor->CurrentTool();
  Editor->SelectTool(this);
}

void TZrOriginalImageTool::ShowWorkingImage()
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (Editor && IsActive())
    Editor->SelectTool(ReturnTool);
}

void TZrOriginalImageTool::Localize()
{
  if (!OriginalImageToolButton)
    return;
  OriginalImageToolButton->setText(LocalString(2100));
  OriginalImageToolButton->setToolTip(LocalString(2000));
}

void TZrOriginalImageTool::UpdateControls()
{
  const TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!OriginalImageToolButton || !Editor)
    return;
  OriginalImageToolButton->setEnabled(Editor->ActiveDocument() != nullptr);
  OriginalImageToolButton->setChecked(IsActive());
}

void TZrOriginalImageTool::Activate()
{
  TZrGraphicsTool::Activate();
  if (Playback && Playback->IsRecording()) {
    Playback->RecordLine(QStringLiteral("MouseCurvedMove OriginalImage"));
    Playback->RecordLine(QStringLiteral("MouseDown"));
    Playback->RecordLine(QStringLiteral("Message \"Original Image\""));
    Playback->RecordLine(QStringLiteral("MouseUp"));
    Playback->RecordLine(QStringLiteral("Message \"Corrected Image\""));
  }
}

void TZrOriginalImageTool::DemoTargetPosition(IZrDemoPlayback *, const TZrDemoScriptParams &Params,
                                              bool &Handled, QPoint &Point)
{
  const QString Name = ToQString(Params.StringArgument(0)).toUpper();
  if (!OriginalImageToolButton ||
      (Name != QStringLiteral("ORIGINALIMAGEBUTTON") && Name != QStringLiteral("ORIGINALIMAGE")))
    return;
  Handled = true;
  TZrDemoRegistry::TargetPoint(OriginalImageToolButton, Point);
}

} // namespace facette
