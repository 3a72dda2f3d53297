// The preset icon list on a printer with stored presets: entries bounded by
// the presets there are, a chosen preset that the person refuses, and the
// drawing of each icon with the preset's own settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "ctx_test_machine.h"
#include "velm/devmode.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"

namespace {

using namespace ctl_test;
using Seen = std::vector<std::string>;

constexpr uint16_t kIconList = 2001, kPreview = 2039;
constexpr uint16_t kFirstPreset = 119;

// The page model with the preset icon list's four options.
std::string PresetModel() {
  return std::string(kPageModel) + R"(*OpenUI *VPD_IDC_PRESET_ICONLIST: PickOne
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY1: "1"
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY2: "2"
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY3: "3"
*VPD_IDC_PRESET_ICONLIST IDS_PRESET_KEY4: "4"
*CloseUI: *VPD_IDC_PRESET_ICONLIST
)";
}

class PresetList : public ctx_test::ModelMachine, public PageTools {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModelText(PresetModel());
    ASSERT_EQ(PathCreateDataDir(), 1);
    context_ = OpenKind(0);
    ASSERT_NE(context_, nullptr);
    StartPage(context_);
    // The option names of the list are the presets' list keys.
    for (uint16_t n = 0; n < 4; ++n)
      Names({{uint32_t(kFirstPreset + n), u"PresetList" + plat::FromUtf8(std::to_string(n))}});
    tray_ = CtxFindControl(ctx, Dialog(1001), 2007);
    Bind(tray_, tray_->symbol);
  }
  void TearDown() override {
    EndPage();
    CtxCloseAs(context_, kCloseDestroy);
    ModelMachine::TearDown();
  }

  // A preset saved from the working settings with the given source tray.
  void MakePreset(const std::string& name, uint16_t tray) {
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    std::u16string path = std::u16string(dir) + u"\\" + plat::FromUtf8(name) + u".qst";
    const int32_t before = Option(tray_);
    OptSetControlOption(ctx, tray_, tray);
    ASSERT_EQ(PresetAddEntry(ctx, path.c_str(), plat::FromUtf8(name).c_str(), u"", nullptr), 1);
    ASSERT_EQ(QstSaveSettings(printer_, path.c_str(), kQstPreset, ctx), 1);
    OptSetControlOption(ctx, tray_, before);
  }
  DialogItemRecord* Icons() {
    DialogItemRecord* list = Control(1001, kIconList, u"LISTBOX", LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY);
    EXPECT_EQ(list->kind, 50);
    return list;
  }
  LRESULT Choose(DialogItemRecord* list, int index) {
    SendMessageW(list->window, LB_SETCURSEL, WPARAM(index), 0);
    return CtlHandleCommand(ctx, Dialog(1001), list, MAKEWPARAM(kIconList, LBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(list->window));
  }
  std::vector<uint8_t> Settings() { return {ctx->devmode, ctx->devmode + dm::kWorkBufferSize}; }

  DriverContext* context_ = nullptr;
  DialogItemRecord* tray_ = nullptr;
};

TEST_F(PresetList, EntriesNeverOutnumberThePresets) {
  DialogItemRecord* list = Icons();
  EXPECT_TRUE(Entries(list->window).empty()) << "no preset, no entry";
  MakePreset("first", kTray1);
  MakePreset("second", kTray2);
  CtlDispatchInit(ctx, Dialog(1001), list);
  EXPECT_EQ(Entries(list->window), (std::vector<LRESULT>{119, 120})) << "the feature has four options";
  OptSetControlOption(ctx, list, 120);
  CtlListRefresh(ctx, Dialog(1001), list);
  EXPECT_EQ(Selected(list->window), 1);
}

TEST_F(PresetList, ChoosingAPresetLoadsItOrFallsBackToTheFirstWhenRefused) {
  MakePreset("first", kTray1);
  MakePreset("second", kManual);
  DialogItemRecord* list = Icons();
  OptSetControlOption(ctx, list, 119);
  OptSetControlOption(ctx, tray_, kTray2);
  CtlListRefresh(ctx, Dialog(1001), list);

  // Accepted: the preset's settings stay, and nothing is left pushed.
  Calls();
  EXPECT_EQ(Choose(list, 1), 1);
  EXPECT_EQ(Calls(), (Seen{"check 2001", "refresh"}));
  EXPECT_EQ(Option(list), 120);
  EXPECT_EQ(Option(tray_), kManual);
  EXPECT_EQ(DmGetSaveDepth(ctx), 0);

  // Refused (an alert cancelled): the first preset, a beep, its actions.
  OptSetControlOption(ctx, list, 119);
  OptSetControlOption(ctx, tray_, kTray2);
  CtlListRefresh(ctx, Dialog(1001), list);
  g_rec.checkAnswer = 1;
  ui::ClearLog();
  Calls();
  EXPECT_EQ(Choose(list, 1), 1);
  EXPECT_EQ(Calls(), (Seen{"check 2001", "transact 2001", "refresh"}));
  EXPECT_EQ(Option(list), 119);
  EXPECT_EQ(Option(tray_), kTray1) << "the first preset's tray";
  EXPECT_EQ(Selected(list->window), 0);
  std::vector<std::string> log = ui::Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "beep"), 1);
  EXPECT_EQ(DmGetSaveDepth(ctx), 0);
}

TEST_F(PresetList, EachIconShowsItsPresetAndDrawingChangesNoSetting) {
  MakePreset("first", kTray1);
  MakePreset("second", kManual);
  DialogItemRecord* list = Icons();
  // The preview the icons show: the source tray of the settings drawn.
  DialogRecord* basic = Dialog(1002);
  DialogItemRecord* preview = CtxFindControl(ctx, basic, kPreview);
  Bind(preview, tray_->symbol);
  OptSetControlOption(ctx, tray_, kTray2);
  const std::vector<uint8_t> before = Settings();
  struct Case {
    const char* name;
    UINT action, state;
    uint32_t picture;
  } cases[] = {
      {"another preset shows its own tray", ODA_DRAWENTIRE, 0, kManual},
      {"the selected preset shows the current tray", ODA_DRAWENTIRE, ODS_SELECTED, kTray2},
      {"a selection change alone shows the preset's", ODA_SELECT, ODS_SELECTED, kManual},
  };
  for (const Case& c : cases) {
    DRAWITEMSTRUCT draw{};
    draw.CtlID = kIconList;
    draw.itemID = 1;
    draw.itemAction = c.action;
    draw.itemState = c.state;
    draw.itemData = 120;
    draw.rcItem = {0, 0, 108, 107};
    g_rec.pictures.clear();
    EXPECT_EQ(CtlHandleMessage(ctx, Dialog(1001), list, WM_DRAWITEM, kIconList, reinterpret_cast<LPARAM>(&draw)), 1);
    EXPECT_EQ(g_rec.pictures, (std::vector<uint32_t>{c.picture})) << c.name;
    EXPECT_TRUE(Settings() == before) << c.name << ": drawing changed a setting";
    EXPECT_EQ(DmGetSaveDepth(ctx), 0) << c.name;
  }
}

}  // namespace
