#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pjl_test_support.h"
#include "velm/settings.h"

namespace {

using pjl_test::Engine;
using pjl_test::FeatureName;
using pjl_test::Line;
using pjl_test::ListEntries;
using pjl_test::MinimalBase;
using pjl_test::ParsesWhole;
using Entries = std::vector<std::string>;

// ---- numbers ------------------------------------------------------------------------

TEST(PjlScaling, ValuesToTexts) {
  struct Row {
    const char* what;
    int32_t value;
    uint16_t first, second;
    uint32_t kind;
    int32_t resolution;
    bool ok;
    int64_t want;
  } rows[] = {
      {"plain", 3, 1, 1, 0, 0, true, 3},
      {"divided", 300, 1, 10, 1, 0, true, 30},
      {"a value that would vanish shows as 1", 7, 1, 10, 1, 0, true, 1},
      {"zero stays zero", 0, 1, 10, 1, 0, true, 0},
      {"a length at the resolution", 1200, 1, 1, 2, 600, true, 600},
      {"a length scaled and at the resolution", 2400, 3, 2, 2, 1200, true, 3600},
      {"no 32-bit wrap-around", 2000000000, 65535, 1, 1, 0, true, 131070000000000},
      {"negative values stay signed", -100, 1, 2, 1, 0, true, -50},
      {"zero first factor", 5, 0, 1, 1, 0, false, 0},
      {"zero second factor", 5, 1, 0, 1, 0, false, 0},
      {"zero resolution", 5, 1, 1, 2, 0, false, 0},
      {"negative resolution", 5, 1, 1, 2, -600, false, 0},
      {"the resolution is only read for lengths", 5, 1, 1, 1, 0, true, 5},
      {"beyond 64 bits", INT32_MAX, 65535, 1, 2, INT32_MAX, false, 0},
  };
  for (const Row& r : rows) {
    int64_t out = -12345;
    EXPECT_EQ(ExcScaleToText(r.value, r.first, r.second, r.kind, r.resolution, &out), r.ok) << r.what;
    if (r.ok) {
      EXPECT_EQ(out, r.want) << r.what;
    }
  }
}

TEST(PjlScaling, TextsToValues) {
  struct Row {
    const char* what;
    const char* text;
    uint16_t first, second;
    uint32_t kind;
    int32_t resolution;
    bool ok;
    int32_t want;
  } rows[] = {
      {"plain", "3", 1, 1, 0, 0, true, 3},
      {"multiplied back", "30", 1, 10, 1, 0, true, 300},
      {"a number that would vanish is stored as 1", "1", 10, 1, 1, 0, true, 1},
      {"zero stays zero", "0", 10, 1, 1, 0, true, 0},
      {"a length", "600", 1, 1, 2, 600, true, 1200},
      {"negative", "-50", 1, 2, 1, 0, true, -100},
      {"the smallest number", "-2147483648", 1, 1, 1, 0, true, INT32_MIN},
      {"beyond 32 bits after scaling", "2147483647", 1, 2, 1, 0, false, 0},
      {"beyond 32 bits as text", "2147483648", 1, 1, 1, 0, false, 0},
      {"not a number", "12a", 1, 1, 1, 0, false, 0},
      {"empty", "", 1, 1, 1, 0, false, 0},
      {"a sign alone", "-", 1, 1, 1, 0, false, 0},
      {"a plus sign", "+5", 1, 1, 1, 0, false, 0},
      {"a blank", " 5", 1, 1, 1, 0, false, 0},
      {"quoted", "\"5\"", 1, 1, 1, 0, false, 0},
      {"zero first factor", "5", 0, 1, 1, 0, false, 0},
      {"zero second factor", "5", 1, 0, 1, 0, false, 0},
      {"zero resolution", "5", 1, 1, 2, 0, false, 0},
  };
  for (const Row& r : rows) {
    int32_t out = -12345;
    EXPECT_EQ(ExcScaleFromText(r.text, r.first, r.second, r.kind, r.resolution, &out), r.ok) << r.what;
    if (r.ok) {
      EXPECT_EQ(out, r.want) << r.what;
    }
  }
  // Text back to value is the inverse where the factors divide evenly.
  for (int32_t v : {0, 10, 300, 99990, -40}) {
    int64_t text_number = 0;
    int32_t back = 0;
    ASSERT_TRUE(ExcScaleToText(v, 1, 10, 1, 0, &text_number));
    ASSERT_TRUE(ExcScaleFromText(std::to_string(text_number).c_str(), 1, 10, 1, 0, &back));
    EXPECT_EQ(back, v);
    ASSERT_TRUE(ExcScaleToText(v, 1, 1, 2, 600, &text_number));
    ASSERT_TRUE(ExcScaleFromText(std::to_string(text_number).c_str(), 1, 1, 2, 600, &back));
    EXPECT_EQ(back, v);
  }
}

// ---- a model with the features the values come from -----------------------------------------

std::string Feature(uint32_t setting, const std::string& type, const std::string& body) {
  std::string name = FeatureName(setting);
  return "*OpenUI *" + name + ": " + type + "\n" + body + "*CloseUI: *" + name + "\n";
}

// Copies from 1 to 999 (sixth number 5), the user code, the memory size and
// the watermark settings with command texts that make whole lines, their
// quotes given as hex.
std::string ValuesModel(const std::string& copies_numbers = "3 1 1 999 1 5 1 1") {
  std::string m = "*FileVersion: 1.0\n";
  m += Feature(12, "Numeric", "*OptionCommand: {\"@PJL SET QTY = \" \"<0D0A>\"}\n*NumericValue: \"" + copies_numbers + "\"\n");
  m += Feature(216, "String", "*StringValue: 8 MultiByte\n");
  m += Feature(10012, "PickOne",
               "*" + FeatureName(10012) + " IDS_OPTION_RAM32: \"32MB\"\n*" + FeatureName(10012) +
                   " IDS_OPTION_RAM64: \"64MB\"\n");
  auto cmd = [](const std::string& pjl, bool quoted) {
    return "*OptionCommand: {\"@PJL SET " + pjl + " = " + (quoted ? "<22>" : "") + "\" \"" + (quoted ? "<22>" : "") +
           " <0D0A>\"}\n";
  };
  m += Feature(869, "String", cmd("WMKCHAR", true) + "*StringValue: 32 MultiByte\n");
  m += Feature(870, "String", cmd("WMKIMAGE", true) + "*StringValue: 520 MultiByte\n");
  std::string page = FeatureName(116);
  m += Feature(116, "Boolean", cmd("WMKPAGE", false) + "*" + page + " True: \"ON\"\n*" + page + " False: \"OFF\"\n");
  m += Feature(117, "Numeric", cmd("WMKSTART", false) + "*NumericValue: \"4 1 1 9999 1 0 1 1\"\n");
  m += Feature(118, "Numeric", cmd("WMKEND", false) + "*NumericValue: \"4 9999 1 9999 1 0 1 1\"\n");
  std::string pos = FeatureName(114);
  m += Feature(114, "PickOne",
               cmd("WMKPOSITION", false) + "*" + pos + " IDS_STAMP_POS_CENTER: \"CENTER\"\n*" + pos +
                   " IDS_STAMP_POS_TL: \"TOPLEFT\"\n");
  m += Feature(112, "Numeric", cmd("WMKDENSITY", false) + "*NumericValue: \"3 50 10 100 1 0 1 1\"\n");
  m += Feature(128, "Numeric", cmd("WMKIMAGESIZE", false) + "*NumericValue: \"3 100 10 400 1 0 1 1\"\n");
  m += Feature(121, "String", cmd("WMKFONT", true) + "*StringValue: 32 MultiByte\n");
  return m;
}

// Stores bytes as an ANSI string setting, cut or padded with zeros to its
// size.
void SetAnsi(DriverContext* ctx, uint32_t id, const std::string& text) {
  SettingRecord* row = OptFindSetting(ctx, id);
  ASSERT_NE(row, nullptr);
  std::string bytes = text;
  bytes.resize(DescSize(row->descriptor), '\0');
  ASSERT_NE(OptSetBytes(ctx, row, bytes.data()), 0);
}

Entries List(Engine& e, const char* name, int32_t only_allowed) {
  ExcTextBuffer b{};
  EXPECT_TRUE(ExcTextInit(&b));
  EXPECT_EQ(ExcBuildValueList(&e.h, name, only_allowed, &b), kExcOk);
  Entries out = ListEntries(b.text, b.length);
  ExcTextFree(&b);
  return out;
}

Entries PrinterOptions(Engine& e, const char* name) {
  ExcTextBuffer b{};
  EXPECT_TRUE(ExcTextInit(&b));
  EXPECT_EQ(ExcBuildPrinterOptionList(&e.h, name, &b), kExcOk);
  Entries out = ListEntries(b.text, b.length);
  ExcTextFree(&b);
  return out;
}

std::string PrinterValue(Engine& e, const char* name) {
  ExcTextBuffer b{};
  EXPECT_TRUE(ExcTextInit(&b));
  EXPECT_EQ(ExcBuildPrinterValue(&e.h, name, &b), kExcOk);
  std::string out(b.text, b.length);
  ExcTextFree(&b);
  return out;
}

// ---- value lists -------------------------------------------------------------------------

TEST(PjlValueLists, NumericVariablesListTheirRange) {
  Engine e(ValuesModel());
  EXPECT_EQ(List(e, "COPIES", 0), (Entries{"1", "999", "5"}));
  EXPECT_EQ(List(e, "COPIES", 1), Entries{}) << "not settable before a base sets it";
  ASSERT_EQ(e.SetBase(MinimalBase() + Line("COPIES", "3")), kExcOk);
  EXPECT_EQ(e.Value(12), 3);
  EXPECT_EQ(List(e, "COPIES", 1), (Entries{"1", "999", "5"}));
  EXPECT_NE(e.Rendered().find(Line("COPIES", "3")), std::string::npos) << "the bare number, no command text";

  // Factors scale the range; zero factors act as no numeric record.
  Engine scaled(ValuesModel("3 1 1 999 1 5 2 1"));
  EXPECT_EQ(List(scaled, "COPIES", 0), (Entries{"2", "1998", "10"}));
  Engine zero(ValuesModel("3 1 1 999 1 5 0 1"));
  EXPECT_EQ(List(zero, "COPIES", 0), Entries{});
  ASSERT_EQ(zero.SetBase(MinimalBase() + Line("COPIES", "3")), kExcOk);
  EXPECT_FALSE(zero.Recorded(12)) << "nothing recorded through a zero factor";
  Engine none;
  EXPECT_EQ(List(none, "COPIES", 0), Entries{}) << "no feature, no list";
  EXPECT_EQ(List(none, "MARGINODD", 0), Entries{});
}

TEST(PjlValueLists, PickListsLeaveOutAliasesAndFollowInstalledOptions) {
  Engine e;
  const Entries base_papers = {"SAME", "A3", "A4", "A5", "JISB4", "JISB5", "LETTER", "LEGAL", "HALFLETTER", "LEDGER"};
  EXPECT_EQ(List(e, "PAPER", 0), base_papers) << "the manual feeder's papers need it";
  // The printer-option conditions read the model's support of the manual
  // feeder (item 257), not the installed copy.
  OptSetValueById(e.ctx(), 450, 1);
  EXPECT_EQ(List(e, "PAPER", 0), base_papers);
  OptSetValueById(e.ctx(), 257, 1);
  EXPECT_EQ(List(e, "PAPER", 0), (Entries{"SAME", "A3", "A4", "A5", "A6", "JPOST", "JISB4", "JISB5", "JISB6",
                                          "LETTER", "LEGAL", "HALFLETTER", "LEDGER", "CUSTOM"}))
      << "one CUSTOM: the alias rows stay out";
  // A command-only variable lists every non-alias row.
  EXPECT_EQ(List(e, "BOOKLET", 0), (Entries{"BOOKLETF", "BOOKLETC", "OFF"}));
  EXPECT_EQ(List(e, "BINDING", 0), (Entries{"LEFT", "RIGHT", "TOP"}));
  EXPECT_EQ(List(e, "NOSUCH", 0), Entries{});
  EXPECT_EQ(List(e, "USERCODE", 0), Entries{}) << "not a command variable";
}

TEST(PjlValueLists, ForcedFeedOffersTheWordTheRuleChooses) {
  Engine e;
  EXPECT_EQ(List(e, "FORCEFEED", 0), (Entries{"SEF", "LEF", "ALL"}));
  EXPECT_EQ(List(e, "FORCEFEED", 1), Entries{}) << "neither stapling nor punching recorded";
  OptSetValueById(e.ctx(), 10049, 1);
  ASSERT_EQ(e.SetBase(MinimalBase() + Line("STAPLE", "LEFTTOPSLANT") + Line("FORCEFEED", "LEF")), kExcOk);
  EXPECT_EQ(List(e, "FORCEFEED", 1), Entries{"LEF"});
  EXPECT_EQ(List(e, "FORCEFEED", 0), (Entries{"SEF", "LEF", "ALL"}));
  ASSERT_EQ(e.Update(Line("STAPLE", "RIGHTTOPSLANT")), kExcChanged);
  EXPECT_EQ(e.Change(), Line("FORCEFEED", "SEF"));
  EXPECT_EQ(List(e, "FORCEFEED", 1), Entries{"SEF"});
}

TEST(PjlValueLists, PrinterOptionsAllowedNow) {
  Engine e;
  EXPECT_EQ(PrinterOptions(e, "TRAY"), (Entries{"ALL", "TRAY1", "TRAY2"}));
  OptSetValueById(e.ctx(), 449, 1);  // the bank trays
  OptSetValueById(e.ctx(), 450, 1);  // the manual feeder
  EXPECT_EQ(PrinterOptions(e, "TRAY"), (Entries{"ALL", "TRAY1", "TRAY2", "TRAY3", "TRAY4", "MANUAL"}));
  EXPECT_EQ(PrinterOptions(e, "OUTBIN"), Entries{"UPPER"}) << "the alias row has no conditions and stays out";
  EXPECT_EQ(PrinterOptions(e, "APLPAGESIZE"), Entries{}) << "not a printer option";
  EXPECT_EQ(PrinterOptions(e, "PUNCHHOLE"), Entries{}) << "its only value needs the finisher";
}

// ---- printer values ------------------------------------------------------------------------

TEST(PjlPrinterValues, UserCodeIsQuotedAndCannotInjectALine) {
  Engine e(ValuesModel());
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "") << "an empty user code has no text";
  SetAnsi(e.ctx(), 216, "1234");
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "\"1234\"");
  SetAnsi(e.ctx(), 216, "12\r\n@PJ");
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "\"12@PJ\"");
  SetAnsi(e.ctx(), 216, "1\"2\"");
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "\"12\"");
  SetAnsi(e.ctx(), 216, "\r\n\"");
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "") << "nothing is left to quote";
  // A double-byte character whose second byte is a backslash stays whole.
  SetAnsi(e.ctx(), 216, "\x83\x5C" "A");
  EXPECT_EQ(PrinterValue(e, "USERCODE"), "\"\x83\x5C" "A\"");
  // As a line, the value reads back as one token.
  SetAnsi(e.ctx(), 216, "AB\r\nCD");
  EXPECT_TRUE(ParsesWhole(Line("USERCODE", PrinterValue(e, "USERCODE"))));
}

