// STAND-IN (i12-store for i12-qst): the bidirectional-device-item filter of
// the settings files, as the save of device items needs it. The settings
// files replace this file.
#include "velm/qst.h"
#include "velm/settings.h"

int32_t QstIsBidiDeviceItem(const SettingRecord* row) {
  if (!row) return 0;
  uint32_t id = row->id;
  if (id >= 10012 && id <= 10272) return 1;
  return id == 10274 || id == 10276 || id == 10277 ? 1 : 0;
}
