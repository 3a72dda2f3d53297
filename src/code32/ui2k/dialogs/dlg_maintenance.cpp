// The preset maintenance dialog (delete, refresh from the device, load from
// a file, move, rename) and the print-quality page (the user quality list
// with its pictures and the save of a user quality). Preset 0 is the
// printer's default: it is never deleted, moved, renamed or overwritten
// here, and nothing moves into its place.
#include <string>

#include "ctl_internal.h"
#include "plat/wstr.h"
#include "ui2k/file_dialogs.h"
#include "ui2k/dialog_handlers.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/messages.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

constexpr int32_t kFirstPresetOption = 119;
constexpr int32_t kMaxPresets = 16;
constexpr uint16_t kList = 2139, kDelete = 2140, kRefresh = 2141, kLoad = 2142, kUp = 2143, kDown = 2144;
constexpr uint16_t kName = 2145, kComment = 2146;

// The print-quality page.
constexpr uint16_t kUserBox = 2133, kUserList = 2134, kUserEdit = 2136, kUserNameEdit = 2281;
constexpr int32_t kFirstQualityOption = 135;
constexpr uint32_t kQualityPicture = 6137, kDisabledQualityPicture = 6152;
constexpr int32_t kPictureMargin = 10;

HWND ListWindow(DialogRecord* dialog, DialogItemRecord* list) { return CtlWindowOf(dialog, list); }

int32_t Selected(HWND list) { return list ? int32_t(SendMessageW(list, LB_GETCURSEL, 0, 0)) : -1; }

int32_t Warn(DriverContext* ctx, DialogRecord* dialog, uint16_t text_id) {
  UiMessageRequest r{};
  r.textId = text_id;
  r.iconFlags = uint16_t(MB_ICONWARNING);
  r.buttonFlags = MB_OK;
  return UiShowMessage(ctx, &r, dialog->window);
}

HWND ControlWindow(DriverContext* ctx, DialogRecord* dialog, uint16_t id) {
  DialogItemRecord* item = CtxFindControl(ctx, dialog, id);
  if (item && item->window) return item->window;
  return dialog->window ? GetDlgItem(dialog->window, id) : nullptr;
}

// Entry n selected and loaded, the list's setting on it, the rules asked.
void ShowEntry(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list, int32_t n) {
  if (HWND w = ListWindow(dialog, list)) SendMessageW(w, LB_SETCURSEL, WPARAM(n), 0);
  // A preset that cannot be read leaves the working settings, which are shown.
  (void)PresetLoadByIndex(ctx, n);
  OptSetControlOption(ctx, list, n + kFirstPresetOption);
  CtlGetServices().checkControl(ctx, dialog, list);
}

// Preset n's name and comment into the two edits and their settings.
void ShowTexts(DriverContext* ctx, DialogRecord* dialog, int32_t n) {
  char16_t name[kPresetNameChars] = {}, comment[kPresetNameChars] = {};
  PresetGetEntryText(ctx, n, 1, name);
  PresetGetEntryText(ctx, n, 2, comment);
  OptSetText(ctx, OptFindSetting(ctx, setting::wdmPresetName), name);
  OptSetText(ctx, OptFindSetting(ctx, setting::wdmPresetComment), comment);
  if (HWND w = ControlWindow(ctx, dialog, kName)) SetWindowTextW(w, name);
  if (HWND w = ControlWindow(ctx, dialog, kComment)) SetWindowTextW(w, comment);
}

// Runs the button's own Command (its dialog); 1 when that dialog ended
// with OK.
bool RunButtonDialog(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* button, WPARAM wparam,
                     LPARAM lparam) {
  WorkRecord& w = *ctx->work;
  const int32_t kept = w.saveOnClose;
  w.saveOnClose = 0;
  CtlDispatchCommand(ctx, dialog, button, wparam, lparam);
  const bool ok = w.saveOnClose != 0;
  w.saveOnClose = kept;
  return ok;
}

void Delete(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list, DialogItemRecord* button, int32_t n) {
  if (CtlGetServices().runFeatureAlert(ctx, dialog, button) != 1) return;
  const int32_t count = PresetGetCount(ctx);
  if (n >= count) return;
  // Bubbled to the end, so the entries after it keep their order.
  for (int32_t i = n; i + 1 < count; ++i) PresetSwapEntries(ctx, i, i + 1);
  PresetDeleteEntry(ctx, count - 1);
  DlgReinitPresetLists(ctx);
  const int32_t show = n < count - 1 ? n : 0;
  ShowEntry(ctx, dialog, list, show);
  ShowTexts(ctx, dialog, show);
  UiRefreshPage(ctx, dialog, 1);
}

