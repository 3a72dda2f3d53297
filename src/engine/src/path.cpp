// Paths (the application's Path and the PATHOBJ a driver enumerates),
// transforms, colour translations and brush services.
#include <algorithm>
#include <cmath>
#include <new>

#include "eng/dc.h"
#include "internal.h"
#include "plat/kernel.h"

namespace eng {

void Path::MoveTo(double x, double y) { ops_.push_back({Op::kMove, {x, y}}); }
void Path::LineTo(double x, double y) { ops_.push_back({Op::kLine, {x, y}}); }
void Path::BezierTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  ops_.push_back({Op::kBezier, {x1, y1, x2, y2, x3, y3}});
}
void Path::Close() { ops_.push_back({Op::kClose, {}}); }
void Path::Rectangle(double left, double top, double right, double bottom) {
  MoveTo(left, top);
  LineTo(right, top);
  LineTo(right, bottom);
  LineTo(left, bottom);
  Close();
}

}  // namespace eng

namespace eng::detail {
namespace {

FIX ToFix(double v) { return FIX(std::lround(v * 16.0)); }

}  // namespace

PathObj* PathFromObj(PATHOBJ* ppo) {
  PathObj* p = reinterpret_cast<PathObj*>(ppo);
  return p && p->magic == kPathMagic ? p : nullptr;
}

PathObj* PathFromPath(const eng::Path& path, double dx, double dy) {
  void* mem = Alloc(sizeof(PathObj), true);
  if (!mem) return nullptr;
  PathObj* p = new (mem) PathObj{};
  bool open = false;         // a subpath is in progress
  POINTFIX start{0, 0};      // its start point
  POINTFIX current{0, 0};
  bool have_current = false;
  auto end_subpath = [&](bool closed) {
    if (!open) return;
    PathRun& last = p->runs.back();
    last.flags |= PD_ENDSUBPATH | (closed ? PD_CLOSEFIGURE : 0);
    open = false;
    if (closed) current = start;
  };
  auto begin_if_needed = [&]() {
    if (open) return;
    // Drawing without a MoveTo starts at the current point (or the origin).
    PathRun run;
    run.flags = PD_BEGINSUBPATH;
    start = have_current ? current : POINTFIX{0, 0};
    run.pts.push_back(start);
    p->runs.push_back(std::move(run));
    open = true;
  };
  for (const eng::Path::Op& op : path.ops()) {
    switch (op.kind) {
      case eng::Path::Op::kMove:
        end_subpath(false);
        current = {ToFix(op.pts[0] + dx), ToFix(op.pts[1] + dy)};
        have_current = true;
        begin_if_needed();
        break;
      case eng::Path::Op::kLine: {
        begin_if_needed();
        POINTFIX pt{ToFix(op.pts[0] + dx), ToFix(op.pts[1] + dy)};
        if (p->runs.back().flags & PD_BEZIERS) {
          PathRun run;
          run.flags = 0;
          p->runs.push_back(std::move(run));
        }
        p->runs.back().pts.push_back(pt);
        p->po.cCurves++;
        current = pt;
        have_current = true;
        break;
      }
      case eng::Path::Op::kBezier: {
        begin_if_needed();
        PathRun* run = &p->runs.back();
        bool lone_start = (run->flags & PD_BEGINSUBPATH) && run->pts.size() == 1;
        if (lone_start) {
          run->flags |= PD_BEZIERS;
        } else if (!(run->flags & PD_BEZIERS)) {
          PathRun next;
          next.flags = PD_BEZIERS;
          p->runs.push_back(std::move(next));
          run = &p->runs.back();
        }
        for (int i = 0; i < 3; ++i)
          run->pts.push_back({ToFix(op.pts[2 * i] + dx), ToFix(op.pts[2 * i + 1] + dy)});
        p->po.cCurves++;
        p->po.fl |= PO_BEZIERS;
        current = run->pts.back();
        have_current = true;
        break;
      }
      case eng::Path::Op::kClose:
        end_subpath(true);
        break;
    }
  }
  end_subpath(false);
  return p;
}

void PathDelete(PathObj* p) {
  if (!p) return;
  p->magic = 0;
  p->~PathObj();
  Free(p);
}

Xform* XformFromObj(XFORMOBJ* pxo) {
  Xform* x = reinterpret_cast<Xform*>(pxo);
  return x && x->magic == kXformMagic ? x : nullptr;
}

Xlate* XlateFromObj(XLATEOBJ* pxlo) {
  Xlate* x = reinterpret_cast<Xlate*>(pxlo);
  return x && x->magic == kXlateMagic ? x : nullptr;
}

ULONG NearestIndex(const std::vector<ULONG>& colors, ULONG c) {
  ULONG best = 0;
  int64_t best_d = INT64_MAX;
  for (size_t i = 0; i < colors.size(); ++i) {
    int64_t dr = int64_t((c >> 16) & 0xFF) - int64_t((colors[i] >> 16) & 0xFF);
    int64_t dg = int64_t((c >> 8) & 0xFF) - int64_t((colors[i] >> 8) & 0xFF);
    int64_t db = int64_t(c & 0xFF) - int64_t(colors[i] & 0xFF);
    int64_t d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = ULONG(i);
    }
  }
  return best;
}

