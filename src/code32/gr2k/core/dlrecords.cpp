// Encoders of the fixed-size and variable-size display-list records (all but
// the image records, which are in dlimage.cpp).
#include <algorithm>
#include <cstring>

#include "gr2k/dlrecords.h"
#include "le.h"
#include "plat/kernel.h"

using namespace gr2k_le;

namespace {

// A zero-filled record of size bytes (a multiple of 4), or null.
uint8_t* Reserve(DisplayListStream* stream, uint64_t size) {
  if (size > UINT32_MAX) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  uint8_t* rec = DlReserve(stream, size);
  if (rec) std::memset(rec, 0, size_t(size));
  return rec;
}

uint8_t* FourByte(DisplayListStream* stream, uint8_t opcode, uint8_t value) {
  uint8_t* rec = Reserve(stream, 4);
  if (rec) {
    Put8(rec, opcode);
    Put8(rec + 1, value);
  }
  return rec;
}

void PutRect(uint8_t* p, const DlRectangle& r) {
  PutI32(p, r.left);
  PutI32(p + 4, r.top);
  PutI32(p + 8, r.right);
  PutI32(p + 12, r.bottom);
}

// Byte 1 to 3 of a record with a u32 size at 4: {0, b2, 0}.
void PutSizedHead(uint8_t* rec, uint8_t opcode, uint8_t byte2, uint64_t size) {
  Put8(rec, opcode);
  Put8(rec + 2, byte2);
  Put32(rec + 4, uint32_t(size));
}

uint8_t* FontSelect(DisplayListStream* stream, const DlFontDesc& font, bool device) {
  // The face name goes in whole 16-bit units up to the first zero unit,
  // then one zero byte: a name of odd length keeps its terminator in the
  // last unit. Only the name field itself is read.
  size_t length = 0;
  while (length < kFaceNameBytes && font.faceName[length]) ++length;
  size_t name_bytes = std::min<size_t>((length + 1) & ~size_t(1), kFaceNameBytes);
  const uint64_t name_at = device ? 32 : 24;
  const uint64_t size = (name_bytes + name_at + 4) & ~uint64_t(3);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  Put8(rec, device ? kOpDeviceFontSelect : kOpFontSelect);
  if (device) {
    Put8(rec + 1, font.charSet);
    Put8(rec + 2, font.pitchAndFamily);
  } else {
    Put8(rec + 2, font.charSet);
    Put8(rec + 3, font.pitchAndFamily);
  }
  uint32_t flags = 0;
  if (font.simItalic) flags |= 0x0001;
  if (font.simBold) flags |= 0x0002;
  if (font.simBold2) flags |= 0x0020;
  if (font.kind == 2) flags |= 0x0008;
  if (font.kind == 4) flags |= 0x0200;
  if (font.kind != 2) flags |= 0x2000;
  if (font.glyphIndex) flags |= 0x0010;
  if (font.vertical) flags |= 0x0080;
  Put16(rec + 4, flags);
  Put16(rec + 6, font.weight);
  Put16(rec + 8, font.angle);
  Put16(rec + 10, font.emWidth);
  Put16(rec + 12, font.emHeight);
  Put16(rec + 14, uint32_t(size));
  Put16(rec + 20, font.internalLeading);
  Put16(rec + 22, font.defaultChar);
  std::memcpy(rec + name_at, font.faceName, length);  // the rest of the name area stays zero
  return rec;
}

}  // namespace

// ---- graphics state ------------------------------------------------------------------

uint8_t* DlRect(DisplayListStream* stream, uint8_t kind, const DlRectangle& rect) {
  const bool short_form = kind == 5 || kind == 6;
  const uint64_t size = short_form ? 24 : 40;
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpRect, kind, size);
  PutRect(rec + 8, rect);
  if (!short_form) PutRect(rec + 24, rect);
  return rec;
}

uint8_t* DlClipRect(DisplayListStream* stream, const DlRectangle& rect) { return DlRect(stream, kRectClip, rect); }

uint8_t* DlClipReset(DisplayListStream* stream) { return FourByte(stream, kOpClipReset, 0); }

