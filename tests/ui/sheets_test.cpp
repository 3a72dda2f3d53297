#include <gtest/gtest.h>

#include "plat/kernel.h"
#include "temp_machine.h"
#include "ui/compstui.h"
#include "ui/format.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;

std::vector<std::string> g_events;
LRESULT g_apply_answer = PSNRET_NOERROR;
LRESULT g_cancel_answer = 0;

// A page that records its notifications; page lParam is its name.
INT_PTR PageProc(HWND page, UINT m, WPARAM, LPARAM lp) {
  if (m == WM_INITDIALOG) {
    auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(lp);
    SetWindowLongPtrW(page, DWLP_USER, psp->lParam);
    g_events.push_back(std::string("init ") + reinterpret_cast<const char*>(psp->lParam));
    return TRUE;
  }
  const char* name = reinterpret_cast<const char*>(GetWindowLongPtrW(page, DWLP_USER));
  if (m == WM_COMMAND) {
    SendMessageW(GetParent(page), PSM_CHANGED, WPARAM(page), 0);
    return TRUE;
  }
  if (m != WM_NOTIFY) return FALSE;
  auto* n = reinterpret_cast<PSHNOTIFY*>(lp);
  std::string what = n->hdr.code == PSN_SETACTIVE    ? "setactive"
                     : n->hdr.code == PSN_KILLACTIVE ? "killactive"
                     : n->hdr.code == PSN_APPLY      ? (n->lParam ? "apply ok" : "apply")
                     : n->hdr.code == PSN_RESET      ? "reset"
                     : n->hdr.code == PSN_QUERYCANCEL ? "querycancel"
                                                      : "other";
  g_events.push_back(what + " " + name);
  LRESULT r = 0;
  if (n->hdr.code == PSN_APPLY) r = g_apply_answer;
  if (n->hdr.code == PSN_QUERYCANCEL) r = g_cancel_answer;
  SetWindowLongPtrW(page, DWLP_MSGRESULT, r);
  return TRUE;
}

UINT PageCallback(HWND, UINT message, PROPSHEETPAGEW* page) {
  g_events.push_back(std::string(message == PSPCB_RELEASE ? "release " : message == PSPCB_CREATE ? "create " : "addref ") +
                     reinterpret_cast<const char*>(page->lParam));
  return 1;
}

class Sheets : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    g_events.clear();
    g_apply_answer = PSNRET_NOERROR;
    g_cancel_answer = 0;
    ui::DialogTemplate t;
    t.cx = 200;
    t.cy = 150;
    t.items = {Item(u"BUTTON", 100, BS_AUTOCHECKBOX | WS_TABSTOP, u"Option")};
    page_bytes_ = ui::EncodeDialogTemplate(t);
  }
  HPROPSHEETPAGE Page(const char* name, bool callback = false) {
    PROPSHEETPAGEW p{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_DLGINDIRECT | (callback ? PSP_USECALLBACK : 0);
    p.pResource = page_bytes_.data();
    p.pfnDlgProc = PageProc;
    p.lParam = LPARAM(name);
    p.pfnCallback = PageCallback;
    return CreatePropertySheetPageW(&p);
  }
  INT_PTR Run(std::vector<HPROPSHEETPAGE> pages, ui::ModalHandler script) {
    ui::SetModalHandler(std::move(script));
    PROPSHEETHEADERW h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPTITLE;
    h.pszCaption = u"P1";
    h.nPages = UINT(pages.size());
    h.phpage = pages.data();
    return PropertySheetW(&h);
  }
  std::vector<uint8_t> page_bytes_;
};

TEST_F(Sheets, OkAppliesEveryPageMadeAndReleasesThePages) {
  std::string tree;
  int step = 0;
  INT_PTR r = Run({Page("a", true), Page("b")}, [&](HWND sheet) {
    switch (step++) {
      case 0:
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_APPLY)));
        SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
        return true;
      case 1: {
        HWND page = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ui::ClickButton(page, 100);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(sheet, IDC_SHEET_APPLY))) << "a change enables Apply";
        tree = ui::DumpWindowTree(sheet);
        return ui::ClickButton(sheet, IDOK);
      }
    }
    return false;
  });
  EXPECT_EQ(r, 1);
  std::vector<std::string> want = {"addref a",     "create a",   "init a",     "setactive a", "killactive a", "init b",
                                   "setactive b",  "killactive b", "apply ok a", "apply ok b", "release a"};
  EXPECT_EQ(g_events, want);
  EXPECT_EQ(tree,
            "#32770 \"P1 Properties\"\n"
            "  BUTTON #1 \"OK\"\n"
            "  BUTTON #2 \"Cancel\"\n"
            "  BUTTON #12321 \"&Apply\"\n"
            "  #32770 #0 \"\" hidden\n"
            "    BUTTON #100 \"Option\" [ ]\n"
            "  #32770 #0 \"\"\n"
            "    BUTTON #100 \"Option\" focus [x]\n");
  EXPECT_EQ(ui::LivePropertySheetPages(), 0u);
  EXPECT_EQ(ui::LiveWindowCount(), 0u);
}

