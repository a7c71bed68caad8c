#include "driver/reading.h"

#include <cmath>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Case {
  std::string field;
  bool ok;
  double value;
};

TEST(ParseReplyNumber, AcceptsTheStrictFormWithThePoint) {
  const Case cases[] = {
      {" 0.523", true, 0.523},
      {"540.0", true, 540.0},
      {"540.5", true, 540.5},
      {" 29.98", true, 29.98},
      {"-0.012", true, -0.012},
      {"+1", true, 1.0},
      {"54", true, 54.0},
      {"1.5E2", true, 150.0},
      {"2e-1", true, 0.2},
      {".", true, 0.0},      // accepted form without a digit: 0
      {"-.", true, 0.0},
      {"E5", true, 0.0},
      {"5.", true, 5.0},
      {"1E-400", true, 0.0},  // too small for a real: 0
      {std::string("1.5\0xyz", 7), true, 1.5},  // a zero byte ends the field
      {std::string("\0" "1.5", 4), false, 0},
      {"", false, 0},
      {"      ", false, 0},
      {"-", false, 0},
      {"  +", false, 0},
      {"0.523 ", false, 0},  // trailing blank
      {"0,523", false, 0},
      {"5%", false, 0},
      {"1E", false, 0},
      {"1E+", false, 0},
      {"1.2.3", false, 0},
      {"\t1", false, 0},
      {"9E999", false, 0},   // too large for a real: a failed reading, never an error
      {"1E5120", false, 0},
      {"-9E999", false, 0},
  };
  for (const Case& c : cases) {
    double out = -1.25;
    EXPECT_EQ(driver::parse_reply_number(c.field, out), c.ok) << '"' << c.field << '"';
    if (c.ok) {
      EXPECT_EQ(out, c.value) << '"' << c.field << '"';
    }
  }
}

TEST(ChannelNames, DifferInCaseBetweenTheTwoFamilies) {
  EXPECT_EQ(driver::nea(0), "longueur d'onde (nm)");
  EXPECT_EQ(driver::nead(0), "longueur d'onde (nm)");
  EXPECT_EQ(driver::nea(1), "absorption");
  EXPECT_EQ(driver::nead(1), "Absorption");
  EXPECT_EQ(driver::nea(2), "transmission");
  EXPECT_EQ(driver::nead(2), "Transmission");
  for (std::int32_t outside : {-1, 3, 65536}) {
    EXPECT_EQ(driver::nea(outside), "");
    EXPECT_EQ(driver::nead(outside), "");
  }
}

}  // namespace
