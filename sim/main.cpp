// jenway-sim: the spectrophotometer at the far end of a pseudo-terminal, so the driver can be
// run and tested without the instrument. It either serves while one command runs (handing the
// command the port through COM1_DEVICE/COM5_DEVICE) or serves until told to stop, with a
// symlink to the port. Options make it misbehave the ways a real line can.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "sim/instrument.h"

namespace {

// 1200 baud with a start bit, 7 data bits, parity and a stop bit: ten bit times a character.
constexpr std::int64_t byte_ns = 1000000000LL * 10 / 1200;
// Nothing the driver sends is longer; past this the line is garbage and is dropped whole.
constexpr std::size_t max_line = 256;

const char usage_text[] =
    "usage: jenway-sim [OPTIONS] -- COMMAND [ARGS...]\n"
    "       jenway-sim [OPTIONS] --link PATH\n"
    "\n"
    "Simulates the spectrophotometer on a pseudo-terminal.\n"
    "  -- COMMAND      serve while COMMAND runs, with COM1_DEVICE and COM5_DEVICE set to the\n"
    "                  port; exit with its status (128+signal if it was killed)\n"
    "  --link PATH     serve until SIGINT/SIGTERM, with PATH a symlink to the port\n"
    "\n"
    "Options:\n"
    "  --wavelength NM starting wavelength, 320..1000 (default 500)\n"
    "  --sample NAME   dye | blank (default dye)\n"
    "  --silent        receive (and log) but never answer\n"
    "  --paced         send replies at 1200 baud pace, one byte every 8.33 ms\n"
    "  --reply TEXT    answer every T and A request with TEXT exactly\n"
    "  --pending TEXT  write TEXT once at start, before any request\n"
    "  --flood         send 'U' continuously, never a carriage return\n"
    "  --hangup        close the port after the first request line\n"
    "  --log FILE      append every byte received to FILE\n"
    "  --help          show this text\n"
    "TEXT takes the escapes \\r \\n \\t \\\\ \\0 \\xHH.\n";

struct Options {
  instrument::Sample sample = instrument::Sample::dye;
  int wavelength = 500;
  bool silent = false;
  bool paced = false;
  bool flood = false;
  bool hangup = false;
  std::optional<std::string> reply;
  std::string pending;
  std::string log_path;
  std::string link_path;
  std::vector<std::string> command;
};

int signal_pipe[2] = {-1, -1};

// Port and process state, shared by the serving loop and the exit path.
int master_fd = -1;
int slave_fd = -1;
int log_fd = -1;
std::string slave_path;
pid_t child = -1;

void on_signal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  ssize_t ignored = write(signal_pipe[1], &b, 1);
  (void)ignored;
  errno = saved;
}

[[noreturn]] void usage_error(const std::string& message) {
  std::fprintf(stderr, "jenway-sim: %s (try --help)\n", message.c_str());
  std::exit(2);
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "jenway-sim: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(2);
}

std::int64_t now_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void sleep_ns(std::int64_t ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

Options parse_options(int argc, char** argv) {
  Options o;
  bool have_link = false;
  bool have_command = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage_error(arg + " needs a value");
      return argv[++i];
    };
    auto text = [&]() {
      const std::string raw = value();
      std::string bytes;
      if (!instrument::decode_escapes(raw, bytes)) usage_error("bad escape in " + arg + " " + raw);
      return bytes;
    };
    if (arg == "--help") {
      std::fputs(usage_text, stdout);
      std::exit(0);
    } else if (arg == "--wavelength") {
      const std::string v = value();
      if (!instrument::parse_wavelength(v, o.wavelength)) {
        usage_error("--wavelength takes an integer from 320 to 1000, not " + v);
      }
    } else if (arg == "--sample") {
      const std::string v = value();
      if (!instrument::parse_sample(v, o.sample)) usage_error("unknown sample " + v);
    } else if (arg == "--silent") {
      o.silent = true;
    } else if (arg == "--paced") {
      o.paced = true;
    } else if (arg == "--flood") {
      o.flood = true;
    } else if (arg == "--hangup") {
      o.hangup = true;
    } else if (arg == "--reply") {
      o.reply = text();
    } else if (arg == "--pending") {
      o.pending = text();
    } else if (arg == "--log") {
      o.log_path = value();
    } else if (arg == "--link") {
      o.link_path = value();
      have_link = true;
    } else if (arg == "--") {
      o.command.assign(argv + i + 1, argv + argc);
      have_command = true;
      break;
    } else {
      usage_error("unknown option " + arg);
    }
  }
  if (have_link == have_command) usage_error("give either --link PATH or -- COMMAND");
  if (have_command && o.command.empty()) usage_error("no COMMAND after --");
  if (have_link && o.link_path.empty()) usage_error("--link needs a path");
  return o;
}

