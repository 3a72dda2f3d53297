// Validation of the private settings 35-706 after defaults (mode 1: every
// validator stores) and after a merge (mode 2: accepted values stay). A
// setting the model can name is checked against the model; one it cannot
// name goes to its validator family in the validator table.
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/names.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/units.h"

namespace {

using Family = PrivateValidatorFamily;
constexpr int32_t kUserMacroOptionBase = 135;
constexpr int32_t kModeDefaults = 1;

const ModelInfo& Info(DriverContext* ctx) { return ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo(); }

bool In(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// Keeps an accepted value in mode 2; otherwise stores `value`.
int32_t KeepOrStore(bool accepted, int32_t mode, SettingRecord* row, int32_t value, DriverContext* ctx) {
  if (mode != kModeDefaults && accepted) return 1;
  OptSetValue(ctx, row, value);
  return 0;
}

template <bool (*Accept)(int32_t)>
int32_t RangeFamily(uint32_t, int32_t value, SettingRecord* row, int32_t def, int32_t mode, DriverContext* ctx) {
  return KeepOrStore(Accept(value), mode, row, def, ctx);
}

bool Accept0To3(int32_t v) { return In(v, 0, 3); }
bool Accept0To5(int32_t v) { return In(v, 0, 5); }
bool Accept1To3(int32_t v) { return In(v, 1, 3); }
bool AcceptPosterFace(int32_t v) { return v == 0 || In(v, 32769, 32772); }
bool AcceptBooklet(int32_t v) { return v == 0 || In(v, 17, 22); }
bool AcceptMedia(int32_t v) { return DmIsKnownMediaType(v) != 0; }
bool AcceptTray(int32_t v) { return DmIsKnownDefaultSource(v) != 0; }
bool AcceptColorMode(int32_t v) { return In(v, 0, 3) || In(v, 128, 131); }
bool AcceptSigned50(int32_t v) { return In(v, -50, 50); }
bool AcceptUnsigned255(int32_t v) { return uint32_t(v) <= 255u; }
bool AcceptDither(int32_t v) { return In(v, 257, 263) || In(v, 512, 515); }
bool Accept0To6(int32_t v) { return In(v, 0, 6); }
bool AcceptZeroOrOne(int32_t v) { return v == 0 || v == 1; }
bool Accept0To2(int32_t v) { return In(v, 0, 2); }
bool AcceptEmulation(int32_t v) { return In(v, 0, 14) || In(v, 32, 47) || v == 255; }
bool AcceptTimeOut(int32_t v) { return In(v, 5, 300); }
bool Accept0To4(int32_t v) { return In(v, 0, 4); }

int32_t AlwaysReset(uint32_t id, int32_t, SettingRecord* row, int32_t def, int32_t, DriverContext* ctx) {
  const ModelInfo& m = Info(ctx);
  int32_t value = def;
  if (id >= 35 && id <= 38) value = m.cdcDefaults[id - 35];
  else if (id == 245) value = int32_t(m.velmVersion);
  OptSetValue(ctx, row, value);
  return 0;
}

int32_t ModelFamily(uint32_t, int32_t value, SettingRecord* row, int32_t, int32_t mode, DriverContext* ctx) {
  const int32_t family = Info(ctx).machineId;
  return KeepOrStore(value == family, mode, row, family, ctx);
}

// The tab width is kept in millimetres in the table and stored as dots at
// the output resolution.
int32_t PosterTab(uint32_t, int32_t, SettingRecord* row, int32_t def, int32_t, DriverContext* ctx) {
  const int32_t r = OptGetValueById(ctx, setting::vdmDstResolutionW);
  OptSetValue(ctx, row, int32_t(UnitUserToDevice(kUnitMm10, uint32_t(def) * 10u, r > 0 ? uint32_t(r) : 0)));
  return 0;
}

int32_t Paper(uint32_t id, int32_t value, SettingRecord* row, int32_t, int32_t mode, DriverContext* ctx) {
  const uint32_t index = id == 132 ? 0 : id == 139 ? 1 : id == 143 ? 2 : 3;
  return KeepOrStore(DmIsKnownPaperOrFreeSize(value) != 0, mode, row, Info(ctx).paperSizeDefaults[index], ctx);
}

int32_t DisplayLanguage(uint32_t, int32_t value, SettingRecord* row, int32_t, int32_t mode, DriverContext* ctx) {
  return KeepOrStore(value >= 0 && ResIsLanguageId(uint32_t(value)) != 0, mode, row, Info(ctx).languageDefaults[1],
                     ctx);
}

int32_t Any(uint32_t, int32_t, SettingRecord*, int32_t, int32_t, DriverContext*) { return 1; }

int32_t Memory(uint32_t, int32_t value, SettingRecord* row, int32_t, int32_t mode, DriverContext* ctx) {
  return KeepOrStore(In(value, 1, 999), mode, row, int32_t(Info(ctx).installedMemory), ctx);
}

constexpr PrivateValidator kFamilies[] = {
    nullptr,                           // kNone
    AlwaysReset,                       // kAlwaysReset
    ModelFamily,                       // kModelFamily
    RangeFamily<Accept0To3>,           // kRange0To3
    RangeFamily<Accept0To5>,           // kRange0To5
    RangeFamily<Accept1To3>,           // kRange1To3
    RangeFamily<AcceptPosterFace>,     // kPosterFace
    PosterTab,                         // kPosterTab
    RangeFamily<AcceptBooklet>,        // kBookletType
    Paper,                             // kPaper
    RangeFamily<AcceptMedia>,          // kMedia
    RangeFamily<AcceptTray>,           // kInputTray
    RangeFamily<AcceptColorMode>,      // kColorMode
    RangeFamily<AcceptSigned50>,       // kSigned50
    RangeFamily<AcceptUnsigned255>,    // kUnsigned255
    RangeFamily<AcceptDither>,         // kDither
    DisplayLanguage,                   // kDisplayLanguage
    Any,                               // kAny
    RangeFamily<Accept0To6>,           // kRange0To6
    RangeFamily<AcceptZeroOrOne>,      // kZeroOrOne
    RangeFamily<Accept0To2>,           // kRange0To2
    RangeFamily<AcceptEmulation>,      // kEmulation
    RangeFamily<AcceptTimeOut>,        // kTimeOut
    RangeFamily<Accept0To4>,           // kRange0To4
    Memory,                            // kMemory
};
static_assert(sizeof(kFamilies) / sizeof(kFamilies[0]) == size_t(Family::kCount));

}  // namespace

PrivateValidator DmGetPrivateValidator(PrivateValidatorFamily family) {
  return family < Family::kCount ? kFamilies[size_t(family)] : nullptr;
}

int32_t DmValidatePrivateSettings(DriverContext* ctx, int32_t mode) {
  if (!ctx || !ctx->devmode || ctx == CtxGetTemplate()) return 0;
  const PrivateValidatorRow* table = DmGetPrivateValidatorTable();
  for (uint32_t id = kFirstPrivateId; id <= kLastPrivateId; ++id) {
    SettingRecord* row = OptFindSetting(ctx, id);
    if (!row) continue;
    const int32_t value = OptGetValue(ctx, row);
    if (DmCheckValueWithFixup(id, value, ctx) != kCheckNoKey) continue;
    const PrivateValidatorRow& entry = table[id - kFirstPrivateId];
    if (PrivateValidator validate = DmGetPrivateValidator(entry.family))
      validate(id, value, row, entry.defaultValue, mode, ctx);
  }
  return 1;
}

int32_t DmValidatePrivate(uint8_t*, DriverContext* ctx, int32_t mode) { return DmValidatePrivateSettings(ctx, mode); }

int32_t OptNupKindOfType(int32_t type, int32_t* kind) {
  int32_t k = 0;
  if (In(type, 1, 3)) k = 1;
  else if (type == 33 || type == 34 || type == 37 || type == 38) k = 2;
  else if (type == 65 || type == 66 || type == 69 || type == 70) k = 3;
  else if (type == 97 || type == 98 || type == 101 || type == 102) k = 4;
  else if (In(type, 32769, 32771)) k = 9;
  if (kind) *kind = k;
  return k;
}

int32_t OptGetWaterMarkId(DriverContext* ctx) {
  return OptGetValueById(ctx, setting::vdmFuncSelectWaterMark) ? OptGetValueById(ctx, setting::vdmWmID) : -1;
}

int32_t OptGetUserMacroIndex(DriverContext* ctx) {
  if (OptGetValueById(ctx, setting::vdmUseUserMacro) != 1) return -1;
  return OptGetOptionById(ctx, setting::vdmUserPrintMacro) - kUserMacroOptionBase;
}
