// The job-information provider: the job-information settings kept in step
// with the maker's job-information module through its interface.
#include "velm/jobinfo.h"

#include <algorithm>
#include <cstring>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"
#include "velm/ucode.h"

namespace {

constexpr uint32_t kSettingFaxLine = 244;
constexpr uint32_t kLocaleCode = 1;
constexpr uint32_t kUserCodeMask = 0x1;

constexpr JobInfoTypeRow kTypes[] = {
    {kJobInfoTypeUserCode, 0x1, 216, kJobInfoKindText, 18},
    {kJobInfoTypeOwnerName, 0x2, 217, kJobInfoKindText, 34},
    {kJobInfoTypeJobPassword, 0x4, 220, kJobInfoKindText, 18},
    {kJobInfoTypeUserId, 0x8, 215, kJobInfoKindText, 18},
    {kJobInfoTypeDocumentName, 0x10, 219, kJobInfoKindText, 34},
    {kJobInfoTypeFaxNumber, 0x20, 243, kJobInfoKindText, 130},
    {kJobInfoTypeFaxLine, 0x40, kSettingFaxLine, kJobInfoKindText, 32},
    {kJobInfoTypeStoredPassword, 0x80, 221, kJobInfoKindText, 18},
    {kJobInfoTypePdlName, 0x100, 0, kJobInfoKindText, 32},
    {kJobInfoTypeDriverVersion, 0x200, 905, kJobInfoKindText, 32},
    {kJobInfoTypeLanguage, 0x400, setting::vdmLanguageID, kJobInfoKindNumber, 4},
};
constexpr uint32_t kTypeCount = sizeof(kTypes) / sizeof(kTypes[0]);
static_assert(kTypeCount == 11);
constexpr uint32_t kLargestBuffer = 130;

bool IsSettingType(uint32_t type) { return type >= kJobInfoTypeUserCode && type <= kJobInfoTypeStoredPassword; }

JobInfoState* State(DriverContext* ctx) { return ctx && ctx->work ? &ctx->work->jobInfo : nullptr; }

JobInfoInterface* Interface(DriverContext* ctx) {
  JobInfoState* s = State(ctx);
  return s ? s->interface_ : nullptr;
}

// The session open on the provider, or 0.
uint32_t Session(DriverContext* ctx) {
  JobInfoState* s = State(ctx);
  return s && s->interface_ ? s->session : 0;
}

void ClearProviderFlags(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  DmSetFlagProviderUcodeTo(ctx, 0);
  DmSetFlagProviderUcode2To(ctx, 0);
}

// (sub-language << 10) | primary language of the display language.
void LanguageOf(DriverContext* ctx, uint16_t* primary, uint16_t* sublang) {
  *sublang = 0;
  *primary = ResGetLanguageLangId(uint32_t(OptGetValueById(ctx, setting::vdmLanguageID)), sublang);
}

// Strict decimal text 0-255 that the fax-line setting lists; -1 otherwise.
int32_t ParseFaxLine(DriverContext* ctx, const char16_t* text) {
  int32_t value = 0;
  size_t n = 0;
  for (; text[n]; ++n) {
    if (text[n] < u'0' || text[n] > u'9' || n >= 3) return -1;
    value = value * 10 + (text[n] - u'0');
  }
  if (n == 0 || value > 255) return -1;
  SettingRecord* row = OptFindSetting(ctx, kSettingFaxLine);
  return row && OptListHasValue(ctx, row, value) ? value : -1;
}

// Clears the setting of a type 1-8: texts empty, the fax line to clear_line.
void ClearSetting(DriverContext* ctx, const JobInfoTypeRow& t, int32_t clear_line) {
  SettingRecord* row = OptFindSetting(ctx, t.setting);
  if (!row) return;
  if (t.type == kJobInfoTypeFaxLine) OptSetValue(ctx, row, clear_line);
  else OptSetText(ctx, row, u"");
}

// Runs fn for each type of the mask, in table order; the last non-zero
// result (0 when all succeeded).
template <typename Fn>
int32_t ForMask(uint32_t mask, Fn fn) {
  int32_t result = 0;
  for (const JobInfoTypeRow& t : kTypes)
    if (mask & t.mask)
      if (int32_t r = fn(t)) result = r;
  return result;
}

// The same for the types 1-8 of the mask (those with a setting of their own).
template <typename Fn>
int32_t ForSettingTypes(uint32_t mask, Fn fn) {
  return ForMask(mask, [&](const JobInfoTypeRow& t) { return IsSettingType(t.type) ? fn(t.type) : 0; });
}

}  // namespace

