// Stand-in until vector mode is built for text, images and brushes:
// every drawing entry of the DDI table checks its Pdev and hands the call to
// the engine's own routine, which draws into the band bitmap of a raster
// page. The device-font queries answer that the device has no fonts.
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

namespace {

constexpr ULONG kGlyphBits = 1;      // FO_GLYPHBITS
constexpr ULONG kDitherHalftone = 2;  // DCR_HALFTONE
constexpr LONG kFontDataError = -1;   // FD_ERROR

// The Pdev of a drawing call's target; null (the call fails) when it is not
// valid or output has failed. *skip: the settings suppress drawing, and the
// call succeeds without output.
Pdev* DrawTarget(SURFOBJ* pso, bool* skip) {
  *skip = false;
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return nullptr;
  if (pdev->flags & kPdevOutputFailed) return nullptr;
  *skip = pdev->drawingSuppressed != 0;
  return pdev;
}

}  // namespace

BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  bool skip;
  if (!DrawTarget(psoTrg, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
}

BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
  bool skip;
  if (!DrawTarget(psoDest, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
}

BOOL DrvStretchBltROP(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclTrg, RECTL* prclSrc, POINTL* pptlMask,
                      ULONG iMode, BRUSHOBJ* /*pbo*/, DWORD /*rop4*/) {
  bool skip;
  if (!DrawTarget(psoTrg, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngStretchBlt(psoTrg, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclTrg, prclSrc, pptlMask, iMode);
}

BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc) {
  bool skip;
  if (!DrawTarget(psoDest, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  bool skip;
  if (!DrawTarget(pso, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

// The engine draws pattern brushes itself: the driver makes no realization.
BOOL DrvRealizeBrush(BRUSHOBJ* /*pbo*/, SURFOBJ* psoTarget, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) {
  GrPdevOfSurface(psoTarget);
  return FALSE;
}

ULONG DrvDitherColor(DHPDEV dhpdev, ULONG, ULONG, ULONG*) {
  if (!GrCheckPdev(dhpdev)) return 0;
  return kDitherHalftone;
}

ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ*) {
  if (!GrCheckPdev(dhpdev)) return 0;
  return kGlyphBits;
}

IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG_PTR*) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);  // the device has no fonts
  return nullptr;
}

LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return kFontDataError;
}

PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
