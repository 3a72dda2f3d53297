// Stand-in until the document protocol with the spool-side output module is
// built: a document and its pages are framed in the display list only (the
// begin-page and end-page records), with no command text and no module.
#include "gr2k/ddi_entries.h"
#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"

BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR /*doc_name*/, DWORD job_id) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  if (job_id) pdev->jobId = job_id;
  pdev->flags |= kPdevDocStarted;
  if (!(pdev->flags & kPdevContinued)) {
    pdev->pageCount = 0;
    pdev->flags &= ~kPdevPageOpen;
  }
  return TRUE;
}

BOOL DrvStartPage(SURFOBJ* pso) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  pdev->pageBegunByBanding = 1;
  if (pdev->flags & kPdevOutputFailed) return FALSE;
  if (pdev->flags & kPdevPageOpen) return TRUE;
  pdev->flags |= kPdevPageOpen;
  ++pdev->pageCount;
  if (pdev->pageCount == 1 || (pdev->flags & kPdevContinued)) {
    pdev->flags &= ~kPdevContinued;
    DlInit(&pdev->stream);
  }
  pdev->currentRop = kUnknownRop;
  pdev->clipActive = false;
  return DlBeginPage(&pdev->stream, uint32_t(pdev->printWidthDots), uint32_t(pdev->printLengthDots),
                     pdev->resolution) != nullptr;
}

BOOL DrvSendPage(SURFOBJ* pso) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  BOOL ok = DlEndPage(&pdev->stream) != nullptr;
  if (!DlFlush(&pdev->stream)) ok = FALSE;
  if (!(pdev->flags & kPdevPageOpen)) ++pdev->pageCount;
  pdev->flags &= ~kPdevPageOpen;
  return ok;
}

BOOL DrvEndDoc(SURFOBJ* pso, FLONG /*flags*/) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  pdev->flags &= ~(kPdevContinued | kPdevDocStarted);
  return TRUE;
}

ULONG DrvEscape(SURFOBJ* pso, ULONG, ULONG, PVOID, ULONG, PVOID) {
  GrPdevOfSurface(pso);
  return 0;
}
