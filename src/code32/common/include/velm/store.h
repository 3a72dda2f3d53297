// Setting-item persistence by store kind, and the font tables kept in
// printer data.
//
// Rows of store 1 in the options block live in printer data under their key;
// rows of store 2 live in the driver ini, section = the printer's name. Every
// save of a group of rows is all or nothing: it answers 0 when any row failed
// and then leaves printer data and the ini as they were (the writes are held
// in a write batch and applied together). Loads go on past a failed row and
// answer 0 at the end.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct SettingRecord;

// Load flags.
constexpr uint32_t kStoreFromClient = 0x10;  // fetch printer data from the terminal-server client
// Save flags.
constexpr uint32_t kStoreDeviceItemsOnly = 0x1;
constexpr uint32_t kStoreAllItems = 0x80000000u;  // no change filter

// ---- loading -----------------------------------------------------------------
// Every region, then the client-ini step; 0 when an item failed.
int32_t StoreLoadAll(DriverContext* ctx);
// which -1: all regions and the font tables; 1: regions 3 and 1; 2: region 2
// and the font tables.
int32_t StoreLoadRegions(HANDLE printer, int32_t which, DriverContext* ctx);
int32_t StoreLoadItems(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags);
// client: the terminal-server client record (flag kStoreFromClient), or null.
int32_t StoreLoadRegionItems(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags, void* client);
// 1 when the value was read (or the row has no key), else 0 and the setting
// unchanged.
int32_t StoreLoadItemFromPrinterData(HANDLE printer, DriverContext* ctx, SettingRecord* row, uint32_t flags,
                                     void* client);
// One row from an ini file (section null: through the profile functions,
// under the row's section or the printer name), or from an in-memory section
// of a settings file with the shared resume offset. The length of the text
// read: 0 when the key is missing or empty (the setting is then unchanged).
int32_t StoreLoadItemFromIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, const char* section,
                             uint32_t* resume);
// The row from printer data under its own item name; 0 without a name.
int32_t StoreLoadItemByName(HANDLE printer, DriverContext* ctx, SettingRecord* row);

// ---- saving ------------------------------------------------------------------
// 1 when the saves of the document and printer sides keep the row: a
// printer-data value of the options block, a driver-ini key of a region, or
// a job-action bit (in the packed action word); the font tables are kept
// apart (StoreSaveFontTables).
int32_t StoreIsSavedItem(const SettingRecord* row);
[[nodiscard]] int32_t StoreSaveRegion(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags);
// The document side (regions 3 and 1), the printer side (region 2 and the
// changed font tables), and the printer set-up (region 2 and the model's
// font tables).
int32_t StoreSaveDocumentRegions(HANDLE printer, DriverContext* ctx);
[[nodiscard]] int32_t StoreSavePrinterSettings(HANDLE printer, DriverContext* ctx);
int32_t StoreInitPrinterSettings(HANDLE printer, DriverContext* ctx);
// Store 1 rows of region 0 or 2 to printer data, store 2 rows to ini_path
// (null: the driver ini); other rows answer 1 untouched.
int32_t StoreSaveItem(HANDLE printer, DriverContext* ctx, SettingRecord* row, const char16_t* ini_path);
[[nodiscard]] int32_t StoreSaveItemToPrinterData(HANDLE printer, DriverContext* ctx, SettingRecord* row);
// One row into an ini file (section null) or into the section buffer of a
// settings file at write_offset (the buffer is zero-filled, so the next
// offset is the length of its text). 1 on success or when the row has no key
// or the path is not a full path.
[[nodiscard]] int32_t StoreSaveItemToIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, char* section,
                           uint32_t write_offset);
[[nodiscard]] int32_t StoreSaveItemByName(HANDLE printer, DriverContext* ctx, SettingRecord* row);
// The job-action word (items 224-239) under vdmAction in the driver ini.
[[nodiscard]] int32_t StoreSaveActionWord(DriverContext* ctx);

// ---- font tables in printer data --------------------------------------------------
// Flags of the writers.
constexpr uint32_t kFontFromModel = 0x1;
constexpr uint32_t kFontChangedOnly = 0x2;
constexpr uint32_t kFontDefaultTable = 0x100;

int32_t StoreLoadFontTables(HANDLE printer, DriverContext* ctx);
int32_t StoreLoadDefaultFontTable(HANDLE printer, DriverContext* ctx);
int32_t StoreFreeFontBlobs(DriverContext* ctx);
[[nodiscard]] int32_t StoreSaveFontTables(HANDLE printer, DriverContext* ctx);
[[nodiscard]] int32_t StoreWriteModelFontTables(HANDLE printer, DriverContext* ctx);
[[nodiscard]] int32_t StoreWriteDeviceFonts(HANDLE printer, DriverContext* ctx, uint32_t flags);
[[nodiscard]] int32_t StoreWriteOptionFonts(HANDLE printer, DriverContext* ctx, uint32_t flags);
[[nodiscard]] int32_t StoreWriteFontSubst(HANDLE printer, DriverContext* ctx, uint32_t flags);
[[nodiscard]] int32_t StoreWriteDefaultFontTables(HANDLE printer, DriverContext* ctx);
// records: count 128-byte substitution records.
[[nodiscard]] int32_t StoreWriteFontTable(HANDLE printer, const uint8_t* records, int32_t count, uint32_t flags);
// 0, a spooler error of a pair that could not be read (its names blank), or
// 8 without a buffer.
int32_t StoreReadFontTableEntries(HANDLE printer, uint8_t* buffer, int32_t count, uint32_t flags);
int32_t StoreDeleteFontTable(HANDLE printer);
void StoreSplitFontTable(const uint8_t* records, uint8_t* true_type, uint8_t* device, int32_t count);
void StoreMergeFontTable(uint8_t* records, const uint8_t* true_type, const uint8_t* device, int32_t count);
int32_t StoreLoadDeviceFonts(HANDLE printer, DriverContext* ctx);
int32_t StoreLoadOptionFonts(HANDLE printer, DriverContext* ctx);
int32_t StoreLoadFontTable(HANDLE printer, DriverContext* ctx);
