#include "imaging/ZrParallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace facette {

int32_t BandCount(int64_t Work, int64_t MinWork)
{
  const int64_t Cores = std::max<int64_t>(std::thread::hardware_concurrency(), 1);
  const int64_t Worth = MinWork > 0 ? Work / MinWork : Cores;
  return static_cast<int32_t>(std::clamp<int64_t>(Worth, 1, std::min<int64_t>(Cores, 16)));
}

void RunBands(int32_t Count, int32_t Bands,
              const std::function<void(int32_t Index, int32_t Begin, int32_t End)> &Band)
{
  if (Count <= 0)
    return;
  Bands = std::clamp(Bands, 1, Count);
  std::exception_ptr Failure;
  std::mutex FailureLock;
  auto Run = [&](int32_t Index) {
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

  std::vector<std::thread> Threads;
  std::vector<int32_t> Inline;
  Threads.reserve(static_cast<size_t>(Bands - 1));
  for (int32_t Index = 0; Index + 1 < Bands; ++Index) {
    try {
      Threads.emplace_back(Run, Index);
    } catch (const std::system_error &) {
      Inline.push_back(Index);
    }
  }
  Run(Bands - 1);
  for (int32_t Index : Inline)
    Run(Index);
  for (std::thread &T : Threads)
    T.join();
  if (Failure)
    std::rethrow_exception(Failure);
}

} // namespace facette
