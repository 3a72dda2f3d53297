// The colour transform VELMPD0 creates for the engine: the destination
// profile opened from memory and a transform to it from the colour space.
// The Pdev keeps both; drawing never applies the transform.
#include "icm.h"

#include "eng/icm.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

void GrIcmCloseHandles(Pdev* pdev) {
  if (pdev->colorTransform) DeleteColorTransform(pdev->colorTransform);
  if (pdev->colorProfile) CloseColorProfile(pdev->colorProfile);
  pdev->colorTransform = nullptr;
  pdev->colorProfile = nullptr;
}

HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* space, PVOID, ULONG, PVOID dest_profile,
                                  ULONG dest_bytes, PVOID, ULONG, DWORD) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return nullptr;
  PROFILE profile{PROFILE_MEMBUFFER, dest_profile, dest_bytes};
  HPROFILE opened = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ_ICM, OPEN_EXISTING_ICM);
  if (!opened) return nullptr;
  HTRANSFORM transform = CreateColorTransformW(space, opened, nullptr, BEST_MODE);
  if (!transform) {
    CloseColorProfile(opened);
    return nullptr;
  }
  // One transform per Pdev: a transform made before goes first.
  GrIcmCloseHandles(pdev);
  pdev->colorProfile = opened;
  pdev->colorTransform = transform;
  return transform;
}

BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return FALSE;
  GrIcmCloseHandles(pdev);
  return TRUE;
}
