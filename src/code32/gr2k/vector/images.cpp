// The bit-block transfers of VELMPD0. In vector mode a transfer with a
// source becomes an image record (0x20) and one without a source a filled
// rectangle; in raster mode each goes to the engine's routine, which draws
// into the band bitmap.
#include <algorithm>
#include <cstring>
#include <vector>

#include "brushes.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/dlrecords.h"
#include "gr2k/pdev.h"
#include "gr2k/vector.h"
#include "plat/kernel.h"

namespace {

constexpr uint8_t kTransparent = 1;
constexpr uint8_t kOpaque = 2;
constexpr ROP4 kRopNop = 0xAAAA;
constexpr ROP4 kRopMaskedCopy = 0xAACC;
constexpr ROP4 kRopCopy4 = 0xCCCC;
constexpr uint8_t kSrcCopy = 0xCC;
constexpr uint8_t kSrcAnd = 0x88;
constexpr uint8_t kSrcPaint = 0xEE;
// 24-bit data above this size is halved in both directions when it has to
// be written without a temporary bitmap.
constexpr uint64_t kDirectLimit = 0xA00000;

// The Pdev of a transfer's target; null when the call fails. *skip: drawing
// is suppressed and the call succeeds without output.
Pdev* Target(SURFOBJ* pso, bool* skip) {
  *skip = false;
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev || (pdev->flags & kPdevOutputFailed)) return nullptr;
  *skip = pdev->drawingSuppressed != 0;
  return pdev;
}

// A plain bitmap whose rows hold the pixels its size claims.
bool IsBitmap(const SURFOBJ* so) {
  if (!so || so->iType != STYPE_BITMAP || !so->pvScan0) return false;
  const int bits = GrFormatBits(so->iBitmapFormat);
  if (bits == 0 || so->sizlBitmap.cx < 0 || so->sizlBitmap.cy < 0) return false;
  const int64_t distance = so->lDelta < 0 ? -int64_t(so->lDelta) : int64_t(so->lDelta);
  return distance >= (int64_t(so->sizlBitmap.cx) * bits + 7) / 8;
}

// The record's depth code of a format, or -1 when it must be converted.
int DepthCode(ULONG format) {
  switch (format) {
    case BMF_1BPP: return int(kImageDepth1);
    case BMF_4BPP: return int(kImageDepth4);
    case BMF_8BPP: return int(kImageDepth8);
    case BMF_24BPP: return int(kImageDepth24);
    default: return -1;
  }
}

uint32_t PaletteEntries(int depth) {
  return depth == int(kImageDepth1) ? 2 : depth == int(kImageDepth4) ? 16 : depth == int(kImageDepth8) ? 256 : 0;
}

// The palette of data below 24 bits: the translation's entries (4 bytes
// each, blue, green, red), unless there is no table or it is the grey ramp.
struct Palette {
  ULONG entries[256];
  bool present = false;
  bool grey = false;
};

void MakePalette(XLATEOBJ* pxlo, int depth, Palette* pal) {
  const uint32_t n = PaletteEntries(depth);
  if (n == 0 || !pxlo || !(pxlo->flXlate & XO_TABLE) || !pxlo->pulXlate) return;
  bool grey = true;
  for (uint32_t i = 0; i < n; ++i) {
    ULONG v = GrXlateEntry(pxlo, i) & 0xFFFFFF;
    pal->entries[i] = v;
    ULONG g = i * 255 / (n - 1);
    if (v != (g | g << 8 | g << 16)) grey = false;
  }
  pal->present = !grey;
  pal->grey = grey;
}

// A temporary bitmap of the engine, locked for drawing, deleted at the end.
struct TempBitmap {
  HBITMAP bitmap = nullptr;
  SURFOBJ* so = nullptr;
  bool Make(Pdev* pdev, LONG width, LONG height, ULONG format) {
    if (width <= 0 || height <= 0) return false;
    bitmap = EngCreateBitmap(SIZEL{width, height}, 0, format, BMF_TOPDOWN, nullptr);
    if (!bitmap) return false;
    if (pdev->engineDevice) EngAssociateSurface(reinterpret_cast<HSURF>(bitmap), static_cast<HDEV>(pdev->engineDevice), 0);
    so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
    return so != nullptr;
  }
  ~TempBitmap() {
    if (so) EngUnlockSurface(so);
    if (bitmap) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
  }
};

