// List boxes, combo boxes, owner-drawn lists, check lists and the preset icon
// list: the kinds that show a feature's options as entries whose data is the
// option id.
#include <cstring>
#include <iterator>

#include "ctl_internal.h"
#include "ui/prsht.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"

namespace {

constexpr UINT CB_SETTOPINDEX = 0x015C;
constexpr UINT LB_ERR_INDEX = UINT(-1);
// Owner-drawn lists that show each entry as its option's picture.
constexpr uint16_t kPictureLists[] = {2085, 2087, 2100, 2102, 2457};
// The check pictures of a check list row.
constexpr uint32_t kCheckOff = 7001, kCheckOffGrey = 7002, kCheckOn = 7003, kCheckOnGrey = 7004;
// Preset n (0-15) is option 119 + n of the preset number.
constexpr int32_t kFirstPresetOption = 119;
// What the selected preset icon shows of the current settings.
constexpr uint32_t kKeptForSelectedPreset[] = {setting::dmDefaultSource, setting::dmMediaType,
                                               setting::vdmOutputTrayID, setting::dmColor};
constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

bool IsSelectionChange(uintptr_t wparam) { return UiGetNotifyCode(wparam) == LBN_SELCHANGE; }

bool IsPictureList(uint16_t control) {
  for (uint16_t id : kPictureLists)
    if (id == control) return true;
  return false;
}

// The selected entry's option, or -1.
int32_t SelectedOption(HWND list, bool combo, LRESULT* index = nullptr) {
  if (!list) return -1;
  LRESULT sel = SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  if (index) *index = sel;
  if (sel < 0) return -1;
  return int32_t(SendMessageW(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, WPARAM(sel), 0));
}

std::u16string EntryText(HWND list, bool combo, UINT index) {
  LRESULT length = SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
  if (length <= 0) return {};
  std::u16string text(size_t(length) + 1, u'\0');
  SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

bool ItemDisabled(const DialogItemRecord* item) { return item->disabled != 0; }

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawFocusIfAsked(const DRAWITEMSTRUCT* draw) {
  if (draw->itemAction == ODA_FOCUS || (draw->itemState & ODS_FOCUS)) DrawFocusRect(draw->hDC, &draw->rcItem);
}

// The entry's text, vertically centred; a refused option shows grey behind
// the block's picture.
void DrawEntryText(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, const DRAWITEMSTRUCT* draw,
                   const std::u16string& text) {
  RECT r = draw->rcItem;
  COLORREF colour = GetSysColor(ItemDisabled(item)                    ? COLOR_GRAYTEXT
                                : (draw->itemState & ODS_SELECTED) != 0 ? COLOR_HIGHLIGHTTEXT
                                                                       : COLOR_MENUTEXT);
  const void* raw = CtlGetExtraBlock(item, kCtlTagList);
  CtlListBlock block{};
  if (raw) std::memcpy(&block, raw, sizeof block);
  if (raw && block.refuseFlag == 1 && block.pictureId &&
      CtlIsOptionDisabled(ctx, UiItemModel(ctx, item), uint16_t(draw->itemData))) {
    const int32_t height = r.bottom - r.top;
    RECT square{r.left, r.top, r.left + height, r.bottom};
    CtlGetServices().drawPicture(ctx, dialog, item, draw->hDC, &square, uint32_t(block.pictureId), false);
    r.left += height;
    colour = GetSysColor(COLOR_GRAYTEXT);
  }
  SetBkMode(draw->hDC, TRANSPARENT);
  SetTextColor(draw->hDC, colour);
  DrawTextW(draw->hDC, text.c_str(), INT(text.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

COLORREF EntryBackground(const DialogItemRecord* item, const DRAWITEMSTRUCT* draw, INT normal) {
  if (ItemDisabled(item)) return GetSysColor(COLOR_BTNFACE);
  if (draw->itemState & ODS_SELECTED) return GetSysColor(COLOR_HIGHLIGHT);
  return normal < 0 ? kWhite : GetSysColor(normal);
}

// WM_CTLCOLORLISTBOX: the dialog answers with the list's background brush.
LRESULT AnswerListBrush(DialogRecord* dialog, DialogItemRecord* item, intptr_t lparam) {
  if (HWND(lparam) != item->window || !dialog || !dialog->window) return 0;
  HBRUSH brush = ItemDisabled(item) ? GetSysColorBrush(COLOR_BTNFACE) : HBRUSH(GetStockObject(WHITE_BRUSH));
  SetWindowLongPtrW(dialog->window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(brush));
  return 1;
}

const CtlCheckListSettings* CheckListOf(const DialogItemRecord* item) {
  return static_cast<const CtlCheckListSettings*>(CtlGetExtraBlock(item, kCtlTagCheckList));
}

// The setting of a check-list row; 0 for a row beyond the array.
uint16_t CheckListSetting(const DialogItemRecord* item, LRESULT row) {
  const CtlCheckListSettings* list = CheckListOf(item);
  if (!list || !list->settingIds || row < 0 || row >= list->count) return 0;
  return list->settingIds[row];
}

std::u16string PresetKeyAt(HWND list, UINT index) { return EntryText(list, false, index); }

}  // namespace

// ---- list boxes (42) ------------------------------------------------------------------------

int32_t CtlListInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (item->setting) CtlFillOptions(ctx, item, CtlWindowOf(dialog, item), false, true);
  return 0;
}

int32_t CtlListRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  CtlSelectEntryByData(CtlWindowOf(dialog, item), false, OptGetControlOption(ctx, item), true);
  return 0;
}

LRESULT CtlListCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t wparam,
                       uintptr_t, intptr_t) {
  if (!IsSelectionChange(wparam)) return 0;
  HWND list = CtlWindowOf(dialog, item);
  const int32_t option = SelectedOption(list, false);
  if (option < 0 || option == OptGetControlOption(ctx, item)) return 0;
  if (CtlRefuseDisabledOption(ctx, item, list, false, uint16_t(option))) return 1;
  CtlGetServices().setControlValue(ctx, dialog, item, option);
  return 1;
}

// ---- combo boxes (43, 48) -------------------------------------------------------------------

int32_t CtlComboInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  CtlFillOptions(ctx, item, CtlWindowOf(dialog, item), true, true);
  return CtlComboRefresh(ctx, dialog, item);
}

