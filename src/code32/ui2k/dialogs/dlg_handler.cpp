// The behaviour of single dialogs and single controls that no control kind
// holds: the preset-name combos and maintenance buttons of the document
// pages, the presets page's change button, the initial settings, the print
// post-processing, the print type's password and job-merge checks, the
// margins, the user code, the cover and mark trays and the preset save.
// Dialogs with a handler of their own are handed on to it.
#include <algorithm>
#include <cstring>
#include <string>

#include "ctl_internal.h"
#include "plat/files.h"
#include "ui/prsht.h"
#include "ui2k/dialog_handlers.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/jobinfo.h"
#include "velm/messages.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

constexpr int32_t kNoPresetOption = 118;
constexpr int32_t kFirstPresetOption = 119;
constexpr int32_t kMaxPresets = 16;
constexpr int32_t kPresetKeyChars = 32;

constexpr uint16_t kPresetsPage = 1001, kEditPage = 1003, kMaintenanceDialog = 1007;
constexpr uint16_t kPresetIconList = 2001, kMaintenanceList = 2139;
constexpr uint16_t kPresetSheetStart = 1003;
constexpr uint16_t kUserCodeConfirmDialog = 1028, kPasswordDialog = 4005;
constexpr uint16_t kPasswordConfirmEdit = 2527, kMergeNameEdit = 2243, kSaveNameEdit = 2452;
constexpr uint16_t kUserQualityList = 2134;

constexpr uint32_t kChangeApplyControl = 0x20000000u;   // low 16 bits: the control
constexpr uint32_t kChangePasswordWaits = 0x8000000u;
constexpr uint32_t kChangeRelabelBoth = kChangeRelabelNew | kChangeRelabelNamed;
constexpr uint32_t kJobInfoSheetTypes = 159;  // the job information a sheet reads
constexpr int32_t kMergePathLimit = 259;      // characters of a full job-merge path
constexpr int32_t kMergeFolderChars = 260;

// ---- small services ----------------------------------------------------------------------
bool OwnCommand(const DialogItemRecord* item, UINT message, WPARAM wparam) {
  return item && message == WM_COMMAND && LOWORD(wparam) == item->controlId;
}

HWND WindowOf(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id) {
  DialogItemRecord* item = dialog ? CtxFindControl(ctx, dialog, control_id) : nullptr;
  if (item && item->window) return item->window;
  return dialog && dialog->window ? GetDlgItem(dialog->window, control_id) : nullptr;
}

void Focus(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id) {
  if (HWND w = WindowOf(ctx, dialog, control_id)) SetFocus(w);
}

// A warning box over the dialog with the printer name as caption.
int32_t Warn(DriverContext* ctx, DialogRecord* dialog, uint16_t text_id, uint16_t buttons = MB_OK) {
  UiMessageRequest r{};
  r.textId = text_id;
  r.iconFlags = uint16_t(MB_ICONWARNING);
  r.buttonFlags = buttons;
  return UiShowMessage(ctx, &r, dialog ? dialog->window : nullptr);
}

// The rules' check of the presets icon list of the presets page, nothing
// stored; nothing when the table lacks it.
void CheckPresetIcons(DriverContext* ctx) {
  DialogRecord* page = CtxFindDialog(ctx, kPresetsPage);
  DialogItemRecord* icons = page ? CtxFindControl(ctx, page, kPresetIconList) : nullptr;
  if (icons) CtlGetServices().checkControl(ctx, page, icons);
}

void ApplyFeatureOf(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (item) CtlGetServices().applyTransact(ctx, dialog, item);
}

int32_t PresetNumber(DriverContext* ctx) { return OptGetOptionById(ctx, setting::vdmPresetNo) - kFirstPresetOption; }

void TellSheetChanged(DialogRecord* dialog) {
  if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
}

// ---- the pending settings the maintenance dialog leaves ---------------------------------------
// Sets each {row, option} of the list the maintenance dialog left; rows
// outside the context's table are skipped. The list is freed.
void ApplyPendingSettings(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  PendingSetting* list = w.pendingSettings;
  w.pendingSettings = nullptr;
  if (!list) return;
  const int32_t rows = ctx->settings ? ctx->settings->count : 0;
  for (const PendingSetting* p = list; p->row != 0 && p - list < rows; ++p)
    if (p->row > 0 && p->row < rows) OptSetOption(ctx, &ctx->settings->rows[p->row], p->option);
  MemFree(list);
  DlgReinitSourceTrays(ctx);
  DlgReinitOutputTrays(ctx);
  DlgReinitPaperSizes(ctx);
}

