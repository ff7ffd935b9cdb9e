// The 24-megapixel photo opened in a graphics document and shown in a
// full-HD view, as the painting benchmarks need it: the document view in
// its object list and the canvas that paints them.
#pragma once

#include "document/ZrFileFormats.h"
#include "editor/ZrGraphicDocumentView.h"
#include "editor/ZrGraphicsDocument.h"
#include "editor/ZrViewObjects.h"

#include <cstdint>
#include <functional>

namespace benchmark {
class State;
}

namespace facette::bench {

constexpr int32_t ViewWidth = 1920;
constexpr int32_t ViewHeight = 1080;

enum class TViewZoom
{
  BestFit,
  ActualSize
};

// A document needs an editor; painting asks nothing of it.
class TNoEditor : public IZrDocumentEditor
{
public:
  TZrDocumentFormats &Formats() override;
  int AskSaveChanges(const std::string &) override { return 2; }
  bool SaveAsWithDialog(TZrDocument &) override { return false; }
  void RemoveDocument(TZrDocument &) override {}
  void UpdateCaption() override {}
  std::string UntitledName() const override { return {}; }
};

struct TPhotoView
{
  TNoEditor Editor;
  TZrGraphicsDocument Document{Editor, nullptr};
  TZrViewObjectList Objects;
  TZrGraphicDocumentView *DocumentView = nullptr;
  TZrViewCanvas Canvas;

  // Opens the photo at best fit (its height filling the window, centred)
  // or at 100% centred on its middle, and paints the whole window once.
  // False when memory is short.
  bool Open(TViewZoom Zoom);
  // Runs the paint cycle over Window (clipped to the view).
  bool Paint(const TZrRect &Window);
  bool PaintAll() { return Paint(MakeRect(0, 0, ViewWidth, ViewHeight)); }
  // The part of the image the window shows.
  TZrRect ShownImageRect() const;
  // The centre of square Index of side Side when the part shown is cut
  // into such squares, row by row; indices past the last start again.
  TZrPoint ShownSquareCentre(int32_t Side, int64_t Index) const;
};

// The floor of a brush stamp: the pixels of a square of side Side of the
// photo copied once per iteration, at a new place each time.
void CopySquares(benchmark::State &State, int32_t Side);

// One stamp of a stroke per iteration, each 4 pixels on from the one
// before across the middle of the photo; after 200 the stroke ends
// (EndStroke, not timed) and the next starts where this one did.
void StrokeStamps(benchmark::State &State, const std::function<void(TZrPoint)> &Stamp,
                  const std::function<void()> &EndStroke);

} // namespace facette::bench
