// The watermark entries and the ten user paper sizes of a printer, kept per
// UI language in the driver ini: one section per entry, loaded and saved
// with the settings-file transfers; their import from a settings file and
// their repair from the install-info defaults.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/presets.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/units.h"

const uint16_t StampItemTable[25] = {109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121,
                                     122, 123, 124, 125, 126, 127, 128, 869, 870, 871, 872, 873};
const uint16_t FreeSizeItemTable[3] = {859, 860, 861};
const uint16_t FreeSizeSrcItemTable[3] = {862, 863, 864};

namespace {

constexpr uint32_t kNameChars = 261;
constexpr uint32_t kFirstSlotString = 109;
constexpr uint32_t kSlotNameBytes = 64;
constexpr uint32_t DM_PAPERSIZE = 0x2;
constexpr int16_t kCustomPaperCode = 256, kLandscape = 2;

const char16_t* Ini(DriverContext* ctx) { return PathGetDriverIni(ctx); }
const char16_t* Language(DriverContext* ctx) { return ResGetUiLanguageCode(ctx); }

std::u16string Key(const char16_t* fmt, int32_t n, DriverContext* ctx) {
  char16_t k[64];
  plat::WFormat(k, 64, fmt, int(n), Language(ctx));
  return k;
}

// Lends the printer-name cache to an entry's section name for one load or
// save, and puts the name back on every way out.
class EntrySection {
 public:
  EntrySection(DriverContext* ctx, const char16_t* section) : ctx_(ctx) {
    SplGetPrinterName(ctx_);
    plat::WCopy(saved_, kNameChars, ctx_->work->printerName);
    plat::WCopy(ctx_->work->printerName, kNameChars, section);
  }
  ~EntrySection() { plat::WCopy(ctx_->work->printerName, kNameChars, saved_); }
  EntrySection(const EntrySection&) = delete;
  EntrySection& operator=(const EntrySection&) = delete;

 private:
  DriverContext* ctx_;
  char16_t saved_[kNameChars] = {};
};

int32_t LoadEntry(DriverContext* ctx, const char16_t* file, const char16_t* section, uint32_t flags) {
  if (!ctx || !ctx->work || !section) return 0;
  EntrySection lend(ctx, section);
  return QstLoadSettings(ctx->printer, file, flags, ctx);
}

int32_t SaveEntry(DriverContext* ctx, const char16_t* section, uint32_t flags) {
  if (!ctx || !ctx->work || !section) return 0;
  EntrySection lend(ctx, section);
  return QstSaveSettings(ctx->printer, Ini(ctx), flags, ctx);
}

void ClearItems(DriverContext* ctx, const uint16_t (&ids)[3]) {
  for (uint16_t id : ids) OptSetBytes(ctx, OptFindSetting(ctx, id), nullptr);
}

int32_t WriteCount(DriverContext* ctx, const char16_t* key, int32_t n) {
  char16_t text[16];
  plat::WFormat(text, 16, u"%d", int(n));
  return IniWriteString(Language(ctx), key, text, Ini(ctx)) ? 1 : 0;
}

// An ANSI name of a slot from wide text: at most 63 bytes, never half a
// double-byte character, terminated.
void PutSlotName(char (&field)[kSlotNameBytes], const char16_t* text) {
  std::memset(field, 0, kSlotNameBytes);
  StrWideToAnsi(field, text ? text : u"", int32_t(kSlotNameBytes));
}

std::u16string SlotName(const char (&field)[kSlotNameBytes]) {
  char16_t wide[kSlotNameBytes + 1] = {};
  plat::AnsiToWide(field, strnlen(field, kSlotNameBytes), wide, kSlotNameBytes);
  return wide;
}

void ItemsToSlot(DriverContext* ctx, int32_t n, const uint16_t (&ids)[3]) {
  if (!ctx || !ctx->work || n < 0 || n >= kFreeSizeSlots) return;
  FreeSizeSlot& s = ctx->work->freeSizes[n];
  s.width = OptGetOptionById(ctx, ids[1]);
  s.length = OptGetOptionById(ctx, ids[2]);
  SettingRecord* row = OptFindSetting(ctx, ids[0]);
  std::vector<char16_t> name(row ? DescSize(row->descriptor) + 8 : 8, 0);
  if (row) OptGetText(ctx, row, name.data());
  PutSlotName(s.names[2], name.data());
  char16_t shown[kNameChars] = {};
  // The graphics library has no UI strings: the paper's own name everywhere.
  if (LibGetBuild().userPaperNameOnly) plat::WCopy(shown, kNameChars, name.data());
  else ResLoadString(ctx, kFirstSlotString + uint32_t(n), shown, kNameChars, 1);
  PutSlotName(s.names[1], shown);
  PutSlotName(s.names[0], shown);
}

void SlotToItems(DriverContext* ctx, int32_t n, const uint16_t (&ids)[3]) {
  if (!ctx || !ctx->work || n < 0 || n >= kFreeSizeSlots) return;
  const FreeSizeSlot& s = ctx->work->freeSizes[n];
  OptSetText(ctx, OptFindSetting(ctx, ids[0]), SlotName(s.names[2]).c_str());
  OptSetOptionById(ctx, ids[1], s.width);
  OptSetOptionById(ctx, ids[2], s.length);
}

std::u16string ItemName(DriverContext* ctx, uint32_t id, const char16_t* fallback) {
  SettingRecord* row = OptFindSetting(ctx, id);
  return row && row->itemName ? row->itemName : fallback;
}

bool HasValue(const char16_t* section, const std::u16string& key, const char16_t* file) {
  char16_t v[8] = {};
  return IniGetString(section, key.c_str(), u"", v, 8, file) > 0;
}

}  // namespace

