#include "driver/std_family.h"

#include "driver/identity.h"
#include "driver/numeric.h"
#include "driver/reading.h"
#include "driver/wavelength.h"

namespace driver {
namespace {

// A reading or value that 32 bits cannot hold is the failure value, like any failed reading:
// what the instrument sends must never end the run with an error report.
float single_or_failure(double value) {
  float narrowed;
  return numeric::narrow_to_single(value, narrowed) ? narrowed : -777.0f;
}

}  // namespace

std::int32_t stdea(std::int32_t channel) { return ea(channel); }
std::string_view stdnea(std::int32_t channel) { return nea(channel); }
double stdead(std::int32_t channel) { return ead(channel); }
float stdeads(std::int32_t channel) { return single_or_failure(ead(channel)); }
std::string_view stdnead(std::int32_t channel) { return nead(channel); }
std::int32_t stdsa(std::int32_t channel, std::int32_t value) { return sa(channel, value); }
std::string_view stdnsa(std::uint16_t channel) { return nsa(channel); }
std::int32_t stdrsa(std::int32_t channel) { return rsa(channel); }
double stdsad(std::int32_t channel, double value) { return sad(channel, value); }
// sad hands back the widened value itself or -777.0, both exact in 32 bits.
float stdsas(std::int32_t channel, float value) { return static_cast<float>(sad(channel, value)); }
std::string_view stdnsad(std::int32_t channel) { return nsad(channel); }
double stdrsad(std::int32_t channel) { return rsad(channel); }
float stdrsas(std::int32_t channel) { return single_or_failure(rsad(channel)); }
std::int32_t stdeb(std::int32_t channel) { return eb(channel); }
std::string_view stdneb(std::int32_t channel) { return neb(channel); }
std::int32_t stdsb(std::int32_t channel, std::int32_t value) { return sb(channel, value); }
std::string_view stdnsb(std::int32_t channel) { return nsb(channel); }
std::int32_t stdrsb(std::int32_t channel) { return rsb(channel); }
std::string_view stdtitre() { return titre(); }
std::string_view stddetail() { return detail(); }

}  // namespace driver
