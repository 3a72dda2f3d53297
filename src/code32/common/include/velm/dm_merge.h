// The public DEVMODE fields and the private settings describe one job twice.
// This header gathers how an input DEVMODE's public fields are taken over
// field by field, how the two descriptions are kept in step (private items
// from public fields and back, and the paper geometry items in dots), the
// per-field keep-or-default handlers and validators, and the validation of
// the private settings after defaults and after every merge.
//
// Every write goes through the setting store (or the fixed DEVMODEW fields
// of the working buffer), so no value of an input DEVMODE can move a write
// outside the 3808-byte work buffer. A DEVMODE argument is the context's
// working DEVMODE.
#pragma once

#include <cstdint>

#include "velm/model_query.h"

struct DriverContext;
struct SettingRecord;

// ---- merge and derived items --------------------------------------------------------
// Takes the public fields the input announces in its dmFields into the
// working DEVMODE, each checked against the model.
void DmMergePublicFields(DriverContext* ctx, uint8_t* working, const uint8_t* input);
// Derives the private settings from the public fields both the working
// DEVMODE and the input announce (the working values are read), then
// validates the private settings (mode 2).
void DmPublicToPrivate(DriverContext* ctx, const uint8_t* input);
// Derived items, then dmDuplex and dmMediaType from the private settings,
// then the device configuration mirror.
void DmPrivateToPublic(uint8_t* devmode, DriverContext* ctx, int32_t mode);
// Resolution to the public fields, source and output paper geometry,
// environment bytes 1247-1249, the default command text for modes 1, 3 and
// 4, and wdmUIStart := 0.
void DmRefreshDerivedItems(uint8_t* devmode, DriverContext* ctx, int32_t mode);
// After the defaults: private validation (mode 1), derived items (mode 1)
// and the private header.
void DmFinishDefaults(uint8_t* devmode, DriverContext* ctx);
// The stamp named by vdmWmID when stamps are on and of a stamp kind.
void DmApplyStamp(DriverContext* ctx);
void DmDuplexToPublic(uint8_t* devmode, DriverContext* ctx);
void DmMediaTypeToPublic(uint8_t* devmode, DriverContext* ctx);
// dmPrintQuality -> dmYResolution, vdmDstResolutionW/H and the balance macro.
void DmResolutionToPrivate(uint8_t* devmode, DriverContext* ctx);
// vdmDstResolutionW -> vdmDstResolutionH, dmPrintQuality, dmYResolution.
void DmResolutionToPublic(uint8_t* devmode, DriverContext* ctx);
void DmFixBalanceMacro(int32_t value, DriverContext* ctx);
// The default vdmOther command text by the driver type, and its write.
const char* DmGetDefaultOtherCmd(DriverContext* ctx);
void DmSetDefaultOtherCmd(DriverContext* ctx);
// Runs the Transact list of every setting the model describes, in table order.
void RuleApplyAllTransacts(DriverContext* ctx);

