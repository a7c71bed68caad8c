// The serial port on Windows: the communications API on one non-overlapped handle.
//
// Every result is ignored on purpose: a port that does not open stays INVALID_HANDLE_VALUE,
// and every call on that handle fails quietly, so the session sees a silent instrument.
//
// Where Wine (seen with Wine 8) behaves otherwise than Windows, and what is done about it:
// - a second open of a port already open elsewhere succeeds, sharing mode or not: Windows'
//   serial driver refuses it. Under Wine a named mutex per port stands in for that refusal;
//   it reaches only the programs that share one wineserver (one prefix, one user).
// - a port whose Unix device is missing still opens (Wine's own device object for the port
//   answers), and then every call on it fails: Windows fails the open itself. The first
//   failed queue query marks the port gone, so the waits sleep instead of asking each tick.
// - BuildCommDCBA rejects a text with trailing blanks: see without_trailing_blanks.
#include "serial/ucommw32_platform.h"

#include <windows.h>

namespace ucommw32::platform {
namespace {

HANDLE port = INVALID_HANDLE_VALUE;
DWORD limit_ms = 1000;  // the session's time limit, as given at open
// Held while the port is open under Wine; null otherwise.
HANDLE guard = nullptr;
// Set when the port stops answering the queue query (an adapter pulled out, or Wine's missing
// device above): from then on the port reads as silent and every wait sleeps out its time.
bool gone = false;

bool under_wine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Takes the port's mutex under Wine; false when another process holds it. Elsewhere there is
// nothing to take, the open itself refuses.
bool take_guard(const std::string& name) {
  static const bool wine = under_wine();
  if (!wine) return true;
  // "com1:" and "COM1" are one port; a mutex name may not hold a backslash.
  std::string key;
  for (char c : name) {
    if (c == '\\') c = '_';
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    key.push_back(c);
  }
  if (!key.empty() && key.back() == ':') key.pop_back();
  const std::string mutex_name = "Global\\vostrel_jenway_port_" + key;
  guard = CreateMutexA(nullptr, FALSE, mutex_name.c_str());
  if (guard == nullptr) return true;  // no guard to be had: behave as Wine alone would
  const DWORD r = WaitForSingleObject(guard, 0);
  // An abandoned mutex belonged to a process that ended holding the port: it is free now.
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return true;
  CloseHandle(guard);
  guard = nullptr;
  return false;
}

void drop_guard() {
  if (guard == nullptr) return;
  ReleaseMutex(guard);
  CloseHandle(guard);
  guard = nullptr;
}

// Windows' BuildCommDCBA ignores blanks after the last item; Wine's rejects the whole text
// for them and would leave the line as it was. The programs' own settings text ends in a
// blank, so it goes without its trailing blanks to both, which then agree. Blanks between
// items are left alone: both systems take those.
std::string without_trailing_blanks(const std::string& text) {
  const std::size_t end = text.find_last_not_of(" \t");
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace

void open(const std::string& name, const std::string& settings, std::uint16_t timeout_ms) {
  close();
  gone = false;
  limit_ms = timeout_ms;
  if (!take_guard(name)) return;
  // No sharing: a second program that asks for the port while this one holds it is refused.
  // Windows and Wine both take "com1:" with its colon as the device.
  port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  // INVALID_HANDLE_VALUE is also the pseudo-handle of this very process: the port calls must
  // not be aimed at it.
  if (port == INVALID_HANDLE_VALUE) {
    drop_guard();
    return;
  }
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
  if (port != INVALID_HANDLE_VALUE) {
    // Windows' write returns once its time limit is out, but under Wine the bytes wait in the
    // Unix terminal's queue, and closing that waits until they have gone out (up to 30 s on
    // Linux). Give the line the time limit, then drop what it did not take.
    const DWORD start = GetTickCount();
    DWORD errors = 0;
    COMSTAT stat{};
    while (!gone && ClearCommError(port, &errors, &stat) && stat.cbOutQue > 0 &&
           GetTickCount() - start <= limit_ms) {
      Sleep(5);
    }
    if (stat.cbOutQue > 0) PurgeComm(port, PURGE_TXCLEAR);
    CloseHandle(port);
  }
  port = INVALID_HANDLE_VALUE;
  drop_guard();
  gone = false;
}

std::uint32_t queued() {
  if (port == INVALID_HANDLE_VALUE || gone) return 0;
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(port, &errors, &stat)) {
    gone = true;
    return 0;
  }
  return stat.cbInQue;
}

bool read_byte(char& c) {
  if (port == INVALID_HANDLE_VALUE || gone) return false;
  DWORD got = 0;
  return ReadFile(port, &c, 1, &got, nullptr) && got == 1;
}

void write(const std::string& bytes, std::uint16_t) {
  // The write limit was set on the handle at open.
  if (port == INVALID_HANDLE_VALUE || gone) return;
  DWORD written = 0;
  WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void wait_readable(std::uint32_t ms) {
  const DWORD start = GetTickCount();
  if (port == INVALID_HANDLE_VALUE || gone) {
    Sleep(ms);
    return;
  }
  // A non-overlapped handle has no bounded wait for "a byte came" (WaitCommEvent on it blocks
  // with no limit), and the read limit belongs to the session; so look at the queue between
  // pauses of one tick of the system's sleep (1 ms under Wine, up to ~16 ms on Windows unless
  // another program raised the timer rate), which costs next to nothing while the line is
  // quiet.
  while (queued() == 0) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    if (gone) {
      Sleep(ms - elapsed);
      return;
    }
    Sleep(1);
  }
}

std::uint32_t ticks() { return GetTickCount(); }

}  // namespace ucommw32::platform
