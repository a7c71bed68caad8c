#include "front/host.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>

#include <unistd.h>

// The linker's mark of the program image's first byte (GNU ld and lld both provide it).
extern "C" const char __executable_start[];

namespace host {
namespace {

std::string base_name(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void start() {
  // Writing to a reader that went away must not end the run with a signal.
  std::signal(SIGPIPE, SIG_IGN);
}

char decimal_separator() {
  // LC_ALL, then LC_NUMERIC, then LANG, as POSIX orders them; back to "C" afterwards so that
  // nothing else in the program depends on the locale.
  char separator = '.';
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && std::strlen(point) == 1) separator = point[0];
  }
  std::setlocale(LC_NUMERIC, "C");
  return separator;
}

std::string module_name(const char* argv0) {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n > 0) return base_name(std::string(path, static_cast<std::size_t>(n)));
  return argv0 != nullptr ? base_name(argv0) : std::string();
}

std::uint32_t code_address(std::uintptr_t address) {
  return static_cast<std::uint32_t>(address - reinterpret_cast<std::uintptr_t>(__executable_start));
}

void write_out(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace host
