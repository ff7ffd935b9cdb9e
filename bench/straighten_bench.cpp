// Straighten: the final Hermite rendering of the 24-megapixel photo turned
// by 0.05 rad, and the nearest-neighbour preview, against copying the
// result's bytes once and against OpenCV's affine warp (bicubic and nearest)
// into the same canvas, all on the comparison's threads.
#include "imaging/ZrInterpolationFilters.h"
#include "support/TestImage.h"
#include "support/Threads.h"
#include "tools/geometry/ZrStraightenRenderer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace facette::bench {
namespace {

constexpr double Angle = 0.05;

TZrPixelBuffer &ResultImage()
{
  static TZrPixelBuffer Image = [] {
    TZrStraightenRenderer R;
    R.SetSourceSize(PhotoWidth, PhotoHeight);
    R.ComputeResultSize(Angle);
    TZrPixelBuffer B;
    if (!B.Allocate(pf24bit, Bounds(0, 0, R.ResultWidth, R.ResultHeight)))
      throw std::runtime_error("out of memory for the straightened image");
    return B;
  }();
  return Image;
}

void Render(benchmark::State &State, int32_t Filter)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer &Image = ResultImage();
  TZrStraightenRenderer R;
  const TOurThreads Ours(State);
  for (auto _ : State) {
    R.Render(Photo, Angle, Filter, Image);
    benchmark::ClobberMemory();
  }
  State.counters["pixels"] = static_cast<double>(R.ResultWidth) * R.ResultHeight;
  State.SetLabel(Filter == ifHermite ? "hermite, 2x2 taps" : "nearest");
}

void RenderHermite(benchmark::State &State)
{
  Render(State, ifHermite);
}
BENCHMARK(RenderHermite)
    ->Name("straighten_hermite_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void RenderNearest(benchmark::State &State)
{
  Render(State, ifNone);
}
BENCHMARK(RenderNearest)
    ->Name("straighten_nearest_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void CopyResult(benchmark::State &State)
{
  TZrPixelBuffer &Image = ResultImage();
  const size_t Bytes = static_cast<size_t>(Image.Stride) * Image.Height;
  std::vector<uint8_t> From(Bytes, 1);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(Image.Bits, From.data(), Bytes, Image.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(CopyResult)
    ->Name("straighten_hermite_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(CopyResult)
    ->Name("straighten_nearest_24mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
// The same rotation as an inverse affine map from result to source.
void OpenCVWarp(benchmark::State &State, int Interpolation)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer &Image = ResultImage();
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat Result(Image.Height, Image.Width, CV_8UC3, Image.Bits, static_cast<size_t>(Image.Stride));
  const double C = std::cos(Angle), S = std::sin(Angle);
  const double CXR = (Image.Width - 1) / 2.0, CYR = (Image.Height - 1) / 2.0;
  const double CXS = (Photo.Width - 1) / 2.0, CYS = (Photo.Height - 1) / 2.0;
  const cv::Matx23d Map(C, -S, CXS - CXR * C + CYR * S, S, C, CYS - CXR * S - CYR * C);
  UsePeerThreads(State, ComparisonThreads());
  for (auto _ : State) {
    cv::warpAffine(Source, Result, Map, Result.size(), Interpolation | cv::WARP_INVERSE_MAP,
                   cv::BORDER_CONSTANT, cv::Scalar(255, 255, 255));
    benchmark::ClobberMemory();
  }
}

void OpenCVCubic(benchmark::State &State)
{
  OpenCVWarp(State, cv::INTER_CUBIC);
  State.SetLabel("bicubic, 4x4 taps");
}
BENCHMARK(OpenCVCubic)
    ->Name("straighten_hermite_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void OpenCVNearest(benchmark::State &State)
{
  OpenCVWarp(State, cv::INTER_NEAREST);
  State.SetLabel("nearest");
}
BENCHMARK(OpenCVNearest)
    ->Name("straighten_nearest_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
