// The floor of the per-stamp benchmarks: copying a brush square's pixels of
// the 24-megapixel photo once, at a new spot each time.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace facette::bench {

// Side x Side pixels copied from the photo into another image per
// iteration.
void CopyPhotoSquares(benchmark::State &State, int32_t Side);

} // namespace facette::bench
