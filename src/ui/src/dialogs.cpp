// The dialog manager: templates, modal and modeless dialogs, the dialog
// window procedure and the dialog-item helpers.
#include <algorithm>
#include <cstring>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/resources.h"
#include "plat/wstr.h"
#include "ui/dialog_template.h"
#include "ui/gdi.h"
#include "wm.h"

namespace ui {
namespace {

constexpr char kMagic[4] = {'V', 'D', 'L', 'G'};
constexpr uint32_t kVersion = 1;

struct Writer {
  std::vector<uint8_t> b;
  void U16(uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Str(const std::u16string& s) {
    size_t n = std::min<size_t>(s.size(), 0xFFFF);
    U16(uint32_t(n));
    for (size_t i = 0; i < n; ++i) U16(s[i]);
  }
};

struct Reader {
  const uint8_t* p;
  size_t size;
  size_t at = 0;
  bool ok = true;
  uint32_t U16() {
    if (size - at < 2) {
      ok = false;
      return 0;
    }
    uint32_t v = uint32_t(p[at]) | (uint32_t(p[at + 1]) << 8);
    at += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (U16() << 16);
  }
  std::u16string Str() {
    uint32_t n = U16();
    if (!ok || (size - at) / 2 < n) {
      ok = false;
      return {};
    }
    std::u16string s(n, u'\0');
    for (uint32_t i = 0; i < n; ++i) s[i] = char16_t(U16());
    return s;
  }
};

}  // namespace

std::vector<uint8_t> EncodeDialogTemplate(const DialogTemplate& d) {
  Writer w;
  w.b.insert(w.b.end(), kMagic, kMagic + 4);
  w.U32(kVersion);
  w.U32(0);  // total size, filled in below
  w.U32(d.style);
  w.U32(d.ex_style);
  for (int16_t v : {d.x, d.y, d.cx, d.cy}) w.U16(uint16_t(v));
  w.Str(d.title);
  w.U16(uint32_t(std::min<size_t>(d.items.size(), 0xFFFF)));
  for (size_t i = 0; i < d.items.size() && i < 0xFFFF; ++i) {
    const DialogItemTemplate& it = d.items[i];
    w.U32(it.style);
    w.U32(it.ex_style);
    w.U16(uint16_t(it.id));
    for (int16_t v : {it.x, it.y, it.cx, it.cy}) w.U16(uint16_t(v));
    w.Str(it.class_name);
    w.Str(it.text);
  }
  uint32_t total = uint32_t(w.b.size());
  for (int i = 0; i < 4; ++i) w.b[8 + size_t(i)] = uint8_t(total >> (8 * i));
  return w.b;
}

std::optional<DialogTemplate> DecodeDialogTemplate(const void* bytes, size_t size) {
  if (!bytes || size < 12 || std::memcmp(bytes, kMagic, 4) != 0) return std::nullopt;
  Reader r{static_cast<const uint8_t*>(bytes), size, 4};
  if (r.U32() != kVersion) return std::nullopt;
  uint32_t total = r.U32();
  if (total > size) return std::nullopt;
  r.size = total;
  DialogTemplate d;
  d.style = r.U32();
  d.ex_style = r.U32();
  d.x = int16_t(r.U16());
  d.y = int16_t(r.U16());
  d.cx = int16_t(r.U16());
  d.cy = int16_t(r.U16());
  d.title = r.Str();
  uint32_t n = r.U16();
  for (uint32_t i = 0; i < n && r.ok; ++i) {
    DialogItemTemplate it;
    it.style = r.U32();
    it.ex_style = r.U32();
    it.id = int16_t(r.U16());
    it.x = int16_t(r.U16());
    it.y = int16_t(r.U16());
    it.cx = int16_t(r.U16());
    it.cy = int16_t(r.U16());
    it.class_name = r.Str();
    it.text = r.Str();
    d.items.push_back(std::move(it));
  }
  if (!r.ok || r.at != total) return std::nullopt;
  return d;
}

plat::ResourceEntry DialogResource(DWORD id, const DialogTemplate& dialog) {
  return plat::ResourceEntry{RT_DIALOG, id, EncodeDialogTemplate(dialog)};
}

}  // namespace ui

namespace ui::detail {
namespace {

bool IsReturnValueMessage(UINT m) {
  return m == WM_INITDIALOG || (m >= WM_CTLCOLOREDIT && m <= WM_CTLCOLORSTATIC) || m == 0x0037 /*WM_QUERYDRAGICON*/ ||
         m == 0x0039 /*WM_COMPAREITEM*/ || m == 0x002E /*WM_VKEYTOITEM*/ || m == 0x002F /*WM_CHARTOITEM*/;
}

// Builds the dialog and its controls; the procedure gets WM_INITDIALOG.
HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param,
                        bool modal, DWORD template_id) {
  DWORD style = t.style & ~WS_VISIBLE;
  if (style & WS_CHILD) style &= ~WS_POPUP;
  RECT r{t.x, t.y, t.x + t.cx, t.y + t.cy};
  HWND d = CreateWindowExW(t.ex_style, u"#32770", t.title.c_str(), style, DuToPxX(r.left), DuToPxY(r.top),
                           DuToPxX(t.cx), DuToPxY(t.cy), owner, nullptr, instance, nullptr);
  if (!d) return nullptr;
  if (auto w = Find(d)) w->template_id = template_id;
  SetWindowLongPtrW(d, DWLP_DLGPROC, LONG_PTR(proc));
  for (const DialogItemTemplate& it : t.items) {
    HWND c = CreateWindowExW(it.ex_style, it.class_name.c_str(), it.text.c_str(), it.style | WS_CHILD,
                             DuToPxX(it.x), DuToPxY(it.y), DuToPxX(it.cx), DuToPxY(it.cy), d,
                             reinterpret_cast<HMENU>(uintptr_t(uint16_t(it.id))), instance, nullptr);
    if (!c) {
      // A control that cannot be made fails the dialog, as on Windows.
      DWORD err = GetLastError();
      DestroyWindow(d);
      SetLastError(err);
      return nullptr;
    }
  }
  HWND first = GetNextDlgTabItem(d, nullptr, FALSE);
  LRESULT focus = SendMessageW(d, WM_INITDIALOG, WPARAM(first), param);
  if (!IsWindow(d)) return nullptr;
  if (focus && first && IsWindow(first)) SetFocus(first);
  if (modal || (t.style & WS_VISIBLE)) ShowWindow(d, SW_SHOW);
  return d;
}

DWORD ResourceId(LPCWSTR name) { return IS_INTRESOURCE(name) ? DWORD(reinterpret_cast<uintptr_t>(name)) : 0; }

const DialogTemplate* LoadTemplate(HINSTANCE instance, LPCWSTR name, DialogTemplate* storage) {
  if (!IS_INTRESOURCE(name)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  size_t size = 0;
  const void* bytes = plat::FindModuleResource(instance, RT_DIALOG, DWORD(reinterpret_cast<uintptr_t>(name)), &size);
  if (!bytes) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto t = DecodeDialogTemplate(bytes, size);
  if (!t) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  *storage = std::move(*t);
  return storage;
}

const DialogTemplate* InMemoryTemplate(const void* bytes, DialogTemplate* storage) {
  if (!bytes || std::memcmp(bytes, "VDLG", 4) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint32_t total = uint32_t(p[8]) | (uint32_t(p[9]) << 8) | (uint32_t(p[10]) << 16) | (uint32_t(p[11]) << 24);
  auto t = ui::DecodeDialogTemplate(bytes, total);
  if (!t) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  *storage = std::move(*t);
  return storage;
}

void CloseDialog(HWND d) {
  // As the Close box: WM_CLOSE first; a dialog that ignores it is ended as cancelled.
  SendMessageW(d, WM_CLOSE, 0, 0);
  auto w = Find(d);
  MSG m;
  while (w && !w->dialog_ended && IsWindow(d) && PeekMessageW(&m, d, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  if (w && !w->dialog_ended && IsWindow(d)) {
    AddLog("dialog ended by the layer: IDCANCEL");
    EndDialog(d, IDCANCEL);
  }
}

INT_PTR RunDialog(const DialogTemplate* t, HINSTANCE instance, HWND owner, DLGPROC proc, LPARAM param,
                  DWORD template_id) {
  if (!t) return -1;
  // The owner is the top-level window of the one given; it is disabled
  // while the dialog runs.
  HWND root = owner ? GetAncestor(owner, 2) : nullptr;
  bool reenable = root && IsWindowEnabled(root);
  HWND d = CreateFromTemplate(instance, *t, root, proc, param, true, template_id);
  if (!d) return -1;
  auto w = Find(d);
  if (reenable) EnableWindow(root, FALSE);
  SetActiveWindow(d);
  if (!w->dialog_ended) RunModal(d, &w->dialog_ended, CloseDialog);
  INT_PTR result = w->dialog_ended ? w->dialog_result : IDCANCEL;
  if (reenable) EnableWindow(root, TRUE);
  if (IsWindow(d)) DestroyWindow(d);
  if (root && IsWindow(root)) SetActiveWindow(root);
  return result;
}

}  // namespace

LRESULT DialogProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(h, DWLP_DLGPROC));
  if (proc) {
    SetWindowLongPtrW(h, DWLP_MSGRESULT, 0);
    INT_PTR r = proc(h, message, wparam, lparam);
    if (IsReturnValueMessage(message)) {
      if (r || message == WM_INITDIALOG) return r;
    } else if (r) {
      return IsWindow(h) ? GetWindowLongPtrW(h, DWLP_MSGRESULT) : 0;
    }
  } else if (message == WM_INITDIALOG) {
    return TRUE;
  }
  if (!IsWindow(h)) return 0;
  return DefDlgProcW(h, message, wparam, lparam);
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE: {
      // The Close box stands for Cancel when the dialog has an enabled one
      // (or none at all).
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel)) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(cancel));
      return 0;
    }
    case DM_GETDEFID: {
      auto w = Find(dialog);
      if (!w) return 0;
      for (HWND c : w->children)
        if (auto cw = Find(c); cw && cw->class_name == u"BUTTON" && (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
          return MAKELPARAM(WORD(cw->id), DC_HASDEFID);
      return 0;
    }
    case WM_INITDIALOG:
      return TRUE;
  }
  return DefWindowProcW(dialog, message, wparam, lparam);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR template_name, HWND owner, DLGPROC proc, LPARAM param) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  plat::NoteCall("CreateDialogParamW", IS_INTRESOURCE(template_name)
                                           ? std::to_string(reinterpret_cast<uintptr_t>(template_name))
                                           : std::string("named"));
  ui::DialogTemplate t;
  const ui::DialogTemplate* p = LoadTemplate(instance, template_name, &t);
  return p ? CreateFromTemplate(instance, *p, owner, proc, param, false, ResourceId(template_name)) : nullptr;
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  ui::DialogTemplate t;
  const ui::DialogTemplate* p = InMemoryTemplate(tmpl, &t);
  return p ? CreateFromTemplate(instance, *p, owner, proc, param, false, 0) : nullptr;
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR template_name, HWND owner, DLGPROC proc, LPARAM param) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  plat::NoteCall("DialogBoxParamW", IS_INTRESOURCE(template_name)
                                        ? std::to_string(reinterpret_cast<uintptr_t>(template_name))
                                        : std::string("named"));
  ui::DialogTemplate t;
  return RunDialog(LoadTemplate(instance, template_name, &t), instance, owner, proc, param, ResourceId(template_name));
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  ui::DialogTemplate t;
  return RunDialog(InMemoryTemplate(tmpl, &t), instance, owner, proc, param, 0);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(dialog);
  if (!w || !w->is_dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->dialog_ended = true;
  w->dialog_result = result;
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, INT id) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children)
    if (auto cw = Find(c); cw && INT(cw->id) == id) return c;
  return nullptr;
}

