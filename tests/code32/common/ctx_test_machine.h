// A machine whose printer "Office" has a model-description file, for the
// tests of contexts of kinds 0-3. Each test runs as a freshly started
// process: no listed model image, no cached context, no driver mutex handle;
// and nothing it allocates outlives it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ctx_test_model.h"
#include "env_test_machine.h"
#include "plat/kernel.h"
#include "velm/library.h"
#include "velm/model_cache.h"

namespace ctx_test {

class ModelMachine : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    env_test::EnvMachine::SetUp();
    Restart();
    live_ = plat::LiveGlobalBlocks();
  }
  void TearDown() override {
    Restart();
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_) << "blocks outlived the test";
    env_test::EnvMachine::TearDown();
  }

  // Process detach and attach of the common library.
  static void Restart() {
    CommonProcessDetach();
    CommonProcessAttach(nullptr);
  }

  static std::u16string ModelPath() { return std::u16string(env_test::kDriverDir) + u"model.mdf"; }
  static std::string ReadData(const std::string& relative) {
    std::string text = ReadFile(DataPath(relative));
    EXPECT_FALSE(text.empty()) << relative;
    return text;
  }
  // The printers' model-description file: a file under tests/, or a text.
  void UseModel(const std::string& relative) { Put(ModelPath(), ReadData(relative)); }
  void UseModelText(const std::string& text) { Put(ModelPath(), text); }

  DriverContext* OpenKind(uint16_t kind_word, HANDLE printer = nullptr, uint32_t flags = kOpenEntryPoint) {
    HANDLE h = printer ? printer : printer_;
    return CtxOpenKind(h, h, kind_word, flags);
  }

  long live_ = 0;
};

}  // namespace ctx_test
