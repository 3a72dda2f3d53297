// The job preview: the block frame walked here, each run of data blocks read
// into records by the job reader (which checks every size and field), then
// every record of the chosen page drawn from its own bytes.
#include "job_render.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>

#include "jobreader/jobreader.h"

namespace jobrender {

namespace {

constexpr uint8_t kDataBlock = 0xF5;

// ---- bounded little-endian reads of one record ---------------------------------------

class Bytes {
 public:
  Bytes(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  size_t size() const { return n_; }
  const uint8_t* at(size_t i) const { return p_ + i; }
  bool Has(size_t at, size_t len) const { return at <= n_ && len <= n_ - at; }
  uint8_t U8(size_t i) const { return i < n_ ? p_[i] : 0; }
  uint16_t U16(size_t i) const { return Has(i, 2) ? uint16_t(p_[i] | p_[i + 1] << 8) : 0; }
  int16_t I16(size_t i) const { return int16_t(U16(i)); }
  uint32_t U32(size_t i) const {
    return Has(i, 4) ? uint32_t(p_[i]) | uint32_t(p_[i + 1]) << 8 | uint32_t(p_[i + 2]) << 16 |
                           uint32_t(p_[i + 3]) << 24
                     : 0;
  }
  int32_t I32(size_t i) const { return int32_t(U32(i)); }

 private:
  const uint8_t* p_;
  size_t n_;
};

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
};

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return !(right > left && bottom > top); }
};

// A path of a path record, a clip path or a glyph outline, in device pixels.
struct Segment {
  bool curve = false;
  double pt[6] = {};
};
struct Subpath {
  double x = 0, y = 0;
  std::vector<Segment> segments;
};
struct Path {
  std::vector<Subpath> subpaths;
  Box Bounds() const {
    Box b{1e300, 1e300, -1e300, -1e300};
    auto add = [&](double x, double y) {
      b.left = std::min(b.left, x);
      b.top = std::min(b.top, y);
      b.right = std::max(b.right, x);
      b.bottom = std::max(b.bottom, y);
    };
    for (const Subpath& s : subpaths) {
      add(s.x, s.y);
      for (const Segment& seg : s.segments) {
        for (int k = 0; k < (seg.curve ? 3 : 1); ++k) add(seg.pt[2 * k], seg.pt[2 * k + 1]);
      }
    }
    return b;
  }
};

// Subpaths from `from` to the end of the record; points are 28.4 fixed point,
// moved by (dx, dy) pixels. False when a subpath or segment is cut off or a
// segment type is unknown.
bool ReadSubpaths(const Bytes& r, size_t from, double dx, double dy, Path* out) {
  size_t at = from;
  while (at < r.size()) {
    if (!r.Has(at, 12)) return false;
    const uint32_t count = r.U32(at);
    Subpath sub;
    sub.x = r.I32(at + 4) / 16.0 + dx;
    sub.y = r.I32(at + 8) / 16.0 + dy;
    at += 12;
    for (uint32_t i = 0; i < count; ++i) {
      if (!r.Has(at, 4)) return false;
      const uint32_t type = r.U32(at);
      if (type > 1) return false;
      const int points = type == 1 ? 3 : 1;
      if (!r.Has(at + 4, size_t(points) * 8)) return false;
      Segment seg;
      seg.curve = type == 1;
      for (int k = 0; k < points; ++k) {
        seg.pt[2 * k] = r.I32(at + 4 + 8 * k) / 16.0 + dx;
        seg.pt[2 * k + 1] = r.I32(at + 8 + 8 * k) / 16.0 + dy;
      }
      sub.segments.push_back(seg);
      at += 4 + size_t(points) * 8;
    }
    out->subpaths.push_back(std::move(sub));
  }
  return true;
}

void AppendPath(cairo_t* cr, const Path& path, bool close) {
  for (const Subpath& s : path.subpaths) {
    cairo_move_to(cr, s.x, s.y);
    for (const Segment& seg : s.segments) {
      if (seg.curve) {
        cairo_curve_to(cr, seg.pt[0], seg.pt[1], seg.pt[2], seg.pt[3], seg.pt[4], seg.pt[5]);
      } else {
        cairo_line_to(cr, seg.pt[0], seg.pt[1]);
      }
    }
    if (close) cairo_close_path(cr);
  }
}

// ---- glyph data ---------------------------------------------------------------------

// Plain rows, or the compressed form: tokens of a head byte (bit 7 repeat,
// bits 3-6 zero count, bits 0-2 count field), the extensions of a zero count
// of 15 and a count field of 7 (bytes of 255 while they last, then one below
// 255), then one repeated byte or the literal bytes. Zero bytes that end the
// glyph are not coded. False when the data say more than the glyph holds.
bool ExpandGlyphData(const uint8_t* data, size_t size, uint8_t coding, size_t plain, std::vector<uint8_t>* out) {
  out->assign(plain, 0);
  if (coding == 0) {
    std::memcpy(out->data(), data, std::min(size, plain));
    return size == plain;
  }
  if (coding != 2) return false;
  size_t in = 0, w = 0;
  auto extension = [&](uint64_t* value) {
    for (;;) {
      if (in >= size) return false;
      const uint8_t b = data[in++];
      *value += b;
      if (*value > plain + 255) return false;
      if (b != 255) return true;
    }
  };
  while (in < size) {
    const uint8_t head = data[in++];
    uint64_t zeros = (head >> 3) & 0x0F;
    uint64_t count = head & 0x07;
    if (zeros == 15 && !extension(&zeros)) return false;
    if (count == 7) {
      count = 8;
      if (!extension(&count)) return false;
    } else {
      count += 1;
    }
    if (zeros > plain - w) return false;
    w += size_t(zeros);
    if (head & 0x80) {
      if (in >= size || count + 1 > plain - w) return false;
      std::memset(out->data() + w, data[in++], size_t(count + 1));
      w += size_t(count + 1);
    } else {
      if (count > size - in || count > plain - w) return false;
      std::memcpy(out->data() + w, data + in, size_t(count));
      in += size_t(count);
      w += size_t(count);
    }
  }
  return true;
}

struct Glyph {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rows;  // (width + 7) / 8 bytes a row
};

// ---- text ----------------------------------------------------------------------------

std::string Cp932ToUtf8(const std::string& text) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == iconv_t(-1)) return text;
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  char* o = out.data();
  size_t o_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &o, &o_left) == size_t(-1)) {
      if (errno != EILSEQ && errno != EINVAL) break;
      ++in;  // a byte code page 932 does not know is left out
      --in_left;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - o_left);
  return out;
}

