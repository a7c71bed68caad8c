// The driver's entry: one run performs at most one driver function and prints one line.
#include <cstdint>
#include <string>

#include "driver/numeric.h"
#include "front/arguments.h"
#include "front/constants.h"
#include "front/host.h"
#include "front/keywords.h"
#include "front/report.h"
#include "serial/ucommw32.h"

namespace {

int report(front::ErrorClass error, std::uintptr_t site, const char* argv0, std::string_view argument = {}) {
  host::write_out(front::error_report(error, host::module_name(argv0), host::code_address(site), argument));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  host::start();
  ucommw32::set_port_name(std::string(constants::port_name()));
  ucommw32::set_port_settings(std::string(constants::port_settings()));
  const char separator = host::decimal_separator();
  const char* argv0 = argc > 0 ? argv[0] : nullptr;

  front::Numbers numbers;
  const std::string keyword = argc > 1 ? front::fold_keyword(argv[1]) : std::string();
  // The first number is converted whatever the keyword, and its failure ends the run.
  if (argc > 2) {
    const auto site = reinterpret_cast<std::uintptr_t>(&front::parse_argument);
    switch (front::parse_argument(argv[2], separator, numbers.first)) {
      case front::Conversion::ok: break;
      case front::Conversion::rejected: return report(front::ErrorClass::convert, site, argv0, argv[2]);
      case front::Conversion::overflow: return report(front::ErrorClass::overflow, site, argv0);
    }
  }
  if (argc > 3 && front::parse_argument(argv[3], separator, numbers.second) != front::Conversion::ok) {
    numbers.second = 0.0;
  }

  std::string line;
  if (front::dispatch(keyword, numbers, separator, line)) {
    switch (numeric::pending()) {
      case numeric::Fault::none: break;
      case numeric::Fault::invalid_op: return report(front::ErrorClass::invalid_op, numeric::pending_site(), argv0);
      case numeric::Fault::overflow: return report(front::ErrorClass::overflow, numeric::pending_site(), argv0);
    }
    host::write_out(line + "\r\n");
  }
  if (argc <= 1) host::write_out(front::usage_text(constants::usage_line2()));
  return 0;
}
