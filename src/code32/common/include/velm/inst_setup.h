// Printer set-up and the install check.
//
// InstInitializePrinter prepares a printer for the driver: at the
// installation of a local printer, at the first conversion of its DEVMODE,
// when a connection is added, at the first use of a connection and when a
// terminal-server user's private copies are rebuilt. InstCheckPrinter runs
// before every entry point of the printer-interface library works with a
// printer: it finishes a connection's set-up and keeps each terminal-server
// user's copies of the driver ini and the preset files in step with the
// printer's common copy.
//
// Both take the driver mutex themselves whenever their caller does not hold
// it, so that two processes never run a set-up or a per-user copy at once.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct PRINTER_INFO_2W;

// ---- the set-up sequence -----------------------------------------------------------------

// Set-up types.
constexpr int32_t kSetupDriverDefault = 0;  // DrvConvertDevMode builds the driver default
constexpr int32_t kSetupInitialize = 1;     // PRINTER_EVENT_INITIALIZE or a version change
constexpr int32_t kSetupConnection = 2;     // PRINTER_EVENT_ADD_CONNECTION
constexpr int32_t kSetupUserReload = 6;     // a terminal-server user's private data is rebuilt
constexpr int32_t kSetupFirstUse = 7;       // first use of a connection never set up

// Runs the set-up of the printer. Type 0 with an output buffer of
// out_size bytes also gets the finished DEVMODE, when it fits. Holds the
// driver mutex (recursive: a caller may hold it already) for the whole
// sequence. 1, or 0 when no context could be opened (then nothing changed).
int32_t InstInitializePrinter(HANDLE printer, void* out_devmode, uint32_t out_size, int32_t type);

// The same for a printer that may have been set up by another process
// meanwhile: under the driver mutex the "set up" marker is tested again
// (printer data BatchInstallDone for types 0 and 1, the common driver ini's
// BatchInstallDone for a connection) and the sequence runs only when it is
// not set, or when a set-up begun here never ended (its process was
// killed; printer data InstSetupPending says so). 1 when it ran,
// kSetupAlreadyDone when it did not need to, 0 when no context could be
// opened.
constexpr int32_t kSetupAlreadyDone = 2;
int32_t InstSetUpOnce(HANDLE printer, void* out_devmode, uint32_t out_size, int32_t type);

// Printer data BatchInstallDone (4-byte REG_BINARY).
int32_t InstIsBatchInstallDone(HANDLE printer);
int32_t InstReadBatchInstallDone(HANDLE printer, uint32_t* value, DriverContext* ctx);
int32_t InstWriteBatchInstallDone(HANDLE printer, uint32_t value, DriverContext* ctx);

// 1 when section is given and the key's integer (default 0x7FFF) is neither
// 0x7FFF nor 0.
int32_t InstIniFlagIsSet(const char16_t* ini, const char16_t* section, const char16_t* key);

// The install-info merge keys into the driver ini's printer section. Modes:
// 0 copy from the install-info file's language section, 1 write value under
// DefaultQst, 2 nothing, 3 DefaultQst and BatchInstQst, 4 BatchInstQst (3
// and 4 delete the keys for a null value).
int32_t InstCopyMergeKeys(DriverContext* ctx, int32_t mode, const char16_t* value);

// Carries the printer's data over to its new name when the stored
// PrinterName is missing or differs; 1 when a rename was carried out.
int32_t InstHandlePrinterRename(DriverContext* ctx);

// 1 when printer data ClientName is present and not empty.
int32_t InstCtxHasClientNameData(DriverContext* ctx);
int32_t InstHasClientNameData(HANDLE printer);

// ---- the install check and per-user synchronisation --------------------------------------

// Install types of a terminal-server user.
constexpr uint16_t kInstallNothing = 0;
constexpr uint16_t kInstallFirst = 1;
constexpr uint16_t kInstallUpdate = 2;
constexpr uint16_t kInstallAdminChange = 3;

// Per-user list states.
constexpr int32_t kTsIniCorrected = 0;
constexpr int32_t kTsIniMissingPath = 1;
constexpr int32_t kTsIniNeedsCorrection = 2;
constexpr int32_t kTsIniUnusable = 3;

// Flags bit 0: check a connection's set-up. info null: fetched (level 2).
// 1 when the printer may be used, 0 on failure.
int32_t InstCheckPrinter(HANDLE printer, int32_t flags, const PRINTER_INFO_2W* info);
// InstCheckPrinter with flags 1 and no printer information.
int32_t InstCheckOnOpen(HANDLE printer);
// Re-checks the installed presets once per printer; always 1.
int32_t InstRefreshPresets(DriverContext* ctx, uint8_t request);

int32_t InstCopyPresetFiles(HANDLE printer);
int32_t InstSyncUserSettings(HANDLE printer, int32_t type);
// Mode 0 or 2 the common driver ini (2 also DrvFirstInstTime), 1 the
// per-user one. Does nothing (1) without a terminal server.
int32_t InstWriteInstallRecord(HANDLE printer, uint16_t type, int32_t mode);
int32_t InstQueryInstallType(HANDLE printer, uint16_t* type);
int32_t InstComputeInstallType(HANDLE printer, uint16_t* type, const PRINTER_INFO_2W* info);
int32_t InstGetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info);
int32_t InstCorrectTsIni(HANDLE printer, const PRINTER_INFO_2W* info);
// 0 on success, 1 when a driver-ini path cannot be built.
int32_t InstApplyBatchQst(HANDLE printer, const PRINTER_INFO_2W* info);
// 1 on success or nothing to do, 0 when memory is short.
int32_t InstMigrateLocalLow(HANDLE printer, const PRINTER_INFO_2W* info);

// The local time as the 14 digits of an install record.
void InstFormatTimeStamp(char16_t out[15]);
