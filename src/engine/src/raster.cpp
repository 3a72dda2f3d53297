// Drawing into engine-managed bitmaps. cairo does the geometry: coverage of
// filled and stroked paths (without anti-aliasing, so that pixels are exact)
// and the sampling of stretched images. The engine's own code is what cairo
// lacks: the 256 ternary raster operations (pattern, source, destination),
// masks, colour translation, and the 1-bit (bit 7 leftmost) and 24-bit
// (blue, green, red) row formats of the DDI.
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "internal.h"
#include "plat/kernel.h"

namespace eng::detail {
namespace {

struct Pixels {
  uint8_t* scan0 = nullptr;
  LONG delta = 0;
  int bits = 0;
  LONG width = 0, height = 0;

  uint8_t* Row(LONG y) const { return scan0 + ptrdiff_t(y) * delta; }
  uint32_t Get(LONG x, LONG y) const {
    const uint8_t* r = Row(y);
    switch (bits) {
      case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1u;
      case 4: return (x & 1) ? (r[x >> 1] & 0x0Fu) : (r[x >> 1] >> 4);
      case 8: return r[x];
      case 16: return uint32_t(r[2 * x]) | (uint32_t(r[2 * x + 1]) << 8);
      case 24: {
        const uint8_t* p = r + 3 * ptrdiff_t(x);
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
      }
      default: {
        uint32_t v;
        std::memcpy(&v, r + 4 * ptrdiff_t(x), 4);
        return v;
      }
    }
  }
  void Put(LONG x, LONG y, uint32_t v) const {
    uint8_t* r = Row(y);
    switch (bits) {
      case 1: {
        uint8_t bit = uint8_t(0x80u >> (x & 7));
        r[x >> 3] = (v & 1) ? uint8_t(r[x >> 3] | bit) : uint8_t(r[x >> 3] & ~bit);
        break;
      }
      case 4:
        r[x >> 1] = (x & 1) ? uint8_t((r[x >> 1] & 0xF0) | (v & 0x0F))
                            : uint8_t((r[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
      case 8: r[x] = uint8_t(v); break;
      case 16:
        r[2 * x] = uint8_t(v);
        r[2 * x + 1] = uint8_t(v >> 8);
        break;
      case 24: {
        uint8_t* p = r + 3 * ptrdiff_t(x);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        break;
      }
      default: std::memcpy(r + 4 * ptrdiff_t(x), &v, 4); break;
    }
  }
  uint32_t ValueMask() const {
    return bits >= 32 ? 0xFFFFFFFFu : bits == 24 ? 0xFFFFFFu : ((1u << bits) - 1u);
  }
};

bool Access(const SURFOBJ* so, Pixels* px) {
  if (!so || !so->pvScan0) return false;
  int bits = FormatBits(so->iBitmapFormat);
  if (bits == 0) return false;
  // A surface whose rows cannot hold the width it claims (or with a
  // negative size) is refused, so that no pixel is read outside its rows.
  if (so->sizlBitmap.cx < 0 || so->sizlBitmap.cy < 0) return false;
  const int64_t distance = so->lDelta < 0 ? -int64_t(so->lDelta) : int64_t(so->lDelta);
  if (distance < (int64_t(so->sizlBitmap.cx) * bits + 7) / 8) return false;
  px->scan0 = static_cast<uint8_t*>(so->pvScan0);
  px->delta = so->lDelta;
  px->bits = bits;
  px->width = so->sizlBitmap.cx;
  px->height = so->sizlBitmap.cy;
  return true;
}

// A ternary raster operation on whole pixel values: bit i of rop is the
// result for pattern bit (i & 4), source bit (i & 2), destination bit (i & 1).
inline uint32_t Rop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (uint32_t i = 0; i < 8; ++i) {
    if (!(rop & (1u << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r;
}
inline bool RopUsesSource(uint32_t rop) { return (((rop >> 2) ^ rop) & 0x33) != 0; }
inline bool RopUsesPattern(uint32_t rop) { return (((rop >> 4) ^ rop) & 0x0F) != 0; }

// The ROP3 of a mix's ROP2 (R2_BLACK 1 ... R2_WHITE 16): the ROP2's
// function of pattern and destination, whatever the source.
uint32_t Rop2ToRop3(uint32_t rop2) {
  uint32_t f = (rop2 - 1) & 0xF;  // bit (p * 2 + d)
  uint32_t r = 0;
  for (uint32_t i = 0; i < 8; ++i) {
    uint32_t p = (i >> 2) & 1, d = i & 1;
    if (f & (1u << (p * 2 + d))) r |= 1u << i;
  }
  return r;
}

// The pattern of a drawing: a plain colour, or a pattern bitmap tiled from
// the brush origin.
struct PatternSource {
  bool present = false;
  uint32_t solid = 0;
  bool tiled = false;
  Pixels pat;
  XLATEOBJ* xlo = nullptr;
  POINTL org{0, 0};

  uint32_t At(LONG x, LONG y) const {
    if (!tiled) return solid;
    LONG px = (x - org.x) % pat.width, py = (y - org.y) % pat.height;
    if (px < 0) px += pat.width;
    if (py < 0) py += pat.height;
    uint32_t v = pat.Get(px, py);
    return xlo ? XLATEOBJ_iXlate(xlo, v) : v;
  }
};

bool MakePattern(BRUSHOBJ* pbo, POINTL* org, PatternSource* out) {
  if (!pbo) return false;
  out->present = true;
  if (pbo->iSolidColor != BRUSH_PATTERN) {
    out->solid = pbo->iSolidColor;
    return true;
  }
  Brush* b = BrushFromObj(pbo);
  if (!b || !b->pattern || !Access(b->pattern, &out->pat)) return false;
  out->tiled = true;
  out->xlo = b->pattern_xlo;
  if (org) out->org = *org;
  return true;
}

// Where a drawing may change pixels: an optional coverage mask (one byte per
// pixel, non-zero inside) over a rectangle of the target.
struct Coverage {
  RECTL area{0, 0, 0, 0};
  std::vector<uint8_t> data;
  int stride = 0;
  bool Inside(LONG x, LONG y) const {
    return data[size_t(y - area.top) * size_t(stride) + size_t(x - area.left)] != 0;
  }
};

// The source of a transfer: target-format values of pixel (x, y) of the
// destination.
struct SourceSampler {
  virtual ~SourceSampler() = default;
  virtual uint32_t At(LONG x, LONG y) const = 0;
};

struct BitmapSource : SourceSampler {
  Pixels src;
  LONG dx = 0, dy = 0;  // source = destination + (dx, dy)
  XLATEOBJ* xlo = nullptr;
  bool trivial = true;
  uint32_t At(LONG x, LONG y) const override {
    uint32_t v = src.Get(x + dx, y + dy);
    return trivial ? v : XLATEOBJ_iXlate(xlo, v);
  }
};

struct BufferSource : SourceSampler {
  RECTL area{0, 0, 0, 0};
  const uint32_t* data = nullptr;
  int stride = 0;  // in pixels
  uint32_t At(LONG x, LONG y) const override {
    return data[size_t(y - area.top) * size_t(stride) + size_t(x - area.left)] & 0xFFFFFF;
  }
};

struct MaskSource {
  Pixels mask;
  LONG dx = 0, dy = 0;
};

bool XlateIsTrivial(XLATEOBJ* xlo) { return !xlo || (xlo->flXlate & XO_TRIVIAL); }

// The combination step of every drawing: for each pixel of dest inside the
// clip rectangles, the coverage and the source bounds, D = ROP3(P, S, D),
// with the foreground ROP where the mask is 1 and the background ROP where
// it is 0.
void Combine(const Pixels& trg, const std::vector<RECTL>& rects, const RECTL& dest,
             const PatternSource* pat, const SourceSampler* src, const MaskSource* mask,
             uint32_t rop4, const Coverage* cov) {
  uint32_t fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
  if (!mask) bg = fg;
  uint32_t vmask = trg.ValueMask();
  for (const RECTL& clip : rects) {
    RECTL r;
    if (!Intersect(clip, dest, &r)) continue;
    if (cov && !Intersect(r, cov->area, &r)) continue;
    const BitmapSource* bsrc = dynamic_cast<const BitmapSource*>(src);
    // Plain copies of same-format rows.
    if (fg == 0xCC && bg == 0xCC && !cov && bsrc && bsrc->trivial && bsrc->src.bits == trg.bits &&
        trg.bits >= 8) {
      size_t bpp = size_t(trg.bits / 8);
      for (LONG y = r.top; y < r.bottom; ++y)
        std::memmove(trg.Row(y) + size_t(r.left) * bpp,
                     bsrc->src.Row(y + bsrc->dy) + size_t(r.left + bsrc->dx) * bpp,
                     size_t(r.right - r.left) * bpp);
      continue;
    }
    // One-bit copies whose source and target bits share their place in a
    // byte: whole bytes move, the edges go pixel by pixel.
    if (fg == 0xCC && bg == 0xCC && !cov && bsrc && bsrc->trivial && bsrc->src.bits == 1 &&
        trg.bits == 1 && ((bsrc->dx % 8) + 8) % 8 == 0 && r.right - r.left >= 16) {
      LONG first = (r.left + 7) & ~LONG(7), last = r.right & ~LONG(7);
      for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < first; ++x) trg.Put(x, y, bsrc->src.Get(x + bsrc->dx, y + bsrc->dy));
        std::memmove(trg.Row(y) + first / 8, bsrc->src.Row(y + bsrc->dy) + (first + bsrc->dx) / 8,
                     size_t(last - first) / 8);
        for (LONG x = last; x < r.right; ++x) trg.Put(x, y, bsrc->src.Get(x + bsrc->dx, y + bsrc->dy));
      }
      continue;
    }
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        if (cov && !cov->Inside(x, y)) continue;
        uint32_t rop = fg;
        if (mask && !mask->mask.Get(x + mask->dx, y + mask->dy)) rop = bg;
        uint32_t s = src ? src->At(x, y) : 0;
        uint32_t p = pat ? pat->At(x, y) : 0;
        uint32_t out;
        switch (rop) {
          case 0xCC: out = s; break;
          case 0xF0: out = p; break;
          case 0xAA: continue;
          default: out = Rop3(rop, p, s, trg.Get(x, y)); break;
        }
        trg.Put(x, y, out & vmask);
      }
    }
  }
}

RECTL SurfaceRect(const Pixels& px) { return RECTL{0, 0, px.width, px.height}; }

RECTL Ordered(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

// ---- coverage of paths with cairo ------------------------------------------------------

void AddPath(cairo_t* cr, PathObj* p, double off) {
  for (const PathRun& run : p->runs) {
    size_t i = 0;
    if (run.flags & PD_BEGINSUBPATH) {
      if (run.pts.empty()) continue;
      cairo_move_to(cr, run.pts[0].x / 16.0 + off, run.pts[0].y / 16.0 + off);
      i = 1;
    }
    if (run.flags & PD_BEZIERS) {
      for (; i + 2 < run.pts.size(); i += 3)
        cairo_curve_to(cr, run.pts[i].x / 16.0 + off, run.pts[i].y / 16.0 + off,
                       run.pts[i + 1].x / 16.0 + off, run.pts[i + 1].y / 16.0 + off,
                       run.pts[i + 2].x / 16.0 + off, run.pts[i + 2].y / 16.0 + off);
    } else {
      for (; i < run.pts.size(); ++i)
        cairo_line_to(cr, run.pts[i].x / 16.0 + off, run.pts[i].y / 16.0 + off);
    }
    if (run.flags & PD_CLOSEFIGURE) cairo_close_path(cr);
  }
}

struct StrokeStyle {
  bool stroke = false;
  bool cosmetic = true;
  double width = 1;
  cairo_line_cap_t cap = CAIRO_LINE_CAP_BUTT;
  cairo_line_join_t join = CAIRO_LINE_JOIN_MITER;
  double miter = 10;
  std::vector<double> dashes;
  double dash_offset = 0;
  XFORML xform{1, 0, 0, 1, 0, 0};
};

// Coverage of a path over area; false on a drawing failure.
bool PathCoverage(PathObj* p, const RECTL& area, bool winding, const StrokeStyle* stroke,
                  Coverage* cov) {
  int w = area.right - area.left, h = area.bottom - area.top;
  cov->area = area;
  if (w <= 0 || h <= 0) return true;
  if (plat::ShouldFail("EngAllocMem")) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -area.left, -area.top);
  // A cosmetic line runs through the centres of the pixels its integer
  // points name.
  AddPath(cr, p, stroke && stroke->cosmetic ? 0.5 : 0.0);
  if (stroke) {
    cairo_set_line_cap(cr, stroke->cap);
    cairo_set_line_join(cr, stroke->join);
    cairo_set_miter_limit(cr, stroke->miter);
    if (!stroke->dashes.empty())
      cairo_set_dash(cr, stroke->dashes.data(), int(stroke->dashes.size()), stroke->dash_offset);
    cairo_set_line_width(cr, stroke->width);
    cairo_stroke(cr);
  } else {
    cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  }
  bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(s);
  if (ok) {
    const uint8_t* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    cov->stride = w;
    cov->data.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) std::memcpy(&cov->data[size_t(y) * size_t(w)], data + size_t(y) * size_t(stride), size_t(w));
  }
  cairo_surface_destroy(s);
  return ok;
}

// The pixels a path (widened by pad pixels) may touch inside the target.
RECTL PathArea(PathObj* p, double pad, const RECTL& limit) {
  RECTFX b;
  PATHOBJ_vGetBounds(&p->po, &b);
  RECTL r{LONG(std::floor(b.xLeft / 16.0 - pad)) - 1, LONG(std::floor(b.yTop / 16.0 - pad)) - 1,
          LONG(std::ceil(b.xRight / 16.0 + pad)) + 2, LONG(std::ceil(b.yBottom / 16.0 + pad)) + 2};
  RECTL out{0, 0, 0, 0};
  Intersect(r, limit, &out);
  return out;
}

RECTL RectsBounds(const std::vector<RECTL>& rects) {
  RECTL b{0, 0, 0, 0};
  for (size_t i = 0; i < rects.size(); ++i) {
    if (i == 0) {
      b = rects[0];
      continue;
    }
    b.left = std::min(b.left, rects[i].left);
    b.top = std::min(b.top, rects[i].top);
    b.right = std::max(b.right, rects[i].right);
    b.bottom = std::max(b.bottom, rects[i].bottom);
  }
  return b;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

bool DrawPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
              bool winding, const StrokeStyle* stroke) {
  Pixels trg;
  PathObj* p = PathFromObj(ppo);
  if (!Access(pso, &trg) || !p || !pbo) return Fail(ERROR_INVALID_PARAMETER);
  PatternSource pat;
  if (!MakePattern(pbo, org, &pat)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  if (rects.empty()) return true;
  double pad = stroke ? stroke->width * std::max(1.0, stroke->miter) + 2 : 0;
  RECTL area = PathArea(p, pad, RectsBounds(rects));
  if (area.right <= area.left || area.bottom <= area.top) return true;
  Coverage cov;
  if (!PathCoverage(p, area, winding, stroke, &cov)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  uint32_t rop = Rop2ToRop3(mix & 0xFF);
  Combine(trg, rects, area, &pat, nullptr, nullptr, rop | (rop << 8), &cov);
  return true;
}

bool StrokeFromLineAttrs(LINEATTRS* la, XFORMOBJ* pxo, StrokeStyle* st) {
  st->stroke = true;
  if (!la) return true;
  XFORML m;
  XFORMOBJ_iGetXform(pxo, &m);
  double scale = std::sqrt(std::fabs(double(m.eM11) * m.eM22 - double(m.eM12) * m.eM21));
  if (!(scale > 0)) scale = 1;
  st->cosmetic = !(la->fl & LA_GEOMETRIC);
  if (!st->cosmetic) {
    st->width = std::max(1.0, double(la->elWidth.e) * scale);
    st->cap = la->iEndCap == ENDCAP_SQUARE ? CAIRO_LINE_CAP_SQUARE
              : la->iEndCap == ENDCAP_BUTT ? CAIRO_LINE_CAP_BUTT
                                           : CAIRO_LINE_CAP_ROUND;
    st->join = la->iJoin == JOIN_BEVEL ? CAIRO_LINE_JOIN_BEVEL
               : la->iJoin == JOIN_MITER ? CAIRO_LINE_JOIN_MITER
                                         : CAIRO_LINE_JOIN_ROUND;
    st->miter = std::max(1.0, double(la->eMiterLimit));
  }
  if ((la->fl & LA_STYLED) && la->cstyle > 0 && la->pstyle) {
    // Style entries: world lengths (floats) for geometric pens, pixels for
    // cosmetic ones.
    double sum = 0;
    for (ULONG i = 0; i < la->cstyle; ++i) {
      double v = st->cosmetic ? double(la->pstyle[i].l) : double(la->pstyle[i].e) * scale;
      v = std::max(0.0, v);
      st->dashes.push_back(v);
      sum += v;
    }
    if (sum <= 0) st->dashes.clear();
    if (la->fl & LA_STARTGAP && !st->dashes.empty()) st->dash_offset = st->dashes[0];
  }
  return true;
}

}  // namespace
}  // namespace eng::detail

using namespace eng::detail;

ENG_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                       XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                       BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  Pixels trg;
  if (!Access(psoTrg, &trg) || !prclTrg) return Fail(ERROR_INVALID_PARAMETER);
  uint32_t fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
  bool masked = fg != bg;
  bool need_src = RopUsesSource(fg) || (masked && RopUsesSource(bg));
  bool need_pat = RopUsesPattern(fg) || (masked && RopUsesPattern(bg));
  RECTL dest = Ordered(*prclTrg);
  RECTL limit = SurfaceRect(trg);
  BitmapSource src;
  if (need_src) {
    if (!Access(psoSrc, &src.src)) return Fail(ERROR_INVALID_PARAMETER);
    POINTL sp = pptlSrc ? *pptlSrc : POINTL{0, 0};
    src.dx = sp.x - dest.left;
    src.dy = sp.y - dest.top;
    src.xlo = pxlo;
    src.trivial = XlateIsTrivial(pxlo);
    // Only where the source has pixels.
    RECTL have{-src.dx, -src.dy, src.src.width - src.dx, src.src.height - src.dy};
    if (!Intersect(limit, have, &limit)) return TRUE;
  }
  MaskSource mask;
  if (masked) {
    if (!Access(psoMask, &mask.mask) || mask.mask.bits != 1) return Fail(ERROR_INVALID_PARAMETER);
    POINTL mp = pptlMask ? *pptlMask : POINTL{0, 0};
    mask.dx = mp.x - dest.left;
    mask.dy = mp.y - dest.top;
    RECTL have{-mask.dx, -mask.dy, mask.mask.width - mask.dx, mask.mask.height - mask.dy};
    if (!Intersect(limit, have, &limit)) return TRUE;
  }
  PatternSource pat;
  if (need_pat && !MakePattern(pbo, pptlBrush, &pat)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, limit);
  Combine(trg, rects, dest, need_pat ? &pat : nullptr, need_src ? &src : nullptr,
          masked ? &mask : nullptr, rop4, nullptr);
  return TRUE;
}

ENG_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                         RECTL* prclDest, POINTL* pptlSrc) {
  return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr,
                   nullptr, 0xCCCC);
}

