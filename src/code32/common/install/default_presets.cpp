// The default presets and quality sets of a default settings file (.qsb):
// installing them into the preset and quality lists with their installed
// copies in the data directory, re-checking the preset list against them,
// rebuilding a preset or quality file from another, and splitting the
// master files into the single default files.
#include <string>
#include <vector>

#include "inst_internal.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dialogs.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/messages.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

using inst::kPathChars;
using inst::ReadString;

constexpr uint32_t kMaxEntries = 0xFFFE;
constexpr uint32_t kTextChars = 259;
constexpr uint32_t kCheckWarning = 10017;
constexpr uint32_t kPresetDialog = 1001;
constexpr uint32_t kPresetControl = 2001;
constexpr const char16_t* kNoName = u"NoName";

// The kinds of default files a .qsb lists.
struct DefaultKind {
  const char16_t* countKey;
  const char16_t* entryKey;
  const char16_t* doneKey;
  uint32_t settingsFlags;
};
constexpr DefaultKind kPresets{u"NumDeficonfiles", u"Deficonfiles", u"DrvInstPresetDone", kQstPreset};
constexpr DefaultKind kQualities{u"NumDefqualityfiles", u"Defqualityfiles", u"DrvInstQualityDone", kQstQuality};

uint32_t EntryCount(const DefaultKind& kind, const char16_t* file, const char16_t* section) {
  int32_t n = IniGetInt(section, kind.countKey, 0, file);
  if (n <= 0) return 0;
  return uint32_t(n) > kMaxEntries ? kMaxEntries : uint32_t(n);
}

// Entry u of the file, resolved as a default file path; empty when the
// entry is missing or cannot be resolved.
std::u16string ResolvedEntry(const DefaultKind& kind, const char16_t* file, const char16_t* section, uint32_t u,
                             DriverContext* ctx) {
  char16_t path[kPathChars] = {};
  IniGetString(section, inst::NumberedKey(kind.entryKey, u).c_str(), u"", path, kPathChars, file);
  if (!path[0] || !InstResolveDefaultFilePath(path, kPathChars, ctx)) return u"";
  return path;
}

std::u16string SettingText(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return u"";
  std::vector<char16_t> buffer(DescSize(row->descriptor) + 8, 0);
  if (!OptGetText(ctx, row, buffer.data())) return u"";
  return buffer.data();
}

bool Allowed(const char16_t* file, DriverContext* ctx) {
  return InstPresetIsEnabled(file, ctx) && InstPresetMatchesCondition(file, ctx);
}

// The copy in the driver directory of a default file, put at its resolved
// path (mode 2: when missing or older); a batch install tries twice.
void CopyFromDriverDir(const std::u16string& file, uint32_t flags, DriverContext* ctx) {
  const char16_t* name = PathGetFileNamePart(file.c_str());
  if (!InstIsInstallTarget(file.c_str())) return;
  if (!FileCopyFromDriverDir(file.c_str(), name, 2, ctx) && (flags & kInstBatch))
    FileCopyFromDriverDir(file.c_str(), name, 2, ctx);
}

// The copy steps (0x2, 0x20) for one default file and its installed copy.
void PlaceFiles(const std::u16string& file, const char16_t* copy, uint32_t flags, uint32_t settings_flags,
                DriverContext* ctx) {
  if (flags & kInstCopyFiles) {
    CopyFromDriverDir(file, flags, ctx);
    if (FileExists(copy)) {
      if (!(flags & kInstRefresh)) InstCopyPresetFile(copy, file.c_str(), settings_flags, ctx);
    } else {
      if (flags & kInstBatch) FileCopyFromDriverDir(copy, PathGetFileNamePart(file.c_str()), 1, ctx);
      if (!InstHasQstVersion(copy, ctx)) InstCopyPresetFile(copy, file.c_str(), settings_flags, ctx);
    }
  }
  if (flags & kInstDeleteCopy) FileDelete(copy);
}

