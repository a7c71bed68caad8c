// Cost of the driver's two typical runs, as medians of repeated runs against jenway-sim:
// the CPU a silent instrument's one-second wait costs, and the wall time of an answered
// reading, beside a run that only starts and prints (the process's own start-up cost). Not a test: the figures depend on the machine. Run it with scripts/bench.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

harness::RunResult reading(const harness::Sim& sim) {
  harness::RunOptions options;
  options.env = {{"COM1_DEVICE", sim.device()}, {"COM5_DEVICE", "/nonexistent"}};
  return harness::run({harness::program_path(1), "ead", "1"}, options);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

  std::vector<double> silent_cpu, silent_wall;
  {
    harness::Sim sim({"--silent"});
    for (int i = 0; i < runs; ++i) {
      const harness::RunResult r = reading(sim);
      silent_cpu.push_back(r.cpu_seconds);
      silent_wall.push_back(r.wall_seconds);
    }
  }
  std::vector<double> answered_wall, answered_cpu;
  {
    harness::Sim sim;
    for (int i = 0; i < runs; ++i) {
      const harness::RunResult r = reading(sim);
      if (r.out.rfind("-777", 0) == 0) {
        std::fprintf(stderr, "bench: the simulated instrument did not answer\n");
        return 1;
      }
      answered_wall.push_back(r.wall_seconds);
      answered_cpu.push_back(r.cpu_seconds);
    }
  }
  std::vector<double> start_cpu, start_wall;
  for (int i = 0; i < runs; ++i) {
    const harness::RunResult r = harness::run({harness::program_path(1), "titre"});
    start_cpu.push_back(r.cpu_seconds);
    start_wall.push_back(r.wall_seconds);
  }
  std::printf("start-up alone, titre:      CPU %.2f ms, wall %.2f ms (median of %d)\n",
              median(start_cpu) * 1e3, median(start_wall) * 1e3, runs);
  std::printf("silent instrument, ead 1:   CPU %.2f ms, wall %.1f ms (median of %d)\n",
              median(silent_cpu) * 1e3, median(silent_wall) * 1e3, runs);
  std::printf("answered reading, ead 1:    wall %.2f ms, CPU %.2f ms (median of %d)\n",
              median(answered_wall) * 1e3, median(answered_cpu) * 1e3, runs);
  return 0;
}
