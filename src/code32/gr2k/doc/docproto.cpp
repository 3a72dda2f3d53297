// DrvStartDoc, DrvStartPage, DrvSendPage and DrvEndDoc: the spool-side
// module bound for each document, and the blocks and records of each page.
#include <string>

#include "gr2k/cmdtext.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/dlrecords.h"
#include "gr2k/dlstream.h"
#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "gr2k/spool_api.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr uint32_t kItemPrintMethod = 222;

// Characters of a document name taken at most; a quoted value keeps far
// fewer bytes anyway.
constexpr size_t kMaxNameChars = 1024;

template <typename Fn>
Fn SpoolEntry(const Pdev* pdev, const char* name) {
  HMODULE module = pdev->stream.spoolModule;
  return module ? reinterpret_cast<Fn>(GetProcAddress(module, name)) : nullptr;
}

bool PassThroughPageOne(const Pdev* pdev) { return pdev->passThrough && pdev->pageCount == 1; }

void FreeJobName(Pdev* pdev) {
  GrPoolFree(pdev->pool, pdev->jobName);
  pdev->jobName = nullptr;
  pdev->jobNameLength = 0;
}

// The document name in multibyte text (at most two bytes a character) in the
// pool, terminated; the name of the spooler's job when EMF spooling is on and
// the job has one.
void KeepJobName(Pdev* pdev, const char16_t* doc_name) {
  FreeJobName(pdev);
  std::u16string name = doc_name ? std::u16string(doc_name, plat::WLenN(doc_name, kMaxNameChars)) : u"";
  if (pdev->emfSpool && pdev->jobId) {
    DWORD needed = 0;
    GetJobW(pdev->printer, pdev->jobId, 2, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_2W)) {
      auto* info = static_cast<JOB_INFO_2W*>(GrPoolAlloc(pdev->pool, needed));
      if (info && GetJobW(pdev->printer, pdev->jobId, 2, reinterpret_cast<BYTE*>(info), needed, &needed) &&
          info->pDocument && info->pDocument[0])
        name.assign(info->pDocument, plat::WLenN(info->pDocument, kMaxNameChars));
      GrPoolFree(pdev->pool, info);
    }
  }
  if (name.empty()) return;
  const size_t capacity = name.size() * 2;
  auto* text = static_cast<char*>(GrPoolAlloc(pdev->pool, capacity + 1));
  if (!text) return;  // the job goes on without a name
  size_t bytes = plat::WideToAnsi(name.data(), name.size(), text, capacity);
  text[bytes] = 0;
  pdev->jobName = text;
  pdev->jobNameLength = int32_t(bytes);
}

// Binds the spool-side module for a new document. The module must have its
// write entry: a document whose output could not be written fails here.
bool BindSpoolModule(Pdev* pdev) {
  char16_t path[MAX_PATH] = {};
  if (!SpoolDllPath(pdev->spoolDllName, pdev->printer, path, MAX_PATH)) return false;
  HMODULE module = LoadLibraryW(path);
  if (!module) return false;
  auto write = reinterpret_cast<SplWritePrinterFn>(GetProcAddress(module, kSplWritePrinter));
  if (!write) {
    FreeLibrary(module);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return false;
  }
  auto start = reinterpret_cast<SplStartDocFn>(GetProcAddress(module, kSplStartDocEx));
  if (!start) start = reinterpret_cast<SplStartDocFn>(GetProcAddress(module, kSplStartDoc));
  DisplayListStream& s = pdev->stream;
  s.spoolModule = module;
  s.spoolWrite = write;
  s.spoolDocument = start ? start(pdev->printer, pdev->jobId) : nullptr;
  return true;
}

}  // namespace

// ---- DDI entry points --------------------------------------------------------------------

BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR doc_name, DWORD job_id) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  if (!pdev->context) {  // only a Pdev that enable left half-made
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const bool continued = (pdev->flags & kPdevContinued) != 0;
  // A document that was never ended gives back its spool-side document and
  // module before the next one binds.
  if (!continued && pdev->stream.spoolModule) GrSpoolUnbind(pdev);
  if (job_id) pdev->jobId = job_id;
  DriverContext* ctx = pdev->context;

  JobReloadSettings(ctx, pdev->devmodeCopy, pdev->devmodeCopyBytes, kDocMergeFlags, pdev->printer, pdev->jobId);

  pdev->apiUseFlag = uint32_t(OptGetValueById(ctx, setting::vdmAPIUseFlag));
  if (pdev->apiUseFlag) pdev->imageReduction = 0;

  // The print method is kept in the driver ini, where another program may
  // have changed it since the DEVMODE was made.
  SettingRecord* method = nullptr;
  const int32_t current = OptGetValueById(ctx, kItemPrintMethod, &method);
  if (method && method->valueName) {
    const int32_t stored = IniGetInt(SplGetPrinterName(ctx), method->valueName, 0, PathGetDriverIni(ctx));
    if (stored != current && !DmMergeInput(ctx, nullptr, 0, kDocMergeFlags)) return FALSE;
  }

  if (!continued && !BindSpoolModule(pdev)) return FALSE;

  pdev->flags |= kPdevDocStarted;
  if (!continued) {
    pdev->pageCount = 0;
    pdev->flags &= ~kPdevPageOpen;
  }
  KeepJobName(pdev, doc_name);
  return TRUE;
}

BOOL DrvStartPage(SURFOBJ* pso) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  pdev->pageBegunByBanding = 1;
  if (auto start = SpoolEntry<SplStartPageFn>(pdev, kSplStartPage)) start(pdev->stream.spoolDocument);
  if (pdev->flags & kPdevOutputFailed) return FALSE;
  if (pdev->flags & kPdevPageOpen) return TRUE;
  pdev->flags |= kPdevPageOpen;
  ++pdev->pageCount;

  DisplayListStream* stream = &pdev->stream;
  const bool first_after_reset = (pdev->flags & kPdevContinued) != 0;
  if (pdev->pageCount == 1 || first_after_reset) {
    pdev->flags &= ~kPdevContinued;
    DlInit(stream);
    if (!JobWriteJobStart(stream, pdev->context, JobJobStartText)) return FALSE;
    if (pdev->pageCount == 1 && !JobWriteJobName(stream, pdev->jobName, pdev->jobNameLength)) return FALSE;
  }
  const bool raw_page = PassThroughPageOne(pdev);
  if (!raw_page && !JobWritePageStart(stream, pdev->context, JobPageStartText)) return FALSE;
  // Each page sets again the state it needs.
  PdevForgetGraphicsState(pdev);
  if (!raw_page &&
      !DlBeginPage(stream, uint32_t(pdev->printWidthDots), uint32_t(pdev->printLengthDots), pdev->resolution))
    return FALSE;
  return TRUE;
}

BOOL DrvSendPage(SURFOBJ* pso) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  GlyphCacheRelease(pdev);
  OutlineCacheRelease(pdev);
  if (auto end = SpoolEntry<SplEndPageFn>(pdev, kSplEndPage)) end(pdev->stream.spoolDocument);
  DisplayListStream* stream = &pdev->stream;
  const bool raw_page = PassThroughPageOne(pdev);
  bool ok = true;
  if (!raw_page) ok = DlEndPage(stream) != nullptr;
  // The page's records go out even after a failed end record, so that the
  // buffer starts the next page empty; the result still tells.
  ok = DlFlush(stream) && ok;
  if (ok && !raw_page) ok = JobWritePageEnd(stream, pdev->context, JobPageEndText);
  if (!(pdev->flags & kPdevPageOpen)) ++pdev->pageCount;
  pdev->flags &= ~kPdevPageOpen;
  return ok ? TRUE : FALSE;
}

BOOL DrvEndDoc(SURFOBJ* pso, FLONG /*flags*/) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  GrSpoolUnbind(pdev);
  FreeJobName(pdev);
  pdev->flags &= ~(kPdevContinued | kPdevDocStarted);
  return TRUE;
}
