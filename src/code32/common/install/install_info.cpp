// What the installer leaves for the driver: the install-info file
// velmsetup.ini (default user paper sizes and watermarks, version keys, the
// model list, programs to run), the hand-over ini velmcfg.ini (language,
// paper, unit and user code chosen at installation) and the model database
// orvdb.ini in which the driver registers its model. Also the language,
// unit and paper defaults of a new printer.
#include <string>

#include "inst_internal.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/process.h"
#include "plat/sync.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

using inst::kPathChars;
using inst::ReadString;

constexpr const char16_t* kHandOverIni = u"velmcfg.ini";
constexpr const char16_t* kModelDatabase = u"orvdb.ini";
constexpr uint32_t kModelKeyChars = 32;
constexpr uint32_t kCodeChars = 8;
constexpr int32_t kPaperLetter = 1, kPaperA4 = 9;
// The wait for one install program: a hung installer must not hold the
// driver mutex for ever. The machine settings may shorten or lengthen it.
constexpr long kProgramWaitMs = 180000;

// The batch keys copied from the install-info file into the driver ini.
constexpr const char16_t* kBatchKeys[] = {u"QstVersion", u"bIsBIDISupportForVELMModel", u"bIsBIDISupportForVELMFont",
                                          u"bIsBIDISupportForVELM"};

std::u16string HandOverIni(DriverContext* ctx) {
  char16_t path[kPathChars] = {};
  return PathMakeInDataDir(path, kPathChars, kHandOverIni, ctx) ? path : u"";
}

void WriteInt(const std::u16string& ini, const char16_t* section, const char16_t* key, int32_t value) {
  InstWriteIniInt(section, ini.c_str(), value, key);
}

// The country digit of the user's locale: 1, 2 or 5 when the country code
// begins so (kept as it stands: "27" counts as 2), else 0.
int32_t CountryDigit() {
  char16_t text[7] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, text, 7);
  return text[0] == u'1' || text[0] == u'2' || text[0] == u'5' ? text[0] - u'0' : 0;
}

void SetPaperAndUnitByCountry(WorkRecord& w, int32_t country) {
  w.handOverCountry = uint16_t(country);
  w.handOverPaper = uint16_t(country ? kPaperLetter : kPaperA4);
  w.handOverUnit = uint16_t(country ? 1 : 0);
}

std::u16string SettingText(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return u"";
  std::u16string buffer(DescSize(row->descriptor) + 8, u'\0');
  if (!OptGetText(ctx, row, buffer.data())) return u"";
  return buffer.c_str();
}

// The sections of the user paper sizes and watermarks, and their counts.
void CopyEntrySections(const char16_t* target, const char16_t* info, const char16_t* language, const char16_t* count_key,
                       const char16_t* format, int32_t limit) {
  int32_t count = IniGetInt(language, count_key, 0, info);
  if (count < 0) count = 0;
  if (count > limit) count = limit;
  WriteInt(target, language, count_key, count);
  for (int32_t n = 0; n < count; ++n) {
    char16_t section[96] = {};
    plat::WFormat(section, 96, format, int(n), language);
    inst::CopySection(info, section, target, section);
  }
}

// Starts one program of the driver directory and waits a bounded time; 1
// when it did not end in time.
int32_t RunProgram(const std::u16string& program, const char16_t* current_dir) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process{};
  char16_t command_line[2] = {};
  if (!CreateProcessW(program.c_str(), command_line, nullptr, nullptr, FALSE, 0, nullptr, current_dir, &startup,
                      &process))
    return 0;  // a program that cannot be started is skipped
  const long wait = plat::GetMachineSettingInt("install.programwait", kProgramWaitMs);
  const DWORD result = WaitForSingleObject(process.hProcess, wait < 0 ? 0 : DWORD(wait));
  CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return result == WAIT_OBJECT_0 ? 0 : 1;
}

}  // namespace

// ---- install-info defaults -------------------------------------------------------------

int32_t InstTargetNeedsDefaults(const char16_t* target, const char16_t*, int32_t* missing, DriverContext* ctx) {
  if (missing) *missing = 0;
  if (!ctx || !ctx->model || !target) return 0;
  const char16_t* language = InstGetLanguageSectionName(ctx);
  if (!inst::KeyPresent(language, u"QstVersion", target)) {
    if (missing) *missing = 1;
    return 1;
  }
  const uint32_t version = uint32_t(IniGetInt(language, u"QstVersion", 0, target));
  return QstVersionsMatch(version, ctx->model->settingsFileVersion) ? 0 : 1;
}

