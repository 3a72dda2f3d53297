// Stand-in until the window layer's painting lands: windows have no device
// context yet, so every drawing call draws nothing and answers as Windows
// does for a call that could not draw.
#include "ui/gdi.h"

extern "C" {
HDC BeginPaint(HWND, PAINTSTRUCT* paint) {
  if (paint) *paint = PAINTSTRUCT{};
  return nullptr;
}
BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }
INT ExcludeClipRect(HDC, INT, INT, INT, INT) { return 0; }
DWORD GetSysColor(INT) { return 0; }
HBRUSH GetSysColorBrush(INT) { return nullptr; }
HGDIOBJ GetStockObject(INT) { return nullptr; }
HBRUSH CreateSolidBrush(COLORREF) { return nullptr; }
BOOL DeleteObject(HGDIOBJ) { return FALSE; }
INT FillRect(HDC, const RECT*, HBRUSH) { return 0; }
BOOL DrawFocusRect(HDC, const RECT*) { return FALSE; }
INT DrawTextW(HDC, LPCWSTR, INT, RECT*, UINT) { return 0; }
COLORREF SetTextColor(HDC, COLORREF) { return 0; }
INT SetBkMode(HDC, INT) { return 0; }
BOOL GetTextExtentPoint32W(HDC, LPCWSTR, INT, SIZE* size) {
  if (size) *size = SIZE{};
  return FALSE;
}
HCURSOR SetCursor(HCURSOR) { return nullptr; }
BOOL MessageBeep(UINT) { return TRUE; }
}  // extern "C"
