// Device contexts and drawing objects of the window layer. A DC is the
// engine's device context on a bitmap (a memory DC's selected bitmap, or the
// bitmap of a window's top-level window), with the state an application
// sets on it: its pens, brushes, font and colours, its clip region and the
// place of its origin on the bitmap. Every pixel comes from the engine.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>

#include "eng/dc.h"
#include "eng/ddi.h"
#include "eng/text.h"
#include "gdi_internal.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "wm.h"

namespace ui::detail {
namespace {

constexpr uint32_t kObjMagic = 0x4A424F47;  // "GOBJ"

enum class Kind : UINT { kPen = 1, kBrush = 2, kFont = 6, kBitmap = 7 };

struct Obj {
  uint32_t magic = kObjMagic;
  Kind kind;
  bool stock = false;
  int selected = 0;  // DCs that hold it
  explicit Obj(Kind k) : kind(k) {}
  virtual ~Obj() = default;
};
struct Pen : Obj {
  Pen() : Obj(Kind::kPen) {}
  INT style = PS_SOLID;
  INT width = 1;
  COLORREF color = 0;
  bool dc_pen = false;  // the stock DC pen: the DC's pen colour
};
struct Brush : Obj {
  Brush() : Obj(Kind::kBrush) {}
  bool hollow = false;
  bool dc_brush = false;  // the stock DC brush: the DC's brush colour
  COLORREF color = 0;
};
struct Font : Obj {
  Font() : Obj(Kind::kFont) {}
  LOGFONTW lf{};
};
struct Bitmap : Obj {
  Bitmap() : Obj(Kind::kBitmap) {}
  std::unique_ptr<Pixmap> pixmap;
  ~Bitmap() override { FreePixmap(pixmap.get()); }
};

struct Saved {
  Pen* pen;
  Brush* brush;
  Font* font;
  COLORREF text, bk, dc_brush, dc_pen;
  INT bk_mode, stretch_mode;
  POINT pos;
  std::vector<RECT> clip;
};

struct Dc {
  HWND window = nullptr;       // a window DC
  Pixmap* pixmap = nullptr;    // where it draws
  Bitmap* bitmap = nullptr;    // a memory DC's selected bitmap
  std::unique_ptr<eng::PrinterDc> eng;
  POINT origin{0, 0};          // the DC's (0, 0) on the bitmap
  RECT limit{0, 0, 0, 0};      // what it may ever paint, on the bitmap
  std::vector<RECT> clip;      // the clip region on the bitmap (disjoint rectangles)
  Pen* pen = nullptr;
  Brush* brush = nullptr;
  Font* font = nullptr;
  COLORREF text = 0;
  COLORREF bk = 0xFFFFFF;
  COLORREF dc_brush = 0xFFFFFF;
  COLORREF dc_pen = 0;
  INT bk_mode = OPAQUE;
  INT stretch_mode = STRETCH_ANDSCANS;
  POINT pos{0, 0};
  std::vector<Saved> saved;
  bool font_tried = false;
  bool font_ok = false;
};

constexpr INT kStockCount = 20;

struct Table {
  std::set<Obj*> objects;
  std::set<Dc*> dcs;
  Obj* stock[kStockCount] = {};
  Brush* sys_brushes[32] = {};
  Bitmap* one_pixel = nullptr;  // a memory DC's bitmap until another is selected
};

Table& Tab() {
  static Table* t = new Table();  // lives for the process, as stock objects do
  return *t;
}

// The classic colours of the machine, by COLOR_* index.
constexpr COLORREF kSysColors[32] = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(49, 106, 197),
    RGB(236, 233, 216), RGB(0, 0, 0)};

Obj* FindObj(HGDIOBJ h) {
  auto* o = static_cast<Obj*>(h);
  return h && Tab().objects.count(o) ? o : nullptr;
}
template <class X>
X* ObjAs(HGDIOBJ h, Kind k) {
  Obj* o = FindObj(h);
  return o && o->kind == k ? static_cast<X*>(o) : nullptr;
}
Dc* FindDc(HDC h) {
  auto* d = static_cast<Dc*>(h);
  return h && Tab().dcs.count(d) ? d : nullptr;
}
template <class X>
X* Keep(X* o) {
  Tab().objects.insert(o);
  return o;
}

Obj* Stock(INT index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  Obj*& slot = Tab().stock[index];
  if (slot) return slot;
  auto brush = [](COLORREF c, bool hollow = false, bool dc = false) {
    auto* b = new Brush;
    b->color = c;
    b->hollow = hollow;
    b->dc_brush = dc;
    return b;
  };
  auto pen = [](COLORREF c, INT style = PS_SOLID, bool dc = false) {
    auto* p = new Pen;
    p->color = c;
    p->style = style;
    p->dc_pen = dc;
    return p;
  };
  Obj* o = nullptr;
  switch (index) {
    case WHITE_BRUSH: o = brush(RGB(255, 255, 255)); break;
    case LTGRAY_BRUSH: o = brush(RGB(192, 192, 192)); break;
    case GRAY_BRUSH: o = brush(RGB(128, 128, 128)); break;
    case DKGRAY_BRUSH: o = brush(RGB(64, 64, 64)); break;
    case BLACK_BRUSH: o = brush(0); break;
    case NULL_BRUSH: o = brush(0, true); break;
    case WHITE_PEN: o = pen(RGB(255, 255, 255)); break;
    case BLACK_PEN: o = pen(0); break;
    case NULL_PEN: o = pen(0, PS_NULL); break;
    case DC_BRUSH: o = brush(0, false, true); break;
    case DC_PEN: o = pen(0, PS_SOLID, true); break;
    case 10: case 11: case 12: case 13: case 14: case 16: case DEFAULT_GUI_FONT: {
      // Every stock font is the machine's UI font (9 points at 96 dots an inch).
      auto* f = new Font;
      f->lf.lfHeight = -12;
      f->lf.lfWeight = 400;
      f->lf.lfCharSet = 1;
      std::u16string face = ui::UiFontFace();
      std::memcpy(f->lf.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1) * sizeof(char16_t));
      o = f;
      break;
    }
    default: return nullptr;
  }
  o->stock = true;
  slot = Keep(o);
  return o;
}

