// A small image-editing host for the filter plug-in: it reads the
// plug-in's property list, loads it, and runs it on images of its own
// through the entry point, a filter record and the advance-state callback,
// with the editor replaced by the stand-in program. Message boxes the
// plug-in shows are read and closed by a watcher thread.
//
//   facette_plugin_host PLUGIN64.8bf PLUGIN32.8bf STANDIN.exe LOG
//
// Paths are Windows paths. Prints one line per failed check and ends with
// "N passed, N failed"; the exit code is 1 when a check failed.
#include "ZrPhotoshopFilter.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace facette;

namespace {

int Passed = 0, Failed = 0;

void Check(bool Condition, const std::string &What)
{
  if (Condition) {
    ++Passed;
    return;
  }
  ++Failed;
  std::printf("FAILED: %s\n", What.c_str());
  std::fflush(stdout);
}

std::string Narrow(const std::wstring &Text)
{
  return std::string(Text.begin(), Text.end());
}

// Message boxes

struct TMessage
{
  std::wstring Caption;
  std::wstring Text;
  HWND Owner;
};

CRITICAL_SECTION MessagesLock;
std::vector<TMessage> Messages;
volatile LONG Watching = 1;

BOOL CALLBACK CloseMessageBox(HWND Window, LPARAM)
{
  DWORD Process = 0;
  GetWindowThreadProcessId(Window, &Process);
  wchar_t Class[32] = {};
  GetClassNameW(Window, Class, 32);
  if (Process != GetCurrentProcessId() || std::wcscmp(Class, L"#32770") != 0 ||
      !IsWindowVisible(Window))
    return TRUE;
  TMessage Message;
  wchar_t Text[1024] = {};
  GetWindowTextW(Window, Text, 1024);
  Message.Caption = Text;
  Text[0] = 0;
  GetDlgItemTextW(Window, 0xFFFF, Text, 1024); // the message box's text
  Message.Text = Text;
  Message.Owner = GetWindow(Window, GW_OWNER);
  EnterCriticalSection(&MessagesLock);
  Messages.push_back(Message);
  LeaveCriticalSection(&MessagesLock);
  DWORD_PTR Ignored = 0;
  SendMessageTimeoutW(Window, WM_COMMAND, IDOK, 0, SMTO_BLOCK, 5000, &Ignored);
  return TRUE;
}

DWORD WINAPI WatchMessageBoxes(LPVOID)
{
  while (Watching) {
    EnumWindows(CloseMessageBox, 0);
    Sleep(5);
  }
  return 0;
}

std::vector<TMessage> TakeMessages()
{
  EnterCriticalSection(&MessagesLock);
  std::vector<TMessage> Result;
  Result.swap(Messages);
  LeaveCriticalSection(&MessagesLock);
  return Result;
}

// The host's window: it must keep being served while the program runs.

HWND HostWindow = nullptr;
int TimerTicks = 0;

LRESULT CALLBACK HostWindowProc(HWND Window, UINT Message, WPARAM W, LPARAM L)
{
  if (Message == WM_TIMER) {
    ++TimerTicks;
    return 0;
  }
  return DefWindowProcW(Window, Message, W, L);
}

// The image the host filters: a filtered area of Width x Height pixels of
// Planes interleaved planes, rows RowBytes apart; colour bytes coded by
// position, extra planes 0xA0, the bytes after a row's pixels 0xAB.

struct THostImage
{
  int Width, Height, Planes, RowBytes;
  std::vector<uint8_t> Pixels;

