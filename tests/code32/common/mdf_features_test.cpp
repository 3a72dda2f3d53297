// Feature and option records: what each record builds in the parse context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "velm/mdf_records.h"

namespace {

using mdf_test::Feature;
using mdf_test::Ids;
using mdf_test::Option;
using mdf_test::OptionId;
using mdf_test::OptionIds;
using mdf_test::Parse;
using mdf_test::Parsed;
using mdf_test::Str;

constexpr const char* kColor = "VPD_IDC_PRESET_CHOICE_COLOR";
constexpr const char* kPaper = "VPD_IDC_PRESET_CHOICE_PAPERSIZE";
constexpr const char* kTray = "VPD_IDC_PRESET_CHOICE_SOURCETRAY";
constexpr const char* kCopies = "VPD_IDC_PRESET_EDIT_COPIES";
constexpr const char* kDuplex = "VPD_IDC_EDIT_CHOICE_DUPLEX";
constexpr const char* kPassword = "VPD_IDC_PRINTTYPE_EDIT_PASSWORD";
constexpr const char* kFonts = "VPD_RADIOLIST_8";

// One feature block.
std::string Block(const std::string& name, const std::string& type, const std::string& body,
                  const std::string& sub = "") {
  return "*OpenUI *" + name + (sub.empty() ? "" : " " + sub) + ": " + type + "\n" + body + "*CloseUI: *" + name +
         "\n";
}

class SmallModel : public ::testing::Test {
 protected:
  void SetUp() override {
    text_ = mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf"));
    ASSERT_FALSE(text_.empty());
    ctx_ = Parse(text_);
    ASSERT_NE(ctx_, nullptr);
  }
  std::string text_;
  Parsed ctx_;
};

TEST_F(SmallModel, OneFeatureOfEachType) {
  struct Case {
    const char* name;
    uint16_t sub;
    uint16_t type;
    uint16_t setting;
    uint32_t image_record_size;
  } cases[] = {
      {kColor, 0, kFeaturePickOne, 15, 12},
      {"VPD_IDC_OPTION_CHOICE_OPTION", 0, kFeaturePickMany, 950, 12},
      {kDuplex, 0, kFeatureBoolean, 61, 12},
      {kCopies, 0, kFeatureNumeric, 12, 24},
      {kPassword, 0, kFeatureString, 220, 8},
      {"VPD_IDC_PRINTTYPE_EDIT_DOCUMENT", 0, kFeatureString | kFeatureTypeUnknown, 219, 8},
      {kPaper, 0, kFeaturePickPage, 8, 24},
      {kTray, 0, kFeaturePickSlot, 13, 20},
      {kFonts, 0, kFeatureFontTbl, 189, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FeatureNode* f = Feature(ctx_.get(), c.name, c.sub);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->type, c.type);
    EXPECT_EQ(f->settingId, c.setting);
    EXPECT_EQ(MdfOptionRecordSize(f->type), c.image_record_size);
    if (int32_t slot = MdfSlotOfSetting(c.setting)) {
      ASSERT_NE(ctx_->header->bySetting[slot], nullptr);
      EXPECT_EQ(ctx_->header->bySetting[slot]->settingId, c.setting);
    }
  }
  EXPECT_EQ(mdf_test::CountFeatures(ctx_.get()), 11);
  EXPECT_EQ(MdfSlotOfSetting(950), 0);  // ids 948-962 have no header slot
  EXPECT_EQ(std::u16string(ctx_->header->fileVersion), u"1.05");
  EXPECT_EQ(std::u16string(ctx_->header->uiResDllName), u"TESTUI");
  EXPECT_EQ(std::u16string(ctx_->header->excDepDllName), u"TESTEXC.DLL");
  EXPECT_EQ(ctx_->openName, nullptr);
}

TEST_F(SmallModel, OptionsInFileOrderWithTheirTexts) {
  FeatureNode* paper = Feature(ctx_.get(), kPaper);
  EXPECT_EQ(OptionIds(paper), Ids({"IDS_PAPERSIZE_A3", "IDS_PAPERSIZE_A4", "IDS_PAPERSIZE_LETTER"}));
  EXPECT_EQ(paper->defaultValue, 1);  // A4 is the second option
  EXPECT_EQ(Str(Option(paper, "IDS_PAPERSIZE_LETTER")->text), "LETTER");

  FeatureNode* many = Feature(ctx_.get(), "VPD_IDC_OPTION_CHOICE_OPTION");
  EXPECT_EQ(OptionIds(many), Ids({"IDS_OPTION_DUPLEX", "IDS_OPTION_HDD", "IDS_OPTION_BANKTRAY"}));
  EXPECT_EQ(Str(Option(many, "IDS_OPTION_HDD")->text), "HDD");
  EXPECT_EQ(Option(many, "IDS_OPTION_DUPLEX")->text, nullptr);

  FeatureNode* color = Feature(ctx_.get(), kColor);
  EXPECT_EQ(color->defaultValue, 1);
  ASSERT_NE(color->commands, nullptr);
  EXPECT_EQ(Str(color->commands->first), "@PJL SET RENDERMODE = ");
  EXPECT_EQ(Str(color->commands->second), "\r\n");
}

TEST_F(SmallModel, ValueRecords) {
  BooleanValue* duplex = MdfFeatureBoolean(Feature(ctx_.get(), kDuplex));
  ASSERT_NE(duplex, nullptr);
  EXPECT_EQ(duplex->defaultValue, 1);
  EXPECT_EQ(Str(duplex->trueText), "@PJL SET DUPLEX = ON\r\n");
  EXPECT_EQ(Str(duplex->falseText), "@PJL SET DUPLEX = OFF\r\n");

  NumericValue* copies = MdfFeatureNumeric(Feature(ctx_.get(), kCopies));
  ASSERT_NE(copies, nullptr);
  EXPECT_EQ(copies->unitId, 300);
  EXPECT_EQ(copies->maxChars, 3);
  EXPECT_EQ(copies->defaultValue, 1);
  EXPECT_EQ(copies->minimum, 1);
  EXPECT_EQ(copies->maximum, 999);
  EXPECT_EQ(copies->scale, 1);
  EXPECT_EQ(copies->sixth, 6);
  EXPECT_EQ(copies->seventh, 7);
  EXPECT_EQ(copies->eighth, 8);

  // The default line and the StringValue record both survive.
  StringValue* password = MdfFeatureString(Feature(ctx_.get(), kPassword));
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(password->defaultOption, OptionId("IDS_PRINTTYPE_NORMAL"));
  EXPECT_EQ(password->maxLength, 8);
  EXPECT_EQ(password->kind, kStringNumeric);
  EXPECT_EQ(password->showKind, kShowPassword);
}

TEST_F(SmallModel, PaperTrayAndFontTables) {
  FeatureNode* paper = Feature(ctx_.get(), kPaper);
  MdfOption* a4 = Option(paper, "IDS_PAPERSIZE_A4");
  ASSERT_NE(a4, nullptr);
  EXPECT_EQ(a4->paperWidth, 2100);
  EXPECT_EQ(a4->paperLength, 2970);
  ASSERT_NE(a4->areas, nullptr);
  PaperAreaEntry* portrait = a4->areas;
  EXPECT_EQ(portrait->resolution, 600);
  EXPECT_EQ(portrait->orientation, OptionId("IDC_PRESET_RADIO_PORTRAIT"));
  EXPECT_EQ(portrait->conditionKey, 0);
  EXPECT_EQ(portrait->left, 100);
  EXPECT_EQ(portrait->height, 6816);
  EXPECT_EQ(portrait->paperLength, 7016);
  PaperAreaEntry* landscape = portrait->next;
  ASSERT_NE(landscape, nullptr);
  EXPECT_EQ(landscape->resolution, 1200);  // a plain number
  EXPECT_EQ(landscape->conditionKey, mdf_test::Key("VPD_IDC_INIT_CHOICE_PRINTAREA"));
  EXPECT_EQ(landscape->conditionOption, OptionId("IDS_PRINTAREA_EXTEND"));
  EXPECT_EQ(landscape->height, 9728);
  EXPECT_EQ(landscape->paperWidth, 0);  // fewer than six numbers are kept
  EXPECT_EQ(landscape->next, nullptr);

  FeatureNode* tray = Feature(ctx_.get(), kTray);
  MdfOption* tray1 = Option(tray, "IDS_SOURCE_TRAY1");
  ASSERT_EQ(tray1->paperCount, 2u);
  EXPECT_EQ(tray1->papers[0], OptionId("IDS_PAPERSIZE_A4"));
  EXPECT_EQ(tray1->papers[1], OptionId("IDS_PAPERSIZE_LETTER"));
  MdfOption* manual = Option(tray, "IDS_SOURCE_MANUAL");
  EXPECT_EQ(manual->paperCount, 0u);  // one unknown paper: no papers at all
  EXPECT_EQ(manual->papers, nullptr);

  MdfOption* table = Option(Feature(ctx_.get(), kFonts), "IDC_USER_TTF_RADIO_TABLE");
  ASSERT_EQ(table->pairCount, 2u);
  EXPECT_EQ(Str(table->trueTypeNames[1]), "Times New Roman");
  EXPECT_EQ(Str(table->deviceNames[1]), "Times");
}

TEST_F(SmallModel, VariantAndIdentityShareTheBaseOptions) {
  FeatureNode* base = Feature(ctx_.get(), kColor);
  FeatureNode* variant = Feature(ctx_.get(), kColor, 1);
  ASSERT_NE(variant, nullptr);
  EXPECT_EQ(variant->data, base->data);
  EXPECT_EQ(variant->defaultValue, base->defaultValue);  // inherited position kept
  ASSERT_NE(variant->commands, nullptr);
  EXPECT_NE(variant->commands, base->commands);
  EXPECT_EQ(Str(variant->commands->first), "\x1B*v");
  EXPECT_EQ(Str(base->commands->first), "@PJL SET RENDERMODE = ");
  // The variant takes no header slot; the Identity feature does (same setting).
  FeatureNode* identity = Feature(ctx_.get(), "VPD_IDC_BASIC_CHOICE_COLOR", base->key);
  ASSERT_NE(identity, nullptr);
  EXPECT_EQ(identity->type, kFeaturePickOne | kFeatureIdentity);
  EXPECT_EQ(identity->data, base->data);
  EXPECT_EQ(identity->defaultValue, 1);
  EXPECT_EQ(ctx_->header->bySetting[15], identity);
}

TEST(MdfDefaultLine, DefaultsBecomePositions) {
  struct Case {
    const char* name;
    std::string text;
    const char* feature;
    uint16_t sub;
    uint16_t expected;
  } cases[] = {
      {"listed option", Block(kColor, "PickOne",
                              "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
                              "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_MONO trailing words\n"),
       kColor, 0, 1},
      {"unlisted option gives 0", Block(kColor, "PickOne",
                                        "*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
                                        "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_COLOR\n"),
       kColor, 0, 0},
      {"unknown name gives 0", Block(kColor, "PickOne",
                                     "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n"
                                     "*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
                                     "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: NO_SUCH\n"),
       kColor, 0, 0},
      {"variant without a default line keeps the inherited position",
       Block(kColor, "PickOne",
             "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
             "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_MONO\n") +
           Block(kColor, "PickOne", "", "2"),
       kColor, 2, 1},
      {"variant with its own default line",
       Block(kColor, "PickOne",
             "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
             "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_MONO\n") +
           Block(kColor, "PickOne", "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_COLOR\n", "2"),
       kColor, 2, 0},
      {"variant number on a feature with no node is ignored", Block(kColor, "PickOne", "", "5"), kColor, 0, 0},
      // The inherited position 2 is also the option id of IDS_SOURCE_TRAY1
      // (at position 1): it stays a position and is not looked up again.
      {"inherited position that equals an option id",
       Block(kTray, "PickSlot",
             "*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_AUTO:\n*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1:\n"
             "*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2:\n"
             "*DefaultVPD_IDC_PRESET_CHOICE_SOURCETRAY: IDS_SOURCE_TRAY2\n") +
           Block(kTray, "PickSlot", "", "1") + Block("VPD_IDC_PRESET_CHOICE_SOURCETRAY2",
                                                     "Identity *VPD_IDC_PRESET_CHOICE_SOURCETRAY", ""),
       kTray, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(c.text);
    ASSERT_NE(ctx, nullptr);
    FeatureNode* f = Feature(ctx.get(), c.feature, c.sub);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->defaultValue, c.expected);
  }
}

// A long option list is searched through a map of positions, a short one
// member by member: the default line finds its option's position on either
// side of that length, and an option line repeated past it adds nothing.
TEST(MdfDefaultLine, PositionsInShortAndLongLists) {
  const char* const names[] = {"IDS_PAPERSIZE_A3",  "IDS_PAPERSIZE_A4",     "IDS_PAPERSIZE_A5",  "IDS_PAPERSIZE_A6",
                               "IDS_PAPERSIZE_POSTCARD", "IDS_PAPERSIZE_B4", "IDS_PAPERSIZE_B5",  "IDS_PAPERSIZE_B6",
                               "IDS_PAPERSIZE_LETTER", "IDS_PAPERSIZE_LEGAL", "IDS_PAPERSIZE_HLT", "IDS_PAPERSIZE_DLT",
                               "IDS_FREESIZE1",     "IDS_FREESIZE2",        "IDS_FREESIZE3",     "IDS_FREESIZE4",
                               "IDS_FREESIZE5",     "IDS_FREESIZE6",        "IDS_FREESIZE7",     "IDS_FREESIZE8"};
  const size_t count = sizeof(names) / sizeof(names[0]);
  for (size_t listed : {size_t{3}, size_t{16}, size_t{17}, count}) {
    for (size_t pick = 0; pick < listed; ++pick) {
      SCOPED_TRACE(std::to_string(listed) + " options, default " + std::to_string(pick));
      std::string body;
      for (size_t i = 0; i < listed; ++i) body += std::string("*") + kPaper + " " + names[i] + ": \"x\"\n";
      body += std::string("*") + kPaper + " " + names[0] + ": \"again\"\n";
      body += std::string("*Default") + kPaper + ": " + names[pick] + "\n";
      Parsed ctx = Parse(Block(kPaper, "PickPage", body));
      ASSERT_NE(ctx, nullptr);
      FeatureNode* f = Feature(ctx.get(), kPaper);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->defaultValue, pick);
      size_t members = 0;
      for (MdfOption* o = MdfFeatureOptions(f); o; o = o->next) ++members;
      EXPECT_EQ(members, listed);
    }
  }
}

