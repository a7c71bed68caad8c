// Running the driver programs and the simulated instrument from integration tests: a bounded
// run of a program with its output captured, and a jenway-sim serving on a private link.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace harness {

struct RunResult {
  std::string out;      // every byte the program wrote on stdout
  int exit_code;        // exit status, or -1 if killed by a signal
  double wall_seconds;  // from spawn to reaped
  double cpu_seconds;   // child user+sys CPU (from wait4's rusage)
};

struct RunOptions {
  std::vector<std::pair<std::string, std::string>> env;  // set (or override) in the child's environment
  std::vector<std::string> unset_env;                     // removed from the child's environment
  std::vector<int> close_fds;   // std fds (0,1,2) to close in the child before exec (stdout closed -> out stays empty)
  double timeout_seconds = 10;  // kill (SIGKILL) and fail the run after this; a hung driver must not hang the test suite
};

/// Runs argv[0] with argv (no shell), stdout captured, stdin /dev/null; throws std::runtime_error if it outlives the timeout.
RunResult run(const std::vector<std::string>& argv, const RunOptions& opts = {});

class Sim {  // a jenway-sim --link process on a temporary link, with a log file
 public:
  /// Starts jenway-sim with these options and waits (up to 5 s) for its link; throws std::runtime_error if it does not serve.
  explicit Sim(std::vector<std::string> options = {});
  /// Stops the sim (SIGTERM, then SIGKILL if it lingers), reaps it and removes its directory.
  ~Sim();
  Sim(const Sim&) = delete;
  Sim& operator=(const Sim&) = delete;

  /// The link path to hand the driver as COM1_DEVICE/COM5_DEVICE.
  const std::string& device() const;
  /// Bytes the sim has received so far (its log).
  std::string received() const;
  /// The log once it has not grown for `seconds` (waiting at most 5 s more).
  std::string received_after_quiet(double seconds = 0.05) const;

 private:
  pid_t pid_ = -1;
  std::string dir_;
  std::string link_;
  std::string log_;
};

/// Path of jenway-sim.
std::string sim_path();

/// Path of the driver program for COM port 1 or 5.
std::string program_path(int port);

}  // namespace harness
