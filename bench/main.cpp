// Benchmark program. Benchmarks are named "<kernel>/<implementation>" where
// the implementation is "facette" for ours and the peer's name otherwise
// ("opencv", "vips", "memcpy", ...). After the usual console output a table
// gives, for every kernel, our time and its ratio to each peer measured in
// the same run.
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
      Entry[Impl] = Seconds;
    }
  }

  void Finalize() override
  {
    ConsoleReporter::Finalize();
    std::printf("\n%-44s %12s   %s\n", "kernel", "facette", "ratio facette/peer");
    for (const std::string &Kernel : Order) {
      const auto &Times = Kernels[Kernel];
      auto Ours = Times.find("facette");
      std::printf("%-44s ", Kernel.c_str());
      if (Ours == Times.end()) {
        std::printf("%12s  ", "-");
      } else {
        std::printf("%9.3f ms  ", Ours->second * 1e3);
      }
      for (const auto &[Impl, Time] : Times) {
        if (Impl == "facette")
          continue;
        if (Ours != Times.end())
          std::printf(" %s %.2f (%.3f ms)", Impl.c_str(), Ours->second / Time, Time * 1e3);
        else
          std::printf(" %s %.3f ms", Impl.c_str(), Time * 1e3);
      }
      std::printf("\n");
    }
  }

private:
  std::map<std::string, std::map<std::string, double>> Kernels;
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
