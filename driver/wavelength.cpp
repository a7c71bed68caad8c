#include "driver/wavelength.h"

#include <string>

#include "driver/numeric.h"
#include "serial/ucommw32.h"

namespace driver {
namespace {

constexpr std::string_view output_name = "lambda (nm)";

void send_wavelength(std::int32_t nm) { ucommw32::send_text("G" + std::to_string(nm) + "\r"); }

}  // namespace

std::int32_t sa(std::int32_t channel, std::int32_t value) {
  if (channel != 0) return -777;
  ucommw32::port_open();
  send_wavelength(value);
  ucommw32::port_close();
  return value;
}

double sad(std::int32_t channel, double value) {
  if (channel != 0) return -777.0;
  ucommw32::port_open();
  std::int64_t rounded;
  if (!numeric::round_half_even(value, rounded)) {
    numeric::raise(numeric::Fault::invalid_op, reinterpret_cast<std::uintptr_t>(&sad));
    ucommw32::port_close();
    return value;
  }
  send_wavelength(numeric::low32(rounded));
  ucommw32::port_close();
  return value;
}

std::string_view nsa(std::uint16_t channel) { return channel == 0 ? output_name : std::string_view(); }

std::string_view nsad(std::int32_t channel) { return channel == 0 ? output_name : std::string_view(); }

std::int32_t rsa(std::int32_t) { return -777; }

double rsad(std::int32_t) { return -777.0; }

}  // namespace driver
