// The keyword table: every keyword, in table order, bound to its driver function and to the
// argument forms it takes from the two numbers.
#pragma once

#include <string>
#include <string_view>

namespace front {

struct Numbers {
  double first = 11.0;
  double second = 22.0;
};

/// Runs the row whose keyword equals `keyword` byte for byte and puts its printed result (no
/// line end) in `line`; false when no row matches. A fault met while deriving the row's
/// arguments or inside its function is left pending in numeric, and `line` is then empty.
bool dispatch(std::string_view keyword, const Numbers& numbers, char separator, std::string& line);

}  // namespace front
