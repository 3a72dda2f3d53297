// The PJL command engine: recording values from lines, applying a line to
// the context, the run that lets the model's rules act and reports what they
// forced, and the trial of one value.
#include "pjl_engine.h"

#include <cstring>

#include "pjl_internal.h"
#include "velm/context.h"
#include "velm/model_query.h"
#include "velm/rule_computed.h"
#include "velm/rule_eval.h"
#include "velm/selectable.h"
#include "velm/settings.h"

namespace {

// A command base must set these: paper size, orientation, output paper size
// and paper source.
constexpr uint32_t kBaseItems[] = {8, 7, 50, 13};

// The booklet value and the first binding value that goes with it; a binding
// option adds its offset to that.
struct Coupling {
  int32_t booklet;
  int32_t firstBinding;
};
constexpr Coupling kCoupling[] = {{0, 1}, {1, 17}, {2, 20}};

int32_t BindingOffset(int32_t binding) {
  switch (binding) {
    case 2: case 18: case 21: return 1;
    case 3: case 19: case 22: return 2;
    default: return 0;
  }
}

constexpr const char* kForceFeedName = "FORCEFEED";

bool Recorded(const ExcHandle* h, uint32_t item, int32_t* value = nullptr) {
  return ExcHandleRecorded(h, item, value);
}

void SetRecord(ExcHandle* h, uint32_t item, int32_t value) {
  if (!h->setFlags || item < 1 || item > uint32_t(kExcItemCount)) return;
  h->setFlags[item - 1] = 1;
  h->values[item - 1] = value;
}

bool IsBinding(const PjlVariableRow* row) { return (row->flags & kExcRowBinding) == kExcRowBinding; }
bool IsBooklet(const PjlVariableRow* row) { return (row->flags & kExcRowBooklet) == kExcRowBooklet; }

// A row's requirement list ends at a term without a setting.
template <typename F>
void ForEachRequirement(const PjlVariableRow* row, F f) {
  for (const PjlRequirement* r = row->requirements; r && r->settingId; ++r) f(r->settingId, r->value);
}

// The value a line of the variable shows: the recorded one, else what the
// context holds.
int32_t CurrentValue(const ExcHandle* h, uint32_t item) {
  int32_t v = 0;
  if (Recorded(h, item, &v)) return v;
  return item <= kExcContextItemLimit && h->context ? OptGetValueById(h->context, item) : 0;
}

struct UpdateLine {
  bool present = false;
  char name[kExcTokenSize] = {};
  char value[kExcTokenSize] = {};
};
UpdateLine ReadUpdateLine(const char* line) {
  UpdateLine u;
  u.present = line && ExcParseLine(line, u.name, u.value) > 0;
  return u;
}

// Forced feed direction: rewrites the forced-feed line of the base by the
// finishing side, or reports the base's value when an update asked for
// another one. 0 when the base is to stay as it is, 1 otherwise, -1 without
// memory.
int32_t ForcedFeed(ExcHandle* h, ExcTextBuffer* out, const UpdateLine& update, bool write_computed) {
  char base_value[kExcTokenSize];
  if ((!Recorded(h, kExcItemStaple) && !Recorded(h, kExcItemPunch)) || !h->baseText ||
      !ExcFindLineValue(h->baseText, kForceFeedName, base_value))
    return 1;
  if (update.present && std::strcmp(update.name, kForceFeedName) == 0) {
    if (std::strcmp(update.value, base_value) != 0 && !ExcTextAppendLine(out, kForceFeedName, base_value)) return -1;
    return 0;
  }
  if (write_computed) {
    const char* word = RuleIsFinishingSide1(h->context) ? "SEF" : RuleIsFinishingSide2(h->context) ? "LEF" : "ALL";
    if (!ExcTextAppendLine(out, kForceFeedName, word)) return -1;
  }
  return 1;
}

// The base rebuilt in its own order: each line with the rendered value when
// the settings gave one, else (with an update line) a command variable's
// line with the update's value or its own; other lines are dropped.
bool RebuildBase(const char* base, const char* rendered, const UpdateLine& update, ExcTextBuffer* out) {
  char name[kExcTokenSize], value[kExcTokenSize], shown[kExcTokenSize];
  for (const char* p = base;;) {
    int32_t used = ExcParseLine(p, name, value);
    if (used <= 0) return true;
    p += used;
    const char* v = nullptr;
    if (ExcFindLineValue(rendered, name, shown))
      v = shown;
    else if (update.present && ExcFindVariable(name, kPjlAccessCommand))
      v = std::strcmp(update.name, name) == 0 ? update.value : value;
    if (v && !ExcTextAppendLine(out, name, v)) return false;
  }
}

// Hands the buffer's text to the handle as its new change text or base
// (with its NUL); false when the length does not fit the handle.
bool TakeText(ExcTextBuffer* b, char** text, int32_t* length) {
  if (b->length + 1 > size_t(INT32_MAX)) return false;
  *length = int32_t(b->length + 1);
  *text = b->text;
  b->text = nullptr;
  b->capacity = b->length = 0;
  return true;
}

void DropChange(ExcHandle* h) {
  MemFree(h->changeText);
  h->changeText = nullptr;
  h->changeLength = 0;
}

}  // namespace

