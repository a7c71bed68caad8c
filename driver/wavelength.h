// The instrument's one analog output, channel 0: its wavelength setting in nanometres.
// Setting it sends "G", the whole number and a carriage return; no reply is awaited, and the
// setting cannot be read back.
#pragma once

#include <cstdint>
#include <string_view>

namespace driver {

/// Sets the wavelength on channel 0 and returns `value`; -777 for any other channel (the port
/// is not touched). An instrument that does not listen goes unnoticed.
std::int32_t sa(std::int32_t channel, std::int32_t value);

/// Sets the wavelength to `value` rounded (ties to even, low 32 bits) and returns `value`
/// itself; -777.0 for any other channel. A value whose rounding falls outside 64 bits raises
/// the invalid-operation fault and sends nothing.
double sad(std::int32_t channel, double value);

/// "lambda (nm)" for channel 0, else empty (the channel is taken as its low 16 bits).
std::string_view nsa(std::uint16_t channel);

/// "lambda (nm)" for channel 0, else empty.
std::string_view nsad(std::int32_t channel);

/// -777: the setting cannot be read back, and no run remembers the one before.
std::int32_t rsa(std::int32_t channel);

/// -777.0, as rsa.
double rsad(std::int32_t channel);

}  // namespace driver