void AppendUtf8(std::string* out, uint32_t c) {
  if (c < 0x80) {
    out->push_back(char(c));
  } else if (c < 0x800) {
    out->push_back(char(0xC0 | c >> 6));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(char(0xE0 | c >> 12));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  } else {
    out->push_back(char(0xF0 | c >> 18));
    out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(char(0x80 | (c & 0x3F)));
  }
}

// Character codes of text records are UTF-16 units: one character each, a
// surrogate pair joined with its partner (which then draws nothing).
std::vector<std::string> CharsToUtf8(const std::vector<uint16_t>& codes) {
  std::vector<std::string> out(codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    uint32_t c = codes[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < codes.size() && codes[i + 1] >= 0xDC00 && codes[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (codes[i + 1] - 0xDC00);
      AppendUtf8(&out[i], c);
      ++i;
      continue;
    }
    if ((c >= 0xD800 && c < 0xE000) || c == 0) continue;
    AppendUtf8(&out[i], c);
  }
  return out;
}

struct Font {
  bool valid = false;
  int kind = 0;  // 2 character codes, 4 outlines, 5 downloaded glyphs
  bool vertical = false;
  bool bold = false;
  bool italic = false;
  int angle = 0;  // escapement, counter-clockwise degrees
  double emWidth = 0, emHeight = 0;
  std::string face;  // UTF-8, without the vertical '@'
  int cacheKey = 0;  // glyph-cache identity of the downloaded font
};

// The stand-in face for a face name: the IPA faces for the printer's
// Japanese fonts and for Japanese text in a face this machine may lack, the
// face itself otherwise (fontconfig picks the nearest).
std::string StandInFace(const Font& font, bool wide_text) {
  std::string f = font.face;
  // A document's embedded subset ("ABCDEF+Name") is matched by its name.
  if (f.size() > 7 && f[6] == '+' && std::all_of(f.begin(), f.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; })) {
    f.erase(0, 7);
  }
  // "Family-Style" or "Family,Style": the style comes from the weight and the
  // flags; fontconfig matches the family ignoring blanks and case.
  const size_t style = f.find_first_of("-,");
  if (style != std::string::npos && style > 0) f.erase(style);
  auto has = [&](const char* s) { return f.find(s) != std::string::npos; };
  if (has("ｺﾞｼｯｸ") || has("ゴシック") || has("Gothic") || has("GOTHIC")) return "IPAGothic";
  if (has("明朝") || has("Mincho") || has("MINCHO")) return "IPAMincho";
  bool ascii = true;
  for (unsigned char c : f) ascii = ascii && c < 0x80;
  if (wide_text || !ascii || f.empty()) {
    return (has("Sans") || has("sans") || has("Arial") || has("Helvetica")) ? "IPAGothic" : "IPAMincho";
  }
  return f;
}

// ---- raster operations --------------------------------------------------------------

// One byte of a ROP3: for each bit, the code's bit at index pattern*4 +
// source*2 + destination. The printer reads 0xFF as black and 0x00 as white
// (the driver's table sends R2_BLACK as 0xFF, R2_WHITE as 0x00).
uint8_t Rop3(uint8_t rop, uint8_t p, uint8_t s, uint8_t d) {
  if (rop == 0xFF) return 0x00;
  if (rop == 0x00) return 0xFF;
  uint8_t r = 0;
  for (int idx = 0; idx < 8; ++idx) {
    if (!((rop >> idx) & 1)) continue;
    r |= uint8_t((idx & 4 ? p : ~p) & (idx & 2 ? s : ~s) & (idx & 1 ? d : ~d));
  }
  return r;
}

bool RopUsesPattern(uint8_t rop) { return ((rop >> 4) & 0x0F) != (rop & 0x0F); }

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
struct PatternDeleter {
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// ---- the page ---------------------------------------------------------------------------

class Page {
 public:
  Page(int width, int height, double sx, double sy, std::vector<std::string>* warnings)
      : width_(width), height_(height), sx_(sx), sy_(sy), warnings_(warnings) {
    surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    cr_.reset(cairo_create(surface_.get()));
    cairo_set_source_rgb(cr_.get(), 1, 1, 1);
    cairo_paint(cr_.get());
    cairo_scale(cr_.get(), sx, sy);
  }

  bool Ok() const {
    return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS && cairo_status(cr_.get()) == CAIRO_STATUS_SUCCESS;
  }

  // Draws one record of the page, or takes its state. Every read is bounded
  // by the record's bytes.
  void Record(const Bytes& r);

  Picture Take() {
    cairo_surface_flush(surface_.get());
    Picture pic;
    pic.width = width_;
    pic.height = height_;
    pic.rgb.resize(size_t(width_) * size_t(height_) * 3);
    const uint8_t* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    for (int y = 0; y < height_; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * size_t(stride));
      uint8_t* out = pic.rgb.data() + size_t(y) * size_t(width_) * 3;
      for (int x = 0; x < width_; ++x) {
        out[3 * x] = uint8_t(row[x] >> 16);
        out[3 * x + 1] = uint8_t(row[x] >> 8);
        out[3 * x + 2] = uint8_t(row[x]);
      }
    }
    return pic;
  }

 private:
  using Step = std::function<void(cairo_t*)>;

  void Warn(const std::string& what) {
    if (warned_.insert(what).second) warnings_->push_back(what);
  }

  // Draws with the current clip and ROP: source sets the paint, shape
  // builds and paints the figure; box bounds the figure in device pixels of
  // the job.
  void Draw(const Box& box, const Step& source, const Step& shape);
  void ApplyClip(cairo_t* cr) const;
  void SetFillSource(cairo_t* cr) const;
  void SetColour(cairo_t* cr, const Rgb& c) const { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }
  void SetStroke(cairo_t* cr) const;

  void RectRecord(const Bytes& r);
  void PathRecord(const Bytes& r);
  void ImageRecord(const Bytes& r);
  void ColourRecord(const Bytes& r);
  void PatternRecord(const Bytes& r);
  void FontSelectRecord(const Bytes& r);
  void CellRecord(const Bytes& r);
  void StringRecord(const Bytes& r);
  void GlyphBitmapRecord(const Bytes& r);
  void GlyphDefineRecord(const Bytes& r);
  void GlyphRunRecord(const Bytes& r);
  void DrawGlyph(const Glyph& glyph, double left, double top);
  bool ReadGlyph(const Bytes& r, size_t data_at, uint32_t length, uint32_t width, uint32_t height, uint8_t coding,
                 Glyph* out);
  void DrawText(const std::vector<uint16_t>& codes, double x, double y, const std::vector<double>& offsets);

  int width_, height_;
  double sx_, sy_;
  std::vector<std::string>* warnings_;
  std::set<std::string> warned_;
  SurfacePtr surface_;
  ContextPtr cr_;

