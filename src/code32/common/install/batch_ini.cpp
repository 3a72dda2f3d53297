// The batch-settings ini VELM.ini in the system directory: per printer
// section, a default settings file to apply, a user code, a user id and an
// owner name that an administrator leaves for the printer's set-up. The
// set-up applies them once, deletes the one-time keys and records that it
// did.
#include <algorithm>
#include <string>

#include "inst_internal.h"
#include "plat/kernel.h"
#include "plat/calls.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {

using inst::kPathChars;
using inst::ReadString;

constexpr const char16_t* kBatchIni = u"VELM.ini";
constexpr uint32_t kUserCodeDigits = 8;
constexpr uint32_t kUserIdChars = 8;
constexpr uint32_t kOwnerBytes = 16;
constexpr uint32_t kJobInfoUserCodeType = 1;
constexpr uint32_t kJobInfoOwnerType = 2;
constexpr uint32_t kJobInfoUserIdType = 8;
constexpr uint32_t kDefaultQstJobInfoMask = 158;

bool AllDigits(const std::u16string& text) {
  for (char16_t c : text)
    if (c < u'0' || c > u'9') return false;
  return true;
}

bool AllAlnum(const std::u16string& text) {
  for (char16_t c : text)
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))) return false;
  return true;
}

size_t AnsiBytes(const std::u16string& text) {
  std::string out(text.size() * 2 + 1, '\0');
  return plat::WideToAnsi(text.c_str(), text.size(), out.data(), out.size());
}

void SetText(DriverContext* ctx, uint32_t id, const std::u16string& text) {
  if (SettingRecord* row = OptFindSetting(ctx, id)) OptSetText(ctx, row, text.c_str());
}

std::u16string Text(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return u"";
  std::u16string buffer(DescSize(row->descriptor) + 8, u'\0');
  if (!OptGetText(ctx, row, buffer.data())) return u"";
  return buffer.c_str();
}

void SaveToPrinterData(DriverContext* ctx, uint32_t id) {
  if (SettingRecord* row = OptFindSetting(ctx, id)) (void)StoreSaveItemToPrinterData(ctx->printer, ctx, row);
}

// The user code in use (or cleared): the settings, the job-information
// provider and printer data.
void ApplyUserCode(DriverContext* ctx, const std::u16string& code) {
  OptSetValueById(ctx, setting::vdmLogCodeUse, code.empty() ? 0 : 1);
  if (code.empty()) OptSetValueById(ctx, setting::vdmUserCodeFIX, 0);
  SetText(ctx, setting::vdmLogCode, code);
  SetText(ctx, setting::vdmUserCode, code);
  JobInfoWriteOneIfEnabled(ctx, kJobInfoUserCodeType);
  JobInfoSaveMaskToPrinterData(ctx, kJobInfoUserCodeType);
  SaveToPrinterData(ctx, setting::vdmLogCodeUse);
  SaveToPrinterData(ctx, setting::vdmLogCode);
}

const char16_t* Section(DriverContext* ctx) { return InstGetPrinterSectionName(ctx); }

void DeleteKey(const char16_t* ini, const char16_t* section, const char16_t* key) {
  if (FileExists(ini)) inst::WriteKeyWritable(section, key, nullptr, ini);
}

}  // namespace

const char16_t* InstGetBatchIniName() { return kBatchIni; }

const char16_t* InstGetBatchIniPath(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  if (!w.batchIni[0]) PathMakeInSystemDir(w.batchIni, 260, kBatchIni);
  return w.batchIni;
}

int32_t InstGetBatchIniPathInto(char16_t* buffer, uint32_t size) { return PathMakeInSystemDir(buffer, size, kBatchIni); }

