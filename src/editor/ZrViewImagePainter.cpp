#include "editor/ZrViewImagePainter.h"

#include "editor/ZrViewObjects.h"
#include "imaging/ZrColorTransform.h"
#include "imaging/ZrParallel.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace facette {

namespace {

// Side of a square tile of the reduced copy, in reduced pixels.
constexpr int32_t TileSize = 64;
// Tiles worth a thread of their own.
constexpr int64_t TilesPerBand = 4;
// Tiles a refinement builds between looks at the clock.
constexpr size_t RefineBatch = 16;
// Window pixels painted at the least by each thread of a paint with drafts.
constexpr int64_t DraftPixelsPerBand = int64_t{1} << 18;

} // namespace

TZrRect TZrViewImagePainter::Paint(TZrViewCanvas &Canvas, const TZrPixels &Image,
                                   const TZrRect &SourceRect)
{
  const TZrRect Source = IntersectRect(SourceRect, Image.GetBounds());
  if (Source.IsEmpty() || !Image.Bits || Image.PixelFormat != pf24bit)
    return {};
  const TZrMapMode &MapMode = Canvas.MapMode;
  const TZrRect Dest = MapMode.LogicalToDeviceRect(Source);
  DraftPainted = false;
  if (Dest.IsEmpty() || !Canvas.HasSurface())
    return Dest;
  TZrRegion Area = Canvas.Clip;
  Area.Intersect(IntersectRect(Dest, Canvas.Pixels.GetBounds()));
  if (Area.IsEmpty())
    return Dest;

  const bool Reduce = MapMode.ViewportExtX > 0 && MapMode.ViewportExtY > 0 &&
                      MapMode.ViewportExtX < MapMode.WindowExtX &&
                      MapMode.ViewportExtY < MapMode.WindowExtY;
  if (!Reduce || !PrepareReduced(MapMode, Image, Source)) {
    for (const TZrRect &R : Area.GetRects())
      PaintDirect(Canvas, Image, Source, R);
    return Dest;
  }
  const int32_t OffsetX = Column0 + MapMode.ViewportOrgX;
  const int32_t OffsetY = Row0 + MapMode.ViewportOrgY;
  const TZrRect CacheBounds = Cache.GetBounds();
  for (const TZrRect &R : Area.GetRects()) {
    const TZrRect CacheRect = IntersectRect(OffsetRect(R, -OffsetX, -OffsetY), CacheBounds);
    if (CacheRect.IsEmpty())
      continue;
    if (AllowDrafts) {
      PaintWithDrafts(Canvas, Image, Source, CacheRect, OffsetX, OffsetY);
      continue;
    }
    EnsureReduced(Image, CacheRect);
    const size_t Bytes = static_cast<size_t>(CacheRect.Width()) * 3;
    for (int32_t V = CacheRect.Top; V < CacheRect.Bottom; ++V)
      std::memcpy(Canvas.Pixels.PixelPtr(CacheRect.Left + OffsetX, V + OffsetY),
                  Cache.PixelPtr(CacheRect.Left, V), Bytes);
  }
  return Dest;
}

void TZrViewImagePainter::PaintDirect(TZrViewCanvas &Canvas, const TZrPixels &Image,
                                      const TZrRect &Source, const TZrRect &Area)
{
  const TZrMapMode &MapMode = Canvas.MapMode;
  const int32_t Width = Area.Width();
  const size_t Bytes = static_cast<size_t>(Width) * 3;
  // Byte offset of the image pixel each window column shows. The clamp
  // keeps the edge columns of a fractional zoom inside the shown rectangle
  // (a pending crop must not leak its neighbours).
  std::vector<ptrdiff_t> Columns(static_cast<size_t>(Width));
  for (int32_t U = 0; U < Width; ++U) {
    const int32_t X =
        std::clamp(MapMode.DeviceToLogicalX(Area.Left + U), Source.Left, Source.Right - 1);
    Columns[static_cast<size_t>(U)] = static_cast<ptrdiff_t>(X - Image.Left) * 3;
  }
  const bool Contiguous = Columns.back() - Columns.front() == static_cast<ptrdiff_t>(Width - 1) * 3;
  int32_t LastY = Source.Top - 1;
  const uint8_t *LastRow = nullptr;
  for (int32_t V = Area.Top; V < Area.Bottom; ++V) {
    uint8_t *Dest = Canvas.Pixels.PixelPtr(Area.Left, V);
    const int32_t Y = std::clamp(MapMode.DeviceToLogicalY(V), Source.Top, Source.Bottom - 1);
    if (Y == LastY && LastRow) {
      // Zoomed in: the row above shows the same image row.
      std::memcpy(Dest, LastRow, Bytes);
      continue;
    }
    const uint8_t *Row = Image.Bits + static_cast<ptrdiff_t>(Y - Image.Top) * Image.Stride;
    if (Contiguous) {
      std::memcpy(Dest, Row + Columns.front(), Bytes);
    } else {
      uint8_t *Out = Dest;
      for (const ptrdiff_t Offset : Columns) {
        Out[0] = Row[Offset];
        Out[1] = Row[Offset + 1];
        Out[2] = Row[Offset + 2];
        Out += 3;
      }
    }
    if (Transform)
      Transform->Apply(Dest, Width);
    LastY = Y;
    LastRow = Dest;
  }
}