// ---- page hook and shared controls --------------------------------------------------------------
void PageHook(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message) {
  if (item || message != WM_INITDIALOG || !dialog || dialog->dialogId != kEditPage || !dialog->window) return;
  DialogItemRecord* overlay = CtxFindControl(ctx, dialog, 2407);
  HWND overlay_window = GetDlgItem(dialog->window, 2407);
  if (!overlay || !overlay_window || UiIsItemHidden(ctx, UiItemModel(ctx, overlay), 2407)) return;
  char16_t text[kCtlNameChars + 1] = {};
  ResLoadString(ctx, 563, text, kCtlNameChars + 1, 0);
  if (HWND label = GetDlgItem(dialog->window, 2088)) SetWindowTextW(label, text);
}

bool IsPresetNameCombo(uint16_t id) { return id == 2036 || id == 2078 || id == 2095 || id == 2109; }
bool IsPresetNameEdit(uint16_t id) { return id >= 2388 && id <= 2391; }
bool IsMaintenanceButton(uint16_t id) {
  return id == 2002 || id == 2037 || id == 2079 || id == 2096 || id == 2114;
}

// The combo lists the names of the presets the printer has, at most one
// entry per preset; the entry's data is the preset's option.
int32_t InitPresetNameCombo(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  HWND combo = CtlWindowOf(dialog, item);
  if (!combo) return 1;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  const int32_t presets = PresetGetCount(ctx);
  const char16_t* section = InstGetPrinterSectionName(ctx);
  const char16_t* ini = PathGetDriverIni(ctx);
  CtlForEachOption(ctx, UiItemModel(ctx, item), [&](uint16_t option) {
    if (SendMessageW(combo, CB_GETCOUNT, 0, 0) >= presets) return false;
    std::u16string key = CtlOptionName(ctx, option).substr(0, kPresetKeyChars) + u"Name";
    char16_t name[kPresetNameChars] = {};
    IniGetString(section, key.c_str(), u"", name, kPresetNameChars, ini);
    LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(option));
    return true;
  });
  const int32_t entry = OptGetControlOption(ctx, item) - kFirstPresetOption;
  if (entry >= 0) SendMessageW(combo, CB_SETCURSEL, WPARAM(entry), 0);
  return 1;
}

int32_t PresetNameCombo(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                        WPARAM wparam) {
  if (message == WM_INITDIALOG) return item->setting ? InitPresetNameCombo(ctx, dialog, item) : 0;
  if (!OwnCommand(item, message, wparam)) return 0;
  HWND combo = CtlWindowOf(dialog, item);
  const LRESULT n = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : -1;
  if (n >= 0 && n < kMaxPresets) {
    const int32_t option = int32_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(n), 0));
    if (option != OptGetControlOption(ctx, item)) {
      // A preset that cannot be read leaves the working settings, which are shown.
      (void)PresetLoadByIndex(ctx, int32_t(n));
      OptSetControlOption(ctx, item, option);
      CheckPresetIcons(ctx);
      DlgReinitPresetLists(ctx);
      UiRefreshPage(ctx, dialog, 1);
      TellSheetChanged(dialog);
    }
  }
  // The combo's commands are this handler's, changed or not.
  return 1;
}

int32_t MaintenanceButton(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, WPARAM wparam,
                          LPARAM lparam) {
  DialogRecord* maintenance = CtxFindDialog(ctx, kMaintenanceDialog);
  if (DialogItemRecord* list = maintenance ? CtxFindControl(ctx, maintenance, kMaintenanceList) : nullptr)
    OptSetControlOption(ctx, list, kFirstPresetOption);
  (void)PresetLoadByIndex(ctx, 0);
  CheckPresetIcons(ctx);
  CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
  if (ctx->work->pendingSettings) ApplyPendingSettings(ctx);
  // The dialog may have deleted the preset that was chosen.
  int32_t n = PresetNumber(ctx);
  if (n < 0 || n >= PresetGetCount(ctx)) n = 0;
  (void)PresetLoadByIndex(ctx, n);
  OptSetOptionById(ctx, setting::vdmPresetNo, n + kFirstPresetOption);
  CheckPresetIcons(ctx);
  UiRefreshPage(ctx, dialog, 1);
  return 1;
}