int32_t InstBatchHasNoEntries(const char16_t* ini, const char16_t* section) {
  if (!ini || !section) return 1;
  const bool entries = !ReadString(section, u"DefaultQst", ini).empty() ||
                       ReadString(section, u"SetUserCode", ini, 16, u"*") != u"*" ||
                       !ReadString(section, u"SetUserID", ini).empty() || !ReadString(section, u"SetOwnerID", ini).empty();
  return entries ? 0 : 1;
}

int32_t InstBatchHasEntriesByName(const char16_t* printer_name) {
  char16_t ini[kPathChars] = {};
  if (!printer_name || !InstGetBatchIniPathInto(ini, kPathChars) || !FileExists(ini)) return 0;
  return InstBatchHasNoEntries(ini, printer_name) ? 0 : 1;
}

int32_t InstBatchHasEntriesByHandle(HANDLE printer) {
  char16_t name[kPathChars] = {}, ini[kPathChars] = {};
  if (!InstGetPrinterNameByHandle(printer, name, kPathChars) || !InstGetBatchIniPathInto(ini, kPathChars)) return 0;
  std::string body;
  bool found = false;
  if (!inst::ReadSectionBody(ini, name, &body, &found) || !found || body.empty()) return 0;
  return InstBatchHasNoEntries(ini, name) ? 0 : 1;
}

int32_t InstBatchIniHasEntries(DriverContext* ctx) {
  const char16_t* ini = InstGetBatchIniPath(ctx);
  if (!FileExists(ini)) return 0;
  return InstBatchHasNoEntries(ini, Section(ctx)) ? 0 : 1;
}

int32_t InstBatchGetDefaultQst(char16_t* buffer, DriverContext* ctx) {
  if (!buffer) return 0;
  buffer[0] = 0;
  const char16_t* ini = InstGetBatchIniPath(ctx);
  if (!inst::IsAbsolute(ini)) return 0;
  IniGetString(Section(ctx), u"DefaultQst", u"", buffer, kPathChars - 1, ini);
  return buffer[0] ? 1 : 0;
}

int32_t InstIsSettingsFile(const char16_t* path) { return PathHasShortExtension(path) && FileExists(path) ? 1 : 0; }

int32_t InstWriteIniInt(const char16_t* section, const char16_t* ini, int32_t value, const char16_t* key) {
  char16_t text[16] = {};
  plat::WFormat(text, 16, u"%d", int(value));
  return inst::WriteKeyWritable(section, key, text, ini);
}

int32_t InstBatchSetInstallDone(const char16_t* ini, const char16_t* section, int32_t value) {
  InstWriteIniInt(section, ini, value, InstGetBatchInstallDoneKey());
  return 1;
}

int32_t InstBatchSetDrvInstSet(const char16_t* ini, const char16_t* section, int32_t value) {
  InstWriteIniInt(section, ini, value, u"DrvInstSet");
  return 1;
}

int32_t InstBatchIsDrvInstSet(const char16_t* ini, const char16_t* section) {
  return InstIniFlagIsSet(ini, section, u"DrvInstSet");
}

int32_t InstBatchIsDrvInstSet(DriverContext* ctx) {
  // Noted in the call log as the ini read is, so that whether an open asks
  // can be seen.
  plat::NoteCall("InstBatchIsDrvInstSet");
  const char16_t* ini = InstGetBatchIniPath(ctx);
  return FileExists(ini) ? InstBatchIsDrvInstSet(ini, Section(ctx)) : 0;
}

int32_t InstBatchSetDrvInstSet(DriverContext* ctx, int32_t value) {
  const char16_t* ini = InstGetBatchIniPath(ctx);
  return FileExists(ini) ? InstBatchSetDrvInstSet(ini, Section(ctx), value) : 1;
}

int32_t InstRecordBatchInstallDone(const char16_t* ini, const char16_t* section, int32_t value, int32_t printer_data,
                                   DriverContext* ctx) {
  InstWriteIniInt(section, ini, value, InstGetBatchInstallDoneKey());
  if (printer_data && ctx) InstWriteBatchInstallDone(ctx->printer, uint32_t(value), ctx);
  return 1;
}

