// Shared pieces of the tests of VELMPD0's entry points: a Pdev made by hand
// (as the settings would leave it) whose stream writes to a recorder, and a
// banding bitmap of the engine that belongs to it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "../gr_test_support.h"
#include "ddi/ddi_internal.h"
#include "eng/control.h"
#include "eng/ddi.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/pdev.h"
#include "jobreader/jobreader.h"

namespace ddi_test {

struct PageSetup {
  int16_t raster = 1;
  int16_t colorProcess = 1;
  uint32_t color = 1;         // dmColor
  uint32_t machineColor = 1;  // 0: a monochrome device
  uint16_t resolution = 600;
  int32_t width = 4961;  // printable dots
  int32_t height = 7016;
};

// A Pdev with the fields the settings would give it; the caller destroys it
// with PdevDestroy (or GrFreePdev).
inline Pdev* MakePdev(const PageSetup& s) {
  Pdev* pdev = PdevCreate(reinterpret_cast<HANDLE>(0x4242));
  if (!pdev) return nullptr;
  pdev->rasterMode = s.raster;
  pdev->colorProcess = s.colorProcess;
  pdev->color = s.color;
  pdev->machineColor = s.machineColor;
  pdev->resolution = s.resolution;
  pdev->printWidthDots = pdev->physWidthDots = pdev->pageWidth = s.width;
  pdev->printLengthDots = pdev->physLengthDots = pdev->pageHeight = s.height;
  pdev->printWidthMm10 = int32_t(int64_t(s.width) * 254 / s.resolution);
  pdev->printLengthMm10 = int32_t(int64_t(s.height) * 254 / s.resolution);
  return pdev;
}

inline void Bind(Pdev* pdev, grtest::SpoolRecorder* recorder) {
  pdev->stream.spoolModule = reinterpret_cast<HMODULE>(recorder);
  pdev->stream.spoolDocument = recorder;
  pdev->stream.spoolWrite = &grtest::SpoolRecorder::Write;
}

// A top-down engine bitmap whose SURFOBJ names the Pdev, as the banding
// surface does once associated.
struct Band {
  Band(Pdev* pdev, int32_t width, int32_t height, ULONG format) {
    bitmap = EngCreateBitmap(SIZEL{width, height}, 0, format, BMF_TOPDOWN, nullptr);
    so = bitmap ? EngLockSurface(bitmap) : nullptr;
    if (so) so->dhpdev = pdev;
  }
  ~Band() {
    if (bitmap) EngDeleteSurface(bitmap);
  }
  Band(const Band&) = delete;
  Band& operator=(const Band&) = delete;
  HBITMAP bitmap = nullptr;
  SURFOBJ* so = nullptr;
};

inline std::vector<jobread::Record> ImageRecords(const jobread::Stream& stream) {
  std::vector<jobread::Record> out;
  for (const jobread::Record& r : stream.records)
    if (r.opcode == kOpImage) out.push_back(r);
  return out;
}

}  // namespace ddi_test
