// The install check every entry point runs, and the per-user copies of a
// terminal server: the user's driver ini and preset files made, refreshed
// and repaired from the printer's common copy.
#include <cstring>
#include <string>

#include "install_internal.h"
#include "velm/settings.h"
#include "plat/kernel.h"
#include "plat/profile.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/jobinfo.h"
#include "velm/lock.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/spooler.h"

namespace {

using install::FolderOf;
using install::IniText;
using install::kPathChars;
using install::SafeFileName;

constexpr char16_t kDrvInstVersion[] = u"DrvInstVersion";
constexpr char16_t kDrvInstTime[] = u"DrvInstTime";
constexpr char16_t kDrvFirstInstTime[] = u"DrvFirstInstTime";
constexpr uint32_t kSectionChars = 61440;
// Entries read from a list are bounded by the preset list's slots; a larger
// count in an ini is not trusted.
constexpr int32_t kMaxListEntries = 64;

// The printer information of a call: the caller's, or fetched and freed.
class PrinterInfo {
 public:
  PrinterInfo(HANDLE printer, const PRINTER_INFO_2W* given)
      : fetched_(given ? nullptr : SplGetPrinterInfo(printer, 2)),
        info_(given ? given : static_cast<const PRINTER_INFO_2W*>(fetched_)) {}
  ~PrinterInfo() {
    if (fetched_) MemFree(fetched_);
  }
  PrinterInfo(const PrinterInfo&) = delete;
  PrinterInfo& operator=(const PrinterInfo&) = delete;
  const PRINTER_INFO_2W* get() const { return info_; }

