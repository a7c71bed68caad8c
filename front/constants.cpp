#include "front/constants.h"

#ifndef JENWAY_PORT_NUMBER
#error "build each program with JENWAY_PORT_NUMBER set to its serial port's number"
#endif

#define JENWAY_TEXT(x) #x
#define JENWAY_NUMBER(x) JENWAY_TEXT(x)
#define PORT JENWAY_NUMBER(JENWAY_PORT_NUMBER)

namespace constants {

std::string_view port_name() { return "com" PORT ":"; }

std::string_view port_settings() {
  static constexpr char text[] = "baud=1200 parity=o data=7 stop=1 ";
  return std::string_view(text, sizeof text);  // the zero byte belongs to the text
}

std::string_view usage_line2() { return "sur la voie serie com" PORT ": de dos-windows"; }

std::string_view title() { return "Jenway 6320, Com" PORT ":"; }

std::string_view detail() {
  // Windows-1252: 0xE9 is e acute, 0xE8 e grave.
  return "pilote ex\xE9" "cutable pour spectrophotom\xE8" "tre Jenway 6320 en Com" PORT
         ":, Talbrune, 14 octobre 2009";
}

}  // namespace constants
