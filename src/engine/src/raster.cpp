// Drawing into engine-managed bitmaps. cairo does the geometry: coverage of
// filled and stroked paths (without anti-aliasing, so that pixels are
// exact). The engine's own code does the rest: the 256 ternary raster
// operations (pattern, source, destination), masks, colour translation,
// stretching by each stretch mode (halftone included), and the row formats
// of the DDI from 1 bit (bit 7 leftmost) to 32 bits.
#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "internal.h"
#include "plat/kernel.h"

namespace eng::detail {
namespace {

struct Pixels {
  uint8_t* scan0 = nullptr;
  LONG delta = 0;
  int bits = 0;
  LONG width = 0, height = 0;

  uint8_t* Row(LONG y) const { return scan0 + ptrdiff_t(y) * delta; }
  uint32_t Get(LONG x, LONG y) const {
    const uint8_t* r = Row(y);
    switch (bits) {
      case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1u;
      case 4: return (x & 1) ? (r[x >> 1] & 0x0Fu) : (r[x >> 1] >> 4);
      case 8: return r[x];
      case 16: return uint32_t(r[2 * x]) | (uint32_t(r[2 * x + 1]) << 8);
      case 24: {
        const uint8_t* p = r + 3 * ptrdiff_t(x);
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
      }
      default: {
        uint32_t v;
        std::memcpy(&v, r + 4 * ptrdiff_t(x), 4);
        return v;
      }
    }
  }
  void Put(LONG x, LONG y, uint32_t v) const {
    uint8_t* r = Row(y);
    switch (bits) {
      case 1: {
        uint8_t bit = uint8_t(0x80u >> (x & 7));
        r[x >> 3] = (v & 1) ? uint8_t(r[x >> 3] | bit) : uint8_t(r[x >> 3] & ~bit);
        break;
      }
      case 4:
        r[x >> 1] = (x & 1) ? uint8_t((r[x >> 1] & 0xF0) | (v & 0x0F))
                            : uint8_t((r[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
        break;
      case 8: r[x] = uint8_t(v); break;
      case 16:
        r[2 * x] = uint8_t(v);
        r[2 * x + 1] = uint8_t(v >> 8);
        break;
      case 24: {
        uint8_t* p = r + 3 * ptrdiff_t(x);
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        break;
      }
      default: std::memcpy(r + 4 * ptrdiff_t(x), &v, 4); break;
    }
  }
  uint32_t ValueMask() const {
    return bits >= 32 ? 0xFFFFFFFFu : bits == 24 ? 0xFFFFFFu : ((1u << bits) - 1u);
  }
};

bool Access(const SURFOBJ* so, Pixels* px) {
  if (!so || !so->pvScan0) return false;
  int bits = FormatBits(so->iBitmapFormat);
  if (bits == 0) return false;
  // A surface whose rows cannot hold the width it claims (or with a
  // negative size) is refused, so that no pixel is read outside its rows.
  if (so->sizlBitmap.cx < 0 || so->sizlBitmap.cy < 0) return false;
  const int64_t distance = so->lDelta < 0 ? -int64_t(so->lDelta) : int64_t(so->lDelta);
  if (distance < (int64_t(so->sizlBitmap.cx) * bits + 7) / 8) return false;
  px->scan0 = static_cast<uint8_t*>(so->pvScan0);
  px->delta = so->lDelta;
  px->bits = bits;
  px->width = so->sizlBitmap.cx;
  px->height = so->sizlBitmap.cy;
  return true;
}

// A ternary raster operation on whole pixel values: bit i of rop is the
// result for pattern bit (i & 4), source bit (i & 2), destination bit (i & 1).
inline uint32_t Rop3(uint32_t rop, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  for (uint32_t i = 0; i < 8; ++i) {
    if (!(rop & (1u << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r;
}
inline bool RopUsesSource(uint32_t rop) { return (((rop >> 2) ^ rop) & 0x33) != 0; }
inline bool RopUsesPattern(uint32_t rop) { return (((rop >> 4) ^ rop) & 0x0F) != 0; }

// The ROP3 of a mix's ROP2 (R2_BLACK 1 ... R2_WHITE 16): the ROP2's
// function of pattern and destination, whatever the source.
uint32_t Rop2ToRop3(uint32_t rop2) {
  uint32_t f = (rop2 - 1) & 0xF;  // bit (p * 2 + d)
  uint32_t r = 0;
  for (uint32_t i = 0; i < 8; ++i) {
    uint32_t p = (i >> 2) & 1, d = i & 1;
    if (f & (1u << (p * 2 + d))) r |= 1u << i;
  }
  return r;
}

// The pattern of a drawing: a plain colour, or a pattern bitmap tiled from
// the brush origin.
struct PatternSource {
  bool present = false;
  uint32_t solid = 0;
  bool tiled = false;
  Pixels pat;
  XLATEOBJ* xlo = nullptr;
  POINTL org{0, 0};

  uint32_t At(LONG x, LONG y) const {
    if (!tiled) return solid;
    LONG px = (x - org.x) % pat.width, py = (y - org.y) % pat.height;
    if (px < 0) px += pat.width;
    if (py < 0) py += pat.height;
    uint32_t v = pat.Get(px, py);
    return xlo ? XLATEOBJ_iXlate(xlo, v) : v;
  }
};

bool MakePattern(BRUSHOBJ* pbo, POINTL* org, PatternSource* out) {
  if (!pbo) return false;
  out->present = true;
  if (pbo->iSolidColor != BRUSH_PATTERN) {
    out->solid = pbo->iSolidColor;
    return true;
  }
  Brush* b = BrushFromObj(pbo);
  if (!b || !b->pattern || !Access(b->pattern, &out->pat)) return false;
  out->tiled = true;
  out->xlo = b->pattern_xlo;
  if (org) out->org = *org;
  return true;
}

// Where a drawing may change pixels: an optional coverage mask (one byte per
// pixel, non-zero inside) over a rectangle of the target. Its bytes are the
// thread's coverage buffer, good until the next coverage is made.
struct Coverage {
  RECTL area{0, 0, 0, 0};
  const uint8_t* data = nullptr;
  int stride = 0;
  bool Inside(LONG x, LONG y) const {
    return data[size_t(y - area.top) * size_t(stride) + size_t(x - area.left)] != 0;
  }
};

// The source of a transfer: target-format values of pixel (x, y) of the
// destination.
struct SourceSampler {
  virtual ~SourceSampler() = default;
  virtual uint32_t At(LONG x, LONG y) const = 0;
};

struct BitmapSource : SourceSampler {
  Pixels src;
  LONG dx = 0, dy = 0;  // source = destination + (dx, dy)
  XLATEOBJ* xlo = nullptr;
  bool trivial = true;
  uint32_t At(LONG x, LONG y) const override {
    uint32_t v = src.Get(x + dx, y + dy);
    return trivial ? v : XLATEOBJ_iXlate(xlo, v);
  }
};

struct BufferSource : SourceSampler {
  RECTL area{0, 0, 0, 0};
  const uint32_t* data = nullptr;
  int stride = 0;  // in pixels
  uint32_t At(LONG x, LONG y) const override {
    return data[size_t(y - area.top) * size_t(stride) + size_t(x - area.left)] & 0xFFFFFF;
  }
};

struct MaskSource {
  Pixels mask;
  LONG dx = 0, dy = 0;
};

bool XlateIsTrivial(XLATEOBJ* xlo) { return !xlo || (xlo->flXlate & XO_TRIVIAL); }

// Bits of a one-bit row, eight pixels a byte, bit 7 leftmost: the bits of
// byte b that lie in [x0, x1).
inline uint8_t SpanBits(LONG b, LONG x0, LONG x1) {
  const LONG a = std::max<LONG>(x0 - b * 8, 0), e = std::min<LONG>(x1 - b * 8, 8);
  return a >= e ? 0 : uint8_t((0xFFu >> a) & (0xFFu << (8 - e)));
}

// The coverage bytes of pixels [x, x + 8) of a row as one-bit selections
// (non-zero: bit set), pixel x in bit 7; only pixels in [x0, x1) are read.
inline uint8_t CoverageBits(const uint8_t* c, LONG cx, LONG x, LONG x0, LONG x1) {
  if (x >= x0 && x + 8 <= x1) {
    uint64_t word;
    std::memcpy(&word, c + (x - cx), 8);
    if (word == 0) return 0;
    if (word == ~uint64_t(0)) return 0xFF;
    // Bit 0 of each byte set where the byte is non-zero; the multiply
    // moves the bit of byte i (pixel x + i) to bit 63 - i, each to its
    // own place, so no two add up.
    word |= word >> 4;
    word |= word >> 2;
    word |= word >> 1;
    word &= 0x0101010101010101u;
    if constexpr (std::endian::native == std::endian::little) return uint8_t((word * 0x8040201008040201u) >> 56);
  }
  uint8_t bits = 0;
  for (LONG i = std::max(x, x0); i < std::min<LONG>(x + 8, x1); ++i)
    if (c[i - cx]) bits |= uint8_t(0x80u >> (i - x));
  return bits;
}

// Eight bytes of a one-bit row as one word, the first byte highest (pixel
// order, leftmost pixel in bit 63), and back.
inline uint64_t LoadBits64(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return __builtin_bswap64(w);
}
inline void StoreBits64(uint8_t* p, uint64_t bits) {
  const uint64_t w = __builtin_bswap64(bits);
  std::memcpy(p, &w, 8);
}

// Bits of the 64 pixels from pixel x0 on (x0 in bit 63) that lie in
// [x0 + a, x0 + b), 0 <= a < b.
inline uint64_t SpanBits64(LONG a, LONG b) {
  const uint64_t from = ~uint64_t(0) >> a;
  return b >= 64 ? from : from & ~(~uint64_t(0) >> b);
}

// One row of a brush whose bits are the same byte all along it, through a
// mask row, on [x0, x1) of a one-bit target row, 64 pixels a step. padded
// holds the mask row from its byte 0 at padded[8], blank for 8 bytes
// before and 8 after; target pixel x takes mask pixel x + dx. Words that
// lie wholly inside the target's row bytes are read and written whole (the
// pixels outside the span are written back as they were), the last ones
// byte by byte.
void MaskRowOneBit(uint8_t* row, LONG row_bytes, LONG x0, LONG x1, const uint8_t* padded, LONG dx, uint8_t fixed) {
  const uint64_t bits = uint64_t(fixed) * 0x0101010101010101u;
  for (LONG b = x0 >> 3; b * 8 < x1; b += 8) {
    const LONG p = b * 8 + dx;  // the mask pixel of the word's first pixel, from -7 on
    const LONG q = (p >> 3) + 8, s = p & 7;
    uint64_t sel = LoadBits64(padded + q) << s;
    if (s) sel |= padded[q + 8] >> (8 - s);
    sel &= SpanBits64(std::max<LONG>(x0 - b * 8, 0), x1 - b * 8);
    if (!sel) continue;
    if (b + 8 <= row_bytes) {
      StoreBits64(row + b, (LoadBits64(row + b) & ~sel) | (bits & sel));
      continue;
    }
    for (LONG k = 0; b + k < row_bytes; ++k) {
      const uint8_t m = uint8_t(sel >> (56 - 8 * k));
      if (m) row[b + k] = uint8_t((row[b + k] & ~m) | (fixed & m));
    }
  }
}

// The brush (PATCOPY) onto a one-bit target through a coverage and a mask
// (either may be absent), eight pixels at a time (64 through a mask alone),
// inside r: each pixel the coverage holds and the mask has set gets the
// brush's bit, the others stay. It is what fills, pens and glyphs do on a
// one-bit band.
void PaintOneBit(const Pixels& trg, const RECTL& r, const PatternSource& pat, const Coverage* cov,
                 const MaskSource* mask) {
  const LONG first = r.left >> 3, last = (r.right - 1) >> 3;
  // A mask without a coverage (glyphs) goes 64 pixels a step when the
  // brush's bits are one byte all along a row: the mask row is copied
  // whole, blank around it, into word_mask.
  const bool word_rows = mask && !cov && (!pat.tiled || 8 % pat.pat.width == 0);
  const LONG mask_bytes = mask ? (mask->mask.width + 7) / 8 : 0;
  const LONG row_bytes = (trg.width + 7) / 8;
  uint8_t word_small[128];
  std::vector<uint8_t> word_big;
  uint8_t* word_mask = word_small;
  if (word_rows) {
    if (mask_bytes + 16 > LONG(sizeof word_small)) {
      word_big.resize(size_t(mask_bytes) + 16);
      word_mask = word_big.data();
    }
    std::memset(word_mask, 0, 8);
    std::memset(word_mask + 8 + mask_bytes, 0, 8);
  }
  // Otherwise a tiled pattern's row (one bit a pixel), and the bytes of
  // the mask's row a row reads: on the stack for a glyph or a dither,
  // which is nearly always, else on the heap once a call.
  uint8_t period_small[64], padded_small[64];
  std::vector<uint8_t> period_big, padded_big;
  uint8_t* period = period_small;
  uint8_t* padded = padded_small;
  if (pat.tiled && pat.pat.width > LONG(sizeof period_small)) {
    period_big.resize(size_t(pat.pat.width));
    period = period_big.data();
  }
  if (mask && !word_rows && last - first + 3 > LONG(sizeof padded_small)) {
    padded_big.resize(size_t(last - first + 3));
    padded = padded_big.data();
  }
  for (LONG y = r.top; y < r.bottom; ++y) {
    uint8_t* row = trg.Row(y);
    const uint8_t* c = cov ? cov->data + size_t(y - cov->area.top) * size_t(cov->stride) : nullptr;
    const uint8_t* m = mask ? mask->mask.Row(y + mask->dy) : nullptr;
    // The mask bytes the row reads (from mask_lo on), bytes outside the
    // mask's row read as blank.
    const LONG mask_lo = mask ? (first * 8 + mask->dx) >> 3 : 0;
    if (word_rows) {
      std::memcpy(word_mask + 8, m, size_t(mask_bytes));
    } else if (m) {
      const LONG mask_hi = ((last * 8 + 7 + mask->dx) >> 3) + 1, bytes = (mask->mask.width + 7) / 8;
      for (LONG j = mask_lo; j <= mask_hi; ++j) padded[size_t(j - mask_lo)] = j >= 0 && j < bytes ? m[j] : 0;
    }
    // The brush's bits: the same byte all along a row when the pattern's
    // width divides eight, else built byte by byte from its row.
    uint8_t fixed = (pat.solid & 1) ? 0xFF : 0x00;
    bool constant = true;
    LONG pw = 0, phase = 0;
    if (pat.tiled) {
      pw = pat.pat.width;
      LONG py = (y - pat.org.y) % pat.pat.height;
      if (py < 0) py += pat.pat.height;
      for (LONG k = 0; k < pw; ++k) {
        const uint32_t v = pat.pat.Get(k, py);
        period[size_t(k)] = uint8_t((pat.xlo ? XLATEOBJ_iXlate(pat.xlo, v) : v) & 1);
      }
      phase = (first * 8 - pat.org.x) % pw;
      if (phase < 0) phase += pw;
      constant = 8 % pw == 0;
      if (constant) {
        fixed = 0;
        for (LONG i = 0; i < 8; ++i)
          if (period[size_t((phase + i) % pw)]) fixed |= uint8_t(0x80u >> i);
      }
    }
    if (word_rows) {
      MaskRowOneBit(row, row_bytes, r.left, r.right, word_mask, mask->dx, fixed);
      continue;
    }
    LONG k = phase;  // the pattern column of the first pixel of byte b
    for (LONG b = first; b <= last; ++b) {
      // A byte between the first and the last lies wholly inside r, and so
      // inside the coverage and the mask.
      const bool inner = b > first && b < last;
      uint8_t sel = inner ? 0xFF : SpanBits(b, r.left, r.right);
      if (c && sel) sel &= CoverageBits(c, cov->area.left, b * 8, r.left, r.right);
      if (m && sel) {
        // The eight mask pixels from x on, from two bytes of the row.
        const LONG x = b * 8 + mask->dx, s = x & 7;
        const size_t k = size_t((x >> 3) - mask_lo);
        sel &= uint8_t((uint32_t(padded[k]) << s | uint32_t(padded[k + 1]) >> (8 - s)) & 0xFF);
      }
      uint8_t bits = fixed;
      if (!constant) {
        bits = 0;
        if (sel)
          for (LONG i = 0, j = k; i < 8; ++i, j = j + 1 == pw ? 0 : j + 1)
            if (period[size_t(j)]) bits |= uint8_t(0x80u >> i);
        k = (k + 8) % pw;
      }
      if (sel) row[b] = uint8_t((row[b] & ~sel) | (bits & sel));
    }
  }
}

// The combination step of every drawing: for each pixel of dest inside the
// clip rectangles, the coverage and the source bounds, D = ROP3(P, S, D),
// with the foreground ROP where the mask is 1 and the background ROP where
// it is 0.
void Combine(const Pixels& trg, const std::vector<RECTL>& rects, const RECTL& dest,
             const PatternSource* pat, const SourceSampler* src, const MaskSource* mask,
             uint32_t rop4, const Coverage* cov) {
  uint32_t fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
  if (!mask) bg = fg;
  uint32_t vmask = trg.ValueMask();
  const BitmapSource* bsrc = dynamic_cast<const BitmapSource*>(src);
  // The brush alone where the coverage and (with a background that leaves
  // the destination) the mask say: fills, pens and glyphs.
  const bool brush_only = pat && fg == 0xF0 && (bg == 0xF0 || bg == 0xAA);
  const MaskSource* through = brush_only && bg == 0xAA ? mask : nullptr;
  // 0xE2 (DSPDxax) onto one bit takes the brush where the source is 1 and
  // keeps the page where it is 0: an unstretched one-bit source whose
  // colours stay 0 and 1 is then a mask the brush goes through, as glyphs
  // are painted (the stencil masks of documents come this way).
  MaskSource source_mask;
  const bool brush_through_source =
      pat && fg == 0xE2 && bg == 0xE2 && trg.bits == 1 && bsrc && bsrc->src.bits == 1 &&
      (bsrc->trivial || ((XLATEOBJ_iXlate(bsrc->xlo, 0) & 1) == 0 && (XLATEOBJ_iXlate(bsrc->xlo, 1) & 1) == 1));
  if (brush_through_source) source_mask = MaskSource{bsrc->src, bsrc->dx, bsrc->dy};
  for (const RECTL& clip : rects) {
    RECTL r;
    if (!Intersect(clip, dest, &r)) continue;
    if (cov && !Intersect(r, cov->area, &r)) continue;
    if (brush_only && trg.bits == 1) {
      PaintOneBit(trg, r, *pat, cov, through);
      continue;
    }
    if (brush_through_source) {
      PaintOneBit(trg, r, *pat, cov, &source_mask);
      continue;
    }
    // Plain copies of same-format rows.
    if (fg == 0xCC && bg == 0xCC && !cov && bsrc && bsrc->trivial && bsrc->src.bits == trg.bits &&
        trg.bits >= 8) {
      size_t bpp = size_t(trg.bits / 8);
      for (LONG y = r.top; y < r.bottom; ++y)
        std::memmove(trg.Row(y) + size_t(r.left) * bpp,
                     bsrc->src.Row(y + bsrc->dy) + size_t(r.left + bsrc->dx) * bpp,
                     size_t(r.right - r.left) * bpp);
      continue;
    }
    // One-bit copies whose source and target bits share their place in a
    // byte: whole bytes move, the edges go pixel by pixel.
    if (fg == 0xCC && bg == 0xCC && !cov && bsrc && bsrc->trivial && bsrc->src.bits == 1 &&
        trg.bits == 1 && ((bsrc->dx % 8) + 8) % 8 == 0 && r.right - r.left >= 16) {
      LONG first = (r.left + 7) & ~LONG(7), last = r.right & ~LONG(7);
      for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < first; ++x) trg.Put(x, y, bsrc->src.Get(x + bsrc->dx, y + bsrc->dy));
        std::memmove(trg.Row(y) + first / 8, bsrc->src.Row(y + bsrc->dy) + (first + bsrc->dx) / 8,
                     size_t(last - first) / 8);
        for (LONG x = last; x < r.right; ++x) trg.Put(x, y, bsrc->src.Get(x + bsrc->dx, y + bsrc->dy));
      }
      continue;
    }
    // The brush alone (PATCOPY), as fills, pens and text paint: the
    // pattern's row is found once a row and walked along it.
    if (brush_only) {
      for (LONG y = r.top; y < r.bottom; ++y) {
        const uint8_t* c = cov ? cov->data + size_t(y - cov->area.top) * size_t(cov->stride) : nullptr;
        const LONG cx = cov ? cov->area.left : 0;
        const uint8_t* m = through ? through->mask.Row(y + through->dy) : nullptr;
        const LONG mx = through ? through->dx : 0;
        auto inside = [&](LONG x) {
          return (!c || c[x - cx]) && (!m || ((m[(x + mx) >> 3] >> (7 - ((x + mx) & 7))) & 1));
        };
        if (!pat->tiled) {
          const uint32_t v = pat->solid & vmask;
          for (LONG x = r.left; x < r.right; ++x)
            if (inside(x)) trg.Put(x, y, v);
          continue;
        }
        LONG py = (y - pat->org.y) % pat->pat.height, px = (r.left - pat->org.x) % pat->pat.width;
        if (py < 0) py += pat->pat.height;
        if (px < 0) px += pat->pat.width;
        for (LONG x = r.left; x < r.right; ++x) {
          if (inside(x)) {
            const uint32_t v = pat->pat.Get(px, py);
            trg.Put(x, y, (pat->xlo ? XLATEOBJ_iXlate(pat->xlo, v) : v) & vmask);
          }
          if (++px == pat->pat.width) px = 0;
        }
      }
      continue;
    }
    for (LONG y = r.top; y < r.bottom; ++y) {
      for (LONG x = r.left; x < r.right; ++x) {
        if (cov && !cov->Inside(x, y)) continue;
        uint32_t rop = fg;
        if (mask && !mask->mask.Get(x + mask->dx, y + mask->dy)) rop = bg;
        uint32_t s = src ? src->At(x, y) : 0;
        uint32_t p = pat ? pat->At(x, y) : 0;
        uint32_t out;
        switch (rop) {
          case 0xCC: out = s; break;
          case 0xF0: out = p; break;
          case 0xAA: continue;
          default: out = Rop3(rop, p, s, trg.Get(x, y)); break;
        }
        trg.Put(x, y, out & vmask);
      }
    }
  }
}

RECTL SurfaceRect(const Pixels& px) { return RECTL{0, 0, px.width, px.height}; }

RECTL Ordered(const RECTL& r) {
  return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
               std::max(r.top, r.bottom)};
}

// ---- coverage of paths with cairo ------------------------------------------------------

void AddPath(cairo_t* cr, PathObj* p, double off) {
  for (const PathRun& run : p->runs) {
    size_t i = 0;
    if (run.flags & PD_BEGINSUBPATH) {
      if (run.pts.empty()) continue;
      cairo_move_to(cr, run.pts[0].x / 16.0 + off, run.pts[0].y / 16.0 + off);
      i = 1;
    }
    if (run.flags & PD_BEZIERS) {
      for (; i + 2 < run.pts.size(); i += 3)
        cairo_curve_to(cr, run.pts[i].x / 16.0 + off, run.pts[i].y / 16.0 + off,
                       run.pts[i + 1].x / 16.0 + off, run.pts[i + 1].y / 16.0 + off,
                       run.pts[i + 2].x / 16.0 + off, run.pts[i + 2].y / 16.0 + off);
    } else {
      for (; i < run.pts.size(); ++i)
        cairo_line_to(cr, run.pts[i].x / 16.0 + off, run.pts[i].y / 16.0 + off);
    }
    if (run.flags & PD_CLOSEFIGURE) cairo_close_path(cr);
  }
}

struct StrokeStyle {
  bool stroke = false;
  bool cosmetic = true;
  double width = 1;
  cairo_line_cap_t cap = CAIRO_LINE_CAP_BUTT;
  cairo_line_join_t join = CAIRO_LINE_JOIN_MITER;
  double miter = 10;
  std::vector<double> dashes;
  double dash_offset = 0;
  XFORML xform{1, 0, 0, 1, 0, 0};
};

// Coverage of a path over area; false on a drawing failure. The mask is
// drawn into one buffer of the thread, kept from drawing to drawing, so
// that a page's paths neither allocate nor fault in fresh pages: only the
// area's own bytes are cleared.
// With one_bit the coverage is one bit a pixel, eight pixels a byte with
// the leftmost in bit 7 (as a one-bit mask), which cairo paints exactly
// where it paints the bytes (both without anti-aliasing).
bool PathCoverage(PathObj* p, const RECTL& area, bool winding, const StrokeStyle* stroke, bool one_bit,
                  Coverage* cov) {
  int w = area.right - area.left, h = area.bottom - area.top;
  cov->area = area;
  if (w <= 0 || h <= 0) return true;
  if (plat::ShouldFail("EngAllocMem")) return false;
  thread_local std::vector<uint8_t> buffer;
  const cairo_format_t format = one_bit ? CAIRO_FORMAT_A1 : CAIRO_FORMAT_A8;
  const int stride = cairo_format_stride_for_width(format, w);
  if (stride <= 0) return false;
  const size_t bytes = size_t(stride) * size_t(h);
  try {
    if (buffer.size() < bytes) buffer.resize(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  std::memset(buffer.data(), 0, bytes);
  cairo_surface_t* s = cairo_image_surface_create_for_data(buffer.data(), format, w, h, stride);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return false;
  }
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -area.left, -area.top);
  // A cosmetic line runs through the centres of the pixels its integer
  // points name.
  AddPath(cr, p, stroke && stroke->cosmetic ? 0.5 : 0.0);
  if (stroke) {
    cairo_set_line_cap(cr, stroke->cap);
    cairo_set_line_join(cr, stroke->join);
    cairo_set_miter_limit(cr, stroke->miter);
    if (!stroke->dashes.empty())
      cairo_set_dash(cr, stroke->dashes.data(), int(stroke->dashes.size()), stroke->dash_offset);
    cairo_set_line_width(cr, stroke->width);
    cairo_stroke(cr);
  } else {
    cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cr);
  }
  bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
  cairo_destroy(cr);
  cairo_surface_flush(s);
  cairo_surface_destroy(s);
  if (ok && one_bit) {
    // cairo's one-bit rows hold pixel x in bit x % 8 of its byte (on a
    // little-endian machine): each byte's bits are turned round.
    static_assert(std::endian::native == std::endian::little);
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
      uint32_t v;
      std::memcpy(&v, buffer.data() + i, 4);
      if (!v) continue;
      v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
      v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
      v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
      std::memcpy(buffer.data() + i, &v, 4);
    }
  }
  if (ok) {
    cov->data = buffer.data();
    cov->stride = stride;
  }
  return ok;
}

// The pixels a path (widened by pad pixels) may touch inside the target.
RECTL PathArea(PathObj* p, double pad, const RECTL& limit) {
  RECTFX b;
  PATHOBJ_vGetBounds(&p->po, &b);
  RECTL r{LONG(std::floor(b.xLeft / 16.0 - pad)) - 1, LONG(std::floor(b.yTop / 16.0 - pad)) - 1,
          LONG(std::ceil(b.xRight / 16.0 + pad)) + 2, LONG(std::ceil(b.yBottom / 16.0 + pad)) + 2};
  RECTL out{0, 0, 0, 0};
  Intersect(r, limit, &out);
  return out;
}

RECTL RectsBounds(const std::vector<RECTL>& rects) {
  RECTL b{0, 0, 0, 0};
  for (size_t i = 0; i < rects.size(); ++i) {
    if (i == 0) {
      b = rects[0];
      continue;
    }
    b.left = std::min(b.left, rects[i].left);
    b.top = std::min(b.top, rects[i].top);
    b.right = std::max(b.right, rects[i].right);
    b.bottom = std::max(b.bottom, rects[i].bottom);
  }
  return b;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

bool DrawPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix,
              bool winding, const StrokeStyle* stroke) {
  Pixels trg;
  PathObj* p = PathFromObj(ppo);
  if (!Access(pso, &trg) || !p || !pbo) return Fail(ERROR_INVALID_PARAMETER);
  PatternSource pat;
  if (!MakePattern(pbo, org, &pat)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  if (rects.empty()) return true;
  double pad = stroke ? stroke->width * std::max(1.0, stroke->miter) + 2 : 0;
  RECTL area = PathArea(p, pad, RectsBounds(rects));
  if (area.right <= area.left || area.bottom <= area.top) return true;
  uint32_t rop = Rop2ToRop3(mix & 0xFF);
  // The brush alone onto one bit: the coverage is made one bit a pixel and
  // goes as a mask, an eighth of the bytes to clear and read.
  const bool one_bit = trg.bits == 1 && rop == 0xF0;
  Coverage cov;
  if (!PathCoverage(p, area, winding, stroke, one_bit, &cov)) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  if (one_bit) {
    MaskSource m;
    m.mask.scan0 = const_cast<uint8_t*>(cov.data);
    m.mask.delta = cov.stride;
    m.mask.bits = 1;
    m.mask.width = area.right - area.left;
    m.mask.height = area.bottom - area.top;
    m.dx = -area.left;
    m.dy = -area.top;
    Combine(trg, rects, area, &pat, nullptr, &m, 0xF0 | (0xAAu << 8), nullptr);
    return true;
  }
  Combine(trg, rects, area, &pat, nullptr, nullptr, rop | (rop << 8), &cov);
  return true;
}

}  // namespace

bool PathRuns(PathObj* p, const RECTL& limit, bool winding, std::vector<RECTL>* region) {
  region->clear();
  RECTL area = PathArea(p, 0, limit);
  if (area.right <= area.left || area.bottom <= area.top) return true;
  Coverage cov;
  if (!PathCoverage(p, area, winding, nullptr, false, &cov)) return false;
  // Rows whose runs are those of the row above extend its rectangles.
  size_t row_start = 0, prev_start = 0, prev_count = 0;
  for (LONG y = area.top; y < area.bottom; ++y) {
    const uint8_t* row = cov.data + size_t(y - area.top) * size_t(cov.stride);
    const LONG w = area.right - area.left;
    row_start = region->size();
    for (LONG x = 0; x < w;) {
      while (x < w && !row[x]) ++x;
      const LONG start = x;
      while (x < w && row[x]) ++x;
      if (x > start) region->push_back(RECTL{start + area.left, y, x + area.left, y + 1});
    }
    const size_t count = region->size() - row_start;
    bool same = count == prev_count && count > 0 && (*region)[prev_start].bottom == y;
    for (size_t i = 0; same && i < count; ++i)
      same = (*region)[prev_start + i].left == (*region)[row_start + i].left &&
             (*region)[prev_start + i].right == (*region)[row_start + i].right;
    if (same) {
      for (size_t i = 0; i < count; ++i) (*region)[prev_start + i].bottom = y + 1;
      region->resize(row_start);
    } else {
      prev_start = row_start;
      prev_count = count;
    }
  }
  return true;
}

namespace {

bool StrokeFromLineAttrs(LINEATTRS* la, XFORMOBJ* pxo, StrokeStyle* st) {
  st->stroke = true;
  if (!la) return true;
  XFORML m;
  XFORMOBJ_iGetXform(pxo, &m);
  double scale = std::sqrt(std::fabs(double(m.eM11) * m.eM22 - double(m.eM12) * m.eM21));
  if (!(scale > 0)) scale = 1;
  st->cosmetic = !(la->fl & LA_GEOMETRIC);
  if (!st->cosmetic) {
    st->width = std::max(1.0, double(la->elWidth.e) * scale);
    st->cap = la->iEndCap == ENDCAP_SQUARE ? CAIRO_LINE_CAP_SQUARE
              : la->iEndCap == ENDCAP_BUTT ? CAIRO_LINE_CAP_BUTT
                                           : CAIRO_LINE_CAP_ROUND;
    st->join = la->iJoin == JOIN_BEVEL ? CAIRO_LINE_JOIN_BEVEL
               : la->iJoin == JOIN_MITER ? CAIRO_LINE_JOIN_MITER
                                         : CAIRO_LINE_JOIN_ROUND;
    st->miter = std::max(1.0, double(la->eMiterLimit));
  }
  if ((la->fl & LA_STYLED) && la->cstyle > 0 && la->pstyle) {
    // Style entries: world lengths (floats) for geometric pens, pixels for
    // cosmetic ones.
    double sum = 0;
    for (ULONG i = 0; i < la->cstyle; ++i) {
      double v = st->cosmetic ? double(la->pstyle[i].l) : double(la->pstyle[i].e) * scale;
      v = std::max(0.0, v);
      st->dashes.push_back(v);
      sum += v;
    }
    if (sum <= 0) st->dashes.clear();
    if (la->fl & LA_STARTGAP && !st->dashes.empty()) {
      // The first entry is a gap: cairo's pattern starts with a dash, so it
      // gets the entries from the second on (the first last) and is entered
      // at that last entry, which it draws as a gap (an odd count repeats
      // with dashes and gaps swapped, so it is entered in the repeat).
      const double first = st->dashes.front();
      std::rotate(st->dashes.begin(), st->dashes.begin() + 1, st->dashes.end());
      st->dash_offset = (st->dashes.size() % 2 ? 2 * sum : sum) - first;
    }
  }
  return true;
}

}  // namespace
}  // namespace eng::detail

using namespace eng::detail;

ENG_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                       XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                       BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  Pixels trg;
  if (!Access(psoTrg, &trg) || !prclTrg) return Fail(ERROR_INVALID_PARAMETER);
  uint32_t fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
  bool masked = fg != bg;
  bool need_src = RopUsesSource(fg) || (masked && RopUsesSource(bg));
  bool need_pat = RopUsesPattern(fg) || (masked && RopUsesPattern(bg));
  RECTL dest = Ordered(*prclTrg);
  RECTL limit = SurfaceRect(trg);
  BitmapSource src;
  if (need_src) {
    if (!Access(psoSrc, &src.src)) return Fail(ERROR_INVALID_PARAMETER);
    POINTL sp = pptlSrc ? *pptlSrc : POINTL{0, 0};
    src.dx = sp.x - dest.left;
    src.dy = sp.y - dest.top;
    src.xlo = pxlo;
    src.trivial = XlateIsTrivial(pxlo);
    // Only where the source has pixels.
    RECTL have{-src.dx, -src.dy, src.src.width - src.dx, src.src.height - src.dy};
    if (!Intersect(limit, have, &limit)) return TRUE;
  }
  MaskSource mask;
  if (masked) {
    if (!Access(psoMask, &mask.mask) || mask.mask.bits != 1) return Fail(ERROR_INVALID_PARAMETER);
    POINTL mp = pptlMask ? *pptlMask : POINTL{0, 0};
    mask.dx = mp.x - dest.left;
    mask.dy = mp.y - dest.top;
    RECTL have{-mask.dx, -mask.dy, mask.mask.width - mask.dx, mask.mask.height - mask.dy};
    if (!Intersect(limit, have, &limit)) return TRUE;
  }
  PatternSource pat;
  if (need_pat && !MakePattern(pbo, pptlBrush, &pat)) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, limit);
  Combine(trg, rects, dest, need_pat ? &pat : nullptr, need_src ? &src : nullptr,
          masked ? &mask : nullptr, rop4, nullptr);
  return TRUE;
}

ENG_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                         RECTL* prclDest, POINTL* pptlSrc) {
  return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr,
                   nullptr, 0xCCCC);
}

