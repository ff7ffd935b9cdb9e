// JPEG through the TurboJPEG API, plus a small marker reader of our own for
// what TurboJPEG does not tell: resolution, the Exif segment, the coding
// process and the quantisation tables.
#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"
#include "imaging/ZrParallel.h"
#include "imaging/ZrResample.h"

#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

// The libjpeg API tells each warning apart, which TurboJPEG does not.
#include <jpeglib.h>
// After jpeglib.h, whose configuration decides which messages exist.
#include <jerror.h>

namespace facette {

namespace {

uint32_t BE16(const uint8_t *P)
{
  return (uint32_t{P[0]} << 8) | P[1];
}

struct TTJDeleter
{
  void operator()(void *Handle) const { tjDestroy(static_cast<tjhandle>(Handle)); }
};
using TTJHandle = std::unique_ptr<void, TTJDeleter>;

struct TTJBufferDeleter
{
  void operator()(unsigned char *Buffer) const { tjFree(Buffer); }
};

struct TMarkerScan
{
  TZrJPEGHeader Header;
  bool FrameFound = false;
};

bool ScanMarkers(const uint8_t *Data, size_t Size, TMarkerScan &Scan)
{
  if (!Data || Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8)
    return false;
  TZrJPEGHeader &H = Scan.Header;
  size_t Pos = 2;
  while (Pos + 1 < Size) {
    if (Data[Pos] != 0xFF) {
      // Stray bytes between segments: skip to the next marker as decoders do.
      ++Pos;
      continue;
    }
    while (Pos < Size && Data[Pos] == 0xFF)
      ++Pos;
    if (Pos >= Size)
      break;
    const uint8_t Marker = Data[Pos++];
    // FF 00 is no marker: stray bytes, passed over like the rest.
    if (Marker == 0x00 || Marker == 0xD8 || Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7))
      continue;
    if (Marker == 0xD9)
      break;
    if (Pos + 2 > Size)
      break;
    const size_t Length = BE16(Data + Pos);
    if (Length < 2 || Pos + Length > Size)
      break;
    const uint8_t *Seg = Data + Pos + 2;
    const size_t SegSize = Length - 2;
    if (Marker == 0xDA)
      return Scan.FrameFound;
    const bool IsFrame =
        Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
    if (IsFrame && !Scan.FrameFound) {
      if (SegSize < 6)
        return false;
      H.Precision = Seg[0];
      H.FrameMarker = Marker;
      H.Height = static_cast<int32_t>(BE16(Seg + 1));
      H.Width = static_cast<int32_t>(BE16(Seg + 3));
      const int Components = Seg[5];
      if (SegSize < 6 + 3 * static_cast<size_t>(Components) || Components == 0)
        return false;
      H.Progressive = Marker == 0xC2 || Marker == 0xC6 || Marker == 0xCA || Marker == 0xCE;
      H.Arithmetic = Marker >= 0xC9;
      H.CMYK = Components == 4;
      Scan.FrameFound = true;
    } else if (Marker == 0xE0 && SegSize >= 12 && std::memcmp(Seg, "JFIF\0", 5) == 0) {
      const int Units = Seg[7];
      const double X = BE16(Seg + 8), Y = BE16(Seg + 10);
      if ((Units == 1 || Units == 2) && X > 0 && Y > 0) {
        const double Factor = Units == 2 ? 2.54 : 1.0;
        H.HorizontalResolution = X * Factor;
        H.VerticalResolution = Y * Factor;
      }
    } else if (Marker == 0xE1 && SegSize >= 6 && std::memcmp(Seg, "Exif\0", 5) == 0) {
      H.HasExif = true;
    }
    Pos += Length;
  }
  return false; // no scan: nothing to decode
}

// Why a file of this form is not decoded here; empty when it is.
std::string UnsupportedReason(const TZrJPEGHeader &Header)
{
  const uint8_t Process = Header.FrameMarker & 0x0F;
  if (Process == 3 || Process == 7 || Process == 11 || Process == 15)
    return "lossless JPEG";
  if (Process == 5 || Process == 6 || Process == 13 || Process == 14)
    return "hierarchical JPEG";
  if (Header.Precision != 8)
    return std::to_string(Header.Precision) + "-bit JPEG";
  return {};
}

// The header as TurboJPEG reads it. Warnings there (stray bytes between
// segments, a segment shorter than its contents) are passed over by the
// decoder, so they are no reason to refuse the file.
bool ReadTJHeader(tjhandle Handle, const uint8_t *Data, size_t Size, int &Width, int &Height,
                  int &Subsampling, int &ColorSpace)
{
  return tjDecompressHeader3(Handle, Data, static_cast<unsigned long>(Size), &Width, &Height,
                             &Subsampling, &ColorSpace) == 0 ||
         tjGetErrorCode(Handle) == TJERR_WARNING;
}

// What a fatal TurboJPEG error means for the user: a form of JPEG the
// library does not read, or a damaged file.
bool TJFailed(tjhandle Handle, TZrDecodeInfo *Info)
{
  const std::string Message = tjGetErrorStr2(Handle);
  if (Message.find("Unsupported") != std::string::npos ||
      Message.find("subsampling") != std::string::npos)
    return DecodeFailed(Info, TZrImageProblem::Unsupported, Message);
  return DecodeFailed(Info, TZrImageProblem::Damaged);
}

bool PrepareDecode(tjhandle Handle, const uint8_t *Data, size_t Size, TZrJPEGHeader &Header,
                   int &ColorSpace, TZrDecodeInfo *Info)
{
  if (Size > std::numeric_limits<unsigned long>::max())
    return DecodeFailed(Info, TZrImageProblem::TooLarge);
  TMarkerScan Scan;
  if (!ScanMarkers(Data, Size, Scan))
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  Header = Scan.Header;
  if (std::string Reason = UnsupportedReason(Header); !Reason.empty())
    return DecodeFailed(Info, TZrImageProblem::Unsupported, std::move(Reason));
  // A small file claiming a huge picture is damaged; a huge picture that
  // is all there is too large.
  if (Header.Width <= 0 || Header.Height <= 0 || !JPEGSizePlausible(Header, Size))
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  if (!ImageSizeAllowed(Header.Width, Header.Height))
    return DecodeFailed(Info, TZrImageProblem::TooLarge);
  int Width = 0, Height = 0, Subsampling = 0;
  ColorSpace = 0;
  if (!ReadTJHeader(Handle, Data, Size, Width, Height, Subsampling, ColorSpace))
    return TJFailed(Handle, Info);
  if (Width != Header.Width || Height != Header.Height)
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  Header.Subsampling = Subsampling;
  return true;
}

// TurboJPEG reports warnings as failures with the warning code, and the
// decoder has then gone on to the end. Flaws it passes over leave the
// picture whole; missing or corrupt data leaves part of it grey, which is
// kept only where the caller asked for it, and marked as damaged.
bool DecodeSucceeded(tjhandle Handle, int Result, const uint8_t *Data, size_t Size,
                     TZrDecodeInfo *Info)
{
  if (Result == 0)
    return true;
  if (tjGetErrorCode(Handle) != TJERR_WARNING)
    return TJFailed(Handle, Info);
  switch (CheckJPEGData(Data, Size)) {
  case TZrJPEGIntegrity::Whole:
    return true;
  case TZrJPEGIntegrity::Partial:
    if (Info && Info->AcceptPartial) {
      Info->Problem = TZrImageProblem::Damaged;
      return true;
    }
    [[fallthrough]];
  default:
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  }
}

constexpr int DecodeFlags = TJFLAG_LIMITSCANS;

// Adobe CMYK as stored in JPEG files is inverted: 255 means no ink.
void CMYKToBGR(const uint8_t *Src, uint8_t *Dest, int32_t Width)
{
  for (int32_t X = 0; X < Width; ++X, Src += 4, Dest += 3) {
    const uint32_t K = Src[3];
    Dest[0] = static_cast<uint8_t>((Src[2] * K + 127) / 255);
    Dest[1] = static_cast<uint8_t>((Src[1] * K + 127) / 255);
    Dest[2] = static_cast<uint8_t>((Src[0] * K + 127) / 255);
  }
}

bool DecodeToWindow(tjhandle Handle, const uint8_t *Data, size_t Size, int ColorSpace,
                    const TZrPixels &Dest, int32_t Width, int32_t Height, int Flags,
                    TZrDecodeInfo *Info)
{
  if (ColorSpace == TJCS_CMYK || ColorSpace == TJCS_YCCK) {
    std::unique_ptr<uint8_t[]> Temp(new (std::nothrow)
                                        uint8_t[static_cast<size_t>(Width) * Height * 4]);
    if (!Temp)
      return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
    if (!DecodeSucceeded(Handle,
                         tjDecompress2(Handle, Data, static_cast<unsigned long>(Size), Temp.get(),
                                       Width, Width * 4, Height, TJPF_CMYK, Flags),
                         Data, Size, Info))
      return false;
    for (int32_t Y = 0; Y < Height; ++Y)
      CMYKToBGR(Temp.get() + static_cast<size_t>(Y) * Width * 4,
                Dest.Bits + static_cast<ptrdiff_t>(Y) * Dest.Stride, Width);
    return true;
  }
  return DecodeSucceeded(Handle,
                         tjDecompress2(Handle, Data, static_cast<unsigned long>(Size), Dest.Bits,
                                       Width, Dest.Stride, Height, TJPF_BGR, Flags),
                         Data, Size, Info);
}

// The libjpeg error manager of CheckJPEGData: fatal errors jump back,
// warnings are sorted.
struct TCheckErrors
{
  jpeg_error_mgr Base; // first, so that the library's pointer is ours
  std::jmp_buf Jump;
  bool Corrupt;
  bool ReadBefore; // part of the picture was read before the first corrupt spot
};

[[noreturn]] void CheckErrorExit(j_common_ptr Info)
{
  std::longjmp(reinterpret_cast<TCheckErrors *>(Info->err)->Jump, 1);
}

void CheckEmitMessage(j_common_ptr Info, int Level)
{
  if (Level >= 0)
    return; // tracing
  auto *Errors = reinterpret_cast<TCheckErrors *>(Info->err);
  switch (Info->err->msg_code) {
  case JWRN_HIT_MARKER:     // data ends early within a scan
  case JWRN_JPEG_EOF:       // the file ends early
  case JWRN_HUFF_BAD_CODE:  // corrupt data
  case JWRN_ARITH_BAD_CODE: // corrupt data
  case JWRN_MUST_RESYNC: {  // a restart interval lost
    if (!Errors->Corrupt) {
      const auto *Decompress = reinterpret_cast<j_decompress_ptr>(Info);
      Errors->ReadBefore = Decompress->input_scan_number > 1 || Decompress->input_iMCU_row > 0;
    }
    Errors->Corrupt = true;
    break;
  }
  default:
    // Stray bytes between segments, an unknown Adobe transform, a bad ICC
    // segment: the picture itself is whole.
    break;
  }
}

// The same limit as TJFLAG_LIMITSCANS: a crafted progressive file of
// thousands of tiny scans would otherwise take minutes.
void LimitScans(j_common_ptr Info)
{
  if (reinterpret_cast<j_decompress_ptr>(Info)->input_scan_number > 500)
    CheckErrorExit(Info);
}

// A libjpeg decoder whose fatal errors jump back to Errors.Jump, whose
// warnings are sorted into Errors, and which stops past 500 scans.
void CreateCheckedDecompress(jpeg_decompress_struct &Decompress, TCheckErrors &Errors,
                             jpeg_progress_mgr &Progress)
{
  Decompress.err = jpeg_std_error(&Errors.Base);
  Errors.Base.error_exit = CheckErrorExit;
  Errors.Base.emit_message = CheckEmitMessage;
  Progress.progress_monitor = LimitScans;
  jpeg_create_decompress(&Decompress);
  Decompress.progress = &Progress;
}

// The part of CheckJPEGData that may jump: nothing here has a destructor.
bool ReadThrough(jpeg_decompress_struct &Decompress, TCheckErrors &Errors, const uint8_t *Data,
                 size_t Size)
{
  if (setjmp(Errors.Jump))
    return false;
  jpeg_mem_src(&Decompress, Data, static_cast<unsigned long>(Size));
  if (jpeg_read_header(&Decompress, TRUE) != JPEG_HEADER_OK)
    return false;
  Decompress.scale_num = 1;
  Decompress.scale_denom = 8;
  Decompress.dct_method = JDCT_IFAST;
  Decompress.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&Decompress);
  const JDIMENSION RowSize = Decompress.output_width * Decompress.output_components;
  JSAMPARRAY Row = (*Decompress.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&Decompress),
                                                   JPOOL_IMAGE, RowSize, 1);
  while (Decompress.output_scanline < Decompress.output_height)
    jpeg_read_scanlines(&Decompress, Row, 1);
  jpeg_finish_decompress(&Decompress);
  return true;
}

} // namespace

