// The steps of a sheet script against a sheet of two pages whose controls
// carry control ids of the item catalogue: each step through the window
// layer's input, and the steps that cannot be done with their reasons.
#include <gtest/gtest.h>

#include <functional>

#include "command.h"
#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui/dialog_template.h"
#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "ui/user32.h"

namespace {

std::vector<std::string>& Notes() {
  static std::vector<std::string> notes;
  return notes;
}

INT_PTR PageProc(HWND page, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_INITDIALOG) return TRUE;
  if (m == WM_COMMAND && HIWORD(wp) != EN_UPDATE)
    Notes().push_back("cmd " + std::to_string(LOWORD(wp)) + " " + std::to_string(HIWORD(wp)));
  if (m == WM_HELP) Notes().push_back("help " + std::to_string(reinterpret_cast<const HELPINFO*>(lp)->iCtrlId));
  if (m == WM_NOTIFY) {
    UINT code = reinterpret_cast<const NMHDR*>(lp)->code;
    if (code == PSN_SETACTIVE) Notes().push_back("setactive " + std::to_string(GetDlgItem(page, 2036) ? 1 : 0));
    return TRUE;
  }
  return FALSE;
}

ui::DialogItemTemplate Item(const char16_t* cls, INT id, DWORD style, int16_t y, const char16_t* text = u"") {
  ui::DialogItemTemplate it;
  it.class_name = cls;
  it.id = int16_t(id);
  it.style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | style;
  it.text = text;
  it.x = 60;
  it.y = y;
  it.cx = 80;
  it.cy = 12;
  return it;
}

class SheetSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::ResetWindowManager();
    Notes().clear();
    ui::DialogTemplate finish;
    finish.style = WS_CHILD;
    finish.title = u"Finish";
    finish.cx = 240;
    finish.cy = 180;
    finish.items = {Item(u"BUTTON", 2001, BS_PUSHBUTTON | WS_DISABLED, 10, u"Off"),
                    Item(u"BUTTON", 2003, BS_PUSHBUTTON, 30, u"Away")};
    finish.items[1].style &= ~WS_VISIBLE;
    ui::DialogTemplate basic = finish;
    basic.title = u"Basic";
    basic.items = {Item(u"COMBOBOX", 2036, CBS_DROPDOWNLIST, 10),
                   Item(u"COMBOBOX", 2041, CBS_DROPDOWNLIST, 26),
                   Item(u"BUTTON", 2071, BS_AUTOCHECKBOX, 42, u"Cover"),
                   Item(u"BUTTON", 2026, BS_AUTORADIOBUTTON | WS_GROUP, 58, u"Portrait"),
                   Item(u"BUTTON", 2027, BS_AUTORADIOBUTTON, 74, u"Landscape"),
                   Item(u"EDIT", 2049, 0, 90),
                   Item(u"STATIC", 2040, SS_LEFT, 106, u"Print type"),
                   Item(u"BUTTON", 2076, BS_PUSHBUTTON, 122, u"Defaults")};
    ui::DialogTemplate numbers = finish;
    numbers.title = u"Numbers";
    numbers.items = {Item(u"SCROLLBAR", 2264, SBS_HORZ, 10), Item(u"msctls_trackbar32", 2267, 0, 26),
                     Item(u"SCROLLBAR", 2030, SBS_VERT, 42), Item(u"msctls_updown32", 2060, 0, 74),
                     Item(u"SysTabControl32", 2166, 0, 110)};
    numbers.items[2].cy = 30;
    numbers.items[3].cy = 30;
    for (const ui::DialogTemplate* t : {&finish, &basic, &numbers})
      templates_.push_back(ui::EncodeDialogTemplate(*t));
  }
  void TearDown() override { ui::ResetWindowManager(); }

  struct Done {
    bool ok;
    std::string why;
  };
  // Runs the lines as steps of one sheet, each followed by a look at the sheet.
  std::vector<Done> Play(const std::vector<std::string>& lines,
                         const std::function<void(size_t step, HWND sheet)>& look = {}) {
    std::vector<HPROPSHEETPAGE> pages;
    for (const auto& bytes : templates_) {
      PROPSHEETPAGEW p{sizeof p, PSP_DLGINDIRECT, nullptr, nullptr, bytes.data(), nullptr, PageProc, 0, nullptr};
      pages.push_back(CreatePropertySheetPageW(&p));
    }
    std::vector<Done> done;
    size_t next = 0;
    ui::SetModalHandler([&](HWND sheet) {
      if (next >= lines.size()) return false;
      velm_cli::SheetStep step;
      std::string why;
      EXPECT_TRUE(velm_cli::ParseSheetStep(lines[next], &step, &why)) << lines[next] << ": " << why;
      bool ok = velm_cli::RunSheetStep(sheet, step, &why);
      done.push_back(Done{ok, why});
      if (look) look(next, sheet);
      ++next;
      return IsWindow(sheet) != FALSE;
    });
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.pszCaption = u"P";
    h.nPages = UINT(pages.size());
    h.phpage = pages.data();
    PropertySheetW(&h);
    ui::ClearModalHandler();
    return done;
  }
  static HWND Page(HWND sheet, size_t i) { return ui::SheetPages(sheet)[i].window; }
  static void Fill(HWND sheet) {
    HWND basic = Page(sheet, 1);
    for (INT id : {2036, 2041})
      for (const char16_t* s : {u"One", u"Two", u"Three"}) SendDlgItemMessageW(basic, id, CB_ADDSTRING, 0, LPARAM(s));
  }

  std::vector<std::vector<uint8_t>> templates_;
};

