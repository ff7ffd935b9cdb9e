#include "editor/ui/ZrScrollTool.h"

#include "editor/ui/ZrGraphicsEditor.h"
#include "editor/ui/ZrGraphicsView.h"
#include "editor/ui/ZrVirtualKeys.h"

namespace facette {

TZrScrollTool::TZrScrollTool()
{
  ControlClass = ControlClassOf<TZrScrollToolControl>();
  PlugInAvailable = true;
}

void TZrScrollToolControl::Deactivate()
{
  Dragging = false;
  TZrGraphicsToolControl::Deactivate();
}

bool TZrScrollToolControl::GetCursor(TZrShiftState, TZrPoint, int32_t &Cursor)
{
  if (!Active)
    return false;
  Cursor = TZrGraphicsEditor::HandCursor;
  return true;
}

bool TZrScrollToolControl::MouseDown(int32_t Button, TZrShiftState, TZrPoint Point)
{
  if (!Active || Button != mbLeft)
    return false;
  Dragging = true;
  LastPoint = Point;
  return true;
}

bool TZrScrollToolControl::MouseMove(TZrShiftState, TZrPoint Point)
{
  if (!Dragging)
    return false;
  int32_t DX = Point.X - LastPoint.X;
  int32_t DY = Point.Y - LastPoint.Y;
  // The image follows the pointer as far as its edges allow; past an edge
  // it waits until the pointer comes back.
  View.ClampScrollDelta(DX, DY);
  View.ScrollAndUpdate(DX, DY);
  LastPoint.X += DX;
  LastPoint.Y += DY;
  return true;
}

bool TZrScrollToolControl::MouseUp(int32_t Button, TZrShiftState, TZrPoint)
{
  if (!Dragging || Button != mbLeft)
    return false;
  Dragging = false;
  return true;
}

bool TZrScrollToolControl::KeyDown(int32_t Key, TZrShiftState)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  if (!Editor)
    return false;
  switch (Key) {
  case vkSpace:
    // Held down, the key repeats: only the first press selects.
    if (Active)
      return false;
    ReturnTool = Editor->CurrentTool();
    Editor->SelectTool(Tool);
    return true;
  case vkOemPlus:
    // The zoom keys work with any tool and leave the key to others too.
    Editor->ZoomIn();
    return false;
  case vkOemMinus:
    Editor->ZoomOut();
    return false;
  default:
    return false;
  }
}

bool TZrScrollToolControl::KeyUp(int32_t Key, TZrShiftState)
{
  if (Key != vkSpace || !Active)
    return false;
  if (TZrGraphicsEditor *Editor = GraphicsEditor())
    Editor->SelectTool(ReturnTool);
  return true;
}

} // namespace facette
