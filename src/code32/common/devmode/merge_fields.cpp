// The field-by-field merge of an input DEVMODE's public part, and the items
// that hold the public fields and the private settings in step.
#include <cstring>
#include <utility>

#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/library_build.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/presets.h"
#include "velm/rule_computed.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/units.h"

namespace {

constexpr uint32_t DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8,
                   DM_SCALE = 0x10, DM_COPIES = 0x100, DM_DEFAULTSOURCE = 0x200, DM_PRINTQUALITY = 0x400,
                   DM_COLOR = 0x800, DM_DUPLEX = 0x1000, DM_YRESOLUTION = 0x2000, DM_TTOPTION = 0x4000,
                   DM_COLLATE = 0x8000, DM_FORMNAME = 0x10000, DM_ICMMETHOD = 0x800000,
                   DM_ICMINTENT = 0x1000000, DM_MEDIATYPE = 0x2000000, DM_DITHERTYPE = 0x4000000;
constexpr uint32_t DM_PAPERLENGTH_WIDTH = DM_PAPERLENGTH | DM_PAPERWIDTH;
constexpr int32_t kCustomPaper = 256, kStandardResolution = 600;

DEVMODEW ReadPublic(const uint8_t* devmode) {
  DEVMODEW d;
  std::memcpy(&d, devmode, sizeof d);
  return d;
}
void WritePublic(uint8_t* devmode, const DEVMODEW& d) { std::memcpy(devmode, &d, sizeof d); }

const ModelInfo& Info(DriverContext* ctx) { return ctx->model ? *ctx->model : CtxGetBuiltinModelInfo(); }

// The model default of a public field: the value of the model item's default
// when the model describes the setting, else the model record's default.
int32_t ModelDefault(DriverContext* ctx, uint32_t id) {
  const ModelInfo& m = Info(ctx);
  if (MdfFindItem(ctx, id))
    return OptOptionToValue(ctx, OptFindSetting(ctx, id), MdfGetItemDefault(ctx, id));
  if (id >= setting::dmOrientation && id <= 19) return m.publicDefaults[id - setting::dmOrientation];
  if (id >= 27 && id <= 30) return int32_t(m.icmDefaults[id - 27]);
  return 0;
}

bool NumericRange(DriverContext* ctx, uint32_t id, int32_t* lo, int32_t* hi) {
  ImgFeature f;
  ImgNumeric n;
  MdfItem item = MdfFindItem(ctx, id);
  if (!item || !MdfReadItem(ctx, item, &f) || (f.type & kFeatureFlagMask) != kFeatureNumeric || !f.data ||
      !MdfImgReadNumeric(ctx->image, f.data, &n))
    return false;
  *lo = n.minimum;
  *hi = n.maximum;
  return true;
}

// The default of a setting as a value; for vdmDstResolutionBoth the x
// resolution of its resolution-table row.
int32_t ResolutionDefault(DriverContext* ctx, uint32_t id) {
  int32_t v = MdfGetItemDefault(ctx, id);
  if (MdfIsListType(uint16_t(MdfGetItemType(ctx, id)))) v = OptOptionToValue(ctx, OptFindSetting(ctx, id), v);
  if (id != setting::vdmDstResolutionBoth) return v;
  const CapsResolutionRow* row = CapsFindResolutionRow(v);
  return row ? row->x : kStandardResolution;
}

// Step 6 of the merge: the print quality of the input, checked against the
// model's resolution settings, the user quality set and the page dot limit.
int16_t MergePrintQuality(DriverContext* ctx, int16_t requested) {
  int32_t q = requested;
  if (DmIsPrintQualityCode(q)) {
    q = ModelDefault(ctx, setting::dmPrintQuality);
  } else if (!DmCheckPrintQuality(q, ctx)) {
    q = MdfFindItem(ctx, setting::vdmDstResolutionW) ? ResolutionDefault(ctx, setting::vdmDstResolutionW) : Info(ctx).dstResolution[0];
  }
  q = int16_t(q);

  uint32_t resolution_item = setting::vdmDstResolutionW;
  int32_t candidate = q;
  if (MdfGetItemType(ctx, setting::vdmDstResolutionW) == kFeatureNumeric) {
    resolution_item = setting::vdmDstResolutionBoth;
    candidate = CapsFindResolutionIdByX(q);
    if (candidate == 0) candidate = q;
    const CapsResolutionRow* current = CapsFindResolutionRow(OptGetValueById(ctx, setting::vdmDstResolutionBoth));
    if (OptGetValueById(ctx, setting::vdmUseUserMacro) == 1 && current && current->x == q)
      candidate = OptGetValueById(ctx, setting::vdmDstResolutionBoth);
  }
  if (!OptValidateValue(OptFindSetting(ctx, resolution_item), resolution_item, candidate, ctx))
    q = int16_t(ResolutionDefault(ctx, resolution_item));

  const uint32_t merge_mode = ctx->work ? ctx->work->mergeMode : 0;
  const int32_t quality_set = OptGetValueById(ctx, setting::vdmUserPrintMacro);
  if (OptGetValueById(ctx, setting::vdmUseUserMacro) == 1 && (merge_mode & kMergeDocSheet) && (merge_mode & DM_IN_PROMPT) &&
      quality_set >= 32 && quality_set <= 39) {
    DmPushSettings(ctx);
    // A set that cannot be read leaves the working values, which the merge reads.
    (void)PresetLoadQualityByIndex(ctx, quality_set - 32);
    int32_t r = OptGetValueById(ctx, setting::vdmDstResolutionW);
    DmPopSettings(ctx, 1);
    if (r != q) q = int16_t(r);
  }
  return int16_t(q);
}

// A custom size of the working DEVMODE: both dimensions announced and above
// 0, and no paper code or a user paper code.
bool HoldsCustomSize(const DEVMODEW& w) {
  return (w.dmFields & DM_PAPERLENGTH_WIDTH) == DM_PAPERLENGTH_WIDTH && w.dmPaperLength > 0 && w.dmPaperWidth > 0 &&
         (!(w.dmFields & DM_PAPERSIZE) || DmIsFreeSizeCode(w.dmPaperSize));
}

// The graphics library keeps user paper sizes in the page's orientation
// (DmMergePublicFieldsGr): their dimensions are exchanged in landscape.
void ToPageOrientation(DEVMODEW& w) {
  if (LibGetBuild().userPaperInPageOrientation && w.dmOrientation == 2) std::swap(w.dmPaperLength, w.dmPaperWidth);
}

void MergePaper(DriverContext* ctx, uint8_t* working, const DEVMODEW& in, uint32_t fields) {
  const bool page_oriented = LibGetBuild().userPaperInPageOrientation;
  DEVMODEW w = ReadPublic(working);
  if (in.dmPaperSize == kCustomPaper) fields = (fields | DM_PAPERLENGTH_WIDTH) & ~DM_PAPERSIZE;
  // The graphics library also takes the dimensions that come with a user
  // paper code.
  const bool user_code = page_oriented && DmIsFreeSizeCode(in.dmPaperSize);
  if ((fields & DM_PAPERLENGTH_WIDTH) == DM_PAPERLENGTH_WIDTH && in.dmPaperLength > 0 && in.dmPaperWidth > 0 &&
      (!(fields & DM_PAPERSIZE) || user_code)) {
    w.dmPaperSize = !page_oriented || user_code ? in.dmPaperSize : SHORT(kCustomPaper);
    w.dmPaperLength = in.dmPaperLength;
    w.dmPaperWidth = in.dmPaperWidth;
    ToPageOrientation(w);
    w.dmFields = (w.dmFields | DM_PAPERLENGTH_WIDTH) & ~DM_PAPERSIZE;
    WritePublic(working, w);
    return;
  }
  if (fields & DM_PAPERSIZE) {
    const int16_t code = in.dmPaperSize;
    if (DmIsFreeSizeSlotCode(ctx, code) && ctx->work) {
      FreeSizeRefreshSlots(ctx);
      uint32_t n = FreeSizeCodeToSlot(uint32_t(code), ctx);
      const FreeSizeSlot& slot = ctx->work->freeSizes[n < 10 ? n : 0];
      w.dmPaperLength = SHORT(UnitDeviceToUser(kUnitMm10, slot.length > 0 ? uint32_t(slot.length) : 0, 1200));
      w.dmPaperWidth = SHORT(UnitDeviceToUser(kUnitMm10, slot.width > 0 ? uint32_t(slot.width) : 0, 1200));
      ToPageOrientation(w);
      w.dmPaperSize = code;
      w.dmFields |= DM_PAPERLENGTH_WIDTH | DM_PAPERSIZE;
      WritePublic(working, w);
    } else if (DmCheckPaperSize(code, ctx)) {
      w.dmPaperSize = code;
      w.dmFields = (w.dmFields & ~DM_PAPERLENGTH_WIDTH) | DM_PAPERSIZE;
      WritePublic(working, w);
      PaperPair dims;
      if (MdfGetPaperDims(ctx, &dims)) {
        w.dmPaperLength = SHORT(dims.length);
        w.dmPaperWidth = SHORT(dims.width);
        WritePublic(working, w);
      }
    } else {
      w.dmPaperSize = SHORT(ModelDefault(ctx, setting::dmPaperSize));
      w.dmFields = (w.dmFields & ~DM_PAPERLENGTH_WIDTH) | DM_PAPERSIZE;
      WritePublic(working, w);
    }
    return;
  }
  if (fields & DM_ORIENTATION) {
    if (page_oriented && (HoldsCustomSize(w) || DmIsFreeSizeSlotCode(ctx, w.dmPaperSize))) {
      ToPageOrientation(w);
      WritePublic(working, w);
    } else if ((w.dmFields & DM_PAPERSIZE) && !DmIsFreeSizeSlotCode(ctx, w.dmPaperSize)) {
      PaperPair dims;
      if (MdfGetPaperDims(ctx, &dims)) {
        w.dmPaperLength = SHORT(dims.length);
        w.dmPaperWidth = SHORT(dims.width);
        WritePublic(working, w);
      }
    }
    return;
  }
  if (fields & DM_FORMNAME) {
    if (in.dmFormName[0] == 0) {
      std::memset(w.dmFormName, 0, sizeof w.dmFormName);
      w.dmFields &= ~DM_FORMNAME;
    } else if (w.dmFormName[0] != 0) {
      std::memcpy(w.dmFormName, in.dmFormName, sizeof w.dmFormName);
      w.dmFormName[31] = 0;  // the terminator stays inside the field
      w.dmFields |= DM_FORMNAME;
    } else {
      w.dmFields &= ~DM_FORMNAME;
    }
    WritePublic(working, w);
  }
}

void SetEnvironmentBytes(DriverContext* ctx) {
  DmSetFlagUIModeChangeTo(ctx, OptGetValueById(ctx, setting::vdmUIModeChange) != 0 ? 1 : 0);
  DmSetFlagBidiEnabledTo(ctx, SplIsBidiEnabled(ctx));
  DmSetFlagRemotePrinterTo(ctx, SplIsRemotePrinter(ctx));
}

}  // namespace

