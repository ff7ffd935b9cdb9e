#include "tools/geometry/ZrAdjustmentPreview.h"

#include "imaging/ZrResample.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace facette {

TZrPreviewShrink PreviewShrink(int32_t Width, int32_t Height)
{
  TZrPreviewShrink Shrink;
  Shrink.Width = Width;
  Shrink.Height = Height;
  if (Width <= 0 || Height <= 0)
    return Shrink;
  const double Area = static_cast<double>(Width) * Height;
  Shrink.Percent = static_cast<int32_t>(std::nearbyint(std::sqrt(Area / 1048576.0) * 100.0));
  if (!Shrink.Shrinks())
    return Shrink;
  const auto Divided = [&](int32_t Side) {
    return std::max(1, static_cast<int32_t>(std::nearbyint(Side * 100.0 / Shrink.Percent)));
  };
  // The width first, the height following it; then the height asked for,
  // and the width following that unless it already matched.
  const int32_t NewWidth = Divided(Width);
  const int32_t NewHeight = Divided(Height);
  Shrink.Width = NewWidth;
  Shrink.Height = std::max(1, MulDiv(Height, NewWidth, Width));
  if (NewHeight != Shrink.Height) {
    Shrink.Height = NewHeight;
    Shrink.Width = std::max(1, MulDiv(Width, NewHeight, Height));
  }
  return Shrink;
}

namespace {

std::unique_ptr<TZrLTBitmap> QuickShrunk(const TZrLTBitmap &Source, int32_t Width, int32_t Height)
{
  const TZrPixels *From = Source.GetPixels();
  auto Result = std::make_unique<TZrLTBitmap>();
  if (!From || !From->Bits || !Result->SetSize(Width, Height, pf24bit) || !Result->GetPixels())
    return nullptr;
  const TZrRect Target = Result->GetBounds();
  if (!ResamplePixels(*Result->GetPixels(), Target, Target, TQuickDraftResampler(),
                      Source.GetBounds(), *From))
    return nullptr;
  return Result;
}

} // namespace

bool ParkForPreview(TZrGraphicsDocument &Doc, const TZrPreviewShrink &Shrink, TZrImageSet &Parked)
{
  if (!Doc.HasImage() || Shrink.Width <= 0 || Shrink.Height <= 0)
    return false;
  const int32_t W0 = Doc.Image().GetWidth(), H0 = Doc.Image().GetHeight();
  TZrImageSet StandIn;
  StandIn.Image = QuickShrunk(Doc.Image(), Shrink.Width, Shrink.Height);
  if (!StandIn.Image)
    return false;
  // An original of another size keeps its ratio to the image.
  const TZrLTBitmap &Original = Doc.Original();
  if (Original.GetPixels()) {
    const int32_t OriginalWidth =
        std::max(1, static_cast<int32_t>(std::nearbyint(static_cast<double>(Original.GetWidth()) *
                                                        Shrink.Width / W0)));
    const int32_t OriginalHeight =
        std::max(1, static_cast<int32_t>(std::nearbyint(static_cast<double>(Original.GetHeight()) *
                                                        Shrink.Height / H0)));
    if (!(StandIn.Original = QuickShrunk(Original, OriginalWidth, OriginalHeight)))
      return false;
  }
  if (Doc.HasCropRect())
    StandIn.CropRect = ScaleCrop(Doc.CropRect(), W0, H0, Shrink.Width, Shrink.Height);
  if (!Doc.ExchangeImages(StandIn))
    return false;
  Parked = std::move(StandIn);
  return true;
}

void UnparkAfterPreview(TZrGraphicsDocument &Doc, TZrImageSet &Parked)
{
  if (Parked.Image && Doc.ExchangeImages(Parked))
    Parked = TZrImageSet{};
}

bool PrepareBuffer(TZrPixelBuffer &Buffer, const TZrRect &Bounds)
{
  if (Buffer.Bits && Buffer.PixelFormat == pf24bit && Buffer.GetBounds() == Bounds)
    return true;
  if (!Buffer.Allocate(pf24bit, Bounds) || !Buffer.Bits) {
    Buffer.Clear();
    return false;
  }
  // One write per page makes the system supply the page now.
  const size_t Bytes = static_cast<size_t>(Buffer.Stride) * static_cast<size_t>(Buffer.Height);
  for (size_t Offset = 0; Offset < Bytes; Offset += 4096)
    Buffer.Bits[Offset] = 0;
  return true;
}

TZrWholeImageCommandState::TZrWholeImageCommandState(IZrGraphicsDocumentListener *Tool,
                                                     TZrGraphicsDocument &Document,
                                                     TZrPixelBuffer &NewBackup)
    : TZrCustomGraphicsCommandState(Tool, Document.ImageBounds(), Document)
{
  Pixels = std::move(Document.Backup());
  Document.Backup() = std::move(NewBackup);
}

void TZrWholeImageCommandState::Exchange()
{
  TZrPixels *Image = Document.ImagePixels();
  if (!Image || Pixels.GetBounds() != Image->GetBounds())
    return;
  // The backup holds the image as it is: it becomes this step's pixels,
  // and the pixels this step kept become backup and image.
  std::swap(Pixels, Document.Backup());
  Image->CopyFrom(Document.Backup());
  Document.InvalidateImageRect(Rect);
}

void TZrWholeImageCommandState::Undo()
{
  Exchange();
  TZrCustomGraphicsCommandState::Undo();
}

void TZrWholeImageCommandState::Redo()
{
  Exchange();
  Document.Saved = false;
  TZrCustomGraphicsCommandState::Redo();
}

TZrCommandState *CommitWholeImage(TZrGraphicsDocument &Doc, IZrGraphicsDocumentListener *Tool,
                                  TZrPixelBuffer &NewBackup)
{
  const TZrRect Whole = Doc.ImageBounds();
  if (!Doc.HasImage() || IntersectRect(Doc.ChangedRect(), Whole) != Whole ||
      Doc.Backup().GetBounds() != Whole || !NewBackup.Bits || NewBackup.GetBounds() != Whole ||
      NewBackup.PixelFormat != pf24bit)
    return nullptr;
  auto State = std::make_unique<TZrWholeImageCommandState>(Tool, Doc, NewBackup);
  TZrCommandState *Added = State.get();
  Doc.Saved = false;
  Doc.History.Add(std::move(State));
  return Added;
}

} // namespace facette
