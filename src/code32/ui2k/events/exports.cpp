// The spooler exports of VELMPD3, each handing its arguments to its body.
#include "events.h"

VELM_EXPORT BOOL DrvConvertDevMode(LPWSTR printer_name, DEVMODEW* input, DEVMODEW* output, LONG* needed, DWORD mode) { return UiConvertDevMode(printer_name, input, output, needed, mode); }
VELM_EXPORT BOOL DevQueryPrintEx(DEVQUERYPRINT_INFO* info) { return UiDevQueryPrintEx(info); }
VELM_EXPORT BOOL DrvUpgradePrinter(DWORD level, BYTE* info) { return UiUpgradePrinter(level, info); }
VELM_EXPORT BOOL DrvPrinterEvent(LPWSTR printer_name, INT event, DWORD flags, LPARAM param) { return UiPrinterEvent(printer_name, event, flags, param); }
VELM_EXPORT INT DrvDocumentEvent(HANDLE printer, HDC dc, INT escape, ULONG in_size, void* in, ULONG out_size, void* out) { return UiDocumentEvent(printer, dc, escape, in_size, in, out_size, out); }
