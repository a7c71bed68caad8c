// The simulated instrument's model: the exact bytes of its replies, what a G request does to
// the wavelength, and the escapes that --reply and --pending take.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "sim/instrument.h"

namespace {

using instrument::Sample;

struct ReplyCase {
  Sample sample;
  int nm;
  const char* t_reply;
  const char* a_reply;
};

// Expected lines worked out by hand from the band formula, not from the model's code.
const ReplyCase reply_cases[] = {
    {Sample::dye, 320, " 89.13 320.0\r", " 0.050\r"},
    {Sample::dye, 450, " 73.19 450.0\r", " 0.136\r"},
    {Sample::dye, 500, " 19.56 500.0\r", " 0.709\r"},
    {Sample::dye, 525, " 12.59 525.0\r", " 0.900\r"},
    {Sample::dye, 540, " 14.95 540.0\r", " 0.825\r"},
    {Sample::dye, 1000, " 89.13 1000.\r", " 0.050\r"},
    {Sample::blank, 500, "100.00 500.0\r", " 0.000\r"},
    {Sample::blank, 1000, "100.00 1000.\r", " 0.000\r"},
};

TEST(SimInstrument, RepliesHaveTheInstrumentsByteLayout) {
  for (const ReplyCase& c : reply_cases) {
    SCOPED_TRACE(std::to_string(c.nm) + (c.sample == Sample::dye ? " dye" : " blank"));
    instrument::reset(c.sample, c.nm);
    const std::string t = instrument::respond("T");
    const std::string a = instrument::respond("A");
    EXPECT_EQ(t, c.t_reply);
    EXPECT_EQ(a, c.a_reply);
    // Byte 7 is the blank between the fields and the CR comes last, whatever the values.
    ASSERT_EQ(t.size(), 13u);
    EXPECT_EQ(t[6], ' ');
    EXPECT_EQ(t.back(), '\r');
    ASSERT_EQ(a.size(), 7u);
    EXPECT_EQ(a.back(), '\r');
  }
}

TEST(SimInstrument, TransmissionAgreesWithAbsorbanceAcrossTheRange) {
  for (int nm = 320; nm <= 1000; nm += 5) {
    SCOPED_TRACE(nm);
    instrument::reset(Sample::dye, nm);
    const double t = std::strtod(instrument::respond("T").substr(0, 6).c_str(), nullptr);
    const double a = std::strtod(instrument::respond("A").c_str(), nullptr);
    // The absorbance shown is rounded to 0.0005, which moves 100*10^-A by at most
    // ln(10)*0.0005 relative; the transmission's own rounding adds 0.005.
    const double expected = 100.0 * std::pow(10.0, -a);
    EXPECT_NEAR(t, expected, expected * std::log(10.0) * 0.0005 + 0.005);
  }
}

struct GCase {
  const char* line;
  int nm_after;  // starting from 500
};

const GCase g_cases[] = {
    {"G540", 540},
    {"G320", 320},
    {"G1000", 1000},
    {"G+600", 600},
    {"G0700", 700},
    {"G319", 500},
    {"G1001", 500},
    {"G-5", 500},
    {"G-540", 500},
    {"G", 500},
    {"G+", 500},
    {"G54x", 500},
    {"G 540", 500},
    {"G540 ", 500},
    {"G5.5e2", 500},
    {"G99999999999999999999540", 500},
    {"g540", 500},
    {"XG540", 500},
};

TEST(SimInstrument, GSetsOnlyAValidInRangeWavelength) {
  for (const GCase& c : g_cases) {
    SCOPED_TRACE(c.line);
    instrument::reset(Sample::dye, 500);
    EXPECT_EQ(instrument::respond(c.line), "");
    EXPECT_EQ(instrument::wavelength(), c.nm_after);
  }
}

TEST(SimInstrument, OtherLinesAreIgnored) {
  instrument::reset(Sample::dye, 500);
  for (const char* line : {"", "t", "a", "T ", " A", "TA", "AT", "X"}) {
    SCOPED_TRACE(line);
    EXPECT_EQ(instrument::respond(line), "");
  }
  EXPECT_EQ(instrument::wavelength(), 500);
}

TEST(SimInstrument, EscapesDecodeAndMalformedOnesAreRefused) {
  struct Case {
    std::string text;
    bool ok;
    std::string bytes;
  };
  const Case cases[] = {
      {"plain", true, "plain"},
      {"", true, ""},
      {"12.34\\r", true, "12.34\r"},
      {"\\r\\n\\t\\\\", true, "\r\n\t\\"},
      {"a\\0b", true, std::string("a\0b", 3)},
      {"\\x41\\x7e\\xFF\\x00", true, std::string("A~\xff\0", 4)},
      {"\\x4", false, ""},
      {"\\x", false, ""},
      {"\\xg1", false, ""},
      {"\\q", false, ""},
      {"end\\", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string bytes = "untouched";
    EXPECT_EQ(instrument::decode_escapes(c.text, bytes), c.ok);
    EXPECT_EQ(bytes, c.ok ? c.bytes : "untouched");
  }
}

}  // namespace
