// Value changes of the page controls and the page refresh. Every change a
// control makes goes through UiApplyControlChange: store the option, ask the
// rules for an active alert, show it, and take the change back or apply the
// answer's actions and the feature's transacts. The refresh then brings
// every control of the page in line with the rules' hide and disable judges
// and detaches the sheet from its preset once a setting differs from it.
#include <algorithm>
#include <cstring>

#include "ui/prsht.h"
#include "ui2k/controls.h"
#include "ui2k/dialog_adjust.h"
#include "ui2k/pages.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/dm_merge.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/rule_eval.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/units.h"

namespace {

constexpr int32_t kNoPresetOption = 118;
constexpr int32_t kFirstPresetOption = 119;
constexpr uint16_t kNumericEditKind = 63;
constexpr uint16_t kSpinKind = 23;
constexpr uint16_t kPresetListKind = 50;
constexpr uint16_t kTabKind = 104;
constexpr uint16_t kPresetIconList = 2001;
constexpr uint32_t kRefreshWhenHidden = 0x80000000u;
constexpr DWORD kLockIconStyle = 0x5081000E;  // child, visible, border, tab stop, bitmap
constexpr int kLockIconSize = 20;
constexpr UINT kTabGetCurSel = 0x130B;  // TCM_GETCURSEL

// The preset chosen (0-15), or -1.
int32_t ChosenPreset(DriverContext* ctx) {
  int32_t n = OptGetOptionById(ctx, setting::vdmPresetNo) - kFirstPresetOption;
  return n >= 0 && n < 16 ? n : -1;
}

HWND DialogWindow(const DialogRecord* dialog) { return dialog ? dialog->window : nullptr; }

// The offset of the feature's alert entry with that message, 0 when none.
uint32_t FindAlertEntry(DriverContext* ctx, MdfItem model, uint16_t message, ImgAlertEntry* out) {
  ImgFeature f{};
  ImgExclusive ex{};
  if (!MdfReadItem(ctx, model, &f) || !f.exclusive || !MdfImgReadExclusive(ctx->image, f.exclusive, &ex)) return 0;
  uint32_t steps = MdfStepLimit(ctx->image);
  for (uint32_t at = ex.alerts; at && steps-- && MdfImgReadAlert(ctx->image, at, out); at = out->next)
    if (out->message == message) return at;
  return 0;
}

// The active alert's message; during PSN_APPLY the evaluation runs on a
// copy of the settings, so nothing it writes survives.
uint16_t ActiveAlert(DriverContext* ctx, MdfItem model) {
  if (!ctx->work->applying) return RuleFindActiveAlert(ctx, model);
  SettingTable* clone = OptCloneSettingTable(ctx);
  uint16_t message = RuleFindActiveAlert(ctx, model);
  if (clone) OptRestoreSettingTable(ctx, clone);
  return message;
}

void FocusControl(const DialogRecord* dialog, uint16_t control_id, bool empty) {
  HWND control = DialogWindow(dialog) ? GetDlgItem(dialog->window, control_id) : nullptr;
  if (!control) return;
  if (empty) SetWindowTextW(control, u"");
  SetFocus(control);
}

// After a refused change, the edit a person fixes next gets the focus.
void FocusAfterRefusal(DriverContext* ctx, const DialogRecord* dialog, const MessageNameRow* row) {
  if (!dialog) return;
  switch (dialog->dialogId) {
    case 1019:  // print type
      if (!row) return;
      if (row->textId == 10003 || row->textId == 10004) return FocusControl(dialog, 2241, false);
      return FocusControl(dialog, OptGetValueById(ctx, setting::vdmPrnMethod) == 1 ? 2245 : 2533, true);
    case 1021: return FocusControl(dialog, 2281, false);
    case 1032: return FocusControl(dialog, 2452, false);
    case 1033: return FocusControl(dialog, 2455, false);
    default: return;
  }
}

bool SettingDirty(DriverContext* ctx, uint32_t id) {
  const SettingRecord* row = id ? OptFindSetting(ctx, id) : nullptr;
  return row && row->dirty;
}

bool AnyDirty(DriverContext* ctx, const int16_t* ids, int count) {
  for (int i = 0; i < count; ++i)
    if (ids[i] > 0 && SettingDirty(ctx, uint32_t(ids[i]))) return true;
  return false;
}

// Whether a control whose own setting is clean still shows something that
// changed: its sample picture or, with watermarks, its page preview.
bool ShowsChangedSettings(DriverContext* ctx, const DialogItemRecord* item) {
  if (auto* s = static_cast<const CtlSampleBlock*>(CtlGetExtraBlock(item, kCtlTagSample)))
    if (AnyDirty(ctx, s->entries, 6)) return true;
  if (SettingDirty(ctx, setting::vdmFuncSelectWaterMark)) return true;
  auto* p = static_cast<const CtlPreviewBlock*>(CtlGetExtraBlock(item, kCtlTagPreview));
  return p && OptGetValueById(ctx, setting::vdmFuncSelectWaterMark) && AnyDirty(ctx, p->entries, 14);
}

bool IsReinitExempt(uint16_t control_id) {
  switch (control_id) {
    case 2164: case 2036: case 2078: case 2095: case 2109: case 2384: return true;
    default: return false;
  }
}

// The preset detaches as soon as a setting differs from it: any dirty
// setting except the preset name edit's, the preset name, the UI-mode flag
// and the log code.
void DetachPreset(DriverContext* ctx, DialogRecord* dialog) {
  if (dialog->dialogId == 1007 || dialog->dialogId == 1032 || ChosenPreset(ctx) < 0) return;
  if (OptGetValueById(ctx, setting::vdmPresentUIMode) != 0) return;
  // The options dialog opened from outside the sheet leaves the preset alone.
  if (dialog->dialogId == 1011 && !CtxFindDialogByWindow(ctx, GetParent(dialog->window))) return;
  if (SettingDirty(ctx, setting::vdmPresetNo)) return;
  const DialogItemRecord* name_edit = CtxFindControl(ctx, nullptr, 2146);
  const SettingRecord* skip = name_edit ? name_edit->setting : nullptr;
  const SettingTable* t = ctx->settings;
  for (int16_t i = 0; t && i < t->count; ++i) {
    const SettingRecord& row = t->rows[i];
    if (!row.dirty || &row == skip) continue;
    if (row.id == setting::wdmPresetName || row.id == setting::vdmUIModeChange || row.id == setting::vdmLogCode)
      continue;
    OptSetOptionById(ctx, setting::vdmPresetNo, kNoPresetOption);
    DlgReinitPresetLists(ctx);
    // A preset that cannot be read leaves the working settings, which are shown.
    (void)PresetLoadByIndex(ctx, -1);
    return;
  }
}

// The control ids of the tab other than the selected one of the dialog's
// first tab control hide their items.
bool OnHiddenTab(DriverContext* ctx, DialogRecord* dialog, const DialogItemRecord* item) {
  for (uint32_t i = 0; i < dialog->itemCount; ++i) {
    DialogItemRecord& tab = dialog->items[i];
    if (tab.kind != kTabKind) continue;
    auto* block = static_cast<const CtlTabBlock*>(CtlGetExtraBlock(&tab, kCtlTagTab));
    if (!block) continue;
    HWND window = tab.window ? tab.window : GetDlgItem(dialog->window, tab.controlId);
    LRESULT selected = window ? SendMessageW(window, kTabGetCurSel, 0, 0) : 0;
    for (int16_t t = 0; block->tabs && t < block->tabCount; ++t) {
      if (t == selected) continue;
      const CtlTabRow& row = block->tabs[t];
      for (int16_t c = 0; row.controlIds && c < row.controlCount; ++c)
        if (row.controlIds[c] == item->controlId) return true;
    }
    return false;
  }
  (void)ctx;
  return false;
}

LRESULT ControlMessage(DialogRecord* dialog, uint16_t control_id, UINT message) {
  HWND w = GetDlgItem(dialog->window, control_id);
  return w ? SendMessageW(w, message, 0, 0) : -1;
}

// The rules a few controls follow besides the model's.
bool FixedRuleDisables(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id) {
  switch (control_id) {
    case 2384: return OptGetValueById(ctx, setting::vdmCallSrc) == 0 || dialog->dialogId == 4004;
    case 2406: return ControlMessage(dialog, 2089, CB_GETCURSEL) < 5;
    case 2091: case 2092: case 2407: return ControlMessage(dialog, 2089, CB_GETCOUNT) >= 32;
    case 2142: return ControlMessage(dialog, 2139, LB_GETCOUNT) > 15;
    default: return false;
  }
}

// A lock icon shows beside a control the rules disabled, unless the user
// defaults of a permitted administrator are being edited.
bool LockIconsSuppressed(DriverContext* ctx) {
  int32_t os = OptGetValueById(ctx, setting::vdmOSKind);
  return (os == 1 || os == 2) && OptGetValueById(ctx, setting::vdmNoPermission) == 1 &&
         OptGetValueById(ctx, setting::vdmCallSrc) == 1;
}

HWND FindLockIcon(HWND page, const DialogItemRecord* item) {
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (GetWindowLongPtrW(c, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(item) && GetDlgCtrlID(c) != item->controlId)
      return c;
  return nullptr;
}

void AddLockIcon(DialogRecord* dialog, DialogItemRecord* item, HWND control) {
  if (FindLockIcon(dialog->window, item)) return;
  RECT page{}, rc{}, client{};
  GetWindowRect(dialog->window, &page);
  GetWindowRect(control, &rc);
  GetClientRect(dialog->window, &client);
  int x = rc.left - page.left - kLockIconSize;
  int top = rc.top - page.top;
  int y = rc.bottom - rc.top < kLockIconSize ? rc.bottom - page.top - kLockIconSize : top;
  x = std::max(0, std::min(x, int(client.right) - kLockIconSize));
  y = std::max(0, std::min(y, int(client.bottom) - kLockIconSize));
  HWND icon = CreateWindowExW(0, u"STATIC", u"", kLockIconStyle, x, y, kLockIconSize, kLockIconSize, dialog->window,
                              nullptr, nullptr, nullptr);
  if (!icon) return;
  SetWindowLongPtrW(icon, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(item));
  SetWindowLongPtrW(icon, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UiHelpIconWndProc));
}

void RemoveLockIcon(DialogRecord* dialog, const DialogItemRecord* item) {
  if (HWND icon = FindLockIcon(dialog->window, item)) DestroyWindow(icon);
}

bool IsVisible(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & LONG(WS_VISIBLE)) != 0; }

