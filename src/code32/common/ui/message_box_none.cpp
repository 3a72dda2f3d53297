// Message boxes and the wait dialog of the libraries without a user interface
// (VELMPD0 and VELMPD4): nothing is shown and the window layer is never
// loaded. A box answers 0, as one that could not be shown, so a question
// (OK or Cancel, Yes or No) is never taken as agreed; there is no wait dialog.
#include "velm/messages.h"

int32_t UiShowMessage(DriverContext*, const UiMessageRequest*, HWND) { return 0; }

HWND UiShowWaitDialog(DriverContext*, HWND, uint32_t) { return nullptr; }

BOOL UiCloseWaitDialog(HWND) { return FALSE; }
