// The computed condition items: finisher support for the output paper,
// feed direction, tray contents and the page dot limit, worked out from the
// current settings each time a rule reads one of them.
#include "velm/rule_computed.h"

#include <algorithm>
#include <initializer_list>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

// The settings the items read. Each has a slot in the work record's cache of
// row indices, so that only the first read searches the setting table.
enum Slot : int32_t {
  kOutPaper, kPaperSize, kOrientation, kSource, kPrintQuality, kCoverTray, kMarkTray,
  kStapleOn, kStapleType, kPunchOn, kPunchType, kNupOn, kNupType, kNupKind,
  kDuplexUnit, kDuplexOn, kDuplexType,
  kFin2000, kFin2000NA, kFin2000EU, kFin2000NE, kFin2000NoPunch,
  kFin3000, kFin3000NA2, kFin3000EU2, kFin3000NA3, kFin3000NoPunch,
  kFin1000, kFinBF, kFinType14, kFinType15,
  kLct1, kManual, kMulti,
  kSrcLength, kSrcWidth, kDstLength, kDstWidth, kScaleOn, kScaleType, kScaleH, kScaleV,
  kTrayFirst,  // paper, orientation, lock of each tray below
  kSlotCount = kTrayFirst + 3 * 7,
};
static_assert(kSlotCount <= int32_t(sizeof(WorkRecord::computedRows) / sizeof(int16_t)));

constexpr uint16_t kSlotIds[kTrayFirst] = {
    50, 8, 7, 13, 14, 142, 138,
    66, 136, 65, 134, 59, 95, 94,
    10014, 61, 102,
    10058, 10074, 10075, 10076, 10077,
    10050, 10078, 10079, 10080, 10081,
    10049, 10059, 10060, 10061,
    10018, 10021, 10022,
    44, 45, 51, 52, 58, 90, 92, 93,
};

// Trays by input-source code: paper, orientation and lock settings (lock 0:
// the tray has none).
struct Tray {
  int32_t source;
  uint16_t paper, orientation, lock;
};
constexpr Tray kTrays[] = {
    {1, 10175, 10143, 10239},   {3, 10176, 10144, 10240}, {2, 10177, 10145, 10241},
    {256, 10178, 10146, 10242}, {11, 10200, 10168, 10264},
    {4, 10202, 10170, 0},       // manual feeder
    {4, 10203, 10171, 10267},   // multi bypass
};
constexpr int32_t kTrayCount = int32_t(sizeof(kTrays) / sizeof(kTrays[0]));
constexpr int32_t kTrayLct = 4, kTrayManual = 5, kTrayMulti = 6;
constexpr int32_t kSourceAuto = 7, kSourceManual = 4;

int32_t Read(DriverContext* ctx, int32_t slot, uint32_t id) {
  if (!ctx || !ctx->settings || !ctx->work) return OptGetValueById(ctx, id);
  int16_t& cached = ctx->work->computedRows[slot];
  if (cached == 0) {
    SettingRecord* row = OptFindSetting(ctx, id);
    cached = row ? int16_t(row - ctx->settings->rows + 1) : int16_t(-1);
  }
  if (cached < 0 || cached > ctx->settings->count) return 0;
  return OptGetValue(ctx, &ctx->settings->rows[cached - 1]);
}

int32_t Get(DriverContext* ctx, Slot slot) { return Read(ctx, slot, kSlotIds[slot]); }
bool On(DriverContext* ctx, Slot slot) { return Get(ctx, slot) != 0; }

int32_t TrayPaper(DriverContext* ctx, int32_t t) { return Read(ctx, kTrayFirst + 3 * t, kTrays[t].paper); }
int32_t TrayOrientation(DriverContext* ctx, int32_t t) {
  return Read(ctx, kTrayFirst + 3 * t + 1, kTrays[t].orientation);
}
bool TrayLocked(DriverContext* ctx, int32_t t) {
  return kTrays[t].lock && Read(ctx, kTrayFirst + 3 * t + 2, kTrays[t].lock) != 0;
}

