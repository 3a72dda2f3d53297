// The graphics engine's driver interface: the objects a printer graphics
// driver receives (surfaces, clip regions, paths, brushes, colour
// translations, transforms, line attributes, palettes), the services it
// calls (Eng*, CLIPOBJ_*, PATHOBJ_* ...) and the Drv* entry points the
// engine calls in it.
//
// The structures a driver reads keep the field order and sizes of the
// Windows DDI on a 64-bit host: ULONG and LONG are 32 bits, pointers and
// handles 8 bytes (the sizes are checked below).
#pragma once

#include "plat/logfont.h"
#include "plat/wintypes.h"

// ---- base types --------------------------------------------------------------
using PVOID = void*;
using FLONG = uint32_t;
using FIX = int32_t;  // 28.4 fixed point
using FLOATL = float;
using ROP4 = uint32_t;
using MIX = uint32_t;
using HSURF = void*;
using HBITMAP = void*;
using HPALETTE = void*;
using HDEV = void*;
using DHPDEV = void*;
using DHSURF = void*;
using PFN = void (*)();

struct POINTL {
  LONG x;
  LONG y;
};
struct POINTFIX {
  FIX x;
  FIX y;
};
struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct RECTFX {
  FIX xLeft;
  FIX yTop;
  FIX xRight;
  FIX yBottom;
};
struct SIZEL {
  LONG cx;
  LONG cy;
};

// ---- surfaces ----------------------------------------------------------------
constexpr ULONG BMF_1BPP = 1;
constexpr ULONG BMF_4BPP = 2;
constexpr ULONG BMF_8BPP = 3;
constexpr ULONG BMF_16BPP = 4;
constexpr ULONG BMF_24BPP = 5;
constexpr ULONG BMF_32BPP = 6;
// EngCreateBitmap flags and SURFOBJ fjBitmap bits.
constexpr FLONG BMF_TOPDOWN = 0x0001;
constexpr FLONG BMF_NOZEROINIT = 0x0002;
constexpr FLONG BMF_DONTCACHE = 0x0004;
constexpr FLONG BMF_USERMEM = 0x0008;
// SURFOBJ iType.
constexpr USHORT STYPE_BITMAP = 0;
constexpr USHORT STYPE_DEVICE = 1;
constexpr USHORT STYPE_DEVBITMAP = 3;

struct SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
};

// EngAssociateSurface hooks.
constexpr FLONG HOOK_BITBLT = 0x00000001;
constexpr FLONG HOOK_STRETCHBLT = 0x00000002;
constexpr FLONG HOOK_PLGBLT = 0x00000004;
constexpr FLONG HOOK_TEXTOUT = 0x00000008;
constexpr FLONG HOOK_PAINT = 0x00000010;
constexpr FLONG HOOK_STROKEPATH = 0x00000020;
constexpr FLONG HOOK_FILLPATH = 0x00000040;
constexpr FLONG HOOK_STROKEANDFILLPATH = 0x00000080;
constexpr FLONG HOOK_LINETO = 0x00000100;
constexpr FLONG HOOK_COPYBITS = 0x00000400;
constexpr FLONG HOOK_STRETCHBLTROP = 0x00002000;

// ---- clip regions ---------------------------------------------------------------
constexpr BYTE DC_TRIVIAL = 0;
constexpr BYTE DC_RECT = 1;
constexpr BYTE DC_COMPLEX = 3;
constexpr BYTE FC_RECT = 1;
constexpr BYTE FC_RECT4 = 2;
constexpr BYTE FC_COMPLEX = 3;
constexpr BYTE TC_RECTANGLES = 4;
constexpr ULONG CT_RECTANGLES = 0;
constexpr ULONG CD_RIGHTDOWN = 0;
constexpr ULONG CD_LEFTDOWN = 1;
constexpr ULONG CD_RIGHTUP = 2;
constexpr ULONG CD_LEFTUP = 3;
constexpr ULONG CD_ANY = 4;

struct CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
};

// The buffer CLIPOBJ_bEnum fills: a count and as many rectangles as fit.
struct ENUMRECTS {
  ULONG c;
  RECTL arcl[1];
};