namespace {

// Start of the image span of every reduced pixel along one axis: First ..
// End - 1 map to reduced pixels 0 .. Count - 1 (Starts[Count] = End).
// Zoomed out, neighbouring image pixels land on the same or the next window
// pixel, so no reduced pixel is left without image pixels.
template <typename TMap>
void BuildStarts(int32_t First, int32_t End, int32_t Origin, const TMap &Map,
                 std::vector<int32_t> &Starts)
{
  const int32_t Count = Map(End - 1) - Origin + 1;
  Starts.assign(static_cast<size_t>(Count) + 1, End);
  int32_t Next = 0;
  for (int32_t X = First; X < End; ++X) {
    const int32_t Index = Map(X) - Origin;
    while (Next <= Index)
      Starts[static_cast<size_t>(Next++)] = X;
  }
}

} // namespace

TZrViewImagePainter::TKey TZrViewImagePainter::KeyOf(const TZrMapMode &MapMode,
                                                     const TZrPixels &Image, const TZrRect &Source)
{
  TKey NewKey;
  NewKey.Bits = Image.Bits;
  NewKey.Stride = Image.Stride;
  NewKey.ImageBounds = Image.GetBounds();
  NewKey.Source = Source;
  NewKey.WindowOrgX = MapMode.WindowOrgX;
  NewKey.WindowOrgY = MapMode.WindowOrgY;
  NewKey.WindowExtX = MapMode.WindowExtX;
  NewKey.WindowExtY = MapMode.WindowExtY;
  NewKey.ViewportExtX = MapMode.ViewportExtX;
  NewKey.ViewportExtY = MapMode.ViewportExtY;
  return NewKey;
}

bool TZrViewImagePainter::PrepareReduced(const TZrMapMode &MapMode, const TZrPixels &Image,
                                         const TZrRect &Source)
{
  const TKey NewKey = KeyOf(MapMode, Image, Source);
  if (HasCache && NewKey == Key)
    return true;

  HasCache = false;
  Drafts.clear();
  // The copy does not depend on the scroll position: it is laid out as if
  // the viewport origin were 0.
  TZrMapMode Unscrolled = MapMode;
  Unscrolled.ViewportOrgX = 0;
  Unscrolled.ViewportOrgY = 0;
  Column0 = Unscrolled.LogicalToDeviceX(Source.Left);
  Row0 = Unscrolled.LogicalToDeviceY(Source.Top);
  BuildStarts(
      Source.Left, Source.Right, Column0, [&](int32_t X) { return Unscrolled.LogicalToDeviceX(X); },
      XStart);
  BuildStarts(
      Source.Top, Source.Bottom, Row0, [&](int32_t Y) { return Unscrolled.LogicalToDeviceY(Y); },
      YStart);
  const int32_t Width = static_cast<int32_t>(XStart.size()) - 1;
  const int32_t Height = static_cast<int32_t>(YStart.size()) - 1;
  if (Width <= 0 || Height <= 0 || !Cache.Allocate(pf24bit, Bounds(0, 0, Width, Height)) ||
      !Cache.Bits) {
    Cache.Clear();
    return false;
  }
  TilesX = (Width + TileSize - 1) / TileSize;
  TilesY = (Height + TileSize - 1) / TileSize;
  TileValid.assign(static_cast<size_t>(TilesX) * static_cast<size_t>(TilesY), 0);
  Drafted.assign(TileValid.size(), 0);
  Key = NewKey;
  HasCache = true;
  return true;
}

void TZrViewImagePainter::EnsureReduced(const TZrPixels &Image, const TZrRect &CacheRect)
{
  std::vector<int32_t> Stale;
  const int32_t FirstX = CacheRect.Left / TileSize, LastX = (CacheRect.Right - 1) / TileSize;
  const int32_t FirstY = CacheRect.Top / TileSize, LastY = (CacheRect.Bottom - 1) / TileSize;
  for (int32_t TileY = FirstY; TileY <= LastY; ++TileY)
    for (int32_t TileX = FirstX; TileX <= LastX; ++TileX)
      if (!TileValid[static_cast<size_t>(TileY * TilesX + TileX)])
        Stale.push_back(TileY * TilesX + TileX);
  BuildTiles(Image, Stale);
}

