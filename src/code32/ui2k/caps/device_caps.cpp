// The device-capability queries. Questions about the model alone are
// answered from the built-in model record; those that depend on the
// printer's installed options and the rules go through a capability context
// with the caller's DEVMODE merged; a few read the printer's data directly.
#include <cstring>
#include <string>

#include "plat/kernel.h"
#include "plat/winspool.h"
#include "ui2k/device_caps.h"
#include "velm/caps.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/inst_setup.h"
#include "velm/ini.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/selectable.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr int32_t kFail = -1;
constexpr uint32_t kCapsMerge = 0x1000008;  // capability query, input DEVMODE given
constexpr uint32_t kTrayPresentFirst = 10111;  // vdmTrayField0..31
constexpr uint32_t kTrayPaperFirst = 10175;    // paper code of trays 1-32
constexpr int32_t kTrayCount = 32;
constexpr int32_t kNupValues[] = {1, 2, 4, 9, 16};
constexpr char16_t kPersonality[] = u"VELM";

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

// The bytes of the caller's DEVMODE: its own sizes (null: none).
size_t InputLength(const void* devmode) {
  if (!devmode) return 0;
  auto* dm = static_cast<const uint8_t*>(devmode);
  return size_t(Get16(dm + 68)) + Get16(dm + 70);
}

// ---- answers from printer data and files ------------------------------------------

int32_t DuplexFromPrinterData(HANDLE printer) {
  std::u16string name = u"Duplex";
  uint8_t value[4] = {};
  DWORD type = 0, needed = 0;
  if (GetPrinterDataW(printer, name.data(), &type, value, sizeof value, &needed) != ERROR_SUCCESS) return kFail;
  return (value[0] | value[1] | value[2] | value[3]) ? 1 : 0;
}

int32_t PrintRate(HANDLE printer) {
  char16_t driver[261] = {};
  char16_t info_file[261] = {};
  SplCopyDriverNameByHandle(printer, driver, 261);
  if (!PathGetInstallInfoFileNoCtx(printer, info_file, 261)) return 0;
  return IniGetInt(driver, u"PPM", 0, info_file);
}

// The machine-colour mark of the printer's stored DEVMODE, read only within
// the sizes it declares and the block that holds it, and only from a DEVMODE
// of this driver in this driver's sizes; -1 otherwise.
int32_t ColorDeviceFromStoredDevmode(HANDLE printer) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  if (!info) return kFail;
  int32_t answer = kFail;
  auto* block = reinterpret_cast<const uint8_t*>(info);
  auto* stored = reinterpret_cast<const uint8_t*>(info->pDevMode);
  size_t block_size = GlobalSize(info);
  if (stored && stored >= block && stored < block + block_size) {
    size_t available = size_t(block + block_size - stored);
    if (available >= 72) {
      size_t size = Get16(stored + 68), extra = Get16(stored + 70);
      bool ours = size == DmGetPublicSize() && extra == DmGetDriverExtraSize() &&
                  size + extra <= available && size + extra == DmGetTotalSize() &&
                  std::memcmp(stored + dm::kSignature, "VELM", 4) == 0;
      if (ours) {
        auto* copy = static_cast<uint8_t*>(MemAllocZeroed(DmGetTotalSize()));
        if (copy) {
          std::memcpy(copy, stored, size + extra);
          answer = DmIsMachineColorMark(copy);
          MemFree(copy);
        }
      }
    }
  }
  MemFree(info);
  return answer;
}

// ---- answers through the capability context ----------------------------------------

// The papers loaded in the trays, each code once in tray order; with an
// output, one 64-character name per code.
int32_t MediaReady(DriverContext* ctx, char16_t* out) {
  uint16_t codes[kTrayCount];
  int32_t options[kTrayCount];
  int32_t count = 0;
  for (int32_t j = 0; j < kTrayCount; ++j) {
    SettingRecord* paper_row = nullptr;
    int32_t present = OptGetValueById(ctx, kTrayPresentFirst + uint32_t(j)) & 0xFFFF;
    int32_t paper = OptGetValueById(ctx, kTrayPaperFirst + uint32_t(j), &paper_row) & 0xFFFF;
    if (!present || !paper) continue;
    bool seen = false;
    for (int32_t k = 0; k < count && !seen; ++k) seen = codes[k] == paper;
    if (seen) continue;
    codes[count] = uint16_t(paper);
    options[count] = paper_row ? OptValueToOption(ctx, paper_row, paper) : 0;
    ++count;
  }
  if (!out) return count;
  bool slots_loaded = false;
  for (int32_t k = 0; k < count; ++k) {
    char16_t* entry = out + size_t(k) * kCapsMediaNameChars;
    std::memset(entry, 0, kCapsMediaNameChars * sizeof(char16_t));
    if (FreeSizeIsSlotCode(codes[k])) {
      // A user paper size: its slot's name given to applications.
      if (!slots_loaded) {
        FreeSizeRefreshSlots(ctx);
        slots_loaded = true;
      }
      uint32_t slot = FreeSizeCodeToSlot(codes[k], ctx);
      char name[sizeof ctx->work->freeSizes[0].names[0] + 1] = {};
      if (slot < sizeof ctx->work->freeSizes / sizeof ctx->work->freeSizes[0])
        std::memcpy(name, ctx->work->freeSizes[slot].names[0], sizeof name - 1);
      StrAnsiToWide(entry, name, kCapsMediaNameChars);
    } else if (options[k] > 0) {
      ResLoadString(ctx, uint32_t(options[k]), entry, kCapsMediaNameChars, 1);
    }
  }
  return count;
}

