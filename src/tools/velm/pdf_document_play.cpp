// A page of a PDF document played into a printer device context: a MuPDF
// device whose callbacks turn paths, clips, images, tiling patterns and text
// into the engine's drawing calls. Filled text goes as strings of glyphs in
// the document's fonts (the font files MuPDF holds, realised by the
// engine); text the engine cannot realise, stroked text and clipping text
// go as glyph outlines.
//
// A tiling pattern goes as a brush; in vector mode a stencil mask in one
// opaque colour goes as that colour through a one-bit mask at the page's
// resolution, and a pattern whose cells make whole pixels only several
// together as an image of a block of cells repeated over the area it fills.
//
// What the engine has no call for (shadings, transparency, soft masks,
// blend and knockout groups, other stencil masks, Type 3 text, turned or
// mirrored images, strokes under a skewed transform) is drawn as MuPDF's own render
// of the finished page in that area, cut to the clip in force: later
// drawing lands on top of such an area just as it lands on top of the page,
// so the area needs no knowledge of what comes after. A call the driver
// refuses is drawn the same way and counted.
//
// MuPDF reports errors by longjmp. Every MuPDF call that can throw runs in
// an fz_try of a function that holds no C++ object with a destructor, and
// no C++ exception leaves a callback.
#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <new>
#include <cstring>
#include <deque>
#include <string>
#include <unordered_set>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "eng/dc.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "pdf_document.h"
#include "pdf_document_internal.h"