 private:
  void* fetched_;
  const PRINTER_INFO_2W* info_;
};

// The printer name of the information, else of the handle.
std::u16string NameOf(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (info) {
    char16_t name[kPathChars - 1];
    SplCopyPrinterName(name, kPathChars - 1, info);
    return name;
  }
  return install::PrinterNameOf(printer);
}

std::u16string Key(const char16_t* format, int32_t n) {
  char16_t key[64];
  plat::WFormat(key, 64, format, int(n));
  return key;
}

int32_t ClampedCount(const char16_t* ini, const char16_t* section, const char16_t* key) {
  const int32_t n = IniGetInt(section, key, 0, ini);
  return n < 0 ? 0 : n > kMaxListEntries ? kMaxListEntries : n;
}

// The first 14 characters of a time stamp.
std::u16string Stamp14(const std::u16string& s) { return s.substr(0, 14); }

bool Write(const std::u16string& file, const std::u16string& section, const char16_t* key, const std::u16string& v) {
  return IniWriteString(section.c_str(), key, v.c_str(), file.c_str()) != 0;
}

// The language section of the user interface, through a context of the
// printer (kinds 4-255: no model), or empty.
std::u16string UiLanguage(DriverContext* ctx) {
  const char16_t* code = ctx ? ResGetUiLanguageCode(ctx) : nullptr;
  return code ? code : u"";
}

// The connection part of the install check: 1 when the printer may be used.
int32_t CheckConnection(HANDLE printer, const PRINTER_INFO_2W* info) {
  const std::u16string name = NameOf(printer, info);
  const std::u16string common = install::DriverIni(0);
  if (name.empty() || common.empty()) return 1;
  // Two processes that find the connection not yet set up must not both
  // set it up: the marker is read again under the mutex.
  DriverMutexHold hold;
  if (IniGetInt(name.c_str(), u"BatchInstallDone", 0, common.c_str()) == 0) {
    if (OsIsTerminalServerCached(printer)) {
      FileCreateDirectory(FolderOf(common).c_str());
      Write(common, name, u"BatchInstallDone", u"1");
      Write(common, name, kDrvInstVersion, install::DriverVersion());
      return 1;
    }
    CtxSetFirstRun(1);
    InstInitializePrinter(printer, nullptr, 0, kSetupFirstUse);
    CtxSetFirstRun(0);
    InstWriteInstallRecord(printer, kInstallFirst, 0);
    Write(common, name, kDrvInstVersion, install::DriverVersion());
    if (!InstCopyPresetFiles(printer)) return 0;
    if (!InstSyncUserSettings(printer, kInstallFirst)) return 0;
    return InstApplyBatchQst(printer, info) == 1 ? 0 : 1;
  }
  if (plat::WCmpI(IniText(common.c_str(), name.c_str(), kDrvInstVersion).c_str(), install::DriverVersion()) != 0) {
    DriverContext* ctx = CtxOpenKind(printer, printer, kKindOptAdmin, kOpenEntryPoint);
    if (ctx) {
      InstInstallFiles(ctx, kInstRefresh);
      PresetRefreshQualities(ctx);
      PathSecureDataDir(ctx);
      CtxClose(ctx);
    }
    Write(common, name, kDrvInstVersion, install::DriverVersion());
  }
  return 1;
}

// Copies the list entries of kind (presets or quality sets) from the common
// list to the user's: each file section-wise into the user's data
// directory, the user's entry pointing there.
void CopyListEntries(const std::u16string& common, const std::u16string& user, const std::u16string& name,
                     const std::u16string& user_dir, bool presets) {
  const char16_t* count_key = presets ? u"Count" : u"QualityCount";
  const char16_t* entry_format = presets ? u"PresetList%d" : u"QualityList%d";
  const int32_t count = ClampedCount(common.c_str(), name.c_str(), count_key);
  Write(user, name, count_key, Key(u"%d", count));
  for (int32_t n = 0; n < count; ++n) {
    const std::u16string key = Key(entry_format, n);
    const std::u16string source = IniText(common.c_str(), name.c_str(), key.c_str());
    const std::u16string file = SafeFileName(source);
    if (file.empty()) continue;
    const std::u16string target = user_dir + u"\\" + file;
    install::IniCopySection(source.c_str(), name.c_str(), target.c_str(), name.c_str(), kSectionChars);
    if (presets) {
      install::IniCopySection(source.c_str(), u"condition", target.c_str(), u"condition", kSectionChars);
      install::IniCopySection(source.c_str(), u"disable", target.c_str(), u"disable", kSectionChars);
    }
    Write(user, name, key.c_str(), target);
    for (const char16_t* part : {u"Name", u"Comment"}) {
      if (!presets && part[0] == u'C') continue;
      const std::u16string part_key = key + part;
      const std::u16string v = IniText(common.c_str(), name.c_str(), part_key.c_str(), 514);
      if (!v.empty()) Write(user, name, part_key.c_str(), v);
    }
  }
}

// Rewrites the user's list entries that still point into from_dir so that
// they point into to_dir, copying the sections of each file; false when an
// entry or its name is empty (the list is not usable).
bool MoveListEntries(const std::u16string& user, const std::u16string& name, const std::u16string& from_dir,
                     const std::u16string& to_dir, bool presets, bool need_names) {
  const char16_t* count_key = presets ? u"Count" : u"QualityCount";
  const char16_t* entry_format = presets ? u"PresetList%d" : u"QualityList%d";
  const int32_t count = ClampedCount(user.c_str(), name.c_str(), count_key);
  for (int32_t n = 0; n < count; ++n) {
    const std::u16string key = Key(entry_format, n);
    const std::u16string entry = IniText(user.c_str(), name.c_str(), key.c_str());
    if (entry.empty()) {
      if (need_names) return false;
      continue;
    }
    if (plat::WCmpI(FolderOf(entry).c_str(), from_dir.c_str()) == 0) {
      const std::u16string file = SafeFileName(entry);
      if (file.empty()) continue;
      const std::u16string target = to_dir + u"\\" + file;
      const std::u16string source = from_dir + u"\\" + file;
      install::IniCopySection(source.c_str(), name.c_str(), target.c_str(), name.c_str(), kSectionChars);
      install::IniCopySection(source.c_str(), u"disable", target.c_str(), u"disable", kSectionChars);
      if (presets)
        install::IniCopySection(source.c_str(), u"condition", target.c_str(), u"condition", kSectionChars);
      Write(user, name, key.c_str(), target);
    }
    const std::u16string name_key = key + u"Name";
    if (need_names && IniText(user.c_str(), name.c_str(), name_key.c_str(), 514).empty()) return false;
  }
  return true;
}

}  // namespace

