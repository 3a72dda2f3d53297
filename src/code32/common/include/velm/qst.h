// Settings files: ini-format files of saved setting sets (presets .qst,
// preset files .qsd, quality sets .qsq, installed copies .qsr, bundle
// defaults .qsb, the client ini, velmdev.txt). One transfer moves the chosen
// items between one section of a file and a context, under the driver
// mutex. Text is 8-bit in the ANSI code page, lines end with CR LF.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct SettingRecord;

// Transfer flags; several may be combined.
constexpr uint32_t kQstLoad = 0x1;
constexpr uint32_t kQstSave = 0x2;
constexpr uint32_t kQstPreset = 0x4;          // preset items (saves: with 0x20000 or 0x2000)
constexpr uint32_t kQstLanguage = 0x8;        // language-code section; no settings 1-5; no header
constexpr uint32_t kQstQuality = 0x10;        // quality items; no message; a refused file is rebuilt
constexpr uint32_t kQstStamp = 0x20;          // watermark items; no header
constexpr uint32_t kQstFreeSize = 0x80;       // settings 859-861; no header
constexpr uint32_t kQstDevice = 0x100;        // the bidirectional device items, 10001-10277 included
constexpr uint32_t kQstSrcFreeSize = 0x200;   // settings 862-864; no header
constexpr uint32_t kQstQsdSection = 0x800;    // section VELMQsdSection; preset items
constexpr uint32_t kQstRegion3 = 0x1000;      // work items only
constexpr uint32_t kQstNamedSection = 0x2000; // load: language section, no header test; save: printer name
constexpr uint32_t kQstNoMessage = 0x8000;
constexpr uint32_t kQstUiLanguage = 0x10000;  // saves: the UI language section
constexpr uint32_t kQstDriverFirst = 0x20000; // loads: the driver-name section first; saves with 0x4: preset items

// The settings file's string for a refused header.
constexpr uint32_t kQstMismatchMessage = 10023;

// Load (with the plain-load steps when flags hold no bit but 0x8000) and
// save; 1 on success, 0 when an item failed or the file could not be
// written. A refused header answers 1 and sets the file-mismatch flag.
[[nodiscard]] int32_t QstLoadSettings(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);
[[nodiscard]] int32_t QstSaveSettings(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);
[[nodiscard]] int32_t QstSaveSettingsLocked(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);
int32_t QstTransferSettings(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);

// QstVersion and, unless version_only, QstMachine, QstLanguage, QstOSKind:
// into the section buffer at *write_offset, or (buffer null) into the file.
int32_t QstWriteHeader(const char16_t* path, char* section_buffer, DriverContext* ctx, const char16_t* section,
                       uint32_t* write_offset, int32_t version_only);
// 1 when the transfer may go on. Saves write the header; loads test it
// (section_ptr: the section in memory, null to read through the profile
// functions). A refused header sets the mismatch flag and, with
// show_message, shows the warning.
int32_t QstCheckHeader(const char16_t* path, const char16_t* section, uint32_t flags, int32_t show_message,
                       DriverContext* ctx, const char* section_ptr, char* section_buffer, uint32_t* offset,
                       int32_t by_hundreds);
int32_t QstVersionsMatch(uint32_t a, uint32_t b);
// QstOSKind of the section named by the printer-name cache; 0xFFFF when
// missing.
int32_t QstGetOsKind(const char16_t* path, DriverContext* ctx);

// The device section (VELMPrnSection): settings 10001-10277, then 907-947.
[[nodiscard]] int32_t QstLoadDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx);
[[nodiscard]] int32_t QstSaveDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx);
int32_t QstTransferDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx);
int32_t QstTransferItemRange(const char16_t* path, uint32_t flags, DriverContext* ctx, const char16_t* section,
                             char16_t* key_buffer, uint32_t first, uint32_t last);
[[nodiscard]] int32_t QstSaveDefaultDeviceSection(DriverContext* ctx);
[[nodiscard]] int32_t QstSaveDeviceFile(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);
[[nodiscard]] int32_t QstSaveToDeviceFile(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx);

// Item filters: 1 when the row takes part.
int32_t QstIsUserItem(const SettingRecord* row);
int32_t QstIsPlainLoadItem(const SettingRecord* row);
int32_t QstIsPlainSaveItem(const SettingRecord* row);
int32_t QstIsBidiDeviceItem(const SettingRecord* row);
