// Putting the printer's files in place from the driver directory: the
// install-info file and its install list, the default presets and quality
// sets, the two DLLs of the system directory, and the copies of a
// connection's cache refresh. Also the preset filter ("disable" and
// "condition" sections of a preset file) and the quality-list append of the
// default installation.
#include <cstring>
#include <string>

#include "inst_internal.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

using inst::kPathChars;

constexpr uint32_t kMaxEntries = 0xFFFE;
constexpr uint32_t kTermBytes = 259;
constexpr const char* kConditionFeature = "VPD_ConditionOption";

// The companion files of the driver: only kind 2 (put into the system
// directory at a cache refresh) is acted on.
struct CompanionFile {
  uint32_t kind;
  const char16_t* name;
};
constexpr CompanionFile kCompanionFiles[] = {{2, u"orvmon.dll"}, {0, nullptr}};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The feature of the condition options and the key of its options; false
// when the model has none.
bool ConditionFeature(DriverContext* ctx, MdfItem* item, uint16_t* key) {
  const UiSymbolRow* row = MdfFindFeatureByName(kConditionFeature);
  if (!row) return false;
  *item = MdfFindItemByKey(ctx, row->key);
  *key = row->key;
  return *item != 0;
}

// The value of one term: the named condition option is hidden under the
// current settings. An unknown name is false, negated or not.
bool TermValue(DriverContext* ctx, MdfItem item, uint16_t key, const char* name, bool negate) {
  const OptionNameTable& table = MdfGetOptionNameTable();
  for (int16_t i = 0; i < table.count; ++i) {
    const OptionNameRow& row = table.rows[i];
    if (row.featureKey != key || !row.keyword || std::strcmp(row.keyword, name) != 0) continue;
    const bool hidden = RuleIsItemHidden(ctx, item, row.optionId) != 0;
    return negate ? !hidden : hidden;
  }
  return false;
}

// Evaluates one expression into answer (left as it is when the text holds
// no term).
void EvalExpression(DriverContext* ctx, MdfItem item, uint16_t key, const char* text, bool* answer) {
  bool previous_and = true;
  const char* p = text;
  for (;;) {
    char name[kTermBytes + 1] = {};
    int32_t negate = 0, and_next = 0;
    const int32_t used = InstParseConditionTerm(p, name, sizeof name, &negate, &and_next);
    if (!name[0]) return;
    p += used;
    if (!(*answer && !previous_and)) *answer = TermValue(ctx, item, key, name, negate != 0);
    previous_and = and_next != 0;
    if (!*answer && and_next) return;
  }
}

std::u16string FullPath(const char16_t* path) {
  char16_t full[kPathChars] = {};
  DWORD n = GetFullPathNameW(path, kPathChars, full, nullptr);
  return n > 0 && n < kPathChars ? std::u16string(full) : std::u16string();
}

bool Under(const std::u16string& path, const std::u16string& dir) {
  if (dir.size() < 3 || path.size() <= dir.size()) return false;
  std::u16string base = dir.back() == u'\\' ? dir.substr(0, dir.size() - 1) : dir;
  return plat::WCmpNI(path.c_str(), base.c_str(), base.size()) == 0 && path[base.size()] == u'\\';
}

// Copies from the driver directory when the source is newer.
void InstallListEntry(const char16_t* target, DriverContext* ctx) {
  if (!InstIsInstallTarget(target)) return;
  FileCopyFromDriverDirEx(target, PathGetFileNamePart(target), 2, ctx, 1);
}

// A file named by the install-info file made available: an absolute name
// installed from the driver directory, else the driver directory's copy in
// place (Windows 2000 and later) or a copy in the system directory (NT 4).
std::u16string MakeAvailable(const char16_t* name, DriverContext* ctx) {
  char16_t path[kPathChars] = {};
  if (inst::IsAbsolute(name)) {
    FileCopyFromDriverDir(name, PathGetFileNamePart(name), 2, ctx);
    return name;
  }
  if (OsIsNt5OrLater()) return PathMakeDriverAbsolute(path, kPathChars, name, ctx) ? path : u"";
  FileCopyDriverToSystemDir(name, name, 2, ctx);
  return PathMakeInSystemDir(path, kPathChars, name) ? path : u"";
}

void CopySystemDlls(DriverContext* ctx) {
  for (const char16_t* dll : ctx->model->systemDllNames)
    if (dll) FileCopyDriverToSystemDir(dll, dll, 2, ctx);
}

}  // namespace