int32_t InstCopyInfoDefaults(const char16_t* target, const char16_t* info, DriverContext* ctx) {
  if (!ctx || !target || !info || !FileExists(info)) return 1;
  int32_t missing = 0;
  if (FileExists(target) && !InstTargetNeedsDefaults(target, info, &missing, ctx)) return 1;
  const char16_t* language = InstGetLanguageSectionName(ctx);
  CopyEntrySections(target, info, language, u"FreeSizeCount", u"FreeSize%d%s", kFreeSizeSlots);
  CopyEntrySections(target, info, language, u"StampCount", u"Stamp%d%s", kStampMaxCount);
  for (const char16_t* key : kBatchKeys)
    (void)IniWriteString(language, key, ReadString(language, key, info).c_str(), target);
  return 1;
}

int32_t InstCopyDefaultQstFreeSizes(const char16_t* target, const char16_t* info, DriverContext* ctx) {
  if (!ctx || !target || !info || !FileExists(info)) return 0;
  const char16_t* language = InstGetLanguageSectionName(ctx);
  char16_t name[kPathChars] = {}, file[kPathChars] = {};
  IniGetString(language, u"DefaultQst", u"", name, kPathChars, info);
  if (!name[0] || !PathMakeDriverAbsolute(file, kPathChars, name, ctx)) return 0;
  int32_t count = IniGetInt(language, u"FreeSizeCount", 0, info);
  if (count > kFreeSizeSlots) count = kFreeSizeSlots;
  for (int32_t n = 0; n < count; ++n) {
    char16_t section[96] = {};
    FreeSizeFormatKey(section, n, ctx);
    for (uint16_t id : FreeSizeItemTable) {
      const char16_t* key = OptGetSettingName(ctx, id);
      const std::u16string value = key ? ReadString(section, key, file) : u"";
      if (!value.empty()) (void)IniWriteString(section, key, value.c_str(), target);
    }
  }
  (void)IniWriteStringKeepTime(InstGetBatchInstallDoneKey(), InstGetBatchInstallDoneKey(), u"1", info);
  return 1;
}

int32_t InstApplyBatchDefaultsEx(HANDLE, HANDLE, int32_t mode, DriverContext* ctx, int32_t per_user) {
  if (!ctx) return 0;
  const char16_t* info = PathGetInstallInfoFile(ctx);
  char16_t target[kPathChars] = {};
  if (per_user == 1) {
    plat::WCopy(target, kPathChars, PathGetDriverIni(ctx));
  } else if (!PathMakeInDataDir(target, kPathChars, PathGetFileNamePart(PathGetDriverIni(ctx)), ctx)) {
    return 0;
  }
  if (!target[0] || !info || !info[0]) return 0;
  if (mode == 0) InstCopyInfoDefaults(target, info, ctx);
  InstCopyDefaultQstFreeSizes(target, info, ctx);
  return 1;
}

int32_t InstApplyBatchDefaults(HANDLE printer, HANDLE second, int32_t mode, DriverContext* ctx) {
  return InstApplyBatchDefaultsEx(printer, second, mode, ctx, 0);
}

// ---- locale defaults and the hand-over ini -------------------------------------------------

uint16_t InstGetUserLanguageId() {
  const WORD id = GetUserDefaultLangID();
  return ResFindLanguageByLangId(uint16_t(id & 0x3FF), uint16_t(id >> 10));
}

int32_t InstGetUserCountryCode(DriverContext*) { return CountryDigit(); }

void InstSetCountryDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->work) return;
  const int32_t country = CountryDigit();
  SetPaperAndUnitByCountry(*ctx->work, country);
  OptSetValueById(ctx, setting::vdmLocaleID, country);
}

int32_t InstSetLocaleFromUser(const char16_t*, DriverContext* ctx) {
  if (!ctx || !ctx->work) return 1;
  uint16_t language = InstGetUserLanguageId();
  if (language == 0xFFFF) language = ResGetLangIdFromDriverHelp(ctx);
  ctx->work->handOverLanguage = language;
  SetPaperAndUnitByCountry(*ctx->work, CountryDigit());
  return 1;
}