Brush* SysBrush(INT index) {
  if (index < 0 || index >= 32) return nullptr;
  Brush*& slot = Tab().sys_brushes[index];
  if (!slot) {
    slot = Keep(new Brush);
    slot->color = kSysColors[index];
    slot->stock = true;
  }
  return slot;
}

// The colour a brush paints with; false for a hollow brush or none. A
// system colour index plus one stands for its brush, as Windows allows.
bool BrushColor(const Dc& dc, HBRUSH h, COLORREF* c) {
  auto v = reinterpret_cast<uintptr_t>(h);
  if (v >= 1 && v <= 32) {
    *c = kSysColors[v - 1];
    return true;
  }
  Brush* b = ObjAs<Brush>(h, Kind::kBrush);
  if (!b || b->hollow) return false;
  *c = b->dc_brush ? dc.dc_brush : b->color;
  return true;
}
bool PenColor(const Dc& dc, COLORREF* c) {
  if (!dc.pen || dc.pen->style == PS_NULL) return false;
  *c = dc.pen->dc_pen ? dc.dc_pen : dc.pen->color;
  return true;
}

// ---- regions: lists of disjoint rectangles --------------------------------------------------

bool Cut(const RECT& a, const RECT& b, RECT* out) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return false;
  if (out) *out = r;
  return true;
}
std::vector<RECT> RegionCut(const std::vector<RECT>& region, const RECT& by) {
  std::vector<RECT> out;
  RECT r;
  for (const RECT& a : region)
    if (Cut(a, by, &r)) out.push_back(r);
  return out;
}
std::vector<RECT> RegionMinus(const std::vector<RECT>& region, const RECT& hole) {
  std::vector<RECT> out;
  for (const RECT& a : region) {
    RECT in;
    if (!Cut(a, hole, &in)) {
      out.push_back(a);
      continue;
    }
    if (a.top < in.top) out.push_back(RECT{a.left, a.top, a.right, in.top});
    if (in.bottom < a.bottom) out.push_back(RECT{a.left, in.bottom, a.right, a.bottom});
    if (a.left < in.left) out.push_back(RECT{a.left, in.top, in.left, in.bottom});
    if (in.right < a.right) out.push_back(RECT{in.right, in.top, a.right, in.bottom});
  }
  return out;
}
INT RegionKind(const std::vector<RECT>& region) {
  return region.empty() ? NULLREGION : region.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
RECTL ToRectl(const RECT& r) { return RECTL{r.left, r.top, r.right, r.bottom}; }

void ApplyClip(Dc& dc) {
  if (dc.clip.empty()) {
    dc.eng->ClipRect(RECTL{0, 0, 0, 0});
  } else if (dc.clip.size() == 1) {
    dc.eng->ClipRect(ToRectl(dc.clip[0]));
  } else {
    eng::Path p;
    for (const RECT& r : dc.clip) p.Rectangle(r.left, r.top, r.right, r.bottom);
    dc.eng->ClipPath(p, eng::FillMode::kWinding);
  }
}

// A rectangle of the DC on its bitmap, its corners put in order.
RECT OnBitmap(const Dc& dc, LONG l, LONG t, LONG r, LONG b) {
  return RECT{std::min(l, r) + dc.origin.x, std::min(t, b) + dc.origin.y, std::max(l, r) + dc.origin.x,
              std::max(t, b) + dc.origin.y};
}

bool Bind(Dc& dc, Pixmap* pm) {
  auto e = eng::DcOpenBitmap(pm->so);
  if (!e) return false;
  dc.eng = std::move(e);
  dc.pixmap = pm;
  dc.font_tried = false;
  ApplyClip(dc);
  return true;
}

void Hold(Obj* o) {
  if (o) ++o->selected;
}
void Drop(Obj* o) {
  if (o) --o->selected;
}

Dc* NewDc(Pixmap* pm, const RECT& limit, POINT origin) {
  auto dc = std::make_unique<Dc>();
  dc->origin = origin;
  dc->limit = limit;
  dc->clip = {limit};
  if (!Bind(*dc, pm)) return nullptr;
  dc->pen = static_cast<Pen*>(Stock(BLACK_PEN));
  dc->brush = static_cast<Brush*>(Stock(WHITE_BRUSH));
  dc->font = static_cast<Font*>(Stock(DEFAULT_GUI_FONT));
  Hold(dc->pen);
  Hold(dc->brush);
  Hold(dc->font);
  Dc* d = dc.release();
  Tab().dcs.insert(d);
  return d;
}
void FreeDc(Dc* d) {
  ForgetPath(d);
  for (const Saved& s : d->saved) {
    Drop(s.pen);
    Drop(s.brush);
    Drop(s.font);
  }
  Drop(d->pen);
  Drop(d->brush);
  Drop(d->font);
  Drop(d->bitmap);
  Tab().dcs.erase(d);
  delete d;
}

// ---- fonts and text -------------------------------------------------------------------------

bool RealizeFont(Dc& dc) {
  if (dc.font_tried) return dc.font_ok;
  dc.font_tried = true;
  const LOGFONTW& lf = dc.font->lf;
  eng::FontSpec wanted;
  for (size_t i = 0; i < LF_FACESIZE && lf.lfFaceName[i]; ++i) wanted.face_name.push_back(lf.lfFaceName[i]);
  wanted.height = lf.lfHeight ? lf.lfHeight : -12;
  wanted.width = std::abs(lf.lfWidth);
  wanted.weight = lf.lfWeight ? lf.lfWeight : 400;
  wanted.italic = lf.lfItalic != 0;
  wanted.escapement = lf.lfEscapement;
  wanted.resolution = SIZEL{96, 96};
  const std::u16string ui_face = ui::UiFontFace();
  // A face the machine does not have is drawn in its substitute, else in
  // the UI font, as a font mapper falls back to a face it has.
  if (!wanted.face_name.empty() && dc.eng->SelectFont(wanted)) return dc.font_ok = true;
  const std::u16string substitute = ui::SubstituteFontFace(wanted.face_name);
  dc.font_ok = (!substitute.empty() && (wanted.face_name = substitute, dc.eng->SelectFont(wanted))) ||
               (wanted.face_name = ui_face, dc.eng->SelectFont(wanted));
  return dc.font_ok;
}

struct LineMetrics {
  LONG ascent = 0, descent = 0;
  LONG height() const { return ascent + descent; }
};
LineMetrics Metrics(Dc& dc) {
  LineMetrics m;
  if (!RealizeFont(dc)) return m;
  double a = 0, d = 0;
  dc.eng->selected_font()->Verticals(&a, &d);
  m.ascent = LONG(std::lround(a));
  m.descent = LONG(std::lround(d));
  return m;
}
double TextWidth(Dc& dc, std::u16string_view s) {
  if (s.empty() || !RealizeFont(dc)) return 0;
  const eng::FontObject* f = dc.eng->selected_font();
  double w = 0;
  for (HGLYPH g : f->GlyphsOf(s)) {
    double dx = 0, dy = 0;
    f->Advance(g, &dx, &dy);
    w += std::hypot(dx, dy);  // along the baseline, whatever its angle
  }
  return w;
}
LONG Width(Dc& dc, std::u16string_view s) { return LONG(std::lround(TextWidth(dc, s))); }

// Text with the top left of its cell at (x, y) of the DC. With an
// escapement the cell turns about that corner.
bool DrawString(Dc& dc, LONG x, LONG y, std::u16string_view s) {
  if (s.empty()) return true;
  if (!RealizeFont(dc)) return false;
  const LineMetrics m = Metrics(dc);
  eng::TextOptions opt;
  if (dc.font->lf.lfEscapement % 3600 != 0) {
    const TextFrame f = TextFrameOf(dc.font->lf, x + dc.origin.x, y + dc.origin.y, m.ascent);
    if (dc.bk_mode == OPAQUE) {
      const double w = TextWidth(dc, s), h = m.height();
      eng::Path cell;
      cell.MoveTo(x + dc.origin.x, y + dc.origin.y);
      cell.LineTo(x + dc.origin.x + w * f.along_x, y + dc.origin.y + w * f.along_y);
      cell.LineTo(x + dc.origin.x + w * f.along_x + h * f.down_x, y + dc.origin.y + w * f.along_y + h * f.down_y);
      cell.LineTo(x + dc.origin.x + h * f.down_x, y + dc.origin.y + h * f.down_y);
      cell.Close();
      dc.eng->FillPath(cell, EngColor(dc.bk));
    }
    opt.underline = dc.font->lf.lfUnderline != 0;
    opt.strikeout = dc.font->lf.lfStrikeOut != 0;
    return dc.eng->TextOut(f.base_x, f.base_y, s, EngColor(dc.text), opt);
  }
  if (dc.bk_mode == OPAQUE) {
    opt.opaque = true;
    opt.opaque_rect = ToRectl(OnBitmap(dc, x, y, x + Width(dc, s), y + m.height()));
    opt.background = EngColor(dc.bk);
  }
  opt.underline = dc.font->lf.lfUnderline != 0;
  opt.strikeout = dc.font->lf.lfStrikeOut != 0;
  return dc.eng->TextOut(x + dc.origin.x, y + m.ascent + dc.origin.y, s, EngColor(dc.text), opt);
}

bool FillColor(Dc& dc, const RECT& r, COLORREF c) {
  RECT b = OnBitmap(dc, r.left, r.top, r.right, r.bottom);
  if (b.left >= b.right || b.top >= b.bottom) return true;
  return dc.eng->FillRect(ToRectl(b), EngColor(c));
}

// A one-pixel line of the pen from (x0, y0) up to, not including, (x1, y1).
bool PenLine(Dc& dc, LONG x0, LONG y0, LONG x1, LONG y1) {
  COLORREF c;
  if (!PenColor(dc, &c) || (x0 == x1 && y0 == y1)) return true;
  const LONG w = std::max<LONG>(1, dc.pen->width);
  if (y0 == y1) return FillColor(dc, RECT{std::min(x0, x1 + 1), y0, std::max(x0 + 1, x1), y0 + w}, c);
  if (x0 == x1) return FillColor(dc, RECT{x0, std::min(y0, y1 + 1), x0 + w, std::max(y0 + 1, y1)}, c);
  eng::Path p;
  p.MoveTo(x0 + dc.origin.x + 0.5, y0 + dc.origin.y + 0.5);
  p.LineTo(x1 + dc.origin.x + 0.5, y1 + dc.origin.y + 0.5);
  eng::Pen pen;
  pen.width = w > 1 ? w : 0;
  return dc.eng->StrokePath(p, pen, EngColor(c));
}

// Fills a closed path with the brush and strokes it with the pen.
bool FillAndStroke(Dc& dc, const eng::Path& p, bool winding) {
  COLORREF c;
  bool ok = true;
  if (BrushColor(dc, dc.brush, &c))
    ok = dc.eng->FillPath(p, EngColor(c), winding ? eng::FillMode::kWinding : eng::FillMode::kAlternate);
  if (PenColor(dc, &c)) {
    eng::Pen pen;
    pen.width = dc.pen->width > 1 ? dc.pen->width : 0;
    ok = dc.eng->StrokePath(p, pen, EngColor(c)) && ok;
  }
  return ok;
}

bool RopUsesSource(UINT rop3) { return (((rop3 >> 2) ^ rop3) & 0x33) != 0; }
bool RopUsesPattern(UINT rop3) { return (((rop3 >> 4) ^ rop3) & 0x0F) != 0; }

bool Pat(Dc& dc, LONG x, LONG y, LONG w, LONG h, DWORD rop) {
  const UINT rop3 = (rop >> 16) & 0xFF;
  COLORREF c = 0;
  if (RopUsesPattern(rop3) && !BrushColor(dc, dc.brush, &c)) return true;  // a hollow brush paints nothing
  RECT b = OnBitmap(dc, x, y, x + w, y + h);
  if (b.left >= b.right || b.top >= b.bottom) return true;
  eng::DcBrush brush;
  brush.color = EngColor(c);
  return dc.eng->PatBlt(ToRectl(b), brush, rop3 | (rop3 << 8));
}

// Source pixels as a top-down 32-bit image (a copy, so that a DC may copy
// within its own bitmap).
struct SourceCopy {
  std::vector<uint8_t> rows;
  eng::Image image;
};
bool CopySource(const Dc& src, RECT r, SourceCopy* out) {
  const Pixmap& pm = *src.pixmap;
  if (!Cut(r, RECT{0, 0, pm.width, pm.height}, &r)) return false;
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  out->rows.assign(size_t(w) * size_t(h) * 4, 0);
  const int bpp = pm.bits / 8;
  for (LONG y = 0; y < h; ++y) {
    const uint8_t* from = pm.Row(r.top + y) + size_t(r.left) * size_t(bpp);
    uint8_t* to = out->rows.data() + size_t(y) * size_t(w) * 4;
    for (LONG x = 0; x < w; ++x) {
      to[4 * x] = from[bpp * x];
      to[4 * x + 1] = from[bpp * x + 1];
      to[4 * x + 2] = from[bpp * x + 2];
      to[4 * x + 3] = 0xFF;
    }
  }
  out->image.width = w;
  out->image.height = h;
  out->image.bits = 32;
  out->image.stride = w * 4;
  out->image.data = out->rows.data();
  return true;
}

bool Blt(Dc& d, LONG x, LONG y, LONG w, LONG h, HDC src, LONG sx, LONG sy, LONG sw, LONG sh, DWORD rop) {
  const UINT rop3 = (rop >> 16) & 0xFF;
  if (!RopUsesSource(rop3)) return Pat(d, x, y, w, h, rop);
  Dc* s = FindDc(src);
  if (!s || w == 0 || h == 0 || sw <= 0 || sh <= 0) return false;
  RECT want{sx + s->origin.x, sy + s->origin.y, sx + s->origin.x + sw, sy + s->origin.y + sh};
  SourceCopy copy;
  if (!CopySource(*s, want, &copy)) return true;  // nothing of the source on its bitmap
  RECT got{want.left, want.top, want.left + copy.image.width, want.top + copy.image.height};
  // The part of the destination the source's pixels cover.
  const double fx = double(w) / sw, fy = double(h) / sh;
  RECT dest{x + LONG(std::lround((got.left - want.left) * fx)), y + LONG(std::lround((got.top - want.top) * fy)),
            x + LONG(std::lround((got.right - want.left) * fx)), y + LONG(std::lround((got.bottom - want.top) * fy))};
  dest = RECT{dest.left + d.origin.x, dest.top + d.origin.y, dest.right + d.origin.x, dest.bottom + d.origin.y};
  COLORREF brush = 0;
  BrushColor(d, d.brush, &brush);
  return d.eng->DrawImage(copy.image, ToRectl(dest), RECTL{0, 0, copy.image.width, copy.image.height},
                          COLORONCOLOR, rop3 | (rop3 << 8), EngColor(brush));
}

// The dotted frame of the focus: every other pixel of a one-pixel frame,
// inverted.
bool FocusFrame(Dc& dc, const RECT& r) {
  static const uint8_t kDots[8 * 4] = {0xAA, 0, 0, 0, 0x55, 0, 0, 0, 0xAA, 0, 0, 0, 0x55, 0, 0, 0,
                                       0xAA, 0, 0, 0, 0x55, 0, 0, 0, 0xAA, 0, 0, 0, 0x55, 0, 0, 0};
  eng::DcBrush dots;
  dots.kind = eng::DcBrush::kPattern;
  dots.pattern.width = 8;
  dots.pattern.height = 8;
  dots.pattern.bits = 1;
  dots.pattern.stride = 4;
  dots.pattern.data = kDots;
  if (r.right - r.left <= 0 || r.bottom - r.top <= 0) return true;
  const RECT edges[4] = {{r.left, r.top, r.right, r.top + 1},
                         {r.left, r.bottom - 1, r.right, r.bottom},
                         {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                         {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
  bool ok = true;
  for (const RECT& e : edges) {
    RECT b = OnBitmap(dc, e.left, e.top, e.right, e.bottom);
    if (b.left < b.right && b.top < b.bottom) ok = dc.eng->PatBlt(ToRectl(b), dots, 0x5A5A) && ok;
  }
  return ok;
}

// ---- DrawTextW --------------------------------------------------------------------------------

struct TextLine {
  std::u16string text;
  int underline = -1;  // the character under the prefix mark, or -1
};

// Takes the prefix marks out of a line: "&&" is '&', "&x" underlines x.
TextLine StripPrefix(const std::u16string& s, bool keep) {
  TextLine out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (!keep && s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&') out.underline = int(out.text.size());
    }
    out.text.push_back(s[i]);
  }
  return out;
}

// Cuts a line to the width with "..." at its end.
void Ellipsize(Dc& dc, TextLine* line, LONG width) {
  if (Width(dc, line->text) <= width) return;
  std::u16string t = line->text;
  while (!t.empty() && Width(dc, t + u"...") > width) {
    t.pop_back();
    // Never leave half of a surrogate pair.
    if (!t.empty() && t.back() >= 0xD800 && t.back() <= 0xDBFF) t.pop_back();
  }
  line->text = t + u"...";
  if (line->underline >= int(t.size())) line->underline = -1;
}

// Breaks a paragraph into lines of at most width pixels at blanks; a word
// longer than a line stays whole.
std::vector<TextLine> WordBreak(Dc& dc, const TextLine& para, LONG width) {
  std::vector<TextLine> out;
  const std::u16string& s = para.text;
  size_t start = 0;
  while (start < s.size() || out.empty()) {
    size_t end = start, fit = std::u16string::npos;
    while (end < s.size()) {
      size_t next = s.find(u' ', end);
      if (next == std::u16string::npos) next = s.size();
      if (Width(dc, std::u16string_view(s).substr(start, next - start)) > width && fit != std::u16string::npos) break;
      fit = next;
      end = next + (next < s.size() ? 1 : 0);
      if (next == s.size()) break;
    }
    if (fit == std::u16string::npos) fit = s.size();
    TextLine line;
    line.text = s.substr(start, fit - start);
    if (para.underline >= int(start) && para.underline < int(fit)) line.underline = para.underline - int(start);
    out.push_back(line);
    start = fit;
    while (start < s.size() && s[start] == u' ') ++start;
    if (start >= s.size()) break;
  }
  return out;
}

INT DrawTextImpl(Dc& dc, std::u16string text, RECT* rect, UINT format) {
  const bool single = format & DT_SINGLELINE;
  const LineMetrics m = Metrics(dc);
  const LONG lh = std::max<LONG>(1, m.height());
  const LONG width = rect->right - rect->left;
  // Paragraphs, lines, prefixes and ellipses.
  std::vector<std::u16string> paras;
  if (single) {
    std::u16string one;
    for (char16_t c : text)
      if (c != u'\r' && c != u'\n') one.push_back(c);
    paras.push_back(one);
  } else {
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == u'\n') {
        std::u16string p = text.substr(start, i - start);
        if (!p.empty() && p.back() == u'\r') p.pop_back();
        paras.push_back(p);
        start = i + 1;
      }
    }
  }
  std::vector<TextLine> lines;
  for (const std::u16string& p : paras) {
    TextLine stripped = StripPrefix(p, format & DT_NOPREFIX);
    if ((format & DT_WORDBREAK) && !single) {
      for (TextLine& l : WordBreak(dc, stripped, width)) lines.push_back(l);
    } else {
      lines.push_back(stripped);
    }
  }
  if (format & DT_END_ELLIPSIS)
    for (TextLine& l : lines) Ellipsize(dc, &l, width);
  LONG widest = 0;
  for (const TextLine& l : lines) widest = std::max(widest, Width(dc, l.text));
  const LONG total = lh * LONG(lines.size());
  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  LONG y = rect->top;
  if (single && (format & DT_VCENTER)) y = rect->top + (rect->bottom - rect->top - lh) / 2;
  else if (single && (format & DT_BOTTOM)) y = rect->bottom - lh;
  std::vector<RECT> clip = dc.clip;
  if (!(format & DT_NOCLIP)) {
    dc.clip = RegionCut(dc.clip, OnBitmap(dc, rect->left, rect->top, rect->right, rect->bottom));
    ApplyClip(dc);
  }
  for (const TextLine& l : lines) {
    const LONG lw = Width(dc, l.text);
    LONG x = rect->left;
    if (format & DT_CENTER) x = rect->left + (width - lw) / 2;
    else if (format & DT_RIGHT) x = rect->right - lw;
    DrawString(dc, x, y, l.text);
    if (l.underline >= 0 && !(format & DT_HIDEPREFIX)) {
      const LONG ux = x + Width(dc, std::u16string_view(l.text).substr(0, size_t(l.underline)));
      const LONG uw = Width(dc, std::u16string_view(l.text).substr(size_t(l.underline), 1));
      FillColor(dc, RECT{ux, y + m.ascent + 1, ux + uw, y + m.ascent + 2}, dc.text);
    }
    y += lh;
  }
  if (!(format & DT_NOCLIP)) {
    dc.clip = std::move(clip);
    ApplyClip(dc);
  }
  return y - rect->top;
}

std::u16string Counted(LPCWSTR text, INT count) {
  if (!text) return {};
  if (count < 0) return std::u16string(text);
  return std::u16string(text, size_t(count));
}

}  // namespace

