// The command interface of VELMPD4: handles on a printer's settings that
// outside programs drive with PJL SET lines, the printer's default DEVMODE
// in ANSI form and the name of its driver ini.
#include <cstddef>
#include <cstring>

#include "api/api_support.h"
#include "exc_handle.h"
#include "pjl_engine.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/jobinfo_interface.h"
#include "velm/inst.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velmpd4.h"

// The header's DEVMODE is the working DEVMODE's public part in ANSI, with
// the private part right behind it.
static_assert(sizeof(VELM_DEVMODEA) == VELM_DEVMODEA_TOTAL_SIZE);
static_assert(VELM_DEVMODEA_TOTAL_SIZE == dm::kTotalSize - 64);
static_assert(offsetof(VELM_DEVMODEA, dmSpecVersion) == 32);
static_assert(offsetof(VELM_DEVMODEA, dmFields) == 40);
static_assert(offsetof(VELM_DEVMODEA, dmCollate) == 68);
static_assert(offsetof(VELM_DEVMODEA, dmFormName) == 70);
static_assert(offsetof(VELM_DEVMODEA, dmLogPixels) == 102);
static_assert(offsetof(VELM_DEVMODEA, dmPanningHeight) == 152);
static_assert(offsetof(VELM_DEVMODEA, dmDriverPrivate) == VELM_DEVMODEA_PUBLIC_SIZE);
static_assert(offsetof(DEVMODEW, dmCollate) + 2 - offsetof(DEVMODEW, dmSpecVersion) == 38);

namespace {
constexpr size_t kNameChars = 260;
constexpr int32_t kAnsiNameBytes = 31;

// The caller's ANSI printer name as UTF-16; false for none, or for a name
// longer than 260 characters (it is never cut to another printer's name).
bool WidenName(const char* name, char16_t (&wide)[kNameChars + 1]) {
  if (!name || !name[0]) return false;
  int n = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, int(kNameChars + 1));
  return n > 1 && wide[0];
}

HANDLE OpenNamed(const char* name) {
  char16_t wide[kNameChars + 1] = {};
  HANDLE h = nullptr;
  if (!WidenName(name, wide) || !OpenPrinterW(wide, &h, nullptr)) return nullptr;
  return h;
}

// Closes a context so that the next open reads the stored settings afresh.
void CloseContext(DriverContext* ctx) {
  if (!ctx) return;
  CtxCloseAs(ctx, kCloseToCache);
  CtxSweepCache(1);
}

// The user's code from the job-information module into vdmUserCode, cut to
// 8 bytes on a character boundary. An unavailable module leaves the setting.
void TakeUserCode(ExcHandle* h) {
  char16_t wide[64] = {};
  if (!ApiJobInfoGetText(h->printer, kJobInfoTypeUserCode, kJobInfoKindText, wide)) return;
  SettingRecord* row = OptFindSetting(h->context, setting::vdmUserCode);
  if (!row) return;
  char code[16] = {};
  StrWideToAnsi(code, wide, 9);
  OptSetBytes(h->context, row, code);
}

int32_t OpenContext(ExcHandle* h, bool allow_query) {
  if (h->context) {
    CloseContext(h->context);
    h->context = nullptr;
  }
  h->context = CtxOpen(h->printer, h->printer, kOpenExcHandle);
  if (!h->context) return -1;
  ExcRefreshDeviceState(h->context, allow_query);
  TakeUserCode(h);
  return 0;
}

int32_t Reset(ExcHandle* h, bool reopen) {
  ExcHandleClearRecords(h);
  return reopen ? OpenContext(h, false) : 0;
}

// The two-call answer of a text of `bytes` bytes (NULs included; 0: none).
int32_t Deliver(const char* text, size_t bytes, int32_t size, char* buffer, int32_t* needed) {
  if (bytes > size_t(INT32_MAX)) return -1;
  if (needed) *needed = int32_t(bytes);
  if (bytes == 0) return 0;
  if (!buffer || size < 0 || size_t(size) < bytes) return 1;
  std::memcpy(buffer, text, bytes);
  return 0;
}

int32_t AnswerList(ExcTextBuffer* text, int32_t built, int32_t size, char* buffer, int32_t* needed) {
  int32_t r = built == 0 ? Deliver(text->text, text->length, size, buffer, needed) : -1;
  ExcTextFree(text);
  return r;
}

