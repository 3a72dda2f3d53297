// The graphics library's record of one device context (PDEV), taken
// zero-filled from its own memory pool. The fields here are those the
// graphics core uses; the DDI layer fills them from the driver context.
#pragma once

#include <cstdint>

#include "gr2k/dlstream.h"
#include "gr2k/glyph.h"
#include "gr2k/pool.h"
#include "plat/wintypes.h"

struct DriverContext;

inline constexpr uint32_t kPdevMagic = 0x19651013;

// State flags.
inline constexpr uint32_t kPdevDocStarted = 0x4;
inline constexpr uint32_t kPdevOutputFailed = 0x8;  // a write to the spool-side module failed
inline constexpr uint32_t kPdevPageOpen = 0x8000;
inline constexpr uint32_t kPdevContinued = 0x100000;  // document continued by DrvResetPDEV

struct Pdev {
  uint32_t magicFirst;
  DriverContext* context;
  GrPool* pool;
  HANDLE printer;
  uint32_t flags;
  int32_t pageCount;     // pages begun in the current document
  int16_t rasterMode;    // the page is drawn into bands (image records get the band flag)
  uint16_t resolution;   // dots per inch
  uint16_t passThrough;  // page 1 carries the application's own data
  uint32_t machineColor;  // 0: the device prints monochrome only
  uint32_t color;         // dmColor: 1 monochrome, 2 colour
  uint32_t printMethod;
  uint32_t apiUseFlag;
  DisplayListStream stream;
  GlyphCache glyphs;
  uint32_t magicLast;
};

// A new pool with a zeroed Pdev in it: both magic words, the pool, the
// printer handle (also in the stream), the stream's back pointer and an empty
// buffer. Null when an allocation fails (nothing is left behind).
Pdev* PdevCreate(HANDLE printer);
// Releases the pool and with it the Pdev and everything taken from it.
void PdevDestroy(Pdev* pdev);
// Non-null with both magic words in place.
bool GrIsValidPdev(const Pdev* pdev);