// The kept entries hold a file whose name begins as the copy's does (the
// first 8 characters of the file name).
bool KeptHolds(const char16_t* copy, uint32_t kept_count, const InstPresetEntry* kept) {
  const char16_t* name = PathGetFileNamePart(copy);
  for (uint32_t i = 0; kept && i < kept_count; ++i)
    if (plat::WCmpNI(PathGetFileNamePart(kept[i].file), name, 8) == 0) return true;
  return false;
}

// The header check of an installed copy, which leaves the context's
// mismatch flag as it was.
bool CopyHeaderFits(const char16_t* copy, DriverContext* ctx) {
  const int32_t mismatch = CtxGetFileMismatch(ctx);
  char16_t section[kPathChars] = {};
  plat::WCopy(section, kPathChars, InstGetPrinterSectionName(ctx));
  IniSanitizeSection(section);
  const int32_t fits = QstCheckHeader(copy, section, kQstLoad | kQstPreset, 0, ctx, nullptr, nullptr, nullptr, 0);
  CtxSetFileMismatch(ctx, mismatch);
  return fits != 0;
}

}  // namespace

// ---- the default settings file's name ---------------------------------------------------

int32_t InstGetInfoDefaultQst(char16_t* buffer, DriverContext* ctx) {
  if (!buffer) return 0;
  buffer[0] = 0;
  const char16_t* info = ctx ? PathGetInstallInfoFile(ctx) : nullptr;
  if (!inst::IsAbsolute(info)) return 0;
  IniGetString(InstGetLanguageSectionName(ctx), u"DefaultQst", u"", buffer, kPathChars - 1, info);
  return buffer[0] ? 1 : 0;
}

int32_t InstGetDriverIniDefaultQst(char16_t* buffer, DriverContext* ctx) {
  if (!buffer) return 0;
  buffer[0] = 0;
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  if (!inst::IsAbsolute(ini)) return 0;
  IniGetString(InstGetPrinterSectionName(ctx), u"DefaultQst", u"", buffer, kPathChars - 1, ini);
  return buffer[0] ? 1 : 0;
}

int32_t InstIsDefaultQstFile(const char16_t* path) {
  uint32_t ext = 0;
  const char16_t* e = path ? PathGetExtensionPart(path, &ext) : nullptr;
  if (!e || !PathHasShortExtension(path) || ext != 3 || plat::WCmpNI(e, u"qsb", 3) != 0) return 0;
  return FileExists(path) ? 1 : 0;
}

int32_t InstHasQstVersion(const char16_t* file, DriverContext* ctx) {
  if (!FileExists(file)) return 0;
  return inst::KeyPresent(InstGetPrinterSectionName(ctx), u"QstVersion", file) ? 1 : 0;
}

// ---- installing the defaults ---------------------------------------------------------

int32_t InstAddDefaultPreset(DriverContext* ctx, const char16_t* file, const char16_t* name, const char16_t* comment,
                             uint32_t flags) {
  if (!ctx || !file) return 0;
  if ((flags & kInstFilter) && !Allowed(file, ctx)) return 0;
  const std::u16string name_field = SettingText(ctx, setting::wdmPresetName);
  const std::u16string comment_field = SettingText(ctx, setting::wdmPresetComment);
  std::u16string n, m;
  if (name || comment) {
    n = name ? name : u"";
    m = comment ? comment : u"";
    if (!n.empty() && m.empty()) m = comment_field;
    else if (n.empty() && !m.empty()) n = name_field.empty() ? kNoName : name_field;
    else if (n.empty()) n = kNoName;
  } else {
    n = name_field.empty() ? kNoName : name_field;
    m = comment_field;
  }
  return PresetAddEntry(ctx, file, n.c_str(), m.c_str());
}

