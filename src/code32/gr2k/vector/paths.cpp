// The path entries of the DDI table. In vector mode each call sets the
// graphics state it needs and writes the path as a path record; in raster
// mode the engine draws it into the band.
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "gr2k/vector.h"
#include "plat/kernel.h"

namespace {

constexpr BOOL kDdiError = -1;
constexpr uint32_t kWhite = 0xFFFFFF;

enum class Target { kInvalid, kFailed, kSkip, kRaster, kVector };

// What a drawing call on this surface does: an invalid Pdev (error set),
// output failed already, drawing suppressed, or raster or vector drawing.
Target DrawTarget(SURFOBJ* pso, Pdev** out) {
  Pdev* pdev = GrPdevOfSurface(pso);
  *out = pdev;
  if (!pdev) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return Target::kInvalid;
  }
  if (pdev->flags & kPdevOutputFailed) return Target::kFailed;
  if (pdev->drawingSuppressed) return Target::kSkip;
  return pdev->rasterMode ? Target::kRaster : Target::kVector;
}

bool HostCorrected(const BRUSHOBJ* brush) { return brush && (brush->flColorType & BR_HOST_ICM); }

// Background mode, ROP and clip of a call.
bool SetMixAndClip(Pdev* pdev, const GsColorState& state, CLIPOBJ* clip) {
  return GsSetBackMode(pdev, uint8_t(state.backMode)) && GsSetRop(pdev, GsRop2ToRop3(uint32_t(state.rop2))) &&
         GsSetClip(pdev, clip) >= 0;
}

BOOL StrokeVector(Pdev* pdev, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* org,
                  LINEATTRS* la, MIX mix) {
  // A pattern pen is left to the engine.
  if (!pbo || pbo->iSolidColor == BRUSH_PATTERN) return FALSE;
  GsLineAttrs attrs;
  bool geometric = false;
  if (!GsLineAttrsFromPen(pdev, la, pbo->iSolidColor, pxo, &attrs, &geometric) && geometric) return FALSE;
  if (!GsSetLineAttrs(pdev, attrs)) return FALSE;
  if (!GsSetPattern(pdev, GsBrushFromBrushObj(pdev, nullptr, pbo, org))) return FALSE;
  GsColorState state{};
  GsColorFromMix(mix, &state, false);
  if (!SetMixAndClip(pdev, state, pco)) return FALSE;
  state.foreground = pbo->iSolidColor;
  state.background = kWhite;
  state.kind = kDrawStroke;
  state.hostCorrected = HostCorrected(pbo);
  if (!GsSetColor(pdev, state)) return FALSE;
  return GpathWrite(pdev, ppo, kPathStroke);
}

BOOL FillVector(Pdev* pdev, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
                FLONG options) {
  const DlBrush* brush = GsBrushFromBrushObj(pdev, pso, pbo, org);
  if (!brush || !GsSetPattern(pdev, brush)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return kDdiError;
  }
  GsColorState state{};
  GsColorFromMix(mix, &state, false);
  state.foreground = brush->colors[0];
  state.background = brush->colors[1];
  state.kind = kDrawFill;
  state.hostCorrected = HostCorrected(pbo);
  if (brush->kind == kBrushColour) state.backMode = kBackOpaque;
  if (!GsSetColor(pdev, state)) return FALSE;
  if (!SetMixAndClip(pdev, state, pco)) return FALSE;
  return GpathWrite(pdev, ppo, (options & FP_WINDINGMODE) ? kPathFillWinding : kPathFillAlternate);
}

}  // namespace

BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                   LINEATTRS* plineattrs, MIX mix) {
  Pdev* pdev;
  switch (DrawTarget(pso, &pdev)) {
    case Target::kInvalid: return kDdiError;
    case Target::kFailed: return FALSE;
    case Target::kSkip: return TRUE;
    case Target::kRaster: return EngStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
    case Target::kVector: break;
  }
  return StrokeVector(pdev, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                 FLONG options) {
  Pdev* pdev;
  switch (DrawTarget(pso, &pdev)) {
    case Target::kInvalid: return kDdiError;
    case Target::kFailed: return FALSE;
    case Target::kSkip: return TRUE;
    case Target::kRaster: return EngFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, options);
    case Target::kVector: break;
  }
  return FillVector(pdev, pso, ppo, pco, pbo, pptlBrushOrg, mix, options);
}

BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                          FLONG options) {
  Pdev* pdev;
  switch (DrawTarget(pso, &pdev)) {
    case Target::kInvalid: return kDdiError;
    case Target::kFailed: return FALSE;
    case Target::kSkip: return TRUE;
    case Target::kRaster:
      return EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill,
                                  options);
    case Target::kVector: break;
  }
  const bool plain = pboStroke && pboFill && pboStroke->iSolidColor != BRUSH_PATTERN &&
                     pboFill->iSolidColor != BRUSH_PATTERN;
  if (!plain) {
    // A fill, then the outline over it.
    const BOOL filled = FillVector(pdev, pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, options);
    if (filled != TRUE) return filled;
    return StrokeVector(pdev, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
  }
  GsLineAttrs attrs;
  bool geometric = false;
  if (!GsLineAttrsFromPen(pdev, plineattrs, pboStroke->iSolidColor, pxo, &attrs, &geometric)) return FALSE;
  if (!GsSetLineAttrs(pdev, attrs)) return FALSE;
  const DlBrush* brush = GsBrushFromBrushObj(pdev, pso, pboFill, pptlBrushOrg);
  if (!GsSetPattern(pdev, brush)) return FALSE;
  // The colour record of a path that is stroked and filled carries the
  // outline as its foreground and the fill as its third colour (the printer
  // fills with the third colour and strokes with the foreground); the
  // background is the fill brush's second colour.
  GsColorState state{};
  GsColorFromMix(mixFill, &state, true);
  state.foreground = pboStroke->iSolidColor;
  state.background = brush->colors[1];
  state.third = brush->colors[0];
  state.kind = kDrawStrokeAndFill;
  state.hostCorrected = HostCorrected(pboFill);
  if (!GsSetColor(pdev, state)) return FALSE;
  if (!SetMixAndClip(pdev, state, pco)) return FALSE;
  return GpathWrite(pdev, ppo, (options & FP_WINDINGMODE) ? kPathStrokeFillWinding : kPathStrokeFillAlternate);
}
