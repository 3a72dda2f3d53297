// The installed-options dialog: its tables, the results of a click on each
// group of options under both model families, the check pictures, and the
// tray list with the shown flags it writes.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui2k/dlg_options.h"
#include "ui2k/dialog_handlers.h"
#include "velm/context.h"
#include "velm/setting_ids.h"

namespace {

using namespace ctl_test;
using namespace setting;

// ---- tables -----------------------------------------------------------------------------

TEST(OptionTables, EveryOptionHasOneSettingAndOneTrayAndUnknownOnesFallToTheFirstRow) {
  EXPECT_EQ(DlgOptionSettingRowCount(), 53);
  EXPECT_EQ(DlgOptionTrayRowCount(), 10);
  // Spot rows of each group, and the first rows' answers for options the
  // tables do not hold.
  const std::map<uint16_t, uint32_t> settings = {
      {143, vdmSourceOptionType1Step}, {146, vdmSourceOptionTypeDuplex}, {333, vdmOutputOptionTypeUpperBin},
      {145, vdmOutputOptionTypeHDD},   {378, vdmMemoryType},               {421, vdmSourceOptionTypeLCT1},
      {275, vdmOutputOptionTypeOutside}, {364, vdmOutputOptionTypeFin2000}, {391, vdmOutputOptionTypeFin2000NE},
      {412, vdmOutputOptionTypeFin2000NoPunch}, {288, vdmOutputOptionTypeTelLine33}, {9999, 10023}, {0, 10023}};
  for (const auto& [option, id] : settings) EXPECT_EQ(DlgOptionSettingOf(option), int32_t(id)) << option;
  const std::map<uint16_t, int32_t> trays = {{2, 0},  {3, 1},  {5, 2},     {6, 3},     {7, 25}, {169, 25},
                                             {4, 27}, {8, 28}, {50002, 25}, {50000, 27}, {1, 0}};
  for (const auto& [option, tray] : trays) EXPECT_EQ(DlgOptionTrayIndex(option), tray) << option;
  EXPECT_FALSE(DlgIsTrayOption(1));
  EXPECT_FALSE(DlgIsTrayOption(0));
  EXPECT_TRUE(DlgIsTrayOption(50000));
  // Every option of the options list names a printer-wide setting.
  for (uint16_t o = 1; o < 500; ++o) {
    const int32_t s = DlgOptionSettingOf(o);
    EXPECT_TRUE(s >= 10001 && s <= 10277) << o;
  }
}

TEST(OptionTables, RuleRowsToggleOnePrinterWideSettingWithoutLocksOrLinks) {
  const OptionRule* rules = DlgGetOptionRuleTable(128);
  ASSERT_EQ(rules, DlgGetOptionRuleTable(130));
  std::set<int16_t> seen;
  int n = 0;
  for (const OptionRule* r = rules; r->option; ++r, ++n) {
    EXPECT_TRUE(seen.insert(r->option).second) << r->option;
    EXPECT_EQ(DlgFindOptionRule(130, uint16_t(r->option)), r);
    EXPECT_TRUE(r->setting >= 10001 && r->setting <= 10277) << r->option;
    EXPECT_EQ(r->setting2, 0);
    EXPECT_EQ(r->lock, nullptr);
    EXPECT_EQ(r->links, nullptr);
    EXPECT_EQ(r->repaint, 1u);
    // A memory size switched off goes back to 32 MB.
    if (r->setting == int16_t(vdmPrinterMemory)) {
      ASSERT_NE(r->offList, nullptr) << r->option;
      EXPECT_EQ(r->offList[0].setting, int16_t(vdmPrinterMemory));
      EXPECT_EQ(r->offList[0].value, 32);
      EXPECT_EQ(r->offList[1].setting, 0);
    }
  }
  EXPECT_EQ(n, 13);
  EXPECT_EQ(DlgFindOptionRule(128, 0), nullptr);
  EXPECT_EQ(DlgFindOptionRule(128, 147), nullptr);
}

// ---- clicks -------------------------------------------------------------------------------

class OptionClicks : public ::testing::Test {
 protected:
  void SetUp() override {
    info_ = CtxGetBuiltinModelInfo();
    previous_ = ctx()->model;
    ctx()->model = &info_;
    for (uint32_t id = 10012; id <= 10077; ++id) Watch(id);
    Watch(vdm1StepOptionNum);
    Watch(vdmTrayField0);
  }
  void TearDown() override { ctx()->model = previous_; }
  DriverContext* ctx() { return m_.ctx; }
  void Watch(uint32_t id) {
    if (OptFindSetting(ctx(), id)) watched_.push_back(id);
  }
  std::map<uint32_t, int32_t> Snapshot() {
    std::map<uint32_t, int32_t> s;
    for (uint32_t id : watched_) s[id] = OptGetValueById(ctx(), id);
    return s;
  }
  void Family(int32_t family) { info_.machineId = uint8_t(family); }

