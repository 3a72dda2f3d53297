#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pjl_test_support.h"
#include "qst_test_machine.h"
#include "velm/presets.h"
#include "velm/settings.h"

namespace {

using pjl_test::Line;
using qst_test::QstMachine;

constexpr uint32_t kWmKind = 109, kWmAngle = 119, kWmChar = 869;

// Stored watermark entries of a printer, walked through a command handle on
// a context with the stored settings.
class PjlWatermarkList : public QstMachine {
 protected:
  void SetUp() override {
    QstMachine::SetUp();
    h_.context = ctx_;
    ASSERT_TRUE(ExcHandleInitRecords(&h_));
  }
  void TearDown() override {
    ExcHandleFreeRecords(&h_);
    QstMachine::TearDown();
  }
  void SaveEntry(int32_t n, int32_t kind, const char16_t* text) {
    OptSetValueById(ctx_, kWmKind, kind);
    OptSetValueById(ctx_, kWmAngle, 10 + n);
    OptSetText(ctx_, OptFindSetting(ctx_, kWmChar), text);
    ASSERT_EQ(StampSave(ctx_, n), 1);
  }
  std::string List(int32_t kind) {
    ExcTextBuffer b{};
    EXPECT_TRUE(ExcTextInit(&b));
    EXPECT_EQ(ExcBuildWatermarkList(&h_, kind, &b), kExcOk);
    std::string out(b.text, b.length);
    ExcTextFree(&b);
    return out;
  }
  ExcHandle h_{};
};

TEST_F(PjlWatermarkList, OneBlockPerEntryOfTheKindAndTheSettingsStayAsTheyWere) {
  SaveEntry(0, 1, u"DRAFT");
  SaveEntry(1, 2, u"");
  SaveEntry(2, 1, u"COPY");
  SaveEntry(3, 1, u"SECRET");
  // The settings the caller sees before the walk: not any entry's.
  OptSetValueById(ctx_, kWmKind, 0);
  OptSetValueById(ctx_, kWmAngle, 77);
  OptSetText(ctx_, OptFindSetting(ctx_, kWmChar), u"MINE");
  std::vector<uint8_t> before(ctx_->devmode, ctx_->devmode + kWorkBufferSize);

  // The small model has no watermark features: each block is the order line.
  const std::string block = Line("WMKORDER", "PAPER") + std::string(1, '\0');
  EXPECT_EQ(List(0), block + block + block + std::string(1, '\0'));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), ctx_->devmode)) << "the walk left an entry's settings behind";
  EXPECT_EQ(List(1), block + std::string(1, '\0'));
  EXPECT_EQ(List(5), block + std::string(1, '\0')) << "any kind but 0 asks for image watermarks";
  EXPECT_TRUE(std::equal(before.begin(), before.end(), ctx_->devmode));
  EXPECT_EQ(OptGetValueById(ctx_, kWmAngle), 77);

  StampWriteCount(ctx_, 0);
  EXPECT_EQ(List(0), "") << "no entries, no list";
}

TEST_F(PjlWatermarkList, TheCopyRestoredKeepsTheFontTableSlots) {
  // The font-table items hold handles of blocks the context owns: a restore
  // leaves them as they are now, every other byte as it was.
  ExcWorkSnapshot s{};
  std::vector<uint8_t> saved(ctx_->devmode, ctx_->devmode + kWorkBufferSize);
  ASSERT_TRUE(ExcSnapshotTake(ctx_, &s));
  for (size_t i = 0; i < kWorkBufferSize; ++i) ctx_->devmode[i] = uint8_t(ctx_->devmode[i] ^ 0x5A);
  std::vector<uint8_t> scrambled(ctx_->devmode, ctx_->devmode + kWorkBufferSize);
  ExcSnapshotRestore(ctx_, &s);
  EXPECT_EQ(s.bytes, nullptr);
  size_t kept = 0;
  for (uint32_t id = 10004; id <= 10009; ++id) {
    SettingRecord* row = OptFindSetting(ctx_, id);
    ASSERT_NE(row, nullptr);
    size_t offset = size_t(OptGetValueAddr(ctx_, row) - ctx_->devmode), size = DescSize(row->descriptor);
    for (size_t i = offset; i < offset + size; ++i) {
      EXPECT_EQ(ctx_->devmode[i], scrambled[i]) << "font-table item " << id;
      ctx_->devmode[i] = saved[i];
      ++kept;
    }
  }
  EXPECT_GT(kept, 0u);
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), ctx_->devmode)) << "every other byte comes back";
}

}  // namespace
