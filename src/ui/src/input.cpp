// The person's mouse and keyboard: input queued on the virtual clock and
// turned into the messages Windows sends as the message loops take it: hit
// testing, the cursor, capture, double clicks, keys to the focus window,
// their characters, help for F1 and the context menu of a right click.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>

#include "plat/machineconf.h"
#include "wm.h"

namespace ui::detail {
namespace {

constexpr UINT kDoubleClickTime = 500;
constexpr INT kDoubleClickSize = 4;  // the double-click rectangle, centred on the first press
// A person's pointer rests this long before a tip or hover shows.
constexpr DWORD kHoverTime = 400;

struct InputEvent {
  enum Kind { kMove, kDown, kUp, kKeyDown, kKeyUp, kIdle } kind;
  DWORD due;
  POINT point;   // mouse events, screen coordinates
  int button;    // 0 left, 1 right
  WPARAM vk;     // key events
  char16_t ch;   // the character the key types, 0 for none
};

struct LastPress {
  HWND window = nullptr;
  int button = -1;
  DWORD time = 0;
  POINT point{};
  bool was_double = false;
};

struct InputState {
  std::deque<InputEvent> pending;
  DWORD schedule = 0;  // the time of the last queued event
  POINT cursor{};
  HCURSOR shape = nullptr;
  std::array<bool, 256> keys{};
  LastPress last;
  // The character of the last key-down taken, for TranslateMessage.
  HWND char_window = nullptr;
  WPARAM char_vk = 0;
  char16_t char_value = 0;
};

InputState& I() {
  static InputState* s = new InputState();
  return *s;
}

bool Later(DWORD a, DWORD b) { return int32_t(a - b) > 0; }

WPARAM MouseKeys() {
  const InputState& s = I();
  WPARAM k = 0;
  if (s.keys[VK_LBUTTON]) k |= MK_LBUTTON;
  if (s.keys[VK_RBUTTON]) k |= MK_RBUTTON;
  if (s.keys[VK_SHIFT]) k |= MK_SHIFT;
  if (s.keys[VK_CONTROL]) k |= MK_CONTROL;
  return k;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(WORD(int16_t(p.x)), WORD(int16_t(p.y))); }

bool Contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The top-level windows from the top of the z-order down: the active one,
// then the newest first.
std::vector<HWND> TopLevelZOrder() {
  std::vector<HWND> all = ui::TopLevelWindows();
  std::reverse(all.begin(), all.end());
  HWND active = GetAncestor(GetFocus(), 2);
  if (!active) active = GetActiveWindow();
  auto it = std::find(all.begin(), all.end(), active);
  if (it != all.end()) std::rotate(all.begin(), it, it + 1);
  return all;
}

// The window the mouse input at a screen point goes to, with its hit-test
// code: HTERROR over a disabled top-level window; a disabled child gives
// the point to its parent; a child answering HTTRANSPARENT lets it through
// to its siblings beneath.
HWND HitTest(POINT p, LRESULT* code) {
  *code = HTNOWHERE;
  for (HWND top : TopLevelZOrder()) {
    auto w = Find(top);
    if (!w || !(w->style & WS_VISIBLE) || !Contains(w->rect, p)) continue;
    if (w->style & WS_DISABLED) {
      *code = HTERROR;
      return top;
    }
    LRESULT c = SendMessageW(top, WM_NCHITTEST, 0, PointParam(p));
    if (c == HTTRANSPARENT) continue;
    HWND at = top;
    *code = c;
    for (bool deeper = true; deeper;) {
      deeper = false;
      auto aw = Find(at);
      if (!aw) break;
      const std::vector<HWND> children = aw->children;
      for (HWND child : children) {
        auto cw = Find(child);
        RECT r{};
        if (!cw || !(cw->style & WS_VISIBLE) || !GetWindowRect(child, &r) || !Contains(r, p)) continue;
        if (cw->style & WS_DISABLED) break;  // the parent takes the point
        LRESULT cc = SendMessageW(child, WM_NCHITTEST, 0, PointParam(p));
        if (cc == HTTRANSPARENT) continue;
        at = child;
        *code = cc;
        deeper = true;
        break;
      }
    }
    return IsWindow(at) ? at : nullptr;
  }
  return nullptr;
}

UINT ButtonMessage(int button, bool down, bool twice) {
  if (button == 0) return down ? (twice ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
  return down ? (twice ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
}

bool IsDoubleClick(HWND target, int button, POINT p, DWORD now) {
  const LastPress& l = I().last;
  auto w = Find(target);
  return w && (w->class_style & CS_DBLCLKS) && !l.was_double && l.window == target && l.button == button &&
         DWORD(now - l.time) <= kDoubleClickTime && std::abs(p.x - l.point.x) <= kDoubleClickSize / 2 &&
         std::abs(p.y - l.point.y) <= kDoubleClickSize / 2;
}

bool Matches(const MSG& m, HWND window, UINT first, UINT last) {
  if (window && m.hwnd != window && !IsChild(window, m.hwnd)) return false;
  return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

int ButtonKey(int button) { return button == 0 ? int(VK_LBUTTON) : int(VK_RBUTTON); }

// The message a mouse event makes, or false when it reaches no window (it
// is then dropped, as Windows drops a click on nothing or on a disabled
// window).
bool MouseMessage(const InputEvent& e, MSG* out) {
  DWORD now = ui::Now();
  HWND target = GetCapture();
  LRESULT code = HTCLIENT;
  UINT message = e.kind == InputEvent::kMove ? WM_MOUSEMOVE : ButtonMessage(e.button, e.kind == InputEvent::kDown, false);
  if (!target) {
    target = HitTest(e.point, &code);
    if (!target) return false;
    SendMessageW(target, WM_SETCURSOR, WPARAM(target), MAKELPARAM(WORD(int16_t(code)), WORD(message)));
    if (code == HTERROR) {
      if (e.kind == InputEvent::kDown) AddLog("click on a disabled window dropped");
      return false;
    }
    if (!IsWindow(target)) return false;
  }
  if (e.kind == InputEvent::kDown) message = ButtonMessage(e.button, true, IsDoubleClick(target, e.button, e.point, now));
  // The key state as the message leaves it.
  WPARAM keys = MouseKeys();
  WPARAM bit = e.button == 0 ? MK_LBUTTON : MK_RBUTTON;
  if (e.kind == InputEvent::kDown) keys |= bit;
  if (e.kind == InputEvent::kUp) keys &= ~bit;
  POINT client = e.point;
  ScreenToClient(target, &client);
  *out = MSG{target, message, keys, PointParam(client), now, e.point};
  return true;
}

// A mouse message taken from the queue: the button state, the press kept
// for the next double click, and the top-level window it falls in active.
void TakeMouse(const InputEvent& e, const MSG& m) {
  InputState& s = I();
  if (e.kind == InputEvent::kUp) s.keys[size_t(ButtonKey(e.button))] = false;
  if (e.kind != InputEvent::kDown) return;
  s.keys[size_t(ButtonKey(e.button))] = true;
  s.last = LastPress{m.hwnd, e.button, m.time, e.point,
                     m.message == WM_LBUTTONDBLCLK || m.message == WM_RBUTTONDBLCLK};
  HWND root = GetAncestor(m.hwnd, 2);
  if (root && GetActiveWindow() != root) SetActiveWindow(root);
}

bool KeyMessage(const InputEvent& e, MSG* out) {
  HWND target = GetFocus();
  if (!target) target = GetActiveWindow();
  if (!target || !IsWindow(target)) return false;
  bool down = e.kind == InputEvent::kKeyDown;
  LPARAM flags = 1 | (down ? 0 : LPARAM(0xC0000000u));
  *out = MSG{target, down ? WM_KEYDOWN : WM_KEYUP, e.vk, flags, ui::Now(), I().cursor};
  return true;
}

// A key message taken: the key state, and the character TranslateMessage
// makes of a key-down.
void TakeKey(const InputEvent& e, const MSG& m) {
  InputState& s = I();
  bool down = e.kind == InputEvent::kKeyDown;
  s.keys[e.vk & 0xFF] = down;
  if (down) {
    s.char_window = m.hwnd;
    s.char_vk = e.vk;
    s.char_value = e.ch;
  }
}

void Queue(InputEvent e) {
  InputState& s = I();
  DWORD now = ui::Now();
  if (Later(now, s.schedule)) s.schedule = now;
  e.due = s.schedule;
  s.pending.push_back(e);
}

}  // namespace

bool PeekInput(MSG* msg, HWND window, UINT first, UINT last, UINT remove) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  InputState& s = I();
  while (!s.pending.empty() && !Later(s.pending.front().due, ui::Now())) {
    InputEvent e = s.pending.front();
    MSG m{};
    bool made = false;
    switch (e.kind) {
      case InputEvent::kMove:
      case InputEvent::kDown:
      case InputEvent::kUp:
        s.cursor = e.point;
        made = MouseMessage(e, &m);
        break;
      case InputEvent::kKeyDown:
      case InputEvent::kKeyUp:
        made = KeyMessage(e, &m);
        break;
      case InputEvent::kIdle:
        break;
    }
    if (!made) {
      // Time passing, or input that reaches no window: nothing to take.
      if (e.kind == InputEvent::kUp) s.keys[size_t(ButtonKey(e.button))] = false;
      s.pending.pop_front();
      continue;
    }
    if (!Matches(m, window, first, last)) return false;
    if (remove & PM_REMOVE) {
      s.pending.pop_front();
      if (e.kind == InputEvent::kKeyDown || e.kind == InputEvent::kKeyUp) TakeKey(e, m);
      else TakeMouse(e, m);
    }
    if (msg) *msg = m;
    return true;
  }
  return false;
}

bool NextInputDue(DWORD* due) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  const InputState& s = I();
  if (s.pending.empty() || !Later(s.pending.front().due, ui::Now())) return false;
  *due = s.pending.front().due;
  return true;
}

bool AdvanceToNextInput() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  InputState& s = I();
  if (s.pending.empty()) return false;
  DWORD now = ui::Now();
  DWORD due = s.pending.front().due;
  if (!Later(due, now)) return true;  // due now: the next peek takes it
  // Timers falling due before it come first, each tick taken on its own.
  DWORD step = due - now;
  DWORD timer = 0;
  if (NextTimerDue(&timer) && DWORD(timer - now) < step) step = DWORD(timer - now);
  ui::AdvanceClock(step);
  return true;
}

void ResetInput() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  I() = InputState();
}

