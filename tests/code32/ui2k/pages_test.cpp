// The property pages: which pages a sheet gets, their procedure's commit on
// PSN_APPLY, the owner-draw sizes, the preset save from the pages, the
// relabelled OK button of a nested preset sheet and the one-time
// preparation of the dialog tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "plat/resources.h"
#include "plat/wstr.h"
#include "sheet_test_machine.h"
#include "ui/dialog_template.h"
#include "ui/prsht.h"
#include "ui2k/pages.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/presets.h"

namespace {

using sheet_test::ComRecorder;

// ---- which pages ---------------------------------------------------------------------------
const char* const kHideModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean
*VPD_IDC_EDIT_CHOICE_DUPLEX True: "ON"
*VPD_IDC_EDIT_CHOICE_DUPLEX False: "OFF"
*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX
*Judge 1=Always: 1 == 1
*Exclusive: {
  VPD_IDC_EDIT_CHOICE_DUPLEX Always NULL NULL NULL NULL NULL
}
)";

TEST(SheetPages, OnePagePerDialogOfTheSheetThatTheRulesDoNotHide) {
  ctx_test::ModelContext m{kHideModel};
  DriverContext* ctx = m.ctx;
  ctx->work->sheetCallback = reinterpret_cast<void*>(&ComRecorder::Proc);
  const uint16_t hidden_key = MdfFindFeatureByName("VPD_IDC_EDIT_CHOICE_DUPLEX")->key;
  std::vector<DialogRecord*> device;
  for (int16_t i = 0; i < ctx->dialogs->count; ++i)
    if (ctx->dialogs->rows[i].flags & kDlgDeviceSheet) device.push_back(&ctx->dialogs->rows[i]);
  ASSERT_GE(device.size(), 2u);
  for (DialogRecord* d : device) d->symbol = 0;  // no feature decides these pages
  struct Case {
    const char* name;
    size_t hidden;
    int32_t pages;
  } cases[] = {
      {"none hidden", 0, int32_t(device.size())},
      {"one hidden", 1, int32_t(device.size()) - 1},
      {"all hidden", device.size(), 0},
  };
  for (const Case& c : cases) {
    for (size_t i = 0; i < device.size(); ++i) device[i]->symbol = i < c.hidden ? hidden_key : 0;
    ComRecorder::Calls().clear();
    ctx->work->saveOnClose = 1;
    EXPECT_EQ(UiAddSheetPages(ctx, 2), c.pages) << c.name;
    EXPECT_EQ(ComRecorder::Calls().size(), size_t(c.pages)) << c.name;
    EXPECT_EQ(ctx->work->saveOnClose, 0) << c.name;
  }
  ctx->work->sheetCallback = nullptr;
  EXPECT_EQ(UiAddSheetPages(ctx, 2), 0) << "no compstui callback";
  ui::ResetWindowManager();
}

TEST(SheetPages, OwnerDrawSizes) {
  struct Case {
    uint16_t id;
    bool fixed;
    uint32_t width, height;
  } cases[] = {{2001, true, 108, 107}, {2139, true, 108, 107}, {2457, true, 42, 42},
               {2817, true, 16, 16},   {1137, true, 16, 14},   {2002, false, 0, 0}};
  for (const Case& c : cases) {
    uint32_t w = 0, h = 0;
    EXPECT_EQ(UiGetMeasureItemSize(c.id, &w, &h), c.fixed) << c.id;
    EXPECT_EQ(w, c.width) << c.id;
    EXPECT_EQ(h, c.height) << c.id;
  }
}

// ---- pages of a real sheet -------------------------------------------------------------------
struct MeasureItem {
  UINT ctlType, ctlId, itemId, itemWidth, itemHeight;
  uintptr_t itemData;
};