// ---- applying the section ------------------------------------------------------------------

int32_t InstApplyBatchUserCode(const char16_t* ini, const char16_t* section, int32_t* changed, DriverContext* ctx) {
  if (changed) *changed = 0;
  if (!ctx || !ctx->work || !ini || !section) return 1;
  ctx->work->batchUserCode = 0;
  // Read with room beyond the 8 digits, so that a longer code is seen and
  // dropped rather than cut to 8 and applied.
  const std::u16string code = ReadString(section, u"SetUserCode", ini, 16, u"*");
  bool valid = false;
  if (code.empty()) {
    InstWriteUserCodeIni(Section(ctx), 2, ctx);
    ApplyUserCode(ctx, u"");
    if (changed) *changed = 1;
  } else if (code != u"*") {
    if (changed) *changed = 1;
    if (code.size() <= kUserCodeDigits && AllDigits(code)) {
      ApplyUserCode(ctx, code);
      ctx->work->batchUserCode = 1;
      DmSetFlagBatchUserCode(ctx);
      valid = true;
    }
  }
  if (!valid) {
    ctx->work->batchUserCode = 0;
    DmClearFlagBatchUserCode(ctx);
  }
  DeleteKey(ini, section, u"SetUserCode");
  return 1;
}

int32_t InstApplyBatchUserIds(const char16_t* ini, const char16_t* section, DriverContext* ctx) {
  if (!ctx || !ini || !section) return 0;
  uint32_t mask = 0;
  bool present = false;
  if (inst::KeyPresent(section, u"SetUserID", ini)) {
    present = true;
    const std::u16string id = ReadString(section, u"SetUserID", ini, 9);
    if (!id.empty() && id.size() <= kUserIdChars && AllAlnum(id)) {
      SetText(ctx, setting::vdmUserID, id);
      mask |= kJobInfoUserIdType;
    }
    DeleteKey(ini, section, u"SetUserID");
  }
  if (inst::KeyPresent(section, u"SetOwnerID", ini)) {
    present = true;
    const std::u16string owner = ReadString(section, u"SetOwnerID", ini, 17);
    if (!owner.empty() && AnsiBytes(owner) <= kOwnerBytes) {
      SetText(ctx, setting::vdmOwnerName, owner);
      mask |= kJobInfoOwnerType;
    }
    DeleteKey(ini, section, u"SetOwnerID");
  }
  if (mask) {
    JobInfoWriteOneIfEnabled(ctx, mask);
    JobInfoSaveMaskToPrinterData(ctx, mask);
    InstBatchSetDrvInstSet(ini, section, 1);
  }
  return present ? 1 : 0;
}

int32_t InstApplyBatchIni(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  const char16_t* ini = InstGetBatchIniPath(ctx);
  if (!FileExists(ini)) return 0;
  const char16_t* section = Section(ctx);
  const char16_t* language = InstGetLanguageSectionName(ctx);
  int32_t result = 1;
  if (!InstBatchHasNoEntries(ini, section)) {
    char16_t name[kPathChars] = {}, file[kPathChars] = {};
    if (InstBatchGetDefaultQst(name, ctx) && PathMakeDriverAbsolute(file, kPathChars, name, ctx) && language) {
      InstInstallDefaultPresets(file, language, kInstCopyFiles | kInstBatch, ctx);
      InstInstallDefaultQualities(file, language, kInstCopyFiles | kInstBatch, ctx);
    } else {
      InstBatchSetInstallDone(ini, section, 1);
      InstRecordBatchInstallDone(PathGetDriverIni(ctx), section, 1, 1, ctx);
      result = 0;
    }
  }
  int32_t changed = 0;
  InstApplyBatchUserCode(ini, section, &changed, ctx);
  InstApplyBatchUserIds(ini, section, ctx);
  ctx->work->batchUserCode = (DmGetFlagBatchUserCode(ctx) || changed) ? 1 : 0;
  InstApplySpoolDirectory(PathGetInstallInfoFile(ctx), section, ctx);
  InstApplySpoolDirectory(ini, section, ctx);
  return result;
}

