#include "driver/reading.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "driver/numeric.h"
#include "serial/ucommw32.h"

namespace driver {
namespace {

constexpr double failure_real = -777.0;
constexpr std::int32_t failure_int = -777;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

struct Channel {
  const char* request;     // sent with a carriage return
  std::size_t field_from;  // 0-based start of the field in the reply line
  std::size_t field_size;
  long double scale;  // of `ea`
  std::string_view name_lower;
  std::string_view name_capital;
};

const Channel channels[] = {
    {"T\r", 7, 5, 1.0L, "longueur d'onde (nm)", "longueur d'onde (nm)"},
    {"A\r", 0, 6, 1000.0L, "absorption", "Absorption"},
    {"T\r", 0, 6, 100.0L, "transmission", "Transmission"},
};

const Channel* find(std::int32_t channel) {
  return (channel >= 0 && channel <= 2) ? &channels[channel] : nullptr;
}

}  // namespace

bool parse_reply_number(std::string_view field, double& out) {
  field = field.substr(0, field.find('\0'));
  std::size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i == field.size()) return false;  // empty, or blanks only

  bool negative = false;
  if (field[i] == '+' || field[i] == '-') {
    negative = field[i] == '-';
    ++i;
    if (i == field.size()) return false;  // a sign alone
  }

  long double digits = 0.0L;
  long exponent = 0;
  while (i < field.size() && is_digit(field[i])) digits = digits * 10 + (field[i++] - '0');
  if (i < field.size() && field[i] == '.') {
    ++i;
    while (i < field.size() && is_digit(field[i])) {
      digits = digits * 10 + (field[i++] - '0');
      --exponent;
    }
  }
  if (i < field.size() && (field[i] == 'E' || field[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
      exponent_negative = field[i] == '-';
      ++i;
    }
    if (i == field.size() || !is_digit(field[i])) return false;
    long e = 0;
    // Saturate: anything past a few thousand is out of every range anyway.
    while (i < field.size() && is_digit(field[i])) {
      if (e < 100000) e = e * 10 + (field[i] - '0');
      ++i;
    }
    exponent += exponent_negative ? -e : e;
  }
  if (i != field.size()) return false;

  long double value = numeric::scale_by_ten(digits, exponent);
  if (negative) value = -value;
  // A reading too large for a real is no reading: it must not end the run.
  if (std::isinf(value)) return false;
  return numeric::narrow_to_real(value, out);
}

double ead(std::int32_t channel) {
  using namespace ucommw32;
  const Channel* c = find(channel);
  port_open();

  // Only what arrives after the request may form the reply. The drain has the same limit
  // as a read, so an instrument that never stops talking cannot hold the run.
  const std::uint32_t start = tick_count();
  while (rx_count() != 0 && static_cast<std::uint32_t>(tick_count() - start) <= port_timeout_ms) {
    read_char();
  }

  if (c != nullptr) send_text(c->request);
  const std::string line = read_line();
  // Any other channel sends nothing and takes a line the instrument sends of its own, whole.
  const std::string_view field =
      c == nullptr ? std::string_view(line)
                   : std::string_view(line).substr(std::min(c->field_from, line.size()), c->field_size);
  double reading = failure_real;
  if (!parse_reply_number(field, reading)) reading = failure_real;
  port_close();
  return reading;
}

std::int32_t ea(std::int32_t channel) {
  const Channel* c = find(channel);
  if (c == nullptr) return failure_int;
  const double reading = ead(channel);
  std::int64_t rounded;
  if (!numeric::round_half_even(static_cast<long double>(reading) * c->scale, rounded)) {
    return failure_int;
  }
  return numeric::low32(rounded);
}

std::string_view nea(std::int32_t channel) {
  const Channel* c = find(channel);
  return c == nullptr ? std::string_view() : c->name_lower;
}

std::string_view nead(std::int32_t channel) {
  const Channel* c = find(channel);
  return c == nullptr ? std::string_view() : c->name_capital;
}

}  // namespace driver
