// Settings files: the transfer of setting items between one section of an
// ini-format file and a context, with the header test of loads, the subsets
// chosen by the flags, and the steps that follow a plain load.
#include "velm/qst.h"

#include <cstring>

#include "plat/profile.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/presets.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/ini.h"
#include "velm/ini_fast.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/library_build.h"
#include "velm/lock.h"
#include "velm/messages.h"
#include "velm/model_query.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kNameChars = 261;
constexpr uint32_t kHeaderMissing = 0xFFFF;

// Settings the transfers single out.
constexpr uint32_t kFields = 6;
constexpr uint32_t kWmDetailFirst = 894, kWmDetailLast = 903;  // wdmWmLinePitch ... wdmWmTileRotate
constexpr uint32_t kIcmTypeIntent = 151;
constexpr uint32_t kDeviceFirst = 10001, kDeviceLast = 10277;
constexpr uint32_t kTrayNamesFirst = 907, kTrayNamesLast = 947;
constexpr uint32_t kNoPresetValue = 255;
constexpr uint32_t kUserMacroOptionBase = 135;

constexpr uint32_t DM_ICMMETHOD = 0x10000, DM_ICMINTENT = 0x20000, DM_MEDIATYPE = 0x2000000;
constexpr uint32_t kPostLoadMergeMode = 0x10000008;
constexpr uint32_t kJobInfoReadMask = 0x1, kJobInfoWriteMask = 0x9E;

constexpr const char16_t* kQsdSection = u"VELMQsdSection";
constexpr const char16_t* kPrnSection = u"VELMPrnSection";
constexpr const char16_t* kDeviceFile = u"velmdev.txt";

bool FullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }

bool IsPlainLoad(uint32_t flags) { return (flags & ~kQstNoMessage) == kQstLoad; }
bool IsPlainSave(uint32_t flags) { return (flags & ~kQstNoMessage) == kQstSave; }
bool IsDetailSave(uint32_t flags) { return (flags & ~(kQstSave | kQstPreset | kQstNoMessage)) == 0; }
bool InRange(uint32_t id, uint32_t first, uint32_t last) { return id >= first && id <= last; }

// The driver mutex for the length of one operation, unless the context's
// caller holds it.
class MutexHold {
 public:
  explicit MutexHold(DriverContext* ctx) {
    if (ctx && ctx->work && (ctx->work->kindOptions & kKindOptHoldsMutex)) return;
    held_ = LockAcquireMutex() == 1;
  }
  ~MutexHold() {
    if (held_) LockReleaseMutex();
  }
  MutexHold(const MutexHold&) = delete;
  MutexHold& operator=(const MutexHold&) = delete;

 private:
  bool held_ = false;
};

// Lends the context's printer-name cache to another section name and puts
// back what it held, on every way out.
class LentPrinterName {
 public:
  explicit LentPrinterName(DriverContext* ctx) : ctx_(ctx) {
    SplGetPrinterName(ctx_);  // fill the cache first, so that it is what comes back
    plat::WCopy(saved_, kNameChars, ctx_->work->printerName);
  }
  ~LentPrinterName() { Restore(); }
  LentPrinterName(const LentPrinterName&) = delete;
  LentPrinterName& operator=(const LentPrinterName&) = delete;
  void Lend(const char16_t* name) { plat::WCopy(ctx_->work->printerName, kNameChars, name ? name : u""); }
  void Restore() { plat::WCopy(ctx_->work->printerName, kNameChars, saved_); }

 private:
  DriverContext* ctx_;
  char16_t saved_[kNameChars] = {};
};

// A row lent a section and its item name as key for one read or write.
class LentRow {
 public:
  LentRow(SettingRecord* row, const char16_t* section)
      : row_(row), section_(row->sectionName), key_(row->valueName) {
    row_->sectionName = section;
    row_->valueName = row_->itemName;
  }
  ~LentRow() {
    row_->sectionName = section_;
    row_->valueName = key_;
  }
  LentRow(const LentRow&) = delete;
  LentRow& operator=(const LentRow&) = delete;

