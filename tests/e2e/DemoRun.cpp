#include "e2e/DemoRun.h"

#include "imaging/ZrGraphicsFormats.h"
#include "imaging/ZrGraphicsImage.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace facette::e2e {

namespace {

// Lines the platform writes on every run, which say nothing about the run.
bool IsPlatformNote(std::string_view Line)
{
  return Line.starts_with("This plugin does not support") || Line.starts_with("QStandardPaths:");
}

std::string WithoutPlatformNotes(const std::string &Text)
{
  std::string Result;
  size_t Pos = 0;
  while (Pos < Text.size()) {
    size_t End = Text.find('\n', Pos);
    End = End == std::string::npos ? Text.size() : End + 1;
    const std::string_view Line(Text.data() + Pos, End - Pos);
    if (!IsPlatformNote(Line))
      Result.append(Line);
    Pos = End;
  }
  return Result;
}

std::string Number(double Value)
{
  std::string Text = std::to_string(Value);
  while (!Text.empty() && Text.back() == '0')
    Text.pop_back();
  if (!Text.empty() && Text.back() == '.')
    Text.pop_back();
  return Text;
}

} // namespace

std::filesystem::path FacetteProgram()
{
  return FACETTE_PROGRAM;
}

std::filesystem::path SourceDir()
{
  return FACETTE_SOURCE_DIR;
}

std::filesystem::path SamplePortrait()
{
  return SourceDir() / "data" / "samples" / "portrait.png";
}

std::filesystem::path ShippedDemo(std::string_view Name)
{
  return SourceDir() / "data" / "Demo" / Name;
}

TDemoRun::TDemoRun()
{
  std::string Template = (std::filesystem::temp_directory_path() / "facette-e2e-XXXXXX").string();
  if (!::mkdtemp(Template.data()))
    throw std::runtime_error("cannot make a temporary folder");
  Folder_ = Template;
  std::filesystem::create_directories(Folder_ / "config");
  std::filesystem::create_directories(Folder_ / "runtime");
  std::filesystem::permissions(Folder_ / "runtime", std::filesystem::perms::owner_all);
  // A screen large enough for the window to show a 512-pixel photo at 100%.
  std::ofstream(Folder_ / "screen.json")
      << R"({"screens": [{"name": "e2e", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
      << R"( "logicalDpi": 96}]})" << '\n';
}

TDemoRun::~TDemoRun()
{
  std::error_code Ignored;
  std::filesystem::remove_all(Folder_, Ignored);
}

std::filesystem::path TDemoRun::SettingsFile() const
{
  return Folder_ / "config" / "Facette" / "Facette.cfg";
}

std::filesystem::path TDemoRun::WriteScript(std::string_view Name, std::string_view Text)
{
  const std::filesystem::path File = Folder_ / Name;
  std::ofstream Out(File, std::ios::binary);
  if (Text.find('[') == std::string_view::npos)
    Out << "[Script]\n";
  Out << Text;
  if (!Text.empty() && Text.back() != '\n')
    Out << '\n';
  return File;
}

TDemoRunResult TDemoRun::Play(const std::filesystem::path &Script, const TDemoRunOptions &Options)
{
  std::vector<std::string> Arguments = {"--demo",         Script.string(),
                                        "--demo-speed",   Number(Options.Speed),
                                        "--demo-timeout", std::to_string(Options.TimeoutSeconds)};
  std::filesystem::path Saved;
  if (!Options.SaveAs.empty()) {
    Saved = Options.SaveAs;
    if (!Saved.is_absolute())
      Saved = Folder_ / Saved;
    Arguments.insert(Arguments.end(), {"--save-as", Saved.string()});
  }
  Arguments.insert(Arguments.end(), Options.Arguments.begin(), Options.Arguments.end());
  if (!Options.Image.empty())
    Arguments.push_back(Options.Image.string());

  TDemoRunResult Result = Execute(Arguments, Options.TimeoutSeconds + 10, Options.Environment);
  Result.Saved = Saved;
  return Result;
}

TDemoRunResult TDemoRun::PlayScript(std::string_view Lines, const TDemoRunOptions &Options)
{
  const std::string Name = "script" + std::to_string(++Scripts) + ".dsc";
  return Play(WriteScript(Name, Lines), Options);
}