int32_t InstApplyBatchDefaultQst(uint32_t flags, DriverContext* ctx, int32_t per_user_reload) {
  if (!ctx || !ctx->work) return 0;
  const char16_t* ini = InstGetBatchIniPath(ctx);
  const char16_t* section = Section(ctx);
  const bool entries = FileExists(ini) && !InstBatchHasNoEntries(ini, section);
  const bool terminal = OsIsTerminalServerCached(ctx->printer) != 0;
  const bool reload = per_user_reload && terminal && IniGetInt(section, InstGetBatchInstallDoneKey(), 0, ini) != 0;
  if (!entries && !reload) return 0;

  char16_t name[kPathChars] = {}, file[kPathChars] = {};
  const bool named = (!entries && terminal) ? InstGetDriverIniDefaultQst(name, ctx) : InstBatchGetDefaultQst(name, ctx);
  if (!named) {
    InstCopyMergeKeys(ctx, 4, nullptr);
    return 0;
  }
  PathMakeDriverAbsolute(file, kPathChars, name, ctx);
  const char16_t* language = InstGetLanguageSectionName(ctx);
  int32_t result = 0;
  if (language && language[0] && InstIsSettingsFile(file)) {
    const uint32_t size = DmGetWorkBufferSize();
    std::string kept(reinterpret_cast<const char*>(ctx->devmode), size);
    const std::u16string user_id = Text(ctx, setting::vdmUserID);
    const std::u16string owner = Text(ctx, setting::vdmOwnerName);
    InstLoadDefaultQstSettings(file, language, ctx);
    if (!user_id.empty()) SetText(ctx, setting::vdmUserID, user_id);
    if (!owner.empty()) SetText(ctx, setting::vdmOwnerName, owner);
    if (InstInstallDefaultFiles(file, language, flags | kInstBatch, ctx)) {
      InstCopyMergeKeys(ctx, 3, file);
      result = 1;
    } else {
      std::copy(kept.begin(), kept.end(), reinterpret_cast<char*>(ctx->devmode));
    }
  } else {
    InstCopyMergeKeys(ctx, 4, nullptr);
  }
  if (result) {
    InstImportFreeSizes(file, language, ctx);
    InstImportStamps(file, language, ctx);
    uint32_t mask = kDefaultQstJobInfoMask;
    if (!ctx->work->batchUserCode && !ReadString(section, u"DefaultQst", ini).empty()) {
      const std::u16string key = Text(ctx, setting::vdmUserCode);
      const std::u16string code = key.empty() ? u"" : ReadString(language, key.c_str(), file, kUserCodeDigits * 2);
      if (!code.empty() && code.size() <= kUserCodeDigits && AllDigits(code)) {
        DmClearFlagBatchUserCode(ctx);
        mask |= kJobInfoUserCodeType;
      }
    }
    JobInfoWriteOneIfEnabled(ctx, mask);
    JobInfoSaveMaskToPrinterData(ctx, mask);
    InstBatchSetDrvInstSet(ini, section, 1);
    if (mask & kJobInfoUserCodeType) {
      SaveToPrinterData(ctx, setting::vdmLogCodeUse);
      SaveToPrinterData(ctx, setting::vdmLogCode);
    }
  }
  if (FileExists(ini)) {
    InstBatchSetInstallDone(ini, section, 1);
    inst::WriteKeyWritable(section, u"DefaultQstName", file, ini);
    inst::WriteKeyWritable(section, u"DefaultQst", nullptr, ini);
  }
  InstRecordBatchInstallDone(PathGetDriverIni(ctx), section, 1, 1, ctx);
  return result;
}
