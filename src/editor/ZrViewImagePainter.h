// Draws a 24-bit image into a view canvas at the canvas's zoom and scroll
// position, only where the clip allows.
//
// At 100% and above every window pixel shows the image pixel the map mode
// converts it to (rows are copied, zoomed-in pixels repeated). Below 100%
// every window pixel shows the average of the image pixels the map mode
// puts on it. Those averages are kept in a reduced copy of the shown
// rectangle, built tile by tile as parts of it come into view and rebuilt
// only where the image changed, so that a paint of a zoomed-out photo
// costs about a copy of the window's pixels and never a pass over the
// whole image. The owner reports every change of the pixels
// (InvalidateRect); a new zoom, rectangle or image memory starts a new copy
// by itself. A colour transform is applied to what is shown (the reduced
// copy keeps converted pixels), never to the image.
//
// Building the copy after a change of zoom reads every image pixel shown,
// too long for the paint a user waits for. With drafts allowed, a paint
// shows the parts whose copy is not ready at once with the image pixel
// nearest each window pixel's centre, and remembers them; RefineDrafts
// then builds their copy a time budget at a time, and the owner repaints
// what it returns.
#pragma once

#include "editor/ZrMapMode.h"
#include "framework/ZrTypes.h"
#include "imaging/ZrBitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace facette {

class TZrColorTransform;
class TZrViewCanvas;

class TZrViewImagePainter
{
public:
  // Paints SourceRect of Image where the canvas's map mode places it,
  // inside the canvas clip. Returns the device rectangle of SourceRect
  // (what the caller excludes from the clip); empty when there is nothing
  // to show.
  TZrRect Paint(TZrViewCanvas &Canvas, const TZrPixels &Image, const TZrRect &SourceRect);

  // The pixels of ImageRect changed.
  void InvalidateRect(const TZrRect &ImageRect);
  // Every pixel may have changed.
  void Invalidate();
  // What the pixels go through on their way to the screen (a colour
  // profile's conversion); nil for nothing.
  void SetColorTransform(std::shared_ptr<const TZrColorTransform> Transform);

  // Whether a paint may show drafts (off by default: every paint final).
  bool AllowDrafts = false;
  // Whether parts painted as drafts wait for their final pixels.
  bool HasDrafts() const { return !Drafts.empty(); }
  // Builds the reduced copy of drafted parts until they are all done or
  // about BudgetMs milliseconds have passed (a batch of tiles at least),
  // and returns the window rectangle, under MapMode, whose paint now shows
  // final pixels. Image and SourceRect are those of the paint. Drafts of an
  // earlier zoom, rectangle or image are dropped: the next paint drafts
  // anew.
  TZrRect RefineDrafts(const TZrMapMode &MapMode, const TZrPixels &Image, const TZrRect &SourceRect,
                       double BudgetMs);
  // Whether the last paint showed any part as a draft.
  bool PaintedDraft() const { return DraftPainted; }

  // Reduced pixels computed so far (tests and benchmarks watch the cache
  // with it).
  int64_t ReducedPixelsBuilt() const { return Built; }

private:
  struct TKey
  {
    const uint8_t *Bits = nullptr;
    int32_t Stride = 0;
    TZrRect ImageBounds;
    TZrRect Source;
    int32_t WindowOrgX = 0, WindowOrgY = 0;
    int32_t WindowExtX = 0, WindowExtY = 0;
    int32_t ViewportExtX = 0, ViewportExtY = 0;
    friend bool operator==(const TKey &, const TKey &) = default;
  };

  void PaintDirect(TZrViewCanvas &Canvas, const TZrPixels &Image, const TZrRect &Source,
                   const TZrRect &Area);
  static TKey KeyOf(const TZrMapMode &MapMode, const TZrPixels &Image, const TZrRect &Source);
  bool PrepareReduced(const TZrMapMode &MapMode, const TZrPixels &Image, const TZrRect &Source);
  void EnsureReduced(const TZrPixels &Image, const TZrRect &CacheRect);
  void BuildTiles(const TZrPixels &Image, const std::vector<int32_t> &Tiles);
  // Copies the ready tiles of CacheRect to the canvas and drafts the others
  // there.
  void PaintWithDrafts(TZrViewCanvas &Canvas, const TZrPixels &Image, const TZrRect &Source,
                       const TZrRect &CacheRect, int32_t OffsetX, int32_t OffsetY);
  TZrRect TileRect(int32_t Tile) const;
  void BuildTile(const TZrPixels &Image, int32_t TileX, int32_t TileY);
  void MarkStale(const TZrRect &CacheRect);

  // The reduced copy: pixel (c, v) is the window pixel (c + Column0 +
  // ViewportOrgX, v + Row0 + ViewportOrgY) and averages the image pixels
  // XStart[c] .. XStart[c + 1] - 1 by YStart[v] .. YStart[v + 1] - 1.
  TKey Key;
  bool HasCache = false;
  TZrPixelBuffer Cache;
  std::shared_ptr<const TZrColorTransform> Transform;
  int32_t Column0 = 0, Row0 = 0;
  std::vector<int32_t> XStart, YStart;
  int32_t TilesX = 0, TilesY = 0;
  std::vector<uint8_t> TileValid;
  int64_t Built = 0;
  // Tiles painted as drafts and not built since, and whether the last
  // paint drafted any.
  std::vector<int32_t> Drafts;
  std::vector<uint8_t> Drafted;
  bool DraftPainted = false;
};

} // namespace facette
