// Setting-item persistence by store kind: the options-block rows of store 1
// in printer data, the rows of store 2 in the driver ini.
#include <cstring>

#include "plat/batch.h"
#include "plat/kernel.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/bidi.h"
#include "velm/remote.h"
#include "velm/ini.h"
#include "velm/ini_fast.h"
#include "velm/lock.h"
#include "velm/library_build.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kFirstLoadedRow = 34;  // the row of setting 35
constexpr uint32_t kFirstMirror = 430, kLastEnvironment = 730;
constexpr uint32_t kFirstAction = setting::vdmActionSecurity, kLastAction = setting::vdmAction15;
constexpr uint32_t kServerUse = setting::vdmServerLogCode, kUserCodeUse = setting::vdmLogCodeUse,
                   kUserCodeText = setting::vdmLogCode;
constexpr uint32_t kNumberChars = 16;  // ini numbers are read as at most 16 characters
constexpr const char16_t* kActionKey = u"vdmAction";

enum class Got { kRead, kMissing, kFailed };

// Holds the driver mutex for a scope unless the context's caller holds it.
class MutexHold {
 public:
  explicit MutexHold(DriverContext* ctx) : taken_(!(ctx->work->kindOptions & kKindOptHoldsMutex)) {
    if (taken_) held_ = LockAcquireMutex() != 0;
  }
  ~MutexHold() {
    if (taken_ && held_) LockReleaseMutex();
  }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  bool taken_;
  bool held_ = false;
};

bool Usable(DriverContext* ctx) { return ctx && ctx->devmode && ctx->work && ctx->settings && ctx->settings->rows; }

bool IsText(uint32_t type) { return type >= 7 && type <= 12; }

bool FullPath(const char16_t* path) { return path && path[0] && path[1] == u':'; }

// Keys of the driver ini are not read by contexts of kind 1 nor by contexts
// opened for capabilities, document properties without UI or a PDEV.
bool IniKeysAllowed(DriverContext* ctx) {
  constexpr uint32_t kNoIniFlags = kOpenCapability | kOpenDocNoUi | kOpenPdevRequest | kOpenPdev;
  return ctx->work->kind != 1 && !(ctx->work->openFlags & kNoIniFlags);
}

const char16_t* SectionOf(DriverContext* ctx, const SettingRecord* row) {
  return row->sectionName ? row->sectionName : SplGetPrinterName(ctx);
}

// A decimal number as the C library reads one: blanks, a sign, digits;
// wide enough for every 32-bit value, signed or not.
int64_t ParseDecimal(const char16_t* s) {
  while (*s == u' ' || *s == u'\t') ++s;
  bool negative = false;
  if (*s == u'-' || *s == u'+') negative = *s++ == u'-';
  int64_t v = 0;
  for (; *s >= u'0' && *s <= u'9'; ++s)
    if (v < (int64_t(1) << 40)) v = v * 10 + (*s - u'0');
  return negative ? -v : v;
}

// The number as the row's value type keeps it.
int32_t NumberForRow(const SettingRecord* row, int64_t v) {
  switch (DescType(row->descriptor)) {
    case kTypeS8: return int8_t(v);
    case kTypeS16: return int16_t(v);
    case kTypeU8: return uint8_t(v);
    case kTypeU16: return uint16_t(v);
    case kTypeS32:
    case kTypeU32: return int32_t(uint32_t(v));
    default: break;
  }
  switch (DescSize(row->descriptor)) {
    case 1: return uint8_t(v);
    case 2: return uint16_t(v);
    case 4: return int32_t(uint32_t(v));
    default: return 0;
  }
}

// The ini text of a row's value into value (capacity characters).
bool FormatValue(DriverContext* ctx, const SettingRecord* row, char16_t* value, uint32_t capacity) {
  uint32_t type = DescType(row->descriptor);
  if (IsText(type)) return OptGetText(ctx, row, value) != nullptr;
  int32_t v = OptGetValue(ctx, row);
  switch (type) {
    case kTypeS32: plat::WFormat(value, capacity, u"%d", int(v)); break;
    case kTypeU8:
    case kTypeU16: plat::WFormat(value, capacity, u"%u", unsigned(v)); break;
    case kTypeU32: plat::WFormat(value, capacity, u"%u", unsigned(uint32_t(v))); break;
    default: plat::WFormat(value, capacity, u"%d", int(v)); break;
  }
  return true;
}

