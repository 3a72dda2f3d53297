// The rule records of a model description: Judge conditions, and the braced
// Item, Action, Transact, AlertAction, Alert and Exclusive records whose
// entries refer to one another by number or by name.
#include <cstring>
#include <string>
#include <string_view>

#include "mdf_internal.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/rules.h"
#include "velm/settings.h"

namespace {

const MdfWordRow kIconWords[] = {
    {"MB_ICONEXCLAMATION", 0x30}, {"MB_ICONINFORMATION", 0x40}, {"MB_ICONQUESTION", 0x20},
    {"MB_ICONSTOP", 0x10},        {nullptr, kAlertWordUnknown},
};
const MdfWordRow kButtonWords[] = {
    {"MB_ABORTRETRYIGNORE", 2}, {"MB_OK", 0},      {"MB_OKCANCEL", 1},           {"MB_RETRYCANCEL", 5},
    {"MB_YESNO", 4},            {"MB_YESNOCANCEL", 3}, {nullptr, kAlertWordUnknown},
};
const MdfWordRow kWhenWords[] = {
    {"AlertAtOnce", 0}, {"AlertProperty", 1}, {"AlertOkApply", 2}, {"AlertDialog", 3}, {nullptr, kAlertWordUnknown},
};

// The number and optional name of a record's first word "number[=name]".
// False when the number is 0 or does not fit in 16 bits.
bool RecordNumber(const MdfRecord* record, int32_t* number, std::string* name) {
  std::string_view word = record->word1.data;
  size_t eq = word.find('=');
  if (eq == std::string_view::npos) {
    name->clear();
  } else {
    name->assign(word.substr(eq + 1));
  }
  *number = mdf::WordDigits(word.substr(0, eq));
  return *number != 0 && *number <= static_cast<int32_t>(kRuleMaxNumber) &&
         *number >= -static_cast<int32_t>(kRuleMaxNumber);
}

// The dialog of the built-in dialog table with that name. The built-in table
// is the same in every library, so a model compiles alike in all of them.
const DialogRecord* FindDialogName(const char* name) {
  const DialogTable& table = DlgGetBuiltinTable();
  for (int16_t i = 0; i < table.count; ++i) {
    const char* row = table.rows[i].name;
    if (row && row[0] == name[0] && std::strcmp(row, name) == 0) return &table.rows[i];
  }
  return nullptr;
}

uint32_t FeatureKey(const char* name) {
  const UiSymbolRow* row = MdfFindFeatureByName(name);
  return row ? row->key : 0;
}

uint32_t OptionId(const char* name) {
  const OptionNameRow* row = MdfFindOptionByName(name);
  return row ? row->optionId : 0;
}

using FillFn = void (*)(ModelParseContext* ctx, RuleEntry* entry, int32_t position, const std::string& token,
                        int32_t type);

// A Judge reference in a place where a refused Judge drops the entry.
uint32_t GuardedJudge(RuleEntry* e, const char* token) {
  uint32_t reference = RuleResolveReference(token, kRuleJudge);
  if (reference == 0 && RuleIsRefusedJudgeName(token)) e->refusedJudge = 1;
  return reference;
}

void FillItem(ModelParseContext*, RuleEntry* e, int32_t position, const std::string& token, int32_t) {
  const char* t = token.c_str();
  switch (position) {
    case 0: e->field[kItemOption] = OptionId(t); break;
    case 1: e->field[kItemHide] = GuardedJudge(e, t); break;
    default: e->field[kItemDisable] = GuardedJudge(e, t); break;
  }
}

void FillAction(ModelParseContext* ctx, RuleEntry* e, int32_t position, const std::string& token, int32_t type) {
  const char* t = token.c_str();
  if (position == 0) {
    if (const DialogRecord* dialog = FindDialogName(t)) {
      e->field[kActionTarget] = dialog->dialogId;
      e->field[kActionKind] = kActionTargetDialog;
    } else if (const UiSymbolRow* row = MdfFindFeatureByName(t)) {
      e->field[kActionTarget] = row->settingId;
      e->field[kActionKind] = kActionTargetSetting;
    }
    return;
  }
  if (type == kTokenNumber) {
    e->field[kActionValue] = static_cast<uint32_t>(MdfParseInt(t));
  } else if (token == "Default") {
    // The default of the target setting as compiled so far; a dialog or a
    // missing target has none.
    if (e->field[kActionKind] == kActionTargetSetting && e->field[kActionTarget] != 0) {
      e->field[kActionValue] = static_cast<uint32_t>(mdf::DefaultOf(ctx, e->field[kActionTarget]));
    }
  } else {
    e->field[kActionValue] = OptionId(t);
  }
}

void FillTransact(ModelParseContext*, RuleEntry* e, int32_t position, const std::string& token, int32_t) {
  if (position == 0) {
    e->field[kTransactCondition] = GuardedJudge(e, token.c_str());
  } else {
    e->field[kTransactAction] = RuleResolveReference(token.c_str(), kRuleAction);
  }
}

void FillAlertAction(ModelParseContext*, RuleEntry* e, int32_t position, const std::string& token, int32_t) {
  if (position == 0) {
    // Button words are rows of the feature-name table keyed by the answer.
    e->field[kAlertActionButton] = FeatureKey(token.c_str());
  } else {
    e->field[kAlertActionTransact] = RuleResolveReference(token.c_str(), kRuleTransact);
  }
}

void FillAlert(ModelParseContext*, RuleEntry* e, int32_t position, const std::string& token, int32_t) {
  const char* t = token.c_str();
  switch (position) {
    case 0: e->field[kAlertCondition] = GuardedJudge(e, t); break;
    case 1: {
      const MessageNameRow* row = RuleFindAlertMessageByName(nullptr, t);
      e->field[kAlertMessage] = row ? row->id : 0;
      break;
    }
    case 2: e->field[kAlertIcon] = MdfLookupWord(kIconWords, t); break;
    case 3: e->field[kAlertButtons] = MdfLookupWord(kButtonWords, t); break;
    case 4: e->field[kAlertWhen] = MdfLookupWord(kWhenWords, t); break;
    default: e->field[kAlertAlertAction] = RuleResolveReference(t, kRuleAlertAction); break;
  }
}

void FillExclusive(ModelParseContext*, RuleEntry* e, int32_t position, const std::string& token, int32_t) {
  const char* t = token.c_str();
  switch (position) {
    case 0: e->field[kExclusiveKey] = FeatureKey(t); break;
    case 1: e->field[kExclusiveHide] = RuleResolveReference(t, kRuleJudge); break;
    case 2: e->field[kExclusiveDisable] = RuleResolveReference(t, kRuleJudge); break;
    case 3: e->field[kExclusiveItem] = RuleResolveReference(t, kRuleItem); break;
    case 4: e->field[kExclusiveAlert] = RuleResolveReference(t, kRuleAlert); break;
    case 5: e->field[kExclusiveTransact] = RuleResolveReference(t, kRuleTransact); break;
    default: e->field[kExclusiveTransact2] = RuleResolveReference(t, kRuleTransact); break;
  }
}

// Reads the braced entries of a record's value: '{' and '}' count the depth,
// the record ends when a '}' brings it from 1 to 0, and every other token
// fills the next of `positions` positions, the first position of an entry
// creating it. Each new entry is appended to the list *entries whose last
// member is *last. True when the record was closed; false when the value or
// memory ran out first (the entries made so far stay in the list).
bool ReadEntries(ModelParseContext* ctx, MdfTextBuffer* value, int32_t positions, FillFn fill, RuleEntry** entries,
                 RuleEntry** last) {
  value->length = 0;
  int32_t depth = 0;
  int32_t position = positions;
  RuleEntry* current = nullptr;
  std::string token;
  for (;;) {
    int32_t type = RuleScanToken(value, &token);
    if (token.empty()) return false;  // the end of the value
    if (type == kTokenBracket && token == "{") {
      ++depth;
      continue;
    }
    if (type == kTokenBracket && token == "}") {
      if (depth == 1) return true;
      --depth;
      continue;
    }
    if (position == positions) {
      current = mdf::Arena(ctx).New<RuleEntry>();
      if (!current) return false;
      mdf::AppendLast(entries, last, current);
      position = 0;
    }
    fill(ctx, current, position++, token, type);
  }
}

// A numbered braced record: its name is listed, then the entries are read;
// a record that does not close is dropped.
int32_t OnBraced(ModelParseContext* ctx, MdfRecord* record, RuleKind kind, int32_t positions, FillFn fill,
                 RuleRecord** list, RuleRecord** last) {
  int32_t number = 0;
  std::string name;
  if (!RecordNumber(record, &number, &name)) return 0;
  if (!name.empty() && !RuleAddName(kind, name.c_str(), number)) return 0;
  auto* rec = mdf::Arena(ctx).New<RuleRecord>();
  if (!rec) return 0;
  rec->number = static_cast<uint16_t>(number);
  RuleEntry* last_entry = nullptr;
  // A record dropped here stays in the arena unlisted until the parse ends.
  if (!ReadEntries(ctx, &record->value, positions, fill, &rec->entries, &last_entry)) return 0;
  mdf::AppendLast(list, last, rec);
  return 1;
}

// A Judge that was given but refused: its number (when it has a usable
// one) and its name are remembered, so that the entries naming it are
// dropped rather than applied without a condition.
int32_t RefuseJudge(ModelParseContext* ctx, bool numbered, int32_t number, const std::string& name) {
  if (numbered && ctx->index) ctx->index->refusedJudges.Emplace(static_cast<uint16_t>(number), true);
  if (!name.empty()) RuleAddRefusedJudgeName(name.c_str(), number);
  return 0;
}

}  // namespace

