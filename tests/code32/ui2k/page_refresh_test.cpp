// Value changes of page controls with the rules' alerts, the paper change,
// and the page refresh: hide and disable states, lock icons, focus, preset
// detachment and re-entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "plat/user.h"
#include "ui/user32.h"
#include "ui2k/pages.h"
#include "velm/names.h"
#include "velm/rule_eval.h"

namespace {

using ctx_test::ModelContext;
using ctx_test::Option;
using ctx_test::SettingOf;

const char* const kAlertModel = R"(*FileVersion: 3.62
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
*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne
*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: "COLOR"
*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: "GRAYSCALE"
*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR
*Judge 1=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Judge 2=PunchOn: VPD_IDC_FINISH_CHOICE_PUNCH == 1
*Judge 3=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1
*Action 1=Mono: { VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO }
*Transact 1=ToMono: { NULL Mono }
*AlertAction 1=Answers: { IDCANCELBUTTON ToMono }
*Alert 1=Warnings: { StapleOn VPD_StaplePunchOnMessage MB_ICONQUESTION MB_OKCANCEL AlertAtOnce Answers DuplexOn VPD_NupOnMessage MB_ICONQUESTION MB_OK AlertAtOnce Answers }
*Exclusive: {
  VPD_IDC_EDIT_CHOICE_DUPLEX NULL PunchOn NULL Warnings NULL NULL
}
)";

constexpr uint16_t kEditPage = 1003;
constexpr uint16_t kDuplexControl = 2086;  // a check box with a lock message
constexpr uint16_t kNameEdit = 2389;