TEST_F(SheetSteps, StepsReachTheControlsThroughTheirPages) {
  std::vector<std::string> seen;
  auto done = Play(
      {"page VPD_IDD_BASIC", "select VPD_IDC_BASIC_CHOICE_PRINT_TYPE Two", "key 2036 down", "click VPD_IDC_BASIC_CHOICE_COVER",
       "check 2071 on", "check 2027 on", "type 2049 \"1 2\"", "help 2049", "page Finish", "hold 2076 300",
       "page 1", "dblclick 2026", "tree"},
      [&](size_t step, HWND sheet) {
        HWND basic = Page(sheet, 1);
        switch (step) {
          case 0:
            Fill(sheet);
            SendDlgItemMessageW(basic, 2036, CB_SETCURSEL, 0, 0);
            break;
          case 1: seen.push_back(std::to_string(SendDlgItemMessageW(basic, 2041, CB_GETCURSEL, 0, 0))); break;
          case 2: seen.push_back(std::to_string(SendDlgItemMessageW(basic, 2036, CB_GETCURSEL, 0, 0))); break;
          case 4: seen.push_back(std::to_string(IsDlgButtonChecked(basic, 2071))); break;
          case 5: seen.push_back(std::to_string(IsDlgButtonChecked(basic, 2027))); break;
          case 6: {
            char16_t t[16] = {};
            GetDlgItemTextW(basic, 2049, t, 16);
            seen.push_back(plat::ToUtf8(t));
            break;
          }
          case 9: seen.push_back(std::to_string(ui::Now() >= 300)); break;
        }
      });
  ASSERT_EQ(done.size(), 13u);
  for (size_t i = 0; i < done.size(); ++i) EXPECT_TRUE(done[i].ok) << i << ": " << done[i].why;
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "1", "1", "1", "1 2", "1"}));
  std::vector<std::string> want = {
      "setactive 0",                                                    // the sheet opens on Finish
      "cmd 2036 3", "setactive 1",                                      // the Basic tab clicked: made, then in front
      "cmd 2036 4", "cmd 2041 3", "cmd 2041 7", "cmd 2041 9", "cmd 2041 8", "cmd 2041 1",  // chosen in the dropped list
      "cmd 2041 4", "cmd 2036 3", "cmd 2036 1",                        // the focus given, then Down
      "cmd 2036 4", "cmd 2071 0",                                      // the click
      "cmd 2027 0",                                                    // check on: a click on the radio button
      "cmd 2049 256", "cmd 2049 768", "cmd 2049 768", "cmd 2049 768",  // typed key by key
      "cmd 2049 512",                                                  // then left with the tab key
      "cmd 2049 256", "help 2049",                                     // F1 on it again
      "setactive 0", "setactive 1",                                    // Finish, then back for the held button
      "cmd 2076 0",                                                    // held 300 ms: one click on release
      "cmd 2026 0", "cmd 2026 5"};                                     // a double click on a radio button
  EXPECT_EQ(Notes(), want);
}