// ---- presets page (1001) ----------------------------------------------------------------------------
void RevalidateStamp(DriverContext* ctx) {
  const int32_t id = OptGetOptionById(ctx, setting::vdmWmID);
  const int32_t kind = OptGetOptionById(ctx, setting::vdmWmKind);
  if (OptGetOptionById(ctx, setting::vdmFuncSelectWaterMark) && id >= 0 && id < StampGetCount(ctx) && kind >= 1 &&
      kind <= 3) {
    StampSelect(ctx, id);
    OptSetOptionById(ctx, setting::vdmWmID, id);
  } else {
    OptSetOptionById(ctx, setting::vdmFuncSelectWaterMark, 0);
    OptSetOptionById(ctx, setting::vdmWmID, 0);
  }
}

int32_t PresetsPage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                    LPARAM) {
  if (!item) {
    const uint32_t mask = CtxGetChangeMask(ctx);
    if (mask & kChangeApplyControl) {
      ApplyFeatureOf(ctx, dialog, CtlFindControlAnywhere(ctx, dialog, uint16_t(mask & 0xFFFF), nullptr));
      CtxClearChanged(ctx, kChangeApplyControl);
    }
    return 0;
  }
  if (!OwnCommand(item, message, wparam)) return 0;
  if (item->controlId == 2003) {
    const int32_t before = PresetGetCount(ctx);
    const int32_t n = PresetNumber(ctx);
    if (PresetIsWritableByIndex(ctx, n)) CtxMarkChanged(ctx, before >= kMaxPresets ? kChangeRelabelNamed : kChangeRelabelBoth);
    else CtxMarkChanged(ctx, kChangeRelabelNew);
    if (OptGetOptionById(ctx, setting::vdmPresetNo) == kNoPresetOption)
      ApplyFeatureOf(ctx, dialog, CtxFindControl(ctx, dialog, kPresetIconList));
    ctx->work->saveOnClose = 0;
    UiRunSubDialog(ctx, int32_t(kDlgPresetSheet), kPresetSheetStart, dialog->window);
    if (ctx->work->saveOnClose) {
      RevalidateStamp(ctx);
      const int32_t after = PresetGetCount(ctx);
      if (after == before + 1) {
        (void)PresetLoadByIndex(ctx, after - 1);
        OptSetOptionById(ctx, setting::vdmPresetNo, after - 1 + kFirstPresetOption);
        CheckPresetIcons(ctx);
      }
    }
    if (HWND w = CtlWindowOf(dialog, item)) InvalidateRect(w, nullptr, TRUE);
    return 1;
  }
  if (item->controlId == 2034) {
    (void)PresetLoadByIndex(ctx, 0);
    OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPresetOption);
    CheckPresetIcons(ctx);
    DlgReinitPresetLists(ctx);
    UiRefreshPage(ctx, dialog, 1);
  }
  return 0;
}

// ---- initial settings (1010) -------------------------------------------------------------------------
struct TrayStatic {
  uint16_t control;
  int32_t tray;
};
constexpr TrayStatic kInitialTrays[] = {{2410, 0}, {2411, 28}, {2412, 1},  {2413, 2},
                                        {2538, 3}, {2566, 25}, {2539, 25}, {2540, 27}};
constexpr TrayStatic kCoverTrays[] = {
    {2458, 0},  {2462, 0},  {2518, 0},  {2459, 1},  {2463, 1},  {2519, 1},  {2460, 2},  {2464, 2},
    {2520, 2},  {2461, 28}, {2465, 28}, {2521, 28}, {2541, 3},  {2544, 3},  {2547, 3},  {2542, 25},
    {2545, 25}, {2548, 25}, {2567, 25}, {2568, 25}, {2569, 25}, {2543, 27}, {2546, 27}, {2549, 27}};

