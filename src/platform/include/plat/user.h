// The user32 services the drivers call outside the window layer: the
// message box, as a scripted seam. Nothing is drawn; each box answers what
// the script (or the machine) says, and every box shown is logged with its
// caption, text and buttons so that tests and the host can see it.
#pragma once

#include <string>
#include <vector>

#include "plat/wintypes.h"

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

extern "C" {
// Logs the box and answers the next scripted answer; without one, the
// machine setting "msgbox.answer" when it is set, else the first button of
// the box (IDOK, IDABORT, IDYES or IDRETRY). Faults: "MessageBoxW" (answers
// 0, as Windows does when the box cannot be shown; nothing is logged).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
// The active top-level window of the window layer (null when it has none
// or is not loaded).
HWND GetActiveWindow();
}

namespace plat {

struct MessageBoxRecord {
  std::u16string caption;
  std::u16string text;
  UINT type;      // buttons and icon as passed
  int answer;     // what the box answered
};

// Answers for the next boxes of this process, first answer first.
void ScriptMessageBoxAnswers(const std::vector<int>& answers);
// Boxes shown in this process since the last clear, oldest first (the
// newest 256).
std::vector<MessageBoxRecord> MessageBoxLog();
void ClearMessageBoxLog();
// The window layer reports the window it activates here, so that
// GetActiveWindow answers it also for modules that do not load that layer.
void SetActiveWindowValue(HWND window);
// "OK", "OK Cancel", "Yes No" ... for the button bits of a type.
std::string MessageBoxButtonsText(UINT type);

}  // namespace plat
