// The property pages of the sheets and the dialog procedure shared by every
// page and every modal dialog of the page engine: the pages are made from
// the dialog table and the UI resource module's templates, every event is
// offered to the dialog's special handler and then to the control kinds,
// PSN_APPLY commits the sheet once from its first page, and the preset-save
// buttons save the settings into a preset.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sheets.h"
#include "ui/dialog_template.h"
#include "ui/prsht.h"
#include "ui2k/controls.h"
#include "ui2k/pages.h"
#include "ui2k/dialog_handlers.h"
#include "ui2k/file_dialogs.h"
#include "ui2k/preview.h"
#include "velm/address_list.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/messages.h"
#include "velm/names.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/settings.h"
#include "ui2k/dialog_adjust.h"

namespace {

// Window-layer values the pages use beyond the layer's own header.
constexpr UINT kMsgEraseBackground = 0x0014;
constexpr UINT kMsgNcPaint = 0x0085;
constexpr UINT kMsgRButtonDblClk = 0x0206;
constexpr WPARAM kKeyShift = 0x0004, kKeyControl = 0x0008;  // MK_SHIFT, MK_CONTROL
constexpr DWORD kPageHasHelp = 0x20;                        // PSP_HASHELP
constexpr LONG kExContextHelp = 0x400;                      // WS_EX_CONTEXTHELP

// MEASUREITEMSTRUCT and HELPINFO as the window layer passes them.
struct MeasureItem {
  UINT ctlType, ctlId, itemId, itemWidth, itemHeight;
  uintptr_t itemData;
};
struct HelpInfo {
  UINT cbSize;
  int contextType, ctrlId;
  HANDLE itemHandle;
  uintptr_t contextId;
  POINT mousePos;
};

constexpr int32_t kNoPresetOption = 118;
constexpr int32_t kFirstPresetOption = 119;
constexpr int32_t kMaxPresets = 16;
constexpr uint16_t kHiddenFunctionsDialog = 1065;
constexpr uint16_t kSavePresetDialog = 1032;
constexpr uint16_t kPresetNameEdit = 2145;
constexpr uint16_t kPresetIconList = 2001;
constexpr uint32_t kItemOpensHiddenDialog = 0x20000000u;

DriverContext* ContextOf(HWND page) { return reinterpret_cast<DriverContext*>(GetWindowLongPtrW(page, DWLP_USER)); }

void SetResult(HWND page, LRESULT value) { SetWindowLongPtrW(page, DWLP_MSGRESULT, value); }

int32_t ChosenPresetOption(DriverContext* ctx) { return OptGetOptionById(ctx, setting::vdmPresetNo); }

// The check of the dialog's own feature, run as a change of a control that
// holds only that feature and no value; 1 when it refused.
int32_t CheckDialogFeature(DriverContext* ctx, DialogRecord* dialog) {
  if (!dialog->symbol) return 0;
  DialogItemRecord probe{};
  UiBindItemModel(ctx, &probe, UiFindModelItem(ctx, dialog->symbol));
  return UiApplyControlChange(ctx, dialog, &probe, 0, 0);
}

// A warning box with the printer name as caption.
int32_t Warn(DriverContext* ctx, HWND owner, uint16_t text_id, uint16_t buttons = MB_OK) {
  UiMessageRequest r{};
  r.textId = text_id;
  r.iconFlags = uint16_t(MB_ICONWARNING);
  r.buttonFlags = buttons;
  return UiShowMessage(ctx, &r, owner);
}

void FocusDlgItem(HWND page, int id) {
  if (HWND w = GetDlgItem(page, id)) SetFocus(w);
}

// ---- pages made from the catalogue ----------------------------------------------------------
// A page whose template the UI resource module lacks (a model without a
// module of its own, such as the test models) is laid out from the item
// catalogue, each control in the class its kind needs, in columns, so that
// its settings can still be reached.
std::u16string ClassOfKind(uint16_t kind, DWORD* style) {
  switch (kind) {
    case 4: *style |= BS_GROUPBOX; return u"BUTTON";
    case 21: *style |= WS_TABSTOP; return u"BUTTON";
    case 22: *style |= BS_AUTOCHECKBOX | WS_TABSTOP; return u"BUTTON";
    case 41: *style |= BS_RADIOBUTTON | WS_TABSTOP; return u"BUTTON";
    case 42: case 47: case 49: case 50: *style |= LBS_NOTIFY | WS_TABSTOP; return u"LISTBOX";
    case 43: case 48: *style |= CBS_DROPDOWNLIST | WS_TABSTOP; return u"COMBOBOX";
    case 61: case 62: case 63: *style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_BORDER; return u"EDIT";
    case 23: case 81: case 82: case 84: case 85: return u"SCROLLBAR";
    default: return u"STATIC";
  }
}

std::vector<uint8_t> CatalogueTemplate(DriverContext* ctx, const DialogRecord& d) {
  ui::DialogTemplate t;
  t.style = WS_CHILD | DS_CONTROL;
  t.cx = 252;
  t.cy = 218;
  char16_t title[128] = {};
  if (ResLoadString(ctx, d.dialogId, title, 128, 0)) t.title = title;
  else for (const char* p = d.name; p && *p; ++p) t.title.push_back(char16_t(*p));
  constexpr int kRows = 17, kColumns = 3;
  for (uint32_t i = 0; i < d.itemCount; ++i) {
    const DialogItemRecord& it = d.items[i];
    ui::DialogItemTemplate c;
    c.style = WS_CHILD | WS_VISIBLE;
    c.class_name = ClassOfKind(it.kind, &c.style);
    char16_t text[128] = {};
    if (c.class_name != u"EDIT" && ResLoadString(ctx, it.controlId, text, 128, 0)) {
      c.text = text;
    } else if (c.class_name == u"STATIC" || c.class_name == u"BUTTON") {
      // Without a string, the item's symbol labels it.
      const UiSymbolRow* sym = MdfFindFeatureByKey(it.symbol);
      for (const char* p = sym ? sym->name : nullptr; p && *p; ++p) c.text.push_back(char16_t(*p));
    }
    int slot = int(i) % (kRows * kColumns);
    c.id = int16_t(it.controlId);
    c.x = int16_t(4 + (slot / kRows) * 82);
    c.y = int16_t(4 + (slot % kRows) * 12);
    c.cx = 78;
    c.cy = 10;
    t.items.push_back(c);
  }
  return ui::EncodeDialogTemplate(t);
}


// ---- the preset save -------------------------------------------------------------------------
uint16_t NameEditOf(uint16_t dialog_id) {
  switch (dialog_id) {
    case 1002: return 2388;
    case 1003: return 2389;
    case 1004: return 2390;
    case 1005: return 2391;
    default: return 0;
  }
}

// 0 refused (the page's name edit has the focus), 1 go on.
int32_t CheckNamedTarget(DriverContext* ctx, HWND page) {
  char16_t name[kPresetNameChars] = {};
  OptGetControlText(ctx, kPresetNameEdit, name);
  const int32_t current = ChosenPresetOption(ctx) - kFirstPresetOption;
  if (!name[0]) {
    Warn(ctx, page, 10031);
    return 0;
  }
  const int32_t i = PresetFindByName(ctx, name, current);
  if (i == 0 || (i > 0 && !PresetIsWritableByIndex(ctx, i))) {
    Warn(ctx, page, 10024);
    return 0;
  }
  if (i > 0 && i != current) {
    if (Warn(ctx, page, 10032, MB_YESNO) != IDYES) return 0;
    OptSetOptionById(ctx, setting::vdmPresetNo, i + kFirstPresetOption);
  }
  return 1;
}

// Saves the settings into the chosen preset or a new one; false when the
// list is full and there is no preset chosen to save into.
bool SaveIntoPreset(DriverContext* ctx) {
  int32_t option = ChosenPresetOption(ctx);
  char16_t file[kPresetNameChars] = {};
  if (option > kNoPresetOption) {
    const int32_t n = option - kFirstPresetOption;
    char16_t key[32];
    PresetFormatKey(key, n, 0);
    PresetGetEntryText(ctx, n, 0, file);
    size_t len = std::char_traits<char16_t>::length(file);
    if (!len || file[len - 1] == u'R' || file[len - 1] == u'r') {
      // An empty or read-only entry gets a file of its own.
      if (PresetMakeNewFileName(ctx, file) &&
          !IniWriteString(InstGetPrinterSectionName(ctx), key, file, PathGetDriverIni(ctx)))
        PresetDropNewFile(file);
    }
  } else {
    // A full list takes no 17th entry: the save is refused before anything changes.
    if (PresetGetCount(ctx) >= kMaxPresets) return false;
    if (!PresetMakeNewFileName(ctx, file)) return false;
    char16_t name[kPresetNameChars] = {}, comment[kPresetNameChars] = {};
    OptGetText(ctx, OptFindSetting(ctx, setting::wdmPresetName), name);
    OptGetText(ctx, OptFindSetting(ctx, setting::wdmPresetComment), comment);
    if (!PresetAddEntry(ctx, file, name, comment)) {
      PresetDropNewFile(file);
      return false;
    }
    option = PresetGetCount(ctx) + kNoPresetOption;
    OptSetOptionById(ctx, setting::vdmPresetNo, option);
  }
  const int32_t n = option - kFirstPresetOption;
  if (n > 0 && n < kMaxPresets) PresetSaveByIndex(ctx, n);
  DlgReinitPresetLists(ctx);
  OptSetOptionById(ctx, setting::vdmPresetNo, n + kFirstPresetOption);
  return true;
}

INT_PTR SavePreset(DriverContext* ctx, DialogRecord* dialog, HWND page, WORD id) {
  WorkRecord& w = *ctx->work;
  const int32_t kept = w.saveOnClose;
  w.saveOnClose = 1;
  int32_t refused = CheckDialogFeature(ctx, dialog);
  if (!w.saveOnClose) refused = 1;
  w.saveOnClose = kept;
  if (refused) {
    CtxClearChanged(ctx, kChangePresetSavePending);
    UiRefreshPage(ctx, dialog, 0);
    return 0;
  }
  if (id == kCmdSaveToNamedPreset) {
    if (!CheckNamedTarget(ctx, page)) {
      FocusDlgItem(page, NameEditOf(dialog->dialogId));
      return 0;
    }
  } else if (UiRunSubDialog(ctx, 4, kSavePresetDialog, page) == IDCANCEL) {
    return 0;
  }
  if (!SaveIntoPreset(ctx)) {
    // Sixteen presets and none chosen: there is no room for this one.
    Warn(ctx, page, 10049);
    FocusDlgItem(page, NameEditOf(dialog->dialogId));
    return 0;
  }
  if (id == kCmdSaveToNewPreset || id == kCmdSaveToNamedPreset) {
    CtxClearChanged(ctx, kChangeOkSavesPreset);
    PostMessageW(page, WM_COMMAND, kCmdPressOk, 0);
  }
  return 0;
}

// ---- ending a modal dialog ---------------------------------------------------------------
constexpr uint16_t kImageStampFileEdit = 2341, kOverlayFileEdit = 2586;
constexpr uint16_t kMsgNotABitmap = 10043, kMsgBadFile = 10024;

// The file a stamp dialog names, as its file edit's setting holds it.
std::u16string NamedFile(DriverContext* ctx, uint16_t control) {
  std::vector<char16_t> text(2048, u'\0');
  if (!OptGetControlText(ctx, control, text.data())) return {};
  return text.data();
}

// OK of the image-stamp dialog needs a file that opens as a bitmap, OK of
// the overlay dialog an existing file of the overlay extension; otherwise
// the message names the fault and the dialog stays open, its stamp unsaved.
bool StampFileAccepted(DriverContext* ctx, DialogRecord* dialog, HWND page) {
  uint16_t refusal = 0;
  if (dialog->dialogId == 1023) {
    const std::u16string file = NamedFile(ctx, kImageStampFileEdit);
    if (file.empty() || !PrevOpenBmpFile(file.c_str(), nullptr)) refusal = kMsgNotABitmap;
  } else if (dialog->dialogId == 1037) {
    const std::u16string file = NamedFile(ctx, kOverlayFileEdit);
    const char16_t* last_four = file.size() >= 4 ? file.c_str() + file.size() - 4 : nullptr;
    if (!UiFileExists(file.c_str()) || !UiHasFileExtension(dialog, last_four)) refusal = kMsgBadFile;
  }
  if (!refusal) return true;
  Warn(ctx, page, refusal);
  ctx->work->saveOnClose = 0;
  return false;
}

void EndModal(DialogRecord* dialog, HWND page, WORD id) {
  dialog->window = nullptr;
  for (uint32_t i = 0; i < dialog->itemCount; ++i) dialog->items[i].window = nullptr;
  EndDialog(page, id);
}

INT_PTR EndModalDialog(DriverContext* ctx, DialogRecord* dialog, HWND page, WORD id) {
  WorkRecord& w = *ctx->work;
  const bool queried = OptGetValueById(ctx, setting::vdmBiDirect) == 1;
  DialogItemRecord* item =
      CtxFindControl(ctx, dialog, dialog->dialogId == 1011 && queried ? IDOK : id);
  if (item && UiApplyControlChange(ctx, dialog, item, 0, 0)) {
    UiRefreshPage(ctx, dialog, 0);
    return 0;
  }
  w.saveOnClose = id == IDCANCEL || id == IDNO ? 0 : 1;
  const bool ok = id == IDOK;
  switch (dialog->dialogId) {
    case 1007: {
      if (id == 8 && GetFocus() != GetDlgItem(page, 8)) {
        FocusDlgItem(page, 8);
        if (GetFocus() != GetDlgItem(page, 8)) return 1;
      }
      char16_t name[kPresetNameChars] = {};
      OptGetControlText(ctx, kPresetNameEdit, name);
      const int32_t duplicate = PresetFindDuplicate(ctx, name, -1);
      if (duplicate < 0) {
        w.saveOnClose = 0;
        DlgReinitPresetLists(ctx);
        break;
      }
      DialogItemRecord* list = CtxFindControl(ctx, dialog, 2139);
      if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(duplicate), 0);
      if (HWND edit = GetDlgItem(page, kPresetNameEdit)) {
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
      }
      // A preset that cannot be read leaves the working settings, which are shown.
      (void)PresetLoadByIndex(ctx, duplicate);
      if (list) {
        OptSetControlOption(ctx, list, duplicate + kFirstPresetOption);
        UiApplyControlChange(ctx, dialog, list, 0, 0);
      }
      UiRefreshPage(ctx, dialog, 1);
      w.saveOnClose = 0;
      return 0;
    }
    case 1011:
      if (ok || queried) {
        w.saveOnClose = 1;
        InstRefreshPresets(ctx, 1);
        DlgReinitSourceTrays(ctx);
        DlgReinitOutputTrays(ctx);
      }
      break;
    case 1017:
      if (!ok) {
        CtxClearChanged(ctx, kChangeFreeSizesLoaded);
        FreeSizeRefreshSlots(ctx);
      } else {
        FreeSizeSaveAll(ctx);
        UiApplyPaperChange(ctx, 1);
        DlgReinitPaperSizes(ctx);
      }
      break;
    case 1023:
    case 1037:
      if (ok && !StampFileAccepted(ctx, dialog, page)) return 1;
      break;
    case 1034:
      // The destination must be complete before OK closes the dialog; the
      // address book read for the dialog goes either way.
      if (ok) {
        if (!DlgCheckRemoteFields(ctx, dialog)) return 1;
        OptSetValueById(ctx, setting::vdmAddrListSelectNo, w.addressIndex);
      }
      CsvFreeList(ctx);
      break;
    default:
      break;
  }
  EndModal(dialog, page, id);
  return 1;
}

