// The option walk, option names and list helpers the control kinds share.
#include <cstring>

#include "ctl_internal.h"
#include "ui/prsht.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/names.h"
#include "velm/mdf_records.h"
#include "velm/resources.h"
#include "velm/rule_eval.h"

uint16_t CtlFeatureType(DriverContext* ctx, MdfItem feature) {
  return feature ? uint16_t(MdfGetNodeType(ctx, feature)) : 0;
}

bool CtlIsPickOne(DriverContext* ctx, MdfItem feature) {
  // PickPage and PickSlot are PickOne lists of papers and trays.
  return (CtlFeatureType(ctx, feature) & 0xFF) == kFeaturePickOne;
}

int32_t CtlGetOptions(DriverContext* ctx, MdfItem feature, uint16_t* ids, int32_t capacity) {
  ImgFeature f;
  if (!ctx || !ctx->image || !feature || !MdfReadItem(ctx, feature, &f)) return 0;
  uint16_t type = MdfStorageType(f.type);
  if (!MdfIsListType(type)) return 0;
  int32_t n = 0;
  uint32_t steps = MdfStepLimit(ctx->image);
  ImgOption o;
  for (uint32_t at = f.data; at && steps-- && n < capacity; at = o.next) {
    if (!MdfImgReadOption(ctx->image, at, type, &o) || o.optionId == 0) break;
    ids[n++] = o.optionId;
  }
  return n;
}

bool CtlIsOptionHidden(DriverContext* ctx, MdfItem feature, uint16_t option) {
  return option && RuleIsItemHidden(ctx, feature, option) != 0;
}

bool CtlIsOptionDisabled(DriverContext* ctx, MdfItem feature, uint16_t option) {
  return option && RuleIsItemDisabled(ctx, feature, option) != 0;
}

std::u16string CtlOptionName(DriverContext* ctx, uint32_t option) {
  char16_t buffer[kCtlNameChars + 1] = {};
  ResLoadString(ctx, option, buffer, kCtlNameChars + 1, 0);
  return buffer;
}

HWND CtlWindowOf(const DialogRecord* dialog, const DialogItemRecord* item) {
  if (!item) return nullptr;
  if (item->window) return item->window;
  return dialog && dialog->window ? GetDlgItem(dialog->window, item->controlId) : nullptr;
}

HWND CtlSheetOf(const DialogRecord* dialog) { return dialog && dialog->window ? GetParent(dialog->window) : nullptr; }

namespace {

struct ListMessages {
  UINT reset, add, setData, getData, getCount, getSel, setSel;
};
constexpr ListMessages kList{LB_RESETCONTENT, LB_ADDSTRING, LB_SETITEMDATA, LB_GETITEMDATA,
                             LB_GETCOUNT,     LB_GETCURSEL, LB_SETCURSEL};
constexpr ListMessages kCombo{CB_RESETCONTENT, CB_ADDSTRING, CB_SETITEMDATA, CB_GETITEMDATA,
                              CB_GETCOUNT,     CB_GETCURSEL, CB_SETCURSEL};

const ListMessages& MessagesOf(bool combo) { return combo ? kCombo : kList; }

}  // namespace

void CtlSelectEntryByData(HWND list, bool combo, intptr_t value, bool clear_when_missing) {
  if (!list) return;
  const ListMessages& m = MessagesOf(combo);
  LRESULT count = SendMessageW(list, m.getCount, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(list, m.getData, WPARAM(i), 0) != value) continue;
    if (SendMessageW(list, m.getSel, 0, 0) != i) SendMessageW(list, m.setSel, WPARAM(i), 0);
    return;
  }
  if (clear_when_missing) SendMessageW(list, m.setSel, WPARAM(-1), 0);
}

bool CtlRefuseDisabledOption(DriverContext* ctx, DialogItemRecord* item, HWND list, bool combo, uint16_t option) {
  if (!CtlIsOptionDisabled(ctx, UiItemModel(ctx, item), option)) return false;
  CtlListBlock block;
  const void* raw = CtlGetExtraBlock(item, kCtlTagList);
  if (!raw) return false;
  std::memcpy(&block, raw, sizeof block);
  if (block.refuseFlag != 1 || item->messageId == 0) return false;
  char16_t text[kCtlNameChars + 1] = {};
  ResLoadString(ctx, item->messageId, text, kCtlNameChars + 1, 0);
  MessageBoxW(list, text, u"Information", MB_OK | MB_ICONINFORMATION);
  CtlSelectEntryByData(list, combo, OptGetControlOption(ctx, item), true);
  return true;
}

void CtlFillOptions(DriverContext* ctx, DialogItemRecord* item, HWND list, bool combo, bool names) {
  if (!list) return;
  const ListMessages& m = MessagesOf(combo);
  SendMessageW(list, m.reset, 0, 0);
  MdfItem feature = UiItemModel(ctx, item);
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (CtlIsOptionHidden(ctx, feature, option)) return true;
    std::u16string text = names ? CtlOptionName(ctx, option) : std::u16string();
    LRESULT at = SendMessageW(list, m.add, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (at >= 0) SendMessageW(list, m.setData, WPARAM(at), LPARAM(option));
    return true;
  });
}

DialogItemRecord* CtlFindControlAnywhere(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id,
                                         DialogRecord** found_in) {
  if (DialogItemRecord* here = dialog ? CtxFindControl(ctx, dialog, control_id) : nullptr) {
    if (found_in) *found_in = dialog;
    return here;
  }
  DialogTable* t = ctx ? ctx->dialogs : nullptr;
  for (int d = 0; t && d < t->count; ++d)
    if (DialogItemRecord* there = CtxFindControl(ctx, &t->rows[d], control_id)) {
      if (found_in) *found_in = &t->rows[d];
      return there;
    }
  return nullptr;
}
