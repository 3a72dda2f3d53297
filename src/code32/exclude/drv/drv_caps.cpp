// The capability queries of the VELMDrv interface and the capability
// record. Every list handler builds its whole list first and then writes at
// most the capacity it was given: a list can grow between a caller's count
// and its fill (another process adds watermark entries), and the fill must
// never write past what the caller sized.
#include "drv_caps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "api/api_support.h"
#include "drv_handle.h"
#include "plat/kernel.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/selectable.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velmpd4.h"

static_assert(sizeof(VELM_CAPS_RECORD) == VELM_CAPS_RECORD_SIZE);
static_assert(offsetof(VELM_CAPS_RECORD, presetFile) == 8);
static_assert(offsetof(VELM_CAPS_RECORD, inputTrays) == 16);
static_assert(offsetof(VELM_CAPS_RECORD, inputTrayNames) == 32);
static_assert(offsetof(VELM_CAPS_RECORD, color) == 104);
static_assert(offsetof(VELM_CAPS_RECORD, paperSizes) == 152);
static_assert(offsetof(VELM_CAPS_RECORD, maxExtentWidth) == 160);
static_assert(offsetof(VELM_CAPS_RECORD, minExtentLength) == 166);
static_assert(offsetof(VELM_CAPS_RECORD, outputPaperCount) == 168);
static_assert(offsetof(VELM_CAPS_RECORD, maxCopies) == 200);
static_assert(offsetof(VELM_CAPS_RECORD, printMethods) == 208);
static_assert(offsetof(VELM_CAPS_RECORD, maxScaleH) == 220);
static_assert(offsetof(VELM_CAPS_RECORD, coverSheets) == 228);
static_assert(offsetof(VELM_CAPS_RECORD, watermarkKindCount) == 260);
static_assert(offsetof(VELM_CAPS_RECORD, watermarkEntry) == 272);
static_assert(offsetof(VELM_CAPS_RECORD, watermarkEntryNames) == 296);
static_assert(offsetof(VELM_CAPS_RECORD, margins) == 304);
static_assert(offsetof(VELM_CAPS_RECORD, sortTypeCount) == 324);
static_assert(offsetof(VELM_CAPS_RECORD, outputDirection) == 368);
static_assert(offsetof(VELM_CAPS_RECORD, emulations) == 384);
static_assert(offsetof(VELM_CAPS_RECORD, printAreas) == 400);
static_assert(offsetof(VELM_CAPS_RECORD, paperRotation) == 408);
static_assert(offsetof(VELM_CAPS_RECORD, resolutions) == 440);
static_assert(offsetof(VELM_CAPS_RECORD, colorPlanes) == 448);
static_assert(offsetof(VELM_CAPS_RECORD, markSheetTypes) == 456);

namespace {
constexpr uint32_t kMissingNameString = 204;
constexpr int32_t kDefaultMaxCopies = 999;
constexpr int32_t kStampNone = 256;
constexpr int32_t kStampNameChars = 32;

using Values = std::vector<int32_t>;

// ---- writing answers ----------------------------------------------------------------------
int32_t PutValues(const Values& v, void* out, int32_t capacity) {
  if (out && capacity > 0) {
    size_t n = std::min(v.size(), size_t(capacity));
    if (n) std::memcpy(out, v.data(), n * sizeof(int32_t));
  }
  return int32_t(v.size());
}

// Names as consecutive slots of `slot` bytes.
struct Names {
  size_t slot;
  std::vector<char> bytes;
  int32_t Count() const { return int32_t(bytes.size() / slot); }
};

int32_t PutNames(const Names& names, void* out, int32_t capacity) {
  if (out && capacity > 0) {
    size_t n = std::min(size_t(names.Count()), size_t(capacity));
    if (n) std::memcpy(out, names.bytes.data(), n * names.slot);
  }
  return names.Count();
}

// Appends text in the system code page to its slot: at most slot - 1
// bytes, never half of a double-byte character, NUL-padded.
void AppendAnsi(Names* names, const char* ansi, size_t length) {
  size_t n = 0;
  while (n < length && ansi[n]) {
    size_t step = IsDBCSLeadByte(BYTE(ansi[n])) && n + 1 < length && ansi[n + 1] ? 2 : 1;
    if (n + step > names->slot - 1) break;
    n += step;
  }
  size_t at = names->bytes.size();
  names->bytes.resize(at + names->slot, 0);
  std::memcpy(names->bytes.data() + at, ansi, n);
}

bool AppendWide(Names* names, const char16_t* wide) {
  std::u16string text(wide);
  std::string ansi(text.size() * 2 + 1, '\0');
  int n = text.empty() ? 1
                       : WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), int(ansi.size()), nullptr,
                                             nullptr);
  if (n <= 0) return false;
  AppendAnsi(names, ansi.c_str(), ansi.size());
  return true;
}

