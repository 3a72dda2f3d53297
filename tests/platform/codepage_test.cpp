#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plat/kernel.h"
#include "plat/wstr.h"

namespace {

std::u16string ToWide(const std::string& ansi) {
  std::u16string out(ansi.size() + 1, u'\0');
  size_t n = plat::AnsiToWide(ansi.data(), ansi.size(), out.data(), out.size());
  out.resize(n);
  return out;
}

TEST(CodePage932, DecodesAsWindowsDoes) {
  struct Case {
    const char* name;
    std::string ansi;
    std::u16string wide;
  } cases[] = {
      {"ascii", "Tray1", u"Tray1"},
      {"backslash stays a backslash", "C:\\x", u"C:\\x"},
      {"half-width katakana", "\xB1\xB2", u"\uFF71\uFF72"},
      {"double-byte kanji", "\x93\xFA\x96\x7B", u"\u65E5\u672C"},
      {"NEC row 13 circled one", "\x87\x40", u"\u2460"},
      // The bytes no character uses map as Windows maps them (best fit).
      {"unused single bytes", std::string("\x80\xA0\xFD\xFE\xFF", 5), u"\u0080\uF8F0\uF8F1\uF8F2\uF8F3"},
      {"lone lead byte at the end", "A\x82", u"A\u30FB"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToWide(c.ansi), c.wide) << c.name;
}

TEST(CodePage932, UnusedSingleBytesSurviveARoundTrip) {
  const std::string bytes("a\x80 \xA0\xFD\xFE\xFF\x93\xFA", 9);
  std::u16string wide = ToWide(bytes);
  ASSERT_EQ(wide.size(), 8u);
  std::string back(plat::WideToAnsiLength(wide.data(), wide.size()), 'x');
  back.resize(plat::WideToAnsi(wide.data(), wide.size(), back.data(), back.size()));
  EXPECT_EQ(back, bytes);
  // MultiByteToWideChar gives the same answer as the layer's own helper.
  char16_t out[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes.data(), 9, out, 8), 8);
  EXPECT_EQ(std::u16string(out, 8), wide);
}

TEST(CodePage932, LeadByteBeforeTerminatorDoesNotEatIt) {
  const char text[] = "\x82";  // lead byte, then the terminator
  char16_t out[4] = {1, 1, 1, 1};
  size_t n = plat::AnsiToWide(text, 2, out, 4);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(out[0], u'\u30FB');
  EXPECT_EQ(out[1], 0);
}

TEST(CodePage932, EncodeNeverSplitsADoubleByteCharacter) {
  const char16_t text[] = u"A\u65E5\u672C";  // 1 + 2 + 2 bytes
  char out[8];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(plat::WideToAnsi(text, 3, out, 4), 3u);  // "A" + first kanji; the second does not fit
  EXPECT_EQ(std::string(out, 3), "A\x93\xFA");
  EXPECT_EQ(out[3], 'x');
  EXPECT_EQ(plat::WideToAnsiLength(text, 3), 5u);
}

TEST(CodePage932, RoundTripsEveryMappedDoubleByteCode) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsDBCSLeadByte(BYTE(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      char in[2] = {char(lead), char(trail)};
      char16_t u = 0;
      ASSERT_EQ(plat::AnsiToWide(in, 2, &u, 1), 1u);
      if (u == 0x30FB) continue;
      ++mapped;
      char back[2] = {};
      ASSERT_EQ(plat::WideToAnsi(&u, 1, back, 2), 2u);
      // Duplicated NEC/IBM characters come back as one chosen form; that form
      // must decode to the same character again.
      char16_t again = 0;
      plat::AnsiToWide(back, 2, &again, 1);
      EXPECT_EQ(again, u) << std::hex << lead << " " << trail;
    }
  }
  EXPECT_GT(mapped, 7000);
}

TEST(CodePage932, LeadByteTable) {
  EXPECT_FALSE(IsDBCSLeadByte(0x80));
  EXPECT_TRUE(IsDBCSLeadByte(0x81));
  EXPECT_TRUE(IsDBCSLeadByte(0x9F));
  EXPECT_FALSE(IsDBCSLeadByte(0xA0));
  EXPECT_FALSE(IsDBCSLeadByte(0xDF));
  EXPECT_TRUE(IsDBCSLeadByte(0xE0));
  EXPECT_TRUE(IsDBCSLeadByte(0xFC));
  EXPECT_FALSE(IsDBCSLeadByte(0xFD));
  EXPECT_EQ(GetACP(), 932u);
}

TEST(CodePage932, WindowsCallsUseTheTwoCallSizeConvention) {
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);
  char16_t small[2];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"\u65E5", -1, nullptr, 0, nullptr, nullptr), 3);
}

}  // namespace