uint8_t* DlColor(DisplayListStream* stream, const DlColorState& state) {
  const bool opaque = state.backMode == 2;
  const uint32_t colours = 1 + (opaque ? 1 : 0) + (state.hasThird ? 1 : 0);
  const uint64_t size = (colours * 3 + 7) & ~uint32_t(3);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  uint32_t flags = 0x01;
  if (opaque) flags |= 0x08;
  if (state.hasThird) flags |= 0x10;
  if (state.forText) flags |= 0x40;
  if (state.hostCorrected) flags |= 0x80;
  Put8(rec, kOpColor);
  Put8(rec + 1, uint32_t(size));
  Put8(rec + 2, flags);
  uint8_t* p = rec + 4;
  PutRgb(p, state.foreground);
  p += 3;
  if (opaque) {
    PutRgb(p, state.background);
    p += 3;
  }
  if (state.hasThird) PutRgb(p, state.third);
  return rec;
}

uint8_t* DlRop(DisplayListStream* stream, uint8_t rop3) {
  return FourByte(stream, kOpRop, rop3 == 0xF0 ? 0xCC : rop3);  // PATCOPY goes out as SRCCOPY
}

uint8_t* DlBackMode(DisplayListStream* stream, uint8_t mode) { return FourByte(stream, kOpBackMode, mode); }

uint8_t* DlLineWidth(DisplayListStream* stream, int16_t width, uint32_t dash_mask, uint8_t dash_unit) {
  uint8_t* rec = Reserve(stream, 8);
  if (!rec) return nullptr;
  Put8(rec, kOpLineWidth);
  Put8(rec + 1, dash_unit);
  PutI16(rec + 2, width);
  Put32(rec + 4, dash_mask);
  return rec;
}

uint8_t* DlDashOffset(DisplayListStream* stream, uint8_t offset) { return FourByte(stream, kOpDashOffset, offset); }

uint8_t* DlEndCap(DisplayListStream* stream, uint8_t cap) { return FourByte(stream, kOpEndCap, cap); }

uint8_t* DlJoin(DisplayListStream* stream, uint8_t join, uint32_t miter_limit_x256) {
  uint8_t* rec = Reserve(stream, 8);
  if (!rec) return nullptr;
  Put8(rec, kOpJoin);
  Put8(rec + 1, join);
  Put32(rec + 4, miter_limit_x256);
  return rec;
}

uint8_t* DlPattern(DisplayListStream* stream, const DlBrush& brush) {
  uint32_t flags = brush.hostCorrected ? 0x40 : 0;
  uint64_t data_bytes = 0;
  uint32_t side = 0;
  if (brush.kind == kBrushTwoColour || brush.kind == kBrushColour) {
    side = brush.size;
    if ((side != 16 && side != 32 && side != 64) || !brush.data) return nullptr;
    if (brush.bits == 1) {
      data_bytes = side * side / 8;
    } else if (brush.bits == 24) {
      data_bytes = side * side * 3;
      flags |= 0x01;
    } else {
      return nullptr;
    }
    flags |= 0x80;
  } else if (brush.kind != kBrushPlain) {
    return nullptr;
  }
  const uint64_t size = (data_bytes + 9) & ~uint64_t(3);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  Put8(rec, kOpPattern);
  Put8(rec + 1, flags);
  Put8(rec + 2, side);
  Put8(rec + 3, 1);
  Put16(rec + 4, uint32_t(data_bytes));
  if (data_bytes) std::memcpy(rec + 6, brush.data, size_t(data_bytes));
  return rec;
}

BOOL DlPatternOrigin(DisplayListStream* /*stream*/, const DlBrush* /*brush*/) { return TRUE; }

// ---- page -------------------------------------------------------------------------------

uint8_t* DlBeginPage(DisplayListStream* stream, uint32_t width, uint32_t height, uint16_t resolution) {
  uint8_t* rec = Reserve(stream, 16);
  if (!rec) return nullptr;
  Put8(rec, kOpBeginPage);
  Put32(rec + 4, width);
  Put32(rec + 8, height);
  Put16(rec + 12, resolution);
  Put16(rec + 14, resolution);
  return rec;
}

uint8_t* DlEndPage(DisplayListStream* stream) { return FourByte(stream, kOpEndPage, 0); }

// ---- text ----------------------------------------------------------------------------------

uint8_t* DlFontSelect(DisplayListStream* stream, const DlFontDesc& font) { return FontSelect(stream, font, false); }

uint8_t* DlDeviceFontSelect(DisplayListStream* stream, const DlFontDesc& font) {
  return FontSelect(stream, font, true);
}

uint8_t* DlCharCell(DisplayListStream* stream, const DlRectangle& cell, int32_t x, int32_t y, uint16_t code) {
  uint8_t* rec = Reserve(stream, 36);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpCharCell, 0, 36);
  PutRect(rec + 8, cell);
  PutI32(rec + 24, x);
  PutI32(rec + 28, y);
  Put16(rec + 32, code);
  return rec;
}

