// Sub-dialogs of a page: Cancel gives back every setting, OK keeps them and
// marks the page changed (not for the status and version dialogs), nesting
// four deep, an unknown dialog id, and the test whether a file is a listed
// preset that writes nothing. The window services of the pages: the tip
// on its timer and its place beside the taskbar, button captions, context
// help and the lock icons.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <vector>

#include "plat/calls.h"
#include "plat/machineconf.h"
#include "plat/user.h"
#include "plat/resources.h"
#include "plat/wstr.h"
#include "sheet_test_machine.h"
#include "ui/dialog_template.h"
#include "ui/prsht.h"
#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/save_stack.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kFileKinds = 0x1F00u | 0x8000u;

// The pages the sheet was told changed (PSM_CHANGED), by window.
std::vector<HWND>& SheetMessages() {
  static std::vector<HWND> messages;
  return messages;
}
LRESULT SheetRecorder(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == PSM_CHANGED) SheetMessages().push_back(reinterpret_cast<HWND>(wparam));
  return DefWindowProcW(window, message, wparam, lparam);
}

class SubDialogs : public sheet_test::SheetMachine {
 protected:
  void SetUp() override {
    SheetMachine::SetUp();
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll",
                                          {plat::StringResource(5001, u"User settings"),
                                           plat::StringResource(6000, u"First line\nsecond line"),
                                           plat::StringResource(6001, u"Locked by the finisher"),
                                           plat::StringResource(13187, u"Change")}));
    ASSERT_EQ(PathCreateDataDir(), 1);
    header_ = DocHeader(nullptr, nullptr, DM_PROMPT | DM_COPY);
    info_ = Info(PROPSHEETUI_REASON_INIT, LPARAM(&header_));
    ASSERT_EQ(UiDocumentPropertySheets(&info_, LPARAM(&header_)), 1);
    ctx_ = reinterpret_cast<DriverContext*>(info_.UserData);
    ASSERT_NE(ctx_, nullptr);
    sheet_ = CreateWindowExW(0, u"STATIC", u"sheet", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500, nullptr, nullptr,
                             nullptr, nullptr);
    SetWindowLongPtrW(sheet_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SheetRecorder));
    SheetMessages().clear();
    page_ = Page(1002);
    for (int16_t i = 0; i < ctx_->dialogs->count; ++i) {
      const DialogRecord& d = ctx_->dialogs->rows[i];
      const bool special = d.dialogId == 1007 || d.dialogId == 1011 || d.dialogId == 1017 || d.dialogId == 1020 ||
                           d.dialogId == 1025;
      if ((d.flags & kDlgModal) && !(d.flags & (kFileKinds | 0xF0u)) && !special) modal_.push_back(d.dialogId);
    }
    ASSERT_GE(modal_.size(), 4u) << "the table has modal dialogs";
  }
  void TearDown() override {
    ui::ClearModalHandler();
    if (ctx_) {
      info_.Reason = PROPSHEETUI_REASON_DESTROY;
      UiDocumentPropertySheets(&info_, 0);
    }
    SheetMachine::TearDown();
  }
  HWND Page(uint16_t dialog_id) {
    ui::DialogTemplate t;
    t.style = WS_CHILD | DS_CONTROL | WS_VISIBLE;
    t.cx = 200;
    t.cy = 150;
    std::vector<uint8_t> bytes = ui::EncodeDialogTemplate(t);
    psp_ = PROPSHEETPAGEW{sizeof(PROPSHEETPAGEW), 0, nullptr, MAKEINTRESOURCEW(dialog_id), nullptr, nullptr,
                          UiSheetPageProc, LPARAM(ctx_), nullptr};
    HWND w = CreateDialogIndirectParamW(nullptr, bytes.data(), sheet_, UiSheetPageProc, LPARAM(&psp_));
    EXPECT_NE(w, nullptr);
    SendMessageW(w, kPageMsgLayoutFix, 0, 0);
    return w;
  }
  std::vector<uint8_t> Working() {
    const auto* p = static_cast<const uint8_t*>(static_cast<const void*>(ctx_->devmode));
    return std::vector<uint8_t>(p, p + dm::kWorkBufferSize);
  }
  int32_t Copies() { return OptGetValueById(ctx_, setting::dmCopies); }
  // The person in the dialog: sets the copies, then ends it with the button.
  void EndWith(uint16_t copies, WORD button) {
    ui::SetModalHandler([this, copies, button](HWND modal) {
      OptSetValueById(ctx_, setting::dmCopies, copies);
      SendMessageW(modal, WM_COMMAND, button, 0);
      return true;
    });
  }

  DOCUMENTPROPERTYHEADER header_{};
  PROPSHEETUI_INFO info_{};
  PROPSHEETPAGEW psp_{};
  DriverContext* ctx_ = nullptr;
  HWND sheet_ = nullptr;
  HWND page_ = nullptr;
  std::vector<uint16_t> modal_;
};

