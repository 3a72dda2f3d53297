// DDI objects made by the caller: what the engine builds for a driver call
// (a clip region, a path, a brush, a colour translation, a transform), for
// callers that call a driver's or the engine's functions directly, such as
// tests of a driver. Each owns its object and frees it at its end.
#pragma once

#include <memory>
#include <vector>

#include "eng/dc.h"
#include "eng/ddi.h"

namespace eng {

namespace detail {
struct Clip;
struct PathObj;
struct Brush;
struct Xlate;
struct Xform;
}  // namespace detail

// A clip region of rectangles for a drawing whose bounds are op_bounds:
// DC_TRIVIAL when one rectangle holds the drawing, DC_RECT for one
// rectangle, else DC_COMPLEX.
class ClipObject {
 public:
  ClipObject(std::vector<RECTL> rects, const RECTL& op_bounds);
  ~ClipObject();
  CLIPOBJ* get() const;

 private:
  std::unique_ptr<detail::Clip> p_;
};

// One batch of a path as PATHOBJ_bEnum hands it out: PD_* flags and points
// in 28.4 fixed point.
struct PathBatch {
  FLONG flags = 0;
  std::vector<POINTFIX> pts;
};

// A path (device pixels, moved by dx, dy) as a PATHOBJ.
class PathObject {
 public:
  explicit PathObject(const Path& path, double dx = 0, double dy = 0);
  // A path handed out exactly as these batches, with the curve count given
  // (which need not match the batches: for callers that check how a driver
  // copes with malformed paths).
  PathObject(const std::vector<PathBatch>& batches, ULONG curves, FLONG fl = 0);
  ~PathObject();
  PATHOBJ* get() const;  // null when it could not be made
  // Hands the path out in batches of at most max_points points (0: one batch
  // per run). A Bezier batch keeps its curve points in whole threes.
  void SetBatchPoints(ULONG max_points);

 private:
  detail::PathObj* p_;
};

// A brush: a plain colour (in the target's format), or a pattern bitmap
// with the translation of its colours to the target (the driver's
// DrvRealizeBrush, when given, realizes it on BRUSHOBJ_pvGetRbrush).
class BrushObject {
 public:
  explicit BrushObject(ULONG solid_color);
  BrushObject(SURFOBJ* pattern, XLATEOBJ* xlate, ULONG hatch = HS_DDI_MAX,
              PFN_DrvRealizeBrush realize = nullptr, SURFOBJ* target = nullptr);
  ~BrushObject();
  BRUSHOBJ* get() const;

 private:
  std::unique_ptr<detail::Brush> p_;
};

// A colour translation between two palettes (PAL_INDEXED with its colours
// as 0x00RRGGBB, PAL_RGB or PAL_BGR).
class XlateObject {
 public:
  XlateObject(ULONG src_mode, const std::vector<ULONG>& src_colors, ULONG dst_mode,
              const std::vector<ULONG>& dst_colors);
  ~XlateObject();
  XLATEOBJ* get() const;

 private:
  std::unique_ptr<detail::Xlate> p_;
};

class XformObject {
 public:
  explicit XformObject(const XFORML& m = XFORML{1, 0, 0, 1, 0, 0});
  ~XformObject();
  XFORMOBJ* get() const;

 private:
  std::unique_ptr<detail::Xform> p_;
};

}  // namespace eng
