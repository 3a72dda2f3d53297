// Drawing and painting in the window layer: memory DCs and their raster
// operations, clipping, text, the WM_ERASEBKGND / WM_PAINT road of windows,
// owner-drawn controls, and a picture of a dialog holding each standard
// control compared with its reviewed golden picture.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "png_picture.h"
#include "ui/gdi.h"
#include "ui_fixture.h"

namespace {

using ui_test::Ui;

// A memory DC on a bitmap of w x h, filled white.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
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
  COLORREF At(INT x, INT y) const { return GetPixel(dc, x, y); }
  // Pixels of a row as characters: '#' black, '.' white, '?' other.
  std::string Row(INT y, INT from, INT to) const {
    std::string s;
    for (INT x = from; x < to; ++x) {
      COLORREF c = At(x, y);
      s += c == 0 ? '#' : c == RGB(255, 255, 255) ? '.' : '?';
    }
    return s;
  }
  // Pixels of this colour in the rectangle.
  int Count(COLORREF c, INT l, INT t, INT r, INT b) const {
    int n = 0;
    for (INT y = t; y < b; ++y)
      for (INT x = l; x < r; ++x) n += At(x, y) == c;
    return n;
  }
};

TEST(Gdi, RasterOperationsOfBitBltAndPatBlt) {
  // Source: a 4 x 1 strip black, white, red, green; destination under it
  // preset to a colour per case; the result per ROP is computed bit by bit.
  Canvas src(4, 1), dst(4, 1);
  const COLORREF src_px[4] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 255, 0)};
  for (INT x = 0; x < 4; ++x) SetPixel(src.dc, x, 0, src_px[x]);
  const COLORREF dest = RGB(0x33, 0x66, 0xCC);
  const COLORREF brush = RGB(0xF0, 0x0F, 0xAA);
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF (*op)(COLORREF p, COLORREF s, COLORREF d);
  } cases[] = {
      {"SRCCOPY", SRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return s; }},
      {"SRCAND", SRCAND, [](COLORREF, COLORREF s, COLORREF d) { return s & d; }},
      {"SRCPAINT", SRCPAINT, [](COLORREF, COLORREF s, COLORREF d) { return s | d; }},
      {"SRCINVERT", SRCINVERT, [](COLORREF, COLORREF s, COLORREF d) { return s ^ d; }},
      {"NOTSRCCOPY", NOTSRCCOPY, [](COLORREF, COLORREF s, COLORREF) { return ~s & 0xFFFFFF; }},
      {"SRCERASE", SRCERASE, [](COLORREF, COLORREF s, COLORREF d) { return s & ~d & 0xFFFFFF; }},
      {"MERGECOPY", MERGECOPY, [](COLORREF p, COLORREF s, COLORREF) { return p & s; }},
      {"MERGEPAINT", MERGEPAINT, [](COLORREF, COLORREF s, COLORREF d) { return (~s | d) & 0xFFFFFF; }},
      {"PATCOPY", PATCOPY, [](COLORREF p, COLORREF, COLORREF) { return p; }},
      {"PATINVERT", PATINVERT, [](COLORREF p, COLORREF, COLORREF d) { return p ^ d; }},
      {"DSTINVERT", DSTINVERT, [](COLORREF, COLORREF, COLORREF d) { return ~d & 0xFFFFFF; }},
      {"BLACKNESS", BLACKNESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF(0); }},
      {"WHITENESS", WHITENESS, [](COLORREF, COLORREF, COLORREF) { return COLORREF(0xFFFFFF); }},
  };
  HBRUSH b = CreateSolidBrush(brush);
  HGDIOBJ old = SelectObject(dst.dc, b);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (INT x = 0; x < 4; ++x) SetPixel(dst.dc, x, 0, dest);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, c.rop));
    for (INT x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, 0), c.op(brush, src_px[x], dest)) << "pixel " << x;
    // PatBlt takes the operations without a source.
    if (c.rop == PATCOPY || c.rop == PATINVERT || c.rop == DSTINVERT || c.rop == BLACKNESS || c.rop == WHITENESS) {
      for (INT x = 0; x < 4; ++x) SetPixel(dst.dc, x, 0, dest);
      ASSERT_TRUE(PatBlt(dst.dc, 1, 0, 2, 1, c.rop));
      EXPECT_EQ(dst.At(0, 0), dest);
      EXPECT_EQ(dst.At(1, 0), c.op(brush, 0, dest));
      EXPECT_EQ(dst.At(2, 0), c.op(brush, 0, dest));
      EXPECT_EQ(dst.At(3, 0), dest);
    }
  }
  SelectObject(dst.dc, old);
  DeleteObject(b);
}

