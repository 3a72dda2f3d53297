// The exchange blocks of the private DEVMODE: an outside program's settings
// request applied during the merge, and the capability block written with a
// document result.
#include "velm/dm_exchange.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "plat/le.h"
#include "velm/bidi.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/model_query.h"
#include "velm/rule_eval.h"
#include "velm/selectable.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

static_assert(kExchangeRequestOffset + kExchangeBlockSize == kExchangeCapsOffset);
static_assert(kExchangeCapsOffset + kExchangeBlockSize == dm::kModelTag);

namespace {

constexpr uint16_t kExchangeList[] = {714, 42, 50, 57, 58, 59, 61, 64, 65, 66,
                                      90,  92, 94, 95, 102, 129, 134, 136, 182, kExchangeListEnd};
static_assert(std::size(kExchangeList) == kExchangeListCount + 1);

constexpr DmFinisherRow kFinishers[] = {
    {10049, kNoTray, 5}, {10050, kNoTray, 7}, {10058, 31, 32}, {10059, 33, 34}, {10060, kNoTray, 36},
    {10061, 37, 38},     {10074, 31, 32},     {10075, 31, 32}, {10076, 31, 32}, {10077, 31, 32},
    {10078, 6, 7},       {10079, 6, 7},       {10080, 6, 7},   {10081, 6, 7},   {kFinisherEnd, 0, 0},
};

// Settings a request names.
constexpr uint32_t kNupKind = 94;
constexpr int32_t kLandscape = 2;

// Request block bytes.
constexpr uint32_t kAction = 0, kValid = 1, kDuplexByte = 2, kSortByte = 3, kPunchByte = 4, kStapleByte = 5,
                   kTrayByte = 6, kResolutionByte = 7, kAreaByte = 8, kScaleBytes = 10, kNupByte = 12,
                   kPaperByte = 13;
constexpr uint8_t kCodeUnchanged = 0, kCodeOff = 1;

struct Code {
  uint8_t code;
  int32_t value;
};
using Codes = std::span<const Code>;

constexpr Code kDuplexCodes[] = {{2, 1}, {3, 2}, {4, 3}};
constexpr Code kSortCodes[] = {{2, 1}, {3, 4}, {4, 6}};
constexpr Code kPunchCodes[] = {{2, 1}, {3, 2}, {4, 3}};
constexpr Code kStapleCodes[] = {{2, 34}, {3, 33}, {4, 50},  {5, 49},  {6, 50},  {7, 49},
                                 {8, 65}, {9, 67}, {10, 66}, {11, 50}, {12, 49}};
// Codes 14 and 15 name a tray of the installed finisher.
constexpr Code kTrayCodes[] = {{1, 0},   {2, 2},   {3, 13},  {4, 4},   {5, 15},  {6, 16},  {7, 17},
                               {8, 18},  {9, 19},  {10, 20}, {11, 21}, {12, 22}, {13, 23}, {16, 14},
                               {17, 1}};
constexpr uint8_t kTrayFinisherSecond = 14, kTrayFinisherFirst = 15;
constexpr Code kResolutionCodes[] = {{1, 400}, {2, 600}, {3, 1200}};
constexpr Code kAreaCodes[] = {{1, 0}, {2, 1}};
constexpr Code kPaperCodes[] = {{1, 8},   {2, 9},   {3, 11},  {4, 70},   {5, 12},   {6, 13},  {7, 88},  {8, 1},
                                {9, 5},   {10, 43}, {11, 6},  {12, 3},   {13, 267}, {14, 268}, {15, 66}, {18, 269}};

// N-up codes: {kind, type in portrait, type in landscape}.
struct NupCode {
  uint8_t code;
  int32_t kind, portrait, landscape;
};
constexpr NupCode kNupCodes[] = {{2, 1, 1, 3}, {3, 1, 2, 2}, {4, 2, 33, 33}, {5, 2, 34, 34}, {6, 2, 37, 37}, {7, 2, 38, 38}};

// Scale codes from 16385 on name the fixed steps.
constexpr uint32_t kScaleFirstStep = 16385;
constexpr int32_t kScaleSteps[] = {67, 70, 75, 80, 88, 100, 115};

const Code* Find(Codes codes, uint8_t code) {
  for (const Code& c : codes)
    if (c.code == code) return &c;
  return nullptr;
}

// Applies the requested settings to the context's working DEVMODE; the
// change mask.
class RequestApplier {
 public:
  RequestApplier(DriverContext* ctx, const uint8_t* block) : ctx_(ctx), block_(block) {}

