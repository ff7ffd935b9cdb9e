// The anti-aging and emphasis brushes: where the soft brush passes, the
// photo moves towards the image with the detail between two scales taken
// out (anti-aging: wrinkles and blemishes go, pores and shape stay) or
// added once more (emphasis). "Naturalness" is the finer scale, "Smoothing"
// the coarser one. The filtered image is made for the whole photo when a
// stroke needs it and kept until the photo changes by other means than
// these strokes, so a stroke only mixes two images.
#pragma once

#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrGuid.h"
#include "tools/brush/ui/ZrBrushFrame.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/skin/ZrFrequencyRange.h"

class QAction;
class QLabel;
class QSlider;

namespace facette {

class TZrAntiAgingTool;

// The option frame: the brush frame with the two scales between the size
// and the expert controls.
class TZrAntiAgingFrame : public TZrBrushFrame
{
  Q_OBJECT

public:
  explicit TZrAntiAgingFrame(QWidget *Parent = nullptr)
      : TZrAntiAgingFrame(QStringLiteral("Anti Aging"), Parent)
  {}

  QLabel *NaturalnessLabel = nullptr;
  QSlider *NaturalnessTrackBar = nullptr;
  TZrAntiAgingTool *Tool = nullptr;

  void Arrange(bool ExpertMode) override;

protected:
  TZrAntiAgingFrame(const QString &Title, QWidget *Parent);
};

class TZrAntiAgingFrame1 : public TZrAntiAgingFrame
{
  Q_OBJECT

public:
  explicit TZrAntiAgingFrame1(QWidget *Parent = nullptr)
      : TZrAntiAgingFrame(QStringLiteral("Anti Aging"), Parent)
  {}
};

class TZrEmphasisFrame : public TZrAntiAgingFrame
{
  Q_OBJECT

public:
  explicit TZrEmphasisFrame(QWidget *Parent = nullptr)
      : TZrAntiAgingFrame(QStringLiteral("Emphasis"), Parent)
  {}
};

// Brings the filtered image up to date when the pointer moves over the
// photo, so that a stroke can start at once.
class TZrAntiAgingToolControl : public TZrBrushToolControl
{
public:
  using TZrBrushToolControl::TZrBrushToolControl;

  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
};

// What tells the tools apart.
struct TZrAntiAgingKind
{
  const char *DemoName;
  int NameId;
  int SmoothingId;
  // True: the detail between the scales is taken out; false: added.
  bool RemoveBand;
  TZrGuid Guid;
};

class TZrAntiAgingTool : public TZrBrushTool
{
  Q_OBJECT

public:
  static constexpr TZrAntiAgingKind Kind = {
      "AntiAging", 2654, 536, true, TZrGuid::FromString("{3142CA0D-F215-4C09-9E1A-D2EC5EC45439}")};
  // Images at least this large show the progress meter while filtered.
  static constexpr int64_t MeterPixels = 1 << 20;

  TZrAntiAgingTool() : TZrAntiAgingTool(Kind, MakeFrame<TZrAntiAgingFrame>) {}

  const TZrAntiAgingKind &Traits;
  QAction *Button = nullptr;
  TZrAntiAgingFrame *Frame = nullptr;
  bool ExpertMode = false;
  // The two radii; they start at the sliders' first positions.
  int32_t Naturalness = 1;
  int32_t Smoothing = 5;
  // The filtered photo.
  TFrequencyFilter Range;
  const bool RemoveBand;

  virtual void SettingsGuid(TZrGuid &Guid) const { Guid = Traits.Guid; }
  // Makes the filtered image of the active document's committed image when
  // it is not current, with the hourglass (and the progress meter for a
  // large photo). False when there is no document or no memory for it.
  virtual bool PrepareRange();

  void SetExpertMode(bool Value);
  void SetNaturalness(int32_t Value);
  void SetSmoothing(int32_t Value);
  void LayoutFrame();
  // Whether a stroke could start without making the filtered image.
  bool RangeCurrent() const;

  void ExpertModeTBXCheckBoxChange();
  void NaturalnessTrackBarChange();
  void SmoothingTrackBarChange();

  // A stroke starts only on a current filtered image: after another photo
  // was opened, the pointer may not have moved over it before the press.
  bool BeginStroke(TZrDrawToolControl &Control, int32_t MouseButton, TZrShiftState Shift) override;
  void ApplyRect(const TZrRect &Rect) override;
  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void StateApplied(TZrGraphicsDocument &Doc, IZrGraphicsDocumentListener *Tool,
                    const TZrRect &Rect) override;
  void Activate() override;

protected:
  // The option frame of the tool's class on the tool panel (nil without a
  // panel).
  using TFrameMaker = TZrAntiAgingFrame *(*)();
  template <class TFrame> static TZrAntiAgingFrame *MakeFrame()
  {
    TZrToolPanelModule *Panel = ToolPanel();
    return Panel ? Panel->CreateToolFrame<TFrame>() : nullptr;
  }
  TZrAntiAgingTool(const TZrAntiAgingKind &Kind, TFrameMaker NewFrame);

private:
  // Records a pointer move to the slider Name and its new value.
  void RecordSlider(const QString &Name, int32_t Value);
};

class TZrAntiAgingTool1 : public TZrAntiAgingTool
{
  Q_OBJECT

public:
  static constexpr TZrAntiAgingKind Kind = {
      "AntiAging", 2654, 536, true, TZrGuid::FromString("{7B414328-3C85-4B6C-92EF-5B576ECB710C}")};

  TZrAntiAgingTool1() : TZrAntiAgingTool(Kind, MakeFrame<TZrAntiAgingFrame1>) {}
};

class TZrEmphasisTool : public TZrAntiAgingTool
{
  Q_OBJECT

public:
  static constexpr TZrAntiAgingKind Kind = {
      "Emphasis", 2819, 2820, false, TZrGuid::FromString("{180846F1-572F-4E24-92E1-8AFB4A36A1FB}")};

  TZrEmphasisTool() : TZrAntiAgingTool(Kind, MakeFrame<TZrEmphasisFrame>) {}
};

} // namespace facette