INT GetDlgCtrlID(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(window);
  return w && (w->style & WS_CHILD) ? INT(w->id) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, INT id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SendMessageW(c, message, wparam, lparam) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, INT id, LPCWSTR text) {
  HWND c = GetDlgItem(dialog, id);
  return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, INT id, LPWSTR buffer, INT capacity) {
  if (buffer && capacity > 0) buffer[0] = 0;
  HWND c = GetDlgItem(dialog, id);
  return c ? UINT(GetWindowTextW(c, buffer, capacity)) : 0;
}

BOOL SetDlgItemInt(HWND dialog, INT id, UINT value, BOOL is_signed) {
  char16_t text[16];
  plat::WFormat(text, 16, is_signed ? u"%d" : u"%u", value);
  return SetDlgItemTextW(dialog, id, text);
}

UINT GetDlgItemInt(HWND dialog, INT id, BOOL* translated, BOOL is_signed) {
  if (translated) *translated = FALSE;
  char16_t text[64];
  if (!GetDlgItem(dialog, id)) return 0;
  GetDlgItemTextW(dialog, id, text, 64);
  const char16_t* p = text;
  while (*p == u' ') ++p;
  bool negative = false;
  if (is_signed && *p == u'-') {
    negative = true;
    ++p;
  }
  if (*p < u'0' || *p > u'9') return 0;
  unsigned long long v = 0;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    v = v * 10 + unsigned(*p - u'0');
    if (v > 0xFFFFFFFFull) return 0;
  }
  while (*p == u' ') ++p;
  if (*p) return 0;
  if (is_signed && v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
  if (translated) *translated = TRUE;
  return negative ? UINT(0u - UINT(v)) : UINT(v);
}

