// The window layer of the emulated machine: windows, messages, timers,
// dialogs and the standard controls, headless. Every window is an object
// with its class, style, text, rectangle and state, and the controls are
// state machines that answer their messages and send their notifications
// as the Windows ones do. Windows paint into a bitmap of their top-level
// window when asked (UpdateWindow, RedrawWindow, a snapshot): see
// ui/gdi.h. A script (or a test) plays the person at the screen through the
// layer's mouse and keyboard below, which turn into the messages Windows
// sends.
//
// One process-wide window manager, used from one UI thread at a time (the
// sheet's thread); its calls are serialised by a lock so that a stray call
// from another thread cannot corrupt it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plat/user.h"
#include "plat/wintypes.h"

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using ATOM = uint16_t;
using HMENU = void*;
using HICON = void*;
using HFONT = void*;
using HBRUSH = void*;
using HDC = void*;
using HCURSOR = void*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct POINT {
  LONG x;
  LONG y;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
struct WNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  INT cbClsExtra;
  INT cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  void* hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
};
struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  INT cy;
  INT cx;
  INT y;
  INT x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};
// WM_HELP's lParam.
struct HELPINFO {
  UINT cbSize;
  INT iContextType;
  INT iCtrlId;
  HANDLE hItemHandle;
  uintptr_t dwContextId;
  POINT MousePos;
};
constexpr INT HELPINFO_WINDOW = 1;

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  INT nMin;
  INT nMax;
  UINT nPage;
  INT nPos;
  INT nTrackPos;
};

// An integer resource id in the place of a name.
#define MAKEINTRESOURCEW(i) (reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)
constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return WPARAM(lo) | (WPARAM(hi) << 16); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return LPARAM(DWORD(lo) | (DWORD(hi) << 16)); }

constexpr DWORD RT_DIALOG = 5;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_INVALID_INDEX = 1413;

// ---- window messages ----------------------------------------------------------
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_SETFONT = 0x0030;
constexpr UINT WM_GETFONT = 0x0031;
constexpr UINT WM_KEYF1 = 0x004D;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_HELP = 0x0053;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_GETDLGCODE = 0x0087;
// Answers to WM_GETDLGCODE (lParam: the MSG of the key, or null): the keys
// a control takes for itself instead of the dialog.
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_USER = 0x0400;
// Key state flags of the mouse messages' wParam.
constexpr WPARAM MK_LBUTTON = 0x1;
constexpr WPARAM MK_RBUTTON = 0x2;
constexpr WPARAM MK_SHIFT = 0x4;
constexpr WPARAM MK_CONTROL = 0x8;
// WM_NCHITTEST answers.
constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
// Class styles.
constexpr UINT CS_DBLCLKS = 0x8;
// GetSystemMetrics (the screen's size comes from the machine settings).
constexpr INT SM_CXSCREEN = 0;
constexpr INT SM_CYSCREEN = 1;
constexpr INT SM_CXVSCROLL = 2;
constexpr INT SM_CXHSCROLL = 21;
constexpr INT SM_CXDOUBLECLK = 36;
constexpr INT SM_CYDOUBLECLK = 37;
// Keys the layer's controls and dialogs answer.
constexpr WPARAM VK_LBUTTON = 0x01;
constexpr WPARAM VK_RBUTTON = 0x02;
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_F1 = 0x70;
// A key that carries a character of its own (typed text without a key of its own).
constexpr WPARAM VK_PACKET = 0xE7;
constexpr UINT WM_APP = 0x8000;

// Dialog manager messages.
constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

// ---- window styles ------------------------------------------------------------------
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_CONTROL = 0x400;

