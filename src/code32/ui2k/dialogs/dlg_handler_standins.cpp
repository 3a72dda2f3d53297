// Stand-in until the per-dialog special handler lands: it hands the events
// of the user paper-size dialog and of the options dialog to their handlers
// and consumes nothing else, so every other event goes on to the control's
// kind.
#include "ui2k/controls.h"
#include "ui2k/special_dialogs.h"

int32_t DlgSpecialHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                          WPARAM wparam, LPARAM lparam) {
  if (!dialog) return 0;
  if (dialog->dialogId == 1017) return DlgFreeSizeHandler(ctx, dialog, item, message, wparam, lparam);
  if (dialog->dialogId == 1011) return DlgOptionsHandler(ctx, dialog, item, message, wparam, lparam);
  return 0;
}
