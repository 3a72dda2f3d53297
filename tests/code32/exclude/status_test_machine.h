// A machine with the printer "Office" of the reference model and a status
// handle on it, opened as the VELMDrv interface opens its handles; helpers
// to read and write status records and to capture every file of the machine
// (settings, inis, printer data, job information).
#pragma once

#include <gtest/gtest.h>

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
#include "status/status.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"
#include "velmpd4.h"

namespace status_test {

class StatusMachine : public jobinfo_test::JobInfoMachine {
 protected:
  void SetUp() override {
    jobinfo_test::JobInfoMachine::SetUp();
    Put((std::u16string(env_test::kDriverDir) + u"model.mdf").c_str(),
        mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\_velm\\"));  // the common data directory with the driver ini
    ctx_ = OpenHandle();
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(ctx_ ? ctx_->printer : nullptr, nullptr) << "a printer left open";
    jobinfo_test::JobInfoMachine::TearDown();
  }

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

  std::vector<uint8_t> WorkBuffer() const {
    return std::vector<uint8_t>(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize);
  }

  // Every file of the emulated machine but the job-information call log
  // (which notes reads too), by path.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      if (!e.is_regular_file()) continue;
      const std::string path = e.path().string();
      if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".LOG") == 0) continue;
      std::ifstream in(path, std::ios::binary);
      out[path] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
  }

  DriverContext* ctx_ = nullptr;
  std::array<uint8_t, kStatusBeforeBytes> before_{};
};

// Bit of status item i in a changed-items mask.
inline bool MaskHas(const uint8_t* mask, int32_t item) { return (mask[(item - 1) / 8] & (0x80u >> ((item - 1) % 8))) != 0; }

}  // namespace status_test
