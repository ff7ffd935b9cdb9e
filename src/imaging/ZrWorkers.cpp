#include "imaging/ZrWorkers.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace facette {

int32_t WorkerCount()
{
  static const int32_t Count =
      static_cast<int32_t>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  return Count;
}

void RunWorkers(int32_t Count, const std::function<void(int32_t Index)> &Work)
{
  std::vector<std::thread> Threads;
  std::vector<int32_t> Inline;
  for (int32_t Index = 1; Index < Count; ++Index) {
    try {
      Threads.emplace_back(Work, Index);
    } catch (const std::system_error &) {
      Inline.push_back(Index);
    }
  }
  Work(0);
  for (int32_t Index : Inline)
    Work(Index);
  for (std::thread &Thread : Threads)
    Thread.join();
}

} // namespace facette