// The trays an input source stands for; the count.
int32_t TraysOf(DriverContext* ctx, int32_t source, int32_t out[kTrayCount]) {
  int32_t n = 0;
  if (source == kSourceAuto) {
    for (int32_t t = 0; t < kTrayCount; ++t) {
      if (t == kTrayManual) continue;
      if (t == kTrayLct && !On(ctx, kLct1)) continue;
      if (t == kTrayMulti && !On(ctx, kMulti)) continue;
      if (!TrayLocked(ctx, t)) out[n++] = t;
    }
  } else if (source == kSourceManual) {
    if (On(ctx, kManual)) out[n++] = kTrayManual;
    else if (On(ctx, kMulti)) out[n++] = kTrayMulti;
  } else {
    for (int32_t t = 0; t < kTrayManual; ++t)
      if (kTrays[t].source == source) out[n++] = t;
  }
  return n;
}

// The output paper: vdmOutPaperSize, or dmPaperSize when it says "same".
int32_t OutputPaper(DriverContext* ctx) {
  int32_t p = Get(ctx, kOutPaper);
  return p == 1024 ? Get(ctx, kPaperSize) : p;
}

bool In(int32_t v, std::initializer_list<int32_t> list) { return std::find(list.begin(), list.end(), v) != list.end(); }

// Paper lists of the finishers.
bool InA(int32_t p) { return In(p, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}); }
bool InB(int32_t p) { return In(p, {9, 11, 13, 5, 1, 6, 514, 513, 14, 7, 93}); }
bool InC(int32_t p) { return In(p, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93}); }
bool InD(int32_t p) { return In(p, {8, 9, 12, 1, 5, 3}); }
bool InE(int32_t p) { return In(p, {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7}); }
bool InF(int32_t p) { return In(p, {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7}); }
bool InG(int32_t p) { return In(p, {8, 12, 5, 3, 514, 513, 14, 517}); }

bool Fin2000Family(DriverContext* ctx) {
  return On(ctx, kFin2000) || On(ctx, kFin2000NA) || On(ctx, kFin2000EU) || On(ctx, kFin2000NE) ||
         On(ctx, kFin2000NoPunch);
}
bool GroupA(DriverContext* ctx) {
  return Fin2000Family(ctx) || On(ctx, kFin3000) || On(ctx, kFin3000NA2) || On(ctx, kFin3000EU2) ||
         On(ctx, kFin3000NA3) || On(ctx, kFin3000NoPunch);
}
// List A, with 11, and 6 too under a Fin2000-family finisher.
bool InAPlus(DriverContext* ctx, int32_t p) { return InA(p) || p == 11 || (p == 6 && Fin2000Family(ctx)); }

// The position fits the sheet as it lies: "same" when a tray holds the paper
// portrait and the page is portrait, or landscape and landscape; "cross" the
// other way round.
bool Same(int32_t bits, bool landscape) { return ((bits & 1) && !landscape) || ((bits & 2) && landscape); }
bool Cross(int32_t bits, bool landscape) { return ((bits & 1) && landscape) || ((bits & 2) && !landscape); }

int32_t Holds(DriverContext* ctx, int32_t paper, int32_t orientation) {
  return RuleTrayHoldsPaper(ctx, paper, orientation);
}

// Item 737: the paper is no B-list paper.
bool NotInB(DriverContext* ctx) { return !InB(OutputPaper(ctx)); }

// Punch position allowed by the installed group-A finisher.
bool PunchAllowed(DriverContext* ctx, int32_t u) {
  auto range = [u](int32_t lo, int32_t hi) { return u >= lo && u <= hi; };
  if (On(ctx, kFin2000) || On(ctx, kFin3000) || On(ctx, kFin3000NA2) || On(ctx, kFin3000EU2)) return range(1, 3);
  if (On(ctx, kFin2000NA)) return range(1, 3) || range(17, 19);
  if (On(ctx, kFin2000EU)) return range(1, 3) || range(33, 35);
  if (On(ctx, kFin2000NE)) return range(49, 51);
  if (On(ctx, kFin3000NA3)) return range(17, 19);
  return false;
}

