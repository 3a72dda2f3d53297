// The exports of VELMPD0: the loader's entry point, the engine's query of
// the driver's mode, and the DDI table the engine enables the driver with.
#include <iterator>

#include "gr2k/ddi_entries.h"
#include "gr2k/devfont.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"
#include "velm/library.h"

namespace {

template <typename F>
PFN Fn(F f) {
  return reinterpret_cast<PFN>(f);
}

// In the order the engine is handed them.
const DRVFN kDdiTable[] = {
    {INDEX_DrvEnablePDEV, Fn(DrvEnablePDEV)},
    {INDEX_DrvDisablePDEV, Fn(DrvDisablePDEV)},
    {INDEX_DrvCompletePDEV, Fn(DrvCompletePDEV)},
    {INDEX_DrvResetPDEV, Fn(DrvResetPDEV)},
    {INDEX_DrvEnableSurface, Fn(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, Fn(DrvDisableSurface)},
    {INDEX_DrvStartPage, Fn(DrvStartPage)},
    {INDEX_DrvSendPage, Fn(DrvSendPage)},
    {INDEX_DrvStartDoc, Fn(DrvStartDoc)},
    {INDEX_DrvEndDoc, Fn(DrvEndDoc)},
    {INDEX_DrvStartBanding, Fn(DrvStartBanding)},
    {INDEX_DrvNextBand, Fn(DrvNextBand)},
    {INDEX_DrvBitBlt, Fn(DrvBitBlt)},
    {INDEX_DrvStretchBlt, Fn(DrvStretchBlt)},
    {INDEX_DrvStrokePath, Fn(DrvStrokePath)},
    {INDEX_DrvFillPath, Fn(DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, Fn(DrvStrokeAndFillPath)},
    {INDEX_DrvRealizeBrush, Fn(DrvRealizeBrush)},
    {INDEX_DrvEscape, Fn(DrvEscape)},
    {INDEX_DrvGetGlyphMode, Fn(DrvGetGlyphMode)},
    {INDEX_DrvDitherColor, Fn(DrvDitherColor)},
    {INDEX_DrvCopyBits, Fn(DrvCopyBits)},
    {INDEX_DrvQueryFont, Fn(DrvQueryFont)},
    {INDEX_DrvQueryFontData, Fn(DrvQueryFontData)},
    {INDEX_DrvQueryFontTree, Fn(DrvQueryFontTree)},
    {INDEX_DrvIcmCreateColorTransform, Fn(DrvIcmCreateColorTransform)},
    {INDEX_DrvIcmDeleteColorTransform, Fn(DrvIcmDeleteColorTransform)},
    {INDEX_DrvStretchBltROP, Fn(DrvStretchBltROP)},
    {INDEX_DrvQueryAdvanceWidths, Fn(DrvQueryAdvanceWidths)},
    {INDEX_DrvTextOut, Fn(DrvTextOut)},
};
static_assert(std::size(kDdiTable) == kDdiTableEntries);

}  // namespace

VELM_EXPORT BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  // Attach keeps the module handle (the Pdev's resource module) and starts
  // this library's copy of the common code; detach frees the model list,
  // every cached context and the locks. The device fonts' records and
  // glyph sets are resources of the module while it is attached.
  if (reason == DLL_PROCESS_ATTACH) TxtRegisterDeviceFontResources(module);
  const BOOL result = CommonDllMain(module, reason);
  if (reason == DLL_PROCESS_DETACH) TxtWithdrawDeviceFontResources(module);
  return result;
}

VELM_EXPORT BOOL DrvQueryDriverInfo(DWORD query, PVOID buffer, DWORD size, DWORD* needed) {
  if (query != DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (needed) *needed = sizeof(DWORD);
  if (!buffer || size < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  const DWORD user_mode = 1;
  std::memcpy(buffer, &user_mode, sizeof user_mode);
  return TRUE;
}

VELM_EXPORT BOOL DrvEnableDriver(ULONG engine_version, ULONG size, DRVENABLEDATA* data) {
  if (engine_version < kDdiMinEngineVersion) {
    SetLastError(ERROR_BAD_DRIVER_LEVEL);
    return FALSE;
  }
  // The whole record is written, so the engine's must hold all of it (on
  // this machine the table pointer makes it 16 bytes, not 12).
  if (!data || size < sizeof(DRVENABLEDATA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  data->iDriverVersion = kDdiDriverVersion;
  data->c = kDdiTableEntries;
  data->pdrvfn = const_cast<DRVFN*>(kDdiTable);
  return TRUE;
}

VELM_EXPORT void DrvDisableDriver() {}

Pdev* GrCheckPdev(DHPDEV dhpdev) {
  Pdev* pdev = static_cast<Pdev*>(dhpdev);
  if (!GrIsValidPdev(pdev)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return pdev;
}

Pdev* GrPdevOfSurface(SURFOBJ* pso) {
  if (!pso) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return GrCheckPdev(pso->dhpdev);
}
