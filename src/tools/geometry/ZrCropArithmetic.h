// The arithmetic of the crop tool: side ratios read from the format lists,
// snapping a rectangle to a ratio for the handle being dragged, the eight
// handles and their hit test, drawing and dragging the selection inside the
// visible rectangle, the width and height entries, and darkening what lies
// outside the selection. Rectangles are in image pixels unless a function
// says view pixels; right and bottom are exclusive.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace facette {

// A side ratio in lowest terms; 0:0 is a free selection.
struct TZrCropRatio
{
  int32_t X = 0;
  int32_t Y = 0;
  bool IsFree() const { return X < 1 || Y < 1; }
  friend bool operator==(const TZrCropRatio &, const TZrCropRatio &) = default;
};

// The photo print formats and screen formats offered for the ratio. Their
// texts are not translated.
extern const std::array<std::string_view, 13> PrintFormatItems;
extern const std::array<std::string_view, 6> ScreenFormatItems;

// The ratio a list item names: the integer before its first "x" to the
// integer after it (up to the first blank), divided by their greatest
// common divisor. "16x10 (1280x800 ...)" gives 8:5. Text that names no
// ratio (no "x", no numbers, a zero side) gives a free ratio.
TZrCropRatio ParseCropRatio(std::string_view Text);

// Greatest common divisor by repeated remainders; 0 when both are 0.
int32_t GreatestCommonDivisor(int32_t A, int32_t B);

// What a point over the selection grabs, and which edges a drag moves.
enum : int32_t
{
  chOutside = 0,
  chInside = 3, // moves the whole selection
  chTop = 4,
  chTopRight = 5,
  chRight = 6,
  chBottomRight = 7,
  chBottom = 8,
  chBottomLeft = 9,
  chLeft = 10,
  chTopLeft = 11,
};

// R snapped to the ratio for a drag of handle Code: the edges opposite the
// handle stay, and the result is k * X by k * Y for a whole k (possibly 0).
// A free ratio, or a code that is no handle, returns R unchanged.
TZrRect ApplyCropRatio(int32_t Code, const TZrRect &R, TZrCropRatio Ratio);

// The centre of handle Code on S (any coordinates); S's top-left for a code
// that is no handle.
TZrPoint CropHandleCentre(int32_t Code, const TZrRect &S);
// The square of side Side around Centre: Side div 2 to the left and above.
TZrRect CropHandleSquare(TZrPoint Centre, int32_t Side);
// The side of a handle's square in view pixels, and of its inner square.
constexpr int32_t CropHandleSide = 9;
constexpr int32_t CropHandleInnerSide = 7;
// The handles in the order they are painted.
constexpr std::array<int32_t, 8> CropHandlePaintOrder = {
    chTop, chTopLeft, chRight, chTopRight, chBottom, chBottomLeft, chLeft, chBottomRight};

// What P grabs of the selection S (both in view pixels): the first handle
// square holding P in the order top-left, top, top-right, right,
// bottom-left, bottom, bottom-right, left; else chInside when S holds P;
// else chOutside.
int32_t CropHitTest(TZrPoint P, const TZrRect &S);

// Whether R lies inside V (edges may touch).
bool RectInside(const TZrRect &R, const TZrRect &V);

// The selection while a new one is dragged out from Anchor to Q. A point
// level with the anchor in either axis keeps Previous; otherwise the span of
// the two points is snapped to the ratio (the anchor's corner stays). A
// candidate that does not fit V keeps Previous. The result is cut to V.
TZrRect DrawCropSelection(TZrPoint Anchor, TZrPoint Q, const TZrRect &Previous, const TZrRect &V,
                          TZrCropRatio Ratio);

// R moved into V keeping its size.
TZrRect ClampMovedRect(const TZrRect &R, const TZrRect &V);

// The selection while handle Code (or the inside) is dragged by Delta from
// where it was at the press (Start). The inside moves the whole selection,
// kept in V. A handle moves its edges and snaps to the ratio; a result that
// leaves V, or nothing of which is left in V, keeps Current.
TZrRect DragCropSelection(int32_t Code, const TZrRect &Start, TZrPoint Delta,
                          const TZrRect &Current, const TZrRect &V, TZrCropRatio Ratio);

// A width typed into the entry (images of ImageWidth columns): Value above
// the image's width is refused (false; the entry shows the selection's width
// again); otherwise the selection takes that width, growing to the right
// or, at the image's right edge, to the left.
bool SetCropSelectionWidth(TZrRect &Selection, int32_t Value, int32_t ImageWidth);
bool SetCropSelectionHeight(TZrRect &Selection, int32_t Value, int32_t ImageHeight);

// The four bands of V outside S: top (full width), left and right beside S,
// bottom (full width). Bands may be empty.
std::array<TZrRect, 4> CropOutsideBands(const TZrRect &V, const TZrRect &S);

// Darkens every byte c of the 24-bit pixels in Rect (cut to Pixels) to
// c - ((c * 92) >> 8): about two thirds of its brightness.
void DarkenRect(TZrPixels &Pixels, const TZrRect &Rect);
// Inverts every byte of the 24-bit pixels in Rect (cut to Pixels).
void InvertRect(TZrPixels &Pixels, const TZrRect &Rect);
inline uint8_t DarkenedByte(uint8_t C)
{
  return static_cast<uint8_t>(C - ((C * 92) >> 8));
}

} // namespace facette
