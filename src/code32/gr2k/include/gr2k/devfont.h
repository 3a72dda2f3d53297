// The printer's resident Japanese device fonts: their records and glyph sets
// (resources of this library), the per-Pdev table built from them, and the
// integer helpers the font metrics share with the text output.
#pragma once

#include <cstddef>
#include <cstdint>

#include "eng/ddi.h"
#include "plat/wintypes.h"

struct Pdev;

// The integer length of the vector (x, y): the smallest r >= 0 with
// r * r >= x * x + y * y. Computed in 128 bits, exact for |x|, |y| < 2^62.
int64_t TxtHypot(int64_t x, int64_t y);

// ---- the resources -----------------------------------------------------------------
// Resource types of this library: the device-font records (ids 1-4) and the
// glyph sets (ids 1-3).
inline constexpr DWORD kResDeviceFont = 258;
inline constexpr DWORD kResGlyphSet = 260;
inline constexpr uint32_t kDeviceFontCount = 4;

// A device-font record as stored (little-endian). The font's IFIMETRICS
// block (the structure, its names and its simulations) lies at ifiOffset;
// the symbol-set text (code page 932, zero-terminated) at symbolSetOffset.
struct DeviceFontRecord {
  uint32_t size;  // bytes of the whole record
  uint32_t ifiOffset;
  uint8_t reserved[564];
  uint32_t symbolSetOffset;
  uint32_t nameOffsets[4];  // printer-side font names; not read here
};
static_assert(sizeof(DeviceFontRecord) == 592 && offsetof(DeviceFontRecord, ifiOffset) == 4 &&
              offsetof(DeviceFontRecord, symbolSetOffset) == 572 &&
              offsetof(DeviceFontRecord, nameOffsets) == 576);

// A glyph set as stored: this header, cRuns runs, then the handles of all
// runs, run after run. The stored runs hold no pointers: each native run
// is pointed at its handles when the set is loaded.
struct StoredGlyphSet {
  uint32_t cjThis;  // bytes of the whole image
  uint32_t flAccel;
  uint32_t cGlyphsSupported;
  uint32_t cRuns;
};
struct StoredGlyphRun {
  uint16_t wcLow;
  uint16_t cGlyphs;
  uint32_t unused;  // zero: the place of the run's handle pointer
};
static_assert(sizeof(StoredGlyphSet) == 16 && sizeof(StoredGlyphRun) == 8);

// Registers the device-font resources as resources of the module (at
// process attach) and withdraws them (at detach).
void TxtRegisterDeviceFontResources(HMODULE module);
void TxtWithdrawDeviceFontResources(HMODULE module);

// ---- the device-font table of a Pdev --------------------------------------------------
// A symbol set the fonts may name, with its glyph set once loaded. A row
// that shares another's glyph set loads into and reads from that row.
struct SymbolSetRow {
  const char* text;
  uint32_t flags;
  DWORD glyphSetId;  // 0: none
  int32_t sharesRow;  // -1: a set of its own
  FD_GLYPHSET* set;   // in the Pdev pool, loaded at first use
};
inline constexpr uint32_t kSymbolSetRows = 5;
// The row of a symbol-set text that matches no row.
inline constexpr uint32_t kFallbackSymbolSetRow = 2;

struct DeviceFontTable {
  uint32_t count;
  HMODULE module;
  SymbolSetRow rows[kSymbolSetRows];
  struct Font {
    uint32_t row;
    DeviceFontRecord* record;  // the font's copy of its record (Pdev pool)
  } fonts[kDeviceFontCount];
};

// Builds the table from the module's resources in the Pdev pool, or null
// (nothing left behind) when a resource is missing or damaged or memory
// runs out. *count: the number of fonts, 0 on failure.
DeviceFontTable* TxtLoadDeviceFonts(Pdev* pdev, HMODULE module, uint32_t* count);
// Frees every loaded glyph set once (a set two rows share is freed once),
// the records and the table. Null is allowed.
void TxtFreeDeviceFonts(Pdev* pdev, DeviceFontTable* table);
// The record of font 1..count, or null.
const DeviceFontRecord* TxtFontRecord(const DeviceFontTable* table, ULONG index);
// The IFIMETRICS inside a loaded record (checked at load).
IFIMETRICS* TxtFontMetrics(const DeviceFontRecord* record);
// The glyph set of font 1..count, loaded into the pool at first use; null
// for a bad index, a missing or damaged resource, or no memory.
FD_GLYPHSET* TxtGlyphSet(Pdev* pdev, DeviceFontTable* table, ULONG index);
// The advance of a glyph in font units: the average width for single-byte
// handles, 0x8640 and the 0x85xx row; the maximum increment for the rest.
int32_t TxtGlyphAdvance(const DeviceFontRecord* record, HGLYPH glyph);