  uint32_t Run() {
    mask_ = uint32_t(DmExchangeSet(ctx_, setting::vdmJobLinker, 0));
    Switched(kDuplexByte, setting::vdmFuncSelectDuplex, setting::vdmDuplexType, kDuplexCodes);
    Switched(kSortByte, setting::vdmFuncSelectSort, setting::vdmSortType, kSortCodes);
    // The public collate field follows the sort switch whatever was asked.
    OptSetValueById(ctx_, setting::dmCollate, OptGetValueById(ctx_, setting::vdmFuncSelectSort) != 0 ? 1 : 0);
    Switched(kPunchByte, setting::vdmFuncSelectPunch, setting::vdmPunchType, kPunchCodes);
    Switched(kStapleByte, setting::vdmFuncSelectStaple, setting::vdmStapleType, kStapleCodes);
    Tray();
    Plain(kResolutionByte, setting::vdmDstResolutionW, kResolutionCodes);
    Plain(kAreaByte, setting::vdmExtPrintArea, kAreaCodes);
    Scale();
    Nup();
    Plain(kPaperByte, setting::vdmOutPaperSize, kPaperCodes);
    return mask_;
  }

 private:
  void Set(uint32_t id, int32_t value) { mask_ |= uint32_t(DmExchangeSet(ctx_, id, value)); }

  // A function switch with its type: off, or on with the type of the code.
  void Switched(uint32_t byte, uint32_t func, uint32_t type, Codes codes) {
    const uint8_t code = block_[byte];
    if (code == kCodeUnchanged) return;
    if (code == kCodeOff) return Set(func, 0);
    const Code* c = Find(codes, code);
    if (!c) return;  // unlisted: as unchanged
    Set(func, 1);
    Set(type, c->value);
  }

  void Plain(uint32_t byte, uint32_t id, Codes codes) {
    if (const Code* c = Find(codes, block_[byte])) Set(id, c->value);
  }

  void Tray() {
    const uint8_t code = block_[kTrayByte];
    if (code == kTrayFinisherSecond || code == kTrayFinisherFirst) {
      const DmFinisherRow* row = DmFindInstalledFinisher(ctx_);
      const uint16_t tray = code == kTrayFinisherSecond ? row->secondTray : row->firstTray;
      // A finisher without that tray: nothing to ask for.
      if (tray != kNoTray) Set(setting::vdmOutputTrayID, tray);
      return;
    }
    Plain(kTrayByte, setting::vdmOutputTrayID, kTrayCodes);
  }

  void Scale() {
    const uint32_t code = plat::Get16(block_ + kScaleBytes);
    if (code == 0) return;
    int32_t percent = int32_t(code);
    if (code >= kScaleFirstStep && code < kScaleFirstStep + std::size(kScaleSteps))
      percent = kScaleSteps[code - kScaleFirstStep];
    Set(setting::vdmFuncSelectScale, 1);
    Set(setting::vdmScaleType, 1);
    Set(setting::vdmScaleH, percent);  // the vertical scale follows
  }

  void Nup() {
    const uint8_t code = block_[kNupByte];
    if (code == kCodeUnchanged) return;
    if (code == kCodeOff) return Set(setting::vdmFuncSelectNup, 0);
    for (const NupCode& n : kNupCodes) {
      if (n.code != code) continue;
      const bool landscape = OptGetValueById(ctx_, setting::dmOrientation) == kLandscape;
      Set(setting::vdmFuncSelectNup, 1);
      Set(kNupKind, n.kind);
      Set(setting::vdmNUPType, landscape ? n.landscape : n.portrait);
      return;
    }
  }