namespace eng::detail {

bool HalftoneWhite(ULONG rgb, LONG x, LONG y) { return HalftoneLuminance(rgb) >= HalftoneThreshold(x, y); }

namespace {

// A 16-bit pixel of five bits a channel (blue lowest) as 0x00RRGGBB; each
// channel is scaled by 255 / 31 so that full intensity stays white.
inline ULONG Rgb555(uint32_t v) {
  const ULONG b = (v & 0x1F) * 255 / 31, g = ((v >> 5) & 0x1F) * 255 / 31, r = ((v >> 10) & 0x1F) * 255 / 31;
  return (r << 16) | (g << 8) | b;
}
inline uint32_t To555(ULONG rgb) {
  return ((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F);
}
inline ULONG GreyOf(ULONG v, int bits) {
  const ULONG g = v * 255 / ((1u << bits) - 1);
  return g | (g << 8) | (g << 16);
}

// The colours of a halftone: source values become 0x00RRGGBB through the
// translation's source palette, averaged colours become target values
// through its target palette. Without a translation, indices of 8 bits
// and less are grey levels, 16-bit values have five bits a channel, and
// deeper values are colours as they stand.
struct HalftoneColours {
  const Xlate* xlate = nullptr;
  int src_bits = 24, trg_bits = 24;
  ULONG white = 1, black = 0;  // one-bit targets
  POINTL origin{0, 0};

  ULONG SourceRgb(uint32_t v) const {
    if (src_bits == 16 && (!xlate || xlate->src_mode != PAL_INDEXED)) return Rgb555(v);
    if (xlate) return XlateSourceRgb(xlate, v) & 0xFFFFFF;
    if (src_bits <= 8) return GreyOf(v & ((1u << src_bits) - 1), src_bits);
    return v & 0xFFFFFF;
  }
  uint32_t Target(ULONG rgb, LONG x, LONG y) const {
    if (trg_bits == 1) {
      // Ordered dither anchored at the halftone origin.
      return HalftoneWhite(rgb, x - origin.x, y - origin.y) ? white : black;
    }
    if (xlate && xlate->dst_mode == PAL_INDEXED) return XlateTargetOf(xlate, rgb);
    if (trg_bits == 16) return To555(rgb);
    if (trg_bits <= 8) {
      // A grey level of the target's depth.
      const uint32_t lum = (((rgb >> 16) & 0xFF) * 77 + ((rgb >> 8) & 0xFF) * 151 + (rgb & 0xFF) * 28) >> 8;
      return lum * ((1u << trg_bits) - 1) / 255;
    }
    return xlate ? XlateTargetOf(xlate, rgb) : rgb;
  }
};

// For each destination cell u of [first, first + n) (counted from the
// destination's near edge) the source pixels [lo, hi) that make it, cut to
// [0, limit): the pixel under the cell's centre, or, when reduce is set and
// the source is longer than the destination, every source pixel the cell
// covers. A mirrored transfer counts the source from its far end.
void MakeSpans(int64_t first, LONG n, LONG s0, int64_t slen, int64_t dlen, bool flip, bool reduce, int64_t limit,
               std::vector<LONG>* lo, std::vector<LONG>* hi) {
  lo->resize(size_t(n));
  hi->resize(size_t(n));
  for (LONG i = 0; i < n; ++i) {
    const __int128 u = first + i;
    int64_t a, b;
    if (reduce && slen > dlen) {
      a = int64_t(u * slen / dlen);
      b = int64_t((u + 1) * slen / dlen);
    } else {
      a = int64_t((2 * u + 1) * slen / (2 * dlen));
      b = a + 1;
    }
    if (flip) {
      const int64_t fa = slen - b, fb = slen - a;
      a = fa;
      b = fb;
    }
    a = std::max<int64_t>(a + s0, 0);
    b = std::min<int64_t>(b + s0, limit);
    (*lo)[size_t(i)] = LONG(std::min(a, b));
    (*hi)[size_t(i)] = LONG(b);
  }
}

// A halftone copy (SRCCOPY) onto a one-bit target, inside the clip
// rectangles rects cut to area: each destination pixel gets the dither of
// the average colour of its source pixels, as the general stretch gives
// it, eight pixels a byte. A destination row made of the same source rows
// as the row before (an enlargement) reuses their averages, and so does a
// column made of the same source columns as the column before.
void HalftoneOneBit(const Pixels& trg, const std::vector<RECTL>& rects, const RECTL& area, const Pixels& src,
                    const std::vector<uint32_t>& lut, const HalftoneColours& colours, const std::vector<LONG>& xlo,
                    const std::vector<LONG>& xhi, const std::vector<LONG>& ylo, const std::vector<LONG>& yhi) {
  constexpr uint16_t kNoSource = 0xFFFF;  // a column without source pixels: left as it is
  thread_local std::vector<uint16_t> lum_buffer;
  std::vector<uint16_t>& lum = lum_buffer;  // (a thread's variable is looked up once, not in the loops)
  // The luminance of each value of a source of 8 bits and less.
  std::vector<uint8_t> lum_of(lut.size());
  for (size_t v = 0; v < lut.size(); ++v) lum_of[v] = uint8_t(HalftoneLuminance(lut[v]));
  // The bits of white and of black.
  const uint32_t white = (colours.white & 1) ? 0xFF : 0, black = (colours.black & 1) ? 0xFF : 0;
  bool gaps = false;  // whether lum holds a column without source pixels
  // An 8-bit source whose columns are the destination's one for one (a
  // plain copy): a row made of one source row goes straight from the
  // source's bytes to the target's, eight pixels a byte.
  bool columns_one_to_one = src.bits == 8 && !lum_of.empty();
  for (size_t i = 0; columns_one_to_one && i < xlo.size(); ++i)
    columns_one_to_one = xhi[i] == xlo[i] + 1 && xlo[i] == xlo[0] + LONG(i);
  for (const RECTL& clip : rects) {
    RECTL r;
    if (!Intersect(clip, area, &r)) continue;
    lum.resize(size_t(r.right - r.left));
    uint16_t* const L = lum.data();
    LONG have_y0 = 0, have_y1 = -1;  // the source rows lum holds
    for (LONG y = r.top; y < r.bottom; ++y) {
      const size_t j = size_t(y - area.top);
      const LONG y0 = ylo[j], y1 = yhi[j];
      if (y0 >= y1) continue;  // no source row here
      if (columns_one_to_one && y1 - y0 == 1) {
        uint8_t threshold[8];
        for (LONG k = 0; k < 8; ++k)
          threshold[k] =
              uint8_t(HalftoneThreshold(LONG((r.left & ~LONG(7)) + k) - colours.origin.x, y - colours.origin.y));
        // s[x - r.left] is the source pixel of destination pixel x.
        const uint8_t* s = src.Row(y0) + xlo[size_t(r.left - area.left)];
        uint8_t* row = trg.Row(y);
        for (LONG b = r.left >> 3; b <= (r.right - 1) >> 3; ++b) {
          const LONG x0 = std::max(b * 8, r.left), x1 = std::min(b * 8 + 8, r.right);
          uint32_t reach = 0;
          if (x1 - x0 == 8) {
            const uint8_t* p = s + (b * 8 - r.left);
            for (int i = 0; i < 8; ++i) reach |= uint32_t(lum_of[p[i]] >= threshold[i]) << (7 - i);
          } else {
            for (LONG x = x0; x < x1; ++x)
              reach |= uint32_t(lum_of[s[x - r.left]] >= threshold[x & 7]) << (7 - (x & 7));
          }
          const uint32_t sel = SpanBits(b, x0, x1), bits = (reach & white) | (~reach & black);
          row[b] = uint8_t((row[b] & ~sel) | (bits & sel));
        }
        have_y0 = 0;  // lum was not used
        have_y1 = -1;
        continue;
      }
      if (y0 != have_y0 || y1 != have_y1) {
        LONG last_x0 = 0, last_x1 = -1;
        uint16_t last = kNoSource;
        gaps = false;
        for (LONG x = r.left; x < r.right; ++x) {
          const size_t i = size_t(x - area.left);
          const LONG x0 = xlo[i], x1 = xhi[i];
          if (x0 != last_x0 || x1 != last_x1) {
            last_x0 = x0;
            last_x1 = x1;
            last = kNoSource;
            if (x1 - x0 == 1 && y1 - y0 == 1) {
              // One source pixel (a copy or an enlargement): its own colour.
              if (src.bits == 8) {
                last = lum_of[src.Row(y0)[x0]];
              } else {
                const uint32_t v = src.Get(x0, y0);
                last = uint16_t(lum_of.empty() ? HalftoneLuminance(colours.SourceRgb(v)) : lum_of[v]);
              }
            } else if (x0 < x1) {
              uint64_t rs = 0, gs = 0, bs = 0, n = 0;
              for (LONG sy = y0; sy < y1; ++sy)
                for (LONG sx = x0; sx < x1; ++sx) {
                  const uint32_t v = src.Get(sx, sy);
                  const ULONG c = lut.empty() ? colours.SourceRgb(v) : lut[v];
                  rs += (c >> 16) & 0xFF;
                  gs += (c >> 8) & 0xFF;
                  bs += c & 0xFF;
                  ++n;
                }
              const ULONG rgb =
                  ULONG((rs + n / 2) / n) << 16 | ULONG((gs + n / 2) / n) << 8 | ULONG((bs + n / 2) / n);
              last = uint16_t(HalftoneLuminance(rgb));
            }
          }
          L[x - r.left] = last;
          gaps = gaps || last == kNoSource;
        }
        have_y0 = y0;
        have_y1 = y1;
      }
      // The thresholds of this row for the eight pixels of a byte, and
      // the byte: a pixel whose luminance reaches its threshold is white.
      uint16_t threshold[8];
      for (LONG k = 0; k < 8; ++k)
        threshold[k] = uint16_t(HalftoneThreshold(LONG((r.left & ~LONG(7)) + k) - colours.origin.x, y - colours.origin.y));
      const uint16_t* l = L;  // from r.left on
      uint8_t* row = trg.Row(y);
      for (LONG b = r.left >> 3; b <= (r.right - 1) >> 3; ++b) {
        const LONG x0 = std::max(b * 8, r.left), x1 = std::min(b * 8 + 8, r.right);
        uint32_t sel = 0, reach = 0;
        if (x0 == b * 8 && x1 == b * 8 + 8 && !gaps) {
          const uint16_t* p = l + (b * 8 - r.left);
          for (int i = 0; i < 8; ++i) reach |= uint32_t(p[i] >= threshold[i]) << (7 - i);
          sel = 0xFF;
        } else {
          for (LONG x = x0; x < x1; ++x) {
            const uint16_t v = l[x - r.left];
            if (v == kNoSource) continue;
            sel |= 0x80u >> (x & 7);
            reach |= uint32_t(v >= threshold[x & 7]) << (7 - (x & 7));
          }
        }
        const uint32_t bits = (reach & white) | (~reach & black);
        if (sel) row[b] = uint8_t((row[b] & ~sel) | (bits & sel));
      }
    }
  }
}

// Drawing onto a surface the device manages (one whose bits the engine
// cannot reach): the engine draws into a bitmap of the surface's format,
// white at first, that covers the drawing's part of the surface inside the
// clip bounds, and hands it to the driver's DrvCopyBits with the clip, as
// Windows' engine does. draw(bitmap, offset) draws with every coordinate
// moved by -offset. A driver whose DrvCopyBits draws onto its own surface
// through the engine again is refused rather than followed round.
thread_local int g_device_handover = 0;

template <class Draw>
BOOL ThroughDevice(SURFOBJ* pso, CLIPOBJ* pco, const RECTL& bounds, Draw draw) {
  Surface* surf = SurfaceFromObj(pso);
  PFN_DrvCopyBits copy = surf ? DeviceCopyBits(pso->hdev) : nullptr;
  if (!copy || !(surf->hooks & HOOK_COPYBITS) || g_device_handover > 0 || FormatBits(pso->iBitmapFormat) == 0)
    return Fail(ERROR_INVALID_PARAMETER);
  RECTL area;
  if (!Intersect(bounds, RECTL{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy}, &area)) return TRUE;
  if (pco && pco->iDComplexity != DC_TRIVIAL && !Intersect(area, pco->rclBounds, &area)) return TRUE;
  HBITMAP bmp = EngCreateBitmap(SIZEL{area.right - area.left, area.bottom - area.top}, 0, pso->iBitmapFormat,
                                BMF_TOPDOWN, nullptr);
  if (!bmp) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  SURFOBJ* tmp = EngLockSurface(reinterpret_cast<HSURF>(bmp));
  RECTL all{0, 0, area.right - area.left, area.bottom - area.top};
  BOOL ok = tmp && EngEraseSurface(tmp, &all, 0xFFFFFFFF) && draw(tmp, POINTL{area.left, area.top});
  if (ok) {
    POINTL zero{0, 0};
    ++g_device_handover;
    ok = copy(pso, tmp, pco, nullptr, &area, &zero);
    --g_device_handover;
  }
  if (tmp) EngUnlockSurface(tmp);
  EngDeleteSurface(reinterpret_cast<HSURF>(bmp));
  return ok;
}

inline bool IsDeviceManaged(const SURFOBJ* so) { return so && so->iType != STYPE_BITMAP && !so->pvScan0; }

inline RECTL Moved(const RECTL& r, const POINTL& by) {
  return RECTL{r.left - by.x, r.top - by.y, r.right - by.x, r.bottom - by.y};
}

// A stretching transfer with a ROP4: each destination pixel inside the
// clip gets ROP3(P, S, D), with the foreground ROP where the mask (sampled
// at the source pixel the destination pixel comes from) is 1 and the
// background ROP where it is 0. S is, by the stretch mode:
// - COLORONCOLOR (and any mode that enlarges): the source pixel under the
//   destination pixel's centre, translated;
// - BLACKONWHITE and WHITEONBLACK: the AND or the OR of the translated
//   source pixels the destination pixel covers;
// - HALFTONE: the average colour of those source pixels, put onto the
//   target: an ordered dither on a one-bit target, the nearest palette
//   entry on an indexed one, the colour itself on a deeper one. A
//   translation that the engine did not make gives no colours to average;
//   HALFTONE then samples as COLORONCOLOR does.
BOOL StretchRop(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo,
                ROP4 rop4) {
  if (IsDeviceManaged(psoDest) && prclDest && prclSrc) {
    return ThroughDevice(psoDest, pco, Ordered(*prclDest), [&](SURFOBJ* tmp, POINTL off) {
      RECTL d = Moved(*prclDest, off);
      POINTL ht = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
      ht.x -= off.x;
      ht.y -= off.y;
      return StretchRop(tmp, psoSrc, psoMask, nullptr, pxlo, &ht, &d, prclSrc, pptlMask, iMode, pbo, rop4);
    });
  }
  Pixels trg;
  if (!Access(psoDest, &trg) || !prclDest || !prclSrc) return Fail(ERROR_INVALID_PARAMETER);
  const uint32_t fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
  const bool masked = fg != bg;
  const bool need_src = RopUsesSource(fg) || (masked && RopUsesSource(bg));
  const bool need_pat = RopUsesPattern(fg) || (masked && RopUsesPattern(bg));
  Pixels src, mask;
  if (need_src && !Access(psoSrc, &src)) return Fail(ERROR_INVALID_PARAMETER);
  if (masked && (!Access(psoMask, &mask) || mask.bits != 1)) return Fail(ERROR_INVALID_PARAMETER);
  POINTL org = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
  PatternSource pat;
  if (need_pat && !MakePattern(pbo, &org, &pat)) return Fail(ERROR_INVALID_PARAMETER);
  const RECTL d = *prclDest, s = *prclSrc;
  const bool flip_x = (d.right < d.left) != (s.right < s.left);
  const bool flip_y = (d.bottom < d.top) != (s.bottom < s.top);
  const RECTL dest = Ordered(d), srect = Ordered(s);
  const int64_t dw = int64_t(dest.right) - dest.left, dh = int64_t(dest.bottom) - dest.top;
  const int64_t sw = int64_t(srect.right) - srect.left, sh = int64_t(srect.bottom) - srect.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return TRUE;
  const POINTL mp = pptlMask ? *pptlMask : POINTL{0, 0};
  const bool dither = iMode == HALFTONE && trg.bits == 1 && need_src && src.bits > 1;
  if (dw == sw && dh == sh && !flip_x && !flip_y && !dither) {
    // Nothing to stretch: a bit-block transfer.
    POINTL sp{srect.left, srect.top};
    POINTL mpt = mp;
    RECTL to = dest;
    return EngBitBlt(psoDest, psoSrc, masked ? psoMask : nullptr, pco, pxlo, &to, &sp, &mpt, pbo, &org, rop4);
  }
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  RECTL area;
  if (rects.empty() || !Intersect(RectsBounds(rects), dest, &area)) return TRUE;
  const LONG aw = area.right - area.left, ah = area.bottom - area.top;
  if (plat::ShouldFail("EngAllocMem")) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  Xlate* ours = XlateFromObj(pxlo);
  const bool averaging = iMode == HALFTONE && need_src && (ours || XlateIsTrivial(pxlo));
  const bool reduce = averaging || iMode == BLACKONWHITE || iMode == WHITEONBLACK;
  const int64_t xlimit = need_src ? src.width : INT32_MAX, ylimit = need_src ? src.height : INT32_MAX;
  std::vector<LONG> xlo, xhi, ylo, yhi, xc, xc_hi, yc, yc_hi;
  MakeSpans(area.left - dest.left, aw, srect.left, sw, dw, flip_x, reduce, xlimit, &xlo, &xhi);
  MakeSpans(area.top - dest.top, ah, srect.top, sh, dh, flip_y, reduce, ylimit, &ylo, &yhi);
  // The mask follows the pixel under each destination pixel's centre.
  MakeSpans(area.left - dest.left, aw, srect.left, sw, dw, flip_x, false, INT32_MAX, &xc, &xc_hi);
  MakeSpans(area.top - dest.top, ah, srect.top, sh, dh, flip_y, false, INT32_MAX, &yc, &yc_hi);
  HalftoneColours colours;
  if (averaging) {
    colours.xlate = ours;
    colours.src_bits = src.bits;
    colours.trg_bits = trg.bits;
    colours.origin = org;
    if (ours && ours->dst_mode == PAL_INDEXED && ours->dst_colors.size() == 2) {
      auto lum = [](ULONG c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF); };
      colours.white = lum(ours->dst_colors[1]) >= lum(ours->dst_colors[0]) ? 1 : 0;
      colours.black = 1 - colours.white;
    }
  }
  const bool trivial = XlateIsTrivial(pxlo);
  const uint32_t vmask = trg.ValueMask();
  // Sources of 8 bits and less: each index translated (or turned into its
  // colour) once.
  std::vector<uint32_t> lut;
  if (need_src && src.bits <= 8) {
    lut.resize(size_t(1) << src.bits);
    for (uint32_t v = 0; v < lut.size(); ++v)
      lut[v] = averaging ? colours.SourceRgb(v) : trivial ? v : XLATEOBJ_iXlate(pxlo, v);
  }
  auto sample = [&](size_t i, size_t j, LONG x, LONG y) -> uint32_t {
    const LONG x0 = xlo[i], x1 = xhi[i], y0 = ylo[j], y1 = yhi[j];
    if (averaging) {
      uint64_t r = 0, g = 0, b = 0, n = 0;
      for (LONG sy = y0; sy < y1; ++sy)
        for (LONG sx = x0; sx < x1; ++sx) {
          const uint32_t v = src.Get(sx, sy);
          const ULONG c = lut.empty() ? colours.SourceRgb(v) : lut[v];
          r += (c >> 16) & 0xFF;
          g += (c >> 8) & 0xFF;
          b += c & 0xFF;
          ++n;
        }
      const ULONG rgb = ULONG((r + n / 2) / n) << 16 | ULONG((g + n / 2) / n) << 8 | ULONG((b + n / 2) / n);
      return colours.Target(rgb, x, y);
    }
    auto value = [&](LONG sx, LONG sy) {
      const uint32_t v = src.Get(sx, sy);
      return !lut.empty() ? lut[v] : trivial ? v : XLATEOBJ_iXlate(pxlo, v);
    };
    if (iMode == BLACKONWHITE || iMode == WHITEONBLACK) {
      uint32_t acc = iMode == BLACKONWHITE ? 0xFFFFFFFFu : 0u;
      for (LONG sy = y0; sy < y1; ++sy)
        for (LONG sx = x0; sx < x1; ++sx) acc = iMode == BLACKONWHITE ? (acc & value(sx, sy)) : (acc | value(sx, sy));
      return acc;
    }
    return value(x0, y0);
  };
  if (averaging && trg.bits == 1 && !masked && fg == 0xCC) {
    HalftoneOneBit(trg, rects, area, src, lut, colours, xlo, xhi, ylo, yhi);
    return TRUE;
  }
  for (const RECTL& clip : rects) {
    RECTL r;
    if (!Intersect(clip, area, &r)) continue;
    for (LONG y = r.top; y < r.bottom; ++y) {
      const size_t j = size_t(y - area.top);
      if (need_src && ylo[j] >= yhi[j]) continue;  // no source row here
      const int64_t my = int64_t(mp.y) + yc[j] - srect.top;
      if (masked && (my < 0 || my >= mask.height)) continue;
      for (LONG x = r.left; x < r.right; ++x) {
        const size_t i = size_t(x - area.left);
        if (need_src && xlo[i] >= xhi[i]) continue;
        uint32_t rop = fg;
        if (masked) {
          const int64_t mx = int64_t(mp.x) + xc[i] - srect.left;
          if (mx < 0 || mx >= mask.width) continue;
          if (!mask.Get(LONG(mx), LONG(my))) rop = bg;
        }
        if (rop == 0xAA) continue;
        const uint32_t sv = RopUsesSource(rop) ? sample(i, j, x, y) : 0;
        const uint32_t pv = RopUsesPattern(rop) ? pat.At(x, y) : 0;
        uint32_t out;
        switch (rop) {
          case 0xCC: out = sv; break;
          case 0xF0: out = pv; break;
          default: out = Rop3(rop, pv, sv, trg.Get(x, y)); break;
        }
        trg.Put(x, y, out & vmask);
      }
    }
  }
  return TRUE;
}

}  // namespace
}  // namespace eng::detail