void CancelModes() {
  HWND target = GetCapture();
  if (!target) target = GetActiveWindow();
  if (target && IsWindow(target)) SendMessageW(target, WM_CANCELMODE, 0, 0);
}

bool DefInputProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_NCHITTEST: {
      RECT r{};
      GetWindowRect(window, &r);
      POINT p{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))};
      *result = Contains(r, p) ? HTCLIENT : HTNOWHERE;
      return true;
    }
    case WM_SETCURSOR: {
      // The parent has the first say; the windows here have no class cursor
      // of their own to show.
      HWND parent = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
      *result = parent ? SendMessageW(parent, WM_SETCURSOR, wparam, lparam) : FALSE;
      return true;
    }
    case WM_RBUTTONUP: {
      POINT p{int16_t(LOWORD(DWORD(lparam))), int16_t(HIWORD(DWORD(lparam)))};
      ClientToScreen(window, &p);
      *result = SendMessageW(window, WM_CONTEXTMENU, WPARAM(window), PointParam(p));
      return true;
    }
    case WM_KEYF1: {
      HELPINFO info{sizeof(HELPINFO), HELPINFO_WINDOW, GetDlgCtrlID(window), window, 0, I().cursor};
      *result = SendMessageW(window, WM_HELP, 0, LPARAM(&info));
      return true;
    }
    case WM_CANCELMODE:
      if (GetCapture() == window) ReleaseCapture();
      *result = 0;
      return true;
  }
  return false;
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

