// Resampling of the 24-megapixel photo: reduced to 12 megapixels (each side
// divided by the square root of 2) and enlarged twice, against OpenCV,
// libvips and copying the output's bytes as the floor. All of them run on
// the comparison's threads and write into memory whose pages were mapped
// before the clock started (libvips writes into an image over such memory).
//
// The kernels differ, and each benchmark's label says how (the summary
// table repeats it):
// - ours: Lanczos of radius 3, widened by the scale when reducing, weights
//   of 8 bits; the label gives the most taps per axis of our weight tables.
// - OpenCV INTER_LANCZOS4: Lanczos of radius 4, 8 taps per axis at every
//   scale (not widened when reducing).
// - libvips vips_resize with the lanczos3 kernel: reducing, Lanczos of
//   radius 3 widened by the scale; enlarging, libvips interpolates with its
//   bicubic interpolator (4 taps per axis) whatever the kernel.
#include "imaging/ZrResample.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif
#ifdef FACETTE_HAVE_VIPS
#include "support/Vips.h"
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

// The most taps of our weight table along an axis of From source pixels
// mapped onto To.
size_t MostTaps(int32_t From, int32_t To)
{
  TMappingTable Table;
  BuildMappingTable(0, To, 0, To, 0, From, TLanczosResampler(), Table);
  size_t Most = 0;
  for (const TCluster &Cluster : Table)
    Most = std::max(Most, Cluster.size());
  return Most;
}

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
  // The first call maps the output's pages; it is not timed.
  if (!ResamplePixels(Out, All, All, Lanczos, Photo.GetBounds(), Photo)) {
    State.SkipWithError("ResamplePixels failed");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!ResamplePixels(Out, All, All, Lanczos, Photo.GetBounds(), Photo)) {
      State.SkipWithError("ResamplePixels failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  State.SetLabel("lanczos3, " + std::to_string(MostTaps(PhotoWidth, T.Width)) + "x" +
                 std::to_string(MostTaps(PhotoHeight, T.Height)) + " taps");
}

void Memcpy(benchmark::State &State, Target T)
{
  const size_t Bytes = static_cast<size_t>(BufferStride(pf24bit, T.Width)) * T.Height;
  std::vector<uint8_t> From(Bytes, 1), To(Bytes, 0);
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    CopyInBands(To.data(), From.data(), Bytes, T.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
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
  UsePeerThreads(State, ComparisonThreads());
  cv::resize(Source, Out, Out.size(), 0, 0, cv::INTER_LANCZOS4);
  for (auto _ : State) {
    cv::resize(Source, Out, Out.size(), 0, 0, cv::INTER_LANCZOS4);
    benchmark::ClobberMemory();
  }
  State.SetLabel("lanczos4, 8x8 taps");
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
  if (!StartVips()) {
    State.SkipWithError("libvips did not start");
    return;
  }
  const TZrPixelBuffer &Photo = Photo24MP();
  if (Photo.Stride != Photo.Width * 3) {
    State.SkipWithError("libvips needs rows without padding");
    return;
  }
  VipsImage *Source =
      vips_image_new_from_memory(Photo.Bits, static_cast<size_t>(Photo.Stride) * Photo.Height,
                                 Photo.Width, Photo.Height, 3, VIPS_FORMAT_UCHAR);
  const size_t OutBytes = static_cast<size_t>(T.Width) * 3 * T.Height;
  // The output's memory, mapped before the clock starts like ours.
  std::vector<uint8_t> OutMemory(OutBytes, 0);
  const double HScale = static_cast<double>(T.Width) / Photo.Width;
  const double VScale = static_cast<double>(T.Height) / Photo.Height;
  UsePeerThreads(State, ComparisonThreads());
  auto Run = [&] {
    VipsImage *Resized = nullptr;
    if (vips_resize(Source, &Resized, HScale, "vscale", VScale, "kernel", VIPS_KERNEL_LANCZOS3,
                    nullptr) != 0)
      return false;
    VipsImage *Out = vips_image_new_from_memory(OutMemory.data(), OutBytes, T.Width, T.Height, 3,
                                                VIPS_FORMAT_UCHAR);
    const bool Done = Resized->Xsize == T.Width && Resized->Ysize == T.Height &&
                      vips_image_write(Resized, Out) == 0;
    g_object_unref(Out);
    g_object_unref(Resized);
    return Done;
  };
  if (!Run()) {
    State.SkipWithError("vips_resize failed");
    g_object_unref(Source);
    return;
  }
  for (auto _ : State) {
    if (!Run()) {
      State.SkipWithError("vips_resize failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  g_object_unref(Source);
  State.SetLabel(T.Width > Photo.Width ? "bicubic interpolator, 4x4 taps"
                                       : "lanczos3 widened by the scale");
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
