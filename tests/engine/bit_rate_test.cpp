// The bit rate SelectFormat writes into the format it sets: bits per frame in 32-bit arithmetic,
// times frames per second in 64 bits, the low 32 bits of the quotient read as signed, then held
// within the device's limits with the lower limit tested first.
#include <gtest/gtest.h>

#include <climits>
#include <ostream>

#include "engine/media_types.h"

namespace lumigrab {
namespace {

struct BitRateCase {
  const char* name;
  WORD bitCount;
  LONG width;
  LONG height;
  LONGLONG minFrameInterval;
  LONG minBitsPerSecond;
  LONG maxBitsPerSecond;
  LONG rate;
};

void PrintTo(const BitRateCase& c, std::ostream* os) { *os << c.name; }

class BitRate : public ::testing::TestWithParam<BitRateCase> {};

TEST_P(BitRate, FollowsTheFrameSizeAndIntervalWithinTheLimits) {
  const BitRateCase& c = GetParam();
  EXPECT_EQ(c.rate, ComputeBitRate(c.bitCount, c.width, c.height, c.minFrameInterval,
                                   c.minBitsPerSecond, c.maxBitsPerSecond));
}

// 100 x 125 x 24 bits is 300,000 bits a frame: at 1,000,000, 600,000 and 500,000 (100 ns units) a
// frame that is 3,000,000, 5,000,000 and 6,000,000 bits a second.
INSTANTIATE_TEST_SUITE_P(
    Cases, BitRate,
    ::testing::Values(
        BitRateCase{"VgaRgb24Unlimited", 24, 640, 480, 333333, 0, LONG_MAX, 221184221},
        BitRateCase{"VgaRgb24HeldAtTheMaximum", 24, 640, 480, 333333, 0, 100000000, 100000000},
        BitRateCase{"QvgaTwelveBits", 12, 320, 240, 333333, 0, LONG_MAX, 27648027},
        BitRateCase{"ExactlyTheMinimumStays", 12, 320, 240, 333333, 27648027, LONG_MAX, 27648027},
        BitRateCase{"ExactlyTheMaximumStays", 12, 320, 240, 333333, 0, 27648027, 27648027},
        BitRateCase{"RaisedToTheMinimum", 12, 320, 240, 333333, 30000000, LONG_MAX, 30000000},
        // The quotient 3,981,327,925 reads as -313,639,371: below any minimum that is not
        // negative, so the minimum is written and not the maximum.
        BitRateCase{"QuotientWrapsNegativeGetsTheMinimum", 32, 1920, 1080, 166666, 1000000,
                    500000000, 1000000},
        BitRateCase{"QuotientWrapsNegativeZeroMinimum", 32, 1920, 1080, 166666, 0, LONG_MAX, 0},
        BitRateCase{"QuotientWrapsNegativeBelowNoLimit", 32, 1920, 1080, 166666, INT_MIN, LONG_MAX,
                    -313639371},
        // 46341 x 46341 bits wrap to -2,147,479,015 in 32 bits before they are widened; half a
        // frame a second then truncates toward zero.
        BitRateCase{"BitsPerFrameWrapBeforeWidening", 1, 46341, 46341, 20000000, INT_MIN, LONG_MAX,
                    -1073739507},
        BitRateCase{"CrossedLimitsBelowTheMinimumGetsTheMinimum", 24, 100, 125, 1000000, 5000000,
                    1000000, 5000000},
        BitRateCase{"CrossedLimitsAtTheMinimumGetsTheMaximum", 24, 100, 125, 600000, 5000000,
                    1000000, 1000000},
        BitRateCase{"CrossedLimitsAboveTheMinimumGetsTheMaximum", 24, 100, 125, 500000, 5000000,
                    1000000, 1000000}),
    [](const ::testing::TestParamInfo<BitRateCase>& info) { return info.param.name; });

}  // namespace
}  // namespace lumigrab
