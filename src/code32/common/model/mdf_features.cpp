// Feature and option records of the model description: OpenUI/CloseUI
// blocks, option and default lines, value records, paper geometry, tray
// papers, command pairs and TrueType substitution pairs.
#include <cstring>
#include <string>
#include <vector>

#include "mdf_internal.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace {

const MdfWordRow kTypeWords[] = {
    {"PickOne", kFeaturePickOne},   {"PickMany", kFeaturePickMany}, {"Boolean", kFeatureBoolean},
    {"Numeric", kFeatureNumeric},   {"String", kFeatureString},     {"PickPage", kFeaturePickPage},
    {"PickSlot", kFeaturePickSlot}, {"FontTbl", kFeatureFontTbl},   {"Identity", kFeatureIdentity},
    {"TypeUnknown", kFeatureTypeUnknown}, {nullptr, kFeaturePickOne},
};

const MdfWordRow kStringKinds[] = {
    {"MultiByte", kStringMultiByte}, {"ASCII", kStringAscii}, {"Numeric", kStringNumeric},
    {"Capital", kStringCapital},     {"Small", kStringSmall}, {nullptr, kStringMultiByte},
};

const MdfWordRow kShowKinds[] = {
    {"Password", kShowPassword}, {"ShowCapital", kShowCapital}, {"ShowSmall", kShowSmall}, {nullptr, 0},
};

constexpr size_t kMaxTypeWord = 15;

// The open feature for option-level records: the first node with the open
// key, so that records inside a variant's block go to its base.
FeatureNode* OpenFeature(ModelParseContext* ctx) {
  return ctx->openName ? MdfFindFeatureNode(ctx, ctx->openKey) : nullptr;
}

// The node of the open block itself (a variant's own node).
FeatureNode* OpenVariant(ModelParseContext* ctx) {
  return ctx->openName ? MdfFindFeatureVariant(ctx, ctx->openKey, ctx->openSubId) : nullptr;
}

// Every record and text below is made in the parse's arena (MdfArena): a
// record replaced or dropped stays there, unreferenced, until the parse
// context goes.

// The value record of a node, made when it has none; the caller has checked
// that the node's type keeps this kind of record.
template <typename T>
T* EnsureValue(ModelParseContext* ctx, FeatureNode* node) {
  if (!node->data) {
    node->data = mdf::Arena(ctx).New<T>();
    node->ownsData = 1;
  }
  return static_cast<T*>(node->data);
}

char* CopyText(ModelParseContext* ctx, const char* text) { return mdf::Arena(ctx).CopyText(text, std::strlen(text)); }

// The next quoted string of a value, decoded (MdfScanQuoted).
char* ScanQuoted(ModelParseContext* ctx, MdfTextBuffer* value, char* terminator) {
  uint32_t length = 0;
  return mdf::ScanQuotedLength(value, terminator, &length, &mdf::Arena(ctx));
}

// A copy of a command pair with copies of its texts; false when memory runs
// out.
bool CopyPair(ModelParseContext* ctx, const CommandPair* pair, CommandPair** out) {
  *out = nullptr;
  auto* copy = mdf::Arena(ctx).New<CommandPair>();
  if (!copy) return false;
  copy->first = pair->first ? CopyText(ctx, pair->first) : nullptr;
  copy->second = pair->second ? CopyText(ctx, pair->second) : nullptr;
  if ((pair->first && !copy->first) || (pair->second && !copy->second)) return false;
  *out = copy;
  return true;
}

// Adds an option to a node's list unless one with the same id is there.
// False when memory runs out.
bool AddOption(ModelParseContext* ctx, FeatureNode* node, uint16_t option_id, char* text) {
  if (mdf::FindOption(ctx, node, option_id)) return true;
  auto* option = mdf::Arena(ctx).New<MdfOption>();
  if (!option) return false;
  option->optionId = option_id;
  option->text = text;
  MdfParseIndex::OptionList* list = mdf::OptionIndex(ctx, node);
  if (!list) {
    node->data = option;
    node->ownsData = 1;
    list = mdf::OptionIndex(ctx, node);
  } else {
    list->members.back()->next = option;
    list->Add(option);
  }
  return true;
}

// The option of the open paper, tray or font-table feature named by a
// record's second word.
MdfOption* NamedOption(ModelParseContext* ctx, MdfRecord* record, uint16_t storage_type) {
  FeatureNode* node = OpenFeature(ctx);
  if (!node || MdfStorageType(node->type) != storage_type) return nullptr;
  const OptionNameRow* row = MdfFindOptionByName(record->word2.data);
  if (!row) return nullptr;
  return mdf::FindOption(ctx, node, row->optionId);
}

