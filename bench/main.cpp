// Benchmark program. Benchmarks are named "<kernel>/<implementation>" where
// the implementation is "facette" for ours and the peer's name otherwise
// ("opencv", "vips", "memcpy", ...). After the usual console output a table
// gives, for every kernel, our time and its ratio to each peer measured in
// the same run, each with the threads it ran on (the counter "threads";
// "?" where a benchmark did not say, "!" where a peer's count differs from
// ours) and the benchmark's label, which says how a peer's work differs
// from ours where it does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter
{
public:
  void ReportRuns(const std::vector<Run> &Runs) override
  {
    ConsoleReporter::ReportRuns(Runs);
    for (const Run &R : Runs) {
      if (R.run_type != Run::RT_Iteration || R.error_occurred)
        continue;
      // "<kernel>/<implementation>", plus the arguments if any.
      const std::string &Name = R.run_name.function_name;
      const size_t Slash = Name.rfind('/');
      if (Slash == std::string::npos)
        continue;
      std::string Kernel = Name.substr(0, Slash);
      if (!R.run_name.args.empty())
        Kernel += "/" + R.run_name.args;
      const std::string Impl = Name.substr(Slash + 1);
      const double Seconds = R.GetAdjustedRealTime() * 1e-9 *
                             benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                             benchmark::GetTimeUnitMultiplier(R.time_unit);
      auto &Entry = Kernels[Kernel];
      if (Entry.empty())
        Order.push_back(Kernel);
      const auto Threads = R.counters.find("threads");
      Entry[Impl] = {Seconds, Threads == R.counters.end() ? 0 : static_cast<int>(Threads->second),
                     R.report_label};
    }
  }

  void Finalize() override
  {
    ConsoleReporter::Finalize();
    std::printf("\n%-52s %16s   %s\n", "kernel", "facette", "ratio facette/peer (peer's time)");
    for (const std::string &Kernel : Order) {
      const auto &Times = Kernels[Kernel];
      auto Ours = Times.find("facette");
      std::printf("%-52s ", Kernel.c_str());
      if (Ours == Times.end()) {
        std::printf("%16s  ", "-");
      } else {
        std::printf("%10.3f ms %3s%s  ", Ours->second.Seconds * 1e3,
                    ThreadText(Ours->second.Threads).c_str(), LabelText(Ours->second).c_str());
      }
      for (const auto &[Impl, Time] : Times) {
        if (Impl == "facette")
          continue;
        const bool Differ = Ours != Times.end() && Time.Threads != Ours->second.Threads;
        const std::string Threads = ThreadText(Time.Threads) + (Differ ? "!" : "");
        if (Ours != Times.end())
          std::printf(" %s %.2f (%.3f ms %s%s)", Impl.c_str(), Ours->second.Seconds / Time.Seconds,
                      Time.Seconds * 1e3, Threads.c_str(), LabelText(Time).c_str());
        else
          std::printf(" %s %.3f ms %s%s", Impl.c_str(), Time.Seconds * 1e3, Threads.c_str(),
                      LabelText(Time).c_str());
      }
      std::printf("\n");
    }
  }

private:
  struct TTime
  {
    double Seconds = 0;
    int Threads = 0;   // 0: not reported
    std::string Label; // what differs in the work done, if anything
  };

  static std::string LabelText(const TTime &Time)
  {
    return Time.Label.empty() ? std::string() : ", " + Time.Label;
  }

  static std::string ThreadText(int Threads)
  {
    return Threads > 0 ? std::to_string(Threads) + "t" : std::string("?t");
  }

  std::map<std::string, std::map<std::string, TTime>> Kernels;
  std::vector<std::string> Order;
};

} // namespace

int main(int argc, char **argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  RatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();
  return 0;
}