const JobInfoTypeRow* JobInfoTypeTable(uint32_t* count) {
  if (count) *count = kTypeCount;
  return kTypes;
}

const JobInfoTypeRow* JobInfoFindType(uint32_t type) {
  for (const JobInfoTypeRow& t : kTypes)
    if (t.type == type) return &t;
  return nullptr;
}

// ---- loading ---------------------------------------------------------------------

int32_t JobInfoLoadProvider(JobInfoState* state, DriverContext* ctx) {
  if (!state) return ERROR_INVALID_PARAMETER;
  if (state->module) return 0;
  *state = JobInfoState{};
  // From the system directory only: a module of that name elsewhere on the
  // search path is never taken.
  char16_t path[MAX_PATH] = {};
  if (PathGetSystemDir(path, MAX_PATH, ctx) <= 0 || !plat::WAppend(path, MAX_PATH, u"\\") ||
      !plat::WAppend(path, MAX_PATH, kJobInfoModuleName))
    return ERROR_MOD_NOT_FOUND;
  state->module = LoadLibraryW(path);
  if (!state->module) {
    int32_t error = int32_t(GetLastError());
    return error ? error : ERROR_MOD_NOT_FOUND;
  }
  auto fail = [&](int32_t error) {
    JobInfoUnloadProvider(state, ctx);
    return error ? error : int32_t(ERROR_PROC_NOT_FOUND);
  };
  state->getEntry = reinterpret_cast<void*>(GetProcAddress(state->module, kJobInfoGetInterfaceName));
  if (!state->getEntry) return fail(int32_t(GetLastError()));
  state->disposeEntry = reinterpret_cast<void*>(GetProcAddress(state->module, kJobInfoDisposeInterfaceName));
  if (!state->disposeEntry) return fail(int32_t(GetLastError()));
  auto get = reinterpret_cast<JobInfoGetInterfaceFn>(state->getEntry);
  int32_t result = -1;
  for (uint16_t version : {kJobInfoVersion102, kJobInfoVersion101}) {
    JobInfoInterface* iface = nullptr;
    result = get(version, &iface);
    if (result == 0 && iface) {
      state->interface_ = iface;
      state->version = version;
      return 0;
    }
    // An interface given with a failure is not ours to use (nor to dispose).
  }
  return fail(result ? result : int32_t(ERROR_PROC_NOT_FOUND));
}

void JobInfoUnloadProvider(JobInfoState* state, DriverContext*) {
  if (!state) return;
  if (state->interface_ && state->disposeEntry)
    reinterpret_cast<JobInfoDisposeInterfaceFn>(state->disposeEntry)(state->interface_);
  state->interface_ = nullptr;
  state->getEntry = nullptr;
  state->disposeEntry = nullptr;
  state->session = 0;
  state->version = 0;
  if (state->module) FreeLibrary(state->module);
  state->module = nullptr;
}

// ---- entries -----------------------------------------------------------------------

int32_t JobInfoCallEntry0(DriverContext* ctx) {
  JobInfoInterface* i = Interface(ctx);
  if (!i || !i->printerEntry) return kJobInfoErrNotReady;
  return i->printerEntry(SplGetPrinterName(ctx));
}

int32_t JobInfoOpenSession(DriverContext* ctx) {
  JobInfoState* s = State(ctx);
  if (!s || !s->interface_ || !s->interface_->openSession) return kJobInfoErrNotReady;
  if (s->session) return 0;
  uint32_t session = 0;
  int32_t result = s->interface_->openSession(SplGetPrinterName(ctx), &session);
  if (result == 0 && session == 0) result = ERROR_INVALID_HANDLE;
  if (result == 0) s->session = session;
  return result;
}

int32_t JobInfoCloseSession(DriverContext* ctx) {
  JobInfoState* s = State(ctx);
  if (!s || !s->session) return 0;
  int32_t result = s->interface_ && s->interface_->closeSession ? s->interface_->closeSession(s->session) : 0;
  s->session = 0;
  return result;
}

