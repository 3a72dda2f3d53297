// DrvTextOut: the string's opaque box and colours, its font select, then
// the glyphs as character codes, outlines or downloaded bitmaps, and the
// engine's extra rectangles (underline, strike-out). In raster mode the
// engine draws the string into the band.
#include <algorithm>
#include <cstring>

#include "gr2k/ddi_entries.h"
#include "gr2k/glyph.h"
#include "gr2k/text.h"
#include "gr2k/vector.h"
#include "plat/kernel.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kMaxRecordCount = 0xFFFF;  // u16 counts of the string and run records

// One glyph of a string: handle, character origin on the page, the code the
// records carry.
struct Glyph {
  HGLYPH hg;
  int32_t x, y;
  uint16_t code;
};

// The glyphs of a string in pool memory, with their places: from the
// position array when the string has one, else enumerated. With default
// placement each glyph lies ulCharInc further than the one before, along x
// for a horizontal string, else along y (backwards when reversed).
class GlyphList {
 public:
  GlyphList(Pdev* pdev, STROBJ* str) : pdev_(pdev) {
    const uint32_t total = str->cGlyphs;
    if (total == 0) {
      ok_ = true;
      return;
    }
    glyphs_ = static_cast<Glyph*>(GrPoolAlloc(pdev->pool, uint64_t(total) * sizeof(Glyph)));
    if (!glyphs_) return;
    const bool index_text = (str->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
    auto add = [&](const GLYPHPOS& gp) {
      if (count_ >= total) return;
      Glyph& g = glyphs_[count_];
      g.hg = gp.hg;
      g.x = gp.ptl.x;
      g.y = gp.ptl.y;
      // The character itself where the string has its text, else the
      // glyph handle (always for glyph-index text).
      const char16_t ch = !index_text && str->pwszOrg ? str->pwszOrg[count_] : u'\0';
      g.code = uint16_t(ch ? ch : gp.hg);
      ++count_;
    };
    if (str->pgp) {
      for (uint32_t i = 0; i < total; ++i) add(str->pgp[i]);
    } else {
      STROBJ_vEnumStart(str);
      bool more = true;
      while (more && count_ < total) {
        ULONG n = 0;
        GLYPHPOS* batch = nullptr;
        more = STROBJ_bEnum(str, &n, &batch) != FALSE;
        if (!batch) break;
        for (ULONG i = 0; i < n; ++i) add(batch[i]);
        if (n == 0) break;
      }
    }
    if ((str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc && count_) {
      const int64_t inc = (str->flAccel & SO_REVERSED) ? -int64_t(str->ulCharInc) : int64_t(str->ulCharInc);
      const bool along_x = (str->flAccel & SO_HORIZONTAL) != 0;
      for (uint32_t i = 1; i < count_; ++i) {
        const int64_t at = (along_x ? glyphs_[0].x : glyphs_[0].y) + int64_t(i) * inc;
        const int32_t v = int32_t(std::clamp<int64_t>(at, INT32_MIN, INT32_MAX));
        if (along_x) {
          glyphs_[i].x = v;
          glyphs_[i].y = glyphs_[0].y;
        } else {
          glyphs_[i].y = v;
          glyphs_[i].x = glyphs_[0].x;
        }
      }
    }
    ok_ = true;
  }
  ~GlyphList() { GrPoolFree(pdev_->pool, glyphs_); }
  GlyphList(const GlyphList&) = delete;
  GlyphList& operator=(const GlyphList&) = delete;

  bool ok() const { return ok_; }
  uint32_t size() const { return count_; }
  const Glyph& operator[](uint32_t i) const { return glyphs_[i]; }

 private:
  Pdev* pdev_;
  Glyph* glyphs_ = nullptr;
  uint32_t count_ = 0;
  bool ok_ = false;
};

// Pool memory freed when it goes out of scope.
template <typename T>
class PoolArray {
 public:
  PoolArray(Pdev* pdev, uint64_t n) : pdev_(pdev) {
    if (n) p_ = static_cast<T*>(GrPoolAlloc(pdev->pool, n * sizeof(T)));
  }
  ~PoolArray() { GrPoolFree(pdev_->pool, p_); }
  PoolArray(const PoolArray&) = delete;
  PoolArray& operator=(const PoolArray&) = delete;
  T* get() const { return p_; }
  T& operator[](uint64_t i) const { return p_[i]; }

 private:
  Pdev* pdev_;
  T* p_ = nullptr;
};

bool FitsI16(int64_t v) { return v >= INT16_MIN && v <= INT16_MAX; }

DlRectangle RectOf(const RECTL& r) { return DlRectangle{r.left, r.top, r.right, r.bottom}; }

// The top-left corner of a character's cell: the character origin moved
// back by the ascent, turned with the escapement.
void CellCorner(const TxtFont& font, int32_t x, int32_t y, int32_t* cx, int32_t* cy) {
  const int64_t sx = (int64_t(font.ascent) * TxtSin(font.angle)) >> 14;
  const int64_t sy = (int64_t(font.ascent) * TxtCos(font.angle)) >> 14;
  *cx = int32_t(std::clamp<int64_t>(x - sx, INT32_MIN, INT32_MAX));
  *cy = int32_t(std::clamp<int64_t>(y - sy, INT32_MIN, INT32_MAX));
}

uint8_t GlyphFlags(const TxtFont& font) { return font.desc.glyphIndex ? kGlyphFlagIndex : kGlyphFlagChar; }

// ---- glyph bitmaps ------------------------------------------------------------------------
const GLYPHBITS* GlyphBitsOf(FONTOBJ* font, HGLYPH hg) {
  GLYPHDATA* data = nullptr;
  if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)) != 1 || !data) return nullptr;
  const GLYPHBITS* bits = data->gdf.pgb;
  if (!bits || bits->sizlBitmap.cx < 0 || bits->sizlBitmap.cy < 0) return nullptr;
  return bits;
}