// Window slots.
constexpr INT GWLP_WNDPROC = -4;
constexpr INT GWLP_HINSTANCE = -6;
constexpr INT GWLP_HWNDPARENT = -8;
constexpr INT GWLP_ID = -12;
constexpr INT GWL_STYLE = -16;
constexpr INT GWL_EXSTYLE = -20;
constexpr INT GWLP_USERDATA = -21;
// Dialog slots (byte offsets into the dialog's extra words).
constexpr INT DWLP_MSGRESULT = 0;
constexpr INT DWLP_DLGPROC = 8;
constexpr INT DWLP_USER = 16;
constexpr INT DLGWINDOWEXTRA = 24;

constexpr INT SW_HIDE = 0;
constexpr INT SW_SHOWNORMAL = 1;
constexpr INT SW_SHOWNOACTIVATE = 4;
constexpr INT SW_SHOW = 5;

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;

constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

constexpr int IDHELP = 9;

// ---- BUTTON ---------------------------------------------------------------------------
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_NOTIFY = 0x4000;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT BM_GETIMAGE = 0x00F6;
constexpr UINT BM_SETIMAGE = 0x00F7;
constexpr UINT BST_UNCHECKED = 0x0;
constexpr UINT BST_CHECKED = 0x1;
constexpr UINT BST_INDETERMINATE = 0x2;
constexpr UINT BST_PUSHED = 0x4;
constexpr UINT BST_FOCUS = 0x8;
constexpr WORD BN_CLICKED = 0;
constexpr WORD BN_DOUBLECLICKED = 5;
constexpr WORD BN_SETFOCUS = 6;
constexpr WORD BN_KILLFOCUS = 7;

// ---- STATIC ---------------------------------------------------------------------------
constexpr DWORD SS_LEFT = 0x0;
constexpr DWORD SS_CENTER = 0x1;
constexpr DWORD SS_RIGHT = 0x2;
constexpr DWORD SS_ICON = 0x3;
constexpr DWORD SS_OWNERDRAW = 0xD;
constexpr DWORD SS_BITMAP = 0xE;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr UINT STM_SETICON = 0x0170;
constexpr UINT STM_GETICON = 0x0171;
constexpr UINT STM_SETIMAGE = 0x0172;
constexpr UINT STM_GETIMAGE = 0x0173;
constexpr WORD STN_CLICKED = 0;

// ---- EDIT -----------------------------------------------------------------------------
constexpr DWORD ES_LEFT = 0x0;
constexpr DWORD ES_MULTILINE = 0x4;
constexpr DWORD ES_UPPERCASE = 0x8;
constexpr DWORD ES_LOWERCASE = 0x10;
constexpr DWORD ES_PASSWORD = 0x20;
constexpr DWORD ES_AUTOHSCROLL = 0x80;
constexpr DWORD ES_READONLY = 0x800;
constexpr DWORD ES_NUMBER = 0x2000;
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_UPDATE = 0x0400;
constexpr WORD EN_ERRSPACE = 0x0500;
constexpr WORD EN_MAXTEXT = 0x0501;

// ---- LISTBOX --------------------------------------------------------------------------
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_SORT = 0x2;
constexpr DWORD LBS_MULTIPLESEL = 0x8;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x10;
constexpr DWORD LBS_HASSTRINGS = 0x40;
constexpr DWORD LBS_EXTENDEDSEL = 0x800;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SELCANCEL = 3;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

// ---- COMBOBOX -------------------------------------------------------------------------
constexpr DWORD CBS_SIMPLE = 0x1;
constexpr DWORD CBS_DROPDOWN = 0x2;
constexpr DWORD CBS_DROPDOWNLIST = 0x3;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x10;
constexpr DWORD CBS_AUTOHSCROLL = 0x40;
constexpr DWORD CBS_SORT = 0x100;
constexpr DWORD CBS_HASSTRINGS = 0x200;
constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_SETITEMHEIGHT = 0x0153;
constexpr UINT CB_GETITEMHEIGHT = 0x0154;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_EDITUPDATE = 6;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// ---- SCROLLBAR ------------------------------------------------------------------------
constexpr DWORD SBS_HORZ = 0x0;
constexpr DWORD SBS_VERT = 0x1;
constexpr UINT SBM_SETPOS = 0x00E0;
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;
constexpr UINT SBM_GETRANGE = 0x00E3;
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_ENDSCROLL = 8;
constexpr UINT SIF_RANGE = 0x1;
constexpr UINT SIF_PAGE = 0x2;
constexpr UINT SIF_POS = 0x4;
constexpr UINT SIF_TRACKPOS = 0x10;
constexpr UINT SIF_ALL = 0x17;

