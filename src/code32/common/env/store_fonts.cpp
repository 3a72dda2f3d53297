// The font tables of a printer in printer data: the device fonts, the option
// (cartridge) fonts and the TrueType-to-device substitution table, with the
// model's default substitution table. In a context they are blocks in the
// context's handle table, held by the items 10004-10009.
#include <cstring>

#include "plat/batch.h"
#include "plat/kernel.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/printer_data.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {
constexpr uint32_t kNameBytes = 64;
constexpr uint32_t kSubstBytes = 128;
constexpr uint32_t kDeviceFontBytes = 68;
constexpr DWORD kNoMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr DWORD kWrongSize = 13;  // ERROR_INVALID_DATA

struct FontList {
  uint32_t countId;
  uint32_t tableId;
  const char16_t* countName;
  const char16_t* arrayName;
  DeviceFontEntry* (*fromModel)(DriverContext*, uint32_t*);
};
constexpr FontList kDeviceFonts = {setting::vdmDeviceFontNum, setting::vdmDeviceFont, u"DeviceFontNum", u"DeviceFont", MdfGetDeviceFontList};
constexpr FontList kOptionFonts = {setting::vdmOptionFontNum, setting::vdmOptionFont, u"OptionFontNum", u"OptionFont", MdfGetFontCartridgeList};

enum class Wrote { kWrote, kNothing, kFailed };

DWORD GetValue(HANDLE printer, const char16_t* name, void* buffer, uint32_t size, DWORD* needed) {
  std::u16string n = name;
  DWORD type = 0;
  *needed = 0;
  return GetPrinterDataW(printer, n.data(), &type, static_cast<BYTE*>(buffer), size, needed);
}

// A value of exactly size bytes; the error otherwise (ERROR_INVALID_DATA for
// a value of another size).
DWORD ReadExact(HANDLE printer, const char16_t* name, void* buffer, uint32_t size) {
  DWORD needed = 0;
  DWORD r = GetValue(printer, name, buffer, size, &needed);
  if (r == ERROR_SUCCESS && needed != size) return kWrongSize;
  return r;
}

// A 2-byte count; -1 when missing, -2 when it cannot be read.
int32_t ReadCount(HANDLE printer, const char16_t* name) {
  uint16_t count = 0;
  DWORD r = ReadExact(printer, name, &count, 2);
  if (r == ERROR_FILE_NOT_FOUND) return -1;
  return r == ERROR_SUCCESS ? int32_t(count) : -2;
}

bool WriteCount(HANDLE printer, const char16_t* name, uint32_t count) {
  uint16_t v = uint16_t(count);
  return SplSetPrinterDataBinary(printer, &v, 2, name) != 0;
}