void set_raw(int fd) {
  termios t;
  if (tcgetattr(fd, &t) != 0) fail("cannot read the port settings");
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | PARENB);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &t) != 0) fail("cannot set the port raw");
}

void open_port() {
  master_fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_fd < 0) fail("cannot open a pseudo-terminal");
  if (grantpt(master_fd) != 0 || unlockpt(master_fd) != 0) fail("cannot unlock the pseudo-terminal");
  const char* name = ptsname(master_fd);
  if (name == nullptr) fail("cannot name the pseudo-terminal");
  slave_path = name;
  fcntl(master_fd, F_SETFD, FD_CLOEXEC);
  fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
  // Held for the sim's whole life: with a slave always open the master never reports a hang-up
  // between driver runs, and what is written before a driver opens the port waits for it.
  slave_fd = open(slave_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_fd < 0) fail("cannot open " + slave_path);
  set_raw(slave_fd);
}

void close_port() {
  if (slave_fd >= 0) close(slave_fd);
  if (master_fd >= 0) close(master_fd);
  slave_fd = master_fd = -1;
}

void make_link(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    std::fprintf(stderr, "jenway-sim: %s exists and is not a symlink\n", path.c_str());
    std::exit(2);
  }
  // Made aside and renamed into place, so whoever waits for the link never sees half of it
  // and an old link is replaced in one step.
  const std::string temp = path + ".jenway-sim-" + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(slave_path.c_str(), temp.c_str()) != 0) fail("cannot create " + temp);
  if (rename(temp.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    fail("cannot create " + path);
  }
}

void remove_link(const std::string& path) {
  // Leave the link alone if another sim has taken it over since.
  char target[4096];
  const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  if (n < 0) return;
  target[n] = '\0';
  if (slave_path == target) unlink(path.c_str());
}

