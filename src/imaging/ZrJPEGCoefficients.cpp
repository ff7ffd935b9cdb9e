// libjpeg reports a failure by calling its error handler, which must not
// return; ours jumps back with longjmp. A jump skips the destructors of
// whatever lives in the frames it leaves, so every function that calls
// libjpeg under a setjmp below creates no C++ object of its own: what it
// needs (the libjpeg objects, their buffers, the maps of touched MCUs)
// lives in a TJob made beforehand, which cleans up in its destructor.
#include "imaging/ZrJPEGCoefficients.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <jpeglib.h>

namespace facette {

namespace {

struct TJpegError
{
  jpeg_error_mgr Manager; // first: libjpeg hands back a pointer to it
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr Info)
{
  auto *Error = reinterpret_cast<TJpegError *>(Info->err);
  (*Info->err->format_message)(Info, Error->Message);
  std::longjmp(Error->Jump, 1);
}

// Warnings (corrupt data libjpeg recovers from) are not printed.
void IgnoreMessage(j_common_ptr) {}

// Everything libjpeg works with during one read or write.
struct TJob
{
  TJpegError Error;
  jpeg_decompress_struct Reference;
  jpeg_compress_struct Writer;
  jpeg_compress_struct BandWriter;
  jpeg_decompress_struct BandReader;
  bool ReferenceMade = false, WriterMade = false, BandWriterMade = false, BandReaderMade = false;
  jvirt_barray_ptr *ReferenceBlocks = nullptr;
  unsigned char *Output = nullptr;
  unsigned long OutputSize = 0;
  unsigned char *Band = nullptr;
  unsigned long BandSize = 0;

  TJob()
  {
    std::memset(&Reference, 0, sizeof Reference);
    std::memset(&Writer, 0, sizeof Writer);
    std::memset(&BandWriter, 0, sizeof BandWriter);
    std::memset(&BandReader, 0, sizeof BandReader);
    jpeg_std_error(&Error.Manager);
    Error.Manager.error_exit = ErrorExit;
    Error.Manager.output_message = IgnoreMessage;
    Error.Message[0] = 0;
    Reference.err = Writer.err = BandWriter.err = BandReader.err = &Error.Manager;
  }
  ~TJob()
  {
    if (BandReaderMade)
      jpeg_destroy_decompress(&BandReader);
    if (BandWriterMade)
      jpeg_destroy_compress(&BandWriter);
    if (WriterMade)
      jpeg_destroy_compress(&Writer);
    if (ReferenceMade)
      jpeg_destroy_decompress(&Reference);
    std::free(Output);
    std::free(Band);
  }
  TJob(const TJob &) = delete;
  TJob &operator=(const TJob &) = delete;