// ---- the time stamp ------------------------------------------------------------------------

void InstFormatTimeStamp(char16_t out[15]) {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  plat::WFormat(out, 15, u"%04d%02d%02d%02d%02d%02d", int(t.wYear), int(t.wMonth), int(t.wDay), int(t.wHour),
                int(t.wMinute), int(t.wSecond));
}

// ---- the install check ---------------------------------------------------------------------

int32_t InstCheckOnOpen(HANDLE printer) { return InstCheckPrinter(printer, 1, nullptr); }

int32_t InstCheckPrinter(HANDLE printer, int32_t flags, const PRINTER_INFO_2W* given) {
  PrinterInfo info(printer, given);
  if ((flags & 1) && info.get() && SplIsRemoteInfo(info.get()) && !CheckConnection(printer, info.get())) return 0;
  if (!OsIsTerminalServerCached(printer)) return 1;
  char16_t profile[kPathChars];
  if (!PathGetProfileDirNoFallback(profile, kPathChars)) return 0;
  if (OsIsVistaOrLater()) {
    DriverMutexHold hold;
    if (!InstMigrateLocalLow(printer, info.get())) return 0;
  }
  int32_t state;
  {
    DriverMutexHold hold;
    state = InstGetTsIniState(printer, info.get());
    if (state == kTsIniNeedsCorrection) state = InstCorrectTsIni(printer, info.get());
  }
  if (state == kTsIniMissingPath) return 0;
  uint16_t type = kInstallNothing;
  if (!InstComputeInstallType(printer, &type, info.get())) return 0;
  if (state == kTsIniUnusable) type = kInstallFirst;
  if (type == kInstallFirst && !InstCopyPresetFiles(printer)) return 0;
  if (type != kInstallNothing) {
    if (!InstSyncUserSettings(printer, type)) return 0;
    if (InstApplyBatchQst(printer, info.get()) == 1) return 0;
  }
  return 1;
}

int32_t InstRefreshPresets(DriverContext* ctx, uint8_t request) {
  if (!ctx || !ctx->work) return 1;
  const char16_t* ini = PathGetDriverIni(ctx);
  const char16_t* section = SplGetPrinterName(ctx);
  if (request == 0 && ((ctx->devmode && DmGetFlagBidiQueried(ctx) == 1) ||
                       IniGetInt(section, u"PackInstallDone", 0, ini) == 1))
    request = 1;
  if (request == 1 && (IniGetInt(section, u"PresetRefresh", 0, ini) & 0xFF) == 0) {
    InstCheckPresets(ctx, 0);
    (void)IniWriteString(section, u"PresetRefresh", u"1", ini);
  }
  return 1;
}

// ---- the per-user copies ---------------------------------------------------------------------