INT_PTR NumbersProc(HWND page, UINT m, WPARAM wp, LPARAM lp) {
  // A scroll bar's parent sets its position itself.
  if ((m == WM_HSCROLL || m == WM_VSCROLL) && lp) {
    HWND bar = reinterpret_cast<HWND>(lp);
    char16_t cls[32] = {};
    GetClassNameW(bar, cls, 32);
    if (std::u16string(cls) == u"SCROLLBAR") {
      LRESULT pos = SendMessageW(bar, SBM_GETPOS, 0, 0);
      const WORD code = LOWORD(wp);
      // A vertical one is a spin button: up counts up.
      const LRESULT up = m == WM_VSCROLL ? 1 : -1;
      if (code == SB_LINEUP) pos += up;
      if (code == SB_LINEDOWN) pos -= up;
      if (code == SB_THUMBPOSITION) pos = int16_t(HIWORD(wp));
      SendMessageW(bar, SBM_SETPOS, WPARAM(pos), TRUE);
    }
  }
  if (m == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == TCN_SELCHANGE)
    Notes().push_back("tab " + std::to_string(SendDlgItemMessageW(page, 2166, TCM_GETCURSEL, 0, 0)));
  return PageProc(page, m, wp, lp);
}

TEST_F(SheetSteps, NumbersAreSlidSpunAndTabsPicked) {
  std::vector<std::string> seen;
  auto done = Play({"page Numbers", "slide 2264 40", "slide 2267 7", "spin 2030 up 3", "spin 2030 down",
                    "spin 2060 up 2", "tab 2166 Second", "tab 2166 0", "slide 2267 99", "tab 2166 Ninth",
                    "spin 2166 up", "slide 2166 1"},
                   [&](size_t step, HWND sheet) {
                     HWND page = Page(sheet, 2);
                     if (step == 0) {
                       SetWindowLongPtrW(page, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(NumbersProc));
                       SendDlgItemMessageW(page, 2264, SBM_SETRANGE, 0, 100);
                       SendDlgItemMessageW(page, 2030, SBM_SETRANGE, 0, 100);
                       SendDlgItemMessageW(page, 2030, SBM_SETPOS, 10, FALSE);
                       SendDlgItemMessageW(page, 2267, TBM_SETRANGE, FALSE, MAKELPARAM(0, 20));
                       SendDlgItemMessageW(page, 2060, UDM_SETRANGE32, 0, 50);
                       for (const char16_t* t : {u"First", u"Second"}) {
                         TCITEMW item{TCIF_TEXT, 0, 0, const_cast<char16_t*>(t), 0, 0, 0};
                         SendDlgItemMessageW(page, 2166, TCM_INSERTITEMW, 9, LPARAM(&item));
                       }
                     }
                     if (step == 5) {
                       for (INT id : {2264, 2030})
                         seen.push_back(std::to_string(SendDlgItemMessageW(page, id, SBM_GETPOS, 0, 0)));
                       seen.push_back(std::to_string(SendDlgItemMessageW(page, 2267, TBM_GETPOS, 0, 0)));
                       seen.push_back(std::to_string(SendDlgItemMessageW(page, 2060, UDM_GETPOS32, 0, 0)));
                     }
                   });
  ASSERT_EQ(done.size(), 12u);
  for (size_t i = 0; i < 8; ++i) EXPECT_TRUE(done[i].ok) << i << ": " << done[i].why;
  EXPECT_EQ(seen, (std::vector<std::string>{"40", "12", "7", "2"}));
  EXPECT_EQ(done[8].why, "the slider runs from 0 to 20");
  EXPECT_EQ(done[9].why, "no tab Ninth");
  EXPECT_EQ(done[10].why, "the control is a SysTabControl32, not a spin button");
  EXPECT_EQ(done[11].why, "the control is a SysTabControl32, not a slider");
  std::vector<std::string> tabs;
  for (const std::string& n : Notes())
    if (n.rfind("tab ", 0) == 0) tabs.push_back(n);
  EXPECT_EQ(tabs, (std::vector<std::string>{"tab 1", "tab 0"}));
}

