// Thread counts of a comparison. Ours and every peer run on the same number
// of threads, and each benchmark reports its count in the counter "threads"
// (the summary table prints it beside every time):
// - ours: the most threads a pass of ours ran on while timed (TOurThreads);
// - OpenCV and libvips: the count they were set to (UsePeerThreads);
// - the floors (memcpy): as many threads as ours, each copying a band.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

namespace facette::bench {

// The threads a comparison runs on: one a core, or what the environment
// variable FACETTE_BENCH_THREADS asks for.
int32_t ComparisonThreads();

// Ours limited to Threads for as long as it lives (at least one thread),
// and the threads its passes actually ran on reported at the end.
class TOurThreads
{
public:
  explicit TOurThreads(benchmark::State &State, int32_t Threads = ComparisonThreads());
  ~TOurThreads();
  TOurThreads(const TOurThreads &) = delete;
  TOurThreads &operator=(const TOurThreads &) = delete;

private:
  benchmark::State &State;
};

// OpenCV and libvips set to Threads worker threads, reported as such.
// A peer whose operation runs on one thread only says so with Threads 1.
void UsePeerThreads(benchmark::State &State, int32_t Threads);

// Reports a thread count that was set by hand (the floors).
void ReportThreads(benchmark::State &State, int32_t Threads);

// Copies Bytes from From to To with Threads threads, each a contiguous band
// of Rows rows (the floor of a pass of ours that runs in bands of rows).
void CopyInBands(void *To, const void *From, size_t Bytes, int32_t Rows, int32_t Threads);

} // namespace facette::bench
