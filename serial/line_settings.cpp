#include "serial/line_settings.h"

namespace line_settings {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_folded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool parse_baud(std::string_view v, std::uint32_t& out) {
  if (v.empty() || v.size() > 9) return false;
  std::uint32_t n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (n == 0) return false;
  out = n;
  return true;
}

bool parse_parity(std::string_view v, Parity& out) {
  if (v.size() != 1) return false;
  switch (lower(v[0])) {
    case 'n': out = Parity::none; return true;
    case 'e': out = Parity::even; return true;
    case 'o': out = Parity::odd; return true;
    case 'm': out = Parity::mark; return true;
    case 's': out = Parity::space; return true;
    default: return false;
  }
}

bool parse_data(std::string_view v, int& out) {
  if (v.size() != 1 || v[0] < '5' || v[0] > '8') return false;
  out = v[0] - '0';
  return true;
}

bool parse_stop(std::string_view v, StopBits& out) {
  if (v == "1") out = StopBits::one;
  else if (v == "1.5") out = StopBits::one_and_half;
  else if (v == "2") out = StopBits::two;
  else return false;
  return true;
}

bool apply_item(std::string_view item, LineSettings& s) {
  const std::size_t eq = item.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view key = item.substr(0, eq);
  const std::string_view value = item.substr(eq + 1);
  if (equals_folded(key, "baud")) return parse_baud(value, s.baud);
  if (equals_folded(key, "parity")) return parse_parity(value, s.parity);
  if (equals_folded(key, "data")) return parse_data(value, s.data_bits);
  if (equals_folded(key, "stop")) return parse_stop(value, s.stop_bits);
  return false;
}

}  // namespace

bool apply(std::string_view text, LineSettings& s) {
  text = text.substr(0, text.find('\0'));
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ' ') {
      ++pos;
      continue;
    }
    std::size_t end = text.find(' ', pos);
    if (end == std::string_view::npos) end = text.size();
    if (!apply_item(text.substr(pos, end - pos), s)) return false;
    pos = end;
  }
  return true;
}

}  // namespace line_settings