  THostImage(int W, int H, int P, int Row) : Width(W), Height(H), Planes(P), RowBytes(Row)
  {
    Pixels.assign(static_cast<size_t>(RowBytes) * Height, 0xAB);
    for (int Y = 0; Y < Height; ++Y)
      for (int X = 0; X < Width; ++X)
        for (int C = 0; C < Planes; ++C)
          At(X, Y)[C] = C < 3 ? Code(X, Y, C) : 0xA0;
  }
  static uint8_t Code(int X, int Y, int C) { return static_cast<uint8_t>(X * 29 + Y * 71 + C * 5); }
  uint8_t *At(int X, int Y) { return &Pixels[static_cast<size_t>(Y) * RowBytes + X * Planes]; }
  // Whether every colour byte is the coded one (inverted), every extra
  // plane and every byte after a row's pixels as it was.
  bool Holds(bool Inverted)
  {
    for (int Y = 0; Y < Height; ++Y) {
      for (int X = 0; X < Width; ++X)
        for (int C = 0; C < Planes; ++C) {
          const uint8_t Want =
              C < 3 ? static_cast<uint8_t>(Inverted ? 255 - Code(X, Y, C) : Code(X, Y, C)) : 0xA0;
          if (At(X, Y)[C] != Want)
            return false;
        }
      for (int I = Width * Planes; I < RowBytes; ++I)
        if (Pixels[static_cast<size_t>(Y) * RowBytes + I] != 0xAB)
          return false;
    }
    return true;
  }
};

THostImage *Current = nullptr;
TFilterRecord *CurrentRecord = nullptr;
int Advances = 0;
bool InputAsked = false, OutputAsked = false;

bool SameRect(const TPSRect &A, const TPSRect &B)
{
  return A.Top == B.Top && A.Left == B.Left && A.Bottom == B.Bottom && A.Right == B.Right;
}

bool EmptyRect(const TPSRect &R)
{
  return R.Top == 0 && R.Left == 0 && R.Bottom == 0 && R.Right == 0;
}

int16_t AdvanceState()
{
  TFilterRecord &R = *CurrentRecord;
  ++Advances;
  R.InData = R.OutData = nullptr;
  if (SameRect(R.InRect, R.FilterRect) && R.InLoPlane == 0 && R.InHiPlane == R.Planes - 1 &&
      EmptyRect(R.OutRect) && EmptyRect(R.MaskRect)) {
    InputAsked = true;
    R.InData = Current->Pixels.data();
    R.InRowBytes = Current->RowBytes;
  }
  if (SameRect(R.OutRect, R.FilterRect) && R.OutLoPlane == 0 && R.OutHiPlane == R.Planes - 1 &&
      EmptyRect(R.InRect) && EmptyRect(R.MaskRect)) {
    OutputAsked = true;
    R.OutData = Current->Pixels.data();
    R.OutRowBytes = Current->RowBytes;
  }
  return 0;
}

using TEntryPoint = void (*)(int16_t, void *, intptr_t *, int16_t *);

HMODULE Plugin = nullptr;
TEntryPoint Entry = nullptr;
std::wstring PluginPath;

bool LoadPlugin()
{
  if (Plugin)
    FreeLibrary(Plugin);
  Plugin = LoadLibraryW(PluginPath.c_str());
  // Through a generic function pointer, as hosts look entry points up.
  Entry = Plugin ? reinterpret_cast<TEntryPoint>(
                       reinterpret_cast<void (*)()>(GetProcAddress(Plugin, "ENTRYPOINT")))
                 : nullptr;
  return Entry != nullptr;
}

const wchar_t RegistryKey[] = L"SOFTWARE\\Velmora\\Photo Plugins\\Facette";

void SetRegistryValue(const std::wstring *Path)
{
  HKEY Key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, RegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key,
                  nullptr);
  if (Path)
    RegSetValueExW(Key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE *>(Path->c_str()),
                   static_cast<DWORD>((Path->size() + 1) * sizeof(wchar_t)));
  else
    RegDeleteValueW(Key, nullptr);
  RegCloseKey(Key);
}

void Setting(const char *Name, const std::string &Value)
{
  SetEnvironmentVariableA(Name, Value.empty() ? nullptr : Value.c_str());
}

// Runs the filter (selector 3) on Image with the stand-in doing Mode and
// exiting with Exit.
int16_t RunFilter(THostImage &Image, const std::string &Mode, int Exit, int Sleep = 0,
                  bool WithAdvanceState = true)
{
  Setting("FACETTE_STANDIN_MODE", Mode);
  Setting("FACETTE_STANDIN_EXIT", std::to_string(Exit));
  Setting("FACETTE_STANDIN_SLEEP", Sleep ? std::to_string(Sleep) : "");
  static TFilterRecord Record;
  std::memset(&Record, 0, sizeof Record);
  static TPSPlatformData Platform;
  Platform.Hwnd = reinterpret_cast<intptr_t>(HostWindow);
  Record.PlatformData = &Platform;
  Record.ImageMode = 3;
  Record.Planes = static_cast<int16_t>(Image.Planes);
  // A selection away from the image's corner.
  Record.FilterRect = {5, 3, static_cast<int16_t>(5 + Image.Height),
                       static_cast<int16_t>(3 + Image.Width)};
  Record.AdvanceState = WithAdvanceState ? AdvanceState : nullptr;
  Current = &Image;
  CurrentRecord = &Record;
  Advances = 0;
  InputAsked = OutputAsked = false;
  int16_t Result = 12345;
  intptr_t Data = 0;
  Entry(3, &Record, &Data, &Result);
  Check(EmptyRect(Record.InRect) && EmptyRect(Record.OutRect) && EmptyRect(Record.MaskRect),
        Mode + ": the requests are cleared afterwards");
  return Result;
}