class Pages : public sheet_test::SheetMachine {
 protected:
  void SetUp() override {
    SheetMachine::SetUp();
    std::vector<plat::ResourceEntry> strings = {
        plat::StringResource(10024, u"write protected"), plat::StringResource(10031, u"no name"),
        plat::StringResource(10032, u"overwrite?"),      plat::StringResource(10049, u"list full"),
        plat::StringResource(372, u"Save new"),          plat::StringResource(373, u"Save over")};
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll", strings));
    ASSERT_EQ(PathCreateDataDir(), 1);
    header_ = DocHeader(nullptr, nullptr, DM_PROMPT | DM_COPY);
    info_ = Info(PROPSHEETUI_REASON_INIT, LPARAM(&header_));
    ASSERT_EQ(UiDocumentPropertySheets(&info_, LPARAM(&header_)), 1);
    ctx_ = reinterpret_cast<DriverContext*>(info_.UserData);
    ASSERT_NE(ctx_, nullptr);
    sheet_ = CreateWindowExW(0, u"STATIC", u"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                             nullptr, nullptr);
    Button(sheet_, IDOK, 300);
    Button(sheet_, IDCANCEL, 400);
  }
  void TearDown() override {
    if (ctx_) {
      info_.Reason = PROPSHEETUI_REASON_DESTROY;
      UiDocumentPropertySheets(&info_, 0);
    }
    SheetMachine::TearDown();
  }
  static HWND Button(HWND parent, int id, int x) {
    return CreateWindowExW(0, u"BUTTON", u"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, x, 450, 80, 24, parent,
                           reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }
  // A page of the dialog made as the sheet makes it, with its name edit.
  HWND Page(uint16_t dialog_id) {
    ui::DialogTemplate t;
    t.style = WS_CHILD | DS_CONTROL | WS_VISIBLE;
    t.cx = 200;
    t.cy = 150;
    for (uint16_t id : {uint16_t(2388), uint16_t(2389), uint16_t(2001)}) {
      ui::DialogItemTemplate c;
      c.class_name = id == 2001 ? u"LISTBOX" : u"EDIT";
      c.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
      c.id = int16_t(id);
      c.x = 10;
      c.y = int16_t(10 + 20 * (id % 3));
      c.cx = 80;
      c.cy = 12;
      t.items.push_back(c);
    }
    std::vector<uint8_t> bytes = ui::EncodeDialogTemplate(t);
    page_ = PROPSHEETPAGEW{sizeof(PROPSHEETPAGEW), 0, nullptr, MAKEINTRESOURCEW(dialog_id), nullptr, nullptr,
                           UiSheetPageProc, LPARAM(ctx_), nullptr};
    HWND w = CreateDialogIndirectParamW(nullptr, bytes.data(), sheet_, UiSheetPageProc, LPARAM(&page_));
    EXPECT_NE(w, nullptr);
    // The layout fix the page posted to itself.
    SendMessageW(w, kPageMsgLayoutFix, 0, 0);
    return w;
  }
  LRESULT Apply(HWND page, bool ok = true) {
    PSHNOTIFY n{{sheet_, 0, PSN_APPLY}, ok ? TRUE : FALSE};
    return SendMessageW(page, WM_NOTIFY, 0, LPARAM(&n));
  }
  void Command(HWND page, WORD id) { SendMessageW(page, WM_COMMAND, id, 0); }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const auto& b : plat::MessageBoxLog()) out.push_back(plat::ToUtf8(b.text));
    plat::ClearMessageBoxLog();
    return out;
  }
  void WriteIni(const std::u16string& key, const std::u16string& value) {
    ASSERT_EQ(IniWriteString(InstGetPrinterSectionName(ctx_), key.c_str(), value.c_str(), PathGetDriverIni(ctx_)), 1);
  }
  // n presets named P0, P1, ...; the file of one of them read-only.
  void MakePresets(int n, int read_only = -1) {
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    for (int i = 0; i < n; ++i) {
      std::u16string file = std::u16string(dir) + u"\\p" + plat::FromUtf8(std::to_string(i)) + u".qst";
      Put(file, i == read_only ? "[Office]\r\nReadonly=1\r\n" : "[Office]\r\n");
      std::u16string k = u"PresetList" + plat::FromUtf8(std::to_string(i));
      WriteIni(k, file);
      WriteIni(k + u"Name", u"P" + plat::FromUtf8(std::to_string(i)));
    }
    WriteIni(u"Count", plat::FromUtf8(std::to_string(n)));
  }

  DOCUMENTPROPERTYHEADER header_{};
  PROPSHEETUI_INFO info_{};
  PROPSHEETPAGEW page_{};
  DriverContext* ctx_ = nullptr;
  HWND sheet_ = nullptr;
};

TEST_F(Pages, OnlyTheFirstPageCommitsAndNotInTheUiModeChange) {
  HWND first = Page(1002);
  HWND second = Page(1003);
  ASSERT_EQ(ctx_->work->firstPageDialog, 1002) << "a second page leaves the first one";
  EXPECT_TRUE(IsWindowEnabled(first)) << "laid out and enabled";

  EXPECT_EQ(Apply(second), PSNRET_NOERROR);
  EXPECT_EQ(ctx_->work->sheetCommitted, 0) << "not the first page";
  EXPECT_EQ(ctx_->work->saveOnClose, 1);

  OptSetValueById(ctx_, setting::vdmPresentUIMode, 1);
  EXPECT_EQ(Apply(first), PSNRET_NOERROR);
  EXPECT_EQ(ctx_->work->sheetCommitted, 0) << "the UI-mode change commits nothing";

  OptSetValueById(ctx_, setting::vdmPresentUIMode, 0);
  EXPECT_EQ(Apply(first), PSNRET_NOERROR);
  EXPECT_EQ(ctx_->work->sheetCommitted, 1);
  EXPECT_EQ(OptGetValueById(ctx_, setting::wdmUIStart), 1);
  EXPECT_EQ(ctx_->work->applying, 0);

  // Cancel clears the sheet's outcome.
  PSHNOTIFY reset{{sheet_, 0, PSN_RESET}, 0};
  SendMessageW(first, WM_NOTIFY, 0, LPARAM(&reset));
  EXPECT_EQ(ctx_->work->saveOnClose, 0);
}