 private:
  SettingRecord* row_;
  const char16_t* section_;
  const char16_t* key_;
};

// The next write offset of a section buffer: its text ends at the first
// zero byte (the buffer is zero-filled and text never holds one).
uint32_t BufferEnd(const char* buffer) { return uint32_t(strnlen(buffer, kIniFastSectionBufferSize)); }

int32_t WaterMarkId(DriverContext* ctx) {
  return OptGetValueById(ctx, setting::vdmFuncSelectWaterMark) ? OptGetValueById(ctx, setting::vdmWmID) : -1;
}

int32_t UserMacroIndex(DriverContext* ctx) {
  return OptGetValueById(ctx, setting::vdmUseUserMacro) == 1 ? OptGetOptionById(ctx, setting::vdmUserPrintMacro) - int32_t(kUserMacroOptionBase)
                                                  : -1;
}

// Whether a row takes part in a transfer with these flags.
bool Selected(const SettingRecord& row, uint32_t flags) {
  const uint32_t id = row.id;
  const bool load = (flags & kQstLoad) != 0;
  if (!row.itemName || !row.itemName[0]) return false;
  if (!(flags & kQstDevice) && !InRange(id, 1, 904)) return false;
  if (InRange(id, 430, 858)) return false;
  if ((flags & kQstFreeSize) && !InRange(id, 859, 861)) return false;
  if ((flags & kQstSrcFreeSize) && !InRange(id, 862, 864)) return false;
  if ((flags & kQstStamp) && !row.stampMember) return false;
  if ((flags & kQstQuality) && !row.qualityMember) return false;
  bool preset_only = (flags & kQstQsdSection) ||
                     ((flags & kQstPreset) && (load || (flags & (kQstDriverFirst | kQstNamedSection))));
  if (preset_only && !row.presetMember) return false;
  if ((flags & kQstRegion3) && DescRegion(row.descriptor) != kRegionWork) return false;
  if (load && (flags & kQstLanguage) && !QstIsUserItem(&row)) return false;
  if ((flags & kQstDevice) && !QstIsBidiDeviceItem(&row)) return false;
  if (!load && !(flags & kQstStamp) && InRange(id, 894, 903)) return false;
  if (IsPlainLoad(flags) && !QstIsPlainLoadItem(&row)) return false;
  // No save writes the job passwords, whatever its other flags.
  if (!load && !QstIsPlainSaveItem(&row)) return false;
  return true;
}

// Copies the bytes of the font-table items 10004-10009 in and out, so that a
// device-section save never writes their blocks and a load never replaces
// them.
struct FontItems {
  uint8_t bytes[kFontTableLast - kFontTableFirst + 1][8] = {};
  void Keep(DriverContext* ctx, bool clear) {
    for (uint32_t id = kFontTableFirst; id <= kFontTableLast; ++id) {
      SettingRecord* row = OptFindSetting(ctx, id);
      uint8_t* p = OptGetValueAddr(ctx, row);
      uint32_t size = row ? DescSize(row->descriptor) : 0;
      if (!p || size > 8) continue;
      std::memcpy(bytes[id - kFontTableFirst], p, size);
      if (clear) std::memset(p, 0, size);
    }
  }
  void Put(DriverContext* ctx) {
    for (uint32_t id = kFontTableFirst; id <= kFontTableLast; ++id) {
      SettingRecord* row = OptFindSetting(ctx, id);
      uint8_t* p = OptGetValueAddr(ctx, row);
      uint32_t size = row ? DescSize(row->descriptor) : 0;
      if (p && size <= 8) std::memcpy(p, bytes[id - kFontTableFirst], size);
    }
  }
};

void ShowMismatch(DriverContext* ctx, const char16_t* path) {
  UiMessageBoxIdArg(ctx, GetActiveWindow(), kQstMismatchMessage, path);
}