bool ReadJPEGHeader(const uint8_t *Data, size_t Size, TZrJPEGHeader &Header)
{
  TMarkerScan Scan;
  if (!ScanMarkers(Data, Size, Scan))
    return false;
  Header = Scan.Header;
  TTJHandle Handle(tjInitDecompress());
  int Width = 0, Height = 0, Subsampling = 0, ColorSpace = 0;
  if (Handle && Size <= std::numeric_limits<unsigned long>::max() &&
      ReadTJHeader(Handle.get(), Data, Size, Width, Height, Subsampling, ColorSpace))
    Header.Subsampling = Subsampling;
  return Header.Width > 0 && Header.Height > 0;
}

bool JPEGSizePlausible(const TZrJPEGHeader &Header, size_t Size)
{
  const int64_t Blocks = ((int64_t{Header.Width} + 7) / 8) * ((int64_t{Header.Height} + 7) / 8);
  // Arithmetic coding can spend less than a bit on a flat block; allow it
  // one byte per 64 blocks instead.
  const int64_t MinBytes = Header.Arithmetic ? Blocks / 64 : Blocks / 8;
  return static_cast<int64_t>(Size) >= MinBytes;
}

TZrJPEGIntegrity CheckJPEGData(const uint8_t *Data, size_t Size)
{
  if (!Data || Size == 0 || Size > std::numeric_limits<unsigned long>::max())
    return TZrJPEGIntegrity::Broken;
  jpeg_decompress_struct Decompress{};
  TCheckErrors Errors{};
  jpeg_progress_mgr Progress{};
  CreateCheckedDecompress(Decompress, Errors, Progress);
  const bool Read = ReadThrough(Decompress, Errors, Data, Size);
  jpeg_destroy_decompress(&Decompress);
  if (!Read)
    return TZrJPEGIntegrity::Broken;
  if (!Errors.Corrupt)
    return TZrJPEGIntegrity::Whole;
  return Errors.ReadBefore ? TZrJPEGIntegrity::Partial : TZrJPEGIntegrity::Broken;
}

