// The round-brush tools: mouse gestures on a view become stamps of a round
// mask, one edit is kept open per stroke (so a stroke is one undo step),
// and a concrete tool only says what a stamp does to the pixels
// (ApplyRect).
//
// TZrDrawTool keeps the stroke and the brush size and opacity;
// TZrMaskDrawTool adds the stamp and stroke masks and the preview box;
// TZrBrushTool the hardness and the soft round brush; and
// TZrCustomBlurBrushTool the blurred colour of each pixel. Their controls
// take the mouse, wheel and keys of a view and draw the brush outline.
#pragma once

#include "editor/ui/ZrGraphicsTool.h"
#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QPainter;
class QSlider;

namespace facette {

class TZrDrawTool;
class TZrMaskDrawTool;

// The brush size's hint (the arrow keys, Page Up / Page Down and the wheel
// over the photo change it) on the size slider, its label and the brush
// preview; always in the current interface language.
void AddSizeHint(QWidget *Widget);
bool HasSizeHint(const QWidget *Widget);

// A widget that leaves its painting to its owner (the brush preview).
class TZrPaintBox : public QWidget
{
  Q_OBJECT

public:
  explicit TZrPaintBox(QWidget *Parent = nullptr) : QWidget(Parent) {}
  std::function<void(TZrPaintBox &, QPainter &)> OnPaint;

protected:
  void paintEvent(QPaintEvent *Event) override;
};

class TZrDrawToolControl : public TZrGraphicsToolControl
{
public:
  TZrDrawToolControl(TZrGraphicsTool &Tool, TZrGraphicsView &View);

  // A stroke this control began is open.
  bool Drawing = false;

  TZrDrawTool *DrawTool() const;

  virtual void EndStroke();
  // One stamp at the control's bounds (the brush square).
  virtual void StampHere();
  // False while this control is already drawing.
  bool StartStroke(int32_t Button, TZrShiftState Shift);

  // The old area and the new one are repainted.
  void SetBounds(const TZrRect &Rect) override;
  void Activate() override;
  void Deactivate() override;
};

class TZrMaskDrawToolControl : public TZrDrawToolControl
{
public:
  using TZrDrawToolControl::TZrDrawToolControl;

  // Image coordinates; the control's bounds are the brush square around it.
  TZrPoint BrushCentre;

  TZrMaskDrawTool *MaskDrawTool() const;

  void MoveBrush(TZrPoint ImagePoint);

  void Activate() override;
  // The outline takes the pointer's place.
  bool GetCursor(TZrShiftState Shift, TZrPoint Point, int32_t &Cursor) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool MouseDown(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseMove(TZrShiftState Shift, TZrPoint Point) override;
  bool MouseUp(int32_t Button, TZrShiftState Shift, TZrPoint Point) override;
  bool MouseWheel(TZrShiftState Shift, int32_t Direction, TZrPoint Point) override;
  bool KeyDown(int32_t Key, TZrShiftState Shift) override;

private:
  TZrPoint ToImage(TZrPoint Point) const;
};

class TZrBrushToolControl : public TZrMaskDrawToolControl
{
public:
  using TZrMaskDrawToolControl::TZrMaskDrawToolControl;

  // The brush's circle, drawn by inverting what lies under it.
  void PaintOverlay(TZrViewCanvas &Canvas) override;
  TZrRect GetOverlayBounds(const TZrMapMode &MapMode) const override;
  // The device rectangle the outline's ellipse is drawn in.
  TZrRect OutlineRect(const TZrMapMode &MapMode) const;
};

// How stamps follow the mouse.
enum : uint8_t
{
  smStroke = 0,  // on the press and on every move while pressed
  smPress = 1,   // one stamp on the press
  smRelease = 2, // one stamp on the release
};

class TZrDrawTool : public TZrGraphicsTool
{
  Q_OBJECT

public:
  TZrDrawTool();
  ~TZrDrawTool() override;

  // The control that began the current stroke; nil when none is open.
  TZrDrawToolControl *ActiveControl = nullptr;
  uint8_t StampMode = smStroke;
  int32_t StrokeButton = 0;
  TZrShiftState StrokeShift = 0;
  // Diameter in image pixels, within [MinBrushSize, MaxBrushSize].
  int32_t BrushSize = 10;
  int32_t MinBrushSize = 1;
  int32_t MaxBrushSize = 50;
  QPointer<QSlider> SizeBar;
  // Peak strength of the brush, 0..255.
  int32_t Opacity = 255;
  QPointer<QSlider> OpacityBar;

