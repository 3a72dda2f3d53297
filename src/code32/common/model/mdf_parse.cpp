// The keyword dispatch and the whole-file parse of a model description.
#include <atomic>
#include <cstring>
#include <new>

#include "mdf_internal.h"
#include "velm/rules.h"
#include "velm/settings.h"

namespace {

// The keyword table, in its row order.
const MdfKeywordRow kKeywords[kMdfKeywordCount] = {
    {"FileVersion", MdfOnFileVersion},
    {"OpenUI", MdfOnOpenUI},
    {"CloseUI", MdfOnCloseUI},
    {"NumericValue", MdfOnNumericValue},
    {"StringValue", MdfOnStringValue},
    {"PageValue", MdfOnPageValue},
    {"PageMMValue", MdfOnPageMMValue},
    {"SlotPaper", MdfOnSlotPaper},
    {"OptionCommand", MdfOnOptionCommand},
    {"CommandGroup", MdfOnCommandGroup},
    {"DeviceFonts", MdfOnDeviceFonts},
    {"FontCartridge", MdfOnFontCartridge},
    {"TTFS", MdfOnTTFS},
    {"CommandString", MdfOnCommandString},
    {"Judge", RuleOnJudge},
    {"Item", RuleOnItem},
    {"Action", RuleOnAction},
    {"Transact", RuleOnTransact},
    {"AlertAction", RuleOnAlertAction},
    {"Alert", RuleOnAlert},
    {"Exclusive", RuleOnExclusive},
    {"UIResDLLName", MdfOnUIResDLLName},
    {"ExcDepDLLName", MdfOnExcDepDLLName},
};

void FreeCommandStrings(CommandStringNode* node) {
  while (node) {
    CommandStringNode* next = node->next;
    MemFree(node->text);
    MemFree(node);
    node = next;
  }
}

std::atomic<uint32_t> g_parse_count{0};

ModelParseContext* ParseView(const uint8_t* data, size_t size) {
  if (!data || size == 0 || size > UINT32_MAX) return nullptr;
  g_parse_count.fetch_add(1, std::memory_order_relaxed);
  MdfRecord* record = MdfCreateRecord();
  ModelParseContext* ctx = MdfCreateParseContext();
  if (!record || !ctx) {
    MdfFreeRecord(record);
    MdfFreeParseContext(ctx);
    return nullptr;
  }
  MdfSource source{data, data, static_cast<uint32_t>(size)};
  RuleClearNames();  // rule names live for one parse
  int32_t result;
  do {
    result = MdfReadRecord(record, &source);
    mdf::Step();
    if (result == kMdfRecordRead) MdfDispatchRecord(ctx, record);
  } while (result == kMdfRecordRead || result == kMdfBadRecord);
  RuleFreeNames();
  MdfFreeRecord(record);
  if (result != kMdfEndOfFile) {
    MdfFreeParseContext(ctx);
    return nullptr;
  }
  return ctx;
}

void ProbeView(const uint8_t* data, size_t size, char16_t* buffer) {
  if (!data || size == 0 || size > UINT32_MAX) return;
  MdfRecord* record = MdfCreateRecord();
  if (!record) return;
  MdfSource source{data, data, static_cast<uint32_t>(size)};
  int32_t result;
  do {
    result = MdfReadRecord(record, &source);
    if (result == kMdfRecordRead && std::strcmp(record->keyword.data, "FileVersion") == 0) {
      StrAnsiToWide(buffer, record->value.data, 15);
      break;
    }
  } while (result == kMdfRecordRead || result == kMdfBadRecord);
  MdfFreeRecord(record);
}

}  // namespace

const MdfKeywordRow* MdfGetKeywordTable() { return kKeywords; }

int32_t MdfDispatchRecord(ModelParseContext* ctx, MdfRecord* record) {
  const char* keyword = record->keyword.data;
  if (ctx->openName) {
    if (std::strcmp(keyword, ctx->openName) == 0) return MdfOnOptionLine(ctx, record);
    if (std::strncmp(keyword, "Default", 7) == 0 && std::strcmp(keyword + 7, ctx->openName) == 0) {
      return MdfOnDefault(ctx, record);
    }
  }
  int32_t row = -1;
  uint32_t cursor = ctx->keywordCursor;
  if (cursor > 0 && cursor <= kMdfKeywordCount && std::strcmp(kKeywords[cursor - 1].keyword, keyword) == 0) {
    row = static_cast<int32_t>(cursor - 1);
  } else {
    for (int32_t i = 0; i < kMdfKeywordCount; ++i) {
      if (std::strcmp(kKeywords[i].keyword, keyword) == 0) {
        row = i;
        break;
      }
    }
    ctx->keywordCursor = static_cast<uint32_t>(row + 1);
  }
  if (row < 0 || !kKeywords[row].handler) return 0;
  return kKeywords[row].handler(ctx, record);
}

ModelParseContext* MdfCreateParseContext() {
  auto* ctx = static_cast<ModelParseContext*>(MemAllocZeroed(sizeof(ModelParseContext)));
  if (!ctx) return nullptr;
  ctx->header = static_cast<ModelParseHeader*>(MemAllocZeroed(sizeof(ModelParseHeader)));
  ctx->index = new (std::nothrow) MdfParseIndex;
  if (!ctx->header || !ctx->index) {
    MdfFreeParseContext(ctx);
    return nullptr;
  }
  return ctx;
}

void MdfFreeParseContext(ModelParseContext* ctx) {
  if (!ctx) return;
  MemFree(ctx->openName);
  if (ModelParseHeader* h = ctx->header) {
    MdfFreeFeatureList(h->features);
    MemFree(h->uiResDllName);
    MemFree(h->excDepDllName);
    for (CommandBlock* tree : h->commandTrees) MdfFreeCommandBlock(tree);
    MdfFreeFontList(h->deviceFonts, h->deviceFontCount);
    MdfFreeFontList(h->cartridgeFonts, h->cartridgeFontCount);
    MemFree(h);
  }
  FreeCommandStrings(ctx->commandStrings);
  RuleFreeRecords(ctx);
  delete ctx->index;
  MemFree(ctx);
}

ModelParseContext* MdfParseBuffer(const uint8_t* data, size_t size) { return ParseView(data, size); }

uint32_t MdfGetParseCount() { return g_parse_count.load(std::memory_order_relaxed); }

namespace mdf {
thread_local uint64_t t_parseSteps = 0;
}  // namespace mdf

uint64_t MdfGetParseSteps() { return mdf::t_parseSteps; }

ModelParseContext* MdfParseFile(const char16_t* path) {
  mdf::FileView view;
  if (!mdf::OpenFileView(path, &view)) return nullptr;
  ModelParseContext* ctx = ParseView(view.data, view.size);
  mdf::CloseFileView(&view);
  return ctx;
}

int32_t MdfProbeFileVersionBuffer(const uint8_t* data, size_t size, char16_t* buffer) {
  if (buffer) ProbeView(data, size, buffer);
  return 1;
}

int32_t MdfProbeFileVersion(const char16_t* path, char16_t* buffer) {
  mdf::FileView view;
  if (!buffer || !mdf::OpenFileView(path, &view)) return 1;
  ProbeView(view.data, view.size, buffer);
  mdf::CloseFileView(&view);
  return 1;
}