  ctx_test::ModelContext m_{kPageModel};
  ModelInfo info_{};
  ModelInfo* previous_ = nullptr;
  std::vector<uint32_t> watched_;
};

struct Click {
  const char* what;
  int32_t family;
  uint16_t option;
  std::map<uint32_t, int32_t> before;  // the rest of the watched settings 0
  std::map<uint32_t, int32_t> after;   // only these change
  uint32_t flags;
};

TEST_F(OptionClicks, GoldenResultsByGroupAndFamily) {
  constexpr uint32_t R = kOptionRepaint, T = kOptionRebuildTrays;
  const uint32_t step = vdm1StepOptionNum, mem = vdmPrinterMemory, kind = vdmMemoryType;
  const std::vector<Click> clicks = {
      {"Fin1000 on turns off Fin3000 and Mailbox1", 128, 276,
       {{vdmOutputOptionTypeFin3000, 1}, {vdmOutputOptionTypeMailbox1, 1}},
       {{vdmOutputOptionTypeFin1000, 1}, {vdmOutputOptionTypeFin3000, 0}, {vdmOutputOptionTypeMailbox1, 0}}, R},
      {"Fin1000 off leaves the others", 130, 276, {{vdmOutputOptionTypeFin1000, 1}, {vdmOutputOptionTypeFin3000, 1}},
       {{vdmOutputOptionTypeFin1000, 0}}, R},
      {"bank tray rebuilds the trays", 128, 273, {}, {{vdmSourceOptionTypeBank, 1}}, R | T},
      {"32 MB stays when clicked on", 128, 344, {{mem, 32}}, {}, R},
      {"96 MB on", 128, 348, {{mem, 32}}, {{mem, 96}}, R},
      {"96 MB off goes back to 32", 130, 348, {{mem, 96}}, {{mem, 32}}, R},
      {"telephone line inert while remote is off", 130, 285, {}, {}, 0},
      {"telephone line toggles with remote on", 130, 285, {{vdmOutputOptionTypeRemote, 1}},
       {{vdmOutputOptionTypeTelLine4, 1}}, R},
      {"remote toggles", 128, 284, {}, {{vdmOutputOptionTypeRemote, 1}}, R},
      {"one step on", 128, 143, {}, {{vdmSourceOptionType1Step, 1}, {step, 1}}, R | T},
      {"one step off", 128, 143, {{vdmSourceOptionType1Step, 1}, {step, 1}},
       {{vdmSourceOptionType1Step, 0}, {step, 0}}, R | T},
      {"365 on with family 130 drops LCT1 and bank", 130, 365,
       {{vdmSourceOptionTypeLCT1, 1}, {vdmSourceOptionTypeBank, 1}},
       {{vdmSourceOptionType1Step, 1}, {step, 1}, {vdmSourceOptionTypeLCT1, 0}, {vdmSourceOptionTypeBank, 0}}, R | T},
      {"365 on with family 128 keeps LCT1", 128, 365, {{vdmSourceOptionTypeLCT1, 1}},
       {{vdmSourceOptionType1Step, 1}, {step, 1}}, R | T},
      {"365 off with family 130 and a Fin2000 brings the bank", 130, 365,
       {{vdmSourceOptionType1Step, 1}, {step, 1}, {vdmOutputOptionTypeFin2000EU, 1}},
       {{vdmSourceOptionType1Step, 0}, {step, 0}, {vdmSourceOptionTypeBank, 1}}, R | T},
      {"two steps", 128, 144, {{vdmSourceOptionType1Step, 1}, {step, 1}}, {{step, 2}}, R | T},
      {"two steps off", 128, 144, {{vdmSourceOptionType1Step, 1}, {step, 2}},
       {{vdmSourceOptionType1Step, 0}, {step, 0}}, R | T},
      {"duplex off with family 130 drops every Fin2000", 130, 146,
       {{vdmSourceOptionTypeDuplex, 1}, {vdmOutputOptionTypeFin2000, 1}, {vdmOutputOptionTypeFin2000NA, 1}},
       {{vdmSourceOptionTypeDuplex, 0}, {vdmOutputOptionTypeFin2000, 0}, {vdmOutputOptionTypeFin2000NA, 0}}, R},
      {"duplex off with family 128 keeps them", 128, 146,
       {{vdmSourceOptionTypeDuplex, 1}, {vdmOutputOptionTypeFin2000, 1}}, {{vdmSourceOptionTypeDuplex, 0}}, R},
      {"Fin2000 NA with family 130: duplex and one step", 130, 389,
       {{vdmOutputOptionTypeMailbox2, 1}, {vdmOutputOptionTypeFin1000, 1}},
       {{vdmOutputOptionTypeFin2000NA, 1}, {vdmSourceOptionTypeDuplex, 1}, {vdmSourceOptionType1Step, 1}, {step, 1},
        {vdmOutputOptionTypeMailbox2, 0}, {vdmOutputOptionTypeFin1000, 0}},
       R | T},
      {"Fin2000 NA with family 130 and LCT1: no one step", 130, 389, {{vdmSourceOptionTypeLCT1, 1}},
       {{vdmOutputOptionTypeFin2000NA, 1}, {vdmSourceOptionTypeDuplex, 1}}, R},
      {"Fin2000 NA with family 128: no duplex", 128, 389, {{vdmOutputOptionTypeMailbox1, 1}},
       {{vdmOutputOptionTypeFin2000NA, 1}, {vdmOutputOptionTypeMailbox1, 0}}, R},
      {"Fin2000 EU keeps Mailbox1", 130, 383, {{vdmOutputOptionTypeMailbox1, 1}, {vdmOutputOptionTypeMailbox2, 1}},
       {{vdmOutputOptionTypeFin2000EU, 1}}, R},
      {"upper bin with family 128", 128, 147,
       {{vdmOutputOptionTypeOutside, 1}, {vdmOutputOptionTypeFinBF, 1}, {vdmOutputOptionTypeMailbox2, 1}},
       {{vdmOutputOptionTypeUpperBin, 1}, {vdmOutputOptionTypeOutside, 0}, {vdmOutputOptionTypeFinBF, 0},
        {vdmOutputOptionTypeMailbox2, 0}},
       R},
      {"mailbox 2 with family 128 keeps Fin2000", 128, 148, {{vdmOutputOptionTypeFin2000, 1}},
       {{vdmOutputOptionTypeMailbox2, 1}}, R},
      {"mailbox 2 with family 130 drops Fin2000", 130, 148,
       {{vdmOutputOptionTypeFin2000, 1}, {vdmOutputOptionTypeUpperBin, 1}},
       {{vdmOutputOptionTypeMailbox2, 1}, {vdmOutputOptionTypeFin2000, 0}}, R},
      {"an exclusive output on is switched off", 130, 278, {{vdmOutputOptionTypeFinBF, 1}},
       {{vdmOutputOptionTypeFinBF, 0}}, R},
      {"32 MB module of the first kind", 128, 164, {{mem, 32}}, {{kind, 1}}, R},
      {"64 MB module of the first kind, from another size", 128, 280, {{mem, 32}, {kind, 1}},
       {{mem, 64}, {kind, 0}}, R},
      {"96 MB module of the second kind", 130, 167, {{mem, 96}, {kind, 1}}, {{kind, 0}}, R},
      {"96 MB module of the second kind, from another size", 130, 167, {{mem, 32}}, {{mem, 96}, {kind, 1}}, R},
      {"160 MB on", 128, 352, {{mem, 32}}, {{mem, 160}}, R},
      {"160 MB off", 128, 352, {{mem, 160}}, {{mem, 32}}, R},
      {"LCT with family 128", 128, 169, {{vdmSourceOptionTypeBank, 1}}, {{vdmSourceOptionTypeLCT1, 1}}, T},
      {"LCT off with family 130 and a Fin2000 brings one step", 130, 274,
       {{vdmSourceOptionTypeLCT1, 1}, {vdmSourceOptionTypeBank, 1}, {vdmOutputOptionTypeFin2000NoPunch, 1}},
       {{vdmSourceOptionTypeLCT1, 0}, {vdmSourceOptionTypeBank, 0}, {vdmSourceOptionType1Step, 1}, {step, 1}}, R | T},
      {"upper bin 333 does not rebuild", 130, 333, {}, {{vdmOutputOptionTypeUpperBin, 1}}, 0},
      {"an option of no group", 130, 9999, {{mem, 32}}, {}, 0},
  };
  for (const Click& c : clicks) {
    for (uint32_t id : watched_) OptSetValueById(ctx(), id, 0);
    for (const auto& [id, v] : c.before) OptSetValueById(ctx(), id, v);
    Family(c.family);
    std::map<uint32_t, int32_t> want = Snapshot();
    for (const auto& [id, v] : c.after) want[id] = v;
    EXPECT_EQ(DlgClickOption(ctx(), c.option), c.flags) << c.what;
    const std::map<uint32_t, int32_t> got = Snapshot();
    for (uint32_t id : watched_) EXPECT_EQ(got.at(id), want.at(id)) << c.what << ": setting " << id;
  }
}

TEST_F(OptionClicks, ChecksAndGreyFollowTheSettingsAndTheGroupsKeepTheirOptions) {
  struct Shown {
    uint16_t option;
    std::map<uint32_t, int32_t> settings;
    bool checked, grey;
  } const cases[] = {
      {344, {{vdmPrinterMemory, 32}}, true, false},
      {348, {{vdmPrinterMemory, 32}}, false, false},
      {143, {{vdmSourceOptionType1Step, 1}, {vdm1StepOptionNum, 1}}, true, false},
      {144, {{vdmSourceOptionType1Step, 1}, {vdm1StepOptionNum, 1}}, false, false},
      {285, {{vdmOutputOptionTypeTelLine4, 1}}, true, true},
      {285, {{vdmOutputOptionTypeRemote, 1}}, false, false},
      {164, {{vdmPrinterMemory, 32}, {vdmMemoryType, 0}}, true, false},
      {165, {{vdmPrinterMemory, 32}, {vdmMemoryType, 0}}, false, false},
      {378, {{vdmPrinterMemory, 352}}, true, false},
      {9999, {{vdmPrinterMemory, 16}}, false, false},
  };
  for (const Shown& c : cases) {
    for (uint32_t id : watched_) OptSetValueById(ctx(), id, 0);
    for (const auto& [id, v] : c.settings) OptSetValueById(ctx(), id, v);
    EXPECT_EQ(DlgIsOptionChecked(ctx(), c.option), c.checked) << c.option;
    EXPECT_EQ(DlgIsOptionGrey(ctx(), c.option), c.grey) << c.option;
  }
  // The 32 MB option stays checked however often it is clicked.
  OptSetValueById(ctx(), vdmPrinterMemory, 32);
  for (int i = 0; i < 3; ++i) {
    DlgClickOption(ctx(), 344);
    EXPECT_TRUE(DlgIsOptionChecked(ctx(), 344));
  }
  // No rule row has linked options: keeping the groups changes nothing.
  OptSetValueById(ctx(), vdmOutputOptionTypeFin1000, 1);
  const auto before = Snapshot();
  EXPECT_EQ(DlgKeepOptionGroups(ctx(), DlgFindOptionRule(128, 276)), 0u);
  EXPECT_EQ(Snapshot(), before);
}

// ---- the dialog ----------------------------------------------------------------------------

// The tray feature: TRAY3 and AUTO (a tray the dialog does not know)
// hidden while duplex is on.
const char* const kTrayModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_OPTION_CHOICE_SOURCE: PickOne
*DefaultVPD_IDC_OPTION_CHOICE_SOURCE: IDS_SOURCE_TRAY1
*VPD_IDC_OPTION_CHOICE_SOURCE IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_OPTION_CHOICE_SOURCE IDS_SOURCE_AUTO: "AUTO"
*VPD_IDC_OPTION_CHOICE_SOURCE IDS_SOURCE_TRAY2: "TRAY2"
*VPD_IDC_OPTION_CHOICE_SOURCE IDS_SOURCE_TRAY3: "TRAY3"
*VPD_IDC_OPTION_CHOICE_SOURCE IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_OPTION_CHOICE_SOURCE
*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean
*VPD_IDC_EDIT_CHOICE_DUPLEX True: "ON"
*VPD_IDC_EDIT_CHOICE_DUPLEX False: "OFF"
*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX
*Judge 1=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1
*Item 1=Trays: { IDS_SOURCE_TRAY3 DuplexOn NULL IDS_SOURCE_AUTO DuplexOn NULL }
*Exclusive: {
  VPD_IDC_OPTION_CHOICE_SOURCE NULL NULL Trays NULL NULL NULL
}
)";