uint8_t* DlGlyphOutline(DisplayListStream* stream, const DlRectangle& box, int32_t x, int32_t y, uint16_t code,
                        const uint8_t* outline, uint64_t outline_bytes) {
  if (!outline || outline_bytes == 0 || outline_bytes > UINT32_MAX) return nullptr;
  const uint64_t size = (outline_bytes + 39) & ~uint64_t(3);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpCharCell, 1, size);
  PutRect(rec + 8, box);
  PutI32(rec + 24, x);
  PutI32(rec + 28, y);
  Put16(rec + 32, code);
  std::memcpy(rec + 36, outline, size_t(outline_bytes));
  return rec;
}

uint8_t* DlString(DisplayListStream* stream, const DlRectangle& background, int32_t x, int32_t y,
                  const uint16_t* chars, uint32_t count, const int16_t* advances, bool per_char) {
  const uint64_t advance_count = per_char ? count : 1;
  if (count > 0xFFFF || (count && !chars) || (advance_count && !advances)) return nullptr;
  const uint64_t size = 36 + RoundUp4(2 * advance_count + 2 * uint64_t(count));
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpString, per_char ? 0x80 : 0, size);
  PutRect(rec + 8, background);
  PutI32(rec + 24, x);
  PutI32(rec + 28, y);
  Put16(rec + 32, count);
  uint8_t* p = rec + 36;
  for (uint64_t i = 0; i < advance_count; ++i, p += 2) PutI16(p, advances[i]);
  for (uint32_t i = 0; i < count; ++i, p += 2) Put16(p, chars[i]);
  return rec;
}

uint8_t* DlGlyphBitmap(DisplayListStream* stream, const DlGlyphBitmapArgs& glyph) {
  const bool sent = glyph.flags & kGlyphFlagSent;
  const uint64_t data_bytes = sent ? 0 : glyph.dataBytes;
  if (data_bytes > UINT32_MAX || (data_bytes && !glyph.data)) return nullptr;
  const uint64_t size = 64 + RoundUp4(data_bytes);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, glyph.cached ? kOpGlyphCached : kOpGlyphUncached, glyph.flags, size);
  PutRect(rec + 8, glyph.ink);
  PutI32(rec + 24, glyph.cellX);
  PutI32(rec + 28, glyph.cellY);
  Put32(rec + 32, data_bytes ? 64 : 0);
  PutI32(rec + 36, glyph.left);
  PutI32(rec + 40, glyph.top);
  Put32(rec + 44, glyph.width);
  Put32(rec + 48, glyph.height);
  Put32(rec + 52, uint32_t(data_bytes));
  Put16(rec + 60, glyph.code);
  Put8(rec + 62, glyph.coding);
  if (data_bytes) std::memcpy(rec + 64, glyph.data, size_t(data_bytes));
  return rec;
}

uint8_t* DlGlyphDefine(DisplayListStream* stream, uint8_t flags, uint32_t width, uint32_t height, uint16_t code,
                       uint8_t coding, const uint8_t* data, uint64_t data_bytes) {
  if (!data || data_bytes == 0 || data_bytes > UINT32_MAX) return nullptr;
  const uint64_t size = 28 + RoundUp4(data_bytes);
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpGlyphDefine, flags, size);
  Put32(rec + 8, uint32_t(data_bytes));
  Put32(rec + 12, width);
  Put32(rec + 16, height);
  Put16(rec + 24, code);
  Put8(rec + 26, coding);
  std::memcpy(rec + 28, data, size_t(data_bytes));
  return rec;
}

uint8_t* DlGlyphRun(DisplayListStream* stream, uint8_t flags, const DlRectangle& background, int32_t x, int32_t y,
                    const DlGlyphStep* steps, uint32_t count) {
  if (count > 0xFFFF || (count && !steps)) return nullptr;
  const uint64_t size = 36 + RoundUp4(6 * uint64_t(count));
  uint8_t* rec = Reserve(stream, size);
  if (!rec) return nullptr;
  PutSizedHead(rec, kOpGlyphRun, flags, size);
  PutRect(rec + 8, background);
  PutI32(rec + 24, x);
  PutI32(rec + 28, y);
  Put16(rec + 32, count);
  uint8_t* p = rec + 36;
  for (uint32_t i = 0; i < count; ++i, p += 6) {
    PutI16(p, steps[i].dx);
    PutI16(p + 2, steps[i].dy);
    Put16(p + 4, steps[i].code);
  }
  return rec;
}
