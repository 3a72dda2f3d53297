// Glyph compression (checked against the job-stream reader's expansion) and
// the per-page glyph cache.
#include <random>
#include <string>

#include "gr_test_support.h"

namespace {

using grtest::GrTest;
using grtest::Hex;

// Compresses into a buffer with a guard area behind the capacity.
std::vector<uint8_t> Compress(const std::vector<uint8_t>& plain, uint64_t capacity, uint32_t* result) {
  std::vector<uint8_t> out(capacity + 16, 0xCD);
  *result = GlyphCompress(nullptr, plain.data(), out.data(), capacity, 1, uint32_t(plain.size()));
  for (uint64_t i = capacity; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD) << "written past the capacity";
  out.resize(*result);
  return out;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& plain) {
  uint32_t n = 0;
  return Compress(plain, plain.size() * 2 + 64, &n);
}

// The reader's expansion, with the uncoded zeros at the end put back.
std::vector<uint8_t> Expand(const std::vector<uint8_t>& coded, size_t plain_size) {
  std::vector<uint8_t> out;
  jobread::Error error;
  EXPECT_TRUE(jobread::ExpandGlyph(coded.data(), coded.size(), plain_size, &out, &error)) << error.message;
  out.resize(plain_size, 0);
  return out;
}

std::vector<uint8_t> Distinct(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i % 255 + 1);
  return v;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(GlyphCompress, Vectors) {
  struct Case {
    const char* name;
    std::vector<uint8_t> plain;
    std::vector<uint8_t> coded;
  } cases[] = {
      {"zeros, a run of four, a literal, an uncoded zero", Hex("00 00 41 41 41 41 42 00"), Hex("92 41 00 42")},
      {"twenty zeros then 11", Cat(std::vector<uint8_t>(20, 0), {0x11}), Hex("78 05 11")},
      {"ten distinct bytes", Distinct(10), Cat(Hex("07 02"), Distinct(10))},
      // Zero counts around the head field (14) and the extension byte (15 + 254).
      {"14 zeros", Cat(std::vector<uint8_t>(14, 0), {0x11}), Hex("70 11")},
      {"15 zeros", Cat(std::vector<uint8_t>(15, 0), {0x11}), Hex("78 00 11")},
      {"269 zeros", Cat(std::vector<uint8_t>(269, 0), {0x11}), Hex("78 fe 11")},
      {"270 zeros", Cat(std::vector<uint8_t>(270, 0), {0x11}), Hex("78 ff 00 11")},
      // Literal counts around the head field (7) and the extension byte (8 + 254).
      {"literal of 7", Distinct(7), Cat(Hex("06"), Distinct(7))},
      {"literal of 8", Distinct(8), Cat(Hex("07 00"), Distinct(8))},
      {"literal of 262", Distinct(262), Cat(Hex("07 fe"), Distinct(262))},
      {"literal of 263", Distinct(263), Cat(Hex("07 ff 00"), Distinct(263))},
      // Repeats: the count is one less than the copies.
      {"run of 8", std::vector<uint8_t>(8, 0x5A), Hex("86 5a")},
      {"run of 9", std::vector<uint8_t>(9, 0x5A), Hex("87 00 5a")},
      {"run of 263", std::vector<uint8_t>(263, 0x5A), Hex("87 fe 5a")},
      {"run of 264", std::vector<uint8_t>(264, 0x5A), Hex("87 ff 00 5a")},
      {"run of 3 repeats", Hex("aa aa aa"), Hex("81 aa")},
      {"run of 2 stays literal", Hex("aa aa"), Hex("01 aa aa")},
      {"literal stops before a run of 4", Hex("01 02 03 03 03 03"), Hex("01 01 02 82 03")},
      {"a run of 3 inside a literal", Hex("01 03 03 03 02"), Hex("04 01 03 03 03 02")},
      {"literal stops before a run of 3 and a zero", Hex("01 03 03 03 00 05"), Hex("00 01 81 03 08 05")},
      {"trailing zeros are not coded", Hex("41 00 00 00"), Hex("00 41")},
      {"zeros then a repeat", Hex("00 00 00 07 07 07 07 07"), Hex("9b 07")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Compress(c.plain), c.coded) << c.name;
    EXPECT_EQ(Expand(c.coded, c.plain.size()), c.plain) << c.name;
  }
}

TEST(GlyphCompress, NothingToSendOrNoRoomGivesZero) {
  uint32_t n = 1;
  Compress(std::vector<uint8_t>(64, 0), 64, &n);
  EXPECT_EQ(n, 0u) << "an all-zero glyph goes plain";
  const std::vector<uint8_t> plain = Hex("00 00 41 41 41 41 42 00");
  Compress(plain, 3, &n);
  EXPECT_EQ(n, 0u);
  Compress(plain, 4, &n);
  EXPECT_EQ(n, 4u);
  Compress(plain, 0, &n);
  EXPECT_EQ(n, 0u);
  // Rows and row bytes multiply.
  std::vector<uint8_t> out(16);
  EXPECT_EQ(GlyphCompress(nullptr, plain.data(), out.data(), out.size(), 2, 4), 4u);
  EXPECT_EQ(GlyphCompress(nullptr, plain.data(), out.data(), out.size(), 0, 4), 0u);
}

TEST(GlyphCompress, ACompressedFormLongerThan65535BytesIsRefused) {
  // A literal of n bytes takes 1 + ((n - 8) / 255 + 1) + n bytes.
  uint32_t n = 0;
  std::vector<uint8_t> coded = Compress(Distinct(65278), 200000, &n);
  EXPECT_EQ(n, 65535u);
  EXPECT_EQ(Expand(coded, 65278), Distinct(65278));
  Compress(Distinct(65279), 200000, &n);
  EXPECT_EQ(n, 0u) << "65,536 bytes do not fit the 16-bit length: send the rows plain";
}

TEST(GlyphCompress, RandomBitmapsRoundTripThroughTheReader) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    const uint32_t width = 1 + rng() % 96, height = 1 + rng() % 48;
    const uint32_t row_bytes = (width + 7) / 8;
    std::vector<uint8_t> plain(size_t(row_bytes) * height);
    // Mixtures of zeros, runs and noise, as glyph rows have.
    const int zero_bias = int(rng() % 100), run_bias = int(rng() % 100);
    uint8_t last = 0;
    for (auto& b : plain) {
      const int pick = int(rng() % 100);
      b = pick < zero_bias ? 0 : pick < zero_bias + (100 - zero_bias) * run_bias / 100 ? last : uint8_t(rng());
      last = b;
    }
    const uint64_t capacity = (plain.size() + 3) / 4 * 4;  // as the text code gives it
    std::vector<uint8_t> out(capacity + 8, 0xCD);
    const uint32_t n = GlyphCompress(nullptr, plain.data(), out.data(), capacity, height, row_bytes);
    for (uint64_t i = capacity; i < out.size(); ++i) ASSERT_EQ(out[i], 0xCD);
    if (n == 0) {
      uint32_t unbounded = 0;
      Compress(plain, plain.size() * 3 + 16, &unbounded);
      EXPECT_TRUE(unbounded == 0 || unbounded > capacity) << "refused a form that fits";
      continue;
    }
    out.resize(n);
    ASSERT_EQ(Expand(out, plain.size()), plain) << "round " << round;
  }
}