bool IsBlank(const GLYPHBITS* bits) { return bits->sizlBitmap.cx == 0 || bits->sizlBitmap.cy == 0; }

// A glyph's rows ready for a record: compressed when that fits in the plain
// size rounded up to 4, else plain. The buffer is from the pool.
struct EncodedGlyph {
  uint8_t* data = nullptr;
  uint64_t bytes = 0;
  uint8_t coding = kGlyphPlain;
};

enum class Encode { kOk, kNoMemory };

Encode EncodeGlyph(Pdev* pdev, const GLYPHBITS* bits, EncodedGlyph* out) {
  *out = EncodedGlyph{};
  const uint32_t row_bytes = (uint32_t(bits->sizlBitmap.cx) + 7) / 8;
  const uint32_t rows = uint32_t(bits->sizlBitmap.cy);
  const uint64_t plain = uint64_t(row_bytes) * rows;
  if (plain == 0) return Encode::kOk;
  const uint64_t capacity = (plain + 3) & ~uint64_t(3);
  auto* buffer = static_cast<uint8_t*>(GrPoolAllocUninit(pdev->pool, capacity));
  if (!buffer) {
    // The cache's entries come from the same pool: give them back and try once more.
    GlyphCacheRelease(pdev);
    buffer = static_cast<uint8_t*>(GrPoolAllocUninit(pdev->pool, capacity));
    if (!buffer) return Encode::kNoMemory;
  }
  const uint32_t packed = GlyphCompress(pdev, bits->aj, buffer, capacity, rows, row_bytes);
  if (packed) {
    out->bytes = packed;
    out->coding = kGlyphCompressed;
  } else {
    std::memcpy(buffer, bits->aj, size_t(plain));
    out->bytes = plain;
    out->coding = kGlyphPlain;
  }
  out->data = buffer;
  return Encode::kOk;
}

uint32_t CacheBucket(Pdev* pdev, const TxtFont& font, uint16_t code) {
  return GlyphCacheBucket(pdev, font.desc.fontId, pdev->glyphs.generation, int16_t(code));
}

bool InCache(Pdev* pdev, const TxtFont& font, uint16_t code) {
  return GlyphCacheFind(pdev, CacheBucket(pdev, font, code), font.desc.fontId, pdev->glyphs.generation,
                        int16_t(code), font.orientation) != FALSE;
}