HWND WindowFromPoint(POINT point) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  LRESULT code;
  HWND h = HitTest(point, &code);
  return code == HTERROR ? nullptr : h;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(parent);
  if (!w) return nullptr;
  RECT client{};
  GetClientRect(parent, &client);
  if (!Contains(client, point)) return nullptr;
  for (HWND c : w->children)
    if (auto cw = Find(c); cw && Contains(cw->rect, point)) return c;
  return parent;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  RECT r{};
  if (!point || !GetWindowRect(window, &r)) return FALSE;
  point->x -= r.left;
  point->y -= r.top;
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  RECT r{};
  if (!point || !GetWindowRect(window, &r)) return FALSE;
  point->x += r.left;
  point->y += r.top;
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!point) return FALSE;
  *point = I().cursor;
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  HCURSOR old = I().shape;
  I().shape = cursor;
  return old;
}

HCURSOR GetCursor() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return I().shape;
}

UINT GetDoubleClickTime() { return kDoubleClickTime; }

INT GetSystemMetrics(INT index) {
  switch (index) {
    case SM_CXVSCROLL:
    case SM_CXHSCROLL: return 17;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return kDoubleClickSize;
    case SM_CXSCREEN: return INT(plat::GetMachineSettingInt("screen.width", 1024));
    case SM_CYSCREEN: return INT(plat::GetMachineSettingInt("screen.height", 768));
  }
  return 0;
}

