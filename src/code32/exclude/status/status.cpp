// The order of a status write and read: version rules, the snapshot, the
// reload of the stored settings, the before-state, the key check, setter,
// after-write rules with the changed-items mask, verifier, then commit or
// rollback.
#include "status/status.h"

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "api/api_support.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velmpd4.h"

namespace {

constexpr uint32_t kDmPaperSizeField = 0x2, kDmPaperLengthField = 0x4, kDmPaperWidthField = 0x8;

int32_t Get(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }
DEVMODEW* Public(DriverContext* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->devmode); }

bool IsTextType(uint32_t type) {
  return type == 7 || type == 10 || type == 11 || type == 13 || type == 14 || type == 15;
}

bool IsJobText(uint32_t item) {
  return item == 215 || item == 220 || item == 221 || item == 217 || item == 219 || item == 218 || item == 875;
}

void SetMaskBit(uint8_t* mask, int32_t item) { mask[(item - 1) / 8] |= uint8_t(0x80u >> ((item - 1) % 8)); }
void ClearMaskBit(uint8_t* mask, int32_t item) { mask[(item - 1) / 8] &= uint8_t(~(0x80u >> ((item - 1) % 8))); }

// A printer opened for one operation and closed on every way out.
class PrinterScope {
 public:
  explicit PrinterScope(DriverContext* ctx) : ctx_(ctx), open_(ApiOpenPrinter(ctx) != 0) {}
  ~PrinterScope() {
    if (!open_) return;
    ApiClosePrinter(ctx_);
    ctx_->printer = nullptr;
    ctx_->queryPrinter = nullptr;
  }
  bool open() const { return open_; }

 private:
  DriverContext* ctx_;
  bool open_;
};

void TakeBeforeState(DriverContext* ctx, uint8_t* before) {
  CtxFreeSavedFontTables(ctx);
  CtxSaveDevmode(ctx);
  if (!before) return;
  std::memset(before, 0, kStatusBeforeBytes);
  for (const StatusRow& row : kStatusRows) {
    if (!row.enabled) continue;
    for (int j = 0; j < 8 && row.related[j]; ++j) {
      int32_t pair[2] = {-1, -1};
      MdfItem f = ApiFindFeatureNode(ctx, row.related[j]);
      if (f) {
        pair[0] = RuleIsItemHidden(ctx, f, 0) ? 1 : 0;
        pair[1] = RuleIsItemDisabled(ctx, f, 0) ? 1 : 0;
      }
      std::memcpy(before + size_t(row.id - 1) * 64 + size_t(j) * 8, pair, 8);
    }
  }
}

bool KeyRefused(DriverContext* ctx, const StatusRow& row, const StatusCall& call) {
  if (!row.key) return false;
  MdfItem f = ApiFindFeatureNode(ctx, row.key);
  if (!f) return false;
  const bool disabled = RuleIsItemDisabled(ctx, f, 0) != 0;
  const bool hidden = RuleIsItemHidden(ctx, f, 0) != 0;
  if (!disabled && !hidden) return false;
  // Sorting may be asked for while its switch is locked, as long as the
  // sort type itself can still be chosen.
  if (row.id == 19 && disabled && StatusReadInt(call, offsetof(VELM_STATUS_RECORD, function)) != 0) {
    MdfItem sort = ApiFindFeatureNode(ctx, 129);
    if (!sort || (!RuleIsItemDisabled(ctx, sort, 0) && !RuleIsItemHidden(ctx, sort, 0))) return false;
  }
  return true;
}

void Transact(DriverContext* ctx, uint32_t item) {
  MdfItem f = MdfFindItem(ctx, item);
  if (f) RuleApplyItemTransact(ctx, f);
}

void RunItemTransacts(DriverContext* ctx, const StatusCall& call) {
  switch (call.id) {
    case 10: {
      const int32_t method = StatusReadInt(call, offsetof(VELM_STATUS_PRINT_METHOD_RECORD, method));
      const uint32_t flags = uint32_t(StatusReadInt(call, offsetof(VELM_STATUS_PRINT_METHOD_RECORD, flags)));
      if (method >= 0 && method <= 3 && (flags & 0x1)) Transact(ctx, 215);
      if (method == 1 && (flags & 0x2)) Transact(ctx, 220);
      if (method == 3) {
        if (flags & 0x4) Transact(ctx, 221);
        if (flags & 0x8) Transact(ctx, 217);
        if (flags & 0x10) Transact(ctx, 219);
      }
      if (method == 5) Transact(ctx, 218);
      if (method == 7 && (flags & 0x40)) Transact(ctx, 875);
      break;
    }
    case 11: {
      Transact(ctx, 90);
      const int32_t type = StatusReadInt(call, 4);
      if (type == 3) Transact(ctx, 93);
      if (type == 1 || type == 3) Transact(ctx, 92);
      break;
    }
    case 14: Transact(ctx, 94); Transact(ctx, 95); break;
    case 15: Transact(ctx, 102); break;
    case 20: Transact(ctx, 136); break;
    case 21: Transact(ctx, 134); break;
    case 35: Transact(ctx, 165); Transact(ctx, 166); Transact(ctx, 167); break;
    default: break;
  }
}