// One row from an ini file or section; see StoreLoadItemFromIni.
Got LoadFromIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, const char* section,
                uint32_t* resume, int32_t* length) {
  *length = 0;
  if (!FullPath(ini_path) || !row || !row->valueName) return Got::kMissing;
  const char16_t* ini_section = section ? nullptr : SectionOf(ctx, row);
  if (!section && (!ini_section || !ini_section[0])) return Got::kFailed;
  uint32_t type = DescType(row->descriptor);
  uint32_t size = DescSize(row->descriptor);
  // Text reads are bounded by the field: the setter cuts the text to the
  // field's bytes on a character boundary and terminates it.
  uint32_t capacity = IsText(type) ? (size < 6 ? 6 : size) + 1 : kNumberChars + 1;
  auto* text = static_cast<char16_t*>(MemAllocZeroed(capacity * sizeof(char16_t)));
  if (!text) return Got::kFailed;
  int32_t n = 0;
  if (section) {
    uint32_t start = 0;
    n = int32_t(IniFastGetString(row->valueName, u"", text, capacity, section, resume ? resume : &start));
  } else {
    n = IniGetString(ini_section, row->valueName, u"", text, capacity, ini_path);
  }
  text[capacity - 1] = 0;
  Got got = Got::kMissing;
  if (n > 0 && text[0]) {
    got = Got::kRead;
    if (IsText(type)) {
      if (!OptSetText(ctx, row, text)) got = Got::kFailed;
    } else {
      OptSetValue(ctx, row, NumberForRow(row, ParseDecimal(text)));
    }
    *length = n;
  }
  MemFree(text);
  return got;
}

Got LoadFromPrinterData(HANDLE printer, DriverContext* ctx, SettingRecord* row, const char16_t* name,
                        uint32_t flags, void* client) {
  if (!row || !name) return Got::kMissing;
  uint32_t type = DescType(row->descriptor);
  uint32_t size = IsBitType(type) ? 4 : DescSize(row->descriptor);
  if (size == 0 || !OptGetValueAddr(ctx, row)) return Got::kFailed;
  // A fresh zeroed buffer for every read: a stored value shorter than the
  // field leaves zeros, never the bytes of an earlier value.
  auto* buffer = static_cast<uint8_t*>(MemAllocZeroed(size));
  if (!buffer) return Got::kFailed;
  DWORD needed = 0, reg_type = 0;
  DWORD r;
  if (flags & kStoreFromClient) {
    DWORD want = row->id == setting::vdmLogging ? REG_DWORD : REG_BINARY;
    r = RemoteCopyClientPrinterData(printer, name, &reg_type, buffer, size, &needed, want, client) ? ERROR_SUCCESS
                                                                                                  : ERROR_FILE_NOT_FOUND;
  } else {
    std::u16string n = name;
    r = GetPrinterDataW(printer, n.data(), &reg_type, buffer, size, &needed);
  }
  Got got = Got::kFailed;
  if (r == ERROR_SUCCESS) {
    if (IsBitType(type)) {
      uint32_t v;
      std::memcpy(&v, buffer, 4);
      OptSetValue(ctx, row, v ? 1 : 0);
    } else if (IsIntegerType(type)) {
      // The bytes of the number as stored (little-endian, the field's size).
      uint32_t v = 0;
      std::memcpy(&v, buffer, size < 4 ? size : 4);
      OptSetValue(ctx, row, int32_t(v));
    } else if (!OptSetBytes(ctx, row, buffer)) {
      MemFree(buffer);
      return Got::kFailed;
    }
    got = Got::kRead;
  } else if (r == ERROR_FILE_NOT_FOUND) {
    got = Got::kMissing;
  }
  MemFree(buffer);
  return got;
}

// The job-action word of items 224-239 (two bytes at row 224's place).
uint8_t* ActionWordAddr(DriverContext* ctx) { return OptGetValueAddr(ctx, OptFindSetting(ctx, kFirstAction)); }

