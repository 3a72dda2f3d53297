// A context over a bare work buffer, for tests of the setting store: a
// context of kind 4 (no model, no DEVMODE) given a zeroed 3808-byte buffer of
// its own as the working DEVMODE.
#pragma once

#include <gtest/gtest.h>

#include "velm/context.h"
#include "velm/devmode.h"

struct BareContext {
  BareContext() {
    ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
    EXPECT_NE(ctx, nullptr);
    if (ctx) {
      ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
      dm::StampRegionOffsets(ctx->devmode);
    }
  }
  ~BareContext() { CtxCloseAs(ctx, kCloseDestroy); }
  BareContext(const BareContext&) = delete;
  BareContext& operator=(const BareContext&) = delete;
  SettingRecord* Row(uint32_t id) { return OptFindSetting(ctx, id); }
  DriverContext* ctx = nullptr;
};