ENG_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                           XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL* pptlHTOrg, RECTL* prclDest,
                           RECTL* prclSrc, POINTL* pptlMask, ULONG iMode) {
  // A mask stretches with the source: the source is copied where the mask
  // is 1 and the destination stays where it is 0.
  return StretchRop(psoDest, psoSrc, psoMask, pco, pxlo, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode, nullptr,
                    psoMask ? 0xAACC : 0xCCCC);
}

ENG_API BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                              XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL* pptlHTOrg, RECTL* prclDest,
                              RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4) {
  // The brush's pattern is aligned at the halftone origin, the one origin
  // the call carries.
  return StretchRop(psoDest, psoSrc, psoMask, pco, pxlo, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode, pbo,
                    rop4 & 0xFFFF);
}

ENG_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
  if (IsDeviceManaged(pso) && prcl) {
    return ThroughDevice(pso, nullptr, Ordered(*prcl), [&](SURFOBJ* tmp, POINTL off) {
      RECTL r = Moved(Ordered(*prcl), off);
      return EngEraseSurface(tmp, &r, iColor);
    });
  }
  Pixels trg;
  if (!Access(pso, &trg) || !prcl) return Fail(ERROR_INVALID_PARAMETER);
  PatternSource pat;
  pat.present = true;
  pat.solid = iColor;
  Combine(trg, {SurfaceRect(trg)}, Ordered(*prcl), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  return TRUE;
}