// ---- PSN_APPLY ---------------------------------------------------------------------------
// Which pages commit the sheet from PSN_APPLY (when they are its first page).
bool CommitsOnApply(DriverContext* ctx, uint16_t dialog_id) {
  if (dialog_id >= 1002 && dialog_id <= 1005) return OptGetValueById(ctx, setting::vdmPresentUIMode) != 1;
  if (dialog_id == 1001 || dialog_id == 1006 || dialog_id == 1015) return true;
  return dialog_id >= 1008 && dialog_id <= 1011;
}

// 1 when the notification was answered here.
INT_PTR Apply(DriverContext* ctx, DialogRecord* dialog, HWND page) {
  WorkRecord& w = *ctx->work;
  w.applying = 1;
  if (CtxGetChangeMask(ctx) & kChangeOkSavesPreset) {
    // OK saves a preset first; the save presses OK again.
    SetResult(page, PSNRET_INVALID_NOCHANGEPAGE);
    HWND sheet = GetParent(page);
    WORD save = sheet && GetDlgItem(sheet, kCmdSaveToNamedPreset) ? kCmdSaveToNamedPreset : kCmdSaveToNewPreset;
    PostMessageW(page, WM_COMMAND, save, 0);
    w.applying = 0;
    return 1;
  }
  w.saveOnClose = 1;
  if (CheckDialogFeature(ctx, dialog) || !w.saveOnClose) {
    UiRefreshPage(ctx, dialog, 0);
    SetResult(page, PSNRET_INVALID_NOCHANGEPAGE);
    w.applying = 0;
    return 1;
  }
  SetResult(page, PSNRET_NOERROR);
  w.saveOnClose = 1;
  if (CommitsOnApply(ctx, dialog->dialogId) && dialog->dialogId == w.firstPageDialog) {
    if (OsIsNt5OrLater()) {
      SendMessageW(GetParent(page), PSM_UNCHANGED, WPARAM(page), 0);
      OptSetValueById(ctx, setting::wdmUIStart, 0);
      UiCommitSheet(ctx);
      OptSetValueById(ctx, setting::wdmUIStart, 1);
    } else {
      OptSetValueById(ctx, setting::wdmUIStart, 0);
    }
    UiClearSettingDirty(ctx);
    UiRefreshPage(ctx, dialog, 1);
  }
  w.applying = 0;
  return 0;
}

