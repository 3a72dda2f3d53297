// The trackbar, the up-down control and the tree view: their state, their
// messages and what a person's key or click does; and SetWindowTheme, which
// only records (this machine has no visual styles).
#include <algorithm>
#include <utility>

#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "wm.h"

namespace ui::detail {
namespace {

POINT PointOf(LPARAM lparam) { return POINT{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))}; }

// ---- trackbar ------------------------------------------------------------------------------

struct TrackbarData : ControlData {
  INT min = 0, max = 100, pos = 0, line = 1, page = 20;
  void Clamp() { pos = std::clamp(pos, min, std::max(min, max)); }
  std::string Describe() const override {
    return "pos=" + std::to_string(pos) + " range=" + std::to_string(min) + ".." + std::to_string(max);
  }
};

void TrackbarNotify(HWND h, WORD code, INT pos) {
  HWND parent = GetParent(h);
  if (!parent) return;
  const WPARAM w = WPARAM(MAKELPARAM(code, WORD(int16_t(pos))));
  SendMessageW(parent, WM_HSCROLL, w, LPARAM(h));
  SendMessageW(parent, WM_HSCROLL, WPARAM(SB_ENDSCROLL), LPARAM(h));
}

// Moves the thumb to pos and tells the parent with code.
void TrackbarMove(HWND h, WORD code, INT pos) {
  auto* t = Control<TrackbarData>(h);
  if (!t) return;
  t->pos = pos;
  t->Clamp();
  InvalidateRect(h, nullptr, TRUE);
  TrackbarNotify(h, code, t->pos);
}

// ---- up-down -------------------------------------------------------------------------------

struct UpDownData : ControlData {
  INT min = 100, max = 0, pos = 0;  // the control's own default: up lowers
  std::string Describe() const override {
    return "pos=" + std::to_string(pos) + " range=" + std::to_string(min) + ".." + std::to_string(max);
  }
};

// One step up or down; the range may run either way.
void UpDownStep(HWND h, bool up) {
  auto* u = Control<UpDownData>(h);
  if (!u) return;
  const INT lo = std::min(u->min, u->max), hi = std::max(u->min, u->max);
  const INT direction = (u->max >= u->min) == up ? 1 : -1;
  u->pos = std::clamp(u->pos + direction, lo, hi);
  InvalidateRect(h, nullptr, TRUE);
  const INT pos = u->pos;
  if (HWND parent = GetParent(h)) {
    SendMessageW(parent, WM_VSCROLL, WPARAM(MAKELPARAM(SB_THUMBPOSITION, WORD(int16_t(pos)))), LPARAM(h));
    SendMessageW(parent, WM_VSCROLL, WPARAM(SB_ENDSCROLL), LPARAM(h));
  }
}

// ---- tree view -----------------------------------------------------------------------------

struct TreeNode {
  HTREEITEM handle = nullptr;
  HTREEITEM parent = nullptr;  // null: a root item
  std::u16string text;
  LPARAM param = 0;
};

struct TreeData : ControlData {
  std::vector<TreeNode> nodes;  // in display order: each child after its parent and earlier siblings
  uintptr_t next_handle = 1;
  TreeNode* Node(HTREEITEM h) {
    for (TreeNode& n : nodes)
      if (n.handle == h) return &n;
    return nullptr;
  }
  bool Within(const TreeNode& n, HTREEITEM ancestor) {
    for (HTREEITEM p = n.handle; p; p = Node(p) ? Node(p)->parent : nullptr)
      if (p == ancestor) return true;
    return false;
  }
  // The place after the last descendant of parent (null: the end).
  size_t EndOf(HTREEITEM parent) {
    if (!parent) return nodes.size();
    size_t end = nodes.size();
    for (size_t i = 0; i < nodes.size(); ++i)
      if (nodes[i].handle == parent) {
        end = i + 1;
        while (end < nodes.size() && Within(nodes[end], parent)) ++end;
        break;
      }
    return end;
  }
  INT Depth(const TreeNode& n) {
    INT d = 0;
    for (const TreeNode* p = Node(n.parent); p; p = Node(p->parent)) ++d;
    return d;
  }
  std::string Describe() const override { return "items=" + std::to_string(nodes.size()); }
};