// ---- recorded values -------------------------------------------------------------------

void ExcRecord(ExcHandle* h, uint32_t item, int32_t value, ExcMode mode) {
  if (!h || !h->setFlags || !h->values || item < 1 || item > uint32_t(kExcItemCount)) return;
  if (mode == ExcMode::kUpdate && h->setFlags[item - 1] && h->values[item - 1] == value) return;
  SetRecord(h, item, value);
  if (item > kExcContextItemLimit || !h->context) return;
  OptSetValueById(h->context, item, value);
  if (mode == ExcMode::kUpdate) {
    if (MdfItem feature = MdfFindItem(h->context, item)) RuleApplyItemTransact(h->context, feature);
    ExcRefreshRecorded(h);
  }
}

void ExcRefreshRecorded(ExcHandle* h) {
  if (!h || !h->setFlags || !h->values || !h->context) return;
  for (uint32_t item = 1; item <= kExcContextItemLimit; ++item)
    if (h->setFlags[item - 1]) h->values[item - 1] = OptGetValueById(h->context, item);
  int32_t binding = 0;
  if (!Recorded(h, kExcItemBinding, &binding) || !Recorded(h, kExcBookletItem)) return;
  int32_t first = binding - BindingOffset(binding);
  for (const Coupling& c : kCoupling)
    if (c.firstBinding == first) {
      h->values[kExcBookletItem - 1] = c.booklet;
      return;
    }
}

int32_t ExcCombineBinding(const ExcHandle* h, int32_t binding) {
  int32_t booklet = 0;
  if (!Recorded(h, kExcBookletItem, &booklet)) return binding;
  for (const Coupling& c : kCoupling)
    if (c.booklet == booklet) return c.firstBinding + BindingOffset(binding);
  return binding;
}

bool ExcIsSettable(const ExcHandle* h, const PjlVariableRow* row) {
  if (!h || !row) return false;
  if (!row->settingId) return (row->flags & kExcRowSettableWithoutItem) != 0;
  if (!Recorded(h, row->settingId)) return false;
  bool all = true;
  ForEachRequirement(row, [&](uint32_t item, int32_t) { all = all && Recorded(h, item); });
  return all;
}

// ---- applying a line ---------------------------------------------------------------------