BOOL CheckDlgButton(HWND dialog, INT id, UINT check) {
  HWND c = GetDlgItem(dialog, id);
  if (!c) return FALSE;
  SendMessageW(c, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, INT id) {
  HWND c = GetDlgItem(dialog, id);
  return c ? UINT(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, INT first, INT last, INT check) {
  if (first > last) return FALSE;
  for (INT id = first; id <= last; ++id) {
    HWND c = GetDlgItem(dialog, id);
    if (c) SendMessageW(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(dialog);
  if (!w || w->children.empty()) return nullptr;
  const auto& c = w->children;
  auto at = std::find(c.begin(), c.end(), control);
  if (at == c.end()) return nullptr;
  auto group_of = [&](std::vector<HWND>::const_iterator it) {
    while (it != c.begin() && !(GetWindowLongW(*it, GWL_STYLE) & WS_GROUP)) --it;
    return it;
  };
  auto begin = group_of(at);
  auto end = at + 1;
  while (end != c.end() && !(GetWindowLongW(*end, GWL_STYLE) & WS_GROUP)) ++end;
  size_t n = size_t(end - begin), i = size_t(at - begin);
  for (size_t k = 1; k <= n; ++k) {
    size_t j = previous ? (i + n - k) % n : (i + k) % n;
    HWND h = *(begin + long(j));
    if (IsWindowVisible(h) && IsWindowEnabled(h)) return h;
  }
  return control;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(dialog);
  if (!w || w->children.empty()) return nullptr;
  const auto& c = w->children;
  size_t n = c.size();
  auto at = std::find(c.begin(), c.end(), control);
  size_t i = at == c.end() ? (previous ? 0 : n - 1) : size_t(at - c.begin());
  for (size_t k = 1; k <= n; ++k) {
    size_t j = previous ? (i + n - k) % n : (i + k) % n;
    auto cw = Find(c[j]);
    if (cw && (cw->style & WS_TABSTOP) && (cw->style & WS_VISIBLE) && !(cw->style & WS_DISABLED)) return c[j];
  }
  return nullptr;
}

BOOL IsDialogMessageW(HWND dialog, MSG* msg) {
  if (!msg || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  // The control with the key may want it for itself.
  const LRESULT wants = msg->message == WM_KEYDOWN ? SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, LPARAM(msg)) : 0;
  const bool own_key = (wants & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) ||
                       (msg->wParam == VK_TAB && (wants & DLGC_WANTTAB));
  if (msg->message == WM_KEYDOWN && !own_key) {
    switch (msg->wParam) {
      case VK_TAB: {
        HWND next = GetNextDlgTabItem(dialog, GetFocus(), FALSE);
        if (next) SetFocus(next);
        return TRUE;
      }
      case VK_ESCAPE: {
        HWND cancel = GetDlgItem(dialog, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
          SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), LPARAM(cancel));
        return TRUE;
      }
      case VK_RETURN: {
        LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        INT id = HIWORD(DWORD(def)) == DC_HASDEFID ? INT(LOWORD(DWORD(def))) : IDOK;
        HWND b = GetDlgItem(dialog, id);
        if (!b || IsWindowEnabled(b)) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED), LPARAM(b));
        return TRUE;
      }
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

}  // extern "C"

DWORD ui::DialogTemplateId(HWND dialog) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto w = Find(dialog);
  return w && w->is_dialog ? w->template_id : 0;
}