void DmMergePublicFields(DriverContext* ctx, uint8_t* working, const uint8_t* input) {
  if (!ctx || !working || !input) return;
  const DEVMODEW in = ReadPublic(input);
  const uint32_t f = in.dmFields;
  const ModelInfo& m = Info(ctx);
  DEVMODEW w = ReadPublic(working);

  if (f & DM_DEFAULTSOURCE) {
    w.dmDefaultSource =
        DmCheckDefaultSource(in.dmDefaultSource, ctx) ? in.dmDefaultSource : SHORT(ModelDefault(ctx, setting::dmDefaultSource));
    w.dmFields |= DM_DEFAULTSOURCE;
  }
  if (f & DM_ORIENTATION) {
    // The check may reset the setting itself; read the field after it.
    WritePublic(working, w);
    const bool ok = DmCheckOrientation(in.dmOrientation, ctx) != 0;
    w = ReadPublic(working);
    w.dmOrientation = ok ? in.dmOrientation : SHORT(ModelDefault(ctx, setting::dmOrientation));
    w.dmFields |= DM_ORIENTATION;
  }
  WritePublic(working, w);

  MergePaper(ctx, working, in, f);
  w = ReadPublic(working);

  if (f & DM_SCALE) {
    int32_t lo = int32_t(m.scaleMin), hi = int32_t(m.scaleMax);
    NumericRange(ctx, setting::dmScale, &lo, &hi);
    w.dmScale = in.dmScale >= lo && in.dmScale <= hi ? in.dmScale : SHORT(m.publicDefaults[setting::dmScale - 7]);
  }
  w.dmFields &= ~DM_SCALE;
  if (f & DM_COPIES) {
    int32_t lo = int32_t(m.copiesMin), hi = int32_t(m.copiesMax);
    NumericRange(ctx, setting::dmCopies, &lo, &hi);
    w.dmCopies = in.dmCopies >= lo && in.dmCopies <= hi ? in.dmCopies : SHORT(m.publicDefaults[setting::dmCopies - 7]);
    w.dmFields |= DM_COPIES;
  }
  WritePublic(working, w);

  if (f & DM_PRINTQUALITY) {
    int16_t q = MergePrintQuality(ctx, in.dmPrintQuality);
    w = ReadPublic(working);
    w.dmPrintQuality = q;
    WritePublic(working, w);
    const uint32_t merge_mode = ctx->work ? ctx->work->mergeMode : 0;
    if (!(merge_mode & kMergeSettingsFile) && !RuleCheckPageDotLimit(ctx, 0)) {
      w = ReadPublic(working);
      w.dmPrintQuality = kStandardResolution;
      WritePublic(working, w);
    }
    w = ReadPublic(working);
    w.dmFields |= DM_PRINTQUALITY;
  }
  w.dmYResolution = w.dmPrintQuality;
  w.dmFields |= DM_YRESOLUTION;

  if (f & DM_DUPLEX) {
    w.dmDuplex = DmCheckDuplex(in.dmDuplex, ctx) ? in.dmDuplex : SHORT(m.publicDefaults[16 - 7]);
    w.dmFields |= DM_DUPLEX;
  }
  if (f & DM_COLOR) {
    w.dmColor = DmCheckColor(in.dmColor, ctx) ? in.dmColor : SHORT(m.publicDefaults[15 - 7]);
    w.dmFields |= DM_COLOR;
  }
  if (f & DM_TTOPTION) {
    if (DmCheckTTOption(in.dmTTOption, ctx)) {
      w.dmTTOption = in.dmTTOption;
      w.dmFields |= DM_TTOPTION;
    } else {
      w.dmTTOption = SHORT(m.publicDefaults[18 - 7]);
    }
  }
  WritePublic(working, w);

  // Collation: offered only when the sort function has a real choice.
  const bool collate_offered = DmIsCollateSupported(ctx) != 0;
  w = ReadPublic(working);
  w.dmFields &= ~DM_COLLATE;
  w.dmCollate = 0;
  if (collate_offered) {
    w.dmFields |= DM_COLLATE;
    if (f & DM_COLLATE) w.dmCollate = in.dmCollate == 1 ? 1 : 0;
    else w.dmCollate = OptGetValueById(ctx, setting::vdmFuncSelectSort) ? 1 : 0;
  }

  struct Icm {
    uint32_t bit;
    DWORD DEVMODEW::*field;
    int32_t (*check)(int32_t, DriverContext*);
    uint32_t index;
  };
  const Icm icm[] = {{DM_ICMMETHOD, &DEVMODEW::dmICMMethod, DmCheckICMMethod, 0},
                     {DM_ICMINTENT, &DEVMODEW::dmICMIntent, DmCheckICMIntent, 1},
                     {DM_DITHERTYPE, &DEVMODEW::dmDitherType, DmCheckDitherType, 3}};
  for (const Icm& e : icm) {
    if (!(f & e.bit)) continue;
    if (e.check(int32_t(in.*e.field), ctx)) {
      w.*e.field = in.*e.field;
      w.dmFields |= e.bit;
    } else {
      w.*e.field = m.icmDefaults[e.index];
    }
  }
  if (f & DM_MEDIATYPE) w.dmMediaType = DmCheckMediaType(int32_t(in.dmMediaType), ctx) ? in.dmMediaType : 1;
  WritePublic(working, w);
}

