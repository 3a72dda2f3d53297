// The device-font table of a Pdev: the four font records copied from the
// module's resources, the symbol-set rows with their glyph sets (loaded at
// first use, pointer-free images turned into native runs), and the glyph
// advances the font queries answer from.
#include <cstring>
#include <string_view>

#include "gr2k/devfont.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"
#include "plat/resources.h"

namespace {

// The symbol sets a device font may name. Rows 0 and 1 share one glyph set
// (resource 2); rows 2 and 3 each load resource 3; row 4 has none.
constexpr SymbolSetRow kSymbolSets[kSymbolSetRows] = {
    {"ROMA;J83;KATA", 0x80, 2, -1, nullptr},
    {"ROMA;J83V;KATA", 0x80, 2, 0, nullptr},
    {"IBML;IBM850", 0, 3, -1, nullptr},
    {"SYML;SYMR", 2, 3, -1, nullptr},
    {"DNGL;DNGR", 2, 0, -1, nullptr},
};
// The rows a font's symbol-set text is compared with, in order.
constexpr uint32_t kMatchedRows = 4;

uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
uint16_t Read16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// A zero-terminated UTF-16 name at offset `at` of an IFIMETRICS block of
// `bytes` bytes, inside the block.
bool NameInside(const uint8_t* ifi, uint32_t bytes, int64_t at) {
  if (at < int64_t(sizeof(IFIMETRICS)) || at >= int64_t(bytes) || at % 2) return false;
  for (int64_t i = at; i + 1 < int64_t(bytes); i += 2)
    if (Read16(ifi + i) == 0) return true;
  return false;
}

// Checks a stored font record before anything reads it: its header, its
// IFIMETRICS block with the names inside it, and its symbol-set text.
bool RecordIsSound(const uint8_t* p, size_t size) {
  if (size < sizeof(DeviceFontRecord) || size > 0x10000) return false;
  DeviceFontRecord head;
  std::memcpy(&head, p, sizeof head);
  if (head.size != size) return false;
  if (head.ifiOffset < sizeof head || head.ifiOffset % 8 || head.ifiOffset > size ||
      size - head.ifiOffset < sizeof(IFIMETRICS))
    return false;
  const uint8_t* ifi = p + head.ifiOffset;
  const uint32_t ifi_bytes = Read32(ifi + offsetof(IFIMETRICS, cjThis));
  if (ifi_bytes < sizeof(IFIMETRICS) || ifi_bytes > size - head.ifiOffset) return false;
  int64_t family, face;
  std::memcpy(&family, ifi + offsetof(IFIMETRICS, dpwszFamilyName), sizeof family);
  std::memcpy(&face, ifi + offsetof(IFIMETRICS, dpwszFaceName), sizeof face);
  if (!NameInside(ifi, ifi_bytes, family) || !NameInside(ifi, ifi_bytes, face)) return false;
  if (head.symbolSetOffset < sizeof head || head.symbolSetOffset >= size) return false;
  return std::memchr(p + head.symbolSetOffset, 0, size - head.symbolSetOffset) != nullptr;
}

uint32_t RowOfSymbolSet(const DeviceFontRecord* record) {
  const char* text = reinterpret_cast<const char*>(record) + record->symbolSetOffset;
  for (uint32_t row = 0; row < kMatchedRows; ++row)
    if (std::string_view(text) == kSymbolSets[row].text) return row;
  return kFallbackSymbolSetRow;
}

// A native FD_GLYPHSET in the pool from a stored image; null when the image
// is damaged (sizes, run order, counts) or memory runs out.
FD_GLYPHSET* LoadGlyphSet(GrPool* pool, const uint8_t* p, size_t size) {
  if (size < sizeof(StoredGlyphSet)) return nullptr;
  StoredGlyphSet head;
  std::memcpy(&head, p, sizeof head);
  if (head.cjThis != size || head.cRuns == 0 || head.cRuns > 0x10000 || head.cGlyphsSupported > 0x10000)
    return nullptr;
  const uint64_t runs_end = sizeof head + uint64_t(head.cRuns) * sizeof(StoredGlyphRun);
  if (runs_end + uint64_t(head.cGlyphsSupported) * 4 != size) return nullptr;

  // Runs in order, none empty, none past U+FFFF or overlapping the last,
  // and together exactly the glyphs the header counts.
  uint64_t glyphs = 0;
  uint32_t next_free = 0;
  for (uint32_t i = 0; i < head.cRuns; ++i) {
    StoredGlyphRun run;
    std::memcpy(&run, p + sizeof head + i * sizeof run, sizeof run);
    if (run.cGlyphs == 0 || run.wcLow < next_free || uint32_t(run.wcLow) + run.cGlyphs > 0x10000) return nullptr;
    next_free = uint32_t(run.wcLow) + run.cGlyphs;
    glyphs += run.cGlyphs;
  }
  if (glyphs != head.cGlyphsSupported) return nullptr;

  const uint64_t runs_bytes = offsetof(FD_GLYPHSET, awcrun) + uint64_t(head.cRuns) * sizeof(WCRUN);
  const uint64_t bytes = runs_bytes + glyphs * sizeof(HGLYPH);
  auto* set = static_cast<FD_GLYPHSET*>(GrPoolAlloc(pool, bytes));
  if (!set) return nullptr;
  set->cjThis = ULONG(bytes);
  set->flAccel = head.flAccel;
  set->cGlyphsSupported = head.cGlyphsSupported;
  set->cRuns = head.cRuns;
  auto* handles = reinterpret_cast<HGLYPH*>(reinterpret_cast<uint8_t*>(set) + runs_bytes);
  std::memcpy(handles, p + runs_end, glyphs * sizeof(HGLYPH));
  HGLYPH* next = handles;
  for (uint32_t i = 0; i < head.cRuns; ++i) {
    StoredGlyphRun run;
    std::memcpy(&run, p + sizeof head + i * sizeof run, sizeof run);
    set->awcrun[i].wcLow = run.wcLow;
    set->awcrun[i].cGlyphs = run.cGlyphs;
    set->awcrun[i].phg = next;
    next += run.cGlyphs;
  }
  return set;
}

}  // namespace

