// The physical floor every whole-image kernel is compared with: copying the
// 24-megapixel photo's bytes once.
#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace facette::bench {
namespace {

void CopyPhoto(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const size_t Bytes = static_cast<size_t>(Photo.Stride) * Photo.Height;
  std::vector<uint8_t> Target(Bytes);
  for (auto _ : State) {
    std::memcpy(Target.data(), Photo.Bits, Bytes);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, 1);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Bytes));
}
BENCHMARK(CopyPhoto)->Name("copy_24mp/memcpy")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace facette::bench
