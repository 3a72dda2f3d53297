// The stamp (watermark) list of the edit page (1003) and the dialogs that
// make or edit one stamp: text (1022), image (1023) and overlay (1037). The
// list itself lives in the driver ini; the combo of the edit page shows it,
// one entry per stamp, each entry's data its own index.
#include <cstring>
#include <string>
#include <vector>

#include "ctl_internal.h"
#include "ui2k/dialog_handlers.h"
#include "velm/messages.h"
#include "velm/names.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"

namespace {

constexpr uint16_t kEditPage = 1003, kTextDialog = 1022, kImageDialog = 1023, kOverlayDialog = 1037;
constexpr uint16_t kStampCheck = 2088, kStampCombo = 2089, kEditButton = 2090, kNewText = 2091, kNewImage = 2092;
constexpr uint16_t kDeleteButton = 2406, kOverlayButton = 2407;
constexpr uint16_t kFontCombo = 2314, kTextDefault = 2330;
constexpr uint16_t kTextName = 2310, kImageName = 2339, kOverlayName = 2584;
constexpr uint16_t kTextEdit = 2312, kImageFile = 2341, kOverlayFile = 2586;

// The pending-refresh marks that carry an instruction into the next dialog,
// with a control id or a string id in the low 16 bits.
constexpr uint32_t kMarkApplyControl = 0x20000000u;
constexpr uint32_t kMarkTitle = 0x2000000u;
constexpr uint32_t kMarkLowWord = 0xFFFFu;

constexpr int32_t kBuiltInStamps = 5;
constexpr uint32_t kBuiltInWarning = 10041, kDeleteQuestion = 10063, kDeleteOverlayQuestion = 10029;

// One kind of stamp: its dialog, the page's button that makes one, the
// dialog's default button, its name edit and the title of its edit.
struct StampKind {
  int32_t kind;
  uint16_t dialog, newButton, defaultButton, nameEdit;
  uint32_t editTitle;
};
constexpr StampKind kKinds[] = {
    {1, kTextDialog, kNewText, kTextDefault, kTextName, 4749},
    {2, kImageDialog, kNewImage, 2347, kImageName, 4750},
    {3, kOverlayDialog, kOverlayButton, 2581, kOverlayName, 4751},
};

const StampKind* KindByNumber(int32_t kind) {
  for (const StampKind& k : kKinds)
    if (k.kind == kind) return &k;
  return nullptr;
}
const StampKind* KindByButton(uint16_t button) {
  for (const StampKind& k : kKinds)
    if (k.newButton == button) return &k;
  return nullptr;
}
const StampKind* KindByDialog(uint16_t dialog) {
  for (const StampKind& k : kKinds)
    if (k.dialog == dialog) return &k;
  return nullptr;
}

bool OwnCommand(const DialogItemRecord* item, UINT message, WPARAM wparam) {
  return message == WM_COMMAND && LOWORD(wparam) == item->controlId;
}

// The text setting of a control (of any dialog), or empty. The longest text
// setting of a stamp is 522 characters.
std::u16string ControlText(DriverContext* ctx, uint16_t control) {
  std::vector<char16_t> text(2048, 0);
  if (!OptGetControlText(ctx, control, text.data())) return {};
  return text.data();
}

std::u16string SettingText(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return {};
  std::vector<char16_t> text(DescSize(row->descriptor) + 8, 0);
  OptGetText(ctx, row, text.data());
  return text.data();
}

// The name a stamp is listed under, by its kind.
std::u16string StampName(DriverContext* ctx) {
  const StampKind* k = KindByNumber(OptGetValueById(ctx, setting::vdmWmKind));
  return k ? ControlText(ctx, k->nameEdit) : std::u16string(u"read error");
}

std::u16string ComboText(HWND combo, LRESULT index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
  if (length < 0) return {};
  std::u16string text(size_t(length) + 1, u'\0');
  SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

LRESULT AddEntry(HWND combo, const std::u16string& text) {
  const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), at);
  return at;
}

// Every entry's data becomes its index again.
void Renumber(HWND combo) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) SendMessageW(combo, CB_SETITEMDATA, WPARAM(i), i);
}