void TZrViewImagePainter::BuildTiles(const TZrPixels &Image, const std::vector<int32_t> &Tiles)
{
  if (Tiles.empty())
    return;
  const int32_t Count = static_cast<int32_t>(Tiles.size());
  // Tiles write disjoint parts of the copy, so they can be built side by
  // side.
  RunBands(Count, BandCount(Count, TilesPerBand), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t Index = Begin; Index < End; ++Index) {
      const int32_t Tile = Tiles[static_cast<size_t>(Index)];
      BuildTile(Image, Tile % TilesX, Tile / TilesX);
    }
  });
  for (const int32_t Tile : Tiles) {
    TileValid[static_cast<size_t>(Tile)] = 1;
    const TZrRect R = TileRect(Tile);
    Built += static_cast<int64_t>(R.Width()) * R.Height();
  }
}

TZrRect TZrViewImagePainter::TileRect(int32_t Tile) const
{
  const int32_t C0 = Tile % TilesX * TileSize, V0 = Tile / TilesX * TileSize;
  return TZrRect{C0, V0, std::min(C0 + TileSize, Cache.Width),
                 std::min(V0 + TileSize, Cache.Height)};
}

void TZrViewImagePainter::PaintWithDrafts(TZrViewCanvas &Canvas, const TZrPixels &Image,
                                          const TZrRect &Source, const TZrRect &CacheRect,
                                          int32_t OffsetX, int32_t OffsetY)
{
  // Each tile's part of CacheRect, and whether it is drafted.
  struct TPart
  {
    TZrRect Rect;
    bool Draft;
  };
  std::vector<TPart> Parts;
  int64_t Pixels = 0;
  for (int32_t TileY = CacheRect.Top / TileSize; TileY <= (CacheRect.Bottom - 1) / TileSize;
       ++TileY)
    for (int32_t TileX = CacheRect.Left / TileSize; TileX <= (CacheRect.Right - 1) / TileSize;
         ++TileX) {
      const int32_t Tile = TileY * TilesX + TileX;
      const TZrRect Part = IntersectRect(TileRect(Tile), CacheRect);
      const bool Draft = !TileValid[static_cast<size_t>(Tile)];
      if (Draft) {
        DraftPainted = true;
        if (!Drafted[static_cast<size_t>(Tile)]) {
          Drafted[static_cast<size_t>(Tile)] = 1;
          Drafts.push_back(Tile);
        }
      }
      Parts.push_back({Part, Draft});
      Pixels += static_cast<int64_t>(Part.Width()) * Part.Height();
    }
  // A whole window of drafts right after a zoom change reads pixels all
  // over the image: the parts are shared out over the cores.
  const int32_t Count = static_cast<int32_t>(Parts.size());
  RunBands(Count, BandCount(Pixels, DraftPixelsPerBand), [&](int32_t, int32_t Begin, int32_t End) {
    for (int32_t I = Begin; I < End; ++I) {
      const TPart &Part = Parts[static_cast<size_t>(I)];
      if (Part.Draft) {
        PaintDirect(Canvas, Image, Source, OffsetRect(Part.Rect, OffsetX, OffsetY));
        continue;
      }
      const size_t Bytes = static_cast<size_t>(Part.Rect.Width()) * 3;
      for (int32_t V = Part.Rect.Top; V < Part.Rect.Bottom; ++V)
        std::memcpy(Canvas.Pixels.PixelPtr(Part.Rect.Left + OffsetX, V + OffsetY),
                    Cache.PixelPtr(Part.Rect.Left, V), Bytes);
    }
  });
}

TZrRect TZrViewImagePainter::RefineDrafts(const TZrMapMode &MapMode, const TZrPixels &Image,
                                          const TZrRect &SourceRect, double BudgetMs)
{
  if (Drafts.empty())
    return {};
  const TZrRect Source = IntersectRect(SourceRect, Image.GetBounds());
  if (!HasCache || KeyOf(MapMode, Image, Source) != Key) {
    Drafts.clear();
    std::fill(Drafted.begin(), Drafted.end(), 0);
    return {};
  }
  const auto Start = std::chrono::steady_clock::now();
  TZrRect Done;
  size_t Taken = 0;
  std::vector<int32_t> Batch;
  while (Taken < Drafts.size()) {
    Batch.clear();
    for (; Taken < Drafts.size() && Batch.size() < RefineBatch; ++Taken) {
      const int32_t Tile = Drafts[Taken];
      Drafted[static_cast<size_t>(Tile)] = 0;
      if (!TileValid[static_cast<size_t>(Tile)])
        Batch.push_back(Tile);
      Done = UnionRect(Done, TileRect(Tile));
    }
    BuildTiles(Image, Batch);
    const std::chrono::duration<double, std::milli> Spent =
        std::chrono::steady_clock::now() - Start;
    if (Spent.count() >= BudgetMs)
      break;
  }
  Drafts.erase(Drafts.begin(), Drafts.begin() + static_cast<ptrdiff_t>(Taken));
  return OffsetRect(Done, Column0 + MapMode.ViewportOrgX, Row0 + MapMode.ViewportOrgY);
}

