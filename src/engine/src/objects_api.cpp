// The caller-made DDI objects of eng/objects.h.
#include "eng/objects.h"

#include <new>

#include "internal.h"

namespace eng {

using namespace detail;

ClipObject::ClipObject(std::vector<RECTL> rects, const RECTL& op_bounds) : p_(new Clip) {
  ClipSet(p_.get(), std::move(rects), op_bounds);
}
ClipObject::~ClipObject() = default;
CLIPOBJ* ClipObject::get() const { return &p_->co; }

PathObject::PathObject(const Path& path, double dx, double dy) : p_(PathFromPath(path, dx, dy)) {}
PathObject::PathObject(const std::vector<PathBatch>& batches, ULONG curves, FLONG fl) : p_(nullptr) {
  void* mem = Alloc(sizeof(PathObj), true);
  if (!mem) return;
  p_ = new (mem) PathObj{};
  for (const PathBatch& b : batches) p_->runs.push_back(PathRun{b.flags, b.pts});
  p_->po.cCurves = curves;
  p_->po.fl = fl;
}
PathObject::~PathObject() { PathDelete(p_); }
PATHOBJ* PathObject::get() const { return p_ ? &p_->po : nullptr; }
void PathObject::SetBatchPoints(ULONG max_points) {
  if (p_) p_->batch_limit = max_points;
}

BrushObject::BrushObject(ULONG solid_color) : p_(new Brush) { p_->bo.iSolidColor = solid_color; }
BrushObject::BrushObject(SURFOBJ* pattern, XLATEOBJ* xlate, ULONG hatch,
                         PFN_DrvRealizeBrush realize, SURFOBJ* target)
    : p_(new Brush) {
  p_->bo.iSolidColor = BRUSH_PATTERN;
  p_->pattern = pattern;
  p_->pattern_xlo = xlate;
  p_->hatch = hatch;
  p_->realize = realize;
  p_->target = target;
}
BrushObject::~BrushObject() { BrushRelease(p_.get()); }
BRUSHOBJ* BrushObject::get() const { return &p_->bo; }

XlateObject::XlateObject(ULONG src_mode, const std::vector<ULONG>& src_colors, ULONG dst_mode,
                         const std::vector<ULONG>& dst_colors)
    : p_(new Xlate) {
  XlateBuild(p_.get(), src_mode, src_colors, dst_mode, dst_colors);
}
XlateObject::~XlateObject() = default;
XLATEOBJ* XlateObject::get() const { return &p_->xo; }

XformObject::XformObject(const XFORML& m) : p_(new Xform) { p_->m = m; }
XformObject::~XformObject() = default;
XFORMOBJ* XformObject::get() const { return &p_->xo; }

}  // namespace eng