int32_t InstIsInstallTarget(const char16_t* path) {
  if (!inst::IsAbsolute(path)) return 0;
  const std::u16string full = FullPath(path);
  if (full.empty()) return 0;
  char16_t dir[kPathChars] = {};
  if (GetWindowsDirectoryW(dir, kPathChars) && Under(full, dir)) return 1;
  if (PathGetCommonDataDir(dir, kPathChars) > 0 && Under(full, dir)) return 1;
  if (PathGetUserDataDirNoCtx(dir, kPathChars) > 0 && Under(full, dir)) return 1;
  return 0;
}

int32_t InstHasBatchInstQst(DriverContext* ctx) {
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  const char16_t* section = ctx ? InstGetPrinterSectionName(ctx) : nullptr;
  char16_t path[kPathChars] = {};
  if (!ini || !section || !section[0] || !PathMakeInDataDir(path, kPathChars, PathGetFileNamePart(ini), ctx))
    return 0;
  return inst::ReadString(section, u"BatchInstQst", path).empty() ? 0 : 1;
}

// ---- the preset filter -------------------------------------------------------------------

int32_t InstPresetIsEnabled(const char16_t* file, DriverContext* ctx) {
  const char16_t* driver = ctx ? SplGetDriverName(ctx) : nullptr;
  if (!file || !driver || !driver[0]) return 1;
  return IniGetInt(u"disable", driver, 0, file) != 0 ? 0 : 1;
}

int32_t InstParseConditionTerm(const char* text, char* name, uint32_t name_size, int32_t* negate,
                               int32_t* and_next) {
  if (name && name_size) name[0] = 0;
  if (negate) *negate = 0;
  if (and_next) *and_next = 0;
  if (!text || !name || name_size == 0) return 0;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  if (*p == '!') {
    // "! " ends the expression.
    if (IsBlank(p[1]) || !p[1]) return int32_t(p - text);
    if (negate) *negate = 1;
    ++p;
  }
  uint32_t n = 0;
  while (*p && !IsBlank(*p) && *p != '|' && *p != '&') {
    // A double-byte character is taken whole: its trail byte may be '|'.
    const uint32_t width = IsDBCSLeadByte(uint8_t(*p)) && p[1] ? 2 : 1;
    if (n + width < name_size && n + width <= kTermBytes) {
      std::memcpy(name + n, p, width);
      n += width;
    }
    p += width;
  }
  name[n] = 0;
  while (IsBlank(*p)) ++p;
  if (*p == '&') {
    if (and_next) *and_next = 1;
    ++p;
  } else if (*p == '|') {
    ++p;
  }
  return int32_t(p - text);
}

int32_t InstPresetMatchesCondition(const char16_t* file, DriverContext* ctx) {
  MdfItem item = 0;
  uint16_t key = 0;
  if (!ctx || !file || !ConditionFeature(ctx, &item, &key)) return 1;
  bool answer = true;
  for (int r = 0; r < 10; ++r) {
    for (int k = 0; k < 10; ++k) {
      char16_t key_name[32] = {}, text[kTermBytes + 1] = {};
      plat::WFormat(key_name, 32, u"ConditionOption%d_%d", r, k);
      IniGetString(u"condition", key_name, u"", text, kTermBytes + 1, file);
      if (!text[0]) break;
      char ansi[kTermBytes * 2 + 1] = {};
      plat::WideToAnsi(text, plat::WLen(text), ansi, sizeof ansi - 1);
      EvalExpression(ctx, item, key, ansi, &answer);
      if (answer) break;
    }
    if (!answer) return 0;
  }
  return 1;
}

// ---- the quality list -----------------------------------------------------------------

void PresetFormatQualityKeyEx(char16_t* buffer, int32_t n, int32_t name_flag) {
  if (buffer) plat::WFormat(buffer, 32, name_flag == 1 ? u"QualityList%dName" : u"QualityList%d", int(n));
}

int32_t InstResetQualityList(DriverContext* ctx) {
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  return ini && IniWriteString(InstGetPrinterSectionName(ctx), u"QualityCount", u"0", ini) ? 1 : 0;
}