TEST_F(Sheets, AnInvalidPageKeepsTheSheetAndCancelResets) {
  int step = 0;
  INT_PTR r = Run({Page("a"), Page("b")}, [&](HWND sheet) {
    switch (step++) {
      case 0:
        g_apply_answer = PSNRET_INVALID;
        return ui::ClickButton(sheet, IDOK);
      case 1:
        g_cancel_answer = 1;  // the page refuses to be cancelled once
        return ui::ClickButton(sheet, IDCANCEL);
      case 2:
        g_cancel_answer = 0;
        return ui::ClickButton(sheet, IDCANCEL);
    }
    return false;
  });
  EXPECT_EQ(r, 0);
  std::vector<std::string> want = {"init a", "setactive a", "killactive a", "apply ok a", "querycancel a",
                                   "querycancel a", "reset a"};
  EXPECT_EQ(g_events, want);
  EXPECT_EQ(ui::LivePropertySheetPages(), 0u);
}

TEST_F(Sheets, NoPagesOrNoScript) {
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  EXPECT_EQ(PropertySheetW(&h), -1);
  // Closed by the layer as Cancel when nobody acts.
  EXPECT_EQ(Run({Page("a")}, nullptr), 0);
  EXPECT_EQ(g_events.back(), "reset a");
  EXPECT_EQ(ui::Log().back(), "closed by the layer: P1 Properties");
}

// ---- compstui.dll ---------------------------------------------------------------------

std::vector<std::string> g_reasons;
LONG g_init_answer = 1;
std::vector<uint8_t>* g_page;

LONG SheetCallback(PROPSHEETUI_INFO* info, LPARAM param) {
  static const char* names[] = {"INIT", "GET_INFO_HEADER", "DESTROY", "SET_RESULT", "GET_ICON"};
  g_reasons.push_back(names[info->Reason] + std::string(" ") + std::to_string(param == 42 ? 42 : 0));
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: {
      PROPSHEETPAGEW p{};
      p.dwSize = sizeof p;
      p.dwFlags = PSP_DLGINDIRECT;
      p.pResource = g_page->data();
      p.pfnDlgProc = PageProc;
      p.lParam = LPARAM("doc");
      info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE, LPARAM(CreatePropertySheetPageW(&p)), 0);
      info->UserData = 7;
      return g_init_answer;
    }
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* h = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(param);
      h->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
      h->pTitle = const_cast<LPWSTR>(u"Printer");
      return 1;
    }
    case PROPSHEETUI_REASON_SET_RESULT:
      info->Result = ULONG_PTR(reinterpret_cast<SETRESULT_INFO*>(param)->Result);
      return 1;
    case PROPSHEETUI_REASON_DESTROY:
      if (param) info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_SET_RESULT, 0, 1);
      return 1;
  }
  return -1;
}

TEST_F(Sheets, CommonPropertySheetsRunTheCallbackReasons) {
  plat_test::TempMachine machine;
  HMODULE m = LoadLibraryA("compstui.dll");
  ASSERT_NE(m, nullptr);
  auto run = reinterpret_cast<CommonPropertySheetUIWProc>(GetProcAddress(m, "CommonPropertySheetUIW"));
  ASSERT_NE(run, nullptr);
  g_page = &page_bytes_;
  struct Case {
    const char* name;
    LONG init;
    bool ok;
    LONG answer;
    DWORD result;
    std::vector<std::string> reasons;
  } cases[] = {
      {"OK", 1, true, CPSUI_OK, 1, {"INIT 42", "GET_INFO_HEADER 0", "DESTROY 0", "SET_RESULT 0"}},
      {"Cancel", 1, false, CPSUI_CANCEL, 0, {"INIT 42", "GET_INFO_HEADER 0", "DESTROY 0"}},
      {"INIT fails", -1, true, ERR_CPSUI_GETLASTERROR, 99, {"INIT 42"}},
  };
  for (const Case& c : cases) {
    g_reasons.clear();
    g_init_answer = c.init;
    std::string title;
    ui::SetModalHandler([&](HWND sheet) {
      title = Text(sheet);
      EXPECT_EQ(GetDlgItem(sheet, IDC_SHEET_APPLY), nullptr) << "no Apply button";
      return ui::ClickButton(sheet, c.ok ? IDOK : IDCANCEL);
    });
    DWORD result = 99;
    EXPECT_EQ(run(nullptr, SheetCallback, 42, &result), c.answer) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
    // DESTROY's lParam tells OK from Cancel: "DESTROY 0" is printed for both
    // by the recorder, the result shows which.
    EXPECT_EQ(g_reasons, c.reasons) << c.name;
    if (c.init > 0) {
      EXPECT_EQ(title, "Printer Properties");
    }
    EXPECT_EQ(ui::LivePropertySheetPages(), 0u) << c.name;
  }
  FreeLibrary(m);
  // Absent: the module cannot be loaded.
  ASSERT_EQ(std::remove(plat_test::TempMachine::Host(u"C:\\Windows\\System32\\compstui.dll").c_str()), 0);
  EXPECT_EQ(LoadLibraryA("compstui.dll"), nullptr);
}