// ---- the item loops -----------------------------------------------------------------------
INT_PTR DispatchToItems(DriverContext* ctx, DialogRecord* dialog, HWND page, UINT message, WPARAM wparam,
                        LPARAM lparam) {
  const bool by_id = message == WM_MEASUREITEM || message == WM_DRAWITEM;
  for (uint32_t i = 0; i < dialog->itemCount; ++i) {
    DialogItemRecord* item = &dialog->items[i];
    if (!item->window && message != WM_MEASUREITEM) continue;
    if (by_id && item->controlId != wparam) continue;
    if (CtlHandleMessage(ctx, dialog, item, message, wparam, lparam) != 1) continue;
    if (message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORLISTBOX)
      return GetWindowLongPtrW(page, DWLP_MSGRESULT);
    return 1;
  }
  return 0;
}

INT_PTR Command(DriverContext* ctx, DialogRecord* dialog, HWND page, WPARAM wparam, LPARAM lparam) {
  UiHideTip(ctx);
  const WORD id = LOWORD(wparam);
  switch (id) {
    case kCmdPressOk:
      PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_OK, 0);
      return 0;
    case IDHELP:
      WinHelpW(page, PathGetHelpFile(ctx), HELP_CONTEXT, dialog->helpId);
      return 0;
    case 2038: case 2080: case 2097: case 2115: case kCmdSaveToNewPreset:
      CtxMarkChanged(ctx, kChangePresetSavePending);
      return SavePreset(ctx, dialog, page, id);
    case kCmdSaveToNamedPreset:
      return SavePreset(ctx, dialog, page, id);
    case IDOK: case IDCANCEL: case IDYES: case IDNO: case 8:
      return EndModalDialog(ctx, dialog, page, id);
    default:
      break;
  }
  for (uint32_t i = 0; i < dialog->itemCount; ++i) {
    DialogItemRecord* item = &dialog->items[i];
    if (!item->window || CtlHandleCommand(ctx, dialog, item, wparam, lparam) != 1) continue;
    if (UiAnySettingDirty(ctx)) {
      const int32_t n = ChosenPresetOption(ctx) - kFirstPresetOption;
      if (dialog->dialogId == 1001 && id == kPresetIconList && n >= 0 && n < kMaxPresets) {
        // A preset chosen in the icon list keeps the trays, media and colour.
        const uint32_t kept_ids[] = {setting::dmDefaultSource, setting::vdmMediaType, setting::vdmOutputTrayID,
                                     setting::dmColor};
        int32_t kept[4];
        for (int k = 0; k < 4; ++k) kept[k] = OptGetOptionById(ctx, kept_ids[k]);
        (void)PresetLoadByIndex(ctx, n);
        for (int k = 0; k < 4; ++k) OptSetOptionById(ctx, kept_ids[k], kept[k]);
        DialogItemRecord* list = CtxFindControl(ctx, dialog, kPresetIconList);
        if (list) UiApplyTransact(ctx, dialog, UiItemModel(ctx, list), list->paperFlag);
      }
      PostMessageW(GetParent(page), PSM_CHANGED, WPARAM(page), 0);
    }
    UiRefreshPage(ctx, dialog, 0);
    return 1;
  }
  return 0;
}

