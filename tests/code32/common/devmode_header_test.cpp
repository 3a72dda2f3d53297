#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_context.h"
#include "velm/devmode.h"

namespace {

TEST(PrivateHeader, InitAndWriteGiveTheFixedBytes) {
  BareContext b;
  uint8_t* d = b.ctx->devmode;
  std::memset(d, 0xEE, dm::kTotalSize);
  DmInitPrivateHeader(d, b.ctx);
  DmWritePrivateHeader(b.ctx);
  struct Bytes {
    uint32_t at;
    std::vector<uint8_t> bytes;
  } golden[] = {
      {220, {'V', 'E', 'L', 'M'}},
      {224, {0, 0, 0, 0}},
      {228, {'v', 'e', 'l', 'm', 'l', 'i', 's', 't', '.', 'i', 'n', 'i', 0, 0, 0, 0}},
      {244, {'0', '1', '.', '0', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {260, {'0', '1', '.', '0', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {276, {'V', 'C', 'O', 'M', 'M', 'O', 'N', 0, 5}},
      {285, std::vector<uint8_t>(64, 0)},
      {349, {'p', 'r', 'i', 'v', 0x10, 0x04, 0, 0, 0x03, 0, 0x03, 0, 0, 0, 0xEC, 0x04, 0xE8, 0x06}},
  };
  for (const Bytes& g : golden)
    EXPECT_EQ(std::vector<uint8_t>(d + g.at, d + g.at + g.bytes.size()), g.bytes) << "at " << g.at;
  EXPECT_EQ(d[367], 0xEE);  // not part of what the header writes
}

TEST(PrivateHeader, Compatibility) {
  auto good = [] {
    std::vector<uint8_t> d(dm::kTotalSize, 0);
    DmInitPrivateHeader(d.data(), nullptr);
    d[372] = 134;
    return d;
  };
  struct Case {
    const char* name;
    uint32_t at;
    std::vector<uint8_t> bytes;
    int32_t compatible;
  } cases[] = {
      {"our own", 0, {}, 1},
      {"foreign model tag", 349, {'p', 'r', 'i', 'x'}, 0},
      {"private size 1048", 353, {0x18, 0x04, 0, 0}, 0},
      {"version 0x00020003: only the low 16 bits count", 357, {0x03, 0, 0x02, 0}, 1},
      {"version 0x00030004", 357, {0x04, 0, 0x03, 0}, 0},
      {"other model family", 372, {135}, 0},
      {"driver type 1 with model flag 0", 857, {1}, 0},
  };
  for (const Case& c : cases) {
    auto d = good();
    if (!c.bytes.empty()) std::memcpy(d.data() + c.at, c.bytes.data(), c.bytes.size());
    EXPECT_EQ(DmIsCompatible(d.data()), c.compatible) << c.name;
  }
  EXPECT_EQ(DmIsCompatible(nullptr), 0);
}

TEST(EnvironmentFlags, EachAccessorHoldsItsByteAndItem) {
  BareContext b;
  using Set = void (*)(DriverContext*, int32_t);
  using Get = int32_t (*)(DriverContext*);
  struct Case {
    uint32_t byte;
    Set set;
    Get get;
  } cases[] = {
      {1241, DmSetFlagUserDefaultTo, DmGetFlagUserDefault},
      {1242, DmSetOsKind, DmGetOsKind},
      {1243, DmSetFlagBatchInstallDoneTo, nullptr},
      {1244, DmSetFlagBatchUserCodeTo, DmGetFlagBatchUserCode},
      {1245, DmSetFlagBidiQueriedTo, DmGetFlagBidiQueried},
      {1246, DmSetFlagNoPermissionTo, DmGetFlagNoPermission},
      {1247, DmSetFlagUIModeChangeTo, DmGetFlagUIModeChange},
      {1248, DmSetFlagBidiEnabledTo, nullptr},
      {1249, DmSetFlagRemotePrinterTo, DmGetFlagRemotePrinter},
      {1250, DmSetFlagLogCodeUseTo, nullptr},
      {1251, DmSetFlagProviderUcodeTo, DmGetFlagProviderUcode},
      {1252, DmSetFlagJobToolInstalledTo, nullptr},
      {1253, DmSetFlagDeviceSheetTo, nullptr},
      {1254, DmSetFlagProviderUcode2To, nullptr},
      {1255, DmSetFlagTerminalServerTo, nullptr},
      {1256, DmSetFlagAdministratorTo, nullptr},
  };
  for (const Case& c : cases) {
    c.set(b.ctx, 3);
    EXPECT_EQ(b.ctx->devmode[c.byte], 3) << c.byte;
    EXPECT_EQ(OptGetValueById(b.ctx, 715 + (c.byte - 1241)), 3) << c.byte;  // the same byte as its item
    if (c.get) {
      EXPECT_EQ(c.get(b.ctx), 3) << c.byte;
    }
    c.set(b.ctx, 0);
  }
  for (uint32_t byte = 1241; byte <= 1259; ++byte) EXPECT_EQ(b.ctx->devmode[byte], 0) << byte;
  DmSetFlagNoPermission(b.ctx);
  EXPECT_EQ(DmGetFlagNoPermission(b.ctx), 1);
  DmClearFlagNoPermission(b.ctx);
  EXPECT_EQ(DmGetFlagNoPermission(b.ctx), 0);
  DmSetOsKindNt5(b.ctx);
  EXPECT_EQ(DmGetOsKind(b.ctx), 2);
  DmSetOsKindNt4(b.ctx);
  EXPECT_EQ(DmGetOsKind(b.ctx), 1);
}

TEST(EnvironmentFlags, QualityWordAndMachineColor) {
  BareContext b;
  DmSetQualityFuncBits(b.ctx, 0x2001);
  EXPECT_EQ(DmGetQualityFuncBits(b.ctx), 0x2001);
  EXPECT_EQ(OptGetValueById(b.ctx, 394), 1);  // bit 0x2000 is item 394
  EXPECT_EQ(OptGetValueById(b.ctx, 381), 1);
  EXPECT_EQ(OptGetValueById(b.ctx, 382), 0);
  EXPECT_EQ(DmIsMachineColor(b.ctx), 0);
  OptSetValueById(b.ctx, 246, 1);
  EXPECT_EQ(DmIsMachineColor(b.ctx), 1);
  OptSetValueById(b.ctx, 246, 2);
  EXPECT_EQ(DmIsMachineColor(b.ctx), 0);
  // The template stays all zero.
  DmSetFlagNoPermission(CtxGetTemplate());
  EXPECT_EQ(DmGetFlagNoPermission(CtxGetTemplate()), 0);
}

}  // namespace
