// Creation and validation of the Pdev record.
#include "gr2k/pdev.h"

#include <new>

Pdev* PdevCreate(HANDLE printer) {
  GrPool* pool = GrPoolCreate();
  if (!pool) return nullptr;
  void* mem = GrPoolAlloc(pool, sizeof(Pdev));
  if (!mem) {
    GrPoolDestroy(pool);
    return nullptr;
  }
  Pdev* pdev = new (mem) Pdev{};
  pdev->magicFirst = kPdevMagic;
  pdev->magicLast = kPdevMagic;
  pdev->pool = pool;
  pdev->printer = printer;
  pdev->stream.printer = printer;
  pdev->stream.pdev = pdev;
  pdev->currentRop = kUnknownRop;
  DlInit(&pdev->stream);
  return pdev;
}

void PdevDestroy(Pdev* pdev) {
  if (!pdev) return;
  GrPool* pool = pdev->pool;
  pdev->magicFirst = 0;
  pdev->magicLast = 0;
  GrPoolDestroy(pool);  // the Pdev itself is one of its blocks
}

void PdevForgetGraphicsState(Pdev* pdev) {
  pdev->currentRop = kUnknownRop;
  pdev->lineValid = false;
  pdev->backModeValid = false;
  pdev->patternValid = false;
  pdev->colorValid = false;
  pdev->clipValid = false;
  pdev->fontValid = false;
}

bool GrIsValidPdev(const Pdev* pdev) {
  return pdev && pdev->magicFirst == kPdevMagic && pdev->magicLast == kPdevMagic;
}