INT_PTR Notify(DriverContext* ctx, DialogRecord* dialog, HWND page, WPARAM wparam, LPARAM lparam) {
  UiHideTip(ctx);
  const auto* n = reinterpret_cast<const PSHNOTIFY*>(lparam);
  switch (n ? n->hdr.code : 0) {
    case PSN_HELP:
      WinHelpW(page, PathGetHelpFile(ctx), HELP_CONTEXT, dialog->helpId);
      break;
    case PSN_RESET:
      ctx->work->saveOnClose = 0;
      break;
    case PSN_SETACTIVE:
      ctx->dialogId = dialog->dialogId;
      UiRefreshPage(ctx, dialog, 1);
      break;
    case PSN_APPLY:
      if (Apply(ctx, dialog, page)) return 1;
      break;
    default:
      break;
  }
  return DispatchToItems(ctx, dialog, page, WM_NOTIFY, wparam, lparam);
}

DialogItemRecord* ItemAt(DriverContext* ctx, DialogRecord* dialog, LPARAM lparam) {
  if (HWND captured = GetCapture())
    if (DialogItemRecord* item = CtxFindControlByWindow(ctx, dialog, captured)) return item;
  POINT pt{int16_t(LOWORD(uintptr_t(lparam))), int16_t(HIWORD(uintptr_t(lparam)))};
  return UiHitTestItem(ctx, dialog, pt);
}

