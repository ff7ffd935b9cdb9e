// What a view shows and how it paints: view objects stacked in a list (the
// document image at the bottom, one control per tool above it), the paint
// canvas with its off-screen surface and clip, and the scroll arithmetic of
// a scrolling view. The window that hosts them belongs to the user
// interface; everything here works on plain pixels and rectangles.
#pragma once

#include "editor/ZrMapMode.h"
#include "editor/ZrRegion.h"
#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

class TZrViewCanvas;

// Flags of a view object.
enum : uint8_t
{
  vfVisible = 1,
  // Paints opaquely inside its content bounds in the main pass.
  vfContent = 2,
  // Paints in a second pass, after all content, over everything.
  vfOverlay = 4,
  // May paint itself outside a paint cycle.
  vfSelfPaint = 8,
  // Not counted in the scroll extent.
  vfNoExtent = 16,
};

// Shift state of mouse and key input.
using TZrShiftState = uint32_t;
enum : TZrShiftState
{
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
  ssDouble = 64,
};

// Mouse buttons as the view reports them.
constexpr int32_t mbLeft = 0;
constexpr int32_t mbRight = 1;

// Input of a view object that takes part in the view's input dispatch (the
// tools' controls). Points are window client coordinates; returning true
// stops the dispatch.
class IZrViewInput
{
public:
  virtual ~IZrViewInput() = default;
  // Chooses the screen cursor for the point; false leaves the choice to
  // objects further down.
  virtual bool GetCursor(TZrShiftState, TZrPoint, int32_t & /*Cursor*/) { return false; }
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual bool MouseDown(int32_t /*Button*/, TZrShiftState, TZrPoint) { return false; }
  virtual bool MouseMove(TZrShiftState, TZrPoint) { return false; }
  virtual bool MouseUp(int32_t /*Button*/, TZrShiftState, TZrPoint) { return false; }
  // Direction is +1 or -1.
  virtual bool MouseWheel(TZrShiftState, int32_t /*Direction*/, TZrPoint) { return false; }
  // Key is a virtual key code.
  virtual bool KeyDown(int32_t /*Key*/, TZrShiftState) { return false; }
  virtual bool KeyUp(int32_t /*Key*/, TZrShiftState) { return false; }
};

class TZrViewObject
{
public:
  // In logical units (image pixels).
  TZrRect Bounds;
  uint8_t Flags = vfVisible | vfContent | vfOverlay | vfSelfPaint;

  TZrViewObject() = default;
  virtual ~TZrViewObject() = default;
  TZrViewObject(const TZrViewObject &) = delete;
  TZrViewObject &operator=(const TZrViewObject &) = delete;

  virtual void SetVisible(bool Value);
  virtual void SetBounds(const TZrRect &Rect) { Bounds = Rect; }
  // The object's default flags; a derived class that changes them calls
  // its own InitFlags from its constructor.
  virtual void InitFlags() { Flags = vfVisible | vfContent | vfOverlay | vfSelfPaint; }
  // Union of the content bounds (when it has content) and the overlay
  // bounds (when it has an overlay).
  virtual TZrRect GetDeviceBounds(const TZrMapMode &MapMode) const;
  virtual TZrRect GetContentBounds(const TZrMapMode &MapMode) const;
  virtual TZrRect GetOverlayBounds(const TZrMapMode &MapMode) const;
  // True when the object takes part in this paint (it is visible).
  virtual bool BeginPaint(TZrViewCanvas &Canvas);
  // A content painter excludes what it painted from the canvas clip.
  virtual void PaintContent(TZrViewCanvas &) {}
  virtual void PaintOverlay(TZrViewCanvas &) {}
  virtual void EndPaint() {}
  // Paints the object on its own (outside the view's paint cycle) into a
  // canvas whose surface is ready.
  virtual void Paint(TZrViewCanvas &Canvas);
  virtual bool HandleCommand(int32_t, int32_t) { return false; }
  // 3 when the device point lies in the device bounds, 2 when it lies
  // within them grown by Tolerance (> 0), else 0.
  virtual int32_t HitTest(const TZrMapMode &MapMode, TZrPoint Point, int32_t Tolerance) const;
  // 3 when Rect lies wholly inside the device bounds, 1 when it only
  // meets them, 2 when (Tolerance >= 1) it meets them grown by Tolerance,
  // else 0.
  virtual int32_t HitTestRect(const TZrMapMode &MapMode, const TZrRect &Rect,
                              int32_t Tolerance) const;

  bool IsVisible() const { return (Flags & vfVisible) != 0; }
  bool HasFlag(uint8_t Flag) const { return (Flags & Flag) != 0; }
  // The input side of objects that take input (tool controls); nil for the
  // rest, which the view's dispatch passes over.
  virtual IZrViewInput *Input() { return nullptr; }
};