// The steps after a plain load, in order.
void AfterPlainLoad(DriverContext* ctx, uint32_t os_kind, bool driver_lent, LentPrinterName& lent) {
  // The user paper sizes the loaded paper and output paper stand for.
  int32_t slot = FreeSizeGetOutPaperSlot(ctx);
  if (slot >= 0) {
    FreeSizeItemsToSlot(ctx, slot);
    FreeSizeSaveSlot(ctx, slot);
  }
  slot = FreeSizeGetPaperSlot(ctx);
  if (slot >= 0) {
    FreeSizeSrcItemsToSlot(ctx, slot);
    FreeSizeSlotToItems(ctx, slot);
    FreeSizeSaveSlot(ctx, slot);
  }
  // The watermark: an entry past the list becomes a new entry at its end.
  int32_t wm = WaterMarkId(ctx);
  if (wm >= 0) {
    int32_t count = StampGetCount(ctx);
    if (wm >= count) {
      wm = count;
      OptSetValueById(ctx, setting::vdmWmID, wm);
    }
    StampSave(ctx, wm);
  }
  // ICM and media type by the context's own OS kind.
  if (os_kind == 0 || os_kind == 1) {
    OptSetValueById(ctx, setting::dmICMMethod, 1);
    OptSetValueById(ctx, setting::dmICMIntent, 1);
    OptSetValueById(ctx, kFields, OptGetValueById(ctx, kFields) & ~int32_t(DM_ICMMETHOD | DM_ICMINTENT));
    OptSetValueById(ctx, setting::vdmColorMatching, 0);
    OptSetOptionById(ctx, setting::vdmICMType, MdfGetItemDefault(ctx, setting::vdmICMType));
    OptSetOptionById(ctx, kIcmTypeIntent, MdfGetItemDefault(ctx, kIcmTypeIntent));
  }
  int32_t fields = OptGetValueById(ctx, kFields);
  fields = (os_kind == 0 || os_kind == 3) ? (fields | int32_t(DM_MEDIATYPE)) : (fields & ~int32_t(DM_MEDIATYPE));
  OptSetValueById(ctx, kFields, fields);
  OptSetValueById(ctx, setting::vdmOSKind, int32_t(os_kind));
  // The quality set of the user macro.
  int32_t macro = UserMacroIndex(ctx);
  if (macro >= 0) PresetSaveQualityByIndex(ctx, macro);
  // No preset; the UI-mode flag held off while the defaults and the merge run.
  OptSetValueById(ctx, setting::vdmPresetNo, int32_t(kNoPresetValue));
  bool ui_mode = OptGetValueById(ctx, setting::vdmUIModeChange) == 1;
  if (ui_mode) OptSetValueById(ctx, setting::vdmUIModeChange, 0);
  InstSetCountryDefaults(ctx);
  lent.Restore();
  // The query library leaves the job information to its own callers.
  if (!LibGetBuild().settingsLoadWithoutJobInfo) {
    JobInfoReadMaskIfEnabled(ctx, kJobInfoReadMask);
    JobInfoWriteMaskIfEnabled(ctx, kJobInfoWriteMask);
  }
  if (driver_lent) lent.Lend(SplGetDriverName(ctx));
  DmMergeInput(ctx, nullptr, 0, kPostLoadMergeMode);
  if (ui_mode) OptSetValueById(ctx, setting::vdmUIModeChange, 1);
}

}  // namespace

// ---- item filters ---------------------------------------------------------------------

int32_t QstIsUserItem(const SettingRecord* row) { return row && !InRange(row->id, 1, 5) ? 1 : 0; }

int32_t QstIsPlainLoadItem(const SettingRecord* row) {
  if (!row) return 0;
  uint32_t id = row->id;
  if (InRange(id, 1, 5) || id == setting::vdmJOBPassword || id == setting::vdmStoredPassword || InRange(id, 430, 858) ||
      InRange(id, 905, 947) || InRange(id, kDeviceFirst, kDeviceLast))
    return 0;
  return 1;
}

