// The braced rule records: how tokens fill the entries of each kind, what a
// missing '}' does, Action targets and values, alert words, and the defaults
// the Action records read while the model is being compiled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_rule_test_util.h"
#include "velm/rules.h"

namespace {

using mdf_test::OptionId;
using mdf_test::Parse;
using mdf_test::Parsed;
using rule_test::Feed;
using rule_test::Rows;
using rule_test::SettingOf;
using Table = std::vector<std::vector<uint32_t>>;

// A parse context with the rule names of one parse around it.
class RuleRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    RuleClearNames();
    ctx_.reset(MdfCreateParseContext());
  }
  void TearDown() override { RuleFreeNames(); }
  Parsed ctx_;
};

TEST_F(RuleRecords, ItemEntriesTakeThreePositions) {
  RuleAddName(kRuleJudge, "NoBank", 18);
  ASSERT_EQ(Feed(RuleOnItem, ctx_.get(), "3=Trays", "{ IDS_SOURCE_TRAY4 NoBank NULL\n IDS_SOURCE_TRAY5 Judge17 Judge2 "
                                                    "IDS_NO_SUCH_OPTION Item4 }"),
            1);
  ASSERT_EQ(rule_test::CountList(ctx_->items), 1);
  EXPECT_EQ(ctx_->items->number, 3);
  EXPECT_EQ(Rows(ctx_->items->entries, 3),
            (Table{{OptionId("IDS_SOURCE_TRAY4"), 18, 0},
                   {OptionId("IDS_SOURCE_TRAY5"), 0x10011, 0x10002},
                   {0, 0, 0}}));  // unknown option; a reference of another kind
  EXPECT_EQ(RuleFindName(kRuleItem, "Trays"), 3);
}