TEST(PjlPrinterValues, OptionTextsAndOwnRows) {
  Engine e(ValuesModel());
  OptSetOptionById(e.ctx(), 10012, ctx_test::Option("IDS_OPTION_RAM64"));
  EXPECT_EQ(PrinterValue(e, "MEMORYSIZE"), "64MB");
  OptSetValueById(e.ctx(), 604, 9);
  EXPECT_EQ(PrinterValue(e, "TRAYPAPER1"), "A4");
  OptSetValueById(e.ctx(), 604, 4711);
  EXPECT_EQ(PrinterValue(e, "TRAYPAPER1"), "") << "a value without a row";
  EXPECT_EQ(PrinterValue(e, "TRAY"), "") << "not a printer value";
  Engine bare;
  EXPECT_EQ(PrinterValue(bare, "MEMORYSIZE"), "") << "no feature in the model";
}

// ---- watermark blocks ----------------------------------------------------------------------

struct Watermark {
  Watermark() : e(ValuesModel()) {
    DriverContext* ctx = e.ctx();
    SetAnsi(ctx, 869, "TOP SECRET");
    SetAnsi(ctx, 870, "C:\\stamps\\logo.bmp");
    SetAnsi(ctx, 121, "MS Gothic");
    OptSetValueById(ctx, 117, 2);
    OptSetValueById(ctx, 118, 5);
    OptSetOptionById(ctx, 114, ctx_test::Option("IDS_STAMP_POS_CENTER"));
    OptSetValueById(ctx, 112, 50);
    OptSetValueById(ctx, 128, 120);
  }
  std::string Block(int32_t kind) {
    ExcTextBuffer b{};
    EXPECT_TRUE(ExcTextInit(&b));
    EXPECT_EQ(ExcWriteWatermarkBlock(&b, e.ctx(), kind), kExcOk);
    std::string out(b.text, b.length);
    ExcTextFree(&b);
    if (!out.empty()) {
      EXPECT_EQ(out.back(), '\0') << "a block ends with a NUL";
      out.pop_back();
      EXPECT_TRUE(ParsesWhole(out));
    }
    return out;
  }
  Engine e;
};

