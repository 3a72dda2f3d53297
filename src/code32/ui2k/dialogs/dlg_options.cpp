// The installed-options and trays dialog: the options list with its check
// pictures and click rules, the tray list (a list view, one row per tray
// shown) and the paper, media, orientation and lock of the selected tray.
// Options and tray properties are printer-wide settings.
#include <algorithm>
#include <string>

#include "ctl_internal.h"
#include "ui/commctrl.h"
#include "ui/prsht.h"
#include "ui2k/dlg_options.h"
#include "ui2k/dialog_handlers.h"
#include "velm/context.h"
#include "velm/setting_ids.h"

namespace {

using namespace setting;

// ---- tables ---------------------------------------------------------------------------------

struct SettingRow {
  uint16_t setting;
  uint16_t option;
};
constexpr SettingRow kOptionSettings[] = {
    {vdmSourceOptionType1Step, 143}, {vdmSourceOptionType1Step, 144}, {vdmSourceOptionType1Step, 365},
    {vdmSourceOptionTypeDuplex, 146}, {vdmOutputOptionTypeUpperBin, 147}, {vdmOutputOptionTypeUpperBin, 333},
    {vdmOutputOptionTypeMailbox2, 148}, {vdmOutputOptionTypeHDD, 145}, {vdmMemoryType, 164},
    {vdmMemoryType, 165}, {vdmMemoryType, 166}, {vdmMemoryType, 167},
    {vdmMemoryType, 280}, {vdmMemoryType, 281}, {vdmMemoryType, 282},
    {vdmMemoryType, 283}, {vdmMemoryType, 344}, {vdmMemoryType, 346},
    {vdmMemoryType, 348}, {vdmMemoryType, 350}, {vdmMemoryType, 352},
    {vdmMemoryType, 354}, {vdmMemoryType, 356}, {vdmMemoryType, 358},
    {vdmMemoryType, 360}, {vdmMemoryType, 362}, {vdmMemoryType, 366},
    {vdmMemoryType, 378}, {vdmSourceOptionTypeBank, 273}, {vdmSourceOptionTypeManual, 272},
    {vdmSourceOptionTypeLCT1, 169}, {vdmSourceOptionTypeLCT1, 274}, {vdmSourceOptionTypeLCT1, 421},
    {vdmOutputOptionTypeOutside, 268}, {vdmOutputOptionTypeOutside, 275}, {vdmOutputOptionTypeFin1000, 276},
    {vdmOutputOptionTypeFin2000, 277}, {vdmOutputOptionTypeFin2000, 364}, {vdmOutputOptionTypeFin2000NA, 382},
    {vdmOutputOptionTypeFin2000NA, 389}, {vdmOutputOptionTypeFin2000EU, 383}, {vdmOutputOptionTypeFin2000EU, 390},
    {vdmOutputOptionTypeFin2000NE, 384}, {vdmOutputOptionTypeFin2000NE, 391},
    {vdmOutputOptionTypeFin2000NoPunch, 411}, {vdmOutputOptionTypeFin2000NoPunch, 412},
    {vdmOutputOptionTypeFinBF, 278}, {vdmOutputOptionTypeMailbox1, 279}, {vdmOutputOptionTypeRemote, 284},
    {vdmOutputOptionTypeTelLine4, 285}, {vdmOutputOptionTypeTelLine31, 286},
    {vdmOutputOptionTypeTelLine32, 287}, {vdmOutputOptionTypeTelLine33, 288},
    {0, 0},
};

struct TrayRow {
  int32_t tray;
  uint16_t option;
};
constexpr TrayRow kTrayOptions[] = {
    {0, 2}, {1, 3}, {2, 5}, {3, 6}, {25, 7}, {25, 169}, {27, 4}, {28, 8}, {25, 50002}, {27, 50000}, {0, 0},
};

constexpr OptionSettingValue kFin1000On[] = {
    {int16_t(vdmOutputOptionTypeFin3000), 0}, {int16_t(vdmOutputOptionTypeMailbox1), 0}, {0, 0}};
constexpr OptionSettingValue kMemoryBack[] = {{int16_t(vdmPrinterMemory), 32}, {0, 0}};

constexpr int16_t S(uint32_t id) { return int16_t(id); }

constexpr OptionRule kRules[] = {
    {273, S(vdmSourceOptionTypeBank), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 1, 1},
    {421, S(vdmSourceOptionTypeLCT1), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 1, 1},
    {272, S(vdmSourceOptionTypeManual), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 1, 1},
    {276, S(vdmOutputOptionTypeFin1000), 1, 0, 0, nullptr, nullptr, kFin1000On, nullptr, 0, 1},
    {416, S(vdmOutputOptionTypeFin3000), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1},
    {279, S(vdmOutputOptionTypeMailbox1), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1},
    {145, S(vdmOutputOptionTypeHDD), 1, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 1},
    {344, S(vdmPrinterMemory), 32, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {348, S(vdmPrinterMemory), 96, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {346, S(vdmPrinterMemory), 603, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {350, S(vdmPrinterMemory), 605, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {354, S(vdmPrinterMemory), 607, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {360, S(vdmPrinterMemory), 611, 0, 0, nullptr, nullptr, nullptr, kMemoryBack, 0, 1},
    {0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, 0, 0},
};

// The memory size an option without a rule row stands for.
int32_t MemoryOf(uint16_t option) {
  switch (option) {
    case 164: case 165: return 32;
    case 166: case 167: case 282: case 283: return 96;
    case 280: case 281: return 64;
    case 352: return 160;
    case 356: return 256;
    case 358: return 288;
    case 362: return 384;
    case 366: return 224;
    case 378: return 352;
    default: return 16;
  }
}

template <size_t N>
bool In(uint16_t option, const uint16_t (&set)[N]) {
  return std::find(std::begin(set), std::end(set), option) != std::end(set);
}

constexpr uint16_t kOneStep[] = {143, 365};
constexpr uint16_t kToggles[] = {146, 285, 286, 287, 288};
constexpr uint16_t kExclusiveOutputs[] = {147, 148, 268, 275, 277, 278, 364, 382, 383, 384, 389, 390, 391, 411, 412};
constexpr uint16_t kOutputsDroppingFin1000[] = {268, 275, 382, 383, 384, 411};
constexpr uint16_t kOutputsKeepingMailbox1[] = {277, 382, 383, 384, 411};
constexpr uint16_t kFin2000Units[] = {364, 389, 390, 391, 412};
constexpr uint16_t kMemoryOffFirst[] = {164, 166, 280, 282};
constexpr uint16_t kMemoryOnFirst[] = {165, 167, 281, 283};
constexpr uint16_t kLargeCapacity[] = {169, 274, 333};
constexpr uint16_t kMemorySizes[] = {352, 356, 358, 362, 366, 378};
constexpr uint16_t kCheckedWhenOn[] = {145, 146, 147, 148, 169, 268, 272, 273, 274, 275, 276, 277, 278, 279, 284, 285,
                                       286, 287, 288, 333, 364, 382, 383, 384, 389, 390, 391, 411, 412, 421};
constexpr uint32_t kFin2000All[] = {vdmOutputOptionTypeFin2000, vdmOutputOptionTypeFin2000NA,
                                    vdmOutputOptionTypeFin2000EU, vdmOutputOptionTypeFin2000NE,
                                    vdmOutputOptionTypeFin2000NoPunch};
constexpr uint32_t kFin2000Variants[] = {vdmOutputOptionTypeFin2000NA, vdmOutputOptionTypeFin2000EU,
                                         vdmOutputOptionTypeFin2000NE, vdmOutputOptionTypeFin2000NoPunch};

constexpr int32_t kFamilyA = 128, kFamilyB = 130;

bool IsTelephone(uint16_t option) { return option >= 285 && option <= 288; }

int32_t Family(DriverContext* ctx) { return ctx && ctx->model ? ctx->model->machineId : 0; }
int32_t Get(DriverContext* ctx, uint32_t id) { return OptGetValueById(ctx, id); }
void Set(DriverContext* ctx, uint32_t id, int32_t value) { OptSetValueById(ctx, id, value); }
void Apply(DriverContext* ctx, const OptionSettingValue* list) {
  for (; list && list->setting; ++list) Set(ctx, uint16_t(list->setting), list->value);
}
bool AnyFin2000(DriverContext* ctx) {
  return std::any_of(std::begin(kFin2000All), std::end(kFin2000All), [&](uint32_t id) { return Get(ctx, id) == 1; });
}

bool RuleOn(DriverContext* ctx, const OptionRule& r) {
  if (Get(ctx, uint16_t(r.setting)) != r.value) return false;
  return !r.setting2 || Get(ctx, uint16_t(r.setting2)) == r.value2;
}
bool Locked(DriverContext* ctx, const OptionRule& r) {
  return r.lock && r.lock->setting && Get(ctx, uint16_t(r.lock->setting)) == r.lock->value;
}

// A click on an option without a rule row.
uint32_t ClickByGroup(DriverContext* ctx, uint16_t o) {
  const uint32_t s = uint32_t(DlgOptionSettingOf(o));
  const int32_t family = Family(ctx), m = MemoryOf(o);
  auto on = [&](uint32_t id) { Set(ctx, id, 1); };
  auto off = [&](uint32_t id) { Set(ctx, id, 0); };
  if (In(o, kOneStep)) {
    if (Get(ctx, s) == 1 && Get(ctx, vdm1StepOptionNum) == 1) {
      off(s);
      off(vdm1StepOptionNum);
      if (o == 365 && family == kFamilyB && AnyFin2000(ctx)) on(vdmSourceOptionTypeBank);
    } else {
      on(s);
      Set(ctx, vdm1StepOptionNum, 1);
      if (o == 365 && family == kFamilyB) {
        off(vdmSourceOptionTypeLCT1);
        off(vdmSourceOptionTypeBank);
      }
    }
    return kOptionRepaint | kOptionRebuildTrays;
  }
  if (o == 144) {
    const bool two = Get(ctx, s) == 1 && Get(ctx, vdm1StepOptionNum) == 2;
    Set(ctx, s, two ? 0 : 1);
    Set(ctx, vdm1StepOptionNum, two ? 0 : 2);
    return kOptionRepaint | kOptionRebuildTrays;
  }
  if (In(o, kToggles)) {
    Set(ctx, s, 1 - Get(ctx, s));
    if (o == 146 && family == kFamilyB && Get(ctx, s) == 0) {
      for (uint32_t id : kFin2000All) off(id);
    }
    return kOptionRepaint;
  }
  if (In(o, kExclusiveOutputs)) {
    if (Get(ctx, s) == 1) {
      off(s);
      return kOptionRepaint;
    }
    uint32_t flags = kOptionRepaint;
    off(vdmOutputOptionTypeOutside);
    if (In(o, kOutputsDroppingFin1000)) {
      off(vdmOutputOptionTypeFin1000);
      for (uint32_t id : kFin2000Variants) off(id);
    }
    if (!In(o, kOutputsKeepingMailbox1)) off(vdmOutputOptionTypeMailbox1);
    off(vdmOutputOptionTypeFin1000);
    if (family == kFamilyA) off(vdmOutputOptionTypeUpperBin);
    if (family != kFamilyB || In(o, kFin2000Units)) off(vdmOutputOptionTypeMailbox2);
    if (o != 148 || family == kFamilyB)
      for (uint32_t id : kFin2000All) off(id);
    off(vdmOutputOptionTypeFinBF);
    if (In(o, kFin2000Units) && family == kFamilyB) {
      on(vdmSourceOptionTypeDuplex);
      if (Get(ctx, vdmSourceOptionTypeLCT1) != 1 && Get(ctx, vdmSourceOptionTypeBank) != 1) {
        on(vdmSourceOptionType1Step);
        Set(ctx, vdm1StepOptionNum, 1);
        flags |= kOptionRebuildTrays;
      }
    }
    on(s);
    return flags;
  }
  if (In(o, kMemoryOffFirst)) {
    if (Get(ctx, s) == 0 && Get(ctx, vdmPrinterMemory) == m) {
      on(s);
    } else {
      Set(ctx, vdmPrinterMemory, m);
      off(s);
    }
    return kOptionRepaint;
  }
  if (In(o, kMemoryOnFirst)) {
    if (Get(ctx, s) == 1 && Get(ctx, vdmPrinterMemory) == m) {
      off(s);
    } else {
      Set(ctx, vdmPrinterMemory, m);
      on(s);
    }
    return kOptionRepaint;
  }
  if (In(o, kLargeCapacity)) {
    Set(ctx, s, 1 - Get(ctx, s));
    uint32_t flags = o == 333 ? 0 : kOptionRebuildTrays;
    if (o != 333 && family == kFamilyB) {
      off(vdmSourceOptionTypeBank);
      off(vdmSourceOptionType1Step);
      off(vdm1StepOptionNum);
      if (Get(ctx, s) == 0 && AnyFin2000(ctx)) {
        on(vdmSourceOptionType1Step);
        Set(ctx, vdm1StepOptionNum, 1);
      }
      flags |= kOptionRepaint;
    }
    return flags;
  }
  if (o == 284) {
    Set(ctx, s, 1 - Get(ctx, s));
    return kOptionRepaint;
  }
  if (In(o, kMemorySizes)) {
    Set(ctx, vdmPrinterMemory, Get(ctx, vdmPrinterMemory) == m ? 32 : m);
    return kOptionRepaint;
  }
  return 0;
}

// ---- the dialog ------------------------------------------------------------------------------

constexpr uint16_t kOptionsList = 2164, kTrayList = 2166, kPaperCombo = 2168, kMediaCombo = 2170;
constexpr uint16_t kPortrait = 2173, kLandscape = 2175, kLockBox = 2551, kDefaultButton = 2176;
constexpr uint32_t kTraySetting = 951, kPaperSetting = 952, kMediaSetting = 953, kOrientSetting = 954,
                   kLockSetting = 961;
constexpr uint32_t kFirstColumnString = 6001;
constexpr uint32_t kPortraitIcon = 6193;
constexpr uint16_t kFirstTrayOption = 2;
constexpr uint32_t kCheckOff = 7001, kCheckOffGrey = 7002, kCheckOn = 7003, kCheckOnGrey = 7004;

uint32_t TrayPaper(int32_t t) { return vdmTray1Paper + uint32_t(t); }
uint32_t TrayMedia(int32_t t) { return vdmTray1Media + uint32_t(t); }
uint32_t TrayOrient(int32_t t) { return vdmTrayOrient0 + uint32_t(t); }
uint32_t TrayLock(int32_t t) { return vdmTrayLock0 + uint32_t(t); }
uint32_t TrayShown(int32_t t) { return vdmTrayField0 + uint32_t(t); }

HWND Control(DialogRecord* dialog, uint16_t id) {
  return dialog && dialog->window ? GetDlgItem(dialog->window, id) : nullptr;
}
void Invalidate(DialogRecord* dialog, uint16_t id) {
  if (HWND w = Control(dialog, id)) InvalidateRect(w, nullptr, TRUE);
}
void Changed(DialogRecord* dialog) {
  if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
}
int32_t SelectedTray(DriverContext* ctx) { return DlgOptionTrayIndex(uint16_t(OptGetOptionById(ctx, kTraySetting))); }

// The selected tray's paper, media, orientation and lock into the settings
// of the controls that edit them. Paper and media are codes the tray and
// its combo share: the combo's own list names them.
void LoadTray(DriverContext* ctx) {
  const int32_t t = SelectedTray(ctx);
  Set(ctx, kPaperSetting, Get(ctx, TrayPaper(t)));
  Set(ctx, kMediaSetting, Get(ctx, TrayMedia(t)));
  OptSetOptionById(ctx, kOrientSetting, Get(ctx, TrayOrient(t)) != 0 ? kLandscape : kPortrait);
  Set(ctx, kLockSetting, Get(ctx, TrayLock(t)));
}

void SetShown(DriverContext* ctx, int32_t t, int32_t shown) {
  if (Get(ctx, TrayShown(t)) != shown) Set(ctx, TrayShown(t), shown);
}

// Four columns, then one row per tray the rules do not hide; each tray's
// shown flag follows. An option the tray table does not know is left out
// and touches no tray's flag.
int32_t InitTrayList(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  HWND list = CtlWindowOf(dialog, item);
  if (!list || SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 0 || ctx->work->refreshRunning) return 1;
  LVCOLUMNW probe{LVCF_WIDTH, 0, 0, nullptr, 0, 0, 0, 0};
  if (!SendMessageW(list, LVM_GETCOLUMNW, 0, LPARAM(&probe))) {
    RECT client{};
    GetClientRect(list, &client);
    for (uint32_t c = 0; c < 4; ++c) {
      std::u16string caption = CtlOptionName(ctx, kFirstColumnString + c);
      LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH, LVCFMT_LEFT, INT(client.right / 4), caption.data(), 0, 0, 0, 0};
      SendMessageW(list, LVM_INSERTCOLUMNW, c, LPARAM(&column));
    }
  }
  OptSetControlOption(ctx, item, kFirstTrayOption);
  const int32_t chosen = OptGetControlOption(ctx, item);
  MdfItem feature = UiItemModel(ctx, item);
  INT row = 0;
  CtlForEachOption(ctx, feature, [&](uint16_t option) {
    if (!DlgIsTrayOption(option)) return true;
    const int32_t t = DlgOptionTrayIndex(option);
    if (CtlIsOptionHidden(ctx, feature, option)) {
      SetShown(ctx, t, 0);
      return true;
    }
    std::u16string name = CtlOptionName(ctx, option);
    const UINT state = option == chosen ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    LVITEMW add{LVIF_TEXT | LVIF_PARAM | LVIF_STATE, row++, 0, state, state, name.data(), 0, 0, LPARAM(option), 0};
    SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&add));
    SetShown(ctx, t, 1);
    return true;
  });
  LoadTray(ctx);
  return 1;
}

void RebuildTrayList(DriverContext* ctx, DialogRecord* dialog) {
  DialogItemRecord* trays = CtxFindControl(ctx, dialog, kTrayList);
  HWND list = CtlWindowOf(dialog, trays);
  if (!trays || !list) return;
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  CtlDispatchInit(ctx, dialog, trays);
}

void Fill(HDC dc, const RECT& r, INT colour) {
  HBRUSH brush = CreateSolidBrush(GetSysColor(colour));
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Text(HDC dc, const std::u16string& text, RECT r) {
  r.left += 2;
  DrawTextW(dc, text.c_str(), INT(text.size()), &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

int32_t DrawTrayRow(DriverContext* ctx, DialogItemRecord* item, const DRAWITEMSTRUCT* draw) {
  if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 1;
  HWND list = draw->hwndItem;
  const int32_t t = DlgOptionTrayIndex(uint16_t(draw->itemData));
  const bool disabled = item->disabled != 0 || !IsWindowEnabled(list);
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  const INT back = disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
  const INT fore = disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
  HDC dc = draw->hDC;
  Fill(dc, draw->rcItem, back);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(fore));
  RECT cell = draw->rcItem;
  auto next = [&](INT column) {
    cell.left = column ? cell.right : draw->rcItem.left;
    cell.right = cell.left + LONG(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(column), 0));
  };
  char16_t name[kCtlNameChars + 1] = {};
  LVITEMW get{};
  get.pszText = name;
  get.cchTextMax = kCtlNameChars + 1;
  SendMessageW(list, LVM_GETITEMTEXTW, draw->itemID, LPARAM(&get));
  next(0);
  Text(dc, name, cell);
  next(1);
  SettingRecord* paper = OptFindSetting(ctx, kPaperSetting);
  if (paper) Text(dc, CtlOptionName(ctx, uint32_t(OptValueToOption(ctx, paper, Get(ctx, TrayPaper(t))))), cell);
  next(2);
  const bool sideways = Get(ctx, TrayOrient(t)) != 0;
  const bool feed_one = Get(ctx, vdmMachineFeed) == 1;
  const uint32_t icon = sideways == feed_one ? kPortraitIcon + 1 : kPortraitIcon;
  Fill(dc, cell, back);
  CtlGetServices().drawIcon(ctx, list, dc, cell.left + 2, cell.top, icon);
  next(3);
  SettingRecord* media = OptFindSetting(ctx, kMediaSetting);
  if (media) Text(dc, CtlOptionName(ctx, uint32_t(OptValueToOption(ctx, media, Get(ctx, TrayMedia(t))))), cell);
  if (draw->itemState & ODS_FOCUS) DrawFocusRect(dc, &draw->rcItem);
  return 1;
}

int32_t DrawOption(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, const DRAWITEMSTRUCT* draw) {
  if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 1;
  const uint16_t option = uint16_t(draw->itemData);
  const bool grey = item->disabled != 0 || DlgIsOptionGrey(ctx, option);
  const bool checked = DlgIsOptionChecked(ctx, option);
  HDC dc = draw->hDC;
  Fill(dc, draw->rcItem, grey ? COLOR_BTNFACE : COLOR_WINDOW);
  SIZE text_size{};
  GetTextExtentPoint32W(dc, u"0", 1, &text_size);
  RECT text = draw->rcItem;
  text.left += 2 * text_size.cy;
  const std::u16string name = CtlOptionName(ctx, option);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(grey ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
  DrawTextW(dc, name.c_str(), INT(name.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RECT box = draw->rcItem;
  box.right = box.left + (box.bottom - box.top);
  const uint32_t picture = checked ? (grey ? kCheckOnGrey : kCheckOn) : (grey ? kCheckOffGrey : kCheckOff);
  CtlGetServices().drawPicture(ctx, dialog, item, dc, &box, picture, false);
  if (draw->itemAction == ODA_FOCUS || (draw->itemState & ODS_FOCUS)) DrawFocusRect(dc, &draw->rcItem);
  return 1;
}

// A click on the options list's selected entry; the list box's own
// handling follows.
int32_t OptionClicked(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  HWND list = CtlWindowOf(dialog, item);
  const LRESULT sel = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
  if (sel >= 0 && item->disabled == 0) {
    const uint32_t flags = DlgClickOption(ctx, uint16_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(sel), 0)));
    if (flags & kOptionRepaint) InvalidateRect(list, nullptr, TRUE);
    if (flags & kOptionRebuildTrays) RebuildTrayList(ctx, dialog);
  }
  Changed(dialog);
  CtlGetServices().refreshPage(ctx, dialog);
  return 0;
}

int32_t TrayNotify(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, LPARAM lparam) {
  const auto* n = reinterpret_cast<const NMLISTVIEW*>(lparam);
  if (!n || n->hdr.idFrom != item->controlId) return 0;
  if (n->hdr.code == LVN_ITEMCHANGED && (n->uChanged & LVIF_STATE) && (n->uNewState & LVIS_SELECTED) &&
      !(n->uOldState & LVIS_SELECTED) && n->lParam != OptGetControlOption(ctx, item)) {
    OptSetControlOption(ctx, item, int32_t(n->lParam));
    LoadTray(ctx);
    CtlGetServices().refreshPage(ctx, dialog);
  }
  return 1;
}

// The orientation radios write the selected tray's orientation: on a
// command, and on a repaint when the radio list and the tray disagree.
int32_t Orientation(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                    LPARAM lparam) {
  if (message == WM_COMMAND) CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
  const int32_t t = SelectedTray(ctx);
  const int32_t sideways = OptGetOptionById(ctx, kOrientSetting) != kPortrait ? 1 : 0;
  if (message == WM_COMMAND || Get(ctx, TrayOrient(t)) != sideways) {
    Set(ctx, TrayOrient(t), sideways);
    Invalidate(dialog, kTrayList);
  }
  if (message != WM_COMMAND) return 0;
  Changed(dialog);
  UiRefreshPage(ctx, dialog, 1);
  return 1;
}

}  // namespace

// ---- tables and rules ------------------------------------------------------------------------

const OptionRule* DlgGetOptionRuleTable(int32_t) { return kRules; }

const OptionRule* DlgFindOptionRule(int32_t family, uint16_t option) {
  for (const OptionRule* r = DlgGetOptionRuleTable(family); option && r->option; ++r)
    if (uint16_t(r->option) == option) return r;
  return nullptr;
}

int32_t DlgOptionSettingOf(uint16_t option) {
  for (const SettingRow* r = kOptionSettings; r->option; ++r)
    if (r->option == option) return r->setting;
  return kOptionSettings[0].setting;
}

int32_t DlgOptionTrayIndex(uint16_t option) {
  for (const TrayRow* r = kTrayOptions; r->option; ++r)
    if (r->option == option) return r->tray;
  return kTrayOptions[0].tray;
}

bool DlgIsTrayOption(uint16_t option) {
  return option && std::any_of(std::begin(kTrayOptions), std::end(kTrayOptions),
                               [&](const TrayRow& r) { return r.option == option; });
}

int32_t DlgOptionSettingRowCount() { return int32_t(std::size(kOptionSettings)) - 1; }
int32_t DlgOptionTrayRowCount() { return int32_t(std::size(kTrayOptions)) - 1; }

uint32_t DlgKeepOptionGroups(DriverContext* ctx, const OptionRule* clicked) {
  uint32_t flags = 0;
  const int32_t family = Family(ctx);
  for (const OptionRule* r = DlgGetOptionRuleTable(family); r->option; ++r) {
    if (!r->links || !RuleOn(ctx, *r)) continue;
    bool any = false;
    for (const OptionLink* l = r->links; l->present; ++l) {
      const OptionRule* linked = DlgFindOptionRule(family, uint16_t(l->option));
      if (linked && RuleOn(ctx, *linked)) any = true;
    }
    if (any || !r->links[0].present) continue;
    const OptionRule* pick = DlgFindOptionRule(family, uint16_t(r->links[0].option));
    if ((!pick || pick == clicked) && r->links[1].present) pick = DlgFindOptionRule(family, uint16_t(r->links[1].option));
    if (!pick) continue;
    Set(ctx, uint16_t(pick->setting), pick->value);
    if (pick->setting2) Set(ctx, uint16_t(pick->setting2), pick->value2);
    if (pick->rebuildTrays) flags |= kOptionRebuildTrays;
    if (pick->repaint) flags |= kOptionRepaint;
  }
  return flags;
}

uint32_t DlgClickOption(DriverContext* ctx, uint16_t option) {
  if (!ctx) return 0;
  if (const OptionRule* r = DlgFindOptionRule(Family(ctx), option)) {
    if (Locked(ctx, *r)) return 0;
    if (!RuleOn(ctx, *r)) {
      Set(ctx, uint16_t(r->setting), r->value);
      if (r->setting2) Set(ctx, uint16_t(r->setting2), r->value2);
      Apply(ctx, r->onList);
    } else {
      Set(ctx, uint16_t(r->setting), 1 - r->value);
      Apply(ctx, r->offList);
    }
    const uint32_t kept = DlgKeepOptionGroups(ctx, r);
    uint32_t flags = kept;
    if (r->repaint) flags |= kOptionRepaint;
    if (r->rebuildTrays) flags |= kOptionRebuildTrays;
    return flags;
  }
  // The telephone lines take part only with the remote option.
  if (IsTelephone(option) && Get(ctx, vdmOutputOptionTypeRemote) == 0) return 0;
  return ClickByGroup(ctx, option);
}

bool DlgIsOptionChecked(DriverContext* ctx, uint16_t o) {
  if (const OptionRule* r = DlgFindOptionRule(Family(ctx), o)) return RuleOn(ctx, *r);
  const uint32_t s = uint32_t(DlgOptionSettingOf(o));
  const int32_t m = MemoryOf(o);
  if (In(o, kOneStep)) return Get(ctx, s) == 1 && Get(ctx, vdm1StepOptionNum) == 1;
  if (o == 144) return Get(ctx, s) == 1 && Get(ctx, vdm1StepOptionNum) == 2;
  if (In(o, kCheckedWhenOn)) return Get(ctx, s) == 1;
  if (In(o, kMemoryOffFirst)) return Get(ctx, s) == 0 && Get(ctx, vdmPrinterMemory) == m;
  if (In(o, kMemoryOnFirst)) return Get(ctx, s) != 0 && Get(ctx, vdmPrinterMemory) == m;
  if (In(o, kMemorySizes)) return Get(ctx, vdmPrinterMemory) == m;
  return false;
}

bool DlgIsOptionGrey(DriverContext* ctx, uint16_t o) {
  if (const OptionRule* r = DlgFindOptionRule(Family(ctx), o)) return Locked(ctx, *r);
  return IsTelephone(o) && Get(ctx, vdmOutputOptionTypeRemote) == 0;
}

// ---- the handler -------------------------------------------------------------------------------

int32_t DlgOptionsHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work || !item) return 0;
  const uint16_t id = item->controlId;
  const bool own_command = message == WM_COMMAND && LOWORD(wparam) == id;
  const auto* draw = message == WM_DRAWITEM ? reinterpret_cast<const DRAWITEMSTRUCT*>(lparam) : nullptr;
  switch (id) {
    case kOptionsList:
      if (draw) return draw->CtlID == id ? DrawOption(ctx, dialog, item, draw) : 0;
      if (message == WM_LBUTTONUP || (message == WM_CHAR && wparam == VK_SPACE)) return OptionClicked(ctx, dialog, item);
      return 0;
    case kTrayList:
      switch (message) {
        case WM_INITDIALOG: return InitTrayList(ctx, dialog, item);
        case WM_DRAWITEM: return draw && draw->CtlID == id ? DrawTrayRow(ctx, item, draw) : 0;
        case WM_NOTIFY: return TrayNotify(ctx, dialog, item, lparam);
        case WM_COMMAND: return own_command ? 1 : 0;
        default: return 0;
      }
    case kPaperCombo:
    case kMediaCombo: {
      if (!own_command || UiGetNotifyCode(wparam) != CBN_SELCHANGE) return 0;
      CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
      const int32_t t = SelectedTray(ctx);
      if (id == kPaperCombo) Set(ctx, TrayPaper(t), Get(ctx, kPaperSetting));
      else Set(ctx, TrayMedia(t), Get(ctx, kMediaSetting));
      Invalidate(dialog, kTrayList);
      return 1;
    }
    case kPortrait:
    case kLandscape:
      if (own_command || message == WM_PAINT) return Orientation(ctx, dialog, item, message, wparam, lparam);
      return 0;
    case kLockBox:
      if (!own_command) return 0;
      CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
      Set(ctx, TrayLock(SelectedTray(ctx)), Get(ctx, kLockSetting));
      Invalidate(dialog, kTrayList);
      return 1;
    case kDefaultButton:
      if (!own_command) return 0;
      CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
      Changed(dialog);
      Invalidate(dialog, kOptionsList);
      RebuildTrayList(ctx, dialog);
      UiRefreshPage(ctx, dialog, 1);
      return 1;
    default:
      return 0;
  }
}