namespace velm {

namespace {

constexpr int kMaxPatternCell = 256;  // the largest pattern the engine's brushes take
constexpr int kMaxPatternBlock = 1024;  // the largest block of cells a pattern drawn as an image repeats
constexpr int kFaint = 32;            // a channel this near 0 or 255 counts as black or white
constexpr size_t kKeptFonts = 32;     // the fonts whose bytes the document keeps for the engine

// --- MuPDF calls that may throw, each caught -----------------------------

fz_path* OutlineGlyph(fz_context* ctx, fz_font* font, int gid, fz_matrix m) {
  fz_path* path = nullptr;
  fz_var(path);
  fz_try(ctx) { path = fz_outline_glyph(ctx, font, gid, m); }
  fz_catch(ctx) { path = nullptr; }
  return path;
}

bool ConvertColor(fz_context* ctx, fz_colorspace* cs, const float* in, fz_color_params cp, float* rgb) {
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { fz_convert_color(ctx, cs, in, fz_device_rgb(ctx), rgb, nullptr, cp); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

// The image's pixels in RGB without alpha, or null.
fz_pixmap* ImagePixels(fz_context* ctx, fz_image* image, fz_color_params cp) {
  fz_pixmap* pix = nullptr;
  fz_pixmap* rgb = nullptr;
  fz_var(pix);
  fz_var(rgb);
  fz_try(ctx) {
    pix = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
    if (fz_pixmap_alpha(ctx, pix) || fz_pixmap_colorspace(ctx, pix) == nullptr) {
      rgb = nullptr;  // pixels with their own alpha, or a bare mask
    } else if (fz_pixmap_colorspace(ctx, pix) == fz_device_rgb(ctx)) {
      rgb = fz_keep_pixmap(ctx, pix);
    } else {
      rgb = fz_convert_pixmap(ctx, pix, fz_device_rgb(ctx), nullptr, nullptr, cp, 0);
    }
  }
  fz_always(ctx) { fz_drop_pixmap(ctx, pix); }
  fz_catch(ctx) { rgb = nullptr; }
  return rgb;
}

// The samples of a stencil mask at its own size (one byte a pixel, 255
// where it paints), or null when MuPDF gives them otherwise.
fz_pixmap* MaskPixels(fz_context* ctx, fz_image* image) {
  fz_pixmap* pix = nullptr;
  fz_var(pix);
  fz_try(ctx) { pix = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr); }
  fz_catch(ctx) { pix = nullptr; }
  if (pix && (fz_pixmap_components(ctx, pix) != 1 || fz_pixmap_width(ctx, pix) != image->w ||
              fz_pixmap_height(ctx, pix) != image->h)) {
    fz_drop_pixmap(ctx, pix);
    pix = nullptr;
  }
  return pix;
}

// The image drawn by MuPDF under ctm into an RGB pixmap of the area, or
// null. MuPDF decodes only the part of the image in the area, subsampled
// while it stays larger than its place, so the pixmap and what it costs are
// bounded by the area, however large the image.
fz_pixmap* ImageInArea(fz_context* ctx, fz_image* image, fz_matrix ctm, fz_irect area, fz_color_params cp) {
  fz_pixmap* pix = nullptr;
  fz_device* dev = nullptr;
  fz_var(pix);
  fz_var(dev);
  fz_try(ctx) {
    pix = fz_new_pixmap_with_bbox(ctx, fz_device_rgb(ctx), area, nullptr, 0);
    fz_clear_pixmap_with_value(ctx, pix, 255);
    dev = fz_new_draw_device(ctx, fz_identity, pix);
    fz_fill_image(ctx, dev, image, ctm, 1.0f, cp);
    fz_close_device(ctx, dev);
  }
  fz_always(ctx) { fz_drop_device(ctx, dev); }
  fz_catch(ctx) {
    fz_drop_pixmap(ctx, pix);
    pix = nullptr;
  }
  return pix;
}

// Groups of plain painting (normal blending, no knockout, fully opaque) in
// an area MuPDF renders: painted straight onto the area, as the player
// paints them onto the page, instead of into a pixmap of their own that is
// cleared, painted, converted to the area's colours and blended back (the
// same result, since plain painting composites the same either way). A
// group that blends, knocks out or fades keeps its pixmap. The draw
// device's own group calls are kept for those; one area renders at a time.
struct FlatGroups {
  void (*begin)(fz_context*, fz_device*, fz_rect, fz_colorspace*, int, int, int, float) = nullptr;
  void (*end)(fz_context*, fz_device*) = nullptr;
  uint64_t passed = 0;  // one bit a level, innermost lowest: the group went to the draw device
  int depth = 0;        // levels beyond 64 always go to the draw device
};
FlatGroups g_flat;

void FlatBeginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs, int isolated, int knockout,
                    int blendmode, float alpha) {
  const bool plain = blendmode == FZ_BLEND_NORMAL && !knockout && alpha >= 1;
  if (g_flat.depth < 64) g_flat.passed = (g_flat.passed << 1) | (plain ? 0 : 1);
  ++g_flat.depth;
  if (!plain || g_flat.depth > 64) g_flat.begin(ctx, dev, area, cs, isolated, knockout, blendmode, alpha);
}

void FlatEndGroup(fz_context* ctx, fz_device* dev) {
  if (g_flat.depth <= 0) return g_flat.end(ctx, dev);
  const bool passed = g_flat.depth > 64 || (g_flat.passed & 1);
  --g_flat.depth;
  if (g_flat.depth < 64) g_flat.passed >>= 1;
  if (passed) g_flat.end(ctx, dev);
}

// A white pixmap of the area (RGB, or grey when grey is set) with MuPDF's
// render of the whole page in it; null on failure. With samples, the
// pixmap's pixels are those bytes, its rows stride bytes apart (at least
// the area's height times stride), which the caller keeps and reuses;
// without, MuPDF allocates them.
fz_pixmap* RenderList(fz_context* ctx, fz_display_list* list, fz_matrix ctm, fz_irect area, bool with_alpha,
                      bool grey = false, unsigned char* samples = nullptr, int stride = 0) {
  fz_pixmap* pix = nullptr;
  fz_device* dev = nullptr;
  fz_var(pix);
  fz_var(dev);
  fz_try(ctx) {
    fz_colorspace* cs = grey ? fz_device_gray(ctx) : fz_device_rgb(ctx);
    if (samples) {
      pix = fz_new_pixmap_with_data(ctx, cs, area.x1 - area.x0, area.y1 - area.y0, nullptr, with_alpha ? 1 : 0,
                                    stride, samples);
      pix->x = area.x0;
      pix->y = area.y0;
    } else {
      pix = fz_new_pixmap_with_bbox(ctx, cs, area, nullptr, with_alpha ? 1 : 0);
    }
    if (with_alpha) fz_clear_pixmap(ctx, pix);
    else fz_clear_pixmap_with_value(ctx, pix, 255);
    if (list) {
      dev = fz_new_draw_device(ctx, fz_identity, pix);
      g_flat = FlatGroups{dev->begin_group, dev->end_group};
      dev->begin_group = FlatBeginGroup;
      dev->end_group = FlatEndGroup;
      fz_run_display_list(ctx, list, dev, ctm, fz_rect_from_irect(area), nullptr);
      fz_close_device(ctx, dev);
    }
  }
  fz_always(ctx) { fz_drop_device(ctx, dev); }
  fz_catch(ctx) {
    fz_drop_pixmap(ctx, pix);
    pix = nullptr;
  }
  return pix;
}

fz_device* NewDrawDevice(fz_context* ctx, fz_pixmap* pix) {
  fz_device* dev = nullptr;
  fz_var(dev);
  fz_try(ctx) { dev = fz_new_draw_device(ctx, fz_identity, pix); }
  fz_catch(ctx) { dev = nullptr; }
  return dev;
}

bool CloseDevice(fz_context* ctx, fz_device* dev) {
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { fz_close_device(ctx, dev); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

// --- Geometry --------------------------------------------------------------

// A move goes to the path only when a segment follows it, so that a
// trailing move (MuPDF adds one after a rectangle) makes no empty subpath.
struct PathWalk {
  eng::Path* path;
  fz_matrix m;
  fz_point last{0, 0};  // in path space
  fz_point start{0, 0};
  bool move_pending = false;
  bool open = false;  // a subpath with segments is open
};

fz_point Map(const PathWalk* w, float x, float y) { return fz_transform_point_xy(x, y, w->m); }

void FlushMove(PathWalk* w) {
  if (!w->move_pending) return;
  fz_point p = Map(w, w->start.x, w->start.y);
  w->path->MoveTo(p.x, p.y);
  w->move_pending = false;
}
void WalkMove(fz_context*, void* arg, float x, float y) {
  auto* w = static_cast<PathWalk*>(arg);
  w->last = w->start = {x, y};
  w->move_pending = true;
  w->open = false;
}
void WalkLine(fz_context*, void* arg, float x, float y) {
  auto* w = static_cast<PathWalk*>(arg);
  FlushMove(w);
  fz_point p = Map(w, x, y);
  w->path->LineTo(p.x, p.y);
  w->last = {x, y};
  w->open = true;
}
void WalkCurve(fz_context*, void* arg, float x1, float y1, float x2, float y2, float x3, float y3) {
  auto* w = static_cast<PathWalk*>(arg);
  FlushMove(w);
  fz_point a = Map(w, x1, y1), b = Map(w, x2, y2), c = Map(w, x3, y3);
  w->path->BezierTo(a.x, a.y, b.x, b.y, c.x, c.y);
  w->last = {x3, y3};
  w->open = true;
}
void WalkClose(fz_context*, void* arg) {
  auto* w = static_cast<PathWalk*>(arg);
  if (w->open) w->path->Close();
  w->open = false;
  // What follows a close starts from the subpath's start.
  w->last = w->start;
  w->move_pending = true;
}
void WalkQuad(fz_context* ctx, void* arg, float x1, float y1, float x2, float y2) {
  auto* w = static_cast<PathWalk*>(arg);
  const fz_point p0 = w->last;
  WalkCurve(ctx, arg, p0.x + 2.0f / 3 * (x1 - p0.x), p0.y + 2.0f / 3 * (y1 - p0.y), x2 + 2.0f / 3 * (x1 - x2),
            y2 + 2.0f / 3 * (y1 - y2), x2, y2);
}
void WalkCurveV(fz_context* ctx, void* arg, float x2, float y2, float x3, float y3) {
  auto* w = static_cast<PathWalk*>(arg);
  WalkCurve(ctx, arg, w->last.x, w->last.y, x2, y2, x3, y3);
}
void WalkCurveY(fz_context* ctx, void* arg, float x1, float y1, float x3, float y3) {
  WalkCurve(ctx, arg, x1, y1, x3, y3, x3, y3);
}
void WalkRect(fz_context* ctx, void* arg, float x1, float y1, float x2, float y2) {
  WalkMove(ctx, arg, x1, y1);
  WalkLine(ctx, arg, x2, y1);
  WalkLine(ctx, arg, x2, y2);
  WalkLine(ctx, arg, x1, y2);
  WalkClose(ctx, arg);
}

const fz_path_walker kWalker = {WalkMove, WalkLine, WalkCurve, WalkClose, WalkQuad, WalkCurveV, WalkCurveY, WalkRect};

bool ToPath(fz_context* ctx, const fz_path* path, fz_matrix m, eng::Path* out) {
  PathWalk w{out, m};
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { fz_walk_path(ctx, path, &kWalker, &w); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

// The rectangle a path is, when it is one closed axis-aligned rectangle.
bool PathIsRect(const eng::Path& path, RECTL* rect) {
  const auto& ops = path.ops();
  size_t n = ops.size();
  if (n && ops[n - 1].kind == eng::Path::Op::kClose) --n;
  if (n != 4 && n != 5) return false;
  if (ops[0].kind != eng::Path::Op::kMove) return false;
  double xs[5], ys[5];
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && ops[i].kind != eng::Path::Op::kLine) return false;
    xs[i] = ops[i].pts[0];
    ys[i] = ops[i].pts[1];
  }
  if (n == 5 && (xs[4] != xs[0] || ys[4] != ys[0])) return false;
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    if (xs[i] != xs[j] && ys[i] != ys[j]) return false;
  }
  const double l = std::min({xs[0], xs[1], xs[2], xs[3]}), r = std::max({xs[0], xs[1], xs[2], xs[3]});
  const double t = std::min({ys[0], ys[1], ys[2], ys[3]}), b = std::max({ys[0], ys[1], ys[2], ys[3]});
  // Opposite corners: each x and each y appears twice.
  int at_l = 0, at_t = 0;
  for (int i = 0; i < 4; ++i) {
    at_l += xs[i] == l;
    at_t += ys[i] == t;
  }
  if (at_l != 2 || at_t != 2) return false;
  *rect = RECTL{LONG(std::lround(l)), LONG(std::lround(t)), LONG(std::lround(r)), LONG(std::lround(b))};
  return true;
}

// The scale of a transform that keeps shapes (a uniform scale with or
// without turning or mirroring); 0 for one that skews or stretches.
double UniformScale(fz_matrix m) {
  const double sx = std::hypot(m.a, m.b), sy = std::hypot(m.c, m.d);
  if (sx <= 0 || sy <= 0) return 0;
  if (std::fabs(m.a * m.c + m.b * m.d) > 1e-3 * sx * sy) return 0;
  if (std::fabs(sx - sy) > 1e-3 * std::max(sx, sy)) return 0;
  return sx;
}

// The colours of an image up to its 256th: an open-addressed table of a
// fixed size, so that a scan of the largest image allocates nothing per
// pixel and stops at the first colour past 256.
class ColourSet {
 public:
  static constexpr size_t kMax = 256;
  // The palette index of c, added when new; -1 when c would be colour 257.
  int Index(uint32_t c) {
    size_t i = (c * 2654435761u) >> (32 - kSlotBits);
    for (; used_[i]; i = (i + 1) & (kSlots - 1))
      if (keys_[i] == c) return index_[i];
    if (colours_.size() == kMax) return -1;
    used_[i] = true;
    keys_[i] = c;
    index_[i] = int16_t(colours_.size());
    colours_.push_back(c);
    return index_[i];
  }
  const std::vector<eng::Color>& colours() const { return colours_; }

 private:
  static constexpr int kSlotBits = 10;
  static constexpr size_t kSlots = size_t(1) << kSlotBits;
  std::array<uint32_t, kSlots> keys_{};
  std::array<int16_t, kSlots> index_{};
  std::array<bool, kSlots> used_{};
  std::vector<eng::Color> colours_;
};

// The grey ramp: 8-bit grey pixels with it are the levels a monochrome job
// prints.
const std::array<eng::Color, 256>& GreyRamp() {
  static const std::array<eng::Color, 256> ramp = [] {
    std::array<eng::Color, 256> r{};
    for (uint32_t i = 0; i < 256; ++i) r[i] = (i << 16) | (i << 8) | i;
    return r;
  }();
  return ramp;
}

// The colour of pixel x of a row of n components (grey or RGB), as 0xRRGGBB.
inline uint32_t PixelAt(const unsigned char* row, int n, int x) {
  const unsigned char* q = row + size_t(n) * size_t(x);
  return n >= 3 ? (uint32_t(q[0]) << 16) | (uint32_t(q[1]) << 8) | uint32_t(q[2]) : uint32_t(q[0]) * 0x010101u;
}

// The grey level of 0xRRGGBB, weighted as the graphics library greys colour.
inline uint8_t GreyOf(uint32_t c) {
  return uint8_t((306u * ((c >> 16) & 0xFF) + 601u * ((c >> 8) & 0xFF) + 117u * (c & 0xFF)) >> 10);
}

constexpr size_t kStripBytes = size_t(4) << 20;  // the most rows one image call of a strip holds

// Sets bits x0 up to x1 of a row of one bit a pixel, the leftmost pixel in
// each byte's top bit.
inline void SetBits(uint8_t* row, int x0, int x1) {
  for (; x0 < x1 && (x0 & 7); ++x0) row[x0 >> 3] |= uint8_t(0x80u >> (x0 & 7));
  if (x0 < (x1 & ~7)) {
    std::memset(row + (x0 >> 3), 0xFF, size_t(((x1 & ~7) - x0) >> 3));
    x0 = x1 & ~7;
  }
  for (; x0 < x1; ++x0) row[x0 >> 3] |= uint8_t(0x80u >> (x0 & 7));
}

// --- The player ------------------------------------------------------------

struct Frame {
  fz_irect clip;       // the clip's bounds before this frame
  int dc_level = 0;    // the SaveDC depth to restore at its end; 0 none
};

struct Player {
  fz_context* ctx = nullptr;
  fz_display_list* list = nullptr;
  fz_matrix page_ctm = fz_identity;
  eng::PrinterDc* dc = nullptr;
  PlayStats* stats = nullptr;
  fz_irect clip{};  // bounds of the clip in force, cut to the page
  std::vector<Frame> frames;
  int skip = 0;     // inside an area already drawn as MuPDF's render: its depth
  // A tiling pattern's cell being drawn by MuPDF.
  fz_device* tile_dev = nullptr;
  fz_pixmap* tile_pix = nullptr;
  int tile_depth = 0;
  fz_irect tile_cover{};
  bool tile_block = false;  // a block of cells, drawn as an image of the cover
  int dpi = 0;
  bool grey = false;  // the job prints in black only: rendered areas and many-coloured images go as grey
  bool banded = false;  // raster mode: no blocks of pattern cells of their own
  // The document's buffers for image strips and rendered areas, reused from
  // page to page.
  PlayScratch* strip_rows = nullptr;
  PlayScratch* area_samples = nullptr;
  // The bytes of the fonts the engine realises, by MuPDF font, kept by the
  // document from page to page.
  std::deque<std::pair<fz_font*, eng::FontBytes>>* fonts = nullptr;
  // The fonts of the page the document does not hold and the printer has no font of.
  std::unordered_set<fz_font*> no_device_font;
  bool failed = false;
  std::string error;

  void Fail(const std::string& why) {
    if (!failed) error = why;
    failed = true;
  }

  // Draws MuPDF's render of the page in the area, cut to the clip, at the
  // depth the job prints: 8-bit grey for a monochrome job, else 24-bit.
  // why says what the engine had no call for.
  void RenderArea(fz_irect area, const char* why = "drawing the engine has no call for", bool refused = false) {
    area = fz_intersect_irect(fz_expand_irect(area, 1), clip);
    if (fz_is_empty_irect(area)) return;
    // The pixels of rendered areas share one buffer, in rows padded to 4
    // bytes with zeros as image rows are, so that grey rows go to the
    // driver as they are.
    const size_t row = size_t(area.x1 - area.x0) * (grey ? 1 : 3), stride = (row + 3) / 4 * 4;
    const size_t h = size_t(area.y1 - area.y0);
    if (stride > size_t(INT32_MAX)) return Fail("the area is too wide to render (" + Where(area) + ")");
    unsigned char* samples = area_samples->Take(stride * h);
    fz_pixmap* pix = RenderList(ctx, list, page_ctm, area, false, grey, samples, int(stride));
    if (!pix) return Fail("MuPDF could not render the area (" + Where(area) + ")");
    if (stride > row)
      for (size_t y = 0; y < h; ++y) std::memset(samples + y * stride + row, 0, stride - row);
    const bool ok = DrawPixels(pix, RECTL{area.x0, area.y0, area.x1, area.y1}, grey ? 8 : 24, nullptr);
    fz_drop_pixmap(ctx, pix);
    if (!ok) return Fail("the driver refused the image of a rendered area (" + Where(area) + ")");
    ++stats->rendered_areas;
    if (refused) ++stats->refused;
    stats->rendered.push_back(Where(area) + ": " + why);
  }

  static std::string Where(const fz_irect& r) {
    return std::to_string(r.x1 - r.x0) + " x " + std::to_string(r.y1 - r.y0) + " pixels at (" +
           std::to_string(r.x0) + "," + std::to_string(r.y0) + ")";
  }

  // Sends the pixels of pix (grey or RGB) to dest in strips of rows, each
  // converted into one reused buffer: bits 1, 4 or 8 with the palette of
  // set, 8 without a set as grey levels, 24 as colour. No copy of the
  // whole image is made.
  bool DrawPixels(fz_pixmap* pix, const RECTL& dest, int bits, ColourSet* set) {
    const int w = fz_pixmap_width(ctx, pix), h = fz_pixmap_height(ctx, pix);
    const int n = fz_pixmap_components(ctx, pix);
    const ptrdiff_t src_stride = fz_pixmap_stride(ctx, pix);
    const unsigned char* s = fz_pixmap_samples(ctx, pix);
    const int32_t stride = int32_t((int64_t(w) * bits + 31) / 32 * 4);
    const int strip = int(std::clamp<size_t>(kStripBytes / size_t(stride), 1, size_t(h)));
    const int64_t dh = int64_t(dest.bottom) - dest.top;
    // Grey rows whose stride is an image row's (4-byte aligned, padded
    // with zeros) go to the driver from the pixmap itself.
    const bool direct = bits == 8 && !set && n == 1 && src_stride % 4 == 0 && src_stride <= INT32_MAX;
    for (int y0 = 0; y0 < h; y0 += strip) {
      const int y1 = std::min(h, y0 + strip);
      const LONG top = LONG(dest.top + dh * y0 / h), bottom = LONG(dest.top + dh * y1 / h);
      if (bottom <= top) continue;
      if (direct) {
        eng::Image image{w, y1 - y0, 8, int32_t(src_stride), s + ptrdiff_t(y0) * src_stride};
        image.palette = GreyRamp().data();
        image.palette_size = 256;
        if (!dc->DrawImage(image, RECTL{dest.left, top, dest.right, bottom}, RECTL{0, 0, w, y1 - y0})) return false;
        continue;
      }
      // The document's strip buffer, not cleared: rows that are ORed into
      // (1 and 4 bits) are cleared first, the others written whole with
      // their padding.
      const size_t strip_bytes = size_t(stride) * size_t(y1 - y0);
      uint8_t* rows = strip_rows->Take(strip_bytes);
      for (int y = y0; y < y1; ++y) {
        const unsigned char* row = s + ptrdiff_t(y) * src_stride;
        uint8_t* d = rows + size_t(y - y0) * size_t(stride);
        const size_t used = size_t(w) * size_t(bits) / 8;
        if (bits < 8) {
          std::memset(d, 0, size_t(stride));
        } else {
          std::memset(d + used, 0, size_t(stride) - used);
        }
        if (bits == 8 && !set) {
          // Grey levels: a grey pixmap's row as it is, an RGB one weighted.
          if (n == 1) {
            std::memcpy(d, row, size_t(w));
          } else {
            for (int x = 0; x < w; ++x, row += n)
              d[x] = uint8_t((306u * row[0] + 601u * row[1] + 117u * row[2]) >> 10);
          }
          continue;
        }
        if (bits == 24 && n >= 3) {
          for (int x = 0; x < w; ++x, row += n, d += 3) {
            d[0] = row[2];
            d[1] = row[1];
            d[2] = row[0];
          }
          continue;
        }
        for (int x = 0; x < w; ++x) {
          const uint32_t c = PixelAt(row, n, x);
          if (bits == 24) {
            d[3 * x] = uint8_t(c);
            d[3 * x + 1] = uint8_t(c >> 8);
            d[3 * x + 2] = uint8_t(c >> 16);
            continue;
          }
          const uint32_t i = set ? uint32_t(set->Index(c)) : GreyOf(c);
          if (bits == 8) d[x] = uint8_t(i);
          else if (bits == 4) d[x >> 1] |= uint8_t((x & 1) ? i : i << 4);
          else if (i) d[x >> 3] |= uint8_t(0x80u >> (x & 7));
        }
      }
      eng::Image image{w, y1 - y0, bits, stride, rows};
      if (bits <= 8) {
        image.palette = set ? set->colours().data() : GreyRamp().data();
        image.palette_size = set ? int32_t(set->colours().size()) : 256;
      }
      if (!dc->DrawImage(image, RECTL{dest.left, top, dest.right, bottom}, RECTL{0, 0, w, y1 - y0})) return false;
    }
    return true;
  }

  // A stencil mask in one opaque colour, upright and drawn at least at its
  // own size, goes as the colour through a one-bit mask of the part of its
  // place the clip shows, at the page's resolution: a pixel is set where
  // MuPDF's render of the mask covers it at least half, the mask sampled as
  // MuPDF samples it (between its four nearest pixels where it
  // interpolates, else its nearest pixel). ROP 0xE2E2 puts the brush where
  // the mask is set and leaves the page elsewhere, so what lies under the
  // mask stays as it was drawn and the job carries one bit a pixel, not an
  // image of the area. False, with nothing drawn, for a mask this does not
  // take; else *ok tells whether the driver took every strip.
  bool StencilMask(fz_image* img, fz_matrix ctm, eng::Color colour, BOOL* ok) {
    if (!(ctm.b == 0 && ctm.c == 0 && ctm.a > 0 && ctm.d > 0) || img->w <= 0 || img->h <= 0) return false;
    const fz_matrix fit = fz_gridfit_matrix(0, ctm);
    if (!std::isfinite(fit.a) || !std::isfinite(fit.d) || !std::isfinite(fit.e) || !std::isfinite(fit.f)) return false;
    const int iw = img->w, ih = img->h;
    // Drawn smaller than its pixels, MuPDF filters the mask down first.
    if (fit.a < float(iw) || fit.d < float(ih)) return false;
    const fz_irect seen = fz_intersect_irect(fz_irect_from_rect(fz_transform_rect(fz_unit_rect, fit)), clip);
    *ok = TRUE;
    if (fz_is_empty_irect(seen)) return true;
    const int w = seen.x1 - seen.x0, h = seen.y1 - seen.y0;
    // A mask mostly out of sight goes as the area's render, which decodes
    // only the part that shows.
    if (int64_t(iw) * ih > int64_t(w) * h) return false;
    fz_pixmap* pix = MaskPixels(ctx, img);
    if (!pix) return false;
    struct Hold {
      fz_context* ctx;
      fz_pixmap* pix;
      ~Hold() { fz_drop_pixmap(ctx, pix); }
    } hold{ctx, pix};
    // MuPDF interpolates a mask drawn larger than its pixels, beyond twice
    // their size only when the document asks for it.
    const bool larger = fit.a > float(iw) || fit.d > float(ih);
    const bool twice = fit.a > 2.0f * float(iw) || fit.d > 2.0f * float(ih);
    const bool lerp = larger && (!twice || (pix->flags & FZ_PIXMAP_FLAG_INTERPOLATE));

    // Where each column and row of the area samples the mask, in 16.16
    // fixed point of its pixels as MuPDF steps through them: the two
    // pixels either side (clamped to the mask), the fraction between them,
    // and whether the place lies on the mask at all.
    struct Sample {
      int i0, i1, frac;
      bool on;
    };
    const fz_matrix inv = fz_invert_matrix(fz_pre_scale(fit, 1.0f / float(iw), 1.0f / float(ih)));
    auto sample = [&](double at, double scale, double offset, int size) {
      int64_t u = std::llround((at * scale + offset) * 65536.0) - (lerp ? 32768 : 0);
      const int64_t end = int64_t(size) << 16;
      Sample s{};
      s.on = lerp ? (u + 32768 >= 0 && u < end) : (u >= 0 && u < end);
      const int64_t i = u >> 16;
      s.i0 = int(std::clamp<int64_t>(i, 0, size - 1));
      s.i1 = int(std::clamp<int64_t>(i + 1, 0, size - 1));
      s.frac = int(u & 0xFFFF);
      return s;
    };
    // The columns in runs that sample the same two pixels: within a run
    // only the fraction between them changes, so a run whose two pixels
    // agree is set or clear whole.
    struct Run {
      int x0, x1, i0, i1;
    };
    std::vector<Run> runs;
    std::vector<int> fracs(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
      const Sample c = sample(seen.x0 + x + 0.5, inv.a, inv.e, iw);
      fracs[size_t(x)] = c.frac;
      if (!c.on) continue;
      if (!runs.empty() && runs.back().x1 == x && runs.back().i0 == c.i0 && runs.back().i1 == c.i1) {
        ++runs.back().x1;
      } else {
        runs.push_back(Run{x, x + 1, c.i0, c.i1});
      }
    }

    const unsigned char* m = fz_pixmap_samples(ctx, pix);
    const ptrdiff_t m_stride = fz_pixmap_stride(ctx, pix);
    const int32_t stride = int32_t((int64_t(w) + 31) / 32 * 4);
    const int strip = int(std::clamp<size_t>(kStripBytes / size_t(stride), 1, size_t(h)));
    auto lerp16 = [](int a, int b, int t) { return a + (((b - a) * t) >> 16); };
    for (int y0 = 0; y0 < h; y0 += strip) {
      const int y1 = std::min(h, y0 + strip);
      uint8_t* rows = strip_rows->Take(size_t(stride) * size_t(y1 - y0));
      std::memset(rows, 0, size_t(stride) * size_t(y1 - y0));
      bool any = false;
      for (int y = y0; y < y1; ++y) {
        const Sample r = sample(seen.y0 + y + 0.5, inv.d, inv.f, ih);
        if (!r.on) continue;
        const unsigned char* top = m + ptrdiff_t(r.i0) * m_stride;
        const unsigned char* bottom = m + ptrdiff_t(r.i1) * m_stride;
        uint8_t* d = rows + size_t(y - y0) * size_t(stride);
        for (const Run& run : runs) {
          // Across the run, then between the two rows, as MuPDF blends.
          const int a = top[run.i0], b = top[run.i1], c = bottom[run.i0], e = bottom[run.i1];
          if (!lerp || (a == b && c == e)) {
            if ((lerp ? lerp16(a, c, r.frac) : a) < 128) continue;
            SetBits(d, run.x0, run.x1);
            any = true;
            continue;
          }
          for (int x = run.x0; x < run.x1; ++x) {
            const int f = fracs[size_t(x)];
            if (lerp16(lerp16(a, b, f), lerp16(c, e, f), r.frac) < 128) continue;
            d[x >> 3] |= uint8_t(0x80u >> (x & 7));
            any = true;
          }
        }
      }
      if (!any) continue;
      const eng::Image image{w, y1 - y0, 1, stride, rows};
      if (!dc->DrawImage(image, RECTL{seen.x0, seen.y0 + y0, seen.x1, seen.y0 + y1}, RECTL{0, 0, w, y1 - y0},
                         COLORONCOLOR, 0xE2E2, colour)) {
        *ok = FALSE;
        return true;
      }
    }
    return true;
  }

  // The cover of the tiling pattern being drawn as an image of it: the
  // opaque block of cells pix (RGBA) repeated from where it lies, at the
  // depth of its colours (1, 4 or 8 bits with a palette of up to 2, 16 or
  // 256 colours), the rows of the cover built a strip at a time. False,
  // with nothing drawn, for a block of more colours; true when every strip
  // went, else the call failed and says so.
  bool DrawTiled(fz_pixmap* pix) {
    const int bw = fz_pixmap_width(ctx, pix), bh = fz_pixmap_height(ctx, pix);
    const int ox = fz_pixmap_x(ctx, pix), oy = fz_pixmap_y(ctx, pix);
    const ptrdiff_t src_stride = fz_pixmap_stride(ctx, pix);
    const unsigned char* s = fz_pixmap_samples(ctx, pix);
    // The block as palette indices.
    ColourSet set;
    std::vector<uint8_t> index(size_t(bw) * size_t(bh));
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        const int i = set.Index(PixelAt(s + ptrdiff_t(y) * src_stride + 4 * ptrdiff_t(x), 3, 0));
        if (i < 0) return false;
        index[size_t(y) * size_t(bw) + size_t(x)] = uint8_t(i);
      }
    const fz_irect& c = tile_cover;
    if (fz_is_empty_irect(c)) return true;
    const int w = c.x1 - c.x0, h = c.y1 - c.y0;
    const size_t count = set.colours().size();
    const int bits = count <= 2 ? 1 : count <= 16 ? 4 : 8;
    const int32_t stride = int32_t((int64_t(w) * bits + 31) / 32 * 4);
    const int strip = int(std::clamp<size_t>(kStripBytes / size_t(stride), 1, size_t(h)));
    auto mod = [](int a, int m) { return ((a % m) + m) % m; };
    // Each row of the block across the cover's width, packed once; the
    // cover's rows are copies of them.
    std::vector<uint8_t> packed(size_t(bh) * size_t(stride), 0);
    for (int r = 0; r < bh; ++r) {
      const uint8_t* from = index.data() + size_t(r) * size_t(bw);
      uint8_t* d = packed.data() + size_t(r) * size_t(stride);
      for (int x = 0, k = mod(c.x0 - ox, bw); x < w; ++x, k = k + 1 == bw ? 0 : k + 1) {
        const uint8_t i = from[k];
        if (bits == 8) d[x] = i;
        else if (bits == 4) d[x >> 1] |= uint8_t((x & 1) ? i : i << 4);
        else if (i) d[x >> 3] |= uint8_t(0x80u >> (x & 7));
      }
    }
    bool ok = true;
    for (int y0 = 0; y0 < h && ok; y0 += strip) {
      const int y1 = std::min(h, y0 + strip);
      uint8_t* rows = strip_rows->Take(size_t(stride) * size_t(y1 - y0));
      for (int y = y0; y < y1; ++y)
        std::memcpy(rows + size_t(y - y0) * size_t(stride), packed.data() + size_t(mod(c.y0 + y - oy, bh)) * size_t(stride),
                    size_t(stride));
      eng::Image image{w, y1 - y0, bits, stride, rows};
      image.palette = set.colours().data();
      image.palette_size = int32_t(count);
      ok = dc->DrawImage(image, RECTL{c.x0, c.y0 + y0, c.x1, c.y0 + y1}, RECTL{0, 0, w, y1 - y0});
    }
    Drawn(ok, fz_rect_from_irect(c));
    return true;
  }

  // Records what failed in a drawing callback from the exception caught.
  void FailedIn(const char* what) {
    try {
      throw;
    } catch (const std::bad_alloc&) {
      Fail(std::string("out of memory while ") + what);
    } catch (const std::exception& e) {
      Fail(std::string(what) + " failed: " + e.what());
    } catch (...) {
      Fail(std::string(what) + " failed");
    }
  }

  // A drawing call's result: a refused call is drawn as a rendered area.
  void Drawn(BOOL ok, fz_rect bounds) {
    if (!ok) RenderArea(fz_round_rect(bounds), "a call the driver refused", true);
  }

  eng::Color Color(fz_colorspace* cs, const float* color, fz_color_params cp) {
    float rgb[3] = {0, 0, 0};
    if (!cs || !ConvertColor(ctx, cs, color, cp, rgb)) return 0;
    auto c = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
    return (c(rgb[0]) << 16) | (c(rgb[1]) << 8) | c(rgb[2]);
  }

  // The pen of a stroke under ctm; false when the engine's pens cannot draw
  // it (a skewing transform, a dash pattern starting inside a dash).
  bool MakePen(const fz_stroke_state* st, fz_matrix ctm, eng::Pen* pen) {
    const double scale = UniformScale(ctm);
    if (scale <= 0) return false;
    const double width = st->linewidth * scale;
    switch (st->start_cap) {
      case FZ_LINECAP_BUTT: pen->cap = ENDCAP_BUTT; break;
      case FZ_LINECAP_SQUARE: pen->cap = ENDCAP_SQUARE; break;
      default: pen->cap = ENDCAP_ROUND; break;
    }
    switch (st->linejoin) {
      case FZ_LINEJOIN_ROUND: pen->join = JOIN_ROUND; break;
      case FZ_LINEJOIN_BEVEL: pen->join = JOIN_BEVEL; break;
      default: pen->join = JOIN_MITER; break;
    }
    pen->miter_limit = st->miterlimit;
    std::vector<double> dashes;
    double total = 0;
    for (int i = 0; i < st->dash_len && i < 32; ++i) {
      dashes.push_back(std::max(0.0, double(st->dash_list[i])) * scale);
      total += dashes.back();
    }
    if (dashes.size() % 2) dashes.insert(dashes.end(), dashes.begin(), dashes.end());
    total = 0;
    for (double d : dashes) total += d;
    if (total > 0) {
      // The phase: the pattern turned to start where the phase falls, when
      // that is the start of a dash.
      double phase = std::fmod(double(st->dash_phase) * scale, total);
      if (phase < 0) phase += total;
      if (phase > 1e-3 && total - phase > 1e-3) {
        size_t i = 0;
        double at = 0;
        while (i < dashes.size() && at + dashes[i] <= phase + 1e-3) at += dashes[i++];
        if (std::fabs(at - phase) > 1e-3 || i % 2) return false;
        std::rotate(dashes.begin(), dashes.begin() + long(i), dashes.end());
      }
      pen->dashes = dashes;
      // A styled pen thinner than two pixels is drawn one pixel wide (a
      // geometric pen, whose dashes are in pixels).
      pen->width = width < 1.5 ? 1 : width;
    } else {
      pen->width = width < 1 ? 0 : width;
    }
    return true;
  }

  fz_irect Bound(fz_rect r) { return fz_round_rect(r); }

  // Pushes a frame for a clip; when the engine takes the clip, its SaveDC
  // depth goes with it.
  void PushClip(fz_rect bounds, int dc_level) {
    frames.push_back(Frame{clip, dc_level});
    clip = fz_intersect_irect(clip, fz_expand_irect(Bound(bounds), 1));
  }
  void Pop() {
    if (frames.empty()) return;
    Frame f = frames.back();
    frames.pop_back();
    clip = f.clip;
    if (f.dc_level > 0 && !dc->RestoreDC(f.dc_level)) Fail("the engine lost a saved clip");
  }
  // The start of a group, mask or clip whose content is drawn as MuPDF's
  // render of the area: the area is drawn now and its content skipped.
  void Skip(fz_irect area, const char* why = "content the engine has no call for") {
    RenderArea(area, why);
    skip = 1;
  }
};

struct EngDevice {
  fz_device super;
  Player* p;
};

Player* P(fz_device* dev) { return reinterpret_cast<EngDevice*>(dev)->p; }

// Each callback: the tile being drawn takes the call first; inside a
// skipped area only the depth is counted.
enum class Nest { kNone, kPush, kPop };

// True when the callback is done with the call.
bool Divert(fz_context*, Player* p, Nest nest) {
  if (p->failed) return true;
  if (p->tile_dev) return false;  // the caller forwards it
  if (p->skip > 0) {
    if (nest == Nest::kPush) ++p->skip;
    if (nest == Nest::kPop) --p->skip;
    return true;
  }
  return false;
}

#define VELM_TILE_FORWARD(call)                   \
  if (p->tile_dev) {                              \
    fz_try(ctx) { call; }                         \
    fz_catch(ctx) { p->Fail("MuPDF could not draw a pattern cell"); } \
    return;                                       \
  }

void FillPath(fz_context* ctx, fz_device* dev, const fz_path* path, int even_odd, fz_matrix ctm, fz_colorspace* cs,
              const float* color, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_fill_path(ctx, p->tile_dev, path, even_odd, ctm, cs, color, alpha, cp));
  try {
    fz_rect bounds = fz_bound_path(ctx, path, nullptr, ctm);
    if (alpha < 1) return p->RenderArea(p->Bound(bounds), "a translucent fill");
    eng::Path ep;
    if (!ToPath(ctx, path, ctm, &ep)) return p->Fail("MuPDF could not read a path");
    if (ep.empty()) return;
    ++p->stats->fills;
    p->Drawn(p->dc->FillPath(ep, p->Color(cs, color, cp), even_odd ? eng::FillMode::kAlternate : eng::FillMode::kWinding),
             bounds);
  } catch (...) {
    p->FailedIn("filling a path");
  }
}

void StrokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* st, fz_matrix ctm,
                fz_colorspace* cs, const float* color, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_stroke_path(ctx, p->tile_dev, path, st, ctm, cs, color, alpha, cp));
  try {
    fz_rect bounds = fz_bound_path(ctx, path, st, ctm);
    eng::Pen pen;
    if (alpha < 1 || !p->MakePen(st, ctm, &pen))
      return p->RenderArea(p->Bound(bounds), alpha < 1 ? "a translucent stroke" : "a stroke no pen of the engine draws");
    eng::Path ep;
    if (!ToPath(ctx, path, ctm, &ep)) return p->Fail("MuPDF could not read a path");
    if (ep.empty()) return;
    ++p->stats->strokes;
    p->Drawn(p->dc->StrokePath(ep, pen, p->Color(cs, color, cp)), bounds);
  } catch (...) {
    p->FailedIn("stroking a path");
  }
}

