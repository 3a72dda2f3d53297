// The hide and disable state of page controls under the model's rules, and
// the walkers over a feature's option records.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ctx_test_model.h"
#include "qst_test_machine.h"
#include "ui2k/pages.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/paths.h"

namespace {

using ctx_test::ModelContext;
using ctx_test::Option;
using ctx_test::SettingOf;

const char* const kStateModel = R"(*FileVersion: 3.62
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
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2: "TRAY2"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_USERCODE_CHOICE_SERVER: Numeric
*NumericValue: 301 "3 5 1 9 1 0 0 0"
*CloseUI: *VPD_IDC_USERCODE_CHOICE_SERVER
*OpenUI *VPD_IDC_PRINTTYPE_EDIT_PASSWORD: String
*StringValue: 8 Numeric|Password
*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_PASSWORD
*Judge 1=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1
*Judge 2=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Judge 3=PunchOn: VPD_IDC_FINISH_CHOICE_PUNCH == 1
*Item 1=Trays: { IDS_SOURCE_TRAY2 DuplexOn StapleOn IDS_SOURCE_MANUAL NULL PunchOn }
*Exclusive: {
  VPD_IDC_EDIT_CHOICE_DUPLEX StapleOn PunchOn NULL NULL NULL NULL
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL NULL NULL
  VPD_IDC_USERCODE_CHOICE_SERVER NULL NULL Trays NULL NULL NULL
}
)";

class ItemState : public ::testing::Test {
 protected:
  ModelContext m{kStateModel};
  DriverContext* ctx = m.ctx;
  uint16_t duplex = SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX");
  uint16_t staple = SettingOf("VPD_IDC_FINISH_CHOICE_STAPLE");
  uint16_t punch = SettingOf("VPD_IDC_FINISH_CHOICE_PUNCH");
  MdfItem Item(const char* feature) { return MdfFindItem(ctx, SettingOf(feature)); }
  void Set(uint16_t id, int32_t v) {
    OptSetValueById(ctx, id, v);
    UiClearSettingDirty(ctx);
  }
  // The first cell of the feature's own hide judge.
  uint32_t HideJudge(MdfItem item) {
    ImgFeature f{};
    ImgExclusive ex{};
    EXPECT_TRUE(MdfReadItem(ctx, item, &f));
    EXPECT_TRUE(MdfImgReadExclusive(m.image, f.exclusive, &ex));
    return ex.hide;
  }
};

TEST_F(ItemState, FeatureJudgesThenTheItemEntryOfTheControlId) {
  const MdfItem trays = Item("VPD_IDC_PRESET_CHOICE_SOURCETRAY");
  const MdfItem dup = Item("VPD_IDC_EDIT_CHOICE_DUPLEX");
  const MdfItem server = Item("VPD_IDC_USERCODE_CHOICE_SERVER");
  const uint16_t tray2 = Option("IDS_SOURCE_TRAY2"), manual = Option("IDS_SOURCE_MANUAL");
  struct Case {
    const char* name;
    int32_t duplex, staple, punch;
    MdfItem item;
    uint16_t control;
    int32_t hidden, disabled;
  } cases[] = {
      {"nothing holds", 0, 0, 0, trays, tray2, 0, 0},
      {"the option's hide judge", 1, 0, 0, trays, tray2, 1, 0},
      {"the option's disable judge", 0, 1, 0, trays, tray2, 0, 1},
      {"another option's judges do not count", 1, 1, 0, trays, manual, 0, 0},
      {"the manual option's disable judge", 0, 0, 1, trays, manual, 0, 1},
      {"the feature's own hide judge", 0, 1, 0, dup, 0, 1, 0},
      {"the feature's own disable judge", 0, 0, 1, dup, 0, 0, 1},
      {"a Numeric feature ignores the control id", 1, 1, 1, server, tray2, 0, 0},
      {"no model item", 1, 1, 1, 0, tray2, 0, 0},
  };
  for (const Case& c : cases) {
    Set(duplex, c.duplex);
    Set(staple, c.staple);
    Set(punch, c.punch);
    EXPECT_EQ(UiIsItemHidden(ctx, c.item, c.control), c.hidden) << c.name;
    EXPECT_EQ(UiIsItemDisabled(ctx, c.item, c.control), c.disabled) << c.name;
  }
  // Whole dialogs go by the feature's own hide judge.
  Set(staple, 1);
  EXPECT_EQ(UiIsHiddenByCondition(ctx, MdfFindFeatureByName("VPD_IDC_EDIT_CHOICE_DUPLEX")->key), 1);
  EXPECT_EQ(UiIsHiddenByCondition(ctx, 0), 0);
}

