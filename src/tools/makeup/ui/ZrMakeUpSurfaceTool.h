// The make-up brushes: one colour painted through the soft brush, either
// replacing the skin's colour while its fine detail is put back on top
// (so lips and skin keep their structure), or, with "Glaze", rescaled to
// each pixel's brightness so the area takes the hue while keeping its
// light and shade.
//
// The colour comes from the palette on the tool's frame or from the photo
// through the eyedropper (the colour selector button, Alt+P). The detail
// layer all make-up tools read is shared and rebuilt only when the image
// was changed by something other than a make-up tool.
//
// TZrMakeUpSurfaceTool is never used by itself: each make-up tool (see
// ZrMakeUpTools.h) hands its fixed settings to the constructor.
#pragma once

#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrToolPanel.h"
#include "framework/ZrGuid.h"
#include "tools/brush/ui/ZrDrawTools.h"
#include "tools/makeup/ZrMakeUpPalette.h"
#include "tools/makeup/ZrMakeUpSurface.h"

#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QSlider;
class QToolButton;

namespace facette {

class TZrMakeUpSurfaceTool;

// The screen cursor of the eyedropper.
constexpr int32_t crEyedropper = 101;

// A paint box that also reports the left button pressed or dragged over
// it, and clicks.
class TZrMakeUpPaintBox : public TZrPaintBox
{
  Q_OBJECT

public:
  using TZrPaintBox::TZrPaintBox;
  // Left button pressed, and moved while held (box coordinates).
  std::function<void(int32_t X, int32_t Y)> OnMouseDown;
  std::function<void(int32_t X, int32_t Y)> OnMouseMove;
  std::function<void()> OnClick;

protected:
  void mousePressEvent(QMouseEvent *Event) override;
  void mouseMoveEvent(QMouseEvent *Event) override;
  void mouseReleaseEvent(QMouseEvent *Event) override;
};

// The option frame of a make-up tool: size (opacity and hardness stay
// hidden, they are fixed per tool), the colour selector, the colour
// swatch, "Glaze", the brightness of the palette, the channel buttons and
// the palette.
class TZrMakeUpSurfaceFrame : public TZrFrame
{
  Q_OBJECT

public:
  explicit TZrMakeUpSurfaceFrame(const QString &Title = QStringLiteral("MakeUpSurface"),
                                 QWidget *Parent = nullptr);

  QPointer<TZrMakeUpSurfaceTool> Tool;

  QLabel *TitleLabel = nullptr;
  QLabel *SizeLabel = nullptr;
  QSlider *SizeTrackBar = nullptr;
  QLabel *OpacityLabel = nullptr;
  QSlider *OpacityTrackBar = nullptr;
  QLabel *HardnessLabel = nullptr;
  QSlider *HardnessTrackBar = nullptr;
  QWidget *TBXAlignmentPanel = nullptr;
  QToolButton *ColorSelectorTntSpeedButton = nullptr;
  TZrMakeUpPaintBox *ColorTntPaintBox = nullptr;
  QCheckBox *GlazeTBXCheckBox = nullptr;
  QLabel *BrightnessTBXLabel = nullptr;
  QSlider *BrightnessTrackBar = nullptr;
  QWidget *TBXAlignmentPanel1 = nullptr;
  QToolButton *RedTntSpeedButton = nullptr;
  QToolButton *GreenTntSpeedButton = nullptr;
  QToolButton *BlueTntSpeedButton = nullptr;
  TZrMakeUpPaintBox *PaletteTntPaintBox = nullptr;

  // The channel button of Channel (1 red, 2 green, 3 blue); nil for others.
  QToolButton *ChannelButton(int32_t Channel) const;
  // Puts the button of the palette's channel down.
  void UpdateChannelButtons();

  void ColorSelectorTntSpeedButtonClick();
  void ColorTntPaintBoxClick();
  void PaletteTntPaintBoxMouseDown(int32_t X, int32_t Y);
  void PaletteTntPaintBoxMouseMove(int32_t X, int32_t Y);
  // Any of the three channel buttons.
  void RedTntSpeedButtonClick(QToolButton *Button);
  void GlazeTBXCheckBoxChange();

private:
  QButtonGroup *ChannelGroup = nullptr;
};

// The palette shown on a frame: the square and its cross-hair on the
// palette box, the chosen colour as an ellipse on the swatch box.
class TZrMakeUpPaletteView : public TMakeUpPalette
{
public:
  TZrMakeUpPaletteView(TZrPaintBox *PaletteBox, TZrPaintBox *SwatchBox);

  // Paint handlers of the two boxes.
  void PaintPalette(QPainter &Painter) const;
  void PaintSwatchBox(QPainter &Painter) const;

protected:
  void DrawPalette() override;
  void PaintSwatch() override;
  void DrawCross() override;

private:
  QPointer<TZrPaintBox> PaletteBox;
  QPointer<TZrPaintBox> SwatchBox;
};

class TZrMakeUpSurfaceToolControl : public TZrBrushToolControl
{
public:
  TZrMakeUpSurfaceToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View);

