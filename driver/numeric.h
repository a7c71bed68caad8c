// Number helpers shared by the front end and the driver functions: the rounding of a real to
// an integer, the narrowings between the real formats, and the floating-point fault that a
// driver function may raise on a caller's number.
//
// Arithmetic runs in extended precision (long double, the 80-bit format on x86); a fault is
// not an exception: the function that meets it records it here and returns at once, and the
// front end turns it into the error report.
#pragma once

#include <cstdint>

namespace numeric {

enum class Fault { none, invalid_op, overflow };

/// Rounds to the nearest integer, ties to the even neighbour; false when the result lies
/// outside the 64-bit integer range or x is not a number.
bool round_half_even(long double x, std::int64_t& out);

/// The low 32 bits of v as a signed 32-bit integer.
std::int32_t low32(std::int64_t v);

/// Narrows to a 64-bit real, to the nearest value; false when x is finite but beyond its range.
bool narrow_to_real(long double x, double& out);

/// Narrows to a 32-bit real, to the nearest value; false when x is finite but beyond its range.
bool narrow_to_single(double x, float& out);

/// digits × 10^exponent, computed in extended precision (dividing for a negative exponent);
/// infinite when the result overflows the extended range, 0 when it is too small for it.
long double scale_by_ten(long double digits, long exponent);

/// Records a fault met at code address `site`; the first one recorded is kept.
void raise(Fault fault, std::uintptr_t site);

/// The fault recorded so far, or Fault::none.
Fault pending();

/// The code address of the pending fault, or 0.
std::uintptr_t pending_site();

/// Forgets the pending fault (for tests).
void clear();

}  // namespace numeric
