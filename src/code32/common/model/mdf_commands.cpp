// Command-text and font records of the model description: the five
// command-group trees, the numbered command strings and the device and
// cartridge font lists.
#include <cstring>
#include <string>
#include <vector>

#include "mdf_internal.h"
#include "velm/names.h"
#include "velm/rules.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kGroupJobStart = 1;
constexpr uint32_t kGroupJobEnd = 2;
constexpr uint32_t kGroupPageStart = 3;
constexpr uint32_t kGroupPageEnd = 4;
constexpr uint32_t kGroupDocReset = 5;

const MdfWordRow kGroupWords[] = {
    {"JobStart", kGroupJobStart}, {"JobEnd", kGroupJobEnd},     {"PageStart", kGroupPageStart},
    {"PageEnd", kGroupPageEnd},   {"DocReset", kGroupDocReset}, {nullptr, 0},
};

constexpr uint32_t kEntryCommand = 1;
constexpr uint32_t kEntryType = 2;
const MdfWordRow kEntryWords[] = {{"Command", kEntryCommand}, {"Type", kEntryType}, {nullptr, 0}};

const MdfWordRow kNodeWords[] = {
    {"GroupType", kCommandNodeGroupType},
    {"StringType", kCommandNodeStringType},
    {"FontType", kCommandNodeFontType},
    {nullptr, 0},
};

// The condition of a Command entry: a Judge written as "Judge" and its
// number, or a name given to an earlier Judge. Anything else means no
// condition.
uint32_t JudgeNumber(const std::string& word) {
  return RuleResolveReference(word.c_str(), kRuleJudge) & 0xFFFF;
}

CommandGroupNode* NewNode(uint16_t kind) {
  auto* node = static_cast<CommandGroupNode*>(MemAllocZeroed(sizeof(CommandGroupNode)));
  if (node) node->kind = kind;
  return node;
}

void FreeNodes(CommandGroupNode* node) {
  while (node) {
    CommandGroupNode* next = node->next;
    if (node->kind == kCommandNodeCondition) MdfFreeCommandBlock(node->block);
    MemFree(node);
    node = next;
  }
}

bool StartsWith(const MdfTextBuffer* b, const char* text) {
  return std::strncmp(b->data + b->length, text, std::strlen(text)) == 0;
}

// True when a ':' follows somewhere after the cursor.
bool ColonFollows(const MdfTextBuffer* b) { return std::strchr(b->data + b->length, ':') != nullptr; }

bool ParseEntries(MdfTextBuffer* b, int32_t depth, CommandGroupNode** list);

// A conditional node: a Judge reference and a braced block. *out is null
// when the entry makes no node. False when the nesting is too deep.
bool ParseConditional(MdfTextBuffer* b, int32_t depth, CommandGroupNode** out) {
  *out = nullptr;
  std::string word;
  mdf::TakeWord(b, &word);
  uint32_t condition = JudgeNumber(word);
  // A refused Judge is still a condition: an Else may follow, and the block
  // is left out of the image.
  bool refused = condition == 0 && RuleIsRefusedJudgeName(word.c_str());
  if (!MdfSkipPast(b, '{')) return true;
  CommandBlock* block = nullptr;
  if (!MdfParseCommandList(b, condition != 0 || refused, depth + 1, &block)) return false;
  if (!block) return true;
  block->condition = condition;
  block->refusedCondition = refused ? 1 : 0;
  CommandGroupNode* node = NewNode(kCommandNodeCondition);
  if (!node) {
    MdfFreeCommandBlock(block);
    return true;
  }
  node->block = block;
  *out = node;
  return true;
}