INT_PTR InitDialog(DriverContext* ctx, DialogRecord* dialog, HWND page) {
  EnableWindow(page, FALSE);
  if (OsIsVistaOrLater()) SetWindowLongW(page, GWL_EXSTYLE, GetWindowLongW(page, GWL_EXSTYLE) & ~kExContextHelp);
  if (GetWindowTextLengthW(page) == 0) SetWindowTextW(page, ctx->work->printerName);
  UiResetSubclassing(ctx, page);
  for (uint32_t i = 0; i < dialog->itemCount; ++i) {
    DialogItemRecord* item = &dialog->items[i];
    item->window = GetDlgItem(page, item->controlId);
    item->previousWndProc = nullptr;  // subclassed anew
    CtlDispatchInit(ctx, dialog, item);
  }
  PostMessageW(page, kPageMsgLayoutFix, 0, 0);
  return 1;
}

}  // namespace

std::vector<uint8_t> UiMissingPageTemplate(DriverContext* ctx, HMODULE module, const DialogRecord& dialog) {
  size_t size = 0;
  if (module && plat::FindModuleResource(module, RT_DIALOG, dialog.dialogId, &size)) return {};
  return CatalogueTemplate(ctx, dialog);
}

PROPSHEETPAGEW UiMakePage(DriverContext* ctx, HMODULE module, const DialogRecord& dialog,
                          std::vector<uint8_t>* built) {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = kPageHasHelp;
  page.hInstance = module;
  page.pszTemplate = MAKEINTRESOURCEW(dialog.dialogId);
  page.pfnDlgProc = UiSheetPageProc;
  page.lParam = LPARAM(ctx);
  *built = UiMissingPageTemplate(ctx, module, dialog);
  if (!built->empty()) {
    page.dwFlags |= PSP_DLGINDIRECT;
    page.pResource = built->data();
  }
  return page;
}