TEST(MdfDefaultLine, BooleanDefaults) {
  for (auto [word, expected] : {std::pair{"True", 1}, {"False", 0}, {"true", 0}, {"1", 0}}) {
    SCOPED_TRACE(word);
    Parsed ctx = Parse(Block(kDuplex, "Boolean", std::string("*DefaultVPD_IDC_EDIT_CHOICE_DUPLEX: ") + word + "\n"));
    BooleanValue* b = MdfFeatureBoolean(Feature(ctx.get(), kDuplex));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->defaultValue, expected);
  }
}

TEST(MdfOptionLine, ListsAndDuplicates) {
  struct Case {
    const char* name;
    std::string body;
    std::vector<const char*> options;
  } cases[] = {
      {"a duplicate is dropped wherever the first stands",
       "*F IDS_COLOR: \"a\"\n*F IDS_MONO:\n*F IDS_COLOR: \"b\"\n", {"IDS_COLOR", "IDS_MONO"}},
      {"unknown option name adds nothing", "*F NO_SUCH_OPTION: \"x\"\n*F IDS_MONO:\n", {"IDS_MONO"}},
      {"IDList with plain and braced entries",
       "*F: IDList { IDS_COLOR\n {IDS_MONO \"GRAY\"} }\n", {"IDS_COLOR", "IDS_MONO"}},
      {"IDList stops at an unknown name and keeps what came before",
       "*F: IDList { IDS_COLOR NO_SUCH IDS_MONO }\n", {"IDS_COLOR"}},
      {"IDList entry without its closing brace ends the list",
       "*F: IDList { IDS_COLOR {IDS_MONO \"x\" IDS_A4 } }\n", {"IDS_COLOR"}},
      {"IDList needs the word IDList", "*F: { IDS_COLOR }\n", {}},
      {"IDList drops duplicates too", "*F: IDList { IDS_MONO IDS_MONO IDS_COLOR }\n", {"IDS_MONO", "IDS_COLOR"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string body = c.body;
    for (size_t p; (p = body.find("*F")) != std::string::npos;) body.replace(p, 2, std::string("*") + kColor);
    Parsed ctx = Parse(Block(kColor, "PickOne", body));
    ASSERT_NE(ctx, nullptr);
    std::vector<uint16_t> want;
    for (const char* o : c.options) want.push_back(OptionId(o));
    EXPECT_EQ(OptionIds(Feature(ctx.get(), kColor)), want);
  }
  Parsed ctx = Parse(Block(kColor, "PickOne", "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"a\"\n"
                                              "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"b\"\n"));
  EXPECT_EQ(Str(Option(Feature(ctx.get(), kColor), "IDS_COLOR")->text), "a");
}

TEST(MdfOptionLine, RecognisedOnlyWhileTheFeatureIsOpen) {
  Parsed ctx = Parse(Block(kColor, "PickOne", "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n") +
                     "*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
                     "*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_MONO\n");
  FeatureNode* f = Feature(ctx.get(), kColor);
  EXPECT_EQ(OptionIds(f), Ids({"IDS_COLOR"}));
  EXPECT_EQ(f->defaultValue, 0);
}

TEST(MdfOpenUI, RefusedRecordsBuildNothing) {
  struct Case {
    const char* name;
    std::string text;
    int features;
  } cases[] = {
      {"unknown feature name", "*OpenUI *VPD_NO_SUCH: PickOne\n*CloseUI: *VPD_NO_SUCH\n", 0},
      {"name without a star", "*OpenUI VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n", 0},
      {"name in lower case", "*OpenUI *vpd_idc_preset_choice_color: PickOne\n", 0},
      {"a feature is already open",
       "*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(c.text);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(mdf_test::CountFeatures(ctx.get()), c.features);
  }
}

TEST(MdfParseTypeWord, TypeWords) {
  struct Case {
    const char* text;
    uint16_t type;
  } cases[] = {
      {"PickOne", kFeaturePickOne},         {"Boolean", kFeatureBoolean},
      {"String|TypeUnknown", 0x2010},       {"String | TypeUnknown", 0x2010},
      {"PickPage", kFeaturePickPage},       {"FontTbl", kFeatureFontTbl},
      {"Whatever", kFeaturePickOne},        {"", kFeaturePickOne},
      {"PickSlotPickSlotPickSlot", kFeaturePickOne},  // longer than a type word can be
      {"Numeric extra|TypeUnknown", kFeatureNumeric | kFeatureTypeUnknown},
  };
  for (const auto& c : cases) {
    uint16_t identity = 7;
    EXPECT_EQ(MdfParseTypeWord(c.text, &identity), c.type) << c.text;
    EXPECT_EQ(identity, 0) << c.text;
  }
  uint16_t identity = 0;
  EXPECT_EQ(MdfParseTypeWord("Identity *VPD_IDC_PRESET_CHOICE_COLOR", &identity), kFeatureIdentity);
  EXPECT_EQ(identity, mdf_test::Key(kColor));
}

TEST(MdfNumericValue, NumberListsOfAnyLength) {
  struct Case {
    const char* name;
    const char* value;
    NumericValue expected;
  } cases[] = {
      {"three numbers", "\"4 50 10\"", {0, 4, 0, 0, 0, 0, 50, 10, 0}},
      {"eight numbers", "12 \"5 100 25 400 10 6 7 8\"", {12, 5, 10, 6, 7, 8, 100, 25, 400}},
      {"a ninth number is not stored", "\"5 100 25 400 10 6 7 8 9\"", {0, 5, 10, 6, 7, 8, 100, 25, 400}},
      {"a non-digit ends the list", "\"3 1 1x 999\"", {0, 3, 0, 0, 0, 0, 1, 1, 0}},
      {"a comma ends the list", "\"12,x\"", {0, 12, 0, 0, 0, 0, 0, 0, 0}},
      {"no quote: only the unit", "77 5 6", {77, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"negative limits", "\"4 0 -300 300 10\"", {0, 4, 10, 0, 0, 0, 0, -300, 300}},
      {"huge numbers are clamped", "\"1 99999999999999 -99999999999999\"",
       {0, 1, 0, 0, 0, 0, INT32_MAX, INT32_MIN, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(Block(kCopies, "Numeric", std::string("*NumericValue: ") + c.value + "\n"));
    NumericValue* n = MdfFeatureNumeric(Feature(ctx.get(), kCopies));
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->unitId, c.expected.unitId);
    EXPECT_EQ(n->maxChars, c.expected.maxChars);
    EXPECT_EQ(n->scale, c.expected.scale);
    EXPECT_EQ(n->sixth, c.expected.sixth);
    EXPECT_EQ(n->seventh, c.expected.seventh);
    EXPECT_EQ(n->eighth, c.expected.eighth);
    EXPECT_EQ(n->defaultValue, c.expected.defaultValue);
    EXPECT_EQ(n->minimum, c.expected.minimum);
    EXPECT_EQ(n->maximum, c.expected.maximum);
  }
}

TEST(MdfValueRecords, ARecordOfAnotherTypeIsIgnored) {
  std::string text =
      Block(kColor, "PickOne",
            "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR:\n*NumericValue: \"1 2 3 4 5 6 7 8\"\n*StringValue: 8 ASCII\n") +
      Block(kDuplex, "Boolean", "*NumericValue: \"1 2 3\"\n*VPD_IDC_EDIT_CHOICE_DUPLEX True: \"ON\"\n") +
      Block(kCopies, "Numeric",
            "*VPD_IDC_PRESET_EDIT_COPIES True: \"ON\"\n*DefaultVPD_IDC_PRESET_EDIT_COPIES: True\n"
            "*StringValue: 9 ASCII\n") +
      Block(kPassword, "String", "*NumericValue: \"1 2 3\"\n*VPD_IDC_PRINTTYPE_EDIT_PASSWORD IDS_COLOR: \"x\"\n");
  Parsed ctx = Parse(text);
  ASSERT_NE(ctx, nullptr);
  FeatureNode* color = Feature(ctx.get(), kColor);
  EXPECT_EQ(OptionIds(color), Ids({"IDS_COLOR"}));
  EXPECT_EQ(MdfFeatureOptions(color)->next, nullptr);
  BooleanValue* duplex = MdfFeatureBoolean(Feature(ctx.get(), kDuplex));
  ASSERT_NE(duplex, nullptr);
  EXPECT_EQ(Str(duplex->trueText), "ON");
  EXPECT_EQ(Feature(ctx.get(), kCopies)->data, nullptr);
  EXPECT_EQ(Feature(ctx.get(), kPassword)->data, nullptr);
}

TEST(MdfStringValue, KindsAndDefaultKeepEachOther) {
  struct Case {
    const char* body;
    uint16_t max, kind, show, def;
  } cases[] = {
      {"*StringValue: 16 ASCII|ShowCapital\n", 16, kStringAscii, kShowCapital, 0},
      {"*StringValue: 8 Capital | ShowSmall\n", 8, kStringCapital, kShowSmall, 0},
      {"*StringValue: 8 Unknown|Unknown\n", 8, kStringMultiByte, 0, 0},
      {"*StringValue: 20\n", 20, 0, 0, 0},
      {"*StringValue: 8 Small\n*DefaultVPD_IDC_PRINTTYPE_EDIT_PASSWORD: IDS_MONO\n", 8, kStringSmall, 0,
       OptionId("IDS_MONO")},
      {"*DefaultVPD_IDC_PRINTTYPE_EDIT_PASSWORD: IDS_MONO\n*StringValue: 8 Small\n", 8, kStringSmall, 0,
       OptionId("IDS_MONO")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    Parsed ctx = Parse(Block(kPassword, "String", c.body));
    StringValue* s = MdfFeatureString(Feature(ctx.get(), kPassword));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->maxLength, c.max);
    EXPECT_EQ(s->kind, c.kind);
    EXPECT_EQ(s->showKind, c.show);
    EXPECT_EQ(s->defaultOption, c.def);
  }
}

TEST(MdfPageValue, EntriesThatAreDropped) {
  const std::string options =
      "*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A4:\n*VPD_IDC_PRESET_CHOICE_PAPERSIZE IDS_PAPERSIZE_A3:\n";
  struct Case {
    const char* name;
    const char* record;
    int areas;
  } cases[] = {
      {"resolution 0", "*PageValue P IDS_PAPERSIZE_A4: 0 IDC_PRESET_RADIO_PORTRAIT \"1 2 3 4\"\n", 0},
      {"resolution word that is no number", "*PageValue P IDS_PAPERSIZE_A4: dpi IDC_PRESET_RADIO_PORTRAIT \"1\"\n", 0},
      {"unknown orientation", "*PageValue P IDS_PAPERSIZE_A4: 600 PORTRAIT \"1 2 3 4\"\n", 0},
      {"unknown condition feature", "*PageValue P IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT VPD_NOPE X \"1\"\n",
       0},
      {"paper not in the list", "*PageValue P IDS_PAPERSIZE_B5: 600 IDC_PRESET_RADIO_PORTRAIT \"1 2 3 4\"\n", 0},
      {"condition by True", "*PageValue P IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT VPD_IDC_EDIT_CHOICE_DUPLEX True \"1\"\n",
       1},
      {"no numbers at all", "*PageValue P IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(Block(kPaper, "PickPage", options + c.record));
    MdfOption* a4 = Option(Feature(ctx.get(), kPaper), "IDS_PAPERSIZE_A4");
    ASSERT_NE(a4, nullptr);
    int n = 0;
    for (PaperAreaEntry* a = a4->areas; a; a = a->next) ++n;
    EXPECT_EQ(n, c.areas);
  }
  Parsed ctx = Parse(Block(kPaper, "PickPage",
                           options + "*PageValue P IDS_PAPERSIZE_A4: 600 IDC_PRESET_RADIO_PORTRAIT "
                                     "VPD_IDC_EDIT_CHOICE_DUPLEX True \"1\"\n"
                                     "*PageMMValue P IDS_PAPERSIZE_A3: \"2970\"\n"));
  FeatureNode* paper = Feature(ctx.get(), kPaper);
  PaperAreaEntry* area = Option(paper, "IDS_PAPERSIZE_A4")->areas;
  EXPECT_EQ(area->conditionKey, mdf_test::Key(kDuplex));
  EXPECT_EQ(area->conditionOption, 1);
  EXPECT_EQ(area->left, 1);
  EXPECT_EQ(Option(paper, "IDS_PAPERSIZE_A3")->paperWidth, 2970);
  EXPECT_EQ(Option(paper, "IDS_PAPERSIZE_A3")->paperLength, 0);
}

TEST(MdfTTFS, BracesInsideNamesDoNotOverrunTheTable) {
  struct Case {
    const char* name;
    const char* value;
    std::vector<std::pair<std::string, std::string>> pairs;
  } cases[] = {
      {"brace inside a name", "IDList { {\"Ari%}al\" \"Helv%{etica\"} {\"%}\" \"<7B>\"} }",
       {{"Ari}al", "Helv{etica"}, {"}", "{"}}},
      {"incomplete entry stops the list", "IDList { {\"Arial\" \"Helvetica\"} {\"Times\"} {\"A\" \"B\"} }",
       {{"Arial", "Helvetica"}}},
      {"empty name stops the list", "IDList { {\"\" \"x\"} }", {}},
      {"a word between entries does not end the count",
       "IDList { {\"Arial\" \"Helvetica\"} Bold {\"Times\" \"Tms\"} }", {{"Arial", "Helvetica"}, {"Times", "Tms"}}},
      {"the closing brace ends the count", "IDList { {\"Arial\" \"Helvetica\"} } {\"Times\" \"Tms\"}",
       {{"Arial", "Helvetica"}}},
      {"needs IDList", "{ {\"Arial\" \"Helvetica\"} }", {}},
      {"escaped braces that a plain brace count would miscount",
       "IDList { {\"%}%}%}\" \"x\"} {\"y\" \"%{%{\"} }", {{"}}}", "x"}, {"y", "{{"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Parsed ctx = Parse(Block(kFonts, "FontTbl",
                             std::string("*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_TABLE:\n"
                                         "*TTFS F IDC_USER_TTF_RADIO_TABLE: ") +
                                 c.value + "\n"));
    ASSERT_NE(ctx, nullptr);
    MdfOption* table = Option(Feature(ctx.get(), kFonts), "IDC_USER_TTF_RADIO_TABLE");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->pairCount, c.pairs.size());
    for (size_t i = 0; i < c.pairs.size(); ++i) {
      EXPECT_EQ(Str(table->trueTypeNames[i]), c.pairs[i].first);
      EXPECT_EQ(Str(table->deviceNames[i]), c.pairs[i].second);
    }
  }
}

TEST(MdfOwnership, VariantsAndIdentityFreeOnlyWhatTheyOwn) {
  // Base with options and a command pair; a variant replacing the pair twice;
  // an Identity feature; a variant of a Boolean creating no record of its own.
  std::string text =
      Block(kColor, "PickOne",
            "*OptionCommand: {\"base1\" \"base2\"}\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"C\"\n") +
      Block(kColor, "PickOne", "*OptionCommand: {\"v1\"}\n*OptionCommand: {\"v2\" \"v3\"}\n", "1") +
      Block(kColor, "PickOne", "*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: \"M\"\n", "2") +
      Block("VPD_IDC_BASIC_CHOICE_COLOR", "Identity *VPD_IDC_PRESET_CHOICE_COLOR", "") +
      Block(kDuplex, "Boolean", "") +
      Block(kDuplex, "Boolean", "*DefaultVPD_IDC_EDIT_CHOICE_DUPLEX: True\n", "1") +
      Block(kDuplex, "Boolean", "*VPD_IDC_EDIT_CHOICE_DUPLEX True: \"on\"\n", "2");
  mdf_test::BlockCount blocks;
  {
    Parsed ctx = Parse(text);
    ASSERT_NE(ctx, nullptr);
    FeatureNode* base = Feature(ctx.get(), kColor);
    FeatureNode* v1 = Feature(ctx.get(), kColor, 1);
    FeatureNode* v2 = Feature(ctx.get(), kColor, 2);
    EXPECT_EQ(Str(base->commands->first), "base1");
    EXPECT_EQ(Str(base->commands->second), "base2");
    EXPECT_EQ(Str(v1->commands->first), "v2");
    EXPECT_EQ(Str(v1->commands->second), "v3");
    // A variant keeps a copy of its base's pair, never the pair itself.
    ASSERT_NE(v2->commands, nullptr);
    EXPECT_NE(v2->commands, base->commands);
    EXPECT_EQ(Str(v2->commands->first), "base1");
    EXPECT_EQ(Str(v2->commands->second), "base2");
    // An option line inside a variant's block goes to the base list, which
    // every sharer sees.
    EXPECT_EQ(OptionIds(base), Ids({"IDS_COLOR", "IDS_MONO"}));
    EXPECT_EQ(OptionIds(v1), Ids({"IDS_COLOR", "IDS_MONO"}));
    // Boolean base had no record when the variants were made: the Default
    // line of variant 1 makes that variant's own record; the option line of
    // variant 2 goes to the base.
    FeatureNode* dbase = Feature(ctx.get(), kDuplex);
    FeatureNode* d1 = Feature(ctx.get(), kDuplex, 1);
    ASSERT_NE(MdfFeatureBoolean(d1), nullptr);
    EXPECT_EQ(MdfFeatureBoolean(d1)->defaultValue, 1);
    ASSERT_NE(MdfFeatureBoolean(dbase), nullptr);
    EXPECT_EQ(Str(MdfFeatureBoolean(dbase)->trueText), "on");
    EXPECT_NE(dbase->data, d1->data);
  }
  EXPECT_EQ(blocks.Delta(), 0);
}

// A feature opened again with a second word that is no variant number (a
// word, 0, 65536), or opened again without one after a variant exists: the
// later OptionCommand replaces the first node's pair, and no other node may
// still point at the pair it frees. Each node owns its own pair.
TEST(MdfOwnership, NoNodeSharesACommandPair) {
  struct Case {
    const char* file;
    std::vector<uint16_t> subIds;       // the nodes of the feature, in file order
    std::vector<const char*> commands;  // their first command texts (null: no pair)
  } cases[] = {
      {"uaf_variant_word.mdf", {0, 0}, {"@PJL SET SECOND = ", nullptr}},
      {"uaf_variant_zero.mdf", {0, 0}, {"@PJL SET SECOND = ", nullptr}},
      {"uaf_variant_65536.mdf", {0, 0}, {"@PJL SET SECOND = ", nullptr}},
      {"uaf_reopen.mdf", {0, 2, 0}, {"@PJL SET SECOND = ", "@PJL SET RENDERMODE = ", nullptr}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string text = mdf_test::ReadFile(mdf_test::DataPath(std::string("data/models/regress/") + c.file));
    ASSERT_FALSE(text.empty());
    mdf_test::BlockCount blocks;
    {
      Parsed ctx = Parse(text);
      ASSERT_NE(ctx, nullptr);
      std::vector<FeatureNode*> nodes;
      for (FeatureNode* n = ctx->header->features; n; n = n->next) nodes.push_back(n);
      ASSERT_EQ(nodes.size(), c.subIds.size());
      for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(nodes[i]->subId, c.subIds[i]);
        for (size_t j = 0; j < i; ++j) {
          if (nodes[i]->commands) {
            EXPECT_NE(nodes[i]->commands, nodes[j]->commands);
          }
        }
        if (!c.commands[i]) {
          EXPECT_EQ(nodes[i]->commands, nullptr);
          continue;
        }
        ASSERT_NE(nodes[i]->commands, nullptr);
        EXPECT_EQ(Str(nodes[i]->commands->first), c.commands[i]);
        EXPECT_EQ(Str(nodes[i]->commands->second), "\r\n");
      }
    }
    EXPECT_EQ(blocks.Delta(), 0);
  }
}

TEST(MdfFileVersion, RawValueCutAfterFourteenCharacters) {
  struct Case {
    const char* record;
    const char16_t* version;
  } cases[] = {
      {"*FileVersion: 3.62\n", u"3.62"},
      {"*FileVersion: \"3.62\"\n", u"\"3.62\""},
      {"*FileVersion: 123456789012345678\n", u"12345678901234"},
      {"*FileVersion: 1.0\n*FileVersion: 2.0\n", u"2.0"},
  };
  for (const auto& c : cases) {
    Parsed ctx = Parse(c.record);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(std::u16string(ctx->header->fileVersion), c.version) << c.record;
    EXPECT_EQ(ctx->header->fileVersion[15], 0);
  }
}

}  // namespace
