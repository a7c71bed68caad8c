// Reading the instrument's analog inputs: channel 0 the wavelength (nm), 1 the absorbance,
// 2 the transmission (%). One request ("T" or "A" and a carriage return), one reply line;
// the quantity sits at a fixed place in the line.
#pragma once

#include <cstdint>
#include <string_view>

namespace driver {

/// Converts a reply field ("[blanks][sign][digits][.digits][E[sign]digits]", the point always)
/// into `out`; false for any other form and for a value too large for a 64-bit real.
bool parse_reply_number(std::string_view field, double& out);

/// The channel's reading as a real; -777.0 when the instrument gives none (after ~1 s).
double ead(std::int32_t channel);

/// The reading scaled to an integer (nm, absorbance × 1000, transmission × 100); -777 for a
/// channel outside 0 to 2 (the port is not touched) or a scaled value beyond 64 bits.
std::int32_t ea(std::int32_t channel);

/// The channel's name in lower case; empty outside 0 to 2.
std::string_view nea(std::int32_t channel);

/// The channel's name, capitalised; empty outside 0 to 2.
std::string_view nead(std::int32_t channel);

}  // namespace driver
