// The private header of the DEVMODE and the environment flag bytes.
#include <cstring>

#include "plat/le.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library_build.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {
constexpr uint32_t kMachineIdByte = 372;
constexpr uint32_t kDriverTypeByte = 857;
constexpr uint32_t kMachineColorByte = 826;
constexpr uint32_t kQualityWord = 858;

using plat::Get32;
using plat::Put32;

uint8_t* Flag(DriverContext* ctx, uint32_t byte) { return ctx && ctx->devmode ? ctx->devmode + byte : nullptr; }
void SetFlag(DriverContext* ctx, uint32_t byte, int32_t value) {
  if (uint8_t* p = Flag(ctx, byte); p && ctx != CtxGetTemplate()) *p = uint8_t(value);
}
int32_t GetFlag(DriverContext* ctx, uint32_t byte) {
  const uint8_t* p = Flag(ctx, byte);
  return p ? *p : 0;
}

const ModelInfo& Model(DriverContext* ctx) {
  return ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo();
}

}  // namespace

void DmInitPrivateHeader(uint8_t* devmode, DriverContext* ctx) {
  if (!devmode) return;
  const ModelInfo& m = Model(ctx);
  std::memcpy(devmode + dm::kSignature, "VELM", 4);
  Put32(devmode + dm::kJobLinker, 0);
  std::memcpy(devmode + dm::kModelTag, m.modelTag, 4);
  Put32(devmode + dm::kPrivateSize, dm::kDriverExtra);
  Put32(devmode + dm::kPrivateVersion, m.privateVersion);
  dm::StampRegionOffsets(devmode);
}

void DmWritePrivateHeader(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return;
  const ModelInfo& m = Model(ctx);
  const char16_t* names[3] = {m.iniFileName, m.versionStrings[0], m.versionStrings[1]};
  const uint32_t items[3] = {setting::vdmIniFileName, setting::vdmiCDCVerStr, setting::vdmiVPJLVerStr};
  for (int i = 0; i < 3; ++i) {
    char ansi[16];
    StrWideToAnsi(ansi, names[i], sizeof ansi);
    OptSetBytes(ctx, OptFindSetting(ctx, items[i]), ansi);
  }
  // The query library writes the common marker empty and its version 0.
  const bool empty_mark = LibGetBuild().emptyCommonMarker;
  const char mark[8] = {'V', 'C', 'O', 'M', 'M', 'O', 'N', 0};
  OptSetBytes(ctx, OptFindSetting(ctx, setting::vdmVcomMark), empty_mark ? nullptr : mark);
  OptSetValueById(ctx, setting::vdmVcomVersion, empty_mark ? 0 : 5);
  OptSetBytes(ctx, OptFindSetting(ctx, setting::vdmVcomMember), nullptr);
  OptSetBytes(ctx, OptFindSetting(ctx, setting::vdmVcomCaps), nullptr);
}

int32_t DmIsCompatible(const uint8_t* devmode) {
  if (!devmode) return 0;
  const ModelInfo& m = CtxGetBuiltinModelInfo();
  if (std::memcmp(devmode + dm::kModelTag, m.modelTag, 4) != 0) return 0;
  if (Get32(devmode + dm::kPrivateSize) != dm::kDriverExtra) return 0;
  if ((Get32(devmode + dm::kPrivateVersion) & 0xFFFF) != (m.privateVersion & 0xFFFF)) return 0;
  if (devmode[kMachineIdByte] != m.machineId) return 0;
  return devmode[kDriverTypeByte] == (m.modelFlag ? 1 : 0) ? 1 : 0;
}

int32_t DmIsMachineColor(DriverContext* ctx) { return GetFlag(ctx, kMachineColorByte) == 1 ? 1 : 0; }

int32_t DmIsMachineColorMark(const uint8_t* devmode) {
  return devmode && devmode[kMachineColorByte] == 1 ? 1 : 0;
}

#define VELM_DM_FLAG_SETTERS(Name, byte)                                             \
  void DmClearFlag##Name(DriverContext* ctx) { SetFlag(ctx, byte, 0); }              \
  void DmSetFlag##Name(DriverContext* ctx) { SetFlag(ctx, byte, 1); }                \
  void DmSetFlag##Name##To(DriverContext* ctx, int32_t value) { SetFlag(ctx, byte, value); }
#define VELM_DM_FLAG_GETTER(Name, byte) \
  int32_t DmGetFlag##Name(DriverContext* ctx) { return GetFlag(ctx, byte); }

VELM_DM_FLAG_SETTERS(UserDefault, 1241)
VELM_DM_FLAG_GETTER(UserDefault, 1241)
VELM_DM_FLAG_SETTERS(BatchInstallDone, 1243)
VELM_DM_FLAG_SETTERS(BatchUserCode, 1244)
VELM_DM_FLAG_GETTER(BatchUserCode, 1244)
VELM_DM_FLAG_SETTERS(BidiQueried, 1245)
VELM_DM_FLAG_GETTER(BidiQueried, 1245)
VELM_DM_FLAG_SETTERS(NoPermission, 1246)
VELM_DM_FLAG_GETTER(NoPermission, 1246)
VELM_DM_FLAG_SETTERS(UIModeChange, 1247)
VELM_DM_FLAG_GETTER(UIModeChange, 1247)
VELM_DM_FLAG_SETTERS(BidiEnabled, 1248)
VELM_DM_FLAG_SETTERS(RemotePrinter, 1249)
VELM_DM_FLAG_GETTER(RemotePrinter, 1249)
VELM_DM_FLAG_SETTERS(LogCodeUse, 1250)
VELM_DM_FLAG_SETTERS(ProviderUcode, 1251)
VELM_DM_FLAG_GETTER(ProviderUcode, 1251)
VELM_DM_FLAG_SETTERS(JobToolInstalled, 1252)
VELM_DM_FLAG_SETTERS(DeviceSheet, 1253)
VELM_DM_FLAG_SETTERS(ProviderUcode2, 1254)

void DmSetOsKindNt4(DriverContext* ctx) { SetFlag(ctx, 1242, 1); }
void DmSetOsKindNt5(DriverContext* ctx) { SetFlag(ctx, 1242, 2); }
void DmSetOsKind(DriverContext* ctx, int32_t value) { SetFlag(ctx, 1242, value); }
int32_t DmGetOsKind(DriverContext* ctx) { return GetFlag(ctx, 1242); }
void DmSetFlagTerminalServerTo(DriverContext* ctx, int32_t value) { SetFlag(ctx, 1255, value); }
void DmSetFlagAdministratorTo(DriverContext* ctx, int32_t value) { SetFlag(ctx, 1256, value); }

void DmSetQualityFuncBits(DriverContext* ctx, uint16_t bits) {
  if (uint8_t* p = Flag(ctx, kQualityWord); p && ctx != CtxGetTemplate()) {
    p[0] = uint8_t(bits & 0xFF);
    p[1] = uint8_t(bits >> 8);
  }
}

uint16_t DmGetQualityFuncBits(DriverContext* ctx) {
  const uint8_t* p = Flag(ctx, kQualityWord);
  return p ? uint16_t(p[0] | p[1] << 8) : 0;
}
