// The new size the resize tool's entries hold, with the proportions
// optionally locked to those of the image: changing one side then works
// the other out from the image's sides (rounded to the nearest pixel), and
// locking the proportions shrinks one side of the box typed so that the
// image's proportions fit it.
#pragma once

#include <cstdint>

namespace facette {

struct TZrResizeEntries
{
  // At least 1 once set; 0 before.
  int32_t NewWidth = 0;
  int32_t NewHeight = 0;
  bool ConstrainProportions = false;

  // Each returns whether an entry changed. Values of 1 or less become 1;
  // the value the entry already has changes nothing (the other side is not
  // worked out again either). ImageWidth and ImageHeight are at least 1.
  bool SetNewWidth(int32_t Value, int32_t ImageWidth, int32_t ImageHeight);
  bool SetNewHeight(int32_t Value, int32_t ImageWidth, int32_t ImageHeight);
  bool SetConstrainProportions(bool Value, int32_t ImageWidth, int32_t ImageHeight);
  // Both sides at once, without working either out: the image's own size.
  void Reset(int32_t Width, int32_t Height)
  {
    NewWidth = Width;
    NewHeight = Height;
  }
};

// Side * Scaled / Whole rounded to the nearest pixel (halves up), at least
// 1: the other side of a proportional size.
int32_t ProportionalSide(int32_t Side, int32_t Scaled, int32_t Whole);

} // namespace facette
