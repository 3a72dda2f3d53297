// Graphics state of vector mode: brushes, mixes, pens and clip objects
// become state values, and each state record goes out only when its value
// differs from what this Pdev last sent on the page.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gr2k/vector.h"

namespace {

// The ROP record of each R2_* mix. Black (1) and white (16) go out as 0xFF
// and 0x00: the printer reads the two this way round.
constexpr uint8_t kRop2ToRop3[17] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                     0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};

constexpr uint32_t kR2Nop = 11;
constexpr uint32_t kSolidMask = 0xFFFFFFFF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDefaultMiter = 10 * 256;
constexpr int32_t kMaxWidth = 32767;
constexpr ULONG kMaxStyleEntries = 64;  // more could never fit 32 steps

// Engine colour (blue low) to record colour (red low).
uint32_t SwapRb(uint32_t c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

int32_t ClampWidth(int64_t w) { return int32_t(std::clamp<int64_t>(w, 1, kMaxWidth)); }

// A float truncated towards zero into the 32-bit range (NaN gives 0).
int64_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  return int64_t(std::clamp(v, -2147483648.0, 2147483647.0));
}

}  // namespace

uint8_t GsRop2ToRop3(uint32_t rop2) { return rop2 <= 16 ? kRop2ToRop3[rop2] : 0xCC; }

