// VELMDrvSetStatus and VELMDrvGetStatus as outside programs call them: the
// library loaded from the machine, a handle from VELMDrvEnable, no printer
// left open by any call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "drv_library_machine.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velmpd4.h"

namespace {

using StatusExports = drv_test::DrvLibraryMachine;

TEST_F(StatusExports, WriteAndReadThroughAHandle) {
  VELM_STATUS_RECORD r{};
  r.version = 3;
  r.value[0] = 3;
  EXPECT_EQ(set_(nullptr, 9, &r, nullptr, 0), -1);
  EXPECT_EQ(get_(nullptr, 9, &r, 0), -1);

  VELMDrvHandle* h = enable_("Office");
  ASSERT_NE(h, nullptr);
  uint8_t mask[VELM_STATUS_MASK_BYTES];
  std::memset(mask, 0xFF, sizeof mask);
  EXPECT_EQ(set_(h, 9, &r, mask, 0), 0);
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
  VELM_STATUS_RECORD back{};
  EXPECT_EQ(get_(h, 9, &back, 0), 32);
  EXPECT_EQ(back.value[0], 3);
  EXPECT_EQ(back.version, 3);
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);

  r.value[0] = 0;  // no copies
  std::memset(mask, 0xFF, sizeof mask);
  EXPECT_EQ(set_(h, 9, &r, mask, 0), -1);
  EXPECT_EQ(mask[0] | mask[31], 0);
  EXPECT_EQ(get_(h, 9, &back, 0), 32);
  EXPECT_EQ(back.value[0], 3);
  r.version = 4;
  EXPECT_EQ(set_(h, 9, &r, nullptr, VELM_STATUS_CHECK_VERSION), 3);
  EXPECT_EQ(get_(h, 16, nullptr, 1), -1) << "no working watermark yet";
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
  EXPECT_EQ(disable_(h), 1);
}

}  // namespace
