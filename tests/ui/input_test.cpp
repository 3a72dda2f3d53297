// The person's mouse and keyboard: which window the input reaches, in what
// messages, and how the standard controls answer it.
#include <gtest/gtest.h>

#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;

// A window class that records the input messages it gets.
std::vector<std::string>& Seen() {
  static std::vector<std::string> seen;
  return seen;
}
std::string Name(UINT m) {
  switch (m) {
    case WM_MOUSEMOVE: return "move";
    case WM_LBUTTONDOWN: return "down";
    case WM_LBUTTONUP: return "up";
    case WM_LBUTTONDBLCLK: return "dblclk";
    case WM_RBUTTONDOWN: return "rdown";
    case WM_RBUTTONUP: return "rup";
    case WM_KEYDOWN: return "keydown";
    case WM_KEYUP: return "keyup";
    case WM_CHAR: return "char";
    case WM_TIMER: return "timer";
    case WM_CAPTURECHANGED: return "capturechanged";
    case WM_CANCELMODE: return "cancelmode";
    case WM_HELP: return "help";
    case WM_CONTEXTMENU: return "contextmenu";
    case WM_SETCURSOR: return "setcursor";
  }
  return {};
}
LRESULT RecordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  std::string n = Name(m);
  if (!n.empty() && m != WM_SETCURSOR) {
    std::string line = std::to_string(GetDlgCtrlID(w)) + " " + n;
    if (m >= WM_MOUSEMOVE && m <= WM_RBUTTONDBLCLK)
      line += " " + std::to_string(int16_t(LOWORD(DWORD(lp)))) + "," + std::to_string(int16_t(HIWORD(DWORD(lp))));
    if (m == WM_CHAR) line += " " + std::string(1, char(wp));
    if (m == WM_HELP) line += " from " + std::to_string(reinterpret_cast<const HELPINFO*>(lp)->iCtrlId);
    if (m == WM_CONTEXTMENU) line += " from " + std::to_string(GetDlgCtrlID(HWND(wp)));
    Seen().push_back(line);
  }
  return DefWindowProcW(w, m, wp, lp);
}

class Input : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    Seen().clear();
    for (const auto& [name, style] : {std::pair{u"Rec", CS_DBLCLKS}, std::pair{u"RecNoDbl", 0u}}) {
      WNDCLASSW c{};
      c.style = style;
      c.lpfnWndProc = RecordingProc;
      c.lpszClassName = name;
      RegisterClassW(&c);
    }
  }
  void TearDown() override {
    Ui::TearDown();
    UnregisterClassW(u"Rec", nullptr);
    UnregisterClassW(u"RecNoDbl", nullptr);
  }
  // A shown top-level window at 0,0 of 300 x 200 pixels.
  HWND Top() {
    return CreateWindowExW(0, u"Rec", u"top", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
  }
  static HWND Child(HWND parent, const char16_t* cls, INT id, RECT r, DWORD style = 0) {
    return CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }
};

TEST_F(Input, HitTestingByZOrderVisibilityAndState) {
  HWND top = Top();
  HWND a = Child(top, u"Rec", 1, {10, 10, 110, 60});
  HWND b = Child(top, u"Rec", 2, {50, 30, 150, 90});  // beneath a where they overlap
  HWND label = Child(top, u"STATIC", 3, {200, 10, 280, 60});
  HWND under = Child(top, u"Rec", 4, {200, 10, 280, 60});
  HWND grouped = Child(top, u"BUTTON", 5, {10, 120, 150, 190}, BS_GROUPBOX);
  HWND inner = Child(top, u"Rec", 6, {20, 140, 60, 170});
  struct Case {
    const char* name;
    POINT point;
    HWND want;
  } cases[] = {
      {"the first child is on top", {60, 40}, a},
      {"the second where only it lies", {120, 80}, b},
      {"a label lets the point through", {210, 20}, under},
      {"a group box lets the point through", {30, 150}, inner},
      {"the parent between its children", {5, 5}, top},
      {"nothing outside every window", {400, 400}, nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowFromPoint(c.point), c.want) << c.name;
  (void)label;
  (void)grouped;

  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{60, 40}), b) << "a hidden window is passed over";
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{60, 40}), a) << "unless asked for every child";
  EnableWindow(b, FALSE);
  EXPECT_EQ(WindowFromPoint(POINT{60, 40}), top) << "a disabled child gives the point to its parent";

  // A click on the disabled child reaches the parent.
  ui::Click(top, POINT{60, 40});
  EXPECT_EQ(Seen(), (std::vector<std::string>{"0 move 60,40", "0 down 60,40", "0 up 60,40"}));
  // A disabled top-level window takes no clicks at all.
  Seen().clear();
  EnableWindow(top, FALSE);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), nullptr);
  EXPECT_FALSE(ui::Click(top, POINT{5, 5}));
  EXPECT_TRUE(Seen().empty());
}

