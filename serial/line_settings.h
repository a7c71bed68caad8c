// The line settings text, in the form of the platform's device-control string:
// blank-separated key=value items, "baud=1200 parity=o data=7 stop=1".
#pragma once

#include <cstdint>
#include <string_view>

namespace line_settings {

enum class Parity { none, even, odd, mark, space };
enum class StopBits { one, one_and_half, two };

struct LineSettings {
  std::uint32_t baud = 9600;
  Parity parity = Parity::none;
  int data_bits = 8;
  StopBits stop_bits = StopBits::one;
};

/// Applies the items of `text` (up to its first zero byte) to `s` in order, keeping what was
/// applied; stops at the first item that cannot be parsed and then returns false.
bool apply(std::string_view text, LineSettings& s);

}  // namespace line_settings