void ClipPath(fz_context* ctx, fz_device* dev, const fz_path* path, int even_odd, fz_matrix ctm, fz_rect scissor) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_clip_path(ctx, p->tile_dev, path, even_odd, ctm, scissor); ++p->tile_depth);
  try {
    fz_rect bounds = fz_bound_path(ctx, path, nullptr, ctm);
    eng::Path ep;
    if (!ToPath(ctx, path, ctm, &ep)) return p->Fail("MuPDF could not read a path");
    const int level = p->dc->SaveDC();
    RECTL r;
    if (PathIsRect(ep, &r)) {
      p->dc->IntersectClipRect(r);
    } else if (!p->dc->IntersectClipPath(ep, even_odd ? eng::FillMode::kAlternate : eng::FillMode::kWinding)) {
      p->dc->RestoreDC(level);
      return p->Fail("the engine could not clip to a path");
    }
    ++p->stats->clips;
    p->PushClip(bounds, level);
  } catch (...) {
    p->FailedIn("setting a path clip");
  }
}

void ClipStrokePath(fz_context* ctx, fz_device* dev, const fz_path* path, const fz_stroke_state* st, fz_matrix ctm,
                    fz_rect scissor) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_clip_stroke_path(ctx, p->tile_dev, path, st, ctm, scissor); ++p->tile_depth);
  try {
    fz_irect saved = p->clip;
    p->clip = fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(fz_bound_path(ctx, path, st, ctm)), 1));
    fz_irect area = p->clip;
    p->clip = saved;
    p->Skip(area, "a stroked clip");
  } catch (...) {
    p->FailedIn("setting a stroked clip");
  }
}