std::unique_ptr<Pixmap> NewPixmap(LONG width, LONG height, int bits, bool bottom_up, uint8_t* caller_bits) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384 || (bits != 24 && bits != 32)) return nullptr;
  auto p = std::make_unique<Pixmap>();
  p->width = width;
  p->height = height;
  p->bits = bits;
  p->stride = ((width * bits + 31) / 32) * 4;
  p->bottom_up = bottom_up;
  if (caller_bits) {
    p->data = caller_bits;
  } else {
    p->own.assign(size_t(p->stride) * size_t(height), 0);
    p->data = p->own.data();
  }
  p->eng_bitmap = EngCreateBitmap(SIZEL{width, height}, p->stride, bits == 32 ? BMF_32BPP : BMF_24BPP,
                                  bottom_up ? 0 : BMF_TOPDOWN, p->data);
  if (!p->eng_bitmap) return nullptr;
  p->so = EngLockSurface(p->eng_bitmap);
  if (!p->so) {
    EngDeleteSurface(p->eng_bitmap);
    return nullptr;
  }
  return p;
}

void FreePixmap(Pixmap* p) {
  if (!p) return;
  if (p->so) EngUnlockSurface(p->so);
  if (p->eng_bitmap) EngDeleteSurface(p->eng_bitmap);
  p->so = nullptr;
  p->eng_bitmap = nullptr;
}