void DmPublicToPrivate(DriverContext* ctx, const uint8_t* input) {
  if (!ctx || !ctx->devmode || !input) return;
  uint8_t* working = ctx->devmode;
  const DEVMODEW in = ReadPublic(input);
  const DEVMODEW w = ReadPublic(working);
  const uint32_t both = w.dmFields & in.dmFields;
  const bool landscape = w.dmOrientation == 2;

  if (both & DM_DUPLEX) {
    if (w.dmDuplex == 2 || w.dmDuplex == 3) {
      // Long-edge family {1, 17, 20} or short-edge family {2, 3, 18, 19, 21, 22}.
      const bool first = (w.dmDuplex == 2 && landscape) || (w.dmDuplex == 3 && !landscape);
      if (OptGetValueById(ctx, setting::vdmFuncSelectDuplex)) {
        int32_t t = OptGetValueById(ctx, setting::vdmDuplexType);
        if (first) {
          t = (t == 18 || t == 19) ? 17 : (t == 21 || t == 22) ? 20 : (t == 1 || t == 17 || t == 20) ? t : 1;
        } else {
          t = t == 17 ? 19 : t == 20 ? 22 : (t == 2 || t == 3 || t == 18 || t == 19 || t == 21 || t == 22) ? t : 3;
        }
        OptSetValueById(ctx, setting::vdmDuplexType, t);
      } else {
        OptSetValueById(ctx, setting::vdmFuncSelectDuplex, 1);
        OptSetValueById(ctx, setting::vdmDuplexType, first ? 1 : 3);
      }
    } else if (w.dmDuplex == 1 && !OptGetValueById(ctx, setting::wdmCustomFunc0)) {
      OptSetValueById(ctx, setting::vdmFuncSelectDuplex, 0);
    }
  }
  if (both & DM_MEDIATYPE) OptSetValueById(ctx, setting::vdmMediaType, int32_t(w.dmMediaType & 0xFFFF));
  DmApplyStamp(ctx);
  const uint32_t merge_mode = ctx->work ? ctx->work->mergeMode : 0;
  if (!(merge_mode & kMergeSettingsFile)) DmResolutionToPrivate(working, ctx);

  const DEVMODEW now = ReadPublic(working);
  if ((both & DM_PAPERLENGTH_WIDTH) == DM_PAPERLENGTH_WIDTH && now.dmPaperLength > 0 && now.dmPaperWidth > 0 &&
      !(both & DM_PAPERSIZE)) {
    DmSetCustomPaper(working, ctx);
  } else if (both & DM_PAPERSIZE) {
    DmSetPaper(now.dmPaperSize, setting::dmPaperSize, ctx, working);
  } else if (both & DM_ORIENTATION) {
    if (!(now.dmFields & DM_PAPERSIZE) && (now.dmFields & DM_PAPERLENGTH_WIDTH) == DM_PAPERLENGTH_WIDTH)
      DmSetCustomPaper(working, ctx);
    else
      DmSetPaper(now.dmPaperSize, setting::dmPaperSize, ctx, working);
  }
  DmSetOutputPaper(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx, working);
  SetEnvironmentBytes(ctx);
  SettingRecord* other = OptFindSetting(ctx, setting::vdmOther);
  const uint8_t* text = OptGetValueAddr(ctx, other);
  if (text && text[0] == 0) DmSetDefaultOtherCmd(ctx);
  OptSetValueById(ctx, setting::wdmUIStart, 0);
  DmValidatePrivate(working, ctx, 2);
}