ENG_API BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                         POINTL* pptlBrushOrg, MIX mix, FLONG flOptions) {
  return DrawPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, (flOptions & FP_WINDINGMODE) != 0,
                  nullptr);
}

ENG_API BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                           POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
  StrokeStyle st;
  StrokeFromLineAttrs(plineattrs, pxo, &st);
  return DrawPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, false, &st);
}

ENG_API BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                  BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                  POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
  if (!EngFillPath(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions)) return FALSE;
  return EngStrokePath(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
}

// A string: the opaque rectangle, the glyphs through the foreground brush,
// then the extra rectangles.
ENG_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                        RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque,
                        POINTL* pptlOrg, MIX mix) {
  Pixels trg;
  if (!Access(pso, &trg) || !pstro) return Fail(ERROR_INVALID_PARAMETER);
  std::vector<RECTL> rects = ClipRects(pco, SurfaceRect(trg));
  if (prclOpaque && pboOpaque) {
    PatternSource pat;
    if (!MakePattern(pboOpaque, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    Combine(trg, rects, Ordered(*prclOpaque), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  }
  // The glyphs: each glyph's one-bit bitmap at its origin is a mask through
  // which the foreground brush goes with the mix's foreground ROP.
  if (pfo && pboFore && pstro->cGlyphs) {
    PatternSource pat;
    if (!MakePattern(pboFore, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    uint32_t rop2 = mix & 0xFF;
    uint32_t rop = Rop2ToRop3(rop2 >= 1 && rop2 <= 16 ? rop2 : 13);
    STROBJ_vEnumStart(pstro);
    BOOL more;
    do {
      ULONG count = 0;
      GLYPHPOS* gp = nullptr;
      more = STROBJ_bEnum(pstro, &count, &gp);
      for (ULONG i = 0; i < count && gp; ++i) {
        HGLYPH hg = gp[i].hg;
        void* out = nullptr;
        if (FONTOBJ_cGetGlyphs(pfo, FO_GLYPHBITS, 1, &hg, &out) != 1 || !out) continue;
        const GLYPHBITS* gb = static_cast<GLYPHDATA*>(out)->gdf.pgb;
        if (!gb || gb->sizlBitmap.cx <= 0 || gb->sizlBitmap.cy <= 0) continue;
        RECTL dest{gp[i].ptl.x + gb->ptlOrigin.x, gp[i].ptl.y + gb->ptlOrigin.y, 0, 0};
        dest.right = dest.left + gb->sizlBitmap.cx;
        dest.bottom = dest.top + gb->sizlBitmap.cy;
        MaskSource m;
        m.mask.scan0 = const_cast<uint8_t*>(gb->aj);
        m.mask.delta = (gb->sizlBitmap.cx + 7) / 8;
        m.mask.bits = 1;
        m.mask.width = gb->sizlBitmap.cx;
        m.mask.height = gb->sizlBitmap.cy;
        m.dx = -dest.left;
        m.dy = -dest.top;
        Combine(trg, rects, dest, &pat, nullptr, &m, rop | (0xAAu << 8), nullptr);
      }
    } while (more);
  }
  if (prclExtra && pboFore) {
    PatternSource pat;
    if (!MakePattern(pboFore, pptlOrg, &pat)) return Fail(ERROR_INVALID_PARAMETER);
    for (RECTL* r = prclExtra; r->left != r->right && r->top != r->bottom; ++r)
      Combine(trg, rects, Ordered(*r), &pat, nullptr, nullptr, 0xF0F0, nullptr);
  }
  return TRUE;
}
