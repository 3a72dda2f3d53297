// Stand-in until the device fonts are built: the device-font queries answer
// that the device has no fonts.
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"

namespace {

constexpr LONG kFontDataError = -1;  // FD_ERROR

}  // namespace

IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG_PTR*) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);  // the device has no fonts
  return nullptr;
}

LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return kFontDataError;
}

PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) {
  if (GrCheckPdev(dhpdev)) SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
