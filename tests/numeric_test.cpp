#include "driver/numeric.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(RoundHalfEven, TiesGoToTheEvenNeighbourAndLow32BitsAreKept) {
  struct Case {
    long double x;
    std::int64_t rounded;
    std::int32_t low;
  };
  const Case cases[] = {
      {0.5L, 0, 0},           {1.5L, 2, 2},
      {2.5L, 2, 2},           {-0.5L, 0, 0},
      {-1.5L, -2, -2},        {540.5L, 540, 540},
      {541.5L, 542, 542},     {0.49999999999999994L, 0, 0},
      {4294967296.0L, 4294967296LL, 0},                  // 2^32: channel 0
      {4294967295.0L, 4294967295LL, -1},
      {2147483648.0L, 2147483648LL, -2147483647 - 1},
      {-9223372036854775808.0L, std::numeric_limits<std::int64_t>::min(), 0},
      {9223372036854774784.0L, 9223372036854774784LL, -1024},
  };
  for (const Case& c : cases) {
    std::int64_t r = 7;
    ASSERT_TRUE(numeric::round_half_even(c.x, r)) << static_cast<double>(c.x);
    EXPECT_EQ(r, c.rounded);
    EXPECT_EQ(numeric::low32(r), c.low);
  }
}

TEST(RoundHalfEven, RefusesWhatFallsOutside64Bits) {
  const long double outside[] = {9223372036854775808.0L, -9223372036854777856.0L, 1e30L,
                                 std::numeric_limits<long double>::infinity(), std::nanl("")};
  for (long double x : outside) {
    std::int64_t r = 7;
    EXPECT_FALSE(numeric::round_half_even(x, r)) << static_cast<double>(x);
    EXPECT_EQ(r, 7);
  }
}

TEST(Narrowing, ToNearestAndRefusingOnlyFiniteValuesBeyondRange) {
  double d = 0;
  EXPECT_TRUE(numeric::narrow_to_real(0.1L, d));
  EXPECT_EQ(d, 0.1);
  EXPECT_FALSE(numeric::narrow_to_real(1e400L, d));
  EXPECT_TRUE(numeric::narrow_to_real(1e-400L, d));  // too small is 0, not an error
  EXPECT_EQ(d, 0.0);

  float f = 0;
  EXPECT_TRUE(numeric::narrow_to_single(0.523, f));
  EXPECT_EQ(f, 0.523f);
  EXPECT_TRUE(numeric::narrow_to_single(-777.0, f));
  EXPECT_EQ(f, -777.0f);
  EXPECT_FALSE(numeric::narrow_to_single(1e39, f));
  EXPECT_FALSE(numeric::narrow_to_single(-1e39, f));
  EXPECT_TRUE(numeric::narrow_to_single(3.4028235e38, f));  // rounds down onto the largest single
  EXPECT_TRUE(numeric::narrow_to_single(std::numeric_limits<double>::infinity(), f));
}

TEST(ScaleByTen, DividesForNegativeExponentsAndSaturates) {
  EXPECT_EQ(static_cast<double>(numeric::scale_by_ten(5405, -1)), 540.5);
  EXPECT_EQ(static_cast<double>(numeric::scale_by_ten(523, -3)), 0.523);
  EXPECT_EQ(numeric::scale_by_ten(0, 9000), 0.0L);
  EXPECT_TRUE(std::isinf(numeric::scale_by_ten(1, 4933)));
  EXPECT_EQ(numeric::scale_by_ten(1, -9000), 0.0L);
  EXPECT_GT(numeric::scale_by_ten(1e50L, -4960), 0.0L);  // the divisor alone is beyond range
}

TEST(Fault, TheFirstOneIsKept) {
  numeric::clear();
  EXPECT_EQ(numeric::pending(), numeric::Fault::none);
  numeric::raise(numeric::Fault::overflow, 0x10);
  numeric::raise(numeric::Fault::invalid_op, 0x20);
  EXPECT_EQ(numeric::pending(), numeric::Fault::overflow);
  EXPECT_EQ(numeric::pending_site(), 0x10u);
  numeric::clear();
}

}  // namespace
