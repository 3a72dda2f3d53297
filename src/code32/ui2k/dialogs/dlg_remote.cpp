// The remote destination dialog (1034) and the address-list dialog (1035):
// a destination typed in or picked from the address book, and the book's
// upkeep (velm/address_list.h). The current address is the work record's
// index among the book's named entries, -1 for none.
#include <cstring>
#include <string>

#include "ctl_internal.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "ui/commctrl.h"
#include "ui2k/dialog_handlers.h"
#include "velm/address_list.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"

namespace {

// Remote destination.
constexpr uint16_t kPickFromList = 2482;
constexpr uint16_t kAddressCombo = 2484;
constexpr uint16_t kRemoteLineCombo = 2485;
constexpr uint16_t kRemoteNumber = 2486;
constexpr uint16_t kAddressListButton = 2487;
// Address list.
constexpr uint16_t kAddressListView = 2490;
constexpr uint16_t kNameEdit = 2494;
constexpr uint16_t kNumberEdit = 2489;
constexpr uint16_t kLineCombo = 2491;
constexpr uint16_t kAddButton = 2499;
constexpr uint16_t kWriteButton = 2500;
constexpr uint16_t kDeleteButton = 2501;
constexpr uint32_t kFirstColumnString = 336;  // name, telephone number, line
// Room for a text setting of these dialogs (the longest holds 65 characters).
constexpr size_t kTextChars = 80;

HWND WindowOf(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id) {
  DialogItemRecord* item = CtxFindControl(ctx, dialog, control_id);
  if (item) return CtlWindowOf(dialog, item);
  return dialog && dialog->window ? GetDlgItem(dialog->window, control_id) : nullptr;
}

void Focus(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id) {
  if (HWND w = WindowOf(ctx, dialog, control_id)) SetFocus(w);
}

std::u16string ControlText(DriverContext* ctx, uint16_t control_id) {
  char16_t buffer[kTextChars] = {};
  if (!OptGetControlText(ctx, control_id, buffer)) return {};
  return buffer;
}

// The stored index: a 16-bit setting in which -1 (none) reads as 65535.
int32_t StoredIndex(DriverContext* ctx) { return int16_t(OptGetValueById(ctx, setting::vdmAddrListSelectNo)); }

bool IsListMode(DriverContext* ctx) { return OptGetOptionById(ctx, setting::vdmAddressType) == kPickFromList; }

// The current index brought within the named entries: none gives -1, an
// index past the end the last entry, and -1 the first.
int32_t ClampIndex(int32_t index, int32_t named) {
  if (named == 0) return -1;
  if (index >= named) return named - 1;
  return index < 0 ? 0 : index;
}

// The current address's number and line into the remote dialog's fields.
void ShowCurrentAddress(DriverContext* ctx, DialogRecord* dialog) {
  const CsvRecord* r = DlgCurrentAddress(ctx);
  if (!r) return;
  OptSetControlText(ctx, kRemoteNumber, r->telNo);
  if (HWND edit = WindowOf(ctx, dialog, kRemoteNumber)) SetWindowTextW(edit, r->telNo);
  DlgSelectLineByText(ctx, dialog, kRemoteLineCombo, r->line);
}

bool IsCommandOf(const DialogItemRecord* item, UINT message, WPARAM wparam, uint16_t control_id, WORD code) {
  return message == WM_COMMAND && item->controlId == control_id && LOWORD(wparam) == control_id &&
         UiGetNotifyCode(wparam) == code;
}

// ---- the remote dialog's address combo -------------------------------------------------
void FillAddressCombo(DriverContext* ctx, HWND combo) {
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  CsvList* list = CsvGetList(ctx);
  for (int32_t i = 0; i < CsvNamedCount(list); ++i)
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(CsvNamedRecord(list, i)->name));
  SendMessageW(combo, CB_SETCURSEL, WPARAM(ctx->work->addressIndex), 0);
}

