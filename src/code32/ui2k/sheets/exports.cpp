// The property-sheet exports of VELMPD3, each handing its arguments to its body.
#include "sheets.h"

VELM_EXPORT LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM param) { return UiDevicePropertySheets(info, param); }
VELM_EXPORT LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM param) { return UiDocumentPropertySheets(info, param); }
VELM_EXPORT BOOL PrinterProperties(HWND owner, HANDLE printer) { return UiPrinterProperties(owner, printer); }
VELM_EXPORT LONG DrvDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input, DWORD mode) { return UiDocumentProperties(owner, printer, device, output, input, mode); }
VELM_EXPORT LONG DrvAdvancedDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input) { return UiAdvancedDocumentProperties(owner, printer, device, output, input); }