bool DecodeJPEG(const uint8_t *Data, size_t Size, TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle)
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  if (!PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace, Info))
    return false;
  if (!Image.SetSize(Header.Width, Header.Height, pf24bit))
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  if (!DecodeToWindow(Handle.get(), Data, Size, ColorSpace, *Image.GetPixels(), Header.Width,
                      Header.Height, DecodeFlags, Info)) {
    Image.Clear();
    return false;
  }
  if (Info) {
    Info->Width = Header.Width;
    Info->Height = Header.Height;
    Info->HorizontalResolution = Header.HorizontalResolution;
    Info->VerticalResolution = Header.VerticalResolution;
  }
  return true;
}

bool DecodeJPEGInto(const uint8_t *Data, size_t Size, const TZrPixels &Dest, TZrDecodeInfo *Info)
{
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle || !Dest.Bits || Dest.PixelFormat != pf24bit)
    return DecodeFailed(Info, TZrImageProblem::OutOfMemory);
  if (!PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace, Info))
    return false;
  if (Header.Width != Dest.Width || Header.Height != Dest.Height)
    return DecodeFailed(Info, TZrImageProblem::Damaged);
  return DecodeToWindow(Handle.get(), Data, Size, ColorSpace, Dest, Header.Width, Header.Height,
                        DecodeFlags, Info);
}