// "IDList { name {name "text"} ... }" option lines.
void AddIdList(ModelParseContext* ctx, FeatureNode* node, MdfTextBuffer* value) {
  std::string word;
  mdf::TakeWord(value, &word);
  if (word != "IDList" || mdf::Here(value) == 0) return;
  if (!MdfSkipPast(value, '{')) return;
  for (;;) {
    char c = MdfSkipSpace(value);
    if (c == 0 || c == '}') return;
    char* text = nullptr;
    if (c == '{') {
      ++value->length;
      mdf::TakeWord(value, &word);
      const OptionNameRow* row = MdfFindOptionByName(word.c_str());
      if (!row) return;
      if (MdfSkipSpace(value) == '"') {
        char terminator;
        text = ScanQuoted(ctx, value, &terminator);
      }
      if (MdfSkipSpace(value) != '}') return;
      ++value->length;
      if (!AddOption(ctx, node, row->optionId, text)) return;
    } else {
      if (!mdf::TakeWord(value, &word) || word.empty()) return;
      const OptionNameRow* row = MdfFindOptionByName(word.c_str());
      if (!row || !AddOption(ctx, node, row->optionId, nullptr)) return;
    }
  }
}

}  // namespace

// ---- support ----------------------------------------------------------------------------

int32_t MdfSlotOfSetting(uint32_t id) {
  if (id >= 1 && id <= 706) return static_cast<int32_t>(id);
  if (id >= 10001 && id <= 10277) return static_cast<int32_t>(707 + (id - 10001));
  if (id >= 707 && id <= 947) return static_cast<int32_t>(id + 277);
  return 0;
}

FeatureNode* MdfFindFeatureNode(ModelParseContext* ctx, uint16_t key) {
  if (ctx->index) {
    FeatureNode* const* node = ctx->index->firstByKey.Find(key);
    return node ? *node : nullptr;
  }
  for (FeatureNode* n = ctx->header->features; n; n = n->next) {
    mdf::Step();
    if (n->key == key) return n;
  }
  return nullptr;
}

FeatureNode* MdfFindFeatureVariant(ModelParseContext* ctx, uint16_t key, uint16_t sub_id) {
  if (ctx->index) {
    FeatureNode* const* node = ctx->index->firstByVariant.Find(uint32_t{key} << 16 | sub_id);
    return node ? *node : nullptr;
  }
  for (FeatureNode* n = ctx->header->features; n; n = n->next) {
    mdf::Step();
    if (n->key == key && n->subId == sub_id) return n;
  }
  return nullptr;
}

MdfOption* MdfFindOption(MdfOption* list, uint16_t option_id) {
  for (MdfOption* o = list; o; o = o->next) {
    mdf::Step();
    if (o->optionId == option_id) return o;
  }
  return nullptr;
}

namespace mdf {

MdfParseIndex::OptionList* OptionIndex(ModelParseContext* ctx, const FeatureNode* node) {
  if (!node->data || !ctx->index) return nullptr;
  MdfParseIndex* ix = ctx->index;
  // The option lines of a feature come one after the other: the list asked
  // for last is kept at hand.
  if (ix->lastListKey == node->data) return ix->lastList;
  auto [it, added] = ix->lists.try_emplace(node->data);
  MdfParseIndex::OptionList& list = it->second;
  ix->lastListKey = node->data;
  ix->lastList = &list;
  if (added) {
    list.members.reserve(16);  // room for a usual list at once
    for (MdfOption* o = static_cast<MdfOption*>(node->data); o; o = o->next) {
      Step();
      list.Add(o);
    }
  }
  return &list;
}

MdfOption* FindOption(ModelParseContext* ctx, const FeatureNode* node, uint16_t option_id) {
  if (!ctx->index) return MdfFindOption(static_cast<MdfOption*>(node->data), option_id);
  MdfParseIndex::OptionList* list = OptionIndex(ctx, node);
  if (!list) return nullptr;
  uint32_t at = 0;
  return list->Find(option_id, &at) ? list->members[at] : nullptr;
}

}  // namespace mdf

