// The printer interface's spooler calls: DEVMODE conversion with the
// printer's first-run set-up, the print query, the driver upgrade, and the
// printer and document events. Each export hands its arguments to its body.
#pragma once

#include <cstdint>

#include "plat/fonts.h"
#include "plat/wintypes.h"

#include "plat/winspool.h"

struct DEVMODEW;

// ---- records of the spooler ------------------------------------------------------------
struct DRIVER_UPGRADE_INFO_1W {
  LPWSTR pPrinterName;
  LPWSTR pOldDriverDirectory;
};

// Printer events.
constexpr int32_t PRINTER_EVENT_ADD_CONNECTION = 1;
constexpr int32_t PRINTER_EVENT_DELETE_CONNECTION = 2;
constexpr int32_t PRINTER_EVENT_INITIALIZE = 3;
constexpr int32_t PRINTER_EVENT_DELETE = 4;
constexpr int32_t PRINTER_EVENT_CACHE_REFRESH = 5;

// Document events and their answers.
constexpr int32_t DOCUMENTEVENT_CREATEDCPRE = 1;
constexpr int32_t DOCUMENTEVENT_CREATEDCPOST = 2;
constexpr int32_t DOCUMENTEVENT_RESETDCPRE = 3;
constexpr int32_t DOCUMENTEVENT_RESETDCPOST = 4;
constexpr int32_t DOCUMENTEVENT_STARTDOC = 5;
constexpr int32_t DOCUMENTEVENT_STARTPAGE = 6;
constexpr int32_t DOCUMENTEVENT_ENDPAGE = 7;
constexpr int32_t DOCUMENTEVENT_ENDDOC = 8;
constexpr int32_t DOCUMENTEVENT_ABORTDOC = 9;
constexpr int32_t DOCUMENTEVENT_DELETEDC = 10;
constexpr int32_t DOCUMENTEVENT_UNSUPPORTED = 0;
constexpr int32_t DOCUMENTEVENT_SUCCESS = 1;

// Printer access masks.
constexpr DWORD kAccessUse = 0x20008;        // STANDARD_RIGHTS_READ | PRINTER_ACCESS_USE
constexpr DWORD kAccessAll = 0xF000C;        // PRINTER_ALL_ACCESS
constexpr DWORD kAccessRequired = 0xF0003;   // STANDARD_RIGHTS_REQUIRED | 3
constexpr DWORD kAccessUseOnly = 0x8;        // PRINTER_ACCESS_USE

// ---- bodies --------------------------------------------------------------------------------
BOOL UiConvertDevMode(LPWSTR printer_name, DEVMODEW* input, DEVMODEW* output, LONG* needed, DWORD mode);
BOOL UiDevQueryPrintEx(DEVQUERYPRINT_INFO* info);
BOOL UiUpgradePrinter(DWORD level, BYTE* info);
BOOL UiPrinterEvent(LPWSTR printer_name, INT event, DWORD flags, LPARAM param);
INT UiDocumentEvent(HANDLE printer, HDC dc, INT escape, ULONG in_size, void* in, ULONG out_size, void* out);

// ---- exports ---------------------------------------------------------------------------------
extern "C" {
BOOL DrvConvertDevMode(LPWSTR printer_name, DEVMODEW* input, DEVMODEW* output, LONG* needed, DWORD mode);
BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info);
BOOL DrvUpgradePrinter(DWORD level, BYTE* info);
BOOL DrvPrinterEvent(LPWSTR printer_name, INT event, DWORD flags, LPARAM param);
INT DrvDocumentEvent(HANDLE printer, HDC dc, INT escape, ULONG in_size, void* in, ULONG out_size, void* out);
}

// Export types, for callers that resolve them by name.
using DrvConvertDevModeFn = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using DevQueryPrintExFn = BOOL (*)(DEVQUERYPRINT_INFO*);
using DrvUpgradePrinterFn = BOOL (*)(DWORD, BYTE*);
using DrvPrinterEventFn = BOOL (*)(LPWSTR, INT, DWORD, LPARAM);
using DrvDocumentEventFn = INT (*)(HANDLE, HDC, INT, ULONG, void*, ULONG, void*);