void MarkNextDialog(DriverContext* ctx, uint32_t mark, uint32_t low) {
  CtxClearChanged(ctx, kMarkLowWord);
  CtxMarkChanged(ctx, mark | (low & kMarkLowWord));
}

void ClearMark(DriverContext* ctx, uint32_t mark) { CtxClearChanged(ctx, mark | kMarkLowWord); }

// ---- the font combo of the text-stamp dialog ----------------------------------------------

const char16_t* DefaultStampFont(DriverContext* ctx) {
  return ResIsJapanese(ctx) ? u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF" : u"Arial";
}

LRESULT FindExact(HWND combo, const std::u16string& text) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    if (ComboText(combo, i) == text) return i;
  return -1;
}

// Selects the entry of the wanted face, else the default stamp font's, else
// entry 0, and stores the face selected as the stamp's font.
void SelectStampFont(DriverContext* ctx, DialogItemRecord* item, HWND combo, const std::u16string& wanted) {
  LRESULT at = FindExact(combo, wanted);
  if (at < 0) at = FindExact(combo, DefaultStampFont(ctx));
  if (at < 0 && SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) at = 0;
  if (at < 0) return;
  SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
  OptSetControlOption(ctx, item, int32_t(at));
  OptSetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), ComboText(combo, at).c_str());
}

int32_t FontComboEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                       WPARAM wparam) {
  HWND combo = CtlWindowOf(dialog, item);
  if (!combo) return 0;
  if (message == WM_INITDIALOG) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    DlgFontEnumData data{ctx, item, combo};
    DlgEnumMachineFonts(&data);
    SelectStampFont(ctx, item, combo, SettingText(ctx, setting::vdmWmFontName));
    CtlDispatchRefresh(ctx, dialog, item);
    return 1;
  }
  if (!OwnCommand(item, message, wparam) || UiGetNotifyCode(wparam) != CBN_SELCHANGE) return 0;
  const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (at >= 0) {
    OptSetControlOption(ctx, item, int32_t(at));
    OptSetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), ComboText(combo, at).c_str());
  }
  return 1;
}

int32_t TextDefaultEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam, LPARAM lparam) {
  if (!OwnCommand(item, message, wparam)) return 0;
  CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
  DialogItemRecord* font = CtxFindControl(ctx, dialog, kFontCombo);
  if (HWND combo = CtlWindowOf(dialog, font)) SelectStampFont(ctx, font, combo, DefaultStampFont(ctx));
  else OptSetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), DefaultStampFont(ctx));
  return 1;
}

// ---- the stamp dialogs as they start -------------------------------------------------------

void StartStampDialog(DriverContext* ctx, DialogRecord* dialog) {
  const uint32_t mask = CtxGetChangeMask(ctx);
  if (mask & kMarkApplyControl) {
    ClearMark(ctx, kMarkApplyControl);
    // A new stamp starts from the defaults of its dialog.
    if (DialogItemRecord* button = CtxFindControl(ctx, dialog, uint16_t(mask & kMarkLowWord)))
      CtlGetServices().applyTransact(ctx, dialog, button);
    for (uint16_t id : {kTextName, kImageName, kOverlayName, kTextEdit, kImageFile, kOverlayFile})
      OptSetControlText(ctx, id, u"");
    LOGFONTW font{};
    HFONT handle = dialog->window ? reinterpret_cast<HFONT>(SendMessageW(dialog->window, WM_GETFONT, 0, 0)) : nullptr;
    if (handle && GetObjectW(handle, sizeof font, &font) > 0) {
      font.lfFaceName[LF_FACESIZE - 1] = 0;
      OptSetText(ctx, OptFindSetting(ctx, setting::vdmWmFontName), font.lfFaceName);
    }
  }
  if (mask & kMarkTitle) {
    ClearMark(ctx, kMarkTitle);
    char16_t title[256] = {};
    if (ResLoadString(ctx, mask & kMarkLowWord, title, 256, 0) > 0 && dialog->window)
      SetWindowTextW(dialog->window, title);
  }
  if (const StampKind* k = KindByDialog(dialog->dialogId)) OptSetValueById(ctx, setting::vdmWmKind, k->kind);
}

