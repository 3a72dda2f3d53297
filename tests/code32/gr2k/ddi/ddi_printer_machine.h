// A machine with a printer of the merge test model, over which VELMPD0's
// entry points run as the engine calls them: the module attached for the
// test, and job DEVMODEs made by a context of the printer.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "env_test_machine.h"
#include "gr2k/ddi_entries.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"

namespace ddi_test {

class PrinterMachine : public env_test::EnvMachine {
 protected:
  explicit PrinterMachine(HINSTANCE module) : module_(module) {}

  void SetUp() override {
    env_test::EnvMachine::SetUp();
    Put(std::u16string(env_test::kDriverDir) + u"model.mdf",
        mdf_test::ReadFile(mdf_test::DataPath("data/models/merge.mdf")));
    DllMain(module_, DLL_PROCESS_ATTACH, nullptr);
  }
  void TearDown() override {
    DllMain(module_, DLL_PROCESS_DETACH, nullptr);
    env_test::EnvMachine::TearDown();
  }

  // A job DEVMODE with the items set, made by a context of the printer.
  std::vector<uint8_t> JobDevmode(const std::vector<std::pair<uint32_t, int32_t>>& items) {
    DriverContext* ctx = CtxOpenKind(printer_, printer_, 0, kOpenEntryPoint);
    EXPECT_NE(ctx, nullptr);
    if (!ctx) return {};
    for (auto [id, v] : items) OptSetValueById(ctx, id, v);
    DEVMODEW pub;
    std::memcpy(&pub, ctx->devmode, sizeof pub);
    std::vector<uint8_t> out(ctx->devmode, ctx->devmode + pub.dmSize + pub.dmDriverExtra);
    CtxCloseAs(ctx, kCloseDestroy);
    return out;
  }

  HINSTANCE module_;
};

}  // namespace ddi_test
