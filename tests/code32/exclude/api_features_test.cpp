// Feature queries over the reference model: the feature a setting of the
// basic page is shown through, and the lists and ranges of pick-list and
// numeric features.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api/api_support.h"
#include "ctx_test_machine.h"
#include "velm/dialogs.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

class ApiFeatures : public ctx_test::ModelMachine {
 protected:
  // The reference model, with the Exclusive rows given added to its block.
  DriverContext* OpenReference(const std::string& extra_exclusive = "") {
    std::string text = ReadData("../models/reference.mdf");
    if (!extra_exclusive.empty()) {
      size_t at = text.find("*Exclusive: {");
      EXPECT_NE(at, std::string::npos);
      at = text.find('\n', at);
      EXPECT_NE(at, std::string::npos);
      text.insert(at + 1, extra_exclusive + "\r\n");
    }
    UseModelText(text);
    DriverContext* ctx = OpenKind(0);
    EXPECT_NE(ctx, nullptr);
    if (ctx) opened_.push_back(ctx);
    return ctx;
  }
  void TearDown() override {
    for (DriverContext* c : opened_) {
      c->dialogs = nullptr;
      CtxCloseAs(c, kCloseDestroy);
    }
    ctx_test::ModelMachine::TearDown();
  }
  // A copy of the built-in dialog table for the context, with the flags of
  // one control of the basic page changed.
  void MarkControl(DriverContext* ctx, uint16_t control, uint32_t flags) {
    const DialogTable& builtin = DlgGetBuiltinTable();
    rows_.assign(builtin.rows, builtin.rows + builtin.count);
    for (DialogRecord& d : rows_) {
      if (d.dialogId != 1002) continue;
      items_.assign(d.items, d.items + d.itemCount);
      for (DialogItemRecord& item : items_)
        if (item.controlId == control) item.flags = flags;
      d.items = items_.data();
    }
    table_ = {builtin.count, rows_.data()};
    ctx->dialogs = &table_;
  }

  std::vector<DriverContext*> opened_;
  std::vector<DialogRecord> rows_;
  std::vector<DialogItemRecord> items_;
  DialogTable table_{};
};

TEST_F(ApiFeatures, BoundSettingsUseTheirControlsFeatureUnlessHidden) {
  // The paper-size control of the basic page shows a feature of its own
  // (an identity of the paper size); here the rules hide it (no finisher).
  DriverContext* ctx = OpenReference("  VPD_IDC_PRESET_CHOICE_PAPERSIZE2 NoFinisher NULL NULL NULL NULL NULL");
  ASSERT_NE(ctx, nullptr);
  const MdfItem model_item = MdfFindItem(ctx, 8);
  ASSERT_NE(model_item, 0u);
  const MdfItem control_item = ApiFindFeatureNode(ctx, 8);
  ASSERT_NE(control_item, 0u);
  EXPECT_NE(control_item, model_item);  // flag bit 0 clear: the control's feature, hidden or not

  MarkControl(ctx, 2017, 1);
  EXPECT_EQ(ApiFindFeatureNode(ctx, 8), model_item);  // hidden by its condition: the model's feature

  // Settings without a binding always give the model's feature.
  EXPECT_EQ(ApiFindFeatureNode(ctx, 12), MdfFindItem(ctx, 12));
  EXPECT_EQ(ApiFindFeatureNode(ctx, 0), 0u);
}

TEST_F(ApiFeatures, ShownValuesAndOptionLists) {
  // The output trays of the basic page hide the finisher's bins while no
  // finisher is installed (the rows of the model's own output feature).
  DriverContext* ctx = OpenReference("  VPD_IDC_BASIC_CHOICE_OUTPUT NULL NULL OutputBins NULL NULL NULL");
  ASSERT_NE(ctx, nullptr);
  const int32_t all = ApiListOptionValues(ctx, 57, nullptr, 0);
  ASSERT_GT(all, 0);
  const int32_t usable = ApiListOptionValues(ctx, 57, nullptr, kApiListUsableOnly);
  EXPECT_EQ(usable, all - 4);
  const int32_t n = ApiListShownValues(ctx, 57, nullptr, 0);
  EXPECT_EQ(n, usable);
  std::vector<int32_t> shown(static_cast<size_t>(all), -5);
  EXPECT_EQ(ApiListShownValues(ctx, 57, shown.data(), n - 1), n);  // the count, the first n - 1 written
  EXPECT_EQ(shown[static_cast<size_t>(n) - 1], -5);                 // nothing past the capacity
  std::vector<uint16_t> values(static_cast<size_t>(all));
  EXPECT_EQ(ApiListOptionValues(ctx, 57, values.data(), 0), all);
  std::vector<uint16_t> kept(static_cast<size_t>(usable));
  EXPECT_EQ(ApiListOptionValues(ctx, 57, kept.data(), kApiListUsableOnly), usable);
  for (int32_t i = 0; i + 1 < n; ++i) EXPECT_EQ(shown[size_t(i)], int32_t(kept[size_t(i)]));
  // Every option is found by its value.
  for (uint16_t v : values) EXPECT_NE(ApiFindOptionByValue(ctx, 57, v), 0) << v;
  EXPECT_EQ(ApiFindOptionByValue(ctx, 57, 0x7FFF), 0);
  // A numeric setting is no pick list.
  EXPECT_EQ(ApiListShownValues(ctx, 12, nullptr, 0), -1);
  EXPECT_EQ(ApiListOptionValues(ctx, 12, nullptr, 0), -1);
  EXPECT_TRUE(ApiIsFeaturePresent(ctx, 57));
  EXPECT_FALSE(ApiIsFeaturePresent(ctx, 0));
}

TEST_F(ApiFeatures, Ranges) {
  DriverContext* ctx = OpenReference();
  ASSERT_NE(ctx, nullptr);
  ApiRange copies{}, h{}, v{};
  ASSERT_TRUE(ApiGetMaxCopies(ctx, &copies));
  EXPECT_GE(copies.maximum, copies.minimum);
  EXPECT_GE(copies.minimum, 1);
  if (ApiGetScaleRanges(ctx, &h, &v)) {
    EXPECT_LE(h.minimum, 100);
    EXPECT_GE(h.maximum, 100);
  }
  std::vector<int32_t> ids(16);
  int32_t n = ApiListResolutions(ctx, ids.data());
  EXPECT_GT(n, 0);
}

}  // namespace