extern "C" {

// ---- classes and windows ----------------------------------------------------------------
// The classes BUTTON, STATIC, EDIT, LISTBOX, COMBOBOX and SCROLLBAR and the
// dialog class "#32770" are always registered.
ATOM RegisterClassW(const WNDCLASSW* cls);
BOOL UnregisterClassW(LPCWSTR name, HINSTANCE instance);
// menu carries the control id of a child window. Sends WM_NCCREATE and
// WM_CREATE (lParam: a CREATESTRUCTW); FALSE to the first or -1 to the
// second destroys the window and answers null.
HWND CreateWindowExW(DWORD ex_style, LPCWSTR class_name, LPCWSTR text, DWORD style, INT x, INT y, INT width,
                     INT height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Destroys the window, its children and the windows it owns (WM_DESTROY,
// then WM_NCDESTROY, children after their parent gets WM_DESTROY).
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
HWND GetParent(HWND window);
HWND GetWindow(HWND window, UINT relation);
HWND GetAncestor(HWND window, UINT flags);
BOOL IsChild(HWND parent, HWND window);
INT GetClassNameW(HWND window, LPWSTR buffer, INT capacity);
LONG_PTR GetWindowLongPtrW(HWND window, INT index);
LONG_PTR SetWindowLongPtrW(HWND window, INT index, LONG_PTR value);
LONG GetWindowLongW(HWND window, INT index);
LONG SetWindowLongW(HWND window, INT index, LONG value);
BOOL SetWindowTextW(HWND window, LPCWSTR text);
INT GetWindowTextW(HWND window, LPWSTR buffer, INT capacity);
INT GetWindowTextLengthW(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);  // answers whether it was disabled
BOOL IsWindowEnabled(HWND window);
BOOL ShowWindow(HWND window, INT command);    // answers whether it was visible
BOOL IsWindowVisible(HWND window);            // the window and all its parents
// Rectangles in pixels: GetWindowRect in screen coordinates, GetClientRect
// from 0,0 (no frames here: the client area is the window).
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL MoveWindow(HWND window, INT x, INT y, INT width, INT height, BOOL repaint);
// Dialog units to pixels with the dialog's base units (font 8 point: 6 x 13
// pixels per 4 x 8 units).
BOOL MapDialogRect(HWND dialog, RECT* rect);
// InvalidateRect marks the window and the children under the rectangle for
// painting; UpdateWindow sends WM_PAINT to the window and then to each of
// its visible children that needs it (WM_ERASEBKGND from BeginPaint).
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND window);

// ---- messages -------------------------------------------------------------------------
LRESULT SendMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
BOOL PostMessageW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void PostQuitMessage(INT code);
// Sounds nothing here; each beep is logged ("beep").
BOOL MessageBeep(UINT type);
// GetMessageW answers FALSE for WM_QUIT, -1 when the queue is empty and no
// timer is pending (a headless program would wait forever: it is told
// instead). Pending timers move the virtual clock forward to the first one.
BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last);
BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT remove);
LRESULT DispatchMessageW(const MSG* msg);
BOOL TranslateMessage(const MSG* msg);
BOOL IsDialogMessageW(HWND dialog, MSG* msg);
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// ---- timers (virtual clock) -------------------------------------------------------------
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse_ms, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