// Reads vdmAction; when it is missing, the older per-bit keys, then writes
// the packed key so that the next load finds it.
Got LoadActionWord(DriverContext* ctx, const char16_t* ini) {
  uint8_t* word = ActionWordAddr(ctx);
  const char16_t* section = SplGetPrinterName(ctx);
  if (!word || !section || !section[0]) return Got::kFailed;
  char16_t text[kNumberChars + 1] = {};
  int32_t n = IniGetString(section, kActionKey, u"", text, kNumberChars + 1, ini);
  if (n > 0 && text[0]) {
    uint16_t v = uint16_t(ParseDecimal(text));
    word[0] = uint8_t(v & 0xFF);
    word[1] = uint8_t(v >> 8);
    OptFindSetting(ctx, kFirstAction)->dirty = 1;
    if (uint8_t* stored = OptGetStoredValueAddr(ctx, OptFindSetting(ctx, kFirstAction))) std::memcpy(stored, word, 2);
    return Got::kRead;
  }
  bool failed = false;
  for (uint32_t id = kFirstAction; id <= kLastAction; ++id) {
    SettingRecord* row = OptFindSetting(ctx, id);
    int32_t length = 0;
    if (row && row->valueName && LoadFromIni(ctx, row, ini, nullptr, nullptr, &length) == Got::kFailed) failed = true;
  }
  if (!StoreSaveActionWord(ctx)) failed = true;
  if (failed) return Got::kFailed;
  if (uint8_t* stored = OptGetStoredValueAddr(ctx, OptFindSetting(ctx, kFirstAction))) std::memcpy(stored, word, 2);
  return Got::kRead;
}

// True when the row holds what the saved DEVMODE holds.
bool SameAsSaved(DriverContext* ctx, const SettingRecord* row) {
  const uint8_t* now = OptGetValueAddr(ctx, row);
  const uint8_t* saved = OptGetSavedValueAddr(ctx, row);
  if (!now || !saved) return false;
  if (IsBitType(DescType(row->descriptor))) return OptGetValue(ctx, row) == OptGetSavedValue(ctx, row);
  return std::memcmp(now, saved, DescSize(row->descriptor)) == 0;
}

// A row's bit or bytes at p and q (the working settings and a copy).
bool SameValueAt(const SettingRecord* row, const uint8_t* p, const uint8_t* q) {
  if (!p || !q) return false;
  uint32_t type = DescType(row->descriptor);
  if (IsBitType(type)) {
    uint32_t bit = type - kTypeBitFirst;
    return ((p[bit / 8] ^ q[bit / 8]) >> (bit % 8) & 1) == 0;
  }
  return std::memcmp(p, q, DescSize(row->descriptor)) == 0;
}

// True when the row holds what this context last read from or wrote to the
// stores.
bool SameAsStored(DriverContext* ctx, const SettingRecord* row) {
  return SameValueAt(row, OptGetValueAddr(ctx, row), OptGetStoredValueAddr(ctx, row));
}

// Copies a row's bit or bytes from one settings buffer to another.
void CopyRowValue(const SettingRecord* row, const uint8_t* from, uint8_t* to) {
  if (!from || !to) return;
  uint32_t type = DescType(row->descriptor);
  if (IsBitType(type)) {
    uint32_t bit = type - kTypeBitFirst;
    uint8_t mask = uint8_t(1u << (bit % 8));
    to[bit / 8] = uint8_t((to[bit / 8] & ~mask) | (from[bit / 8] & mask));
  } else {
    std::memcpy(to, from, DescSize(row->descriptor));
  }
}

// A row read from the stores is noted as the stored value; a driver-ini
// key the ini does not hold takes the value the context took as stored
// (saves write only what changed, so a key may never have been written).
void NoteLoaded(DriverContext* ctx, const SettingRecord* row, Got got, bool from_ini) {
  if (got == Got::kRead) CopyRowValue(row, OptGetValueAddr(ctx, row), OptGetStoredValueAddr(ctx, row));
  else if (from_ini) CopyRowValue(row, OptGetStoredValueAddr(ctx, row), OptGetValueAddr(ctx, row));
}

// Notes a document region's items as stored, once they are written.
void KeepRegionStored(DriverContext* ctx, int32_t region) {
  uint8_t* stored = ctx->work->storedDevmode;
  if (stored && (region == kRegionDevmode || region == kRegionWork))
    std::memcpy(stored + kRegionStart[region], ctx->devmode + kRegionStart[region], kRegionSize[region]);
}

uint16_t WordAt(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// The driver ini path, kept for one loop.
bool CopyDriverIni(DriverContext* ctx, char16_t* buffer) {
  const char16_t* ini = PathGetDriverIni(ctx);
  return ini && plat::WCopy(buffer, 261, ini);
}

}  // namespace

// ---- loading -----------------------------------------------------------------------

int32_t StoreLoadItemFromIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, const char* section,
                             uint32_t* resume) {
  if (!ctx || !row) return 0;
  int32_t length = 0;
  LoadFromIni(ctx, row, ini_path, section, resume, &length);
  return length;
}