int32_t QstIsPlainSaveItem(const SettingRecord* row) {
  return row && row->id != setting::vdmJOBPassword && row->id != setting::vdmStoredPassword ? 1 : 0;
}

int32_t QstIsBidiDeviceItem(const SettingRecord* row) {
  if (!row) return 0;
  uint32_t id = row->id;
  return InRange(id, 10012, 10272) || id == 10274 || id == 10276 || id == 10277 ? 1 : 0;
}

// ---- header -----------------------------------------------------------------------------

int32_t QstVersionsMatch(uint32_t a, uint32_t b) { return uint16_t(a) / 100 == uint16_t(b) / 100 ? 1 : 0; }

int32_t QstWriteHeader(const char16_t* path, char* section_buffer, DriverContext* ctx, const char16_t* section,
                       uint32_t* write_offset, int32_t version_only) {
  struct Key {
    const char16_t* name;
    uint32_t value;
  };
  const Key keys[] = {
      {u"QstVersion", ctx->model->settingsFileVersion},
      {u"QstMachine", ctx->model->machineId},
      {u"QstLanguage", uint32_t(OptGetValueById(ctx, setting::vdmLanguageID)) & 0xFFFF},
      {u"QstOSKind", uint32_t(OptGetValueById(ctx, setting::vdmOSKind))},
  };
  int32_t ok = 1;
  for (const Key& k : keys) {
    char16_t text[16];
    plat::WFormat(text, 16, u"%u", unsigned(k.value));
    if (section_buffer) ok &= IniFastPutKey(write_offset, k.name, text, section_buffer);
    else ok &= IniWriteString(section, k.name, text, path) ? 1 : 0;
    if (version_only) break;
  }
  return ok;
}

int32_t QstCheckHeader(const char16_t* path, const char16_t* section, uint32_t flags, int32_t show_message,
                       DriverContext* ctx, const char* section_ptr, char* section_buffer, uint32_t* offset,
                       int32_t by_hundreds) {
  if (flags & (kQstStamp | kQstFreeSize | kQstSrcFreeSize | kQstLanguage)) return 1;
  if (flags & kQstSave) return QstWriteHeader(path, section_buffer, ctx, section, offset, 0);
  if (flags & kQstNamedSection) return 1;
  auto read = [&](const char16_t* key) -> uint32_t {
    if (section_ptr) return uint32_t(IniFastGetInt(key, int32_t(kHeaderMissing), section_ptr, offset));
    return uint32_t(IniGetInt(section, key, int32_t(kHeaderMissing), path));
  };
  uint32_t version = read(u"QstVersion");
  uint32_t machine = read(u"QstMachine");
  uint32_t language = read(u"QstLanguage");
  uint32_t own_version = ctx->model->settingsFileVersion;
  bool versions = by_hundreds ? QstVersionsMatch(version, own_version) != 0 : version == own_version;
  bool ok = version != kHeaderMissing && machine != kHeaderMissing && language != kHeaderMissing && versions &&
            machine == ctx->model->machineId && language == (uint32_t(OptGetValueById(ctx, setting::vdmLanguageID)) & 0xFFFF);
  if (ok) return 1;
  CtxSetFileMismatch(ctx, 1);
  // The query library refuses silently: it has no one to tell.
  if (show_message && !LibGetBuild().silentSettingsRefusal) ShowMismatch(ctx, path);
  return 0;
}

int32_t QstGetOsKind(const char16_t* path, DriverContext* ctx) {
  if (!FullPath(path)) return int32_t(kHeaderMissing);
  char16_t section[kNameChars] = {};
  plat::WCopy(section, kNameChars, SplGetPrinterName(ctx));
  return IniGetInt(IniSanitizeSection(section), u"QstOSKind", int32_t(kHeaderMissing), path);
}

// ---- the transfer -----------------------------------------------------------------------

