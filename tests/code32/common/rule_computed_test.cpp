#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ctx_test_model.h"
#include "test_context.h"
#include "velm/rule_computed.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

using Settings = std::vector<std::pair<uint32_t, int32_t>>;

// Setting ids the cases name.
constexpr uint32_t kOrient = 7, kPaper = 8, kSource = 13, kQuality = 14, kOutPaper = 50;
constexpr uint32_t kSrcLen = 44, kSrcWid = 45, kDstLen = 51, kDstWid = 52;
constexpr uint32_t kScaleOn = 58, kNupOn = 59, kDuplexOn = 61, kPunchOn = 65, kStapleOn = 66;
constexpr uint32_t kScaleType = 90, kScaleH = 92, kScaleV = 93, kNupKind = 94, kNupType = 95, kDuplexType = 102;
constexpr uint32_t kPunch = 134, kStaple = 136, kMarkTray = 138, kCoverTray = 142;
constexpr uint32_t kDuplexUnit = 10014, kLct = 10018, kManual = 10021, kMulti = 10022;
constexpr uint32_t kFin2000 = 10058, kFin2000NA = 10074, kFin2000NE = 10076, kFin2000NoPunch = 10077;
constexpr uint32_t kFin3000 = 10050, kFin1000 = 10049, kFinBF = 10059, kType14 = 10060, kType15 = 10061;
constexpr uint32_t kTray1Paper = 10175, kTray2Paper = 10176, kTray4Paper = 10178, kLctPaper = 10200;
constexpr uint32_t kManualPaper = 10202, kMultiPaper = 10203;
constexpr uint32_t kTray1Orient = 10143, kTray2Orient = 10144, kMultiOrient = 10171;
constexpr uint32_t kTray1Lock = 10239;

// A bare context with portrait orientation, source tray 1, output paper P
// and the given settings.
struct Case {
  explicit Case(const Settings& s, int32_t paper) {
    Set(kOrient, 1);
    Set(kSource, 1);
    Set(kOutPaper, paper);
    for (const auto& [id, v] : s) Set(id, v);
  }
  void Set(uint32_t id, int32_t v) { EXPECT_NE(OptSetValueById(b.ctx, id, v), 0) << "setting " << id; }
  BareContext b;
};

