// Stand-ins until the public field merge and handlers, the private
// validation and derived items, the settings-request block,
// the job-information provider and the rule
// transacts land. Each leaves the DEVMODE as it is, except where noted.
#include <cstring>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/devmode_standins.h"

int32_t DmApplyExchangeRequest(DriverContext*, uint8_t*) { return 1; }
void DmMergePublicFields(DriverContext*, uint8_t*, const uint8_t*) {}
void DmPublicToPrivate(DriverContext*, const uint8_t*) {}
void DmPrivateToPublic(uint8_t*, DriverContext*, int32_t) {}
void DmSetOutputPaper(DriverContext*, int32_t) {}
void RuleApplyAllTransacts(DriverContext*) {}
void JobInfoReadMaskIfEnabled(DriverContext*, uint32_t) {}
void DmRefreshDerivedItems(uint8_t*, DriverContext*, int32_t) {}

// Stand-in until the public field handlers land: the header fields get
// their fixed values, and a field the model has no feature for gets the
// model record's default; the others keep what the item defaults gave them.
// (The handlers will also check the kept values and set their dmFields bits.)
void DmResetPublicFields(uint8_t* devmode, int32_t, DriverContext* ctx) {
  if (!devmode || !ctx || !ctx->model) return;
  const ModelInfo& m = *ctx->model;
  DEVMODEW d;
  std::memcpy(&d, devmode, sizeof d);
  d.dmSpecVersion = m.specVersion;
  d.dmDriverVersion = m.driverVersion;
  d.dmSize = uint16_t(DmGetPublicSize());
  d.dmDriverExtra = uint16_t(DmGetTotalSize() - DmGetPublicSize());
  d.dmFields = m.defaultFields;
  SHORT* shorts[13] = {&d.dmOrientation, &d.dmPaperSize,  &d.dmPaperLength,   &d.dmPaperWidth, &d.dmScale,
                       &d.dmCopies,      &d.dmDefaultSource, &d.dmPrintQuality, &d.dmColor,      &d.dmDuplex,
                       &d.dmYResolution, &d.dmTTOption,   &d.dmCollate};
  for (uint32_t i = 0; i < 13; ++i)  // settings 7-19
    if (!MdfFindItem(ctx, 7 + i)) *shorts[i] = SHORT(m.publicDefaults[i]);
  if (!MdfFindItem(ctx, 20) || d.dmFormName[0] == 0) {
    std::memset(d.dmFormName, 0, sizeof d.dmFormName);
    for (uint32_t i = 0; i < 31 && m.defaultFormName[i]; ++i) d.dmFormName[i] = m.defaultFormName[i];
  }
  DWORD* icm[4] = {&d.dmICMMethod, &d.dmICMIntent, &d.dmMediaType, &d.dmDitherType};
  for (uint32_t i = 0; i < 4; ++i)  // settings 27-30
    if (!MdfFindItem(ctx, 27 + i)) *icm[i] = m.icmDefaults[i];
  std::memcpy(devmode, &d, sizeof d);
}

// Stand-in until the private validation and the derived items land: of the
// validation only the model family code (vdmMachineID, which every defaults
// pass stores, so that the DEVMODE passes DmIsCompatible), then the private
// header.
void DmFinishDefaults(uint8_t*, DriverContext* ctx) {
  constexpr uint32_t kMachineId = 39;
  if (ctx && ctx->model) OptSetValueById(ctx, kMachineId, ctx->model->machineId);
  DmWritePrivateHeader(ctx);
}
