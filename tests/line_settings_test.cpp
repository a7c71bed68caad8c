#include "serial/line_settings.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using line_settings::LineSettings;
using line_settings::Parity;
using line_settings::StopBits;

struct Case {
  std::string text;
  bool whole;
  LineSettings expected;
};

TEST(LineSettingsText, AppliesItemsInOrderUntilOneCannotBeParsed) {
  const LineSettings start{9600, Parity::none, 8, StopBits::one};
  const Case cases[] = {
      // The programs' own text: trailing blank and zero byte included.
      {std::string("baud=1200 parity=o data=7 stop=1 \0", 34), true, {1200, Parity::odd, 7, StopBits::one}},
      {std::string("baud=1200 parity=e data=7 stop=1\0", 33), true, {1200, Parity::even, 7, StopBits::one}},
      {"BAUD=19200 Parity=M DATA=5 STOP=1.5", true, {19200, Parity::mark, 5, StopBits::one_and_half}},
      {"parity=s stop=2", true, {9600, Parity::space, 8, StopBits::two}},
      {"   ", true, start},
      {"", true, start},
      // What the zero byte hides is not read.
      {std::string("baud=1200\0parity=o", 18), true, {1200, Parity::none, 8, StopBits::one}},
      // Stops at the bad item, keeping what came before it and ignoring what follows.
      {"baud=1200 parity=x data=7", false, {1200, Parity::none, 8, StopBits::one}},
      {"baud=1200 data=9 stop=2", false, {1200, Parity::none, 8, StopBits::one}},
      {"data=7 stop=3", false, {9600, Parity::none, 7, StopBits::one}},
      {"baud=12x0 data=7", false, start},
      {"baud= data=7", false, start},
      {"baud=0", false, start},
      {"speed=1200", false, start},
      {"baud 1200", false, start},
      {"parity=odd", false, start},
  };
  for (const Case& c : cases) {
    LineSettings s = start;
    EXPECT_EQ(line_settings::apply(c.text, s), c.whole) << c.text;
    EXPECT_EQ(s.baud, c.expected.baud) << c.text;
    EXPECT_EQ(s.parity, c.expected.parity) << c.text;
    EXPECT_EQ(s.data_bits, c.expected.data_bits) << c.text;
    EXPECT_EQ(s.stop_bits, c.expected.stop_bits) << c.text;
  }
}

}  // namespace