int32_t JobInfoReadType(DriverContext* ctx, uint32_t type) {
  const JobInfoTypeRow* t = JobInfoFindType(type);
  if (!t || !IsSettingType(type)) return kJobInfoErrType;
  JobInfoInterface* i = Interface(ctx);
  uint32_t session = Session(ctx);
  if (!i || !session || !i->query || !i->get) return kJobInfoErrNotReady;
  uint32_t flags = 0;
  int32_t result = i->query(session, type, &flags);
  if (result != 0 || !(flags & kJobInfoHasValue)) return result;
  uint32_t needed = 0;
  result = i->get(session, type, kJobInfoKindText, nullptr, 0, &needed);
  if ((result != 0 && result != kJobInfoMoreData) || needed == 0) return result;
  // A size beyond any value of the table is not believed.
  if (needed > kJobInfoMaxValueBytes) return kJobInfoErrType;
  // The buffer takes the larger of the needed size and the type's buffer,
  // rounded up to whole wide characters and one more for a terminator the
  // provider may leave out.
  uint32_t bytes = std::max(needed, t->bufferBytes);
  bytes = (bytes + 1) & ~1u;
  auto* buffer = static_cast<char16_t*>(MemAllocZeroed(bytes + 2));
  if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
  uint32_t got = 0;
  result = i->get(session, type, kJobInfoKindText, buffer, bytes, &got);
  if (result == 0) {
    // Keep at most the type's buffer, its last character zero.
    char16_t text[kLargestBuffer / 2] = {};
    const uint32_t chars = t->bufferBytes / 2;
    std::memcpy(text, buffer, (chars - 1) * sizeof(char16_t));
    text[chars - 1] = 0;
    if (text[0]) {
      if (type == kJobInfoTypeFaxLine) {
        int32_t line = ParseFaxLine(ctx, text);
        if (line < 0) result = kJobInfoErrValue;
        else OptSetValueById(ctx, kSettingFaxLine, line);
      } else if (!OptSetText(ctx, OptFindSetting(ctx, t->setting), text)) {
        result = kJobInfoErrNotReady;
      }
    }
  }
  MemFree(buffer);
  return result;
}

int32_t JobInfoWriteType(DriverContext* ctx, uint32_t type, int32_t mode) {
  const JobInfoTypeRow* t = JobInfoFindType(type);
  JobInfoState* s = State(ctx);
  if (t && type >= kJobInfoTypePdlName && s && s->version < kJobInfoVersion102) return 0;
  if (!t) return kJobInfoErrType;
  JobInfoInterface* i = Interface(ctx);
  uint32_t session = Session(ctx);
  if (!i || !session || !i->set) return kJobInfoErrNotReady;
  const bool clear = mode == 1;
  if (clear && IsSettingType(type)) ClearSetting(ctx, *t, MdfGetItemDefault(ctx, kSettingFaxLine));
  if (t->kind == kJobInfoKindNumber) {
    uint16_t primary = 0, sublang = 0;
    LanguageOf(ctx, &primary, &sublang);
    uint32_t word = clear ? 0 : (uint32_t(sublang) << 10) | primary;
    uint8_t data[4];
    std::memcpy(data, &word, 4);
    return i->set(session, type, t->kind, data, 4);
  }
  char16_t text[kLargestBuffer / 2] = {};
  const uint32_t chars = t->bufferBytes / 2;
  if (!clear) {
    if (type == kJobInfoTypeFaxLine) {
      std::u16string decimal = plat::FromUtf8(std::to_string(OptGetValueById(ctx, kSettingFaxLine)));
      plat::WCopy(text, chars, decimal.c_str());
    } else if (type == kJobInfoTypePdlName) {
      plat::WCopy(text, chars, u"VELM");
    } else if (SettingRecord* row = OptFindSetting(ctx, t->setting)) {
      // The setting's text, cut to the type's buffer.
      char16_t value[kLargestBuffer] = {};
      if (DescSize(row->descriptor) < kLargestBuffer && OptGetText(ctx, row, value)) {
        size_t n = std::min(plat::WLen(value), size_t(chars - 1));
        std::memcpy(text, value, n * sizeof(char16_t));
      }
    }
  }
  return i->set(session, type, t->kind, text, t->bufferBytes);
}

int32_t JobInfoSendEvent(DriverContext* ctx, uint32_t code) {
  JobInfoInterface* i = Interface(ctx);
  uint32_t session = Session(ctx);
  return i && session && i->event ? i->event(session, code) : 0;
}

