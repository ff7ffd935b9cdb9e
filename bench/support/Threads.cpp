#include "support/Threads.h"

#include "imaging/ZrParallel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif
#ifdef FACETTE_HAVE_VIPS
#include "support/Vips.h"
#endif

namespace facette::bench {

int32_t ComparisonThreads()
{
  static const int32_t Threads = [] {
    const char *Asked = std::getenv("FACETTE_BENCH_THREADS");
    const int32_t N = Asked ? std::atoi(Asked) : 0;
    return N > 0 ? std::min(N, WorkerCount()) : WorkerCount();
  }();
  return Threads;
}

TOurThreads::TOurThreads(benchmark::State &State, int32_t Threads) : State(State)
{
  SetWorkerLimit(std::max(Threads, 1));
  ResetPassThreads();
}

TOurThreads::~TOurThreads()
{
  // A kernel that never split its work ran on the calling thread alone.
  ReportThreads(State, std::max(PassThreadsSeen(), 1));
  SetWorkerLimit(0);
}

void UsePeerThreads(benchmark::State &State, int32_t Threads)
{
  Threads = std::max(Threads, 1);
#ifdef FACETTE_HAVE_OPENCV
  cv::setNumThreads(Threads);
#endif
#ifdef FACETTE_HAVE_VIPS
  if (StartVips())
    vips_concurrency_set(Threads);
#endif
  ReportThreads(State, Threads);
}

void ReportThreads(benchmark::State &State, int32_t Threads)
{
  State.counters["threads"] = Threads;
}

void CopyInBands(void *To, const void *From, size_t Bytes, int32_t Rows, int32_t Threads)
{
  const size_t RowBytes = Bytes / static_cast<size_t>(Rows);
  auto *Out = static_cast<uint8_t *>(To);
  const auto *In = static_cast<const uint8_t *>(From);
  RunBands(Rows, Threads, [&](int32_t, int32_t Begin, int32_t End) {
    std::memcpy(Out + static_cast<size_t>(Begin) * RowBytes,
                In + static_cast<size_t>(Begin) * RowBytes,
                static_cast<size_t>(End - Begin) * RowBytes);
  });
}

} // namespace facette::bench
