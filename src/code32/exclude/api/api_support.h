// Support routines of the settings query library: its built-in tables, the
// interface switches in ini files, printer access, the DEVMODE build steps,
// direct access to the job-information module, file-name and path checks,
// the installed-font check and list queries over the model's features.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plat/wintypes.h"
#include "velm/model_query.h"

struct DriverContext;

// ---- built-in tables -------------------------------------------------------------------
struct ApiValueList {
  uint16_t item;
  uint16_t count;
  const int32_t* values;
};
// The values each watermark item may take; ended by a row with item 0.
const ApiValueList* ApiWatermarkValueLists();
const ApiValueList* ApiFindWatermarkValues(uint32_t item);
// Watermark kinds: 1, 2, 3, 128.
const int32_t* ApiWatermarkKinds(uint32_t* count);

struct ApiDialogBinding {
  uint16_t item;
  uint16_t dialog;
  uint16_t control;
};
// Settings shown by a control of the basic page; ended by item 0.
const ApiDialogBinding* ApiDialogBindings();
constexpr int32_t kApiDefaultInterfaceVersion = 3;

// ---- interface switches ----------------------------------------------------------------
constexpr uint32_t kApiFunc1WatermarkKind128 = 0x1;
constexpr uint32_t kApiFunc1PrintMethod255 = 0x8;
// The driver ini without a context: the model's ini name as is when it
// holds a drive ("X:..."), else the common data directory (the system
// directory before Windows 2000), "\" and the name; 1, or 0 (buffer empty)
// when it does not fit.
int32_t ApiGetDriverIniPathNoCtx(char16_t* buffer, uint32_t capacity);
// An integer of that ini, -1 when missing or when there is no path.
int32_t ApiIniGetIntNoCtx(const char16_t* section, const char16_t* key);
// The driver directory with its trailing backslash; 1, or 0 (buffer empty).
int32_t ApiGetDriverDirectory(HANDLE printer, char16_t* buffer, uint32_t capacity);
// The install-info file (velmsetup.ini); 1, or 0 (buffer empty).
int32_t ApiGetInstallInfoPath(HANDLE printer, char16_t* buffer, uint32_t capacity);
// VELMAPIFunc1 of the install-info file (0 when missing) and-ed with bit.
uint32_t ApiFunc1Has(HANDLE printer, uint32_t bit);

// ---- printer access --------------------------------------------------------------------
// Opens the printer named in the work record as both printer handles of the
// context; 1, or 0.
int32_t ApiOpenPrinter(DriverContext* ctx);
void ApiClosePrinter(DriverContext* ctx);

// ---- DEVMODE build steps ---------------------------------------------------------------
void ApiPrepareDefaultDevmode(DriverContext* ctx);
void ApiSetOsKind(DriverContext* ctx);
void ApiResetDevmodeState(DriverContext* ctx, uint32_t mode);
void ApiApplyUserMacroPlanes(DriverContext* ctx);
void ApiRederivePaper(DriverContext* ctx);
void ApiResetSimplexMargins(DriverContext* ctx);
void ApiClearMargins(DriverContext* ctx);
void ApiClearMarginsIfOff(DriverContext* ctx);
void ApiApplyResolutionRules(DriverContext* ctx);
int32_t ApiResolutionKind(DriverContext* ctx);
int32_t ApiCheckPageDotLimit(DriverContext* ctx);
int32_t ApiNeedsStandardResolution(DriverContext* ctx);
void ApiFixFinishingAfterMerge(DriverContext* ctx);
void ApiMergeKeepCustomPaper(DriverContext* ctx);
// A copy of the whole work buffer (MemFree), or null; ApiRestoreDevmode
// copies it back when restore is non-zero and frees it.
uint8_t* ApiSnapshotDevmode(DriverContext* ctx);
void ApiRestoreDevmode(DriverContext* ctx, uint8_t* snapshot, int32_t restore);
// dmPaperSize from offset 4 of a status record, the public width and length
// from its 32-bit fields at offsets 8 and 12 (left alone beyond 32767).
void ApiSetCustomPaperFromRecord(DriverContext* ctx, const uint8_t* record);

