// jenway-sim as a process: what a client on its pty sees, and how its two modes start, stop
// and report. The model's own replies are pinned down in sim_instrument_test.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "sim/instrument.h"
#include "support/harness.h"

namespace {

using Clock = std::chrono::steady_clock;

int open_client(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fd;
  termios t;
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

void send(int fd, const std::string& bytes) {
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Reads until `want` bytes arrived or `seconds` passed, whichever is first.
std::string read_for(int fd, std::size_t want, double seconds) {
  std::string got;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(seconds));
  while (got.size() < want) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
    char buf[256];
    const ssize_t n = read(fd, buf, std::min(sizeof buf, want - got.size()));
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

// Reads `size` bytes (waiting up to 2 s for them), then whatever else arrives in 0.1 s more.
std::string read_reply(int fd, std::size_t size) {
  std::string got = read_for(fd, size, 2);
  return got + read_for(fd, 1, 0.1);
}

std::string model_reply(int nm, const char* request) {
  instrument::reset(instrument::Sample::dye, nm);
  return instrument::respond(request);
}

TEST(SimProcess, ServesAcrossClientsThatOpenAndCloseThePort) {
  harness::Sim sim;
  // The first client sets the wavelength, asks for a reading and dies before reading it: the
  // next client must find that reply still queued and the same instrument behind it.
  int fd = open_client(sim.device());
  ASSERT_GE(fd, 0) << sim.device();
  send(fd, "G450\rT\r");
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1) << "no reply to T";
  close(fd);
  fd = open_client(sim.device());
  ASSERT_GE(fd, 0);
  send(fd, "\nA\r");
  const std::string expected = model_reply(450, "T") + model_reply(450, "A");
  EXPECT_EQ(read_reply(fd, expected.size()), expected);
  close(fd);
  EXPECT_EQ(sim.received_after_quiet(), "G450\rT\r\nA\r");
}

struct ClientCase {
  std::vector<std::string> options;
  std::string request;
  std::string reply;
};

TEST(SimProcess, OptionsShapeWhatTheClientReads) {
  const ClientCase cases[] = {
      {{"--wavelength", "540"}, "T\r", model_reply(540, "T")},
      {{"--sample", "blank"}, "A\r", " 0.000\r"},
      {{"--reply", "12.3\\x20\\n"}, "G600\rT\rA\r", "12.3 \n12.3 \n"},
      {{"--reply", "junk"}, "G600\r", ""},
      {{"--silent"}, "T\rA\r", ""},
      {{"--pending", " 99.99 500.0\\r"}, "", " 99.99 500.0\r"},
      {{"--pending", "old\\r", "--silent"}, "T\r", "old\r"},
  };
  for (const ClientCase& c : cases) {
    SCOPED_TRACE(c.options[0] + " with request " + c.request);
    harness::Sim sim(c.options);
    const int fd = open_client(sim.device());
    ASSERT_GE(fd, 0);
    send(fd, c.request);
    EXPECT_EQ(read_reply(fd, c.reply.size()), c.reply);
    close(fd);
    EXPECT_EQ(sim.received_after_quiet(), c.request);
  }
}

TEST(SimProcess, PacedRepliesTakeTheLineTime) {
  harness::Sim sim({"--paced"});
  const int fd = open_client(sim.device());
  ASSERT_GE(fd, 0);
  const auto start = Clock::now();
  send(fd, "T\r");
  const std::string expected = model_reply(500, "T");
  EXPECT_EQ(read_for(fd, expected.size(), 2), expected);
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  // 13 bytes at 8.33 ms each; the upper bound only catches a pace that has gone badly wrong.
  EXPECT_GE(took, 0.105);
  EXPECT_LT(took, 0.5);
  close(fd);
}

TEST(SimProcess, FloodNeverEndsALine) {
  harness::Sim sim({"--flood"});
  const int fd = open_client(sim.device());
  ASSERT_GE(fd, 0);
  send(fd, "T\r");
  const std::string got = read_for(fd, 20000, 0.5);
  EXPECT_EQ(got.size(), 20000u);
  EXPECT_EQ(got.find_first_not_of('U'), std::string::npos);
  close(fd);
}

TEST(SimProcess, HangupClosesThePortAfterTheFirstRequest) {
  harness::Sim sim({"--hangup"});
  const int fd = open_client(sim.device());
  ASSERT_GE(fd, 0);
  send(fd, "G600\rT\r");
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1) << "no hang-up seen";
  EXPECT_TRUE(p.revents & POLLHUP);
  char c;
  EXPECT_LE(read(fd, &c, 1), 0) << "a reply arrived before the hang-up";
  close(fd);
  EXPECT_EQ(sim.received(), "G600\rT\r");
}

TEST(SimProcess, CommandModeHandsOverThePortAndItsStatus) {
  struct Case {
    std::string script;
    int exit_code;
    std::string out;
  };
  const Case cases[] = {
      {"test -n \"$COM1_DEVICE\" && test \"$COM1_DEVICE\" = \"$COM5_DEVICE\" && exit 3", 3, ""},
      {"exec 3<>\"$COM5_DEVICE\" && printf 'T\\r' >&3 && head -c 13 <&3", 0, model_reply(500, "T")},
      {"kill -TERM $$", 128 + 15, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const harness::RunResult r = harness::run({harness::sim_path(), "--", "sh", "-c", c.script});
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(r.out, c.out);
  }
}

TEST(SimProcess, WaitsWithoutSpinning) {
  // Half a second of serving a port nobody reads, for each way of having something to send:
  // a sim that polls hot would burn most of that in CPU.
  const std::vector<std::vector<std::string>> cases = {{}, {"--flood"}, {"--paced", "--flood"}};
  for (const std::vector<std::string>& options : cases) {
    std::vector<std::string> argv{harness::sim_path()};
    argv.insert(argv.end(), options.begin(), options.end());
    SCOPED_TRACE(options.empty() ? "no options" : options.back());
    for (const char* script : {"sleep 0.5", "exec 3<>\"$COM1_DEVICE\"; printf 'T\\r' >&3; sleep 0.5"}) {
      argv.insert(argv.end(), {"--", "sh", "-c", script});
      const harness::RunResult r = harness::run(argv);
      argv.resize(argv.size() - 4);
      EXPECT_EQ(r.exit_code, 0) << script;
      EXPECT_LT(r.cpu_seconds, 0.1) << script;
    }
  }
}

TEST(SimProcess, BadInvocationsAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"--", "/nonexistent/command"},
      {"--wavelength", "319", "--", "true"},
      {"--sample", "ink", "--", "true"},
      {"--reply", "\\q", "--", "true"},
      {"--bogus", "--", "true"},
      {"--link", "/tmp/x", "--", "true"},
      {"--"},
      {},
  };
  for (const std::vector<std::string>& args : cases) {
    std::vector<std::string> argv{harness::sim_path()};
    std::string shown = "jenway-sim";
    for (const std::string& a : args) {
      argv.push_back(a);
      shown += " " + a;
    }
    SCOPED_TRACE(shown);
    const int expected = args.size() == 2 && args[0] == "--" ? 127 : 2;
    EXPECT_EQ(harness::run(argv).exit_code, expected);
  }
}

}  // namespace

