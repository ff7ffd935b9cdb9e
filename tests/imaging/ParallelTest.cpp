#include "imaging/ZrParallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace facette {
namespace {

TEST(WorkSplitter, EveryItemOnceAndProgressOnTheCallingThread)
{
  for (int32_t Count : {0, 1, 7, 64, 1000}) {
    std::vector<std::atomic<int>> Seen(static_cast<size_t>(Count));
    const std::thread::id Caller = std::this_thread::get_id();
    int32_t Last = 0;
    int Calls = 0;
    SplitWork(
        Count, 7,
        [&](int32_t Begin, int32_t End) {
          ASSERT_LT(Begin, End);
          ASSERT_LE(End - Begin, 7);
          for (int32_t I = Begin; I < End; ++I)
            ++Seen[static_cast<size_t>(I)];
        },
        [&](int32_t Done) {
          EXPECT_EQ(std::this_thread::get_id(), Caller);
          EXPECT_GT(Done, Last);
          Last = Done;
          ++Calls;
        });
    for (const auto &S : Seen)
      EXPECT_EQ(S.load(), 1) << Count;
    EXPECT_EQ(Last, Count);
    EXPECT_EQ(Calls > 0, Count > 0);
  }
}

TEST(WorkSplitter, AFailingChunkStopsTheWorkAndIsRethrown)
{
  std::atomic<int> Ran{0};
  EXPECT_THROW(SplitWork(1000, 1,
                         [&](int32_t Begin, int32_t) {
                           ++Ran;
                           if (Begin == 3)
                             throw std::runtime_error("chunk failed");
                           // Slow enough that the other threads see the
                           // failure long before the work runs out.
                           std::this_thread::sleep_for(std::chrono::milliseconds(1));
                         }),
               std::runtime_error);
  EXPECT_LT(Ran.load(), 100);
  // A failing progress callback, too, waits for the helpers.
  EXPECT_THROW(SplitWork(
                   1000, 1, [](int32_t, int32_t) {},
                   [](int32_t) { throw std::logic_error("progress failed"); }),
               std::logic_error);
}

// A limit of one thread keeps every pass on the calling thread; lifting it
// gives the cores back. The threads seen are what benchmarks report.
TEST(WorkerLimit, PassesRunOnAtMostTheLimit)
{
  const int32_t Cores = WorkerCount();
  struct Case
  {
    int32_t Limit;
    int32_t Expected;
  } Cases[] = {{1, 1}, {Cores + 5, Cores}, {0, Cores}};
  for (const Case &C : Cases) {
    SetWorkerLimit(C.Limit);
    EXPECT_EQ(WorkerCount(), C.Expected) << C.Limit;
    EXPECT_EQ(BandCount(1 << 30, 1), C.Expected) << C.Limit;
    ResetPassThreads();
    std::mutex Lock;
    std::set<std::thread::id> Threads;
    RunBands(100, BandCount(100, 1), [&](int32_t, int32_t, int32_t) {
      std::lock_guard<std::mutex> Guard(Lock);
      Threads.insert(std::this_thread::get_id());
    });
    SplitWork(100, 1, [&](int32_t, int32_t) {
      std::lock_guard<std::mutex> Guard(Lock);
      Threads.insert(std::this_thread::get_id());
    });
    EXPECT_LE(static_cast<int32_t>(Threads.size()), C.Expected) << C.Limit;
    EXPECT_EQ(PassThreadsSeen(), C.Expected) << C.Limit;
    if (C.Expected == 1) {
      EXPECT_EQ(*Threads.begin(), std::this_thread::get_id());
    }
  }
  SetWorkerLimit(0);
}

} // namespace
} // namespace facette