// The device items' current options, for the page that opened the dialog.
void LeaveDeviceSettings(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  MemFree(w.pendingSettings);
  w.pendingSettings = nullptr;
  const int32_t rows = ctx->settings ? ctx->settings->count : 0;
  int32_t count = 0;
  for (int32_t i = 1; i < rows; ++i) count += QstIsBidiDeviceItem(&ctx->settings->rows[i]) ? 1 : 0;
  if (!count) return;
  auto* list = static_cast<PendingSetting*>(MemAllocZeroed(sizeof(PendingSetting) * size_t(count + 1)));
  if (!list) return;
  int32_t at = 0;
  for (int32_t i = 1; i < rows && at < count; ++i)
    if (QstIsBidiDeviceItem(&ctx->settings->rows[i]))
      list[at++] = PendingSetting{i, OptGetOption(ctx, &ctx->settings->rows[i])};
  w.pendingSettings = list;
}

void Refresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list) {
  BidiQueryWithProgress(ctx, dialog->window);
  UiHideTip(ctx);
  LeaveDeviceSettings(ctx);
  InstCheckPresets(ctx, 1);
  const int32_t duplicate = PresetFindDuplicate(ctx, nullptr, -1);
  if (duplicate >= 0 && dialog->window) PostMessageW(dialog->window, kPageMsgDuplicateName, WPARAM(duplicate), 0);
  const int32_t show = duplicate >= 0 ? duplicate : 0;
  DlgReinitPresetLists(ctx);
  if (HWND w = ListWindow(dialog, list)) SendMessageW(w, LB_SETCURSEL, WPARAM(show), 0);
  if (HWND edit = ControlWindow(ctx, dialog, kName)) {
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
  }
  ShowEntry(ctx, dialog, list, show);
  UiRefreshPage(ctx, dialog, 1);
}

// The base name of a path: after the last backslash, up to the last dot.
std::u16string BaseName(const std::u16string& path) {
  const size_t slash = path.find_last_of(u'\\');
  std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(u'.');
  return dot == std::u16string::npos ? name : name.substr(0, dot);
}

void LoadFromFile(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list, DialogItemRecord* button,
                  WPARAM wparam, LPARAM lparam) {
  HWND w = ListWindow(dialog, list);
  const int32_t entries = w ? int32_t(SendMessageW(w, LB_GETCOUNT, 0, 0)) : PresetGetCount(ctx);
  if (entries >= kMaxPresets || PresetGetCount(ctx) >= kMaxPresets) return;
  if (!RunButtonDialog(ctx, dialog, button, wparam, lparam)) return;
  const std::u16string file = DlgGetLastFileBuffer();
  if (file.empty()) return;
  // The file's section is the printer name with its brackets made commas.
  std::u16string section = ctx->work->printerName;
  for (char16_t& c : section)
    if (c == u'[' || c == u']') c = u',';
  const SettingRecord* name_row = OptFindSetting(ctx, setting::wdmPresetName);
  const char16_t* name_key = name_row && name_row->valueName ? name_row->valueName : u"wdmPresetName";
  char16_t name[kPresetNameChars] = {}, comment[kPresetNameChars] = {};
  IniGetString(section.c_str(), name_key, u"", name, kPresetNameChars, file.c_str());
  IniGetString(section.c_str(), u"wdmPresetComment", u"", comment, kPresetNameChars, file.c_str());
  const std::u16string shown = name[0] ? std::u16string(name) : BaseName(file);
  if (!PresetAddEntry(ctx, file.c_str(), shown.c_str(), comment)) return;
  const int32_t count = PresetGetCount(ctx);
  (void)PresetLoadByIndex(ctx, count - 1);
  OptSetControlOption(ctx, list, count - 1 + kFirstPresetOption);
  CtlGetServices().checkControl(ctx, dialog, list);
  DlgReinitPresetLists(ctx);
  OptSetControlOption(ctx, list, count - 1 + kFirstPresetOption);
  UiRefreshPage(ctx, dialog, 1);
}

