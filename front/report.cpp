#include "front/report.h"

#include <cstdio>

namespace front {
namespace {

constexpr std::size_t max_report = 1023;

}  // namespace

std::string usage_text(std::string_view line2) {
  std::string text = "pilote executable pour spectrophotom\xE8tre Jenway 6320\r\n";
  text += line2;
  text +=
      "\r\n"
      "utiliser la syntaxe :\r\n"
      "./nompilote ead 0   pour mesure sur la voie 0\r\n"
      "./nompilote detail pour avoir des details sur le pilote\r\n";
  return text;
}

std::string error_report(ErrorClass error, std::string_view module, std::uint32_t address,
                         std::string_view argument) {
  std::string name;
  std::string message;
  switch (error) {
    case ErrorClass::convert:
      name = "EConvertError";
      message = "'" + std::string(argument) + "' n'est pas une valeur en virgule flottante correcte";
      break;
    case ErrorClass::invalid_op:
      name = "EInvalidOp";
      message = "Op\xE9ration en virgule flottante incorrecte";
      break;
    case ErrorClass::overflow:
      name = "EOverflow";
      message = "D\xE9" "bordement en virgule flottante";
      break;
  }
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(address));
  std::string report = "Exception " + name + " dans le module " + std::string(module) + " \xE0 " + hex + ".\n" + message;
  if (!message.empty() && message.back() != '.') report += '.';
  if (report.size() > max_report) report.resize(max_report);
  return report + "\r\n";
}

}  // namespace front