// ---- item queries -------------------------------------------------------------------------
int32_t Get(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }

bool Available(DriverContext* ctx, uint32_t item) { return ApiIsItemAvailable(ctx, item, 0, kApiAvailNotDisabled); }

bool Present(DriverContext* ctx, uint32_t item) { return ApiIsFeaturePresent(ctx, item); }

bool TerminalServices(DriverContext* ctx) { return ApiIsTerminalServices(ctx); }

// The values of the setting the rules allow now; false when out of memory.
bool Selectable(DriverContext* ctx, uint32_t item, Values* out) {
  int32_t count = 0;
  if (OptListSelectable(ctx, item, 0, nullptr, &count) == kSelectableNoMemory) return false;
  out->assign(size_t(std::max(count, 0)), 0);
  if (out->empty()) return true;
  int32_t filled = 0;
  if (OptListSelectable(ctx, item, int32_t(out->size()), out->data(), &filled) != kSelectableDone) return false;
  out->resize(std::min(out->size(), size_t(std::max(filled, 0))));
  return true;
}

// The values of the model item's options the rules neither hide nor
// disable; false when the item has none.
bool Enabled(DriverContext* ctx, uint32_t item, Values* out) {
  int32_t n = ApiListOptionValues(ctx, item, nullptr, kApiListUsableOnly);
  if (n <= 0) return false;
  std::vector<uint16_t> raw(static_cast<size_t>(n));
  int32_t m = ApiListOptionValues(ctx, item, raw.data(), kApiListUsableOnly);
  if (m != n) return false;
  out->assign(raw.begin(), raw.end());
  return true;
}

// The full lists a name list is matched against.
struct FullList {
  Values values;
  std::vector<std::u16string> names;
};

bool FullOptionList(DriverContext* ctx, uint32_t item, int32_t chars, FullList* out) {
  int32_t n = ApiListOptionValues(ctx, item, nullptr, 0);
  int32_t m = ApiListOptionNames(ctx, item, nullptr, chars, 0);
  if (n <= 0 || m != n) return n <= 0 && m <= 0;
  std::vector<uint16_t> raw(static_cast<size_t>(n));
  std::vector<char16_t> text(size_t(n) * size_t(chars), 0);
  if (ApiListOptionValues(ctx, item, raw.data(), 0) != n || ApiListOptionNames(ctx, item, text.data(), chars, 0) != n)
    return false;
  out->values.assign(raw.begin(), raw.end());
  for (int32_t i = 0; i < n; ++i) {
    const char16_t* slot = text.data() + size_t(i) * size_t(chars);
    out->names.emplace_back(slot, std::find(slot, slot + chars, u'\0'));
  }
  return true;
}

bool FullBinList(DriverContext* ctx, FullList* out) {
  int32_t n = CapsGetBins(ctx, nullptr);
  if (n <= 0) return true;
  std::vector<uint16_t> raw(static_cast<size_t>(n));
  std::vector<char16_t> text(size_t(n) * kCapsBinNameChars, 0);
  if (CapsGetBins(ctx, raw.data()) != n || CapsGetBinNames(ctx, text.data(), kCapsBinNameChars) != n) return false;
  out->values.assign(raw.begin(), raw.end());
  for (int32_t i = 0; i < n; ++i) {
    const char16_t* slot = text.data() + size_t(i) * kCapsBinNameChars;
    out->names.emplace_back(slot, std::find(slot, slot + kCapsBinNameChars, u'\0'));
  }
  return true;
}

bool FullPaperList(DriverContext* ctx, uint32_t item, FullList* out) {
  int32_t n = CapsGetPapers(ctx, nullptr, item);
  if (n <= 0) return true;
  std::vector<uint16_t> raw(static_cast<size_t>(n));
  std::vector<char16_t> text(size_t(n) * kCapsPaperNameChars, 0);
  if (CapsGetPapers(ctx, raw.data(), item) != n || CapsGetPaperNames(ctx, text.data(), kCapsPaperNameChars, item) != n)
    return false;
  out->values.assign(raw.begin(), raw.end());
  for (int32_t i = 0; i < n; ++i) {
    const char16_t* slot = text.data() + size_t(i) * kCapsPaperNameChars;
    out->names.emplace_back(slot, std::find(slot, slot + kCapsPaperNameChars, u'\0'));
  }
  return true;
}

