// The stamp list of the edit page and the stamp dialogs: the combo's names
// by kind, choosing, making, editing and deleting stamps (the five built-in
// ones stay), and the font of a text stamp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_page.h"
#include "ctx_test_machine.h"
#include "ui/gdi.h"
#include "ui2k/dialog_handlers.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"

namespace {

using namespace ctl_test;
using Texts = std::vector<std::string>;
using Calls_ = std::vector<std::string>;

constexpr uint16_t kEditPage = 1003, kTextDialog = 1022;
constexpr uint16_t kCheck = 2088, kCombo = 2089, kEdit = 2090, kNewText = 2091, kNewImage = 2092;
constexpr uint16_t kDelete = 2406, kOverlay = 2407, kFontCombo = 2314, kTextDefault = 2330;
constexpr uint16_t kTextName = 2310, kImageName = 2339;
const CtlDispatchTables kTables{&CtlGetKindTable(), &DlgStampHandler};

// What the stamp dialog opened over the page saw and does: the dialog, the
// pending marks it started with, its title, and the name it leaves.
struct SubDialog {
  std::vector<uint16_t> opened;
  std::vector<uint32_t> marks;
  std::string title;
  INT_PTR answer = IDOK;
  std::u16string name = u"DRAFT";
  PageTools* page = nullptr;
};
SubDialog g_sub;

INT_PTR RunStampDialog(DriverContext* ctx, int32_t, uint16_t dialog_id, HWND) {
  g_sub.opened.push_back(dialog_id);
  g_sub.marks.push_back(CtxGetChangeMask(ctx) & 0x2200FFFFu);
  DmPushSettings(ctx);
  DialogRecord* dialog = CtxFindDialog(ctx, dialog_id);
  if (dialog && !dialog->window)
    dialog->window = CreateWindowExW(0, u"#32770", u"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  DlgStampHandler(ctx, dialog, nullptr, WM_INITDIALOG, 0, 0);
  char16_t title[64] = {};
  if (dialog && dialog->window) GetWindowTextW(dialog->window, title, 64);
  g_sub.title = plat::ToUtf8(title);
  const uint16_t name_edit = dialog_id == kTextDialog ? kTextName : kImageName;
  OptSetControlText(ctx, name_edit, g_sub.name.c_str());
  DmPopSettings(ctx, g_sub.answer == IDOK ? 0 : 1);
  return g_sub.answer;
}

class StampPage : public ctx_test::ModelMachine, public PageTools {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    ASSERT_EQ(PathCreateDataDir(), 1);
    context_ = OpenKind(0);
    ASSERT_NE(context_, nullptr);
    StartPage(context_);
    Names({{10041, u"built in"}, {10063, u"delete stamp?"}, {10029, u"delete stamp or overlay?"},
           {4749, u"Edit text stamp"}, {4750, u"Edit image stamp"}});
    g_sub = SubDialog{};
    UiSetSubDialogRunner(&RunStampDialog);
  }
  void TearDown() override {
    UiSetSubDialogRunner(nullptr);
    ui::ClearTestFontFamilies();
    EndPage();
    CtxCloseAs(context_, kCloseDestroy);
    ModelMachine::TearDown();
  }

  // Stamps saved in the driver ini: a kind and a name each.
  void SaveStamps(const std::vector<std::pair<int32_t, std::u16string>>& stamps) {
    for (size_t n = 0; n < stamps.size(); ++n) {
      OptSetValueById(ctx, setting::vdmWmKind, stamps[n].first);
      OptSetControlText(ctx, kTextName, stamps[n].first == 1 ? stamps[n].second.c_str() : u"");
      OptSetControlText(ctx, kImageName, stamps[n].first != 1 ? stamps[n].second.c_str() : u"");
      ASSERT_EQ(StampSave(ctx, int32_t(n)), 1);
    }
  }
  void SaveSix() {
    SaveStamps({{1, u"Secret"}, {1, u"Copy"}, {2, u"Logo"}, {3, u"Form"}, {9, u"Broken"}, {1, u"Mine"}});
  }
  // The edit page's combo (filled as the page starts) and its buttons.
  void OpenPage(bool overlay_shown = false) {
    DialogRecord* d = Dialog(kEditPage);
    combo_ = Make(kEditPage, kCombo, u"COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS);
    check_ = Make(kEditPage, kCheck, u"BUTTON", BS_AUTOCHECKBOX);
    for (uint16_t id : {kEdit, kNewText, kNewImage, kDelete}) Make(kEditPage, id, u"BUTTON", 0);
    DialogItemRecord* overlay = Make(kEditPage, kOverlay, u"BUTTON", 0);
    if (!overlay_shown) ShowWindow(overlay->window, SW_HIDE);
    (void)d;
  }
  DialogItemRecord* Make(uint16_t dialog_id, uint16_t id, const char16_t* cls, DWORD style) {
    DialogRecord* d = Dialog(dialog_id);
    DialogItemRecord* item = CtxFindControl(ctx, d, id);
    item->window = CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 10, 10, 200, 100, d->window,
                                   reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
    Bind(item, item->symbol);
    CtlDispatchInitWith(kTables, ctx, d, item);
    return item;
  }
  Texts Listed() {
    Texts out;
    for (LRESULT i = 0, n = SendMessageW(combo_->window, CB_GETCOUNT, 0, 0); i < n; ++i) {
      char16_t text[128] = {};
      SendMessageW(combo_->window, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      out.push_back(plat::ToUtf8(text));
    }
    return out;
  }
  std::vector<LRESULT> Data() { return PageTools::Entries(combo_->window, true); }
  LRESULT Press(uint16_t id) {
    DialogRecord* d = Dialog(kEditPage);
    return CtlHandleCommandWith(kTables, ctx, d, CtxFindControl(ctx, d, id), MAKEWPARAM(id, BN_CLICKED), 0);
  }
  LRESULT Pick(LRESULT index) {
    SendMessageW(combo_->window, CB_SETCURSEL, WPARAM(index), 0);
    return CtlHandleCommandWith(kTables, ctx, Dialog(kEditPage), combo_, MAKEWPARAM(kCombo, CBN_SELCHANGE),
                                reinterpret_cast<LPARAM>(combo_->window));
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& b : plat::MessageBoxLog()) out.push_back(plat::ToUtf8(b.text));
    plat::ClearMessageBoxLog();
    return out;
  }
  int32_t Id() { return OptGetValueById(ctx, setting::vdmWmID); }
  int32_t StampsOn() { return OptGetValueById(ctx, setting::vdmFuncSelectWaterMark); }
  std::string FontName() {
    char16_t text[64] = {};
    OptGetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), text);
    return plat::ToUtf8(text);
  }