class PageRefresh : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::ResetWindowManager();
    plat::ClearMessageBoxLog();
    UiPrepareDialogTables(ctx, nullptr);
    dialog = CtxFindDialog(ctx, kEditPage);
    ASSERT_NE(dialog, nullptr);
    page = CreateWindowExW(0, u"STATIC", u"page", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                           nullptr);
    // The page's controls: the duplex check box, then the name edit.
    duplex_box = Child(u"BUTTON", kDuplexControl, 100, 40);
    name_edit = Child(u"EDIT", kNameEdit, 100, 80);
    dialog->window = page;
    item = CtxFindControl(ctx, dialog, kDuplexControl);
    ASSERT_NE(item, nullptr);
    ASSERT_NE(UiItemModel(ctx, item), 0u);
  }
  void TearDown() override {
    ui::ResetWindowManager();
    plat::ClearMessageBoxLog();
  }
  HWND Child(const char16_t* cls, uint16_t id, int x, int y) {
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, 80, 24, page,
                           reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }
  HWND LockIcon() {
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if (GetWindowLongPtrW(c, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(item) && c != duplex_box) return c;
    return nullptr;
  }
  void Set(const char* feature, int32_t v) { OptSetValueById(ctx, SettingOf(feature), v); }
  int32_t Get(const char* feature) { return OptGetValueById(ctx, SettingOf(feature)); }
  // The duplex check box's option for "on".
  int32_t On() { return OptValueToOption(ctx, OptFindSetting(ctx, SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX")), 1); }

  ModelContext m{kAlertModel};
  DriverContext* ctx = m.ctx;
  DialogRecord* dialog = nullptr;
  DialogItemRecord* item = nullptr;
  HWND page = nullptr, duplex_box = nullptr, name_edit = nullptr;
};

TEST_F(PageRefresh, AlertButtonsAndAnswersKeepOrRestoreTheChange) {
  const int32_t mono = OptOptionToValue(ctx, OptFindSetting(ctx, SettingOf("VPD_IDC_PRESET_CHOICE_COLOR")),
                                        Option("IDS_MONO"));
  struct Case {
    const char* name;
    int32_t staple;
    int answer;
    int32_t refused, duplex_after;
    bool mono_after;  // the Cancel answer's actions ran
    UINT box;
  } cases[] = {
      {"OK to OK/Cancel keeps the change", 1, IDOK, 0, 1, false, MB_ICONQUESTION | MB_OKCANCEL},
      {"Cancel to OK/Cancel restores it", 1, IDCANCEL, 1, 0, true, MB_ICONQUESTION | MB_OKCANCEL},
      {"an information box always restores", 0, IDOK, 1, 0, false, MB_ICONQUESTION | MB_OK},
  };
  for (const Case& c : cases) {
    Set("VPD_IDC_EDIT_CHOICE_DUPLEX", 0);
    Set("VPD_IDC_FINISH_CHOICE_STAPLE", c.staple);
    Set("VPD_IDC_PRESET_CHOICE_COLOR", 0);
    plat::ClearMessageBoxLog();
    plat::ScriptMessageBoxAnswers({c.answer});
    EXPECT_EQ(UiSetControlValue(ctx, dialog, item, On()), c.refused) << c.name;
    EXPECT_EQ(Get("VPD_IDC_EDIT_CHOICE_DUPLEX"), c.duplex_after) << c.name;
    EXPECT_EQ(Get("VPD_IDC_PRESET_CHOICE_COLOR") == mono, c.mono_after) << c.name;
    auto log = plat::MessageBoxLog();
    ASSERT_EQ(log.size(), 1u) << c.name;
    EXPECT_EQ(log[0].type, c.box) << c.name;
  }
}

TEST_F(PageRefresh, TheCheckAtApplyLeavesTheSettingsAsTheyWere) {
  // The dialog's check at PSN_APPLY: no value stored, the alert evaluated
  // on a copy of the setting table and answered OK.
  Set("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
  Set("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
  OptFindSetting(ctx, setting::dmCopies)->dirty = 1;
  const std::vector<uint8_t> devmode(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
  std::vector<SettingRecord> rows(ctx->settings->rows, ctx->settings->rows + ctx->settings->count);
  SettingRecord* table = ctx->settings->rows;
  ctx->work->applying = 1;
  plat::ScriptMessageBoxAnswers({IDOK});
  EXPECT_EQ(UiApplyControlChange(ctx, dialog, item, 0, 0), 0);
  ctx->work->applying = 0;
  EXPECT_EQ(plat::MessageBoxLog().size(), 1u) << "the alert was asked";
  EXPECT_EQ(ctx->settings->rows, table);
  ASSERT_EQ(ctx->settings->count, int16_t(rows.size()));
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(ctx->settings->rows[i].dirty, rows[i].dirty) << rows[i].id;
    EXPECT_EQ(ctx->settings->rows[i].descriptor, rows[i].descriptor) << rows[i].id;
  }
  EXPECT_EQ(std::vector<uint8_t>(ctx->devmode, ctx->devmode + dm::kWorkBufferSize), devmode);
}

TEST_F(PageRefresh, TheItemUnderAPointOfThePage) {
  UiRefreshPage(ctx, dialog, 1);  // binds the windows
  DialogItemRecord* name = CtxFindControl(ctx, dialog, kNameEdit);
  struct Case {
    const char* name;
    POINT at;
    DialogItemRecord* item;
  } cases[] = {{"the check box", {110, 50}, item},   {"its top left", {100, 40}, item},
               {"just past it", {180, 40}, nullptr}, {"the edit", {120, 90}, name},
               {"nothing there", {5, 5}, nullptr}};
  for (const Case& c : cases) EXPECT_EQ(UiHitTestItem(ctx, dialog, c.at), c.item) << c.name;
  item->hidden = 1;
  EXPECT_EQ(UiHitTestItem(ctx, dialog, POINT{110, 50}), nullptr) << "a hidden control";
}

TEST_F(PageRefresh, AMessageWithoutARowShowsNoBoxAndRestores) {
  const MessageNameTable empty{0, nullptr};
  const MessageNameTable* kept = ctx->messages;
  ctx->messages = &empty;
  Set("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
  EXPECT_EQ(UiSetControlValue(ctx, dialog, item, On()), 1);
  EXPECT_EQ(Get("VPD_IDC_EDIT_CHOICE_DUPLEX"), 0);
  EXPECT_TRUE(plat::MessageBoxLog().empty());
  ctx->messages = kept;
}

TEST_F(PageRefresh, ARefusalFocusesTheDialogsEdit) {
  // The user-quality dialog's name edit takes the focus after a refusal.
  DialogRecord* quality = CtxFindDialog(ctx, 1021);
  ASSERT_NE(quality, nullptr);
  HWND edit = CreateWindowExW(0, u"EDIT", u"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, page,
                              reinterpret_cast<HMENU>(uintptr_t(2281)), nullptr, nullptr);
  quality->window = page;
  dialog->window = nullptr;
  SetFocus(duplex_box);
  Set("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
  plat::ScriptMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(UiSetControlValue(ctx, quality, item, On()), 1);
  EXPECT_EQ(GetFocus(), edit);
}

TEST_F(PageRefresh, ANumericEditDefersItsAlertToThePage) {
  item->kind = 63;
  Set("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
  EXPECT_EQ(UiSetControlValue(ctx, dialog, item, On()), 0);  // counts as OK
  EXPECT_EQ(Get("VPD_IDC_EDIT_CHOICE_DUPLEX"), 1);
  EXPECT_TRUE(plat::MessageBoxLog().empty());
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, page, kPageMsgDeferredAlert, kPageMsgDeferredAlert, PM_REMOVE));
  EXPECT_EQ(msg.wParam, kDuplexControl);
  // The posted entry is the alert the box shows.
  plat::ScriptMessageBoxAnswers({IDOK});
  UiShowAlert(ctx, uint32_t(msg.lParam), page);
  auto log = plat::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].type, MB_ICONQUESTION | MB_OKCANCEL);
}

TEST_F(PageRefresh, FitToPaperTakesTheSmallerRatio) {
  struct Case {
    const char* name;
    int32_t src_w, src_l, dst_w, dst_l;
    int32_t zoom;
  } cases[] = {
      {"50% x 70%", 1000, 1000, 500, 700, 50},
      {"70% x 50%", 1000, 1000, 700, 500, 50},
      {"a source of no width divides nothing", 0, 1000, 500, 700, 77},
      {"a source of no length divides nothing", 1000, 0, 500, 700, 77},
  };
  for (const Case& c : cases) {
    OptSetValueById(ctx, setting::vdmFuncSelectScale, 1);
    OptSetValueById(ctx, setting::vdmScaleType, 2);
    OptSetValueById(ctx, setting::vdmScaleH, 77);
    OptSetValueById(ctx, setting::vdmScaleV, 77);
    // The re-orientation of the papers finds no paper in this model and
    // leaves the sizes as set here.
    UiApplyPaperChange(ctx, 0);
    OptSetValueById(ctx, setting::vdmSrcPaperWidthDot, c.src_w);
    OptSetValueById(ctx, setting::vdmSrcPaperLengthDot, c.src_l);
    OptSetValueById(ctx, setting::vdmDstPaperWidthDot, c.dst_w);
    OptSetValueById(ctx, setting::vdmDstPaperLengthDot, c.dst_l);
    UiApplyPaperChange(ctx, 1);
    ASSERT_EQ(OptGetValueById(ctx, setting::vdmSrcPaperWidthDot), c.src_w) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, setting::vdmScaleH), c.zoom) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, setting::vdmScaleV), c.zoom) << c.name;
  }
}

