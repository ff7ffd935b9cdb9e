// Splitting whole-image work over the machine's cores: fixed bands of rows
// (RunBands, RunWorkers) or chunks taken in turn with progress on the
// calling thread (SplitWork). Every piece writes only its own output, so the
// result does not depend on how many threads ran.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace facette {

// The most bands a pass is split into.
constexpr int32_t MaxBands = 16;

// The number of bands worth running for Work units of work when a band
// should have at least MinWork of them; at least 1, at most WorkerCount().
int32_t BandCount(int64_t Work, int64_t MinWork);

// Number of threads whole-image work uses at most (at least 1): one a core
// unless a limit is set.
int32_t WorkerCount();

// Limits whole-image work to Count threads; 0 (or less) lifts the limit.
// Several images worked on side by side share the cores out this way, and
// a benchmark gives ours the thread count of the peer it is compared with.
void SetWorkerLimit(int32_t Count);

// The most threads (the calling one included) any pass has run on since
// the last ResetPassThreads: benchmarks report it beside each peer's.
int32_t PassThreadsSeen();
void ResetPassThreads();
void NotePassThreads(int32_t Threads);

// Calls Band(Index, Begin, End) for Bands contiguous slices of [0, Count),
// all but the last on their own threads, and waits for all of them. A band
// whose thread cannot be started runs on the calling thread, so the pass is
// always completed. The first exception a band throws is rethrown here once
// every band is done.
template <typename TBand> void RunBands(int32_t Count, int32_t Bands, const TBand &Band)
{
  if (Count <= 0)
    return;
  Bands = std::clamp(Bands, 1, std::min(Count, MaxBands));
  NotePassThreads(Bands);
  std::exception_ptr Failure;
  std::mutex FailureLock;
  auto Run = [&](int32_t Index) noexcept {
    const int32_t Begin = static_cast<int32_t>(static_cast<int64_t>(Count) * Index / Bands);
    const int32_t End = static_cast<int32_t>(static_cast<int64_t>(Count) * (Index + 1) / Bands);
    try {
      Band(Index, Begin, End);
    } catch (...) {
      std::lock_guard<std::mutex> Guard(FailureLock);
      if (!Failure)
        Failure = std::current_exception();
    }
  };
  std::array<std::thread, MaxBands> Threads;
  std::array<bool, MaxBands> Started{};
  for (int32_t Index = 0; Index + 1 < Bands; ++Index) {
    try {
      Threads[static_cast<size_t>(Index)] = std::thread(Run, Index);
      Started[static_cast<size_t>(Index)] = true;
    } catch (...) {
      // No thread to be had: this band runs here below.
    }
  }
  Run(Bands - 1);
  for (int32_t Index = 0; Index + 1 < Bands; ++Index) {
    if (Started[static_cast<size_t>(Index)])
      Threads[static_cast<size_t>(Index)].join();
    else
      Run(Index);
  }
  if (Failure)
    std::rethrow_exception(Failure);
}

// Runs Work(0) .. Work(Count - 1) concurrently and waits for all of them;
// Work(0) runs on the calling thread, so progress reports go there.
inline void RunWorkers(int32_t Count, const std::function<void(int32_t Index)> &Work)
{
  RunBands(Count, Count, [&](int32_t Band, int32_t, int32_t) { Work(Count - 1 - Band); });
}

// The first row of stripe Index when Rows rows are cut into Count stripes
// of nearly equal height.
inline int32_t StripeBegin(int32_t Rows, int32_t Count, int32_t Index)
{
  return static_cast<int32_t>(static_cast<int64_t>(Rows) * Index / Count);
}

// Body(Begin, End) runs once per chunk. Progress(Done) receives the number of
// items finished so far, never decreasing, and Count at the end. An
// exception thrown by a chunk stops the remaining chunks and is rethrown
// once every thread has stopped.
void SplitWork(int32_t Count, int32_t ChunkSize, const std::function<void(int32_t, int32_t)> &Body,
               const std::function<void(int32_t)> &Progress = {});

} // namespace facette
