// The public DEVMODE (the platform's DEVMODEW) and the fixed places of the
// driver's private header. Sizes are those of the Windows NT family.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plat/wintypes.h"

#pragma pack(push, 2)
struct DEVMODEW {
  WCHAR dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  SHORT dmOrientation;
  SHORT dmPaperSize;
  SHORT dmPaperLength;
  SHORT dmPaperWidth;
  SHORT dmScale;
  SHORT dmCopies;
  SHORT dmDefaultSource;
  SHORT dmPrintQuality;
  SHORT dmColor;
  SHORT dmDuplex;
  SHORT dmYResolution;
  SHORT dmTTOption;
  SHORT dmCollate;
  WCHAR dmFormName[32];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
  DWORD dmICMMethod;
  DWORD dmICMIntent;
  DWORD dmMediaType;
  DWORD dmDitherType;
  DWORD dmReserved1;
  DWORD dmReserved2;
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
#pragma pack(pop)

static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmCollate) == 100);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

namespace dm {
constexpr uint32_t kPublicSize = 220;
constexpr uint32_t kDriverExtra = 1040;
constexpr uint32_t kTotalSize = 1260;
constexpr uint32_t kOptionsSize = 508;
constexpr uint32_t kWorkItemsSize = 2040;
constexpr uint32_t kWorkBufferSize = kTotalSize + kOptionsSize + kWorkItemsSize;
static_assert(kWorkBufferSize == 3808);

// Private header places (offsets from the DEVMODE start).
constexpr uint32_t kSignature = 220;      // "VELM"
constexpr uint32_t kJobLinker = 224;      // item 714
constexpr uint32_t kModelTag = 349;       // "priv"
constexpr uint32_t kPrivateSize = 353;
constexpr uint32_t kPrivateVersion = 357;
constexpr uint32_t kRegion1Offset = 361;  // u16, 0
constexpr uint32_t kRegion2Offset = 363;  // u16, 1260
constexpr uint32_t kRegion3Offset = 365;  // u16, 1768
constexpr uint32_t kPrivateItems = 368;
constexpr uint32_t kEnvironmentFlags = 1241;

// Writes the three region offsets a peer reads from the header (little-endian).
void StampRegionOffsets(uint8_t* devmode);
}  // namespace dm

// ---- versions and conversion -----------------------------------------------------
// A DEVMODE from outside is given with the number of bytes its holder really
// has; sizes it declares beyond them are refused, never read or written.

// dmSpecVersion by dmSize: 188 -> 0x320, 212 -> 0x400, 220 -> 0x401, any other
// size -> the DEVMODE's own dmSpecVersion; 0 for no DEVMODE (or fewer bytes
// than its header).
uint16_t DmGetSpecVersion(const uint8_t* devmode, size_t length);
// Copies the public and the private part of src into dst, each the smaller of
// the two sizes; dst keeps its own sizes and driver version. src must be a
// 220- or 188-byte DEVMODE. Returns the bytes copied, or -1.
int32_t DmCopyDevmodeParts(const uint8_t* src, size_t src_length, uint8_t* dst, size_t dst_length);
// The copy of an input DEVMODE into a working one: any public size; the
// private part only when the input's private size is ours and its driver
// version equals dst's. Returns the bytes copied, or -1.
int32_t DmCopyInputDevmode(const uint8_t* input, size_t input_length, uint8_t* dst, size_t dst_length);
// Fills an output DEVMODE from the working one, in the input's sizes when
// those are smaller. 1 done, 0 copy failed, -1 no output.
int32_t DmCopyToOutput(const uint8_t* working, size_t working_length, const uint8_t* input, size_t input_length,
                       uint8_t* output, size_t output_length);

constexpr uint32_t CDM_CONVERT = 1;
constexpr uint32_t CDM_CONVERT351 = 2;
constexpr uint32_t CDM_DRIVER_DEFAULT = 4;
// The core of DrvConvertDevMode. *size is the output buffer's size in bytes
// and receives the size used or needed. 1 done; 2 the caller builds the
// driver default (or an unknown mode); 0 failure with the last error set.
int32_t DmConvertDevMode(const uint8_t* src, size_t src_length, uint8_t* dst, uint32_t* size, uint32_t mode);

// ---- private header and environment flags ------------------------------------------
struct DriverContext;

// Signature, job-linker mode 0, model tag, private size, version and the
// region offsets.
void DmInitPrivateHeader(uint8_t* devmode, DriverContext* ctx);
// Names, marker and cleared exchange blocks in the context's working DEVMODE.
void DmWritePrivateHeader(DriverContext* ctx);
// 1 when the private header belongs to this driver and model (0 for null).
// devmode must hold at least the 1260 bytes of a whole DEVMODE.
int32_t DmIsCompatible(const uint8_t* devmode);
int32_t DmIsMachineColor(DriverContext* ctx);
// The same mark in a whole DEVMODE of ours (1260 bytes), outside any context.
int32_t DmIsMachineColorMark(const uint8_t* devmode);

// Environment flag bytes 1241-1256 of the working DEVMODE.
#define VELM_DM_FLAG_SETTERS(Name)                       \
  void DmClearFlag##Name(DriverContext* ctx);            \
  void DmSetFlag##Name(DriverContext* ctx);              \
  void DmSetFlag##Name##To(DriverContext* ctx, int32_t value);