// The glyph outlines of a text under ctm as one path; false when a glyph
// has no outline (Type 3 fonts, bitmap fonts).
bool SpanPath(fz_context* ctx, const fz_text_span* span, fz_matrix ctm, eng::Path* out) {
  if (fz_font_t3_procs(ctx, span->font)) return false;
  for (int i = 0; i < span->len; ++i) {
    const fz_text_item& item = span->items[i];
    if (item.gid < 0) continue;
    fz_matrix tm = span->trm;
    tm.e = item.x;
    tm.f = item.y;
    fz_path* glyph = OutlineGlyph(ctx, span->font, item.gid, fz_concat(tm, ctm));
    if (!glyph) return false;
    bool ok = ToPath(ctx, glyph, fz_identity, out);
    fz_drop_path(ctx, glyph);
    if (!ok) return false;
  }
  return true;
}

bool TextPath(fz_context* ctx, const fz_text* text, fz_matrix ctm, eng::Path* out) {
  for (const fz_text_span* span = text->head; span; span = span->next)
    if (!SpanPath(ctx, span, ctm, out)) return false;
  return true;
}

fz_rect TextBounds(fz_context* ctx, const fz_text* text, const fz_stroke_state* st, fz_matrix ctm) {
  fz_rect r = fz_empty_rect;
  fz_var(r);
  fz_try(ctx) { r = fz_bound_text(ctx, text, st, ctm); }
  fz_catch(ctx) { r = fz_infinite_rect; }
  return r;
}

