// The handlers of single dialogs that the per-dialog special handler hands
// events to, each with the special handler's own arguments (context, dialog,
// item or null, message, wParam, lParam) and answer (1 consumed, 0 not).
#pragma once

#include <cstdint>

#include "plat/fonts.h"
#include "ui2k/controls.h"

// Preset maintenance (1007) and the print-quality page (1006).
int32_t DlgMaintenanceHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                              WPARAM wparam, LPARAM lparam);
int32_t DlgPrintQualityHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                               WPARAM wparam, LPARAM lparam);
// TrueType substitution (1009, 4004).
int32_t DlgTrueTypeHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam);
// The stamp list and the stamp dialogs (1003, 1022, 1023, 1037).
int32_t DlgStampHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                        WPARAM wparam, LPARAM lparam);
// User paper sizes (1017).
int32_t DlgFreeSizeHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam);
// Installed options and trays (1011).
int32_t DlgOptionsHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam);
// The remote destination (1034) and the address list (1035).
int32_t DlgRemoteHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam, LPARAM lparam);
int32_t DlgAddressHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam);
// The remote dialog's OK: 1 when its fields are acceptable (the page
// procedure then stores the current index in setting 242).
int32_t DlgCheckRemoteFields(DriverContext* ctx, DialogRecord* dialog);
// The address dialog's name (2494) and number (2489): 1 when both are
// given and valid, else the focus goes to the first that is not and 0.
int32_t DlgCheckAddressFields(DriverContext* ctx, DialogRecord* dialog);
// A name holds no comma (the address file's separator).
int32_t DlgIsValidName(const char16_t* text);
// A telephone number holds only 0-9 - # * / and U+FF65; the empty text passes.
int32_t DlgIsValidTelNo(const char16_t* text);
// Selects the line combo's entry of exactly that text, else the entry of
// the feature's default option, else entry 0; the combo's setting becomes
// the entry's data, or the default option when the text was not found.
void DlgSelectLineByText(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id, const char16_t* text);
// The address at the work record's current index, or null.
struct CsvRecord* DlgCurrentAddress(DriverContext* ctx);

// ---- the machine's TrueType faces in a list or combo box ----------------------------
// The substitution table holds at most this many pairs (its count is a
// signed 16-bit item).
constexpr int32_t kFontSubstCapacity = 32767;
// What the enumeration fills: the TrueType list 2385 gets "face > device"
// lines; any other list is a combo box that gets the faces, each entry's
// data its own index.
struct DlgFontEnumData {
  DriverContext* ctx;
  DialogItemRecord* item;
  HWND list;
};
// The enumeration callback: TrueType faces only, vertical ('@') faces
// skipped; always goes on.
int DlgFontEnumProc(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM data);
// Enumerates the font families of the desktop's DC into data.
void DlgEnumMachineFonts(DlgFontEnumData* data);
// The lines of the TrueType list whose device font is not the first device
// font become the substitution table, in list order (names cut to 31
// characters); 1 done, 0 out of memory.
int32_t DlgStoreFontTable(DriverContext* ctx, HWND list);
