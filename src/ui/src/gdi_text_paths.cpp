// Paths of DCs, arcs and the ABC widths of glyphs. A DC's path is kept
// here, beside the DC, from BeginPath until it is drawn or dropped: lines
// and arcs go into it as the pen would draw them (through pixel centres),
// text as the outlines of its glyphs where TextOutW would put them. The
// engine strokes and fills it, so every pixel still comes from the engine.
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

#include "eng/dc.h"
#include "eng/ddi.h"
#include "eng/text.h"
#include "gdi_internal.h"
#include "plat/kernel.h"
#include "wm.h"

namespace ui::detail {
namespace {

struct PathState {
  eng::Path path;
  bool open = false;   // between BeginPath and EndPath
  bool ended = false;  // ended and not yet drawn
  bool have_point = false;
  double cx = 0, cy = 0;  // the path's current point, on the bitmap
};

std::map<HDC, PathState>& Paths() {
  static auto* paths = new std::map<HDC, PathState>();  // lives for the process, as the DC table does
  return *paths;
}

PathState* StateOf(HDC dc) {
  auto it = Paths().find(dc);
  return it == Paths().end() ? nullptr : &it->second;
}

// Continues the path's figure at (x, y), or starts a new one there.
void MoveOrContinue(PathState& st, double x, double y) {
  if (!st.have_point || st.cx != x || st.cy != y) st.path.MoveTo(x, y);
  st.have_point = true;
  st.cx = x;
  st.cy = y;
}

// The outline of a glyph of the font, its origin at (x, y) of the bitmap.
bool AddGlyphOutline(const eng::FontObject& font, HGLYPH hg, double x, double y, eng::Path* out) {
  HGLYPH glyph = hg;
  void* data = nullptr;
  if (FONTOBJ_cGetGlyphs(font.get(), FO_PATHOBJ, 1, &glyph, &data) != 1 || !data) return false;
  PATHOBJ* po = static_cast<GLYPHDATA*>(data)->gdf.ppo;
  if (!po) return false;
  PATHOBJ_vEnumStart(po);
  PATHDATA pd{};
  bool more = true;
  while (more) {
    more = PATHOBJ_bEnum(po, &pd);
    if (pd.count == 0 || !pd.pptfx) continue;
    auto px = [&](ULONG i) { return x + pd.pptfx[i].x / 16.0; };
    auto py = [&](ULONG i) { return y + pd.pptfx[i].y / 16.0; };
    ULONG i = 0;
    if (pd.flags & PD_BEGINSUBPATH) {
      out->MoveTo(px(0), py(0));
      i = 1;
    }
    if (pd.flags & PD_BEZIERS) {
      for (; i + 2 < pd.count; i += 3) out->BezierTo(px(i), py(i), px(i + 1), py(i + 1), px(i + 2), py(i + 2));
    } else {
      for (; i < pd.count; ++i) out->LineTo(px(i), py(i));
    }
    if ((pd.flags & PD_ENDSUBPATH) && (pd.flags & PD_CLOSEFIGURE)) out->Close();
  }
  return true;
}

// The arc of the ellipse with centre (cx, cy) and radii rx, ry from angle a
// through the sweep (counter-clockwise on the screen), in Bezier pieces of
// at most a quarter turn; starts a figure unless the path is at its start.
void AddArc(PathState& st, double cx, double cy, double rx, double ry, double a, double sweep) {
  auto at = [&](double t, double* x, double* y) {
    *x = cx + rx * std::cos(t);
    *y = cy - ry * std::sin(t);
  };
  double x0, y0;
  at(a, &x0, &y0);
  MoveOrContinue(st, x0, y0);
  const int pieces = std::max(1, int(std::ceil(sweep / (M_PI / 2) - 1e-9)));
  const double step = sweep / pieces;
  const double k = 4.0 / 3.0 * std::tan(step / 4);
  for (int i = 0; i < pieces; ++i) {
    const double t0 = a + step * i, t1 = t0 + step;
    double x1, y1;
    at(t1, &x1, &y1);
    // The tangents at both ends (d/dt of the point), scaled by k.
    st.path.BezierTo(x0 - k * rx * std::sin(t0), y0 - k * ry * std::cos(t0), x1 + k * rx * std::sin(t1),
                     y1 + k * ry * std::cos(t1), x1, y1);
    x0 = x1;
    y0 = y1;
  }
  st.cx = x0;
  st.cy = y0;
}

enum class Draw { kStroke, kFill, kBoth };

BOOL DrawPath(HDC dc, Draw how) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  PathState* st = StateOf(dc);
  DcParts parts;
  if (!st || !st->ended || !GetDcParts(dc, &parts, false)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const eng::Path path = std::move(st->path);
  Paths().erase(dc);
  if (path.empty()) return TRUE;
  eng::Pen pen;
  pen.width = parts.pen_width > 1 ? parts.pen_width : 0;
  bool ok = true;
  if (how != Draw::kStroke && parts.brush)
    ok = parts.eng->FillPath(path, EngColor(parts.brush_color), eng::FillMode::kAlternate);
  if (how != Draw::kFill && parts.pen) ok = parts.eng->StrokePath(path, pen, EngColor(parts.pen_color)) && ok;
  return ok ? TRUE : FALSE;
}

}  // namespace

bool PathIsOpen(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  PathState* st = StateOf(dc);
  return st && st->open;
}

BOOL PathAddLine(HDC dc, POINT from, POINT to) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  PathState* st = StateOf(dc);
  DcParts parts;
  if (!st || !st->open || !GetDcParts(dc, &parts, false)) return FALSE;
  MoveOrContinue(*st, from.x + parts.origin.x + 0.5, from.y + parts.origin.y + 0.5);
  st->cx = to.x + parts.origin.x + 0.5;
  st->cy = to.y + parts.origin.y + 0.5;
  st->path.LineTo(st->cx, st->cy);
  return TRUE;
}

