#include <gtest/gtest.h>

#include "plat/wstr.h"

namespace {

TEST(WideStrings, CopyAndAppendAlwaysTerminate) {
  char16_t buf[5];
  EXPECT_TRUE(plat::WCopy(buf, 5, u"abcd"));
  EXPECT_EQ(std::u16string(buf), u"abcd");
  EXPECT_FALSE(plat::WCopy(buf, 5, u"abcdef"));
  EXPECT_EQ(std::u16string(buf), u"abcd");
  EXPECT_TRUE(plat::WCopy(buf, 5, u"ab"));
  EXPECT_FALSE(plat::WAppend(buf, 5, u"cde"));
  EXPECT_EQ(std::u16string(buf), u"abcd");
}

TEST(WideStrings, CaseInsensitiveCompare) {
  EXPECT_EQ(plat::WCmpI(u"Velmlist.INI", u"velmlist.ini"), 0);
  EXPECT_NE(plat::WCmpI(u"velmlist.ini", u"velmlist.in"), 0);
  EXPECT_LT(plat::WCmp(u"A", u"a"), 0);
}

TEST(WideStrings, Utf8RoundTrip) {
  std::u16string s = u"A\u00E9\u65E5\U0001F600";
  EXPECT_EQ(plat::FromUtf8(plat::ToUtf8(s)), s);
  EXPECT_EQ(plat::FromUtf8("\xE6"), u"\uFFFD");  // cut sequence
}

TEST(WideStrings, FormatStaysInsideTheBuffer) {
  char16_t buf[64];
  plat::WFormat(buf, 64, u"(%ld.%01d x %ld.%02d", 210, 0, 8, 50);
  EXPECT_EQ(std::u16string(buf), u"(210.0 x 8.50");
  plat::WFormat(buf, 64, u"%s:%hs:%d%%", u"w", "a", -5);
  EXPECT_EQ(std::u16string(buf), u"w:a:-5%");
  char16_t tiny[4];
  EXPECT_EQ(plat::WFormat(tiny, 4, u"%d", 123456), 3);
  EXPECT_EQ(std::u16string(tiny), u"123");
}

}  // namespace