int32_t AnswerFromContext(DriverContext* ctx, uint16_t index, void* output) {
  switch (index) {
    case DC_FIELDS: {
      DWORD fields;
      std::memcpy(&fields, ctx->devmode + 72, sizeof fields);
      return int32_t(fields);
    }
    case DC_PAPERS: return CapsGetPapers(ctx, static_cast<uint16_t*>(output), setting::dmPaperSize);
    case DC_PAPERSIZE: return CapsGetPaperSizes(ctx, static_cast<int32_t*>(output), setting::dmPaperSize);
    case DC_BINS: return CapsGetBins(ctx, static_cast<uint16_t*>(output));
    case DC_BINNAMES: return CapsGetBinNames(ctx, static_cast<char16_t*>(output), kCapsBinNameChars);
    case DC_ENUMRESOLUTIONS: return CapsGetResolutions(ctx, static_cast<int32_t*>(output));
    case DC_PAPERNAMES:
      return CapsGetPaperNames(ctx, static_cast<char16_t*>(output), kCapsPaperNameChars, setting::dmPaperSize);
    case DC_TRUETYPE: return (OptGetValueById(ctx, setting::vdmFrontFunc) & 1) ? (DCTT_BITMAP | DCTT_SUBDEV) : DCTT_BITMAP;
    case DC_COLLATE: return OptHasSortChoice(ctx) ? 1 : 0;
    case DC_STAPLE: return OptHasSelectableOption(ctx, setting::vdmStapleType);
    case DC_MEDIAREADY: return MediaReady(ctx, static_cast<char16_t*>(output));
    default: return kFail;  // DC_BINADJUST, DC_EMF_COMPLIANT, DC_DATATYPE_PRODUCED
  }
}

// Opens a capability context for the printer, merges the caller's DEVMODE
// (not for the questions that do not depend on it) and answers.
int32_t ThroughCapabilityContext(HANDLE printer, uint16_t index, void* output, const void* devmode) {
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  if (!info) return kFail;
  int32_t answer = kFail;
  if (SplIsPrinterRenamed(printer, info) || InstCheckPrinter(printer, 0, info) == 1) {
    if (DriverContext* ctx = CtxOpenWithPrinterInfo(printer, printer, kOpenCapability, info)) {
      bool merge = index != DC_TRUETYPE && index != DC_DATATYPE_PRODUCED;
      if (!merge || DmMergeInput(ctx, static_cast<const uint8_t*>(devmode), InputLength(devmode), kCapsMerge))
        answer = AnswerFromContext(ctx, index, output);
      CtxCloseAs(ctx, kCloseToCapsCache);
    }
  }
  MemFree(info);
  return answer;
}

}  // namespace

int32_t UiDeviceCapabilities(HANDLE printer, const char16_t* /*device*/, uint16_t index, void* output,
                             const void* devmode) {
  const ModelInfo& model = *CtxGetTemplate()->model;
  switch (index) {
    case DC_MINEXTENT:
    case DC_MAXEXTENT: return CapsGetExtent(CtxGetTemplate(), static_cast<uint16_t*>(output), index);
    case DC_DUPLEX: return DuplexFromPrinterData(printer);
    case DC_SIZE: return int32_t(DmGetPublicSize());
    case DC_EXTRA: return int32_t(DmGetTotalSize() - DmGetPublicSize());
    case DC_VERSION: return model.specVersion;
    case DC_DRIVER: return model.driverVersion;
    case DC_FILEDEPENDENCIES: return 0;
    case DC_ORIENTATION: return int32_t(model.orientation);
    case DC_COPIES: return model.maxCopies;
    case DC_PERSONALITY:
      if (output) {
        std::memset(output, 0, kCapsPersonalityChars * sizeof(char16_t));
        std::memcpy(output, kPersonality, sizeof kPersonality);
      }
      return 1;
    case DC_PRINTRATE:
    case DC_PRINTRATEPPM: return PrintRate(printer);
    case DC_PRINTRATEUNIT: return PRINTRATEUNIT_PPM;
    case DC_COLORDEVICE: return ColorDeviceFromStoredDevmode(printer);
    case DC_NUP:
      if (output) std::memcpy(output, kNupValues, sizeof kNupValues);
      return int32_t(sizeof kNupValues / sizeof kNupValues[0]);
    case DC_FIELDS:
    case DC_PAPERS:
    case DC_PAPERSIZE:
    case DC_BINS:
    case DC_BINNAMES:
    case DC_ENUMRESOLUTIONS:
    case DC_TRUETYPE:
    case DC_PAPERNAMES:
    case DC_BINADJUST:
    case DC_EMF_COMPLIANT:
    case DC_DATATYPE_PRODUCED:
    case DC_COLLATE:
    case DC_MEDIAREADY:
    case DC_STAPLE: return ThroughCapabilityContext(printer, index, output, devmode);
    default: return kFail;  // DC_MANUFACTURER, DC_MODEL, DC_PRINTERMEM, media types, unknown
  }
}