  DriverContext* ctx_;
  const uint8_t* block_;
  uint32_t mask_ = 0;
};

// Holds a copy of bytes to put back; empty when out of memory.
class Kept {
 public:
  Kept(const uint8_t* from, size_t n) : n_(n), bytes_(static_cast<uint8_t*>(MemAllocZeroed(n))) {
    if (bytes_) std::memcpy(bytes_, from, n);
  }
  ~Kept() { MemFree(bytes_); }
  Kept(const Kept&) = delete;
  Kept& operator=(const Kept&) = delete;
  explicit operator bool() const { return bytes_ != nullptr; }
  void RestoreTo(uint8_t* to) const { std::memcpy(to, bytes_, n_); }

 private:
  size_t n_;
  uint8_t* bytes_;
};

// Defaults, and for the query actions the printer-wide items and the device
// query. On a failed query the whole work buffer is put back, so that the
// merge fails with the working DEVMODE as it was.
int32_t ResetRequest(DriverContext* ctx, uint8_t* copy, uint8_t action) {
  const uint32_t total = DmGetTotalSize();
  if (action == kExchangeActionDefaults) {
    DmSetDefaults(ctx);
    std::memcpy(copy, ctx->devmode, total);
    return 1;
  }
  Kept before(ctx->devmode, dm::kWorkBufferSize);
  if (!before) return 0;
  DmSetDefaults(ctx);
  StoreLoadRegions(ctx->printer, 2, ctx);
  DmCopyDeviceConfig(ctx);
  std::memcpy(copy, ctx->devmode, total);
  if (!BidiQuerySilent(ctx)) {
    before.RestoreTo(ctx->devmode);
    return 0;
  }
  std::memcpy(copy, ctx->devmode, total);
  return 1;
}

}  // namespace

const uint16_t* DmGetExchangeList() { return kExchangeList; }
const DmFinisherRow* DmGetFinisherTable() { return kFinishers; }

int32_t DmExchangeSet(DriverContext* ctx, uint32_t id, int32_t value) {
  for (int32_t k = 0; k < kExchangeListCount; ++k) {
    if (kExchangeList[k] != id) continue;
    OptSetValueById(ctx, id, value);
    return int32_t(1u << k);
  }
  return 0;
}

void DmExchangeApplyTransacts(DriverContext* ctx, uint32_t mask) {
  if (!ctx) return;
  for (int32_t k = 0; k < kExchangeListCount; ++k) {
    if (!(mask & (1u << k))) continue;
    if (MdfItem item = MdfFindItem(ctx, kExchangeList[k])) RuleApplyItemTransact(ctx, item);
  }
}

const DmFinisherRow* DmFindInstalledFinisher(DriverContext* ctx) {
  const DmFinisherRow* row = kFinishers;
  for (; row->settingId != kFinisherEnd; ++row)
    if (ctx && OptGetValueById(ctx, row->settingId) != 0) break;
  return row;
}

int32_t DmIsFinisherTrayCode(int32_t code, int32_t selector) {
  if (code == kNoTray) return 0;
  for (const DmFinisherRow* row = kFinishers; row->settingId != kFinisherEnd; ++row) {
    const uint16_t tray = selector == kFinisherSecondTray ? row->secondTray : row->firstTray;
    if (tray == code) return 1;
  }
  return 0;
}

int32_t DmApplyExchangeRequest(DriverContext* ctx, uint8_t* devmode) {
  if (!ctx || !devmode || !ctx->devmode || !ctx->work || ctx == CtxGetTemplate()) return 0;
  uint8_t block[kExchangeBlockSize];
  std::memcpy(block, devmode + kExchangeRequestOffset, sizeof block);
  if (block[kValid] != kExchangeBlockValid) return 1;
  // From here on a scale out of range is clamped rather than reset.
  ctx->work->mergeMode |= kMergeRequestApplied;

  const uint8_t action = block[kAction];
  if (action == kExchangeActionDefaults || action == kExchangeActionQuery || action == kExchangeActionQuery2)
    return ResetRequest(ctx, devmode, action);

  // The request is applied to the input in the working DEVMODE's place; the
  // options block and the work items stay the working buffer's.
  const uint32_t total = DmGetTotalSize();
  Kept working(ctx->devmode, total);
  if (!working) return 0;
  std::memcpy(ctx->devmode, devmode, total);
  const uint32_t mask = RequestApplier(ctx, block).Run();
  DmExchangeApplyTransacts(ctx, mask);
  DmResolutionToPublic(ctx->devmode, ctx);
  DmDuplexToPublic(ctx->devmode, ctx);
  std::memcpy(devmode, ctx->devmode, total);
  working.RestoreTo(ctx->devmode);
  return 1;
}