  // Graphics state, as a page starts.
  Rgb fg_{0, 0, 0}, bg_{255, 255, 255}, third_{0, 0, 0};
  bool hasThird_ = false;
  uint8_t rop_ = 0xCC;
  bool opaque_ = false;
  bool pattern_ = false;
  bool pattern24_ = false;
  int patternSide_ = 0;
  std::vector<uint8_t> patternData_;
  int lineWidth_ = 1;
  uint32_t dashMask_ = 0xFFFFFFFF;
  int dashUnit_ = 1;
  int dashOffset_ = 0;
  int cap_ = 0;
  int join_ = 0;
  double miter_ = 10;
  enum { kNoClip, kRectClip, kPathClip } clipKind_ = kNoClip;
  Box clipRect_;
  Path clipPath_;
  Font font_;
  std::map<std::vector<uint8_t>, int> fontKeys_;
  std::map<std::pair<int, uint16_t>, Glyph> glyphs_;
};

void Page::ApplyClip(cairo_t* cr) const {
  if (clipKind_ == kRectClip) {
    cairo_rectangle(cr, clipRect_.left, clipRect_.top, clipRect_.right - clipRect_.left,
                    clipRect_.bottom - clipRect_.top);
    cairo_clip(cr);
  } else if (clipKind_ == kPathClip) {
    cairo_new_path(cr);
    AppendPath(cr, clipPath_, true);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_clip(cr);
  }
}

void Page::Draw(const Box& box, const Step& source, const Step& shape) {
  const uint8_t rop = rop_;
  if (rop == 0xAA) return;  // the destination as it is
  cairo_t* cr = cr_.get();
  if (rop == 0xCC || rop == 0xF0 || rop == 0xFF || rop == 0x00) {
    cairo_save(cr);
    ApplyClip(cr);
    if (rop == 0xFF || rop == 0x00) {
      const uint8_t v = rop == 0xFF ? 0 : 255;
      SetColour(cr, Rgb{v, v, v});
    } else {
      source(cr);
    }
    shape(cr);
    cairo_restore(cr);
    return;
  }
  // Any other ROP: the figure drawn alone into a bounded layer, then combined
  // pixel by pixel with the page (its coverage blends the result).
  Box dev{std::floor(box.left * sx_) - 2, std::floor(box.top * sy_) - 2, std::ceil(box.right * sx_) + 2,
          std::ceil(box.bottom * sy_) + 2};
  dev.left = std::max(dev.left, 0.0);
  dev.top = std::max(dev.top, 0.0);
  dev.right = std::min(dev.right, double(width_));
  dev.bottom = std::min(dev.bottom, double(height_));
  if (dev.Empty()) return;
  const int lx = int(dev.left), ly = int(dev.top), lw = int(dev.right) - lx, lh = int(dev.bottom) - ly;
  auto layer = [&](bool with_shape) {
    SurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, lw, lh));
    ContextPtr c(cairo_create(s.get()));
    cairo_translate(c.get(), -lx, -ly);
    cairo_scale(c.get(), sx_, sy_);
    if (with_shape) {
      ApplyClip(c.get());
      source(c.get());
      shape(c.get());
    } else {
      SetFillSource(c.get());
      cairo_paint(c.get());
    }
    cairo_surface_flush(s.get());
    return s;
  };
  SurfacePtr src = layer(true);
  SurfacePtr pat = RopUsesPattern(rop) ? layer(false) : nullptr;
  if (cairo_surface_status(src.get()) != CAIRO_STATUS_SUCCESS) {
    Warn("a drawing with ROP could not be drawn (no memory for its layer)");
    return;
  }
  cairo_surface_flush(surface_.get());
  uint8_t* page = cairo_image_surface_get_data(surface_.get());
  const int page_stride = cairo_image_surface_get_stride(surface_.get());
  const uint8_t* sdata = cairo_image_surface_get_data(src.get());
  const int sstride = cairo_image_surface_get_stride(src.get());
  const uint8_t* pdata = pat ? cairo_image_surface_get_data(pat.get()) : nullptr;
  const int pstride = pat ? cairo_image_surface_get_stride(pat.get()) : 0;
  for (int y = 0; y < lh; ++y) {
    auto* d = reinterpret_cast<uint32_t*>(page + size_t(ly + y) * size_t(page_stride)) + lx;
    const auto* s = reinterpret_cast<const uint32_t*>(sdata + size_t(y) * size_t(sstride));
    const auto* p = pdata ? reinterpret_cast<const uint32_t*>(pdata + size_t(y) * size_t(pstride)) : nullptr;
    for (int x = 0; x < lw; ++x) {
      const uint32_t a = s[x] >> 24;
      if (a == 0) continue;
      uint32_t out = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t sv = std::min<uint32_t>(255, ((s[x] >> shift) & 0xFF) * 255 / a);
        uint32_t pv = fg_.b;
        if (p) {
          const uint32_t pa = p[x] >> 24;
          pv = pa ? std::min<uint32_t>(255, ((p[x] >> shift) & 0xFF) * 255 / pa) : 255;
        } else {
          pv = shift == 16 ? fg_.r : shift == 8 ? fg_.g : fg_.b;
        }
        const uint32_t dv = (d[x] >> shift) & 0xFF;
        const uint32_t rv = Rop3(rop, uint8_t(pv), uint8_t(sv), uint8_t(dv));
        const uint32_t mixed = (rv * a + dv * (255 - a) + 127) / 255;
        out |= mixed << shift;
      }
      d[x] = out;
    }
  }
  cairo_surface_mark_dirty(surface_.get());
}

// The paint of fills: the brush pattern when the last pattern record holds
// one (set bits in the foreground colour, clear bits in the background colour
// when the background is opaque, else left alone), the foreground colour
// otherwise.
void Page::SetFillSource(cairo_t* cr) const {
  if (!pattern_ || patternSide_ <= 0) {
    SetColour(cr, fg_);
    return;
  }
  const int n = patternSide_;
  SurfacePtr tile(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, n, n));
  cairo_surface_flush(tile.get());
  uint8_t* data = cairo_image_surface_get_data(tile.get());
  const int stride = cairo_image_surface_get_stride(tile.get());
  if (!data) {
    SetColour(cr, fg_);
    return;
  }
  for (int y = 0; y < n; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < n; ++x) {
      uint32_t px = 0;
      if (pattern24_) {
        const size_t i = (size_t(y) * size_t(n) + size_t(x)) * 3;
        if (i + 2 < patternData_.size()) {
          px = 0xFF000000u | uint32_t(patternData_[i + 2]) << 16 | uint32_t(patternData_[i + 1]) << 8 | patternData_[i];
        }
      } else {
        const size_t i = size_t(y) * size_t(n / 8) + size_t(x / 8);
        const bool set = i < patternData_.size() && (patternData_[i] & (0x80 >> (x % 8)));
        const Rgb c = set ? fg_ : bg_;
        if (set || opaque_) px = 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
      }
      row[x] = px;
    }
  }
  cairo_surface_mark_dirty(tile.get());
  PatternPtr pat(cairo_pattern_create_for_surface(tile.get()));
  cairo_pattern_set_extend(pat.get(), CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pat.get(), CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, pat.get());
}