int32_t RuleOnJudge(ModelParseContext* ctx, MdfRecord* record) {
  int32_t number = 0;
  std::string name;
  if (!RecordNumber(record, &number, &name)) return RefuseJudge(ctx, false, number, name);
  record->value.length = 0;
  uint32_t count = 0;
  JudgeCell* cells = mdf::CompileCondition(ctx, &record->value, &count, &mdf::Arena(ctx));
  if (!cells || !RuleCheckCondition(cells, count)) return RefuseJudge(ctx, true, number, name);
  auto* judge = mdf::Arena(ctx).New<JudgeRecord>();
  if (!judge) return RefuseJudge(ctx, true, number, name);
  judge->number = static_cast<uint16_t>(number);
  judge->byteLength = count * sizeof(JudgeCell);
  judge->cells = cells;
  mdf::AppendLast(&ctx->judges, &ctx->lastJudge, judge);
  if (ctx->index) ctx->index->firstJudge.Emplace(judge->number, judge);
  // Listed only once its condition compiled: a dropped Judge leaves no name
  // for a later condition to find.
  if (!name.empty()) RuleAddName(kRuleJudge, name.c_str(), number);
  return 1;
}

int32_t RuleOnItem(ModelParseContext* ctx, MdfRecord* record) {
  return OnBraced(ctx, record, kRuleItem, 3, FillItem, &ctx->items, &ctx->lastItem);
}