HDC OpenWindowDc(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  WindowTarget t;
  if (!AcquireWindowTarget(window, &t)) return nullptr;
  Dc* d = NewDc(t.pixmap, t.visible, t.origin);
  if (!d) {
    ReleaseWindowTarget(window, t.pixmap);
    return nullptr;
  }
  d->window = window;
  return d;
}

bool CloseWindowDc(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !d->window) return false;
  ReleaseWindowTarget(d->window, d->pixmap);
  FreeDc(d);
  return true;
}

bool IsWindowDcOf(HDC dc, HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  return d && d->window == window;
}

bool GetDcParts(HDC dc, DcParts* parts, bool with_font) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !parts) return false;
  *parts = DcParts{};
  parts->eng = d->eng.get();
  parts->origin = d->origin;
  parts->font = d->font->lf;
  parts->pen = PenColor(*d, &parts->pen_color);
  parts->pen_width = d->pen ? std::max<LONG>(1, d->pen->width) : 1;
  parts->brush = BrushColor(*d, d->brush, &parts->brush_color);
  if (with_font) {
    parts->font_ok = RealizeFont(*d);
    if (parts->font_ok) parts->ascent = Metrics(*d).ascent;
  }
  return true;
}

TextFrame TextFrameOf(const LOGFONTW& font, double x, double y, double ascent) {
  TextFrame f;
  const LONG e = font.lfEscapement % 3600;
  if (e % 900 == 0) {  // exact quarter turns
    const int q = int((e / 900 + 4) % 4);
    f.along_x = q == 0 ? 1 : q == 2 ? -1 : 0;
    f.along_y = q == 1 ? -1 : q == 3 ? 1 : 0;
  } else {
    const double t = e / 10.0 * M_PI / 180.0;
    f.along_x = std::cos(t);
    f.along_y = -std::sin(t);
  }
  // Down the glyphs: the baseline's direction turned a quarter clockwise on
  // the screen.
  f.down_x = -f.along_y;
  f.down_y = f.along_x;
  f.base_x = x + ascent * f.down_x;
  f.base_y = y + ascent * f.down_y;
  return f;
}