int32_t CtlComboRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  CtlSelectEntryByData(CtlWindowOf(dialog, item), true, OptGetControlOption(ctx, item), true);
  return 0;
}

int32_t CtlIconComboRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting || !item->setting->dirty) return 0;
  CtlSelectEntryByData(CtlWindowOf(dialog, item), true, OptGetControlOption(ctx, item), false);
  return 0;
}

LRESULT CtlComboCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t wparam,
                        uintptr_t, intptr_t) {
  HWND combo = CtlWindowOf(dialog, item);
  LRESULT index = -1;
  switch (UiGetNotifyCode(wparam)) {
    case CBN_SELCHANGE: {
      const int32_t option = SelectedOption(combo, true);
      if (option < 0) return 0;
      if (CtlRefuseDisabledOption(ctx, item, combo, true, uint16_t(option))) return 1;
      const CtlServices& s = CtlGetServices();
      // The same option again still runs the rules' check.
      if (option == OptGetControlOption(ctx, item))
        s.checkControl(ctx, dialog, item);
      else
        s.setControlValue(ctx, dialog, item, option);
      return 1;
    }
    case CBN_DROPDOWN:
      // The list opens scrolled to its top when one of its first entries is chosen.
      SelectedOption(combo, true, &index);
      if (index >= 1 && index <= 3) PostMessageW(combo, CB_SETTOPINDEX, 0, 0);
      return 0;
    default:
      return 0;
  }
}

LRESULT CtlIconComboMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                            uintptr_t, intptr_t lparam) {
  auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (message != WM_DRAWITEM || !draw || draw->CtlID != item->controlId) return 0;
  if (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    Fill(draw->hDC, draw->rcItem, EntryBackground(item, draw, COLOR_WINDOW));
    HWND combo = CtlWindowOf(dialog, item);
    if ((draw->itemState & ODS_SELECTED) && !ItemDisabled(item) && combo &&
        SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) {
      RECT r{};
      GetWindowRect(combo, &r);
      CtlGetServices().showTip(ctx, item, combo, r.right, r.bottom + draw->rcItem.top, INT(draw->itemID));
    }
    if (draw->itemID != LB_ERR_INDEX) DrawEntryText(ctx, dialog, item, draw, EntryText(combo, true, draw->itemID));
  }
  DrawFocusIfAsked(draw);
  return 1;
}

