#include "imaging/ZrParallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace facette {

namespace {

std::atomic<int32_t> WorkerLimit{0};
std::atomic<int32_t> ThreadsSeen{0};

} // namespace

int32_t BandCount(int64_t Work, int64_t MinWork)
{
  const int64_t Workers = WorkerCount();
  const int64_t Worth = MinWork > 0 ? Work / MinWork : Workers;
  return static_cast<int32_t>(std::clamp<int64_t>(Worth, 1, Workers));
}

int32_t WorkerCount()
{
  static const int32_t Cores =
      static_cast<int32_t>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1u, MaxBands));
  const int32_t Limit = WorkerLimit.load(std::memory_order_relaxed);
  return Limit > 0 ? std::min(Limit, Cores) : Cores;
}

void SetWorkerLimit(int32_t Count)
{
  WorkerLimit.store(std::max(Count, 0), std::memory_order_relaxed);
}

int32_t PassThreadsSeen()
{
  return ThreadsSeen.load(std::memory_order_relaxed);
}

void ResetPassThreads()
{
  ThreadsSeen.store(0, std::memory_order_relaxed);
}

void NotePassThreads(int32_t Threads)
{
  int32_t Seen = ThreadsSeen.load(std::memory_order_relaxed);
  while (Threads > Seen &&
         !ThreadsSeen.compare_exchange_weak(Seen, Threads, std::memory_order_relaxed)) {
  }
}

void SplitWork(int32_t Count, int32_t ChunkSize, const std::function<void(int32_t, int32_t)> &Body,
               const std::function<void(int32_t)> &Progress)
{
  if (Count <= 0)
    return;
  ChunkSize = std::max(ChunkSize, 1);
  const int32_t Chunks = (Count - 1) / ChunkSize + 1;
  const int32_t Threads = std::min(WorkerCount(), Chunks);

  std::atomic<int32_t> Next{0};
  std::atomic<int32_t> Done{0};
  std::atomic<bool> Failed{false};
  std::exception_ptr Error;
  std::mutex ErrorLock;

  // Returns false once no chunk is left or a chunk failed.
  auto RunOne = [&]() {
    if (Failed.load(std::memory_order_relaxed))
      return false;
    const int32_t Chunk = Next.fetch_add(1, std::memory_order_relaxed);
    if (Chunk >= Chunks)
      return false;
    const int32_t Begin = Chunk * ChunkSize;
    const int32_t End = std::min(Count, Begin + ChunkSize);
    try {
      Body(Begin, End);
    } catch (...) {
      std::lock_guard<std::mutex> Guard(ErrorLock);
      if (!Error)
        Error = std::current_exception();
      Failed = true;
      return false;
    }
    Done.fetch_add(End - Begin, std::memory_order_relaxed);
    return true;
  };

  std::vector<std::thread> Helpers;
  Helpers.reserve(static_cast<size_t>(Threads - 1));
  for (int32_t T = 1; T < Threads; ++T) {
    try {
      Helpers.emplace_back([&]() {
        while (RunOne()) {
        }
      });
    } catch (const std::system_error &) {
      break; // no more threads to be had: the others share the work
    }
  }
  NotePassThreads(static_cast<int32_t>(Helpers.size()) + 1);
  int32_t Reported = 0;
  try {
    while (RunOne()) {
      if (Progress) {
        const int32_t Now = Done.load(std::memory_order_relaxed);
        if (Now > Reported) {
          Reported = Now;
          Progress(Now);
        }
      }
    }
  } catch (...) {
    // The progress callback failed: stop the helpers before leaving, they
    // work on our caller's buffers.
    std::lock_guard<std::mutex> Guard(ErrorLock);
    if (!Error)
      Error = std::current_exception();
    Failed = true;
  }
  for (std::thread &Helper : Helpers)
    Helper.join();
  if (Error)
    std::rethrow_exception(Error);
  if (Progress && Reported < Count)
    Progress(Count);
}

} // namespace facette
