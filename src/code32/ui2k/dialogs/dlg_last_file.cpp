// Stand-in until the file dialogs of the pages land: the process-wide path
// they fill with the file last chosen. Nothing fills it yet but tests.
#include "ui2k/pages.h"
#include "velm/presets.h"

char16_t* DlgGetLastFileBuffer() {
  static char16_t buffer[kPresetNameChars] = {};
  return buffer;
}
