// Painting in the window layer: device contexts of windows, the owner-draw
// structures and the drawing calls the driver's controls make, in the shape
// Windows gives them.
#pragma once

#include <cstdint>

#include "ui/user32.h"

using COLORREF = DWORD;
using HGDIOBJ = void*;
using HCURSOR = void*;

struct SIZE {
  LONG cx;
  LONG cy;
};
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
struct MEASUREITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemWidth;
  UINT itemHeight;
  ULONG_PTR itemData;
};

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16); }

constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_PASTE = 0x0302;
constexpr LRESULT HTCLIENT = 1;

// Owner drawing.
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_FOCUS = 0x10;

// System colours.
constexpr INT COLOR_WINDOW = 5;
constexpr INT COLOR_MENUTEXT = 7;
constexpr INT COLOR_HIGHLIGHT = 13;
constexpr INT COLOR_HIGHLIGHTTEXT = 14;
constexpr INT COLOR_BTNFACE = 15;
constexpr INT COLOR_GRAYTEXT = 17;

constexpr INT WHITE_BRUSH = 0;
constexpr INT TRANSPARENT = 1;

// DrawTextW.
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

extern "C" {
HDC BeginPaint(HWND window, PAINTSTRUCT* paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);
INT ExcludeClipRect(HDC dc, INT left, INT top, INT right, INT bottom);
DWORD GetSysColor(INT index);
HBRUSH GetSysColorBrush(INT index);
HGDIOBJ GetStockObject(INT index);
HBRUSH CreateSolidBrush(COLORREF colour);
BOOL DeleteObject(HGDIOBJ object);
INT FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
INT DrawTextW(HDC dc, LPCWSTR text, INT length, RECT* rect, UINT format);
COLORREF SetTextColor(HDC dc, COLORREF colour);
INT SetBkMode(HDC dc, INT mode);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, INT length, SIZE* size);
HCURSOR SetCursor(HCURSOR cursor);
BOOL MessageBeep(UINT type);
}  // extern "C"