void TZrViewImagePainter::BuildTile(const TZrPixels &Image, int32_t TileX, int32_t TileY)
{
  const int32_t C0 = TileX * TileSize, C1 = std::min(C0 + TileSize, Cache.Width);
  const int32_t V0 = TileY * TileSize, V1 = std::min(V0 + TileSize, Cache.Height);
  std::vector<uint32_t> Sums(static_cast<size_t>(C1 - C0) * 3);
  for (int32_t V = V0; V < V1; ++V) {
    std::fill(Sums.begin(), Sums.end(), 0u);
    const int32_t Y0 = YStart[static_cast<size_t>(V)], Y1 = YStart[static_cast<size_t>(V) + 1];
    for (int32_t Y = Y0; Y < Y1; ++Y) {
      const uint8_t *In = Image.PixelPtr(XStart[static_cast<size_t>(C0)], Y);
      uint32_t *Sum = Sums.data();
      for (int32_t C = C0; C < C1; ++C) {
        const int32_t Span = XStart[static_cast<size_t>(C) + 1] - XStart[static_cast<size_t>(C)];
        uint32_t B = 0, G = 0, R = 0;
        for (int32_t K = 0; K < Span; ++K) {
          B += In[0];
          G += In[1];
          R += In[2];
          In += 3;
        }
        Sum[0] += B;
        Sum[1] += G;
        Sum[2] += R;
        Sum += 3;
      }
    }
    uint8_t *Out = Cache.PixelPtr(C0, V);
    const uint32_t *Sum = Sums.data();
    for (int32_t C = C0; C < C1; ++C) {
      const int32_t Count =
          (XStart[static_cast<size_t>(C) + 1] - XStart[static_cast<size_t>(C)]) * (Y1 - Y0);
      const float Scale = Count > 0 ? 1.0f / static_cast<float>(Count) : 0.0f;
      for (int32_t Channel = 0; Channel < 3; ++Channel)
        Out[Channel] =
            static_cast<uint8_t>(std::min(255.0f, static_cast<float>(Sum[Channel]) * Scale + 0.5f));
      Out += 3;
      Sum += 3;
    }
    if (Transform)
      Transform->Apply(Cache.PixelPtr(C0, V), C1 - C0);
  }
}

void TZrViewImagePainter::MarkStale(const TZrRect &CacheRect)
{
  const TZrRect R = IntersectRect(CacheRect, Cache.GetBounds());
  if (R.IsEmpty())
    return;
  for (int32_t TileY = R.Top / TileSize; TileY <= (R.Bottom - 1) / TileSize; ++TileY)
    for (int32_t TileX = R.Left / TileSize; TileX <= (R.Right - 1) / TileSize; ++TileX)
      TileValid[static_cast<size_t>(TileY * TilesX + TileX)] = 0;
}

void TZrViewImagePainter::InvalidateRect(const TZrRect &ImageRect)
{
  if (!HasCache)
    return;
  const TZrRect R = IntersectRect(ImageRect, Key.Source);
  if (R.IsEmpty())
    return;
  TZrMapMode Unscrolled;
  Unscrolled.WindowOrgX = Key.WindowOrgX;
  Unscrolled.WindowOrgY = Key.WindowOrgY;
  Unscrolled.WindowExtX = Key.WindowExtX;
  Unscrolled.WindowExtY = Key.WindowExtY;
  Unscrolled.ViewportExtX = Key.ViewportExtX;
  Unscrolled.ViewportExtY = Key.ViewportExtY;
  // Every reduced pixel that averages a changed pixel, the partly covered
  // ones at the edges included.
  MarkStale(TZrRect{Unscrolled.LogicalToDeviceX(R.Left) - Column0,
                    Unscrolled.LogicalToDeviceY(R.Top) - Row0,
                    Unscrolled.LogicalToDeviceX(R.Right - 1) - Column0 + 1,
                    Unscrolled.LogicalToDeviceY(R.Bottom - 1) - Row0 + 1});
}

void TZrViewImagePainter::SetColorTransform(std::shared_ptr<const TZrColorTransform> NewTransform)
{
  if (NewTransform == Transform)
    return;
  Transform = std::move(NewTransform);
  HasCache = false;
}

void TZrViewImagePainter::Invalidate()
{
  std::fill(TileValid.begin(), TileValid.end(), 0);
}

} // namespace facette