LRESULT DefaultCtlColor(UINT message, HDC dc) {
  const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(field ? COLOR_WINDOW : COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(field ? COLOR_WINDOW : COLOR_BTNFACE));
}

}  // namespace ui::detail

using namespace ui::detail;

namespace ui {

const char16_t* UiFontFace() {
  static const char16_t* face = [] {
    // The machine's own copy first, then the host's.
    const std::string candidates[] = {plat::MapPath(u"C:\\Windows\\Fonts\\ipagp.ttf"),
                                      "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"};
    for (const std::string& path : candidates)
      if (eng::FontBytes bytes = eng::ReadFontFile(path); bytes && eng::RegisterFontFile(bytes)) break;
    return u"IPAPGothic";
  }();
  return face;
}

COLORREF WindowPixel(HWND window, INT x, INT y) {
  HDC dc = OpenWindowDc(window);
  if (!dc) return CLR_INVALID;
  COLORREF c = GetPixel(dc, x, y);
  CloseWindowDc(dc);
  return c;
}

}  // namespace ui

extern "C" {

HDC CreateCompatibleDC(HDC) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Table& t = Tab();
  if (!t.one_pixel) {
    auto* b = new Bitmap;
    b->pixmap = NewPixmap(1, 1, 32, false, nullptr);
    if (!b->pixmap) {
      delete b;
      return nullptr;
    }
    b->stock = true;
    t.one_pixel = Keep(b);
  }
  Dc* d = NewDc(t.one_pixel->pixmap.get(), RECT{0, 0, 1, 1}, POINT{0, 0});
  if (!d) return nullptr;
  d->bitmap = t.one_pixel;
  Hold(d->bitmap);
  return d;
}

