// Presets, quality sets, watermark entries and the ten user paper sizes:
// lists kept in the driver ini of the printer, each entry a settings file or
// a settings-file section loaded and saved through the settings-file
// transfers.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct PaperPair;

constexpr int32_t kPresetCacheSlots = 16;
// The preset snapshot cache of a context (entry numbers 0-15): operation 0
// clear, 1 restore, 2 store, 3 free all; 1 only when a restore restored.
constexpr int32_t kPresetCacheClear = 0;
constexpr int32_t kPresetCacheRestore = 1;
constexpr int32_t kPresetCacheStore = 2;
constexpr int32_t kPresetCacheFreeAll = 3;
int32_t PresetCacheControl(DriverContext* ctx, uint32_t key, int32_t operation);
constexpr int32_t kPresetNameChars = 522;
constexpr int32_t kPresetFileNumbers = 10000;
// The scratch watermark entry: saved without changing the count.
constexpr int32_t kStampScratchEntry = 256;
constexpr int32_t kStampMaxCount = 255;
// The most watermark entries the list holds; StampSave refuses to add one more.
constexpr int32_t kStampListCapacity = 32;
constexpr int32_t kFreeSizeSlots = 10;
constexpr int32_t kFreeSizeDefaultWidth = 9921;    // A4 in 1/1200 inch
constexpr int32_t kFreeSizeDefaultLength = 14031;
// The pending-refresh bit that says the user paper sizes are loaded.
constexpr uint32_t kChangeFreeSizesLoaded = 0x4000000;
// The warning shown when a preset file does not fit the model.
constexpr uint32_t kPresetMismatchMessage = 10023;

// ---- preset list ------------------------------------------------------------------------
// Entry keys: "PresetList%d" with "Name" (part 1) or "Comment" (part 2), and
// "QualityList%d"; buffers of at least 32 characters.
void PresetFormatKey(char16_t* buffer, int32_t n, int32_t part);
void PresetFormatQualityKey(char16_t* buffer, int32_t n);
int32_t PresetGetCount(DriverContext* ctx);
int32_t PresetGetQualityCount(DriverContext* ctx);
// The first free "user%04d.qst" of the data directory (522 characters); 0
// with the buffer empty when all 10000 are taken or a new file cannot be
// created (the last error says why). A name no file has yet is reserved by
// creating the file empty, so that no other saver picks it: a save that
// fails drops it with PresetDropNewFile. An empty file is a reserved name.
int32_t PresetMakeNewFileName(DriverContext* ctx, char16_t* buffer);
// Deletes the file at path when it is still empty (a reserved name never
// written); 1 when it was deleted.
int32_t PresetDropNewFile(const char16_t* path);
int32_t PresetIsWritable(DriverContext* ctx, const char16_t* path);
int32_t PresetIsWritableByIndex(DriverContext* ctx, int32_t n);
// The entry's file (part 0), name (1) or comment (2), 522 characters; the
// length read.
int32_t PresetGetEntryText(DriverContext* ctx, int32_t n, int32_t part, char16_t* buffer);

// ---- loading and saving ------------------------------------------------------------------
[[nodiscard]] int32_t PresetLoad(DriverContext* ctx, const char16_t* key);
[[nodiscard]] int32_t PresetLoadByIndex(DriverContext* ctx, int32_t n);
int32_t PresetSave(DriverContext* ctx, const char16_t* key);
int32_t PresetSaveByIndex(DriverContext* ctx, int32_t n);
int32_t PresetSaveSettings(DriverContext* ctx, const char16_t* key);
int32_t PresetSaveSettingsByIndex(DriverContext* ctx, int32_t n);
[[nodiscard]] int32_t PresetLoadQuality(DriverContext* ctx, const char16_t* key);
[[nodiscard]] int32_t PresetLoadQualityByIndex(DriverContext* ctx, int32_t n);
int32_t PresetSaveQuality(DriverContext* ctx, const char16_t* key);
int32_t PresetSaveQualityByIndex(DriverContext* ctx, int32_t n);
int32_t PresetSaveQualitySettings(DriverContext* ctx, const char16_t* key);
int32_t PresetSaveQualitySettingsByIndex(DriverContext* ctx, int32_t n);
[[nodiscard]] int32_t PresetLoadQualityCopy(DriverContext* ctx, const char16_t* key);
[[nodiscard]] int32_t PresetLoadQualityCopyByIndex(DriverContext* ctx, int32_t n);
int32_t PresetRefreshQualities(DriverContext* ctx);