  DriverContext* context_ = nullptr;
  DialogItemRecord* combo_ = nullptr;
  DialogItemRecord* check_ = nullptr;
};

// Names by kind, "read error" for any other kind; the current stamp chosen;
// the settings as they were before the list was read.
TEST_F(StampPage, TheComboListsEachStampByItsKind) {
  SaveSix();
  StampSelect(ctx, 2);
  OpenPage();
  EXPECT_EQ(Listed(), (Texts{"Secret", "Copy", "Logo", "Form", "read error", "Mine"}));
  EXPECT_EQ(Data(), (std::vector<LRESULT>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(Selected(combo_->window, true), 2);
  EXPECT_EQ(Id(), 2) << "restored after the list was read";
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmWmKind), 2);

  EXPECT_EQ(Pick(3), 1);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmWmKind), 3) << "the chosen stamp is loaded";
  EXPECT_EQ(CtlDispatchInitWith(kTables, ctx, Dialog(kEditPage), combo_), 0);
  EXPECT_EQ(Listed().size(), 6u) << "a filled combo is not filled again";
}

TEST_F(StampPage, TickingStampsLoadsTheChosenStamp) {
  SaveSix();
  OpenPage();
  Pick(5);
  StampSelect(ctx, 0);
  SendMessageW(check_->window, BM_SETCHECK, BST_CHECKED, 0);
  Calls();
  EXPECT_EQ(Press(kCheck), 1);
  EXPECT_EQ(Calls(), (Calls_{"set 2088=1"}));
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(Press(kCheck), 0) << "box and option agree: nothing to do";
}