// True when the combo lists the book's names in order with the current
// address selected.
bool ComboShowsBook(DriverContext* ctx, HWND combo) {
  CsvList* list = CsvGetList(ctx);
  const int32_t named = CsvNamedCount(list);
  if (SendMessageW(combo, CB_GETCOUNT, 0, 0) != named) return false;
  if (SendMessageW(combo, CB_GETCURSEL, 0, 0) != ctx->work->addressIndex) return false;
  for (int32_t i = 0; i < named; ++i) {
    char16_t entry[kCsvNameChars] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) >= LRESULT(kCsvNameChars)) return false;
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(entry));
    if (plat::WCmp(entry, CsvNamedRecord(list, i)->name) != 0) return false;
  }
  return true;
}

// ---- the address list view ------------------------------------------------------------
void FillListView(DriverContext* ctx, HWND view) {
  CsvList* list = CsvGetList(ctx);
  const int32_t current = ctx->work->addressIndex;
  for (int32_t i = 0; i < CsvNamedCount(list); ++i) {
    CsvRecord* r = CsvNamedRecord(list, i);
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    row.iItem = i;
    row.pszText = r->name;
    row.lParam = LPARAM(r->number);
    if (i == current) row.state = row.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(view, LVM_INSERTITEMW, 0, LPARAM(&row));
  }
}

void RebuildListView(DriverContext* ctx, DialogRecord* dialog) {
  HWND view = WindowOf(ctx, dialog, kAddressListView);
  if (!view) return;
  SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
  FillListView(ctx, view);
}

void DrawRow(DriverContext* ctx, HWND view, const DRAWITEMSTRUCT& draw) {
  const CsvRecord* r = CsvRecordByNumber(CsvGetList(ctx), uint16_t(draw.itemData));
  if (!r) return;
  INT back = COLOR_WINDOW, text = COLOR_MENUTEXT;
  if (!IsWindowEnabled(view)) {
    back = COLOR_BTNFACE;
    text = COLOR_GRAYTEXT;
  } else if (draw.itemState & ODS_SELECTED) {
    back = COLOR_HIGHLIGHT;
    text = COLOR_HIGHLIGHTTEXT;
  }
  FillRect(draw.hDC, &draw.rcItem, GetSysColorBrush(back));
  SetTextColor(draw.hDC, GetSysColor(text));
  SetBkMode(draw.hDC, TRANSPARENT);
  const char16_t* columns[3] = {r->name, r->telNo, r->line};
  RECT cell = draw.rcItem;
  for (int i = 0; i < 3; ++i) {
    const LRESULT width = SendMessageW(view, LVM_GETCOLUMNWIDTH, WPARAM(i), 0);
    cell.right = cell.left + LONG(width);
    RECT inner = cell;
    inner.left += 2;
    DrawTextW(draw.hDC, columns[i], -1, &inner, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    cell.left = cell.right;
  }
}

// A change of the list written to the file. When the write fails the list
// is read back from the file, so that it shows what the file holds, and the
// person is told.
bool SaveOrReload(DriverContext* ctx, DialogRecord* dialog) {
  if (CsvSaveList(ctx)) return true;
  CsvLoadList(ctx);
  ctx->work->addressIndex = ClampIndex(ctx->work->addressIndex, CsvNamedCount(CsvGetList(ctx)));
  MessageBoxW(dialog ? dialog->window : nullptr,
              u"The address list could not be written, so the change was not kept. The file VELMADDR.CSV in the "
              u"printer driver's data folder may be in use or damaged.",
              ctx->work->printerName, MB_ICONWARNING | MB_OK);
  RebuildListView(ctx, dialog);
  return false;
}

// Name, number and line of the address dialog's fields into a record.
void FillRecord(DriverContext* ctx, DialogRecord* dialog, CsvRecord* r) {
  plat::WCopy(r->name, kCsvNameChars, ControlText(ctx, kNameEdit).substr(0, kCsvNameChars - 1).c_str());
  plat::WCopy(r->telNo, kCsvTelNoChars, ControlText(ctx, kNumberEdit).substr(0, kCsvTelNoChars - 1).c_str());
  // The line's name as the combo shows it, cut to the field.
  char16_t line[kCtlNameChars + 1] = {};
  HWND combo = WindowOf(ctx, dialog, kLineCombo);
  const LRESULT selected = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : -1;
  if (selected >= 0 && SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(selected), 0) <= kCtlNameChars)
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(selected), LPARAM(line));
  line[kCsvLineChars - 1] = 0;
  plat::WCopy(r->line, kCsvLineChars, line);
}