bool GroupAPunch(DriverContext* ctx) {  // item 734
  if (On(ctx, kFin2000NoPunch) || On(ctx, kFin3000NoPunch) || !GroupA(ctx)) return false;
  int32_t p = OutputPaper(ctx);
  if (!InAPlus(ctx, p)) return false;
  int32_t bits = RuleTrayPaperBits(ctx, p);
  if (!bits) return false;
  int32_t u = Get(ctx, kPunchType);
  if (!PunchAllowed(ctx, u)) return false;
  bool l = RuleIsSheetLandscape(ctx) != 0;
  if (In(u, {1, 49})) return Same(bits, l);
  if (In(u, {2, 3, 50, 51})) return Cross(bits, l);
  if (In(u, {17, 33})) return ((bits & 2) && l) || ((bits & 1) && !l && NotInB(ctx));
  if (In(u, {18, 19, 34, 35})) return ((bits & 2) && !l) || ((bits & 1) && l && NotInB(ctx));
  return false;
}

bool GroupAStaple(DriverContext* ctx) {  // item 735
  int32_t p = OutputPaper(ctx);
  if (!GroupA(ctx) || !InA(p)) return false;
  int32_t bits = RuleTrayPaperBits(ctx, p);
  if (!bits) return false;
  int32_t s = Get(ctx, kStapleType);
  bool l = RuleIsSheetLandscape(ctx) != 0;
  if (In(s, {49, 50})) return true;
  if (In(s, {17, 18, 33, 65})) return Same(bits, l);
  if (In(s, {1, 2, 34, 66, 67})) return Cross(bits, l);
  return false;
}

bool Type14Staple(DriverContext* ctx) {  // item 750
  int32_t p = OutputPaper(ctx);
  int32_t s = Get(ctx, kStapleType);
  if (!On(ctx, kFinType14) || !InE(p) || !In(s, {49, 50})) return false;
  int32_t bits = RuleTrayPaperBits(ctx, p);
  if (!bits) return false;
  if (p == 13) bits &= ~1;
  bool l = RuleIsSheetLandscape(ctx) != 0;
  return s == 49 ? Same(bits, l) : Cross(bits, l);
}

bool Fin1000Staple(DriverContext* ctx) {  // item 766
  int32_t p = OutputPaper(ctx);
  int32_t s = Get(ctx, kStapleType);
  if (!On(ctx, kFin1000) || !InC(p) || !In(s, {33, 34})) return false;
  int32_t bits = RuleTrayPaperBits(ctx, p);
  if (!bits) return false;
  bool l = RuleIsSheetLandscape(ctx) != 0;
  return s == 33 ? Same(bits, l) : Cross(bits, l);
}

bool Type15Staple(DriverContext* ctx) {  // item 782
  int32_t p = OutputPaper(ctx);
  if (!On(ctx, kFinType15) || !InF(p)) return false;
  int32_t bits = RuleTrayPaperBits(ctx, p);
  if (!bits) return false;
  int32_t s = Get(ctx, kStapleType);
  bool l = RuleIsSheetLandscape(ctx) != 0;
  if (In(s, {49, 50})) return true;
  if (s == 65) return Same(bits, l);
  if (In(s, {66, 67})) return Cross(bits, l);
  return false;
}

bool FinBFPort(DriverContext* ctx) {  // item 795
  int32_t p = OutputPaper(ctx);
  return On(ctx, kFinBF) && p != 5 && InG(p) && Holds(ctx, p, 0);
}
bool FinBFLand(DriverContext* ctx) {  // item 796
  int32_t p = OutputPaper(ctx);
  return On(ctx, kFinBF) && In(p, {1, 9, 13}) && Holds(ctx, p, 1);
}
bool FinBFA4Letter(DriverContext* ctx) {  // item 797
  int32_t p = OutputPaper(ctx);
  return On(ctx, kFinBF) && In(p, {1, 5, 9}) && Holds(ctx, p, 0);
}
bool FinBFMiddle(DriverContext* ctx) {  // item 798
  int32_t p = OutputPaper(ctx);
  return On(ctx, kFinBF) && p != 5 && (p == 9 || InG(p)) && Holds(ctx, p, 0);
}

