#include "editor/ui/ZrGraphicsView.h"

#include "editor/ui/ZrCursors.h"
#include "editor/ui/ZrScreenProfile.h"
#include "editor/ui/ZrVirtualKeys.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

namespace facette {

namespace {

std::function<void(const TZrPaintReport &)> &PaintReporter()
{
  static std::function<void(const TZrPaintReport &)> Reporter;
  return Reporter;
}

// Refinement steps leave the event loop at least this often, so that input
// is taken between them.
constexpr double RefineBudgetMs = 8.0;

TZrShiftState ShiftOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
  TZrShiftState Shift = 0;
  if (Modifiers.testFlag(Qt::ShiftModifier))
    Shift |= ssShift;
  if (Modifiers.testFlag(Qt::AltModifier))
    Shift |= ssAlt;
  if (Modifiers.testFlag(Qt::ControlModifier))
    Shift |= ssCtrl;
  if (Buttons.testFlag(Qt::LeftButton))
    Shift |= ssLeft;
  if (Buttons.testFlag(Qt::RightButton))
    Shift |= ssRight;
  if (Buttons.testFlag(Qt::MiddleButton))
    Shift |= ssMiddle;
  return Shift;
}

// 0 for the left button, 1 for the right, -1 for the others (which the
// tools never see).
int32_t ButtonOf(Qt::MouseButton Button)
{
  if (Button == Qt::LeftButton)
    return mbLeft;
  if (Button == Qt::RightButton)
    return mbRight;
  return -1;
}

} // namespace

void SetPaintReporter(std::function<void(const TZrPaintReport &)> Reporter)
{
  PaintReporter() = std::move(Reporter);
}

TZrGraphicsView::TZrGraphicsView(TZrGraphicsDocument &Document, IZrGraphicsViewHost *Host,
                                 QWidget *Parent)
    : TZrScrollViewControl(Parent), Document(Document),
      DocumentView(static_cast<TZrGraphicDocumentView *>(
          Objects.Add(std::make_unique<TZrGraphicDocumentView>(Document)))),
      Host(Host)
{
  DocumentView->SetVisible(false);
  DocumentView->AllowDrafts(true);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  HorzScrollBar()->installEventFilter(this);
  VertScrollBar()->installEventFilter(this);
  Document.AddObserver(this);
}

TZrGraphicsView::~TZrGraphicsView()
{
  Document.RemoveObserver(this);
}

// Zoom

void TZrGraphicsView::SetZoom(int32_t Numerator, int32_t Denominator)
{
  if (Numerator <= 0 || Denominator <= 0)
    return;
  const QRect Client = ClientRect();
  const TZrPoint Middle =
      MapMode().DeviceToLogical(TZrPoint{Client.width() / 2, Client.height() / 2});
  MapMode().ViewportExtX = MapMode().ViewportExtY = Numerator;
  MapMode().WindowExtX = MapMode().WindowExtY = Denominator;
  ZoomChanged = std::chrono::steady_clock::now();
  CenterOn(Middle);
  // The image moved under the pointer: the tools see a mouse move.
  if (MouseInside)
    PointerMoved(PointerPosition(), ShiftOf(QGuiApplication::queryKeyboardModifiers(),
                                            QGuiApplication::mouseButtons()));
  RefreshCursor();
}

std::pair<int32_t, int32_t> TZrGraphicsView::GetZoom() const
{
  return {MapMode().ViewportExtX, MapMode().WindowExtX};
}

int32_t TZrGraphicsView::CompareZoom(int32_t Numerator, int32_t Denominator) const
{
  const int32_t Asked = MulDiv(1000, Numerator, Denominator);
  const int32_t Current = MulDiv(1000, MapMode().ViewportExtX, MapMode().WindowExtX);
  return Asked > Current ? 1 : Asked < Current ? -1 : 0;
}

bool TZrGraphicsView::PixelAt(TZrPoint LogicalPoint, int32_t &Color) const
{
  Color = 0;
  const TZrPixels *Pixels = Document.ImagePixels();
  if (!Pixels || !Pixels->GetBounds().Contains(LogicalPoint.X, LogicalPoint.Y))
    return false;
  const uint8_t *P = Pixels->PixelPtr(LogicalPoint.X, LogicalPoint.Y);
  Color = (P[2] << 16) | (P[1] << 8) | P[0];
  return true;
}

void TZrGraphicsView::DocumentChanged(TZrDocument &)
{
  UpdateScrollRange();
}

// Paint

