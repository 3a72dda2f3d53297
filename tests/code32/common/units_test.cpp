#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "test_context.h"
#include "velm/units.h"

namespace {

TEST(Units, RoundingConversionsOfTheTable) {
  struct Case {
    bool to_device;
    uint32_t flag, value, resolution, expected;
  } cases[] = {
      {true, 1, 2100, 1200, 9920},  // 210.0 mm: the even count below 9921
      {true, 1, 2100, 600, 4960},
      {true, 1, 2970, 1200, 14030},
      {true, 2, 850, 1200, 10200},
      {false, 1, 9921, 1200, 2100},
      {false, 2, 14031, 1200, 1170},
      {true, 3, 100, 1200, 0},  // unknown unit flag
      {false, 0, 100, 1200, 0},
  };
  for (const Case& c : cases) {
    uint32_t got = c.to_device ? UnitUserToDevice(c.flag, c.value, c.resolution)
                               : UnitDeviceToUser(c.flag, c.value, c.resolution);
    EXPECT_EQ(got, c.expected) << c.flag << " " << c.value << " @" << c.resolution;
  }
}

// The same rules in 64-bit arithmetic, as plainly as they read.
uint64_t RefUser(uint32_t flag, uint64_t n) { return flag == 1 ? n * 254 / 1200 : n / 12; }
uint64_t RefDevice(uint32_t flag, uint64_t u) { return flag == 1 ? u * 1200 / 254 : u * 12; }

TEST(Units, SweepAgainstA64BitReference) {
  for (uint32_t flag : {1u, 2u}) {
    for (uint32_t r : {300u, 400u, 600u, 1200u, 2400u}) {
      for (uint32_t u = 0; u <= 5000; ++u) {
        uint64_t n = RefDevice(flag, u);
        while (n && (u < RefUser(flag, n) || (n & 1))) --n;
        ASSERT_EQ(UnitUserToDevice(flag, u, r), n * r / 1200) << flag << " " << u << " " << r;
        uint64_t d = u * uint64_t(r) / 100;  // a device value to bring back
        uint64_t b = d * 1200 / r;
        uint64_t i = RefUser(flag, b);
        while (RefDevice(flag, i) < b) ++i;
        ASSERT_EQ(UnitDeviceToUser(flag, uint32_t(d), r), i) << flag << " " << d << " " << r;
      }
    }
  }
}

// Device values up to 32 bits at every resolution a device uses: the answer
// is the least user value whose device count reaches the value, computed
// here as a ceiling in 64 bits. (These inputs once overflowed the upward
// search, which then never ended, or wrapped to 0.)
TEST(Units, DeviceToUserAtThe32BitExtremes) {
  const uint32_t values[] = {0, 1, 9921, 1073741824u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (uint32_t flag : {1u, 2u}) {
    for (uint32_t r : {300u, 600u, 1200u}) {
      for (uint32_t d : values) {
        uint64_t b = uint64_t(d) * 1200 / r;
        uint64_t expected = flag == 1 ? (b * 254 + 1199) / 1200 : (b + 11) / 12;
        ASSERT_LE(expected, 0xFFFFFFFFu);
        EXPECT_EQ(UnitDeviceToUser(flag, d, r), expected) << flag << " " << d << " @" << r;
      }
    }
  }
  EXPECT_EQ(UnitDeviceToUser(2, 1073741824u, 300), 357913942u);
}

// User values up to 32 bits: the device count stays the largest even count
// not above the user value, and a count past 32 bits saturates.
TEST(Units, UserToDeviceAtThe32BitExtremes) {
  for (uint32_t flag : {1u, 2u}) {
    for (uint32_t r : {300u, 600u, 1200u}) {
      for (uint32_t u : {0x7FFFFFFFu, 0xFFFFFFFFu, 357913942u}) {
        uint64_t n = RefDevice(flag, u);
        while (n && (u < RefUser(flag, n) || (n & 1))) --n;
        uint64_t expected = std::min<uint64_t>(n * r / 1200, 0xFFFFFFFFu);
        EXPECT_EQ(UnitUserToDevice(flag, u, r), expected) << flag << " " << u << " @" << r;
      }
    }
  }
}

TEST(Units, ResultsPast32BitsSaturate) {
  EXPECT_EQ(UnitRescale(1073741824u, 300, 1200), 0xFFFFFFFFu);  // 2^32 does not wrap to 0
  EXPECT_EQ(UnitRescale(0xFFFFFFFFu, 1, 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(UnitMm10ToDots(0xFFFFFFFFu, 1200), 0xFFFFFFFFu);
  EXPECT_EQ(UnitInch100ToDots(0xFFFFFFFFu, 1200), 0xFFFFFFFFu);
  EXPECT_EQ(UnitDotsToMm10(0xFFFFFFFFu, 1), 0xFFFFFFFFu);
  EXPECT_EQ(UnitMulDiv(0x7FFFFFFF, 0x7FFFFFFF, 1), 0x7FFFFFFF);
  EXPECT_EQ(UnitMulDiv(INT32_MIN, -1, 1), 0x7FFFFFFF);
}

TEST(Units, PlainConversionsAndZeroDivisors) {
  EXPECT_EQ(UnitDotsToMm10(4960, 600), 2099u);
  EXPECT_EQ(UnitDotsToInch100(1200, 1200), 100u);
  EXPECT_EQ(UnitDotsToMm10(100, 0), 0u);
  EXPECT_EQ(UnitDotsToInch100(100, 0), 0u);
  EXPECT_EQ(UnitDotsToInch100(100, 50), 0u);  // no whole dots per 0.01 inch
  EXPECT_EQ(UnitDotsToInch100(100, 99), 0u);
  EXPECT_EQ(UnitRescale(100, 0, 5), 0u);
  EXPECT_EQ(UnitRescale(0xFFFFFFFFu, 1200, 600), 0x7FFFFFFFu);  // no 32-bit overflow inside
  EXPECT_EQ(UnitMulDiv(100000, 100000, 10), 1000000000);
  EXPECT_EQ(UnitMulDiv(5, 7, 0), -1);
  EXPECT_EQ(UnitMulDiv(-7, 3, 2), -10);
}

TEST(Units, UserValuesFollowTheDisplayUnit) {
  BareContext b;
  OptSetValueById(b.ctx, 179, 0);  // millimetres
  EXPECT_EQ(UnitGetUserValue(b.ctx, 0, 9921), 2100);
  EXPECT_EQ(UnitGetUserValue(b.ctx, 0, -1), 0);
  EXPECT_EQ(UnitSetUserValue(b.ctx, 860, 2100), 9920);
  EXPECT_EQ(OptGetValueById(b.ctx, 860), 9920);
  EXPECT_EQ(UnitGetUserValue(b.ctx, 860, 0), 2100);
  EXPECT_EQ(UnitSetUserValue(b.ctx, 0, -5), 0);
  OptSetValueById(b.ctx, 179, 1);  // inches
  EXPECT_EQ(UnitGetUserValue(b.ctx, 0, 10200), 850);
}

TEST(Units, FreeSizeLimitsInBothUnits) {
  BareContext b;
  struct Case {
    int32_t unit;
    uint32_t id;
    int32_t min, max;
  } cases[] = {
      {0, 860, 1000, 2970}, {0, 861, 1480, 4320}, {1, 860, 394, 1169}, {1, 861, 583, 1700},
  };
  for (const Case& c : cases) {
    OptSetValueById(b.ctx, 179, c.unit);
    int32_t min = -1, max = -1;
    ASSERT_EQ(UnitGetFreeSizeLimits(b.ctx, c.id, &min, &max), 1);
    EXPECT_EQ(min, c.min) << c.unit << " " << c.id;
    EXPECT_EQ(max, c.max) << c.unit << " " << c.id;
  }
  EXPECT_EQ(UnitGetFreeSizeLimits(b.ctx, 862, nullptr, nullptr), 0);
  EXPECT_EQ(UnitGetFreeSizeLimits(b.ctx, 860, nullptr, nullptr), 1);
}

}  // namespace
