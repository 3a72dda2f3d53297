// The text part of the graphics engine's driver interface: fonts (FONTOBJ
// with its IFIMETRICS, glyph data and glyph bitmaps), strings (STROBJ with
// its glyph positions), the device-font records a driver hands the engine
// (FD_GLYPHSET, FD_DEVICEMETRICS, kerning pairs) and the services that read
// them. Included by eng/ddi.h; the layouts are those of the Windows DDI on a
// 64-bit host (checked below).
#pragma once

#include "eng/ddi.h"

// ---- base types -------------------------------------------------------------------
using FWORD = int16_t;   // a distance in font units
using PTRDIFF = int64_t;  // an offset from the start of a structure

struct POINTE {
  FLOATL x;
  FLOATL y;
};
// A point with 64-bit coordinates: the high 32 bits of each hold a 28.4
// value, the low 32 bits further fraction.
struct POINTQF {
  int64_t x;
  int64_t y;
};

// ---- glyph positions and strings --------------------------------------------------
struct GLYPHBITS;
union GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
};
struct GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;  // null here: the glyph's bits or outline come from FONTOBJ_cGetGlyphs
  POINTL ptl;      // the character origin on the page (device pixels)
};

// STROBJ flAccel.
constexpr FLONG SO_FLAG_DEFAULT_PLACEMENT = 0x00000001;
constexpr FLONG SO_HORIZONTAL = 0x00000002;
constexpr FLONG SO_VERTICAL = 0x00000004;
constexpr FLONG SO_REVERSED = 0x00000008;
constexpr FLONG SO_ZERO_BEARINGS = 0x00000010;
constexpr FLONG SO_CHAR_INC_EQUAL_BM_BASE = 0x00000020;
constexpr FLONG SO_MAXEXT_EQUAL_BM_SIDE = 0x00000040;
constexpr FLONG SO_DO_NOT_SUBSTITUTE_DEVICE_FONT = 0x00000080;
constexpr FLONG SO_GLYPHINDEX_TEXTOUT = 0x00000100;
constexpr FLONG SO_ESC_NOT_ORIENT = 0x00000200;
constexpr FLONG SO_DXDY = 0x00000400;
constexpr FLONG SO_CHARACTER_EXTRA = 0x00000800;
constexpr FLONG SO_BREAK_EXTRA = 0x00001000;

// ---- fonts -------------------------------------------------------------------------
// FONTOBJ flFontType.
constexpr FLONG FO_TYPE_RASTER = RASTER_FONTTYPE;
constexpr FLONG FO_TYPE_DEVICE = DEVICE_FONTTYPE;
constexpr FLONG FO_TYPE_TRUETYPE = TRUETYPE_FONTTYPE;
constexpr FLONG FO_TYPE_OPENTYPE = 0x0008;
constexpr FLONG FO_SIM_BOLD = 0x00002000;
constexpr FLONG FO_SIM_ITALIC = 0x00004000;
constexpr FLONG FO_EM_HEIGHT = 0x00008000;
constexpr FLONG FO_GRAY16 = 0x00010000;
constexpr FLONG FO_NOGRAY16 = 0x00020000;
constexpr FLONG FO_NOHINTS = 0x00040000;
constexpr FLONG FO_NO_CHOICE = 0x00080000;
constexpr FLONG FO_CFF = 0x00100000;
constexpr FLONG FO_POSTSCRIPT = 0x00200000;
constexpr FLONG FO_MULTIPLEMASTER = 0x00400000;
constexpr FLONG FO_VERT_FACE = 0x00800000;
constexpr FLONG FO_DBCS_FONT = 0x01000000;

// FONTOBJ_cGetGlyphs modes (also DrvGetGlyphMode answers).
constexpr ULONG FO_HGLYPHS = 0;
constexpr ULONG FO_GLYPHBITS = 1;
constexpr ULONG FO_PATHOBJ = 2;

// A glyph bitmap: one bit a pixel, bit 7 the leftmost, each row padded to
// whole bytes, rows top first; ptlOrigin is where the bitmap's top-left
// pixel lies relative to the character origin.
struct GLYPHBITS {
  POINTL ptlOrigin;
  SIZEL sizlBitmap;
  BYTE aj[1];
};

