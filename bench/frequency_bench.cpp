// The skin decomposition: a fresh copy of the 24-megapixel photo and its
// two box blurs (radii 1 and 5), against two OpenCV box filters of the same
// radii.
#include "support/TestImage.h"
#include "tools/skin/ZrFrequencyRange.h"

#include <benchmark/benchmark.h>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace facette::bench {
namespace {

void PrepareFacette(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TFrequencyRange Range;
  for (auto _ : State) {
    Range.MarkDirty(2);
    Range.Prepare(Photo, 1, 5);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PrepareFacette)
    ->Name("frequency_prepare_r1_r5/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
void PrepareOpenCV(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat LowA, LowB;
  for (auto _ : State) {
    cv::boxFilter(Source, LowA, -1, cv::Size(3, 3));
    cv::boxFilter(Source, LowB, -1, cv::Size(11, 11));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(PrepareOpenCV)
    ->Name("frequency_prepare_r1_r5/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