void DmDuplexToPublic(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  DEVMODEW d = ReadPublic(devmode);
  const bool landscape = d.dmOrientation == 2;
  if (!OptGetValueById(ctx, setting::vdmFuncSelectDuplex)) {
    d.dmDuplex = 1;
  } else if (OptGetValueById(ctx, setting::wdmCustomFunc0) && d.dmDuplex != 2 && d.dmDuplex != 3) {
    return;
  } else {
    const int32_t t = OptGetValueById(ctx, setting::vdmDuplexType);
    if (t == 0) d.dmDuplex = 1;
    else if (t == 1 || t == 17 || t == 20) d.dmDuplex = landscape ? 2 : 3;
    else d.dmDuplex = landscape ? 3 : 2;
  }
  WritePublic(devmode, d);
}

void DmMediaTypeToPublic(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  DEVMODEW d = ReadPublic(devmode);
  d.dmMediaType = DWORD(OptGetValueById(ctx, setting::vdmMediaType));
  WritePublic(devmode, d);
}

void DmResolutionToPrivate(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  DEVMODEW d = ReadPublic(devmode);
  const int32_t r = d.dmPrintQuality;
  d.dmYResolution = SHORT(r);
  WritePublic(devmode, d);
  OptSetValueById(ctx, setting::vdmDstResolutionW, r);
  OptSetValueById(ctx, setting::vdmDstResolutionH, r);
  DmFixBalanceMacro(r, ctx);
}