TEST_F(Input, CaptureTakesTheMouseWhereverItIs) {
  HWND top = Top();
  HWND a = Child(top, u"Rec", 1, {0, 0, 100, 100});
  HWND b = Child(top, u"Rec", 2, {100, 0, 200, 100});
  SetCapture(a);
  ui::MoveMouse(POINT{150, 50});
  ui::PressButton(ui::Button::kLeft);
  ui::ReleaseButton(ui::Button::kLeft);
  ui::PlayInput();
  EXPECT_EQ(Seen(), (std::vector<std::string>{"1 move 150,50", "1 down 150,50", "1 up 150,50"}))
      << "in the capture window's coordinates";
  Seen().clear();
  SetCapture(b);
  ReleaseCapture();
  EXPECT_EQ(Seen(), (std::vector<std::string>{"1 capturechanged", "2 capturechanged"}));

  // A modal dialog that starts ends the mode of the window holding the capture.
  Seen().clear();
  SetCapture(b);
  ui::SetModalHandler([](HWND) { return false; });
  ui::DialogTemplate t;
  t.cx = 50;
  t.cy = 20;
  auto bytes = ui::EncodeDialogTemplate(t);
  DialogBoxIndirectParamW(nullptr, bytes.data(), top, nullptr, 0);
  EXPECT_EQ(Seen().front(), "2 cancelmode");
  EXPECT_EQ(GetCapture(), nullptr) << "its capture released";
}

TEST_F(Input, DoubleClicksOnTheVirtualClock) {
  struct Case {
    const char* name;
    const char16_t* cls;
    DWORD wait;
    LONG dx;
    const char* second;
    const char* third;  // at once after the second: a double click starts over
  } cases[] = {
      {"at once", u"Rec", 0, 0, "dblclk", "down"},
      {"at the end of the double-click time", u"Rec", 500, 0, "dblclk", "down"},
      {"after it", u"Rec", 501, 0, "down", "dblclk"},
      {"within the rectangle", u"Rec", 100, 2, "dblclk", "down"},
      {"outside it", u"Rec", 100, 3, "down", "dblclk"},
      {"on a class without double clicks", u"RecNoDbl", 0, 0, "down", "down"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::ResetWindowManager();
    HWND top = Top();
    Child(top, c.cls, 1, {0, 0, 100, 100});
    ui::MoveMouse(POINT{50, 50});
    ui::PressButton(ui::Button::kLeft);
    ui::ReleaseButton(ui::Button::kLeft);
    ui::Idle(c.wait);
    ui::MoveMouse(POINT{50 + c.dx, 50});
    ui::PressButton(ui::Button::kLeft);
    ui::ReleaseButton(ui::Button::kLeft);
    // A third press starts over.
    ui::PressButton(ui::Button::kLeft);
    ui::ReleaseButton(ui::Button::kLeft);
    Seen().clear();
    ui::PlayInput();
    std::vector<std::string> presses;
    for (const std::string& s : Seen())
      if (s.find("down") != std::string::npos || s.find("dblclk") != std::string::npos) presses.push_back(s.substr(2, s.find(' ', 2) - 2));
    EXPECT_EQ(presses, (std::vector<std::string>{"down", c.second, c.third}));
  }
}

TEST_F(Input, TimersRunWhileAButtonIsHeld) {
  HWND top = Top();
  HWND a = Child(top, u"Rec", 1, {0, 0, 100, 100});
  SetTimer(a, 7, 100, nullptr);
  ui::Hold(a, POINT{10, 10}, 350);
  std::vector<std::string> want = {"1 move 10,10", "1 down 10,10", "1 timer", "1 timer", "1 timer", "1 up 10,10"};
  EXPECT_EQ(Seen(), want) << "each tick on its own, the release at 350 ms";
  EXPECT_EQ(ui::Now(), 350u);
}

// A button that repeats while held runs a loop of its own that waits for
// messages: it sees each timer tick, and ends on the release, on losing the
// capture, or on WM_QUIT (which it posts again for the outer loop).
int g_ticks = 0;
std::string g_ended;
LRESULT RepeatProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m != WM_LBUTTONDOWN) return DefWindowProcW(w, m, wp, lp);
  SetCapture(w);
  SetTimer(w, 2, 100, nullptr);
  g_ticks = 0;
  MSG msg;
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(INT(msg.wParam));
      g_ended = "quit";
      break;
    }
    if (got < 0) {
      g_ended = "nothing more";
      break;
    }
    if (msg.message == WM_TIMER && msg.hwnd == w) {
      ++g_ticks;
      if (GetCapture() != w) {
        g_ended = "capture lost";
        break;
      }
      if (g_ticks == 2 && GetWindowLongPtrW(w, GWLP_USERDATA) == 1) SetCapture(nullptr);
      if (g_ticks == 2 && GetWindowLongPtrW(w, GWLP_USERDATA) == 2) PostQuitMessage(3);
      continue;
    }
    if (msg.message == WM_LBUTTONUP) {
      g_ended = "released";
      break;
    }
    DispatchMessageW(&msg);
  }
  KillTimer(w, 2);
  if (GetCapture() == w) ReleaseCapture();
  return 0;
}

