// The make-up engines on the 24-megapixel photo: building the detail layer
// against copying an array of its size, and colouring one brush-sized
// rectangle.
#include "support/TestImage.h"
#include "tools/makeup/ZrMakeUpSurface.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace facette::bench {
namespace {

void BuildDetailFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrMakeUpDetail Layer;
  for (auto _ : State) {
    Layer.BuildDetail(Photo);
    benchmark::DoNotOptimize(Layer.Row(0));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BuildDetailFacette)
    ->Name("build_detail/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The floor: copying one array of the layer's size (three floats a pixel).
void BuildDetailMemcpy(benchmark::State &State)
{
  const size_t Floats = static_cast<size_t>(PhotoWidth) * PhotoHeight * 3;
  auto From = std::make_unique<float[]>(Floats);
  auto To = std::make_unique<float[]>(Floats);
  for (auto _ : State) {
    std::memcpy(To.get(), From.get(), Floats * sizeof(float));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BuildDetailMemcpy)
    ->Name("build_detail/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One dab of a 200-pixel brush: a disc of full coverage with a soft rim.
void ApplyColourFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  static TZrMakeUpDetail Layer;
  if (Layer.Empty())
    Layer.BuildDetail(Photo);
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  const TZrRect Rect = Bounds(2900, 1900, 200, 200);
  TZrPixelMask Mask;
  Mask.SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  for (int32_t Y = 0; Y < 200; ++Y)
    for (int32_t X = 0; X < 200; ++X) {
      const int32_t D2 = (X - 100) * (X - 100) + (Y - 100) * (Y - 100);
      Mask.Bits[static_cast<size_t>(Y) * 200 + X] =
          D2 < 80 * 80     ? 255
          : D2 < 100 * 100 ? static_cast<uint8_t>(255 - (D2 - 6400) / 15)
                           : 0;
    }
  const int32_t Mode = static_cast<int32_t>(State.range(0));
  for (auto _ : State) {
    ApplyColour(Rect, Photo, Mask, Layer, 0xB03040, Mode, true, Image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyColourFacette)
    ->Name("apply_colour_200px/facette")
    ->Arg(NormalMode)
    ->Arg(LuminosityMode)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