bool Delete(HANDLE printer, const char16_t* name) {
  std::u16string n = name;
  DWORD r = DeletePrinterDataW(printer, n.data());
  return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

void PairName(char16_t* out, bool true_type, int32_t i, uint32_t flags) {
  const char16_t* fmt = (flags & kFontDefaultTable) ? (true_type ? u"TTFontDefTable%d" : u"DevFontDefTable%d")
                                                    : (true_type ? u"TTFontTable%d" : u"DevFontTable%d");
  plat::WFormat(out, 32, fmt, int(i));
}

// Items of a table: count and the handle of its block.
uint32_t CountOf(DriverContext* ctx, uint32_t count_id) { return uint16_t(OptGetValueById(ctx, count_id)); }
void* BlockOf(DriverContext* ctx, uint32_t table_id) { return CtxBlobGet(ctx, uint32_t(OptGetValueById(ctx, table_id))); }
void* SavedBlockOf(DriverContext* ctx, uint32_t table_id) {
  return CtxBlobGet(ctx, uint32_t(OptGetSavedValueById(ctx, table_id)));
}

// Frees a table's block and empties its items.
void FreeTable(DriverContext* ctx, uint32_t count_id, uint32_t table_id) {
  if (!ctx || !ctx->devmode) return;
  CtxBlobFree(ctx, uint32_t(OptGetValueById(ctx, table_id)));
  OptSetValueById(ctx, table_id, 0);
  OptSetValueById(ctx, count_id, 0);
}

// Gives the block to the context and sets the items; false (block freed)
// when the handle table cannot take it.
bool InstallTable(DriverContext* ctx, uint32_t count_id, uint32_t table_id, void* block, uint32_t count) {
  uint32_t handle = CtxBlobAdd(ctx, block);
  if (!handle) {
    MemFree(block);
    return false;
  }
  OptSetValueById(ctx, table_id, int32_t(handle));
  OptSetValueById(ctx, count_id, int32_t(count));
  return true;
}

// True when the working table equals the saved DEVMODE's copy.
bool SameAsSaved(DriverContext* ctx, uint32_t count_id, uint32_t table_id, const void* table, uint32_t count,
                 uint32_t entry_bytes) {
  if (uint16_t(OptGetSavedValueById(ctx, count_id)) != count) return false;
  const void* saved = SavedBlockOf(ctx, table_id);
  if (count == 0) return true;
  return saved && table && std::memcmp(saved, table, size_t(count) * entry_bytes) == 0;
}

Wrote WriteFontList(HANDLE printer, DriverContext* ctx, uint32_t flags, const FontList& list) {
  if (!ctx) return Wrote::kFailed;
  uint32_t count = 0;
  DeviceFontEntry* model = nullptr;
  const void* table = nullptr;
  if (flags & kFontFromModel) {
    model = list.fromModel(ctx, &count);
    table = model;
  } else if (ctx->devmode) {
    count = CountOf(ctx, list.countId);
    table = BlockOf(ctx, list.tableId);
  }
  Wrote result = Wrote::kNothing;
  const size_t bytes = size_t(count) * kDeviceFontBytes;
  if (table && count && (!ctx->devmode || GlobalSize(const_cast<void*>(table)) >= bytes)) {
    bool write = ctx->work->kind != 0 || !(flags & kFontChangedOnly) ||
                 !SameAsSaved(ctx, list.countId, list.tableId, table, count, kDeviceFontBytes);
    if (write) {
      // The array first and its count last.
      plat::WriteBatchBegin();
      bool ok = SplSetPrinterDataBinary(printer, table, uint32_t(bytes), list.arrayName) &&
                WriteCount(printer, list.countName, count);
      result = plat::WriteBatchEnd(ok) ? Wrote::kWrote : Wrote::kFailed;
    }
  }
  MemFree(model);
  return result;
}

int32_t LoadFontList(HANDLE printer, DriverContext* ctx, const FontList& list) {
  if (!ctx || !ctx->devmode || !ctx->work) return 0;
  FreeTable(ctx, list.countId, list.tableId);
  int32_t count = ReadCount(printer, list.countName);
  if (count == -1) {
    // A printer without the list gets the model's first.
    Wrote w = WriteFontList(printer, ctx, kFontFromModel, list);
    if (w == Wrote::kNothing) return 1;
    if (w == Wrote::kFailed) return 0;
    count = ReadCount(printer, list.countName);
  }
  if (count <= 0) return 0;
  const uint32_t bytes = uint32_t(count) * kDeviceFontBytes;
  void* block = MemAllocZeroed(bytes);
  if (!block) return 0;
  // The array must hold exactly count records; any other size drops the list.
  if (ReadExact(printer, list.arrayName, block, bytes) != ERROR_SUCCESS) {
    MemFree(block);
    return 0;
  }
  return InstallTable(ctx, list.countId, list.tableId, block, uint32_t(count)) ? 1 : 0;
}

}  // namespace

void StoreSplitFontTable(const uint8_t* records, uint8_t* true_type, uint8_t* device, int32_t count) {
  if (!records || !true_type || !device) return;
  for (int32_t i = 0; i < count; ++i) {
    std::memcpy(true_type + size_t(i) * kNameBytes, records + size_t(i) * kSubstBytes, kNameBytes);
    std::memcpy(device + size_t(i) * kNameBytes, records + size_t(i) * kSubstBytes + kNameBytes, kNameBytes);
  }
}

void StoreMergeFontTable(uint8_t* records, const uint8_t* true_type, const uint8_t* device, int32_t count) {
  if (!records || !true_type || !device) return;
  for (int32_t i = 0; i < count; ++i) {
    std::memcpy(records + size_t(i) * kSubstBytes, true_type + size_t(i) * kNameBytes, kNameBytes);
    std::memcpy(records + size_t(i) * kSubstBytes + kNameBytes, device + size_t(i) * kNameBytes, kNameBytes);
  }
}