int32_t InstInstallDefaultPresets(const char16_t* file, const char16_t* section, uint32_t flags, DriverContext* ctx,
                                  uint32_t kept_count, const InstPresetEntry* kept) {
  if (!ctx || !file || !section) return 0;
  const bool keep_list = (flags & kInstKeepListed) || ((flags & kInstBatch) && (flags & kInstFilter));
  if ((flags & kInstAddToList) && !keep_list) PresetClearList(ctx);
  if (PresetGetCount(ctx) >= kInstMaxPresets) return 1;
  const uint32_t count = EntryCount(kPresets, file, section);
  if (count == 0) return 1;
  if (!inst::IsAbsolute(PathGetDriverIni(ctx))) return 0;

  for (uint32_t u = 1; u <= count; ++u) {
    const std::u16string entry = ResolvedEntry(kPresets, file, section, u, ctx);
    if (entry.empty()) continue;
    char16_t copy[522] = {};
    if (!PresetMakeListCopyPath(ctx, entry.c_str(), copy)) continue;
    if (flags & kInstAddToList) {
      const std::u16string name = ReadString(section, u"setname", entry.c_str(), kTextChars);
      const std::u16string comment = ReadString(section, u"setcomment", entry.c_str(), kTextChars);
      bool added = false;
      if (flags & kInstFilter) {
        if (Allowed(entry.c_str(), ctx)) {
          if (flags & kInstBatch) {
            added = InstAddDefaultPreset(ctx, copy, name.c_str(), comment.c_str(), flags) == 1;
          } else if (!KeptHolds(copy, kept_count, kept) && u != 1 && (flags & kInstKeepListed)) {
            added = InstAddDefaultPreset(ctx, copy, name.c_str(), comment.c_str(), flags) == 1;
            if (!CopyHeaderFits(copy, ctx)) InstCopyPresetFile(copy, entry.c_str(), kQstPreset, ctx);
          }
        }
      } else if (InstPresetIsEnabled(entry.c_str(), ctx)) {
        added = InstAddDefaultPreset(ctx, copy, name.c_str(), comment.c_str(), flags) == 1;
      }
      if (flags & kInstRebuildCopy) InstCopyPresetFile(copy, entry.c_str(), kQstPreset, ctx);
      if (added && PresetGetCount(ctx) >= kInstMaxPresets) break;
    }
    PlaceFiles(entry, copy, flags, kQstPreset, ctx);
  }
  if (flags & kInstBatch) (void)IniWriteString(section, kPresets.doneKey, u"1", file);
  return 1;
}

int32_t InstInstallDefaultQualities(const char16_t* file, const char16_t* section, uint32_t flags,
                                    DriverContext* ctx) {
  if (!ctx || !file || !section) return 0;
  if (flags & kInstAddToList) InstResetQualityList(ctx);
  const uint32_t count = EntryCount(kQualities, file, section);
  if (count == 0) return 1;
  if (!inst::IsAbsolute(PathGetDriverIni(ctx))) return 0;
  for (uint32_t u = 1; u <= count; ++u) {
    const std::u16string entry = ResolvedEntry(kQualities, file, section, u, ctx);
    if (entry.empty()) continue;
    char16_t copy[522] = {};
    if (!PresetMakeListCopyPath(ctx, entry.c_str(), copy)) continue;
    if (flags & kInstAddToList) {
      char16_t name[kPathChars] = {};
      const bool named = inst::KeyPresent(section, u"qualityname", entry.c_str()) &&
                         InstReadQualityName(entry.c_str(), section, name);
      InstAppendQualityNamed(copy, named ? name : nullptr, ctx);
      if (flags & kInstRebuildCopy) InstCopyPresetFile(copy, entry.c_str(), kQstQuality, ctx);
    }
    PlaceFiles(entry, copy, flags, kQstQuality, ctx);
  }
  if (flags & kInstBatch) (void)IniWriteString(section, kQualities.doneKey, u"1", file);
  return 1;
}

int32_t InstInstallDefaultFiles(const char16_t* file, const char16_t* section, uint32_t flags, DriverContext* ctx) {
  if (!ctx || !file || !section) return 0;
  // A file that cannot be read leaves the working values, which are installed.
  (void)QstLoadDeviceSection(file, kQstLanguage, ctx);
  const int32_t presets = InstInstallDefaultPresets(file, section, flags | kInstAddToList, ctx);
  const int32_t qualities = InstInstallDefaultQualities(file, section, flags | kInstAddToList, ctx);
  return presets && qualities ? 1 : 0;
}