template <size_t N>
int32_t TrayOf(const TrayStatic (&table)[N], uint16_t control) {
  for (const TrayStatic& t : table)
    if (t.control == control) return t.tray;
  return -1;
}

int32_t InitialSettings(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                        WPARAM wparam) {
  if (!item) return 0;
  const uint16_t id = item->controlId;
  if (id == 2159) {
    // The group's repaint reaches the tray statics inside it.
    for (const TrayStatic& t : kInitialTrays) {
      DialogItemRecord* tray = CtxFindControl(ctx, dialog, t.control);
      if (tray && tray->window && IsWindowVisible(tray->window))
        DlgPaintTrayInfo(ctx, dialog, tray, message, t.tray);
    }
    return 0;
  }
  const int32_t tray = TrayOf(kInitialTrays, id);
  if (tray >= 0) return DlgPaintTrayInfo(ctx, dialog, item, message, tray);
  if (id == 2152 && OwnCommand(item, message, wparam) && UiGetNotifyCode(wparam) == CBN_SELCHANGE) {
    HWND combo = CtlWindowOf(dialog, item);
    const LRESULT n = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : -1;
    if (n >= 0 && SendMessageW(combo, CB_GETITEMDATA, WPARAM(n), 0) != OptGetControlOption(ctx, item))
      Warn(ctx, dialog, 10056);
    return 0;
  }
  if (!OwnCommand(item, message, wparam)) return 0;
  switch (id) {
    case 2112:
      BidiQueryQuick(ctx, dialog->window);
      JobInfoReadMaskIfEnabled(ctx, kJobInfoSheetTypes);
      return 0;
    case 2160:
      if (BidiQueryWithProgress(ctx, dialog->window)) {
        InstRefreshPresets(ctx, 1);
      } else {
        BidiShowMessage(ctx, dialog->window);
      }
      return 1;
    case 2570:
      if (JobInfoOpenIfEnabled(ctx) == 0) {
        JobInfoSendLocaleIfEnabled(ctx);
        JobInfoCloseIfEnabled(ctx);
      }
      return 0;
    default:
      return 0;
  }
}

// ---- print post-processing (1015) -----------------------------------------------------------------------
int32_t PostProcessing(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                       WPARAM wparam, LPARAM lparam) {
  if (!item || item->controlId < 2193 || item->controlId > 2209 || (item->controlId - 2193) % 2) return 0;
  const int32_t number = (item->controlId - 2193) / 2 + 1;
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    OptSetValueById(ctx, setting::wdmPrintPostTrayNo, message == WM_SETFOCUS ? number : 0);
    UiRefreshPage(ctx, dialog, 0);
    return 0;
  }
  if (OwnCommand(item, message, wparam) && UiGetNotifyCode(wparam) == EN_CHANGE) {
    CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
    DlgReinitOutputTrays(ctx);
    return 1;
  }
  return 0;
}

// ---- print type (1019) -------------------------------------------------------------------------------
// The job-merge folder from the driver ini, "<OS>" and "<OSDRIVE>" at its
// start replaced by the Windows directory and its drive.
std::u16string JobMergeFolder(DriverContext* ctx) {
  char16_t folder[kMergeFolderChars + 1] = {};
  IniGetString(InstGetPrinterSectionName(ctx), u"DrvDefJobMergePath", u"<OS>\\Temp\\Vjm", folder,
               kMergeFolderChars + 1, PathGetDriverIni(ctx));
  std::u16string out = folder;
  char16_t windows[kMergeFolderChars + 1] = {};
  const UINT n = GetWindowsDirectoryW(windows, kMergeFolderChars + 1);
  const std::u16string os = n && n <= UINT(kMergeFolderChars) ? std::u16string(windows, n) : std::u16string();
  if (out.rfind(u"<OS>", 0) == 0) out = os + out.substr(4);
  else if (out.rfind(u"<OSDRIVE>", 0) == 0) out = os.substr(0, 2) + out.substr(9);
  return out;
}