  virtual void SizeChanged() {}
  // Values outside the limits, or the current one, are ignored.
  virtual void SetBrushSize(int32_t Value);
  virtual void OpacityChanged() {}
  virtual void SetOpacity(int32_t Value);
  virtual bool BeginStroke(TZrDrawToolControl &Control, int32_t Button, TZrShiftState Shift);
  // One stamp whose brush square is Rect.
  virtual void StampAt(const TZrRect &Rect);
  // What a stamp does to the pixels of Rect (inside the image): read
  // BackupPixels, write ImagePixels.
  virtual void ApplyRect(const TZrRect &) {}
  virtual void EndStroke();

  void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;
  // Ends the stroke a stopped demonstration left open.
  void AbortMouseAction() override;
  // A control going away cannot end its stroke any more.
  void RemoveControl(TZrGraphicsToolControl *Control) override;

  static TZrRect BrushRect(TZrPoint Centre, int32_t Size);
  bool IsStroking() const { return ActiveControl != nullptr; }
  void BindSizeBar(QSlider *TrackBar);
  void BindOpacityBar(QSlider *TrackBar);

protected:
  // Writes a line to the attached recording playback (when the tool has a
  // demo name).
  void RecordValue(const QString &Line);
  // The screen centre of Bar when the first argument names it.
  static bool SliderTarget(const TZrDemoScriptParams &Params, const QString &Name, QSlider *Bar,
                           bool &Handled, QPoint &Point);
  static void MoveSlider(QSlider *Bar, int32_t Value);
  // Invalidates every control's area.
  void InvalidateControls();
};

class TZrMaskDrawTool : public TZrDrawTool
{
  Q_OBJECT

public:
  TZrMaskDrawTool();
  ~TZrMaskDrawTool() override;

  // The shape of one stamp: a square of the brush side at (0, 0), moved
  // onto the brush square while a stamp is applied.
  TZrPixelMask StampMask;
  // The per-pixel maximum of the stroke's stamps.
  TZrPixelMask StrokeMask;
  QPointer<TZrPaintBox> PreviewBox;
  // The effect goes through the stroke mask (else through the stamp).
  bool Accumulate = false;
  // Shift state of the latest mouse event.
  TZrShiftState CurrentShift = 0;

  // Rebuilds the stamp mask where the class builds one, then repaints the
  // preview.
  virtual void BrushShapeChanged();
  void SizeChanged() override;
  void OpacityChanged() override { BrushShapeChanged(); }
  // Starts from an empty stroke mask.
  bool BeginStroke(TZrDrawToolControl &Control, int32_t Button, TZrShiftState Shift) override;
  void StampAt(const TZrRect &Rect) override;
  void EndStroke() override;

  void BindPreviewBox(TZrPaintBox *PaintBox);
  const TZrPixelMask &EffectMask() const { return Accumulate ? StrokeMask : StampMask; }
  // The stamp in black (grey when the box is disabled) on white.
  void PaintPreview(TZrPaintBox &Box, QPainter &Painter);
};

class TZrBrushTool : public TZrMaskDrawTool
{
  Q_OBJECT

public:
  TZrBrushTool();

  // 0 (soft) .. 255 (hard).
  int32_t Hardness = 0;
  QPointer<QSlider> HardnessBar;

  virtual void SetHardness(int32_t Value);
  // The soft round brush of the size, opacity and hardness.
  void BrushShapeChanged() override;
  void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;

  void BindHardnessBar(QSlider *TrackBar);
};

class TZrCustomBlurBrushTool : public TZrBrushTool
{
  Q_OBJECT

public:
  TZrCustomBlurBrushTool();

  // 32-bit: the alpha byte is 255 where the blurred colour is known.
  TZrPixelBuffer BlurCache;
  // The disc the average is taken over.
  TZrPixelMask BlurFootprint;
  // The footprint's diameter.
  int32_t Smoothing = 0;
  bool IncludeCentre = false;
  bool SmoothingFollowsSize = false;
  QPointer<QSlider> SmoothingBar;

  // Within the brush size limits.
  virtual void SetSmoothing(int32_t Value);
  virtual void SmoothingChanged();
  void SetBrushSize(int32_t Value) override;
  void EndStroke() override;
  void DemoCommand(IZrDemoPlayback *Playback, const QString &Command, bool &Handled,
                   TZrDemoAction *Action, const TZrDemoScriptParams &Params) override;
  void DemoTargetPosition(IZrDemoPlayback *Playback, const TZrDemoScriptParams &Params,
                          bool &Handled, QPoint &Point) override;

  void BindSmoothingBar(QSlider *TrackBar);
  void SetSmoothingFollowsSize(bool Value);
  // The mean colour (00RRGGBB) of the backup over the footprint around the
  // pixel, without the pixel itself; cached for the stroke.
  int32_t BlurColour(int32_t X, int32_t Y);
};

} // namespace facette
