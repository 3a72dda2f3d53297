#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "plat/kernel.h"
#include "velm/model_query.h"
#include "velm/rule_eval.h"

namespace {

using ctx_test::ModelContext;
using ctx_test::Option;
using ctx_test::SettingOf;

constexpr uint16_t kDuplex = 61;     // VPD_IDC_EDIT_CHOICE_DUPLEX
constexpr uint16_t kPassword = 220;  // vdmJOBPassword, an ANSI text of 9 bytes
constexpr uint16_t kBitsPerPel = 22;  // an unsigned 32-bit setting without options

JudgeCell S(uint16_t id) { return {kCellSetting, id}; }
JudgeCell C(uint16_t v) { return {kCellConstant, v}; }
JudgeCell Op(uint16_t code) { return {kCellOperator, code}; }
const JudgeCell kEnd = {kCellOperator, kOpEnd};

const char* const kRuleModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean
*DefaultVPD_IDC_EDIT_CHOICE_DUPLEX: False
*VPD_IDC_EDIT_CHOICE_DUPLEX True: "ON"
*VPD_IDC_EDIT_CHOICE_DUPLEX False: "OFF"
*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_FINISH_CHOICE_PUNCH: Boolean
*VPD_IDC_FINISH_CHOICE_PUNCH True: "ON"
*VPD_IDC_FINISH_CHOICE_PUNCH False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_PUNCH
*OpenUI *VPD_IDC_FINISH_CHOICE_SORT: Boolean
*VPD_IDC_FINISH_CHOICE_SORT True: "ON"
*VPD_IDC_FINISH_CHOICE_SORT False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_SORT
*OpenUI *VPD_IDC_PRINTTYPE_EDIT_PASSWORD: String
*StringValue: 8 Numeric|Password
*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_PASSWORD
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2: "TRAY2"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne
*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: "COLOR"
*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: "GRAYSCALE"
*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR
*Judge 1=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1
*Judge 2=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Judge 3=PunchOn: VPD_IDC_FINISH_CHOICE_PUNCH == 1
*Judge 4=NoPassword: VPD_IDC_PRINTTYPE_EDIT_PASSWORD == 0
*Judge 5=SortOn: VPD_IDC_FINISH_CHOICE_SORT == 1
*Item 1=Trays: { IDS_SOURCE_TRAY2 DuplexOn StapleOn IDS_SOURCE_MANUAL NULL PunchOn }
*Action 1=PunchOnAct: { VPD_IDC_FINISH_CHOICE_PUNCH 1 }
*Action 2=StapleOnAct: { VPD_IDC_FINISH_CHOICE_STAPLE 1 }
*Action 3=DuplexOffAct: { VPD_IDC_EDIT_CHOICE_DUPLEX 0 }
*Action 4=SortOnAct: { VPD_IDC_FINISH_CHOICE_SORT 1 }
*Action 5=PunchThenDialog: { VPD_IDC_FINISH_CHOICE_PUNCH 1 VPD_IDD_FINISH 0 VPD_IDC_FINISH_CHOICE_SORT 1 }
*Action 6=Mono: { VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO }
*Transact 1=SeesEarlier: { NULL PunchOnAct PunchOn StapleOnAct }
*Transact 2=SameFailed: { NoPassword SortOnAct NoPassword StapleOnAct }
*Transact 3=SameApplied: { DuplexOn DuplexOffAct DuplexOn PunchOnAct }
*Transact 4=DialogStops: { NULL PunchThenDialog NULL StapleOnAct }
*Transact 5=ToMono: { NULL Mono }
*AlertAction 1=Answers: { IDCANCELBUTTON ToMono IDOKBUTTON SeesEarlier }
*Alert 1=Warnings: { NULL VPD_DuplexOnMessage MB_ICONQUESTION MB_OKCANCEL AlertAtOnce Answers StapleOn VPD_StaplePunchOnMessage MB_ICONQUESTION MB_OKCANCEL AlertAtOnce Answers DuplexOn VPD_NupOnMessage MB_OK MB_OK AlertAtOnce Answers }
*Exclusive: {
  VPD_IDC_EDIT_CHOICE_DUPLEX StapleOn PunchOn NULL Warnings SeesEarlier NULL
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL SameFailed NULL
  VPD_IDC_FINISH_CHOICE_STAPLE NULL NULL NULL NULL SameApplied NULL
  VPD_IDC_FINISH_CHOICE_PUNCH NULL NULL NULL NULL DialogStops NULL
}
)";

