#include <gtest/gtest.h>

#include "ui_fixture.h"

namespace {

using ui_test::Ui;

TEST_F(Ui, ButtonsToggleByTypeAndNotify) {
  HWND d = Dialog({Item(u"BUTTON", 10, BS_AUTOCHECKBOX | WS_TABSTOP), Item(u"BUTTON", 11, BS_AUTORADIOBUTTON | WS_GROUP),
                   Item(u"BUTTON", 12, BS_AUTORADIOBUTTON), Item(u"BUTTON", 13, BS_AUTORADIOBUTTON | WS_GROUP),
                   Item(u"BUTTON", 14, BS_AUTO3STATE), Item(u"BUTTON", 15, BS_PUSHBUTTON)});
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(ui::ClickButton(d, 10));
  EXPECT_EQ(IsDlgButtonChecked(d, 10), BST_CHECKED);
  ui::ClickButton(d, 10);
  EXPECT_EQ(IsDlgButtonChecked(d, 10), BST_UNCHECKED);

  // Radio buttons: a click checks one and clears the others of its group
  // only (13 starts a group of its own).
  CheckDlgButton(d, 13, BST_CHECKED);
  ui::ClickButton(d, 11);
  ui::ClickButton(d, 12);
  EXPECT_EQ(IsDlgButtonChecked(d, 11), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, 12), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, 13), BST_CHECKED);

  // Three states cycle; a push button has no check state.
  for (UINT want : {BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}) {
    ui::ClickButton(d, 14);
    EXPECT_EQ(IsDlgButtonChecked(d, 14), want);
  }
  CheckDlgButton(d, 15, BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(d, 15), BST_UNCHECKED);

  // A disabled button neither changes nor notifies.
  EnableWindow(GetDlgItem(d, 10), FALSE);
  size_t before = Events().size();
  SendDlgItemMessageW(d, 10, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(d, 10), BST_UNCHECKED);
  EXPECT_EQ(Events().size(), before);

  std::vector<std::string> want = {"cmd 10 0", "cmd 10 0", "cmd 11 0", "cmd 12 0", "cmd 14 0", "cmd 14 0", "cmd 14 0"};
  EXPECT_EQ(Events(), want);
}

// A subclass sees the button's messages first and can keep one from it.
WNDPROC g_old_proc = nullptr;
int g_seen = 0;
LRESULT Subclass(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_LBUTTONUP) {
    ++g_seen;
    if (GetWindowLongPtrW(w, GWLP_USERDATA) == 1) return 0;  // swallowed
  }
  return CallWindowProcW(g_old_proc, w, m, wp, lp);
}

TEST_F(Ui, SubclassingThroughTheProcedureSlot) {
  HWND d = Dialog({Item(u"BUTTON", 10, BS_AUTOCHECKBOX)});
  HWND b = GetDlgItem(d, 10);
  g_old_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(b, GWLP_WNDPROC, LONG_PTR(Subclass)));
  ASSERT_NE(g_old_proc, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), LONG_PTR(Subclass));
  g_seen = 0;
  ui::ClickButton(d, 10);
  EXPECT_EQ(g_seen, 1);
  EXPECT_EQ(IsDlgButtonChecked(d, 10), BST_CHECKED);
  SetWindowLongPtrW(b, GWLP_USERDATA, 1);
  ui::ClickButton(d, 10);
  EXPECT_EQ(IsDlgButtonChecked(d, 10), BST_CHECKED) << "the subclass kept the release from the button";
  EXPECT_EQ(GetCapture(), b) << "the press without its release keeps the capture";
  ReleaseCapture();
}