// ---- capabilities -------------------------------------------------------------------------

namespace {

// One value's bit in the capability block.
struct CapsBit {
  int32_t value;
  uint8_t byte;
  uint8_t bit;
};

constexpr CapsBit kSortBits[] = {{1, 2, 0x01}, {4, 2, 0x02}, {6, 2, 0x04}};
constexpr CapsBit kPunchBits[] = {{1, 4, 0x01}, {2, 4, 0x02}, {3, 4, 0x04}};
constexpr CapsBit kStapleBits[] = {{34, 5, 0x01}, {33, 5, 0x02}, {18, 5, 0x04}, {17, 5, 0x08}, {2, 5, 0x10},
                                   {1, 5, 0x20},  {65, 5, 0x40}, {67, 5, 0x80}, {66, 6, 0x01}, {50, 6, 0x02},
                                   {49, 6, 0x04}};
constexpr CapsBit kTrayBits[] = {{0, 7, 0x01},  {2, 7, 0x02},  {13, 7, 0x04}, {4, 7, 0x08},  {15, 7, 0x10},
                                 {16, 7, 0x20}, {17, 7, 0x40}, {18, 7, 0x80}, {19, 8, 0x01}, {20, 8, 0x02},
                                 {21, 8, 0x04}, {22, 8, 0x08}, {23, 8, 0x10}, {14, 8, 0x80}};
constexpr uint8_t kTrayFinisherSecondBit = 0x20, kTrayFinisherFirstBit = 0x40;
constexpr CapsBit kResolutionBits[] = {{400, 10, 0x01}, {600, 10, 0x02}, {1200, 10, 0x04}};
constexpr CapsBit kPaperBits[] = {{8, 13, 0x01},   {9, 13, 0x02},   {11, 13, 0x04},  {70, 13, 0x08},
                                  {12, 13, 0x10},  {13, 13, 0x20},  {88, 13, 0x40},  {1, 13, 0x80},
                                  {5, 14, 0x01},   {43, 14, 0x02},  {6, 14, 0x04},   {3, 14, 0x08},
                                  {267, 14, 0x10}, {268, 14, 0x20}, {66, 14, 0x40},  {269, 15, 0x02}};

// Bytes that hold the same value for every device.
struct CapsConstant {
  uint8_t byte, value;
};
constexpr CapsConstant kConstants[] = {{3, 3}, {7, 0x02}, {11, 1}, {12, 63}, {17, 1}};
constexpr uint8_t kDuplexByteCaps = 1, kDuplexUnitValue = 7, kTrayByte2 = 8;

// Sets the bit of a value; false when the table has none.
bool Mark(std::span<const CapsBit> bits, int32_t value, uint8_t* block) {
  for (const CapsBit& b : bits) {
    if (b.value != value) continue;
    block[b.byte] |= b.bit;
    return true;
  }
  return false;
}

template <typename T>
void MarkAll(std::span<const CapsBit> bits, std::span<const T> values, uint8_t* block) {
  for (T v : values) Mark(bits, int32_t(v), block);
}

// An array (MemFree) that frees itself.
template <typename T>
struct Array {
  T* data = nullptr;
  int32_t count = 0;
  Array() = default;
  Array(const Array&) = delete;
  Array& operator=(const Array&) = delete;
  ~Array() { MemFree(data); }
  bool Alloc(int32_t n) {
    count = n;
    if (n <= 0) return true;
    data = static_cast<T*>(MemAllocZeroed(sizeof(T) * size_t(n)));
    return data != nullptr;
  }
  std::span<const T> Span() const { return data ? std::span<const T>(data, size_t(count)) : std::span<const T>(); }
};

// The values of a setting selectable now (the count first, then the values).
bool Selectable(DriverContext* ctx, uint32_t id, Array<int32_t>* out) {
  int32_t count = 0;
  if (OptListSelectable(ctx, id, 0, nullptr, &count) == kSelectableNoMemory) return false;
  if (count <= 0) return true;
  if (!out->Alloc(count)) return false;
  int32_t got = 0;
  if (OptListSelectable(ctx, id, count, out->data, &got) != kSelectableDone) return false;
  out->count = got < count ? got : count;
  return true;
}

}  // namespace

