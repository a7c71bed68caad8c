#include "front/keywords.h"

#include <cstdint>
#include <variant>

#include "driver/identity.h"
#include "driver/numeric.h"
#include "driver/reading.h"
#include "driver/std_family.h"
#include "driver/wavelength.h"
#include "front/format.h"

namespace front {
namespace {

using Result = std::variant<std::monostate, std::int32_t, std::string_view, double, float>;

// The argument forms, derived from the numbers only for a row that takes them. A derivation
// that cannot be made raises its fault and the row's function is not called.

bool rounded(double number, std::int32_t& out) {
  std::int64_t r;
  if (!numeric::round_half_even(number, r)) {
    numeric::raise(numeric::Fault::invalid_op, reinterpret_cast<std::uintptr_t>(&rounded));
    return false;
  }
  out = numeric::low32(r);
  return true;
}

// The channel: the first number rounded; a function that takes 16 bits gets its low 16.
bool channel(const Numbers& n, std::int32_t& out) { return rounded(n.first, out); }
bool channel(const Numbers& n, std::uint16_t& out) {
  std::int32_t c;
  if (!rounded(n.first, c)) return false;
  out = static_cast<std::uint16_t>(c);
  return true;
}

// The value: the second number as an integer, a real or a single, as the function takes it.
bool value(const Numbers& n, std::int32_t& out) { return rounded(n.second, out); }
bool value(const Numbers& n, double& out) {
  out = n.second;
  return true;
}
bool value(const Numbers& n, float& out) {
  if (!numeric::narrow_to_single(n.second, out)) {
    numeric::raise(numeric::Fault::overflow, reinterpret_cast<std::uintptr_t>(&numeric::narrow_to_single));
    return false;
  }
  return true;
}

template <typename R>
Result run(R (*f)(), const Numbers&) {
  return f();
}

template <typename R, typename C>
Result run(R (*f)(C), const Numbers& n) {
  C c;
  if (!channel(n, c)) return {};
  return f(c);
}

template <typename R, typename C, typename V>
Result run(R (*f)(C, V), const Numbers& n) {
  C c;
  V v;
  if (!channel(n, c) || !value(n, v)) return {};
  return f(c, v);
}

template <auto F>
Result row(const Numbers& n) {
  return run(F, n);
}

struct Row {
  std::string_view keyword;
  Result (*call)(const Numbers&);
};

using namespace driver;

const Row table[] = {
    {"EA", row<ea>},           {"NEA", row<nea>},         {"EAD", row<ead>},
    {"NEAD", row<nead>},       {"SA", row<sa>},           {"NSA", row<nsa>},
    {"RSA", row<rsa>},         {"SAD", row<sad>},         {"NSAD", row<nsad>},
    {"RSAD", row<rsad>},       {"EB", row<eb>},           {"NEB", row<neb>},
    {"SB", row<sb>},           {"NSB", row<nsb>},         {"RSB", row<rsb>},
    {"TITRE", row<titre>},     {"DETAIL", row<detail>},   {"STDEA", row<stdea>},
    {"STDNEA", row<stdnea>},   {"STDEAD", row<stdead>},   {"STDEADS", row<stdeads>},
    {"STDNEAD", row<stdnead>}, {"STDSA", row<stdsa>},     {"STDNSA", row<stdnsa>},
    {"STDRSA", row<stdrsa>},   {"STDSAD", row<stdsad>},   {"STDSAS", row<stdsas>},
    {"STDNSAD", row<stdnsad>}, {"STDRSAD", row<stdrsad>}, {"STDRSAS", row<stdrsas>},
    {"STDEB", row<stdeb>},     {"STDNEB", row<stdneb>},   {"STDSB", row<stdsb>},
    {"STDNSB", row<stdnsb>},   {"STDRSB", row<stdrsb>},   {"STDTITRE", row<stdtitre>},
    {"STDDETAIL", row<stddetail>},
};

struct Printer {
  char separator;
  std::string operator()(std::monostate) const { return {}; }
  std::string operator()(std::int32_t v) const { return std::to_string(v); }
  std::string operator()(std::string_view v) const { return std::string(v); }
  std::string operator()(double v) const { return format_real(v, separator); }
  std::string operator()(float v) const { return format_real(v, separator); }
};

}  // namespace

bool dispatch(std::string_view keyword, const Numbers& numbers, char separator, std::string& line) {
  for (const Row& r : table) {
    if (r.keyword != keyword) continue;
    const Result result = r.call(numbers);
    line = numeric::pending() == numeric::Fault::none ? std::visit(Printer{separator}, result) : "";
    return true;
  }
  return false;
}

}  // namespace front
