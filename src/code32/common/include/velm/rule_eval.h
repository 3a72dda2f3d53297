// The rule evaluator: compiled conditions evaluated against the settings of
// one context on the context's own value stack, and the rule operations the
// rest of the driver asks of a feature (hidden, disabled, alerts, and the
// setting changes of Transact and Action lists).
//
// Every read of the image goes through its bounds-checked accessors, and
// every push and pop is checked against the stack: a malformed condition or a
// reference to a missing record gives 0 (nothing hidden, no alert, no
// action), never a stray read or write.
#pragma once

#include <cstdint>

#include "velm/model_query.h"
#include "velm/rules.h"

struct DriverContext;

constexpr int32_t kEvalStackCells = 256;

// At the open: a zeroed stack of 256 cells and index 0 in the work record;
// 0, or -1 when out of memory. RuleFreeEvalStack frees it.
int32_t RuleAllocEvalStack(DriverContext* ctx);
void RuleFreeEvalStack(DriverContext* ctx);

// The result of the compiled condition whose first cell lies at `condition`
// in the context's image; 0 for none (offset 0). The stack index is the same
// after every evaluation as before it.
uint32_t RuleEvalJudge(DriverContext* ctx, uint32_t condition);
// The same over cells held in memory (at most count cells are read).
uint32_t RuleEvalCells(DriverContext* ctx, const JudgeCell* cells, uint32_t count);

// Option 0: the feature's own hide (disable) condition; any other option:
// that of the option's Item entry. 0 without an Exclusive record, entry or
// condition.
uint32_t RuleIsItemHidden(DriverContext* ctx, MdfItem item, uint16_t option_id);
uint32_t RuleIsItemDisabled(DriverContext* ctx, MdfItem item, uint16_t option_id);
// The message id of the feature's first Alert entry whose condition holds;
// 0 when none. An entry without a condition is never active.
uint16_t RuleFindActiveAlert(DriverContext* ctx, MdfItem item);
// Runs the feature's Transact list; the dialog id of the first dialog target
// reached, else 0.
uint16_t RuleApplyItemTransact(DriverContext* ctx, MdfItem item);
// Runs the Transact list of the answer's AlertAction entry of the feature's
// first Alert entry with that message id; what that run gives (a dialog id
// or 0).
uint16_t RuleApplyAlertAnswer(DriverContext* ctx, MdfItem item, uint16_t message_id, uint16_t answer);
// Runs a Transact list (the offset of its first entry) entry by entry.
uint16_t RuleApplyTransact(DriverContext* ctx, uint32_t transact_list);

// The value of a computed condition item (731-858) for a condition.
uint32_t RuleGetComputedItem(DriverContext* ctx, uint32_t setting_id);