// Line attributes of strokes: the width (at least one pixel of the picture),
// the 32-step dash mask (most significant bit first, drawn steps set) of
// dash-unit pixels a step starting at the dash offset, end cap and join.
void Page::SetStroke(cairo_t* cr) const {
  const double min_width = 1.0 / std::min(sx_, sy_);
  cairo_set_line_width(cr, std::max(double(lineWidth_), min_width));
  cairo_set_line_cap(cr, cap_ == 0 ? CAIRO_LINE_CAP_ROUND : cap_ == 1 ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_SQUARE);
  cairo_set_line_join(cr, join_ == 0 ? CAIRO_LINE_JOIN_ROUND : join_ == 1 ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr, std::max(1.0, miter_));
  if (dashMask_ == 0xFFFFFFFF || dashMask_ == 0) {
    cairo_set_dash(cr, nullptr, 0, 0);
    return;
  }
  auto bit = [&](int step) { return (dashMask_ >> (31 - (step % 32))) & 1; };
  // Start the dash array at the first drawn step that follows a gap.
  int start = 0;
  while (!(bit(start) && !bit(start + 31))) ++start;
  std::vector<double> dashes;
  int run = 0;
  uint32_t cur = 1;
  for (int k = 0; k < 32; ++k) {
    const uint32_t b = bit(start + k);
    if (b == cur) {
      ++run;
    } else {
      dashes.push_back(run * double(dashUnit_));
      cur = b;
      run = 1;
    }
  }
  dashes.push_back(run * double(dashUnit_));
  if (dashes.size() % 2) dashes.push_back(0);
  const double offset = double(((dashOffset_ - start) % 32 + 32) % 32) * dashUnit_;
  cairo_set_dash(cr, dashes.data(), int(dashes.size()), offset);
}

void Page::Record(const Bytes& r) {
  const uint8_t op = r.U8(0);
  switch (op) {
    case 0x10: RectRecord(r); break;
    case 0x11:
    case 0x12: PathRecord(r); break;
    case 0x20: ImageRecord(r); break;
    case 0x30: ColourRecord(r); break;
    case 0x31: rop_ = r.U8(1); break;
    case 0x32: opaque_ = r.U8(1) == 2; break;
    case 0x33:
      dashUnit_ = std::max<int>(1, r.U8(1));
      lineWidth_ = std::max<int>(1, r.I16(2));
      dashMask_ = r.U32(4);
      break;
    case 0x34: dashOffset_ = r.U8(1) % 32; break;
    case 0x35: cap_ = r.U8(1); break;
    case 0x36:
      join_ = r.U8(1);
      miter_ = r.U32(4) / 256.0;
      break;
    case 0x37: clipKind_ = kNoClip; break;
    case 0x40: PatternRecord(r); break;
    case 0x50:
    case 0x56: FontSelectRecord(r); break;
    case 0x51: CellRecord(r); break;
    case 0x52: StringRecord(r); break;
    case 0x53:
    case 0x57: GlyphBitmapRecord(r); break;
    case 0x54: GlyphDefineRecord(r); break;
    case 0x55: GlyphRunRecord(r); break;
    case 0x60:
    case 0x61: break;
    default: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "record 0x%02X is not drawn", op);
      Warn(buf);
    }
  }
}

void Page::RectRecord(const Bytes& r) {
  const uint8_t kind = r.U8(2);
  Box b{double(r.I32(8)), double(r.I32(12)), double(r.I32(16)), double(r.I32(20))};
  if (kind == 5) {
    clipKind_ = kRectClip;
    clipRect_ = b;
    return;
  }
  if (kind != 1) {
    Warn("rectangle kind " + std::to_string(kind) + " is not drawn");
    return;
  }
  if (b.Empty()) return;
  Draw(b, [this](cairo_t* cr) { SetFillSource(cr); },
       [b](cairo_t* cr) {
         cairo_rectangle(cr, b.left, b.top, b.right - b.left, b.bottom - b.top);
         cairo_fill(cr);
       });
}

void Page::PathRecord(const Bytes& r) {
  const int use = r.U8(2) & 0x07;
  const bool closed = r.U8(2) & 0x08;
  Path path;
  if (!ReadSubpaths(r, 28, 0, 0, &path)) {
    Warn("a path record whose subpaths run past its end is not drawn");
    return;
  }
  if (path.subpaths.empty()) return;
  if (use == 5) {
    clipKind_ = kPathClip;
    clipPath_ = std::move(path);
    return;
  }
  if (use > 5) {
    Warn("path use " + std::to_string(use) + " is not drawn");
    return;
  }
  Box box = path.Bounds();
  const bool fill = use >= 1;
  const bool stroke = use == 0 || use >= 3;
  const bool winding = use == 2 || use == 4;
  // A path both stroked and filled has the fill's colour as its third
  // colour and the pen's as the foreground.
  const bool third_fill = use >= 3 && hasThird_;
  if (fill) {
    Draw(box,
         [this, third_fill](cairo_t* cr) {
           if (third_fill) {
             SetColour(cr, third_);
           } else {
             SetFillSource(cr);
           }
         },
         [&path, winding](cairo_t* cr) {
           AppendPath(cr, path, true);
           cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
           cairo_fill(cr);
         });
  }
  if (stroke) {
    const double grow = lineWidth_ * std::max(miter_, 2.0) + 2;
    Box sbox{box.left - grow, box.top - grow, box.right + grow, box.bottom + grow};
    Draw(sbox, [this](cairo_t* cr) { SetColour(cr, fg_); },
         [this, &path, closed, use](cairo_t* cr) {
           AppendPath(cr, path, closed || use >= 3);
           SetStroke(cr);
           cairo_stroke(cr);
         });
  }
}

void Page::ColourRecord(const Bytes& r) {
  const uint8_t flags = r.U8(2);
  size_t at = 4;
  fg_ = Rgb{r.U8(at), r.U8(at + 1), r.U8(at + 2)};
  at += 3;
  bg_ = Rgb{255, 255, 255};
  if (flags & 0x08) {
    bg_ = Rgb{r.U8(at), r.U8(at + 1), r.U8(at + 2)};
    at += 3;
  }
  hasThird_ = flags & 0x10;
  if (hasThird_) third_ = Rgb{r.U8(at), r.U8(at + 1), r.U8(at + 2)};
}

