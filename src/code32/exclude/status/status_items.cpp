// The 35 status items: the table, and for each item the setter that checks
// a caller's record and stores it, the verifier that checks after the rules
// ran that the request stood, and the getter that fills a record.
#include <cstddef>
#include <cstring>

#include "api/api_support.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/profile.h"
#include "status/status.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/model_query.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velm/units.h"
#include "velmpd4.h"

namespace {

constexpr uint32_t kDmOrientation = 0x1, kDmPaperSize = 0x2, kDmPaperLength = 0x4, kDmPaperWidth = 0x8,
                   kDmCopies = 0x100, kDmDefaultSource = 0x200, kDmColor = 0x800;
constexpr uint32_t kAvailable = kApiAvailNotHidden | kApiAvailNotDisabled;

enum : uint32_t {
  kPaperSize = 8, kOutPaper = 50, kSelectScale = 58, kSelectNup = 59, kSelectDuplex = 61, kSelectWatermark = 63,
  kSelectSort = 64, kSelectPunch = 65, kSelectStaple = 66, kSelectMark = 67, kSelectCover = 68, kSelectMargin = 70,
  kScaleType = 90, kScaleH = 92, kScaleV = 93, kNupKind = 94, kNupType = 95, kDuplexType = 102,
  kSimplexBind = 103, kSimplexMargin = 104, kShiftMarginY = 105, kMarginOdd = 106, kMarginEven = 107,
  kWmId = 120, kSortType = 129, kPunchType = 134, kStapleType = 136, kMarkType = 137, kMarkTray = 138,
  kCoverType = 141, kCoverTray = 142, kUserId = 215, kOwner = 217, kMergeFile = 218, kDocument = 219,
  kJobPassword = 220, kStoredPassword = 221, kPrnMethod = 222, kResolutionW = 42, kResolutionBoth = 248,
  kJobTrail = 397, kOverlayPath = 875,
};

constexpr uint32_t kPushOwner = 2, kPushJobPassword = 4, kPushUserId = 8, kPushDocument = 16,
                   kPushStoredPassword = 128;

int32_t Get(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }
void Set(DriverContext* ctx, uint32_t id, int32_t value) { OptSetValueById(ctx, id, value); }
DEVMODEW* Public(DriverContext* ctx) { return reinterpret_cast<DEVMODEW*>(ctx->devmode); }
bool Accepts(DriverContext* ctx, uint32_t id, int32_t value) { return StatusModelAccepts(ctx, id, value); }
int32_t Int(const StatusCall& c, size_t offset) { return StatusReadInt(c, offset); }

void PutInt(uint8_t* record, size_t offset, int32_t value) { std::memcpy(record + offset, &value, 4); }
// The function switch of the plain record: 0 turns the item's function off.
constexpr size_t kFunctionAt = offsetof(VELM_STATUS_RECORD, function);

// An ANSI setting: stored cut to its size, always NUL-terminated.
void SetAnsi(DriverContext* ctx, uint32_t id, const char* text) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return;
  char buffer[1100] = {};
  const size_t size = DescSize(row->descriptor);
  if (size == 0 || size > sizeof buffer) return;
  size_t n = std::strlen(text);
  if (n > size - 1) n = size - 1;
  // Never keep the lead byte of a cut double-byte character.
  size_t i = 0;
  while (i < n) {
    const size_t step = IsDBCSLeadByte(BYTE(text[i])) ? 2 : 1;
    if (i + step > n) break;
    i += step;
  }
  std::memcpy(buffer, text, i);
  OptSetBytes(ctx, row, buffer);
}

// An ANSI setting into out (capacity bytes, NUL-terminated, cut at a
// character boundary).
void GetAnsi(DriverContext* ctx, uint32_t id, char* out, size_t capacity) {
  out[0] = 0;
  SettingRecord* row = OptFindSetting(ctx, id);
  const uint8_t* value = row ? OptGetValueAddr(ctx, row) : nullptr;
  if (!value) return;
  const size_t size = DescSize(row->descriptor);
  size_t i = 0;
  while (i < size && value[i] && i + 1 < capacity) {
    const size_t step = IsDBCSLeadByte(value[i]) ? 2 : 1;
    if (i + step >= capacity || i + step > size) break;
    i += step;
  }
  std::memcpy(out, value, i);
  out[i] = 0;
}

bool IsAlnum(const char* text) {
  for (const char* p = text; *p; ++p)
    if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'))) return false;
  return true;
}