bool FinBFStaple(DriverContext* ctx) {  // item 800
  if (!On(ctx, kFinBF)) return false;
  int32_t s = Get(ctx, kStapleType);
  bool l = RuleIsSheetLandscape(ctx) != 0;
  if (In(s, {49, 50})) return FinBFPort(ctx) || FinBFLand(ctx) || FinBFA4Letter(ctx);
  if (s == 65) return (FinBFPort(ctx) && !l) || (FinBFLand(ctx) && l);
  if (In(s, {66, 67})) return (FinBFPort(ctx) && l) || (FinBFLand(ctx) && !l);
  if (s == 68) return FinBFMiddle(ctx);
  return false;
}

// Items 844 and 845: the current source (auto counted as tray 1) holds the
// paper of the tray the setting names, in that tray's orientation.
bool SamePaperAsTray(DriverContext* ctx, Slot tray_setting) {
  int32_t named = Get(ctx, tray_setting);
  if (!In(named, {1, 2, 3, 4, 11, 256})) return false;
  int32_t trays[kTrayCount];
  if (TraysOf(ctx, named, trays) == 0) return false;
  int32_t paper = TrayPaper(ctx, trays[0]), orientation = TrayOrientation(ctx, trays[0]);
  int32_t source = Get(ctx, kSource);
  if (source == kSourceAuto) source = 1;
  int32_t n = TraysOf(ctx, source, trays);
  for (int32_t i = 0; i < n; ++i)
    if (TrayPaper(ctx, trays[i]) == paper && TrayOrientation(ctx, trays[i]) == orientation) return true;
  return false;
}

// A feed direction for a position that needs the sheet one way round:
// portrait for a portrait page, landscape for a landscape page, or the
// other way round.
int32_t Along(bool landscape) { return landscape ? 2 : 1; }
int32_t Across(bool landscape) { return landscape ? 1 : 2; }

}  // namespace

int32_t RuleIsSheetLandscape(DriverContext* ctx) {
  int32_t nup = Get(ctx, kNupType);
  if (On(ctx, kNupOn) && nup >= 1 && nup <= 18) return 0;
  if (On(ctx, kDuplexUnit) && On(ctx, kDuplexOn) && uint32_t(Get(ctx, kDuplexType)) > 16) return 0;
  return Get(ctx, kOrientation) != 1 ? 1 : 0;
}

int32_t RuleTrayHoldsPaper(DriverContext* ctx, int32_t paper, int32_t orientation) {
  int32_t trays[kTrayCount];
  int32_t n = TraysOf(ctx, Get(ctx, kSource), trays);
  for (int32_t i = 0; i < n; ++i)
    if (TrayPaper(ctx, trays[i]) == paper && TrayOrientation(ctx, trays[i]) == orientation) return 1;
  return 0;
}

int32_t RuleTrayHasPaper(DriverContext* ctx, int32_t source, int32_t paper) {
  int32_t trays[kTrayCount];
  int32_t n = TraysOf(ctx, source, trays);
  for (int32_t i = 0; i < n; ++i)
    if (TrayPaper(ctx, trays[i]) == paper) return 1;
  return 0;
}

int32_t RuleTrayPaperBits(DriverContext* ctx, int32_t paper) {
  int32_t trays[kTrayCount];
  int32_t n = TraysOf(ctx, Get(ctx, kSource), trays);
  int32_t bits = 0;
  for (int32_t i = 0; i < n; ++i)
    if (TrayPaper(ctx, trays[i]) == paper) bits |= TrayOrientation(ctx, trays[i]) == 0 ? 1 : 2;
  return bits;
}

