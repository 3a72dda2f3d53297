// Strings of the engine: a STROBJ of glyphs at their places, with the flags
// and the background box a driver reads, its enumeration in batches, and
// the transform service that fonts' drivers call (XFORMOBJ_bApplyXform).
#include <algorithm>
#include <cmath>
#include <new>

#include "plat/kernel.h"
#include "text_internal.h"

namespace eng {

using namespace detail;

namespace {

// Transforms are floats: a box edge a hair past a whole pixel is that pixel.
constexpr double kSlack = 1e-4;

// The direction flags of glyphs at these places: all on one row is
// horizontal, all in one column vertical; reversed when they run left or
// up. A single glyph takes the font's baseline.
FLONG Direction(const std::vector<GLYPHPOS>& gp, const XFORML& m) {
  if (gp.size() >= 2) {
    bool row = std::all_of(gp.begin(), gp.end(), [&](const GLYPHPOS& g) { return g.ptl.y == gp[0].ptl.y; });
    bool column = std::all_of(gp.begin(), gp.end(), [&](const GLYPHPOS& g) { return g.ptl.x == gp[0].ptl.x; });
    if (row && !column) return SO_HORIZONTAL | (gp.back().ptl.x < gp[0].ptl.x ? SO_REVERSED : 0);
    if (column && !row) return SO_VERTICAL | (gp.back().ptl.y < gp[0].ptl.y ? SO_REVERSED : 0);
    if (row && column) {
      // Every glyph on one spot: the font's baseline tells.
    } else {
      return 0;
    }
  }
  if (m.eM12 == 0 && m.eM11 != 0) return SO_HORIZONTAL | (m.eM11 < 0 ? SO_REVERSED : 0);
  if (m.eM11 == 0 && m.eM12 != 0) return SO_VERTICAL | (m.eM12 < 0 ? SO_REVERSED : 0);
  return 0;
}

DWORD CodePageOf(const IFIMETRICS* ifi) {
  switch (ifi->jWinCharSet) {
    case SHIFTJIS_CHARSET: return 932;
    case SYMBOL_CHARSET: return 42;
    default: return 1252;
  }
}

}  // namespace

StringObject::StringObject(const FontObject& font, const std::vector<PlacedGlyph>& glyphs, FLONG extra_accel)
    : p_(new Str) {
  Font* f = font.impl();
  Str& s = *p_;
  s.gp.reserve(glyphs.size());
  bool any_char = false;
  double ax, ay, dx, dy;
  FontVerticals(f, &ax, &ay, &dx, &dy);
  double left = 0, top = 0, right = 0, bottom = 0;
  bool first = true;
  for (const PlacedGlyph& g : glyphs) {
    GLYPHPOS gp{};
    gp.hg = g.hg;
    gp.ptl = POINTL{LONG(std::lround(g.x)), LONG(std::lround(g.y))};
    s.gp.push_back(gp);
    s.text.push_back(g.ch);
    any_char = any_char || g.ch != 0;
    // The glyph's cell: from the origin along the advance, up to the
    // ascender and down to the descender.
    double vx, vy;
    FontAdvance(f, g.hg, &vx, &vy);
    const double xs[6] = {g.x + ax, g.x + dx, g.x + vx + ax, g.x + vx + dx, g.x, g.x + vx};
    const double ys[6] = {g.y + ay, g.y + dy, g.y + vy + ay, g.y + vy + dy, g.y, g.y + vy};
    for (int i = 0; i < 6; ++i) {
      if (first) {
        left = right = xs[i];
        top = bottom = ys[i];
        first = false;
      }
      left = std::min(left, xs[i]);
      right = std::max(right, xs[i]);
      top = std::min(top, ys[i]);
      bottom = std::max(bottom, ys[i]);
    }
  }
  s.text.push_back(0);
  s.code_page = CodePageOf(f->ifi);
  s.so.cGlyphs = ULONG(s.gp.size());
  s.so.flAccel = Direction(s.gp, f->xform.m) | extra_accel;
  s.so.rclBkGround = glyphs.empty() ? RECTL{0, 0, 0, 0}
                                    : RECTL{LONG(std::floor(left + kSlack)), LONG(std::floor(top + kSlack)),
                                            LONG(std::ceil(right - kSlack)), LONG(std::ceil(bottom - kSlack))};
  s.so.pgp = s.gp.empty() ? nullptr : s.gp.data();
  s.so.pwszOrg = any_char ? s.text.data() : nullptr;
}

std::unique_ptr<StringObject> StringObject::Layout(const FontObject& font, std::u16string_view text, double x,
                                                   double y, const std::vector<double>* dx) {
  Font* f = font.impl();
  const XFORML& m = f->xform.m;
  double sb = std::hypot(m.eM11, m.eM12);
  double ux = sb > 0 ? m.eM11 / sb : 1, uy = sb > 0 ? m.eM12 / sb : 0;
  std::vector<PlacedGlyph> glyphs;
  glyphs.reserve(text.size());
  double cx = x, cy = y;
  std::vector<double> steps;
  for (size_t i = 0; i < text.size(); ++i) {
    PlacedGlyph g;
    g.hg = FontGlyphOf(f, text[i]);
    g.x = cx;
    g.y = cy;
    g.ch = text[i];
    glyphs.push_back(g);
    double vx, vy;
    if (dx && i < dx->size()) {
      vx = (*dx)[i] * ux;
      vy = (*dx)[i] * uy;
    } else {
      FontAdvance(f, g.hg, &vx, &vy);
    }
    cx += vx;
    cy += vy;
  }
  FLONG accel = dx ? 0 : SO_FLAG_DEFAULT_PLACEMENT;
  auto s = std::unique_ptr<StringObject>(new StringObject(font, glyphs, accel));
  STROBJ* so = s->get();
  // A constant-width font placed by its own advances: the one increment.
  if (!dx && (f->ifi->flInfo & FM_INFO_CONSTANT_WIDTH) && (so->flAccel & (SO_HORIZONTAL | SO_VERTICAL))) {
    const std::vector<GLYPHPOS>& gp = s->p_->gp;
    bool horizontal = so->flAccel & SO_HORIZONTAL;
    LONG inc = 0;
    bool equal = true;
    for (size_t i = 1; i < gp.size(); ++i) {
      LONG d = horizontal ? gp[i].ptl.x - gp[i - 1].ptl.x : gp[i].ptl.y - gp[i - 1].ptl.y;
      d = d < 0 ? -d : d;
      if (i == 1) inc = d;
      else if (d != inc) equal = false;
    }
    if (gp.size() == 1 && !gp.empty()) {
      double vx, vy;
      FontAdvance(f, gp[0].hg, &vx, &vy);
      inc = LONG(std::lround(std::fabs(horizontal ? vx : vy)));
    }
    if (equal) so->ulCharInc = ULONG(inc);
  }
  return s;
}

StringObject::~StringObject() {
  p_->magic = 0;
  delete p_;
}
STROBJ* StringObject::get() const { return &p_->so; }

void StringObject::SetBatchGlyphs(ULONG n) {
  p_->batch = n;
  p_->so.pgp = n == 0 && !p_->gp.empty() ? p_->gp.data() : nullptr;
  p_->pos = 0;
}

void StringObject::Offset(LONG dx, LONG dy) {
  for (GLYPHPOS& g : p_->gp) {
    g.ptl.x -= dx;
    g.ptl.y -= dy;
  }
  RECTL& r = p_->so.rclBkGround;
  r = RECTL{r.left - dx, r.top - dy, r.right - dx, r.bottom - dy};
}

}  // namespace eng