bool IsFourDigits(const char* text) {
  if (std::strlen(text) != 4) return false;
  for (int i = 0; i < 4; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

void Push(StatusCall& c, uint32_t mask) {
  DriverContext* ctx = c.ctx;
  c.commit->Add([ctx, mask] { return ApiJobInfoWrite(ctx, mask); });
}

void SaveItem(StatusCall& c, uint32_t id) {
  DriverContext* ctx = c.ctx;
  c.commit->saved.push_back(id);
  c.commit->Add([ctx, id] {
    SettingRecord* row = OptFindSetting(ctx, id);
    return !row || StoreSaveItem(ctx->printer, ctx, row, nullptr) != 0;
  });
}

// A length in 0.1 mm as 1/1200 inch; false for a negative one.
bool ToDevice(int32_t user, int32_t* device) {
  if (user < 0) return false;
  *device = int32_t(UnitUserToDevice(kUnitMm10, uint32_t(user), 1200));
  return true;
}
int32_t ToUser(int32_t device) { return device < 0 ? 0 : int32_t(UnitDeviceToUser(kUnitMm10, uint32_t(device), 1200)); }

// The two margins of a record (offsets 8 and 12, 0.1 mm) in 1/1200 inch,
// when the model takes them for the two items.
bool ReadMargins(StatusCall& c, uint32_t first_item, uint32_t second_item, int32_t* first, int32_t* second) {
  return ToDevice(Int(c, 8), first) && ToDevice(Int(c, 12), second) && Accepts(c.ctx, first_item, *first) &&
         Accepts(c.ctx, second_item, *second);
}

// The two margins into a record in 0.1 mm, only while binding margins are on.
void PutMargins(DriverContext* ctx, uint8_t* record, uint32_t first_item, uint32_t second_item) {
  if (Get(ctx, kSelectMargin) == 0) return;
  PutInt(record, 8, ToUser(Get(ctx, first_item)));
  PutInt(record, 12, ToUser(Get(ctx, second_item)));
}

// ---- items of one value -----------------------------------------------------------------
uint32_t SimpleField(int32_t id) {
  switch (id) {
    case 2: return kDmDefaultSource;
    case 5: return kDmColor;
    case 6: return kDmOrientation;
    case 9: return kDmCopies;
    default: return 0;
  }
}

int32_t SetSimple(StatusCall& c) {
  const uint32_t key = StatusFindRow(c.id)->key;
  const int32_t value = Int(c, 4);
  if (!Accepts(c.ctx, key, value)) return 0;
  if (c.id == 29 && !RegIsJobLinkerInstalled(2, c.ctx)) return 0;
  Set(c.ctx, key, value);
  Public(c.ctx)->dmFields |= SimpleField(c.id);
  if (c.id >= 29 && c.id <= 33) {
    DriverContext* ctx = c.ctx;
    c.commit->saved.push_back(key);
    c.commit->Add([ctx, key] { return ApiSaveActionItem(ctx, key) != 0; });
  }
  return 1;
}

int32_t VerifySimple(StatusCall& c) { return Get(c.ctx, StatusFindRow(c.id)->key) == Int(c, 4) ? 1 : 0; }

int32_t GetSimple(DriverContext* ctx, uint8_t* record, int32_t id) {
  if (record) PutInt(record, 4, Get(ctx, StatusFindRow(id)->key));
  return 32;
}

// ---- item 7: paper size ------------------------------------------------------------------
int32_t SetPaper(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t paper = Int(c, 4);
  if (!Accepts(ctx, kPaperSize, paper)) return 0;
  DEVMODEW* d = Public(ctx);
  if (paper == 256) {
    const int32_t width = Int(c, 8), length = Int(c, 12);
    const int32_t smallest = CapsGetExtent(ctx, nullptr, kCapsMinExtent);
    const int32_t largest = CapsGetExtent(ctx, nullptr, kCapsMinExtent + 1);
    if (width < (smallest & 0xFFFF) || width > (largest & 0xFFFF)) return 0;
    if (length < int32_t(uint32_t(smallest) >> 16) || length > int32_t(uint32_t(largest) >> 16)) return 0;
    Set(ctx, kPaperSize, paper);
    d->dmPaperWidth = SHORT(width);
    d->dmPaperLength = SHORT(length);
    d->dmFields = (d->dmFields | kDmPaperWidth | kDmPaperLength) & ~kDmPaperSize;
  } else {
    Set(ctx, kPaperSize, paper);
    d->dmFields = (d->dmFields | kDmPaperSize) & ~(kDmPaperWidth | kDmPaperLength);
  }
  ApiRederivePaper(ctx);
  return 1;
}

int32_t VerifyPaper(StatusCall& c) {
  const int32_t paper = Int(c, 4);
  if (Get(c.ctx, kPaperSize) != paper) return 0;
  if (paper != 256) return 1;
  const DEVMODEW* d = Public(c.ctx);
  return d->dmPaperWidth == Int(c, 8) && d->dmPaperLength == Int(c, 12) ? 1 : 0;
}

int32_t GetPaper(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 32;
  PutInt(record, 4, Get(ctx, kPaperSize));
  PutInt(record, 8, Public(ctx)->dmPaperWidth);
  PutInt(record, 12, Public(ctx)->dmPaperLength);
  return 32;
}

// ---- item 8: output paper size ------------------------------------------------------------
int32_t SetOutPaper(StatusCall& c) {
  const int32_t paper = Int(c, 4);
  if (!Accepts(c.ctx, kOutPaper, paper)) return 0;
  if (paper != 1024 && OptValidateValueEx(OptFindSetting(c.ctx, kOutPaper), kOutPaper, paper, c.ctx) != 1) return 0;
  Set(c.ctx, kOutPaper, paper);
  ApiRederivePaper(c.ctx);
  return 1;
}

// ---- items with a function switch ------------------------------------------------------------
uint32_t FunctionOf(int32_t id) { return StatusFindRow(id)->functionItem; }

// A function switch of 0 only turns the item's function off.
bool SwitchedOff(StatusCall& c) {
  if (Int(c, kFunctionAt) != 0) return false;
  Set(c.ctx, FunctionOf(c.id), 0);
  return true;
}

// Items whose record holds the values of one or two settings at offsets 4
// and 8 and the function switch at offset 28.
struct Switched {
  int32_t id;
  uint32_t first, second;  // second 0: none
};
constexpr Switched kSwitched[] = {{12, kCoverType, kCoverTray}, {13, kMarkType, kMarkTray}, {14, kNupType, 0},
                                  {19, kSortType, 0},           {20, kStapleType, 0},       {21, kPunchType, 0}};

const Switched& SwitchedOf(int32_t id) {
  for (const Switched& s : kSwitched)
    if (s.id == id) return s;
  return kSwitched[0];
}

// Stores the record's values and its function switch.
void StoreSwitched(StatusCall& c) {
  const Switched& s = SwitchedOf(c.id);
  Set(c.ctx, s.first, Int(c, 4));
  if (s.second) Set(c.ctx, s.second, Int(c, 8));
  Set(c.ctx, FunctionOf(c.id), Int(c, kFunctionAt));
}

int32_t GetSwitched(DriverContext* ctx, uint8_t* record, int32_t id) {
  if (!record) return 32;
  const Switched& s = SwitchedOf(id);
  PutInt(record, 4, Get(ctx, s.first));
  if (s.second) PutInt(record, 8, Get(ctx, s.second));
  PutInt(record, kFunctionAt, Get(ctx, FunctionOf(id)));
  return 32;
}

int32_t VerifyFunctionOn(StatusCall& c) {
  const StatusRow* row = StatusFindRow(c.id);
  const uint32_t function = row->functionItem ? uint32_t(row->functionItem) : uint32_t(kSelectMargin);
  return Int(c, kFunctionAt) == 0 || Get(c.ctx, function) != 0 ? 1 : 0;
}

int32_t SetScale(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t type = Int(c, 4), h = Int(c, 8), v = Int(c, 12), function = Int(c, kFunctionAt);
  if (SwitchedOff(c)) return 1;
  if (!Accepts(ctx, kScaleType, type)) return 0;
  if ((type == 1 || type == 3) && !Accepts(ctx, kScaleH, h)) return 0;
  if (type == 3 && !Accepts(ctx, kScaleV, v)) return 0;
  Set(ctx, kScaleType, type);
  if (type == 1 || type == 3) Set(ctx, kScaleH, h);
  if (type == 3) Set(ctx, kScaleV, v);
  Set(ctx, kSelectScale, function);
  if (type == 2) ApiRederivePaper(ctx);
  return 1;
}

int32_t GetScale(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 32;
  if (Get(ctx, kScaleType) == 2) ApiRederivePaper(ctx);
  PutInt(record, 4, Get(ctx, kScaleType));
  PutInt(record, 8, Get(ctx, kScaleH));
  PutInt(record, 12, Get(ctx, kScaleV));
  PutInt(record, kFunctionAt, Get(ctx, kSelectScale));
  return 32;
}

int32_t SetCover(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t type = Int(c, 4), tray = Int(c, 8);
  if (SwitchedOff(c)) return 1;
  if (!Accepts(ctx, kCoverType, type) || !Accepts(ctx, kCoverTray, tray)) return 0;
  // The type is judged with the requested tray in place, then the settings
  // go back to what they were before the three are stored.
  uint8_t* snapshot = ApiSnapshotDevmode(ctx);
  if (!snapshot) return 0;
  Set(ctx, kCoverTray, tray);
  bool ok = true;
  if (type == 3 && OptValidateValueEx(OptFindSetting(ctx, kCoverType), kCoverType, type, ctx) == kValueDisabled)
    ok = false;
  const int32_t duplex = Get(ctx, kDuplexType);
  if (ok && Get(ctx, kSelectDuplex) != 0 && duplex >= 17 && duplex <= 19) {
    const uint16_t option = ApiFindOptionByValue(ctx, kCoverType, type);
    ok = option != 0 && ApiIsItemAvailable(ctx, kCoverType, option, kAvailable);
  }
  StatusRestoreWorkBuffer(ctx, snapshot);
  ApiRestoreDevmode(ctx, snapshot, 0);
  if (!ok) return 0;
  StoreSwitched(c);
  return 1;
}

int32_t SetMark(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t type = Int(c, 4), tray = Int(c, 8);
  if (SwitchedOff(c)) return 1;
  if (!Accepts(ctx, kMarkType, type) || !Accepts(ctx, kMarkTray, tray)) return 0;
  const uint16_t option = ApiFindOptionByValue(ctx, kMarkType, type);
  if (option == 0 || !ApiIsItemAvailable(ctx, kMarkType, option, kAvailable)) return 0;
  StoreSwitched(c);
  return 1;
}

int32_t VerifyTypeAndTray(StatusCall& c) {
  if (Int(c, kFunctionAt) == 0) return 1;
  const Switched& s = SwitchedOf(c.id);
  if (Get(c.ctx, FunctionOf(c.id)) == 0) return 0;
  return Get(c.ctx, s.first) == Int(c, 4) && Get(c.ctx, s.second) == Int(c, 8) ? 1 : 0;
}

int32_t SetNup(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t value = Int(c, 4);
  if (SwitchedOff(c)) return 1;
  if (!Accepts(ctx, kNupType, value)) return 0;
  const int32_t old_kind = Get(ctx, kNupKind);
  // A value outside the map keeps the kind it has; the model check decides.
  if (const int32_t kind = StatusNupKind(value)) Set(ctx, kNupKind, kind);
  if (!StatusFunctionTrial(ctx, kSelectNup, kNupType, value)) {
    Set(ctx, kNupKind, old_kind);
    return 0;
  }
  StoreSwitched(c);
  return 1;
}

int32_t SetDuplex(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t type = Int(c, 4), function = Int(c, kFunctionAt);
  if (SwitchedOff(c)) {
    DmDuplexToPublic(ctx->devmode, ctx);
    return 1;
  }
  if (!Accepts(ctx, kDuplexType, type)) return 0;
  if (!StatusFunctionTrial(ctx, kSelectDuplex, kDuplexType, type)) return 0;
  const bool margins = type >= 1 && type <= 3;
  int32_t odd = 0, even = 0;
  if (margins && !ReadMargins(c, kMarginOdd, kMarginEven, &odd, &even)) return 0;
  Set(ctx, kDuplexType, type);
  Set(ctx, kSelectDuplex, function);
  DmDuplexToPublic(ctx->devmode, ctx);
  if (margins) {
    Set(ctx, kSelectMargin, 1);
    Set(ctx, kMarginOdd, odd);
    Set(ctx, kMarginEven, even);
  }
  return 1;
}

int32_t GetDuplex(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 32;
  PutInt(record, 4, Get(ctx, kDuplexType));
  PutMargins(ctx, record, kMarginOdd, kMarginEven);
  PutInt(record, kFunctionAt, Get(ctx, kSelectDuplex));
  return 32;
}

int32_t SetWatermarkEntry(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t entry = Int(c, 4), function = Int(c, kFunctionAt);
  if (SwitchedOff(c)) return 1;
  if (entry == kStampScratchEntry) {
    if (!ApiHasWatermarkSection(ctx)) return 0;
  } else if (entry < 1 || entry > StampGetCount(ctx)) {
    return 0;
  }
  Set(ctx, kWmId, entry == kStampScratchEntry ? entry : entry - 1);
  Set(ctx, kSelectWatermark, function);
  return 1;
}

int32_t GetWatermarkEntry(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 32;
  const int32_t id = Get(ctx, kWmId);
  PutInt(record, 4, id == kStampScratchEntry ? id : id + 1);
  PutInt(record, kFunctionAt, Get(ctx, kSelectWatermark));
  return 32;
}

int32_t SetBindingMargins(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t type = Int(c, 4);
  int32_t first = 0, second = 0;
  if (!Accepts(ctx, kSimplexBind, type)) return 0;
  if (!ReadMargins(c, kSimplexMargin, kShiftMarginY, &first, &second)) return 0;
  Set(ctx, kSimplexBind, type);
  Set(ctx, kSimplexMargin, first);
  Set(ctx, kShiftMarginY, second);
  Set(ctx, kSelectMargin, 1);
  return 1;
}

int32_t GetBindingMargins(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 32;
  PutInt(record, 4, Get(ctx, kSimplexBind));
  PutMargins(ctx, record, kSimplexMargin, kShiftMarginY);
  return 32;
}

// Sort, staple and punch: a type under a function switch; staple and punch
// must pass the function trial.
int32_t SetFinishing(StatusCall& c) {
  const uint32_t type = SwitchedOf(c.id).first, function = FunctionOf(c.id);
  const int32_t value = Int(c, 4);
  if (SwitchedOff(c)) return 1;
  if (!Accepts(c.ctx, type, value)) return 0;
  if (c.id != 19 && !StatusFunctionTrial(c.ctx, function, type, value)) return 0;
  StoreSwitched(c);
  return 1;
}

// ---- item 34: resolution, item 35: colour planes ---------------------------------------------
int32_t SetResolution(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t kind = ApiResolutionKind(ctx);
  const int32_t value = Int(c, 4);
  if (kind == 0) {
    const CapsResolutionRow* row = CapsFindResolutionRow(value & 0xFFFF);
    if (!row || !Accepts(ctx, kResolutionW, row->x)) return 0;
    Set(ctx, kResolutionW, row->x);
  } else if (kind == 1) {
    if (!Accepts(ctx, kResolutionBoth, value)) return 0;
    Set(ctx, kResolutionBoth, value);
    ApiApplyResolutionRules(ctx);
  } else {
    return 0;
  }
  DmResolutionToPublic(ctx->devmode, ctx);
  return 1;
}

int32_t GetResolution(DriverContext* ctx, uint8_t* record, int32_t) {
  const int32_t kind = ApiResolutionKind(ctx);
  int32_t value;
  if (kind == 1) {
    value = Get(ctx, kResolutionBoth);
  } else if (kind == 0) {
    const int32_t dpi = Get(ctx, kResolutionW);
    value = CapsFindResolutionIdByXY(dpi, dpi);
    if (value == 0) return -1;
  } else {
    return -1;
  }
  if (record) PutInt(record, 4, value);
  return 32;
}

int32_t SetPlanes(StatusCall& c) {
  int32_t planes[4];
  bool any = false;
  for (int i = 0; i < 4; ++i) {
    planes[i] = Int(c, 4 + size_t(i) * 4);
    any = any || planes[i] != 0;
  }
  if (!any) return 0;
  for (int i = 0; i < 4; ++i)
    if (!Accepts(c.ctx, 164 + uint32_t(i), planes[i])) return 0;
  for (int i = 0; i < 4; ++i) Set(c.ctx, 164 + uint32_t(i), planes[i]);
  return 1;
}

int32_t VerifyPlanes(StatusCall& c) {
  for (int i = 0; i < 4; ++i)
    if (Get(c.ctx, 164 + uint32_t(i)) != Int(c, 4 + size_t(i) * 4)) return 0;
  return 1;
}

int32_t GetPlanes(DriverContext* ctx, uint8_t* record, int32_t) {
  if (record)
    for (int i = 0; i < 4; ++i) PutInt(record, 4 + size_t(i) * 4, Get(ctx, 164 + uint32_t(i)));
  return 32;
}

int32_t Pass(StatusCall&) { return 1; }

// ---- items 10 and 26: print method and user id ------------------------------------------------
using PrintMethodRecord = VELM_STATUS_PRINT_METHOD_RECORD;
constexpr size_t kUserIdAt = offsetof(PrintMethodRecord, userId),
                 kJobPasswordAt = offsetof(PrintMethodRecord, jobPassword),
                 kStoredPasswordAt = offsetof(PrintMethodRecord, storedPassword),
                 kOwnerAt = offsetof(PrintMethodRecord, owner), kDocumentAt = offsetof(PrintMethodRecord, document),
                 kMergeAt = offsetof(PrintMethodRecord, mergeFile), kPathAt = offsetof(PrintMethodRecord, overlayPath);
constexpr int32_t kPrintMethodBytes = int32_t(sizeof(PrintMethodRecord));

int32_t SetPrintMethod(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t method = Int(c, 4);
  const uint32_t flags = uint32_t(Int(c, 8));
  if (method == 255) {
    if (!ApiFunc1Has(ctx->printer, kApiFunc1PrintMethod255)) return 0;
    if (flags & 0x40) {
      char text[260];
      if (!StatusReadText(c, kPathAt, 260, text)) return 0;
      // The tracking text keeps its first 20 bytes, whole characters only.
      size_t i = 0;
      while (text[i]) {
        const size_t step = IsDBCSLeadByte(BYTE(text[i])) && text[i + 1] ? 2 : 1;
        if (i + step > 20) break;
        i += step;
      }
      text[i] = 0;
      SetAnsi(ctx, kJobTrail, text);
    }
    return 1;
  }
  if (!Accepts(ctx, kPrnMethod, method)) return 0;
  char user[9] = {}, job[5] = {}, stored[5] = {}, owner[17] = {}, document[17] = {}, merge[65] = {}, path[260] = {};
  // Every given text must end inside its field.
  if ((flags & 0x1) && !StatusReadText(c, kUserIdAt, 9, user)) return 0;
  if ((flags & 0x2) && !StatusReadText(c, kJobPasswordAt, 5, job)) return 0;
  if ((flags & 0x4) && !StatusReadText(c, kStoredPasswordAt, 5, stored)) return 0;
  if ((flags & 0x8) && !StatusReadText(c, kOwnerAt, 17, owner)) return 0;
  if ((flags & 0x10) && !StatusReadText(c, kDocumentAt, 17, document)) return 0;
  if ((flags & 0x20) && !StatusReadText(c, kMergeAt, 65, merge)) return 0;
  if ((flags & 0x40) && !StatusReadText(c, kPathAt, 260, path)) return 0;
  char current[32] = {};
  char overlay[260] = {};
  auto user_required = [&]() {
    if (flags & 0x1) return user[0] != 0 && IsAlnum(user);
    ApiJobInfoRead(ctx, kPushUserId);
    GetAnsi(ctx, kUserId, current, sizeof current);
    return current[0] != 0;
  };
  switch (method) {
    case 0:
      if ((flags & 0x1) && !IsAlnum(user)) return 0;
      break;
    case 1:
      if (!user_required()) return 0;
      if (flags & 0x2) {
        if (!IsFourDigits(job)) return 0;
      } else {
        ApiJobInfoRead(ctx, kPushJobPassword);
        GetAnsi(ctx, kJobPassword, current, sizeof current);
        if (std::strlen(current) != 4) return 0;
      }
      break;
    case 2:
      if (!user_required()) return 0;
      break;
    case 3:
      if ((flags & 0x1) && !IsAlnum(user)) return 0;
      if ((flags & 0x4) && stored[0] && !IsFourDigits(stored)) return 0;
      if ((flags & 0x8) && ApiHasChar(owner, '"')) return 0;
      if ((flags & 0x10) && ApiHasChar(document, '"')) return 0;
      break;
    case 5:
      if (flags & 0x20)
        for (const char* p = "\\/:;,*?<>|\""; *p; ++p)
          if (ApiHasChar(merge, *p)) return 0;
      break;
    case 7:
      if (Get(ctx, kSelectWatermark) != 0) return 0;
      if (flags & 0x40) {
        if (!ApiIsOverlayFileName(path) || !ApiCheckOverlayPath(path, overlay)) return 0;
      } else {
        GetAnsi(ctx, kOverlayPath, current, sizeof current);
        if (!current[0]) return 0;
      }
      break;
    default:
      return 0;
  }
  Set(ctx, kPrnMethod, method);
  SaveItem(c, kPrnMethod);
  if ((flags & 0x1) && method >= 0 && method <= 3) {
    SetAnsi(ctx, kUserId, user);
    Push(c, kPushUserId);
  }
  if (method == 1 && (flags & 0x2)) {
    SetAnsi(ctx, kJobPassword, job);
    Push(c, kPushJobPassword);
  }
  if (method == 3) {
    if (flags & 0x4) {
      SetAnsi(ctx, kStoredPassword, stored);
      Push(c, kPushStoredPassword);
    }
    if (flags & 0x8) {
      SetAnsi(ctx, kOwner, owner);
      Push(c, kPushOwner);
    }
    if (flags & 0x10) {
      SetAnsi(ctx, kDocument, document);
      Push(c, kPushDocument);
    }
  }
  if (method == 5 && (flags & 0x20)) SetAnsi(ctx, kMergeFile, merge);
  if (method == 7 && (flags & 0x40)) {
    SetAnsi(ctx, kOverlayPath, overlay);
    SaveItem(c, kOverlayPath);
  }
  return 1;
}

int32_t VerifyPrintMethod(StatusCall& c) {
  const int32_t method = Int(c, 4);
  return method == 255 || Get(c.ctx, kPrnMethod) == method ? 1 : 0;
}

int32_t GetPrintMethod(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return kPrintMethodBytes;
  int32_t asked;
  std::memcpy(&asked, record + 4, 4);
  std::memset(record + 4, 0, kPrintMethodBytes - 4);
  if (asked == 255 && ApiFunc1Has(ctx->printer, kApiFunc1PrintMethod255)) {
    PutInt(record, 4, 255);
    PutInt(record, 8, 0x40);
    GetAnsi(ctx, kJobTrail, reinterpret_cast<char*>(record + kPathAt), 21);
    return kPrintMethodBytes;
  }
  if (SettingRecord* row = OptFindSetting(ctx, kPrnMethod))
    StoreLoadItemFromIni(ctx, row, PathGetDriverIni(ctx), nullptr, nullptr);
  ApiJobInfoRead(ctx, kPushOwner | kPushJobPassword | kPushUserId | kPushDocument | kPushStoredPassword);
  PutInt(record, 4, Get(ctx, kPrnMethod));
  PutInt(record, 8, 0x7F);
  char* r = reinterpret_cast<char*>(record);
  GetAnsi(ctx, kUserId, r + kUserIdAt, 9);
  GetAnsi(ctx, kJobPassword, r + kJobPasswordAt, 5);
  GetAnsi(ctx, kStoredPassword, r + kStoredPasswordAt, 5);
  GetAnsi(ctx, kOwner, r + kOwnerAt, 17);
  GetAnsi(ctx, kDocument, r + kDocumentAt, 17);
  GetAnsi(ctx, kMergeFile, r + kMergeAt, 65);
  GetAnsi(ctx, kOverlayPath, r + kPathAt, 260);
  return kPrintMethodBytes;
}

int32_t SetUserId(StatusCall& c) {
  char user[9];
  if (!StatusReadText(c, kUserIdAt, 9, user)) return 0;
  if (user[0] && !IsAlnum(user)) return 0;
  const int32_t method = Get(c.ctx, kPrnMethod);
  if (!user[0] && (method == 1 || method == 2)) return 0;
  SetAnsi(c.ctx, kUserId, user);
  Push(c, kPushUserId);
  return 1;
}

int32_t GetUserId(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return kPrintMethodBytes;
  std::memset(record + 4, 0, kPrintMethodBytes - 4);
  char* r = reinterpret_cast<char*>(record);
  GetAnsi(ctx, kUserId, r + kUserIdAt, 9);
  PutInt(record, 4, Get(ctx, kPrnMethod));
  if (r[kUserIdAt]) PutInt(record, 8, 0x1);
  return kPrintMethodBytes;
}

// ---- item 16: the working watermark -----------------------------------------------------------
struct Watermark {
  int32_t kind, position, opaque, page, style, effect, colour, density, size, angle;
  char text[33], font[32], image[263];
  int32_t pitch, text_pattern, tile_pattern, tile_colour, tile_density, tile_mask, flags;
};

constexpr uint8_t kColours[7][3] = {{0, 0, 0},   {255, 0, 0},   {0, 255, 0},  {0, 0, 255},
                                     {0, 255, 255}, {255, 0, 255}, {255, 255, 0}};

bool In(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }
bool IsPosition(int32_t v) { return v == 0 || v == 1 || v == 2 || v == 4 || v == 8 || v == 16 || v == 32 || v == 64; }

void StoreWatermark(DriverContext* ctx, const Watermark& w) {
  Set(ctx, 109, w.kind);
  Set(ctx, 114, w.position);
  Set(ctx, 110, w.opaque);
  Set(ctx, 116, w.page);
  Set(ctx, 127, w.style);
  Set(ctx, 113, w.effect);
  Set(ctx, 123, w.colour);
  for (int i = 0; i < 3; ++i) Set(ctx, 124 + uint32_t(i), kColours[w.colour][i]);
  Set(ctx, 112, w.density);
  Set(ctx, w.kind == 2 ? 128 : 122, w.size);
  Set(ctx, 119, w.angle);
  SetAnsi(ctx, 869, w.text);
  SetAnsi(ctx, 121, w.font);
  SetAnsi(ctx, 870, w.image);
  if (w.kind != 128) return;
  Set(ctx, 894, w.pitch);
  Set(ctx, 895, w.text_pattern);
  Set(ctx, 896, w.tile_pattern);
  Set(ctx, 897, w.tile_colour);
  for (int i = 0; i < 3; ++i) Set(ctx, 898 + uint32_t(i), kColours[w.tile_colour][i]);
  Set(ctx, 901, w.tile_density);
  Set(ctx, 902, w.tile_mask);
  Set(ctx, 903, (w.flags & 1) ? 2 : 0);
}

int32_t SetWatermark(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  Watermark w{};
  w.kind = Int(c, 4);
  if (w.kind != 0 && w.kind != 1 && w.kind != 2 && w.kind != 3 && w.kind != 128) return 0;
  if (w.kind == 128 && (c.version < 2 || !ApiFunc1Has(ctx->printer, kApiFunc1WatermarkKind128))) return 0;
  w.position = Int(c, 8);
  w.opaque = Int(c, 12);
  w.page = Int(c, 16);
  w.style = Int(c, 20);
  w.effect = Int(c, 24);
  w.colour = Int(c, 28);
  w.density = Int(c, 32);
  w.size = Int(c, 36);
  w.angle = Int(c, 40);
  using Wm = VELM_STATUS_WATERMARK_RECORD;
  if (!StatusReadText(c, offsetof(Wm, text), sizeof(Wm::text), w.text) ||
      !StatusReadText(c, offsetof(Wm, fontName), sizeof(Wm::fontName), w.font) ||
      !StatusReadText(c, offsetof(Wm, image), sizeof(Wm::image), w.image))
    return 0;
  const bool text_kind = w.kind == 1 || w.kind == 128;
  if (w.kind != 0 && (!In(w.opaque, 0, 1) || !In(w.page, 0, 1))) return 0;
  if (text_kind) {
    if (!IsPosition(w.position) || !In(w.style, 0, 3) || !In(w.effect, 0, 3) || !In(w.colour, 0, 6) ||
        !In(w.density, 0, 100) || !In(w.size, 6, 999) || !In(w.angle, 0, 359))
      return 0;
    if (!w.text[0] || !w.font[0] || !ApiFontExists(w.font)) return 0;
    if (w.angle != 0 && w.position != 0 && w.position != 64) return 0;
  } else {
    w.colour = In(w.colour, 0, 6) ? w.colour : 0;
  }
  if (w.kind == 2 && (!IsPosition(w.position) || !In(w.size, 30, 999))) return 0;
  if ((w.kind == 2 || w.kind == 3) && (!w.image[0] || !ApiCheckWatermarkFile(w.kind, w.image))) return 0;
  if (w.kind == 128) {
    w.pitch = Int(c, 372);
    w.text_pattern = Int(c, 376);
    w.tile_pattern = Int(c, 380);
    w.tile_colour = Int(c, 384);
    w.tile_density = Int(c, 388);
    w.tile_mask = Int(c, 392);
    w.flags = Int(c, 396);
    if (!In(w.pitch, 0, 999) || !In(w.text_pattern, 0, 6) || !In(w.tile_pattern, 0, 6) ||
        !In(w.tile_colour, 0, 6) || !In(w.tile_density, 0, 100) || !In(w.tile_mask, 0, 10))
      return 0;
  }
  // The working entry is written from the settings with the watermark in
  // place; the handle's own settings stay as they are.
  c.commit->Add([ctx, w] {
    DmPushSettings(ctx);
    StoreWatermark(ctx, w);
    const bool saved = StampSave(ctx, kStampScratchEntry) != 0;
    DmPopSettings(ctx, 1);
    return saved;
  });
  return 1;
}

int32_t GetWatermark(DriverContext* ctx, uint8_t* record, int32_t version) {
  if (!ApiHasWatermarkSection(ctx)) return -1;
  char16_t section[64] = {};
  StampFormatKey(section, kStampScratchEntry, ctx);
  uint8_t out[412] = {};
  DmPushSettings(ctx);
  // A refused file is told by the mismatch flag below.
  (void)StampLoadEntry(ctx, section);
  const int32_t kind = Get(ctx, 109);
  const bool text_kind = kind == 1 || kind == 128;
  PutInt(out, 4, kind);
  if (kind != 0) {
    PutInt(out, 12, Get(ctx, 110));
    PutInt(out, 16, Get(ctx, 116));
  }
  if (text_kind || kind == 2) PutInt(out, 8, Get(ctx, 114));
  if (text_kind) {
    PutInt(out, 20, Get(ctx, 127));
    PutInt(out, 24, Get(ctx, 113));
    PutInt(out, 28, Get(ctx, 123));
    PutInt(out, 32, Get(ctx, 112));
    PutInt(out, 36, Get(ctx, 122));
    PutInt(out, 40, Get(ctx, 119));
    GetAnsi(ctx, 869, reinterpret_cast<char*>(out + 44), 33);
    GetAnsi(ctx, 121, reinterpret_cast<char*>(out + 77), 32);
  }
  if (kind == 2) PutInt(out, 36, Get(ctx, 128));
  if (kind == 2 || kind == 3) GetAnsi(ctx, 870, reinterpret_cast<char*>(out + 109), 263);
  if (kind == 128) {
    PutInt(out, 372, Get(ctx, 894));
    PutInt(out, 376, Get(ctx, 895));
    PutInt(out, 380, Get(ctx, 896));
    PutInt(out, 384, Get(ctx, 897));
    PutInt(out, 388, Get(ctx, 901));
    PutInt(out, 392, Get(ctx, 902));
    PutInt(out, 396, Get(ctx, 903) != 0 ? 1 : 0);
  } else {
    PutInt(out, 388, 100);
  }
  DmPopSettings(ctx, 1);
  if (kind == 128 && version < 2) return -1;
  const int32_t size = version >= 2 ? 412 : 372;
  if (record) std::memcpy(record + 4, out + 4, size_t(size) - 4);
  return size;
}

// ---- item 1: a preset settings file ------------------------------------------------------------
bool WidePath(const char* ansi, char16_t* wide) {
  if (!((ansi[0] && ansi[1] == ':' && ansi[2] == '\\') || (ansi[0] == '\\' && ansi[1] == '\\'))) return false;
  StrAnsiToWide(wide, ansi, 261);
  if (!PathIsAbsoluteWide(wide)) return false;
  // A file that is there: a folder has no settings to load.
  const DWORD attributes = GetFileAttributesW(wide);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int32_t SetPresetFile(StatusCall& c) {
  DriverContext* ctx = c.ctx;
  const int32_t method = Get(ctx, kPrnMethod);
  if (method == 3 || method == 5 || method == 7) return 0;
  char path[260];
  char16_t wide[261] = {};
  using Preset = VELM_STATUS_PRESET_RECORD;
  if (!StatusReadText(c, offsetof(Preset, path), sizeof(Preset::path), path) || !WidePath(path, wide)) return 0;
  CtxSetFileMismatch(ctx, 0);
  // This library's settings load (QstLoadSettingsNoUi): no job-information
  // refresh, the final merge without UI; the job information follows here.
  // A refused file is told by the mismatch flag below.
  (void)QstLoadSettings(ctx->printer, wide, 0, ctx);
  if (CtxGetFileMismatch(ctx)) return 0;
  ApiJobInfoRead(ctx, 1);
  for (uint32_t mask : {kPushOwner, kPushJobPassword, kPushUserId, kPushDocument, kPushStoredPassword}) Push(c, mask);
  c.commit->Add([ctx] { return StoreSaveDocumentRegions(ctx->printer, ctx) != 0; });
  return 1;
}

// A wide text as ANSI into out (capacity bytes), each "\n" pair as CR LF,
// cut at a character boundary.
void ToAnsiComment(const char16_t* wide, char* out, size_t capacity, bool newlines) {
  char ansi[2100] = {};
  StrWideToAnsi(ansi, wide, int32_t(sizeof ansi));
  ansi[sizeof ansi - 1] = 0;
  size_t o = 0;
  for (size_t i = 0; ansi[i];) {
    if (newlines && ansi[i] == '\\' && ansi[i + 1] == 'n') {
      if (o + 2 >= capacity) break;
      out[o++] = '\r';
      out[o++] = '\n';
      i += 2;
      continue;
    }
    const size_t step = IsDBCSLeadByte(BYTE(ansi[i])) && ansi[i + 1] ? 2 : 1;
    if (o + step >= capacity) break;
    std::memcpy(out + o, ansi + i, step);
    o += step;
    i += step;
  }
  out[o] = 0;
}

int32_t GetPresetFile(DriverContext* ctx, uint8_t* record, int32_t) {
  if (!record) return 816;
  char path[261] = {};
  std::memcpy(path, record + 4, 260);
  char16_t wide[261] = {};
  if (!std::memchr(record + 4, 0, 260) || !WidePath(path, wide)) return -1;
  DmPushSettings(ctx);
  CtxSetFileMismatch(ctx, 0);
  // A refused file is told by the mismatch flag below.
  (void)QstLoadSettings(ctx->printer, wide, 0x8000, ctx);
  const bool refused = CtxGetFileMismatch(ctx) != 0;
  DmPopSettings(ctx, 1);
  if (refused) return -1;
  const char16_t* section = ctx->work ? ctx->work->printerName : u"";
  char16_t name[64] = {}, comment[1024] = {};
  GetPrivateProfileStringW(section, u"wdmPresetName", u"", name, 64, wide);
  GetPrivateProfileStringW(section, u"wdmPresetComment", u"", comment, 1024, wide);
  std::memset(record + 264, 0, 816 - 264);
  ToAnsiComment(name, reinterpret_cast<char*>(record + 264), 37, false);
  ToAnsiComment(comment, reinterpret_cast<char*>(record + 301), 513, true);
  return 816;
}

template <int N>
int32_t GS(DriverContext* c, uint8_t* r, int32_t) { return GetSimple(c, r, N); }
template <int N>
int32_t GW(DriverContext* c, uint8_t* r, int32_t) { return GetSwitched(c, r, N); }

}  // namespace

int32_t StatusNupKind(int32_t nup) {
  switch (nup) {
    case 1: case 2: case 3: return 1;
    case 33: case 34: case 37: case 38: return 2;
    case 65: case 66: case 69: case 70: return 3;
    case 97: case 98: case 101: case 102: return 4;
    case 32769: case 32770: case 32771: case 32772: return 9;
    default: return 0;
  }
}

bool StatusFunctionTrial(DriverContext* ctx, uint32_t function_item, uint32_t item, int32_t value) {
  if (Get(ctx, function_item) != 0) return true;
  uint8_t* snapshot = ApiSnapshotDevmode(ctx);
  if (!snapshot) return false;
  Set(ctx, function_item, 1);
  Set(ctx, item, value);
  if (MdfItem f = MdfFindItem(ctx, function_item)) RuleApplyItemTransact(ctx, f);
  DmDuplexToPublic(ctx->devmode, ctx);
  ApiMergeKeepCustomPaper(ctx);
  const bool ok = Get(ctx, function_item) != 0 && StatusModelAccepts(ctx, item, value);
  StatusRestoreWorkBuffer(ctx, snapshot);
  ApiRestoreDevmode(ctx, snapshot, 0);
  return ok;
}

const StatusRow kStatusRows[35] = {
    {1, 1, 3, 0, SetPresetFile, Pass, GetPresetFile, {}, 0, 0},
    {2, 1, 3, 13, SetSimple, VerifySimple, GS<2>, {13}, 0, 0},
    {3, 1, 3, 378, SetSimple, VerifySimple, GS<3>, {378}, 0, 0},
    {4, 1, 3, 57, SetSimple, VerifySimple, GS<4>, {57}, 0, 0},
    {5, 1, 3, 15, SetSimple, VerifySimple, GS<5>, {15}, 0, 0},
    {6, 1, 3, 7, SetSimple, VerifySimple, GS<6>, {7}, 0, 0},
    {7, 1, 3, 8, SetPaper, VerifyPaper, GetPaper, {8, 10, 9}, 0, 0},
    {8, 1, 3, 50, SetOutPaper, VerifySimple, GS<8>, {50}, 0, 0},
    {9, 1, 3, 12, SetSimple, VerifySimple, GS<9>, {12}, 0, 0},
    {10, 1, 3, 222, SetPrintMethod, VerifyPrintMethod, GetPrintMethod, {222, 215, 220, 221, 217, 219, 218, 875}, 0, 0},
    {11, 1, 3, 58, SetScale, VerifyFunctionOn, GetScale, {58, 90, 92, 93}, kSelectScale, 0},
    {12, 1, 3, 68, SetCover, VerifyTypeAndTray, GW<12>, {68, 141, 142}, kSelectCover, 3},
    {13, 1, 3, 67, SetMark, VerifyTypeAndTray, GW<13>, {67, 137, 138}, kSelectMark, 2},
    {14, 1, 3, 59, SetNup, VerifyFunctionOn, GW<14>, {59, 94, 95}, kSelectNup, 0},
    {15, 1, 3, 61, SetDuplex, VerifyFunctionOn, GetDuplex, {61, 102}, kSelectDuplex, 0},
    {16, 1, 2, 109, SetWatermark, Pass, GetWatermark, {}, 0, 0},
    {17, 1, 3, 63, SetWatermarkEntry, Pass, GetWatermarkEntry, {63, 120}, kSelectWatermark, 0},
    {18, 1, 3, 70, SetBindingMargins, VerifyFunctionOn, GetBindingMargins, {70, 103}, kSelectMargin, 0},
    {19, 1, 3, 64, SetFinishing, VerifyFunctionOn, GW<19>, {64, 129}, kSelectSort, 0},
    {20, 1, 3, 66, SetFinishing, VerifyFunctionOn, GW<20>, {66, 136}, kSelectStaple, 0},
    {21, 1, 3, 65, SetFinishing, VerifyFunctionOn, GW<21>, {65, 134}, kSelectPunch, 0},
    {22, 1, 3, 193, SetSimple, VerifySimple, GS<22>, {193}, 0, 0},
    {23, 1, 3, 194, SetSimple, VerifySimple, GS<23>, {194}, 0, 0},
    {24, 1, 3, 197, SetSimple, VerifySimple, GS<24>, {197}, 0, 0},
    {25, 1, 3, 212, SetSimple, VerifySimple, GS<25>, {212}, 0, 0},
    {26, 1, 3, 215, SetUserId, Pass, GetUserId, {215}, 0, 0},
    {27, 1, 3, 182, SetSimple, VerifySimple, GS<27>, {182}, 0, 0},
    {28, 1, 3, 210, SetSimple, VerifySimple, GS<28>, {210}, 0, 0},
    {29, 1, 3, 228, SetSimple, VerifySimple, GS<29>, {228}, 0, 0},
    {30, 1, 3, 225, SetSimple, VerifySimple, GS<30>, {225}, 0, 0},
    {31, 1, 3, 224, SetSimple, VerifySimple, GS<31>, {224}, 0, 0},
    {32, 1, 3, 226, SetSimple, VerifySimple, GS<32>, {226}, 0, 0},
    {33, 1, 3, 230, SetSimple, VerifySimple, GS<33>, {230}, 0, 0},
    {34, 1, 3, 42, SetResolution, Pass, GetResolution, {42, 248}, 0, 0},
    {35, 1, 3, 164, SetPlanes, VerifyPlanes, GetPlanes, {164, 165, 166, 167}, 0, 0},
};