// ---- paths ----------------------------------------------------------------------
constexpr FLONG PO_BEZIERS = 0x0001;
constexpr FLONG PO_ELLIPSE = 0x0002;
constexpr FLONG PO_ALL_INTEGERS = 0x0004;
constexpr FLONG PD_BEGINSUBPATH = 0x0001;
constexpr FLONG PD_ENDSUBPATH = 0x0002;
constexpr FLONG PD_RESETSTYLE = 0x0004;
constexpr FLONG PD_CLOSEFIGURE = 0x0008;
constexpr FLONG PD_BEZIERS = 0x0010;
// EngFillPath options.
constexpr FLONG FP_ALTERNATEMODE = 1;
constexpr FLONG FP_WINDINGMODE = 2;

struct PATHOBJ {
  FLONG fl;
  ULONG cCurves;  // lines and Bezier curves of the path
};
struct PATHDATA {
  FLONG flags;
  ULONG count;
  POINTFIX* pptfx;
};

// ---- transforms -------------------------------------------------------------------
constexpr ULONG GX_IDENTITY = 0;
constexpr ULONG GX_OFFSET = 1;
constexpr ULONG GX_SCALE = 2;
constexpr ULONG GX_GENERAL = 3;
struct XFORMOBJ {
  ULONG ulReserved;
};
struct XFORML {
  FLOATL eM11, eM12, eM21, eM22, eDx, eDy;
};

// ---- line attributes --------------------------------------------------------------------
constexpr FLONG LA_GEOMETRIC = 0x01;
constexpr FLONG LA_ALTERNATE = 0x02;
constexpr FLONG LA_STARTGAP = 0x04;
constexpr FLONG LA_STYLED = 0x08;
constexpr ULONG JOIN_ROUND = 0;
constexpr ULONG JOIN_BEVEL = 1;
constexpr ULONG JOIN_MITER = 2;
constexpr ULONG ENDCAP_ROUND = 0;
constexpr ULONG ENDCAP_SQUARE = 1;
constexpr ULONG ENDCAP_BUTT = 2;

union FLOAT_LONG {
  FLOATL e;
  LONG l;
};
struct LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;  // geometric pens: a float in world units; cosmetic: 1
  FLOATL eMiterLimit;
  ULONG cstyle;
  FLOAT_LONG* pstyle;
  FLOAT_LONG elStyleState;
};

// ---- brushes ---------------------------------------------------------------------------
constexpr ULONG BRUSH_PATTERN = 0xFFFFFFFF;  // iSolidColor of a brush that is not plain
constexpr FLONG BR_DEVICE_ICM = 0x01;
constexpr FLONG BR_HOST_ICM = 0x02;
constexpr FLONG BR_CMYKCOLOR = 0x04;
constexpr ULONG HS_HORIZONTAL = 0;
constexpr ULONG HS_VERTICAL = 1;
constexpr ULONG HS_FDIAGONAL = 2;
constexpr ULONG HS_BDIAGONAL = 3;
constexpr ULONG HS_CROSS = 4;
constexpr ULONG HS_DIAGCROSS = 5;
constexpr ULONG HS_DDI_MAX = 6;
// iHatch of DrvRealizeBrush for a solid colour's dither; the low 24 bits
// hold the colour (0x00BBGGRR).
constexpr ULONG RB_DITHERCOLOR = 0x80000000;

struct BRUSHOBJ {
  ULONG iSolidColor;  // in the target's format, or BRUSH_PATTERN
  PVOID pvRbrush;     // the driver's realization, once made
  FLONG flColorType;
};

// ---- colour translation and palettes -------------------------------------------------------
constexpr FLONG XO_TRIVIAL = 0x01;
constexpr FLONG XO_TABLE = 0x02;
constexpr FLONG XO_TO_MONO = 0x04;
constexpr FLONG XO_FROM_CMYK = 0x08;
constexpr FLONG XO_DEVICE_ICM = 0x10;
constexpr FLONG XO_HOST_ICM = 0x20;
constexpr ULONG XO_SRCPALETTE = 1;
constexpr ULONG XO_DESTPALETTE = 2;
constexpr ULONG PAL_INDEXED = 0x01;
constexpr ULONG PAL_BITFIELDS = 0x02;
constexpr ULONG PAL_RGB = 0x04;  // red in the low byte
constexpr ULONG PAL_BGR = 0x08;  // blue in the low byte

struct XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;  // source index -> target colour, when flXlate has XO_TABLE
};

