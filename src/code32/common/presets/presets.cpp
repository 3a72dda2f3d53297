// The preset and quality lists of a printer in the driver ini, the naming of
// new preset files, loading and saving presets and quality sets by their
// entry keys, and the per-context cache of loaded presets.
#include "velm/presets.h"

#include <cstring>
#include <vector>

#include "plat/batch.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/presets.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/library_build.h"
#include "velm/lock.h"
#include "velm/inst.h"
#include "velm/messages.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kKeyChars = 32;

const char16_t* Ini(DriverContext* ctx) { return PathGetDriverIni(ctx); }
const char16_t* Section(DriverContext* ctx) { return InstGetPrinterSectionName(ctx); }

std::u16string ReadKey(DriverContext* ctx, const char16_t* key) {
  std::vector<char16_t> buf(kPresetNameChars, 0);
  IniGetString(Section(ctx), key, u"", buf.data(), kPresetNameChars, Ini(ctx));
  return buf.data();
}

bool WriteKey(DriverContext* ctx, const char16_t* key, const char16_t* value) {
  return IniWriteString(Section(ctx), key, value, Ini(ctx)) != 0;
}

std::u16string PartKey(const char16_t* key, int32_t part) {
  std::u16string k = key;
  if (part == 1) k += u"Name";
  if (part == 2) k += u"Comment";
  return k;
}

std::u16string EntryKey(int32_t n, int32_t part = 0) {
  char16_t k[kKeyChars];
  PresetFormatKey(k, n, part);
  return k;
}

std::u16string QualityKey(int32_t n) {
  char16_t k[kKeyChars];
  PresetFormatQualityKey(k, n);
  return k;
}

// The entry number 0-15 of a preset entry key, -1 for any other key.
int32_t CachedEntryOf(const char16_t* key) {
  for (int32_t n = 0; key && n < kPresetCacheSlots; ++n)
    if (EntryKey(n) == key) return n;
  return -1;
}

void FreeCache(DriverContext* ctx) { PresetCacheControl(ctx, 0, kPresetCacheFreeAll); }

// A text setting as wide text.
std::u16string SettingText(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return u"";
  std::vector<char16_t> buf(DescSize(row->descriptor) + 8, 0);
  if (!OptGetText(ctx, row, buf.data())) return u"";
  return buf.data();
}

void SetSettingText(DriverContext* ctx, uint32_t id, const std::u16string& text) {
  OptSetText(ctx, OptFindSetting(ctx, id), text.c_str());
}

// The driver mutex and a write batch over one edit of the preset list: the
// count and the entry keys are read and written as one change, which other
// processes see all or not at all.
class ListLock {
 public:
  ListLock() = default;
  ~ListLock() {
    if (open_) (void)plat::WriteBatchEnd(false);  // drops a batch never committed: nothing reported done is lost
  }
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;
  void BeginBatch() {
    plat::WriteBatchBegin();
    open_ = true;
  }
  // Writes what the batch holds when ok; true when all of it was written.
  bool EndBatch(bool ok) {
    open_ = false;
    return plat::WriteBatchEnd(ok);
  }

 private:
  DriverMutexHold hold_;
  bool open_ = false;
};

bool FileIsEmpty(const char16_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  CloseHandle(file);
  return low == 0 && high == 0;
}

// Settings kept in a preset snapshot: the preset and watermark items.
bool InSnapshot(const SettingRecord& row) { return row.presetMember || row.stampMember; }

}  // namespace

// ---- keys and counts --------------------------------------------------------------------

void PresetFormatKey(char16_t* buffer, int32_t n, int32_t part) {
  if (!buffer) return;
  plat::WFormat(buffer, kKeyChars, u"PresetList%d%s", int(n), part == 1 ? u"Name" : part == 2 ? u"Comment" : u"");
}

void PresetFormatQualityKey(char16_t* buffer, int32_t n) {
  if (buffer) plat::WFormat(buffer, kKeyChars, u"QualityList%d", int(n));
}

int32_t PresetGetCount(DriverContext* ctx) { return IniGetInt(Section(ctx), u"Count", 0, Ini(ctx)); }

int32_t PresetGetQualityCount(DriverContext* ctx) { return IniGetInt(Section(ctx), u"QualityCount", 0, Ini(ctx)); }