void DmEncodeExchangeCaps(const DmExchangeOffer& offer, uint8_t* block) {
  std::memset(block, 0, kExchangeBlockSize);
  for (const CapsConstant& c : kConstants) block[c.byte] = c.value;
  if (offer.duplexUnit) block[kDuplexByteCaps] = kDuplexUnitValue;
  MarkAll(kSortBits, offer.sortTypes, block);
  MarkAll(kPunchBits, offer.punchTypes, block);
  MarkAll(kStapleBits, offer.stapleTypes, block);
  MarkAll(kPaperBits, offer.outputPapers, block);
  for (uint16_t tray : offer.outputTrays) {
    if (Mark(kTrayBits, tray, block)) continue;
    if (DmIsFinisherTrayCode(tray, kFinisherSecondTray)) block[kTrayByte2] |= kTrayFinisherSecondBit;
    else if (DmIsFinisherTrayCode(tray, kFinisherFirstTray)) block[kTrayByte2] |= kTrayFinisherFirstBit;
  }
  // Only square resolutions count.
  for (size_t i = 0; i + 1 < offer.resolutions.size(); i += 2)
    if (offer.resolutions[i] == offer.resolutions[i + 1]) Mark(kResolutionBits, offer.resolutions[i], block);
}

int32_t DmBuildExchangeCaps(DriverContext* ctx) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return 0;
  Array<int32_t> sort, punch, staple, papers, resolutions;
  Array<uint16_t> trays;
  if (!Selectable(ctx, setting::vdmSortType, &sort) || !Selectable(ctx, setting::vdmPunchType, &punch) ||
      !Selectable(ctx, setting::vdmStapleType, &staple) || !Selectable(ctx, setting::vdmOutPaperSize, &papers))
    return 0;
  // Sized for every option of the tray feature, whatever the count call said.
  const int32_t tray_count = CapsGetOutputTrays(ctx, nullptr);
  const int32_t tray_room = std::max(tray_count, MdfCountItemOptions(ctx, setting::vdmOutputTrayID));
  if (tray_count > 0 && (!trays.Alloc(tray_room) || CapsGetOutputTrays(ctx, trays.data) != tray_count)) return 0;
  trays.count = tray_count > 0 ? tray_count : 0;
  // The resolution list has no room argument: its count call may fall back
  // to one default pair when memory runs short inside it, and the next call
  // list them all. The array is sized for the most the list can hold (one
  // pair per option of its feature, or one), and two answers that disagree
  // count as out of memory.
  const int32_t pairs = CapsGetResolutions(ctx, nullptr);
  const int32_t room = std::max({1, MdfCountItemOptions(ctx, setting::vdmDstResolutionW), MdfCountItemOptions(ctx, setting::vdmDstResolutionBoth)});
  if (pairs > 0 && (!resolutions.Alloc(room * 2) || CapsGetResolutions(ctx, resolutions.data) != pairs)) return 0;
  resolutions.count = pairs > 0 ? pairs * 2 : 0;

  DmExchangeOffer offer;
  offer.duplexUnit = CapsHasDuplexUnit(ctx);
  offer.sortTypes = sort.Span();
  offer.punchTypes = punch.Span();
  offer.stapleTypes = staple.Span();
  offer.outputPapers = papers.Span();
  offer.outputTrays = trays.Span();
  offer.resolutions = resolutions.Span();
  uint8_t block[kExchangeBlockSize];
  DmEncodeExchangeCaps(offer, block);
  std::memcpy(ctx->devmode + kExchangeCapsOffset, block, sizeof block);
  std::memset(ctx->devmode + kExchangeRequestOffset, 0, kExchangeBlockSize);
  return 1;
}