namespace eng::detail {
Str* StrFromObj(STROBJ* pstro) {
  Str* s = reinterpret_cast<Str*>(pstro);
  return s && s->magic == kStringMagic ? s : nullptr;
}
}  // namespace eng::detail

using namespace eng::detail;

ENG_API void STROBJ_vEnumStart(STROBJ* pstro) {
  if (Str* s = StrFromObj(pstro)) s->pos = 0;
}

ENG_API BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
  Str* s = StrFromObj(pstro);
  if (pc) *pc = 0;
  if (ppgpos) *ppgpos = nullptr;
  if (!s || !pc || !ppgpos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  size_t left = s->gp.size() - std::min(s->pos, s->gp.size());
  size_t n = s->batch ? std::min(left, s->batch) : left;
  *pc = ULONG(n);
  *ppgpos = n ? s->gp.data() + s->pos : nullptr;
  s->pos += n;
  return s->pos < s->gp.size();
}

ENG_API DWORD STROBJ_dwGetCodePage(STROBJ* pstro) {
  Str* s = StrFromObj(pstro);
  return s ? s->code_page : 0;
}

ENG_API BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut) {
  Xform* x = XformFromObj(pxo);
  if (!x || (cPoints && (!pvIn || !pvOut)) || iMode > XF_INV_FXTOL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const XFORML& m = x->m;
  double a = m.eM11, b = m.eM12, c = m.eM21, d = m.eM22, ex = m.eDx, ey = m.eDy;
  const bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
  if (inverse) {
    double det = a * d - b * c;
    if (!(std::fabs(det) > 0)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    double ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    double iex = -(ex * ia + ey * ic), iey = -(ex * ib + ey * id);
    a = ia, b = ib, c = ic, d = id, ex = iex, ey = iey;
  }
  // The input may be the output: each point is read before it is written.
  auto clamp = [](double v) { return LONG(std::lround(std::clamp(v, -2147483647.0, 2147483647.0))); };
  for (ULONG i = 0; i < cPoints; ++i) {
    const LONG* in = static_cast<const LONG*>(pvIn) + 2 * size_t(i);
    LONG* out = static_cast<LONG*>(pvOut) + 2 * size_t(i);
    double px = in[0], py = in[1];
    if (iMode == XF_INV_FXTOL) {
      px /= 16.0;
      py /= 16.0;
    }
    double tx = px * a + py * c + ex, ty = px * b + py * d + ey;
    if (iMode == XF_LTOFX) {
      tx *= 16.0;
      ty *= 16.0;
    }
    out[0] = clamp(tx);
    out[1] = clamp(ty);
  }
  return TRUE;
}