TEST_F(SubDialogs, CancelGivesBackEverySettingAndMarksNothing) {
  const std::vector<uint8_t> before = Working();
  const uint32_t mask = ctx_->work->changeMask;
  EndWith(uint16_t(Copies() + 7), IDCANCEL);
  EXPECT_EQ(UiRunSubDialog(ctx_, 4, modal_[0], page_), IDCANCEL);
  EXPECT_EQ(Working(), before) << "the working DEVMODE as before the dialog";
  EXPECT_EQ(ctx_->work->changeMask, mask);
  EXPECT_EQ(DmGetSaveDepth(ctx_), 0);
  EXPECT_EQ(ctx_->dialogId, 1002) << "the page's dialog id back";
  EXPECT_TRUE(SheetMessages().empty()) << "no PSM_CHANGED";
}

TEST_F(SubDialogs, OkKeepsTheSettingsAndMarksThePageButNotForStatusAndVersion) {
  struct Case {
    uint16_t dialog;
    size_t changed;
  } cases[] = {{modal_[0], 1}, {1020, 0}, {1025, 0}};
  for (const Case& c : cases) {
    DialogRecord* d = CtxFindDialog(ctx_, c.dialog);
    ASSERT_NE(d, nullptr) << c.dialog;
    SheetMessages().clear();
    const uint16_t copies = uint16_t(Copies() + 1);
    EndWith(copies, IDOK);
    EXPECT_EQ(UiRunSubDialog(ctx_, 4, c.dialog, page_), IDOK) << c.dialog;
    EXPECT_EQ(Copies(), copies) << c.dialog << " keeps the change";
    // The page that opened the dialog is marked (the dialog's own controls
    // may tell the sheet of their changes themselves).
    EXPECT_EQ(size_t(std::count(SheetMessages().begin(), SheetMessages().end(), page_)), c.changed) << c.dialog;
    EXPECT_EQ(DmGetSaveDepth(ctx_), 0) << c.dialog;
    EXPECT_EQ(ctx_->dialogId, 1002) << c.dialog;
  }
}

TEST_F(SubDialogs, FourLevelsDeepAndCancelAtTheOutermostGivesBackTheStart) {
  const std::vector<uint8_t> before = Working();
  const int32_t start = Copies();
  std::vector<bool> opened(5, false);
  std::vector<int32_t> seen_after_inner(5, -1);
  ui::SetModalHandler([&](HWND modal) {
    const size_t level = ui::ModalStack().size();
    EXPECT_GE(level, 1u);
    EXPECT_LE(level, 4u);
    EXPECT_EQ(ui::ModalStack().back(), modal) << "the handler acts on the topmost dialog";
    if (level < 4 && !opened[level]) {
      opened[level] = true;
      OptSetValueById(ctx_, setting::dmCopies, start + int32_t(level));
      EXPECT_EQ(DmGetSaveDepth(ctx_), int32_t(level));
      UiRunSubDialog(ctx_, 4, modal_[level], modal);
      seen_after_inner[level] = Copies();
      return true;
    }
    if (level == 4) OptSetValueById(ctx_, setting::dmCopies, start + 4);
    SendMessageW(modal, WM_COMMAND, level == 1 ? IDCANCEL : IDOK, 0);
    return true;
  });
  EXPECT_EQ(UiRunSubDialog(ctx_, 4, modal_[0], page_), IDCANCEL);
  for (size_t level = 1; level < 4; ++level)
    EXPECT_EQ(seen_after_inner[level], start + 4) << "OK at level " << level + 1 << " kept the innermost change";
  EXPECT_EQ(Copies(), start);
  EXPECT_EQ(Working(), before) << "exactly the state before the outermost dialog";
  EXPECT_EQ(DmGetSaveDepth(ctx_), 0);
  EXPECT_TRUE(SheetMessages().empty());
}

