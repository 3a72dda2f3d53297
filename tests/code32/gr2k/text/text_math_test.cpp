// The integer helpers of the text output: the two trigonometry tables, the
// direction of a vector, sine and cosine in every quadrant, rounding, names
// in multibyte text and the font-identity suffix in its 260-byte field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "gr2k/text.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(TxtTables, TanTableRisesFromZeroTo32767) {
  EXPECT_EQ(kTxtTanTable[0], 0);
  EXPECT_EQ(kTxtTanTable[kTxtTanEntries - 1], 32767);  // tan 45
  for (int i = 1; i < kTxtTanEntries; ++i) EXPECT_LT(kTxtTanTable[i - 1], kTxtTanTable[i]) << i;
  // Each entry within one unit of its definition.
  for (int i = 0; i < kTxtTanEntries; ++i)
    EXPECT_NEAR(kTxtTanTable[i], 32767.0 * std::tan(i / 10.0 * kPi / 180.0), 0.5001) << i;
}

TEST(TxtTables, SinTableRisesFromZeroTo16384) {
  EXPECT_EQ(kTxtSinTable[0], 0);
  EXPECT_EQ(kTxtSinTable[30], 8192);  // sin 30 = 1/2 exactly
  EXPECT_EQ(kTxtSinTable[90], 16384);
  for (int d = 1; d < kTxtSinEntries; ++d) EXPECT_LE(kTxtSinTable[d - 1], kTxtSinTable[d]) << d;
  for (int d = 0; d < kTxtSinEntries; ++d)
    EXPECT_NEAR(kTxtSinTable[d], 16384.0 * std::sin(d * kPi / 180.0), 0.5001) << d;
}

TEST(TxtAngle, AxesAndEveryQuadrant) {
  struct Case {
    int32_t x, y, degrees;
  } cases[] = {
      {0, 0, 0},          {100, 0, 0},         {-100, 0, 180},      {0, 100, 90},        {0, -100, -90},
      {100, 100, 45},     {-100, 100, 135},    {-100, -100, -135},  {100, -100, -45},
      {866, 500, 30},     {500, 866, 60},      {-866, 500, 150},    {-500, 866, 120},
      {-866, -500, -150}, {-500, -866, -120},  {866, -500, -30},    {500, -866, -60},
      {1000, 17, 1},      {1000, 5, 0},        {1000, 9, 1},        {17, 1000, 89},
      {-1000, -17, -179}, {5000, -1, 0},       {-5000, 1, 180},
  };
  for (const Case& c : cases) EXPECT_EQ(TxtAngle(c.x, c.y), c.degrees) << c.x << ", " << c.y;
}

TEST(TxtAngle, AgreesWithTheArcTangentToTheDegreeEverywhere) {
  // Vectors of every whole and half degree, short and long (scaled down to
  // 15 bits inside), including the 32-bit extremes.
  for (int tenths = -1795; tenths <= 1800; tenths += 5) {
    const double rad = tenths / 10.0 * kPi / 180.0;
    for (double length : {1000.0, 40000.0, 2.0e9}) {
      const int32_t x = int32_t(std::lround(length * std::cos(rad)));
      const int32_t y = int32_t(std::lround(length * std::sin(rad)));
      const double exact = std::atan2(double(y), double(x)) * 180.0 / kPi;
      EXPECT_LE(std::fabs(TxtAngle(x, y) - exact), 0.56) << x << ", " << y;
    }
  }
  EXPECT_EQ(TxtAngle(INT32_MIN, INT32_MIN), -135);
  EXPECT_EQ(TxtAngle(INT32_MAX, INT32_MIN), -45);
}

TEST(TxtSinCos, EveryQuadrantAndBeyond) {
  struct Case {
    int32_t degrees, sin, cos;
  } cases[] = {
      {0, 0, 16384},     {30, 8192, 14189},    {90, 16384, 0},      {120, 14189, -8192},
      {180, 0, -16384},  {210, -8192, -14189}, {270, -16384, 0},    {330, -8192, 14189},
      {360, 0, 16384},   {-30, -8192, 14189},  {-90, -16384, 0},    {450, 16384, 0},
      {-720, 0, 16384},  {INT32_MAX, 13085, -9860} /* 2147483647 = 127 mod 360 */,
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TxtSin(c.degrees), c.sin) << c.degrees;
    EXPECT_EQ(TxtCos(c.degrees), c.cos) << c.degrees;
  }
  // sin^2 + cos^2 stays within rounding of one, at every degree.
  for (int d = -360; d <= 720; ++d) {
    const double s = TxtSin(d) / 16384.0, c = TxtCos(d) / 16384.0;
    EXPECT_NEAR(s * s + c * c, 1.0, 2.0e-4) << d;
  }
}