void DmResolutionToPublic(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  int32_t r = OptGetValueById(ctx, setting::vdmDstResolutionW);
  if (r <= 0) {
    // A model without a resolution feature leaves 0 here; a DEVMODE never
    // announces 0 dpi, so the model record's resolution stands in.
    r = Info(ctx).dstResolution[0];
    OptSetValueById(ctx, setting::vdmDstResolutionW, r);
  }
  OptSetValueById(ctx, setting::vdmDstResolutionH, r);
  DEVMODEW d = ReadPublic(devmode);
  d.dmPrintQuality = SHORT(r);
  d.dmYResolution = SHORT(r);
  WritePublic(devmode, d);
}

void DmFixBalanceMacro(int32_t value, DriverContext* ctx) {
  if (!ctx || OptGetValueById(ctx, setting::vdmUseUserMacro)) return;
  OptSetValueById(ctx, setting::vdmBalanceMacro, value == 300 || value == 400 || value == 600 ? 17 : 18);
}

const char* DmGetDefaultOtherCmd(DriverContext* ctx) {
  return (OptGetValueById(ctx, setting::vdmDriverType) & 0xFF) ? "0001010207d00a" : "0000010207d00a";
}

void DmSetDefaultOtherCmd(DriverContext* ctx) {
  SettingRecord* row = OptFindSetting(ctx, setting::vdmOther);
  if (!row) return;
  char text[64] = {};  // more than the setting's 33 bytes: the copy takes its size
  const char* source = DmGetDefaultOtherCmd(ctx);
  std::memcpy(text, source, std::strlen(source));
  OptSetBytes(ctx, row, text);
}