// For each value, the name at its position in the full list; a value the
// full list lacks gets the UI's "unknown" string. -1 on a failed conversion.
int32_t MatchNames(DriverContext* ctx, const Values& values, const FullList& full, size_t slot, void* out,
                   int32_t capacity) {
  if (full.values.size() != full.names.size()) return -1;
  Names names{slot, {}};
  for (int32_t v : values) {
    auto at = std::find(full.values.begin(), full.values.end(), v);
    if (at != full.values.end()) {
      if (!AppendWide(&names, full.names[size_t(at - full.values.begin())].c_str())) return -1;
    } else {
      char16_t missing[80] = {};
      ResLoadString(ctx, kMissingNameString, missing, 80, 0);
      if (!AppendWide(&names, missing)) return -1;
    }
  }
  return PutNames(names, out, capacity);
}

int32_t SelectableAnswer(DriverContext* ctx, uint32_t item, void* out, int32_t capacity) {
  Values v;
  return Selectable(ctx, item, &v) ? PutValues(v, out, capacity) : -1;
}

int32_t EnabledAnswer(DriverContext* ctx, uint32_t item, void* out, int32_t capacity) {
  Values v;
  return Enabled(ctx, item, &v) ? PutValues(v, out, capacity) : -1;
}

int32_t Pair16(uint16_t first, uint16_t second, void* out) {
  if (out) {
    uint16_t pair[2] = {first, second};
    std::memcpy(out, pair, sizeof pair);
  }
  return int32_t(uint32_t(first) | (uint32_t(second) << 16));
}

// ---- the handlers ---------------------------------------------------------------------------
int32_t One(DriverContext*, void*, int32_t) { return 1; }

int32_t InputTrays(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, setting::dmDefaultSource, o, n); }
int32_t InputTrayNames(DriverContext* c, void* o, int32_t n) {
  Values v;
  FullList full;
  if (!Selectable(c, setting::dmDefaultSource, &v) || !FullBinList(c, &full)) return -1;
  return MatchNames(c, v, full, 24, o, n);
}
int32_t MediaTypes(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, setting::vdmMediaType, o, n); }
int32_t MediaTypeNames(DriverContext* c, void* o, int32_t n) {
  Values v;
  FullList full;
  if (!Selectable(c, setting::vdmMediaType, &v) || !FullOptionList(c, setting::vdmMediaType, 64, &full)) return -1;
  return MatchNames(c, v, full, 64, o, n);
}

// 0 (the printer's choice) first, then the trays when there is a choice.
bool OutputTrayList(DriverContext* c, Values* out) {
  Values v;
  if (!Selectable(c, setting::vdmOutputTrayID, &v)) return false;
  out->assign(1, 0);
  Values nonzero;
  for (int32_t x : v)
    if (x != 0) nonzero.push_back(x);
  if (nonzero.size() >= 2) out->insert(out->end(), nonzero.begin(), nonzero.end());
  return true;
}
int32_t OutputTrays(DriverContext* c, void* o, int32_t n) {
  Values v;
  return OutputTrayList(c, &v) ? PutValues(v, o, n) : -1;
}
int32_t OutputTrayNames(DriverContext* c, void* o, int32_t n) {
  Values v;
  FullList full;
  if (!OutputTrayList(c, &v) || !FullOptionList(c, setting::vdmOutputTrayID, 64, &full)) return -1;
  return MatchNames(c, v, full, 64, o, n);
}
int32_t Colour(DriverContext* c, void*, int32_t) { return Get(c, 246) == 1 ? 1 : 0; }
int32_t Orientation(DriverContext* c, void*, int32_t) { return c->model && c->model->orientation ? 1 : 0; }

