// The view of a graphics document: its image at a zoom, the tools'
// controls on top receiving mouse, wheel and key input, the pointer's
// position and colour for the status bar, and the recording of mouse
// actions into a demo script.
#pragma once

#include "demo/ui/ZrDemoHooks.h"
#include "editor/ui/ZrViewControls.h"
#include "editor/ZrGraphicDocumentView.h"
#include "editor/ZrGraphicsDocument.h"

#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace facette {

// What a paint of a view showing a photo cost, for measuring the editor
// from outside (the program's hidden --report-paints option).
struct TZrPaintReport
{
  // The paint itself.
  double PaintMilliseconds = 0;
  // From the change of zoom to the end of this paint when it is the first
  // paint since; otherwise negative.
  double SinceZoomMilliseconds = -1;
  // Parts of the photo shown as drafts, to be refined.
  bool Draft = false;
  int32_t ZoomNumerator = 1;
  int32_t ZoomDenominator = 1;
};
// Called after every paint of a view that shows a photo; none by default.
void SetPaintReporter(std::function<void(const TZrPaintReport &)> Reporter);

// What the view needs of the graphics editor that shows it.
class IZrGraphicsViewHost
{
public:
  virtual ~IZrGraphicsViewHost() = default;
  // The X, Y, R, G and B status panels: the logical point under the
  // pointer and the colour of the image pixel there (-1, -1, -1 outside).
  virtual void ShowPointerStatus(int32_t X, int32_t Y, int32_t Red, int32_t Green,
                                 int32_t Blue) = 0;
  // The playback recording the user's actions; nil when none records.
  virtual IZrDemoPlayback *RecordingPlayback() = 0;
  // The text of the balloon line recorded for a click.
  virtual QString DemoClickCaption() { return QStringLiteral("Click"); }
};

class TZrGraphicsView : public TZrScrollViewControl, public IZrDocumentObserver
{
  Q_OBJECT

public:
  // Registers itself as an observer of the document; its document view is
  // hidden until the editor shows it.
  TZrGraphicsView(TZrGraphicsDocument &Document, IZrGraphicsViewHost *Host,
                  QWidget *Parent = nullptr);
  ~TZrGraphicsView() override;

  TZrGraphicsDocument &Document;
  TZrGraphicDocumentView *const DocumentView;
  bool MouseInside = false;

  // Zoom as screen (device) pixels per image pixel, Numerator /
  // Denominator; the point in the middle of the window stays there where
  // the image allows.
  void SetZoom(int32_t Numerator, int32_t Denominator);
  // (ViewportExtX, WindowExtX).
  std::pair<int32_t, int32_t> GetZoom() const;
  // The sign of Numerator / Denominator minus the current zoom, both taken
  // in thousandths.
  int32_t CompareZoom(int32_t Numerator, int32_t Denominator) const;
  // Lets the tools choose the cursor again for where the pointer is.
  void RefreshCursor();
  // The pointer is over the image area now, with no menu open and no
  // other window in between.
  bool PointerOverClient() const;
  // The colour (00RRGGBB) of the image pixel at the logical point; false
  // outside the image.
  bool PixelAt(TZrPoint LogicalPoint, int32_t &Color) const;
  // After a change of zoom the view shows the photo at once as a draft
  // where its reduced copy is not ready, and refines it from the event
  // loop a few milliseconds at a time. A picture of the window (a
  // screenshot) wants final pixels: FinishDrafts paints them at once.
  void FinishDrafts();

  void DocumentChanged(TZrDocument &Doc) override;
  void DocumentClosed(TZrDocument &) override {}

protected:
  bool event(QEvent *Event) override;
  bool eventFilter(QObject *Watched, QEvent *Event) override;
  void mousePressEvent(QMouseEvent *Event) override;
  void mouseDoubleClickEvent(QMouseEvent *Event) override;
  void mouseMoveEvent(QMouseEvent *Event) override;
  void mouseReleaseEvent(QMouseEvent *Event) override;
  void wheelEvent(QWheelEvent *Event) override;
  void keyPressEvent(QKeyEvent *Event) override;
  void keyReleaseEvent(QKeyEvent *Event) override;
  void leaveEvent(QEvent *Event) override;
  // Shows the photo in the new screen's colours.
  void ScreenChanged() override;
  void paintEvent(QPaintEvent *Event) override;

private:
  // Hands the call to the tools' controls from the top of the list down
  // until one handles it.
  template <typename TCall> bool Dispatch(const TCall &Call);
  template <typename TCall> void Broadcast(const TCall &Call);
  void Press(QMouseEvent *Event, TZrShiftState Extra);
  void PointerMoved(TZrPoint Point, TZrShiftState Shift);
  void EnterView();
  void LeaveView();
  void ChooseCursor(TZrPoint Point, TZrShiftState Shift);
  TZrPoint PointerPosition() const;
  // Demo recording.
  IZrDemoPlayback *Recorder() const;
  void Record(const QString &Line) const;
  static QString Coordinates(TZrPoint P);

  // One step of refining the drafts shown.
  void RefineDrafts();

  IZrGraphicsViewHost *Host;
  // The last recorded press state and logical point.
  bool ButtonDown = false;
  TZrPoint LastRecorded;
  bool RefineQueued = false;
  bool BackupQueued = false;
  // When the zoom last changed, until the paint that follows.
  std::optional<std::chrono::steady_clock::time_point> ZoomChanged;
};

// The view link a graphics editor hands its documents: it creates the view
// and destroys it with the document (unless the window took it first).
class TZrGraphicsViewLink : public IZrGraphicsViewLink
{
public:
  explicit TZrGraphicsViewLink(TZrGraphicsView *View) : View(View) {}
  ~TZrGraphicsViewLink() override;
  TZrGraphicsView *GraphicsView() const { return View.data(); }

  TZrDocumentView *Widget() override { return View.data(); }
  const TZrMapMode &ViewMapMode() const override;
  void InvalidateWindowRect(const TZrRect &Rect) override;
  void ImagePixelsChanged(const TZrRect &ImageRect) override;
  void ImageChanged() override;

private:
  QPointer<TZrGraphicsView> View;
  TZrMapMode Identity;
};

std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Document,
                                                        IZrGraphicsViewHost *Host);

} // namespace facette
