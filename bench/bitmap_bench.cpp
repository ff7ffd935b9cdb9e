// Whole-image geometry on the 24-megapixel photo: flips (in place) and
// quarter turns (into a second image), against copying the image's bytes
// once and against OpenCV. The quarter turns are timed twice: the kernel
// writing into memory that is already mapped, and the device bitmap's whole
// operation, which takes new memory for the turned image each time; its
// floor is copying the image into new memory.
#include "imaging/ZrGeometry.h"
#include "imaging/ZrLTBitmap.h"
#include "support/TestImage.h"

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

void Facette(benchmark::State &State, Operation Op)
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

// Copying the photo's bytes once into memory that is already mapped.
void Memcpy(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const size_t Bytes = static_cast<size_t>(Photo.Stride) * Photo.Height;
  std::vector<uint8_t> To(Bytes, 0);
  for (auto _ : State) {
    std::memcpy(To.data(), Photo.Bits, Bytes);
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(Bytes));
}

#define FACETTE_GEOMETRY_BENCH(Kernel, Op)                                                        \
  BENCHMARK_CAPTURE(Facette, Kernel, Operation::Op)                                               \
      ->Name(#Kernel "/facette")                                                                  \
      ->Unit(benchmark::kMillisecond)                                                             \
      ->UseRealTime();                                                                            \
  BENCHMARK(Memcpy)->Name(#Kernel "/memcpy")->Unit(benchmark::kMillisecond)->UseRealTime()

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

// Its floor: copying the image into memory freshly taken from the system.
void CopyToNewMemory(benchmark::State &State)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  for (auto _ : State) {
    TZrPixelBuffer Copy;
    if (!Copy.Allocate(pf24bit, Photo.GetBounds())) {
      State.SkipWithError("out of memory");
      break;
    }
    Copy.CopyFrom(Photo);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(CopyToNewMemory)
    ->Name("bitmap_rotate_left_24mp_new_memory/memcpy")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_OPENCV
// OpenCV writes into a destination it keeps between calls.
void OpenCV(benchmark::State &State, Operation Op)
{
  const TZrPixelBuffer &Photo = Photo24MP();
  const cv::Mat Source(Photo.Height, Photo.Width, CV_8UC3, Photo.Bits,
                       static_cast<size_t>(Photo.Stride));
  cv::Mat Out;
  auto Run = [&] {
    switch (Op) {
    case Operation::FlipHorizontal:
      cv::flip(Source, Out, 1);
      break;
    case Operation::FlipVertical:
      cv::flip(Source, Out, 0);
      break;
    case Operation::RotateLeft:
      cv::rotate(Source, Out, cv::ROTATE_90_COUNTERCLOCKWISE);
      break;
    case Operation::RotateRight:
      cv::rotate(Source, Out, cv::ROTATE_90_CLOCKWISE);
      break;
    }
  };
  Run();
  for (auto _ : State) {
    Run();
    benchmark::ClobberMemory();
  }
}
BENCHMARK_CAPTURE(OpenCV, flip_horizontal, Operation::FlipHorizontal)
    ->Name("flip_horizontal_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, flip_vertical, Operation::FlipVertical)
    ->Name("flip_vertical_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, rotate_left, Operation::RotateLeft)
    ->Name("rotate_left_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(OpenCV, rotate_right, Operation::RotateRight)
    ->Name("rotate_right_24mp/opencv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
