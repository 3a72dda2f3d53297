// The driver context: the unit of work of every entry point. It binds one
// printer to its own copies of the built-in tables, the model record, the
// compiled model image, the working DEVMODE and the work record.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/settings.h"

struct ModelImage;  // the compiled model description
struct PRINTER_INFO_2W;

// ---- kinds and open flags ------------------------------------------------------
// Kind word: low byte the kind, high byte options.
constexpr uint16_t kKindOptHoldsMutex = 0x100;
constexpr uint16_t kKindOptAdmin = 0x200;
constexpr uint16_t kKindOptMayUseCache = 0x800;
constexpr uint16_t kKindOptIgnoreHandle = 0x1000;

constexpr uint32_t kOpenEntryPoint = 0x80000000u;
constexpr uint32_t kOpenCapability = 0x1000000u;
constexpr uint32_t kOpenDocNoUi = 0x2000000u;
constexpr uint32_t kOpenPdev = 0x20000000u;
constexpr uint32_t kOpenPdevRequest = 0x10000u;  // what the graphics library passes
constexpr uint32_t kOpenExcHandle = 0x100000u;
constexpr uint32_t kOpenDrvHandle = 0x200000u;
constexpr uint32_t kOpenFirstRun = 0x40000u;

// Dispositions of a close.
constexpr uint32_t kCloseToCache = 0;
constexpr uint32_t kCloseKeepFonts = 1;
constexpr uint32_t kCloseToCapsCache = 4;
constexpr uint32_t kCloseDestroy = 5;

// ---- the built-in model record ---------------------------------------------------
struct ModelInfo {
  uint16_t specVersion;    // DC_VERSION
  uint16_t driverVersion;  // DC_DRIVER
  const char16_t* iniFileName;
  const char16_t* spoolDllName;
  uint32_t defaultFields;
  uint16_t maxCopies;     // DC_COPIES
  uint32_t orientation;   // DC_ORIENTATION
  uint32_t defaultResolution;
  // dmOrientation, dmPaperSize, dmPaperLength, dmPaperWidth, dmScale,
  // dmCopies, dmDefaultSource, dmPrintQuality, dmColor, dmDuplex,
  // dmYResolution, dmTTOption, dmCollate
  uint16_t publicDefaults[13];
  const char16_t* defaultFormName;
  uint32_t icmDefaults[4];  // dmICMMethod, dmICMIntent, dmMediaType, dmDitherType
  uint32_t scaleMin, scaleMax;
  uint32_t copiesMin, copiesMax;
  char modelTag[4];
  uint32_t privateVersion;
  uint8_t cdcDefaults[4];
  uint8_t machineId;
  uint8_t modelFlag;
  uint16_t dstResolution[2];
  uint16_t paperSizeDefaults[4];
  uint8_t languageDefaults[3];
  uint8_t extPrintArea;
  uint32_t velmVersion;
  uint32_t installedMemory;
  const char16_t* versionStrings[2];
  const char16_t* fallbackDriverName;
  const char16_t* installInfoName;
  const char16_t* systemDllNames[2];
  const char16_t* resourceDataDll;
  const char16_t* driverVersionText;
  uint32_t settingsFileVersion;
  uint32_t customWidthMin, customWidthMax;    // 1/1200 inch
  uint32_t customLengthMin, customLengthMax;  // 1/1200 inch
};

const ModelInfo& CtxGetBuiltinModelInfo();

// ---- the work record ---------------------------------------------------------------
struct FreeSizeSlot {
  char names[3][64];  // name for applications, name with size, user's name
  int32_t width;      // 1/1200 inch
  int32_t length;
};

// The job-information provider while an operation uses it (velm/jobinfo.h).
struct JobInfoInterface;
struct JobInfoState {
  HMODULE module;
  uint32_t session;  // 0: none open
  void* getEntry;
  void* disposeEntry;
  JobInfoInterface* interface_;
  uint16_t version;  // 0x102 or 0x101
};