int32_t Papers(DriverContext* c, void* o, int32_t n) {
  FullList full;
  if (!FullPaperList(c, setting::dmPaperSize, &full) || full.values.empty()) return -1;
  return PutValues(full.values, o, n);
}
int32_t PaperNames(DriverContext* c, void* o, int32_t n) {
  FullList full;
  if (!FullPaperList(c, setting::dmPaperSize, &full) || full.values.empty()) return -1;
  Names names{64, {}};
  for (const auto& name : full.names)
    if (!AppendWide(&names, name.c_str())) return -1;
  return PutNames(names, o, n);
}
int32_t PaperSizes(DriverContext* c, void* o, int32_t n) {
  int32_t count = CapsGetPaperSizes(c, nullptr, setting::dmPaperSize);
  if (count <= 0) return -1;
  Values pairs(size_t(count) * 2, 0);
  if (CapsGetPaperSizes(c, pairs.data(), setting::dmPaperSize) != count) return -1;
  if (o && n > 0) std::memcpy(o, pairs.data(), std::min(size_t(count), size_t(n)) * 8);
  return count;
}
int32_t Extent(DriverContext* c, void* o, int32_t index) {
  uint16_t pair[2] = {};
  CapsGetExtent(c, pair, index);
  return Pair16(pair[0], pair[1], o);
}
int32_t MaxExtent(DriverContext* c, void* o, int32_t) { return Extent(c, o, 5); }
int32_t MinExtent(DriverContext* c, void* o, int32_t) { return Extent(c, o, kCapsMinExtent); }
int32_t OutputPapers(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, setting::vdmOutPaperSize, o, n); }
int32_t OutputPaperNames(DriverContext* c, void* o, int32_t n) {
  Values v;
  FullList full;
  if (!Selectable(c, setting::vdmOutPaperSize, &v) || !FullPaperList(c, setting::vdmOutPaperSize, &full)) return -1;
  return MatchNames(c, v, full, 64, o, n);
}
int32_t MaxCopies(DriverContext* c, void*, int32_t) {
  ApiRange r{};
  return ApiGetMaxCopies(c, &r) ? r.maximum : kDefaultMaxCopies;
}
int32_t PrintMethods(DriverContext* c, void* o, int32_t n) {
  RegIsJobLinkerInstalled(2, c);
  Values v;
  if (!Enabled(c, 222, &v)) return -1;
  if (ApiFunc1Has(c->printer, kApiFunc1PrintMethod255)) v.push_back(255);
  return PutValues(v, o, n);
}
int32_t Scaling(DriverContext* c, void*, int32_t) {
  Values v;
  if (!Enabled(c, 90, &v)) return -1;
  for (int32_t x : v)
    if (x >= 1 && x <= 3) return 1;
  return 0;
}
int32_t ScaleLimit(DriverContext* c, void* o, bool maximum) {
  ApiRange h{}, v{};
  if (!ApiGetScaleRanges(c, &h, &v)) return Pair16(0, 0, o);
  return maximum ? Pair16(uint16_t(h.maximum), uint16_t(v.maximum), o) : Pair16(uint16_t(h.minimum), uint16_t(v.minimum), o);
}
int32_t MaxScale(DriverContext* c, void* o, int32_t) { return ScaleLimit(c, o, true); }
int32_t MinScale(DriverContext* c, void* o, int32_t) { return ScaleLimit(c, o, false); }
int32_t CoverSheets(DriverContext* c, void*, int32_t) { return Available(c, 68) && OptHasSortChoice(c) ? 1 : 0; }
int32_t MarkSheets(DriverContext* c, void*, int32_t) {
  if (!Available(c, 67)) return 0;
  Values v;
  if (!Selectable(c, setting::dmDefaultSource, &v)) return 0;
  return std::count_if(v.begin(), v.end(), [](int32_t x) { return x != 7; }) > 1 ? 1 : 0;
}
int32_t Duplex(DriverContext* c, void*, int32_t) { return CapsHasDuplexUnit(c) ? 1 : 0; }
int32_t Margin(DriverContext* c, bool (*ranges)(DriverContext*, ApiRange*, ApiRange*), bool second, bool maximum) {
  ApiRange a{}, b{};
  if (!ranges(c, &a, &b)) return 0;
  const ApiRange& r = second ? b : a;
  return maximum ? r.maximum : r.minimum;
}
int32_t MaxMarginOdd(DriverContext* c, void*, int32_t) { return Margin(c, ApiGetBindingMarginRanges, false, true); }
int32_t MinMarginOdd(DriverContext* c, void*, int32_t) { return Margin(c, ApiGetBindingMarginRanges, false, false); }
int32_t MaxMarginEven(DriverContext* c, void*, int32_t) { return Margin(c, ApiGetBindingMarginRanges, true, true); }
int32_t MinMarginEven(DriverContext* c, void*, int32_t) { return Margin(c, ApiGetBindingMarginRanges, true, false); }
int32_t WatermarkKinds(DriverContext* c, void* o, int32_t n) {
  Values v{1, 2};
  if (ApiIsOverlayAllowed(c)) v.push_back(3);
  if (ApiFunc1Has(c->printer, kApiFunc1WatermarkKind128)) v.push_back(128);
  return PutValues(v, o, n);
}
int32_t WatermarkEntries(DriverContext* c, void* o, int32_t n) {
  int32_t count = std::max(StampGetCount(c), 0);
  Values v{kStampNone};
  for (int32_t i = 1; i <= count; ++i) v.push_back(i);
  return PutValues(v, o, n);
}
// The stored entries' names, read with each entry selected in turn; the
// handle's own settings are pushed before and popped after.
int32_t WatermarkEntryNames(DriverContext* c, void* o, int32_t n) {
  int32_t count = std::max(StampGetCount(c), 0);
  Names names{64, {}};
  names.bytes.assign(64, 0);
  DmPushSettings(c);
  bool converted = true;
  // Entry value i (1 to the count) is the stored entry i - 1.
  for (int32_t i = 1; i <= count && converted; ++i) {
    ApiSelectWatermarkEntry(c, i - 1);
    int32_t kind = Get(c, 109);
    uint32_t item = kind == 1 || kind == 128 ? 871 : kind == 2 || kind == 3 ? 872 : 0;
    SettingRecord* row = item ? OptFindSetting(c, item) : nullptr;
    char16_t text[128] = {};
    if (row) OptGetText(c, row, text);
    text[kStampNameChars] = 0;
    converted = AppendWide(&names, text);
  }
  DmPopSettings(c, 1);
  return converted ? PutNames(names, o, n) : -1;
}
int32_t Margins(DriverContext* c, void*, int32_t) { return MdfGetItemType(c, 105) == kFeatureNumeric ? 1 : 0; }
int32_t ShiftAnswer(DriverContext* c, bool second, bool maximum) {
  if (!Margins(c, nullptr, 0)) return 0;
  return Margin(c, ApiGetSimplexMarginRanges, second, maximum);
}
int32_t MaxSimplex(DriverContext* c, void*, int32_t) { return ShiftAnswer(c, false, true); }
int32_t MinSimplex(DriverContext* c, void*, int32_t) { return ShiftAnswer(c, false, false); }
int32_t MaxShift(DriverContext* c, void*, int32_t) { return ShiftAnswer(c, true, true); }
int32_t MinShift(DriverContext* c, void*, int32_t) { return ShiftAnswer(c, true, false); }
int32_t SortTypes(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, 129, o, n); }
int32_t StapleTypes(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, 136, o, n); }
int32_t PunchTypes(DriverContext* c, void* o, int32_t n) { return SelectableAnswer(c, 134, o, n); }
int32_t OutputDirection(DriverContext* c, void*, int32_t) { return Present(c, 193) ? 1 : 0; }
int32_t OutputOrderly(DriverContext* c, void*, int32_t) { return Available(c, 194) ? 1 : 0; }
int32_t OutputWhitePaper(DriverContext* c, void*, int32_t) { return Present(c, 197) ? 1 : 0; }
int32_t Emulations(DriverContext* c, void* o, int32_t n) {
  if (c->model && c->model->modelFlag == 1) return -1;
  return EnabledAnswer(c, 212, o, n);
}
int32_t UserId(DriverContext* c, void*, int32_t) { return Present(c, 215) ? 1 : 0; }
int32_t PrintAreas(DriverContext* c, void* o, int32_t n) { return EnabledAnswer(c, 182, o, n); }
int32_t PaperRotation(DriverContext* c, void*, int32_t) { return Present(c, 210) ? 1 : 0; }
int32_t ActionMerge(DriverContext* c, void*, int32_t) {
  return !TerminalServices(c) && RegIsJobLinkerInstalled(2, c) ? 1 : 0;
}
int32_t ActionHdd(DriverContext* c, void*, int32_t) { return !TerminalServices(c) && Get(c, 10070) != 0 ? 1 : 0; }
int32_t ActionStored(DriverContext* c, void*, int32_t) { return !TerminalServices(c) && Available(c, 226) ? 1 : 0; }
int32_t ActionOverlay(DriverContext* c, void*, int32_t) { return !TerminalServices(c) && Available(c, 230) ? 1 : 0; }
int32_t Resolutions(DriverContext* c, void* o, int32_t n) {
  int32_t count = CapsListResolutions(c, nullptr, kCapsResolutionIds);
  if (count <= 0) return count;
  Values v(size_t(count), 0);
  if (CapsListResolutions(c, v.data(), kCapsResolutionIds) != count) return -1;
  return PutValues(v, o, n);
}
int32_t ColourPlanes(DriverContext* c, void*, int32_t) { return ApiIsColourPlaneAllowed(c) && Present(c, 164) ? 1 : 0; }
int32_t MarkSheetTypes(DriverContext* c, void* o, int32_t n) {
  if (!MarkSheets(c, nullptr, 0)) return 0;
  Values v;
  if (ApiIsItemAvailable(c, 137, 0, kApiAvailNotHidden)) {
    int32_t shown = ApiListShownValues(c, 137, nullptr, 0);
    if (shown > 0) {
      v.assign(size_t(shown), 0);
      v.resize(size_t(std::max(0, std::min(shown, ApiListShownValues(c, 137, v.data(), shown)))));
    }
    v.push_back(0);
  } else {
    v = {1, 0};
  }
  return PutValues(v, o, n);
}