TEST(PjlWatermarks, BlocksByKindAndPageSwitch) {
  Watermark w;
  const std::string order = Line("WMKORDER", "PAPER"), position = Line("WMKPOSITION", "CENTER");
  const std::string range = Line("WMKSTART", "2") + Line("WMKEND", "5");
  OptSetValueById(w.e.ctx(), 116, 0);
  const std::string text_all_pages = Line("WMKCHAR", "\"TOP SECRET\"") + Line("WMKPAGE", "OFF") + order + position +
                                     Line("WMKDENSITY", "50") + Line("WMKFONT", "\"MS Gothic\"");
  EXPECT_EQ(w.Block(0), text_all_pages) << "all pages: no page range";
  const std::string image_all_pages = Line("WMKIMAGE", "\"C:\\stamps\\logo.bmp\"") + Line("WMKPAGE", "OFF") + order +
                                      position + Line("WMKIMAGESIZE", "120");
  EXPECT_EQ(w.Block(1), image_all_pages);
  EXPECT_EQ(w.Block(2), image_all_pages) << "every kind but 0 is an image watermark";
  EXPECT_EQ(w.Block(-1), image_all_pages);

  OptSetValueById(w.e.ctx(), 116, 1);
  EXPECT_EQ(w.Block(0), Line("WMKCHAR", "\"TOP SECRET\"") + Line("WMKPAGE", "ON") + range + order + position +
                            Line("WMKDENSITY", "50") + Line("WMKFONT", "\"MS Gothic\""));

  // An empty text writes no line for it; text that would end the value or
  // the line is left out.
  OptSetValueById(w.e.ctx(), 116, 0);
  SetAnsi(w.e.ctx(), 869, "");
  EXPECT_EQ(w.Block(0).find("WMKCHAR"), std::string::npos);
  SetAnsi(w.e.ctx(), 869, "A\"\r\n@PJL SET X = 1");
  EXPECT_EQ(w.Block(0).substr(0, Line("WMKCHAR", "\"A@PJL SET X = 1\"").size()),
            Line("WMKCHAR", "\"A@PJL SET X = 1\""));
  EXPECT_EQ(w.Block(0).find("@PJL SET X"), w.Block(0).find("A@PJL SET X") + 1) << "no line of its own";
}

