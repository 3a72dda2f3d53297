// Windows, classes, messages, the posted-message queue, timers on the
// virtual clock, focus and capture, and the window dump.
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>

#include "plat/kernel.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "gdi_internal.h"
#include "wm.h"

namespace ui::detail {
namespace {

struct ClassInfo {
  std::u16string name;
  UINT style = 0;
  WNDPROC proc = nullptr;
  INT wnd_extra = 0;
  HINSTANCE instance = nullptr;
  bool system = false;
};

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT elapse;
  DWORD due;
  TIMERPROC proc;
};

struct State {
  std::map<std::u16string, ClassInfo> classes;  // by upper-case name
  std::map<HWND, std::shared_ptr<Window>> windows;
  std::vector<HWND> top_level;  // in creation order
  uintptr_t next_handle = 0x10010;
  std::deque<MSG> queue;
  std::vector<Timer> timers;
  UINT_PTR next_timer_id = 0x7F00;
  DWORD clock = 0;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  ModalHandler modal;
  std::vector<HWND> modal_stack;  // the modal loops running, outermost first
  std::vector<std::string> log;
};

State& S() {
  static State* s = new State();  // lives for the process: windows may outlive static destructors
  return *s;
}

std::u16string Upper(const std::u16string& s) {
  std::u16string u = s;
  for (char16_t& c : u) c = plat::WToUpper(c);
  return u;
}

void RegisterSystemClasses() {
  State& s = S();
  if (!s.classes.empty()) return;
  struct {
    const char16_t* name;
    WNDPROC proc;
    INT extra;
  } builtin[] = {{u"BUTTON", ButtonProc, 0},       {u"STATIC", StaticProc, 0},
                 {u"EDIT", EditProc, 0},           {u"LISTBOX", ListBoxProc, 0},
                 {u"COMBOBOX", ComboBoxProc, 0},   {u"SCROLLBAR", ScrollBarProc, 0},
                 {u"SysTabControl32", TabControlProc, 0}, {u"msctls_trackbar32", TrackbarProc, 0},
                 {u"msctls_updown32", UpDownProc, 0},     {u"SysTreeView32", TreeViewProc, 0},
                 {u"SysListView32", ListViewProc, 0},
                 {u"#32770", DialogProc, DLGWINDOWEXTRA}};
  // All of them take double clicks, as the Windows ones do.
  for (const auto& b : builtin) s.classes[Upper(b.name)] = ClassInfo{b.name, CS_DBLCLKS, b.proc, b.extra, nullptr, true};
}

void Unlink(Window& w) {
  State& s = S();
  if (w.parent) {
    if (auto p = Find(w.parent)) {
      auto& c = p->children;
      c.erase(std::remove(c.begin(), c.end(), w.handle), c.end());
    }
  }
  auto& t = s.top_level;
  t.erase(std::remove(t.begin(), t.end(), w.handle), t.end());
}

bool InRange(UINT message, UINT first, UINT last) {
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool Matches(const MSG& m, HWND window, UINT first, UINT last) {
  if (window && m.hwnd != window && !IsChild(window, m.hwnd)) return false;
  return InRange(m.message, first, last);
}

std::string Quote(const std::u16string& text) {
  std::string out = "\"";
  for (char c : plat::ToUtf8(text)) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + c;
    else out.push_back(c);
  }
  return out + "\"";
}

void DumpInto(HWND handle, int depth, std::string* out, const std::function<std::string(HWND)>& note) {
  std::shared_ptr<Window> w = Find(handle);
  if (!w) return;
  std::string line(size_t(depth) * 2, ' ');
  line += plat::ToUtf8(w->class_name);
  if (w->style & WS_CHILD) line += " #" + std::to_string(w->id);
  line += " " + Quote(w->text);
  if (!(w->style & WS_VISIBLE)) line += " hidden";
  if (w->style & WS_DISABLED) line += " disabled";
  if (S().focus == handle) line += " focus";
  if (w->control) {
    std::string v = w->control->Describe();
    if (!v.empty()) line += " " + v;
  }
  if (note) {
    std::string v = note(handle);
    if (!v.empty()) line += " " + v;
  }
  *out += line + "\n";
  std::vector<HWND> children = w->children;
  for (HWND c : children) DumpInto(c, depth + 1, out, note);
}

}  // namespace

