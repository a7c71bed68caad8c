// The serial port on Windows: the communications API on one non-overlapped handle.
//
// Every result is ignored on purpose: a port that does not open stays INVALID_HANDLE_VALUE,
// and every call on that handle fails quietly, so the session sees a silent instrument.
#include "serial/ucommw32_platform.h"

#include <windows.h>

namespace ucommw32::platform {
namespace {

HANDLE port = INVALID_HANDLE_VALUE;

// Windows' BuildCommDCBA ignores blanks after the last item; Wine's (seen with Wine 8)
// rejects the whole text for them and would leave the line as it was. The programs' own
// settings text ends in a blank, so it goes without its trailing blanks to both, which then
// agree. Blanks between items are left alone: both systems take those.
std::string without_trailing_blanks(const std::string& text) {
  const std::size_t end = text.find_last_not_of(" \t");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

void open(const std::string& name, const std::string& settings, std::uint16_t timeout_ms) {
  close();
  // No sharing: a second program that asks for the port while this one holds it is refused.
  // Windows and Wine both take "com1:" with its colon as the device.
  port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  SetupComm(port, 256, 256);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(port, &dcb);
  const std::string items = without_trailing_blanks(settings);
  BuildCommDCBA(items.c_str(), &dcb);
  SetCommState(port, &dcb);
  // No interval limit: a read waits for its byte up to the one limit, as a write does.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = timeout_ms;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = timeout_ms;
  SetCommTimeouts(port, &timeouts);
}

void close() {
  if (port == INVALID_HANDLE_VALUE) return;
  CloseHandle(port);
  port = INVALID_HANDLE_VALUE;
}

std::uint32_t queued() {
  if (port == INVALID_HANDLE_VALUE) return 0;
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(port, &errors, &stat)) return 0;
  return stat.cbInQue;
}

bool read_byte(char& c) {
  if (port == INVALID_HANDLE_VALUE) return false;
  DWORD got = 0;
  return ReadFile(port, &c, 1, &got, nullptr) && got == 1;
}

void write(const std::string& bytes, std::uint16_t) {
  // The write limit was set on the handle at open.
  if (port == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void wait_readable(std::uint32_t ms) {
  if (port == INVALID_HANDLE_VALUE) {
    Sleep(ms);
    return;
  }
  // A non-overlapped handle has no bounded wait for "a byte came" (WaitCommEvent on it blocks
  // with no limit), and the read limit belongs to the session; so look at the queue between
  // pauses of one tick of the system's sleep (1 ms under Wine, up to ~16 ms on Windows unless
  // another program raised the timer rate), which costs next to nothing while the line is
  // quiet.
  const DWORD start = GetTickCount();
  while (queued() == 0) {
    if (GetTickCount() - start >= ms) return;
    Sleep(1);
  }
}

std::uint32_t ticks() { return GetTickCount(); }

}  // namespace ucommw32::platform