TEST_F(Input, ALoopThatWaitsForMessagesSeesTheTicksOfAHeldButton) {
  WNDCLASSW c{};
  c.lpfnWndProc = RepeatProc;
  c.lpszClassName = u"Repeat";
  RegisterClassW(&c);
  struct Case {
    const char* name;
    LONG_PTR mode;
    DWORD held;
    int ticks;
    const char* ended;
  } cases[] = {
      {"released early", 0, 50, 0, "released"},
      {"held", 0, 450, 4, "released"},
      {"capture lost", 1, 1000, 3, "capture lost"},
      {"quit", 2, 1000, 2, "quit"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ui::ResetWindowManager();
    HWND top = Top();
    HWND b = Child(top, u"Repeat", 1, {0, 0, 50, 50});
    SetWindowLongPtrW(b, GWLP_USERDATA, k.mode);
    g_ended.clear();
    ui::Hold(b, POINT{5, 5}, k.held);
    EXPECT_EQ(g_ticks, k.ticks);
    EXPECT_EQ(g_ended, k.ended);
    MSG m;
    EXPECT_EQ(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE, k.mode == 2) << "the quit kept";
  }
  UnregisterClassW(u"Repeat", nullptr);
}

TEST_F(Input, KeysCharactersHelpAndTheContextMenu) {
  HWND d = Dialog({Item(u"EDIT", 20, WS_TABSTOP), Item(u"Rec", 21, WS_TABSTOP)});
  ASSERT_NE(d, nullptr);
  HWND rec = GetDlgItem(d, 21);
  SetFocus(rec);
  ui::TypeChars(u"a1");
  ui::TypeKey(VK_F1);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"21 keydown", "21 char a", "21 keyup", "21 keydown", "21 char 1", "21 keyup",
                                              "21 keydown", "21 help from 21", "21 keyup"}))
      << "characters through TranslateMessage, F1 as help to the focus window";
  EXPECT_EQ(GetKeyState(INT(VK_F1)), 0);

  // Help and the context menu go up to the dialog when the control leaves them.
  struct Asked {
    static std::vector<std::string>& Log() {
      static std::vector<std::string> log;
      return log;
    }
    static INT_PTR Proc(HWND, UINT m, WPARAM wp, LPARAM lp) {
      if (m == WM_HELP) Log().push_back("help " + std::to_string(reinterpret_cast<const HELPINFO*>(lp)->iCtrlId));
      if (m == WM_CONTEXTMENU) Log().push_back("menu " + std::to_string(GetDlgCtrlID(HWND(wp))));
      return m == WM_INITDIALOG;
    }
  };
  HWND d2 = Dialog({Item(u"EDIT", 30, WS_TABSTOP), Item(u"STATIC", 31, SS_LEFT, u"label")}, Asked::Proc);
  HWND edit = GetDlgItem(d2, 30);
  ui::Click(edit, ui::CenterOf(edit));
  ui::TypeKey(VK_F1);
  ui::Click(edit, ui::CenterOf(edit), ui::Button::kRight);
  EXPECT_FALSE(ui::Click(GetDlgItem(d2, 31), POINT{2, 2})) << "a label is not where the mouse lands";
  ui::Click(d2, POINT{GetDlgItem(d2, 31) ? 10 : 0, 0}, ui::Button::kRight);
  EXPECT_EQ(Asked::Log(), (std::vector<std::string>{"help 30", "menu 30", "menu 0"}));
}

