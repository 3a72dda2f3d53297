// The desktop around the dialogs: finding top-level windows, the taskbar
// the machine settings place, and the help calls this machine only records.
#include <cstdio>
#include <string>

#include "plat/calls.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"
#include "wm.h"

namespace ui::detail {

namespace {
char g_taskbar_anchor;  // its address is the taskbar's handle
}  // namespace

HWND TaskbarWindow() { return &g_taskbar_anchor; }

bool TaskbarRect(RECT* rect) {
  const std::string text = plat::GetMachineSetting("taskbar.rect");
  long l = 0, t = 0, r = 0, b = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%ld,%ld,%ld,%ld%c", &l, &t, &r, &b, &end) != 4 || r < l || b < t) return false;
  if (rect) *rect = RECT{LONG(l), LONG(t), LONG(r), LONG(b)};
  return true;
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

HWND FindWindowW(LPCWSTR class_name, LPCWSTR title) {
  const std::u16string wanted = TextOf(class_name);
  auto same = [](const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (plat::WToUpper(a[i]) != plat::WToUpper(b[i])) return false;
    return true;
  };
  for (HWND h : ui::TopLevelWindows()) {
    auto w = Find(h);
    if (!w || (!wanted.empty() && !same(w->class_name, wanted))) continue;
    if (title && w->text != title) continue;
    return h;
  }
  if (same(wanted, u"Shell_TrayWnd") && !title && TaskbarRect(nullptr)) return TaskbarWindow();
  return nullptr;
}

BOOL WinHelpW(HWND window, LPCWSTR help_file, UINT command, ULONG_PTR data) {
  std::string detail = "window " + std::to_string(GetDlgCtrlID(window)) + " " + plat::ToUtf8(TextOf(help_file)) + " " +
                       std::to_string(command);
  if ((command == HELP_WM_HELP || command == HELP_CONTEXTMENU) && data) {
    // Pairs of {control id, help id}, ended by a 0 control id.
    const auto* ids = reinterpret_cast<const DWORD*>(data);
    for (int i = 0; i < 64 && ids[2 * i]; ++i)
      detail += " " + std::to_string(ids[2 * i]) + ":" + std::to_string(ids[2 * i + 1]);
  } else if (command != HELP_WM_HELP && command != HELP_CONTEXTMENU) {
    detail += " " + std::to_string(data);  // a context id
  }
  plat::NoteCall("WinHelpW", detail);
  return TRUE;
}

}  // extern "C"