int32_t PresetGetEntryText(DriverContext* ctx, int32_t n, int32_t part, char16_t* buffer) {
  if (!buffer) return 0;
  return IniGetString(Section(ctx), EntryKey(n, part).c_str(), u"", buffer, kPresetNameChars, Ini(ctx));
}

int32_t PresetMakeNewFileName(DriverContext* ctx, char16_t* buffer) {
  if (!buffer) return 0;
  buffer[0] = 0;
  char16_t dir[kPresetNameChars] = {};
  bool per_user = ctx && ctx->work && !(ctx->work->openFlags & kOpenFirstRun) && OsIsTerminalServerCached(ctx->printer);
  int32_t len = per_user ? PathGetUserDataDir(dir, kPresetNameChars, ctx) : 0;
  if (len <= 0) len = PathGetCommonDataDir(dir, kPresetNameChars);
  if (len <= 0) return 0;
  char16_t section[261] = {};
  plat::WCopy(section, 261, Section(ctx));
  DriverMutexHold hold;
  for (int32_t n = 0; n < kPresetFileNumbers; ++n) {
    char16_t path[kPresetNameChars];
    plat::WFormat(path, kPresetNameChars, u"%s\\user%04d.qst", dir, int(n));
    if (!FileExists(path)) {
      // A new name is reserved by creating the file: of two savers that
      // both find it free, only one creates it.
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
        return 0;
      }
      CloseHandle(file);
      plat::WCopy(buffer, kPresetNameChars, path);
      return 1;
    }
    // An empty file is a name another saver has reserved.
    if (!FileIsEmpty(path) && IniGetInt(section, u"QstMachine", 0, path) == 0) {
      plat::WCopy(buffer, kPresetNameChars, path);
      return 1;
    }
  }
  // Every name is taken: no file may be overwritten.
  return 0;
}

int32_t PresetDropNewFile(const char16_t* path) {
  return path && FileExists(path) && FileIsEmpty(path) && FileDelete(path) ? 1 : 0;
}

int32_t PresetIsWritable(DriverContext* ctx, const char16_t* path) {
  return IniGetInt(Section(ctx), u"Readonly", 0, path) == 1 ? 0 : 1;
}

int32_t PresetIsWritableByIndex(DriverContext* ctx, int32_t n) {
  if (n < 0 || n >= kPresetCacheSlots) return 0;
  return PresetIsWritable(ctx, ReadKey(ctx, EntryKey(n).c_str()).c_str());
}

// ---- the snapshot cache -----------------------------------------------------------------

int32_t PresetCacheControl(DriverContext* ctx, uint32_t key, int32_t operation) {
  if (!ctx || !ctx->work) return 0;
  uint8_t** slots = ctx->work->presetCache;
  switch (operation) {
    case kPresetCacheClear:
      for (int i = 0; i < kPresetCacheSlots; ++i) slots[i] = nullptr;
      return 0;
    case kPresetCacheFreeAll:
      for (int i = 0; i < kPresetCacheSlots; ++i) {
        MemFree(slots[i]);
        slots[i] = nullptr;
      }
      return 0;
    case kPresetCacheRestore:
    case kPresetCacheStore:
      break;
    default:
      return 0;
  }
  if (key >= uint32_t(kPresetCacheSlots) || !ctx->settings || !ctx->devmode) return 0;
  SettingTable& t = *ctx->settings;
  if (operation == kPresetCacheStore) {
    if (!slots[key]) {
      size_t total = 0;
      for (int i = 0; i < t.count; ++i)
        if (InSnapshot(t.rows[i]) && OptGetValueAddr(ctx, &t.rows[i])) total += DescSize(t.rows[i].descriptor);
      slots[key] = static_cast<uint8_t*>(MemAllocZeroed(total ? total : 1));
      if (!slots[key]) return 0;
    }
    uint8_t* out = slots[key];
    for (int i = 0; i < t.count; ++i) {
      const uint8_t* p = InSnapshot(t.rows[i]) ? OptGetValueAddr(ctx, &t.rows[i]) : nullptr;
      if (!p) continue;
      uint32_t size = DescSize(t.rows[i].descriptor);
      std::memcpy(out, p, size);
      out += size;
    }
    return 0;
  }
  if (!slots[key]) return 0;
  const uint8_t* in = slots[key];
  for (int i = 0; i < t.count; ++i) {
    SettingRecord& row = t.rows[i];
    uint8_t* p = InSnapshot(row) ? OptGetValueAddr(ctx, &row) : nullptr;
    if (!p) continue;
    uint32_t size = DescSize(row.descriptor);
    uint32_t type = DescType(row.descriptor);
    if (IsBitType(type)) {
      // Only the item's own bit; its neighbours in the field stay.
      uint32_t bit = type - kTypeBitFirst;
      uint8_t mask = uint8_t(1u << (bit % 8));
      p[bit / 8] = uint8_t((p[bit / 8] & ~mask) | (in[bit / 8] & mask));
    } else {
      std::memcpy(p, in, size);
    }
    in += size;
    row.dirty = 1;
  }
  ctx->work->modified = 1;
  return 1;
}