// ---- text (the objects EngTextOut takes) ------------------------------------------------------
struct GLYPHPOS;
struct STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;
  ULONG ulCharInc;
  RECTL rclBkGround;
  GLYPHPOS* pgp;
  LPWSTR pwszOrg;
};
struct FONTOBJ {
  ULONG iUniq;
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZEL sizLogResPpi;
  ULONG ulStyleSize;
  PVOID pvConsumer;
  PVOID pvProducer;
};
struct COLORADJUSTMENT;

// ---- stretch modes ---------------------------------------------------------------------
constexpr ULONG BLACKONWHITE = 1;
constexpr ULONG WHITEONBLACK = 2;
constexpr ULONG COLORONCOLOR = 3;
constexpr ULONG HALFTONE = 4;

// ---- device set-up: GDIINFO, DEVINFO, the DDI table ------------------------------------------
struct CIECHROMA {
  LONG x;
  LONG y;
  LONG Y;
};
struct COLORINFO {
  CIECHROMA Red, Green, Blue, Cyan, Magenta, Yellow, AlignmentWhite;
  LONG RedGamma, GreenGamma, BlueGamma;
  LONG MagentaInCyanDye, YellowInCyanDye, CyanInMagentaDye;
  LONG YellowInMagentaDye, CyanInYellowDye, MagentaInYellowDye;
};
struct GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  ULONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  ULONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
  ULONG xPanningAlignment;
  ULONG yPanningAlignment;
  ULONG cxHTPat;
  ULONG cyHTPat;
  BYTE* pHTPatA;
  BYTE* pHTPatB;
  BYTE* pHTPatC;
  ULONG flShadeBlend;
  ULONG ulPhysicalPixelCharacteristics;
  ULONG ulPhysicalPixelGamma;
};
struct DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
};

struct DRVFN {
  ULONG iFunc;
  PFN pfn;
};
struct DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
};

// The engine version this engine passes to DrvEnableDriver.
constexpr ULONG DDI_DRIVER_VERSION_NT5_01 = 0x00030100;

// DDI function indices (DRVFN iFunc).
constexpr ULONG INDEX_DrvEnablePDEV = 0;
constexpr ULONG INDEX_DrvCompletePDEV = 1;
constexpr ULONG INDEX_DrvDisablePDEV = 2;
constexpr ULONG INDEX_DrvEnableSurface = 3;
constexpr ULONG INDEX_DrvDisableSurface = 4;
constexpr ULONG INDEX_DrvResetPDEV = 7;
constexpr ULONG INDEX_DrvRealizeBrush = 12;
constexpr ULONG INDEX_DrvDitherColor = 13;
constexpr ULONG INDEX_DrvStrokePath = 14;
constexpr ULONG INDEX_DrvFillPath = 15;
constexpr ULONG INDEX_DrvStrokeAndFillPath = 16;
constexpr ULONG INDEX_DrvBitBlt = 18;
constexpr ULONG INDEX_DrvCopyBits = 19;
constexpr ULONG INDEX_DrvStretchBlt = 20;
constexpr ULONG INDEX_DrvTextOut = 23;
constexpr ULONG INDEX_DrvEscape = 24;
constexpr ULONG INDEX_DrvQueryFont = 26;
constexpr ULONG INDEX_DrvQueryFontTree = 27;
constexpr ULONG INDEX_DrvQueryFontData = 28;
constexpr ULONG INDEX_DrvSendPage = 32;
constexpr ULONG INDEX_DrvStartPage = 33;
constexpr ULONG INDEX_DrvEndDoc = 34;
constexpr ULONG INDEX_DrvStartDoc = 35;
constexpr ULONG INDEX_DrvGetGlyphMode = 37;
constexpr ULONG INDEX_DrvQueryAdvanceWidths = 53;
constexpr ULONG INDEX_DrvStartBanding = 57;
constexpr ULONG INDEX_DrvNextBand = 58;
constexpr ULONG INDEX_DrvIcmCreateColorTransform = 64;
constexpr ULONG INDEX_DrvIcmDeleteColorTransform = 65;
constexpr ULONG INDEX_DrvStretchBltROP = 69;
constexpr ULONG INDEX_LAST = 89;

// DrvEndDoc flags: the document was given up.
constexpr FLONG ED_ABORTDOC = 0x00000001;

