// The paper geometry items in dots at the output resolution: items 44-49
// for the source paper and 51-56 for the output paper, from a model paper's
// printable area, a user paper-size slot or a custom size of the DEVMODE.
#include <cstring>
#include <utility>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/units.h"

namespace {
constexpr uint32_t kSrcFirst = 44, kDstFirst = 51;
constexpr int32_t kCustomPaper = 256;
constexpr uint32_t kDevice = 1200;
constexpr uint32_t DM_PAPERSIZE = 0x2, DM_PAPERLENGTH_WIDTH = 0xC;

// Differences of values from the model and the slots wrap rather than
// overflow: a foreign value gives a foreign result, never undefined behaviour.
int32_t Sub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
int32_t Twice(int32_t a) { return int32_t(uint32_t(a) * 2u); }
uint32_t Positive(int32_t v) { return v > 0 ? uint32_t(v) : 0; }

struct Geometry {
  int32_t length, width, printLength, printWidth, left, top;
};

void Store(DriverContext* ctx, uint32_t first, const Geometry& g) {
  const int32_t values[6] = {g.length, g.width, g.printLength, g.printWidth, g.left, g.top};
  for (uint32_t i = 0; i < 6; ++i) OptSetValueById(ctx, first + i, values[i]);
}

// The printable area of the option the code maps to through a setting's
// list; a zero rectangle when the model has none.
bool AreaOf(DriverContext* ctx, const SettingRecord* row, int32_t code, PaperRect* rect, PaperPair* pair) {
  *rect = {};
  *pair = {};
  int32_t option = OptValueToOption(ctx, row, code);
  return option > 0 && MdfGetPaperArea(ctx, rect, pair, uint32_t(option)) != 0;
}

DEVMODEW ReadPublic(const uint8_t* devmode) {
  DEVMODEW d;
  std::memcpy(&d, devmode, sizeof d);
  return d;
}
void WritePublic(uint8_t* devmode, const DEVMODEW& d) { std::memcpy(devmode, &d, sizeof d); }

// A slot's width or length brought into the user limits of a custom size:
// a value whose display form lies outside them becomes the bound's device form.
int32_t ClampToLimits(DriverContext* ctx, uint32_t limit_id, int32_t value) {
  int32_t lo = 0, hi = 0;
  if (!UnitGetFreeSizeLimits(ctx, limit_id, &lo, &hi)) return value;
  int32_t shown = UnitGetUserValue(ctx, 0, value);
  if (shown < lo) return UnitSetUserValue(ctx, 0, lo);
  if (shown > hi) return UnitSetUserValue(ctx, 0, hi);
  return value;
}

// A public length (0.1 mm) in 1/1200 inch.
int32_t DeviceOf(SHORT mm10) {
  return int32_t(UnitUserToDevice(kUnitMm10, mm10 > 0 ? uint32_t(mm10) : 0, kDevice));
}

const FreeSizeSlot* SlotOfCode(DriverContext* ctx, int32_t code, int32_t* n) {
  FreeSizeRefreshSlots(ctx);
  *n = int32_t(FreeSizeCodeToSlot(uint32_t(code), ctx));
  if (!ctx->work || *n < 0 || *n >= 10) return nullptr;
  return &ctx->work->freeSizes[*n];
}

}  // namespace

void DmSetCustomPaper(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  const DEVMODEW d = ReadPublic(devmode);
  const uint32_t r = Positive(d.dmPrintQuality);
  PaperRect rect;
  PaperPair pair;
  AreaOf(ctx, OptFindSetting(ctx, setting::dmPaperSize), kCustomPaper, &rect, &pair);
  const int32_t length = int32_t(UnitUserToDevice(kUnitMm10, Positive(d.dmPaperLength), r));
  const int32_t width = int32_t(UnitUserToDevice(kUnitMm10, Positive(d.dmPaperWidth), r));
  Store(ctx, kSrcFirst, {length, width, Sub(length, rect.top), Sub(width, rect.left), rect.left, rect.top});
}

