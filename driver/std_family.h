// The second entry family: every driver function again under a "std" name, forwarding to its
// plain twin. stdeads, stdsas and stdrsas carry their reals at single precision.
#pragma once

#include <cstdint>
#include <string_view>

namespace driver {

/// ea(channel).
std::int32_t stdea(std::int32_t channel);
/// nea(channel).
std::string_view stdnea(std::int32_t channel);
/// ead(channel).
double stdead(std::int32_t channel);
/// ead(channel) narrowed to 32 bits; -777.0 when the reading is beyond the 32-bit range.
float stdeads(std::int32_t channel);
/// nead(channel).
std::string_view stdnead(std::int32_t channel);
/// sa(channel, value).
std::int32_t stdsa(std::int32_t channel, std::int32_t value);
/// nsa(channel), which sees the channel's low 16 bits.
std::string_view stdnsa(std::uint16_t channel);
/// rsa(channel).
std::int32_t stdrsa(std::int32_t channel);
/// sad(channel, value).
double stdsad(std::int32_t channel, double value);
/// sad(channel, value widened) narrowed back to 32 bits.
float stdsas(std::int32_t channel, float value);
/// nsad(channel).
std::string_view stdnsad(std::int32_t channel);
/// rsad(channel).
double stdrsad(std::int32_t channel);
/// rsad(channel) narrowed to 32 bits.
float stdrsas(std::int32_t channel);
/// eb(channel).
std::int32_t stdeb(std::int32_t channel);
/// neb(channel).
std::string_view stdneb(std::int32_t channel);
/// sb(channel, value).
std::int32_t stdsb(std::int32_t channel, std::int32_t value);
/// nsb(channel).
std::string_view stdnsb(std::int32_t channel);
/// rsb(channel).
std::int32_t stdrsb(std::int32_t channel);
/// titre().
std::string_view stdtitre();
/// detail().
std::string_view stddetail();

}  // namespace driver