// Per-context state. Each area owns its own fields; the order follows the
// record the rest of the driver was designed around.
struct WorkRecord {
  char16_t driverIni[260];
  uint8_t* saveStack[3];
  // sheet
  int32_t permission;
  int32_t documentSheetMode;
  void* sheetCallback;
  HANDLE sheetHandle;
  // evaluator
  int16_t evalTop;
  int32_t* evalStack;  // 256 cells
  // computed condition items: setting-table row of each setting they read,
  // 0 not yet looked up, -1 missing, else the row index + 1
  int16_t computedRows[64];
  int32_t saveOnClose;
  int32_t modified;
  uint16_t kind;
  char16_t helpLanguage[3];
  char16_t driverName[261];
  char16_t scratch[522];
  // cached printer facts
  char16_t printerName[261];
  int32_t remote;  // 0 not asked, 1 remote, 2 local
  int32_t attributesValid;
  uint32_t attributes;
  void* inputDevmode;
  void* outputDevmode;
  FreeSizeSlot freeSizes[10];
  uint32_t savedChangeMasks[3];
  uint32_t changeMask;
  // font-table state: the substitution table in place before the first
  // replacement (a handle) and its count, kept at save-stack depth
  // fontTableKeptDepth; fontTableKept 0 when none is kept
  int32_t fontTableCount;
  uint32_t fontTableBefore;
  int32_t fontTableKept;
  int32_t fontTableKeptDepth;
  // the save stack beyond saveStack[0..2]: pushed states in use, and the
  // older states (oldest first) once more than three are pushed
  int32_t saveDepth;
  struct SavedSettings* saveOverflow;
  uint32_t saveOverflowCount;
  uint32_t saveOverflowCapacity;
  int32_t settingsFileMismatch;
  char16_t installInfo[260];
  char16_t installIni[260];
  char16_t driverDir[522];
  char16_t batchIni[260];
  // installation: 1 when the batch-settings ini supplied the user code in
  // this set-up; the hand-over record taken over from the installer; the
  // model key of the install-info file
  uint32_t batchUserCode;
  uint16_t handOverLanguage;
  uint16_t handOverPaper;
  uint16_t handOverUnit;
  uint16_t handOverCountry;
  uint8_t handOverUserCode;
  uint8_t handOverUserCodeFixed;
  char16_t handOverCode[9];
  char16_t modelKey[33];
  uint32_t mergeMode;
  uint16_t sheetMode;  // 1 document sheet, 2 device sheet
  uint32_t sheetFlags;
  int32_t sheetCommitted;     // set when OK or Apply committed the sheet
  uint8_t* sheetSnapshot;     // the document sheet's DEVMODE as opened (work-buffer size), or null
  HANDLE gdiObjects[2];
  uint8_t* savedDevmode;  // the DEVMODE as it was at the open
  // Kind 0: the settings as this context last read them from or wrote them
  // to the stores; a save writes only the items that differ from it, so
  // that what other processes stored in between stays.
  uint8_t* storedDevmode;
  JobInfoState jobInfo;
  uint16_t kindOptions;
  uint32_t openFlags;
  uint32_t captionStringId;
  // Snapshots of the preset entries 0-15 loaded in this context (null: none).
  uint8_t* presetCache[16];
  // Query handles: the before-change flags of the status items (35 x 64
  // bytes), or null.
  uint8_t* statusBefore;
  // Page engine: the first page initialised in the sheet (0 until then), 1
  // while PSN_APPLY is handled, 1 while a page refresh runs; the hand and
  // pressed-hand cursors and the cursor kept while the hand shows.
  uint16_t firstPageDialog;
  int32_t applying;
  int32_t refreshRunning;
  HANDLE handCursor;
  HANDLE pressedHandCursor;
  HANDLE savedCursor;
  // The numeric edit that last took the focus (its control id, 0 none) and
  // the option its setting held then: a number the rules refuse when the
  // edit loses the focus goes back to it.
  uint16_t numEditControl;
  int32_t numEditOption;
  // The tip of a control: its popup window (null when none), the control
  // id and key (x, y or list index) it shows, the timer that shows it (0
  // when none runs), the control window and the page that owns the timer.
  HWND tipWindow;
  uint16_t tipControl;
  int32_t tipKey;
  uintptr_t tipTimer;
  HWND tipControlWindow;
  HWND tipPage;
  uint16_t tipKind;
  // Preview pictures: the six colour parameters (brightness, contrast,
  // saturation, red, green and blue balance) less 50, so that 0 is neutral;
  // the background colour of placed pictures (0x00BBGGRR) when
  // pictureBackgroundSet, else the button face; the open composition (its
  // flag, memory DC, bitmap and the bitmap that bitmap replaced in the DC);
  // and a caller's DC the pictures are drawn into in place of a window's.
  int32_t colourShift[6];
  uint32_t pictureBackground;
  int32_t pictureBackgroundSet;
  int32_t composing;
  HANDLE composeDc;
  HANDLE composeBitmap;
  HANDLE composeOldBitmap;
  HANDLE previewDc;
  // Settings the preset maintenance dialog leaves for the document page
  // that opened it: {setting-table row, option} pairs ended by row 0, or
  // null. The page applies and frees them when the dialog has closed.
  struct PendingSetting* pendingSettings;
  // The user paper-size dialog: the slot (0-9) its edits write into.
  int32_t freeSizeSlot;
  // The action chosen in the settings-file dialog: 0 none yet, 5001 save,
  // 5002 load, 5003 delete.
  uint16_t fileDialogAction;
  // The address book while a remote or address-list dialog uses it
  // (velm/address_list.h), and the current address: its index among the
  // named entries, -1 for none.
  struct CsvList* addressList;
  int32_t addressIndex;
};