int32_t StoreLoadItemFromPrinterData(HANDLE printer, DriverContext* ctx, SettingRecord* row, uint32_t flags,
                                     void* client) {
  if (!ctx || !row) return 0;
  if (!row->valueName) return 1;
  return LoadFromPrinterData(printer, ctx, row, row->valueName, flags, client) == Got::kRead ? 1 : 0;
}

int32_t StoreLoadItemByName(HANDLE printer, DriverContext* ctx, SettingRecord* row) {
  if (!ctx || !row || !row->itemName) return 0;
  return LoadFromPrinterData(printer, ctx, row, row->itemName, 0, nullptr) == Got::kRead ? 1 : 0;
}

int32_t StoreLoadRegionItems(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags, void* client) {
  if (!Usable(ctx)) return 0;
  MutexHold hold(ctx);
  char16_t ini[261] = {};
  CopyDriverIni(ctx, ini);
  const bool ini_allowed = IniKeysAllowed(ctx);
  bool failed = false;
  bool action_seen = false;
  SettingTable& t = *ctx->settings;
  for (int32_t i = kFirstLoadedRow; i < t.count; ++i) {
    SettingRecord* row = &t.rows[i];
    if (row->id >= kFirstMirror && row->id <= kLastEnvironment) continue;
    const int32_t r = int32_t(DescRegion(row->descriptor));
    if (region != -1 && r != region) continue;
    Got got = Got::kMissing;
    bool from_ini = false;
    int32_t length = 0;
    if (r == kRegionDevmode || r == kRegionWork) {
      if (row->storeKind != kStoreDriverIni || !ini_allowed) continue;
      if (row->id >= kFirstAction && row->id <= kLastAction) {
        action_seen = action_seen || row->id == kFirstAction;
        continue;
      }
      got = LoadFromIni(ctx, row, ini, nullptr, nullptr, &length);
      from_ini = true;
    } else if (row->storeKind == kStorePrinterData) {
      if (!row->valueName) continue;
      got = LoadFromPrinterData(printer, ctx, row, row->valueName, flags, client);
    } else if (row->storeKind == kStoreDriverIni && ini_allowed) {
      got = LoadFromIni(ctx, row, ini, nullptr, nullptr, &length);
      from_ini = true;
    } else {
      continue;
    }
    if (got == Got::kFailed) failed = true;
    else NoteLoaded(ctx, row, got, from_ini);
  }
  if (action_seen && LoadActionWord(ctx, ini) == Got::kFailed) failed = true;
  return failed ? 0 : 1;
}

int32_t StoreLoadItems(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags) {
  return StoreLoadRegionItems(printer, ctx, region, flags, nullptr);
}

int32_t StoreLoadRegions(HANDLE printer, int32_t which, DriverContext* ctx) {
  if (!Usable(ctx)) return 0;
  int32_t ok = 1;
  switch (which) {
    case -1:
      ok &= StoreLoadItems(printer, ctx, -1, 0);
      ok &= StoreLoadFontTables(printer, ctx);
      break;
    case 1:
      ok &= StoreLoadItems(printer, ctx, kRegionWork, 0);
      ok &= StoreLoadItems(printer, ctx, kRegionDevmode, 0);
      break;
    case 2:
      ok &= StoreLoadItems(printer, ctx, kRegionOptions, 0);
      ok &= StoreLoadFontTables(printer, ctx);
      break;
    default: break;
  }
  return ok;
}

int32_t StoreLoadAll(DriverContext* ctx) {
  if (!Usable(ctx)) return 0;
  int32_t ok = StoreLoadRegions(ctx->printer, -1, ctx);
  // Device answers kept in the client ini for a user who could not write
  // printer data: taken over into printer data when that is now possible.
  // The section is deleted only after the save succeeded.
  // The graphics library only reads them: it never writes printer data
  // back nor deletes the section.
  if (DmGetFlagRemotePrinter(ctx) != 1 && BidiIniGetFlag(ctx)) {
    if (!BidiIniLoadSettings(ctx)) ok = 0;
    if (!LibGetBuild().loadLeavesStoreAlone && BidiIsFlagDataUsable(ctx)) {
      if (StoreSaveRegion(ctx->printer, ctx, kRegionOptions, kStoreAllItems | kStoreDeviceItemsOnly))
        BidiIniDeleteSection(ctx);
      else
        ok = 0;
    }
  }
  return ok;
}

// ---- saving ------------------------------------------------------------------------

