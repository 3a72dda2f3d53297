// The keep-or-default and set-default handlers of the 34 public DEVMODE
// fields. A field keeps a plausible value for the model item that describes
// it; otherwise it gets its default.
#include <cstring>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

DEVMODEW Read(const uint8_t* devmode) {
  DEVMODEW d;
  std::memcpy(&d, devmode, sizeof d);
  return d;
}
void Write(uint8_t* devmode, const DEVMODEW& d) { std::memcpy(devmode, &d, sizeof d); }

const ModelInfo& Info(DriverContext* ctx) { return ctx->model ? *ctx->model : CtxGetBuiltinModelInfo(); }

// The type of the model item of field index i (setting i + 1), 0 for none.
uint32_t TypeOf(DriverContext* ctx, int32_t index) { return MdfGetNodeType(ctx, MdfGetItemByIndex(ctx, index)); }
bool Described(DriverContext* ctx, int32_t index) { return MdfGetItemByIndex(ctx, index) != 0; }

bool InNumericRange(DriverContext* ctx, int32_t index, int32_t value) {
  ImgFeature f;
  ImgNumeric n;
  MdfItem item = MdfGetItemByIndex(ctx, index);
  if (!item || !MdfReadItem(ctx, item, &f) || (f.type & kFeatureFlagMask) != kFeatureNumeric || !f.data ||
      !MdfImgReadNumeric(ctx->image, f.data, &n))
    return false;
  return OptIsInNumericRange(&n, value) != 0;
}

bool IsPickOne(DriverContext* ctx, int32_t index) { return TypeOf(ctx, index) == kFeaturePickOne; }
bool IsNumeric(DriverContext* ctx, int32_t index) { return TypeOf(ctx, index) == kFeatureNumeric; }

// A handler that edits the public fields.
template <typename Fn>
void Edit(uint8_t* devmode, Fn fn) {
  DEVMODEW d = Read(devmode);
  fn(d);
  Write(devmode, d);
}

// ---- set-default handlers ------------------------------------------------------------------
void DefSpecVersion(uint8_t* dm, DriverContext* ctx) { Edit(dm, [&](DEVMODEW& d) { d.dmSpecVersion = Info(ctx).specVersion; }); }
void DefDriverVersion(uint8_t* dm, DriverContext* ctx) {
  Edit(dm, [&](DEVMODEW& d) { d.dmDriverVersion = Info(ctx).driverVersion; });
}
void DefSize(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmSize = WORD(DmGetPublicSize()); }); }
void DefDriverExtra(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmDriverExtra = WORD(DmGetTotalSize() - DmGetPublicSize()); });
}
void DefFields(uint8_t* dm, DriverContext* ctx) { Edit(dm, [&](DEVMODEW& d) { d.dmFields = Info(ctx).defaultFields; }); }
void DefOrientation(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmOrientation = 1; d.dmFields |= 0x1; });
}
void DefPaperSize(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmPaperSize = 9; d.dmFields |= 0x2; });
}
void DefPaperLength(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmPaperLength = 0; d.dmFields &= ~0x4u; });
}
void DefPaperWidth(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmPaperWidth = 0; d.dmFields &= ~0x8u; });
}
void DefScale(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmScale = 100; }); }
void DefCopies(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmCopies = 1; d.dmFields |= 0x100; });
}
void DefDefaultSource(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmDefaultSource = 7; d.dmFields |= 0x200; });
}
void DefPrintQuality(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmPrintQuality = 600; d.dmFields |= 0x400; });
}
void DefColor(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmColor = 1; }); }
void DefDuplex(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmDuplex = 1; d.dmFields |= 0x1000; });
}
void DefYResolution(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmYResolution = 600; }); }
void DefTTOption(uint8_t* dm, DriverContext*) {
  Edit(dm, [](DEVMODEW& d) { d.dmTTOption = 3; d.dmFields |= 0x4000; });
}
void DefCollate(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmCollate = 0; }); }
void DefFormName(uint8_t* dm, DriverContext* ctx) {
  const char16_t* name = Info(ctx).defaultFormName;
  Edit(dm, [&](DEVMODEW& d) {
    std::memset(d.dmFormName, 0, sizeof d.dmFormName);
    for (int i = 0; name && i < 31 && name[i]; ++i) d.dmFormName[i] = name[i];
    d.dmFields &= ~0x10000u;
  });
}
void DefLogPixels(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmLogPixels = 0; }); }
void DefBitsPerPel(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmBitsPerPel = 0; }); }
void DefPelsWidth(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmPelsWidth = 0; }); }
void DefPelsHeight(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmPelsHeight = 0; }); }
void DefDisplayFlags(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmDisplayFlags = 0; }); }
void DefDisplayFrequency(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmDisplayFrequency = 0; }); }
void DefICMMethod(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmICMMethod = 1; }); }
void DefICMIntent(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmICMIntent = 1; }); }
void DefMediaType(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmMediaType = 1; }); }
void DefDitherType(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmDitherType = 1; }); }
void DefPanningWidth(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmPanningWidth = 0; }); }
void DefPanningHeight(uint8_t* dm, DriverContext*) { Edit(dm, [](DEVMODEW& d) { d.dmPanningHeight = 0; }); }