  void Fail(std::string *Reason) const
  {
    if (Reason)
      *Reason = Error.Message[0] ? Error.Message : "libjpeg failed";
  }
};

void SetError(std::string *Error, const char *Text)
{
  if (Error)
    *Error = Text;
}

// Reads the file's header and all its blocks into Job.Reference.
bool ReadBlocks(TJob &Job, const uint8_t *Data, size_t Size)
{
  if (setjmp(Job.Error.Jump))
    return false;
  jpeg_create_decompress(&Job.Reference);
  Job.ReferenceMade = true;
  jpeg_mem_src(&Job.Reference, Data, static_cast<unsigned long>(Size));
  jpeg_read_header(&Job.Reference, TRUE);
  Job.ReferenceBlocks = jpeg_read_coefficients(&Job.Reference);
  return true;
}

// Copies the real blocks of every component into Out, whose vectors are
// already sized.
bool CopyBlocks(TJob &Job, TZrJPEGCoefficients &Out)
{
  if (setjmp(Job.Error.Jump))
    return false;
  jpeg_decompress_struct &R = Job.Reference;
  for (int C = 0; C < R.num_components; ++C) {
    TZrJPEGCoefficients::TComponent &Component = Out.Components[static_cast<size_t>(C)];
    for (int32_t Row = 0; Row < Component.BlocksDown; ++Row) {
      JBLOCKARRAY Blocks =
          (*R.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&R), Job.ReferenceBlocks[C],
                                       static_cast<JDIMENSION>(Row), 1, FALSE);
      for (int32_t Column = 0; Column < Component.BlocksAcross; ++Column) {
        int16_t *Into = Component.Blocks.data() +
                        (static_cast<size_t>(Row) * Component.BlocksAcross + Column) * 64;
        for (int K = 0; K < 64; ++K)
          Into[K] = static_cast<int16_t>(Blocks[0][Column][K]);
      }
    }
  }
  return true;
}

// What an MCU grid looks like: pixels per MCU and MCUs across and down.
struct TGrid
{
  int32_t McuWidth = 8, McuHeight = 8, Across = 0, Down = 0;
};

TGrid GridOf(const jpeg_decompress_struct &R)
{
  TGrid Grid;
  Grid.McuWidth = R.max_h_samp_factor * DCTSIZE;
  Grid.McuHeight = R.max_v_samp_factor * DCTSIZE;
  Grid.Across = (static_cast<int32_t>(R.image_width) + Grid.McuWidth - 1) / Grid.McuWidth;
  Grid.Down = (static_cast<int32_t>(R.image_height) + Grid.McuHeight - 1) / Grid.McuHeight;
  return Grid;
}

// Marks every MCU where Pixels and Baseline differ; counts them.
int64_t MarkTouched(const TZrPixels &Pixels, const TZrPixels &Baseline, const TGrid &Grid,
                    std::vector<uint8_t> &Touched)
{
  Touched.assign(static_cast<size_t>(Grid.Across) * static_cast<size_t>(Grid.Down), 0);
  int64_t Count = 0;
  for (int32_t Y = 0; Y < Pixels.Height; ++Y) {
    uint8_t *Mark = Touched.data() + static_cast<size_t>(Y / Grid.McuHeight) * Grid.Across;
    const uint8_t *P = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
    const uint8_t *B = Baseline.Bits + static_cast<ptrdiff_t>(Y) * Baseline.Stride;
    for (int32_t Mcu = 0; Mcu < Grid.Across; ++Mcu) {
      if (Mark[Mcu])
        continue;
      const int32_t X0 = Mcu * Grid.McuWidth;
      const int32_t X1 = std::min(X0 + Grid.McuWidth, Pixels.Width);
      const size_t Offset = static_cast<size_t>(X0) * 3, Bytes = static_cast<size_t>(X1 - X0) * 3;
      if (std::memcmp(P + Offset, B + Offset, Bytes) != 0) {
        Mark[Mcu] = 1;
        ++Count;
      }
    }
  }
  return Count;
}

// Whether the touched MCUs hold only grey pixels (a greyscale file can
// keep nothing else).
bool TouchedAreGrey(const TZrPixels &Pixels, const TGrid &Grid, const std::vector<uint8_t> &Touched)
{
  for (int32_t Y = 0; Y < Pixels.Height; ++Y) {
    const uint8_t *Mark = Touched.data() + static_cast<size_t>(Y / Grid.McuHeight) * Grid.Across;
    const uint8_t *P = Pixels.Bits + static_cast<ptrdiff_t>(Y) * Pixels.Stride;
    for (int32_t X = 0; X < Pixels.Width; ++X, P += 3)
      if (Mark[X / Grid.McuWidth] && (P[0] != P[1] || P[1] != P[2]))
        return false;
  }
  return true;
}

// Codes the MCU rows Row0 .. Row1 - 1, columns Column0 .. Column1 - 1 of
// Pixels as a small JPEG file with the reference's tables (the band starts
// on the MCU grid, so its blocks line up with the image's) and puts the
// blocks of its touched MCUs into the reference's blocks. GreyRow holds a
// row of the band for a greyscale file.
void CodeBand(TJob &Job, const TZrPixels &Pixels, const TGrid &Grid, const uint8_t *Touched,
              int32_t Row0, int32_t Row1, int32_t Column0, int32_t Column1, uint8_t *GreyRow)
{
  jpeg_decompress_struct &R = Job.Reference;
  const bool Grey = R.num_components == 1;
  const int32_t X0 = Column0 * Grid.McuWidth, Y0 = Row0 * Grid.McuHeight;
  const int32_t X1 = std::min(Column1 * Grid.McuWidth, Pixels.Width);
  const int32_t Y1 = std::min(Row1 * Grid.McuHeight, Pixels.Height);

  jpeg_compress_struct &W = Job.BandWriter;
  if (!Job.BandWriterMade) {
    jpeg_create_compress(&W);
    Job.BandWriterMade = true;
  }
  // A buffer of an earlier band is let go first: libjpeg would grow it
  // without freeing it.
  std::free(Job.Band);
  Job.Band = nullptr;
  Job.BandSize = 0;
  jpeg_mem_dest(&W, &Job.Band, &Job.BandSize);
  jpeg_copy_critical_parameters(&R, &W);
  W.image_width = static_cast<JDIMENSION>(X1 - X0);
  W.image_height = static_cast<JDIMENSION>(Y1 - Y0);
  W.input_components = Grey ? 1 : 3;
  W.in_color_space = Grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  W.dct_method = JDCT_ISLOW;
  jpeg_start_compress(&W, TRUE);
  while (W.next_scanline < W.image_height) {
    const uint8_t *Source =
        Pixels.Bits +
        static_cast<ptrdiff_t>(Y0 + static_cast<int32_t>(W.next_scanline)) * Pixels.Stride +
        static_cast<ptrdiff_t>(X0) * 3;
    JSAMPROW Row;
    if (Grey) {
      for (int32_t X = 0; X < X1 - X0; ++X)
        GreyRow[X] = Source[X * 3];
      Row = GreyRow;
    } else {
      Row = const_cast<JSAMPROW>(Source);
    }
    jpeg_write_scanlines(&W, &Row, 1);
  }
  jpeg_finish_compress(&W);

  jpeg_decompress_struct &B = Job.BandReader;
  if (!Job.BandReaderMade) {
    jpeg_create_decompress(&B);
    Job.BandReaderMade = true;
  }
  jpeg_mem_src(&B, Job.Band, Job.BandSize);
  jpeg_read_header(&B, TRUE);
  jvirt_barray_ptr *BandBlocks = jpeg_read_coefficients(&B);
  for (int C = 0; C < R.num_components; ++C) {
    const int32_t H = R.comp_info[C].h_samp_factor, V = R.comp_info[C].v_samp_factor;
    for (int32_t McuRow = Row0; McuRow < Row1; ++McuRow) {
      const uint8_t *Mark = Touched + static_cast<size_t>(McuRow) * Grid.Across;
      for (int32_t By = 0; By < V; ++By) {
        JBLOCKARRAY From = (*B.mem->access_virt_barray)(
            reinterpret_cast<j_common_ptr>(&B), BandBlocks[C],
            static_cast<JDIMENSION>((McuRow - Row0) * V + By), 1, FALSE);
        JBLOCKARRAY Into =
            (*R.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&R), Job.ReferenceBlocks[C],
                                         static_cast<JDIMENSION>(McuRow * V + By), 1, TRUE);
        for (int32_t Column = Column0; Column < Column1; ++Column)
          if (Mark[Column])
            std::memcpy(Into[0] + static_cast<ptrdiff_t>(Column) * H,
                        From[0] + static_cast<ptrdiff_t>(Column - Column0) * H,
                        sizeof(JBLOCK) * static_cast<size_t>(H));
      }
    }
  }
  jpeg_finish_decompress(&B);
}

