// Language codes, the UI and bitmap resource modules of a context, and the
// strings they hold with their suffixes.
#include "velm/resources.h"

#include <cstring>

#include "plat/kernel.h"
#include "plat/resources.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/units.h"

namespace {
constexpr uint16_t kDefaultLangId = 1;
constexpr const char16_t* kDefaultCode = u"us";
constexpr uint32_t kMetricUnitString = 153;
constexpr uint32_t kInchUnitString = 154;
constexpr uint32_t kUnitNameChars = 16;
constexpr uint32_t kFirstSlotString = 109;

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

const LanguageRow* FindCode(const char16_t* code) {
  if (!code) return nullptr;
  for (const LanguageRow* r = ResGetLanguageTable(); r->id != 0xFFFF; ++r)
    if (plat::WCmpI(r->code, code) == 0) return r;
  return nullptr;
}

// The two characters before the extension of a file name, or false.
bool CodeOfFileName(const char16_t* name, char16_t code[3]) {
  if (!name) return false;
  uint32_t ext = 0;
  const char16_t* part = PathGetExtensionPart(name, &ext);
  const char16_t* file = PathGetFileNamePart(name);
  if (part == file || part - file < 3) return false;  // no dot, or fewer than two characters before it
  code[0] = part[-3];
  code[1] = part[-2];
  code[2] = 0;
  return true;
}

// The help file named by printer data HelpFileName of the printer.
bool HelpDataName(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  return SplGetHelpFileNameDataByHandle(buffer, capacity * uint32_t(sizeof(char16_t)), printer) && buffer[0];
}

bool DriverHelpName(DriverContext* ctx, char16_t* buffer, uint32_t capacity) {
  if (!ctx) return false;
  auto* info = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(ctx->printer, 3));
  bool ok = info && info->pHelpFile && plat::WCopy(buffer, capacity, PathGetFileNamePart(info->pHelpFile));
  MemFree(info);
  return ok;
}

const char16_t* IntoField(DriverContext* ctx, const char16_t* code) {
  if (!ctx || !ctx->work) return code;
  plat::WCopy(ctx->work->helpLanguage, Cap(ctx->work->helpLanguage), code);
  return ctx->work->helpLanguage;
}

// Appends text to buffer within capacity; the result is always terminated.
void Append(char16_t* buffer, uint32_t capacity, const char16_t* text) { plat::WAppend(buffer, capacity, text); }

void UnitName(DriverContext* ctx, char16_t* out /* kUnitNameChars + 1 */) {
  ResLoadString(ctx, UnitIsMetric(ctx) ? kMetricUnitString : kInchUnitString, out, kUnitNameChars + 1, 0);
}

}  // namespace

// ---- language codes -----------------------------------------------------------------------

uint16_t ResGetLangIdFromCode(const char16_t* code) {
  const LanguageRow* r = FindCode(code);
  return r ? r->id : kDefaultLangId;
}

const char16_t* ResGetCodeFromLangId(uint32_t id) {
  uint16_t want = uint16_t(id & 0xFFFF);
  for (const LanguageRow* r = ResGetLanguageTable(); r->id != 0xFFFF; ++r)
    if (r->id == want) return r->code;
  return kDefaultCode;
}

const char16_t* ResNormalizeLangCode(const char16_t* code) {
  const LanguageRow* r = FindCode(code);
  return r ? r->code : kDefaultCode;
}

uint16_t ResGetLangIdFromFileName(const char16_t* name) {
  char16_t code[3];
  return CodeOfFileName(name, code) ? ResGetLangIdFromCode(code) : kDefaultLangId;
}

const char16_t* ResGetLangCodeFromFileName(const char16_t* name) {
  char16_t code[3];
  return CodeOfFileName(name, code) ? ResNormalizeLangCode(code) : kDefaultCode;
}

uint16_t ResGetLangIdFromDriverHelp(DriverContext* ctx) {
  char16_t name[261];
  return DriverHelpName(ctx, name, Cap(name)) ? ResGetLangIdFromFileName(name) : kDefaultLangId;
}

const char16_t* ResGetDriverHelpLanguageCode(DriverContext* ctx) {
  char16_t name[261];
  return DriverHelpName(ctx, name, Cap(name)) ? ResGetLangCodeFromFileName(name) : kDefaultCode;
}

uint16_t ResGetLangIdFromHelpData(DriverContext* ctx) {
  char16_t name[522];
  return ctx && HelpDataName(ctx->printer, name, Cap(name)) ? ResGetLangIdFromFileName(PathGetFileNamePart(name))
                                                             : kDefaultLangId;
}

const char16_t* ResGetHelpDataLanguageCodeCtx(DriverContext* ctx) {
  return ctx ? ResGetHelpDataLanguageCode(ctx->printer) : kDefaultCode;
}

const char16_t* ResGetHelpDataLanguageCode(HANDLE printer) {
  char16_t name[522];  // the value is read into 1044 bytes
  return HelpDataName(printer, name, Cap(name)) ? ResGetLangCodeFromFileName(PathGetFileNamePart(name))
                                                : kDefaultCode;
}

const char16_t* ResGetUiLanguageCode(DriverContext* ctx) {
  return ResGetCodeFromLangId(uint32_t(OptGetValueById(ctx, setting::vdmLanguageID)));
}

const char16_t* ResGetLanguageSection(DriverContext* ctx) { return IntoField(ctx, ResGetUiLanguageCode(ctx)); }