struct PendingSetting {
  int32_t row;
  int32_t option;
};

// One pushed state of the settings beyond the three kept in the work record.
struct SavedSettings {
  uint8_t* buffer;
  uint32_t changeMask;
};

// A table of the blocks that 32-bit setting slots refer to. A stored layout
// keeps 4 bytes for what was a pointer; here it keeps a handle (1-based index)
// into this per-context table.
struct BlobTable {
  void** slots;
  uint32_t capacity;
};

struct DriverContext {
  HANDLE printer;
  HANDLE queryPrinter;
  uint16_t dialogId;
  SettingTable* settings;
  DialogTable* dialogs;  // null in the graphics and query libraries
  const UiSymbolTable* symbols;
  const OptionNameTable* optionNames;
  const MessageNameTable* messages;
  ModelInfo* model;
  uint8_t* devmode;  // working DevmodeWorkBuffer; null for kinds 4-255
  ModelImage* image;
  WorkRecord* work;
  HMODULE uiModule;
  HMODULE bitmapModule;
  BlobTable blobs;
};

// ---- opening and closing -------------------------------------------------------------
DriverContext* CtxOpen(HANDLE printer, HANDLE query, uint32_t open_flags);
DriverContext* CtxOpenKind(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags);
DriverContext* CtxOpenWithPrinterInfo(HANDLE printer, HANDLE query, uint32_t open_flags,
                                      const PRINTER_INFO_2W* info);
DriverContext* CtxOpenWithMode(HANDLE printer, HANDLE query, uint32_t open_flags, uint32_t doc_mode,
                               const PRINTER_INFO_2W* info);
DriverContext* CtxCreate(HANDLE printer, HANDLE query, uint16_t kind_word, uint32_t open_flags,
                         uint32_t doc_mode, const PRINTER_INFO_2W* info);
void CtxClose(DriverContext* ctx);
void CtxCloseAs(DriverContext* ctx, uint32_t disposition);
void CtxDispose(DriverContext* ctx, uint32_t disposition);

void CtxInitCaches();
void CtxSweepCache(int32_t all);
DriverContext* CtxTakeFromCache(HANDLE printer, uint16_t kind_word, uint32_t open_flags, uint32_t doc_mode,
                                const PRINTER_INFO_2W* info);
DriverContext* CtxReleaseToCache(DriverContext* ctx, uint32_t disposition);

int32_t CtxSaveDevmode(DriverContext* ctx);
int32_t CtxFreeSavedFontTables(DriverContext* ctx);

uint8_t* CtxGetDevmode(DriverContext* ctx);
uint8_t* CtxGetPrivateDevmode(DriverContext* ctx);
uint8_t* CtxGetPrivateHeader(DriverContext* ctx);
uint8_t* CtxGetOptionBlock(DriverContext* ctx);
uint8_t* DmGetPrivateStart(uint8_t* devmode);
DriverContext* CtxGetTemplate();

// The process-wide first-run flag (set while a printer's first-run set-up runs).
void CtxSetFirstRun(uint32_t value);
uint32_t CtxGetFirstRun();

// Blocks referred to by 32-bit handles in setting slots.
uint32_t CtxBlobAdd(DriverContext* ctx, void* block);
void* CtxBlobGet(DriverContext* ctx, uint32_t handle);
// Frees the block (MemFree) and empties the slot.
void CtxBlobFree(DriverContext* ctx, uint32_t handle);
// Exchanges the blocks of two handles (both must be live); false otherwise.
bool CtxBlobSwap(DriverContext* ctx, uint32_t a, uint32_t b);
