// The command line's words: the keyword, folded to upper case, and the two numbers, read with
// the user's decimal separator.
#pragma once

#include <string>
#include <string_view>

namespace front {

enum class Conversion {
  ok,
  rejected,  // not a number of the accepted form, or beyond the extended range
  overflow,  // a number, but beyond the 64-bit real range
};

/// Converts "[blanks][sign][digits][sep digits][E[sign][digits]][blanks]" into `out` (left
/// untouched unless the result is ok); the digits are scaled in extended precision.
Conversion parse_argument(std::string_view text, char separator, double& out);

/// The keyword: letters a to z turned into A to Z, nothing else changed, cut to 255 bytes.
std::string fold_keyword(std::string_view argument);

}  // namespace front
