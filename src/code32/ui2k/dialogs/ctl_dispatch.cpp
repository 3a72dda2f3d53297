// Dispatch of page events to the per-dialog special handler and then to the
// handler of the control's kind.
#include <cstring>

#include "ui2k/controls.h"
#include "velm/names.h"

namespace {

constexpr uint16_t kDrawnSliderKind = 84;
// The combo box's selection-changed code in the high word, no control id.
constexpr WPARAM kComboSelectionChanged = 0x10000;

const CtlKindRow* RowOf(const CtlDispatchTables& t, const DialogItemRecord* item) {
  return t.kinds ? CtlFindKindIn(*t.kinds, item->kind) : nullptr;
}

int32_t Special(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item,
                UINT message, WPARAM wparam, LPARAM lparam) {
  return t.special ? t.special(ctx, dialog, item, message, wparam, lparam) : 0;
}

// The page shows the new state at its next paint.
void RepaintLater(const DialogRecord* dialog) {
  if (dialog && dialog->window) PostMessageW(dialog->window, WM_PAINT, 0, 0);
}

}  // namespace

const CtlKindRow* CtlFindKindIn(const CtlKindTable& table, uint16_t kind) {
  for (int32_t i = 0; i < table.count; ++i)
    if (uint16_t(table.rows[i].kind) == kind) return &table.rows[i];
  return nullptr;
}

const CtlKindRow* CtlFindKind(uint16_t kind) { return CtlFindKindIn(CtlGetKindTable(), kind); }

const void* CtlGetExtraBlock(const DialogItemRecord* item, int16_t tag) {
  if (!item || !item->extraData) return nullptr;
  int16_t first;
  std::memcpy(&first, item->extraData, sizeof first);
  return first == tag ? item->extraData : nullptr;
}

int32_t CtlDispatchInitWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                            DialogItemRecord* item) {
  if (!item) return 0;
  // A control the dialog's own handler sets up keeps its own procedure.
  if (Special(t, ctx, dialog, item, WM_INITDIALOG, 0, 0) == 1) return 0;
  const CtlKindRow* row = RowOf(t, item);
  if (!row) return 0;
  // Subclass at most once: the item keeps the control's own procedure, and
  // the window's user data leads the subclass procedure back to the item.
  if (row->wndProc && !item->previousWndProc && item->window) {
    SetWindowLongPtrW(item->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(item));
    LONG_PTR previous =
        SetWindowLongPtrW(item->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(row->wndProc));
    item->previousWndProc = reinterpret_cast<void*>(previous);
  }
  return row->init ? row->init(ctx, dialog, item) : 0;
}

void CtlDispatchRefreshWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                            DialogItemRecord* item) {
  if (!item) return;
  if (Special(t, ctx, dialog, item, WM_PAINT, 0, 0) == 1) return;
  const CtlKindRow* row = RowOf(t, item);
  if (row && row->refresh) row->refresh(ctx, dialog, item);
}

LRESULT CtlDispatchCommandWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                               DialogItemRecord* item, WPARAM wparam, LPARAM lparam) {
  if (!item) return 0;
  const CtlKindRow* row = RowOf(t, item);
  return row && row->command ? row->command(ctx, dialog, item, wparam, uintptr_t(lparam), 0) : 0;
}

LRESULT CtlHandleCommandWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                             DialogItemRecord* item, WPARAM wparam, LPARAM lparam) {
  if (!item) return 0;
  LRESULT acted = Special(t, ctx, dialog, item, WM_COMMAND, wparam, lparam);
  // The kind sees only the commands of its own control.
  if (!acted && LOWORD(wparam) == item->controlId) acted = CtlDispatchCommandWith(t, ctx, dialog, item, wparam, lparam);
  if (acted) RepaintLater(dialog);
  return acted;
}

LRESULT CtlDispatchMessageWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                               DialogItemRecord* item, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!item) return 0;
  // The drawn slider follows the mouse itself.
  if (message == WM_LBUTTONDOWN && item->kind == kDrawnSliderKind) return 0;
  const CtlKindRow* row = RowOf(t, item);
  return row && row->message ? row->message(ctx, dialog, item, message, wparam, uintptr_t(lparam)) : 0;
}

LRESULT CtlHandleMessageWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                             DialogItemRecord* item, UINT message, WPARAM wparam, LPARAM lparam) {
  // A hidden control takes part in nothing; a disabled one still does (its
  // handlers look at the state themselves).
  if (!item || item->hidden) return 0;
  LRESULT acted = Special(t, ctx, dialog, item, message, wparam, lparam);
  if (!acted) acted = CtlDispatchMessageWith(t, ctx, dialog, item, message, wparam, lparam);
  if (acted && message != WM_DRAWITEM && message != WM_CTLCOLORLISTBOX && message != WM_CTLCOLORSCROLLBAR)
    RepaintLater(dialog);
  return acted;
}

void CtlSelectComboByDataWith(const CtlDispatchTables& t, DriverContext* ctx, DialogRecord* dialog,
                              uint16_t control_id, intptr_t value) {
  if (!dialog) return;
  DialogItemRecord* item = CtxFindControl(ctx, dialog, control_id);
  if (!item) return;
  HWND combo = item->window ? item->window : (dialog->window ? GetDlgItem(dialog->window, control_id) : nullptr);
  if (!combo) return;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(combo, CB_GETITEMDATA, WPARAM(i), 0) != value) continue;
    SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
    // As if the person had chosen the entry.
    CtlDispatchCommandWith(t, ctx, dialog, item, kComboSelectionChanged, 0);
    return;
  }
}

int32_t CtlDispatchInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  return CtlDispatchInitWith(CtlGetBuiltinDispatch(), ctx, dialog, item);
}
void CtlDispatchRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  CtlDispatchRefreshWith(CtlGetBuiltinDispatch(), ctx, dialog, item);
}
LRESULT CtlHandleCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, WPARAM wparam,
                         LPARAM lparam) {
  return CtlHandleCommandWith(CtlGetBuiltinDispatch(), ctx, dialog, item, wparam, lparam);
}
LRESULT CtlDispatchCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, WPARAM wparam,
                           LPARAM lparam) {
  return CtlDispatchCommandWith(CtlGetBuiltinDispatch(), ctx, dialog, item, wparam, lparam);
}
LRESULT CtlHandleMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                         WPARAM wparam, LPARAM lparam) {
  return CtlHandleMessageWith(CtlGetBuiltinDispatch(), ctx, dialog, item, message, wparam, lparam);
}
LRESULT CtlDispatchMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam) {
  return CtlDispatchMessageWith(CtlGetBuiltinDispatch(), ctx, dialog, item, message, wparam, lparam);
}
void CtlSelectComboByData(DriverContext* ctx, DialogRecord* dialog, uint16_t control_id, intptr_t value) {
  CtlSelectComboByDataWith(CtlGetBuiltinDispatch(), ctx, dialog, control_id, value);
}