// ---- the edit page ---------------------------------------------------------------------------

struct EditPage {
  DialogItemRecord* comboItem;
  HWND combo;
};

EditPage PageOf(DriverContext* ctx, DialogRecord* dialog) {
  DialogItemRecord* item = CtxFindControl(ctx, dialog, kStampCombo);
  return {item, CtlWindowOf(dialog, item)};
}

void InvalidateButtons(DialogRecord* dialog) {
  for (uint16_t id : {kEditButton, kNewText, kNewImage, kOverlayButton})
    if (HWND b = dialog->window ? GetDlgItem(dialog->window, id) : nullptr) InvalidateRect(b, nullptr, TRUE);
}

int32_t CheckEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                   LPARAM lparam) {
  HWND box = CtlWindowOf(dialog, item);
  if (!OwnCommand(item, message, wparam) || !box) return 0;
  const bool checked = SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const int32_t option = OptGetControlOption(ctx, item);
  if (checked == (option != 0)) return 0;
  CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
  if (SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) {
    EditPage page = PageOf(ctx, dialog);
    const LRESULT sel = page.combo ? SendMessageW(page.combo, CB_GETCURSEL, 0, 0) : -1;
    if (sel >= 0) {
      const int32_t n = int32_t(SendMessageW(page.combo, CB_GETITEMDATA, WPARAM(sel), 0));
      StampSelect(ctx, n);
      OptSetControlOption(ctx, page.comboItem, n);
    }
  }
  return 1;
}

int32_t ComboEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam) {
  HWND combo = CtlWindowOf(dialog, item);
  if (!combo) return 0;
  if (message == WM_INITDIALOG) {
    if (SendMessageW(combo, CB_GETCOUNT, 0, 0) == 0) {
      DmPushSettings(ctx);
      for (int32_t i = 0, count = StampGetCount(ctx); i < count; ++i) {
        StampSelect(ctx, i);
        OptSetControlOption(ctx, item, i);
        AddEntry(combo, StampName(ctx));
      }
      DmPopSettings(ctx, 1);
      CtlSelectEntryByData(combo, true, OptGetControlOption(ctx, item), true);
    }
    return 1;
  }
  if (!OwnCommand(item, message, wparam) || UiGetNotifyCode(wparam) != CBN_SELCHANGE) return 0;
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel >= 0) {
    const int32_t n = int32_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(sel), 0));
    StampSelect(ctx, n);
    OptSetControlOption(ctx, item, n);
  }
  return 1;
}

// New (2091, 2092, 2407) and edit (2090): the stamp's dialog over the page;
// after OK the stamp is saved as the selected entry.
int32_t OpenStampEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                       WPARAM wparam) {
  if (!OwnCommand(item, message, wparam)) return 0;
  EditPage page = PageOf(ctx, dialog);
  if (!page.combo) return 0;
  const StampKind* made = KindByButton(item->controlId);
  const LRESULT before = SendMessageW(page.combo, CB_GETCURSEL, 0, 0);
  bool ok = false;
  if (made) {
    MarkNextDialog(ctx, kMarkApplyControl, made->defaultButton);
    ok = UiRunSubDialog(ctx, 4, made->dialog, dialog->window) == IDOK;
    ClearMark(ctx, kMarkApplyControl);
    if (ok) {
      OptSetValueById(ctx, setting::vdmWmKind, made->kind);
      const LRESULT at = AddEntry(page.combo, ControlText(ctx, made->nameEdit));
      SendMessageW(page.combo, CB_SETCURSEL, WPARAM(at), 0);
    }
  } else if (SendMessageW(page.combo, CB_GETCOUNT, 0, 0) > 0) {
    if (const StampKind* edited = KindByNumber(OptGetValueById(ctx, setting::vdmWmKind))) {
      MarkNextDialog(ctx, kMarkTitle, edited->editTitle);
      ok = UiRunSubDialog(ctx, 4, edited->dialog, dialog->window) == IDOK;
      ClearMark(ctx, kMarkTitle);
      const LRESULT sel = SendMessageW(page.combo, CB_GETCURSEL, 0, 0);
      if (ok && sel >= 0) {
        const std::u16string name = ControlText(ctx, edited->nameEdit);
        SendMessageW(page.combo, CB_DELETESTRING, WPARAM(sel), 0);
        SendMessageW(page.combo, CB_INSERTSTRING, WPARAM(sel), reinterpret_cast<LPARAM>(name.c_str()));
        SendMessageW(page.combo, CB_SETCURSEL, WPARAM(sel), 0);
      }
    }
  }
  const LRESULT n = SendMessageW(page.combo, CB_GETCURSEL, 0, 0);
  if (ok && n >= 0) {
    OptSetControlOption(ctx, page.comboItem, int32_t(n));
    if (!StampSave(ctx, int32_t(n)) && made) {
      // The list took no more: the new entry goes again.
      SendMessageW(page.combo, CB_DELETESTRING, WPARAM(n), 0);
      SendMessageW(page.combo, CB_SETCURSEL, WPARAM(before), 0);
      if (before >= 0) StampSelect(ctx, int32_t(before));
    }
    Renumber(page.combo);
  }
  InvalidateButtons(dialog);
  return 1;
}

