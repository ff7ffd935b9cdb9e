// The first call of a kernel as a user meets it: in a process of its own
// whose memory has not been used for this work before. Each measurement
// forks a child that prepares what the call needs (not timed), times the
// call once and reports the time through a pipe; the parent's photo and
// tables are shared with the child as they are.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace facette::bench {

struct TFreshTime
{
  // Wall-clock seconds of the call, and the processor seconds (user and
  // system, all threads) it took: on a machine shared with other work the
  // second shows what the call itself cost.
  double Seconds = 0;
  double CpuSeconds = 0;
  // The most threads a pass of ours ran on during the call.
  int32_t Threads = 0;
};

// The times the child took for Measured after Setup; nothing when the
// child failed (Setup or Measured returned false, or it could not run).
std::optional<TFreshTime> TimeInFreshProcess(const std::function<bool()> &Setup,
                                             const std::function<bool()> &Measured);

// A benchmark body that times every iteration in a fresh process (use it
// with UseManualTime and a fixed number of iterations); the mean processor
// time goes to the counter "cpu_ms", and the most threads a pass of ours
// ran on to "threads" (ours runs limited to ComparisonThreads(); a peer's
// benchmark reports its own count after this). A failed run is reported as
// an error and not timed.
void FirstCall(benchmark::State &State, const std::function<bool()> &Setup,
               const std::function<bool()> &Measured);

} // namespace facette::bench