int32_t AddressInit(DriverContext* ctx, DialogRecord* dialog) {
  // The list belongs to the remote dialog's session; a dialog opened on its
  // own reads it here.
  if (!CsvGetList(ctx)) {
    if (!CsvLoadList(ctx)) return 0;
    ctx->work->addressIndex =
        ClampIndex(StoredIndex(ctx), CsvNamedCount(CsvGetList(ctx)));
  }
  if (HWND view = WindowOf(ctx, dialog, kAddressListView)) {
    RECT client{};
    GetClientRect(view, &client);
    const INT width = (client.right - client.left) / 3;
    for (int i = 0; i < 3; ++i) {
      char16_t caption[64] = {};
      ResLoadString(ctx, kFirstColumnString + uint32_t(i), caption, 64, 0);
      LVCOLUMNW column{};
      column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
      column.fmt = LVCFMT_LEFT;
      column.cx = width;
      column.pszText = caption;
      column.iSubItem = i;
      SendMessageW(view, LVM_INSERTCOLUMNW, WPARAM(i), LPARAM(&column));
    }
  }
  OptSetControlText(ctx, kNameEdit, u"");
  OptSetControlText(ctx, kNumberEdit, u"");
  DlgSelectLineByText(ctx, dialog, kLineCombo, u"");
  return 0;
}

int32_t AddressListViewEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                             LPARAM lparam) {
  HWND view = CtlWindowOf(dialog, item);
  switch (message) {
    case WM_INITDIALOG:
      if (!view || SendMessageW(view, LVM_GETITEMCOUNT, 0, 0) != 0) return 0;
      FillListView(ctx, view);
      return 1;
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (!draw || draw->CtlID != kAddressListView || !view) return 0;
      if (draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) DrawRow(ctx, view, *draw);
      if ((draw->itemAction & ODA_FOCUS) || (draw->itemState & ODS_FOCUS)) DrawFocusRect(draw->hDC, &draw->rcItem);
      return 1;
    }
    case WM_NOTIFY: {
      const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
      if (!change || change->hdr.idFrom != kAddressListView || change->hdr.code != LVN_ITEMCHANGED) return 0;
      if (!(change->uNewState & LVIS_SELECTED) || (change->uOldState & LVIS_SELECTED)) return 1;
      CsvList* list = CsvGetList(ctx);
      const CsvRecord* r = CsvRecordByNumber(list, uint16_t(change->lParam));
      if (!r) return 1;
      OptSetControlText(ctx, kNameEdit, r->name);
      OptSetControlText(ctx, kNumberEdit, r->telNo);
      DlgSelectLineByText(ctx, dialog, kLineCombo, r->line);
      CtlGetServices().refreshPage(ctx, dialog);
      ctx->work->addressIndex = CsvNamedIndexOf(list, r);
      if (view) SendMessageW(view, LVM_ENSUREVISIBLE, WPARAM(change->iItem), FALSE);
      return 1;
    }
    default:
      return 0;
  }
}

void AddAddress(DriverContext* ctx, DialogRecord* dialog) {
  if (!DlgCheckAddressFields(ctx, dialog)) return;
  const int32_t position = ctx->work->addressIndex + 2;  // right after the current address
  CsvRecord* r = CsvNewEntry(ctx, position);
  if (!r) return;
  FillRecord(ctx, dialog, r);
  if (!SaveOrReload(ctx, dialog)) return;
  ctx->work->addressIndex = position - 1;
  RebuildListView(ctx, dialog);
}