using K = DrvCapsKind;
constexpr DrvCapsRow kRows[kDrvCapsCount] = {
    {1, 1, 3, 0, 1, K::Number, One},
    {2, 1, 3, 0, 2, K::Values, InputTrays},
    {3, 1, 3, 0, 2, K::Names24, InputTrayNames},
    {4, 1, 3, 0, 3, K::Values, MediaTypes},
    {5, 1, 3, 0, 3, K::Names64, MediaTypeNames},
    {6, 1, 3, 0, 4, K::Values, OutputTrays},
    {7, 1, 3, 0, 4, K::Names64, OutputTrayNames},
    {8, 1, 3, 0, 5, K::Number, Colour},
    {9, 1, 3, 0, 6, K::Number, Orientation},
    {10, 1, 3, 0, 7, K::Values, Papers},
    {11, 1, 3, 0, 7, K::Names64, PaperNames},
    {12, 1, 3, 0, 7, K::SizePairs, PaperSizes},
    {13, 1, 3, 0, 7, K::Pair16, MaxExtent},
    {14, 1, 3, 0, 7, K::Pair16, MinExtent},
    {15, 1, 3, 0, 8, K::Values, OutputPapers},
    {16, 1, 3, 0, 8, K::Names64, OutputPaperNames},
    {17, 1, 3, 0, 9, K::Number, MaxCopies},
    {18, 1, 3, 0, 10, K::Values, PrintMethods},
    {19, 1, 3, 0, 11, K::Number, Scaling},
    {20, 1, 3, 0, 11, K::Pair16, MaxScale},
    {21, 1, 3, 0, 11, K::Pair16, MinScale},
    {22, 1, 3, 0, 12, K::Number, CoverSheets},
    {23, 1, 3, 0, 13, K::Number, MarkSheets},
    {24, 1, 3, 0, 14, K::Number, One},
    {25, 1, 3, 0, 15, K::Number, Duplex},
    {26, 1, 3, 0, 15, K::Number, MaxMarginOdd},
    {27, 1, 3, 0, 15, K::Number, MinMarginOdd},
    {28, 1, 3, 0, 15, K::Number, MaxMarginEven},
    {29, 1, 3, 0, 15, K::Number, MinMarginEven},
    {30, 1, 3, 0, 16, K::Values, WatermarkKinds},
    {31, 1, 3, 0, 17, K::Number, One},
    {32, 1, 3, 0, 17, K::Values, WatermarkEntries},
    {33, 1, 3, 0, 17, K::Names64, WatermarkEntryNames},
    {34, 1, 3, 0, 18, K::Number, Margins},
    {35, 1, 3, 0, 18, K::Number, MaxSimplex},
    {36, 1, 3, 0, 18, K::Number, MinSimplex},
    {37, 1, 3, 0, 18, K::Number, MaxShift},
    {38, 1, 3, 0, 18, K::Number, MinShift},
    {39, 1, 3, 0, 19, K::Values, SortTypes},
    {40, 1, 3, 0, 20, K::Values, StapleTypes},
    {41, 1, 3, 0, 21, K::Values, PunchTypes},
    {42, 1, 3, 0, 22, K::Number, OutputDirection},
    {43, 1, 3, 0, 23, K::Number, OutputOrderly},
    {44, 1, 3, 0, 24, K::Number, OutputWhitePaper},
    {45, 1, 3, 0, 25, K::Values, Emulations},
    {46, 1, 3, 0, 26, K::Number, UserId},
    {47, 1, 3, 0, 27, K::Values, PrintAreas},
    {48, 1, 3, 0, 28, K::Number, PaperRotation},
    {49, 1, 3, 0, 29, K::Number, ActionMerge},
    {50, 1, 3, 0, 30, K::Number, ActionHdd},
    {51, 1, 3, 0, 31, K::Number, ActionHdd},
    {52, 1, 3, 0, 32, K::Number, ActionStored},
    {53, 1, 3, 0, 33, K::Number, ActionOverlay},
    {54, 1, 3, 0, 34, K::Values, Resolutions},
    {55, 1, 3, 0, 35, K::Number, ColourPlanes},
    {56, 1, 3, 0, 13, K::Values, MarkSheetTypes},
};

