// The host side of the filter plug-in interface as far as this plug-in
// uses it (the records are the hosts' published layout, four-byte packed),
// and the filter objects: a base that answers every selector, and the
// external filter that hands the image to the editor program.
#pragma once

#include "editor/ZrExchangeFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace facette {

#pragma pack(push, 4)

struct TPSRect
{
  int16_t Top, Left, Bottom, Right;
};

struct TPSPoint
{
  int16_t V, H;
};

struct TPSRGBColor
{
  uint16_t Red, Green, Blue;
};

// What hosts pass as platform data on Windows: their main window.
struct TPSPlatformData
{
  intptr_t Hwnd;
};

using TAdvanceStateProc = int16_t (*)();

struct TFilterRecord
{
  int32_t SerialNumber;
  void *AbortProc;
  void *ProgressProc;
  void *Parameters;
  TPSPoint ImageSize;
  int16_t Planes;
  TPSRect FilterRect;
  TPSRGBColor Background;
  TPSRGBColor Foreground;
  int32_t MaxSpace;
  int32_t BufferSpace;
  TPSRect InRect;
  int16_t InLoPlane;
  int16_t InHiPlane;
  TPSRect OutRect;
  int16_t OutLoPlane;
  int16_t OutHiPlane;
  void *InData;
  int32_t InRowBytes;
  void *OutData;
  int32_t OutRowBytes;
  uint8_t IsFloating;
  uint8_t HaveMask;
  uint8_t AutoMask;
  TPSRect MaskRect;
  void *MaskData;
  int32_t MaskRowBytes;
  uint8_t BackColor[4];
  uint8_t ForeColor[4];
  uint32_t HostSig;
  void *HostProc;
  int16_t ImageMode;
  int32_t ImageHRes;
  int32_t ImageVRes;
  TPSPoint FloatCoord;
  TPSPoint WholeSize;
  int32_t Monitor[10];
  TPSPlatformData *PlatformData;
  void *BufferProcs;
  void *ResourceProcs;
  void *ProcessEvent;
  void *DisplayPixels;
  void *HandleProcs;
  uint8_t SupportsDummyChannels;
  uint8_t SupportsAlternateLayouts;
  int16_t WantLayout;
  int16_t FilterCase;
  int16_t DummyPlaneValue;
  void *PremiereHook;
  TAdvanceStateProc AdvanceState;
  // Hosts append many more fields; none is used here.
  uint8_t Unused[512];
};

struct TAboutRecord
{
  TPSPlatformData *PlatformData;
  void *BasicSuite;
  void *PlugInRef;
  char Reserved[244];
};

#pragma pack(pop)

// The published offsets, for both Windows architectures.
static_assert(offsetof(TFilterRecord, InData) == (sizeof(void *) == 8 ? 88 : 76));
static_assert(offsetof(TFilterRecord, ImageMode) == (sizeof(void *) == 8 ? 156 : 128));
static_assert(offsetof(TFilterRecord, PlatformData) == (sizeof(void *) == 8 ? 216 : 188));
static_assert(offsetof(TFilterRecord, AdvanceState) == (sizeof(void *) == 8 ? 280 : 224));

// Selectors and result codes of the entry point.
constexpr int16_t filterSelectorAbout = 0;
constexpr int16_t filterSelectorParameters = 1;
constexpr int16_t filterSelectorPrepare = 2;
constexpr int16_t filterSelectorStart = 3;
constexpr int16_t filterSelectorContinue = 4;
constexpr int16_t filterSelectorFinish = 5;
constexpr int16_t filterBadParameters = -30100;
constexpr int16_t filterFailed = -23;
constexpr int16_t userCanceledErr = -128;

class TPhotoshopFilter
{
public:
  // Becomes the plug-in's one filter object.
  TPhotoshopFilter();
  virtual ~TPhotoshopFilter();

  std::wstring AboutCaption = L"About";
  std::wstring AboutText;

  virtual int16_t About(TAboutRecord *Record);
  virtual int16_t Parameters(TFilterRecord *Record);
  virtual int16_t Prepare(TFilterRecord *Record);
  virtual int16_t Start(TFilterRecord *Record);
  virtual int16_t Continue(TFilterRecord *Record);
  virtual int16_t Finish(TFilterRecord *Record);
  virtual void ShowAbout(void *ParentWindow);
  virtual void Initialize() {}

  // Asks the host for the whole filtered area with all its planes as
  // input (output) and describes it as an exchange-file header. False when
  // the host has no advance-state callback, refuses, or hands over a
  // buffer that does not hold the area.
  bool RequestInput(TFilterRecord *Record, TExchangeHeader &Header, uint8_t *&Data);
  bool RequestOutput(TFilterRecord *Record, TExchangeHeader &Header, uint8_t *&Data);
  void ClearRequests(TFilterRecord *Record);

private:
  bool Request(TFilterRecord *Record, bool Output, TExchangeHeader &Header, uint8_t *&Data);
};

// Runs the editor program on the host's image through an exchange file.
class TExternalPhotoshopFilter : public TPhotoshopFilter
{
public:
  TExternalPhotoshopFilter(const std::wstring &ApplicationPath, const std::wstring &AboutText,
                           const std::wstring &AboutCaption);

  std::wstring WorkingFolder;
  std::wstring ApplicationPath;

  // Takes Path as the program to run; the working folder becomes its
  // folder unless one is set already.
  void SetApplication(const std::wstring &Path);
  int16_t Start(TFilterRecord *Record) override;

private:
  // Copies the program's result from the exchange file into the host's
  // output; the result code.
  int16_t CopyBack(TFilterRecord *Record, const std::wstring &FileName);
};

// The filter object of the loaded plug-in (nil when it could not be made).
TPhotoshopFilter *PhotoshopFilter();

// The program's path as the installer records it; empty when missing.
std::wstring ReadApplicationPath();

// Shows an error message owned by the host's main window.
void ShowError(const TFilterRecord *Record, const std::wstring &Text);

} // namespace facette