int32_t InstCopyPresetFiles(HANDLE printer) {
  const std::u16string user = install::DriverIni(1);
  const std::u16string common = install::DriverIni(0);
  char16_t user_dir[kPathChars];
  if (user.empty() || common.empty() || PathGetUserDataDirNoCtx(user_dir, kPathChars) <= 0) return 0;
  if (OsIsNt4()) {
    // The NT 4 layout: orvek\_velm\<user> in the system directory, each
    // level made in turn (their owner and DACL have no meaning here).
    const std::u16string dir = user_dir;
    FileCreateDirectory(FolderOf(FolderOf(dir)).c_str());
    FileCreateDirectory(FolderOf(dir).c_str());
  }
  FileCreateDirectory(FolderOf(user).c_str());
  const std::u16string name = install::PrinterNameOf(printer);
  if (name.empty()) return 0;
  DriverMutexHold hold;
  for (bool presets : {true, false}) {
    const int32_t count = ClampedCount(common.c_str(), name.c_str(), presets ? u"Count" : u"QualityCount");
    for (int32_t n = 0; n < count; ++n) {
      const std::u16string key = Key(presets ? u"PresetList%d" : u"QualityList%d", n);
      std::u16string source = IniText(common.c_str(), name.c_str(), key.c_str());
      const size_t dot = source.find_last_of(u'.');
      if (dot == std::u16string::npos || dot < source.find_last_of(u'\\') + 1) continue;
      source = source.substr(0, dot + 1) + (presets ? u"qsd" : u"qsq");
      const std::u16string file = SafeFileName(source);
      if (file.empty()) continue;
      FileCopyByMode((std::u16string(user_dir) + u"\\" + file).c_str(), source.c_str(), 2);
    }
  }
  return 1;
}

int32_t InstSyncUserSettings(HANDLE printer, int32_t type) {
  // The context says the mutex is held: it is, for the whole call.
  DriverMutexHold hold;
  DriverContext* ctx = CtxOpenKind(printer, printer, kKindOptHoldsMutex | kKindOptAdmin, kOpenEntryPoint);
  if (!ctx) return 0;
  bool full = type == kInstallFirst || type == kInstallAdminChange;
  if (!full) {
    const std::u16string user = install::DriverIni(1);
    const std::u16string common = install::DriverIni(0);
    const std::u16string language = UiLanguage(ctx);
    const int32_t mine = IniGetInt(language.c_str(), u"QstVersion", 0xFFFF, user.c_str());
    const int32_t theirs = IniGetInt(language.c_str(), u"QstVersion", 0xFFFF, common.c_str());
    if (mine == 0xFFFF || theirs == 0xFFFF) {
      CtxClose(ctx);
      return 1;
    }
    full = mine != theirs;
  }
  JobInfoSyncPrinter(ctx);
  int32_t ok = 1;
  if (full) {
    ok = InstInitializePrinter(printer, nullptr, 0, kSetupUserReload);
    if (ok) InstApplyBatchDefaultsEx(printer, printer, 0, ctx, 1);
  } else {
    InstInstallFiles(ctx, kInstRefresh);
    InstApplyBatchDefaults(printer, printer, 1, ctx);
  }
  if (ok) {
    ok = InstWriteInstallRecord(printer, kInstallFirst, 1);
    if (ok) PathSecureDataDir(ctx);
  }
  CtxClose(ctx);
  return ok;
}

int32_t InstWriteInstallRecord(HANDLE printer, uint16_t type, int32_t mode) {
  if (!OsIsTerminalServerCached(printer)) return 1;
  char16_t stamp[15];
  InstFormatTimeStamp(stamp);
  const std::u16string ini = install::DriverIni(mode == 1 ? 1 : 0);
  const std::u16string name = install::PrinterNameOf(printer);
  if (ini.empty() || name.empty()) return 0;
  DriverMutexHold hold;
  bool ok = Write(ini, name, kDrvInstTime, stamp);
  if (mode == 2) ok = Write(ini, name, kDrvFirstInstTime, stamp) && ok;
  ok = Write(ini, name, u"DrvInstType", Key(u"%d", type)) && ok;
  ok = Write(ini, name, kDrvInstVersion, install::DriverVersion()) && ok;
  return ok ? 1 : 0;
}