struct Dest {
  LONG left, top, width, height;
};

// Writes the rows of a bitmap as one image record; the bitmap's rows must
// lie as closely as the record packs them.
BOOL WriteBitmap(Pdev* pdev, SURFOBJ* data, XLATEOBJ* palette_from, const Dest& dest, POINTL origin, uint32_t flags) {
  const int depth = DepthCode(data->iBitmapFormat);
  if (depth < 0 || data->sizlBitmap.cx <= 0 || data->sizlBitmap.cy <= 0) return FALSE;
  const int64_t distance = data->lDelta < 0 ? -int64_t(data->lDelta) : int64_t(data->lDelta);
  if (uint64_t(distance) != DlImageRowBytes(uint32_t(data->sizlBitmap.cx), uint32_t(depth))) return FALSE;
  Palette pal;
  MakePalette(palette_from, depth, &pal);
  DlImageSource img{};
  img.dstLeft = dest.left;
  img.dstTop = dest.top;
  img.dstWidth = dest.width;
  img.dstHeight = dest.height;
  img.srcX = origin.x;
  img.srcY = origin.y;
  img.width = uint32_t(data->sizlBitmap.cx);
  img.rows = uint32_t(data->sizlBitmap.cy);
  img.format = uint32_t(depth) | flags;
  if (pal.grey && depth == int(kImageDepth8)) img.format |= kImageGrey;
  if (palette_from && (palette_from->flXlate & XO_HOST_ICM)) img.format |= kImageHostIcm;
  img.firstRow = static_cast<const uint8_t*>(data->pvScan0);
  img.palette = pal.present ? reinterpret_cast<const uint8_t*>(pal.entries) : nullptr;
  img.bottomUp = data->lDelta < 0;
  if (DlImage(&pdev->stream, img)) return TRUE;
  return DlImageByRow(&pdev->stream, img);
}

bool RowsPacked(const SURFOBJ* so) {
  const int depth = DepthCode(so->iBitmapFormat);
  if (depth < 0) return false;
  const int64_t distance = so->lDelta < 0 ? -int64_t(so->lDelta) : int64_t(so->lDelta);
  return uint64_t(distance) == DlImageRowBytes(uint32_t(so->sizlBitmap.cx), uint32_t(depth));
}