// ---- paper geometry (items 44-49 source, 51-56 output, in dots) -----------------------
void DmSetCustomPaper(uint8_t* devmode, DriverContext* ctx);
void DmSetPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetPaperOriented(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetPaperCore(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode, int32_t oriented);
void DmSetOutputPaper(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetOutputPaperOriented(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode);
void DmSetOutputPaperCore(int32_t paper, uint32_t id, DriverContext* ctx, uint8_t* devmode, int32_t oriented);

// ---- values against a setting's model item -------------------------------------------
// 1 allowed, 0 rejected.
int32_t OptValidateValue(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx);
// 0 rejected, 1 allowed, 4 allowed but hidden by the rules, 5 allowed but
// disabled by the rules. For vdmNUPType it also brings vdmNUPPOSTKind in line.
constexpr int32_t kValueRejected = 0, kValueAllowed = 1, kValueHidden = 4, kValueDisabled = 5;
int32_t OptValidateValueEx(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx);
// 1 when an option record of the feature's list has the option id.
int32_t OptModelListHasOption(MdfItem item, int32_t option, DriverContext* ctx);
int32_t OptIsBooleanValue(int32_t value);
struct ImgNumeric;
int32_t OptIsInNumericRange(const ImgNumeric* numeric, int32_t value);

// Model checks: 2 the setting has no symbol key, 3 the model has no item for
// it or marks it unsupported, else 1 accepted / 0 rejected.
constexpr int32_t kCheckRejected = 0, kCheckAccepted = 1, kCheckNoKey = 2, kCheckNoItem = 3;
int32_t DmCheckValueByModel(uint32_t id, int32_t value, DriverContext* ctx);
// As DmCheckValueByModel; a rejected value of a pick setting with an option
// list answers whether the list holds it; any other rejected value is reset
// (answer 1).
int32_t DmCheckValueOrReset(uint32_t id, int32_t value, DriverContext* ctx);
// As DmCheckValueByModel with OptValidateValueEx (hidden counts as rejected);
// a rejected value is repaired and the answer is 1.
int32_t DmCheckValueWithFixup(uint32_t id, int32_t value, DriverContext* ctx);
void DmClampScaleOrDefault(SettingRecord* row, uint32_t id, int32_t value, DriverContext* ctx);

// ---- public field validators (1 valid, 0 invalid) and value tests -------------------------
int32_t DmCheckDefaultSource(int32_t value, DriverContext* ctx);
int32_t DmCheckOrientation(int32_t value, DriverContext* ctx);
int32_t DmCheckPaperSize(int32_t value, DriverContext* ctx);
int32_t DmCheckPrintQuality(int32_t value, DriverContext* ctx);
int32_t DmCheckDuplex(int32_t value, DriverContext* ctx);
int32_t DmCheckColor(int32_t value, DriverContext* ctx);
int32_t DmCheckTTOption(int32_t value, DriverContext* ctx);
int32_t DmCheckICMMethod(int32_t value, DriverContext* ctx);
int32_t DmCheckICMIntent(int32_t value, DriverContext* ctx);
int32_t DmCheckMediaType(int32_t value, DriverContext* ctx);
int32_t DmCheckDitherType(int32_t value, DriverContext* ctx);

int32_t DmIsKnownDefaultSource(int32_t value);
int32_t DmIsOneOrTwo(int32_t value);
int32_t DmIsKnownPrintQuality(int32_t value);
int32_t DmIsKnownDuplex(int32_t value);
int32_t DmIsKnownTTOption(int32_t value);
int32_t DmIsKnownICMMethod(int32_t value);
int32_t DmIsKnownICMIntent(int32_t value);
int32_t DmIsKnownMediaType(int32_t value);
int32_t DmIsKnownDitherType(int32_t value);
int32_t DmIsPrintQualityCode(int32_t value);
int32_t DmIsKnownPaperCode(int32_t value);
int32_t DmIsFreeSizeCode(int32_t value);
int32_t DmIsKnownPaperOrFreeSize(int32_t value);
int32_t DmIsOutPaperSameAsSource(int32_t value);
int32_t DmIsFreeSizeSlotCode(DriverContext* ctx, int32_t paper);
int32_t DmAlwaysValid(int32_t value);
// The user paper-size slot (0-9) of dmPaperSize / vdmOutPaperSize, -1 when
// the code is no user size.
int32_t FreeSizeGetPaperSlot(DriverContext* ctx);
int32_t FreeSizeGetOutPaperSlot(DriverContext* ctx);
int32_t DmIsCollateSupported(DriverContext* ctx);

// ---- public field handlers ---------------------------------------------------------------
constexpr int32_t kPublicFieldCount = 34;
using DmFieldHandler = void (*)(uint8_t* devmode, DriverContext* ctx);
struct DmFieldHandlerPair {
  DmFieldHandler keepOrDefault;
  DmFieldHandler setDefault;
};
// The handler pair of field index 0-33 (setting id index + 1); null outside.
const DmFieldHandlerPair* DmGetFieldHandlers(int32_t index);
void DmResetPublicFields(uint8_t* devmode, int32_t mode, DriverContext* ctx);
void DmSetPublicDefaults(DriverContext* ctx);
void DmFieldNoop(uint8_t* devmode, DriverContext* ctx);

// ---- private validation -------------------------------------------------------------------
int32_t DmValidatePrivate(uint8_t* devmode, DriverContext* ctx, int32_t mode);
int32_t DmValidatePrivateSettings(DriverContext* ctx, int32_t mode);

enum class PrivateValidatorFamily : uint8_t {
  kNone,
  kAlwaysReset,
  kModelFamily,
  kRange0To3,
  kRange0To5,
  kRange1To3,
  kPosterFace,
  kPosterTab,
  kBookletType,
  kPaper,
  kMedia,
  kInputTray,
  kColorMode,
  kSigned50,
  kUnsigned255,
  kDither,
  kDisplayLanguage,
  kAny,
  kRange0To6,
  kZeroOrOne,
  kRange0To2,
  kEmulation,
  kTimeOut,
  kRange0To4,
  kMemory,
  kCount
};
struct PrivateValidatorRow {
  uint16_t id;
  PrivateValidatorFamily family;
  int32_t defaultValue;
};
constexpr uint32_t kFirstPrivateId = 35, kLastPrivateId = 706;
constexpr int32_t kPrivateValidatorRowCount = 672;
const PrivateValidatorRow* DmGetPrivateValidatorTable();
// A validator: 1 the value stayed, 0 another value was stored.
using PrivateValidator = int32_t (*)(uint32_t id, int32_t value, SettingRecord* row, int32_t default_value,
                                     int32_t mode, DriverContext* ctx);
// The routine of a family; null for kNone and values past the last family.
PrivateValidator DmGetPrivateValidator(PrivateValidatorFamily family);

// N-up kind of a vdmNUPType value (0 for none); also into *kind when given.
int32_t OptNupKindOfType(int32_t type, int32_t* kind = nullptr);
int32_t OptGetWaterMarkId(DriverContext* ctx);
int32_t OptGetUserMacroIndex(DriverContext* ctx);