TEST(PjlWatermarks, AModelWithoutTheFeaturesWritesOnlyTheOrderLine) {
  Engine e;
  ExcTextBuffer b{};
  ASSERT_TRUE(ExcTextInit(&b));
  EXPECT_EQ(ExcWriteWatermarkBlock(&b, e.ctx(), 0), kExcOk);
  EXPECT_EQ(std::string(b.text, b.length), Line("WMKORDER", "PAPER") + std::string(1, '\0'));
  EXPECT_EQ(ExcWriteWatermarkBlock(&b, nullptr, 0), kExcFailed);
  ExcTextFree(&b);
}

// ---- every rendered text reads back -----------------------------------------------------------

TEST(PjlRenderedTexts, ParseAgain) {
  Engine e(ValuesModel());
  OptSetValueById(e.ctx(), 10049, 1);
  std::string base = MinimalBase() + Line("COPIES", "12") + Line("COLLATE", "SORT") + Line("OUTBIN", "UPPER") +
                     Line("DUPLEX", "ON") + Line("BINDING", "TOP") + Line("BOOKLET", "BOOKLETF") +
                     Line("STAPLE", "LEFTTOPSLANT") + Line("PUNCH", "LEFT") + Line("FORCEFEED", "ALL") +
                     Line("SCALETYPE", "PAPERSCALE") + Line("NUP", "4IN1P3") + Line("NUPENCLOSURE", "CHAINSTITCH") +
                     Line("MEDIATYPE", "THICK") + Line("DSTRESOLUTIONW", "600") + Line("COLORSELECT", "MONO") +
                     Line("SIMPLEXBINDING", "LEFT") + Line("PUNCHHOLE", "JP2");
  int32_t r = e.SetBase(base);
  ASSERT_NE(r, kExcFailed);
  EXPECT_TRUE(ParsesWhole(e.Base()));
  EXPECT_TRUE(ParsesWhole(e.Change()));
  std::string rendered = e.Rendered();
  EXPECT_TRUE(ParsesWhole(rendered));
  // Each rendered value is one the variable offers, and it sets the same
  // value again.
  char name[kExcTokenSize], value[kExcTokenSize];
  int lines = 0;
  for (const char* p = rendered.c_str();;) {
    int32_t used = ExcParseLine(p, name, value);
    ASSERT_GE(used, 0);
    if (used == 0) break;
    p += used;
    ++lines;
    EXPECT_NE(ExcFindVariable(name, kPjlAccessCommand), nullptr) << name;
  }
  EXPECT_GE(lines, 18);
  // Every value of every command variable, one at a time, gives texts that
  // read back.
  const PjlVariableTable* t = OptGetSelectableTable();
  for (uint32_t i = 0; i < t->count; ++i) {
    const PjlVariableRow& row = t->rows[i];
    if (!(row.access & kPjlAccessCommand) || !row.options || !ExcIsSettable(&e.h, &row)) continue;
    for (uint32_t k = 0; k < row.options->count; ++k) {
      e.Update(Line(row.name, row.options->rows[k].text));
      EXPECT_TRUE(ParsesWhole(e.Change())) << row.name;
      EXPECT_TRUE(ParsesWhole(e.Base())) << row.name;
      EXPECT_TRUE(ParsesWhole(e.Rendered())) << row.name;
    }
  }
}

}  // namespace