bool TextChanged(DriverContext* ctx, SettingRecord* row) {
  const uint8_t* now = OptGetValueAddr(ctx, row);
  const uint8_t* was = OptGetSavedValueAddr(ctx, row);
  if (!now || !was) return now != was;
  const size_t size = DescSize(row->descriptor);
  const bool wide = IsWideType(DescType(row->descriptor));
  for (size_t i = 0; i < size; i += wide ? 2 : 1) {
    if (now[i] != was[i] || (wide && i + 1 < size && now[i + 1] != was[i + 1])) return true;
    if (now[i] == 0 && (!wide || (i + 1 < size && now[i + 1] == 0))) return false;
  }
  return false;
}

// Whether a change of the related item at slot j of status item row is
// reported under the rule flags and the hidden/disabled state.
bool Reported(DriverContext* ctx, const StatusRow& row, uint32_t item, int j, const uint8_t* before) {
  if (row.functionItem) {
    if (row.ruleFlags & 1) {
      MdfItem f = ApiFindFeatureNode(ctx, row.functionItem);
      if (f && (RuleIsItemDisabled(ctx, f, 0) || RuleIsItemHidden(ctx, f, 0))) return false;
    }
    if ((row.ruleFlags & 2) && (item == 141 || item == 137) && Get(ctx, row.functionItem) == 0) return false;
  }
  MdfItem f = ApiFindFeatureNode(ctx, item);
  if (!f || !before) return true;
  int32_t pair[2];
  std::memcpy(pair, before + size_t(row.id - 1) * 64 + size_t(j) * 8, 8);
  if (pair[0] < 0) return true;
  if (RuleIsItemHidden(ctx, f, 0)) return false;
  if (RuleIsItemDisabled(ctx, f, 0) && pair[1] == 1) return false;
  return true;
}

void FillMask(DriverContext* ctx, const StatusCall& call, uint8_t* mask, const uint8_t* before) {
  std::memset(mask, 0, kStatusMaskBytes);
  for (const StatusRow& row : kStatusRows) {
    if (!row.enabled) continue;
    if (row.id == call.id) {
      if (row.id == 14) {
        const int32_t was = OptGetSavedValueById(ctx, setting::vdmNUPType), want = StatusReadInt(call, 4);
        if ((was == 1 && want == 3) || (was == 3 && (want == 1 || want == 2))) SetMaskBit(mask, 14);
      } else if (row.id == 15) {
        const int32_t was = OptGetSavedValueById(ctx, setting::vdmDuplexType), want = StatusReadInt(call, 4);
        if ((was == 18 && want == 17) || (was == 17 && (want == 18 || want == 19)) || (was == 21 && want == 20) ||
            (was == 20 && (want == 21 || want == 22)))
          SetMaskBit(mask, 15);
      }
      continue;
    }
    const int32_t resolution_kind = row.id == 34 ? ApiResolutionKind(ctx) : 0;
    for (int j = 0; j < 8 && row.related[j]; ++j) {
      const uint32_t item = row.related[j];
      SettingRecord* setting = OptFindSetting(ctx, item);
      if (!setting) continue;
      if (row.id == 34 && (resolution_kind < 0 || (resolution_kind == 0 && item != 42) ||
                           (resolution_kind == 1 && item != 248)))
        continue;
      if (row.id == 7 && (item == 9 || item == 10)) {
        const DEVMODEW* d = Public(ctx);
        const uint32_t both = kDmPaperLengthField | kDmPaperWidthField;
        if (d->dmPaperWidth != 0 && d->dmPaperLength != 0 && (d->dmFields & both) == both &&
            OptGetSavedValue(ctx, setting) != OptGetValue(ctx, setting)) {
          SetMaskBit(mask, row.id);
          break;
        }
        continue;
      }
      if (IsTextType(DescType(setting->descriptor))) {
        if (!TextChanged(ctx, setting)) continue;
        if (IsJobText(item)) {
          SetMaskBit(mask, row.id);
          break;
        }
      } else {
        if (OptGetSavedValue(ctx, setting) == OptGetValue(ctx, setting)) continue;
        if (row.id == 11) {
          const int32_t type = Get(ctx, 90);
          if (item == 93 && type >= 0 && type <= 2) continue;
          if (item == 92 && type == 2) {
            SetMaskBit(mask, row.id);
            break;
          }
        }
      }
      if (Reported(ctx, row, item, j, before)) {
        SetMaskBit(mask, row.id);
        break;
      }
    }
  }
  // Without numeric simplex margins the binding-margin item has nothing to report.
  if (MdfGetItemType(ctx, 105) != kFeatureNumeric) ClearMaskBit(mask, 18);
}