TEST_F(Pages, AnOkThatSavesAPresetFirstKeepsTheSheetOpenAndSaves) {
  HWND first = Page(1002);
  CtxMarkChanged(ctx_, kChangeOkSavesPreset);
  EXPECT_EQ(Apply(first), PSNRET_INVALID_NOCHANGEPAGE);
  EXPECT_EQ(ctx_->work->sheetCommitted, 0);
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, first, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(LOWORD(msg.wParam), kCmdSaveToNewPreset) << "the sheet has no save-over button";
  EXPECT_EQ(ctx_->work->applying, 0);
}

TEST_F(Pages, ModalDialogsEndByTheirButtons) {
  struct Case {
    WORD id;
    int32_t save;
  } cases[] = {{IDOK, 1}, {IDCANCEL, 0}, {IDYES, 1}, {IDNO, 0}};
  for (const Case& c : cases) {
    ctx_->dialogId = 1033;
    ctx_->work->saveOnClose = 1 - c.save;
    ui::DialogTemplate t;
    t.cx = 100;
    t.cy = 50;
    std::vector<uint8_t> bytes = ui::EncodeDialogTemplate(t);
    HWND dialog = CreateDialogIndirectParamW(nullptr, bytes.data(), sheet_, UiPageProc, LPARAM(ctx_));
    ASSERT_NE(dialog, nullptr);
    DialogRecord* record = CtxFindDialog(ctx_, 1033);
    EXPECT_EQ(record->window, dialog);
    Command(dialog, c.id);
    EXPECT_EQ(ctx_->work->saveOnClose, c.save) << c.id;
    EXPECT_EQ(record->window, nullptr) << c.id << ": later refreshes skip the ended dialog";
    DestroyWindow(dialog);
  }
}

TEST_F(Pages, MeasureItemAnswersFromTheTableOrLeavesItToTheKind) {
  HWND page = Page(1001);
  MeasureItem m{0, 2001, 0, 1, 1, 0};
  SendMessageW(page, WM_MEASUREITEM, 2001, LPARAM(&m));
  EXPECT_EQ(m.itemWidth, 108u);
  EXPECT_EQ(m.itemHeight, 107u);
  MeasureItem other{0, 2002, 0, 1, 1, 0};
  SendMessageW(page, WM_MEASUREITEM, 2002, LPARAM(&other));
  EXPECT_EQ(other.itemWidth, 1u) << "not in the table: the system's size stays";
}

TEST_F(Pages, PresetSaveMessages) {
  MakePresets(4, /*read_only=*/3);
  HWND page = Page(1002);
  struct Case {
    const char* name;
    int32_t current;  // preset chosen, -1 none
    const char16_t* text;
    std::vector<int> answers;
    std::vector<std::string> boxes;
    int32_t preset_after;
  } cases[] = {
      {"an empty name", 1, u"", {}, {"no name"}, 1},
      {"preset 0", 1, u"P0", {}, {"write protected"}, 1},
      {"a read-only preset", 1, u"P3", {}, {"write protected"}, 1},
      {"another preset, not overwritten", 1, u"P2", {IDNO}, {"overwrite?"}, 1},
      {"another preset, overwritten", 1, u"P2", {IDYES}, {"overwrite?"}, 2},
      {"the current preset", 2, u"P2", {}, {}, 2},
  };
  for (const Case& c : cases) {
    OptSetOptionById(ctx_, setting::vdmPresetNo, c.current + 119);
    OptSetControlText(ctx_, 2145, c.text);
    Boxes();
    plat::ScriptMessageBoxAnswers(c.answers);
    Command(page, kCmdSaveToNamedPreset);
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    EXPECT_EQ(OptGetOptionById(ctx_, setting::vdmPresetNo) - 119, c.preset_after) << c.name;
    EXPECT_EQ(PresetGetCount(ctx_), 4) << c.name;
    if (!c.boxes.empty() && c.preset_after == c.current) {
      EXPECT_EQ(GetFocus(), GetDlgItem(page, 2388)) << c.name << ": the name edit";
    }
  }
}