// The five built-in stamps stay; deleting the last stamp chooses stamp 0
// and switches stamps off; the entries are renumbered; Cancel keeps all.
TEST_F(StampPage, DeletingStamps) {
  SaveSix();
  SaveStamps({{1, u"Secret"}, {1, u"Copy"}, {2, u"Logo"}, {3, u"Form"}, {9, u"Broken"}, {1, u"Mine"}, {2, u"Last"}});
  OpenPage();
  for (LRESULT n = 0; n < 5; ++n) {
    Pick(n);
    EXPECT_EQ(Press(kDelete), 1);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"built in"})) << n;
  }
  EXPECT_EQ(StampGetCount(ctx), 7);

  Pick(5);
  plat::ScriptMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(Press(kDelete), 1);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"delete stamp?"})) << "the overlay button is hidden";
  EXPECT_EQ(StampGetCount(ctx), 7) << "cancelled";

  OptSetValueById(ctx, setting::vdmFuncSelectWaterMark, 1);
  plat::ScriptMessageBoxAnswers({IDOK});
  EXPECT_EQ(Press(kDelete), 1);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"delete stamp?"}));
  EXPECT_EQ(Listed(), (Texts{"Secret", "Copy", "Logo", "Form", "read error", "Last"}));
  EXPECT_EQ(Data(), (std::vector<LRESULT>{0, 1, 2, 3, 4, 5})) << "renumbered";
  EXPECT_EQ(StampGetCount(ctx), 6);
  EXPECT_EQ(Selected(combo_->window, true), 5) << "the stamp that took its place";
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(StampsOn(), 0);

  Pick(5);
  ShowWindow(CtxFindControl(ctx, Dialog(kEditPage), kOverlay)->window, SW_SHOW);
  OptSetValueById(ctx, setting::vdmFuncSelectWaterMark, 1);
  plat::ScriptMessageBoxAnswers({IDOK});
  EXPECT_EQ(Press(kDelete), 1);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"delete stamp or overlay?"})) << "the overlay button is shown";
  EXPECT_EQ(Listed().size(), 5u);
  EXPECT_EQ(Selected(combo_->window, true), 0) << "the last stamp deleted: stamp 0";
  EXPECT_EQ(Id(), 0);
  EXPECT_EQ(StampsOn(), 0);
}

// A new stamp: its dialog starts from its defaults; OK appends and saves it
// under the name given, Cancel adds nothing. Editing: the dialog's title,
// the new name in place, the stamp saved over.
TEST_F(StampPage, MakingAndEditingStamps) {
  SaveSix();
  OpenPage();
  Pick(1);
  g_sub.answer = IDCANCEL;
  Calls();
  EXPECT_EQ(Press(kNewText), 1);
  EXPECT_EQ(g_sub.opened, (std::vector<uint16_t>{kTextDialog}));
  EXPECT_EQ(g_sub.marks, (std::vector<uint32_t>{0x20000000u | kTextDefault}));
  EXPECT_EQ(Calls(), (Calls_{"transact 2330"})) << "the default button's actions";
  EXPECT_EQ(Listed().size(), 6u) << "Cancel adds nothing";
  EXPECT_EQ(StampGetCount(ctx), 6);
  EXPECT_EQ(CtxGetChangeMask(ctx) & 0x20000000u, 0u);

  g_sub = SubDialog{};
  g_sub.name = u"DRAFT";
  OptSetValueById(ctx, setting::vdmWmAngle, 45);
  EXPECT_EQ(Press(kNewText), 1);
  EXPECT_EQ(Listed(), (Texts{"Secret", "Copy", "Logo", "Form", "read error", "Mine", "DRAFT"}));
  EXPECT_EQ(Data(), (std::vector<LRESULT>{0, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Selected(combo_->window, true), 6);
  EXPECT_EQ(StampGetCount(ctx), 7);
  EXPECT_EQ(Id(), 6);
  StampSelect(ctx, 6);
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmWmKind), 1);
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmWmAngle), 45);

  g_sub = SubDialog{};
  g_sub.name = u"Logo 2";
  Pick(2);
  EXPECT_EQ(Press(kEdit), 1);
  EXPECT_EQ(g_sub.opened, (std::vector<uint16_t>{1023}));
  EXPECT_EQ(g_sub.marks, (std::vector<uint32_t>{0x2000000u | 4750}));
  EXPECT_EQ(g_sub.title, "Edit image stamp");
  EXPECT_EQ(Listed()[2], "Logo 2");
  g_sub.answer = IDCANCEL;
  g_sub.name = u"Not kept";
  EXPECT_EQ(Press(kEdit), 1);
  EXPECT_EQ(Listed()[2], "Logo 2") << "a cancelled edit keeps the name";
  StampSelect(ctx, 2);
  char16_t name[64] = {};
  OptGetControlText(ctx, kImageName, name);
  EXPECT_EQ(plat::ToUtf8(name), "Logo 2");
}

