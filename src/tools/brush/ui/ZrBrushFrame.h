// The option frame of the smudge and undo brushes on the tool panel: a
// title, the brush preview with the "Expert Mode" check box beside it, and
// sliders for size, opacity and hardness (and smoothing, which the smudge
// brush keeps hidden). Outside expert mode only the size can be chosen.
//
// Also the parts both tools share: their button on the tool panel, the
// frame's layout, captions and labels, and their settings node.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "framework/ZrSDF.h"

#include <QString>

#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QSlider;
class QVBoxLayout;

namespace facette {

class TZrBrushTool;
class TZrGraphicsTool;
class TZrPaintBox;

class TZrBrushFrame : public TZrFrame
{
  Q_OBJECT

public:
  TZrBrushFrame(const QString &Title, bool WithSmoothing, QWidget *Parent);

  QLabel *TitleLabel = nullptr;
  QWidget *PreviewAlignmentPanel = nullptr;
  TZrPaintBox *PreviewPaintBox = nullptr;
  QCheckBox *ExpertModeTBXCheckBox = nullptr;
  QLabel *SizeLabel = nullptr;
  QSlider *SizeTrackBar = nullptr;
  QLabel *OpacityLabel = nullptr;
  QSlider *OpacityTrackBar = nullptr;
  QLabel *HardnessLabel = nullptr;
  QSlider *HardnessTrackBar = nullptr;
  // Nil in a frame without smoothing.
  QLabel *SmoothingLabel = nullptr;
  QSlider *SmoothingTrackBar = nullptr;

  // Stacks the preview and the size controls, then, in expert mode, the
  // opacity and hardness controls.
  virtual void Arrange(bool ExpertMode);

protected:
  QVBoxLayout *Layout = nullptr;
};

class TZrSmudgeFrame : public TZrBrushFrame
{
  Q_OBJECT

public:
  explicit TZrSmudgeFrame(QWidget *Parent = nullptr);
};

class TZrUndoBrushFrame : public TZrBrushFrame
{
  Q_OBJECT

public:
  explicit TZrUndoBrushFrame(QWidget *Parent = nullptr);
};

namespace brushparts {

// A frame's title: underlined and bold.
QLabel *NewTitleLabel(const QString &Title, QWidget *Parent);
// A horizontal slider with ticks below it.
QSlider *NewSlider(QWidget *Parent);

// A checkable button for Tool on the tool panel (or, without a panel, at
// the end of the graphics editor's standard toolbar) that selects it. Any
// graphics tool may have its button made this way.
QAction *CreateToolButton(TZrGraphicsTool &Tool, int CaptionId, bool OnToolPanel);
// Binds the frame's sliders and preview to the tool.
void BindFrame(TZrBrushTool &Tool, TZrBrushFrame &Frame);
// The layout of the frame, with opacity 255 and the tool's simple hardness
// outside expert mode.
void LayoutFrame(TZrBrushTool &Tool, TZrBrushFrame *Frame, bool ExpertMode,
                 int32_t SimpleHardness = 191);
void Localize(QAction *Button, TZrBrushFrame *Frame, int TitleId);
// The tool's button checked while the tool is current and enabled while it
// may be picked. Returns whether its option frame is to be enabled (both).
bool UpdateToolButton(TZrGraphicsTool &Tool, QAction *Button);
// Label shows the text of Id, ": " and the slider's position.
void ShowValue(QLabel *Label, int Id, const QSlider *Bar);
void UpdateControls(TZrBrushTool &Tool, QAction *Button, TZrBrushFrame *Frame);
// The demo recording of a click on the check box.
void RecordExpertMode(const QString &DemoName, bool ExpertMode);
// The node of size, opacity, hardness and expert mode (elements 1 to 4);
// More writes a tool's further elements into it.
void SaveSettings(TZrSDFWriter &Writer, const TZrGuid &Guid, const TZrBrushTool &Tool,
                  bool ExpertMode, const std::function<void(TZrSDFWriter &)> &More = {});
// Applies the elements present (More reads a tool's further ones); false
// when the node is missing.
template <class TSetExpertMode>
bool LoadSettings(TZrSDFReader &Reader, const TZrGuid &Guid, TZrBrushTool &Tool,
                  const TSetExpertMode &SetExpertMode,
                  const std::function<void(TZrSDFReader &)> &More = {});
// The frame in front of the tool panel's frames.
void BringToFront(QWidget *Frame);
void SetVisible(QAction *Button, QWidget *Frame, bool Value);

} // namespace brushparts

} // namespace facette

#include "tools/brush/ui/ZrDrawTools.h"

namespace facette::brushparts {

template <class TSetExpertMode>
bool LoadSettings(TZrSDFReader &Reader, const TZrGuid &Guid, TZrBrushTool &Tool,
                  const TSetExpertMode &SetExpertMode,
                  const std::function<void(TZrSDFReader &)> &More)
{
  if (!Reader.EnterNode(1, Guid))
    return false;
  int32_t Value = 0;
  if (Reader.ReadInteger(1, Value))
    Tool.SetBrushSize(Value);
  if (Reader.ReadInteger(2, Value))
    Tool.SetOpacity(Value);
  if (Reader.ReadInteger(3, Value))
    Tool.SetHardness(Value);
  bool Expert = false;
  if (Reader.ReadBoolean(4, Expert))
    SetExpertMode(Expert);
  if (More)
    More(Reader);
  Reader.LeaveNode();
  return true;
}

} // namespace facette::brushparts