void write_all(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

void install_handlers() {
  if (pipe(signal_pipe) != 0) fail("cannot create a pipe");
  for (int fd : signal_pipe) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = on_signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART | SA_NOCLDSTOP;
  sigaction(SIGCHLD, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void start_command(const std::vector<std::string>& command) {
  setenv("COM1_DEVICE", slave_path.c_str(), 1);
  setenv("COM5_DEVICE", slave_path.c_str(), 1);
  child = fork();
  if (child < 0) fail("cannot fork");
  if (child == 0) {
    signal(SIGPIPE, SIG_DFL);
    std::vector<char*> args;
    for (const std::string& a : command) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    std::fprintf(stderr, "jenway-sim: cannot run %s: %s\n", args[0], std::strerror(errno));
    _exit(127);
  }
}

int exit_status_of(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 2;
}

// The serving loop's own state: the request being assembled and the bytes still to send.
std::string line;
bool line_too_long = false;
std::string outgoing;
std::int64_t next_byte_due = 0;

void queue_reply(const std::string& bytes) {
  if (bytes.empty()) return;
  if (outgoing.empty()) next_byte_due = now_ns() + byte_ns;
  outgoing += bytes;
}

// Feeds received bytes to the instrument, queueing its replies; --hangup closes the port here.
void take_bytes(const char* p, std::size_t n, const Options& o) {
  for (std::size_t i = 0; i < n; ++i) {
    const char c = p[i];
    if (c == '\n') continue;
    if (c != '\r') {
      if (line.size() < max_line) {
        line += c;
      } else {
        line_too_long = true;
      }
      continue;
    }
    if (o.hangup) {
      close_port();
      return;
    }
    if (!line_too_long) {
      std::string reply = instrument::respond(line);
      if (!reply.empty() && o.reply) reply = *o.reply;
      // A flooding instrument talks over everything and so never completes an answer.
      if (!o.silent && !o.flood) queue_reply(reply);
    }
    line.clear();
    line_too_long = false;
  }
}

void read_port(const Options& o) {
  char buf[4096];
  const ssize_t n = read(master_fd, buf, sizeof buf);
  if (n > 0) {
    if (log_fd >= 0) write_all(log_fd, buf, static_cast<std::size_t>(n));
    take_bytes(buf, static_cast<std::size_t>(n), o);
    return;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  // No slave open (we hold one, so this should not happen): rest instead of polling hot.
  sleep_ns(100000000);
}

void write_port(const Options& o) {
  static const std::string noise(4096, 'U');
  const char* p;
  std::size_t n;
  if (!outgoing.empty()) {
    p = outgoing.data();
    n = outgoing.size();
  } else {
    p = noise.data();
    n = noise.size();
  }
  if (o.paced) n = 1;
  const ssize_t w = write(master_fd, p, n);
  if (w < 0) {
    if (errno == EINTR || errno == EAGAIN) return;
    outgoing.clear();
    sleep_ns(100000000);
    return;
  }
  if (!outgoing.empty()) outgoing.erase(0, static_cast<std::size_t>(w));
  if (o.paced) {
    const std::int64_t now = now_ns();
    next_byte_due += byte_ns;
    // After a long stall (nobody reading) resume the pace rather than burst to catch up.
    if (next_byte_due < now - byte_ns) next_byte_due = now;
  }
}

// Handles the signals queued by on_signal; returns the exit status once the sim should stop.
std::optional<int> take_signals() {
  unsigned char sigs[64];
  const ssize_t n = read(signal_pipe[0], sigs, sizeof sigs);
  for (ssize_t i = 0; i < n; ++i) {
    const int sig = sigs[i];
    if (sig == SIGCHLD) {
      if (child <= 0) continue;
      int status;
      if (waitpid(child, &status, WNOHANG) == child) return exit_status_of(status);
    } else if (child > 0) {
      kill(child, sig);
    } else {
      return 0;
    }
  }
  return std::nullopt;
}

int serve(const Options& o) {
  if (o.flood) next_byte_due = now_ns() + byte_ns;
  for (;;) {
    pollfd fds[2];
    fds[0] = {signal_pipe[0], POLLIN, 0};
    nfds_t count = 1;
    timespec wait{};
    timespec* timeout = nullptr;
    if (master_fd >= 0) {
      short events = POLLIN;
      if (!outgoing.empty() || o.flood) {
        const std::int64_t left = o.paced ? next_byte_due - now_ns() : 0;
        if (left <= 0) {
          events |= POLLOUT;
        } else {
          wait.tv_sec = static_cast<time_t>(left / 1000000000LL);
          wait.tv_nsec = static_cast<long>(left % 1000000000LL);
          timeout = &wait;
        }
      }
      fds[1] = {master_fd, events, 0};
      count = 2;
    }
    if (ppoll(fds, count, timeout, nullptr) < 0) {
      if (errno == EINTR) continue;
      fail("poll");
    }
    if (fds[0].revents & POLLIN) {
      if (const std::optional<int> status = take_signals()) return *status;
    }
    if (count < 2) continue;
    const short ev = fds[1].revents;
    if (ev & POLLIN) {
      read_port(o);
    } else if (ev & (POLLHUP | POLLERR | POLLNVAL)) {
      // As for a failed read: nobody at the other end, so rest rather than poll hot.
      sleep_ns(100000000);
      continue;
    }
    if (master_fd < 0) {
      if (child <= 0) return 0;
      continue;
    }
    if (ev & POLLOUT) write_port(o);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse_options(argc, argv);
  instrument::reset(o.sample, o.wavelength);
  install_handlers();
  if (!o.log_path.empty()) {
    log_fd = open(o.log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (log_fd < 0) fail("cannot open " + o.log_path);
  }
  open_port();
  if (!o.pending.empty()) {
    // In the queue before the port is handed out, so even the first driver run meets it.
    const ssize_t w = write(master_fd, o.pending.data(), o.pending.size());
    outgoing = o.pending.substr(w > 0 ? static_cast<std::size_t>(w) : 0);
    next_byte_due = now_ns();
  }
  if (o.command.empty()) {
    make_link(o.link_path);
    std::fprintf(stderr, "jenway-sim: serving on %s, linked at %s\n", slave_path.c_str(),
                 o.link_path.c_str());
  } else {
    start_command(o.command);
  }
  const int status = serve(o);
  if (!o.link_path.empty()) remove_link(o.link_path);
  close_port();
  return status;
}
