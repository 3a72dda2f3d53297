// The faces of the standard controls in a plain classic look. Each is
// painted from what the control answers to its own messages (check state,
// entries, selection, position), with the colours its parent answers to
// WM_CTLCOLOR*; owner-drawn buttons, statics, lists and combo boxes are
// handed to the parent as WM_MEASUREITEM and WM_DRAWITEM.
#include <algorithm>
#include <string>

#include "gdi_internal.h"
#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui/tabctrl.h"
#include "wm.h"

namespace ui::detail {
namespace {

constexpr LONG kCheckBox = 13;    // the box of a check box or radio button
constexpr LONG kArrowWidth = 16;  // a combo box's button, a scroll bar's arrows

std::u16string TextOfWindow(HWND h) {
  std::u16string s(size_t(std::max(0, GetWindowTextLengthW(h))) + 1, u'\0');
  s.resize(size_t(std::max(0, GetWindowTextW(h, s.data(), INT(s.size())))));
  return s;
}

std::u16string EntryText(HWND h, bool combo, INT index) {
  const LRESULT n = SendMessageW(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(index), 0);
  if (n < 0) return {};
  std::u16string s(size_t(n) + 1, u'\0');
  const LRESULT got = SendMessageW(h, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(index), LPARAM(s.data()));
  s.resize(size_t(std::clamp<LRESULT>(got, 0, n)));
  return s;
}

// The brush the parent gives for the control (its text and background
// colours set on dc), or the default one.
HBRUSH ParentBrush(HWND h, HDC dc, UINT message) {
  HWND parent = GetParent(h);
  LRESULT r = parent ? SendMessageW(parent, message, WPARAM(dc), LPARAM(h)) : 0;
  if (!r) r = DefaultCtlColor(message, dc);
  return reinterpret_cast<HBRUSH>(r);
}

UINT DrawItem(HWND h, HDC dc, UINT type, UINT item, UINT state, const RECT& rect, ULONG_PTR data) {
  DRAWITEMSTRUCT dis{type, UINT(GetDlgCtrlID(h)), item, ODA_DRAWENTIRE, state, h, dc, rect, data};
  HWND parent = GetParent(h);
  return parent ? UINT(SendMessageW(parent, WM_DRAWITEM, WPARAM(dis.CtlID), LPARAM(&dis))) : 0;
}

UINT MeasureItem(HWND h, UINT type, UINT item, UINT height, ULONG_PTR data) {
  MEASUREITEMSTRUCT mis{type, UINT(GetDlgCtrlID(h)), item, 0, height, data};
  HWND parent = GetParent(h);
  if (parent) SendMessageW(parent, WM_MEASUREITEM, WPARAM(mis.CtlID), LPARAM(&mis));
  return mis.itemHeight ? mis.itemHeight : height;
}

void Fill(HDC dc, const RECT& r, INT sys_color) { FillRect(dc, &r, GetSysColorBrush(sys_color)); }

// A triangle pointing down (or up, left, right) centred in the rectangle.
void Arrow(HDC dc, const RECT& r, char dir, bool enabled) {
  const LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  POINT pts[3];
  switch (dir) {
    case 'u': pts[0] = {cx - 3, cy + 1}; pts[1] = {cx + 3, cy + 1}; pts[2] = {cx, cy - 2}; break;
    case 'l': pts[0] = {cx + 1, cy - 3}; pts[1] = {cx + 1, cy + 3}; pts[2] = {cx - 2, cy}; break;
    case 'r': pts[0] = {cx - 1, cy - 3}; pts[1] = {cx - 1, cy + 3}; pts[2] = {cx + 2, cy}; break;
    default: pts[0] = {cx - 3, cy - 1}; pts[1] = {cx + 3, cy - 1}; pts[2] = {cx, cy + 2}; break;
  }
  const COLORREF c = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HGDIOBJ old_brush = SelectObject(dc, GetStockObject(DC_BRUSH));
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(DC_PEN));
  SetDCBrushColor(dc, c);
  SetDCPenColor(dc, c);
  Polygon(dc, pts, 3);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
}

// A raised button face (pressed: flat with a shadow frame).
void ButtonFace(HDC dc, RECT r, bool pressed) {
  Fill(dc, r, COLOR_BTNFACE);
  if (pressed) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  }
}

