// The font structures of the driver interface: what a driver's font
// queries hand the engine (IFIMETRICS, FD_GLYPHSET, kerning pairs, glyph
// data, device metrics) and the modes and flags of those queries. Field
// order and sizes are the Windows DDI's on a 64-bit host (checked below).
#pragma once

#include <cstddef>

#include "plat/wintypes.h"

using FWORD = int16_t;
using PTRDIFF = LONG;  // byte offset inside the structure that holds it

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
  PVOID Align;  // the 64-bit interface's trailing alignment member
};

// Simulations a font offers: offsets (from the FONTSIM) of FONTDIFF records.
struct FONTSIM {
  PTRDIFF dpBold;
  PTRDIFF dpItalic;
  PTRDIFF dpBoldItalic;
};
struct FONTDIFF {
  BYTE jReserved1;
  BYTE jReserved2;
  BYTE jReserved3;
  BYTE bWeight;
  USHORT usWinWeight;
  USHORT fsSelection;
  FWORD fwdAveCharWidth;
  FWORD fwdMaxCharInc;
  POINTL ptlCaret;
};

// IFIMETRICS flInfo.
constexpr FLONG FM_INFO_TECH_TRUETYPE = 0x00000001;
constexpr FLONG FM_INFO_TECH_BITMAP = 0x00000002;
constexpr FLONG FM_INFO_TECH_STROKE = 0x00000004;
constexpr FLONG FM_INFO_TECH_OUTLINE_NOT_TRUETYPE = 0x00000008;
constexpr FLONG FM_INFO_ARB_XFORMS = 0x00000010;
constexpr FLONG FM_INFO_1BPP = 0x00000020;
constexpr FLONG FM_INFO_CONSTANT_WIDTH = 0x00001000;
constexpr FLONG FM_INFO_DBCS_FIXED_PITCH = 0x10000000;
// IFIMETRICS fsSelection.
constexpr USHORT FM_SEL_ITALIC = 0x0001;
constexpr USHORT FM_SEL_BOLD = 0x0020;

// A glyph set: the Unicode runs a font covers and the handle of each glyph.
using HGLYPH = ULONG;
constexpr HGLYPH HGLYPH_INVALID = 0xFFFFFFFF;
struct WCRUN {
  WCHAR wcLow;
  USHORT cGlyphs;
  HGLYPH* phg;  // null when the handles are the characters themselves
};
struct FD_GLYPHSET {
  ULONG cjThis;
  FLONG flAccel;
  ULONG cGlyphsSupported;
  ULONG cRuns;
  WCRUN awcrun[1];
};
constexpr FLONG GS_UNICODE_HANDLES = 0x00000001;
constexpr FLONG GS_8BIT_HANDLES = 0x00000002;
constexpr FLONG GS_16BIT_HANDLES = 0x00000004;

struct FD_KERNINGPAIR {
  WCHAR wcFirst;
  WCHAR wcSecond;
  FWORD fwdKern;
};

// Glyph data of DrvQueryFontData and FONTOBJ_cGetGlyphs.
struct GLYPHBITS {
  POINTL ptlOrigin;
  SIZEL sizlBitmap;
  BYTE aj[1];
};
union GLYPHDEF {
  GLYPHBITS* pgb;
  PATHOBJ* ppo;
};
struct POINTQF {
  int64_t x;  // 32.32 fixed point (a LARGE_INTEGER)
  int64_t y;
};
struct GLYPHDATA {
  GLYPHDEF gdf;
  HGLYPH hg;
  FIX fxD;
  FIX fxA;
  FIX fxAB;
  FIX fxInkTop;
  FIX fxInkBottom;
  RECTL rclInk;
  POINTQF ptqD;
};

