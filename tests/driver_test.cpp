// Both programs run as processes against jenway-sim on a pty: the exact bytes on stdout, the
// exit status, and the exact bytes the instrument received.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "front/format.h"
#include "sim/instrument.h"
#include "support/harness.h"
#include "support/programs.h"

namespace {

using harness::RunOptions;
using harness::RunResult;
using harness::Sim;

using programs::nowhere;

// Runs one program with its port at `device` (the other program's port nowhere), in the C
// locale unless the options say otherwise.
RunResult drive(int port, const std::string& device, const std::vector<std::string>& args,
                RunOptions options = {}) {
  options.env.emplace_back("LC_ALL", "C");
  return programs::run(port, device, args, options);
}

// What a run costs before it does anything (large under Wine): the median of a few runs
// that only print the title. Timing bounds are put on what comes on top of it.
const RunResult& startup(int port) {
  static std::optional<RunResult> cost[6];
  std::optional<RunResult>& c = cost[port];
  if (!c) {
    std::vector<RunResult> runs;
    for (int i = 0; i < 3; ++i) runs.push_back(drive(port, programs::nowhere, {"titre"}));
    std::sort(runs.begin(), runs.end(),
              [](const RunResult& a, const RunResult& b) { return a.wall_seconds < b.wall_seconds; });
    c = runs[1];
  }
  return *c;
}

std::string line(const std::string& text) { return text + "\r\n"; }

class BothPrograms : public ::testing::TestWithParam<int> {
 protected:
  int port() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Ports, BothPrograms, ::testing::Values(1, 5),
                         [](const auto& info) { return "com" + std::to_string(info.param); });

// --- readings -------------------------------------------------------------------------------

struct Exchange {
  std::string reply;  // what the instrument answers to every request
  std::vector<std::string> args;
  std::string out;       // expected stdout
  std::string received;  // expected bytes at the instrument
};

TEST_P(BothPrograms, ReadingsTakeTheirFieldFromTheReplyLine) {
  const Exchange cases[] = {
      {" 0.523\\r", {"ead", "1"}, line("0.52300000000000002"), "A\r"},
      {" 0.523\\r", {"ea", "1"}, line("523"), "A\r"},
      {" 0.523\\r", {"stdead", "1"}, line("0.52300000000000002"), "A\r"},
      {" 0.523\\r", {"stdeads", "1"}, line("0.523000001907348633"), "A\r"},
      {" 0.523\\r", {"stdea", "1"}, line("523"), "A\r"},
      {" 29.98 540.0\\r", {"ead", "0"}, line("540"), "T\r"},
      {" 29.98 540.0\\r", {"ea", "0"}, line("540"), "T\r"},
      {" 29.98 540.0\\r", {"ead", "2"}, line("29.9800000000000004"), "T\r"},
      {" 29.98 540.0\\r", {"ea", "2"}, line("2998"), "T\r"},
      {" 29.98 540.5\\r", {"ea", "0"}, line("540"), "T\r"},  // ties to even
      {" 29.98 541.5\\r", {"ea", "0"}, line("542"), "T\r"},
      {"123456789\\r", {"ead", "0"}, line("89"), "T\r"},      // a short line: bytes 8 and 9
      {" 29.98 540.0 trailing\\r", {"ead", "0"}, line("540"), "T\r"},
      {"0.523 \\r", {"ead", "1"}, line("-777"), "A\r"},       // blank in position 6
      {" 0,523\\r", {"ead", "1"}, line("-777"), "A\r"},
      {" 0.523\\r\\n", {"ead", "1"}, line("0.52300000000000002"), "A\r"},
      {"\\r", {"ead", "1"}, line("-777"), "A\r"},
      {" 0.523", {"ead", "1"}, line("-777"), "A\r"},           // never ended: lost after 1 s
      {" 0.523\\r 9.999\\r", {"ead", "1"}, line("0.52300000000000002"), "A\r"},  // the first line
      // The line holds 255 bytes: a carriage return as the 255th ends it, as the 256th it is lost.
      {" 0.523" + std::string(248, 'x') + "\\r", {"ead", "1"}, line("0.52300000000000002"), "A\r"},
      {" 0.523" + std::string(249, 'x') + "\\r", {"ead", "1"}, line("-777"), "A\r"},
      // What the instrument sends must never end the run with an error report.
      {"9E999\\r", {"ead", "1"}, line("-777"), "A\r"},
      {"1E17\\r", {"ea", "1"}, line("-777"), "A\r"},            // scaled beyond 64 bits
      {"1E10\\r", {"ea", "1"}, line("1316134912"), "A\r"},      // 10^13: its low 32 bits
      {"1E39\\r", {"stdeads", "1"}, line("-777"), "A\r"},       // beyond 32 bits
      {"1E39\\r", {"stdead", "1"}, line("9.9999999999999994E38"), "A\r"},
  };
  for (const Exchange& c : cases) {
    Sim sim({"--reply", c.reply});
    const RunResult r = drive(port(), sim.device(), c.args);
    EXPECT_EQ(r.out, c.out) << c.reply << " " << c.args[0];
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(sim.received_after_quiet(), c.received) << c.reply << " " << c.args[0];
  }
}

TEST_P(BothPrograms, ChannelsOutsideTheInputsTouchNothingInEa) {
  for (const char* channel : {"3", "-1", "2.5000001"}) {
    Sim sim({"--reply", " 0.523\\r"});
    const RunResult r = drive(port(), sim.device(), {"ea", channel});
    EXPECT_EQ(r.out, line("-777")) << channel;
    EXPECT_LT(r.wall_seconds - startup(port()).wall_seconds, 0.5) << "answered at once";
    EXPECT_EQ(sim.received_after_quiet(), "") << channel;
  }
}

TEST_P(BothPrograms, ReadingsFollowTheWavelengthSet) {
  Sim sim({"--wavelength", "500"});
  ASSERT_EQ(drive(port(), sim.device(), {"sa", "0", "450"}).out, line("450"));
  const RunResult at450 = drive(port(), sim.device(), {"ead", "1"});
  const RunResult wavelength = drive(port(), sim.device(), {"ead", "0"});
  EXPECT_EQ(sim.received_after_quiet(), "G450\rA\rT\r");

  instrument::reset(instrument::Sample::dye, 450);
  const std::string reply = instrument::respond("A");
  EXPECT_EQ(at450.out, line(front::format_real(std::strtod(reply.substr(0, 6).c_str(), nullptr), '.')));
  EXPECT_EQ(wavelength.out, line("450"));

  // Absorbance and transmission agree, T = 100 x 10^-A, within the absorbance's 3 decimals.
  const double a = std::strtod(drive(port(), sim.device(), {"ead", "1"}).out.c_str(), nullptr);
  const double t = std::strtod(drive(port(), sim.device(), {"ead", "2"}).out.c_str(), nullptr);
  const double expected = 100 * std::pow(10.0, -a);
  EXPECT_NEAR(t, expected, expected * 0.0005 * std::log(10.0) + 0.005);
}

TEST_P(BothPrograms, AWaitingStaleReplyIsDrainedNotTaken) {
  Sim sim({"--pending", " 9.999\\r 8.888\\r", "--sample", "blank"});
  const RunResult r = drive(port(), sim.device(), {"ead", "1"});
  EXPECT_EQ(r.out, line("0"));
  EXPECT_EQ(sim.received_after_quiet(), "A\r");
}

TEST_P(BothPrograms, RepliesAtTheLinesOwnPaceArriveWithinTheLimit) {
  Sim sim({"--paced", "--sample", "blank", "--wavelength", "600"});
  const RunResult r = drive(port(), sim.device(), {"ead", "0"});
  EXPECT_EQ(r.out, line("600"));
}

// --- a silent or absent instrument ------------------------------------------------------------

TEST_P(BothPrograms, ASilentInstrumentGivesTheFailureValueAfterOneSecond) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string received;
  };
  const Case cases[] = {
      {{"ead", "1"}, line("-777"), "A\r"},
      {{"ea", "1"}, line("-777000"), "A\r"},
      {{"ea", "2"}, line("-77700"), "T\r"},
      {{"ead"}, line("-777"), ""},  // channel 11, the default: nothing is sent
  };
  for (const Case& c : cases) {
    Sim sim({"--silent"});
    const RunResult r = drive(port(), sim.device(), c.args);
    EXPECT_EQ(r.out, c.out) << c.args[0];
    EXPECT_EQ(r.exit_code, 0);
    const double waited = r.wall_seconds - startup(port()).wall_seconds;
    EXPECT_GT(waited, 0.9) << c.args[0];
    EXPECT_LT(waited, 1.8) << c.args[0];
    // Waiting sleeps: a spinning loop would cost about a second of CPU.
    EXPECT_LT(r.cpu_seconds - startup(port()).cpu_seconds, 0.3) << c.args[0];
    EXPECT_EQ(sim.received_after_quiet(), c.received) << c.args[0];
  }
}