int32_t QstTransferSettings(HANDLE, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->settings) return 0;
  CtxSetFileMismatch(ctx, 0);
  if (!FullPath(path)) return 0;
  const bool load = (flags & kQstLoad) != 0;

  char16_t section[kNameChars] = {};
  if ((flags & kQstNamedSection) && load) plat::WCopy(section, kNameChars, InstGetLanguageSectionName(ctx));
  else if (flags & kQstNamedSection) plat::WCopy(section, kNameChars, SplGetPrinterName(ctx));
  else if ((flags & kQstLanguage) && load) plat::WCopy(section, kNameChars, InstGetLanguageSectionName(ctx));
  else if (flags & kQstQsdSection) plat::WCopy(section, kNameChars, kQsdSection);
  else plat::WCopy(section, kNameChars, SplGetPrinterName(ctx));
  IniSanitizeSection(section);

  char* image = nullptr;
  const char* found = nullptr;
  char* buffer = nullptr;
  uint32_t offset = 0;  // load: the resume offset; save: the write offset
  struct Free {
    char*& image;
    char*& buffer;
    ~Free() {
      if (image) IniFastFreeFile(image);
      MemFree(buffer);
    }
  } free_on_exit{image, buffer};

  if (load) {
    image = IniFastLoadFile(path);
    if (!image) return 0;
    found = IniFastFindSection(section, image);
  } else {
    buffer = static_cast<char*>(MemAllocZeroed(kIniFastSectionBufferSize));
    if (!buffer || !IniFastPutSection(&offset, section, buffer)) return 0;
  }

  bool show = !(flags & (kQstNoMessage | kQstQuality));
  if (!QstCheckHeader(path, section, flags, show ? 1 : 0, ctx, found, buffer, &offset, 1)) {
    if (!load) return 0;  // the header did not fit the section buffer
    return 1;             // refused: nothing is transferred
  }

  // The query library carries the watermark's tile and line details with
  // every watermark entry: it marks them as watermark items of this context.
  if ((flags & kQstStamp) && LibGetBuild().watermarkDetailsAlways) {
    for (uint32_t id = kWmDetailFirst; id <= kWmDetailLast; ++id)
      if (SettingRecord* row = OptFindSetting(ctx, id)) row->stampMember = 1;
  }
  int32_t answer = 1;
  for (int i = 0; i < ctx->settings->count; ++i) {
    SettingRecord& row = ctx->settings->rows[i];
    if (!Selected(row, flags)) continue;
    LentRow lent(&row, section);
    if (load) {
      if (StoreLoadItemFromIni(ctx, &row, path, found, &offset) <= 0) answer = 0;
      if (IsPlainLoad(flags) && row.id == setting::vdmPresetNo) OptSetValue(ctx, &row, int32_t(kNoPresetValue));
    } else {
      if (!StoreSaveItemToIni(ctx, &row, path, buffer, BufferEnd(buffer))) answer = 0;
    }
  }
  if (load) return answer;
  // A section with an item that could not be put in is never written: the
  // splice would drop that item's old value from the file.
  if (answer == 0) return 0;

  // The device file first: when it cannot be written the settings file is
  // left alone too.
  if (IsPlainSave(flags) && !QstSaveDeviceSection(path, kQstLanguage, ctx)) return 0;
  (void)WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);  // the flush answers FALSE by design
  if (!IniFastReplaceSection(path, section, buffer, BufferEnd(buffer))) return 0;
  return answer;
}

// ---- loading and saving -----------------------------------------------------------------

