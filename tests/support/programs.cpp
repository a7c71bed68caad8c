#include "support/programs.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <unistd.h>

namespace programs {
namespace {

std::string env_or_empty(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

std::string wine_prefix() { return env_or_empty("JENWAY_WINE_PREFIX"); }

std::string base_name(int port) { return "vostrel_jenway_com" + std::to_string(port); }

// Re-pointed for every run; Wine follows the link afresh at each open of "comN:". The
// prefix's dosdevices/comN lead here (tests/wine/make-prefix), and unlike those links this one
// is not rewritten when a wineserver starts.
void link_port(int port, const std::string& device) {
  const std::string link = wine_prefix() + "/ports/com" + std::to_string(port);
  const std::string temp = link + ".new";
  unlink(temp.c_str());
  if (symlink(device.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), link.c_str()) != 0) {
    throw std::runtime_error("cannot point " + link + " at " + device);
  }
}

void add_wine_environment(harness::RunOptions& options) {
  options.env.emplace_back("WINEPREFIX", wine_prefix());
  options.env.emplace_back("WINEDEBUG", "-all");
  // Nothing may try to open a window.
  options.unset_env.insert(options.unset_env.end(), {"DISPLAY", "WAYLAND_DISPLAY"});
}

}  // namespace

bool under_wine() { return !wine_prefix().empty(); }

std::string file(int port) {
  if (!under_wine()) return harness::program_path(port);
#ifdef JENWAY_WINDOWS_DIR
  return std::string(JENWAY_WINDOWS_DIR) + "/" + base_name(port) + ".exe";
#else
  throw std::runtime_error("the Windows programs were not built (configure with JENWAY_WINDOWS=ON)");
#endif
}

std::vector<std::string> command_for_file(const std::string& path) {
  if (!under_wine()) return {path};
  return {"wine", path};
}

std::vector<std::string> command(int port) { return command_for_file(file(port)); }

std::string module_name(int port) { return base_name(port) + (under_wine() ? ".exe" : ""); }

void point_port(int port, const std::string& device, harness::RunOptions& options) {
  if (under_wine()) {
    link_port(port, device);
    link_port(port == 1 ? 5 : 1, nowhere);
    add_wine_environment(options);
    return;
  }
  options.env.emplace_back("COM" + std::to_string(port) + "_DEVICE", device);
  options.env.emplace_back(port == 1 ? "COM5_DEVICE" : "COM1_DEVICE", nowhere);
}

harness::RunResult run(int port, const std::string& device, const std::vector<std::string>& args,
                       harness::RunOptions options) {
  std::vector<std::string> argv = command(port);
  argv.insert(argv.end(), args.begin(), args.end());
  point_port(port, device, options);
  return harness::run(argv, options);
}

}  // namespace programs