TEST_P(BothPrograms, AMissingPortReadsAsSilentAndIsNeverCreated) {
  const std::string missing = "/tmp/jenway-missing-port-" + std::to_string(getpid());
  const RunResult r = drive(port(), missing, {"ead", "1"});
  EXPECT_EQ(r.out, line("-777"));
  EXPECT_GT(r.wall_seconds - startup(port()).wall_seconds, 0.9);
  EXPECT_LT(r.cpu_seconds - startup(port()).cpu_seconds, 0.3);
  EXPECT_EQ(drive(port(), missing, {"sa", "0", "540"}).out, line("540"));
  struct stat st;
  EXPECT_NE(stat(missing.c_str(), &st), 0) << "the port path must not be created";
}

// --- robustness against the instrument ---------------------------------------------------------

TEST_P(BothPrograms, AnInstrumentThatNeverStopsTalkingCannotHoldTheRun) {
  Sim sim({"--flood"});
  const RunResult r = drive(port(), sim.device(), {"ead", "1"});
  EXPECT_EQ(r.out, line("-777"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_LT(r.wall_seconds - startup(port()).wall_seconds, 2.6);
}

TEST_P(BothPrograms, AHangUpEndsInTheFailureValueWithoutSpinning) {
  Sim sim({"--hangup"});
  const RunResult r = drive(port(), sim.device(), {"ead", "1"});
  EXPECT_EQ(r.out, line("-777"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_LT(r.wall_seconds - startup(port()).wall_seconds, 1.8);
  EXPECT_LT(r.cpu_seconds - startup(port()).cpu_seconds, 0.3);
}

TEST_P(BothPrograms, ASecondProcessIsShutOutWhileTheFirstHoldsThePort) {
  Sim sim({"--silent"});
  RunResult first;
  std::thread holder([&] { first = drive(port(), sim.device(), {"ead", "1"}); });
  usleep(300 * 1000);
  const RunResult second = drive(port(), sim.device(), {"ead", "2"});
  holder.join();
  EXPECT_EQ(first.out, line("-777"));
  EXPECT_EQ(second.out, line("-777"));
  EXPECT_EQ(sim.received_after_quiet(), "A\r") << "the second process must not reach the line";
  // Released at close: the next run gets through.
  drive(port(), sim.device(), {"sa", "0", "500"});
  EXPECT_EQ(sim.received_after_quiet(), "A\rG500\r");
}

TEST_P(BothPrograms, StartedWithStandardDescriptorsClosedTheResultNeverReachesTheInstrument) {
  // The port would take the lowest free descriptor: with stdout among the closed ones, a
  // result printed afterwards would go down the line.
  const std::vector<int> closed_sets[] = {{1}, {1, 2}, {0, 1, 2}};
  for (const std::vector<int>& closed : closed_sets) {
    Sim sim({"--reply", " 0.523\\r"});
    RunOptions options;
    options.close_fds = closed;
    EXPECT_EQ(drive(port(), sim.device(), {"ead", "1"}, options).exit_code, 0);
    EXPECT_EQ(sim.received_after_quiet(), "A\r") << "closed: " << closed.size();
  }

  Sim sim({"--reply", " 0.523\\r"});
  RunOptions input_closed;
  input_closed.close_fds = {0, 2};
  EXPECT_EQ(drive(port(), sim.device(), {"ead", "1"}, input_closed).out, line("0.52300000000000002"));
  EXPECT_EQ(sim.received_after_quiet(), "A\r");
}

TEST_P(BothPrograms, AReaderThatWentAwayDoesNotChangeTheExitStatus) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  RunOptions options;
  programs::point_port(port(), nowhere, options);
  std::vector<std::string> argv = programs::command(port());
  argv.push_back("titre");
  std::vector<char*> pointers;
  for (std::string& a : argv) pointers.push_back(&a[0]);
  pointers.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    for (const auto& v : options.env) setenv(v.first.c_str(), v.second.c_str(), 1);
    dup2(fds[1], STDOUT_FILENO);
    execvp(pointers[0], pointers.data());
    _exit(127);
  }
  close(fds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// --- the wavelength output, identity, absent channels, std family ------------------------------

std::string title(int port) { return "Jenway 6320, Com" + std::to_string(port) + ":"; }
std::string detail(int port) {
  return "pilote ex\xE9" "cutable pour spectrophotom\xE8" "tre Jenway 6320 en Com" + std::to_string(port) +
         ":, Talbrune, 14 octobre 2009";
}

TEST_P(BothPrograms, EveryOtherKeywordPrintsAndSendsWhatItShould) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string received;
  };
  const Case cases[] = {
      {{"sa", "0", "540"}, line("540"), "G540\r"},
      {{"sa", "0", "-5"}, line("-5"), "G-5\r"},
      {{"sa", "0"}, line("22"), "G22\r"},          // the default second number
      {{"sa", "0", "abc"}, line("0"), "G0\r"},     // a bad second number is 0
      {{"sa", "0", "4294967836"}, line("540"), "G540\r"},  // 2^32 + 540: the low 32 bits
      {{"sa", "1", "540"}, line("-777"), ""},
      {{"sa", "-1", "540"}, line("-777"), ""},
      {{"sad", "0", "540.5"}, line("540.5"), "G540\r"},
      {{"sad", "0", "541.5"}, line("541.5"), "G542\r"},
      {{"sad", "0", "-0.5"}, line("-0.5"), "G0\r"},
      {{"sad", "2", "540"}, line("-777"), ""},
      {{"sad", "5", "1e19"}, line("-777"), ""},    // no rounding for another channel
      {{"stdsa", "0", "450"}, line("450"), "G450\r"},
      {{"stdsad", "0", "540.5"}, line("540.5"), "G540\r"},
      {{"stdsas", "0", "540"}, line("540"), "G540\r"},
      {{"stdsas", "0", "540.5"}, line("540.5"), "G540\r"},
      {{"stdsas", "0", "0.1"}, line("0.100000001490116119"), "G0\r"},
      {{"stdsas", "3", "540"}, line("-777"), ""},
      {{"nsa", "0"}, line("lambda (nm)"), ""},
      {{"nsa", "65536"}, line("lambda (nm)"), ""},
      {{"nsa", "1"}, line(""), ""},
      {{"nsad", "0"}, line("lambda (nm)"), ""},
      {{"nsad", "65536"}, line(""), ""},
      {{"stdnsa", "65536"}, line("lambda (nm)"), ""},
      {{"stdnsad", "65536"}, line(""), ""},
      {{"rsa", "0"}, line("-777"), ""},
      {{"rsad", "0"}, line("-777"), ""},
      {{"stdrsa", "0"}, line("-777"), ""},
      {{"stdrsad", "0"}, line("-777"), ""},
      {{"stdrsas", "0"}, line("-777"), ""},
      {{"eb", "0"}, line("-777"), ""},
      {{"sb", "0", "1"}, line("-777"), ""},
      {{"rsb", "5"}, line("-777"), ""},
      {{"neb", "0"}, line(""), ""},
      {{"nsb", "0"}, line(""), ""},
      {{"stdeb", "0"}, line("-777"), ""},
      {{"stdneb", "0"}, line(""), ""},
      {{"stdsb", "0", "1"}, line("-777"), ""},
      {{"stdnsb", "0"}, line(""), ""},
      {{"stdrsb", "0"}, line("-777"), ""},
      {{"nea", "0"}, line("longueur d'onde (nm)"), ""},
      {{"nea", "1"}, line("absorption"), ""},
      {{"nead", "1"}, line("Absorption"), ""},
      {{"nea", "2"}, line("transmission"), ""},
      {{"nead", "2"}, line("Transmission"), ""},
      {{"nea", "3"}, line(""), ""},
      {{"stdnea", "1"}, line("absorption"), ""},
      {{"stdnead", "1"}, line("Absorption"), ""},
      {{"nead", "0.5"}, line("longueur d'onde (nm)"), ""},  // channel 0: ties to even
      {{"nead", "1.5"}, line("Transmission"), ""},
      {{"nead", "2.5"}, line("Transmission"), ""},
      {{"nea", "4294967296"}, line("longueur d'onde (nm)"), ""},  // 2^32: channel 0
      {{"titre"}, line(title(port())), ""},
      {{"stdtitre"}, line(title(port())), ""},
      {{"Titre", "1", "2"}, line(title(port())), ""},
      {{"detail"}, line(detail(port())), ""},
      {{"stddetail"}, line(detail(port())), ""},
      {{"ead1"}, "", ""},  // no row: nothing printed
      {{"xyz", "1e30"}, "", ""},   // no row rounds the number: a quiet end
      {{""}, "", ""},
  };
  Sim sim;
  for (const Case& c : cases) {
    const std::size_t before = sim.received().size();
    const RunResult r = drive(port(), sim.device(), c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(r.out, c.out) << shown;
    EXPECT_EQ(r.exit_code, 0) << shown;
    EXPECT_EQ(sim.received_after_quiet(0.02).substr(before), c.received) << shown;
  }
}

TEST_P(BothPrograms, WithoutArgumentsPrintsTheUsage) {
  const RunResult r = drive(port(), nowhere, {});
  EXPECT_EQ(r.out,
            "pilote executable pour spectrophotom\xE8tre Jenway 6320\r\n"
            "sur la voie serie com" + std::to_string(port()) + ": de dos-windows\r\n"
            "utiliser la syntaxe :\r\n"
            "./nompilote ead 0   pour mesure sur la voie 0\r\n"
            "./nompilote detail pour avoir des details sur le pilote\r\n");
  EXPECT_EQ(r.exit_code, 0);
}

// --- errors from the command line --------------------------------------------------------------

std::string report_pattern(const std::string& module, const std::string& error, const std::string& message) {
  return "Exception " + error + " dans le module " + module + " \xE0 [0-9A-F]{8}\\.\n" + message + "\r\n";
}

std::string quoted(std::string text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

TEST_P(BothPrograms, CommandLineErrorsEndInTheErrorReport) {
  const std::string module = programs::module_name(port());
  const std::string convert = "EConvertError";
  const std::string invalid = "EInvalidOp";
  const std::string overflow = "EOverflow";
  const std::string invalid_message = quoted("Op\xE9ration en virgule flottante incorrecte.");
  const std::string overflow_message = quoted("D\xE9" "bordement en virgule flottante.");
  auto not_a_number = [](const std::string& arg) {
    return quoted("'" + arg + "' n'est pas une valeur en virgule flottante correcte.");
  };
  struct Case {
    std::vector<std::string> args;
    std::string error;
    std::string message;
  };
  const Case cases[] = {
      {{"titre", "abc"}, convert, not_a_number("abc")},
      {{"xyz", "abc"}, convert, not_a_number("abc")},   // whatever the keyword
      {{"ead", "   "}, convert, not_a_number("   ")},
      {{"ead", "1e5120"}, convert, not_a_number("1e5120")},
      {{"ead", "1e4999"}, convert, not_a_number("1e4999")},
      {{"ead", "1e400"}, overflow, overflow_message},
      {{"ea", "1e30"}, invalid, invalid_message},
      {{"sa", "5", "1e19"}, invalid, invalid_message},   // forms are derived before the call
      {{"sad", "0", "1e19"}, invalid, invalid_message},
      {{"stdsas", "0", "1e39"}, overflow, overflow_message},
      {{"stdsas", "0", "3e38"}, invalid, invalid_message},
  };
  Sim sim;
  for (const Case& c : cases) {
    const RunResult r = drive(port(), sim.device(), c.args);
    EXPECT_TRUE(std::regex_match(r.out, std::regex(report_pattern(module, c.error, c.message))))
        << c.args[0] << " " << c.args[1] << ": " << r.out;
    EXPECT_EQ(r.exit_code, 1);
  }
  EXPECT_EQ(sim.received_after_quiet(), "") << "an error report sends nothing";
}

TEST_P(BothPrograms, TheReportNamesTheProgramFileAndIsCutAt1023Bytes) {
  char dir_template[] = "/tmp/jenway-renamed-XXXXXX";
  ASSERT_NE(mkdtemp(dir_template), nullptr);
  const std::string suffix = programs::under_wine() ? ".exe" : "";
  const std::string copy = std::string(dir_template) + "/my driver" + suffix;
  ASSERT_EQ(std::system(("cp '" + programs::file(port()) + "' '" + copy + "'").c_str()), 0);
  RunOptions options;
  programs::point_port(port(), nowhere, options);
  auto run_copy = [&](const std::string& argument) {
    std::vector<std::string> argv = programs::command_for_file(copy);
    argv.insert(argv.end(), {"titre", argument});
    return harness::run(argv, options);
  };
  const RunResult r = run_copy("x");
  EXPECT_NE(r.out.find(" dans le module my driver" + suffix + " \xE0 "), std::string::npos) << r.out;

  const std::string long_argument(2000, 'x');
  const RunResult cut = run_copy(long_argument);
  ASSERT_EQ(cut.out.size(), 1025u);
  EXPECT_EQ(cut.out.substr(1023), "\r\n");
  EXPECT_EQ(cut.out.substr(1000, 23), std::string(23, 'x'));
  std::remove(copy.c_str());
  rmdir(dir_template);
}

// --- the user's decimal separator -----------------------------------------------------------------

// Locales built at test time into a private LOCPATH, so the test needs none installed.
class CommaLocale : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char dir_template[] = "/tmp/jenway-locales-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    dir_ = dir_template;
    for (const char* name : {"fr_FR", "ps_AF"}) {
      const std::string command = std::string("localedef -c -i ") + name + " -f UTF-8 " + dir_ + "/" + name +
                                  ".UTF-8 >/dev/null 2>&1";
      // -c: the generated locale is used even if localedef warns about its source.
      const int status = std::system(command.c_str());
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << command;
    }
  }
  static void TearDownTestSuite() { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  static RunResult drive_in(const std::vector<std::pair<std::string, std::string>>& locale, int port,
                            const std::string& device, const std::vector<std::string>& args) {
    RunOptions options;
    options.env = {{"LOCPATH", dir_}};
    options.unset_env = {"LC_ALL", "LC_NUMERIC", "LANG"};
    for (const auto& v : locale) options.env.push_back(v);
    return programs::run(port, device, args, options);
  }

  static std::string dir_;
};
std::string CommaLocale::dir_;

TEST_F(CommaLocale, NumbersAreReadAndPrintedWithTheLocalesSeparator) {
  const std::vector<std::pair<std::string, std::string>> comma{{"LC_ALL", "fr_FR.UTF-8"}};
  for (int port : {1, 5}) {
    Sim sim;
    EXPECT_EQ(drive_in(comma, port, sim.device(), {"sad", "0", "540,5"}).out, line("540,5"));
    EXPECT_EQ(drive_in(comma, port, sim.device(), {"sad", "0", "540.5"}).out, line("0"));
    EXPECT_EQ(drive_in(comma, port, sim.device(), {"stdeads", "9", ","}).out, line("-777"));
    EXPECT_EQ(sim.received_after_quiet(), "G540\rG0\r");
    Sim reply({"--reply", " 0.523\\r"});
    EXPECT_EQ(drive_in(comma, port, reply.device(), {"ead", "1"}).out, line("0,52300000000000002"));
    const RunResult bad = drive_in(comma, port, reply.device(), {"ead", "1.5"});
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_NE(bad.out.find("'1.5' n'est pas une valeur"), std::string::npos) << bad.out;
  }
}

TEST_F(CommaLocale, TheSeparatorComesFromLcAllThenLcNumericThenLang) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> env;
    std::string out;
  };
  const Case cases[] = {
      {{{"LANG", "fr_FR.UTF-8"}}, line("12,5")},
      {{{"LC_NUMERIC", "fr_FR.UTF-8"}}, line("12,5")},
      {{{"LANG", "fr_FR.UTF-8"}, {"LC_NUMERIC", "C"}}, line("12.5")},
      {{{"LC_NUMERIC", "fr_FR.UTF-8"}, {"LC_ALL", "C"}}, line("12.5")},
      {{{"LC_ALL", "ps_AF.UTF-8"}}, line("12.5")},   // a two-byte separator means "."
      {{{"LC_ALL", "xx_NOWHERE"}}, line("12.5")},    // a locale that cannot be had
      {{}, line("12.5")},
  };
  for (const Case& c : cases) {
    // sad prints the number it was given, read and printed with the separator in force.
    const std::string number = c.out.find(',') != std::string::npos ? "12,5" : "12.5";
    EXPECT_EQ(drive_in(c.env, 1, nowhere, {"sad", "0", number}).out, c.out) << number;
  }
}

// The Windows programs take the separator from the user's locale setting, which Windows keeps
// in the registry; the same length rule holds: one byte, or else the point.
TEST_F(CommaLocale, WindowsUserSettingGivesTheSeparator) {
  ASSERT_TRUE(programs::under_wine()) << "runs only in the Windows suite";
  RunOptions wine;
  programs::point_port(1, nowhere, wine);
  // The C locale throughout: Wine resets the setting when a program starts under another one.
  wine.env.emplace_back("LC_ALL", "C");
  auto set_separator = [&](const std::string& text) {
    const RunResult r = harness::run({"wine", "reg", "add", "HKCU\\Control Panel\\International", "/v",
                                      "sDecimal", "/d", text, "/f"},
                                     wine);
    ASSERT_EQ(r.exit_code, 0) << text;
  };
  struct Case {
    std::string setting;
    std::string number;
    std::string out;
  };
  const Case cases[] = {
      {";", "12;5", line("12;5")},
      {",", "12,5", line("12,5")},
      {",", "12.5", line("0")},
      {"::", "12.5", line("12.5")},  // two bytes: the point
      {".", "12.5", line("12.5")},
  };
  for (const Case& c : cases) {
    set_separator(c.setting);
    EXPECT_EQ(drive(1, nowhere, {"sad", "0", c.number}).out, c.out) << c.setting;
  }
  set_separator(".");
}

}  // namespace