BOOL PathAddText(HDC dc, INT x, INT y, std::u16string_view text) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  PathState* st = StateOf(dc);
  DcParts parts;
  if (!st || !st->open || !GetDcParts(dc, &parts, true) || !parts.font_ok) return FALSE;
  const eng::FontObject* font = parts.eng->selected_font();
  if (!font) return FALSE;
  const TextFrame f = TextFrameOf(parts.font, x + parts.origin.x, y + parts.origin.y, parts.ascent);
  double gx = f.base_x, gy = f.base_y;
  for (HGLYPH hg : font->GlyphsOf(text)) {
    AddGlyphOutline(*font, hg, gx, gy, &st->path);  // a glyph without an outline adds nothing
    double dx = 0, dy = 0;
    font->Advance(hg, &dx, &dy);
    gx += dx;
    gy += dy;
  }
  st->have_point = false;  // the glyphs' figures are closed
  return TRUE;
}

void ForgetPath(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Paths().erase(dc);
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

BOOL GetCharABCWidthsW(HDC dc, UINT first, UINT last, ABC* widths) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  DcParts parts;
  if (!widths || first > last || last > 0xFFFF || !GetDcParts(dc, &parts, true) || !parts.font_ok) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const eng::FontObject* font = parts.eng->selected_font();
  if (!font) return FALSE;
  for (UINT c = first; c <= last; ++c) {
    const char16_t ch = char16_t(c);
    const std::vector<HGLYPH> glyphs = font->GlyphsOf(std::u16string_view(&ch, 1));
    HGLYPH hg = glyphs.empty() ? 0 : glyphs[0];
    void* data = nullptr;
    double dx = 0, dy = 0;
    font->Advance(hg, &dx, &dy);
    const LONG advance = LONG(std::lround(std::hypot(dx, dy)));
    LONG a = 0, b = 1;
    if (FONTOBJ_cGetGlyphs(font->get(), FO_GLYPHBITS, 1, &hg, &data) == 1 && data) {
      const GLYPHDATA& gd = *static_cast<GLYPHDATA*>(data);
      // A level font: the columns of the glyph's pixels; a turned one: its
      // outline's extent along the baseline.
      const bool level = parts.font.lfEscapement % 3600 == 0;
      const LONG ink_start = level ? gd.rclInk.left : LONG(std::lround(gd.fxA / 16.0));
      const LONG ink_end = level ? gd.rclInk.right : LONG(std::lround(gd.fxAB / 16.0));
      if (ink_end > ink_start) {
        a = ink_start;
        b = ink_end - ink_start;
      }
    }
    // A blank glyph: one pixel of B at its origin, the rest of its advance C.
    widths[c - first] = ABC{a, UINT(b), advance - a - b};
  }
  return TRUE;
}

BOOL BeginPath(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  DcParts parts;
  if (!GetDcParts(dc, &parts, false)) return FALSE;
  PathState& st = Paths()[dc];
  st = PathState{};
  st.open = true;
  return TRUE;
}

BOOL EndPath(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  PathState* st = StateOf(dc);
  if (!st || !st->open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  st->open = false;
  st->ended = true;
  return TRUE;
}

BOOL AbortPath(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  DcParts parts;
  if (!GetDcParts(dc, &parts, false)) return FALSE;
  Paths().erase(dc);
  return TRUE;
}

BOOL StrokePath(HDC dc) { return DrawPath(dc, Draw::kStroke); }
BOOL FillPath(HDC dc) { return DrawPath(dc, Draw::kFill); }
BOOL StrokeAndFillPath(HDC dc) { return DrawPath(dc, Draw::kBoth); }

BOOL Arc(HDC dc, INT left, INT top, INT right, INT bottom, INT x_start, INT y_start, INT x_end, INT y_end) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  DcParts parts;
  if (!GetDcParts(dc, &parts, false)) return FALSE;
  // The ellipse through the centres of the rectangle's edge pixels, as
  // Ellipse draws it.
  const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  const double rx = std::max(0.0, std::abs(right - left) / 2.0 - 0.5);
  const double ry = std::max(0.0, std::abs(bottom - top) / 2.0 - 0.5);
  // Where the radial lines meet the ellipse, as angles of its parameter.
  auto angle = [&](INT x, INT y) { return std::atan2(-(y - cy) * std::max(rx, 1e-9), (x - cx) * std::max(ry, 1e-9)); };
  const double a0 = angle(x_start, y_start), a1 = angle(x_end, y_end);
  double sweep = a1 - a0;
  while (sweep <= 1e-9) sweep += 2 * M_PI;
  if (std::abs(sweep - 2 * M_PI) < 1e-9 || sweep > 2 * M_PI) sweep = 2 * M_PI;
  const double ox = cx + parts.origin.x, oy = cy + parts.origin.y;
  if (PathState* st = StateOf(dc); st && st->open) {
    st->have_point = false;  // an arc starts a figure of its own
    AddArc(*st, ox, oy, rx, ry, a0, sweep);
    return TRUE;
  }
  if (!parts.pen) return TRUE;
  PathState local;
  AddArc(local, ox, oy, rx, ry, a0, sweep);
  eng::Pen pen;
  pen.width = parts.pen_width > 1 ? parts.pen_width : 0;
  return parts.eng->StrokePath(local.path, pen, EngColor(parts.pen_color)) ? TRUE : FALSE;
}

}  // extern "C"