// Codes the touched MCUs anew (one band per run of MCU rows that have
// any) and writes the whole file from the blocks.
bool Rewrite(TJob &Job, const TZrPixels &Pixels, const TGrid &Grid, const uint8_t *Touched,
             uint8_t *GreyRow)
{
  if (setjmp(Job.Error.Jump))
    return false;
  int32_t Row = 0;
  while (Row < Grid.Down) {
    // The next run of MCU rows with touched MCUs, and the columns they
    // span together.
    int32_t Column0 = Grid.Across, Column1 = 0, Row1 = Row;
    for (; Row1 < Grid.Down; ++Row1) {
      const uint8_t *Mark = Touched + static_cast<size_t>(Row1) * Grid.Across;
      int32_t First = 0;
      while (First < Grid.Across && !Mark[First])
        ++First;
      if (First == Grid.Across)
        break;
      int32_t Last = Grid.Across - 1;
      while (!Mark[Last])
        --Last;
      Column0 = std::min(Column0, First);
      Column1 = std::max(Column1, Last + 1);
    }
    if (Row1 == Row) {
      ++Row;
      continue;
    }
    CodeBand(Job, Pixels, Grid, Touched, Row, Row1, Column0, Column1, GreyRow);
    Row = Row1;
  }

  jpeg_compress_struct &W = Job.Writer;
  jpeg_create_compress(&W);
  Job.WriterMade = true;
  jpeg_mem_dest(&W, &Job.Output, &Job.OutputSize);
  jpeg_copy_critical_parameters(&Job.Reference, &W);
  W.optimize_coding = TRUE;
  if (Job.Reference.progressive_mode)
    jpeg_simple_progression(&W);
  jpeg_write_coefficients(&W, Job.ReferenceBlocks);
  jpeg_finish_compress(&W);
  jpeg_finish_decompress(&Job.Reference);
  return true;
}

} // namespace

bool TZrJPEGCoefficients::SameMcu(const TZrJPEGCoefficients &Other, int32_t McuX,
                                  int32_t McuY) const
{
  if (Other.Components.size() != Components.size())
    return false;
  for (size_t C = 0; C < Components.size(); ++C) {
    const TComponent &A = Components[C], &B = Other.Components[C];
    if (A.BlocksAcross != B.BlocksAcross || A.BlocksDown != B.BlocksDown)
      return false;
    const int32_t X1 = std::min((McuX + 1) * A.HorizontalSampling, A.BlocksAcross);
    const int32_t Y1 = std::min((McuY + 1) * A.VerticalSampling, A.BlocksDown);
    for (int32_t Y = McuY * A.VerticalSampling; Y < Y1; ++Y)
      for (int32_t X = McuX * A.HorizontalSampling; X < X1; ++X)
        if (std::memcmp(A.Block(X, Y), B.Block(X, Y), 64 * sizeof(int16_t)) != 0)
          return false;
  }
  return true;
}