TEST_F(Ui, EditLimitsCaseNumbersAndNotifications) {
  HWND d = Dialog({Item(u"EDIT", 20, ES_AUTOHSCROLL), Item(u"EDIT", 21, ES_NUMBER),
                   Item(u"EDIT", 22, ES_MULTILINE | ES_UPPERCASE)});
  HWND e = GetDlgItem(d, 20);
  SendMessageW(e, EM_LIMITTEXT, 5, 0);
  ui_test::Recorder::Events().clear();
  ui::TypeText(d, 20, u"abcdefgh");
  EXPECT_EQ(Text(e), "abcde");
  EXPECT_TRUE(SendMessageW(e, EM_GETMODIFY, 0, 0));
  std::vector<std::string> want = {"cmd 20 256"};
  for (int key = 0; key < 5; ++key) {
    want.push_back("cmd 20 1024");
    want.push_back("cmd 20 768");
  }
  want.insert(want.end(), 3, "cmd 20 1281");
  EXPECT_EQ(Events(), want) << "focus, update and change per key typed, then the limit per key that does not fit";

  // The selection is kept in order and within the text.
  SendMessageW(e, EM_SETSEL, 4, 1);
  DWORD a = 0, b = 0;
  SendMessageW(e, EM_GETSEL, WPARAM(&a), LPARAM(&b));
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 4u);
  SendMessageW(e, EM_SETSEL, 2, 99);
  SendMessageW(e, EM_REPLACESEL, TRUE, LPARAM(u"Z"));
  EXPECT_EQ(Text(e), "abZ");
  EXPECT_TRUE(SendMessageW(e, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(e), "abcde");

  // Text set by the program ignores the limit and clears the modified flag.
  SetWindowTextW(e, u"1234567");
  EXPECT_EQ(Text(e), "1234567");
  EXPECT_FALSE(SendMessageW(e, EM_GETMODIFY, 0, 0));

  // A number edit refuses typed letters but not set text.
  HWND n = GetDlgItem(d, 21);
  SetFocus(n);
  for (char16_t c : std::u16string(u"1x2")) SendMessageW(n, WM_CHAR, c, 0);
  EXPECT_EQ(Text(n), "12");
  BOOL ok = FALSE;
  EXPECT_EQ(GetDlgItemInt(d, 21, &ok, FALSE), 12u);
  EXPECT_TRUE(ok);
  SetDlgItemTextW(d, 21, u"4294967296");
  EXPECT_EQ(GetDlgItemInt(d, 21, &ok, FALSE), 0u);
  EXPECT_FALSE(ok) << "out of range is not translated";
  SetDlgItemInt(d, 21, UINT(-5), TRUE);
  EXPECT_EQ(INT(GetDlgItemInt(d, 21, &ok, TRUE)), -5);

  // Multi-line: case conversion, lines, EM_GETLINE with its capacity word.
  HWND m = GetDlgItem(d, 22);
  SetWindowTextW(m, u"one\r\ntwo");
  EXPECT_EQ(Text(m), "ONE\r\nTWO");
  EXPECT_EQ(SendMessageW(m, EM_GETLINECOUNT, 0, 0), 2);
  char16_t line[8] = {2};
  EXPECT_EQ(SendMessageW(m, EM_GETLINE, 1, LPARAM(line)), 2);
  EXPECT_EQ(line[0], u'T');
  EXPECT_EQ(line[1], u'W');
}

TEST_F(Ui, ListBoxEntriesSelectionAndNotifications) {
  HWND d = Dialog({Item(u"LISTBOX", 30, LBS_SORT | LBS_NOTIFY), Item(u"LISTBOX", 31, LBS_MULTIPLESEL),
                   Item(u"LISTBOX", 32, 0)});
  HWND l = GetDlgItem(d, 30);
  for (const char16_t* s : {u"pear", u"Apple", u"banana"}) SendMessageW(l, LB_ADDSTRING, 0, LPARAM(s));
  char16_t buf[16];
  SendMessageW(l, LB_GETTEXT, 0, LPARAM(buf));
  EXPECT_EQ(plat::ToUtf8(buf), "Apple");
  EXPECT_EQ(SendMessageW(l, LB_FINDSTRING, WPARAM(-1), LPARAM(u"BA")), 1);
  EXPECT_EQ(SendMessageW(l, LB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(u"ba")), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, 2, 0), 2);
  EXPECT_EQ(SendMessageW(l, LB_SETCURSEL, 3, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), LB_ERR) << "a bad index clears the selection";
  SendMessageW(l, LB_SETCURSEL, 2, 0);
  SendMessageW(l, LB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 1) << "the selection follows its entry";
  EXPECT_EQ(SendMessageW(l, LB_SETITEMDATA, 1, 77), TRUE);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, 1, 0), 77);
  EXPECT_EQ(SendMessageW(l, LB_GETITEMDATA, 5, 0), LB_ERR);

  // Program changes are silent; the person's choice notifies, once.
  ui_test::Recorder::Events().clear();
  EXPECT_TRUE(ui::ChooseItem(d, 30, 0));
  EXPECT_TRUE(ui::ChooseItem(d, 30, 0));
  EXPECT_EQ(SendMessageW(l, LB_GETCURSEL, 0, 0), 0);
  std::vector<std::string> want = {"cmd 30 4", "cmd 30 1"};
  EXPECT_EQ(Events(), want) << "focus, then one change";
  // Without LBS_NOTIFY the choice is silent.
  SendDlgItemMessageW(d, 32, LB_ADDSTRING, 0, LPARAM(u"x"));
  ui_test::Recorder::Events().clear();
  ui::ChooseItem(d, 32, 0);
  EXPECT_EQ(Events(), std::vector<std::string>{"cmd 30 5"}) << "only the other list's loss of focus";

  HWND m = GetDlgItem(d, 31);
  for (const char16_t* s : {u"a", u"b", u"c"}) SendMessageW(m, LB_ADDSTRING, 0, LPARAM(s));
  EXPECT_EQ(SendMessageW(m, LB_SETCURSEL, 0, 0), LB_ERR) << "not for multiple selection";
  SendMessageW(m, LB_SETSEL, TRUE, 0);
  SendMessageW(m, LB_SETSEL, TRUE, 2);
  INT items[4] = {};
  EXPECT_EQ(SendMessageW(m, LB_GETSELITEMS, 4, LPARAM(items)), 2);
  EXPECT_EQ(items[1], 2);
  SendMessageW(m, LB_SETSEL, FALSE, -1);
  EXPECT_EQ(SendMessageW(m, LB_GETSELCOUNT, 0, 0), 0);
}

