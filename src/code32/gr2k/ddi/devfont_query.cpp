// The engine's questions about the device fonts: their metrics
// (DrvQueryFont), glyph sets and kerning pairs (DrvQueryFontTree), glyph
// metrics and realised extents (DrvQueryFontData) and advance widths
// (DrvQueryAdvanceWidths), answered from the Pdev's device-font table and
// the font object's transform.
#include <cmath>
#include <cstring>

#include "gr2k/ddi_entries.h"
#include "gr2k/devfont.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

namespace {

constexpr LONG kFdError = -1;  // FD_ERROR: the query failed

// Whole pixels of a 28.4 value, still in 28.4.
int64_t RoundFix(int64_t v) { return (v + 8) & ~int64_t(0xF); }

// The device vector of the font-unit vector (x, y) under the font's
// transform, in 28.4 (XF_LTOFX) or whole pixels (XF_LTOL).
bool Apply(XFORMOBJ* xo, ULONG mode, LONG x, LONG y, POINTL* out) {
  POINTL in{x, y};
  *out = POINTL{0, 0};
  return XFORMOBJ_bApplyXform(xo, mode, 1, &in, out) != FALSE;
}

LONG Clamp32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return LONG(v);
}

// The record of the font a font object realises, or null (the error set).
const DeviceFontRecord* RecordOf(Pdev* pdev, FONTOBJ* pfo) {
  const DeviceFontRecord* record = pfo ? TxtFontRecord(pdev->deviceFonts, pfo->iFace) : nullptr;
  if (!record) SetLastError(ERROR_INVALID_PARAMETER);
  return record;
}

// An empty kerning table: one zeroed pair ends it.
FD_KERNINGPAIR g_noKerningPairs[1] = {};

LONG GlyphMetrics(const DeviceFontRecord* record, XFORMOBJ* xo, HGLYPH hg, GLYPHDATA* gd) {
  const IFIMETRICS* ifi = TxtFontMetrics(record);
  const int64_t a = TxtGlyphAdvance(record, hg);
  POINTL u, top, bottom;
  if (!Apply(xo, XF_LTOFX, 4096, 0, &u) || !Apply(xo, XF_LTOFX, 0, ifi->rclFontBox.top, &top) ||
      !Apply(xo, XF_LTOFX, 0, ifi->rclFontBox.bottom, &bottom)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kFdError;
  }
  gd->fxD = Clamp32(RoundFix((a * TxtHypot(u.x, u.y)) >> 12));
  gd->fxA = 0;
  gd->fxAB = gd->fxD;
  // The advance vector: the rounded 28.4 values in the high halves, no
  // further fraction.
  gd->ptqD.x = int64_t(uint64_t(int64_t(Clamp32(RoundFix((a * u.x) >> 12)))) << 32);
  gd->ptqD.y = int64_t(uint64_t(int64_t(Clamp32(RoundFix((a * u.y) >> 12)))) << 32);
  const int64_t ink_top = TxtHypot(top.x, top.y);
  const int64_t ink_bottom = TxtHypot(bottom.x, bottom.y);
  gd->fxInkTop = Clamp32(RoundFix(ifi->rclFontBox.top < 0 ? -ink_top : ink_top));
  gd->fxInkBottom = Clamp32(RoundFix(ifi->rclFontBox.bottom < 0 ? -ink_bottom : ink_bottom));
  gd->hg = hg;
  return 0;  // device fonts have no bitmaps
}

