#include <gtest/gtest.h>

#include "plat/kernel.h"
#include "plat/resources.h"
#include "plat/calls.h"
#include "plat/machineconf.h"
#include "temp_machine.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;

std::vector<std::string> g_seen;

LRESULT Logger(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER || m == WM_TIMER || m == WM_USER + 1) g_seen.push_back(std::to_string(m) + ":" + std::to_string(wp));
  if (m == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    if (cs->lpCreateParams == reinterpret_cast<void*>(1)) return -1;
  }
  return DefWindowProcW(w, m, wp, lp);
}

void TimerProc(HWND, UINT, UINT_PTR id, DWORD time) { g_seen.push_back("proc " + std::to_string(id) + "@" + std::to_string(time)); }

class Manager : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    g_seen.clear();
    WNDCLASSW c{};
    c.lpfnWndProc = Logger;
    c.lpszClassName = u"TestLogger";
    c.cbWndExtra = 16;
    UnregisterClassW(u"TestLogger", nullptr);
    ASSERT_NE(RegisterClassW(&c), 0);
  }
  static std::vector<std::string> Drain() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    return g_seen;
  }
};

TEST_F(Manager, WindowsSlotsAndDestruction) {
  EXPECT_EQ(CreateWindowExW(0, u"TestLogger", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, reinterpret_cast<void*>(1)),
            nullptr)
      << "-1 from WM_CREATE refuses the window";
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(ui::LiveWindowCount(), 0u);

  HWND top = CreateWindowExW(0, u"TestLogger", u"Top", WS_VISIBLE, 10, 20, 300, 200, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExW(0, u"testlogger", u"C", WS_CHILD | WS_VISIBLE, 5, 6, 50, 40, top,
                               reinterpret_cast<HMENU>(7), nullptr, nullptr);
  HWND owned = CreateWindowExW(0, u"TestLogger", u"", 0, 0, 0, 1, 1, child, nullptr, nullptr, nullptr);
  ASSERT_TRUE(top && child && owned);
  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), top) << "owned by the top-level ancestor";
  EXPECT_EQ(GetDlgCtrlID(child), 7);
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 15);
  EXPECT_EQ(r.top, 26);
  // Extra bytes: within the class's size only.
  EXPECT_EQ(SetWindowLongPtrW(top, 8, 42), 0);
  EXPECT_EQ(GetWindowLongPtrW(top, 8), 42);
  EXPECT_EQ(GetWindowLongPtrW(top, 9), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
  ShowWindow(top, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(child)) << "hidden with its parent";

  PostMessageW(child, WM_USER, 1, 0);
  SetTimer(child, 3, 100, nullptr);
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(ui::LiveWindowCount(), 0u);
  MSG m;
  ui::AdvanceClock(500);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) << "messages and timers die with the window";
  EXPECT_EQ(SendMessageW(child, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(Manager, QueueOrderFiltersAndQuit) {
  HWND a = CreateWindowExW(0, u"TestLogger", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  HWND b = CreateWindowExW(0, u"TestLogger", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  PostMessageW(a, WM_USER, 1, 0);
  PostMessageW(b, WM_USER + 1, 2, 0);
  PostMessageW(a, WM_USER, 3, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_USER + 1, WM_USER + 1, PM_REMOVE));
  EXPECT_EQ(m.wParam, 2u);
  EXPECT_EQ(Drain(), (std::vector<std::string>{"1024:1", "1024:3"}));
  PostQuitMessage(5);
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
  EXPECT_EQ(m.wParam, 5u);
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), -1) << "nothing to wait for";
}

TEST_F(Manager, TimersRunOnTheVirtualClock) {
  HWND a = CreateWindowExW(0, u"TestLogger", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetTimer(a, 1, 100, nullptr);
  UINT_PTR free_id = SetTimer(nullptr, 0, 250, TimerProc);
  ASSERT_NE(free_id, 0u);
  ui::AdvanceClock(99);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
  ui::AdvanceClock(401);  // t = 500: timer 1 fell due five times, the other twice
  EXPECT_EQ(Drain(), (std::vector<std::string>{"275:1", "proc " + std::to_string(free_id) + "@500"}))
      << "one WM_TIMER per timer until dispatched";
  g_seen.clear();
  // GetMessageW moves the clock on to the first timer due.
  ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(m.wParam, 1u);
  EXPECT_EQ(ui::Now(), 600u);
  KillTimer(a, 1);
  KillTimer(nullptr, free_id);
  EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), -1);
  // A killed timer's posted message is not delivered.
  SetTimer(a, 2, 10, nullptr);
  ui::AdvanceClock(10);
  KillTimer(a, 2);
  EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Manager, FocusCaptureAndActivation) {
  HWND d = Dialog({Item(u"EDIT", 1, WS_TABSTOP), Item(u"BUTTON", 2, WS_TABSTOP), Item(u"STATIC", 3, 0)});
  EXPECT_EQ(GetFocus(), GetDlgItem(d, 1)) << "the dialog's first tab stop gets the focus";
  EXPECT_EQ(GetActiveWindow(), d);
  EXPECT_EQ(GetNextDlgTabItem(d, GetDlgItem(d, 2), FALSE), GetDlgItem(d, 1));
  EnableWindow(GetDlgItem(d, 1), FALSE);
  EXPECT_EQ(GetFocus(), nullptr) << "a disabled window loses the focus";
  EXPECT_EQ(SetFocus(GetDlgItem(d, 1)), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  SetCapture(GetDlgItem(d, 2));
  DestroyWindow(d);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

// ---- modal dialogs from a resource module ---------------------------------------------

int g_inits = 0;
INT_PTR OkProc(HWND d, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_INITDIALOG) {
    ++g_inits;
    SetDlgItemTextW(d, 5005, reinterpret_cast<LPCWSTR>(lp));
    return TRUE;
  }
  if (m == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    EndDialog(d, LOWORD(wp) == IDOK ? 77 : 88);
    return TRUE;
  }
  return FALSE;
}

class Dialogs : public Manager {
 protected:
  void SetUp() override {
    Manager::SetUp();
    ui::DialogTemplate t;
    t.title = u"Status";
    t.cx = 160;
    t.cy = 60;
    t.items = {Item(u"STATIC", 5005, SS_LEFT), Item(u"BUTTON", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, u"OK"),
               Item(u"BUTTON", IDCANCEL, WS_TABSTOP, u"Cancel")};
    ui::DialogTemplate bad = t;
    bad.items.push_back(Item(u"NoSuchClass", 9, 0));
    std::string base = plat::StandinModuleDir() + "/velmres.dll";
    ASSERT_TRUE(plat::WriteResourceModule(plat_test::TempMachine::Host(u"C:\\Windows\\System32\\dlgs.dll"), base,
                                          {ui::DialogResource(4006, t), ui::DialogResource(4007, bad),
                                           plat::ResourceEntry{RT_DIALOG, 4008, {1, 2, 3}}}));
    module_ = LoadLibraryW(u"dlgs.dll");
    ASSERT_NE(module_, nullptr);
    g_inits = 0;
  }
  void TearDown() override {
    ui::ResetWindowManager();
    FreeLibrary(module_);
  }
  plat_test::TempMachine machine_;
  HMODULE module_ = nullptr;
};

TEST_F(Dialogs, ModalDialogRunsTheScriptAndDisablesItsOwner) {
  HWND owner = CreateWindowExW(0, u"TestLogger", u"Owner", WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  std::string seen;
  bool owner_enabled = true;
  ui::SetModalHandler([&](HWND d) {
    seen = ui::DumpWindowTree(d);
    owner_enabled = IsWindowEnabled(owner);
    return ui::ClickButton(d, IDOK);
  });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4006), owner, OkProc, LPARAM(u"Hello")), 77);
  EXPECT_FALSE(owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(seen,
            "#32770 \"Status\"\n"
            "  STATIC #5005 \"Hello\"\n"
            "  BUTTON #1 \"OK\" focus\n"
            "  BUTTON #2 \"Cancel\"\n");
  EXPECT_EQ(ui::TopLevelWindows(), std::vector<HWND>{owner}) << "the dialog is gone";
}