// ---- owner-drawn lists (47) and check lists (49) ---------------------------------------------

int32_t CtlOwnerListInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  CtlFillOptions(ctx, item, CtlWindowOf(dialog, item), false, false);
  CtlListRefresh(ctx, dialog, item);
  return 0;
}

LRESULT CtlOwnerListMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                            uintptr_t, intptr_t lparam) {
  if (message == WM_CTLCOLORLISTBOX) return AnswerListBrush(dialog, item, lparam);
  auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (message != WM_DRAWITEM || !draw) return 0;
  if ((draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && draw->itemData != 0) {
    Fill(draw->hDC, draw->rcItem, EntryBackground(item, draw, COLOR_WINDOW));
    if (IsPictureList(item->controlId))
      CtlGetServices().drawPicture(ctx, dialog, item, draw->hDC, &draw->rcItem, uint32_t(draw->itemData), false);
    else
      DrawEntryText(ctx, dialog, item, draw, EntryText(CtlWindowOf(dialog, item), false, draw->itemID));
  }
  DrawFocusIfAsked(draw);
  return 1;
}

LRESULT CtlCheckListMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                            uintptr_t wparam, intptr_t lparam) {
  HWND list = CtlWindowOf(dialog, item);
  switch (message) {
    case WM_CTLCOLORLISTBOX:
      return AnswerListBrush(dialog, item, lparam);
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (!draw || draw->CtlID != item->controlId) return 0;
      if ((draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && draw->itemData != 0) {
        const uint16_t option = uint16_t(draw->itemData);
        const uint16_t row_setting = CheckListSetting(item, LRESULT(draw->itemID));
        const bool checked = row_setting && OptGetOptionById(ctx, row_setting) != 0;
        const bool grey = ItemDisabled(item) || CtlIsOptionDisabled(ctx, UiItemModel(ctx, item), option);
        Fill(draw->hDC, draw->rcItem, GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW));
        SIZE text_size{};
        GetTextExtentPoint32W(draw->hDC, u"0", 1, &text_size);
        RECT text = draw->rcItem;
        text.left += 2 * text_size.cy;
        std::u16string name = CtlOptionName(ctx, option);
        SetBkMode(draw->hDC, TRANSPARENT);
        SetTextColor(draw->hDC, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
        DrawTextW(draw->hDC, name.c_str(), INT(name.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        RECT box = draw->rcItem;
        box.right = box.left + (box.bottom - box.top);
        const uint32_t picture = checked ? (grey ? kCheckOnGrey : kCheckOn) : (grey ? kCheckOffGrey : kCheckOff);
        CtlGetServices().drawPicture(ctx, dialog, item, draw->hDC, &box, picture, false);
      }
      DrawFocusIfAsked(draw);
      return 1;
    }
    case WM_CHAR:
      if (wparam != VK_SPACE) return 0;
      [[fallthrough]];
    case WM_LBUTTONUP: {
      // A row beyond the settings the list carries toggles nothing.
      const uint16_t row_setting = CheckListSetting(item, list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : -1);
      if (!ItemDisabled(item) && row_setting) {
        OptSetOptionById(ctx, row_setting, OptGetOptionById(ctx, row_setting) == 0 ? 1 : 0);
        InvalidateRect(list, nullptr, TRUE);
      }
      if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
      CtlGetServices().refreshPage(ctx, dialog);
      return 0;
    }
    default:
      return 0;
  }
}

// ---- the preset icon list (50) ------------------------------------------------------------------

int32_t CtlPresetListInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  HWND list = CtlWindowOf(dialog, item);
  if (!list) return 0;
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  // Never more entries than there are presets, whatever the feature lists.
  const int32_t presets = PresetGetCount(ctx);
  MdfItem feature = UiItemModel(ctx, item);
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (SendMessageW(list, LB_GETCOUNT, 0, 0) >= presets) return false;
    if (CtlIsOptionHidden(ctx, feature, option)) return true;
    std::u16string key = CtlOptionName(ctx, option);
    LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key.c_str()));
    if (at >= 0) SendMessageW(list, LB_SETITEMDATA, WPARAM(at), LPARAM(option));
    return true;
  });
  CtlListRefresh(ctx, dialog, item);
  return 0;
}