bool AddToCache(Pdev* pdev, const TxtFont& font, uint16_t code) {
  return GlyphCacheAdd(pdev, CacheBucket(pdev, font, code), font.desc.fontId, pdev->glyphs.generation,
                       int16_t(code), font.orientation) != nullptr;
}

// Every glyph of the string not yet sent on this page, as a definition
// (0x54) that the printer keeps. The ink origin of each glyph is noted for
// the run; missing: the glyph could not be had.
struct RunGlyph {
  int32_t originX, originY;
  bool missing;
};

bool DefineGlyphs(Pdev* pdev, FONTOBJ* font, const TxtFont& desc, const GlyphList& glyphs, RunGlyph* run) {
  const uint8_t flags = GlyphFlags(desc);
  for (uint32_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    RunGlyph& r = run[i];
    r = RunGlyph{};
    const GLYPHBITS* bits = GlyphBitsOf(font, g.hg);
    if (!bits) {
      r.missing = true;
      continue;
    }
    r.originX = g.x + bits->ptlOrigin.x;
    r.originY = g.y + bits->ptlOrigin.y;
    // A glyph without pixels (a space) has nothing to define; it keeps its
    // place in the run.
    if (IsBlank(bits) || InCache(pdev, desc, g.code)) continue;
    EncodedGlyph enc;
    if (EncodeGlyph(pdev, bits, &enc) != Encode::kOk) return false;
    const uint8_t* rec = DlGlyphDefine(&pdev->stream, flags, uint32_t(bits->sizlBitmap.cx),
                                       uint32_t(bits->sizlBitmap.cy), g.code, enc.coding, enc.data, enc.bytes);
    GrPoolFree(pdev->pool, enc.data);
    if (!rec || !AddToCache(pdev, desc, g.code)) return false;
  }
  return true;
}

}  // namespace

// ---- character codes (kind 2) --------------------------------------------------------------------

bool TxtCharCells(Pdev* pdev, STROBJ* str, const TxtFont& font) {
  GlyphList glyphs(pdev, str);
  if (!glyphs.ok()) return false;
  for (uint32_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    int32_t cx, cy;
    CellCorner(font, g.x, g.y, &cx, &cy);
    const DlRectangle cell{cx, cy, int32_t(std::min<int64_t>(int64_t(cx) + font.emWidth, INT32_MAX)),
                           int32_t(std::min<int64_t>(int64_t(cy) + font.emHeight, INT32_MAX))};
    if (!DlCharCell(&pdev->stream, cell, cx, cy, g.code)) return false;
  }
  return true;
}

