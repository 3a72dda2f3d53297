// Raster banding: the engine draws a page band by band into the banding
// bitmap; each finished band goes into the display list as one image record
// and the bitmap is made white again for the next band.
#include <cstring>

#include "ddi_internal.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/dlrecords.h"
#include "plat/kernel.h"

namespace {

constexpr uint8_t kRopSrcCopy = 0xCC;

void FillWhite(SURFOBJ* pso) {
  if (pso->pvBits && pso->cjBits) std::memset(pso->pvBits, 0xFF, pso->cjBits);
}

}  // namespace

BOOL GrWriteSurfaceImage(Pdev* pdev, SURFOBJ* src, const RECTL& dest, const ULONG* palette) {
  uint32_t depth;
  switch (src->iBitmapFormat) {
    case BMF_1BPP: depth = kImageDepth1; break;
    case BMF_4BPP: depth = kImageDepth4; break;
    case BMF_8BPP: depth = kImageDepth8; break;
    case BMF_24BPP: depth = kImageDepth24; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
  const int64_t width = src->sizlBitmap.cx, rows = src->sizlBitmap.cy;
  const int64_t distance = src->lDelta < 0 ? -int64_t(src->lDelta) : int64_t(src->lDelta);
  // The record's rows are taken as they lie in memory, so they must lie as
  // closely as the record packs them.
  if (width <= 0 || rows <= 0 || !src->pvScan0 || uint64_t(distance) != DlImageRowBytes(uint32_t(width), depth)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DlImageSource image{};
  image.dstLeft = dest.left;
  image.dstTop = dest.top;
  image.dstWidth = dest.right - dest.left;
  image.dstHeight = dest.bottom - dest.top;
  image.srcX = 0;
  image.srcY = 0;
  image.width = uint32_t(width);
  image.rows = uint32_t(rows);
  image.format = depth;
  image.firstRow = static_cast<const uint8_t*>(src->pvScan0);
  image.palette = reinterpret_cast<const uint8_t*>(palette);
  image.bottomUp = src->lDelta < 0;
  return DlImage(&pdev->stream, image);
}

BOOL DrvStartBanding(SURFOBJ* pso, POINTL* origin) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev || !origin) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Under EMF spooling the page may reach the bands without a page start:
  // begin it here. The mark is per page.
  if (pdev->emfSpool && !pdev->pageBegunByBanding && !DrvStartPage(pso)) return FALSE;
  pdev->pageBegunByBanding = 0;

  pdev->bandX = 0;
  pdev->bandY = 0;
  pdev->bandCount = 0;
  *origin = POINTL{0, 0};

  // Bands are copied as they are: no clip, source copy.
  if (pdev->clipActive) {
    if (!DlClipReset(&pdev->stream)) return FALSE;
    pdev->clipActive = false;
  }
  if (pdev->currentRop != kRopSrcCopy) {
    if (!DlRop(&pdev->stream, kRopSrcCopy)) return FALSE;
    pdev->currentRop = kRopSrcCopy;
  }
  FillWhite(pso);
  return TRUE;
}

BOOL DrvNextBand(SURFOBJ* pso, POINTL* origin) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev || !origin) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ++pdev->bandCount;
  const int32_t band_height = pso->sizlBitmap.cy;
  const RECTL band{pdev->bandX, pdev->bandY, pdev->bandX + pso->sizlBitmap.cx, pdev->bandY + band_height};
  // A band that ends exactly at the page bottom is followed by one more,
  // below the page; the printer clips it.
  POINTL next{pdev->bandX, pdev->bandY + band_height};
  const bool last = int64_t(pdev->bandY) + band_height > pdev->pageHeight;
  if (last) next = POINTL{-1, -1};

  const BOOL written = GrWriteSurfaceImage(pdev, pso, band, nullptr);
  FillWhite(pso);
  pdev->bandX = next.x;
  pdev->bandY = next.y;
  *origin = next;
  if (!written) return FALSE;
  return last ? DrvSendPage(pso) : TRUE;
}
