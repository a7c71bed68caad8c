#include "front/format.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace front {
namespace {

constexpr int significant = 18;
// More digits than any double's exact decimal expansion has (767 at most).
constexpr int exact_digits = 800;

}  // namespace

std::string format_real(double value, char separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";

  // The exact expansion, "d.ddd…e±x", so that the rounding below is done once, on it.
  char buf[exact_digits + 16];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, exact_digits);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e_pos = text.find('e');
  std::string digits;
  digits.reserve(exact_digits + 1);
  for (char c : text.substr(0, e_pos)) {
    if (c != '.') digits.push_back(c);
  }
  // value = 0.d1d2d3… × 10^e
  int e = std::atoi(std::string(text.substr(e_pos + 1)).c_str()) + 1;

  const bool tie = digits[significant] == '5' &&
                   digits.find_first_not_of('0', significant + 1) == std::string::npos;
  const bool up = digits[significant] > '5' || (digits[significant] == '5' && !tie) ||
                  (tie && (digits[significant - 1] - '0') % 2 == 1);
  digits.resize(significant);
  if (up) {
    int i = significant - 1;
    while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<std::size_t>(i)];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++e;
    }
  }
  digits.erase(digits.find_last_not_of('0') + 1);

  std::string out = value < 0 ? "-" : "";
  const int count = static_cast<int>(digits.size());
  if (e >= -3 && e <= 18) {
    if (e <= 0) {
      out += '0';
      out += separator;
      out.append(static_cast<std::size_t>(-e), '0');
      out += digits;
    } else if (count <= e) {
      out += digits;
      out.append(static_cast<std::size_t>(e - count), '0');
    } else {
      out.append(digits, 0, static_cast<std::size_t>(e));
      out += separator;
      out.append(digits, static_cast<std::size_t>(e), std::string::npos);
    }
  } else {
    out += digits[0];
    if (count > 1) {
      out += separator;
      out.append(digits, 1, std::string::npos);
    }
    out += 'E';
    out += std::to_string(e - 1);
  }
  return out;
}

}  // namespace front