struct GLYPHDATA {
  GLYPHDEF gdf;
  HGLYPH hg;
  FIX fxD;          // advance along the baseline (28.4)
  FIX fxA;          // from the origin to the ink's start along the baseline
  FIX fxAB;         // from the origin to the ink's end along the baseline
  FIX fxInkTop;     // ink above the baseline, along the ascender direction
  FIX fxInkBottom;  // ink below it (negative when the ink goes below)
  RECTL rclInk;     // the ink box in device pixels relative to the origin
  POINTQF ptqD;     // the advance vector in device space
};

struct PANOSE {
  BYTE bFamilyType;
  BYTE bSerifStyle;
  BYTE bWeight;
  BYTE bProportion;
  BYTE bContrast;
  BYTE bStrokeVariation;
  BYTE bArmStyle;
  BYTE bLetterform;
  BYTE bMidline;
  BYTE bXHeight;
};

// IFIMETRICS flInfo.
constexpr FLONG FM_INFO_TECH_TRUETYPE = 0x00000001;
constexpr FLONG FM_INFO_TECH_BITMAP = 0x00000002;
constexpr FLONG FM_INFO_TECH_STROKE = 0x00000004;
constexpr FLONG FM_INFO_TECH_OUTLINE_NOT_TRUETYPE = 0x00000008;
constexpr FLONG FM_INFO_ARB_XFORMS = 0x00000010;
constexpr FLONG FM_INFO_1BPP = 0x00000020;
constexpr FLONG FM_INFO_4BPP = 0x00000040;
constexpr FLONG FM_INFO_8BPP = 0x00000080;
constexpr FLONG FM_INFO_INTEGER_WIDTH = 0x00000800;
constexpr FLONG FM_INFO_CONSTANT_WIDTH = 0x00001000;
constexpr FLONG FM_INFO_NOT_CONTIGUOUS = 0x00002000;
constexpr FLONG FM_INFO_RETURNS_OUTLINES = 0x00008000;
constexpr FLONG FM_INFO_RETURNS_STROKES = 0x00010000;
constexpr FLONG FM_INFO_RETURNS_BITMAPS = 0x00020000;
constexpr FLONG FM_INFO_RIGHT_HANDED = 0x00080000;
constexpr FLONG FM_INFO_INTEGRAL_SCALING = 0x00100000;
constexpr FLONG FM_INFO_90DEGREE_ROTATIONS = 0x00200000;
constexpr FLONG FM_INFO_OPTICALLY_FIXED_PITCH = 0x00400000;
constexpr FLONG FM_INFO_DO_NOT_ENUMERATE = 0x00800000;
constexpr FLONG FM_INFO_ISOTROPIC_SCALING_ONLY = 0x01000000;
constexpr FLONG FM_INFO_ANISOTROPIC_SCALING_ONLY = 0x02000000;
constexpr FLONG FM_INFO_TECH_CFF = 0x04000000;
constexpr FLONG FM_INFO_FAMILY_EQUIV = 0x08000000;
constexpr FLONG FM_INFO_DBCS_FIXED_PITCH = 0x10000000;
constexpr FLONG FM_INFO_NONNEGATIVE_AC = 0x20000000;
constexpr FLONG FM_INFO_IGNORE_TC_RA_ABLE = 0x40000000;
constexpr FLONG FM_INFO_TECH_TYPE1 = 0x80000000;

// IFIMETRICS fsSelection.
constexpr USHORT FM_SEL_ITALIC = 0x0001;
constexpr USHORT FM_SEL_UNDERSCORE = 0x0002;
constexpr USHORT FM_SEL_NEGATIVE = 0x0004;
constexpr USHORT FM_SEL_OUTLINED = 0x0008;
constexpr USHORT FM_SEL_STRIKEOUT = 0x0010;
constexpr USHORT FM_SEL_BOLD = 0x0020;
constexpr USHORT FM_SEL_REGULAR = 0x0040;

// Character sets and pitch and family (jWinCharSet, jWinPitchAndFamily).
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;
constexpr BYTE FF_SCRIPT = 0x40;
constexpr BYTE FF_DECORATIVE = 0x50;