bool TxtCharString(Pdev* pdev, STROBJ* str, FONTOBJ* /*font*/, const TxtFont& desc) {
  const DlRectangle background = RectOf(str->rclBkGround);
  const bool horizontal = (str->flAccel & SO_HORIZONTAL) != 0;
  const bool vertical = !horizontal && (str->flAccel & SO_VERTICAL) != 0;
  GlyphList glyphs(pdev, str);
  if (!glyphs.ok()) return false;
  const uint32_t n = glyphs.size();
  if (n == 0) return true;
  PoolArray<uint16_t> codes(pdev, n);
  PoolArray<int16_t> advances(pdev, n);
  if (!codes.get() || !advances.get()) return false;
  for (uint32_t i = 0; i < n; ++i) codes[i] = glyphs[i].code;

  // One advance for all characters: the string starts at the background's
  // top-left corner.
  if ((str->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && str->ulCharInc) {
    const int64_t advance = (str->flAccel & SO_REVERSED) ? -int64_t(str->ulCharInc) : int64_t(str->ulCharInc);
    if (FitsI16(advance)) {
      const int16_t one = int16_t(advance);
      for (uint32_t start = 0; start < n; start += kMaxRecordCount) {
        const uint32_t count = std::min(n - start, kMaxRecordCount);
        const int64_t shift = int64_t(start) * advance;
        const int64_t x = background.left + (vertical ? 0 : shift), y = background.top + (vertical ? shift : 0);
        if (!DlString(&pdev->stream, background, int32_t(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)),
                      int32_t(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX)), codes.get() + start, count, &one, false))
          return false;
      }
      return true;
    }
    return TxtCharCells(pdev, str, desc);
  }

  // One advance a character along the string's axis, when the characters
  // stand on one line and every step fits its 16-bit field.
  if (desc.angle == 0 && (horizontal || vertical)) {
    bool fits = true;
    for (uint32_t i = 0; fits && i < n; ++i) {
      const Glyph& g = glyphs[i];
      if (horizontal ? g.y != glyphs[0].y : g.x != glyphs[0].x) {
        fits = false;
        break;
      }
      if (i + 1 == n) {
        advances[i] = 0;
        break;
      }
      const int64_t step = horizontal ? int64_t(glyphs[i + 1].x) - g.x : int64_t(glyphs[i + 1].y) - g.y;
      fits = FitsI16(step);
      advances[i] = int16_t(fits ? step : 0);
    }
    if (fits) {
      // A string longer than the count field goes out in pieces, each from
      // its first character's place.
      for (uint32_t start = 0; start < n; start += kMaxRecordCount) {
        const uint32_t count = std::min(n - start, kMaxRecordCount);
        const int16_t last = advances[start + count - 1];
        advances[start + count - 1] = 0;
        const Glyph& first = glyphs[start];
        const int32_t y = int32_t(std::max<int64_t>(int64_t(first.y) - desc.ascent, INT32_MIN));
        const bool ok = DlString(&pdev->stream, background, first.x, y, codes.get() + start, count,
                                 advances.get() + start, true) != nullptr;
        advances[start + count - 1] = last;
        if (!ok) return false;
      }
      return true;
    }
  }
  return TxtCharCells(pdev, str, desc);
}

// ---- outlines (kind 4) ----------------------------------------------------------------------------

bool TxtGlyphOutlines(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& /*desc*/) {
  GlyphList glyphs(pdev, str);
  if (!glyphs.ok()) return false;
  for (uint32_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    HGLYPH hg = g.hg;
    const OutlineCacheEntry* cached = OutlineCacheFind(pdev, font->iUniq, hg);
    if (!cached) {
      GLYPHDATA* data = nullptr;
      if (FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&data)) != 1 || !data ||
          !data->gdf.ppo)
        continue;
      PATHOBJ* path = data->gdf.ppo;
      RECTFX bounds{};
      PATHOBJ_vGetBounds(path, &bounds);
      // The outline's bounds in whole pixels, relative to the glyph's place.
      const int32_t left = bounds.xLeft >> 4, top = bounds.yTop >> 4;
      const int32_t right = (bounds.xRight + 15) >> 4, bottom = (bounds.yBottom + 15) >> 4;
      bool closed = false;
      uint8_t* outline = nullptr;
      const uint32_t bytes = GpathEncodeOutline(pdev, path, &closed, &outline, -left * 16, -top * 16);
      if (bytes == 0) continue;
      cached = OutlineCacheAdd(pdev, font->iUniq, hg, left, top, right, bottom, outline, bytes);
      if (!cached) {
        // No room to keep it: this use sends it all the same.
        const DlRectangle box{g.x + left, g.y + top, g.x + right, g.y + bottom};
        const bool ok = DlGlyphOutline(&pdev->stream, box, box.left, box.top, g.code, outline, bytes) != nullptr;
        GrPoolFree(pdev->pool, outline);
        if (!ok) return false;
        continue;
      }
    }
    const DlRectangle box{g.x + cached->left, g.y + cached->top, g.x + cached->right, g.y + cached->bottom};
    if (!DlGlyphOutline(&pdev->stream, box, box.left, box.top, g.code, cached->data, cached->bytes)) return false;
  }
  return true;
}

// ---- downloaded glyphs (kind 5) --------------------------------------------------------------

