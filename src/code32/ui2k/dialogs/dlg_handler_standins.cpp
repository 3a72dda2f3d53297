// Stand-in until the per-dialog special handler lands: it hands the
// TrueType, stamp, remote destination and address-list dialogs to their
// handlers and consumes no other event, so every other event goes on to the
// control's kind.
#include "ui2k/controls.h"
#include "ui2k/special_dialogs.h"

int32_t DlgSpecialHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!dialog) return 0;
  switch (dialog->dialogId) {
    case 1009: case 4004:
      return DlgTrueTypeHandler(ctx, dialog, item, message, wparam, lparam);
    case 1003: case 1022: case 1023: case 1037:
      return DlgStampHandler(ctx, dialog, item, message, wparam, lparam);
    case 1034:
      return DlgRemoteHandler(ctx, dialog, item, message, wparam, lparam);
    case 1035:
      return DlgAddressHandler(ctx, dialog, item, message, wparam, lparam);
    default:
      return 0;
  }
}
