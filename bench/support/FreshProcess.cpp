#include "support/FreshProcess.h"

#include "imaging/ZrParallel.h"
#include "support/Threads.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace facette::bench {

namespace {

double CpuSeconds()
{
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  const auto Seconds = [](const timeval &T) { return T.tv_sec + T.tv_usec * 1e-6; };
  return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

} // namespace

std::optional<TFreshTime> TimeInFreshProcess(const std::function<bool()> &Setup,
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
    TFreshTime Time{-1, -1, 0};
    if (Setup()) {
      ResetPassThreads();
      const double Cpu = CpuSeconds();
      const auto Start = std::chrono::steady_clock::now();
      const bool Done = Measured();
      const auto End = std::chrono::steady_clock::now();
      if (Done)
        Time = {std::chrono::duration<double>(End - Start).count(), CpuSeconds() - Cpu,
                std::max(PassThreadsSeen(), 1)};
    }
    const bool Written = write(Pipe[1], &Time, sizeof(Time)) == sizeof(Time);
    _exit(Written && Time.Seconds >= 0 ? 0 : 1);
  }
  close(Pipe[1]);
  TFreshTime Time{-1, -1, 0};
  const bool Read = read(Pipe[0], &Time, sizeof(Time)) == sizeof(Time);
  close(Pipe[0]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  if (!Read || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0 || Time.Seconds < 0)
    return std::nullopt;
  return Time;
}

void FirstCall(benchmark::State &State, const std::function<bool()> &Setup,
               const std::function<bool()> &Measured)
{
  double Cpu = 0;
  int32_t Threads = 0;
  SetWorkerLimit(ComparisonThreads());
  for (auto _ : State) {
    const std::optional<TFreshTime> Time = TimeInFreshProcess(Setup, Measured);
    if (!Time) {
      SetWorkerLimit(0);
      State.SkipWithError("the run failed");
      return;
    }
    State.SetIterationTime(Time->Seconds);
    Cpu += Time->CpuSeconds;
    Threads = std::max(Threads, Time->Threads);
  }
  SetWorkerLimit(0);
  if (State.iterations() > 0) {
    State.counters["cpu_ms"] = 1e3 * Cpu / static_cast<double>(State.iterations());
    ReportThreads(State, Threads);
  }
}

} // namespace facette::bench