void Move(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list, bool up) {
  HWND w = ListWindow(dialog, list);
  const int32_t c = Selected(w);
  const int32_t last = (w ? int32_t(SendMessageW(w, LB_GETCOUNT, 0, 0)) : PresetGetCount(ctx)) - 1;
  int32_t target = c;
  if (up && c > 0) target = c - 1;
  if (!up && c < last) target = c + 1;
  if (target == c || c < 1 || target < 1) return;
  PresetSwapEntries(ctx, c, target);
  DlgReinitPresetLists(ctx);
  if (w) SendMessageW(w, LB_SETCURSEL, WPARAM(target), 0);
  OptSetControlOption(ctx, list, target + kFirstPresetOption);
  ShowTexts(ctx, dialog, target);
  CtlGetServices().refreshPage(ctx, dialog);
}

void NameOrComment(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* list, DialogItemRecord* edit,
                   WPARAM wparam, LPARAM lparam) {
  CtlDispatchCommand(ctx, dialog, edit, wparam, lparam);
  if (UiGetNotifyCode(wparam) != EN_KILLFOCUS) return;
  const int32_t n = Selected(ListWindow(dialog, list));
  if (n <= 0) return;
  char16_t name[kPresetNameChars] = {};
  OptGetControlText(ctx, kName, name);
  if (name[0]) {
    PresetSaveByIndex(ctx, n);
    return;
  }
  // A preset keeps its name: the old one comes back into the edit.
  Warn(ctx, dialog, 10031);
  ShowTexts(ctx, dialog, n);
  if (HWND w = ControlWindow(ctx, dialog, kName)) SetFocus(w);
  if (HWND w = ListWindow(dialog, list)) SendMessageW(w, LB_SETCURSEL, WPARAM(n), 0);
}

// ---- print quality ------------------------------------------------------------------------------
// The quality slot of an option of the user quality list, or -1 when the
// printer's quality list has no such slot.
int32_t QualitySlot(DriverContext* ctx, int32_t option) {
  const int32_t slot = option - kFirstQualityOption;
  return slot >= 0 && slot < PresetGetQualityCount(ctx) ? slot : -1;
}

int32_t SelectedSlot(DriverContext* ctx, HWND list) {
  const int32_t n = Selected(list);
  return n >= 0 ? QualitySlot(ctx, int32_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(n), 0))) : -1;
}

// The name of the quality set listed under the option's name, read with
// the settings given back afterwards.
std::u16string QualityCaption(DriverContext* ctx, uint32_t option) {
  DmPushSettings(ctx);
  (void)PresetLoadQuality(ctx, CtlOptionName(ctx, option).c_str());
  char16_t name[kPresetNameChars] = {};
  OptGetControlText(ctx, kUserNameEdit, name);
  DmPopSettings(ctx, 1);
  return name;
}