// ---- mouse and keyboard (src/ui/src/input.cpp) ------------------------------------------
// The visible, enabled window under a point of the screen, deepest child
// first (a child answering HTTRANSPARENT lets the point through to what lies
// beneath it); null over nothing.
HWND WindowFromPoint(POINT point);
// The child of parent (client coordinates) under the point, hidden and
// disabled ones included; parent itself when no child holds it, null
// outside parent.
HWND ChildWindowFromPoint(HWND parent, POINT point);
BOOL ScreenToClient(HWND window, POINT* point);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL GetCursorPos(POINT* point);
// The cursor shape shown; answers the one it replaced.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
UINT GetDoubleClickTime();
INT GetSystemMetrics(INT index);
// Top-level windows by class (ignoring case) and title (null: any). The
// taskbar "Shell_TrayWnd" is the machine's own and is found while the
// machine settings give it a rectangle (GetWindowRect answers it).
HWND FindWindowW(LPCWSTR class_name, LPCWSTR title);
// Help files are not opened on this machine: the call is recorded as
// "WinHelpW window <control id of the window> <file> <command> <data>":
// the control and help id pairs "id:help" of HELP_WM_HELP and
// HELP_CONTEXTMENU up to their 0 end, the number for other commands (a
// context id). Answers TRUE.
constexpr UINT HELP_CONTEXT = 0x0001;
constexpr UINT HELP_CONTEXTMENU = 0x000A;
constexpr UINT HELP_WM_HELP = 0x000C;
BOOL WinHelpW(HWND window, LPCWSTR help_file, UINT command, ULONG_PTR data);
// High bit set while the key (or mouse button) is down, as of the last
// input message taken from the queue.
SHORT GetKeyState(INT key);

// ---- focus and capture -----------------------------------------------------------------
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetActiveWindow(HWND window);
HWND SetCapture(HWND window);
HWND GetCapture();
BOOL ReleaseCapture();

// ---- dialogs --------------------------------------------------------------------------
// Templates are RT_DIALOG resources of a module (see ui/dialog_template.h).
INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR template_name, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR template_name, HWND owner, DLGPROC proc, LPARAM param);
// From a template in memory (the bytes of ui/dialog_template.h).
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* tmpl, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
HWND GetDlgItem(HWND dialog, INT id);
INT GetDlgCtrlID(HWND window);
LRESULT SendDlgItemMessageW(HWND dialog, INT id, UINT message, WPARAM wparam, LPARAM lparam);
BOOL SetDlgItemTextW(HWND dialog, INT id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, INT id, LPWSTR buffer, INT capacity);
BOOL SetDlgItemInt(HWND dialog, INT id, UINT value, BOOL is_signed);
UINT GetDlgItemInt(HWND dialog, INT id, BOOL* translated, BOOL is_signed);
BOOL CheckDlgButton(HWND dialog, INT id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, INT id);
BOOL CheckRadioButton(HWND dialog, INT first, INT last, INT check);
HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);

}  // extern "C"

