#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bidi_device.h"
#include "ctx_test_machine.h"
#include "ctx_test_model.h"
#include "merge_test_support.h"
#include "plat/kernel.h"
#include "velm/bidi.h"
#include "velm/paths.h"
#include "velm/caps.h"
#include "velm/dm_exchange.h"
#include "velm/selectable.h"
#include "velm/settings.h"

namespace {

using merge_test::Bytes;
using merge_test::MergeContext;
using Values = std::vector<std::pair<uint32_t, int32_t>>;

constexpr uint32_t kFuncScale = 58, kFuncNup = 59, kFuncDuplex = 61, kFuncSort = 64, kFuncPunch = 65,
                   kFuncStaple = 66;
constexpr uint32_t kScaleType = 90, kScaleH = 92, kScaleV = 93, kNupKind = 94, kNupType = 95, kDuplexType = 102,
                   kSortType = 129, kPunchType = 134, kStapleType = 136, kExtArea = 182;
constexpr uint32_t kCollate = 19, kOrientation = 7, kResolutionW = 42, kOutPaper = 50, kTray = 57;
constexpr uint32_t kDuplexUnit = 10014, kFin1000 = 10049, kFin3000 = 10050, kFin2000 = 10058,
                   kFin3000NoPunch = 10081;

// A request block: {byte, value} pairs, byte 1 = 1 unless given.
Bytes Request(std::initializer_list<std::pair<uint32_t, uint8_t>> bytes) {
  Bytes b(kExchangeBlockSize, 0);
  b[1] = kExchangeBlockValid;
  for (const auto& [at, v] : bytes) b[at] = v;
  return b;
}
Bytes Scale(uint16_t code) {
  Bytes b = Request({});
  b[10] = uint8_t(code);
  b[11] = uint8_t(code >> 8);
  return b;
}

// The merge's copy of an input: the working DEVMODE with the block in place.
Bytes CopyWith(const MergeContext& m, const Bytes& block) {
  Bytes copy(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);
  std::memcpy(copy.data() + kExchangeRequestOffset, block.data(), kExchangeBlockSize);
  return copy;
}

// ---- built-in tables ------------------------------------------------------------------

TEST(ExchangeTables, ListBitsAndSet) {
  MergeContext m;
  const uint16_t* list = DmGetExchangeList();
  int32_t n = 0;
  for (; list[n] != kExchangeListEnd; ++n) {
    const int32_t value = list[n] == kScaleH ? 150 : 1;
    EXPECT_EQ(DmExchangeSet(m.ctx, list[n], value), int32_t(1u << n)) << list[n];
    EXPECT_EQ(m.Get(list[n]), value) << list[n];
  }
  EXPECT_EQ(n, kExchangeListCount);
  // Not in the list: nothing set, no bit.
  m.Set(kCollate, 0);
  EXPECT_EQ(DmExchangeSet(m.ctx, kCollate, 1), 0);
  EXPECT_EQ(m.Get(kCollate), 0);
}

TEST(ExchangeTables, Finishers) {
  const DmFinisherRow* rows = DmGetFinisherTable();
  int32_t n = 0;
  for (; rows[n].settingId != kFinisherEnd; ++n) {
    EXPECT_GE(rows[n].settingId, 10001) << n;
    EXPECT_NE(rows[n].secondTray, kNoTray) << "every finisher has a second tray";
  }
  EXPECT_EQ(n, 14);
  EXPECT_EQ(rows[n].firstTray, 0);
  EXPECT_EQ(rows[n].secondTray, 0);

  MergeContext m;
  EXPECT_EQ(DmFindInstalledFinisher(m.ctx)->settingId, kFinisherEnd) << "none installed: the end row";
  m.Set(kFin3000NoPunch, 1);
  m.Set(kFin2000, 1);
  const DmFinisherRow* found = DmFindInstalledFinisher(m.ctx);
  EXPECT_EQ(found->settingId, kFin2000) << "the first row in table order";
  EXPECT_EQ(found->firstTray, 31);
  EXPECT_EQ(found->secondTray, 32);

  struct Case {
    int32_t code, selector, want;
  } cases[] = {
      {5, kFinisherSecondTray, 1},  {5, kFinisherFirstTray, 0},  {31, kFinisherFirstTray, 1},
      {31, kFinisherSecondTray, 0}, {6, kFinisherFirstTray, 1},  {36, kFinisherSecondTray, 1},
      {14, kFinisherFirstTray, 0},  {14, kFinisherSecondTray, 0}, {kNoTray, kFinisherFirstTray, 0},
      {0, kFinisherFirstTray, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DmIsFinisherTrayCode(c.code, c.selector), c.want) << c.code << " column " << c.selector;
}

TEST(ExchangeTables, BlocksAreTheItemsOfTheSettingTable) {
  MergeContext m;
  const SettingRecord* request = OptFindSetting(m.ctx, kExchangeRequestItem);
  const SettingRecord* caps = OptFindSetting(m.ctx, kExchangeCapsItem);
  ASSERT_NE(request, nullptr);
  ASSERT_NE(caps, nullptr);
  EXPECT_EQ(OptGetValueAddr(m.ctx, request), m.ctx->devmode + kExchangeRequestOffset);
  EXPECT_EQ(OptGetValueAddr(m.ctx, caps), m.ctx->devmode + kExchangeCapsOffset);
  EXPECT_EQ(DescSize(request->descriptor), kExchangeBlockSize);
  EXPECT_EQ(DescSize(caps->descriptor), kExchangeBlockSize);
}

// ---- the request ---------------------------------------------------------------------

TEST(ExchangeRequest, InvalidBlockChangesNothing) {
  for (uint8_t valid : {0, 2, 255}) {
    MergeContext m;
    m.ctx->work->mergeMode = DM_IN_BUFFER;
    Bytes block = Request({{0, 9}, {2, 2}, {3, 3}, {13, 2}});
    block[1] = valid;
    Bytes copy = CopyWith(m, block);
    const Bytes before_copy = copy;
    const Bytes before(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize);
    EXPECT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1) << int(valid);
    EXPECT_EQ(copy, before_copy) << int(valid);
    EXPECT_EQ(Bytes(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize), before) << int(valid);
    EXPECT_EQ(m.ctx->work->mergeMode, DM_IN_BUFFER) << "merge word untouched";
  }
}

TEST(ExchangeRequest, MarksTheMergeWordOnce) {
  MergeContext m;
  for (uint32_t word : {uint32_t(DM_IN_BUFFER), DM_IN_BUFFER | kMergeRequestApplied}) {
    m.ctx->work->mergeMode = word;
    Bytes copy = CopyWith(m, Request({{13, 2}}));
    ASSERT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1);
    EXPECT_EQ(m.ctx->work->mergeMode, DM_IN_BUFFER | kMergeRequestApplied) << "from " << word;
  }
}

