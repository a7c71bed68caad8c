#include "serial/ucommw32.h"

#include "serial/ucommw32_platform.h"

namespace ucommw32 {
namespace {

constexpr std::size_t max_port_name = 83;

std::string name = "Com1:";
std::string settings("baud=1200 parity=e data=7 stop=1\0", 33);

}  // namespace

void set_port_name(const std::string& n) { name = n.substr(0, max_port_name); }

void set_port_settings(const std::string& s) { settings = s.substr(0, max_text); }

void port_open() {
  // The platform reads both texts only up to their first zero byte.
  platform::open(name.substr(0, name.find('\0')), settings.substr(0, settings.find('\0')),
                 port_timeout_ms);
}

void port_close() { platform::close(); }

std::uint16_t rx_count() { return static_cast<std::uint16_t>(platform::queued()); }

std::uint32_t tick_count() { return platform::ticks(); }

// Both loops read only when the queue holds a byte, and while it is empty they sleep on the
// port for the time left instead of polling it continuously: a silent second costs no CPU.
// The limit is inclusive: a loop goes on while at most port_timeout_ms have passed.

char read_char() {
  const std::uint32_t start = tick_count();
  char c = 0;
  for (;;) {
    const bool waiting = rx_count() != 0;
    if (waiting && platform::read_byte(c)) break;
    const std::uint32_t elapsed = tick_count() - start;
    if (elapsed > port_timeout_ms) break;
    if (!waiting) platform::wait_readable(port_timeout_ms - elapsed + 1);
  }
  return c;
}

std::string read_line() {
  std::string line;
  const std::uint32_t start = tick_count();
  for (;;) {
    const bool waiting = rx_count() != 0;
    char c;
    if (waiting && platform::read_byte(c) && line.size() < max_text) line.push_back(c);
    if (!line.empty() && line.back() == '\r') break;
    const std::uint32_t elapsed = tick_count() - start;
    if (elapsed > port_timeout_ms) break;
    if (!waiting) platform::wait_readable(port_timeout_ms - elapsed + 1);
  }
  // Only a line that reached its carriage return counts; a line cut by the limit is lost.
  if (line.empty() || line.back() != '\r') return std::string();
  line.pop_back();
  return line;
}

void send_text(const std::string& text) { platform::write(text.substr(0, max_text), port_timeout_ms); }

}  // namespace ucommw32