// ---- the glyph cache ---------------------------------------------------------------------------

using GlyphCacheTest = GrTest;

TEST_F(GlyphCacheTest, FindsOnlyWithAllFourKeyParts) {
  const uint32_t b = GlyphCacheBucket(pdev_, 0x1000, 3, 0x41);
  EXPECT_EQ(b, (0x1000u + 3 + 0x41) & 0x3FF);
  ASSERT_NE(GlyphCacheAdd(pdev_, b, 0x1000, 3, 0x41, 2), nullptr);
  EXPECT_TRUE(GlyphCacheFind(pdev_, b, 0x1000, 3, 0x41, 2));
  EXPECT_FALSE(GlyphCacheFind(pdev_, b, 0x1001, 3, 0x41, 2));
  EXPECT_FALSE(GlyphCacheFind(pdev_, b, 0x1000, 4, 0x41, 2));
  EXPECT_FALSE(GlyphCacheFind(pdev_, b, 0x1000, 3, 0x42, 2));
  EXPECT_FALSE(GlyphCacheFind(pdev_, b, 0x1000, 3, 0x41, 3));
  EXPECT_FALSE(GlyphCacheFind(pdev_, 1024, 0x1000, 3, 0x41, 2));
  EXPECT_EQ(GlyphCacheAdd(pdev_, 1024, 0x1000, 3, 0x41, 2), nullptr);
  // Negative parts wrap into the same 10 bits.
  EXPECT_EQ(GlyphCacheBucket(pdev_, 0, -1, 0), 0x3FFu);
  EXPECT_EQ(GlyphCacheBucket(pdev_, 5, 0, -4), 1u);
}

TEST_F(GlyphCacheTest, TwoFontsInOneBucketAreBothFound) {
  const uint32_t b1 = GlyphCacheBucket(pdev_, 1, 0, 2), b2 = GlyphCacheBucket(pdev_, 2, 0, 1);
  ASSERT_EQ(b1, b2);
  ASSERT_NE(GlyphCacheAdd(pdev_, b1, 1, 0, 2, 2), nullptr);
  ASSERT_NE(GlyphCacheAdd(pdev_, b2, 2, 0, 1, 2), nullptr);
  EXPECT_TRUE(GlyphCacheFind(pdev_, b1, 1, 0, 2, 2));
  EXPECT_TRUE(GlyphCacheFind(pdev_, b2, 2, 0, 1, 2));
  EXPECT_EQ(pdev_->glyphs.buckets[b1]->fontId, 1u);  // appended at the end
  EXPECT_EQ(pdev_->glyphs.buckets[b1]->next->fontId, 2u);
}

TEST_F(GlyphCacheTest, ReleaseEmptiesEveryBucketAndAdvancesTheGeneration) {
  const uint64_t pool_blocks = pdev_->pool->blocks;
  for (int c = 0; c < 3000; ++c) {
    ASSERT_NE(GlyphCacheAdd(pdev_, GlyphCacheBucket(pdev_, 7, 0, int16_t(c)), 7, 0, int16_t(c), 2), nullptr);
  }
  EXPECT_TRUE(GlyphCacheRelease(pdev_));
  EXPECT_EQ(pdev_->pool->blocks, pool_blocks);
  EXPECT_EQ(pdev_->glyphs.generation, 1);
  for (int c = 0; c < 3000; c += 97) {
    EXPECT_FALSE(GlyphCacheFind(pdev_, GlyphCacheBucket(pdev_, 7, 0, int16_t(c)), 7, 0, int16_t(c), 2));
    EXPECT_FALSE(GlyphCacheFind(pdev_, GlyphCacheBucket(pdev_, 7, 1, int16_t(c)), 7, 1, int16_t(c), 2));
  }
  pdev_->glyphs.generation = INT16_MAX;
  GlyphCacheRelease(pdev_);
  EXPECT_EQ(pdev_->glyphs.generation, INT16_MIN);
}

TEST_F(GlyphCacheTest, APoolFailureAddsNothing) {
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(GlyphCacheAdd(pdev_, 5, 1, 0, 4, 2), nullptr);
  EXPECT_EQ(pdev_->glyphs.buckets[5], nullptr);
}

}  // namespace