struct RequestCase {
  const char* name;
  Bytes block;
  Values preset;   // settings before, also options installed
  Values want;     // settings of the result
};

// An unlisted code leaves its settings as they were (as 0 does), never -1.
const std::vector<RequestCase>& RequestCases() {
  static const std::vector<RequestCase> cases = {
      {"duplex off", Request({{2, 1}}), {{kFuncDuplex, 1}, {kDuplexType, 2}}, {{kFuncDuplex, 0}, {kDuplexType, 2}}},
      {"duplex 2", Request({{2, 2}}), {}, {{kFuncDuplex, 1}, {kDuplexType, 1}}},
      {"duplex 4", Request({{2, 4}}), {}, {{kFuncDuplex, 1}, {kDuplexType, 3}}},
      {"duplex unlisted", Request({{2, 5}}), {{kFuncDuplex, 0}, {kDuplexType, 2}}, {{kFuncDuplex, 0}, {kDuplexType, 2}}},
      {"sort 3 and collate", Request({{3, 3}}), {{kCollate, 0}}, {{kFuncSort, 1}, {kSortType, 4}, {kCollate, 1}}},
      {"sort 4", Request({{3, 4}}), {}, {{kFuncSort, 1}, {kSortType, 6}}},
      {"sort off clears collate", Request({{3, 1}}), {{kFuncSort, 1}, {kCollate, 1}}, {{kFuncSort, 0}, {kCollate, 0}}},
      {"sort unchanged: collate follows the switch", Request({}), {{kFuncSort, 1}, {kCollate, 0}},
       {{kFuncSort, 1}, {kCollate, 1}}},
      {"punch 3", Request({{4, 3}}), {}, {{kFuncPunch, 1}, {kPunchType, 2}}},
      {"punch 4", Request({{4, 4}}), {}, {{kFuncPunch, 1}, {kPunchType, 3}}},
      {"staple 2", Request({{5, 2}}), {}, {{kFuncStaple, 1}, {kStapleType, 34}}},
      {"staple 3", Request({{5, 3}}), {}, {{kFuncStaple, 1}, {kStapleType, 33}}},
      {"staple 6", Request({{5, 6}}), {}, {{kFuncStaple, 1}, {kStapleType, 50}}},
      {"staple 7", Request({{5, 7}}), {}, {{kFuncStaple, 1}, {kStapleType, 49}}},
      {"staple 8", Request({{5, 8}}), {}, {{kFuncStaple, 1}, {kStapleType, 65}}},
      {"staple 9", Request({{5, 9}}), {}, {{kFuncStaple, 1}, {kStapleType, 67}}},
      {"staple 10", Request({{5, 10}}), {}, {{kFuncStaple, 1}, {kStapleType, 66}}},
      {"staple 12", Request({{5, 12}}), {}, {{kFuncStaple, 1}, {kStapleType, 49}}},
      {"staple 200 unlisted", Request({{5, 200}}), {{kFuncStaple, 0}, {kStapleType, 34}},
       {{kFuncStaple, 0}, {kStapleType, 34}}},
      {"tray 1", Request({{6, 1}}), {{kTray, 2}}, {{kTray, 0}}},
      {"tray 3", Request({{6, 3}}), {}, {{kTray, 13}}},
      {"tray 5", Request({{6, 5}}), {}, {{kTray, 15}}},
      {"tray 13", Request({{6, 13}}), {}, {{kTray, 23}}},
      {"tray 16", Request({{6, 16}}), {}, {{kTray, 14}}},
      {"tray 17", Request({{6, 17}}), {}, {{kTray, 1}}},
      {"tray 14 without finisher", Request({{6, 14}}), {{kTray, 2}}, {{kTray, 0}}},
      {"tray 14 Fin2000", Request({{6, 14}}), {{kFin2000, 1}}, {{kTray, 32}}},
      {"tray 15 Fin2000", Request({{6, 15}}), {{kFin2000, 1}}, {{kTray, 31}}},
      {"tray 15 Fin1000: no first tray", Request({{6, 15}}), {{kFin1000, 1}, {kTray, 2}}, {{kTray, 2}}},
      {"tray 18 unlisted", Request({{6, 18}}), {{kTray, 4}}, {{kTray, 4}}},
      {"resolution 1", Request({{7, 1}}), {}, {{kResolutionW, 400}}},
      {"resolution 3", Request({{7, 3}}), {}, {{kResolutionW, 1200}}},
      {"resolution 4 unlisted", Request({{7, 4}}), {{kResolutionW, 600}}, {{kResolutionW, 600}}},
      {"area 1", Request({{8, 1}}), {{kExtArea, 1}}, {{kExtArea, 0}}},
      {"area 2", Request({{8, 2}}), {}, {{kExtArea, 1}}},
      {"area -1 unlisted", Request({{8, 0xFF}}), {{kExtArea, 1}}, {{kExtArea, 1}}},
      {"scale 0x4005", Scale(0x4005), {}, {{kFuncScale, 1}, {kScaleType, 1}, {kScaleH, 88}, {kScaleV, 88}}},
      {"scale 150", Scale(150), {}, {{kFuncScale, 1}, {kScaleH, 150}, {kScaleV, 150}}},
      {"scale 16385", Scale(16385), {}, {{kScaleH, 67}}},
      {"scale 16391", Scale(16391), {}, {{kScaleH, 115}}},
      {"scale 0 unchanged", Scale(0), {{kFuncScale, 0}, {kScaleH, 100}}, {{kFuncScale, 0}, {kScaleH, 100}}},
      {"n-up off", Request({{12, 1}}), {{kFuncNup, 1}}, {{kFuncNup, 0}}},
      {"n-up 2 portrait", Request({{12, 2}}), {{kOrientation, 1}}, {{kFuncNup, 1}, {kNupKind, 1}, {kNupType, 1}}},
      {"n-up 2 landscape", Request({{12, 2}}), {{kOrientation, 2}}, {{kFuncNup, 1}, {kNupKind, 1}, {kNupType, 3}}},
      {"n-up 3", Request({{12, 3}}), {}, {{kFuncNup, 1}, {kNupKind, 1}, {kNupType, 2}}},
      {"n-up 4", Request({{12, 4}}), {}, {{kNupKind, 2}, {kNupType, 33}}},
      {"n-up 7", Request({{12, 7}}), {}, {{kNupKind, 2}, {kNupType, 38}}},
      {"n-up 8 unlisted", Request({{12, 8}}), {{kFuncNup, 0}, {kNupKind, 1}}, {{kFuncNup, 0}, {kNupKind, 1}}},
      {"paper 1", Request({{13, 1}}), {}, {{kOutPaper, 8}}},
      {"paper 2", Request({{13, 2}}), {}, {{kOutPaper, 9}}},
      {"paper 8", Request({{13, 8}}), {}, {{kOutPaper, 1}}},
      {"paper 15", Request({{13, 15}}), {}, {{kOutPaper, 66}}},
      {"paper 18", Request({{13, 18}}), {}, {{kOutPaper, 269}}},
      {"paper 16 unlisted", Request({{13, 16}}), {{kOutPaper, 9}}, {{kOutPaper, 9}}},
      {"reserved bytes are not read", Request({{9, 3}, {14, 1}, {31, 1}}), {{kOutPaper, 9}}, {{kOutPaper, 9}}},
  };
  return cases;
}