// The font file of a span's font as the engine realises it (the font
// MuPDF read from the document, or the one it put in place of a font the
// document does not hold); null for a font the engine cannot take: Type 3,
// a font MuPDF makes bold or italic itself, a vertical span.
eng::FontBytes SpanFont(Player* p, const fz_text_span* span) {
  fz_font* font = span->font;
  if (span->wmode || fz_font_t3_procs(p->ctx, font) || !font->buffer || !font->ft_face || font->flags.fake_bold ||
      font->flags.fake_italic)
    return nullptr;
  for (const auto& [kept, bytes] : *p->fonts)
    if (kept == font) return bytes;
  unsigned char* data = nullptr;
  const size_t size = fz_buffer_storage(p->ctx, font->buffer, &data);
  eng::FontBytes bytes = size && data ? std::make_shared<const std::vector<uint8_t>>(data, data + size) : nullptr;
  // The oldest font gives way; the engine's own cache of realised fonts is
  // smaller than this list.
  if (p->fonts->size() >= kKeptFonts) {
    fz_drop_font(p->ctx, p->fonts->front().first);
    p->fonts->pop_front();
  }
  p->fonts->emplace_back(fz_keep_font(p->ctx, font), bytes);
  return bytes;
}

// The font a span asks for: the document's name of its font, without a
// subset tag ("ABCDEF+"), and its em square on the page. A name that is
// not UTF-8 is read in the ANSI code page, as Japanese documents name
// their fonts ("ＭＳ 明朝" in code page 932).
eng::FontSpec SpanFontSpec(Player* p, const fz_text_span* span, fz_matrix ctm) {
  const fz_matrix m = fz_concat(span->trm, ctm);
  eng::FontSpec wanted;
  std::string_view name = fz_font_name(p->ctx, span->font);
  if (name.size() > 7 && name[6] == '+') name.remove_prefix(7);
  wanted.face_name = plat::FromUtf8(name);
  if (wanted.face_name.find(u'\uFFFD') != std::u16string::npos) {
    char16_t wide[64];
    const INT n = MultiByteToWideChar(CP_ACP, 0, name.data(), INT(name.size()), wide, INT(std::size(wide)));
    if (n > 0) wanted.face_name.assign(wide, size_t(n));
  }
  wanted.has_matrix = true;
  wanted.matrix[0] = m.a;
  wanted.matrix[1] = m.b;
  wanted.matrix[2] = m.c;
  wanted.matrix[3] = m.d;
  wanted.resolution = SIZEL{p->dpi, p->dpi};
  return wanted;
}