TEST_F(ItemState, ChangedStateFollowsDirtyJudgesAndStoredAnswers) {
  DialogItemRecord item{};
  item.controlId = Option("IDS_SOURCE_TRAY2");
  UiBindItemModel(ctx, &item, Item("VPD_IDC_PRESET_CHOICE_SOURCETRAY"));
  ASSERT_NE(UiItemModel(ctx, &item), 0u);
  Set(duplex, 0);
  Set(staple, 0);
  // Clean judges and stored answers equal to the rules': unchanged.
  EXPECT_EQ(UiHasHideStateChanged(ctx, &item), 0);
  EXPECT_EQ(UiHasDisableStateChanged(ctx, &item), 0);
  // A stored answer that differs.
  item.hidden = 1;
  EXPECT_EQ(UiHasHideStateChanged(ctx, &item), 1);
  item.hidden = 0;
  // A dirty setting that one of the Item entries' judges reads, the answer
  // still the same: it may have changed.
  OptSetValueById(ctx, punch, 0);
  EXPECT_EQ(UiHasDisableStateChanged(ctx, &item), 1);
  EXPECT_EQ(UiHasHideStateChanged(ctx, &item), 0);  // no hide judge reads the punch
  UiClearSettingDirty(ctx);
  OptSetValueById(ctx, duplex, 0);
  EXPECT_EQ(UiHasHideStateChanged(ctx, &item), 1);
  // A setting no judge reads.
  UiClearSettingDirty(ctx);
  OptSetValueById(ctx, setting::dmCopies, 3);
  EXPECT_EQ(UiHasHideStateChanged(ctx, &item), 0);
  EXPECT_EQ(UiHasDisableStateChanged(ctx, &item), 0);
}

TEST_F(ItemState, OptionEntriesAndNextOptions) {
  const MdfItem trays = Item("VPD_IDC_PRESET_CHOICE_SOURCETRAY");
  ImgFeature f{};
  ASSERT_TRUE(MdfReadItem(ctx, trays, &f));
  std::vector<uint16_t> ids;
  std::vector<uint32_t> entries;
  for (uint32_t o = f.data; o; o = UiGetNextOption(ctx, trays, o)) {
    uint32_t entry = 1;
    ids.push_back(UiGetOptionEntry(ctx, trays, o, &entry));
    entries.push_back(entry);
  }
  EXPECT_EQ(ids, (std::vector<uint16_t>{Option("IDS_SOURCE_TRAY1"), Option("IDS_SOURCE_TRAY2"),
                                         Option("IDS_SOURCE_MANUAL")}));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], 0u);  // tray 1 has no Item entry
  ImgItemEntry e{};
  ASSERT_TRUE(MdfImgReadItem(m.image, entries[1], &e));
  EXPECT_EQ(e.optionId, Option("IDS_SOURCE_TRAY2"));
  ASSERT_TRUE(MdfImgReadItem(m.image, entries[2], &e));
  EXPECT_EQ(e.optionId, Option("IDS_SOURCE_MANUAL"));

  // A String feature's option entry is the first word of its record; it has
  // no next option. Other types answer 0.
  const MdfItem password = Item("VPD_IDC_PRINTTYPE_EDIT_PASSWORD");
  ASSERT_TRUE(MdfReadItem(ctx, password, &f));
  uint16_t first = 0;
  std::memcpy(&first, MdfImageBytes(m.image) + f.data, 2);
  EXPECT_EQ(UiGetOptionEntry(ctx, password, f.data, nullptr), first);
  EXPECT_EQ(UiGetNextOption(ctx, password, f.data), 0u);
  const MdfItem server = Item("VPD_IDC_USERCODE_CHOICE_SERVER");
  ASSERT_TRUE(MdfReadItem(ctx, server, &f));
  EXPECT_EQ(UiGetOptionEntry(ctx, server, f.data, nullptr), 0);
}