const char16_t* ResGetHelpLanguageCode(DriverContext* ctx) {
  if (!ctx || !ctx->work) return kDefaultCode;
  const char16_t* code =
      ctx->work->kind == 1 ? ResGetDriverHelpLanguageCode(ctx) : ResGetHelpDataLanguageCodeCtx(ctx);
  return IntoField(ctx, code);
}

int32_t ResIsJapanese(DriverContext* ctx) {
  const char16_t* path = PathGetUiResourceDll(ctx);
  size_t len = plat::WLen(path);
  // The two letters before a three-letter extension, within the file name.
  if (len < 6 || plat::WLen(PathGetFileNamePart(path)) < 6 || path[len - 4] != u'.') return 0;
  return plat::WToLower(path[len - 6]) == u'j' && plat::WToLower(path[len - 5]) == u'p' ? 1 : 0;
}

// ---- resource modules ---------------------------------------------------------------------

HMODULE ResLoadUiDll(DriverContext* ctx) {
  if (!ctx) return nullptr;
  if (!ctx->uiModule) {
    const char16_t* path = PathGetUiResourceDll(ctx);
    if (path[0]) ctx->uiModule = LoadLibraryW(path);
  }
  return ctx->uiModule;
}

HMODULE ResLoadBitmapDll(DriverContext* ctx) {
  if (!ctx) return nullptr;
  if (!ctx->bitmapModule) {
    const char16_t* path = PathGetBitmapResourceDll(ctx);
    if (path[0]) ctx->bitmapModule = LoadLibraryW(path);
  }
  return ctx->bitmapModule;
}

void ResFreeDlls(DriverContext* ctx) {
  if (!ctx) return;
  if (ctx->uiModule) FreeLibrary(ctx->uiModule);
  if (ctx->bitmapModule) FreeLibrary(ctx->bitmapModule);
  ctx->uiModule = nullptr;
  ctx->bitmapModule = nullptr;
}

// ---- strings ------------------------------------------------------------------------------

const StringSuffixRow ResStringSuffixTable[kStringSuffixRows + 1] = {
    {29, 907, 1},    {30, 908, 1},    {31, 909, 1},    {32, 910, 1},    {33, 911, 1},    {34, 912, 1},
    {35, 913, 1},    {36, 914, 1},    {37, 915, 1},    {50017, 907, 1}, {50018, 908, 1}, {50019, 909, 1},
    {50020, 910, 1}, {50021, 911, 1}, {50022, 912, 1}, {50023, 913, 1}, {50024, 914, 1}, {50025, 915, 1},
    {109, 1, 2},     {110, 2, 2},     {111, 3, 2},     {112, 4, 2},     {113, 5, 2},     {114, 6, 2},
    {115, 7, 2},     {116, 8, 2},     {117, 9, 2},     {118, 10, 2},    {153, 0, 3},     {154, 0, 3},
    {0, 0, 0},
};

int32_t ResLoadString(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity, int32_t suffix) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  HMODULE module = ResLoadUiDll(ctx);
  if (!module) return 0;
  LoadStringW(module, id, buffer, INT(capacity > 0x7FFFFFFF ? 0x7FFFFFFF : capacity));
  if (suffix) ResAppendStringSuffix(ctx, id, buffer, capacity);
  return int32_t(plat::WLen(buffer));
}

void ResAppendStringSuffix(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return;
  const StringSuffixRow* row = ResStringSuffixTable;
  while (row->stringId && row->stringId != id) ++row;
  if (!row->stringId) return;
  switch (row->kind) {
    case 1: {
      SettingRecord* setting = OptFindSetting(ctx, row->argument);
      if (!setting) return;
      uint32_t chars = DescSize(setting->descriptor) + 8;
      auto* text = static_cast<char16_t*>(MemAllocZeroed(chars * sizeof(char16_t)));
      if (!text) return;
      OptGetText(ctx, setting, text);
      Append(buffer, capacity, u":");
      Append(buffer, capacity, text);
      MemFree(text);
      return;
    }
    case 2: {
      uint32_t slot = id - kFirstSlotString;
      if (!ctx || !ctx->work || slot >= 10) return;
      const FreeSizeSlot& s = ctx->work->freeSizes[slot];
      // The user's name of the size: at most 64 ANSI bytes, maybe unterminated.
      char16_t name[65] = {};
      plat::AnsiToWide(s.names[2], strnlen(s.names[2], sizeof s.names[2]), name, 64);
      plat::WCopy(buffer, capacity, name);
      bool metric = UnitIsMetric(ctx) != 0;
      int32_t width = UnitGetUserValue(ctx, 0, s.width);
      int32_t length = UnitGetUserValue(ctx, 0, s.length);
      char16_t dims[64];
      if (metric)
        plat::WFormat(dims, 64, u"(%ld.%01d x %ld.%01d", width / 10, width % 10, length / 10, length % 10);
      else
        plat::WFormat(dims, 64, u"(%ld.%02d x %ld.%02d", width / 100, width % 100, length / 100, length % 100);
      Append(buffer, capacity, dims);
      char16_t unit[kUnitNameChars + 1];
      UnitName(ctx, unit);
      Append(buffer, capacity, unit);
      Append(buffer, capacity, u")");
      return;
    }
    case 3: {
      char16_t unit[kUnitNameChars + 1];
      UnitName(ctx, unit);
      plat::WCopy(buffer, capacity, unit);
      return;
    }
    default: return;
  }
}