ENG_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                           XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL* pptlHTOrg, RECTL* prclDest,
                           RECTL* prclSrc, POINTL* pptlMask, ULONG iMode) {
  // Every mode samples the nearest source pixel; HALFTONE onto a one-bit
  // target then dithers the sampled colours with an 8 x 8 ordered matrix
  // anchored at the halftone origin. A mask is used only by a transfer that
  // does not stretch.
  Pixels trg, src;
  if (!Access(psoDest, &trg) || !Access(psoSrc, &src) || !prclDest || !prclSrc)
    return Fail(ERROR_INVALID_PARAMETER);
  RECTL d = *prclDest, s = *prclSrc;
  bool flip_x = (d.right < d.left) != (s.right < s.left);
  bool flip_y = (d.bottom < d.top) != (s.bottom < s.top);
  RECTL dest = Ordered(d), srect = Ordered(s);
  LONG dw = dest.right - dest.left, dh = dest.bottom - dest.top;
  LONG sw = srect.right - srect.left, sh = srect.bottom - srect.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return TRUE;
  // The source's colours as 0x00RRGGBB and the target's black and white
  // indices, when the transfer is dithered.
  std::vector<ULONG> src_palette;
  ULONG white_index = 1, black_index = 0;
  const bool dither = iMode == HALFTONE && trg.bits == 1 && src.bits > 1;
  if (dither) {
    if (src.bits <= 8) {
      ULONG n = pxlo ? XLATEOBJ_cGetPalette(pxlo, XO_SRCPALETTE, 0, nullptr) : 0;
      src_palette.resize(n);
      if (n) XLATEOBJ_cGetPalette(pxlo, XO_SRCPALETTE, n, src_palette.data());
    }
    ULONG dst[2] = {0x000000, 0xFFFFFF};
    if (pxlo && XLATEOBJ_cGetPalette(pxlo, XO_DESTPALETTE, 2, dst) == 2) {
      auto lum = [](ULONG c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF); };
      white_index = lum(dst[1]) >= lum(dst[0]) ? 1 : 0;
      black_index = 1 - white_index;
    }
  }
  const bool src_rgb = pxlo && pxlo->iSrcType == PAL_RGB;
  if (dw == sw && dh == sh && !flip_x && !flip_y && !dither) {
    POINTL sp{srect.left, srect.top};
    return EngBitBlt(psoDest, psoSrc, psoMask, pco, pxlo, &dest, &sp, pptlMask, nullptr, nullptr,
                     psoMask ? 0xAACC : 0xCCCC);
  }
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  RECTL area;
  if (!Intersect(RectsBounds(rects), dest, &area) || rects.empty()) return TRUE;
  // The source part, translated to target values, as a cairo image whose
  // pixels are those values; cairo samples it into the visible part of the
  // destination.
  RECTL have{0, 0, src.width, src.height};
  RECTL sclip;
  if (!Intersect(srect, have, &sclip)) return TRUE;
  LONG aw = area.right - area.left, ah = area.bottom - area.top;
  // Destination pixel (x, y) of the area -> source position (ox, oy) + (x, y) * scale.
  double sx = double(sw) / dw, sy = double(sh) / dh;
  double ox = flip_x ? double(srect.right) - double(area.left - dest.left) * sx
                     : double(srect.left) + double(area.left - dest.left) * sx;
  double oy = flip_y ? double(srect.bottom) - double(area.top - dest.top) * sy
                     : double(srect.top) + double(area.top - dest.top) * sy;
  // Only the source pixels the area samples (a band of the page needs its
  // own part of the source, not all of it).
  {
    double x1 = ox + (flip_x ? -sx : sx) * aw, y1 = oy + (flip_y ? -sy : sy) * ah;
    RECTL need{LONG(std::floor(std::min(ox, x1))) - 1, LONG(std::floor(std::min(oy, y1))) - 1,
               LONG(std::ceil(std::max(ox, x1))) + 1, LONG(std::ceil(std::max(oy, y1))) + 1};
    if (!Intersect(sclip, need, &sclip)) return TRUE;
  }
  LONG cw = sclip.right - sclip.left, ch = sclip.bottom - sclip.top;
  if (plat::ShouldFail("EngAllocMem")) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  cairo_surface_t* cs = cairo_image_surface_create(CAIRO_FORMAT_RGB24, cw, ch);
  cairo_surface_t* ds = cairo_image_surface_create(CAIRO_FORMAT_RGB24, aw, ah);
  bool ok = cairo_surface_status(cs) == CAIRO_STATUS_SUCCESS &&
            cairo_surface_status(ds) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_flush(cs);
    uint8_t* cdata = cairo_image_surface_get_data(cs);
    int cstride = cairo_image_surface_get_stride(cs);
    bool trivial = XlateIsTrivial(pxlo);
    for (LONG y = 0; y < ch; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(cdata + size_t(y) * size_t(cstride));
      for (LONG x = 0; x < cw; ++x) {
        uint32_t v = src.Get(sclip.left + x, sclip.top + y);
        if (dither) {
          // The source colour itself, dithered after sampling.
          if (src.bits <= 8) {
            v = v < src_palette.size() ? src_palette[v] : 0;
          } else if (src_rgb) {
            v = ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
          }
          row[x] = v & 0xFFFFFF;
        } else {
          row[x] = (trivial ? v : XLATEOBJ_iXlate(pxlo, v)) & 0xFFFFFF;
        }
      }
    }
    cairo_surface_mark_dirty(cs);
    cairo_t* cr = cairo_create(ds);
    cairo_pattern_t* pat = cairo_pattern_create_for_surface(cs);
    cairo_pattern_set_filter(pat, CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(pat, CAIRO_EXTEND_PAD);
    cairo_matrix_t m;
    cairo_matrix_init(&m, flip_x ? -sx : sx, 0, 0, flip_y ? -sy : sy, ox - sclip.left,
                      oy - sclip.top);
    cairo_pattern_set_matrix(pat, &m);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(cr, pat);
    cairo_paint(cr);
    ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_pattern_destroy(pat);
    cairo_destroy(cr);
    cairo_surface_flush(ds);
  }
  if (ok && dither) {
    // Ordered dither: a pixel is white when its brightness reaches the
    // matrix threshold at its place on the page.
    static constexpr uint8_t kBayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
        {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};
    const POINTL ht = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
    uint8_t* data = cairo_image_surface_get_data(ds);
    const int stride = cairo_image_surface_get_stride(ds);
    for (LONG y = 0; y < ah; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
      for (LONG x = 0; x < aw; ++x) {
        uint32_t c = row[x];
        uint32_t lum = (((c >> 16) & 0xFF) * 77 + ((c >> 8) & 0xFF) * 151 + (c & 0xFF) * 28) >> 8;
        uint32_t threshold = kBayer[uint32_t(area.top + y - ht.y) & 7][uint32_t(area.left + x - ht.x) & 7] * 4 + 2;
        row[x] = lum >= threshold ? white_index : black_index;
      }
    }
  }
  if (ok) {
    BufferSource buf;
    buf.area = area;
    buf.data = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(ds));
    buf.stride = cairo_image_surface_get_stride(ds) / 4;
    Combine(trg, rects, area, nullptr, &buf, nullptr, 0xCCCC, nullptr);
  }
  cairo_surface_destroy(cs);
  cairo_surface_destroy(ds);
  return ok ? TRUE : Fail(ERROR_NOT_ENOUGH_MEMORY);
}

