// A machine with the printer "Office" of the reference model and a status
// handle on it, opened as the VELMDrv interface opens its handles; helpers
// to read and write status records and to capture every file of the machine
// (settings, inis, printer data, job information).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "jobinfo_test.h"
#include "mdf_test_util.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "api/api_support.h"
#include "status/status.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velmpd4.h"

namespace status_test {

class StatusMachine : public jobinfo_test::JobInfoMachine {
 protected:
  void SetUp() override {
    jobinfo_test::JobInfoMachine::SetUp();
    Put((std::u16string(env_test::kDriverDir) + u"model.mdf").c_str(),
        mdf_test::ReadFile(mdf_test::DataPath(ModelFile())));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\_velm\\"));  // the common data directory with the driver ini
    ctx_ = OpenHandle();
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(ctx_ ? ctx_->printer : nullptr, nullptr) << "a printer left open";
    jobinfo_test::JobInfoMachine::TearDown();
  }

  // The model the printer is installed with, relative to tests/.
  virtual const char* ModelFile() const { return "../models/reference.mdf"; }

  DriverContext* OpenHandle() {
    HANDLE printer = nullptr;
    char16_t name[] = u"Office";
    if (!OpenPrinterW(name, &printer, nullptr) || !printer) return nullptr;
    DriverContext* ctx = CtxOpen(printer, printer, kOpenDrvHandle);
    if (ctx) {
      contexts_.push_back(ctx);
      std::memcpy(ctx->work->printerName, u"Office", 14);
    }
    ClosePrinter(printer);
    if (ctx) ctx->printer = ctx->queryPrinter = nullptr;
    return ctx;
  }

  int32_t Write(int32_t id, const void* record, uint8_t* mask = nullptr, int32_t mode = 0) {
    return ApiSetStatusItem(ctx_, before_.data(), id, record, mask, mode);
  }
  int32_t Read(int32_t id, void* record, int32_t version = 0) { return ApiGetStatusItem(ctx_, id, record, version); }

  static VELM_STATUS_RECORD Record(int32_t a, int32_t b = 0, int32_t c = 0, int32_t d = 0, int32_t function = 0) {
    VELM_STATUS_RECORD r{};
    r.version = 3;
    r.value[0] = a;
    r.value[1] = b;
    r.value[2] = c;
    r.value[3] = d;
    r.function = function;
    return r;
  }
  VELM_STATUS_RECORD Current(int32_t id) {
    VELM_STATUS_RECORD r{};
    EXPECT_EQ(Read(id, &r), 32) << "item " << id;
    return r;
  }

  // Stores the handle's settings as the printer's document settings.
  void StoreSettings() {
    ASSERT_EQ(ApiOpenPrinter(ctx_), 1);
    StoreSaveDocumentRegions(ctx_->printer, ctx_);
    ApiClosePrinter(ctx_);
    ctx_->printer = ctx_->queryPrinter = nullptr;
  }

  // A write that must be refused: -1, the work buffer byte for byte as it
  // was, the mask all zero, no file of the machine changed and nothing set
  // in the job information.
  void ExpectRefusedChangesNothing(int32_t id, const void* record) {
    const std::vector<uint8_t> buffer = WorkBuffer();
    const auto files = Files();
    ClearLog();
    uint8_t mask[kStatusMaskBytes];
    std::memset(mask, 0xFF, sizeof mask);
    EXPECT_EQ(Write(id, record, mask), -1);
    EXPECT_TRUE(WorkBuffer() == buffer) << "the settings changed";
    EXPECT_EQ(std::count(mask, mask + kStatusMaskBytes, 0), kStatusMaskBytes);
    EXPECT_TRUE(Files() == files) << "a file was written";
    EXPECT_EQ(CallsStartingWith("set "), 0) << "job information was pushed";
  }

  std::vector<uint8_t> WorkBuffer() const {
    return std::vector<uint8_t>(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize);
  }

  DriverContext* ctx_ = nullptr;
  std::array<uint8_t, kStatusBeforeBytes> before_{};
};

// Bit of status item i in a changed-items mask.
inline bool MaskHas(const uint8_t* mask, int32_t item) { return (mask[(item - 1) / 8] & (0x80u >> ((item - 1) % 8))) != 0; }

}  // namespace status_test