namespace {

// A colour of the source as 0x00RRGGBB.
ULONG SourceRgb(const Xlate* x, ULONG v) {
  if (x->src_mode == PAL_INDEXED) return v < x->src_colors.size() ? x->src_colors[v] : 0;
  if (x->src_mode == PAL_RGB) return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
  return v & 0xFFFFFF;
}

ULONG ToTarget(const Xlate* x, ULONG rgb) {
  if (x->dst_mode == PAL_INDEXED) return NearestIndex(x->dst_colors, rgb);
  if (x->dst_mode == PAL_RGB) return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  return rgb;
}

}  // namespace

ULONG XlateSourceRgb(const Xlate* x, ULONG v) { return SourceRgb(x, v); }
ULONG XlateTargetOf(const Xlate* x, ULONG rgb) { return ToTarget(x, rgb); }

void XlateBuild(Xlate* x, ULONG src_mode, const std::vector<ULONG>& src_colors, ULONG dst_mode,
                const std::vector<ULONG>& dst_colors) {
  x->src_mode = src_mode;
  x->dst_mode = dst_mode;
  x->src_colors = src_colors;
  x->dst_colors = dst_colors;
  x->table.clear();
  x->xo.iSrcType = USHORT(src_mode);
  x->xo.iDstType = USHORT(dst_mode);
  x->xo.flXlate = 0;
  x->xo.cEntries = 0;
  x->xo.pulXlate = nullptr;
  bool same = src_mode == dst_mode &&
              (src_mode != PAL_INDEXED || src_colors == dst_colors);
  if (same) {
    x->xo.flXlate = XO_TRIVIAL;
    return;
  }
  if (src_mode == PAL_INDEXED) {
    for (ULONG c : src_colors) x->table.push_back(ToTarget(x, c));
    x->xo.flXlate = XO_TABLE;
    x->xo.cEntries = ULONG(x->table.size());
    x->xo.pulXlate = x->table.data();
  }
  if (dst_mode == PAL_INDEXED && dst_colors.size() == 2) x->xo.flXlate |= XO_TO_MONO;
}

Brush* BrushFromObj(BRUSHOBJ* pbo) {
  Brush* b = reinterpret_cast<Brush*>(pbo);
  return b && b->magic == kBrushMagic ? b : nullptr;
}

void BrushRelease(Brush* b) {
  if (!b) return;
  Free(b->rbrush);
  b->rbrush = nullptr;
  b->bo.pvRbrush = nullptr;
}

}  // namespace eng::detail

using namespace eng::detail;

ENG_API void EngDeletePath(PATHOBJ* ppo) { PathDelete(PathFromObj(ppo)); }

ENG_API void PATHOBJ_vEnumStart(PATHOBJ* ppo) {
  if (PathObj* p = PathFromObj(ppo)) {
    p->walk_pos = 0;
    p->walk_point = 0;
  }
}