TEST(Gdi, StretchBltScalesAndABitmapBelongsToOneDc) {
  Canvas src(2, 2), dst(8, 8);
  SetPixel(src.dc, 0, 0, 0);
  SetPixel(src.dc, 1, 1, 0);
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(dst.Row(0, 0, 8), "####....");
  EXPECT_EQ(dst.Row(7, 0, 8), "....####");
  // A bitmap selected in one memory DC is refused by another.
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, src.bitmap), nullptr);
  // A selected bitmap is not deleted under its DC; stock objects stay.
  EXPECT_FALSE(DeleteObject(src.bitmap));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
  EXPECT_NE(GetStockObject(BLACK_BRUSH), nullptr);
  DeleteDC(other);
}

TEST(Gdi, FillFrameFocusAndRectangle) {
  Canvas c(12, 8);
  RECT r{2, 1, 10, 7};
  EXPECT_EQ(FrameRect(c.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 1);
  EXPECT_EQ(c.Row(1, 0, 12), "..########..");
  EXPECT_EQ(c.Row(3, 0, 12), "..#......#..");
  EXPECT_EQ(c.Row(6, 0, 12), "..########..");
  EXPECT_EQ(c.Row(7, 0, 12), "............");
  // A system colour index plus one stands for its brush.
  RECT inner{3, 2, 9, 6};
  FillRect(c.dc, &inner, reinterpret_cast<HBRUSH>(uintptr_t(COLOR_HIGHLIGHT + 1)));
  EXPECT_EQ(c.At(5, 3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(c.At(2, 3), 0u);

  // The focus frame inverts every other pixel of its edge, and a second
  // call takes it away again.
  Canvas f(10, 6);
  RECT fr{0, 0, 10, 6};
  ASSERT_TRUE(DrawFocusRect(f.dc, &fr));
  const int dots = f.Count(0, 0, 0, 10, 6);
  EXPECT_EQ(dots, 14);  // half of the 28 edge pixels
  EXPECT_EQ(f.Count(0, 1, 1, 9, 5), 0);
  EXPECT_NE(f.Row(0, 0, 10), "##########");
  DrawFocusRect(f.dc, &fr);
  EXPECT_EQ(f.Count(0, 0, 0, 10, 6), 0);

  // Rectangle: the pen's frame inside the box, the brush within.
  Canvas g(8, 6);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(g.dc, red);
  ASSERT_TRUE(Rectangle(g.dc, 1, 1, 7, 5));
  EXPECT_EQ(g.Row(1, 0, 8), ".######.");
  EXPECT_EQ(g.Row(2, 0, 8), ".#????#.");
  EXPECT_EQ(g.At(3, 3), RGB(255, 0, 0));
  SelectObject(g.dc, GetStockObject(NULL_PEN));
  ASSERT_TRUE(Rectangle(g.dc, 0, 0, 2, 2));
  EXPECT_EQ(g.At(0, 0), RGB(255, 0, 0));
  SelectObject(g.dc, old);
  DeleteObject(red);
}

TEST(Gdi, ClippingExcludesAndIntersects) {
  Canvas c(10, 3);
  EXPECT_EQ(ExcludeClipRect(c.dc, 3, 0, 5, 3), COMPLEXREGION);
  EXPECT_EQ(IntersectClipRect(c.dc, 1, 0, 9, 3), COMPLEXREGION);
  PatBlt(c.dc, 0, 0, 10, 3, BLACKNESS);
  EXPECT_EQ(c.Row(1, 0, 10), ".##..####.");
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.right, 9);
  // SaveDC keeps the clip; RestoreDC brings it back.
  const INT saved = SaveDC(c.dc);
  EXPECT_EQ(IntersectClipRect(c.dc, 0, 0, 0, 0), NULLREGION);
  PatBlt(c.dc, 0, 0, 10, 3, WHITENESS);
  EXPECT_EQ(c.Row(1, 0, 10), ".##..####.");
  // A DC deleted with states still saved lets go of their objects.
  HDC other = CreateCompatibleDC(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  HGDIOBJ before = SelectObject(other, pen);
  SaveDC(other);
  SelectObject(other, before);
  EXPECT_FALSE(DeleteObject(pen));  // still held by the saved state
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(pen));
  ASSERT_TRUE(RestoreDC(c.dc, saved));
  PatBlt(c.dc, 0, 0, 10, 3, WHITENESS);
  EXPECT_EQ(c.Row(1, 0, 10), "..........");
  EXPECT_FALSE(RestoreDC(c.dc, 5));
}

TEST(Gdi, TextMetricsExtentsAndDrawTextFlags) {
  Canvas c(200, 60);
  TEXTMETRICW tm{};
  ASSERT_TRUE(GetTextMetricsW(c.dc, &tm));
  // The UI font at 12 pixels of em: a cell of 12 to 18 pixels.
  EXPECT_GT(tm.tmAscent, tm.tmDescent);
  EXPECT_GE(tm.tmHeight, 12);
  EXPECT_LE(tm.tmHeight, 18);
  EXPECT_GT(tm.tmAveCharWidth, 2);
  SIZE one{}, two{};
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Paper", 5, &one));
  ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"PaperPaper", 10, &two));
  EXPECT_EQ(one.cy, tm.tmHeight);
  EXPECT_NEAR(two.cx, 2 * one.cx, 1);

  struct Case {
    const char* name;
    const char16_t* text;
    UINT format;
    LONG width;
    LONG want_lines;
  } cases[] = {
      {"one line", u"A4 210 x 297 mm", DT_SINGLELINE | DT_LEFT, 190, 1},
      {"line breaks", u"one\ntwo\r\nthree", DT_LEFT, 190, 3},
      {"word break", u"Print on both sides of the paper", DT_WORDBREAK, 60, 0},
      {"a long word stays whole", u"Supercalifragilistic", DT_WORDBREAK, 20, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    RECT r{0, 0, k.width, 0};
    const INT h = DrawTextW(c.dc, k.text, -1, &r, k.format | DT_CALCRECT);
    EXPECT_EQ(h, r.bottom);
    if (k.want_lines) EXPECT_EQ(h, k.want_lines * tm.tmHeight);
    else EXPECT_GT(h, 2 * tm.tmHeight);
    if (k.format & DT_WORDBREAK) {
      RECT single{0, 0, 1000, 0};
      DrawTextW(c.dc, k.text, -1, &single, DT_SINGLELINE | DT_CALCRECT);
      if (k.want_lines == 1) EXPECT_EQ(r.right, single.right);  // wider than asked: nothing to break at
      else EXPECT_LE(r.right, k.width);
    }
  }
  // The prefix mark is not drawn and takes no room; "&&" is one '&'.
  SIZE plain{};
  GetTextExtentPoint32W(c.dc, u"Copies", 6, &plain);
  RECT pr{0, 0, 200, 0};
  DrawTextW(c.dc, u"&Copies", -1, &pr, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(pr.right, plain.cx);
  RECT np{0, 0, 200, 0};
  DrawTextW(c.dc, u"&Copies", -1, &np, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_GT(np.right, plain.cx);

  // An ellipsis keeps the text inside its rectangle; the same text without
  // one runs past it (not clipped with DT_NOCLIP).
  const char16_t* long_text = u"Letter Extra Transverse 9.275 x 12 in";
  SetBkMode(c.dc, TRANSPARENT);
  RECT e{10, 5, 80, 25};
  DrawTextW(c.dc, long_text, -1, &e, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_GT(c.Count(0, 10, 5, 80, 25), 10);
  EXPECT_EQ(c.Count(0, 80, 0, 200, 60), 0);
  RECT n{10, 30, 80, 50};
  DrawTextW(c.dc, long_text, -1, &n, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(c.Count(0, 80, 30, 200, 50), 10);

  // Centred and right-aligned text sit where they say; vertical centring.
  Canvas a(100, 40);
  SetBkMode(a.dc, TRANSPARENT);
  RECT ar{0, 0, 100, 40};
  DrawTextW(a.dc, u"OK", -1, &ar, DT_SINGLELINE | DT_RIGHT | DT_VCENTER);
  EXPECT_EQ(a.Count(0, 0, 0, 60, 40), 0);
  EXPECT_GT(a.Count(0, 80, 10, 100, 30), 5);
  EXPECT_EQ(a.Count(0, 0, 0, 100, 8), 0);
}

}  // namespace

namespace {

using ui_test::Ui;

// A dialog holding each standard control, in dialog units.
std::vector<ui::DialogItemTemplate> EveryControl() {
  auto item = [](const char16_t* cls, INT id, DWORD style, const char16_t* text, int16_t x, int16_t y, int16_t cx,
                 int16_t cy, DWORD ex = 0) {
    ui::DialogItemTemplate it;
    it.class_name = cls;
    it.id = int16_t(id);
    it.style = WS_CHILD | WS_VISIBLE | style;
    it.ex_style = ex;
    it.text = text;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    return it;
  };
  return {
      item(u"BUTTON", 100, BS_GROUPBOX, u"Orientation", 6, 4, 90, 50),
      item(u"BUTTON", 101, BS_AUTORADIOBUTTON | WS_GROUP, u"&Portrait", 12, 16, 78, 10),
      item(u"BUTTON", 102, BS_AUTORADIOBUTTON, u"&Landscape", 12, 28, 78, 10),
      item(u"BUTTON", 103, BS_AUTORADIOBUTTON | WS_DISABLED, u"Rotated", 12, 40, 78, 10),
      item(u"BUTTON", 110, BS_AUTOCHECKBOX, u"Collate", 104, 8, 70, 10),
      item(u"BUTTON", 111, BS_AUTO3STATE, u"Staple", 104, 20, 70, 10),
      item(u"BUTTON", 112, BS_AUTOCHECKBOX | WS_DISABLED, u"Punch", 104, 32, 70, 10),
      item(u"STATIC", 120, SS_LEFT, u"&Copies:", 6, 60, 40, 8),
      item(u"EDIT", 121, ES_AUTOHSCROLL | WS_BORDER, u"12", 48, 58, 40, 12),
      item(u"STATIC", 122, SS_RIGHT, u"Right", 104, 46, 70, 8),
      item(u"STATIC", 123, SS_ETCHEDHORZ, u"", 6, 74, 170, 2),
      item(u"STATIC", 130, SS_LEFT, u"Paper size:", 6, 80, 50, 8),
      item(u"COMBOBOX", 131, CBS_DROPDOWNLIST | WS_VSCROLL, u"", 60, 78, 110, 60),
      item(u"LISTBOX", 140, LBS_NOTIFY | WS_BORDER | WS_VSCROLL, u"", 6, 96, 80, 40),
      item(u"SCROLLBAR", 150, SBS_HORZ, u"", 92, 96, 84, 10),
      item(u"BUTTON", 160, BS_OWNERDRAW, u"", 92, 110, 40, 26),
      item(u"BUTTON", IDOK, BS_DEFPUSHBUTTON, u"OK", 72, 142, 50, 14),
      item(u"BUTTON", IDCANCEL, BS_PUSHBUTTON, u"Cancel", 126, 142, 50, 14),
  };
}

// Draws the owner-drawn button as a blue box with a white frame when
// selected, and keeps what it was handed.
struct OwnerDraw {
  static std::vector<DRAWITEMSTRUCT>& Seen() {
    static std::vector<DRAWITEMSTRUCT> seen;
    return seen;
  }
  static std::vector<MEASUREITEMSTRUCT>& Measured() {
    static std::vector<MEASUREITEMSTRUCT> seen;
    return seen;
  }
  static INT_PTR Proc(HWND, UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_DRAWITEM) {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lparam);
      Seen().push_back(*dis);
      HBRUSH b = CreateSolidBrush((dis->itemState & ODS_SELECTED) ? RGB(255, 0, 0) : RGB(0, 0, 255));
      FillRect(dis->hDC, &dis->rcItem, b);
      DeleteObject(b);
      return TRUE;
    }
    if (message == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      Measured().push_back(*mis);
      mis->itemHeight = 20 + mis->itemID % 2 * 4;
      return TRUE;
    }
    return message == WM_INITDIALOG;
  }
};

std::string TempPng(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("velm-paint-" + std::to_string(::getpid()) + "-" + name)).string();
}

// The dialog of every standard control as a person would see it, against
// its reviewed golden picture (tests/data/golden/ui_every_control.png). Set
// VELM_UPDATE_GOLDEN=1 to write the golden picture anew after a change
// of painting that was looked at.
TEST_F(Ui, EveryStandardControlMatchesItsGoldenPicture) {
  HWND d = Dialog(EveryControl(), OwnerDraw::Proc);
  ASSERT_NE(d, nullptr);
  MoveWindow(d, 0, 0, 280, 262, FALSE);
  CheckDlgButton(d, 101, BST_CHECKED);
  CheckDlgButton(d, 110, BST_CHECKED);
  CheckDlgButton(d, 111, BST_INDETERMINATE);
  HWND combo = GetDlgItem(d, 131), list = GetDlgItem(d, 140);
  for (const char16_t* s : {u"A4 210 x 297 mm", u"A5 148 x 210 mm", u"Letter 8.5 x 11 in"}) {
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(s));
    SendMessageW(list, LB_ADDSTRING, 0, LPARAM(s));
  }
  for (const char16_t* s : {u"B5", u"Legal", u"Executive"}) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(s));
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  SendMessageW(GetDlgItem(d, 150), SBM_SETRANGE, 0, 10);
  SendMessageW(GetDlgItem(d, 150), SBM_SETPOS, 3, 0);
  SetFocus(GetDlgItem(d, IDOK));
  const std::string png = TempPng("every.png");
  std::string error;
  ASSERT_TRUE(ui::SnapshotWindow(d, png, &error)) << error;
  const char* data = std::getenv("VELM_TEST_DATA");
  ASSERT_NE(data, nullptr);
  const std::string golden = std::string(data) + "/data/golden/ui_every_control.png";
  if (std::getenv("VELM_UPDATE_GOLDEN"))
    std::filesystem::copy_file(png, golden, std::filesystem::copy_options::overwrite_existing);
  const test_support::Rgb got = test_support::ReadPng(png), want = test_support::ReadPng(golden);
  std::filesystem::remove(png);
  ASSERT_EQ(got.width, 280);
  ASSERT_EQ(got.height, 262);
  EXPECT_EQ(test_support::DifferingBlocks(got, want, 8, 24), std::vector<std::string>{});

  // The comparison sees a change: a check box cleared moves its block.
  CheckDlgButton(d, 110, BST_UNCHECKED);
  ASSERT_TRUE(ui::SnapshotWindow(d, png, &error)) << error;
  const test_support::Rgb changed = test_support::ReadPng(png);
  std::filesystem::remove(png);
  EXPECT_FALSE(test_support::DifferingBlocks(changed, want, 8, 24).empty());
}

