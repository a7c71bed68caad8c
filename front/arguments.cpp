#include "front/arguments.h"

#include <cmath>

#include "driver/numeric.h"

namespace front {
namespace {

constexpr std::size_t max_keyword = 255;
// Exponent digits are taken only while the exponent read so far is below this; a digit left
// over makes the text invalid.
constexpr long exponent_stop = 500;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

Conversion parse_argument(std::string_view text, char separator, double& out) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  long double digits = 0.0L;
  long exponent = 0;
  bool any = false;  // a digit or the separator
  while (i < n && is_digit(text[i])) {
    digits = digits * 10 + (text[i++] - '0');
    any = true;
  }
  if (i < n && text[i] == separator) {
    ++i;
    any = true;
    while (i < n && is_digit(text[i])) {
      digits = digits * 10 + (text[i++] - '0');
      --exponent;
    }
  }
  if (!any) return Conversion::rejected;

  if (i < n && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
    long e = 0;
    while (i < n && is_digit(text[i]) && e < exponent_stop) e = e * 10 + (text[i++] - '0');
    exponent += exponent_negative ? -e : e;
  }
  while (i < n && text[i] == ' ') ++i;
  if (i != n) return Conversion::rejected;

  long double value = numeric::scale_by_ten(digits, exponent);
  if (std::isinf(value)) return Conversion::rejected;
  if (negative) value = -value;
  double narrowed;
  if (!numeric::narrow_to_real(value, narrowed)) return Conversion::overflow;
  out = narrowed;
  return Conversion::ok;
}

std::string fold_keyword(std::string_view argument) {
  std::string keyword(argument.substr(0, max_keyword));
  for (char& c : keyword) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return keyword;
}

}  // namespace front
