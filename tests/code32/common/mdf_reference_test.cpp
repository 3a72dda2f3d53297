// The reference model parses completely, and broken files are survived.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "mdf_test_util.h"
#include "velm/mdf_records.h"

namespace {

using mdf_test::Feature;
using mdf_test::Ids;
using mdf_test::Option;
using mdf_test::OptionId;
using mdf_test::OptionIds;
using mdf_test::Str;

class ReferenceModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    text_ = new std::string(mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
    ctx_ = mdf_test::Parse(*text_).release();
  }
  static void TearDownTestSuite() {
    MdfFreeParseContext(ctx_);
    delete text_;
  }
  void SetUp() override { ASSERT_NE(ctx_, nullptr) << "models/reference.mdf did not parse"; }

  static int CountLines(const char* pattern) {
    std::regex re(pattern);
    return static_cast<int>(std::distance(std::sregex_iterator(text_->begin(), text_->end(), re),
                                          std::sregex_iterator()));
  }

  static std::string* text_;
  static ModelParseContext* ctx_;
};
std::string* ReferenceModel::text_ = nullptr;
ModelParseContext* ReferenceModel::ctx_ = nullptr;

TEST_F(ReferenceModel, EveryFeatureRecordIsTaken) {
  int open_records = CountLines("\\*OpenUI \\*");
  EXPECT_GT(open_records, 200);
  EXPECT_EQ(mdf_test::CountFeatures(ctx_), open_records);
  EXPECT_EQ(ctx_->openName, nullptr);

  std::map<uint16_t, int> by_type;
  int variants = 0, identities = 0, options = 0;
  for (FeatureNode* f = ctx_->header->features; f; f = f->next) {
    ++by_type[MdfStorageType(f->type)];
    if (f->type & kFeatureIdentity) {
      ++identities;
    } else if (f->subId) {
      ++variants;
    }
    if (!(f->type & kFeatureIdentity) && f->subId == 0) options += static_cast<int>(OptionIds(f).size());
    if (MdfIsListType(f->type) && !(f->type & kFeatureIdentity)) {
      EXPECT_FALSE(OptionIds(f).empty()) << MdfFindFeatureByKey(f->key)->name;
    }
  }
  for (uint16_t type : {kFeaturePickOne, kFeaturePickMany, kFeatureBoolean, kFeatureNumeric, kFeatureString,
                        kFeaturePickPage, kFeaturePickSlot, kFeatureFontTbl}) {
    EXPECT_GT(by_type[type], 0) << "type " << type;
  }
  EXPECT_EQ(variants, 2);
  EXPECT_EQ(identities, CountLines(": Identity \\*"));
  // Every option line and IDList entry of the file is an option of its
  // feature: a second pass over the records checks each one.
  MdfRecord* record = MdfCreateRecord();
  MdfSource source{reinterpret_cast<const uint8_t*>(text_->data()), reinterpret_cast<const uint8_t*>(text_->data()),
                   static_cast<uint32_t>(text_->size())};
  std::string open;
  int checked = 0;
  int32_t code;
  while ((code = MdfReadRecord(record, &source)) == kMdfRecordRead || code == kMdfBadRecord) {
    ASSERT_EQ(code, kMdfRecordRead) << "bad record after " << open;
    std::string keyword = record->keyword.data;
    if (keyword == "OpenUI") open = record->word1.data + 1;
    if (keyword != open) continue;
    FeatureNode* f = Feature(ctx_, open.c_str());
    std::string word = record->word1.data;
    if (word == "True" || word == "False") continue;
    std::vector<std::string> names;
    if (!word.empty()) {
      names.push_back(word);
    } else {
      std::string value = record->value.data;
      std::regex entry("(IDS|IDC|IDB)_\\w+");
      for (auto it = std::sregex_iterator(value.begin(), value.end(), entry); it != std::sregex_iterator(); ++it) {
        names.push_back(it->str());
      }
    }
    for (const std::string& name : names) {
      EXPECT_NE(Option(f, name.c_str()), nullptr) << open << " " << name;
      ++checked;
    }
  }
  MdfFreeRecord(record);
  EXPECT_EQ(code, kMdfEndOfFile);
  EXPECT_EQ(options, checked);
}