void DmSetPaperCore(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode, int32_t oriented) {
  if (!devmode || !ctx) return;
  PaperRect rect;
  PaperPair pair;
  const bool has_area = AreaOf(ctx, OptFindSetting(ctx, id), paper, &rect, &pair);
  DEVMODEW d = ReadPublic(devmode);
  if (DmIsFreeSizeSlotCode(ctx, paper)) {
    const LibraryBuild& build = LibGetBuild();
    int32_t n = 0;
    const FreeSizeSlot* slot = SlotOfCode(ctx, paper, &n);
    if (!slot) return;
    const uint32_t r = Positive(OptGetValueById(ctx, setting::vdmDstResolutionW));
    FreeSizeSlotToSrcItems(ctx, n);
    // The query library takes the custom size from the public fields the
    // caller set, not from its slot (DmSetPaperCoreExc).
    const bool from_public = build.customPaperFromPublic && paper == kCustomPaper;
    int32_t width = ClampToLimits(ctx, setting::wdmFreeSizeWidth, from_public ? DeviceOf(d.dmPaperWidth) : slot->width);
    int32_t length = ClampToLimits(ctx, setting::wdmFreeSizeLength, from_public ? DeviceOf(d.dmPaperLength) : slot->length);
    // The graphics library keeps user sizes in the page's orientation in
    // both forms (DmSetPaperCoreGr).
    const bool swap = (oriented || build.userPaperInPageOrientation) && d.dmOrientation == 2;
    if (swap) std::swap(width, length);
    const int32_t l = int32_t(UnitRescale(Positive(length), kDevice, r));
    const int32_t w = int32_t(UnitRescale(Positive(width), kDevice, r));
    Store(ctx, kSrcFirst, {l, w, Sub(l, rect.top), Sub(w, rect.left), rect.left, rect.top});
    d = ReadPublic(devmode);
    if (!from_public) {
      // The query library's swap feeds the derived items only.
      if (swap && build.customPaperFromPublic) std::swap(width, length);
      d.dmPaperLength = SHORT(UnitDeviceToUser(kUnitMm10, Positive(length), kDevice));
      d.dmPaperWidth = SHORT(UnitDeviceToUser(kUnitMm10, Positive(width), kDevice));
    }
    d.dmFields |= DM_PAPERLENGTH_WIDTH | DM_PAPERSIZE;
    WritePublic(devmode, d);
    return;
  }
  if (!has_area || !DmCheckPaperSize(paper, ctx)) return;
  Store(ctx, kSrcFirst,
        {pair.length, pair.width, Sub(rect.bottom, rect.top), Sub(rect.right, rect.left), rect.left, rect.top});
  d = ReadPublic(devmode);
  PaperPair dims;
  if (MdfGetPaperDims(ctx, &dims)) {
    d.dmPaperLength = SHORT(dims.length);
    d.dmPaperWidth = SHORT(dims.width);
  }
  d.dmFields = (d.dmFields & ~DM_PAPERLENGTH_WIDTH) | DM_PAPERSIZE;
  WritePublic(devmode, d);
}

void DmSetPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode) {
  DmSetPaperCore(paper, id, ctx, devmode, 0);
}

void DmSetPaperOriented(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode) {
  DmSetPaperCore(paper, id, ctx, devmode, 1);
}

void DmSetOutputPaperCore(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode, int32_t oriented) {
  if (!devmode || !ctx) return;
  const DEVMODEW d = ReadPublic(devmode);
  // The graphics library copies the source geometry for code 1024 whatever
  // the paper (DmSetOutputPaperCoreGr).
  if (DmIsOutPaperSameAsSource(paper) &&
      (LibGetBuild().outputSameAsSourceAlways || DmIsFreeSizeSlotCode(ctx, d.dmPaperSize))) {
    for (uint32_t i = 0; i < 6; ++i) OptSetValueById(ctx, kDstFirst + i, OptGetValueById(ctx, kSrcFirst + i));
    return;
  }
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!OptListHasValue(ctx, row, paper)) row = OptFindSetting(ctx, setting::dmPaperSize);
  PaperRect rect;
  PaperPair pair;
  const bool has_area = AreaOf(ctx, row, paper, &rect, &pair);
  if (DmIsFreeSizeSlotCode(ctx, paper)) {
    int32_t n = 0;
    const FreeSizeSlot* slot = SlotOfCode(ctx, paper, &n);
    if (!slot) return;
    int32_t width = slot->width, length = slot->length;
    if (oriented && d.dmOrientation == 2) std::swap(width, length);
    const int32_t l = int32_t(UnitRescale(Positive(length), kDevice, Positive(OptGetValueById(ctx, setting::vdmDstResolutionH))));
    const int32_t w = int32_t(UnitRescale(Positive(width), kDevice, Positive(OptGetValueById(ctx, setting::vdmDstResolutionW))));
    // The output side keeps the margin on both edges (intended: the source
    // side keeps one).
    Store(ctx, kDstFirst, {l, w, Sub(l, Twice(rect.top)), Sub(w, Twice(rect.left)), rect.left, rect.top});
    return;
  }
  if (!has_area || !DmCheckPaperSize(paper, ctx)) return;
  Store(ctx, kDstFirst,
        {pair.length, pair.width, Sub(rect.bottom, rect.top), Sub(rect.right, rect.left), rect.left, rect.top});
}

void DmSetOutputPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode) {
  DmSetOutputPaperCore(paper, id, ctx, devmode, 0);
}

void DmSetOutputPaperOriented(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode) {
  DmSetOutputPaperCore(paper, id, ctx, devmode, 1);
}