// A span in a font the document does not hold (MuPDF put one of its own in
// its place) goes as a printer DC's font mapper sends it: when the printer
// has a font of that name, the span's characters in that device font, as
// Unicode text from each line's first character with the distances along
// the baseline. False (nothing drawn) when the printer has no such font.
bool SpanAsDeviceText(Player* p, const fz_text_span* span, fz_matrix ctm, eng::Color color, fz_rect bounds) {
  if (!span->font->flags.ft_substitute || span->wmode || fz_font_t3_procs(p->ctx, span->font) ||
      !p->dc->dev_info().cFonts || p->no_device_font.count(span->font))
    return false;
  eng::FontSpec wanted = SpanFontSpec(p, span, ctm);
  if (wanted.face_name.empty() || !p->dc->SelectFont(wanted) || !p->dc->selected_font()->is_device()) {
    p->no_device_font.insert(span->font);
    return false;
  }
  const eng::FontObject& font = *p->dc->selected_font();
  const double len = std::hypot(wanted.matrix[0], wanted.matrix[1]);
  if (!(len > 0)) return false;
  const double ux = wanted.matrix[0] / len, uy = wanted.matrix[1] / len;  // along the baseline
  std::u16string text;
  eng::TextOptions options;
  fz_point start{0, 0}, last{0, 0};
  auto flush = [&]() {
    if (text.empty()) return;
    double dx = 0, dy = 0;
    font.Advance(font.GlyphsOf(text.substr(text.size() - 1))[0], &dx, &dy);
    options.dx.push_back(dx * ux + dy * uy);
    ++p->stats->glyph_strings;
    p->Drawn(p->dc->TextOut(start.x, start.y, text, color, options), bounds);
    text.clear();
    options.dx.clear();
  };
  for (int i = 0; i < span->len && !p->failed; ++i) {
    const fz_text_item& item = span->items[i];
    if (item.ucs <= 0 || item.ucs > 0xFFFF) continue;
    const fz_point at = fz_transform_point_xy(item.x, item.y, ctm);
    // A character off the line of the ones before starts a line of its own.
    if (!text.empty() && std::fabs((at.x - start.x) * uy - (at.y - start.y) * ux) > 0.5) flush();
    if (text.empty()) {
      start = at;
    } else {
      options.dx.push_back((at.x - last.x) * ux + (at.y - last.y) * uy);
    }
    text.push_back(char16_t(item.ucs));
    last = at;
  }
  flush();
  return true;
}

// A span as a string of glyphs in its font; false (nothing drawn) when the
// engine cannot realise the font.
bool SpanAsGlyphs(Player* p, const fz_text_span* span, fz_matrix ctm, eng::Color color, fz_rect bounds) {
  eng::FontBytes bytes = SpanFont(p, span);
  if (!bytes) return false;
  // The document's name names the font when the font file names none.
  eng::FontSpec wanted = SpanFontSpec(p, span, ctm);
  wanted.data = bytes;
  wanted.face_index = int(static_cast<FT_Face>(span->font->ft_face)->face_index & 0xFFFF);
  if (!p->dc->SelectFont(wanted)) return false;
  std::vector<eng::GlyphAt> glyphs;
  for (int i = 0; i < span->len; ++i) {
    const fz_text_item& item = span->items[i];
    if (item.gid < 0) continue;
    const fz_point at = fz_transform_point_xy(item.x, item.y, ctm);
    glyphs.push_back(eng::GlyphAt{uint32_t(item.gid), at.x, at.y, char16_t(item.ucs > 0 ? item.ucs : 0)});
  }
  if (glyphs.empty()) return true;
  ++p->stats->glyph_strings;
  p->Drawn(p->dc->GlyphsOut(glyphs, color), bounds);
  return true;
}

void FillText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_colorspace* cs,
              const float* color, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_fill_text(ctx, p->tile_dev, text, ctm, cs, color, alpha, cp));
  try {
    fz_rect bounds = TextBounds(ctx, text, nullptr, ctm);
    if (alpha < 1) return p->RenderArea(p->Bound(bounds));
    const eng::Color c = p->Color(cs, color, cp);
    // Each span in its font as glyphs; the spans whose font the engine
    // cannot realise as glyph outlines, together as one path.
    eng::Path ep;
    for (const fz_text_span* span = text->head; span; span = span->next) {
      if (SpanAsDeviceText(p, span, ctm, c, bounds) || SpanAsGlyphs(p, span, ctm, c, bounds)) continue;
      if (p->failed) return;
      if (!SpanPath(ctx, span, ctm, &ep)) return p->RenderArea(p->Bound(bounds));
    }
    if (ep.empty()) return;
    ++p->stats->glyph_runs;
    ++p->stats->fills;
    p->Drawn(p->dc->FillPath(ep, c, eng::FillMode::kWinding), bounds);
  } catch (...) {
    p->FailedIn("drawing text");
  }
}

void StrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* st, fz_matrix ctm,
                fz_colorspace* cs, const float* color, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_stroke_text(ctx, p->tile_dev, text, st, ctm, cs, color, alpha, cp));
  try {
    fz_rect bounds = TextBounds(ctx, text, st, ctm);
    eng::Path ep;
    eng::Pen pen;
    if (alpha < 1 || !p->MakePen(st, ctm, &pen) || !TextPath(ctx, text, ctm, &ep))
      return p->RenderArea(p->Bound(bounds));
    if (ep.empty()) return;
    ++p->stats->glyph_runs;
    ++p->stats->strokes;
    p->Drawn(p->dc->StrokePath(ep, pen, p->Color(cs, color, cp)), bounds);
  } catch (...) {
    p->FailedIn("drawing stroked text");
  }
}

void ClipText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm, fz_rect scissor) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_clip_text(ctx, p->tile_dev, text, ctm, scissor); ++p->tile_depth);
  try {
    fz_rect bounds = TextBounds(ctx, text, nullptr, ctm);
    eng::Path ep;
    if (!TextPath(ctx, text, ctm, &ep)) {
      fz_irect saved = p->clip;
      fz_irect area = fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(bounds), 1));
      p->clip = saved;
      return p->Skip(area);
    }
    const int level = p->dc->SaveDC();
    if (ep.empty()) {
      p->dc->IntersectClipRect(RECTL{0, 0, 0, 0});
    } else if (!p->dc->IntersectClipPath(ep, eng::FillMode::kWinding)) {
      p->dc->RestoreDC(level);
      return p->Fail("the engine could not clip to a text");
    }
    ++p->stats->clips;
    p->PushClip(bounds, level);
  } catch (...) {
    p->FailedIn("setting a text clip");
  }
}

void ClipStrokeText(fz_context* ctx, fz_device* dev, const fz_text* text, const fz_stroke_state* st, fz_matrix ctm,
                    fz_rect scissor) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_clip_stroke_text(ctx, p->tile_dev, text, st, ctm, scissor); ++p->tile_depth);
  try {
    p->Skip(fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(TextBounds(ctx, text, st, ctm)), 1)));
  } catch (...) {
    p->FailedIn("setting a stroked text clip");
  }
}

void IgnoreText(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_ignore_text(ctx, p->tile_dev, text, ctm));
}

void FillShade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_fill_shade(ctx, p->tile_dev, shade, ctm, alpha, cp));
  try {
    fz_rect bounds = fz_infinite_rect;
    fz_var(bounds);
    fz_try(ctx) { bounds = fz_bound_shade(ctx, shade, ctm); }
    fz_catch(ctx) { bounds = fz_infinite_rect; }
    p->RenderArea(p->Bound(bounds), "a shading");
  } catch (...) {
    p->FailedIn("drawing a shading");
  }
}

// An image drawn at its own depth: up to 2, 16 or 256 colours go with a
// palette of 1, 4 or 8 bits; more as 24-bit colour, or as 8-bit grey in a
// job that prints black only, as an application draws for a monochrome
// printer.
bool DrawImageAtDepth(Player* p, fz_pixmap* pix, const RECTL& dest) {
  fz_context* ctx = p->ctx;
  const int w = fz_pixmap_width(ctx, pix), h = fz_pixmap_height(ctx, pix);
  const int n = fz_pixmap_components(ctx, pix);
  const ptrdiff_t src_stride = fz_pixmap_stride(ctx, pix);
  const unsigned char* s = fz_pixmap_samples(ctx, pix);
  ColourSet set;
  bool many = false;
  for (int y = 0; y < h && !many; ++y) {
    const unsigned char* row = s + ptrdiff_t(y) * src_stride;
    for (int x = 0; x < w && !many; ++x) many = set.Index(PixelAt(row, n, x)) < 0;
  }
  if (many) return p->DrawPixels(pix, dest, p->grey ? 8 : 24, nullptr);
  const size_t count = set.colours().size();
  return p->DrawPixels(pix, dest, count <= 2 ? 1 : count <= 16 ? 4 : 8, &set);
}

