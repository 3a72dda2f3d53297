// The record reader of the model-description file: the record syntax byte by
// byte, the end of the file, buffer growth and running out of memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "plat/kernel.h"
#include "velm/mdf_reader.h"

namespace {

struct RecordOut {
  int32_t code;
  std::string keyword, word1, word2, value;
};

// Reads every record of text, with the code of each read up to the end.
std::vector<RecordOut> ReadAll(const std::string& text) {
  std::vector<RecordOut> out;
  MdfRecord* record = MdfCreateRecord();
  EXPECT_NE(record, nullptr);
  if (!record) return out;
  MdfSource source{reinterpret_cast<const uint8_t*>(text.data()), reinterpret_cast<const uint8_t*>(text.data()),
                   static_cast<uint32_t>(text.size())};
  for (int guard = 0; guard < 1000; ++guard) {
    int32_t code = MdfReadRecord(record, &source);
    out.push_back({code, std::string(record->keyword.data, record->keyword.length),
                   std::string(record->word1.data, record->word1.length),
                   std::string(record->word2.data, record->word2.length),
                   std::string(record->value.data, record->value.length)});
    if (code != kMdfRecordRead && code != kMdfBadRecord) break;
  }
  MdfFreeRecord(record);
  return out;
}

TEST(MdfCharClass, ClassesFollowTheRangeRules) {
  struct Case {
    int c;
    uint8_t bits;
  } cases[] = {
      {'0', kMdfDigit | kMdfPrintable | kMdfGraphic | kMdfWord},
      {'F', kMdfHexLetter | kMdfPrintable | kMdfGraphic | kMdfWord},
      {'g', kMdfPrintable | kMdfGraphic | kMdfWord},
      {'\n', kMdfLineBreak | kMdfDelimiter},
      {' ', kMdfBlank | kMdfPrintable | kMdfDelimiter},
      {':', kMdfDelimiter},
      {'/', kMdfPrintable | kMdfWord | kMdfDelimiter},
      {'*', kMdfPrintable | kMdfGraphic | kMdfDelimiter},
      {'"', kMdfPrintable | kMdfGraphic | kMdfDelimiter},
      {'+', kMdfPrintable | kMdfGraphic},
      {'~', kMdfPrintable | kMdfGraphic},
      {'_', kMdfPrintable | kMdfGraphic | kMdfWord},
      {'{', kMdfPrintable | kMdfGraphic | kMdfDelimiter},
      {0x7F, 0},
      {0x82, 0},
      {0xFF, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MdfCharClass[c.c], c.bits) << "char " << c.c;
  EXPECT_TRUE(MdfIsHexDigit('a'));
  EXPECT_TRUE(MdfIsHexDigit('9'));
  EXPECT_FALSE(MdfIsHexDigit('g'));
}

struct SyntaxCase {
  const char* name;
  std::string text;
  std::vector<RecordOut> records;  // every read, the last one the end of the file
};

TEST(MdfReadRecord, RecordSyntaxTable) {
  const RecordOut kEnd{kMdfEndOfFile, "", "", "", ""};
  const SyntaxCase cases[] = {
      {"comment line", "*% a comment: \"x\n*A: 1\n", {{0, "A", "", "", "1"}, kEnd}},
      {"line without a star is skipped", "garbage *A: 2\n*B: 3\n", {{0, "B", "", "", "3"}, kEnd}},
      {"blank lines", "\n\r\n\n*A: 1\n\n", {{0, "A", "", "", "1"}, kEnd}},
      {"keyword alone", "*CloseUI\n", {{0, "CloseUI", "", "", ""}, kEnd}},
      {"keyword and blanks is bad", "*CloseUI  \n*A: 1\n", {{3, "CloseUI", "", "", ""}, {0, "A", "", "", "1"}, kEnd}},
      {"slash ends the first word", "*OpenUI *F/Tr: PickOne\n*A: 1\n",
       {{3, "OpenUI", "*F", "", ""}, {0, "A", "", "", "1"}, kEnd}},
      {"keyword ended by a colon", "*FileVersion: 3.62\n", {{0, "FileVersion", "", "", "3.62"}, kEnd}},
      {"two words", "*PageValue F IDS_A4: 600 P \"1 2\"\n",
       {{0, "PageValue", "F", "IDS_A4", "600 P \"1 2\""}, kEnd}},
      {"one word and blanks before the colon", "*OpenUI *VPD_X   : PickOne\n",
       {{0, "OpenUI", "*VPD_X", "", "PickOne"}, kEnd}},
      {"three words are bad", "*A b c d: 1\n", {{3, "A", "b", "c", ""}, kEnd}},
      {"brace over two lines keeps the line break", "*A: {x\ny}\n", {{0, "A", "", "", "{x\ny}"}, kEnd}},
      {"quote over two lines", "*A: \"x\r\ny\"\n", {{0, "A", "", "", "\"x\r\ny\""}, kEnd}},
      {"parenthesis inside quotes is bad", "*A: \"(\"\n*B: 1\n", {{3, "A", "", "", "\""}, {0, "B", "", "", "1"}, kEnd}},
      {"escaped parenthesis inside quotes", "*A: \"%(\"\n", {{0, "A", "", "", "\"%(\""}, kEnd}},
      {"escape before a line break is bad", "*A: \"%\n\"\n*B: 1\n",
       {{3, "A", "", "", "\""}, {0, "B", "", "", "1"}, kEnd}},
      {"closing brace without an open one", "*A: }\n", {{3, "A", "", "", ""}, kEnd}},
      {"brace inside a parenthesis", "*A: ({)\n", {{3, "A", "", "", "("}, kEnd}},
      {"parenthesis spans lines", "*A: (a\nb)\n", {{0, "A", "", "", "(a\nb)"}, kEnd}},
      {"double-byte pair ending in a brace", "*A: {\x83\x7D}\n", {{0, "A", "", "", "{\x83\x7D}"}, kEnd}},
      {"empty keyword", "*: x\n*A: 1\n", {{3, "", "", "", ""}, {0, "A", "", "", "1"}, kEnd}},
      {"star at the very end", "*", {kEnd}},
      {"bad record then next line", "*A b c d: 1 *B: 2\n*C: 3\n",
       {{3, "A", "b", "c", ""}, {0, "C", "", "", "3"}, kEnd}},
  };
  for (const SyntaxCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<RecordOut> got = ReadAll(c.text);
    ASSERT_EQ(got.size(), c.records.size());
    for (size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(got[i].code, c.records[i].code);
      if (got[i].code != kMdfRecordRead) continue;
      EXPECT_EQ(got[i].keyword, c.records[i].keyword);
      EXPECT_EQ(got[i].word1, c.records[i].word1);
      EXPECT_EQ(got[i].word2, c.records[i].word2);
      EXPECT_EQ(got[i].value, c.records[i].value);
    }
  }
}

// Runs and values are scanned many bytes a step: every byte value, at every
// place of such a step and past it, must end a keyword or a word exactly
// where the class table says, and must act in a value as it does when the
// value is short enough to be read byte by byte.
TEST(MdfReadRecord, EveryByteActsTheSameAtEveryPlaceOfARun) {
  const std::string tail(20, 'k');
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    SCOPED_TRACE(b);
    for (size_t at : {size_t{1}, size_t{7}, size_t{15}, size_t{16}, size_t{17}, size_t{31}, size_t{40}}) {
      SCOPED_TRACE(at);
      // The keyword: a run of the word class.
      std::string keyword = std::string(at, 'K') + byte + tail;
      std::vector<RecordOut> got = ReadAll("*" + keyword + ": 1\n");
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got[0].keyword, MdfIsClass(static_cast<uint8_t>(b), kMdfWord) ? keyword : keyword.substr(0, at));

      // The first word: a run of the graphic class.
      std::string word = std::string(at, 'w') + byte + tail;
      got = ReadAll("*K " + word + ": 1\n");
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got[0].word1, MdfIsClass(static_cast<uint8_t>(b), kMdfGraphic) ? word : word.substr(0, at));

      // A value: the same records as with the byte right after the value's
      // first byte, the plain bytes put before it kept there.
      const std::string rest = std::string(1, byte) + "v\n*N: 1\n";
      std::vector<RecordOut> shortest = ReadAll("*K: x" + rest);
      got = ReadAll("*K: x" + std::string(at, 'v') + rest);
      ASSERT_EQ(got.size(), shortest.size());
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].code, shortest[i].code);
        EXPECT_EQ(got[i].keyword, shortest[i].keyword);
        std::string value = shortest[i].value;
        if (i == 0) {
          ASSERT_FALSE(value.empty());
          value.insert(1, std::string(at, 'v'));
        }
        EXPECT_EQ(got[i].value, value);
      }
    }
  }
}