// ---- keep-or-default handlers ------------------------------------------------------------------
// Keeps when `keep` holds (setting `bit` in dmFields), else runs the default.
void KeepOr(uint8_t* dm, DriverContext* ctx, bool keep, uint32_t bit, DmFieldHandler fallback) {
  if (!keep) {
    fallback(dm, ctx);
    return;
  }
  if (bit) Edit(dm, [&](DEVMODEW& d) { d.dmFields |= bit; });
}

void KeepIfDescribed(uint8_t* dm, DriverContext* ctx, int32_t index, DmFieldHandler fallback) {
  KeepOr(dm, ctx, Described(ctx, index), 0, fallback);
}
void KeepSpecVersion(uint8_t* dm, DriverContext* ctx) { KeepIfDescribed(dm, ctx, 1, DefSpecVersion); }
void KeepDriverVersion(uint8_t* dm, DriverContext* ctx) { KeepIfDescribed(dm, ctx, 2, DefDriverVersion); }
void KeepSize(uint8_t* dm, DriverContext* ctx) { KeepIfDescribed(dm, ctx, 3, DefSize); }
void KeepDriverExtra(uint8_t* dm, DriverContext* ctx) { KeepIfDescribed(dm, ctx, 4, DefDriverExtra); }
void KeepFields(uint8_t* dm, DriverContext* ctx) { KeepIfDescribed(dm, ctx, 5, DefFields); }

void KeepOrientation(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmOrientation;
  KeepOr(dm, ctx, IsPickOne(ctx, 6) && (v == 1 || v == 2), 0x1, DefOrientation);
}
void KeepPaperSize(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmPaperSize;
  KeepOr(dm, ctx, TypeOf(ctx, 7) == kFeaturePickPage && ((v >= 1 && v <= 118) || v >= 256), 0x2, DefPaperSize);
}
// dmPaperLength and dmPaperWidth: a positive value keeps its bit only while
// the other side is positive too.
void KeepPaperSide(uint8_t* dm, DriverContext* ctx, int32_t index, bool length) {
  const DEVMODEW d = Read(dm);
  const int32_t v = length ? d.dmPaperLength : d.dmPaperWidth;
  const int32_t other = length ? d.dmPaperWidth : d.dmPaperLength;
  const uint32_t bit = length ? 0x4 : 0x8;
  if (v > 0) {
    Edit(dm, [&](DEVMODEW& e) { e.dmFields = other > 0 ? (e.dmFields | bit) : (e.dmFields & ~bit); });
  } else if (!(IsNumeric(ctx, index) && v == 0)) {
    (length ? DefPaperLength : DefPaperWidth)(dm, ctx);
  }
}
void KeepPaperLength(uint8_t* dm, DriverContext* ctx) { KeepPaperSide(dm, ctx, 8, true); }
void KeepPaperWidth(uint8_t* dm, DriverContext* ctx) { KeepPaperSide(dm, ctx, 9, false); }
void KeepScale(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmScale;
  KeepOr(dm, ctx, (IsPickOne(ctx, 10) && v > 0) || (IsNumeric(ctx, 10) && InNumericRange(ctx, 10, v)), 0, DefScale);
}
void KeepCopies(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmCopies;
  KeepOr(dm, ctx, IsNumeric(ctx, 11) && v > 0 && InNumericRange(ctx, 11, v), 0x100, DefCopies);
}
void KeepDefaultSource(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmDefaultSource;
  KeepOr(dm, ctx, TypeOf(ctx, 12) == kFeaturePickSlot && ((v >= 1 && v <= 15) || v >= 256), 0x200,
         DefDefaultSource);
}
bool PrintQualityPlausible(DriverContext* ctx, int32_t v) {
  const bool code = DmIsPrintQualityCode(v) != 0;
  return (IsPickOne(ctx, 13) && (v > 0 || code)) || (IsNumeric(ctx, 13) && (InNumericRange(ctx, 13, v) || code));
}
void KeepPrintQuality(uint8_t* dm, DriverContext* ctx) {
  KeepOr(dm, ctx, PrintQualityPlausible(ctx, Read(dm).dmPrintQuality), 0x400, DefPrintQuality);
}
void KeepColor(uint8_t* dm, DriverContext* ctx) {
  KeepOr(dm, ctx, IsPickOne(ctx, 14) && Read(dm).dmColor > 0, 0x800, DefColor);
}
void KeepDuplex(uint8_t* dm, DriverContext* ctx) {
  const uint32_t t = TypeOf(ctx, 15);
  KeepOr(dm, ctx, (t == kFeaturePickOne || t == kFeatureBoolean) && Read(dm).dmDuplex > 0, 0x1000, DefDuplex);
}
void KeepYResolution(uint8_t* dm, DriverContext* ctx) {
  const int32_t v = Read(dm).dmYResolution;
  if ((IsPickOne(ctx, 16) && v > 0) || (IsNumeric(ctx, 16) && InNumericRange(ctx, 16, v))) {
    Edit(dm, [](DEVMODEW& d) { d.dmFields |= 0x2000; });
  } else if (Described(ctx, 13)) {
    KeepPrintQuality(dm, ctx);
    Edit(dm, [](DEVMODEW& d) { d.dmYResolution = d.dmPrintQuality; });
  } else {
    DefYResolution(dm, ctx);
  }
}
void KeepTTOption(uint8_t* dm, DriverContext* ctx) {
  KeepOr(dm, ctx, IsPickOne(ctx, 17) && Read(dm).dmTTOption > 0, 0x4000, DefTTOption);
}
void KeepCollate(uint8_t* dm, DriverContext* ctx) {
  if (!DmIsCollateSupported(ctx)) {
    Edit(dm, [](DEVMODEW& d) { d.dmCollate = 0; d.dmFields &= ~0x8000u; });
    return;
  }
  if (Read(dm).dmFields & 0x8000) return;
  const SHORT sort = OptGetValueById(ctx, setting::vdmFuncSelectSort) ? 1 : 0;
  Edit(dm, [&](DEVMODEW& d) { d.dmCollate = sort; d.dmFields |= 0x8000; });
}
void KeepFormName(uint8_t* dm, DriverContext* ctx) {
  KeepOr(dm, ctx, Described(ctx, 19) && Read(dm).dmFormName[0] != 0, 0x10000, DefFormName);
}
void KeepIcm(uint8_t* dm, DriverContext* ctx, int32_t index, DWORD value, uint32_t bit, DmFieldHandler fallback) {
  KeepOr(dm, ctx, IsPickOne(ctx, index) && value != 0, bit, fallback);
}
void KeepICMMethod(uint8_t* dm, DriverContext* ctx) { KeepIcm(dm, ctx, 26, Read(dm).dmICMMethod, 0x800000, DefICMMethod); }
void KeepICMIntent(uint8_t* dm, DriverContext* ctx) { KeepIcm(dm, ctx, 27, Read(dm).dmICMIntent, 0x1000000, DefICMIntent); }
void KeepMediaType(uint8_t* dm, DriverContext* ctx) { KeepIcm(dm, ctx, 28, Read(dm).dmMediaType, 0, DefMediaType); }
void KeepDitherType(uint8_t* dm, DriverContext* ctx) {
  KeepIcm(dm, ctx, 29, Read(dm).dmDitherType, 0x4000000, DefDitherType);
}