// ---- the formatter ----------------------------------------------------------------------

TEST(Format, WindowsRulesFromAnArgumentList) {
  using ui::FormatArg;
  auto N = FormatArg::Number;
  auto T = FormatArg::Text;
  struct Case {
    const char16_t* format;
    std::vector<FormatArg> args;
    const char* want;
  } cases[] = {
      {u"%d of %u (%x) %s 100%", {N(3), N(10)}, "3 of 10 (%x) %s 100%"},
      {u"%s and %d", {N(5)}, "%s and 5"},
      {u"%5d|%-5d|%05d|%+d|% d", {N(42), N(42), N(-42), N(7), N(7)}, "   42|42   |-0042|+7| 7"},
      {u"%#x %#X %#o %X", {N(255), N(255), N(8), N(-1)}, "0xff 0XFF 010 FFFFFFFF"},
      {u"%hd %hu %hhu %I64d %lld %ld", {N(70000), N(-1), N(257), N(1LL << 40), N(-(1LL << 40)), N(1LL << 40)},
       "4464 65535 1 1099511627776 -1099511627776 0"},
      {u"%.3d %.0d| %.2s %ls %S %ws", {N(7), N(0), T(u"abc"), T(u"x"), T(u"y"), T(u"z")}, "007 | ab x y z"},
      {u"%*d %-*d|", {N(4), N(1), N(3), N(2)}, "   1 2  |"},
      {u"%*d", {N(-3), N(1)}, "1  "},
      {u"%c%c", {N(u'h'), N(u'i')}, "hi"},
      {u"%n %p %f %q %", {N(1), N(2), N(3)}, "%n %p %f %q %"},
      {u"%", {}, "%"},
      {u"%-", {}, "%-"},
      {u"%99999999999999999999d", {N(1)}, nullptr},
  };
  for (const Case& c : cases) {
    std::u16string got = ui::FormatW(c.format, c.args, 100);
    if (c.want) {
      EXPECT_EQ(plat::ToUtf8(got), c.want) << plat::ToUtf8(c.format);
    } else {
      EXPECT_EQ(got.size(), 100u) << "bounded: " << plat::ToUtf8(c.format);
    }
  }
  // The bound holds for any format.
  std::u16string many(5000, u'x');
  EXPECT_EQ(ui::FormatW(many, {}, 1024).size(), 1024u);
  EXPECT_EQ(ui::FormatW(u"%s%s%s", {T(many)}, 10).size(), 10u);
}

// A page larger than the sheet's page area: the sheet grows to hold it,
// its buttons move below the page (a person must see and reach them), and
// a smaller page changes nothing.
TEST_F(Sheets, TheSheetGrowsToHoldItsLargestPage) {
  struct Case {
    int16_t cx, cy;
    bool grows;
  } cases[] = {{200, 150, false}, {300, 260, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cx);
    ui::DialogTemplate t;
    t.cx = c.cx;
    t.cy = c.cy;
    page_bytes_ = ui::EncodeDialogTemplate(t);
    RECT sheet_rect{}, page_rect{}, ok_rect{};
    Run({Page("a")}, [&](HWND sheet) {
      HWND page = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      GetWindowRect(sheet, &sheet_rect);
      GetWindowRect(page, &page_rect);
      GetWindowRect(GetDlgItem(sheet, IDOK), &ok_rect);
      return ui::ClickButton(sheet, IDCANCEL);
    });
    EXPECT_LE(page_rect.right, sheet_rect.right);
    EXPECT_LE(page_rect.bottom, ok_rect.top);
    EXPECT_LE(ok_rect.bottom, sheet_rect.bottom);
    EXPECT_EQ(sheet_rect.right - sheet_rect.left > 378, c.grows);  // 252 units wide at first
  }
}

}  // namespace