TEST_F(ReferenceModel, HeaderDllNamesAndVersion) {
  EXPECT_EQ(std::u16string(ctx_->header->fileVersion), u"3.62");
  EXPECT_EQ(std::u16string(ctx_->header->uiResDllName), u"VELMUIus.dll");
  EXPECT_EQ(std::u16string(ctx_->header->excDepDllName), u"VELMEXC.DLL");
}

TEST_F(ReferenceModel, PapersWithTheirAreas) {
  FeatureNode* paper = ctx_->header->bySetting[8];
  ASSERT_NE(paper, nullptr);
  EXPECT_EQ(paper->type, kFeaturePickPage | kFeatureIdentity);  // the basic page's Identity took the slot
  FeatureNode* base = Feature(ctx_, "VPD_IDC_PRESET_CHOICE_PAPERSIZE");
  EXPECT_EQ(paper->data, base->data);
  EXPECT_EQ(OptionIds(base).size(), 22u);
  EXPECT_EQ(base->defaultValue, 1);  // A4
  int with_areas = 0;
  for (MdfOption* o = MdfFeatureOptions(base); o; o = o->next) {
    int areas = 0;
    for (PaperAreaEntry* a = o->areas; a; a = a->next) ++areas;
    if (areas) {
      ++with_areas;
      EXPECT_EQ(areas, 7);
      EXPECT_GT(o->paperWidth, 0);
    }
  }
  EXPECT_EQ(with_areas, 12);
  MdfOption* a4 = Option(base, "IDS_PAPERSIZE_A4");
  EXPECT_EQ(a4->paperWidth, 2100);
  EXPECT_EQ(a4->paperLength, 2970);
  EXPECT_EQ(Str(a4->text), "A4");
  PaperAreaEntry* a = a4->areas->next->next;  // 600 dpi portrait
  // Keyed by the option of vdmDstResolutionW, as the paper query matches it.
  EXPECT_EQ(a->resolution, OptionId("IDS_RESOLUTION_600"));
  EXPECT_EQ(a->orientation, OptionId("IDC_PRESET_RADIO_PORTRAIT"));
  EXPECT_EQ(a->left, 100);
  EXPECT_EQ(a->width, 4961 - 200);
  EXPECT_EQ(a->paperWidth, 4961);
  EXPECT_EQ(a->paperLength, 7016);
  PaperAreaEntry* extended = a4->areas;
  while (extended->next) extended = extended->next;
  EXPECT_EQ(extended->conditionKey, mdf_test::Key("VPD_IDC_INIT_CHOICE_PRINTAREA"));
  EXPECT_EQ(extended->conditionOption, OptionId("IDS_PRINTAREA_EXTEND"));
  EXPECT_EQ(extended->left, 48);
}

TEST_F(ReferenceModel, TraysAndTheirPapers) {
  FeatureNode* tray = Feature(ctx_, "VPD_IDC_PRESET_CHOICE_SOURCETRAY");
  ASSERT_EQ(tray->type, kFeaturePickSlot);
  EXPECT_EQ(OptionIds(tray), Ids({"IDS_SOURCE_AUTO", "IDS_SOURCE_TRAY1", "IDS_SOURCE_TRAY2", "IDS_SOURCE_TRAY3",
                                  "IDS_SOURCE_TRAY4", "IDS_SOURCE_TRAY5", "IDS_SOURCE_MANUAL"}));
  EXPECT_EQ(Str(Option(tray, "IDS_SOURCE_TRAY5")->text), "LCT");
  EXPECT_EQ(Option(tray, "IDS_SOURCE_AUTO")->paperCount, 0u);
  EXPECT_EQ(Option(tray, "IDS_SOURCE_TRAY1")->paperCount, 5u);
  EXPECT_EQ(Option(tray, "IDS_SOURCE_TRAY2")->paperCount, 8u);
  MdfOption* manual = Option(tray, "IDS_SOURCE_MANUAL");
  ASSERT_EQ(manual->paperCount, 22u);
  EXPECT_EQ(manual->papers[0], OptionId("IDS_PAPERSIZE_A3"));
  EXPECT_EQ(manual->papers[21], OptionId("IDS_FREESIZE10"));
}

