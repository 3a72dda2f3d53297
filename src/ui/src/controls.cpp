// The standard controls: BUTTON, STATIC, EDIT, LISTBOX, COMBOBOX and
// SCROLLBAR, each a state machine behind its window procedure.
#include <algorithm>
#include <climits>

#include "plat/wstr.h"
#include "wm.h"

namespace ui::detail {
namespace {

std::shared_ptr<Window> Self(HWND h) { return Find(h); }
// The client-area point of a mouse message's lParam.
POINT PointOf(LPARAM lparam) { return POINT{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))}; }
bool InClient(HWND h, LPARAM lparam) {
  RECT r{};
  GetClientRect(h, &r);
  POINT p = PointOf(lparam);
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
DWORD StyleOf(HWND h) {
  auto w = Find(h);
  return w ? w->style : 0;
}

// ---- BUTTON -----------------------------------------------------------------------------

struct ButtonData : ControlData {
  UINT check = BST_UNCHECKED;
  bool pushed = false;
  HANDLE image = nullptr;
  DWORD type = 0;
  std::string Describe() const override {
    switch (type) {
      case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
      case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
        return check == BST_CHECKED ? "[x]" : check == BST_INDETERMINATE ? "[-]" : "[ ]";
    }
    return {};
  }
};

bool Checkable(DWORD type) {
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
         type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

// Unchecks the other automatic radio buttons of the button's group.
void UncheckGroup(HWND button) {
  auto w = Find(button);
  if (!w || !w->parent) return;
  auto p = Find(w->parent);
  if (!p) return;
  const std::vector<HWND> siblings = p->children;
  auto at = std::find(siblings.begin(), siblings.end(), button);
  if (at == siblings.end()) return;
  // The group starts at the last WS_GROUP at or before the button and ends
  // before the next one.
  auto first = at;
  while (first != siblings.begin() && !(StyleOf(*first) & WS_GROUP)) --first;
  for (auto it = first; it != siblings.end(); ++it) {
    if (it != first && (StyleOf(*it) & WS_GROUP)) break;
    if (*it == button) continue;
    auto* b = Control<ButtonData>(*it);
    if (b && b->type == BS_AUTORADIOBUTTON && b->check != BST_UNCHECKED) {
      SendMessageW(*it, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
}

void ButtonClicked(HWND h) {
  auto* b = Control<ButtonData>(h);
  if (!b) return;
  switch (b->type) {
    case BS_AUTOCHECKBOX:
      SendMessageW(h, BM_SETCHECK, b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
      break;
    case BS_AUTO3STATE:
      SendMessageW(h, BM_SETCHECK, (b->check + 1) % 3, 0);
      break;
    case BS_AUTORADIOBUTTON:
      SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
      UncheckGroup(h);
      break;
  }
  NotifyParent(h, BN_CLICKED);
}

}  // namespace

LRESULT ButtonProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    auto d = std::make_unique<ButtonData>();
    d->type = w->style & BS_TYPEMASK;
    SetControl(h, std::move(d));
    return DefWindowProcW(h, message, wparam, lparam);
  }
  auto* b = dynamic_cast<ButtonData*>(w->control.get());
  if (!b) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case BM_GETCHECK:
      return Checkable(b->type) ? b->check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (Checkable(b->type)) {
        UINT v = UINT(wparam);
        if (v == BST_INDETERMINATE && b->type != BS_3STATE && b->type != BS_AUTO3STATE) v = BST_CHECKED;
        b->check = v > BST_INDETERMINATE ? BST_UNCHECKED : v;
        // A checked radio button becomes a tab stop, as Windows does.
        if (b->type == BS_AUTORADIOBUTTON || b->type == BS_RADIOBUTTON) {
          if (b->check) w->style |= WS_TABSTOP;
        }
      }
      return 0;
    case BM_GETSTATE:
      return LRESULT(b->check | (b->pushed ? BST_PUSHED : 0) | (GetFocus() == h ? BST_FOCUS : 0));
    case BM_SETSTATE:
      b->pushed = wparam != 0;
      return 0;
    case BM_SETSTYLE:
      w->style = (w->style & ~0xFFFFu) | DWORD(wparam & 0xFFFF);
      b->type = w->style & BS_TYPEMASK;
      return 0;
    case BM_SETIMAGE: {
      HANDLE old = b->image;
      b->image = reinterpret_cast<HANDLE>(lparam);
      return LRESULT(old);
    }
    case BM_GETIMAGE:
      return LRESULT(b->image);
    case BM_CLICK:
      if (!IsWindowEnabled(h) || b->type == BS_GROUPBOX) return 0;
      SendMessageW(h, WM_LBUTTONDOWN, 1, 0);
      SendMessageW(h, WM_LBUTTONUP, 0, 0);
      return 0;
    case WM_NCHITTEST:
      // A group box lets the mouse through to the controls it frames.
      if (b->type == BS_GROUPBOX) return HTTRANSPARENT;
      break;
    case WM_LBUTTONDBLCLK:
      if ((w->style & BS_NOTIFY) || b->type == BS_RADIOBUTTON || b->type == BS_AUTORADIOBUTTON ||
          b->type == BS_OWNERDRAW) {
        NotifyParent(h, BN_DOUBLECLICKED);
        return 0;
      }
      [[fallthrough]];  // the second press of a double click presses it again
    case WM_LBUTTONDOWN:
      if (b->type == BS_GROUPBOX) return 0;
      SetFocus(h);
      SetCapture(h);
      b->pushed = true;
      return 0;
    case WM_MOUSEMOVE:
      // Held down, the button shows pushed while the pointer is on it.
      if (GetCapture() == h && (wparam & MK_LBUTTON)) b->pushed = InClient(h, lparam);
      return 0;
    case WM_LBUTTONUP: {
      // A click is a release on the button of a press that began on it.
      bool was = GetCapture() == h && InClient(h, lparam);
      b->pushed = false;
      if (GetCapture() == h) ReleaseCapture();
      if (was) ButtonClicked(h);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (HWND(lparam) != h) b->pushed = false;
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_SPACE && b->type != BS_GROUPBOX) b->pushed = true;
      return 0;
    case WM_KEYUP:
      if (wparam == VK_SPACE && b->pushed) {
        b->pushed = false;
        ButtonClicked(h);
      }
      return 0;
    case WM_SETFOCUS:
      if (w->style & BS_NOTIFY) NotifyParent(h, BN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (w->style & BS_NOTIFY) NotifyParent(h, BN_KILLFOCUS);
      return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

// ---- STATIC -----------------------------------------------------------------------------

namespace {
struct StaticData : ControlData {
  HANDLE image = nullptr;
  std::string Describe() const override { return image ? "image" : ""; }
};
}  // namespace

LRESULT StaticProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) SetControl(h, std::make_unique<StaticData>());
  auto* s = dynamic_cast<StaticData*>(w->control.get());
  switch (message) {
    case STM_SETICON:
    case STM_SETIMAGE: {
      if (!s) return 0;
      HANDLE old = s->image;
      s->image = reinterpret_cast<HANDLE>(message == STM_SETICON ? LPARAM(wparam) : lparam);
      return LRESULT(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE:
      return s ? LRESULT(s->image) : 0;
    case WM_NCHITTEST:
      // A label lets the mouse through unless it notifies.
      return (w->style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_LBUTTONUP:
      if (w->style & SS_NOTIFY) NotifyParent(h, STN_CLICKED);
      return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

// ---- EDIT -------------------------------------------------------------------------------

namespace {

struct EditData : ControlData {
  std::u16string* text = nullptr;  // the window's text
  size_t sel_start = 0, sel_end = 0;
  size_t limit = 0x7FFFFFFE;
  bool modified = false;
  std::u16string undo;
  bool can_undo = false;
  std::string Describe() const override {
    if (sel_start == sel_end) return {};
    return "sel=" + std::to_string(sel_start) + ".." + std::to_string(sel_end);
  }
};

char16_t CaseOf(DWORD style, char16_t c) {
  if (style & ES_UPPERCASE) return plat::WToUpper(c);
  if (style & ES_LOWERCASE) return plat::WToLower(c);
  return c;
}

// Replaces the selection with text as typing does: the limit and the
// control's case and number styles apply; answers false when nothing fit.
bool ReplaceSelection(HWND h, Window& w, EditData& e, std::u16string text, bool typed) {
  std::u16string& t = w.text;
  e.sel_start = std::min(e.sel_start, t.size());
  e.sel_end = std::min(std::max(e.sel_end, e.sel_start), t.size());
  for (char16_t& c : text) c = CaseOf(w.style, c);
  if (typed && (w.style & ES_NUMBER)) {
    for (char16_t c : text)
      if (c < u'0' || c > u'9') return false;
  }
  size_t room = e.limit - std::min(e.limit, t.size() - (e.sel_end - e.sel_start));
  bool cut = text.size() > room;
  if (cut) text.resize(room);
  if (cut && text.empty() && e.sel_start == e.sel_end) {
    // Nothing fits and nothing is replaced: the text stays as it is.
    NotifyParent(h, EN_MAXTEXT);
    return false;
  }
  e.undo = t;
  e.can_undo = true;
  t.replace(e.sel_start, e.sel_end - e.sel_start, text);
  e.sel_start = e.sel_end = e.sel_start + text.size();
  e.modified = true;
  NotifyParent(h, EN_UPDATE);
  NotifyParent(h, EN_CHANGE);
  if (cut) NotifyParent(h, EN_MAXTEXT);
  return !cut || !text.empty();
}

}  // namespace

LRESULT EditProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    LRESULT r = DefWindowProcW(h, message, wparam, lparam);
    SetControl(h, std::make_unique<EditData>());
    return r;
  }
  auto* e = dynamic_cast<EditData*>(w->control.get());
  if (!e) return DefWindowProcW(h, message, wparam, lparam);
  std::u16string& t = w->text;
  switch (message) {
    case WM_SETTEXT: {
      t = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      for (char16_t& c : t) c = CaseOf(w->style, c);
      e->sel_start = e->sel_end = 0;
      e->modified = false;
      e->can_undo = false;
      // A single-line edit reports the change; a multi-line one does not.
      if (!(w->style & ES_MULTILINE)) {
        NotifyParent(h, EN_UPDATE);
        NotifyParent(h, EN_CHANGE);
      }
      return TRUE;
    }
    case EM_GETSEL: {
      if (wparam) *reinterpret_cast<DWORD*>(wparam) = DWORD(e->sel_start);
      if (lparam) *reinterpret_cast<DWORD*>(lparam) = DWORD(e->sel_end);
      return LRESULT(DWORD(MAKELPARAM(WORD(std::min<size_t>(e->sel_start, 0xFFFF)), WORD(std::min<size_t>(e->sel_end, 0xFFFF)))));
    }
    case EM_SETSEL: {
      intptr_t a = intptr_t(INT(wparam)), b = intptr_t(INT(lparam));
      if (a < 0) {
        e->sel_start = e->sel_end = std::min(e->sel_end, t.size());
        return 0;
      }
      if (b < 0) b = intptr_t(t.size());
      size_t s = std::min(size_t(a), t.size()), f = std::min(size_t(b), t.size());
      if (s > f) std::swap(s, f);
      e->sel_start = s;
      e->sel_end = f;
      return 0;
    }
    case EM_REPLACESEL:
      ReplaceSelection(h, *w, *e, TextOf(reinterpret_cast<LPCWSTR>(lparam)), false);
      if (!wparam) e->can_undo = false;
      return 0;
    case EM_GETMODIFY:
      return e->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      e->modified = wparam != 0;
      return 0;
    case EM_GETLINECOUNT:
      if (!(w->style & ES_MULTILINE)) return 1;
      return LRESULT(std::count(t.begin(), t.end(), u'\n') + 1);
    case EM_GETLINE: {
      // The buffer's first word holds its capacity; the line is not terminated.
      auto* buffer = reinterpret_cast<LPWSTR>(lparam);
      if (!buffer) return 0;
      size_t cap = *reinterpret_cast<const WORD*>(buffer);
      size_t line = (w->style & ES_MULTILINE) ? size_t(wparam) : 0;
      size_t begin = 0;
      for (size_t i = 0; i < line; ++i) {
        size_t nl = t.find(u'\n', begin);
        if (nl == std::u16string::npos) return 0;
        begin = nl + 1;
      }
      size_t end = t.find(u'\n', begin);
      if (end == std::u16string::npos) end = t.size();
      if (end > begin && t[end - 1] == u'\r') --end;
      size_t n = std::min(cap, end - begin);
      std::copy(t.begin() + long(begin), t.begin() + long(begin + n), buffer);
      return LRESULT(n);
    }
    case EM_LIMITTEXT:
      e->limit = wparam ? size_t(wparam) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return LRESULT(e->limit);
    case EM_CANUNDO:
      return e->can_undo ? TRUE : FALSE;
    case EM_UNDO:
      if (!e->can_undo) return FALSE;
      std::swap(t, e->undo);
      e->sel_start = e->sel_end = t.size();
      NotifyParent(h, EN_UPDATE);
      NotifyParent(h, EN_CHANGE);
      return TRUE;
    case EM_SETREADONLY:
      if (wparam) w->style |= ES_READONLY;
      else w->style &= ~ES_READONLY;
      return TRUE;
    case WM_CHAR: {
      if (w->style & ES_READONLY) return 0;
      if (wparam == VK_BACK) {
        if (e->sel_start == e->sel_end && e->sel_start > 0) --e->sel_start;
        ReplaceSelection(h, *w, *e, u"", true);
        return 0;
      }
      if (wparam < 0x20 && wparam != VK_TAB && !(wparam == VK_RETURN && (w->style & ES_MULTILINE))) return 0;
      std::u16string one(1, char16_t(wparam));
      if (wparam == VK_RETURN) one = u"\r\n";
      ReplaceSelection(h, *w, *e, one, true);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      // The caret goes where the pointer is (a character is 6 pixels wide here).
      SetFocus(h);
      e->sel_start = e->sel_end = std::min(t.size(), size_t(std::max<LONG>(0, PointOf(lparam).x + 3) / 6));
      return 0;
    }
    case WM_KEYDOWN: {
      // Caret keys; with Shift they stretch the selection from its anchor.
      bool shift = GetKeyState(INT(VK_SHIFT)) < 0;
      size_t anchor = e->sel_start, caret = e->sel_end;
      switch (wparam) {
        case VK_HOME: caret = 0; break;
        case VK_END: caret = t.size(); break;
        case VK_LEFT: caret = caret > 0 ? caret - 1 : 0; break;
        case VK_RIGHT: caret = std::min(t.size(), caret + 1); break;
        case VK_DELETE:
          if (w->style & ES_READONLY) return 0;
          if (e->sel_start == e->sel_end) {
            if (e->sel_end >= t.size()) return 0;
            ++e->sel_end;
          }
          ReplaceSelection(h, *w, *e, u"", true);
          return 0;
        default: return 0;
      }
      e->sel_start = shift ? anchor : caret;
      e->sel_end = caret;
      if (e->sel_start > e->sel_end) std::swap(e->sel_start, e->sel_end);
      return 0;
    }
    case WM_SETFOCUS:
      NotifyParent(h, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(h, EN_KILLFOCUS);
      return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

// ---- LISTBOX and COMBOBOX (their list) ---------------------------------------------------

namespace {

struct Item {
  std::u16string text;
  LPARAM data = 0;
  bool selected = false;
};

// The entries of a list box or of a combo box's list.
struct ListModel {
  std::vector<Item> items;
  INT cursel = -1;
  INT top = 0;
  INT caret = 0;
  INT item_height = 16;
  bool sorted = false;
  bool has_strings = true;

  bool Valid(WPARAM i) const { return INT(i) >= 0 && size_t(INT(i)) < items.size(); }

  INT Insert(INT at, LPARAM param) {
    Item item;
    if (has_strings) item.text = TextOf(reinterpret_cast<LPCWSTR>(param));
    else item.data = param;
    size_t pos;
    if (at < 0 && sorted && has_strings) {
      pos = 0;
      while (pos < items.size() && plat::WCmpI(items[pos].text.c_str(), item.text.c_str()) <= 0) ++pos;
    } else if (at < 0 || size_t(at) >= items.size()) {
      if (at >= 0 && size_t(at) > items.size()) return -1;
      pos = items.size();
    } else {
      pos = size_t(at);
    }
    items.insert(items.begin() + long(pos), item);
    if (cursel >= INT(pos)) ++cursel;
    return INT(pos);
  }

  INT Delete(WPARAM i) {
    if (!Valid(i)) return -1;
    INT at = INT(i);
    items.erase(items.begin() + at);
    if (cursel == at) cursel = -1;
    else if (cursel > at) --cursel;
    if (top >= INT(items.size())) top = std::max(0, INT(items.size()) - 1);
    return INT(items.size());
  }

  void Reset() {
    items.clear();
    cursel = -1;
    top = caret = 0;
  }

  // From the entry after start, wrapping around; prefix or whole text,
  // without regard to case.
  INT Find(WPARAM start, LPARAM param, bool exact) const {
    if (items.empty()) return -1;
    std::u16string key;
    if (has_strings) key = TextOf(reinterpret_cast<LPCWSTR>(param));
    INT n = INT(items.size());
    INT from = Valid(start) ? INT(start) + 1 : 0;
    for (INT k = 0; k < n; ++k) {
      const Item& it = items[size_t((from + k) % n)];
      bool hit;
      if (!has_strings) hit = it.data == param;
      else if (exact) hit = plat::WCmpI(it.text.c_str(), key.c_str()) == 0;
      else hit = plat::WCmpNI(it.text.c_str(), key.c_str(), key.size()) == 0;
      if (hit) return (from + k) % n;
    }
    return -1;
  }

  std::string Describe() const {
    std::string out = "sel=" + std::to_string(cursel) + " of " + std::to_string(items.size());
    if (has_strings && !items.empty()) {
      out += " [";
      for (size_t i = 0; i < items.size(); ++i) {
        if (i) out += "|";
        out += plat::ToUtf8(items[i].text);
      }
      out += "]";
    }
    return out;
  }
};

struct ListBoxData : ControlData {
  ListModel list;
  bool multi = false;
  std::string Describe() const override {
    if (!multi) return list.Describe();
    std::string sel;
    for (size_t i = 0; i < list.items.size(); ++i)
      if (list.items[i].selected) sel += (sel.empty() ? "" : ",") + std::to_string(i);
    return "selected={" + sel + "} of " + std::to_string(list.items.size());
  }
};

// The messages both lists answer alike; false when the message is not one.
bool ListMessage(ListModel& l, UINT m, WPARAM wparam, LPARAM lparam, LRESULT* r, bool combo) {
  const LRESULT err = -1;
  UINT add = combo ? CB_ADDSTRING : LB_ADDSTRING, ins = combo ? CB_INSERTSTRING : LB_INSERTSTRING,
       del = combo ? CB_DELETESTRING : LB_DELETESTRING, reset = combo ? CB_RESETCONTENT : LB_RESETCONTENT,
       gettext = combo ? CB_GETLBTEXT : LB_GETTEXT, getlen = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN,
       count = combo ? CB_GETCOUNT : LB_GETCOUNT, find = combo ? CB_FINDSTRING : LB_FINDSTRING,
       findx = combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, getdata = combo ? CB_GETITEMDATA : LB_GETITEMDATA,
       setdata = combo ? CB_SETITEMDATA : LB_SETITEMDATA, seth = combo ? CB_SETITEMHEIGHT : LB_SETITEMHEIGHT,
       geth = combo ? CB_GETITEMHEIGHT : LB_GETITEMHEIGHT;
  if (m == add) *r = l.Insert(-1, lparam);
  else if (m == ins) *r = l.Insert(INT(wparam), lparam);
  else if (m == del) *r = l.Delete(wparam);
  else if (m == reset) { l.Reset(); *r = combo ? CB_ERR + 1 : 0; }
  else if (m == gettext) {
    if (!l.Valid(wparam)) { *r = err; return true; }
    const Item& it = l.items[wparam];
    if (!l.has_strings) {
      if (lparam) *reinterpret_cast<LPARAM*>(lparam) = it.data;
      *r = sizeof(LPARAM);
      return true;
    }
    // The caller's buffer is as large as the text length says.
    auto* out = reinterpret_cast<LPWSTR>(lparam);
    if (!out) { *r = err; return true; }
    std::copy(it.text.begin(), it.text.end(), out);
    out[it.text.size()] = 0;
    *r = LRESULT(it.text.size());
  } else if (m == getlen) *r = l.Valid(wparam) ? (l.has_strings ? LRESULT(l.items[wparam].text.size()) : LRESULT(sizeof(LPARAM))) : err;
  else if (m == count) *r = LRESULT(l.items.size());
  else if (m == find) *r = l.Find(wparam, lparam, false);
  else if (m == findx) *r = l.Find(wparam, lparam, true);
  else if (m == getdata) *r = l.Valid(wparam) ? l.items[wparam].data : err;
  else if (m == setdata) { if (!l.Valid(wparam)) *r = err; else { l.items[wparam].data = lparam; *r = TRUE; } }
  else if (m == seth) { if (lparam > 0 && lparam < 256) { l.item_height = INT(lparam); *r = 0; } else *r = err; }
  else if (m == geth) *r = l.item_height;
  else return false;
  return true;
}

}  // namespace

LRESULT ListBoxProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    auto d = std::make_unique<ListBoxData>();
    d->list.sorted = w->style & LBS_SORT;
    d->list.has_strings = (w->style & LBS_HASSTRINGS) || !(w->style & (LBS_OWNERDRAWFIXED | 0x20));
    d->multi = w->style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL);
    SetControl(h, std::move(d));
    return DefWindowProcW(h, message, wparam, lparam);
  }
  auto* d = dynamic_cast<ListBoxData*>(w->control.get());
  if (!d) return DefWindowProcW(h, message, wparam, lparam);
  ListModel& l = d->list;
  LRESULT r = 0;
  if (ListMessage(l, message, wparam, lparam, &r, false)) return r;
  bool notify = w->style & LBS_NOTIFY;
  switch (message) {
    case LB_SETCURSEL:
      if (d->multi) return LB_ERR;
      if (!l.Valid(wparam)) {
        l.cursel = -1;
        return LB_ERR;
      }
      l.cursel = l.caret = INT(wparam);
      if (l.cursel < l.top) l.top = l.cursel;
      return l.cursel;
    case LB_GETCURSEL:
      if (d->multi) return l.items.empty() ? LB_ERR : l.caret;
      return l.cursel;
    case LB_SETSEL: {
      if (!d->multi) return LB_ERR;
      if (INT(lparam) == -1) {
        for (Item& it : l.items) it.selected = wparam != 0;
        return 0;
      }
      if (!l.Valid(WPARAM(lparam))) return LB_ERR;
      l.items[size_t(lparam)].selected = wparam != 0;
      l.caret = INT(lparam);
      return 0;
    }
    case LB_GETSEL:
      if (!l.Valid(wparam)) return LB_ERR;
      return d->multi ? (l.items[wparam].selected ? 1 : 0) : (INT(wparam) == l.cursel ? 1 : 0);
    case LB_GETSELCOUNT:
      if (!d->multi) return LB_ERR;
      return LRESULT(std::count_if(l.items.begin(), l.items.end(), [](const Item& i) { return i.selected; }));
    case LB_GETSELITEMS: {
      if (!d->multi) return LB_ERR;
      auto* out = reinterpret_cast<INT*>(lparam);
      INT n = 0;
      for (size_t i = 0; i < l.items.size() && n < INT(wparam); ++i)
        if (l.items[i].selected) {
          if (out) out[n] = INT(i);
          ++n;
        }
      return n;
    }
    case LB_SELECTSTRING: {
      if (d->multi) return LB_ERR;
      INT i = l.Find(wparam, lparam, false);
      if (i >= 0) l.cursel = l.caret = i;
      return i;
    }
    case LB_SETTOPINDEX:
      if (!l.Valid(wparam) && !(wparam == 0 && l.items.empty())) return LB_ERR;
      l.top = INT(wparam);
      return 0;
    case LB_GETTOPINDEX:
      return l.top;
    case LB_SETCARETINDEX:
      if (!l.Valid(wparam)) return LB_ERR;
      l.caret = INT(wparam);
      return 0;
    case LB_GETCARETINDEX:
      return l.caret;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // The entry under the pointer (y in the client area).
      SetFocus(h);
      INT row = INT(int16_t(HIWORD(DWORD(lparam)))) / std::max(1, l.item_height);
      INT i = l.top + row;
      if (row < 0 || !l.Valid(WPARAM(i))) return 0;
      if (message == WM_LBUTTONDBLCLK) {
        if (notify) NotifyParent(h, LBN_DBLCLK);
        return 0;
      }
      if (d->multi) {
        l.items[size_t(i)].selected = !l.items[size_t(i)].selected;
        l.caret = i;
      } else {
        if (l.cursel == i) return 0;
        l.cursel = l.caret = i;
      }
      if (notify) NotifyParent(h, LBN_SELCHANGE);
      return 0;
    }
    case WM_KEYDOWN: {
      if (d->multi || l.items.empty()) return 0;
      INT i = l.cursel;
      if (wparam == VK_DOWN) i = std::min(INT(l.items.size()) - 1, i + 1);
      else if (wparam == VK_UP) i = std::max(0, i - 1);
      else if (wparam == VK_HOME) i = 0;
      else if (wparam == VK_END) i = INT(l.items.size()) - 1;
      else return 0;
      if (i != l.cursel) {
        l.cursel = l.caret = i;
        if (notify) NotifyParent(h, LBN_SELCHANGE);
      }
      return 0;
    }
    case WM_SETFOCUS:
      if (notify) NotifyParent(h, LBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (notify) NotifyParent(h, LBN_KILLFOCUS);
      return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

namespace {
struct ComboData : ControlData {
  ListModel list;
  DWORD kind = CBS_DROPDOWNLIST;
  bool dropped = false;
  size_t limit = 0x7FFFFFFE;
  std::u16string* text = nullptr;
  std::string Describe() const override { return list.Describe() + (dropped ? " dropped" : ""); }
};

void ComboSyncText(Window& w, ComboData& c) {
  w.text = c.list.Valid(WPARAM(c.list.cursel)) ? c.list.items[size_t(c.list.cursel)].text : std::u16string();
}

// The entry of the dropped list under a client point (the list hangs below
// the combo, one entry a row), or -1.
INT ComboListRow(HWND h, const ComboData& c, POINT p) {
  RECT r{};
  GetClientRect(h, &r);
  if (p.x < r.left || p.x >= r.right || p.y < r.bottom) return -1;
  INT row = (p.y - r.bottom) / std::max(1, c.list.item_height);
  return c.list.Valid(WPARAM(row)) ? row : -1;
}
}  // namespace

LRESULT ComboBoxProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    auto d = std::make_unique<ComboData>();
    d->kind = w->style & 0x3;
    if (!d->kind) d->kind = CBS_DROPDOWNLIST;
    d->list.sorted = w->style & CBS_SORT;
    d->list.has_strings = (w->style & CBS_HASSTRINGS) || !(w->style & (CBS_OWNERDRAWFIXED | 0x20));
    LRESULT r = DefWindowProcW(h, message, wparam, lparam);
    w->text.clear();  // the text is the selection's (or what is typed)
    SetControl(h, std::move(d));
    return r;
  }
  auto* c = dynamic_cast<ComboData*>(w->control.get());
  if (!c) return DefWindowProcW(h, message, wparam, lparam);
  ListModel& l = c->list;
  LRESULT r = 0;
  INT before = l.cursel;
  if (ListMessage(l, message, wparam, lparam, &r, true)) {
    if (message == CB_RESETCONTENT || (message == CB_DELETESTRING && before != l.cursel)) {
      if (c->kind == CBS_DROPDOWNLIST || message == CB_RESETCONTENT) w->text.clear();
    }
    if (message == CB_RESETCONTENT) return TRUE;
    return r;
  }
  switch (message) {
    case CB_SETCURSEL:
      if (!l.Valid(wparam)) {
        l.cursel = -1;
        w->text.clear();
        return CB_ERR;
      }
      l.cursel = INT(wparam);
      ComboSyncText(*w, *c);
      return l.cursel;
    case CB_GETCURSEL:
      return l.cursel;
    case CB_SELECTSTRING: {
      INT i = l.Find(wparam, lparam, false);
      if (i >= 0) {
        l.cursel = i;
        ComboSyncText(*w, *c);
      }
      return i;
    }
    case CB_SHOWDROPDOWN: {
      // The dropped list holds the mouse until it closes up.
      bool show = wparam != 0;
      if (show == c->dropped || c->kind == CBS_SIMPLE) return TRUE;
      if (show) NotifyParent(h, CBN_DROPDOWN);
      c->dropped = show;
      if (show) SetCapture(h);
      else if (GetCapture() == h) ReleaseCapture();
      if (!show) NotifyParent(h, CBN_CLOSEUP);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      RECT r{};
      GetClientRect(h, &r);
      POINT p = PointOf(lparam);
      if (!c->dropped) {
        SetFocus(h);
        // An editable combo drops down from its arrow only.
        bool arrow = p.x >= r.right - GetSystemMetrics(SM_CXVSCROLL);
        if (c->kind == CBS_DROPDOWNLIST || (c->kind == CBS_DROPDOWN && arrow))
          SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
        return 0;
      }
      if (ComboListRow(h, *c, p) < 0 && !InClient(h, lparam)) {
        // A press outside the list and the combo closes it, choosing nothing.
        NotifyParent(h, CBN_SELENDCANCEL);
        SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      INT row = c->dropped ? ComboListRow(h, *c, PointOf(lparam)) : -1;
      if (row < 0) return 0;  // the release of the press that dropped it
      bool changed = row != l.cursel;
      l.cursel = row;
      ComboSyncText(*w, *c);
      NotifyParent(h, CBN_SELENDOK);
      SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
      if (changed) NotifyParent(h, CBN_SELCHANGE);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (c->dropped && HWND(lparam) != h) {
        c->dropped = false;
        NotifyParent(h, CBN_SELENDCANCEL);
        NotifyParent(h, CBN_CLOSEUP);
      }
      return 0;
    case CB_GETDROPPEDSTATE:
      return c->dropped ? TRUE : FALSE;
    case CB_LIMITTEXT:
      c->limit = wparam ? size_t(wparam) : 0x7FFFFFFE;
      return TRUE;
    case WM_SETTEXT: {
      // A drop-down list shows only its entries: text that is none is refused.
      std::u16string t = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      if (c->kind == CBS_DROPDOWNLIST) {
        INT i = l.Find(WPARAM(-1), LPARAM(t.c_str()), true);
        if (i < 0) return CB_ERR;
        l.cursel = i;
        ComboSyncText(*w, *c);
        return TRUE;
      }
      w->text = t;
      return TRUE;
    }
    case WM_CHAR: {
      if (c->kind == CBS_DROPDOWNLIST) return 0;
      if (wparam == VK_BACK) {
        if (!w->text.empty()) w->text.pop_back();
      } else if (wparam >= 0x20) {
        if (w->text.size() >= c->limit) return 0;
        w->text.push_back(char16_t(wparam));
      } else {
        return 0;
      }
      l.cursel = -1;
      NotifyParent(h, CBN_EDITUPDATE);
      NotifyParent(h, CBN_EDITCHANGE);
      return 0;
    }
    case WM_KEYDOWN: {
      if (l.items.empty()) return 0;
      INT i = l.cursel;
      if (wparam == VK_DOWN) i = std::min(INT(l.items.size()) - 1, i + 1);
      else if (wparam == VK_UP) i = std::max(0, i - 1);
      else if (wparam == VK_HOME) i = 0;
      else if (wparam == VK_END) i = INT(l.items.size()) - 1;
      else return 0;
      if (i != l.cursel) {
        l.cursel = i;
        ComboSyncText(*w, *c);
        NotifyParent(h, CBN_SELCHANGE);
      }
      return 0;
    }
    case WM_SETFOCUS:
      NotifyParent(h, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (c->dropped) SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
      NotifyParent(h, CBN_KILLFOCUS);
      return 0;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

// ---- SCROLLBAR --------------------------------------------------------------------------

namespace {
struct ScrollData : ControlData {
  INT min = 0, max = 100, pos = 0, track = 0;
  UINT page = 0;
  UINT arrows = 0;
  std::string Describe() const override {
    return "pos=" + std::to_string(pos) + " range=" + std::to_string(min) + ".." + std::to_string(max) +
           (page ? " page=" + std::to_string(page) : "");
  }
  bool dragging = false;
  LONG grab = 0;  // where on the thumb the pointer took it
  long long Last() const {
    long long hi = (long long)max - (page ? (long long)page - 1 : 0);
    return hi < min ? min : hi;
  }
  void Clamp() {
    if (max < min) max = min;
    if (pos < min) pos = min;
    if (pos > Last()) pos = INT(Last());
  }
};

// The parts of a scroll bar along its length: an arrow at each end, the
// thumb in the track between them.
struct ScrollParts {
  LONG length, arrow, thumb, thumb_at;  // pixels along the bar
  long long movable() const { return std::max<long long>(0, length - 2 * arrow - thumb); }
};

ScrollParts PartsOf(HWND h, const ScrollData& s) {
  RECT r{};
  GetClientRect(h, &r);
  bool vertical = GetWindowLongW(h, GWL_STYLE) & SBS_VERT;
  ScrollParts p{};
  p.length = vertical ? r.bottom : r.right;
  p.arrow = std::min<LONG>(GetSystemMetrics(SM_CXHSCROLL), p.length / 2);
  LONG track = std::max<LONG>(0, p.length - 2 * p.arrow);
  long long span = (long long)s.max - s.min + 1;
  p.thumb = s.page ? LONG(std::min<long long>(track, track * (long long)s.page / std::max(1LL, span))) : 0;
  p.thumb = std::min(track, std::max<LONG>(p.thumb, 8));
  long long steps = s.Last() - s.min;
  p.thumb_at = p.arrow + LONG(steps > 0 ? p.movable() * (s.pos - s.min) / steps : 0);
  return p;
}

// The position for the thumb's near edge at a pixel, rounded to the nearest.
INT ScrollPositionAt(const ScrollData& s, const ScrollParts& p, LONG at) {
  long long steps = s.Last() - s.min, movable = p.movable();
  if (steps <= 0 || movable <= 0) return s.min;
  long long v = ((long long)(at - p.arrow) * steps * 2 + movable) / (movable * 2);
  return INT(std::clamp<long long>(s.min + v, s.min, s.Last()));
}

void ScrollNotify(HWND h, WORD code, INT position) {
  UINT msg = (GetWindowLongW(h, GWL_STYLE) & SBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageW(GetParent(h), msg, MAKEWPARAM(code, WORD(position)), LPARAM(h));
}
}  // namespace

LRESULT ScrollBarProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Self(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    SetControl(h, std::make_unique<ScrollData>());
    return DefWindowProcW(h, message, wparam, lparam);
  }
  auto* s = dynamic_cast<ScrollData*>(w->control.get());
  if (!s) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case SBM_SETPOS: {
      INT old = s->pos;
      s->pos = INT(wparam);
      s->Clamp();
      return old;
    }
    case SBM_GETPOS:
      return s->pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      INT old = s->pos;
      s->min = INT(wparam);
      s->max = INT(lparam);
      s->Clamp();
      return old;
    }
    case SBM_GETRANGE:
      if (wparam) *reinterpret_cast<INT*>(wparam) = s->min;
      if (lparam) *reinterpret_cast<INT*>(lparam) = s->max;
      return 0;
    case SBM_ENABLE_ARROWS:
      s->arrows = UINT(wparam);
      return TRUE;
    case SBM_SETSCROLLINFO: {
      auto* si = reinterpret_cast<const SCROLLINFO*>(lparam);
      if (!si) return s->pos;
      if (si->fMask & SIF_RANGE) {
        s->min = si->nMin;
        s->max = si->nMax;
      }
      if (si->fMask & SIF_PAGE) s->page = si->nPage;
      if (si->fMask & SIF_POS) s->pos = si->nPos;
      s->Clamp();
      return s->pos;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // The arrows scroll a line, the track a page; the thumb is taken.
      ScrollParts p = PartsOf(h, *s);
      POINT pt = PointOf(lparam);
      LONG at = (w->style & SBS_VERT) ? pt.y : pt.x;
      SetCapture(h);
      if (at < p.arrow) ScrollNotify(h, SB_LINEUP, 0);
      else if (at >= p.length - p.arrow) ScrollNotify(h, SB_LINEDOWN, 0);
      else if (at < p.thumb_at) ScrollNotify(h, SB_PAGEUP, 0);
      else if (at >= p.thumb_at + p.thumb) ScrollNotify(h, SB_PAGEDOWN, 0);
      else {
        s->dragging = true;
        s->grab = at - p.thumb_at;
        s->track = s->pos;
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (s->dragging && GetCapture() == h) {
        POINT pt = PointOf(lparam);
        s->track = ScrollPositionAt(*s, PartsOf(h, *s), ((w->style & SBS_VERT) ? pt.y : pt.x) - s->grab);
        ScrollNotify(h, SB_THUMBTRACK, s->track);
      }
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() != h) return 0;
      if (s->dragging) {
        s->dragging = false;
        ScrollNotify(h, SB_THUMBPOSITION, s->track);
      }
      ReleaseCapture();
      ScrollNotify(h, SB_ENDSCROLL, 0);
      return 0;
    case WM_CAPTURECHANGED:
      s->dragging = false;
      return 0;
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(lparam);
      if (!si) return FALSE;
      if (si->fMask & SIF_RANGE) {
        si->nMin = s->min;
        si->nMax = s->max;
      }
      if (si->fMask & SIF_PAGE) si->nPage = s->page;
      if (si->fMask & SIF_POS) si->nPos = s->pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = s->track;
      return TRUE;
    }
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

}  // namespace ui::detail

namespace ui {

using namespace detail;

bool ClickButton(HWND dialog, INT id) {
  HWND b = GetDlgItem(dialog, id);
  if (!b || !IsWindowEnabled(b)) return false;
  return Click(b, CenterOf(b));
}

bool TypeText(HWND dialog, INT id, const std::u16string& text) {
  HWND e = GetDlgItem(dialog, id);
  if (!e || !IsWindowEnabled(e)) return false;
  if (Control<ComboData>(e)) {
    // Into the combo's edit, left of its arrow: the old text goes key by key.
    if (!Click(e, POINT{2, CenterOf(e).y})) return false;
    INT length = GetWindowTextLengthW(e);
    TypeChars(std::u16string(size_t(length), u'\b'));
    if (GetWindowTextLengthW(e) > 0) return false;
    TypeChars(text);
    return true;
  }
  if (!Click(e, CenterOf(e))) return false;
  // The old text selected (End, Shift+Home) and typed over.
  TypeKey(VK_END);
  PressKey(VK_SHIFT);
  TypeKey(VK_HOME);
  ReleaseKey(VK_SHIFT);
  if (text.empty()) TypeKey(VK_DELETE);
  TypeChars(text);
  return true;
}

bool ChooseItem(HWND dialog, INT id, INT index) {
  HWND c = GetDlgItem(dialog, id);
  if (!c || !IsWindowEnabled(c)) return false;
  RECT r{};
  GetClientRect(c, &r);
  if (auto* lb = Control<ListBoxData>(c)) {
    if (!lb->list.Valid(WPARAM(index))) return false;
    // Scrolled into view first, as the person scrolls to it.
    INT rows = std::max<INT>(1, r.bottom / std::max(1, lb->list.item_height));
    if (index < lb->list.top) SendMessageW(c, LB_SETTOPINDEX, WPARAM(index), 0);
    else if (index >= lb->list.top + rows) SendMessageW(c, LB_SETTOPINDEX, WPARAM(index - rows + 1), 0);
    LONG y = (index - lb->list.top) * lb->list.item_height + lb->list.item_height / 2;
    return Click(c, POINT{4, y});
  }
  if (auto* cb = Control<ComboData>(c)) {
    if (!cb->list.Valid(WPARAM(index))) return false;
    if (!cb->dropped && !Click(c, POINT{r.right - 4, r.bottom / 2})) return false;
    if (!cb->dropped) return false;
    LONG y = r.bottom + index * cb->list.item_height + cb->list.item_height / 2;
    return Click(c, POINT{r.right / 2, y});
  }
  return false;
}

bool ScrollBar(HWND dialog, INT id, WORD code, INT thumb_position) {
  HWND b = GetDlgItem(dialog, id);
  auto* s = Control<ScrollData>(b);
  if (!s || !IsWindowEnabled(b)) return false;
  ScrollParts p = PartsOf(b, *s);
  bool vertical = GetWindowLongW(b, GWL_STYLE) & SBS_VERT;
  POINT middle = CenterOf(b);
  auto along = [&](LONG at) { return vertical ? POINT{middle.x, at} : POINT{at, middle.y}; };
  switch (code) {
    case SB_LINEUP: return Click(b, along(p.arrow / 2));
    case SB_LINEDOWN: return Click(b, along(p.length - 1 - p.arrow / 2));
    case SB_PAGEUP: return p.thumb_at > p.arrow && Click(b, along((p.arrow + p.thumb_at) / 2));
    case SB_PAGEDOWN:
      return p.thumb_at + p.thumb < p.length - p.arrow &&
             Click(b, along((p.thumb_at + p.thumb + p.length - p.arrow) / 2));
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      // The thumb taken at its middle and drawn to the place of the position.
      ScrollData target = *s;
      target.pos = thumb_position;
      target.Clamp();
      LONG grab = p.thumb / 2;
      return Drag(b, along(p.thumb_at + grab), along(PartsOf(b, target).thumb_at + grab));
    }
  }
  return false;
}

}  // namespace ui