void ExcApplyLine(ExcHandle* h, const PjlVariableRow* row, const char* value_text, ExcMode mode) {
  if (!h || !row || !value_text || !h->context) return;
  DriverContext* ctx = h->context;
  ForEachRequirement(row, [&](uint32_t item, int32_t value) { ExcRecord(h, item, value, mode); });
  uint32_t item = row->settingId;
  if (!item) return;

  if (row->flags & kPjlRowModelOptions) {
    MdfItem feature = ExcFindFeature(ctx, item, row->subKey);
    int32_t value = 0;
    if (!feature || !ExcFeatureValueOfText(ctx, feature, item, row->valueType, value_text, &value)) return;
    int32_t stored = value;
    if (item <= kExcContextItemLimit) {
      OptSetOptionById(ctx, item, value);
      stored = OptGetValueById(ctx, item);
    }
    int32_t before = 0;
    if (mode == ExcMode::kUpdate && (!Recorded(h, item, &before) || before != stored))
      RuleApplyItemTransact(ctx, feature);
    SetRecord(h, item, stored);
    return;
  }

  if (!(row->flags & kPjlRowOwnOptions) || !row->options || (row->valueType != 1 && row->valueType != 4)) return;
  // The first option with the text whose conditions hold, else the first
  // with the text at all.
  const PjlOptionRow* chosen = nullptr;
  const PjlOptionRow* first = nullptr;
  for (uint32_t k = 0; k < row->options->count && !chosen; ++k) {
    const PjlOptionRow* o = &row->options->rows[k];
    if (std::strcmp(o->text, value_text) != 0) continue;
    if (!first) first = o;
    if (OptCheckConditions(ctx, o->conditions)) chosen = o;
  }
  if (!chosen) chosen = first;
  if (!chosen) return;
  for (const PjlAction* a = chosen->actions; a; a = a->next) ExcRecord(h, a->settingId, a->value, mode);

  if (chosen->flags & kPjlOptionDefault) {
    // "Off" and the like set nothing of their own: the item keeps what the
    // context holds (or what was recorded, for the items only the handle
    // knows).
    ExcRecord(h, item, CurrentValue(h, item), mode);
  } else if (IsBinding(row)) {
    ExcRecord(h, item, ExcCombineBinding(h, chosen->value), mode);
  } else if (IsBooklet(row)) {
    int32_t binding = 0;
    if (Recorded(h, kExcItemBinding, &binding)) {
      ExcRecord(h, item, chosen->value, mode);
      ExcRecord(h, kExcItemBinding, ExcCombineBinding(h, binding), mode);
    }
    ExcRecord(h, item, chosen->value, mode);
  } else {
    ExcRecord(h, item, chosen->value, mode);
  }
}

// ---- render, compare, run ----------------------------------------------------------------

bool ExcRender(ExcHandle* h, ExcTextBuffer* out) {
  const PjlVariableRow* written[64];
  size_t written_count = 0;
  for (uint32_t id = 1; id <= uint32_t(kExcItemCount); ++id) {
    if (!h->setFlags[id - 1]) continue;
    const PjlVariableRow* row = ExcFindVariableByItem(id, kPjlAccessCommand);
    if (!row && id == kExcItemSort) row = ExcFindVariableByItem(kExcItemSortType, kPjlAccessCommand);
    if (!row) continue;
    bool seen = false;
    for (size_t i = 0; i < written_count && !seen; ++i) seen = written[i] == row;
    if (seen) continue;
    if (written_count < sizeof written / sizeof written[0]) written[written_count++] = row;

    size_t mark = out->length;
    if (!ExcTextAppendString(out, "@PJL SET ") || !ExcTextAppendString(out, row->name) ||
        !ExcTextAppendString(out, " = "))
      return false;
    int32_t n = ExcAppendValueText(out, h, h->context, row, CurrentValue(h, row->settingId));
    if (n < 0) return false;
    if (n == 0) {
      out->length = mark;
      out->text[mark] = 0;
      continue;
    }
    if (!ExcTextAppendString(out, " \r\n")) return false;
  }
  return true;
}