int32_t DrawQualityEntry(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, LPARAM lparam) {
  auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (!draw || !(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
  if (draw->itemID == UINT(-1) || !draw->itemData) return 1;
  HWND list = CtlWindowOf(dialog, item);
  const bool disabled = list && !IsWindowEnabled(list);
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  const int32_t colour = disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
  FillRect(draw->hDC, &draw->rcItem, GetSysColorBrush(colour));
  const LONG height = draw->rcItem.bottom - draw->rcItem.top;
  RECT square{draw->rcItem.left, draw->rcItem.top, draw->rcItem.left + height + kPictureMargin, draw->rcItem.bottom};
  const uint32_t picture = (disabled ? kDisabledQualityPicture : kQualityPicture) + draw->itemID;
  CtlGetServices().drawPicture(ctx, dialog, item, draw->hDC, &square, picture, false);
  const std::u16string caption = QualityCaption(ctx, uint32_t(draw->itemData));
  RECT text{square.right, draw->rcItem.top, draw->rcItem.right, draw->rcItem.bottom};
  SetBkMode(draw->hDC, TRANSPARENT);
  SetTextColor(draw->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  DrawTextW(draw->hDC, caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if ((draw->itemAction & ODA_FOCUS) || (draw->itemState & ODS_FOCUS)) DrawFocusRect(draw->hDC, &draw->rcItem);
  return 1;
}

}  // namespace

int32_t DlgMaintenanceHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                              WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work || !dialog) return 0;
  DialogItemRecord* list = CtxFindControl(ctx, dialog, kList);
  if (!item) {
    if (message == WM_INITDIALOG) {
      MemFree(ctx->work->pendingSettings);
      ctx->work->pendingSettings = nullptr;
      return 0;
    }
    if (message != kPageMsgDuplicateName || !list) return 0;
    Warn(ctx, dialog, 10052);
    if (HWND w = ControlWindow(ctx, dialog, kName)) SetFocus(w);
    ShowEntry(ctx, dialog, list, int32_t(wparam));
    UiRefreshPage(ctx, dialog, 1);
    return 1;
  }
  if (!list || message != WM_COMMAND || LOWORD(wparam) != item->controlId) return 0;
  switch (item->controlId) {
    case kDelete: {
      const int32_t n = Selected(ListWindow(dialog, list));
      if (n <= 0) return 0;
      Delete(ctx, dialog, list, item, n);
      return 1;
    }
    case kRefresh:
      Refresh(ctx, dialog, list);
      return 1;
    case kLoad:
      LoadFromFile(ctx, dialog, list, item, wparam, lparam);
      return 1;
    case kUp: case kDown:
      Move(ctx, dialog, list, item->controlId == kUp);
      return 1;
    case kName: case kComment:
      if (UiGetNotifyCode(wparam) != EN_KILLFOCUS && UiGetNotifyCode(wparam) != EN_CHANGE) return 0;
      NameOrComment(ctx, dialog, list, item, wparam, lparam);
      return 1;
    default:
      return 0;
  }
}

int32_t DlgPrintQualityHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                               WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work || !dialog || !item) return 0;
  const CtlServices& s = CtlGetServices();
  const bool own_command = message == WM_COMMAND && LOWORD(wparam) == item->controlId;
  switch (item->controlId) {
    case kUserBox: {
      if (!own_command) return 0;
      HWND box = CtlWindowOf(dialog, item);
      const bool checked = box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
      const int32_t option = OptGetControlOption(ctx, item);
      if (checked == (option != 0)) return 0;
      if (checked) {
        DialogItemRecord* users = CtxFindControl(ctx, dialog, kUserList);
        const int32_t slot = users ? SelectedSlot(ctx, CtlWindowOf(dialog, users)) : -1;
        if (slot >= 0) (void)PresetLoadQualityByIndex(ctx, slot);
      } else {
        const int32_t quality = OptGetOptionById(ctx, setting::vdmPrintMacro);
        const uint16_t radio = quality == 2126 || quality == 2127 || quality == 2128 ? uint16_t(quality) : 2122;
        if (DialogItemRecord* r = CtxFindControl(ctx, dialog, radio)) s.applyTransact(ctx, dialog, r);
      }
      CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
      return 1;
    }
    case kUserList: {
      if (message == WM_DRAWITEM) return DrawQualityEntry(ctx, dialog, item, lparam);
      if (!own_command || UiGetNotifyCode(wparam) != LBN_SELCHANGE) return 0;
      HWND list = CtlWindowOf(dialog, item);
      const int32_t n = Selected(list);
      if (n < 0) return 1;
      const int32_t option = int32_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(n), 0));
      const int32_t slot = QualitySlot(ctx, option);
      if (slot < 0) return 1;
      (void)PresetLoadQualityByIndex(ctx, slot);
      OptSetControlOption(ctx, item, option);
      s.applyTransact(ctx, dialog, item);
      return 1;
    }
    case kUserEdit: {
      if (!own_command) return 0;
      DialogItemRecord* users = CtxFindControl(ctx, dialog, kUserList);
      const int32_t slot = users ? SelectedSlot(ctx, CtlWindowOf(dialog, users)) : -1;
      if (slot < 0) return 1;
      (void)PresetLoadQualityByIndex(ctx, slot);
      if (!RunButtonDialog(ctx, dialog, item, wparam, lparam)) return 1;
      UiApplyPaperChange(ctx, 1);
      // The user-settings sheet names the slot to save into; a picture id
      // that names no slot of the quality list saves nothing.
      const int32_t saved = QualitySlot(ctx, OptGetOptionById(ctx, setting::wdmUserSetType) -
                                                 int32_t(kQualityPicture) + kFirstQualityOption);
      if (saved >= 0) {
        OptSetControlOption(ctx, users, saved + kFirstQualityOption);
        PresetSaveQualityByIndex(ctx, saved);
      }
      UiRefreshPage(ctx, dialog, 1);
      return 1;
    }
    default:
      return 0;
  }
}
