// Splitting a whole-image pass into bands of rows run on the machine's cores.
// Every band writes only its own rows, so the result does not depend on how
// many threads ran.
#pragma once

#include <cstdint>
#include <functional>

namespace facette {

// The number of bands worth running for Work units of work when a band
// should have at least MinWork of them; at least 1, at most the number of
// cores.
int32_t BandCount(int64_t Work, int64_t MinWork);

// Calls Band(Index, Begin, End) for Bands contiguous slices of [0, Count),
// all but the last on their own threads. Blocks until every band is done.
// If a thread cannot be started its band runs on the calling thread. The
// first exception a band throws is rethrown here once all bands are done.
void RunBands(int32_t Count, int32_t Bands,
              const std::function<void(int32_t Index, int32_t Begin, int32_t End)> &Band);

} // namespace facette