// ---- layer controls (not part of the Windows surface) ------------------------------------
namespace ui {

// The virtual clock of the timers, in milliseconds. Advancing it posts
// WM_TIMER for every timer that fell due (once per timer, as Windows
// coalesces them) and calls timer procedures when the message is dispatched.
DWORD Now();
void AdvanceClock(DWORD ms);

// The person at the screen. While a modal loop (a modal dialog or a
// property sheet) has nothing to dispatch, it calls the handler with the
// modal window; the handler acts on it (SendMessageW, ClickButton ...) and
// answers true, or answers false when it has nothing more to do. Without a
// handler, or when it answers false, the layer closes the window as the
// Close box does (IDCANCEL) and logs that it did.
using ModalHandler = std::function<bool(HWND modal)>;
void SetModalHandler(ModalHandler handler);
void ClearModalHandler();

// The person's mouse and keyboard. Input is queued in order, each event at
// the virtual time it is given (Idle lets time pass before the next one),
// and taken by the message loops as Windows takes it: a mouse event goes to
// the window with the capture, else to the window under the pointer (hit
// tested by WM_NCHITTEST, with WM_SETCURSOR first); a second press of a
// button within the double-click time and rectangle on a window whose class
// has CS_DBLCLKS arrives as its double click; keys go to the focus window
// (TranslateMessage adds their WM_CHAR, F1 its WM_HELP). A loop with nothing
// to do moves the clock on to the next queued event, so that timers fall due
// while a button is held.
enum class Button { kLeft, kRight };
void MoveMouse(POINT screen);
void PressButton(Button button);
void ReleaseButton(Button button);
// ch is the character the key types (0: none).
void PressKey(WPARAM vk, char16_t ch = 0);
void ReleaseKey(WPARAM vk);
void Idle(DWORD ms);
bool InputPending();
// Runs the messages until the queued input is taken and what it brought
// about is dispatched (a nested message loop, as in a modal loop).
void PlayInput();

// Gestures built on them, played at once. Points are in the window's client
// coordinates. A click is a single click: one that would fall within the
// double-click time of the click before it on the same spot waits that time
// out first. They answer false when the window is not the one under the
// point (hidden, disabled, covered or gone) and then do nothing.
bool Click(HWND window, POINT client, Button button = Button::kLeft);
bool DoubleClick(HWND window, POINT client);
// Press, hold for ms on the virtual clock, release.
bool Hold(HWND window, POINT client, DWORD ms);
// Press at from, move to to (client coordinates of the window), release.
bool Drag(HWND window, POINT from, POINT to);
// The pointer moved onto the point and resting there for the hover time; it
// rests there also when another window lies on top (false then).
bool Hover(HWND window, POINT client);
// A key pressed and released, to the focus window.
void TypeKey(WPARAM vk, char16_t ch = 0);
void TypeChars(const std::u16string& text);
// The centre of a window's client area.
POINT CenterOf(HWND window);

// Acting as the person, through the gestures above: a click on a button, text
// typed into an edit (a click into it, the old text selected and typed over)
// or the edit of a combo box, a list or combo entry chosen (clicked in the
// list; a combo box dropped down first).
bool ClickButton(HWND dialog, INT id);
bool TypeText(HWND dialog, INT id, const std::u16string& text);
bool ChooseItem(HWND dialog, INT id, INT index);
// A scroll bar moved by the person with the mouse: a click on an arrow
// (SB_LINEUP, SB_LINEDOWN) or on the track beside the thumb (SB_PAGEUP,
// SB_PAGEDOWN), or the thumb drawn to a position (SB_THUMBTRACK,
// SB_THUMBPOSITION); the bar tells its parent by WM_HSCROLL or WM_VSCROLL,
// SB_ENDSCROLL last, and the parent sets the position itself.
bool ScrollBar(HWND dialog, INT id, WORD code, INT thumb_position);

// The modal dialogs and sheets running, outermost first: the last one is
// the window the modal handler acts on.
std::vector<HWND> ModalStack();
// Top-level windows alive, oldest first; windows alive in all.
std::vector<HWND> TopLevelWindows();
size_t LiveWindowCount();
// Events the layer logs (dialog closed by the layer, window destroyed at
// exit ...), newest last; cleared by ClearLog.
std::vector<std::string> Log();
void ClearLog();

// One line per window, children indented by two spaces: class, id, quoted
// text, the states (hidden, disabled, focus) and the value of a control:
// check state, selection and entry count, edit text, scroll position.
// note, when given, adds its text (when not empty) to a window's line.
std::string DumpWindowTree(HWND root, const std::function<std::string(HWND)>& note = {});
// Every top-level window in order.
std::string DumpAllWindows();
// The resource id of the template a dialog was made from; 0 for a template
// in memory or a window that is no dialog.
DWORD DialogTemplateId(HWND dialog);

// Destroys every window and timer, empties the queue, clears the log and
// the modal handler (tests, and the end of a host command).
void ResetWindowManager();

}  // namespace ui