// Text in a rectangle with the DC's colours, grey when disabled; answers
// the rectangle the text takes.
RECT Label(HDC dc, const std::u16string& text, RECT r, UINT format, bool enabled) {
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  RECT box = r;
  DrawTextW(dc, text.c_str(), INT(text.size()), &box, format | DT_CALCRECT);
  const LONG h = box.bottom - box.top, w = box.right - box.left;
  DrawTextW(dc, text.c_str(), INT(text.size()), &r, format);
  LONG left = r.left;
  if (format & DT_CENTER) left = r.left + (r.right - r.left - w) / 2;
  else if (format & DT_RIGHT) left = r.right - w;
  LONG top = r.top;
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) top = r.top + (r.bottom - r.top - h) / 2;
  return RECT{left, top, left + std::min(w, r.right - r.left), top + std::min(h, r.bottom - r.top)};
}

LONG TextHeight(HDC dc) {
  TEXTMETRICW tm{};
  return GetTextMetricsW(dc, &tm) ? tm.tmHeight : 14;
}

// ---- BUTTON -------------------------------------------------------------------------------------

void PaintCheckMark(HDC dc, const RECT& box, COLORREF c) {
  // A tick of three-pixel strokes: down from the left, up to the right.
  const LONG x = box.left + 3, y = box.top + 5;
  HBRUSH b = CreateSolidBrush(c);
  for (LONG i = 0; i < 7; ++i) {
    const LONG dy = i < 3 ? i : 4 - i;
    RECT col{x + i, y + dy, x + i + 1, y + dy + 3};
    FillRect(dc, &col, b);
  }
  DeleteObject(b);
}

