// The list view: columns and rows through its messages, the notifications
// of a change (and a parent refusing one), single selection, check boxes
// and the person's clicks and keys, and rows the parent draws itself.
#include <string>
#include <vector>

#include "ui/commctrl.h"
#include "ui/gdi.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;
using Seen = std::vector<std::string>;

// What the parent hears of the list view: "changing|changed ROW new/old
// mask", "insert ROW", "delete ROW", "delete-all"; a row it refuses to let
// change, and the rows it draws.
struct ListParent {
  static Seen& Events() {
    static Seen events;
    return events;
  }
  static INT& Refuse() {
    static INT row = -2;
    return row;
  }
  static INT_PTR Proc(HWND dialog, UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_MEASUREITEM) {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      if (m->CtlType == ODT_LISTVIEW) m->itemHeight = 22;
      return TRUE;
    }
    if (message == WM_DRAWITEM) {
      const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      Events().push_back("draw " + std::to_string(d->itemID) + " data " + std::to_string(d->itemData) + " h " +
                         std::to_string(d->rcItem.bottom - d->rcItem.top) +
                         ((d->itemState & ODS_SELECTED) ? " selected" : ""));
      return TRUE;
    }
    if (message != WM_NOTIFY) return message == WM_INITDIALOG;
    const auto* n = reinterpret_cast<const NMLISTVIEW*>(lparam);
    const std::string row = std::to_string(n->iItem);
    switch (n->hdr.code) {
      case LVN_ITEMCHANGING:
      case LVN_ITEMCHANGED:
        Events().push_back(std::string(n->hdr.code == LVN_ITEMCHANGING ? "changing " : "changed ") + row + " " +
                           std::to_string(n->uNewState) + "/" + std::to_string(n->uOldState) + " " +
                           std::to_string(n->uChanged));
        if (n->hdr.code == LVN_ITEMCHANGING && n->iItem == Refuse()) {
          SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
        break;
      case LVN_INSERTITEM: Events().push_back("insert " + row); break;
      case LVN_DELETEITEM: Events().push_back("delete " + row); break;
      case LVN_DELETEALLITEMS: Events().push_back("delete-all"); break;
      default: break;
    }
    return TRUE;
  }
};

class ListView : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    ListParent::Events().clear();
    ListParent::Refuse() = -2;
  }
  HWND Make(DWORD style) {
    auto item = Item(WC_LISTVIEWW, 1, LVS_REPORT | style);
    item.cx = 180;
    item.cy = 80;
    HWND d = Dialog({item}, ListParent::Proc);
    return GetDlgItem(d, 1);
  }
  static void AddColumns(HWND v, std::vector<std::u16string> captions, INT width) {
    for (size_t i = 0; i < captions.size(); ++i) {
      LVCOLUMNW c{LVCF_TEXT | LVCF_WIDTH, 0, width, captions[i].data(), 0, 0, 0, 0};
      ASSERT_EQ(SendMessageW(v, LVM_INSERTCOLUMNW, i, LPARAM(&c)), LRESULT(i));
    }
  }
  static INT AddRow(HWND v, INT at, std::u16string text, LPARAM param = 0, UINT state = 0) {
    LVITEMW it{LVIF_TEXT | LVIF_PARAM | LVIF_STATE, at, 0, state, state, text.data(), 0, 0, param, 0};
    return INT(SendMessageW(v, LVM_INSERTITEMW, 0, LPARAM(&it)));
  }
  static void SetText(HWND v, INT row, INT sub, std::u16string text) {
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = text.data();
    SendMessageW(v, LVM_SETITEMTEXTW, WPARAM(row), LPARAM(&it));
  }
  static std::string TextOf(HWND v, INT row, INT sub) {
    char16_t buf[64] = {};
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = 64;
    SendMessageW(v, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&it));
    return plat::ToUtf8(buf);
  }
  static void SetState(HWND v, INT row, UINT state, UINT mask) {
    LVITEMW it{};
    it.state = state;
    it.stateMask = mask;
    SendMessageW(v, LVM_SETITEMSTATE, WPARAM(row), LPARAM(&it));
  }
  static UINT StateOf(HWND v, INT row) { return UINT(SendMessageW(v, LVM_GETITEMSTATE, WPARAM(row), 0xFFFF)); }
  static POINT PointIn(HWND v, INT row, LONG x) {
    RECT r{};
    SendMessageW(v, LVM_GETITEMRECT, WPARAM(row), LPARAM(&r));
    return POINT{r.left + x, (r.top + r.bottom) / 2};
  }
  static std::string Dump(HWND v) {
    std::string line = ui::DumpWindowTree(v);
    return line.substr(line.find("rows="), line.find('\n') - line.find("rows="));
  }
};