// The objects of a view, owned. The highest index is the top of the stack:
// input and painting start there.
class TZrViewObjectList
{
public:
  TZrViewObject *Add(std::unique_ptr<TZrViewObject> Object);
  // Takes the object out of the list and hands it over; nil if absent.
  std::unique_ptr<TZrViewObject> Extract(const TZrViewObject *Object);
  void Delete(const TZrViewObject *Object) { Extract(Object); }
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  TZrViewObject *Get(int32_t Index) const
  {
    return Index >= 0 && Index < Count() ? Items[static_cast<size_t>(Index)].get() : nullptr;
  }
  int32_t IndexOf(const TZrViewObject *Object) const;

private:
  std::vector<std::unique_ptr<TZrViewObject>> Items;
};

// The drawing target of one paint: the map mode the view converts with, a
// 24-bit surface covering the update box (addressed in window
// coordinates) and the clip region still open for painting.
class TZrViewCanvas
{
public:
  // The view's coordinate system.
  TZrMapMode MapMode;
  // The surface of the current paint, positioned at the update box.
  TZrCanvasPixels Pixels;
  // What may still be painted.
  TZrRegion Clip;
  TZrRect UpdateBox;
  // As the window toolkit gives colours: hex 00BBGGRR.
  int32_t BackgroundColor = 0x404040;

  // An object whose overlay (and end of paint) waits for the second pass,
  // with the clip that was in force when the main pass reached it.
  struct TZrViewState
  {
    TZrViewObject *Object = nullptr;
    TZrRegion Clip;
  };

  TZrViewCanvas() = default;
  virtual ~TZrViewCanvas() = default;
  TZrViewCanvas(const TZrViewCanvas &) = delete;
  TZrViewCanvas &operator=(const TZrViewCanvas &) = delete;

  // Readies the surface for a paint of Region: memory for its bounding box
  // (kept from paint to paint and grown when needed) and the clip set to
  // the region. False, nothing to paint, for an empty region or when the
  // memory cannot be had.
  bool BeginSurface(const TZrRegion &Region);
  // The main pass from the top of the list down, the background where no
  // content painted, then the deferred overlays.
  void PaintObjects(const TZrViewObjectList &Objects);
  // Ends the paint: no surface, no clip (the memory stays for the next).
  void EndSurface();
  bool HasSurface() const { return Pixels.Bits != nullptr; }

  bool RectVisible(const TZrRect &Rect) const { return Clip.Intersects(Rect); }
  TZrRect ClipBox() const { return Clip.BoundingBox(); }
  void ExcludeClipRect(const TZrRect &Rect);
  // Fills what of Rect lies in the clip (and on the surface) with a colour
  // 00BBGGRR.
  void FillRect(const TZrRect &Rect, int32_t Color);

  int32_t StateCount() const { return static_cast<int32_t>(States.size()); }

protected:
  // The clip was replaced (an overlay's saved clip restored): a drawing
  // layer of the window toolkit follows it here.
  virtual void ClipChanged() {}

private:
  TZrPixelBuffer Surface;
  std::vector<TZrViewState> States;
};

// Scroll extent and clamping of a scrolling view.

// Union of the device position of logical (0, 0) and the device bounds of
// every visible object that counts for the extent.
TZrRect ViewExtent(const TZrViewObjectList &Objects, const TZrMapMode &MapMode);

struct TZrScrollPlan
{
  // How far the content must move (origin changes).
  int32_t DeltaX = 0;
  int32_t DeltaY = 0;
  // Extent beyond the client area; negative when the content is smaller.
  int32_t ExtraWidth = 0;
  int32_t ExtraHeight = 0;
  bool HorizontalBar() const { return ExtraWidth > 0; }
  bool VerticalBar() const { return ExtraHeight > 0; }
};

// Width and Height are the control's size including its scroll bars. The
// content is centred along an axis where it is smaller than the client
// area, otherwise kept so that no empty space shows past its ends.
TZrScrollPlan ComputeScrollPlan(const TZrRect &Extent, int32_t Width, int32_t Height,
                                int32_t VScrollWidth, int32_t HScrollHeight);

// Limits a scroll by Delta so that the content edge at Origin stays within
// [-Extra, 0]; 0 when the content fits (Extra <= 0).
int32_t ClampScrollDelta(int32_t Delta, int32_t Origin, int32_t Extra);

enum class TZrScrollCode
{
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbTrack,
  Other,
};

// The scroll bar position after a scroll request: a line is LineStep, a
// page three quarters of Page, tracking goes to TrackPosition; the result
// stays within [Minimum, Maximum - Page + 1].
int32_t ScrollBarTarget(TZrScrollCode Code, int32_t Position, int32_t Minimum, int32_t Maximum,
                        int32_t Page, int32_t LineStep, int32_t TrackPosition);

} // namespace facette
