// The rule operations on a feature: hide and disable judges, alerts and the
// Transact and Action lists that change settings.
#include "velm/context.h"
#include "velm/rule_eval.h"
#include "velm/settings.h"

namespace {

bool ReadExclusive(DriverContext* ctx, MdfItem item, ImgExclusive* x) {
  ImgFeature f;
  if (!ctx || !MdfReadItem(ctx, item, &f) || !f.exclusive) return false;
  return MdfImgReadExclusive(ctx->image, f.exclusive, x);
}

uint32_t ItemJudge(DriverContext* ctx, MdfItem item, uint16_t option_id, bool hide) {
  ImgExclusive x;
  if (!ReadExclusive(ctx, item, &x)) return 0;
  if (option_id == 0) return RuleEvalJudge(ctx, hide ? x.hide : x.disable);
  ImgItemEntry e;
  uint32_t steps = MdfStepLimit(ctx->image);
  for (uint32_t at = x.items; at && steps--; at = e.next) {
    if (!MdfImgReadItem(ctx->image, at, &e)) return 0;
    if (e.optionId == option_id) return RuleEvalJudge(ctx, hide ? e.hide : e.disable);
  }
  return 0;
}

}  // namespace

uint32_t RuleIsItemHidden(DriverContext* ctx, MdfItem item, uint16_t option_id) {
  return ItemJudge(ctx, item, option_id, true);
}

uint32_t RuleIsItemDisabled(DriverContext* ctx, MdfItem item, uint16_t option_id) {
  return ItemJudge(ctx, item, option_id, false);
}

uint16_t RuleFindActiveAlert(DriverContext* ctx, MdfItem item) {
  ImgExclusive x;
  if (!ReadExclusive(ctx, item, &x)) return 0;
  ImgAlertEntry a;
  uint32_t steps = MdfStepLimit(ctx->image);
  for (uint32_t at = x.alerts; at && steps--; at = a.next) {
    if (!MdfImgReadAlert(ctx->image, at, &a)) return 0;
    if (a.condition && RuleEvalJudge(ctx, a.condition) != 0) return a.message;
  }
  return 0;
}

uint16_t RuleApplyItemTransact(DriverContext* ctx, MdfItem item) {
  ImgExclusive x;
  if (!ReadExclusive(ctx, item, &x)) return 0;
  return RuleApplyTransact(ctx, x.transacts);
}

uint16_t RuleApplyAlertAnswer(DriverContext* ctx, MdfItem item, uint16_t message_id, uint16_t answer) {
  ImgExclusive x;
  if (!ReadExclusive(ctx, item, &x)) return 0;
  ImgAlertEntry a;
  uint32_t steps = MdfStepLimit(ctx->image);
  uint32_t at = x.alerts;
  for (; at && steps--; at = a.next) {
    if (!MdfImgReadAlert(ctx->image, at, &a)) return 0;
    if (a.message == message_id) break;
  }
  if (!at || a.message != message_id) return 0;
  ImgAlertActionEntry e;
  steps = MdfStepLimit(ctx->image);
  for (uint32_t act = a.alertActions; act && steps--; act = e.next) {
    if (!MdfImgReadAlertAction(ctx->image, act, &e)) return 0;
    if (e.button == answer) return RuleApplyTransact(ctx, e.transacts);
  }
  return 0;
}

uint16_t RuleApplyTransact(DriverContext* ctx, uint32_t transact_list) {
  if (!ctx || !ctx->image) return 0;
  uint32_t previous_condition = 0;
  bool previous_applied = true;
  ImgTransactEntry t;
  uint32_t steps = MdfStepLimit(ctx->image);
  for (uint32_t at = transact_list; at && steps--; at = t.next) {
    if (!MdfImgReadTransact(ctx->image, at, &t)) return 0;
    bool applies;
    if (!t.condition) {
      applies = true;
    } else if (t.condition == previous_condition && !previous_applied) {
      applies = false;  // the same condition just failed: not evaluated again
    } else {
      // Evaluated anew, so that it sees what earlier entries have set.
      applies = RuleEvalJudge(ctx, t.condition) != 0;
    }
    previous_condition = t.condition;
    previous_applied = applies;
    if (!applies) continue;
    ImgActionEntry a;
    uint32_t action_steps = MdfStepLimit(ctx->image);
    for (uint32_t act = t.actions; act && action_steps--; act = a.next) {
      if (!MdfImgReadAction(ctx->image, act, &a)) break;
      if (a.targetKind == kActionTargetDialog) return a.target;
      if (a.targetKind == kActionTargetSetting) OptSetOptionOrString(ctx, a.target, a.value);
    }
  }
  return 0;
}
