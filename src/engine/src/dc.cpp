// The printer device context: driver loading and enabling, the routing of
// each drawing call to the driver's hooked Drv* function or to the engine's
// Eng* routine, and the band loop of a banding surface.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "eng/dc.h"
#include "internal.h"
#include "plat/kernel.h"
#include "text_internal.h"

namespace eng {

using namespace detail;

namespace {

// The engine's record of an enabled device (the HDEV). Its first member is
// the driver's PDEV handle, which EngAssociateSurface hands to the surface.
struct Device {
  DHPDEV dhpdev = nullptr;
};

// One drawing call, kept for a banding surface until the page ends.
struct Op {
  enum Kind { kFillPath, kStrokePath, kStrokeAndFillPath, kFillRect, kImage, kPatBlt, kText } kind = kFillPath;
  Path path;
  Color color = 0;
  Color pen_color = 0;  // the outline of a stroke and fill
  MIX mix = 0x0D0D;
  FillMode mode = FillMode::kAlternate;
  Pen pen;
  RECTL dest{0, 0, 0, 0};
  RECTL src{0, 0, 0, 0};
  ULONG stretch_mode = COLORONCOLOR;
  // The image's rows: a copy kept for a banding page, else the caller's,
  // drawn before the call returns.
  std::shared_ptr<const uint8_t> image;
  std::vector<Color> palette;                    // the image's palette, kept
  Image image_info;
  std::shared_ptr<std::vector<RECTL>> clip;     // page coordinates; null: none
  DcBrush brush;  // kPatBlt (its pattern's rows in image)
  ROP4 rop4 = 0xF0F0;
  // kText: the font, and either Unicode text from (x, y) or placed glyphs;
  // extra rectangles (underline, strike-out) in page coordinates.
  std::shared_ptr<FontObject> font;
  std::u16string text;
  double x = 0, y = 0;
  std::vector<PlacedGlyph> glyphs;
  TextOptions text_options;
  std::vector<RECTL> extra;
  // kText on a banding page: once a band has laid the string out, where it
  // lies on the page (a pixel wider all round than its layout's bounds), so
  // that the bands it misses skip it without laying it out again.
  mutable bool text_bounds_known = false;
  mutable RECTL text_bounds{0, 0, 0, 0};
};

// The hatches as 8 x 8 one-bit patterns, bit 7 leftmost; a set bit is a line.
// Most dithers of solid colours kept at once.
constexpr size_t kDitherCacheSize = 256;

constexpr uint8_t kHatchRows[HS_DDI_MAX][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
};

RECTL Shift(const RECTL& r, const POINTL& by) {
  return RECTL{r.left - by.x, r.top - by.y, r.right - by.x, r.bottom - by.y};
}

}  // namespace

struct PrinterDc::Impl {
  std::unique_ptr<Device> dev = std::make_unique<Device>();  // HDEV = dev.get()
  HMODULE module = nullptr;
  PFN fns[INDEX_LAST + 1] = {};
  PFN_DrvDisableDriver disable_driver = nullptr;
  GDIINFO gdi{};
  DEVINFO devinfo{};
  bool pdev_enabled = false;
  HSURF hsurf = nullptr;
  SURFOBJ* so = nullptr;
  FLONG hooks = 0;
  bool banding = false;
  bool doc_open = false;
  bool page_open = false;
  ULONG target_mode = PAL_BGR;
  std::vector<ULONG> target_colors;
  std::shared_ptr<std::vector<RECTL>> clip;
  std::vector<std::shared_ptr<std::vector<RECTL>>> saved_clips;  // SaveDC's stack
  std::vector<Op> page;
  std::shared_ptr<FontObject> font;  // the selected font
  // Fonts realised lately, by what was asked for (a document re-selects
  // the same few fonts again and again).
  std::vector<std::pair<FontSpec, std::shared_ptr<FontObject>>> font_cache;

  template <class F>
  F Fn(ULONG index) const {
    return reinterpret_cast<F>(fns[index]);
  }
  HDEV hdev() { return dev.get(); }
  std::u16string device_name;
  HANDLE printer = nullptr;
  std::u16string doc_name;
  DWORD job_id = 0;

  // A PDEV of the driver for the device record dv: GDIINFO and DEVINFO
  // into gi and di; null when the driver refuses.
  DHPDEV EnablePdev(Device* dv, const DEVMODEW* devmode, GDIINFO* gi, DEVINFO* di) {
    HSURF patterns[HS_DDI_MAX] = {};
    std::u16string name = device_name;
    DHPDEV dhpdev = Fn<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV)(
        const_cast<DEVMODEW*>(devmode), nullptr, HS_DDI_MAX, patterns, sizeof(GDIINFO),
        reinterpret_cast<ULONG*>(gi), sizeof(DEVINFO), di, dv, name.data(), printer);
    if (!dhpdev) return nullptr;
    dv->dhpdev = dhpdev;
    Fn<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV)(dhpdev, dv);
    return dhpdev;
  }
  // The surface the driver made for dv, when it is associated with dv.
  Surface* TakeSurface(HSURF hs, Device* dv) {
    Surface* surf = SurfaceFromHandle(hs);
    return surf && surf->associated && surf->so.hdev == dv ? surf : nullptr;
  }
  // The target's colours: the device's default palette, else by format.
  void SetTargetColors() {
    target_mode = PAL_BGR;
    target_colors.clear();
    if (Palette* pal = PaletteFromHandle(devinfo.hpalDefault)) {
      target_mode = pal->mode == PAL_INDEXED ? PAL_INDEXED : pal->mode == PAL_RGB ? PAL_RGB : PAL_BGR;
      target_colors = pal->colors;
    } else if (so->iBitmapFormat == BMF_1BPP) {
      target_mode = PAL_INDEXED;
      target_colors = {0x000000, 0xFFFFFF};
    }
  }

  ULONG Translate(Color c) const {
    if (target_mode == PAL_INDEXED) return NearestIndex(target_colors, c);
    if (target_mode == PAL_RGB) return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    return c & 0xFFFFFF;
  }
  // The dithers of solid colours made for this PDEV, each a one-bit 8 x 8
  // (or the driver's size) pattern bitmap in the target's indices.
  struct Dither {
    Color color = 0;
    HBITMAP bitmap = nullptr;  // null: the colour goes solid
    SURFOBJ* so = nullptr;
  };
  std::vector<Dither> dithers;
  void DropDithers() {
    for (Dither& d : dithers)
      if (d.bitmap) {
        EngUnlockSurface(d.so);
        EngDeleteSurface(reinterpret_cast<HSURF>(d.bitmap));
      }
    dithers.clear();
  }
  // The target is a one-bit bitmap of a driver that gives a dither size:
  // colours it cannot show are dithered.
  bool DithersOneBit() const {
    return so->iBitmapFormat == BMF_1BPP && so->iType == STYPE_BITMAP && target_mode == PAL_INDEXED &&
           devinfo.cxDither && devinfo.cyDither;
  }
  const Dither* FindDither(Color c);
  void RealizeSolid(Color c, Brush* brush);
  BOOL Execute(const Op& op, const POINTL& origin);
  BOOL FillWidened(const Op& op, const POINTL& origin, Clip* clip, Brush* brush);
  BOOL ExecuteText(const Op& op, const POINTL& origin);
  void Shutdown();
};

