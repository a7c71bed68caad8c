#include "sim/instrument.h"

#include <cmath>
#include <cstdio>

namespace instrument {

namespace {

constexpr int min_nm = 320;
constexpr int max_nm = 1000;

Sample current_sample = Sample::dye;
int current_nm = 500;

std::string transmission_reply() {
  const double a = absorbance(current_sample, current_nm);
  // Transmission comes from the unrounded absorbance so the two readings agree with each other
  // as closely as a real photometer's do, whichever of them a caller rounds.
  const double t = 100.0 * std::pow(10.0, -a);
  char field[32];
  std::snprintf(field, sizeof field, "%6.2f", t);
  std::string reply = field;
  reply += ' ';
  // The display has five places for the wavelength; 1000 keeps its point and loses the decimal.
  if (current_nm >= 1000) {
    std::snprintf(field, sizeof field, "%d.", current_nm);
  } else {
    std::snprintf(field, sizeof field, "%5.1f", static_cast<double>(current_nm));
  }
  reply += field;
  reply += '\r';
  return reply;
}

std::string absorbance_reply() {
  char field[32];
  std::snprintf(field, sizeof field, "%6.3f", absorbance(current_sample, current_nm));
  return std::string(field) + '\r';
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool parse_sample(const std::string& name, Sample& sample) {
  if (name == "dye") {
    sample = Sample::dye;
    return true;
  }
  if (name == "blank") {
    sample = Sample::blank;
    return true;
  }
  return false;
}

bool parse_wavelength(const std::string& text, int& nm) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i == text.size()) return false;
  long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    // Past the range already: keep reading to reject garbage, but stop growing so a long
    // digit string cannot overflow into something that looks valid.
    if (value <= max_nm) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value < min_nm || value > max_nm) return false;
  nm = static_cast<int>(value);
  return true;
}

void reset(Sample sample, int nm) {
  current_sample = sample;
  current_nm = nm;
}

int wavelength() { return current_nm; }

double absorbance(Sample sample, double nm) {
  if (sample == Sample::blank) return 0.0;
  const double z = (nm - 525.0) / 35.0;
  return 0.05 + 0.85 * std::exp(-0.5 * z * z);
}

std::string respond(const std::string& line) {
  if (line == "T") return transmission_reply();
  if (line == "A") return absorbance_reply();
  if (!line.empty() && line[0] == 'G') {
    int nm;
    if (parse_wavelength(line.substr(1), nm)) current_nm = nm;
  }
  return {};
}

bool decode_escapes(const std::string& text, std::string& bytes) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case '0': out += '\0'; break;
      case 'x': {
        if (i + 2 >= text.size()) return false;
        const int hi = hex_value(text[i + 1]);
        const int lo = hex_value(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  bytes = out;
  return true;
}

}  // namespace instrument