int32_t QstLoadSettings(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  MutexHold hold(ctx);
  LentPrinterName lent(ctx);
  const bool plain = IsPlainLoad(flags | kQstLoad);

  bool driver_lent = false;
  if ((plain || (flags & kQstDriverFirst)) && FullPath(path)) {
    char16_t driver[kNameChars] = {};
    char16_t version[kNameChars + 1] = {};
    plat::WCopy(driver, kNameChars, SplGetDriverName(ctx));
    IniGetString(driver, u"QstVersion", u"*", version, kNameChars, path);
    if (plat::WCmp(version, u"*") != 0) {
      lent.Lend(SplGetDriverName(ctx));
      driver_lent = true;
    }
  }
  const uint32_t os_kind = uint32_t(OptGetValueById(ctx, setting::vdmOSKind));

  int32_t answer = QstTransferSettings(printer, path, flags | kQstLoad, ctx);
  const int32_t mismatch = CtxGetFileMismatch(ctx);
  if (answer == 1 && mismatch == 1 && (flags & kQstQuality)) {
    char16_t copy[522] = {};
    if (PresetMakeQualityCopyPath(ctx, path, copy)) InstCopyPresetFile(path, copy, kQstQuality, ctx);
  }
  if (plain && mismatch == 0) AfterPlainLoad(ctx, os_kind, driver_lent, lent);
  CtxSetFileMismatch(ctx, mismatch);
  return answer;
}

int32_t QstSaveSettings(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  LentPrinterName lent(ctx);
  if (flags & kQstUiLanguage) lent.Lend(ResGetUiLanguageCode(ctx));
  else if (IsPlainSave(flags | kQstSave)) lent.Lend(SplGetDriverName(ctx));
  return QstSaveSettingsLocked(printer, path, flags, ctx);
}

int32_t QstSaveSettingsLocked(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  MutexHold hold(ctx);
  flags |= kQstSave;
  if (!IsDetailSave(flags) || !ctx->devmode) return QstTransferSettings(printer, path, flags, ctx);

  // A detail save writes what is selected in full (the user paper sizes,
  // the watermark, the quality set) and leaves the working buffer as it was.
  const uint32_t size = DmGetWorkBufferSize();
  auto* copy = static_cast<uint8_t*>(MemAllocZeroed(size));
  if (!copy) return 0;
  std::memcpy(copy, ctx->devmode, size);
  int32_t slot = FreeSizeGetPaperSlot(ctx);
  // A slot or set that cannot be read keeps the working values.
  if (slot >= 0) (void)FreeSizeLoadSrcSlot(ctx, slot);
  slot = FreeSizeGetOutPaperSlot(ctx);
  // A slot or set that cannot be read keeps the working values.
  if (slot >= 0) (void)FreeSizeLoadSlot(ctx, slot);
  int32_t wm = WaterMarkId(ctx);
  if (wm >= 0) StampSelect(ctx, wm);
  int32_t macro = UserMacroIndex(ctx);
  // A slot or set that cannot be read keeps the working values.
  if (macro >= 0) (void)PresetLoadQualityByIndex(ctx, macro);
  DmPrivateToPublic(ctx->devmode, ctx, 0);
  int32_t answer = QstTransferSettings(printer, path, flags, ctx);
  std::memcpy(ctx->devmode, copy, size);
  MemFree(copy);
  return answer;
}

// ---- the device section -----------------------------------------------------------------

namespace {

// The rows of settings first-last in id order, each through the profile
// functions (buffer null) or into a section buffer.
int32_t TransferRange(const char16_t* path, uint32_t flags, DriverContext* ctx, const char16_t* section, char* buffer,
                      uint32_t first, uint32_t last) {
  if (!ctx || !ctx->settings || !FullPath(path)) return 0;
  const bool load = (flags & kQstLoad) != 0;
  FontItems fonts;
  fonts.Keep(ctx, !load);
  int32_t answer = 1;
  for (int i = 0; i < ctx->settings->count; ++i) {
    SettingRecord& row = ctx->settings->rows[i];
    if (!InRange(row.id, first, last) || !row.itemName || !row.itemName[0]) continue;
    if ((flags & kQstLanguage) && InRange(row.id, 10001, 10003)) continue;
    LentRow lent(&row, section);
    if (load) {
      if (StoreLoadItemFromIni(ctx, &row, path, nullptr, nullptr) <= 0) answer = 0;
    } else if (!StoreSaveItemToIni(ctx, &row, path, buffer, buffer ? BufferEnd(buffer) : 0)) {
      answer = 0;
    }
  }
  fonts.Put(ctx);
  return answer;
}

}  // namespace