uint16_t MdfParseTypeWord(const char* text, uint16_t* identity_key) {
  *identity_key = 0;
  auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  auto word_at = [&](const char* p, const char** end) {
    const char* q = p;
    while (*q && *q != '|' && !is_space(*q)) ++q;
    *end = q;
    std::string w(p, q);
    return w.size() > kMaxTypeWord ? std::string() : w;
  };
  auto lookup = [](const std::string& w) {
    return static_cast<uint16_t>(w.empty() ? kFeaturePickOne : MdfLookupWord(kTypeWords, w.c_str()));
  };

  const char* p = text ? text : "";
  while (is_space(*p)) ++p;
  const char* end;
  std::string first = word_at(p, &end);
  uint16_t type = lookup(first);
  if (first == "Identity") {
    p = end;
    while (is_space(*p)) ++p;
    if (*p == '*') {
      ++p;
      const char* q = p;
      while (*q && !is_space(*q)) ++q;
      const UiSymbolRow* row = MdfFindFeatureByName(std::string(p, q).c_str());
      if (row) *identity_key = row->key;
    }
    return type;
  }
  const char* bar = std::strchr(end, '|');
  if (bar) {
    p = bar + 1;
    while (is_space(*p)) ++p;
    type = static_cast<uint16_t>(type | lookup(word_at(p, &end)));
  }
  return type;
}

uint32_t MdfOptionRecordSize(uint16_t type) {
  switch (MdfStorageType(type)) {
    case kFeatureNumeric:
    case kFeaturePickPage:
    case kFeatureFontTbl:
      return 24;
    case kFeatureString:
      return 8;
    case kFeaturePickSlot:
      return 20;
    default:
      return 12;
  }
}

// ---- handlers ---------------------------------------------------------------------------

int32_t MdfOnFileVersion(ModelParseContext* ctx, MdfRecord* record) {
  char16_t* version = ctx->header->fileVersion;
  std::memset(version, 0, sizeof(ctx->header->fileVersion));
  StrAnsiToWide(version, record->value.data, 15);
  return 1;
}

static int32_t SetDllName(MdfRecord* record, char16_t** slot) {
  record->value.length = 0;
  char terminator;
  char16_t* name = MdfScanQuotedWide(&record->value, &terminator);
  if (name) {
    MemFree(*slot);
    *slot = name;
  }
  return 1;
}

int32_t MdfOnUIResDLLName(ModelParseContext* ctx, MdfRecord* record) {
  return SetDllName(record, &ctx->header->uiResDllName);
}

int32_t MdfOnExcDepDLLName(ModelParseContext* ctx, MdfRecord* record) {
  return SetDllName(record, &ctx->header->excDepDllName);
}

int32_t MdfOnOpenUI(ModelParseContext* ctx, MdfRecord* record) {
  if (ctx->openName) return 0;
  const char* word = record->word1.data;
  if (word[0] != '*') return 0;
  const UiSymbolRow* row = MdfFindFeatureByName(word + 1);
  if (!row) return 0;
  char* name = CopyText(ctx, word + 1);
  auto* node = mdf::Arena(ctx).New<FeatureNode>();
  if (!name || !node) return 0;

  FeatureNode* base = MdfFindFeatureNode(ctx, row->key);
  // Only a number from 1 to 65535 makes a variant. A second word that is no
  // number, or 0, would give a node with sub-id 0 that later records take
  // for its base; 65536 and beyond would wrap to another sub-id. Such a
  // record opens the feature as if it had no second word.
  int32_t variant = record->word2.length > 0 ? MdfParseInt(record->word2.data) : 0;
  if (base && variant >= 1 && variant <= 0xFFFF) {
    // A variant: shares its base's type, default and options, and starts
    // with a copy of its base's command pair. The copy is its own: the
    // base's pair may be replaced by a later OptionCommand.
    CommandPair* pair = nullptr;
    if (base->commands && !CopyPair(ctx, base->commands, &pair)) return 0;
    *node = *base;
    node->next = nullptr;
    node->subId = static_cast<uint16_t>(variant);
    node->exclusive = nullptr;
    node->ownsData = base->data ? 0 : 1;
    node->commands = pair;
    node->inheritedDefault = 1;
  } else {
    node->key = row->key;
    node->settingId = row->settingId;
    node->ownsData = 1;
    uint16_t identity_key = 0;
    node->type = MdfParseTypeWord(record->value.data, &identity_key);
    if (identity_key) {
      node->subId = identity_key;
      if (FeatureNode* shared = MdfFindFeatureNode(ctx, identity_key)) {
        node->type = static_cast<uint16_t>(node->type | shared->type);
        node->defaultValue = shared->defaultValue;
        node->inheritedDefault = 1;
        node->data = shared->data;
        node->ownsData = shared->data ? 0 : 1;
      }
    }
    if (int32_t slot = MdfSlotOfSetting(node->settingId)) ctx->header->bySetting[slot] = node;
  }

  ctx->openName = name;
  ctx->openKey = node->key;
  ctx->openSubId = node->subId;
  mdf::AppendLast(&ctx->header->features, &ctx->lastFeature, node);
  if (MdfParseIndex* ix = ctx->index) {
    // The first node of each key, key and sub-id, and setting id answers.
    ix->firstByKey.Emplace(node->key, node);
    ix->firstByVariant.Emplace(uint32_t{node->key} << 16 | node->subId, node);
    ix->firstBySetting.Emplace(node->settingId, node);
  }
  return 1;
}