TEST(TxtRound, TenthsThenHalfUp) {
  EXPECT_EQ(TxtRound(0.0), 0);
  EXPECT_EQ(TxtRound(1.44), 1);
  EXPECT_EQ(TxtRound(1.45), 1);  // trunc(14.5) = 14
  EXPECT_EQ(TxtRound(1.5), 2);
  EXPECT_EQ(TxtRound(99.96), 100);
  EXPECT_EQ(TxtRound(-1.5), -1);  // (-15 + 5) / 10
  EXPECT_EQ(TxtRound(-1.6), -1);
  EXPECT_EQ(TxtRound(1e30), INT32_MAX);
  EXPECT_EQ(TxtRound(-1e30), INT32_MIN);
  EXPECT_EQ(TxtRound(std::nan("")), 0);
}

TEST(TxtToMultiByte, AsciiCopiedJapaneseInTwoBytesNeverSplit) {
  char out[16];
  std::memset(out, 0x55, sizeof out);
  const char16_t text[] = u"A\u0080\u660E\u671D\uFF71";  // A, U+0080, 明朝, ｱ
  EXPECT_EQ(TxtToMultiByte(out, sizeof out, text, 10), 7u);
  EXPECT_EQ(std::string(out, 7), std::string("A\x80\x96\xbe\x92\xa9\xb1"));
  // Stops at the byte length given and at a zero character.
  EXPECT_EQ(TxtToMultiByte(out, sizeof out, text, 4), 2u);
  const char16_t short_text[] = u"AB\0C";
  EXPECT_EQ(TxtToMultiByte(out, sizeof out, short_text, 8), 2u);
  // A two-byte character that does not fit whole is left out.
  std::memset(out, 0x55, sizeof out);
  EXPECT_EQ(TxtToMultiByte(out, 2, u"A\u660E", 4), 1u);
  EXPECT_EQ(out[1], 0x55);
}

TEST(TxtFontIdSuffix, AppendedInHexadecimal) {
  char name[kTxtNameBytes] = "Arial";
  TxtAppendFontIdSuffix(name, 0x1A2B);
  EXPECT_STREQ(name, "Arial_1A2B");
  char zero[kTxtNameBytes] = "X";
  TxtAppendFontIdSuffix(zero, 0);
  EXPECT_STREQ(zero, "X_0");
}

TEST(TxtFontIdSuffix, ALongNameIsCutToKeepTheSuffixInsideItsField) {
  struct Case {
    const char* what;
    std::string name;
    uint32_t id;
    size_t kept;  // bytes of the name left before the suffix
  } cases[] = {
      // 128 two-byte characters: 256 bytes; "_FFFFFFFF" needs 9, so 250 stay
      // (125 whole characters; 250 + 9 = 259 and the terminator at 259).
      {"256 bytes of kanji", [] { std::string s; for (int i = 0; i < 128; ++i) s += "\x96\xbe"; return s; }(),
       0xFFFFFFFF, 250},
      // One byte more room than a whole character: the lead byte is not left alone.
      {"kanji cut before a lead byte", [] { std::string s = "A"; for (int i = 0; i < 127; ++i) s += "\x96\xbe"; return s; }(),
       0x12345678, 249},
      {"256 single bytes", std::string(256, 'a'), 0xFFFFFFFF, 250},
      {"fits already", std::string(250, 'a'), 0xABCDEF01, 250},
      {"short suffix", std::string(256, 'a'), 0x7, 256},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    char field[kTxtNameBytes + 8];
    std::memset(field, 0x7F, sizeof field);
    std::memcpy(field, c.name.data(), c.name.size());
    field[c.name.size()] = 0;
    TxtAppendFontIdSuffix(field, c.id);
    const size_t length = strnlen(field, sizeof field);
    ASSERT_LT(length, kTxtNameBytes) << "the terminator stays inside the field";
    for (size_t i = kTxtNameBytes; i < sizeof field; ++i) EXPECT_EQ(field[i], 0x7F) << "byte " << i << " beyond the field";
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%X", c.id);
    EXPECT_EQ(std::string(field + c.kept), suffix);
    EXPECT_EQ(std::string(field, c.kept), c.name.substr(0, c.kept));
  }
}

}  // namespace