void PaintButton(HWND h, HDC dc, const RECT& client, DWORD style, bool enabled, bool focused) {
  const DWORD type = style & BS_TYPEMASK;
  const UINT state = UINT(SendMessageW(h, BM_GETSTATE, 0, 0));
  const bool pushed = state & BST_PUSHED;
  const std::u16string text = TextOfWindow(h);
  if (type == BS_OWNERDRAW) {
    UINT ods = (pushed ? ODS_SELECTED : 0) | (focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    DrawItem(h, dc, ODT_BUTTON, 0, ods, client, 0);
    return;
  }
  const HBRUSH brush = ParentBrush(h, dc, WM_CTLCOLORBTN);
  const bool checkable = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
                         type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  const UINT check = checkable ? UINT(SendMessageW(h, BM_GETCHECK, 0, 0)) : 0;
  if (type == BS_GROUPBOX) {
    // An etched frame from the middle of the caption's line down; the
    // caption on the background, cut into the frame.
    const LONG th = TextHeight(dc);
    RECT frame{client.left, client.top + th / 2, client.right, client.bottom};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (!text.empty()) {
      RECT cap{client.left + 8, client.top, client.right - 8, client.top + th};
      RECT box = cap;
      DrawTextW(dc, text.c_str(), INT(text.size()), &box, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
      RECT back{box.left - 2, box.top, std::min(box.right + 2, client.right - 6), box.bottom};
      FillRect(dc, &back, brush);
      Label(dc, text, cap, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS, enabled);
    }
    return;
  }
  if (!checkable || (style & BS_PUSHLIKE)) {
    const bool is_default = type == BS_DEFPUSHBUTTON;
    const bool down = pushed || (checkable && check == BST_CHECKED);
    RECT r = client;
    if (is_default) {
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    ButtonFace(dc, r, down);
    RECT t{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    if (down) t = RECT{t.left + 1, t.top + 1, t.right + 1, t.bottom + 1};
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    Label(dc, text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled);
    if (focused) {
      RECT f{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
      DrawFocusRect(dc, &f);
    }
    return;
  }
  FillRect(dc, &client, brush);
  const bool left_text = style & BS_LEFTTEXT;
  const LONG top = client.top + (client.bottom - client.top - kCheckBox) / 2;
  const LONG bx = left_text ? client.right - kCheckBox : client.left;
  RECT box{bx, top, bx + kCheckBox, top + kCheckBox};
  const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  const COLORREF field = GetSysColor(enabled && !pushed ? COLOR_WINDOW : COLOR_BTNFACE);
  if (radio) {
    HGDIOBJ old_brush = SelectObject(dc, GetStockObject(DC_BRUSH));
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, GetSysColor(COLOR_BTNSHADOW));
    SetDCBrushColor(dc, field);
    Ellipse(dc, box.left, box.top, box.right - 1, box.bottom - 1);
    if (check == BST_CHECKED) {
      const COLORREF dot = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
      SetDCPenColor(dc, dot);
      SetDCBrushColor(dc, dot);
      Ellipse(dc, box.left + 4, box.top + 4, box.right - 5, box.bottom - 5);
    }
    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
  } else {
    RECT inner = box;
    DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT);
    HBRUSH fb = CreateSolidBrush(check == BST_INDETERMINATE ? GetSysColor(COLOR_BTNFACE) : field);
    FillRect(dc, &inner, fb);
    DeleteObject(fb);
    if (check == BST_CHECKED || check == BST_INDETERMINATE)
      PaintCheckMark(dc, box, GetSysColor(check == BST_INDETERMINATE || !enabled ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT));
  }
  RECT t = left_text ? RECT{client.left, client.top, bx - 4, client.bottom}
                     : RECT{box.right + 4, client.top, client.right, client.bottom};
  const RECT used = Label(dc, text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE, enabled);
  if (focused && !text.empty()) {
    RECT f{used.left - 1, used.top, used.right + 1, used.bottom};
    DrawFocusRect(dc, &f);
  }
}

// ---- STATIC -------------------------------------------------------------------------------------

void PaintStatic(HWND h, HDC dc, const RECT& client, DWORD style, bool enabled) {
  const DWORD type = style & SS_TYPEMASK;
  if (type == SS_OWNERDRAW) {
    DrawItem(h, dc, ODT_STATIC, 0, enabled ? 0 : ODS_DISABLED, client, 0);
    return;
  }
  RECT r = client;
  switch (type) {
    case SS_ETCHEDHORZ: DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP | BF_BOTTOM); return;
    case SS_ETCHEDVERT: DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT | BF_RIGHT); return;
    case SS_ETCHEDFRAME: DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT); return;
    case 4: case 5: case 6:  // SS_BLACKRECT, SS_GRAYRECT, SS_WHITERECT
      Fill(dc, r, type == 4 ? COLOR_WINDOWFRAME : type == 5 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
      return;
    case 7: case 8: case 9:  // SS_BLACKFRAME, SS_GRAYFRAME, SS_WHITEFRAME
      FrameRect(dc, &r, GetSysColorBrush(type == 7 ? COLOR_WINDOWFRAME : type == 8 ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
      return;
  }
  const HBRUSH brush = ParentBrush(h, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &r, brush);
  if (style & SS_SUNKEN) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  if (type == SS_BITMAP || type == SS_ICON) {
    // A bitmap of this layer is drawn at the top left (centred with
    // SS_CENTERIMAGE); other images have no pixels here.
    auto image = reinterpret_cast<HGDIOBJ>(SendMessageW(h, STM_GETIMAGE, type == SS_ICON ? 1 : 0, 0));
    BITMAP bm{};
    if (image && GetObjectW(image, sizeof bm, &bm) == INT(sizeof bm)) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, image);
      LONG x = r.left, y = r.top;
      if (style & SS_CENTERIMAGE) {
        x = r.left + (r.right - r.left - bm.bmWidth) / 2;
        y = r.top + (r.bottom - r.top - bm.bmHeight) / 2;
      }
      BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
    }
    return;
  }
  const UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
  const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
  const UINT format = align | (wraps ? DT_WORDBREAK : DT_SINGLELINE) | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0) |
                      ((style & SS_CENTERIMAGE) && !wraps ? DT_VCENTER : 0);
  Label(dc, TextOfWindow(h), r, format, enabled);
}