int32_t InstInstallDefaultQst(uint32_t flags, int32_t setup_type, DriverContext* ctx) {
  if (!ctx) return 1;
  char16_t name[kPathChars] = {}, file[kPathChars] = {};
  const char16_t* section = InstGetLanguageSectionName(ctx);
  if (InstGetInfoDefaultQst(name, ctx) && PathMakeDriverAbsolute(file, kPathChars, name, ctx) && section &&
      section[0] && InstIsDefaultQstFile(file)) {
    const int32_t done = InstInstallDefaultFiles(file, section, flags, ctx);
    InstRecordBatchInstallDone(PathGetDriverIni(ctx), InstGetPrinterSectionName(ctx), done, setup_type != 2, ctx);
    DmSetFlagBatchInstallDoneTo(ctx, done);
    InstCopyMergeKeys(ctx, 1, file);
  }
  InstCopyMergeKeys(ctx, 4, nullptr);
  const char16_t* batch = InstGetBatchIniPath(ctx);
  if (inst::IsAbsolute(batch) && FileExists(batch)) {
    inst::WriteKeyWritable(InstGetPrinterSectionName(ctx), u"DefaultQstName", nullptr, batch);
    inst::WriteKeyWritable(InstGetPrinterSectionName(ctx), InstGetBatchInstallDoneKey(), nullptr, batch);
  }
  return 1;
}

// ---- checking the preset list ------------------------------------------------------------

int32_t InstPresetFitsModel(const char16_t* file, DriverContext* ctx) {
  if (!ctx || !file) return 1;
  DmPushSettings(ctx);
  // A file that cannot be read leaves the working values, which are installed.
  (void)QstLoadSettings(ctx->printer, file, kQstNoMessage | kQstPreset, ctx);
  int32_t fits = 1;
  if (!CtxGetFileMismatch(ctx)) {
    DialogRecord* dialog = CtxFindDialog(ctx, kPresetDialog);
    DialogItemRecord* control = dialog ? CtxFindControl(ctx, dialog, kPresetControl) : nullptr;
    // Outside a sheet the item rows are not bound to their settings yet:
    // the row's key names the setting then.
    SettingRecord* setting =
        control ? (control->setting ? control->setting : OptFindSettingByKey(ctx, control->symbol)) : nullptr;
    if (setting) {
      MdfItem item = MdfFindItem(ctx, setting->id);
      if (item && RuleFindActiveAlert(ctx, item)) fits = 0;
    }
  }
  CtxSetFileMismatch(ctx, 0);
  DmPopSettings(ctx, 1);
  return fits;
}

int32_t InstCheckPresets(DriverContext* ctx, int32_t ask) {
  if (!ctx) return 0;
  const int32_t count = PresetGetCount(ctx);
  std::vector<InstPresetEntry> entries(size_t(count > 0 ? count : 0));
  for (int32_t n = 0; n < count; ++n) {
    char16_t text[kPresetNameChars] = {};
    PresetGetEntryText(ctx, n, 0, text);
    plat::WCopy(entries[size_t(n)].file, kPathChars, text);
    PresetGetEntryText(ctx, n, 1, text);
    plat::WCopy(entries[size_t(n)].name, 514, text);
    PresetGetEntryText(ctx, n, 2, text);
    plat::WCopy(entries[size_t(n)].comment, 514, text);
  }

  char16_t defaults[kPathChars] = {};
  const char16_t* section = InstGetLanguageSectionName(ctx);
  if (!InstGetDriverIniDefaultQst(defaults, ctx) || !section) return 0;
  if (!inst::KeyPresent(section, kPresets.countKey, defaults)) return 0;
  const uint32_t total = EntryCount(kPresets, defaults, section);
  std::vector<std::u16string> default_files;
  for (uint32_t u = 1; u <= total; ++u) {
    std::u16string entry = ResolvedEntry(kPresets, defaults, section, u, ctx);
    if (entry.empty()) return 0;
    default_files.push_back(entry);
  }

  std::vector<bool> valid(entries.size(), true);
  bool any_invalid = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    const char16_t* file = entries[i].file;
    uint32_t ext_len = 0;
    const char16_t* ext = PathGetExtensionPart(file, &ext_len);
    if (!ext || ext_len == 0 || !PathHasShortExtension(file)) continue;
    if (ext_len == 3 && plat::WCmp(std::u16string(ext, 3).c_str(), u"qsr") == 0) {
      char16_t qsd[kPathChars] = {};
      plat::WCopy(qsd, kPathChars, PathGetFileNamePart(file));
      PathChangeExtToQsd(qsd, kPathChars);
      bool has_default = false;
      for (const std::u16string& d : default_files)
        has_default = has_default || plat::WCmpI(PathGetFileNamePart(d.c_str()), qsd) == 0;
      if (has_default && !InstPresetMatchesCondition(file, ctx)) valid[i] = false;
    } else if (!InstPresetFitsModel(file, ctx)) {
      valid[i] = false;
    }
    any_invalid = any_invalid || !valid[i];
  }
  if (any_invalid && ask && UiMessageBoxIdOkCancel(ctx, nullptr, kCheckWarning) == IDCANCEL) return 0;

  std::vector<InstPresetEntry> kept;
  PresetClearList(ctx);
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!valid[i]) continue;
    PresetAddEntry(ctx, entries[i].file, entries[i].name, entries[i].comment);
    kept.push_back(entries[i]);
  }
  return InstInstallDefaultPresets(defaults, section, kInstAddToList | kInstFilter | kInstKeepListed, ctx,
                                   uint32_t(kept.size()), kept.data());
}

