// A command handle over a context on a model text, for the engine's tests:
// a context of kind 4 with a zeroed working DEVMODE and the model's image,
// and the handle's arrays of recorded values.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ctx_test_model.h"
#include "exc_handle.h"
#include "pjl_engine.h"
#include "pjl_internal.h"

namespace pjl_test {

// "@PJL SET name = value \r\n"
inline std::string Line(const std::string& name, const std::string& value) {
  return "@PJL SET " + name + " = " + value + " \r\n";
}

// The four lines every base needs: A4 portrait from tray 1.
inline std::string MinimalBase() {
  return Line("APLPAGESIZE", "A4") + Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "A4") + Line("TRAY", "TRAY1");
}

// The symbol of the model file that names a setting.
inline std::string FeatureName(uint32_t setting_id) {
  const UiSymbolTable& t = MdfGetSymbolTable();
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].settingId == setting_id) return t.rows[i].name;
  ADD_FAILURE() << "no symbol for setting " << setting_id;
  return "";
}

struct Engine {
  explicit Engine(const std::string& model_text = "*FileVersion: 1.0\n") : model(model_text) {
    h.context = model.ctx;
    EXPECT_TRUE(ExcHandleInitRecords(&h));
  }
  ~Engine() { ExcHandleFreeRecords(&h); }
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  DriverContext* ctx() { return h.context; }
  int32_t SetBase(const std::string& base) {
    int32_t length = -7;
    int32_t r = ExcSetBase(&h, base.c_str(), &length);
    EXPECT_EQ(length, h.changeLength);
    return r;
  }
  int32_t Update(const std::string& line) {
    int32_t length = -7;
    int32_t r = ExcUpdateLine(&h, line.c_str(), &length);
    EXPECT_EQ(length, h.changeLength);
    return r;
  }
  std::string Change() const { return h.changeText ? std::string(h.changeText) : std::string(); }
  std::string Base() const { return h.baseText ? std::string(h.baseText) : std::string(); }
  bool Recorded(uint32_t item, int32_t* value = nullptr) const { return ExcHandleRecorded(&h, item, value); }
  int32_t Value(uint32_t item) const {
    int32_t v = -9999;
    EXPECT_TRUE(ExcHandleRecorded(&h, item, &v)) << "item " << item << " is not recorded";
    return v;
  }
  std::string Rendered() {
    ExcTextBuffer b{};
    EXPECT_TRUE(ExcTextInit(&b));
    EXPECT_TRUE(ExcRender(&h, &b));
    std::string s(b.text, b.length);
    ExcTextFree(&b);
    return s;
  }

  ctx_test::ModelContext model;
  ExcHandle h{};
};

// A list of NUL-terminated texts ended by one more NUL, as the texts.
inline std::vector<std::string> ListEntries(const char* text, size_t length) {
  std::vector<std::string> out;
  if (length == 0) return out;
  EXPECT_EQ(text[length - 1], '\0');
  EXPECT_GE(length, 2u);
  EXPECT_EQ(text[length - 2], '\0') << "a list ends with an extra NUL";
  for (size_t i = 0; i + 1 < length;) {
    std::string entry(text + i);
    out.push_back(entry);
    i += entry.size() + 1;
  }
  return out;
}

// Every line of a text reads back through the engine's own reader, to the
// end of the text.
inline ::testing::AssertionResult ParsesWhole(const std::string& text) {
  char name[kExcTokenSize], value[kExcTokenSize];
  size_t at = 0;
  for (;;) {
    int32_t used = ExcParseLine(text.c_str() + at, name, value);
    if (used < 0) return ::testing::AssertionFailure() << "malformed at byte " << at << " of\n" << text;
    if (used == 0) break;
    at += size_t(used);
  }
  if (at != text.size()) return ::testing::AssertionFailure() << "stopped at byte " << at;
  return ::testing::AssertionSuccess();
}

}  // namespace pjl_test
