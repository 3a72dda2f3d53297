// Clip regions: a list of disjoint rectangles behind each CLIPOBJ, and their
// enumeration in the direction a driver asks for.
#include <algorithm>
#include <atomic>
#include <map>
#include <new>

#include "internal.h"
#include "plat/kernel.h"

namespace eng::detail {

bool Intersect(const RECTL& a, const RECTL& b, RECTL* out) {
  RECTL r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return false;
  if (out) *out = r;
  return true;
}

std::vector<RECTL> RegionIntersect(const std::vector<RECTL>& a, const std::vector<RECTL>& b) {
  std::vector<RECTL> out;
  for (const RECTL& ra : a)
    for (const RECTL& rb : b) {
      RECTL r;
      if (Intersect(ra, rb, &r)) out.push_back(r);
    }
  std::sort(out.begin(), out.end(), [](const RECTL& x, const RECTL& y) {
    return x.top != y.top ? x.top < y.top : x.left < y.left;
  });
  return out;
}

Clip* ClipFromObj(CLIPOBJ* pco) {
  Clip* c = reinterpret_cast<Clip*>(pco);
  return c && c->magic == kClipMagic ? c : nullptr;
}

void ClipSet(Clip* clip, std::vector<RECTL> rects, const RECTL& op_bounds) {
  static std::atomic<ULONG> uniq{1};
  clip->rects = std::move(rects);
  clip->walk.clear();
  clip->walk_pos = 0;
  RECTL bounds{0, 0, 0, 0};
  for (size_t i = 0; i < clip->rects.size(); ++i) {
    const RECTL& r = clip->rects[i];
    if (i == 0) {
      bounds = r;
    } else {
      bounds.left = std::min(bounds.left, r.left);
      bounds.top = std::min(bounds.top, r.top);
      bounds.right = std::max(bounds.right, r.right);
      bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
  }
  clip->co.rclBounds = bounds;
  clip->co.iMode = TC_RECTANGLES;
  clip->co.fjOptions = 0;
  if (clip->rects.size() == 1) {
    const RECTL& r = clip->rects[0];
    bool holds = r.left <= op_bounds.left && r.top <= op_bounds.top &&
                 r.right >= op_bounds.right && r.bottom >= op_bounds.bottom;
    clip->co.iDComplexity = holds ? DC_TRIVIAL : DC_RECT;
    clip->co.iFComplexity = FC_RECT;
    if (holds) clip->co.rclBounds = op_bounds;
  } else {
    clip->co.iDComplexity = DC_COMPLEX;
    clip->co.iFComplexity = clip->rects.size() <= 4 ? FC_RECT4 : FC_COMPLEX;
  }
  clip->co.iUniq = clip->co.iDComplexity == DC_COMPLEX ? uniq++ : 0;
}

std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& limit) {
  if (!pco || pco->iDComplexity == DC_TRIVIAL) return {limit};
  Clip* c = ClipFromObj(pco);
  if (!c) {
    // A clip object of the driver's own making: its bounds.
    RECTL r;
    if (Intersect(pco->rclBounds, limit, &r)) return {r};
    return {};
  }
  return RegionIntersect(c->rects, {limit});
}

}  // namespace eng::detail

using namespace eng::detail;

ENG_API ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG, ULONG iDirection,
                                 ULONG cLimit) {
  Clip* c = ClipFromObj(pco);
  if (!c) return 0;
  c->walk.clear();
  c->walk_pos = 0;
  if (c->co.iDComplexity == DC_TRIVIAL) {
    c->walk.push_back(c->co.rclBounds);
  } else {
    for (const RECTL& r : c->rects) {
      RECTL cut;
      if (bAll) {
        c->walk.push_back(r);
      } else if (Intersect(r, c->co.rclBounds, &cut)) {
        c->walk.push_back(cut);
      }
    }
  }
  bool down = iDirection == CD_RIGHTDOWN || iDirection == CD_LEFTDOWN || iDirection == CD_ANY;
  bool right = iDirection == CD_RIGHTDOWN || iDirection == CD_RIGHTUP || iDirection == CD_ANY;
  std::sort(c->walk.begin(), c->walk.end(), [&](const RECTL& a, const RECTL& b) {
    if (a.top != b.top) return down ? a.top < b.top : a.top > b.top;
    return right ? a.left < b.left : a.left > b.left;
  });
  ULONG n = ULONG(c->walk.size());
  return (cLimit != 0 && n > cLimit) ? 0xFFFFFFFF : n;
}

ENG_API BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
  Clip* c = ClipFromObj(pco);
  if (!c || !pul || cj < sizeof(ULONG)) return FALSE;
  ENUMRECTS* out = reinterpret_cast<ENUMRECTS*>(pul);
  size_t room = (cj - sizeof(ULONG)) / sizeof(RECTL);
  size_t n = std::min(room, c->walk.size() - c->walk_pos);
  for (size_t i = 0; i < n; ++i) std::memcpy(&out->arcl[i], &c->walk[c->walk_pos + i], sizeof(RECTL));
  out->c = ULONG(n);
  c->walk_pos += n;
  return c->walk_pos < c->walk.size();
}

namespace {

// Joins each region rectangle to the one above it when both have the same
// left and right and touch: a region made of rows (a clip path's runs)
// becomes as few rectangles as its shape allows. The rectangles stay
// disjoint.
std::vector<RECTL> JoinRows(const std::vector<RECTL>& rects) {
  std::vector<RECTL> out;
  std::map<std::pair<LONG, LONG>, size_t> last;  // (left, right) -> the latest rectangle of that span
  for (const RECTL& r : rects) {
    auto it = last.find({r.left, r.right});
    if (it != last.end() && out[it->second].bottom == r.top) {
      out[it->second].bottom = r.bottom;
    } else {
      last[{r.left, r.right}] = out.size();
      out.push_back(r);
    }
  }
  return out;
}

}  // namespace

ENG_API PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
  // The region as a path of one closed rectangle per region rectangle (the
  // rows of equal span joined).
  std::vector<RECTL> rects;
  if (Clip* c = ClipFromObj(pco)) {
    rects = c->co.iDComplexity == DC_TRIVIAL ? std::vector<RECTL>{c->co.rclBounds} : JoinRows(c->rects);
  } else if (pco) {
    rects.push_back(pco->rclBounds);
  } else {
    return nullptr;
  }
  void* mem = Alloc(sizeof(PathObj), true);
  if (!mem) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  PathObj* p = new (mem) PathObj{};
  for (const RECTL& r : rects) {
    PathRun run;
    run.flags = PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE;
    run.pts = {{r.left * 16, r.top * 16}, {r.right * 16, r.top * 16},
               {r.right * 16, r.bottom * 16}, {r.left * 16, r.bottom * 16}};
    p->runs.push_back(std::move(run));
    p->po.cCurves += 4;
  }
  return &p->po;
}