void FillImage(fz_context* ctx, fz_device* dev, fz_image* img, fz_matrix ctm, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_fill_image(ctx, p->tile_dev, img, ctm, alpha, cp));
  try {
    fz_rect bounds = fz_transform_rect(fz_unit_rect, ctm);
    // Upright images without a mask of their own go to the engine; the
    // engine has no alpha, no turning and no mirroring of images.
    const bool upright = ctm.b == 0 && ctm.c == 0 && ctm.a > 0 && ctm.d > 0;
    RECTL dest{LONG(std::lround(ctm.e)), LONG(std::lround(ctm.f)), LONG(std::lround(ctm.e + ctm.a)),
               LONG(std::lround(ctm.f + ctm.d))};
    if (alpha < 1 || img->mask || img->imagemask || !upright || dest.right <= dest.left || dest.bottom <= dest.top)
      return p->RenderArea(p->Bound(bounds), "an image with alpha or a mask, or turned or mirrored");
    // An image with more pixels than the part of its place the clip shows
    // goes as MuPDF draws it there, at the page's resolution; a smaller
    // one with its own pixels.
    const fz_irect seen = fz_intersect_irect(p->clip, fz_irect{dest.left, dest.top, dest.right, dest.bottom});
    if (fz_is_empty_irect(seen)) return;
    fz_pixmap* pix = nullptr;
    if (int64_t(img->w) * img->h > int64_t(seen.x1 - seen.x0) * (seen.y1 - seen.y0)) {
      pix = ImageInArea(ctx, img, ctm, seen, cp);
      dest = RECTL{seen.x0, seen.y0, seen.x1, seen.y1};
    } else {
      pix = ImagePixels(ctx, img, cp);
    }
    if (!pix) return p->RenderArea(p->Bound(bounds), "an image whose pixels MuPDF gave not as colour");
    BOOL ok = FALSE;
    try {
      ok = DrawImageAtDepth(p, pix, dest);
    } catch (...) {
      fz_drop_pixmap(ctx, pix);
      throw;
    }
    fz_drop_pixmap(ctx, pix);
    ++p->stats->images;
    p->Drawn(ok, bounds);
  } catch (...) {
    p->FailedIn("drawing an image");
  }
}

void FillImageMask(fz_context* ctx, fz_device* dev, fz_image* img, fz_matrix ctm, fz_colorspace* cs,
                   const float* color, float alpha, fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_fill_image_mask(ctx, p->tile_dev, img, ctm, cs, color, alpha, cp));
  try {
    const fz_rect bounds = fz_transform_rect(fz_unit_rect, ctm);
    BOOL ok = FALSE;
    if (alpha >= 1 && p->StencilMask(img, ctm, p->Color(cs, color, cp), &ok)) {
      ++p->stats->images;
      return p->Drawn(ok, bounds);
    }
    p->RenderArea(p->Bound(bounds), "a stencil mask");
  } catch (...) {
    p->FailedIn("drawing a stencil mask");
  }
}

void ClipImageMask(fz_context* ctx, fz_device* dev, fz_image* img, fz_matrix ctm, fz_rect scissor) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_clip_image_mask(ctx, p->tile_dev, img, ctm, scissor); ++p->tile_depth);
  try {
    p->Skip(fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(fz_transform_rect(fz_unit_rect, ctm)), 1)),
            "an image-mask clip");
  } catch (...) {
    p->FailedIn("setting an image-mask clip");
  }
}

void PopClip(fz_context* ctx, fz_device* dev) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPop)) return;
  VELM_TILE_FORWARD(fz_pop_clip(ctx, p->tile_dev); --p->tile_depth);
  p->Pop();
}

void BeginMask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity, fz_colorspace* cs, const float* bc,
               fz_color_params cp) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_begin_mask(ctx, p->tile_dev, area, luminosity, cs, bc, cp); ++p->tile_depth);
  // A soft mask: the masked drawing, up to the pop that ends the mask, is
  // MuPDF's. The mask's own area bounds it.
  try {
    p->Skip(fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(area), 1)), "a soft mask");
  } catch (...) {
    p->FailedIn("starting a soft mask");
  }
}

void EndMask(fz_context* ctx, fz_device* dev) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kNone)) return;
  VELM_TILE_FORWARD(fz_end_mask(ctx, p->tile_dev));
}

void BeginGroup(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs, int isolated, int knockout,
                int blendmode, float alpha) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return;
  VELM_TILE_FORWARD(fz_begin_group(ctx, p->tile_dev, area, cs, isolated, knockout, blendmode, alpha);
                    ++p->tile_depth);
  try {
    // A group of plain painting changes nothing and passes through; one
    // that blends, knocks out or fades is drawn as MuPDF's.
    if (blendmode == FZ_BLEND_NORMAL && !knockout && alpha >= 1) {
      p->frames.push_back(Frame{p->clip, 0});
      return;
    }
    p->Skip(fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(area), 1)), "a transparency group");
  } catch (...) {
    p->FailedIn("starting a group");
  }
}

void EndGroup(fz_context* ctx, fz_device* dev) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPop)) return;
  VELM_TILE_FORWARD(fz_end_group(ctx, p->tile_dev); --p->tile_depth);
  p->Pop();
}

// The fewest cells of step pixels that together make a whole number of
// pixels, at most most pixels; 0 when there are none.
int WholeCells(double step, int most) {
  if (!(step > 0)) return 0;
  for (int k = 1; k <= most && k * step <= most + 0.01; ++k) {
    const double span = k * step;
    if (std::fabs(span - std::round(span)) < 0.01 && std::round(span) >= 1) return k;
  }
  return 0;
}

bool BeginTileOn(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep, float ystep,
                 fz_matrix ctm) {
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { fz_begin_tile_id(ctx, dev, area, view, xstep, ystep, ctm, 0); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

bool EndTileOn(fz_context* ctx, fz_device* dev) {
  bool ok = true;
  fz_var(ok);
  fz_try(ctx) { fz_end_tile(ctx, dev); }
  fz_catch(ctx) { ok = false; }
  return ok;
}

// A tiling pattern whose cell is a whole number of pixels, at most the
// largest brush, upright and opaque becomes a pattern brush over the area
// it fills. One whose cells make a whole number of pixels only a few
// together (a cell of 8 points is 66.67 pixels at 600 dpi, three of them
// 200), upright and opaque, becomes an image of the area it fills: that
// block of cells as MuPDF tiles them, repeated. Any other is drawn as
// MuPDF's.
int BeginTile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep, float ystep, fz_matrix ctm,
              int id) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPush)) return 0;
  if (p->tile_dev) {
    fz_try(ctx) {
      fz_begin_tile_id(ctx, p->tile_dev, area, view, xstep, ystep, ctm, 0);
      ++p->tile_depth;
    }
    fz_catch(ctx) { p->Fail("MuPDF could not draw a pattern cell"); }
    return 0;
  }
  (void)id;
  try {
    const fz_irect cover = fz_intersect_irect(p->clip, fz_expand_irect(p->Bound(fz_transform_rect(area, ctm)), 1));
    const double w = std::fabs(double(xstep) * ctm.a), h = std::fabs(double(ystep) * ctm.d);
    const bool fits = ctm.b == 0 && ctm.c == 0 && std::fabs(w - std::round(w)) < 0.01 &&
                      std::fabs(h - std::round(h)) < 0.01 && std::round(w) >= 1 && std::round(h) >= 1 &&
                      std::round(w) <= kMaxPatternCell && std::round(h) <= kMaxPatternCell;
    // Else a block of cells of whole pixels that fits inside the area it
    // fills, a pixel in from the cover's edge (the clip's bounds, a pixel
    // to spare).
    const int across = fits ? 1 : WholeCells(w, kMaxPatternBlock), down = fits ? 1 : WholeCells(h, kMaxPatternBlock);
    const bool block = !fits && !p->banded && ctm.b == 0 && ctm.c == 0 && across && down &&
                       std::lround(across * w) <= cover.x1 - cover.x0 - 2 &&
                       std::lround(down * h) <= cover.y1 - cover.y0 - 2;
    if (!fits && !block) {
      p->Skip(cover, "a tiling pattern no brush can hold");
      return 0;
    }
    fz_irect box;
    if (block) {
      box.x0 = cover.x0 + 1;
      box.y0 = cover.y0 + 1;
    } else {
      // The first cell in device pixels, where pattern space has its origin.
      const fz_rect cell = fz_transform_rect(fz_make_rect(0, 0, xstep, ystep), ctm);
      box.x0 = int(std::lround(cell.x0));
      box.y0 = int(std::lround(cell.y0));
    }
    box.x1 = box.x0 + int(std::lround(across * w));
    box.y1 = box.y0 + int(std::lround(down * h));
    p->tile_pix = RenderList(ctx, nullptr, fz_identity, box, true);
    p->tile_dev = p->tile_pix ? NewDrawDevice(ctx, p->tile_pix) : nullptr;
    // A block: MuPDF's draw device tiles the cell over the area as it tiles
    // it on the page (where the cells fall depends on the area), the block
    // keeping what falls on it.
    p->tile_block = block;
    if (p->tile_dev && block && !BeginTileOn(ctx, p->tile_dev, area, view, xstep, ystep, ctm)) {
      fz_drop_device(ctx, p->tile_dev);
      p->tile_dev = nullptr;
    }
    if (!p->tile_dev) {
      if (p->tile_pix) fz_drop_pixmap(ctx, p->tile_pix);
      p->tile_pix = nullptr;
      p->Fail("MuPDF could not draw a pattern cell");
      return 0;
    }
    p->tile_depth = 1;
    p->tile_cover = cover;
  } catch (...) {
    p->FailedIn("starting a tiling pattern");
  }
  return 0;
}