void Page::PatternRecord(const Bytes& r) {
  const uint8_t flags = r.U8(1);
  const int side = r.U8(2);
  const uint16_t n = r.U16(4);
  pattern_ = (flags & 0x80) && side > 0 && r.Has(6, n);
  pattern24_ = flags & 0x01;
  patternSide_ = side;
  patternData_.assign(r.at(6), r.at(6) + (pattern_ ? n : 0));
}

void Page::ImageRecord(const Bytes& r) {
  const uint8_t format = r.U8(2);
  const int depth = format & 0x0F;
  const bool grey = format & 0x10;
  const bool no_palette = format & 0x20;
  const int bits = depth == 0 ? 1 : depth == 1 ? 4 : depth == 2 ? 8 : depth == 4 ? 24 : 0;
  if (bits == 0) {
    Warn("image depth code " + std::to_string(depth) + " is not drawn");
    return;
  }
  const uint32_t width = r.U32(32), rows = r.U32(36);
  const int32_t left = r.I32(40), top = r.I32(44), dst_w = r.I32(48), dst_h = r.I32(52);
  const int32_t src_x = r.I32(24), src_y = r.I32(28);
  if (width == 0 || rows == 0 || dst_w == 0 || dst_h == 0) return;
  if (width > uint32_t(kMaxSide) || rows > uint32_t(kMaxSide)) {
    Warn("an image of more than " + std::to_string(kMaxSide) + " pixels a side is not drawn");
    return;
  }
  const uint32_t entries = no_palette ? 0 : depth == 0 ? 2 : depth == 1 ? 16 : (depth == 2 && !grey) ? 256 : 0;
  const uint64_t row_bytes = (uint64_t(width) * uint64_t(bits) + 31) / 32 * 4;
  const size_t data_at = 56 + 3 * size_t(entries);
  if (!r.Has(data_at, size_t(row_bytes * rows))) {
    Warn("an image record shorter than its rows is not drawn");
    return;
  }
  SurfacePtr img(cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(width), int(rows)));
  if (cairo_surface_status(img.get()) != CAIRO_STATUS_SUCCESS) {
    Warn("an image could not be drawn (no memory for it)");
    return;
  }
  cairo_surface_flush(img.get());
  uint8_t* out = cairo_image_surface_get_data(img.get());
  const int stride = cairo_image_surface_get_stride(img.get());
  const uint32_t levels = bits == 24 ? 0 : (1u << bits) - 1;
  auto colour = [&](uint32_t index) -> uint32_t {
    if (entries) {
      if (index >= entries) return 0;
      const uint8_t* e = r.at(56 + 3 * size_t(index));
      return uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
    }
    const uint32_t v = index * 255 / levels;  // grey levels, the highest white
    return v << 16 | v << 8 | v;
  };
  for (uint32_t y = 0; y < rows; ++y) {
    const uint8_t* row = r.at(data_at + size_t(row_bytes) * y);
    auto* o = reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(stride));
    for (uint32_t x = 0; x < width; ++x) {
      switch (bits) {
        case 1: o[x] = colour((row[x / 8] >> (7 - x % 8)) & 1); break;
        case 4: o[x] = colour((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F); break;
        case 8: o[x] = colour(row[x]); break;
        default: o[x] = uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x]; break;
      }
    }
  }
  cairo_surface_mark_dirty(img.get());

  // The destination: left and top its corner, a negative width or height a
  // mirrored transfer. Data cut to size (origin 0, 0) are stretched over it;
  // otherwise the data pixel at the origin lands on the corner one to one.
  const double w = std::abs(double(dst_w)), h = std::abs(double(dst_h));
  Box box{double(left), double(top), left + w, top + h};
  cairo_matrix_t m;
  if (src_x == 0 && src_y == 0) {
    const double xx = width / w, yy = rows / h;
    cairo_matrix_init(&m, dst_w < 0 ? -xx : xx, 0, 0, dst_h < 0 ? -yy : yy, dst_w < 0 ? width + left * xx : -left * xx,
                      dst_h < 0 ? rows + top * yy : -top * yy);
  } else {
    cairo_matrix_init(&m, 1, 0, 0, 1, double(src_x) - left, double(src_y) - top);
  }
  // Data pixels per pixel of the picture: smooth when shrinking, sharp else.
  const double shrink = std::max(std::abs(m.xx) / sx_, std::abs(m.yy) / sy_);
  PatternPtr pat(cairo_pattern_create_for_surface(img.get()));
  cairo_pattern_set_matrix(pat.get(), &m);
  cairo_pattern_set_filter(pat.get(), shrink > 1.01 ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_pattern_set_extend(pat.get(), CAIRO_EXTEND_PAD);
  cairo_pattern_t* p = pat.get();
  // Whole pixels of the picture: images that meet (the bands of a page)
  // leave no seam between them.
  Draw(box, [p](cairo_t* cr) { cairo_set_source(cr, p); },
       [box](cairo_t* cr) {
         cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
         cairo_rectangle(cr, box.left, box.top, box.right - box.left, box.bottom - box.top);
         cairo_fill(cr);
       });
}

// ---- text records ----------------------------------------------------------------------

void Page::FontSelectRecord(const Bytes& r) {
  const bool device = r.U8(0) == 0x56;
  const uint16_t flags = r.U16(4);
  Font f;
  f.valid = true;
  f.kind = (flags & 0x0008) ? 2 : (flags & 0x0200) ? 4 : 5;
  f.vertical = flags & 0x0080;
  f.italic = flags & 0x0001;
  f.bold = (flags & 0x0022) || r.U16(6) >= 600;
  f.angle = r.U16(8) % 360;
  f.emWidth = r.U16(10);
  f.emHeight = r.U16(12);
  const size_t name_at = device ? 32 : 24;
  std::string name;
  for (size_t i = name_at; i < r.size() && r.U8(i); ++i) name.push_back(char(r.U8(i)));
  if (!name.empty() && name[0] == '@') name.erase(0, 1);
  f.face = Cp932ToUtf8(name);
  // Downloaded glyphs belong to the font their select record names.
  std::vector<uint8_t> key(r.at(0), r.at(0) + r.size());
  auto it = fontKeys_.emplace(std::move(key), int(fontKeys_.size())).first;
  f.cacheKey = it->second;
  font_ = f;
}