uint16_t MessageId(const char* name) {
  const MessageNameRow* row = RuleFindAlertMessageByName(nullptr, name);
  EXPECT_NE(row, nullptr) << name;
  return row ? row->id : 0;
}

class RuleEval : public ::testing::Test {
 protected:
  void TearDown() override { plat::ClearFaults(); }
  ModelContext m{kRuleModel};
  DriverContext* ctx = m.ctx;
  MdfItem Item(uint16_t setting) { return MdfFindItem(ctx, setting); }
  uint16_t Staple() const { return SettingOf("VPD_IDC_FINISH_CHOICE_STAPLE"); }
  uint16_t Punch() const { return SettingOf("VPD_IDC_FINISH_CHOICE_PUNCH"); }
  uint16_t Sort() const { return SettingOf("VPD_IDC_FINISH_CHOICE_SORT"); }
};

TEST_F(RuleEval, EvaluatorTable) {
  ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, kPassword), u"abc"), nullptr);
  OptSetValueById(ctx, kBitsPerPel, -1);  // 4294967295
  OptSetValueById(ctx, kDuplex, 1);
  struct Case {
    const char* name;
    std::vector<JudgeCell> cells;
    uint32_t result;
  } cases[] = {
      {"a setting equals itself", {S(kDuplex), S(kDuplex), Op(kOpEqual), kEnd}, 1},
      {"4294967295 > 1: unsigned", {S(kBitsPerPel), C(1), Op(kOpGreater), kEnd}, 1},
      {"4294967295 < 1 is false", {S(kBitsPerPel), C(1), Op(kOpLess), kEnd}, 0},
      {">= and <=", {C(5), C(5), Op(kOpGreaterEqual), C(1), Op(kOpLessEqual), kEnd}, 1},
      {"&& and ||", {C(1), C(0), Op(kOpAnd), C(7), Op(kOpOr), kEnd}, 1},
      {"!=", {S(kDuplex), C(0), Op(kOpNotEqual), kEnd}, 1},
      {"! on 0", {C(0), Op(kOpNot), kEnd}, 1},
      {"! on non-zero", {C(9), Op(kOpNot), kEnd}, 0},
      {"a text setting pushes its length", {S(kPassword), kEnd}, 3},
      {"the end cell gives the top value", {C(1234), kEnd}, 1234},
      {"an unknown setting gives 0", {C(0), S(60000), Op(kOpEqual), kEnd}, 0},
      {"unknown codes and kinds are passed over", {C(4), Op(42), JudgeCell{9, 9}, kEnd}, 4},
      {"a computed item answers 0", {S(731), C(0), Op(kOpEqual), kEnd}, 1},
  };
  for (const Case& c : cases) {
    ctx->work->evalTop = 3;  // as inside an outer evaluation
    EXPECT_EQ(RuleEvalCells(ctx, c.cells.data(), uint32_t(c.cells.size())), c.result) << c.name;
    EXPECT_EQ(ctx->work->evalTop, 3) << c.name << ": the stack index is restored";
  }
  EXPECT_EQ(RuleEvalJudge(ctx, 0), 0u);  // no condition
  EXPECT_EQ(RuleEvalCells(ctx, nullptr, 4), 0u);
}

TEST_F(RuleEval, ARepeatedSettingIsReadOnce) {
  // Reading the text setting takes one allocation; the second would fail and
  // read as length 0, so the condition holds only when the value is reused.
  ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, kPassword), u"abc"), nullptr);
  std::vector<JudgeCell> cells = {S(kPassword), S(kPassword), Op(kOpEqual), kEnd};
  plat::FailNth("GlobalAlloc", 2);
  EXPECT_EQ(RuleEvalCells(ctx, cells.data(), uint32_t(cells.size())), 1u);
  plat::ClearFaults();
  // With another operand between them the setting is read again.
  cells = {S(kPassword), S(kDuplex), Op(kOpNotEqual), S(kPassword), Op(kOpEqual), kEnd};
  plat::FailNth("GlobalAlloc", 2);
  EXPECT_EQ(RuleEvalCells(ctx, cells.data(), uint32_t(cells.size())), 0u);  // 1 == 0
}