int32_t StoreIsSavedItem(const SettingRecord* row) {
  if (!row) return 0;
  const uint32_t region = DescRegion(row->descriptor);
  if (region == kRegionNone || IsFontTableItem(row->id)) return 0;
  if (row->id >= kFirstAction && row->id <= kLastAction) return row->storeKind == kStoreDriverIni;
  if (!row->valueName) return 0;
  if (row->storeKind == kStorePrinterData) return region == kRegionOptions;
  return row->storeKind == kStoreDriverIni;
}

int32_t StoreSaveItemToPrinterData(HANDLE printer, DriverContext* ctx, SettingRecord* row) {
  if (!ctx || !row) return 0;
  if (!row->valueName) return 1;
  uint8_t* p = OptGetValueAddr(ctx, row);
  uint32_t type = DescType(row->descriptor);
  const uint32_t reg_type = row->id == setting::vdmLogging ? REG_DWORD : REG_BINARY;
  if (IsText(type)) {
    if (!p) return 1;  // no storage: nothing to write
    return SplSetPrinterData(printer, p, DescSize(row->descriptor), reg_type, row->valueName);
  }
  int32_t v = OptGetValue(ctx, row);
  uint8_t bytes[4];
  std::memcpy(bytes, &v, 4);
  uint32_t size = 4;
  if (type == kTypeS8 || type == kTypeU8) size = 1;
  else if (type == kTypeS16 || type == kTypeU16) size = 2;
  return SplSetPrinterData(printer, bytes, size, reg_type, row->valueName);
}

int32_t StoreSaveItemToIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, char* section,
                           uint32_t write_offset) {
  if (!ctx || !row) return 0;
  if (!FullPath(ini_path) || !row->valueName) return 1;
  uint32_t size = DescSize(row->descriptor);
  uint32_t capacity = (size < 32 ? 32 : size) + 1;
  auto* value = static_cast<char16_t*>(MemAllocZeroed(capacity * sizeof(char16_t)));
  if (!value) return 0;
  int32_t ok = 0;
  if (FormatValue(ctx, row, value, capacity)) {
    if (section) {
      uint32_t offset = write_offset;
      ok = IniFastPutKey(&offset, row->valueName, value, section);
    } else {
      const char16_t* name = SectionOf(ctx, row);
      ok = name && name[0] && IniWriteString(name, row->valueName, value, ini_path) ? 1 : 0;
    }
  }
  MemFree(value);
  return ok;
}

int32_t StoreSaveItem(HANDLE printer, DriverContext* ctx, SettingRecord* row, const char16_t* ini_path) {
  if (!ctx || !row) return 0;
  uint32_t region = DescRegion(row->descriptor);
  if (row->storeKind == kStorePrinterData && (region == kRegionNone || region == kRegionOptions))
    return StoreSaveItemToPrinterData(printer, ctx, row);
  if (row->storeKind == kStoreDriverIni) {
    if (ini_path) return StoreSaveItemToIni(ctx, row, ini_path, nullptr, 0);
    char16_t ini[261] = {};
    if (!CopyDriverIni(ctx, ini)) return 0;
    return StoreSaveItemToIni(ctx, row, ini, nullptr, 0);
  }
  return 1;
}

int32_t StoreSaveItemByName(HANDLE printer, DriverContext* ctx, SettingRecord* row) {
  if (!ctx || !row || !row->itemName) return 0;
  // The same value under the row's own name: a copy of the row that names it.
  SettingRecord named = *row;
  named.valueName = row->itemName;
  return StoreSaveItemToPrinterData(printer, ctx, &named);
}

namespace {

int32_t WriteActionWord(DriverContext* ctx, uint16_t value) {
  const char16_t* section = SplGetPrinterName(ctx);
  char16_t ini[261] = {};
  if (!section || !section[0] || !CopyDriverIni(ctx, ini) || !FullPath(ini)) return 0;
  char16_t text[8];
  plat::WFormat(text, 8, u"%u", unsigned(value));
  return IniWriteString(section, kActionKey, text, ini) ? 1 : 0;
}

// The bits of the action word this context changed, put into the word as
// it is stored now (the caller holds the driver mutex).
int32_t MergeActionWord(DriverContext* ctx) {
  SettingRecord* row = OptFindSetting(ctx, kFirstAction);
  const uint8_t* word = ActionWordAddr(ctx);
  const uint8_t* stored = OptGetStoredValueAddr(ctx, row);
  const char16_t* section = SplGetPrinterName(ctx);
  char16_t ini[261] = {};
  if (!word || !stored || !section || !section[0] || !CopyDriverIni(ctx, ini) || !FullPath(ini)) return 0;
  const uint16_t changed = WordAt(word) ^ WordAt(stored);
  if (!changed) return 1;
  char16_t text[kNumberChars + 1] = {};
  int32_t n = IniGetString(section, kActionKey, u"", text, kNumberChars + 1, ini);
  const uint16_t now = n > 0 && text[0] ? uint16_t(ParseDecimal(text)) : WordAt(stored);
  return WriteActionWord(ctx, uint16_t((now & ~changed) | (WordAt(word) & changed)));
}

}  // namespace

