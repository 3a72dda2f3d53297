// STAND-INS until the installation areas land (default presets and install
// paths, install files, install-info defaults). Each gives the plain answer
// its callers handle: names and paths built the simple way, no default
// settings file, no rebuild of a preset file, no country defaults.
#include "velm/inst.h"

#include <string>

#include "plat/wstr.h"
#include "velm/paths.h"
#include "velm/resources.h"
#include "velm/spooler.h"

const char16_t* InstGetLanguageSectionName(DriverContext* ctx) { return ResGetUiLanguageCode(ctx); }

const char16_t* InstGetPrinterSectionName(DriverContext* ctx) { return SplGetPrinterName(ctx); }

int32_t PathMakeInDataDir(char16_t* buffer, uint32_t size, const char16_t* name, DriverContext*) {
  if (!buffer || size == 0) return 0;
  buffer[0] = 0;
  if (!name || PathGetCommonDataDir(buffer, size) <= 0) return 0;
  if (!plat::WAppend(buffer, size, u"\\") || !plat::WAppend(buffer, size, name)) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

int32_t InstGetInfoDefaultQst(char16_t* buffer, DriverContext*) {
  if (buffer) buffer[0] = 0;
  return 0;
}

int32_t PathMakeDriverAbsolute(char16_t* buffer, uint32_t size, const char16_t* path, DriverContext* ctx) {
  if (!buffer || size == 0 || !path) return 0;
  buffer[0] = 0;
  bool ok = path[0] && path[1] == u':' ? plat::WCopy(buffer, size, path)
                                       : plat::WCopy(buffer, size, PathGetDriverDir(ctx)) && plat::WAppend(buffer, size, path);
  if (!ok) buffer[0] = 0;
  return ok ? 1 : 0;
}

int32_t PresetMakeQualityCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer) {
  constexpr uint32_t kChars = 522;
  if (!buffer) return 0;
  buffer[0] = 0;
  if (!file || PathGetDataDir(buffer, kChars, ctx) <= 0) return 0;
  uint32_t base = 0;
  const char16_t* name = PathGetFileNameBase(file, &base);
  std::u16string tail = u"\\" + std::u16string(name ? name : u"", base) + u".qsq";
  if (!name || !plat::WAppend(buffer, kChars, tail.c_str())) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

int32_t InstCopyPresetFile(const char16_t*, const char16_t*, uint32_t, DriverContext*) { return 0; }

void InstSetCountryDefaults(DriverContext*) {}