int32_t RuleGetFeedDirection(DriverContext* ctx) {
  int32_t p = OutputPaper(ctx);
  int32_t s = Get(ctx, kStapleType);
  bool staple = On(ctx, kStapleOn);
  bool l = RuleIsSheetLandscape(ctx) != 0;
  if (GroupA(ctx)) {
    if (!InAPlus(ctx, p)) return 0;
    if (!On(ctx, kFin2000NoPunch) && !On(ctx, kFin3000NoPunch) && On(ctx, kPunchOn)) {
      int32_t u = Get(ctx, kPunchType);
      if (In(u, {1, 17, 33, 49})) return Along(l);
      if (In(u, {2, 3, 18, 19, 34, 35, 50, 51})) return Across(l);
    }
    if (!staple) return 3;
    if (In(s, {33, 65})) return Along(l);
    if (In(s, {34, 66, 67})) return Across(l);
    return In(s, {49, 50}) ? 3 : 0;
  }
  if (On(ctx, kFin1000)) {
    if (!InC(p)) return 0;
    if (!staple) return 3;
    return s == 33 ? Along(l) : s == 34 ? Across(l) : 0;
  }
  if (On(ctx, kFinBF)) {
    if (!InD(p)) return 0;
    if (!staple || In(s, {33, 34, 49, 50})) return 3;
    if (s == 65) return Along(l);
    if (In(s, {66, 67})) return Across(l);
    return s == 68 ? 1 : 0;
  }
  if (On(ctx, kFinType14)) {
    if (!InE(p)) return 0;
    if (!staple) return 3;
    return s == 49 ? Along(l) : s == 50 ? Across(l) : 0;
  }
  if (On(ctx, kFinType15)) {
    if (!InF(p)) return 0;
    if (!staple || In(s, {49, 50})) return 3;
    if (s == 65) return Along(l);
    return In(s, {66, 67}) ? Across(l) : 0;
  }
  return 0;
}

int32_t RuleIsFinishingSide1(DriverContext* ctx) { return RuleGetFeedDirection(ctx) == 1 ? 1 : 0; }
int32_t RuleIsFinishingSide2(DriverContext* ctx) { return RuleGetFeedDirection(ctx) == 2 ? 1 : 0; }

int32_t RuleIsOutPaperInDotLimit(DriverContext* ctx) {
  return uint32_t(Get(ctx, kDstLength)) <= kPageDotLimit && uint32_t(Get(ctx, kDstWidth)) <= kPageDotLimit;
}

int32_t RuleIsScaledPaperInDotLimit(DriverContext* ctx) {
  // The factors come from DEVMODEs of outside programs: 64-bit products, so
  // that no wrap-around brings a huge page back under the limit.
  uint64_t width = uint32_t(Get(ctx, kSrcWidth));
  uint64_t length = uint32_t(Get(ctx, kSrcLength));
  int32_t scale_type = Get(ctx, kScaleType);
  int32_t nup = Get(ctx, kNupType);
  if (On(ctx, kScaleOn) && scale_type != 2) {
    uint64_t h = uint32_t(Get(ctx, kScaleH));
    uint64_t v = scale_type == 1 ? h : uint64_t(uint32_t(Get(ctx, kScaleV)));
    width = width * h / 100;
    length = length * v / 100;
  } else if (On(ctx, kNupOn) && Get(ctx, kNupKind) == 9 && nup > 0x8000) {
    if (nup == 0x8001) {
      (width < length ? width : length) *= 2;
    } else {
      uint64_t factor = uint64_t(nup - 0x8000);
      width *= factor;
      length *= factor;
    }
  }
  return width <= kPageDotLimit && length <= kPageDotLimit;
}

