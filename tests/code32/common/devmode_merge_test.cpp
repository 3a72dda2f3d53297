#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "env_test_machine.h"
#include "plat/machineconf.h"
#include "velm/devmode.h"

namespace {

class DevmodeMerge : public env_test::EnvMachine {
 protected:
  // A working DEVMODE with our header and the given flag bytes, and an input
  // DEVMODE of this driver built from it.
  DriverContext* Working() {
    DriverContext* ctx = Context();
    DmInitPrivateHeader(ctx->devmode, ctx);
    DmWritePrivateHeader(ctx);
    auto* pub = reinterpret_cast<DEVMODEW*>(ctx->devmode);
    pub->dmSpecVersion = 0x401;
    pub->dmDriverVersion = 0x400;
    pub->dmSize = 220;
    pub->dmDriverExtra = 1040;
    ctx->devmode[372] = 134;
    return ctx;
  }
  static std::vector<uint8_t> InputFrom(DriverContext* ctx) {
    return std::vector<uint8_t>(ctx->devmode, ctx->devmode + dm::kTotalSize);
  }
};

TEST_F(DevmodeMerge, FlagBytesKeptOrTaken) {
  DriverContext* ctx = Working();
  std::vector<uint8_t> input = InputFrom(ctx);
  for (uint32_t b = 1241; b <= 1256; ++b) {
    ctx->devmode[b] = 0;
    input[b] = 1;
  }
  OptSetValueById(ctx, 249, 0x1234);  // vdmFrontFunc: its low byte stays
  std::memcpy(input.data() + (OptGetValueAddr(ctx, OptFindSetting(ctx, 249)) - ctx->devmode),
              "\x78\x56\x00\x00", 4);
  OptSetValueById(ctx, 102, 3);  // a private setting the input changes
  input[OptGetValueAddr(ctx, OptFindSetting(ctx, 102)) - ctx->devmode] = 2;
  input[373] = 1;  // vdmUIModeChange, from which byte 1247 is derived again
  ASSERT_EQ(DmMergeInput(ctx, input.data(), input.size(), DM_IN_BUFFER), 1);
  struct Byte {
    uint32_t at;
    int value;
  } expected[] = {
      {1241, 0}, {1242, 0}, {1243, 0}, {1244, 0}, {1245, 0}, {1246, 0},  // kept
      {1247, 1}, {1248, 0},                                              // derived again (UI mode; no bidi)
      {1249, 0},                                                         // kept
      {1250, 1}, {1251, 1},                                              // taken
      {1252, 0},                                                         // set again: no job tool installed
      {1253, 0},                                                         // kept
      {1254, 1},                                                         // taken
      {1255, 0}, {1256, 0},                                              // kept
  };
  for (const Byte& e : expected) EXPECT_EQ(ctx->devmode[e.at], e.value) << e.at;
  EXPECT_EQ(OptGetValueById(ctx, 249), 0x34);
  EXPECT_EQ(OptGetValueById(ctx, 102), 2);
}

TEST_F(DevmodeMerge, WhatAMergeLeavesAlone) {
  DriverContext* ctx = Working();
  OptSetValueById(ctx, 102, 3);
  std::vector<uint8_t> input = InputFrom(ctx);
  input[OptGetValueAddr(ctx, OptFindSetting(ctx, 102)) - ctx->devmode] = 2;
  std::vector<uint8_t> before = InputFrom(ctx);

  // DM_OUT_BUFFER alone: nothing changes.
  EXPECT_EQ(DmMergeInput(ctx, input.data(), input.size(), DM_OUT_BUFFER), 1);
  EXPECT_EQ(InputFrom(ctx), before);

  struct Case {
    const char* name;
    uint32_t at;
    uint8_t value;
  } foreign[] = {
      {"another model tag", 349, 'x'},
      {"private size 1048", 353, 0x18},
      {"another display language", 587, 3},
  };
  for (const Case& c : foreign) {
    std::vector<uint8_t> in = input;
    in[c.at] = c.value;
    ASSERT_EQ(DmMergeInput(ctx, in.data(), in.size(), DM_IN_BUFFER), 1) << c.name;
    EXPECT_EQ(OptGetValueById(ctx, 102), 3) << c.name;  // the working private part stayed
  }
}

TEST_F(DevmodeMerge, PromptFlagRegionOffsetsAndUserPaper) {
  DriverContext* ctx = Working();
  std::vector<uint8_t> input = InputFrom(ctx);
  // A crafted header: region offsets pointing far outside any buffer.
  input[dm::kRegion2Offset] = 0xFF;
  input[dm::kRegion2Offset + 1] = 0xFF;
  input[dm::kRegion3Offset] = 0xF0;
  input[dm::kRegion3Offset + 1] = 0xFF;
  ASSERT_EQ(DmMergeInput(ctx, input.data(), input.size(), DM_IN_BUFFER | DM_IN_PROMPT), 1);
  EXPECT_EQ(OptGetValueById(ctx, 885), 1);
  uint16_t r3;
  std::memcpy(&r3, ctx->devmode + dm::kRegion3Offset, 2);
  EXPECT_EQ(r3, 1768);  // peers still read the real places
  EXPECT_EQ(ctx->work->mergeMode, DM_IN_BUFFER | DM_IN_PROMPT);
  ASSERT_EQ(DmMergeInput(ctx, nullptr, 0, DM_IN_BUFFER), 1);
  EXPECT_EQ(OptGetValueById(ctx, 885), 0);

  auto* pub = reinterpret_cast<DEVMODEW*>(ctx->devmode);
  pub->dmPaperSize = 256;
  pub->dmFields = 0;
  ASSERT_EQ(DmMergeInput(ctx, nullptr, 0, DM_IN_BUFFER), 1);
  EXPECT_EQ(pub->dmFields & 2u, 0u);
  OptSetValueById(ctx, 417, 1);
  ASSERT_EQ(DmMergeInput(ctx, nullptr, 0, DM_IN_BUFFER), 1);
  EXPECT_EQ(pub->dmFields & 2u, 2u);
}

TEST_F(DevmodeMerge, DeclaredSizesBeyondTheBufferAreNotRead) {
  DriverContext* ctx = Working();
  OptSetValueById(ctx, 102, 3);
  std::vector<uint8_t> input = InputFrom(ctx);
  input[OptGetValueAddr(ctx, OptFindSetting(ctx, 102)) - ctx->devmode] = 2;
  input.resize(600);  // declares 1260 bytes, holds 600
  ASSERT_EQ(DmMergeInput(ctx, input.data(), input.size(), DM_IN_BUFFER), 1);
  EXPECT_EQ(OptGetValueById(ctx, 102), 3);
}

TEST_F(DevmodeMerge, OutOfMemoryLeavesTheWorkingDevmode) {
  DriverContext* ctx = Working();
  std::vector<uint8_t> input = InputFrom(ctx);
  input[OptGetValueAddr(ctx, OptFindSetting(ctx, 102)) - ctx->devmode] = 2;
  std::vector<uint8_t> before = InputFrom(ctx);
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(DmMergeInput(ctx, input.data(), input.size(), DM_IN_BUFFER), 0);
  EXPECT_EQ(InputFrom(ctx), before);
}

TEST_F(DevmodeMerge, EnvironmentFlagsFromTheMachineAndTheKind) {
  DriverContext* ctx = Working();
  OptSetValueById(ctx, 40, 1);
  OptSetValueById(ctx, 10002, 1);
  DmSetEnvironmentFlags(ctx);
  struct Byte {
    uint32_t at;
    int value;
  } expected[] = {{1241, 1}, {1242, 2}, {1243, 1}, {1244, 0}, {1245, 0}, {1246, 0}, {1247, 1},
                  {1249, 0}, {1250, 1}, {1251, 0}, {1253, 0}, {1254, 0}, {1255, 0}};
  for (const Byte& e : expected) EXPECT_EQ(ctx->devmode[e.at], e.value) << e.at;
  DriverContext* admin = CtxOpenKind(printer_, printer_, 0x204, kOpenEntryPoint);
  ASSERT_NE(admin, nullptr);
  admin->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
  DmSetEnvironmentFlags(admin);
  EXPECT_EQ(admin->devmode[1256], 1);  // kind option 0x200: administrator
  CtxCloseAs(admin, kCloseDestroy);
}

TEST_F(DevmodeMerge, DeviceConfigReachesTheMirrors) {
  DriverContext* ctx = Working();
  OptSetValueById(ctx, 10012, 128);   // installed memory
  OptSetValueById(ctx, 10176, 9);     // tray 2 paper
  OptSetValueById(ctx, 10050, 1);     // a bit of an option word
  ctx->devmode[1260 + 300] = 0x5A;    // a reserved byte of the options block
  DmCopyDeviceConfig(ctx);
  EXPECT_EQ(OptGetValueById(ctx, 430 + (10012 - 10001)), 128);
  EXPECT_EQ(OptGetValueById(ctx, 430 + (10176 - 10001)), 9);
  EXPECT_EQ(OptGetValueById(ctx, 430 + (10050 - 10001)), 1);
  EXPECT_EQ(ctx->devmode[892 + 300], 0x5A);
}

}  // namespace

namespace {

TEST_F(DevmodeMerge, TerminalServicesClearTheJobActions) {
  DriverContext* ctx = Working();
  for (uint32_t id = 224; id <= 239; ++id) OptSetValueById(ctx, id, 1);
  ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", "0"));
  DmClearTerminalServerActions(ctx, 0);  // a console session: nothing changes
  for (uint32_t id = 224; id <= 239; ++id) EXPECT_EQ(OptGetValueById(ctx, id), 1) << id;
  ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", "1"));
  DmClearTerminalServerActions(ctx, 0);
  for (uint32_t id = 224; id <= 239; ++id) EXPECT_EQ(OptGetValueById(ctx, id), 0) << id;
  EXPECT_EQ(OptGetValueById(ctx, 240), 0);
}

}  // namespace
