// DrvRealizeBrush: hatches and patterns become the two pattern forms of the
// printer, a two-colour 32 x 32 one-bit pattern or a 32 x 32 colour pattern.
#include "brushes.h"

#include <cstring>
#include <vector>

#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"

namespace {

constexpr ULONG kDitherHalftone = 2;  // DCR_HALFTONE

// The hatches, one byte per row of 8 pixels, bit 7 leftmost.
constexpr uint8_t kHatches[HS_DDI_MAX][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

void SetBit(GrRbrush* rb, uint32_t x, uint32_t y) { rb->data[y * kRbrushMonoRowBytes + x / 8] |= uint8_t(0x80 >> (x % 8)); }

void SetPixel(GrRbrush* rb, uint32_t x, uint32_t y, ULONG bgr) {
  uint8_t* p = rb->data + y * kRbrushColourRowBytes + x * 3;
  p[0] = uint8_t(bgr);
  p[1] = uint8_t(bgr >> 8);
  p[2] = uint8_t(bgr >> 16);
}

// Read access to a pattern surface in its visual order (top row first),
// refused when its rows cannot hold the pixels its size claims.
struct PatternView {
  const uint8_t* top = nullptr;
  int64_t delta = 0;
  uint32_t width = 0, height = 0;
  int bits = 0;

  bool Open(const SURFOBJ* so) {
    if (!so || !so->pvScan0 || so->sizlBitmap.cx <= 0 || so->sizlBitmap.cy <= 0) return false;
    bits = GrFormatBits(so->iBitmapFormat);
    if (bits == 0) return false;
    width = uint32_t(so->sizlBitmap.cx);
    height = uint32_t(so->sizlBitmap.cy);
    delta = so->lDelta;
    const uint64_t need = (uint64_t(width) * uint64_t(bits) + 7) / 8;
    if (uint64_t(delta < 0 ? -delta : delta) < need) return false;
    top = static_cast<const uint8_t*>(so->pvScan0);
    return true;
  }
  const uint8_t* Row(uint32_t y) const { return top + int64_t(y) * delta; }
  bool Bit(uint32_t x, uint32_t y) const { return (Row(y)[x / 8] >> (7 - x % 8)) & 1; }
  ULONG Index(uint32_t x, uint32_t y) const {
    const uint8_t* r = Row(y);
    if (bits == 4) return (x & 1) ? (r[x / 2] & 0x0F) : (r[x / 2] >> 4);
    return r[x];
  }
  ULONG Bgr(uint32_t x, uint32_t y) const {  // 24- and 32-bit pixels: the first three bytes
    const uint8_t* p = Row(y) + size_t(x) * (bits / 8);
    return ULONG(p[0]) | ULONG(p[1]) << 8 | ULONG(p[2]) << 16;
  }
};

// A 5-bit channel as 8 bits: × 255 / 32, truncated (31 becomes 247).
uint8_t Scale5(uint32_t v) { return uint8_t(v * 255 / 32); }

// The colour of pixel (x, y) of a colour pattern, as blue, green, red in the
// low three bytes.
ULONG ColourOf(const PatternView& v, XLATEOBJ* pxlo, uint32_t x, uint32_t y) {
  switch (v.bits) {
    case 4:
    case 8: return GrXlateEntry(pxlo, v.Index(x, y)) & 0xFFFFFF;
    case 16: {
      const uint8_t* p = v.Row(y) + size_t(x) * 2;
      uint32_t w = uint32_t(p[0]) | uint32_t(p[1]) << 8;
      return ULONG(Scale5(w & 31)) | ULONG(Scale5((w >> 5) & 31)) << 8 | ULONG(Scale5((w >> 10) & 31)) << 16;
    }
    case 24:
    case 32: return v.Bgr(x, y);
    default: return 0;
  }
}

// The distinct colours of a 24-bit 8 x 8 pattern in pixel order; false when
// there are more than two.
bool TwoColours(const PatternView& v, ULONG colours[2], int* count) {
  *count = 0;
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 8; ++x) {
      ULONG c = v.Bgr(x, y);
      if (*count > 0 && colours[0] == c) continue;
      if (*count > 1 && colours[1] == c) continue;
      if (*count == 2) return false;
      colours[(*count)++] = c;
    }
  return true;
}

// Sets the bits of a two-colour brush from a predicate over the pattern: an
// 8 x 8 pattern has each pixel drawn as 2 x 2 and the 16 x 16 result
// repeated; any other size is tiled, one pixel for each.
template <typename Set>
void FillTwoColour(GrRbrush* rb, uint32_t width, uint32_t height, Set is_set) {
  const bool eight = width == 8 && height == 8;
  for (uint32_t y = 0; y < kRbrushSide; ++y)
    for (uint32_t x = 0; x < kRbrushSide; ++x) {
      uint32_t px = eight ? (x % 16) / 2 : x % width;
      uint32_t py = eight ? (y % 16) / 2 : y % height;
      if (is_set(px, py)) SetBit(rb, x, y);
    }
}

// The side of the square an 8- or 24-bit pattern of this width is
// stretched to before it is tiled.
uint32_t StretchSide(uint32_t width) {
  if (width <= 2) return 4;
  if (width <= 4) return 8;
  if (width <= 10) return 16;
  return 32;
}

// Stretches the pattern into a 24-bit square and tiles it; false when the
// engine cannot make the square.
bool StretchedColour(GrRbrush* rb, SURFOBJ* pattern, XLATEOBJ* pxlo, uint32_t side) {
  HBITMAP bm = EngCreateBitmap(SIZEL{LONG(side), LONG(side)}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
  if (!bm) return false;
  SURFOBJ* tmp = EngLockSurface(bm);
  bool ok = false;
  if (tmp) {
    RECTL dst{0, 0, LONG(side), LONG(side)};
    RECTL src{0, 0, pattern->sizlBitmap.cx, pattern->sizlBitmap.cy};
    ok = EngStretchBlt(tmp, pattern, nullptr, nullptr, pxlo, nullptr, nullptr, &dst, &src, nullptr, COLORONCOLOR);
    PatternView v;
    if (ok && v.Open(tmp)) {
      for (uint32_t y = 0; y < kRbrushSide; ++y)
        for (uint32_t x = 0; x < kRbrushSide; ++x) SetPixel(rb, x, y, v.Bgr(x % side, y % side));
    } else {
      ok = false;
    }
    EngUnlockSurface(tmp);
  }
  EngDeleteSurface(bm);
  return ok;
}

void RealizeColour(GrRbrush* rb, const PatternView& v, SURFOBJ* pattern, XLATEOBJ* pxlo) {
  rb->brush.kind = kBrushColour;
  rb->brush.bits = 24;
  rb->brush.colors[0] = 0x000000;
  rb->brush.colors[1] = 0xFFFFFF;
  const bool eight = v.width == 8 && v.height == 8;
  if (!eight && (v.bits == 8 || v.bits == 24) && StretchedColour(rb, pattern, pxlo, StretchSide(v.width))) return;
  // 8 x 8 tiles, and the direct tiling of the other sizes: each pattern
  // pixel one pixel, repeated.
  for (uint32_t y = 0; y < kRbrushSide; ++y)
    for (uint32_t x = 0; x < kRbrushSide; ++x) SetPixel(rb, x, y, ColourOf(v, pxlo, x % v.width, y % v.height));
}

}  // namespace

ULONG GrXlateEntry(XLATEOBJ* pxlo, ULONG index) {
  if (!pxlo || !(pxlo->flXlate & XO_TABLE) || !pxlo->pulXlate) return index == 0 ? 0x000000 : 0xFFFFFF;
  return index < pxlo->cEntries ? pxlo->pulXlate[index] : 0;
}

BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* /*psoMask*/, XLATEOBJ* pxlo,
                     ULONG iHatch) {
  Pdev* pdev = GrPdevOfSurface(psoTarget);
  if (!pdev || !pbo) return FALSE;
  PatternView v;
  if (iHatch >= HS_DDI_MAX && !v.Open(psoPattern)) return FALSE;

  GrRbrush rb{};
  rb.brush.size = kRbrushSide;
  rb.brush.hostCorrected = pxlo && (pxlo->flXlate & XO_HOST_ICM);
  if (iHatch < HS_DDI_MAX) {
    rb.brush.kind = kBrushTwoColour;
    rb.brush.bits = 1;
    rb.brush.colors[0] = GrXlateEntry(pxlo, 1);
    rb.brush.colors[1] = GrXlateEntry(pxlo, 0);
    // Every hatch bit is 4 x 4 pixels: the 8 x 8 hatch fills the pattern once.
    const uint8_t* rows = kHatches[iHatch];
    for (uint32_t y = 0; y < kRbrushSide; ++y)
      for (uint32_t x = 0; x < kRbrushSide; ++x)
        if ((rows[y / 4] >> (7 - x / 4)) & 1) SetBit(&rb, x, y);
  } else if (v.bits == 1) {
    rb.brush.kind = kBrushTwoColour;
    rb.brush.bits = 1;
    rb.brush.colors[0] = GrXlateEntry(pxlo, 0);
    rb.brush.colors[1] = GrXlateEntry(pxlo, 1);
    FillTwoColour(&rb, v.width, v.height, [&](uint32_t x, uint32_t y) { return !v.Bit(x, y); });
  } else {
    ULONG colours[2] = {0, 0};
    int count = 0;
    if (v.bits == 24 && v.width == 8 && v.height == 8 && TwoColours(v, colours, &count)) {
      rb.brush.kind = kBrushTwoColour;
      rb.brush.bits = 1;
      rb.brush.colors[0] = colours[0];
      rb.brush.colors[1] = count == 2 ? colours[1] : 0x000000;
      FillTwoColour(&rb, 8, 8, [&](uint32_t x, uint32_t y) { return v.Bgr(x, y) == colours[0]; });
    } else {
      RealizeColour(&rb, v, psoPattern, pxlo);
    }
  }
  auto* out = static_cast<GrRbrush*>(BRUSHOBJ_pvAllocRbrush(pbo, sizeof(GrRbrush)));
  if (!out) return FALSE;
  std::memcpy(out, &rb, sizeof rb);
  out->brush.data = out->data;
  return TRUE;
}

ULONG DrvDitherColor(DHPDEV dhpdev, ULONG, ULONG, ULONG*) {
  if (!GrCheckPdev(dhpdev)) return 0;
  return kDitherHalftone;
}
