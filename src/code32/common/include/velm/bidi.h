// The bidirectional device query: asks the device (through the maker's
// bidirectional library, loaded from the system directory for each query)
// which trays, papers, media, options, memory and device data it has, stores
// the answers in the printer-wide device items 10001-10277, and records that
// it did in printer data BidiFlag / BidiExFlag, or in the printer's section
// of the client ini velmclt.ini for a user who may not write printer data.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// BidiQueryDevice flags.
// The text of the wait dialog shown while a query runs.
constexpr uint32_t kBidiWaitText = 7001;
constexpr uint32_t kBidiProgress = 0x1;
constexpr uint32_t kBidiQuick = 0x2;
constexpr uint32_t kBidiSilent = 0x4;
constexpr uint32_t kBidiAllow9x = 0x8;

// Queries unless done before (flag in the client ini or printer data); 1
// when nothing was needed or queries are not allowed.
int32_t BidiQueryIfNeeded(DriverContext* ctx, HWND parent);
int32_t BidiQuerySilent(DriverContext* ctx);  // 1 done (or nothing to do), 0 failed
int32_t BidiQueryWithProgress(DriverContext* ctx, HWND parent);
// The full query (or the quick one with kBidiQuick) with its bookkeeping;
// 1 on success.
int32_t BidiQueryDevice(DriverContext* ctx, HWND parent, uint32_t flags);
// Device data blocks only, no flags or ini written.
int32_t BidiQueryQuick(DriverContext* ctx, HWND parent);
// Environment item 719 = 1 when queries are allowed, else 0; 1.
int32_t BidiSetSupportFlag(DriverContext* ctx);
// 1 when the library opens a usable device handle for the printer.
int32_t BidiProbe(uint32_t flags, DriverContext* ctx);
// One device session: model check, Begin, then the quick or full steps.
int32_t BidiRunQuery(int32_t os_kind, uint32_t flags, DriverContext* ctx);

// Driver-ini switches of the UI language section: each 1 only when its
// value is exactly 1 (default 1); 0 for a driver ini that is not a full path.
int32_t BidiIsQueryAllowed(DriverContext* ctx);
int32_t BidiIsModelCheckOn(DriverContext* ctx);

// Printer data BidiFlag / BidiExFlag (REG_BINARY, 4 bytes).
int32_t BidiIsFlagSet(DriverContext* ctx);
int32_t BidiGetFlagData(DriverContext* ctx, uint32_t* data);
int32_t BidiSetFlagData(DriverContext* ctx, uint32_t data);
int32_t BidiIsExFlagSet(DriverContext* ctx);
int32_t BidiGetExFlagData(DriverContext* ctx, uint32_t* data);
int32_t BidiSetExFlagData(DriverContext* ctx, uint32_t data);
// 1 when BidiFlag can be read and written back unchanged.
int32_t BidiIsFlagDataUsable(DriverContext* ctx);

// The printer's section of velmclt.ini (common data directory).
int32_t BidiIniLoadSettings(DriverContext* ctx);
int32_t BidiIniLoadSettingsFrom(const char16_t* file, DriverContext* ctx);
int32_t BidiIniSaveSettings(DriverContext* ctx);
int32_t BidiIniDeleteSection(DriverContext* ctx);
int32_t BidiIniHasFlag(DriverContext* ctx);
int32_t BidiIniHasExFlag(DriverContext* ctx);
int32_t BidiIniGetFlag(DriverContext* ctx);
int32_t BidiIniGetExFlag(DriverContext* ctx);
int32_t BidiIniSetFlag(DriverContext* ctx, int32_t flag);
int32_t BidiIniSetExFlag(DriverContext* ctx, int32_t flag);
// Creates velmclt.ini (content CR LF) or gives it the Everyone DACL.
int32_t BidiIniPrepareFile(DriverContext* ctx);

int32_t BidiSetExFlag(DriverContext* ctx);
int32_t BidiGetExFlag(DriverContext* ctx);
// Unless taken over before or a batch-install settings file is named:
// vdmCoverInputTray = 10276 and vdmMPInputTray = 10277.
void BidiApplyDefaultTrays(DriverContext* ctx);
// Warning box with string 7002.
int32_t BidiShowMessage(DriverContext* ctx, HWND parent);

// Code tables of the device answers (first row whose code matches; 0 when
// none). rotated = 1 when the paper code is of the rotated feed.
int32_t BidiMapPaper(int32_t code, int32_t* rotated);
int32_t BidiMapMedia(int32_t code);
uint32_t BidiMapOption(int32_t code);

// The settings of a device tray code; 0 for a code the device query does
// not know.
struct BidiTraySettings {
  uint32_t installed, orientation, paper, media, lock;
  int32_t slot;
};
int32_t BidiGetTraySettings(int32_t code, BidiTraySettings* out);