// While the after-write rules run, the items whose save waits for the
// verifier count as not stored, so that the merge's reload of the stored
// settings keeps what the setter put in (the action items share one stored
// word: a waiting action keeps them all).
class PendingSaves {
 public:
  PendingSaves(DriverContext* ctx, const std::vector<uint32_t>& items) {
    for (uint32_t id : items) {
      const bool action = id >= kActionFirst && id <= kActionLast;
      for (uint32_t each = action ? kActionFirst : id; each <= (action ? kActionLast : id); ++each) Lend(ctx, each);
    }
  }
  ~PendingSaves() {
    for (auto& [row, kind] : lent_) row->storeKind = kind;
  }
  PendingSaves(const PendingSaves&) = delete;
  PendingSaves& operator=(const PendingSaves&) = delete;

 private:
  static constexpr uint32_t kActionFirst = 224, kActionLast = 239;
  void Lend(DriverContext* ctx, uint32_t id) {
    SettingRecord* row = OptFindSetting(ctx, id);
    if (!row || row->storeKind == kStoreNone) return;
    for (const auto& l : lent_)
      if (l.first == row) return;
    lent_.emplace_back(row, row->storeKind);
    row->storeKind = kStoreNone;
  }
  std::vector<std::pair<SettingRecord*, int16_t>> lent_;
};

void ComputeChangedMask(DriverContext* ctx, const StatusRow& row, const StatusCall& call, uint8_t* mask,
                        const uint8_t* before) {
  if (!ctx->work || !ctx->work->savedDevmode) {
    if (mask) std::memset(mask, 0, kStatusMaskBytes);
    return;
  }
  if (row.key) Transact(ctx, row.key);
  RunItemTransacts(ctx, call);
  DEVMODEW* d = Public(ctx);
  const int16_t width = d->dmPaperWidth, length = d->dmPaperLength;
  DmPrivateToPublic(ctx->devmode, ctx, 3);
  if (call.id == 7 && StatusReadInt(call, 4) == 256) {
    ApiSetCustomPaperFromRecord(ctx, call.record);
  } else if (Get(ctx, 8) == 256) {
    d->dmPaperWidth = width;
    d->dmPaperLength = length;
    d->dmFields = (d->dmFields | kDmPaperLengthField | kDmPaperWidthField) & ~kDmPaperSizeField;
  }
  if (call.id == 35) OptSetValueById(ctx, setting::vdmUseUserMacro, 1);
  ApiFixFinishingAfterMerge(ctx);
  if (mask) FillMask(ctx, call, mask, before);
}

}  // namespace

const StatusRow* StatusFindRow(int32_t id) {
  if (id < kStatusFirst || id > kStatusLast) return nullptr;
  const StatusRow* row = &kStatusRows[id - 1];
  return row->id == id ? row : nullptr;
}

size_t StatusRecordBytes(int32_t id, int32_t version) {
  switch (id) {
    case 1: return sizeof(VELM_STATUS_PRESET_RECORD);
    case 10:
    case 26: return sizeof(VELM_STATUS_PRINT_METHOD_RECORD);
    case 16: return version >= 2 ? sizeof(VELM_STATUS_WATERMARK_RECORD) : VELM_STATUS_WATERMARK_V1_SIZE;
    default: return sizeof(VELM_STATUS_RECORD);
  }
}

bool StatusReadText(const StatusCall& call, size_t offset, size_t size, char* out) {
  if (offset + size > call.recordBytes) return false;
  const void* end = std::memchr(call.record + offset, 0, size);
  if (!end) return false;
  const size_t length = size_t(static_cast<const uint8_t*>(end) - (call.record + offset));
  std::memcpy(out, call.record + offset, length + 1);
  return true;
}