namespace {

// Where StreamRows puts the decoded rows: batches of up to BatchRows rows.
class TRowSink
{
public:
  static constexpr JDIMENSION BatchRows = 16;
  virtual ~TRowSink() = default;
  // Room for the next batch: BatchRows row pointers.
  virtual JSAMPROW *NextBatch() = 0;
  // The batch NextBatch gave holds Count decoded rows.
  virtual void BatchDone(JDIMENSION Count) = 0;
};

// The part of DecodeJPEGResampled that may jump: nothing here has a
// destructor. Decodes with the settings TurboJPEG decodes with (accurate
// integer transform, smooth upsampling), so that the pixels are the same.
bool StreamRows(jpeg_decompress_struct &Decompress, TCheckErrors &Errors, const uint8_t *Data,
                size_t Size, JDIMENSION Width, JDIMENSION Height, TRowSink &Sink)
{
  if (setjmp(Errors.Jump))
    return false;
  jpeg_mem_src(&Decompress, Data, static_cast<unsigned long>(Size));
  if (jpeg_read_header(&Decompress, TRUE) != JPEG_HEADER_OK)
    return false;
  Decompress.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&Decompress);
  // The rows are as wide as the header the caller read said.
  if (Decompress.output_width != Width || Decompress.output_height != Height ||
      Decompress.output_components != 3)
    return false;
  while (Decompress.output_scanline < Decompress.output_height) {
    JSAMPROW *Rows = Sink.NextBatch();
    Sink.BatchDone(jpeg_read_scanlines(&Decompress, Rows, TRowSink::BatchRows));
  }
  jpeg_finish_decompress(&Decompress);
  return true;
}