TEST_F(Ui, SnapshotOfAWindowThatIsNotThereSaysWhy) {
  std::string error;
  EXPECT_FALSE(ui::SnapshotWindow(reinterpret_cast<HWND>(0x1234), "/tmp/x.png", &error));
  EXPECT_NE(error.find("/tmp/x.png"), std::string::npos);
  HWND d = Dialog({});
  ASSERT_NE(d, nullptr);
  EXPECT_FALSE(ui::SnapshotWindow(d, "/nonexistent-dir/x.png", &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

// Painting order and clipping: a parent gets WM_ERASEBKGND and WM_PAINT
// before its children; each child paints inside its own rectangle only,
// whatever it fills.
struct Painter {
  static std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
  }
  static LRESULT Proc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
    const std::string name = std::to_string(GetDlgCtrlID(h));
    if (message == WM_ERASEBKGND) Log().push_back("erase " + name);
    if (message == WM_PAINT) {
      Log().push_back("paint " + name);
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT huge{-1000, -1000, 1000, 1000};
      const INT id = GetDlgCtrlID(h);
      HBRUSH b = CreateSolidBrush(id == 0 ? RGB(0, 0, 255) : id == 1 ? RGB(255, 0, 0) : RGB(0, 255, 0));
      FillRect(dc, &huge, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    }
    return DefWindowProcW(h, message, wparam, lparam);
  }
};

TEST_F(Ui, ParentsPaintBeforeTheirChildrenAndChildrenStayInside) {
  Painter::Log().clear();
  WNDCLASSW wc{};
  wc.lpfnWndProc = Painter::Proc;
  wc.lpszClassName = u"PaintTest";
  ASSERT_NE(RegisterClassW(&wc), 0);
  HWND top = CreateWindowExW(0, u"PaintTest", u"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
  HWND a = CreateWindowExW(0, u"PaintTest", u"", WS_CHILD | WS_VISIBLE, 10, 10, 20, 10, top, HMENU(1), nullptr, nullptr);
  // A grandchild reaching past its parent is cut at the parent's edge.
  HWND a2 = CreateWindowExW(0, u"PaintTest", u"", WS_CHILD | WS_VISIBLE, 15, 5, 20, 20, a, HMENU(2), nullptr, nullptr);
  HWND hidden = CreateWindowExW(0, u"PaintTest", u"", WS_CHILD, 0, 0, 5, 5, top, HMENU(3), nullptr, nullptr);
  ASSERT_TRUE(top && a && a2 && hidden);
  ASSERT_TRUE(RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));
  // (WM_ERASEBKGND comes from inside BeginPaint.)
  EXPECT_EQ(Painter::Log(), (std::vector<std::string>{"paint 0", "erase 0", "paint 1", "erase 1", "paint 2", "erase 2"}));
  EXPECT_EQ(ui::WindowPixel(top, 5, 5), RGB(0, 0, 255));
  EXPECT_EQ(ui::WindowPixel(top, 10, 10), RGB(255, 0, 0));
  EXPECT_EQ(ui::WindowPixel(top, 24, 14), RGB(255, 0, 0));
  EXPECT_EQ(ui::WindowPixel(top, 25, 15), RGB(0, 255, 0));
  EXPECT_EQ(ui::WindowPixel(top, 29, 19), RGB(0, 255, 0));
  EXPECT_EQ(ui::WindowPixel(top, 30, 15), RGB(0, 0, 255));  // past the child's right edge
  EXPECT_EQ(ui::WindowPixel(top, 25, 20), RGB(0, 0, 255));  // below it
  EXPECT_EQ(ui::WindowPixel(a, 15, 5), RGB(0, 255, 0));     // in the child's own coordinates

  // Painted windows are valid: another update sends nothing; an
  // invalidated child alone is painted alone, without its erase when not asked.
  Painter::Log().clear();
  UpdateWindow(top);
  EXPECT_TRUE(Painter::Log().empty());
  RECT upd;
  EXPECT_FALSE(GetUpdateRect(a2, &upd, FALSE));
  InvalidateRect(a2, nullptr, FALSE);
  EXPECT_TRUE(GetUpdateRect(a2, &upd, FALSE));
  EXPECT_EQ(upd.right, 20);
  UpdateWindow(top);
  EXPECT_EQ(Painter::Log(), (std::vector<std::string>{"paint 2"}));
  DestroyWindow(top);
  UnregisterClassW(u"PaintTest", nullptr);
}

TEST_F(Ui, OwnerDrawnControlsGetTheirItemsMeasuredAndDrawn) {
  OwnerDraw::Seen().clear();
  OwnerDraw::Measured().clear();
  auto item = [](const char16_t* cls, INT id, DWORD style, int16_t x, int16_t y, int16_t cx, int16_t cy) {
    ui::DialogItemTemplate it;
    it.class_name = cls;
    it.id = int16_t(id);
    it.style = WS_CHILD | WS_VISIBLE | style;
    it.x = x;
    it.y = y;
    it.cx = cx;
    it.cy = cy;
    return it;
  };
  HWND d = Dialog({item(u"BUTTON", 20, BS_OWNERDRAW, 4, 4, 40, 16), item(u"BUTTON", 21, BS_OWNERDRAW | WS_DISABLED, 50, 4, 40, 16),
                   item(u"LISTBOX", 30, LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS, 4, 30, 80, 60)},
                  OwnerDraw::Proc);
  ASSERT_NE(d, nullptr);
  HWND list = GetDlgItem(d, 30);
  for (const char16_t* s : {u"one", u"two", u"three"}) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(s));
  SendMessageW(list, LB_SETITEMDATA, 1, 77);
  SendMessageW(list, LB_SETCURSEL, 1, 0);
  SetFocus(GetDlgItem(d, 20));
  ASSERT_TRUE(RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));

  const auto& seen = OwnerDraw::Seen();
  ASSERT_EQ(seen.size(), 5u);
  struct Want {
    UINT type, id, item, state;
    RECT rect;
  } want[] = {
      {ODT_BUTTON, 20, 0, ODS_FOCUS, {0, 0, 60, 26}},
      {ODT_BUTTON, 21, 0, ODS_DISABLED, {0, 0, 60, 26}},
      {ODT_LISTBOX, 30, 0, 0, {0, 0, 120, 20}},
      {ODT_LISTBOX, 30, 1, ODS_SELECTED, {0, 20, 120, 44}},
      {ODT_LISTBOX, 30, 2, 0, {0, 44, 120, 64}},
  };
  for (size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(seen[i].CtlType, want[i].type);
    EXPECT_EQ(seen[i].CtlID, want[i].id);
    EXPECT_EQ(seen[i].itemID, want[i].item);
    EXPECT_EQ(seen[i].itemState, want[i].state);
    EXPECT_EQ(seen[i].itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(seen[i].rcItem.left, want[i].rect.left);
    EXPECT_EQ(seen[i].rcItem.top, want[i].rect.top);
    EXPECT_EQ(seen[i].rcItem.right, want[i].rect.right);
    EXPECT_EQ(seen[i].rcItem.bottom, want[i].rect.bottom);
    EXPECT_NE(seen[i].hDC, nullptr);
  }
  EXPECT_EQ(seen[3].itemData, 77u);
  // Each entry of a variable list is measured; what the parent drew is on
  // the dialog's picture at the control's place.
  ASSERT_EQ(OwnerDraw::Measured().size(), 3u);
  EXPECT_EQ(OwnerDraw::Measured()[1].itemID, 1u);
  EXPECT_EQ(OwnerDraw::Measured()[1].CtlType, UINT(ODT_LISTBOX));
  EXPECT_EQ(ui::WindowPixel(d, 6 + 10, 6 + 10), RGB(0, 0, 255));
  EXPECT_EQ(ui::WindowPixel(list, 10, 30), RGB(255, 0, 0));
}

// A parent colours its controls through WM_CTLCOLOR*: the static's
// background is the parent's brush; without an answer, the face colour.
struct Colourer {
  static INT_PTR Proc(HWND, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_CTLCOLORSTATIC) {
      static HBRUSH yellow = CreateSolidBrush(RGB(255, 255, 0));
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 0));
      return reinterpret_cast<INT_PTR>(yellow);
    }
    return message == WM_INITDIALOG;
  }
};