#define VELM_DM_FLAG_GETTER(Name) int32_t DmGetFlag##Name(DriverContext* ctx);
VELM_DM_FLAG_SETTERS(UserDefault)
VELM_DM_FLAG_GETTER(UserDefault)
VELM_DM_FLAG_SETTERS(BatchInstallDone)
VELM_DM_FLAG_SETTERS(BatchUserCode)
VELM_DM_FLAG_GETTER(BatchUserCode)
VELM_DM_FLAG_SETTERS(BidiQueried)
VELM_DM_FLAG_GETTER(BidiQueried)
VELM_DM_FLAG_SETTERS(NoPermission)
VELM_DM_FLAG_GETTER(NoPermission)
VELM_DM_FLAG_SETTERS(UIModeChange)
VELM_DM_FLAG_GETTER(UIModeChange)
VELM_DM_FLAG_SETTERS(BidiEnabled)
VELM_DM_FLAG_SETTERS(RemotePrinter)
VELM_DM_FLAG_GETTER(RemotePrinter)
VELM_DM_FLAG_SETTERS(LogCodeUse)
VELM_DM_FLAG_SETTERS(ProviderUcode)
VELM_DM_FLAG_GETTER(ProviderUcode)
VELM_DM_FLAG_SETTERS(JobToolInstalled)
VELM_DM_FLAG_SETTERS(DeviceSheet)
VELM_DM_FLAG_SETTERS(ProviderUcode2)
#undef VELM_DM_FLAG_SETTERS
#undef VELM_DM_FLAG_GETTER
void DmSetOsKindNt4(DriverContext* ctx);
void DmSetOsKindNt5(DriverContext* ctx);
void DmSetOsKind(DriverContext* ctx, int32_t value);
int32_t DmGetOsKind(DriverContext* ctx);
void DmSetFlagTerminalServerTo(DriverContext* ctx, int32_t value);
void DmSetFlagAdministratorTo(DriverContext* ctx, int32_t value);
// The quality-function bit word (items 381-396) at byte 858.
void DmSetQualityFuncBits(DriverContext* ctx, uint16_t bits);
uint16_t DmGetQualityFuncBits(DriverContext* ctx);

// ---- merge of an input DEVMODE and the environment flags ---------------------------
// Merge-mode bits: the caller's DM_* request and the caller itself.
constexpr uint32_t DM_OUT_BUFFER = 2;
constexpr uint32_t DM_IN_PROMPT = 4;
constexpr uint32_t DM_IN_BUFFER = 8;
constexpr uint32_t kMergeCapsQuery = 0x1000000u;
constexpr uint32_t kMergeDocSheet = 0x2000000u;
constexpr uint32_t kMergeDeviceSheet = 0x4000000u;
constexpr uint32_t kMergeQueryPrint = 0x8000000u;
constexpr uint32_t kMergeSettingsFile = 0x10000000u;
constexpr uint32_t kMergeDocNoSheet = 0x20000000u;
constexpr uint32_t kMergeRequestApplied = 0x40000000u;

// Merges an input DEVMODE (input_length: the bytes its holder has) into the
// context's working DEVMODE. 1 done (also when there was nothing to merge),
// 0 failure (out of memory, or the device query a settings request asked
// for failed) with the working DEVMODE as it was.
int32_t DmMergeInput(DriverContext* ctx, const uint8_t* input, size_t input_length, uint32_t mode);
// Fills the 16 environment flag bytes of the working DEVMODE.
void DmSetEnvironmentFlags(DriverContext* ctx);
// The same with the terminal-services answer already asked for this open.
void DmSetEnvironmentFlags(DriverContext* ctx, int32_t terminal_server);
// Mirror items 430-706 (and the reserved bytes) of the DEVMODE := the
// printer-wide items of the options block.
void DmCopyDeviceConfig(DriverContext* ctx);
// In a terminal-services session the job-action bits (224-239) are cleared.
void DmClearTerminalServerActions(DriverContext* ctx, int32_t store);
void DmClearTerminalServerActions(DriverContext* ctx, int32_t store, int32_t terminal_server);

// ---- sizes ------------------------------------------------------------------------------
// The sizes the driver announces, by operating-system family (Windows 9x:
// 148, 1048, 1196, 508, 3744). Buffers are always laid out and allocated as
// on the NT family (dm::kWorkBufferSize); the 9x sizes are answers only.
uint32_t DmGetPublicSize();
uint32_t DmGetDriverExtraSize();
uint32_t DmGetTotalSize();
uint32_t DmGetOptionBlockSize();
uint32_t DmGetWorkBufferSize();

// ---- defaults ---------------------------------------------------------------------------
struct SettingRecord;

// The first working DEVMODE of a context of kind 0-3: the printer's stored
// DEVMODE when it fits (not for kind 3), else the model defaults. A new work
// buffer (MemFree), or null when out of memory; ctx->devmode is unchanged.
uint8_t* DmCreateDefault(DriverContext* ctx, uint32_t kind);
// Resets the working DEVMODE to the model defaults.
void DmSetDefaults(DriverContext* ctx);
// The private header, then every setting to its model default.
void DmApplyItemDefaults(DriverContext* ctx);
// Every work item (region 3) to its model default, then the driver version.
void DmApplyWorkItemDefaults(DriverContext* ctx);
// wdmDriverVersion := the model record's driver version ("3.62").
void DmSetDriverVersionItem(DriverContext* ctx);
// The setting := its model default (OptSetOption).
int32_t OptSetDefault(DriverContext* ctx, SettingRecord* row);

// The printer's stored DEVMODE (PRINTER_INFO_2), read no further than the
// block that holds it. Copy: a DEVMODE of our sizes and a known dmSpecVersion
// copied over the working one, 1 when copied. Load: copied and compatible.
int32_t DmCopyPrinterDevmode(DriverContext* ctx);
int32_t DmLoadPrinterDevmode(DriverContext* ctx);
// Takes the stored DEVMODE over the working one when its sizes and driver
// version equal the working DEVMODE's and it is compatible; 1 when taken.
int32_t DmCopyPrinterDevmodeIfCompatible(DriverContext* ctx);
int32_t DmAdoptPrinterDevmode(DriverContext* ctx);
