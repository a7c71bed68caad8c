#include "driver/numeric.h"

#include <cmath>

namespace numeric {
namespace {

Fault pending_fault = Fault::none;
std::uintptr_t pending_fault_site = 0;

// 2^63, exact in every real format: the first value past the 64-bit integer range.
constexpr long double two_63 = 9223372036854775808.0L;

}  // namespace

bool round_half_even(long double x, std::int64_t& out) {
  // nearbyint follows the current rounding mode, which the program never changes from
  // round-to-nearest-even.
  const long double r = std::nearbyint(x);
  if (!(r >= -two_63 && r < two_63)) return false;  // also rejects NaN
  out = static_cast<std::int64_t>(r);
  return true;
}

std::int32_t low32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

bool narrow_to_real(long double x, double& out) {
  const double d = static_cast<double>(x);
  if (std::isinf(d) && !std::isinf(x)) return false;
  out = d;
  return true;
}

bool narrow_to_single(double x, float& out) {
  const float f = static_cast<float>(x);
  if (std::isinf(f) && !std::isinf(x)) return false;
  out = f;
  return true;
}

namespace {

// 10^n for 0 <= n <= 4932 by squaring; the squares from 10^32 on carry a rounding each.
long double power_of_ten(long n) {
  long double result = 1.0L;
  long double base = 10.0L;
  while (n > 0) {
    if (n & 1) result *= base;
    base *= base;
    n >>= 1;
  }
  return result;
}

// Past this, 10^n no longer fits the extended range.
constexpr long max_power = 4932;

}  // namespace

long double scale_by_ten(long double digits, long exponent) {
  if (digits == 0.0L) return digits;
  if (exponent >= 0) {
    if (exponent > max_power) return digits * HUGE_VALL;
    return digits * power_of_ten(exponent);
  }
  // Dividing by the exact power keeps short fractions (540.5, 0.523) correctly rounded; a
  // divisor too large for the range is taken in steps.
  long n = -exponent;
  while (n > max_power) {
    digits /= power_of_ten(max_power);
    n -= max_power;
    if (digits == 0.0L) return digits;
  }
  return digits / power_of_ten(n);
}

void raise(Fault fault, std::uintptr_t site) {
  if (pending_fault != Fault::none) return;
  pending_fault = fault;
  pending_fault_site = site;
}

Fault pending() { return pending_fault; }

std::uintptr_t pending_site() { return pending_fault_site; }

void clear() {
  pending_fault = Fault::none;
  pending_fault_site = 0;
}

}  // namespace numeric
