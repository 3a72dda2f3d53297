// The display-list record encoders. Each reserves its record in the buffer
// (DlReserve) and fills it in place, field by field in little-endian order.
// Every record starts on a 4-byte boundary and its size is a multiple of 4,
// padded with zeros. Coordinates are device pixels; rectangles have
// exclusive right and bottom edges.
//
// The fixed and variable encoders return the record's address, or null when
// it could not be reserved or its values do not fit the format. The image
// encoders may spread one record over several reservations (and flushes), so
// they answer TRUE or FALSE.
#pragma once

#include <cstdint>

#include "gr2k/dlstream.h"
#include "plat/wintypes.h"

// ---- opcodes ------------------------------------------------------------------------
inline constexpr uint8_t kOpRect = 0x10;
inline constexpr uint8_t kOpPathCurves = 0x11;
inline constexpr uint8_t kOpPathLines = 0x12;
inline constexpr uint8_t kOpImage = 0x20;
inline constexpr uint8_t kOpColor = 0x30;
inline constexpr uint8_t kOpRop = 0x31;
inline constexpr uint8_t kOpBackMode = 0x32;
inline constexpr uint8_t kOpLineWidth = 0x33;
inline constexpr uint8_t kOpDashOffset = 0x34;
inline constexpr uint8_t kOpEndCap = 0x35;
inline constexpr uint8_t kOpJoin = 0x36;
inline constexpr uint8_t kOpClipReset = 0x37;
inline constexpr uint8_t kOpPattern = 0x40;
inline constexpr uint8_t kOpFontSelect = 0x50;
inline constexpr uint8_t kOpCharCell = 0x51;
inline constexpr uint8_t kOpString = 0x52;
inline constexpr uint8_t kOpGlyphCached = 0x53;
inline constexpr uint8_t kOpGlyphDefine = 0x54;
inline constexpr uint8_t kOpGlyphRun = 0x55;
inline constexpr uint8_t kOpDeviceFontSelect = 0x56;
inline constexpr uint8_t kOpGlyphUncached = 0x57;
inline constexpr uint8_t kOpBeginPage = 0x60;
inline constexpr uint8_t kOpEndPage = 0x61;

struct DlRectangle {
  int32_t left, top, right, bottom;
};

// ---- graphics state ------------------------------------------------------------------
inline constexpr uint8_t kRectFill = 1;
inline constexpr uint8_t kRectClip = 5;

// 0x10: kinds 5 and 6 give 24 bytes, every other kind 40 with the rectangle
// repeated.
uint8_t* DlRect(DisplayListStream* stream, uint8_t kind, const DlRectangle& rect);
uint8_t* DlClipRect(DisplayListStream* stream, const DlRectangle& rect);
uint8_t* DlClipReset(DisplayListStream* stream);  // 0x37

// Colours are 0x00BBGGRR; records carry them as red, green, blue.
struct DlColorState {
  uint32_t foreground;
  uint32_t background;  // sent when the background mode is opaque
  uint32_t third;       // the fill colour of a path that is also stroked
  uint8_t backMode;     // 1 transparent, 2 opaque
  bool hasThird;
  bool forText;
  bool hostCorrected;  // colours already corrected by the host's colour management
};
uint8_t* DlColor(DisplayListStream* stream, const DlColorState& state);  // 0x30: 8, 12 or 16 bytes

uint8_t* DlRop(DisplayListStream* stream, uint8_t rop3);      // 0x31; 0xF0 goes out as 0xCC
uint8_t* DlBackMode(DisplayListStream* stream, uint8_t mode);  // 0x32: 1 transparent, 2 opaque
// 0x33: dash unit (pixels per mask step), width, mask (drawn steps set).
uint8_t* DlLineWidth(DisplayListStream* stream, int16_t width, uint32_t dash_mask, uint8_t dash_unit);
uint8_t* DlDashOffset(DisplayListStream* stream, uint8_t offset);  // 0x34: 0 to 31
uint8_t* DlEndCap(DisplayListStream* stream, uint8_t cap);         // 0x35: 0 round, 1 butt, 2 square
// 0x36: 0 round, 1 bevel, 2 miter; the limit is already scaled by 256.
uint8_t* DlJoin(DisplayListStream* stream, uint8_t join, uint32_t miter_limit_x256);