LONG MaxExtents(const DeviceFontRecord* record, XFORMOBJ* xo, FD_DEVICEMETRICS* dm) {
  const IFIMETRICS* ifi = TxtFontMetrics(record);
  const int64_t top = ifi->rclFontBox.top, bottom = ifi->rclFontBox.bottom;
  int64_t descent = bottom < 0 ? -bottom : bottom;
  // A fixed-pitch font whose double-byte glyphs are not fixed pitch as well
  // keeps only the part of its descent the em square does not hold.
  if ((ifi->jWinPitchAndFamily & FIXED_PITCH) && !(ifi->flInfo & FM_INFO_DBCS_FIXED_PITCH)) {
    const int64_t excess = top - bottom - 1000;
    descent = excess > 0 ? (descent > excess ? descent - excess : 0) : descent;
  }
  POINTL base, side, max_inc, ascender, descender, underline, strike, thickness;
  if (!Apply(xo, XF_LTOFX, 1000, 0, &base) || !Apply(xo, XF_LTOFX, 0, -1000, &side) ||
      !Apply(xo, XF_LTOL, ifi->fwdMaxCharInc, 0, &max_inc) || !Apply(xo, XF_LTOFX, 0, LONG(top), &ascender) ||
      !Apply(xo, XF_LTOFX, 0, LONG(descent), &descender) ||
      !Apply(xo, XF_LTOL, 0, -ifi->fwdUnderscorePosition, &underline) ||
      !Apply(xo, XF_LTOL, 0, -ifi->fwdStrikeoutPosition, &strike) ||
      !Apply(xo, XF_LTOL, 0, ifi->fwdUnderscoreSize, &thickness)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return kFdError;
  }
  std::memset(dm, 0, sizeof *dm);
  dm->flRealizedType = 0;
  // Unit vectors along the baseline and the ascender (a degenerate transform
  // gives zero vectors rather than a division by zero).
  const double base_len = double(TxtHypot(base.x, base.y));
  const double side_len = double(TxtHypot(side.x, side.y));
  if (base_len > 0) dm->pteBase = POINTE{FLOATL(base.x / base_len), FLOATL(base.y / base_len)};
  if (side_len > 0) dm->pteSide = POINTE{FLOATL(side.x / side_len), FLOATL(side.y / side_len)};
  dm->cxMax = ULONG(Clamp32(TxtHypot(max_inc.x, max_inc.y)));
  dm->lD = (ifi->flInfo & FM_INFO_CONSTANT_WIDTH) ? LONG(dm->cxMax) : 0;
  dm->fxMaxAscender = Clamp32(RoundFix(TxtHypot(ascender.x, ascender.y)));
  dm->fxMaxDescender = Clamp32(RoundFix(TxtHypot(descender.x, descender.y)));
  dm->ptlUnderline1 = underline;
  dm->ptlStrikeOut = strike;
  dm->ptlULThickness = thickness;
  dm->ptlSOThickness = thickness;
  return LONG(sizeof(FD_DEVICEMETRICS));
}

}  // namespace

IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR /*iFile*/, ULONG iFace, ULONG_PTR* pid) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return nullptr;
  if (pid) *pid = 0;
  IFIMETRICS* ifi = TxtFontMetrics(TxtFontRecord(pdev->deviceFonts, iFace));
  if (!ifi) SetLastError(ERROR_INVALID_PARAMETER);
  return ifi;
}

PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR /*iFile*/, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return nullptr;
  if (pid) *pid = 0;
  if (!TxtFontRecord(pdev->deviceFonts, iFace)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  switch (iMode) {
    case QFT_KERNPAIRS:
      return g_noKerningPairs;
    case QFT_GLYPHSET:
      if (FD_GLYPHSET* set = TxtGlyphSet(pdev, pdev->deviceFonts, iFace)) return set;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    default:  // QFT_LIGATURES and anything else: none
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                      ULONG cjSize) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return kFdError;
  const DeviceFontRecord* record = RecordOf(pdev, pfo);
  if (!record) return kFdError;
  switch (iMode) {
    case QFD_GLYPHANDBITMAP:
      if (!pgd) return 0;
      return GlyphMetrics(record, FONTOBJ_pxoGetXform(pfo), hg, pgd);
    case QFD_MAXEXTENTS:
      if (!pv) return LONG(sizeof(FD_DEVICEMETRICS));
      // The whole record or nothing: a shorter buffer is refused.
      if (cjSize < sizeof(FD_DEVICEMETRICS)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return kFdError;
      }
      return MaxExtents(record, FONTOBJ_pxoGetXform(pfo), static_cast<FD_DEVICEMETRICS*>(pv));
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return kFdError;
  }
}

BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths, ULONG cGlyphs) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return FALSE;
  if (cGlyphs == 0) return TRUE;
  const DeviceFontRecord* record = RecordOf(pdev, pfo);
  if (!record) return FALSE;
  if ((iMode != QAW_GETWIDTHS && iMode != QAW_GETEASYWIDTHS) || !phg || !pvWidths) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  POINTL u;
  if (!Apply(FONTOBJ_pxoGetXform(pfo), XF_LTOFX, 4096, 0, &u)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const int64_t scale = TxtHypot(u.x, u.y);
  auto* widths = static_cast<USHORT*>(pvWidths);
  for (ULONG i = 0; i < cGlyphs; ++i) {
    // A width beyond the 12.4 field is held at its largest whole pixel.
    const int64_t width = RoundFix((int64_t(TxtGlyphAdvance(record, phg[i])) * scale) >> 12);
    widths[i] = USHORT(width > 0xFFF0 ? 0xFFF0 : width);
  }
  return TRUE;
}