TEST_F(RuleRecords, BracedRecordsNeedTheirClosingBrace) {
  struct Case {
    int32_t (*handler)(ModelParseContext*, MdfRecord*);
    RuleRecord** list;
    const char* value;
  } cases[] = {
      {RuleOnItem, &ctx_->items, "{ IDS_COLOR NULL NULL"},
      {RuleOnItem, &ctx_->items, "IDS_COLOR NULL NULL }"},  // a '}' at depth 0 closes nothing
      {RuleOnAction, &ctx_->actions, "{ VPD_IDC_EDIT_CHOICE_DUPLEX 0 { }"},
      {RuleOnTransact, &ctx_->transacts, ""},
      {RuleOnAlertAction, &ctx_->alertActions, "{ IDOKBUTTON Transact1"},
      {RuleOnAlert, &ctx_->alerts, "{ NULL VPD_NupOnMessage MB_ICONSTOP MB_OK AlertAtOnce NULL"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(Feed(c.handler, ctx_.get(), "1", c.value), 0);
    EXPECT_EQ(*c.list, nullptr);
  }
  // Nested braces count; the record ends where the depth returns to 0.
  EXPECT_EQ(Feed(RuleOnItem, ctx_.get(), "2", "{ { IDS_COLOR NULL NULL } IDS_MONO NULL NULL } IDS_OTHER"), 1);
  ASSERT_NE(ctx_->items, nullptr);
  EXPECT_EQ(Rows(ctx_->items->entries, 3).size(), 2u);
  // A record without entries is kept (it refers to nothing).
  EXPECT_EQ(Feed(RuleOnAction, ctx_.get(), "3", "{ }"), 1);
  ASSERT_NE(ctx_->actions, nullptr);
  EXPECT_EQ(ctx_->actions->entries, nullptr);
}

TEST_F(RuleRecords, NumbersAndNames) {
  EXPECT_EQ(Feed(RuleOnTransact, ctx_.get(), "0=Zero", "{ NULL NULL }"), 0);
  EXPECT_EQ(Feed(RuleOnTransact, ctx_.get(), "", "{ NULL NULL }"), 0);
  EXPECT_EQ(Feed(RuleOnTransact, ctx_.get(), "65536", "{ NULL NULL }"), 0);
  EXPECT_EQ(Feed(RuleOnTransact, ctx_.get(), "-4=Minus", "{ NULL NULL }"), 1);
  EXPECT_EQ(Feed(RuleOnTransact, ctx_.get(), "12=", "{ NULL NULL }"), 1);
  EXPECT_EQ(rule_test::CountList(ctx_->transacts), 2);
  EXPECT_EQ(ctx_->transacts->number, 0xFFFC);
  EXPECT_EQ(RuleFindName(kRuleTransact, "Minus"), -4);
  EXPECT_EQ(RuleFindName(kRuleTransact, "Zero"), 0);
}

TEST_F(RuleRecords, TransactAndAlertActionReferences) {
  RuleAddName(kRuleJudge, "StapleOn", 2);
  RuleAddName(kRuleAction, "CollateOn", 4);
  RuleAddName(kRuleTransact, "UndoStaple", 7);
  ASSERT_EQ(Feed(RuleOnTransact, ctx_.get(), "2", "{ StapleOn CollateOn NULL Action3 Judge9 StapleOn }"), 1);
  EXPECT_EQ(Rows(ctx_->transacts->entries, 2), (Table{{2, 4}, {0, 0x30003}, {0x10009, 0}}));
  ASSERT_EQ(Feed(RuleOnAlertAction, ctx_.get(), "1", "{ IDCANCELBUTTON UndoStaple IDNOBUTTON Transact7 "
                                                     "NOSUCHBUTTON Transact1 }"),
            1);
  EXPECT_EQ(Rows(ctx_->alertActions->entries, 2), (Table{{2, 7}, {7, 0x40007}, {0, 0x40001}}));
}

TEST_F(RuleRecords, ButtonWordsAreTheMessageBoxAnswers) {
  const char* words[] = {"IDOKBUTTON",    "IDCANCELBUTTON", "IDABORTBUTTON", "IDRETRYBUTTON", "IDIGNOREBUTTON",
                         "IDYESBUTTON",   "IDNOBUTTON",     "IDCLOSEBUTTON", "IDHELPBUTTON"};
  std::string value = "{";
  for (const char* w : words) value += std::string(" ") + w + " NULL";
  ASSERT_EQ(Feed(RuleOnAlertAction, ctx_.get(), "1", value + " }"), 1);
  Table rows = Rows(ctx_->alertActions->entries, 1);
  ASSERT_EQ(rows.size(), 9u);
  for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(rows[i][0], i + 1) << words[i];
}

TEST_F(RuleRecords, AlertWords) {
  RuleAddName(kRuleAlertAction, "Answer", 3);
  ASSERT_EQ(Feed(RuleOnAlert, ctx_.get(), "1",
                 "{ Judge1 VPD_DuplexOnMessage MB_ICONQUESTION MB_OKCANCEL AlertAtOnce Answer\n"
                 "  NULL VPD_NupOnMessage MB_ICONHAND MB_CANCELTRYCONTINUE AlertLater AlertAction2\n"
                 "  NULL NoSuchMessage MB_ICONSTOP MB_RETRYCANCEL AlertDialog Alert2 }"),
            1);
  EXPECT_EQ(Rows(ctx_->alerts->entries, 6), (Table{{0x10001, 258, 0x20, 1, 0, 3},
                                                    {0, 277, 0xFFFF, 0xFFFF, 0xFFFF, 0x60002},
                                                    {0, 0, 0x10, 5, 3, 0}}));
  struct Word {
    const char* word;
    int position;
    uint32_t value;
  } words[] = {
      {"MB_ICONEXCLAMATION", 2, 0x30}, {"MB_ICONINFORMATION", 2, 0x40}, {"MB_ABORTRETRYIGNORE", 3, 2},
      {"MB_OK", 3, 0},                 {"MB_YESNO", 3, 4},              {"MB_YESNOCANCEL", 3, 3},
      {"AlertProperty", 4, 1},         {"AlertOkApply", 4, 2},
  };
  for (const Word& w : words) {
    std::string fields[6] = {"NULL", "NULL", "MB_ICONSTOP", "MB_OK", "AlertAtOnce", "NULL"};
    fields[w.position] = w.word;
    std::string value = "{";
    for (const std::string& f : fields) value += " " + f;
    Parsed ctx(MdfCreateParseContext());
    ASSERT_EQ(Feed(RuleOnAlert, ctx.get(), "1", value + " }"), 1);
    EXPECT_EQ(ctx->alerts->entries->field[w.position], w.value) << w.word;
  }
}

TEST_F(RuleRecords, ExclusiveEntriesStayWhenTheValueEnds) {
  RuleAddName(kRuleItem, "Trays", 3);
  EXPECT_EQ(Feed(RuleOnExclusive, ctx_.get(), "",
                 "{ VPD_IDC_EDIT_CHOICE_DUPLEX Judge8 Judge13 NULL Alert1 NULL NULL\n"
                 "  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays Alert5 Transact1 Transact2\n"
                 "  VPD_IDC_FINISH_CHOICE_STAPLE Judge9"),
            0);
  EXPECT_EQ(Rows(ctx_->exclusives, 7),
            (Table{{mdf_test::Key("VPD_IDC_EDIT_CHOICE_DUPLEX"), 0x10008, 0x1000D, 0, 0x50001, 0, 0},
                   {mdf_test::Key("VPD_IDC_PRESET_CHOICE_SOURCETRAY"), 0, 0, 3, 0x50005, 0x40001, 0x40002},
                   {mdf_test::Key("VPD_IDC_FINISH_CHOICE_STAPLE"), 0x10009, 0, 0, 0, 0, 0}}));
  // A closed record adds to the same list.
  EXPECT_EQ(Feed(RuleOnExclusive, ctx_.get(), "", "{ NO_SUCH_FEATURE NULL NULL NULL NULL NULL NULL }"), 1);
  EXPECT_EQ(rule_test::CountList(ctx_->exclusives), 4);
}

TEST(RuleOnAction, TargetsAndValues) {
  // The features of the small model come first, so "Default" finds their
  // defaults as compiled so far.
  std::string text = mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf"));
  ASSERT_FALSE(text.empty());
  text +=
      "*Action 1: { VPD_IDC_PRESET_CHOICE_COLOR Default VPD_IDC_EDIT_CHOICE_DUPLEX Default\n"
      "  VPD_IDC_PRESET_EDIT_COPIES Default VPD_IDC_PRINTTYPE_EDIT_PASSWORD Default\n"
      "  VPD_IDC_PRESET_CHOICE_PAPERSIZE Default VPD_IDC_OPTION_CHOICE_OPTION Default\n"
      "  VPD_IDC_FINISH_CHOICE_STAPLE Default }\n"
      "*Action 2: { VPD_IDD_DLG_STATUS 1 VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR\n"
      "  NO_SUCH_TARGET 5 VPD_IDC_EDIT_CHOICE_DUPLEX bogus_word VPD_IDC_PRESET_EDIT_COPIES 12345678901 }\n";
  Parsed ctx = Parse(text);
  ASSERT_NE(ctx, nullptr);
  ASSERT_EQ(rule_test::CountList(ctx->actions), 2);
  const uint32_t s = kActionTargetSetting;
  EXPECT_EQ(Rows(ctx->actions->entries, 3),
            (Table{{SettingOf("VPD_IDC_PRESET_CHOICE_COLOR"), s, OptionId("IDS_MONO")},
                   {SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX"), s, 1},
                   {SettingOf("VPD_IDC_PRESET_EDIT_COPIES"), s, 1},
                   {SettingOf("VPD_IDC_PRINTTYPE_EDIT_PASSWORD"), s, OptionId("IDS_PRINTTYPE_NORMAL")},
                   {SettingOf("VPD_IDC_PRESET_CHOICE_PAPERSIZE"), s, OptionId("IDS_PAPERSIZE_A4")},
                   {SettingOf("VPD_IDC_OPTION_CHOICE_OPTION"), s, 0},  // PickMany has no default
                   {SettingOf("VPD_IDC_FINISH_CHOICE_STAPLE"), s, 0}}));  // not in the model
  EXPECT_EQ(Rows(ctx->actions->next->entries, 3),
            (Table{{4006, kActionTargetDialog, 1},  // a dialog name wins over a feature row of that name
                   {SettingOf("VPD_IDC_PRESET_CHOICE_COLOR"), s, OptionId("IDS_COLOR")},
                   {0, s, 5},  // an unknown target: the next token is the value
                   {SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX"), s, 0},
                   {SettingOf("VPD_IDC_PRESET_EDIT_COPIES"), s, 0x7FFFFFFF}}));
}

TEST(MdfGetDefaultFromHeader, SmallModel) {
  Parsed ctx = Parse(mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf")));
  ASSERT_NE(ctx, nullptr);
  struct Case {
    const char* feature;
    int32_t value;
  } cases[] = {
      {"VPD_IDC_PRESET_CHOICE_COLOR", OptionId("IDS_MONO")},
      {"VPD_IDC_EDIT_CHOICE_DUPLEX", 1},
      {"VPD_IDC_PRESET_EDIT_COPIES", 1},
      {"VPD_IDC_PRINTTYPE_EDIT_PASSWORD", OptionId("IDS_PRINTTYPE_NORMAL")},
      {"VPD_IDC_PRESET_CHOICE_PAPERSIZE", OptionId("IDS_PAPERSIZE_A4")},
      {"VPD_IDC_PRESET_CHOICE_SOURCETRAY", OptionId("IDS_SOURCE_TRAY1")},
      {"VPD_RADIOLIST_8", OptionId("IDC_USER_TTF_RADIO_TABLE")},
      {"VPD_IDC_OPTION_CHOICE_OPTION", 0},  // a setting without a slot, found in the list: PickMany
      {"VPD_IDC_FINISH_CHOICE_STAPLE", 0},  // not in the model
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MdfGetDefaultFromHeader(SettingOf(c.feature), ctx->header), c.value) << c.feature;
  }
  EXPECT_EQ(MdfGetDefaultFromHeader(0, ctx->header), 0);
  EXPECT_EQ(MdfGetDefaultFromHeader(15, nullptr), 0);
}

TEST(RuleRecordsInAFile, ReferenceModelHasAllItsRules) {
  Parsed ctx = Parse(mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(rule_test::CountJudges(ctx.get()), 114);
  EXPECT_EQ(rule_test::CountList(ctx->items), 9);
  EXPECT_EQ(rule_test::CountList(ctx->actions), 19);
  EXPECT_EQ(rule_test::CountList(ctx->transacts), 17);
  EXPECT_EQ(rule_test::CountList(ctx->alertActions), 3);
  EXPECT_EQ(rule_test::CountList(ctx->alerts), 10);
  EXPECT_EQ(rule_test::CountList(ctx->exclusives), 44);
  // Judge 36 = (ManualSource == 0) && ThickOrLabel, both earlier Judges.
  EXPECT_EQ(rule_test::JudgeText(ctx.get(), 36),
            "s" + std::to_string(SettingOf("VPD_IDC_PRESET_CHOICE_SOURCETRAY")) + " " +
                std::to_string(OptionId("IDS_SOURCE_MANUAL")) + " == 0 == s" +
                std::to_string(SettingOf("VPD_IDC_PRESET_CHOICE_MEDIATYPE")) + " " +
                std::to_string(OptionId("IDS_MEDIATYPE_THICK")) + " == s" +
                std::to_string(SettingOf("VPD_IDC_PRESET_CHOICE_MEDIATYPE")) + " " +
                std::to_string(OptionId("IDS_MEDIATYPE_SEAL")) + " == || && end");
  // Action 5 sets VPD_IDC_EDIT_CHOICE_NUP_KIND to its default.
  RuleRecord* action5 = ctx->actions;
  while (action5 && action5->number != 5) action5 = action5->next;
  ASSERT_NE(action5, nullptr);
  Table rows = Rows(action5->entries, 3);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1][0], SettingOf("VPD_IDC_EDIT_CHOICE_NUP_KIND"));
  EXPECT_EQ(static_cast<int32_t>(rows[1][2]),
            MdfGetDefaultFromHeader(SettingOf("VPD_IDC_EDIT_CHOICE_NUP_KIND"), ctx->header));
}

}  // namespace