int32_t QstTransferItemRange(const char16_t* path, uint32_t flags, DriverContext* ctx, const char16_t* section,
                             char16_t*, uint32_t first, uint32_t last) {
  return TransferRange(path, flags, ctx, section, nullptr, first, last);
}

int32_t QstTransferDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work || !FullPath(path)) return 0;
  char16_t section[kNameChars] = {};
  plat::WCopy(section, kNameChars,
              (flags & kQstLoad) && (flags & kQstLanguage) ? InstGetLanguageSectionName(ctx) : kPrnSection);
  IniSanitizeSection(section);
  MutexHold hold(ctx);
  if (flags & kQstLoad) {
    int32_t a = TransferRange(path, flags, ctx, section, nullptr, kDeviceFirst, kDeviceLast);
    int32_t b = TransferRange(path, flags, ctx, section, nullptr, kTrayNamesFirst, kTrayNamesLast);
    return a && b ? 1 : 0;
  }
  // The section is built whole and spliced in one write, so the file holds
  // either the old section or the new one, never a part of each.
  char* buffer = static_cast<char*>(MemAllocZeroed(kIniFastSectionBufferSize));
  uint32_t offset = 0;
  int32_t answer = buffer && IniFastPutSection(&offset, section, buffer) &&
                   TransferRange(path, flags, ctx, section, buffer, kDeviceFirst, kDeviceLast) &&
                   TransferRange(path, flags, ctx, section, buffer, kTrayNamesFirst, kTrayNamesLast);
  if (answer) {
    (void)WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);  // the flush answers FALSE by design
    answer = IniFastReplaceSection(path, section, buffer, BufferEnd(buffer));
  }
  MemFree(buffer);
  return answer;
}

int32_t QstLoadDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx) {
  return QstTransferDeviceSection(path, flags | kQstLoad, ctx);
}

int32_t QstSaveDeviceSection(const char16_t* path, uint32_t flags, DriverContext* ctx) {
  char16_t target[kNameChars] = {};
  if (flags & kQstLanguage) {
    if (!PathMakeInDataDir(target, kNameChars, kDeviceFile, ctx)) return 0;
    path = target;
  }
  return QstTransferDeviceSection(path, flags | kQstSave, ctx);
}

int32_t QstSaveDefaultDeviceSection(DriverContext* ctx) {
  char16_t name[260] = {};
  char16_t file[kNameChars] = {};
  if (!InstGetInfoDefaultQst(name, ctx) || !PathMakeDriverAbsolute(file, kNameChars, name, ctx)) return 1;
  char16_t section[kNameChars] = {};
  plat::WCopy(section, kNameChars, InstGetLanguageSectionName(ctx));
  IniSanitizeSection(section);
  MutexHold hold(ctx);
  QstWriteHeader(file, nullptr, ctx, section, nullptr, 0);
  QstTransferItemRange(file, kQstSave | kQstLanguage, ctx, section, nullptr, kDeviceFirst, kDeviceLast);
  QstTransferItemRange(file, kQstSave | kQstLanguage, ctx, section, nullptr, kTrayNamesFirst, kTrayNamesLast);
  return 1;
}

int32_t QstSaveDeviceFile(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  LentPrinterName lent(ctx);
  if (IsPlainSave(flags | kQstSave)) lent.Lend(SplGetDriverName(ctx));
  return QstSaveToDeviceFile(printer, path, flags, ctx);
}

int32_t QstSaveToDeviceFile(HANDLE printer, const char16_t* path, uint32_t flags, DriverContext* ctx) {
  char16_t target[kNameChars] = {};
  const char16_t* file = PathMakeInDataDir(target, kNameChars, kDeviceFile, ctx) ? target : path;
  return QstTransferSettings(printer, file, flags + kQstQsdSection + kQstSave, ctx);
}