int32_t JobInfoSendLocale(DriverContext* ctx, uint32_t code) {
  JobInfoInterface* i = Interface(ctx);
  uint32_t session = Session(ctx);
  if (!i || !session || !i->locale) return 0;
  JobInfoLocaleRecord record{sizeof(JobInfoLocaleRecord), 0, 0};
  LanguageOf(ctx, &record.primary, &record.sublang);
  return i->locale(session, code, &record);
}

// ---- operations ----------------------------------------------------------------------

int32_t JobInfoCallPrinterEntry(DriverContext* ctx) {
  JobInfoState* s = State(ctx);
  int32_t result = JobInfoLoadProvider(s, ctx);
  if (result == 0) {
    result = JobInfoCallEntry0(ctx);
    JobInfoUnloadProvider(s, ctx);
  }
  ClearProviderFlags(ctx);
  return result;
}

int32_t JobInfoOpen(DriverContext* ctx) {
  int32_t result = JobInfoLoadProvider(State(ctx), ctx);
  return result ? result : JobInfoOpenSession(ctx);
}

int32_t JobInfoClose(DriverContext* ctx) {
  int32_t result = JobInfoCloseSession(ctx);
  JobInfoUnloadProvider(State(ctx), ctx);
  return result;
}

int32_t JobInfoReadOne(DriverContext* ctx, uint32_t mask) {
  return ForSettingTypes(mask, [&](uint32_t type) { return JobInfoReadType(ctx, type); });
}

int32_t JobInfoWriteOne(DriverContext* ctx, uint32_t mask) {
  return ForMask(mask, [&](const JobInfoTypeRow& t) { return JobInfoWriteType(ctx, t.type, 0); });
}

int32_t JobInfoWriteTypes(DriverContext* ctx, uint32_t mask) {
  return ForMask(mask, [&](const JobInfoTypeRow& t) { return JobInfoWriteType(ctx, t.type, 1); });
}

int32_t JobInfoReadMask(DriverContext* ctx, uint32_t mask) {
  int32_t result = JobInfoOpen(ctx);
  if (result == 0) result = JobInfoReadOne(ctx, mask);
  JobInfoClose(ctx);
  ClearProviderFlags(ctx);
  return result;
}

int32_t JobInfoWriteMask(DriverContext* ctx, uint32_t mask) {
  int32_t result = JobInfoOpen(ctx);
  if (result == 0) result = JobInfoWriteOne(ctx, mask);
  JobInfoClose(ctx);
  return result;
}

int32_t JobInfoRunOperation(DriverContext* ctx, uint32_t operation, uint32_t argument) {
  if (!State(ctx)) return ERROR_INVALID_PARAMETER;
  switch (operation) {
    case kJobInfoOpPrinterEntry: return JobInfoCallPrinterEntry(ctx);
    case kJobInfoOpOpen: return JobInfoOpen(ctx);
    case kJobInfoOpClose: return JobInfoClose(ctx);
    case kJobInfoOpReadOne: return JobInfoReadOne(ctx, argument);
    case kJobInfoOpWriteOne: return JobInfoWriteOne(ctx, argument);
    case kJobInfoOpWriteTypes: return JobInfoWriteTypes(ctx, argument);
    case kJobInfoOpReadMask: return JobInfoReadMask(ctx, argument);
    case kJobInfoOpWriteMask: return JobInfoWriteMask(ctx, argument);
    default: return kJobInfoErrNotReady;
  }
}

// ---- printer data and clearing -----------------------------------------------------------

int32_t JobInfoLoadTypeFromPrinterData(DriverContext* ctx, uint32_t type) {
  const JobInfoTypeRow* t = JobInfoFindType(type);
  if (!t || !IsSettingType(type) || !ctx) return kJobInfoErrType;
  StoreLoadItemByName(ctx->printer, ctx, OptFindSetting(ctx, t->setting));
  return 0;
}

int32_t JobInfoLoadMaskFromPrinterData(DriverContext* ctx, uint32_t mask) {
  return ForSettingTypes(mask, [&](uint32_t type) { return JobInfoLoadTypeFromPrinterData(ctx, type); });
}