int32_t RuleCheckPageDotLimit(DriverContext* ctx, int32_t flag) {
  uint8_t* devmode = ctx ? ctx->devmode : nullptr;
  if (!devmode) return 0;
  constexpr uint32_t kPaperLengthAndWidth = 0x4 | 0x8;  // DM_PAPERLENGTH | DM_PAPERWIDTH
  if (flag) {
    DmResolutionToPublic(devmode, ctx);
    DmSetPaper(OptGetValueById(ctx, setting::dmPaperSize), setting::dmPaperSize, ctx, devmode);
  } else {
    DmResolutionToPrivate(devmode, ctx);
    uint32_t fields = reinterpret_cast<const DEVMODEW*>(devmode)->dmFields;
    if ((fields & kPaperLengthAndWidth) == kPaperLengthAndWidth) DmSetCustomPaper(devmode, ctx);
    else DmSetPaper(OptGetValueById(ctx, setting::dmPaperSize), setting::dmPaperSize, ctx, devmode);
  }
  DmSetOutputPaper(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx, devmode);
  if (Get(ctx, kPrintQuality) == 600) return 1;
  return RuleIsOutPaperInDotLimit(ctx) && RuleIsScaledPaperInDotLimit(ctx) ? 1 : 0;
}

int32_t RuleComputeItem(DriverContext* ctx, uint32_t id) {
  if (!ctx) return 0;
  int32_t p = OutputPaper(ctx);
  switch (id) {
    case 731: return GroupA(ctx) && InAPlus(ctx, p) && Holds(ctx, p, 0);
    case 732: return GroupA(ctx) && InAPlus(ctx, p) && !InG(p) && Holds(ctx, p, 1);
    case 733: return InA(p);
    case 734: return GroupAPunch(ctx);
    case 735: return GroupAStaple(ctx);
    case 736: return InAPlus(ctx, p);
    case 737: return !InB(p);
    case 747: return On(ctx, kFinType14) && !In(p, {7, 13, 93}) && InE(p) && Holds(ctx, p, 0);
    case 748: {
      // Family 131 is another model line's; this driver's is 134.
      bool family131 = ctx->model && ctx->model->machineId == 131;
      return On(ctx, kFinType14) && !(family131 && p == 7) && InE(p) && !InG(p) && Holds(ctx, p, 1);
    }
    case 749: return InE(p);
    case 750: return Type14Staple(ctx);
    case 763: return On(ctx, kFin1000) && InC(p) && Holds(ctx, p, 0);
    case 764: return On(ctx, kFin1000) && InC(p) && !InG(p) && Holds(ctx, p, 1);
    case 765: return InC(p);
    case 766: return Fin1000Staple(ctx);
    case 779: return On(ctx, kFinType15) && InF(p) && Holds(ctx, p, 0);
    case 780: return On(ctx, kFinType15) && InF(p) && !InG(p) && Holds(ctx, p, 1);
    case 781: return InF(p);
    case 782: return Type15Staple(ctx);
    case 795: return FinBFPort(ctx);
    case 796: return FinBFLand(ctx);
    case 797: return FinBFA4Letter(ctx);
    case 798: return FinBFMiddle(ctx);
    case 799: return InD(p) || (p == 13 && Holds(ctx, p, 1));
    case 800: return FinBFStaple(ctx);
    case 827: return RuleIsSheetLandscape(ctx);
    case 828: return RuleTrayHasPaper(ctx, 7, p);
    case 829: return RuleTrayHasPaper(ctx, 1, p);
    case 830: return RuleTrayHasPaper(ctx, 3, p);
    case 831: return RuleTrayHasPaper(ctx, 2, p);
    case 832: return RuleTrayHasPaper(ctx, 256, p);
    case 833: return RuleTrayHasPaper(ctx, 11, p);
    case 834: return RuleTrayHasPaper(ctx, 4, p);
    case 835: return RuleIsFinishingSide1(ctx);
    case 836: return RuleIsFinishingSide2(ctx);
    case 843: return RuleCheckPageDotLimit(ctx, 1);
    case 844: return SamePaperAsTray(ctx, kCoverTray);
    case 845: return SamePaperAsTray(ctx, kMarkTray);
    default: return 0;
  }
}

uint32_t RuleGetComputedItem(DriverContext* ctx, uint32_t setting_id) {
  return uint32_t(RuleComputeItem(ctx, setting_id));
}
