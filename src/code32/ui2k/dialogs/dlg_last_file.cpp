// The path last chosen in any file dialog of the pages, process-wide: the
// file dialogs fill it, the maintenance dialog's load reads it. It lives
// with the dialogs so that both the driver and the dialog tests link it.
#include "ui2k/file_dialogs.h"

char16_t* DlgGetLastFileBuffer() {
  static char16_t buffer[kFileDlgChars] = {};
  return buffer;
}