int32_t UiAddSheetPages(DriverContext* ctx, int32_t sheet_flag) {
  if (!ctx || !ctx->work) return 0;
  WorkRecord& w = *ctx->work;
  w.saveOnClose = 0;
  w.firstPageDialog = 0;
  auto add = reinterpret_cast<PFNCOMPROPSHEET>(w.sheetCallback);
  if (!add || !ctx->dialogs) return 0;
  HMODULE module = ResLoadUiDll(ctx);
  int32_t added = 0;
  for (int16_t i = 0; i < ctx->dialogs->count; ++i) {
    const DialogRecord& d = ctx->dialogs->rows[i];
    if (!(d.flags & uint32_t(sheet_flag)) || UiIsHiddenByCondition(ctx, d.symbol)) continue;
    std::vector<uint8_t> built;
    PROPSHEETPAGEW page = UiMakePage(ctx, module, d, &built);
    HPROPSHEETPAGE h = CreatePropertySheetPageW(&page);
    if (!h) continue;
    if (add(w.sheetHandle, CPSFUNC_ADD_HPROPSHEETPAGE, LPARAM(h), 0)) ++added;
    else DestroyPropertySheetPage(h);
  }
  return added;
}

INT_PTR UiSheetPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_INITDIALOG) return UiPageProc(window, message, wparam, lparam);
  const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lparam);
  auto* ctx = page ? reinterpret_cast<DriverContext*>(page->lParam) : nullptr;
  if (!ctx || !ctx->work) return FALSE;
  if (IS_INTRESOURCE(page->pszTemplate)) ctx->dialogId = uint16_t(reinterpret_cast<uintptr_t>(page->pszTemplate));
  const uint32_t mask = CtxGetChangeMask(ctx);
  HWND sheet = GetParent(window);
  if (mask & (kChangeRelabelNew | kChangeRelabelNamed)) {
    HWND ok = GetDlgItem(sheet, IDOK);
    HWND cancel = GetDlgItem(sheet, IDCANCEL);
    RECT ok_rc{}, cancel_rc{}, sheet_rc{};
    GetWindowRect(ok, &ok_rc);
    GetWindowRect(cancel, &cancel_rc);
    GetWindowRect(sheet, &sheet_rc);
    // OK keeps its right edge and grows by a third; the extra button goes
    // where the new left edge mirrors against the Cancel button.
    const LONG width = (ok_rc.right - ok_rc.left) * 4 / 3, height = ok_rc.bottom - ok_rc.top;
    const LONG left = ok_rc.right - width - sheet_rc.left, top = ok_rc.top - sheet_rc.top;
    const LONG extra_left = left - (cancel_rc.left - ok_rc.right) - width;
    if (ok) MoveWindow(ok, left, top, width, height, TRUE);
    char16_t caption[64] = {};
    if ((mask & kChangeRelabelNew) && (mask & kChangeRelabelNamed)) {
      ResLoadString(ctx, 372, caption, 64, 0);
      DWORD style = DWORD(GetWindowLongW(ok, GWL_STYLE)) & ~BS_DEFPUSHBUTTON;
      HWND extra = CreateWindowExW(DWORD(GetWindowLongW(ok, GWL_EXSTYLE)), u"BUTTON", caption, style, extra_left, top,
                                   width, height, sheet, reinterpret_cast<HMENU>(uintptr_t(kCmdSaveToNewPreset)),
                                   nullptr, nullptr);
      if (extra) SendMessageW(extra, WM_SETFONT, WPARAM(SendMessageW(ok, WM_GETFONT, 0, 0)), 0);
      CtxClearChanged(ctx, kChangeRelabelNew);
    }
    if (CtxGetChangeMask(ctx) & kChangeRelabelNew) {
      ResLoadString(ctx, 372, caption, 64, 0);
      SetWindowTextW(ok, caption);
      SetWindowLongPtrW(ok, GWLP_ID, kCmdSaveToNewPreset);
      CtxClearChanged(ctx, kChangeRelabelNew);
    } else if (CtxGetChangeMask(ctx) & kChangeRelabelNamed) {
      ResLoadString(ctx, 373, caption, 64, 0);
      SetWindowTextW(ok, caption);
      SetWindowLongPtrW(ok, GWLP_ID, kCmdSaveToNamedPreset);
      CtxClearChanged(ctx, kChangeRelabelNamed);
    }
    CtxMarkChanged(ctx, kChangeOkSavesPreset);
    UiResetSubclassing(ctx, sheet);
  }
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ShowWindow(c, SW_HIDE);
  return UiPageProc(window, WM_INITDIALOG, wparam, LPARAM(ctx));
}