std::recursive_mutex& Lock() {
  static std::recursive_mutex* m = new std::recursive_mutex();
  return *m;
}

std::shared_ptr<Window> Find(HWND handle) {
  if (!handle) return nullptr;
  State& s = S();
  auto it = s.windows.find(handle);
  return it == s.windows.end() ? nullptr : it->second;
}

bool NextTimerDue(DWORD* due) {
  State& s = S();
  const Timer* next = nullptr;
  for (const Timer& t : s.timers)
    if (!next || DWORD(t.due - s.clock) < DWORD(next->due - s.clock)) next = &t;
  if (next) *due = next->due;
  return next != nullptr;
}

void SetControl(HWND handle, std::unique_ptr<ControlData> data) {
  if (auto w = Find(handle)) w->control = std::move(data);
}

void NotifyParent(HWND control, WORD code) {
  std::shared_ptr<Window> w = Find(control);
  if (!w || !w->parent) return;
  SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(WORD(w->id), code), LPARAM(control));
}

void AddLog(const std::string& line) {
  auto& log = S().log;
  log.push_back(line);
  if (log.size() > 512) log.erase(log.begin());
}

INT CopyOut(const std::u16string& text, LPWSTR buffer, INT capacity) {
  if (!buffer || capacity <= 0) return 0;
  size_t n = std::min(text.size(), size_t(capacity) - 1);
  std::copy(text.begin(), text.begin() + long(n), buffer);
  buffer[n] = 0;
  return INT(n);
}

std::u16string TextOf(LPCWSTR text) {
  if (!text || IS_INTRESOURCE(text)) return {};
  return text;
}

void RunModal(HWND modal, const bool* done, void (*close)(HWND)) {
  constexpr int kMaxSteps = 100000;
  CancelModes();
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    S().modal_stack.push_back(modal);
  }
  struct Unstack {
    HWND modal;
    ~Unstack() {
      std::lock_guard<std::recursive_mutex> lock(Lock());
      auto& st = S().modal_stack;
      if (auto it = std::find(st.rbegin(), st.rend(), modal); it != st.rend()) st.erase(std::next(it).base());
    }
  } unstack{modal};
  int steps = 0;
  bool closed_once = false;
  while (!*done && IsWindow(modal)) {
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(INT(m.wParam));
        close(modal);
        break;
      }
      if (!IsDialogMessageW(modal, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      continue;
    }
    // Input of the person still to come: time passes until it is due.
    if (AdvanceToNextInput()) continue;
    ModalHandler handler;
    {
      std::lock_guard<std::recursive_mutex> lock(Lock());
      handler = S().modal;
    }
    if (handler && steps < kMaxSteps && handler(modal)) {
      ++steps;
      continue;
    }
    if (closed_once) break;  // the window refused to close: leave it to the caller
    closed_once = true;
    char16_t title[128] = {};
    GetWindowTextW(modal, title, 128);
    AddLog("closed by the layer: " + plat::ToUtf8(title));
    close(modal);
  }
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

ATOM RegisterClassW(const WNDCLASSW* cls) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  RegisterSystemClasses();
  if (!cls || !cls->lpszClassName || IS_INTRESOURCE(cls->lpszClassName) || !cls->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string key = Upper(cls->lpszClassName);
  State& s = S();
  if (s.classes.count(key)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  s.classes[key] = ClassInfo{cls->lpszClassName, cls->style, cls->lpfnWndProc, std::max(0, cls->cbWndExtra), cls->hInstance,
                             false};
  return ATOM(0xC000 + s.classes.size());
}

BOOL UnregisterClassW(LPCWSTR name, HINSTANCE) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  RegisterSystemClasses();
  if (!name || IS_INTRESOURCE(name)) return FALSE;
  auto it = S().classes.find(Upper(name));
  if (it == S().classes.end() || it->second.system) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  S().classes.erase(it);
  return TRUE;
}

HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR text, DWORD style, INT x, INT y, INT width,
                     INT height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  RegisterSystemClasses();
  State& s = S();
  if (!class_name || IS_INTRESOURCE(class_name)) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  auto cls = s.classes.find(Upper(class_name));
  if (cls == s.classes.end()) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  std::shared_ptr<Window> parent_window = Find(parent);
  if (parent && !parent_window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  auto w = std::make_shared<Window>();
  w->handle = reinterpret_cast<HWND>(s.next_handle);
  s.next_handle += 4;
  w->class_name = cls->second.name;
  w->class_style = cls->second.style;
  w->proc = cls->second.proc;
  w->style = style;
  w->ex_style = ex_style;
  w->text = TextOf(text);
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  w->instance = instance;
  w->extra.assign(size_t(cls->second.wnd_extra), 0);
  w->is_dialog = cls->second.proc == DialogProc;
  if (style & WS_CHILD) {
    if (!parent_window) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    w->parent = parent;
    w->id = LONG_PTR(reinterpret_cast<uintptr_t>(menu));
    parent_window->children.push_back(w->handle);
  } else {
    // A top-level window is owned by the top-level ancestor of the window given.
    HWND owner = parent;
    while (auto o = Find(owner)) {
      if (!(o->style & WS_CHILD)) break;
      owner = o->parent;
    }
    w->owner = owner;
    s.top_level.push_back(w->handle);
  }
  s.windows[w->handle] = w;
  HWND h = w->handle;

  std::u16string cls_name = w->class_name;
  CREATESTRUCTW cs{param, instance, menu, parent, height, width, y, x, LONG(style), text, cls_name.c_str(), ex_style};
  if (!SendMessageW(h, WM_NCCREATE, 0, LPARAM(&cs)) || !IsWindow(h)) {
    DestroyWindow(h);
    return nullptr;
  }
  if (SendMessageW(h, WM_CREATE, 0, LPARAM(&cs)) == -1 || !IsWindow(h)) {
    DestroyWindow(h);
    return nullptr;
  }
  return h;
}

BOOL DestroyWindow(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->destroying) return TRUE;
  w->destroying = true;
  State& s = S();
  // Owned windows go first, as on Windows.
  std::vector<HWND> owned;
  for (HWND t : s.top_level)
    if (auto o = Find(t); o && o->owner == window) owned.push_back(t);
  for (HWND o : owned) DestroyWindow(o);
  if (s.focus == window || IsChild(window, s.focus)) s.focus = nullptr;
  if (s.capture == window || IsChild(window, s.capture)) s.capture = nullptr;
  if (s.active == window) {
    s.active = w->owner;
    plat::SetActiveWindowValue(s.active);
  }
  w->style &= ~WS_VISIBLE;
  SendMessageW(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children = w->children;
  for (HWND c : children) DestroyWindow(c);
  SendMessageW(window, WM_NCDESTROY, 0, 0);
  // Its timers and posted messages go with it.
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.window == window; }),
                 s.timers.end());
  s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(), [&](const MSG& m) { return m.hwnd == window; }),
                s.queue.end());
  Unlink(*w);
  s.windows.erase(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return Find(window) ? TRUE : FALSE;
}

HWND GetParent(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return nullptr;
  return (w->style & WS_CHILD) ? w->parent : w->owner;
}

HWND GetWindow(HWND window, UINT relation) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return nullptr;
  if (relation == GW_OWNER) return (w->style & WS_CHILD) ? nullptr : w->owner;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  const std::vector<HWND>* siblings = &S().top_level;
  std::shared_ptr<Window> p = (w->style & WS_CHILD) ? Find(w->parent) : nullptr;
  if (p) siblings = &p->children;
  auto it = std::find(siblings->begin(), siblings->end(), window);
  if (it == siblings->end()) return nullptr;
  switch (relation) {
    case GW_HWNDFIRST: return siblings->front();
    case GW_HWNDLAST: return siblings->back();
    case GW_HWNDNEXT: return it + 1 == siblings->end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == siblings->begin() ? nullptr : *(it - 1);
  }
  return nullptr;
}

HWND GetAncestor(HWND window, UINT flags) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return nullptr;
  if (flags == 1) return (w->style & WS_CHILD) ? w->parent : nullptr;  // GA_PARENT
  while (w && (w->style & WS_CHILD)) w = Find(w->parent);                // GA_ROOT
  return w ? w->handle : nullptr;
}