// ---- job information -------------------------------------------------------------------
// The buffer size in bytes the driver keeps for a value of the type.
uint32_t ApiJobInfoTypeBytes(uint32_t type);
// One value of the job-information module into buffer (the type's size);
// 1 when it answered, 0 when it has no value or cannot be reached.
int32_t ApiJobInfoGetText(HANDLE printer, uint32_t type, uint32_t kind, char16_t* buffer);
// 1 only when the module took the value.
int32_t ApiJobInfoPutText(HANDLE printer, uint32_t type, uint32_t kind, const char16_t* text, uint32_t bytes);
void ApiJobInfoRead(DriverContext* ctx, uint32_t mask);
// True when the job-information provider stored the values.
bool ApiJobInfoWrite(DriverContext* ctx, uint32_t mask);

// ---- file names and paths (ANSI, code page of the system) ---------------------------------
bool ApiCheckNameChars(const char* text, bool allow_backslash);
bool ApiIsValidFileName(const char* text);
bool ApiIsValidPathName(const char* text);
const char* ApiGetFileNamePart(const char* path);
const char* ApiGetExtensionPart(const char* path, uint32_t* length);
bool ApiIsOverlayFileName(const char* path);
bool PathIsAbsoluteWide(const char16_t* path);
bool ApiHasChar(const char* text, char c);
bool ApiCheckWatermarkFile(int32_t kind, const char* path);
// The full path of a file that exists or can be created, as ANSI into out
// (260 bytes). What the check creates it removes again; it creates at most
// the file's own folder and never removes a folder that was there before.
bool ApiCheckOverlayPath(const char* path, char* out);

// ---- fonts -------------------------------------------------------------------------------
// A TrueType family of that face name (ANSI) can be drawn on this machine.
bool ApiFontExists(const char* name);

// ---- feature queries -------------------------------------------------------------------
// The feature of a setting: for a setting shown on the basic page, the
// feature of its control unless the rules hide that control; else the
// model's feature of the setting.
MdfItem ApiFindFeatureNode(DriverContext* ctx, uint32_t item);
bool ApiIsFeaturePresent(DriverContext* ctx, uint32_t item);
constexpr uint32_t kApiAvailNotHidden = 1;
constexpr uint32_t kApiAvailNotDisabled = 2;
bool ApiIsItemAvailable(DriverContext* ctx, uint32_t item, uint16_t option, uint32_t flags);
// The option id of the pick-list option whose value is value; 0 for none.
uint16_t ApiFindOptionByValue(DriverContext* ctx, uint32_t item, int32_t value);
// The values of the options the rules do not hide, in option order (out may
// be null, capacity entries at most); the count, or -1 when the setting is
// no pick list, has no options, an option has no value, or all are hidden.
int32_t ApiListShownValues(DriverContext* ctx, uint32_t item, int32_t* out, int32_t capacity);
// The 16-bit values, or the UI names (chars per slot), of a pick list's
// options; with flag 1 only those neither hidden nor disabled. The count,
// or -1 when there are none. out may be null.
constexpr uint32_t kApiListUsableOnly = 1;
int32_t ApiListOptionValues(DriverContext* ctx, uint32_t item, uint16_t* out, uint32_t flags);
int32_t ApiListOptionNames(DriverContext* ctx, uint32_t item, char16_t* out, int32_t chars, uint32_t flags);

struct ApiRange {
  int32_t minimum;
  int32_t maximum;
};
// The numeric records' limits; false when the setting is not numeric (the
// copies fall back to the model record).
bool ApiGetMaxCopies(DriverContext* ctx, ApiRange* out);
bool ApiGetScaleRanges(DriverContext* ctx, ApiRange* horizontal, ApiRange* vertical);
bool ApiGetBindingMarginRanges(DriverContext* ctx, ApiRange* first, ApiRange* second);
bool ApiGetSimplexMarginRanges(DriverContext* ctx, ApiRange* first, ApiRange* second);
int32_t ApiListResolutions(DriverContext* ctx, int32_t* out);
bool ApiIsOverlayAllowed(DriverContext* ctx);
bool ApiIsColourPlaneAllowed(DriverContext* ctx);
bool ApiHasWatermarkSection(DriverContext* ctx);
bool ApiIsTerminalServices(DriverContext* ctx);
int32_t ApiSaveActionItem(DriverContext* ctx, uint32_t item);
// Selects stored watermark entry n with its text items emptied first: an
// entry key read as empty leaves its setting as it was, and an entry with
// an empty text must not show the text of the entry selected before it.
int32_t ApiSelectWatermarkEntry(DriverContext* ctx, int32_t n);

// ---- device state of a query handle ----------------------------------------------------
void ExcRefreshDeviceState(DriverContext* ctx, bool allow_query);
