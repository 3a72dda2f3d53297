// Stand-in until the per-dialog special handler lands: it hands the remote
// destination and address-list dialogs to their handlers and consumes no
// other event, so every other event goes on to the control's kind.
#include "ui2k/controls.h"
#include "ui2k/special_dialogs.h"

int32_t DlgSpecialHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!dialog) return 0;
  if (dialog->dialogId == 1034) return DlgRemoteHandler(ctx, dialog, item, message, wparam, lparam);
  if (dialog->dialogId == 1035) return DlgAddressHandler(ctx, dialog, item, message, wparam, lparam);
  return 0;
}
