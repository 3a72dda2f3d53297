// A vector-mode page of a hand-made Pdev whose display list goes to a
// recorder, with a target surface that belongs to it, and small builders of
// engine bitmaps.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "../ddi/ddi_test_support.h"
#include "eng/ddi.h"
#include "eng/objects.h"
#include "gr2k/dlstream.h"

namespace vtest {

class VectorPage : public ::testing::Test {
 protected:
  void SetUp() override { Open(0); }
  void TearDown() override {
    target_.reset();
    if (pdev_) PdevDestroy(pdev_);
    plat::ClearFaults();
  }

  void Open(int16_t raster, ULONG target_format = BMF_24BPP) {
    plat::ClearFaults();
    target_.reset();
    if (pdev_) PdevDestroy(pdev_);
    spool_ = grtest::SpoolRecorder{};
    ddi_test::PageSetup setup;
    setup.raster = raster;
    setup.colorProcess = 2;
    setup.color = 2;
    pdev_ = ddi_test::MakePdev(setup);
    ASSERT_NE(pdev_, nullptr);
    ddi_test::Bind(pdev_, &spool_);
    DlInit(&pdev_->stream);
    pdev_->flags |= kPdevDocStarted | kPdevPageOpen;
    pdev_->pageCount = 1;
    pdev_->currentRop = kUnknownRop;
    target_ = std::make_unique<ddi_test::Band>(pdev_, 64, 32, target_format);
    ASSERT_NE(target_->so, nullptr);
  }

  // The records written so far.
  std::vector<jobread::Record> Records() {
    EXPECT_TRUE(DlFlush(&pdev_->stream));
    jobread::Stream out;
    jobread::Error error;
    EXPECT_TRUE(jobread::ReadStream(spool_.bytes.data(), spool_.bytes.size(), &out, &error))
        << error.offset << ": " << error.message;
    return out.records;
  }
  static std::vector<uint8_t> Opcodes(const std::vector<jobread::Record>& records) {
    std::vector<uint8_t> out;
    for (const auto& r : records) out.push_back(r.opcode);
    return out;
  }

  SURFOBJ* trg() { return target_->so; }

  Pdev* pdev_ = nullptr;
  grtest::SpoolRecorder spool_;
  std::unique_ptr<ddi_test::Band> target_;
};

// An engine bitmap, locked, deleted at the end.
struct Bitmap {
  Bitmap(LONG w, LONG h, ULONG format, bool top_down = true) {
    handle = EngCreateBitmap(SIZEL{w, h}, 0, format, top_down ? BMF_TOPDOWN : 0, nullptr);
    so = handle ? EngLockSurface(reinterpret_cast<HSURF>(handle)) : nullptr;
  }
  ~Bitmap() {
    if (so) EngUnlockSurface(so);
    if (handle) EngDeleteSurface(reinterpret_cast<HSURF>(handle));
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  uint8_t* Row(LONG y) { return static_cast<uint8_t*>(so->pvScan0) + ptrdiff_t(y) * so->lDelta; }
  void Put24(LONG x, LONG y, uint32_t bgr) {
    uint8_t* p = Row(y) + x * 3;
    p[0] = uint8_t(bgr);
    p[1] = uint8_t(bgr >> 8);
    p[2] = uint8_t(bgr >> 16);
  }
  uint32_t Get24(LONG x, LONG y) {
    uint8_t* p = Row(y) + x * 3;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
  }
  HBITMAP handle = nullptr;
  SURFOBJ* so = nullptr;
};

// The engine's translation from an indexed palette of these colours
// (0x00RRGGBB) to the device's: a table of the same colours.
struct Table {
  explicit Table(const std::vector<ULONG>& entries)
      : obj(PAL_INDEXED, entries, PAL_BGR, {}), xlo(*obj.get()) {}
  eng::XlateObject obj;
  XLATEOBJ& xlo;
};

inline std::vector<ULONG> GreyRamp(uint32_t n) {
  std::vector<ULONG> v;
  for (uint32_t i = 0; i < n; ++i) {
    ULONG g = i * 255 / (n - 1);
    v.push_back(g | g << 8 | g << 16);
  }
  return v;
}

}  // namespace vtest