HTREEITEM Sibling(TreeData* t, HTREEITEM of, HTREEITEM parent, bool first) {
  bool passed = first;
  for (const TreeNode& n : t->nodes) {
    if (n.parent != parent) continue;
    if (passed) return n.handle;
    if (n.handle == of) passed = true;
  }
  return nullptr;
}

LRESULT TreeMessage(TreeData* t, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case TVM_INSERTITEMW: {
      const auto* add = reinterpret_cast<const TVINSERTSTRUCTW*>(lparam);
      if (!add) return 0;
      HTREEITEM parent = add->hParent == TVI_ROOT ? nullptr : add->hParent;
      if (parent && !t->Node(parent)) return 0;
      TreeNode n;
      n.handle = reinterpret_cast<HTREEITEM>(t->next_handle++);
      n.parent = parent;
      if (add->item.mask & TVIF_TEXT) n.text = TextOf(add->item.pszText);
      if (add->item.mask & TVIF_PARAM) n.param = add->item.lParam;
      // Children go after their parent's last descendant (TVI_FIRST: right after the parent).
      size_t at = t->EndOf(parent);
      if (add->hInsertAfter == TVI_FIRST && parent)
        for (size_t i = 0; i < t->nodes.size(); ++i)
          if (t->nodes[i].handle == parent) at = i + 1;
      if (add->hInsertAfter == TVI_FIRST && !parent) at = 0;
      t->nodes.insert(t->nodes.begin() + long(at), n);
      return LRESULT(n.handle);
    }
    case TVM_DELETEITEM: {
      auto which = reinterpret_cast<HTREEITEM>(lparam);
      if (!which || which == TVI_ROOT) {
        t->nodes.clear();
        return TRUE;
      }
      if (!t->Node(which)) return FALSE;
      std::erase_if(t->nodes, [&](const TreeNode& n) { return t->Within(n, which); });
      return TRUE;
    }
    case TVM_GETCOUNT:
      return LRESULT(t->nodes.size());
    case TVM_GETNEXTITEM: {
      auto of = reinterpret_cast<HTREEITEM>(lparam);
      switch (wparam) {
        case TVGN_ROOT: return LRESULT(Sibling(t, nullptr, nullptr, true));
        case TVGN_CHILD: return t->Node(of) ? LRESULT(Sibling(t, nullptr, of, true)) : 0;
        case TVGN_NEXT: return t->Node(of) ? LRESULT(Sibling(t, of, t->Node(of)->parent, false)) : 0;
        case TVGN_PARENT: return t->Node(of) ? LRESULT(t->Node(of)->parent) : 0;
        default: return 0;
      }
    }
    case TVM_GETITEMW: {
      auto* item = reinterpret_cast<TVITEMW*>(lparam);
      TreeNode* n = item ? t->Node(item->hItem) : nullptr;
      if (!n) return FALSE;
      if (item->mask & TVIF_TEXT) CopyOut(n->text, item->pszText, item->cchTextMax);
      if (item->mask & TVIF_PARAM) item->lParam = n->param;
      return TRUE;
    }
    default:
      return -1;
  }
}

template <typename T>
T* Created(HWND h, UINT message) {
  if (message == WM_NCCREATE) SetControl(h, std::make_unique<T>());
  return Control<T>(h);
}

}  // namespace