TEST(MdfReadRecord, TheEndOfTheFileEndsTheLastRecord) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<int32_t> codes;
    std::string last_value;
  } cases[] = {
      {"value without a line break", "*A: 1\n*B: last", {0, 0, 1}, "last"},
      {"keyword without a line break", "*A: 1\n*CloseUI", {0, 0, 1}, ""},
      {"lead byte as the last byte", "*A: ab\x82", {0, 1}, "ab"},
      {"lead byte inside quotes at the end", "*A: \"ab\x82", {3, 1}, ""},
      {"escape as the last byte inside quotes", "*A: \"ab%", {3, 1}, ""},
      {"open brace at the end", "*A: {a b", {3, 1}, ""},
      {"words without a colon at the end", "*OpenUI *X", {3, 1}, ""},
      {"blanks after the keyword at the end", "*A   ", {3, 1}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A heap copy of exactly the file's size, so that a read past the end is
    // caught by the address sanitizer.
    std::vector<uint8_t> bytes(c.text.begin(), c.text.end());
    auto copy = std::make_unique<uint8_t[]>(bytes.size());
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    MdfRecord* record = MdfCreateRecord();
    ASSERT_NE(record, nullptr);
    MdfSource source{copy.get(), copy.get(), static_cast<uint32_t>(bytes.size())};
    std::vector<int32_t> codes;
    std::string last_value;
    for (int guard = 0; guard < 10; ++guard) {
      int32_t code = MdfReadRecord(record, &source);
      codes.push_back(code);
      if (code == kMdfRecordRead) last_value.assign(record->value.data, record->value.length);
      if (code != kMdfRecordRead && code != kMdfBadRecord) break;
    }
    MdfFreeRecord(record);
    EXPECT_EQ(codes, c.codes);
    if (!c.last_value.empty()) {
      EXPECT_EQ(last_value, c.last_value);
    }
  }
}

