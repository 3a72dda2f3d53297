// The keyword dispatch and the whole-file parse of a model description.
#include <atomic>
#include <cstring>
#include <new>

#include "mdf_internal.h"
#include "velm/rules.h"
#include "velm/settings.h"

// ---- the parse's arena ----------------------------------------------------------------------

namespace {

// Chunks start small (a short file stays cheap) and double up to the
// largest size; a block larger than a quarter of a chunk gets its own.
constexpr size_t kFirstChunk = size_t{8} << 10;
constexpr size_t kLargestChunk = size_t{64} << 10;

}  // namespace

MdfArena::~MdfArena() { Release(); }

void MdfArena::Release() {
  while (chunks_) {
    Chunk* next = chunks_->next;
    MemFree(chunks_);
    chunks_ = next;
  }
  next_ = end_ = nullptr;
  nextChunk_ = 0;
}

void* MdfArena::Allocate(size_t n) {
  n = n ? (n + kAlign - 1) & ~(kAlign - 1) : kAlign;
  if (n > static_cast<size_t>(end_ - next_)) {
    constexpr size_t header = (sizeof(Chunk) + kAlign - 1) & ~(kAlign - 1);
    if (n > SIZE_MAX / 8) return nullptr;
    size_t size = nextChunk_ ? nextChunk_ : kFirstChunk;
    bool own = n > size / 4;  // a large block does not waste the current chunk
    size_t bytes = header + (own ? n : size);
    auto* chunk = static_cast<Chunk*>(MemAllocZeroed(bytes));
    if (!chunk) return nullptr;
    chunk->size = bytes;
    chunk->next = chunks_;
    chunks_ = chunk;
    char* start = reinterpret_cast<char*>(chunk) + header;
    if (own) return start;
    next_ = start;
    end_ = start + size;
    nextChunk_ = size < kLargestChunk ? 2 * size : kLargestChunk;
  }
  void* block = next_;
  next_ += n;
  return block;
}

char* MdfArena::CopyText(const char* text, size_t n) {
  if (n == SIZE_MAX) return nullptr;
  auto* copy = static_cast<char*>(Allocate(n + 1));
  if (copy && n) std::memcpy(copy, text, n);
  return copy;
}

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
    if (keyword[0] == ctx->openName[0] && std::strcmp(keyword, ctx->openName) == 0) {
      return MdfOnOptionLine(ctx, record);
    }
    if (std::strncmp(keyword, "Default", 7) == 0 && std::strcmp(keyword + 7, ctx->openName) == 0) {
      return MdfOnDefault(ctx, record);
    }
  }
  int32_t row = -1;
  uint32_t cursor = ctx->keywordCursor;
  if (cursor > 0 && cursor <= kMdfKeywordCount && kKeywords[cursor - 1].keyword[0] == keyword[0] &&
      std::strcmp(kKeywords[cursor - 1].keyword, keyword) == 0) {
    row = static_cast<int32_t>(cursor - 1);
  } else {
    for (int32_t i = 0; i < kMdfKeywordCount; ++i) {
      if (kKeywords[i].keyword[0] == keyword[0] && std::strcmp(kKeywords[i].keyword, keyword) == 0) {
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
  // The features, options, rule records, command strings and their texts
  // live in the arena and go with the index.
  if (ModelParseHeader* h = ctx->header) {
    MemFree(h->uiResDllName);
    MemFree(h->excDepDllName);
    for (CommandBlock* tree : h->commandTrees) MdfFreeCommandBlock(tree);
    MdfFreeFontList(h->deviceFonts, h->deviceFontCount);
    MdfFreeFontList(h->cartridgeFonts, h->cartridgeFontCount);
    MemFree(h);
  }
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