void RefreshItem(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, bool full, bool modified,
                 uint32_t groups, uint32_t* groups_met) {
  if (!item->window) item->window = GetDlgItem(dialog->window, item->controlId);
  HWND w = item->window;
  if (!w) return;
  if ((full || modified) && item->kind == kPresetListKind && !item->hidden) InvalidateRect(w, nullptr, TRUE);
  const uint32_t met = item->flags & kItemGroupMask & groups;
  if (met) {
    CtlDispatchInit(ctx, dialog, item);
    *groups_met |= met;
  } else if (UiHasDisableStateChanged(ctx, item) || UiHasHideStateChanged(ctx, item)) {
    if (item->kind >= 42 && item->kind <= 49 && !IsReinitExempt(item->controlId)) CtlDispatchInit(ctx, dialog, item);
  } else if (!full && !(item->setting && item->setting->dirty)) {
    // Nothing this control shows changed.
    if (!ShowsChangedSettings(ctx, item) && item->controlId != 2406) return;
  }

  MdfItem model = UiItemModel(ctx, item);
  uint32_t hidden = 0;
  if (model) hidden = UiIsItemHidden(ctx, model, item->controlId) || OnHiddenTab(ctx, dialog, item) ? 1 : 0;
  uint32_t disabled = UiIsItemDisabled(ctx, model, item->controlId) ? 1 : 0;
  if (FixedRuleDisables(ctx, dialog, item->controlId) || hidden) disabled = 1;

  const bool was_enabled = IsWindowEnabled(w) != FALSE;
  if (was_enabled == bool(disabled) && !(item->controlId == 2164 && disabled)) {
    EnableWindow(w, disabled ? FALSE : TRUE);
    if (item->kind == 47 || item->kind == 49 || item->kind == kPresetListKind) InvalidateRect(w, nullptr, TRUE);
    if (item->messageId && !hidden) {
      if (LockIconsSuppressed(ctx)) item->messageId = 0;
      else if (disabled) AddLockIcon(dialog, item, w);
      else RemoveLockIcon(dialog, item);
    }
  }
  item->hidden = hidden;
  item->disabled = disabled;
  if (IsVisible(w) == bool(hidden)) ShowWindow(w, hidden ? SW_HIDE : SW_SHOW);
  if ((!hidden || (item->flags & kRefreshWhenHidden)) && !(item->kind == kSpinKind && disabled))
    CtlDispatchRefresh(ctx, dialog, item);
}

