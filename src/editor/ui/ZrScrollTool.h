// The hand tool: while the space bar is held over the view, dragging with
// the left button scrolls the image (never past its edges); releasing the
// space bar returns to the tool that was in use. With any tool, "=" and
// "-" zoom in and out. It has no button and no option frame.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"

#include <QPointer>

namespace facette {

class TZrScrollToolControl : public TZrGraphicsToolControl
{
public:
  using TZrGraphicsToolControl::TZrGraphicsToolControl;

  // The tool that was current when the space bar went down.
  QPointer<TZrGraphicsTool> ReturnTool;
  bool Dragging = false;
  // The last pointer position, in window coordinates.
  TZrPoint LastPoint;

  void Deactivate() override;
  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;
  bool KeyUp(int32_t Key, TZrShiftState Shift) override;
};

class TZrScrollTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  TZrScrollTool();
};

} // namespace facette
