// Setting-item persistence by store kind: the reads and writes of one
// setting row in an ini file or an in-memory settings-file section, and the
// saves of the stored settings of a context.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct SettingRecord;

// One row into an ini file (section null: through the profile functions,
// under the row's section or the printer name) or into the section buffer of
// a settings file at write_offset (the buffer is zero-filled, so the next
// offset is the length of its text). 1 on success or when the row has no key
// or the path is not a full path.
int32_t StoreSaveItemToIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, char* section,
                           uint32_t write_offset);
// One row from an ini file, or from an in-memory section with the shared
// resume offset. The length of the text read: 0 when the key is missing or
// empty (the setting is then unchanged).
int32_t StoreLoadItemFromIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, const char* section,
                             uint32_t* resume);
// The document side (regions 3 and 1) and the printer side (region 2 and the
// font tables) of the stored settings.
int32_t StoreSaveDocumentRegions(HANDLE printer, DriverContext* ctx);
int32_t StoreSavePrinterSettings(HANDLE printer, DriverContext* ctx);