int32_t ExcCompare(const char* rendered, const char* base, const char* update_line, ExcTextBuffer* out) {
  if (!rendered || !base) return 0;
  UpdateLine update = ReadUpdateLine(update_line);
  char name[kExcTokenSize], value[kExcTokenSize], in_base[kExcTokenSize];
  int32_t written = 0;
  for (const char* p = rendered;;) {
    int32_t used = ExcParseLine(p, name, value);
    if (used <= 0) return written;
    p += used;
    if (!ExcFindLineValue(base, name, in_base)) continue;
    bool update_sets = update.present && std::strcmp(update.name, name) == 0;
    bool write = std::strcmp(value, in_base) != 0 ? !(update_sets && std::strcmp(update.value, value) == 0)
                                                  : update_sets && std::strcmp(update.value, value) != 0;
    if (!write) continue;
    if (!ExcTextAppendLine(out, name, value)) return -1;
    ++written;
  }
}

int32_t ExcRun(ExcHandle* h, const char* update_line) {
  if (!h || !h->context || !h->setFlags) return kExcFailed;
  DriverContext* ctx = h->context;
  OptNormalizeAfterSet(ctx);
  ExcRefreshRecorded(h);
  UpdateLine update = ReadUpdateLine(update_line);

  ExcTextBuffer rendered{}, changes{}, rebuilt{};
  int32_t result = kExcFailed;
  int32_t keep_base = 1;
  do {
    if (!ExcTextInit(&rendered) || !ExcTextInit(&changes)) break;
    if (!ExcRender(h, &rendered)) break;
    if (ForcedFeed(h, &rendered, update, true) < 0) break;
    if (ExcCompare(rendered.text, h->baseText, update_line, &changes) < 0) break;
    keep_base = ForcedFeed(h, &changes, update, false);
    if (keep_base < 0) break;
    // The new base is built before anything of the handle changes, so that a
    // failure leaves the stored base as it was.
    bool rebuild = keep_base != 0 && h->baseText;
    if (rebuild && (!ExcTextInit(&rebuilt) || !RebuildBase(h->baseText, rendered.text, update, &rebuilt))) break;
    char* change_text = nullptr;
    int32_t change_length = 0;
    char* base_text = nullptr;
    int32_t base_length = 0;
    bool changed = changes.length > 0;
    if (changed && !TakeText(&changes, &change_text, &change_length)) break;
    if (rebuild && !TakeText(&rebuilt, &base_text, &base_length)) {
      MemFree(change_text);
      break;
    }
    DropChange(h);
    h->changeText = change_text;
    h->changeLength = change_length;
    if (rebuild) {
      MemFree(h->baseText);
      h->baseText = base_text;
      h->baseLength = base_length;
    }
    result = changed ? kExcChanged : kExcOk;
  } while (false);
  if (result == kExcFailed) DropChange(h);
  ExcTextFree(&rendered);
  ExcTextFree(&changes);
  ExcTextFree(&rebuilt);
  return result;
}

// ---- the command interface's operations -------------------------------------------------

int32_t ExcSetBase(ExcHandle* h, const char* base, int32_t* change_length) {
  if (change_length) *change_length = 0;
  if (!h || !h->context || !h->setFlags) return kExcFailed;
  if (!base) return kExcNoBase;
  char name[kExcTokenSize], value[kExcTokenSize];
  size_t length = 0;
  for (const char* p = base;;) {
    int32_t used = ExcParseLine(p, name, value);
    if (used < 0) {
      // The lines before stay recorded in the context; the caller reopens
      // it. The handle forgets them now, so that nothing reads a half base.
      ExcHandleClearRecords(h);
      return kExcFailed;
    }
    if (used == 0) {
      length = size_t(p - base) + std::strlen(p);
      break;
    }
    p += used;
    if (const PjlVariableRow* row = ExcFindVariable(name, kPjlAccessCommand | kPjlAccessPrinterOption))
      ExcApplyLine(h, row, value, ExcMode::kLoad);
  }
  for (uint32_t item : kBaseItems)
    if (!Recorded(h, item)) {
      ExcHandleClearRecords(h);
      return kExcNoBase;
    }
  auto* copy = length + 1 <= size_t(INT32_MAX) ? static_cast<char*>(MemAllocZeroed(length + 1)) : nullptr;
  if (!copy) {
    ExcHandleClearRecords(h);
    return kExcFailed;
  }
  std::memcpy(copy, base, length);
  MemFree(h->baseText);
  h->baseText = copy;
  h->baseLength = int32_t(length + 1);
  int32_t result = ExcRun(h, nullptr);
  if (change_length) *change_length = h->changeLength;
  return result;
}