void WriteAddress(DriverContext* ctx, DialogRecord* dialog) {
  if (!DlgCheckAddressFields(ctx, dialog)) return;
  CsvRecord* r = DlgCurrentAddress(ctx);
  if (!r) return;  // no address is chosen: there is nothing to write over
  FillRecord(ctx, dialog, r);
  if (!SaveOrReload(ctx, dialog)) return;
  RebuildListView(ctx, dialog);
}

void DeleteAddress(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  WorkRecord& w = *ctx->work;
  if (CsvNamedCount(CsvGetList(ctx)) == 0) return;
  if (CtlGetServices().runFeatureAlert(ctx, dialog, item) != 1) return;
  if (!CsvDeleteEntry(ctx, w.addressIndex + 1)) return;
  if (!SaveOrReload(ctx, dialog)) return;
  if (w.addressIndex > 0)
    --w.addressIndex;
  else
    w.addressIndex = CsvNamedCount(CsvGetList(ctx)) > 0 ? 0 : -1;
  RebuildListView(ctx, dialog);
}

}  // namespace

int32_t DlgIsValidName(const char16_t* text) {
  for (const char16_t* p = text; p && *p; ++p)
    if (*p == u',') return 0;
  return 1;
}

int32_t DlgIsValidTelNo(const char16_t* text) {
  for (const char16_t* p = text; p && *p; ++p) {
    const char16_t c = *p;
    const bool ok = (c >= u'0' && c <= u'9') || c == u'-' || c == u'#' || c == u'*' || c == u'/' || c == u'\uFF65';
    if (!ok) return 0;
  }
  return 1;
}

int32_t DlgCheckAddressFields(DriverContext* ctx, DialogRecord* dialog) {
  const std::u16string name = ControlText(ctx, kNameEdit);
  if (name.empty() || !DlgIsValidName(name.c_str())) {
    Focus(ctx, dialog, kNameEdit);
    return 0;
  }
  const std::u16string number = ControlText(ctx, kNumberEdit);
  if (number.empty() || !DlgIsValidTelNo(number.c_str())) {
    Focus(ctx, dialog, kNumberEdit);
    return 0;
  }
  return 1;
}

int32_t DlgCheckRemoteFields(DriverContext* ctx, DialogRecord* dialog) {
  const bool list_mode = IsListMode(ctx);
  bool ok = true;
  if (list_mode) {
    HWND combo = WindowOf(ctx, dialog, kAddressCombo);
    const LRESULT selected = combo ? SendMessageW(combo, CB_GETCURSEL, 0, 0) : -1;
    ok = selected >= 0 && SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(selected), 0) > 0;
  }
  const std::u16string number = ControlText(ctx, kRemoteNumber);
  ok = ok && !number.empty() && DlgIsValidTelNo(number.c_str());
  if (ok) return 1;
  Focus(ctx, dialog, list_mode ? kAddressCombo : kRemoteNumber);
  return 0;
}

void DlgSelectLineByText(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id, const char16_t* text) {
  DialogItemRecord* item = CtxFindControl(ctx, dialog, control_id);
  if (!item) return;
  HWND combo = CtlWindowOf(dialog, item);
  const LRESULT count = combo ? SendMessageW(combo, CB_GETCOUNT, 0, 0) : 0;
  auto find = [&](const char16_t* wanted) -> LRESULT {
    for (LRESULT i = 0; i < count; ++i) {
      char16_t entry[kCtlNameChars + 1] = {};
      if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) > kCtlNameChars) continue;
      SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(entry));
      if (plat::WCmp(entry, wanted) == 0) return i;
    }
    return -1;
  };
  LRESULT index = text && text[0] ? find(text) : -1;
  if (index >= 0) {
    SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
    OptSetControlOption(ctx, item, int32_t(SendMessageW(combo, CB_GETITEMDATA, WPARAM(index), 0)));
    return;
  }
  // The feature's default line, else the first entry.
  const int32_t fallback = MdfGetNodeDefault(ctx, UiItemModel(ctx, item));
  index = fallback ? find(CtlOptionName(ctx, uint32_t(fallback)).c_str()) : -1;
  if (combo) SendMessageW(combo, CB_SETCURSEL, WPARAM(index >= 0 ? index : 0), 0);
  OptSetControlOption(ctx, item, fallback);
}

