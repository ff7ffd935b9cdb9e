#include "editor/ZrExchangeFile.h"

#include <cstring>

namespace facette {

namespace {

int32_t ReadInt32(const uint8_t *P)
{
  const uint32_t V =
      uint32_t{P[0]} | uint32_t{P[1]} << 8 | uint32_t{P[2]} << 16 | uint32_t{P[3]} << 24;
  return static_cast<int32_t>(V);
}

void WriteInt32(uint8_t *P, int32_t Value)
{
  const uint32_t V = static_cast<uint32_t>(Value);
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
  P[2] = static_cast<uint8_t>(V >> 16);
  P[3] = static_cast<uint8_t>(V >> 24);
}

} // namespace

uint64_t ExchangeRowsOffset(const TExchangeHeader &Header)
{
  return 4 + static_cast<uint64_t>(Header.HeaderSize);
}

uint64_t ExchangeFileSize(const TExchangeHeader &Header)
{
  return ExchangeRowsOffset(Header) +
         static_cast<uint64_t>(Header.Height) * static_cast<uint64_t>(Header.Stride);
}

TExchangeStatus CheckExchangeFile(const uint8_t *File, uint64_t Size, TExchangeHeader &Header,
                                  TExchangeTrailer *Trailer)
{
  Header = TExchangeHeader{};
  if (Trailer)
    *Trailer = TExchangeTrailer{};
  if (!File || Size < 4 || std::memcmp(File, ExchangeSignature, 4) != 0)
    return TExchangeStatus::NotExchange;
  if (Size < 12)
    return TExchangeStatus::BadHeaderSize;
  Header.HeaderSize = ReadInt32(File + 4);
  Header.ImageMode = ReadInt32(File + 8);
  if (Header.ImageMode != ExchangeModeRGB)
    return TExchangeStatus::NotRGB;
  if (Header.HeaderSize < ExchangeHeaderSize || ExchangeRowsOffset(Header) > Size)
    return TExchangeStatus::BadHeaderSize;
  Header.Left = ReadInt32(File + 12);
  Header.Top = ReadInt32(File + 16);
  Header.Width = ReadInt32(File + 20);
  Header.Height = ReadInt32(File + 24);
  Header.Stride = ReadInt32(File + 28);
  Header.PixelStep = ReadInt32(File + 32);
  if (Header.Width <= 0 || Header.Height <= 0 || Header.Width > ExchangeMaxSide ||
      Header.Height > ExchangeMaxSide)
    return TExchangeStatus::BadSize;
  if (Header.PixelStep < 3 || Header.PixelStep > ExchangeMaxPlanes)
    return TExchangeStatus::BadPixelStep;
  if (Header.Stride <= 0 || int64_t{Header.Stride} < int64_t{Header.Width} * Header.PixelStep)
    return TExchangeStatus::BadStride;
  // At most 36 + 65500 * 2^31 bytes: no overflow in 64 bits.
  const uint64_t RowsEnd = ExchangeFileSize(Header);
  if (RowsEnd > Size)
    return TExchangeStatus::Truncated;
  const uint64_t After = Size - RowsEnd;
  if (After > ExchangeTrailerThreshold &&
      std::memcmp(File + RowsEnd, ExchangeTrailerSignature, 4) == 0) {
    const int32_t Length = ReadInt32(File + RowsEnd + 4);
    if (Length < 0 || static_cast<uint64_t>(Length) > After - 8)
      return TExchangeStatus::BadTrailer;
    if (Trailer) {
      Trailer->Offset = RowsEnd + 8;
      Trailer->Length = static_cast<uint32_t>(Length);
    }
  }
  return TExchangeStatus::Ok;
}

const char *ExchangeStatusText(TExchangeStatus Status)
{
  switch (Status) {
  case TExchangeStatus::Ok:
    return "a valid exchange file";
  case TExchangeStatus::NotExchange:
    return "not an exchange file";
  case TExchangeStatus::NotRGB:
    return "the exchange file holds no RGB image";
  case TExchangeStatus::BadHeaderSize:
    return "the exchange file's header is damaged";
  case TExchangeStatus::BadSize:
    return "the exchange file's image size is invalid";
  case TExchangeStatus::BadPixelStep:
    return "the exchange file's pixel step is invalid";
  case TExchangeStatus::BadStride:
    return "the exchange file's row stride is shorter than a row";
  case TExchangeStatus::Truncated:
    return "the exchange file is shorter than its header says";
  case TExchangeStatus::BadTrailer:
    return "the exchange file's metadata runs past its end";
  }
  return "";
}

void WriteExchangeHeader(uint8_t *File, const TExchangeHeader &Header)
{
  std::memcpy(File, ExchangeSignature, 4);
  const int32_t Fields[8] = {Header.HeaderSize, Header.ImageMode, Header.Left,   Header.Top,
                             Header.Width,      Header.Height,    Header.Stride, Header.PixelStep};
  for (int I = 0; I < 8; ++I)
    WriteInt32(File + 4 + 4 * I, Fields[I]);
}

void ReadExchangeRows(const uint8_t *File, const TExchangeHeader &Header, uint8_t *Image,
                      ptrdiff_t Stride)
{
  const uint8_t *Row = File + ExchangeRowsOffset(Header);
  const ptrdiff_t Step = Header.PixelStep;
  for (int32_t Y = 0; Y < Header.Height; ++Y, Row += Header.Stride, Image += Stride) {
    const uint8_t *S = Row;
    uint8_t *D = Image;
    for (int32_t X = 0; X < Header.Width; ++X, S += Step, D += 3) {
      D[0] = S[2];
      D[1] = S[1];
      D[2] = S[0];
    }
  }
}

void WriteExchangeRows(const uint8_t *Image, ptrdiff_t Stride, const TExchangeHeader &Header,
                       uint8_t *File)
{
  uint8_t *Row = File + ExchangeRowsOffset(Header);
  for (int32_t Y = 0; Y < Header.Height; ++Y, Row += Header.Stride, Image += Stride) {
    const uint8_t *S = Image;
    uint8_t *D = Row;
    for (int32_t X = 0; X < Header.Width; ++X, S += 3, D += 3) {
      D[0] = S[2];
      D[1] = S[1];
      D[2] = S[0];
    }
    // The bytes after the last pixel are undefined; zero is what a reader
    // least expects to mean something.
    std::memset(D, 0, static_cast<size_t>(Header.Stride) - static_cast<size_t>(Header.Width) * 3);
  }
}

void WriteHostRows(const uint8_t *Host, const TExchangeHeader &Header, uint8_t *File)
{
  uint8_t *Row = File + ExchangeRowsOffset(Header);
  const size_t Length = static_cast<size_t>(Header.Width) * static_cast<size_t>(Header.PixelStep);
  for (int32_t Y = 0; Y < Header.Height; ++Y, Row += Header.Stride, Host += Header.Stride)
    std::memcpy(Row, Host, Length);
}

void ReadHostRows(const uint8_t *File, const TExchangeHeader &Edited, uint8_t *Host,
                  const TExchangeHeader &HostLayout)
{
  const uint8_t *Row = File + ExchangeRowsOffset(Edited);
  for (int32_t Y = 0; Y < HostLayout.Height; ++Y, Row += Edited.Stride, Host += HostLayout.Stride) {
    if (Edited.PixelStep == HostLayout.PixelStep) {
      std::memcpy(Host, Row,
                  static_cast<size_t>(HostLayout.Width) *
                      static_cast<size_t>(HostLayout.PixelStep));
      continue;
    }
    const uint8_t *From = Row;
    uint8_t *To = Host;
    for (int32_t X = 0; X < HostLayout.Width;
         ++X, From += Edited.PixelStep, To += HostLayout.PixelStep) {
      To[0] = From[0];
      To[1] = From[1];
      To[2] = From[2];
    }
  }
}

} // namespace facette