int32_t JobInfoSaveTypeToPrinterData(DriverContext* ctx, uint32_t type) {
  const JobInfoTypeRow* t = JobInfoFindType(type);
  if (!t || !IsSettingType(type) || !ctx) return kJobInfoErrType;
  return StoreSaveItemByName(ctx->printer, ctx, OptFindSetting(ctx, t->setting)) ? 0 : kJobInfoErrWrite;
}

int32_t JobInfoSaveMaskToPrinterData(DriverContext* ctx, uint32_t mask) {
  return ForSettingTypes(mask, [&](uint32_t type) { return JobInfoSaveTypeToPrinterData(ctx, type); });
}

int32_t JobInfoClearType(DriverContext* ctx, uint32_t type) {
  const JobInfoTypeRow* t = JobInfoFindType(type);
  if (!t || !IsSettingType(type)) return kJobInfoErrType;
  ClearSetting(ctx, *t, 0);
  return 0;
}

int32_t JobInfoClearMask(DriverContext* ctx, uint32_t mask) {
  return ForSettingTypes(mask, [&](uint32_t type) { return JobInfoClearType(ctx, type); });
}

// ---- probing and the printer's hand-over ----------------------------------------------------

int32_t JobInfoProbe(DriverContext* ctx) {
  if (!JobInfoIsEnabled()) return 1;
  JobInfoState* s = State(ctx);
  if (!s || JobInfoLoadProvider(s, ctx) != 0) return 0;
  int32_t ok = 1;
  if (!s->session) {
    ok = JobInfoOpenSession(ctx) == 0 ? 1 : 0;
    JobInfoCloseSession(ctx);
  }
  JobInfoUnloadProvider(s, ctx);
  return ok;
}

int32_t UcodePushToJobInfo(DriverContext* ctx) {
  if (UcodeLoadForPrinter(ctx) && OptGetValueById(ctx, setting::vdmLogCodeUse) != 0) {
    SettingRecord* code = OptFindSetting(ctx, setting::vdmLogCode);
    char16_t text[32] = {};
    if (code && OptGetText(ctx, code, text) && text[0]) {
      OptSetText(ctx, OptFindSetting(ctx, setting::vdmUserCode), text);
      JobInfoWriteMaskIfEnabled(ctx, kUserCodeMask);
    }
  }
  return 1;
}

int32_t JobInfoSyncPrinter(DriverContext* ctx) {
  if (!JobInfoProbe(ctx)) {
    JobInfoCallPrinterEntryIfEnabled(ctx);
    UcodePushToJobInfo(ctx);
  }
  return JobInfoWriteMaskIfEnabled(ctx, kJobInfoMaskDriverInfo);
}

// ---- switch-gated wrappers ------------------------------------------------------------

int32_t JobInfoCallPrinterEntryIfEnabled(DriverContext* ctx) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpPrinterEntry, 0) : 0;
}
void JobInfoReadMaskIfEnabled(DriverContext* ctx, uint32_t mask) {
  if (JobInfoIsEnabled()) JobInfoRunOperation(ctx, kJobInfoOpReadMask, mask);
}
int32_t JobInfoOpenIfEnabled(DriverContext* ctx) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpOpen, 0) : 0;
}
int32_t JobInfoCloseIfEnabled(DriverContext* ctx) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpClose, 0) : 0;
}
int32_t JobInfoReadOneIfEnabled(DriverContext* ctx, uint32_t mask) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpReadOne, mask) : 0;
}
int32_t JobInfoWriteOneIfEnabled(DriverContext* ctx, uint32_t mask) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpWriteOne, mask) : 0;
}
int32_t JobInfoWriteTypesIfEnabled(DriverContext* ctx, uint32_t mask) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpWriteTypes, mask) : 0;
}
int32_t JobInfoWriteMaskIfEnabled(DriverContext* ctx, uint32_t mask) {
  return JobInfoIsEnabled() ? JobInfoRunOperation(ctx, kJobInfoOpWriteMask, mask) : 0;
}
int32_t JobInfoSendLocaleIfEnabled(DriverContext* ctx) {
  return JobInfoIsEnabled() ? JobInfoSendLocale(ctx, kLocaleCode) : 0;
}
int32_t JobInfoClearMaskIfEnabled(DriverContext* ctx, uint32_t mask) {
  return JobInfoIsEnabled() ? JobInfoClearMask(ctx, mask) : 0;
}