int32_t OnlyOptions(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                    LPARAM lparam) {
  return dialog && dialog->dialogId == 1011 ? DlgOptionsHandler(ctx, dialog, item, message, wparam, lparam) : 0;
}

class TrayList : public ::testing::Test, public PageTools {
 protected:
  void SetUp() override {
    StartPage(m_.ctx);
    Names({{2, u"Tray 1"}, {3, u"Tray 2"}, {5, u"Tray 3"}, {4, u"Bypass"}, {1, u"Auto"}});
    tables_ = CtlDispatchTables{&CtlGetKindTable(), OnlyOptions};
  }
  void TearDown() override { EndPage(); }
  DialogItemRecord* MakeList() {
    DialogRecord* d = Dialog(1011);
    DialogItemRecord* item = CtxFindControl(ctx, d, 2166);
    if (!item) return nullptr;
    item->window = CreateWindowExW(0, WC_LISTVIEWW, u"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDRAWFIXED,
                                   0, 0, 200, 100, d->window, reinterpret_cast<HMENU>(uintptr_t(2166)), nullptr,
                                   nullptr);
    Bind(item, item->symbol);
    CtlDispatchInitWith(tables_, ctx, d, item);
    return item;
  }
  std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> out;
    for (LRESULT i = 0; i < SendMessageW(list, LVM_GETITEMCOUNT, 0, 0); ++i) {
      char16_t text[32] = {};
      LVITEMW it{LVIF_TEXT | LVIF_PARAM | LVIF_STATE, INT(i), 0, 0, LVIS_SELECTED, text, 32, 0, 0, 0};
      SendMessageW(list, LVM_GETITEMW, 0, LPARAM(&it));
      out.push_back(plat::ToUtf8(text) + "=" + std::to_string(it.lParam) + ((it.state & LVIS_SELECTED) ? "*" : ""));
    }
    return out;
  }
  int32_t Shown(int32_t t) { return OptGetValueById(ctx, vdmTrayField0 + uint32_t(t)); }
  void Duplex(int32_t on) { Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", on); }

  ctx_test::ModelContext m_{kTrayModel};
  CtlDispatchTables tables_{};
};