// A "Type:" entry's leaf node, or null.
CommandGroupNode* ParseType(MdfTextBuffer* b) {
  std::string word;
  mdf::TakeWord(b, &word);
  switch (MdfLookupWord(kNodeWords, word.c_str())) {
    case kCommandNodeGroupType: {
      mdf::TakeWord(b, &word);
      const UiSymbolRow* row = MdfFindFeatureByName(word.c_str());
      if (!row) {
        // The rest of the line is skipped.
        while (mdf::Here(b) != 0 && mdf::Here(b) != '\n' && mdf::Here(b) != '\r') ++b->length;
        return nullptr;
      }
      CommandGroupNode* node = NewNode(kCommandNodeGroupType);
      if (!node) return nullptr;
      node->featureKey = row->key;
      uint8_t c = mdf::SkipBlanks(b);
      if (c != 0 && c != '\n' && c != '\r') {
        uint32_t taken = 0;
        node->number = static_cast<uint16_t>(MdfParseInt(b->data + b->length, &taken));
        b->length += taken;
      }
      return node;
    }
    case kCommandNodeStringType: {
      mdf::TakeWord(b, &word);
      int32_t id = mdf::WordDigits(word.c_str());
      if (id == 0) return nullptr;
      CommandGroupNode* node = NewNode(kCommandNodeStringType);
      if (node) node->stringId = id;
      return node;
    }
    case kCommandNodeFontType:
      return NewNode(kCommandNodeFontType);
    default:
      return nullptr;
  }
}

// Entries up to the closing '}' (consumed) or the end of the text, appended
// to *list.
bool ParseEntries(MdfTextBuffer* b, int32_t depth, CommandGroupNode** list) {
  CommandGroupNode** tail = list;
  while (*tail) tail = &(*tail)->next;
  std::string word;
  for (;;) {
    char c = MdfSkipSpace(b);
    if (c == 0) return true;
    if (c == '}') {
      ++b->length;
      return true;
    }
    mdf::TakeWord(b, &word);
    uint32_t entry = MdfLookupWord(kEntryWords, word.c_str());
    if (entry == 0) return true;  // not an entry word: the list ends
    if (mdf::Here(b) == ':') {
      ++b->length;
    } else if (!MdfSkipPast(b, ':')) {
      return true;
    }
    CommandGroupNode* node = nullptr;
    if (entry == kEntryCommand) {
      if (!ParseConditional(b, depth, &node)) return false;
    } else {
      node = ParseType(b);
    }
    if (node) {
      *tail = node;
      tail = &node->next;
    }
  }
}

}  // namespace

int32_t MdfCommandSlotOfGroup(uint32_t group) {
  switch (group) {
    case kGroupJobStart:
      return kMdfJobStart;
    case kGroupJobEnd:
      return kMdfJobEnd;
    case kGroupDocReset:
      return kMdfDocReset;
    case kGroupPageStart:
      return kMdfPageStart;
    case kGroupPageEnd:
      return kMdfPageEnd;
    default:
      return -1;
  }
}

bool MdfParseCommandList(MdfTextBuffer* b, bool else_allowed, int32_t depth, CommandBlock** out) {
  *out = nullptr;
  if (depth > kMdfMaxCommandDepth) return false;
  auto* block = static_cast<CommandBlock*>(MemAllocZeroed(sizeof(CommandBlock)));
  if (!block) return true;
  bool ok = ParseEntries(b, depth, &block->first);
  if (ok && else_allowed) {
    MdfSkipSpace(b);
    if (StartsWith(b, "ElseIf") && ColonFollows(b)) {
      MdfSkipPast(b, ':');
      ok = ParseConditional(b, depth, &block->second);
    } else if (StartsWith(b, "Else")) {
      b->length += 4;
      if (MdfSkipPast(b, '{')) ok = ParseEntries(b, depth, &block->second);
    }
  }
  if (!ok || (!block->first && !block->second)) {
    MdfFreeCommandBlock(block);
    return ok;
  }
  *out = block;
  return true;
}

void MdfFreeCommandBlock(CommandBlock* block) {
  if (!block) return;
  FreeNodes(block->first);
  FreeNodes(block->second);
  MemFree(block);
}