int32_t ExcUpdateLine(ExcHandle* h, const char* line, int32_t* change_length) {
  if (change_length) *change_length = 0;
  if (!h || !h->context || !h->setFlags) return kExcFailed;
  DropChange(h);
  if (!line) return kExcOk;
  char name[kExcTokenSize], value[kExcTokenSize];
  int32_t used = ExcParseLine(line, name, value);
  if (used < 0) return kExcFailed;
  if (used == 0) return kExcOk;
  const PjlVariableRow* row = ExcFindVariable(name, kPjlAccessCommand);
  if (!row || !ExcIsSettable(h, row)) return kExcOk;
  ExcApplyLine(h, row, value, ExcMode::kUpdate);
  int32_t result = ExcRun(h, line);
  if (change_length) *change_length = h->changeLength;
  return result;
}

// ---- trial of a value ---------------------------------------------------------------------

bool ExcOptionAllowed(DriverContext* ctx, const PjlOptionRow* option) {
  if (!option) return false;
  if ((option->flags & kPjlOptionAlias) && !option->conditions) return false;
  return OptCheckConditions(ctx, option->conditions) != 0;
}

int32_t ExcTrialValue(ExcHandle* h, const PjlVariableRow* row, const PjlOptionRow* option) {
  if (!h || !h->context || !h->setFlags || !row || !option) return kExcFailed;
  DriverContext* ctx = h->context;
  if (!ExcOptionAllowed(ctx, option)) return 0;

  auto* flags = static_cast<uint8_t*>(MemAllocZeroed(size_t(kExcItemCount)));
  auto* values = static_cast<int32_t*>(MemAllocZeroed(sizeof(int32_t) * kExcItemCount));
  ExcWorkSnapshot snapshot{};
  ExcTextBuffer line{}, rendered{}, changes{};
  if (!flags || !values || !ExcSnapshotTake(ctx, &snapshot)) {
    MemFree(flags);
    MemFree(values);
    return kExcFailed;
  }
  std::memcpy(flags, h->setFlags, size_t(kExcItemCount));
  std::memcpy(values, h->values, sizeof(int32_t) * kExcItemCount);

  auto store = [&](uint32_t item, int32_t value) {
    if (item <= kExcContextItemLimit) OptSetValueById(ctx, item, value);
    SetRecord(h, item, value);
  };
  if (!(option->flags & kPjlOptionDefault) && row->settingId) store(row->settingId, option->value);
  ForEachRequirement(row, store);
  for (const PjlAction* a = option->actions; a; a = a->next) store(a->settingId, a->value);
  int32_t binding = 0;
  if (IsBooklet(row) && Recorded(h, kExcItemBinding, &binding))
    OptSetValueById(ctx, kExcItemBinding, ExcCombineBinding(h, binding));

  int32_t result = kExcFailed;
  if (ExcTextInit(&line) && ExcTextAppendLine(&line, row->name, option->text) && ExcTextInit(&rendered) &&
      ExcTextInit(&changes)) {
    OptNormalizeAfterSet(ctx);
    ExcRefreshRecorded(h);
    if (ExcRender(h, &rendered)) {
      int32_t written = ExcCompare(rendered.text, h->baseText, line.text, &changes);
      if (written >= 0) result = written == 0 ? 1 : 0;
    }
  }

  std::memcpy(h->setFlags, flags, size_t(kExcItemCount));
  std::memcpy(h->values, values, sizeof(int32_t) * kExcItemCount);
  ExcSnapshotRestore(ctx, &snapshot);
  MemFree(flags);
  MemFree(values);
  ExcTextFree(&line);
  ExcTextFree(&rendered);
  ExcTextFree(&changes);
  return result;
}