TEST_F(Ui, ParentsColourTheirControlsAndWindowDcsComeFromGetDc) {
  ui::DialogItemTemplate label;
  label.class_name = u"STATIC";
  label.id = 5;
  label.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
  label.text = u"";
  label.x = 4;
  label.y = 4;
  label.cx = 40;
  label.cy = 10;
  HWND plain = Dialog({label});
  HWND coloured = Dialog({label}, Colourer::Proc);
  ASSERT_TRUE(plain && coloured);
  UpdateWindow(plain);
  UpdateWindow(coloured);
  EXPECT_EQ(ui::WindowPixel(GetDlgItem(plain, 5), 2, 2), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ui::WindowPixel(GetDlgItem(coloured, 5), 2, 2), RGB(255, 255, 0));
  EXPECT_EQ(ui::WindowPixel(coloured, 1, 1), GetSysColor(COLOR_BTNFACE));

  // GetDC of a window (the platform's call) draws into the window's place
  // on its dialog, clipped to it; ReleaseDC gives it back once.
  HWND child = GetDlgItem(plain, 5);
  HDC dc = GetDC(child);
  ASSERT_NE(dc, nullptr);
  RECT all{-50, -50, 500, 500};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(ReleaseDC(child, dc), 1);
  EXPECT_EQ(ReleaseDC(child, dc), 0);
  EXPECT_EQ(ui::WindowPixel(plain, 6, 6), 0u);       // the child's top left (4, 4 units)
  EXPECT_EQ(ui::WindowPixel(plain, 5, 5), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ui::WindowPixel(child, 59, 15), 0u);
  EXPECT_EQ(ui::WindowPixel(child, 60, 16), CLR_INVALID);
  // The desktop's DC stays the platform's own.
  HDC screen = GetDC(nullptr);
  EXPECT_NE(screen, nullptr);
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(GetDC(reinterpret_cast<HWND>(0x4321)), nullptr);
}