// ---- watermarks ---------------------------------------------------------------------------

int32_t StampGetCount(DriverContext* ctx) { return IniGetInt(Language(ctx), u"StampCount", 0, Ini(ctx)); }

int32_t StampWriteCount(DriverContext* ctx, int32_t n) { return WriteCount(ctx, u"StampCount", n); }

void StampFormatKey(char16_t* buffer, int32_t n, DriverContext* ctx) {
  if (buffer) plat::WFormat(buffer, 64, u"Stamp%d%s", int(n), Language(ctx));
}

int32_t StampLoadEntry(DriverContext* ctx, const char16_t* section) {
  return LoadEntry(ctx, Ini(ctx), section, kQstStamp);
}

int32_t StampSelect(DriverContext* ctx, int32_t id) {
  int32_t answer = StampLoadEntry(ctx, Key(u"Stamp%d%s", id, ctx).c_str());
  OptSetOptionById(ctx, setting::vdmWmID, id);
  return answer;
}

int32_t StampSaveEntry(DriverContext* ctx, const char16_t* section) {
  int32_t answer = SaveEntry(ctx, section, kQstStamp);
  PresetCacheControl(ctx, 0, kPresetCacheFreeAll);
  return answer;
}

int32_t StampSave(DriverContext* ctx, int32_t n) {
  if (!ctx || n < 0) return 0;
  // A full list takes no new entry, whoever asks: the sheets disable their
  // buttons at 32 entries, but an import or a script reaches here directly.
  if (n != kStampScratchEntry && n >= kStampListCapacity && n >= StampGetCount(ctx)) return 0;
  OptSetOptionById(ctx, setting::vdmWmID, n);
  // The entry first, then the count that makes it part of the list: an
  // interrupted save never counts an entry that is not there.
  int32_t answer = StampSaveEntry(ctx, Key(u"Stamp%d%s", n, ctx).c_str());
  if (answer && n != kStampScratchEntry && n >= StampGetCount(ctx)) answer = StampWriteCount(ctx, n + 1);
  return answer;
}