TEST_F(Dialogs, NestedModalDialogsStackAndTheScriptActsOnTheTopmost) {
  std::vector<size_t> depths;
  std::string tree;
  INT_PTR inner = 0;
  ui::SetModalHandler([&](HWND d) {
    const std::vector<HWND> stack = ui::ModalStack();
    EXPECT_EQ(stack.back(), d) << "the handler is given the topmost dialog";
    depths.push_back(stack.size());
    if (stack.size() == 1 && !inner) {
      inner = DialogBoxParamW(module_, MAKEINTRESOURCEW(4006), d, OkProc, LPARAM(u"Inner"));
      return true;
    }
    if (stack.size() == 2) tree = ui::DumpAllWindows();
    // The inner dialog is cancelled, the outer one confirmed.
    return ui::ClickButton(d, stack.size() == 2 ? IDCANCEL : IDOK);
  });
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4006), nullptr, OkProc, LPARAM(u"Outer")), 77);
  EXPECT_EQ(inner, 88);
  EXPECT_EQ(depths, (std::vector<size_t>{1, 2, 1}));
  EXPECT_NE(tree.find("\"Outer\""), std::string::npos) << tree;
  EXPECT_NE(tree.find("\"Inner\""), std::string::npos) << "the tree shows the whole stack";
  EXPECT_TRUE(ui::ModalStack().empty());
}