// ---- loading and saving presets ---------------------------------------------------------

int32_t PresetLoad(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  const int32_t entry = CachedEntryOf(key);
  if (entry >= 0 && PresetCacheControl(ctx, uint32_t(entry), kPresetCacheRestore)) return 1;

  std::u16string file = ReadKey(ctx, key);
  if (file.empty()) file = ReadKey(ctx, EntryKey(0).c_str());
  CtxSetFileMismatch(ctx, 0);
  int32_t answer = QstLoadSettings(ctx->printer, file.c_str(), kQstNoMessage | kQstPreset, ctx);
  bool warn = false;
  if (CtxGetFileMismatch(ctx)) {
    // The file does not fit the model: forget it and fall back on entry 0.
    warn = true;
    WriteKey(ctx, key, u"");
    CtxSetFileMismatch(ctx, 0);
    answer = QstLoadSettings(ctx->printer, ReadKey(ctx, EntryKey(0).c_str()).c_str(), kQstPreset, ctx);
  }
  SetSettingText(ctx, setting::wdmPresetName, ReadKey(ctx, PartKey(key, 1).c_str()));
  SetSettingText(ctx, setting::wdmPresetComment, ReadKey(ctx, PartKey(key, 2).c_str()));

  int32_t wm_id = OptGetOptionById(ctx, setting::vdmWmID);
  if (OptGetOptionById(ctx, setting::vdmFuncSelectWaterMark) != 0 && wm_id < StampGetCount(ctx)) {
    int32_t kind = OptGetOptionById(ctx, setting::vdmWmKind);
    if (kind >= 1 && kind <= 3) {
      StampSelect(ctx, wm_id);
      OptSetOptionById(ctx, setting::vdmWmID, wm_id);
    }
  } else {
    OptSetOptionById(ctx, setting::vdmFuncSelectWaterMark, 0);
    OptSetOptionById(ctx, setting::vdmWmID, 0);
  }
  if (entry >= 0) PresetCacheControl(ctx, uint32_t(entry), kPresetCacheStore);
  if (warn) UiMessageBoxId(ctx, GetActiveWindow(), kPresetMismatchMessage);
  return answer;
}

int32_t PresetLoadByIndex(DriverContext* ctx, int32_t n) {
  if (n >= 0 && n < kPresetCacheSlots) return PresetLoad(ctx, EntryKey(n).c_str());
  SetSettingText(ctx, setting::wdmPresetName, u"");
  SetSettingText(ctx, setting::wdmPresetComment, u"");
  return 0;
}

int32_t PresetSaveSettings(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  int32_t answer = QstSaveSettings(ctx->printer, ReadKey(ctx, key).c_str(), kQstPreset, ctx);
  FreeCache(ctx);
  return answer;
}

int32_t PresetSave(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  int32_t answer = QstSaveSettings(ctx->printer, ReadKey(ctx, key).c_str(), kQstPreset, ctx);
  if (!WriteKey(ctx, PartKey(key, 1).c_str(), SettingText(ctx, setting::wdmPresetName).c_str())) answer = 0;
  if (!WriteKey(ctx, PartKey(key, 2).c_str(), SettingText(ctx, setting::wdmPresetComment).c_str())) answer = 0;
  FreeCache(ctx);
  return answer;
}

int32_t PresetSaveByIndex(DriverContext* ctx, int32_t n) { return PresetSave(ctx, EntryKey(n).c_str()); }
int32_t PresetSaveSettingsByIndex(DriverContext* ctx, int32_t n) { return PresetSaveSettings(ctx, EntryKey(n).c_str()); }