int32_t StatusReadInt(const StatusCall& call, size_t offset) {
  int32_t value = 0;
  if (offset + 4 <= call.recordBytes) std::memcpy(&value, call.record + offset, 4);
  return value;
}

bool StatusModelAccepts(DriverContext* ctx, uint32_t id, int32_t value) {
  const int32_t answer = DmCheckValueByModel(id, value, ctx);
  return answer != kCheckRejected && answer != kCheckNoKey && answer != kCheckNoItem;
}

void StatusRestoreWorkBuffer(DriverContext* ctx, const uint8_t* snapshot) {
  if (!ctx || !ctx->devmode || !snapshot) return;
  // The font tables are blocks the context owns through handles in these
  // slots; the handles in place now are the live ones.
  struct Kept {
    SettingRecord* row;
    uint8_t bytes[8];
  } kept[kFontTableLast - kFontTableFirst + 1] = {};
  for (uint32_t id = kFontTableFirst; id <= kFontTableLast; ++id) {
    Kept& k = kept[id - kFontTableFirst];
    k.row = OptFindSetting(ctx, id);
    const uint8_t* addr = k.row ? OptGetValueAddr(ctx, k.row) : nullptr;
    const size_t size = k.row ? DescSize(k.row->descriptor) : 0;
    if (!addr || size > sizeof k.bytes) k.row = nullptr;
    else std::memcpy(k.bytes, addr, size);
  }
  std::memcpy(ctx->devmode, snapshot, dm::kWorkBufferSize);
  for (const Kept& k : kept) {
    if (!k.row) continue;
    uint8_t* addr = OptGetValueAddr(ctx, k.row);
    if (addr) std::memcpy(addr, k.bytes, DescSize(k.row->descriptor));
  }
}

int32_t ApiSetStatusItem(DriverContext* ctx, uint8_t* before, int32_t id, const void* record, uint8_t* mask,
                         int32_t mode) {
  const StatusRow* row = StatusFindRow(id);
  if (!ctx || !ctx->devmode || !row || !row->enabled || !record || !row->setter) return -1;
  PrinterScope printer(ctx);
  if (!printer.open()) return -1;
  int32_t version;
  std::memcpy(&version, record, 4);
  const bool newer = version > row->version;
  if (newer && mode == kStatusCheckVersionMode) return row->version;

  uint8_t* snapshot = ApiSnapshotDevmode(ctx);
  if (!snapshot) return -1;
  const bool margins = (id == 14 || id == 15) && Get(ctx, 70) != 0;
  StoreLoadRegions(ctx->printer, 1, ctx);
  if (ctx->work && ctx->work->savedDevmode) TakeBeforeState(ctx, before);

  StatusCommit commit;
  StatusCall call{ctx, id, static_cast<const uint8_t*>(record), StatusRecordBytes(id, version), version, &commit};
  bool ok = !KeyRefused(ctx, *row, call) && row->setter(call) == 1;
  if (ok) {
    {
      PendingSaves pending(ctx, commit.saved);
      ComputeChangedMask(ctx, *row, call, mask, before);
    }
    ok = !row->verifier || row->verifier(call) == 1;
  }
  if (ok) {
    // A write answers done only when everything it stores was stored.
    bool stored = true;
    for (auto& action : commit.actions) stored = action() && stored;
    ok = stored;
  }
  if (ok) {
    if (margins) ApiClearMarginsIfOff(ctx);
    ApiRestoreDevmode(ctx, snapshot, 0);
    return newer ? row->version : 0;
  }
  StatusRestoreWorkBuffer(ctx, snapshot);
  ApiRestoreDevmode(ctx, snapshot, 0);
  if (mask) std::memset(mask, 0, kStatusMaskBytes);
  return -1;
}

int32_t ApiGetStatusItem(DriverContext* ctx, int32_t id, void* record, int32_t version) {
  const StatusRow* row = StatusFindRow(id);
  if (!ctx || !ctx->devmode || !row || !row->enabled || !row->getter) return -1;
  if (version > row->version) return -1;
  const int32_t served = (version <= 0 || version == row->version) ? row->version : version;
  PrinterScope printer(ctx);
  if (!printer.open()) return -1;
  auto* out = static_cast<uint8_t*>(record);
  const int32_t size = row->getter(ctx, out, served);
  if (size > 0 && out) std::memcpy(out, &served, 4);
  return size;
}