TEST(ExchangeRequest, CodeTable) {
  for (const RequestCase& c : RequestCases()) {
    MergeContext m;
    for (const auto& [id, v] : c.preset) m.Set(id, v);
    DmCopyDeviceConfig(m.ctx);
    Bytes copy = CopyWith(m, c.block);
    const Bytes working(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize);
    ASSERT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1) << c.name;
    EXPECT_EQ(Bytes(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize), working)
        << c.name << ": the working DEVMODE is put back";
    EXPECT_TRUE(m.ctx->work->mergeMode & kMergeRequestApplied) << c.name;
    // Read the result through the setting table.
    std::memcpy(m.ctx->devmode, copy.data(), dm::kTotalSize);
    for (const auto& [id, v] : c.want) EXPECT_EQ(m.Get(id), v) << c.name << ": setting " << id;
  }
}

// Every byte value of every request byte: no setting of the list ends up
// all ones (-1 or 0xFFFF), and a code past the highest any table lists (18)
// gives the same result as 0.
TEST(ExchangeRequest, AnyByteIsBoundedByTheTables) {
  MergeContext m;
  m.Set(kOrientation, 1);
  auto result = [&](uint32_t byte, uint8_t code) {
    Bytes copy = CopyWith(m, Request({{byte, code}}));
    EXPECT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1);
    std::memset(copy.data() + kExchangeRequestOffset, 0, kExchangeBlockSize);  // the block itself is not a result
    return copy;
  };
  for (uint32_t byte : {2u, 3u, 4u, 5u, 6u, 7u, 8u, 12u, 13u}) {
    const Bytes unchanged = result(byte, 0);
    for (int code = 0; code < 256; ++code) {
      const Bytes copy = result(byte, uint8_t(code));
      if (code > 18) {
        EXPECT_EQ(copy, unchanged) << "byte " << byte << " code " << code;
      }
      const Bytes working(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);
      std::memcpy(m.ctx->devmode, copy.data(), dm::kTotalSize);
      for (const uint16_t* id = DmGetExchangeList(); *id != kExchangeListEnd; ++id) {
        const SettingRecord* row = OptFindSetting(m.ctx, *id);
        ASSERT_NE(row, nullptr);
        const uint32_t size = DescSize(row->descriptor);
        const uint32_t ones = size >= 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
        EXPECT_NE(uint32_t(m.Get(*id)) & ones, ones) << "byte " << byte << " code " << code << " setting " << *id;
      }
      std::memcpy(m.ctx->devmode, working.data(), dm::kTotalSize);
    }
  }
}

