// The entry points of VELMPD0: the four exports the loader and the engine
// look up by name, and the thirty functions of the table DrvEnableDriver
// hands to the engine. The table functions are reached only through the
// table, so they keep hidden visibility.
#pragma once

#include "eng/ddi.h"
#include "plat/wintypes.h"

// ---- exports ---------------------------------------------------------------------
VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved);
VELM_EXPORT BOOL DrvQueryDriverInfo(DWORD query, PVOID buffer, DWORD size, DWORD* needed);
VELM_EXPORT BOOL DrvEnableDriver(ULONG engine_version, ULONG size, DRVENABLEDATA* data);
VELM_EXPORT void DrvDisableDriver();

// The number of entries of the DDI table and the driver version it carries.
inline constexpr ULONG kDdiTableEntries = 30;
inline constexpr ULONG kDdiDriverVersion = 0x30000;
// The lowest engine version the driver works with.
inline constexpr ULONG kDdiMinEngineVersion = 0x20000;

// ---- device context and surface -------------------------------------------------
DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR log_address, ULONG pattern_count, HSURF* patterns,
                     ULONG gdi_info_size, ULONG* gdi_info, ULONG dev_info_size, DEVINFO* dev_info,
                     HDEV hdev, LPWSTR device_name, HANDLE printer);
void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev);
void DrvDisablePDEV(DHPDEV dhpdev);
BOOL DrvResetPDEV(DHPDEV old_pdev, DHPDEV new_pdev);
HSURF DrvEnableSurface(DHPDEV dhpdev);
void DrvDisableSurface(DHPDEV dhpdev);

// ---- document and page ---------------------------------------------------------------
BOOL DrvStartDoc(SURFOBJ* pso, LPWSTR doc_name, DWORD job_id);
BOOL DrvEndDoc(SURFOBJ* pso, FLONG flags);
BOOL DrvStartPage(SURFOBJ* pso);
BOOL DrvSendPage(SURFOBJ* pso);
ULONG DrvEscape(SURFOBJ* pso, ULONG escape, ULONG in_size, PVOID in, ULONG out_size, PVOID out);

// ---- banding -------------------------------------------------------------------------------
BOOL DrvStartBanding(SURFOBJ* pso, POINTL* origin);
BOOL DrvNextBand(SURFOBJ* pso, POINTL* origin);

// ---- drawing -------------------------------------------------------------------------------
BOOL DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
               ROP4 rop4);
BOOL DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                   XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                   RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
BOOL DrvStretchBltROP(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                      XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclTrg,
                      RECTL* prclSrc, POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);
BOOL DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                 POINTL* pptlSrc);
BOOL DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                   POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
BOOL DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg,
                 MIX mix, FLONG options);
BOOL DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                          BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                          POINTL* pptlBrushOrg, MIX mixFill, FLONG options);
BOOL DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                     XLATEOBJ* pxlo, ULONG iHatch);
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
BOOL DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                MIX mix);
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* pfo);

// ---- device fonts ---------------------------------------------------------------------------
IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                      ULONG cjSize);
PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                           ULONG cGlyphs);

// ---- colour management ----------------------------------------------------------------------
HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* pLogColorSpace,
                                  PVOID pvSourceProfile, ULONG cjSourceProfile,
                                  PVOID pvDestProfile, ULONG cjDestProfile,
                                  PVOID pvTargetProfile, ULONG cjTargetProfile, DWORD dwReserved);
BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE hcmXform);

// ---- shared helpers of the entry points ---------------------------------------------------
struct Pdev;
// The Pdev behind a surface (its device handle), or null when the surface or
// its Pdev fails the magic check; sets ERROR_INVALID_PARAMETER then.
Pdev* GrPdevOfSurface(SURFOBJ* pso);
// The same check for a Pdev handed over directly.
Pdev* GrCheckPdev(DHPDEV dhpdev);