TEST_F(TrayList, HiddenTraysAreLeftOutWithFlagZeroAndUnknownOptionsTouchNoTray) {
  for (int32_t t : {0, 1, 2, 27}) OptSetValueById(ctx, vdmTrayField0 + uint32_t(t), 1);
  Duplex(1);
  DialogItemRecord* item = MakeList();
  ASSERT_NE(item, nullptr);
  HWND list = item->window;
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"Tray 1=2*", "Tray 2=3", "Bypass=4"}));
  EXPECT_EQ(Shown(2), 0);  // TRAY3 hidden
  // AUTO is hidden too, but it is no tray of the table: tray 0 keeps its flag.
  EXPECT_EQ(Shown(0), 1);
  EXPECT_EQ(Shown(1), 1);
  EXPECT_EQ(Shown(27), 1);
  // Four columns, a quarter of the width each, captioned from the strings.
  char16_t caption[16] = {};
  LVCOLUMNW col{LVCF_TEXT | LVCF_WIDTH, 0, 0, caption, 16, 0, 0, 0};
  EXPECT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 3, LPARAM(&col)));
  EXPECT_EQ(col.cx, 50);
  EXPECT_FALSE(SendMessageW(list, LVM_GETCOLUMNW, 4, LPARAM(&col)));
  // With duplex off a rebuild lists TRAY3 and raises its flag; the columns stay four.
  Duplex(0);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  CtlDispatchInitWith(tables_, ctx, Dialog(1011), item);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"Tray 1=2*", "Tray 2=3", "Tray 3=5", "Bypass=4"}));
  EXPECT_EQ(Shown(2), 1);
  EXPECT_FALSE(SendMessageW(list, LVM_GETCOLUMNW, 4, LPARAM(&col)));
}