TEST_F(Input, ControlsAnswerThePerson) {
  HWND d = Dialog({Item(u"BUTTON", 10, BS_PUSHBUTTON | WS_TABSTOP), Item(u"LISTBOX", 11, LBS_NOTIFY | WS_TABSTOP),
                   Item(u"COMBOBOX", 12, CBS_DROPDOWNLIST | WS_TABSTOP), Item(u"BUTTON", 13, BS_AUTORADIOBUTTON)});
  HWND b = GetDlgItem(d, 10), l = GetDlgItem(d, 11), c = GetDlgItem(d, 12);
  for (const char16_t* s : {u"one", u"two", u"three"}) {
    SendMessageW(l, LB_ADDSTRING, 0, LPARAM(s));
    SendMessageW(c, CB_ADDSTRING, 0, LPARAM(s));
  }
  auto events = [] {
    std::vector<std::string> e = ui_test::Recorder::Events();
    ui_test::Recorder::Events().clear();
    return e;
  };
  // A press on the button released outside it is no click.
  POINT in = ui::CenterOf(b);
  RECT br{};
  GetWindowRect(b, &br);
  ui::MoveMouse(POINT{br.left + in.x, br.top + in.y});
  ui::PressButton(ui::Button::kLeft);
  ui::MoveMouse(POINT{br.right + 20, br.top + in.y});
  ui::ReleaseButton(ui::Button::kLeft);
  ui::PlayInput();
  EXPECT_TRUE(events().empty());
  // The space key clicks the focused button on its release.
  ui::TypeKey(VK_SPACE, u' ');
  EXPECT_EQ(events(), std::vector<std::string>{"cmd 10 0"});

  // The list: a click chooses, arrows move, a double click tells.
  ui::ChooseItem(d, 11, 1);
  ui::TypeKey(VK_DOWN);
  ui::TypeKey(VK_DOWN);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 2) << "the last entry stops the arrow";
  ui::DoubleClick(l, POINT{4, 8});
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), SendMessageW(l, LB_GETTOPINDEX, 0, 0)) << "the entry in the first row";
  EXPECT_EQ(events(), (std::vector<std::string>{"cmd 11 4", "cmd 11 1", "cmd 11 1", "cmd 11 1", "cmd 11 2"}));

  // The combo drops down on a click and closes, choosing nothing, on a
  // click beside it.
  ui::Click(c, ui::CenterOf(c));
  EXPECT_TRUE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(GetCapture(), c);
  ui::Click(c, POINT{-30, -30});
  EXPECT_FALSE(SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(events(), (std::vector<std::string>{"cmd 11 5", "cmd 12 3", "cmd 12 7", "cmd 12 10", "cmd 12 8"}));
  // A disabled control is not clicked; the dialog gets the click instead.
  EnableWindow(GetDlgItem(d, 13), FALSE);
  EXPECT_FALSE(ui::ClickButton(d, 13));
  EXPECT_EQ(IsDlgButtonChecked(d, 13), BST_UNCHECKED);
}

