// The kinds that show or pick one value (static texts, pictures, push
// buttons, check boxes, radio lists) and those that show a feature's options
// as a list (list and combo boxes, owner-drawn lists, check lists) with the
// picture compositor, on the presets page of a small model.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "ui2k/dialog_adjust.h"
#include "velm/devmode.h"

namespace {

using namespace ctl_test;
using Seen = std::vector<std::string>;

constexpr DWORD kCombo = CBS_DROPDOWNLIST | CBS_HASSTRINGS;
constexpr DWORD kList = LBS_NOTIFY | LBS_HASSTRINGS;
constexpr uint16_t kRadioSymbol = 347;  // VPD_RADIOLIST_1
constexpr uint16_t kDuplexSymbol = 445;

std::u16string TextOf(HWND window) {
  char16_t buf[600] = {};
  GetWindowTextW(window, buf, 600);
  return buf;
}

// ---- static texts and pictures ------------------------------------------------------------

TEST_F(Page, TextShowsTheLastVisibleOptionFormattedWithTheCurrentId) {
  DialogItemRecord* text = Control(1001, 2028, u"STATIC", 0);
  Bind(text, kRadioSymbol);
  OptSetControlOption(ctx, text, kPortrait);
  struct Case {
    const char* name;
    std::u16string portrait, landscape;
    int32_t duplex;  // hides landscape
    std::u16string shown;
  } cases[] = {
      {"the last option decides", u"Upright %d", u"Lying %d", 0, u"Lying 2026"},
      {"a hidden option is passed over", u"Upright %d", u"Lying %d", 1, u"Upright 2026"},
      {"an empty name is passed over", u"Upright %d", u"", 0, u"Upright 2026"},
      {"a hostile format prints as text", u"x", u"%s%n%p%S %d%%", 0, u"%s%n%p%S 2026%"},
      {"a format without conversions", u"x", u"Lying", 0, u"Lying"},
  };
  for (const Case& c : cases) {
    SetWindowTextW(text->window, u"before");
    Names({{kPortrait, c.portrait}, {kLandscape, c.landscape}});
    Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", c.duplex);
    CtlDispatchRefresh(ctx, Dialog(1001), text);
    EXPECT_EQ(TextOf(text->window), c.shown) << c.name;
  }
  // Without a feature the text stays.
  UiBindItemModel(ctx, text, 0);
  SetWindowTextW(text->window, u"kept");
  CtlDispatchRefresh(ctx, Dialog(1001), text);
  EXPECT_EQ(TextOf(text->window), u"kept");
}

TEST_F(Page, PictureClicksCycleThroughTheVisibleOptionsAndWrap) {
  DialogItemRecord* picture = Control(1001, 2015, u"STATIC", SS_BITMAP);
  Bind(picture, kRadioSymbol);
  DialogRecord* d = Dialog(1001);
  OptSetControlOption(ctx, picture, kPortrait);
  EXPECT_EQ(CtlPictureClick(ctx, d, picture, 0, 0, 0), 1);
  EXPECT_EQ(Option(picture), kLandscape);
  EXPECT_EQ(CtlPictureClick(ctx, d, picture, 0, 0, 0), 1);
  EXPECT_EQ(Option(picture), kPortrait) << "wraps to the first";
  // The only visible option is set again.
  Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
  EXPECT_EQ(CtlPictureClick(ctx, d, picture, 0, 0, 0), 1);
  EXPECT_EQ(Option(picture), kPortrait);
  // A value that is no option of the feature: nothing.
  OptSetValue(ctx, picture->setting, 77);
  const int32_t before = OptGetValue(ctx, picture->setting);
  EXPECT_EQ(CtlPictureClick(ctx, d, picture, 0, 0, 0), 0);
  EXPECT_EQ(OptGetValue(ctx, picture->setting), before);
  UiBindItemModel(ctx, picture, 0);
  EXPECT_EQ(CtlPictureClick(ctx, d, picture, 0, 0, 0), 0);
  EXPECT_TRUE(Calls().empty()) << "a picture click stores directly, without the change path";
}

TEST_F(Page, IconsOfAPickOneFeatureShowTheCurrentOptionOrTheFirstVisible) {
  DialogItemRecord* icon = Control(1001, 2015, u"STATIC", SS_ICON);
  Bind(icon, kRadioSymbol);
  OptSetControlOption(ctx, icon, kLandscape);
  Calls();
  CtlIconRefresh(ctx, Dialog(1001), icon);
  EXPECT_EQ(Calls(), (Seen{"icon 2027"}));
  icon->linkedControl = 2026;
  CtlIconRefresh(ctx, Dialog(1001), icon);
  EXPECT_EQ(Calls(), (Seen{"icon 2026"})) << "with a linked control: the first visible option, then stop";
}

// ---- push buttons --------------------------------------------------------------------------

TEST_F(Page, AButtonRunsItsAlertThenItsActionsUnlessTheAnswerStopsIt) {
  DialogItemRecord* button = Control(1001, 2033, u"BUTTON", BS_OWNERDRAW);
  DialogRecord* d = Dialog(1001);
  struct Case {
    const char* name;
    bool feature;
    int32_t answer;
    Seen calls;
  } cases[] = {
      {"no alert: the actions run", true, 0, {"alert 2033", "transact 2033"}},
      {"a non-zero answer stops", true, IDCANCEL, {"alert 2033"}},
      {"any non-zero answer stops", true, IDOK, {"alert 2033"}},
      {"without a feature nothing runs", false, 0, {}},
  };
  for (const Case& c : cases) {
    Bind(button, c.feature ? kDuplexSymbol : 0);
    g_rec.alertAnswer = c.answer;
    Calls();
    EXPECT_EQ(CtlDispatchCommand(ctx, d, button, MAKEWPARAM(2033, BN_CLICKED), 0), 1) << c.name;
    EXPECT_EQ(Calls(), c.calls) << c.name;
  }
}

TEST_F(Page, AButtonTakesItsCaptionFromTheCaptionTableAndMeasuresItsClientArea) {
  Names({{13188, u"Maintain..."}});
  DialogItemRecord* button = Control(1001, 2002, u"BUTTON", BS_OWNERDRAW, {0, 0, 80, 24});
  EXPECT_EQ(TextOf(button->window), u"Maintain...");
  DialogItemRecord* other = Control(1001, 2033, u"BUTTON", BS_OWNERDRAW);
  EXPECT_EQ(TextOf(other->window), u"") << "no entry: the text stays";
  MEASUREITEMSTRUCT measure{};
  EXPECT_EQ(CtlButtonMessage(ctx, Dialog(1001), button, WM_MEASUREITEM, 0, reinterpret_cast<intptr_t>(&measure)), 1);
  EXPECT_EQ(measure.itemWidth, 80u);
  EXPECT_EQ(measure.itemHeight, 24u);
  // The face, then the icons of the visible options.
  Bind(button, kRadioSymbol);
  Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
  DRAWITEMSTRUCT draw{};
  draw.itemAction = ODA_DRAWENTIRE;
  draw.rcItem = {0, 0, 80, 24};
  Calls();
  EXPECT_EQ(CtlButtonMessage(ctx, Dialog(1001), button, WM_DRAWITEM, 0, reinterpret_cast<intptr_t>(&draw)), 1);
  EXPECT_EQ(Calls(), (Seen{"face", "icon 2026"}));
}

// ---- check boxes and radio lists -------------------------------------------------------------

TEST_F(Page, ACheckBoxFollowsOnlyThePlainValuesZeroAndOne) {
  DialogItemRecord* box = Control(1002, 2069, u"BUTTON", BS_AUTOCHECKBOX);
  box->setting = OptFindSetting(ctx, setting::dmCopies);  // holds more than 0 and 1
  DialogRecord* d = Dialog(1002);
  struct Case {
    int32_t value;
    UINT box;
    LRESULT acted;
    int32_t after;
  } cases[] = {
      {1, BST_UNCHECKED, 1, 0}, {0, BST_CHECKED, 1, 1},   {1, BST_CHECKED, 0, 1},
      {0, BST_UNCHECKED, 0, 0}, {2, BST_UNCHECKED, 0, 2}, {2, BST_CHECKED, 0, 2},
  };
  for (const Case& c : cases) {
    OptSetValue(ctx, box->setting, c.value);
    SendMessageW(box->window, BM_SETCHECK, c.box, 0);
    EXPECT_EQ(CtlCheckCommand(ctx, d, box, 0, 0, 0), c.acted) << c.value << "/" << c.box;
    EXPECT_EQ(OptGetValue(ctx, box->setting), c.after) << c.value << "/" << c.box;
  }
  OptSetValue(ctx, box->setting, 1);
  CtlCheckRefresh(ctx, d, box);
  EXPECT_EQ(SendMessageW(box->window, BM_GETCHECK, 0, 0), BST_CHECKED);
  OptSetValue(ctx, box->setting, 0);
  CtlCheckRefresh(ctx, d, box);
  EXPECT_EQ(SendMessageW(box->window, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // A click on a linked picture turns it over.
  Calls();
  EXPECT_EQ(CtlCheckClick(ctx, d, box, 0, 0, 0), 1);
  EXPECT_EQ(Calls(), (Seen{"set 2069=1"}));
}

TEST_F(Page, RadioButtonsOfOneListOnTwoPagesShareTheirSetting) {
  DialogItemRecord* up1 = Control(1001, kPortrait, u"BUTTON", BS_AUTORADIOBUTTON);
  DialogItemRecord* lying1 = Control(1001, kLandscape, u"BUTTON", BS_AUTORADIOBUTTON);
  DialogItemRecord* up2 = Control(1002, kPortrait, u"BUTTON", BS_AUTORADIOBUTTON);
  DialogItemRecord* lying2 = Control(1002, kLandscape, u"BUTTON", BS_AUTORADIOBUTTON);
  ASSERT_TRUE(up1 && lying1 && up2 && lying2);
  ASSERT_EQ(up1->setting, up2->setting) << "VPD_RADIOLIST_1 and _2 name one setting";
  OptSetControlOption(ctx, up1, kPortrait);
  // Landscape chosen on the basic page shows on the presets page too.
  SendMessageW(lying2->window, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(CtlRadioCommand(ctx, Dialog(1002), lying2, 0, 0, 0), 1);
  EXPECT_EQ(Calls(), (Seen{"set 2027=2027"}));
  for (DialogItemRecord* item : {up1, lying1}) CtlRadioRefresh(ctx, Dialog(1001), item);
  EXPECT_EQ(SendMessageW(up1->window, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(lying1->window, BM_GETCHECK, 0, 0), BST_CHECKED);
  // A checked button that is the current option changes nothing.
  EXPECT_EQ(CtlRadioCommand(ctx, Dialog(1001), lying1, 0, 0, 0), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(CtlRadioClick(ctx, Dialog(1001), up1, 0, 0, 0), 1);
  EXPECT_EQ(Option(up2), kPortrait);
}

// ---- lists and combo boxes -------------------------------------------------------------------

class Lists : public Page {
 protected:
  // The source-tray choice as a combo (kind 48, its own) or a list box (42).
  DialogItemRecord* Trays(bool combo) {
    CtxFindControl(ctx, Dialog(1001), 2007)->kind = combo ? 48 : 42;
    return Control(1001, 2007, combo ? u"COMBOBOX" : u"LISTBOX", combo ? kCombo : kList);
  }
  // The person picks the entry of an option.
  LRESULT Pick(DialogItemRecord* item, bool combo, uint16_t option) {
    std::vector<LRESULT> data = Entries(item->window, combo);
    for (size_t i = 0; i < data.size(); ++i)
      if (data[i] == option) SendMessageW(item->window, combo ? CB_SETCURSEL : LB_SETCURSEL, i, 0);
    return CtlHandleCommand(ctx, Dialog(1001), item, MAKEWPARAM(2007, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(item->window));
  }
};

TEST_F(Lists, EntriesAreTheVisibleOptionsAndTheCurrentOneIsSelected) {
  for (bool combo : {true, false}) {
    Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
    DialogItemRecord* trays = Trays(combo);
    if (combo) trays->kind = 43;  // the plain combo box
    OptSetControlOption(ctx, trays, kManual);
    CtlDispatchInit(ctx, Dialog(1001), trays);
    CtlDispatchRefresh(ctx, Dialog(1001), trays);
    EXPECT_EQ(Entries(trays->window, combo), (std::vector<LRESULT>{kTray1, kManual})) << combo;
    EXPECT_EQ(Selected(trays->window, combo), 1) << combo;
    char16_t text[32] = {};
    SendMessageW(trays->window, combo ? CB_GETLBTEXT : LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(text), u"Bypass");
    // A value no entry carries (the hidden tray) shows no selection.
    OptSetControlOption(ctx, trays, kTray2);
    CtlDispatchRefresh(ctx, Dialog(1001), trays);
    EXPECT_EQ(Selected(trays->window, combo), -1) << combo;
    DestroyWindow(trays->window);
    trays->previousWndProc = nullptr;
  }
}

TEST_F(Lists, AnIconComboFollowsTheSettingOnlyWhenItIsDirty) {
  DialogItemRecord* trays = Trays(true);
  OptSetControlOption(ctx, trays, kTray1);
  CtlComboRefresh(ctx, Dialog(1001), trays);
  ASSERT_EQ(Selected(trays->window, true), 0);
  OptSetControlOption(ctx, trays, kManual);
  trays->setting->dirty = 0;
  CtlIconComboRefresh(ctx, Dialog(1001), trays);
  EXPECT_EQ(Selected(trays->window, true), 0);
  trays->setting->dirty = 1;
  CtlIconComboRefresh(ctx, Dialog(1001), trays);
  EXPECT_EQ(Selected(trays->window, true), 2);
  Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
  CtlComboInit(ctx, Dialog(1001), trays);
  OptSetControlOption(ctx, trays, kTray2);
  trays->setting->dirty = 1;
  CtlIconComboRefresh(ctx, Dialog(1001), trays);
  EXPECT_EQ(Selected(trays->window, true), 1) << "no match leaves the selection";
}

TEST_F(Lists, ARefusedOptionIsSelectedAgainWithTheModelsMessage) {
  Names({{10061, u"The bypass tray cannot be used with stapling."}});
  for (bool combo : {true, false}) {
    DialogItemRecord* trays = Trays(combo);
    trays->messageId = 10061;
    OptSetControlOption(ctx, trays, kTray1);
    CtlDispatchRefresh(ctx, Dialog(1001), trays);
    Switch("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
    plat::ClearMessageBoxLog();
    Calls();
    EXPECT_EQ(Pick(trays, combo, kManual), 1) << combo;
    std::vector<plat::MessageBoxRecord> boxes = plat::MessageBoxLog();
    ASSERT_EQ(boxes.size(), 1u) << combo;
    EXPECT_EQ(boxes[0].caption, u"Information");
    EXPECT_EQ(boxes[0].text, u"The bypass tray cannot be used with stapling.");
    EXPECT_EQ(boxes[0].type & 0xF0, MB_ICONINFORMATION);
    EXPECT_EQ(DataAt(trays->window, Selected(trays->window, combo), combo), kTray1) << combo;
    EXPECT_EQ(Option(trays), kTray1);
    EXPECT_EQ(Calls(), Seen{}) << "no change was applied";
    // Without the refuse flag's message the option is applied.
    trays->messageId = 0;
    EXPECT_EQ(Pick(trays, combo, kManual), 1);
    EXPECT_EQ(Calls(), (Seen{"set 2007=4"}));
    Switch("VPD_IDC_FINISH_CHOICE_STAPLE", 0);
    DestroyWindow(trays->window);
    trays->previousWndProc = nullptr;
  }
}

TEST_F(Lists, TheSameOptionAgainRechecksInAComboAndDoesNothingInAList) {
  struct Case {
    bool combo;
    uint16_t option;
    LRESULT acted;
    Seen calls;
  } cases[] = {
      {true, kTray1, 1, {"check 2007"}},
      {false, kTray1, 0, {}},
      {true, kManual, 1, {"set 2007=4"}},
      {false, kManual, 1, {"set 2007=4"}},
  };
  for (const Case& c : cases) {
    DialogItemRecord* trays = Trays(c.combo);
    OptSetControlOption(ctx, trays, kTray1);
    Calls();
    EXPECT_EQ(Pick(trays, c.combo, c.option), c.acted) << c.combo << "/" << c.option;
    EXPECT_EQ(Calls(), c.calls) << c.combo << "/" << c.option;
    DestroyWindow(trays->window);
    trays->previousWndProc = nullptr;
  }
}

TEST_F(Lists, AnOwnerDrawnListShowsPicturesOrTextAndGreysRefusedOptions) {
  DialogItemRecord* trays = Trays(false);
  trays->kind = 47;
  CtlDispatchInit(ctx, Dialog(1001), trays);
  EXPECT_EQ(Entries(trays->window), (std::vector<LRESULT>{kTray1, kTray2, kManual}));
  DRAWITEMSTRUCT draw{};
  draw.CtlID = 2007;
  draw.itemAction = ODA_DRAWENTIRE;
  draw.rcItem = {0, 0, 100, 16};
  // A refused option shows the block's picture at its left.
  Switch("VPD_IDC_FINISH_CHOICE_STAPLE", 1);
  for (auto [option, pictures] : {std::pair<uint16_t, std::vector<uint32_t>>{kTray1, {}}, {kManual, {7005}}}) {
    g_rec.pictures.clear();
    draw.itemData = option;
    EXPECT_EQ(CtlHandleMessage(ctx, Dialog(1001), trays, WM_DRAWITEM, 2007, reinterpret_cast<LPARAM>(&draw)), 1);
    EXPECT_EQ(g_rec.pictures, pictures) << option;
  }
  // The picture lists draw each entry as its option's picture.
  trays->controlId = 2085;
  g_rec.pictures.clear();
  draw.itemData = kTray2;
  CtlOwnerListMessage(ctx, Dialog(1001), trays, WM_DRAWITEM, 0, reinterpret_cast<intptr_t>(&draw));
  EXPECT_EQ(g_rec.pictures, (std::vector<uint32_t>{kTray2}));
  trays->controlId = 2007;
}

// ---- check lists -------------------------------------------------------------------------------

class CheckList : public Page {
 protected:
  void SetUp() override {
    Page::SetUp();
    DlgAdjustUiTables(ctx);
    list_ = Control(1065, 2817, u"LISTBOX", LBS_OWNERDRAWFIXED | LBS_NOTIFY);
    ASSERT_EQ(list_->kind, 49);
    // Forty rows, more than the 32 settings the list carries.
    SendMessageW(list_->window, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < 40; ++i) {
      SendMessageW(list_->window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u""));
      SendMessageW(list_->window, LB_SETITEMDATA, WPARAM(i), LPARAM(3000 + i));
    }
  }
  void Release(int row) {
    SendMessageW(list_->window, LB_SETCURSEL, WPARAM(row), 0);
    SendMessageW(list_->window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }
  uint32_t Drawn(int row, DialogItemRecord* item) {
    DRAWITEMSTRUCT draw{};
    draw.CtlID = 2817;
    draw.itemID = UINT(row);
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemData = ULONG_PTR(3000 + row);
    draw.rcItem = {0, 0, 100, 16};
    g_rec.pictures.clear();
    EXPECT_EQ(CtlCheckListMessage(ctx, Dialog(1065), item, WM_DRAWITEM, 0, reinterpret_cast<intptr_t>(&draw)), 1);
    return g_rec.pictures.empty() ? 0 : g_rec.pictures.back();
  }
  DialogItemRecord* list_ = nullptr;
};

TEST_F(CheckList, AReleaseTogglesTheSettingOfTheSelectedRow) {
  const uint32_t first = setting::vdmHiddenFunc0, last = setting::vdmHiddenFunc0 + 31;
  Calls();
  Release(0);
  EXPECT_EQ(OptGetOptionById(ctx, first), 1);
  EXPECT_EQ(Calls(), (Seen{"changed", "refresh"}));
  Release(31);
  EXPECT_EQ(OptGetOptionById(ctx, last), 1);
  Release(0);
  EXPECT_EQ(OptGetOptionById(ctx, first), 0);
  // The space key does the same; other keys do not.
  SendMessageW(list_->window, LB_SETCURSEL, 0, 0);
  SendMessageW(list_->window, WM_CHAR, VK_SPACE, 0);
  EXPECT_EQ(OptGetOptionById(ctx, first), 1);
  SendMessageW(list_->window, WM_CHAR, 'a', 0);
  EXPECT_EQ(OptGetOptionById(ctx, first), 1);
  // A disabled list toggles nothing but still tells the sheet.
  list_->disabled = 1;
  Calls();
  Release(0);
  EXPECT_EQ(OptGetOptionById(ctx, first), 1);
  EXPECT_EQ(Calls(), (Seen{"changed", "refresh"}));
}

TEST_F(CheckList, RowsBeyondItsSettingsAreIgnored) {
  std::vector<uint8_t> before(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
  for (int row : {32, 35, 39}) Release(row);
  EXPECT_EQ(std::memcmp(before.data(), ctx->devmode, before.size()), 0) << "no setting was written";
  EXPECT_EQ(Drawn(35, list_), 7001u) << "a row without a setting shows unchecked";
  // A list without its array, or with a block meant for another kind,
  // toggles nothing and shows nothing checked.
  const void* array = list_->extraData;
  OptSetOptionById(ctx, setting::vdmHiddenFunc0, 1);
  for (const void* other : {static_cast<const void*>(nullptr), CtxFindControl(ctx, Dialog(1001), 2007)->extraData}) {
    list_->extraData = other;
    Release(0);
    EXPECT_EQ(OptGetOptionById(ctx, setting::vdmHiddenFunc0), 1);
    EXPECT_EQ(Drawn(0, list_), 7001u);
  }
  list_->extraData = array;
}

TEST_F(CheckList, RowsShowTheirSettingAndTheGreyPicturesWhenDisabled) {
  OptSetOptionById(ctx, setting::vdmHiddenFunc0 + 2, 1);
  struct Case {
    int row;
    uint32_t disabled;
    uint32_t picture;
  } cases[] = {{2, 0, 7003}, {1, 0, 7001}, {2, 1, 7004}, {1, 1, 7002}};
  for (const Case& c : cases) {
    list_->disabled = c.disabled;
    EXPECT_EQ(Drawn(c.row, list_), c.picture) << c.row << "/" << c.disabled;
  }
}

// ---- the picture compositor ----------------------------------------------------------------------

TEST_F(Page, ACompositionDrawsTheShownOptionsAsLayers) {
  DialogItemRecord* picture = Control(1001, 2015, u"STATIC", SS_BITMAP);
  Bind(picture, kRadioSymbol);
  DialogRecord* d = Dialog(1001);
  struct Case {
    const char* name;
    uint16_t linked;
    uint16_t current;
    int32_t duplex;
    Seen calls;
  } cases[] = {
      {"PickOne of its own: the current option", 0, kLandscape, 0, {"begin", "base 2027", "end"}},
      {"with a link: the first visible option", 347, kLandscape, 0, {"begin", "base 2026", "end"}},
      {"the current option hidden: only the background", 0, kLandscape, 1, {"begin", "end"}},
  };
  for (const Case& c : cases) {
    picture->linkedControl = c.linked;
    OptSetControlOption(ctx, picture, c.current);
    Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", c.duplex);
    Calls();
    CtlComposePicture(ctx, d, picture, nullptr, nullptr);
    EXPECT_EQ(Calls(), c.calls) << c.name;
  }
  // No feature: nothing at all.
  UiBindItemModel(ctx, picture, 0);
  CtlComposePicture(ctx, d, picture, nullptr, nullptr);
  EXPECT_EQ(Calls(), Seen{});
}

TEST_F(Page, ASampleAdjustsTheColoursForItsLayersOnly) {
  DialogItemRecord* picture = Control(1001, 2015, u"STATIC", SS_BITMAP);
  Bind(picture, kRadioSymbol);
  const int16_t duplex = int16_t(ctx_test::SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX"));
  const CtlSampleBlock sample{kCtlTagSample, {0, 0}, {duplex, 0, 0, 0, 0, duplex}};
  picture->extraData = &sample;
  OptSetControlOption(ctx, picture, kPortrait);
  Switch("VPD_IDC_EDIT_CHOICE_DUPLEX", 1);
  Calls();
  CtlComposePicture(ctx, Dialog(1001), picture, nullptr, nullptr);
  EXPECT_EQ(Calls(), (Seen{"colours 51 50 50 50 50 51", "begin", "base 2026", "end", "colours 50 50 50 50 50 50"}));
  picture->extraData = nullptr;
}

TEST_F(Page, ThePreviewIsComposedOnWhiteAndTheBackgroundPutBack) {
  DialogItemRecord* preview = Control(1002, 2039, u"STATIC", SS_BITMAP);
  Bind(preview, kRadioSymbol);
  OptSetControlOption(ctx, preview, kPortrait);
  Calls();
  CtlComposePicture(ctx, Dialog(1002), preview, nullptr, nullptr);
  EXPECT_EQ(Calls(), (Seen{"background 16777215", "begin", "base 2026", "end", "background 1193046"}));
  // Drawn into a caller's DC the background stays.
  RECT r{0, 0, 50, 50};
  CtlComposePicture(ctx, Dialog(1002), preview, reinterpret_cast<HDC>(uintptr_t(1)), &r);
  EXPECT_EQ(Calls(), (Seen{"begin", "base 2026", "end"}));
}

}  // namespace

namespace {

// ---- with the page engine -------------------------------------------------------------------------

TEST_F(Lists, ThePageEngineStoresWhatTheKindsApply) {
  CtlSetServices(nullptr);  // the built-in services: the page engine itself
  DialogItemRecord* trays = Trays(true);
  trays->kind = 43;
  OptSetControlOption(ctx, trays, kTray1);
  CtlDispatchRefresh(ctx, Dialog(1001), trays);
  EXPECT_EQ(Pick(trays, true, kManual), 1);
  EXPECT_EQ(Option(trays), kManual);
  // The same option again only runs the rules' check: nothing changes.
  EXPECT_EQ(Pick(trays, true, kManual), 1);
  EXPECT_EQ(Option(trays), kManual);
  DialogItemRecord* box = Control(1002, 2069, u"BUTTON", BS_AUTOCHECKBOX);
  Bind(box, kDuplexSymbol);
  OptSetValue(ctx, box->setting, 0);
  SendMessageW(box->window, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(CtlCheckCommand(ctx, Dialog(1002), box, 0, 0, 0), 1);
  EXPECT_EQ(OptGetValue(ctx, box->setting), 1);
}

}  // namespace

namespace {

// ---- painted through the window layer ------------------------------------------------------------

// A memory DC on a white bitmap.
struct Canvas {
  Canvas(INT w, INT h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(dc, w, h);
    old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

TEST_F(Lists, OwnerDrawnEntriesAndBackgroundsTakeTheirColours) {
  DialogItemRecord* trays = Trays(false);
  trays->kind = 47;
  CtlDispatchInit(ctx, Dialog(1001), trays);
  struct Case {
    const char* name;
    uint32_t disabled;
    UINT state;
    INT colour;
  } cases[] = {
      {"an entry", 0, 0, COLOR_WINDOW},
      {"the selected entry", 0, ODS_SELECTED, COLOR_HIGHLIGHT},
      {"an entry of a disabled list", 1, ODS_SELECTED, COLOR_BTNFACE},
  };
  for (const Case& c : cases) {
    Canvas canvas(100, 16);
    trays->disabled = c.disabled;
    DRAWITEMSTRUCT draw{};
    draw.CtlID = 2007;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = c.state;
    draw.itemData = kTray1;
    draw.hDC = canvas.dc;
    draw.rcItem = {0, 0, 100, 16};
    EXPECT_EQ(CtlOwnerListMessage(ctx, Dialog(1001), trays, WM_DRAWITEM, 0, reinterpret_cast<intptr_t>(&draw)), 1);
    EXPECT_EQ(GetPixel(canvas.dc, 97, 1), GetSysColor(c.colour)) << c.name;
  }
  // The list's own background: white, or the button face while disabled.
  for (uint32_t disabled : {0u, 1u}) {
    Canvas canvas(100, 30);
    trays->disabled = disabled;
    EXPECT_EQ(SendMessageW(trays->window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc), 0), 1);
    EXPECT_EQ(GetPixel(canvas.dc, 50, 10), disabled ? GetSysColor(COLOR_BTNFACE) : RGB(255, 255, 255)) << disabled;
  }
}

}  // namespace