// A realized brush.
inline constexpr uint32_t kBrushPlain = 0;
inline constexpr uint32_t kBrushTwoColour = 2;
inline constexpr uint32_t kBrushColour = 3;
struct DlBrush {
  uint32_t kind;  // plain, two-colour or colour pattern
  uint32_t bits;  // pattern depth: 1 or 24
  uint32_t size;  // pattern side in pixels: 16, 32 or 64
  int32_t originX, originY;
  uint32_t colors[2];  // first and second colour (0x00BBGGRR)
  bool hostCorrected;
  const uint8_t* data;  // rows top first: 1-bit rows of size/8 bytes, or size*3 bytes of B,G,R
};
// 0x40. Fails for other kinds, depths or sizes, or without pattern data.
uint8_t* DlPattern(DisplayListStream* stream, const DlBrush& brush);
// The brush-origin hook: no record carries the origin; writes nothing.
BOOL DlPatternOrigin(DisplayListStream* stream, const DlBrush* brush);

// ---- page -------------------------------------------------------------------------------
// 0x60: printable width and height in dots, the resolution twice.
uint8_t* DlBeginPage(DisplayListStream* stream, uint32_t width, uint32_t height, uint16_t resolution);
uint8_t* DlEndPage(DisplayListStream* stream);  // 0x61

// ---- text ----------------------------------------------------------------------------------
inline constexpr uint32_t kFaceNameBytes = 260;
struct DlFontDesc {
  bool simItalic;
  bool simBold;   // flag 0x0002
  bool simBold2;  // flag 0x0020 (the engine's bold simulation, kept twice)
  uint8_t kind;   // 2 character codes, 4 outlines, 5 downloaded glyphs
  bool vertical;
  bool glyphIndex;  // glyph-index text
  uint16_t weight;
  uint16_t angle;  // escapement, 0 to 359 degrees
  uint16_t emWidth;
  uint16_t emHeight;
  uint16_t internalLeading;
  uint16_t defaultChar;
  uint8_t charSet;
  uint8_t pitchAndFamily;
  char faceName[kFaceNameBytes];  // multibyte, zero-terminated inside the field
  uint32_t fontId;                // identity and cache generation go in no field
  int16_t generation;
};
uint8_t* DlFontSelect(DisplayListStream* stream, const DlFontDesc& font);        // 0x50
uint8_t* DlDeviceFontSelect(DisplayListStream* stream, const DlFontDesc& font);  // 0x56

// 0x51 cell only: the cell rectangle, its top-left corner and the code.
uint8_t* DlCharCell(DisplayListStream* stream, const DlRectangle& cell, int32_t x, int32_t y, uint16_t code);
// 0x51 with an outline: the glyph's box and top-left, the code, and the
// outline (u32 work size, then subpaths as in a path record).
uint8_t* DlGlyphOutline(DisplayListStream* stream, const DlRectangle& box, int32_t x, int32_t y, uint16_t code,
                        const uint8_t* outline, uint64_t outline_bytes);
// 0x52: count characters with either one advance per character (per_char)
// or a single advance for all.
uint8_t* DlString(DisplayListStream* stream, const DlRectangle& background, int32_t x, int32_t y,
                  const uint16_t* chars, uint32_t count, const int16_t* advances, bool per_char);