LRESULT CtlPresetListCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t wparam,
                             uintptr_t, intptr_t) {
  if (!IsSelectionChange(wparam)) return 0;
  HWND list = CtlWindowOf(dialog, item);
  LRESULT index = -1;
  const int32_t option = SelectedOption(list, false, &index);
  if (option < 0) return 0;
  const CtlServices& s = CtlGetServices();
  DmPushSettings(ctx);
  // A preset that cannot be read leaves the working settings, which are shown.
  (void)PresetLoad(ctx, PresetKeyAt(list, UINT(index)).c_str());
  if (s.checkControl(ctx, dialog, item) == 1) {
    // The person cancelled an alert of the chosen preset: back to the
    // settings before it, then to the first preset.
    DmPopSettings(ctx, 1);
    MessageBeep(MB_OK);
    (void)PresetLoad(ctx, PresetKeyAt(list, 0).c_str());
    OptSetControlOption(ctx, item, int32_t(SendMessageW(list, LB_GETITEMDATA, 0, 0)));
    s.applyTransact(ctx, dialog, item);
    CtlListRefresh(ctx, dialog, item);
  } else {
    OptSetControlOption(ctx, item, option);
    DmPopSettings(ctx, 0);
  }
  s.refreshPage(ctx, dialog);
  return 1;
}

LRESULT CtlPresetListMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message,
                             uintptr_t, intptr_t lparam) {
  if (message == WM_CTLCOLORLISTBOX) return AnswerListBrush(dialog, item, lparam);
  auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
  if (message != WM_DRAWITEM || !draw) return 0;
  // An empty list draws only its focus (entry -1): no preset to show.
  if ((draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) && draw->itemID != LB_ERR_INDEX) {
    HWND list = CtlWindowOf(dialog, item);
    const CtlServices& s = CtlGetServices();
    // Each icon shows its preset's settings; the selected one shows the
    // current tray, media, output tray and colour. All of it is undone below.
    DmPushSettings(ctx);
    int32_t kept[std::size(kKeptForSelectedPreset)];
    for (size_t i = 0; i < std::size(kKeptForSelectedPreset); ++i)
      kept[i] = OptGetOptionById(ctx, kKeptForSelectedPreset[i]);
    (void)PresetLoad(ctx, PresetKeyAt(list, draw->itemID).c_str());
    if ((draw->itemAction & ODA_DRAWENTIRE) && (draw->itemState & ODS_SELECTED))
      for (size_t i = 0; i < std::size(kKeptForSelectedPreset); ++i)
        OptSetOptionById(ctx, kKeptForSelectedPreset[i], kept[i]);
    s.applyTransact(ctx, dialog, item);
    if (draw->itemData != 0) {
      const bool disabled = ItemDisabled(item), selected = (draw->itemState & ODS_SELECTED) != 0;
      Fill(draw->hDC, draw->rcItem, EntryBackground(item, draw, -1));
      char16_t name[kCtlNameChars + 1] = {};
      PresetGetEntryText(ctx, int32_t(draw->itemData) - kFirstPresetOption, 1, name);
      SIZE text_size{};
      GetTextExtentPoint32W(draw->hDC, u"0", 1, &text_size);
      RECT strip = draw->rcItem;
      strip.top = strip.bottom - (text_size.cy + 4);
      SetBkMode(draw->hDC, TRANSPARENT);
      SetTextColor(draw->hDC, disabled ? GetSysColor(COLOR_GRAYTEXT)
                              : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                         : kBlack);
      DrawTextW(draw->hDC, name, -1, &strip, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
      RECT picture = draw->rcItem;
      picture.bottom = strip.top;
      DialogRecord* preview_dialog = nullptr;
      if (DialogItemRecord* preview = CtlFindControlAnywhere(ctx, dialog, item->linkedControl, &preview_dialog))
        CtlComposePicture(ctx, preview_dialog, preview, draw->hDC, &picture);
    }
    DmPopSettings(ctx, 1);
  }
  DrawFocusIfAsked(draw);
  return 1;
}