ENG_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  Pixels trg;
  if (!Access(pso, &trg) || !prcl) return Fail(ERROR_INVALID_PARAMETER);
  PatternSource pat;
  pat.present = true;
  pat.solid = iColor;
  Combine(trg, {SurfaceRect(trg)}, Ordered(*prcl), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  return TRUE;
}

ENG_API BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                         POINTL* pptlBrushOrg, MIX mix, FLONG flOptions) {
  return DrawPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, (flOptions & FP_WINDINGMODE) != 0,
                  nullptr);
}

ENG_API BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                           POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
  StrokeStyle st;
  StrokeFromLineAttrs(plineattrs, pxo, &st);
  return DrawPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, false, &st);
}

ENG_API BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                  BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                  POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
  if (!EngFillPath(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions)) return FALSE;
  return EngStrokePath(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
}

// STAND-IN (glyphs): the engine draws the opaque rectangle and the extra
// rectangles of a string but not its glyphs yet; text drawing comes with
// the font support of the next steps.
ENG_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                        RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque,
                        POINTL* pptlOrg, MIX mix) {
  Pixels trg;
  if (!Access(pso, &trg) || !pstro) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  if (prclOpaque && pboOpaque) {
    PatternSource pat;
    if (!MakePattern(pboOpaque, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    Combine(trg, rects, Ordered(*prclOpaque), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  }
  // The glyphs: each glyph's one-bit bitmap at its origin is a mask through
  // which the foreground brush goes with the mix's foreground ROP.
  if (pfo && pboFore && pstro->cGlyphs) {
    PatternSource pat;
    if (!MakePattern(pboFore, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    uint32_t rop2 = mix & 0xFF;
    uint32_t rop = Rop2ToRop3(rop2 >= 1 && rop2 <= 16 ? rop2 : 13);
    STROBJ_vEnumStart(pstro);
    BOOL more;
    do {
      ULONG count = 0;
      GLYPHPOS* gp = nullptr;
      more = STROBJ_bEnum(pstro, &count, &gp);
      for (ULONG i = 0; i < count && gp; ++i) {
        HGLYPH hg = gp[i].hg;
        void* out = nullptr;
        if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &out) != 1 || !out) continue;
        const GLYPHBITS* gb = static_cast<GLYPHDATA*>(out)->gdf.pgb;
        if (!gb || gb->sizlBitmap.cx <= 0 || gb->sizlBitmap.cy <= 0) continue;
        RECTL dest{gp[i].ptl.x + gb->ptlOrigin.x, gp[i].ptl.y + gb->ptlOrigin.y, 0, 0};
        dest.right = dest.left + gb->sizlBitmap.cx;
        dest.bottom = dest.top + gb->sizlBitmap.cy;
        MaskSource m;
        m.mask.scan0 = const_cast<uint8_t*>(gb->aj);
        m.mask.delta = (gb->sizlBitmap.cx + 7) / 8;
        m.mask.bits = 1;
        m.mask.width = gb->sizlBitmap.cx;
        m.mask.height = gb->sizlBitmap.cy;
        m.dx = -dest.left;
        m.dy = -dest.top;
        Combine(trg, rects, dest, &pat, nullptr, &m, rop | (0xAAu << 8), nullptr);
      }
    } while (more);
  }
  if (prclExtra && pboFore) {
    PatternSource pat;
    if (!MakePattern(pboFore, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    for (RECTL* r = prclExtra; r->left != r->right && r->top != r->bottom; ++r)
      Combine(trg, rects, Ordered(*r), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  }
  return TRUE;
}