TDemoRunResult TDemoRun::Execute(const std::vector<std::string> &Arguments, int KillAfterSeconds,
                                 const std::vector<std::pair<std::string, std::string>> &Extra)
{
  TDemoRunResult Result;

  // The environment: the caller's, with the run's own settings folder,
  // platform and language.
  std::map<std::string, std::string> Variables;
  for (char **Entry = environ; *Entry; ++Entry) {
    const std::string_view Text(*Entry);
    const size_t Eq = Text.find('=');
    if (Eq != std::string_view::npos)
      Variables[std::string(Text.substr(0, Eq))] = std::string(Text.substr(Eq + 1));
  }
  Variables["QT_QPA_PLATFORM"] = "offscreen:configfile=" + (Folder_ / "screen.json").string();
  Variables["XDG_CONFIG_HOME"] = (Folder_ / "config").string();
  Variables["XDG_RUNTIME_DIR"] = (Folder_ / "runtime").string();
  Variables["LC_ALL"] = "C.UTF-8";
  Variables.erase("LANGUAGE");
  for (const auto &[Name, Value] : Extra)
    Variables[Name] = Value;
  std::vector<std::string> EnvironmentText;
  for (const auto &[Name, Value] : Variables)
    EnvironmentText.push_back(Name + "=" + Value);
  std::vector<char *> Environment;
  for (std::string &Text : EnvironmentText)
    Environment.push_back(Text.data());
  Environment.push_back(nullptr);

  const std::string Program = FacetteProgram().string();
  std::vector<std::string> Words = Arguments;
  Words.insert(Words.begin(), Program);
  std::vector<char *> Argv;
  for (std::string &Word : Words)
    Argv.push_back(Word.data());
  Argv.push_back(nullptr);

  int Out[2], Err[2];
  if (::pipe2(Out, O_CLOEXEC) != 0 || ::pipe2(Err, O_CLOEXEC) != 0)
    return Result;
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_adddup2(&Actions, Out[1], 1);
  posix_spawn_file_actions_adddup2(&Actions, Err[1], 2);
  posix_spawn_file_actions_addopen(&Actions, 0, "/dev/null", O_RDONLY, 0);
  const std::string Dir = Folder_.string();
  posix_spawn_file_actions_addchdir_np(&Actions, Dir.c_str());
  pid_t Child = 0;
  const int Spawned =
      posix_spawn(&Child, Program.c_str(), &Actions, nullptr, Argv.data(), Environment.data());
  posix_spawn_file_actions_destroy(&Actions);
  ::close(Out[1]);
  ::close(Err[1]);
  if (Spawned != 0) {
    ::close(Out[0]);
    ::close(Err[0]);
    Result.StdErr = "cannot start " + Program + ": " + std::strerror(Spawned);
    return Result;
  }

  // Read both pipes until they close, or until the time is up.
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(KillAfterSeconds);
  pollfd Pipes[2] = {{Out[0], POLLIN, 0}, {Err[0], POLLIN, 0}};
  std::string Texts[2];
  int Open = 2;
  while (Open > 0) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          Deadline - std::chrono::steady_clock::now())
                          .count();
    if (Left <= 0) {
      Result.TimedOut = true;
      ::kill(Child, SIGKILL);
      break;
    }
    if (::poll(Pipes, 2, static_cast<int>(std::min<long long>(Left, 1000))) < 0 && errno != EINTR)
      break;
    for (int I = 0; I < 2; ++I) {
      if (Pipes[I].fd < 0 || !(Pipes[I].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      char Buffer[4096];
      const ssize_t Count = ::read(Pipes[I].fd, Buffer, sizeof Buffer);
      if (Count > 0) {
        Texts[I].append(Buffer, static_cast<size_t>(Count));
      } else if (Count == 0 || errno != EINTR) {
        ::close(Pipes[I].fd);
        Pipes[I].fd = -1;
        --Open;
      }
    }
  }
  for (const pollfd &Pipe : Pipes)
    if (Pipe.fd >= 0)
      ::close(Pipe.fd);
  int Status = 0;
  while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
  }
  if (!Result.TimedOut && WIFEXITED(Status))
    Result.ExitCode = WEXITSTATUS(Status);
  Result.StdOut = WithoutPlatformNotes(Texts[0]);
  Result.StdErr = WithoutPlatformNotes(Texts[1]);
  return Result;
}

bool LoadRgbImage(const std::filesystem::path &File, TRgbImage &Image, std::string *Error)
{
  TZrGraphicsFormats Formats;
  TZrGraphicsImage Loaded;
  int32_t Format = 0;
  if (!Formats.LoadImage(Loaded, File, Format, {}, Error) || !Loaded.EnsurePixels())
    return false;
  const TZrPixels *Pixels = Loaded.Image.GetPixels();
  if (!Pixels)
    return false;
  Image.Width = Loaded.Width();
  Image.Height = Loaded.Height();
  Image.Pixels.resize(static_cast<size_t>(Image.Width) * static_cast<size_t>(Image.Height) * 3);
  uint8_t *Out = Image.Pixels.data();
  for (int Y = 0; Y < Image.Height; ++Y)
    for (int X = 0; X < Image.Width; ++X, Out += 3) {
      // Stored blue, green, red.
      const uint8_t *In = Pixels->PixelPtr(X, Y);
      Out[0] = In[2];
      Out[1] = In[1];
      Out[2] = In[0];
    }
  return true;
}

bool TImageDifference::Within(int RectLeft, int RectTop, int RectRight, int RectBottom) const
{
  return SameSize && (Count == 0 || (Left >= RectLeft && Top >= RectTop && Right <= RectRight &&
                                     Bottom <= RectBottom));
}

TImageDifference CompareImages(const TRgbImage &A, const TRgbImage &B)
{
  TImageDifference D;
  if (A.Width != B.Width || A.Height != B.Height) {
    D.SameSize = false;
    return D;
  }
  for (int Y = 0; Y < A.Height; ++Y)
    for (int X = 0; X < A.Width; ++X) {
      const uint8_t *P = A.At(X, Y);
      const uint8_t *Q = B.At(X, Y);
      int Delta = 0;
      for (int C = 0; C < 3; ++C)
        Delta = std::max(Delta, std::abs(P[C] - Q[C]));
      if (Delta == 0)
        continue;
      if (D.Count == 0) {
        D.Left = X;
        D.Top = Y;
        D.Right = X + 1;
        D.Bottom = Y + 1;
      } else {
        D.Left = std::min(D.Left, X);
        D.Top = std::min(D.Top, Y);
        D.Right = std::max(D.Right, X + 1);
        D.Bottom = std::max(D.Bottom, Y + 1);
      }
      ++D.Count;
      D.MaxDelta = std::max(D.MaxDelta, Delta);
    }
  return D;
}

} // namespace facette::e2e