BOOL IsChild(HWND parent, HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  while (w && (w->style & WS_CHILD)) {
    if (w->parent == parent) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

INT GetClassNameW(HWND window, LPWSTR buffer, INT capacity) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  return w ? CopyOut(w->class_name, buffer, capacity) : 0;
}

LONG_PTR GetWindowLongPtrW(HWND window, INT index) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (index) {
    case GWLP_WNDPROC: return LONG_PTR(w->proc);
    case GWLP_HINSTANCE: return LONG_PTR(w->instance);
    case GWLP_HWNDPARENT: return LONG_PTR((w->style & WS_CHILD) ? w->parent : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->ex_style));
    case GWLP_USERDATA: return w->user_data;
  }
  if (index < 0 || size_t(index) + sizeof(LONG_PTR) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR v;
  std::memcpy(&v, w->extra.data() + index, sizeof v);
  return v;
}

LONG_PTR SetWindowLongPtrW(HWND window, INT index, LONG_PTR value) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = LONG_PTR(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = LONG_PTR(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE:
      old = LONG(w->style);
      w->style = DWORD(value);
      return old;
    case GWL_EXSTYLE:
      old = LONG(w->ex_style);
      w->ex_style = DWORD(value);
      return old;
    case GWLP_USERDATA:
      old = w->user_data;
      w->user_data = value;
      return old;
    case GWLP_HWNDPARENT:
      if (w->style & WS_CHILD) return 0;
      old = LONG_PTR(w->owner);
      w->owner = reinterpret_cast<HWND>(value);
      return old;
  }
  if (index < 0 || size_t(index) + sizeof(LONG_PTR) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  std::memcpy(&old, w->extra.data() + index, sizeof old);
  std::memcpy(w->extra.data() + index, &value, sizeof value);
  return old;
}

LONG GetWindowLongW(HWND window, INT index) { return LONG(GetWindowLongPtrW(window, index)); }
LONG SetWindowLongW(HWND window, INT index, LONG value) { return LONG(SetWindowLongPtrW(window, index, value)); }

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(window, WM_SETTEXT, 0, LPARAM(text ? text : u"")) ? TRUE : FALSE;
}

INT GetWindowTextW(HWND window, LPWSTR buffer, INT capacity) {
  if (buffer && capacity > 0) buffer[0] = 0;
  if (!IsWindow(window) || !buffer || capacity <= 0) return 0;
  return INT(SendMessageW(window, WM_GETTEXT, WPARAM(capacity), LPARAM(buffer)));
}

INT GetWindowTextLengthW(HWND window) { return INT(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)); }

BOOL EnableWindow(HWND window, BOOL enable) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return FALSE;
  BOOL was_disabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bool(enable) == !was_disabled) return was_disabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (S().focus == window) SetFocus(nullptr);
    if (S().capture == window) ReleaseCapture();
  }
  SendMessageW(window, WM_ENABLE, WPARAM(enable ? TRUE : FALSE), 0);
  return was_disabled;
}

BOOL IsWindowEnabled(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, INT command) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return FALSE;
  BOOL was_visible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  bool show = command != SW_HIDE;
  if (show == bool(was_visible)) return was_visible;
  SendMessageW(window, WM_SHOWWINDOW, WPARAM(show), 0);
  if (show) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~WS_VISIBLE;
    if (S().focus == window || IsChild(window, S().focus)) S().focus = nullptr;
  }
  return was_visible;
}

BOOL IsWindowVisible(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  while (w) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!(w->style & WS_CHILD)) return TRUE;
    w = Find(w->parent);
  }
  return FALSE;
}

