// Stands in for the editor in the plug-in tests: started by a plug-in with
// an exchange file, it does to the file what the test asks and exits with
// the code the test asks for. Driven by the environment the plug-in's host
// passes on:
//   FACETTE_STANDIN_MODE  invert   every colour byte inverted, written back
//                                  as the editor writes (its own stride,
//                                  pixel step 3)
//                         narrow   the same one pixel narrower (a header
//                                  the plug-in must not take)
//                         truncate the file cut inside its header
//                         (else)   the file left alone
//   FACETTE_STANDIN_EXIT  the exit code (0 by default)
//   FACETTE_STANDIN_SLEEP milliseconds to wait before exiting
//   FACETTE_STANDIN_LOG   a file to append the argument count, the first
//                         argument and the working folder to, a line each
#include "editor/ZrExchangeFile.h"
#include "editor/ZrFileMapping.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

using namespace facette;

namespace {

std::string Setting(const char *Name)
{
  const char *Value = std::getenv(Name);
  return Value ? Value : "";
}

void Pause(int Milliseconds)
{
#ifdef _WIN32
  Sleep(static_cast<DWORD>(Milliseconds));
#else
  usleep(static_cast<useconds_t>(Milliseconds) * 1000);
#endif
}

// Reads the image, inverts it and writes it back Narrower pixels narrower.
bool Rewrite(const std::filesystem::path &Name, int Narrower)
{
  TFileMapping File(Name);
  TExchangeHeader Header;
  std::vector<uint8_t> Image;
  {
    const uint8_t *View = File.MapView();
    if (CheckExchangeFile(View, File.Size(), Header) != TExchangeStatus::Ok)
      return false;
    Image.resize(static_cast<size_t>(Header.Width) * Header.Height * 3);
    ReadExchangeRows(View, Header, Image.data(), Header.Width * 3);
    File.UnmapView(View);
  }
  for (uint8_t &Byte : Image)
    Byte = static_cast<uint8_t>(255 - Byte);
  TExchangeHeader Out;
  Out.Width = Header.Width - Narrower;
  Out.Height = Header.Height;
  Out.Stride = (Out.Width * 3 + 3) / 4 * 4;
  Out.PixelStep = 3;
  if (Out.Width <= 0 || !File.SetSize(ExchangeFileSize(Out)))
    return false;
  uint8_t *View = File.MapView(0, 0, TMapAccess::ReadWrite);
  if (!View)
    return false;
  WriteExchangeHeader(View, Out);
  WriteExchangeRows(Image.data(), Header.Width * 3, Out, View);
  File.UnmapView(View);
  return true;
}

} // namespace

int main(int Argc, char **Argv)
{
  const std::string Log = Setting("FACETTE_STANDIN_LOG");
  if (!Log.empty()) {
    std::ofstream Out(Log, std::ios::app);
    Out << Argc << '\n'
        << (Argc > 1 ? Argv[1] : "") << '\n'
        << std::filesystem::current_path().string() << '\n';
  }
  const std::string Mode = Setting("FACETTE_STANDIN_MODE");
  if (Argc > 1) {
    const std::filesystem::path File = Argv[1];
    if (Mode == "invert" || Mode == "narrow") {
      if (!Rewrite(File, Mode == "narrow" ? 1 : 0))
        return 3;
    } else if (Mode == "truncate") {
      TFileMapping(File).SetSize(20);
    }
  }
  const std::string Sleep = Setting("FACETTE_STANDIN_SLEEP");
  if (!Sleep.empty())
    Pause(std::atoi(Sleep.c_str()));
  const std::string Exit = Setting("FACETTE_STANDIN_EXIT");
  return Exit.empty() ? 0 : std::atoi(Exit.c_str());
}