int32_t RuleOnAction(ModelParseContext* ctx, MdfRecord* record) {
  return OnBraced(ctx, record, kRuleAction, 2, FillAction, &ctx->actions, &ctx->lastAction);
}

int32_t RuleOnTransact(ModelParseContext* ctx, MdfRecord* record) {
  return OnBraced(ctx, record, kRuleTransact, 2, FillTransact, &ctx->transacts, &ctx->lastTransact);
}

int32_t RuleOnAlertAction(ModelParseContext* ctx, MdfRecord* record) {
  return OnBraced(ctx, record, kRuleAlertAction, 2, FillAlertAction, &ctx->alertActions, &ctx->lastAlertAction);
}

int32_t RuleOnAlert(ModelParseContext* ctx, MdfRecord* record) {
  return OnBraced(ctx, record, kRuleAlert, 6, FillAlert, &ctx->alerts, &ctx->lastAlert);
}

int32_t RuleOnExclusive(ModelParseContext* ctx, MdfRecord* record) {
  // No number or name; every entry joins the context's list as it is made,
  // and the entries read before the value ends stay.
  return ReadEntries(ctx, &record->value, 7, FillExclusive, &ctx->exclusives, &ctx->lastExclusive) ? 1 : 0;
}

JudgeRecord* RuleFindJudge(ModelParseContext* ctx, uint16_t number) {
  if (ctx && ctx->index) {
    JudgeRecord* const* judge = ctx->index->firstJudge.Find(number);
    return judge ? *judge : nullptr;
  }
  for (JudgeRecord* j = ctx ? ctx->judges : nullptr; j; j = j->next) {
    mdf::Step();
    if (j->number == number) return j;
  }
  return nullptr;
}