int32_t StampDelete(DriverContext* ctx, int32_t n) {
  if (!ctx || !ctx->work) return 0;
  const int32_t count = StampGetCount(ctx);
  if (n < 0 || n >= count) return 0;
  // The count stays until every later entry has moved down one place, so an
  // interrupted delete never makes the list look empty.
  DmPushSettings(ctx);
  int32_t answer = 1;
  for (int32_t m = n + 1; m < count; ++m) {
    StampSelect(ctx, m);
    if (!StampSave(ctx, m - 1)) answer = 0;
  }
  DmPopSettings(ctx, 1);
  if (answer && !StampWriteCount(ctx, count - 1)) answer = 0;
  PresetCacheControl(ctx, 0, kPresetCacheFreeAll);
  return answer;
}

// ---- user paper sizes ---------------------------------------------------------------------

int32_t FreeSizeGetSlotCount(DriverContext*) { return kFreeSizeSlots; }

void FreeSizeFormatKey(char16_t* buffer, int32_t n, DriverContext* ctx) {
  if (buffer) plat::WFormat(buffer, 64, u"FreeSize%d%s", int(n), Language(ctx));
}

int32_t FreeSizeLoadEntry(DriverContext* ctx, const char16_t* section) {
  if (!ctx) return 0;
  ClearItems(ctx, FreeSizeItemTable);
  return LoadEntry(ctx, Ini(ctx), section, kQstFreeSize);
}

int32_t FreeSizeLoadSrcEntry(DriverContext* ctx, const char16_t* section) {
  if (!ctx) return 0;
  ClearItems(ctx, FreeSizeSrcItemTable);
  return LoadEntry(ctx, Ini(ctx), section, kQstSrcFreeSize);
}

int32_t FreeSizeLoadSlot(DriverContext* ctx, int32_t n) {
  return FreeSizeLoadEntry(ctx, Key(u"FreeSize%d%s", n, ctx).c_str());
}

int32_t FreeSizeLoadSrcSlot(DriverContext* ctx, int32_t n) {
  return FreeSizeLoadSrcEntry(ctx, Key(u"FreeSize%d%s", n, ctx).c_str());
}

int32_t FreeSizeSaveEntry(DriverContext* ctx, const char16_t* section) { return SaveEntry(ctx, section, kQstFreeSize); }

int32_t FreeSizeSaveSlot(DriverContext* ctx, int32_t n) {
  return FreeSizeSaveEntry(ctx, Key(u"FreeSize%d%s", n, ctx).c_str());
}

void FreeSizeItemsToSlot(DriverContext* ctx, int32_t n) { ItemsToSlot(ctx, n, FreeSizeItemTable); }
void FreeSizeSrcItemsToSlot(DriverContext* ctx, int32_t n) { ItemsToSlot(ctx, n, FreeSizeSrcItemTable); }
void FreeSizeSlotToItems(DriverContext* ctx, int32_t n) { SlotToItems(ctx, n, FreeSizeItemTable); }
void FreeSizeSlotToSrcItems(DriverContext* ctx, int32_t n) { SlotToItems(ctx, n, FreeSizeSrcItemTable); }

int32_t FreeSizeGetPaperDims(DriverContext* ctx, int32_t code, PaperPair* out) {
  if (!ctx || !ctx->devmode || !out) return 0;
  DEVMODEW d;
  std::memcpy(&d, ctx->devmode, sizeof d);
  if ((d.dmFields & DM_PAPERSIZE) && d.dmPaperSize != kCustomPaperCode) {
    // A slot or file that cannot be read keeps the working values.
    (void)FreeSizeLoadSlot(ctx, int32_t(FreeSizeCodeToSlot(uint32_t(code), ctx)));
    auto mm10 = [&](uint32_t id) {
      const int32_t v = OptGetValueById(ctx, id);
      return int32_t(UnitDeviceToUser(kUnitMm10, v > 0 ? uint32_t(v) : 0, 1200));
    };
    *out = {mm10(FreeSizeItemTable[1]), mm10(FreeSizeItemTable[2])};
    if (d.dmOrientation == kLandscape) std::swap(out->width, out->length);
  } else {
    *out = {d.dmPaperWidth, d.dmPaperLength};
  }
  return 1;
}