int32_t InstReadHandOverIni(const char16_t* printer_name, DriverContext* ctx) {
  if (!ctx || !ctx->work || !printer_name) return 0;
  const std::u16string ini = HandOverIni(ctx);
  if (ini.empty() || !FileExists(ini.c_str())) return 0;
  const char16_t* f = ini.c_str();
  if (!inst::KeyPresent(printer_name, u"VelmInstDone", f) || IniGetInt(printer_name, u"VelmInstDone", 1, f) != 0 ||
      !inst::KeyPresent(printer_name, u"DispLang", f))
    return 0;
  WorkRecord& w = *ctx->work;
  w.handOverUserCode = uint8_t(IniGetInt(printer_name, u"UserCode", 0, f));
  w.handOverUserCodeFixed = uint8_t(IniGetInt(printer_name, u"UserCodeFIX", 0, f));
  plat::WCopy(w.handOverCode, 9, ReadString(printer_name, u"UserCodeString", f, kCodeChars).c_str());
  w.handOverLanguage = uint16_t(IniGetInt(printer_name, u"DispLang", 0, f));
  w.handOverPaper = uint16_t(IniGetInt(printer_name, u"DefPaper", kPaperA4, f));
  w.handOverUnit = uint16_t(IniGetInt(printer_name, u"DefUnit", 0, f));
  (void)IniWriteString(printer_name, u"VelmInstDone", u"1", f);
  return 1;
}

int32_t InstWriteUserCodeIni(const char16_t* printer_name, int32_t mode, DriverContext* ctx) {
  const std::u16string ini = HandOverIni(ctx);
  if (ini.empty() || !printer_name) return 0;
  WriteInt(ini, printer_name, u"UserCode", 0);
  WriteInt(ini, printer_name, u"UserCodeFIX", 0);
  if (mode != 0) return 0;
  (void)IniWriteString(printer_name, u"UserCodeString", u"", ini.c_str());
  const std::u16string code = SettingText(ctx, setting::vdmLogCode);
  if (!OptGetValueById(ctx, setting::vdmLogCodeUse) || code.empty()) return 0;
  WriteInt(ini, printer_name, u"UserCode", 1);
  WriteInt(ini, printer_name, u"UserCodeFIX", 1);
  (void)IniWriteString(printer_name, u"UserCodeString", code.substr(0, kCodeChars).c_str(), ini.c_str());
  return 1;
}

int32_t InstWriteHandOverIni(const char16_t* printer_name, DriverContext* ctx) {
  const std::u16string ini = HandOverIni(ctx);
  if (!ctx || ini.empty() || !printer_name) return 1;
  const int32_t locale = OptGetValueById(ctx, setting::vdmLocaleID);
  WriteInt(ini, printer_name, u"DispLang", OptGetValueById(ctx, setting::vdmLanguageID));
  WriteInt(ini, printer_name, u"DefPaper", locale == 1 || locale == 2 || locale == 5 ? kPaperLetter : kPaperA4);
  WriteInt(ini, printer_name, u"DefUnit", OptGetValueById(ctx, setting::vdmDspUnit));
  InstWriteUserCodeIni(printer_name, 0, ctx);
  WriteInt(ini, printer_name, u"VelmInstDone", 0);
  InstReadHandOverIni(printer_name, ctx);
  return 1;
}

void InstApplyLocaleDefaults(const char16_t* printer_name, DriverContext* ctx) {
  if (!ctx || !ctx->work || !ctx->model || !printer_name) return;
  WorkRecord& w = *ctx->work;
  const std::u16string ini = HandOverIni(ctx);
  if (InstReadHandOverIni(printer_name, ctx)) {
    OptSetValueById(ctx, setting::vdmLogCodeUse, w.handOverUserCode);
    if (SettingRecord* row = OptFindSetting(ctx, setting::vdmLogCode)) OptSetText(ctx, row, w.handOverCode);
    DmSetFlagLogCodeUseTo(ctx, w.handOverUserCodeFixed);
    w.handOverCountry = uint16_t(InstGetUserCountryCode(ctx));
  } else {
    InstSetLocaleFromUser(printer_name, ctx);
    if (!ini.empty()) {
      WriteInt(ini, printer_name, u"DispLang", w.handOverLanguage);
      WriteInt(ini, printer_name, u"DefPaper", w.handOverPaper);
      WriteInt(ini, printer_name, u"DefUnit", w.handOverUnit);
    }
  }
  const uint16_t help = ResGetLangIdFromDriverHelp(ctx);
  if (help == 0) {
    w.handOverLanguage = 0;
    w.handOverPaper = kPaperA4;
    w.handOverUnit = 0;
    if (!ini.empty()) {
      WriteInt(ini, printer_name, u"DispLang", 0);
      WriteInt(ini, printer_name, u"DefPaper", kPaperA4);
      WriteInt(ini, printer_name, u"DefUnit", 0);
    }
  } else if (help != w.handOverLanguage) {
    w.handOverLanguage = help;
    if (!ini.empty()) WriteInt(ini, printer_name, u"DispLang", help);
  }
  if (ctx->model->modelFlag == 0) {
    w.handOverPaper = kPaperA4;
    if (!ini.empty()) WriteInt(ini, printer_name, u"DefPaper", kPaperA4);
  }
  OptSetValueById(ctx, setting::vdmLanguageID, w.handOverLanguage);
  OptSetValueById(ctx, setting::vdmDspLanguageID, w.handOverLanguage);
  OptSetValueById(ctx, setting::vdmLocaleID, w.handOverCountry);
  OptSetValueById(ctx, setting::vdmDspUnit, w.handOverUnit);
  OptSetValueById(ctx, setting::dmPaperSize, w.handOverPaper);
}