namespace {

// The harness itself: the driver's integration tests trust these results without looking.
TEST(HarnessRun, ReportsOutputStatusAndEnvironment) {
  setenv("JENWAY_HARNESS_PROBE", "inherited", 1);
  struct Case {
    std::string script;
    harness::RunOptions opts;
    int exit_code;
    std::string out;
  };
  harness::RunOptions env_opts;
  env_opts.env = {{"JENWAY_HARNESS_NEW", "set"}, {"HOME", "/elsewhere"}};
  harness::RunOptions unset_opts;
  unset_opts.unset_env = {"JENWAY_HARNESS_PROBE"};
  harness::RunOptions closed_opts;
  closed_opts.close_fds = {1};
  const Case cases[] = {
      {"printf 'a\\000b'; exit 4", {}, 4, std::string("a\0b", 3)},
      {"printf '%s %s %s' \"$JENWAY_HARNESS_PROBE\" \"$JENWAY_HARNESS_NEW\" \"$HOME\"", env_opts, 0,
       "inherited set /elsewhere"},
      {"printf '%s' \"${JENWAY_HARNESS_PROBE-gone}\"", unset_opts, 0, "gone"},
      {"echo lost 2>/dev/null; exit 0", closed_opts, 0, ""},
      {"read line; exit $?", {}, 1, ""},  // stdin is at end of file
      {"kill -KILL $$", {}, -1, ""},
      // A leftover background process keeps stdout open; the run must end with the program.
      {"sleep 3 2>/dev/null & printf done", {}, 0, "done"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const harness::RunResult r = harness::run({"sh", "-c", c.script}, c.opts);
    EXPECT_EQ(r.exit_code, c.exit_code);
    EXPECT_EQ(r.out, c.out);
    EXPECT_LT(r.wall_seconds, 2);
  }
  unsetenv("JENWAY_HARNESS_PROBE");
}

TEST(HarnessSim, RefusesToStartWhenTheSimCannotServe) {
  EXPECT_THROW(harness::Sim({"--sample", "ink"}), std::runtime_error);
}

TEST(HarnessRun, KillsAndFailsARunThatOutlivesItsTimeout) {
  harness::RunOptions opts;
  opts.timeout_seconds = 0.3;
  const auto start = Clock::now();
  EXPECT_THROW(harness::run({"sh", "-c", "sleep 5; sleep 5"}, opts), std::runtime_error);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2);
}

}  // namespace