// Characters of a string at their offsets along the writing direction from
// the first cell's top-left (x, y), in the stand-in face at the font's em
// size, turned by its escapement.
void Page::DrawText(const std::vector<uint16_t>& codes, double x, double y, const std::vector<double>& offsets) {
  if (!font_.valid) {
    Warn("text before any font select is not drawn");
    return;
  }
  if (font_.emHeight <= 0) return;
  bool wide = false;
  for (uint16_t c : codes) wide = wide || c >= 0x2E80;
  const std::string face = StandInFace(font_, wide);
  const std::vector<std::string> chars = CharsToUtf8(codes);
  const double em_w = font_.emWidth > 0 ? font_.emWidth : font_.emHeight;
  const double a = font_.angle * M_PI / 180.0;
  const double dx = std::cos(a), dy = -std::sin(a);  // along the text
  const double nx = std::sin(a), ny = std::cos(a);   // down the cell
  double reach = 0;
  for (double o : offsets) reach = std::max(reach, std::abs(o));
  const double span = reach + 2 * std::max(em_w, font_.emHeight);
  Box box{x - span, y - span, x + span, y + span};
  Draw(box, [this](cairo_t* cr) { SetColour(cr, fg_); },
       [&](cairo_t* cr) {
         cairo_select_font_face(cr, face.c_str(), font_.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                font_.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
         cairo_matrix_t fm;
         cairo_matrix_init_scale(&fm, em_w, font_.emHeight);
         cairo_set_font_matrix(cr, &fm);
         cairo_font_extents_t fe;
         cairo_font_extents(cr, &fe);
         const double ascent = std::min(fe.ascent, font_.emHeight);
         for (size_t i = 0; i < chars.size() && i < offsets.size(); ++i) {
           if (chars[i].empty()) continue;
           double ox = x + offsets[i] * (font_.vertical ? 0 : dx);
           double oy = y + offsets[i] * (font_.vertical ? 1 : dy);
           ox += ascent * nx;
           oy += ascent * ny;
           cairo_save(cr);
           cairo_translate(cr, ox, oy);
           cairo_rotate(cr, -a);
           cairo_move_to(cr, 0, 0);
           cairo_show_text(cr, chars[i].c_str());
           cairo_restore(cr);
         }
       });
}

void Page::StringRecord(const Bytes& r) {
  const bool per_char = r.U8(2) & 0x80;
  const uint32_t count = r.U16(32);
  const uint32_t advances = per_char ? count : 1;
  if (!r.Has(36, 2 * size_t(advances) + 2 * size_t(count))) return;
  std::vector<uint16_t> codes(count);
  std::vector<double> offsets(count);
  double pos = 0;
  for (uint32_t i = 0; i < count; ++i) {
    codes[i] = r.U16(36 + 2 * size_t(advances) + 2 * size_t(i));
    offsets[i] = pos;
    pos += r.I16(36 + 2 * size_t(per_char ? i : 0));
  }
  DrawText(codes, r.I32(24), r.I32(28), offsets);
}

void Page::CellRecord(const Bytes& r) {
  const double x = r.I32(24), y = r.I32(28);
  if (r.U8(2) == 0) {
    DrawText({r.U16(32)}, x, y, {0.0});
    return;
  }
  // A glyph outline: points relative to the glyph box's top-left.
  Path path;
  if (!ReadSubpaths(r, 40, x, y, &path)) {
    Warn("a glyph outline that runs past its record is not drawn");
    return;
  }
  if (path.subpaths.empty()) return;
  Draw(path.Bounds(), [this](cairo_t* cr) { SetColour(cr, fg_); },
       [&path](cairo_t* cr) {
         AppendPath(cr, path, true);
         cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
         cairo_fill(cr);
       });
}

bool Page::ReadGlyph(const Bytes& r, size_t data_at, uint32_t length, uint32_t width, uint32_t height,
                     uint8_t coding, Glyph* out) {
  if (width == 0 || height == 0) return false;
  if (width > 8192 || height > 8192) {
    Warn("a glyph of more than 8192 pixels a side is not drawn");
    return false;
  }
  if (!r.Has(data_at, length)) return false;
  out->width = width;
  out->height = height;
  const size_t plain = size_t((width + 7) / 8) * height;
  if (!ExpandGlyphData(r.at(data_at), length, coding, plain, &out->rows)) {
    Warn("glyph data that do not fit the glyph's size are not drawn");
    return false;
  }
  return true;
}

void Page::DrawGlyph(const Glyph& glyph, double left, double top) {
  SurfacePtr mask(cairo_image_surface_create(CAIRO_FORMAT_A8, int(glyph.width), int(glyph.height)));
  if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return;
  cairo_surface_flush(mask.get());
  uint8_t* data = cairo_image_surface_get_data(mask.get());
  const int stride = cairo_image_surface_get_stride(mask.get());
  const uint32_t row_bytes = (glyph.width + 7) / 8;
  for (uint32_t y = 0; y < glyph.height; ++y) {
    for (uint32_t x = 0; x < glyph.width; ++x) {
      const bool set = glyph.rows[size_t(y) * row_bytes + x / 8] & (0x80 >> (x % 8));
      data[size_t(y) * size_t(stride) + x] = set ? 0xFF : 0;
    }
  }
  cairo_surface_mark_dirty(mask.get());
  cairo_surface_t* m = mask.get();
  Box box{left, top, left + glyph.width, top + glyph.height};
  Draw(box, [this](cairo_t* cr) { SetColour(cr, fg_); },
       [m, left, top](cairo_t* cr) { cairo_mask_surface(cr, m, left, top); });
}

void Page::GlyphBitmapRecord(const Bytes& r) {
  const bool keep = r.U8(0) == 0x53;
  const uint8_t flags = r.U8(2);
  const double left = r.I32(36), top = r.I32(40);
  const uint32_t width = r.U32(44), height = r.U32(48), length = r.U32(52);
  const uint16_t code = r.U16(60);
  const auto key = std::make_pair(font_.cacheKey, code);
  if ((flags & 0x40) || length == 0) {
    auto it = glyphs_.find(key);
    if (it == glyphs_.end()) {
      Warn("a glyph sent earlier on the page was never defined");
      return;
    }
    DrawGlyph(it->second, left, top);
    return;
  }
  Glyph glyph;
  if (!ReadGlyph(r, r.U32(32), length, width, height, r.U8(62), &glyph)) return;
  DrawGlyph(glyph, left, top);
  if (keep) glyphs_[key] = std::move(glyph);
}

void Page::GlyphDefineRecord(const Bytes& r) {
  Glyph glyph;
  if (!ReadGlyph(r, 28, r.U32(8), r.U32(12), r.U32(16), r.U8(26), &glyph)) return;
  glyphs_[std::make_pair(font_.cacheKey, r.U16(24))] = std::move(glyph);
}

void Page::GlyphRunRecord(const Bytes& r) {
  const uint32_t count = r.U16(32);
  double x = r.I32(24), y = r.I32(28);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = 36 + 6 * size_t(i);
    if (!r.Has(at, 6)) return;
    x += r.I16(at);
    y += r.I16(at + 2);
    auto it = glyphs_.find(std::make_pair(font_.cacheKey, r.U16(at + 4)));
    if (it == glyphs_.end()) {
      Warn("a glyph run names a glyph never defined on the page");
      continue;
    }
    DrawGlyph(it->second, x, y);
  }
}