DeviceFontTable* TxtLoadDeviceFonts(Pdev* pdev, HMODULE module, uint32_t* count) {
  if (count) *count = 0;
  if (!pdev || !module) return nullptr;
  auto* table = static_cast<DeviceFontTable*>(GrPoolAlloc(pdev->pool, sizeof(DeviceFontTable)));
  if (!table) return nullptr;
  table->module = module;
  std::memcpy(table->rows, kSymbolSets, sizeof kSymbolSets);
  for (uint32_t i = 0; i < kDeviceFontCount; ++i) {
    size_t size = 0;
    const auto* stored = static_cast<const uint8_t*>(plat::FindModuleResource(module, kResDeviceFont, i + 1, &size));
    DeviceFontRecord* copy = nullptr;
    if (stored && RecordIsSound(stored, size)) copy = static_cast<DeviceFontRecord*>(GrPoolAllocUninit(pdev->pool, size));
    if (!copy) {
      TxtFreeDeviceFonts(pdev, table);
      return nullptr;
    }
    std::memcpy(copy, stored, size);
    table->fonts[i] = {RowOfSymbolSet(copy), copy};
  }
  table->count = kDeviceFontCount;
  if (count) *count = table->count;
  return table;
}

void TxtFreeDeviceFonts(Pdev* pdev, DeviceFontTable* table) {
  if (!pdev || !table) return;
  // A row that shares another's set never holds a pointer of its own.
  for (SymbolSetRow& row : table->rows) {
    if (row.sharesRow < 0) GrPoolFree(pdev->pool, row.set);
    row.set = nullptr;
  }
  for (DeviceFontTable::Font& font : table->fonts) {
    GrPoolFree(pdev->pool, font.record);
    font.record = nullptr;
  }
  GrPoolFree(pdev->pool, table);
}

const DeviceFontRecord* TxtFontRecord(const DeviceFontTable* table, ULONG index) {
  if (!table || index == 0 || index > table->count || index > kDeviceFontCount) return nullptr;
  return table->fonts[index - 1].record;
}

IFIMETRICS* TxtFontMetrics(const DeviceFontRecord* record) {
  if (!record) return nullptr;
  return reinterpret_cast<IFIMETRICS*>(reinterpret_cast<uint8_t*>(const_cast<DeviceFontRecord*>(record)) +
                                       record->ifiOffset);
}

FD_GLYPHSET* TxtGlyphSet(Pdev* pdev, DeviceFontTable* table, ULONG index) {
  if (!pdev || !TxtFontRecord(table, index)) return nullptr;
  uint32_t row = table->fonts[index - 1].row;
  if (row >= kSymbolSetRows) return nullptr;
  if (table->rows[row].sharesRow >= 0) row = uint32_t(table->rows[row].sharesRow);
  SymbolSetRow& owner = table->rows[row];
  if (!owner.set && owner.glyphSetId) {
    size_t size = 0;
    const auto* image =
        static_cast<const uint8_t*>(plat::FindModuleResource(table->module, kResGlyphSet, owner.glyphSetId, &size));
    if (image) owner.set = LoadGlyphSet(pdev->pool, image, size);
  }
  return owner.set;
}

int32_t TxtGlyphAdvance(const DeviceFontRecord* record, HGLYPH glyph) {
  const IFIMETRICS* ifi = TxtFontMetrics(record);
  if (!ifi) return 0;
  const bool half_width = glyph < 0x100 || glyph == 0x8640 || (glyph >> 8) == 0x85;
  return half_width ? ifi->fwdAveCharWidth : ifi->fwdMaxCharInc;
}
