// The trackbar, the up-down control, the tree view, the tab control's
// page area and SetWindowTheme, driven through their messages and the
// person's keys and clicks.
#include <algorithm>
#include <string>
#include <vector>

#include "ui/commctrl.h"
#include "ui/gdi.h"
#include "ui/tabctrl.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;
using Seen = std::vector<std::string>;
// Where a trackbar's channel begins and ends, from its client edges.
constexpr LONG kChannelInset = 8;

TEST_F(Ui, ATrackbarKeepsItsPositionInsideItsRangeAndTellsItsParent) {
  HWND d = Dialog({Item(TRACKBAR_CLASSW, 1, WS_TABSTOP)});
  HWND t = GetDlgItem(d, 1);
  SendMessageW(t, TBM_SETRANGE, FALSE, MAKELPARAM(WORD(-5), 20));
  EXPECT_EQ(SendMessageW(t, TBM_GETRANGEMIN, 0, 0), -5);
  EXPECT_EQ(SendMessageW(t, TBM_GETRANGEMAX, 0, 0), 20);
  SendMessageW(t, TBM_SETPOS, TRUE, 99);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 20);
  SendMessageW(t, TBM_SETPOS, TRUE, -99);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), -5);
  EXPECT_EQ(SendMessageW(t, TBM_SETPAGESIZE, 0, 4), 20);
  SetFocus(t);
  ui::TypeKey(VK_RIGHT);
  ui::TypeKey(VK_NEXT);
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 0);
  ui::TypeKey(VK_END);
  ui::TypeKey(VK_RIGHT);  // stays at the end
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), 20);
  // The position goes as a 16-bit value in the high word.
  EXPECT_EQ(Events(), (Seen{"hscroll 1 65532", "hscroll 8 0", "hscroll 3 0", "hscroll 8 0", "hscroll 7 20",
                            "hscroll 8 0", "hscroll 1 20", "hscroll 8 0"}));
  // A click at the channel's far end takes the thumb there.
  RECT r{};
  GetClientRect(t, &r);
  ASSERT_TRUE(ui::Click(t, POINT{r.left + 2, (r.top + r.bottom) / 2}));
  EXPECT_EQ(SendMessageW(t, TBM_GETPOS, 0, 0), -5);
}

TEST_F(Ui, AnUpDownStepsOnAClickOnEitherHalfWithinItsRange) {
  HWND d = Dialog({Item(UPDOWN_CLASSW, 1, 0)});
  HWND u = GetDlgItem(d, 1);
  SendMessageW(u, UDM_SETRANGE32, 0, 2);
  SendMessageW(u, UDM_SETPOS32, 0, 1);
  RECT r{};
  GetClientRect(u, &r);
  const POINT top{(r.left + r.right) / 2, r.top + 1}, bottom{(r.left + r.right) / 2, r.bottom - 2};
  ASSERT_TRUE(ui::Click(u, top));
  ASSERT_TRUE(ui::Click(u, top));  // at the maximum: stays
  EXPECT_EQ(SendMessageW(u, UDM_GETPOS32, 0, 0), 2);
  ASSERT_TRUE(ui::Click(u, bottom));
  EXPECT_EQ(SendMessageW(u, UDM_GETPOS32, 0, 0), 1);
  EXPECT_EQ(Events(), (Seen{"vscroll 4 2", "vscroll 8 0", "vscroll 4 2", "vscroll 8 0", "vscroll 4 1", "vscroll 8 0"}));
  // The 16-bit range runs maximum first; a reversed range steps the other way.
  SendMessageW(u, UDM_SETRANGE, 0, MAKELPARAM(0, 10));
  INT lo = 0, hi = 0;
  SendMessageW(u, UDM_GETRANGE32, WPARAM(&lo), LPARAM(&hi));
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 0);
  SendMessageW(u, UDM_SETPOS, 0, 5);
  ui::Click(u, top);
  EXPECT_EQ(SendMessageW(u, UDM_GETPOS, 0, 0), 4);
}

