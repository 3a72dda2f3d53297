// The user paper-size dialog: the list of the ten slots, the edits and spins
// of the current slot's name, width and length (millimetre and inch twins
// share their settings), and the button that puts the default slots back.
// The current slot lives in the context's work record, so two sheets in one
// process each keep their own.
#include <algorithm>

#include "ctl_internal.h"
#include "ui2k/dialog_handlers.h"
#include "velm/context.h"
#include "velm/presets.h"
#include "velm/resources.h"

namespace {

constexpr uint16_t kSlotList = 2364;
constexpr uint16_t kDefaultButton = 2227;
constexpr uint32_t kFirstSlotString = 109;
constexpr uint16_t kNumericEdits[] = {2220, 2224, 2392, 2394, 2398, 2400};
constexpr uint16_t kNameEdit = 2365;
constexpr uint16_t kSpins[] = {2221, 2225, 2393, 2395, 2399, 2401};

bool IsNumericEdit(uint16_t id) { return std::find(std::begin(kNumericEdits), std::end(kNumericEdits), id) != std::end(kNumericEdits); }
bool IsSpin(uint16_t id) { return std::find(std::begin(kSpins), std::end(kSpins), id) != std::end(kSpins); }

int32_t SlotCount(DriverContext* ctx) { return std::clamp(FreeSizeGetSlotCount(ctx), 0, 10); }

int32_t& CurrentSlot(DriverContext* ctx) {
  int32_t& slot = ctx->work->freeSizeSlot;
  if (slot < 0 || slot >= SlotCount(ctx)) slot = 0;
  return slot;
}

HWND SlotList(DialogRecord* dialog) { return dialog && dialog->window ? GetDlgItem(dialog->window, kSlotList) : nullptr; }

// What the edits hold goes into the current slot, and the list shows it.
void WriteBack(DriverContext* ctx, DialogRecord* dialog) {
  const int32_t slot = CurrentSlot(ctx);
  HWND list = SlotList(dialog);
  if (list) SendMessageW(list, LB_SETCURSEL, WPARAM(slot), 0);
  FreeSizeItemsToSlot(ctx, slot);
  if (list) InvalidateRect(list, nullptr, TRUE);
}

void Show(DriverContext* ctx, DialogRecord* dialog, int32_t slot) {
  CurrentSlot(ctx) = slot;
  FreeSizeSlotToItems(ctx, slot);
  if (HWND list = SlotList(dialog)) InvalidateRect(list, nullptr, TRUE);
}

// One entry per slot, its string id as data; slot 0 current.
int32_t FillList(DriverContext* ctx, DialogRecord* dialog, HWND list) {
  const int32_t count = SlotCount(ctx);
  if (SendMessageW(list, LB_GETCOUNT, 0, 0) == count) return 1;
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (int32_t n = 0; n < count; ++n) {
    const std::u16string name = CtlOptionName(ctx, kFirstSlotString + uint32_t(n));
    const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, LPARAM(name.c_str()));
    SendMessageW(list, LB_SETITEMDATA, WPARAM(at), LPARAM(kFirstSlotString + uint32_t(n)));
  }
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  Show(ctx, dialog, 0);
  return 1;
}