int32_t InstComputeInstallType(HANDLE printer, uint16_t* type, const PRINTER_INFO_2W* info) {
  if (!type) return 0;
  *type = kInstallNothing;
  const std::u16string user = install::DriverIni(1);
  const std::u16string common = install::DriverIni(0);
  const std::u16string name = NameOf(printer, info);
  if (user.empty() || common.empty() || name.empty()) return 0;
  const std::u16string mine = FileExists(user.c_str()) ? Stamp14(IniText(user.c_str(), name.c_str(), kDrvInstTime))
                                                        : std::u16string();
  const std::u16string first = Stamp14(IniText(common.c_str(), name.c_str(), kDrvFirstInstTime));
  const std::u16string theirs = Stamp14(IniText(common.c_str(), name.c_str(), kDrvInstTime));
  if (mine.empty() || mine < first) {
    *type = kInstallFirst;
  } else if (!theirs.empty() && theirs > mine) {
    uint32_t admin = 0;
    *type = SplGetAdminChange(printer, &admin) ? kInstallAdminChange : kInstallUpdate;
  }
  return 1;
}

int32_t InstQueryInstallType(HANDLE printer, uint16_t* type) {
  PrinterInfo info(printer, nullptr);
  if (!info.get()) {
    if (type) *type = kInstallNothing;
    return 0;
  }
  return InstComputeInstallType(printer, type, info.get());
}

int32_t InstGetTsIniState(HANDLE printer, const PRINTER_INFO_2W* info) {
  if (!info) return kTsIniCorrected;
  const std::u16string user = install::DriverIni(1);
  const std::u16string name = NameOf(printer, info);
  if (user.empty() || name.empty()) return kTsIniMissingPath;
  if (!FileExists(user.c_str())) return kTsIniUnusable;
  if (!IniText(user.c_str(), name.c_str(), u"TSIniCorrectDone").empty()) return kTsIniCorrected;
  return IniText(user.c_str(), name.c_str(), u"Count").empty() ? kTsIniUnusable : kTsIniNeedsCorrection;
}

int32_t InstCorrectTsIni(HANDLE printer, const PRINTER_INFO_2W* info) {
  const std::u16string user = install::DriverIni(1);
  const std::u16string common = install::DriverIni(0);
  const std::u16string name = NameOf(printer, info);
  char16_t user_dir[kPathChars];
  if (user.empty() || common.empty() || name.empty() || PathGetUserDataDirNoCtx(user_dir, kPathChars) <= 0)
    return kTsIniMissingPath;
  const std::u16string from = FolderOf(common);
  if (!MoveListEntries(user, name, from, user_dir, true, true) ||
      !MoveListEntries(user, name, from, user_dir, false, true))
    return kTsIniUnusable;
  Write(user, name, u"TSIniCorrectDone", u"1");
  return kTsIniCorrected;
}

int32_t InstApplyBatchQst(HANDLE printer, const PRINTER_INFO_2W* info) {
  DriverMutexHold hold;
  const std::u16string user = install::DriverIni(1);
  const std::u16string common = install::DriverIni(0);
  char16_t user_dir[kPathChars];
  if (user.empty() || common.empty() || PathGetUserDataDirNoCtx(user_dir, kPathChars) <= 0) return 1;
  const std::u16string name = NameOf(printer, info);
  const std::u16string batch = IniText(common.c_str(), name.c_str(), u"BatchInstQst");
  if (name.empty() || batch.empty()) return 0;
  Write(user, name, u"BatchInstQst", batch);
  DriverContext* ctx = CtxOpenKind(printer, printer, 1 | kKindOptHoldsMutex | kKindOptAdmin, kOpenEntryPoint);
  if (!ctx) return 0;
  const std::u16string language = UiLanguage(ctx);
  InstImportFreeSizes(batch.c_str(), language.c_str(), ctx);
  InstImportStamps(batch.c_str(), language.c_str(), ctx);
  CopyListEntries(common, user, name, user_dir, true);
  CopyListEntries(common, user, name, user_dir, false);
  CtxClose(ctx);
  return 0;
}

