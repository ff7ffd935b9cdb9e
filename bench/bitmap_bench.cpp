// Whole-image geometry on the 24-megapixel photo: flips and quarter turns,
// against copying the image's bytes once and against OpenCV.
//
// Flips work in place on every side (ours, OpenCV's cv::flip with the same
// matrix as source and destination). Quarter turns write into a second
// image whose pages are mapped before the clock starts, on every side.
// Each kernel is timed on the comparison's threads (one a core) against
// memcpy on as many threads, and on one thread ("_1_thread") against memcpy
// on one thread and OpenCV, whose flips and turns run on one thread.
//
// "bitmap_rotate_left_24mp_new_memory" is the device bitmap's whole quarter
// turn: new memory, the turn, the old memory released; its floor copies the
// image into memory freshly taken from the system.
#include "imaging/ZrGeometry.h"
#include "imaging/ZrLTBitmap.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#ifdef FACETTE_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace facette::bench {
namespace {

enum class Operation
{
  FlipHorizontal,
  FlipVertical,
  RotateLeft,
  RotateRight
};

size_t PhotoBytes()
{
  const TZrPixelBuffer &Photo = Photo24MP();
  return static_cast<size_t>(Photo.Stride) * Photo.Height;
}

void Facette(benchmark::State &State, Operation Op, int32_t Threads)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  TZrPixelBuffer Image, Turned;
  if (!Image.Allocate(pf24bit, Photo.GetBounds()) ||
      !Turned.Allocate(pf24bit, Bounds(0, 0, Photo.Height, Photo.Width))) {
    State.SkipWithError("out of memory");
    return;
  }
  Image.CopyFrom(Photo);
  // Map the turned image's pages before the clock starts.
  std::memset(Turned.Bits, 0, static_cast<size_t>(Turned.Stride) * Turned.Height);
  const TOurThreads Ours(State, Threads);
  for (auto _ : State) {
    bool Done = false;
    switch (Op) {
    case Operation::FlipHorizontal:
      Done = FlipPixelsHorizontal(Image);
      break;
    case Operation::FlipVertical:
      Done = FlipPixelsVertical(Image);
      break;
    case Operation::RotateLeft:
      Done = RotatePixels(Image, Turned, false);
      break;
    case Operation::RotateRight:
      Done = RotatePixels(Image, Turned, true);
      break;
    }
    if (!Done) {
      State.SkipWithError("operation failed");
      break;
    }
    benchmark::ClobberMemory();
  }
}

// Copying the photo's bytes once into memory that is already mapped, in
// bands of rows on Threads threads.
void Memcpy(benchmark::State &State, int32_t Threads)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const size_t Bytes = PhotoBytes();
  std::vector<uint8_t> To(Bytes, 0);
  for (auto _ : State) {
    CopyInBands(To.data(), Photo.Bits, Bytes, Photo.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Bytes));
}

#ifdef FACETTE_HAVE_OPENCV
// OpenCV on one thread: flips in place, turns into a destination it keeps
// between calls.
void OpenCV(benchmark::State &State, Operation Op)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  cv::Mat Image(Photo.Height, Photo.Width, CV_8UC3);
  cv::Mat(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits, static_cast<size_t>(Photo.Stride))
      .copyTo(Image);
  cv::Mat Out;
  UsePeerThreads(State, 1);
  auto Run = [&] {
    switch (Op) {
    case Operation::FlipHorizontal:
      cv::flip(Image, Image, 1);
      break;
    case Operation::FlipVertical:
      cv::flip(Image, Image, 0);
      break;
    case Operation::RotateLeft:
      cv::rotate(Image, Out, cv::ROTATE_90_COUNTERCLOCKWISE);
      break;
    case Operation::RotateRight:
      cv::rotate(Image, Out, cv::ROTATE_90_CLOCKWISE);
      break;
    }
  };
  Run();
  for (auto _ : State) {
    Run();
    benchmark::ClobberMemory();
  }
}
#define FACETTE_GEOMETRY_OPENCV(Kernel, Op)                                                        \
  BENCHMARK_CAPTURE(OpenCV, Kernel, Operation::Op)                                                 \
      ->Name(#Kernel "_1_thread/opencv")                                                           \
      ->Unit(benchmark::kMillisecond)                                                              \
      ->UseRealTime()
#else
#define FACETTE_GEOMETRY_OPENCV(Kernel, Op) static_assert(true)
#endif

#define FACETTE_GEOMETRY_BENCH(Kernel, Op)                                                         \
  BENCHMARK_CAPTURE(Facette, Kernel, Operation::Op, ComparisonThreads())                           \
      ->Name(#Kernel "/facette")                                                                   \
      ->Unit(benchmark::kMillisecond)                                                              \
      ->UseRealTime();                                                                             \
  BENCHMARK_CAPTURE(Memcpy, Kernel, ComparisonThreads())                                           \
      ->Name(#Kernel "/memcpy")                                                                    \
      ->Unit(benchmark::kMillisecond)                                                              \
      ->UseRealTime();                                                                             \
  BENCHMARK_CAPTURE(Facette, Kernel##_1, Operation::Op, 1)                                         \
      ->Name(#Kernel "_1_thread/facette")                                                          \
      ->Unit(benchmark::kMillisecond)                                                              \
      ->UseRealTime();                                                                             \
  BENCHMARK_CAPTURE(Memcpy, Kernel##_1, 1)                                                         \
      ->Name(#Kernel "_1_thread/memcpy")                                                           \
      ->Unit(benchmark::kMillisecond)                                                              \
      ->UseRealTime();                                                                             \
  FACETTE_GEOMETRY_OPENCV(Kernel, Op)

FACETTE_GEOMETRY_BENCH(flip_horizontal_24mp, FlipHorizontal);
FACETTE_GEOMETRY_BENCH(flip_vertical_24mp, FlipVertical);
FACETTE_GEOMETRY_BENCH(rotate_left_24mp, RotateLeft);
FACETTE_GEOMETRY_BENCH(rotate_right_24mp, RotateRight);

// The device bitmap's quarter turn: new memory, the turn, the old memory
// released.
void BitmapTurn(benchmark::State &State)
{
  TZrLTBitmap Bitmap;
  if (!Bitmap.Assign(Photo24MP())) {
    State.SkipWithError("out of memory");
    return;
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    if (!Bitmap.RotateLeft()) {
      State.SkipWithError("operation failed");
      break;
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BitmapTurn)
    ->Name("bitmap_rotate_left_24mp_new_memory/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Its floor: copying the image into memory freshly taken from the system,
// on as many threads.
void CopyToNewMemory(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const int32_t Threads = ComparisonThreads();
  for (auto _ : State) {
    TZrPixelBuffer Copy;
    if (!Copy.Allocate(pf24bit, Photo.GetBounds())) {
      State.SkipWithError("out of memory");
      break;
    }
    CopyInBands(Copy.Bits, Photo.Bits, PhotoBytes(), Photo.Height, Threads);
    benchmark::ClobberMemory();
  }
  ReportThreads(State, Threads);
}
BENCHMARK(CopyToNewMemory)
    ->Name("bitmap_rotate_left_24mp_new_memory/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace facette::bench