  TZrMakeUpSurfaceTool *MakeUpTool() const;
  // Overlay and content: the brush square is repainted as the brush moves.
  void InitFlags() override { Flags = vfContent | vfOverlay | vfNoExtent; }

  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  // Alt+P arms or disarms the eyedropper.
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;
  // The right button does nothing; neither does picking beside the image.
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  // While a stroke is open: picks or follows the brightness. Otherwise
  // brings the detail layer up to date.
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
};

// What a make-up tool fixes.
struct TZrMakeUpToolTraits
{
  const char *DemoName = "";
  int NameId = 0; // localized name: caption, hint and title
  TZrGuid SettingsGuid;
  int32_t Hardness = 128;
  int32_t Opacity = 255;
  int32_t BlendMode = NormalMode;
  bool FullBrightness = false;
  bool KeepTexture = true;
  // The colour is fixed (eye pencil: black, teeth bleach: white) and
  // neither the palette nor the eyedropper is offered.
  enum TFixedColour
  {
    None,
    Black,
    White
  } FixedColour = None;
};

class TZrMakeUpSurfaceTool : public TZrCustomBlurBrushTool
{
  Q_OBJECT

public:
  // Makes the tool's frame on the tool panel.
  using TFrameClass = std::function<TZrMakeUpSurfaceFrame *()>;
  template <class TFrame> static TFrameClass FrameClassOf()
  {
    return []() -> TZrMakeUpSurfaceFrame * {
      if (TZrToolPanelModule *Panel = ToolPanel())
        return Panel->CreateToolFrame<TFrame>();
      // Without a panel (a tool tested on its own) the frame is the tool's.
      return new TFrame();
    };
  }

  TZrMakeUpSurfaceTool(const TZrMakeUpToolTraits &Traits, const TFrameClass &FrameClass);
  ~TZrMakeUpSurfaceTool() override;

  const TZrMakeUpToolTraits Traits;
  QAction *Button = nullptr;
  TZrMakeUpSurfaceFrame *Frame = nullptr;
  int32_t BlendMode = NormalMode;
  // The per-pixel maximum of the stamps of the current stroke.
  TZrPixelMask PaintMask;
  QPointer<QSlider> BrightnessBar;
  // The eyedropper is armed: the next stroke picks a colour.
  bool ColorPicking = false;
  std::unique_ptr<TZrMakeUpPaletteView> Palette;
  // In normal mode the skin's detail is put back over the colour.
  bool KeepTexture = true;

  virtual TZrGuid SettingsGuid() const { return Traits.SettingsGuid; }

  void SetBlendMode(int32_t Mode);
  void SetColorPicking(bool Value);
  // A click or drag on the palette (clamped to the square).
  void PickFromPalette(int32_t X, int32_t Y);
  // The blurred colour under the brush becomes the palette colour.
  void PickColour(const TZrMaskDrawToolControl &Control);
  // Full-brightness palettes follow the brightness of the skin.
  void TrackBrightness(const TZrMaskDrawToolControl &Control);
  void ShowColourStatus();
  int32_t PickerCursor() const { return ColorPicking ? crEyedropper : crNone; }
  void BindBrightnessBar(QSlider *TrackBar);
  void ApplyColour(const TZrRect &Rect);
  // The palette colour after a change made elsewhere: slider and channel
  // buttons follow it.
  void PaletteColourChanged();

  // The shared detail layer stands for another image than the one of
  // these bounds (or for one changed since by another tool).
  static bool DetailNeedsReset(const TZrRect &ImageBounds);
  // Makes it stand for the committed image; its rows are worked out as
  // strokes reach them.
  static void ResetDetail(const TZrPixels &Pixels);
  // Works out the rows that depend on the pixels of Rect, from Pixels.
  void EnsureDetail(const TZrPixels &Pixels, const TZrRect &Rect);
  // How far the layer's windows reach: a row depends on the pixels from 8
  // rows above to 9 below it.
  static constexpr int32_t DetailReach = 9;

  void Localize() override;
  void LoadSettings(TZrSDFReader &Reader) override;
  void SaveSettings(TZrSDFWriter &Writer) override;
  void UpdateControls() override;
  void Commit() override;
  void DocumentOpened(TZrGraphicsDocument &Doc) override;
  void BeforeUndo(TZrCommandState *State) override;
  void BeforeRedo(TZrCommandState *State) override;
  void InitializeTool() override;
  void SetEnabled(bool Value) override;
  void StateApplied(TZrGraphicsDocument &Doc, IZrGraphicsDocumentListener *Tool,
                    const TZrRect &Rect) override;
  void Activate() override;
  bool BeginStroke(TZrDrawToolControl &Control, int32_t MouseButton, TZrShiftState Shift) override;
  void ApplyRect(const TZrRect &Rect) override;
  void EndStroke() override;

protected:
  // The brightness slider taking the focus is recorded as a move to it.
  bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
  void RecordLine(const QString &Suffix, const QString &Value = {}) const;
  void RefreshPointer();
  bool BrushInsideImage(const TZrMaskDrawToolControl &Control) const;
  void RegisterEyedropper();
  void KeepDetailAround(TZrCommandState *State);

  // Something was painted in the current stroke (so it is kept as an undo
  // step even when the eyedropper was armed in the middle of it).
  bool StrokePainted = false;
  // The layer's memory could not be had in this stroke (told once).
  bool DetailFailed = false;
};

} // namespace facette
