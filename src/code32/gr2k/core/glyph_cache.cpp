// The per-page record of glyphs already downloaded: 1,024 buckets of short
// chains from the PDEV pool, keyed by font, cache generation, character and
// orientation. Advancing the generation at each release makes every earlier
// key miss, even for the same font.
#include "gr2k/glyph.h"
#include "gr2k/pdev.h"

uint32_t GlyphCacheBucket(const Pdev* /*pdev*/, uint32_t font_id, int16_t generation, int16_t character) {
  // Sign extension of the 16-bit parts does not change the sum modulo 1024.
  return (font_id + uint32_t(int32_t(generation)) + uint32_t(int32_t(character))) & (kGlyphBuckets - 1);
}

BOOL GlyphCacheFind(const Pdev* pdev, uint32_t bucket, uint32_t font_id, int16_t generation, int16_t character,
                    uint8_t orientation) {
  if (!pdev || bucket >= kGlyphBuckets) return FALSE;
  for (const GlyphCacheEntry* e = pdev->glyphs.buckets[bucket]; e; e = e->next) {
    if (e->fontId == font_id && e->generation == generation && e->character == character &&
        e->orientation == orientation) {
      return TRUE;
    }
  }
  return FALSE;
}

GlyphCacheEntry* GlyphCacheAdd(Pdev* pdev, uint32_t bucket, uint32_t font_id, int16_t generation,
                               int16_t character, uint8_t orientation) {
  if (!pdev || bucket >= kGlyphBuckets) return nullptr;
  auto* entry = static_cast<GlyphCacheEntry*>(GrPoolAlloc(pdev->pool, sizeof(GlyphCacheEntry)));
  if (!entry) return nullptr;
  entry->fontId = font_id;
  entry->generation = generation;
  entry->character = character;
  entry->orientation = orientation;
  entry->next = nullptr;
  GlyphCacheEntry** link = &pdev->glyphs.buckets[bucket];
  while (*link) link = &(*link)->next;
  *link = entry;
  return entry;
}

BOOL GlyphCacheRelease(Pdev* pdev) {
  if (!pdev) return FALSE;
  for (GlyphCacheEntry*& head : pdev->glyphs.buckets) {
    GlyphCacheEntry* e = head;
    while (e) {
      GlyphCacheEntry* next = e->next;
      GrPoolFree(pdev->pool, e);
      e = next;
    }
    head = nullptr;
  }
  pdev->glyphs.generation = int16_t(uint16_t(pdev->glyphs.generation) + 1);  // wraps
  return TRUE;
}

namespace {

uint32_t OutlineBucket(uint32_t font_id, uint32_t glyph) {
  return (font_id * 31u + glyph) & (kGlyphBuckets - 1);
}

}  // namespace

const OutlineCacheEntry* OutlineCacheFind(const Pdev* pdev, uint32_t font_id, uint32_t glyph) {
  if (!pdev) return nullptr;
  for (const OutlineCacheEntry* e = pdev->outlines.buckets[OutlineBucket(font_id, glyph)]; e; e = e->next)
    if (e->fontId == font_id && e->glyph == glyph) return e;
  return nullptr;
}

const OutlineCacheEntry* OutlineCacheAdd(Pdev* pdev, uint32_t font_id, uint32_t glyph, int32_t left, int32_t top,
                                         int32_t right, int32_t bottom, uint8_t* data, uint32_t bytes) {
  if (!pdev || !data) return nullptr;
  auto* entry = static_cast<OutlineCacheEntry*>(GrPoolAlloc(pdev->pool, sizeof(OutlineCacheEntry)));
  if (!entry) return nullptr;
  OutlineCacheEntry*& head = pdev->outlines.buckets[OutlineBucket(font_id, glyph)];
  *entry = OutlineCacheEntry{font_id, glyph, left, top, right, bottom, bytes, data, head};
  head = entry;
  return entry;
}

void OutlineCacheRelease(Pdev* pdev) {
  if (!pdev) return;
  for (OutlineCacheEntry*& head : pdev->outlines.buckets) {
    OutlineCacheEntry* e = head;
    while (e) {
      OutlineCacheEntry* next = e->next;
      GrPoolFree(pdev->pool, e->data);
      GrPoolFree(pdev->pool, e);
      e = next;
    }
    head = nullptr;
  }
}
