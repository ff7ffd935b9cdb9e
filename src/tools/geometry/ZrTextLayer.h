// The arithmetic of the text tool: the rendered text is a coverage map (0
// no text, 255 full text) stretched to the rectangle the user dragged and
// blended into the image over the committed pixels, mirrored when the
// rectangle was dragged right to left or bottom to top; the rectangle's
// eight handles and how dragging them moves its edges.
#pragma once

#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette {

// What a point hits of the placed text's rectangle.
enum : int32_t
{
  thNone = 0,
  thInside = 3,
  thTop = 4,
  thTopRight = 5,
  thRight = 6,
  thBottomRight = 7,
  thBottom = 8,
  thBottomLeft = 9,
  thLeft = 10,
  thTopLeft = 11,
};

// The centre of handle Code (thTop .. thTopLeft) on R: corners and edge
// middles, the right and bottom ones on the last pixel inside R.
TZrPoint TextHandleCentre(const TZrRect &R, int32_t Code);
// The handle's 9 x 9 square around its centre.
TZrRect TextHandleRect(const TZrRect &R, int32_t Code);
// The handles are tested first, in code order, then the inside.
int32_t TextHitCode(const TZrRect &R, TZrPoint P);

// The edges a handle moves.
struct TZrTextEdges
{
  bool Right = false;
  bool Left = false;
  bool Bottom = false;
  bool Top = false;
};
TZrTextEdges TextHandleEdges(int32_t Code);

// A rectangle and the way the text is mirrored in it.
struct TZrTextPlacement
{
  TZrRect Rect;
  bool MirrorHorizontal = false;
  bool MirrorVertical = false;
};

// The rectangle dragged from Anchor to Q, inside Visible; the text is
// mirrored along each axis dragged backwards.
TZrTextPlacement DrawTextFrame(TZrPoint Anchor, TZrPoint Q, const TZrRect &Visible);

// Dragging handle Code of Start from Anchor to Q. The inside moves the
// whole rectangle (which may then leave Visible); a handle moves its edges
// and keeps the rectangle inside Visible. An edge pulled across the
// opposite one turns the text over along that axis; pulled back, it turns
// it back.
TZrTextPlacement DragTextFrame(const TZrTextPlacement &Start, int32_t Code, TZrPoint Anchor,
                               TZrPoint Q, const TZrRect &Visible);

// Scales a coverage map to Width x Height (zero-sized gives an empty
// mask): linear between pixel centres when enlarging, a weighted average
// over each target pixel's footprint when reducing, so thin strokes fade
// rather than vanish. The text fills the size given whatever its
// proportions.
void StretchCoverage(const TZrPixelMask &Source, int32_t Width, int32_t Height,
                     TZrPixelMask &Target);

enum : int32_t
{
  tcSelected = 0, // the chosen colour
  tcInverted = 1, // the inverse of each pixel under the text
};

struct TZrTextLook
{
  int32_t ColorMode = tcSelected;
  // For tcSelected, as the window toolkit gives colours: hex 00BBGGRR.
  int32_t Color = 0;
  // For tcInverted: each channel goes all the way, to 255 below 128 and to
  // 0 from 128 on.
  bool MaxInverse = false;
};

// Every pixel of Image inside Frame.Rect (and Backup) becomes the backup's
// pixel with the text's colour blended in by the coverage (Coverage is
// Frame.Rect's size, its origin at the rectangle's top-left before
// mirroring): 0 keeps the pixel, 255 replaces it. Without coverage the
// rectangle shows the backup.
void PaintTextLayer(const TZrPixels &Backup, TZrPixels &Image, const TZrTextPlacement &Frame,
                    const TZrPixelMask &Coverage, const TZrTextLook &Look);

// Puts the backup's pixels back where Old lies outside New.
void RestoreAround(const TZrPixels &Backup, TZrPixels &Image, const TZrRect &Old,
                   const TZrRect &New);

// The step of the size box for a font size: Round(Size / 100) with halves
// to even, at least 1.
int32_t FontSizeIncrement(int32_t Size);

} // namespace facette