// The current slot's entry in the highlight colours, whatever the list's own
// selection; the text is the slot's name with its size.
int32_t DrawEntry(DriverContext* ctx, DialogItemRecord* item, const DRAWITEMSTRUCT* draw) {
  if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
  if (draw->itemData) {
    const bool disabled = item->disabled != 0 || (item->window && !IsWindowEnabled(item->window));
    const bool current = draw->itemData == ULONG_PTR(kFirstSlotString + uint32_t(CurrentSlot(ctx)));
    const INT back = disabled ? COLOR_BTNFACE : current ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    const INT fore = disabled ? COLOR_GRAYTEXT : current ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
    HBRUSH brush = CreateSolidBrush(GetSysColor(back));
    FillRect(draw->hDC, &draw->rcItem, brush);
    DeleteObject(brush);
    char16_t text[kCtlNameChars + 1] = {};
    ResLoadString(ctx, uint32_t(draw->itemData), text, kCtlNameChars + 1, 1);
    RECT r = draw->rcItem;
    SetBkMode(draw->hDC, TRANSPARENT);
    SetTextColor(draw->hDC, GetSysColor(fore));
    DrawTextW(draw->hDC, text, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (draw->itemAction == ODA_FOCUS || (draw->itemState & ODS_FOCUS)) DrawFocusRect(draw->hDC, &draw->rcItem);
  return 1;
}

int32_t ListCommand(DriverContext* ctx, DialogRecord* dialog, HWND list, WORD code) {
  switch (code) {
    case LBN_SELCHANGE: {
      const LRESULT sel = list ? SendMessageW(list, LB_GETCURSEL, 0, 0) : -1;
      if (sel >= 0 && sel < SlotCount(ctx)) {
        Show(ctx, dialog, int32_t(sel));
        CtlGetServices().refreshPage(ctx, dialog);
      }
      return 1;
    }
    case LBN_SETFOCUS:
      // The entry of the current slot is selected again; a press and a
      // release at the dialog's origin, where no control lies, let the page
      // end what a press elsewhere had begun (a tip, a pressed button).
      if (list) SendMessageW(list, LB_SETCURSEL, WPARAM(CurrentSlot(ctx)), 0);
      if (dialog && dialog->window) {
        SendMessageW(dialog->window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        SendMessageW(dialog->window, WM_LBUTTONUP, 0, 0);
      }
      return 1;
    case LBN_KILLFOCUS:
      return 1;
    default:
      return 0;
  }
}

// Enter in a number edit: the focus goes to OK first, and what that brings
// about (the edit's own check and clamp as it loses the focus, the slot
// written back) is dispatched before the dialog acts on the key.
void SettleBeforeEnter(DialogRecord* dialog, LPARAM lparam) {
  const MSG* msg = reinterpret_cast<const MSG*>(lparam);
  if (!msg || msg->message != WM_KEYDOWN || msg->wParam != VK_RETURN || !dialog || !dialog->window) return;
  if (HWND ok = GetDlgItem(dialog->window, IDOK)) SetFocus(ok);
  MSG pending{};
  while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&pending);
    DispatchMessageW(&pending);
  }
}

}  // namespace

int32_t DlgFreeSizeHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam) {
  if (!ctx || !ctx->work || !item) return 0;
  const uint16_t id = item->controlId;
  if (message == WM_GETDLGCODE && IsNumericEdit(id)) SettleBeforeEnter(dialog, lparam);
  const bool own_command = message == WM_COMMAND && LOWORD(wparam) == id;

  if (IsNumericEdit(id) || id == kNameEdit) {
    if (!own_command || (UiGetNotifyCode(wparam) != EN_KILLFOCUS && UiGetNotifyCode(wparam) != EN_CHANGE)) return 0;
    CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
    WriteBack(ctx, dialog);
    return 1;
  }
  if (IsSpin(id)) {
    if (message != WM_VSCROLL || !lparam || reinterpret_cast<HWND>(lparam) != CtlWindowOf(dialog, item)) return 0;
    CtlDispatchMessage(ctx, dialog, item, message, wparam, lparam);
    WriteBack(ctx, dialog);
    return 1;
  }
  if (id == kDefaultButton) {
    if (!own_command) return 0;
    CtlDispatchCommand(ctx, dialog, item, wparam, lparam);
    FreeSizeReadDefaults(ctx);
    if (HWND list = SlotList(dialog)) SendMessageW(list, LB_SETCURSEL, 0, 0);
    Show(ctx, dialog, 0);
    CtlGetServices().refreshPage(ctx, dialog);
    return 1;
  }
  if (id == kSlotList) {
    HWND list = CtlWindowOf(dialog, item);
    switch (message) {
      case WM_INITDIALOG:
        return list ? FillList(ctx, dialog, list) : 0;
      case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        return draw && draw->CtlID == id ? DrawEntry(ctx, item, draw) : 0;
      }
      case WM_COMMAND:
        return own_command ? ListCommand(ctx, dialog, list, UiGetNotifyCode(wparam)) : 0;
      default:
        return 0;
    }
  }
  return 0;
}
