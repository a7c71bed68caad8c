#include "front/host.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

// The linker's mark of the program image's first byte, where the DOS header sits.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace host {
namespace {

std::string base_name(const std::string& path) {
  const std::size_t sep = path.find_last_of("\\/");
  return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace

void start() {
  // Results end in CR LF and the texts carry Windows-1252 bytes: the C runtime's text mode
  // would turn each LF into CR LF again. write_out bypasses the runtime, but anything that
  // goes through stdout must stay bytes as well. A process started without a stdout has no
  // descriptor for it (-2), and _setmode must not be handed one it does not know.
  const int fd = _fileno(stdout);
  if (fd >= 0) _setmode(fd, _O_BINARY);
}

char decimal_separator() {
  char buf[8];
  // The count includes the terminating zero: 2 is one byte of separator.
  const int n = GetLocaleInfoA(GetThreadLocale(), LOCALE_SDECIMAL, buf, sizeof buf);
  return n == 2 ? buf[0] : '.';
}

std::string module_name(const char* argv0) {
  // Long enough for the longest path Windows hands out; a truncated one (n == size) would
  // have lost its file name, so argv[0] stands in then.
  static char path[32768];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n > 0 && n < sizeof path) return base_name(std::string(path, n));
  return argv0 != nullptr ? base_name(argv0) : std::string();
}

std::uint32_t code_address(std::uintptr_t address) {
  return static_cast<std::uint32_t>(address - reinterpret_cast<std::uintptr_t>(&__ImageBase));
}

void write_out(std::string_view bytes) {
  // Straight to the handle: no runtime buffering or translation, and a process with no
  // stdout (a null or invalid handle) writes nothing instead of failing.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written == 0) {
      return;
    }
    bytes.remove_prefix(written);
  }
}

}  // namespace host
