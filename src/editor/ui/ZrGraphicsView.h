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

#include <memory>
#include <utility>

namespace facette {

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

  // Zoom as screen pixels per image pixel, Numerator / Denominator; the
  // point in the middle of the window stays there where the image allows.
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

  IZrGraphicsViewHost *Host;
  // The last recorded press state and logical point.
  bool ButtonDown = false;
  TZrPoint LastRecorded;
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