// Decodes into Sink with a checked libjpeg decoder. False on a fatal error;
// Corrupt tells whether the decoder warned of corrupt or missing data.
bool DecodeRowsInto(const uint8_t *Data, size_t Size, const TZrJPEGHeader &Header, TRowSink &Sink,
                    bool &Corrupt)
{
  jpeg_decompress_struct Decompress{};
  TCheckErrors Errors{};
  jpeg_progress_mgr Progress{};
  CreateCheckedDecompress(Decompress, Errors, Progress);
  const bool Read =
      StreamRows(Decompress, Errors, Data, Size, static_cast<JDIMENSION>(Header.Width),
                 static_cast<JDIMENSION>(Header.Height), Sink);
  jpeg_destroy_decompress(&Decompress);
  Corrupt = Errors.Corrupt;
  return Read;
}

// Rows laid out in batches of TRowSink::BatchRows.
struct TRowBatches
{
  std::vector<uint8_t> Buffer;
  std::vector<JSAMPROW> Rows;

  bool Allocate(int32_t Width, size_t Batches)
  {
    const size_t RowBytes = static_cast<size_t>(Width) * 3;
    const size_t Count = Batches * TRowSink::BatchRows;
    try {
      Buffer.resize(RowBytes * Count);
      Rows.resize(Count);
    } catch (const std::bad_alloc &) {
      return false;
    }
    for (size_t I = 0; I < Count; ++I)
      Rows[I] = Buffer.data() + I * RowBytes;
    return true;
  }
  JSAMPROW *Batch(size_t Index) { return Rows.data() + Index * TRowSink::BatchRows; }
};

// Resamples each batch as soon as it is decoded, on the decoding thread.
class TResampleHere final : public TRowSink
{
public:
  TResampleHere(TRowBatches &Batches, TZrRowResampler &Resampler)
      : Batches(Batches), Resampler(Resampler)
  {}
  JSAMPROW *NextBatch() override { return Batches.Batch(0); }
  void BatchDone(JDIMENSION Count) override
  {
    for (JDIMENSION I = 0; I < Count; ++I)
      Resampler.AddRow(Batches.Batch(0)[I]);
  }

private:
  TRowBatches &Batches;
  TZrRowResampler &Resampler;
};

// Hands the decoded batches to another thread through a ring of Slots
// batches: the decoder fills one while the other thread resamples the
// ones before it.
class TRowHandOver final : public TRowSink
{
public:
  static constexpr size_t Slots = 8;

  explicit TRowHandOver(TRowBatches &Batches) : Batches(Batches) {}

  JSAMPROW *NextBatch() override
  {
    std::unique_lock<std::mutex> Lock(Mutex);
    Changed.wait(Lock, [this] { return Filled - Taken < Slots; });
    return Batches.Batch(Filled % Slots);
  }
  void BatchDone(JDIMENSION Count) override
  {
    {
      std::lock_guard<std::mutex> Lock(Mutex);
      Counts[Filled % Slots] = Count;
      ++Filled;
    }
    Changed.notify_all();
  }
  // The decoder has stopped, finished or not.
  void Close()
  {
    {
      std::lock_guard<std::mutex> Lock(Mutex);
      Closed = true;
    }
    Changed.notify_all();
  }
  // Resamples batches as they come until the decoder stops.
  void Drain(TZrRowResampler &Resampler)
  {
    for (;;) {
      size_t Slot;
      JDIMENSION Count;
      {
        std::unique_lock<std::mutex> Lock(Mutex);
        Changed.wait(Lock, [this] { return Taken < Filled || Closed; });
        if (Taken == Filled)
          return;
        Slot = Taken % Slots;
        Count = Counts[Slot];
      }
      for (JDIMENSION I = 0; I < Count; ++I)
        Resampler.AddRow(Batches.Batch(Slot)[I]);
      {
        std::lock_guard<std::mutex> Lock(Mutex);
        ++Taken;
      }
      Changed.notify_all();
    }
  }

private:
  TRowBatches &Batches;
  std::mutex Mutex;
  std::condition_variable Changed;
  std::array<JDIMENSION, Slots> Counts{};
  size_t Filled = 0; // batches decoded so far
  size_t Taken = 0;  // batches resampled so far
  bool Closed = false;
};

