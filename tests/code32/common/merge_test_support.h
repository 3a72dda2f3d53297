// Helpers of the DEVMODE merge tests: a context over the merge fixture model
// (or over no model at all) whose working DEVMODE holds the defaults, and
// input DEVMODEs built from it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "ctx_test_model.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"

namespace merge_test {

using Bytes = std::vector<uint8_t>;

// Printer-wide option settings that make sorting selectable: the hard disk,
// the memory size, and the finisher that adds the shift choice.
constexpr uint32_t kOptionMemory = 10012, kOptionFin3000 = 10050, kOptionHardDisk = 10070;

inline const std::string& MergeModelText() {
  static const std::string text = ctx_test::ReadFile(ctx_test::DataPath("data/models/merge.mdf"));
  return text;
}

// The defaults of a context as DmSetDefaults builds them, without the
// printer-dependent environment and language steps.
inline void BuildDefaults(DriverContext* ctx) {
  DmApplyItemDefaults(ctx);
  DmResetPublicFields(ctx->devmode, 1, ctx);
  DmFinishDefaults(ctx->devmode, ctx);
}

struct MergeContext : ctx_test::ModelContext {
  // With model: the merge fixture; without: a context that has no image.
  explicit MergeContext(bool with_model = true) : ModelContext(MergeModelText()) {
    if (!with_model) ctx->image = nullptr;
    if (ctx) BuildDefaults(ctx);
  }
  DEVMODEW Public() const {
    DEVMODEW d;
    std::memcpy(&d, ctx->devmode, sizeof d);
    return d;
  }
  void SetPublic(const std::function<void(DEVMODEW&)>& edit) {
    DEVMODEW d = Public();
    edit(d);
    std::memcpy(ctx->devmode, &d, sizeof d);
  }
  // A 1260-byte input DEVMODE: the working one with its public part edited.
  Bytes Input(const std::function<void(DEVMODEW&)>& edit) const {
    Bytes in(ctx->devmode, ctx->devmode + dm::kTotalSize);
    DEVMODEW d;
    std::memcpy(&d, in.data(), sizeof d);
    edit(d);
    std::memcpy(in.data(), &d, sizeof d);
    return in;
  }
  // Installs printer options: sets printer-wide settings (ids from 10001 on)
  // and copies them into the DEVMODE's device configuration, where the rules
  // and the selectable lists read them, as opening a context does.
  void Install(std::initializer_list<std::pair<uint32_t, int32_t>> options) {
    for (const auto& [id, value] : options) OptSetValueById(ctx, id, value);
    DmCopyDeviceConfig(ctx);
  }
  int32_t Get(uint32_t id) const { return OptGetValueById(ctx, id); }
  void Set(uint32_t id, int32_t v) { OptSetValueById(ctx, id, v); }
  // Paper geometry items first..first+5.
  std::vector<int32_t> Geometry(uint32_t first) const {
    std::vector<int32_t> g;
    for (uint32_t i = 0; i < 6; ++i) g.push_back(Get(first + i));
    return g;
  }
};

}  // namespace merge_test