bool OverlayButtonHidden(DriverContext* ctx, DialogRecord* dialog) {
  DialogItemRecord* overlay = CtxFindControl(ctx, dialog, kOverlayButton);
  if (!overlay) return true;
  if (overlay->hidden) return true;
  // The button's own state: the page itself may not be shown yet.
  HWND w = CtlWindowOf(dialog, overlay);
  return !w || !(GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE);
}

int32_t DeleteEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                    WPARAM wparam) {
  if (!OwnCommand(item, message, wparam)) return 0;
  EditPage page = PageOf(ctx, dialog);
  const LRESULT n = page.combo ? SendMessageW(page.combo, CB_GETCURSEL, 0, 0) : -1;
  if (n < 0) return 1;
  if (n < kBuiltInStamps) {
    UiMessageBoxId(ctx, dialog->window, kBuiltInWarning);
    return 1;
  }
  const uint32_t question = OverlayButtonHidden(ctx, dialog) ? kDeleteQuestion : kDeleteOverlayQuestion;
  if (UiMessageBoxIdOkCancel(ctx, dialog->window, question) != IDOK) return 1;
  SendMessageW(page.combo, CB_DELETESTRING, WPARAM(n), 0);
  StampDelete(ctx, int32_t(n));
  Renumber(page.combo);
  int32_t current = OptGetControlOption(ctx, page.comboItem);
  if (current < 0 || current >= int32_t(SendMessageW(page.combo, CB_GETCOUNT, 0, 0))) current = 0;
  StampSelect(ctx, current);
  OptSetControlOption(ctx, page.comboItem, current);
  SendMessageW(page.combo, CB_SETCURSEL, WPARAM(current), 0);
  InvalidateRect(page.combo, nullptr, TRUE);
  DialogItemRecord* check = CtxFindControl(ctx, dialog, kStampCheck);
  if (check && (check->setting || check->symbol)) OptSetControlOption(ctx, check, 0);
  else OptSetValueById(ctx, setting::vdmFuncSelectWaterMark, 0);
  return 1;
}

}  // namespace

int32_t DlgStampHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                        WPARAM wparam, LPARAM lparam) {
  if (!ctx || !dialog) return 0;
  if (!item) {
    if (message == WM_INITDIALOG && (dialog->dialogId == kEditPage || KindByDialog(dialog->dialogId)))
      StartStampDialog(ctx, dialog);
    return 0;
  }
  switch (item->controlId) {
    case kStampCheck:
      return CheckEvent(ctx, dialog, item, message, wparam, lparam);
    case kStampCombo:
      return ComboEvent(ctx, dialog, item, message, wparam);
    case kNewText: case kNewImage: case kOverlayButton: case kEditButton:
      return OpenStampEvent(ctx, dialog, item, message, wparam);
    case kDeleteButton:
      return DeleteEvent(ctx, dialog, item, message, wparam);
    case kFontCombo:
      return FontComboEvent(ctx, dialog, item, message, wparam);
    case kTextDefault:
      return TextDefaultEvent(ctx, dialog, item, message, wparam, lparam);
    default:
      return 0;
  }
}
