#include "tools/geometry/ui/ZrToolParts.h"

#include "editor/ui/ZrGraphicsEditor.h"

#include <QAction>

namespace facette::toolparts {

bool UpdateButtonAndFrame(TZrGraphicsTool &Tool, QAction *Button, TZrFrame *Frame)
{
  TZrGraphicsEditor *Editor = GraphicsEditor();
  const bool Current = Editor && Editor->CurrentTool() == &Tool;
  const bool Selectable = Editor && Editor->CanSelectTool(&Tool) && Tool.Enabled;
  if (Button) {
    Button->setChecked(Current);
    Button->setEnabled(Selectable);
  }
  if (Frame)
    Frame->SetControlsEnabled(Selectable && Current);
  return Selectable && Current;
}

void LoadIntegers(TZrSDFReader &Reader, const TZrGuid &Guid,
                  const std::vector<TIntegerSetting> &Settings)
{
  if (!Reader.EnterNode(1, Guid))
    return;
  for (const TIntegerSetting &Setting : Settings) {
    int32_t Value = 0;
    if (Reader.ReadInteger(Setting.Id, Value))
      Setting.Set(Value);
  }
  Reader.LeaveNode();
}

void SaveIntegers(TZrSDFWriter &Writer, const TZrGuid &Guid,
                  const std::vector<TIntegerSetting> &Settings)
{
  Writer.BeginNode(1, Guid);
  for (const TIntegerSetting &Setting : Settings)
    Writer.WriteInteger(Setting.Id, Setting.Get());
  Writer.EndNode();
}

} // namespace facette::toolparts
