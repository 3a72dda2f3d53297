// Helpers of the tests of contexts over a model: a context of kind 4 given a
// working DEVMODE and the image of a model text (no printer needed), and the
// names of features and options.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "mdf_test_util.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_image.h"
#include "velm/names.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace ctx_test {

inline ModelImage* Compile(const std::string& text) {
  return MdfCompileBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// A context over the image of a model text, with its evaluator stack and a
// zeroed working DEVMODE.
struct ModelContext {
  explicit ModelContext(const std::string& text) {
    image = Compile(text);
    EXPECT_NE(image, nullptr);
    ctx = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
    EXPECT_NE(ctx, nullptr);
    if (!ctx) return;
    ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
    dm::StampRegionOffsets(ctx->devmode);
    ctx->image = image;
    EXPECT_EQ(RuleAllocEvalStack(ctx), 0);
  }
  ~ModelContext() {
    CtxCloseAs(ctx, kCloseDestroy);
    MdfFreeImage(image);
  }
  ModelContext(const ModelContext&) = delete;
  ModelContext& operator=(const ModelContext&) = delete;

  DriverContext* ctx = nullptr;
  ModelImage* image = nullptr;
};

using mdf_test::DataPath;
using mdf_test::Key;
using mdf_test::ReadFile;

inline uint16_t SettingOf(const char* feature) {
  const UiSymbolRow* row = MdfFindFeatureByName(feature);
  EXPECT_NE(row, nullptr) << feature;
  return row ? row->settingId : 0;
}

inline uint16_t Option(const char* keyword) { return mdf_test::OptionId(keyword); }

}  // namespace ctx_test
