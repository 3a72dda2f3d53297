// The device context of VELMPD0: DrvEnablePDEV builds a Pdev over a driver
// context of the printer, DrvCompletePDEV and DrvResetPDEV hand it what the
// engine and an earlier Pdev give, DrvDisablePDEV frees it.
#include <algorithm>
#include <cstring>

#include "ddi_internal.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/doc.h"
#include "gr2k/devfont.h"
#include "gr2k/dlrecords.h"
#include "gr2k/glyph.h"
#include "../vector/icm.h"
#include "plat/kernel.h"
#include "plat/osinfo.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"
#include "velm/settings.h"

namespace {

// The merge of the job's DEVMODE at enable: DM_IN_BUFFER for the graphics
// library's device context.
constexpr uint32_t kEnableMergeMode = 0x10000 | DM_IN_BUFFER;

// Bytes of a DEVMODE from its own size fields.
uint32_t DevmodeBytes(const DEVMODEW* devmode) {
  uint16_t size = 0, extra = 0;
  std::memcpy(&size, reinterpret_cast<const uint8_t*>(devmode) + offsetof(DEVMODEW, dmSize), 2);
  std::memcpy(&extra, reinterpret_cast<const uint8_t*>(devmode) + offsetof(DEVMODEW, dmDriverExtra), 2);
  return uint32_t(size) + extra;
}

DHPDEV Fail(Pdev* pdev) {
  const DWORD error = GetLastError();
  GrFreePdev(pdev);
  SetLastError(error ? error : ERROR_NOT_ENOUGH_MEMORY);
  return nullptr;
}

}  // namespace

void GrFreePdev(Pdev* pdev) {
  if (!pdev) return;
  // A document the engine never ended still holds the spool-side module:
  // end that document and free the module with the Pdev.
  GrSpoolUnbind(pdev);
  if (pdev->palette) EngDeletePalette(pdev->palette);
  pdev->palette = nullptr;
  GrIcmCloseHandles(pdev);
  TxtFreeDeviceFonts(pdev, pdev->deviceFonts);
  pdev->deviceFonts = nullptr;
  if (pdev->context) CtxClose(pdev->context);
  pdev->context = nullptr;
  PdevDestroy(pdev);  // the DEVMODE copy, the job name and the rest of the pool
}

DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR /*log_address*/, ULONG pattern_count, HSURF* patterns,
                     ULONG gdi_info_size, ULONG* gdi_info, ULONG dev_info_size, DEVINFO* dev_info,
                     HDEV /*hdev*/, LPWSTR /*device_name*/, HANDLE printer) {
  if (!gdi_info || !dev_info || (pattern_count && !patterns)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(0);
  Pdev* pdev = PdevCreate(printer);
  if (!pdev) return Fail(nullptr);
  // The library's module holds the resources of the device fonts.
  pdev->module = CommonModuleHandle();
  if (!pdev->module) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return Fail(pdev);
  }

  pdev->context = CtxOpenKind(printer, printer, 0, kOpenPdevRequest);
  if (!pdev->context) return Fail(pdev);
  const uint32_t devmode_bytes = devmode ? DevmodeBytes(devmode) : 0;
  if (!DmMergeInput(pdev->context, reinterpret_cast<const uint8_t*>(devmode), devmode_bytes, kEnableMergeMode))
    return Fail(pdev);
  if (devmode) {
    pdev->devmodeCopy = static_cast<uint8_t*>(GrPoolAllocUninit(pdev->pool, devmode_bytes));
    if (!pdev->devmodeCopy) return Fail(pdev);
    std::memcpy(pdev->devmodeCopy, devmode, devmode_bytes);
    pdev->devmodeCopyBytes = devmode_bytes;
  }

  if (!GrReadRenderSettings(pdev, pdev->context)) return Fail(pdev);
  pdev->spoolDllName = pdev->context->model ? pdev->context->model->spoolDllName : nullptr;

  // Device fonts: the printer's resident fonts in vector mode, unless the
  // driver type has none. A table that cannot be built leaves the device
  // without fonts; it does not fail the device context.
  pdev->deviceFontCount = 0;
  if (!pdev->rasterMode && OptGetValueById(pdev->context, gr_item::kDriverType) != 1)
    pdev->deviceFonts = TxtLoadDeviceFonts(pdev, pdev->module, &pdev->deviceFontCount);

  GDIINFO gdi;
  GrFillGdiInfo(pdev, &gdi);
  DEVINFO dev;
  if (!GrFillDevInfo(pdev, gdi, &dev)) return Fail(pdev);
  // The engine's records may be shorter (or longer) than ours: copy what
  // both have.
  std::memcpy(gdi_info, &gdi, std::min<size_t>(gdi_info_size, sizeof gdi));
  std::memcpy(dev_info, &dev, std::min<size_t>(dev_info_size, sizeof dev));

  for (ULONG i = 0; i < pattern_count; ++i) patterns[i] = nullptr;
  pdev->osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  if (!GetVersionExW(&pdev->osVersion)) {
    // The version only tells the drawing code which system it runs on; the
    // record stays zero and the device still works.
    std::memset(&pdev->osVersion, 0, sizeof pdev->osVersion);
  }
  return pdev;
}

