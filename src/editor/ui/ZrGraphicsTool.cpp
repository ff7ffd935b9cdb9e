#include "editor/ui/ZrGraphicsTool.h"

#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "framework/ui/ZrApplication.h"

#include <QCursor>

#include <algorithm>
#include <new>

namespace facette {

// Control

TZrGraphicsToolControl::TZrGraphicsToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View)
    : View(View), Tool(&Tool)
{
  InitFlags();
}

TZrGraphicsToolControl::~TZrGraphicsToolControl()
{
  if (Tool)
    Tool->RemoveControl(this);
}

void TZrGraphicsToolControl::SetVisible(bool Value)
{
  if (Value == IsVisible())
    return;
  // The area is repainted where the control was and where it is now.
  Invalidate();
  TZrViewObject::SetVisible(Value);
  Invalidate();
}

void TZrGraphicsToolControl::Activate()
{
  Active = true;
  if (View.MouseInside)
    MouseEnter();
  Invalidate();
  RefreshCursor();
}

void TZrGraphicsToolControl::Deactivate()
{
  Active = false;
  Invalidate();
}

void TZrGraphicsToolControl::Invalidate()
{
  View.InvalidateRect(GetDeviceBounds(View.MapMode()));
}

TZrPoint TZrGraphicsToolControl::CursorPos() const
{
  return View.DevicePoint(View.mapFromGlobal(QCursor::pos()));
}

void TZrGraphicsToolControl::RefreshCursor()
{
  View.RefreshCursor();
}

// Tool

TZrGraphicsTool::TZrGraphicsTool() = default;

TZrGraphicsTool::~TZrGraphicsTool()
{
  // Views may outlive their tools at the end of the program.
  for (TZrGraphicsToolControl *Control : Controls)
    Control->Tool = nullptr;
}

void TZrGraphicsTool::DemoCommand(IZrDemoPlayback *, const QString &Command, bool &Handled,
                                  TZrDemoAction *, const TZrDemoScriptParams &)
{
  if (!DemoName.isEmpty() && Command == DemoName.toUpper()) {
    SelectFromDemo();
    Handled = true;
  }
}

void TZrGraphicsTool::DemoTargetPosition(IZrDemoPlayback *, const TZrDemoScriptParams &, bool &,
                                         QPoint &)
{}

void TZrGraphicsTool::AddControl(TZrGraphicsToolControl *Control)
{
  Controls.push_back(Control);
}

void TZrGraphicsTool::RemoveControl(TZrGraphicsToolControl *Control)
{
  Controls.erase(std::remove(Controls.begin(), Controls.end(), Control), Controls.end());
}

void TZrGraphicsTool::CreateControl(TZrGraphicsView &NewView)
{
  if (!ControlClass)
    return;
  std::unique_ptr<TZrGraphicsToolControl> Made = ControlClass(*this, NewView);
  if (!Made)
    return;
  TZrGraphicsToolControl *Control = Made.get();
  AddControl(Control);
  // The view owns its objects.
  NewView.Objects.Add(std::move(Made));
  Control->Initialize();
}

void TZrGraphicsTool::Commit()
{
  // Only the edit this tool opened is committed under its name.
  if (!Document || (Document->Editing() && Document->EditTool() != this))
    return;
  try {
    Document->Commit(this);
  } catch (const std::bad_alloc &Error) {
    // No memory for the snapshot: the change stays in the image but cannot
    // be undone; the user hears of it.
    ZrApplication().ShowException(Error);
  }
}

void TZrGraphicsTool::BeginEdit(TZrGraphicsView &EditView)
{
  TZrGraphicsDocument &Doc = EditView.Document;
  Doc.BeginEdit(this);
  View = &EditView;
  Document = &Doc;
  BackupPixels = &Doc.Backup();
  ImagePixels = Doc.ImagePixels();
  OriginalPixels = Doc.OriginalPixels();
}

void TZrGraphicsTool::EndEdit()
{
  if (!Document)
    return;
  TZrGraphicsDocument *Doc = Document;
  if (Doc->Editing() && Doc->EditTool() == this) {
    Commit();
    // The document is told, but does not call back.
    if (Doc->Editing())
      Doc->EndEdit(false);
  }
  ClearEditReferences();
}

void TZrGraphicsTool::CancelEdit()
{
  if (!Document)
    return;
  TZrGraphicsDocument *Doc = Document;
  if (Doc->Editing() && Doc->EditTool() == this) {
    if (ImagePixels && BackupPixels && BackupPixels->Bits)
      ImagePixels->CopyFrom(*BackupPixels);
    Doc->InvalidateImage();
    Doc->ClearEdit();
  }
  ClearEditReferences();
}

void TZrGraphicsTool::ClearEditReferences()
{
  View = nullptr;
  Document = nullptr;
  OriginalPixels = nullptr;
  BackupPixels = nullptr;
  ImagePixels = nullptr;
}

void TZrGraphicsTool::DocumentOpened(TZrGraphicsDocument &)
{
  if (TZrGraphicsEditor *Editor = GraphicsEditor(); Editor && Editor->PlugInMode)
    SetEnabled(PlugInAvailable);
}

void TZrGraphicsTool::SelectFromDemo()
{
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Editor->SelectTool(this);
  TZrDemoRegistry &Registry = DemoRegistry();
  Registry.RecordDemoMove(DemoName);
  Registry.RecordDemoLine(QStringLiteral("Message \"%1\"").arg(DemoName));
  Registry.RecordDemoLine(DemoName);
}

void TZrGraphicsTool::Activate()
{
  // A control may leave its view while it is told.
  const std::vector<TZrGraphicsToolControl *> List = Controls;
  for (TZrGraphicsToolControl *Control : List)
    Control->Activate();
  Active = true;
}

void TZrGraphicsTool::Deactivate()
{
  const std::vector<TZrGraphicsToolControl *> List = Controls;
  for (TZrGraphicsToolControl *Control : List)
    Control->Deactivate();
  Active = false;
}

void TZrGraphicsTool::PixelWindowsReplaced(TZrGraphicsDocument &Doc)
{
  if (Document != &Doc)
    return;
  BackupPixels = &Doc.Backup();
  ImagePixels = Doc.ImagePixels();
  OriginalPixels = Doc.OriginalPixels();
}

TZrGraphicsToolControl *TZrGraphicsTool::GetControl(int Index) const
{
  return Index >= 0 && Index < ControlCount() ? Controls[static_cast<size_t>(Index)] : nullptr;
}

void TZrGraphicsTool::ChangeRect(const TZrRect &Rect, bool Replace)
{
  if (Document)
    Document->AddChangedRect(Rect, Replace);
}

void TZrGraphicsTool::ForgetDocument(TZrGraphicsDocument &Doc)
{
  if (Document == &Doc)
    ClearEditReferences();
}

} // namespace facette
