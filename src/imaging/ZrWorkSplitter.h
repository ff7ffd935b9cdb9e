// Spreads independent pieces of pixel work over the processor's cores.
//
// The range [0, Count) is cut into chunks that the calling thread and a few
// helper threads take in turn. Each chunk must write only its own output, so
// the result does not depend on which thread ran it or in which order.
// Progress is reported on the calling thread only, so a window's progress
// meter may be driven from it.
#pragma once

#include <cstdint>
#include <functional>

namespace facette {

// Body(Begin, End) runs once per chunk. Progress(Done) receives the number of
// items finished so far, never decreasing, and Count at the end. An
// exception thrown by a chunk stops the remaining chunks and is rethrown
// once every thread has stopped.
void SplitWork(int32_t Count, int32_t ChunkSize, const std::function<void(int32_t, int32_t)> &Body,
               const std::function<void(int32_t)> &Progress = {});

// Number of threads SplitWork uses at most (the calling thread included).
int32_t WorkThreadCount();

} // namespace facette
