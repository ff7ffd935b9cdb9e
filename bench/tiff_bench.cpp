// Decoding a 24-megapixel LZW TIFF stored in one strip and in strips of 64
// rows: one strip used to cost time growing with the square of the height,
// as every band of rows decoded the strip again from its start. libvips
// reads the same bytes as the peer, on one thread as we do. The first call
// of each (in a process of its own: libtiff and our code cold, the
// picture's memory fresh from the system, as a user opening a file meets
// it) is reported apart from the steady state.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"
#include "support/FreshProcess.h"
#include "support/TestImage.h"
#include "support/Threads.h"

#include <benchmark/benchmark.h>

#include <tiffio.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#ifdef FACETTE_HAVE_VIPS
#include <vips/vips.h>
#endif

namespace facette::bench {
namespace {

// The photo as an LZW TIFF (horizontal predictor) with RowsPerStrip rows in
// each strip; made once per layout.
const std::vector<uint8_t> &PhotoTIFF(uint32_t RowsPerStrip)
{
  static std::map<uint32_t, std::vector<uint8_t>> Files;
  std::vector<uint8_t> &Bytes = Files[RowsPerStrip];
  if (!Bytes.empty())
    return Bytes;
  const TZrPixelBuffer &Photo = Photo24MP();
  const auto Path = std::filesystem::temp_directory_path() /
                    ("facette-bench-" + std::to_string(::getpid()) + ".tif");
  if (TIFF *T = TIFFOpen(Path.c_str(), "w")) {
    TIFFSetField(T, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(Photo.Width));
    TIFFSetField(T, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(Photo.Height));
    TIFFSetField(T, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(T, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(T, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(T, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(T, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(T, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(T, TIFFTAG_ROWSPERSTRIP, RowsPerStrip);
    std::vector<uint8_t> Row(static_cast<size_t>(Photo.Width) * 3);
    bool Ok = true;
    for (int32_t Y = 0; Ok && Y < Photo.Height; ++Y) {
      const uint8_t *Source = Photo.Bits + static_cast<ptrdiff_t>(Y) * Photo.Stride;
      for (int32_t X = 0; X < Photo.Width; ++X) {
        Row[X * 3] = Source[X * 3 + 2];
        Row[X * 3 + 1] = Source[X * 3 + 1];
        Row[X * 3 + 2] = Source[X * 3];
      }
      Ok = TIFFWriteScanline(T, Row.data(), static_cast<uint32_t>(Y), 0) == 1;
    }
    TIFFClose(T);
    if (Ok)
      ReadFileBytes(Path, Bytes);
  }
  std::error_code Ignored;
  std::filesystem::remove(Path, Ignored);
  return Bytes;
}

void Facette(benchmark::State &State, uint32_t RowsPerStrip)
{
  const std::vector<uint8_t> &Bytes = PhotoTIFF(RowsPerStrip);
  // A failed decode is never timed: the first one is checked here, and the
  // bitmap it fills is dropped, so the timed calls take fresh memory too.
  {
    TZrLTBitmap Check;
    if (Bytes.empty() || !DecodeTIFF(Bytes.data(), Bytes.size(), Check) ||
        Check.GetWidth() != PhotoWidth) {
      State.SkipWithError("the TIFF file did not decode");
      return;
    }
  }
  const TOurThreads Ours(State);
  for (auto _ : State) {
    TZrLTBitmap Image;
    if (!DecodeTIFF(Bytes.data(), Bytes.size(), Image)) {
      State.SkipWithError("decoding failed");
      break;
    }
    benchmark::DoNotOptimize(Image.GetPixels()->Bits);
  }
}

// The first call of a process of its own. The file's bytes are made
// before, in this process; the picture is left to the child's end, so that
// freeing it is not counted.
void FacetteFirst(benchmark::State &State, uint32_t RowsPerStrip)
{
  const std::vector<uint8_t> &Bytes = PhotoTIFF(RowsPerStrip);
  if (Bytes.empty()) {
    State.SkipWithError("the TIFF file could not be made");
    return;
  }
  FirstCall(
      State, [] { return true; },
      [&] {
        auto *Image = new TZrLTBitmap;
        return DecodeTIFF(Bytes.data(), Bytes.size(), *Image) && Image->GetWidth() == PhotoWidth;
      });
}

// The number of first calls measured (each a process of its own).
constexpr int FirstCalls = 10;

BENCHMARK_CAPTURE(FacetteFirst, one_strip, 4000u)
    ->Name("tiff_lzw_one_strip_24mp_first_call/facette")
    ->Iterations(FirstCalls)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(FacetteFirst, strips, 64u)
    ->Name("tiff_lzw_64_row_strips_24mp_first_call/facette")
    ->Iterations(FirstCalls)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(Facette, one_strip, 4000u)
    ->Name("tiff_lzw_one_strip_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Facette, strips, 64u)
    ->Name("tiff_lzw_64_row_strips_24mp/facette")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

#ifdef FACETTE_HAVE_VIPS
void Vips(benchmark::State &State, uint32_t RowsPerStrip)
{
  static const bool Started = [] {
    if (VIPS_INIT("facette_bench") != 0)
      return false;
    vips_cache_set_max(0);
    return true;
  }();
  const std::vector<uint8_t> &Bytes = PhotoTIFF(RowsPerStrip);
  if (!Started || Bytes.empty()) {
    State.SkipWithError("libvips did not start");
    return;
  }
  // One thread, as our decoder uses.
  const int Threads = vips_concurrency_get();
  vips_concurrency_set(1);
  for (auto _ : State) {
    VipsImage *Image = nullptr;
    if (vips_tiffload_buffer(const_cast<uint8_t *>(Bytes.data()), Bytes.size(), &Image, "access",
                             VIPS_ACCESS_SEQUENTIAL, nullptr) != 0) {
      State.SkipWithError("vips_tiffload_buffer failed");
      break;
    }
    size_t Size = 0;
    void *Pixels = vips_image_write_to_memory(Image, &Size);
    g_object_unref(Image);
    if (!Pixels) {
      State.SkipWithError("vips could not decode the file");
      break;
    }
    benchmark::DoNotOptimize(Pixels);
    g_free(Pixels);
  }
  vips_concurrency_set(Threads);
  ReportThreads(State, 1);
}
BENCHMARK_CAPTURE(Vips, one_strip, 4000u)
    ->Name("tiff_lzw_one_strip_24mp/vips")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Vips, strips, 64u)
    ->Name("tiff_lzw_64_row_strips_24mp/vips")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

} // namespace
} // namespace facette::bench
