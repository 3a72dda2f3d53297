// DrvPrinterEvent and DrvDocumentEvent: what Windows tells the driver about
// a printer (a connection added or deleted, the printer created, deleted or
// its cached files to refresh) and about a document being printed.
#include <string>

#include "events.h"
#include "spooler_calls.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/jobinfo.h"
#include "velm/lock.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

using events::Context;
using events::FirstRun;
using events::Printer;

constexpr int32_t kRemoteFeatureClient = 7;
// Job-information events: the connection's user data is forgotten, and the
// printer is deleted.
constexpr uint32_t kDisconnectEvents[] = {2, 3, 4, 5, 8};
constexpr uint32_t kDeleteEvents[] = {256, 257, 258};
constexpr uint32_t kJobInfoUserCode = 1;

// Holds the driver mutex for a scope when asked to.
class MutexIf {
 public:
  explicit MutexIf(bool take) : held_(take && LockAcquireMutex() != 0) {}
  ~MutexIf() {
    if (held_) LockReleaseMutex();
  }
  MutexIf(const MutexIf&) = delete;
  MutexIf& operator=(const MutexIf&) = delete;

 private:
  bool held_;
};

// Runs as the spooler itself for its scope, then as the client again.
class AsSpooler {
 public:
  AsSpooler() : token_(SplRevertToPrinterSelf()) {}
  ~AsSpooler() { SplImpersonatePrinterClient(token_); }
  AsSpooler(const AsSpooler&) = delete;
  AsSpooler& operator=(const AsSpooler&) = delete;

 private:
  HANDLE token_;
};

BOOL AddConnection(const char16_t* name) {
  AsSpooler as_spooler;
  Printer printer(name, {kAccessAll, kAccessUse});
  if (!printer) return FALSE;
  int32_t result;
  {
    FirstRun first_run;
    MutexIf hold(RemoteIsFeatureBitOn(kRemoteFeatureClient) != 0);
    result = InstInitializePrinter(printer.get(), nullptr, 0, kSetupConnection) ? 1 : 0;
  }
  if (!InstWriteInstallRecord(printer.get(), kInstallFirst, 0)) result = 0;
  if (result && !InstCopyPresetFiles(printer.get())) result = 0;
  if (result && !InstSyncUserSettings(printer.get(), 1)) result = 0;
  if (result) {
    auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer.get(), 2));
    // InstApplyBatchQst answers 1 when it failed.
    if (info && InstApplyBatchQst(printer.get(), info) == 1) result = 0;
    MemFree(info);
  }
  return result ? TRUE : FALSE;
}

void DeleteConnection(const char16_t* name) {
  AsSpooler as_spooler;
  Printer printer(name, {kAccessAll, kAccessRequired, kAccessUseOnly});
  if (!printer) return;
  Context ctx(CtxOpen(printer.get(), printer.get(), kOpenEntryPoint));
  if (!ctx) return;
  DriverContext* c = ctx.get();
  JobInfoOpenIfEnabled(c);
  if (SettingRecord* row = OptFindSetting(c, setting::vdmUserCode)) OptSetText(c, row, u"");
  JobInfoWriteOneIfEnabled(c, kJobInfoUserCode);
  for (uint32_t code : kDisconnectEvents) JobInfoSendEvent(c, code);
  JobInfoCloseIfEnabled(c);
  InstBatchSetInstallDone(InstGetBatchIniPath(c), SplGetPrinterName(c), 0);
  const char16_t* ini = PathGetDriverIni(c);
  const char16_t* section = InstGetPrinterSectionName(c);
  if (ini && section) (void)IniWriteString(section, u"DrvInstVersion", u"", ini);
}

BOOL Initialize(const char16_t* name) {
  Printer printer(name, {kAccessAll});
  AsSpooler as_spooler;
  // A printer that cannot be opened cannot be set up.
  if (!printer) return FALSE;
  FirstRun first_run;
  int32_t result = 1;
  if (!InstIsBatchInstallDone(printer.get())) {
    int32_t ran = 0;
    if (OsIsNt4()) {
      ran = InstSetUpOnce(printer.get(), nullptr, 0, kSetupInitialize);
    } else if (!InstBatchHasEntriesByHandle(printer.get())) {
      DriverMutexHold hold;
      CtxSetFirstRun(1);
      ran = InstSetUpOnce(printer.get(), nullptr, 0, kSetupInitialize);
    } else {
      ran = kSetupAlreadyDone;  // the batch install sets the printer up
    }
    CtxSetFirstRun(0);
    if (ran == 0) result = 0;
    if (ran == 1 && !InstWriteInstallRecord(printer.get(), kInstallFirst, 0)) result = 0;
  }
  return result ? TRUE : FALSE;
}

void DeleteNotification(const char16_t* name) {
  Printer printer(name, {kAccessAll, kAccessRequired, kAccessUseOnly});
  if (!printer) return;
  Context ctx(CtxOpen(printer.get(), printer.get(), kOpenEntryPoint));
  if (!ctx) return;
  JobInfoOpenIfEnabled(ctx.get());
  for (uint32_t code : kDeleteEvents) JobInfoSendEvent(ctx.get(), code);
  JobInfoCloseIfEnabled(ctx.get());
}

BOOL CacheRefresh(const char16_t* name) {
  Printer printer(name, {kAccessAll, kAccessRequired, kAccessUseOnly});
  if (!printer) return FALSE;
  Context ctx(CtxOpen(printer.get(), printer.get(), kOpenEntryPoint));
  if (ctx) InstRefreshSystemFiles(ctx.get());
  return TRUE;
}

}  // namespace

BOOL UiPrinterEvent(LPWSTR printer_name, INT event, DWORD, LPARAM) {
  BOOL answer = TRUE;
  switch (event) {
    case PRINTER_EVENT_ADD_CONNECTION: answer = AddConnection(printer_name); break;
    case PRINTER_EVENT_DELETE_CONNECTION: DeleteConnection(printer_name); break;
    case PRINTER_EVENT_INITIALIZE: answer = Initialize(printer_name); break;
    case PRINTER_EVENT_DELETE: DeleteNotification(printer_name); break;
    case PRINTER_EVENT_CACHE_REFRESH: answer = CacheRefresh(printer_name); break;
    default: break;
  }
  CtxSetFirstRun(0);
  return answer;
}

INT UiDocumentEvent(HANDLE printer, HDC, INT escape, ULONG, void*, ULONG, void*) {
  switch (escape) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_CREATEDCPOST:
      return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTDOC:
    case DOCUMENTEVENT_STARTPAGE:
      // The check brings the install state up to date; printing goes on
      // whatever it answers.
      InstCheckOnOpen(printer);
      return DOCUMENTEVENT_SUCCESS;
    default:
      return DOCUMENTEVENT_UNSUPPORTED;
  }
}
