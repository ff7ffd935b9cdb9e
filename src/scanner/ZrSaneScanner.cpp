#include "scanner/ZrSaneScanner.h"

#include "imaging/ZrImageCodecs.h"
#include "imaging/ZrImageFile.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cmath>
#include <cstring>

namespace facette {

namespace {

std::string StatusText(SANE_Status Status)
{
  const char *Text = sane_strstatus(Status);
  return Text ? Text : "unknown error";
}

// 0..255 of one sample of a frame: line art is 1 bit, black where set.
uint8_t Sample(const uint8_t *Line, int32_t Depth, int64_t Index)
{
  switch (Depth) {
  case 1:
    return (Line[Index >> 3] & (0x80 >> (Index & 7))) ? 0 : 255;
  case 16: {
    uint16_t Value;
    std::memcpy(&Value, Line + Index * 2, 2);
    return static_cast<uint8_t>(Value >> 8);
  }
  default:
    return Line[Index];
  }
}

int64_t BytesNeeded(int32_t Depth, int64_t Samples)
{
  return Depth == 1 ? (Samples + 7) / 8 : Samples * (Depth / 8);
}

bool FrameUsable(const TZrScanFrame &Frame, int32_t SamplesPerPixel)
{
  return (Frame.Depth == 1 || Frame.Depth == 8 || Frame.Depth == 16) && Frame.PixelsPerLine > 0 &&
         Frame.BytesPerLine >=
             BytesNeeded(Frame.Depth, int64_t{Frame.PixelsPerLine} * SamplesPerPixel) &&
         !(Frame.Depth == 1 && SamplesPerPixel != 1);
}

int64_t FrameLines(const TZrScanFrame &Frame)
{
  return static_cast<int64_t>(Frame.Data.size()) / Frame.BytesPerLine;
}

// The resolution option in dots per inch (integer or fixed-point).
int32_t ReadResolution(SANE_Handle Handle)
{
  for (SANE_Int Option = 1;; ++Option) {
    const SANE_Option_Descriptor *D = sane_get_option_descriptor(Handle, Option);
    if (!D)
      return 0;
    if (!D->name || std::strcmp(D->name, SANE_NAME_SCAN_RESOLUTION) != 0 ||
        D->size < static_cast<SANE_Int>(sizeof(SANE_Word)) || !SANE_OPTION_IS_ACTIVE(D->cap))
      continue;
    SANE_Word Value = 0;
    if (sane_control_option(Handle, Option, SANE_ACTION_GET_VALUE, &Value, nullptr) !=
        SANE_STATUS_GOOD)
      return 0;
    if (D->type == SANE_TYPE_FIXED)
      return static_cast<int32_t>(std::nearbyint(SANE_UNFIX(Value)));
    if (D->type == SANE_TYPE_INT)
      return Value;
    return 0;
  }
}

} // namespace

std::string TZrScanSource::DisplayName() const
{
  std::string Text = Vendor;
  if (!Model.empty())
    Text += (Text.empty() ? "" : " ") + Model;
  return Text.empty() ? Name : Text;
}

bool ScanFramesToImage(const std::vector<TZrScanFrame> &Frames, TZrPixelBuffer &Image)
{
  Image.Clear();
  if (Frames.empty())
    return false;
  const bool Single = Frames.size() == 1;
  if (Single && Frames[0].Format != sfGray && Frames[0].Format != sfRGB)
    return false;
  // Three-pass scans send one frame per colour; any order, each once.
  const TZrScanFrame *Planes[3] = {nullptr, nullptr, nullptr}; // red, green, blue
  if (!Single) {
    if (Frames.size() != 3)
      return false;
    for (const TZrScanFrame &Frame : Frames) {
      if (Frame.Format < sfRed || Frame.Format > sfBlue || Planes[Frame.Format - sfRed])
        return false;
      Planes[Frame.Format - sfRed] = &Frame;
    }
  }
  const TZrScanFrame &First = Frames[0];
  const int32_t SamplesPerPixel = Single && First.Format == sfRGB ? 3 : 1;
  int64_t Lines = FrameLines(First);
  for (const TZrScanFrame &Frame : Frames) {
    if (!FrameUsable(Frame, SamplesPerPixel) || Frame.PixelsPerLine != First.PixelsPerLine ||
        Frame.Depth != First.Depth)
      return false;
    Lines = std::min(Lines, FrameLines(Frame));
  }
  const int32_t Width = First.PixelsPerLine;
  if (Lines <= 0 || !ImageSizeAllowed(Width, Lines))
    return false;
  if (!Image.Allocate(pf24bit, MakeRect(0, 0, Width, static_cast<int32_t>(Lines))))
    return false;

  for (int32_t Y = 0; Y < Image.Height; ++Y) {
    uint8_t *Out = Image.PixelPtr(0, Y);
    for (int32_t X = 0; X < Width; ++X, Out += 3) {
      uint8_t R, G, B;
      if (!Single) {
        const auto Plane = [&](int I) {
          return Sample(Planes[I]->Data.data() + static_cast<int64_t>(Y) * Planes[I]->BytesPerLine,
                        First.Depth, X);
        };
        R = Plane(0);
        G = Plane(1);
        B = Plane(2);
      } else {
        const uint8_t *Line = First.Data.data() + static_cast<int64_t>(Y) * First.BytesPerLine;
        if (SamplesPerPixel == 3) {
          R = Sample(Line, First.Depth, int64_t{X} * 3);
          G = Sample(Line, First.Depth, int64_t{X} * 3 + 1);
          B = Sample(Line, First.Depth, int64_t{X} * 3 + 2);
        } else {
          R = G = B = Sample(Line, First.Depth, X);
        }
      }
      Out[0] = B;
      Out[1] = G;
      Out[2] = R;
    }
  }
  return true;
}

TZrSaneSession::~TZrSaneSession()
{
  if (Started)
    sane_exit();
}

bool TZrSaneSession::Start(std::string &Error)
{
  if (Started)
    return true;
  SANE_Int Version = 0;
  const SANE_Status Status = sane_init(&Version, nullptr);
  if (Status != SANE_STATUS_GOOD) {
    Error = StatusText(Status);
    return false;
  }
  Started = true;
  return true;
}

std::vector<TZrScanSource> TZrSaneSession::ListSources(std::string &Error)
{
  std::vector<TZrScanSource> Sources;
  if (!Start(Error))
    return Sources;
  const SANE_Device **Devices = nullptr;
  const SANE_Status Status = sane_get_devices(&Devices, SANE_FALSE);
  if (Status != SANE_STATUS_GOOD) {
    Error = StatusText(Status);
    return Sources;
  }
  for (int I = 0; Devices && Devices[I]; ++I) {
    const SANE_Device &D = *Devices[I];
    Sources.push_back(TZrScanSource{D.name ? D.name : "", D.vendor ? D.vendor : "",
                                    D.model ? D.model : "", D.type ? D.type : ""});
  }
  return Sources;
}

bool TZrSaneSession::Acquire(const std::string &SourceName, TZrPixelBuffer &Image, int32_t &Dpi,
                             std::string &Error, const std::function<void(double)> &Progress,
                             const std::atomic<bool> *Cancel, bool *Cancelled)
{
  Dpi = 0;
  if (Cancelled)
    *Cancelled = false;
  if (!Start(Error))
    return false;
  SANE_Handle Handle = nullptr;
  SANE_Status Status = sane_open(SourceName.c_str(), &Handle);
  if (Status != SANE_STATUS_GOOD) {
    Error = StatusText(Status);
    return false;
  }
  Dpi = ReadResolution(Handle);

  std::vector<TZrScanFrame> Frames;
  std::vector<SANE_Byte> Buffer(256 * 1024);
  bool Ok = true;
  SANE_Parameters P{};
  do {
    Status = sane_start(Handle);
    if (Status == SANE_STATUS_GOOD)
      Status = sane_get_parameters(Handle, &P);
    if (Status != SANE_STATUS_GOOD || P.bytes_per_line <= 0 || P.pixels_per_line <= 0) {
      Error = Status != SANE_STATUS_GOOD ? StatusText(Status) : "the scanner sent no image";
      Ok = false;
      break;
    }
    TZrScanFrame Frame;
    Frame.Format = P.format;
    Frame.Depth = P.depth;
    Frame.BytesPerLine = P.bytes_per_line;
    Frame.PixelsPerLine = P.pixels_per_line;
    // A scanner that does not know its length (a hand scanner) stops at the
    // tallest image the program can hold.
    const int64_t MaxLines = P.lines > 0 ? P.lines : MaxImageSide;
    const int64_t MaxBytes = MaxLines * P.bytes_per_line;
    if (P.lines > 0 && !ImageSizeAllowed(P.pixels_per_line, P.lines)) {
      Error = "the scan would be too large to open";
      Ok = false;
      break;
    }
    for (;;) {
      if (Cancel && Cancel->load()) {
        if (Cancelled)
          *Cancelled = true;
        Error = StatusText(SANE_STATUS_CANCELLED);
        Ok = false;
        break;
      }
      SANE_Int Length = 0;
      Status = sane_read(Handle, Buffer.data(), static_cast<SANE_Int>(Buffer.size()), &Length);
      if (Status != SANE_STATUS_GOOD)
        break;
      const int64_t Room = MaxBytes - static_cast<int64_t>(Frame.Data.size());
      Frame.Data.insert(Frame.Data.end(), Buffer.data(),
                        Buffer.data() + std::min<int64_t>(Length, std::max<int64_t>(Room, 0)));
      if (Progress && P.lines > 0) {
        const double FrameShare = P.format >= SANE_FRAME_RED ? 1.0 / 3 : 1.0;
        const double Done = static_cast<double>(Frame.Data.size()) / MaxBytes;
        Progress((Frames.size() + Done) * FrameShare);
      }
      if (static_cast<int64_t>(Frame.Data.size()) >= MaxBytes && P.lines <= 0)
        break;
    }
    if (!Ok)
      break;
    if (Status != SANE_STATUS_EOF && Status != SANE_STATUS_GOOD) {
      if (Cancelled && Status == SANE_STATUS_CANCELLED)
        *Cancelled = true;
      Error = StatusText(Status);
      Ok = false;
      break;
    }
    Frame.Data.resize(Frame.Data.size() - Frame.Data.size() % P.bytes_per_line);
    Frames.push_back(std::move(Frame));
  } while (!P.last_frame && Frames.size() < 3);
  sane_cancel(Handle);
  sane_close(Handle);
  if (!Ok)
    return false;
  if (!ScanFramesToImage(Frames, Image)) {
    Error = "the scanner sent an image the program cannot read";
    return false;
  }
  return true;
}

bool EncodeScanBMP(const TZrPixels &Image, int32_t Dpi, std::vector<uint8_t> &Bytes)
{
  if (!EncodeBMP(Image, Bytes))
    return false;
  // The information header's pixels per metre follow its size, width,
  // height, planes, bit count, compression and image size (offset 14 + 24).
  constexpr size_t ResolutionOffset = 14 + 24;
  if (Dpi > 0 && Bytes.size() >= ResolutionOffset + 8) {
    const int32_t PerMetre = static_cast<int32_t>(std::nearbyint(Dpi / 0.0254));
    for (int I = 0; I < 2; ++I)
      for (int B = 0; B < 4; ++B)
        Bytes[ResolutionOffset + 4 * I + B] = static_cast<uint8_t>(PerMetre >> (8 * B));
  }
  return true;
}

} // namespace facette