FontListEntry** MdfParseFontList(MdfTextBuffer* b, uint32_t* count) {
  *count = 0;
  std::string word;
  if (!mdf::TakeWord(b, &word) || word != "IDList" || mdf::Here(b) == 0) return nullptr;
  if (!MdfSkipPast(b, '{')) return nullptr;

  // Every {...} pair of the list is counted first; then each entry gives
  // a name and an id. The array is made for the entries read.
  uint32_t pairs = mdf::CountBracedEntries(b);
  std::vector<FontListEntry*> entries;
  char terminator;
  for (uint32_t i = 0; i < pairs; ++i) {
    if (!mdf::SkipPastUnquoted(b, '{')) break;
    if (MdfSkipSpace(b) != '"') break;  // an entry without a name ends the list
    char* name = MdfScanQuoted(b, &terminator);
    if (!name) break;
    int32_t id = terminator != 0 ? MdfScanNumber(b, &terminator) : 0;
    auto* entry = static_cast<FontListEntry*>(MemAllocZeroed(sizeof(FontListEntry)));
    if (!entry) {
      MemFree(name);
      break;
    }
    entry->id = id;
    entry->name = name;
    entries.push_back(entry);
    if (!mdf::SkipPastUnquoted(b, '}')) break;
  }
  if (entries.empty()) return nullptr;
  auto** list = static_cast<FontListEntry**>(MemAllocZeroed(entries.size() * sizeof(FontListEntry*)));
  if (!list) {
    for (FontListEntry* e : entries) {
      MemFree(e->name);
      MemFree(e);
    }
    return nullptr;
  }
  for (size_t i = 0; i < entries.size(); ++i) list[i] = entries[i];
  *count = static_cast<uint32_t>(entries.size());
  return list;
}

void MdfFreeFontList(FontListEntry** list, uint32_t count) {
  if (!list) return;
  for (uint32_t i = 0; i < count; ++i) {
    if (list[i]) MemFree(list[i]->name);
    MemFree(list[i]);
  }
  MemFree(list);
}

// ---- handlers ---------------------------------------------------------------------------

int32_t MdfOnCommandGroup(ModelParseContext* ctx, MdfRecord* record) {
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  std::string word;
  mdf::TakeWord(value, &word);
  int32_t slot = MdfCommandSlotOfGroup(MdfLookupWord(kGroupWords, word.c_str()));
  if (slot < 0 || !MdfSkipPast(value, '{')) return 1;
  CommandBlock* block = nullptr;
  if (!MdfParseCommandList(value, false, 1, &block)) return 1;  // nested too deep: refused
  MdfFreeCommandBlock(ctx->header->commandTrees[slot]);
  ctx->header->commandTrees[slot] = block;
  return 1;
}

int32_t MdfOnCommandString(ModelParseContext* ctx, MdfRecord* record) {
  int32_t id = mdf::WordDigits(record->word1.data);
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  char terminator;
  uint32_t length = 0;
  char* text = mdf::ScanQuotedLength(value, &terminator, &length, &mdf::Arena(ctx));
  if (!text) return 0;
  auto* node = mdf::Arena(ctx).New<CommandStringNode>();
  if (!node) return 0;
  node->id = id;
  node->length = length + 1;
  node->text = text;
  mdf::AppendLast(&ctx->commandStrings, &ctx->lastCommandString, node);
  return 1;
}

static int32_t SetFontList(MdfRecord* record, uint32_t* count_slot, FontListEntry*** list_slot) {
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  uint32_t count = 0;
  FontListEntry** list = MdfParseFontList(value, &count);
  MdfFreeFontList(*list_slot, *count_slot);
  *list_slot = list;
  *count_slot = count;
  return 1;
}

int32_t MdfOnDeviceFonts(ModelParseContext* ctx, MdfRecord* record) {
  return SetFontList(record, &ctx->header->deviceFontCount, &ctx->header->deviceFonts);
}

int32_t MdfOnFontCartridge(ModelParseContext* ctx, MdfRecord* record) {
  return SetFontList(record, &ctx->header->cartridgeFontCount, &ctx->header->cartridgeFonts);
}
