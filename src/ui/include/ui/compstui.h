// The common property sheets of the emulated machine ("compstui.dll") and
// the printer-driver UI structures handed through them.
#pragma once

#include "ui/prsht.h"

struct PROPSHEETUI_INFO;
using PFNCOMPROPSHEET = LONG_PTR (*)(HANDLE sheet, UINT function, LPARAM param1, LPARAM param2);
using PFNPROPSHEETUI = LONG (*)(PROPSHEETUI_INFO* info, LPARAM param);

// Reasons of the sheet callbacks.
constexpr WORD PROPSHEETUI_REASON_INIT = 0;
constexpr WORD PROPSHEETUI_REASON_GET_INFO_HEADER = 1;
constexpr WORD PROPSHEETUI_REASON_DESTROY = 2;
constexpr WORD PROPSHEETUI_REASON_SET_RESULT = 3;
constexpr WORD PROPSHEETUI_REASON_GET_ICON = 4;

struct PROPSHEETUI_INFO {
  WORD cbSize;
  WORD Version;
  WORD Flags;
  WORD Reason;
  HANDLE hComPropSheet;
  PFNCOMPROPSHEET pfnComPropSheet;
  LPARAM lParamInit;
  ULONG_PTR UserData;
  ULONG_PTR Result;
};

constexpr WORD PSUIHDRF_OBSOLETE = 0x1;
constexpr WORD PSUIHDRF_NOAPPLYNOW = 0x2;
constexpr WORD PSUIHDRF_PROPTITLE = 0x4;
constexpr WORD PSUIHDRF_USEHICON = 0x8;

struct PROPSHEETUI_INFO_HEADER {
  WORD cbSize;
  WORD Flags;
  LPWSTR pTitle;
  HWND hWndParent;
  HINSTANCE hInst;
  ULONG_PTR IconID;  // or the icon handle with PSUIHDRF_USEHICON
};

struct SETRESULT_INFO {
  WORD cbSize;
  WORD wReserved;
  HANDLE hSetResult;
  LRESULT Result;
};

// Functions of pfnComPropSheet.
constexpr UINT CPSFUNC_ADD_HPROPSHEETPAGE = 0;
constexpr UINT CPSFUNC_ADD_PROPSHEETPAGEW = 1;
constexpr UINT CPSFUNC_ADD_PFNPROPSHEETUIW = 5;
constexpr UINT CPSFUNC_DELETE_HCOMPROPSHEET = 6;
constexpr UINT CPSFUNC_SET_HSTARTPAGE = 7;
constexpr UINT CPSFUNC_GET_PAGECOUNT = 8;
constexpr UINT CPSFUNC_SET_RESULT = 9;

// Errors CommonPropertySheetUIW answers.
constexpr LONG ERR_CPSUI_GETLASTERROR = -1;
constexpr LONG ERR_CPSUI_ALLOCMEM_FAILED = -2;
constexpr LONG ERR_CPSUI_INTERNAL_ERROR = -10;

// What CommonPropertySheetUIW answers besides the errors.
constexpr LONG CPSUI_CANCEL = 0;
constexpr LONG CPSUI_OK = 1;

// The printer sheet's lParamInit.
constexpr WORD DPS_NOPERMISSION = 0x1;
struct DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
};

// The document sheet's lParamInit and the argument of the no-sheet call.
struct DEVMODEW;
struct DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  DEVMODEW* pdmIn;
  DEVMODEW* pdmOut;
  DWORD cbOut;
  DWORD fMode;
};

// fMode bits.
constexpr DWORD DM_UPDATE = 0x1;
constexpr DWORD DM_COPY = 0x2;
constexpr DWORD DM_PROMPT = 0x4;
constexpr DWORD DM_MODIFY = 0x8;
constexpr DWORD DM_ADVANCED = 0x10;
constexpr DWORD DM_NOPERMISSION = 0x20;
constexpr DWORD DM_USER_DEFAULT = 0x40;

// Entry point of compstui.dll, looked up by name by its callers. Runs the
// callback's INIT (which adds the pages through pfnComPropSheet), asks for
// GET_INFO_HEADER, shows the sheet modally, hands the result to SET_RESULT
// and ends with DESTROY. Answers CPSUI_OK or CPSUI_CANCEL (result out: the
// Result the callback left), or an ERR_CPSUI_* value.
using CommonPropertySheetUIWProc = LONG (*)(HWND owner, PFNPROPSHEETUI callback, LPARAM param, DWORD* result);
