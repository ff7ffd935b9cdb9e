// What the text and adjustment tools share: the state of their tool-panel
// button and option frame, and settings nodes made of plain integers.
#pragma once

#include "framework/ui/ZrModule.h"
#include "framework/ZrGuid.h"
#include "framework/ZrSDF.h"

#include <cstdint>
#include <functional>
#include <vector>

class QAction;

namespace facette {

class TZrGraphicsTool;

namespace toolparts {

// The button is checked while the tool is current and enabled while it can
// be selected; the frame's controls work for the current, selectable tool
// only. Returns whether they do.
bool UpdateButtonAndFrame(TZrGraphicsTool &Tool, QAction *Button, TZrFrame *Frame);

// One element of a settings node: its number, and how the tool gives and
// takes the value.
struct TIntegerSetting
{
  int32_t Id;
  std::function<int32_t()> Get;
  std::function<void(int32_t)> Set;
};

// Applies the elements present in the tool's node; nothing without the node.
void LoadIntegers(TZrSDFReader &Reader, const TZrGuid &Guid,
                  const std::vector<TIntegerSetting> &Settings);
void SaveIntegers(TZrSDFWriter &Writer, const TZrGuid &Guid,
                  const std::vector<TIntegerSetting> &Settings);

} // namespace toolparts
} // namespace facette