int32_t MdfOnCloseUI(ModelParseContext* ctx, MdfRecord*) {
  FeatureNode* node = OpenVariant(ctx);
  if (node && MdfIsPositionDefault(node->type)) {
    uint32_t position = 0;
    bool found = false;
    uint32_t count = 0;
    if (MdfParseIndex::OptionList* list = MdfFeatureOptions(node) ? mdf::OptionIndex(ctx, node) : nullptr) {
      count = static_cast<uint32_t>(list->members.size());
      found = list->Find(node->defaultValue, &position);
    }
    if (node->inheritedDefault) {
      // Already a position, taken over from the node it shares options with.
      if (node->defaultValue >= count) node->defaultValue = 0;
    } else {
      node->defaultValue = static_cast<uint16_t>(found ? position : 0);
    }
  }
  ctx->openName = nullptr;
  ctx->openKey = 0;
  ctx->openSubId = 0;
  ctx->keywordCursor = 0;
  return 1;
}

int32_t MdfOnOptionLine(ModelParseContext* ctx, MdfRecord* record) {
  FeatureNode* node = OpenFeature(ctx);
  if (!node) return 1;
  MdfDataKind kind = MdfDataKindOf(node->type);
  MdfTextBuffer* value = &record->value;
  bool has_value = value->data[0] != 0;
  value->length = 0;

  if (record->word1.length == 0) {
    if (kind == MdfDataKind::kList) AddIdList(ctx, node, value);
    return 1;
  }
  const char* name = record->word1.data;
  char terminator;
  if (kind == MdfDataKind::kList) {
    const OptionNameRow* row = MdfFindOptionByName(name);
    if (!row || mdf::FindOption(ctx, node, row->optionId)) return 1;
    AddOption(ctx, node, row->optionId, has_value ? ScanQuoted(ctx, value, &terminator) : nullptr);
  } else if (kind == MdfDataKind::kBoolean) {
    BooleanValue* b = EnsureValue<BooleanValue>(ctx, node);
    if (!b || !has_value) return 1;
    char* text = ScanQuoted(ctx, value, &terminator);
    char** slot = std::strcmp(name, "True") == 0 ? &b->trueText : &b->falseText;
    *slot = text;
  }
  return 1;
}

int32_t MdfOnDefault(ModelParseContext* ctx, MdfRecord* record) {
  FeatureNode* node = OpenVariant(ctx);
  if (!node) return 1;
  char* word = record->value.data;
  word[std::strcspn(word, " \t\r\n")] = '\0';
  if (MdfIsPositionDefault(node->type)) {
    if (const OptionNameRow* row = MdfFindOptionByName(word)) {
      node->defaultValue = row->optionId;
      node->inheritedDefault = 0;
    }
    return 1;
  }
  switch (MdfDataKindOf(node->type)) {
    case MdfDataKind::kBoolean:
      if (BooleanValue* b = EnsureValue<BooleanValue>(ctx, node)) b->defaultValue = MdfParseBool(word);
      break;
    case MdfDataKind::kString:
      // Sets only the default; the limits of a StringValue record stay.
      if (StringValue* s = EnsureValue<StringValue>(ctx, node)) {
        if (const OptionNameRow* row = MdfFindOptionByName(word)) s->defaultOption = row->optionId;
      }
      break;
    default:
      break;
  }
  return 1;
}