BOOL DeleteDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || d->window) return FALSE;
  FreeDc(d);
  return TRUE;
}

INT SaveDC(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return 0;
  d->saved.push_back(Saved{d->pen, d->brush, d->font, d->text, d->bk, d->dc_brush, d->dc_pen, d->bk_mode,
                           d->stretch_mode, d->pos, d->clip});
  Hold(d->pen);
  Hold(d->brush);
  Hold(d->font);
  return INT(d->saved.size());
}

BOOL RestoreDC(HDC dc, INT saved) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return FALSE;
  const INT n = INT(d->saved.size());
  const INT level = saved < 0 ? n + 1 + saved : saved;
  if (level < 1 || level > n) return FALSE;
  while (INT(d->saved.size()) > level) {
    Saved& s = d->saved.back();
    Drop(s.pen);
    Drop(s.brush);
    Drop(s.font);
    d->saved.pop_back();
  }
  Saved s = d->saved.back();
  d->saved.pop_back();
  Drop(d->pen);
  Drop(d->brush);
  Drop(d->font);
  if (d->font != s.font) d->font_tried = false;
  d->pen = s.pen;
  d->brush = s.brush;
  d->font = s.font;
  d->text = s.text;
  d->bk = s.bk;
  d->dc_brush = s.dc_brush;
  d->dc_pen = s.dc_pen;
  d->bk_mode = s.bk_mode;
  d->stretch_mode = s.stretch_mode;
  d->pos = s.pos;
  d->clip = RegionCut(s.clip, d->limit);
  ApplyClip(*d);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, INT width, INT height) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto* b = new Bitmap;
  b->pixmap = NewPixmap(std::max(width, 1), std::max(height, 1), 32, false, nullptr);
  if (!b->pixmap) {
    delete b;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return Keep(b);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || section || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
      info->bmiHeader.biCompression != BI_RGB ||
      (info->bmiHeader.biBitCount != 24 && info->bmiHeader.biBitCount != 32) || info->bmiHeader.biHeight == INT32_MIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const LONG h = info->bmiHeader.biHeight;
  auto* b = new Bitmap;
  b->pixmap = NewPixmap(info->bmiHeader.biWidth, std::abs(h), info->bmiHeader.biBitCount, h > 0, nullptr);
  if (!b->pixmap) {
    delete b;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (bits) *bits = b->pixmap->data;
  return Keep(b);
}

HPEN CreatePen(INT style, INT width, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto* p = new Pen;
  p->style = style & 0xF;
  p->width = std::max(width, 1);
  p->color = color & 0xFFFFFF;
  return Keep(p);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  auto* b = new Brush;
  b->color = color & 0xFFFFFF;
  return Keep(b);
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!font) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto* f = new Font;
  f->lf = *font;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return Keep(f);
}

HGDIOBJ GetStockObject(INT index) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return Stock(index);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  Obj* o = FindObj(object);
  if (!d || !o) return nullptr;
  auto swap = [&](auto*& slot) -> HGDIOBJ {
    auto* old = slot;
    Drop(old);
    slot = static_cast<std::remove_reference_t<decltype(slot)>>(o);
    Hold(o);
    return old;
  };
  switch (o->kind) {
    case Kind::kPen: return swap(d->pen);
    case Kind::kBrush: return swap(d->brush);
    case Kind::kFont:
      d->font_tried = false;
      return swap(d->font);
    case Kind::kBitmap: {
      auto* b = static_cast<Bitmap*>(o);
      // Only a memory DC takes a bitmap, and a bitmap is in one DC at a time.
      if (d->window || (b->selected && !b->stock && b != d->bitmap)) return nullptr;
      Pixmap* pm = b->pixmap.get();
      d->origin = POINT{0, 0};
      d->limit = RECT{0, 0, pm->width, pm->height};
      d->clip = {d->limit};
      if (!Bind(*d, pm)) return nullptr;
      return swap(d->bitmap);
    }
  }
  return nullptr;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return nullptr;
  switch (Kind(kind)) {
    case Kind::kPen: return d->pen;
    case Kind::kBrush: return d->brush;
    case Kind::kFont: return d->font;
    case Kind::kBitmap: return d->bitmap;
  }
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ object) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Obj* o = FindObj(object);
  if (!o) return DeletePalette(object) ? TRUE : FALSE;
  if (o->stock) return TRUE;  // stock objects stay
  if (o->selected) return FALSE;
  Tab().objects.erase(o);
  delete o;
  return TRUE;
}