TEST(ExchangeRequest, PublicFieldsFollow) {
  MergeContext m;
  Bytes copy = CopyWith(m, Request({{2, 3}, {7, 1}}));
  ASSERT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1);
  DEVMODEW pub;
  std::memcpy(&pub, copy.data(), sizeof pub);
  EXPECT_EQ(pub.dmPrintQuality, 400);
  EXPECT_EQ(pub.dmYResolution, 400);
  EXPECT_NE(pub.dmDuplex, 1) << "duplex on is no simplex";
}

TEST(ExchangeRequest, WholeMergeTakesTheRequest) {
  MergeContext m;
  Bytes input = CopyWith(m, Request({{3, 1}, {12, 1}, {13, 2}}));
  ASSERT_EQ(DmMergeInput(m.ctx, input.data(), input.size(), DM_IN_BUFFER | DM_OUT_BUFFER), 1);
  EXPECT_TRUE(m.ctx->work->mergeMode & kMergeRequestApplied);
  EXPECT_EQ(m.Get(kFuncSort), 0);
  EXPECT_EQ(m.Get(kFuncNup), 0);
  // Without a valid block the merge word does not get the mark.
  Bytes plain = CopyWith(m, Bytes(kExchangeBlockSize, 0));
  ASSERT_EQ(DmMergeInput(m.ctx, plain.data(), plain.size(), DM_IN_BUFFER | DM_OUT_BUFFER), 1);
  EXPECT_FALSE(m.ctx->work->mergeMode & kMergeRequestApplied);
}

