// STAND-IN (i12-qst for i12-store): the single-row ini reads and writes of
// the setting store, the document and printer saves, the save stack and the
// settings-file mismatch flag, as far as the settings files need them. The
// real ones replace this file.
#include <cstring>
#include <map>
#include <vector>

#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/ini_fast.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

bool FullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }

const char16_t* SectionOf(DriverContext* ctx, const SettingRecord* row) {
  return row->sectionName ? row->sectionName : SplGetPrinterName(ctx);
}

int32_t Convert(const SettingRecord* row, int64_t v) {
  switch (DescType(row->descriptor)) {
    case kTypeS8: return int8_t(v);
    case kTypeS16: return int16_t(v);
    case kTypeU8: return uint8_t(v);
    case kTypeU16: return uint16_t(v);
    case kTypeS32:
    case kTypeU32: return int32_t(uint32_t(v));
    default: break;
  }
  switch (DescSize(row->descriptor)) {
    case 1: return uint8_t(v);
    case 2: return uint16_t(v);
    case 4: return int32_t(uint32_t(v));
    default: return 0;
  }
}

int64_t ParseDecimal(const char16_t* s) {
  bool neg = false;
  if (*s == u'-' || *s == u'+') neg = *s++ == u'-';
  int64_t v = 0;
  for (; *s >= u'0' && *s <= u'9' && v < (int64_t(1) << 40); ++s) v = v * 10 + (*s - u'0');
  return neg ? -v : v;
}

}  // namespace

int32_t StoreLoadItemFromIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, const char* section,
                             uint32_t* resume) {
  if (!FullPath(ini_path) || !row || !row->valueName) return 1;
  uint32_t type = DescType(row->descriptor);
  uint32_t size = DescSize(row->descriptor);
  bool text = type >= 7 && type <= 12;
  uint32_t cap = text ? size + 1 : 17;
  std::vector<char16_t> buf(cap + 1, 0);
  int32_t len = 0;
  if (section) {
    uint32_t zero = 0;
    len = int32_t(IniFastGetString(row->valueName, u"", buf.data(), cap, section, resume ? resume : &zero) & 0xFFFF);
  } else {
    len = IniGetString(SectionOf(ctx, row), row->valueName, u"", buf.data(), cap, ini_path);
  }
  if (len <= 0 || buf[0] == 0) return 0;
  if (text) OptSetText(ctx, row, buf.data());
  else OptSetValue(ctx, row, Convert(row, ParseDecimal(buf.data())));
  return len;
}

int32_t StoreSaveItemToIni(DriverContext* ctx, SettingRecord* row, const char16_t* ini_path, char* section,
                           uint32_t write_offset) {
  if (!FullPath(ini_path) || !row || !row->valueName) return 1;
  uint32_t type = DescType(row->descriptor);
  uint32_t size = DescSize(row->descriptor);
  std::vector<char16_t> value(size + 32, 0);
  if (type >= 7 && type <= 12) {
    if (!OptGetText(ctx, row, value.data())) value[0] = 0;
  } else {
    int32_t v = OptGetValue(ctx, row);
    switch (type) {
      case kTypeS32: plat::WFormat(value.data(), value.size(), u"%d", int(v)); break;
      case kTypeU8:
      case kTypeU16: plat::WFormat(value.data(), value.size(), u"%u", unsigned(v)); break;
      case kTypeU32: plat::WFormat(value.data(), value.size(), u"%u", unsigned(uint32_t(v))); break;
      default: plat::WFormat(value.data(), value.size(), u"%d", int(v)); break;
    }
  }
  if (section) {
    uint32_t offset = write_offset;
    return IniFastPutKey(&offset, row->valueName, value.data(), section);
  }
  return IniWriteString(SectionOf(ctx, row), row->valueName, value.data(), ini_path) ? 1 : 0;
}

int32_t StoreSaveDocumentRegions(HANDLE, DriverContext*) { return 1; }
int32_t StoreSavePrinterSettings(HANDLE, DriverContext*) { return 1; }

// A plain stack of copies of the working buffer per context.
namespace {
std::map<DriverContext*, std::vector<std::vector<uint8_t>>>& Stacks() {
  static std::map<DriverContext*, std::vector<std::vector<uint8_t>>> stacks;
  return stacks;
}
}  // namespace

void DmPushSettings(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  Stacks()[ctx].emplace_back(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
}

void DmPopSettings(DriverContext* ctx, int32_t restore) {
  auto it = Stacks().find(ctx);
  if (it == Stacks().end() || it->second.empty()) return;
  if (restore && ctx->devmode) std::memcpy(ctx->devmode, it->second.back().data(), dm::kWorkBufferSize);
  it->second.pop_back();
  if (it->second.empty()) Stacks().erase(it);
}

void CtxSetFileMismatch(DriverContext* ctx, int32_t value) {
  if (ctx && ctx->work) ctx->work->settingsFileMismatch = value;
}

int32_t CtxGetFileMismatch(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->settingsFileMismatch : 0; }