void TZrGraphicsView::FinishDrafts()
{
  DocumentView->AllowDrafts(false);
  repaint(ClientRect());
  DocumentView->AllowDrafts(true);
}

void TZrGraphicsView::paintEvent(QPaintEvent *Event)
{
  const auto Start = std::chrono::steady_clock::now();
  TZrScrollViewControl::paintEvent(Event);
  const auto End = std::chrono::steady_clock::now();
  const bool Draft = DocumentView->ImagePainter().PaintedDraft();
  if (DocumentView->HasDrafts() && !RefineQueued) {
    RefineQueued = true;
    QTimer::singleShot(0, this, &TZrGraphicsView::RefineDrafts);
  }
  // A photo just opened gets its backup once it is shown in full, from the
  // event loop: the first paint does not wait for the copy, and the first
  // stroke, seconds later, finds it made.
  if (!DocumentView->HasDrafts() && !BackupQueued && Document.BackupAwaited()) {
    BackupQueued = true;
    QTimer::singleShot(0, this, [this] {
      BackupQueued = false;
      Document.PrepareBackup();
    });
  }
  const std::optional<std::chrono::steady_clock::time_point> Zoomed = ZoomChanged;
  ZoomChanged.reset();
  if (!PaintReporter() || !DocumentView->IsVisible() || !Document.HasImage())
    return;
  TZrPaintReport Report;
  Report.PaintMilliseconds = std::chrono::duration<double, std::milli>(End - Start).count();
  if (Zoomed)
    Report.SinceZoomMilliseconds = std::chrono::duration<double, std::milli>(End - *Zoomed).count();
  Report.Draft = Draft;
  Report.ZoomNumerator = MapMode().ViewportExtX;
  Report.ZoomDenominator = MapMode().WindowExtX;
  PaintReporter()(Report);
}

void TZrGraphicsView::RefineDrafts()
{
  RefineQueued = false;
  const TZrRect Refined = DocumentView->RefineDrafts(MapMode(), RefineBudgetMs);
  if (Refined.IsEmpty())
    return;
  InvalidateRect(Refined);
  // Drafts scrolled out of sight are refined too, without a paint to ask.
  if (DocumentView->HasDrafts()) {
    RefineQueued = true;
    QTimer::singleShot(0, this, &TZrGraphicsView::RefineDrafts);
  }
}

// Input

template <typename TCall> bool TZrGraphicsView::Dispatch(const TCall &Call)
{
  // A control may leave the list while it handles the call: the index is
  // checked again on every step.
  for (int32_t Index = Objects.Count() - 1; Index >= 0; --Index) {
    TZrViewObject *Object = Objects.Get(Index);
    IZrViewInput *Input = Object ? Object->Input() : nullptr;
    if (Input && Call(*Input))
      return true;
  }
  return false;
}

template <typename TCall> void TZrGraphicsView::Broadcast(const TCall &Call)
{
  Dispatch([&](IZrViewInput &Input) {
    Call(Input);
    return false;
  });
}

TZrPoint TZrGraphicsView::PointerPosition() const
{
  return DevicePoint(mapFromGlobal(QCursor::pos()));
}

void TZrGraphicsView::ScreenChanged()
{
  TZrScrollViewControl::ScreenChanged();
  DocumentView->SetDisplayProfile(ScreenColorProfile(screen()));
}

bool TZrGraphicsView::event(QEvent *Event)
{
  // The view takes every key, the tab key included.
  if (Event->type() == QEvent::KeyPress) {
    auto *Key = static_cast<QKeyEvent *>(Event);
    if (Key->key() == Qt::Key_Tab || Key->key() == Qt::Key_Backtab) {
      keyPressEvent(Key);
      return true;
    }
  }
  return TZrScrollViewControl::event(Event);
}

bool TZrGraphicsView::eventFilter(QObject *Watched, QEvent *Event)
{
  // Over a scroll bar the pointer is no longer over the image.
  if ((Watched == HorzScrollBar() || Watched == VertScrollBar()) && Event->type() == QEvent::Enter)
    LeaveView();
  return TZrScrollViewControl::eventFilter(Watched, Event);
}

void TZrGraphicsView::EnterView()
{
  MouseInside = true;
  Broadcast([](IZrViewInput &Input) { Input.MouseEnter(); });
  if (window()->isActiveWindow() && !hasFocus())
    setFocus(Qt::MouseFocusReason);
}

void TZrGraphicsView::LeaveView()
{
  // Told even when the view did not see the pointer come in: a control may
  // have shown itself at the pointer meanwhile (a tool chosen from a menu
  // lying over the photo).
  MouseInside = false;
  Broadcast([](IZrViewInput &Input) { Input.MouseLeave(); });
}