// Copies an ANSI name into dmDeviceName: at most 31 bytes, never half of a
// double-byte character.
void CopyDeviceName(char* out, const char* name) {
  std::memset(out, 0, VELM_CCHDEVICENAME);
  int32_t n = 0;
  while (name[n]) {
    int32_t step = IsDBCSLeadByte(BYTE(name[n])) && name[n + 1] ? 2 : 1;
    if (n + step > kAnsiNameBytes) break;
    n += step;
  }
  std::memcpy(out, name, size_t(n));
}

// The printer's default settings in the context's working DEVMODE, built
// the way the driver's own default DEVMODE is built.
void BuildDefaultDevmode(DriverContext* ctx) {
  DmSetDefaults(ctx);
  ApiPrepareDefaultDevmode(ctx);
  ApiResetDevmodeState(ctx, 1);
  StoreFreeFontBlobs(ctx);
  StoreLoadAll(ctx);
  StoreLoadRegions(ctx->printer, 1, ctx);
  ApiJobInfoRead(ctx, 159);
  InstSetCountryDefaults(ctx);
  ApiFixFinishingAfterMerge(ctx);
}

// Writes `total` bytes (the announced size: shorter private part on the
// Windows 9x family), never more.
void ToAnsiDevmode(const uint8_t* working, const char* name, VELM_DEVMODEA* out, size_t total) {
  const auto* w = reinterpret_cast<const DEVMODEW*>(working);
  auto* bytes = reinterpret_cast<uint8_t*>(out);
  std::memset(out, 0, total);
  std::memcpy(bytes + offsetof(VELM_DEVMODEA, dmSpecVersion), working + offsetof(DEVMODEW, dmSpecVersion), 38);
  out->dmSize = uint16_t(w->dmSize - 64);
  std::memcpy(bytes + offsetof(VELM_DEVMODEA, dmLogPixels), working + offsetof(DEVMODEW, dmLogPixels),
              total - offsetof(VELM_DEVMODEA, dmLogPixels));
  char16_t form[VELM_CCHFORMNAME + 1] = {};
  std::memcpy(form, w->dmFormName, sizeof w->dmFormName);
  StrWideToAnsi(out->dmFormName, form, VELM_CCHFORMNAME);
  CopyDeviceName(out->dmDeviceName, name);
}

}  // namespace

VELMPD4_API ExcHandle* ExcGetExclusive(const char* printer) {
  auto* h = static_cast<ExcHandle*>(MemAllocZeroed(sizeof(ExcHandle)));
  if (!h) return nullptr;
  h->printer = OpenNamed(printer);
  if (!h->printer || OpenContext(h, true) != 0 || !ExcHandleInitRecords(h)) {
    ExcFreeExclusive(h);
    return nullptr;
  }
  return h;
}

VELMPD4_API void ExcFreeExclusive(ExcHandle* h) {
  if (!h) return;
  ExcHandleFreeRecords(h);
  CloseContext(h->context);
  h->context = nullptr;
  if (h->printer) ClosePrinter(h->printer);
  MemFree(h);
}

VELMPD4_API int32_t ExcSetCommandBase(ExcHandle* h, const char* base, int32_t* change_length) {
  if (!h) return -1;
  if (change_length) *change_length = 0;
  if (Reset(h, true) != 0) return -1;
  if (!base) return -2;
  int32_t r = ExcSetBase(h, base, change_length);
  // A base refused part way leaves nothing of itself behind.
  if (r == -2 || (r == -1 && !h->baseText)) {
    if (change_length) *change_length = 0;
    if (Reset(h, true) != 0) return -1;
  }
  return r;
}

VELMPD4_API int32_t ExcGetCommandBase(ExcHandle* h, int32_t size, char* buffer, int32_t* needed) {
  if (!h) return -1;
  return Deliver(h->baseText, h->baseText ? size_t(h->baseLength) : 0, size, buffer, needed);
}

VELMPD4_API int32_t ExcUpdateCommand(ExcHandle* h, const char* line, int32_t* change_length) {
  if (!h) return -1;
  if (change_length) *change_length = 0;
  return ExcUpdateLine(h, line, change_length);
}