TEST_F(Ui, ATreeViewKeepsChildrenUnderTheirParentsInOrder) {
  HWND d = Dialog({Item(WC_TREEVIEWW, 1, 0)});
  HWND t = GetDlgItem(d, 1);
  auto insert = [&](HTREEITEM parent, const char16_t* text, LPARAM param, HTREEITEM after = TVI_LAST) {
    std::u16string s = text;
    TVINSERTSTRUCTW add{};
    add.hParent = parent;
    add.hInsertAfter = after;
    add.item.mask = TVIF_TEXT | TVIF_PARAM;
    add.item.pszText = s.data();
    add.item.lParam = param;
    return HTREEITEM(SendMessageW(t, TVM_INSERTITEMW, 0, LPARAM(&add)));
  };
  auto text = [&](HTREEITEM item) {
    char16_t buf[32] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 32;
    return SendMessageW(t, TVM_GETITEMW, 0, LPARAM(&it)) ? plat::ToUtf8(buf) : std::string("?");
  };
  auto walk = [&] {
    std::string out;
    for (auto r = HTREEITEM(SendMessageW(t, TVM_GETNEXTITEM, TVGN_ROOT, 0)); r;
         r = HTREEITEM(SendMessageW(t, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(r)))) {
      out += text(r) + "(";
      for (auto c = HTREEITEM(SendMessageW(t, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(r))); c;
           c = HTREEITEM(SendMessageW(t, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(c))))
        out += text(c) + " ";
      out += ")";
    }
    return out;
  };
  HTREEITEM a = insert(TVI_ROOT, u"A", 1);
  HTREEITEM b = insert(TVI_ROOT, u"B", 2);
  insert(a, u"a1", 3);
  insert(b, u"b1", 4);
  insert(a, u"a2", 5);
  insert(a, u"a0", 6, TVI_FIRST);
  EXPECT_EQ(walk(), "A(a0 a1 a2 )B(b1 )");
  EXPECT_EQ(SendMessageW(t, TVM_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(HTREEITEM(SendMessageW(t, TVM_GETNEXTITEM, TVGN_PARENT, LPARAM(insert(b, u"b2", 7)))), b);
  EXPECT_EQ(insert(reinterpret_cast<HTREEITEM>(uintptr_t(999)), u"x", 0), nullptr);  // no such parent
  TVITEMW it{};
  it.mask = TVIF_PARAM;
  it.hItem = b;
  ASSERT_TRUE(SendMessageW(t, TVM_GETITEMW, 0, LPARAM(&it)));
  EXPECT_EQ(it.lParam, 2);
  EXPECT_TRUE(SendMessageW(t, TVM_DELETEITEM, 0, LPARAM(a)));  // with its children
  EXPECT_EQ(walk(), "B(b1 b2 )");
  EXPECT_FALSE(SendMessageW(t, TVM_DELETEITEM, 0, LPARAM(a)));
  EXPECT_TRUE(SendMessageW(t, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT)));
  EXPECT_EQ(SendMessageW(t, TVM_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(walk(), "");
}

TEST_F(Ui, ATabControlsPageAreaLiesBelowItsTabsAndBack) {
  HWND d = Dialog({Item(WC_TABCONTROLW, 1, 0)});
  HWND t = GetDlgItem(d, 1);
  const RECT window{10, 20, 210, 170};
  RECT r = window;
  SendMessageW(t, TCM_ADJUSTRECT, FALSE, LPARAM(&r));
  EXPECT_GT(r.top, window.top);
  EXPECT_GT(r.left, window.left);
  EXPECT_LT(r.right, window.right);
  EXPECT_LT(r.bottom, window.bottom);
  RECT tab{};
  TCITEMW item{TCIF_TEXT, 0, 0, const_cast<char16_t*>(u"One"), 0, 0, 0};
  SendMessageW(t, TCM_INSERTITEMW, 0, LPARAM(&item));
  ASSERT_TRUE(SendMessageW(t, TCM_GETITEMRECT, 0, LPARAM(&tab)));
  EXPECT_GE(r.top - window.top, tab.bottom);  // the pages start under the tabs
  SendMessageW(t, TCM_ADJUSTRECT, TRUE, LPARAM(&r));
  EXPECT_EQ(r.left, window.left);
  EXPECT_EQ(r.top, window.top);
  EXPECT_EQ(r.right, window.right);
  EXPECT_EQ(r.bottom, window.bottom);
}

TEST_F(Ui, SetWindowThemeIsOnlyRecorded) {
  HWND d = Dialog({Item(u"SCROLLBAR", 7, 0)});
  ui::ClearLog();
  EXPECT_EQ(SetWindowTheme(GetDlgItem(d, 7), u" ", u" "), S_OK);
  EXPECT_EQ(ui::Log(), (Seen{"SetWindowTheme #7 app=\" \" classes=\" \""}));
}

TEST_F(Ui, TheCommonControlsPaintTheirState) {
  HWND d = Dialog({Item(TRACKBAR_CLASSW, 1, 0), Item(WC_TREEVIEWW, 2, 0)});
  HWND track = GetDlgItem(d, 1), tree = GetDlgItem(d, 2);
  RECT r{};
  GetClientRect(track, &r);
  SendMessageW(track, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
  auto thumb_pixels = [&](LONG x) {
    UpdateWindow(d);
    int face = 0;
    for (LONG y = r.top + 3; y < r.bottom - 3; ++y) face += ui::WindowPixel(track, x, y) == GetSysColor(COLOR_BTNFACE);
    return face;
  };
  const LONG right_end = r.right - kChannelInset;
  SendMessageW(track, TBM_SETPOS, TRUE, 0);
  const int at_left = thumb_pixels(r.left + kChannelInset);
  SendMessageW(track, TBM_SETPOS, TRUE, 100);
  InvalidateRect(track, nullptr, TRUE);
  EXPECT_NE(thumb_pixels(r.left + kChannelInset), at_left);  // the thumb left
  EXPECT_GT(thumb_pixels(right_end), 0);
  // A tree with an item shows text where an empty one shows none.
  auto dark = [&] {
    UpdateWindow(d);
    RECT c{};
    GetClientRect(tree, &c);
    int n = 0;
    for (LONG y = c.top + 2; y < std::min<LONG>(c.bottom, 18); ++y)
      for (LONG x = c.left + 4; x < c.right - 2; ++x) n += ui::WindowPixel(tree, x, y) == GetSysColor(COLOR_WINDOWTEXT);
    return n;
  };
  EXPECT_EQ(dark(), 0);
  TVINSERTSTRUCTW add{};
  add.hParent = TVI_ROOT;
  add.hInsertAfter = TVI_LAST;
  add.item.mask = TVIF_TEXT;
  add.item.pszText = const_cast<char16_t*>(u"Item");
  SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&add));
  EXPECT_GT(dark(), 0);
}

}  // namespace