int32_t StoreReadFontTableEntries(HANDLE printer, uint8_t* buffer, int32_t count, uint32_t flags) {
  if (!buffer) return int32_t(kNoMemory);
  if (count <= 0) return 0;
  auto* tt = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kNameBytes));
  auto* dev = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kNameBytes));
  if (!tt || !dev) {
    MemFree(tt);
    MemFree(dev);
    return int32_t(kNoMemory);
  }
  DWORD result = 0;
  for (int32_t i = 1; i <= count; ++i) {
    char16_t name[32];
    uint8_t* a = tt + size_t(i - 1) * kNameBytes;
    uint8_t* b = dev + size_t(i - 1) * kNameBytes;
    DWORD needed = 0;
    PairName(name, true, i, flags);
    DWORD ra = GetValue(printer, name, a, kNameBytes, &needed);
    PairName(name, false, i, flags);
    DWORD rb = GetValue(printer, name, b, kNameBytes, &needed);
    if (ra != ERROR_SUCCESS || rb != ERROR_SUCCESS) {
      std::memset(a, 0, kNameBytes);
      std::memset(b, 0, kNameBytes);
      result = rb != ERROR_SUCCESS ? rb : ra;
    }
  }
  StoreMergeFontTable(buffer, tt, dev, count);
  MemFree(tt);
  MemFree(dev);
  return int32_t(result);
}

int32_t StoreDeleteFontTable(HANDLE printer) {
  int32_t last = ReadCount(printer, u"LastFontTableNum");
  bool ok = true;
  for (int32_t i = 1; i <= last; ++i) {
    char16_t name[32];
    PairName(name, true, i, 0);
    ok = Delete(printer, name) && ok;
    PairName(name, false, i, 0);
    ok = Delete(printer, name) && ok;
  }
  return ok ? 1 : 0;
}

int32_t StoreWriteFontTable(HANDLE printer, const uint8_t* records, int32_t count, uint32_t flags) {
  if (count < 0 || (count > 0 && !records)) return 0;
  plat::WriteBatchBegin();
  bool ok = true;
  if (count > 0) {
    auto* tt = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kNameBytes));
    auto* dev = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kNameBytes));
    ok = tt && dev;
    if (ok) StoreSplitFontTable(records, tt, dev, count);
    for (int32_t i = 1; ok && i <= count; ++i) {
      char16_t name[32];
      PairName(name, true, i, flags);
      ok = SplSetPrinterDataBinary(printer, tt + size_t(i - 1) * kNameBytes, kNameBytes, name) != 0;
      PairName(name, false, i, flags);
      ok = ok && SplSetPrinterDataBinary(printer, dev + size_t(i - 1) * kNameBytes, kNameBytes, name) != 0;
    }
    MemFree(tt);
    MemFree(dev);
  }
  if (!(flags & kFontDefaultTable) && !LibGetBuild().keepOldFontPairs) {
    // Numbered pairs of an older, longer table go. (The query library leaves
    // them: past the count written below, no reader looks at them.)
    int32_t last = ReadCount(printer, u"LastFontTableNum");
    for (int32_t i = count + 1; ok && i <= last; ++i) {
      char16_t name[32];
      PairName(name, true, i, 0);
      ok = Delete(printer, name);
      PairName(name, false, i, 0);
      ok = ok && Delete(printer, name);
    }
  }
  ok = ok && WriteCount(printer, (flags & kFontDefaultTable) ? u"DefFontTableNum" : u"LastFontTableNum", uint32_t(count));
  return plat::WriteBatchEnd(ok) ? 1 : 0;
}

int32_t StoreWriteFontSubst(HANDLE printer, DriverContext* ctx, uint32_t flags) {
  if (!ctx || !ctx->work) return 0;
  uint32_t count = 0;
  FontSubstEntry* model = nullptr;
  const uint8_t* table = nullptr;
  if (flags & kFontFromModel) {
    model = MdfGetFontTable(ctx, &count);
    if (!model || count == 0) {
      MemFree(model);
      return 1;  // the model has none: nothing to write
    }
    table = reinterpret_cast<const uint8_t*>(model);
  } else {
    if (!ctx->devmode) return 0;
    count = CountOf(ctx, setting::vdmFontTableNum);
    table = static_cast<const uint8_t*>(BlockOf(ctx, setting::vdmFontTable));
    if (count && (!table || GlobalSize(const_cast<uint8_t*>(table)) < size_t(count) * kSubstBytes)) count = 0;
  }
  int32_t ok = 1;
  if (flags & kFontDefaultTable) {
    ok = StoreWriteFontTable(printer, table, int32_t(count), kFontDefaultTable);
  } else if (ctx->work->kind != 0 || !(flags & kFontChangedOnly) || !ctx->devmode ||
             !SameAsSaved(ctx, setting::vdmFontTableNum, setting::vdmFontTable, table, count, kSubstBytes)) {
    // The pairs first, the count that makes them valid last; an empty table
    // is written as a count of 0 and no pairs.
    plat::WriteBatchBegin();
    bool wrote = StoreWriteFontTable(printer, table, int32_t(count), 0) && WriteCount(printer, u"FontTableNum", count);
    ok = plat::WriteBatchEnd(wrote) ? 1 : 0;
  }
  MemFree(model);
  return ok;
}