TEST_F(ItemState, JudgeWalkStopsAtTheEndCellAndNeverLeavesTheImage) {
  const uint32_t judge = HideJudge(Item("VPD_IDC_EDIT_CHOICE_DUPLEX"));  // StapleOn
  ASSERT_NE(judge, 0u);
  OptSetValueById(ctx, staple, 1);
  EXPECT_EQ(UiJudgeReadsDirtySetting(ctx, judge), 1);
  UiClearSettingDirty(ctx);
  OptSetValueById(ctx, duplex, 1);
  EXPECT_EQ(UiJudgeReadsDirtySetting(ctx, judge), 0);

  // The checked image refuses a judge whose end cell is missing.
  std::vector<uint8_t> bytes(MdfImageBytes(m.image), MdfImageBytes(m.image) + MdfImageSize(m.image));
  ASSERT_TRUE(MdfValidateImage(bytes.data(), bytes.size()));
  uint32_t end = judge;
  JudgeCell cell{};
  while (MdfImgReadCell(m.image, end, &cell) && !(cell.kind == kCellOperator && cell.value == kOpEnd)) end += 4;
  ASSERT_LT(end + 4, bytes.size());
  const JudgeCell constant{kCellConstant, 1};
  std::memcpy(bytes.data() + end, &constant, 4);
  EXPECT_FALSE(MdfValidateImage(bytes.data(), bytes.size()));

  // A judge in memory without its end cell (cells up to the image's end, one
  // of them a setting that is clean): the walk ends at the image's end.
  auto* live = const_cast<uint8_t*>(MdfImageBytes(m.image));
  const uint32_t size = MdfImageSize(m.image);
  for (uint32_t at = end; at + 4 <= size; at += 4) std::memcpy(live + at, &constant, 4);
  UiClearSettingDirty(ctx);
  EXPECT_EQ(UiJudgeReadsDirtySetting(ctx, judge), 0);
  EXPECT_EQ(UiJudgeReadsDirtySetting(ctx, size - 2), 0);  // a cell cut by the end
}

// ---- the preset maintenance buttons ------------------------------------------------------------
class MaintenanceButtons : public qst_test::QstMachine {};

TEST_F(MaintenanceButtons, FollowThePositionAmongFourPresets) {
  ASSERT_EQ(IniWriteString(InstGetPrinterSectionName(ctx_), u"Count", u"4", PathGetDriverIni(ctx_)), 1);
  ASSERT_EQ(PresetGetCount(ctx_), 4);
  DialogItemRecord* list = CtxFindControl(ctx_, CtxFindDialog(ctx_, 1007), 2139);
  ASSERT_NE(list, nullptr);
  struct Case {
    int32_t p;
    int32_t del, back, next;  // disabled
  } cases[] = {{0, 1, 1, 1}, {1, 0, 1, 0}, {2, 0, 0, 0}, {3, 0, 0, 1}, {4, 1, 1, 1}};
  for (const Case& c : cases) {
    OptSetControlOption(ctx_, list, 119 + c.p);
    ASSERT_EQ(OptGetControlOption(ctx_, list), 119 + c.p);
    EXPECT_EQ(UiIsItemDisabled(ctx_, 0, 2140), c.del) << "p " << c.p;
    EXPECT_EQ(UiIsItemDisabled(ctx_, 0, 2143), c.back) << "p " << c.p;
    EXPECT_EQ(UiIsItemDisabled(ctx_, 0, 2144), c.next) << "p " << c.p;
  }
  // Their state may change exactly when the list's setting is dirty.
  DialogItemRecord button{};
  button.controlId = 2144;
  button.disabled = 1;
  UiClearSettingDirty(ctx_);
  EXPECT_EQ(UiHasDisableStateChanged(ctx_, &button), 0);
  OptSetControlOption(ctx_, list, 120);
  EXPECT_EQ(UiHasDisableStateChanged(ctx_, &button), 1);
}

}  // namespace