struct POINTE {
  FLOATL x;
  FLOATL y;
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

// DrvQueryFontTree modes.
constexpr ULONG QFT_LIGATURES = 1;
constexpr ULONG QFT_KERNPAIRS = 2;
constexpr ULONG QFT_GLYPHSET = 3;
// DrvQueryFontData modes and its failure value.
constexpr ULONG QFD_GLYPHANDBITMAP = 1;
constexpr ULONG QFD_GLYPHANDOUTLINE = 2;
constexpr ULONG QFD_MAXEXTENTS = 3;
constexpr ULONG QFD_TT_GLYPHANDBITMAP = 4;
constexpr ULONG QFD_TT_GRAY1_BITMAP = 5;
constexpr LONG FD_ERROR = -1;
// DrvQueryAdvanceWidths modes.
constexpr ULONG QAW_GETWIDTHS = 0;
constexpr ULONG QAW_GETEASYWIDTHS = 1;
// DrvGetGlyphMode answers and FONTOBJ_cGetGlyphs modes.
constexpr ULONG FO_HGLYPHS = 0;
constexpr ULONG FO_GLYPHBITS = 1;
constexpr ULONG FO_PATHOBJ = 2;
// FONTOBJ flFontType.
constexpr FLONG FO_TYPE_RASTER = 0x00000001;
constexpr FLONG FO_TYPE_DEVICE = 0x00000002;
constexpr FLONG FO_TYPE_TRUETYPE = 0x00000004;
constexpr FLONG FO_SIM_BOLD = 0x00002000;
constexpr FLONG FO_SIM_ITALIC = 0x00004000;
constexpr FLONG FO_EM_HEIGHT = 0x00008000;
constexpr FLONG FO_GRAY16 = 0x00010000;
constexpr FLONG FO_NOGRAY16 = 0x00020000;
constexpr FLONG FO_NOHINTS = 0x00040000;
constexpr FLONG FO_NO_CHOICE = 0x00080000;
constexpr FLONG FO_VERT_FACE = 0x00800000;

// XFORMOBJ_bApplyXform modes.
constexpr ULONG XF_LTOL = 0;      // POINTL to POINTL
constexpr ULONG XF_INV_LTOL = 1;  // the inverse, POINTL to POINTL
constexpr ULONG XF_LTOFX = 2;     // POINTL to POINTFIX (28.4)
constexpr ULONG XF_INV_FXTOL = 3; // the inverse, POINTFIX to POINTL

// Services of the engine for fonts (the engine's text code implements them).
ENG_API XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
ENG_API IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
ENG_API BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut);

static_assert(sizeof(PANOSE) == 10);
static_assert(sizeof(IFIMETRICS) == 192 && offsetof(IFIMETRICS, jWinCharSet) == 44 &&
              offsetof(IFIMETRICS, fwdUnitsPerEm) == 56 && offsetof(IFIMETRICS, chFirstChar) == 108 &&
              offsetof(IFIMETRICS, ptlBaseline) == 120 && offsetof(IFIMETRICS, rclFontBox) == 144 &&
              offsetof(IFIMETRICS, panose) == 172 && offsetof(IFIMETRICS, Align) == 184);
static_assert(sizeof(FONTSIM) == 12 && sizeof(FONTDIFF) == 20);
static_assert(sizeof(WCRUN) == 16 && offsetof(FD_GLYPHSET, awcrun) == 16 && sizeof(FD_GLYPHSET) == 32);
static_assert(sizeof(FD_KERNINGPAIR) == 6);
static_assert(sizeof(GLYPHBITS) == 20 && offsetof(GLYPHBITS, aj) == 16);
static_assert(offsetof(GLYPHDATA, hg) == 8 && offsetof(GLYPHDATA, rclInk) == 32 &&
              offsetof(GLYPHDATA, ptqD) == 48 && sizeof(GLYPHDATA) == 64);
static_assert(sizeof(FD_DEVICEMETRICS) == 124 && offsetof(FD_DEVICEMETRICS, lD) == 20 &&
              offsetof(FD_DEVICEMETRICS, cxMax) == 64 && offsetof(FD_DEVICEMETRICS, fdxQuantized) == 76);