// Without a temporary bitmap: the source rectangle's rows written straight
// from the bitmap. 24-bit and 8-bit rows go as they are; 32-bit rows lose
// their fourth byte, and large data keeps every second row and pixel.
BOOL StretchDirect(Pdev* pdev, SURFOBJ* src, XLATEOBJ* pxlo, const Dest& dest, const RECTL& s) {
  const LONG sw = s.right - s.left, sh = s.bottom - s.top;
  if (sw <= 0 || sh <= 0) return FALSE;
  const ULONG fmt = src->iBitmapFormat;
  if (fmt != BMF_24BPP && fmt != BMF_32BPP && fmt != BMF_8BPP) return FALSE;
  const int bpp = fmt == BMF_8BPP ? 1 : fmt == BMF_24BPP ? 3 : 4;
  const int64_t need = int64_t(s.right) * bpp;
  if ((src->lDelta < 0 ? -int64_t(src->lDelta) : int64_t(src->lDelta)) < need) return FALSE;
  uint32_t step = 1;
  if (fmt == BMF_32BPP && ((dest.width < sw && dest.height < sh) || uint64_t(sw) * 3 * uint64_t(sh) > kDirectLimit))
    step = 2;
  const uint32_t out_w = uint32_t((sw + step - 1) / step), out_h = uint32_t((sh + step - 1) / step);
  const uint32_t depth = fmt == BMF_8BPP ? kImageDepth8 : kImageDepth24;
  const uint64_t row_bytes = DlImageRowBytes(out_w, depth);
  std::vector<uint8_t> rows;
  try {
    rows.assign(row_bytes * out_h, 0);
  } catch (...) {
    return FALSE;
  }
  for (uint32_t y = 0; y < out_h; ++y) {
    const uint8_t* in = static_cast<const uint8_t*>(src->pvScan0) + int64_t(s.top + LONG(y * step)) * src->lDelta;
    uint8_t* out = rows.data() + y * row_bytes;
    for (uint32_t x = 0; x < out_w; ++x) {
      const uint8_t* p = in + int64_t(s.left + LONG(x * step)) * bpp;
      if (bpp == 1) {
        out[x] = p[0];
      } else {
        std::memcpy(out + x * 3, p, 3);
      }
    }
  }
  Palette pal;
  if (depth == kImageDepth8) MakePalette(pxlo, int(depth), &pal);
  DlImageSource img{};
  img.dstLeft = dest.left;
  img.dstTop = dest.top;
  img.dstWidth = dest.width;
  img.dstHeight = dest.height;
  img.width = out_w;
  img.rows = out_h;
  img.format = depth | (step == 2 ? kImageReduced : 0);
  if (pxlo && (pxlo->flXlate & XO_HOST_ICM)) img.format |= kImageHostIcm;
  img.firstRow = rows.data();
  img.palette = pal.present ? reinterpret_cast<const uint8_t*>(pal.entries) : nullptr;
  if (DlImage(&pdev->stream, img)) return TRUE;
  return DlImageByRow(&pdev->stream, img);
}