// ---- quality sets -------------------------------------------------------------------------

int32_t PresetLoadQuality(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  int32_t answer = QstLoadSettings(ctx->printer, ReadKey(ctx, key).c_str(), kQstQuality, ctx);
  SetSettingText(ctx, setting::wdmUserSetName, ReadKey(ctx, PartKey(key, 1).c_str()));
  return answer;
}

int32_t PresetSaveQualitySettings(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  return QstSaveSettings(ctx->printer, ReadKey(ctx, key).c_str(), kQstQuality, ctx);
}

// The graphics library saves the settings only; the set's Name stays.
int32_t PresetSaveQuality(DriverContext* ctx, const char16_t* key) {
  int32_t answer = PresetSaveQualitySettings(ctx, key);
  if (LibGetBuild().qualitySaveWithoutName) return answer;
  if (answer && !WriteKey(ctx, PartKey(key, 1).c_str(), SettingText(ctx, setting::wdmUserSetName).c_str())) answer = 0;
  return answer;
}

int32_t PresetLoadQualityCopy(DriverContext* ctx, const char16_t* key) {
  if (!ctx || !ctx->work || !key) return 0;
  char16_t copy[kPresetNameChars] = {};
  if (!PresetMakeQualityCopyPath(ctx, ReadKey(ctx, key).c_str(), copy)) return 0;
  int32_t answer = QstLoadSettings(ctx->printer, copy, kQstNamedSection | kQstQuality, ctx);
  SetSettingText(ctx, setting::wdmUserSetName, ReadKey(ctx, PartKey(key, 1).c_str()));
  return answer;
}

int32_t PresetLoadQualityByIndex(DriverContext* ctx, int32_t n) { return PresetLoadQuality(ctx, QualityKey(n).c_str()); }
int32_t PresetSaveQualityByIndex(DriverContext* ctx, int32_t n) { return PresetSaveQuality(ctx, QualityKey(n).c_str()); }
int32_t PresetSaveQualitySettingsByIndex(DriverContext* ctx, int32_t n) {
  return PresetSaveQualitySettings(ctx, QualityKey(n).c_str());
}
int32_t PresetLoadQualityCopyByIndex(DriverContext* ctx, int32_t n) {
  return PresetLoadQualityCopy(ctx, QualityKey(n).c_str());
}

int32_t PresetRefreshQualities(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  DmPushSettings(ctx);
  int32_t answer = 1;
  const int32_t count = PresetGetQualityCount(ctx);
  for (int32_t n = 0; n < count; ++n) {
    // A set that cannot be read is saved back as the working values hold it.
    (void)PresetLoadQualityCopyByIndex(ctx, n);
    (void)PresetLoadQualityByIndex(ctx, n);
    if (!PresetSaveQualitySettingsByIndex(ctx, n)) answer = 0;
  }
  DmPopSettings(ctx, 1);
  return answer;
}

// ---- list edits ---------------------------------------------------------------------------

int32_t PresetSwapValues(DriverContext* ctx, const char16_t* section, const char16_t* key_a, const char16_t* key_b) {
  if (!ctx || !section || !key_a || !key_b) return 0;
  std::vector<char16_t> a(kPresetNameChars, 0), b(kPresetNameChars, 0);
  IniGetString(section, key_a, u"", a.data(), kPresetNameChars, Ini(ctx));
  IniGetString(section, key_b, u"", b.data(), kPresetNameChars, Ini(ctx));
  int32_t ok = IniWriteString(section, key_a, b.data(), Ini(ctx)) ? 1 : 0;
  if (ok && !IniWriteString(section, key_b, a.data(), Ini(ctx))) {
    // Put the first one back; the swap has failed whatever this answers.
    (void)IniWriteString(section, key_a, a.data(), Ini(ctx));
    ok = 0;
  }
  return ok;
}

int32_t PresetSwapEntries(DriverContext* ctx, int32_t a, int32_t b) {
  if (!ctx || !ctx->work) return 0;
  int32_t ok = 1;
  for (int32_t part = 0; part <= 2; ++part)
    ok &= PresetSwapValues(ctx, Section(ctx), EntryKey(a, part).c_str(), EntryKey(b, part).c_str());
  FreeCache(ctx);
  return ok;
}