int32_t FreeSizeRefreshSlots(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  if (CtxGetChangeMask(ctx) & kChangeFreeSizesLoaded) return 1;
  DmPushSettings(ctx);
  for (int32_t n = 0; n < kFreeSizeSlots; ++n) {
    // A slot or file that cannot be read keeps the working values.
    (void)FreeSizeLoadSlot(ctx, n);
    FreeSizeItemsToSlot(ctx, n);
  }
  DmPopSettings(ctx, 1);
  CtxMarkChanged(ctx, kChangeFreeSizesLoaded);
  return 1;
}

int32_t FreeSizeSaveAll(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  DmPushSettings(ctx);
  int32_t answer = 1;
  for (int32_t n = 0; n < kFreeSizeSlots; ++n) {
    FreeSizeSlotToItems(ctx, n);
    if (!FreeSizeSaveSlot(ctx, n)) answer = 0;
  }
  DmPopSettings(ctx, 1);
  return answer;
}

int32_t FreeSizeReadDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  const std::u16string width_key = ItemName(ctx, FreeSizeItemTable[1], u"wdmFreeSizeWidth");
  const std::u16string length_key = ItemName(ctx, FreeSizeItemTable[2], u"wdmFreeSizeLength");
  const char16_t* info = PathGetInstallInfoFile(ctx);
  std::u16string info_path = info ? info : u"";
  for (int32_t n = 0; n < kFreeSizeSlots; ++n) {
    FreeSizeSlot& s = ctx->work->freeSizes[n];
    char16_t name[kNameChars] = {};
    ResLoadString(ctx, kFirstSlotString + uint32_t(n), name, kSlotNameBytes, 0);
    PutSlotName(s.names[2], name);
    PutSlotName(s.names[0], name);
    ResLoadString(ctx, kFirstSlotString + uint32_t(n), name, kNameChars, 1);
    PutSlotName(s.names[1], name);
    std::u16string section = Key(u"FreeSize%d%s", n, ctx);
    s.width = IniGetInt(section.c_str(), width_key.c_str(), kFreeSizeDefaultWidth, info_path.c_str());
    s.length = IniGetInt(section.c_str(), length_key.c_str(), kFreeSizeDefaultLength, info_path.c_str());
  }
  return 1;
}

// ---- imports and repair -------------------------------------------------------------------

int32_t InstImportFreeSizes(const char16_t* file, const char16_t* language_section, DriverContext* ctx) {
  if (!ctx || !ctx->work || !file || !language_section) return 1;
  int32_t count = IniGetInt(language_section, u"FreeSizeCount", 0, file);
  // A file may claim any count; there are only so many slots.
  if (count > FreeSizeGetSlotCount(ctx)) count = FreeSizeGetSlotCount(ctx);
  for (int32_t n = 0; n < count; ++n) {
    ClearItems(ctx, FreeSizeItemTable);
    if (LoadEntry(ctx, file, Key(u"FreeSize%d%s", n, ctx).c_str(), kQstFreeSize)) FreeSizeSaveSlot(ctx, n);
  }
  return 1;
}

int32_t InstImportStamps(const char16_t* file, const char16_t* language_section, DriverContext* ctx) {
  if (!ctx || !ctx->work || !file || !language_section) return 1;
  int32_t count = IniGetInt(language_section, u"StampCount", 0, file);
  // Entry 256 is the scratch entry: the list stays below it.
  if (count > kStampMaxCount) count = kStampMaxCount;
  if (count < 0) count = 0;
  const int32_t wm_id = OptGetValueById(ctx, setting::vdmWmID);
  // Every entry first, then the count once: an interrupted import never
  // counts an entry that is not there, and the ini is not rewritten for the
  // count after each of up to 255 entries.
  for (int32_t n = 0; n < count; ++n) {
    LoadEntry(ctx, file, Key(u"Stamp%d%s", n, ctx).c_str(), kQstStamp);
    OptSetOptionById(ctx, setting::vdmWmID, n);
    StampSaveEntry(ctx, Key(u"Stamp%d%s", n, ctx).c_str());
  }
  if (StampGetCount(ctx) < count) StampWriteCount(ctx, count);
  OptSetValueById(ctx, setting::vdmWmID, wm_id);
  return 1;
}

