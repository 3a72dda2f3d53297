// Helpers of the model-reader tests: parsing text in memory, finding
// features by name and listing what a feature holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "velm/mdf_records.h"
#include "velm/names.h"
#include "test_support.h"

namespace mdf_test {

struct ContextDeleter {
  void operator()(ModelParseContext* ctx) const { MdfFreeParseContext(ctx); }
};
using Parsed = std::unique_ptr<ModelParseContext, ContextDeleter>;

inline Parsed Parse(const std::string& text) {
  return Parsed(MdfParseBuffer(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// A file under tests/ (VELM_TEST_DATA when run by ctest, else beside this
// source).
inline std::string DataPath(const std::string& relative) {
  const char* env = std::getenv("VELM_TEST_DATA");
  std::string root = env && *env ? env : std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/../..";
  return root + "/" + relative;
}

using test_support::ReadFile;

inline uint16_t Key(const char* feature) {
  const UiSymbolRow* row = MdfFindFeatureByName(feature);
  EXPECT_NE(row, nullptr) << feature;
  return row ? row->key : 0;
}

inline uint16_t OptionId(const char* keyword) {
  const OptionNameRow* row = MdfFindOptionByName(keyword);
  EXPECT_NE(row, nullptr) << keyword;
  return row ? row->optionId : 0;
}

inline FeatureNode* Feature(ModelParseContext* ctx, const char* name, uint16_t sub_id = 0) {
  return ctx ? MdfFindFeatureVariant(ctx, Key(name), sub_id) : nullptr;
}

inline int CountFeatures(ModelParseContext* ctx) {
  int n = 0;
  for (FeatureNode* f = ctx->header->features; f; f = f->next) ++n;
  return n;
}

inline std::vector<uint16_t> OptionIds(const FeatureNode* node) {
  std::vector<uint16_t> ids;
  for (MdfOption* o = node ? MdfFeatureOptions(node) : nullptr; o; o = o->next) ids.push_back(o->optionId);
  return ids;
}

inline std::vector<uint16_t> Ids(std::initializer_list<const char*> keywords) {
  std::vector<uint16_t> ids;
  for (const char* k : keywords) ids.push_back(OptionId(k));
  return ids;
}

inline MdfOption* Option(const FeatureNode* node, const char* keyword) {
  return node ? MdfFindOption(MdfFeatureOptions(node), OptionId(keyword)) : nullptr;
}

inline std::string Str(const char* s) { return s ? std::string(s) : std::string("<null>"); }

// Counts live GlobalAlloc blocks around a scope, for leak checks.
class BlockCount {
 public:
  BlockCount() : start_(plat::LiveGlobalBlocks()) {}
  long Delta() const { return plat::LiveGlobalBlocks() - start_; }

 private:
  long start_;
};

}  // namespace mdf_test