TEST_F(ReferenceModel, ValueRecordsAndCommandPairs) {
  FeatureNode* copies = Feature(ctx_, "VPD_IDC_PRESET_EDIT_COPIES");
  NumericValue* n = MdfFeatureNumeric(copies);
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->maximum, 999);
  EXPECT_EQ(n->seventh, 1);
  EXPECT_EQ(Str(copies->commands->first), "@PJL SET QTY = ");

  BooleanValue* duplex = MdfFeatureBoolean(Feature(ctx_, "VPD_IDC_EDIT_CHOICE_DUPLEX"));
  ASSERT_NE(duplex, nullptr);
  EXPECT_EQ(duplex->defaultValue, 0);
  EXPECT_EQ(Str(duplex->trueText), "@PJL SET DUPLEX = ON\r\n");

  FeatureNode* user = Feature(ctx_, "VPD_IDC_PRINTTYPE_EDIT_USERID");
  StringValue* s = MdfFeatureString(user);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->maxLength, 8);
  EXPECT_EQ(s->kind, kStringAscii);
  EXPECT_EQ(s->showKind, kShowCapital);
  EXPECT_EQ(Str(user->commands->first), "@PJL SET USERID = \"");
  EXPECT_EQ(Str(user->commands->second), "\"\r\n");
  EXPECT_EQ(Feature(ctx_, "VPD_IDC_PRINTTYPE_EDIT_NAME")->type, kFeatureString | kFeatureTypeUnknown);

  FeatureNode* booklet = Feature(ctx_, "VPD_IDC_EDIT_STATIC_DUPLEX", 1);
  ASSERT_NE(booklet, nullptr);
  EXPECT_EQ(Str(booklet->commands->first), "\x1B&l");
  EXPECT_EQ(booklet->defaultValue, 2);  // its own default: IDS_EDIT_DUPLEX_TOP
  EXPECT_EQ(Feature(ctx_, "VPD_IDC_EDIT_STATIC_DUPLEX")->defaultValue, 0);
}

TEST_F(ReferenceModel, FontsAndSubstitution) {
  EXPECT_EQ(ctx_->header->deviceFontCount, 25u);
  EXPECT_EQ(Str(ctx_->header->deviceFonts[0]->name), "Courier");
  EXPECT_EQ(ctx_->header->deviceFonts[24]->id, 25);
  EXPECT_EQ(Str(ctx_->header->deviceFonts[22]->name), "\x96\xBE\x92\xA9\x91\xCC");  // Mincho in the code page
  ASSERT_EQ(ctx_->header->cartridgeFontCount, 3u);
  EXPECT_EQ(ctx_->header->cartridgeFonts[2]->id, 103);

  FeatureNode* tt = Feature(ctx_, "VPD_RADIOLIST_8");
  ASSERT_EQ(tt->type, kFeatureFontTbl);
  EXPECT_EQ(tt->defaultValue, 2);
  MdfOption* table = Option(tt, "IDC_USER_TTF_RADIO_TABLE");
  ASSERT_EQ(table->pairCount, 12u);
  EXPECT_EQ(Str(table->trueTypeNames[0]), "Arial");
  EXPECT_EQ(Str(table->deviceNames[0]), "Helvetica");
  EXPECT_EQ(Str(table->deviceNames[8]), "\x96\xBE\x92\xA9\x91\xCC");
  EXPECT_EQ(Option(tt, "IDC_USER_TTF_RADIO_BEST")->pairCount, 0u);
}

TEST_F(ReferenceModel, CommandTextOfAllFiveGroups) {
  int strings = 0;
  for (CommandStringNode* c = ctx_->commandStrings; c; c = c->next) ++strings;
  EXPECT_EQ(strings, CountLines("\\*CommandString \\d+:"));
  EXPECT_EQ(Str(ctx_->commandStrings->text), "\x1B%-12345X@PJL\r\n");
  for (int slot = 0; slot < kMdfCommandSlotCount; ++slot) EXPECT_NE(ctx_->header->commandTrees[slot], nullptr);

  CommandBlock* job = ctx_->header->commandTrees[kMdfJobStart];
  int nodes = 0, conditions = 0, fonts = 0;
  for (CommandGroupNode* n = job->first; n; n = n->next) {
    ++nodes;
    if (n->kind == kCommandNodeCondition) ++conditions;
    if (n->kind == kCommandNodeFontType) ++fonts;
  }
  EXPECT_EQ(nodes, 22);
  EXPECT_EQ(conditions, 6);
  EXPECT_EQ(fonts, 1);

  // PageStart: the ElseIf chain of the colour commands.
  CommandGroupNode* n = ctx_->header->commandTrees[kMdfPageStart]->first;
  while (n && !(n->kind == kCommandNodeCondition && n->block->condition == 5)) n = n->next;
  ASSERT_NE(n, nullptr);
  CommandGroupNode* elseif = n->block->second;
  ASSERT_NE(elseif, nullptr);
  ASSERT_EQ(elseif->kind, kCommandNodeCondition);
  EXPECT_EQ(elseif->block->condition, 6u);
  ASSERT_NE(elseif->block->first, nullptr);
  EXPECT_EQ(elseif->block->first->featureKey, mdf_test::Key("VPD_IDC_PRESET_CHOICE_COLOR"));
  EXPECT_EQ(elseif->block->first->number, 1);
  ASSERT_NE(elseif->block->second, nullptr);
  EXPECT_EQ(elseif->block->second->stringId, 10);
}