constexpr DmFieldHandlerPair kHandlers[kPublicFieldCount] = {
    {DmFieldNoop, DmFieldNoop},              // 0 dmDeviceName
    {KeepSpecVersion, DefSpecVersion},       // 1
    {KeepDriverVersion, DefDriverVersion},   // 2
    {KeepSize, DefSize},                     // 3
    {KeepDriverExtra, DefDriverExtra},       // 4
    {KeepFields, DefFields},                 // 5
    {KeepOrientation, DefOrientation},       // 6
    {KeepPaperSize, DefPaperSize},           // 7
    {KeepPaperLength, DefPaperLength},       // 8
    {KeepPaperWidth, DefPaperWidth},         // 9
    {KeepScale, DefScale},                   // 10
    {KeepCopies, DefCopies},                 // 11
    {KeepDefaultSource, DefDefaultSource},   // 12
    {KeepPrintQuality, DefPrintQuality},     // 13
    {KeepColor, DefColor},                   // 14
    {KeepDuplex, DefDuplex},                 // 15
    {KeepYResolution, DefYResolution},       // 16
    {KeepTTOption, DefTTOption},             // 17
    {KeepCollate, DefCollate},               // 18
    {KeepFormName, DefFormName},             // 19
    {DmFieldNoop, DefLogPixels},             // 20
    {DmFieldNoop, DefBitsPerPel},            // 21
    {DmFieldNoop, DefPelsWidth},             // 22
    {DmFieldNoop, DefPelsHeight},            // 23
    {DmFieldNoop, DefDisplayFlags},          // 24
    {DmFieldNoop, DefDisplayFrequency},      // 25
    {KeepICMMethod, DefICMMethod},           // 26
    {KeepICMIntent, DefICMIntent},           // 27
    {KeepMediaType, DefMediaType},           // 28
    {KeepDitherType, DefDitherType},         // 29
    {DmFieldNoop, DmFieldNoop},              // 30 dmICCManufacturer
    {DmFieldNoop, DmFieldNoop},              // 31 dmICCModel
    {DmFieldNoop, DefPanningWidth},          // 32
    {DmFieldNoop, DefPanningHeight},         // 33
};

}  // namespace

void DmFieldNoop(uint8_t*, DriverContext*) {}

const DmFieldHandlerPair* DmGetFieldHandlers(int32_t index) {
  return index >= 0 && index < kPublicFieldCount ? &kHandlers[index] : nullptr;
}

void DmSetPublicDefaults(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  for (const DmFieldHandlerPair& h : kHandlers) h.keepOrDefault(ctx->devmode, ctx);
}

void DmResetPublicFields(uint8_t*, int32_t, DriverContext* ctx) { DmSetPublicDefaults(ctx); }