// The warning the job-merge name gives, 0 when it may be used.
uint16_t JobMergeWarning(DriverContext* ctx) {
  char16_t name[kPresetNameChars] = {};
  OptGetText(ctx, OptFindSetting(ctx, setting::vdmMergeFileName), name);
  if (!name[0]) return 0;
  for (const char16_t* p = name; *p; ++p)
    if (std::char_traits<char16_t>::find(u"\\/:;,*?\"<>|", 11, *p)) return 10051;
  char16_t ext[kMergeFolderChars + 1] = {};
  IniGetString(InstGetPrinterSectionName(ctx), u"DrvDefJobMergeFileExt", u"vjm", ext, kMergeFolderChars + 1,
               PathGetDriverIni(ctx));
  const std::u16string full = JobMergeFolder(ctx) + u"\\" + name + u"." + ext;
  // A path the file system cannot take is refused like a bad name.
  if (full.size() > size_t(kMergePathLimit)) return 10051;
  const DWORD attributes = GetFileAttributesW(full.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES ? 10050 : 0;
}

// 1 when the OK stays in the dialog.
int32_t ConfirmPassword(DriverContext* ctx, DialogRecord* dialog) {
  const uint16_t edit = OptGetValueById(ctx, setting::vdmPrnMethod) == 1 ? 2245 : 2533;
  DialogItemRecord* ok = CtxFindControl(ctx, dialog, IDOK);
  if (ok && CtlGetServices().checkControl(ctx, dialog, ok) == 1) return 1;
  DialogItemRecord* password = CtxFindControl(ctx, dialog, edit);
  SettingRecord* row = password && password->setting ? password->setting
                                                     : OptFindSetting(ctx, edit == 2245 ? setting::vdmJOBPassword
                                                                                        : setting::vdmStoredPassword);
  OptSetControlText(ctx, kPasswordConfirmEdit, u"");
  const INT_PTR answer = UiRunSubDialog(ctx, 4, kPasswordDialog, dialog->window);
  if (answer == IDCANCEL) {
    OptSetText(ctx, row, u"");
    Focus(ctx, dialog, edit);
    return 1;
  }
  char16_t typed[kPresetNameChars] = {}, confirmed[kPresetNameChars] = {};
  OptGetText(ctx, row, typed);
  OptGetControlText(ctx, kPasswordConfirmEdit, confirmed);
  if (std::u16string(typed) != confirmed) {
    Warn(ctx, dialog, 10034);
    OptSetText(ctx, row, u"");
    if (HWND w = WindowOf(ctx, dialog, edit)) SetWindowTextW(w, u"");
    Focus(ctx, dialog, edit);
    return 1;
  }
  CtxClearChanged(ctx, kChangePasswordWaits);
  return 0;
}

int32_t PrintType(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                  LPARAM lparam) {
  if (item) {
    const uint16_t id = item->controlId;
    if ((id == 2423 || id == 2532) && message == WM_CHAR && wparam == u'"') return 1;
    if ((id == 2245 || id == 2533) && OwnCommand(item, message, wparam) &&
        (UiGetNotifyCode(wparam) == EN_CHANGE || UiGetNotifyCode(wparam) == EN_UPDATE)) {
      CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
      HWND w = CtlWindowOf(dialog, item);
      if (item->setting && item->setting->dirty && !(w && !IsWindowEnabled(w)))
        CtxMarkChanged(ctx, kChangePasswordWaits);
      return 1;
    }
    return 0;
  }
  if (message != WM_COMMAND) return 0;
  if (LOWORD(wparam) == IDCANCEL) {
    CtxClearChanged(ctx, kChangePasswordWaits);
    return 0;
  }
  if (LOWORD(wparam) != IDOK) return 0;
  if ((CtxGetChangeMask(ctx) & kChangePasswordWaits) && ConfirmPassword(ctx, dialog)) return 1;
  if (OptGetValueById(ctx, setting::vdmPrnMethod) == 5) {
    if (const uint16_t warning = JobMergeWarning(ctx)) {
      Warn(ctx, dialog, warning);
      Focus(ctx, dialog, kMergeNameEdit);
      return 1;
    }
  }
  return 0;
}

// ---- margins, user code, cover and mark --------------------------------------------------------------------
int32_t Margins(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                LPARAM lparam) {
  if (!item || !OwnCommand(item, message, wparam)) return 0;
  const uint16_t id = item->controlId;
  if (id != 2352 && id != 2355 && id != 2396 && id != 2605) return 0;
  if (UiGetNotifyCode(wparam) == EN_KILLFOCUS || UiGetNotifyCode(wparam) == EN_CHANGE) {
    CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
    UiRefreshPage(ctx, dialog, 1);
  }
  return 0;
}

int32_t UserCode(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam) {
  if (item || message != WM_COMMAND || LOWORD(wparam) != IDOK) return 0;
  return UiRunSubDialog(ctx, 4, kUserCodeConfirmDialog, dialog->window) == IDNO ? 1 : 0;
}

// ---- save preset (1032) -------------------------------------------------------------------------------------
int32_t SavePresetDialog(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam) {
  if (item) return 0;
  if (CtxGetChangeMask(ctx) & kChangePresetSavePending) {
    OptSetOptionById(ctx, setting::vdmPresetNo, kNoPresetOption);
    CtxClearChanged(ctx, kChangePresetSavePending);
  }
  if (message != WM_COMMAND || LOWORD(wparam) != IDOK) return 0;
  char16_t name[kPresetNameChars] = {};
  OptGetControlText(ctx, 2145, name);
  const int32_t current = PresetNumber(ctx);
  const bool chosen = current >= 0;
  const int32_t found = PresetFindByName(ctx, name, current);
  int32_t target = found;
  if (chosen) {
    if (found >= 0 && found != current) {
      Warn(ctx, dialog, 10052);
      Focus(ctx, dialog, kSaveNameEdit);
      return 1;
    }
    target = current;
  }
  const bool room = PresetGetCount(ctx) < kMaxPresets || found >= 0;
  const bool writable = target < 0 || PresetIsWritableByIndex(ctx, target);
  if (room && writable) {
    if (target > 0 && !chosen && Warn(ctx, dialog, 10032, MB_YESNO) == IDNO) {
      Focus(ctx, dialog, kSaveNameEdit);
      return 1;
    }
    OptSetOptionById(ctx, setting::vdmPresetNo, target < 0 ? kNoPresetOption : target + kFirstPresetOption);
    return 0;
  }
  Warn(ctx, dialog, room ? 10024 : 10049);
  Focus(ctx, dialog, kSaveNameEdit);
  return 1;
}

// ---- tray information ------------------------------------------------------------------------------------
// The name of the option that the tray setting's value maps to through the
// setting of the options dialog's control.
std::u16string TrayOptionName(DriverContext* ctx, DialogRecord* options, uint16_t control, uint32_t setting_id) {
  DialogItemRecord* combo = CtxFindControl(ctx, options, control);
  if (!combo || !combo->setting) return {};
  const int32_t option = OptValueToOption(ctx, combo->setting, OptGetValueById(ctx, setting_id));
  return option > 0 ? CtlOptionName(ctx, uint32_t(option)) : std::u16string();
}

LONG TextWidth(HDC dc, const std::u16string& text) {
  SIZE size{};
  if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), INT(text.size()), &size);
  return size.cx;
}

}  // namespace

