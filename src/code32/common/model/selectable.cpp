// The option lists still selectable under the installed options, read from
// the PJL variable table, and the normalisation after settings were set from
// outside.
#include "velm/selectable.h"

#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/rule_computed.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kInstalledCopyFirst = 443, kInstalledCopyLast = 538;
constexpr uint32_t kSupportOffset = 193;  // installed-option copy -> the model's support bit
constexpr uint32_t kDmPrintQuality = 0x400;

// Walks a condition list. `read` gives the term's setting value, or false
// when the term is to be passed over.
template <typename Read>
int32_t CheckTerms(const PjlCondition* term, Read read) {
  int32_t result = 1;
  for (; term; term = term->next) {
    int32_t value;
    if (!read(term, &value)) continue;
    if (value == term->value) {
      if (!(term->flags & kPjlTermSkip)) {
        // An or-chain that holds: pass over its remaining members.
        while (term && (term->flags == 0 || (term->flags & kPjlTermSkip))) term = term->next;
        if (!term) return 1;
      }
      result = 1;
    } else {
      while (term && (term->flags & kPjlTermSkip)) term = term->next;
      // The last member of an and-chain failed, or the list ends failing.
      if (!term || term->flags != 0) return 0;
      result = 0;
    }
  }
  return result;
}

}  // namespace

int32_t OptCheckConditions(DriverContext* ctx, const PjlCondition* list) {
  return CheckTerms(list, [ctx](const PjlCondition* t, int32_t* v) {
    *v = OptGetValueById(ctx, t->settingId);
    return true;
  });
}

int32_t OptCheckOptionConditions(DriverContext* ctx, const PjlCondition* list) {
  return CheckTerms(list, [ctx](const PjlCondition* t, int32_t* v) {
    if (t->settingId < kInstalledCopyFirst || t->settingId > kInstalledCopyLast) return false;
    *v = OptGetValueById(ctx, t->settingId - kSupportOffset);
    return true;
  });
}

const PjlVariableRow* OptFindSelectableRow(DriverContext* ctx, uint32_t id, uint32_t access) {
  const PjlVariableTable* table = OptGetSelectableTable();
  for (uint32_t i = 0; i < table->count; ++i) {
    const PjlVariableRow& row = table->rows[i];
    if (row.settingId == 0 || row.settingId != id || !(row.access & access)) continue;
    if ((row.access & kPjlAccessPrinterOption) && row.conditions && !OptCheckOptionConditions(ctx, row.conditions))
      continue;
    return &row;
  }
  return nullptr;
}

int32_t OptListSelectableValues(DriverContext* ctx, uint32_t id, int32_t capacity, int32_t* values, int32_t* count,
                                int32_t skip_default) {
  int32_t found = 0;
  if (count) *count = 0;
  const PjlVariableRow* row = OptFindSelectableRow(ctx, id, kPjlAccessCommand);
  if (!row || !row->options || !row->options->rows || row->options->count == 0) return kSelectableDone;
  const PjlOptionList& list = *row->options;
  auto* collected = static_cast<int32_t*>(MemAllocZeroed(sizeof(int32_t) * list.count));
  if (!collected) return kSelectableNoMemory;
  for (uint32_t i = 0; i < list.count; ++i) {
    const PjlOptionRow& option = list.rows[i];
    if (skip_default && (option.flags & kPjlOptionDefault)) continue;
    if (OptCheckConditions(ctx, option.conditions)) collected[found++] = option.value;
  }
  int32_t rc = kSelectableDone;
  if (found > 0) {
    if (count) *count = found;
    if (values && capacity >= found) {
      for (int32_t i = 0; i < found; ++i) values[i] = collected[i];
    } else {
      rc = kSelectableNeedRoom;
    }
  }
  MemFree(collected);
  return rc;
}

int32_t OptListSelectable(DriverContext* ctx, uint32_t id, int32_t capacity, int32_t* values, int32_t* count) {
  return OptListSelectableValues(ctx, id, capacity, values, count, 0);
}

int32_t OptHasSelectableOption(DriverContext* ctx, uint32_t id) {
  int32_t count = 0;
  return OptListSelectableValues(ctx, id, 0, nullptr, &count, 1) == kSelectableNeedRoom ? 1 : 0;
}

int32_t OptNormalizeAfterSet(DriverContext* ctx) {
  if (!ctx || !ctx->devmode) return 0;
  uint8_t* devmode = ctx->devmode;
  if (!RuleCheckPageDotLimit(ctx, 0)) OptSetValueById(ctx, setting::dmPrintQuality, 600);
  reinterpret_cast<DEVMODEW*>(devmode)->dmFields |= kDmPrintQuality;
  DmResolutionToPrivate(devmode, ctx);
  DmSetPaper(OptGetValueById(ctx, setting::dmPaperSize), setting::dmPaperSize, ctx, devmode);
  DmSetOutputPaper(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx, devmode);
  RuleApplyAllTransacts(ctx);
  return 0;
}