TEST_F(TrayList, ChoosingATrayLoadsItsPropertiesWithoutChangingThem) {
  DialogItemRecord* item = MakeList();
  ASSERT_NE(item, nullptr);
  // Tray 1 (index 1) holds paper 13, media 5, landscape, locked.
  const uint32_t tray[] = {vdmTray1Paper + 1, vdmTray1Media + 1, vdmTrayOrient0 + 1, vdmTrayLock0 + 1};
  const int32_t values[] = {13, 5, 1, 1};
  for (int k = 0; k < 4; ++k) OptSetValueById(ctx, tray[k], values[k]);
  Calls();
  // The person chooses the second row: the list view tells the dialog.
  LVITEMW pick{0, 0, 0, LVIS_SELECTED, LVIS_SELECTED, nullptr, 0, 0, 0, 0};
  SendMessageW(item->window, LVM_SETITEMSTATE, 1, LPARAM(&pick));
  NMLISTVIEW n{};
  n.hdr = NMHDR{item->window, 2166, LVN_ITEMCHANGED};
  n.iItem = 1;
  n.uNewState = LVIS_SELECTED;
  n.uChanged = LVIF_STATE;
  n.lParam = 3;
  EXPECT_EQ(CtlHandleMessageWith(tables_, ctx, Dialog(1011), item, WM_NOTIFY, 2166, LPARAM(&n)), 1);
  EXPECT_EQ(OptGetControlOption(ctx, item), 3);
  EXPECT_EQ(OptGetValueById(ctx, 952), 13);
  EXPECT_EQ(OptGetValueById(ctx, 953), 5);
  EXPECT_EQ(OptGetOptionById(ctx, 954), 2175);
  EXPECT_EQ(OptGetValueById(ctx, 961), 1);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(OptGetValueById(ctx, tray[k]), values[k]);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"refresh"}));
  // The same row again changes nothing; a notice of another control is not ours.
  EXPECT_EQ(CtlHandleMessageWith(tables_, ctx, Dialog(1011), item, WM_NOTIFY, 2166, LPARAM(&n)), 1);
  n.hdr.idFrom = 2490;
  EXPECT_EQ(DlgOptionsHandler(ctx, Dialog(1011), item, WM_NOTIFY, 2490, LPARAM(&n)), 0);
  EXPECT_TRUE(Calls().empty());
}

}  // namespace