void RuleFreeRecords(ModelParseContext* ctx) {
  if (!ctx) return;
  // The records and their cells live in the parse's arena.
  ctx->judges = nullptr;
  ctx->lastJudge = nullptr;
  if (ctx->index) ctx->index->firstJudge.Clear();
  for (RuleRecord** list : {&ctx->items, &ctx->actions, &ctx->transacts, &ctx->alertActions, &ctx->alerts}) {
    *list = nullptr;
  }
  ctx->lastItem = ctx->lastAction = ctx->lastTransact = ctx->lastAlertAction = ctx->lastAlert = nullptr;
  ctx->exclusives = nullptr;
  ctx->lastExclusive = nullptr;
}

namespace {

// The default of a node; at_default finds the option at the node's default
// position (null when the list is shorter).
template <typename AtDefault>
int32_t DefaultOfNode(const FeatureNode* node, AtDefault at_default) {
  if (!node || !node->data) return 0;
  switch (node->type & 0xFF) {
    case 1: {
      const MdfOption* o = MdfFeatureOptions(node) ? at_default(node) : nullptr;
      return o ? o->optionId : 0;
    }
    case kFeatureBoolean:
      if (const BooleanValue* b = MdfFeatureBoolean(node)) return b->defaultValue;
      return 0;
    case kFeatureNumeric:
      if (const NumericValue* n = MdfFeatureNumeric(node)) return n->defaultValue;
      return 0;
    case kFeatureString:
      if (const StringValue* s = MdfFeatureString(node)) return s->defaultOption;
      return 0;
    default:
      return 0;
  }
}

}  // namespace

int32_t MdfGetDefaultFromHeader(uint32_t setting_id, const ModelParseHeader* header) {
  if (!header || setting_id == 0) return 0;
  const FeatureNode* node = nullptr;
  if (int32_t slot = MdfSlotOfSetting(setting_id)) {
    node = header->bySetting[slot];
  } else {
    for (node = header->features; node && node->settingId != setting_id; node = node->next) {
      mdf::Step();
    }
  }
  return DefaultOfNode(node, [](const FeatureNode* n) -> const MdfOption* {
    uint32_t position = 0;
    for (const MdfOption* o = MdfFeatureOptions(n); o; o = o->next, ++position) {
      mdf::Step();
      if (position == n->defaultValue) return o;
    }
    return nullptr;
  });
}

int32_t mdf::DefaultOf(ModelParseContext* ctx, uint32_t setting_id) {
  if (!ctx->index) return MdfGetDefaultFromHeader(setting_id, ctx->header);
  if (setting_id == 0) return 0;
  const FeatureNode* node = nullptr;
  if (int32_t slot = MdfSlotOfSetting(setting_id)) {
    node = ctx->header->bySetting[slot];
  } else {
    FeatureNode* const* found = ctx->index->firstBySetting.Find(setting_id);
    node = found ? *found : nullptr;
  }
  return DefaultOfNode(node, [ctx](const FeatureNode* n) -> const MdfOption* {
    MdfParseIndex::OptionList* list = OptionIndex(ctx, n);
    return list && n->defaultValue < list->members.size() ? list->members[n->defaultValue] : nullptr;
  });
}
