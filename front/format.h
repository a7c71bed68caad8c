// Printing a real: the general format with 18 significant digits.
#pragma once

#include <string>

namespace front {

/// The value's 18 most significant digits, correctly rounded (ties to even), trailing zeros
/// dropped; fixed notation for decimal exponents -3 to 18, else "d.dddE-n"; "INF", "-INF",
/// "NAN"; both zeros print "0".
std::string format_real(double value, char separator);

}  // namespace front