int32_t StoreSaveActionWord(DriverContext* ctx) {
  if (!Usable(ctx)) return 0;
  const uint8_t* word = ActionWordAddr(ctx);
  return word ? WriteActionWord(ctx, WordAt(word)) : 0;
}

int32_t StoreSaveRegion(HANDLE printer, DriverContext* ctx, int32_t region, uint32_t flags) {
  if (!Usable(ctx)) return 0;
  MutexHold hold(ctx);
  char16_t ini[261] = {};
  CopyDriverIni(ctx, ini);
  const bool filter = ctx->work->kind == 0 && region == kRegionOptions && ctx->work->savedDevmode &&
                      !(flags & kStoreAllItems);
  // The document side of a context that read the stores writes only what
  // the context changed since: the other items keep what is stored now,
  // also when another process stored them after this context read them.
  const bool changed_only = ctx->work->storedDevmode && !(flags & kStoreAllItems) &&
                            (region == kRegionDevmode || region == kRegionWork);
  const bool remote = SplIsRemotePrinter(ctx) != 0;
  bool ok = true;
  bool action_seen = false;
  plat::WriteBatchBegin();
  SettingTable& t = *ctx->settings;
  for (int32_t i = 0; i < t.count; ++i) {
    SettingRecord* row = &t.rows[i];
    if (int32_t(DescRegion(row->descriptor)) != region) continue;
    if ((flags & kStoreDeviceItemsOnly) && !QstIsBidiDeviceItem(row)) continue;
    if (!StoreIsSavedItem(row)) continue;
    if ((row->id == kUserCodeUse || row->id == kUserCodeText) && remote && OptGetValueById(ctx, kServerUse) == 0)
      continue;
    if (filter && SameAsSaved(ctx, row)) continue;
    if (row->id >= kFirstAction && row->id <= kLastAction) {
      action_seen = action_seen || row->id == kFirstAction;
      continue;
    }
    if (changed_only && SameAsStored(ctx, row)) continue;
    if (!StoreSaveItem(printer, ctx, row, ini[0] ? ini : nullptr)) ok = false;
  }
  if (action_seen && !(changed_only ? MergeActionWord(ctx) : StoreSaveActionWord(ctx))) ok = false;
  ok = plat::WriteBatchEnd(ok);
  // Only a batch of our own is known to be written when it ends; what an
  // enclosing batch holds is noted when that one is written.
  if (ok && changed_only && !plat::WriteBatchActive()) KeepRegionStored(ctx, region);
  return ok ? 1 : 0;
}

int32_t StoreSaveDocumentRegions(HANDLE printer, DriverContext* ctx) {
  if (!Usable(ctx)) return 0;
  // The mutex is held until the batch is written: the action word is read
  // and merged under it.
  MutexHold hold(ctx);
  plat::WriteBatchBegin();
  bool ok = StoreSaveRegion(printer, ctx, kRegionWork, 0) && StoreSaveRegion(printer, ctx, kRegionDevmode, 0);
  ok = plat::WriteBatchEnd(ok);
  if (ok && !plat::WriteBatchActive()) {
    KeepRegionStored(ctx, kRegionWork);
    KeepRegionStored(ctx, kRegionDevmode);
  }
  return ok ? 1 : 0;
}

int32_t StoreSavePrinterSettings(HANDLE printer, DriverContext* ctx) {
  plat::WriteBatchBegin();
  bool ok = StoreSaveRegion(printer, ctx, kRegionOptions, 0) && StoreSaveFontTables(printer, ctx);
  return plat::WriteBatchEnd(ok) ? 1 : 0;
}

int32_t StoreInitPrinterSettings(HANDLE printer, DriverContext* ctx) {
  plat::WriteBatchBegin();
  bool ok = StoreSaveRegion(printer, ctx, kRegionOptions, 0) && StoreWriteModelFontTables(printer, ctx);
  return plat::WriteBatchEnd(ok) ? 1 : 0;
}
