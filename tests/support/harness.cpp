#include "support/harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace harness {

namespace {

using Clock = std::chrono::steady_clock;

double seconds_between(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

Clock::time_point after(double seconds) {
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

int ms_until(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  // Round up so a wait never ends just short of the deadline and spins on a zero timeout.
  return left < 0 ? 0 : static_cast<int>(left) + 1;
}

void sleep_seconds(double seconds) {
  timespec ts{static_cast<time_t>(seconds), static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// A pidfd turns "until the child exits or the deadline" into one poll(); kernels without it
// get short sleeps instead.
int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
  return static_cast<int>(fd);
#else
  (void)pid;
  return -1;
#endif
}

bool has_exited(pid_t pid) {
  siginfo_t info;
  info.si_pid = 0;
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Waits, without reaping, until pid has exited or the deadline has passed; true if it exited.
bool await_exit(pid_t pid, int pidfd, Clock::time_point deadline) {
  for (;;) {
    if (has_exited(pid)) return true;
    if (Clock::now() >= deadline) return false;
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      poll(&p, 1, ms_until(deadline));
    } else {
      sleep_seconds(0.005);
    }
  }
}

std::string describe(const std::vector<std::string>& argv) {
  std::string s;
  for (const std::string& a : argv) {
    if (!s.empty()) s += ' ';
    s += a;
  }
  return s;
}

std::vector<std::string> child_environment(const RunOptions& opts) {
  auto overridden = [&](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('='));
    if (std::find(opts.unset_env.begin(), opts.unset_env.end(), name) != opts.unset_env.end()) return true;
    for (const auto& kv : opts.env) {
      if (kv.first == name) return true;
    }
    return false;
  };
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (!overridden(*e)) env.emplace_back(*e);
  }
  for (const auto& kv : opts.env) env.push_back(kv.first + "=" + kv.second);
  return env;
}

// Where execvp would look for the program, worked out before fork so the child only execs.
std::vector<std::string> program_candidates(const std::string& name) {
  if (name.find('/') != std::string::npos) return {name};
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    out.push_back((dir.empty() ? std::string(".") : dir) + "/" + name);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (std::string& s : strings) p.push_back(&s[0]);
  p.push_back(nullptr);
  return p;
}

// Child side of a spawn: default signal handling, stdin from /dev/null.
void prepare_child(int devnull) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  dup2(devnull, 0);
}

void remove_tree(const std::string& dir) {
  if (dir.empty()) return;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") unlink((dir + "/" + name).c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

void stop(pid_t pid) {
  const int pidfd = open_pidfd(pid);
  kill(pid, SIGTERM);
  if (!await_exit(pid, pidfd, after(5))) kill(pid, SIGKILL);
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (pidfd >= 0) close(pidfd);
}

}  // namespace

RunResult run(const std::vector<std::string>& argv, const RunOptions& opts) {
  if (argv.empty()) throw std::runtime_error("harness::run: no program given");
  std::vector<std::string> args = argv;
  std::vector<std::string> env = child_environment(opts);
  const std::vector<std::string> candidates = program_candidates(argv[0]);
  std::vector<char*> arg_ptrs = pointers(args);
  std::vector<char*> env_ptrs = pointers(env);

  int out_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("harness::run: pipe failed");
  const int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);

  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("harness::run: fork failed");
  if (pid == 0) {
    // A group of its own, so a timeout kills whatever the program started too.
    setpgid(0, 0);
    prepare_child(devnull);
    dup2(out_pipe[1], 1);
    for (int fd : opts.close_fds) close(fd);
    for (const std::string& c : candidates) execve(c.c_str(), arg_ptrs.data(), env_ptrs.data());
    const char* why = std::strerror(errno);
    const std::string msg = "harness::run: cannot run " + argv[0] + ": " + why + "\n";
    ssize_t ignored = write(2, msg.data(), msg.size());
    (void)ignored;
    _exit(127);
  }
  setpgid(pid, pid);
  close(out_pipe[1]);
  if (devnull >= 0) close(devnull);
  int out_fd = out_pipe[0];
  const int pidfd = open_pidfd(pid);
  const Clock::time_point deadline = after(opts.timeout_seconds);

  RunResult result{std::string(), -1, 0.0, 0.0};
  auto read_some = [&]() {
    char buf[65536];
    const ssize_t n = read(out_fd, buf, sizeof buf);
    if (n > 0) {
      result.out.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      close(out_fd);
      out_fd = -1;
    }
    return n > 0;
  };

