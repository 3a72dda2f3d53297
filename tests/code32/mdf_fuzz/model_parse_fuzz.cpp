// libFuzzer target: any bytes as a model-description file, taken the whole
// road a driver takes. The reader parses them (and the version probe reads
// them); the image is built from what was read, must validate, and is loaded
// again from its bytes as a cache file would be; a driver context over the
// loaded image then asks every model query and evaluates every rule of every
// feature. Nothing may crash, read freed memory or outside a block, or leak.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/mdf_reader.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

// Inputs larger than this are parsed but not compiled, so that one run stays
// short; the reader is linear, the queries walk every feature.
constexpr size_t kMaxCompiledInput = 256 * 1024;

// One context of kind 4 for the whole run, as a test context gets it: a
// zeroed work buffer of its own and an evaluator stack. Each input gives it
// a fresh image and a zeroed buffer.
DriverContext* Context() {
  static DriverContext* ctx = [] {
    DriverContext* c = CtxOpenKind(nullptr, nullptr, 4, kOpenEntryPoint);
    if (!c) std::abort();
    c->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
    if (!c->devmode) std::abort();
    dm::StampRegionOffsets(c->devmode);
    if (RuleAllocEvalStack(c) != 0) std::abort();
    return c;
  }();
  return ctx;
}

// Every question a driver asks of a model, and every rule of each feature.
void Query(DriverContext* ctx) {
  const SettingTable* table = ctx->settings;
  for (int32_t i = 0; table && i < table->count; ++i) {
    uint32_t id = table->rows[i].id;
    MdfItem item = MdfFindItem(ctx, id);
    MdfGetItemType(ctx, id);
    MdfGetItemTypeWord(ctx, id);
    MdfGetItemDefault(ctx, id);
    uint16_t position = 0;
    MdfGetItemOptionList(ctx, id, &position);
    MdfCountItemOptions(ctx, id);
    if (MdfGetItemByIndex(ctx, i) != item) std::abort();
    if (!item) continue;
    ImgFeature f;
    if (!MdfReadItem(ctx, item, &f)) std::abort();
    MdfFindItemByKey(ctx, f.key);
    MdfLookupItemByKey(ctx, f.key);
    MdfGetNodeType(ctx, item);
    MdfGetNodeDefault(ctx, item);
    MdfGetNumericUnitStringId(ctx, item);
    RuleIsItemHidden(ctx, item, 0);
    RuleIsItemDisabled(ctx, item, 0);
    ImgOption o;
    uint32_t steps = MdfImageSize(ctx->image) / 4;
    for (uint32_t at = f.data; MdfIsListType(f.type) && at && steps-- &&
                               MdfImgReadOption(ctx->image, at, MdfStorageType(f.type), &o);
         at = o.next) {
      RuleIsItemHidden(ctx, item, o.optionId);
      RuleIsItemDisabled(ctx, item, o.optionId);
      if (MdfStorageType(f.type) == kFeaturePickPage) {
        PaperRect rect;
        PaperPair paper;
        MdfGetPaperArea(ctx, &rect, &paper, o.optionId);
      }
    }
    uint16_t message = RuleFindActiveAlert(ctx, item);
    for (uint16_t answer = 1; message && answer <= 9; ++answer) RuleApplyAlertAnswer(ctx, item, message, answer);
    RuleApplyItemTransact(ctx, item);
  }
  PaperPair dims;
  MdfGetPaperDims(ctx, &dims);
  char16_t name[64];
  MdfCopyUIResDLLName(ctx, name, 64);
  uint32_t count = 0;
  MemFree(MdfGetDeviceFontList(ctx, &count));
  MemFree(MdfGetFontCartridgeList(ctx, &count));
  MemFree(MdfGetFontTable(ctx, &count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that a read past the end is caught even for the
  // empty input.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(bytes.get(), data, size);
  char16_t version[15] = {};
  MdfProbeFileVersionBuffer(bytes.get(), size, version);
  if (size > kMaxCompiledInput) {
    MdfFreeParseContext(MdfParseBuffer(bytes.get(), size));
    return 0;
  }

  // Parse and build, as a compile does; what was read must give an image
  // that the loader accepts.
  ModelImage* built = MdfCompileBuffer(bytes.get(), size);
  if (!built) return 0;
  if (!MdfValidateImage(MdfImageBytes(built), MdfImageSize(built))) std::abort();
  if (MdfDumpImage(built).empty()) std::abort();

  // Loaded again from its bytes, as from a cache file, then queried through
  // a context.
  ModelImage* loaded = MdfLoadImage(MdfImageBytes(built), MdfImageSize(built));
  MdfFreeImage(built);
  if (!loaded) std::abort();
  DriverContext* ctx = Context();
  std::memset(ctx->devmode, 0, dm::kWorkBufferSize);
  dm::StampRegionOffsets(ctx->devmode);
  ctx->image = loaded;
  Query(ctx);
  ctx->image = nullptr;
  MdfFreeImage(loaded);
  return 0;
}
