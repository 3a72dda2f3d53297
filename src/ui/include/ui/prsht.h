// Property sheets of the window layer: pages made from dialog templates,
// shown in a sheet window with OK, Cancel and Apply, headless like the rest
// of the layer. The page procedures get the sheet notifications through
// WM_NOTIFY (PSHNOTIFY) as on Windows.
#pragma once

#include "ui/user32.h"

struct PropSheetPage;
using HPROPSHEETPAGE = PropSheetPage*;

struct PROPSHEETPAGEW;
using LPFNPSPCALLBACKW = UINT (*)(HWND, UINT message, PROPSHEETPAGEW* page);

// dwFlags
constexpr DWORD PSP_DEFAULT = 0x0;
constexpr DWORD PSP_DLGINDIRECT = 0x1;
constexpr DWORD PSP_USETITLE = 0x8;
constexpr DWORD PSP_USECALLBACK = 0x80;
// Page callback messages.
constexpr UINT PSPCB_ADDREF = 0;
constexpr UINT PSPCB_RELEASE = 1;
constexpr UINT PSPCB_CREATE = 2;

struct PROPSHEETPAGEW {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  LPCWSTR pszTemplate;    // or, with PSP_DLGINDIRECT, a template in memory (pResource)
  const void* pResource;
  LPCWSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;          // handed to WM_INITDIALOG as a pointer to the page's copy
  LPFNPSPCALLBACKW pfnCallback;
};

// dwFlags of the sheet header.
constexpr DWORD PSH_PROPTITLE = 0x1;
constexpr DWORD PSH_PROPSHEETPAGE = 0x8;
constexpr DWORD PSH_NOAPPLYNOW = 0x80;
constexpr DWORD PSH_HASHELP = 0x200;
constexpr DWORD PSH_MODELESS = 0x400;
constexpr DWORD PSH_NOCONTEXTHELP = 0x2000000;

struct PROPSHEETHEADERW {
  DWORD dwSize;
  DWORD dwFlags;
  HWND hwndParent;
  HINSTANCE hInstance;
  LPCWSTR pszCaption;
  UINT nPages;
  UINT nStartPage;
  HPROPSHEETPAGE* phpage;  // without PSH_PROPSHEETPAGE
  const PROPSHEETPAGEW* ppsp;  // with PSH_PROPSHEETPAGE
};

// Sheet notifications (WM_NOTIFY to the page, NMHDR.code).
constexpr UINT PSN_FIRST = 0u - 200u;
constexpr UINT PSN_SETACTIVE = PSN_FIRST - 0;
constexpr UINT PSN_KILLACTIVE = PSN_FIRST - 1;
constexpr UINT PSN_APPLY = PSN_FIRST - 2;
constexpr UINT PSN_RESET = PSN_FIRST - 3;
constexpr UINT PSN_HELP = PSN_FIRST - 5;
constexpr UINT PSN_QUERYCANCEL = PSN_FIRST - 9;
constexpr LRESULT PSNRET_NOERROR = 0;
constexpr LRESULT PSNRET_INVALID = 1;
constexpr LRESULT PSNRET_INVALID_NOCHANGEPAGE = 2;

struct PSHNOTIFY {
  NMHDR hdr;
  LPARAM lParam;  // PSN_APPLY: TRUE when the OK button (not Apply) caused it
};

// Sheet messages (to the sheet window, the parent of the pages).
constexpr UINT PSM_SETCURSEL = WM_USER + 101;
constexpr UINT PSM_REMOVEPAGE = WM_USER + 102;
constexpr UINT PSM_ADDPAGE = WM_USER + 103;
constexpr UINT PSM_CHANGED = WM_USER + 104;
constexpr UINT PSM_UNCHANGED = WM_USER + 109;
constexpr UINT PSM_APPLY = WM_USER + 110;
constexpr UINT PSM_PRESSBUTTON = WM_USER + 113;
constexpr UINT PSM_GETCURRENTPAGEHWND = WM_USER + 118;
constexpr UINT PSM_GETTABCONTROL = WM_USER + 116;
// PSM_PRESSBUTTON buttons.
constexpr WPARAM PSBTN_OK = 3;
constexpr WPARAM PSBTN_APPLYNOW = 4;
constexpr WPARAM PSBTN_CANCEL = 5;
// PropertySheetW answers for a modal sheet.
constexpr INT_PTR ID_PSRESTARTWINDOWS = 2;
constexpr INT_PTR ID_PSREBOOTSYSTEM = 3;

// Control ids of the sheet's own buttons and of its row of page tabs.
constexpr INT IDC_SHEET_APPLY = 0x3021;
constexpr INT IDC_SHEET_TABS = 0x3020;

extern "C" {
HPROPSHEETPAGE CreatePropertySheetPageW(const PROPSHEETPAGEW* page);
BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Modal: runs the sheet and answers 1 when OK (or Apply) saved changes, 0
// when it closed without, -1 on failure. Pages handed over are owned by the
// sheet from then on, also when it fails.
INT_PTR PropertySheetW(const PROPSHEETHEADERW* header);
}

namespace ui {
// Live pages (made and not yet destroyed), for leak checks.
size_t LivePropertySheetPages();
// The pages of a running sheet in tab order: the tab's text, the template's
// resource id (0 for a template in memory), the page's window (null until
// it is first shown) and whether it is in front. Empty for a window that is
// no sheet.
struct SheetPageInfo {
  std::u16string title;
  DWORD template_id;
  HWND window;
  bool current;
};
std::vector<SheetPageInfo> SheetPages(HWND sheet);
}
