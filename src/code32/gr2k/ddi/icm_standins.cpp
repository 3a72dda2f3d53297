// Stand-in until colour management is built: the machine has no colour
// management module, so no transform is ever made and closing a handle only
// forgets it.
#include "icm_standins.h"

#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

void GrIcmCloseHandles(Pdev* pdev) {
  pdev->colorTransform = nullptr;
  pdev->colorProfile = nullptr;
}

HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW*, PVOID, ULONG, PVOID, ULONG, PVOID, ULONG,
                                  DWORD) {
  if (!GrCheckPdev(dhpdev)) return nullptr;
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE transform) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return FALSE;
  if (transform && transform == pdev->colorTransform) pdev->colorTransform = nullptr;
  return TRUE;
}
