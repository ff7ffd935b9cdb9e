// Splitting whole-image work over the processor's cores. Work item 0 runs
// on the calling thread, so progress reports and anything else that must
// stay on that thread go there; the others run on threads of their own and
// are joined before RunWorkers returns.
#pragma once

#include <cstdint>
#include <functional>

namespace facette {

// How many workers whole-image kernels use (at least 1).
int32_t WorkerCount();

// Runs Work(0) .. Work(Count - 1) concurrently and waits for all of them.
// If a thread cannot be started its item runs on the calling thread.
void RunWorkers(int32_t Count, const std::function<void(int32_t Index)> &Work);

// The first row of stripe Index when Rows rows are cut into Count stripes
// of nearly equal height.
inline int32_t StripeBegin(int32_t Rows, int32_t Count, int32_t Index)
{
  return static_cast<int32_t>(static_cast<int64_t>(Rows) * Index / Count);
}

} // namespace facette