inline constexpr uint8_t kGlyphFlagIndex = 0x04;
inline constexpr uint8_t kGlyphFlagChar = 0x08;
inline constexpr uint8_t kGlyphFlagSent = 0x40;
inline constexpr uint8_t kGlyphPlain = 0;
inline constexpr uint8_t kGlyphCompressed = 2;
struct DlGlyphBitmapArgs {
  bool cached;    // 0x53 (kept by the printer for the page) or 0x57
  uint8_t flags;  // 0x04 / 0x08, and 0x40 when sent earlier (no data then)
  DlRectangle ink;
  int32_t cellX, cellY;
  int32_t left, top;  // of the bitmap on the page
  uint32_t width, height;
  uint16_t code;
  uint8_t coding;  // plain rows or compressed
  const uint8_t* data;
  uint64_t dataBytes;
};
uint8_t* DlGlyphBitmap(DisplayListStream* stream, const DlGlyphBitmapArgs& glyph);  // 0x53 / 0x57
// 0x54; fails without data.
uint8_t* DlGlyphDefine(DisplayListStream* stream, uint8_t flags, uint32_t width, uint32_t height, uint16_t code,
                       uint8_t coding, const uint8_t* data, uint64_t data_bytes);
struct DlGlyphStep {
  int16_t dx, dy;  // move of the bitmap origin from the previous glyph
  uint16_t code;
};
// 0x55.
uint8_t* DlGlyphRun(DisplayListStream* stream, uint8_t flags, const DlRectangle& background, int32_t x, int32_t y,
                    const DlGlyphStep* steps, uint32_t count);

// ---- images ---------------------------------------------------------------------------------
// Format word: low byte the record's byte 2 (depth code 0 one bit, 1 four
// bits, 2 eight bits, 4 24 bits; 0x10 grey levels; 0x80 drawn with the ROP),
// next byte its byte 3 (0x08 host-corrected colours), next byte its byte 1
// (0x02 reduced).
inline constexpr uint32_t kImageDepth1 = 0;
inline constexpr uint32_t kImageDepth4 = 1;
inline constexpr uint32_t kImageDepth8 = 2;
inline constexpr uint32_t kImageDepth24 = 4;
inline constexpr uint32_t kImageGrey = 0x10;
inline constexpr uint32_t kImageNoPalette = 0x20;
inline constexpr uint32_t kImageRop = 0x80;
inline constexpr uint32_t kImageBand = 0x0400;
inline constexpr uint32_t kImageHostIcm = 0x0800;
inline constexpr uint32_t kImageReduced = 0x020000;

struct DlImageSource {
  int32_t dstLeft, dstTop, dstWidth, dstHeight;
  int32_t srcX, srcY;  // data pixel at the destination's top-left
  uint32_t width;      // data width in pixels
  uint32_t rows;
  uint32_t format;
  const uint8_t* firstRow;  // the top row; rows are (width * bits + 31) / 32 * 4 bytes apart
  const uint8_t* palette;   // entries of 4 bytes (B, G, R, unused), or null
  bool bottomUp;            // rows run upwards in memory from firstRow
};

// The normal writer: header and palette, then the rows in reservations of at
// most 1 MiB (one row when a row is larger). Reduces 24-bit data to grey for
// a monochrome device, and hands over to DlImageWhole for print methods 5 and
// 7 or when the API flag is set. When a row reservation fails part-way the
// same record is continued row by row; if even that fails the record is
// taken back (or, when part of it has gone out already, output is marked
// failed). Nothing is left in the stream when it answers FALSE, unless output
// has failed.
BOOL DlImage(DisplayListStream* stream, const DlImageSource& image);
// The same record in one reservation, rows as they are.
BOOL DlImageWhole(DisplayListStream* stream, const DlImageSource& image);
// The same record with one reservation per row, rows as they are.
BOOL DlImageByRow(DisplayListStream* stream, const DlImageSource& image);

// Bytes of one row of the record (0 for an unknown depth), and of the whole
// record; both computed in 64 bits.
uint64_t DlImageRowBytes(uint32_t width, uint32_t depth_code);