// ---- EDIT ---------------------------------------------------------------------------------------

void PaintEdit(HWND h, HDC dc, const RECT& client, DWORD style, DWORD ex_style, bool enabled) {
  const bool read_only = style & ES_READONLY;
  const HBRUSH brush = ParentBrush(h, dc, enabled && !read_only ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC);
  RECT r = client;
  FillRect(dc, &r, brush);
  if (ex_style & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  else if (style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  std::u16string text = TextOfWindow(h);
  if (style & ES_PASSWORD) text.assign(text.size(), u'*');
  RECT t{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1};
  const UINT format = DT_NOPREFIX | ((style & ES_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
  Label(dc, text, t, format, enabled);
}

// ---- LISTBOX and COMBOBOX ---------------------------------------------------------------------

// One entry: text on the window colour, or on the highlight when selected.
void PaintEntry(HDC dc, const std::u16string& text, const RECT& r, bool selected, bool enabled) {
  Fill(dc, r, selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT t{r.left + 2, r.top, r.right - 2, r.bottom};
  Label(dc, text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, enabled);
}

void PaintScrollBar(HDC dc, const RECT& r, bool vertical, INT min, INT max, UINT page, INT pos, bool enabled);

void PaintList(HWND h, HDC dc, const RECT& client, DWORD style, DWORD ex_style, bool enabled, bool focused) {
  RECT r = client;
  ParentBrush(h, dc, WM_CTLCOLORLISTBOX);
  if (ex_style & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  else if (style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  }
  Fill(dc, r, COLOR_WINDOW);
  const INT count = INT(SendMessageW(h, LB_GETCOUNT, 0, 0));
  const INT top = std::max<INT>(0, INT(SendMessageW(h, LB_GETTOPINDEX, 0, 0)));
  const INT caret = INT(SendMessageW(h, LB_GETCARETINDEX, 0, 0));
  const bool owner_fixed = style & LBS_OWNERDRAWFIXED, owner_variable = style & LBS_OWNERDRAWVARIABLE;
  const bool strings = !(owner_fixed || owner_variable) || (style & LBS_HASSTRINGS);
  UINT height = UINT(std::max<LRESULT>(1, SendMessageW(h, LB_GETITEMHEIGHT, 0, 0)));
  if (owner_fixed) {
    height = MeasureItem(h, ODT_LISTBOX, 0, height, ULONG_PTR(SendMessageW(h, LB_GETITEMDATA, 0, 0)));
    SendMessageW(h, LB_SETITEMHEIGHT, 0, LPARAM(height));
  }
  // A scroll bar when the entries do not fit.
  LONG right = r.right;
  if ((style & WS_VSCROLL) && LONG(count) * LONG(height) > r.bottom - r.top) {
    right -= kArrowWidth;
    const INT rows = std::max<INT>(1, INT((r.bottom - r.top) / LONG(height)));
    PaintScrollBar(dc, RECT{right, r.top, r.right, r.bottom}, true, 0, count - 1, UINT(rows), top, enabled);
  }
  SaveDC(dc);
  IntersectClipRect(dc, r.left, r.top, right, r.bottom);
  LONG y = r.top;
  for (INT i = top; i < count && y < r.bottom; ++i) {
    const ULONG_PTR data = ULONG_PTR(SendMessageW(h, LB_GETITEMDATA, WPARAM(i), 0));
    const UINT ih = owner_variable ? MeasureItem(h, ODT_LISTBOX, UINT(i), height, data) : height;
    RECT item{r.left, y, right, y + LONG(ih)};
    const bool selected = SendMessageW(h, LB_GETSEL, WPARAM(i), 0) > 0;
    const bool has_focus = focused && caret == i;
    if (owner_fixed || owner_variable) {
      UINT ods = (selected ? ODS_SELECTED : 0) | (has_focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      DrawItem(h, dc, ODT_LISTBOX, UINT(i), ods, item, data);
    } else {
      PaintEntry(dc, strings ? EntryText(h, false, i) : std::u16string(), item, selected, enabled);
      if (has_focus) DrawFocusRect(dc, &item);
    }
    y += LONG(ih);
  }
  RestoreDC(dc, -1);
}

void PaintCombo(HWND h, HDC dc, const RECT& client, DWORD style, bool enabled, bool focused) {
  const DWORD kind = style & 0x3;
  const bool owner = style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE);
  const INT sel = INT(SendMessageW(h, CB_GETCURSEL, 0, 0));
  const ULONG_PTR sel_data = sel >= 0 ? ULONG_PTR(SendMessageW(h, CB_GETITEMDATA, WPARAM(sel), 0)) : 0;
  UINT item_h = UINT(std::max<LRESULT>(1, SendMessageW(h, CB_GETITEMHEIGHT, 0, 0)));
  if (owner) item_h = MeasureItem(h, ODT_COMBOBOX, UINT(-1), item_h, 0);
  // The selection field: as high as an entry and its frame; the rest of
  // the window is the list, shown only when dropped.
  const LONG field_h = std::min<LONG>(client.bottom - client.top, std::max<LONG>(LONG(item_h), TextHeight(dc)) + 6);
  RECT field{client.left, client.top, client.right, client.top + field_h};
  ParentBrush(h, dc, kind == CBS_DROPDOWNLIST ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT);
  RECT r = field;
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT);
  Fill(dc, r, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
  RECT button{r.right - kArrowWidth, r.top, r.right, r.bottom};
  ButtonFace(dc, button, false);
  Arrow(dc, button, 'd', enabled);
  RECT inner{r.left + 1, r.top + 1, button.left - 1, r.bottom - 1};
  const bool highlight = focused && kind == CBS_DROPDOWNLIST;
  if (owner) {
    UINT ods = ODS_COMBOBOXEDIT | (highlight ? ODS_SELECTED | ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    DrawItem(h, dc, ODT_COMBOBOX, UINT(sel), ods, inner, sel_data);
  } else {
    const std::u16string text = kind == CBS_DROPDOWNLIST ? (sel >= 0 ? EntryText(h, true, sel) : std::u16string())
                                                         : TextOfWindow(h);
    PaintEntry(dc, text, inner, highlight, enabled);
    if (highlight) DrawFocusRect(dc, &inner);
  }
  if (!SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0)) return;
  // The dropped list below the field, inside the window's rectangle.
  RECT list{client.left, field.bottom, client.right, client.bottom};
  FrameRect(dc, &list, GetSysColorBrush(COLOR_WINDOWFRAME));
  RECT rows{list.left + 1, list.top + 1, list.right - 1, list.bottom - 1};
  Fill(dc, rows, COLOR_WINDOW);
  const INT count = INT(SendMessageW(h, CB_GETCOUNT, 0, 0));
  SaveDC(dc);
  IntersectClipRect(dc, rows.left, rows.top, rows.right, rows.bottom);
  LONG y = rows.top;
  for (INT i = 0; i < count && y < rows.bottom; ++i) {
    const ULONG_PTR data = ULONG_PTR(SendMessageW(h, CB_GETITEMDATA, WPARAM(i), 0));
    const UINT ih = (style & CBS_OWNERDRAWVARIABLE) ? MeasureItem(h, ODT_COMBOBOX, UINT(i), item_h, data) : item_h;
    RECT item{rows.left, y, rows.right, y + LONG(ih)};
    if (owner) DrawItem(h, dc, ODT_COMBOBOX, UINT(i), (i == sel ? ODS_SELECTED : 0), item, data);
    else PaintEntry(dc, EntryText(h, true, i), item, i == sel, enabled);
    y += LONG(ih);
  }
  RestoreDC(dc, -1);
}

// ---- SCROLLBAR ----------------------------------------------------------------------------------

void PaintScrollBar(HDC dc, const RECT& r, bool vertical, INT min, INT max, UINT page, INT pos, bool enabled) {
  const LONG length = vertical ? r.bottom - r.top : r.right - r.left;
  const LONG thick = vertical ? r.right - r.left : r.bottom - r.top;
  const LONG arrow = std::min(thick, length / 2);
  RECT first = vertical ? RECT{r.left, r.top, r.right, r.top + arrow} : RECT{r.left, r.top, r.left + arrow, r.bottom};
  RECT last = vertical ? RECT{r.left, r.bottom - arrow, r.right, r.bottom}
                       : RECT{r.right - arrow, r.top, r.right, r.bottom};
  RECT track = vertical ? RECT{r.left, first.bottom, r.right, last.top} : RECT{first.right, r.top, last.left, r.bottom};
  HBRUSH light = CreateSolidBrush(RGB(236, 234, 230));
  FillRect(dc, &track, light);
  DeleteObject(light);
  ButtonFace(dc, first, false);
  ButtonFace(dc, last, false);
  Arrow(dc, first, vertical ? 'u' : 'l', enabled);
  Arrow(dc, last, vertical ? 'd' : 'r', enabled);
  const LONG room = vertical ? track.bottom - track.top : track.right - track.left;
  const long long span = (long long)max - min + 1;
  if (!enabled || room < 8 || span <= 0 || (page && page >= span)) return;
  LONG thumb = page ? LONG(std::max<long long>(8, room * (long long)page / span)) : std::min<LONG>(thick, room);
  thumb = std::min(thumb, room);
  const long long steps = span - (page ? (long long)page : 1);
  const LONG at = steps > 0 ? LONG((long long)(room - thumb) * std::clamp<long long>((long long)pos - min, 0, steps) / steps) : 0;
  RECT t = vertical ? RECT{r.left, track.top + at, r.right, track.top + at + thumb}
                    : RECT{track.left + at, r.top, track.left + at + thumb, r.bottom};
  ButtonFace(dc, t, false);
}

void PaintScroll(HWND h, HDC dc, const RECT& client, DWORD style, bool enabled) {
  SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
  SendMessageW(h, SBM_GETSCROLLINFO, 0, LPARAM(&si));
  ParentBrush(h, dc, WM_CTLCOLORSCROLLBAR);
  PaintScrollBar(dc, client, (style & SBS_VERT) != 0, si.nMin, si.nMax, si.nPage, si.nPos, enabled);
}

// The channel and the thumb; the thumb sits where the position lies in the range.
void PaintTrackbar(HWND h, HDC dc, const RECT& client, bool enabled, bool focused) {
  Fill(dc, client, COLOR_BTNFACE);
  const LONG mid = (client.top + client.bottom) / 2;
  RECT channel{client.left + kTrackbarMargin, mid - 2, client.right - kTrackbarMargin, mid + 2};
  DrawEdge(dc, &channel, EDGE_SUNKEN, BF_RECT);
  const long long lo = SendMessageW(h, TBM_GETRANGEMIN, 0, 0), hi = SendMessageW(h, TBM_GETRANGEMAX, 0, 0);
  const long long pos = SendMessageW(h, TBM_GETPOS, 0, 0);
  const LONG room = std::max<LONG>(0, channel.right - channel.left);
  const LONG x = channel.left + (hi > lo ? LONG(room * (pos - lo) / (hi - lo)) : 0);
  ButtonFace(dc, RECT{x - 5, client.top + 2, x + 5, client.bottom - 2}, !enabled);
  if (focused) {
    RECT f{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    DrawFocusRect(dc, &f);
  }
}

// Two buttons, one above the other, with their arrows.
void PaintUpDown(HDC dc, const RECT& client, bool enabled) {
  const LONG mid = (client.top + client.bottom) / 2;
  const RECT up{client.left, client.top, client.right, mid}, down{client.left, mid, client.right, client.bottom};
  ButtonFace(dc, up, false);
  ButtonFace(dc, down, false);
  Arrow(dc, up, 'u', enabled);
  Arrow(dc, down, 'd', enabled);
}

// One line per item, indented by its depth, on the window colour.
void PaintTree(HWND h, HDC dc, const RECT& client, bool enabled) {
  Fill(dc, client, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
  RECT frame = client;
  DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  constexpr LONG kLine = 16, kIndent = 16;
  LONG y = client.top + 2;
  for (const auto& [depth, text] : TreeLines(h)) {
    if (y >= client.bottom) break;
    RECT r{client.left + 4 + depth * kIndent, y, client.right - 2, y + kLine};
    DrawTextW(dc, text.c_str(), INT(text.size()), &r, DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
    y += kLine;
  }
}

// The tabs along the top edge, the selected one raised above the others,
// and the line under them that the page's frame continues.
void PaintTabControl(HWND h, HDC dc, const RECT& client, bool enabled) {
  Fill(dc, client, COLOR_BTNFACE);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const LRESULT count = SendMessageW(h, TCM_GETITEMCOUNT, 0, 0), current = SendMessageW(h, TCM_GETCURSEL, 0, 0);
  LONG bottom = client.top;
  for (LRESULT i = 0; i < count; ++i) {
    RECT tab{};
    if (!SendMessageW(h, TCM_GETITEMRECT, WPARAM(i), LPARAM(&tab))) continue;
    bottom = std::max(bottom, tab.bottom);
    if (i != current) tab.top += 2;
    if (tab.left >= client.right) break;
    char16_t text[128] = {};
    TCITEMW item{TCIF_TEXT, 0, 0, text, 128, 0, 0};
    SendMessageW(h, TCM_GETITEMW, WPARAM(i), LPARAM(&item));
    RECT edge = tab;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    RECT r{tab.left + 6, tab.top + 2, tab.right - 4, tab.bottom};
    DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX);
  }
  RECT line{client.left, std::min(bottom, client.bottom) - 1, client.right, client.bottom};
  DrawEdge(dc, &line, BDR_RAISEDOUTER, BF_TOP);
}

}  // namespace

bool PaintStandardControl(HWND h, HDC dc) {
  char16_t cls[32] = {};
  GetClassNameW(h, cls, 32);
  std::u16string name(cls);
  for (char16_t& c : name) c = plat::WToUpper(c);
  RECT client;
  if (!GetClientRect(h, &client)) return false;
  const DWORD style = DWORD(GetWindowLongW(h, GWL_STYLE));
  const DWORD ex_style = DWORD(GetWindowLongW(h, GWL_EXSTYLE));
  const bool enabled = IsWindowEnabled(h), focused = GetFocus() == h;
  if (auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0))) SelectObject(dc, font);
  if (name == u"BUTTON") PaintButton(h, dc, client, style, enabled, focused);
  else if (name == u"STATIC") PaintStatic(h, dc, client, style, enabled);
  else if (name == u"EDIT") PaintEdit(h, dc, client, style, ex_style, enabled);
  else if (name == u"LISTBOX") PaintList(h, dc, client, style, ex_style, enabled, focused);
  else if (name == u"COMBOBOX") PaintCombo(h, dc, client, style, enabled, focused);
  else if (name == u"SCROLLBAR") PaintScroll(h, dc, client, style, enabled);
  else if (name == u"MSCTLS_TRACKBAR32") PaintTrackbar(h, dc, client, enabled, focused);
  else if (name == u"MSCTLS_UPDOWN32") PaintUpDown(dc, client, enabled);
  else if (name == u"SYSTREEVIEW32") PaintTree(h, dc, client, enabled);
  else if (name == u"SYSTABCONTROL32") PaintTabControl(h, dc, client, enabled);
  else if (name == u"SYSLISTVIEW32") PaintListView(h, dc, client, enabled, focused);
  else return false;
  return true;
}

}  // namespace ui::detail