int32_t DlgPaintTrayInfo(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         int32_t tray) {
  HWND window = CtlWindowOf(dialog, item);
  if (!ctx || !window) return 0;
  if (message == WM_ERASEBKGND) {
    InvalidateRect(window, nullptr, FALSE);
    return 0;
  }
  if (message != WM_PAINT) return 0;
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  if (!dc) return 0;
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old_font = dialog && dialog->window
                         ? SelectObject(dc, HGDIOBJ(SendMessageW(dialog->window, WM_GETFONT, 0, 0)))
                         : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(window) ? COLOR_MENUTEXT : COLOR_GRAYTEXT));
  SIZE one{};
  GetTextExtentPoint32W(dc, u"0", 1, &one);
  const LONG text_height = one.cy;
  constexpr UINT kLine = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT;

  char16_t label[kCtlNameChars + 1] = {};
  GetWindowTextW(window, label, kCtlNameChars + 1);
  RECT part = client;
  DrawTextW(dc, label, -1, &part, kLine);
  LONG left = client.left + TextWidth(dc, label);

  DialogRecord* options = CtxFindDialog(ctx, 1011);
  const bool has_paper = options && CtxFindControl(ctx, options, 2168);
  const bool has_media = options && CtxFindControl(ctx, options, 2170);
  std::u16string media;
  if (has_paper) {
    if (has_media) media = u"/" + TrayOptionName(ctx, options, 2170, setting::vdmTray1Media + uint32_t(tray));
    // The media part and the icon keep their room at the right; the paper
    // name gives way with an ellipsis.
    const LONG reserved = client.right - TextWidth(dc, media) - text_height;
    const std::u16string paper = TrayOptionName(ctx, options, 2168, setting::vdmTray1Paper + uint32_t(tray));
    RECT paper_rect{left, client.top, std::max(left, reserved), client.bottom};
    DrawTextW(dc, paper.c_str(), -1, &paper_rect, kLine | DT_END_ELLIPSIS);
    left = std::min(left + TextWidth(dc, paper), std::max(left, reserved));
  }
  const bool turned = OptGetValueById(ctx, setting::vdmTrayOrient0 + uint32_t(tray)) != 0;
  uint32_t icon = turned ? 6193 : 6194;
  if (ctx->model && ctx->model->machineId == 128) icon = turned ? 6194 : 6193;
  CtlGetServices().drawIcon(ctx, window, dc, left, client.top + (client.bottom - client.top - text_height) / 2, icon);
  left += text_height;
  if (has_media) {
    RECT media_rect{left, client.top, client.right, client.bottom};
    DrawTextW(dc, media.c_str(), -1, &media_rect, kLine);
  }
  if (old_font) SelectObject(dc, old_font);
  EndPaint(window, &paint);
  return 0;
}