// A typeface's metrics in font units. The names are UTF-16 strings inside
// the same block, at the dpwsz* byte offsets from the structure's start.
struct IFIMETRICS {
  ULONG cjThis;
  ULONG cjIfiExtra;
  PTRDIFF dpwszFamilyName;
  PTRDIFF dpwszStyleName;
  PTRDIFF dpwszFaceName;
  PTRDIFF dpwszUniqueName;
  PTRDIFF dpFontSim;
  LONG lEmbedId;
  LONG lItalicAngle;
  LONG lCharBias;
  PTRDIFF dpCharSets;
  BYTE jWinCharSet;
  BYTE jWinPitchAndFamily;
  USHORT usWinWeight;
  ULONG flInfo;
  USHORT fsSelection;
  USHORT fsType;
  FWORD fwdUnitsPerEm;
  FWORD fwdLowestPPEm;
  FWORD fwdWinAscender;
  FWORD fwdWinDescender;
  FWORD fwdMacAscender;
  FWORD fwdMacDescender;
  FWORD fwdMacLineGap;
  FWORD fwdTypoAscender;
  FWORD fwdTypoDescender;
  FWORD fwdTypoLineGap;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  FWORD fwdCapHeight;
  FWORD fwdXHeight;
  FWORD fwdSubscriptXSize;
  FWORD fwdSubscriptYSize;
  FWORD fwdSubscriptXOffset;
  FWORD fwdSubscriptYOffset;
  FWORD fwdSuperscriptXSize;
  FWORD fwdSuperscriptYSize;
  FWORD fwdSuperscriptXOffset;
  FWORD fwdSuperscriptYOffset;
  FWORD fwdUnderscoreSize;
  FWORD fwdUnderscorePosition;
  FWORD fwdStrikeoutSize;
  FWORD fwdStrikeoutPosition;
  BYTE chFirstChar;
  BYTE chLastChar;
  BYTE chDefaultChar;
  BYTE chBreakChar;
  WCHAR wcFirstChar;
  WCHAR wcLastChar;
  WCHAR wcDefaultChar;
  WCHAR wcBreakChar;
  POINTL ptlBaseline;
  POINTL ptlAspect;
  POINTL ptlCaret;
  RECTL rclFontBox;
  BYTE achVendId[4];
  ULONG cKerningPairs;
  ULONG ulPanoseCulture;
  PANOSE panose;
  PVOID Align;
};

// FONTOBJ_vGetInfo.
constexpr FLONG FO_DEVICE_FONT = 1;
constexpr FLONG FO_OUTLINE_CAPABLE = 2;
struct FONTINFO {
  ULONG cjThis;
  FLONG flCaps;
  ULONG cGlyphsSupported;
  ULONG cjMaxGlyph1;
  ULONG cjMaxGlyph4;
  ULONG cjMaxGlyph8;
  ULONG cjMaxGlyph32;
};

// ---- device fonts: what a driver answers to DrvQueryFontTree and DrvQueryFontData ----
// DrvQueryFontTree modes.
constexpr ULONG QFT_LIGATURES = 1;
constexpr ULONG QFT_KERNPAIRS = 2;
constexpr ULONG QFT_GLYPHSET = 3;
// DrvQueryFontData modes.
constexpr ULONG QFD_GLYPHANDBITMAP = 1;
constexpr ULONG QFD_GLYPHANDOUTLINE = 2;
constexpr ULONG QFD_MAXEXTENTS = 3;
// DrvQueryAdvanceWidths modes.
constexpr ULONG QAW_GETWIDTHS = 0;
constexpr ULONG QAW_GETEASYWIDTHS = 1;
// FD_GLYPHSET flAccel.
constexpr FLONG GS_UNICODE_HANDLES = 0x00000001;
constexpr FLONG GS_8BIT_HANDLES = 0x00000002;
constexpr FLONG GS_16BIT_HANDLES = 0x00000004;

