// Which build of the driver programs the integration tests run: the native programs, or the
// Windows programs (built beside them) under Wine when the environment variable
// JENWAY_WINE_PREFIX names a prefix readied by tests/wine/start. The same tests run either way.
#pragma once

#include <string>
#include <vector>

#include "support/harness.h"

namespace programs {

/// A port path that names nothing: where a program's port points when a run needs none.
constexpr const char* nowhere = "/nonexistent/jenway-port";

/// True when the tests run the Windows programs under Wine.
bool under_wine();

/// The command that runs the program for COM port 1 or 5, before its arguments.
std::vector<std::string> command(int port);

/// The command that runs a copy of a program file under another name (same platform).
std::vector<std::string> command_for_file(const std::string& path);

/// The path of the program file itself (the .exe under Wine).
std::string file(int port);

/// The program file's name as its error reports give it.
std::string module_name(int port);

/// Points the program's port at `device` for the next run (an environment variable
/// natively, the prefix's port link under Wine) and adds what the run needs.
void point_port(int port, const std::string& device, harness::RunOptions& options);

/// Runs the program with the given arguments, its port pointed at `device`.
harness::RunResult run(int port, const std::string& device, const std::vector<std::string>& args,
                       harness::RunOptions options = {});

}  // namespace programs