// ---- the model -------------------------------------------------------------------------

const char16_t* InstSkipBlanks(const char16_t* text) {
  while (text && *text == u' ') ++text;
  return text;
}

const char16_t* InstGetModelKey(DriverContext* ctx) {
  if (!ctx || !ctx->work) return nullptr;
  WorkRecord& w = *ctx->work;
  if (!w.modelKey[0]) {
    const char16_t* info = PathGetInstallInfoFile(ctx);
    const char16_t* driver = SplGetDriverName(ctx);
    if (!inst::IsAbsolute(info) || !driver || !driver[0]) return nullptr;
    const std::u16string value = ReadString(u"Models", driver, info);
    plat::WCopy(w.modelKey, kModelKeyChars + 1, InstSkipBlanks(value.c_str()));
  }
  return w.modelKey[0] ? w.modelKey : nullptr;
}

int32_t InstReadInstallIniModel(char16_t* load_dll, char16_t* version, DriverContext* ctx) {
  if (load_dll) load_dll[0] = 0;
  if (version) version[0] = 0;
  const char16_t* key = InstGetModelKey(ctx);
  const char16_t* ini = ctx ? PathGetInstallIni(ctx) : nullptr;
  if (!key || !load_dll || !version) return 0;
  if (!inst::IsAbsolute(ini)) return 1;
  IniGetString(key, u"LoadDll32", u"", load_dll, kPathChars - 1, ini);
  IniGetString(key, u"Version32", u"", version, kPathChars - 1, ini);
  return 1;
}

int32_t InstRegisterModel(DriverContext* ctx) {
  const char16_t* key = InstGetModelKey(ctx);
  if (!key) return 0;
  const char16_t* dll = ctx->model ? ctx->model->resourceDataDll : nullptr;
  if (!dll || !dll[0]) return 1;
  char16_t load[kPathChars] = {}, version[kPathChars] = {}, database[kPathChars] = {};
  if (!InstReadInstallIniModel(load, version, ctx) || !PathMakeInWindowsDir(database, kPathChars, kModelDatabase))
    return 0;
  if (load[0]) (void)IniWriteString(key, u"LoadDll", load, database);
  (void)IniWriteString(key, u"ResDll", dll, database);
  if (version[0]) (void)IniWriteString(key, u"Version", version, database);
  return 1;
}

// ---- install programs ------------------------------------------------------------------

int32_t InstRunExpandFilePrograms(DriverContext* ctx) {
  const char16_t* info = ctx ? PathGetInstallInfoFile(ctx) : nullptr;
  if (!inst::IsAbsolute(info)) return 0;
  struct Kind {
    const char16_t* countKey;
    const char16_t* entryKey;
  };
  const Kind kinds[] = {{u"SystemDirfiles", u"SystemDir"}, {u"DriverDirfiles", u"DriverDir"}};
  char16_t system_dir[kPathChars] = {};
  PathGetSystemDir(system_dir, kPathChars, ctx);
  const std::u16string driver_dir = PathGetDriverDir(ctx);
  int32_t cut_off = 0;
  for (const Kind& kind : kinds) {
    int32_t count = IniGetInt(u"Expand File", kind.countKey, 0, info);
    if (count > 0xFFFE) count = 0xFFFE;
    for (int32_t i = 1; i <= count; ++i) {
      const std::u16string name = ReadString(u"Expand File", inst::NumberedKey(kind.entryKey, uint32_t(i)).c_str(), info);
      if (name.empty()) continue;
      const std::u16string cwd = &kind == &kinds[0] ? std::u16string(system_dir) : driver_dir;
      cut_off += RunProgram(driver_dir + name, cwd.c_str());
    }
  }
  return cut_off;
}
