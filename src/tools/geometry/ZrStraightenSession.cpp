#include "tools/geometry/ZrStraightenSession.h"

#include <new>

namespace facette {

namespace {

void CopyPixels(const TZrPixels &From, TZrPixelBuffer &To)
{
  To.SetPixelFormat(From.PixelFormat);
  if (!To.SetBounds(From.GetBounds(), false) || !To.Bits || !From.Bits)
    throw std::bad_alloc();
  To.CopyFrom(From);
}

} // namespace

bool TZrStraightenSession::Begin(TZrGraphicsDocument &Document)
{
  try {
    CopyPixels(Document.Backup(), Source);
  } catch (const std::bad_alloc &) {
    Source.Clear();
    return false;
  }
  Renderer.SetSourceSize(Source.Width, Source.Height);
  LosslessAtBegin = Document.CopyLossless();
  return true;
}

void TZrStraightenSession::Render(TZrGraphicsDocument &Document, int32_t FilterIndex,
                                  const std::function<void(int32_t)> &Progress)
{
  Renderer.ComputeResultSize(TotalAngle);
  if (!Document.SetCanvasSize(Renderer.ResultWidth, Renderer.ResultHeight, false))
    throw std::bad_alloc();
  Renderer.Render(Source, TotalAngle, FilterIndex, *Document.ImagePixels(), Progress);
  AutoCropRect = Renderer.FindAutoCropRect();
  Document.InvalidateImage();
}

void TZrStraightenSession::ApplyAutoCrop(TZrGraphicsDocument &Document)
{
  TZrPixels *Image = Document.ImagePixels();
  if (!Image || !Renderer.ApplyAutoCrop(*Image, AutoCropRect))
    return;
  if (!Document.SetCanvasSize(Renderer.ResultWidth, Renderer.ResultHeight, false))
    throw std::bad_alloc();
  Document.InvalidateImage();
}

void TZrStraightenSession::Cancel(TZrGraphicsDocument &Document)
{
  TotalAngle = 0.0;
  AutoCropRect = {};
  if (!Source.Bits)
    return;
  if (Document.ImageBounds() != Source.GetBounds())
    Document.SetCanvasSize(Source.Width, Source.Height, false);
  Document.Backup().CopyFrom(Source);
  Document.RestoreLossless(LosslessAtBegin.get());
}

std::unique_ptr<TZrCommandState> TZrStraightenSession::Commit(IZrGraphicsDocumentListener *Tool,
                                                              TZrGraphicsDocument &Document)
{
  auto State =
      std::make_unique<TZrRotation3CommandState>(*this, Tool, Document, std::move(LosslessAtBegin));
  // Between edits the backup holds the image.
  if (!Document.ResetBackup())
    throw std::bad_alloc();
  Document.Saved = false;
  return State;
}

void TZrStraightenSession::Restore(TZrGraphicsDocument &Document, int32_t Width, int32_t Height,
                                   const TZrPixels &Pixels, const TZrRect &Rect, double Angle,
                                   const IZrLosslessJPEG *Lossless)
{
  const TZrRect Size = MakeRect(0, 0, Width, Height);
  if (Document.ImageBounds() != Size && !Document.SetCanvasSize(Width, Height, false))
    return;
  if (TZrPixels *Image = Document.ImagePixels())
    Image->CopyFrom(Pixels);
  Document.InvalidateImage();
  Document.ResetBackup();
  Document.RestoreLossless(Lossless);
  Document.Saved = false;
  TotalAngle = RestoredAngle = Angle;
  AutoCropRect = RestoredAutoCropRect = Rect;
}

void TZrStraightenSession::Reset()
{
  TotalAngle = DeltaAngle = 0.0;
  AutoCropRect = {};
}

// Undo state

TZrRotation3CommandState::TZrRotation3CommandState(TZrStraightenSession &Session,
                                                   IZrGraphicsDocumentListener *Tool,
                                                   TZrGraphicsDocument &Document,
                                                   std::unique_ptr<IZrLosslessJPEG> LosslessBefore)
    : TZrCustomGraphicsCommandState(Tool, Document.ChangedRect(), Document),
      WidthBefore(Session.SourceWidth()), HeightBefore(Session.SourceHeight()),
      WidthAfter(Session.ResultWidth()), HeightAfter(Session.ResultHeight()),
      AngleBefore(Session.RestoredAngle), AngleAfter(Session.TotalAngle),
      RectBefore(Session.RestoredAutoCropRect), RectAfter(Session.AutoCropRect), Session(Session),
      LosslessBefore(std::move(LosslessBefore)), LosslessAfter(Document.CopyLossless())
{
  CopyPixels(Session.Source, ImageBefore);
  const TZrPixels *Image = Document.ImagePixels();
  if (!Image)
    throw std::bad_alloc();
  CopyPixels(*Image, ImageAfter);
}

void TZrRotation3CommandState::Undo()
{
  Session.Restore(Document, WidthBefore, HeightBefore, ImageBefore, RectBefore, AngleBefore,
                  LosslessBefore.get());
  TZrCustomGraphicsCommandState::Undo();
}

void TZrRotation3CommandState::Redo()
{
  Session.Restore(Document, WidthAfter, HeightAfter, ImageAfter, RectAfter, AngleAfter,
                  LosslessAfter.get());
  TZrCustomGraphicsCommandState::Redo();
}

} // namespace facette