// The cell drawn: an opaque cell becomes the brush, tiled from the page's
// origin as the engine tiles it (the cell turned so that its corner falls
// where the pattern puts it).
void FinishTile(Player* p) {
  fz_context* ctx = p->ctx;
  fz_device* tdev = p->tile_dev;
  fz_pixmap* pix = p->tile_pix;
  p->tile_dev = nullptr;
  p->tile_pix = nullptr;
  const bool closed = (!p->tile_block || EndTileOn(ctx, tdev)) && CloseDevice(ctx, tdev);
  fz_drop_device(ctx, tdev);
  if (!closed) {
    fz_drop_pixmap(ctx, pix);
    return p->Fail("MuPDF could not draw a pattern cell");
  }
  const int w = fz_pixmap_width(ctx, pix), h = fz_pixmap_height(ctx, pix);
  const int ox = fz_pixmap_x(ctx, pix), oy = fz_pixmap_y(ctx, pix);
  const ptrdiff_t src_stride = fz_pixmap_stride(ctx, pix);
  const unsigned char* s = fz_pixmap_samples(ctx, pix);
  bool opaque = true, black_white = true;
  for (int y = 0; y < h && opaque; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char* q = s + y * src_stride + 4 * x;
      if (q[3] != 255) {
        opaque = false;
        break;
      }
      // Black and white, give or take the faint coverage MuPDF's rounding
      // leaves along an edge that falls on a pixel boundary.
      for (int c = 0; c < 3; ++c)
        if (q[c] > kFaint && q[c] < 255 - kFaint) black_white = false;
      if (std::abs(q[0] - q[1]) > kFaint || std::abs(q[1] - q[2]) > kFaint) black_white = false;
    }
  if (!opaque || (p->tile_block && !p->DrawTiled(pix))) {
    fz_drop_pixmap(ctx, pix);
    return p->RenderArea(p->tile_cover);
  }
  if (p->tile_block) {
    fz_drop_pixmap(ctx, pix);
    ++p->stats->patterns;
    return;
  }
  const int bits = black_white ? 1 : 24;
  const int32_t stride = int32_t((int64_t(w) * bits + 31) / 32 * 4);
  std::vector<uint8_t> rows(size_t(stride) * size_t(h), 0);
  auto mod = [](int a, int m) { return ((a % m) + m) % m; };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Brush pixel (x, y) lies on page pixels (x + k w, y + l h): their
      // colour is the cell's pixel at that place less the cell's corner.
      const unsigned char* q = s + mod(y - oy, h) * src_stride + 4 * mod(x - ox, w);
      uint8_t* d = rows.data() + size_t(y) * size_t(stride);
      if (bits == 1) {
        if (q[0] >= 128) d[x >> 3] |= uint8_t(0x80u >> (x & 7));
      } else {
        d[3 * x] = q[2];
        d[3 * x + 1] = q[1];
        d[3 * x + 2] = q[0];
      }
    }
  fz_drop_pixmap(ctx, pix);
  if (fz_is_empty_irect(p->tile_cover)) return;
  eng::DcBrush brush;
  brush.kind = eng::DcBrush::kPattern;
  brush.pattern = eng::Image{w, h, bits, stride, rows.data()};
  ++p->stats->patterns;
  const fz_irect& c = p->tile_cover;
  p->Drawn(p->dc->PatBlt(RECTL{c.x0, c.y0, c.x1, c.y1}, brush), fz_rect_from_irect(c));
}

void EndTile(fz_context* ctx, fz_device* dev) {
  Player* p = P(dev);
  if (Divert(ctx, p, Nest::kPop)) return;
  if (p->tile_dev) {
    if (--p->tile_depth > 0) {
      fz_try(ctx) { fz_end_tile(ctx, p->tile_dev); }
      fz_catch(ctx) { p->Fail("MuPDF could not draw a pattern cell"); }
      return;
    }
    try {
      FinishTile(p);
    } catch (...) {
      p->FailedIn("drawing a tiling pattern");
    }
  }
}

// Groups and clips without a pop at the end of the page leave the DC as
// it was at the start.
void Unwind(Player* p) {
  if (p->tile_dev) {
    fz_drop_device(p->ctx, p->tile_dev);
    fz_drop_pixmap(p->ctx, p->tile_pix);
    p->tile_dev = nullptr;
    p->tile_pix = nullptr;
  }
  while (!p->frames.empty()) {
    const int level = p->frames.back().dc_level;
    p->frames.pop_back();
    if (level > 0) p->dc->RestoreDC(level);
  }
}

fz_device* NewEngDevice(fz_context* ctx, Player* player) {
  EngDevice* dev = nullptr;
  fz_var(dev);
  fz_try(ctx) { dev = fz_new_derived_device(ctx, EngDevice); }
  fz_catch(ctx) { return nullptr; }
  dev->p = player;
  dev->super.fill_path = FillPath;
  dev->super.stroke_path = StrokePath;
  dev->super.clip_path = ClipPath;
  dev->super.clip_stroke_path = ClipStrokePath;
  dev->super.fill_text = FillText;
  dev->super.stroke_text = StrokeText;
  dev->super.clip_text = ClipText;
  dev->super.clip_stroke_text = ClipStrokeText;
  dev->super.ignore_text = IgnoreText;
  dev->super.fill_shade = FillShade;
  dev->super.fill_image = FillImage;
  dev->super.fill_image_mask = FillImageMask;
  dev->super.clip_image_mask = ClipImageMask;
  dev->super.pop_clip = PopClip;
  dev->super.begin_mask = BeginMask;
  dev->super.end_mask = EndMask;
  dev->super.begin_group = BeginGroup;
  dev->super.end_group = EndGroup;
  dev->super.begin_tile = BeginTile;
  dev->super.end_tile = EndTile;
  return &dev->super;
}

bool RunList(fz_context* ctx, fz_display_list* list, fz_device* dev, fz_matrix ctm, std::string* error) {
  const char* message = nullptr;
  fz_var(message);
  fz_try(ctx) {
    fz_run_display_list(ctx, list, dev, ctm, fz_infinite_rect, nullptr);
    fz_close_device(ctx, dev);
  }
  fz_catch(ctx) { message = fz_caught_message(ctx); }
  if (message) *error = message;
  return !message;
}

fz_display_list* PageList(fz_context* ctx, fz_document* doc, int n, fz_rect* bounds, std::string* error) {
  fz_display_list* list = nullptr;
  fz_page* page = nullptr;
  const char* message = nullptr;
  fz_var(message);
  fz_var(list);
  fz_var(page);
  fz_try(ctx) {
    page = fz_load_page(ctx, doc, n);
    *bounds = fz_bound_page(ctx, page);
    list = fz_new_display_list_from_page(ctx, page);
  }
  fz_always(ctx) { fz_drop_page(ctx, page); }
  fz_catch(ctx) { message = fz_caught_message(ctx); }
  if (message) *error = message;
  return list;
}

}  // namespace

bool PdfDocument::Play(int n, const PlayParams& params, eng::PrinterDc* dc, PlayStats* stats,
                       std::string* error) const {
  if (n < 0 || n >= impl_->pages || params.dpi <= 0 || params.dpi > 4800 || !dc || !stats) {
    if (error) *error = "bad page or resolution";
    return false;
  }
  fz_context* ctx = impl_->ctx;
  std::string why;
  fz_rect page_bounds = fz_empty_rect;
  fz_display_list* list = PageList(ctx, impl_->doc, n, &page_bounds, &why);
  if (!list) {
    if (error) *error = why;
    return false;
  }
  Player player;
  player.ctx = ctx;
  player.list = list;
  player.fonts = &impl_->fonts;
  player.strip_rows = &impl_->strip_rows;
  player.area_samples = &impl_->area_samples;
  const float s = float(params.dpi) / 72.0f;
  player.dpi = params.dpi;
  player.grey = params.grey;
  player.banded = params.banded;
  player.page_ctm = fz_concat(fz_scale(s, s), fz_translate(-float(params.origin_x), -float(params.origin_y)));
  player.dc = dc;
  player.stats = stats;
  player.clip = fz_round_rect(fz_transform_rect(page_bounds, player.page_ctm));
  bool ok = false;
  fz_device* dev = NewEngDevice(ctx, &player);
  if (!dev) {
    why = "cannot start the page's device";
  } else {
    ok = RunList(ctx, list, dev, player.page_ctm, &why);
    fz_drop_device(ctx, dev);
  }
  Unwind(&player);
  fz_drop_display_list(ctx, list);
  if (ok && player.failed) {
    ok = false;
    why = player.error;
  }
  if (!ok && error) *error = why;
  return ok;
}

}  // namespace velm
