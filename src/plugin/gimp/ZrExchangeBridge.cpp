#include "ZrExchangeBridge.h"

#include "editor/ZrExchangeFile.h"
#include "editor/ZrFileMapping.h"

using namespace facette;

namespace {

TExchangeHeader HostLayout(int Left, int Top, int Width, int Height, int Planes, int RowBytes)
{
  TExchangeHeader Header;
  Header.Left = Left;
  Header.Top = Top;
  Header.Width = Width;
  Header.Height = Height;
  Header.Stride = RowBytes;
  Header.PixelStep = Planes;
  return Header;
}

} // namespace

extern "C" int facette_exchange_write(const char *file_name, int left, int top, int width,
                                      int height, int planes, const unsigned char *pixels,
                                      int row_bytes)
{
  const TExchangeHeader Header = HostLayout(left, top, width, height, planes, row_bytes);
  if (width <= 0 || height <= 0 || planes < 3 || row_bytes < width * planes)
    return FACETTE_EXCHANGE_FAILED;
  TFileMapping File(file_name);
  uint8_t *View = File.IsOpen() && File.SetSize(ExchangeFileSize(Header))
                      ? File.MapView(0, 0, TMapAccess::ReadWrite)
                      : nullptr;
  if (!View)
    return FACETTE_EXCHANGE_FAILED;
  WriteExchangeHeader(View, Header);
  WriteHostRows(pixels, Header, View);
  File.UnmapView(View);
  return FACETTE_EXCHANGE_OK;
}

extern "C" int facette_exchange_read(const char *file_name, int width, int height, int planes,
                                     unsigned char *pixels, int row_bytes)
{
  const TExchangeHeader Host = HostLayout(0, 0, width, height, planes, row_bytes);
  TFileMapping File(file_name, TMapAccess::Read);
  const uint8_t *View = File.MapView();
  TExchangeHeader Edited;
  const TExchangeStatus Status = CheckExchangeFile(View, File.Size(), Edited);
  if (Status == TExchangeStatus::NotExchange)
    return FACETTE_EXCHANGE_NONE;
  if (Status != TExchangeStatus::Ok || Edited.Width != width || Edited.Height != height)
    return FACETTE_EXCHANGE_MISMATCH;
  ReadHostRows(View, Edited, pixels, Host);
  return FACETTE_EXCHANGE_OK;
}
