// The scanners that take a record's value apart.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "mdf_test_util.h"
#include "velm/mdf_reader.h"
#include "velm/settings.h"

namespace {

// A text buffer over its own copy of the text, with the cursor at 0.
class Text {
 public:
  explicit Text(const std::string& s) : bytes_(s) {
    bytes_.push_back('\0');
    buffer_.data = bytes_.data();
    buffer_.capacity = static_cast<uint32_t>(s.size());
    buffer_.length = 0;
  }
  MdfTextBuffer* operator->() { return &buffer_; }
  MdfTextBuffer* get() { return &buffer_; }

 private:
  std::string bytes_;
  MdfTextBuffer buffer_{};
};

TEST(MdfScanNumber, NumbersAndTerminators) {
  struct Case {
    const char* text;
    int32_t value;
    char terminator;
    uint32_t cursor;
    bool found;
  } cases[] = {
      {"-12x", -12, 'x', 3, true},
      {"x", 0, 'x', 0, false},
      {"  \n 42\"", 42, '"', 6, true},
      {"", 0, 0, 0, false},
      {"   ", 0, 0, 3, false},
      {"-", 0, '-', 0, false},
      {"-x", 0, '-', 0, false},
      {"99999999999999999999", INT32_MAX, 0, 20, true},
      {"-99999999999999999999 ", INT32_MIN, ' ', 21, true},
      {"2147483648", INT32_MAX, 0, 10, true},
      {"+5", 0, '+', 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Text t(c.text);
    char terminator = 'q';
    bool found = !c.found;
    EXPECT_EQ(MdfScanNumberFound(t.get(), &terminator, &found), c.value);
    EXPECT_EQ(terminator, c.terminator);
    EXPECT_EQ(t->length, c.cursor);
    EXPECT_EQ(found, c.found);
  }
}

TEST(MdfParseInt, TakesTheDigitRun) {
  uint32_t taken = 7;
  EXPECT_EQ(MdfParseInt("123abc", &taken), 123);
  EXPECT_EQ(taken, 3u);
  EXPECT_EQ(MdfParseInt("abc", &taken), 0);
  EXPECT_EQ(taken, 0u);
  EXPECT_EQ(MdfParseInt(std::string(5000, '9').c_str(), &taken), INT32_MAX);
  EXPECT_EQ(taken, 5000u);
}

TEST(MdfScanWord, WordsEndAtDelimitersAndDropAStar) {
  Text t("  *VPD_X next{IDS_A}");
  char terminator;
  char* w = MdfScanWord(t.get(), &terminator);
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(w, "VPD_X");
  EXPECT_EQ(terminator, ' ');
  w = MdfScanWord(t.get(), &terminator);
  EXPECT_STREQ(w, "next");
  EXPECT_EQ(terminator, '{');
  w = MdfScanWord(t.get(), &terminator);
  EXPECT_STREQ(w, "IDS_A");
  EXPECT_EQ(terminator, '}');
  EXPECT_EQ(MdfScanWord(t.get(), &terminator), nullptr);
  EXPECT_EQ(terminator, 0);
  EXPECT_EQ(t->length, std::strlen("  *VPD_X next{IDS_A}"));
}

TEST(MdfScanWord, ADoubleByteCharacterStaysWhole) {
  // The second byte of 0x83 0x7C is '|', a delimiter by itself.
  Text t("\x83\x7C\x83\x7D end");
  char terminator;
  char* w = MdfScanWord(t.get(), &terminator);
  ASSERT_NE(w, nullptr);
  EXPECT_STREQ(w, "\x83\x7C\x83\x7D");
  EXPECT_EQ(terminator, ' ');
}

TEST(MdfScanQuoted, DecodingTable) {
  struct Case {
    const char* name;
    std::string text;
    const char* decoded;  // null: no string
    char terminator;
  } cases[] = {
      {"hex, letter and escaped quote", "\"<41 42>C%\"\"", "ABC\"", 0},
      {"empty string", "\"\" x", nullptr, ' '},
      {"no string at all", "abc", nullptr, 0},
      {"text before the quote is passed over", "IDList {\"Arial\"}", "Arial", '}'},
      {"line breaks are dropped", "\"a\r\nb\"", "ab", 0},
      {"lower-case hex", "\"<1b>E\"", "\x1B" "E", 0},
      {"a lone nibble is dropped", "\"<414>Z\"", "AZ", 0},
      {"a quote ends hex mode", "\"<41\"x", "A", 'x'},
      {"an unterminated string ends with the text", "\"abc", "abc", 0},
      {"escape at the very end", "\"ab%", "ab", 0},
      {"escaped percent and bracket", "\"%%%<\"", "%<", 0},
      {"double-byte character kept", "\"\x82\xA0\x83\x7D\"", "\x82\xA0\x83\x7D", 0},
      {"half a character at the end is dropped", "\"a\x82", "a", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Text t(c.text);
    char terminator = 'q';
    char* s = MdfScanQuoted(t.get(), &terminator);
    if (c.decoded) {
      ASSERT_NE(s, nullptr);
      EXPECT_STREQ(s, c.decoded);
    } else {
      EXPECT_EQ(s, nullptr);
    }
    EXPECT_EQ(terminator, c.terminator);
    MemFree(s);
  }
}

TEST(MdfScanQuoted, CursorMovesPastTheClosingQuote) {
  Text t("{\"first\" \"second\"}");
  char terminator;
  char* a = MdfScanQuoted(t.get(), &terminator);
  EXPECT_STREQ(a, "first");
  EXPECT_EQ(terminator, ' ');
  char* b = MdfScanQuoted(t.get(), &terminator);
  EXPECT_STREQ(b, "second");
  EXPECT_EQ(terminator, '}');
  EXPECT_EQ(MdfScanQuoted(t.get(), &terminator), nullptr);
  MemFree(a);
  MemFree(b);
}

TEST(MdfScanQuotedWide, ConvertsThroughTheCodePage) {
  Text t("\"VELM\x82\xA0\"");  // 0x82A0 is HIRAGANA LETTER A
  char terminator;
  char16_t* w = MdfScanQuotedWide(t.get(), &terminator);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(std::u16string(w), u"VELM\u3042");
  MemFree(w);
  Text empty("\"\"");
  EXPECT_EQ(MdfScanQuotedWide(empty.get(), &terminator), nullptr);
}

TEST(MdfSkipPast, MovesPastTheCharacterOrStopsAtTheEnd) {
  Text t("ab{cd");
  EXPECT_STREQ(MdfSkipPast(t.get(), '{'), "cd");
  EXPECT_EQ(t->length, 3u);
  EXPECT_EQ(MdfSkipPast(t.get(), '{'), nullptr);
  EXPECT_EQ(t->length, 5u);
  // The second byte of a double-byte character is not a match.
  Text d("\x83\x7B{x");
  EXPECT_STREQ(MdfSkipPast(d.get(), '{'), "x");
}

TEST(MdfLookupWord, EndRowAnswersForUnknownWords) {
  const MdfWordRow table[] = {{"One", 1}, {"Two", 2}, {nullptr, 99}};
  EXPECT_EQ(MdfLookupWord(table, "Two"), 2u);
  EXPECT_EQ(MdfLookupWord(table, "two"), 99u);
  EXPECT_EQ(MdfLookupWord(table, ""), 99u);
  EXPECT_EQ(MdfLookupWord(table, nullptr), 99u);
  EXPECT_EQ(MdfParseBool("True"), 1);
  EXPECT_EQ(MdfParseBool("true"), 0);
  EXPECT_EQ(MdfParseBool("False"), 0);
  EXPECT_EQ(MdfParseBool("1"), 0);
}

}  // namespace
