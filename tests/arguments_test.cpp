#include "front/arguments.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace {

using front::Conversion;

struct Case {
  const char* text;
  char separator;
  Conversion result;
  double value;  // when ok
};

TEST(ParseArgument, AcceptsTheNumberFormAndNothingElse) {
  const Case cases[] = {
      {"1", '.', Conversion::ok, 1.0},
      {"  -2.5  ", '.', Conversion::ok, -2.5},
      {"+540.5", '.', Conversion::ok, 540.5},
      {"540,5", ',', Conversion::ok, 540.5},
      {"540.5", ',', Conversion::rejected, 0},
      {"540,5", '.', Conversion::rejected, 0},
      {".", '.', Conversion::ok, 0.0},   // the separator alone
      {",", ',', Conversion::ok, 0.0},
      {"5.", '.', Conversion::ok, 5.0},
      {".5", '.', Conversion::ok, 0.5},
      {"1e3", '.', Conversion::ok, 1000.0},
      {"1E+3", '.', Conversion::ok, 1000.0},
      {"25e-1", '.', Conversion::ok, 2.5},
      {"7e", '.', Conversion::ok, 7.0},    // no exponent digits: exponent 0
      {"7e-", '.', Conversion::ok, 7.0},
      {".e5", '.', Conversion::ok, 0.0},
      {"1e0000000003", '.', Conversion::ok, 1000.0},  // zeros keep the exponent below 500
      {"1e-499", '.', Conversion::ok, 0.0},           // too small for a real: 0
      {"1e-4999", '.', Conversion::ok, 0.0},          // too small even for extended: 0
      {"", '.', Conversion::rejected, 0},
      {"   ", '.', Conversion::rejected, 0},
      {"+", '.', Conversion::rejected, 0},
      {"-e5", '.', Conversion::rejected, 0},
      {"e5", '.', Conversion::rejected, 0},
      {"abc", '.', Conversion::rejected, 0},
      {"1\t", '.', Conversion::rejected, 0},
      {"\t1", '.', Conversion::rejected, 0},
      {"1 2", '.', Conversion::rejected, 0},
      {"0x10", '.', Conversion::rejected, 0},
      {"1e5120", '.', Conversion::rejected, 0},  // "512" reached 500: the 0 is left unread
      {"1e4999", '.', Conversion::rejected, 0},  // beyond the extended range
      {"1e400", '.', Conversion::overflow, 0},   // extended yes, 64-bit real no
      {"-1e309", '.', Conversion::overflow, 0},
      {"1e308", '.', Conversion::ok, 1e308},
  };
  for (const Case& c : cases) {
    double out = -1.25;
    const Conversion r = front::parse_argument(c.text, c.separator, out);
    EXPECT_EQ(r, c.result) << '"' << c.text << '"';
    if (r == Conversion::ok) {
      EXPECT_EQ(out, c.value) << '"' << c.text << '"';
    } else {
      EXPECT_EQ(out, -1.25) << "a failed conversion leaves the number alone: " << c.text;
    }
  }
}

TEST(ParseArgument, NegativeZeroAndHugeDigitRuns) {
  double out = 1;
  ASSERT_EQ(front::parse_argument("-0", '.', out), Conversion::ok);
  EXPECT_TRUE(out == 0 && std::signbit(out));
  // 400 digits then a scale back into range: accumulated and scaled in extended precision.
  const std::string many = "1" + std::string(399, '0') + "e-399";
  ASSERT_EQ(front::parse_argument(many, '.', out), Conversion::ok);
  EXPECT_EQ(out, 1.0);
  // A fraction with thousands of leading zeros is just very small.
  ASSERT_EQ(front::parse_argument("0." + std::string(6000, '0') + "1", '.', out), Conversion::ok);
  EXPECT_EQ(out, 0.0);
}

TEST(ParseArgument, AgreesWithCorrectRoundingOnOrdinaryDecimals) {
  const char* texts[] = {"0.523", "12.3", "0.1", "540.25", "-777", "3.14159265358979", "1e-5",
                         "6.02214076e23", "123456789.123456789", "2.2250738585072014e-308"};
  for (const char* t : texts) {
    double out = 0;
    ASSERT_EQ(front::parse_argument(t, '.', out), Conversion::ok) << t;
    EXPECT_EQ(out, std::strtod(t, nullptr)) << t;
  }
}

TEST(FoldKeyword, UpperCasesAsciiLettersOnlyAndCuts) {
  EXPECT_EQ(front::fold_keyword("ead"), "EAD");
  EXPECT_EQ(front::fold_keyword("StdEadS"), "STDEADS");
  EXPECT_EQ(front::fold_keyword("\xE9" "ad1_"), "\xE9" "AD1_");  // other bytes unchanged
  EXPECT_EQ(front::fold_keyword(std::string(300, 'a')), std::string(255, 'A'));
}

}  // namespace