INT GetObjectW(HGDIOBJ object, INT size, void* buffer) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Obj* o = FindObj(object);
  if (!o) return 0;
  if (o->kind == Kind::kBitmap) {
    if (!buffer) return INT(sizeof(BITMAP));
    if (size < INT(sizeof(BITMAP))) return 0;
    const Pixmap& pm = *static_cast<Bitmap*>(o)->pixmap;
    BITMAP bm{0, pm.width, pm.height, pm.stride, 1, WORD(pm.bits), pm.data};
    std::memcpy(buffer, &bm, sizeof bm);
    return INT(sizeof bm);
  }
  if (o->kind == Kind::kFont) {
    if (!buffer) return INT(sizeof(LOGFONTW));
    const INT n = std::min<INT>(size, INT(sizeof(LOGFONTW)));
    if (n <= 0) return 0;
    std::memcpy(buffer, &static_cast<Font*>(o)->lf, size_t(n));
    return n;
  }
  return 0;
}

DWORD GetSysColor(INT index) { return index >= 0 && index < 32 ? kSysColors[index] : 0; }

HBRUSH GetSysColorBrush(INT index) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  return SysBrush(index);
}

#define DC_FIELD_SETTER(Name, Type, field, fail)           \
  Type Name(HDC dc, Type value) {                          \
    std::lock_guard<std::recursive_mutex> lock(Lock());   \
    Dc* d = FindDc(dc);                                    \
    if (!d) return fail;                                   \
    Type old = d->field;                                   \
    d->field = value;                                      \
    return old;                                            \
  }
#define DC_FIELD_GETTER(Name, Type, field, fail)          \
  Type Name(HDC dc) {                                     \
    std::lock_guard<std::recursive_mutex> lock(Lock());  \
    Dc* d = FindDc(dc);                                   \
    return d ? d->field : fail;                           \
  }
DC_FIELD_SETTER(SetTextColor, COLORREF, text, CLR_INVALID)
DC_FIELD_GETTER(GetTextColor, COLORREF, text, CLR_INVALID)
DC_FIELD_SETTER(SetBkColor, COLORREF, bk, CLR_INVALID)
DC_FIELD_GETTER(GetBkColor, COLORREF, bk, CLR_INVALID)
DC_FIELD_GETTER(GetBkMode, INT, bk_mode, 0)
DC_FIELD_SETTER(SetStretchBltMode, INT, stretch_mode, 0)
DC_FIELD_SETTER(SetDCBrushColor, COLORREF, dc_brush, CLR_INVALID)
DC_FIELD_SETTER(SetDCPenColor, COLORREF, dc_pen, CLR_INVALID)
#undef DC_FIELD_SETTER
#undef DC_FIELD_GETTER

INT SetBkMode(HDC dc, INT mode) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  INT old = d->bk_mode;
  d->bk_mode = mode;
  return old;
}

BOOL SetBrushOrgEx(HDC dc, INT, INT, POINT* previous) {
  // Brushes here are plain colours: their origin changes nothing.
  if (previous) *previous = POINT{0, 0};
  return GetBkMode(dc) != 0;
}

INT ExcludeClipRect(HDC dc, INT left, INT top, INT right, INT bottom) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return ERROR_REGION;
  d->clip = RegionMinus(d->clip, OnBitmap(*d, left, top, right, bottom));
  ApplyClip(*d);
  return RegionKind(d->clip);
}

INT IntersectClipRect(HDC dc, INT left, INT top, INT right, INT bottom) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return ERROR_REGION;
  d->clip = RegionCut(d->clip, OnBitmap(*d, left, top, right, bottom));
  ApplyClip(*d);
  return RegionKind(d->clip);
}

INT GetClipBox(HDC dc, RECT* rect) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !rect) return ERROR_REGION;
  RECT box{0, 0, 0, 0};
  for (size_t i = 0; i < d->clip.size(); ++i) {
    const RECT& r = d->clip[i];
    box = i == 0 ? r
                 : RECT{std::min(box.left, r.left), std::min(box.top, r.top), std::max(box.right, r.right),
                        std::max(box.bottom, r.bottom)};
  }
  if (!d->clip.empty())
    box = RECT{box.left - d->origin.x, box.top - d->origin.y, box.right - d->origin.x, box.bottom - d->origin.y};
  *rect = box;
  return RegionKind(d->clip);
}

BOOL BitBlt(HDC dest, INT x, INT y, INT width, INT height, HDC src, INT src_x, INT src_y, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dest);
  return d && Blt(*d, x, y, width, height, src, src_x, src_y, width, height, rop);
}

BOOL StretchBlt(HDC dest, INT x, INT y, INT width, INT height, HDC src, INT src_x, INT src_y, INT src_width,
                INT src_height, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dest);
  return d && Blt(*d, x, y, width, height, src, src_x, src_y, src_width, src_height, rop);
}

BOOL PatBlt(HDC dc, INT x, INT y, INT width, INT height, DWORD rop) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  return d && Pat(*d, x, y, width, height, rop);
}

INT FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  COLORREF c;
  if (!d || !rect || !BrushColor(*d, brush, &c)) return 0;
  return FillColor(*d, *rect, c) ? 1 : 0;
}

INT FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  COLORREF c;
  if (!d || !rect || !BrushColor(*d, brush, &c)) return 0;
  const RECT& r = *rect;
  if (r.left >= r.right || r.top >= r.bottom) return 1;
  bool ok = FillColor(*d, RECT{r.left, r.top, r.right, r.top + 1}, c);
  ok = FillColor(*d, RECT{r.left, r.bottom - 1, r.right, r.bottom}, c) && ok;
  ok = FillColor(*d, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, c) && ok;
  ok = FillColor(*d, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, c) && ok;
  return ok ? 1 : 0;
}