TEST(BrokenModels, ParseWithoutCrashing) {
  struct Case {
    const char* file;
    int min_features;
  } cases[] = {
      {"syntax_errors.mdf", 2},      {"truncated_record.mdf", 11}, {"lead_byte_end.mdf", 11},
      {"lead_byte_value_end.mdf", 11}, {"percent_end.mdf", 11},   {"unbalanced.mdf", 0},
      {"huge_values.mdf", 2},        {"nul_bytes.mdf", 0},         {"open_feature_at_end.mdf", 12},
      {"binary_garbage.mdf", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string text = mdf_test::ReadFile(mdf_test::DataPath(std::string("data/models/broken/") + c.file));
    ASSERT_FALSE(text.empty());
    mdf_test::BlockCount blocks;
    {
      // An exact-size heap copy, so that a read past the end is caught.
      std::unique_ptr<uint8_t[]> bytes(new uint8_t[text.size()]);
      std::memcpy(bytes.get(), text.data(), text.size());
      mdf_test::Parsed ctx(MdfParseBuffer(bytes.get(), text.size()));
      ASSERT_NE(ctx, nullptr);
      EXPECT_GE(mdf_test::CountFeatures(ctx.get()), c.min_features);
    }
    EXPECT_EQ(blocks.Delta(), 0);
  }
}

TEST(BrokenModels, GoodRecordsAfterBadOnesAreRead) {
  mdf_test::Parsed ctx(mdf_test::Parse(mdf_test::ReadFile(mdf_test::DataPath("data/models/broken/syntax_errors.mdf"))));
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(std::u16string(ctx->header->fileVersion), u"2.00");
  EXPECT_EQ(std::u16string(ctx->header->uiResDllName), u"GOODUI");
  FeatureNode* color = Feature(ctx.get(), "VPD_IDC_PRESET_CHOICE_COLOR");
  EXPECT_EQ(OptionIds(color), Ids({"IDS_COLOR", "IDS_MONO"}));
  EXPECT_EQ(color->defaultValue, 0);
  NumericValue* copies = MdfFeatureNumeric(Feature(ctx.get(), "VPD_IDC_PRESET_EDIT_COPIES"));
  ASSERT_NE(copies, nullptr);
  EXPECT_EQ(copies->maxChars, 4);  // the second record, "4 -"
  EXPECT_EQ(copies->defaultValue, 0);
  EXPECT_EQ(ctx->header->deviceFontCount, 1u);  // {"A" x} only: {} has no name
  EXPECT_EQ(ctx->header->commandTrees[kMdfJobStart], nullptr);

  mdf_test::Parsed huge(mdf_test::Parse(mdf_test::ReadFile(mdf_test::DataPath("data/models/broken/huge_values.mdf"))));
  ASSERT_NE(huge, nullptr);
  NumericValue* n = MdfFeatureNumeric(Feature(huge.get(), "VPD_IDC_PRESET_EDIT_COPIES"));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->maxChars, static_cast<uint16_t>(INT32_MAX));
  EXPECT_EQ(n->defaultValue, INT32_MIN);
  EXPECT_EQ(n->eighth, 1);
  EXPECT_EQ(huge->header->commandTrees[kMdfPageStart], nullptr);  // nested too deep
  EXPECT_EQ(huge->header->deviceFontCount, 5000u);
  EXPECT_EQ(std::u16string(huge->header->fileVersion), std::u16string(14, u'v'));
}

}  // namespace