// Decodes on a thread of its own while this one resamples. False when no
// thread could be started or the memory for the ring is not to be had;
// nothing has been decoded then.
bool DecodeBesideResampling(const uint8_t *Data, size_t Size, const TZrJPEGHeader &Header,
                            TZrRowResampler &Resampler, bool &Read, bool &Corrupt)
{
  TRowBatches Batches;
  if (!Batches.Allocate(Header.Width, TRowHandOver::Slots))
    return false;
  TRowHandOver HandOver(Batches);
  std::thread Decoder;
  try {
    Decoder = std::thread([&] {
      Read = DecodeRowsInto(Data, Size, Header, HandOver, Corrupt);
      HandOver.Close();
    });
  } catch (...) {
    return false;
  }
  NotePassThreads(2);
  HandOver.Drain(Resampler);
  Decoder.join();
  return true;
}

} // namespace

TZrRowDecode DecodeJPEGResampled(const uint8_t *Data, size_t Size, int32_t Width, int32_t Height,
                                 TZrLTBitmap &Image, TZrDecodeInfo *Info)
{
  Image.Clear();
  if ((Info && Info->AcceptPartial) || QuickDraftResampling)
    return TZrRowDecode::NotApplicable;
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle) {
    DecodeFailed(Info, TZrImageProblem::OutOfMemory);
    return TZrRowDecode::Failed;
  }
  if (!PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace, Info))
    return TZrRowDecode::Failed;
  if (ColorSpace == TJCS_CMYK || ColorSpace == TJCS_YCCK)
    return TZrRowDecode::NotApplicable;
  if (!Image.SetSize(Width, Height, pf24bit)) {
    DecodeFailed(Info, TZrImageProblem::OutOfMemory);
    return TZrRowDecode::Failed;
  }
  TZrRowResampler Resampler;
  if (!Resampler.Start(Header.Width, Header.Height, *Image.GetPixels(), TLanczosResampler())) {
    Image.Clear();
    return TZrRowDecode::NotApplicable;
  }
  // With a second core the decoder runs ahead of the resampler on a thread
  // of its own; otherwise each batch is resampled as soon as it is decoded.
  bool Read = false, Corrupt = false;
  if (WorkerCount() < 2 || !DecodeBesideResampling(Data, Size, Header, Resampler, Read, Corrupt)) {
    TRowBatches Batches;
    if (!Batches.Allocate(Header.Width, 1)) {
      Image.Clear();
      DecodeFailed(Info, TZrImageProblem::OutOfMemory);
      return TZrRowDecode::Failed;
    }
    TResampleHere Sink(Batches, Resampler);
    Read = DecodeRowsInto(Data, Size, Header, Sink, Corrupt);
  }
  // Corrupt or missing data is refused, as a whole decode refuses it.
  if (!Read || Corrupt || !Resampler.Finished()) {
    Image.Clear();
    DecodeFailed(Info, TZrImageProblem::Damaged);
    return TZrRowDecode::Failed;
  }
  if (Info) {
    Info->Width = Header.Width;
    Info->Height = Header.Height;
    Info->HorizontalResolution = Header.HorizontalResolution;
    Info->VerticalResolution = Header.VerticalResolution;
  }
  return TZrRowDecode::Done;
}

bool DecodeJPEGScaled(const uint8_t *Data, size_t Size, int32_t MinWidth, int32_t MinHeight,
                      TZrLTBitmap &Image)
{
  Image.Clear();
  TTJHandle Handle(tjInitDecompress());
  TZrJPEGHeader Header;
  int ColorSpace = 0;
  if (!Handle || !PrepareDecode(Handle.get(), Data, Size, Header, ColorSpace, nullptr))
    return false;
  int Count = 0;
  const tjscalingfactor *Factors = tjGetScalingFactors(&Count);
  int32_t Width = Header.Width, Height = Header.Height;
  for (int I = 0; Factors && I < Count; ++I) {
    if (Factors[I].num > Factors[I].denom)
      continue;
    const int32_t W = TJSCALED(Header.Width, Factors[I]);
    const int32_t H = TJSCALED(Header.Height, Factors[I]);
    if (W >= MinWidth && H >= MinHeight && W > 0 && H > 0 &&
        int64_t{W} * H < int64_t{Width} * Height) {
      Width = W;
      Height = H;
    }
  }
  if (!Image.SetSize(Width, Height, pf24bit))
    return false;
  TZrDecodeInfo Info;
  Info.AcceptPartial = true;
  if (!DecodeToWindow(Handle.get(), Data, Size, ColorSpace, *Image.GetPixels(), Width, Height,
                      DecodeFlags | TJFLAG_FASTDCT, &Info)) {
    Image.Clear();
    return false;
  }
  return true;
}