TEST(ExchangeRequest, OutOfMemoryChangesNothing) {
  MergeContext m;
  m.ctx->work->mergeMode = 0;
  Bytes copy = CopyWith(m, Request({{2, 2}, {13, 2}}));
  const Bytes copy_before = copy;
  const Bytes before(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize);
  for (uint8_t action : {uint8_t(0), kExchangeActionQuery}) {
    copy[kExchangeRequestOffset] = action;
    plat::FailNth("GlobalAlloc", 1);
    EXPECT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 0) << int(action);
    plat::ClearFaults();
    copy[kExchangeRequestOffset] = 0;
    EXPECT_EQ(copy, copy_before) << int(action);
    EXPECT_EQ(Bytes(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize), before) << int(action);
  }
}

// Transact lists on duplex and punch that leave a mark on settings outside
// the exchange list.
const char* const kSpyModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean
*VPD_IDC_EDIT_CHOICE_DUPLEX True: "ON"
*VPD_IDC_EDIT_CHOICE_DUPLEX False: "OFF"
*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX
*OpenUI *VPD_IDC_FINISH_CHOICE_PUNCH: Boolean
*VPD_IDC_FINISH_CHOICE_PUNCH True: "ON"
*VPD_IDC_FINISH_CHOICE_PUNCH False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_PUNCH
*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne
*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: "COLOR"
*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: "GRAYSCALE"
*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2: "TRAY2"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*Action 1=Mono: { VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO }
*Action 2=Tray2: { VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2 }
*Transact 1=DuplexMarks: { NULL Mono }
*Transact 2=PunchMarks: { NULL Tray2 }
*Exclusive: {
  VPD_IDC_EDIT_CHOICE_DUPLEX NULL NULL NULL NULL DuplexMarks NULL
  VPD_IDC_FINISH_CHOICE_PUNCH NULL NULL NULL NULL PunchMarks NULL
}
)";

TEST(ExchangeRequest, OnlyChangedSettingsRunTheirTransacts) {
  ctx_test::ModelContext m(kSpyModel);
  const uint16_t color = ctx_test::SettingOf("VPD_IDC_PRESET_CHOICE_COLOR");
  const uint16_t tray = ctx_test::SettingOf("VPD_IDC_PRESET_CHOICE_SOURCETRAY");
  ASSERT_EQ(ctx_test::SettingOf("VPD_IDC_EDIT_CHOICE_DUPLEX"), kFuncDuplex);
  ASSERT_EQ(ctx_test::SettingOf("VPD_IDC_FINISH_CHOICE_PUNCH"), kFuncPunch);
  m.ctx->work->mergeMode = 0;
  OptSetValueById(m.ctx, color, 77);
  OptSetValueById(m.ctx, tray, 77);
  const Bytes marks_before(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);

  Bytes copy(m.ctx->devmode, m.ctx->devmode + dm::kTotalSize);
  Bytes block = Request({{2, 2}});
  std::memcpy(copy.data() + kExchangeRequestOffset, block.data(), block.size());
  ASSERT_EQ(DmApplyExchangeRequest(m.ctx, copy.data()), 1);
  std::memcpy(m.ctx->devmode, copy.data(), dm::kTotalSize);
  EXPECT_NE(OptGetValueById(m.ctx, color), 77) << "the duplex setting's list ran";
  EXPECT_EQ(OptGetValueById(m.ctx, tray), 77) << "punch was not asked for: its list did not run";

  // Directly: only the bits given run.
  std::memcpy(m.ctx->devmode, marks_before.data(), dm::kTotalSize);
  DmExchangeApplyTransacts(m.ctx, 0);
  EXPECT_EQ(OptGetValueById(m.ctx, color), 77);
  EXPECT_EQ(OptGetValueById(m.ctx, tray), 77);
  DmExchangeApplyTransacts(m.ctx, uint32_t(DmExchangeSet(m.ctx, kFuncPunch, 0)));
  EXPECT_EQ(OptGetValueById(m.ctx, color), 77);
  EXPECT_NE(OptGetValueById(m.ctx, tray), 77);
}

