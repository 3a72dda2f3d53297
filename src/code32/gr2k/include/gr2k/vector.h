// Vector mode of VELMPD0: the graphics state (colour, ROP, background mode,
// brush pattern, line attributes, clip) turned into state records, written
// only when the value differs from what the Pdev last sent, and paths turned
// into path records.
#pragma once

#include <cstdint>

#include "eng/ddi.h"
#include "gr2k/pdev.h"

// ---- mixes and ROPs --------------------------------------------------------------------
inline constexpr int16_t kBackTransparent = 1;
inline constexpr int16_t kBackOpaque = 2;

// The ROP record of a drawing call's foreground mix (R2_* code 1 to 16;
// anything else gives 0xCC).
uint8_t GsRop2ToRop3(uint32_t rop2);
// The mix of a ROP3 that uses only the pattern and the destination; 0 for
// every other ROP3.
uint8_t GsRop3ToRop2(uint8_t rop3);

// The colour state of a mix: foreground mix from its low byte, transparent
// background when its high byte is R2_NOP, a third colour for a stroke and
// fill. Colours and drawing kind are the caller's to fill.
BOOL GsColorFromMix(MIX mix, GsColorState* state, bool stroke_and_fill);

// ---- brushes ---------------------------------------------------------------------------------
// The realization of a drawing call's brush: for a plain colour the Pdev's
// plain brush {kind 0, colours (colour, white)}; for a pattern the driver's
// realization (BRUSHOBJ_pvGetRbrush, which starts with a DlBrush) with the
// call's origin (low 8 bits). Null without a brush object or when a pattern
// has no realization.
const DlBrush* GsBrushFromBrushObj(Pdev* pdev, SURFOBJ* surface, BRUSHOBJ* brush, const POINTL* origin);

// ---- state records -------------------------------------------------------------------------------
// Each writes its record(s) when the cache of the Pdev says the value
// changed, and answers FALSE only when a record could not be written.
BOOL GsSetColor(Pdev* pdev, const GsColorState& state);
BOOL GsSetRop(Pdev* pdev, uint8_t rop3);
BOOL GsSetBackMode(Pdev* pdev, uint8_t mode);
// A plain colour goes out once; a pattern at every use. FALSE for no brush.
BOOL GsSetPattern(Pdev* pdev, const DlBrush* brush);
BOOL GsSetLineAttrs(Pdev* pdev, const GsLineAttrs& attrs);

// The font cache: whether the last font select of the page was for this
// font identity and orientation kind, and what was sent.
bool GsFontIsCurrent(const Pdev* pdev, uint32_t font_id, uint8_t orientation);
void GsFontSent(Pdev* pdev, uint32_t font_id, uint8_t orientation);
void GsForgetFont(Pdev* pdev);

// The scale of a transform in 1/256: -1 for the identity, 0 when the two
// axes scale differently, else the mean of both scales.
int32_t GsTransformScale(XFORMOBJ* transform);

// The line attributes of a pen: width in device pixels, join, cap, miter
// limit and the 32-step dash mask. FALSE when a geometric pen cannot be
// expressed (its flag is reported in *geometric); a cosmetic pen that cannot
// be dashed falls back to solid.
BOOL GsLineAttrsFromPen(Pdev* pdev, const LINEATTRS* pen, uint32_t color, XFORMOBJ* transform,
                        GsLineAttrs* attrs, bool* geometric);

// Sends the clip of a drawing call: a clip rectangle, a clip path (use 5) or
// a clip reset. Answers the clip kind in force (0, 1 or 3), or -1 when the
// clip could not be sent.
int32_t GsSetClip(Pdev* pdev, CLIPOBJ* clip);

// ---- paths ---------------------------------------------------------------------------------------
inline constexpr uint8_t kPathStroke = 0;
inline constexpr uint8_t kPathFillAlternate = 1;
inline constexpr uint8_t kPathFillWinding = 2;
inline constexpr uint8_t kPathStrokeFillAlternate = 3;
inline constexpr uint8_t kPathStrokeFillWinding = 4;
inline constexpr uint8_t kPathClip = 5;

// Writes the path as one path record (a stroke of several subpaths with a
// closed figure as one record per subpath). TRUE when written, and for a
// path without subpaths (nothing written). FALSE for a malformed path (a
// Bezier batch that is not whole curves, points outside a subpath) or when
// the display list has no room; nothing of the path stays in the list then.
BOOL GpathWrite(Pdev* pdev, PATHOBJ* path, uint8_t use);

// A glyph outline for a character-cell record: the subpaths of the path as
// in a path record, after a u32 work size and without a header, every point
// moved by (dx, dy) in 28.4 (minus the glyph box's top-left corner). The
// encoding is in *buffer, taken from the Pdev's pool (the caller frees it
// with GrPoolFree); *closed tells whether a figure is closed. Answers the
// length (a multiple of 4), or 0 for a malformed or empty path, a batch
// without points, or no memory.
uint32_t GpathEncodeOutline(Pdev* pdev, PATHOBJ* path, bool* closed, uint8_t** buffer, int32_t dx, int32_t dy);
