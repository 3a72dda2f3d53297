#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pjl_test_support.h"

namespace {

using pjl_test::Line;

struct Parsed {
  int32_t used;
  std::string name, value;
};
Parsed Parse(const std::string& text) {
  char name[kExcTokenSize], value[kExcTokenSize];
  std::memset(name, 'x', sizeof name);
  std::memset(value, 'x', sizeof value);
  int32_t used = ExcParseLine(text.c_str(), name, value);
  return {used, used > 0 ? name : "", used > 0 ? value : ""};
}

TEST(PjlLines, ReadsWhatTheFormAllows) {
  constexpr int32_t kWhole = 1000;
  struct Row {
    const char* what;
    std::string text;
    int32_t used;  // -1 malformed, 0 end of text, kWhole the whole text
    const char* name;
    const char* value;
  } rows[] = {
      {"as written", Line("TRAY", "TRAY1"), kWhole, "TRAY", "TRAY1"},
      {"blanks and tabs everywhere", " \t@PJL \t SET\tTRAY \t=\t TRAY1\t \r\n", kWhole, "TRAY", "TRAY1"},
      {"no blank after the keyword", "@PJLSET TRAY = A\r\n", kWhole, "TRAY", "A"},
      {"no blanks around the value", "@PJL SET TRAY =A\r\n", kWhole, "TRAY", "A"},
      {"an empty value", "@PJL SET TRAY = \r\n", kWhole, "TRAY", ""},
      {"only the first line", Line("A", "1") + Line("B", "2"), int32_t(Line("A", "1").size()), "A", "1"},
      {"a quoted value with blanks", "@PJL SET WMKCHAR = \"TOP SECRET\" \r\n", kWhole, "WMKCHAR", "\"TOP SECRET\""},
      {"the end of the text", "", 0, "", ""},
      {"only blanks", " \t ", 0, "", ""},
      {"no blank before '='", "@PJL SET TRAY= TRAY1 \r\n", -1, "", ""},
      {"LF without CR", "@PJL SET TRAY = TRAY1 \n", -1, "", ""},
      {"CR without LF", "@PJL SET TRAY = TRAY1 \r", -1, "", ""},
      {"no line end", "@PJL SET TRAY = TRAY1", -1, "", ""},
      {"lower-case set", "@PJL set TRAY = TRAY1 \r\n", -1, "", ""},
      {"lower-case keyword", "@pjl SET TRAY = TRAY1 \r\n", -1, "", ""},
      {"a second value word", "@PJL SET TRAY = TRAY 1 \r\n", -1, "", ""},
      {"no '='", "@PJL SET TRAY TRAY1 \r\n", -1, "", ""},
      {"no name", "@PJL SET \r\n", -1, "", ""},
      {"a quote that does not close", "@PJL SET A = \"B C \r\n", -1, "", ""},
      {"a quote that closes inside a word is part of it", "@PJL SET A = \"B\"C \r\n", kWhole, "A", "\"B\"C"},
      {"a quote that never closes is part of the word", "@PJL SET A = \"B \r\n", kWhole, "A", "\"B"},
      {"another command", "@PJL ENTER LANGUAGE = VELM\r\n", -1, "", ""},
  };
  for (const Row& r : rows) {
    Parsed p = Parse(r.text);
    EXPECT_EQ(p.used, r.used == kWhole ? int32_t(r.text.size()) : r.used) << r.what;
    if (r.used > 0) {
      EXPECT_EQ(p.name, r.name) << r.what;
      EXPECT_EQ(p.value, r.value) << r.what;
    }
  }
}

TEST(PjlLines, TokensFitTheirBuffersOrTheLineIsMalformed) {
  // 263 bytes and the NUL fill a token's buffer; one more is refused, and
  // nothing is written past the buffer (ASan watches the exact-size arrays).
  const std::string fits(kExcTokenSize - 1, 'N'), too_long(kExcTokenSize, 'N'), far_too_long(300, 'V');
  for (const auto& [name, value, ok] : {std::tuple{fits, std::string("V"), true}, {std::string("N"), fits, true},
                                        {too_long, std::string("V"), false}, {std::string("N"), too_long, false},
                                        {std::string("N"), far_too_long, false}, {far_too_long, far_too_long, false}}) {
    std::string text = Line(name, value);
    auto* name_out = new char[kExcTokenSize];
    auto* value_out = new char[kExcTokenSize];
    int32_t used = ExcParseLine(text.c_str(), name_out, value_out);
    if (ok) {
      EXPECT_EQ(used, int32_t(text.size()));
      EXPECT_EQ(std::string(name_out), name);
      EXPECT_EQ(std::string(value_out), value);
    } else {
      EXPECT_EQ(used, -1) << name.size() << "/" << value.size();
    }
    delete[] name_out;
    delete[] value_out;
  }
  std::string quoted = "\"" + std::string(kExcTokenSize - 2, 'Q') + "\"";
  EXPECT_EQ(Parse(Line("N", quoted)).used, -1) << "a quoted token counts its quotes";
}

TEST(PjlLines, SearchFindsTheFirstLineAndStopsAtAMalformedOne) {
  std::string text = Line("A", "1") + Line("B", "2") + Line("A", "3") + "@PJL SET C= 4 \r\n" + Line("D", "5");
  char value[kExcTokenSize];
  ASSERT_TRUE(ExcFindLineValue(text.c_str(), "A", value));
  EXPECT_STREQ(value, "1");
  ASSERT_TRUE(ExcFindLineValue(text.c_str(), "B", value));
  EXPECT_STREQ(value, "2");
  EXPECT_FALSE(ExcFindLineValue(text.c_str(), "D", value)) << "behind a malformed line";
  EXPECT_FALSE(ExcFindLineValue(text.c_str(), "a", value)) << "names are case-sensitive";
  EXPECT_FALSE(ExcFindLineValue(nullptr, "A", value));
}

TEST(PjlLines, VariablesByNameItemAndMask) {
  const PjlVariableRow* tray = ExcFindVariable("TRAY", kPjlAccessCommand);
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->settingId, 13u);
  EXPECT_EQ(ExcFindVariable("TRAY", kPjlAccessPrinterOption), tray);
  EXPECT_EQ(ExcFindVariable("TRAY", kPjlAccessPrinterValue), nullptr);
  EXPECT_EQ(ExcFindVariable("USERCODE", kPjlAccessCommand), nullptr);
  EXPECT_NE(ExcFindVariable("USERCODE", kPjlAccessPrinterValue), nullptr);
  EXPECT_EQ(ExcFindVariable("tray", 7), nullptr);
  EXPECT_EQ(ExcFindVariable(nullptr, 7), nullptr);
  EXPECT_EQ(ExcFindVariableByItem(129, kPjlAccessCommand), ExcFindVariable("COLLATE", 1));
  EXPECT_EQ(ExcFindVariableByItem(64, kPjlAccessCommand), nullptr) << "the sort switch has no variable of its own";
  EXPECT_EQ(ExcFindVariableByItem(732, kPjlAccessCommand), ExcFindVariable("BOOKLET", 1));
  EXPECT_EQ(ExcFindVariableByItem(10012, kPjlAccessCommand), nullptr);
  EXPECT_NE(ExcFindVariableByItem(10012, kPjlAccessPrinterValue), nullptr);
}