// A click on a tab brings its page forward; a page that refuses to go keeps
// the sheet where it is.
std::vector<std::string> g_pages;
INT_PTR PageProc(HWND page, UINT m, WPARAM, LPARAM lp) {
  if (m == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
    return TRUE;
  }
  if (m != WM_NOTIFY) return FALSE;
  LONG_PTR n = GetWindowLongPtrW(page, DWLP_USER);
  UINT code = reinterpret_cast<const NMHDR*>(lp)->code;
  if (code == PSN_SETACTIVE) g_pages.push_back("setactive " + std::to_string(n));
  if (code == PSN_KILLACTIVE) {
    g_pages.push_back("killactive " + std::to_string(n));
    SetWindowLongPtrW(page, DWLP_MSGRESULT, n == 2 ? TRUE : FALSE);  // page 2 refuses
  }
  return TRUE;
}

TEST_F(Input, TabsOfASheetBringTheirPagesForward) {
  ui::DialogTemplate t;
  t.style = WS_CHILD;
  t.cx = 100;
  t.cy = 50;
  auto bytes = ui::EncodeDialogTemplate(t);
  std::vector<HPROPSHEETPAGE> pages;
  for (LPARAM i : {1, 2, 3}) {
    std::u16string title = i == 1 ? u"Basic" : i == 2 ? u"Paper" : u"Finish";
    PROPSHEETPAGEW p{sizeof p, PSP_DLGINDIRECT | PSP_USETITLE, nullptr, nullptr, bytes.data(), title.c_str(), PageProc, i,
                     nullptr};
    pages.push_back(CreatePropertySheetPageW(&p));
  }
  g_pages.clear();
  std::vector<std::string> seen_tabs;
  int step = 0;
  ui::SetModalHandler([&](HWND sheet) {
    HWND tabs = HWND(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    RECT r{};
    switch (step++) {
      case 0:
        SendMessageW(tabs, TCM_GETITEMRECT, 1, LPARAM(&r));
        EXPECT_TRUE(ui::Click(tabs, POINT{r.left + 2, r.top + 2}));
        return true;
      case 1:
        SendMessageW(tabs, TCM_GETITEMRECT, 2, LPARAM(&r));
        ui::Click(tabs, POINT{r.left + 2, r.top + 2});
        for (const ui::SheetPageInfo& p : ui::SheetPages(sheet))
          seen_tabs.push_back(plat::ToUtf8(p.title) + (p.current ? "*" : "") + (p.window ? "" : " unmade"));
        EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1) << "the refused tab stays unselected";
        return ui::ClickButton(sheet, IDCANCEL);
    }
    return false;
  });
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.pszCaption = u"S";
  h.nPages = 3;
  h.phpage = pages.data();
  EXPECT_EQ(PropertySheetW(&h), 0);
  EXPECT_EQ(g_pages, (std::vector<std::string>{"setactive 1", "killactive 1", "setactive 2", "killactive 2"}));
  EXPECT_EQ(seen_tabs, (std::vector<std::string>{"Basic", "Paper*", "Finish unmade"}));
  EXPECT_TRUE(ui::SheetPages(nullptr).empty());
}

TEST_F(Input, ARowOfTabsTooLongIsSqueezedIntoTheControl) {
  HWND top = Top();
  HWND tabs = Child(top, WC_TABCONTROLW, 9, {0, 0, 200, 22});
  for (int i = 0; i < 8; ++i) {
    std::u16string text = u"A long caption " + std::u16string(1, char16_t(u'0' + i));
    TCITEMW item{TCIF_TEXT, 0, 0, text.data(), 0, 0, 0};
    SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(i), LPARAM(&item));
  }
  RECT first{}, last{};
  SendMessageW(tabs, TCM_GETITEMRECT, 0, LPARAM(&first));
  SendMessageW(tabs, TCM_GETITEMRECT, 7, LPARAM(&last));
  EXPECT_GE(first.left, 0);
  EXPECT_LE(last.right, 200) << "the last tab within the control";
  EXPECT_LT(first.right, last.left);
  EXPECT_TRUE(ui::Click(tabs, POINT{(last.left + last.right) / 2, 5}));
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 7) << "a parent that does not refuse lets the tab change";
}

}  // namespace
