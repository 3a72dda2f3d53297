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

// Spec version by dmSize: 188 -> 0x320, 212 -> 0x400, 220 -> 0x401, any other
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