int32_t PresetSetNameComment(DriverContext* ctx, int32_t n, const char16_t* name, const char16_t* comment) {
  if (!ctx || !ctx->work) return 0;
  int32_t ok = WriteKey(ctx, EntryKey(n, 1).c_str(), name ? name : u"") ? 1 : 0;
  ok &= WriteKey(ctx, EntryKey(n, 2).c_str(), comment ? comment : u"") ? 1 : 0;
  FreeCache(ctx);
  return ok;
}

int32_t PresetFindByName(DriverContext* ctx, const char16_t* name, int32_t preferred) {
  if (!ctx || !name) return -1;
  const int32_t count = PresetGetCount(ctx);
  if (preferred >= 0 && preferred < count && ReadKey(ctx, EntryKey(preferred, 1).c_str()) == name) return preferred;
  for (int32_t n = 0; n < count; ++n)
    if (ReadKey(ctx, EntryKey(n, 1).c_str()) == name) return n;
  return -1;
}

int32_t PresetFindDuplicate(DriverContext* ctx, const char16_t* edit_text, int32_t n) {
  if (!ctx) return -1;
  const int32_t count = PresetGetCount(ctx);
  std::vector<std::u16string> names;
  for (int32_t i = 0; i < count; ++i) names.push_back(ReadKey(ctx, EntryKey(i, 1).c_str()));
  if (n < 0) {
    for (int32_t i = 0; i < count; ++i)
      for (int32_t j = i + 1; j < count; ++j)
        if (names[size_t(i)] == names[size_t(j)]) return j;
    return -1;
  }
  // The edit holds at most 259 characters.
  std::u16string text = edit_text ? std::u16string(edit_text).substr(0, 259) : u"";
  for (int32_t j = 0; j < count; ++j)
    if (j != n && names[size_t(j)] == text) return n > 0 ? n : j;
  return -1;
}

int32_t PresetAddEntry(DriverContext* ctx, const char16_t* file, const char16_t* name, const char16_t* comment,
                       int32_t* entry) {
  if (!ctx || !ctx->work || !file) return 0;
  ListLock lock;
  lock.BeginBatch();
  const int32_t n = PresetGetCount(ctx);
  int32_t ok = WriteKey(ctx, EntryKey(n, 0).c_str(), file) ? 1 : 0;
  ok = ok && WriteKey(ctx, EntryKey(n, 1).c_str(), name ? name : u"");
  ok = ok && WriteKey(ctx, EntryKey(n, 2).c_str(), comment ? comment : u"");
  char16_t text[16];
  plat::WFormat(text, 16, u"%d", int(n + 1));
  ok = ok && WriteKey(ctx, u"Count", text);
  ok = lock.EndBatch(ok);
  FreeCache(ctx);
  if (ok && entry) *entry = n;
  return ok ? 1 : 0;
}

int32_t PresetClearList(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  int32_t ok = WriteKey(ctx, u"Count", u"0") ? 1 : 0;
  FreeCache(ctx);
  return ok;
}

int32_t PresetDeleteEntry(DriverContext* ctx, int32_t n) {
  if (!ctx || !ctx->work) return 0;
  ListLock lock;
  lock.BeginBatch();
  const int32_t count = PresetGetCount(ctx);
  if (n < 0 || n >= count) return 0;
  // Each later entry moves down one place, so the list stays without gaps;
  // the last place is then emptied and the count lowered.
  int32_t ok = 1;
  for (int32_t m = n + 1; m < count && ok; ++m)
    for (int32_t part = 0; part <= 2 && ok; ++part)
      ok = WriteKey(ctx, EntryKey(m - 1, part).c_str(), ReadKey(ctx, EntryKey(m, part).c_str()).c_str()) ? 1 : 0;
  if (ok) {
    char16_t text[16];
    plat::WFormat(text, 16, u"%d", int(count - 1));
    ok = WriteKey(ctx, u"Count", text) ? 1 : 0;
  }
  if (ok)
    for (int32_t part = 0; part <= 2; ++part) WriteKey(ctx, EntryKey(count - 1, part).c_str(), u"");
  ok = lock.EndBatch(ok) ? 1 : 0;
  FreeCache(ctx);
  return ok;
}