// ---- list edits (entry numbers; every edit frees the preset cache) -----------------------
int32_t PresetSwapValues(DriverContext* ctx, const char16_t* section, const char16_t* key_a, const char16_t* key_b);
int32_t PresetSwapEntries(DriverContext* ctx, int32_t a, int32_t b);
int32_t PresetSetNameComment(DriverContext* ctx, int32_t n, const char16_t* name, const char16_t* comment);
// The first entry named so (case-sensitive), the preferred one when it
// matches too; -1 when none.
int32_t PresetFindByName(DriverContext* ctx, const char16_t* name, int32_t preferred);
// n -1: the later entry of the first pair with equal names. Else the entry
// that edit_text (the name being edited for entry n) duplicates: n when n is
// above 0, that entry when n is 0. -1 when there is no duplicate.
int32_t PresetFindDuplicate(DriverContext* ctx, const char16_t* edit_text, int32_t n);
// Appends an entry (file, name, comment) and raises the count, all or
// nothing, under the driver mutex; entry (may be null) gets its number.
int32_t PresetAddEntry(DriverContext* ctx, const char16_t* file, const char16_t* name, const char16_t* comment,
                       int32_t* entry = nullptr);
int32_t PresetClearList(DriverContext* ctx);
// Removes entry n; the later entries move down one place. The settings file
// stays on disk.
int32_t PresetDeleteEntry(DriverContext* ctx, int32_t n);

// ---- watermarks -----------------------------------------------------------------------------
int32_t StampGetCount(DriverContext* ctx);
int32_t StampWriteCount(DriverContext* ctx, int32_t n);
void StampFormatKey(char16_t* buffer, int32_t n, DriverContext* ctx);
[[nodiscard]] int32_t StampLoadEntry(DriverContext* ctx, const char16_t* section);
int32_t StampSelect(DriverContext* ctx, int32_t id);
int32_t StampSaveEntry(DriverContext* ctx, const char16_t* section);
int32_t StampSave(DriverContext* ctx, int32_t n);
int32_t StampDelete(DriverContext* ctx, int32_t n);

// ---- user paper sizes -----------------------------------------------------------------------
int32_t FreeSizeGetSlotCount(DriverContext* ctx);
void FreeSizeFormatKey(char16_t* buffer, int32_t n, DriverContext* ctx);
[[nodiscard]] int32_t FreeSizeLoadEntry(DriverContext* ctx, const char16_t* section);
[[nodiscard]] int32_t FreeSizeLoadSrcEntry(DriverContext* ctx, const char16_t* section);
[[nodiscard]] int32_t FreeSizeLoadSlot(DriverContext* ctx, int32_t n);
[[nodiscard]] int32_t FreeSizeLoadSrcSlot(DriverContext* ctx, int32_t n);
int32_t FreeSizeSaveEntry(DriverContext* ctx, const char16_t* section);
int32_t FreeSizeSaveSlot(DriverContext* ctx, int32_t n);
int32_t FreeSizeRefreshSlots(DriverContext* ctx);
int32_t FreeSizeSaveAll(DriverContext* ctx);
int32_t FreeSizeReadDefaults(DriverContext* ctx);
void FreeSizeSlotToItems(DriverContext* ctx, int32_t n);
void FreeSizeSlotToSrcItems(DriverContext* ctx, int32_t n);
void FreeSizeItemsToSlot(DriverContext* ctx, int32_t n);
void FreeSizeSrcItemsToSlot(DriverContext* ctx, int32_t n);
// The width and length (0.1 mm) of a user paper code as the graphics library
// lays out the page: a user slot's size from its stored entry, exchanged in
// landscape, when the working DEVMODE announces a paper size other than the
// custom one; otherwise the DEVMODE's own dmPaperWidth and dmPaperLength. 1,
// or 0 without a working DEVMODE.
int32_t FreeSizeGetPaperDims(DriverContext* ctx, int32_t code, PaperPair* out);

// ---- imports and repair ---------------------------------------------------------------------
int32_t InstImportFreeSizes(const char16_t* file, const char16_t* language_section, DriverContext* ctx);
int32_t InstImportStamps(const char16_t* file, const char16_t* language_section, DriverContext* ctx);
int32_t InstLoadDefaultQstSettings(const char16_t* file, const char16_t* language_section, DriverContext* ctx);
int32_t InstRepairLists(DriverContext* ctx);

// The ids of the watermark items (25) and of the user paper-size items (3).
extern const uint16_t StampItemTable[25];
extern const uint16_t FreeSizeItemTable[3];
extern const uint16_t FreeSizeSrcItemTable[3];