CsvRecord* DlgCurrentAddress(DriverContext* ctx) {
  if (!ctx || !ctx->work || ctx->work->addressIndex < 0) return nullptr;
  return CsvNamedRecord(CsvGetList(ctx), ctx->work->addressIndex);
}

int32_t DlgRemoteHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam, LPARAM) {
  if (!ctx || !ctx->work || !dialog) return 0;
  if (!item) {
    if (message != WM_INITDIALOG) return 0;
    const int32_t loaded = CsvLoadList(ctx);
    CsvList* list = CsvGetList(ctx);
    // Without a list, or with a file that could not be read whole, the
    // address book cannot be kept up: its button stays off.
    if (!loaded || list->loadState > kCsvLoadMissing)
      if (HWND button = WindowOf(ctx, dialog, kAddressListButton)) EnableWindow(button, FALSE);
    ctx->work->addressIndex = ClampIndex(StoredIndex(ctx), CsvNamedCount(list));
    return 0;
  }
  if (item->controlId == kAddressCombo && message == WM_PAINT) {
    // Back from the address list, the combo shows the book as it is now.
    HWND combo = CtlWindowOf(dialog, item);
    if (combo && !ComboShowsBook(ctx, combo)) FillAddressCombo(ctx, combo);
    return 1;
  }
  if (item->controlId == kAddressCombo && message == WM_INITDIALOG) {
    if (HWND combo = CtlWindowOf(dialog, item)) FillAddressCombo(ctx, combo);
    if (IsListMode(ctx)) {
      if (!DlgCurrentAddress(ctx)) return 0;
      ShowCurrentAddress(ctx, dialog);
    } else if (HWND line = WindowOf(ctx, dialog, kRemoteLineCombo);
               line && SendMessageW(line, CB_GETCURSEL, 0, 0) < 0) {
      DlgSelectLineByText(ctx, dialog, kRemoteLineCombo, u"");
    }
    return 1;
  }
  if (IsCommandOf(item, message, wparam, kAddressCombo, CBN_SELCHANGE)) {
    HWND combo = CtlWindowOf(dialog, item);
    ctx->work->addressIndex = combo ? int32_t(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
    ShowCurrentAddress(ctx, dialog);
    return 1;
  }
  if (IsCommandOf(item, message, wparam, kPickFromList, BN_CLICKED)) {
    ShowCurrentAddress(ctx, dialog);
    return 0;  // the radio's own command follows
  }
  return 0;
}

int32_t DlgAddressHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work || !dialog) return 0;
  if (!item) return message == WM_INITDIALOG ? AddressInit(ctx, dialog) : 0;
  if (!CsvGetList(ctx)) return 0;
  if (item->controlId == kAddressListView) return AddressListViewEvent(ctx, dialog, item, message, lparam);
  if (IsCommandOf(item, message, wparam, kAddButton, BN_CLICKED)) {
    AddAddress(ctx, dialog);
    return 1;
  }
  if (IsCommandOf(item, message, wparam, kWriteButton, BN_CLICKED)) {
    WriteAddress(ctx, dialog);
    return 1;
  }
  if (IsCommandOf(item, message, wparam, kDeleteButton, BN_CLICKED)) {
    DeleteAddress(ctx, dialog, item);
    return 1;
  }
  return 0;
}