TEST(PjlTextBuffer, GrowsInWholeStepsAndKeepsItsText) {
  ExcTextBuffer b{};
  ASSERT_TRUE(ExcTextInit(&b));
  EXPECT_EQ(b.capacity, kExcTextStep);
  EXPECT_EQ(b.length, 0u);
  std::string want;
  // 4095 bytes and the NUL fit the first step; the next byte takes a second.
  std::string chunk(kExcTextStep - 1, 'a');
  ASSERT_TRUE(ExcTextAppend(&b, chunk.data(), chunk.size()));
  want += chunk;
  EXPECT_EQ(b.capacity, kExcTextStep);
  ASSERT_TRUE(ExcTextAppendString(&b, "b"));
  want += "b";
  EXPECT_EQ(b.capacity, 2 * kExcTextStep);
  // A large text takes as many steps as it needs at once.
  std::string big(3 * kExcTextStep, 'c');
  ASSERT_TRUE(ExcTextAppend(&b, big.data(), big.size()));
  want += big;
  EXPECT_EQ(b.capacity, 5 * kExcTextStep);
  EXPECT_EQ(b.length, want.size());
  EXPECT_EQ(std::string(b.text, b.length), want);
  EXPECT_EQ(b.text[b.length], '\0');
  // A list ending counts; the terminator behind it does not.
  ASSERT_TRUE(ExcTextAppendNul(&b));
  EXPECT_EQ(b.length, want.size() + 1);
  EXPECT_EQ(b.text[b.length - 1], '\0');
  // A size that would wrap around is refused and changes nothing.
  EXPECT_FALSE(ExcTextAppend(&b, "x", SIZE_MAX - 2));
  EXPECT_EQ(b.length, want.size() + 1);
  ExcTextFree(&b);
  EXPECT_EQ(b.text, nullptr);
}

TEST(PjlTextBuffer, RefusedGrowthKeepsTheText) {
  ExcTextBuffer b{};
  ASSERT_TRUE(ExcTextInit(&b));
  ASSERT_TRUE(ExcTextAppendLine(&b, "A", "1"));
  plat::FailNth("GlobalAlloc", 1);
  std::string big(kExcTextStep, 'x');
  EXPECT_FALSE(ExcTextAppend(&b, big.data(), big.size()));
  plat::ClearFaults();
  EXPECT_EQ(std::string(b.text, b.length), Line("A", "1"));
  EXPECT_EQ(b.capacity, kExcTextStep);
  ExcTextFree(&b);
}

}  // namespace
