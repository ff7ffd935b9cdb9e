#include "support/FreshProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace facette::bench {

std::optional<double> TimeInFreshProcess(const std::function<bool()> &Setup,
                                         const std::function<bool()> &Measured)
{
  int Pipe[2];
  if (pipe(Pipe) != 0)
    return std::nullopt;
  std::fflush(nullptr);
  const pid_t Child = fork();
  if (Child < 0) {
    close(Pipe[0]);
    close(Pipe[1]);
    return std::nullopt;
  }
  if (Child == 0) {
    close(Pipe[0]);
    double Seconds = -1;
    if (Setup()) {
      const auto Start = std::chrono::steady_clock::now();
      const bool Done = Measured();
      const auto End = std::chrono::steady_clock::now();
      if (Done)
        Seconds = std::chrono::duration<double>(End - Start).count();
    }
    const bool Written = write(Pipe[1], &Seconds, sizeof(Seconds)) == sizeof(Seconds);
    _exit(Written && Seconds >= 0 ? 0 : 1);
  }
  close(Pipe[1]);
  double Seconds = -1;
  const bool Read = read(Pipe[0], &Seconds, sizeof(Seconds)) == sizeof(Seconds);
  close(Pipe[0]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  if (!Read || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0 || Seconds < 0)
    return std::nullopt;
  return Seconds;
}

void FirstCall(benchmark::State &State, const std::function<bool()> &Setup,
               const std::function<bool()> &Measured)
{
  for (auto _ : State) {
    const std::optional<double> Seconds = TimeInFreshProcess(Setup, Measured);
    if (!Seconds) {
      State.SkipWithError("the run failed");
      return;
    }
    State.SetIterationTime(*Seconds);
  }
}

} // namespace facette::bench
