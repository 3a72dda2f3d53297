// The list view in its report view: columns, rows with their texts, states
// and parameters, the notifications of a change, the person's clicks and
// keys, and the classic face (a header of raised captions over the rows, or
// each row handed to the parent when it draws them itself).
#include <algorithm>
#include <string>
#include <vector>

#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui/gdi.h"
#include "wm.h"

namespace ui::detail {
namespace {

constexpr LONG kHeaderHeight = 18;
constexpr LONG kRowHeight = 16;
constexpr LONG kCheckSize = 13;
constexpr LONG kFrame = 2;       // the sunken edge around the rows
constexpr LONG kTextPadding = 4;

constexpr UINT kUnchecked = 1u << 12;  // state image 1
constexpr UINT kChecked = 2u << 12;    // state image 2

struct Column {
  std::u16string text;
  INT width = 0;
  INT fmt = LVCFMT_LEFT;
};

struct Row {
  std::vector<std::u16string> texts;  // [0] the label, [k] sub-item k
  UINT state = 0;
  LPARAM param = 0;
  const std::u16string& Text(INT sub) const {
    static const std::u16string empty;
    return sub >= 0 && size_t(sub) < texts.size() ? texts[size_t(sub)] : empty;
  }
};

struct ListData : ControlData {
  std::vector<Column> columns;
  std::vector<Row> rows;
  DWORD ex_style = 0;
  INT top = 0;          // the first row shown
  LONG row_height = 0;  // 0: not yet measured
  bool Valid(INT i) const { return i >= 0 && size_t(i) < rows.size(); }
  std::string Describe() const override {
    INT sel = -1;
    for (size_t i = 0; i < rows.size() && sel < 0; ++i)
      if (rows[i].state & LVIS_SELECTED) sel = INT(i);
    std::string out = "rows=" + std::to_string(rows.size()) + " sel=" + std::to_string(sel);
    for (const Row& r : rows) {
      out += " [";
      if (ex_style & LVS_EX_CHECKBOXES) out += (r.state & LVIS_STATEIMAGEMASK) == kChecked ? "x " : "- ";
      for (size_t k = 0; k < r.texts.size(); ++k) out += (k ? "|" : "") + plat::ToUtf8(r.texts[k]);
      out += "]";
    }
    return out;
  }
};

ListData* Data(HWND h) { return Control<ListData>(h); }

DWORD StyleOf(HWND h) { return DWORD(GetWindowLongW(h, GWL_STYLE)); }

LONG HeaderHeight(HWND h) {
  const DWORD style = StyleOf(h);
  return (style & LVS_NOCOLUMNHEADER) ? 0 : kHeaderHeight;
}

// The height of a row: fixed, or what the parent answers once for rows it
// draws itself.
LONG RowHeight(HWND h) {
  ListData* t = Data(h);
  if (!t) return kRowHeight;
  if (t->row_height) return t->row_height;
  LONG height = kRowHeight;
  if (StyleOf(h) & LVS_OWNERDRAWFIXED) {
    MEASUREITEMSTRUCT mis{ODT_LISTVIEW, UINT(GetDlgCtrlID(h)), 0, 0, UINT(kRowHeight), 0};
    if (HWND parent = GetParent(h)) SendMessageW(parent, WM_MEASUREITEM, WPARAM(mis.CtlID), LPARAM(&mis));
    if (mis.itemHeight) height = LONG(mis.itemHeight);
  }
  if ((t = Data(h))) t->row_height = height;
  return height;
}

RECT RowsArea(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return RECT{r.left + kFrame, r.top + kFrame + HeaderHeight(h), r.right - kFrame, r.bottom - kFrame};
}

INT CountPerPage(HWND h) {
  const RECT a = RowsArea(h);
  return std::max<INT>(1, INT((a.bottom - a.top) / RowHeight(h)));
}

// The whole row across its columns (at least the width of the area).
RECT RowRect(HWND h, const ListData& t, INT i) {
  const RECT a = RowsArea(h);
  const LONG height = RowHeight(h);
  LONG width = 0;
  for (const Column& c : t.columns) width += std::max(0, c.width);
  const LONG top = a.top + LONG(i - t.top) * height;
  return RECT{a.left, top, a.left + std::max(width, a.right - a.left), top + height};
}

LRESULT Notify(HWND h, UINT code, INT item, UINT new_state, UINT old_state, UINT changed, LPARAM param) {
  HWND parent = GetParent(h);
  if (!parent) return 0;
  NMLISTVIEW n{};
  n.hdr = NMHDR{h, UINT_PTR(GetDlgCtrlID(h)), code};
  n.iItem = item;
  n.uNewState = new_state;
  n.uOldState = old_state;
  n.uChanged = changed;
  n.lParam = param;
  return SendMessageW(parent, WM_NOTIFY, WPARAM(GetDlgCtrlID(h)), LPARAM(&n));
}

// One change to row i: its state bits under state_mask, the text of a
// sub-item, its parameter. The parent is asked first and told after; false
// when it refused or the row is gone.
bool ChangeRow(HWND h, INT i, UINT mask, UINT state, UINT state_mask, INT sub, const std::u16string* text,
               LPARAM param) {
  ListData* t = Data(h);
  if (!t || !t->Valid(i)) return false;
  const Row& before = t->rows[size_t(i)];
  const UINT old_state = before.state;
  const UINT new_state = (mask & LVIF_STATE) ? (old_state & ~state_mask) | (state & state_mask) : old_state;
  UINT changed = 0;
  if (new_state != old_state) changed |= LVIF_STATE;
  if ((mask & LVIF_TEXT) && text && *text != before.Text(sub)) changed |= LVIF_TEXT;
  if ((mask & LVIF_PARAM) && param != before.param) changed |= LVIF_PARAM;
  if (!changed) return true;
  if (Notify(h, LVN_ITEMCHANGING, i, new_state, old_state, changed, before.param)) return false;
  t = Data(h);  // the parent may have changed the list meanwhile
  if (!t || !t->Valid(i)) return false;
  Row& row = t->rows[size_t(i)];
  if (changed & LVIF_STATE) row.state = (row.state & ~state_mask) | (state & state_mask);
  if (changed & LVIF_TEXT) {
    if (row.texts.size() <= size_t(sub)) row.texts.resize(size_t(sub) + 1);
    row.texts[size_t(sub)] = *text;
  }
  if (changed & LVIF_PARAM) row.param = param;
  const UINT now = row.state;
  const LPARAM now_param = row.param;
  InvalidateRect(h, nullptr, TRUE);
  Notify(h, LVN_ITEMCHANGED, i, now, old_state, changed, now_param);
  return true;
}

// A state change of row i (every row for -1) that keeps a single focused
// row, and a single selected one with LVS_SINGLESEL: the others lose theirs
// first, each with its own notifications.
bool SetState(HWND h, INT i, UINT state, UINT mask) {
  ListData* t = Data(h);
  if (!t) return false;
  if (i == -1) {
    bool all = true;
    for (INT k = 0; t && t->Valid(k); ++k, t = Data(h)) all = ChangeRow(h, k, LVIF_STATE, state, mask, 0, nullptr, 0) && all;
    return all;
  }
  if (!t->Valid(i)) return false;
  UINT drop = 0;
  if ((mask & state & LVIS_SELECTED) && (StyleOf(h) & LVS_SINGLESEL)) drop |= LVIS_SELECTED;
  if (mask & state & LVIS_FOCUSED) drop |= LVIS_FOCUSED;
  if (drop) {
    for (INT k = 0; (t = Data(h)) && t->Valid(k); ++k)
      if (k != i && (t->rows[size_t(k)].state & drop)) ChangeRow(h, k, LVIF_STATE, 0, drop, 0, nullptr, 0);
  }
  return ChangeRow(h, i, LVIF_STATE, state, mask, 0, nullptr, 0);
}

// The person's choice of row i: it alone is selected, and focused.
void Choose(HWND h, INT i) {
  for (INT k = 0;; ++k) {
    ListData* t = Data(h);
    if (!t || !t->Valid(k)) break;
    if (k != i && (t->rows[size_t(k)].state & LVIS_SELECTED)) ChangeRow(h, k, LVIF_STATE, 0, LVIS_SELECTED, 0, nullptr, 0);
  }
  SetState(h, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void EnsureVisible(HWND h, INT i) {
  const INT page = CountPerPage(h);
  ListData* t = Data(h);
  if (!t || !t->Valid(i)) return;
  const INT old = t->top;
  if (i < t->top) t->top = i;
  else if (i >= t->top + page) t->top = i - page + 1;
  if (t->top != old) InvalidateRect(h, nullptr, TRUE);
}

void ToggleCheck(HWND h, INT i) {
  ListData* t = Data(h);
  if (!t || !t->Valid(i) || !(t->ex_style & LVS_EX_CHECKBOXES)) return;
  const bool checked = (t->rows[size_t(i)].state & LVIS_STATEIMAGEMASK) == kChecked;
  ChangeRow(h, i, LVIF_STATE, checked ? kUnchecked : kChecked, LVIS_STATEIMAGEMASK, 0, nullptr, 0);
}

RECT CheckBoxOf(const RECT& row) {
  const LONG top = row.top + (row.bottom - row.top - kCheckSize) / 2;
  return RECT{row.left + 2, top, row.left + 2 + kCheckSize, top + kCheckSize};
}

INT HitTest(HWND h, POINT p, UINT* flags) {
  *flags = LVHT_NOWHERE;
  ListData* t = Data(h);
  if (!t) return -1;
  const RECT a = RowsArea(h);
  if (p.y < a.top || p.y >= a.bottom || p.x < a.left) return -1;
  const INT i = t->top + INT((p.y - a.top) / RowHeight(h));
  if (!(t = Data(h)) || !t->Valid(i)) return -1;
  const RECT row = RowRect(h, *t, i);
  if (p.x >= row.right) return -1;
  const RECT box = CheckBoxOf(row);
  const bool on_box = (t->ex_style & LVS_EX_CHECKBOXES) && p.x >= box.left && p.x < box.right;
  *flags = on_box ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
  return i;
}

INT Insert(HWND h, const LVITEMW& item) {
  ListData* t = Data(h);
  if (!t || item.iSubItem != 0) return -1;
  const INT at = std::clamp<INT>(item.iItem, 0, INT(t->rows.size()));
  Row row;
  row.texts.emplace_back((item.mask & LVIF_TEXT) ? TextOf(item.pszText) : std::u16string());
  if (item.mask & LVIF_PARAM) row.param = item.lParam;
  const UINT asked = (item.mask & LVIF_STATE) ? item.state & item.stateMask : 0;
  row.state = asked & LVIS_STATEIMAGEMASK;
  if ((t->ex_style & LVS_EX_CHECKBOXES) && !row.state) row.state = kUnchecked;
  t->rows.insert(t->rows.begin() + at, row);
  if (at < t->top) ++t->top;
  InvalidateRect(h, nullptr, TRUE);
  Notify(h, LVN_INSERTITEM, at, 0, 0, 0, row.param);
  // Selection and focus go through the rules that keep them single.
  if (asked & (LVIS_SELECTED | LVIS_FOCUSED)) SetState(h, at, asked, LVIS_SELECTED | LVIS_FOCUSED);
  return at;
}

bool Delete(HWND h, INT i) {
  ListData* t = Data(h);
  if (!t || !t->Valid(i)) return false;
  Notify(h, LVN_DELETEITEM, i, 0, 0, 0, t->rows[size_t(i)].param);
  if (!(t = Data(h)) || !t->Valid(i)) return false;
  t->rows.erase(t->rows.begin() + i);
  if (t->top > i) --t->top;
  t->top = std::clamp<INT>(t->top, 0, std::max<INT>(0, INT(t->rows.size()) - 1));
  InvalidateRect(h, nullptr, TRUE);
  return true;
}

void DeleteAll(HWND h) {
  // A parent answering FALSE wants to hear of each row.
  if (!Notify(h, LVN_DELETEALLITEMS, -1, 0, 0, 0, 0)) {
    for (INT k = 0;; ++k) {
      ListData* t = Data(h);
      if (!t || !t->Valid(k)) break;
      Notify(h, LVN_DELETEITEM, k, 0, 0, 0, t->rows[size_t(k)].param);
    }
  }
  if (ListData* t = Data(h)) {
    t->rows.clear();
    t->top = 0;
  }
  InvalidateRect(h, nullptr, TRUE);
}

LRESULT ColumnMessage(HWND h, ListData* t, UINT message, WPARAM wparam, LPARAM lparam) {
  const INT c = INT(wparam);
  const bool valid = c >= 0 && size_t(c) < t->columns.size();
  switch (message) {
    case LVM_INSERTCOLUMNW: {
      const auto* col = reinterpret_cast<const LVCOLUMNW*>(lparam);
      if (!col) return -1;
      Column add;
      if (col->mask & LVCF_TEXT) add.text = TextOf(col->pszText);
      if (col->mask & LVCF_WIDTH) add.width = std::max(0, col->cx);
      if (col->mask & LVCF_FMT) add.fmt = col->fmt;
      const INT at = std::clamp<INT>(c, 0, INT(t->columns.size()));
      t->columns.insert(t->columns.begin() + at, add);
      // Sub-items follow their columns.
      if (at > 0)
        for (Row& r : t->rows)
          if (r.texts.size() > size_t(at)) r.texts.insert(r.texts.begin() + at, std::u16string());
      InvalidateRect(h, nullptr, TRUE);
      return at;
    }
    case LVM_DELETECOLUMN:
      if (!valid) return FALSE;
      t->columns.erase(t->columns.begin() + c);
      for (Row& r : t->rows) {
        if (r.texts.size() > size_t(c)) r.texts.erase(r.texts.begin() + c);
        if (r.texts.empty()) r.texts.emplace_back();
      }
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case LVM_GETCOLUMNWIDTH:
      return valid ? t->columns[size_t(c)].width : 0;
    case LVM_SETCOLUMNWIDTH:
      if (!valid) return FALSE;
      t->columns[size_t(c)].width = std::max<INT>(0, int16_t(LOWORD(DWORD(lparam))));
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    case LVM_GETCOLUMNW:
    case LVM_SETCOLUMNW: {
      auto* col = reinterpret_cast<LVCOLUMNW*>(lparam);
      if (!valid || !col) return FALSE;
      Column& k = t->columns[size_t(c)];
      if (message == LVM_SETCOLUMNW) {
        if (col->mask & LVCF_TEXT) k.text = TextOf(col->pszText);
        if (col->mask & LVCF_WIDTH) k.width = std::max(0, col->cx);
        if (col->mask & LVCF_FMT) k.fmt = col->fmt;
        InvalidateRect(h, nullptr, TRUE);
        return TRUE;
      }
      if (col->mask & LVCF_TEXT) CopyOut(k.text, col->pszText, col->cchTextMax);
      if (col->mask & LVCF_WIDTH) col->cx = k.width;
      if (col->mask & LVCF_FMT) col->fmt = k.fmt;
      return TRUE;
    }
    default:
      return 0;
  }
}

void PaintCheck(HDC dc, const RECT& box, bool checked, bool enabled) {
  RECT inner = box;
  DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT);
  FillRect(dc, &inner, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  if (!checked) return;
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  for (LONG d = 0; d < 3; ++d) {
    MoveToEx(dc, inner.left + 1, inner.top + 3 + d, nullptr);
    LineTo(dc, inner.left + 3, inner.top + 5 + d);
    LineTo(dc, inner.left + 8, inner.top + d);
  }
  SelectObject(dc, old_pen);
}

}  // namespace

LRESULT ListViewProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) SetControl(h, std::make_unique<ListData>());
  ListData* t = Data(h);
  if (!t) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case LVM_GETITEMCOUNT:
      return LRESULT(t->rows.size());
    case LVM_INSERTITEMW: {
      const auto* item = reinterpret_cast<const LVITEMW*>(lparam);
      return item ? Insert(h, *item) : -1;
    }
    case LVM_DELETEITEM:
      return Delete(h, INT(wparam));
    case LVM_DELETEALLITEMS:
      DeleteAll(h);
      return TRUE;
    case LVM_GETITEMW: {
      auto* item = reinterpret_cast<LVITEMW*>(lparam);
      if (!item || !t->Valid(item->iItem)) return FALSE;
      const Row& r = t->rows[size_t(item->iItem)];
      if (item->mask & LVIF_TEXT) CopyOut(r.Text(item->iSubItem), item->pszText, item->cchTextMax);
      if (item->mask & LVIF_STATE) item->state = r.state & item->stateMask;
      if (item->mask & LVIF_PARAM) item->lParam = r.param;
      return TRUE;
    }
    case LVM_SETITEMW: {
      const auto* item = reinterpret_cast<const LVITEMW*>(lparam);
      if (!item || !t->Valid(item->iItem) || item->iSubItem < 0) return FALSE;
      const INT i = item->iItem;
      std::u16string text = (item->mask & LVIF_TEXT) ? TextOf(item->pszText) : std::u16string();
      if (item->iSubItem > 0) return ChangeRow(h, i, item->mask & LVIF_TEXT, 0, 0, item->iSubItem, &text, 0);
      bool ok = true;
      if (item->mask & (LVIF_TEXT | LVIF_PARAM))
        ok = ChangeRow(h, i, item->mask & (LVIF_TEXT | LVIF_PARAM), 0, 0, 0, &text, item->lParam);
      if (ok && (item->mask & LVIF_STATE)) ok = SetState(h, i, item->state, item->stateMask);
      return ok;
    }
    case LVM_GETITEMTEXTW: {
      auto* item = reinterpret_cast<LVITEMW*>(lparam);
      if (!item || !t->Valid(INT(wparam))) return 0;
      return CopyOut(t->rows[wparam].Text(item->iSubItem), item->pszText, item->cchTextMax);
    }
    case LVM_SETITEMTEXTW: {
      const auto* item = reinterpret_cast<const LVITEMW*>(lparam);
      if (!item || item->iSubItem < 0) return FALSE;
      std::u16string text = TextOf(item->pszText);
      return ChangeRow(h, INT(wparam), LVIF_TEXT, 0, 0, item->iSubItem, &text, 0);
    }
    case LVM_SETITEMSTATE: {
      const auto* item = reinterpret_cast<const LVITEMW*>(lparam);
      return item ? SetState(h, INT(wparam), item->state, item->stateMask) : FALSE;
    }
    case LVM_GETITEMSTATE:
      return t->Valid(INT(wparam)) ? LRESULT(t->rows[wparam].state & UINT(lparam)) : 0;
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(t->rows.begin(), t->rows.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
    case LVM_GETNEXTITEM: {
      const UINT want = UINT(lparam) & (LVNI_FOCUSED | LVNI_SELECTED);
      for (INT k = std::max<INT>(0, INT(wparam) + 1); t->Valid(k); ++k)
        if ((t->rows[size_t(k)].state & want) == want) return k;
      return -1;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lparam);
      if (!r || !t->Valid(INT(wparam))) return FALSE;
      *r = RowRect(h, *t, INT(wparam));
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lparam);
      if (!info) return -1;
      info->iItem = HitTest(h, info->pt, &info->flags);
      info->iSubItem = 0;
      return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
      EnsureVisible(h, INT(wparam));
      return TRUE;
    case LVM_GETTOPINDEX:
      return t->top;
    case LVM_GETCOUNTPERPAGE:
      return CountPerPage(h);
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return t->ex_style;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD old = t->ex_style, mask = wparam ? DWORD(wparam) : ~DWORD(0);
      t->ex_style = (old & ~mask) | (DWORD(lparam) & mask);
      // Check boxes start unchecked.
      if ((t->ex_style & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (Row& r : t->rows)
          if (!(r.state & LVIS_STATEIMAGEMASK)) r.state |= kUnchecked;
      InvalidateRect(h, nullptr, TRUE);
      return old;
    }
    case LVM_INSERTCOLUMNW:
    case LVM_DELETECOLUMN:
    case LVM_GETCOLUMNWIDTH:
    case LVM_SETCOLUMNWIDTH:
    case LVM_GETCOLUMNW:
    case LVM_SETCOLUMNW:
      return ColumnMessage(h, t, message, wparam, lparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(h);
      UINT flags = 0;
      const INT i = HitTest(h, POINT{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))}, &flags);
      if (i < 0) {
        // A click beside the rows leaves none selected.
        SetState(h, -1, 0, LVIS_SELECTED);
        return 0;
      }
      if (flags & LVHT_ONITEMSTATEICON) ToggleCheck(h, i);
      Choose(h, i);
      return 0;
    }
    case WM_KEYDOWN: {
      const INT count = INT(t->rows.size());
      if (!count) break;
      const INT focus = INT(SendMessageW(h, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
      const INT page = CountPerPage(h);
      INT to = -1;
      switch (wparam) {
        case VK_SPACE: ToggleCheck(h, focus); return 0;
        case VK_UP: to = focus < 0 ? 0 : focus - 1; break;
        case VK_DOWN: to = focus < 0 ? 0 : focus + 1; break;
        case VK_PRIOR: to = focus - page; break;
        case VK_NEXT: to = focus + page; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = count - 1; break;
        default: return DefWindowProcW(h, message, wparam, lparam);
      }
      to = std::clamp(to, 0, count - 1);
      Choose(h, to);
      EnsureVisible(h, to);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(h, nullptr, TRUE);
      break;
    default:
      break;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

// The header of raised captions, then the rows from the first one shown:
// the parent's own drawing for LVS_OWNERDRAWFIXED, else the check box and
// the texts cut with an ellipsis at their column widths.
void PaintListView(HWND h, HDC dc, const RECT& client, bool enabled, bool focused) {
  ListData* t = Data(h);
  if (!t) return;
  FillRect(dc, &client, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  RECT frame = client;
  DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
  const DWORD style = StyleOf(h);
  const LONG header = HeaderHeight(h);
  SetBkMode(dc, TRANSPARENT);
  // Copies: the parent may change the list while it draws a row.
  const std::vector<Column> columns = t->columns;
  const DWORD ex_style = t->ex_style;
  if (header) {
    LONG x = client.left + kFrame;
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    for (const Column& c : columns) {
      RECT cell{x, client.top + kFrame, x + c.width, client.top + kFrame + header};
      FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
      RECT edge = cell;
      DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
      RECT text{cell.left + kTextPadding, cell.top, cell.right - kTextPadding, cell.bottom};
      DrawTextW(dc, c.text.c_str(), INT(c.text.size()), &text,
                DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
      x += c.width;
    }
  }
  const RECT area = RowsArea(h);
  SaveDC(dc);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  for (INT i = t->top;; ++i) {
    if (!(t = Data(h)) || !t->Valid(i)) break;
    const RECT row = RowRect(h, *t, i);
    if (row.top >= area.bottom) break;
    const Row r = t->rows[size_t(i)];
    const bool selected = (r.state & LVIS_SELECTED) != 0;
    const bool focus_row = focused && (r.state & LVIS_FOCUSED);
    if (style & LVS_OWNERDRAWFIXED) {
      UINT state = (selected ? ODS_SELECTED : 0) | (focus_row ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
      DRAWITEMSTRUCT dis{ODT_LISTVIEW, UINT(GetDlgCtrlID(h)), UINT(i), ODA_DRAWENTIRE, state, h, dc, row,
                         ULONG_PTR(r.param)};
      SaveDC(dc);
      if (HWND parent = GetParent(h)) SendMessageW(parent, WM_DRAWITEM, WPARAM(dis.CtlID), LPARAM(&dis));
      RestoreDC(dc, -1);
      continue;
    }
    // The selection shows in the highlight colour while the list has the
    // focus, in the face colour without it (LVS_SHOWSELALWAYS).
    const bool shown = selected && enabled && (focused || (style & LVS_SHOWSELALWAYS));
    LONG x = row.left;
    if (ex_style & LVS_EX_CHECKBOXES) {
      PaintCheck(dc, CheckBoxOf(row), (r.state & LVIS_STATEIMAGEMASK) == kChecked, enabled);
      x += kCheckSize + 4;
    }
    for (size_t k = 0; k < std::max<size_t>(1, columns.size()); ++k) {
      const LONG right = k < columns.size() ? row.left + [&] {
        LONG w = 0;
        for (size_t j = 0; j <= k; ++j) w += columns[j].width;
        return w;
      }() : row.right;
      RECT cell{x, row.top, right, row.bottom};
      if (shown && (k == 0 || (ex_style & LVS_EX_FULLROWSELECT))) {
        FillRect(dc, &cell, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      } else {
        SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
      }
      RECT text{cell.left + kTextPadding, cell.top, cell.right - kTextPadding, cell.bottom};
      const std::u16string& s = r.Text(INT(k));
      DrawTextW(dc, s.c_str(), INT(s.size()), &text, DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
      x = right;
    }
    if (focus_row) {
      RECT f = row;
      DrawFocusRect(dc, &f);
    }
  }
  RestoreDC(dc, -1);
}

}  // namespace ui::detail