bool TxtGlyphBitmaps(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc, bool cacheable) {
  GlyphList glyphs(pdev, str);
  if (!glyphs.ok()) return false;
  const uint8_t flags = GlyphFlags(desc);
  for (uint32_t i = 0; i < glyphs.size(); ++i) {
    const Glyph& g = glyphs[i];
    const GLYPHBITS* bits = GlyphBitsOf(font, g.hg);
    if (!bits) continue;
    DlGlyphBitmapArgs a{};
    a.cached = cacheable;
    a.flags = flags;
    a.left = g.x + bits->ptlOrigin.x;
    a.top = g.y + bits->ptlOrigin.y;
    a.width = uint32_t(bits->sizlBitmap.cx);
    a.height = uint32_t(bits->sizlBitmap.cy);
    a.ink = DlRectangle{a.left, a.top, int32_t(a.left + int64_t(a.width)), int32_t(a.top + int64_t(a.height))};
    CellCorner(desc, g.x, g.y, &a.cellX, &a.cellY);
    a.code = g.code;
    if (cacheable && InCache(pdev, desc, g.code)) {
      a.flags |= kGlyphFlagSent;
      if (!DlGlyphBitmap(&pdev->stream, a)) return false;
      continue;
    }
    EncodedGlyph enc;
    if (EncodeGlyph(pdev, bits, &enc) != Encode::kOk) return false;
    a.coding = enc.coding;
    a.data = enc.data;
    a.dataBytes = enc.bytes;
    const bool ok = DlGlyphBitmap(&pdev->stream, a) != nullptr;
    GrPoolFree(pdev->pool, enc.data);
    if (!ok) return false;
    if (cacheable && !AddToCache(pdev, desc, g.code)) GlyphCacheRelease(pdev);
  }
  return true;
}

bool TxtGlyphRun(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc) {
  GlyphList glyphs(pdev, str);
  if (!glyphs.ok()) return false;
  const uint32_t n = glyphs.size();
  if (n == 0) return true;
  PoolArray<RunGlyph> run(pdev, n);
  PoolArray<DlGlyphStep> steps(pdev, std::min(n, kMaxRecordCount));
  if (!run.get() || !steps.get() || !DefineGlyphs(pdev, font, desc, glyphs, run.get())) {
    // The printer may lack some of the glyphs now: send every one with its bitmap.
    GlyphCacheRelease(pdev);
    return TxtGlyphBitmaps(pdev, str, font, desc, false);
  }
  const DlRectangle background = RectOf(str->rclBkGround);
  const uint8_t flags = GlyphFlags(desc);
  // Runs of at most 65,535 glyphs whose moves fit their 16-bit fields; a
  // glyph that does not fit begins a new run at its own origin.
  uint32_t count = 0;
  int32_t run_x = 0, run_y = 0;  // origin of the run being built
  int32_t at_x = 0, at_y = 0;    // the printer's place after the last glyph
  auto flush = [&]() {
    if (count == 0) return true;
    const bool ok = DlGlyphRun(&pdev->stream, flags, background, run_x, run_y, steps.get(), count) != nullptr;
    count = 0;
    return ok;
  };
  for (uint32_t i = 0; i < n; ++i) {
    const RunGlyph& r = run[i];
    int32_t ox = at_x, oy = at_y;
    if (!r.missing) {
      ox = r.originX;
      oy = r.originY;
    } else if (count == 0) {
      ox = background.left;  // a run that starts without its glyph starts at the background
      oy = background.top;
    }
    const int64_t dx = int64_t(ox) - at_x, dy = int64_t(oy) - at_y;
    if (count == kMaxRecordCount || (count && (!FitsI16(dx) || !FitsI16(dy)))) {
      if (!flush()) return false;
    }
    if (count == 0) {
      run_x = ox;
      run_y = oy;
      steps[0] = DlGlyphStep{0, 0, glyphs[i].code};
    } else {
      steps[count] = r.missing ? DlGlyphStep{0, 0, glyphs[i].code}
                               : DlGlyphStep{int16_t(dx), int16_t(dy), glyphs[i].code};
    }
    ++count;
    if (!r.missing || count == 1) {
      at_x = ox;
      at_y = oy;
    }
  }
  return flush();
}

