// Model queries over paper geometry and fonts.
#include <cstring>

#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/dm_merge.h"
#include "velm/library_build.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/presets.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

using namespace mdf_image;
constexpr int32_t kLandscape = 2;
constexpr size_t kFontNameChars = 32;  // 31 characters and the NUL

const ModelImage* Image(DriverContext* ctx) { return ctx ? ctx->image : nullptr; }

// The paper feature and the record of one of its options.
bool FindPaperOption(DriverContext* ctx, uint32_t option_id, ImgFeature* paper, ImgOption* option) {
  const ModelImage* image = Image(ctx);
  uint32_t at = MdfImgSlot(image, int32_t(setting::dmPaperSize));
  if (!at || !MdfImgReadFeature(image, at, paper)) return false;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t o = paper->data; o && steps--; o = option->next) {
    if (!MdfImgReadOption(image, o, paper->type, option)) return false;
    if (option->optionId == option_id) return true;
  }
  return false;
}

bool ConditionHolds(DriverContext* ctx, const ImgPaperArea& a) {
  if (a.conditionKey == 0) return true;
  return OptGetOption(ctx, OptFindSettingByKey(ctx, a.conditionKey)) == int32_t(a.conditionOption);
}

// ANSI text of the image into a wide field of kFontNameChars, cut to fit.
void CopyFontName(const ModelImage* image, uint32_t offset, char16_t* out) {
  std::memset(out, 0, kFontNameChars * sizeof(char16_t));
  const char* text = MdfImgText(image, offset);
  if (!text) return;
  plat::AnsiToWide(text, std::strlen(text), out, kFontNameChars - 1);
}

DeviceFontEntry* FontList(DriverContext* ctx, int32_t count_slot, int32_t array_slot, uint32_t* count) {
  if (count) *count = 0;
  const ModelImage* image = Image(ctx);
  uint32_t n = MdfImgSlot(image, count_slot);
  uint32_t array = MdfImgSlot(image, array_slot);
  // An array of n entry offsets must fit in the image.
  if (!n || !array || n > MdfImageSize(image) / 4) return nullptr;
  auto* list = static_cast<DeviceFontEntry*>(MemAllocZeroed(size_t(n) * sizeof(DeviceFontEntry)));
  if (!list) return nullptr;
  for (uint32_t i = 0; i < n; ++i) {
    ImgFontEntry e;
    if (!MdfImgReadFontEntry(image, MdfImgFontAt(image, array, i), &e)) continue;
    list[i].id = e.id;
    CopyFontName(image, e.name, list[i].name);
  }
  if (count) *count = n;
  return list;
}

}  // namespace

int32_t MdfGetPaperArea(DriverContext* ctx, PaperRect* rect, PaperPair* paper, uint32_t paper_option) {
  ImgFeature feature;
  ImgOption option;
  if (!FindPaperOption(ctx, paper_option, &feature, &option)) return 0;
  const ModelImage* image = Image(ctx);
  const int32_t resolution = OptGetOptionById(ctx, setting::vdmDstResolutionW);
  const int32_t orientation = OptGetOptionById(ctx, setting::dmOrientation);
  // First an entry for this orientation; failing that, one for the other
  // orientation with its axes swapped.
  for (int pass = 0; pass < 2; ++pass) {
    ImgPaperArea a;
    uint32_t steps = MdfStepLimit(image);
    for (uint32_t at = option.areas; at && steps--; at = a.next) {
      if (!MdfImgReadPaperArea(image, at, &a)) break;
      if (int32_t(a.resolution) != resolution || !ConditionHolds(ctx, a)) continue;
      if (pass == 0 && int32_t(a.orientation) != orientation) continue;
      PaperRect r = pass == 0 ? PaperRect{a.left, a.top, a.left + a.width, a.top + a.height}
                              : PaperRect{a.top, a.left, a.top + a.height, a.left + a.width};
      PaperPair p = pass == 0 ? PaperPair{a.paperWidth, a.paperLength} : PaperPair{a.paperLength, a.paperWidth};
      if (rect) *rect = r;
      if (paper) *paper = p;
      return 1;
    }
  }
  return 0;
}

int32_t MdfGetPaperDims(DriverContext* ctx, PaperPair* out) {
  // The graphics library answers a user paper code from the user paper sizes
  // (MdfGetPaperDimsGr); the model's table knows none of them.
  if (LibGetBuild().paperDimsOfUserPaper) {
    const int32_t code = OptGetValueById(ctx, setting::dmPaperSize);
    if (DmIsFreeSizeCode(code)) {
      PaperPair dims{};
      if (!FreeSizeGetPaperDims(ctx, code, &dims)) return 0;
      if (out) *out = dims;
      return 1;
    }
  }
  const ModelImage* image = Image(ctx);
  ImgFeature feature;
  uint32_t at = MdfImgSlot(image, int32_t(setting::dmPaperSize));
  if (!at || !MdfImgReadFeature(image, at, &feature)) return 0;
  int32_t current = OptGetOptionByKey(ctx, feature.key);
  ImgOption option;
  if (!FindPaperOption(ctx, uint32_t(current), &feature, &option)) return 0;
  bool landscape = OptGetValueById(ctx, setting::dmOrientation) == kLandscape;
  if (out) *out = landscape ? PaperPair{option.paperLength, option.paperWidth} : PaperPair{option.paperWidth, option.paperLength};
  return 1;
}

DeviceFontEntry* MdfGetDeviceFontList(DriverContext* ctx, uint32_t* count) {
  return FontList(ctx, kSlotDeviceFontCount, kSlotDeviceFonts, count);
}

DeviceFontEntry* MdfGetFontCartridgeList(DriverContext* ctx, uint32_t* count) {
  return FontList(ctx, kSlotCartridgeFontCount, kSlotCartridgeFonts, count);
}

FontSubstEntry* MdfGetFontTable(DriverContext* ctx, uint32_t* count) {
  const ModelImage* image = Image(ctx);
  if (!image) return nullptr;
  // Only the first font-table feature of the list is looked at.
  ImgFeature f;
  uint32_t steps = MdfStepLimit(image);
  uint32_t at = MdfImgSlot(image, kSlotFeatures);
  for (; at && steps--; at = f.next) {
    if (!MdfImgReadFeature(image, at, &f)) return nullptr;
    if (f.type == kFeatureFontTbl) break;
  }
  if (!at || f.type != kFeatureFontTbl) return nullptr;
  ImgOption o;
  steps = MdfStepLimit(image);
  for (uint32_t opt = f.data; opt && steps--; opt = o.next) {
    if (!MdfImgReadOption(image, opt, f.type, &o)) return nullptr;
    if (o.count == 0) continue;
    if (o.count > MdfImageSize(image) / 8) return nullptr;  // two name arrays of o.count offsets
    auto* table = static_cast<FontSubstEntry*>(MemAllocZeroed(size_t(o.count) * sizeof(FontSubstEntry)));
    if (!table) return nullptr;
    for (uint32_t i = 0; i < o.count; ++i) {
      CopyFontName(image, MdfImgNameAt(image, o.array1, i), table[i].trueTypeName);
      CopyFontName(image, MdfImgNameAt(image, o.array2, i), table[i].deviceName);
    }
    if (count) *count = o.count;
    return table;
  }
  return nullptr;
}
