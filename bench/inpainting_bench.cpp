// The blemish remover's live step on the 24-megapixel photo: a round defect
// of 100 x 100 pixels (the largest brush) is refilled on every mouse move
// from the source square under the cursor, choosing the best reflection and
// correcting the colour per channel with anti-aliased edges. The floor it is
// compared with is copying the bytes the step touches: the source square and
// the defect square, 100 rows of 300 bytes each.
#include "support/TestImage.h"
#include "support/Threads.h"

#include "tools/inpainting/AreaCorrelator.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace facette::bench {
namespace {

constexpr int32_t Side = 100;
const TZrRect DefectRect = Bounds(2950, 1450, Side, Side);
const TZrRect SourceRect = Bounds(3110, 1430, Side, Side);

struct LiveScene
{
  TZrPixelBuffer Dest; // the working image; only the touched pages get memory
  std::unique_ptr<TAreaCorrelator> Correlator;

  LiveScene()
  {
    const TZrPixelBuffer &Photo = Photo24MP();
    if (!Dest.Allocate(pf24bit, Photo.GetBounds()))
      throw std::runtime_error("out of memory for the working image");
    Dest.CopyRect(DefectRect.Left, DefectRect.Top, Photo, DefectRect);
    Correlator = std::make_unique<TAreaCorrelator>(DefectRect, Photo, Dest, 2);
    // The brush's disc: the stamp covers the pixels nearer to the centre
    // than half the side.
    for (int32_t Y = 0; Y < Side; ++Y)
      for (int32_t X = 0; X < Side; ++X) {
        const double DX = X - Side / 2, DY = Y - Side / 2;
        Correlator->SetMask(DefectRect.Left + X, DefectRect.Top + Y,
                            4 * (DX * DX + DY * DY) < Side * Side);
      }
    Prepare();
  }

  // What the first click does once per defect.
  void Prepare()
  {
    Correlator->Classify();
    Correlator->PruneRing(0.2);
    Correlator->ComputeWeights();
  }
};

LiveScene &Scene()
{
  static LiveScene S;
  return S;
}

void Live(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State) {
    const int32_t T = S.Correlator->BestReflection(SourceRect);
    S.Correlator->Fill({SourceRect.Left, SourceRect.Top}, T, true, FillPerChannel, 2);
    benchmark::ClobberMemory();
  }
  State.counters["ring"] = S.Correlator->Ring().Count();
  State.counters["interior"] = S.Correlator->Interior().Count();
}
BENCHMARK(Live)->Name("inpaint_live_100/facette")->Unit(benchmark::kMicrosecond)->UseRealTime();

void CopyTouched(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  LiveScene &S = Scene();
  std::vector<uint8_t> Patch(static_cast<size_t>(Side) * Side * 3);
  const size_t Row = static_cast<size_t>(Side) * 3;
  for (auto _ : State) {
    for (int32_t Y = 0; Y < Side; ++Y) {
      std::memcpy(Patch.data() + Y * Row, Photo.PixelPtr(SourceRect.Left, SourceRect.Top + Y), Row);
      std::memcpy(S.Dest.PixelPtr(DefectRect.Left, DefectRect.Top + Y),
                  Photo.PixelPtr(DefectRect.Left, DefectRect.Top + Y), Row);
    }
    benchmark::ClobberMemory();
  }
  ReportThreads(State, 1);
}
BENCHMARK(CopyTouched)
    ->Name("inpaint_live_100/memcpy")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// The pieces of the live step, and the preparation of the first click.
void Reflection(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State)
    benchmark::DoNotOptimize(S.Correlator->BestReflection(SourceRect));
}
BENCHMARK(Reflection)
    ->Name("inpaint_best_reflection_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void FillType(benchmark::State &State)
{
  LiveScene &S = Scene();
  const int32_t Type = static_cast<int32_t>(State.range(0));
  const TOurThreads Ours(State);
  for (auto _ : State) {
    S.Correlator->Fill({SourceRect.Left, SourceRect.Top}, 0, true, Type, 2);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(FillType)
    ->Name("inpaint_fill_100/facette")
    ->ArgName("type")
    ->Arg(FillCopy)
    ->Arg(FillPerChannel)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

void Prepare(benchmark::State &State)
{
  LiveScene &S = Scene();
  const TOurThreads Ours(State);
  for (auto _ : State)
    S.Prepare();
}
BENCHMARK(Prepare)
    ->Name("inpaint_prepare_100/facette")
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