// ---- the job -----------------------------------------------------------------------------

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

// The grey of the margin a printer cannot print on.
constexpr uint8_t kMarginGrey = 200;

// The paper a page start names (@PJL SET PAPER = NAME and ORIENTATION), in
// millimetres portrait; 0 x 0 when the name is none of the standard sizes.
struct Paper {
  double width = 0, length = 0;
  bool landscape = false;
  bool known() const { return width > 0 && length > 0; }
};

Paper PaperOf(const uint8_t* text, size_t n) {
  static const struct {
    const char* name;
    double width, length;
  } kSizes[] = {
      {"A3", 297, 420},        {"A4", 210, 297},          {"A5", 148, 210},          {"A6", 105, 148},
      {"POSTCARD", 100, 148},  {"JISB4", 257, 364},       {"JISB5", 182, 257},       {"JISB6", 128, 182},
      {"LETTER", 215.9, 279.4}, {"LEGAL", 215.9, 355.6}, {"STATEMENT", 139.7, 215.9}, {"LEDGER", 279.4, 431.8},
  };
  const std::string all(reinterpret_cast<const char*>(text), n);
  auto value = [&](const std::string& key) {
    const size_t at = all.find("@PJL SET " + key + " = ");
    if (at == std::string::npos) return std::string();
    const size_t from = at + key.size() + 12;
    return all.substr(from, all.find_first_of("\r\n", from) - from);
  };
  Paper paper;
  const std::string name = value("PAPER");
  for (const auto& size : kSizes) {
    if (name == size.name) paper = {size.width, size.length, false};
  }
  paper.landscape = value("ORIENTATION") == "LANDSCAPE";
  return paper;
}

bool KnownOpcode(uint8_t op) { return jobread::RecordName(op) != "unknown"; }

// The begin-page records of a run of data blocks, counted from the record
// sizes alone (fixed for state records, else the size field of the record
// kind); -1 when a size is unknown, below 4, not a multiple of 4 or beyond
// the run. Runs of other pages are counted this way, neither copied nor
// decoded.
int CountPages(const uint8_t* data, const std::vector<std::pair<uint64_t, uint64_t>>& segments, uint64_t size) {
  size_t seg = 0;
  // The byte at run offset at (below size).
  auto byte = [&](uint64_t at) -> uint8_t {
    if (at < segments[seg].first) seg = 0;
    while (seg + 1 < segments.size() && segments[seg + 1].first <= at) ++seg;
    return data[segments[seg].second + (at - segments[seg].first)];
  };
  auto u16 = [&](uint64_t at) { return at + 2 <= size ? uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8 : 0u; };
  auto u32 = [&](uint64_t at) { return at + 4 <= size ? u16(at) | u16(at + 2) << 16 : 0u; };
  int pages = 0;
  for (uint64_t at = 0; at < size;) {
    const uint8_t op = byte(at);
    uint64_t n = 0;
    switch (op) {
      case 0x31: case 0x32: case 0x34: case 0x35: case 0x37: case 0x61: n = 4; break;
      case 0x33: case 0x36: n = 8; break;
      case 0x60: n = 16; ++pages; break;
      case 0x30: n = at + 1 < size ? byte(at + 1) : 0; break;
      case 0x40: n = (uint64_t(u16(at + 4)) + 9) / 4 * 4; break;
      case 0x50: case 0x56: n = u16(at + 14); break;
      case 0x10: case 0x11: case 0x12: case 0x20: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x57:
        n = u32(at + 4);
        break;
      default: return -1;
    }
    if (n < 4 || n % 4 || n > size - at) return -1;
    at += n;
  }
  return pages;
}

}  // namespace

