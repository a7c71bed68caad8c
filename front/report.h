// The texts the front end prints besides results: the usage text and the error report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace front {

enum class ErrorClass { convert, invalid_op, overflow };

/// The five usage lines, each ended by CR LF, with `line2` naming the program's port.
std::string usage_text(std::string_view line2);

/// The error report, CR LF ended: "Exception <class> dans le module <module> à <address>."
/// LF, then the message with a final point; `argument` is the text a convert error rejected.
/// The text before the CR LF is cut to 1023 bytes.
std::string error_report(ErrorClass error, std::string_view module, std::uint32_t address,
                         std::string_view argument = {});

}  // namespace front