// Where each capability's answer goes in the record: the number (or the
// count of a list) and, for lists, the pointer.
struct RecordSlot {
  int32_t id;
  size_t value;
  size_t list;  // 0: no list
};
#define VALUE(id, f) {id, offsetof(VELM_CAPS_RECORD, f), 0}
#define LIST(id, c, l) {id, offsetof(VELM_CAPS_RECORD, c), offsetof(VELM_CAPS_RECORD, l)}
constexpr RecordSlot kSlots[kDrvCapsCount] = {
    VALUE(1, presetFile),
    LIST(2, inputTrayCount, inputTrays),
    LIST(3, inputTrayNameCount, inputTrayNames),
    LIST(4, mediaTypeCount, mediaTypes),
    LIST(5, mediaTypeNameCount, mediaTypeNames),
    LIST(6, outputTrayCount, outputTrays),
    LIST(7, outputTrayNameCount, outputTrayNames),
    VALUE(8, color),
    VALUE(9, orientation),
    LIST(10, paperCount, papers),
    LIST(11, paperNameCount, paperNames),
    LIST(12, paperSizeCount, paperSizes),
    VALUE(13, maxExtentWidth),
    VALUE(14, minExtentWidth),
    LIST(15, outputPaperCount, outputPapers),
    LIST(16, outputPaperNameCount, outputPaperNames),
    VALUE(17, maxCopies),
    LIST(18, printMethodCount, printMethods),
    VALUE(19, scaling),
    VALUE(20, maxScaleH),
    VALUE(21, minScaleH),
    VALUE(22, coverSheets),
    VALUE(23, markSheets),
    VALUE(24, nup),
    VALUE(25, duplex),
    VALUE(26, maxMarginOdd),
    VALUE(27, minMarginOdd),
    VALUE(28, maxMarginEven),
    VALUE(29, minMarginEven),
    LIST(30, watermarkKindCount, watermarkKinds),
    VALUE(31, watermarkEntry),
    LIST(32, watermarkEntryCount, watermarkEntries),
    LIST(33, watermarkEntryNameCount, watermarkEntryNames),
    VALUE(34, margins),
    VALUE(35, maxSimplexMargin),
    VALUE(36, minSimplexMargin),
    VALUE(37, maxShiftMargin),
    VALUE(38, minShiftMargin),
    LIST(39, sortTypeCount, sortTypes),
    LIST(40, stapleTypeCount, stapleTypes),
    LIST(41, punchTypeCount, punchTypes),
    VALUE(42, outputDirection),
    VALUE(43, outputOrderly),
    VALUE(44, outputWhitePaper),
    LIST(45, emulationCount, emulations),
    VALUE(46, userId),
    LIST(47, printAreaCount, printAreas),
    VALUE(48, paperRotation),
    VALUE(49, actionMerge),
    VALUE(50, actionProof),
    VALUE(51, actionSecurity),
    VALUE(52, actionStored),
    VALUE(53, actionOverlay),
    LIST(54, resolutionCount, resolutions),
    VALUE(55, colorPlanes),
    LIST(56, markSheetTypeCount, markSheetTypes),
};
#undef VALUE
#undef LIST