bool ReadJPEGCoefficients(const uint8_t *Data, size_t Size, TZrJPEGCoefficients &Out,
                          std::string *Error)
{
  Out = TZrJPEGCoefficients();
  if (!Data || Size < 4) {
    SetError(Error, "not a JPEG file");
    return false;
  }
  TJob Job;
  if (!ReadBlocks(Job, Data, Size)) {
    Job.Fail(Error);
    return false;
  }
  const jpeg_decompress_struct &R = Job.Reference;
  const TGrid Grid = GridOf(R);
  Out.Width = static_cast<int32_t>(R.image_width);
  Out.Height = static_cast<int32_t>(R.image_height);
  Out.McuWidth = Grid.McuWidth;
  Out.McuHeight = Grid.McuHeight;
  Out.Progressive = R.progressive_mode != 0;
  try {
    for (int C = 0; C < R.num_components; ++C) {
      const jpeg_component_info &Info = R.comp_info[C];
      TZrJPEGCoefficients::TComponent Component;
      Component.HorizontalSampling = Info.h_samp_factor;
      Component.VerticalSampling = Info.v_samp_factor;
      Component.BlocksAcross = static_cast<int32_t>(Info.width_in_blocks);
      Component.BlocksDown = static_cast<int32_t>(Info.height_in_blocks);
      Component.Blocks.resize(static_cast<size_t>(Component.BlocksAcross) *
                              static_cast<size_t>(Component.BlocksDown) * 64);
      Out.Components.push_back(std::move(Component));
      std::vector<uint16_t> Table(64, 0);
      if (const JQUANT_TBL *Quant = Info.quant_table)
        for (int K = 0; K < 64; ++K)
          Table[static_cast<size_t>(K)] = Quant->quantval[K];
      Out.Tables.push_back(std::move(Table));
    }
  } catch (const std::bad_alloc &) {
    SetError(Error, "out of memory");
    return false;
  }
  if (!CopyBlocks(Job, Out)) {
    Job.Fail(Error);
    return false;
  }
  return true;
}

bool WriteJPEGKeepingBlocks(const uint8_t *Reference, size_t Size, const TZrPixels &Pixels,
                            const TZrPixels &Baseline, std::vector<uint8_t> &Out,
                            TZrBlockWriteStats *Stats, std::string *Error)
{
  Out.clear();
  if (Stats)
    *Stats = TZrBlockWriteStats();
  if (!Reference || Size < 4 || !Pixels.Bits || !Baseline.Bits || Pixels.PixelFormat != pf24bit ||
      Baseline.PixelFormat != pf24bit || Pixels.Width != Baseline.Width ||
      Pixels.Height != Baseline.Height) {
    SetError(Error, "nothing to write");
    return false;
  }
  TJob Job;
  if (!ReadBlocks(Job, Reference, Size)) {
    Job.Fail(Error);
    return false;
  }
  const jpeg_decompress_struct &R = Job.Reference;
  const bool Colour =
      R.num_components == 3 && (R.jpeg_color_space == JCS_YCbCr || R.jpeg_color_space == JCS_RGB);
  const bool Grey = R.num_components == 1 && R.jpeg_color_space == JCS_GRAYSCALE;
  if (!(Colour || Grey) || R.data_precision != 8) {
    SetError(Error, "the file's colour space or precision cannot be kept");
    return false;
  }
  if (static_cast<int32_t>(R.image_width) != Pixels.Width ||
      static_cast<int32_t>(R.image_height) != Pixels.Height) {
    SetError(Error, "the image has another size than the file");
    return false;
  }
  const TGrid Grid = GridOf(R);
  std::vector<uint8_t> Touched, GreyRow;
  try {
    const int64_t Coded = MarkTouched(Pixels, Baseline, Grid, Touched);
    if (Stats) {
      Stats->Mcus = static_cast<int64_t>(Grid.Across) * Grid.Down;
      Stats->McusCoded = Coded;
    }
    if (Grey) {
      if (!TouchedAreGrey(Pixels, Grid, Touched)) {
        SetError(Error, "colour was painted into a greyscale photo");
        return false;
      }
      GreyRow.resize(static_cast<size_t>(Pixels.Width));
    }
  } catch (const std::bad_alloc &) {
    SetError(Error, "out of memory");
    return false;
  }
  if (!Rewrite(Job, Pixels, Grid, Touched.data(), GreyRow.data())) {
    Job.Fail(Error);
    return false;
  }
  try {
    Out.assign(Job.Output, Job.Output + Job.OutputSize);
  } catch (const std::bad_alloc &) {
    SetError(Error, "out of memory");
    return false;
  }
  return true;
}

} // namespace facette