bool TZrGraphicsView::PointerOverClient() const
{
  // Not while a menu is open, nor where another window lies over the view.
  if (QApplication::activePopupWidget())
    return false;
  const QPoint Global = QCursor::pos();
  return QApplication::widgetAt(Global) == this && ClientRect().contains(mapFromGlobal(Global));
}

void TZrGraphicsView::ChooseCursor(TZrPoint Point, TZrShiftState Shift)
{
  int32_t Cursor = crDefault;
  Dispatch([&](IZrViewInput &Input) { return Input.GetCursor(Shift, Point, Cursor); });
  setCursor(ScreenCursor(Cursor));
}

void TZrGraphicsView::RefreshCursor()
{
  const TZrPoint P = PointerPosition();
  if (ClientRect().contains(P.X, P.Y))
    ChooseCursor(
        P, ShiftOf(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons()));
}

void TZrGraphicsView::mousePressEvent(QMouseEvent *Event)
{
  TZrScrollViewControl::mousePressEvent(Event);
  Press(Event, 0);
}

void TZrGraphicsView::mouseDoubleClickEvent(QMouseEvent *Event)
{
  TZrScrollViewControl::mouseDoubleClickEvent(Event);
  Press(Event, ssDouble);
}

void TZrGraphicsView::Press(QMouseEvent *Event, TZrShiftState Extra)
{
  const int32_t Button = ButtonOf(Event->button());
  if (Button < 0)
    return;
  Event->accept();
  const TZrPoint Point = DevicePoint(Event->position());
  const TZrShiftState Shift = ShiftOf(Event->modifiers(), Event->buttons()) | Extra;
  if (!MouseInside && ClientRect().contains(Point.X, Point.Y))
    EnterView();
  if (Recorder()) {
    const TZrPoint L = MapMode().DeviceToLogical(Point);
    Record((ButtonDown ? QStringLiteral("MouseMove Image, ")
                       : QStringLiteral("MouseCurvedMove Image, ")) +
           Coordinates(L));
    if (Recorder()->RecordMessages())
      Record(QStringLiteral("Message \"%1\"")
                 .arg(Host ? Host->DemoClickCaption() : QStringLiteral("Click")));
    Record((Button == mbLeft ? QStringLiteral("MouseDown Image, ")
                             : QStringLiteral("MouseRightDown Image, ")) +
           Coordinates(L));
    LastRecorded = L;
  }
  ButtonDown = true;
  Dispatch([&](IZrViewInput &Input) { return Input.MouseDown(Button, Shift, Point); });
}

void TZrGraphicsView::mouseMoveEvent(QMouseEvent *Event)
{
  TZrScrollViewControl::mouseMoveEvent(Event);
  Event->accept();
  PointerMoved(DevicePoint(Event->position()), ShiftOf(Event->modifiers(), Event->buttons()));
}

void TZrGraphicsView::PointerMoved(TZrPoint Point, TZrShiftState Shift)
{
  const bool OverClient = ClientRect().contains(Point.X, Point.Y);
  if (!MouseInside && OverClient)
    EnterView();
  Dispatch([&](IZrViewInput &Input) { return Input.MouseMove(Shift, Point); });
  // Coordinates also outside the image, where there is no colour.
  const TZrPoint L = MapMode().DeviceToLogical(Point);
  if (Host) {
    int32_t Color = 0;
    if (PixelAt(L, Color))
      Host->ShowPointerStatus(L.X, L.Y, (Color >> 16) & 0xFF, (Color >> 8) & 0xFF, Color & 0xFF);
    else
      Host->ShowPointerStatus(L.X, L.Y, -1, -1, -1);
  }
  if (OverClient)
    ChooseCursor(Point, Shift);
  if (ButtonDown && Recorder() && !(L == LastRecorded)) {
    Record(QStringLiteral("MouseTo Image, ") + Coordinates(L));
    LastRecorded = L;
  }
}

void TZrGraphicsView::mouseReleaseEvent(QMouseEvent *Event)
{
  TZrScrollViewControl::mouseReleaseEvent(Event);
  const int32_t Button = ButtonOf(Event->button());
  if (Button < 0)
    return;
  Event->accept();
  const TZrPoint Point = DevicePoint(Event->position());
  const TZrShiftState Shift = ShiftOf(Event->modifiers(), Event->buttons());
  if (Recorder()) {
    const TZrPoint L = MapMode().DeviceToLogical(Point);
    Record((Button == mbLeft ? QStringLiteral("MouseUp Image, ")
                             : QStringLiteral("MouseRightUp Image, ")) +
           Coordinates(L));
    Record(QStringLiteral("Pause 0.5"));
    LastRecorded = L;
  }
  ButtonDown = false;
  Dispatch([&](IZrViewInput &Input) { return Input.MouseUp(Button, Shift, Point); });
}