TEST_F(Pages, SixteenPresetsTakeNoSeventeenth) {
  MakePresets(16);
  HWND page = Page(1002);
  OptSetOptionById(ctx_, setting::vdmPresetNo, 118);  // detached
  OptSetControlText(ctx_, 2145, u"New one");
  Boxes();
  // The person confirms the save dialog, which refuses a new name while
  // the list is full and stays open, and then cancels it.
  int presses = 0;
  ui::SetModalHandler([&presses](HWND modal) {
    SendMessageW(modal, WM_COMMAND, presses++ == 0 ? IDOK : IDCANCEL, 0);
    return true;
  });
  Command(page, kCmdSaveToNewPreset);
  ui::ClearModalHandler();
  EXPECT_EQ(Boxes(), std::vector<std::string>{"list full"});
  EXPECT_EQ(PresetGetCount(ctx_), 16);
  EXPECT_EQ(OptGetOptionById(ctx_, setting::vdmPresetNo), 118);
  char16_t key[600] = {};
  IniGetString(InstGetPrinterSectionName(ctx_), u"PresetList16", u"", key, 600, PathGetDriverIni(ctx_));
  EXPECT_EQ(std::u16string(key), u"") << "no dangling entry";
  MSG msg{};
  EXPECT_FALSE(PeekMessageW(&msg, page, WM_COMMAND, WM_COMMAND, PM_NOREMOVE)) << "OK is not pressed";
}

TEST_F(Pages, RelabelMasksOfANestedPresetSheet) {
  struct Case {
    const char* name;
    uint32_t mask;
    int ok_id;
    const char* ok_text;
    bool extra;
  } cases[] = {
      {"save as new", kChangeRelabelNew, kCmdSaveToNewPreset, "Save new", false},
      {"save over", kChangeRelabelNamed, kCmdSaveToNamedPreset, "Save over", false},
      {"both", kChangeRelabelNew | kChangeRelabelNamed, kCmdSaveToNamedPreset, "Save over", true},
  };
  for (const Case& c : cases) {
    DestroyWindow(sheet_);
    sheet_ = CreateWindowExW(0, u"STATIC", u"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                             nullptr, nullptr);
    HWND ok = Button(sheet_, IDOK, 300);
    Button(sheet_, IDCANCEL, 400);
    CtxClearChanged(ctx_, 0xFFFFFFFFu);
    CtxMarkChanged(ctx_, c.mask);
    Page(1003);
    EXPECT_EQ(GetDlgCtrlID(ok), c.ok_id) << c.name;
    char16_t text[32] = {};
    GetWindowTextW(ok, text, 32);
    EXPECT_EQ(plat::ToUtf8(text), c.ok_text) << c.name;
    HWND extra = GetDlgItem(sheet_, kCmdSaveToNewPreset);
    EXPECT_EQ(extra != nullptr && extra != ok, c.extra) << c.name;
    EXPECT_EQ(CtxGetChangeMask(ctx_) & (kChangeRelabelNew | kChangeRelabelNamed | kChangeOkSavesPreset),
              kChangeOkSavesPreset)
        << c.name;
  }
}

TEST_F(Pages, PreparationRunsOncePerContextAndCutsLongNames) {
  // A preset whose name and comment are longer than their fields, in
  // double-byte characters.
  MakePresets(2);
  std::u16string long_text(600, u'\u65E5');
  WriteIni(u"PresetList1Name", long_text);
  WriteIni(u"PresetList1Comment", long_text);
  OptSetOptionById(ctx_, setting::vdmPresetNo, 120);
  UiPrepareDialogTables(ctx_, nullptr);
  for (uint32_t id : {setting::wdmPresetName, setting::wdmPresetComment}) {
    const SettingRecord* row = OptFindSetting(ctx_, id);
    const uint8_t* p = OptGetValueAddr(ctx_, row);
    const uint32_t size = DescSize(row->descriptor);
    size_t len = 0;
    while (len < size && p[len]) ++len;
    ASSERT_LT(len, size) << id << ": terminated inside the field";
    EXPECT_EQ(len % 2, 0u) << id << ": whole characters only";
    EXPECT_GT(len, size - 3) << id << ": filled";
  }
  DialogItemRecord* item = CtxFindControl(ctx_, CtxFindDialog(ctx_, 1003), 2086);
  ASSERT_NE(item, nullptr);
  EXPECT_NE(item->setting, nullptr) << "bound";
  // A second preparation of the same context changes nothing.
  OptSetValueById(ctx_, setting::wdmUIStart, 0);
  item->setting = nullptr;
  UiPrepareDialogTables(ctx_, nullptr);
  EXPECT_EQ(OptGetValueById(ctx_, setting::wdmUIStart), 0);
  EXPECT_EQ(item->setting, nullptr);
}

}  // namespace