void PutInt(uint8_t* record, size_t offset, int32_t value) { std::memcpy(record + offset, &value, sizeof value); }
void PutPtr(uint8_t* record, size_t offset, void* p) { std::memcpy(record + offset, &p, sizeof p); }
void* GetPtr(const uint8_t* record, size_t offset) {
  void* p = nullptr;
  std::memcpy(&p, record + offset, sizeof p);
  return p;
}

int32_t Ask(DriverContext* ctx, int32_t id, void* out, int32_t capacity, bool open) {
  if (!open) return DrvCapsRun(ctx, id, out, capacity);
  return DrvWithPrinter(ctx, [&](DriverContext* c) { return DrvCapsRun(c, id, out, capacity); });
}

// One capability into the record. A list is counted, allocated and filled
// within what was allocated; its count is what was written.
bool FillSlot(uint8_t* record, DriverContext* ctx, const RecordSlot& slot, bool open) {
  const DrvCapsRow* row = DrvCapsFindRow(slot.id);
  if (!slot.list) {
    int32_t answer = Ask(ctx, slot.id, nullptr, 0, open);
    if (row->kind == DrvCapsKind::Pair16) {
      uint32_t pair = uint32_t(answer);
      std::memcpy(record + slot.value, &pair, sizeof pair);
    } else {
      PutInt(record, slot.value, answer);
    }
    return true;
  }
  int32_t count = Ask(ctx, slot.id, nullptr, 0, open);
  if (count <= 0) return true;
  size_t entry = DrvCapsEntryBytes(row->kind);
  void* list = MemAllocZeroed(size_t(count) * entry);
  if (!list) return false;
  int32_t filled = Ask(ctx, slot.id, list, count, open);
  if (filled <= 0) {
    MemFree(list);
    return true;
  }
  PutInt(record, slot.value, std::min(filled, count));
  PutPtr(record, slot.list, list);
  return true;
}

bool Bit(const uint8_t* mask, uint32_t item) { return (mask[(item - 1) / 8] & (0x80 >> ((item - 1) % 8))) != 0; }

}  // namespace