BOOL GetWindowRect(HWND window, RECT* rect) {
  if (window && window == TaskbarWindow()) return TaskbarRect(rect) ? TRUE : FALSE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w || !rect) return FALSE;
  RECT r = w->rect;
  for (auto p = (w->style & WS_CHILD) ? Find(w->parent) : nullptr; p;
       p = (p->style & WS_CHILD) ? Find(p->parent) : nullptr) {
    r.left += p->rect.left;
    r.right += p->rect.left;
    r.top += p->rect.top;
    r.bottom += p->rect.top;
  }
  *rect = r;
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL MoveWindow(HWND window, INT x, INT y, INT width, INT height, BOOL) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return FALSE;
  w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
  SendMessageW(window, WM_MOVE, 0, MAKELPARAM(WORD(x), WORD(y)));
  SendMessageW(window, WM_SIZE, 0, MAKELPARAM(WORD(std::max(0, width)), WORD(std::max(0, height))));
  return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(dialog);
  if (!w || !w->is_dialog || !rect) return FALSE;
  *rect = RECT{DuToPxX(rect->left), DuToPxY(rect->top), DuToPxX(rect->right), DuToPxY(rect->bottom)};
  return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC proc;
  {
    std::lock_guard<std::recursive_mutex> lock(Lock());
    std::shared_ptr<Window> w = Find(window);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    proc = w->proc;
  }
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return proc(window, message, wparam, lparam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (window && !Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  S().queue.push_back(MSG{window, message, wparam, lparam, S().clock, {}});
  return TRUE;
}

BOOL MessageBeep(UINT) {
  AddLog("beep");
  return TRUE;
}

void PostQuitMessage(INT code) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  S().queue.push_back(MSG{nullptr, WM_QUIT, WPARAM(code), 0, S().clock, {}});
}

BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto& q = S().queue;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    if (msg) *msg = *it;
    if (remove & PM_REMOVE) q.erase(it);
    return TRUE;
  }
  return PeekInput(msg, window, first, last, remove) ? TRUE : FALSE;
}

BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!msg) return -1;
  for (;;) {
    if (PeekMessageW(msg, window, first, last, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
    // Nothing queued: the clock runs on to the first timer that can deliver.
    State& s = S();
    const Timer* next = nullptr;
    for (const Timer& t : s.timers) {
      if (window && t.window != window && !IsChild(window, t.window)) continue;
      if (!InRange(WM_TIMER, first, last)) continue;
      if (!next || DWORD(t.due - s.clock) < DWORD(next->due - s.clock)) next = &t;
    }
    DWORD input = 0;
    bool has_input = NextInputDue(&input);
    if (!next && !has_input) return -1;
    DWORD wait = next ? DWORD(next->due - s.clock) : DWORD(input - s.clock);
    if (has_input && DWORD(input - s.clock) < wait) wait = DWORD(input - s.clock);
    ui::AdvanceClock(wait);
  }
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, ui::Now());
    return 0;
  }
  if (!msg->hwnd) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::shared_ptr<Window> w = Find(window);
  if (!w) return 0;
  LRESULT input = 0;
  if (DefInputProc(window, message, wparam, lparam, &input)) return input;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      if (cs) w->text = TextOf(cs->lpszName);
      return TRUE;
    }
    case WM_SETTEXT:
      w->text = TextOf(reinterpret_cast<LPCWSTR>(lparam));
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(w->text, reinterpret_cast<LPWSTR>(lparam), INT(wparam));
    case WM_GETTEXTLENGTH:
      return LRESULT(w->text.size());
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_HELP:
    case WM_CONTEXTMENU:
      // Unanswered help goes up to the parent.
      if ((w->style & WS_CHILD) && w->parent) return SendMessageW(w->parent, message, wparam, lparam);
      return 0;
    case WM_GETFONT:
      return 0;
    case WM_PAINT:
      return DefaultPaint(window);
    case WM_ERASEBKGND:
      return DefaultEraseBackground(window, reinterpret_cast<HDC>(wparam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return DefaultCtlColor(message, reinterpret_cast<HDC>(wparam));
  }
  return 0;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!proc) return 0;
  return proc(window, message, wparam, lparam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  if (window && !Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  elapse_ms = std::clamp<UINT>(elapse_ms, 10, 0x7FFFFFFF);
  if (!window) id = s.next_timer_id++;
  for (Timer& t : s.timers) {
    if (t.window == window && t.id == id) {
      t.elapse = elapse_ms;
      t.due = s.clock + elapse_ms;
      t.proc = proc;
      return window ? 1 : id;
    }
  }
  s.timers.push_back(Timer{window, id, elapse_ms, s.clock + elapse_ms, proc});
  return window ? 1 : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  auto it = std::find_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.window == window && t.id == id; });
  if (it == s.timers.end()) return FALSE;
  s.timers.erase(it);
  // A WM_TIMER already posted for it is not delivered any more.
  s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(),
                               [&](const MSG& m) { return m.message == WM_TIMER && m.hwnd == window && m.wParam == id; }),
                s.queue.end());
  return TRUE;
}

