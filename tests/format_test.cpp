#include "front/format.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Case {
  double value;
  const char* text;
};

TEST(FormatReal, PrintsTheGeneralFormatWith18Digits) {
  const Case cases[] = {
      {540.0, "540"},
      {-777.0, "-777"},
      {12.5, "12.5"},
      {0.523, "0.52300000000000002"},
      {0.1, "0.100000000000000006"},
      {12.3, "12.3000000000000007"},
      {0.0001, "0.000100000000000000005"},
      {0.00001, "1.00000000000000008E-5"},
      {1.5e20, "1.5E20"},
      {1e17, "100000000000000000"},
      {1e18, "1E18"},
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-0.5, "-0.5"},
      {0.001, "0.00100000000000000002"},  // e = -2: still fixed
      {123456789012345678.0, "123456789012345680"},  // e = 18: last fixed one, 18 digits
      {static_cast<double>(0.523f), "0.523000001907348633"},
      {std::numeric_limits<double>::max(), "1.79769313486231571E308"},
      {std::numeric_limits<double>::denorm_min(), "4.94065645841246544E-324"},
      {0.99999999999999999999, "1"},
      {1e153, "1E153"},  // 9.99999999999999999733…E152: the rounding carries into a new digit
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
      {std::nan(""), "NAN"},
      {-std::nan(""), "NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(front::format_real(c.value, '.'), c.text) << c.value;
}

TEST(FormatReal, UsesTheGivenSeparator) {
  EXPECT_EQ(front::format_real(540.5, ','), "540,5");
  EXPECT_EQ(front::format_real(1e-5, ','), "1,00000000000000008E-5");
  EXPECT_EQ(front::format_real(0.25, ','), "0,25");
}

// The digits and exponent must agree with the C library's exact "%.17e" (18 significant
// digits, correctly rounded) over values from the whole double range.
TEST(FormatReal, DigitsAgreeWithAnExactReference) {
  std::mt19937_64 random(20261211);
  for (int i = 0; i < 20000; ++i) {
    std::uint64_t bits = random();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v) || v == 0) continue;

    char ref[64];
    std::snprintf(ref, sizeof ref, "%.17e", std::fabs(v));
    std::string ref_digits;
    const char* p = ref;
    for (; *p != 'e'; ++p) {
      if (*p != '.') ref_digits += *p;
    }
    const int ref_exp = std::atoi(p + 1);
    ref_digits.erase(ref_digits.find_last_not_of('0') + 1);

    const std::string out = front::format_real(v, '.');
    std::string body = out[0] == '-' ? out.substr(1) : out;
    ASSERT_EQ(out[0] == '-', v < 0) << out;
    int exp = 0;
    const std::size_t e = body.find('E');
    const bool scientific = e != std::string::npos;
    if (scientific) {
      exp = std::atoi(body.c_str() + e + 1);
      body.resize(e);
    }
    // Fixed notation: the exponent is where the point stands relative to the first digit.
    const std::size_t point = body.find('.');
    const std::size_t first = body.find_first_not_of("0.");
    std::string digits;
    for (char c : body.substr(first)) {
      if (c != '.') digits += c;
    }
    if (!scientific) {
      const std::size_t point_at = point == std::string::npos ? body.size() : point;
      exp = static_cast<int>(point_at) - static_cast<int>(first) - (first < point_at ? 1 : 0);
    }
    digits.erase(digits.find_last_not_of('0') + 1);
    ASSERT_EQ(digits, ref_digits) << out << " vs " << ref;
    ASSERT_EQ(exp, ref_exp) << out << " vs " << ref;
  }
}

}  // namespace