namespace {

// The clip object of one drawing in surface coordinates: the page clip moved
// to the band, cut to the surface and to the page. A band may reach past the
// page (the last band of a banding surface lies partly below it); what is
// drawn there does not belong to the page, so it is cut off as a device
// context cuts off drawing outside its page.
bool MakeClip(const PrinterDc::Impl& dc, const Op& op, const POINTL& origin,
              const RECTL& op_bounds, Clip* clip) {
  RECTL surf{0, 0, dc.so->sizlBitmap.cx, dc.so->sizlBitmap.cy};
  if (dc.gdi.ulHorzRes && dc.gdi.ulVertRes) {
    RECTL page = Shift(RECTL{0, 0, LONG(dc.gdi.ulHorzRes), LONG(dc.gdi.ulVertRes)}, origin);
    if (!Intersect(surf, page, &surf)) return false;
  }
  std::vector<RECTL> rects;
  if (op.clip) {
    std::vector<RECTL> moved;
    for (const RECTL& r : *op.clip) moved.push_back(Shift(r, origin));
    rects = RegionIntersect(moved, {surf});
  } else {
    rects.push_back(surf);
  }
  if (rects.empty()) return false;
  ClipSet(clip, std::move(rects), op_bounds);
  return true;
}

RECTL PathBounds(PathObj* p, double pad) {
  RECTFX b;
  PATHOBJ_vGetBounds(&p->po, &b);
  return RECTL{LONG(std::floor(b.xLeft / 16.0 - pad)), LONG(std::floor(b.yTop / 16.0 - pad)),
               LONG(std::ceil(b.xRight / 16.0 + pad)) + 1,
               LONG(std::ceil(b.yBottom / 16.0 + pad)) + 1};
}

}  // namespace

// The colours a one-bit target cannot show (all but its palette's own)
// are dithered as Windows' engine does: a driver that gives a dither size
// and hooks DrvDitherColor is asked, and answers with its own pattern
// (DCR_DRIVER), the engine's halftone (DCR_HALFTONE) or the nearest
// colour (DCR_SOLID). Without a dither size or the hook a colour goes to
// its nearest.
const PrinterDc::Impl::Dither* PrinterDc::Impl::FindDither(Color c) {
  c &= 0xFFFFFF;
  for (const Dither& d : dithers)
    if (d.color == c) return &d;
  Dither d;
  d.color = c;
  auto ask = Fn<PFN_DrvDitherColor>(INDEX_DrvDitherColor);
  const bool exact = target_mode == PAL_INDEXED && !target_colors.empty() &&
                     (target_colors[NearestIndex(target_colors, c)] & 0xFFFFFF) == c;
  if (DithersOneBit() && !exact && ask) {
    const LONG cx = devinfo.cxDither, cy = devinfo.cyDither;
    const LONG stride = FormatStride(BMF_1BPP, cx);
    std::vector<ULONG> answer((size_t(stride) * size_t(cy) + 3) / 4, 0);
    const ULONG colorref = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    const ULONG how = ask(dev->dhpdev, DM_MONOCHROME, colorref, answer.data());
    const bool driver = how == DCR_DRIVER && devinfo.iDitherFormat == BMF_1BPP;
    if (driver || how == DCR_HALFTONE) {
      const SIZEL size = driver ? SIZEL{cx, cy} : SIZEL{8, 8};
      d.bitmap = EngCreateBitmap(size, 0, BMF_1BPP, BMF_TOPDOWN, nullptr);
      d.so = d.bitmap ? EngLockSurface(reinterpret_cast<HSURF>(d.bitmap)) : nullptr;
      if (!d.so) {
        if (d.bitmap) EngDeleteSurface(reinterpret_cast<HSURF>(d.bitmap));
        return nullptr;
      }
      auto* bits = static_cast<uint8_t*>(d.so->pvScan0);
      if (driver) {
        for (LONG y = 0; y < cy; ++y)
          std::memcpy(bits + ptrdiff_t(y) * d.so->lDelta, reinterpret_cast<const uint8_t*>(answer.data()) + ptrdiff_t(y) * stride,
                      size_t(stride));
      } else {
        const ULONG white = NearestIndex(target_colors, 0xFFFFFF), black = NearestIndex(target_colors, 0);
        for (LONG y = 0; y < 8; ++y)
          for (LONG x = 0; x < 8; ++x)
            if ((HalftoneWhite(c, x, y) ? white : black) & 1) bits[ptrdiff_t(y) * d.so->lDelta] |= uint8_t(0x80 >> x);
      }
    }
  }
  dithers.push_back(d);
  return &dithers.back();
}