// The next enabled sibling after the window, wrapping to the first once.
HWND NextEnabledSibling(HWND from) {
  for (HWND w = GetWindow(from, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowEnabled(w) && IsVisible(w)) return w;
  for (HWND w = GetWindow(from, GW_HWNDFIRST); w && w != from; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowEnabled(w) && IsVisible(w)) return w;
  return nullptr;
}

}  // namespace

int32_t UiAnySettingDirty(DriverContext* ctx) {
  const SettingTable* t = ctx ? ctx->settings : nullptr;
  for (int16_t i = 0; t && i < t->count; ++i)
    if (t->rows[i].dirty) return 1;
  return 0;
}

void UiClearSettingDirty(DriverContext* ctx) {
  SettingTable* t = ctx ? ctx->settings : nullptr;
  for (int16_t i = 0; t && i < t->count; ++i) t->rows[i].dirty = 0;
}

int32_t UiShowAlert(DriverContext* ctx, uint32_t alert, HWND window) {
  ImgAlertEntry a{};
  if (!ctx || !ctx->image || !MdfImgReadAlert(ctx->image, alert, &a)) return 0;
  const MessageNameRow* row = RuleFindAlertMessage(ctx, a.message);
  if (!row) return 0;
  char16_t caption[261] = {};
  char16_t text[523] = {};
  if (!row->captionId || !ResLoadString(ctx, row->captionId, caption, 261, 0))
    std::memcpy(caption, ctx->work->printerName, sizeof caption - sizeof(char16_t));
  ResLoadString(ctx, row->textId, text, 523, 0);
  // The page repaints behind the box.
  if (window) PostMessageW(window, WM_PAINT, 0, 0);
  return MessageBoxW(window, text, caption, UINT(a.icon) | UINT(a.buttons));
}