// Hands out the runs of the path one after the other; with a batch limit a
// run goes out in pieces of at most that many points: the first piece keeps
// the run's PD_BEGINSUBPATH, the last its PD_ENDSUBPATH and PD_CLOSEFIGURE,
// and every piece of a Bezier run holds its curve points in whole threes
// (after the start point, in the piece that begins a subpath).
ENG_API BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
  PathObj* p = PathFromObj(ppo);
  if (!ppd) return FALSE;
  if (!p || p->walk_pos >= p->runs.size()) {
    ppd->flags = 0;
    ppd->count = 0;
    ppd->pptfx = nullptr;
    return FALSE;
  }
  PathRun& run = p->runs[p->walk_pos];
  const size_t total = run.pts.size();
  const size_t first = p->walk_point;
  size_t take = total - first;
  if (p->batch_limit != 0 && take > p->batch_limit) {
    take = p->batch_limit;
    if (run.flags & PD_BEZIERS) {
      const size_t lead = (first == 0 && (run.flags & PD_BEGINSUBPATH)) ? 1 : 0;
      size_t curve_pts = take > lead ? (take - lead) / 3 * 3 : 0;
      if (curve_pts == 0) curve_pts = 3;
      take = std::min(total - first, lead + curve_pts);
    }
  }
  const bool last_piece = first + take >= total;
  FLONG flags = run.flags;
  if (first != 0) flags &= ~FLONG(PD_BEGINSUBPATH | PD_RESETSTYLE);
  if (!last_piece) flags &= ~FLONG(PD_ENDSUBPATH | PD_CLOSEFIGURE);
  ppd->flags = flags;
  ppd->count = ULONG(take);
  ppd->pptfx = total ? run.pts.data() + first : nullptr;
  if (last_piece) {
    p->walk_pos++;
    p->walk_point = 0;
  } else {
    p->walk_point = first + take;
  }
  return p->walk_pos < p->runs.size();
}

ENG_API void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx) {
  if (!prectfx) return;
  *prectfx = RECTFX{0, 0, 0, 0};
  PathObj* p = PathFromObj(ppo);
  if (!p) return;
  bool first = true;
  for (const PathRun& run : p->runs)
    for (const POINTFIX& pt : run.pts) {
      if (first) {
        *prectfx = RECTFX{pt.x, pt.y, pt.x, pt.y};
        first = false;
      }
      prectfx->xLeft = std::min(prectfx->xLeft, pt.x);
      prectfx->yTop = std::min(prectfx->yTop, pt.y);
      prectfx->xRight = std::max(prectfx->xRight, pt.x);
      prectfx->yBottom = std::max(prectfx->yBottom, pt.y);
    }
}

ENG_API ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
  Xform* x = XformFromObj(pxo);
  XFORML m = x ? x->m : XFORML{1, 0, 0, 1, 0, 0};
  if (pxform) *pxform = m;
  bool unit = m.eM11 == 1 && m.eM22 == 1;
  bool diagonal = m.eM12 == 0 && m.eM21 == 0;
  bool moved = m.eDx != 0 || m.eDy != 0;
  if (diagonal && unit) return moved ? GX_OFFSET : GX_IDENTITY;
  return diagonal ? GX_SCALE : GX_GENERAL;
}

ENG_API ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
  Xlate* x = XlateFromObj(pxlo);
  if (!x || (x->xo.flXlate & XO_TRIVIAL)) return iColor;
  if (!x->table.empty()) return iColor < x->table.size() ? x->table[iColor] : 0;
  return ToTarget(x, SourceRgb(x, iColor));
}

ENG_API ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
  Xlate* x = XlateFromObj(pxlo);
  if (!x) return 0;
  const std::vector<ULONG>& colors = iPal == XO_SRCPALETTE ? x->src_colors : x->dst_colors;
  if (!pPal) return ULONG(colors.size());
  ULONG n = std::min<ULONG>(cPal, ULONG(colors.size()));
  for (ULONG i = 0; i < n; ++i) pPal[i] = colors[i];
  return n;
}

ENG_API PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
  Brush* b = BrushFromObj(pbo);
  if (!b) return nullptr;
  BrushRelease(b);
  b->rbrush = Alloc(cj, true);
  b->bo.pvRbrush = b->rbrush;
  return b->rbrush;
}

ENG_API PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
  if (!pbo) return nullptr;
  if (pbo->pvRbrush) return pbo->pvRbrush;
  Brush* b = BrushFromObj(pbo);
  if (!b || !b->realize || pbo->iSolidColor != BRUSH_PATTERN) return nullptr;
  // The driver realizes the brush on first use.
  if (!b->realize(pbo, b->target, b->pattern, nullptr, b->pattern_xlo, b->hatch)) {
    BrushRelease(b);
    return nullptr;
  }
  return pbo->pvRbrush;
}

ENG_API ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
  return pbo ? pbo->iSolidColor : 0xFFFFFFFF;
}