int32_t StoreWriteDeviceFonts(HANDLE printer, DriverContext* ctx, uint32_t flags) {
  return WriteFontList(printer, ctx, flags, kDeviceFonts) == Wrote::kWrote ? 1 : 0;
}

int32_t StoreWriteOptionFonts(HANDLE printer, DriverContext* ctx, uint32_t flags) {
  return WriteFontList(printer, ctx, flags, kOptionFonts) == Wrote::kWrote ? 1 : 0;
}

int32_t StoreWriteDefaultFontTables(HANDLE printer, DriverContext* ctx) {
  if (ReadCount(printer, u"DefFontTableNum") >= 0) return 1;
  return StoreWriteFontSubst(printer, ctx, kFontDefaultTable | kFontFromModel);
}

int32_t StoreLoadDeviceFonts(HANDLE printer, DriverContext* ctx) { return LoadFontList(printer, ctx, kDeviceFonts); }

int32_t StoreLoadOptionFonts(HANDLE printer, DriverContext* ctx) { return LoadFontList(printer, ctx, kOptionFonts); }

namespace {
int32_t LoadSubstTable(HANDLE printer, DriverContext* ctx, uint32_t flags) {
  if (!ctx || !ctx->devmode || !ctx->work) return 0;
  FreeTable(ctx, setting::vdmFontTableNum, setting::vdmFontTable);
  const char16_t* count_name = (flags & kFontDefaultTable) ? u"DefFontTableNum" : u"FontTableNum";
  int32_t count = ReadCount(printer, count_name);
  if (count == -1) {
    if (!StoreWriteFontSubst(printer, ctx, kFontFromModel | (flags & kFontDefaultTable))) return 0;
    count = ReadCount(printer, count_name);
    if (count == -1) return 1;  // the model has no table
  }
  if (count < 0) return 0;
  if (count == 0) return 1;
  auto* block = static_cast<uint8_t*>(MemAllocZeroed(size_t(count) * kSubstBytes));
  if (!block) return 0;
  // A table with a pair missing is dropped as a whole.
  if (StoreReadFontTableEntries(printer, block, count, flags) != 0) {
    MemFree(block);
    return 0;
  }
  return InstallTable(ctx, setting::vdmFontTableNum, setting::vdmFontTable, block, uint32_t(count)) ? 1 : 0;
}
}  // namespace

int32_t StoreLoadFontTable(HANDLE printer, DriverContext* ctx) { return LoadSubstTable(printer, ctx, 0); }

int32_t StoreLoadDefaultFontTable(HANDLE printer, DriverContext* ctx) {
  return LoadSubstTable(printer, ctx, kFontDefaultTable);
}

int32_t StoreLoadFontTables(HANDLE printer, DriverContext* ctx) {
  int32_t a = StoreLoadDeviceFonts(printer, ctx);
  int32_t b = StoreLoadOptionFonts(printer, ctx);
  int32_t c = StoreLoadFontTable(printer, ctx);
  return a && b && c ? 1 : 0;
}

int32_t StoreFreeFontBlobs(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return 1;
  FreeTable(ctx, kDeviceFonts.countId, kDeviceFonts.tableId);
  FreeTable(ctx, kOptionFonts.countId, kOptionFonts.tableId);
  FreeTable(ctx, setting::vdmFontTableNum, setting::vdmFontTable);
  return 1;
}

int32_t StoreSaveFontTables(HANDLE printer, DriverContext* ctx) {
  plat::WriteBatchBegin();
  bool ok = WriteFontList(printer, ctx, kFontChangedOnly, kDeviceFonts) != Wrote::kFailed &&
            WriteFontList(printer, ctx, kFontChangedOnly, kOptionFonts) != Wrote::kFailed &&
            StoreWriteFontSubst(printer, ctx, kFontChangedOnly);
  return plat::WriteBatchEnd(ok) ? 1 : 0;
}

int32_t StoreWriteModelFontTables(HANDLE printer, DriverContext* ctx) {
  plat::WriteBatchBegin();
  bool ok = WriteFontList(printer, ctx, kFontFromModel, kDeviceFonts) != Wrote::kFailed &&
            WriteFontList(printer, ctx, kFontFromModel, kOptionFonts) != Wrote::kFailed &&
            StoreWriteFontSubst(printer, ctx, kFontFromModel);
  return plat::WriteBatchEnd(ok) ? 1 : 0;
}