int32_t InstLoadDefaultQstSettings(const char16_t* file, const char16_t*, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 1;
  // A slot or file that cannot be read keeps the working values.
  (void)QstLoadSettings(ctx->printer, file, kQstLanguage, ctx);
  (void)QstLoadDeviceSection(file, kQstLanguage, ctx);
  DmSetFlagUIModeChangeTo(ctx, OptGetValueById(ctx, setting::vdmUIModeChange) != 0 ? 1 : 0);
  return 1;
}

int32_t InstRepairLists(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  std::u16string info = PathGetInstallInfoFile(ctx);
  std::u16string ini = Ini(ctx);
  std::u16string language = Language(ctx);
  if (info.empty() || ini.empty() || language.empty() || !SplGetPrinterName(ctx)[0]) return 0;

  // User paper sizes: one slot without a width or a length reloads all.
  const std::u16string width_key = ItemName(ctx, FreeSizeItemTable[1], u"wdmFreeSizeWidth");
  const std::u16string length_key = ItemName(ctx, FreeSizeItemTable[2], u"wdmFreeSizeLength");
  bool repair = false;
  for (int32_t n = 0; n < kFreeSizeSlots && !repair; ++n) {
    std::u16string section = Key(u"FreeSize%d%s", n, ctx);
    repair = !HasValue(section.c_str(), width_key, ini.c_str()) || !HasValue(section.c_str(), length_key, ini.c_str());
  }
  if (repair) {
    const int32_t d = IniGetInt(language.c_str(), u"FreeSizeCount", 0, info.c_str()) == kFreeSizeSlots ? kFreeSizeSlots : 0;
    DmPushSettings(ctx);
    for (int32_t n = 0; n < d; ++n) {
      ClearItems(ctx, FreeSizeItemTable);
      LoadEntry(ctx, info.c_str(), Key(u"FreeSize%d%s", n, ctx).c_str(), kQstFreeSize);
      FreeSizeSaveSlot(ctx, n);
    }
    WriteCount(ctx, u"FreeSizeCount", d);
    DmPopSettings(ctx, 1);
  }

  // Watermarks: an empty list, or an entry without one of its keys.
  const int32_t count = StampGetCount(ctx);
  repair = count == 0;
  for (int32_t n = 0; n < count && !repair; ++n) {
    std::u16string section = Key(u"Stamp%d%s", n, ctx);
    int32_t kind = IniGetInt(section.c_str(), ItemName(ctx, setting::vdmWmKind, u"vdmWmKind").c_str(), 0, ini.c_str());
    for (uint16_t id : StampItemTable) {
      if ((id == setting::wdmWmChar || id == setting::wdmWmCharName) && kind != 1) continue;
      if ((id == setting::wdmWmImage || id == setting::wdmWmImageName) && kind != 2) continue;
      if (!HasValue(section.c_str(), ItemName(ctx, id, u""), ini.c_str())) {
        repair = true;
        break;
      }
    }
  }
  if (repair) {
    int32_t d = IniGetInt(language.c_str(), u"StampCount", 0, info.c_str());
    if (d > kStampMaxCount) d = kStampMaxCount;
    if (d < 0) d = 0;
    DmPushSettings(ctx);
    for (int32_t n = 0; n < d; ++n) {
      LoadEntry(ctx, info.c_str(), Key(u"Stamp%d%s", n, ctx).c_str(), kQstStamp);
      StampSave(ctx, n);
    }
    StampWriteCount(ctx, d);
    DmPopSettings(ctx, 1);
  }
  return 1;
}