TEST_F(Dialogs, ScreenTaskbarAndHelpComeFromTheMachine) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  HWND taskbar = FindWindowW(u"Shell_TrayWnd", nullptr);
  ASSERT_NE(taskbar, nullptr);
  RECT r{};
  ASSERT_TRUE(GetWindowRect(taskbar, &r));
  EXPECT_EQ(r.top, 728);
  EXPECT_EQ(r.right, 1024);
  ASSERT_TRUE(plat::SetMachineSetting("screen.width", "1280"));
  ASSERT_TRUE(plat::SetMachineSetting("taskbar.rect", "1240,0,1280,1024"));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  ASSERT_TRUE(GetWindowRect(FindWindowW(u"shell_traywnd", nullptr), &r));
  EXPECT_EQ(r.left, 1240);
  for (const char* bad : {"", "1,2,3", "5,0,1,9", "1,2,3,4x"}) {
    ASSERT_TRUE(plat::SetMachineSetting("taskbar.rect", bad));
    EXPECT_EQ(FindWindowW(u"Shell_TrayWnd", nullptr), nullptr) << "no taskbar for \"" << bad << "\"";
  }
  HWND owner = CreateWindowExW(0, u"TestLogger", u"Owner", WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(FindWindowW(u"testlogger", u"Owner"), owner);
  EXPECT_EQ(FindWindowW(u"TestLogger", u"Other"), nullptr);

  plat::ResetCalls();
  const DWORD pairs[] = {2001, 501, 2002, 502, 0, 0};
  EXPECT_TRUE(WinHelpW(owner, u"C:\\h.hlp", HELP_WM_HELP, ULONG_PTR(pairs)));
  EXPECT_TRUE(WinHelpW(nullptr, u"C:\\h.hlp", HELP_CONTEXTMENU, 0));
  EXPECT_EQ(plat::CallCount("WinHelpW"), 2);
  const std::vector<std::string> log = plat::CallLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "WinHelpW window 0 C:\\h.hlp 12 2001:501 2002:502");
  EXPECT_EQ(log[1], "WinHelpW window 0 C:\\h.hlp 10");
}

TEST_F(Dialogs, WithoutAScriptTheLayerCancelsAndSaysSo) {
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4006), nullptr, OkProc, LPARAM(u"x")), 88);
  ASSERT_EQ(ui::Log().size(), 1u);
  EXPECT_EQ(ui::Log()[0], "closed by the layer: Status");
  // A dialog without a procedure cannot end itself: the layer ends it.
  ui::ClearLog();
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4006), nullptr, nullptr, 0), IDCANCEL);
  EXPECT_EQ(ui::Log().back(), "dialog ended by the layer: IDCANCEL");
}

TEST_F(Dialogs, BadTemplatesFailWithoutWindowsLeft) {
  EXPECT_EQ(DialogBoxParamW(module_, MAKEINTRESOURCEW(4007), nullptr, OkProc, 0), -1);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(CreateDialogParamW(module_, MAKEINTRESOURCEW(4008), nullptr, OkProc, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_BAD_FORMAT);
  EXPECT_EQ(CreateDialogParamW(module_, MAKEINTRESOURCEW(4999), nullptr, OkProc, 0), nullptr);
  EXPECT_EQ(ui::LiveWindowCount(), 0u);
  EXPECT_EQ(g_inits, 0);
  // Every truncation of a good template is refused.
  ui::DialogTemplate t;
  t.items = {Item(u"STATIC", 1, 0, u"abc")};
  auto bytes = ui::EncodeDialogTemplate(t);
  for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(ui::DecodeDialogTemplate(bytes.data(), n)) << n;
  EXPECT_TRUE(ui::DecodeDialogTemplate(bytes.data(), bytes.size()));
}

TEST_F(Dialogs, ModelessDialogWithoutProcedureShowsItsText) {
  HWND d = CreateDialogParamW(module_, MAKEINTRESOURCEW(4006), nullptr, nullptr, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(IsWindowVisible(d)) << "the template is not WS_VISIBLE";
  SetDlgItemTextW(d, 5005, u"Please wait");
  char16_t buf[32];
  EXPECT_EQ(GetDlgItemTextW(d, 5005, buf, 32), 11u);
  RECT r{0, 0, 4, 8};
  MapDialogRect(d, &r);
  EXPECT_EQ(r.right, 6);
  EXPECT_EQ(r.bottom, 13);
  EXPECT_TRUE(DestroyWindow(d));
}

}  // namespace
