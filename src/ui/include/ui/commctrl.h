// The common controls of the window layer besides the tab control: the
// trackbar ("msctls_trackbar32"), the up-down control ("msctls_updown32")
// and the tree view ("SysTreeView32"), each painting itself in the layer's
// classic look; and SetWindowTheme, which this machine has no themes for and
// only records.
#pragma once

#include "plat/osinfo.h"
#include "ui/user32.h"

constexpr const char16_t* TRACKBAR_CLASSW = u"msctls_trackbar32";
constexpr const char16_t* UPDOWN_CLASSW = u"msctls_updown32";
constexpr const char16_t* WC_TREEVIEWW = u"SysTreeView32";

// ---- trackbar ------------------------------------------------------------------------------
// Range and position are 16-bit values in the low and high words of a
// TBM_SETRANGE lParam; wParam TRUE redraws. A key or a click moves the thumb
// and tells the parent WM_HSCROLL (TB_* codes, the same values as SB_*).
constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGE = WM_USER + 6;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;

// ---- up-down -------------------------------------------------------------------------------
// Range: UDM_SETRANGE lParam MAKELONG(maximum, minimum), 16-bit each;
// UDM_SETRANGE32 wParam minimum, lParam maximum. A click on the upper or
// lower half steps by one and tells the parent WM_VSCROLL with
// SB_THUMBPOSITION and the new position in the high word.
constexpr UINT UDM_SETRANGE = WM_USER + 101;
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;
constexpr UINT UDM_SETRANGE32 = WM_USER + 111;
constexpr UINT UDM_GETRANGE32 = WM_USER + 112;
constexpr UINT UDM_SETPOS32 = WM_USER + 113;
constexpr UINT UDM_GETPOS32 = WM_USER + 114;

// ---- tree view -----------------------------------------------------------------------------
struct TreeItemTag;
using HTREEITEM = TreeItemTag*;
inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(intptr_t(-0x10000));
inline HTREEITEM const TVI_FIRST = reinterpret_cast<HTREEITEM>(intptr_t(-0x0FFFF));
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(intptr_t(-0x0FFFE));

constexpr UINT TV_FIRST = 0x1100;
constexpr UINT TVM_DELETEITEM = TV_FIRST + 1;
constexpr UINT TVM_GETCOUNT = TV_FIRST + 5;
constexpr UINT TVM_GETNEXTITEM = TV_FIRST + 10;
constexpr UINT TVM_GETITEMW = TV_FIRST + 62;
constexpr UINT TVM_INSERTITEMW = TV_FIRST + 50;

constexpr UINT TVGN_ROOT = 0x0;
constexpr UINT TVGN_NEXT = 0x1;
constexpr UINT TVGN_PARENT = 0x3;
constexpr UINT TVGN_CHILD = 0x4;

constexpr UINT TVIF_TEXT = 0x1;
constexpr UINT TVIF_PARAM = 0x4;
constexpr UINT TVIF_HANDLE = 0x10;

struct TVITEMW {
  UINT mask;
  HTREEITEM hItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  INT cchTextMax;
  INT iImage;
  INT iSelectedImage;
  INT cChildren;
  LPARAM lParam;
};
struct TVINSERTSTRUCTW {
  HTREEITEM hParent;
  HTREEITEM hInsertAfter;
  TVITEMW item;
};

// ---- themes --------------------------------------------------------------------------------
// Writes "SetWindowTheme #ID app="..." classes="..."" to the layer's log
// (ui::Log); there are no visual styles to leave. S_OK.
HRESULT SetWindowTheme(HWND window, LPCWSTR app_name, LPCWSTR class_list);
