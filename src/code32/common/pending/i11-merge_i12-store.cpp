// Stand-ins for the save stack and single-setting routines, which are built
// on another branch. Deleted when that branch lands.
#include <cstdint>

#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/model_query.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/settings.h"

// Stand-in until the save stack lands: nothing is pushed or popped (the
// quality-set stand-in loads nothing between a push and its pop).
void DmPushSettings(DriverContext*) {}
void DmPopSettings(DriverContext*, int32_t) {}

// Stand-in until the selectable option lists land: the options of the
// model's vdmSortType feature that the rules do not hide stand for the
// selectable values; a choice is more than one, or one that is not 0.
int32_t OptHasSortChoice(DriverContext* ctx) {
  constexpr uint32_t kSortType = 129;
  MdfItem item = MdfFindItem(ctx, kSortType);
  ImgFeature f;
  if (!item || !MdfReadItem(ctx, item, &f) || !MdfIsListType(f.type)) return 0;
  const SettingRecord* row = OptFindSetting(ctx, kSortType);
  int32_t count = 0, last = 0;
  ImgOption o;
  uint32_t limit = MdfImageSize(ctx->image) / mdf_image::kOptionSize;
  for (uint32_t at = f.data; at && limit--; at = o.next) {
    if (!MdfImgReadOption(ctx->image, at, f.type, &o)) break;
    if (RuleIsItemHidden(ctx, item, o.optionId)) continue;
    ++count;
    last = OptOptionToValue(ctx, row, o.optionId);
  }
  return count > 1 || (count == 1 && last != 0) ? 1 : 0;
}