const DrvCapsRow* DrvCapsTable() { return kRows; }

int32_t DrvCapsMatchNames(DriverContext* ctx, const int32_t* values, int32_t count, const int32_t* full_values,
                          int32_t full_count, const char16_t* const* full_names, int32_t names_count,
                          size_t slot_bytes, void* out, int32_t capacity) {
  if (count < 0 || full_count < 0 || names_count < 0 || slot_bytes == 0) return -1;
  FullList full;
  if (full_count) full.values.assign(full_values, full_values + full_count);
  for (int32_t i = 0; i < names_count; ++i) full.names.emplace_back(full_names[i] ? full_names[i] : u"");
  Values v;
  if (count) v.assign(values, values + count);
  return MatchNames(ctx, v, full, slot_bytes, out, capacity);
}

bool DrvCapsCopyName(char* slot, size_t slot_bytes, const char16_t* name) {
  if (!slot || slot_bytes == 0) return false;
  std::memset(slot, 0, slot_bytes);
  Names names{slot_bytes, {}};
  if (!name || !AppendWide(&names, name)) return false;
  std::memcpy(slot, names.bytes.data(), slot_bytes);
  return true;
}

const DrvCapsRow* DrvCapsFindRow(int32_t id) { return id >= 1 && id <= kDrvCapsCount ? &kRows[id - 1] : nullptr; }

size_t DrvCapsEntryBytes(DrvCapsKind kind) {
  switch (kind) {
    case DrvCapsKind::Number: return 0;
    case DrvCapsKind::Pair16:
    case DrvCapsKind::Values: return 4;
    case DrvCapsKind::SizePairs: return 8;
    case DrvCapsKind::Names24: return 24;
    case DrvCapsKind::Names64: return 64;
  }
  return 0;
}

int32_t DrvCapsSupportedItems(uint8_t* out) {
  if (out) {
    std::memset(out, 0, kDrvCapsMaskBytes);
    for (uint32_t item = 1; item <= kDrvStatusItemCount; ++item) out[(item - 1) / 8] |= uint8_t(0x80 >> ((item - 1) % 8));
  }
  return kDrvCapsMaskBytes;
}

int32_t DrvCapsRun(DriverContext* ctx, int32_t id, void* out, int32_t capacity) {
  const DrvCapsRow* row = DrvCapsFindRow(id);
  if (!ctx || !row || !row->enabled) return 0;
  return row->handler(ctx, out, out ? capacity : 0);
}

int32_t DrvCapsQuery(DriverContext* ctx, int32_t id, void* out) {
  if (!ctx) return -1;
  const DrvCapsRow* row = DrvCapsFindRow(id);
  if (!row || !row->enabled) return 0;
  // The outside caller sized the buffer by its first call; there is no
  // size argument to check against.
  return DrvWithPrinter(ctx, [&](DriverContext* c) { return DrvCapsRun(c, id, out, INT32_MAX); });
}

void* DrvCapsBuildRecord(DriverContext* ctx, bool per_query_open) {
  if (!ctx) return nullptr;
  auto* record = static_cast<uint8_t*>(MemAllocZeroed(sizeof(VELM_CAPS_RECORD)));
  auto* mask = static_cast<uint8_t*>(MemAllocZeroed(kDrvCapsMaskBytes));
  if (!record || !mask) {
    MemFree(record);
    MemFree(mask);
    return nullptr;
  }
  DrvCapsSupportedItems(mask);
  PutPtr(record, offsetof(VELM_CAPS_RECORD, supportedItems), mask);
  auto* caps = reinterpret_cast<VELM_CAPS_RECORD*>(record);
  for (const RecordSlot& slot : kSlots) {
    const DrvCapsRow* row = DrvCapsFindRow(slot.id);
    if (!Bit(mask, row->statusItem)) continue;
    // The entry lists exist only when the entry capability answered.
    if ((slot.id == 32 || slot.id == 33) && (caps->watermarkEntry == 0 || caps->watermarkEntry == -1)) continue;
    // The margin limits exist only with the margins.
    if (slot.id >= 35 && slot.id <= 38 && caps->margins == 0) continue;
    if (!FillSlot(record, ctx, slot, per_query_open)) {
      DrvCapsFreeRecord(record);
      return nullptr;
    }
  }
  return record;
}

void DrvCapsFreeRecord(void* record) {
  if (!record) return;
  auto* bytes = static_cast<uint8_t*>(record);
  MemFree(GetPtr(bytes, offsetof(VELM_CAPS_RECORD, supportedItems)));
  for (const RecordSlot& slot : kSlots)
    if (slot.list) MemFree(GetPtr(bytes, slot.list));
  MemFree(record);
}