HWND SetFocus(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  if (window && !Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (window && !IsWindowEnabled(window)) return nullptr;
  HWND old = s.focus;
  if (old == window) return old;
  s.focus = window;
  if (old && Find(old)) SendMessageW(old, WM_KILLFOCUS, WPARAM(window), 0);
  if (window && s.focus == window) {
    HWND root = GetAncestor(window, 2);
    if (root && s.active != root) SetActiveWindow(root);
    SendMessageW(window, WM_SETFOCUS, WPARAM(old), 0);
  }
  return old;
}

HWND GetFocus() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().focus;
}

HWND SetActiveWindow(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  HWND root = GetAncestor(window, 2);
  HWND old = s.active;
  if (old == root) return old;
  s.active = root;
  plat::SetActiveWindowValue(root);
  if (old && Find(old)) SendMessageW(old, WM_ACTIVATE, 0, LPARAM(root));
  if (root) SendMessageW(root, WM_ACTIVATE, 1, LPARAM(old));
  return old;
}

HWND SetCapture(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  HWND old = s.capture;
  if (window && !Find(window)) return old;
  s.capture = window;
  if (old && old != window && Find(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, LPARAM(window));
  return old;
}

HWND GetCapture() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().capture;
}

BOOL ReleaseCapture() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  HWND old = S().capture;
  S().capture = nullptr;
  if (old && Find(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

}  // extern "C"

namespace ui {

DWORD Now() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().clock;
}

void AdvanceClock(DWORD ms) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  DWORD target = s.clock + ms;
  // Timers fall due in time order; each posts one WM_TIMER at most until it
  // is dispatched, as Windows coalesces them.
  for (;;) {
    Timer* next = nullptr;
    for (Timer& t : s.timers)
      if (DWORD(t.due - s.clock) <= DWORD(target - s.clock) && (!next || DWORD(t.due - s.clock) < DWORD(next->due - s.clock)))
        next = &t;
    if (!next) break;
    s.clock = next->due;
    bool queued = std::any_of(s.queue.begin(), s.queue.end(), [&](const MSG& m) {
      return m.message == WM_TIMER && m.hwnd == next->window && m.wParam == next->id;
    });
    if (!queued) s.queue.push_back(MSG{next->window, WM_TIMER, next->id, LPARAM(next->proc), s.clock, {}});
    // The next period starts now; a period longer than the rest of the step waits.
    next->due = s.clock + next->elapse;
  }
  s.clock = target;
}

void SetModalHandler(ModalHandler handler) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  S().modal = std::move(handler);
}

void ClearModalHandler() { SetModalHandler(nullptr); }

std::vector<HWND> ModalStack() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().modal_stack;
}

std::vector<HWND> TopLevelWindows() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().top_level;
}

size_t LiveWindowCount() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().windows.size();
}

std::vector<std::string> Log() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return S().log;
}

void ClearLog() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  S().log.clear();
}

std::string DumpWindowTree(HWND root, const std::function<std::string(HWND)>& note) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::string out;
  DumpInto(root, 0, &out, note);
  return out;
}

std::string DumpAllWindows() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  std::string out;
  for (HWND h : S().top_level) DumpInto(h, 0, &out, {});
  return out;
}

void ResetWindowManager() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  State& s = S();
  while (!s.top_level.empty()) {
    HWND h = s.top_level.back();
    DestroyWindow(h);
    if (!s.top_level.empty() && s.top_level.back() == h) s.top_level.pop_back();
  }
  s.windows.clear();
  s.queue.clear();
  s.timers.clear();
  s.focus = s.capture = s.active = nullptr;
  plat::SetActiveWindowValue(nullptr);
  s.modal = nullptr;
  s.modal_stack.clear();
  s.log.clear();
  s.clock = 0;
  ResetInput();
}

}  // namespace ui