uint8_t GsRop3ToRop2(uint8_t rop3) {
  // The sixteen ROP3 codes of pattern and destination alone: both nibbles
  // carry the same 2-bit pattern pair (0x00, 0x05, ..., 0xFF).
  static constexpr uint8_t kCodes[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                         0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
  for (uint8_t i = 0; i < 16; ++i)
    if (kCodes[i] == rop3) return uint8_t(i + 1);
  return 0;
}

BOOL GsColorFromMix(MIX mix, GsColorState* state, bool stroke_and_fill) {
  state->rop2 = int16_t(mix & 0xFF);
  state->backMode = ((mix >> 8) & 0xFF) == kR2Nop ? kBackTransparent : kBackOpaque;
  state->hasThird = stroke_and_fill ? 1 : 0;
  return TRUE;
}

const DlBrush* GsBrushFromBrushObj(Pdev* pdev, SURFOBJ* /*surface*/, BRUSHOBJ* brush, const POINTL* origin) {
  if (!brush) return nullptr;
  const bool host = (brush->flColorType & BR_HOST_ICM) != 0;
  if (brush->iSolidColor == BRUSH_PATTERN) {
    const DlBrush* realized = static_cast<const DlBrush*>(BRUSHOBJ_pvGetRbrush(brush));
    if (!realized) return nullptr;
    DlBrush* b = &pdev->patternBrush;
    *b = *realized;
    b->originX = origin ? (origin->x & 0xFF) : 0;
    b->originY = origin ? (origin->y & 0xFF) : 0;
    b->hostCorrected = host;
    return b;
  }
  DlBrush* b = &pdev->plainBrush;
  *b = DlBrush{};
  b->kind = kBrushPlain;
  b->colors[0] = brush->iSolidColor;
  b->colors[1] = kWhite;
  b->hostCorrected = host;
  return b;
}

BOOL GsSetColor(Pdev* pdev, const GsColorState& state) {
  const GsColorState& last = pdev->colorState;
  const bool same = pdev->colorValid && last.kind == state.kind && last.backMode == state.backMode &&
                    last.hasThird == state.hasThird && last.background == state.background &&
                    last.foreground == state.foreground && (!state.hasThird || last.third == state.third);
  if (same) return TRUE;
  DlColorState rec{};
  rec.foreground = SwapRb(state.foreground);
  rec.background = SwapRb(state.background);
  rec.third = state.hasThird ? SwapRb(state.third) : 0;
  rec.backMode = uint8_t(state.backMode);
  rec.hasThird = state.hasThird != 0;
  rec.forText = state.kind == kDrawText;
  rec.hostCorrected = state.hostCorrected != 0;
  if (!DlColor(&pdev->stream, rec)) return FALSE;
  pdev->colorState = state;
  pdev->colorValid = true;
  return TRUE;
}

BOOL GsSetRop(Pdev* pdev, uint8_t rop3) {
  if (pdev->currentRop == int32_t(rop3)) return TRUE;
  if (!DlRop(&pdev->stream, rop3)) return FALSE;
  pdev->currentRop = rop3;
  return TRUE;
}

BOOL GsSetBackMode(Pdev* pdev, uint8_t mode) {
  if (pdev->backModeValid && pdev->backMode == mode) return TRUE;
  if (!DlBackMode(&pdev->stream, mode)) return FALSE;
  pdev->backMode = mode;
  pdev->backModeValid = true;
  return TRUE;
}

BOOL GsSetPattern(Pdev* pdev, const DlBrush* brush) {
  if (!brush) return FALSE;
  if (!pdev->patternValid || brush->kind != kBrushPlain || brush->kind != pdev->patternKind) {
    if (!DlPattern(&pdev->stream, *brush)) return FALSE;
    pdev->patternValid = true;
    pdev->patternKind = brush->kind;
    pdev->patternOriginX = brush->originX;
    pdev->patternOriginY = brush->originY;
    return TRUE;
  }
  if (brush->originX != pdev->patternOriginX || brush->originY != pdev->patternOriginY) {
    DlPatternOrigin(&pdev->stream, brush);
    pdev->patternOriginX = brush->originX;
    pdev->patternOriginY = brush->originY;
  }
  return TRUE;
}

BOOL GsSetLineAttrs(Pdev* pdev, const GsLineAttrs& a) {
  const GsLineAttrs& last = pdev->line;
  const bool valid = pdev->lineValid;
  DisplayListStream* s = &pdev->stream;
  if (!valid || last.width != a.width || last.dashMask != a.dashMask || last.dashUnit != a.dashUnit) {
    if (!DlLineWidth(s, a.width, a.dashMask, uint8_t(a.dashUnit))) return FALSE;
  }
  if (!valid || last.dashOffset != a.dashOffset) {
    if (!DlDashOffset(s, uint8_t(a.dashOffset))) return FALSE;
  }
  if (!valid || last.endCap != a.endCap) {
    if (!DlEndCap(s, uint8_t(a.endCap))) return FALSE;
  }
  if (!valid || last.join != a.join || last.miterLimit != a.miterLimit) {
    if (!DlJoin(s, uint8_t(a.join), a.miterLimit)) return FALSE;
  }
  pdev->line = a;
  pdev->lineValid = true;
  return TRUE;
}

bool GsFontIsCurrent(const Pdev* pdev, uint32_t font_id, uint8_t orientation) {
  return pdev->fontValid && pdev->fontId == font_id && pdev->fontOrientation == orientation;
}

void GsFontSent(Pdev* pdev, uint32_t font_id, uint8_t orientation) {
  pdev->fontValid = true;
  pdev->fontId = font_id;
  pdev->fontOrientation = orientation;
}

void GsForgetFont(Pdev* pdev) { pdev->fontValid = false; }

int32_t GsTransformScale(XFORMOBJ* transform) {
  XFORML m{};
  if (XFORMOBJ_iGetXform(transform, &m) == GX_IDENTITY) return -1;
  if (TruncToInt(double(m.eM11) * 8) != TruncToInt(double(m.eM22) * 8)) return 0;
  const int64_t s = (std::llabs(TruncToInt(double(m.eM11) * 256)) + std::llabs(TruncToInt(double(m.eM22) * 256))) / 2;
  return int32_t(std::min<int64_t>(s, INT32_MAX));
}

namespace {

// The width of a geometric pen in device pixels before the transform. The
// engine hands a real number; a pattern without exponent bits is an integer
// placed in the field as it is.
int64_t GeometricWidth(const FLOAT_LONG& w) {
  uint32_t bits;
  std::memcpy(&bits, &w, sizeof bits);
  if ((bits & 0x7F800000u) == 0) return int64_t(int32_t(bits));
  return TruncToInt(double(w.e));
}

// The dash mask of a style array (entries in device pixels, start gap
// removed). False when the pattern cannot be expressed in 32 steps of at most
// 255 pixels; *solid when it draws solid.
bool BuildDash(int64_t* entries, uint32_t count, int64_t start_gap, bool cosmetic, GsLineAttrs* a, bool* fail) {
  *fail = false;
  int64_t sum = 0;
  for (uint32_t i = 0; i < count; ++i) sum += entries[i];
  if (sum <= 0) return false;  // solid
  a->dashOffset = int16_t((start_gap * 32 / sum) % 32);
  // A zero entry takes its neighbour's length (the last one its predecessor's).
  for (uint32_t i = 0; i < count; ++i)
    if (entries[i] == 0) entries[i] = i + 1 < count ? entries[i + 1] : entries[i - 1];
  sum = 0;
  for (uint32_t i = 0; i < count; ++i) sum += entries[i];
  uint32_t steps[32];
  uint32_t n = count;
  if (sum <= 32) {
    a->dashUnit = 1;
  } else {
    int64_t unit = sum / 32;
    if (unit > 255) {
      if (!cosmetic) {
        *fail = true;
        return false;
      }
      unit = 255;
    }
    a->dashUnit = uint16_t(unit);
    if (count > 32) {
      *fail = !cosmetic;
      return false;
    }
    int64_t total = 0;
    for (uint32_t i = 0; i < count; ++i) {
      entries[i] = std::max<int64_t>(1, entries[i] * 32 / sum);
      total += entries[i];
    }
    if (total > 32) {
      *fail = !cosmetic;
      return false;
    }
    for (uint32_t i = 0; total < 32; i = (i + 1) % count, ++total) entries[i] += 1;
    sum = 32;
  }
  if (count > 32) {
    *fail = !cosmetic;
    return false;
  }
  for (uint32_t i = 0; i < count; ++i) steps[i] = uint32_t(entries[i]);
  if (sum < 32) {
    // Repeat the pattern to fill the 32 steps; the remainder lengthens the
    // first entries by one step each.
    const uint32_t times = uint32_t(32 / sum);
    const uint32_t rest = uint32_t(32 % sum);
    n = 0;
    for (uint32_t t = 0; t < times; ++t)
      for (uint32_t i = 0; i < count && n < 32; ++i) steps[n++] = uint32_t(entries[i]);
    for (uint32_t i = 0; i < rest && i < n; ++i) steps[i] += 1;
  }
  uint32_t mask = 0;
  int bit = 31;
  bool on = true;
  for (uint32_t i = 0; i < n && bit >= 0; ++i, on = !on)
    for (uint32_t k = 0; k < steps[i] && bit >= 0; ++k, --bit)
      if (on) mask |= 1u << bit;
  // Steps still missing repeat the last one.
  const bool last_on = bit < 31 && ((mask >> (bit + 1)) & 1u);
  for (; bit >= 0; --bit)
    if (last_on) mask |= 1u << bit;
  a->dashMask = mask;
  return true;
}

}  // namespace

BOOL GsLineAttrsFromPen(Pdev* pdev, const LINEATTRS* pen, uint32_t color, XFORMOBJ* transform, GsLineAttrs* a,
                        bool* geometric) {
  *a = GsLineAttrs{};
  a->dashUnit = 1;
  a->dashMask = kSolidMask;
  a->miterLimit = kDefaultMiter;
  a->width = 1;
  a->color = color;
  *geometric = pen && (pen->fl & LA_GEOMETRIC);
  if (!pen) return TRUE;
  const bool geo = *geometric;
  const bool styled = (pen->fl & LA_STYLED) != 0;

  // Width.
  int32_t scale = -1;
  bool scaled = false;
  if (geo) {
    int64_t w = GeometricWidth(pen->elWidth);
    if (w < 1) {
      w = 1;
    } else {
      scale = GsTransformScale(transform);
      if (scale == 0) return FALSE;
      scaled = scale > 0;
      if (scaled) w = std::max<int64_t>(1, w * scale >> 8);
    }
    a->width = int16_t(ClampWidth(w));
    a->join = pen->iJoin == JOIN_BEVEL ? 1 : pen->iJoin == JOIN_MITER ? 2 : 0;
    a->endCap = pen->iEndCap == ENDCAP_SQUARE ? 2 : pen->iEndCap == ENDCAP_BUTT ? 1 : 0;
  }
  if (geo || styled) {
    const double m = double(pen->eMiterLimit);
    const double limited = (m == m) ? std::clamp(m, 1.0, 32767.0) : 1.0;
    a->miterLimit = uint32_t(limited * 256);  // the fraction counts: 2.9 is 742
  }

  // Dashes.
  if (!(geo || styled) || pen->cstyle == 0 || !pen->pstyle) return TRUE;
  if (a->width != 1) return FALSE;
  if (pen->cstyle > kMaxStyleEntries) return geo ? FALSE : TRUE;  // cannot fit 32 steps
  int64_t entries[kMaxStyleEntries];
  const int64_t per_unit = pdev ? std::max<int64_t>(1, pdev->resolution / 50) : 1;
  for (ULONG i = 0; i < pen->cstyle; ++i)
    entries[i] = geo ? std::max<int64_t>(0, TruncToInt(double(pen->pstyle[i].e)))
                     : std::max<int64_t>(0, int64_t(pen->pstyle[i].l)) * per_unit;
  int64_t* first = entries;
  uint32_t count = pen->cstyle;
  int64_t start_gap = 0;
  if (pen->fl & LA_STARTGAP) {
    start_gap = entries[0] & 0xFF;
    ++first;
    --count;
  }
  if (count < 2) return TRUE;
  if (geo && scaled)
    for (uint32_t i = 0; i < count; ++i) first[i] = first[i] * scale >> 8;
  bool fail = false;
  GsLineAttrs dashed = *a;
  if (BuildDash(first, count, start_gap, !geo, &dashed, &fail)) *a = dashed;
  return fail ? FALSE : TRUE;
}

int32_t GsSetClip(Pdev* pdev, CLIPOBJ* clip) {
  const int32_t kind = pdev->clipActive ? pdev->clipKind : 0;
  if (!clip || clip->iDComplexity == DC_TRIVIAL) {
    if (kind == 0) return 0;
    if (!DlClipReset(&pdev->stream)) return -1;
    pdev->clipKind = 0;
    pdev->clipActive = false;
    pdev->clipValid = true;
    return 0;
  }
  const RECTL& r = clip->rclBounds;
  // A region without area clips everything away: its (empty) bounds go out
  // as the clip rectangle, since an empty clip path would clip nothing.
  const bool empty = r.left >= r.right || r.top >= r.bottom;
  if (clip->iDComplexity == DC_RECT || (clip->iDComplexity == DC_COMPLEX && empty)) {
    if (pdev->clipValid && kind == 1 && pdev->clipLeft == r.left && pdev->clipTop == r.top &&
        pdev->clipRight == r.right && pdev->clipBottom == r.bottom)
      return 1;
    if (!DlClipRect(&pdev->stream, DlRectangle{r.left, r.top, r.right, r.bottom})) return -1;
    pdev->clipValid = true;
    pdev->clipKind = 1;
    pdev->clipActive = true;
    pdev->clipLeft = r.left;
    pdev->clipTop = r.top;
    pdev->clipRight = r.right;
    pdev->clipBottom = r.bottom;
    return 1;
  }
  if (clip->iDComplexity != DC_COMPLEX) return -1;
  if (clip->iUniq != 0 && pdev->clipValid && kind == 3 && pdev->clipUniq == clip->iUniq) return 3;
  PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
  if (!path) return -1;
  const BOOL written = GpathWrite(pdev, path, kPathClip);
  EngDeletePath(path);
  if (!written) {
    pdev->clipValid = false;
    return -1;
  }
  pdev->clipValid = true;
  pdev->clipKind = 3;
  pdev->clipActive = true;
  pdev->clipUniq = clip->iUniq;
  return 3;
}