int32_t UiRunFeatureAlert(DriverContext* ctx, DialogRecord* dialog, MdfItem model) {
  if (!ctx || !model) return 0;
  uint16_t message = RuleFindActiveAlert(ctx, model);
  ImgAlertEntry a{};
  uint32_t node = message ? FindAlertEntry(ctx, model, message, &a) : 0;
  if (!node) return 0;
  int32_t answer = UiShowAlert(ctx, node, DialogWindow(dialog));
  RuleApplyAlertAnswer(ctx, model, message, uint16_t(answer));
  return answer;
}

void UiApplyPaperChange(DriverContext* ctx, int32_t flag) {
  if (!ctx || flag != 1) return;
  DmSetPaperOriented(OptGetValueById(ctx, setting::dmPaperSize), setting::dmPaperSize, ctx, ctx->devmode);
  DmSetOutputPaperOriented(OptGetValueById(ctx, setting::vdmOutPaperSize), setting::vdmOutPaperSize, ctx,
                           ctx->devmode);
  if (OptGetValueById(ctx, setting::vdmFuncSelectScale) != 1 || OptGetValueById(ctx, setting::vdmScaleType) != 2)
    return;
  // Fit to the output paper. A source of no size gives no ratio: the zoom
  // stays as it was.
  int32_t src_w = OptGetValueById(ctx, setting::vdmSrcPaperWidthDot);
  int32_t src_l = OptGetValueById(ctx, setting::vdmSrcPaperLengthDot);
  if (src_w == 0 || src_l == 0) return;
  int32_t h = UnitMulDiv(OptGetValueById(ctx, setting::vdmDstPaperWidthDot), 100, src_w);
  int32_t v = UnitMulDiv(OptGetValueById(ctx, setting::vdmDstPaperLengthDot), 100, src_l);
  int32_t zoom = std::min(h, v);
  OptSetValueById(ctx, setting::vdmScaleH, zoom);
  OptSetValueById(ctx, setting::vdmScaleV, zoom);
}

int32_t UiApplyTransact(DriverContext* ctx, DialogRecord* dialog, MdfItem model, int32_t rescale) {
  if (!ctx || !model) return 0;
  uint16_t asked = RuleApplyItemTransact(ctx, model);
  UiApplyPaperChange(ctx, rescale);
  if (!asked || !dialog) return 0;
  if (UiRunSubDialog(ctx, 4, asked, dialog->window) == IDCANCEL) UiRefreshPage(ctx, dialog, 1);
  return 1;
}

