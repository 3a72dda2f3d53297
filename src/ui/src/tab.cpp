// The tab control: its tabs laid out left to right along its top edge, the
// selection, and the person's click on a tab.
#include <algorithm>

#include "plat/wstr.h"
#include "ui/tabctrl.h"
#include "wm.h"

namespace ui::detail {
namespace {

constexpr LONG kTabHeight = 20;
constexpr LONG kCharWidth = 6;
constexpr LONG kTabPadding = 12;
constexpr LONG kFrame = 2;

struct Tab {
  std::u16string text;
  LPARAM param = 0;
};

struct TabData : ControlData {
  std::vector<Tab> tabs;
  INT cursel = -1;
  bool Valid(WPARAM i) const { return INT(i) >= 0 && size_t(INT(i)) < tabs.size(); }
  // Tabs as wide as their text; a row too long for the control is squeezed
  // so that every tab stays within it.
  RECT RectOf(size_t i, LONG width) const {
    // A full-width character (Japanese) takes two cells.
    auto natural = [&](size_t k) {
      LONG cells = 0;
      for (char16_t c : tabs[k].text) cells += (c >= 0x1100 && !(c >= 0xFF61 && c <= 0xFF9F)) ? 2 : 1;
      return cells * kCharWidth + kTabPadding;
    };
    long long total = 0, before = 0;
    for (size_t k = 0; k < tabs.size(); ++k) {
      if (k < i) before += natural(k);
      total += natural(k);
    }
    long long room = std::max<LONG>(1, width - 4);
    auto scale = [&](long long v) { return LONG(total > room ? v * room / total : v); };
    return RECT{2 + scale(before), 0, 2 + scale(before + natural(i)), kTabHeight};
  }
  std::string Describe() const override {
    std::string out = "tab=" + std::to_string(cursel) + " of " + std::to_string(tabs.size()) + " [";
    for (size_t i = 0; i < tabs.size(); ++i) out += (i ? "|" : "") + plat::ToUtf8(tabs[i].text);
    return out + "]";
  }
};

LONG Width(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r.right;
}

LRESULT NotifyParentOf(HWND h, UINT code) {
  HWND parent = GetParent(h);
  if (!parent) return 0;
  NMHDR n{h, UINT_PTR(GetDlgCtrlID(h)), code};
  return SendMessageW(parent, WM_NOTIFY, WPARAM(GetDlgCtrlID(h)), LPARAM(&n));
}

}  // namespace

LRESULT TabControlProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto w = Find(h);
  if (!w) return 0;
  if (message == WM_NCCREATE) {
    SetControl(h, std::make_unique<TabData>());
    return DefWindowProcW(h, message, wparam, lparam);
  }
  auto* t = dynamic_cast<TabData*>(w->control.get());
  if (!t) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case TCM_GETITEMCOUNT:
      return LRESULT(t->tabs.size());
    case TCM_INSERTITEMW: {
      const auto* item = reinterpret_cast<const TCITEMW*>(lparam);
      if (!item) return -1;
      Tab tab;
      if (item->mask & TCIF_TEXT) tab.text = TextOf(item->pszText);
      if (item->mask & TCIF_PARAM) tab.param = item->lParam;
      size_t at = std::min(size_t(INT(wparam) < 0 ? 0 : INT(wparam)), t->tabs.size());
      t->tabs.insert(t->tabs.begin() + long(at), tab);
      if (t->cursel >= INT(at)) ++t->cursel;
      return LRESULT(at);
    }
    case TCM_SETITEMW:
    case TCM_GETITEMW: {
      auto* item = reinterpret_cast<TCITEMW*>(lparam);
      if (!item || !t->Valid(wparam)) return FALSE;
      Tab& tab = t->tabs[wparam];
      if (message == TCM_SETITEMW) {
        if (item->mask & TCIF_TEXT) tab.text = TextOf(item->pszText);
        if (item->mask & TCIF_PARAM) tab.param = item->lParam;
        return TRUE;
      }
      if (item->mask & TCIF_TEXT) CopyOut(tab.text, item->pszText, item->cchTextMax);
      if (item->mask & TCIF_PARAM) item->lParam = tab.param;
      return TRUE;
    }
    case TCM_DELETEITEM:
      if (!t->Valid(wparam)) return FALSE;
      t->tabs.erase(t->tabs.begin() + long(wparam));
      if (t->cursel == INT(wparam)) t->cursel = -1;
      else if (t->cursel > INT(wparam)) --t->cursel;
      return TRUE;
    case TCM_DELETEALLITEMS:
      t->tabs.clear();
      t->cursel = -1;
      return TRUE;
    case TCM_GETITEMRECT:
      if (!t->Valid(wparam) || !lparam) return FALSE;
      *reinterpret_cast<RECT*>(lparam) = t->RectOf(wparam, Width(h));
      return TRUE;
    case TCM_GETCURSEL:
      return t->cursel;
    case TCM_ADJUSTRECT: {
      // The tab row above, a two-pixel frame on the other sides.
      auto* r = reinterpret_cast<RECT*>(lparam);
      if (!r) return 0;
      const LONG sign = wparam ? -1 : 1;
      r->left += sign * kFrame;
      r->right -= sign * kFrame;
      r->top += sign * (kTabHeight + kFrame);
      r->bottom -= sign * kFrame;
      return 0;
    }
    case TCM_SETCURSEL: {
      // The program's choice is silent.
      INT old = t->cursel;
      if (!t->Valid(wparam)) return -1;
      t->cursel = INT(wparam);
      return old;
    }
    case WM_LBUTTONDOWN: {
      POINT p{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))};
      for (size_t i = 0; i < t->tabs.size(); ++i) {
        RECT r = t->RectOf(i, Width(h));
        if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) continue;
        if (INT(i) == t->cursel) return 0;
        // The parent may keep the tab it has (the page it shows refuses to go).
        if (NotifyParentOf(h, TCN_SELCHANGING)) return 0;
        t = Control<TabData>(h);
        if (!t || i >= t->tabs.size()) return 0;
        t->cursel = INT(i);
        NotifyParentOf(h, TCN_SELCHANGE);
        return 0;
      }
      return 0;
    }
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

}  // namespace ui::detail
