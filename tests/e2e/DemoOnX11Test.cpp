// A demo played on X11: under an X server of its own (Xvfb with XTest) the
// program drives the system's pointer, and the photo comes out exactly as
// on the offscreen platform, where the pointer is synthetic.
#include "e2e/DemoRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Last: its macros would reach into the headers above.
#include <X11/Xlib.h>

extern char **environ;

namespace facette::e2e {
namespace {

// An X server on a free display, with a screen as large as the offscreen
// one of the harness. It does not reset when its last client leaves, so
// the pointer is still where the program left it.
class TXServer
{
public:
  TXServer()
  {
    int Ready[2];
    if (::pipe(Ready) != 0)
      return;
    // The server writes its display number to this descriptor once it
    // accepts connections.
    const std::string Fd = std::to_string(Ready[1]);
    std::vector<std::string> Words = {"Xvfb",     "-displayfd",   Fd,          "-screen",
                                      "0",        "1280x1024x24", "-nolisten", "tcp",
                                      "-noreset", "+extension",   "XTEST"};
    std::vector<char *> Argv;
    for (std::string &Word : Words)
      Argv.push_back(Word.data());
    Argv.push_back(nullptr);
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addclose(&Actions, Ready[0]);
    posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
    const int Spawned = posix_spawnp(&Pid, "Xvfb", &Actions, nullptr, Argv.data(), environ);
    posix_spawn_file_actions_destroy(&Actions);
    ::close(Ready[1]);
    if (Spawned != 0) {
      Pid = 0;
      ::close(Ready[0]);
      return;
    }
    std::string Number;
    pollfd Wait{Ready[0], POLLIN, 0};
    char C = 0;
    while (::poll(&Wait, 1, 10000) > 0 && ::read(Ready[0], &C, 1) == 1 && C != '\n')
      Number += C;
    ::close(Ready[0]);
    if (!Number.empty())
      Name = ":" + Number;
  }
  ~TXServer()
  {
    if (Pid > 0) {
      ::kill(Pid, SIGTERM);
      int Code = 0;
      ::waitpid(Pid, &Code, 0);
    }
  }
  // ":n"; empty when the server did not start.
  std::string Name;

  // Where the pointer is on the server's screen.
  bool PointerPosition(int &X, int &Y) const
  {
    Display *Connection = XOpenDisplay(Name.c_str());
    if (!Connection)
      return false;
    Window Root = 0, Child = 0;
    int WinX = 0, WinY = 0;
    unsigned int Mask = 0;
    const bool Done = XQueryPointer(Connection, DefaultRootWindow(Connection), &Root, &Child, &X,
                                    &Y, &WinX, &WinY, &Mask);
    XCloseDisplay(Connection);
    return Done;
  }

private:
  pid_t Pid = 0;
};

TEST(DemoOnX11, TheSystemPointerPlaysToTheSamePixels)
{
  TXServer Server;
  ASSERT_FALSE(Server.Name.empty()) << "Xvfb did not start";
  // The photo at 100 %, a stroke through it, a double click on a button
  // and a click on the image with the stroke's tool; then the pointer goes
  // to a place of the screen that only the system's pointer would be at
  // afterwards.
  const char *Script = "SetMinViewSize 600, 560\n"
                       "Smudge\n"
                       "SmudgeSize 16\n"
                       "MouseTo Image, 186, 118\n"
                       "MouseDown\n"
                       "#EACH 0 MouseMove 196,123 206,128 216,133 226,138\n"
                       "MouseUp\n"
                       "MouseDblClick Smudge\n"
                       "MouseClick Image, 300, 320\n"
                       "MouseTo 1001, 17\n";
  TDemoRun Run;
  const TDemoRunResult Offscreen =
      Run.PlayScript(Script, {.Image = SamplePortrait(), .SaveAs = "offscreen.png"});
  ASSERT_EQ(Offscreen.ExitCode, 0) << Offscreen.StdErr;
  const TDemoRunResult OnX11 = Run.PlayScript(
      Script,
      {.Image = SamplePortrait(),
       .SaveAs = "x11.png",
       .Environment = {{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", Server.Name}, {"XAUTHORITY", ""}}});
  ASSERT_EQ(OnX11.ExitCode, 0) << OnX11.StdErr;

  TRgbImage Expected, Played, Sample;
  ASSERT_TRUE(LoadRgbImage(Offscreen.Saved, Expected));
  ASSERT_TRUE(LoadRgbImage(OnX11.Saved, Played));
  ASSERT_TRUE(LoadRgbImage(SamplePortrait(), Sample));
  EXPECT_GT(CompareImages(Sample, Expected).Count, 100);
  EXPECT_EQ(CompareImages(Expected, Played).Count, 0);

  int X = 0, Y = 0;
  ASSERT_TRUE(Server.PointerPosition(X, Y));
  EXPECT_EQ(X, 1001);
  EXPECT_EQ(Y, 17);
}

} // namespace
} // namespace facette::e2e