TEST_F(RuleEval, MalformedCellsGiveZeroWithinTheStack) {
  std::vector<JudgeCell> pushes(300, C(1));
  pushes.push_back(kEnd);
  std::vector<JudgeCell> deep(20, C(1));
  deep.push_back(kEnd);
  struct Case {
    const char* name;
    int16_t top;
    std::vector<JudgeCell> cells;
  } cases[] = {
      {"an operator on an empty stack", 0, {Op(kOpEqual), kEnd}},
      {"one operand for two", 0, {C(1), Op(kOpAnd), kEnd}},
      {"! on an empty stack", 0, {Op(kOpNot), kEnd}},
      {"the end on an empty stack", 0, {kEnd}},
      {"300 pushes", 0, pushes},
      {"20 pushes above 240 cells of an outer evaluation", 240, deep},
      {"no end cell", 0, {C(1), C(1), Op(kOpEqual)}},
      {"no pop below the outer evaluation's values", 5, {Op(kOpAnd), kEnd}},
  };
  for (const Case& c : cases) {
    ctx->work->evalTop = c.top;
    EXPECT_EQ(RuleEvalCells(ctx, c.cells.data(), uint32_t(c.cells.size())), 0u) << c.name;
    EXPECT_EQ(ctx->work->evalTop, c.top) << c.name;
  }
  // A stack index that lies outside the stack, and no stack at all.
  std::vector<JudgeCell> one = {C(1), kEnd};
  ctx->work->evalTop = 300;
  EXPECT_EQ(RuleEvalCells(ctx, one.data(), 2), 0u);
  ctx->work->evalTop = 0;
  RuleFreeEvalStack(ctx);
  EXPECT_EQ(RuleEvalCells(ctx, one.data(), 2), 0u);
  EXPECT_EQ(RuleAllocEvalStack(ctx), 0);
  EXPECT_EQ(RuleEvalCells(ctx, one.data(), 2), 1u);
}