int32_t MdfOnNumericValue(ModelParseContext* ctx, MdfRecord* record) {
  FeatureNode* node = OpenFeature(ctx);
  if (!node || MdfDataKindOf(node->type) != MdfDataKind::kNumeric) return 1;
  NumericValue* n = EnsureValue<NumericValue>(ctx, node);
  if (!n) return 1;
  *n = NumericValue{};
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  if (MdfSkipSpace(value) != '"') {
    std::string word;
    mdf::TakeWord(value, &word);
    n->unitId = static_cast<uint16_t>(MdfParseInt(word.c_str()));
  }
  if (!MdfSkipPast(value, '"')) return 1;
  int32_t v[8] = {};
  int32_t count = mdf::ReadNumbers(value, v, 8);
  if (count > 0) n->maxChars = static_cast<uint16_t>(v[0]);
  if (count > 1) n->defaultValue = v[1];
  if (count > 2) n->minimum = v[2];
  if (count > 3) n->maximum = v[3];
  if (count > 4) n->scale = static_cast<uint16_t>(v[4]);
  if (count > 5) n->sixth = static_cast<uint16_t>(v[5]);
  if (count > 6) n->seventh = static_cast<uint16_t>(v[6]);
  if (count > 7) n->eighth = static_cast<uint16_t>(v[7]);
  return 1;
}

int32_t MdfOnStringValue(ModelParseContext* ctx, MdfRecord* record) {
  FeatureNode* node = OpenFeature(ctx);
  if (!node || MdfDataKindOf(node->type) != MdfDataKind::kString) return 1;
  StringValue* s = EnsureValue<StringValue>(ctx, node);
  if (!s) return 1;
  // Writes the limits only; a default line's option stays.
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  char terminator;
  bool found;
  int32_t max_length = MdfScanNumberFound(value, &terminator, &found);
  s->maxLength = static_cast<uint16_t>(found ? max_length : 0);
  s->kind = 0;
  s->showKind = 0;
  char c = MdfSkipSpace(value);
  if (c != 0) {
    std::string word;
    mdf::TakeWord(value, &word);
    s->kind = static_cast<uint16_t>(MdfLookupWord(kStringKinds, word.c_str()));
    if (MdfSkipSpace(value) == '|') {
      ++value->length;
      mdf::TakeWord(value, &word);
      s->showKind = static_cast<uint16_t>(MdfLookupWord(kShowKinds, word.c_str()));
    }
  }
  return 1;
}

int32_t MdfOnPageValue(ModelParseContext* ctx, MdfRecord* record) {
  MdfOption* option = NamedOption(ctx, record, kFeaturePickPage);
  if (!option) return 1;
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  std::string word;

  mdf::TakeWord(value, &word);
  const OptionNameRow* row = MdfFindOptionByName(word.c_str());
  int32_t resolution = row ? row->optionId : MdfParseInt(word.c_str());
  if (resolution == 0) return 1;

  mdf::TakeWord(value, &word);
  const OptionNameRow* orientation = MdfFindOptionByName(word.c_str());
  if (!orientation) return 1;

  uint16_t condition_key = 0;
  uint16_t condition_option = 0;
  char c = MdfSkipSpace(value);
  if (c != '"' && c != 0) {
    mdf::TakeWord(value, &word);
    const UiSymbolRow* feature = MdfFindFeatureByName(word.c_str());
    if (!feature) return 1;
    condition_key = feature->key;
    mdf::TakeWord(value, &word);
    const OptionNameRow* wanted = MdfFindOptionByName(word.c_str());
    condition_option = wanted ? wanted->optionId : static_cast<uint16_t>(MdfParseBool(word.c_str()));
  }

  auto* area = mdf::Arena(ctx).New<PaperAreaEntry>();
  if (!area) return 1;
  area->resolution = static_cast<uint16_t>(resolution);
  area->orientation = orientation->optionId;
  area->conditionKey = condition_key;
  area->conditionOption = condition_option;
  if (MdfSkipPast(value, '"')) {
    int32_t v[6] = {};
    mdf::ReadNumbers(value, v, 6);
    area->left = v[0];
    area->top = v[1];
    area->width = v[2];
    area->height = v[3];
    area->paperWidth = v[4];
    area->paperLength = v[5];
  }
  mdf::AppendLast(&option->areas, &option->lastArea, area);
  return 1;
}

int32_t MdfOnPageMMValue(ModelParseContext* ctx, MdfRecord* record) {
  MdfOption* option = NamedOption(ctx, record, kFeaturePickPage);
  if (!option) return 1;
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  if (!MdfSkipPast(value, '"')) return 1;
  int32_t v[2] = {};
  int32_t count = mdf::ReadNumbers(value, v, 2);
  if (count > 0) option->paperWidth = v[0];
  if (count > 1) option->paperLength = v[1];
  return 1;
}

