// The VELMDrv exports of VELMPD4 as outside programs use them: the library
// loaded from the machine with LoadLibraryW, on a printer of the reference
// model; the capability record built and given back through the export.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drv_library_machine.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velmpd4.h"

namespace {

using DrvExports = drv_test::DrvLibraryMachine;

TEST_F(DrvExports, NullArguments) {
  EXPECT_EQ(check_(nullptr), 0);
  EXPECT_EQ(check_(""), 0);
  EXPECT_EQ(check_("Office"), 3);
  EXPECT_EQ(enable_(nullptr), nullptr);
  EXPECT_EQ(enable_(""), nullptr);
  EXPECT_EQ(enable_("Nowhere"), nullptr);
  EXPECT_EQ(disable_(nullptr), 1);
  EXPECT_EQ(devmode_(nullptr, 1, nullptr), -1);
  for (int32_t id : {0, 1, 57, VELM_DRV_CAPS_BUILD_RECORD, VELM_DRV_CAPS_FREE_RECORD})
    EXPECT_EQ(caps_(nullptr, id, nullptr), -1) << id;
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
}

TEST_F(DrvExports, HandleDevmodeAndMask) {
  VELMDrvHandle* h = enable_("Office");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
  EXPECT_EQ(devmode_(h, VELM_DRV_DEVMODE_DEFAULT, nullptr), VELM_DRV_DEVMODE_SIZE);
  std::vector<uint8_t> dm(VELM_DRV_DEVMODE_SIZE, 0);
  EXPECT_EQ(devmode_(h, VELM_DRV_DEVMODE_CURRENT | VELM_DRV_DEVMODE_REFRESH, dm.data()), VELM_DRV_DEVMODE_SIZE);
  uint16_t size = 0, extra = 0;
  std::memcpy(&size, dm.data() + 68, 2);
  std::memcpy(&extra, dm.data() + 70, 2);
  EXPECT_EQ(size + extra, VELM_DRV_DEVMODE_SIZE);
  EXPECT_EQ(devmode_(h, 3, dm.data()), -1);
  EXPECT_EQ(caps_(h, VELM_DRV_CAPS_SUPPORTED_ITEMS, nullptr), VELM_DRV_CAPS_MASK_SIZE);
  uint8_t mask[VELM_DRV_CAPS_MASK_SIZE];
  std::memset(mask, 0xAA, sizeof mask);
  EXPECT_EQ(caps_(h, VELM_DRV_CAPS_SUPPORTED_ITEMS, mask), VELM_DRV_CAPS_MASK_SIZE);
  const uint8_t expected[VELM_DRV_CAPS_MASK_SIZE] = {0xFF, 0xFF, 0xFF, 0xFF, 0xE0};
  EXPECT_EQ(std::memcmp(mask, expected, sizeof mask), 0);
  EXPECT_EQ(caps_(h, 57, nullptr), 0);
  EXPECT_EQ(caps_(h, -1, nullptr), 0);
  EXPECT_EQ(caps_(h, int32_t(0x80000003u), nullptr), 0);
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
  EXPECT_EQ(disable_(h), 1);
}

// The record through the export: lists as the single queries answer them,
// given back whole (the address checker reports any leak or double free).
TEST_F(DrvExports, RecordBuildAndFree) {
  VELMDrvHandle* h = enable_("Office");
  ASSERT_NE(h, nullptr);
  for (int round = 0; round < 2; ++round) {
    auto* r = reinterpret_cast<VELM_CAPS_RECORD*>(caps_(h, VELM_DRV_CAPS_BUILD_RECORD, nullptr));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(plat::OpenPrinterHandles(), open_);
    ASSERT_NE(r->supportedItems, nullptr);
    EXPECT_EQ(r->supportedItems[4], 0xE0);
    EXPECT_EQ(r->paperCount, caps_(h, 10, nullptr));
    ASSERT_GT(r->paperCount, 0);
    std::vector<int32_t> papers(size_t(r->paperCount));
    ASSERT_EQ(caps_(h, 10, papers.data()), r->paperCount);
    EXPECT_EQ(std::memcmp(papers.data(), r->papers, papers.size() * 4), 0);
    EXPECT_EQ(r->maxExtentWidth | (uint32_t(r->maxExtentLength) << 16), uint32_t(caps_(h, 13, nullptr)));
    EXPECT_EQ(r->watermarkEntryCount, 1);
    ASSERT_NE(r->watermarkEntries, nullptr);
    EXPECT_EQ(r->watermarkEntries[0], 256);
    ASSERT_NE(r->watermarkEntryNames, nullptr);
    EXPECT_EQ(r->watermarkEntryNames[0][0], 0);
    EXPECT_EQ(caps_(h, VELM_DRV_CAPS_FREE_RECORD, r), 1);
  }
  EXPECT_EQ(caps_(h, VELM_DRV_CAPS_FREE_RECORD, nullptr), 1);
  EXPECT_EQ(disable_(h), 1);
}

}  // namespace