// ---- actions that reset: defaults, and defaults with the device query ----------------------

class ExchangeActions : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModel("data/models/merge.mdf");
    ctx_ = OpenKind(0);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    CtxCloseAs(ctx_, kCloseDestroy);
    ModelMachine::TearDown();
  }
  // The working DEVMODE with the sort switched away from its default and a
  // request block of the action.
  Bytes Input(uint8_t action) {
    sortDefault_ = OptGetValueById(ctx_, kFuncSort);
    Bytes in(ctx_->devmode, ctx_->devmode + dm::kTotalSize);
    Bytes block = Request({{0, action}, {3, 2}});
    std::memcpy(in.data() + kExchangeRequestOffset, block.data(), block.size());
    DEVMODEW& pub = *reinterpret_cast<DEVMODEW*>(in.data());
    pub.dmOrientation = pub.dmOrientation == 1 ? 2 : 1;
    return in;
  }
  Bytes Work() const { return Bytes(ctx_->devmode, ctx_->devmode + dm::kWorkBufferSize); }
  DriverContext* ctx_ = nullptr;
  int32_t sortDefault_ = 0;
};

TEST_F(ExchangeActions, DefaultsReplaceTheInput) {
  Bytes copy = Input(kExchangeActionDefaults);
  OptSetValueById(ctx_, kFuncSort, 1);  // the working DEVMODE is reset too
  ASSERT_EQ(DmApplyExchangeRequest(ctx_, copy.data()), 1);
  EXPECT_EQ(copy, Bytes(ctx_->devmode, ctx_->devmode + dm::kTotalSize)) << "the input is the defaults";
  EXPECT_EQ(OptGetValueById(ctx_, kFuncSort), sortDefault_);
  EXPECT_TRUE(ctx_->work->mergeMode & kMergeRequestApplied);
}

TEST_F(ExchangeActions, FailedDeviceQueryFailsTheMergeAndKeepsTheWorkingDevmode) {
  // A merge that asks for a query that fails fails whole. The printer has no
  // bidirectional attribute, so its device cannot be asked.
  ASSERT_EQ(BidiQuerySilent(ctx_), 0);
  for (uint8_t action : {kExchangeActionQuery, kExchangeActionQuery2}) {
    OptSetValueById(ctx_, kFuncSort, 1);
    Bytes copy = Input(action);
    const Bytes copy_before = copy;
    const Bytes before = Work();
    EXPECT_EQ(DmApplyExchangeRequest(ctx_, copy.data()), 0) << int(action);
    EXPECT_EQ(Work(), before) << int(action) << ": the whole work buffer as it was";
    EXPECT_EQ(DmMergeInput(ctx_, copy_before.data(), copy_before.size(), DM_IN_BUFFER | DM_OUT_BUFFER), 0);
    EXPECT_EQ(Work(), before) << int(action);
    EXPECT_EQ(OptGetValueById(ctx_, kFuncSort), 1);
  }
}

// A printer whose device answers: the defaults with what the device said.
TEST_F(ExchangeActions, DeviceQueryResultReplacesTheInput) {
  PathCreateDataDir();
  HANDLE device = AddPrinter(u"Device", u"VELM Driver", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI);
  ASSERT_TRUE(plat::EnsureWindowsDir(bidi_device::kFolder));
  Put(bidi_device::FileName(u"Device"), "model VELM Driver\ntray 3 23 1 0\n");
  // The installation's model list names the device's model for the driver.
  Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", "[Models]\r\nVELM Driver=VELM Driver\r\n");
  CtxCloseAs(ctx_, kCloseDestroy);
  ctx_ = OpenKind(0, device);
  ASSERT_NE(ctx_, nullptr);
  ASSERT_EQ(BidiQuerySilent(ctx_), 1) << "the stand-in device answers";
  for (uint8_t action : {kExchangeActionQuery, kExchangeActionQuery2}) {
    Bytes copy = Input(action);
    OptSetValueById(ctx_, kFuncSort, 1);
    ASSERT_EQ(DmApplyExchangeRequest(ctx_, copy.data()), 1) << int(action);
    EXPECT_EQ(copy, Bytes(ctx_->devmode, ctx_->devmode + dm::kTotalSize))
        << int(action) << ": the input is the defaults with what the device answered";
    EXPECT_EQ(OptGetValueById(ctx_, kFuncSort), sortDefault_);
    EXPECT_TRUE(ctx_->work->mergeMode & kMergeRequestApplied);
  }
}