bool TxtDownloadText(Pdev* pdev, STROBJ* str, FONTOBJ* font, const TxtFont& desc) {
  const bool cacheable =
      std::strcmp(desc.familyName, "EUDC") != 0 && std::strcmp(desc.desc.faceName, "EUDC") != 0 && !desc.mirrored;
  if (!cacheable || desc.angle != 0 || desc.desc.vertical) return TxtGlyphBitmaps(pdev, str, font, desc, cacheable);
  return TxtGlyphRun(pdev, str, font, desc);
}

// ---- the DDI entries -----------------------------------------------------------------------------

namespace {

bool HostCorrected(const BRUSHOBJ* brush) { return brush && (brush->flColorType & BR_HOST_ICM); }

// The colour state of a text brush: a pattern draws opaque in its two
// colours, a plain colour transparent over white. The pattern record is
// written for the foreground only; the opaque box takes the colours alone.
bool SetTextBrush(Pdev* pdev, SURFOBJ* pso, BRUSHOBJ* brush, POINTL* origin, MIX mix, bool with_pattern) {
  const DlBrush* b = GsBrushFromBrushObj(pdev, pso, brush, origin);
  if (!b) return false;
  GsColorState state{};
  GsColorFromMix(mix, &state, false);
  state.foreground = b->colors[0];
  if (b->kind != kBrushPlain) {
    state.backMode = kBackOpaque;
    state.background = b->colors[1];
  } else {
    state.backMode = kBackTransparent;
    state.background = kWhite;
  }
  state.kind = kDrawText;
  state.hostCorrected = HostCorrected(brush);
  return (!with_pattern || GsSetPattern(pdev, b)) && GsSetColor(pdev, state) && GsSetBackMode(pdev, uint8_t(state.backMode)) &&
         GsSetRop(pdev, GsRop2ToRop3(uint32_t(state.rop2)));
}

bool IsEmpty(const RECTL& r) { return r.left == r.right || r.top == r.bottom; }

}  // namespace

BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return FALSE;
  const IFIMETRICS* ifi = pfo ? FONTOBJ_pifi(pfo) : nullptr;
  if (!pstro || !ifi) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pdev->drawingSuppressed) return TRUE;
  if (pdev->flags & kPdevOutputFailed) return FALSE;
  if (pdev->rasterMode) {
    POINTL zero{0, 0};
    return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg ? pptlOrg : &zero,
                      mix);
  }
  if (GsSetClip(pdev, pco) < 0) return FALSE;

  if (pboOpaque && prclOpaque && !IsEmpty(*prclOpaque)) {
    if (!SetTextBrush(pdev, pso, pboOpaque, pptlOrg, mix, false)) return FALSE;
    if (!DlRect(&pdev->stream, kRectFill, RectOf(*prclOpaque))) return FALSE;
  }
  if (!SetTextBrush(pdev, pso, pboFore, pptlOrg, mix, true)) return FALSE;

  TxtFont font;
  if (!TxtDescribeFont(pdev, pstro, pfo, &font)) return FALSE;
  bool ok;
  if (!pdev->textAsDeviceFonts || pdev->printMethod == 5 || pdev->apiUseFlag) {
    ok = TxtSelectFont(pdev, pstro, pfo, ifi, &font);
    if (ok) {
      ok = font.desc.kind == kTxtKindOutline ? TxtGlyphOutlines(pdev, pstro, pfo, font)
                                             : TxtCharString(pdev, pstro, pfo, font);
    }
  } else {
    ok = TxtSelectDeviceFont(pdev, &font);
    if (ok) {
      ok = font.desc.kind == kTxtKindChars ? TxtCharString(pdev, pstro, pfo, font)
                                           : TxtDownloadText(pdev, pstro, pfo, font);
    }
  }
  if (!ok) return FALSE;

  for (const RECTL* r = prclExtra; r && !IsEmpty(*r); ++r)
    if (!DlRect(&pdev->stream, kRectFill, RectOf(*r))) return FALSE;
  return TRUE;
}

ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ*) {
  if (!GrCheckPdev(dhpdev)) return 0;
  return FO_GLYPHBITS;
}