void DrvCompletePDEV(DHPDEV dhpdev, HDEV hdev) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return;
  pdev->engineDevice = hdev;
}

void DrvDisablePDEV(DHPDEV dhpdev) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return;
  GrFreePdev(pdev);
}

void GrCopyUserInfo(DriverContext* from, DriverContext* to) {
  using namespace gr_item;
  const uint32_t items[] = {kUserCode, kOwnerName, kJobPassword, kUserId, kDocumentName, kTelNo, kTelLine, kStoredPassword};
  for (uint32_t id : items) {
    SettingRecord* src = OptFindSetting(from, id);
    SettingRecord* dst = OptFindSetting(to, id);
    if (!src || !dst || src->descriptor != dst->descriptor) continue;
    if (IsIntegerType(DescType(src->descriptor))) {
      OptSetValue(to, dst, OptGetValue(from, src));
    } else if (const uint8_t* value = OptGetValueAddr(from, src)) {
      OptSetBytes(to, dst, value);
    }
  }
}

BOOL DrvResetPDEV(DHPDEV old_dhpdev, DHPDEV new_dhpdev) {
  Pdev* old_pdev = GrCheckPdev(old_dhpdev);
  Pdev* new_pdev = GrCheckPdev(new_dhpdev);
  if (!old_pdev || !new_pdev) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Once output has failed the job is broken, whichever Pdev goes on.
  new_pdev->flags |= old_pdev->flags & kPdevOutputFailed;
  if (!(old_pdev->flags & kPdevDocStarted)) return TRUE;

  // Everything that can fail comes first, so that a refused reset leaves the
  // old Pdev with its document as it was.
  char* job_name = nullptr;
  if (old_pdev->jobName && old_pdev->jobNameLength > 0) {
    job_name = static_cast<char*>(GrPoolAllocUninit(new_pdev->pool, uint64_t(old_pdev->jobNameLength)));
    if (!job_name) return FALSE;
    std::memcpy(job_name, old_pdev->jobName, size_t(old_pdev->jobNameLength));
  }
  if (!DlFlush(&old_pdev->stream)) {
    GrPoolFree(new_pdev->pool, job_name);
    return FALSE;
  }

  new_pdev->pageCount = old_pdev->pageCount;
  new_pdev->jobId = old_pdev->jobId;
  new_pdev->flags |= kPdevDocStarted | kPdevContinued;
  old_pdev->flags |= kPdevContinued;

  // The spool-side binding moves: the new Pdev writes the rest of the job;
  // its buffer is made ready at its next page start.
  DisplayListStream& from = old_pdev->stream;
  DisplayListStream& to = new_pdev->stream;
  to.spoolModule = from.spoolModule;
  to.spoolDocument = from.spoolDocument;
  to.spoolWrite = from.spoolWrite;
  from.spoolModule = nullptr;
  from.spoolDocument = nullptr;
  from.spoolWrite = nullptr;

  new_pdev->jobName = job_name;
  new_pdev->jobNameLength = job_name ? old_pdev->jobNameLength : 0;

  // The colour-management handles get one owner: the new Pdev. Any it made
  // itself at enable are closed first.
  GrIcmCloseHandles(new_pdev);
  new_pdev->colorTransform = old_pdev->colorTransform;
  new_pdev->colorProfile = old_pdev->colorProfile;
  old_pdev->colorTransform = nullptr;
  old_pdev->colorProfile = nullptr;

  if (new_pdev->rasterMode) GrCopyUserInfo(old_pdev->context, new_pdev->context);

  GlyphCacheRelease(old_pdev);
  new_pdev->glyphs.generation = old_pdev->glyphs.generation;
  return TRUE;
}