// ---- the capability block -----------------------------------------------------------------

TEST(ExchangeCaps, EncodingTable) {
  const int32_t sort14[] = {1, 4}, papers[] = {9, 1};
  DmExchangeOffer example;
  example.duplexUnit = 1;
  example.sortTypes = sort14;
  example.outputPapers = papers;

  const int32_t all_sort[] = {1, 4, 6, 2}, punch[] = {1, 2, 3, 4};
  const int32_t staple[] = {34, 33, 18, 17, 2, 1, 65, 67, 66, 50, 49, 3};
  const uint16_t trays[] = {0, 2, 13, 4, 15, 16, 17, 18, 19, 20, 21, 22, 23, 14};
  const uint16_t finisher_trays[] = {5, 31, 6, 99};
  const int32_t resolutions[] = {400, 400, 600, 1200, 1200, 1200, 300, 300};
  const int32_t all_papers[] = {8, 9, 11, 70, 12, 13, 88, 1, 5, 43, 6, 3, 267, 268, 66, 269, 7};
  DmExchangeOffer full;
  full.sortTypes = all_sort;
  full.punchTypes = punch;
  full.stapleTypes = staple;
  full.outputTrays = trays;
  full.resolutions = resolutions;
  full.outputPapers = all_papers;
  DmExchangeOffer fin;
  fin.outputTrays = finisher_trays;

  struct Case {
    const char* name;
    const DmExchangeOffer* offer;
    Values bytes;  // every other byte: 0 or a constant
  } cases[] = {
      {"nothing offered", nullptr, {}},
      {"duplex unit, sort 1 and 4, papers A4 and Letter", &example, {{1, 7}, {2, 0x03}, {13, 0x82}}},
      {"every listed value",
       &full,
       {{2, 0x07}, {4, 0x07}, {5, 0xFF}, {6, 0x07}, {7, 0xFF}, {8, 0x9F}, {10, 0x05}, {13, 0xFF}, {14, 0x7F}, {15, 0x02}}},
      {"finisher trays by column", &fin, {{8, 0x60}}},
  };
  for (const Case& c : cases) {
    DmExchangeOffer none;
    uint8_t block[kExchangeBlockSize];
    std::memset(block, 0xEE, sizeof block);
    DmEncodeExchangeCaps(c.offer ? *c.offer : none, block);
    uint8_t want[kExchangeBlockSize] = {};
    want[3] = 3, want[7] = 0x02, want[11] = 1, want[12] = 63, want[17] = 1;
    for (const auto& [at, v] : c.bytes) want[at] = uint8_t(v);
    for (uint32_t i = 0; i < kExchangeBlockSize; ++i) EXPECT_EQ(int(block[i]), int(want[i])) << c.name << " byte " << i;
  }
}

TEST(ExchangeCaps, BuildFromTheSelectableLists) {
  MergeContext m;
  // Duplex unit, hard disk and the finisher: sort types 1 and 4.
  m.Install({{kDuplexUnit, 1}, {merge_test::kOptionHardDisk, 1}, {kFin3000, 1}});
  int32_t sort[8] = {}, count = 0;
  ASSERT_EQ(OptListSelectable(m.ctx, kSortType, 8, sort, &count), kSelectableDone);
  Bytes block = Request({{2, 2}});
  std::memcpy(m.ctx->devmode + kExchangeRequestOffset, block.data(), block.size());
  ASSERT_EQ(DmBuildExchangeCaps(m.ctx), 1);
  const uint8_t* caps = m.ctx->devmode + kExchangeCapsOffset;
  EXPECT_EQ(caps[1], 7);
  EXPECT_EQ(caps[2], 0x03) << "sort types 1 and 4 of " << count;
  EXPECT_EQ(caps[3], 3);
  EXPECT_EQ(caps[7], 0x02) << "the fixture has no output trays";
  EXPECT_EQ(caps[10], 0x02) << "600 x 600 of the fixture's resolutions";
  EXPECT_EQ(Bytes(m.ctx->devmode + kExchangeRequestOffset, m.ctx->devmode + kExchangeCapsOffset),
            Bytes(kExchangeBlockSize, 0))
      << "the request block is cleared";

  m.Install({{kDuplexUnit, 0}, {merge_test::kOptionHardDisk, 0}, {kFin3000, 0}});
  ASSERT_EQ(DmBuildExchangeCaps(m.ctx), 1);
  EXPECT_EQ(caps[1], 0);
  EXPECT_EQ(caps[2], 0);
}