TEST(MdfReadRecord, LongValuesAreKeptWhole) {
  std::string big(5000, 'x');
  std::string brace = "{" + std::string(300000, 'y') + "\n}";
  std::vector<RecordOut> got = ReadAll("*A: " + big + "\n*B: " + brace + "\n");
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].value, big);
  EXPECT_EQ(got[1].value, brace);
  EXPECT_EQ(got[2].code, kMdfEndOfFile);
}

TEST(MdfReadRecord, RunningOutOfMemoryWhileGrowingIsReported) {
  std::string text = "*A: " + std::string(3000, 'x') + "\n";
  MdfRecord* record = MdfCreateRecord();
  ASSERT_NE(record, nullptr);
  MdfSource source{reinterpret_cast<const uint8_t*>(text.data()), reinterpret_cast<const uint8_t*>(text.data()),
                   static_cast<uint32_t>(text.size())};
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(MdfReadRecord(record, &source), kMdfOutOfMemory);
  plat::ClearFaults();
  MdfFreeRecord(record);
}

TEST(MdfParseBuffer, OutOfMemoryFailsTheParseAndFreesEverything) {
  std::string text = mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf"));
  ASSERT_FALSE(text.empty());
  text += "*A: " + std::string(5000, 'z') + "\n";  // a value that must grow the buffer
  // Every allocation of the parse in turn fails; the parse either succeeds
  // without what the failed allocation would have built, or fails and leaves
  // nothing behind. The reader's own buffers make it fail.
  int failures = 0;
  for (int nth = 1; nth < 400; ++nth) {
    mdf_test::BlockCount blocks;
    plat::FailNth("GlobalAlloc", nth);
    ModelParseContext* ctx = MdfParseBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    plat::ClearFaults();
    if (!ctx) ++failures;
    MdfFreeParseContext(ctx);
    EXPECT_EQ(blocks.Delta(), 0) << "allocation " << nth;
  }
  EXPECT_GT(failures, 0);
}

}  // namespace