TEST_F(Ui, ComboBoxSelectionTextAndNotifications) {
  HWND d = Dialog({Item(u"COMBOBOX", 40, CBS_DROPDOWNLIST), Item(u"COMBOBOX", 41, CBS_DROPDOWN)});
  HWND c = GetDlgItem(d, 40);
  for (const char16_t* s : {u"A4", u"Letter", u"A3"}) SendMessageW(c, CB_ADDSTRING, 0, LPARAM(s));
  SendMessageW(c, CB_SETITEMDATA, 1, 9);
  ui_test::Recorder::Events().clear();
  EXPECT_EQ(SendMessageW(c, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(Text(c), "Letter");
  EXPECT_TRUE(Events().empty()) << "a program's selection is silent";
  EXPECT_EQ(SendMessageW(c, CB_SETCURSEL, 7, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(c), "");
  EXPECT_EQ(SendMessageW(c, WM_SETTEXT, 0, LPARAM(u"Tabloid")), CB_ERR) << "a drop-down list shows only its entries";
  EXPECT_EQ(SendMessageW(c, WM_SETTEXT, 0, LPARAM(u"a3")), TRUE);
  EXPECT_EQ(SendMessageW(c, CB_GETCURSEL, 0, 0), 2);

  ui_test::Recorder::Events().clear();
  EXPECT_TRUE(ui::ChooseItem(d, 40, 1));
  EXPECT_EQ(SendMessageW(c, CB_GETITEMDATA, SendMessageW(c, CB_GETCURSEL, 0, 0), 0), 9);
  std::vector<std::string> want = {"cmd 40 3", "cmd 40 7", "cmd 40 9", "cmd 40 8", "cmd 40 1"};
  EXPECT_EQ(Events(), want) << "focus, drop down, end ok, close up, change";

  // A drop-down combo takes typed text and loses its selection.
  HWND e = GetDlgItem(d, 41);
  SendMessageW(e, CB_ADDSTRING, 0, LPARAM(u"one"));
  SendMessageW(e, CB_SETCURSEL, 0, 0);
  ui::TypeText(d, 41, u"two");
  EXPECT_EQ(Text(e), "two");
  EXPECT_EQ(SendMessageW(e, CB_GETCURSEL, 0, 0), CB_ERR);
}

TEST_F(Ui, ScrollBarPositionRangeAndPage) {
  HWND d = Dialog({Item(u"SCROLLBAR", 50, SBS_HORZ)});
  HWND s = GetDlgItem(d, 50);
  SendMessageW(s, SBM_SETRANGE, 0, 10);
  EXPECT_EQ(SendMessageW(s, SBM_SETPOS, 20, TRUE), 0);
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 10);
  SCROLLINFO si{sizeof si, SIF_PAGE, 0, 0, 4, 0, 0};
  SendMessageW(s, SBM_SETSCROLLINFO, TRUE, LPARAM(&si));
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 7) << "the page limits the last position";
  SendMessageW(s, SBM_SETPOS, WPARAM(-3), TRUE);
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 0);
  INT lo = -1, hi = -1;
  SendMessageW(s, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10);
  // The person moves it: the parent is told and sets the position itself.
  ui::ScrollBar(d, 50, SB_THUMBPOSITION, 6);
  ui::ScrollBar(d, 50, SB_LINEDOWN, 0);
  std::vector<std::string> want = {"hscroll 5 6", "hscroll 4 6", "hscroll 8 0", "hscroll 1 0", "hscroll 8 0"};
  EXPECT_EQ(Events(), want);
  EXPECT_EQ(SendMessageW(s, SBM_GETPOS, 0, 0), 0);
}

TEST_F(Ui, StaticImagesAndTheWindowDump) {
  HWND d = Dialog({Item(u"STATIC", 60, SS_LEFT, u"Say \"hi\""), Item(u"BUTTON", 61, BS_AUTOCHECKBOX, u"Check"),
                   Item(u"COMBOBOX", 62, CBS_DROPDOWNLIST), Item(u"EDIT", 63, 0, u"text")});
  HWND st = GetDlgItem(d, 60);
  EXPECT_EQ(SendMessageW(st, STM_SETIMAGE, 0, 0x1234), 0);
  EXPECT_EQ(SendMessageW(st, STM_GETIMAGE, 0, 0), 0x1234);
  CheckDlgButton(d, 61, BST_CHECKED);
  SendDlgItemMessageW(d, 62, CB_ADDSTRING, 0, LPARAM(u"A4"));
  SendDlgItemMessageW(d, 62, CB_SETCURSEL, 0, 0);
  EnableWindow(GetDlgItem(d, 63), FALSE);
  ShowWindow(st, SW_HIDE);
  EXPECT_EQ(ui::DumpWindowTree(d),
            "#32770 \"Test\"\n"
            "  STATIC #60 \"Say \\\"hi\\\"\" hidden image\n"
            "  BUTTON #61 \"Check\" [x]\n"
            "  COMBOBOX #62 \"A4\" sel=0 of 1 [A4]\n"
            "  EDIT #63 \"text\" disabled\n");
}

}  // namespace
