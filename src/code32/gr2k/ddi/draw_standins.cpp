// Stand-in until vector mode is built for text:
// every drawing entry of the DDI table checks its Pdev and hands the call to
// the engine's own routine, which draws into the band bitmap of a raster
// page.
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

namespace {

constexpr ULONG kGlyphBits = 1;      // FO_GLYPHBITS

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

BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  bool skip;
  if (!DrawTarget(pso, &skip)) return FALSE;
  if (skip) return TRUE;
  return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ*) {
  if (!GrCheckPdev(dhpdev)) return 0;
  return kGlyphBits;
}