// Signatures of the Drv* functions the engine calls.
struct DEVMODEW;
using PFN_DrvEnableDriver = BOOL (*)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
using PFN_DrvDisableDriver = void (*)();
using PFN_DrvEnablePDEV = DHPDEV (*)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat,
                                     HSURF* phsurfPatterns, ULONG cjCaps, ULONG* pdevcaps,
                                     ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                     LPWSTR pwszDeviceName, HANDLE hDriver);
using PFN_DrvCompletePDEV = void (*)(DHPDEV dhpdev, HDEV hdev);
using PFN_DrvDisablePDEV = void (*)(DHPDEV dhpdev);
using PFN_DrvResetPDEV = BOOL (*)(DHPDEV old_pdev, DHPDEV new_pdev);
using PFN_DrvEnableSurface = HSURF (*)(DHPDEV dhpdev);
using PFN_DrvDisableSurface = void (*)(DHPDEV dhpdev);
using PFN_DrvStartDoc = BOOL (*)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
using PFN_DrvEndDoc = BOOL (*)(SURFOBJ* pso, FLONG fl);
using PFN_DrvStartPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvSendPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvStartBanding = BOOL (*)(SURFOBJ* pso, POINTL* pptl);
using PFN_DrvNextBand = BOOL (*)(SURFOBJ* pso, POINTL* pptl);
using PFN_DrvBitBlt = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                               XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                               BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
using PFN_DrvCopyBits = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                 RECTL* prclDest, POINTL* pptlSrc);
using PFN_DrvStretchBlt = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                   CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                   POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                   POINTL* pptlMask, ULONG iMode);
using PFN_DrvStrokePath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                   BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs,
                                   MIX mix);
using PFN_DrvFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                 POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
using PFN_DrvStrokeAndFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                          BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
                                          BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                          FLONG flOptions);
using PFN_DrvTextOut = BOOL (*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvRealizeBrush = BOOL (*)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern,
                                     SURFOBJ* psoMask, XLATEOBJ* pxlo, ULONG iHatch);
using PFN_DrvEscape = ULONG (*)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                PVOID pvOut);
using HGLYPH = ULONG;
struct IFIMETRICS;
struct GLYPHDATA;
struct LOGCOLORSPACEW;
using PFN_DrvGetGlyphMode = ULONG (*)(DHPDEV dhpdev, FONTOBJ* pfo);
using PFN_DrvDitherColor = ULONG (*)(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
// DrvDitherColor: the palette dithered against, and the answers.
constexpr ULONG DM_DEFAULT = 0;
constexpr ULONG DM_MONOCHROME = 1;
constexpr ULONG DCR_SOLID = 0;
constexpr ULONG DCR_DRIVER = 1;
constexpr ULONG DCR_HALFTONE = 2;
using PFN_DrvQueryFont = IFIMETRICS* (*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
using PFN_DrvQueryFontData = LONG (*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg,
                                      GLYPHDATA* pgd, PVOID pv, ULONG cjSize);
using PFN_DrvQueryFontTree = PVOID (*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode,
                                       ULONG_PTR* pid);
using PFN_DrvQueryAdvanceWidths = BOOL (*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg,
                                           PVOID pvWidths, ULONG cGlyphs);
using PFN_DrvIcmCreateColorTransform = HANDLE (*)(DHPDEV dhpdev, LOGCOLORSPACEW* pLogColorSpace,
                                                  PVOID pvSourceProfile, ULONG cjSourceProfile,
                                                  PVOID pvDestProfile, ULONG cjDestProfile,
                                                  PVOID pvTargetProfile, ULONG cjTargetProfile,
                                                  DWORD dwReserved);
using PFN_DrvIcmDeleteColorTransform = BOOL (*)(DHPDEV dhpdev, HANDLE hcmXform);
using PFN_DrvStretchBltROP = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                      CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                      POINTL* pptlHTOrg, RECTL* prclTrg, RECTL* prclSrc,
                                      POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);
// DrvQueryDriverInfo: the one query answered.
constexpr DWORD DRVQUERY_USERMODE = 1;

// ---- local time ---------------------------------------------------------------------
struct ENG_TIME_FIELDS {
  USHORT usYear;
  USHORT usMonth;
  USHORT usDay;
  USHORT usHour;
  USHORT usMinute;
  USHORT usSecond;
  USHORT usMilliseconds;
  USHORT usWeekday;  // 0 = Sunday
};

// Exact sizes of the structures a driver reads or fills on this 64-bit host.
static_assert(sizeof(POINTL) == 8 && sizeof(RECTL) == 16 && sizeof(RECTFX) == 16);
static_assert(sizeof(SURFOBJ) == 80 && offsetof(SURFOBJ, sizlBitmap) == 32 &&
              offsetof(SURFOBJ, pvBits) == 48 && offsetof(SURFOBJ, lDelta) == 64 &&
              offsetof(SURFOBJ, iType) == 76);
static_assert(sizeof(CLIPOBJ) == 24 && offsetof(CLIPOBJ, iDComplexity) == 20);
static_assert(sizeof(ENUMRECTS) == 20);
static_assert(sizeof(PATHOBJ) == 8 && sizeof(PATHDATA) == 16);
static_assert(sizeof(XFORML) == 24);
static_assert(sizeof(LINEATTRS) == 40 && offsetof(LINEATTRS, pstyle) == 24);
static_assert(sizeof(BRUSHOBJ) == 24 && offsetof(BRUSHOBJ, pvRbrush) == 8);
static_assert(sizeof(XLATEOBJ) == 24 && offsetof(XLATEOBJ, pulXlate) == 16);
static_assert(sizeof(STROBJ) == 48 && sizeof(FONTOBJ) == 64);
static_assert(sizeof(COLORINFO) == 120);
static_assert(offsetof(GDIINFO, ciDevice) == 108 && offsetof(GDIINFO, pHTPatA) == 280 &&
              sizeof(GDIINFO) == 320);
static_assert(offsetof(DEVINFO, cFonts) == 280 && offsetof(DEVINFO, hpalDefault) == 296 &&
              sizeof(DEVINFO) == 312);
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(ENG_TIME_FIELDS) == 16);