TEST_F(PageRefresh, DisabledControlsGetALockIconUnlessAdministeredDefaultsAreEdited) {
  SetFocus(duplex_box);
  Set("VPD_IDC_FINISH_CHOICE_PUNCH", 1);
  UiRefreshPage(ctx, dialog, 1);
  EXPECT_FALSE(IsWindowEnabled(duplex_box));
  EXPECT_EQ(item->disabled, 1u);
  HWND icon = LockIcon();
  ASSERT_NE(icon, nullptr);
  RECT box{}, lock{};
  GetWindowRect(duplex_box, &box);
  GetWindowRect(icon, &lock);
  EXPECT_EQ(lock.right - lock.left, 20);
  EXPECT_EQ(lock.left, box.left - 20);
  EXPECT_EQ(DWORD(GetWindowLongW(icon, GWL_STYLE)), 0x5081000Eu);
  // The focus left the control that became disabled for the next one.
  EXPECT_EQ(GetFocus(), name_edit);

  Set("VPD_IDC_FINISH_CHOICE_PUNCH", 0);
  UiRefreshPage(ctx, dialog, 0);
  EXPECT_TRUE(IsWindowEnabled(duplex_box));
  EXPECT_EQ(LockIcon(), nullptr);

  // Editing the user defaults as a permitted administrator: no lock icons.
  OptSetValueById(ctx, setting::vdmOSKind, 1);
  OptSetValueById(ctx, setting::vdmNoPermission, 1);
  OptSetValueById(ctx, setting::vdmCallSrc, 1);
  Set("VPD_IDC_FINISH_CHOICE_PUNCH", 1);
  UiRefreshPage(ctx, dialog, 0);
  EXPECT_FALSE(IsWindowEnabled(duplex_box));
  EXPECT_EQ(LockIcon(), nullptr);
  EXPECT_EQ(item->messageId, 0);
}

