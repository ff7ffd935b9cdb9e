#include "ZrPhotoshopFilter.h"

#include "editor/ZrFileMapping.h"

#include <windows.h>

#include <memory>

namespace facette {

namespace {

TPhotoshopFilter *Global = nullptr;

HWND HostWindow(const TPSPlatformData *Data)
{
  return Data ? reinterpret_cast<HWND>(Data->Hwnd) : nullptr;
}

// The filtered area and the host's buffer for it as an exchange header;
// false when the buffer cannot hold the area.
bool DescribeBuffer(const TFilterRecord *Record, int32_t RowBytes, const void *Data,
                    TExchangeHeader &Header)
{
  Header = TExchangeHeader{};
  Header.ImageMode = Record->ImageMode;
  Header.Left = Record->FilterRect.Left;
  Header.Top = Record->FilterRect.Top;
  Header.Width = Record->FilterRect.Right - Record->FilterRect.Left;
  Header.Height = Record->FilterRect.Bottom - Record->FilterRect.Top;
  Header.Stride = RowBytes;
  Header.PixelStep = Record->Planes;
  return Data && Header.Width > 0 && Header.Height > 0 && Header.PixelStep >= 3 &&
         int64_t{Header.Stride} >= int64_t{Header.Width} * Header.PixelStep;
}

} // namespace

TPhotoshopFilter *PhotoshopFilter()
{
  return Global;
}

TPhotoshopFilter::TPhotoshopFilter()
{
  Global = this;
}

TPhotoshopFilter::~TPhotoshopFilter()
{
  if (Global == this)
    Global = nullptr;
}

int16_t TPhotoshopFilter::About(TAboutRecord *Record)
{
  ShowAbout(Record ? HostWindow(Record->PlatformData) : nullptr);
  return 0;
}

int16_t TPhotoshopFilter::Parameters(TFilterRecord *)
{
  return 0;
}

int16_t TPhotoshopFilter::Prepare(TFilterRecord *)
{
  return 0;
}

int16_t TPhotoshopFilter::Start(TFilterRecord *)
{
  return 0;
}

int16_t TPhotoshopFilter::Continue(TFilterRecord *)
{
  return 0;
}

int16_t TPhotoshopFilter::Finish(TFilterRecord *)
{
  return 0;
}

void TPhotoshopFilter::ShowAbout(void *ParentWindow)
{
  MessageBoxW(static_cast<HWND>(ParentWindow), AboutText.c_str(), AboutCaption.c_str(), MB_OK);
}

bool TPhotoshopFilter::RequestInput(TFilterRecord *Record, TExchangeHeader &Header, uint8_t *&Data)
{
  return Request(Record, false, Header, Data);
}

bool TPhotoshopFilter::RequestOutput(TFilterRecord *Record, TExchangeHeader &Header, uint8_t *&Data)
{
  return Request(Record, true, Header, Data);
}

bool TPhotoshopFilter::Request(TFilterRecord *Record, bool Output, TExchangeHeader &Header,
                               uint8_t *&Data)
{
  Data = nullptr;
  Record->MaskRect = {};
  (Output ? Record->InRect : Record->OutRect) = {};
  (Output ? Record->OutRect : Record->InRect) = Record->FilterRect;
  (Output ? Record->OutLoPlane : Record->InLoPlane) = 0;
  (Output ? Record->OutHiPlane : Record->InHiPlane) = static_cast<int16_t>(Record->Planes - 1);
  if (!Record->AdvanceState || Record->AdvanceState() != 0)
    return false;
  void *Buffer = Output ? Record->OutData : Record->InData;
  if (!DescribeBuffer(Record, Output ? Record->OutRowBytes : Record->InRowBytes, Buffer, Header))
    return false;
  Data = static_cast<uint8_t *>(Buffer);
  return true;
}

void TPhotoshopFilter::ClearRequests(TFilterRecord *Record)
{
  Record->InRect = {};
  Record->OutRect = {};
  Record->MaskRect = {};
}

TExternalPhotoshopFilter::TExternalPhotoshopFilter(const std::wstring &Path,
                                                   const std::wstring &Text,
                                                   const std::wstring &Caption)
{
  AboutText = Text;
  AboutCaption = Caption;
  SetApplication(Path);
}

void TExternalPhotoshopFilter::SetApplication(const std::wstring &Path)
{
  ApplicationPath = Path;
  if (WorkingFolder.empty()) {
    const size_t Slash = Path.rfind(L'\\');
    if (Slash != std::wstring::npos)
      WorkingFolder = Path.substr(0, Slash);
  }
}

int16_t TExternalPhotoshopFilter::Start(TFilterRecord *Record)
{
  int16_t Result = filterFailed;
  TExchangeHeader Header;
  uint8_t *Data = nullptr;
  if (!RequestInput(Record, Header, Data)) {
    ShowError(Record, L"Get image data error.");
    ClearRequests(Record);
    return Result;
  }

  // The host's rows go over as they are: the file's stride is the host's
  // row bytes.
  wchar_t Folder[MAX_PATH + 1] = {};
  wchar_t Name[MAX_PATH + 1] = {};
  const DWORD FolderLength = GetTempPathW(MAX_PATH + 1, Folder);
  if (FolderLength == 0 || FolderLength > MAX_PATH ||
      GetTempFileNameW(Folder, L"PSPF", 0, Name) == 0) {
    ShowError(Record, L"Create temp file error.");
    ClearRequests(Record);
    return Result;
  }
  const std::wstring FileName = Name;
  bool Written = false;
  {
    TFileMapping File{std::filesystem::path(FileName)};
    uint8_t *View = File.SetSize(ExchangeFileSize(Header))
                        ? File.MapView(0, 0, TMapAccess::ReadWrite)
                        : nullptr;
    if (View) {
      WriteExchangeHeader(View, Header);
      WriteHostRows(Data, Header, View);
      File.UnmapView(View);
      Written = true;
    }
  }
  if (!Written) {
    ShowError(Record, L"Create temp file error.");
    DeleteFileW(FileName.c_str());
    ClearRequests(Record);
    return Result;
  }

  std::wstring CommandLine = L"\"" + ApplicationPath + L"\" \"" + FileName + L"\"";
  STARTUPINFOW Startup = {};
  Startup.cb = sizeof Startup;
  Startup.dwFlags = STARTF_USESHOWWINDOW;
  Startup.wShowWindow = SW_SHOWMAXIMIZED;
  PROCESS_INFORMATION Process = {};
  if (!CreateProcessW(nullptr, CommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      WorkingFolder.empty() ? nullptr : WorkingFolder.c_str(), &Startup,
                      &Process)) {
    const DWORD Error = GetLastError();
    ShowError(Record,
              L"Execute application \"" + ApplicationPath + L"\" error: " + std::to_wstring(Error));
  } else {
    Result = userCanceledErr;
    // The host stays responsive: its messages are handled while the
    // program runs, for as long as the user takes.
    DWORD ExitCode = STILL_ACTIVE;
    bool QuitPosted = false;
    WPARAM QuitCode = 0;
    for (;;) {
      if (!GetExitCodeProcess(Process.hProcess, &ExitCode)) {
        ExitCode = 1; // unknown: leave the host's image alone
        break;
      }
      if (ExitCode != STILL_ACTIVE)
        break;
      MSG Message;
      if (PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
        // A request to quit is the host's, after we are done.
        if (Message.message == WM_QUIT) {
          QuitPosted = true;
          QuitCode = Message.wParam;
          continue;
        }
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
      } else {
        Sleep(10);
      }
    }
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    if (ExitCode == 0)
      Result = CopyBack(Record, FileName);
    if (QuitPosted)
      PostQuitMessage(static_cast<int>(QuitCode));
  }
  DeleteFileW(FileName.c_str());
  ClearRequests(Record);
  return Result;
}

int16_t TExternalPhotoshopFilter::CopyBack(TFilterRecord *Record, const std::wstring &FileName)
{
  TExchangeHeader Host;
  uint8_t *Out = nullptr;
  if (!RequestOutput(Record, Host, Out)) {
    ShowError(Record, L"Get out image data error.");
    return userCanceledErr;
  }
  TFileMapping File(std::filesystem::path(FileName), TMapAccess::Read);
  const uint8_t *View = File.MapView();
  TExchangeHeader Edited;
  const TExchangeStatus Status = CheckExchangeFile(View, File.Size(), Edited);
  // Whatever left no exchange file behind said nothing to copy.
  if (Status == TExchangeStatus::NotExchange)
    return userCanceledErr;
  if (Status != TExchangeStatus::Ok || Edited.Width != Host.Width || Edited.Height != Host.Height ||
      Edited.ImageMode != Host.ImageMode) {
    ShowError(Record, L"Transfer image data error.");
    return userCanceledErr;
  }
  ReadHostRows(View, Edited, Out, Host);
  return 0;
}

std::wstring ReadApplicationPath()
{
  HKEY Key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Velmora\\Photo Plugins\\Facette", 0, KEY_READ,
                    &Key) != ERROR_SUCCESS)
    return {};
  wchar_t Buffer[512 + 1] = {}; // 1024 bytes, and room for a terminator
  DWORD Type = 0;
  DWORD Size = 1024;
  const LONG Status =
      RegQueryValueExW(Key, nullptr, nullptr, &Type, reinterpret_cast<BYTE *>(Buffer), &Size);
  RegCloseKey(Key);
  if (Status != ERROR_SUCCESS || (Type != REG_SZ && Type != REG_EXPAND_SZ))
    return {};
  // The value need not end in a terminator.
  Buffer[Size / sizeof(wchar_t)] = 0;
  return Buffer;
}

void ShowError(const TFilterRecord *Record, const std::wstring &Text)
{
  MessageBoxW(Record ? HostWindow(Record->PlatformData) : nullptr, Text.c_str(), L"Error",
              MB_OK | MB_ICONERROR);
}

} // namespace facette
