// The property-sheet side of the printer interface: the sheet callbacks of
// the printer and document sheets, document properties with and without a
// sheet, and what OK and Apply do to the settings.
#pragma once

#include <cstdint>
#include <vector>

#include "plat/wintypes.h"
#include "ui/compstui.h"
#include "ui2k/pages.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"

struct DriverContext;
struct PRINTER_INFO_2W;

// ---- entry points ------------------------------------------------------------------------
BOOL UiDllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
LONG UiDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM param);
LONG UiDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM param);
BOOL UiPrinterProperties(HWND owner, HANDLE printer);
LONG UiDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input, DWORD mode);
LONG UiAdvancedDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input);

// The sheet callbacks as compstui calls them (the exports).
extern "C" LONG DrvDevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM param);
extern "C" LONG DrvDocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM param);

// ---- pages and sub-dialogs ----------------------------------------------------------------
// The template of a dialog of the table when the UI resource module lacks
// it (laid out from the item catalogue); empty when the module has it.
std::vector<uint8_t> UiMissingPageTemplate(DriverContext* ctx, HMODULE module, const DialogRecord& dialog);
// A page of the dialog as the sheets show it; built holds its template
// while the page is in use.
PROPSHEETPAGEW UiMakePage(DriverContext* ctx, HMODULE module, const DialogRecord& dialog, std::vector<uint8_t>* built);

// ---- helpers -------------------------------------------------------------------------------
// CommonPropertySheetUIW of compstui.dll, loaded for this call only; -1
// (and the callback never runs) when the module or its entry is missing.
LONG UiRunCommonPropertySheet(HWND owner, PFNPROPSHEETUI callback, LPARAM param, DWORD* result);
LONG UiRunDocumentProperties(HWND owner, HANDLE printer, LPWSTR device, DEVMODEW* output, DEVMODEW* input,
                             DWORD mode);
// The DEVMODE size, 1 done, or -1.
LONG UiDocumentPropertiesNoUi(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info, int32_t renamed);

// ---- applying a sheet ---------------------------------------------------------------------
int32_t UiCommitSheet(DriverContext* ctx);
int32_t UiCommitSettings(DriverContext* ctx);
int32_t UiSavePrinterSettings(DriverContext* ctx, int32_t mode);
int32_t UiSaveDocumentSettings(DriverContext* ctx, int32_t mode);
int32_t UiSaveDocumentResult(DriverContext* ctx);
// 0 when the output DEVMODE asked for could not be written (an input of
// sizes no DEVMODE has), else 1.
int32_t UiApplyDocumentResult(DriverContext* ctx);

// The bytes a caller's DEVMODE declares (public and private part), 0 for none.
size_t UiDevmodeLength(const DEVMODEW* devmode);

// ---- installation services the sheets call --------------------------------------------------
// (the set-up and the install check: velm/inst_setup.h; the install-info
// defaults: velm/inst.h)