int32_t InstAppendQuality(DriverContext* ctx, const char16_t* file, const char16_t* name) {
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  if (!ini || !file) return 0;
  const char16_t* section = InstGetPrinterSectionName(ctx);
  const int32_t n = PresetGetQualityCount(ctx);
  char16_t key[32] = {}, count[16] = {};
  PresetFormatQualityKeyEx(key, n, 0);
  if (!IniWriteString(section, key, file, ini)) return 0;
  PresetFormatQualityKeyEx(key, n, 1);
  if (!IniWriteString(section, key, name ? name : u"", ini)) return 0;
  plat::WFormat(count, 16, u"%d", int(n + 1));
  return IniWriteString(section, u"QualityCount", count, ini) ? 1 : 0;
}

int32_t InstAppendQualityNamed(const char16_t* file, const char16_t* name, DriverContext* ctx) {
  return InstAppendQuality(ctx, file, name ? name : u"NoName");
}

int32_t InstReadQualityName(const char16_t* file, const char16_t* section, char16_t* buffer) {
  if (!buffer) return 0;
  buffer[0] = 0;
  if (!file || !section) return 0;
  IniGetString(section, u"qualityname", u"", buffer, kTermBytes + 1, file);
  return 1;
}

// ---- install files -----------------------------------------------------------------------

int32_t InstInstallListFiles(const char16_t* info, const char16_t* section, DriverContext* ctx) {
  if (!info || !section || !ctx) return 1;
  int32_t count = IniGetInt(section, u"NumInstallfiles", 0, info);
  if (count <= 0) return 1;
  if (uint32_t(count) > kMaxEntries) count = int32_t(kMaxEntries);
  for (int32_t u = 1; u <= count; ++u) {
    char16_t path[kPathChars] = {};
    IniGetString(section, inst::NumberedKey(u"Installfiles", uint32_t(u)).c_str(), u"", path, kPathChars, info);
    if (path[0] && InstResolveListFilePath(path, kPathChars, ctx)) InstallListEntry(path, ctx);
  }
  return 1;
}

int32_t InstInstallFiles(DriverContext* ctx, uint32_t mode) {
  if (!ctx || !ctx->model) return 1;
  // The one failure this step reports is a lack of memory: without its
  // name buffer nothing is put in place, and the set-up skips the steps
  // that need the files (a copy that fails is skipped and counts as done).
  auto* name = static_cast<char16_t*>(MemAllocZeroed(kPathChars * sizeof(char16_t)));
  if (!name) return 0;
  InstUnpackDefaultFiles(ctx);
  const char16_t* section = InstGetLanguageSectionName(ctx);
  const std::u16string info = MakeAvailable(ctx->model->installInfoName, ctx);
  if (!info.empty() && section) {
    InstInstallListFiles(info.c_str(), section, ctx);
    IniGetString(section, u"DefaultQst", u"", name, kPathChars, info.c_str());
    if (name[0]) {
      const std::u16string defaults = MakeAvailable(name, ctx);
      if (!defaults.empty()) {
        InstInstallDefaultPresets(defaults.c_str(), section, mode | kInstCopyFiles, ctx);
        InstInstallDefaultQualities(defaults.c_str(), section, mode | kInstCopyFiles, ctx);
      }
    }
  }
  MemFree(name);
  CopySystemDlls(ctx);
  return 1;
}

int32_t InstRefreshSystemFiles(DriverContext* ctx) {
  if (!ctx || !ctx->model) return 0;
  auto* info = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(ctx->printer, 3));
  if (!info) return 0;
  char16_t driver_dir[kPathChars] = {}, system_dir[kPathChars] = {};
  plat::WCopy(driver_dir, kPathChars, info->pDriverPath ? info->pDriverPath : u"");
  MemFree(info);
  const char16_t* name = PathGetFileNamePart(driver_dir);
  if (name) driver_dir[name - driver_dir] = 0;
  if (!driver_dir[0] || !PathMakeInSystemDir(system_dir, kPathChars, u"")) return 0;
  // The copies are made as the spooler, not as the client.
  HANDLE token = RevertToPrinterSelf();
  for (const CompanionFile* row = kCompanionFiles; row->name; ++row)
    if (row->kind == 2) FileCopyBetweenDirs(row->name, driver_dir, system_dir, 2);
  for (const char16_t* dll : ctx->model->systemDllNames)
    if (dll) FileCopyBetweenDirs(dll, driver_dir, system_dir, 2);
  ImpersonatePrinterClient(token);
  return 1;
}
