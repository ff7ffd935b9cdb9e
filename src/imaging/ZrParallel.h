// Splitting a whole-image pass into bands of rows run on the machine's cores.
// Every band writes only its own rows, so the result does not depend on how
// many threads ran.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>

namespace facette {

// The most bands a pass is split into.
constexpr int32_t MaxBands = 16;

// The number of bands worth running for Work units of work when a band
// should have at least MinWork of them; at least 1, at most the number of
// cores (and MaxBands).
int32_t BandCount(int64_t Work, int64_t MinWork);

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

} // namespace facette