int32_t MdfOnSlotPaper(ModelParseContext* ctx, MdfRecord* record) {
  MdfOption* option = NamedOption(ctx, record, kFeaturePickSlot);
  if (!option) return 1;
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  if (!MdfSkipPast(value, '{')) return 1;
  std::vector<uint16_t> papers;
  for (;;) {
    char terminator;
    char* word = MdfScanWord(value, &terminator);
    if (!word) break;
    if (*word) {
      const OptionNameRow* row = MdfFindOptionByName(word);
      if (!row) return 1;  // one unknown paper: nothing is stored
      papers.push_back(row->optionId);
    }
    if (terminator == '}') break;
  }
  uint16_t* array = nullptr;
  if (!papers.empty()) {
    array = static_cast<uint16_t*>(mdf::Arena(ctx).Allocate(papers.size() * sizeof(uint16_t)));
    if (!array) return 1;
    std::memcpy(array, papers.data(), papers.size() * sizeof(uint16_t));
  }
  option->papers = array;
  option->paperCount = static_cast<uint32_t>(papers.size());
  return 1;
}

int32_t MdfOnOptionCommand(ModelParseContext* ctx, MdfRecord* record) {
  FeatureNode* node = OpenVariant(ctx);
  if (!node) return 1;
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  if (!MdfSkipPast(value, '{')) return 1;
  char terminator;
  char* first = ScanQuoted(ctx, value, &terminator);
  char* second = terminator != 0 ? ScanQuoted(ctx, value, &terminator) : nullptr;
  auto* pair = mdf::Arena(ctx).New<CommandPair>();
  if (!pair) return 1;
  pair->first = first;
  pair->second = second;
  // Every node has its own pair (a variant starts with a copy of its base's).
  node->commands = pair;
  return 1;
}

int32_t MdfOnTTFS(ModelParseContext* ctx, MdfRecord* record) {
  MdfOption* option = NamedOption(ctx, record, kFeatureFontTbl);
  if (!option) return 1;
  MdfTextBuffer* value = &record->value;
  value->length = 0;
  std::string word;
  mdf::TakeWord(value, &word);
  if (word != "IDList" || !MdfSkipPast(value, '{')) return 1;

  // Every {...} pair of the list is counted first; then each entry gives
  // two names, and reading stops at the first incomplete entry. The arrays
  // are made for the complete entries.
  uint32_t entries = mdf::CountBracedEntries(value);
  std::vector<char*> true_type;
  std::vector<char*> device;
  char terminator;
  for (uint32_t i = 0; i < entries; ++i) {
    if (!mdf::SkipPastUnquoted(value, '{')) break;
    char* tt = MdfSkipSpace(value) == '"' ? ScanQuoted(ctx, value, &terminator) : nullptr;
    char* dev = tt && MdfSkipSpace(value) == '"' ? ScanQuoted(ctx, value, &terminator) : nullptr;
    if (!tt || !dev) break;
    true_type.push_back(tt);
    device.push_back(dev);
    if (!mdf::SkipPastUnquoted(value, '}')) break;
  }

  char** tt_array = nullptr;
  char** dev_array = nullptr;
  uint32_t count = static_cast<uint32_t>(true_type.size());
  if (count) {
    tt_array = static_cast<char**>(mdf::Arena(ctx).Allocate(count * sizeof(char*)));
    dev_array = static_cast<char**>(mdf::Arena(ctx).Allocate(count * sizeof(char*)));
    if (!tt_array || !dev_array) return 1;
    for (uint32_t i = 0; i < count; ++i) {
      tt_array[i] = true_type[i];
      dev_array[i] = device[i];
    }
  }
  option->trueTypeNames = tt_array;
  option->deviceNames = dev_array;
  option->pairCount = count;
  return 1;
}

std::string MdfFeatureTypeName(uint16_t type) {
  std::string name;
  switch (MdfStorageType(type)) {
    case kFeaturePickOne: name = "PickOne"; break;
    case kFeaturePickMany: name = "PickMany"; break;
    case kFeatureBoolean: name = "Boolean"; break;
    case kFeatureNumeric: name = "Numeric"; break;
    case kFeatureString: name = "String"; break;
    case kFeaturePickPage: name = "PickPage"; break;
    case kFeaturePickSlot: name = "PickSlot"; break;
    case kFeatureFontTbl: name = "FontTbl"; break;
    default: name = std::to_string(MdfStorageType(type)); break;
  }
  if (type & kFeatureIdentity) name += "|Identity";
  if (type & kFeatureTypeUnknown) name += "|TypeUnknown";
  return name;
}