TEST_F(SubDialogs, AnUnknownDialogIdPushesAndChangesNothing) {
  DmPushSettings(ctx_);  // a push of the caller stays its own
  plat::ResetCalls();
  EXPECT_EQ(UiRunSubDialog(ctx_, 4, 999, page_), 0);
  EXPECT_EQ(DmGetSaveDepth(ctx_), 1);
  EXPECT_EQ(ctx_->dialogId, 1002);
  EXPECT_EQ(plat::CallCount("DialogBoxParamW"), 0);
  DmPopSettings(ctx_, 1);
}

TEST_F(SubDialogs, InUseComparesFullPathsAndWritesNoFile) {
  char16_t dir[261] = {};
  PathGetCommonDataDir(dir, 261);
  const std::u16string base = dir;
  const std::u16string preset = base + u"\\p0.qst", quality = base + u"\\q0.qst", other = base + u"\\x.qst";
  for (const auto& f : {preset, quality, other}) Put(f, "[Office]\r\nName=x\r\n");
  const char16_t* section = InstGetPrinterSectionName(ctx_);
  ASSERT_EQ(IniWriteString(section, u"PresetList0", preset.c_str(), PathGetDriverIni(ctx_)), 1);
  ASSERT_EQ(IniWriteString(section, u"Count", u"1", PathGetDriverIni(ctx_)), 1);
  ASSERT_EQ(IniWriteString(section, u"QualityList0", quality.c_str(), PathGetDriverIni(ctx_)), 1);
  ASSERT_EQ(IniWriteString(section, u"QualityCount", u"1", PathGetDriverIni(ctx_)), 1);
  const std::string ini_before = Get(PathGetDriverIni(ctx_));
  std::u16string upper = preset;
  for (char16_t& c : upper) c = plat::WToUpper(c);
  struct Case {
    std::u16string path;
    int32_t in_use;
  } cases[] = {
      {preset, 1},
      {upper, 1},
      {base + u"\\sub\\..\\p0.qst", 1},
      {quality, 1},
      {other, 0},
      {u"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(UiIsPresetFileInUse(ctx_, c.path.c_str()), c.in_use) << plat::ToUtf8(c.path);
  for (const auto& f : {preset, quality, other})
    EXPECT_EQ(Get(f), "[Office]\r\nName=x\r\n") << plat::ToUtf8(f) << " unchanged";
  EXPECT_EQ(Get(PathGetDriverIni(ctx_)), ini_before);
}

TEST_F(SubDialogs, FileExistsOnlyForAReadableFile) {
  char16_t dir[261] = {};
  PathGetCommonDataDir(dir, 261);
  const std::u16string file = std::u16string(dir) + u"\\f.qst";
  Put(file, "x");
  EXPECT_EQ(UiFileExists(file.c_str()), 1);
  EXPECT_EQ(UiFileExists(dir), 0) << "a folder";
  EXPECT_EQ(UiFileExists((std::u16string(dir) + u"\\none.qst").c_str()), 0);
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(UiFileExists(file.c_str()), 0) << "held exclusively";
  CloseHandle(held);
  EXPECT_EQ(UiFileExists(file.c_str()), 1);
}

// ---- tips --------------------------------------------------------------------------------------
class Tips : public SubDialogs {
 protected:
  HWND Control(const char16_t* cls, int id, DWORD style = 0) {
    return CreateWindowExW(0, cls, u"c", WS_CHILD | WS_VISIBLE | style, 20, 20, 120, 24, page_,
                           reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }
  static void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  static void Wait(DWORD ms) {
    ui::AdvanceClock(ms);
    Pump();
  }
  // The pointer rests on the control, which has the focus.
  static POINT RestOn(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    const POINT at{r.left + 5, r.top + 5};
    ui::MoveMouse(at);
    ui::PlayInput();
    SetFocus(control);
    return at;
  }
  bool TipShown() { return ctx_->work->tipWindow && IsWindowVisible(ctx_->work->tipWindow); }
};

TEST_F(Tips, ShownAfterASecondOfVirtualTimeWithItsText) {
  HWND button = Control(u"BUTTON", 3001);
  DialogItemRecord item{};
  item.controlId = 3001;
  item.kind = 22;
  item.tipId = 6000;
  const POINT at = RestOn(button);
  UiShowTip(ctx_, &item, button, at.x, at.y, -1);
  ASSERT_NE(ctx_->work->tipWindow, nullptr);
  char16_t text[64] = {};
  GetWindowTextW(ctx_->work->tipWindow, text, 64);
  EXPECT_EQ(std::u16string(text), u"First line\nsecond line");
  Wait(999);
  EXPECT_FALSE(TipShown()) << "not before 1000 ms";
  Wait(1);
  EXPECT_TRUE(TipShown());
  RECT r{};
  GetWindowRect(ctx_->work->tipWindow, &r);
  EXPECT_GT(r.bottom - r.top, 2 * 6) << "two lines high";
  UiHideTip(ctx_);
  EXPECT_EQ(ctx_->work->tipWindow, nullptr);

  DialogItemRecord silent = item;
  silent.tipId = 0;
  UiShowTip(ctx_, &silent, button, at.x, at.y, -1);
  EXPECT_EQ(ctx_->work->tipWindow, nullptr) << "an item without a text has no tip";
}

TEST_F(Tips, TheSameComboEntryDoesNotRestartTheTimerTheNextOneDoes) {
  HWND combo = Control(u"COMBOBOX", 3002, CBS_DROPDOWNLIST);
  for (const char16_t* s : {u"A4", u"Letter", u"Legal"}) SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(s));
  DialogItemRecord item{};
  item.controlId = 3002;
  item.kind = 43;
  const POINT at = RestOn(combo);
  UiShowTip(ctx_, &item, combo, at.x, at.y, 1);
  Wait(600);
  UiShowTip(ctx_, &item, combo, at.x + 3, at.y, 1);  // the same entry
  Wait(400);
  EXPECT_TRUE(TipShown()) << "the first timer ran on";
  char16_t text[32] = {};
  GetWindowTextW(ctx_->work->tipWindow, text, 32);
  EXPECT_EQ(std::u16string(text), u"Letter");

  UiShowTip(ctx_, &item, combo, at.x, at.y, 2);  // the next entry
  EXPECT_FALSE(TipShown());
  Wait(600);
  EXPECT_FALSE(TipShown()) << "restarted for the next entry";
  Wait(400);
  EXPECT_TRUE(TipShown());
}

TEST_F(Tips, PlacedClearOfTheTaskbarAtEachEdge) {
  struct Case {
    const char* name;
    const char* taskbar;
    POINT at;
    SIZE size;
    POINT placed;
  } cases[] = {
      {"bottom", "0,728,1024,768", {1000, 740}, {100, 40}, {908, 676}},
      {"right", "984,0,1024,768", {1000, 700}, {100, 40}, {868, 700}},
      {"left", "0,0,40,768", {1000, 10}, {1000, 40}, {56, 10}},
      {"top", "0,0,1024,40", {10, 750}, {100, 720}, {10, 52}},
      {"none", "", {1000, 740}, {100, 40}, {908, 716}},
      {"room enough", "0,728,1024,768", {100, 100}, {100, 40}, {100, 100}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(plat::SetMachineSetting("taskbar.rect", c.taskbar));
    const POINT p = UiPlaceTip(c.at, c.size);
    EXPECT_EQ(p.x, c.placed.x) << c.name;
    EXPECT_EQ(p.y, c.placed.y) << c.name;
  }
  plat::ResetMachineSetting("taskbar.rect");
}

// ---- button captions and faces ---------------------------------------------------------------
TEST_F(Tips, ButtonCaptionsNoTextAndThreeDots) {
  struct Case {
    uint16_t control;
    uint32_t caption;
  } cases[] = {{2037, kNoTextCaption}, {2115, kNoTextCaption}, {2003, 13187}, {2002, 13188},
               {2144, 13190},          {2503, 13193},          {2500, 0}};
  for (const Case& c : cases) EXPECT_EQ(UiButtonCaptionId(c.control), c.caption) << c.control;

  HWND button = Control(u"BUTTON", 2003);
  HDC dc = GetDC(button);
  ASSERT_NE(dc, nullptr);
  const RECT face{0, 0, 120, 24};
  SIZE dots{}, change{};
  UiGetTextExtent(dc, u"...", &dots);
  UiGetTextExtent(dc, u"Change", &change);
  ASSERT_GT(dots.cx, 0);
  // The face draws the caption the work record keeps: set from the table
  // by the item's control id, cleared back to 0 ("...").
  struct Drawn {
    uint16_t control;  // 0: the caption cleared
    uint32_t kept;
    LONG width;
  } drawn[] = {{0, 0, dots.cx}, {2037, kNoTextCaption, 0}, {2003, 13187, change.cx}, {2500, 0, dots.cx}};
  for (const Drawn& d : drawn) {
    DialogItemRecord item{};
    item.controlId = d.control;
    if (d.control) EXPECT_EQ(UiSetButtonCaption(ctx_, &item), d.kept) << d.control;
    else UiClearButtonCaption(ctx_);
    EXPECT_EQ(ctx_->work->captionStringId, d.kept) << d.control;
    EXPECT_EQ(UiDrawButtonFace(ctx_, button, dc, &face, 2, d.control == 2003, d.control == 2003), d.width)
        << d.control;
    EXPECT_EQ(UiDrawButtonFace(ctx_, nullptr, dc, &face, 2, false, false), 0) << "no window, no caption";
  }
  UiClearButtonCaption(ctx_);
  EXPECT_EQ(ctx_->work->captionStringId, 0u);
  ReleaseDC(button, dc);
}

// The notification code is the high word of a command's wParam, whatever
// lies above it in a 64-bit wParam; two option values are the same value
// only when equal.
TEST(DrawingServices, NotifyCodeAndSameValue) {
  EXPECT_EQ(UiGetNotifyCode(MAKEWPARAM(2224, EN_KILLFOCUS)), EN_KILLFOCUS);
  EXPECT_EQ(UiGetNotifyCode(MAKEWPARAM(2224, 0)), 0);
  EXPECT_EQ(UiGetNotifyCode(uintptr_t(0xFFFF0000u)), 0xFFFF);
  EXPECT_EQ(UiGetNotifyCode(uintptr_t(0x100050001ull)), 5);
  EXPECT_EQ(UiIsSameValue(4724, 4724), 1);
  EXPECT_EQ(UiIsSameValue(4724, 4725), 0);
  EXPECT_EQ(UiIsSameValue(-1, int32_t(0xFFFFFFFFu)), 1);
  EXPECT_EQ(UiIsSameValue(INT32_MIN, INT32_MAX), 0);
}

// ---- context help and lock icons ---------------------------------------------------------------
TEST_F(Tips, HelpNamesTheControlAndItsHelpId) {
  DialogRecord* dialog = CtxFindDialog(ctx_, 1002);
  ASSERT_NE(dialog, nullptr);
  ASSERT_GE(dialog->itemCount, 1u);
  DialogItemRecord& item = dialog->items[0];
  HWND control = Control(u"BUTTON", item.controlId);
  item.window = control;
  item.helpId = 4321;
  const std::string file = plat::ToUtf8(PathGetHelpFile(ctx_));
  const std::string pair = std::to_string(item.controlId) + ":4321";
  struct Case {
    uint16_t kind;
    UINT message;
    uint32_t hidden;
    std::string logged;
  } cases[] = {
      {22, WM_HELP, 0, "WinHelpW window " + std::to_string(item.controlId) + " " + file + " 12 " + pair},
      {22, WM_CONTEXTMENU, 0, "WinHelpW window " + std::to_string(item.controlId) + " " + file + " 10 " + pair},
      {4, WM_CONTEXTMENU, 0, "WinHelpW window 0 " + file + " 10 " + pair},
      {22, WM_HELP, 1, ""},
  };
  const uint16_t kind = item.kind;
  for (const Case& c : cases) {
    item.kind = c.kind;
    item.hidden = c.hidden;
    plat::ResetCalls();
    UiShowControlHelp(ctx_, dialog, control, c.message);
    std::vector<std::string> log;
    for (const std::string& line : plat::CallLog())
      if (line.rfind("WinHelpW", 0) == 0) log.push_back(line);
    if (c.logged.empty()) {
      EXPECT_EQ(plat::CallCount("WinHelpW"), 0) << "a hidden control has no help";
    } else {
      ASSERT_EQ(log.size(), 1u) << c.logged;
      EXPECT_EQ(log[0], c.logged);
    }
  }
  item.kind = kind;
  item.hidden = 0;
  item.window = nullptr;

  // The page's Help button and the sheet's help ask for the dialog's topic.
  plat::ResetCalls();
  SendMessageW(page_, WM_COMMAND, IDHELP, 0);
  PSHNOTIFY help{{sheet_, 0, PSN_HELP}, 0};
  SendMessageW(page_, WM_NOTIFY, 0, LPARAM(&help));
  const std::string topic = "WinHelpW window 0 " + file + " 1 " + std::to_string(dialog->helpId);
  EXPECT_EQ(plat::CallCount("WinHelpW"), 2);
  for (const std::string& line : plat::CallLog()) {
    if (line.rfind("WinHelpW", 0) == 0) {
      EXPECT_EQ(line, topic);
    }
  }
}

TEST_F(Tips, ALockIconClickShowsItsMessage) {
  DialogItemRecord item{};
  item.controlId = 3003;
  item.messageId = 6001;
  item.window = Control(u"BUTTON", 3003);
  HWND icon = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 2, 20, 16, 16, page_, nullptr, nullptr,
                              nullptr);
  SetWindowLongPtrW(icon, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&item));
  SetWindowLongPtrW(icon, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UiHelpIconWndProc));
  struct Case {
    const char* name;
    UINT message;
    WPARAM key;
    size_t boxes;
  } cases[] = {{"click", WM_LBUTTONUP, 0, 1}, {"space", WM_KEYUP, VK_SPACE, 1}, {"other key", WM_KEYUP, 'A', 0}};
  for (const Case& c : cases) {
    plat::ClearMessageBoxLog();
    SendMessageW(icon, c.message, c.key, 0);
    const auto boxes = plat::MessageBoxLog();
    ASSERT_EQ(boxes.size(), c.boxes) << c.name;
    if (!c.boxes) continue;
    EXPECT_EQ(boxes[0].text, u"Locked by the finisher") << c.name;
    EXPECT_EQ(boxes[0].caption, u"Office") << c.name;
    EXPECT_EQ(boxes[0].type & 0xF0u, MB_ICONINFORMATION) << c.name;
  }
}

}  // namespace