// What the stand-in last wrote to its log: argument count, first
// argument, working folder.
std::vector<std::string> StandInLog(const std::string &LogFile)
{
  std::ifstream In(LogFile);
  std::vector<std::string> Lines;
  for (std::string Line; std::getline(In, Line);)
    Lines.push_back(Line);
  if (Lines.size() > 3)
    Lines.erase(Lines.begin(), Lines.end() - 3);
  return Lines;
}

bool Exists(const std::string &Path)
{
  return !Path.empty() && GetFileAttributesA(Path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CountTempFiles()
{
  wchar_t Folder[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, Folder);
  WIN32_FIND_DATAW Found;
  HANDLE Search = FindFirstFileW((std::wstring(Folder) + L"PSPF*.tmp").c_str(), &Found);
  if (Search == INVALID_HANDLE_VALUE)
    return 0;
  int Count = 0;
  do
    ++Count;
  while (FindNextFileW(Search, &Found));
  FindClose(Search);
  return Count;
}

// The property list the plug-in must carry, built from its description:
// the list header, then each property's vendor, key, id, length and value
// padded to four bytes.
std::vector<uint8_t> ExpectedPropertyList(bool Win64)
{
  std::vector<uint8_t> Bytes;
  auto Int16 = [&Bytes](int V) {
    Bytes.push_back(static_cast<uint8_t>(V));
    Bytes.push_back(static_cast<uint8_t>(V >> 8));
  };
  auto Int32 = [&Bytes](uint32_t V) {
    for (int I = 0; I < 4; ++I)
      Bytes.push_back(static_cast<uint8_t>(V >> (8 * I)));
  };
  auto Code = [&Int32](const char *C) {
    Int32(uint32_t(uint8_t(C[0])) << 24 | uint32_t(uint8_t(C[1])) << 16 |
          uint32_t(uint8_t(C[2])) << 8 | uint8_t(C[3]));
  };
  auto Property = [&](const char *Key, const std::vector<uint8_t> &Value) {
    Code("8BIM");
    Code(Key);
    Int32(0);
    Int32(static_cast<uint32_t>(Value.size()));
    Bytes.insert(Bytes.end(), Value.begin(), Value.end());
    while (Bytes.size() % 4 != 10 % 4)
      Bytes.push_back(0);
  };
  auto Pascal = [](const std::string &S) {
    std::vector<uint8_t> V{static_cast<uint8_t>(S.size())};
    V.insert(V.end(), S.begin(), S.end());
    return V;
  };
  auto CString = [](const std::string &S) {
    std::vector<uint8_t> V(S.begin(), S.end());
    V.push_back(0);
    return V;
  };
  auto CodeBytes = [](const char *C) {
    return std::vector<uint8_t>{uint8_t(C[3]), uint8_t(C[2]), uint8_t(C[1]), uint8_t(C[0])};
  };
  Int16(1);
  Int32(0);
  Int32(Win64 ? 9 : 8);
  Property("kind", CodeBytes("8BFM"));
  Property("name", Pascal("Facette..."));
  Property("catg", Pascal("Velmora"));
  Property("vers", {0x05, 0x00, 0x02, 0x00});
  Property("wx86", CString("ENTRYPOINT"));
  Property("mode", {16, 0});
  Property("enbl", CString("in (PSHOP_ImageMode,RGBMode)"));
  std::vector<uint8_t> Cases;
  for (int Flags : {7, 15, 15, 7, 15, 7, 15})
    Cases.insert(Cases.end(), {1, 1, static_cast<uint8_t>(Flags), 0});
  Property("fici", Cases);
  if (Win64)
    Property("8664", CString("ENTRYPOINT"));
  return Bytes;
}

void CheckPropertyList(const std::wstring &Path, bool Win64)
{
  const std::string Name = Win64 ? "x86_64 PIPL" : "i686 PIPL";
  HMODULE Module = LoadLibraryExW(Path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  Check(Module != nullptr, Name + ": the file opens as a resource module");
  if (!Module)
    return;
  HRSRC Resource = FindResourceW(Module, MAKEINTRESOURCEW(16000), L"PIPL");
  Check(Resource != nullptr, Name + ": resource PIPL 16000 is there");
  if (Resource) {
    const auto *Data = static_cast<const uint8_t *>(LockResource(LoadResource(Module, Resource)));
    const std::vector<uint8_t> Found(Data, Data + SizeofResource(Module, Resource));
    const std::vector<uint8_t> Expected = ExpectedPropertyList(Win64);
    Check(Found == Expected, Name + ": the property list holds exactly the expected bytes (" +
                                 std::to_string(Found.size()) + " found, " +
                                 std::to_string(Expected.size()) + " expected)");
  }
  FreeLibrary(Module);
}

} // namespace

int wmain(int Argc, wchar_t **Argv)
{
  if (Argc != 5) {
    std::printf("usage: facette_plugin_host PLUGIN64 PLUGIN32 STANDIN LOG\n");
    return 2;
  }
  PluginPath = Argv[1];
  const std::wstring StandIn = Argv[3];
  const std::string LogFile = Narrow(Argv[4]);
  InitializeCriticalSection(&MessagesLock);
  SetEnvironmentVariableW(L"FACETTE_STANDIN_LOG", Argv[4]);

  WNDCLASSW Class = {};
  Class.lpfnWndProc = HostWindowProc;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.lpszClassName = L"FacetteTestHost";
  RegisterClassW(&Class);
  HostWindow = CreateWindowW(L"FacetteTestHost", L"Host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                             nullptr, nullptr, Class.hInstance, nullptr);
  Check(HostWindow != nullptr, "the host window is made");
  HANDLE Watcher = CreateThread(nullptr, 0, WatchMessageBoxes, nullptr, 0, nullptr);

  CheckPropertyList(Argv[1], true);
  CheckPropertyList(Argv[2], false);

  SetRegistryValue(&StandIn);
  Check(LoadPlugin(), "the plug-in loads and exports ENTRYPOINT");
  if (!Entry) {
    std::printf("%d passed, %d failed\n", Passed, Failed);
    return 1;
  }
  const std::wstring StandInFolder = StandIn.substr(0, StandIn.rfind(L'\\'));

  {
    // Rows longer than their pixels; the host keeps serving its window
    // while the program runs.
    THostImage Image(5, 3, 3, 5 * 3 + 7);
    SetTimer(HostWindow, 1, 10, nullptr);
    TimerTicks = 0;
    const int Before = CountTempFiles();
    const int16_t Result = RunFilter(Image, "invert", 0, 400);
    KillTimer(HostWindow, 1);
    Check(Result == 0, "round trip: result 0 (got " + std::to_string(Result) + ")");
    Check(InputAsked && OutputAsked && Advances == 2,
          "round trip: the whole area was asked for as input, then as output");
    Check(Image.Holds(true), "round trip: the edited pixels came back, row padding untouched");
    const std::vector<std::string> Log = StandInLog(LogFile);
    Check(Log.size() == 3 && Log[0] == "2",
          "round trip: the program got the file as its one argument");
    Check(Log.size() == 3 && Log[2] == Narrow(StandInFolder),
          "round trip: the program runs in its own folder");
    Check(Log.size() == 3 && !Exists(Log[1]), "round trip: the temporary file is deleted");
    Check(CountTempFiles() == Before, "round trip: no temporary file is left");
    Check(TimerTicks >= 5, "round trip: the host's messages kept flowing (" +
                               std::to_string(TimerTicks) + " timer ticks)");
    Check(TakeMessages().empty(), "round trip: no message");
  }
  {
    // A host with a transparency plane: colour comes back, transparency
    // stays.
    THostImage Image(4, 2, 4, 16);
    Check(RunFilter(Image, "invert", 0) == 0, "four planes: result 0");
    Check(Image.Holds(true), "four planes: colour edited, transparency kept");
  }

  // Cancel, and results the plug-in must not take.
  struct TCase
  {
    const char *Name;
    const char *Mode;
    int Exit;
    const wchar_t *Message; // nil: none
  } Cases[] = {
      {"cancel", "invert", 255, nullptr},
      {"closed unsaved", "keep", 1, nullptr},
      {"a narrower image", "narrow", 0, L"Transfer image data error."},
      {"a cut file", "truncate", 0, L"Transfer image data error."},
  };
  for (const TCase &Case : Cases) {
    THostImage Image(6, 4, 3, 6 * 3 + 2);
    const int Before = CountTempFiles();
    const int16_t Result = RunFilter(Image, Case.Mode, Case.Exit);
    const std::string Name = Case.Name;
    Check(Result == -128, Name + ": result -128 (got " + std::to_string(Result) + ")");
    Check(Image.Holds(false), Name + ": the host's pixels are unchanged");
    const std::vector<std::string> Log = StandInLog(LogFile);
    Check(Log.size() == 3 && !Exists(Log[1]), Name + ": the temporary file is deleted");
    Check(CountTempFiles() == Before, Name + ": no temporary file is left");
    const std::vector<TMessage> Shown = TakeMessages();
    if (!Case.Message) {
      Check(Shown.empty(), Name + ": no message");
      continue;
    }
    Check(Shown.size() == 1 && Shown[0].Text == Case.Message && Shown[0].Caption == L"Error",
          Name + ": the message \"" + Narrow(Case.Message) + "\"");
    Check(Shown.size() == 1 && Shown[0].Owner == HostWindow,
          Name + ": the message belongs to the host's window");
  }
  {
    THostImage Image(3, 3, 3, 9);
    const int16_t Result = RunFilter(Image, "invert", 0, 0, false);
    Check(Result == -23, "no advance-state callback: result -23");
    const std::vector<TMessage> Shown = TakeMessages();
    Check(Shown.size() == 1 && Shown[0].Text == L"Get image data error.",
          "no advance-state callback: the message says the image could not be had");
    Check(Image.Holds(false), "no advance-state callback: the pixels are unchanged");
  }
  {
    // Other selectors answer without doing anything; About shows the box.
    TFilterRecord Record = {};
    int16_t Result = 0;
    Entry(9, &Record, nullptr, &Result);
    Check(Result == -30100, "an unknown selector: result -30100");
    Entry(4, &Record, nullptr, &Result);
    Check(Result == 0, "continue: result 0");
    TAboutRecord About = {};
    TPSPlatformData Platform = {reinterpret_cast<intptr_t>(HostWindow)};
    About.PlatformData = &Platform;
    Entry(0, &About, nullptr, &Result);
    const std::vector<TMessage> Shown = TakeMessages();
    Check(Result == 0 && Shown.size() == 1 && Shown[0].Caption == L"About Facette Plug-in" &&
              Shown[0].Text.rfind(L"Facette Plug-in\nVersion ", 0) == 0,
          "about: the about box names the plug-in and its version");
  }
  {
    // Not installed: the plug-in reads the registry when it is loaded.
    SetRegistryValue(nullptr);
    Check(LoadPlugin(), "the plug-in loads again without the registry value");
    THostImage Image(3, 2, 3, 9);
    const int Before = CountTempFiles();
    const int16_t Result = RunFilter(Image, "invert", 0);
    const std::vector<TMessage> Shown = TakeMessages();
    Check(Result == -23, "no program: result -23 (got " + std::to_string(Result) + ")");
    Check(Shown.size() == 1 && Shown[0].Text.rfind(L"Execute application \"\" error: ", 0) == 0,
          "no program: the message names an empty path (\"" +
              (Shown.empty() ? std::string() : Narrow(Shown[0].Text)) + "\")");
    Check(Image.Holds(false), "no program: the pixels are unchanged");
    Check(CountTempFiles() == Before, "no program: no temporary file is left");
    SetRegistryValue(&StandIn);
  }

  InterlockedExchange(&Watching, 0);
  WaitForSingleObject(Watcher, 5000);
  FreeLibrary(Plugin);
  std::printf("%d passed, %d failed\n", Passed, Failed);
  return Failed ? 1 : 0;
}