BOOL InvertRect(HDC dc, const RECT* rect) {
  if (!rect) return FALSE;
  return PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  return d && rect && FocusFrame(*d, *rect);
}

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !rect) return FALSE;
  // Each of the two rings: (top-left colour, bottom-right colour).
  struct Ring {
    UINT raised, sunken;
    INT raised_tl, raised_br, sunken_tl, sunken_br;
  };
  const Ring rings[2] = {{BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DSHADOW,
                          COLOR_BTNHIGHLIGHT},
                         {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_3DSHADOW, COLOR_3DDKSHADOW,
                          COLOR_3DLIGHT}};
  RECT& r = *rect;
  bool ok = true;
  for (const Ring& ring : rings) {
    if (!(edge & (ring.raised | ring.sunken))) continue;
    const bool raised = edge & ring.raised;
    const COLORREF tl = GetSysColor(raised ? ring.raised_tl : ring.sunken_tl);
    const COLORREF br = GetSysColor(raised ? ring.raised_br : ring.sunken_br);
    if (flags & BF_TOP) ok = FillColor(*d, RECT{r.left, r.top, r.right, r.top + 1}, tl) && ok;
    if (flags & BF_LEFT) ok = FillColor(*d, RECT{r.left, r.top, r.left + 1, r.bottom}, tl) && ok;
    if (flags & BF_BOTTOM) ok = FillColor(*d, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br) && ok;
    if (flags & BF_RIGHT) ok = FillColor(*d, RECT{r.right - 1, r.top, r.right, r.bottom}, br) && ok;
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
  }
  return ok;
}

BOOL Rectangle(HDC dc, INT left, INT top, INT right, INT bottom) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return FALSE;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  COLORREF c;
  bool ok = true;
  LONG w = 0;
  if (PenColor(*d, &c)) {
    // The pen's frame lies inside the rectangle.
    w = std::max<LONG>(1, d->pen->width);
    ok = FillColor(*d, RECT{r.left, r.top, r.right, r.top + w}, c);
    ok = FillColor(*d, RECT{r.left, r.bottom - w, r.right, r.bottom}, c) && ok;
    ok = FillColor(*d, RECT{r.left, r.top + w, r.left + w, r.bottom - w}, c) && ok;
    ok = FillColor(*d, RECT{r.right - w, r.top + w, r.right, r.bottom - w}, c) && ok;
  }
  if (BrushColor(*d, d->brush, &c)) ok = FillColor(*d, RECT{r.left + w, r.top + w, r.right - w, r.bottom - w}, c) && ok;
  return ok;
}

BOOL Ellipse(HDC dc, INT left, INT top, INT right, INT bottom) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return FALSE;
  const double cx = (left + right) / 2.0 + d->origin.x, cy = (top + bottom) / 2.0 + d->origin.y;
  const double rx = std::abs(right - left) / 2.0 - 0.5, ry = std::abs(bottom - top) / 2.0 - 0.5;
  const double k = 0.5522847498;  // the control distance of a quarter circle
  eng::Path p;
  p.MoveTo(cx + rx, cy);
  p.BezierTo(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
  p.BezierTo(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
  p.BezierTo(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
  p.BezierTo(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
  p.Close();
  return FillAndStroke(*d, p, false);
}

BOOL Polygon(HDC dc, const POINT* points, INT count) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !points || count < 2) return FALSE;
  eng::Path p;
  for (INT i = 0; i < count; ++i) {
    const double x = points[i].x + d->origin.x + 0.5, y = points[i].y + d->origin.y + 0.5;
    if (i == 0) p.MoveTo(x, y);
    else p.LineTo(x, y);
  }
  p.Close();
  return FillAndStroke(*d, p, false);
}

BOOL MoveToEx(HDC dc, INT x, INT y, POINT* previous) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return FALSE;
  if (previous) *previous = d->pos;
  d->pos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, INT x, INT y) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return FALSE;
  bool ok = PathIsOpen(dc) ? PathAddLine(dc, d->pos, POINT{x, y}) : PenLine(*d, d->pos.x, d->pos.y, x, y);
  d->pos = POINT{x, y};
  return ok;
}

COLORREF SetPixel(HDC dc, INT x, INT y, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return CLR_INVALID;
  return FillColor(*d, RECT{x, y, x + 1, y + 1}, color) ? (color & 0xFFFFFF) : CLR_INVALID;
}

COLORREF GetPixel(HDC dc, INT x, INT y) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d) return CLR_INVALID;
  const LONG bx = x + d->origin.x, by = y + d->origin.y;
  if (!Cut(d->limit, RECT{bx, by, bx + 1, by + 1}, nullptr)) return CLR_INVALID;
  const uint8_t* p = d->pixmap->Row(by) + size_t(bx) * size_t(d->pixmap->bits / 8);
  return RGB(p[2], p[1], p[0]);
}

BOOL TextOutW(HDC dc, INT x, INT y, LPCWSTR text, INT count) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || (!text && count > 0) || count < 0) return FALSE;
  if (PathIsOpen(dc)) return PathAddText(dc, x, y, Counted(text, count));
  return DrawString(*d, x, y, Counted(text, count));
}

INT DrawTextW(HDC dc, LPCWSTR text, INT count, RECT* rect, UINT format) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !text || !rect) return 0;
  return DrawTextImpl(*d, Counted(text, count), rect, format);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, INT count, SIZE* size) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !size || count < 0 || (!text && count > 0) || !RealizeFont(*d)) return FALSE;
  *size = SIZE{Width(*d, Counted(text, count)), Metrics(*d).height()};
  return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Dc* d = FindDc(dc);
  if (!d || !tm || !RealizeFont(*d)) return FALSE;
  const LineMetrics m = Metrics(*d);
  *tm = TEXTMETRICW{};
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmHeight = m.height();
  const LONG em = std::abs(d->font->lf.lfHeight ? d->font->lf.lfHeight : -12);
  tm->tmInternalLeading = std::max<LONG>(0, m.height() - em);
  tm->tmAveCharWidth = Width(*d, u"x");
  tm->tmMaxCharWidth = std::max(Width(*d, u"W"), Width(*d, u"\u3042"));
  tm->tmWeight = d->font->lf.lfWeight ? d->font->lf.lfWeight : 400;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x30FB;
  tm->tmBreakChar = 0x20;
  tm->tmItalic = d->font->lf.lfItalic;
  tm->tmUnderlined = d->font->lf.lfUnderline;
  tm->tmStruckOut = d->font->lf.lfStrikeOut;
  tm->tmPitchAndFamily = 0x26;  // variable pitch, TrueType, modern
  tm->tmCharSet = 128;          // SHIFTJIS_CHARSET
  return TRUE;
}

}  // extern "C"
