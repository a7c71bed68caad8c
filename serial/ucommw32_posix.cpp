// The serial port on POSIX systems (Linux first), standing in for the Windows calls.
//
// Port names: "comN:" (any case, colon optional) is the device named by the environment
// variable COMN_DEVICE, else /dev/ttyS<N-1>; a name starting with "/" is a path used as is.
//
// What stands for the Windows-only pieces: the driver's 256-byte queue sizes have no twin
// (the kernel's tty buffers are larger and fixed), the read time-out record is replaced by
// poll() with the time left, the write time-out by a bounded wait for the line to take the
// bytes, and clearing the error state by nothing at all: with parity checking off (INPCK
// clear) a byte with a parity or framing error reaches the reader as it came, which is what
// the error clearing amounted to.
#include "serial/ucommw32_platform.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "serial/line_settings.h"

namespace ucommw32::platform {
namespace {

int fd = -1;
std::uint16_t limit_ms = 1000;  // the session's time limit, as given at open
// Set when the other end has hung up (device unplugged, pty master closed): from then on the
// port reads as silent and every wait sleeps out its time.
bool gone = false;

std::string device_path(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  std::string n = name;
  if (!n.empty() && n.back() == ':') n.pop_back();
  const bool com = n.size() > 3 && (n[0] == 'c' || n[0] == 'C') && (n[1] == 'o' || n[1] == 'O') &&
                   (n[2] == 'm' || n[2] == 'M');
  if (!com) return name;
  const std::string digits = n.substr(3);
  if (digits.size() > 3 || digits[0] == '0') return name;
  unsigned number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return name;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  const std::string variable = "COM" + digits + "_DEVICE";
  if (const char* device = std::getenv(variable.c_str()); device != nullptr && *device != '\0') {
    return device;
  }
  return "/dev/ttyS" + std::to_string(number - 1);
}

struct Speed {
  std::uint32_t baud;
  speed_t code;
};

constexpr Speed speeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

line_settings::LineSettings decode(const termios& t) {
  line_settings::LineSettings s;
  const speed_t code = cfgetospeed(&t);
  for (const Speed& sp : speeds) {
    if (sp.code == code) s.baud = sp.baud;
  }
  switch (t.c_cflag & CSIZE) {
    case CS5: s.data_bits = 5; break;
    case CS6: s.data_bits = 6; break;
    case CS7: s.data_bits = 7; break;
    default: s.data_bits = 8; break;
  }
  using line_settings::Parity;
  if (!(t.c_cflag & PARENB)) {
    s.parity = Parity::none;
  } else {
    const bool odd = (t.c_cflag & PARODD) != 0;
    s.parity = odd ? Parity::odd : Parity::even;
#ifdef CMSPAR
    if (t.c_cflag & CMSPAR) s.parity = odd ? Parity::mark : Parity::space;
#endif
  }
  using line_settings::StopBits;
  s.stop_bits = (t.c_cflag & CSTOPB) ? StopBits::two : StopBits::one;
  return s;
}

void encode(const line_settings::LineSettings& s, termios& t) {
  // A speed the kernel has no code for leaves the port's speed as it was.
  for (const Speed& sp : speeds) {
    if (sp.baud == s.baud) {
      cfsetispeed(&t, sp.code);
      cfsetospeed(&t, sp.code);
    }
  }
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
  switch (s.data_bits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  using line_settings::Parity;
  t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
#ifdef CMSPAR
  t.c_cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
  switch (s.parity) {
    case Parity::none: break;
    case Parity::odd: t.c_cflag |= PARENB | PARODD; break;
    case Parity::even: t.c_cflag |= PARENB; break;
#ifdef CMSPAR
    // Stick parity: with PARODD the bit is always 1 (mark), without it always 0 (space).
    case Parity::mark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::space: t.c_cflag |= PARENB | CMSPAR; break;
#else
    case Parity::mark:
    case Parity::space: break;
#endif
  }
  // POSIX knows one or two stop bits; a UART given two with 5 data bits sends 1.5.
  if (s.stop_bits == line_settings::StopBits::one) {
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
  } else {
    t.c_cflag |= CSTOPB;
  }
}

void make_raw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
#ifdef CRTSCTS
  // Hardware handshake off: an instrument that never raises CTS would otherwise hold every
  // write, and the close after it, far beyond the time limit.
  t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

void sleep_ms(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace

void open(const std::string& name, const std::string& settings, std::uint16_t timeout_ms) {
  close();
  limit_ms = timeout_ms;
  // Never O_CREAT: a missing device must stay missing, not become a file.
  int d = ::open(device_path(name).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (d < 0) return;
  // Started with a standard descriptor closed, the port would take its number and a result
  // printed later would go to the instrument; keep the port above them.
  if (d <= STDERR_FILENO) {
    const int high = fcntl(d, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(d);
    if (high < 0) return;
    d = high;
  }
  // No sharing: TIOCEXCL alone does not stop a second process running as root, the
  // advisory lock does.
  if (flock(d, LOCK_EX | LOCK_NB) != 0) {
    ::close(d);
    return;
  }
  fd = d;
  gone = false;
  ioctl(fd, TIOCEXCL);  // fails quietly on what is not a terminal

  termios t{};
  if (tcgetattr(fd, &t) != 0) return;
  // The settings amend the line as it was read; raw mode then clears size and parity, so
  // they are put back from the amended settings afterwards.
  line_settings::LineSettings s = decode(t);
  line_settings::apply(settings, s);
  make_raw(t);
  encode(s, t);
  tcsetattr(fd, TCSANOW, &t);
}

void close() {
  if (fd < 0) return;
  // Closing a terminal waits until its output has gone out, for up to 30 s on Linux. Give the
  // line the time limit, then drop what it did not take, so the close cannot hold the run.
  const std::uint32_t start = ticks();
  int unsent = 0;
  while (!gone && ioctl(fd, TIOCOUTQ, &unsent) == 0 && unsent > 0 && ticks() - start <= limit_ms) {
    sleep_ms(5);
  }
  // Only what is still stuck: on a pty the flush would also drop what the other end has not
  // read yet.
  if (unsent > 0) tcflush(fd, TCOFLUSH);
  // A pty's slave keeps the exclusive mode while its master stays open: give it back.
  ioctl(fd, TIOCNXCL);
  ::close(fd);
  fd = -1;
  gone = false;
}

std::uint32_t queued() {
  if (fd < 0 || gone) return 0;
  int n = 0;
  if (ioctl(fd, FIONREAD, &n) != 0) {
    // A hung-up terminal answers EIO; a descriptor that is no terminal is simply silent.
    if (errno == EIO) gone = true;
    return 0;
  }
  return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

bool read_byte(char& c) {
  if (fd < 0 || gone) return false;
  const ssize_t n = ::read(fd, &c, 1);
  if (n == 1) return true;
  // A read of nothing after the queue said "waiting" means the other end is gone.
  if (n == 0 || (errno != EAGAIN && errno != EINTR)) gone = true;
  return false;
}

void write(const std::string& bytes, std::uint16_t timeout_ms) {
  if (fd < 0 || gone) return;
  const std::uint32_t start = ticks();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    const std::uint32_t elapsed = ticks() - start;
    if (elapsed >= timeout_ms) return;
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, static_cast<int>(timeout_ms - elapsed)) > 0 &&
        (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
      return;
    }
  }
}

void wait_readable(std::uint32_t ms) {
  if (fd < 0 || gone) {
    sleep_ms(ms);
    return;
  }
  const std::uint32_t start = ticks();
  for (;;) {
    const std::uint32_t elapsed = ticks() - start;
    if (elapsed >= ms) return;
    const std::uint32_t left = ms - elapsed;
    pollfd p{fd, POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
      gone = true;
      sleep_ms(left);
    } else if (queued() == 0) {
      // Readable with nothing queued: not a terminal (a file at its end, say). Pause briefly
      // so the caller's loop cannot run hot.
      sleep_ms(left < 20 ? left : 20);
    }
    return;
  }
}

std::uint32_t ticks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                           static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace ucommw32::platform
