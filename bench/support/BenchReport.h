#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

// Runs the benchmarks with Google Benchmark's table on the error stream, so that the standard
// output holds only the figures, and keeps each run's time in milliseconds by name.
class BenchReport : public benchmark::ConsoleReporter {
 public:
  BenchReport() : ConsoleReporter(OO_Tabular) {
    SetOutputStream(&std::cerr);
    SetErrorStream(&std::cerr);
  }
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      ms_[run.benchmark_name()] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
    }
  }
  // False on arguments Google Benchmark does not know.
  bool RunAll(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
    benchmark::RunSpecifiedBenchmarks(this);
    benchmark::Shutdown();
    return true;
  }
  // -1 when the benchmark did not run.
  double Ms(const std::string& name) const {
    const auto it = ms_.find(name);
    return it == ms_.end() ? -1.0 : it->second;
  }

 private:
  std::map<std::string, double> ms_;
};

// One line a figure: NAME: VALUE UNIT (target OP TARGET).
inline void Figure(const char* name, double value, const char* unit, const char* op,
                   double target) {
  std::printf("%s: %.3f %s (target %s %g)\n", name, value, unit, op, target);
}