INT_PTR UiPageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DriverContext* ctx = nullptr;
  DialogRecord* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    ctx = reinterpret_cast<DriverContext*>(lparam);
    if (!ctx || !ctx->work) return FALSE;
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    dialog = CtxFindDialog(ctx, ctx->dialogId);
    if (!dialog) return FALSE;
    dialog->window = window;
    if (!ctx->work->firstPageDialog) ctx->work->firstPageDialog = dialog->dialogId;
    UiPrepareDialogTables(ctx, nullptr);
  } else {
    ctx = ContextOf(window);
    dialog = ctx ? CtxFindDialogByWindow(ctx, window) : nullptr;
    if (!dialog) return FALSE;
  }

  if (message == WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MeasureItem*>(lparam);
    if (DlgSpecialHandler(ctx, nullptr, nullptr, message, wparam, lparam) == 1) return 1;
    uint32_t width = 0, height = 0;
    if (m && UiGetMeasureItemSize(uint16_t(m->ctlId), &width, &height)) {
      if (width) m->itemWidth = width;
      if (height) m->itemHeight = height;
      return 1;
    }
    return DispatchToItems(ctx, dialog, window, message, wparam, lparam);
  }
  if (DlgSpecialHandler(ctx, dialog, nullptr, message, wparam, lparam) == 1) {
    UiRefreshPage(ctx, dialog, 0);
    return 1;
  }

  switch (message) {
    case WM_INITDIALOG:
      return InitDialog(ctx, dialog, window);
    case kPageMsgLayoutFix:
      UiResizePage(ctx, window);
      return 0;
    case WM_PAINT:
      if (UiAnySettingDirty(ctx)) UiRefreshPage(ctx, dialog, 0);
      return 0;
    case kMsgEraseBackground:
      UiHideTip(ctx);
      UiRefreshPage(ctx, dialog, 0);
      return 0;
    case kMsgNcPaint:
      return 0;
    case WM_NOTIFY:
      return Notify(ctx, dialog, window, wparam, lparam);
    case WM_HELP: {
      UiHideTip(ctx);
      const auto* help = reinterpret_cast<const HelpInfo*>(lparam);
      if (help) UiShowControlHelp(ctx, dialog, static_cast<HWND>(help->itemHandle), WM_HELP);
      return 1;
    }
    case WM_CONTEXTMENU: {
      UiHideTip(ctx);
      HWND target = reinterpret_cast<HWND>(wparam);
      // The point of the menu is in screen coordinates.
      POINT at{int16_t(LOWORD(uintptr_t(lparam))), int16_t(HIWORD(uintptr_t(lparam)))};
      ScreenToClient(window, &at);
      DialogItemRecord* item =
          target == window ? UiHitTestItem(ctx, dialog, at) : CtxFindControlByWindow(ctx, dialog, target);
      if (!item || (item->flags & kItemOpensHiddenDialog)) return 1;
      UiShowControlHelp(ctx, dialog, item->window, WM_CONTEXTMENU);
      return 1;
    }
    case kPageMsgDeferredAlert: {
      DialogItemRecord* item = CtxFindControl(ctx, dialog, uint32_t(wparam));
      if (lparam) {
        UiShowAlert(ctx, uint32_t(lparam), window);
        if (item && item->window) SetFocus(item->window);
      }
      return 0;
    }
    case WM_MOUSEMOVE: case WM_LBUTTONUP: case WM_RBUTTONUP: {
      DialogItemRecord* item = ItemAt(ctx, dialog, lparam);
      if (item && CtlHandleMessage(ctx, dialog, item, message, wparam, lparam) == 1) return 0;
      if (item && ctx->work->tipWindow && item->controlId == ctx->work->tipControl) return 0;
      if (message == WM_MOUSEMOVE) UiHideTip(ctx);
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      return 0;
    case kMsgRButtonDblClk: {
      DialogItemRecord* item = ItemAt(ctx, dialog, lparam);
      if ((wparam & kKeyShift) && (wparam & kKeyControl) && item && (item->flags & kItemOpensHiddenDialog) &&
          OptGetValueById(ctx, setting::vdmCallSrc) == 1) {
        UiRunSubDialog(ctx, 4, kHiddenFunctionsDialog, window);
        if (ctx->work->saveOnClose) {
          HWND sheet = GetParent(window);
          PostMessageW(sheet, PSM_CHANGED, WPARAM(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), 0);
        }
      }
      return 0;
    }
    case WM_TIMER:
      UiOnTipTimer(ctx, window, UINT_PTR(wparam));
      return 0;
    case WM_COMMAND:
      return Command(ctx, dialog, window, wparam, lparam);
    default:
      return DispatchToItems(ctx, dialog, window, message, wparam, lparam);
  }
}

