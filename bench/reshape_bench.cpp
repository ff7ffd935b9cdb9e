// Liquify: the Hermite re-sampling of a stroke's changed rectangle on
// release, 512 x 512 (the largest brush) on the 24-megapixel photo, against
// copying the rectangle's bytes once.
#include "support/TestImage.h"
#include "tools/reshape/ZrLiquifyField.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <stdexcept>

namespace facette::bench {
namespace {

constexpr int32_t Side = 512;

// The photo as the sequence's start, a working image, and a field holding
// a full-strength bloat of the largest brush plus a warp across it, as one
// release would leave it.
struct LiquifyScene
{
  TZrLiquifyField Field;
  TZrPixelBuffer Image;
  TZrRect Changed;

  LiquifyScene()
  {
    const TZrPixelBuffer &Photo = Photo24MP();
    if (!Field.Start(Photo) || !Image.Allocate(pf24bit, Photo.GetBounds()))
      throw std::runtime_error("out of memory for the liquify scene");
    Image.CopyFrom(Photo);
    const TZrPoint Centre{PhotoWidth / 2, PhotoHeight / 2};
    TZrPixelMask Stamp;
    Stamp.SetBounds(Centre.X - Side / 2, Centre.Y - Side / 2, Side + 1, Side + 1);
    std::memset(Stamp.Bits.data(), 255, Stamp.Bits.size());
    TZrLiquifyBrush Brush;
    Brush.Build(Side, lbCos, leBloat);
    Changed = Field.BloatSquare(Centre, Side);
    Field.BloatRect(Image, Changed, Brush, Centre, Stamp, 0, 0, -100.0);
    Brush.Build(Side, lbCos2, leWarp);
    Field.WarpRect(Image, Changed, Brush, Centre, Stamp, 37, -23);
  }
};

LiquifyScene &Scene()
{
  static LiquifyScene S;
  return S;
}

void ResampleChanged(benchmark::State &State)
{
  LiquifyScene &S = Scene();
  for (auto _ : State) {
    S.Field.ResampleChanged(S.Image, S.Changed);
    benchmark::ClobberMemory();
  }
  State.counters["pixels"] = static_cast<double>(S.Changed.Width()) * S.Changed.Height();
}
BENCHMARK(ResampleChanged)
    ->Name("liquify_resample_512/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void CopyChanged(benchmark::State &State)
{
  LiquifyScene &S = Scene();
  const size_t Row = static_cast<size_t>(S.Changed.Width()) * 3;
  for (auto _ : State) {
    for (int32_t Y = S.Changed.Top; Y < S.Changed.Bottom; ++Y)
      std::memcpy(S.Image.PixelPtr(S.Changed.Left, Y), S.Field.Source.PixelPtr(S.Changed.Left, Y),
                  Row);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(CopyChanged)
    ->Name("liquify_resample_512/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
