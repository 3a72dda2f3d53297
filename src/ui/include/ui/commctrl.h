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

// ---- list view -----------------------------------------------------------------------------
// The report view of "SysListView32": rows of texts under captioned columns,
// each row with its state (selected, focused, and with LVS_EX_CHECKBOXES a
// check box kept as state image 1 unchecked or 2 checked) and a parameter.
// A change of a row's state, text or parameter asks the parent
// (LVN_ITEMCHANGING, which can refuse) and tells it (LVN_ITEMCHANGED)
// through WM_NOTIFY. LVS_OWNERDRAWFIXED hands each row to the parent as
// WM_DRAWITEM (ODT_LISTVIEW) and asks its height by WM_MEASUREITEM.
constexpr const char16_t* WC_LISTVIEWW = u"SysListView32";

constexpr DWORD LVS_REPORT = 0x0001;
constexpr DWORD LVS_SINGLESEL = 0x0004;
constexpr DWORD LVS_SHOWSELALWAYS = 0x0008;
constexpr DWORD LVS_OWNERDRAWFIXED = 0x0400;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000;

constexpr DWORD LVS_EX_CHECKBOXES = 0x0004;
constexpr DWORD LVS_EX_FULLROWSELECT = 0x0020;

constexpr UINT ODT_LISTVIEW = 102;

constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;
constexpr UINT LVM_GETITEMW = LVM_FIRST + 75;
constexpr UINT LVM_SETITEMW = LVM_FIRST + 76;
constexpr UINT LVM_INSERTITEMW = LVM_FIRST + 77;
constexpr UINT LVM_GETCOLUMNW = LVM_FIRST + 95;
constexpr UINT LVM_SETCOLUMNW = LVM_FIRST + 96;
constexpr UINT LVM_INSERTCOLUMNW = LVM_FIRST + 97;
constexpr UINT LVM_GETITEMTEXTW = LVM_FIRST + 115;
constexpr UINT LVM_SETITEMTEXTW = LVM_FIRST + 116;

constexpr UINT LVIF_TEXT = 0x1;
constexpr UINT LVIF_PARAM = 0x4;
constexpr UINT LVIF_STATE = 0x8;

constexpr UINT LVIS_FOCUSED = 0x1;
constexpr UINT LVIS_SELECTED = 0x2;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }

// LVM_GETNEXTITEM: the next row after wParam (-1: from the first) with all
// of these states (LVNI_ALL: any row).
constexpr UINT LVNI_ALL = 0x0;
constexpr UINT LVNI_FOCUSED = 0x1;
constexpr UINT LVNI_SELECTED = 0x2;

constexpr UINT LVCF_FMT = 0x1;
constexpr UINT LVCF_WIDTH = 0x2;
constexpr UINT LVCF_TEXT = 0x4;
constexpr INT LVCFMT_LEFT = 0;

constexpr INT LVIR_BOUNDS = 0;

constexpr UINT LVHT_NOWHERE = 0x1;
constexpr UINT LVHT_ONITEMLABEL = 0x4;
constexpr UINT LVHT_ONITEMSTATEICON = 0x8;

struct LVITEMW {
  UINT mask;
  INT iItem;
  INT iSubItem;
  UINT state;
  UINT stateMask;
  LPWSTR pszText;
  INT cchTextMax;
  INT iImage;
  LPARAM lParam;
  INT iIndent;
};
struct LVCOLUMNW {
  UINT mask;
  INT fmt;
  INT cx;
  LPWSTR pszText;
  INT cchTextMax;
  INT iSubItem;
  INT iImage;
  INT iOrder;
};
struct LVHITTESTINFO {
  POINT pt;
  UINT flags;
  INT iItem;
  INT iSubItem;
};
struct NMLISTVIEW {
  NMHDR hdr;
  INT iItem;
  INT iSubItem;
  UINT uNewState;
  UINT uOldState;
  UINT uChanged;
  POINT ptAction;
  LPARAM lParam;
};

constexpr UINT LVN_FIRST = 0u - 100u;
constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;
constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
constexpr UINT LVN_INSERTITEM = LVN_FIRST - 2;
constexpr UINT LVN_DELETEITEM = LVN_FIRST - 3;
constexpr UINT LVN_DELETEALLITEMS = LVN_FIRST - 4;