void DmApplyStamp(DriverContext* ctx) {
  if (!ctx || !OptGetValueById(ctx, setting::vdmFuncSelectWaterMark)) return;
  const int32_t kind = OptGetValueById(ctx, setting::vdmWmKind);
  if (kind == 1 || kind == 2 || kind == 3 || kind == 128) StampSelect(ctx, OptGetValueById(ctx, setting::vdmWmID));
}

void DmRefreshDerivedItems(uint8_t* devmode, DriverContext* ctx, int32_t mode) {
  if (!devmode || !ctx) return;
  DmResolutionToPublic(devmode, ctx);
  DmSetPaper(ReadPublic(devmode).dmPaperSize, setting::dmPaperSize, ctx, devmode);
  DmSetOutputPaper(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx, devmode);
  SetEnvironmentBytes(ctx);
  if (mode == 1 || mode == 3 || mode == 4) DmSetDefaultOtherCmd(ctx);
  OptSetValueById(ctx, setting::wdmUIStart, 0);
}

void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode) {
  if (!devmode || !ctx) return;
  DmRefreshDerivedItems(devmode, ctx, mode);
  DmDuplexToPublic(devmode, ctx);
  DmMediaTypeToPublic(devmode, ctx);
  DmCopyDeviceConfig(ctx);
}

void DmFinishDefaults(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode || !ctx) return;
  DmValidatePrivate(devmode, ctx, 1);
  DmRefreshDerivedItems(devmode, ctx, 1);
  DmWritePrivateHeader(ctx);
}

void RuleApplyAllTransacts(DriverContext* ctx) {
  if (!ctx || !ctx->settings || !ctx->image) return;
  const SettingTable& t = *ctx->settings;
  for (int32_t i = 0; i < t.count; ++i) {
    if (t.rows[i].id == 0) continue;
    if (MdfItem item = MdfFindItem(ctx, t.rows[i].id)) RuleApplyItemTransact(ctx, item);
  }
}