// A stretched transfer as one image record.
BOOL StretchToRecord(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, COLORADJUSTMENT* pca, POINTL* ht_origin,
                     const RECTL& dest_in, const RECTL& src_in) {
  // The source rectangle limited to the bitmap, the destination normalised.
  RECTL s{std::max<LONG>(std::min(src_in.left, src_in.right), 0), std::max<LONG>(std::min(src_in.top, src_in.bottom), 0),
          std::min<LONG>(std::max(src_in.left, src_in.right), src->sizlBitmap.cx),
          std::min<LONG>(std::max(src_in.top, src_in.bottom), src->sizlBitmap.cy)};
  if (s.right <= s.left || s.bottom <= s.top) return TRUE;  // nothing of the bitmap to draw
  const bool flip_x = (dest_in.right < dest_in.left) != (src_in.right < src_in.left);
  const bool flip_y = (dest_in.bottom < dest_in.top) != (src_in.bottom < src_in.top);
  const int64_t dl = std::min(dest_in.left, dest_in.right), dt = std::min(dest_in.top, dest_in.bottom);
  const int64_t dw = int64_t(std::max(dest_in.left, dest_in.right)) - dl;
  const int64_t dh = int64_t(std::max(dest_in.top, dest_in.bottom)) - dt;
  if (dw <= 0 || dh <= 0) return TRUE;
  if (dw > 0x7FFFFFFF || dh > 0x7FFFFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const Dest dest{LONG(dl), LONG(dt), LONG(dw), LONG(dh)};
  LONG data_w = s.right - s.left, data_h = s.bottom - s.top;
  const ULONG fmt = src->iBitmapFormat;
  const bool whole = s.left == 0 && s.top == 0 && s.right == src->sizlBitmap.cx && s.bottom == src->sizlBitmap.cy;
  bool convert = DepthCode(fmt) < 0 || !whole || flip_x || flip_y || !RowsPacked(src);
  uint32_t flags = 0;
  if (pdev->imageReduction && pdev->currentRop == kSrcCopy && (fmt == BMF_24BPP || fmt == BMF_32BPP) &&
      (dest.width < data_w || dest.height < data_h)) {
    data_w = std::min<LONG>(data_w, dest.width);
    data_h = std::min<LONG>(data_h, dest.height);
    convert = true;
  }
  if (!convert) return WriteBitmap(pdev, src, pxlo, dest, POINTL{0, 0}, flags);

  const bool changes = DepthCode(fmt) < 0;
  const ULONG out_fmt = changes ? BMF_24BPP : fmt;
  for (LONG divisor = 1; divisor <= 5; ++divisor) {
    const LONG w = divisor == 1 ? data_w : std::max<LONG>(1, data_w / divisor);
    const LONG h = divisor == 1 ? data_h : std::max<LONG>(1, data_h / divisor);
    TempBitmap tmp;
    if (!tmp.Make(pdev, w, h, out_fmt)) {
      if (divisor == 1 && (fmt == BMF_24BPP || fmt == BMF_32BPP || fmt == BMF_8BPP))
        return StretchDirect(pdev, src, pxlo, dest, s);
      continue;
    }
    RECTL t{flip_x ? w : 0, flip_y ? h : 0, flip_x ? 0 : w, flip_y ? 0 : h};
    RECTL from = s;
    if (!EngStretchBlt(tmp.so, src, nullptr, nullptr, changes ? pxlo : nullptr, pca, ht_origin, &t, &from, nullptr,
                       COLORONCOLOR))
      return FALSE;
    const uint32_t reduced = divisor > 1 ? kImageReduced : 0;
    return WriteBitmap(pdev, tmp.so, changes ? nullptr : pxlo, dest, POINTL{0, 0}, flags | reduced);
  }
  return FALSE;
}

// A 24-bit source copied unscaled: the destination's rows straight from the
// bitmap at the source point, when that area lies inside it.
BOOL Copy24Direct(Pdev* pdev, SURFOBJ* src, POINTL sp, const Dest& dest) {
  if (src->iBitmapFormat != BMF_24BPP || sp.x < 0 || sp.y < 0 ||
      int64_t(sp.x) + dest.width > src->sizlBitmap.cx || int64_t(sp.y) + dest.height > src->sizlBitmap.cy)
    return FALSE;
  const int64_t distance = src->lDelta < 0 ? -int64_t(src->lDelta) : int64_t(src->lDelta);
  if (distance < int64_t(src->sizlBitmap.cx) * 3) return FALSE;
  const uint64_t row_bytes = DlImageRowBytes(uint32_t(dest.width), kImageDepth24);
  std::vector<uint8_t> rows;
  try {
    rows.assign(row_bytes * uint64_t(dest.height), 0);
  } catch (...) {
    return FALSE;
  }
  for (LONG y = 0; y < dest.height; ++y)
    std::memcpy(rows.data() + uint64_t(y) * row_bytes,
                static_cast<const uint8_t*>(src->pvScan0) + int64_t(sp.y + y) * src->lDelta + int64_t(sp.x) * 3,
                size_t(dest.width) * 3);
  DlImageSource img{};
  img.dstLeft = dest.left;
  img.dstTop = dest.top;
  img.dstWidth = dest.width;
  img.dstHeight = dest.height;
  img.width = uint32_t(dest.width);
  img.rows = uint32_t(dest.height);
  img.format = kImageDepth24;
  img.firstRow = rows.data();
  if (DlImage(&pdev->stream, img)) return TRUE;
  return DlImageByRow(&pdev->stream, img);
}

Dest DestOf(const RECTL& r) {
  return Dest{std::min(r.left, r.right), std::min(r.top, r.bottom), std::abs(r.right - r.left),
              std::abs(r.bottom - r.top)};
}

// An unscaled copy as one image record; the data have the destination's size.
BOOL CopyToRecord(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, POINTL sp, const RECTL& rect) {
  const Dest dest = DestOf(rect);
  if (dest.width <= 0 || dest.height <= 0) return TRUE;
  const ULONG fmt = src->iBitmapFormat;
  const bool same_size = dest.width == src->sizlBitmap.cx && dest.height == src->sizlBitmap.cy && sp.x == 0 && sp.y == 0;
  if (fmt == BMF_24BPP && !same_size && Copy24Direct(pdev, src, sp, dest)) return TRUE;
  const bool convert = DepthCode(fmt) < 0 || !same_size || !RowsPacked(src);
  if (!convert) return WriteBitmap(pdev, src, pxlo, dest, POINTL{0, 0}, 0);
  const bool changes = DepthCode(fmt) < 0;
  TempBitmap tmp;
  if (!tmp.Make(pdev, dest.width, dest.height, changes ? BMF_24BPP : fmt)) return FALSE;
  RECTL t{0, 0, dest.width, dest.height};
  if (!EngCopyBits(tmp.so, src, nullptr, changes ? pxlo : nullptr, &t, &sp)) return FALSE;
  return WriteBitmap(pdev, tmp.so, changes ? nullptr : pxlo, dest, POINTL{0, 0}, 0);
}

// A transfer with a source drawn with the current ROP. A masked copy
// (0xAACC) goes out as the mask (ORed in) and then the source through the
// mask on white (ANDed in).
BOOL BltToRecord(Pdev* pdev, XLATEOBJ* pxlo, SURFOBJ* src, const RECTL& rect, POINTL sp, SURFOBJ* mask,
                 POINTL* mask_point, ROP4 rop4) {
  const Dest dest = DestOf(rect);
  if (dest.width <= 0 || dest.height <= 0) return TRUE;
  const ULONG fmt = src->iBitmapFormat;
  RECTL t{0, 0, dest.width, dest.height};
  if (rop4 == kRopMaskedCopy && mask) {
    {
      TempBitmap m;
      if (!m.Make(pdev, dest.width, dest.height, BMF_1BPP)) return FALSE;
      POINTL mp = mask_point ? *mask_point : POINTL{0, 0};
      if (!EngBitBlt(m.so, mask, nullptr, nullptr, nullptr, &t, &mp, nullptr, nullptr, nullptr, kRopCopy4)) return FALSE;
      if (!GsSetRop(pdev, kSrcPaint)) return FALSE;
      if (!WriteBitmap(pdev, m.so, nullptr, dest, POINTL{0, 0}, kImageRop)) return FALSE;
    }
    if (!GsSetRop(pdev, kSrcAnd)) return FALSE;
    const bool changes = DepthCode(fmt) < 0;
    TempBitmap d;
    if (!d.Make(pdev, dest.width, dest.height, changes ? BMF_24BPP : fmt)) return FALSE;
    if (!EngEraseSurface(d.so, &t, 0xFFFFFFFF)) return FALSE;
    POINTL mp = mask_point ? *mask_point : POINTL{0, 0};
    if (!EngBitBlt(d.so, src, mask, nullptr, changes ? pxlo : nullptr, &t, &sp, &mp, nullptr, nullptr, kRopMaskedCopy))
      return FALSE;
    return WriteBitmap(pdev, d.so, changes ? nullptr : pxlo, dest, POINTL{0, 0}, kImageRop);
  }
  const bool convert = DepthCode(fmt) < 0 || dest.width != src->sizlBitmap.cx || dest.height != src->sizlBitmap.cy ||
                       !RowsPacked(src);
  if (!convert) return WriteBitmap(pdev, src, pxlo, dest, sp, kImageRop);
  const bool changes = DepthCode(fmt) < 0;
  TempBitmap tmp;
  if (!tmp.Make(pdev, dest.width, dest.height, changes ? BMF_24BPP : fmt)) return FALSE;
  if (!EngBitBlt(tmp.so, src, nullptr, nullptr, changes ? pxlo : nullptr, &t, &sp, nullptr, nullptr, nullptr, kRopCopy4))
    return FALSE;
  return WriteBitmap(pdev, tmp.so, changes ? nullptr : pxlo, dest, POINTL{0, 0}, kImageRop);
}

// The state of a transfer with a source: background mode from the ROP4's
// high byte, the brush's pattern and colours (white on white without a
// brush), drawing kind image, the ROP, the clip.
bool SourceState(Pdev* pdev, SURFOBJ* trg, ROP4 rop4, BRUSHOBJ* pbo, POINTL* brush_org, CLIPOBJ* pco) {
  GsColorState st{};
  st.backMode = ((rop4 >> 8) & 0xFF) == 0xAA ? kTransparent : kOpaque;
  st.rop2 = int16_t(GsRop3ToRop2(uint8_t(rop4)));
  st.kind = kDrawImage;
  st.foreground = st.background = 0xFFFFFF;
  if (pbo) {
    const DlBrush* b = GsBrushFromBrushObj(pdev, trg, pbo, brush_org);
    if (!b || !GsSetPattern(pdev, b)) return false;
    st.foreground = b->colors[0];
    st.background = b->colors[1];
    st.hostCorrected = b->hostCorrected;
  }
  return GsSetColor(pdev, st) && GsSetBackMode(pdev, uint8_t(st.backMode)) && GsSetRop(pdev, uint8_t(rop4 & 0xFF)) &&
         GsSetClip(pdev, pco) >= 0;
}

bool IsOneBitPage(const Pdev* pdev) { return pdev->colorProcess == 1 && pdev->color == 1; }

// A plain copy of a source of more than one bit onto a band of a one-bit
// page is halftoned, as a stretch onto it is: its greys and colours become
// dithers instead of their nearest of black and white.
bool HalftoneCopy(const Pdev* pdev, SURFOBJ* psoTrg, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                  RECTL* prclTrg, POINTL* pptlSrc, BOOL* ok) {
  if (!psoSrc || !prclTrg || !IsOneBitPage(pdev) || psoTrg->iBitmapFormat != BMF_1BPP ||
      psoSrc->iBitmapFormat == BMF_1BPP)
    return false;
  const POINTL sp = pptlSrc ? *pptlSrc : POINTL{0, 0};
  RECTL src{sp.x, sp.y, sp.x + (prclTrg->right - prclTrg->left), sp.y + (prclTrg->bottom - prclTrg->top)};
  POINTL origin{0, 0};
  *ok = EngStretchBlt(psoTrg, psoSrc, nullptr, pco, pxlo, nullptr, &origin, prclTrg, &src, nullptr, HALFTONE);
  return true;
}

}  // namespace

BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
  bool skip;
  Pdev* pdev = Target(psoTrg, &skip);
  if (!pdev) return FALSE;
  if (skip) return TRUE;
  if (pdev->rasterMode) {
    BOOL ok = FALSE;
    if ((rop4 & 0xFFFF) == kRopCopy4 && HalftoneCopy(pdev, psoTrg, psoSrc, pco, pxlo, prclTrg, pptlSrc, &ok))
      return ok;
    return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
  }
  if ((rop4 & 0xFFFF) == kRopNop) return TRUE;
  if (!prclTrg) return FALSE;
  const uint8_t fg = uint8_t(rop4 & 0xFF);
  if (psoSrc && fg != 0x00 && fg != 0xFF) {
    if (!IsBitmap(psoSrc)) return FALSE;
    if (!SourceState(pdev, psoTrg, rop4, pbo, pptlBrush, pco)) return FALSE;
    POINTL sp = pptlSrc ? *pptlSrc : POINTL{0, 0};
    return BltToRecord(pdev, pxlo, psoSrc, *prclTrg, sp, psoMask, pptlMask, rop4);
  }
  // A filled rectangle: the brush (plain black or white for BLACKNESS and
  // WHITENESS, white for DSTINVERT without one), the colour state of the
  // ROP4 as a mix, the ROP, the clip.
  BRUSHOBJ plain{0, nullptr, 0};
  BRUSHOBJ* brush = pbo;
  if (fg == 0x00 || fg == 0xFF) {
    plain.iSolidColor = fg == 0x00 ? 0x000000 : 0xFFFFFF;
    brush = &plain;
  } else if (fg == 0x55 && !pbo) {
    plain.iSolidColor = 0xFFFFFF;
    brush = &plain;
  }
  const DlBrush* b = GsBrushFromBrushObj(pdev, psoTrg, brush, pptlBrush);
  if (!b || !GsSetPattern(pdev, b)) return FALSE;
  GsColorState st{};
  const MIX mix = MIX(GsRop3ToRop2(fg)) | MIX(GsRop3ToRop2(uint8_t(rop4 >> 8))) << 8;
  GsColorFromMix(mix, &st, false);
  st.foreground = b->colors[0];
  st.background = b->colors[1];
  st.kind = kDrawFill;
  st.hostCorrected = b->hostCorrected;
  if (!GsSetColor(pdev, st) || !GsSetBackMode(pdev, uint8_t(st.backMode)) ||
      !GsSetRop(pdev, GsRop2ToRop3(uint32_t(st.rop2))) || GsSetClip(pdev, pco) < 0)
    return FALSE;
  const RECTL& r = *prclTrg;
  DlRectangle rect{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                   std::max(r.top, r.bottom)};
  return DlRect(&pdev->stream, kRectFill, rect) != nullptr;
}

BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                   ULONG iMode) {
  bool skip;
  Pdev* pdev = Target(psoDest, &skip);
  if (!pdev) return FALSE;
  if (skip) return TRUE;
  if (pdev->rasterMode)
    return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
                         IsOneBitPage(pdev) ? HALFTONE : iMode);
  if (!IsBitmap(psoSrc) || !prclDest || !prclSrc) return FALSE;
  if (pdev->oneBitSurface && IsOneBitPage(pdev)) {
    POINTL origin = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
    return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, &origin, prclDest, prclSrc, pptlMask, HALFTONE);
  }
  if (GsSetClip(pdev, pco) < 0 || !GsSetRop(pdev, kSrcCopy)) return FALSE;
  return StretchToRecord(pdev, pxlo, psoSrc, pca, pptlHTOrg, *prclDest, *prclSrc);
}

BOOL DrvStretchBltROP(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclTrg, RECTL* prclSrc, POINTL* pptlMask,
                      ULONG iMode, BRUSHOBJ* pbo, DWORD rop4) {
  bool skip;
  Pdev* pdev = Target(psoTrg, &skip);
  if (!pdev) return FALSE;
  if (skip) return TRUE;
  if (pdev->rasterMode)
    return EngStretchBltROP(psoTrg, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclTrg, prclSrc, pptlMask,
                            IsOneBitPage(pdev) ? HALFTONE : iMode, pbo, rop4);
  if (!IsBitmap(psoSrc) || !prclTrg || !prclSrc) return FALSE;
  if (!SourceState(pdev, psoTrg, rop4, pbo, nullptr, pco)) return FALSE;
  return StretchToRecord(pdev, pxlo, psoSrc, pca, pptlHTOrg, *prclTrg, *prclSrc);
}

BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc) {
  bool skip;
  Pdev* pdev = Target(psoDest, &skip);
  if (!pdev) return FALSE;
  if (skip) return TRUE;
  if (pdev->rasterMode) {
    BOOL ok = FALSE;
    if (HalftoneCopy(pdev, psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc, &ok)) return ok;
    return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
  }
  if (!prclDest) return FALSE;
  if (!psoSrc || psoSrc->iType != STYPE_BITMAP) return EngEraseSurface(psoDest, prclDest, 0xFFFFFFFF);
  if (!IsBitmap(psoSrc)) return FALSE;
  if (psoDest->dhpdev != pdev || (pdev->surface && psoDest->hsurf != pdev->surface)) return FALSE;
  uint8_t rop = kSrcCopy;
  if (psoSrc->iBitmapFormat == BMF_32BPP) {
    const int64_t w = psoSrc->sizlBitmap.cx, h = psoSrc->sizlBitmap.cy;
    for (int64_t y = 0; y < h && rop == kSrcCopy; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(psoSrc->pvScan0) + y * psoSrc->lDelta;
      for (int64_t x = 0; x < w; ++x)
        if (row[x * 4 + 3] != 0xFF) {
          rop = kSrcAnd;
          break;
        }
    }
  }
  if (!GsSetRop(pdev, rop) || GsSetClip(pdev, pco) < 0) return FALSE;
  POINTL sp = pptlSrc ? *pptlSrc : POINTL{0, 0};
  return CopyToRecord(pdev, pxlo, psoSrc, sp, *prclDest);
}