TEST_F(SheetSteps, StepsThatCannotBeDoneSayWhy) {
  struct Case {
    const char* line;
    const char* why;
  } cases[] = {
      {"click 2001", "control 2001 is disabled"},
      {"click VPD_IDC_PRESET_BUTTON_CHANGE", "control VPD_IDC_PRESET_BUTTON_CHANGE is hidden"},
      {"click 4242", "there is no control 4242 in this sheet"},
      {"click NOPE", "'NOPE' is no control id and no item symbol of the catalogue"},
      {"check 2041 on", "the control is a COMBOBOX, not a check box or radio button"},
      {"select 2071 Two", "the control is a BUTTON, not a list"},
      {"select 2041 Nine", "no entry \"Nine\" in the list"},
      {"select 2041 7", "no entry 7 (the list has 3)"},
      {"click 2040", "the pointer at 60,9 of the control is over #32770 #0"},
      {"page 9", "the sheet has no page 9 (pages 0-2)"},
      {"page VPD_IDD_FINISH", "no page VPD_IDD_FINISH in the sheet (pages: \"Finish\", \"Basic\", \"Numbers\")"},
  };
  std::vector<std::string> lines = {"page 1"};
  for (const Case& c : cases) lines.push_back(c.line);
  auto done = Play(lines, [](size_t step, HWND sheet) {
    if (step == 0) Fill(sheet);
  });
  ASSERT_EQ(done.size(), lines.size());
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_FALSE(done[i + 1].ok) << cases[i].line;
    EXPECT_EQ(done[i + 1].why, cases[i].why) << cases[i].line;
  }
}

TEST_F(SheetSteps, LinesThatAreNoSteps) {
  struct Case {
    const char* line;
    bool ok;
  } cases[] = {
      {"click 2041", true},          {"click 2041 3 4", true},  {"click 2041 3", false},   {"click", false},
      {"check 2071 maybe", false},   {"hold 2076 -1", false},   {"wait 250", true},        {"wait soon", false},
      {"key 2036 f1", true},         {"key 2036 x", true},      {"key 2036 banana", false}, {"type 2049", false},
      {"type 2049 \"\"", true},      {"select 2041 A4 x", true}, {"page Paper size", true}, {"tree now", false},
      {"press the button", false},  {"slide 2264 40", true},   {"slide 2264", false},     {"slide 2264 x", false},
      {"spin 2030 up", true},       {"spin 2030 down 4", true}, {"spin 2030 left", false}, {"spin 2030 up 0", false},
      {"tab 2166 Paper size", true}, {"tab 2166", false},      {"dialog", true},          {"dialog 2", false},
      {"file C:\\x.qst", true},     {"file cancel", true},     {"file", false},
  };
  for (const Case& c : cases) {
    velm_cli::SheetStep step;
    std::string why;
    EXPECT_EQ(velm_cli::ParseSheetStep(c.line, &step, &why), c.ok) << c.line << ": " << why;
  }
  velm_cli::SheetStep step;
  std::string why;
  ASSERT_TRUE(velm_cli::ParseSheetStep("page  Paper size ", &step, &why));
  EXPECT_EQ(step.args, std::vector<std::string>{"Paper size"}) << "the rest of the line, trimmed";
  ASSERT_TRUE(velm_cli::ParseSheetStep("type 2049 \"\"", &step, &why));
  EXPECT_EQ(step.args, (std::vector<std::string>{"2049", ""})) << "quotes give the empty text";
  ASSERT_TRUE(velm_cli::ParseSheetStep("file C:\\My Files\\x.qst", &step, &why));
  EXPECT_EQ(step.args, std::vector<std::string>{"C:\\My Files\\x.qst"}) << "a path with blanks is one answer";
}

}  // namespace