void TZrGraphicsView::wheelEvent(QWheelEvent *Event)
{
  const QPoint Angle = Event->angleDelta();
  const int32_t Delta = Angle.y() != 0 ? Angle.y() : Angle.x();
  const int32_t Direction = Delta >= 1 ? 1 : -1;
  const TZrPoint Point = DevicePoint(Event->position());
  const TZrShiftState Shift = ShiftOf(Event->modifiers(), Event->buttons());
  Event->accept();
  if (Dispatch([&](IZrViewInput &Input) { return Input.MouseWheel(Shift, Direction, Point); }))
    return;
  // No tool wanted it: the wheel scrolls, up and down, or sideways with
  // Shift or where only that is possible.
  const int32_t Step = 3 * LineStep * Direction;
  int32_t DX = 0, DY = Step;
  const TZrScrollPlan Plan = ComputeScroll();
  if ((Shift & ssShift) || (!Plan.VerticalBar() && Plan.HorizontalBar()))
    std::swap(DX, DY);
  ClampScrollDelta(DX, DY);
  ScrollAndUpdate(DX, DY);
}

void TZrGraphicsView::keyPressEvent(QKeyEvent *Event)
{
  const int32_t Key = VirtualKey(*Event);
  const TZrShiftState Shift = ShiftOf(Event->modifiers(), QGuiApplication::mouseButtons());
  if (Key != 0 && Dispatch([&](IZrViewInput &Input) { return Input.KeyDown(Key, Shift); }))
    Event->accept();
  else
    Event->ignore();
}

void TZrGraphicsView::keyReleaseEvent(QKeyEvent *Event)
{
  // A held key repeats with a release before every repeated press on some
  // window systems; the key is still down, and tools that act while a key
  // is held (the hand, the original image) must not see it let go.
  if (Event->isAutoRepeat()) {
    Event->ignore();
    return;
  }
  const int32_t Key = VirtualKey(*Event);
  const TZrShiftState Shift = ShiftOf(Event->modifiers(), QGuiApplication::mouseButtons());
  if (Key != 0 && Dispatch([&](IZrViewInput &Input) { return Input.KeyUp(Key, Shift); }))
    Event->accept();
  else
    Event->ignore();
}

void TZrGraphicsView::leaveEvent(QEvent *Event)
{
  TZrScrollViewControl::leaveEvent(Event);
  LeaveView();
}

// Demo recording

IZrDemoPlayback *TZrGraphicsView::Recorder() const
{
  return Host ? Host->RecordingPlayback() : nullptr;
}

void TZrGraphicsView::Record(const QString &Line) const
{
  if (IZrDemoPlayback *Playback = Recorder())
    Playback->RecordLine(Line);
}

QString TZrGraphicsView::Coordinates(TZrPoint P)
{
  return QStringLiteral("%1, %2").arg(P.X).arg(P.Y);
}

// Link

TZrGraphicsViewLink::~TZrGraphicsViewLink()
{
  // The view is the document's: it goes with it, unless the window that
  // held it has already destroyed it. It must not outlive the document it
  // observes, so no deferred deletion.
  delete View.data();
}

const TZrMapMode &TZrGraphicsViewLink::ViewMapMode() const
{
  return View ? View->MapMode() : Identity;
}

void TZrGraphicsViewLink::InvalidateWindowRect(const TZrRect &Rect)
{
  if (View)
    View->InvalidateRect(Rect);
}

void TZrGraphicsViewLink::ImagePixelsChanged(const TZrRect &ImageRect)
{
  if (View)
    View->DocumentView->ImagePixelsChanged(ImageRect);
}

void TZrGraphicsViewLink::ImageChanged()
{
  if (!View)
    return;
  View->DocumentView->ImageChanged();
  View->UpdateScrollRange();
}

std::unique_ptr<IZrGraphicsViewLink> CreateGraphicsView(TZrGraphicsDocument &Document,
                                                        IZrGraphicsViewHost *Host)
{
  // Owned by the link until the editor places it in the main window.
  auto *View = new TZrGraphicsView(Document, Host);
  return std::make_unique<TZrGraphicsViewLink>(View);
}

} // namespace facette