void UiResizePage(DriverContext* ctx, HWND page) {
  DialogRecord* dialog = ctx ? CtxFindDialogByWindow(ctx, page) : nullptr;
  if (!dialog) return;
  RECT client{}, page_rc{};
  GetClientRect(page, &client);
  GetWindowRect(page, &page_rc);
  const LONG room_x = client.right - 3, room_y = client.bottom - 3;
  LONG extent_x = 0, extent_y = 0;
  std::vector<std::pair<HWND, RECT>> children;
  for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT rc{};
    GetWindowRect(c, &rc);
    rc = RECT{rc.left - page_rc.left, rc.top - page_rc.top, rc.right - page_rc.left, rc.bottom - page_rc.top};
    extent_x = std::max(extent_x, rc.right);
    extent_y = std::max(extent_y, rc.bottom);
    children.emplace_back(c, rc);
  }
  if (extent_x > room_x || extent_y > room_y) {
    // Children beyond the client area: everything is scaled to fit.
    auto scale = [](LONG v, LONG room, LONG extent) { return extent > 0 ? LONG(int64_t(v) * room / extent) : v; };
    for (auto& [c, rc] : children) {
      LONG l = scale(rc.left, room_x, extent_x), t = scale(rc.top, room_y, extent_y);
      LONG r = scale(rc.right, room_x, extent_x), b = scale(rc.bottom, room_y, extent_y);
      MoveWindow(c, l, t, r - l, b - t, TRUE);
    }
  }
  for (auto& entry : children)
    if (!CtxFindControlByWindow(ctx, dialog, entry.first)) ShowWindow(entry.first, SW_SHOW);
  EnableWindow(page, TRUE);
  UiRefreshPage(ctx, dialog, 1);
}

// Two drawing programs replace the procedures of the controls they meet;
// the window layer of this machine runs none of them, so there is nothing
// to put back.
void UiResetSubclassing(DriverContext*, HWND) {}
