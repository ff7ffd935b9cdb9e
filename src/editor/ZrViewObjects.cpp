#include "editor/ZrViewObjects.h"

#include <algorithm>
#include <cstring>

namespace facette {

namespace {

TZrRect Grown(const TZrRect &R, int32_t By)
{
  return TZrRect{R.Left - By, R.Top - By, R.Right + By, R.Bottom + By};
}

bool Inside(const TZrRect &Inner, const TZrRect &Outer)
{
  return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
         Inner.Bottom <= Outer.Bottom;
}

} // namespace

// View objects

void TZrViewObject::SetVisible(bool Value)
{
  if (Value)
    Flags |= vfVisible;
  else
    Flags &= static_cast<uint8_t>(~vfVisible);
}

TZrRect TZrViewObject::GetDeviceBounds(const TZrMapMode &MapMode) const
{
  TZrRect R;
  if (HasFlag(vfContent))
    R = UnionRect(R, GetContentBounds(MapMode));
  if (HasFlag(vfOverlay))
    R = UnionRect(R, GetOverlayBounds(MapMode));
  return R;
}

TZrRect TZrViewObject::GetContentBounds(const TZrMapMode &MapMode) const
{
  return MapMode.LogicalToDeviceRect(Bounds);
}

TZrRect TZrViewObject::GetOverlayBounds(const TZrMapMode &MapMode) const
{
  return MapMode.LogicalToDeviceRect(Bounds);
}

bool TZrViewObject::BeginPaint(TZrViewCanvas &)
{
  return IsVisible();
}

void TZrViewObject::Paint(TZrViewCanvas &Canvas)
{
  if (!HasFlag(vfSelfPaint) || !BeginPaint(Canvas))
    return;
  if (HasFlag(vfContent))
    PaintContent(Canvas);
  if (HasFlag(vfOverlay))
    PaintOverlay(Canvas);
  EndPaint();
}

int32_t TZrViewObject::HitTest(const TZrMapMode &MapMode, TZrPoint Point, int32_t Tolerance) const
{
  const TZrRect R = GetDeviceBounds(MapMode);
  if (R.IsEmpty())
    return 0;
  if (R.Contains(Point.X, Point.Y))
    return 3;
  if (Tolerance > 0 && Grown(R, Tolerance).Contains(Point.X, Point.Y))
    return 2;
  return 0;
}

int32_t TZrViewObject::HitTestRect(const TZrMapMode &MapMode, const TZrRect &Rect,
                                   int32_t Tolerance) const
{
  const TZrRect R = GetDeviceBounds(MapMode);
  if (R.IsEmpty() || Rect.IsEmpty())
    return 0;
  if (Inside(Rect, R))
    return 3;
  if (!IntersectRect(Rect, R).IsEmpty())
    return 1;
  if (Tolerance >= 1 && !IntersectRect(Rect, Grown(R, Tolerance)).IsEmpty())
    return 2;
  return 0;
}

// Object list

TZrViewObject *TZrViewObjectList::Add(std::unique_ptr<TZrViewObject> Object)
{
  if (!Object)
    return nullptr;
  Items.push_back(std::move(Object));
  return Items.back().get();
}

std::unique_ptr<TZrViewObject> TZrViewObjectList::Extract(const TZrViewObject *Object)
{
  const auto It = std::find_if(Items.begin(), Items.end(),
                               [Object](const auto &Item) { return Item.get() == Object; });
  if (It == Items.end())
    return nullptr;
  std::unique_ptr<TZrViewObject> Taken = std::move(*It);
  Items.erase(It);
  return Taken;
}

int32_t TZrViewObjectList::IndexOf(const TZrViewObject *Object) const
{
  for (size_t Index = 0; Index < Items.size(); ++Index)
    if (Items[Index].get() == Object)
      return static_cast<int32_t>(Index);
  return -1;
}

// Canvas

bool TZrViewCanvas::BeginSurface(const TZrRegion &Region)
{
  EndSurface();
  const TZrRect Box = Region.BoundingBox();
  if (Box.IsEmpty())
    return false;
  // The memory of the last paint serves as long as it is large enough, so
  // that a paint costs no page faults of fresh memory.
  if (Box.Width() > Surface.Width || Box.Height() > Surface.Height) {
    const TZrRect Needed =
        Bounds(0, 0, std::max(Box.Width(), Surface.Width), std::max(Box.Height(), Surface.Height));
    if (!Surface.Allocate(pf24bit, Needed) || !Surface.Bits) {
      Surface.Clear();
      return false;
    }
  }
  UpdateBox = Box;
  Pixels.Init(Box, Surface.Bits, pf24bit, Surface.Stride);
  Clip = Region;
  ClipChanged();
  return true;
}

void TZrViewCanvas::PaintObjects(const TZrViewObjectList &Objects)
{
  if (!HasSurface())
    return;
  States.clear();
  for (int32_t Index = Objects.Count() - 1; Index >= 0; --Index) {
    TZrViewObject *Object = Objects.Get(Index);
    if (!Object || !Object->IsVisible())
      continue;
    if (!RectVisible(Object->GetDeviceBounds(MapMode)))
      continue;
    if (!Object->BeginPaint(*this))
      continue;
    bool Deferred = false;
    if (Object->HasFlag(vfOverlay) && RectVisible(Object->GetOverlayBounds(MapMode))) {
      // The overlay may later paint wherever the clip allowed painting when
      // the object was reached, its own content included.
      States.push_back(TZrViewState{Object, Clip});
      Deferred = true;
    }
    if (Object->HasFlag(vfContent) && RectVisible(Object->GetContentBounds(MapMode)))
      Object->PaintContent(*this);
    if (!Deferred)
      Object->EndPaint();
  }
  // What no content painted shows the background.
  const std::vector<TZrRect> Rest = Clip.GetRects();
  for (const TZrRect &R : Rest)
    FillRect(R, BackgroundColor);
  while (!States.empty()) {
    TZrViewState State = std::move(States.back());
    States.pop_back();
    Clip = std::move(State.Clip);
    ClipChanged();
    State.Object->PaintOverlay(*this);
    State.Object->EndPaint();
  }
}

void TZrViewCanvas::EndSurface()
{
  States.clear();
  Pixels = TZrCanvasPixels();
  UpdateBox = {};
  Clip.Clear();
  ClipChanged();
}

void TZrViewCanvas::ExcludeClipRect(const TZrRect &Rect)
{
  Clip.Exclude(Rect);
  ClipChanged();
}

void TZrViewCanvas::FillRect(const TZrRect &Rect, int32_t Color)
{
  if (!HasSurface())
    return;
  const uint8_t Red = static_cast<uint8_t>(Color & 0xFF);
  const uint8_t Green = static_cast<uint8_t>((Color >> 8) & 0xFF);
  const uint8_t Blue = static_cast<uint8_t>((Color >> 16) & 0xFF);
  TZrRegion Area = Clip;
  Area.Intersect(IntersectRect(Rect, Pixels.GetBounds()));
  for (const TZrRect &R : Area.GetRects()) {
    const size_t Bytes = static_cast<size_t>(R.Width()) * 3;
    for (int32_t Y = R.Top; Y < R.Bottom; ++Y) {
      uint8_t *Row = Pixels.PixelPtr(R.Left, Y);
      if (Red == Green && Green == Blue) {
        std::memset(Row, Red, Bytes);
        continue;
      }
      for (int32_t X = 0; X < R.Width(); ++X) {
        Row[3 * X] = Blue;
        Row[3 * X + 1] = Green;
        Row[3 * X + 2] = Red;
      }
    }
  }
}

// Scrolling

TZrRect ViewExtent(const TZrViewObjectList &Objects, const TZrMapMode &MapMode)
{
  const TZrPoint Origin = MapMode.LogicalToDevice(TZrPoint{0, 0});
  TZrRect Extent{Origin.X, Origin.Y, Origin.X, Origin.Y};
  for (int32_t Index = 0; Index < Objects.Count(); ++Index) {
    const TZrViewObject *Object = Objects.Get(Index);
    if (!Object->IsVisible() || Object->HasFlag(vfNoExtent))
      continue;
    const TZrRect R = Object->GetDeviceBounds(MapMode);
    if (R.IsEmpty())
      continue;
    Extent.Left = std::min(Extent.Left, R.Left);
    Extent.Top = std::min(Extent.Top, R.Top);
    Extent.Right = std::max(Extent.Right, R.Right);
    Extent.Bottom = std::max(Extent.Bottom, R.Bottom);
  }
  return Extent;
}

namespace {

// The origin change that centres content smaller than the client area, or
// keeps larger content from showing empty space past its ends.
int32_t PlaceAxis(int32_t Origin, int32_t Extra)
{
  if (Extra < 0)
    return (-Extra) / 2 - Origin;
  return std::clamp(Origin, -Extra, 0) - Origin;
}

} // namespace

TZrScrollPlan ComputeScrollPlan(const TZrRect &Extent, int32_t Width, int32_t Height,
                                int32_t VScrollWidth, int32_t HScrollHeight)
{
  TZrScrollPlan Plan;
  Plan.ExtraWidth = Extent.Width() - Width;
  Plan.ExtraHeight = Extent.Height() - Height;
  // A bar needed along one axis takes room from the other, which may then
  // need its bar too.
  if (Plan.ExtraHeight > 0) {
    Plan.ExtraWidth += VScrollWidth;
    if (Plan.ExtraWidth > 0)
      Plan.ExtraHeight += HScrollHeight;
  } else if (Plan.ExtraWidth > 0) {
    Plan.ExtraHeight += HScrollHeight;
    if (Plan.ExtraHeight > 0)
      Plan.ExtraWidth += VScrollWidth;
  }
  Plan.DeltaX = PlaceAxis(Extent.Left, Plan.ExtraWidth);
  Plan.DeltaY = PlaceAxis(Extent.Top, Plan.ExtraHeight);
  return Plan;
}

int32_t ClampScrollDelta(int32_t Delta, int32_t Origin, int32_t Extra)
{
  if (Extra <= 0)
    return 0;
  return std::clamp(Origin + Delta, -Extra, 0) - Origin;
}

int32_t ScrollBarTarget(TZrScrollCode Code, int32_t Position, int32_t Minimum, int32_t Maximum,
                        int32_t Page, int32_t LineStep, int32_t TrackPosition)
{
  int32_t Delta = 0;
  switch (Code) {
  case TZrScrollCode::LineUp:
    Delta = -LineStep;
    break;
  case TZrScrollCode::LineDown:
    Delta = LineStep;
    break;
  case TZrScrollCode::PageUp:
    Delta = -MulDiv(Page, 3, 4);
    break;
  case TZrScrollCode::PageDown:
    Delta = MulDiv(Page, 3, 4);
    break;
  case TZrScrollCode::ThumbTrack:
    Delta = TrackPosition - Position;
    break;
  case TZrScrollCode::Other:
    break;
  }
  const int32_t Last = std::max(Minimum, Maximum - Page + 1);
  return std::clamp(Position + Delta, Minimum, Last);
}

} // namespace facette
