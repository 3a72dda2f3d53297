// The drawing surface of a Pdev: in raster mode a banding bitmap the engine
// draws each band into, in vector mode a device surface whose drawing calls
// come to the driver.
#include <algorithm>

#include "ddi_internal.h"
#include "gr2k/ddi_entries.h"
#include "plat/kernel.h"

namespace {

// One band holds about this many bytes of one-bit rows.
constexpr int64_t kBandBytes = 307200;
constexpr int64_t kBandRowUnit = 32;

constexpr FLONG kRasterHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
constexpr FLONG kVectorHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH | HOOK_FILLPATH |
                               HOOK_STROKEANDFILLPATH | HOOK_COPYBITS;
static_assert(kRasterHooks == 0xB && kVectorHooks == 0x4EB);

HSURF Associated(Pdev* pdev, HSURF surface, FLONG hooks) {
  if (!EngAssociateSurface(surface, pdev->engineDevice, hooks)) {
    const DWORD error = GetLastError();
    EngDeleteSurface(surface);
    SetLastError(error);
    return nullptr;
  }
  pdev->surface = surface;
  return surface;
}

}  // namespace

int64_t ImgStride(ULONG format, int64_t width) {
  int64_t bits = 0;
  switch (format) {
    case BMF_1BPP: bits = 1; break;
    case BMF_4BPP: bits = 4; break;
    case BMF_8BPP: bits = 8; break;
    case BMF_16BPP: bits = 16; break;
    case BMF_24BPP: bits = 24; break;
    case BMF_32BPP: return width * 4;
    default: return 0;
  }
  return ((bits * width + 7) / 8 + 3) & ~int64_t(3);
}

int32_t GrBandHeight(int32_t width, int32_t height) {
  // The one-bit row size sets the height in both colour depths.
  const int64_t row = ImgStride(BMF_1BPP, width);
  const int64_t band = row > 0 ? (kBandBytes / row / kBandRowUnit + 1) * kBandRowUnit : kBandRowUnit;
  return int32_t(std::min<int64_t>(band, height));
}

HSURF DrvEnableSurface(DHPDEV dhpdev) {
  Pdev* pdev = GrCheckPdev(dhpdev);
  if (!pdev) return nullptr;
  if (pdev->rasterMode) {
    const int32_t width = pdev->pageWidth, height = pdev->pageHeight;
    if (width <= 0 || height <= 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const int32_t band = GrBandHeight(width, height);
    const ULONG format = GrOneBitPage(pdev) ? BMF_1BPP : BMF_24BPP;
    const int64_t stride = ImgStride(format, width);
    if (stride <= 0 || stride > INT32_MAX) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    HBITMAP bitmap = EngCreateBitmap(SIZEL{width, band}, LONG(stride), format, BMF_TOPDOWN, nullptr);
    if (!bitmap) return nullptr;
    if (!EngMarkBandingSurface(bitmap)) {
      const DWORD error = GetLastError();
      EngDeleteSurface(bitmap);
      SetLastError(error);
      return nullptr;
    }
    pdev->bandHeight = band;
    return Associated(pdev, bitmap, kRasterHooks);
  }
  const ULONG format = GrOneBitSurface(pdev) ? BMF_1BPP : BMF_24BPP;
  HSURF surface = EngCreateDeviceSurface(pdev, SIZEL{pdev->printWidthDots, pdev->printLengthDots}, format);
  if (!surface) return nullptr;
  return Associated(pdev, surface, kVectorHooks | (pdev->stretchBltRopUnhooked ? 0 : HOOK_STRETCHBLTROP));
}

void DrvDisableSurface(DHPDEV dhpdev) {
  // An invalid Pdev is refused quietly: the engine is tearing down anyway.
  Pdev* pdev = static_cast<Pdev*>(dhpdev);
  if (!GrIsValidPdev(pdev) || !pdev->surface) return;
  EngDeleteSurface(pdev->surface);
  pdev->surface = nullptr;
}