int32_t InstMigrateLocalLow(HANDLE printer, const PRINTER_INFO_2W* info) {
  const std::u16string user = install::DriverIni(1);
  const std::u16string name = NameOf(printer, info);
  const char16_t* code = ResGetHelpDataLanguageCode(printer);
  const std::u16string language = code ? code : u"";
  char16_t user_dir[kPathChars];
  if (user.empty() || name.empty() || PathGetUserDataDirNoCtx(user_dir, kPathChars) <= 0) return 1;
  const bool printer_due = IniGetInt(name.c_str(), u"LocalLowCorrectDone", 0, user.c_str()) == 0;
  const bool language_due =
      !language.empty() && IniGetInt(language.c_str(), u"LocalLowCorrectDone", 0, user.c_str()) == 0;
  if (!printer_due && !language_due) return 1;
  FileCreateDirectory(user_dir);

  char16_t low[kPathChars];
  if (PathGetLocalAppDataLow(low, kPathChars)) {
    const std::u16string old_dir = std::u16string(low) + u"\\_velm";
    const std::u16string old_ini = old_dir + u"\\" + SafeFileName(user);
    const bool printer_copied =
        printer_due && install::IniCopySection(old_ini.c_str(), name.c_str(), user.c_str(), name.c_str(), kSectionChars) == 1;
    const bool language_copied =
        language_due &&
        install::IniCopySection(old_ini.c_str(), language.c_str(), user.c_str(), language.c_str(), kSectionChars) == 1;
    if (printer_copied) {
      MoveListEntries(user, name, old_dir, user_dir, true, false);
      MoveListEntries(user, name, old_dir, user_dir, false, false);
      const std::u16string merge = IniText(user.c_str(), name.c_str(), u"DrvDefJobMergePath");
      const std::u16string merge_file = SafeFileName(merge);
      if (!merge_file.empty() && plat::WCmpI(FolderOf(merge).c_str(), old_dir.c_str()) == 0)
        Write(user, name, u"DrvDefJobMergePath", std::u16string(user_dir) + u"\\" + merge_file);
    }
    if (language_copied) {
      for (bool stamps : {true, false}) {
        const int32_t count = ClampedCount(old_ini.c_str(), language.c_str(), stamps ? u"StampCount" : u"FreeSizeCount");
        for (int32_t n = 0; n < count; ++n) {
          const std::u16string section = Key(stamps ? u"Stamp%d" : u"FreeSize%d", n) + language;
          install::IniCopySection(old_ini.c_str(), section.c_str(), user.c_str(), section.c_str(), kSectionChars);
        }
      }
      // Default files named "%sysdir%..." were kept beside the old ini:
      // only their final name is taken, so nothing outside the two folders
      // is read or written.
      const std::u16string qst = IniText(user.c_str(), name.c_str(), u"DefaultQst");
      for (const char16_t* kind : {u"Deficonfiles", u"Defqualityfiles"}) {
        if (qst.empty()) break;
        const std::u16string count_key = std::u16string(u"Num") + kind;
        const int32_t count = ClampedCount(qst.c_str(), language.c_str(), count_key.c_str());
        for (int32_t n = 1; n <= count; ++n) {
          const std::u16string key = kind + Key(u"%d", n);
          const std::u16string value = IniText(qst.c_str(), language.c_str(), key.c_str());
          if (value.find(u"%sysdir%") == std::u16string::npos) continue;
          const std::u16string file = SafeFileName(value.substr(value.find_last_of(u'%') + 1));
          if (file.empty()) continue;
          FileCopy((old_dir + u"\\" + file).c_str(), (std::u16string(user_dir) + u"\\" + file).c_str(), FALSE);
        }
      }
    }
  }
  if (printer_due) Write(user, name, u"LocalLowCorrectDone", u"1");
  if (language_due) Write(user, language, u"LocalLowCorrectDone", u"1");
  return 1;
}