// Tray 1 holds the paper in orientation o.
Settings Tray1(int32_t paper, int32_t o) { return {{kTray1Paper, paper}, {kTray1Orient, o}}; }
Settings operator+(Settings a, const Settings& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ItemCase {
  const char* name;
  uint32_t item;
  int32_t paper;
  Settings settings;
  int32_t want;
};

TEST(ComputedItems, FinisherFamiliesAndPaperLists) {
  const Settings land = {{kOrient, 2}};
  const ItemCase cases[] = {
      // group A: Fin2000 and Fin3000 families
      {"731 A4 held portrait under Fin2000", 731, 9, Settings{{kFin2000, 1}} + Tray1(9, 0), 1},
      {"731 without a finisher", 731, 9, Tray1(9, 0), 0},
      {"731 A5 is in the extended list", 731, 11, Settings{{kFin3000, 1}} + Tray1(11, 0), 1},
      {"731 held landscape only", 731, 9, Settings{{kFin2000, 1}} + Tray1(9, 1), 0},
      {"732 A4 held landscape", 732, 9, Settings{{kFin3000, 1}} + Tray1(9, 1), 1},
      {"732 A3 is in list G", 732, 8, Settings{{kFin3000, 1}} + Tray1(8, 1), 0},
      {"733 A4 in list A", 733, 9, {}, 1},
      {"733 A5 is only in the extended list", 733, 11, {}, 0},
      {"736 A5 in the extended list", 736, 11, {}, 1},
      {"736 half letter without Fin2000", 736, 6, {{kFin3000, 1}}, 0},
      {"736 half letter with Fin2000", 736, 6, {{kFin2000, 1}}, 1},
      {"737 A3 not in list B", 737, 8, {}, 1},
      {"737 A4 in list B", 737, 9, {}, 0},
      // punch rule (734)
      {"734 top punch portrait", 734, 9, Settings{{kFin2000, 1}, {kPunch, 1}} + Tray1(9, 0), 1},
      {"734 right punch needs the other feed", 734, 9, Settings{{kFin2000, 1}, {kPunch, 2}} + Tray1(9, 0), 0},
      {"734 right punch landscape", 734, 9, Settings{{kFin2000, 1}, {kPunch, 2}} + Tray1(9, 0) + land, 1},
      {"734 no-punch model", 734, 9, Settings{{kFin2000, 1}, {kFin2000NoPunch, 1}, {kPunch, 1}} + Tray1(9, 0), 0},
      {"734 NE takes only 49-51", 734, 9, Settings{{kFin2000NE, 1}, {kPunch, 1}} + Tray1(9, 0), 0},
      {"734 NE position 49", 734, 9, Settings{{kFin2000NE, 1}, {kPunch, 49}} + Tray1(9, 0), 1},
      {"734 NA 17 on a paper outside B", 734, 8, Settings{{kFin2000NA, 1}, {kPunch, 17}} + Tray1(8, 0), 1},
      {"734 NA 17 on a B paper", 734, 9, Settings{{kFin2000NA, 1}, {kPunch, 17}} + Tray1(9, 0), 0},
      {"734 no tray holds the paper", 734, 9, Settings{{kFin2000, 1}, {kPunch, 1}} + Tray1(8, 0), 0},
      // staple rule (735)
      {"735 corner staple any feed", 735, 9, Settings{{kFin3000, 1}, {kStaple, 49}} + Tray1(9, 1), 1},
      {"735 top staple portrait", 735, 9, Settings{{kFin3000, 1}, {kStaple, 65}} + Tray1(9, 0), 1},
      {"735 side staple portrait", 735, 9, Settings{{kFin3000, 1}, {kStaple, 66}} + Tray1(9, 0), 0},
      {"735 A5 is not in list A", 735, 11, Settings{{kFin3000, 1}, {kStaple, 49}} + Tray1(11, 0), 0},
      // type 14
      {"747 B5 left out", 747, 13, Settings{{kType14, 1}} + Tray1(13, 0), 0},
      {"747 A4 portrait", 747, 9, Settings{{kType14, 1}} + Tray1(9, 0), 1},
      {"748 A4 landscape", 748, 9, Settings{{kType14, 1}} + Tray1(9, 1), 1},
      {"748 A3 in G", 748, 8, Settings{{kType14, 1}} + Tray1(8, 1), 0},
      {"749 A5 not in E", 749, 11, {}, 0},
      {"750 B5 portrait bit cleared", 750, 13, Settings{{kType14, 1}, {kStaple, 49}} + Tray1(13, 0), 0},
      {"750 B5 landscape tray landscape page", 750, 13, Settings{{kType14, 1}, {kStaple, 49}} + Tray1(13, 1) + land, 1},
      {"750 A4 right corner crossed", 750, 9, Settings{{kType14, 1}, {kStaple, 50}} + Tray1(9, 0) + land, 1},
      // Fin1000
      {"763 A4 portrait", 763, 9, Settings{{kFin1000, 1}} + Tray1(9, 0), 1},
      {"764 A3 in G", 764, 8, Settings{{kFin1000, 1}} + Tray1(8, 1), 0},
      {"765 A5 not in C", 765, 11, {}, 0},
      {"766 slant staple portrait", 766, 9, Settings{{kFin1000, 1}, {kStaple, 33}} + Tray1(9, 0), 1},
      {"766 other slant portrait", 766, 9, Settings{{kFin1000, 1}, {kStaple, 34}} + Tray1(9, 0), 0},
      {"766 corner staple not Fin1000's", 766, 9, Settings{{kFin1000, 1}, {kStaple, 49}} + Tray1(9, 0), 0},
      // type 15
      {"779 A4 portrait", 779, 9, Settings{{kType15, 1}} + Tray1(9, 0), 1},
      {"780 A4 landscape", 780, 9, Settings{{kType15, 1}} + Tray1(9, 1), 1},
      {"781 ledger in F", 781, 3, {}, 1},
      {"782 top staple portrait", 782, 9, Settings{{kType15, 1}, {kStaple, 65}} + Tray1(9, 0), 1},
      {"782 side staple portrait", 782, 9, Settings{{kType15, 1}, {kStaple, 67}} + Tray1(9, 0), 0},
      {"782 other position", 782, 9, Settings{{kType15, 1}, {kStaple, 68}} + Tray1(9, 0), 0},
      // FinBF
      {"795 legal left out", 795, 5, Settings{{kFinBF, 1}} + Tray1(5, 0), 0},
      {"795 A3 portrait", 795, 8, Settings{{kFinBF, 1}} + Tray1(8, 0), 1},
      {"796 A4 needs landscape", 796, 9, Settings{{kFinBF, 1}} + Tray1(9, 0), 0},
      {"796 A4 landscape", 796, 9, Settings{{kFinBF, 1}} + Tray1(9, 1), 1},
      {"797 legal portrait", 797, 5, Settings{{kFinBF, 1}} + Tray1(5, 0), 1},
      {"798 A4 portrait", 798, 9, Settings{{kFinBF, 1}} + Tray1(9, 0), 1},
      {"799 B5 held landscape", 799, 13, Tray1(13, 1), 1},
      {"799 B5 held portrait", 799, 13, Tray1(13, 0), 0},
      {"799 A3 in D", 799, 8, {}, 1},
      {"800 middle staple", 800, 9, Settings{{kFinBF, 1}, {kStaple, 68}} + Tray1(9, 0), 1},
      {"800 top staple landscape page", 800, 9, Settings{{kFinBF, 1}, {kStaple, 65}} + Tray1(9, 1) + land, 1},
      {"800 top staple portrait page", 800, 9, Settings{{kFinBF, 1}, {kStaple, 65}} + Tray1(9, 1), 0},
      // output paper "same as source"
      {"1024 reads dmPaperSize", 733, 1024, {{kPaper, 9}}, 1},
      {"1024 reads dmPaperSize (A5)", 733, 1024, {{kPaper, 11}}, 0},
      {"ids without a rule give 0", 738, 9, {{kFin2000, 1}}, 0},
  };
  for (const ItemCase& c : cases) {
    Case k(c.settings, c.paper);
    EXPECT_EQ(RuleComputeItem(k.b.ctx, c.item), c.want) << c.name;
  }
}

TEST(ComputedItems, TraysBySource) {
  const ItemCase cases[] = {
      {"tray 1", 829, 9, {{kTray1Paper, 9}}, 1},
      {"tray 2 is source 3", 830, 9, {{kTray2Paper, 9}}, 1},
      {"tray 4 is source 256", 832, 9, {{kTray4Paper, 9}}, 1},
      {"auto finds tray 2", 828, 9, {{kTray2Paper, 9}}, 1},
      {"auto skips a locked tray", 828, 9, {{kTray1Paper, 9}, {kTray1Lock, 1}}, 0},
      {"auto skips the LCT not installed", 828, 9, {{kLctPaper, 9}}, 0},
      {"auto takes the LCT installed", 828, 9, {{kLctPaper, 9}, {kLct, 1}}, 1},
      {"auto never takes the manual feeder", 828, 9, {{kManualPaper, 9}, {kManual, 1}}, 0},
      {"auto takes the multi bypass", 828, 9, {{kMultiPaper, 9}, {kMulti, 1}}, 1},
      {"LCT by its own source", 833, 9, {{kLctPaper, 9}}, 1},
      {"manual source without feeders", 834, 9, {{kManualPaper, 9}, {kMultiPaper, 9}}, 0},
      {"manual wins over multi", 834, 9, {{kManualPaper, 8}, {kMultiPaper, 9}, {kManual, 1}, {kMulti, 1}}, 0},
      {"multi when no manual feeder", 834, 9, {{kMultiPaper, 9}, {kMulti, 1}}, 1},
  };
  for (const ItemCase& c : cases) {
    Case k(c.settings, c.paper);
    EXPECT_EQ(RuleComputeItem(k.b.ctx, c.item), c.want) << c.name;
  }

  Case k({{kSource, 4}, {kManual, 1}, {kMulti, 1}, {kManualPaper, 9}, {kMultiPaper, 9}, {kMultiOrient, 1}}, 9);
  EXPECT_EQ(RuleTrayPaperBits(k.b.ctx, 9), 1) << "source 4 reads the manual feeder only";
  k.Set(kSource, 7);
  k.Set(kTray2Paper, 9);
  k.Set(kTray2Orient, 1);
  k.Set(kTray1Paper, 9);
  EXPECT_EQ(RuleTrayPaperBits(k.b.ctx, 9), 3) << "auto ORs its trays";
  EXPECT_EQ(RuleTrayHoldsPaper(k.b.ctx, 9, 1), 1);
  k.Set(kSource, 5);
  EXPECT_EQ(RuleTrayPaperBits(k.b.ctx, 9), 0) << "an unknown source has no tray";
}

TEST(ComputedItems, SamePaperInCoverTray) {
  const ItemCase cases[] = {
      {"cover tray 2 and tray 1 alike", 844, 9, {{kCoverTray, 3}, {kTray2Paper, 9}, {kTray1Paper, 9}}, 1},
      {"orientation differs", 844, 9, {{kCoverTray, 3}, {kTray2Paper, 9}, {kTray1Paper, 9}, {kTray1Orient, 1}}, 0},
      {"auto counts as tray 1", 844, 9, {{kSource, 7}, {kCoverTray, 3}, {kTray2Paper, 9}, {kTray1Paper, 9}}, 1},
      {"a tray code not listed", 844, 9, {{kCoverTray, 7}, {kTray1Paper, 9}}, 0},
      {"mark tray", 845, 9, {{kMarkTray, 1}, {kTray1Paper, 13}}, 1},
      {"mark tray with another source", 845, 9, {{kMarkTray, 1}, {kTray1Paper, 13}, {kSource, 3}}, 0},
  };
  for (const ItemCase& c : cases) {
    Case k(c.settings, c.paper);
    EXPECT_EQ(RuleComputeItem(k.b.ctx, c.item), c.want) << c.name;
  }
}

TEST(ComputedItems, SheetLandscape) {
  struct Row {
    const char* name;
    Settings settings;
    int32_t want;
  } rows[] = {
      {"portrait", {}, 0},
      {"landscape", {{kOrient, 2}}, 1},
      {"landscape with N-up 1", {{kOrient, 2}, {kNupOn, 1}, {kNupType, 1}}, 0},
      {"landscape with N-up 18", {{kOrient, 2}, {kNupOn, 1}, {kNupType, 18}}, 0},
      {"landscape with N-up 19", {{kOrient, 2}, {kNupOn, 1}, {kNupType, 19}}, 1},
      {"N-up type without N-up on", {{kOrient, 2}, {kNupType, 1}}, 1},
      {"duplex type 17 with the unit", {{kOrient, 2}, {kDuplexUnit, 1}, {kDuplexOn, 1}, {kDuplexType, 17}}, 0},
      {"duplex type 16", {{kOrient, 2}, {kDuplexUnit, 1}, {kDuplexOn, 1}, {kDuplexType, 16}}, 1},
      {"duplex type 17 without the unit", {{kOrient, 2}, {kDuplexOn, 1}, {kDuplexType, 17}}, 1},
  };
  for (const Row& r : rows) {
    Case k(r.settings, 9);
    EXPECT_EQ(RuleIsSheetLandscape(k.b.ctx), r.want) << r.name;
    EXPECT_EQ(RuleComputeItem(k.b.ctx, 827), r.want) << r.name;
  }
}

TEST(ComputedItems, FeedDirection) {
  const Settings land = {{kOrient, 2}};
  struct Row {
    const char* name;
    int32_t paper;
    Settings settings;
    int32_t want;
  } rows[] = {
      {"no finisher", 9, {{kStapleOn, 1}, {kStaple, 49}}, 0},
      {"group A punch 17 portrait", 9, {{kFin2000, 1}, {kPunchOn, 1}, {kPunch, 17}, {kStapleOn, 1}, {kStaple, 34}}, 1},
      {"group A punch 17 landscape", 9,
       Settings{{kFin2000, 1}, {kPunchOn, 1}, {kPunch, 17}, {kStapleOn, 1}, {kStaple, 34}} + land, 2},
      {"group A punch 2 portrait", 9, {{kFin3000, 1}, {kPunchOn, 1}, {kPunch, 2}}, 2},
      {"group A no-punch model goes to staple", 9,
       {{kFin2000, 1}, {kFin2000NoPunch, 1}, {kPunchOn, 1}, {kPunch, 2}, {kStapleOn, 1}, {kStaple, 65}}, 1},
      {"group A staple off", 9, {{kFin2000, 1}}, 3},
      {"group A corner staple", 9, {{kFin2000, 1}, {kStapleOn, 1}, {kStaple, 49}}, 3},
      {"group A side staple landscape", 9, Settings{{kFin2000, 1}, {kStapleOn, 1}, {kStaple, 66}} + land, 1},
      {"group A other staple", 9, {{kFin2000, 1}, {kStapleOn, 1}, {kStaple, 68}}, 0},
      {"group A paper outside A+", 70, {{kFin2000, 1}}, 0},
      {"group A before Fin1000", 9, {{kFin2000, 1}, {kFin1000, 1}, {kStapleOn, 1}, {kStaple, 34}}, 2},
      {"Fin1000 slant", 9, {{kFin1000, 1}, {kStapleOn, 1}, {kStaple, 33}}, 1},
      {"Fin1000 paper outside C", 11, {{kFin1000, 1}}, 0},
      {"Fin1000 before FinBF", 9, {{kFin1000, 1}, {kFinBF, 1}, {kStapleOn, 1}, {kStaple, 68}}, 0},
      {"FinBF middle", 9, {{kFinBF, 1}, {kStapleOn, 1}, {kStaple, 68}}, 1},
      {"FinBF corner", 9, {{kFinBF, 1}, {kStapleOn, 1}, {kStaple, 49}}, 3},
      {"FinBF paper outside D", 13, {{kFinBF, 1}}, 0},
      {"type 14 corner 50 portrait", 9, {{kType14, 1}, {kStapleOn, 1}, {kStaple, 50}}, 2},
      {"type 14 before type 15", 9, {{kType14, 1}, {kType15, 1}, {kStapleOn, 1}, {kStaple, 65}}, 0},
      {"type 15 top staple landscape", 9, Settings{{kType15, 1}, {kStapleOn, 1}, {kStaple, 65}} + land, 2},
      {"type 15 corner", 9, {{kType15, 1}, {kStapleOn, 1}, {kStaple, 50}}, 3},
  };
  for (const Row& r : rows) {
    Case k(r.settings, r.paper);
    int32_t d = RuleGetFeedDirection(k.b.ctx);
    EXPECT_EQ(d, r.want) << r.name;
    // Items 835 and 836 are plain truth values of direction 1 and 2.
    EXPECT_EQ(RuleComputeItem(k.b.ctx, 835), d == 1 ? 1 : 0) << r.name;
    EXPECT_EQ(RuleComputeItem(k.b.ctx, 836), d == 2 ? 1 : 0) << r.name;
    EXPECT_EQ(RuleIsFinishingSide1(k.b.ctx), d == 1 ? 1 : 0) << r.name;
  }
}

TEST(ComputedItems, DotLimitHalves) {
  struct Row {
    const char* name;
    Settings settings;
    int32_t out_ok, scaled_ok;
  } rows[] = {
      {"30708 both ways", {{kDstLen, 30708}, {kDstWid, 30708}, {kSrcLen, 30708}, {kSrcWid, 30708}}, 1, 1},
      {"output length 30709", {{kDstLen, 30709}, {kDstWid, 100}}, 0, 1},
      {"output width 30709", {{kDstLen, 100}, {kDstWid, 30709}}, 0, 1},
      {"source width 30709", {{kSrcWid, 30709}}, 1, 0},
      {"scale 200 of 15354", {{kScaleOn, 1}, {kScaleType, 1}, {kScaleH, 200}, {kSrcWid, 15354}, {kSrcLen, 15354}}, 1, 1},
      {"scale 200 of 15355", {{kScaleOn, 1}, {kScaleType, 1}, {kScaleH, 200}, {kSrcWid, 100}, {kSrcLen, 15355}}, 1, 0},
      {"scale type 0 scales the length by V",
       {{kScaleOn, 1}, {kScaleType, 0}, {kScaleH, 100}, {kScaleV, 300}, {kSrcWid, 100}, {kSrcLen, 20000}}, 1, 0},
      {"scale type 2 is no scaling", {{kScaleOn, 1}, {kScaleType, 2}, {kScaleH, 400}, {kSrcWid, 20000}}, 1, 1},
      {"N-up 0x8001 doubles the shorter side",
       {{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0x8001}, {kSrcWid, 15355}, {kSrcLen, 30000}}, 1, 0},
      {"N-up 0x8001 with a short side that fits doubled",
       {{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0x8001}, {kSrcWid, 15354}, {kSrcLen, 30708}}, 1, 1},
      {"N-up 0x8003 triples both", {{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0x8003}, {kSrcWid, 10237}}, 1, 0},
      {"N-up of another kind", {{kNupOn, 1}, {kNupKind, 1}, {kNupType, 0x8003}, {kSrcWid, 10237}}, 1, 1},
      // Products that wrap in 32 bits must still fail.
      {"huge scale does not wrap",
       {{kScaleOn, 1}, {kScaleType, 1}, {kScaleH, 65535}, {kSrcWid, 65538}, {kSrcLen, 65538}}, 1, 0},
      {"huge N-up factor does not wrap",
       {{kNupOn, 1}, {kNupKind, 9}, {kNupType, 0xFFFF}, {kSrcWid, 131076}, {kSrcLen, 131076}}, 1, 0},
      {"dots above 2^31", {{kDstLen, int32_t(0x80000000u)}}, 0, 1},
  };
  for (const Row& r : rows) {
    Case k(r.settings, 9);
    EXPECT_EQ(RuleIsOutPaperInDotLimit(k.b.ctx), r.out_ok) << r.name;
    EXPECT_EQ(RuleIsScaledPaperInDotLimit(k.b.ctx), r.scaled_ok) << r.name;
  }
}

TEST(ComputedItems, DotLimitAt600DpiLooksAtNothingElse) {
  Case k({{kQuality, 600}, {42, 600}, {kDstLen, 90000}, {kSrcWid, 90000}}, 9);
  EXPECT_EQ(RuleCheckPageDotLimit(k.b.ctx, 1), 1);
  EXPECT_EQ(RuleComputeItem(k.b.ctx, 843), 1);
  EXPECT_EQ(RuleCheckPageDotLimit(k.b.ctx, 0), 1);
}

TEST(ComputedItems, DotLimitOfAScaledPage) {
  // A4 of the reference model at 400 dpi, its geometry in dots as the paper
  // derivation gives it; scaled to 100 % it fits, to 1000 % it does not.
  const std::string model = mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf"));
  for (int32_t scale : {100, 1000}) {
    ctx_test::ModelContext m(model);
    const Settings s = {{kQuality, 400}, {42, 400}, {kOrient, 1}, {kPaper, 9}, {kOutPaper, 1024}, {kSrcLen, 4677},
                        {kSrcWid, 3307}, {kDstLen, 4677}, {kDstWid, 3307}, {kScaleOn, 1}, {kScaleType, 1},
                        {kScaleH, scale}};
    for (const auto& [id, v] : s) EXPECT_NE(OptSetValueById(m.ctx, id, v), 0) << id;
    EXPECT_EQ(RuleCheckPageDotLimit(m.ctx, 1), scale == 100 ? 1 : 0) << scale;
    EXPECT_EQ(RuleComputeItem(m.ctx, 843), scale == 100 ? 1 : 0) << scale;
  }
}

TEST(ComputedItems, EvaluatorReadsComputedItems) {
  // A rule naming item 733 sees its computed value, not the stored bit.
  Case k({}, 9);
  const JudgeCell cells[] = {{kCellSetting, 733}, {kCellConstant, 1}, {kCellOperator, kOpEqual}, {kCellOperator, kOpEnd}};
  ASSERT_EQ(RuleAllocEvalStack(k.b.ctx), 0);
  EXPECT_EQ(RuleEvalCells(k.b.ctx, cells, 4), 1u);
  k.Set(kOutPaper, 11);
  EXPECT_EQ(RuleEvalCells(k.b.ctx, cells, 4), 0u);
}

}  // namespace
