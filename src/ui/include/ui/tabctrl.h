// The tab control of the window layer (class "SysTabControl32"): a row of
// tabs, one selected; a click on another asks the parent (TCN_SELCHANGING,
// which can refuse) and tells it (TCN_SELCHANGE) through WM_NOTIFY.
#pragma once

#include "ui/user32.h"

constexpr const char16_t* WC_TABCONTROLW = u"SysTabControl32";

constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
constexpr UINT TCM_DELETEITEM = TCM_FIRST + 8;
constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;
// wParam FALSE: the window rectangle in lParam becomes the area a page
// shows in; TRUE: that area becomes the window rectangle.
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;
constexpr UINT TCM_GETITEMW = TCM_FIRST + 60;
constexpr UINT TCM_SETITEMW = TCM_FIRST + 61;
constexpr UINT TCM_INSERTITEMW = TCM_FIRST + 62;

constexpr UINT TCIF_TEXT = 0x1;
constexpr UINT TCIF_PARAM = 0x8;

struct TCITEMW {
  UINT mask;
  DWORD dwState;
  DWORD dwStateMask;
  LPWSTR pszText;
  INT cchTextMax;
  INT iImage;
  LPARAM lParam;
};

constexpr UINT TCN_FIRST = 0u - 550u;
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1;
constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2;