bool RenderJob(const uint8_t* data, size_t size, const Options& options, Result* out, std::string* error) {
  *out = Result{};
  if (options.page < 1) {
    *error = "page numbers start at 1";
    return false;
  }
  if (options.dpi < 0 || options.dpi > 9600) {
    *error = "the resolution must be 1 to 9600 dots per inch";
    return false;
  }
  std::set<std::string> warned;
  auto warn = [&](const std::string& w) {
    if (warned.insert(w).second) out->warnings.push_back(w);
  };

  // The block frame: {kind, 3 reserved bytes, u32 length, data}; the data of
  // consecutive data blocks form one run of records.
  struct Run {
    std::vector<std::pair<uint64_t, uint64_t>> segments;  // run offset -> file offset
    uint64_t size = 0;
    Paper paper;  // of the page start before the run
    uint64_t FileOffset(uint64_t at) const {
      for (size_t i = segments.size(); i-- > 0;) {
        if (segments[i].first <= at) return segments[i].second + (at - segments[i].first);
      }
      return at;
    }
  };
  std::vector<Run> runs;
  bool in_run = false;
  Paper paper;
  if (size == 0) {
    *error = "the file is empty: no job in it";
    return false;
  }
  for (size_t pos = 0; pos < size;) {
    if (size - pos < 8) {
      *error = "block header at " + Hex(pos) + " is cut off by the end of the file";
      return false;
    }
    const uint8_t kind = data[pos];
    if (jobread::BlockKindName(kind) == "unknown") {
      *error = pos == 0 ? "not a job stream: its first byte " + Hex(kind) + " is no block kind of a job"
                        : "block at " + Hex(pos) + " is of an unknown kind " + Hex(kind);
      return false;
    }
    const uint32_t length = uint32_t(data[pos + 4]) | uint32_t(data[pos + 5]) << 8 | uint32_t(data[pos + 6]) << 16 |
                            uint32_t(data[pos + 7]) << 24;
    if (length > size - pos - 8) {
      *error = "block at " + Hex(pos) + " claims " + std::to_string(length) + " bytes but only " +
               std::to_string(size - pos - 8) + " follow";
      return false;
    }
    if (kind == kDataBlock) {
      if (!in_run) {
        runs.emplace_back();
        runs.back().paper = paper;
      }
      in_run = true;
      Run& run = runs.back();
      run.segments.emplace_back(run.size, pos + 8);
      run.size += length;
    } else {
      in_run = false;  // command text: not drawn, but a page start names its paper
      if (kind == 0xF4) paper = PaperOf(data + pos + 8, length);
    }
    pos += 8 + size_t(length);
  }

  // Records of every run, checked by the reader; the page chosen is drawn.
  std::unique_ptr<Page> page;
  Paper chosen_paper;
  uint32_t printable_w = 0, printable_h = 0;
  double scale_x = 1, scale_y = 1;
  bool done = false;
  int page_no = 0;
  jobread::Options read_options;
  read_options.keepPixels = false;
  std::vector<uint8_t> bytes_of_run;
  for (const Run& run : runs) {
    // A run that holds neither the page nor its end is only counted.
    const int count = CountPages(data, run.segments, run.size);
    if (count >= 0 && (done || page_no + count < options.page)) {
      page_no += count;
      out->pages += count;
      continue;
    }
    std::vector<uint8_t>& bytes = bytes_of_run;
    bytes.resize(size_t(run.size));
    for (size_t i = 0; i < run.segments.size(); ++i) {
      const uint64_t end = i + 1 < run.segments.size() ? run.segments[i + 1].first : run.size;
      std::memcpy(bytes.data() + run.segments[i].first, data + run.segments[i].second,
                  size_t(end - run.segments[i].first));
    }
    std::vector<jobread::Record> records;
    jobread::Error read_error;
    bool ok = jobread::ReadRecords(bytes.data(), bytes.size(), &records, &read_error, read_options);
    if (!ok) {
      const uint64_t at = read_error.offset;
      const bool unknown = at < bytes.size() && !KnownOpcode(bytes[at]) &&
                           read_error.message.find("unknown record opcode") != std::string::npos;
      if (!unknown) {
        *error = "record data at " + Hex(run.FileOffset(at)) + ": " + read_error.message;
        return false;
      }
      // A record of a kind this reader does not know has no size it could
      // skip by: the rest of the run is left out.
      warn("record " + Hex(bytes[at]) + " at " + Hex(run.FileOffset(at)) +
           " is of an unknown kind; the rest of its data blocks is not drawn");
    }
    for (const jobread::Record& rec : records) {
      if (rec.offset + rec.size > bytes.size()) continue;
      const Bytes r(bytes.data() + rec.offset, rec.size);
      if (rec.opcode == 0x60) {
        ++page_no;
        ++out->pages;
        if (page_no != options.page) continue;
        const uint32_t w = r.U32(4), h = r.U32(8);
        const int dx = r.U16(12), dy = r.U16(14);
        if (w == 0 || h == 0 || dx == 0 || dy == 0) {
          *error = "page " + std::to_string(page_no) + " has no size or no resolution (" + std::to_string(w) + " x " +
                   std::to_string(h) + " dots at " + std::to_string(dx) + " x " + std::to_string(dy) + " dpi)";
          return false;
        }
        const double sx = options.dpi ? double(options.dpi) / dx : 1.0;
        const double sy = options.dpi ? double(options.dpi) / dy : 1.0;
        const double pw = std::ceil(w * sx), ph = std::ceil(h * sy);
        if (pw > kMaxSide || ph > kMaxSide || pw * ph > double(kMaxPixels)) {
          *error = "page " + std::to_string(page_no) + " of " + std::to_string(w) + " x " + std::to_string(h) +
                   " dots is too large to draw at this resolution";
          return false;
        }
        out->jobDpiX = dx;
        out->jobDpiY = dy;
        chosen_paper = run.paper;
        printable_w = w;
        printable_h = h;
        scale_x = sx;
        scale_y = sy;
        page = std::make_unique<Page>(int(std::max(1.0, pw)), int(std::max(1.0, ph)), sx, sy, &out->warnings);
        if (!page->Ok()) {
          *error = "no memory for a picture of the page";
          return false;
        }
        continue;
      }
      if (!page || done) {
        if (!page && rec.opcode != 0x61 && page_no == 0) warn("records before the first page are not drawn");
        continue;
      }
      if (rec.opcode == 0x61) {
        done = true;
        continue;
      }
      page->Record(r);
    }
  }
  if (!page) {
    *error = "the job has " + std::to_string(out->pages) + " page" + (out->pages == 1 ? "" : "s") + ", no page " +
             std::to_string(options.page);
    return false;
  }
  if (!done) warn("page " + std::to_string(options.page) + " has no end-page record");
  out->picture = page->Take();
  out->printable = {0, 0, out->picture.width, out->picture.height};
  // The whole sheet: the printable area where it lies on the paper (the
  // same margin on either side), the margin around it marked grey.
  if (chosen_paper.known()) {
    const double mm_x = chosen_paper.landscape ? chosen_paper.length : chosen_paper.width;
    const double mm_y = chosen_paper.landscape ? chosen_paper.width : chosen_paper.length;
    const double sheet_w = std::round(mm_x / 25.4 * out->jobDpiX), sheet_h = std::round(mm_y / 25.4 * out->jobDpiY);
    const int left = int(std::floor((sheet_w - printable_w) / 2 * scale_x));
    const int top = int(std::floor((sheet_h - printable_h) / 2 * scale_y));
    const int width = std::max(out->picture.width, int(std::ceil(sheet_w * scale_x)));
    const int height = std::max(out->picture.height, int(std::ceil(sheet_h * scale_y)));
    if (left >= 0 && top >= 0 && left + out->picture.width <= width && top + out->picture.height <= height &&
        uint64_t(width) * uint64_t(height) <= kMaxPixels) {
      Picture sheet;
      sheet.width = width;
      sheet.height = height;
      sheet.rgb.assign(size_t(width) * size_t(height) * 3, kMarginGrey);
      for (int y = 0; y < out->picture.height; ++y) {
        std::memcpy(sheet.rgb.data() + (size_t(top + y) * size_t(width) + size_t(left)) * 3,
                    out->picture.rgb.data() + size_t(y) * size_t(out->picture.width) * 3,
                    size_t(out->picture.width) * 3);
      }
      out->printable = {left, top, out->picture.width, out->picture.height};
      out->picture = std::move(sheet);
    }
  }
  return true;
}

void ReleaseFontCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

bool WritePng(const Picture& picture, const std::string& path, std::string* error) {
  SurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height));
  if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) {
    *error = "no memory for the picture";
    return false;
  }
  cairo_surface_flush(s.get());
  uint8_t* data = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.At(x, y);
      row[x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
  }
  cairo_surface_mark_dirty(s.get());
  const cairo_status_t st = cairo_surface_write_to_png(s.get(), path.c_str());
  if (st != CAIRO_STATUS_SUCCESS) {
    *error = "cannot write " + path + ": " + cairo_status_to_string(st);
    return false;
  }
  return true;
}

}  // namespace jobrender
