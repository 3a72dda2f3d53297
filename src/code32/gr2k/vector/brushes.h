// The driver's realization of a brush, as DrvRealizeBrush hands it to the
// engine (BRUSHOBJ_pvAllocRbrush) and the pattern record takes it: a
// two-colour (one bit) or colour (24-bit) pattern of 32 x 32 pixels whose
// rows run top first.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/dlrecords.h"

inline constexpr uint32_t kRbrushSide = 32;
inline constexpr uint32_t kRbrushMonoRowBytes = kRbrushSide / 8;
inline constexpr uint32_t kRbrushColourRowBytes = kRbrushSide * 3;

// The realization starts with the pattern record's description, whose data
// point into the realization itself (the engine keeps it in place).
struct GrRbrush {
  DlBrush brush;  // kind kBrushTwoColour or kBrushColour, bits 1 or 24, size 32;
                  // colours as the translation gives them (blue in the low byte)
  // One-bit rows of 4 bytes (bit 7 leftmost, a set bit is the first colour),
  // or 24-bit rows of 96 bytes (blue, green, red).
  uint8_t data[kRbrushSide * kRbrushColourRowBytes];
};

// Bits per pixel of a bitmap format; 0 for a format the library does not draw.
constexpr int GrFormatBits(ULONG format) {
  switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
  }
}

// Entry i of a colour translation: black (0) and white (1) when there is no
// table to read, 0 for an index the table does not hold.
ULONG GrXlateEntry(XLATEOBJ* pxlo, ULONG index);
