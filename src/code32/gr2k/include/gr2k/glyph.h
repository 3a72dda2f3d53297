// Glyphs downloaded as bitmaps: the per-page record of the glyphs already
// sent (the printer keeps them until the end of the page, so each is sent
// once per page) and the run-length compression of glyph bitmaps.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct Pdev;

inline constexpr uint32_t kGlyphBuckets = 1024;

struct GlyphCacheEntry {
  uint32_t fontId;     // the engine's font identity
  int16_t generation;  // cache generation when the glyph was sent
  int16_t character;
  GlyphCacheEntry* next;
  uint8_t orientation;  // 2 character text, 3 glyph-index text
};

// Glyph outlines (text as outlines) already encoded on the page, by font
// identity and glyph handle: a glyph's outline and its box relative to the
// glyph's position depend on the font and the glyph alone, so a glyph drawn
// again costs a look-up instead of a walk and an encoding of its path. The
// entries and their bytes come from the PDEV pool and go at each page's end.
struct OutlineCacheEntry {
  uint32_t fontId;
  uint32_t glyph;
  int32_t left, top, right, bottom;  // the outline's pixel box, relative to the glyph's position
  uint32_t bytes;                    // the encoded outline's length
  uint8_t* data;                     // the encoded outline
  OutlineCacheEntry* next;
};

struct OutlineCache {
  OutlineCacheEntry* buckets[kGlyphBuckets];
};

// The encoded outline of a glyph of a font, or null when it is not cached.
const OutlineCacheEntry* OutlineCacheFind(const Pdev* pdev, uint32_t font_id, uint32_t glyph);
// Adds a glyph's outline (the cache takes data, a pool block); null when
// the entry cannot be had, and data is then the caller's still.
const OutlineCacheEntry* OutlineCacheAdd(Pdev* pdev, uint32_t font_id, uint32_t glyph, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom, uint8_t* data, uint32_t bytes);
// Frees every entry with its data.
void OutlineCacheRelease(Pdev* pdev);

struct GlyphCache {
  GlyphCacheEntry* buckets[kGlyphBuckets];
  int16_t generation;  // advances (wrapping) at every release
};

// (font + generation + character) & 0x3FF.
uint32_t GlyphCacheBucket(const Pdev* pdev, uint32_t font_id, int16_t generation, int16_t character);
// TRUE when the bucket holds an entry with all four values; FALSE for a
// bucket number of 1024 or more.
BOOL GlyphCacheFind(const Pdev* pdev, uint32_t bucket, uint32_t font_id, int16_t generation,
                    int16_t character, uint8_t orientation);
// A new entry at the end of the bucket's chain; null for a bucket of 1024 or
// more or when the pool fails.
GlyphCacheEntry* GlyphCacheAdd(Pdev* pdev, uint32_t bucket, uint32_t font_id, int16_t generation,
                               int16_t character, uint8_t orientation);
// Frees every entry, empties every bucket and advances the generation.
BOOL GlyphCacheRelease(Pdev* pdev);

// Compresses rows * row_bytes bytes of glyph rows into out. Returns the
// compressed length, 1 to 65535; 0 when the glyph is all zeros, when the
// compressed form does not fit in capacity, or when it would be longer than
// 65535 bytes: the caller then sends the plain rows.
//
// The form is a sequence of tokens, each standing for a count of zero bytes
// followed by its data. Head byte: bit 7 repeat, bits 3-6 zero count (15:
// extension bytes follow, 255 while 255 or more remain, then one below 255;
// the count is 15 + their sum), bits 0-2 count field (7: extension bytes the
// same way, n = 8 + their sum; else n = field + 1). A repeat token has one
// data byte standing for n + 1 copies; a literal token has n data bytes.
// Zero bytes at the very end are not coded.
uint32_t GlyphCompress(Pdev* pdev, const uint8_t* plain, uint8_t* out, uint64_t capacity, uint32_t rows,
                       uint32_t row_bytes);