bool EncodeJPEG(const TZrPixels &Pixels, int32_t Quality, int32_t Subsampling,
                std::vector<uint8_t> &Out)
{
  Out.clear();
  if (!Pixels.Bits || Pixels.PixelFormat != pf24bit || Pixels.Width <= 0 || Pixels.Height <= 0 ||
      Pixels.Width > 65535 || Pixels.Height > 65535)
    return false;
  if (Subsampling < js444 || Subsampling > js411)
    Subsampling = js420;
  TTJHandle Handle(tjInitCompress());
  if (!Handle)
    return false;
  unsigned char *Buffer = nullptr;
  unsigned long Length = 0;
  const int Result =
      tjCompress2(Handle.get(), Pixels.Bits, Pixels.Width, Pixels.Stride, Pixels.Height, TJPF_BGR,
                  &Buffer, &Length, Subsampling, std::clamp(Quality, 1, 100), 0);
  std::unique_ptr<unsigned char, TTJBufferDeleter> Owned(Buffer);
  if (Result != 0 || !Buffer)
    return false;
  try {
    Out.assign(Buffer, Buffer + Length);
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

int32_t EstimateJPEGQuality(const uint8_t *Data, size_t Size)
{
  // The example luminance table of the JPEG standard in natural order, and
  // the zig-zag order in which tables are stored.
  static const uint16_t Standard[64] = {
      16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
      14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
      18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
      49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static const uint8_t ZigZag[64] = {
      0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
      41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
      30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  if (!Data || Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8)
    return -1;
  // Find the first table with identifier 0.
  uint32_t Table[64];
  bool Found = false;
  size_t Pos = 2;
  while (!Found && Pos + 4 <= Size) {
    if (Data[Pos] != 0xFF) {
      ++Pos;
      continue;
    }
    const uint8_t Marker = Data[Pos + 1];
    if (Marker == 0xFF) {
      ++Pos;
      continue;
    }
    if (Marker == 0x00 || Marker == 0xD8 || Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7)) {
      Pos += 2;
      continue;
    }
    if (Marker == 0xDA || Marker == 0xD9)
      break;
    const size_t Length = BE16(Data + Pos + 2);
    if (Length < 2 || Pos + 2 + Length > Size)
      break;
    if (Marker == 0xDB) {
      size_t T = Pos + 4;
      const size_t End = Pos + 2 + Length;
      while (T < End) {
        const int Precision = Data[T] >> 4, Id = Data[T] & 15;
        const size_t Bytes = Precision ? 128 : 64;
        if (T + 1 + Bytes > End)
          break;
        if (Id == 0) {
          for (int I = 0; I < 64; ++I)
            Table[I] = Precision ? BE16(Data + T + 1 + 2 * I) : Data[T + 1 + I];
          Found = true;
          break;
        }
        T += 1 + Bytes;
      }
    }
    Pos += 2 + Length;
  }
  if (!Found)
    return -1;
  int32_t Best = -1;
  uint64_t BestError = std::numeric_limits<uint64_t>::max();
  for (int32_t Quality = 1; Quality <= 100; ++Quality) {
    const uint32_t Scale = Quality < 50 ? 5000u / Quality : 200u - 2u * Quality;
    uint64_t Error = 0;
    for (int I = 0; I < 64; ++I) {
      const uint32_t Expected =
          std::clamp<uint32_t>((Standard[ZigZag[I]] * Scale + 50) / 100, 1, 255);
      Error += Expected > Table[I] ? Expected - Table[I] : Table[I] - Expected;
    }
    // Ties go to the higher quality: never estimate worse than the file.
    if (Error <= BestError) {
      BestError = Error;
      Best = Quality;
    }
  }
  return Best;
}

} // namespace facette
