// Stand-in until the tips, context help and sub-dialogs of the pages land:
// no tip is shown, no help opens, and no sub-dialog is shown (answer 0).
#include "ui2k/pages.h"

void UiHideTip(DriverContext*) {}
void UiShowControlHelp(DriverContext*, DialogRecord*, HWND) {}
INT_PTR UiRunSubDialog(DriverContext*, int32_t, uint16_t, HWND) { return 0; }
LRESULT UiHelpIconWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(window, message, wparam, lparam);
}
