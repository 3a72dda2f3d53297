// User codes: whether a code is used and the code, from the printer's own
// printer data or from velmcfg.ini in the common data directory.
#include "velm/setting_ids.h"
#include "velm/ucode.h"

#include "plat/files.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/printer_data.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {
constexpr uint32_t kCodeBytes = 9;  // 8 bytes and the terminator
constexpr uint32_t kIniChars = 261;
constexpr const char16_t* kConfigIni = u"velmcfg.ini";
constexpr const char16_t* kMruSection = u"ORVEK UserCode";

// A code into an ANSI text setting: cut to the setting (8 bytes here) without
// splitting a double-byte character, and terminated.
void SetCode(DriverContext* ctx, uint32_t id, const char16_t* code) {
  if (SettingRecord* row = OptFindSetting(ctx, id)) OptSetText(ctx, row, code);
}

}  // namespace

int32_t UcodeLoadForPrinter(DriverContext* ctx) {
  if (!ctx || SplIsRemotePrinter(ctx)) return 0;
  uint8_t server = 0;
  if (SplGetPrinterData(ctx->printer, &server, 1, u"ServerUse") && server) {
    uint8_t use = 0;
    SplGetPrinterData(ctx->printer, &use, 1, u"UserCodeUse");
    // The stored code may fill its 9 bytes without a terminator: the buffer
    // keeps one zero byte beyond them.
    char code[kCodeBytes + 1] = {};
    SplGetPrinterData(ctx->printer, code, kCodeBytes, u"UserCode");
    char16_t wide[kCodeBytes + 1] = {};
    StrAnsiToWide(wide, code, int32_t(kCodeBytes + 1));
    OptSetValueById(ctx, setting::vdmLogCodeUse, use);
    SetCode(ctx, setting::vdmLogCode, wide);
    return 1;
  }
  return UcodeLoadFromIni(ctx);
}

int32_t UcodeLoadFromIni(DriverContext* ctx) {
  if (!ctx) return 0;
  char16_t file[kIniChars] = {};
  if (!PathMakeInDataDir(file, kIniChars, kConfigIni, ctx)) return 0;
  const char16_t* printer = SplGetPrinterName(ctx);
  int32_t use = 0;
  char16_t code[kIniChars] = {};
  if (GetFileAttributesW(file) != INVALID_FILE_ATTRIBUTES) {
    char16_t flag[kIniChars] = {};
    if (IniGetString(printer, u"UserCode", u"", flag, kIniChars, file) > 0) {
      use = IniGetInt(printer, u"UserCode", 0, file);
      IniGetString(printer, u"UserCodeString", u"", code, kIniChars, file);
    } else {
      // A printer met for the first time takes the code used last on any
      // printer, not in use yet.
      // The file is only seeded for the next load: this load's values do not
      // depend on the writes.
      IniGetString(kMruSection, u"MRUUserCode", u"", code, kIniChars, file);
      (void)IniWriteString(printer, u"UserCode", u"0", file);
      (void)IniWriteString(printer, u"UserCodeString", code, file);
    }
  } else {
    (void)IniWriteString(printer, u"UserCode", u"0", file);  // seeded only, as above
    (void)IniWriteString(printer, u"UserCodeString", u"", file);
    (void)IniWriteString(kMruSection, u"MRUUserCode", u"", file);
  }
  int32_t fixed = IniGetInt(printer, u"UserCodeFIX", 0, file);
  OptSetValueById(ctx, setting::vdmLogCodeUse, use);
  SetCode(ctx, setting::vdmLogCode, code);
  SetCode(ctx, setting::vdmDllLogCode, code);
  if (ctx->devmode) DmSetFlagLogCodeUseTo(ctx, fixed);
  return 1;
}

int32_t UcodeSyncIniIfEnabled(DriverContext*) { return 1; }
int32_t UcodeLoadIfEnabled(DriverContext*) { return 1; }
void UcodeUpdateProviderFlags(DriverContext*) {}
void UcodeSaveIfEnabled(DriverContext*) {}