// ---- the engine's services -----------------------------------------------------------------
#define ENG_API extern "C" __attribute__((visibility("default")))

// Memory the engine hands out (FL_ZERO_MEMORY zeroes it).
constexpr FLONG FL_ZERO_MEMORY = 0x0001;
ENG_API PVOID EngAllocMem(FLONG fl, ULONG cj, ULONG tag);
ENG_API void EngFreeMem(PVOID pv);

// Surfaces.
ENG_API HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
ENG_API HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
ENG_API BOOL EngMarkBandingSurface(HSURF hsurf);
ENG_API BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
ENG_API BOOL EngDeleteSurface(HSURF hsurf);
ENG_API SURFOBJ* EngLockSurface(HSURF hsurf);
ENG_API void EngUnlockSurface(SURFOBJ* pso);

// Palettes.
ENG_API HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                  FLONG flGreen, FLONG flBlue);
ENG_API BOOL EngDeletePalette(HPALETTE hpal);

// System facts.
ENG_API void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage);
ENG_API void EngQueryLocalTime(ENG_TIME_FIELDS* ptf);
// UTF-16 to the system code page; bytes written in *BytesInMultiByteString.
ENG_API void EngUnicodeToMultiByteN(char* MultiByteString, ULONG MaxBytesInMultiByteString,
                                    ULONG* BytesInMultiByteString, WCHAR* UnicodeString,
                                    ULONG BytesInUnicodeString);

// Drawing into engine-managed bitmaps.
ENG_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                       XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                       BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
ENG_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                         RECTL* prclDest, POINTL* pptlSrc);
ENG_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                           XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                           RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
// A stretch with a ROP4 of source, brush pattern (aligned at pptlHTOrg)
// and destination, the mask choosing the foreground (1) or background (0)
// ROP3 at each source pixel.
ENG_API BOOL EngStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                              XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                              RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode,
                              BRUSHOBJ* pbo, DWORD rop4);
ENG_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
ENG_API BOOL EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                         POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
ENG_API BOOL EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                           POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
ENG_API BOOL EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                  BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                  POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions);
ENG_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                        RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque,
                        POINTL* pptlOrg, MIX mix);

// Object services.
ENG_API ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection,
                                 ULONG cLimit);
ENG_API BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
ENG_API PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);
ENG_API void EngDeletePath(PATHOBJ* ppo);
ENG_API void PATHOBJ_vEnumStart(PATHOBJ* ppo);
ENG_API BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
ENG_API void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx);
ENG_API ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);
ENG_API ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
ENG_API ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);
ENG_API PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
ENG_API PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
ENG_API ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

// The text part of the interface: fonts, strings and their services.
#include "eng/ddi_text.h"
