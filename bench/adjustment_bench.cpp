// Brightness, contrast and gamma reduce to three tables applied in one
// pass over the 24-megapixel photo; compared with copying it.
#include "support/TestImage.h"
#include "support/Threads.h"
#include "tools/geometry/ZrAdjustmentEngine.h"

#include <benchmark/benchmark.h>

#include <cstring>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace facette::bench {
namespace {

void ApplyLutsFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  TZrAdjustmentEngine Engine;
  BuildBrightnessLut(Engine.LutRed, 10);
  BuildGammaLut(Engine.LutGreen, -20);
  BuildBrightnessLut(Engine.LutBlue, -5);
  Engine.ApplyLuts(Photo, Image);
  const TOurThreads Ours(State);
  for (auto _ : State) {
    Engine.ApplyLuts(Photo, Image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyLutsFacette)
    ->Name("apply_luts_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void ApplyLutsMemcpy(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image;
  Image.Allocate(pf24bit, Photo.GetBounds());
  const size_t Bytes = static_cast<size_t>(Photo.Stride) * Photo.Height;
  Image.CopyFrom(Photo);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(Image.Bits, Photo.Bits, Bytes, Photo.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(ApplyLutsMemcpy)
    ->Name("apply_luts_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
void ApplyLutsOpenCV(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat Lut(1, 256, CV_8UC3), Out;
  for (int32_t I = 0; I < 256; ++I)
    Lut.at<cv::Vec3b>(0, I) = cv::Vec3b(static_cast<uint8_t>(255 - I), static_cast<uint8_t>(I),
                                        static_cast<uint8_t>(I / 2));
  UsePeerThreads(State, ComparisonThreads());
  cv::LUT(Source, Lut, Out);
  for (auto _ : State) {
    cv::LUT(Source, Lut, Out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(ApplyLutsOpenCV)
    ->Name("apply_luts_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