// ---- rebuilding and unpacking ----------------------------------------------------------

int32_t InstCopyPresetFile(const char16_t* target, const char16_t* source, uint32_t flags, DriverContext* ctx) {
  // A rebuild that loads a refused file rebuilds it in turn: one level only.
  thread_local int depth = 0;
  if (!ctx || !target || !source || !FileExists(source) || plat::WCmpI(target, source) == 0 || depth > 0) return 0;
  struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
  } guard;
  FileClearReadOnly(target);
  if (!inst::CopySection(source, u"condition", target, u"condition") ||
      !inst::CopySection(source, u"disable", target, u"disable"))
    return 0;
  DmPushSettings(ctx);
  // Items the source does not name keep the working values.
  // A file that cannot be read leaves the working values, which are installed.
  (void)QstLoadSettings(ctx->printer, source, flags | kQstNamedSection, ctx);
  int32_t ok = QstSaveSettings(ctx->printer, target, flags | kQstNamedSection, ctx);
  const char16_t* language = InstGetLanguageSectionName(ctx);
  if (ok && inst::KeyPresent(language, u"Readonly", source)) {
    const std::u16string value = ReadString(language, u"Readonly", source);
    ok = IniWriteString(InstGetPrinterSectionName(ctx), u"Readonly", value.c_str(), target);
  }
  DmPopSettings(ctx, 1);
  return ok ? 1 : 0;
}

int32_t InstUnpackDefaultFiles(DriverContext* ctx) {
  if (!ctx) return 1;
  char16_t name[kPathChars] = {}, file[kPathChars] = {};
  const char16_t* section = InstGetLanguageSectionName(ctx);
  if (!InstGetInfoDefaultQst(name, ctx) || !PathMakeDriverAbsolute(file, kPathChars, name, ctx) || !section)
    return 1;
  for (const DefaultKind* kind : {&kPresets, &kQualities}) {
    char16_t master_name[kPathChars] = {}, master[kPathChars] = {};
    IniGetString(section, inst::NumberedKey(kind->entryKey, 0).c_str(), u"", master_name, kPathChars, file);
    if (!master_name[0] || !PathMakeDriverAbsolute(master, kPathChars, master_name, ctx) || !FileExists(master))
      continue;
    const uint32_t count = EntryCount(*kind, file, section);
    for (uint32_t u = 1; u <= count; ++u) {
      const std::u16string target = ResolvedEntry(*kind, file, section, u, ctx);
      if (target.empty()) continue;
      const char16_t* target_name = PathGetFileNamePart(target.c_str());
      std::vector<const char16_t*> words = {section};
      if (kind == &kPresets) words = {u"condition", u"disable", section};
      for (const char16_t* word : words) {
        const std::u16string from = std::u16string(word) + target_name;
        inst::CopySection(master, from.c_str(), target.c_str(), word);
      }
    }
  }
  return 1;
}