// A run of consecutive Unicode characters and their glyph handles (phg null:
// the handles are the characters themselves).
struct WCRUN {
  WCHAR wcLow;
  USHORT cGlyphs;
  HGLYPH* phg;
};
struct FD_GLYPHSET {
  ULONG cjThis;
  FLONG flAccel;
  ULONG cGlyphsSupported;
  ULONG cRuns;
  WCRUN awcrun[1];
};
struct FD_KERNINGPAIR {
  WCHAR wcFirst;
  WCHAR wcSecond;
  FWORD fwdKern;
};
struct FD_XFORM {
  FLOATL eXX;
  FLOATL eXY;
  FLOATL eYX;
  FLOATL eYY;
};
struct FD_DEVICEMETRICS {
  FLONG flRealizedType;
  POINTE pteBase;
  POINTE pteSide;
  LONG lD;
  FIX fxMaxAscender;
  FIX fxMaxDescender;
  POINTL ptlUnderline1;
  POINTL ptlStrikeOut;
  POINTL ptlULThickness;
  POINTL ptlSOThickness;
  ULONG cxMax;
  ULONG cyMax;
  ULONG cjGlyphMax;
  FD_XFORM fdxQuantized;
  LONG lNonLinearExtLeading;
  LONG lNonLinearIntLeading;
  LONG lNonLinearMaxCharWidth;
  LONG lNonLinearAvgCharWidth;
  LONG lMinA;
  LONG lMinC;
  LONG lMinD;
  LONG alReserved[1];
};

// XFORMOBJ_bApplyXform modes.
constexpr ULONG XF_LTOL = 0;      // POINTL in, POINTL out
constexpr ULONG XF_INV_LTOL = 1;  // POINTL in, POINTL out, the inverse transform
constexpr ULONG XF_LTOFX = 2;     // POINTL in, POINTFIX out
constexpr ULONG XF_INV_FXTOL = 3; // POINTFIX in, POINTL out, the inverse transform

static_assert(sizeof(POINTQF) == 16 && sizeof(POINTE) == 8);
static_assert(sizeof(GLYPHPOS) == 24 && offsetof(GLYPHPOS, ptl) == 16);
static_assert(sizeof(GLYPHBITS) == 20 && offsetof(GLYPHBITS, aj) == 16);
static_assert(sizeof(GLYPHDATA) == 64 && offsetof(GLYPHDATA, rclInk) == 32 &&
              offsetof(GLYPHDATA, ptqD) == 48);
static_assert(sizeof(PANOSE) == 10);
static_assert(offsetof(IFIMETRICS, dpCharSets) == 64 && offsetof(IFIMETRICS, jWinCharSet) == 72 &&
              offsetof(IFIMETRICS, flInfo) == 76 && offsetof(IFIMETRICS, fwdUnitsPerEm) == 84 &&
              offsetof(IFIMETRICS, chFirstChar) == 136 && offsetof(IFIMETRICS, ptlBaseline) == 148 &&
              offsetof(IFIMETRICS, rclFontBox) == 172 && offsetof(IFIMETRICS, panose) == 200 &&
              sizeof(IFIMETRICS) == 224);
static_assert(sizeof(FONTINFO) == 28);
static_assert(sizeof(WCRUN) == 16 && sizeof(FD_GLYPHSET) == 32 && offsetof(FD_GLYPHSET, awcrun) == 16);
static_assert(sizeof(FD_KERNINGPAIR) == 6);
static_assert(sizeof(FD_DEVICEMETRICS) == 124 && offsetof(FD_DEVICEMETRICS, cxMax) == 64);

// ---- the engine's text services ----------------------------------------------------------
// The notional-to-device transform of a font: font units, with y growing
// away from the ascender as device y grows down the page, to device pixels.
ENG_API XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
ENG_API IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
// Glyph data of cGlyph glyphs (only 1 is handed out a call, as the DDI
// allows): *ppvGlyph receives a GLYPHDATA pointer, valid until the font's
// next call; FO_GLYPHBITS fills gdf.pgb, FO_PATHOBJ gdf.ppo. Returns the
// number of glyphs given, 0 on failure.
ENG_API ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg,
                                 PVOID* ppvGlyph);
// Every glyph handle of the font; with a null phg only the count.
ENG_API ULONG FONTOBJ_cGetAllGlyphHandles(FONTOBJ* pfo, HGLYPH* phg);
ENG_API void FONTOBJ_vGetInfo(FONTOBJ* pfo, ULONG cjSize, FONTINFO* pfi);
// The font's glyph set (Unicode runs to glyph handles).
ENG_API FD_GLYPHSET* FONTOBJ_pfdg(FONTOBJ* pfo);

ENG_API void STROBJ_vEnumStart(STROBJ* pstro);
ENG_API BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);
ENG_API DWORD STROBJ_dwGetCodePage(STROBJ* pstro);

ENG_API BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn,
                                  PVOID pvOut);