TEST(ExchangeCaps, OutOfMemoryWritesNothing) {
  MergeContext m;
  m.Install({{kDuplexUnit, 1}, {merge_test::kOptionHardDisk, 1}, {kFin3000, 1}});
  Bytes block = Request({{2, 2}});
  std::memcpy(m.ctx->devmode + kExchangeRequestOffset, block.data(), block.size());
  const Bytes before(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize);
  int32_t failed = 0;
  for (int n = 1; n < 64; ++n) {
    plat::FailNth("GlobalAlloc", n);
    const int32_t ok = DmBuildExchangeCaps(m.ctx);
    plat::ClearFaults();
    if (ok) break;
    ++failed;
    EXPECT_EQ(Bytes(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize), before) << "allocation " << n;
  }
  EXPECT_GE(failed, 4) << "each selectable list and the trays and resolutions allocate";
  EXPECT_NE(Bytes(m.ctx->devmode, m.ctx->devmode + dm::kWorkBufferSize), before) << "written once memory is there";
}

// Output trays of a model, one hidden while stapling.
const char* const kTrayModel = R"(*FileVersion: 3.62
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_PRESET_CHOICE_OUTPUT: PickOne
*VPD_IDC_PRESET_CHOICE_OUTPUT IDS_OUTPUT_DEFAULT: "AUTO"
*VPD_IDC_PRESET_CHOICE_OUTPUT IDS_OUTPUT_STANDARD: "UPPER"
*VPD_IDC_PRESET_CHOICE_OUTPUT IDS_OUTPUT_FINISHERUPPERSHIFT: "FIN1"
*VPD_IDC_PRESET_CHOICE_OUTPUT IDS_OUTPUT_FINISHERSHIFT: "FIN2"
*VPD_IDC_PRESET_CHOICE_OUTPUT IDS_OUTPUT_PRINTPOST1: "POST1"
*CloseUI: *VPD_IDC_PRESET_CHOICE_OUTPUT
*Judge 1=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Item 1=Outputs: { IDS_OUTPUT_PRINTPOST1 StapleOn NULL }
*Exclusive: {
  VPD_IDC_PRESET_CHOICE_OUTPUT NULL NULL Outputs NULL NULL NULL
}
)";

TEST(ExchangeCaps, OutputTraysLessHidden) {
  ctx_test::ModelContext m(kTrayModel);
  ASSERT_EQ(ctx_test::SettingOf("VPD_IDC_PRESET_CHOICE_OUTPUT"), kTray);
  uint16_t out[8] = {};
  ASSERT_EQ(CapsGetOutputTrays(m.ctx, out), 5);
  EXPECT_EQ(std::vector<uint16_t>(out, out + 5), (std::vector<uint16_t>{0, 2, 31, 5, 15}));
  ASSERT_EQ(DmBuildExchangeCaps(m.ctx), 1);
  const uint8_t* caps = m.ctx->devmode + kExchangeCapsOffset;
  EXPECT_EQ(caps[7], 0x01 | 0x02 | 0x10);
  EXPECT_EQ(caps[8], 0x20 | 0x40) << "5 a second, 31 a first finisher tray";

  OptSetValueById(m.ctx, kFuncStaple, 1);
  EXPECT_EQ(CapsGetOutputTrays(m.ctx, nullptr), 4);
  ASSERT_EQ(DmBuildExchangeCaps(m.ctx), 1);
  EXPECT_EQ(caps[7], 0x01 | 0x02);
  // Another type than PickOne, or no such feature: -1.
  EXPECT_EQ(CapsListPickValues(m.ctx, out, kFuncStaple), -1);
  EXPECT_EQ(CapsListPickValues(m.ctx, out, kSortType), -1);
}

}  // namespace