int32_t DlgSpecialHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work) return 0;
  PageHook(ctx, dialog, item, message);
  if (!dialog) {
    auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
    if (message != WM_MEASUREITEM || !measure || measure->CtlID != kUserQualityList) return 0;
    measure->itemHeight *= 2;
    return 1;
  }
  if (item && IsPresetNameCombo(item->controlId)) return PresetNameCombo(ctx, dialog, item, message, wparam);
  if (item && IsPresetNameEdit(item->controlId)) {
    if (!OwnCommand(item, message, wparam) || UiGetNotifyCode(wparam) != EN_KILLFOCUS) return 0;
    CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
    DlgReinitPresetLists(ctx);
    return 1;
  }
  if (item && IsMaintenanceButton(item->controlId))
    return OwnCommand(item, message, wparam) ? MaintenanceButton(ctx, dialog, item, wparam, lparam) : 0;

  switch (dialog->dialogId) {
    case 4004: case 1009:
      return DlgTrueTypeHandler(ctx, dialog, item, message, wparam, lparam);
    case 1001:
      return PresetsPage(ctx, dialog, item, message, wparam, lparam);
    case 1003: case 1022: case 1023: case 1037:
      return DlgStampHandler(ctx, dialog, item, message, wparam, lparam);
    case 1006:
      return DlgPrintQualityHandler(ctx, dialog, item, message, wparam, lparam);
    case 1007:
      return DlgMaintenanceHandler(ctx, dialog, item, message, wparam, lparam);
    case 1010:
      return InitialSettings(ctx, dialog, item, message, wparam);
    case 1011:
      return DlgOptionsHandler(ctx, dialog, item, message, wparam, lparam);
    case 1015:
      return PostProcessing(ctx, dialog, item, message, wparam, lparam);
    case 1017:
      return DlgFreeSizeHandler(ctx, dialog, item, message, wparam, lparam);
    case 1019:
      return PrintType(ctx, dialog, item, message, wparam, lparam);
    case 1024:
      return Margins(ctx, dialog, item, message, wparam, lparam);
    case 1027:
      return UserCode(ctx, dialog, item, message, wparam);
    case 1030: case 1031: {
      const int32_t tray = item ? TrayOf(kCoverTrays, item->controlId) : -1;
      return tray >= 0 ? DlgPaintTrayInfo(ctx, dialog, item, message, tray) : 0;
    }
    case 1032:
      return SavePresetDialog(ctx, dialog, item, message, wparam);
    case 1034:
      return DlgRemoteHandler(ctx, dialog, item, message, wparam, lparam);
    case 1035:
      return DlgAddressHandler(ctx, dialog, item, message, wparam, lparam);
    default:
      return 0;
  }
}