SHORT GetKeyState(INT key) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return I().keys[size_t(key) & 0xFF] ? SHORT(0x8000) : SHORT(0);
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || msg->message != WM_KEYDOWN) return FALSE;
  std::lock_guard<std::recursive_mutex> lock(Lock());
  InputState& s = I();
  if (msg->wParam == VK_F1) PostMessageW(msg->hwnd, WM_KEYF1, 0, 0);
  if (s.char_window == msg->hwnd && s.char_vk == msg->wParam && s.char_value) {
    PostMessageW(msg->hwnd, WM_CHAR, WPARAM(s.char_value), msg->lParam);
    s.char_window = nullptr;
  }
  return TRUE;
}

}  // extern "C"

namespace ui {

void MoveMouse(POINT screen) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Queue(InputEvent{InputEvent::kMove, 0, screen, 0, 0, 0});
}

namespace {
POINT QueuedCursor() {
  const InputState& s = I();
  for (auto it = s.pending.rbegin(); it != s.pending.rend(); ++it)
    if (it->kind <= InputEvent::kUp) return it->point;
  return s.cursor;
}
}  // namespace

void PressButton(Button button) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Queue(InputEvent{InputEvent::kDown, 0, QueuedCursor(), button == Button::kLeft ? 0 : 1, 0, 0});
}

void ReleaseButton(Button button) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Queue(InputEvent{InputEvent::kUp, 0, QueuedCursor(), button == Button::kLeft ? 0 : 1, 0, 0});
}

void PressKey(WPARAM vk, char16_t ch) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Queue(InputEvent{InputEvent::kKeyDown, 0, {}, 0, vk, ch});
}

void ReleaseKey(WPARAM vk) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Queue(InputEvent{InputEvent::kKeyUp, 0, {}, 0, vk, 0});
}

void Idle(DWORD ms) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  InputState& s = I();
  DWORD now = Now();
  if (Later(now, s.schedule)) s.schedule = now;
  s.schedule += ms;
  s.pending.push_back(InputEvent{InputEvent::kIdle, s.schedule, {}, 0, 0, 0});
}

bool InputPending() {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return !I().pending.empty();
}