  bool exited = false;
  while (!exited) {
    if (Clock::now() >= deadline) break;
    pollfd fds[2];
    nfds_t count = 0;
    if (out_fd >= 0) fds[count++] = {out_fd, POLLIN, 0};
    if (pidfd >= 0) fds[count++] = {pidfd, POLLIN, 0};
    int timeout = ms_until(deadline);
    if (pidfd < 0) timeout = std::min(timeout, 5);
    if (count == 0) {
      sleep_seconds(timeout / 1000.0);
    } else if (poll(fds, count, timeout) < 0 && errno != EINTR) {
      break;
    }
    if (out_fd >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) read_some();
    exited = has_exited(pid);
  }

  if (!exited) {
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.wall_seconds = seconds_between(start, Clock::now());
  if (pidfd >= 0) close(pidfd);
  if (out_fd >= 0) {
    // What the program wrote before exiting is already in the pipe; anything it left running
    // may hold the pipe open, so take what is there instead of waiting for end of file.
    fcntl(out_fd, F_SETFL, fcntl(out_fd, F_GETFL) | O_NONBLOCK);
    while (out_fd >= 0 && read_some()) {
    }
    if (out_fd >= 0) close(out_fd);
  }
  if (!exited) {
    throw std::runtime_error("harness::run: " + describe(argv) + " still running after " +
                             std::to_string(opts.timeout_seconds) + " s; killed");
  }
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.cpu_seconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                       usage.ru_stime.tv_usec / 1e6;
  return result;
}

Sim::Sim(std::vector<std::string> options) {
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/jenway-sim-XXXXXX";
  if (mkdtemp(&templ[0]) == nullptr) throw std::runtime_error("Sim: cannot create a directory at " + templ);
  dir_ = templ;
  link_ = dir_ + "/port";
  log_ = dir_ + "/received";

  std::vector<std::string> args{sim_path()};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), {"--log", log_, "--link", link_});
  std::vector<char*> arg_ptrs = pointers(args);
  const int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);

  pid_ = fork();
  if (pid_ < 0) {
    remove_tree(dir_);
    throw std::runtime_error("Sim: fork failed");
  }
  if (pid_ == 0) {
    prepare_child(devnull);
    execv(arg_ptrs[0], arg_ptrs.data());
    const std::string msg = "Sim: cannot run " + args[0] + ": " + std::strerror(errno) + "\n";
    ssize_t ignored = write(2, msg.data(), msg.size());
    (void)ignored;
    _exit(127);
  }
  if (devnull >= 0) close(devnull);

  // The sim renames its link into place once the port is open, so the link's existence
  // means it is serving.
  const Clock::time_point deadline = after(5);
  for (;;) {
    struct stat st;
    if (lstat(link_.c_str(), &st) == 0) return;
    std::string failure;
    if (has_exited(pid_)) {
      int status = 0;
      waitpid(pid_, &status, 0);
      failure = WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                  : "was killed by signal " + std::to_string(WTERMSIG(status));
    } else if (Clock::now() >= deadline) {
      stop(pid_);
      failure = "did not create its link within 5 s";
    }
    if (!failure.empty()) {
      remove_tree(dir_);
      throw std::runtime_error("Sim: " + describe(args) + " " + failure);
    }
    sleep_seconds(0.002);
  }
}

Sim::~Sim() {
  if (pid_ > 0) stop(pid_);
  remove_tree(dir_);
}

const std::string& Sim::device() const { return link_; }

std::string Sim::received() const {
  std::string data;
  const int fd = open(log_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return data;
  char buf[65536];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      data.append(buf, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(fd);
  return data;
}

std::string Sim::received_after_quiet(double seconds) const {
  const Clock::time_point deadline = after(5 + seconds);
  std::string last = received();
  for (;;) {
    sleep_seconds(seconds);
    std::string now = received();
    if (now == last || Clock::now() >= deadline) return now;
    last = std::move(now);
  }
}

std::string sim_path() { return JENWAY_SIM_PATH; }

std::string program_path(int port) {
  if (port == 1) return JENWAY_COM1_PATH;
  if (port == 5) return JENWAY_COM5_PATH;
  throw std::invalid_argument("program_path: no program for COM" + std::to_string(port));
}

}  // namespace harness