constexpr UINT kChecked = 2u << 12, kUnchecked = 1u << 12;

TEST_F(ListView, RowsAndColumnsKeepTheirTextsWhereverTheyAreInsertedOrDeleted) {
  HWND v = Make(0);
  AddColumns(v, {u"Tray", u"Paper", u"Media"}, 50);
  EXPECT_EQ(SendMessageW(v, LVM_GETCOLUMNWIDTH, 1, 0), 50);
  // Positions past the end go to the end; negative ones to the front.
  struct Case {
    INT at;
    const char16_t* text;
    INT placed;
  } cases[] = {{0, u"b", 0}, {99, u"d", 1}, {1, u"c", 1}, {-5, u"a", 0}};
  for (const Case& c : cases) EXPECT_EQ(AddRow(v, c.at, c.text), c.placed) << plat::ToUtf8(c.text);
  SetText(v, 2, 1, u"A4");
  SetText(v, 2, 2, u"Plain");
  EXPECT_EQ(Dump(v), "rows=4 sel=-1 [a] [b] [c|A4|Plain] [d]");
  EXPECT_EQ(TextOf(v, 2, 1), "A4");
  EXPECT_EQ(TextOf(v, 9, 0), "");  // no such row
  // A column inserted before the paper moves the sub-items after it along.
  std::u16string caption = u"Size";
  LVCOLUMNW size_col{LVCF_TEXT | LVCF_WIDTH, 0, 30, caption.data(), 0, 0, 0, 0};
  EXPECT_EQ(SendMessageW(v, LVM_INSERTCOLUMNW, 1, LPARAM(&size_col)), 1);
  EXPECT_EQ(TextOf(v, 2, 2), "A4");
  EXPECT_EQ(SendMessageW(v, LVM_DELETECOLUMN, 2, 0), TRUE);
  EXPECT_EQ(TextOf(v, 2, 2), "Plain");
  char16_t buf[16] = {};
  LVCOLUMNW got{LVCF_TEXT | LVCF_WIDTH, 0, 0, buf, 16, 0, 0, 0};
  ASSERT_TRUE(SendMessageW(v, LVM_GETCOLUMNW, 1, LPARAM(&got)));
  EXPECT_EQ(plat::ToUtf8(buf), "Size");
  EXPECT_EQ(got.cx, 30);
  EXPECT_EQ(SendMessageW(v, LVM_DELETECOLUMN, 7, 0), FALSE);
  // Deleting a row tells the parent first; deleting all asks whether it
  // wants each row named (the recorder's answer, FALSE, says yes).
  ListParent::Events().clear();
  EXPECT_EQ(SendMessageW(v, LVM_DELETEITEM, 1, 0), TRUE);
  EXPECT_EQ(SendMessageW(v, LVM_DELETEITEM, 3, 0), FALSE);
  EXPECT_EQ(Dump(v), "rows=3 sel=-1 [a] [c||Plain] [d]");
  SendMessageW(v, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(SendMessageW(v, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(ListParent::Events(), (Seen{"delete 1", "delete-all", "delete 0", "delete 1", "delete 2"}));
}

TEST_F(ListView, ASingleSelectionMovesWithNotificationsAndAParentCanRefuseAChange) {
  HWND v = Make(LVS_SINGLESEL);
  AddColumns(v, {u"Name"}, 100);
  for (INT i = 0; i < 3; ++i) AddRow(v, i, u"row", 10 + i);
  // Inserted selected: the selection goes through the same notifications.
  AddRow(v, 3, u"sel", 13, LVIS_SELECTED);
  EXPECT_EQ(ListParent::Events(), (Seen{"insert 0", "insert 1", "insert 2", "insert 3", "changing 3 2/0 8",
                                        "changed 3 2/0 8"}));
  ListParent::Events().clear();
  SetState(v, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(ListParent::Events(), (Seen{"changing 3 0/2 8", "changed 3 0/2 8", "changing 1 3/0 8", "changed 1 3/0 8"}));
  EXPECT_EQ(SendMessageW(v, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), 1);
  EXPECT_EQ(SendMessageW(v, LVM_GETNEXTITEM, 1, LVNI_SELECTED), -1);
  EXPECT_EQ(SendMessageW(v, LVM_GETNEXTITEM, 1, LVNI_ALL), 2);
  EXPECT_EQ(SendMessageW(v, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  // The parent refuses row 2's change: row 2 stays as it was.
  ListParent::Refuse() = 2;
  ListParent::Events().clear();
  SetState(v, 2, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(StateOf(v, 2), 0u);
  EXPECT_EQ(ListParent::Events().back(), "changing 2 2/0 8");
  // A parameter change is a change too; setting the same value is none.
  ListParent::Refuse() = -2;
  ListParent::Events().clear();
  LVITEMW it{LVIF_PARAM, 0, 0, 0, 0, nullptr, 0, 0, 77, 0};
  SendMessageW(v, LVM_SETITEMW, 0, LPARAM(&it));
  SendMessageW(v, LVM_SETITEMW, 0, LPARAM(&it));
  it.mask = LVIF_PARAM;
  it.lParam = 0;
  ASSERT_TRUE(SendMessageW(v, LVM_GETITEMW, 0, LPARAM(&it)));
  EXPECT_EQ(it.lParam, 77);
  EXPECT_EQ(ListParent::Events(), (Seen{"changing 0 0/0 4", "changed 0 0/0 4"}));
}

TEST_F(ListView, ThePersonsClicksAndKeysSelectRowsAndTickTheirCheckBoxes) {
  HWND v = Make(LVS_SINGLESEL);
  AddColumns(v, {u"Option"}, 150);
  AddRow(v, 0, u"first");
  // Check boxes switched on afterwards start unchecked, and so do new rows.
  EXPECT_EQ(SendMessageW(v, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES), 0);
  for (INT i = 1; i < 8; ++i) AddRow(v, i, u"row " + std::u16string(1, char16_t(u'0' + i)));
  EXPECT_EQ(StateOf(v, 0) & LVIS_STATEIMAGEMASK, kUnchecked);
  EXPECT_EQ(StateOf(v, 7) & LVIS_STATEIMAGEMASK, kUnchecked);
  struct Step {
    const char* what;
    INT row;           // click on this row (-1: a key)
    LONG x;            // where on the row
    WPARAM key;
    INT selected;      // the row selected after it
    UINT check_row_2;  // state image of row 2 after it
  } steps[] = {
      {"label of row 2", 2, 40, 0, 2, kUnchecked},
      {"check box of row 2", 2, 6, 0, 2, kChecked},
      {"space toggles the focused row", -1, 0, VK_SPACE, 2, kUnchecked},
      {"down", -1, 0, VK_DOWN, 3, kUnchecked},
      {"up twice", -1, 0, VK_UP, 2, kUnchecked},
      {"", -1, 0, VK_UP, 1, kUnchecked},
      {"end", -1, 0, VK_END, 7, kUnchecked},
      {"down at the end stays", -1, 0, VK_DOWN, 7, kUnchecked},
      {"home", -1, 0, VK_HOME, 0, kUnchecked},
  };
  for (const Step& s : steps) {
    if (s.row >= 0) {
      SendMessageW(v, LVM_ENSUREVISIBLE, WPARAM(s.row), 0);
      ASSERT_TRUE(ui::Click(v, PointIn(v, s.row, s.x))) << s.what;
    } else {
      SetFocus(v);
      ui::TypeKey(s.key, s.key == VK_SPACE ? u' ' : 0);
    }
    EXPECT_EQ(SendMessageW(v, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED), s.selected) << s.what;
    EXPECT_EQ(SendMessageW(v, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED), s.selected) << s.what;
    EXPECT_EQ(SendMessageW(v, LVM_GETSELECTEDCOUNT, 0, 0), 1) << s.what;
    EXPECT_EQ(StateOf(v, 2) & LVIS_STATEIMAGEMASK, s.check_row_2) << s.what;
  }
  // End scrolled the last row into view, home back to the first.
  EXPECT_EQ(SendMessageW(v, LVM_GETTOPINDEX, 0, 0), 0);
  SendMessageW(v, LVM_ENSUREVISIBLE, 7, 0);
  const LRESULT page = SendMessageW(v, LVM_GETCOUNTPERPAGE, 0, 0);
  ASSERT_LT(page, 8);
  EXPECT_EQ(SendMessageW(v, LVM_GETTOPINDEX, 0, 0), 8 - page);
  // A click below the rows leaves none selected.
  RECT client{};
  GetClientRect(v, &client);
  SendMessageW(v, LVM_DELETEALLITEMS, 0, 0);
  AddRow(v, 0, u"only");
  SetState(v, 0, LVIS_SELECTED, LVIS_SELECTED);
  ASSERT_TRUE(ui::Click(v, POINT{20, client.bottom - 4}));
  EXPECT_EQ(SendMessageW(v, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(ListView, AnOwnerDrawnListHandsEachShownRowToItsParentAtTheHeightItAsked) {
  HWND v = Make(LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS);
  AddColumns(v, {u"A", u"B"}, 60);
  for (INT i = 0; i < 6; ++i) AddRow(v, i, u"r", 100 + i, i == 1 ? LVIS_SELECTED : 0);
  RECT r0{}, r1{};
  SendMessageW(v, LVM_GETITEMRECT, 0, LPARAM(&r0));
  SendMessageW(v, LVM_GETITEMRECT, 1, LPARAM(&r1));
  EXPECT_EQ(r1.top - r0.top, 22);
  ListParent::Events().clear();
  RedrawWindow(v, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // Only the rows that fit under the header are drawn (80 dialog units are
  // 130 pixels: 18 of header, 4 of frame, five rows of 22 pixels).
  EXPECT_EQ(ListParent::Events(), (Seen{"draw 0 data 100 h 22", "draw 1 data 101 h 22 selected",
                                        "draw 2 data 102 h 22", "draw 3 data 103 h 22", "draw 4 data 104 h 22"}));
}

TEST_F(ListView, ThePaintedFaceShowsTheHeaderTheSelectionAndTheTick) {
  HWND v = Make(LVS_SHOWSELALWAYS);
  AddColumns(v, {u"Tray"}, 120);
  SendMessageW(v, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES);
  AddRow(v, 0, u"one", 0, LVIS_SELECTED);
  AddRow(v, 1, u"two", 0, kChecked);
  SetFocus(v);
  RedrawWindow(v, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT row0{}, row1{};
  SendMessageW(v, LVM_GETITEMRECT, 0, LPARAM(&row0));
  SendMessageW(v, LVM_GETITEMRECT, 1, LPARAM(&row1));
  // The header is in the face colour, the selected label highlighted, the
  // rest of an unselected row in the window colour.
  EXPECT_EQ(ui::WindowPixel(v, 60, 6), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ui::WindowPixel(v, row0.left + 100, row0.top + 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(ui::WindowPixel(v, row1.left + 100, row1.top + 2), GetSysColor(COLOR_WINDOW));
  // The tick of row 1 is drawn in the text colour inside its box; row 0's box is empty.
  auto ink = [&](const RECT& row) {
    INT n = 0;
    for (LONG x = row.left + 4; x < row.left + 13; ++x)
      for (LONG y = row.top + 3; y < row.bottom - 3; ++y) n += ui::WindowPixel(v, x, y) == GetSysColor(COLOR_WINDOWTEXT);
    return n;
  };
  EXPECT_GT(ink(row1), 5);
  EXPECT_EQ(ink(row0), 0);
}

}  // namespace