// At 32 stamps the list takes no more, even when the dialog ends with OK.
TEST_F(StampPage, AFullListTakesNoNewStamp) {
  std::vector<std::pair<int32_t, std::u16string>> many;
  for (int i = 0; i < kStampListCapacity; ++i) many.push_back({1, u"S" + plat::FromUtf8(std::to_string(i))});
  SaveStamps(many);
  OpenPage();
  Pick(7);
  EXPECT_EQ(Press(kNewText), 1);
  EXPECT_EQ(Listed().size(), 32u);
  EXPECT_EQ(StampGetCount(ctx), 32);
  EXPECT_EQ(Selected(combo_->window, true), 7);
}

// The text stamp's font: the stored face when installed, else the default
// stamp font, else the first face; the choice is stored.
TEST_F(StampPage, TheFontOfATextStampFallsBack) {
  auto family = [](const char16_t* face, DWORD type = TRUETYPE_FONTTYPE) {
    plat::FontFamily f;
    f.face = face;
    f.type = type;
    return f;
  };
  struct Case {
    std::vector<plat::FontFamily> families;
    const char16_t* stored;
    std::string chosen;
  } cases[] = {
      {{family(u"Arial"), family(u"Century")}, u"Century", "Century"},
      {{family(u"Arial"), family(u"Century")}, u"Gone Face", "Arial"},
      {{family(u"Bodoni"), family(u"Century"), family(u"Arial", RASTER_FONTTYPE)}, u"Gone Face", "Bodoni"},
  };
  for (const Case& c : cases) {
    ui::SetTestFontFamilies(c.families);
    OptSetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), c.stored);
    DialogItemRecord* fonts = Make(kTextDialog, kFontCombo, u"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS);
    EXPECT_EQ(FontName(), c.chosen) << plat::ToUtf8(c.stored);
    char16_t text[64] = {};
    LRESULT sel = Selected(fonts->window, true);
    SendMessageW(fonts->window, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(plat::ToUtf8(text), c.chosen);
    DestroyWindow(fonts->window);
    fonts->window = nullptr;
  }
  // The default button: the feature's defaults, then the default font.
  ui::SetTestFontFamilies({family(u"Arial"), family(u"Century")});
  DialogItemRecord* fonts = Make(kTextDialog, kFontCombo, u"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  SendMessageW(fonts->window, CB_SETCURSEL, 1, 0);
  DialogRecord* d = Dialog(kTextDialog);
  EXPECT_EQ(CtlHandleCommandWith(kTables, ctx, d, fonts, MAKEWPARAM(kFontCombo, CBN_SELCHANGE), 0), 1);
  EXPECT_EQ(FontName(), "Century");
  Make(kTextDialog, kTextDefault, u"BUTTON", 0);
  EXPECT_EQ(CtlHandleCommandWith(kTables, ctx, d, CtxFindControl(ctx, d, kTextDefault),
                                 MAKEWPARAM(kTextDefault, BN_CLICKED), 0),
            1);
  EXPECT_EQ(FontName(), "Arial");
  EXPECT_EQ(Selected(fonts->window, true), 0);
}

}  // namespace