TEST_F(PageRefresh, ARefreshInsideARefreshOrOfAPageNotLaidOutDoesNothing) {
  Set("VPD_IDC_FINISH_CHOICE_PUNCH", 1);
  ctx->work->refreshRunning = 1;
  UiRefreshPage(ctx, dialog, 1);
  EXPECT_TRUE(IsWindowEnabled(duplex_box));
  EXPECT_EQ(ctx->work->refreshRunning, 1);
  ctx->work->refreshRunning = 0;
  EnableWindow(page, FALSE);
  UiRefreshPage(ctx, dialog, 1);
  EXPECT_TRUE(IsWindowEnabled(duplex_box));
  EnableWindow(page, TRUE);
  UiRefreshPage(ctx, dialog, 0);
  EXPECT_FALSE(IsWindowEnabled(duplex_box));
  EXPECT_EQ(ctx->work->refreshRunning, 0);
  EXPECT_EQ(UiAnySettingDirty(ctx), 0);  // every refresh ends with all clean
}

TEST_F(PageRefresh, AnyChangedSettingButFourDetachesThePreset) {
  struct Case {
    const char* name;
    uint32_t changed;
    bool detached;
  } cases[] = {
      {"the copies count", setting::dmCopies, true},
      {"the punch", uint32_t(SettingOf("VPD_IDC_FINISH_CHOICE_PUNCH")), true},
      {"the preset name", setting::wdmPresetName, false},
      {"the UI-mode flag", setting::vdmUIModeChange, false},
      {"the log code", setting::vdmLogCode, false},
  };
  for (const Case& c : cases) {
    OptSetOptionById(ctx, setting::vdmPresetNo, 120);
    UiClearSettingDirty(ctx);
    OptFindSetting(ctx, c.changed)->dirty = 1;
    UiRefreshPage(ctx, dialog, 0);
    EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), c.detached ? 118 : 120) << c.name;
  }
  // In the UI-mode change the preset stays.
  OptSetOptionById(ctx, setting::vdmPresetNo, 120);
  OptSetValueById(ctx, setting::vdmPresentUIMode, 1);
  UiClearSettingDirty(ctx);
  OptFindSetting(ctx, setting::dmCopies)->dirty = 1;
  UiRefreshPage(ctx, dialog, 0);
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), 120);
}

}  // namespace
