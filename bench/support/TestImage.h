// The benchmarks' test photo: the bundled sample portrait scaled up to
// 24 megapixels (6000 x 4000) with fine grain added, built once per run so
// that no large file is needed.
#pragma once

#include "imaging/ZrBitmap.h"

#include <cstdint>

namespace facette::bench {

constexpr int32_t PhotoWidth = 6000;
constexpr int32_t PhotoHeight = 4000;

// The 24-bit photo at (0, 0); built on first use and shared afterwards.
const TZrPixelBuffer &Photo24MP();

// A photo of another size made the same way (not cached).
void MakePhoto(TZrPixelBuffer &Buffer, int32_t Width, int32_t Height);

} // namespace facette::bench