void PrinterDc::Impl::RealizeSolid(Color c, Brush* brush) {
  brush->bo.iSolidColor = Translate(c);
  if (so->iBitmapFormat != BMF_1BPP) return;
  const Dither* d = FindDither(c);
  if (!d || !d->bitmap) return;
  brush->pattern = d->so;
  brush->pattern_xlo = nullptr;  // the pattern holds the target's indices
  brush->hatch = RB_DITHERCOLOR | (((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
  brush->realize = Fn<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush);
  brush->target = so;
  brush->bo.iSolidColor = BRUSH_PATTERN;
}

BOOL PrinterDc::Impl::Execute(const Op& op, const POINTL& origin) {
  // The dithers stay while they are few; a page of many colours starts
  // them afresh (never in the middle of a drawing that holds one).
  if (dithers.size() > kDitherCacheSize) DropDithers();
  Brush brush;
  if (op.kind != Op::kPatBlt || op.brush.kind == DcBrush::kSolid) RealizeSolid(op.color, &brush);
  else brush.bo.iSolidColor = Translate(op.color);
  // Patterns are anchored at the page's corner, so that bands join.
  POINTL brush_org{-origin.x, -origin.y};
  switch (op.kind) {
    case Op::kFillPath:
    case Op::kStrokePath:
    case Op::kStrokeAndFillPath: {
      PathObj* p = PathFromPath(op.path, -origin.x, -origin.y);
      if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
      }
      double pad = op.kind != Op::kFillPath ? op.pen.width * op.pen.miter_limit + 2 : 0;
      Clip clip;
      BOOL ok = TRUE;
      RECTL bounds = PathBounds(p, pad);
      RECTL surf{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
      FLONG options = op.mode == FillMode::kWinding ? FP_WINDINGMODE : FP_ALTERNATEMODE;
      // A path that misses the band gets no call.
      if (Intersect(bounds, surf, nullptr) && MakeClip(*this, op, origin, bounds, &clip)) {
        LINEATTRS la{};
        std::vector<FLOAT_LONG> style;
        if (op.kind != Op::kFillPath) {
          bool geometric = op.pen.width > 0;
          la.fl = geometric ? LA_GEOMETRIC : 0;
          la.iJoin = op.pen.join;
          la.iEndCap = op.pen.cap;
          if (geometric) la.elWidth.e = FLOATL(op.pen.width);
          else la.elWidth.l = 1;
          la.eMiterLimit = FLOATL(op.pen.miter_limit);
          for (double d : op.pen.dashes) {
            FLOAT_LONG v;
            if (geometric) v.e = FLOATL(d);
            else v.l = LONG(std::lround(d));
            style.push_back(v);
          }
          if (!style.empty()) {
            la.fl |= LA_STYLED;
            la.cstyle = ULONG(style.size());
            la.pstyle = style.data();
          }
        }
        Xform xform;
        if (op.kind == Op::kFillPath) {
          auto drv = Fn<PFN_DrvFillPath>(INDEX_DrvFillPath);
          ok = (hooks & HOOK_FILLPATH) && drv
                   ? drv(so, &p->po, &clip.co, &brush.bo, &brush_org, op.mix, options)
                   : EngFillPath(so, &p->po, &clip.co, &brush.bo, &brush_org, op.mix, options);
        } else if (op.kind == Op::kStrokePath) {
          auto drv = Fn<PFN_DrvStrokePath>(INDEX_DrvStrokePath);
          ok = (hooks & HOOK_STROKEPATH) && drv
                   ? drv(so, &p->po, &clip.co, &xform.xo, &brush.bo, &brush_org, &la, op.mix)
                   : EngStrokePath(so, &p->po, &clip.co, &xform.xo, &brush.bo, &brush_org, &la,
                                   op.mix);
          // A driver that refuses a geometric stroke gets the area the pen
          // paints as a fill instead, as Windows' engine hands it over.
          if (!ok && (hooks & HOOK_STROKEPATH) && op.pen.width > 0) ok = FillWidened(op, origin, &clip, &brush);
        } else {
          Brush pen;
          RealizeSolid(op.pen_color, &pen);
          auto drv = Fn<PFN_DrvStrokeAndFillPath>(INDEX_DrvStrokeAndFillPath);
          ok = (hooks & HOOK_STROKEANDFILLPATH) && drv
                   ? drv(so, &p->po, &clip.co, &xform.xo, &pen.bo, &la, &brush.bo, &brush_org,
                         op.mix, options)
                   : EngStrokeAndFillPath(so, &p->po, &clip.co, &xform.xo, &pen.bo, &la,
                                          &brush.bo, &brush_org, op.mix, options);
          BrushRelease(&pen);
        }
      }
      PathDelete(p);
      BrushRelease(&brush);
      return ok;
    }
    case Op::kFillRect: {
      RECTL dest = Shift(op.dest, origin);
      Clip clip;
      BOOL ok = TRUE;
      RECTL surf{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
      if (MakeClip(*this, op, origin, dest, &clip) && Intersect(dest, surf, nullptr)) {
        auto drv = Fn<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
        ok = (hooks & HOOK_BITBLT) && drv
                 ? drv(so, nullptr, nullptr, &clip.co, nullptr, &dest, nullptr, nullptr,
                       &brush.bo, &brush_org, 0xF0F0)
                 : EngBitBlt(so, nullptr, nullptr, &clip.co, nullptr, &dest, nullptr, nullptr,
                             &brush.bo, &brush_org, 0xF0F0);
      }
      BrushRelease(&brush);
      return ok;
    }
    case Op::kPatBlt: {
      RECTL dest = Shift(op.dest, origin);
      RECTL surf{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
      Clip clip;
      if (!Intersect(dest, surf, nullptr) || !MakeClip(*this, op, origin, dest, &clip)) {
        BrushRelease(&brush);
        return TRUE;
      }
      // A hatch or pattern goes to the driver as a pattern bitmap with the
      // translation of its colours; the driver realizes it on first use.
      HBITMAP bmp = nullptr;
      Xlate xlate;
      uint8_t hatch_bits[8 * 4] = {};  // the hatch bitmap's rows, used until the call returns
      std::vector<uint8_t> halftoned;  // a colour pattern's halftone, likewise
      if (op.brush.kind != DcBrush::kSolid) {
        const bool hatch = op.brush.kind == DcBrush::kHatch;
        const Image& im = op.image_info;
        if (hatch)
          for (int y = 0; y < 8; ++y) hatch_bits[y * 4] = kHatchRows[op.brush.hatch][y];
        SIZEL size = hatch ? SIZEL{8, 8} : SIZEL{im.width, im.height};
        // A colour pattern onto a one-bit page of a driver that dithers is
        // the engine's halftone of its cell, in the page's indices.
        const bool halftone = !hatch && im.bits == 24 && DithersOneBit();
        if (halftone) {
          halftoned.assign(size_t(FormatStride(BMF_1BPP, im.width)) * size_t(im.height), 0);
          const ULONG white = NearestIndex(target_colors, 0xFFFFFF), black = NearestIndex(target_colors, 0);
          for (LONG y = 0; y < im.height; ++y)
            for (LONG x = 0; x < im.width; ++x) {
              const uint8_t* p = op.image.get() + size_t(y) * size_t(im.stride) + 3 * size_t(x);
              if ((HalftoneWhite(ULONG(p[2]) << 16 | ULONG(p[1]) << 8 | p[0], x, y) ? white : black) & 1)
                halftoned[size_t(y) * size_t(FormatStride(BMF_1BPP, im.width)) + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
            }
        }
        bmp = EngCreateBitmap(size, hatch ? 4 : halftone ? FormatStride(BMF_1BPP, im.width) : im.stride,
                              hatch || halftone || im.bits == 1 ? BMF_1BPP : BMF_24BPP, BMF_TOPDOWN,
                              hatch ? hatch_bits : halftone ? halftoned.data() : const_cast<uint8_t*>(op.image.get()));
        if (!bmp) {
          BrushRelease(&brush);
          return FALSE;
        }
        if (hatch) {
          XlateBuild(&xlate, PAL_INDEXED, {op.brush.background, op.brush.color}, target_mode, target_colors);
        } else if (halftone) {
          XlateBuild(&xlate, target_mode, target_colors, target_mode, target_colors);
        } else if (im.bits == 1) {
          XlateBuild(&xlate, PAL_INDEXED, {0x000000, 0xFFFFFF}, target_mode, target_colors);
        } else {
          XlateBuild(&xlate, PAL_BGR, {}, target_mode, target_colors);
        }
        brush.pattern = EngLockSurface(reinterpret_cast<HSURF>(bmp));
        brush.pattern_xlo = &xlate.xo;
        brush.hatch = hatch ? op.brush.hatch : HS_DDI_MAX;
        brush.realize = Fn<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush);
        brush.target = so;
        brush.bo.iSolidColor = BRUSH_PATTERN;
      }
      POINTL org{-origin.x, -origin.y};
      auto drv = Fn<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
      BOOL ok = (hooks & HOOK_BITBLT) && drv
                    ? drv(so, nullptr, nullptr, &clip.co, nullptr, &dest, nullptr, nullptr, &brush.bo, &org, op.rop4)
                    : EngBitBlt(so, nullptr, nullptr, &clip.co, nullptr, &dest, nullptr, nullptr, &brush.bo, &org,
                                op.rop4);
      BrushRelease(&brush);
      if (bmp) {
        // (a solid colour's dither belongs to the DC's dithers)
        if (brush.pattern) EngUnlockSurface(brush.pattern);
        EngDeleteSurface(reinterpret_cast<HSURF>(bmp));
      }
      return ok;
    }
    case Op::kText:
      return ExecuteText(op, origin);
    case Op::kImage: {
      RECTL dest = Shift(op.dest, origin);
      RECTL surf{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
      RECTL ordered{std::min(dest.left, dest.right), std::min(dest.top, dest.bottom),
                    std::max(dest.left, dest.right), std::max(dest.top, dest.bottom)};
      Clip clip;
      if (!Intersect(ordered, surf, nullptr) || !MakeClip(*this, op, origin, ordered, &clip))
        return TRUE;  // nothing of it in this band
      const Image& im = op.image_info;
      SIZEL size{im.width, im.height};
      const ULONG format = im.bits == 1   ? BMF_1BPP
                           : im.bits == 4 ? BMF_4BPP
                           : im.bits == 8 ? BMF_8BPP
                           : im.bits == 32 ? BMF_32BPP
                                           : BMF_24BPP;
      HBITMAP bmp = EngCreateBitmap(size, im.stride, format, BMF_TOPDOWN, const_cast<uint8_t*>(op.image.get()));
      if (!bmp) return FALSE;
      SURFOBJ* src = EngLockSurface(bmp);
      Xlate xlate;
      if (im.bits <= 8) {
        // The image's palette; without one, black and white or grey levels.
        std::vector<ULONG> colors(op.palette.begin(), op.palette.end());
        if (colors.empty()) {
          const ULONG n = 1u << im.bits;
          for (ULONG i = 0; i < n; ++i) {
            const ULONG g = i * 255 / (n - 1);
            colors.push_back((g << 16) | (g << 8) | g);
          }
        }
        colors.resize(size_t(1) << im.bits, 0);
        XlateBuild(&xlate, PAL_INDEXED, colors, target_mode, target_colors);
      } else {
        XlateBuild(&xlate, PAL_BGR, {}, target_mode, target_colors);
      }
      LONG dw = op.dest.right - op.dest.left, dh = op.dest.bottom - op.dest.top;
      LONG sw = op.src.right - op.src.left, sh = op.src.bottom - op.src.top;
      BOOL ok;
      if (dw == sw && dh == sh) {
        POINTL sp{op.src.left, op.src.top};
        auto blt = Fn<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
        auto copy = Fn<PFN_DrvCopyBits>(INDEX_DrvCopyBits);
        if ((hooks & HOOK_BITBLT) && blt)
          ok = blt(so, src, nullptr, &clip.co, &xlate.xo, &dest, &sp, nullptr,
                   op.rop4 == 0xCCCC ? nullptr : &brush.bo, op.rop4 == 0xCCCC ? nullptr : &brush_org, op.rop4);
        else if (op.rop4 != 0xCCCC)
          ok = EngBitBlt(so, src, nullptr, &clip.co, &xlate.xo, &dest, &sp, nullptr, &brush.bo, &brush_org, op.rop4);
        else if ((hooks & HOOK_COPYBITS) && copy)
          ok = copy(so, src, &clip.co, &xlate.xo, &dest, &sp);
        else
          ok = EngCopyBits(so, src, &clip.co, &xlate.xo, &dest, &sp);
      } else {
        RECTL sr = op.src;
        POINTL ht{0, 0};
        auto drv = Fn<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt);
        if (op.rop4 != 0xCCCC)
          ok = EngStretchBltROP(so, src, nullptr, &clip.co, &xlate.xo, nullptr, &ht, &dest, &sr, nullptr,
                                op.stretch_mode, &brush.bo, op.rop4);
        else
          ok = (hooks & HOOK_STRETCHBLT) && drv
                   ? drv(so, src, nullptr, &clip.co, &xlate.xo, nullptr, &ht, &dest, &sr, nullptr,
                         op.stretch_mode)
                   : EngStretchBlt(so, src, nullptr, &clip.co, &xlate.xo, nullptr, &ht, &dest, &sr,
                                   nullptr, op.stretch_mode);
      }
      BrushRelease(&brush);
      EngUnlockSurface(src);
      EngDeleteSurface(bmp);
      return ok;
    }
  }
  return FALSE;
}

// The stroke of op as a winding fill of the area its pen paints.
BOOL PrinterDc::Impl::FillWidened(const Op& op, const POINTL& origin, Clip* clip, Brush* brush) {
  const Path wide = WidenPath(op.path, op.pen);
  if (wide.empty()) return FALSE;
  PathObj* w = PathFromPath(wide, -origin.x, -origin.y);
  if (!w) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  POINTL brush_org{0, 0};
  auto drv = Fn<PFN_DrvFillPath>(INDEX_DrvFillPath);
  const BOOL ok = (hooks & HOOK_FILLPATH) && drv
                      ? drv(so, &w->po, &clip->co, &brush->bo, &brush_org, op.mix, FP_WINDINGMODE)
                      : EngFillPath(so, &w->po, &clip->co, &brush->bo, &brush_org, op.mix, FP_WINDINGMODE);
  PathDelete(w);
  return ok;
}

BOOL PrinterDc::Impl::ExecuteText(const Op& op, const POINTL& origin) {
  RECTL surf{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
  if (op.text_bounds_known && !Intersect(Shift(op.text_bounds, origin), surf, nullptr)) return TRUE;
  // The string in band coordinates: the places move by the band's origin.
  std::unique_ptr<StringObject> str;
  if (op.glyphs.empty()) {
    str = StringObject::Layout(*op.font, op.text, op.x - origin.x, op.y - origin.y,
                               op.text_options.dx.empty() ? nullptr : &op.text_options.dx);
  } else {
    std::vector<PlacedGlyph> moved = op.glyphs;
    for (PlacedGlyph& g : moved) {
      g.x -= origin.x;
      g.y -= origin.y;
    }
    str = std::make_unique<StringObject>(*op.font, moved, SO_GLYPHINDEX_TEXTOUT);
  }
  RECTL bounds = str->get()->rclBkGround;
  auto add = [&bounds](const RECTL& r) {
    bounds = RECTL{std::min(bounds.left, r.left), std::min(bounds.top, r.top), std::max(bounds.right, r.right),
                   std::max(bounds.bottom, r.bottom)};
  };
  RECTL opaque = Shift(op.text_options.opaque_rect, origin);
  if (op.text_options.opaque) add(opaque);
  std::vector<RECTL> extra;
  for (const RECTL& r : op.extra) {
    extra.push_back(Shift(r, origin));
    add(extra.back());
  }
  if (!extra.empty()) extra.push_back(RECTL{0, 0, 0, 0});
  // (a string's places are rounded in band coordinates, so its bounds on
  // the page are kept a pixel wider than one band's layout gives them)
  op.text_bounds = RECTL{bounds.left + origin.x - 1, bounds.top + origin.y - 1, bounds.right + origin.x + 1,
                         bounds.bottom + origin.y + 1};
  op.text_bounds_known = true;
  Clip clip;
  if (!Intersect(bounds, surf, nullptr) || !MakeClip(*this, op, origin, bounds, &clip)) return TRUE;
  Brush fore, back;
  RealizeSolid(op.color, &fore);
  RealizeSolid(op.text_options.background, &back);
  POINTL org{-origin.x, -origin.y};
  RECTL* prcl_extra = extra.empty() ? nullptr : extra.data();
  RECTL* prcl_opaque = op.text_options.opaque ? &opaque : nullptr;
  BRUSHOBJ* pbo_opaque = op.text_options.opaque ? &back.bo : nullptr;
  auto drv = Fn<PFN_DrvTextOut>(INDEX_DrvTextOut);
  BOOL ok = (hooks & HOOK_TEXTOUT) && drv
                ? drv(so, str->get(), op.font->get(), &clip.co, prcl_extra, prcl_opaque, &fore.bo, pbo_opaque,
                      &org, op.text_options.mix)
                : EngTextOut(so, str->get(), op.font->get(), &clip.co, prcl_extra, prcl_opaque, &fore.bo,
                             pbo_opaque, &org, op.text_options.mix);
  BrushRelease(&fore);
  BrushRelease(&back);
  return ok;
}

void PrinterDc::Impl::Shutdown() {
  DropDithers();
  if (page_open) {
    page.clear();
    page_open = false;
  }
  if (doc_open) {
    // A document still open when the DC goes was not ended by its
    // application: the driver hears that it is given up.
    if (auto end = Fn<PFN_DrvEndDoc>(INDEX_DrvEndDoc)) end(so, ED_ABORTDOC);
    doc_open = false;
  }
  if (hsurf) {
    if (auto dis = Fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)) dis(dev->dhpdev);
    hsurf = nullptr;
    so = nullptr;
  }
  if (pdev_enabled) {
    if (auto dis = Fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)) dis(dev->dhpdev);
    pdev_enabled = false;
  }
  if (module) {
    if (disable_driver) disable_driver();
    FreeLibrary(module);
    module = nullptr;
  }
  UnregisterDevice(hdev());
}

std::unique_ptr<PrinterDc> DcOpen(const DcOpenParams& params) {
  if (!params.driver_path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (plat::ShouldFail("EngAllocMem")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto impl = std::unique_ptr<PrinterDc::Impl>(new (std::nothrow) PrinterDc::Impl);
  if (!impl) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  PrinterDc::Impl& dc = *impl;
  RegisterDevice(dc.hdev());
  auto fail = [&](DWORD code) -> std::unique_ptr<PrinterDc> {
    DWORD err = code ? code : GetLastError();
    dc.Shutdown();
    SetLastError(err ? err : ERROR_INVALID_PARAMETER);
    return nullptr;
  };

  // The driver and its function table.
  dc.module = LoadLibraryW(params.driver_path);
  if (!dc.module) return fail(0);
  auto enable = reinterpret_cast<PFN_DrvEnableDriver>(GetProcAddress(dc.module, "DrvEnableDriver"));
  if (!enable) return fail(ERROR_PROC_NOT_FOUND);
  DRVENABLEDATA ded{};
  if (!enable(DDI_DRIVER_VERSION_NT5_01, sizeof(ded), &ded)) return fail(0);
  // An enabled driver is disabled before it is unloaded.
  dc.disable_driver =
      reinterpret_cast<PFN_DrvDisableDriver>(GetProcAddress(dc.module, "DrvDisableDriver"));
  for (ULONG i = 0; i < ded.c && ded.pdrvfn; ++i)
    if (ded.pdrvfn[i].iFunc <= INDEX_LAST) dc.fns[ded.pdrvfn[i].iFunc] = ded.pdrvfn[i].pfn;
  SetDeviceCopyBits(dc.hdev(), dc.Fn<PFN_DrvCopyBits>(INDEX_DrvCopyBits));
  auto enable_pdev = dc.Fn<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
  auto complete_pdev = dc.Fn<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV);
  auto enable_surface = dc.Fn<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface);
  if (!enable_pdev || !complete_pdev || !enable_surface ||
      !dc.Fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV) ||
      !dc.Fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface))
    return fail(ERROR_PROC_NOT_FOUND);

  // The PDEV.
  dc.device_name = params.device_name ? params.device_name : u"";
  dc.printer = params.printer;
  DHPDEV dhpdev = dc.EnablePdev(dc.dev.get(), params.devmode, &dc.gdi, &dc.devinfo);
  if (!dhpdev) return fail(0);
  dc.pdev_enabled = true;

  // The surface: a bitmap of the engine (perhaps banding) or a surface of
  // the device, associated with this device.
  dc.hsurf = enable_surface(dhpdev);
  if (!dc.hsurf) return fail(0);
  Surface* surf = dc.TakeSurface(dc.hsurf, dc.dev.get());
  if (!surf) return fail(ERROR_INVALID_PARAMETER);
  dc.so = &surf->so;
  dc.hooks = surf->hooks;
  dc.banding = surf->banding;
  dc.SetTargetColors();
  return std::unique_ptr<PrinterDc>(new PrinterDc(std::move(impl)));
}

std::unique_ptr<PrinterDc> DcOpenBitmap(SURFOBJ* bitmap) {
  Surface* surf = bitmap ? SurfaceFromObj(bitmap) : nullptr;
  if (!surf || bitmap->iType != STYPE_BITMAP || surf->banding) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto impl = std::unique_ptr<PrinterDc::Impl>(new (std::nothrow) PrinterDc::Impl);
  if (!impl) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  PrinterDc::Impl& dc = *impl;
  RegisterDevice(dc.hdev());
  dc.so = bitmap;
  dc.gdi.ulHorzRes = ULONG(bitmap->sizlBitmap.cx);
  dc.gdi.ulVertRes = ULONG(bitmap->sizlBitmap.cy);
  dc.doc_open = true;
  dc.page_open = true;
  dc.SetTargetColors();
  return std::unique_ptr<PrinterDc>(new PrinterDc(std::move(impl)));
}

PrinterDc::PrinterDc(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
PrinterDc::~PrinterDc() { impl_->Shutdown(); }

const GDIINFO& PrinterDc::gdi_info() const { return impl_->gdi; }
const DEVINFO& PrinterDc::dev_info() const { return impl_->devinfo; }
SURFOBJ* PrinterDc::surface() const { return impl_->so; }
FLONG PrinterDc::hooks() const { return impl_->hooks; }
bool PrinterDc::banding() const { return impl_->banding; }

BOOL PrinterDc::StartDoc(const char16_t* doc_name, DWORD job_id) {
  Impl& dc = *impl_;
  if (dc.doc_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string name = doc_name ? doc_name : u"";
  auto fn = dc.Fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
  if (fn && !fn(dc.so, name.data(), job_id)) return FALSE;
  dc.doc_open = true;
  dc.doc_name = name;
  dc.job_id = job_id;
  return TRUE;
}

BOOL PrinterDc::Reset(const DEVMODEW* devmode) {
  Impl& dc = *impl_;
  if (dc.page_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::ShouldFail("EngAllocMem")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  // The new PDEV and its surface come up beside the old ones, which go only
  // when the new ones stand; a failure leaves the DC as it was.
  auto dv = std::make_unique<Device>();
  RegisterDevice(dv.get());
  SetDeviceCopyBits(dv.get(), dc.Fn<PFN_DrvCopyBits>(INDEX_DrvCopyBits));
  GDIINFO gi{};
  DEVINFO di{};
  DHPDEV nd = dc.EnablePdev(dv.get(), devmode, &gi, &di);
  auto give_up = [&](bool pdev) {
    DWORD err = GetLastError();
    if (pdev) dc.Fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(nd);
    UnregisterDevice(dv.get());
    SetLastError(err ? err : ERROR_INVALID_PARAMETER);
    return FALSE;
  };
  if (!nd) return give_up(false);
  auto reset = dc.Fn<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV);
  if (reset && !reset(dc.dev->dhpdev, nd)) return give_up(true);
  HSURF hs = dc.Fn<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(nd);
  Surface* surf = hs ? dc.TakeSurface(hs, dv.get()) : nullptr;
  if (!surf) {
    if (hs) dc.Fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(nd);
    return give_up(true);
  }
  dc.Fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(dc.dev->dhpdev);
  dc.Fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(dc.dev->dhpdev);
  UnregisterDevice(dc.dev.get());
  dc.dev = std::move(dv);
  // Device fonts belong to the PDEV that answered for them.
  dc.font_cache.clear();
  if (dc.font && dc.font->is_device()) dc.font.reset();
  dc.gdi = gi;
  dc.devinfo = di;
  dc.hsurf = hs;
  dc.so = &surf->so;
  dc.hooks = surf->hooks;
  dc.banding = surf->banding;
  dc.SetTargetColors();
  dc.DropDithers();
  // A document goes on in the new PDEV: the driver hears of it again.
  if (dc.doc_open) {
    auto fn = dc.Fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
    if (fn && !fn(dc.so, dc.doc_name.data(), dc.job_id)) {
      dc.doc_open = false;
      return FALSE;
    }
  }
  return TRUE;
}

BOOL PrinterDc::StartPage() {
  Impl& dc = *impl_;
  if (!dc.doc_open || dc.page_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto fn = dc.Fn<PFN_DrvStartPage>(INDEX_DrvStartPage);
  if (fn && !fn(dc.so)) return FALSE;
  dc.page_open = true;
  dc.page.clear();
  return TRUE;
}

BOOL PrinterDc::EndPage() {
  Impl& dc = *impl_;
  if (!dc.page_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  dc.page_open = false;
  if (!dc.banding) {
    auto fn = dc.Fn<PFN_DrvSendPage>(INDEX_DrvSendPage);
    return fn ? fn(dc.so) : TRUE;
  }
  // The recorded page, band by band. The driver sends the page from its
  // last DrvNextBand.
  std::vector<Op> page = std::move(dc.page);
  dc.page.clear();
  auto start = dc.Fn<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
  auto next = dc.Fn<PFN_DrvNextBand>(INDEX_DrvNextBand);
  if (!start || !next) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  POINTL origin{0, 0};
  if (!start(dc.so, &origin)) return FALSE;
  // A driver whose bands never end the page is stopped: at most one band
  // per row of the page, and two more.
  int64_t limit = int64_t(dc.gdi.ulVertRes) + 2;
  BOOL ok = TRUE;
  for (int64_t band = 0; !(origin.x == -1 && origin.y == -1); ++band) {
    if (band > limit) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    for (const Op& op : page)
      if (!dc.Execute(op, origin)) ok = FALSE;
    if (!next(dc.so, &origin)) return FALSE;
  }
  return ok;
}

BOOL PrinterDc::EndDoc() {
  Impl& dc = *impl_;
  if (!dc.doc_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  BOOL ok = TRUE;
  if (dc.page_open) ok = EndPage();
  dc.doc_open = false;
  auto fn = dc.Fn<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
  if (fn && !fn(dc.so, 0)) ok = FALSE;
  return ok;
}

BOOL PrinterDc::AbortDoc() {
  Impl& dc = *impl_;
  if (!dc.doc_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  dc.page.clear();
  dc.page_open = false;
  dc.doc_open = false;
  auto fn = dc.Fn<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
  return fn ? fn(dc.so, ED_ABORTDOC) : TRUE;
}

ULONG PrinterDc::Escape(ULONG code, ULONG in_size, const void* in, ULONG out_size, void* out) {
  Impl& dc = *impl_;
  auto fn = dc.Fn<PFN_DrvEscape>(INDEX_DrvEscape);
  return fn ? fn(dc.so, code, in_size, const_cast<void*>(in), out_size, out) : 0;
}

namespace {

// The rows of an image or pattern for an op: a banding page keeps a copy
// until its bands are drawn; any other surface draws the op at once, from
// the caller's rows.
std::shared_ptr<const uint8_t> KeptRows(const PrinterDc::Impl& dc, const uint8_t* data, size_t bytes) {
  if (!dc.banding) return std::shared_ptr<const uint8_t>(data, [](const uint8_t*) {});
  auto rows = std::make_shared<std::vector<uint8_t>>(data, data + bytes);
  return std::shared_ptr<const uint8_t>(rows, rows->data());
}

BOOL Submit(PrinterDc::Impl& dc, Op op) {
  if (!dc.page_open) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  op.clip = dc.clip;
  if (!dc.banding) return dc.Execute(op, POINTL{0, 0});
  if (plat::ShouldFail("EngAllocMem")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  dc.page.push_back(std::move(op));
  return TRUE;
}

}  // namespace

BOOL PrinterDc::FillPath(const Path& path, Color color, FillMode mode, MIX mix) {
  Op op;
  op.kind = Op::kFillPath;
  op.path = path;
  op.color = color;
  op.mode = mode;
  op.mix = mix;
  return Submit(*impl_, std::move(op));
}

BOOL PrinterDc::StrokePath(const Path& path, const Pen& pen, Color color, MIX mix) {
  Op op;
  op.kind = Op::kStrokePath;
  op.path = path;
  op.pen = pen;
  op.color = color;
  op.mix = mix;
  return Submit(*impl_, std::move(op));
}

BOOL PrinterDc::StrokeAndFillPath(const Path& path, const Pen& pen, Color pen_color, Color fill_color,
                                  FillMode mode, MIX mix) {
  Op op;
  op.kind = Op::kStrokeAndFillPath;
  op.path = path;
  op.pen = pen;
  op.pen_color = pen_color;
  op.color = fill_color;
  op.mode = mode;
  op.mix = mix;
  return Submit(*impl_, std::move(op));
}

BOOL PrinterDc::FillRect(const RECTL& rect, Color color) {
  Op op;
  op.kind = Op::kFillRect;
  op.dest = rect;
  op.color = color;
  return Submit(*impl_, std::move(op));
}

BOOL PrinterDc::DrawImage(const Image& image, const RECTL& dest, const RECTL& src_rect,
                          ULONG stretch_mode, ROP4 rop4, Color brush) {
  const bool depth_ok = image.bits == 1 || image.bits == 4 || image.bits == 8 || image.bits == 24 ||
                        image.bits == 32;
  int64_t min_stride = depth_ok ? (int64_t(image.width) * image.bits + 7) / 8 : 0;
  if (!image.data || !depth_ok || image.width <= 0 || image.height <= 0 || image.stride < min_stride ||
      image.stride % 4 != 0 || image.palette_size < 0 ||
      (image.palette_size > 0 && (!image.palette || image.bits > 8 || image.palette_size > (1 << image.bits)))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Op op;
  op.kind = Op::kImage;
  op.dest = dest;
  op.src = src_rect;
  op.stretch_mode = stretch_mode;
  op.rop4 = rop4 & 0xFFFF;
  op.color = brush;
  op.image_info = image;
  size_t bytes = size_t(image.stride) * size_t(image.height);
  if (plat::ShouldFail("EngAllocMem")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  op.image = KeptRows(*impl_, image.data, bytes);
  op.image_info.data = nullptr;
  if (image.palette_size > 0) op.palette.assign(image.palette, image.palette + image.palette_size);
  op.image_info.palette = nullptr;
  return Submit(*impl_, std::move(op));
}

BOOL PrinterDc::PatBlt(const RECTL& rect, const DcBrush& brush, ROP4 rop4) {
  Op op;
  op.kind = Op::kPatBlt;
  op.dest = rect;
  op.brush = brush;
  op.rop4 = rop4;
  op.color = brush.color;
  if (brush.kind == DcBrush::kHatch && brush.hatch >= HS_DDI_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (brush.kind == DcBrush::kPattern) {
    const Image& im = brush.pattern;
    int64_t min_stride = im.bits == 1 ? (int64_t(im.width) + 7) / 8 : int64_t(im.width) * 3;
    if (!im.data || (im.bits != 1 && im.bits != 24) || im.width <= 0 || im.height <= 0 || im.width > 256 ||
        im.height > 256 || im.stride < min_stride || im.stride % 4 != 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    op.image_info = im;
    op.image = KeptRows(*impl_, im.data, size_t(im.stride) * size_t(im.height));
    op.image_info.data = nullptr;
    op.brush.pattern.data = nullptr;
  }
  return Submit(*impl_, std::move(op));
}

void PrinterDc::ClipRect(const RECTL& rect) {
  impl_->clip = std::make_shared<std::vector<RECTL>>();
  if (rect.left < rect.right && rect.top < rect.bottom) impl_->clip->push_back(rect);
}

namespace {

// The region of a path: the pixels a fill of it covers on the page, cut to
// within (when given: the clip it is to narrow), as runs of rows.
BOOL PathRegion(const PrinterDc::Impl& dc, const Path& path, FillMode mode, const std::vector<RECTL>* within,
                std::shared_ptr<std::vector<RECTL>>* out) {
  PathObj* p = PathFromPath(path, 0, 0);
  if (!p) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  RECTL limit{0, 0, LONG(dc.gdi.ulHorzRes ? dc.gdi.ulHorzRes : 1), LONG(dc.gdi.ulVertRes ? dc.gdi.ulVertRes : 1)};
  if (within) {
    RECTL b{0, 0, 0, 0};
    for (size_t i = 0; i < within->size(); ++i) {
      const RECTL& r = (*within)[i];
      b = i == 0 ? r
                 : RECTL{std::min(b.left, r.left), std::min(b.top, r.top), std::max(b.right, r.right),
                         std::max(b.bottom, r.bottom)};
    }
    if (!Intersect(limit, b, &limit)) limit = RECTL{0, 0, 0, 0};
  }
  auto region = std::make_shared<std::vector<RECTL>>();
  const BOOL ok = PathRuns(p, limit, mode == FillMode::kWinding, region.get());
  if (!ok) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  PathDelete(p);
  if (ok) *out = region;
  return ok;
}

}  // namespace

BOOL PrinterDc::ClipPath(const Path& path, FillMode mode) {
  std::shared_ptr<std::vector<RECTL>> region;
  if (!PathRegion(*impl_, path, mode, nullptr, &region)) return FALSE;
  impl_->clip = region;
  return TRUE;
}

void PrinterDc::ResetClip() { impl_->clip.reset(); }

void PrinterDc::IntersectClipRect(const RECTL& rect) {
  Impl& dc = *impl_;
  auto region = std::make_shared<std::vector<RECTL>>();
  if (rect.left < rect.right && rect.top < rect.bottom)
    *region = dc.clip ? RegionIntersect(*dc.clip, {rect}) : std::vector<RECTL>{rect};
  dc.clip = region;
}

BOOL PrinterDc::IntersectClipPath(const Path& path, FillMode mode) {
  Impl& dc = *impl_;
  std::shared_ptr<std::vector<RECTL>> region;
  if (!PathRegion(dc, path, mode, dc.clip.get(), &region)) return FALSE;
  if (dc.clip) *region = RegionIntersect(*dc.clip, *region);
  dc.clip = region;
  return TRUE;
}

int PrinterDc::SaveDC() {
  impl_->saved_clips.push_back(impl_->clip);
  return int(impl_->saved_clips.size());
}

BOOL PrinterDc::RestoreDC(int saved) {
  Impl& dc = *impl_;
  const int depth = int(dc.saved_clips.size());
  const int at = saved < 0 ? depth + saved + 1 : saved;
  if (at < 1 || at > depth) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  dc.clip = dc.saved_clips[size_t(at - 1)];
  dc.saved_clips.resize(size_t(at - 1));
  return TRUE;
}

namespace {

bool SameSpec(const FontSpec& a, const FontSpec& b) {
  return a.face_name == b.face_name && a.data == b.data && a.face_index == b.face_index && a.height == b.height &&
         a.width == b.width && a.escapement == b.escapement && a.weight == b.weight && a.italic == b.italic &&
         a.has_matrix == b.has_matrix && std::equal(a.matrix, a.matrix + 4, b.matrix) &&
         a.resolution.cx == b.resolution.cx && a.resolution.cy == b.resolution.cy;
}

constexpr size_t kFontCacheSize = 16;

// A document's font comes again on each page in bytes of its own (the same
// font file read afresh): the font realised from them takes the glyphs an
// earlier realisation of the same bytes at the same size has made, bitmaps,
// metrics and advances, instead of making each again. Outlines are made
// again when asked for (each belongs to its font).
void TakeGlyphsOfSameFont(const std::vector<std::pair<FontSpec, std::shared_ptr<FontObject>>>& cache,
                          const FontSpec& asked, FontObject* made) {
  if (!asked.data || made->is_device()) return;
  for (const auto& [k, f] : cache) {
    if (!k.data || k.data == asked.data || f->is_device() || k.data->size() != asked.data->size()) continue;
    FontSpec same = k;
    same.data = asked.data;
    if (!SameSpec(same, asked) || std::memcmp(k.data->data(), asked.data->data(), asked.data->size()) != 0) continue;
    detail::Font* to = made->impl();
    for (const auto& [hg, e] : f->impl()->glyphs) {
      if (!e.have_bits && !e.have_advance) continue;
      detail::GlyphEntry copy = e;
      copy.path = nullptr;
      copy.gd.gdf.pgb = nullptr;  // (pointed at when handed out)
      to->glyphs.emplace(hg, std::move(copy));
    }
    return;
  }
}

}  // namespace

BOOL PrinterDc::SelectFont(const FontSpec& wanted) {
  Impl& dc = *impl_;
  FontSpec s = wanted;
  if (dc.gdi.ulLogPixelsX && dc.gdi.ulLogPixelsY) s.resolution = SIZEL{LONG(dc.gdi.ulLogPixelsX), LONG(dc.gdi.ulLogPixelsY)};
  for (auto& [k, f] : dc.font_cache)
    if (SameSpec(k, s)) {
      dc.font = f;
      return TRUE;
    }
  std::shared_ptr<FontObject> f;
  if (!s.data && !s.face_name.empty() && dc.devinfo.cFonts) {
    DeviceFonts d;
    d.dhpdev = dc.dev->dhpdev;
    d.count = dc.devinfo.cFonts;
    d.query_font = dc.Fn<PFN_DrvQueryFont>(INDEX_DrvQueryFont);
    d.query_font_tree = dc.Fn<PFN_DrvQueryFontTree>(INDEX_DrvQueryFontTree);
    d.query_font_data = dc.Fn<PFN_DrvQueryFontData>(INDEX_DrvQueryFontData);
    d.query_advance_widths = dc.Fn<PFN_DrvQueryAdvanceWidths>(INDEX_DrvQueryAdvanceWidths);
    f = FontObject::FindDevice(d, s);
  }
  if (!f) {
    f = FontObject::Create(s);
    if (f) TakeGlyphsOfSameFont(dc.font_cache, s, f.get());
  }
  if (!f) return FALSE;
  if (dc.font_cache.size() >= kFontCacheSize) dc.font_cache.erase(dc.font_cache.begin());
  dc.font_cache.emplace_back(s, f);
  dc.font = f;
  return TRUE;
}

const FontObject* PrinterDc::selected_font() const { return impl_->font.get(); }

BOOL PrinterDc::TextOut(double x, double y, std::u16string_view text, Color color, const TextOptions& options) {
  Impl& dc = *impl_;
  if (!dc.font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Op op;
  op.kind = Op::kText;
  op.font = dc.font;
  op.text.assign(text);
  op.x = x;
  op.y = y;
  op.color = color;
  op.text_options = options;
  // Underline and strike-out of a string on an upright baseline, from the
  // font's metrics, across the string's cells.
  if ((options.underline || options.strikeout) && !text.empty()) {
    FONTOBJ* fo = dc.font->get();
    XFORML m;
    XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(fo), &m);
    const IFIMETRICS* ifi = FONTOBJ_pifi(fo);
    if (ifi && m.eM12 == 0 && m.eM21 == 0 && m.eM22 > 0) {
      auto str = StringObject::Layout(*dc.font, text, x, y, options.dx.empty() ? nullptr : &options.dx);
      const RECTL& bk = str->get()->rclBkGround;
      auto bar = [&](double pos, double size) {
        double thick = std::max(1.0, size * m.eM22);
        LONG top = LONG(std::lround(y - pos * m.eM22 - thick / 2));
        op.extra.push_back(RECTL{bk.left, top, bk.right, top + LONG(std::lround(thick))});
      };
      if (options.underline) bar(ifi->fwdUnderscorePosition, ifi->fwdUnderscoreSize);
      if (options.strikeout) bar(ifi->fwdStrikeoutPosition, ifi->fwdStrikeoutSize);
    }
  }
  return Submit(dc, std::move(op));
}

BOOL PrinterDc::GlyphsOut(const std::vector<GlyphAt>& glyphs, Color color, const TextOptions& options) {
  Impl& dc = *impl_;
  if (!dc.font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (glyphs.empty()) return TRUE;
  Op op;
  op.kind = Op::kText;
  op.font = dc.font;
  op.color = color;
  op.text_options = options;
  op.text_options.underline = op.text_options.strikeout = false;
  op.glyphs.reserve(glyphs.size());
  // A glyph-index string carries the glyph indices as its text.
  for (const GlyphAt& g : glyphs) op.glyphs.push_back(PlacedGlyph{g.glyph, g.x, g.y, char16_t(g.glyph & 0xFFFF)});
  return Submit(dc, std::move(op));
}

}  // namespace eng
