// Lanczos resampling of the 24-megapixel photo: reduced to 12 megapixels
// (each side divided by the square root of 2) and enlarged twice. Ours
// against OpenCV's Lanczos4 and libvips' lanczos3 on the same pixels, and
// copying the output's bytes as the floor. Every implementation writes into
// memory prepared before the clock starts, except libvips, which allocates
// its own output.
#include "imaging/ZrResample.h"
#include "support/TestImage.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif
#ifdef FACETTE_HAVE_VIPS
#include <vips/vips.h>
#endif

namespace facette::bench {
namespace {

struct Target
{
  int32_t Width, Height;
};

const Target Reduced{static_cast<int32_t>(std::lround(PhotoWidth / std::sqrt(2.0))),
                     static_cast<int32_t>(std::lround(PhotoHeight / std::sqrt(2.0)))};
const Target Enlarged{PhotoWidth * 2, PhotoHeight * 2};

void Facette(benchmark::State &State, Target T)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Out;
  if (!Out.Allocate(pf24bit, Bounds(0, 0, T.Width, T.Height))) {
    State.SkipWithError("out of memory");
    return;
  }
  const TZrRect All = Out.GetBounds();
  const TLanczosResampler Lanczos;
  // Touch the output once so that page faults are not timed.
  ResamplePixels(Out, All, All, Lanczos, Photo.GetBounds(), Photo);
  for (auto _ : State) {
    ResamplePixels(Out, All, All, Lanczos, Photo.GetBounds(), Photo);
    benchmark::ClobberMemory();
  }
}

void Memcpy(benchmark::State &State, Target T)
{
  const size_t Bytes = static_cast<size_t>(BufferStride(pf24bit, T.Width)) * T.Height;
  std::vector<uint8_t> From(Bytes, 1), To(Bytes, 0);
  for (auto _ : State) {
    std::memcpy(To.data(), From.data(), Bytes);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Bytes));
}

BENCHMARK_CAPTURE(Facette, reduce, Reduced)
    ->Name("lanczos_reduce_24mp_to_12mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Memcpy, reduce, Reduced)
    ->Name("lanczos_reduce_24mp_to_12mp/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Facette, enlarge, Enlarged)
    ->Name("lanczos_enlarge_24mp_2x/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Memcpy, enlarge, Enlarged)
    ->Name("lanczos_enlarge_24mp_2x/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
void OpenCV(benchmark::State &State, Target T)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  // Same bytes: OpenCV's 8-bit three-channel images are blue, green, red.
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat Out(T.Height, T.Width, CV_8UC3);
  cv::resize(Source, Out, Out.size(), 0, 0, cv::INTER_LANCZOS4);
  for (auto _ : State) {
    cv::resize(Source, Out, Out.size(), 0, 0, cv::INTER_LANCZOS4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(OpenCV, reduce, Reduced)
    ->Name("lanczos_reduce_24mp_to_12mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, enlarge, Enlarged)
    ->Name("lanczos_enlarge_24mp_2x/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

#ifdef FACETTE_HAVE_VIPS
void Vips(benchmark::State &State, Target T)
{
  static const bool Started = [] {
    if (VIPS_INIT("facette_bench") != 0)
      return false;
    // Repeated identical calls must not be answered from vips' cache.
    vips_cache_set_max(0);
    return true;
  }();
  if (!Started) {
    State.SkipWithError("libvips did not start");
    return;
  }
  const TZrPixelBuffer &Photo = Photo24MP();
  if (Photo.Stride != Photo.Width * 3) {
    State.SkipWithError("libvips needs rows without padding");
    return;
  }
  VipsImage *Source = vips_image_new_from_memory(
      Photo.Bits, static_cast<size_t>(Photo.Stride) * Photo.Height, Photo.Width, Photo.Height, 3,
      VIPS_FORMAT_UCHAR);
  const double HScale = static_cast<double>(T.Width) / Photo.Width;
  const double VScale = static_cast<double>(T.Height) / Photo.Height;
  for (auto _ : State) {
    VipsImage *Out = nullptr;
    if (vips_resize(Source, &Out, HScale, "vscale", VScale, "kernel", VIPS_KERNEL_LANCZOS3,
                    nullptr) != 0) {
      State.SkipWithError("vips_resize failed");
      break;
    }
    size_t Size = 0;
    void *Pixels = vips_image_write_to_memory(Out, &Size);
    benchmark::DoNotOptimize(Pixels);
    g_free(Pixels);
    g_object_unref(Out);
  }
  g_object_unref(Source);
}
BENCHMARK_CAPTURE(Vips, reduce, Reduced)
    ->Name("lanczos_reduce_24mp_to_12mp/vips")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Vips, enlarge, Enlarged)
    ->Name("lanczos_enlarge_24mp_2x/vips")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