TEST_F(Ui, AnOwnerDrawnComboDrawsItsSelectionField) {
  OwnerDraw::Seen().clear();
  OwnerDraw::Measured().clear();
  ui::DialogItemTemplate combo;
  combo.class_name = u"COMBOBOX";
  combo.id = 7;
  combo.style = WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED;
  combo.x = 4;
  combo.y = 4;
  combo.cx = 80;
  combo.cy = 60;
  HWND d = Dialog({combo}, OwnerDraw::Proc);
  ASSERT_NE(d, nullptr);
  HWND c = GetDlgItem(d, 7);
  SendMessageW(c, CB_ADDSTRING, 0, LPARAM(u"x"));
  SendMessageW(c, CB_ADDSTRING, 0, LPARAM(u"y"));
  SendMessageW(c, CB_SETITEMDATA, 1, 99);
  SendMessageW(c, CB_SETCURSEL, 1, 0);
  UpdateWindow(d);
  ASSERT_EQ(OwnerDraw::Measured().size(), 1u);
  EXPECT_EQ(OwnerDraw::Measured()[0].itemID, UINT(-1));  // the selection field
  ASSERT_EQ(OwnerDraw::Seen().size(), 1u);
  const DRAWITEMSTRUCT& dis = OwnerDraw::Seen()[0];
  EXPECT_EQ(dis.CtlType, UINT(ODT_COMBOBOX));
  EXPECT_EQ(dis.itemID, 1u);
  EXPECT_EQ(dis.itemData, 99u);
  EXPECT_TRUE(dis.itemState & ODS_COMBOBOXEDIT);
  // The field is as high as the measured entry and its frame; the list
  // below it is not shown while the combo box is closed.
  EXPECT_EQ(dis.rcItem.bottom - dis.rcItem.top, 24);  // the height measured for item -1
  EXPECT_EQ(ui::WindowPixel(c, 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(ui::WindowPixel(c, 10, 60), GetSysColor(COLOR_BTNFACE));
}

}  // namespace