VELMPD4_API int32_t ExcGetCommandChange(ExcHandle* h, int32_t size, char* buffer, int32_t* needed) {
  if (!h) return -1;
  size_t bytes = h->changeText ? size_t(h->changeLength) : 0;
  int32_t r = Deliver(h->changeText, bytes, size, buffer, needed);
  if (r == 0 && h->changeText) {
    MemFree(h->changeText);
    h->changeText = nullptr;
    h->changeLength = 0;
  }
  return r;
}

VELMPD4_API int32_t ExcGetCommandValue(ExcHandle* h, const char* name, int32_t only_allowed, int32_t size,
                                       char* buffer, int32_t* needed) {
  if (!h) return -1;
  if (needed) *needed = 0;
  ExcTextBuffer text{};
  if (!ExcTextInit(&text)) return -1;
  return AnswerList(&text, ExcBuildValueList(h, name, only_allowed, &text), size, buffer, needed);
}

VELMPD4_API int32_t ExcGetPrinterOption(ExcHandle* h, const char* name, int32_t size, char* buffer,
                                        int32_t* needed) {
  if (!h) return -1;
  if (needed) *needed = 0;
  ExcTextBuffer text{};
  if (!ExcTextInit(&text)) return -1;
  return AnswerList(&text, ExcBuildPrinterOptionList(h, name, &text), size, buffer, needed);
}

VELMPD4_API int32_t ExcGetPrinterValue(ExcHandle* h, const char* name, int32_t size, char* buffer,
                                       int32_t* needed) {
  if (!h) return -1;
  if (needed) *needed = 0;
  ExcTextBuffer text{};
  if (!ExcTextInit(&text)) return -1;
  int32_t built = ExcBuildPrinterValue(h, name, &text);
  // The text is answered with its terminator.
  int32_t r = built == 0 ? Deliver(text.text, text.length ? text.length + 1 : 0, size, buffer, needed) : -1;
  ExcTextFree(&text);
  return r;
}

VELMPD4_API int32_t ExcGetWaterMarkList(ExcHandle* h, int32_t kind, int32_t size, char* buffer, int32_t* needed) {
  if (!h || !h->context) return -1;
  if (needed) *needed = 0;
  ExcTextBuffer text{};
  if (!ExcTextInit(&text)) return -1;
  return AnswerList(&text, ExcBuildWatermarkList(h, kind, &text), size, buffer, needed);
}

VELMPD4_API int32_t ExcGetIniFileName(const char* printer, int32_t size, char* buffer, int32_t* needed) {
  HANDLE h = OpenNamed(printer);
  if (!h) return -1;
  char16_t path[MAX_PATH] = {};
  int32_t built = PathGetDriverIniNoCtx(path, MAX_PATH, OsIsTerminalServerCached(h) ? 1 : 0);
  ClosePrinter(h);
  if (!built) return -1;
  // The ANSI path must fit 260 bytes whole.
  char ansi[MAX_PATH * 2] = {};
  int bytes = path[0] ? WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, int(sizeof ansi), nullptr, nullptr) : 1;
  if (bytes <= 0 || bytes > MAX_PATH) return -1;
  return Deliver(ansi, path[0] ? size_t(bytes) : 0, size, buffer, needed);
}

VELMPD4_API int32_t ExcGetDriverDevmode(const char* printer, int32_t mode, int32_t size, VELM_DEVMODEA* buffer,
                                        int32_t* needed) {
  const int32_t total = int32_t(DmGetTotalSize()) - 64;
  static_assert(dm::kTotalSize - 64 <= sizeof(VELM_DEVMODEA));
  if (needed) *needed = total;
  if (!buffer || size < total) return 1;
  if (mode != EXC_DEVMODE_DEFAULT) return -1;
  HANDLE h = OpenNamed(printer);
  if (!h) return -1;
  DriverContext* ctx = CtxOpen(h, h, kOpenExcHandle);
  int32_t r = -1;
  if (ctx && ctx->devmode) {
    BuildDefaultDevmode(ctx);
    ToAnsiDevmode(ctx->devmode, printer, buffer, size_t(total));
    r = 0;
  }
  CloseContext(ctx);
  ClosePrinter(h);
  return r;
}
