// The build constants of one program: everything in which vostrel_jenway_com1 and
// vostrel_jenway_com5 differ. front/constants.cpp is compiled once per program with its
// JENWAY_PORT_NUMBER; every other source is shared.
#pragma once

#include <string_view>

namespace constants {

/// The serial port handed to the session ("com1:").
std::string_view port_name();

/// The line settings handed to the session: 34 bytes, a blank and a zero byte last.
std::string_view port_settings();

/// Line 2 of the usage text.
std::string_view usage_line2();

/// The driver's title ("Jenway 6320, Com1:").
std::string_view title();

/// The driver's description (Windows-1252).
std::string_view detail();

}  // namespace constants