int32_t UiApplyControlChange(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option,
                             int32_t store) {
  if (!ctx || !item) return 0;
  UiHideTip(ctx);
  int32_t kept = 0;
  if (store) {
    kept = OptGetControlOption(ctx, item);
    OptSetControlOption(ctx, item, option);
  }
  MdfItem model = UiItemModel(ctx, item);
  if (!model) return 0;

  const int32_t preset_before = OptGetOptionById(ctx, setting::vdmPresetNo);
  const uint16_t message = ActiveAlert(ctx, model);
  if (!message) {
    UiApplyTransact(ctx, dialog, model, item->paperFlag);
    const int32_t preset = OptGetOptionById(ctx, setting::vdmPresetNo);
    if (preset != preset_before) {
      (void)PresetLoadByIndex(ctx, preset - kFirstPresetOption);
      OptSetOptionById(ctx, setting::vdmPresetNo, preset);
      if (DialogItemRecord* list = CtxFindControl(ctx, dialog, kPresetIconList); list && list->window) {
        SendMessageW(list->window, LB_SETCURSEL, WPARAM(preset - kFirstPresetOption), 0);
        UiRefreshPage(ctx, dialog, 1);
      }
    }
    return 0;
  }

  ImgAlertEntry alert{};
  const uint32_t node = FindAlertEntry(ctx, model, message, &alert);
  if (!node) return 0;
  int32_t answer;
  if (item->kind == kNumericEditKind) {
    // An edit still has the focus: the box comes once the change is done.
    PostMessageW(DialogWindow(dialog), kPageMsgDeferredAlert, item->controlId, LPARAM(node));
    answer = IDOK;
  } else {
    answer = UiShowAlert(ctx, node, DialogWindow(dialog));
  }
  const MessageNameRow* row = RuleFindAlertMessage(ctx, message);
  const bool method_question = OptGetOptionById(ctx, setting::vdmPrnMethod) == 56 && row &&
                               (row->textId == 10011 || row->textId == 10012);
  if (method_question || ((alert.buttons & 0xF) == MB_OKCANCEL && answer == IDOK)) {
    RuleApplyAlertAnswer(ctx, model, message, uint16_t(answer));
    return 0;
  }
  // Refused: the option goes back to what it was.
  if (store) OptSetControlOption(ctx, item, kept);
  RuleApplyAlertAnswer(ctx, model, message, uint16_t(answer));
  FocusAfterRefusal(ctx, dialog, row);
  return 1;
}

int32_t UiSetControlValue(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, int32_t option) {
  return UiApplyControlChange(ctx, dialog, item, option, 1);
}

void UiRefreshPage(DriverContext* ctx, DialogRecord* dialog, int32_t full) {
  if (!ctx || !ctx->work || !dialog || !dialog->window) return;
  // A page not yet laid out shows nothing to refresh.
  if (!IsWindowEnabled(dialog->window)) return;
  WorkRecord& w = *ctx->work;
  HWND focus = GetFocus();
  if (w.refreshRunning) return;
  w.refreshRunning = 1;

  DetachPreset(ctx, dialog);
  bool modified = w.modified != 0;
  w.modified = 0;
  if (modified) {
    // A change of the copies count alone repaints nothing.
    modified = false;
    for (int16_t i = 0; ctx->settings && i < ctx->settings->count; ++i)
      if (ctx->settings->rows[i].dirty && ctx->settings->rows[i].id != setting::dmCopies) modified = true;
  }
  if (SettingDirty(ctx, setting::dmOrientation)) DlgReinitLayoutLists(ctx);
  if (full)
    for (int16_t i = 0; ctx->settings && i < ctx->settings->count; ++i) ctx->settings->rows[i].dirty = 1;

  const uint32_t groups = CtxGetChangeMask(ctx) & kItemGroupMask;
  uint32_t groups_met = 0;
  for (uint32_t i = 0; i < dialog->itemCount; ++i)
    RefreshItem(ctx, dialog, &dialog->items[i], full != 0, modified, groups, &groups_met);
  if (groups_met) CtxClearChanged(ctx, groups_met);

  UiClearSettingDirty(ctx);
  for (uint32_t i = 0; i < dialog->itemCount; ++i)
    if (HWND icon = FindLockIcon(dialog->window, &dialog->items[i])) InvalidateRect(icon, nullptr, TRUE);

  if (focus && IsWindow(focus) && !IsWindowEnabled(focus))
    if (HWND next = NextEnabledSibling(focus)) SetFocus(next);
  w.refreshRunning = 0;
}