TEST_F(RuleEval, HiddenAndDisabled) {
  const uint16_t tray2 = Option("IDS_SOURCE_TRAY2"), manual = Option("IDS_SOURCE_MANUAL"),
                 tray1 = Option("IDS_SOURCE_TRAY1");
  MdfItem duplex = Item(kDuplex), tray = Item(13);
  struct Case {
    const char* name;
    int32_t duplex_on, staple_on, punch_on;
    MdfItem item;
    uint16_t option;
    uint32_t hidden, disabled;
  } cases[] = {
      {"feature level: neither", 0, 0, 0, duplex, 0, 0, 0},
      {"feature level: hidden", 0, 1, 0, duplex, 0, 1, 0},
      {"feature level: disabled", 0, 0, 1, duplex, 0, 0, 1},
      {"option: hidden by its entry", 1, 0, 0, tray, tray2, 1, 0},
      {"option: disabled by its entry", 0, 1, 0, tray, tray2, 0, 1},
      {"option: an entry without a hide condition", 1, 1, 1, tray, manual, 0, 1},
      {"option without an Item entry", 1, 1, 1, tray, tray1, 0, 0},
      {"no Item list", 1, 1, 1, duplex, tray2, 0, 0},
      {"the feature's own conditions are none", 1, 1, 1, tray, 0, 0, 0},
      {"no Exclusive record", 1, 1, 1, Item(Sort()), 0, 0, 0},
      {"no feature", 1, 1, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    OptSetValueById(ctx, kDuplex, c.duplex_on);
    OptSetValueById(ctx, Staple(), c.staple_on);
    OptSetValueById(ctx, Punch(), c.punch_on);
    EXPECT_EQ(RuleIsItemHidden(ctx, c.item, c.option), c.hidden) << c.name;
    EXPECT_EQ(RuleIsItemDisabled(ctx, c.item, c.option), c.disabled) << c.name;
  }
}

TEST_F(RuleEval, AlertsAndTheirAnswers) {
  MdfItem duplex = Item(kDuplex);
  // An entry without a condition is never active; the first that holds wins.
  OptSetValueById(ctx, kDuplex, 1);
  OptSetValueById(ctx, Staple(), 0);
  EXPECT_EQ(RuleFindActiveAlert(ctx, duplex), MessageId("VPD_NupOnMessage"));
  OptSetValueById(ctx, Staple(), 1);
  EXPECT_EQ(RuleFindActiveAlert(ctx, duplex), MessageId("VPD_StaplePunchOnMessage"));
  OptSetValueById(ctx, kDuplex, 0);
  OptSetValueById(ctx, Staple(), 0);
  EXPECT_EQ(RuleFindActiveAlert(ctx, duplex), 0);
  EXPECT_EQ(RuleFindActiveAlert(ctx, Item(13)), 0);  // no Alert list

  // The answer's AlertAction entry runs its Transact list.
  const uint16_t cancel = 2, ok = 1, no = 7;
  const uint16_t color = SettingOf("VPD_IDC_PRESET_CHOICE_COLOR");
  RuleApplyAlertAnswer(ctx, duplex, MessageId("VPD_StaplePunchOnMessage"), cancel);
  EXPECT_EQ(OptGetOptionById(ctx, color), Option("IDS_MONO"));
  RuleApplyAlertAnswer(ctx, duplex, MessageId("VPD_StaplePunchOnMessage"), ok);
  EXPECT_EQ(OptGetValueById(ctx, Punch()), 1);
  EXPECT_EQ(OptGetValueById(ctx, Staple()), 1);
  // No matching button, or no such alert: nothing happens.
  OptSetValueById(ctx, color, 0);
  OptSetValueById(ctx, Punch(), 0);
  RuleApplyAlertAnswer(ctx, duplex, MessageId("VPD_StaplePunchOnMessage"), no);
  RuleApplyAlertAnswer(ctx, duplex, MessageId("VPD_PrintTypePasswordMessage"), cancel);
  EXPECT_EQ(OptGetValueById(ctx, color), 0);
  EXPECT_EQ(OptGetValueById(ctx, Punch()), 0);
}

TEST_F(RuleEval, TransactSemantics) {
  struct Case {
    const char* name;
    uint16_t feature;      // whose Transact list runs
    int32_t duplex_on;     // settings before the run
    const char16_t* password;
    int fail_allocation;   // 0: none
    uint16_t dialog;       // expected result
    int32_t duplex, staple, punch, sort;  // settings after the run
  } cases[] = {
      {"the second entry sees the first entry's change", kDuplex, 0, u"", 0, 0, 0, 1, 1, 0},
      // The condition reads the text with one allocation; were the second
      // entry evaluated again its read would fail, read as empty, and hold.
      {"same condition after a failed entry: skipped, not evaluated", 13, 0, u"x", 2, 0, 0, 0, 0, 0},
      {"same condition after an applied entry: evaluated again", Staple(), 1, u"", 0, 0, 0, 0, 0, 0},
      {"a dialog target stops the run after the earlier actions", Punch(), 0, u"", 0, 1004, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    for (uint16_t id : {kDuplex, Staple(), Punch(), Sort()}) OptSetValueById(ctx, id, 0);
    OptSetValueById(ctx, kDuplex, c.duplex_on);
    OptSetText(ctx, OptFindSetting(ctx, kPassword), c.password);
    if (c.fail_allocation) plat::FailNth("GlobalAlloc", c.fail_allocation);
    EXPECT_EQ(RuleApplyItemTransact(ctx, Item(c.feature)), c.dialog) << c.name;
    plat::ClearFaults();
    EXPECT_EQ(OptGetValueById(ctx, kDuplex), c.duplex) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, Staple()), c.staple) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, Punch()), c.punch) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, Sort()), c.sort) << c.name;
  }
  EXPECT_EQ(RuleApplyTransact(ctx, 0), 0);
  EXPECT_EQ(RuleApplyItemTransact(ctx, 0), 0);
}

TEST_F(RuleEval, ReferencesOutsideTheImageDoNothing) {
  // Offsets that land outside the image, or on no record, read as nothing.
  const uint32_t beyond = MdfImageSize(m.image) + 16;
  EXPECT_EQ(RuleEvalJudge(ctx, beyond), 0u);
  EXPECT_EQ(RuleEvalJudge(ctx, MdfImageSize(m.image) - 2), 0u);
  EXPECT_EQ(RuleApplyTransact(ctx, beyond), 0);
  EXPECT_EQ(RuleIsItemHidden(ctx, beyond, 0), 0u);
  EXPECT_EQ(RuleFindActiveAlert(ctx, beyond), 0);
  EXPECT_EQ(RuleApplyAlertAnswer(ctx, beyond, 1, 1), 0);
  EXPECT_EQ(ctx->work->evalTop, 0);
}

}  // namespace