LRESULT TrackbarProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* t = Created<TrackbarData>(h, message);
  if (!t) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case TBM_GETPOS: return t->pos;
    case TBM_GETRANGEMIN: return t->min;
    case TBM_GETRANGEMAX: return t->max;
    case TBM_SETPOS:
      t->pos = INT(lparam);
      t->Clamp();
      if (wparam) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case TBM_SETRANGE:
      t->min = int16_t(LOWORD(DWORD(lparam)));
      t->max = int16_t(HIWORD(DWORD(lparam)));
      t->Clamp();
      if (wparam) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case TBM_SETPAGESIZE: return std::exchange(t->page, INT(lparam));
    case TBM_GETPAGESIZE: return t->page;
    case TBM_SETLINESIZE: return std::exchange(t->line, INT(lparam));
    case TBM_GETLINESIZE: return t->line;
    case WM_KEYDOWN: {
      const INT pos = t->pos;
      switch (wparam) {
        case VK_LEFT: case VK_UP: TrackbarMove(h, SB_LINEUP, pos - t->line); return 0;
        case VK_RIGHT: case VK_DOWN: TrackbarMove(h, SB_LINEDOWN, pos + t->line); return 0;
        case VK_PRIOR: TrackbarMove(h, SB_PAGEUP, pos - t->page); return 0;
        case VK_NEXT: TrackbarMove(h, SB_PAGEDOWN, pos + t->page); return 0;
        case VK_HOME: TrackbarMove(h, SB_TOP, t->min); return 0;
        case VK_END: TrackbarMove(h, SB_BOTTOM, t->max); return 0;
        default: break;
      }
      break;
    }
    case WM_LBUTTONDOWN: {
      // A click on the channel takes the thumb there.
      RECT r{};
      GetClientRect(h, &r);
      const LONG room = std::max<LONG>(1, r.right - r.left - 2 * kTrackbarMargin);
      const long long x = std::clamp<long long>(PointOf(lparam).x - kTrackbarMargin, 0, room);
      SetFocus(h);
      TrackbarMove(h, SB_THUMBPOSITION, INT(t->min + ((long long)t->max - t->min) * x / room));
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

LRESULT UpDownProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* u = Created<UpDownData>(h, message);
  if (!u) return DefWindowProcW(h, message, wparam, lparam);
  switch (message) {
    case UDM_SETRANGE:
      u->max = int16_t(LOWORD(DWORD(lparam)));
      u->min = int16_t(HIWORD(DWORD(lparam)));
      return 0;
    case UDM_GETRANGE: return LRESULT(MAKELPARAM(WORD(u->max), WORD(u->min)));
    case UDM_SETRANGE32:
      u->min = INT(wparam);
      u->max = INT(lparam);
      return 0;
    case UDM_GETRANGE32:
      if (wparam) *reinterpret_cast<INT*>(wparam) = u->min;
      if (lparam) *reinterpret_cast<INT*>(lparam) = u->max;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const INT old = u->pos;
      u->pos = std::clamp(INT(message == UDM_SETPOS ? int16_t(LOWORD(DWORD(lparam))) : lparam),
                          std::min(u->min, u->max), std::max(u->min, u->max));
      return old;
    }
    case UDM_GETPOS: return LRESULT(WORD(int16_t(u->pos)));
    case UDM_GETPOS32: return u->pos;
    case WM_LBUTTONDOWN: {
      RECT r{};
      GetClientRect(h, &r);
      UpDownStep(h, PointOf(lparam).y < (r.top + r.bottom) / 2);
      return 0;
    }
    default: break;
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

LRESULT TreeViewProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* t = Created<TreeData>(h, message);
  if (!t || message < TV_FIRST || message >= TV_FIRST + 0x100) return DefWindowProcW(h, message, wparam, lparam);
  const LRESULT r = TreeMessage(t, message, wparam, lparam);
  if (r != -1) InvalidateRect(h, nullptr, TRUE);
  return r == -1 ? DefWindowProcW(h, message, wparam, lparam) : r;
}

// The lines a tree view shows: depth and text, in order.
std::vector<std::pair<INT, std::u16string>> TreeLines(HWND h) {
  std::vector<std::pair<INT, std::u16string>> out;
  if (auto* t = Control<TreeData>(h))
    for (const TreeNode& n : t->nodes) out.emplace_back(t->Depth(n), n.text);
  return out;
}

}  // namespace ui::detail

HRESULT SetWindowTheme(HWND window, LPCWSTR app_name, LPCWSTR class_list) {
  std::lock_guard<std::recursive_mutex> lock(ui::detail::Lock());
  ui::detail::AddLog("SetWindowTheme #" + std::to_string(GetDlgCtrlID(window)) + " app=\"" +
                     plat::ToUtf8(ui::detail::TextOf(app_name)) + "\" classes=\"" +
                     plat::ToUtf8(ui::detail::TextOf(class_list)) + "\"");
  return S_OK;
}