void PlayInput() {
  constexpr int kMaxMessages = 100000;
  for (int n = 0; n < kMaxMessages;) {
    MSG m;
    if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      ++n;
      if (m.message == WM_QUIT) {
        PostQuitMessage(INT(m.wParam));  // for the loop that owns it
        return;
      }
      HWND root = GetAncestor(m.hwnd, 2);
      auto w = Find(root);
      if (!(w && w->is_dialog && IsDialogMessageW(root, &m))) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
      continue;
    }
    if (!AdvanceToNextInput()) return;
  }
  AddLog("input play stopped: a message loop without end");
}

}  // namespace ui

namespace ui {

namespace {

// The window a mouse press at a screen point would reach now.
HWND TargetAt(POINT screen) {
  if (HWND capture = GetCapture()) return capture;
  LRESULT code;
  HWND h = HitTest(screen, &code);
  return code == HTERROR ? nullptr : h;
}

// Moves the pointer onto the window's point; false when another window (or
// none) would take the input there.
bool PointAt(HWND window, POINT client, POINT* screen) {
  PlayInput();
  if (!IsWindow(window)) return false;
  *screen = client;
  ClientToScreen(window, screen);
  if (TargetAt(*screen) != window) return false;
  MoveMouse(*screen);
  return true;
}

// A single click waits out the double-click time of a press just before it.
void WaitOutDoubleClick(HWND window, int button, POINT screen) {
  if (IsDoubleClick(window, button, screen, Now())) Idle(kDoubleClickTime + 1);
}

WPARAM KeyOfChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return WPARAM(c - u'a' + u'A');
  if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return WPARAM(c);
  switch (c) {
    case u' ': return VK_SPACE;
    case u'\b': return VK_BACK;
    case u'\r': return VK_RETURN;
    case u'\t': return VK_TAB;
    case 0x1B: return VK_ESCAPE;
  }
  return VK_PACKET;
}

}  // namespace

POINT CenterOf(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2};
}

bool Click(HWND window, POINT client, Button button) {
  POINT screen;
  if (!PointAt(window, client, &screen)) return false;
  WaitOutDoubleClick(window, button == Button::kLeft ? 0 : 1, screen);
  PressButton(button);
  ReleaseButton(button);
  PlayInput();
  return true;
}

bool DoubleClick(HWND window, POINT client) {
  POINT screen;
  if (!PointAt(window, client, &screen)) return false;
  WaitOutDoubleClick(window, 0, screen);
  for (int i = 0; i < 2; ++i) {
    PressButton(Button::kLeft);
    ReleaseButton(Button::kLeft);
  }
  PlayInput();
  return true;
}

bool Hold(HWND window, POINT client, DWORD ms) {
  POINT screen;
  if (!PointAt(window, client, &screen)) return false;
  WaitOutDoubleClick(window, 0, screen);
  PressButton(Button::kLeft);
  Idle(ms);
  ReleaseButton(Button::kLeft);
  PlayInput();
  return true;
}

bool Drag(HWND window, POINT from, POINT to) {
  POINT screen;
  if (!PointAt(window, from, &screen)) return false;
  WaitOutDoubleClick(window, 0, screen);
  PressButton(Button::kLeft);
  MoveMouse(POINT{screen.x + to.x - from.x, screen.y + to.y - from.y});
  ReleaseButton(Button::kLeft);
  PlayInput();
  return true;
}

bool Hover(HWND window, POINT client) {
  // The pointer rests there whatever lies on top.
  POINT screen;
  bool reached = PointAt(window, client, &screen);
  if (!reached && IsWindow(window)) {
    screen = client;
    ClientToScreen(window, &screen);
    MoveMouse(screen);
  }
  Idle(kHoverTime);
  PlayInput();
  return reached;
}

void TypeKey(WPARAM vk, char16_t ch) {
  PlayInput();
  PressKey(vk, ch);
  ReleaseKey(vk);
  PlayInput();
}

void TypeChars(const std::u16string& text) {
  PlayInput();
  for (char16_t c : text) {
    WPARAM vk = KeyOfChar(c);
    PressKey(vk, c);
    ReleaseKey(vk);
  }
  PlayInput();
}

}  // namespace ui
